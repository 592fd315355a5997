#include "platform/qt/QtTextMeasurer.h"

#include <QFontMetrics>
#include <cmath>
#include <cstdlib>

#include "styles/cxSSStyleTypes.h"

QFont FontFromDesc(const TcxFontDesc& desc, int pixelsPerInch) {
  QFont font(desc.Name.empty() || desc.Name == "Default" ? QString(kDefaultFontFace)
                                                         : QString::fromStdString(desc.Name));
  font.setStyleHint(QFont::SansSerif);
  const double points = std::abs(desc.Size);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * pixelsPerInch / 72.0))));
  font.setBold(desc.Style & kFontBold);
  font.setItalic(desc.Style & kFontItalic);
  font.setUnderline(desc.Style & kFontUnderline);
  font.setStrikeOut(desc.Style & kFontStrikeOut);
  return font;
}

TSize TQtTextMeasurer::TextExtent(const TcxFontDesc& font, std::string_view text) const {
  const QFontMetrics metrics(FontFromDesc(font, pixelsPerInch_));
  const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return {metrics.horizontalAdvance(s), metrics.height()};
}
