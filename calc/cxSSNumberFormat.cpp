#include "calc/cxSSNumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDateTime.h"
#include "platform/Unicode.h"

using TTokenKind = TcxNumberFormat::TTokenKind;
using TToken = TcxNumberFormat::TToken;
using TSection = TcxNumberFormat::TSection;
using TSectionKind = TcxNumberFormat::TSectionKind;
using TCompare = TcxNumberFormat::TCompare;

namespace {

constexpr int kMaxSections = 4;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (Lower(text[at + k]) != word[k]) return false;
  return true;
}

// The length of the UTF-8 sequence that starts at `at` (1 for a stray continuation byte).
size_t CodePointLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return std::min(length, text.size() - at);
}

// The colours a section may name, as palette indexes ([Color1] is palette entry 0).
constexpr std::array<std::string_view, 8> kColorNames = {"black",  "white",   "red",  "green",
                                                         "blue",   "yellow",  "magenta", "cyan"};

// --- Compiling ------------------------------------------------------------------------------------

bool IsDateToken(TTokenKind kind) {
  switch (kind) {
    case TTokenKind::Year:
    case TTokenKind::Month:
    case TTokenKind::Minute:
    case TTokenKind::Day:
    case TTokenKind::Hour:
    case TTokenKind::Second:
    case TTokenKind::SecondFraction:
    case TTokenKind::ElapsedHours:
    case TTokenKind::ElapsedMinutes:
    case TTokenKind::ElapsedSeconds:
    case TTokenKind::AmPm:
      return true;
    default:
      return false;
  }
}

void AddLiteral(std::vector<TToken>& tokens, std::string_view text) {
  if (!tokens.empty() && tokens.back().Kind == TTokenKind::Literal)
    tokens.back().Text += text;
  else
    tokens.push_back({TTokenKind::Literal, 0, 0, std::string(text)});
}

// What a bracketed part says: a colour, a condition, an elapsed time unit or a currency text.
void ReadBracket(std::string_view inside, TSection& section) {
  std::string lower(inside);
  for (char& c : lower) c = Lower(c);
  for (size_t k = 0; k < kColorNames.size(); ++k) {
    if (lower == kColorNames[k]) {
      section.Color = static_cast<TcxSSColor>(k);
      return;
    }
  }
  if (lower.starts_with("color")) {
    int n = 0;
    if (TryTextToInt(lower.substr(5), n) && n >= 1 && n <= 56)
      section.Color = static_cast<TcxSSColor>(n - 1);
    return;
  }
  if (!lower.empty() && (lower[0] == '<' || lower[0] == '>' || lower[0] == '=')) {
    size_t at = 1;
    if (lower[0] == '<' && lower.size() > 1 && lower[1] == '=') {
      section.Compare = TCompare::LessEqual, at = 2;
    } else if (lower[0] == '<' && lower.size() > 1 && lower[1] == '>') {
      section.Compare = TCompare::NotEqual, at = 2;
    } else if (lower[0] == '>' && lower.size() > 1 && lower[1] == '=') {
      section.Compare = TCompare::GreaterEqual, at = 2;
    } else {
      section.Compare = lower[0] == '<' ? TCompare::Less : lower[0] == '>' ? TCompare::Greater
                                                                           : TCompare::Equal;
    }
    // The limit is written with a full stop whatever the locale.
    const char* first = lower.data() + at;
    const char* last = lower.data() + lower.size();
    while (first < last && *first == ' ') ++first;
    if (first < last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, section.Limit);
    if (error != std::errc() || end == first) section.Compare = TCompare::None;
    return;
  }
  const auto only = [&](char letter) {
    return !lower.empty() && lower.find_first_not_of(letter) == std::string::npos;
  };
  if (only('h') || only('m') || only('s')) {
    const TTokenKind kind = lower[0] == 'h'   ? TTokenKind::ElapsedHours
                            : lower[0] == 'm' ? TTokenKind::ElapsedMinutes
                                              : TTokenKind::ElapsedSeconds;
    section.Tokens.push_back({kind, 0, static_cast<int>(lower.size()), {}});
    return;
  }
  // [$€-407], [$USD]: the text before the locale code; [$-409] has none.
  if (!inside.empty() && inside[0] == '$') {
    const size_t dash = inside.find('-');
    const std::string_view symbol =
        inside.substr(1, dash == std::string_view::npos ? std::string_view::npos : dash - 1);
    if (!symbol.empty()) AddLiteral(section.Tokens, symbol);
  }
  // Anything else (calendars, number scripts) changes nothing we show.
}

