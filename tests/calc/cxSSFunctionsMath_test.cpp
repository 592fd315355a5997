#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

// Coercions shared by every routine that takes numbers:
//  A     B
//  4     -2.5
//  abc
//  (empty)
//  TRUE
class MathFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A1", "4");
    Put("B1", "-2.5");
    Put("A2", "abc");
    Put("A4", "TRUE");
  }
};

TEST_F(MathFunctionTest, ArgumentsAreCoercedToNumbers) {
  const FunctionCase cases[] = {
      {"=ABS(-3)", rkNumber, "3"},
      {"=ABS(B1)", rkNumber, "2.5"},
      {"=ABS(\"-7\")", rkNumber, "7"},        // a number text
      {"=ABS(TRUE)", rkNumber, "1"},
      {"=ABS(A4)", rkNumber, "1"},             // TRUE in a cell
      {"=ABS(A3)", rkNumber, "0"},             // an empty cell
      {"=ABS(\"x\")", rkError, "#VALUE!"},     // a text that is no number
      {"=ABS(A2)", rkError, "#NAME!"},         // a text cell that is no number
      {"=ABS(A1:A2)", rkError, "#VALUE!"},     // an area is no single value
      {"=SIGN(-3)", rkNumber, "-1"},
      {"=SIGN(A3)", rkNumber, "0"},
      {"=SIGN(A1)", rkNumber, "1"},
      {"=INT(2.7)", rkNumber, "2"},
      {"=INT(B1)", rkNumber, "-3"},
      {"=PI()", rkNumber, "3.1415927"},
      {"=DEGREES(PI())", rkNumber, "180"},
      {"=RADIANS(180)", rkNumber, "3.1415927"},
  };
  Check(cases);
}

