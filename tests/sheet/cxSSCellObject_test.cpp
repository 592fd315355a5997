#include "sheet/cxSSCellObject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"

namespace {

// One workbook per locale; cells are typed into as a user would.
class CellObjectTest : public ::testing::Test {
protected:
  explicit CellObjectTest(const TRegionalSettings& settings = TRegionalSettings::English())
      : book_(MakeFixedEnvironment(settings)) {}

  TcxSSDataStorage& Storage() { return book_.Pages(0).DataStorage(); }
  std::unique_ptr<TcxSSCellObject> Cell(int col, int row) {
    return std::make_unique<TcxSSCellObject>(Storage(), col, row);
  }
  // Types the text into A1 under the given number format; returns the stored record.
  const TcxSSCellRec& TypeInto(TxlsDataFormat format, const std::string& text) {
    auto cell = Cell(0, 0);
    cell->Style().SetStoredFormat(format);
    cell->SetText(text);
    return Storage().CellRef(0, 0);
  }

  TcxSpreadSheetBook book_;
};

class SerbianCellObjectTest : public CellObjectTest {
protected:
  SerbianCellObjectTest() : CellObjectTest(TRegionalSettings::Serbian()) {}
};

struct TypedCase {
  TxlsDataFormat format;
  const char* typed;
  TcxSSCellKind kind;
  const char* stored;    // the cell's text afterwards
  TxlsDataFormat after;  // the cell's format afterwards
};

void CheckTyped(CellObjectTest& test, const TypedCase& c,
                const std::function<const TcxSSCellRec&(TxlsDataFormat, const std::string&)>& type) {
  const TcxSSCellRec& cell = type(c.format, c.typed);
  EXPECT_EQ(cell.Kind, c.kind) << c.typed;
  EXPECT_EQ(cell.Text, c.stored) << c.typed;
  EXPECT_EQ(cell.Style->Format, c.after) << c.typed;
  (void)test;
}

TEST_F(CellObjectTest, TypedTextBecomesDatesTimesMoneyOrText) {
  const TypedCase cases[] = {
      {0, "1/15/2024", ckNumber, "45306", 14},        // a date in the short date form
      {0, "13:30", ckNumber, "0.5625", 21},           // a time of day
      {0, "1/15/2024 6:00", ckNumber, "45306.25", 22},
      {0, "123", ckText, "123", 0},                   // a plain number stays as typed
      {0, "1,234.50", ckText, "1234.5", 8},           // money with a thousands separator
      {0, "$5", ckText, "5", 8},
      {5, "$1,000", ckText, "1000", 5},               // a currency cell keeps its format
      {2, "$5", ckText, "$5", 2},                     // a number format takes the text as it is
      {14, "2/1/2024", ckNumber, "45323", 14},        // a date cell keeps its date format
      {49, "1/15/2024", ckText, "1/15/2024", 49},     // a text cell takes everything as text
      {0, "hello", ckText, "hello", 0},
      {9, "50%", ckText, "0.5", 9},                   // a percentage
      {10, "abc%", ckText, "abc%", 10},
  };
  for (const auto& c : cases)
    CheckTyped(*this, c, [this](TxlsDataFormat f, const std::string& t) -> const TcxSSCellRec& {
      return TypeInto(f, t);
    });
}

TEST_F(SerbianCellObjectTest, TypedTextFollowsTheSerbianSettings) {
  const TypedCase cases[] = {
      {0, "15.1.2024", ckNumber, "45306", 14},
      {0, "1.234,50", ckText, "1234,5", 8},
      {0, "1.000 din.", ckText, "1000", 8},
      {0, "12,5", ckText, "12,5", 0},
      {9, "12,5%", ckText, "0,125", 9},
  };
  for (const auto& c : cases)
    CheckTyped(*this, c, [this](TxlsDataFormat f, const std::string& t) -> const TcxSSCellRec& {
      return TypeInto(f, t);
    });
}

TEST_F(CellObjectTest, TextThatCannotBeAFormulaStaysText) {
  for (const char* typed : {"=", "  =  ", "=#REF!+1", "=A1&\"#\""}) {
    const TcxSSCellRec& cell = TypeInto(0, typed);
    EXPECT_EQ(cell.Kind, ckText) << typed;
    EXPECT_EQ(cell.Text, typed);
  }
  const TcxSSCellRec& text = TypeInto(49, "=A1+1");
  EXPECT_EQ(text.Kind, ckText);
}

TEST_F(CellObjectTest, EditTextShowsPercentagesAndDatesAsTyped) {
  TypeInto(9, "50%");
  EXPECT_EQ(Cell(0, 0)->GetText(), "50%");
  TypeInto(0, "1/15/2024 6:00");
  EXPECT_EQ(Cell(0, 0)->GetText(), "1/15/2024 6:00 AM");
}

TEST_F(CellObjectTest, DisplayTextFormatsNumbersAndBooleans) {
  const struct {
    TxlsDataFormat format;
    const char* typed;
    const char* shown;
  } cases[] = {
      {0, "0.333333333333", "0.33333333"},
      {4, "1234.5", "1,234.50"},
      {0, "TRUE", "1"},       // a boolean counts as 1 under a number format
      {49, "1234.5", "1234.5"},
      {0, "text", "text"},
      {14, "45306", "1/15/2024"},
      {10, "0.125", "12.50%"},
  };
  for (const auto& c : cases) {
    TypeInto(c.format, c.typed);
    EXPECT_EQ(Cell(0, 0)->DisplayText(), c.shown) << c.typed;
  }
}

TEST_F(CellObjectTest, GeneralAlignmentFollowsTheValue) {
  const struct {
    const char* typed;
    TxlsDataFormat format;
    int index;
  } cases[] = {
      {"12.5", 0, 2}, {"true", 0, 1}, {"words", 0, 0}, {"12.5", 31, 0},
  };
  for (const auto& c : cases) {
    TypeInto(c.format, c.typed);
    EXPECT_EQ(Cell(0, 0)->HorzAlignIndex(), c.index) << c.typed;
  }
  auto cell = Cell(0, 0);
  cell->Style().SetHorzTextAlign(haRIGHT);
  EXPECT_EQ(cell->HorzAlignIndex(), 2);
  cell->Style().SetHorzTextAlign(haJUSTIFY);
  EXPECT_EQ(cell->HorzAlignIndex(), 4);
}

TEST_F(CellObjectTest, RawTextIsStoredWithoutInterpretation) {
  auto cell = Cell(2, 2);
  cell->SetRawText("1/15/2024", false);
  EXPECT_EQ(Storage().CellRef(2, 2).Kind, ckText);
  EXPECT_EQ(Storage().CellRef(2, 2).Style->Format, 0);
  cell->SetRawText("1/15/2024", true);
  EXPECT_EQ(Storage().CellRef(2, 2).Kind, ckNumber);
}

TEST_F(CellObjectTest, HandlesForTheSameCellSeeEachOthersWrites) {
  auto first = Cell(1, 1);
  auto second = Cell(1, 1);
  EXPECT_FALSE(first->HasStyle());
  first->SetText("shared");
  EXPECT_EQ(second->GetText(), "shared");
  second->Style().SetWordBreak(true);
  EXPECT_TRUE(Cell(1, 1)->HasStyle());
  EXPECT_EQ(first->ValueText(), "shared");
}

// A handle moved to another cell is a new handle there: its writes and style go to that cell,
// and the changes made before the move are their own undo step.
TEST_F(CellObjectTest, MovedHandleWritesItsNewCellInItsOwnStep) {
  book_.History().Clear();
  auto cell = Cell(0, 0);
  cell->Style().SetStoredFormat(10);
  cell->SetNumber(0.01);
  cell->MoveTo(1, 2);
  cell->SetNumber(2);
  cell->Style().SetStoredFormat(4);
  cell.reset();
  EXPECT_EQ(Storage().CellRef(0, 0).Number, 0.01);
  EXPECT_EQ(Storage().CellRef(0, 0).Style->Format, 10);
  EXPECT_EQ(Storage().CellRef(1, 2).Number, 2);
  EXPECT_EQ(Storage().CellRef(1, 2).Style->Format, 4);
  EXPECT_EQ(book_.History().UndoDescriptions().size(), 2u);
  book_.History().Undo(1);
  EXPECT_NE(Storage().CellRef(1, 2).Kind, ckNumber);
  EXPECT_EQ(Storage().CellRef(1, 2).Text, "");
  EXPECT_EQ(Storage().CellRef(0, 0).Number, 0.01);
}

TEST_F(CellObjectTest, AssignCopiesTextAndStyle) {
  auto source = Cell(0, 0);
  source->Style().SetStoredFormat(4);
  source->Style().Brush().SetBackgroundColor(5);
  source->SetText("1234.5");
  auto target = Cell(3, 3);
  target->Assign(*source);
  EXPECT_EQ(target->DisplayText(), "1,234.50");
  EXPECT_EQ(Storage().CellRef(3, 3).Style, Storage().CellRef(0, 0).Style);  // one shared record
}

TEST_F(CellObjectTest, WrappedTextGrowsItsRowOnce) {
  // The fixed metric: an 8-point font is 11 pixels high (+3 leading); "Wg" + 2 gives 16 a line.
  auto cell = Cell(0, 2);
  cell->Style().SetWordBreak(true);
  cell->SetText("one two three four five six seven eight nine ten");
  const int height = book_.Pages(0).RowHeader().VisibleSize(2);
  EXPECT_GT(height, 20);
  EXPECT_EQ(height % 16, 0);
  cell->SetText("short");
  EXPECT_EQ(book_.Pages(0).RowHeader().VisibleSize(2), 20);  // automatic rows shrink back
}

}  // namespace

