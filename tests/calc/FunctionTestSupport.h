#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"

// One case of a function table: a formula typed into a cell, the kind of its result and the
// text the cell shows under the General format (8 significant digits).
struct FunctionCase {
  const char* Formula;
  TcxResultKind Kind;
  const char* Shown;
};

// One case of a table whose values come from other spreadsheet programs (LibreOffice and
// Gnumeric, which agree on them; tests/scripts/function_oracle.py checks a table against them):
// a formula typed into a cell and its value, a number written with all its digits, or the text,
// TRUE/FALSE or error text the result shows.
struct ValueCase {
  const char* Formula;
  const char* Value;
};

// Whether a result is the expected value: a number within 1e-9 of it, relative to its size
// (absolute below 1), else the same text, truth value or error. `shown` receives the result as
// text.
inline bool IsExpectedValue(const TcxResultValue& result, const std::string& expected,
                            std::string& shown) {
  switch (result.Kind) {
    case rkNumber: {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.17g", result.Number);
      shown = buffer;
      char* end = nullptr;
      const double x = std::strtod(expected.c_str(), &end);
      return !expected.empty() && *end == '\0' &&
             std::fabs(result.Number - x) <= 1e-9 * std::max(1.0, std::fabs(x));
    }
    case rkText: shown = result.Text; break;
    case rkBool: shown = result.Bool ? "TRUE" : "FALSE"; break;
    case rkError: shown = std::string(ErrorToText(result.Error)); break;
    case rkNone: shown = "(no result)"; break;
  }
  return shown == expected;
}

// A workbook with fixed regional settings whose cells are typed into through cell objects, as a
// user types; each case's formula goes into the result cell J20, clear of the data the tests
// lay out in A1:F10, and is recalculated as entering text recalculates.
class FunctionTest : public ::testing::Test {
protected:
  explicit FunctionTest(const TRegionalSettings& settings = TRegionalSettings::English(),
                        double now = 45306.5 /* 2024-01-15 12:00, a Monday */) {
    auto environment = MakeFixedEnvironment(settings, now);
    messages_ = std::make_shared<TRecordingMessageBox>();
    environment->Messages = messages_;
    book_ = std::make_unique<TcxSpreadSheetBook>(environment);
  }

  static TPoint Cell(const std::string& name) {
    size_t i = 0;
    while (i < name.size() && name[i] >= 'A' && name[i] <= 'Z') ++i;
    return {TcxSSUtils::ColumnIndex(name.substr(0, i)), std::stoi(name.substr(i)) - 1};
  }

  TcxSSDataStorage& Storage(int sheet = 0) { return book_->Pages(sheet).DataStorage(); }

  void Put(const std::string& cell, const std::string& text, int sheet = 0) {
    const TPoint p = Cell(cell);
    TcxSSCellObject object(Storage(sheet), p.X, p.Y);
    object.SetText(text);
  }

  // What the cell shows: a formula's formatted result, else its text.
  std::string Shown(const std::string& cell, int sheet = 0) {
    const TPoint p = Cell(cell);
    return TcxSSCellObject(Storage(sheet), p.X, p.Y).ValueText();
  }

  // The cached result of the formula in the cell (kind rkNone for a cell without a formula).
  TcxResultValue Result(const std::string& cell, int sheet = 0) {
    const TPoint p = Cell(cell);
    const TcxSSCellRec& rec = Storage(sheet).CellRef(p.X, p.Y);
    if (rec.Kind != ckFormula || !rec.Formula) return {};
    return book_->FormulasCache().ResultValue(*rec.Formula);
  }

  // Enters the formula into the result cell as the file reader enters formulas (typed text with
  // a "#" in it would stay text); returns its result.
  TcxResultValue Evaluate(const std::string& formula) {
    const TPoint p = Cell("J20");
    TcxSSCellObject(Storage(), p.X, p.Y).SetTextEx(formula, true, true);
    return Result("J20");
  }

  void Check(std::span<const FunctionCase> cases) {
    for (const FunctionCase& c : cases) {
      const TcxResultValue result = Evaluate(c.Formula);
      EXPECT_EQ(result.Kind, c.Kind) << c.Formula << " shows " << Shown("J20");
      EXPECT_EQ(Shown("J20"), c.Shown) << c.Formula;
    }
    EXPECT_TRUE(messages_->Messages.empty())
        << (messages_->Messages.empty() ? "" : messages_->Messages.front());
  }

  // Each case's value within 1e-9 (IsExpectedValue).
  void Check(std::span<const ValueCase> cases) {
    for (const ValueCase& c : cases) {
      std::string shown;
      EXPECT_TRUE(IsExpectedValue(Evaluate(c.Formula), c.Value, shown))
          << c.Formula << " gives " << shown << ", expected " << c.Value;
    }
    EXPECT_TRUE(messages_->Messages.empty())
        << (messages_->Messages.empty() ? "" : messages_->Messages.front());
  }

  // Types the cells of a grid: {"A1", "10"}, {"B1", "apple"}, ...; a text after an apostrophe
  // is stored as it is ({"A2", "'=x"} holds the text =x), as a user types it.
  struct GridCell {
    const char* Cell;
    const char* Text;
  };
  void PutGrid(std::span<const GridCell> cells) {
    for (const GridCell& c : cells) {
      if (c.Text[0] != '\'') {
        Put(c.Cell, c.Text);
        continue;
      }
      const TPoint p = Cell(c.Cell);
      Storage().SetCellText(p.X, p.Y, c.Text + 1, false, false);
    }
  }

  std::shared_ptr<TRecordingMessageBox> messages_;
  std::unique_ptr<TcxSpreadSheetBook> book_;
};

class SerbianFunctionTest : public FunctionTest {
protected:
  SerbianFunctionTest() : FunctionTest(TRegionalSettings::Serbian()) {}
};
