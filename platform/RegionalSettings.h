#pragma once

#include <array>
#include <string>

// The regional settings the core converts numbers, dates and money with, captured once when a
// program starts (from the system locale in the application, fixed sets in tests and the CLI).
// Every text is UTF-8. Date and time patterns use the classic letters: d dd ddd dddd, m mm mmm
// mmmm, yy yyyy, h hh (12-hour when the pattern has AMPM or am/pm), n nn (minutes), s ss, z, AMPM;
// "/" stands for DateSeparator and ":" for TimeSeparator.
struct TRegionalSettings {
  std::string DecimalSeparator = ".";
  std::string ThousandSeparator = ",";
  std::string ListSeparator = ",";
  std::string CurrencyString = "$";
  int CurrencyDecimals = 2;
  // Position of the currency string for positive amounts: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
  int CurrencyFormat = 0;
  // Layout of negative amounts, 0..15, as the classic NegCurrFormat values ("($1)", "-$1", ...).
  int NegCurrFormat = 0;
  std::string DateSeparator = "/";
  std::string TimeSeparator = ":";
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames;
  std::array<std::string, 12> LongMonthNames;
  std::array<std::string, 7> ShortDayNames;  // Sunday first
  std::array<std::string, 7> LongDayNames;   // Sunday first
  // Not a setting of the system but of the workbook whose values are converted: its date
  // serials count days from 1904-01-01 (the 1904 date system) instead of 1899-12-30. A
  // workbook's own copy of the settings carries it, so every conversion between serials and
  // dates (shown values, typed dates, the date functions) follows the workbook.
  bool Date1904 = false;

  // United States English: decimal ".", thousands ",", list ",", dates m/d/yyyy, currency "$".
  static TRegionalSettings English();
  // Serbian (Latin): decimal ",", thousands ".", list ";", dates d.m.yyyy, currency "din.".
  static TRegionalSettings Serbian();
};
