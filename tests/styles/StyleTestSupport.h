#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

// Measures like the fixed metric and remembers every font it was asked about.
class TRecordingMeasurer : public ITextMeasurer {
 public:
  TSize TextExtent(const TcxFontDesc& font, std::string_view text) const override {
    Fonts.push_back(font);
    return fixed_.TextExtent(font, text);
  }
  mutable std::vector<TcxFontDesc> Fonts;

 private:
  TFixedTextMeasurer fixed_{96};
};

// Every record but record 0 is held exactly once by each stored cell that uses it (no style
// object may be alive when this is called), and every cell uses a record of the cache.
inline void ExpectCountsMatchCells(const TcxCustomSpreadSheetBook& book) {
  const TcxSSStyleCache& cache = book.StyleCache();
  std::map<const TcxSSStyleRec*, int> holders;
  for (int page = 0; page < book.PageCount(); ++page)
    book.Pages(page).DataStorage().ForEachCell(
        [&](int, int, const TcxSSCellRec& cell) { ++holders[cell.Style]; });
  for (int i = 1; i < cache.StyleCount(); ++i) {
    const TcxSSStyleRec* rec = cache.GetStyle(i);
    EXPECT_EQ(rec->RefCount, holders[rec]) << "record " << i;
    holders.erase(rec);
  }
  holders.erase(cache.DefaultRecord());
  EXPECT_TRUE(holders.empty()) << "cells point at records the cache does not hold";
}

// A workbook with one sheet, its style cache and the sheet's cell storage.
class StyleFixture : public ::testing::Test {
 protected:
  StyleFixture() : environment_(MakeEnvironment()), book_(environment_) {}

  void TearDown() override {
    EXPECT_TRUE(Cache().CheckConsistency());
    ExpectCountsMatchCells();
  }

  static std::shared_ptr<TcxEnvironment> MakeEnvironment() {
    auto environment = MakeFixedEnvironment(TRegionalSettings::English());
    environment->Measurer = std::make_shared<TRecordingMeasurer>();
    return environment;
  }

  TcxSpreadSheetBook& Book() { return book_; }
  TcxSSStyleCache& Cache() { return book_.StyleCache(); }
  TcxSSDataStorage& Storage() { return book_.Pages(0).DataStorage(); }
  TcxSSStyleRec* Rec0() { return Cache().DefaultRecord(); }
  TRecordingMeasurer& Measurer() {
    return static_cast<TRecordingMeasurer&>(*environment_->Measurer);
  }
  TSize ExtentOf(const TcxSSFontRec& font) {
    return TFixedTextMeasurer(96).TextExtent(ScreenFontDesc(font), "Wg");
  }

  std::unique_ptr<TcxSSCellStyle> StyleOf(int col, int row) {
    return std::make_unique<TcxSSCellStyle>(Cache(), &Storage(), col, row);
  }
  // The record the cell reads.
  TcxSSStyleRec* CellRec(int col, int row) { return Storage().CellRef(col, row).Style; }

  void ExpectCountsMatchCells() { ::ExpectCountsMatchCells(book_); }

  std::shared_ptr<TcxEnvironment> environment_;
  TcxSpreadSheetBook book_;
};
