#pragma once

#include "calc/cxSSDateTime.h"

// Calendar arithmetic of the date functions and the securities functions: whole days, month
// steps and the day-count bases of the financial markets.
//
// Bases: 0 US (NASD) 30/360, 1 actual/actual, 2 actual/360, 3 actual/365, 4 European 30/360.
namespace cxdaycount {

bool IsLeap(int year);
int DaysInMonth(int year, int month);
// The serial of a valid date (0 for an invalid one).
double Serial(int year, int month, int day);
// A date argument: the whole day of a serial within the supported dates (not before 1899-12-30).
bool ToDate(double serial, TcxDateTimeParts& parts);
// The date `months` months after the date, on the same day (or the month's last day when the
// month is shorter) or, with `lastDay`, on the month's last day.
bool AddMonths(const TcxDateTimeParts& date, double months, bool lastDay, double& serial);

// Days from a to b counted on twelve 30-day months: the US (NASD) rule with February's last
// day, as YEARFRAC's basis 0 counts them, or the European rule (every 31st is the 30th).
double Days360(const TcxDateTimeParts& a, const TcxDateTimeParts& b, bool european);
// Days from a to b by the basis: 30/360 for bases 0 and 4, actual days for the others.
double DaysByBasis(const TcxDateTimeParts& a, const TcxDateTimeParts& b, int basis);
// The share of a year from start to end (YEARFRAC); the dates may come in either order.
double YearFraction(double start, double end, int basis);

}  // namespace cxdaycount
