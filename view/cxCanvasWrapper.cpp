#include "view/cxCanvasWrapper.h"

#include <QBitmap>
#include <QBrush>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

#include "platform/qt/QtTextMeasurer.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSSTextWrap.h"

namespace {

// The fill patterns, one row of bits per byte from top to bottom, the most significant bit
// leftmost: a 1 bit shows the background colour, a 0 bit the pattern colour.
constexpr uint8_t kFillPatterns[18][8] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // fsSolid
    {0xAA, 0x00, 0x55, 0x00, 0xAA, 0x00, 0x55, 0x00},  // fsGray75
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},  // fsGray50
    {0xFF, 0x55, 0xFF, 0xAA, 0xFF, 0x55, 0xFF, 0xAA},  // fsGray25
    {0xFF, 0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD},  // fsGray12
    {0xFF, 0x77, 0xFF, 0xFF, 0xFF, 0xDD, 0xFF, 0xFF},  // fsGray6
    {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF},  // fsHorzStrip
    {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66},  // fsVertStrip
    {0x33, 0x99, 0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66},  // fsRevDiagonalStrip
    {0x99, 0x33, 0x66, 0xCC, 0x99, 0x33, 0x66, 0xCC},  // fsDiagonalStrip
    {0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC},  // fsDiagCrossHatch
    {0x11, 0x11, 0x44, 0x44, 0x11, 0x11, 0x44, 0x44},  // fsThickCrossHatch
    {0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF},  // fsThinHorzStrip
    {0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77},  // fsThinVertStrip
    {0x77, 0xBB, 0xDD, 0xEE, 0x77, 0xBB, 0xDD, 0xEE},  // fsThinRevDiagonalStrip
    {0xBB, 0x77, 0xEE, 0xDD, 0xBB, 0x77, 0xEE, 0xDD},  // fsThinDiagonalStrip
    {0x77, 0x00, 0x77, 0x77, 0x77, 0x00, 0x77, 0x77},  // fsThinDiagCrossHatch
    {0xAA, 0x77, 0xAA, 0xDD, 0xAA, 0x77, 0xAA, 0xDD},  // fsThinThickCrossHatch
};

// The dash patterns of border lines: "1" line colour, "0" background colour, repeated along
// the line from the device origin.
constexpr const char* kLinePatterns[10] = {
    "11111111",                  // 0 solid
    "00000000",                  // 1 background only
    "11101110",                  // 2 dashed
    "11001100",                  // 3 dotted
    "10101010",                  // 4 hair
    "111111111000",              // 5 medium dashed
    "111111111000111000",        // 6 dash dot
    "111000111000111111111000",  // 7 dash dot dot
    "011111111111011111",        // 8 slanted dash dot, first line
    "111111111100111100",        // 9 slanted dash dot, second line
};

// The dash pattern of each line style, in TcxSSEdgeLineStyle order.
constexpr int kLineStylePattern[15] = {0, 0, 0, 2, 3, 0, 0, 4, 5, 6, 6, 7, 7, 8, 1};

constexpr int kSolidPattern = 0;
constexpr int kBackgroundPattern = 1;

// The bitmaps every canvas wrapper shares: set bits are drawn in the brush colour, clear bits
// are left alone (the background colour is filled beforehand).
struct TSharedBitmaps {
  std::array<QBitmap, 18> Fills;
  std::array<QBitmap, 10> HorzLines;
  std::array<QBitmap, 10> VertLines;
};

TSharedBitmaps* gBitmaps = nullptr;
int gBitmapUsers = 0;

QBitmap MakeBitmap(int width, int height, const std::function<bool(int, int)>& set) {
  QImage image(width, height, QImage::Format_Mono);
  image.setColor(0, qRgb(255, 255, 255));
  image.setColor(1, qRgb(0, 0, 0));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, set(x, y) ? 1 : 0);
  return QBitmap::fromImage(image, Qt::MonoOnly | Qt::ThresholdDither);
}

void InitResources() {
  if (gBitmapUsers++ > 0) return;
  gBitmaps = new TSharedBitmaps;
  for (int style = 0; style < 18; ++style)
    gBitmaps->Fills[style] = MakeBitmap(8, 8, [style](int x, int y) {
      return (kFillPatterns[style][y] & (0x80 >> x)) == 0;
    });
  for (int i = 0; i < 10; ++i) {
    const std::string_view pattern = kLinePatterns[i];
    const int length = static_cast<int>(pattern.size());
    gBitmaps->HorzLines[i] = MakeBitmap(length, 8, [pattern](int x, int) { return pattern[x] == '1'; });
    gBitmaps->VertLines[i] = MakeBitmap(8, length, [pattern](int, int y) { return pattern[y] == '1'; });
  }
}

