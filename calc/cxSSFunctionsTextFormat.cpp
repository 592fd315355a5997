#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDateTime.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "platform/Environment.h"

// TEXT and VALUE: numbers to text through a format string, and text back to numbers.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// The sections of a format string, split at ";" outside quotes, escapes and brackets.
std::vector<std::string_view> Sections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"') {
      const size_t close = format.find('"', i + 1);
      i = close == std::string_view::npos ? format.size() : close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;
    } else if (c == '[') {
      const size_t close = format.find(']', i + 1);
      i = close == std::string_view::npos ? format.size() : close;
    } else if (c == ';') {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(format.substr(start));
  return sections;
}

// One piece of a number section: a digit placeholder, the decimal point, a thousands comma,
// an exponent mark, a percent sign or literal text.
struct TPiece {
  enum TKind : uint8_t { pkDigit, pkPoint, pkComma, pkExponent, pkPercent, pkText };
  TKind Kind;
  char Placeholder = 0;   // pkDigit: '0', '#' or '?'; pkExponent: '+' or '-'
  std::string Text;       // pkText
};

std::vector<TPiece> Pieces(std::string_view section) {
  std::vector<TPiece> pieces;
  const auto text = [&pieces](std::string s) {
    if (!pieces.empty() && pieces.back().Kind == TPiece::pkText)
      pieces.back().Text += s;
    else
      pieces.push_back({TPiece::pkText, 0, std::move(s)});
  };
  for (size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    switch (c) {
      case '0':
      case '#':
      case '?': pieces.push_back({TPiece::pkDigit, c, {}}); break;
      case '.': pieces.push_back({TPiece::pkPoint, 0, {}}); break;
      case ',': pieces.push_back({TPiece::pkComma, 0, {}}); break;
      case '%': pieces.push_back({TPiece::pkPercent, 0, {}}); break;
      case 'E':
      case 'e':
        if (i + 1 < section.size() && (section[i + 1] == '+' || section[i + 1] == '-')) {
          pieces.push_back({TPiece::pkExponent, section[++i], {}});
          break;
        }
        text(std::string(1, c));
        break;
      case '"': {
        const size_t close = section.find('"', i + 1);
        const size_t end = close == std::string_view::npos ? section.size() : close;
        text(std::string(section.substr(i + 1, end - i - 1)));
        i = end;
        break;
      }
      case '\\':
        if (i + 1 < section.size()) text(std::string(1, section[++i]));
        break;
      case '_':
        ++i;
        text(" ");
        break;
      case '*': ++i; break;
      case '[': {
        // Colours and conditions are left out; a currency tag [$€-407] shows its symbol.
        const size_t close = section.find(']', i + 1);
        const size_t end = close == std::string_view::npos ? section.size() : close;
        const std::string_view inside = section.substr(i + 1, end - i - 1);
        if (inside.starts_with("$")) text(std::string(inside.substr(1, inside.find('-') - 1)));
        i = end;
        break;
      }
      default: text(std::string(1, c)); break;
    }
  }
  return pieces;
}