TEST_F(MathFunctionTest, TrigonometryAndDomainFaults) {
  const FunctionCase cases[] = {
      {"=SIN(0)", rkNumber, "0"},
      {"=COS(0)", rkNumber, "1"},
      {"=TAN(0)", rkNumber, "0"},
      {"=SINH(0)", rkNumber, "0"},
      {"=COSH(0)", rkNumber, "1"},
      {"=TANH(0)", rkNumber, "0"},
      {"=ASIN(1)", rkNumber, "1.5707963"},
      {"=ACOS(0)", rkNumber, "1.5707963"},
      {"=ATAN(1)", rkNumber, "0.78539816"},
      {"=ASINH(1)", rkNumber, "0.88137359"},
      {"=ACOSH(1)", rkNumber, "0"},
      {"=ATANH(0.5)", rkNumber, "0.54930614"},
      // ATAN2(x, y) is the angle of the point (x, y).
      {"=ATAN2(1,1)", rkNumber, "0.78539816"},
      {"=ATAN2(0,1)", rkNumber, "1.5707963"},
      {"=ATAN2(-1,0)", rkNumber, "3.1415927"},
      // Outside the domain, or beyond the doubles: "#NUM!".
      {"=ASIN(-2)", rkError, "#NUM!"},
      {"=ACOS(2)", rkError, "#NUM!"},
      {"=ACOSH(0.5)", rkError, "#NUM!"},
      {"=ATANH(1)", rkError, "#NUM!"},
      {"=COSH(1000)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(MathFunctionTest, PowersAndLogarithms) {
  const FunctionCase cases[] = {
      {"=EXP(1)", rkNumber, "2.7182818"},
      {"=EXP(1000)", rkError, "#NUM!"},
      {"=POWER(2,10)", rkNumber, "1024"},
      {"=POWER(4,0.5)", rkNumber, "2"},
      {"=POWER(-8,1/3)", rkError, "#NUM!"},
      {"=SQRT(16)", rkNumber, "4"},
      {"=SQRT(A3)", rkNumber, "0"},
      {"=SQRT(-1)", rkError, "#NUM!"},
      {"=LN(1)", rkNumber, "0"},
      {"=LN(EXP(2))", rkNumber, "2"},
      {"=LN(0)", rkError, "#DIV/0!"},
      {"=LN(-1)", rkError, "#NUM!"},
      {"=LOG(100)", rkNumber, "2"},
      {"=LOG(8,2)", rkNumber, "3"},
      {"=LOG(0)", rkError, "#NUM!"},
      {"=LOG(10,-2)", rkError, "#NUM!"},
      {"=LOG(10,1)", rkError, "#DIV/0!"},
      {"=LOG10(1000)", rkNumber, "3"},
      {"=LOG10(0)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(MathFunctionTest, IntegersAndFactorials) {
  const FunctionCase cases[] = {
      {"=EVEN(1.5)", rkNumber, "2"},
      {"=EVEN(2)", rkNumber, "2"},
      {"=EVEN(3)", rkNumber, "4"},
      {"=EVEN(-1)", rkNumber, "-2"},
      {"=EVEN(0)", rkNumber, "0"},
      {"=ODD(1.5)", rkNumber, "3"},
      {"=ODD(1)", rkNumber, "1"},
      {"=ODD(2)", rkNumber, "3"},
      {"=ODD(-2)", rkNumber, "-3"},
      {"=ODD(0)", rkNumber, "1"},
      {"=FACT(5)", rkNumber, "120"},
      {"=FACT(3.7)", rkNumber, "6"},
      {"=FACT(0)", rkNumber, "1"},
      {"=FACT(-1)", rkNumber, "1"},
      {"=FACT(171)", rkError, "#NUM!"},
      {"=FACT(1E9)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(MathFunctionTest, ModSubtractsTheDivisorAndFloors) {
  const FunctionCase cases[] = {
      {"=MOD(10,3)", rkNumber, "1"},
      {"=MOD(2,3)", rkNumber, "2"},
      {"=MOD(7.5,2)", rkNumber, "1"},   // 1.5, floored
      {"=MOD(-7,3)", rkNumber, "-7"},   // nothing to subtract from a negative x
      {"=MOD(1E20,3)", rkNumber, "1"},  // far too many subtractions to make one by one
      {"=MOD(7,0)", rkError, "#DIV/0!"},
      {"=MOD(7,-2)", rkError, "#NUM!"},  // subtracting a negative divisor never ends
  };
  Check(cases);
}

TEST_F(MathFunctionTest, CeilingAndFloorWorkOnScaledMultiples) {
  const FunctionCase cases[] = {
      {"=CEILING(2.5,1)", rkNumber, "3"},
      {"=FLOOR(2.5,1)", rkNumber, "2"},
      {"=FLOOR(-2.5,-1)", rkNumber, "-2"},
      {"=CEILING(-2.5,-1)", rkNumber, "-3"},
      {"=CEILING(4.42,0.05)", rkNumber, "4.45"},
      {"=FLOOR(4.42,0.05)", rkNumber, "4.4"},
      {"=CEILING(0.3,0.1)", rkNumber, "0.3"},
      {"=FLOOR(7,2)", rkNumber, "6"},
      {"=CEILING(0,1)", rkError, "#NUM!"},  // x must have the significance's sign
      {"=CEILING(-2.5,1)", rkError, "#NUM!"},
      {"=FLOOR(2.5,-1)", rkError, "#NUM!"},
      {"=CEILING(2.5,0)", rkError, "#DIV/0!"},
      {"=CEILING(5)", rkError, "#NAME!"},
      {"=FLOOR(5)", rkError, "#NAME!"},
  };
  Check(cases);
}

TEST_F(MathFunctionTest, RoundingRules) {
  const FunctionCase cases[] = {
      // ROUND: halves away from zero; the digits themselves are rounded halves to even.
      {"=ROUND(2.5,0)", rkNumber, "3"},
      {"=ROUND(-2.5,0)", rkNumber, "-3"},
      {"=ROUND(-0.5,0)", rkNumber, "-1"},
      {"=ROUND(1234,-2)", rkNumber, "1200"},
      {"=ROUND(3.14159,2.5)", rkNumber, "3.14"},
      {"=ROUND(3.14159,3.5)", rkNumber, "3.1416"},
      {"=ROUND(2.675,2)", rkNumber, "2.68"},  // 267.49999999999997 in binary
      {"=ROUND(1.005,2)", rkNumber, "1.01"},
      {"=ROUND(1.5,400)", rkNumber, "1.5"},
      {"=ROUND(1E300,-400)", rkNumber, "0"},
      // ROUNDDOWN and ROUNDUP: floor and ceiling of x times ten, n times (none for n <= 0).
      {"=ROUNDDOWN(-1.25,1)", rkNumber, "-1.3"},
      {"=ROUNDUP(1.21,1)", rkNumber, "1.3"},
      {"=ROUNDDOWN(2.99,1)", rkNumber, "2.9"},
      {"=ROUNDUP(2.01,0)", rkNumber, "3"},
      {"=ROUNDDOWN(1234.5,-2)", rkNumber, "1234"},
      {"=ROUNDUP(0.07,2)", rkNumber, "0.07"},    // 7.000000000000001 after scaling
      {"=ROUNDDOWN(0.47,2)", rkNumber, "0.47"},  // 46.99999999999999 after scaling
      {"=ROUNDDOWN(3000000000.7,0)", rkNumber, "3E+09"},  // beyond the 32-bit integers
      {"=ROUNDUP(2.5,2.5)", rkNumber, "2.5"},
      // TRUNC: toward zero.
      {"=TRUNC(8.9)", rkNumber, "8"},
      {"=TRUNC(-8.9)", rkNumber, "-8"},
      {"=TRUNC(3.14159,2)", rkNumber, "3.14"},
      {"=TRUNC(0.29,2)", rkNumber, "0.29"},  // 28.999999999999996 after scaling
      {"=TRUNC(1E19+0.5)", rkNumber, "1E+19"},
      {"=ROUND(2.5)", rkError, "#VALUE!"},  // the digits are required
  };
  Check(cases);
}

TEST_F(MathFunctionTest, RandReplaysItsSequenceFromTheSeed) {
  SetRandomSeed(0);
  EXPECT_DOUBLE_EQ(Evaluate("=RAND()").Number, 1 / 4294967296.0);
  EXPECT_DOUBLE_EQ(Evaluate("=RAND()").Number, 134775814 / 4294967296.0);
  SetRandomSeed(0);
  EXPECT_DOUBLE_EQ(Evaluate("=RAND()").Number, 1 / 4294967296.0);
  // Every number lies in [0, 1).
  SetRandomSeed(0xFFFFFFFFu);
  for (int i = 0; i < 100; ++i) {
    const double x = Evaluate("=RAND()").Number;
    EXPECT_GE(x, 0);
    EXPECT_LT(x, 1);
  }
}

}  // namespace
