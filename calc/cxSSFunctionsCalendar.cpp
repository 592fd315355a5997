#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDateTime.h"
#include "calc/cxSSDayCount.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "platform/Environment.h"
#include "platform/RegionalSettings.h"

// Calendar functions with Excel's rules: day counts, month steps, working days and weeks. Date
// arguments are whole days (their time of day is dropped), taken as standard serials and given
// back in the workbook's date system (PopDate, PushDate).

namespace {

using namespace cxfunctions;
using namespace cxdaycount;
using Handler = TcxSSFunctionHandler;

void EDate(Handler& h, bool lastDay) {
  TArgs args(h);
  const double months = args.Number();
  const double start = args.Date();
  if (args.Failed()) return FailWith(h, args.Error());
  TcxDateTimeParts date;
  double serial = 0;
  if (!ToDate(start, date) || !AddMonths(date, months, lastDay, serial)) return FailWith(h, ecNum);
  PushDate(h, serial);
}

void EDateFunction(Handler& h) { EDate(h, false); }
void EoMonth(Handler& h) { EDate(h, true); }

// DAYS360(start, end [, european]): days on a calendar of twelve 30-day months. The US method
// counts a start on the last day of its month as the 30th, and an end on the 31st as the 1st of
// the next month when the start is before the 30th, else as the 30th; the European method counts
// every 31st as the 30th.
void Days360(Handler& h) {
  TArgs args(h);
  const bool european = args.Count() >= 3 ? args.Bool() : false;
  const double end = args.Date();
  const double start = args.Date();
  if (args.Failed()) return FailWith(h, args.Error());
  TcxDateTimeParts a, b;
  if (!ToDate(start, a) || !ToDate(end, b)) return FailWith(h, ecNum);
  int d1 = a.Day, d2 = b.Day, m2 = b.Month, y2 = b.Year;
  if (european) {
    d1 = std::min(d1, 30);
    d2 = std::min(d2, 30);
  } else {
    if (d1 == DaysInMonth(a.Year, a.Month)) d1 = 30;
    if (d2 == 31) {
      if (d1 < 30) {
        d2 = 1;
        if (++m2 > 12) {
          m2 = 1;
          ++y2;
        }
      } else {
        d2 = 30;
      }
    }
  }
  h.PushNumber((y2 - a.Year) * 360.0 + (m2 - a.Month) * 30.0 + (d2 - d1));
}

// YEARFRAC(start, end [, basis]): the share of a year between the dates; basis 0 US 30/360,
// 1 actual days over the actual year length, 2 actual/360, 3 actual/365, 4 European 30/360.
void YearFrac(Handler& h) {
  TArgs args(h);
  const double basis = args.Count() >= 3 ? std::trunc(args.Number()) : 0;
  const double end = args.Date();
  const double start = args.Date();
  if (args.Failed()) return FailWith(h, args.Error());
  if (basis < 0 || basis > 4) return FailWith(h, ecNum);
  TcxDateTimeParts a, b;
  if (!ToDate(start, a) || !ToDate(end, b)) return FailWith(h, ecNum);
  PushResult(h, YearFraction(start, end, static_cast<int>(basis)));
}

// DATEDIF(start, end, unit): the whole years ("Y"), months ("M") or days ("D") from start to
// end; "YM" the months and "MD" the days left over beyond whole years and months, "YD" the days
// beyond whole years. A start after the end is "#NUM!".
void DateDif(Handler& h) {
  TArgs args(h);
  std::string unit = args.Text();
  const double end = args.Date();
  const double start = args.Date();
  if (args.Failed()) return FailWith(h, args.Error());
  TcxDateTimeParts a, b;
  if (!ToDate(start, a) || !ToDate(end, b) || a.Days > b.Days) return FailWith(h, ecNum);
  for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // Whole months: the end's day must reach the start's.
  const int months = (b.Year - a.Year) * 12 + (b.Month - a.Month) - (b.Day < a.Day ? 1 : 0);
  if (unit == "D") return h.PushNumber(static_cast<double>(b.Days - a.Days));
  if (unit == "M") return h.PushNumber(months);
  if (unit == "Y") return h.PushNumber(months / 12);
  if (unit == "YM") return h.PushNumber(months % 12);
  if (unit == "MD") {
    if (b.Day >= a.Day) return h.PushNumber(b.Day - a.Day);
    // From the start's day in the month before the end's.
    const int year = b.Month == 1 ? b.Year - 1 : b.Year;
    const int month = b.Month == 1 ? 12 : b.Month - 1;
    return h.PushNumber(static_cast<double>(b.Days) - (Serial(year, month, 1) + a.Day - 1));
  }
  if (unit == "YD") {
    // From the start's day and month in the last year before the end.
    int year = b.Year;
    const auto anniversary = [&](int y) {
      return Serial(y, a.Month, std::min(a.Day, DaysInMonth(y, a.Month)));
    };
    if (anniversary(year) > static_cast<double>(b.Days)) --year;
    return h.PushNumber(static_cast<double>(b.Days) - anniversary(year));
  }
  FailWith(h, ecNum);
}

// The whole days of a holidays argument.
bool PopHolidays(Handler& h, std::set<double>& holidays, uint8_t& error) {
  std::vector<double> days;
  if (!ArgumentNumbers(h, PopArgument(h), lnNumbers, days, error)) return false;
  for (const double d : days) holidays.insert(std::floor(ToStandardSerial(d, h.Settings())));
  return true;
}

bool IsWorkday(double serial, const std::set<double>& holidays) {
  // 1899-12-30 (serial 0) was a Saturday.
  const int64_t weekday = ((static_cast<int64_t>(serial) % 7) + 7) % 7;  // 0 Saturday, 1 Sunday
  return weekday >= 2 && !holidays.count(serial);
}

// NETWORKDAYS(start, end [, holidays]): the working days (Monday to Friday, not a holiday) from
// start to end, both counted; negative when end comes first.
void NetworkDays(Handler& h) {
  std::set<double> holidays;
  uint8_t error = 0;
  const bool holidaysOk = h.ArgCount() < 3 || PopHolidays(h, holidays, error);
  TArgs args(h);
  double end = std::floor(args.Date());
  double start = std::floor(args.Date());
  if (args.Failed()) return FailWith(h, args.Error());
  if (!holidaysOk) return FailWith(h, error);
  TcxDateTimeParts check;
  if (!ToDate(start, check) || !ToDate(end, check)) return FailWith(h, ecNum);
  const double sign = start <= end ? 1 : -1;
  if (start > end) std::swap(start, end);
  // Whole weeks at once, then the days that remain.
  const double weeks = std::floor((end - start + 1) / 7);
  double count = weeks * 5;
  for (double d = start + weeks * 7; d <= end; ++d) count += IsWorkday(d, {}) ? 1 : 0;
  for (const double d : holidays)
    if (d >= start && d <= end && IsWorkday(d, {})) --count;
  h.PushNumber(sign * count);
}

// WORKDAY(start, days [, holidays]): the working day `days` working days after (before) start.
void Workday(Handler& h) {
  std::set<double> holidays;
  uint8_t error = 0;
  const bool holidaysOk = h.ArgCount() < 3 || PopHolidays(h, holidays, error);
  TArgs args(h);
  const double days = std::trunc(args.Number());
  double date = std::floor(args.Date());
  if (args.Failed()) return FailWith(h, args.Error());
  if (!holidaysOk) return FailWith(h, error);
  TcxDateTimeParts check;
  if (!ToDate(date, check) || std::fabs(days) > 3e6) return FailWith(h, ecNum);
  const double step = days >= 0 ? 1 : -1;
  for (double left = std::fabs(days); left > 0;) {
    date += step;
    if (IsWorkday(date, holidays)) --left;
  }
  if (!ToDate(date, check)) return FailWith(h, ecNum);
  PushDate(h, date);
}

// WEEKNUM(serial [, type]): the week of the year, the week holding 1 January being week 1;
// weeks begin on Sunday (type 1, the default) or Monday (type 2).
void WeekNum(Handler& h) {
  TArgs args(h);
  const double type = args.Count() >= 2 ? std::trunc(args.Number()) : 1;
  const double serial = args.Date();
  if (args.Failed()) return FailWith(h, args.Error());
  TcxDateTimeParts date;
  if ((type != 1 && type != 2) || !ToDate(serial, date)) return FailWith(h, ecNum);
  const double january1 = Serial(date.Year, 1, 1);
  TcxDateTimeParts first;
  TryDecodeDateTime(january1, first);
  const int offset = type == 1 ? first.DayOfWeek : (first.DayOfWeek + 6) % 7;
  const double dayOfYear = std::floor(serial) - january1;
  h.PushNumber(std::floor((dayOfYear + offset) / 7) + 1);
}

// The month a name stands for (the locale's long or short names, or English ones, without
// regard to case), 1..12; 0 when it names none.
int MonthOfName(std::string_view name, const TRegionalSettings& settings) {
  static constexpr std::string_view kEnglish[] = {"january", "february", "march",     "april",
                                                  "may",     "june",     "july",      "august",
                                                  "september", "october", "november", "december"};
  const auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size() || a.empty()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  };
  for (int m = 0; m < 12; ++m)
    if (same(name, settings.LongMonthNames[m]) || same(name, settings.ShortMonthNames[m]) ||
        same(name, kEnglish[m]) || same(name, kEnglish[m].substr(0, 3)))
      return m + 1;
  return 0;
}

