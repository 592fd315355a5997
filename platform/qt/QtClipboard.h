#pragma once

#include "platform/Clipboard.h"

// The MIME type that carries the workbook's private "Marvilo 1.0" cell block between workbooks
// (also between two running copies of the program); other programs see the plain text.
inline constexpr const char* kMarviloMimeType = "application/x-zofmirel-marvilo-1.0";

// The system clipboard through QClipboard.
class TQtClipboard : public IClipboard {
public:
  void SetContents(const std::string& privateData, const std::string& text) override;
  std::optional<std::string> PrivateData() const override;
  std::optional<std::string> Text() const override;
};
