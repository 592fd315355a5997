#include "calc/cxSSDateTime.h"

#include <array>
#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono;

constexpr int64_t kMSecsPerDay = 86'400'000;

sys_days Epoch() { return sys_days{year{1899} / December / 30}; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-insensitive (ASCII letters) prefix test.
bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view prefix) {
  if (prefix.empty() || text.size() - pos < prefix.size()) return false;
  for (size_t k = 0; k < prefix.size(); ++k)
    if (AsciiLower(text[pos + k]) != AsciiLower(prefix[k])) return false;
  return true;
}

void AppendNumber(std::string& out, int64_t value, int minDigits) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  if (value < 0) out += '-';
  for (int k = static_cast<int>(digits.size()); k < minDigits; ++k) out += '0';
  out += digits;
}

// Whether an hour in the pattern is on the 12-hour clock: an am/pm, a/p or ampm outside quotes.
bool HasAmPm(std::string_view pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '"' || c == '\'') {
      const size_t close = pattern.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p") ||
               StartsWithNoCase(pattern, i, "ampm")) {
      return true;
    }
  }
  return false;
}

// A small cursor over typed text.
class TScanner {
public:
  explicit TScanner(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // Up to `maxDigits` digits (at least one); more digits in a row fail.
  bool Number(int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      if (++digits > maxDigits) return false;
      value = value * 10 + (text_[pos_++] - '0');
    }
    return digits > 0;
  }
  // Blanks, then `token`; the position stays where it was when the token is absent.
  bool Token(std::string_view token, bool ignoreCase = false) {
    const size_t start = pos_;
    SkipBlanks();
    const bool found = !token.empty() && (ignoreCase ? StartsWithNoCase(text_, pos_, token)
                                                     : text_.substr(pos_).starts_with(token));
    if (found) {
      pos_ += token.size();
      return true;
    }
    pos_ = start;
    return false;
  }
  bool Digit() const { return pos_ < text_.size() && IsDigit(text_[pos_]); }

private:
  std::string_view text_;
  size_t pos_ = 0;
};

enum TDatePart { dpDay, dpMonth, dpYear };

// The order of day, month and year in a short date format.
std::array<TDatePart, 3> DateOrder(std::string_view format) {
  std::array<TDatePart, 3> order{};
  int count = 0;
  bool seen[3] = {false, false, false};
  for (size_t i = 0; i < format.size() && count < 3; ++i) {
    const char c = AsciiLower(format[i]);
    if (format[i] == '"' || format[i] == '\'') {
      const size_t close = format.find(format[i], i + 1);
      if (close == std::string_view::npos) break;
      i = close;
      continue;
    }
    if (c != 'd' && c != 'm' && c != 'y') continue;
    const TDatePart part = c == 'd' ? dpDay : c == 'm' ? dpMonth : dpYear;
    if (!seen[part]) {
      seen[part] = true;
      order[count++] = part;
    }
  }
  if (count < 3) return {dpMonth, dpDay, dpYear};
  return order;
}

}  // namespace

bool TryEncodeDate(int y, int m, int d, double& serial) {
  serial = 0;
  if (y < 1 || y > 9999) return false;
  const year_month_day date{year{y}, month{static_cast<unsigned>(m)},
                            day{static_cast<unsigned>(d)}};
  if (m < 1 || m > 12 || d < 1 || !date.ok()) return false;
  serial = static_cast<double>((sys_days{date} - Epoch()).count());
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int milliSecond, double& fraction) {
  fraction = 0;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      milliSecond < 0 || milliSecond > 999)
    return false;
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + milliSecond;
  fraction = static_cast<double>(ms) / kMSecsPerDay;
  return true;
}

double CombineDateTime(double date, double time) { return date >= 0 ? date + time : date - time; }

