#include "view/cxSSCellText.h"

#include <algorithm>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "sheet/cxSpreadSheetBook.h"

TcxSSCellText CellDisplayText(const TcxCustomSpreadSheetBook& book, const TcxSSCellRec& cell,
                              const TcxSSStyleRec& style) {
  TcxSSCellText result;
  result.Color = kKeepTextColor;
  double x = 0;
  switch (cell.Kind) {
    case ckFormula:
      // The formula engine gives the result, or the formula's text while formulas are shown.
      if (!cell.Formula) {
        result.Text = cell.Text;
      } else {
        result.Text = book.FormulasCache().DisplayText(*cell.Formula, result.Color, true, &result.Fill);
        TcxSSColor ignored = kKeepTextColor;
        const std::string value = book.FormulasCache().DisplayText(*cell.Formula, ignored, false);
        result.Numeric = TryTextToFloat(value, x, book.Settings());
      }
      break;
    case ckNumber:
      FormatValue(style.NumberFormat, style.Format, book.Precision(), result.Text, result.Color,
                  cell.Number, book.Settings(), &result.Fill);
      result.Numeric = true;
      break;
    default:
      if (style.Format != kFormatText && TryTextToFloat(cell.Text, x, book.Settings())) {
        FormatValue(style.NumberFormat, style.Format, book.Precision(), result.Text, result.Color,
                    x, book.Settings(), &result.Fill);
        result.Numeric = true;
      } else if (style.NumberFormat) {
        result.Text = FormatTextValue(cell.Text, style.NumberFormat, book.Settings(), result.Color,
                                      &result.Fill);
      } else {
        result.Text = cell.Text;
      }
      break;
  }
  return result;
}

TcxHorzTextAlign CellHorzAlign(const TcxCustomSpreadSheetBook& book, const TcxSSStyleRec& style,
                               const TcxSSCellText& text) {
  if (style.HorzTextAlign != haGENERAL) return style.HorzTextAlign;
  if (style.Format == kFormatText) return haLEFT;
  // A value shown through a number format ("1,234.50", "$5.00", a date) is a number even where
  // its display text no longer reads as one.
  double x = 0;
  if (text.Numeric || TryTextToFloat(text.Text, x, book.Settings())) return haRIGHT;
  if ((text.Text.size() == 4 || text.Text.size() == 5) &&
      IsBoolText(text.Text, *book.Environment().Text))
    return haCENTER;
  return haLEFT;
}

bool CellWrapsText(const TcxSSStyleRec& style) {
  return style.WordBreak || style.HorzTextAlign == haJUSTIFY ||
         style.HorzTextAlign == haDISTRIBUTED || style.VertTextAlign == vaJUSTIFY ||
         style.VertTextAlign == vaDISTRIBUTED;
}

namespace {

// The alignment the canvas draws a cell's alignment with: centred across the selection is
// centred (over the span the layout gives it), distributed is justified, and the vertical
// distributed spreads lines as justified does.
TcxHorzTextAlign DrawnHorzAlign(TcxHorzTextAlign align) {
  switch (align) {
    case haCENTERACROSS:
      return haCENTER;
    case haDISTRIBUTED:
      return haJUSTIFY;
    default:
      return align;
  }
}

// The text rectangle less the indent: each step is three spaces of the cell's font, on the left
// of left-aligned text, the right of right-aligned text and both sides of distributed text.
TRect IndentedRect(const TcxCanvasWrapper& wrapper, const TcxSSStyleRec& style,
                   TcxHorzTextAlign align, const TRect& rect) {
  if (style.Indent == 0 || !wrapper.Font()) return rect;
  const int step = wrapper.Font()->TextWidth(QStringLiteral("   "));
  const int indent = std::min<int>(style.Indent, kMaxIndent) * step;
  TRect box = rect;
  if (align == haLEFT || align == haDISTRIBUTED) box.Left += indent;
  if (align == haRIGHT || align == haDISTRIBUTED) box.Right -= indent;
  if (box.Right < box.Left) box.Right = box.Left;
  return box;
}

// Stacked text: one character a line, each centred, the block placed by the vertical alignment.
void LayoutStacked(TcxCanvasWrapper& wrapper, const std::string& text, const TRect& rect,
                   TcxTextParameters& params, TcxVertTextAlign vertAlign) {
  const QString all = QString::fromStdString(text);
  params.Clear();
  params.HorzAlign = haCENTER;
  params.VertAlign = vertAlign;
  params.WordBreak = false;
  params.Font = wrapper.Font();
  params.X = (rect.Left + rect.Right) / 2;
  const int lineHeight = wrapper.Font() ? wrapper.Font()->Height : 0;
  for (const QChar ch : all) {
    if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) continue;
    TcxTextParameters one;
    TcxTextBrick line = wrapper.SingleLine(one, QString(ch).toStdString());
    line.Y = rect.Top + static_cast<int>(params.Lines.size()) * lineHeight;
    params.Lines.push_back(std::move(line));
  }
  const int total = static_cast<int>(params.Lines.size()) * lineHeight;
  const int free = rect.Bottom - rect.Top - total;
  if (free > 0 && vertAlign != vaTOP) {
    const int shift = vertAlign == vaBOTTOM ? free : free / 2;
    for (TcxTextBrick& line : params.Lines) line.Y += shift;
  }
  params.FitsRect = false;
}