void FreeResources() {
  if (--gBitmapUsers > 0) return;
  delete gBitmaps;
  gBitmaps = nullptr;
}

// The core's word wrap measuring with one screen font of the view, so that wrapped cells break
// where the painted text needs the room.
class TScreenFontMeasurer : public ITextMeasurer {
public:
  explicit TScreenFontMeasurer(const TcxScreenFont& font) : font_(font) {}
  TSize TextExtent(const TcxFontDesc&, std::string_view text) const override {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return {font_.Metrics.horizontalAdvance(s), font_.Height};
  }

private:
  const TcxScreenFont& font_;
};

int CountSpaces(const QString& text) { return static_cast<int>(text.count(QLatin1Char(' '))); }

std::string FontKey(const TcxFontDesc& desc) {
  return desc.Name + '\x1f' + std::to_string(desc.Size) + '\x1f' + std::to_string(desc.Style);
}

}  // namespace

TcxScreenFont::TcxScreenFont(const TcxFontDesc& desc, const QFont& font)
    : Desc(desc),
      Font(font),
      Metrics(font),
      Raw(QRawFont::fromFont(font)),
      Height(Metrics.height()),
      Ascent(Metrics.ascent()) {}

bool TcxScreenFont::LayOutGlyphs(const QString& text, QList<quint32>& glyphs,
                                 QList<QPointF>& positions, int& width) const {
  if (text.isEmpty() || !Raw.isValid()) return false;
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    // Controls, combining marks and the scripts from Hebrew on need the full layout.
    if (u < 0x20 || (u >= 0x7F && u < 0xA0) || (u >= 0x0300 && u < 0x0370) || u >= 0x0483) return false;
  }
  // Into the buffers the line had before: a layout then allocates nothing for a cell whose
  // text is not longer than the last one.
  const int count = static_cast<int>(text.size());
  glyphs.resize(count);
  positions.resize(count);
  int produced = count;
  bool complete = Raw.glyphIndexesForChars(text.constData(), count, glyphs.data(), &produced) &&
                  produced == count;
  for (int i = 0; complete && i < count; ++i) complete = glyphs[i] != 0;
  if (!complete || !Raw.advancesForGlyphIndexes(glyphs.constData(), positions.data(), count,
                                                QRawFont::KernedAdvances)) {
    glyphs.clear();
    positions.clear();
    return false;
  }
  qreal x = 0;
  for (QPointF& position : positions) {
    const qreal advance = position.x();
    position = QPointF(qRound(x), 0);
    x += advance;
  }
  width = qRound(x);
  return true;
}

TcxCanvasWrapper::TcxCanvasWrapper(const TPalette& palette)
    : palette_(&palette), selectionColor_(kclHighlight) {
  InitResources();
  systemColors_ = {kclWindow, kclWindowText, kclBtnFace};
  RefreshColors();
}

TcxCanvasWrapper::~TcxCanvasWrapper() { FreeResources(); }

void TcxCanvasWrapper::SetCanvas(QPainter* painter) { painter_ = painter; }

void TcxCanvasWrapper::ResetCanvas() {
  painter_ = nullptr;
  font_ = nullptr;
}

void TcxCanvasWrapper::SetPixelsPerInch(int value) {
  if (value == pixelsPerInch_ || value <= 0) return;
  pixelsPerInch_ = value;
  font_ = nullptr;
  fonts_.clear();
}

// --- Colours ---------------------------------------------------------------------------------------

TColor TcxCanvasWrapper::SelectionBlend(TColor color, TColor selection) {
  const auto channel = [&](int shift) {
    const int s = (selection >> shift) & 0xFF;
    const int c = (color >> shift) & 0xFF;
    return static_cast<int>(std::lround((s * 92 + c * 163) / 255.0));
  };
  return RGBColor(channel(0), channel(8), channel(16));
}

void TcxCanvasWrapper::SetPalette(const TPalette& palette) {
  palette_ = &palette;
  RefreshColors();
}

void TcxCanvasWrapper::SetSelectionColor(TColor color) {
  if (color == selectionColor_) return;
  selectionColor_ = color;
  RefreshColors();
}

