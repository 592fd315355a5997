#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A
//  (empty)
//  x
//  5
//  TRUE
//  0
class LogicalFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A2", "x");
    Put("A3", "5");
    Put("A4", "TRUE");
    Put("A5", "0");
  }
};

TEST_F(LogicalFunctionTest, AndWantsEveryValueTrueOrANonZeroNumber) {
  const FunctionCase cases[] = {
      {"=AND(TRUE,A1)", rkBool, "FALSE"},  // an empty cell is neither
      {"=AND(TRUE,1)", rkBool, "TRUE"},
      {"=AND(1,2,\"true\")", rkBool, "TRUE"},
      {"=AND(TRUE,A2)", rkBool, "FALSE"},
      {"=AND(A3,A4)", rkBool, "TRUE"},
      {"=AND(A5)", rkBool, "FALSE"},
      {"=AND(FALSE)", rkBool, "FALSE"},
      {"=AND(A3:A4)", rkBool, "TRUE"},
      {"=AND(A1:A5)", rkBool, "FALSE"},
  };
  Check(cases);
}

TEST_F(LogicalFunctionTest, OrWantsOneValueTrueOrANonZeroNumber) {
  const FunctionCase cases[] = {
      {"=OR(0,\"x\")", rkBool, "FALSE"},
      {"=OR(2)", rkBool, "TRUE"},
      {"=OR(A1,A2)", rkBool, "FALSE"},
      {"=OR(A4)", rkBool, "TRUE"},
      {"=OR(0,FALSE,A5)", rkBool, "FALSE"},
      {"=OR(\"true\")", rkBool, "TRUE"},
      {"=OR(A1:A5)", rkBool, "TRUE"},
  };
  Check(cases);
}

TEST_F(LogicalFunctionTest, NotAndTheConstants) {
  const FunctionCase cases[] = {
      {"=NOT(TRUE)", rkBool, "FALSE"},
      {"=NOT(0)", rkBool, "TRUE"},
      {"=NOT(A3)", rkBool, "FALSE"},  // a non-zero number
      {"=NOT(\"x\")", rkBool, "TRUE"},  // a text that is no boolean is false
      {"=NOT(A1)", rkBool, "TRUE"},
      {"=TRUE()", rkBool, "TRUE"},
      {"=FALSE()", rkBool, "FALSE"},
  };
  Check(cases);
}

TEST_F(LogicalFunctionTest, IfPushesTheChosenBranchAndClearsTheError) {
  const FunctionCase cases[] = {
      {"=IF(1>2,1/0,7)", rkNumber, "7"},  // the error of the branch not taken is gone
      {"=IF(TRUE,FALSE,TRUE)", rkBool, "FALSE"},
      {"=IF(TRUE,1/0,7)", rkText, "#DIV/0!"},  // the error text chosen stays a text
      {"=IF(A4,\"yes\",\"no\")", rkText, "yes"},
      {"=IF(A1,1,2)", rkNumber, "2"},
      {"=IF(A3,\"12\",\"x\")", rkNumber, "12"},  // a number text becomes a number
      {"=IF(TRUE,A2,0)", rkText, "x"},
      // TRUE in a cell is a boolean; an empty cell is 0; an empty text stays an empty text.
      {"=IF(TRUE,A4,0)", rkBool, "TRUE"},
      {"=IF(TRUE,A9,1)", rkNumber, "0"},
      {"=IF(FALSE,1,\"\")", rkText, ""},
      {"=IF(A1,1,\"\")&\"x\"", rkText, "x"},
      {"=IF(FALSE,1)", rkBool, "FALSE"},   // no else branch
      {"=IF(TRUE,1)", rkNumber, "1"},
      {"=IF(SQRT(-1)>0,1,2)", rkNumber, "2"},
      {"=IF(TRUE,SQRT(-1),2)", rkText, "#NUM!"},
  };
  Check(cases);
}

TEST_F(LogicalFunctionTest, IfKeepsEveryBitOfANumber) {
  EXPECT_EQ(Evaluate("=IF(TRUE,0.1+0.2,0)").Number, 0.1 + 0.2);
  EXPECT_EQ(Evaluate("=IF(FALSE,0,1/3)").Number, 1.0 / 3);
}

}  // namespace
