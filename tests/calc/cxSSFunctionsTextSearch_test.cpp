#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A
//  abc
//  5
//  =1/0
//  (empty)
//  TRUE
class TextSearchFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    static constexpr GridCell kGrid[] = {
        {"A1", "abc"}, {"A2", "5"}, {"A3", "=1/0"}, {"A5", "TRUE"},
    };
    PutGrid(kGrid);
  }
};

TEST_F(TextSearchFunctionTest, FindAndSearch) {
  const FunctionCase cases[] = {
      {"=FIND(\"b\",\"abcb\")", rkNumber, "2"},
      {"=FIND(\"b\",\"abcb\",3)", rkNumber, "4"},
      {"=FIND(\"\",\"abc\")", rkNumber, "1"},
      {"=FIND(\"\",\"abc\",3)", rkNumber, "3"},
      {"=FIND(\"ć\",\"šćž\")", rkNumber, "2"},
      {"=FIND(\"B\",\"abc\")", rkError, "#VALUE!"},  // case matters
      {"=FIND(\"a\",\"abc\",5)", rkError, "#VALUE!"},
      {"=FIND(\"a\",\"abc\",0)", rkError, "#VALUE!"},
      {"=SEARCH(\"B\",\"abc\")", rkNumber, "2"},
      {"=SEARCH(\"b?\",\"abcbd\",3)", rkNumber, "4"},
      {"=SEARCH(\"*c\",\"abc\")", rkNumber, "1"},
      {"=SEARCH(\"~*\",\"a*c\")", rkNumber, "2"},
      {"=SEARCH(\"x\",\"abc\")", rkError, "#VALUE!"},
      {"=FIND(\"b\",A3)", rkError, "#DIV/0!"},  // the failed cell's own error
  };
  Check(cases);
}

TEST_F(TextSearchFunctionTest, ReplacingAndRepeating) {
  const FunctionCase cases[] = {
      {"=SUBSTITUTE(\"aaa\",\"a\",\"b\")", rkText, "bbb"},
      {"=SUBSTITUTE(\"aaa\",\"a\",\"b\",2)", rkText, "aba"},
      {"=SUBSTITUTE(\"aaa\",\"a\",\"b\",5)", rkText, "aaa"},
      {"=SUBSTITUTE(\"abc\",\"\",\"x\")", rkText, "abc"},
      {"=SUBSTITUTE(\"aAa\",\"a\",\"\")", rkText, "A"},
      {"=SUBSTITUTE(\"aaa\",\"a\",\"b\",0)", rkError, "#VALUE!"},
      {"=REPLACE(\"abcdef\",2,3,\"X\")", rkText, "aXef"},
      {"=REPLACE(\"abc\",5,1,\"X\")", rkText, "abcX"},
      {"=REPLACE(\"čćž\",2,1,\"x\")", rkText, "čxž"},
      {"=REPLACE(\"abc\",0,1,\"X\")", rkError, "#VALUE!"},
      {"=REPLACE(\"abc\",1,-1,\"X\")", rkError, "#VALUE!"},
      {"=REPT(\"ab\",3)", rkText, "ababab"},
      {"=REPT(\"ab\",0)", rkText, ""},
      {"=REPT(\"ab\",-1)", rkError, "#VALUE!"},
      {"=REPT(\"ab\",20000)", rkError, "#VALUE!"},  // longer than a cell holds
  };
  Check(cases);
}

TEST_F(TextSearchFunctionTest, CharactersAndConversions) {
  const FunctionCase cases[] = {
      {"=CHAR(65)", rkText, "A"},
      {"=CHAR(128)", rkText, "€"},  // the Western code page
      {"=CHAR(233)", rkText, "é"},
      {"=CHAR(0)", rkError, "#VALUE!"},
      {"=CHAR(256)", rkError, "#VALUE!"},
      {"=CODE(\"A\")", rkNumber, "65"},
      {"=CODE(\"€uro\")", rkNumber, "128"},
      {"=CODE(\"é\")", rkNumber, "233"},
      {"=CODE(\"\")", rkError, "#VALUE!"},
      {"=LEN(CLEAN(CHAR(7)&\"a\"))", rkNumber, "1"},
      {"=EXACT(\"a\",\"A\")", rkBool, "FALSE"},
      {"=EXACT(\"a\",\"a\")", rkBool, "TRUE"},
      {"=PROPER(\"hello wORLD o'neil 2nd\")", rkText, "Hello World O'Neil 2Nd"},
      {"=PROPER(\"čaša ćup\")", rkText, "Čaša Ćup"},
      {"=T(\"abc\")", rkText, "abc"},
      {"=T(5)", rkText, ""},
      {"=T(A1)", rkText, "abc"},
      {"=T(A2)", rkText, ""},
      {"=N(5)", rkNumber, "5"},
      {"=N(\"5\")", rkNumber, "0"},  // a typed text
      {"=N(TRUE)", rkNumber, "1"},
      {"=N(A1)", rkNumber, "0"},
      {"=N(A2)", rkNumber, "5"},
      {"=N(A5)", rkNumber, "1"},
      {"=N(A3)", rkError, "#DIV/0!"},
  };
  Check(cases);
}

