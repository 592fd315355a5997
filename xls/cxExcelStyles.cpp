#include "xls/cxExcelStyles.h"

#include <cmath>

#include "calc/cxSSFormats.h"

TcxSSFillStyle FillStyleFromFile(unsigned code) {
  for (size_t i = 0; i < std::size(kFillPatternCodes); ++i)
    if (kFillPatternCodes[i] == code) return static_cast<TcxSSFillStyle>(i);
  return fsSolid;
}

TcxSSColor ColorFromFile(unsigned index) {
  return index == 0 ? kColorAuto : static_cast<TcxSSColor>(index - 8);
}

namespace {

// Neither a font's colour nor an edge's can be "no colour": anything outside the palette is
// automatic, as the style setters would store it.
TcxSSColor PaletteColorFromFile(unsigned index) {
  const TcxSSColor color = ColorFromFile(index);
  return color <= 55 ? color : kColorAuto;
}

TcxSSEdgeLineStyle EdgeStyleFromFile(unsigned code) {
  return code <= 13 ? static_cast<TcxSSEdgeLineStyle>(code) : lsDefault;
}

bool SameFont(const TcxSSFontRec* a, const TcxSSFontRec* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->Name == b->Name && a->FontColor == b->FontColor && a->Style == b->Style &&
         a->Charset == b->Charset && a->Height == b->Height;
}

}  // namespace

TcxExcelStyleTable::TcxExcelStyleTable() {
  fallbackFont_.Name = "Arial";
  fallbackFont_.Height = 200;
  fallbackFont_.FontColor = kColorAuto;
}

void TcxExcelStyleTable::AddFont(const TcxFontRecord& font) {
  TcxSSFontRec rec;
  rec.Name = font.Name;
  rec.Style = static_cast<uint8_t>((font.Weight != 400 ? kFontBold : 0) |
                                   ((font.Options & 0x02) ? kFontItalic : 0) |
                                   FontStyleOfUnderline(font.Underline) |
                                   ((font.Options & 0x08) ? kFontStrikeOut : 0));
  // The height is kept in the file's twips, half points and all.
  rec.Height = static_cast<int16_t>(std::min<unsigned>(font.Height, 0x7FFF));
  rec.Charset = font.Charset != 0 ? font.Charset : 1;
  rec.FontColor = font.Color == kBiffWindowTextColor ? kColorWindowText
                                                    : PaletteColorFromFile(font.Color);
  fonts_.push_back(std::move(rec));
}

void TcxExcelStyleTable::AddFormat(const TcxFormatRecord& format) { formats_.push_back(format); }

void TcxExcelStyleTable::AddXf(const TcxXfRecord& xf) { xfs_.push_back(xf); }

std::string TcxExcelStyleTable::FormatString(unsigned index) const {
  if (index < 50) return std::string(BuiltInFormatString(static_cast<int>(index)));
  for (auto it = formats_.rbegin(); it != formats_.rend(); ++it)
    if (it->Index == index) return it->Text;
  return {};
}

