#pragma once

#include <cstdint>

// Small value types shared by the core, the platform services and the Qt layer.

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

// A rectangle of cells (Left/Right columns, Top/Bottom rows, both ends inclusive) or of pixels
// (Right and Bottom exclusive). Which one is meant is said where a TRect is used.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TRect&) const = default;
};

// Red in the low byte, then green, then blue (0x00BBGGRR), as files store colours.
using TColor = uint32_t;

constexpr TColor RGBColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
