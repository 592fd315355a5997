#include "calc/cxSSConvert.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "calc/cxSSDateTime.h"
#include "platform/FixedPlatform.h"

namespace {

const TRegionalSettings kEnglish = TRegionalSettings::English();
const TRegionalSettings kSerbian = TRegionalSettings::Serbian();
// 2024-01-15 12:00, the fixed clock of the test environments.
constexpr double kNow = 45306.5;

double Date(int y, int m, int d) {
  double serial = 0;
  EXPECT_TRUE(TryEncodeDate(y, m, d, serial));
  return serial;
}

double Time(int h, int n, int s = 0, int ms = 0) {
  double fraction = 0;
  EXPECT_TRUE(TryEncodeTime(h, n, s, ms, fraction));
  return fraction;
}

}  // namespace

TEST(TryTextToFloat, ReadsStrictNumbersInTheLocale) {
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    bool Ok;
    double X;
  } cases[] = {
      {kEnglish, "123", true, 123},        {kEnglish, "-1.5", true, -1.5},
      {kEnglish, "+.5", true, 0.5},        {kEnglish, "7.", true, 7},
      {kEnglish, "1E5", true, 100000},     {kEnglish, "2.5e-3", true, 0.0025},
      {kEnglish, "1E+2", true, 100},       {kEnglish, " 42 ", true, 42},
      {kEnglish, "1E", false, 0},          {kEnglish, "2e", false, 0},
      {kEnglish, "1E+", false, 0},         {kEnglish, "1e-", false, 0},
      {kEnglish, "1 E5", false, 0},        {kEnglish, "", false, 0},
      {kEnglish, "   ", false, 0},         {kEnglish, ".", false, 0},
      {kEnglish, "-", false, 0},           {kEnglish, "E5", false, 0},
      {kEnglish, "1,000", false, 0},       {kEnglish, "1.2.3", false, 0},
      {kEnglish, "$5", false, 0},          {kEnglish, "12abc", false, 0},
      {kEnglish, "inf", false, 0},         {kEnglish, "nan", false, 0},
      {kEnglish, "0x10", false, 0},        {kEnglish, "--1", false, 0},
      {kEnglish, "1.7976931348623157E308", true, DBL_MAX},
      {kEnglish, "1.8E308", false, 0},     {kEnglish, "-1E400", false, 0},
      {kEnglish, "1E-400", true, 0},       {kEnglish, "0.000001E-320", true, 0},
      {kEnglish, "0E99999", true, 0},
      {kSerbian, "1,5", true, 1.5},        {kSerbian, "-0,25E2", true, -25},
      {kSerbian, "1.5", false, 0},         {kSerbian, "1.000", false, 0},
  };
  for (const auto& c : cases) {
    double x = 99;
    EXPECT_EQ(TryTextToFloat(c.Text, x, c.Settings), c.Ok) << c.Text;
    EXPECT_EQ(x, c.X) << c.Text;
    EXPECT_EQ(IsNumberText(c.Text, c.Settings), c.Ok) << c.Text;
  }
}

TEST(TryTextToFloat, ReadsLongDigitStrings) {
  const std::string digits(400, '1');
  double x = 0;
  EXPECT_FALSE(TryTextToFloat(digits, x, kEnglish));  // 1.1E399 is beyond a double
  const std::string small = "0." + std::string(300, '0') + "5";
  EXPECT_TRUE(TryTextToFloat(small, x, kEnglish));
  EXPECT_DOUBLE_EQ(x, 5e-301);
}

