#include "calc/cxSSDateTime.h"

#include <gtest/gtest.h>

namespace {

const TRegionalSettings kEnglish = TRegionalSettings::English();
const TRegionalSettings kSerbian = TRegionalSettings::Serbian();
constexpr double kNow = 45306.5;  // 2024-01-15 12:00

double Date(int y, int m, int d) {
  double serial = 0;
  EXPECT_TRUE(TryEncodeDate(y, m, d, serial)) << y << "-" << m << "-" << d;
  return serial;
}

double Time(int h, int n, int s = 0, int ms = 0) {
  double fraction = 0;
  EXPECT_TRUE(TryEncodeTime(h, n, s, ms, fraction));
  return fraction;
}

TcxDateTimeParts Decode(double serial) {
  TcxDateTimeParts parts;
  EXPECT_TRUE(TryDecodeDateTime(serial, parts)) << serial;
  return parts;
}

}  // namespace

TEST(DateSerial, KnownDaysAndTheirWeekdays) {
  const struct {
    int Y, M, D;
    double Serial;
    int DayOfWeek;
  } cases[] = {{1899, 12, 30, 0, 6},     {1899, 12, 31, 1, 0},    {1900, 1, 1, 2, 1},
               {1900, 3, 1, 61, 4},      {2000, 2, 29, 36585, 2}, {2024, 1, 15, 45306, 1},
               {1, 1, 1, -693593, 1},    {9999, 12, 31, 2958465, 5}};
  for (const auto& c : cases) {
    EXPECT_EQ(Date(c.Y, c.M, c.D), c.Serial);
    const TcxDateTimeParts p = Decode(c.Serial);
    EXPECT_EQ(p.Year, c.Y);
    EXPECT_EQ(p.Month, c.M);
    EXPECT_EQ(p.Day, c.D);
    EXPECT_EQ(p.DayOfWeek, c.DayOfWeek) << c.Serial;
    EXPECT_EQ(p.Days, static_cast<int64_t>(c.Serial));
  }
}

TEST(DateSerial, InvalidDatesAndTimesAreRefused) {
  double x = 5;
  for (const auto& [y, m, d] : {std::tuple{2023, 2, 29}, {2024, 13, 1}, {2024, 0, 1}, {2024, 4, 31},
                               {0, 1, 1}, {10000, 1, 1}, {2024, 1, 0}}) {
    EXPECT_FALSE(TryEncodeDate(y, m, d, x)) << y << "-" << m << "-" << d;
    EXPECT_EQ(x, 0);
  }
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, x));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, x));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, x));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, x));
  TcxDateTimeParts parts;
  for (const double serial : {kMinDateSerial - 1, kMaxDateSerial + 1, 1e300, -1e300})
    EXPECT_FALSE(TryDecodeDateTime(serial, parts)) << serial;
}

TEST(DateSerial, TimeOfDayRoundsToTheMillisecond) {
  const TcxDateTimeParts p = Decode(Date(2024, 1, 5) + Time(13, 7, 9, 45));
  EXPECT_EQ(p.Hour, 13);
  EXPECT_EQ(p.Minute, 7);
  EXPECT_EQ(p.Second, 9);
  EXPECT_EQ(p.MilliSecond, 45);
  // Just short of midnight rounds into the next day.
  const TcxDateTimeParts late = Decode(Date(2024, 12, 31) + 0.9999999999);
  EXPECT_EQ(late.Year, 2025);
  EXPECT_EQ(late.Day, 1);
  EXPECT_EQ(late.Hour, 0);
  // A negative serial keeps its time of day in the magnitude of the fraction.
  const TcxDateTimeParts before = Decode(CombineDateTime(Date(1899, 12, 29), Time(6, 0)));
  EXPECT_EQ(before.Day, 29);
  EXPECT_EQ(before.Hour, 6);
  EXPECT_DOUBLE_EQ(CombineDateTime(-1, 0.25), -1.25);
  EXPECT_DOUBLE_EQ(CombineDateTime(2, 0.25), 2.25);
}

TEST(FormatDateTime, PatternLetters) {
  const TcxDateTimeParts p = Decode(Date(2024, 3, 7) + Time(9, 5, 3, 7));  // a Thursday
  const struct {
    const char* Pattern;
    const char* English;
    const char* Serbian;
  } cases[] = {
      {"d dd ddd dddd", "7 07 Thu Thursday", "7 07 čet četvrtak"},
      {"m mm mmm mmmm", "3 03 Mar March", "3 03 mar mart"},
      {"yy yyyy", "24 2024", "24 2024"},
      {"h hh n nn s ss z zzz", "9 09 5 05 3 03 7 007", "9 09 5 05 3 03 7 007"},
      {"hh:mm", "09:05", "09:05"},  // "m" after an hour is minutes
      {"m/d/yyyy", "3/7/2024", "3.7.2024"},
      {"h:nn AMPM", "9:05 AM", "9:05 "},
      {"h:nn am/pm", "9:05 am", "9:05 am"},
      {"h:nn AM/PM", "9:05 AM", "9:05 AM"},
      {"h a/p", "9 a", "9 a"},
      {R"(d "of" mmmm 'at' h)", "7 of March at 9", "7 of mart at 9"},
      {"DD.MM.YY", "07.03.24", "07.03.24"},
      {"x-b!", "x-b!", "x-b!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateTime(c.Pattern, p, kEnglish), c.English) << c.Pattern;
    EXPECT_EQ(FormatDateTime(c.Pattern, p, kSerbian), c.Serbian) << c.Pattern;
  }
}

TEST(FormatDateTime, TwelveHourClock) {
  const struct {
    int Hour;
    const char* Text;
  } cases[] = {{0, "12 AM"}, {1, "1 AM"}, {11, "11 AM"}, {12, "12 PM"}, {13, "1 PM"}, {23, "11 PM"}};
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime("h AMPM", Decode(Time(c.Hour, 0)), kEnglish), c.Text) << c.Hour;
  EXPECT_EQ(FormatDateTime("h", Decode(Time(13, 0)), kEnglish), "13");
}

