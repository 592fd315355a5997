#include "calc/cxSSFormats.h"

#include <gtest/gtest.h>

#include <cmath>

#include "calc/cxSSDateTime.h"
#include "platform/FixedPlatform.h"

namespace {

const TRegionalSettings kEnglish = TRegionalSettings::English();
const TRegionalSettings kSerbian = TRegionalSettings::Serbian();

std::string Format(TxlsDataFormat format, double x, const TRegionalSettings& s, int precision = 2) {
  std::string text;
  TcxSSColor color = kColorAuto;
  FormatValue(format, precision, text, color, x, s);
  return text;
}

// 2024-01-05 13:07:09.045, a Friday.
double Sample() {
  double date = 0, time = 0;
  EXPECT_TRUE(TryEncodeDate(2024, 1, 5, date));
  EXPECT_TRUE(TryEncodeTime(13, 7, 9, 45, time));
  return date + time;
}

}  // namespace

struct TFormatCase {
  TxlsDataFormat Format;
  double X;
  const char* English;
  const char* Serbian;
};

class FormatValueTable : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(FormatValueTable, ShowsTheValueInBothLocales) {
  const TFormatCase& c = GetParam();
  EXPECT_EQ(Format(c.Format, c.X, kEnglish), c.English) << "format " << c.Format << " x " << c.X;
  EXPECT_EQ(Format(c.Format, c.X, kSerbian), c.Serbian) << "format " << c.Format << " x " << c.X;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FormatValueTable,
    ::testing::Values(
        TFormatCase{0, 1.0 / 3, "0.33333333", "0,33333333"},
        TFormatCase{0, 123456789012, "1.2345679E+11", "1,2345679E+11"},
        TFormatCase{0, -42, "-42", "-42"},
        TFormatCase{0, 0, "0", "0"},
        TFormatCase{0, 0.0000012, "1.2E-06", "1,2E-06"},
        TFormatCase{1, 2.5, "3", "3"},
        TFormatCase{1, -0.4, "0", "0"},
        TFormatCase{1, -1234.5, "-1235", "-1235"},
        TFormatCase{2, 2.675, "2.68", "2,68"},
        TFormatCase{2, 0.005, "0.01", "0,01"},
        TFormatCase{2, -1.5, "-1.50", "-1,50"},
        TFormatCase{3, 1234567, "1,234,567", "1.234.567"},
        TFormatCase{3, 999.5, "1,000", "1.000"},
        TFormatCase{3, 12, "12", "12"},
        TFormatCase{3, -1234, "-1,234", "-1.234"},
        TFormatCase{4, 1234567.891, "1,234,567.89", "1.234.567,89"},
        TFormatCase{4, 0.5, "0.50", "0,50"},
        TFormatCase{5, 1234.4, "$1,234", "din.1.234"},
        TFormatCase{6, -1234.4, "($1,234)", "(din.1.234)"},
        TFormatCase{7, 0, "$0.00", "din.0,00"},
        TFormatCase{8, -5, "($5.00)", "(din.5,00)"},
        TFormatCase{9, 0.256, "26%", "26%"},
        TFormatCase{10, 0.25, "25.00%", "25,00%"},
        TFormatCase{10, -0.0123, "-1.23%", "-1,23%"},
        TFormatCase{9, 1e307, "INF", "INF"},  // overflows when made a percentage
        TFormatCase{11, 12345, "1.23E+04", "1,23E+04"},
        TFormatCase{11, 0.00012345, "1.23E-04", "1,23E-04"},
        TFormatCase{11, 9.999, "1.00E+01", "1,00E+01"},
        TFormatCase{11, 0, "0.00E+00", "0,00E+00"},
        TFormatCase{11, -5e300, "-5.00E+300", "-5,00E+300"},
        TFormatCase{37, 1234, " 1,234 ", " 1.234 "},
        TFormatCase{38, -1234, "(1,234)", "(1.234)"},
        TFormatCase{39, 0, " 0.00 ", " 0,00 "},
        TFormatCase{40, -0.5, "(0.50)", "(0,50)"},
        TFormatCase{41, 1234, " 1,234 ", " 1.234 "},
        TFormatCase{41, -1234, "(1,234)", "(1.234)"},
        TFormatCase{41, 0, " - ", " - "},
        TFormatCase{42, 1234, " $ 1,234 ", " din. 1.234 "},
        TFormatCase{42, -1234, "$ (1,234)", "din. (1.234)"},
        TFormatCase{42, 0, " $ - ", " $ - "},  // the zero texts keep their "$"
        TFormatCase{43, 1.5, " 1.50 ", " 1,50 "},
        TFormatCase{43, 0, " -   ", " -   "},
        TFormatCase{44, -1.5, " $ (1.50)", " din. (1,50)"},
        TFormatCase{44, 0, " $ -   ", " $ -   "},
        TFormatCase{48, 12345, "12.3E+3", "12,3E+3"},
        TFormatCase{48, 123456, "123.5E+3", "123,5E+3"},
        TFormatCase{48, 1.5, "1.5E+0", "1,5E+0"},
        TFormatCase{48, 0.0012, "1.2E-3", "1,2E-3"},
        TFormatCase{48, 999.96, "1.0E+3", "1,0E+3"},
        TFormatCase{12, 0, "0    ", "0    "},
        // Fractions by their codes "# ?/?" and "# ??/??", as other spreadsheet programs show them.
        TFormatCase{12, 1.0 / 3, " 1/3", " 1/3"},
        TFormatCase{12, 2.5, "2 1/2", "2 1/2"},
        TFormatCase{13, 0.125, "  1/8 ", "  1/8 "},
        TFormatCase{13, -3.14159, "-3 14/99", "-3 14/99"},
        TFormatCase{49, -1234.5, "-1234.50", "-1234,50"},
        TFormatCase{30, 7, "7.00", "7,00"},
        TFormatCase{300, 1e20, "1E+20", "1E+20"}));