void TcxCanvasWrapper::SetWindowColor(TColor color) {
  systemColors_[0] = color;
  selectedSystemColors_[0] = SelectionBlend(color, selectionColor_);
}

void TcxCanvasWrapper::SetGridColor(TColor color) {
  systemColors_[2] = color;
  selectedSystemColors_[2] = SelectionBlend(color, selectionColor_);
}

void TcxCanvasWrapper::RefreshColors() {
  for (size_t i = 0; i < selectedPalette_.size(); ++i)
    selectedPalette_[i] = SelectionBlend((*palette_)[i], selectionColor_);
  for (size_t i = 0; i < systemColors_.size(); ++i)
    selectedSystemColors_[i] = SelectionBlend(systemColors_[i], selectionColor_);
}

TColor TcxCanvasWrapper::BackgroundColor(TcxSSColor index, bool selected) const {
  if (index <= 55) return selected ? selectedPalette_[index] : (*palette_)[index];
  return selected ? selectedSystemColors_[0] : systemColors_[0];
}

TColor TcxCanvasWrapper::PatternColor(TcxSSColor index, bool selected) const {
  if (index <= 55) return selected ? selectedPalette_[index] : (*palette_)[index];
  return selected ? SelectionBlend(kclBlack, selectionColor_) : kclBlack;
}

TColor TcxCanvasWrapper::BorderColor(TcxSSColor index, bool selected) const {
  if (index <= 55) return selected ? selectedPalette_[index] : (*palette_)[index];
  return kclWindowText;
}

TColor TcxCanvasWrapper::TextColor(TcxSSColor index) const {
  return index <= 55 ? (*palette_)[index] : systemColors_[1];
}

// --- Drawing ---------------------------------------------------------------------------------------

void TcxCanvasWrapper::FillRect(const TRect& rect, TColor color) {
  if (rect.Right < rect.Left || rect.Bottom < rect.Top) return;
  painter_->fillRect(ToQRect(rect), ToQColor(color));
}

void TcxCanvasWrapper::FillBitmap(const TRect& rect, const QBitmap& bitmap, TColor ink, TColor ground) {
  if (rect.Right < rect.Left || rect.Bottom < rect.Top) return;
  const QPaintEngine* engine = painter_->paintEngine();
  if (!engine || engine->type() == QPaintEngine::Raster) {
    // On the screen the set bits are drawn over the ground filled before.
    painter_->fillRect(ToQRect(rect), QBrush(ToQColor(ink), bitmap));
    return;
  }
  // A printer's engine (PDF) draws a one-bit brush as a grey picture of its bits, not in its
  // colour: it gets the pattern as a picture in both colours instead, made once per pattern and
  // colour pair.
  const auto key = std::make_tuple(bitmap.cacheKey(), ink, ground);
  auto it = colourPatterns_.find(key);
  if (it == colourPatterns_.end()) {
    // A set bit of a bitmap is its black (color1) pixel.
    QImage image = bitmap.toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb inkRgb = ToQColor(ink).rgb();
    const QRgb groundRgb = ToQColor(ground).rgb();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, y, qGray(image.pixel(x, y)) < 128 ? inkRgb : groundRgb);
    it = colourPatterns_.emplace(key, QBrush(image)).first;
  }
  painter_->fillRect(ToQRect(rect), it->second);
}

void TcxCanvasWrapper::FillPattern(const TRect& rect, TcxSSFillStyle style, TColor pattern,
                                   TColor background) {
  FillRect(rect, background);
  if (style != fsSolid && style < 18)
    FillBitmap(rect, gBitmaps->Fills[style], pattern, background);
}

void TcxCanvasWrapper::FillCell(const TRect& rect, TcxSSFillStyle style, bool selected,
                                TcxSSColor patternIndex, TcxSSColor backgroundIndex) {
  FillPattern(rect, style, PatternColor(patternIndex, selected),
              BackgroundColor(backgroundIndex, selected));
}

void TcxCanvasWrapper::FrameRect(const TRect& rect, TColor color, bool tint) {
  const TColor c = tint ? SelectionBlend(color, selectionColor_) : color;
  FillRect({rect.Left, rect.Top, rect.Right, rect.Top}, c);
  FillRect({rect.Left, rect.Bottom, rect.Right, rect.Bottom}, c);
  FillRect({rect.Left, rect.Top, rect.Left, rect.Bottom}, c);
  FillRect({rect.Right, rect.Top, rect.Right, rect.Bottom}, c);
}