TEST(FloatToText, GeneralFormWithFifteenDigits) {
  const struct {
    double X;
    const char* English;
    const char* Serbian;
  } cases[] = {
      {0, "0", "0"},
      {-0.0, "0", "0"},
      {1, "1", "1"},
      {-2.5, "-2.5", "-2,5"},
      {1234.5, "1234.5", "1234,5"},
      {0.1 + 0.2, "0.3", "0,3"},
      {1.0 / 3, "0.333333333333333", "0,333333333333333"},
      {123456789012345, "123456789012345", "123456789012345"},
      {999999999999999, "999999999999999", "999999999999999"},
      {999999999999999.9, "1E15", "1E15"},  // rounds up to sixteen digits
      {0.1 + 0.7, "0.8", "0,8"},            // 0.7999999999999999 to fifteen digits
      {1e15, "1E15", "1E15"},
      {1.5e20, "1.5E20", "1,5E20"},
      {-1.25e300, "-1.25E300", "-1,25E300"},
      {0.00001, "0.00001", "0,00001"},
      {0.000012345, "0.000012345", "0,000012345"},
      {0.0000099, "9.9E-6", "9,9E-6"},
      {1e-300, "1E-300", "1E-300"},
      {100, "100", "100"},
      {-42, "-42", "-42"},
      {-123456789012345, "-123456789012345", "-123456789012345"},
      {45306.5, "45306.5", "45306,5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToText(c.X, kEnglish), c.English) << c.X;
    EXPECT_EQ(FloatToText(c.X, kSerbian), c.Serbian) << c.X;
  }
}

TEST(FloatToText, RoundTripsThroughTryTextToFloatToFifteenDigits) {
  const double values[] = {0.1, 2.0 / 3, 1e-5, 123.456, -98765.4321, 3.14159265358979, 1e22};
  for (const double v : values) {
    for (const TRegionalSettings* s : {&kEnglish, &kSerbian}) {
      double back = 0;
      ASSERT_TRUE(TryTextToFloat(FloatToText(v, *s), back, *s)) << v;
      EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
  }
}

// The value rounded to fifteen significant digits from its exact binary value (the C library
// rounds exactly), written by the general form's rules: what FloatToText must give for every
// number whose shortest form has at most fifteen digits.
std::string FifteenDigitsReference(double x, const std::string& separator) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(x));
  std::string digits;
  const char* p = buffer;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  const int exponent = std::atoi(p + 1);
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return "0";
  std::string out = x < 0 ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += separator + digits.substr(1);
    return out + "E" + std::to_string(exponent);
  }
  if (exponent < 0) return out + "0" + separator + std::string(-exponent - 1, '0') + digits;
  const size_t integer = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= integer) return out + digits + std::string(integer - digits.size(), '0');
  return out + digits.substr(0, integer) + separator + digits.substr(integer);
}

TEST(FloatToText, DecimalsOfEveryScaleMatchTheExactRounding) {
  // Whole numbers and numbers of one to six decimals, of every size up to fifteen digits, and
  // sums whose binary value lies beside the decimal (0.1 + 0.2).
  std::vector<double> values = {0.1 + 0.2, 0.1 + 0.7, 1.1 * 1.1, 2.675, 1.005, 0.0001, 0.00015,
                                0.0009999, 1e-4 * 3, 4.35, 8.675, 1234567.891, 99999999999.9999};
  uint64_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    return seed >> 11;
  };
  for (int i = 0; i < 4000; ++i) {
    const int decimals = static_cast<int>(next() % 7);
    const int digits = 1 + static_cast<int>(next() % 15);
    const double whole = static_cast<double>(next() % static_cast<uint64_t>(std::pow(10.0, digits)));
    values.push_back(whole / std::pow(10.0, decimals) * (i % 2 ? -1 : 1));
  }
  for (const double x : values) {
    EXPECT_EQ(FloatToText(x, kEnglish), FifteenDigitsReference(x, ".")) << x;
    EXPECT_EQ(FloatToText(x, kSerbian), FifteenDigitsReference(x, ",")) << x;
  }
}

TEST(FloatToText, NonFiniteValuesHaveNames) {
  EXPECT_EQ(FloatToText(INFINITY, kEnglish), "INF");
  EXPECT_EQ(FloatToText(-INFINITY, kEnglish), "-INF");
  EXPECT_EQ(FloatToText(NAN, kEnglish), "NAN");
}

TEST(FloatToTextGeneral, ExponentCarriesSignAndMinimumDigits) {
  EXPECT_EQ(FloatToTextGeneral(123456789012, 8, 2, kEnglish), "1.2345679E+11");
  EXPECT_EQ(FloatToTextGeneral(123456789, 8, 2, kEnglish), "1.2345679E+08");
  EXPECT_EQ(FloatToTextGeneral(12345678, 8, 2, kEnglish), "12345678");
  EXPECT_EQ(FloatToTextGeneral(0.000001, 8, 2, kSerbian), "1E-06");
  EXPECT_EQ(FloatToTextGeneral(1e100, 8, 0, kEnglish), "1E100");
  EXPECT_EQ(FloatToTextGeneral(99999999.5, 8, 2, kEnglish), "1E+08");
  EXPECT_EQ(FloatToTextGeneral(0.125, 2, 0, kEnglish), "0.13");  // halves away from zero
  EXPECT_EQ(FloatToTextGeneral(-0.125, 2, 0, kEnglish), "-0.13");
}

