#include <gtest/gtest.h>

#include <cmath>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A  B       C   D     E  F  G  H
//  1  apple   10  TRUE  1  2  1  2
//  2  banana  20  x     3  4  2  4
//  3  cherry  30
//  4  apple   40
//  5          50
class ConditionalFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "1"}, {"B1", "apple"},  {"C1", "10"}, {"D1", "TRUE"}, {"E1", "1"}, {"F1", "2"},
        {"G1", "1"}, {"H1", "2"},      {"A2", "2"},  {"B2", "banana"}, {"C2", "20"}, {"D2", "x"},
        {"E2", "3"}, {"F2", "4"},      {"G2", "2"},  {"H2", "4"},    {"A3", "3"}, {"B3", "cherry"},
        {"C3", "30"}, {"A4", "4"},     {"B4", "apple"}, {"C4", "40"}, {"A5", "5"}, {"C5", "50"},
    };
    PutGrid(kGrid);
  }
};

TEST_F(ConditionalFunctionTest, SumIfMatchesNumbersTextsAndPatterns) {
  const FunctionCase cases[] = {
      {"=SUMIF(A1:A5,\">2\")", rkNumber, "12"},
      {"=SUMIF(A1:A5,\">2\",C1:C5)", rkNumber, "120"},
      {"=SUMIF(A1:A5,\"=4\",C1:C5)", rkNumber, "40"},
      {"=SUMIF(A1:A5,3,C1:C5)", rkNumber, "30"},
      {"=SUMIF(B1:B5,\"apple\",C1:C5)", rkNumber, "50"},
      {"=SUMIF(B1:B5,\"APPLE\",C1:C5)", rkNumber, "50"},
      {"=SUMIF(B1:B5,\"a*\",C1:C5)", rkNumber, "50"},
      {"=SUMIF(B1:B5,\"?????\",C1:C5)", rkNumber, "50"},
      {"=SUMIF(B1:B5,\"<>apple\",C1:C5)", rkNumber, "100"},  // the empty B5 too
      {"=SUMIF(B1:B5,\"\",C1:C5)", rkNumber, "50"},
      {"=SUMIF(B1:B5,\"<c\",C1:C5)", rkNumber, "70"},
      {"=SUMIF(A1:A5,\"<=2\",C1)", rkNumber, "30"},  // the sums take the range's shape
      {"=SUMIF(A1:A5,\">2\",1/0)", rkError, "#DIV/0!"},
  };
  Check(cases);
}

TEST_F(ConditionalFunctionTest, ProductsOfArrays) {
  const FunctionCase cases[] = {
      {"=SUMPRODUCT(A1:A5,C1:C5)", rkNumber, "550"},
      {"=SUMPRODUCT(A1:A3)", rkNumber, "6"},
      {"=SUMPRODUCT(B1:B3,C1:C3)", rkNumber, "0"},  // texts count as 0
      {"=SUMPRODUCT(A1:A5,C1:C4)", rkError, "#VALUE!"},
      // Operators inside SUMPRODUCT work value by value.
      {"=SUMPRODUCT((A1:A5>2)*C1:C5)", rkNumber, "120"},
      {"=SUMPRODUCT((B1:B5=\"apple\")*(C1:C5))", rkNumber, "50"},
      {"=SUMPRODUCT(A1:A5*C1:C5)", rkNumber, "550"},
      {"=A1:A3*2", rkError, "#VALUE!"},  // an area is no single value
      {"=PRODUCT(A1:A5)", rkNumber, "120"},
      {"=PRODUCT(2,\"3\",TRUE)", rkNumber, "6"},
      {"=PRODUCT(A1:A3,D1)", rkNumber, "6"},  // TRUE in a cell is left out
      {"=PRODUCT(B1:B5)", rkNumber, "0"},
      {"=PRODUCT(2,\"x\")", rkError, "#VALUE!"},
      {"=SUMX2MY2(A1:A3,C1:C3)", rkNumber, "-1386"},
      {"=SUMX2PY2(A1:A3,C1:C3)", rkNumber, "1414"},
      {"=SUMXMY2(A1:A3,C1:C3)", rkNumber, "1134"},
      {"=SUMXMY2(A1:A5,B1:B5)", rkNumber, "0"},
      {"=SUMXMY2(A1:A3,C1:C2)", rkError, "#N/A!"},
  };
  Check(cases);
}

TEST_F(ConditionalFunctionTest, CountingAndWholeNumbers) {
  const FunctionCase cases[] = {
      {"=COMBIN(5,2)", rkNumber, "10"},
      {"=COMBIN(5.9,2.1)", rkNumber, "10"},
      {"=COMBIN(0,0)", rkNumber, "1"},
      {"=COMBIN(60,30)", rkNumber, "1.1826458E+17"},
      {"=COMBIN(2,5)", rkError, "#NUM!"},
      {"=COMBIN(-1,0)", rkError, "#NUM!"},
      {"=PERMUT(5,2)", rkNumber, "20"},
      {"=PERMUT(5,0)", rkNumber, "1"},
      {"=PERMUT(0,0)", rkError, "#NUM!"},
      {"=PERMUT(2,5)", rkError, "#NUM!"},
      {"=GCD(12,18)", rkNumber, "6"},
      {"=GCD(12.7,18)", rkNumber, "6"},
      {"=GCD(0,5)", rkNumber, "5"},
      {"=GCD(A1:A5)", rkNumber, "1"},
      {"=GCD(-1,2)", rkError, "#NUM!"},
      {"=LCM(4,6)", rkNumber, "12"},
      {"=LCM(4,0)", rkNumber, "0"},
      {"=LCM(A1:A5)", rkNumber, "60"},
      {"=QUOTIENT(7,2)", rkNumber, "3"},
      {"=QUOTIENT(-7,2)", rkNumber, "-3"},
      {"=QUOTIENT(1,0)", rkError, "#DIV/0!"},
  };
  Check(cases);
}