void TcxCanvasWrapper::Edge3D(const TRect& rect, TColor topLeft, TColor bottomRight) {
  FillRect({rect.Left, rect.Top, rect.Right - 1, rect.Top}, topLeft);
  FillRect({rect.Left, rect.Top, rect.Left, rect.Bottom - 1}, topLeft);
  FillRect({rect.Right, rect.Top, rect.Right, rect.Bottom}, bottomRight);
  FillRect({rect.Left, rect.Bottom, rect.Right, rect.Bottom}, bottomRight);
}

void TcxCanvasWrapper::DrawLine(const std::array<TRect, 3>& rects, bool selected,
                                TcxSSColor colorIndex, TcxSSColor backgroundIndex, bool vertical,
                                TcxSSEdgeLineStyle style) {
  if (style == lsNone || style > lsNone) return;
  if (style == lsDefault) {
    if (gridBatching_)
      gridRects_.push_back(ToQRect(rects[0]));
    else
      FillRect(rects[0], systemColors_[2]);
    return;
  }
  if (!gridRects_.empty()) {
    FlushGridBatch();
    gridBatching_ = true;
  }
  DrawBorderLine(rects, BorderColor(colorIndex, selected), BackgroundColor(backgroundIndex, selected),
                 vertical, style);
}

void TcxCanvasWrapper::DrawBorderLine(const std::array<TRect, 3>& rects, TColor line,
                                      TColor background, bool vertical, TcxSSEdgeLineStyle style) {
  if (style >= lsNone) return;
  const auto draw = [&](const TRect& rect, int pattern) {
    if (pattern == kSolidPattern) {
      FillRect(rect, line);
    } else if (pattern == kBackgroundPattern) {
      FillRect(rect, background);
    } else {
      FillRect(rect, background);
      const QBitmap& bitmap = vertical ? gBitmaps->VertLines[pattern] : gBitmaps->HorzLines[pattern];
      FillBitmap(rect, bitmap, line, background);
    }
  };
  if (style == lsDouble) {
    draw(rects[0], kSolidPattern);
    draw(rects[1], kBackgroundPattern);
    draw(rects[2], kSolidPattern);
  } else if (style == lsSlantedDashDot) {
    TRect first = rects[0];
    if (vertical)
      first.Right = first.Left;
    else
      first.Bottom = first.Top;
    draw(first, 8);
    TRect second = first;
    if (vertical) {
      ++second.Left;
      ++second.Right;
    } else {
      ++second.Top;
      ++second.Bottom;
    }
    draw(second, 9);
  } else {
    draw(rects[0], kLineStylePattern[style]);
  }
}

void TcxCanvasWrapper::DrawCentredText(const QString& text, const TRect& rect) {
  if (!font_) return;
  const int width = font_->TextWidth(text);
  const int x = (rect.Left + rect.Right) / 2 - width / 2;
  const int baseline = (font_->Height + rect.Top + rect.Bottom) / 2 - font_->Metrics.descent();
  painter_->save();
  painter_->setClipRect(ToQRect(rect), Qt::IntersectClip);
  painter_->setFont(font_->Font);
  painter_->setPen(ToQColor(textColor_));
  painter_->drawText(QPoint(x, baseline), text);
  painter_->restore();
}

void TcxCanvasWrapper::DrawArrow(const TRect& rect, bool enabled, int direction) {
  // A triangle of height h = a third of the rectangle: its base is 2h + 2 pixels tall and its
  // tip h + 1 pixels away from it, centred in the rectangle.
  const int h = (rect.Bottom - rect.Top + 1) / 3;
  const int base = 2 * h + 2;
  const int top = rect.Top + (rect.Bottom - rect.Top + 1 - base) / 2;
  const int left = rect.Left + (rect.Right - rect.Left + 1 - (h + 1)) / 2;
  const TColor color = enabled ? kclBlack : kclBtnShadow;
  for (int k = 0; k <= h; ++k) {
    const int x = direction == 0 ? left + h - k : left + k;
    FillRect({x, top + k, x, top + base - 1 - k}, color);
  }
}

// --- Text ------------------------------------------------------------------------------------------

