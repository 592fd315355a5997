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

namespace {

// Values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).
TEST_F(EngineeringFunctionTest, BetweenBases) {
  const ValueCase cases[] = {
      {"=BIN2HEX(\"1111\")", "F"},
      {"=BIN2HEX(\"1111\",4)", "000F"},
      {"=BIN2HEX(\"1111111111\")", "FFFFFFFFFF"},
      {"=BIN2OCT(\"1001\",3)", "011"},
      {"=BIN2OCT(\"1000000000\")", "7777777000"},
      {"=OCT2BIN(\"7\")", "111"},
      {"=OCT2BIN(\"7777777000\")", "1000000000"},
      {"=OCT2BIN(\"1000\")", "#NUM!"},
      {"=OCT2HEX(\"777\",5)", "001FF"},
      {"=OCT2HEX(\"7777777777\")", "FFFFFFFFFF"},
      {"=HEX2BIN(\"1F\")", "11111"},
      {"=HEX2BIN(\"FFFFFFFE00\")", "1000000000"},
      {"=HEX2BIN(\"200\")", "#NUM!"},
      {"=HEX2BIN(\"F\",2)", "#NUM!"},
      {"=HEX2OCT(\"FF\")", "377"},
      {"=HEX2OCT(\"FFFFFFFFFF\")", "7777777777"},
      {"=HEX2OCT(\"G\")", "#NUM!"},
  };
  Check(cases);
}

TEST_F(EngineeringFunctionTest, ComparisonsAndErrorFunction) {
  const ValueCase cases[] = {
      {"=DELTA(5,5)", "1"},
      {"=DELTA(5,4)", "0"},
      {"=DELTA(0)", "1"},
      {"=DELTA(0.5)", "0"},
      {"=DELTA(\"a\",1)", "#VALUE!"},
      {"=GESTEP(5,4)", "1"},
      {"=GESTEP(-4,-3)", "0"},
      {"=GESTEP(0)", "1"},
      {"=GESTEP(-0.1)", "0"},
      {"=GESTEP(1,\"x\")", "#VALUE!"},
      {"=ERF(0.745)", "0.70792892"},
      {"=ERF(1)", "0.84270079294971489"},
      {"=ERF(0,1.5)", "0.96610514647531076"},
      {"=ERF(1,2)", "0.15262147206923787"},
      {"=ERFC(1)", "0.15729920705028513"},
      {"=ERFC(0.3)", "0.67137324"},
      {"=ERF(\"a\")", "#VALUE!"},
  };
  Check(cases);
}

TEST_F(EngineeringFunctionTest, Bessel) {
  const ValueCase cases[] = {
      {"=BESSELI(1.5,1)", "0.98166642857790753"},
      {"=BESSELI(-1.5,1)", "-0.98166642857790753"},
      {"=BESSELI(2,0)", "2.2795853023360673"},
      {"=BESSELJ(1.9,2)", "0.32992572769238721"},
      {"=BESSELJ(-1.9,1)", "-0.58115707271343409"},
      {"=BESSELJ(10,3.7)", "0.058379379305186815"},  // the order truncated (Gnumeric keeps 3.7)
      {"=BESSELJ(1,-1)", "#NUM!"},
      {"=BESSELK(1.5,1)", "0.27738780045684382"},  // LibreOffice 0.2773878036: an approximation
      {"=BESSELK(0.5,3)", "62.057909529930256"},  // LibreOffice 62.05790971
      {"=BESSELK(-1,1)", "#NUM!"},
      {"=BESSELY(2.5,1)", "0.14591813796678579"},
      {"=BESSELY(8,0)", "0.22352148938756622"},
      {"=BESSELY(0,1)", "#NUM!"},
      {"=BESSELJ(\"a\",1)", "#VALUE!"},
  };
  Check(cases);
}

TEST_F(EngineeringFunctionTest, Convert) {
  const ValueCase cases[] = {
      {"=CONVERT(1,\"lbm\",\"kg\")", "0.45359237"},  // LibreOffice 0.4535923097: an older constant
      {"=CONVERT(68,\"F\",\"C\")", "20"},
      {"=CONVERT(100,\"C\",\"K\")", "373.14999999999998"},
      {"=CONVERT(2.5,\"ft\",\"sec\")", "#N/A!"},  // as Excel; Gnumeric #NUM!, LibreOffice Err:502
      {"=CONVERT(6,\"tsp\",\"tbs\")", "2"},
      {"=CONVERT(1,\"gal\",\"l\")", "3.7854117839999994"},
      {"=CONVERT(1,\"mi\",\"km\")", "1.6093440000000001"},
      {"=CONVERT(1,\"Nmi\",\"ft\")", "6076.1154855643044"},
      {"=CONVERT(1,\"yr\",\"day\")", "365.25"},
      {"=CONVERT(1,\"hr\",\"mn\")", "60"},
      {"=CONVERT(1,\"atm\",\"mmHg\")", "760"},
      {"=CONVERT(1,\"atm\",\"kPa\")", "101.32499658281448"},
      {"=CONVERT(1,\"T\",\"ga\")", "10000"},
      {"=CONVERT(1,\"in\",\"mm\")", "25.399999999999999"},
      {"=CONVERT(1,\"cup\",\"oz\")", "8"},
      {"=CONVERT(1,\"qt\",\"pt\")", "2"},
      {"=CONVERT(1,\"uk_pt\",\"l\")", "0.56826125000000005"},
      {"=CONVERT(1,\"Wh\",\"J\")", "3600"},
      {"=CONVERT(1,\"m\",\"ang\")", "10000000000"},
      {"=CONVERT(1,\"lbm\",\"xx\")", "#N/A!"},
      {"=CONVERT(1,\"kft\",\"m\")", "#N/A!"},  // no prefix for feet (Gnumeric takes one)
  };
  Check(cases);
}

}  // namespace

