#include "styles/cxSSStyleTypes.h"

#include <algorithm>
#include <string_view>

const std::array<TColor, 56> kDefaultPalette = {
    RGBColor(0x00, 0x00, 0x00),  //  8 black
    RGBColor(0xFF, 0xFF, 0xFF),  //  9 white
    RGBColor(0xFF, 0x00, 0x00),  // 10 red
    RGBColor(0x00, 0xFF, 0x00),  // 11 bright green
    RGBColor(0x00, 0x00, 0xFF),  // 12 blue
    RGBColor(0xFF, 0xFF, 0x00),  // 13 yellow
    RGBColor(0xFF, 0x00, 0xFF),  // 14 pink
    RGBColor(0x00, 0xFF, 0xFF),  // 15 turquoise
    RGBColor(0x80, 0x00, 0x00),  // 16 dark red
    RGBColor(0x00, 0x80, 0x00),  // 17 green
    RGBColor(0x00, 0x00, 0x80),  // 18 dark blue
    RGBColor(0x80, 0x80, 0x00),  // 19 dark yellow
    RGBColor(0x80, 0x00, 0x80),  // 20 violet
    RGBColor(0x00, 0x80, 0x80),  // 21 teal
    RGBColor(0xC0, 0xC0, 0xC0),  // 22 grey 25%
    RGBColor(0x80, 0x80, 0x80),  // 23 grey 50%
    RGBColor(0x99, 0x99, 0xFF),  // 24 periwinkle
    RGBColor(0x99, 0x33, 0x66),  // 25 plum
    RGBColor(0xFF, 0xFF, 0xCC),  // 26 ivory
    RGBColor(0xCC, 0xFF, 0xFF),  // 27 light turquoise
    RGBColor(0x66, 0x00, 0x66),  // 28 dark purple
    RGBColor(0xFF, 0x80, 0x80),  // 29 coral
    RGBColor(0x00, 0x66, 0xCC),  // 30 ocean blue
    RGBColor(0xCC, 0xCC, 0xFF),  // 31 ice blue
    RGBColor(0x00, 0x00, 0x80),  // 32 dark blue
    RGBColor(0xFF, 0x00, 0xFF),  // 33 pink
    RGBColor(0xFF, 0xFF, 0x00),  // 34 yellow
    RGBColor(0x00, 0xFF, 0xFF),  // 35 turquoise
    RGBColor(0x80, 0x00, 0x80),  // 36 violet
    RGBColor(0x80, 0x00, 0x00),  // 37 dark red
    RGBColor(0x00, 0x80, 0x80),  // 38 teal
    RGBColor(0x00, 0x00, 0xFF),  // 39 blue
    RGBColor(0x00, 0xCC, 0xFF),  // 40 sky blue
    RGBColor(0xCC, 0xFF, 0xFF),  // 41 light turquoise
    RGBColor(0xCC, 0xFF, 0xCC),  // 42 light green
    RGBColor(0xFF, 0xFF, 0x99),  // 43 light yellow
    RGBColor(0x99, 0xCC, 0xFF),  // 44 pale blue
    RGBColor(0xFF, 0x99, 0xCC),  // 45 rose
    RGBColor(0xCC, 0x99, 0xFF),  // 46 lavender
    RGBColor(0xFF, 0xCC, 0x99),  // 47 tan
    RGBColor(0x33, 0x66, 0xFF),  // 48 light blue
    RGBColor(0x33, 0xCC, 0xCC),  // 49 aqua
    RGBColor(0x99, 0xCC, 0x00),  // 50 lime
    RGBColor(0xFF, 0xCC, 0x00),  // 51 gold
    RGBColor(0xFF, 0x99, 0x00),  // 52 light orange
    RGBColor(0xFF, 0x66, 0x00),  // 53 orange
    RGBColor(0x66, 0x66, 0x99),  // 54 blue-grey
    RGBColor(0x96, 0x96, 0x96),  // 55 grey 40%
    RGBColor(0x00, 0x33, 0x66),  // 56 dark teal
    RGBColor(0x33, 0x99, 0x66),  // 57 sea green
    RGBColor(0x00, 0x33, 0x00),  // 58 dark green
    RGBColor(0x33, 0x33, 0x00),  // 59 olive green
    RGBColor(0x99, 0x33, 0x00),  // 60 brown
    RGBColor(0x99, 0x33, 0x66),  // 61 plum
    RGBColor(0x33, 0x33, 0x99),  // 62 indigo
    RGBColor(0x33, 0x33, 0x33),  // 63 grey 80%
};

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    return lower(x) == lower(y);
  });
}

}  // namespace

TcxFontDesc ScreenFontDesc(const TcxSSFontRec& font) {
  TcxFontDesc desc;
  desc.Name = EqualsNoCase(font.Name, "Default") ? std::string("Tahoma") : font.Name;
  desc.Size = font.Height / 20.0;
  desc.Style = font.Style;
  desc.Charset = font.Charset;
  return desc;
}

int16_t TcxSSFontRec::HeightOfSize(int points) {
  return static_cast<int16_t>(std::clamp(points, -128, 127) * 20);
}