const TcxScreenFont& TcxCanvasWrapper::ScreenFont(const TcxFontDesc& desc) {
  const std::string key = FontKey(desc);
  auto it = fonts_.find(key);
  if (it == fonts_.end())
    it = fonts_.emplace(key, std::make_unique<TcxScreenFont>(desc, FontFromDesc(desc, pixelsPerInch_)))
             .first;
  return *it->second;
}

void TcxCanvasWrapper::MeasureLine(TcxTextBrick& line) const {
  if (!font_) {
    line.Width = 0;
    return;
  }
  if (!font_->LayOutGlyphs(line.Text, line.Glyphs, line.GlyphPositions, line.Width)) {
    // The glyphs of the text the line held before must not be drawn for this one.
    line.Glyphs.clear();
    line.GlyphPositions.clear();
    line.Width = font_->TextWidth(line.Text);
  }
}

void AssignText(QString& target, std::string_view text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (!ascii) {
    target = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return;
  }
  target.resize(static_cast<qsizetype>(text.size()));
  QChar* out = target.data();
  for (const char c : text) *out++ = QLatin1Char(c);
}

TcxTextBrick& TcxCanvasWrapper::SingleLine(TcxTextParameters& params, std::string_view text) {
  params.Lines.resize(1);
  TcxTextBrick& line = params.Lines.front();
  AssignText(line.Text, text);
  line.JustifyExtra = 0;
  line.JustifyBreaks = 0;
  MeasureLine(line);
  return line;
}

// The alignment, font and anchor x of a text laid out in `rect`: the centre, or 3 pixels in
// from the right or left edge.
void TcxCanvasWrapper::StartLayout(const TRect& rect, TcxTextParameters& params, bool wordBreak,
                                   TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign) const {
  params.HorzAlign = horzAlign;
  params.VertAlign = vertAlign;
  params.WordBreak = wordBreak;
  params.Font = font_;
  params.X = horzAlign == haCENTER ? (rect.Left + rect.Right) / 2
             : horzAlign == haRIGHT ? rect.Right - 3
                                    : rect.Left + 3;
}

void TcxCanvasWrapper::LayoutText(std::string_view text, const TRect& rect,
                                  TcxTextParameters& params, bool wordBreak,
                                  TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign) {
  if (wordBreak && horzAlign != haFILL) {
    StartLayout(rect, params, true, vertAlign, horzAlign);
    params.Clear();
    WrapText(text, rect, params, vertAlign, horzAlign);
    return;
  }
  SingleLine(params, text);
  PlaceLine(rect, params, vertAlign, horzAlign);
  params.WordBreak = wordBreak;
}

void TcxCanvasWrapper::PlaceLine(const TRect& rect, TcxTextParameters& params,
                                 TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign) {
  StartLayout(rect, params, false, vertAlign, horzAlign);
  params.FitsRect = false;
  if (!font_ || params.Lines.size() != 1) return;
  TcxTextBrick& line = params.Lines.front();
  const int height = font_->Height;
  line.Y = vertAlign == vaCENTER   ? (rect.Top + rect.Bottom - height) / 2
           : vertAlign == vaBOTTOM ? rect.Bottom - height
                                   : rect.Top;
  int left = params.X;
  if (horzAlign == haCENTER)
    left -= line.Width / 2;
  else if (horzAlign == haRIGHT)
    left -= line.Width;
  params.FitsRect = left >= rect.Left && left + line.Width - 1 <= rect.Right &&
                    line.Y - 2 >= rect.Top && line.Y - 2 + height - 1 <= rect.Bottom;
}

void TcxCanvasWrapper::PlaceRotatedLine(const TRect& rect, TcxTextParameters& params,
                                        TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign,
                                        int degrees) {
  StartLayout(rect, params, false, vertAlign, horzAlign);
  params.FitsRect = false;
  params.Rotation = 0;
  if (!font_ || params.Lines.size() != 1 || degrees == 0) return;
  const TcxTextBrick& line = params.Lines.front();
  const double angle = degrees * 3.14159265358979323846 / 180.0;
  const double c = std::abs(std::cos(angle)), s = std::abs(std::sin(angle));
  const int boxWidth = static_cast<int>(std::lround(line.Width * c + font_->Height * s));
  const int boxHeight = static_cast<int>(std::lround(line.Width * s + font_->Height * c));
  const int left = horzAlign == haCENTER  ? (rect.Left + rect.Right - boxWidth) / 2
                   : horzAlign == haRIGHT ? rect.Right - 3 - boxWidth
                                          : rect.Left + 3;
  const int top = vertAlign == vaCENTER   ? (rect.Top + rect.Bottom - boxHeight) / 2
                  : vertAlign == vaBOTTOM ? rect.Bottom - boxHeight
                                          : rect.Top;
  params.Rotation = degrees;
  params.BoxX = left + boxWidth / 2;
  params.BoxY = top + boxHeight / 2;
}

