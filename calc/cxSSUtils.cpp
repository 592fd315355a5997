#include "calc/cxSSUtils.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstdint>

#include "calc/cxSSFormats.h"

int TcxSSUtils::Clamp(int value, int low, int high) {
  if (value <= low) return low;
  return value < high ? value : high;
}

std::string TcxSSUtils::ColumnName(int index, bool r1c1) {
  assert(index >= 0);
  if (r1c1) return std::to_string(static_cast<int64_t>(index) + 1);
  std::string name;
  AppendColumnName(name, index);
  return name;
}

void TcxSSUtils::AppendColumnName(std::string& text, int64_t index) {
  assert(index >= 0);
  // Bijective base 26: every letter is a digit 1..26, so there is no zero digit to skip.
  char letters[16];
  int count = 0;
  for (int64_t n = index + 1; n > 0; n = (n - 1) / 26)
    letters[count++] = static_cast<char>('A' + (n - 1) % 26);
  while (count > 0) text += letters[--count];
}

int TcxSSUtils::ColumnIndex(std::string_view letters) {
  if (letters.empty()) return -1;
  int64_t sum = 0;
  for (const char c : letters) {
    if (c < 'A' || c > 'Z') return -1;
    sum = sum * 26 + (c - 'A' + 1);
    if (sum - 1 > INT_MAX) return -1;
  }
  return static_cast<int>(sum - 1);
}

void TcxSSUtils::FormatValue(TxlsDataFormat format, int precision, std::string& text,
                             TcxSSColor& color, double x, const TRegionalSettings& settings) {
  ::FormatValue(format, precision, text, color, x, settings);
}

bool TcxSSUtils::IntersectCellRects(TRect& result, const TRect& a, const TRect& b) {
  const TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                std::min(a.Bottom, b.Bottom)};
  if (r.Left > r.Right || r.Top > r.Bottom) {
    result = TRect{0, 0, -1, -1};
    return false;
  }
  result = r;
  return true;
}

bool TcxSSUtils::CellInRect(const TRect& rect, const TPoint& cell) {
  return InRange(cell.X, rect.Left, rect.Right) && InRange(cell.Y, rect.Top, rect.Bottom);
}

std::string TcxSSUtils::RowName(int index) { return std::to_string(static_cast<int64_t>(index) + 1); }

bool TcxSSUtils::InRange(int value, int low, int high) { return low <= value && value <= high; }
