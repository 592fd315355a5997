#pragma once

#include <optional>
#include <string>

// The system clipboard: the workbook's private cell format (opaque bytes) and plain UTF-8 text.
class IClipboard {
public:
  virtual ~IClipboard() = default;
  // Replaces the clipboard contents with both formats at once.
  virtual void SetContents(const std::string& privateData, const std::string& text) = 0;
  virtual std::optional<std::string> PrivateData() const = 0;
  virtual std::optional<std::string> Text() const = 0;
};