void TcxCanvasWrapper::WrapText(std::string_view text, const TRect& rect,
                                TcxTextParameters& params, TcxVertTextAlign vertAlign,
                                TcxHorzTextAlign horzAlign) {
  if (!font_) return;
  // Two pixels of the box stay free on the right; the automatic row height wraps in the same
  // width, so a wrapped cell gets exactly the lines its row was sized for.
  const int width = rect.Right - rect.Left - 2;
  const int lineHeight = font_->Height;
  const TScreenFontMeasurer measurer(*font_);
  const auto pieces = ::WrapText(measurer, font_->Desc, text, width);
  int number = 0;
  for (const std::string& piece : pieces) {
    TcxTextBrick line;
    line.Text = QString::fromStdString(piece);
    line.Y = rect.Top + number * lineHeight;
    MeasureLine(line);
    if (horzAlign == haJUSTIFY) {
      // Spread the line over the box: the extra pixels go to its spaces. A line without spaces
      // is drawn as it is.
      line.JustifyBreaks = CountSpaces(line.Text);
      // The extra grows from 1 until the line is as wide as the box; a line already that wide
      // keeps 1.
      line.JustifyExtra = line.JustifyBreaks > 0 && line.Width < width
                              ? std::max(2, width - line.Width)
                              : 1;
    }
    params.Lines.push_back(std::move(line));
    ++number;
  }
  const int count = static_cast<int>(params.Lines.size());
  const int total = count * lineHeight;
  const int boxHeight = rect.Bottom - rect.Top - 2;
  if (vertAlign != vaTOP && total < boxHeight) {
    const int free = boxHeight - total;
    for (int k = 0; k < count; ++k) {
      TcxTextBrick& line = params.Lines[k];
      if (vertAlign == vaCENTER)
        line.Y += free / 2;
      else if (vertAlign == vaBOTTOM)
        line.Y = rect.Bottom - lineHeight * (count - k);
      else if (vertAlign == vaJUSTIFY && count >= 2)
        line.Y += k * static_cast<int>(std::lround(static_cast<double>(free) / (count - 1)));
    }
  }
  params.FitsRect = false;
}

void TcxCanvasWrapper::LayoutHeaderText(std::string_view text, const TRect& rect, bool isColumn,
                                        TcxTextParameters& params) {
  params.HorzAlign = haCENTER;
  params.VertAlign = isColumn ? vaCENTER : vaBOTTOM;
  params.WordBreak = false;
  params.Font = font_;
  params.X = (rect.Left + rect.Right) / 2;
  params.TextColor = kKeepTextColor;
  params.FitsRect = false;
  if (!font_) {
    params.Clear();
    return;
  }
  TcxTextBrick& line = SingleLine(params, text);
  const int height = font_->Height;
  line.Y = (isColumn ? (rect.Top + rect.Bottom - height) / 2 : rect.Bottom - height) + 2;
  // Header texts are drawn in the header moved down by 2; one that lies inside that and clear of
  // the header's frame needs no clipping, and nothing else drawn in the headers touches it.
  const int left = params.X - line.Width / 2;
  params.FitsRect = left > rect.Left && left + line.Width - 1 < rect.Right &&
                    line.Y - 2 >= rect.Top + 2 && line.Y - 2 + height - 1 < rect.Bottom;
}

void TcxCanvasWrapper::BeginTextBatch() { batching_ = true; }

void TcxCanvasWrapper::BeginGridBatch() { gridBatching_ = true; }

void TcxCanvasWrapper::FlushGridBatch() {
  gridBatching_ = false;
  if (gridRects_.empty()) return;
  painter_->save();
  painter_->setPen(Qt::NoPen);
  painter_->setBrush(ToQColor(systemColors_[2]));
  painter_->drawRects(gridRects_.data(), static_cast<int>(gridRects_.size()));
  painter_->restore();
  gridRects_.clear();
}

