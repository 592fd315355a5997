#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A        B    C
//  1        10   TRUE
//  (empty)  6    b
//  abc      4    B
class StatisticsFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A1", "1");
    Put("A3", "abc");
    Put("B1", "10");
    Put("B2", "6");
    Put("B3", "4");
    Put("C1", "TRUE");
    Put("C2", "b");
    Put("C3", "B");
  }
};

TEST_F(StatisticsFunctionTest, SumsPassEmptyCellsAsZeroAndSkipTextCells) {
  const FunctionCase cases[] = {
      {"=SUM(A1:A3)", rkNumber, "1"},
      {"=SUM(B1:B3)", rkNumber, "20"},
      {"=SUM(1,2,3)", rkNumber, "6"},
      {"=SUM(\"4\",1)", rkNumber, "5"},
      {"=SUM(TRUE,1)", rkNumber, "2"},
      {"=SUM(C1)", rkNumber, "1"},  // TRUE in a cell counts 1
      {"=SUM(A1:C3)", rkNumber, "22"},
      {"=SUM(\"x\")", rkError, "#VALUE!"},  // a text argument must be a number
      {"=SUMSQ(B1:B3)", rkNumber, "152"},
      {"=SUMSQ(3,4)", rkNumber, "25"},
      {"=SUM(1E308,1E308)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(StatisticsFunctionTest, MaxAndMinKeepTheFirstValueAndThenEachBetterOne) {
  const FunctionCase cases[] = {
      {"=MAX(B1:B3)", rkNumber, "10"},
      {"=MIN(B1:B3)", rkNumber, "4"},
      {"=MIN(A1:A3)", rkNumber, "0"},  // the empty A2 passes 0
      {"=MIN(-1,B1:B3)", rkNumber, "-1"},
      {"=MAX(A3)", rkNumber, "0"},     // no value at all
      {"=MAX(C1)", rkNumber, "1"},
      {"=MAX(-5,-3)", rkNumber, "-3"},
      {"=MIN(\"x\")", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(StatisticsFunctionTest, CountsLookAtTheTextOfEveryValue) {
  const FunctionCase cases[] = {
      {"=COUNT(A1:A3)", rkNumber, "1"},
      {"=COUNTA(A1:A3)", rkNumber, "2"},
      {"=COUNTBLANK(A1:A3)", rkNumber, "1"},
      {"=COUNT(B1:B3,\"7\",\"x\")", rkNumber, "4"},
      {"=COUNT(C1)", rkNumber, "0"},  // TRUE is no number
      {"=COUNT(TRUE,1)", rkNumber, "1"},
      {"=COUNTA(A1:C3)", rkNumber, "8"},
      {"=COUNTBLANK(A1:C3)", rkNumber, "1"},
      {"=COUNTA(\"\",1)", rkNumber, "1"},
  };
  Check(cases);
}

TEST_F(StatisticsFunctionTest, AveragesCountAndSumTheSameArguments) {
  const FunctionCase cases[] = {
      {"=AVERAGE(A1:A3)", rkNumber, "1"},
      {"=AVERAGE(B1:B3)", rkNumber, "6.6666667"},
      {"=AVERAGE(B1:B3,A1)", rkNumber, "5.25"},
      // TRUE in a cell is summed (1) but not counted by COUNT.
      {"=AVERAGE(A1,C1)", rkNumber, "2"},
      {"=AVERAGEA(A1,C1)", rkNumber, "1"},
      {"=AVERAGEA(A1:A3)", rkNumber, "0.5"},  // COUNTA counts abc, SUM skips it
      {"=AVERAGE(A3)", rkError, "#DIV/0!"},
      {"=AVERAGEA(A2)", rkError, "#DIV/0!"},
  };
  Check(cases);
}

TEST_F(StatisticsFunctionTest, CountIfComparesTexts) {
  const FunctionCase cases[] = {
      {"=COUNTIF(C2:C3,\"b\")", rkNumber, "2"},  // without regard to case
      {"=COUNTIF(B1:B3,\">5\")", rkNumber, "1"},  // "10" < "5" as texts
      {"=COUNTIF(B1:B3,\"<5\")", rkNumber, "2"},
      {"=COUNTIF(B1:B3,\">=6\")", rkNumber, "1"},
      {"=COUNTIF(B1:B3,\"<=10\")", rkNumber, "1"},
      {"=COUNTIF(B1:B3,6)", rkNumber, "1"},
      {"=COUNTIF(A1:A3,\"\")", rkNumber, "1"},
      {"=COUNTIF(A1:C3,\"true\")", rkNumber, "1"},
      // "<>b" is "<" followed by ">b": neither b nor B sorts before ">b".
      {"=COUNTIF(C2:C3,\"<>b\")", rkNumber, "0"},
      {"=COUNTIF(B2,\"6\")", rkNumber, "1"},
  };
  Check(cases);
}

TEST_F(StatisticsFunctionTest, SumFollowsItsArgumentsAfterAnEdit) {
  //  E
  //  1
  //  2
  //  3
  //  =SUM(E1:E3)
  Put("E1", "1");
  Put("E2", "2");
  Put("E3", "3");
  Put("E4", "=SUM(E1:E3)");
  EXPECT_EQ(Shown("E4"), "6");
  Put("E2", "5");
  EXPECT_EQ(Shown("E4"), "9");
  Put("E3", "=E1*10");
  EXPECT_EQ(Shown("E4"), "16");
}

}  // namespace