// Splits one section into tokens.
void Tokenize(std::string_view code, TSection& section) {
  std::vector<TToken>& tokens = section.Tokens;
  size_t i = 0;
  while (i < code.size()) {
    const char c = code[i];
    const char l = Lower(c);
    if (c == '"') {
      const size_t close = code.find('"', i + 1);
      const size_t end = close == std::string_view::npos ? code.size() : close;
      AddLiteral(tokens, code.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '\\' || c == '!') {
      if (i + 1 < code.size()) {
        const size_t n = CodePointLength(code, i + 1);
        AddLiteral(tokens, code.substr(i + 1, n));
        i += 1 + n;
      } else {
        ++i;
      }
    } else if (c == '_' || c == '*') {
      size_t n = 0;
      if (i + 1 < code.size()) n = CodePointLength(code, i + 1);
      // Without a character after it there is nothing to pad or fill with.
      if (n > 0 && c == '_')
        tokens.push_back({TTokenKind::Padding, 0, 0, " "});
      else if (n > 0)
        tokens.push_back({TTokenKind::Fill, 0, 0, std::string(code.substr(i + 1, n))});
      i += 1 + n;
    } else if (c == '[') {
      const size_t close = code.find(']', i + 1);
      const size_t end = close == std::string_view::npos ? code.size() : close;
      ReadBracket(code.substr(i + 1, end - i - 1), section);
      i = end + 1;
    } else if (c == '0' || c == '#' || c == '?') {
      tokens.push_back({TTokenKind::Digit, c, 0, {}});
      ++i;
    } else if (c == '.') {
      tokens.push_back({TTokenKind::Point, 0, 0, {}});
      ++i;
    } else if (c == ',') {
      tokens.push_back({TTokenKind::Comma, 0, 0, {}});
      ++i;
    } else if (c == '%') {
      tokens.push_back({TTokenKind::Percent, 0, 0, {}});
      ++i;
    } else if (c == ':') {
      tokens.push_back({TTokenKind::Colon, 0, 0, {}});
      ++i;
    } else if (c == '@') {
      tokens.push_back({TTokenKind::Text, 0, 0, {}});
      ++i;
    } else if (c == '/') {
      // A digit right after the bar is a fixed denominator ("# ?/16").
      size_t end = i + 1;
      while (end < code.size() && code[end] >= '0' && code[end] <= '9') ++end;
      if (end > i + 1 && code[i + 1] != '0') {
        int denominator = 0;
        for (size_t k = i + 1; k < end && denominator < 100000000; ++k)
          denominator = denominator * 10 + (code[k] - '0');
        tokens.push_back({TTokenKind::Slash, 0, 0, {}});
        tokens.push_back({TTokenKind::Denominator, 0, denominator, {}});
        i = end;
      } else {
        tokens.push_back({TTokenKind::Slash, 0, 0, {}});
        ++i;
      }
    } else if (l == 'e' && i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-')) {
      tokens.push_back({TTokenKind::Exponent, c, code[i + 1] == '+' ? 1 : 0, {}});
      i += 2;
    } else if (StartsWithNoCase(code, i, "general")) {
      tokens.push_back({TTokenKind::General, 0, 0, {}});
      i += 7;
    } else if (StartsWithNoCase(code, i, "am/pm") || StartsWithNoCase(code, i, "a/p")) {
      const size_t n = StartsWithNoCase(code, i, "am/pm") ? 5 : 3;
      tokens.push_back({TTokenKind::AmPm, 0, 0, std::string(code.substr(i, n))});
      section.TwelveHour = true;
      i += n;
    } else if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's' || l == 'e') {
      size_t end = i;
      while (end < code.size() && Lower(code[end]) == l) ++end;
      const TTokenKind kind = l == 'y' || l == 'e' ? TTokenKind::Year
                              : l == 'm'           ? TTokenKind::Month
                              : l == 'd'           ? TTokenKind::Day
                              : l == 'h'           ? TTokenKind::Hour
                                                   : TTokenKind::Second;
      // "e" is the year of the era, four digits in the Gregorian calendar; the letters as
      // written stay with the token in case the section turns out to hold no date.
      tokens.push_back({kind, l == 'e' ? 'e' : '\0', l == 'e' ? 4 : static_cast<int>(end - i),
                        std::string(code.substr(i, end - i))});
      i = end;
    } else {
      const size_t n = CodePointLength(code, i);
      AddLiteral(tokens, code.substr(i, n));
      i += n;
    }
  }
}

// The previous or next date or time token from `at`, skipping literals and separators.
const TToken* NeighbourDateToken(const std::vector<TToken>& tokens, size_t at, int step) {
  for (auto k = static_cast<std::ptrdiff_t>(at) + step;
       k >= 0 && k < static_cast<std::ptrdiff_t>(tokens.size()); k += step) {
    const TToken& t = tokens[static_cast<size_t>(k)];
    if (IsDateToken(t.Kind)) return &t;
  }
  return nullptr;
}

void LiteralToken(TToken& token, std::string text) {
  token = {TTokenKind::Literal, 0, 0, std::move(text)};
}

