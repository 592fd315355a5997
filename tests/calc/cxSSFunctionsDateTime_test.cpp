#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

// The clock stands at 2024-01-15 12:00 (serial 45306.5, a Monday).
//  A
//  1/2/2024      (typed: a date, stored as the serial 45293)
//  (empty)
//  abc
class DateTimeFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A1", "1/2/2024");
    Put("A3", "abc");
  }
};

TEST_F(DateTimeFunctionTest, DateCarriesMonthsAndDays) {
  const FunctionCase cases[] = {
      {"=DATE(2024,1,15)", rkNumber, "45306"},
      {"=DATE(2020,14,1)", rkNumber, "44228"},   // 1 February 2021
      {"=DATE(2020,3,0)", rkNumber, "43890"},    // 29 February 2020
      {"=DATE(2020,0,1)", rkNumber, "43800"},    // 1 December 2019
      {"=DATE(2020,1,-1)", rkNumber, "43829"},   // 30 December 2019
      {"=DATE(2024,1,15.5)", rkNumber, "45307"},  // halves to even: 16
      {"=DATE(2024,1,16.5)", rkNumber, "45307"},
      {"=DATE(10000,1,1)", rkError, "#NUM!"},
      {"=DATE(0,1,1)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(DateTimeFunctionTest, PartsOfADate) {
  const FunctionCase cases[] = {
      {"=YEAR(45306)", rkNumber, "2024"},
      {"=YEAR(0)", rkNumber, "1899"},
      {"=YEAR(A1)", rkNumber, "2024"},
      {"=YEAR(1E7)", rkError, "#NUM!"},
      {"=MONTH(45306)", rkNumber, "1"},
      {"=MONTH(A1)", rkNumber, "1"},
      {"=MONTH(-700000)", rkError, "#NUM!"},
      {"=MONTH(3000000)", rkError, "#NUM!"},
      {"=DAY(45306)", rkNumber, "15"},
      {"=DAY(\"45306\")", rkNumber, "15"},
      {"=DAY(A1)", rkNumber, "2"},
      {"=DAY(\"x\")", rkError, "#VALUE!"},
      {"=DAY(\"1/2/2024\")", rkError, "#VALUE!"},  // DAY wants a number text
      {"=DAY(A2)", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(DateTimeFunctionTest, PartsOfATime) {
  const FunctionCase cases[] = {
      {"=HOUR(0.75)", rkNumber, "18"},
      {"=HOUR(45306.5)", rkNumber, "12"},
      {"=HOUR(\"\")", rkNumber, "0"},
      {"=HOUR(A2)", rkNumber, "0"},
      {"=HOUR(\" 0.25 \")", rkNumber, "6"},
      {"=HOUR(-1.25)", rkNumber, "6"},  // the time of day of a negative serial
      {"=HOUR(\"x\")", rkError, "#VALUE!"},
      {"=HOUR(A3)", rkError, "#VALUE!"},
      {"=MINUTE(TIME(10,30,15))", rkNumber, "30"},
      {"=SECOND(TIME(10,30,15))", rkNumber, "15"},
      {"=SECOND(0.999999999)", rkNumber, "0"},  // rounded to the millisecond: midnight
      {"=MINUTE(\"x\")", rkError, "#VALUE!"},
      {"=SECOND(\"x\")", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(DateTimeFunctionTest, TimeOfRoundedClockValues) {
  const FunctionCase cases[] = {
      {"=TIME(12,0,0)", rkNumber, "0.5"},
      {"=TIME(6.5,0,0)", rkNumber, "0.25"},  // 6.5 rounds to 6
      {"=TIME(24,0,0)", rkError, "#VALUE!"},
      {"=TIME(0,60,0)", rkError, "#VALUE!"},
      {"=TIME(23,59,59.6)", rkError, "#VALUE!"},
      {"=TIME(-1,0,0)", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(DateTimeFunctionTest, WeekdayByType) {
  const FunctionCase cases[] = {
      {"=WEEKDAY(45306)", rkNumber, "2"},  // a Monday
      {"=WEEKDAY(45306,2)", rkNumber, "1"},
      {"=WEEKDAY(45306,3)", rkNumber, "0"},
      {"=WEEKDAY(45305)", rkNumber, "1"},  // a Sunday
      {"=WEEKDAY(45305,2)", rkNumber, "7"},
      {"=WEEKDAY(45305,3)", rkNumber, "6"},
      {"=WEEKDAY(45305,0)", rkNumber, "1"},
      {"=WEEKDAY(45305,4)", rkNumber, "1"},
      {"=WEEKDAY(45305,258)", rkNumber, "7"},  // the type is taken as a byte: 2
      {"=WEEKDAY(A1)", rkNumber, "3"},
      {"=WEEKDAY(1E7)", rkError, "#NUM!"},
  };
  Check(cases);
}

TEST_F(DateTimeFunctionTest, NowAndTodayReadTheClock) {
  const FunctionCase cases[] = {
      {"=NOW()", rkNumber, "45306.5"},
      {"=TODAY()", rkNumber, "45306"},
      {"=TODAY()-DATE(2024,1,1)", rkNumber, "14"},
  };
  Check(cases);
}

}  // namespace
