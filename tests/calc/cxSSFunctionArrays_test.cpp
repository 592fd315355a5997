#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A  B
//  1  4
//  2  5
//  3  6
class ArrayValueTest : public FunctionTest {
protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      Put("A" + std::to_string(i + 1), std::to_string(i + 1));
      Put("B" + std::to_string(i + 1), std::to_string(i + 4));
    }
  }
};

TEST_F(ArrayValueTest, OperatorsWorkValueByValueOnArrays) {
  const FunctionCase cases[] = {
      {"=SUM(TRANSPOSE(A1:A3)*2)", rkNumber, "12"},
      {"=INDEX(TRANSPOSE(A1:A3)+TRANSPOSE(B1:B3),1,3)", rkNumber, "9"},
      {"=INDEX(-TRANSPOSE(A1:A3),1,2)", rkNumber, "-2"},
      {"=INDEX(TRANSPOSE(A1:A3)&\"x\",1,2)", rkText, "2x"},
      {"=INDEX(TRANSPOSE(A1:A3)>1,1,2)", rkBool, "TRUE"},
      {"=TRANSPOSE(A1:A3)*2", rkNumber, "2"},  // one cell shows the first value
      // Shapes: a single row or column spreads; beyond a smaller array the value is #N/A.
      {"=ROWS(TRANSPOSE(A1:A3)+A1:A3)", rkNumber, "3"},
      {"=INDEX(TRANSPOSE(A1:A3)+A1:A3,3,2)", rkNumber, "5"},
      {"=INDEX(TRANSPOSE(A1:A3)*TRANSPOSE(B1:B2),1,3)", rkError, "#N/A!"},
      // An error stays with its value.
      {"=INDEX(TRANSPOSE(A1:A3)/(TRANSPOSE(A1:A3)-2),1,1)", rkNumber, "-1"},
      {"=INDEX(TRANSPOSE(A1:A3)/(TRANSPOSE(A1:A3)-2),1,2)", rkError, "#DIV/0!"},
  };
  Check(cases);
}

// Array constants typed into formulas: values apart by the list separator, rows by ";". Values
// from LibreOffice and Gnumeric, which agree on them.
TEST_F(ArrayValueTest, ArrayConstantsAreArrays) {
  const ValueCase cases[] = {
      {"=SUM({1,2,3})", "6"},
      {"=SUM({1,2,3}*2)", "12"},
      {"=SUM({-1,+2.5})", "1.5"},
      {"={1,2;3,4}", "1"},  // one cell shows the first value
      {"=INDEX({1,2;3,4},2,1)", "3"},
      {"=INDEX({\"a\",\"b\";\"c\",\"d\"},2,2)", "d"},
      {"=INDEX({\"say \"\"hi\"\"\",\"x\"},1,1)", "say \"hi\""},
      {"=SUMPRODUCT({1,2}*{3,4})", "11"},
      {"=SUMPRODUCT(A1:A3*{1;2;3})", "14"},
      {"=MATCH(\"b\",{\"a\",\"b\",\"c\"},0)", "2"},
      {"=LOOKUP(2.5,{1,2,3},{\"x\",\"y\",\"z\"})", "y"},
      {"=VLOOKUP(2,{1,\"one\";2,\"two\"},2,FALSE)", "two"},
      {"=ROWS({1;2;3})+COLUMNS({1,2})", "5"},
      {"=AND({TRUE,FALSE})", "FALSE"},
      {"=MAX({1,5,3})", "5"},
      {"=COUNTA({1,\"x\",TRUE})", "3"},
      {"=SUM({1,#N/A})", "#N/A!"},
  };
  Check(cases);
}

TEST_F(ArrayValueTest, ArrayConstantsShowAsTypedAndRecalculate) {
  Put("C2", "=SUMPRODUCT(A1:A3*{1;2;3})");
  EXPECT_EQ(Storage().CellRef(2, 1).Text, "=SUMPRODUCT(A1:A3*{1;2;3})");
  EXPECT_EQ(Shown("C2"), "14");
  // Its inputs changed, the formula with the constant calculates again.
  Put("A3", "10");
  EXPECT_EQ(Shown("C2"), "35");
  // Rows of different lengths, a reference or an empty value are no array constant: the text
  // stays text.
  for (const char* text : {"={1,2;3}", "={1,A1}", "={1,,2}", "={}", "={1,2"}) {
    Put("D1", text);
    EXPECT_NE(Storage().CellRef(3, 0).Kind, ckFormula) << text;
  }
}