void CompileDateTime(TSection& s) {
  s.Kind = TSectionKind::DateTime;
  std::vector<TToken>& tokens = s.Tokens;
  // "m" right after an hour or right before seconds is minutes, elsewhere the month.
  for (size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].Kind != TTokenKind::Month || tokens[k].Count > 2) continue;
    const TToken* before = NeighbourDateToken(tokens, k, -1);
    const TToken* after = NeighbourDateToken(tokens, k, 1);
    if ((before && (before->Kind == TTokenKind::Hour || before->Kind == TTokenKind::ElapsedHours)) ||
        (after && (after->Kind == TTokenKind::Second || after->Kind == TTokenKind::ElapsedSeconds)))
      tokens[k].Kind = TTokenKind::Minute;
  }
  std::vector<TToken> compiled;
  for (size_t k = 0; k < tokens.size(); ++k) {
    TToken& t = tokens[k];
    const bool afterSeconds = !compiled.empty() && (compiled.back().Kind == TTokenKind::Second ||
                                                    compiled.back().Kind == TTokenKind::ElapsedSeconds);
    if (t.Kind == TTokenKind::Point && afterSeconds && k + 1 < tokens.size() &&
        tokens[k + 1].Kind == TTokenKind::Digit && tokens[k + 1].Char == '0') {
      int decimals = 0;
      while (k + 1 < tokens.size() && tokens[k + 1].Kind == TTokenKind::Digit &&
             tokens[k + 1].Char == '0' && decimals < 3) {
        ++decimals;
        ++k;
      }
      s.SecondDecimals = std::max(s.SecondDecimals, decimals);
      compiled.push_back({TTokenKind::SecondFraction, 0, decimals, {}});
      continue;
    }
    switch (t.Kind) {
      case TTokenKind::Digit: LiteralToken(t, std::string(1, t.Char)); break;
      case TTokenKind::Point: LiteralToken(t, "."); break;
      case TTokenKind::Comma: LiteralToken(t, ","); break;
      case TTokenKind::Percent: LiteralToken(t, "%"); break;
      case TTokenKind::Denominator: LiteralToken(t, std::to_string(t.Count)); break;
      case TTokenKind::Exponent: LiteralToken(t, std::string{t.Char, t.Count ? '+' : '-'}); break;
      case TTokenKind::General: LiteralToken(t, "General"); break;
      case TTokenKind::ElapsedHours:
      case TTokenKind::ElapsedMinutes:
      case TTokenKind::ElapsedSeconds: s.Elapsed = true; break;
      default: break;
    }
    if (t.Kind == TTokenKind::Literal && !compiled.empty() &&
        compiled.back().Kind == TTokenKind::Literal)
      compiled.back().Text += t.Text;
    else
      compiled.push_back(std::move(t));
  }
  tokens = std::move(compiled);
}

void CompileNumber(TSection& s) {
  std::vector<TToken>& tokens = s.Tokens;
  // A fraction: digit places, a bar, then digit places or a fixed denominator.
  size_t bar = tokens.size();
  for (size_t k = 1; k + 1 < tokens.size(); ++k) {
    if (tokens[k].Kind == TTokenKind::Slash && tokens[k - 1].Kind == TTokenKind::Digit &&
        (tokens[k + 1].Kind == TTokenKind::Digit || tokens[k + 1].Kind == TTokenKind::Denominator)) {
      bar = k;
      break;
    }
  }
  size_t exponent = tokens.size();
  for (size_t k = 0; k < tokens.size(); ++k)
    if (tokens[k].Kind == TTokenKind::Exponent) {
      exponent = k;
      break;
    }
  // Digits after the exponent or the bar are not the integer's; the point ends the integer.
  size_t point = tokens.size();
  for (size_t k = 0; k < std::min(exponent, bar); ++k)
    if (tokens[k].Kind == TTokenKind::Point) {
      point = k;
      break;
    }

  if (bar < tokens.size()) {
    s.Kind = TSectionKind::Fraction;
    // The numerator is the run of digit places right before the bar; digit places before it
    // (with something in between) are the whole part.
    size_t first = bar;
    while (first > 0 && tokens[first - 1].Kind == TTokenKind::Digit) --first;
    for (size_t k = 0; k < tokens.size(); ++k) {
      TToken& t = tokens[k];
      if (t.Kind == TTokenKind::Digit) {
        if (k < first) {
          ++s.IntegerPlaces;
          t.Count = 0;
        } else if (k < bar) {
          ++s.NumeratorPlaces;
          t.Count = 1;
        } else {
          ++s.DenominatorPlaces;
          t.Count = 2;
        }
      } else if (t.Kind == TTokenKind::Denominator) {
        s.FixedDenominator = t.Count;
      } else if (t.Kind == TTokenKind::Slash) {
        if (k != bar) LiteralToken(t, "/");
      } else if (t.Kind == TTokenKind::Percent) {
        ++s.Percent;
      } else if (t.Kind == TTokenKind::Point || t.Kind == TTokenKind::Comma ||
                 t.Kind == TTokenKind::Exponent) {
        LiteralToken(t, t.Kind == TTokenKind::Point ? "." : t.Kind == TTokenKind::Comma ? ","
                                                        : std::string{t.Char, t.Count ? '+' : '-'});
      }
    }
    s.DenominatorPlaces = std::min(s.DenominatorPlaces, 9);
    return;
  }

  s.Kind = exponent < tokens.size() ? TSectionKind::Scientific : TSectionKind::Number;
  bool digitSeen = false;
  for (size_t k = 0; k < tokens.size(); ++k) {
    TToken& t = tokens[k];
    switch (t.Kind) {
      case TTokenKind::Digit:
        if (k < point && k < exponent) {
          ++s.IntegerPlaces;
          if (t.Char == '0') ++s.IntegerZeros;
          t.Count = 0;
        } else if (k < exponent) {
          ++s.FractionPlaces;
          t.Count = 1;
        } else {
          t.Count = 2;  // exponent digits
        }
        digitSeen = true;
        break;
      case TTokenKind::Comma: {
        // Between integer digit places it groups thousands, after the last digit place it
        // scales, between the decimals it does nothing ("0.0,0" is "0.00"); before any digit
        // place it is shown.
        bool digitAfter = false;
        for (size_t j = k + 1; j < exponent; ++j)
          if (tokens[j].Kind == TTokenKind::Digit) digitAfter = true;
        if (!digitSeen) {
          LiteralToken(t, ",");
        } else {
          if (!digitAfter) ++s.Thousands;
          else if (k < point) s.Grouping = true;
          LiteralToken(t, {});  // shows nothing
        }
        break;
      }
      case TTokenKind::Point:
        if (k != point) LiteralToken(t, ".");
        break;
      case TTokenKind::Percent:
        ++s.Percent;
        break;
      case TTokenKind::Slash:
        LiteralToken(t, "/");
        break;
      case TTokenKind::Denominator:
        LiteralToken(t, std::to_string(t.Count));
        break;
      case TTokenKind::Exponent:
        if (k != exponent) LiteralToken(t, std::string{t.Char, t.Count ? '+' : '-'});
        break;
      default:
        break;
    }
  }
  std::erase_if(tokens, [](const TToken& t) { return t.Kind == TTokenKind::Literal && t.Text.empty(); });
  for (const TToken& t : tokens)
    if (t.Kind == TTokenKind::Digit && t.Count == 1) s.FractionChars += t.Char;
}