// The forms of a date Excel reads beyond the locale's short date: "2024-01-15" and
// "2024/01/15", and dates with a month name: "June 9, 1969", "9 June 1969", "9-Jun-1969",
// "Jun-1969" (the first day) and "9-Jun" (this year).
bool TryExcelDateText(std::string_view text, double now, const TRegionalSettings& settings,
                      double& serial) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ' ' && text[i] != '-' && text[i] != '/' && text[i] != ',')
      continue;
    if (i > start) parts.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  const auto number = [](std::string_view part, int& value) {
    if (part.empty() || part.size() > 4) return false;
    value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    return true;
  };
  int year = 0, month = 0, day = 1;
  int a = 0, b = 0;
  TcxDateTimeParts today;
  const int thisYear = TryDecodeDateTime(std::floor(now), today) ? today.Year : 1900;
  const auto fullYear = [](std::string_view part, int value) {
    return part.size() <= 2 ? (value < 30 ? 2000 + value : 1900 + value) : value;
  };
  if (parts.size() == 3 && parts[0].size() == 4 && number(parts[0], year) &&
      number(parts[1], month) && number(parts[2], day)) {
    // year-month-day
  } else if (parts.size() == 3 && (month = MonthOfName(parts[0], settings)) != 0 &&
             number(parts[1], day) && number(parts[2], a)) {
    year = fullYear(parts[2], a);
  } else if (parts.size() == 3 && number(parts[0], day) &&
             (month = MonthOfName(parts[1], settings)) != 0 && number(parts[2], a)) {
    year = fullYear(parts[2], a);
  } else if (parts.size() == 2 && (month = MonthOfName(parts[0], settings)) != 0 &&
             number(parts[1], a)) {
    // "Jun-1969" is the month's first day, "Jun 9" the ninth of this year.
    if (parts[1].size() <= 2 && a >= 1 && a <= 31) {
      day = a;
      year = thisYear;
    } else {
      year = fullYear(parts[1], a);
    }
  } else if (parts.size() == 2 && number(parts[0], b) &&
             (month = MonthOfName(parts[1], settings)) != 0) {
    day = b;
    year = thisYear;
  } else {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  return year >= 1900 && TryEncodeDate(year, month, day, serial, settings);
}