TEST_F(ConditionalFunctionTest, RandBetweenStaysWithinItsBoundsAndLeavesRandAlone) {
  SetRandomSeed(0);
  SetRandBetweenSeed(0);
  for (int i = 0; i < 50; ++i) {
    const double x = Evaluate("=RANDBETWEEN(1.5,6)").Number;
    EXPECT_GE(x, 2);
    EXPECT_LE(x, 6);
    EXPECT_EQ(x, std::floor(x));
  }
  EXPECT_DOUBLE_EQ(Evaluate("=RAND()").Number, 1 / 4294967296.0);
  EXPECT_EQ(Evaluate("=RANDBETWEEN(3,3)").Number, 3);
  EXPECT_EQ(Evaluate("=RANDBETWEEN(5,4)").Kind, rkError);
}

TEST_F(ConditionalFunctionTest, Matrices) {
  //  E1:F2 = 1 2 / 3 4, G1:H2 = 1 2 / 2 4 (singular)
  const FunctionCase cases[] = {
      {"=MDETERM(E1:F2)", rkNumber, "-2"},
      {"=MDETERM(E1:F2*2)", rkNumber, "-8"},
      {"=INDEX(MINVERSE(E1:F2),1,1)", rkNumber, "-2"},
      {"=INDEX(MINVERSE(E1:F2),2,1)", rkNumber, "1.5"},
      {"=INDEX(MMULT(E1:F2,E1:F2),1,1)", rkNumber, "7"},
      {"=INDEX(MMULT(E1:F2,E1:F2),2,2)", rkNumber, "22"},
      {"=SUM(MMULT(E1:F2,E1:F2))", rkNumber, "54"},
      {"=MMULT(E1:F2,E1:F2)", rkNumber, "7"},  // one cell shows the first value
      {"=ROWS(MMULT(E1:F2,E1:E2))", rkNumber, "2"},
      {"=COLUMNS(MMULT(E1:F2,E1:E2))", rkNumber, "1"},
      {"=SUM(TRANSPOSE(A1:A3))", rkNumber, "6"},
      {"=MDETERM(A1:A2)", rkError, "#VALUE!"},
      {"=MDETERM(B1:C2)", rkError, "#VALUE!"},
      {"=INDEX(MINVERSE(G1:H2),1,1)", rkError, "#NUM!"},
      {"=MMULT(E1:F2,A1:A3)", rkError, "#VALUE!"},
  };
  Check(cases);
}

// Values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).
TEST_F(ConditionalFunctionTest, AnalysisArithmetic) {
  const ValueCase cases[] = {
      {"=MROUND(10,3)", "9"},
      {"=MROUND(-10,-3)", "-9"},
      {"=MROUND(1.3,0.2)", "1.4"},  // Gnumeric 1.2: the quotient 6.4999... rounded down
      {"=MROUND(7.5,5)", "10"},
      {"=MROUND(5,-2)", "#NUM!"},  // LibreOffice 6
      {"=MROUND(5,0)", "0"},
      {"=MROUND(A2,C1)", "0"},
      {"=FACTDOUBLE(6)", "48"},
      {"=FACTDOUBLE(7)", "105"},
      {"=FACTDOUBLE(7.9)", "105"},
      {"=FACTDOUBLE(0)", "1"},
      {"=FACTDOUBLE(-1)", "#NUM!"},
      {"=FACTDOUBLE(30)", "42849873690624000"},
      {"=MULTINOMIAL(2,3,4)", "1260"},
      {"=MULTINOMIAL(A1:A3)", "60"},
      {"=MULTINOMIAL(2.9,1)", "3"},
      {"=MULTINOMIAL(-1,2)", "#NUM!"},
      {"=SERIESSUM(2,1,2,E1:F2)", "626"},
      {"=SERIESSUM(0.5,0,2,A1:A4)", "1.75"},
      {"=SERIESSUM(2,1,1,C1:C2)", "100"},
      {"=SERIESSUM(2,1,1,B1:B2)", "0"},  // texts left out (Gnumeric #VALUE!)
      {"=SQRTPI(1)", "1.7724538509055159"},
      {"=SQRTPI(2)", "2.5066282746310002"},
      {"=SQRTPI(-1)", "#NUM!"},
  };
  Check(cases);
}

}  // namespace

namespace {

// Typed with the Serbian settings: ";" between the arguments, the decimal comma.
TEST_F(SerbianFunctionTest, AddInFunctionsTypedWithTheLocalSeparators) {
  Put("A1", "7");
  Put("B1", "=MROUND(A1;2)");
  Put("B2", "=mround(A1;2,5)");
  Put("B3", "=COMPLEX(1,5;-2)");
  Put("B4", "=IMSUM(B3;\"1,5+i\")");
  Put("B5", "=NORMSDIST(0,5)");
  EXPECT_EQ(Shown("B1"), "8");
  EXPECT_EQ(Shown("B2"), "7,5");
  EXPECT_EQ(Shown("B3"), "1,5-2i");
  EXPECT_EQ(Shown("B4"), "3-i");
  EXPECT_EQ(Shown("B5"), "0,69146246");
  EXPECT_EQ(Storage().CellRef(1, 1).Text, "=MROUND(A1;2,5)");
  EXPECT_TRUE(messages_->Messages.empty());
}

}  // namespace
