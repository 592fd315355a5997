#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/TextMeasurer.h"

// Breaks text into the lines a cell with word wrap shows: at explicit line breaks, then between
// words so that each line fits `width` pixels. A single word wider than the box stays whole on
// its own line (it is clipped when drawn). Shared by automatic row heights and painting, so the
// two always agree.
std::vector<std::string> WrapText(const ITextMeasurer& measurer, const TcxFontDesc& font,
                                  std::string_view text, int width);