TcxSSStyleRec TcxExcelStyleTable::MakeStyle(const TcxXfRecord& xf) const {
  TcxSSStyleRec rec;
  rec.RefCount = 1;
  // The format has no font 4: indexes from 4 on are one above their place in the FONT list.
  size_t font = xf.Font >= 4 ? xf.Font - 1u : xf.Font;
  if (fonts_.empty()) {
    rec.Font = &fallbackFont_;
  } else {
    rec.Font = &fonts_[std::min(font, fonts_.size() - 1)];
  }

  rec.Format = xf.Format;
  rec.NumberFormat = NumberFormat(xf.Format);
  if (xf.Format >= 50) {
    const std::string text = FormatString(xf.Format);
    TxlsDataFormat format = kFormatGeneral;
    if (!text.empty()) ClassifyFormatString(text, format);
    rec.Format = format;
  }

  rec.Flags = static_cast<uint8_t>(((xf.Protection & 0x01) ? kStyleLocked : 0) |
                                   ((xf.Indent & 0x20) ? kStyleMerged : 0) |
                                   ((xf.Indent & 0x10) ? kStyleShrinkToFit : 0));
  rec.HorzTextAlign = static_cast<TcxHorzTextAlign>(xf.Alignment & 0x07);
  rec.WordBreak = (xf.Alignment & 0x08) != 0;
  const unsigned vert = (xf.Alignment >> 4) & 0x07;
  // Codes 5..7 mean nothing; bottom is the format's own default.
  rec.VertTextAlign = vert <= vaDISTRIBUTED ? static_cast<TcxVertTextAlign>(vert) : vaBOTTOM;
  rec.JustifyLastLine = (xf.Alignment & 0x80) != 0;
  // Rotations 181..254 mean nothing; they are read as none.
  rec.Rotation = xf.Rotation <= 180 || xf.Rotation == kRotationStacked ? xf.Rotation : 0;
  rec.Indent = xf.Indent & 0x0F;
  const unsigned direction = (xf.Indent >> 6) & 0x03;
  rec.TextDirection = direction <= tdRightToLeft ? static_cast<TcxTextDirection>(direction) : tdContext;

  rec.Edges[eLeft] = {EdgeStyleFromFile(xf.BorderStyles & 0x0F),
                      PaletteColorFromFile(xf.BorderColors & 0x7F)};
  rec.Edges[eRight] = {EdgeStyleFromFile((xf.BorderStyles >> 4) & 0x0F),
                       PaletteColorFromFile((xf.BorderColors >> 7) & 0x7F)};
  rec.Edges[eTop] = {EdgeStyleFromFile((xf.BorderStyles >> 8) & 0x0F),
                     PaletteColorFromFile(xf.Fill & 0x7F)};
  rec.Edges[eBottom] = {EdgeStyleFromFile((xf.BorderStyles >> 12) & 0x0F),
                        PaletteColorFromFile((xf.Fill >> 7) & 0x7F)};

  const unsigned pattern = (xf.Fill >> 26) & 0x3F;
  const unsigned foreground = xf.PatternColors & 0x7F;
  const unsigned background = (xf.PatternColors >> 7) & 0x7F;
  rec.BrushStyle = FillStyleFromFile(pattern);
  if (pattern == 0) {
    rec.ForegroundColor = kColorAuto;
    rec.BackgroundColor = kColorAuto;
  } else if (rec.BrushStyle == fsSolid) {
    // A solid fill is drawn in the file's pattern (foreground) colour.
    rec.BackgroundColor = static_cast<TcxSSColor>(foreground - 8);
    rec.ForegroundColor = static_cast<TcxSSColor>(background - 8);
  } else {
    rec.BackgroundColor = static_cast<TcxSSColor>(background - 8);
    rec.ForegroundColor = static_cast<TcxSSColor>(foreground - 8);
  }
  // The style setters keep colours to the palette, "none" (56) and automatic (57).
  if (rec.BackgroundColor > kColorNone) rec.BackgroundColor = kColorAuto;
  if (rec.ForegroundColor > kColorNone) rec.ForegroundColor = kColorAuto;
  return rec;
}

const TcxNumberFormat* TcxExcelStyleTable::NumberFormat(unsigned index) const {
  const auto found = codes_.find(index);
  return found == codes_.end() ? nullptr : found->second;
}

void TcxExcelStyleTable::Build() {
  numberFormats_.clear();
  codes_.clear();
  for (const TcxFormatRecord& format : formats_) {
    numberFormats_.emplace_back(format.Text, format.Index < 50 ? format.Index : TcxNumberFormat::kNoBuiltIn);
    codes_[format.Index] = &numberFormats_.back();  // the last record of an index wins
  }
  styles_.clear();
  styles_.reserve(xfs_.size());
  for (const auto& xf : xfs_) styles_.push_back(MakeStyle(xf));
  isDefault_.assign(styles_.size(), false);
  const TcxSSStyleRec* def = DefaultStyle();
  if (!def) return;
  for (size_t i = 0; i < styles_.size(); ++i) {
    const TcxSSStyleRec& s = styles_[i];
    // The Merged flag never reaches a cell through a whole record.
    TcxSSStyleRec a = s;
    TcxSSStyleRec b = *def;
    a.Flags &= static_cast<uint8_t>(~kStyleMerged);
    b.Flags &= static_cast<uint8_t>(~kStyleMerged);
    a.Font = b.Font = nullptr;
    isDefault_[i] = a.SameStyle(b) && SameFont(s.Font, def->Font);
  }
}

bool TcxExcelStyleTable::Locked(size_t index) const {
  return index < styles_.size() && (styles_[index].Flags & kStyleLocked) != 0;
}

TxlsDataFormat TcxExcelStyleTable::Format(size_t index) const {
  return index < styles_.size() ? styles_[index].Format : kFormatGeneral;
}
