#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  B
//  -70000    (row 11)
//  12000
//  15000
//  18000
//  21000
//  26000
class FinanceFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    const char* flows[] = {"-70000", "12000", "15000", "18000", "21000", "26000"};
    for (int i = 0; i < 6; ++i) Put("B" + std::to_string(11 + i), flows[i]);
  }
};

TEST_F(FinanceFunctionTest, Annuities) {
  const FunctionCase cases[] = {
      {"=PMT(0.08/12,10,10000)", rkNumber, "-1037.0321"},
      {"=PMT(0,10,1000)", rkNumber, "-100"},
      {"=PMT(0.1,5,1000,0,1)", rkNumber, "-239.81589"},
      {"=PMT(0.1,0,1000)", rkError, "#NUM!"},
      {"=PV(0.08/12,240,-500)", rkNumber, "59777.146"},
      {"=FV(0.06/12,10,-200,-500,1)", rkNumber, "2581.4034"},
      {"=FV(0,10,-100)", rkNumber, "1000"},
      {"=NPER(0.12/12,-100,-1000,10000,1)", rkNumber, "59.673866"},
      {"=NPER(0,-100,1000)", rkNumber, "10"},
      {"=NPER(0.1,0,1000)", rkError, "#NUM!"},
      {"=IPMT(0.1/12,1,36,8000)", rkNumber, "-66.666667"},
      {"=IPMT(0.1,3,3,8000)", rkNumber, "-292.44713"},
      {"=IPMT(0.1,2,3,1000,0,1)", rkNumber, "-63.444109"},
      {"=IPMT(0.1,4,3,8000)", rkError, "#NUM!"},
      {"=PPMT(0.1/12,1,24,2000)", rkNumber, "-75.623186"},
      {"=PPMT(0.1,2,3,1000,0,1)", rkNumber, "-302.1148"},
      {"=RATE(48,-200,8000)", rkNumber, "0.0077014725"},
      {"=RATE(48,-200,8000,0,0,0.02)", rkNumber, "0.0077014725"},
      {"=RATE(10,100,1000)", rkError, "#NUM!"},  // no rate pays back
  };
  Check(cases);
}

TEST_F(FinanceFunctionTest, CashFlows) {
  const FunctionCase cases[] = {
      {"=NPV(0.1,-10000,3000,4200,6800)", rkNumber, "1188.4434"},
      {"=NPV(0.1,B12:B16)", rkNumber, "67316.689"},
      {"=NPV(-1,1)", rkError, "#DIV/0!"},
      {"=IRR(B11:B15)", rkNumber, "-0.021244848"},
      {"=IRR(B11:B16)", rkNumber, "0.086630948"},
      {"=IRR(B12:B16)", rkError, "#NUM!"},  // no payment out
      {"=MIRR(B11:B16,0.1,0.12)", rkNumber, "0.098669107"},
      {"=MIRR(B12:B16,0.1,0.12)", rkError, "#DIV/0!"},            // no payment out
      {"=MIRR(TRANSPOSE(-B12:B16),0.1,0.12)", rkNumber, "-1"},  // no payment in
  };
  Check(cases);
}

TEST_F(FinanceFunctionTest, Depreciation) {
  const FunctionCase cases[] = {
      {"=SLN(30000,7500,10)", rkNumber, "2250"},
      {"=SLN(30000,7500,0)", rkError, "#DIV/0!"},
      {"=SYD(30000,7500,10,1)", rkNumber, "4090.9091"},
      {"=SYD(30000,7500,10,11)", rkError, "#NUM!"},
      {"=DDB(2400,300,10,1)", rkNumber, "480"},
      {"=DDB(2400,300,10,10)", rkNumber, "22.122547"},
      {"=DDB(2400,300,120,1,2)", rkNumber, "40"},
      {"=DDB(2400,300,10,11)", rkError, "#NUM!"},
      {"=DB(1000000,100000,6,1,7)", rkNumber, "186083.33"},
      {"=DB(1000000,100000,6,3)", rkNumber, "147939.76"},
      {"=DB(1000000,100000,6,7,7)", rkNumber, "15845.098"},
      {"=DB(1000000,100000,6,8,7)", rkError, "#NUM!"},
  };
  Check(cases);
}

}  // namespace
