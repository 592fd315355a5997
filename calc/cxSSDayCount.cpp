#include "calc/cxSSDayCount.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cxdaycount {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

double Serial(int y, int m, int d) {
  double serial = 0;
  TryEncodeDate(y, m, d, serial);
  return serial;
}

bool ToDate(double serial, TcxDateTimeParts& parts) {
  return serial >= 0 && TryDecodeDateTime(std::floor(serial), parts);
}

bool AddMonths(const TcxDateTimeParts& date, double months, bool lastDay, double& serial) {
  const double total = date.Year * 12.0 + (date.Month - 1) + std::trunc(months);
  const double year = std::floor(total / 12);
  if (year < 1 || year > 9999) return false;
  const int y = static_cast<int>(year);
  const int m = static_cast<int>(total - year * 12) + 1;
  const int d = lastDay ? DaysInMonth(y, m) : std::min(date.Day, DaysInMonth(y, m));
  return TryEncodeDate(y, m, d, serial);
}

double Days360(const TcxDateTimeParts& a, const TcxDateTimeParts& b, bool european) {
  int d1 = a.Day, d2 = b.Day;
  if (european) {
    d1 = std::min(d1, 30);
    d2 = std::min(d2, 30);
  } else {
    const bool lastFebA = a.Month == 2 && a.Day == DaysInMonth(a.Year, 2);
    const bool lastFebB = b.Month == 2 && b.Day == DaysInMonth(b.Year, 2);
    if (lastFebA && lastFebB) d2 = 30;
    if (lastFebA) d1 = 30;
    if (d2 == 31 && d1 >= 30) d2 = 30;
    if (d1 == 31) d1 = 30;
  }
  return (b.Year - a.Year) * 360.0 + (b.Month - a.Month) * 30.0 + (d2 - d1);
}

double DaysByBasis(const TcxDateTimeParts& a, const TcxDateTimeParts& b, int basis) {
  if (basis == 0 || basis == 4) return Days360(a, b, basis == 4);
  return static_cast<double>(b.Days - a.Days);
}

double YearFraction(double start, double end, int basis) {
  TcxDateTimeParts a, b;
  if (!ToDate(start, a) || !ToDate(end, b)) return 0;
  start = std::floor(start);
  end = std::floor(end);
  if (start > end) {
    std::swap(start, end);
    std::swap(a, b);
  }
  const double days = end - start;
  switch (basis) {
    case 1: {
      const bool withinYear =
          a.Year == b.Year ||
          (b.Year == a.Year + 1 && (a.Month > b.Month || (a.Month == b.Month && a.Day >= b.Day)));
      if (withinYear) {
        double length = 365;
        if (a.Year == b.Year) {
          if (IsLeap(a.Year)) length = 366;
        } else {
          // A 29 February within the span makes it a leap year's length.
          const bool startLeap = IsLeap(a.Year) && start <= Serial(a.Year, 2, 29);
          const bool endLeap = IsLeap(b.Year) && end >= Serial(b.Year, 2, 29);
          if (startLeap || endLeap) length = 366;
        }
        return days / length;
      }
      const double years = b.Year - a.Year + 1;
      const double total = Serial(b.Year + 1, 1, 1) - Serial(a.Year, 1, 1);
      return days / (total / years);
    }
    case 2: return days / 360;
    case 3: return days / 365;
    default: return Days360(a, b, basis == 4) / 360;
  }
}

}  // namespace cxdaycount
