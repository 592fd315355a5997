#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

// The complex numbers of the engineering add-in, with values from LibreOffice and Gnumeric
// (tests/scripts/function_oracle.py).

namespace {

//  A       B
//  3+4i    1
//  -2j     2-j
//  i       x
class ComplexFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "3+4i"}, {"A2", "-2j"}, {"A3", "i"}, {"B1", "1"}, {"B2", "2-j"}, {"B3", "x"},
    };
    PutGrid(kGrid);
  }
};

TEST_F(ComplexFunctionTest, WritingAndReading) {
  const ValueCase cases[] = {
      {"=COMPLEX(3,4)", "3+4i"},
      {"=COMPLEX(3,-4,\"j\")", "3-4j"},
      {"=COMPLEX(0,1)", "i"},
      {"=COMPLEX(0,-1)", "-i"},
      {"=COMPLEX(1.5,0)", "1.5"},
      {"=COMPLEX(0,0)", "0"},
      {"=COMPLEX(1,2,\"k\")", "#VALUE!"},
      {"=IMREAL(A1)", "3"},
      {"=IMAGINARY(A1)", "4"},
      {"=IMAGINARY(A2)", "-2"},
      {"=IMAGINARY(A3)", "1"},
      {"=IMREAL(\"-1.5e2+3i\")", "-150"},
      {"=IMAGINARY(\"2+i\")", "1"},
      {"=IMREAL(B3)", "#NUM!"},
      {"=IMABS(A1)", "5"},
      {"=IMARGUMENT(A1)", "0.92729521800161219"},
      {"=IMARGUMENT(\"0\")", "#DIV/0!"},  // Gnumeric 0
      {"=IMCONJUGATE(A1)", "3-4i"},
      {"=IMCONJUGATE(A2)", "2j"},
  };
  Check(cases);
}

TEST_F(ComplexFunctionTest, Arithmetic) {
  const ValueCase cases[] = {
      {"=IMSUM(A1,B1,\"1-i\")", "5+3i"},
      {"=IMSUM(A1:B1)", "4+4i"},
      {"=IMSUB(A1,\"1+i\")", "2+3i"},
      {"=IMPRODUCT(A1,\"1-2i\")", "11-2i"},
      {"=IMPRODUCT(A1:A1,B1:B1,2)", "6+8i"},
      {"=IMDIV(A1,\"1+2i\")", "2.2-0.4i"},
      {"=IMDIV(A1,0)", "#NUM!"},  // Gnumeric #DIV/0!
      {"=IMSUM(A1,A2)", "#VALUE!"},  // i and j mixed (the others take one of them)
      {"=IMSUM(A2,B2)", "2-3j"},
      {"=IMPOWER(A1,2)", "-7+24i"},
      {"=IMPOWER(\"2\",0.5)", "1.4142135623731"},  // 15 digits, as a cell shows a number
      {"=IMSQRT(\"-4\")", "2i"},
  };
  Check(cases);
}

TEST_F(ComplexFunctionTest, Functions) {
  // The parts of the results, as numbers: the programs write their texts with different
  // numbers of digits.
  const ValueCase cases[] = {
      {"=IMSQRT(A1)", "2+i"},
      {"=IMREAL(IMEXP(\"1+i\"))", "1.4686939399158851"},
      {"=IMAGINARY(IMEXP(\"1+i\"))", "2.2873552871788423"},
      {"=IMREAL(IMLN(A1))", "1.6094379124341003"},
      {"=IMAGINARY(IMLN(A1))", "0.92729521800161219"},
      {"=IMLN(0)", "#NUM!"},
      {"=IMREAL(IMLOG10(A1))", "0.69897000433601886"},
      {"=IMAGINARY(IMLOG10(A1))", "0.40271919627337316"},
      {"=IMREAL(IMLOG2(A1))", "2.3219280948873622"},
      {"=IMAGINARY(IMLOG2(A1))", "1.3378042124509761"},
      {"=IMREAL(IMSIN(A1))", "3.8537380379193773"},
      {"=IMAGINARY(IMSIN(A1))", "-27.016813258003936"},
      {"=IMREAL(IMCOS(A1))", "-27.034945603074224"},
      {"=IMAGINARY(IMCOS(A1))", "-3.8511533348117775"},
      {"=IMREAL(IMCOS(\"1+i\"))", "0.83373002513114902"},
      {"=IMABS(IMEXP(A1))", "20.085536923187668"},
      {"=IMAGINARY(IMPOWER(\"-8\",1/3))", "1.7320508075688772"},
  };
  Check(cases);
}

}  // namespace
