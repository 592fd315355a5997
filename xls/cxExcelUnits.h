#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// The tallest row the format allows: 409.5 points.
inline constexpr int kMaxRowTwips = 8190;

// Column widths and row heights between the file's units and the workbook's pixels, the one
// place the reader and the writer both take them from. Scale is the screen's pixels per logical
// inch divided by 96. Every conversion rounds, so a size read and written back changes; the
// workbook keeps the file's own value beside the pixels and the writer writes it back while the
// pixels are still the ones it gives.
struct TcxExcelUnits {
  double Scale = 1;

  // COLINFO: 1/256 of a character.
  int ColumnPixels(uint16_t width) const { return Round(width / 36.6 * Scale); }
  uint16_t ColumnWidth(int pixels) const { return Clamp(pixels * 36.6 / Scale, 0xFFFF); }
  // STANDARDWIDTH: 1/256 of a character.
  int StandardWidthPixels(uint16_t width) const { return Round(width / 262.0 * 8.25 * Scale); }
  uint16_t StandardWidth(int pixels) const { return Clamp(pixels * 262 / 8.25 / Scale, 0xFFFF); }
  // DEFCOLWIDTH: whole characters.
  int DefColWidthPixels(uint16_t characters) const { return Round(characters * 8.38 * Scale); }
  uint16_t DefColWidth(int pixels) const { return Clamp(pixels / 8.38, 255); }
  // ROW: twips (bit 15 says "the default height" and is not part of it), no taller than the
  // format allows.
  int RowPixels(uint16_t twips) const { return Round((twips & 0x7FFF) / 20.0 * 1.325 * Scale); }
  uint16_t RowHeight(int pixels) const {
    return Clamp(pixels * 20 / (Scale * 1.325), kMaxRowTwips);
  }
  // DEFAULTROWHEIGHT: twips, without the screen scale.
  int DefaultRowPixels(uint16_t twips) const { return Round(twips / 12.7); }
  uint16_t DefaultRowHeight(int pixels) const { return Clamp(pixels * 12.7, 0x7FFF); }

  static int Round(double x) { return static_cast<int>(std::lround(x)); }
  static uint16_t Clamp(double x, long high) {
    return static_cast<uint16_t>(std::clamp(std::lround(x), 0L, high));
  }
};