// The vertical alignment of a single line: justified is at the top, distributed in the middle.
TcxVertTextAlign SingleLineVertAlign(TcxVertTextAlign align) {
  return align == vaDISTRIBUTED ? vaCENTER : align;
}

}  // namespace

void LayoutCellText(TcxCanvasWrapper& wrapper, const TcxCustomSpreadSheetBook& book,
                    const TcxSSStyleRec& style, const TcxSSCellText& text, const TRect& rect,
                    TcxTextParameters& params, bool widen, TRect* widenedRect) {
  const TcxHorzTextAlign cellAlign = CellHorzAlign(book, style, text);
  const TcxHorzTextAlign align = DrawnHorzAlign(cellAlign);
  params.TextColor = text.Color != kKeepTextColor ? text.Color
                     : style.Font                 ? style.Font->FontColor
                                                  : kColorAuto;
  params.Rotation = 0;
  const TRect box = IndentedRect(wrapper, style, cellAlign, rect);
  if (widenedRect) *widenedRect = rect;
  // Turned text stays in its cell: stacked letters one below the other, or one line turned.
  if (style.Rotation == kRotationStacked) {
    LayoutStacked(wrapper, text.Text, box, params, style.VertTextAlign);
    return;
  }
  if (style.Rotation != 0 && style.Rotation <= 180) {
    wrapper.SingleLine(params, text.Text);
    const int degrees = style.Rotation <= 90 ? style.Rotation : 90 - style.Rotation;
    const TcxVertTextAlign vert = style.VertTextAlign == vaTOP      ? vaTOP
                                  : style.VertTextAlign == vaBOTTOM ? vaBOTTOM
                                                                    : vaCENTER;
    wrapper.PlaceRotatedLine(box, params, vert, align == haJUSTIFY ? haLEFT : align, degrees);
    return;
  }
  // A number is one line, never broken into lines of part of its digits.
  if (CellWrapsText(style) && !text.Numeric) {
    const TcxVertTextAlign vert = style.VertTextAlign == vaDISTRIBUTED ? vaJUSTIFY : style.VertTextAlign;
    wrapper.LayoutText(std::string_view(text.Text), box, params, true, vert, align);
    return;
  }
  const TcxTextBrick* line = &wrapper.SingleLine(params, text.Text);
  TRect textRect = box;
  const int room = textRect.Right - textRect.Left - 4;
  if (!text.Fill.Empty()) {
    // A number format's fill character ("*-") repeats until the text fills the cell. Widths
    // of characters do not add up exactly, so the filled text is measured until it fits.
    const int free = room - line->Width;
    const int each = wrapper.SingleLine(params, text.Fill.Char).Width;
    const size_t at = std::min(text.Fill.At, text.Text.size());
    for (int count = each > 0 ? free / each : 0;; --count) {
      std::string filled = text.Text;
      for (int k = 0; k < count; ++k) filled.insert(at, text.Fill.Char);
      line = &wrapper.SingleLine(params, filled);
      if (count <= 0 || line->Width <= room) break;
    }
  }
  if (cellAlign == haFILL && line->Width > 0 && !text.Text.empty()) {
    // Filled: the text repeats as often as it fits whole in the cell (at least once), and stays
    // in its cell.
    const int count = std::max(1, room / line->Width);
    std::string repeated;
    for (int k = 0; k < count; ++k) repeated += text.Text;
    line = &wrapper.SingleLine(params, repeated);
    wrapper.PlaceLine(textRect, params, SingleLineVertAlign(style.VertTextAlign), haLEFT);
    return;
  }
  if (text.Numeric && line->Width > room) {
    // A number that does not fit would show only some of its digits, which reads as another
    // number: it shows "#" across the cell instead, as many as fit, and never overflows.
    const int count = std::max(0, room / std::max(1, wrapper.Font()->TextWidth(QStringLiteral("#"))));
    line = &wrapper.SingleLine(params, std::string(static_cast<size_t>(count), '#'));
  }
  const int excess = line->Width - room;
  if (widen && excess > 0) {
    if (align == haRIGHT) {
      textRect.Left -= excess;
    } else if (align == haCENTER) {
      textRect.Left -= excess / 2;
      textRect.Right += excess / 2;
    } else {
      textRect.Right += excess;
    }
  }
  if (widenedRect) *widenedRect = textRect;
  wrapper.PlaceLine(textRect, params, SingleLineVertAlign(style.VertTextAlign), align);
}
