#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

// Statistical tests, the shape statistics and the regression over several variables, with
// values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).

namespace {

//  A    B    C   D    E    F      G      H   I    J  K
//  3    6    1   58   35   45.35  47.65  2   1.5     0.2
//  4    19   2   11   25   17.56  18.44  4   3.1     0.3
//  5    3    3   10   23   16.09  16.91  6   4.2     0.1
//  8    2    4                           8   6.9     0.25
//  9    14   5                           10  8.4     0.15
//  1    4    6                               x
//  2    5    7
//  4    17   8
//  5    1    9
//  5.5  0    10
class InferenceFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "3"},  {"A2", "4"},  {"A3", "5"},  {"A4", "8"},  {"A5", "9"},
        {"A6", "1"},  {"A7", "2"},  {"A8", "4"},  {"A9", "5"},  {"A10", "5.5"},
        {"B1", "6"},  {"B2", "19"}, {"B3", "3"},  {"B4", "2"},  {"B5", "14"},
        {"B6", "4"},  {"B7", "5"},  {"B8", "17"}, {"B9", "1"},  {"B10", "0"},
        {"C1", "1"},  {"C2", "2"},  {"C3", "3"},  {"C4", "4"},  {"C5", "5"},
        {"C6", "6"},  {"C7", "7"},  {"C8", "8"},  {"C9", "9"},  {"C10", "10"},
        {"D1", "58"}, {"D2", "11"}, {"D3", "10"}, {"E1", "35"}, {"E2", "25"}, {"E3", "23"},
        {"F1", "45.35"}, {"F2", "17.56"}, {"F3", "16.09"},
        {"G1", "47.65"}, {"G2", "18.44"}, {"G3", "16.91"},
        {"H1", "2"},  {"H2", "4"},  {"H3", "6"},  {"H4", "8"},  {"H5", "10"},
        {"I1", "1.5"}, {"I2", "3.1"}, {"I3", "4.2"}, {"I4", "6.9"}, {"I5", "8.4"}, {"I6", "x"},
        {"K1", "0.2"}, {"K2", "0.3"}, {"K3", "0.1"}, {"K4", "0.25"}, {"K5", "0.15"},
    };
    PutGrid(kGrid);
  }
};

TEST_F(InferenceFunctionTest, Tests) {
  const ValueCase cases[] = {
      {"=CHITEST(D1:E3,F1:G3)", "0.0003081920170083092"},
      {"=CHITEST(D1:D3,F1:F3)", "0.015888560447087374"},
      {"=CHITEST(D1:E3,F1:F3)", "#N/A!"},
      {"=FTEST(A1:A10,B1:B10)", "0.0051346213756046834"},
      {"=FTEST(A1:A5,C1:C10)", "0.81368275205331886"},
      {"=TTEST(A1:A10,B1:B10,2,1)", "0.31265433368747647"},
      {"=TTEST(A1:A10,B1:B10,1,2)", "0.15330768665229272"},
      {"=TTEST(A1:A10,B1:B10,2,3)", "0.31476748608238386"},
      {"=TTEST(A1:A5,C1:C10,1,3)", "0.42298464508783173"},
      {"=TTEST(A1:A10,B1:B10,3,1)", "#NUM!"},
      {"=TTEST(A1:A10,B1:B10,2,4)", "#NUM!"},
      {"=ZTEST(A1:A10,4)", "0.20290381416674524"},
      {"=ZTEST(A1:A10,6,2)", "0.98360059306722714"},
      {"=PROB(H1:H5,K1:K5,4,8)", "0.65000000000000002"},
      {"=PROB(C1:C4,A6:A9/12,2)", "0.16666666666666666"},
      {"=PROB(C1:C2,A1:A2,1)", "#NUM!"},
  };
  Check(cases);
}

