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

// Areas of millions of cells that hold a few: the functions read the stored cells and take the
// empty ones between them as empty values, exactly as if every cell had been read. J1, typed
// first, sums the whole area, so its formulas (R100 before Q50000, which it reads) are
// calculated on its demand.
//   K2 5, M1000 -3, IV60000 7, K65536 abc, L5000 TRUE, N10 2 (merged N10:O11), P1 x, P3 y,
//   Q50000 =K2*2, R100 =Q50000+1
class SparseAreaFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("J1", "=SUM(K1:IV65536)");
    Put("K2", "5");
    Put("M1000", "-3");
    Put("IV60000", "7");
    Put("K65536", "abc");
    Put("L5000", "TRUE");
    Put("N10", "2");
    Storage().MergeCells({13, 9, 14, 10}, true);
    Put("P1", "x");
    Put("P3", "y");
    Put("R100", "=Q50000+1");
    Put("Q50000", "=K2*2");
  }
};

TEST_F(SparseAreaFunctionTest, AggregatesOverAWholeSheetSeeEveryEmptyCell) {
  // K1:IV65536 is 246 columns of 65,536 rows: 16,121,856 cells, 10 of them not empty (the
  // cells N10:O11 covers read as empty, not as N10).
  const FunctionCase cases[] = {
      {"=SUM(K1:IV65536)", rkNumber, "33"},  // TRUE counts 1, texts are skipped
      {"=SUMSQ(K1:IV65536)", rkNumber, "309"},
      {"=COUNT(K1:IV65536)", rkNumber, "6"},
      {"=COUNTA(K1:IV65536)", rkNumber, "10"},
      {"=COUNTBLANK(K1:IV65536)", rkNumber, "16121846"},
      {"=COUNTIF(K1:IV65536,\"\")", rkNumber, "16121846"},
      {"=COUNTIF(K1:IV65536,\"y\")", rkNumber, "1"},
      {"=AVERAGE(K1:IV65536)", rkNumber, "5.5"},
      {"=AVERAGEA(K1:IV65536)", rkNumber, "3.3"},
      {"=MAX(K1:IV65536)", rkNumber, "11"},
      {"=MIN(K1:IV65536)", rkNumber, "-3"},
      {"=MAX(M1:M2000)", rkNumber, "0"},  // the empty cells pass 0
      {"=MIN(M1:M2000)", rkNumber, "-3"},
      {"=MIN(IV59999:IV60000)", rkNumber, "0"},
      {"=AND(K2,K2:K3)", rkBool, "FALSE"},  // K3 is empty
      {"=AND(K2:K2)", rkBool, "TRUE"},
      {"=OR(K3:IV65536)", rkBool, "TRUE"},
      {"=OR(S1:IU65536)", rkBool, "FALSE"},
      {"=CONCATENATE(P1:P70000)", rkText, "yx"},  // the cells of an area come out reversed
      {"=SUM(N10:O11)", rkNumber, "2"},
      {"=COUNTA(N1:O65536)", rkNumber, "1"},
      {"=COUNTBLANK(O11)", rkNumber, "1"},
  };
  Check(cases);
  EXPECT_EQ(Shown("J1"), "33");
}

// The same sums after edits: a value written far down, a formula in the area changed, a cell
// cleared again.
TEST_F(SparseAreaFunctionTest, SumsFollowEditsAnywhereInTheArea) {
  Put("K65535", "100");
  EXPECT_EQ(Shown("J1"), "133");
  Put("Q50000", "=K2*4");  // 20, and R100 21
  EXPECT_EQ(Shown("J1"), "153");
  Put("K65535", "");
  EXPECT_EQ(Shown("J1"), "53");
}

}  // namespace