// DATEVALUE(text): the date a text names (its time of day dropped); TIMEVALUE(text): the time
// of day it names.
void DateValue(Handler& h) {
  TArgs args(h);
  const TValue v = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (v.Kind != vkText) return FailWith(h, ecValue);
  const std::string_view text = Trim(v.Text);
  const double now = h.Environment().Now ? h.Environment().Now() : 0;
  double serial = 0;
  const size_t blank = text.find(' ');
  if (TryTextToDate(text, serial, h.Settings(), now) ||
      (blank != std::string_view::npos && TryTextToDate(text.substr(0, blank), serial, h.Settings(), now) &&
       TryTextToDateTime(text, serial, h.Settings(), now)) ||
      TryExcelDateText(text, now, h.Settings(), serial))
    return h.PushNumber(std::floor(serial));
  FailWith(h, ecValue);
}

void TimeValue(Handler& h) {
  TArgs args(h);
  const TValue v = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (v.Kind != vkText) return FailWith(h, ecValue);
  const double now = h.Environment().Now ? h.Environment().Now() : 0;
  double x = 0;
  if (TryTextToTime(Trim(v.Text), x, h.Settings())) return h.PushNumber(x);
  if (TryTextToDateTime(v.Text, x, h.Settings(), now)) return h.PushNumber(std::fabs(x - std::trunc(x)));
  FailWith(h, ecValue);
}

constexpr TRoutine kRoutines[] = {
    {"DATEDIF", DateDif},     {"DATEVALUE", DateValue},     {"DAYS360", Days360},
    {"EDATE", EDateFunction},
    {"EOMONTH", EoMonth},     {"NETWORKDAYS", NetworkDays}, {"TIMEVALUE", TimeValue},
    {"WEEKNUM", WeekNum},     {"WORKDAY", Workday},         {"YEARFRAC", YearFrac},
};

}  // namespace

void RegisterCalendarFunctions() { RegisterRoutines(kRoutines); }
