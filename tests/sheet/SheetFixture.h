#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSUtils.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "calc/cxSSNumberFormat.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

// A1 names for cells and ranges: "B2" and "B2:D5".
inline TRect Range(const std::string& text) {
  auto cell = [](const std::string& name) {
    size_t i = 0;
    while (i < name.size() && name[i] >= 'A' && name[i] <= 'Z') ++i;
    return TPoint{TcxSSUtils::ColumnIndex(name.substr(0, i)), std::stoi(name.substr(i)) - 1};
  };
  const auto colon = text.find(':');
  const TPoint a = cell(text.substr(0, colon));
  const TPoint b = colon == std::string::npos ? a : cell(text.substr(colon + 1));
  return {a.X, a.Y, b.X, b.Y};
}

// Everything undo must put back, as text: every cell that is not the default empty cell (value,
// kind, formula text, style and font values), the merged areas, the header items that differ
// from the default, the defined names, for every sheet. Two snapshots are equal exactly when
// the workbooks look and behave the same.
inline std::string Snapshot(const TcxCustomSpreadSheetBook& book) {
  std::ostringstream out;
  for (int page = 0; page < book.PageCount(); ++page) {
    const TcxSSBookSheet& sheet = book.Pages(page);
    const TcxSSDataStorage& storage = sheet.DataStorage();
    out << "sheet " << sheet.Caption() << "\n";
    for (int col = 0; col < storage.ColCount(); ++col)
      for (int row = 0; row < storage.ColumnRowCount(col); ++row) {
        const TcxSSCellRec& cell = storage.OwnCell(col, row);
        if (cell.SameAs(storage.DefaultCell())) continue;
        const TcxSSStyleRec& s = *cell.Style;
        const TcxSSFontRec& f = *s.Font;
        out << TcxSSUtils::ColumnName(col) << row + 1 << " kind " << int(cell.Kind) << " '"
            << cell.Text << "' " << cell.Number << " fmt " << s.Format << " code "
            << (s.NumberFormat ? s.NumberFormat->Code() : "-") << " align "
            << int(s.HorzTextAlign) << "/" << int(s.VertTextAlign) << " wrap " << s.WordBreak
            << " turn " << int(s.Rotation) << "/" << int(s.Indent) << "/" << int(s.TextDirection)
            << "/" << s.JustifyLastLine << " res " << int(s.Reserved) << " flags " << int(s.Flags) << " brush "
            << int(s.BrushStyle) << "/" << s.ForegroundColor << "/" << s.BackgroundColor
            << " edges";
        for (const auto& e : s.Edges) out << " " << int(e.Style) << "/" << e.Color;
        out << " font " << f.Name << "/" << f.Height << "/" << int(f.Style) << "/"
            << f.FontColor << "/" << int(f.Charset);
        if (cell.Kind == ckFormula && cell.Formula)
          out << " at " << cell.Formula->Col << "," << cell.Formula->Row;
        out << "\n";
      }
    auto merged = storage.MergedCells().GetAll();
    std::sort(merged.begin(), merged.end(), [](const TRect& a, const TRect& b) {
      return std::tie(a.Left, a.Top, a.Right, a.Bottom) < std::tie(b.Left, b.Top, b.Right, b.Bottom);
    });
    for (const TRect& r : merged)
      out << "merged " << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << "\n";
    for (int kind = 0; kind < 2; ++kind) {
      const TcxSSHeader& header = storage.Headers(kind);
      for (int i = 0; i < header.Count(); ++i)
        if (!(header.GetItem(i) == header.DefaultItem()))
          out << (kind ? "row " : "col ") << i << " size " << header.GetItem(i).Size << " flags "
              << int(header.GetItem(i).Flags) << "\n";
    }
  }
  for (const auto& name : book.FormulasCache().Names())
    out << "name " << name.Name << " " << int(name.Sheet) << " " << name.Area.Left << ","
        << name.Area.Top << "," << name.Area.Right << "," << name.Area.Bottom << " "
        << name.Deleted << "\n";
  return out.str();
}

