#include "platform/RegionalSettings.h"

TRegionalSettings TRegionalSettings::English() {
  TRegionalSettings s;
  s.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  s.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                      "July",    "August",   "September", "October", "November", "December"};
  s.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  s.LongDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  return s;
}

TRegionalSettings TRegionalSettings::Serbian() {
  TRegionalSettings s;
  s.DecimalSeparator = ",";
  s.ThousandSeparator = ".";
  s.ListSeparator = ";";
  s.CurrencyString = "din.";
  s.CurrencyDecimals = 2;
  s.CurrencyFormat = 3;
  s.NegCurrFormat = 8;
  s.DateSeparator = ".";
  s.TimeSeparator = ":";
  s.ShortDateFormat = "d.m.yyyy";
  s.LongDateFormat = "dddd, d. mmmm yyyy";
  s.ShortTimeFormat = "h:nn";
  s.LongTimeFormat = "h:nn:ss";
  s.TimeAMString = "";
  s.TimePMString = "";
  s.ShortMonthNames = {"jan", "feb", "mar", "apr", "maj", "jun",
                       "jul", "avg", "sep", "okt", "nov", "dec"};
  s.LongMonthNames = {"januar", "februar", "mart",      "april",   "maj",      "jun",
                      "jul",    "avgust",  "septembar", "oktobar", "novembar", "decembar"};
  s.ShortDayNames = {"ned", "pon", "uto", "sre", "čet", "pet", "sub"};
  s.LongDayNames = {"nedelja", "ponedeljak", "utorak", "sreda", "četvrtak", "petak", "subota"};
  return s;
}
