#include "calc/cxSSConvert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "calc/cxSSDateTime.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSStrings.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool At(std::string_view text, size_t pos, std::string_view token) {
  return !token.empty() && text.substr(pos).starts_with(token);
}

bool OnlyBlanksFrom(std::string_view text, size_t pos) {
  return text.find_first_not_of(' ', pos) == std::string_view::npos;
}

// Upper-cases ASCII letters; false when the text holds anything beyond ASCII.
bool AsciiUpper(std::string_view text, char* out) {
  for (size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (static_cast<unsigned char>(c) >= 0x80) return false;
    out[k] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return true;
}

// The largest whole part a currency amount can have: 922337203685477.5807 fills an int64 in
// units of 1/10000.
constexpr int64_t kMaxCurrencyWhole = std::numeric_limits<int64_t>::max() / 10000;

}  // namespace

bool TryTextToFloat(std::string_view text, double& x, const TRegionalSettings& settings) {
  x = 0;
  if (text.empty() || text.back() == 'E' || text.back() == 'e') return false;
  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return false;
  const size_t end = text.find_last_not_of(' ') + 1;

  // Copy into a buffer in the form std::from_chars reads ("." as the decimal point, no "+"),
  // checking the grammar on the way: from_chars alone would also take "inf" and "nan".
  constexpr size_t kStackSize = 64;
  char stack[kStackSize];
  std::string heap;
  char* buffer = stack;
  if (end - begin > kStackSize) {
    heap.resize(end - begin);
    buffer = heap.data();
  }
  size_t n = 0;
  size_t i = begin;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') buffer[n++] = '-';
    ++i;
  }
  // The decimal exponent of the leading digit, to tell an overflow from an underflow.
  int integerDigits = 0;
  int fractionZeros = 0;
  bool significant = false;
  int mantissaDigits = 0;
  while (i < end && IsDigit(text[i])) {
    significant = significant || text[i] != '0';
    if (significant) ++integerDigits;
    buffer[n++] = text[i++];
    ++mantissaDigits;
  }
  const std::string_view separator = settings.DecimalSeparator;
  if (At(text.substr(0, end), i, separator)) {
    i += separator.size();
    buffer[n++] = '.';
    while (i < end && IsDigit(text[i])) {
      if (!significant && text[i] == '0') ++fractionZeros;
      significant = significant || text[i] != '0';
      buffer[n++] = text[i++];
      ++mantissaDigits;
    }
  }
  if (mantissaDigits == 0) return false;
  long exponent = 0;
  if (i < end && (text[i] == 'E' || text[i] == 'e')) {
    buffer[n++] = 'e';
    ++i;
    bool negativeExponent = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      buffer[n++] = text[i++];
    }
    if (i >= end || !IsDigit(text[i])) return false;
    while (i < end && IsDigit(text[i])) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
      buffer[n++] = text[i++];
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (i != end) return false;

  double value = 0;
  const auto [ptr, ec] = std::from_chars(buffer, buffer + n, value);
  if (ec == std::errc::result_out_of_range) {
    const long leading = (integerDigits > 0 ? integerDigits : -fractionZeros) + exponent;
    return leading <= 0;  // too small for a double: zero
  }
  if (ec != std::errc() || ptr != buffer + n || !std::isfinite(value)) return false;
  x = value;
  return true;
}

bool IsNumberText(std::string_view text, const TRegionalSettings& settings) {
  double x;
  return TryTextToFloat(text, x, settings);
}

bool TryTextToBool(std::string_view text, bool& b, const ITextServices& textServices) {
  b = false;
  // Upper-casing maps every code point to at least one, and a code point takes at most four
  // bytes, so nothing longer than 20 bytes can become "FALSE".
  constexpr size_t kMaxBytes = 20;
  if (text.empty() || text.size() > kMaxBytes) return false;
  char ascii[kMaxBytes];
  std::string upper;
  std::string_view candidate;
  if (AsciiUpper(text, ascii)) {
    candidate = std::string_view(ascii, text.size());
  } else {
    upper = textServices.UpperCase(text);
    candidate = upper;
  }
  if (candidate == kTrueText) {
    b = true;
    return true;
  }
  return candidate == kFalseText;
}

bool IsBoolText(std::string_view text, const ITextServices& textServices) {
  bool b;
  return TryTextToBool(text, b, textServices);
}

std::string_view BoolToText(bool b) { return b ? kTrueText : kFalseText; }

bool TryTextToDateTime(std::string_view text, double& x, const TRegionalSettings& settings,
                       double now) {
  x = 0;
  if (TryTextToDate(text, x, settings, now) || TryTextToTime(text, x, settings)) return true;

  const size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return false;
  const std::string_view trimmed = text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
  const size_t blank = trimmed.find(' ');
  const std::string_view first = trimmed.substr(0, blank);
  const std::string_view rest = blank == std::string_view::npos ? "" : trimmed.substr(blank);
  double date = 0;
  double time = 0;
  bool ok = false;
  if (TryTextToDate(first, date, settings, now)) {
    ok = TryTextToTime(rest, time, settings);
  } else if (TryTextToTime(first, time, settings)) {
    ok = TryTextToDate(rest, date, settings, now);
  }
  if (!ok) return false;
  x = CombineDateTime(date, time);
  return true;
}