TEST(TryTextToBool, AcceptsTrueAndFalseInAnyCase) {
  TFixedTextServices text;
  const struct {
    const char* Text;
    bool Ok;
    bool B;
  } cases[] = {{"TRUE", true, true},   {"true", true, true},    {"False", true, false},
               {"FALSE", true, false}, {"", false, false},     {"TRUE ", false, false},
               {"yes", false, false},  {"1", false, false},    {"TRUEE", false, false},
               {"fal\xC5\xBF" "e", true, false}};  // a long s upper-cases to S
  for (const auto& c : cases) {
    bool b = !c.B;
    EXPECT_EQ(TryTextToBool(c.Text, b, text), c.Ok) << c.Text;
    EXPECT_EQ(b, c.B) << c.Text;
    EXPECT_EQ(IsBoolText(c.Text, text), c.Ok) << c.Text;
  }
  EXPECT_EQ(BoolToText(true), "TRUE");
  EXPECT_EQ(BoolToText(false), "FALSE");
}

TEST(TryTextToInt, ReadsTrimmedDecimalIntegers) {
  const struct {
    const char* Text;
    bool Ok;
    int N;
  } cases[] = {{"42", true, 42},         {" -7 ", true, -7},     {"+3", true, 3},
               {"2147483647", true, 2147483647}, {"2147483648", false, 0},
               {"", false, 0},           {"1.5", false, 0},      {"12a", false, 0},
               {"+-1", false, 0},        {"-", false, 0},        {"1 2", false, 0}};
  for (const auto& c : cases) {
    int n = 99;
    EXPECT_EQ(TryTextToInt(c.Text, n), c.Ok) << c.Text;
    EXPECT_EQ(n, c.N) << c.Text;
  }
}

TEST(TryTextToCurrency, ReadsMoneyText) {
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    bool Ok;
    int64_t Amount;
  } cases[] = {
      {kSerbian, "1.234,50", true, 12345000},
      {kSerbian, "1.23", true, 1230000},  // digits after the last separator are not counted
      {kSerbian, "12.34.567", false, 0},  // a second group must have three digits
      {kSerbian, "1.234.567", true, 12345670000},
      {kSerbian, "(1.000)", true, -10000000},
      {kSerbian, "1.000 din.", true, 10000000},
      {kSerbian, "din.5", true, 50000},
      {kSerbian, "din. 5,5", true, 55000},
      {kSerbian, "5,25din.", true, 52500},
      {kSerbian, "din.5 din.", false, 0},  // the currency string twice
      {kSerbian, "1.000 din. din.", false, 0},
      {kSerbian, "5 din. 5", false, 0},  // the currency string inside the digits
      {kSerbian, "Din.5", false, 0},     // case-sensitive
      {kSerbian, "1000", false, 0},      // neither a separator nor the currency
      {kSerbian, "1 000", false, 0},
      {kSerbian, "12,5", false, 0},
      {kSerbian, "din.", false, 0},      // no digits at all
      {kSerbian, ".", false, 0},
      {kSerbian, "()", false, 0},
      {kSerbian, "1.000,5.5", false, 0},
      {kSerbian, "1.000,5 x", false, 0},
      {kSerbian, "-1.000", false, 0},
      {kEnglish, "$1,234.50", true, 12345000},
      {kEnglish, "($5.00)", true, -50000},
      {kEnglish, "$5", true, 50000},
      {kEnglish, "1,000", true, 10000000},
      {kEnglish, "1.5", false, 0},
      {kEnglish, "$0.00005", true, 0},       // a half rounds to even
      {kEnglish, "$0.00015", true, 2},
      {kEnglish, "$0.000050001", true, 1},
      {kEnglish, "$0.12346", true, 1235},
      {kEnglish, "$922,337,203,685,477.5807", true, INT64_MAX},
      {kEnglish, "$922,337,203,685,477.5808", false, 0},
      {kEnglish, "$9,999,999,999,999,999,999", false, 0},
  };
  for (const auto& c : cases) {
    int64_t amount = 99;
    EXPECT_EQ(TryTextToCurrency(c.Text, amount, c.Settings), c.Ok) << c.Text;
    EXPECT_EQ(amount, c.Amount) << c.Text;
  }
}