TEST_F(InferenceFunctionTest, ShapeOfTheData) {
  const ValueCase cases[] = {
      {"=GEOMEAN(A1:A10)", "3.9608704937336094"},
      {"=GEOMEAN(B1:B10)", "#NUM!"},
      {"=HARMEAN(A1:A10)", "3.1733311964099689"},
      {"=HARMEAN(A1:A10,-1)", "#NUM!"},
      {"=KURT(A1:A10)", "-0.14038975834458908"},
      {"=KURT(B1:B10)", "-0.8560503570898581"},
      {"=KURT(1,2,3)", "#DIV/0!"},
      {"=SKEW(A1:A10)", "0.44402557570066309"},
      {"=SKEW(B1:B10)", "0.89809896204911821"},
      {"=SKEW(1,1,1)", "#DIV/0!"},
      {"=TRIMMEAN(B1:B10,0.2)", "6.5"},
      {"=TRIMMEAN(B1:B10,0.25)", "6.5"},
      {"=TRIMMEAN(B1:B10,0)", "7.0999999999999996"},
      {"=TRIMMEAN(B1:B10,1)", "#NUM!"},
      {"=COVAR(A1:A10,B1:B10)", "0.78500000000000003"},
      {"=COVAR(A1:A5,B1:B4)", "#N/A!"},
      {"=STEYX(I1:I5,H1:H5)", "0.42110964526276684"},
      {"=STEYX(B1:B10,A1:A10)", "7.34659870241466"},
  };
  Check(cases);
}

TEST_F(InferenceFunctionTest, RegressionOverSeveralVariables) {
  const ValueCase cases[] = {
      // LINEST's first row: the slopes, last variable first, then the constant.
      {"=INDEX(LINEST(I1:I5,H1:H5),1,1)", "0.88"},
      {"=INDEX(LINEST(I1:I5,H1:H5),1,2)", "-0.46000000000000002"},
      {"=INDEX(LINEST(I1:I5,H1:H5,FALSE),1,1)", "0.81727272727272726"},
      {"=INDEX(LINEST(I1:I5,H1:H5,FALSE),1,2)", "0"},
      {"=INDEX(LINEST(I1:I5),1,1)", "1.76"},
      {"=INDEX(LINEST(A1:A10,B1:C10),1,1)", "0.0034013605442176869"},
      {"=INDEX(LINEST(A1:A10,B1:C10),1,2)", "0.018569589998161426"},
      {"=INDEX(LINEST(A1:A10,B1:C10),1,3)", "4.499448428019857"},
      // The statistics.
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),2,1)", "0.32249553901269623"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),2,3)", "2.4434901411791277"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),3,1)", "0.002602821646113656"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),3,2)", "2.8000454011350446"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),4,1)", "0.0091336490207770803"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),4,2)", "7"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),5,1)", "0.14322026107740393"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),5,2)", "54.881779738922596"},
      {"=INDEX(LINEST(A1:A10,B1:C10,TRUE,TRUE),3,3)", "#N/A!"},
      {"=INDEX(LINEST(I1:I5,H1:H5,FALSE,TRUE),3,1)", "0.99509471364282764"},
      {"=INDEX(LINEST(I1:I5,H1:H5,FALSE,TRUE),4,1)", "811.44678714859435"},
      {"=INDEX(LINEST(I1:I6,H1:H6),1,1)", "#VALUE!"},
      {"=LINEST(I1:I5,H1:H4)", "#REF!"},
      // LOGEST fits y = b × m^x.
      {"=INDEX(LOGEST(I1:I5,H1:H5),1,1)", "1.2364973004766193"},
      {"=INDEX(LOGEST(I1:I5,H1:H5),1,2)", "1.1418448270823298"},
      {"=INDEX(LOGEST(I1:I5,H1:H5,TRUE,TRUE),2,1)", "0.024589001304697169"},
      {"=INDEX(LOGEST(B1:B10,A1:A10),1,1)", "#NUM!"},
      // TREND and GROWTH at new x values.
      {"=TREND(I1:I5,H1:H5,12)", "10.1"},
      {"=INDEX(TREND(I1:I5,H1:H5,H1:H2*3),2)", "10.1"},  // LibreOffice #VALUE!
      {"=TREND(A1:A10,B1:C10,E1:F1)", "5.3036357786357788"},
      {"=TREND(I1:I5,H1:H5,12,FALSE)", "9.8072727272727267"},
      {"=GROWTH(I1:I5,H1:H5,12)", "14.585628887062269"},
      {"=INDEX(GROWTH(I1:I5),3)", "4.0809955763801868"},
      {"=GROWTH(I1:I5,H1:H5,12,FALSE)", "15.870266357418306"},
  };
  Check(cases);
}

}  // namespace
