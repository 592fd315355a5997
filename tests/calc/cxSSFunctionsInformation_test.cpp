#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A
//  (empty)
//  abc
//  =1/0
//  5
//  TRUE
//  #N/A!
class InformationFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A2", "abc");
    Put("A3", "=1/0");
    Put("A4", "5");
    Put("A5", "TRUE");
    Put("A6", "#N/A!");
  }
};

TEST_F(InformationFunctionTest, IsBlankWantsExactlyOneEmptyValue) {
  const FunctionCase cases[] = {
      {"=ISBLANK(A1)", rkBool, "TRUE"},
      {"=ISBLANK(A2)", rkBool, "FALSE"},
      {"=ISBLANK(A1,A1)", rkBool, "FALSE"},
      {"=ISBLANK(A1:A2)", rkBool, "FALSE"},
      {"=ISBLANK(\"\")", rkBool, "TRUE"},
  };
  Check(cases);
}

TEST_F(InformationFunctionTest, IsErrorSeesThePendingErrorOrAFailedCell) {
  const FunctionCase cases[] = {
      {"=ISERROR(1/0)", rkBool, "TRUE"},
      {"=ISERROR(A3)", rkBool, "TRUE"},  // a failed formula reads as #VALUE!
      {"=ISERROR(\"#VALUE!\")", rkBool, "TRUE"},
      {"=ISERROR(\"#DIV/0!\")", rkBool, "FALSE"},
      {"=ISERROR(A2)", rkBool, "FALSE"},
      {"=ISERROR(SQRT(-1))", rkBool, "TRUE"},
      {"=ISERROR(MID(\"a\",5,1))", rkBool, "TRUE"},
      {"=ISERR(1/0)", rkBool, "TRUE"},
      {"=ISERR(A4)", rkBool, "FALSE"},
  };
  Check(cases);
}

TEST_F(InformationFunctionTest, TypeTests) {
  const FunctionCase cases[] = {
      {"=ISLOGICAL(TRUE)", rkBool, "TRUE"},
      {"=ISLOGICAL(A5)", rkBool, "TRUE"},
      {"=ISLOGICAL(\"false\")", rkBool, "TRUE"},
      {"=ISLOGICAL(1)", rkBool, "FALSE"},
      {"=ISLOGICAL(1/0)", rkBool, "FALSE"},  // the error is cleared
      {"=ISNA(A6)", rkBool, "TRUE"},
      {"=ISNA(\" #N/A! \")", rkBool, "TRUE"},
      {"=ISNA(A3)", rkBool, "FALSE"},
      {"=ISNA(1/0)", rkBool, "FALSE"},
      {"=ISNONTEXT(A1)", rkBool, "TRUE"},
      {"=ISNONTEXT(A4)", rkBool, "TRUE"},
      {"=ISNONTEXT(A5)", rkBool, "TRUE"},
      {"=ISNONTEXT(A2)", rkBool, "FALSE"},
      {"=ISNONTEXT(1/0)", rkError, "#DIV/0!"},  // the one that leaves the error standing
      {"=ISNUMBER(A4)", rkBool, "TRUE"},
      {"=ISNUMBER(\"12\")", rkBool, "TRUE"},
      {"=ISNUMBER(A1)", rkBool, "FALSE"},
      {"=ISNUMBER(A5)", rkBool, "FALSE"},
      {"=ISNUMBER(1/0)", rkBool, "FALSE"},
      {"=ISTEXT(A2)", rkBool, "TRUE"},
      {"=ISTEXT(\" x \")", rkBool, "TRUE"},
      {"=ISTEXT(A1)", rkBool, "FALSE"},
      {"=ISTEXT(A4)", rkBool, "FALSE"},
      {"=ISTEXT(A5)", rkBool, "FALSE"},
      {"=ISTEXT(A3)", rkBool, "TRUE"},  // the text #VALUE! of the failed formula
  };
  Check(cases);
}

}  // namespace
