#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/RegionalSettings.h"

// Date serials: days since 1899-12-30 as a double, the fraction being the time of day. A
// negative serial keeps its date in the whole part and its time of day in the magnitude of the
// fraction (-1.25 is 1899-12-29 06:00), as the classic date type does. Supported dates run from
// 0001-01-01 to 9999-12-31.

// The first and last supported day.
inline constexpr double kMinDateSerial = -693593;
inline constexpr double kMaxDateSerial = 2958465;

// A serial broken into its civil parts; the time is rounded to the millisecond, and a time that
// rounds up to midnight moves to the next day.
struct TcxDateTimeParts {
  int64_t Days = 0;   // whole days since 1899-12-30
  int Year = 1899;
  int Month = 12;     // 1..12
  int Day = 30;       // 1..31
  int DayOfWeek = 6;  // 0 Sunday .. 6 Saturday
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int MilliSecond = 0;
};

// The 1904 date system (TRegionalSettings::Date1904) counts days from 1904-01-01, 1,462 days
// after 1899-12-30. Serials as this file's functions take them ("standard" serials) and the
// workbook's own serials differ by that many days in a 1904 workbook and not at all otherwise.
inline constexpr double k1904Days = 1462;
inline double ToStandardSerial(double serial, const TRegionalSettings& settings) {
  return settings.Date1904 ? serial + k1904Days : serial;
}
inline double FromStandardSerial(double serial, const TRegionalSettings& settings) {
  return settings.Date1904 ? serial - k1904Days : serial;
}

// False for an invalid date or a year outside 1..9999.
bool TryEncodeDate(int year, int month, int day, double& serial);
// The same for a serial in the workbook's date system.
bool TryEncodeDate(int year, int month, int day, double& serial, const TRegionalSettings& settings);
// False for hours above 23, minutes or seconds above 59, milliseconds above 999.
bool TryEncodeTime(int hour, int minute, int second, int milliSecond, double& fraction);
// A date serial plus a time of day, following the convention for negative dates.
double CombineDateTime(double date, double time);
// False for a non-finite serial or one outside the supported dates.
bool TryDecodeDateTime(double serial, TcxDateTimeParts& parts);
// The same for a serial in the workbook's date system.
bool TryDecodeDateTime(double serial, TcxDateTimeParts& parts, const TRegionalSettings& settings);

// Formats with the classic pattern letters, case-insensitive: d dd (day), ddd dddd (day
// names), m mm (month; minutes right after an hour), mmm mmmm (month names), yy yyyy, h hh
// (12-hour when the pattern holds am/pm, a/p or ampm), n nn (minutes), s ss, z zzz
// (milliseconds), am/pm and a/p (written in the pattern's own letter case), ampm (the locale
// strings); "/" is the date separator, ":" the time separator, text in double or single quotes
// is literal, and every other character is copied.
std::string FormatDateTime(std::string_view pattern, const TcxDateTimeParts& parts,
                           const TRegionalSettings& settings);

// A date typed in the order of the locale short date format, with the locale date separator:
// two or three numbers (day and month of one or two digits; a year of one or two digits, taken
// within 50 years of the current one, or of three or four digits), blanks allowed around the
// separators and one trailing separator allowed. Without a year, the year of `now` (a standard
// serial) is used. The serial is in the workbook's date system.
bool TryTextToDate(std::string_view text, double& serial, const TRegionalSettings& settings,
                   double now);
// A time of day: h:mm, h:mm:ss or h:mm:ss followed by the decimal separator and fractional
// seconds, with the locale time separator, optionally followed by the locale AM or PM string
// (any letter case, where the locale has them); with AM or PM the hour alone is enough.
bool TryTextToTime(std::string_view text, double& fraction, const TRegionalSettings& settings);
