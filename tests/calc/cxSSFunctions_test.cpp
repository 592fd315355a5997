#include "calc/cxSSFunctions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "calc/cxSSFunctionTable.h"
#include "tests/calc/FunctionTestSupport.h"

namespace {

TEST(FunctionLibrary, EveryBuiltInHasItsRoutine) {
  for (const TcxExcelFuncDefinition& entry : BuiltInFunctions()) {
    EXPECT_NE(entry.Proc, nullptr) << entry.Name;
    TcxFuncDefinition byNumber;
    ASSERT_TRUE(FindFunctionByIndex(entry.Index, byNumber));
    EXPECT_EQ(byNumber.Proc, entry.Proc) << entry.Name;
  }
}

TEST_F(FunctionTest, AFailingRoutineEndsOnlyItsOwnFormula) {
  //  A            B             C
  //  =SQRT(-1)    =MID("a",9,1)  =1+1
  // Each routine that fails still hands back one result, so the sweep goes on past it and
  // no message is shown.
  Put("A1", "=SQRT(-1)");
  Put("B1", "=MID(\"a\",9,1)");
  Put("C1", "=1+1");
  book_->Recalc();
  EXPECT_EQ(Shown("A1"), "#NUM!");
  EXPECT_EQ(Shown("B1"), "#VALUE!");
  EXPECT_EQ(Shown("C1"), "2");
  EXPECT_TRUE(messages_->Messages.empty());
}

// An argument left empty is the number 0 to lists and to numbers, FALSE to conditions and the
// empty text to CONCATENATE and to texts; an IF branch left empty gives 0. The values are
// LibreOffice's, which reads empty arguments as Excel does (COUNT(1,,2) is 3).
TEST_F(FunctionTest, EmptyArgumentsReadAsExcelReadsThem) {
  //  A   B
  //  1
  //
  //  1   10
  //  3   30
  const GridCell grid[] = {{"A1", "1"}, {"A3", "1"}, {"B3", "10"}, {"A4", "3"}, {"B4", "30"}};
  PutGrid(grid);
  const ValueCase cases[] = {
      {"=SUM(1,,2)", "3"},
      {"=COUNT(1,,2)", "3"},
      {"=COUNTA(1,,2)", "3"},
      {"=AVERAGE(1,,2)", "1"},
      {"=MAX(-1,,-2)", "0"},
      {"=MIN(1,,2)", "0"},
      {"=IF(A1,,3)", "0"},
      {"=IF(0,2,)", "0"},
      {"=IF(A1,,3)+5", "5"},
      {"=ROUND(2.6,)", "3"},
      {"=LEFT(\"abc\",)", ""},
      {"=CONCATENATE(\"a\",,\"b\")", "ab"},
      {"=AND(TRUE,)", "FALSE"},
      {"=OR(FALSE,)", "FALSE"},
      {"=LOG(100,)", "#NUM!"},
      {"=MID(\"abc\",,2)", "#VALUE!"},
      {"=VLOOKUP(3,A3:B4,2,)", "30"},
      {"=VLOOKUP(2,A3:B4,2,)", "#N/A!"},
  };
  Check(cases);
}

TEST_F(FunctionTest, ADependentFormulaSeesAFailedCellAsItsErrorText) {
  //  A           B
  //  =LOG(-1)    =ISERROR(A1)
  //              =A1+1
  Put("A1", "=LOG(-1)");
  Put("B1", "=ISERROR(A1)");
  Put("B2", "=A1+1");
  EXPECT_EQ(Shown("B1"), "TRUE");
  EXPECT_EQ(Shown("B2"), "#NAME!");  // the failed cell reads as the text #VALUE!
}

}  // namespace

namespace {

TEST_F(FunctionTest, FurtherFunctionsParseAndRebuild) {
  // Each further function written with its smallest argument count (at least one) and with
  // one more: the text rebuilt from the tokens is the text typed, and the tokens name the
  // function by its number.
  for (const TcxExcelFuncDefinition& entry : FurtherFunctions()) {
    for (int extra = 0; extra < 2; ++extra) {
      const int count = std::max<int>(entry.FileArgs, entry.FileArgs == 0 ? 0 : 1) + extra;
      std::string text = "=" + std::string(entry.Name) + "(";
      for (int i = 0; i < count; ++i) text += (i ? ",A" : "A") + std::to_string(i + 1);
      text += ")";
      const size_t before = messages_->Messages.size();
      Put("J20", text);
      EXPECT_EQ(messages_->Messages.size(), before) << text;
      const TPoint p = Cell("J20");
      const TcxSSCellRec& rec = Storage().CellRef(p.X, p.Y);
      ASSERT_EQ(rec.Kind, ckFormula) << text;
      EXPECT_EQ(rec.Text, text);
      const TcxTokenString& tokens = rec.Formula->Tokens;
      ASSERT_GE(tokens.size(), 4u);
      const uint8_t* call = tokens.data() + tokens.size() - 4;
      EXPECT_EQ(call[0], ptgFuncVar) << text;
      EXPECT_EQ(call[1], count) << text;
      EXPECT_EQ(ReadUInt16(call + 2), entry.Index) << text;
    }
  }
}

TEST_F(FunctionTest, FurtherFunctionNamesIgnoreCase) {
  Put("A1", "=vlookup(1,B1:C2,2,false)+networkdays(1,2)");
  EXPECT_EQ(TcxSSCellObject(Storage(), 0, 0).GetText(), "=VLOOKUP(1,B1:C2,2,FALSE)+NETWORKDAYS(1,2)");
}

}  // namespace

namespace {

// A formula whose value is an area takes the area's cell in its own row or column, as Excel's
// implicit intersection does; an area it does not cross stays no value.
//  A   B          C          D
//  1
//  2   =A1:A3
//  3
//  5   x          y          z
//  7              =B5:D5
//  9   =A1:A3
TEST_F(FunctionTest, AnAreaAsTheValueTakesTheCellInTheFormulasRowOrColumn) {
  Put("A1", "1");
  Put("A2", "2");
  Put("A3", "3");
  Put("B5", "x");
  Put("C5", "y");
  Put("D5", "z");
  Put("B2", "=A1:A3");
  Put("C7", "=B5:D5");
  Put("B9", "=A1:A3");
  Put("E1", "=SUM(A1:A3)");
  EXPECT_EQ(Shown("B2"), "2");
  EXPECT_EQ(Shown("C7"), "y");
  EXPECT_EQ(Shown("B9"), "#VALUE!");  // row 9 crosses no cell of A1:A3
  EXPECT_EQ(Shown("E1"), "6");
}

}  // namespace