INSTANTIATE_TEST_SUITE_P(
    DatesAndTimes, FormatValueTable,
    ::testing::Values(
        TFormatCase{14, Sample(), "1/5/2024", "5.1.2024"},
        TFormatCase{15, Sample(), "5-January-24", "5-januar-24"},
        TFormatCase{16, Sample(), "5-January", "5-januar"},
        TFormatCase{17, Sample(), "January-24", "januar-24"},
        TFormatCase{18, Sample(), "1:07 PM", "1:07 PM"},
        TFormatCase{19, Sample(), "1:07:09 PM", "1:07:09 PM"},
        TFormatCase{18, 0.25, "6:00 AM", "6:00 AM"},
        TFormatCase{18, 0, "12:00 AM", "12:00 AM"},
        TFormatCase{20, Sample(), "13:07", "13:07"},
        TFormatCase{21, Sample(), "1:07:09 PM", "13:07:09"},
        TFormatCase{22, Sample(), "1/5/2024 1:07:09 PM", "5.1.2024 13:07:09"},
        TFormatCase{45, Sample(), "07:09", "07:09"},
        TFormatCase{46, 1.75, "42:00:00", "42:00:00"},
        TFormatCase{46, Sample(), "1087117:07:09", "1087117:07:09"},
        TFormatCase{46, -0.5, "-12:00:00", "-12:00:00"},
        TFormatCase{47, Sample(), "07:09.045", "07:09.045"},
        TFormatCase{164, Sample(), "05/01/24", "05.01.24"},
        TFormatCase{165, Sample(), "05.January.24", "05.januar.24"},
        TFormatCase{14, 0, "12/30/1899", "30.12.1899"},
        TFormatCase{14, -1.25, "12/29/1899", "29.12.1899"},
        TFormatCase{20, -1.25, "6:00", "6:00"},
        TFormatCase{21, 0.99999999999, "12:00:00 AM", "0:00:00"},
        TFormatCase{22, 0.99999999999, "12/31/1899 12:00:00 AM", "31.12.1899 0:00:00"},
        TFormatCase{14, 3e6, "3000000", "3000000"},  // beyond 9999-12-31
        TFormatCase{14, NAN, "NAN", "NAN"}));

TEST(FormatValue, RedOnlyForNegativesUnderTheRedFormats) {
  for (int format = 0; format <= 49; ++format) {
    for (const double x : {-3.0, 0.0, 3.0}) {
      std::string text;
      TcxSSColor color = 17;
      FormatValue(static_cast<TxlsDataFormat>(format), 2, text, color, x, kEnglish);
      const bool red = x < 0 && (format == 6 || format == 8 || format == 38 || format == 40);
      EXPECT_EQ(color, red ? 2 : 17) << format << " " << x;
      EXPECT_FALSE(text.empty()) << format << " " << x;
    }
  }
}

TEST(FormatValue, PrecisionBoundsGeneralExponentAndFixedDecimals) {
  EXPECT_EQ(Format(0, 123456789012, kEnglish, 0), "1.2345679E11");
  EXPECT_EQ(Format(0, 123456789012, kEnglish, 4), "1.2345679E+0011");
  EXPECT_EQ(Format(0, 123456789012, kEnglish, 200), "1.2345679E+00000011");
  EXPECT_EQ(Format(30, 1.0 / 3, kEnglish, 0), "0");
  EXPECT_EQ(Format(30, 1.0 / 3, kEnglish, 5), "0.33333");
  EXPECT_EQ(Format(30, 2.0 / 3, kEnglish, 20), "0.66666667");
}

TEST(FormatValue, CurrencyStringIsLiteralEvenWithPictureCharacters) {
  TRegionalSettings s = kEnglish;
  s.CurrencyString = "0.#,E+";
  EXPECT_EQ(Format(7, 1234.5, s), "0.#,E+1,234.50");
}

