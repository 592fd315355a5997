#include <cmath>
#include <cstdint>
#include <string>

#include "calc/cxSSDateTime.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctions.h"
#include "platform/Environment.h"

// Date and time functions over date serials (days since 1899-12-30, the fraction being the
// time of day; the workbook's serials are taken and given back through PopDate and PushDate in
// the 1904 date system). The clock is the environment's, so tests stand it where they need it.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// The dates MONTH accepts: 0100-01-01 up to the last moment of 9999-12-31.
constexpr double kMonthFirstSerial = -657434;
constexpr double kMonthLastSerial = 2958465.99999;

double Now(const Handler& h) { return h.Environment().Now ? h.Environment().Now() : 0; }

void NowFunction(Handler& h) { PushDate(h, Now(h)); }
void Today(Handler& h) { PushDate(h, std::trunc(Now(h))); }

// DATE(y, m, d), each rounded: m - 1 months after January of year y, then d - 1 days after the
// first of that month, so months carry into years and days into months either way.
void Date(Handler& h) {
  const int64_t day = RoundToInt(h.PopNumber(), INT32_MIN, INT32_MAX);
  const int64_t month = RoundToInt(h.PopNumber(), INT32_MIN, INT32_MAX);
  const int64_t year = RoundToInt(h.PopNumber(), INT32_MIN, INT32_MAX);
  const int64_t months = year * 12 + month - 1;
  const int64_t y = months >= 0 ? months / 12 : (months - 11) / 12;
  const int64_t m = months - y * 12 + 1;
  double first = 0;
  if (y < 1 || y > 9999 || !TryEncodeDate(static_cast<int>(y), static_cast<int>(m), 1, first)) {
    Fail(h, ecNum);
    return;
  }
  PushDate(h, first + static_cast<double>(day - 1));
}

// TIME(h, m, s) of the rounded values, each within its clock range.
void Time(Handler& h) {
  const int second = RoundToInt(h.PopNumber(), -1, 60);
  const int minute = RoundToInt(h.PopNumber(), -1, 60);
  const int hour = RoundToInt(h.PopNumber(), -1, 24);
  double fraction = 0;
  if (!TryEncodeTime(hour, minute, second, 0, fraction)) {
    Fail(h, ecValue);
    return;
  }
  h.PushNumber(fraction);
}

// The parts of a serial popped as a number; false (after "#NUM!") outside the supported dates.
bool PopDateParts(Handler& h, TcxDateTimeParts& parts) {
  if (TryDecodeDateTime(PopDate(h), parts)) return true;
  Fail(h, ecNum);
  return false;
}

void Year(Handler& h) {
  TcxDateTimeParts parts;
  if (PopDateParts(h, parts)) h.PushNumber(parts.Year);
}

void Month(Handler& h) {
  const double serial = PopDate(h);
  TcxDateTimeParts parts;
  if (serial < kMonthFirstSerial || serial > kMonthLastSerial ||
      !TryDecodeDateTime(serial, parts)) {
    h.SetError(ecNum);
    h.PushNumber(0);
    return;
  }
  h.PushNumber(parts.Month);
}

// DAY takes its argument as text, which must be a number.
void Day(Handler& h) {
  const std::string text = h.PopText();
  double serial = 0;
  TcxDateTimeParts parts;
  if (!TextToNumber(h, text, serial))
    Fail(h, ecValue);
  else if (!TryDecodeDateTime(serial, parts, h.Settings()))
    Fail(h, ecNum);
  else
    h.PushNumber(parts.Day);
}

// HOUR, MINUTE and SECOND: the trimmed argument text, empty counting as 0, must be a number; its
// time of day is rounded to the millisecond.
bool PopTimeParts(Handler& h, TcxDateTimeParts& parts) {
  const std::string text = h.PopText();
  const std::string_view trimmed = Trim(text);
  double serial = 0;
  if (!trimmed.empty() && !TextToNumber(h, trimmed, serial)) {
    Fail(h, ecValue);
    return false;
  }
  if (!TryDecodeDateTime(serial, parts)) {
    Fail(h, ecNum);
    return false;
  }
  return true;
}

void Hour(Handler& h) {
  TcxDateTimeParts parts;
  if (PopTimeParts(h, parts)) h.PushNumber(parts.Hour);
}

void Minute(Handler& h) {
  TcxDateTimeParts parts;
  if (PopTimeParts(h, parts)) h.PushNumber(parts.Minute);
}

void Second(Handler& h) {
  TcxDateTimeParts parts;
  if (PopTimeParts(h, parts)) h.PushNumber(parts.Second);
}

// WEEKDAY(serial [, type]): the type is round(type) taken as a byte, and 1 when omitted, 0 or
// above 3. Type 1 counts Sunday = 1 .. Saturday = 7, type 2 Monday = 1 .. Sunday = 7, type 3
// Monday = 0 .. Sunday = 6.
void Weekday(Handler& h) {
  int type = 1;
  if (h.ArgCount() >= 2) type = RoundToInt(h.PopNumber(), INT32_MIN, INT32_MAX) & 0xFF;
  if (type == 0 || type > 3) type = 1;
  TcxDateTimeParts parts;
  if (!PopDateParts(h, parts)) return;
  const int sunday = parts.DayOfWeek;         // Sunday = 0
  const int monday = (parts.DayOfWeek + 6) % 7;  // Monday = 0
  h.PushNumber(type == 1 ? sunday + 1 : (type == 2 ? monday + 1 : monday));
}

constexpr TRoutine kRoutines[] = {
    {"DATE", Date},         {"DAY", Day},     {"HOUR", Hour},     {"MINUTE", Minute},
    {"MONTH", Month},       {"NOW", NowFunction}, {"SECOND", Second}, {"TIME", Time},
    {"TODAY", Today},       {"WEEKDAY", Weekday}, {"YEAR", Year},
};

}  // namespace

void RegisterDateTimeFunctions() { RegisterRoutines(kRoutines); }
