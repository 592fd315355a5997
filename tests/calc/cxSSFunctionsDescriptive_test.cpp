#include <gtest/gtest.h>

#include <cmath>

#include "sheet/cxSSHeader.h"
#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A  B     C  D  E
//  2  TRUE  1  2  4
//  4  x     2  4  6
//  4        3  5
//  4        4  4
//  5        5  5
//  5
//  7
//  9
class DescriptiveFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "2"}, {"A2", "4"}, {"A3", "4"}, {"A4", "4"}, {"A5", "5"}, {"A6", "5"},
        {"A7", "7"}, {"A8", "9"}, {"B1", "TRUE"}, {"B2", "x"},
        {"C1", "1"}, {"C2", "2"}, {"C3", "3"}, {"C4", "4"}, {"C5", "5"},
        {"D1", "2"}, {"D2", "4"}, {"D3", "5"}, {"D4", "4"}, {"D5", "5"},
        {"E1", "4"}, {"E2", "6"},
    };
    PutGrid(kGrid);
  }
};

TEST_F(DescriptiveFunctionTest, SpreadCountsNumbersOfReferencesOnly) {
  const FunctionCase cases[] = {
      {"=STDEV(A1:A8)", rkNumber, "2.1380899"},
      {"=STDEVP(A1:A8)", rkNumber, "2"},
      {"=VAR(A1:A8)", rkNumber, "4.5714286"},
      {"=VARP(A1:A8)", rkNumber, "4"},
      {"=STDEV(A1:A8,B1:B3)", rkNumber, "2.1380899"},  // TRUE, text, empty left out
      // The A variants count TRUE as 1 and text as 0.
      {"=STDEVA(A1:A8,B1:B3)", rkNumber, "2.6853512"},
      {"=STDEVPA(A1:A8,B1:B3)", rkNumber, "2.5475478"},
      {"=VARA(A1:A8,B1:B3)", rkNumber, "7.2111111"},
      {"=VARPA(A1:A8,B1:B3)", rkNumber, "6.49"},
      // Typed arguments: number texts and booleans count, other text fails.
      {"=VARP(A1:A8,\"3\")", rkNumber, "3.9506173"},
      {"=VARP(A1:A8,TRUE)", rkNumber, "5.1358025"},
      {"=STDEV(A1:A8,\"x\")", rkError, "#VALUE!"},
      {"=STDEV(1)", rkError, "#DIV/0!"},
      {"=STDEVP(B1:B3)", rkError, "#DIV/0!"},
      {"=AVEDEV(A1:A8)", rkNumber, "1.5"},
      {"=DEVSQ(A1:A8)", rkNumber, "32"},
      {"=MAXA(B1:B3)", rkNumber, "1"},
      {"=MINA(A1:A8,B1:B3)", rkNumber, "0"},
      {"=MAXA(B3)", rkNumber, "0"},
      {"=STDEV(A1:A8,1/0)", rkError, "#DIV/0!"},
  };
  Check(cases);
}

TEST_F(DescriptiveFunctionTest, OrderStatistics) {
  const FunctionCase cases[] = {
      {"=MEDIAN(A1:A8)", rkNumber, "4.5"},
      {"=MEDIAN(A1:A5)", rkNumber, "4"},
      {"=MODE(A1:A8)", rkNumber, "4"},
      {"=MODE(5,5,4,4)", rkNumber, "5"},  // the first of the most frequent
      {"=MODE(1,2,3)", rkError, "#N/A!"},
      {"=LARGE(A1:A8,2)", rkNumber, "7"},
      {"=LARGE(A1:A8,1.5)", rkNumber, "7"},
      {"=SMALL(A1:A8,3)", rkNumber, "4"},
      {"=LARGE(A1:A8,9)", rkError, "#NUM!"},
      {"=SMALL(A1:A8,0)", rkError, "#NUM!"},
      {"=PERCENTILE(A1:A8,0.25)", rkNumber, "4"},
      {"=PERCENTILE(A1:A8,0.9)", rkNumber, "7.6"},
      {"=PERCENTILE(A1:A8,1.5)", rkError, "#NUM!"},
      {"=QUARTILE(A1:A8,3)", rkNumber, "5.5"},
      {"=QUARTILE(A1:A8,1.7)", rkNumber, "4"},
      {"=QUARTILE(A1:A8,5)", rkError, "#NUM!"},
      {"=PERCENTRANK(A1:A8,5)", rkNumber, "0.571"},
      {"=PERCENTRANK(A1:A8,6)", rkNumber, "0.714"},  // between the ranks of 5 and 7
      {"=PERCENTRANK(A1:A8,8,2)", rkNumber, "0.92"},
      {"=PERCENTRANK(A1:A8,2)", rkNumber, "0"},
      {"=PERCENTRANK(A1:A8,10)", rkError, "#N/A!"},
      {"=PERCENTRANK(A1:A8,5,0)", rkError, "#NUM!"},
      {"=RANK(5,A1:A8)", rkNumber, "3"},
      {"=RANK(5,A1:A8,1)", rkNumber, "5"},
      {"=RANK(3,A1:A8)", rkError, "#N/A!"},
  };
  Check(cases);
}