TEST_F(ArrayValueTest, AreasWorkValueByValueInsideArrayArguments) {
  const FunctionCase cases[] = {
      {"=SUMPRODUCT(A1:A3*B1:B3)", rkNumber, "32"},
      {"=SUMPRODUCT((A1:A3>1)*B1:B3)", rkNumber, "11"},
      {"=SUMPRODUCT(--(A1:A3&\"x\"=\"2x\"))", rkNumber, "1"},
      {"=SUMPRODUCT((A1:A3-2)^2)", rkNumber, "2"},
      {"=MDETERM(A1:B2*2)", rkNumber, "-12"},
      {"=A1:A3+1", rkError, "#VALUE!"},  // elsewhere an area is no single value
  };
  Check(cases);
}

TEST_F(ArrayValueTest, AggregatesAndBranchesTakeArrays) {
  const FunctionCase cases[] = {
      {"=SUM(TRANSPOSE(A1:B3))", rkNumber, "21"},
      {"=COUNT(TRANSPOSE(A1:B3))", rkNumber, "6"},
      {"=AVERAGE(TRANSPOSE(A1:A3))", rkNumber, "2"},
      {"=MAX(TRANSPOSE(B1:B3))", rkNumber, "6"},
      {"=SUM(TRANSPOSE(A1:A3)/0)", rkError, "#DIV/0!"},
      {"=IF(TRUE,TRANSPOSE(A1:A3),0)", rkNumber, "1"},
      {"=SUM(IF(FALSE,0,TRANSPOSE(A1:A3)))", rkNumber, "6"},
      {"=ABS(TRANSPOSE(B1:B3))", rkNumber, "4"},  // a single value wanted: the first
      {"=STDEVP(TRANSPOSE(A1:A3))", rkNumber, "0.81649658"},
  };
  Check(cases);
}

TEST_F(ArrayValueTest, FunctionsOfSingleValuesGoValueByValueOverArrays) {
  const FunctionCase cases[] = {
      {"=COUNT(ABS(-TRANSPOSE(A1:A3)))", rkNumber, "3"},
      {"=SUM(ABS(-TRANSPOSE(A1:A3)))", rkNumber, "6"},
      {"=SUM(ROUND(TRANSPOSE(A1:A3)/2,0))", rkNumber, "4"},
      {"=SUM(COUNTIF(A1:B3,TRANSPOSE(A1:A3)*2))", rkNumber, "3"},
      // An error stays with its value.
      {"=INDEX(SQRT(TRANSPOSE(A1:A3)-2),1,1)", rkError, "#NUM!"},
      {"=INDEX(SQRT(TRANSPOSE(A1:A3)-2),1,3)", rkNumber, "1"},
      {"=INDEX(MID(\"abc\",TRANSPOSE(A1:A3),1),1,2)", rkText, "b"},
      {"=ABS(-TRANSPOSE(B1:B3))", rkNumber, "4"},  // one cell shows the first value
      {"=TYPE(TRANSPOSE(A1:A3))", rkNumber, "64"},  // TYPE tells the array itself
      // IF wanted as a reference or an array picks value by value; wanted as a single value
      // (beneath ABS) it takes the condition's first value.
      {"=SUM(IF(TRANSPOSE(A1:A3)>1,1,0))", rkNumber, "2"},
      {"=SUM(IF(TRANSPOSE(A1:A3)>1,TRANSPOSE(B1:B3),0))", rkNumber, "11"},
      {"=SUM(ABS(IF(TRANSPOSE(A1:A3)>1,1,0)))", rkNumber, "0"},
      {"=SUM(IF(TRANSPOSE(A1:A3)>1,1,0)+TRANSPOSE(A1:A3))", rkNumber, "6"},
  };
  Check(cases);
}