void CompileSection(std::string_view code, TSection& s) {
  Tokenize(code, s);
  bool date = false, digits = false, general = false, text = false;
  for (const TToken& t : s.Tokens) {
    date = date || (IsDateToken(t.Kind) && t.Char != 'e');
    digits = digits || t.Kind == TTokenKind::Digit;
    general = general || t.Kind == TTokenKind::General;
    text = text || t.Kind == TTokenKind::Text;
  }
  // "e" is a year among dates and a letter anywhere else ("0 EUR").
  if (!date)
    for (TToken& t : s.Tokens)
      if (t.Kind == TTokenKind::Year) LiteralToken(t, t.Text);
  if (date) {
    CompileDateTime(s);
  } else if (general) {
    s.Kind = TSectionKind::General;
  } else if (digits) {
    CompileNumber(s);
  } else if (text) {
    s.Kind = TSectionKind::Text;
  } else {
    s.Kind = TSectionKind::Literal;
  }
  // Separators outside a date are shown as written.
  if (s.Kind != TSectionKind::DateTime)
    for (TToken& t : s.Tokens) {
      if (t.Kind == TTokenKind::Colon) LiteralToken(t, ":");
      if (t.Kind == TTokenKind::Slash && s.Kind != TSectionKind::Fraction) LiteralToken(t, "/");
    }
}

// --- Formatting -----------------------------------------------------------------------------------

bool Matches(TCompare compare, double limit, double x) {
  switch (compare) {
    case TCompare::Less: return x < limit;
    case TCompare::LessEqual: return x <= limit;
    case TCompare::Greater: return x > limit;
    case TCompare::GreaterEqual: return x >= limit;
    case TCompare::Equal: return x == limit;
    case TCompare::NotEqual: return x != limit;
    case TCompare::None: return true;
  }
  return true;
}

// Output being built: the text and where a fill goes.
struct TOut {
  std::string& Text;
  TcxTextFill* Fill;

  void Literal(const TToken& t) {
    if (t.Kind == TTokenKind::Fill) {
      if (Fill && Fill->Empty()) {
        Fill->At = Text.size();
        Fill->Char = t.Text;
      }
      return;
    }
    Text += t.Text;
  }
};

bool IsShownLiteral(TTokenKind kind) {
  return kind == TTokenKind::Literal || kind == TTokenKind::Padding || kind == TTokenKind::Fill;
}

// The whole-number digits of d (no leading zeros; empty below 1).
std::string IntegerDigits(const TcxDecimalDigits& d) {
  std::string digits;
  if (d.Count == 0) return digits;
  for (int k = 0; k < d.Exponent; ++k) digits += k < d.Count ? d.Digits[k] : '0';
  return digits;
}

// Lays whole-number digits into a run of digit places (the whole part, a numerator, an
// exponent), right-aligned: digits beyond the places go with the first one, and places without
// a digit show "0", a blank ("?") or nothing ("#"). `group` inserts the thousand separator.
class TDigitLayout {
 public:
  TDigitLayout(std::string digits, int places, bool group, const TRegionalSettings& s)
      : digits_(std::move(digits)), places_(places), group_(group), settings_(s) {}

  void Place(char placeholder, std::string& out) {
    const int length = static_cast<int>(digits_.size());
    if (index_ == 0)
      for (int k = 0; k < length - places_; ++k) Digit(digits_[static_cast<size_t>(k)], length - 1 - k, out);
    const int j = index_ - (places_ - length);
    const int right = places_ - 1 - index_;
    if (j >= 0) Digit(digits_[static_cast<size_t>(j)], right, out);
    else if (placeholder == '0') Digit('0', right, out);
    else if (placeholder == '?') out += ' ';
    ++index_;
  }

 private:
  void Digit(char digit, int right, std::string& out) {
    out += digit;
    if (group_ && right > 0 && right % 3 == 0) out += settings_.ThousandSeparator;
  }

  std::string digits_;
  int places_;
  bool group_;
  const TRegionalSettings& settings_;
  int index_ = 0;
};

void FormatGeneral(double x, int precision, const TRegionalSettings& s, std::string& out) {
  out += FloatToTextGeneral(x, 8, std::clamp(precision, 0, 8), s);
}