TEST(TryTextToDate, FollowsTheLocaleOrder) {
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    bool Ok;
    int Y, M, D;
  } cases[] = {
      {kEnglish, "1/15/2024", true, 2024, 1, 15},
      {kEnglish, "01/05/2024", true, 2024, 1, 5},
      {kEnglish, "1 / 15 / 2024", true, 2024, 1, 15},
      {kEnglish, "2/29/2024", true, 2024, 2, 29},
      {kEnglish, "3/4", true, 2024, 3, 4},        // the current year
      {kEnglish, "3/4/24", true, 2024, 3, 4},
      {kEnglish, "3/4/73", true, 2073, 3, 4},     // within 50 years of 2024
      {kEnglish, "3/4/74", true, 1974, 3, 4},
      {kEnglish, "3/4/5", true, 2005, 3, 4},
      {kEnglish, "3/4/1850", true, 1850, 3, 4},
      {kEnglish, "3/4/", true, 2024, 3, 4},
      {kEnglish, "2/29/2023", false, 0, 0, 0},
      {kEnglish, "15/1/2024", false, 0, 0, 0},
      {kEnglish, "1/15/02024", false, 0, 0, 0},
      {kEnglish, "001/15/2024", false, 0, 0, 0},
      {kEnglish, "1/15/2024/1", false, 0, 0, 0},
      {kEnglish, "1/15/2024 x", false, 0, 0, 0},
      {kEnglish, "12", false, 0, 0, 0},
      {kEnglish, "1.15.2024", false, 0, 0, 0},
      {kEnglish, "a/b", false, 0, 0, 0},
      {kEnglish, "", false, 0, 0, 0},
      {kSerbian, "15.1.2024", true, 2024, 1, 15},
      {kSerbian, "15.01.2024.", true, 2024, 1, 15},
      {kSerbian, "15.1.", true, 2024, 1, 15},
      {kSerbian, "1.15.2024", false, 0, 0, 0},
      {kSerbian, "15/1/2024", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    double x = 7;
    EXPECT_EQ(TryTextToDate(c.Text, x, c.Settings, kNow), c.Ok) << c.Text;
    EXPECT_EQ(x, c.Ok ? Date(c.Y, c.M, c.D) : 0) << c.Text;
  }
}

TEST(TryTextToDate, YearFirstFormatsAndTheClock) {
  TRegionalSettings iso = kEnglish;
  iso.ShortDateFormat = "yyyy-mm-dd";
  iso.DateSeparator = "-";
  double x = 0;
  EXPECT_TRUE(TryTextToDate("2024-3-7", x, iso, kNow));
  EXPECT_EQ(x, Date(2024, 3, 7));
  EXPECT_TRUE(TryTextToDate("3-7", x, iso, kNow));  // month and day of the current year
  EXPECT_EQ(x, Date(2024, 3, 7));
  EXPECT_TRUE(TryTextToDate("3/4", x, kEnglish, Date(1990, 6, 1)));
  EXPECT_EQ(x, Date(1990, 3, 4));
  EXPECT_FALSE(TryTextToDate("3/4", x, kEnglish, 1e300));  // no usable clock
  EXPECT_FALSE(TryTextToDate("3/4/24", x, kEnglish, 1e300));
  EXPECT_TRUE(TryTextToDate("3/4/2024", x, kEnglish, 1e300));
  EXPECT_EQ(x, Date(2024, 3, 4));
}

TEST(TryTextToTime, HoursMinutesSecondsAndAmPm) {
  const struct {
    const TRegionalSettings& Settings;
    const char* Text;
    bool Ok;
    double X;
  } cases[] = {
      {kEnglish, "9:05", true, Time(9, 5)},
      {kEnglish, " 23:59:59 ", true, Time(23, 59, 59)},
      {kEnglish, "0:00", true, 0},
      {kEnglish, "9:05:03.25", true, Time(9, 5, 3, 250)},
      {kEnglish, "9:05 pm", true, Time(21, 5)},
      {kEnglish, "9:05PM", true, Time(21, 5)},
      {kEnglish, "12:30 AM", true, Time(0, 30)},
      {kEnglish, "12:30 PM", true, Time(12, 30)},
      {kEnglish, "10 AM", true, Time(10, 0)},
      {kEnglish, "10", false, 0},
      {kEnglish, "13:00 PM", false, 0},
      {kEnglish, "0:30 AM", false, 0},
      {kEnglish, "24:00", false, 0},
      {kEnglish, "9:60", false, 0},
      {kEnglish, "9:05:60", false, 0},
      {kEnglish, "9:", false, 0},
      {kEnglish, "9:05:", false, 0},
      {kEnglish, "123:00", false, 0},
      {kEnglish, "9:05 xm", false, 0},
      {kEnglish, "23:59:59.9999", false, 0},  // rounds to midnight
      {kSerbian, "18:30", true, Time(18, 30)},
      {kSerbian, "18:30:15,5", true, Time(18, 30, 15, 500)},
      {kSerbian, "6:30 PM", false, 0},
  };
  for (const auto& c : cases) {
    double x = 7;
    EXPECT_EQ(TryTextToTime(c.Text, x, c.Settings), c.Ok) << c.Text;
    EXPECT_DOUBLE_EQ(x, c.X) << c.Text;
  }
}
