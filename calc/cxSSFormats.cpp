#include "calc/cxSSFormats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDateTime.h"

namespace {

// The BIFF8 built-in format strings by index; 23..36 are unused.
constexpr std::array<std::string_view, 50> kBuiltInFormats = {
    "Default",                                             // 0
    "0",                                                   // 1
    "0.00",                                                // 2
    "#,##0",                                               // 3
    "#,##0.00",                                            // 4
    "_($#,##0_);($#,##0)",                                 // 5
    "_($#,##0_);[Red]($#,##0)",                            // 6
    "_($#,##0.00_);($#,##0.00)",                           // 7
    "_($#,##0.00_);[Red]($#,##0.00)",                      // 8
    "0%",                                                  // 9
    "0.00%",                                               // 10
    "0.00E+00",                                            // 11
    "# ?/?",                                               // 12
    "# ?\?/?\?",                                           // 13
    "m/d/yy",                                              // 14
    "d-mmm-y",                                             // 15
    "d-mmm",                                               // 16
    "mmmm-yy",                                             // 17
    "h:mm AM/PM",                                          // 18
    "h:mm:ss AM/PM",                                       // 19
    "h:mm",                                                // 20
    "h:mm:SS",                                             // 21
    "m/d/yy h:mm",                                         // 22
    "", "", "", "", "", "", "", "", "", "", "", "", "", "",  // 23..36
    "(#,##0_);(#,##0)",                                    // 37
    "(#,##0_);[Red](#,##0)",                               // 38
    "(#,##0.00_);(#,##0.00)",                              // 39
    "(#,##0.00_);[Red](#,##0.00)",                         // 40
    R"(_(* #,##0_);_(* (#,##0);_(* "-"_);_(@_))",          // 41
    R"(_($* #,##0_);_($* (#,##0);_($* "-"_);_(@_))",       // 42
    R"(_(* #,##0.00_);_(* (#,##0.00);_(* "-"??_);_(@_))",  // 43
    R"(_($* #,##0.00_);_($* (#,##0.00);_($* "-"??_);_(@_))",  // 44
    "mm:ss",                                               // 45
    "[h]:mm:ss",                                           // 46
    "mm:ss.0",                                             // 47
    "# #0.0E+0",                                           // 48
    "@",                                                   // 49
};
constexpr std::string_view kDayMonthYearString = "dd/mm/yy";
constexpr std::string_view kDayMonthNameYearString = R"(dd\.mmmm\.yy)";

constexpr TcxSSColor kNegativeRed = 2;

// The digit of d for the power 10^(d.Exponent - 1 - position); zero beyond the stored digits.
char DigitAt(const TcxDecimalDigits& d, int position) {
  return position >= 0 && position < d.Count ? d.Digits[position] : '0';
}

// A number picture: digit placeholders "0" (always shown) and "#" (shown when significant),
// "," anywhere in the integer part for thousand grouping, "." for the decimal point, "E+" or
// "E-" with "0"s for an exponent, and literal text before and after the number, where "$"
// stands for the locale currency string.
struct TPicture {
  std::string_view Prefix;
  std::string_view Suffix;
  int IntegerZeros = 0;
  int IntegerPlaces = 0;
  bool Grouping = false;
  int FractionZeros = 0;
  int FractionPlaces = 0;
  bool Scientific = false;
  bool ExponentPlus = false;
  int ExponentZeros = 0;
};

TPicture ParsePicture(std::string_view pattern) {
  TPicture p;
  const size_t start = pattern.find_first_of("0#.,");
  size_t i = start;
  bool fraction = false;
  for (; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '0' || c == '#') {
      if (fraction) {
        ++p.FractionPlaces;
        if (c == '0') p.FractionZeros = p.FractionPlaces;
      } else {
        ++p.IntegerPlaces;
        if (c == '0') ++p.IntegerZeros;
      }
    } else if (c == '.' && !fraction) {
      fraction = true;
    } else if (c == ',' && !fraction) {
      p.Grouping = true;
    } else if ((c == 'E' || c == 'e') && i + 1 < pattern.size() &&
               (pattern[i + 1] == '+' || pattern[i + 1] == '-')) {
      p.Scientific = true;
      p.ExponentPlus = pattern[i + 1] == '+';
      for (i += 2; i < pattern.size() && pattern[i] == '0'; ++i) ++p.ExponentZeros;
      break;
    } else {
      break;
    }
  }
  p.Prefix = pattern.substr(0, start);
  p.Suffix = pattern.substr(i);
  return p;
}

