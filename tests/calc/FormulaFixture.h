#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSUtils.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

// A workbook with fixed English settings whose formula messages are recorded, and helpers that
// address cells by their A1 names ("B3", "Sheet2!A1" is not supported: pass the sheet index).
class FormulaFixture : public ::testing::Test {
protected:
  void SetUp() override { MakeBook(TRegionalSettings::English()); }

  void MakeBook(const TRegionalSettings& settings) {
    book.reset();
    auto environment = MakeFixedEnvironment(settings);
    messages = std::make_shared<TRecordingMessageBox>();
    environment->Messages = messages;
    book = std::make_unique<TcxSpreadSheetBook>(environment);
  }

  static TPoint Cell(const std::string& name) {
    size_t i = 0;
    while (i < name.size() && name[i] >= 'A' && name[i] <= 'Z') ++i;
    return {TcxSSUtils::ColumnIndex(name.substr(0, i)), std::stoi(name.substr(i)) - 1};
  }

  TcxSSFormulasCache& Cache() { return book->FormulasCache(); }
  TcxSSDataStorage& Storage(int sheet = 0) { return book->Pages(sheet).DataStorage(); }

  // Types the text into the cell, as the cell object does.
  void Set(const std::string& cell, const std::string& text, int sheet = 0) {
    const TPoint p = Cell(cell);
    Storage(sheet).SetCellText(p.X, p.Y, text, true, false);
  }
  const TcxSSCellRec& Get(const std::string& cell, int sheet = 0) {
    const TPoint p = Cell(cell);
    return Storage(sheet).CellRef(p.X, p.Y);
  }
  TcxSSFormula& FormulaOf(const std::string& cell, int sheet = 0) {
    const TcxSSCellRec& rec = Get(cell, sheet);
    EXPECT_EQ(rec.Kind, ckFormula) << cell << " holds " << rec.Text;
    return *rec.Formula;
  }
  bool IsFormula(const std::string& cell, int sheet = 0) {
    return Get(cell, sheet).Kind == ckFormula && Get(cell, sheet).Formula;
  }
  // The cell's stored text: for a formula its rebuilt formula text.
  std::string Text(const std::string& cell, int sheet = 0) { return Get(cell, sheet).Text; }
  // What the cell shows: a formula's display text, else its text.
  std::string Show(const std::string& cell, int sheet = 0) {
    const TcxSSCellRec& rec = Get(cell, sheet);
    if (rec.Kind == ckFormula && rec.Formula) return Cache().DisplayText(*rec.Formula);
    return rec.Text;
  }
  void Recalc() { Cache().RecalcAll(); }

  std::unique_ptr<TcxSpreadSheetBook> book;
  std::shared_ptr<TRecordingMessageBox> messages;
};