// A number laid out by a number section.
std::string FormatNumber(double x, std::string_view section, const TRegionalSettings& s) {
  std::vector<TPiece> pieces = Pieces(section);
  // Commas right after the last integer placeholder (before the point or the end) divide by a
  // thousand each; a comma between integer placeholders asks for thousand separators.
  bool grouping = false;
  int integerPlaces = 0, fractionPlaces = 0, exponentPlaces = 0;
  bool point = false, exponent = false;
  char exponentSign = '+';
  for (size_t i = 0; i < pieces.size(); ++i) {
    const TPiece& p = pieces[i];
    if (p.Kind == TPiece::pkPercent) x *= 100;
    if (p.Kind == TPiece::pkPoint) point = true;
    if (p.Kind == TPiece::pkExponent) {
      exponent = true;
      exponentSign = p.Placeholder;
    }
    if (p.Kind == TPiece::pkDigit) {
      if (exponent) ++exponentPlaces;
      else if (point) ++fractionPlaces;
      else ++integerPlaces;
    }
    if (p.Kind == TPiece::pkComma && !point && !exponent) {
      bool digitAfter = false;
      for (size_t j = i + 1; j < pieces.size(); ++j) {
        if (pieces[j].Kind == TPiece::pkPoint || pieces[j].Kind == TPiece::pkExponent) break;
        if (pieces[j].Kind == TPiece::pkDigit) digitAfter = true;
      }
      if (digitAfter && integerPlaces > 0) grouping = true;
      else if (!digitAfter) x /= 1000;
    }
  }
  const bool negative = x < 0;
  x = std::fabs(x);
  int exponentValue = 0;
  if (exponent && x != 0) {
    const int step = std::max(integerPlaces, 1);
    exponentValue = static_cast<int>(std::floor(std::log10(x)));
    exponentValue -= ((exponentValue % step) + step) % step + (integerPlaces - step);
    x /= std::pow(10.0, exponentValue);
  }
  // The digits of x rounded to the fraction places (15 significant digits trusted); a mantissa
  // that rounds up to another digit before the point moves the exponent on.
  TcxDecimalDigits d = ToDecimalDigits(x, 15);
  RoundDecimalDigits(d, d.Exponent + fractionPlaces);
  if (exponent && d.Count > 0 && d.Exponent > std::max(integerPlaces, 1)) {
    exponentValue += d.Exponent - std::max(integerPlaces, 1);
    d.Exponent = std::max(integerPlaces, 1);
  }
  const int exp10 = d.Count > 0 ? d.Exponent : 0;
  const auto digitAt = [&d](int position) {
    return position >= 0 && position < d.Count ? d.Digits[position] : '0';
  };
  std::string integerDigits;
  for (int k = 0; k < exp10; ++k) integerDigits += digitAt(k);
  std::string fractionDigits;
  for (int k = 0; k < fractionPlaces; ++k) fractionDigits += digitAt(exp10 + k);
  std::string out;
  if (negative) out += '-';
  int integerSeen = 0, fractionSeen = 0, exponentSeen = 0;
  bool inFraction = false, inExponent = false;
  const std::string exponentDigits = std::to_string(std::abs(exponentValue));
  for (const TPiece& p : pieces) {
    switch (p.Kind) {
      case TPiece::pkText: out += p.Text; break;
      case TPiece::pkPercent: out += '%'; break;
      case TPiece::pkComma: break;
      case TPiece::pkPoint:
        inFraction = true;
        out += s.DecimalSeparator;
        break;
      case TPiece::pkExponent:
        inExponent = true;
        out += 'E';
        if (exponentValue < 0) out += '-';
        else if (exponentSign == '+') out += '+';
        break;
      case TPiece::pkDigit:
        if (inExponent) {
          const int fromRight = exponentPlaces - exponentSeen++;
          const int index = static_cast<int>(exponentDigits.size()) - fromRight;
          if (exponentSeen == 1 && index > 0) out += exponentDigits.substr(0, size_t(index) + 1);
          else if (index >= 0) out += exponentDigits[size_t(index)];
          else if (p.Placeholder == '0') out += '0';
          else if (p.Placeholder == '?') out += ' ';
        } else if (inFraction) {
          const int k = fractionSeen++;
          bool trailingZero = true;
          for (int j = k; j < fractionPlaces; ++j)
            if (fractionDigits[size_t(j)] != '0') trailingZero = false;
          if (!trailingZero || p.Placeholder == '0') out += fractionDigits[size_t(k)];
          else if (p.Placeholder == '?') out += ' ';
        } else {
          const int fromRight = integerPlaces - integerSeen++;  // this placeholder's place
          const int length = static_cast<int>(integerDigits.size());
          const auto grouped = [&](int place) {  // place counted from 1 at the units
            if (grouping && place > 1 && (place - 1) % 3 == 0) out += s.ThousandSeparator;
          };
          if (integerSeen == 1 && length > fromRight) {
            // The first placeholder takes every digit beyond the placeholders.
            for (int k = 0; k < length - fromRight + 1; ++k) {
              out += integerDigits[size_t(k)];
              grouped(length - k);
            }
          } else if (fromRight <= length) {
            out += integerDigits[size_t(length - fromRight)];
            grouped(fromRight);
          } else if (p.Placeholder == '0') {
            out += '0';
            grouped(fromRight);
          } else if (p.Placeholder == '?') {
            out += ' ';
          }
        }
        break;
    }
  }
  return out;
}