void AppendLiteral(std::string& out, std::string_view literal, const TRegionalSettings& s) {
  for (const char c : literal) {
    if (c == '$') out += s.CurrencyString;
    else out += c;
  }
}

// Lays out the digits of d × 10^(exponent - d.Exponent), a number with `integerDigits` digits
// before its decimal point (0 when it is below 1), by the picture's places.
void AppendFixed(std::string& out, const TcxDecimalDigits& d, int exponent, const TPicture& p,
                 const TRegionalSettings& s) {
  const int integerDigits = std::max(exponent, 0);
  const int shown = std::max(integerDigits, p.IntegerZeros);
  const int first = exponent - shown;  // negative positions are the padding zeros
  for (int k = 0; k < shown; ++k) {
    out += DigitAt(d, first + k);
    const int remaining = shown - k - 1;
    if (p.Grouping && remaining > 0 && remaining % 3 == 0) out += s.ThousandSeparator;
  }
  int places = p.FractionPlaces;
  while (places > p.FractionZeros && DigitAt(d, exponent + places - 1) == '0') --places;
  if (places > 0) {
    out += s.DecimalSeparator;
    for (int k = 0; k < places; ++k) out += DigitAt(d, exponent + k);
  }
}

// Fifteen significant digits of x are trusted before the picture rounds, so 2.675 shows as 2.68.
std::string FormatPicture(std::string_view pattern, double x, const TRegionalSettings& s) {
  if (!std::isfinite(x)) return FloatToText(x, s);  // a percentage may overflow
  const TPicture p = ParsePicture(pattern);
  TcxDecimalDigits d = ToDecimalDigits(x, 15);
  std::string digits;
  if (!p.Scientific) {
    RoundDecimalDigits(d, d.Exponent + p.FractionPlaces);
    AppendFixed(digits, d, d.Exponent, p, s);
  } else {
    // The mantissa gets as many integer digits as the picture has places; with "#" places the
    // exponent moves in steps of that many instead ("##0.0E+0" gives 12.3E+3).
    const int places = std::max(p.IntegerPlaces, 1);
    const bool engineering = p.IntegerPlaces > p.IntegerZeros;
    int integerDigits = places;
    for (int pass = 0; pass < 2 && d.Count > 0; ++pass) {
      if (engineering) {
        const int e = d.Exponent - 1;  // x = D1.D2... × 10^e
        integerDigits = ((e % places) + places) % places + 1;
      }
      const int exponentBefore = d.Exponent;
      RoundDecimalDigits(d, integerDigits + p.FractionPlaces);
      if (d.Exponent == exponentBefore) break;
    }
    const int exponent = d.Count > 0 ? d.Exponent - integerDigits : 0;
    if (d.Count == 0) integerDigits = 0;
    TPicture mantissa = p;
    mantissa.Grouping = false;
    AppendFixed(digits, d, integerDigits, mantissa, s);
    digits += 'E';
    if (exponent < 0) digits += '-';
    else if (p.ExponentPlus) digits += '+';
    const std::string e = std::to_string(std::abs(exponent));
    for (int k = static_cast<int>(e.size()); k < p.ExponentZeros; ++k) digits += '0';
    digits += e;
  }
  std::string out;
  AppendLiteral(out, p.Prefix, s);
  if (x < 0 && d.Count > 0) out += '-';
  out += digits;
  AppendLiteral(out, p.Suffix, s);
  return out;
}

// A picture of |x|: `positive` for x >= 0 (or x > 0 when `zero` is given), `negative` for
// x < 0, and the fixed text `zero` for x = 0.
std::string FormatSigned(double x, std::string_view positive, std::string_view negative,
                         const TRegionalSettings& s, std::string_view zero = {}) {
  if (!zero.empty() && x == 0) return std::string(zero);
  return x < 0 ? FormatPicture(negative, -x, s) : FormatPicture(positive, x, s);
}

