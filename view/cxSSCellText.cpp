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

void LayoutCellText(TcxCanvasWrapper& wrapper, const TcxCustomSpreadSheetBook& book,
                    const TcxSSStyleRec& style, const TcxSSCellText& text, const TRect& rect,
                    TcxTextParameters& params, bool widen, TRect* widenedRect) {
  const TcxHorzTextAlign align = CellHorzAlign(book, style, text);
  params.TextColor = text.Color != kKeepTextColor ? text.Color
                     : style.Font                 ? style.Font->FontColor
                                                  : kColorAuto;
  // A number is one line, never broken into lines of part of its digits.
  if (style.WordBreak && !text.Numeric) {
    wrapper.LayoutText(std::string_view(text.Text), rect, params, true, style.VertTextAlign, align);
    return;
  }
  const TcxTextBrick* line = &wrapper.SingleLine(params, text.Text);
  TRect textRect = rect;
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
  wrapper.PlaceLine(textRect, params, style.VertTextAlign, align);
}