bool FormatNumberSection(const TSection& sec, double v, const TRegionalSettings& s, TOut& out) {
  for (int k = 0; k < sec.Percent; ++k) v *= 100;
  for (int k = 0; k < sec.Thousands; ++k) v /= 1000;
  if (!std::isfinite(v)) {
    out.Text += FloatToText(v, s);
    return true;
  }
  TcxDecimalDigits d = ToDecimalDigits(v, 15);
  RoundDecimalDigits(d, d.Exponent + sec.FractionPlaces);
  TDigitLayout integer(IntegerDigits(d), sec.IntegerPlaces, sec.Grouping, s);
  // Fraction digits: trailing zeros in "#" places vanish and in "?" places become blanks.
  std::string fraction;
  for (int k = 0; k < sec.FractionPlaces; ++k)
    fraction += d.Count > 0 && d.Exponent + k >= 0 && d.Exponent + k < d.Count ? d.Digits[d.Exponent + k] : '0';
  int shown = sec.FractionPlaces;
  while (shown > 0 && fraction[static_cast<size_t>(shown - 1)] == '0' &&
         sec.FractionChars[static_cast<size_t>(shown - 1)] != '0')
    --shown;
  int fractionIndex = 0;
  for (const TToken& t : sec.Tokens) {
    switch (t.Kind) {
      case TTokenKind::Digit:
        if (t.Count == 0) {
          integer.Place(t.Char, out.Text);
        } else {
          if (fractionIndex < shown) out.Text += fraction[static_cast<size_t>(fractionIndex)];
          else if (t.Char == '?') out.Text += ' ';
          ++fractionIndex;
        }
        break;
      case TTokenKind::Point:
        // Without whole-number places the whole number still shows (".00" shows 12.50).
        if (sec.IntegerPlaces == 0) out.Text += IntegerDigits(d);
        out.Text += s.DecimalSeparator;
        break;
      case TTokenKind::Percent: out.Text += '%'; break;
      default:
        if (IsShownLiteral(t.Kind)) out.Literal(t);
        break;
    }
  }
  return d.Count > 0;
}

bool FormatScientificSection(const TSection& sec, double v, const TRegionalSettings& s, TOut& out) {
  for (int k = 0; k < sec.Percent; ++k) v *= 100;
  for (int k = 0; k < sec.Thousands; ++k) v /= 1000;
  if (!std::isfinite(v)) {
    out.Text += FloatToText(v, s);
    return true;
  }
  TcxDecimalDigits d = ToDecimalDigits(v, 15);
  // The mantissa gets as many whole digits as the code has places; with "#" places the exponent
  // moves in steps of that many instead ("##0.0E+0" shows 12.3E+3).
  const int places = std::max(sec.IntegerPlaces, 1);
  const bool engineering = sec.IntegerPlaces > sec.IntegerZeros && sec.IntegerPlaces > 1;
  int integerDigits = engineering ? 1 : places;
  for (int pass = 0; pass < 2 && d.Count > 0; ++pass) {
    if (engineering) {
      const int e = d.Exponent - 1;
      integerDigits = ((e % places) + places) % places + 1;
    }
    const int before = d.Exponent;
    RoundDecimalDigits(d, integerDigits + sec.FractionPlaces);
    if (d.Exponent == before) break;
  }
  const int exponent = d.Count > 0 ? d.Exponent - integerDigits : 0;
  std::string whole;
  for (int k = 0; k < integerDigits && d.Count > 0; ++k) whole += k < d.Count ? d.Digits[k] : '0';
  while (whole.size() > 1 && whole[0] == '0') whole.erase(0, 1);
  if (whole == "0") whole.clear();
  TDigitLayout integer(whole, sec.IntegerPlaces, false, s);
  int exponentPlaces = 0;
  for (const TToken& t : sec.Tokens)
    if (t.Kind == TTokenKind::Digit && t.Count == 2) ++exponentPlaces;
  std::string exponentDigits = std::to_string(std::abs(exponent));
  TDigitLayout exponentLayout(exponentDigits, exponentPlaces, false, s);
  int fractionIndex = 0;
  for (const TToken& t : sec.Tokens) {
    switch (t.Kind) {
      case TTokenKind::Digit:
        if (t.Count == 0) {
          integer.Place(t.Char, out.Text);
        } else if (t.Count == 1) {
          const int at = integerDigits + fractionIndex++;
          out.Text += d.Count > 0 && at < d.Count ? d.Digits[at] : '0';
        } else {
          exponentLayout.Place(t.Char == '#' ? '0' : t.Char, out.Text);
        }
        break;
      case TTokenKind::Point: out.Text += s.DecimalSeparator; break;
      case TTokenKind::Percent: out.Text += '%'; break;
      case TTokenKind::Exponent:
        out.Text += t.Char;
        if (exponent < 0) out.Text += '-';
        else if (t.Count) out.Text += '+';
        break;
      default:
        if (IsShownLiteral(t.Kind)) out.Literal(t);
        break;
    }
  }
  return d.Count > 0;
}