bool TryTextToCurrency(std::string_view text, int64_t& amount, const TRegionalSettings& settings) {
  amount = 0;
  bool negative = false;
  if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
    negative = true;
    text = text.substr(1, text.size() - 2);
  }
  const std::string_view decimal = settings.DecimalSeparator;
  const std::string_view currency = settings.CurrencyString;
  // A blank groups the thousands when the locale uses one character for both.
  const std::string_view thousand = settings.ThousandSeparator == settings.DecimalSeparator
                                        ? std::string_view(" ")
                                        : std::string_view(settings.ThousandSeparator);

  bool thousandSeen = false;
  bool currencySeen = false;
  bool digitSeen = false;
  int groupDigits = 0;
  int64_t whole = 0;
  size_t i = 0;
  // The currency string may open the amount or close it, never split its digits.
  auto takeCurrency = [&]() {
    if (currencySeen || !At(text, i, currency)) return false;
    currencySeen = true;
    i += currency.size();
    return true;
  };

  bool inFraction = false;
  while (i < text.size() && !inFraction) {
    const char c = text[i];
    if (IsDigit(c)) {
      whole = whole * 10 + (c - '0');
      if (whole > kMaxCurrencyWhole) return false;
      digitSeen = true;
      ++groupDigits;
      ++i;
    } else if (At(text, i, decimal)) {
      i += decimal.size();
      inFraction = true;
    } else if (At(text, i, thousand)) {
      if (thousandSeen && groupDigits != 3) return false;
      thousandSeen = true;
      groupDigits = 0;
      i += thousand.size();
    } else if (c == ' ') {
      ++i;
    } else if (takeCurrency()) {
      if (digitSeen && !OnlyBlanksFrom(text, i)) return false;
    } else {
      return false;
    }
  }

  // The first four decimals are the amount's; the fifth and the rest round it, halves to even.
  int64_t fraction = 0;
  int fractionDigits = 0;
  int roundingDigit = 0;
  bool beyondRoundingDigit = false;
  while (inFraction && i < text.size()) {
    const char c = text[i];
    if (IsDigit(c)) {
      const int d = c - '0';
      if (fractionDigits < 4) fraction = fraction * 10 + d;
      else if (fractionDigits == 4) roundingDigit = d;
      else beyondRoundingDigit = beyondRoundingDigit || d != 0;
      ++fractionDigits;
      digitSeen = true;
      ++i;
    } else if (c == ' ') {
      ++i;
    } else if (takeCurrency()) {
      if (!OnlyBlanksFrom(text, i)) return false;
      break;
    } else {
      return false;
    }
  }

  const bool grouped = thousandSeen && !settings.ThousandSeparator.empty();
  if (!digitSeen || !(grouped || currencySeen)) return false;
  for (int k = fractionDigits; k < 4; ++k) fraction *= 10;
  if (roundingDigit > 5 || (roundingDigit == 5 && (beyondRoundingDigit || fraction % 2 != 0)))
    ++fraction;
  if (whole > (std::numeric_limits<int64_t>::max() - fraction) / 10000) return false;
  const int64_t units = whole * 10000 + fraction;
  amount = negative ? -units : units;
  return true;
}

namespace {

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                   1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};

// The digits of a whole number below 2^53, or of one with up to four decimals (12.5, 0.05), that
// has at most `significant` digits: the digits of the whole number it is once scaled, found
// without converting the double. A scaled product lies within a few units of the last place of
// the decimal it stands for, far inside a rounding to 15 digits; beyond 15 significant digits
// only whole numbers, which are exact, are taken. False for any other number.
bool ScaledWholeDigits(double x, int significant, TcxDecimalDigits& d) {
  if (significant < 1 || significant > 17) return false;
  constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
  const double limit = std::min(kExactIntegers, kPowersOfTen[significant]);
  const double magnitude = std::fabs(x);
  const int maxDecimals = significant <= 15 ? 4 : 0;
  for (int decimals = 0; decimals <= maxDecimals; ++decimals) {
    const double scaled = magnitude * kPowersOfTen[decimals];
    if (scaled >= limit) return false;
    if (scaled != std::trunc(scaled)) continue;
    char digits[24];
    const char* end =
        std::to_chars(digits, digits + sizeof digits, static_cast<int64_t>(scaled)).ptr;
    const int count = static_cast<int>(end - digits);
    while (end > digits && end[-1] == '0') --end;
    d.Count = static_cast<int>(end - digits);
    std::memcpy(d.Digits, digits, static_cast<size_t>(d.Count));
    d.Exponent = count - decimals;
    return true;
  }
  return false;
}

}  // namespace