TEST(TryTextToCurrency, BlankGroupsThousandsWhenBothSeparatorsAreTheSame) {
  TRegionalSettings s = kSerbian;
  s.ThousandSeparator = ",";
  int64_t amount = 0;
  EXPECT_TRUE(TryTextToCurrency("1 234,5", amount, s));
  EXPECT_EQ(amount, 12345000);
  s.ThousandSeparator.clear();  // no thousand separator: only the currency string counts
  EXPECT_FALSE(TryTextToCurrency("1.234", amount, s));
  EXPECT_TRUE(TryTextToCurrency("1234 din.", amount, s));
  EXPECT_EQ(amount, 12340000);
}

TEST(TryTextToDateTime, ReadsDatesTimesAndBoth) {
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    bool Ok;
    double X;
  } cases[] = {
      {kEnglish, "1/15/2024", true, Date(2024, 1, 15)},
      {kEnglish, "3/4", true, Date(2024, 3, 4)},
      {kEnglish, "12:30", true, Time(12, 30)},
      {kEnglish, "1:05:09 PM", true, Time(13, 5, 9)},
      {kEnglish, "1/15/2024 6:00 PM", true, Date(2024, 1, 15) + Time(18, 0)},
      {kEnglish, "  1/15/2024   6:00  ", true, Date(2024, 1, 15) + Time(6, 0)},
      {kEnglish, "6:00 1/15/2024", true, Date(2024, 1, 15) + Time(6, 0)},
      {kEnglish, "1/15/2024 1/16/2024", false, 0},
      {kEnglish, "6:00 7:00", false, 0},
      {kEnglish, "1/15/2024 x", false, 0},
      {kEnglish, "15/1/2024", false, 0},
      {kEnglish, "hello", false, 0},
      {kEnglish, "", false, 0},
      {kSerbian, "15.1.2024", true, Date(2024, 1, 15)},
      {kSerbian, "15.1.2024 18:30", true, Date(2024, 1, 15) + Time(18, 30)},
      {kSerbian, "6:00 PM", false, 0},  // the locale has no AM and PM strings
      {kSerbian, "1/15/2024", false, 0},
  };
  for (const auto& c : cases) {
    double x = 99;
    EXPECT_EQ(TryTextToDateTime(c.Text, x, c.Settings, kNow), c.Ok) << c.Text;
    EXPECT_DOUBLE_EQ(x, c.X) << c.Text;
  }
}

TEST(ClassifyTypedText, DecidesWhatATypedTextStores) {
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    TxlsDataFormat Format;
    TcxTypedTextKind Kind;
    double Value;
    const char* Stored;
    TxlsDataFormat NewFormat;
  } cases[] = {
      {kEnglish, "123", 0, ttText, 0, "", 0},  // plain numbers stay text
      {kEnglish, "1/15/2024", 0, ttDateTime, Date(2024, 1, 15), "", 14},
      {kEnglish, "6:30", 0, ttDateTime, Time(6, 30), "", 21},
      {kEnglish, "1/15/2024 6:30", 0, ttDateTime, Date(2024, 1, 15) + Time(6, 30), "", 22},
      {kEnglish, "1/15/2024", 15, ttDateTime, Date(2024, 1, 15), "", 15},
      {kEnglish, "1/15/2024", 2, ttText, 0, "", 2},
      {kEnglish, "1/15/2024", 8, ttText, 0, "", 8},
      {kEnglish, "$1,234.50", 0, ttCurrency, 0, "1234.5", 8},
      {kEnglish, "$1,234.50", 7, ttCurrency, 0, "1234.5", 7},
      {kEnglish, "$1,234.50", 2, ttText, 0, "", 2},
      {kEnglish, "($5)", 0, ttCurrency, 0, "-5", 8},
      {kEnglish, "abc", 0, ttText, 0, "", 0},
      {kEnglish, "=A1+1", 0, ttText, 0, "", 0},
      {kSerbian, "15.1.2024", 0, ttDateTime, Date(2024, 1, 15), "", 14},
      {kSerbian, "1.234,50 din.", 0, ttCurrency, 0, "1234,5", 8},
      {kSerbian, "1,5", 0, ttText, 0, "", 0},
      {kSerbian, "1.234", 0, ttCurrency, 0, "1234", 8},  // day 1 of month 234 is no date
  };
  for (const auto& c : cases) {
    const TcxTypedText r = ClassifyTypedText(c.Text, c.Format, c.Settings, kNow);
    EXPECT_EQ(r.Kind, c.Kind) << c.Text;
    EXPECT_DOUBLE_EQ(r.Value, c.Value) << c.Text;
    EXPECT_EQ(r.Text, c.Stored) << c.Text;
    EXPECT_EQ(r.Format, c.NewFormat) << c.Text;
  }
}