TEST(DisplayText, ShowsNumbersAndBooleansFormatted) {
  TFixedTextServices text;
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    TxlsDataFormat Format;
    const char* Shown;
  } cases[] = {
      {kEnglish, "1234.5", 4, "1,234.50"},
      {kEnglish, "1234.5", 49, "1234.5"},
      {kEnglish, "TRUE", 0, "1"},
      {kEnglish, "false", 2, "0.00"},
      {kEnglish, "TRUE", 49, "TRUE"},
      {kEnglish, "abc", 4, "abc"},
      {kEnglish, "", 4, ""},
      {kEnglish, "45306.5", 22, "1/15/2024 12:00:00 PM"},
      {kSerbian, "1234,5", 4, "1.234,50"},
      {kSerbian, "1234.5", 4, "1234.5"},  // not a number in this locale
      {kEnglish, "-5", 8, "($5.00)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DisplayText(c.Text, c.Format, 2, c.Settings, text), c.Shown) << c.Text;
  TcxSSColor color = kColorAuto;
  EXPECT_EQ(DisplayText("-5", 8, 2, color, kEnglish, text), "($5.00)");
  EXPECT_EQ(color, 2);
}

TEST(FormatClasses, EveryIndexBelongsToTheRightClasses) {
  for (int f = -1; f <= 300; ++f) {
    const bool builtIn = (f >= 1 && f <= 48) || f == 164 || f == 165;
    const bool date = builtIn && ((f >= 14 && f <= 22) || (f >= 45 && f <= 47) || f >= 164);
    const bool currency = builtIn && ((f >= 5 && f <= 8) || (f >= 42 && f <= 44));
    const bool number = builtIn && ((f >= 1 && f <= 4) || (f >= 9 && f <= 13) ||
                                    (f >= 37 && f <= 41) || f == 48);
    EXPECT_EQ(IsBuiltInFormat(f), builtIn) << f;
    EXPECT_EQ(IsDateTimeFormat(f), date) << f;
    EXPECT_EQ(IsCurrencyFormat(f), currency) << f;
    EXPECT_EQ(IsNumberFormat(f), number) << f;
  }
  EXPECT_FALSE(IsBuiltInFormat(0));
  EXPECT_FALSE(IsBuiltInFormat(49));
  EXPECT_FALSE(IsDateTimeFormat(164 + 256));
}

TEST(BuiltInFormatString, TableMatchesTheFileFormat) {
  const struct {
    int Format;
    std::string_view Text;
  } cases[] = {{0, "Default"},
               {1, "0"},
               {8, "_($#,##0.00_);[Red]($#,##0.00)"},
               {13, "# ?\?/?\?"},
               {21, "h:mm:SS"},
               {22, "m/d/yy h:mm"},
               {23, ""},
               {36, ""},
               {37, "(#,##0_);(#,##0)"},
               {44, R"(_($* #,##0.00_);_($* (#,##0.00);_($* "-"??_);_(@_))"},
               {46, "[h]:mm:ss"},
               {48, "# #0.0E+0"},
               {49, "@"},
               {50, ""},
               {164, "dd/mm/yy"},
               {165, R"(dd\.mmmm\.yy)"},
               {166, ""},
               {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(BuiltInFormatString(c.Format), c.Text) << c.Format;
}

TEST(ClassifyFormatString, MapsFileFormatsToBuiltInIndexes) {
  const struct {
    const char* Text;
    TxlsDataFormat Given;
    TxlsDataFormat Result;
  } cases[] = {
      {"dd/mm/yy", 170, 164},
      {"DD/MM/YY", 14, 164},
      {R"(dd\.mmmm\.yy)", 170, 165},
      {"[$$-409]#,##0.00", 170, 7},
      {"#,##0.00 $", 170, 7},
      {"$#,##0", 42, 42},           // already a currency format
      {"0.00", 6, 6},               // a currency format stays whatever the string
      {"0.00%", 170, 10},
      {"0.000E+00", 170, 11},
      {"#,##0.000", 170, 4},
      {"0.000", 170, 2},
      {"000", 170, 1},
      {"0.0", 3, 3},                // already a plain number format
      {"#,##0;[Red]-#,##0", 170, 4},  // "[Red]" holds an "e" and a "d" but is a colour
      {R"(#,##0.00 "din.")", 170, 4},
      {"d/m/yyyy", 170, 14},
      {"mmm-yy", 170, 14},
      {"dd.mm.yyyy", 170, 14},      // a "." but a date
      {"[$-409]dddd, mmmm dd, yyyy", 170, 14},
      {"h:mm", 170, 21},            // "m" after an hour is minutes
      {"hh:mm:ss AM/PM", 170, 21},
      {"mm:ss", 170, 21},           // "m" before seconds is minutes
      {"[h]:mm:ss", 170, 21},
      {"[mm]:ss", 170, 21},
      {"d/m/yyyy h:mm", 170, 22},
      {"yyyy-mm-dd", 20, 20},       // already a date/time format
      {"d/m/yyyy", 164, 14},        // 164 stays only for its own string
      {"d/m/yyyy", 165, 14},
      {"General", 170, 0},
      {"General;[Red]-General", 170, 0},
      {"Default", 170, 0},
      {"@", 170, 0},
      {"#", 170, 0},
      {"", 170, 0},
  };
  for (const auto& c : cases) {
    TxlsDataFormat format = c.Given;
    ClassifyFormatString(c.Text, format);
    EXPECT_EQ(format, c.Result) << c.Text << " given " << c.Given;
  }
}