bool TcxCanvasWrapper::AddToBatch(const TcxTextParameters& params, TColor color) {
  if (!params.FitsRect || params.HorzAlign == haJUSTIFY) return false;
  for (const TcxTextBrick& line : params.Lines)
    if (line.Glyphs.isEmpty() && !line.Text.isEmpty()) return false;
  TTextBatch* batch = nullptr;
  for (TTextBatch& candidate : batches_)
    if (candidate.Font == params.Font && candidate.Color == color) batch = &candidate;
  if (!batch) {
    batches_.push_back({params.Font, color, {}, {}});
    batch = &batches_.back();
  }
  for (const TcxTextBrick& line : params.Lines) {
    if (line.Glyphs.isEmpty()) continue;
    int x = params.X;
    if (params.HorzAlign == haCENTER)
      x -= line.Width / 2;
    else if (params.HorzAlign == haRIGHT)
      x -= line.Width;
    const QPointF origin(x, line.Y - 2 + params.Font->Ascent);
    batch->Indexes.append(line.Glyphs);
    for (const QPointF& position : line.GlyphPositions) batch->Positions.append(origin + position);
  }
  return true;
}

void TcxCanvasWrapper::FlushTextBatch() {
  batching_ = false;
  for (TTextBatch& batch : batches_) {
    if (batch.Indexes.isEmpty()) continue;
    {
      QGlyphRun run;
      run.setRawFont(batch.Font->Raw);
      run.setGlyphIndexes(batch.Indexes);
      run.setPositions(batch.Positions);
      run.setUnderline(batch.Font->Font.underline());
      run.setStrikeOut(batch.Font->Font.strikeOut());
      painter_->setPen(ToQColor(batch.Color));
      painter_->drawGlyphRun(QPointF(0, 0), run);
    }
    batch.Indexes.clear();
    batch.Positions.clear();
  }
}

void TcxCanvasWrapper::DrawText(const TRect& rect, const TcxTextParameters& params) {
  if (params.Lines.empty() || !params.Font) return;
  const TcxScreenFont& font = *params.Font;
  const TColor color = params.TextColor != kKeepTextColor ? TextColor(params.TextColor) : textColor_;
  if (params.Rotation != 0) {
    DrawRotatedText(rect, params, color);
    return;
  }
  if (batching_ && AddToBatch(params, color)) return;
  painter_->setPen(ToQColor(color));
  const bool clip = !params.FitsRect;
  if (clip) {
    painter_->save();
    painter_->setClipRect(ToQRect(rect), Qt::IntersectClip);
  }
  for (const TcxTextBrick& line : params.Lines) {
    if (line.Text.isEmpty()) continue;
    int x = params.X;
    if (params.HorzAlign == haCENTER)
      x -= line.Width / 2;
    else if (params.HorzAlign == haRIGHT)
      x -= line.Width;
    const QPoint baseline(x, line.Y - 2 + font.Ascent);
    if (params.HorzAlign == haJUSTIFY && line.JustifyBreaks > 0) {
      QFont justified = font.Font;
      justified.setWordSpacing(static_cast<qreal>(line.JustifyExtra) / line.JustifyBreaks);
      painter_->setFont(justified);
      painter_->drawText(baseline, line.Text);
    } else if (!line.Glyphs.isEmpty()) {
      QGlyphRun run;
      run.setRawFont(font.Raw);
      run.setGlyphIndexes(line.Glyphs);
      run.setPositions(line.GlyphPositions);
      run.setUnderline(font.Font.underline());
      run.setStrikeOut(font.Font.strikeOut());
      painter_->drawGlyphRun(baseline, run);
    } else {
      painter_->setFont(font.Font);
      painter_->drawText(baseline, line.Text);
    }
  }
  if (clip) painter_->restore();
}

void TcxCanvasWrapper::DrawRotatedText(const TRect& rect, const TcxTextParameters& params,
                                       TColor color) {
  const TcxScreenFont& font = *params.Font;
  const TcxTextBrick& line = params.Lines.front();
  painter_->save();
  painter_->setClipRect(ToQRect(rect), Qt::IntersectClip);
  painter_->setPen(ToQColor(color));
  painter_->setFont(font.Font);
  painter_->translate(params.BoxX, params.BoxY);
  // The screen's y grows downwards: an anticlockwise turn is a negative angle.
  painter_->rotate(-params.Rotation);
  painter_->drawText(QPointF(-line.Width / 2.0, -font.Height / 2.0 + font.Ascent), line.Text);
  painter_->restore();
}