TEST_F(TextSearchFunctionTest, ValueReadsNumbersMoneyPercentagesAndDates) {
  const FunctionCase cases[] = {
      {"=VALUE(\"12.5\")", rkNumber, "12.5"},
      {"=VALUE(\" 7 \")", rkNumber, "7"},
      {"=VALUE(\"1,234\")", rkNumber, "1234"},
      {"=VALUE(\"$1,000\")", rkNumber, "1000"},
      {"=VALUE(\"50%\")", rkNumber, "0.5"},
      {"=VALUE(\"1/2/2024\")", rkNumber, "45293"},
      {"=VALUE(\"12:00\")", rkNumber, "0.5"},
      {"=VALUE(A2)", rkNumber, "5"},
      {"=VALUE(A4)", rkNumber, "0"},
      {"=VALUE(\"abc\")", rkError, "#VALUE!"},
      {"=VALUE(TRUE)", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(TextSearchFunctionTest, TextLaysOutNumbersByTheFormat) {
  const FunctionCase cases[] = {
      {"=TEXT(1234.567,\"#,##0.00\")", rkText, "1,234.57"},
      {"=TEXT(-1234.5,\"#,##0.00\")", rkText, "-1,234.50"},
      {"=TEXT(1234.5,\"$#,##0.00\")", rkText, "$1,234.50"},
      {"=TEXT(1234567,\"#,##0,\")", rkText, "1,235"},  // a trailing comma scales by 1000
      {"=TEXT(0.5,\"0%\")", rkText, "50%"},
      {"=TEXT(5,\"000\")", rkText, "005"},
      {"=TEXT(3.14159,\"#.##\")", rkText, "3.14"},
      {"=TEXT(0.5,\"#.##\")", rkText, ".5"},
      {"=TEXT(99.999,\"0.00\")", rkText, "100.00"},
      {"=TEXT(2.5,\"0\")", rkText, "3"},  // halves away from zero
      {"=TEXT(12345,\"0.00E+00\")", rkText, "1.23E+04"},
      {"=TEXT(0.000123,\"0.00E+00\")", rkText, "1.23E-04"},
      {"=TEXT(9.999,\"0.00E+00\")", rkText, "1.00E+01"},
      {"=TEXT(-5,\"0.0;(0.0)\")", rkText, "(5.0)"},
      {"=TEXT(0,\"0;-0;\"\"zero\"\"\")", rkText, "zero"},
      {"=TEXT(1.5,\"General\")", rkText, "1.5"},
      {"=TEXT(\"abc\",\"0\")", rkText, "abc"},
      {"=TEXT(\"2\",\"0.0\")", rkText, "2.0"},
      {"=TEXT(TRUE,\"0\")", rkText, "TRUE"},
      {"=TEXT(45306,\"dd.mm.yyyy\")", rkText, "15.01.2024"},
      {"=TEXT(45306,\"mmmm d, yyyy\")", rkText, "January 15, 2024"},
      {"=TEXT(45306,\"ddd mmm yy\")", rkText, "Mon Jan 24"},
      {"=TEXT(45306.75,\"h:mm AM/PM\")", rkText, "6:00 PM"},
      {"=TEXT(45306.5,\"yyyy-mm-dd hh:mm:ss\")", rkText, "2024-01-15 12:00:00"},
      {"=TEXT(0.5,\"hh:mm:ss\")", rkText, "12:00:00"},
      {"=TEXT(1.25,\"[h]:mm\")", rkText, "30:00"},
      {"=TEXT(A3,\"0\")", rkError, "#DIV/0!"},
      {"=TEXT(12,\"\")", rkText, ""},
      {"=TEXT(28313,\"ee-mm-dd\")", rkText, "1977-07-07"},
  };
  Check(cases);
}

// Excel's calendar has a 29th of February 1900: its serials 1 to 60 name one day later than the
// plain calendar, and serial 0 is the "0th" of January 1900.
TEST_F(TextSearchFunctionTest, TextShowsDatesOfExcelsCalendar) {
  const FunctionCase cases[] = {
      {"=TEXT(0.25,\"yyyy-mm-dd hh:mm\")", rkText, "1900-01-00 06:00"},
      {"=TEXT(1,\"yyyy-mm-dd\")", rkText, "1900-01-01"},
      {"=TEXT(59,\"yyyy-mm-dd\")", rkText, "1900-02-28"},
      {"=TEXT(60,\"yyyy-mm-dd\")", rkText, "1900-02-29"},
      {"=TEXT(61,\"yyyy-mm-dd\")", rkText, "1900-03-01"},
      {"=TEXT(1,\"dddd\")", rkText, "Sunday"},
  };
  Check(cases);
}

// A section may carry a condition; with one conditional section a number that fails it is
// shown in the General format.
TEST_F(TextSearchFunctionTest, TextChoosesSectionsByTheirConditions) {
  const FunctionCase cases[] = {
      {"=TEXT(1.5,\"[<10]#\"\" Wow\"\"\")", rkText, "2 Wow"},
      {"=TEXT(10,\"[<10]#\"\" Wow\"\"\")", rkText, "10"},
      {"=TEXT(10,\"[<= 10]#\"\" Wow\"\"\")", rkText, "10 Wow"},
      {"=TEXT(11,\"[<>10]#\"\" Wow\"\"\")", rkText, "11 Wow"},
      {"=TEXT(10,\"[=10]#\"\" Wow\"\"\")", rkText, "10 Wow"},
      {"=TEXT(500,\"[>=1000]#,##0,\"\"K\"\";0\")", rkText, "500"},
      {"=TEXT(2500,\"[>=1000]#,##0,\"\"K\"\";0\")", rkText, "3K"},
  };
  Check(cases);
}

TEST_F(SerbianFunctionTest, TextAndValueUseTheLocaleSeparators) {
  const FunctionCase cases[] = {
      {"=TEXT(1234,567;\"#,##0.00\")", rkText, "1.234,57"},
      {"=TEXT(45306;\"dd/mm/yyyy\")", rkText, "15.01.2024"},
      {"=VALUE(\"12,5\")", rkNumber, "12,5"},
      {"=VALUE(\"1.234,5\")", rkNumber, "1234,5"},
      {"=FIND(\"č\";\"ščž\")", rkNumber, "2"},
  };
  Check(cases);
}

// Values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).
TEST_F(TextSearchFunctionTest, BytesWidthsAndRomanNumerals) {
  const ValueCase cases[] = {
      // Each character is one byte in a language of single-byte characters.
      {"=LENB(\"abcd\")", "4"},
      {"=LEFTB(\"abcd\",2)", "ab"},
      {"=RIGHTB(\"abcd\",3)", "bcd"},
      {"=MIDB(\"abcd\",2,2)", "bc"},
      {"=FINDB(\"c\",\"abcd\")", "3"},
      {"=SEARCHB(\"C\",\"abcd\")", "3"},
      {"=REPLACEB(\"abcd\",2,2,\"xy\")", "axyd"},
      {"=ASC(\"ａｂｃ１２　x\")", "abc12　x"},  // the ideographic blank stays
      {"=DBCS(\"ab 1\")", "ａｂ １"},  // Gnumeric has no DBCS
      {"=PHONETIC(A1)", "abc"},  // the other programs lack PHONETIC
      {"=ROMAN(499)", "CDXCIX"},
      {"=ROMAN(499,1)", "LDVLIV"},
      {"=ROMAN(499,2)", "XDIX"},
      {"=ROMAN(499,3)", "VDIV"},
      {"=ROMAN(499,4)", "ID"},
      {"=ROMAN(1999,0)", "MCMXCIX"},
      {"=ROMAN(1999,1)", "MLMVLIV"},
      {"=ROMAN(1999,2)", "MXMIX"},
      {"=ROMAN(1999,4)", "MIM"},
      {"=ROMAN(3999)", "MMMCMXCIX"},
      {"=ROMAN(2024.9)", "MMXXIV"},
      {"=ROMAN(0)", ""},
      {"=ROMAN(4000)", "#VALUE!"},
      {"=ROMAN(-1)", "#VALUE!"},
      {"=ROMAN(45,5)", "#VALUE!"},
  };
  Check(cases);
}

}  // namespace

