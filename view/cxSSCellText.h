#pragma once

#include <string>

#include "calc/cxSSNumberFormat.h"
#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"
#include "view/cxCanvasWrapper.h"

class TcxCustomSpreadSheetBook;
struct TcxSSCellRec;

// What a cell shows and how its text is laid out, as the sheet view draws it: the one place
// that turns a cell's value and style into the text on the screen, used by the view's layout and
// by printing, so that a printed cell reads as it reads on the screen.

// A cell's display text: its value under its number format (or the formula engine's text of a
// formula's result), the format's colour (kKeepTextColor when it names none), whether the value
// is a number, and where the format's fill character repeats.
struct TcxSSCellText {
  std::string Text;
  TcxSSColor Color = kKeepTextColor;
  bool Numeric = false;
  TcxTextFill Fill;
};

TcxSSCellText CellDisplayText(const TcxCustomSpreadSheetBook& book, const TcxSSCellRec& cell,
                              const TcxSSStyleRec& style);

// The alignment a cell's text is drawn with: the style's own, or for the general alignment
// numbers right, truth values centred, the rest left.
TcxHorzTextAlign CellHorzAlign(const TcxCustomSpreadSheetBook& book, const TcxSSStyleRec& style,
                               const TcxSSCellText& text);

// Whether a cell's text is broken into lines: its word wrap, or an alignment that spreads text
// over the cell (justified or distributed, either way), which wraps as other spreadsheets do.
bool CellWrapsText(const TcxSSStyleRec& style);

// Lays a cell's text out in `rect` (a cell's CellTextRect) in the wrapper's current font, the
// style's colour, alignments and word wrap: a format's fill character repeated to the cell's
// width, a number too wide for the cell shown as "#" across it (never wrapped or overflowing).
// With `widen`, `widenedRect` receives the rectangle a single line needs beyond the cell
// (to the right, the left or both sides, by its alignment). Centred across the selection is
// centred in `rect` (the caller passes the span it covers); filled text repeats its text across
// the cell; an indent narrows the text's side of the cell; rotated and stacked text stays in the
// cell.
void LayoutCellText(TcxCanvasWrapper& wrapper, const TcxCustomSpreadSheetBook& book,
                    const TcxSSStyleRec& style, const TcxSSCellText& text, const TRect& rect,
                    TcxTextParameters& params, bool widen, TRect* widenedRect);
