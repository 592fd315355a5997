#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctions.h"
#include "platform/TextServices.h"

// Text functions. Lengths and positions count characters, not bytes.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

void Len(Handler& h) { h.PushNumber(static_cast<double>(CharCount(h.PopText()))); }
void Lower(Handler& h) { h.PushText(h.TextServices().LowerCase(h.PopText())); }
void Upper(Handler& h) { h.PushText(h.TextServices().UpperCase(h.PopText())); }

// Trimmed at both ends, inner runs of blanks reduced to one blank.
void TrimText(Handler& h) {
  const std::string text = h.PopText();
  std::string out;
  out.reserve(text.size());
  for (const char c : Trim(text))
    if (c != ' ' || out.empty() || out.back() != ' ') out += c;
  h.PushText(out);
}

// The values, last argument first, each put before the text gathered so far: separate
// arguments keep their written order, while the cells of one area come out reversed. An
// argument left empty adds nothing.
void Concatenate(Handler& h) {
  std::string text;
  h.ForEachArgument(
      [&text](const TcxArgumentValue& v) {
        if (!v.Missing) text.insert(0, v.Text);
      },
      amText | amRuns);
  h.PushText(text);
}

// LEFT and RIGHT: one character without a count; a negative count is "#VALUE!" with an empty
// text.
void Side(Handler& h, bool left) {
  int count = 1;
  if (h.ArgCount() >= 2) count = RoundToInt(h.PopNumber(), -1, INT32_MAX);
  const std::string text = h.PopText();
  if (count < 0) {
    h.SetError(ecValue);
    h.PushText("");
    return;
  }
  const size_t length = CharCount(text);
  const size_t n = std::min(static_cast<size_t>(count), length);
  h.PushText(CharSlice(text, left ? 0 : length - n, n));
}

void Left(Handler& h) { Side(h, true); }
void Right(Handler& h) { Side(h, false); }

void Mid(Handler& h) {
  if (h.ArgCount() != 3) {
    DropArguments(h);
    Fail(h, ecValue);
    return;
  }
  const int count = TruncToInt(h.PopNumber(), 0, INT32_MAX);
  const int start = TruncToInt(h.PopNumber(), 0, INT32_MAX);
  const std::string text = h.PopText();
  if (start < 1 || count < 1 || static_cast<size_t>(start) > CharCount(text)) {
    Fail(h, ecValue);
    return;
  }
  h.PushText(CharSlice(text, static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

// FIXED(x, decimals [, no_commas]): x rounded to round(decimals) places, halves to even, as a
// number (its display follows the cell's format); negative decimals leave x as it is. Without
// decimals, two places.
void Fixed(Handler& h) {
  if (h.ArgCount() >= 3) h.Stack().Pop();
  const int n = h.ArgCount() >= 2 ? RoundToInt(h.PopNumber(), -1, 400) : 2;
  const double x = h.PopNumber();
  if (n < 0) {
    PushResult(h, x);
    return;
  }
  const double p = std::pow(10.0, n);
  const double scaled = x * p;
  PushResult(h, std::isfinite(scaled) ? RoundHalfEven(SnapToShownDigits(scaled)) / p : x);
}

// |x| with thousand separators and `decimals` decimal places (15 significant digits trusted,
// halves away from zero); negative decimals round to tens, hundreds, ... and show no places.
std::string AmountText(double x, int decimals, const TRegionalSettings& s) {
  TcxDecimalDigits d = ToDecimalDigits(std::fabs(x), 15);
  RoundDecimalDigits(d, d.Exponent + decimals);
  const int exponent = d.Count > 0 ? d.Exponent : 0;
  const auto digitAt = [&d](int position) {
    return position >= 0 && position < d.Count ? d.Digits[position] : '0';
  };
  std::string out;
  const int integerDigits = std::max(exponent, 1);
  for (int k = 0; k < integerDigits; ++k) {
    out += digitAt(exponent - integerDigits + k);
    const int remaining = integerDigits - k - 1;
    if (remaining > 0 && remaining % 3 == 0) out += s.ThousandSeparator;
  }
  if (decimals > 0) {
    out += s.DecimalSeparator;
    for (int k = 0; k < decimals; ++k) out += digitAt(exponent + k);
  }
  return out;
}

// The money layouts of the regional settings: "$" stands for the currency string, "1" for the
// amount.
constexpr std::array<std::string_view, 4> kPositiveMoney = {"$1", "1$", "$ 1", "1 $"};
constexpr std::array<std::string_view, 16> kNegativeMoney = {
    "($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
    "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)",
};

std::string MoneyText(double x, int decimals, const TRegionalSettings& s) {
  const std::string amount = AmountText(x, decimals, s);
  const bool negative = x < 0 && amount.find_first_of("123456789") != std::string::npos;
  const std::string_view layout =
      negative ? kNegativeMoney[static_cast<size_t>(std::clamp(s.NegCurrFormat, 0, 15))]
               : kPositiveMoney[static_cast<size_t>(std::clamp(s.CurrencyFormat, 0, 3))];
  std::string out;
  for (const char c : layout) {
    if (c == '$') out += s.CurrencyString;
    else if (c == '1') out += amount;
    else out += c;
  }
  return out;
}

// DOLLAR(x [, decimals]): x as money in the locale's layout, with round(decimals) decimal
// places in place of the locale's currency decimals (which stay when decimals are omitted).
void Dollar(Handler& h) {
  int decimals = h.Settings().CurrencyDecimals;
  if (h.ArgCount() >= 2) decimals = RoundToInt(h.PopNumber(), -18, 18);
  const double x = h.PopNumber();
  if (!std::isfinite(x)) {
    Fail(h, ecNum);
    return;
  }
  h.PushText(MoneyText(x, decimals, h.Settings()));
}

// USDOLLAR(x [, decimals]): x as US dollars whatever the locale: $1,234.57, negative ($1,234.57),
// two decimal places unless given.
void UsDollar(Handler& h) {
  int decimals = 2;
  if (h.ArgCount() >= 2) decimals = RoundToInt(h.PopNumber(), -18, 18);
  const double x = h.PopNumber();
  if (!std::isfinite(x)) {
    Fail(h, ecNum);
    return;
  }
  TRegionalSettings us = TRegionalSettings::English();
  us.CurrencyString = "$";
  us.CurrencyFormat = 0;
  us.NegCurrFormat = 0;
  h.PushText(MoneyText(x, decimals, us));
}

// The byte-counting LEFTB, LENB, MIDB and RIGHTB count as their character-counting twins:
// each character is one byte where the language is not one of double-byte characters, as here.
constexpr TRoutine kRoutines[] = {
    {"CONCATENATE", Concatenate}, {"DOLLAR", Dollar}, {"FIXED", Fixed}, {"LEFT", Left},
    {"LEFTB", Left},              {"LEN", Len},       {"LENB", Len},    {"LOWER", Lower},
    {"MID", Mid},                 {"MIDB", Mid},      {"RIGHT", Right}, {"RIGHTB", Right},
    {"TRIM", TrimText},           {"UPPER", Upper},   {"USDOLLAR", UsDollar},
};

}  // namespace

void RegisterTextFunctions() { RegisterRoutines(kRoutines); }