// A workbook with fixed English settings and helpers that address cells by their A1 names.
class SheetFixture : public ::testing::Test {
protected:
  SheetFixture() : environment(MakeFixedEnvironment(TRegionalSettings::English())) {
    book = std::make_unique<TcxSpreadSheetBook>(environment);
  }

  TcxSSBookSheet& Sheet(int page = 0) { return book->Pages(page); }
  TcxSSDataStorage& Storage(int page = 0) { return Sheet(page).DataStorage(); }
  TcxSpreadSheetHistory& History() { return book->History(); }
  TMemoryClipboard& Clipboard() { return static_cast<TMemoryClipboard&>(*environment->Clipboard); }

  // Types texts into cells as a user would, one cell object each.
  void Type(const std::string& cell, const std::string& text, int page = 0) {
    const TRect r = Range(cell);
    TcxSSCellObject object(Storage(page), r.Left, r.Top);
    object.SetText(text);
  }
  // Fills a block from its top-left cell: rows separated by '\n', cells by '|' ("" stays empty).
  void Fill(const std::string& topLeft, const std::string& grid, int page = 0) {
    const TRect r = Range(topLeft);
    std::istringstream lines(grid);
    std::string line;
    for (int row = r.Top; std::getline(lines, line); ++row) {
      std::istringstream cells(line);
      std::string text;
      for (int col = r.Left; std::getline(cells, text, '|'); ++col)
        if (!text.empty()) Storage(page).SetCellText(col, row, text, true, false);
    }
  }
  // The edit texts of a block in the same form.
  std::string Grid(const std::string& range, int page = 0) {
    const TRect r = Range(range);
    std::string out;
    for (int row = r.Top; row <= r.Bottom; ++row) {
      if (row > r.Top) out += '\n';
      for (int col = r.Left; col <= r.Right; ++col) {
        if (col > r.Left) out += '|';
        out += Storage(page).GetEditText(col, row);
      }
    }
    return out;
  }
  // What a cell shows: a formula's calculated display text, else its text.
  std::string Show(const std::string& cell, int page = 0) {
    const TRect r = Range(cell);
    const TcxSSCellRec& rec = Storage(page).CellRef(r.Left, r.Top);
    if (rec.Kind == ckFormula && rec.Formula) return book->FormulasCache().DisplayText(*rec.Formula);
    return rec.Text;
  }
  const TcxSSCellRec& Cell(const std::string& cell, int page = 0) {
    const TRect r = Range(cell);
    return Storage(page).OwnCell(r.Left, r.Top);
  }
  std::unique_ptr<TcxSSCellStyle> StyleOf(const std::string& cell, int page = 0) {
    const TRect r = Range(cell);
    return Storage(page).GetCellStyleObject(r.Left, r.Top);
  }
  void ForgetHistory() { History().Clear(); }
  std::vector<std::string> Steps() { return History().UndoDescriptions(); }

  // Undo then redo of the newest step: undo gives back `before`, redo the state after the step,
  // each exactly, and the storages stay consistent.
  void ExpectUndoRedo(const std::string& before) {
    const std::string after = Snapshot(*book);
    ASSERT_NE(before, after) << "the step changed nothing";
    History().Undo(1);
    EXPECT_EQ(Snapshot(*book), before) << "after undo";
    for (int i = 0; i < book->PageCount(); ++i) EXPECT_TRUE(Storage(i).CheckConsistency());
    History().Redo(1);
    EXPECT_EQ(Snapshot(*book), after) << "after redo";
    for (int i = 0; i < book->PageCount(); ++i) EXPECT_TRUE(Storage(i).CheckConsistency());
    History().Undo(1);
    EXPECT_EQ(Snapshot(*book), before) << "after a second undo";
    History().Redo(1);
    EXPECT_EQ(Snapshot(*book), after) << "after a second redo";
  }

  std::shared_ptr<TcxEnvironment> environment;
  std::unique_ptr<TcxSpreadSheetBook> book;
};
