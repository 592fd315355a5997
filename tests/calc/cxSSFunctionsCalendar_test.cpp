#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

// The clock stands at 2024-01-15 12:00 (a Monday); 2024 is a leap year.
class CalendarFunctionTest : public FunctionTest {};

TEST_F(CalendarFunctionTest, Days360) {
  const FunctionCase cases[] = {
      {"=DAYS360(DATE(2024,1,31),DATE(2024,2,28))", rkNumber, "28"},
      {"=DAYS360(DATE(2024,1,30),DATE(2024,3,31))", rkNumber, "60"},
      // An end on the 31st after a start before the 30th counts as the 1st of the next month.
      {"=DAYS360(DATE(2024,1,15),DATE(2024,3,31))", rkNumber, "76"},
      {"=DAYS360(DATE(2024,1,15),DATE(2024,3,31),TRUE)", rkNumber, "75"},
      {"=DAYS360(DATE(2024,1,31),DATE(2024,3,31),TRUE)", rkNumber, "60"},
      {"=DAYS360(DATE(2024,2,29),DATE(2024,3,31))", rkNumber, "30"},  // the start is a last day
      {"=DAYS360(-1,5)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(CalendarFunctionTest, MonthStepsAndTexts) {
  const FunctionCase cases[] = {
      {"=EDATE(DATE(2024,1,31),1)", rkNumber, "45351"},   // 29 February 2024
      {"=EDATE(DATE(2024,3,31),-1)", rkNumber, "45351"},
      {"=EDATE(DATE(2024,1,31),1.9)", rkNumber, "45351"},  // months truncated
      {"=EDATE(DATE(2024,1,15),12)", rkNumber, "45672"},
      {"=EOMONTH(DATE(2024,1,15),0)", rkNumber, "45322"},
      {"=EOMONTH(DATE(2024,1,15),1)", rkNumber, "45351"},
      {"=EOMONTH(DATE(2024,1,15),-2)", rkNumber, "45260"},  // 30 November 2023
      {"=EDATE(-1,1)", rkError, "#NUM!"},
      {"=DATEVALUE(\"1/15/2024\")", rkNumber, "45306"},
      {"=DATEVALUE(\"1/15/2024 12:00\")", rkNumber, "45306"},
      {"=DATEVALUE(\"2024-01-15\")", rkNumber, "45306"},
      {"=DATEVALUE(\"June 9, 1969\")", rkNumber, "25363"},
      {"=DATEVALUE(\"9-Jun-1969\")", rkNumber, "25363"},
      {"=DATEVALUE(\"9 june 69\")", rkNumber, "25363"},
      {"=DATEVALUE(\"Jun-1969\")", rkNumber, "25355"},
      {"=DATEVALUE(\"9-Jun\")", rkNumber, "45452"},  // this year
      {"=DATEVALUE(\"2024-02-30\")", rkError, "#VALUE!"},
      {"=DATEVALUE(\"x\")", rkError, "#VALUE!"},
      {"=DATEVALUE(45306)", rkError, "#VALUE!"},
      {"=TIMEVALUE(\"12:00\")", rkNumber, "0.5"},
      {"=TIMEVALUE(\"1/15/2024 6:00 PM\")", rkNumber, "0.75"},
      {"=TIMEVALUE(\"x\")", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(CalendarFunctionTest, YearFractionsByBasis) {
  const FunctionCase cases[] = {
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1))", rkNumber, "0.5"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),1)", rkNumber, "0.49726776"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),2)", rkNumber, "0.50555556"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),3)", rkNumber, "0.49863014"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),4)", rkNumber, "0.5"},
      {"=YEARFRAC(DATE(2024,7,1),DATE(2024,1,1))", rkNumber, "0.5"},  // either order
      {"=YEARFRAC(DATE(2023,1,1),DATE(2025,1,1),1)", rkNumber, "2.0009124"},
      {"=YEARFRAC(DATE(2023,6,1),DATE(2024,3,1),1)", rkNumber, "0.74863388"},
      {"=YEARFRAC(DATE(2024,1,31),DATE(2024,2,29),0)", rkNumber, "0.080555556"},
      {"=YEARFRAC(DATE(2024,2,29),DATE(2025,2,28),0)", rkNumber, "1"},
      {"=YEARFRAC(DATE(2024,1,1),DATE(2024,7,1),5)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(CalendarFunctionTest, WorkingDaysAndWeeks) {
  //  A
  //  1/15/2024   (a holiday)
  Put("A1", "1/15/2024");
  const FunctionCase cases[] = {
      {"=NETWORKDAYS(DATE(2024,1,1),DATE(2024,1,31))", rkNumber, "23"},
      {"=NETWORKDAYS(DATE(2024,1,1),DATE(2024,1,31),A1)", rkNumber, "22"},
      {"=NETWORKDAYS(DATE(2024,1,31),DATE(2024,1,1))", rkNumber, "-23"},
      {"=NETWORKDAYS(DATE(2024,1,6),DATE(2024,1,7))", rkNumber, "0"},
      {"=WORKDAY(DATE(2024,1,12),1)", rkNumber, "45306"},
      {"=WORKDAY(DATE(2024,1,15),-1)", rkNumber, "45303"},
      {"=WORKDAY(DATE(2024,1,12),1,A1)", rkNumber, "45307"},
      {"=WORKDAY(DATE(2024,1,13),0)", rkNumber, "45304"},
      {"=WEEKNUM(DATE(2024,1,1))", rkNumber, "1"},
      {"=WEEKNUM(DATE(2024,1,7))", rkNumber, "2"},  // weeks begin on Sunday
      {"=WEEKNUM(DATE(2024,1,7),2)", rkNumber, "1"},
      {"=WEEKNUM(DATE(2024,12,31))", rkNumber, "53"},
      {"=WEEKNUM(DATE(2024,1,7),3)", rkError, "#NUM!"},
  };
  Check(cases);
}

// Values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).
TEST_F(CalendarFunctionTest, DateDifferences) {
  const ValueCase cases[] = {
      {"=DATEDIF(DATE(2001,1,1),DATE(2003,1,1),\"y\")", "2"},
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"d\")", "440"},
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"yd\")", "75"},
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"m\")", "14"},
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"ym\")", "2"},
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"md\")", "14"},
      {"=DATEDIF(DATE(2001,6,20),DATE(2002,8,15),\"md\")", "26"},
      {"=DATEDIF(DATE(2001,6,20),DATE(2002,8,15),\"m\")", "13"},
      {"=DATEDIF(DATE(2001,6,20),DATE(2002,8,15),\"yd\")", "56"},
      {"=DATEDIF(DATE(2001,9,20),DATE(2002,8,15),\"yd\")", "329"},
      {"=DATEDIF(DATE(2001,9,20),DATE(2002,8,15),\"y\")", "0"},
      {"=DATEDIF(DATE(2024,1,31),DATE(2024,3,1),\"m\")", "1"},
      {"=DATEDIF(DATE(2024,1,31),DATE(2024,2,29),\"md\")", "29"},
      {"=DATEDIF(DATE(2020,2,29),DATE(2021,2,28),\"y\")", "0"},
      {"=DATEDIF(DATE(2020,2,29),DATE(2024,2,29),\"y\")", "4"},
      {"=DATEDIF(DATE(2002,8,15),DATE(2001,6,1),\"d\")", "#NUM!"},
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"w\")", "#NUM!"},
      // Units in capitals as well (LibreOffice; Gnumeric takes small letters only).
      {"=DATEDIF(DATE(2001,6,1),DATE(2002,8,15),\"YM\")", "2"},
  };
  Check(cases);
}

}  // namespace

