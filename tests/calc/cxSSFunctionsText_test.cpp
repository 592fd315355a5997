#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A           B   C   D
//  "  a  b  "  a   b   c
//  Ćevapi
//  (empty)
//  TRUE
class TextFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A1", "  a  b  ");
    Put("A2", "Ćevapi");
    Put("A4", "TRUE");
    Put("B1", "a");
    Put("C1", "b");
    Put("D1", "c");
  }
};

TEST_F(TextFunctionTest, ConcatenatePrependsEachValue) {
  const FunctionCase cases[] = {
      {"=CONCATENATE(\"a\",\"b\")", rkText, "ab"},
      {"=CONCATENATE(B1:D1)", rkText, "cba"},  // an area's cells arrive last first
      {"=CONCATENATE(\"x\",1.5,TRUE)", rkText, "x1.5TRUE"},
      {"=CONCATENATE(A3,B1)", rkText, "a"},
      {"=CONCATENATE(\"1\",\"2\")", rkText, "12"},  // text, though it reads as a number
  };
  Check(cases);
}

TEST_F(TextFunctionTest, LeftRightAndMidCountCharacters) {
  const FunctionCase cases[] = {
      {"=LEFT(\"abc\",5)", rkText, "abc"},
      {"=RIGHT(\"abc\",2)", rkText, "bc"},
      {"=LEFT(\"abcd\",2.5)", rkText, "ab"},  // the count rounded halves to even
      {"=LEFT(\"abcd\",3.5)", rkText, "abcd"},
      {"=LEFT(\"abc\")", rkText, "a"},
      {"=RIGHT(\"abc\")", rkText, "c"},
      {"=LEFT(A3)", rkText, ""},
      {"=LEFT(\"abc\",0)", rkText, ""},
      {"=LEFT(A2,2)", rkText, "Će"},
      {"=RIGHT(A2,3)", rkText, "api"},
      {"=LEFT(12345,2)", rkText, "12"},
      {"=LEFT(\"abc\",-1)", rkError, "#VALUE!"},
      {"=RIGHT(\"abc\",-1)", rkError, "#VALUE!"},
      {"=MID(\"abcdef\",2,3)", rkText, "bcd"},
      {"=MID(\"abc\",2,10)", rkText, "bc"},
      {"=MID(\"abc\",1.9,1.9)", rkText, "a"},  // start and count truncated
      {"=MID(A2,1,3)", rkText, "Ćev"},
      {"=MID(\"abc\",4,1)", rkError, "#VALUE!"},
      {"=MID(\"abc\",0,1)", rkError, "#VALUE!"},
      {"=MID(\"abc\",2,0)", rkError, "#VALUE!"},
      {"=MID(\"abc\",2)", rkError, "#VALUE!"},  // exactly three arguments
  };
  Check(cases);
}

TEST_F(TextFunctionTest, LengthCaseAndBlanks) {
  const FunctionCase cases[] = {
      {"=LEN(\"abc\")", rkNumber, "3"},
      {"=LEN(A2)", rkNumber, "6"},
      {"=LEN(A3)", rkNumber, "0"},
      {"=LEN(12.5)", rkNumber, "4"},
      {"=LEN(A4)", rkNumber, "4"},
      {"=LOWER(\"ABC Ć\")", rkText, "abc ć"},
      {"=UPPER(\"čevapi\")", rkText, "ČEVAPI"},
      {"=UPPER(1.5)", rkText, "1.5"},
      {"=TRIM(A1)", rkText, "a b"},
      {"=TRIM(\"  x  \")", rkText, "x"},
      {"=LEN(TRIM(A1))", rkNumber, "3"},
  };
  Check(cases);
}

