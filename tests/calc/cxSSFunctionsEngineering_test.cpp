#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

class EngineeringFunctionTest : public FunctionTest {};

TEST_F(EngineeringFunctionTest, FromDecimal) {
  const FunctionCase cases[] = {
      {"=DEC2BIN(9)", rkText, "1001"},
      {"=DEC2BIN(9,8)", rkText, "00001001"},
      {"=DEC2BIN(9.9)", rkText, "1001"},
      {"=DEC2BIN(-1)", rkText, "1111111111"},  // ten digits in two's complement
      {"=DEC2BIN(-512)", rkText, "1000000000"},
      {"=DEC2BIN(512)", rkError, "#NUM!"},
      {"=DEC2BIN(9,2)", rkError, "#NUM!"},
      {"=DEC2BIN(9,11)", rkError, "#NUM!"},
      {"=DEC2BIN(\"x\")", rkError, "#VALUE!"},
      {"=DEC2HEX(255)", rkText, "FF"},
      {"=DEC2HEX(255,4)", rkText, "00FF"},
      {"=DEC2HEX(-1)", rkText, "FFFFFFFFFF"},
      {"=DEC2HEX(549755813888)", rkError, "#NUM!"},
      {"=DEC2OCT(8)", rkText, "10"},
      {"=DEC2OCT(-1)", rkText, "7777777777"},
  };
  Check(cases);
}

TEST_F(EngineeringFunctionTest, ToDecimal) {
  const FunctionCase cases[] = {
      {"=HEX2DEC(\"FF\")", rkNumber, "255"},
      {"=HEX2DEC(\"ff\")", rkNumber, "255"},
      {"=HEX2DEC(\"FFFFFFFFFF\")", rkNumber, "-1"},
      {"=BIN2DEC(\"1111111111\")", rkNumber, "-1"},
      {"=BIN2DEC(1001)", rkNumber, "9"},
      {"=OCT2DEC(\"17\")", rkNumber, "15"},
      {"=OCT2DEC(\"7777777777\")", rkNumber, "-1"},
      {"=HEX2DEC(\"G\")", rkError, "#NUM!"},
      {"=BIN2DEC(\"12\")", rkError, "#NUM!"},
      {"=BIN2DEC(\"10000000000\")", rkError, "#NUM!"},  // more than ten digits
      {"=HEX2DEC(DEC2HEX(-123456))", rkNumber, "-123456"},
  };
  Check(cases);
}

}  // namespace
