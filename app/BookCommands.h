#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "styles/cxSSStyleTypes.h"

class TcxCustomSpreadSheetBook;

// The workbook side of the main window's formatting and summary commands: what they do to the
// active sheet's selection of a workbook. The window only gathers the arguments (the buttons'
// states, the font boxes' texts, the chosen preset) and shows what these raise.

// Which parts of the cells' looks ApplyFontAndAlignment changes.
enum TFontAndAlignmentMask : uint8_t {
  fmAlignment = 0x01,
  fmFontName = 0x02,
  fmFontSize = 0x04,
  fmBold = 0x08,
  fmItalic = 0x10,
  fmUnderline = 0x20,
  fmStrikeOut = 0x40,
};

struct TFontAndAlignment {
  uint8_t Mask = 0;
  TcxHorzTextAlign Alignment = haGENERAL;
  // Font style bits (kFontBold …): a style the mask names is set when its bit is here and
  // cleared when not.
  uint8_t Styles = 0;
  std::string FontName;
  int FontSize = 0;
};

// Sets the masked parts on every cell of the selection, column by column; every other part of
// each cell's style stays as it was. One undo step "Format cells".
void ApplyFontAndAlignment(TcxCustomSpreadSheetBook& book, const TFontAndAlignment& change);

// The summary functions by the commands' tags: SUM, AVERAGE, COUNT, MAX, MIN.
inline constexpr int kSummaryFunctionCount = 5;
// The function's name as the function library registers it.
std::string SummaryFunctionName(int tag);
// Writes "=" + the function + "(" + the selection's reference + ")" into the cell one row below
// the selection's bottom-right cell.
void InsertSummaryFormula(TcxCustomSpreadSheetBook& book, int tag);

// A border preset: the line for the selection's outer left, top, right and bottom edges and for
// the lines inside it. lsNone leaves that edge as it is; lsDefault removes the line.
struct TBorderPreset {
  TcxSSEdgeLineStyle Left, Top, Right, Bottom, Inner;
};

// By the picture index of the borders drop-down.
inline constexpr std::array<TBorderPreset, 12> kBorderPresets = {{
    {lsDefault, lsDefault, lsDefault, lsDefault, lsDefault},
    {lsNone, lsNone, lsNone, lsDouble, lsDefault},
    {lsNone, lsThin, lsNone, lsThick, lsDefault},
    {lsNone, lsNone, lsNone, lsThin, lsDefault},
    {lsNone, lsNone, lsNone, lsThick, lsDefault},
    {lsThin, lsThin, lsThin, lsThin, lsThin},
    {lsThin, lsNone, lsNone, lsNone, lsDefault},
    {lsNone, lsThin, lsNone, lsThin, lsDefault},
    {lsThin, lsThin, lsThin, lsThin, lsDefault},
    {lsNone, lsNone, lsThin, lsNone, lsDefault},
    {lsNone, lsThin, lsNone, lsDouble, lsDefault},
    {lsThick, lsThick, lsThick, lsThick, lsDefault},
}};

// Draws preset `index` on the selection. Every line is kept as the left or top edge of a cell:
// the selection's right and bottom lines go to the cells beyond it. One undo step
// "Format cells".
void ApplyBorderPreset(TcxCustomSpreadSheetBook& book, int index);