void AsciiUpper(std::string& text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

std::string FormatDate(std::string_view pattern, double x, int decimals,
                       const TRegionalSettings& s) {
  TcxDateTimeParts parts;
  if (!TryDecodeDateTime(x, parts, s)) return FloatToTextGeneral(x, 8, decimals, s);
  return FormatDateTime(pattern, parts, s);
}

// Elapsed time counts the value's own days, whatever the date system.
std::string FormatElapsedHours(double x, int decimals, const TRegionalSettings& s) {
  TcxDateTimeParts parts;
  if (!TryDecodeDateTime(std::fabs(x), parts)) return FloatToTextGeneral(x, 8, decimals, s);
  std::string out = x < 0 ? "-" : "";
  out += std::to_string(parts.Days * 24 + parts.Hour);
  out += FormatDateTime(":nn:ss", parts, s);
  return out;
}

// Neither a picture nor a date: the fixed-point form with `decimals` decimals.
std::string FormatFixed(double x, int decimals, const TRegionalSettings& s) {
  if (x == 0) return "0";
  if (std::fabs(x) >= 1e18) return FloatToTextGeneral(x, 17, decimals, s);
  TPicture p;
  p.IntegerZeros = p.IntegerPlaces = 1;
  p.FractionZeros = p.FractionPlaces = decimals;
  TcxDecimalDigits d = ToDecimalDigits(x, 17);
  RoundDecimalDigits(d, d.Exponent + decimals);
  std::string out = x < 0 && d.Count > 0 ? "-" : "";
  AppendFixed(out, d, d.Exponent, p, s);
  return out;
}

// What a format string shows, read from its letters and punctuation outside quoted text,
// escaped characters and bracketed parts ([Red], [$-409], [>100]); "[h]", "[mm]" and "[ss]"
// count as the time letters they hold.
struct TFormatSymbols {
  bool Date = false;
  bool Time = false;
  std::string Bare;  // the remaining characters, lower case
};

TFormatSymbols ReadFormatSymbols(std::string_view lower) {
  TFormatSymbols f;
  std::string letters;  // the date and time letters in order, one per run
  auto addLetter = [&](char c) {
    if (letters.empty() || letters.back() != c) letters += c;
  };
  for (size_t i = 0; i < lower.size(); ++i) {
    const char c = lower[i];
    if (c == '"') {
      const size_t close = lower.find('"', i + 1);
      i = close == std::string_view::npos ? lower.size() : close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is a literal, a width or a fill
    } else if (c == '[') {
      const size_t close = lower.find(']', i + 1);
      const std::string_view inside =
          lower.substr(i + 1, (close == std::string_view::npos ? lower.size() : close) - i - 1);
      if (!inside.empty() && inside.find_first_not_of("hms") == std::string_view::npos)
        for (const char t : inside) addLetter(t);
      i = close == std::string_view::npos ? lower.size() : close;
    } else if (lower.substr(i).starts_with("general")) {
      i += 6;
    } else if (lower.substr(i).starts_with("am/pm") || lower.substr(i).starts_with("a/p")) {
      f.Time = true;
      i += lower.substr(i).starts_with("a/p") ? 2 : 4;
    } else {
      if (c == 'd' || c == 'y' || c == 'm' || c == 'h' || c == 's') addLetter(c);
      f.Bare += c;
    }
  }
  // An "m" right after an hour or right before seconds means minutes.
  for (size_t k = 0; k < letters.size(); ++k) {
    const char c = letters[k];
    const bool minutes = c == 'm' && ((k > 0 && letters[k - 1] == 'h') ||
                                      (k + 1 < letters.size() && letters[k + 1] == 's'));
    if (c == 'd' || c == 'y' || (c == 'm' && !minutes)) f.Date = true;
    else f.Time = true;
  }
  return f;
}

}  // namespace