bool TryDecodeDateTime(double serial, TcxDateTimeParts& parts) {
  parts = TcxDateTimeParts{};
  if (!std::isfinite(serial) || serial < kMinDateSerial || serial >= kMaxDateSerial + 1)
    return false;
  const double whole = std::trunc(serial);
  int64_t ms = std::llround(std::fabs(serial - whole) * kMSecsPerDay);
  int64_t days = static_cast<int64_t>(whole);
  if (ms >= kMSecsPerDay) {
    ms -= kMSecsPerDay;
    ++days;
  }
  const sys_days date = Epoch() + std::chrono::days{days};
  const year_month_day ymd{date};
  parts.Days = days;
  parts.Year = static_cast<int>(ymd.year());
  parts.Month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  parts.Day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  parts.DayOfWeek = static_cast<int>(weekday{date}.c_encoding());
  parts.MilliSecond = static_cast<int>(ms % 1000);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.Minute = static_cast<int>(ms / 60'000 % 60);
  parts.Hour = static_cast<int>(ms / 3'600'000);
  return true;
}

std::string FormatDateTime(std::string_view pattern, const TcxDateTimeParts& parts,
                           const TRegionalSettings& settings) {
  std::string out;
  const bool twelveHour = HasAmPm(pattern);
  bool afterHour = false;  // an "m" right after an hour means minutes
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char lc = AsciiLower(c);
    if (c == '"' || c == '\'') {
      size_t close = pattern.find(c, i + 1);
      if (close == std::string_view::npos) close = pattern.size();
      out.append(pattern.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    if (c == '/' || c == ':') {
      out += c == '/' ? settings.DateSeparator : settings.TimeSeparator;
      ++i;
      continue;
    }
    if (lc == 'a') {
      const bool pm = parts.Hour >= 12;
      if (StartsWithNoCase(pattern, i, "am/pm")) {
        out.append(pattern.substr(pm ? i + 3 : i, 2));
        i += 5;
      } else if (StartsWithNoCase(pattern, i, "a/p")) {
        out += pattern[pm ? i + 2 : i];
        i += 3;
      } else if (StartsWithNoCase(pattern, i, "ampm")) {
        out += pm ? settings.TimePMString : settings.TimeAMString;
        i += 4;
      } else {
        out += c;
        ++i;
      }
      continue;
    }
    if (lc != 'd' && lc != 'm' && lc != 'y' && lc != 'h' && lc != 'n' && lc != 's' && lc != 'z') {
      out += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < pattern.size() && AsciiLower(pattern[i + run]) == lc) ++run;
    i += run;
    const int width = run >= 2 ? 2 : 1;
    switch (lc) {
      case 'd':
        if (run <= 2) AppendNumber(out, parts.Day, width);
        else if (run == 3) out += settings.ShortDayNames[parts.DayOfWeek];
        else out += settings.LongDayNames[parts.DayOfWeek];
        break;
      case 'm':
        if (afterHour) AppendNumber(out, parts.Minute, width);
        else if (run <= 2) AppendNumber(out, parts.Month, width);
        else if (run == 3) out += settings.ShortMonthNames[parts.Month - 1];
        else out += settings.LongMonthNames[parts.Month - 1];
        break;
      case 'y':
        if (run <= 2) AppendNumber(out, parts.Year % 100, 2);
        else AppendNumber(out, parts.Year, 4);
        break;
      case 'h': {
        int hour = parts.Hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        AppendNumber(out, hour, width);
        break;
      }
      case 'n':
        AppendNumber(out, parts.Minute, width);
        break;
      case 's':
        AppendNumber(out, parts.Second, width);
        break;
      case 'z':
        AppendNumber(out, parts.MilliSecond, run >= 3 ? 3 : 1);
        break;
    }
    afterHour = lc == 'h';
  }
  return out;
}

bool TryTextToDate(std::string_view text, double& serial, const TRegionalSettings& settings,
                   double now) {
  serial = 0;
  const std::string_view separator = settings.DateSeparator;
  TScanner scan(text);
  int values[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int count = 0;
  scan.SkipBlanks();
  while (count < 3) {
    if (!scan.Number(4, values[count], digits[count])) return false;
    ++count;
    if (!scan.Token(separator)) break;
    scan.SkipBlanks();
    if (!scan.Digit()) break;  // a trailing separator
  }
  scan.SkipBlanks();
  if (!scan.AtEnd() || count < 2) return false;

  const std::array<TDatePart, 3> order = DateOrder(settings.ShortDateFormat);
  int day = 0, month = 0, year = 0;
  int yearDigits = 0;  // none typed
  int next = 0;
  for (const TDatePart part : order) {
    if (part == dpYear && count == 2) continue;
    const int value = values[next];
    const int length = digits[next++];
    if (part == dpYear) {
      year = value;
      yearDigits = length;
    } else if (length > 2) {
      return false;
    } else if (part == dpDay) {
      day = value;
    } else {
      month = value;
    }
  }
  if (yearDigits <= 2) {
    TcxDateTimeParts today;
    if (!TryDecodeDateTime(now, today)) return false;
    if (yearDigits == 0) {
      year = today.Year;
    } else {
      // Within 50 years of the current year: in 2024, 74 is 1974 and 73 is 2073.
      const int pivot = today.Year - 50;
      year += pivot / 100 * 100;
      if (year < pivot) year += 100;
    }
  }
  return TryEncodeDate(year, month, day, serial, settings);
}

bool TryDecodeDateTime(double serial, TcxDateTimeParts& parts, const TRegionalSettings& settings) {
  return TryDecodeDateTime(ToStandardSerial(serial, settings), parts);
}

bool TryEncodeDate(int year, int month, int day, double& serial, const TRegionalSettings& settings) {
  if (!TryEncodeDate(year, month, day, serial)) return false;
  serial = FromStandardSerial(serial, settings);
  return true;
}

bool TryTextToTime(std::string_view text, double& fraction, const TRegionalSettings& settings) {
  fraction = 0;
  TScanner scan(text);
  int hour = 0, minute = 0, second = 0, digits = 0;
  double secondFraction = 0;
  scan.SkipBlanks();
  if (!scan.Number(2, hour, digits)) return false;
  const bool hasMinutes = scan.Token(settings.TimeSeparator);
  if (hasMinutes) {
    scan.SkipBlanks();
    if (!scan.Number(2, minute, digits)) return false;
    if (scan.Token(settings.TimeSeparator)) {
      scan.SkipBlanks();
      if (!scan.Number(2, second, digits)) return false;
      if (scan.Token(settings.DecimalSeparator)) {
        int value = 0;
        if (!scan.Number(9, value, digits)) return false;
        secondFraction = value / std::pow(10.0, digits);
      }
    }
  }
  int baseHour = -1;
  if (scan.Token(settings.TimeAMString, true)) baseHour = 0;
  else if (scan.Token(settings.TimePMString, true)) baseHour = 12;
  scan.SkipBlanks();
  if (!scan.AtEnd() || (!hasMinutes && baseHour < 0)) return false;
  if (baseHour >= 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + baseHour;
  }
  // Fractional seconds may round up into the next second, never past midnight.
  if (!TryEncodeTime(hour, minute, second, 0, fraction)) return false;
  const int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 +
                     std::llround(secondFraction * 1000);
  if (ms >= kMSecsPerDay) {
    fraction = 0;
    return false;
  }
  fraction = static_cast<double>(ms) / kMSecsPerDay;
  return true;
}