bool IsDateSection(std::string_view section) {
  for (size_t i = 0; i < section.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(section[i])));
    if (c == '"') {
      const size_t close = section.find('"', i + 1);
      i = close == std::string_view::npos ? section.size() : close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;
    } else if (c == '[') {
      const size_t close = section.find(']', i + 1);
      const std::string_view inside = section.substr(i + 1, close - i - 1);
      if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos)
        return true;
      i = close == std::string_view::npos ? section.size() : close;
    } else if (c == 'd' || c == 'y' || c == 'h' || c == 's' || c == 'm' ||
               (c == 'e' && (i + 1 == section.size() ||
                             (section[i + 1] != '+' && section[i + 1] != '-')))) {
      // "e" is the year, "E+" and "E-" an exponent.
      return true;
    } else if (section.substr(i).size() >= 3 &&
               (section.substr(i, 5) == "AM/PM" || section.substr(i, 5) == "am/pm" ||
                section.substr(i, 3) == "A/P" || section.substr(i, 3) == "a/p")) {
      return true;
    }
  }
  return false;
}

// A date section rewritten in the pattern letters FormatDateTime reads: minutes ("m" after an
// hour or before seconds) become "n"; elapsed hours "[h]" are written out.
std::string FormatDate(double x, std::string_view section, const TRegionalSettings& s) {
  x = ToStandardSerial(x, s);
  TcxDateTimeParts parts;
  if (!TryDecodeDateTime(x, parts)) return {};
  // Excel's calendar counts 1900 as a leap year: its serial 1 is 1900-01-01, 60 the 29th of
  // February 1900 and 0 the "0th" of January; from serial 61 on the calendars agree. The day of
  // the week stays that of the serial.
  if (x >= 0 && x < 61) {
    TcxDateTimeParts shifted;
    if (TryDecodeDateTime(x + 1, shifted)) {
      shifted.DayOfWeek = parts.DayOfWeek;
      shifted.Days = parts.Days;
      parts = shifted;
      if (x >= 60) {
        parts.Month = 2;
        parts.Day = 29;
      } else if (x < 1) {
        parts.Year = 1900;
        parts.Month = 1;
        parts.Day = 0;
      }
    }
  }
  std::string pattern;
  char lastTimeLetter = 0;  // 'h', 'm' (month or minute), 's' of the previous run of letters
  const auto startsWith = [&section](size_t at, std::string_view word) {
    if (section.size() - at < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
      if (std::tolower(static_cast<unsigned char>(section[at + k])) != word[k]) return false;
    return true;
  };
  for (size_t i = 0; i < section.size(); ++i) {
    const char c = section[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (startsWith(i, "am/pm") || startsWith(i, "a/p")) {
      const size_t length = startsWith(i, "am/pm") ? 5 : 3;
      pattern += section.substr(i, length);
      i += length - 1;
    } else if (c == '"') {
      const size_t close = section.find('"', i + 1);
      const size_t end = close == std::string_view::npos ? section.size() : close;
      pattern += '"';
      pattern += section.substr(i + 1, end - i - 1);
      pattern += '"';
      i = end;
    } else if (c == '\\' && i + 1 < section.size()) {
      pattern += '"';
      pattern += section[++i];
      pattern += '"';
    } else if (c == '_' || c == '*') {
      ++i;
      if (c == '_') pattern += ' ';
    } else if (c == '[') {
      const size_t close = section.find(']', i + 1);
      const size_t end = close == std::string_view::npos ? section.size() : close;
      const std::string inside(section.substr(i + 1, end - i - 1));
      if (!inside.empty() && (inside[0] == 'h' || inside[0] == 'H')) {
        // Elapsed hours count the value's own days, whatever the date system.
        const int64_t days = parts.Days - static_cast<int64_t>(ToStandardSerial(0, s));
        pattern += '"' + std::to_string(days * 24 + parts.Hour) + '"';
        lastTimeLetter = 'h';
      }
      i = end;
    } else if (lower == 'm') {
      size_t run = i;
      while (run < section.size() && std::tolower(static_cast<unsigned char>(section[run])) == 'm') ++run;
      const size_t length = run - i;
      // Minutes right after an hour, or right before seconds.
      size_t next = run;
      while (next < section.size() && !std::isalpha(static_cast<unsigned char>(section[next]))) ++next;
      const bool beforeSeconds = next < section.size() && std::tolower(static_cast<unsigned char>(section[next])) == 's';
      if (length <= 2 && (lastTimeLetter == 'h' || beforeSeconds))
        pattern += length == 1 ? "n" : "nn";
      else
        pattern += std::string(length, 'm');
      lastTimeLetter = 'm';
      i = run - 1;
    } else if (lower == 'e') {
      // The year in full, as "yyyy".
      pattern += "yyyy";
      lastTimeLetter = 'y';
    } else {
      if (lower == 'h' || lower == 's' || lower == 'd' || lower == 'y') lastTimeLetter = lower;
      pattern += c;
    }
  }
  return FormatDateTime(pattern, parts, s);
}

// The condition of a section, "[<10]", "[>= 5]" ...: whether the section has one, and whether x
// meets it.
bool SectionCondition(std::string_view section, double x, bool& met) {
  if (section.size() < 3 || section[0] != '[') return false;
  const size_t close = section.find(']');
  if (close == std::string_view::npos) return false;
  std::string_view inside = section.substr(1, close - 1);
  std::string_view op;
  for (std::string_view candidate : {"<=", ">=", "<>", "<", ">", "="})
    if (inside.starts_with(candidate)) {
      op = candidate;
      break;
    }
  if (op.empty()) return false;
  inside.remove_prefix(op.size());
  while (!inside.empty() && inside.front() == ' ') inside.remove_prefix(1);
  double limit = 0;
  const auto [end, error] = std::from_chars(inside.data(), inside.data() + inside.size(), limit);
  if (error != std::errc() || end != inside.data() + inside.size()) return false;
  met = op == "<"    ? x < limit
        : op == ">"  ? x > limit
        : op == "="  ? x == limit
        : op == "<=" ? x <= limit
        : op == ">=" ? x >= limit
                     : x != limit;
  return true;
}

// TEXT(value, format): a number (or a text that reads as one) laid out by the format; any other
// text stays as it is. An empty format gives an empty text.
void Text(Handler& h) {
  TArgs args(h);
  const std::string format = args.Text();
  const TValue value = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  double x = 0;
  uint8_t error = 0;
  if (value.Kind == vkBool) return h.PushText(BoolToText(value.Number != 0));
  if (value.Kind == vkText && !ToNumber(h, value, x, error)) return h.PushText(value.Text);
  if (value.Kind == vkNumber) x = value.Number;
  if (format.empty()) return h.PushText("");
  const std::vector<std::string_view> sections = Sections(format);
  std::string_view section = sections[0];
  bool absolute = false;
  bool met = false;
  if (SectionCondition(sections[0], x, met)) {
    // Sections with conditions: the first whose condition x meets; else the next section
    // without a condition; else x in the General format.
    bool chosen = met;
    for (size_t i = 1; i < sections.size() && !chosen; ++i) {
      bool metHere = false;
      if (!SectionCondition(sections[i], x, metHere) || metHere) {
        section = sections[i];
        chosen = true;
      }
    }
    if (!chosen) return h.PushText(FloatToTextGeneral(x, 10, 0, h.Settings()));
  } else if (x < 0 && sections.size() >= 2) {
    section = sections[1];
    absolute = true;
  } else if (x == 0 && sections.size() >= 3) {
    section = sections[2];
  }
  if (absolute) x = -x;
  std::string lower(section);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "general" || section.empty())
    return h.PushText(section.empty() && sections.size() > 1 ? std::string()
                                                             : FloatToTextGeneral(x, 10, 0, h.Settings()));
  if (IsDateSection(section)) {
    std::string text = FormatDate(x, section, h.Settings());
    if (text.empty()) return FailWith(h, ecValue);
    return h.PushText(text);
  }
  h.PushText(FormatNumber(x, section, h.Settings()));
}

// VALUE(text): a number, a number with thousand separators or the currency string, a
// percentage, a date or a time.
void Value(Handler& h) {
  TArgs args(h);
  const TValue value = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (value.Kind == vkNumber || value.Kind == vkEmpty) return h.PushNumber(value.Number);
  if (value.Kind != vkText) return FailWith(h, ecValue);
  const std::string_view text = Trim(value.Text);
  const TRegionalSettings& s = h.Settings();
  double x = 0;
  int64_t amount = 0;
  if (TextToNumber(h, text, x)) return h.PushNumber(x);
  if (text.ends_with("%") && TextToNumber(h, Trim(text.substr(0, text.size() - 1)), x))
    return h.PushNumber(x / 100);
  if (TryTextToCurrency(text, amount, s)) return h.PushNumber(static_cast<double>(amount) / 10000);
  if (h.Environment().Now && TryTextToDateTime(text, x, s, h.Environment().Now()))
    return h.PushNumber(x);
  FailWith(h, ecValue);
}

// ROMAN(number [, form]): the roman numeral of a whole number from 0 to 3999 (0 gives an
// empty text). Form 0 (or TRUE) is the classic one; forms 1 to 4 are ever more concise, a
// numeral being allowed to stand before ever larger ones (499 is CDXCIX, LDVLIV, XDIX, VDIV,
// ID). Each form adds its subtractive pairs to those of the forms before it, and the numeral is
// built greedily from the largest value down.
struct TRomanPart {
  int Value;
  std::string_view Text;
  int Form;  // the first form that uses it
};

constexpr TRomanPart kRomanParts[] = {
    {1000, "M", 0}, {999, "IM", 4}, {995, "VM", 3}, {990, "XM", 2}, {950, "LM", 1},
    {900, "CM", 0}, {500, "D", 0},  {499, "ID", 4}, {495, "VD", 3}, {490, "XD", 2},
    {450, "LD", 1}, {400, "CD", 0}, {100, "C", 0},  {99, "IC", 2},  {95, "VC", 1},
    {90, "XC", 0},  {50, "L", 0},   {49, "IL", 2},  {45, "VL", 1},  {40, "XL", 0},
    {10, "X", 0},   {9, "IX", 0},   {5, "V", 0},    {4, "IV", 0},   {1, "I", 0},
};

void Roman(Handler& h) {
  TArgs args(h);
  double form = 0;
  if (args.Count() >= 2) {
    const TValue v = args.Single();
    double x = 0;
    uint8_t error = 0;
    if (v.Kind == vkBool)
      form = v.Number != 0 ? 0 : 4;
    else if (ToNumber(h, v, x, error))
      form = std::trunc(x);
    else
      args.SetError(error);
  }
  const double number = std::trunc(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  if (number < 0 || number > 3999 || form < 0 || form > 4) return FailWith(h, ecValue);
  int rest = static_cast<int>(number);
  std::string text;
  for (const TRomanPart& part : kRomanParts) {
    if (part.Form > form) continue;
    while (rest >= part.Value) {
      text += part.Text;
      rest -= part.Value;
    }
  }
  h.PushText(text);
}

constexpr TRoutine kRoutines[] = {
    {"ROMAN", Roman},
    {"TEXT", Text},
    {"VALUE", Value},
};

}  // namespace

void RegisterTextFormatFunctions() { RegisterRoutines(kRoutines); }
