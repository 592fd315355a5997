#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

// The distributions, with values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py),
// which agree on them to 1e-9 and better.

namespace {

class DistributionFunctionTest : public FunctionTest {};

TEST_F(DistributionFunctionTest, Normal) {
  const ValueCase cases[] = {
      {"=NORMSDIST(0.5)", "0.69146246127401312"},
      {"=NORMSDIST(-3)", "0.0013498980316300946"},
      {"=NORMSDIST(-10)", "0"},
      {"=NORMSDIST(6)", "0.9999999990134123"},
      {"=NORMDIST(42,40,1.5,TRUE)", "0.90878878027413212"},
      {"=NORMDIST(42,40,1.5,FALSE)", "0.10934004978399575"},
      {"=NORMDIST(1,0,0,TRUE)", "#NUM!"},
      {"=NORMSINV(0.908789)", "1.3333346730441071"},
      {"=NORMSINV(0.001)", "-3.0902323061678132"},
      {"=NORMSINV(1E-20)", "-9.262340089798407"},
      {"=NORMSINV(0.5)", "0"},
      {"=NORMSINV(0.999999)", "4.7534243088170873"},
      {"=NORMSINV(0)", "#NUM!"},
      {"=NORMSINV(1)", "#NUM!"},
      {"=NORMINV(0.908789,40,1.5)", "42.00000200956616"},
      {"=NORMINV(0.5,40,-1)", "#NUM!"},
      {"=LOGNORMDIST(4,3.5,1.2)", "0.039083555706800464"},
      {"=LOGNORMDIST(0,3.5,1.2)", "#NUM!"},
      {"=LOGINV(0.039084,3.5,1.2)", "4.0000252186806362"},
      {"=STANDARDIZE(42,40,1.5)", "1.3333333333333333"},
      {"=STANDARDIZE(42,40,0)", "#NUM!"},
      {"=CONFIDENCE(0.05,2.5,50)", "0.69295191217483887"},
      {"=CONFIDENCE(1,2.5,50)", "#NUM!"},
      {"=FISHER(0.75)", "0.97295507452765662"},
      {"=FISHER(1)", "#NUM!"},
      {"=FISHERINV(0.972955)", "0.74999996739414843"},
  };
  Check(cases);
}

TEST_F(DistributionFunctionTest, ExponentialGammaAndBeta) {
  const ValueCase cases[] = {
      {"=EXPONDIST(0.2,10,TRUE)", "0.8646647167633873"},
      {"=EXPONDIST(0.2,10,FALSE)", "1.3533528323661268"},
      {"=EXPONDIST(-1,10,TRUE)", "#NUM!"},
      {"=WEIBULL(105,20,100,TRUE)", "0.92958139006927676"},
      {"=WEIBULL(105,20,100,FALSE)", "0.035588864024504382"},
      {"=WEIBULL(1,0,100,TRUE)", "#NUM!"},
      {"=GAMMADIST(10.00001131,9,2,FALSE)", "0.032639130418293999"},
      {"=GAMMADIST(10.00001131,9,2,TRUE)", "0.068094003869787326"},
      {"=GAMMADIST(0.5,0.5,1,TRUE)", "0.68268949213708585"},
      {"=GAMMADIST(150,100,1,TRUE)", "0.99999407545966457"},
      {"=GAMMADIST(-1,9,2,TRUE)", "#NUM!"},
      {"=GAMMAINV(0.068094,9,2)", "10.000011191437178"},
      {"=GAMMAINV(0.999,0.5,3)", "16.241349255994095"},
      {"=GAMMAINV(1,9,2)", "#NUM!"},
      {"=GAMMALN(4)", "1.791759469228055"},
      {"=GAMMALN(0.5)", "0.57236494292470008"},
      {"=GAMMALN(0)", "#NUM!"},
      {"=BETADIST(2,8,10,1,3)", "0.6854705810546875"},
      {"=BETADIST(0.2,0.5,0.5)", "0.29516723530086658"},
      {"=BETADIST(0.999,20,3)", "0.99999848178773953"},
      {"=BETADIST(4,8,10,1,3)", "#NUM!"},
      {"=BETAINV(0.685470581,8,10,1,3)", "1.9999999999631428"},
      {"=BETAINV(0.01,0.5,2)", "4.4445761385159041e-05"},
      {"=BETAINV(0,8,10)", "0"},
  };
  Check(cases);
}

TEST_F(DistributionFunctionTest, ChiSquaredFAndT) {
  const ValueCase cases[] = {
      {"=CHIDIST(18.307,10)", "0.050000589091398123"},
      {"=CHIDIST(0.5,1)", "0.47950012218695348"},
      {"=CHIDIST(200,150.9)", "0.0039731859708216112"},
      {"=CHIDIST(-1,10)", "1"},
      {"=CHIDIST(1,0.5)", "#NUM!"},
      {"=CHIINV(0.050001,10)", "18.306973456961057"},
      {"=CHIINV(0.99,3)", "0.11483180189911711"},
      {"=CHIINV(1E-12,2)", "55.262042231857095"},
      {"=CHIINV(0,10)", "#NUM!"},
      {"=FDIST(15.20686486,6,4)", "0.010000000001416586"},
      {"=FDIST(0.5,1,100)", "0.48114467698573932"},
      {"=FDIST(-1,6,4)", "#NUM!"},
      {"=FINV(0.01,6,4)", "15.206864861157531"},
      {"=FINV(0.5,3.7,12)", "0.83530589856828785"},
      {"=FINV(0,6,4)", "#NUM!"},
      {"=TDIST(1.96,60,2)", "0.054644929736529312"},
      {"=TDIST(1.96,60,1)", "0.027322464868264656"},
      {"=TDIST(8,3,2)", "0.0040765775877854684"},
      {"=TDIST(0,5,1)", "0.5"},
      {"=TDIST(-1,60,2)", "#NUM!"},
      {"=TDIST(1,60,3)", "#NUM!"},
      {"=TINV(0.054645,60)", "1.9599994129833731"},
      {"=TINV(0.001,2)", "31.599054576443621"},
      {"=TINV(0.5,1.9)", "1"},  // df truncated (Gnumeric 0.825 keeps 1.9)
  };
  Check(cases);
}

TEST_F(DistributionFunctionTest, Discrete) {
  const ValueCase cases[] = {
      {"=POISSON(2,5,FALSE)", "0.084224337488568335"},
      {"=POISSON(2,5,TRUE)", "0.12465201948308115"},
      {"=POISSON(2.9,5,TRUE)", "0.12465201948308115"},
      {"=POISSON(150,140,TRUE)", "0.81342232922161661"},
      {"=POISSON(0,0,FALSE)", "#NUM!"},
      {"=POISSON(-1,5,TRUE)", "#NUM!"},
      {"=BINOMDIST(6,10,0.5,FALSE)", "0.205078125"},
      {"=BINOMDIST(6,10,0.5,TRUE)", "0.828125"},
      {"=BINOMDIST(3,200,0.05,TRUE)", "0.0090483763961015373"},
      {"=BINOMDIST(10,10,0.3,TRUE)", "1"},
      {"=BINOMDIST(0,10,0,FALSE)", "1"},
      {"=BINOMDIST(11,10,0.5,FALSE)", "#NUM!"},
      {"=CRITBINOM(6,0.5,0.75)", "4"},
      {"=CRITBINOM(100,0.3,0.01)", "20"},
      {"=CRITBINOM(6,1.5,0.75)", "#NUM!"},
      {"=NEGBINOMDIST(10,5,0.25)", "0.05504866037517786"},
      {"=NEGBINOMDIST(0,1,0.5)", "#NUM!"},
      {"=NEGBINOMDIST(10,0,0.25)", "#NUM!"},
      {"=HYPGEOMDIST(1,4,8,20)", "0.36326109391124872"},
      {"=HYPGEOMDIST(4,4,8,20)", "0.014447884416924666"},
      {"=HYPGEOMDIST(5,4,8,20)", "#NUM!"},
  };
  Check(cases);
}

}  // namespace
