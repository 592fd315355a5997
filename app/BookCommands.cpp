#include "app/BookCommands.h"

#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSDataStorage.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"

namespace {

// Runs `change` inside the workbook's update lock as one undo step "Format cells": every cell
// handle opens a step of its own, which the outer step gathers, so one undo reverts the command.
template <typename F>
void FormatStep(TcxCustomSpreadSheetBook& book, F&& change) {
  TcxSpreadSheetHistory& history = book.History();
  const bool opened = history.BeginComplex(kFormatCells);
  TryFinally(
      [&] {
        book.BeginUpdate();
        TryFinally(change, [&] {
          book.EndUpdate();
          book.UpdateControl();
        });
      },
      [&] {
        if (opened) history.EndComplex();
      });
}

// The file format's numbers of SUM, AVERAGE, COUNT, MAX and MIN, by tag.
constexpr std::array<int, kSummaryFunctionCount> kSummaryFunctionNumbers = {4, 5, 0, 7, 6};

}  // namespace

void ApplyFontAndAlignment(TcxCustomSpreadSheetBook& book, const TFontAndAlignment& change) {
  TcxSSBookSheet& sheet = book.ActiveSheet();
  const TRect cells = sheet.Selection();
  constexpr std::array<std::pair<uint8_t, uint8_t>, 4> kStyleBits = {{
      {fmBold, kFontBold},
      {fmItalic, kFontItalic},
      {fmUnderline, kFontUnderline},
      {fmStrikeOut, kFontStrikeOut},
  }};
  FormatStep(book, [&] {
    TcxSSCellObject cell(sheet.DataStorage(), cells.Left, cells.Top);
    for (int col = cells.Left; col <= cells.Right; ++col) {
      for (int row = cells.Top; row <= cells.Bottom; ++row) {
        cell.MoveTo(col, row);
        TcxSSCellStyle& style = cell.Style();
        TcxSSFont& font = style.Font();
        if (change.Mask & (fmFontName | fmFontSize | fmBold | fmItalic | fmUnderline | fmStrikeOut)) {
          uint8_t styles = font.Style();
          for (const auto& [mask, bit] : kStyleBits) {
            if (!(change.Mask & mask)) continue;
            styles = (change.Styles & bit) ? (styles | bit) : (styles & ~bit);
          }
          // One change of the font: name, size and style together.
          font.SetValues(change.Mask & fmFontName ? change.FontName : font.Name(),
                         change.Mask & fmFontSize ? change.FontSize : font.Size(), font.FontColor(),
                         font.Charset(), styles);
        }
        if (change.Mask & fmAlignment) style.SetHorzTextAlign(change.Alignment);
      }
    }
  });
}

std::string SummaryFunctionName(int tag) {
  TcxFuncDefinition definition;
  if (tag < 0 || tag >= kSummaryFunctionCount ||
      !FindFunctionByIndex(kSummaryFunctionNumbers[tag], definition))
    return {};
  return std::string(definition.Name);
}

void InsertSummaryFormula(TcxCustomSpreadSheetBook& book, int tag) {
  TcxSSBookSheet& sheet = book.ActiveSheet();
  const TRect cells = sheet.Selection();
  const std::string range = book.CellReferenceText(book.ActivePage(), cells, 0);
  TryFinally(
      [&] {
        TcxSSCellObject cell(sheet.DataStorage(), cells.Right, cells.Bottom + 1);
        cell.SetText("=" + SummaryFunctionName(tag) + "(" + range + ")");
      },
      [&] { book.UpdateControl(); });
}

void ApplyBorderPreset(TcxCustomSpreadSheetBook& book, int index) {
  if (index < 0 || index >= static_cast<int>(kBorderPresets.size())) return;
  const TBorderPreset& preset = kBorderPresets[index];
  TcxSSBookSheet& sheet = book.ActiveSheet();
  const TRect cells = sheet.Selection();
  FormatStep(book, [&] {
    TcxSSCellObject cell(sheet.DataStorage(), cells.Left, cells.Top);
    // The `edge` of every cell of columns left…right and rows top…bottom becomes `line`.
    const auto draw = [&](int left, int top, int right, int bottom, TcxSSEdgeIndex edge,
                          TcxSSEdgeLineStyle line) {
      if (line == lsNone) return;
      for (int col = left; col <= right; ++col) {
        for (int row = top; row <= bottom; ++row) {
          cell.MoveTo(col, row);
          cell.Style().Borders().Edges(edge).SetStyle(line);
        }
      }
    };
    const auto [L, T, R, B] = cells;
    draw(L, T, L, B, eLeft, preset.Left);
    draw(L, T, R, T, eTop, preset.Top);
    draw(R + 1, T, R + 1, B, eLeft, preset.Right);
    draw(L, B + 1, R, B + 1, eTop, preset.Bottom);
    draw(L, T + 1, R, B, eTop, preset.Inner);
    draw(L + 1, T, R, B, eLeft, preset.Inner);
  });
}