namespace {

TEST_F(CellObjectTest, FormulaEditTextFollowsTheReferenceStyle) {
  auto cell = Cell(1, 1);  // B2
  cell->SetText("=a1+$C$3");
  EXPECT_EQ(Storage().CellRef(1, 1).Kind, ckFormula);
  EXPECT_EQ(cell->GetText(), "=A1+$C$3");
  book_.SetR1C1ReferenceStyle(true);
  EXPECT_EQ(cell->GetText(), "=R[-1]C[-1]+R3C3");
}

}  // namespace

namespace {

// The typical edit: numbers typed into A1:A3, a sum into B4, then A2 changed.
//  A   B
//  1
//  2
//  3
//      =SUM(A1:A3)
TEST_F(CellObjectTest, ASumFollowsItsCellsThroughAutomaticRecalculation) {
  int calculations = 0;
  book_.OnAfterCalculation = [&](TcxCustomSpreadSheetBook&) { ++calculations; };
  Cell(0, 0)->SetText("1");
  Cell(0, 1)->SetText("2");
  Cell(0, 2)->SetText("3");
  Cell(1, 3)->SetText("=SUM(A1:A3)");
  EXPECT_EQ(Cell(1, 3)->DisplayText(), "6");
  EXPECT_EQ(Cell(1, 3)->GetText(), "=SUM(A1:A3)");
  const int before = calculations;
  Cell(0, 1)->SetText("5");
  EXPECT_EQ(Cell(1, 3)->DisplayText(), "9");
  EXPECT_GT(calculations, before);
  // With automatic recalculation off the sum waits for Recalc.
  book_.SetAutoRecalc(false);
  Cell(0, 0)->SetText("10");
  EXPECT_EQ(Cell(1, 3)->DisplayText(), "9");
  book_.Recalc();
  EXPECT_EQ(Cell(1, 3)->DisplayText(), "18");
}

}  // namespace