std::string_view BuiltInFormatString(int format) {
  if (format >= 0 && format < static_cast<int>(kBuiltInFormats.size()))
    return kBuiltInFormats[static_cast<size_t>(format)];
  if (format == kFormatDayMonthYear) return kDayMonthYearString;
  if (format == kFormatDayMonthNameYear) return kDayMonthNameYearString;
  return {};
}

bool IsBuiltInFormat(int format) {
  return (format >= 1 && format <= 48) || format == kFormatDayMonthYear ||
         format == kFormatDayMonthNameYear;
}

bool IsDateTimeFormat(int format) {
  return IsBuiltInFormat(format) &&
         ((format >= 14 && format <= 22) || (format >= 45 && format <= 47) || format >= 164);
}

bool IsCurrencyFormat(int format) {
  return IsBuiltInFormat(format) && ((format >= 5 && format <= 8) || (format >= 42 && format <= 44));
}

bool IsNumberFormat(int format) {
  return IsBuiltInFormat(format) && ((format >= 1 && format <= 4) || (format >= 9 && format <= 13) ||
                                     (format >= 37 && format <= 41) || format == 48);
}

void FormatValue(TxlsDataFormat format, int precision, std::string& text, TcxSSColor& color,
                 double x, const TRegionalSettings& s) {
  const int d = std::clamp(precision, 0, 8);
  if (x < 0 && (format == 6 || format == 8 || format == 38 || format == 40)) color = kNegativeRed;
  if (!std::isfinite(x)) {
    text = FloatToTextGeneral(x, 8, d, s);
    return;
  }
  switch (format) {
    case 0: text = FloatToTextGeneral(x, 8, d, s); break;
    case 1: text = FormatPicture("0", x, s); break;
    case 2: text = FormatPicture("0.00", x, s); break;
    case 3: text = FormatPicture("#,##0", x, s); break;
    case 4: text = FormatPicture("#,##0.00", x, s); break;
    case 5:
    case 6: text = FormatSigned(x, "$#,##0", "($#,##0)", s); break;
    case 7:
    case 8: text = FormatSigned(x, "$#,##0.00", "($#,##0.00)", s); break;
    case 9: text = FormatPicture("0%", x * 100, s); break;
    case 10: text = FormatPicture("0.00%", x * 100, s); break;
    case 11: text = FormatPicture("0.00E+00", x, s); break;
    // Fractions as every other program shows them, not in the fixed-point fallback.
    case 12:
    case 13: {
      static const TcxNumberFormat kFractions[] = {TcxNumberFormat(kBuiltInFormats[12]),
                                                   TcxNumberFormat(kBuiltInFormats[13])};
      kFractions[format - 12].Format(x, precision, s, text, color);
      break;
    }
    case 14: text = FormatDate(s.ShortDateFormat, x, d, s); break;
    case 15: text = FormatDate(R"(d"-"mmmm"-"yy)", x, d, s); break;
    case 16: text = FormatDate(R"(d"-"mmmm)", x, d, s); break;
    case 17: text = FormatDate(R"(mmmm"-"yy)", x, d, s); break;
    case 18:
    case 19:
      text = FormatDate(format == 18 ? "h:nn am/pm" : "h:nn:ss am/pm", x, d, s);
      AsciiUpper(text);
      break;
    case 20: text = FormatDate("h:nn", x, d, s); break;
    case 21: text = FormatDate(s.LongTimeFormat, x, d, s); break;
    case 22: text = FormatDate(s.ShortDateFormat + " " + s.LongTimeFormat, x, d, s); break;
    case 37:
    case 38: text = FormatSigned(x, " #,##0 ", "(#,##0)", s); break;
    case 39:
    case 40: text = FormatSigned(x, " #,##0.00 ", "(#,##0.00)", s); break;
    case 41: text = FormatSigned(x, " #,##0 ", "(#,##0)", s, " - "); break;
    case 42: text = FormatSigned(x, " $ #,##0 ", "$ (#,##0)", s, " $ - "); break;
    case 43: text = FormatSigned(x, " #,##0.00 ", "(#,##0.00)", s, " -   "); break;
    case 44: text = FormatSigned(x, " $ #,##0.00 ", " $ (#,##0.00)", s, " $ -   "); break;
    case 45: text = FormatDate("nn:ss", x, d, s); break;
    case 46: text = FormatElapsedHours(x, d, s); break;
    // Three-digit milliseconds: a bare "z" would show 50 ms as ".50".
    case 47: text = FormatDate("nn:ss.zzz", x, d, s); break;
    case 48: text = FormatPicture("##0.0E+0", x, s); break;
    case kFormatDayMonthYear: text = FormatDate("DD/MM/YY", x, d, s); break;
    case kFormatDayMonthNameYear: text = FormatDate("DD.MMMM.YY", x, d, s); break;
    default: text = FormatFixed(x, d, s); break;
  }
}

