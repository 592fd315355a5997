#include <gtest/gtest.h>

#include <cmath>

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
    const char* a[] = {"2", "4", "4", "4", "5", "5", "7", "9"};
    for (int i = 0; i < 8; ++i) Put("A" + std::to_string(i + 1), a[i]);
    Put("B1", "TRUE");
    Put("B2", "x");
    const char* c[] = {"1", "2", "3", "4", "5"};
    const char* d[] = {"2", "4", "5", "4", "5"};
    for (int i = 0; i < 5; ++i) {
      Put("C" + std::to_string(i + 1), c[i]);
      Put("D" + std::to_string(i + 1), d[i]);
    }
    Put("E1", "4");
    Put("E2", "6");
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

}  // namespace