// The fraction nearest to f (0 <= f < 1) whose denominator is at most `maxDenominator`: the
// last continued-fraction convergent within the bound or the semiconvergent after it, whichever
// is nearer (the smaller denominator on a tie).
void NearestFraction(double f, long long maxDenominator, long long& numerator,
                     long long& denominator) {
  long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;
  double x = f;
  for (int step = 0; step < 64; ++step) {
    const double a = std::floor(x);
    if (a > static_cast<double>(maxDenominator)) break;
    const auto whole = static_cast<long long>(a);
    const long long q2 = q0 + whole * q1;
    if (q2 > maxDenominator) break;
    const long long p2 = p0 + whole * p1;
    p0 = p1, q0 = q1, p1 = p2, q1 = q2;
    if (x == a) break;
    x = 1 / (x - a);
  }
  numerator = p1, denominator = q1;
  if (q1 == 0) {
    numerator = 0, denominator = 1;
    return;
  }
  const long long k = (maxDenominator - q0) / q1;
  const long long p = p0 + k * p1, q = q0 + k * q1;
  if (q > 0 && std::fabs(static_cast<double>(p) / static_cast<double>(q) - f) <
                   std::fabs(static_cast<double>(p1) / static_cast<double>(q1) - f))
    numerator = p, denominator = q;
}

// a × b rounded to the nearest whole number as the exact product would round: 0.95 × 10 is
// 9.4999… for the double nearest 0.95, so it gives 9, though the rounded product is 9.5.
long long RoundProduct(double a, double b) {
  const double product = a * b;
  const double error = std::fma(a, b, -product);
  double whole = std::floor(product);
  const double rest = product - whole;
  if (rest > 0.5 || (rest == 0.5 && error >= 0)) whole += 1;
  return static_cast<long long>(whole);
}

bool FormatFractionSection(const TSection& sec, double v, const TRegionalSettings& s, TOut& out) {
  for (int k = 0; k < sec.Percent; ++k) v *= 100;
  if (!std::isfinite(v) || v >= 1e15) {
    out.Text += FloatToText(v, s);
    return true;
  }
  const bool whole = sec.IntegerPlaces > 0;
  double integerPart = std::floor(v);
  long long numerator = 0, denominator = 1;
  if (sec.FixedDenominator > 0) {
    denominator = sec.FixedDenominator;
    numerator = RoundProduct(v - integerPart, static_cast<double>(denominator));
  } else {
    int maxDenominator = 1;
    for (int k = 0; k < std::max(sec.DenominatorPlaces, 1); ++k) maxDenominator *= 10;
    NearestFraction(v - integerPart, maxDenominator - 1, numerator, denominator);
  }
  if (numerator >= denominator) {
    integerPart += static_cast<double>(numerator / denominator);
    numerator %= denominator;
  }
  if (!whole) {
    // Without a whole part the numerator takes it: 1e15 ninths no longer fit its digits.
    if (integerPart * static_cast<double>(denominator) >= 1e18) {
      out.Text += FloatToText(v, s);
      return true;
    }
    numerator += static_cast<long long>(integerPart) * denominator;
    integerPart = 0;
  }
  // A whole number shows blanks where the fraction would be; below 1 the whole part shows
  // only what its "0" places ask for.
  const bool blankFraction = whole && numerator == 0;
  std::string integerDigits = IntegerDigits(ToDecimalDigits(integerPart, 15));
  if (integerDigits.empty() && blankFraction) integerDigits = "0";
  TDigitLayout integer(integerDigits, sec.IntegerPlaces, sec.Grouping, s);
  TDigitLayout numeratorLayout(std::to_string(numerator), sec.NumeratorPlaces, false, s);
  const std::string denominatorDigits = std::to_string(denominator);

  // The fraction runs from after the last whole-number place to the denominator's end.
  size_t fractionStart = 0, fractionEnd = 0;
  for (size_t k = 0; k < sec.Tokens.size(); ++k) {
    const TToken& t = sec.Tokens[k];
    if (t.Kind == TTokenKind::Digit && t.Count == 0) fractionStart = k + 1;
    if ((t.Kind == TTokenKind::Digit && t.Count == 2) || t.Kind == TTokenKind::Denominator)
      fractionEnd = k + 1;
  }
  std::string fraction;
  int denominatorIndex = 0;
  for (size_t k = 0; k < sec.Tokens.size(); ++k) {
    const TToken& t = sec.Tokens[k];
    const bool inFraction = k >= fractionStart && k < fractionEnd;
    std::string& target = inFraction ? fraction : out.Text;
    switch (t.Kind) {
      case TTokenKind::Digit:
        if (t.Count == 0) {
          integer.Place(t.Char, target);
        } else if (t.Count == 1) {
          numeratorLayout.Place(t.Char, target);
        } else {
          // Denominator digits are left-aligned: the first place takes them all.
          const int length = static_cast<int>(denominatorDigits.size());
          if (denominatorIndex == 0) target += denominatorDigits;
          else if (denominatorIndex >= length && t.Char == '?') target += ' ';
          else if (denominatorIndex >= length && t.Char == '0') target += '0';
          ++denominatorIndex;
        }
        break;
      case TTokenKind::Slash: target += '/'; break;
      case TTokenKind::Denominator: target += denominatorDigits; break;
      case TTokenKind::Percent: target += '%'; break;
      default:
        if (!IsShownLiteral(t.Kind)) break;
        if (inFraction) {
          if (t.Kind != TTokenKind::Fill) fraction += t.Text;
        } else {
          out.Literal(t);
        }
        break;
    }
    if (k + 1 == fractionEnd) {
      if (blankFraction) out.Text.append(unicode::Length(fraction), ' ');
      else out.Text += fraction;
    }
  }
  return integerPart > 0 || numerator > 0;
}