void FormatValue(const TcxNumberFormat* code, TxlsDataFormat format, int precision,
                 std::string& text, TcxSSColor& color, double x,
                 const TRegionalSettings& settings, TcxTextFill* fill) {
  if (code) {
    code->Format(x, precision, settings, text, color, fill);
    return;
  }
  if (fill) *fill = {};
  FormatValue(format, precision, text, color, x, settings);
}

std::string FormatTextValue(std::string_view text, const TcxNumberFormat* code,
                            const TRegionalSettings& settings, TcxSSColor& color,
                            TcxTextFill* fill) {
  std::string out;
  if (!code || !code->FormatText(text, settings, out, color, fill)) {
    if (fill) *fill = {};
    out = text;
  }
  return out;
}

std::string DisplayText(std::string_view text, TxlsDataFormat format, int precision,
                        TcxSSColor& color, const TRegionalSettings& settings,
                        const ITextServices& textServices, const TcxNumberFormat* code) {
  if (format == kFormatText) return FormatTextValue(text, code, settings, color);
  double x = 0;
  if (!TryTextToFloat(text, x, settings)) {
    bool b = false;
    if (!TryTextToBool(text, b, textServices)) return FormatTextValue(text, code, settings, color);
    x = b ? 1 : 0;
  }
  std::string out;
  FormatValue(code, format, precision, out, color, x, settings);
  return out;
}

std::string DisplayText(std::string_view text, TxlsDataFormat format, int precision,
                        const TRegionalSettings& settings, const ITextServices& textServices,
                        const TcxNumberFormat* code) {
  TcxSSColor color = kColorAuto;
  return DisplayText(text, format, precision, color, settings, textServices, code);
}

void ClassifyFormatString(std::string_view formatString, TxlsDataFormat& format) {
  std::string lower(formatString);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == kDayMonthYearString) {
    format = kFormatDayMonthYear;
    return;
  }
  if (lower == kDayMonthNameYearString) {
    format = kFormatDayMonthNameYear;
    return;
  }
  // The table's own name for General would otherwise read as a date ("d") format.
  if (lower == "default") {
    format = kFormatGeneral;
    return;
  }

  // Currency: a "$" anywhere, except in a locale tag without a symbol such as "[$-409]".
  if (IsCurrencyFormat(format)) return;
  bool dollar = false;
  for (size_t i = lower.find('$'); i != std::string::npos; i = lower.find('$', i + 1))
    dollar = dollar || !(i > 0 && lower[i - 1] == '[' && i + 1 < lower.size() && lower[i + 1] == '-');
  if (dollar) {
    format = 7;
    return;
  }

  // Dates and times before plain numbers: "dd.mm.yyyy" holds a "." but shows a date.
  const TFormatSymbols symbols = ReadFormatSymbols(lower);
  if (symbols.Date || symbols.Time) {
    if (IsDateTimeFormat(format) && format != kFormatDayMonthYear &&
        format != kFormatDayMonthNameYear)
      return;
    format = symbols.Date && symbols.Time ? 22 : symbols.Date ? 14 : 21;
    return;
  }

  if (IsNumberFormat(format)) return;
  constexpr std::pair<char, TxlsDataFormat> kNumberMarks[] = {
      {'%', 10}, {'e', 11}, {',', 4}, {'.', 2}, {'0', 1}};
  for (const auto& [mark, numberFormat] : kNumberMarks) {
    if (symbols.Bare.find(mark) != std::string::npos) {
      format = numberFormat;
      return;
    }
  }
  format = kFormatGeneral;
}