TEST_F(DescriptiveFunctionTest, RegressionOverPairs) {
  const FunctionCase cases[] = {
      {"=SLOPE(D1:D5,C1:C5)", rkNumber, "0.6"},
      {"=INTERCEPT(D1:D5,C1:C5)", rkNumber, "2.2"},
      {"=CORREL(D1:D5,C1:C5)", rkNumber, "0.77459667"},
      {"=PEARSON(D1:D5,C1:C5)", rkNumber, "0.77459667"},
      {"=RSQ(D1:D5,C1:C5)", rkNumber, "0.6"},
      {"=FORECAST(6,D1:D5,C1:C5)", rkNumber, "5.8"},
      {"=CORREL(C1:C5,C1:C5)", rkNumber, "1"},
      {"=SLOPE(D1:D5,C1:C4)", rkError, "#N/A!"},
      {"=SLOPE(D1:D2,B1:B2)", rkError, "#DIV/0!"},  // no pair of numbers
      {"=INDEX(TREND(D1:D5,C1:C5),1,1)", rkNumber, "2.8"},
      {"=INDEX(TREND(D1:D5,C1:C5,C1:C5),5,1)", rkNumber, "5.2"},
      {"=INDEX(TREND(D1:D5),2,1)", rkNumber, "3.4"},
      {"=INDEX(TREND(D1:D5,C1:C5,C1:C5,FALSE),1,1)", rkNumber, "1.2"},
      {"=TREND(D1:D5,C1:C5,7)", rkNumber, "6.4"},
      {"=INDEX(FREQUENCY(A1:A8,E1:E2),1,1)", rkNumber, "4"},
      {"=INDEX(FREQUENCY(A1:A8,E1:E2),2,1)", rkNumber, "2"},
      {"=INDEX(FREQUENCY(A1:A8,E1:E2),3,1)", rkNumber, "2"},
      {"=ROWS(FREQUENCY(A1:A8,E1:E2))", rkNumber, "3"},
  };
  Check(cases);
}

// Values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).
TEST_F(DescriptiveFunctionTest, SubtotalAggregatesByNumber) {
  const ValueCase cases[] = {
      {"=SUBTOTAL(1,A1:A8)", "5"},
      {"=SUBTOTAL(2,A1:B8)", "8"},
      {"=SUBTOTAL(3,A1:B8)", "10"},
      {"=SUBTOTAL(4,A1:A8,C1:C5)", "9"},
      {"=SUBTOTAL(5,A1:A8,C1:C5)", "1"},
      {"=SUBTOTAL(6,C1:C5)", "120"},
      {"=SUBTOTAL(7,A1:A8)", "2.1380899352993952"},
      {"=SUBTOTAL(8,A1:A8)", "2"},
      {"=SUBTOTAL(9,A1:A8,C1:D5)", "75"},
      {"=SUBTOTAL(10,A1:A8)", "4.5714285714285712"},
      {"=SUBTOTAL(11,A1:A8)", "4"},
      {"=SUBTOTAL(109,A1:A8)", "40"},
      {"=SUBTOTAL(9.9,A1:A8)", "40"},
      {"=SUBTOTAL(12,A1:A8)", "#VALUE!"},  // as Excel; Gnumeric #NUM!, LibreOffice Err:502
      {"=SUBTOTAL(1,B1:B2)", "#DIV/0!"},
  };
  Check(cases);
}

TEST_F(DescriptiveFunctionTest, SubtotalLeavesOutSubtotalsAndHiddenRows) {
  //  F
  //  =SUBTOTAL(9,A1:A4)      14
  //  =SUBTOTAL(9,A5:A8)      26
  //  =SUM(A1:A2)             6
  //  =SUBTOTAL(9,F1:F3)      6: the subtotals within the range are left out
  Put("F1", "=SUBTOTAL(9,A1:A4)");
  Put("F2", "=SUBTOTAL(9,A5:A8)");
  Put("F3", "=SUM(A1:A2)");
  Put("F4", "=SUBTOTAL(9,F1:F3)");
  Put("F5", "=SUBTOTAL(109,A1:A8)");
  Put("F6", "=SUBTOTAL(9,A1:A8)");
  EXPECT_EQ(Shown("F4"), "6");
  // 101 to 111 leave out hidden rows, 1 to 11 keep them.
  book_->Pages(0).RowHeader().SetVisible(1, false);
  book_->Pages(0).RowHeader().SetVisible(7, false);
  book_->Recalc();
  EXPECT_EQ(Shown("F5"), "27");
  EXPECT_EQ(Shown("F6"), "40");
}

}  // namespace