TcxDecimalDigits ToDecimalDigits(double x, int significant) {
  TcxDecimalDigits d;
  if (x == 0 || !std::isfinite(x)) return d;
  if (ScaledWholeDigits(x, significant, d)) return d;
  // The shortest round-trip form has at most 17 digits; when it has 15 or fewer it is also the
  // exact value rounded to 15, so rounding it further agrees with rounding the exact value.
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific);
  const char* p = buffer;
  for (; *p != 'e'; ++p)
    if (*p != '.') d.Digits[d.Count++] = *p;
  // The exponent is "e", a sign and two or three digits.
  const bool negativeExponent = p[1] == '-';
  int exponent = 0;
  for (const char* q = p + 2; q < result.ptr; ++q) exponent = exponent * 10 + (*q - '0');
  d.Exponent = (negativeExponent ? -exponent : exponent) + 1;
  while (d.Count > 0 && d.Digits[d.Count - 1] == '0') --d.Count;
  RoundDecimalDigits(d, significant);
  return d;
}

void RoundDecimalDigits(TcxDecimalDigits& d, int keep) {
  if (keep >= d.Count) return;
  if (keep < 0 || (keep == 0 && d.Digits[0] < '5')) {
    d.Count = 0;
    return;
  }
  const bool up = d.Digits[keep] >= '5';
  d.Count = keep;
  if (up) {
    int k = keep - 1;
    while (k >= 0 && d.Digits[k] == '9') --k;
    if (k < 0) {
      d.Digits[0] = '1';
      d.Count = 1;
      ++d.Exponent;
    } else {
      ++d.Digits[k];
      d.Count = k + 1;
    }
  }
  while (d.Count > 0 && d.Digits[d.Count - 1] == '0') --d.Count;
}

std::string FloatToTextGeneral(double x, int precision, int minExponentDigits,
                               const TRegionalSettings& settings) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  precision = std::clamp(precision, 1, 17);
  const TcxDecimalDigits d = ToDecimalDigits(x, precision);
  if (d.Count == 0) return "0";
  const int exponent = d.Exponent - 1;  // of the leading digit

  // Built in a buffer and copied once, so that a short text stays inside the string object.
  const std::string_view separator = settings.DecimalSeparator;
  std::string heap;
  char local[64];
  char* out = local;
  const size_t longest = static_cast<size_t>(precision) + 30 + separator.size() +
                         static_cast<size_t>(std::max(minExponentDigits, 0));
  if (longest > sizeof local) {
    heap.resize(longest);
    out = heap.data();
  }
  char* p = out;
  auto put = [&p](std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    p += text.size();
  };
  if (x < 0) *p++ = '-';
  if (exponent >= precision || exponent < -5) {
    *p++ = d.Digits[0];
    if (d.Count > 1) {
      put(separator);
      put({d.Digits + 1, static_cast<size_t>(d.Count - 1)});
    }
    *p++ = 'E';
    if (exponent < 0) *p++ = '-';
    else if (minExponentDigits > 0) *p++ = '+';
    char expDigits[8];
    const auto e = std::to_chars(expDigits, expDigits + sizeof expDigits, std::abs(exponent));
    for (long k = e.ptr - expDigits; k < minExponentDigits; ++k) *p++ = '0';
    put({expDigits, static_cast<size_t>(e.ptr - expDigits)});
  } else if (exponent >= 0) {
    const int integerDigits = exponent + 1;
    put({d.Digits, static_cast<size_t>(std::min(d.Count, integerDigits))});
    for (int k = d.Count; k < integerDigits; ++k) *p++ = '0';
    if (d.Count > integerDigits) {
      put(separator);
      put({d.Digits + integerDigits, static_cast<size_t>(d.Count - integerDigits)});
    }
  } else {
    *p++ = '0';
    put(separator);
    for (int k = 0; k < -exponent - 1; ++k) *p++ = '0';
    put({d.Digits, static_cast<size_t>(d.Count)});
  }
  return std::string(out, p);
}

std::string FloatToText(double x, const TRegionalSettings& settings) {
  return FloatToTextGeneral(x, 15, 0, settings);
}

bool TryTextToInt(std::string_view text, int& n) {
  n = 0;
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return false;
  }
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return false;
  n = value;
  return true;
}

TcxTypedText ClassifyTypedText(std::string_view text, TxlsDataFormat format,
                               const TRegionalSettings& settings, double now) {
  TcxTypedText result;
  result.Format = format;
  double x = 0;
  if ((format == 0 || IsDateTimeFormat(format)) && TryTextToDateTime(text, x, settings, now) &&
      !IsNumberText(text, settings)) {
    result.Kind = ttDateTime;
    result.Value = x;
    if (format == 0) {
      const double wholeDays = std::trunc(x);
      result.Format = wholeDays == 0 ? 21 : x != wholeDays ? 22 : 14;
    }
    return result;
  }
  if (format != 0 && !IsCurrencyFormat(format)) return result;
  int64_t amount = 0;
  if (!TryTextToCurrency(text, amount, settings) || IsNumberText(text, settings)) return result;
  result.Kind = ttCurrency;
  result.Text = FloatToText(static_cast<double>(amount) / 10000, settings);
  if (format == 0) result.Format = 8;
  return result;
}
