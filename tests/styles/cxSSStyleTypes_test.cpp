#include "styles/cxSSStyleTypes.h"

#include <gtest/gtest.h>

TEST(TcxSSStyleTypes, TheDefaultPaletteIsTheBiff8One) {
  ASSERT_EQ(kDefaultPalette.size(), 56u);
  const struct {
    int Index;
    TColor Color;
  } cases[] = {{0, RGBColor(0x00, 0x00, 0x00)},  {1, RGBColor(0xFF, 0xFF, 0xFF)},
               {2, RGBColor(0xFF, 0x00, 0x00)},  {3, RGBColor(0x00, 0xFF, 0x00)},
               {4, RGBColor(0x00, 0x00, 0xFF)},  {5, RGBColor(0xFF, 0xFF, 0x00)},
               {6, RGBColor(0xFF, 0x00, 0xFF)},  {7, RGBColor(0x00, 0xFF, 0xFF)},
               {14, RGBColor(0xC0, 0xC0, 0xC0)}, {22, RGBColor(0x00, 0x66, 0xCC)},
               {47, RGBColor(0x96, 0x96, 0x96)}, {55, RGBColor(0x33, 0x33, 0x33)}};
  for (const auto& c : cases) EXPECT_EQ(kDefaultPalette[c.Index], c.Color) << c.Index;
  // Red sits in the low byte, as files store colours.
  EXPECT_EQ(kDefaultPalette[2], 0x0000FFu);
}

TEST(TcxSSStyleTypes, TheDefaultFaceIsDrawnAsTahoma) {
  const struct {
    const char* Name;
    const char* Face;
  } cases[] = {{"Default", "Tahoma"}, {"DEFAULT", "Tahoma"},    {"default", "Tahoma"},
               {"Arial", "Arial"},    {"Defaults", "Defaults"}, {"", ""}};
  for (const auto& c : cases) {
    TcxSSFontRec font;
    font.Name = c.Name;
    font.Height = 240;
    font.Style = kFontBold | kFontItalic;
    font.Charset = 238;
    const TcxFontDesc desc = ScreenFontDesc(font);
    EXPECT_EQ(desc.Name, c.Face) << c.Name;
    EXPECT_EQ(desc.Size, 12);
    EXPECT_EQ(desc.Style, kFontBold | kFontItalic);
    EXPECT_EQ(desc.Charset, 238);
  }
}
