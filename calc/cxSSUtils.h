#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "calc/cxSSTypes.h"
#include "platform/RegionalSettings.h"
#include "platform/Types.h"

// Small coordinate and display helpers shared by the whole workbook control. All members are
// class operations: the class holds no state and is never instantiated.
class TcxSSUtils {
public:
  TcxSSUtils() = delete;

  // Low when value <= low; value when value < high; high otherwise.
  static int Clamp(int value, int low, int high);
  // "A".."Z", "AA".."ZZ", "AAA"... (bijective base 26), or the one-based number in R1C1 style.
  static std::string ColumnName(int index, bool r1c1 = false);
  // Appends the letters of column `index` (>= 0) to `text`, as ColumnName gives them.
  static void AppendColumnName(std::string& text, int64_t index);
  // The inverse of ColumnName for upper-case letters; -1 for empty text, any character outside
  // "A".."Z", or letters naming a column beyond the int range.
  static int ColumnIndex(std::string_view letters);
  // The display text of `x` under a built-in number format (see cxSSFormats.h).
  static void FormatValue(TxlsDataFormat format, int precision, std::string& text,
                          TcxSSColor& color, double x, const TRegionalSettings& settings);
  // Intersection of two inclusive cell rectangles; (0, 0, -1, -1) and false when they are apart.
  static bool IntersectCellRects(TRect& result, const TRect& a, const TRect& b);
  static bool CellInRect(const TRect& rect, const TPoint& cell);
  // The one-based row number as text.
  static std::string RowName(int index);
  static bool InRange(int value, int low, int high);
};