TEST_F(TextFunctionTest, FixedRoundsHalvesToEvenAndGivesANumber) {
  const FunctionCase cases[] = {
      {"=FIXED(2.5,0)", rkNumber, "2"},
      {"=FIXED(3.5,0)", rkNumber, "4"},
      {"=ROUND(2.5,0)", rkNumber, "3"},
      {"=FIXED(1234.5678,2)", rkNumber, "1234.57"},
      {"=FIXED(1.025,2)", rkNumber, "1.02"},  // a half, to even
      {"=FIXED(1.015,2)", rkNumber, "1.02"},  // 101.49999999999999 after scaling
      {"=FIXED(1234.5678,-2)", rkNumber, "1234.5678"},
      {"=FIXED(1.5,0,TRUE)", rkNumber, "2"},
      {"=FIXED(2.345)", rkNumber, "2.34"},  // two places by default
      {"=FIXED(\"x\",1)", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(TextFunctionTest, DollarUsesTheLocaleMoneyLayout) {
  const FunctionCase cases[] = {
      {"=DOLLAR(1234.567,2)", rkText, "$1,234.57"},
      {"=DOLLAR(-1234.567,2)", rkText, "($1,234.57)"},
      {"=DOLLAR(1234.567,0)", rkText, "$1,235"},
      {"=DOLLAR(1234.567,2.5)", rkText, "$1,234.57"},
      {"=DOLLAR(1234.567,-2)", rkText, "$1,200"},
      {"=DOLLAR(1234567.891,1)", rkText, "$1,234,567.9"},
      {"=DOLLAR(0.5,0)", rkText, "$1"},
      {"=DOLLAR(-0.001,2)", rkText, "$0.00"},
      {"=DOLLAR(1234.567)", rkText, "$1,234.57"},  // the locale's decimals
      {"=DOLLAR(\"x\",2)", rkError, "#VALUE!"},
  };
  Check(cases);
}

// USDOLLAR is dollars whatever the locale, with two decimals unless given. YEN and JIS, the
// names a Japanese Excel gives USDOLLAR and DBCS, are those functions and show their names.
TEST_F(TextFunctionTest, UsDollarAndTheJapaneseNames) {
  const FunctionCase cases[] = {
      {"=USDOLLAR(1234.567)", rkText, "$1,234.57"},
      {"=USDOLLAR(-1234.567,1)", rkText, "($1,234.6)"},
      {"=USDOLLAR(1234.567,-2)", rkText, "$1,200"},
      {"=USDOLLAR(\"x\")", rkError, "#VALUE!"},
      {"=YEN(1234.567,0)", rkText, "$1,235"},
      {"=JIS(\"ab 1\")", rkText, "ａｂ １"},
  };
  Check(cases);
  Put("A1", "=yen(5)");
  Put("A2", "=Jis(\"a\")");
  EXPECT_EQ(TcxSSCellObject(Storage(), 0, 0).GetText(), "=USDOLLAR(5)");
  EXPECT_EQ(TcxSSCellObject(Storage(), 0, 1).GetText(), "=DBCS(\"a\")");
}

TEST_F(SerbianFunctionTest, MoneyNumbersAndCaseFollowTheLocale) {
  //  A
  //  Šuma
  Put("A1", "Šuma");
  const FunctionCase cases[] = {
      {"=DOLLAR(1234,567;2)", rkText, "1.234,57 din."},
      {"=DOLLAR(-1234,567;2)", rkText, "-1.234,57 din."},
      {"=DOLLAR(0,5;0)", rkText, "1 din."},
      {"=USDOLLAR(1234,567)", rkText, "$1,234.57"},
      {"=FIXED(2,5;0)", rkNumber, "2"},
      {"=FIXED(1234,5678;2)", rkNumber, "1234,57"},
      {"=LOWER(A1)", rkText, "šuma"},
      {"=UPPER(\"đak žaba čaša\")", rkText, "ĐAK ŽABA ČAŠA"},
      {"=LEFT(A1;2)", rkText, "Šu"},
      {"=LEN(1,5)", rkNumber, "3"},
      {"=CONCATENATE(\"x\";1,5)", rkText, "x1,5"},
      {"=MID(\"abcdef\";2;3)", rkText, "bcd"},
  };
  Check(cases);
}

}  // namespace