// A number through a number, scientific, fraction or literal section; true when what it shows
// is not zero (a literal section counts as not zero).
bool FormatNumeric(const TSection& section, double magnitude, const TRegionalSettings& s, TOut& out) {
  switch (section.Kind) {
    case TSectionKind::Number: return FormatNumberSection(section, magnitude, s, out);
    case TSectionKind::Scientific: return FormatScientificSection(section, magnitude, s, out);
    case TSectionKind::Fraction: return FormatFractionSection(section, magnitude, s, out);
    default:
      for (const TToken& t : section.Tokens)
        if (IsShownLiteral(t.Kind)) out.Literal(t);
      return true;
  }
}

std::string TwoDigits(long long n) {
  std::string text = std::to_string(n);
  if (text.size() < 2) text.insert(0, 1, '0');
  return text;
}

// The first letter of a name (a whole UTF-8 character).
std::string FirstLetter(const std::string& name) {
  return name.empty() ? name : name.substr(0, CodePointLength(name, 0));
}

// Dates and times. The value is rounded to the smallest unit shown (a second, or the seconds'
// decimals) before it is split, so 0.99999999 shows as the next day's midnight.
bool FormatDateTimeSection(const TSection& sec, double x, const TRegionalSettings& s, TOut& out) {
  const bool negative = x < 0;
  // Elapsed time may be negative ("-36:00"); a date may not.
  if (negative && !sec.Elapsed) return false;
  const double v = std::fabs(x);
  if (!std::isfinite(v) || v > kMaxDateSerial + 1) return false;
  long long unitsPerSecond = 1;
  for (int k = 0; k < sec.SecondDecimals; ++k) unitsPerSecond *= 10;
  const long long unitsPerDay = 86400 * unitsPerSecond;
  const long long units = std::llround(v * static_cast<double>(unitsPerDay));
  const long long days = units / unitsPerDay;
  const long long dayUnits = units % unitsPerDay;
  const long long seconds = dayUnits / unitsPerSecond;
  const long long secondUnits = dayUnits % unitsPerSecond;
  const int hour = static_cast<int>(seconds / 3600);
  const int minute = static_cast<int>(seconds / 60 % 60);
  const int second = static_cast<int>(seconds % 60);
  TcxDateTimeParts date;
  // The calendar day in the workbook's date system; elapsed time counts the value's own days.
  if (!TryDecodeDateTime(static_cast<double>(days), date, s)) return false;

  if (negative) out.Text += '-';
  for (const TToken& t : sec.Tokens) {
    switch (t.Kind) {
      case TTokenKind::Year:
        out.Text += t.Count <= 2 ? TwoDigits(date.Year % 100) : std::to_string(date.Year);
        break;
      case TTokenKind::Month:
        if (t.Count == 1) out.Text += std::to_string(date.Month);
        else if (t.Count == 2) out.Text += TwoDigits(date.Month);
        else if (t.Count == 3) out.Text += s.ShortMonthNames[static_cast<size_t>(date.Month - 1)];
        else if (t.Count == 5) out.Text += FirstLetter(s.LongMonthNames[static_cast<size_t>(date.Month - 1)]);
        else out.Text += s.LongMonthNames[static_cast<size_t>(date.Month - 1)];
        break;
      case TTokenKind::Day:
        if (t.Count == 1) out.Text += std::to_string(date.Day);
        else if (t.Count == 2) out.Text += TwoDigits(date.Day);
        else if (t.Count == 3) out.Text += s.ShortDayNames[static_cast<size_t>(date.DayOfWeek)];
        else out.Text += s.LongDayNames[static_cast<size_t>(date.DayOfWeek)];
        break;
      case TTokenKind::Hour: {
        const int shown = sec.TwelveHour ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
        out.Text += t.Count == 1 ? std::to_string(shown) : TwoDigits(shown);
        break;
      }
      case TTokenKind::Minute:
        out.Text += t.Count == 1 ? std::to_string(minute) : TwoDigits(minute);
        break;
      case TTokenKind::Second:
        out.Text += t.Count == 1 ? std::to_string(second) : TwoDigits(second);
        break;
      case TTokenKind::SecondFraction: {
        std::string digits = std::to_string(secondUnits);
        digits.insert(0, static_cast<size_t>(sec.SecondDecimals) - digits.size(), '0');
        out.Text += s.DecimalSeparator;
        out.Text += digits.substr(0, static_cast<size_t>(t.Count));
        break;
      }
      case TTokenKind::ElapsedHours:
      case TTokenKind::ElapsedMinutes:
      case TTokenKind::ElapsedSeconds: {
        const long long total = units / unitsPerSecond;
        const long long value = t.Kind == TTokenKind::ElapsedHours     ? total / 3600
                                : t.Kind == TTokenKind::ElapsedMinutes ? total / 60
                                                                       : total;
        std::string digits = std::to_string(value);
        if (static_cast<int>(digits.size()) < t.Count)
          digits.insert(0, static_cast<size_t>(t.Count) - digits.size(), '0');
        out.Text += digits;
        break;
      }
      case TTokenKind::AmPm: {
        const bool pm = hour >= 12;
        if (t.Text.size() == 3) {  // "A/P" in the letter case written
          out.Text += pm ? t.Text[2] : t.Text[0];
        } else {
          const std::string& locale = pm ? s.TimePMString : s.TimeAMString;
          out.Text += !locale.empty() ? locale : pm ? "PM" : "AM";
        }
        break;
      }
      case TTokenKind::Slash: out.Text += s.DateSeparator; break;
      case TTokenKind::Colon: out.Text += s.TimeSeparator; break;
      default:
        if (IsShownLiteral(t.Kind)) out.Literal(t);
        break;
    }
  }
  return true;
}

