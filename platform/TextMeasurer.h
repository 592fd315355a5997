#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Types.h"

// A screen font as the core describes it: face name, size in points (half points and other
// fractions as files give them), style bits (0 bold, 1 italic, 2 underline, 3 strike-out) and
// character set.
struct TcxFontDesc {
  std::string Name;
  double Size = 8;
  uint8_t Style = 0;
  uint8_t Charset = 1;
};

// Measures text as the screen draws it. The Qt layer measures with real fonts; tests and the
// command-line program use a fixed metric.
class ITextMeasurer {
public:
  virtual ~ITextMeasurer() = default;
  // Width and height in pixels of one line of text drawn in the font.
  virtual TSize TextExtent(const TcxFontDesc& font, std::string_view text) const = 0;
};