TEST_F(ArrayValueTest, AreasGoValueByValueWhereTheCallIsAnArray) {
  const FunctionCase cases[] = {
      {"=SUMPRODUCT(IF(A1:A3>1,B1:B3,0))", rkNumber, "11"},
      {"=SUMPRODUCT(ABS(A1:A3-4))", rkNumber, "6"},
      {"=MDETERM(IF(TRUE,A1:B2*1,0))", rkNumber, "-3"},
      // A branch of several cells passes whole.
      {"=SUM(IF(A1>0,A1:A3,B1:B3))", rkNumber, "6"},
      {"=SUM(IF(A1>5,A1:A3,B1:B3))", rkNumber, "15"},
      {"=SUMPRODUCT(MMULT(IF(A1>0,A1:A3,B1:B3),TRANSPOSE(B1:B3)))", rkNumber, "90"},
  };
  Check(cases);
}

}  // namespace

namespace {

//  A    B
//  10   1
//  20   4
//  30   2
//  40   4
//  50   3
//  60   1
//  70   5
//  80   4
//  90   2
//  100  1
class ArrayParameterTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "10"}, {"A2", "20"}, {"A3", "30"}, {"A4", "40"}, {"A5", "50"},
        {"A6", "60"}, {"A7", "70"}, {"A8", "80"}, {"A9", "90"}, {"A10", "100"},
        {"B1", "1"},  {"B2", "4"},  {"B3", "2"},  {"B4", "4"},  {"B5", "3"},
        {"B6", "1"},  {"B7", "5"},  {"B8", "4"},  {"B9", "2"},  {"B10", "1"},
    };
    PutGrid(kGrid);
  }
};

// A lookup vector, a table or the data of a statistic given as an expression is evaluated as
// an array, as SUMPRODUCT's arguments are. Values from LibreOffice and Gnumeric, which agree on
// the lookups; on the statistics and INDEX LibreOffice takes one value (#VALUE! here).
TEST_F(ArrayParameterTest, ExpressionsInArrayParametersAreArrays) {
  const ValueCase cases[] = {
      // The last row whose B is 4.
      {"=LOOKUP(2,1/(B1:B10=4),A1:A10)", "80"},
      {"=LOOKUP(2,1/(B1:B10=4),A1:A10*3)", "240"},
      {"=LOOKUP(2,1/(B1:B10=9),A1:A10)", "#N/A!"},
      {"=LOOKUP(20,A1:A5*2)", "20"},
      {"=LOOKUP(45,A1:A10+0,B1:B10)", "4"},
      {"=MATCH(1,(B1:B10=4)*(A1:A10>50),0)", "8"},
      {"=MATCH(5,B1:B10*1,0)", "7"},
      {"=VLOOKUP(4,B1:B10*1,1,FALSE)", "4"},
      {"=VLOOKUP(40,A1:A10*2,1,TRUE)", "40"},
      {"=HLOOKUP(20,TRANSPOSE(A1:A3)*2,1,FALSE)", "20"},
      {"=INDEX(A1:A3*2,2,1)", "40"},
      {"=LARGE(A1:A5*2,1)", "100"},
      {"=SMALL(A1:A5*2,2)", "40"},
      {"=PERCENTILE(A1:A5*2,0.5)", "60"},
      {"=QUARTILE(A1:A5*2,1)", "40"},
      {"=ROWS(A1:A3*2)", "3"},
      {"=IRR(A1:A3*(B1:B3-2))", "3"},
      // A reference stays a reference; elsewhere an area is still no single value.
      {"=LOOKUP(4,B1:B2,A1:A2)", "20"},
      {"=SUM(A1:A3*B1:B3)", "#VALUE!"},
      {"=MAX(A1:A3*2)", "#VALUE!"},
  };
  Check(cases);
}

// With ";" as the list separator the values of a row are apart by ";" and the rows by "|".
TEST_F(SerbianFunctionTest, ArrayConstantsUseTheListSeparator) {
  const ValueCase cases[] = {
      {"=SUM({1,5;2|3;4})", "10.5"},
      {"=INDEX({1;2|3;4};2;1)", "3"},
  };
  Check(cases);
  Put("A1", "=SUM({1,5;2|3;4})");
  EXPECT_EQ(Storage().CellRef(0, 0).Text, "=SUM({1,5;2|3;4})");
}

}  // namespace