// Text through a section: "@" (or "General") is the text, everything else as for numbers.
void FormatTextSection(const TSection& sec, std::string_view value, TOut& out) {
  for (const TToken& t : sec.Tokens) {
    if (t.Kind == TTokenKind::Text || t.Kind == TTokenKind::General) out.Text += value;
    else if (IsShownLiteral(t.Kind)) out.Literal(t);
  }
}

}  // namespace

// --- TcxNumberFormat ------------------------------------------------------------------------------

TcxNumberFormat::TcxNumberFormat(std::string_view code, uint16_t builtIn)
    : code_(code), builtIn_(builtIn) {
  // Sections are split at ";" outside quotes, brackets and escapes.
  size_t start = 0;
  bool quoted = false;
  for (size_t i = 0; i <= code.size(); ++i) {
    const char c = i < code.size() ? code[i] : ';';
    if (quoted) {
      quoted = c != '"';
    } else if (c == '"') {
      quoted = true;
    } else if ((c == '\\' || c == '!' || c == '_' || c == '*') && i + 1 < code.size()) {
      i += CodePointLength(code, i + 1);
    } else if (c == '[') {
      const size_t close = code.find(']', i);
      if (close != std::string_view::npos) i = close;
    } else if (c == ';') {
      if (static_cast<int>(sections_.size()) == kMaxSections) break;
      sections_.emplace_back();
      CompileSection(code.substr(start, i - start), sections_.back());
      start = i + 1;
    }
  }
  if (sections_.size() == kMaxSections) {
    textSection_ = kMaxSections - 1;
  } else if (sections_.size() == 1 && sections_[0].Kind == TSectionKind::Text) {
    textSection_ = 0;
  }
}

const TSection* TcxNumberFormat::SectionFor(double x, bool& showSign) const {
  // The text section takes no numbers.
  const int count = std::min<int>(static_cast<int>(sections_.size()), textSection_ == 3 ? 3 : 4);
  showSign = x < 0;
  if (count == 0) return nullptr;
  const TSection& first = sections_[0];
  const bool conditions = std::any_of(sections_.begin(), sections_.begin() + count,
                                      [](const TSection& s) { return s.Compare != TCompare::None; });
  if (!conditions) {
    if (count == 1) return &first;
    if (x < 0) {
      showSign = false;
      return &sections_[1];
    }
    return x == 0 && count >= 3 ? &sections_[2] : &first;
  }
  // With conditions the sections are tried in order, and the last one without a condition takes
  // the rest. Only the first section shows a sign, and not when its condition takes negative
  // numbers alone ("[<0]").
  for (int k = 0; k < count; ++k) {
    const TSection& s = sections_[static_cast<size_t>(k)];
    if (!Matches(s.Compare, s.Limit, x)) continue;
    showSign = showSign && k == 0 &&
               !(s.Limit == 0 && (s.Compare == TCompare::Less || s.Compare == TCompare::LessEqual));
    return &s;
  }
  return nullptr;
}

void TcxNumberFormat::Format(double x, int precision, const TRegionalSettings& settings,
                             std::string& text, TcxSSColor& color, TcxTextFill* fill) const {
  text.clear();
  if (fill) *fill = {};
  bool showSign = false;
  const TSection* section = SectionFor(x, showSign);
  if (!section) {
    FormatGeneral(x, precision, settings, text);
    return;
  }
  if (section->Color != kNoSectionColor) color = section->Color;
  TOut out{text, fill};
  const double magnitude = std::fabs(x);
  switch (section->Kind) {
    case TSectionKind::DateTime:
      if (FormatDateTimeSection(*section, x, settings, out)) return;
      text.clear();
      if (fill) *fill = {};
      FormatGeneral(x, precision, settings, text);
      return;
    case TSectionKind::General:
      for (const TToken& t : section->Tokens) {
        if (t.Kind == TTokenKind::General) FormatGeneral(showSign ? x : magnitude, precision, settings, text);
        else if (IsShownLiteral(t.Kind)) out.Literal(t);
      }
      return;
    case TSectionKind::Text:
      // A number under a text format shows as in the general format.
      FormatGeneral(x, precision, settings, text);
      return;
    default:
      break;
  }
  if (!showSign) {
    FormatNumeric(*section, magnitude, settings, out);
    return;
  }
  // The sign goes in front of everything, unless what is shown rounds to zero.
  std::string body;
  TOut bodyOut{body, fill};
  if (FormatNumeric(*section, magnitude, settings, bodyOut)) {
    text = "-";
    if (fill && !fill->Empty()) ++fill->At;
  }
  text += body;
}

bool TcxNumberFormat::FormatText(std::string_view value, const TRegionalSettings&,
                                 std::string& text, TcxSSColor& color, TcxTextFill* fill) const {
  if (textSection_ < 0) return false;
  const TSection& section = sections_[static_cast<size_t>(textSection_)];
  text.clear();
  if (fill) *fill = {};
  if (section.Color != kNoSectionColor) color = section.Color;
  TOut out{text, fill};
  FormatTextSection(section, value, out);
  return true;
}
