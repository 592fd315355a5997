#include "calc/cxSSUtils.h"

#include <gtest/gtest.h>

#include <climits>

TEST(TcxSSUtils, ColumnNamesInBijectiveBase26) {
  const struct {
    int Index;
    const char* Name;
  } cases[] = {{0, "A"},     {25, "Z"},     {26, "AA"},    {27, "AB"},
               {51, "AZ"},   {52, "BA"},    {255, "IV"},   {701, "ZZ"},
               {702, "AAA"}, {16383, "XFD"}, {INT_MAX, "FXSHRXX"}};
  for (const auto& c : cases) {
    EXPECT_EQ(TcxSSUtils::ColumnName(c.Index), c.Name) << c.Index;
    EXPECT_EQ(TcxSSUtils::ColumnIndex(c.Name), c.Index) << c.Name;
  }
}

TEST(TcxSSUtils, ColumnNameAndIndexAreInversesAcrossLetterBoundaries) {
  for (int index = 0; index < 20000; ++index)
    ASSERT_EQ(TcxSSUtils::ColumnIndex(TcxSSUtils::ColumnName(index)), index);
}

TEST(TcxSSUtils, ColumnIndexRejectsWhatIsNotAColumn) {
  for (const char* text : {"", "a", "A1", "$A", "Ab", "FXSHRXY", "ZZZZZZZZ"})
    EXPECT_EQ(TcxSSUtils::ColumnIndex(text), -1) << text;
}

TEST(TcxSSUtils, R1C1NamesAndRowNamesAreOneBasedNumbers) {
  EXPECT_EQ(TcxSSUtils::ColumnName(0, true), "1");
  EXPECT_EQ(TcxSSUtils::ColumnName(27, true), "28");
  EXPECT_EQ(TcxSSUtils::RowName(0), "1");
  EXPECT_EQ(TcxSSUtils::RowName(65535), "65536");
  EXPECT_EQ(TcxSSUtils::RowName(INT_MAX), "2147483648");
}

TEST(TcxSSUtils, ClampAndInRange) {
  const struct {
    int Value, Low, High, Clamped;
    bool In;
  } cases[] = {{-5, 0, 10, 0, false}, {0, 0, 10, 0, true},   {5, 0, 10, 5, true},
               {10, 0, 10, 10, true}, {11, 0, 10, 10, false}, {3, 3, 3, 3, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(TcxSSUtils::Clamp(c.Value, c.Low, c.High), c.Clamped) << c.Value;
    EXPECT_EQ(TcxSSUtils::InRange(c.Value, c.Low, c.High), c.In) << c.Value;
  }
}

TEST(TcxSSUtils, IntersectCellRectsIsInclusive) {
  const struct {
    TRect A, B, Result;
    bool Meets;
  } cases[] = {
      {{0, 0, 4, 4}, {2, 3, 8, 9}, {2, 3, 4, 4}, true},
      {{0, 0, 4, 4}, {4, 4, 5, 5}, {4, 4, 4, 4}, true},  // sharing one corner cell
      {{0, 0, 4, 4}, {5, 0, 6, 4}, {0, 0, -1, -1}, false},
      {{0, 0, 4, 4}, {0, 5, 4, 6}, {0, 0, -1, -1}, false},
      {{1, 1, 9, 9}, {3, 3, 4, 4}, {3, 3, 4, 4}, true},
  };
  for (const auto& c : cases) {
    TRect r{7, 7, 7, 7};
    EXPECT_EQ(TcxSSUtils::IntersectCellRects(r, c.A, c.B), c.Meets);
    EXPECT_EQ(r, c.Result);
    EXPECT_EQ(TcxSSUtils::IntersectCellRects(r, c.B, c.A), c.Meets);
    EXPECT_EQ(r, c.Result);
  }
}

TEST(TcxSSUtils, CellInRectIncludesTheEdges) {
  const TRect rect{2, 3, 4, 6};
  EXPECT_TRUE(TcxSSUtils::CellInRect(rect, {2, 3}));
  EXPECT_TRUE(TcxSSUtils::CellInRect(rect, {4, 6}));
  EXPECT_FALSE(TcxSSUtils::CellInRect(rect, {1, 3}));
  EXPECT_FALSE(TcxSSUtils::CellInRect(rect, {5, 6}));
  EXPECT_FALSE(TcxSSUtils::CellInRect(rect, {3, 7}));
  EXPECT_FALSE(TcxSSUtils::CellInRect(rect, {3, 2}));
}

TEST(TcxSSUtils, FormatValueIsTheDisplayFormatter) {
  std::string text;
  TcxSSColor color = kColorAuto;
  TcxSSUtils::FormatValue(8, 2, text, color, -5, TRegionalSettings::English());
  EXPECT_EQ(text, "($5.00)");
  EXPECT_EQ(color, 2);
}
