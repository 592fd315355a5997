#pragma once

#include <QFont>

#include "platform/TextMeasurer.h"

// The face name workbooks use for "the default font".
inline constexpr const char* kDefaultFontFace = "Tahoma";

// The screen font for a core font description: the face ("Default" means Tahoma), the size in
// points turned into pixels at `pixelsPerInch`, and the bold, italic, underline and strike-out
// bits. The character set is left to the font matcher.
QFont FontFromDesc(const TcxFontDesc& desc, int pixelsPerInch);

// Measures with QFontMetrics of the real screen fonts, as the sheet view paints them.
class TQtTextMeasurer : public ITextMeasurer {
public:
  explicit TQtTextMeasurer(int pixelsPerInch) : pixelsPerInch_(pixelsPerInch) {}
  TSize TextExtent(const TcxFontDesc& font, std::string_view text) const override;

private:
  int pixelsPerInch_;
};
