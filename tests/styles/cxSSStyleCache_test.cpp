#include "styles/cxSSStyleCache.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "StyleTestSupport.h"
#include "calc/cxSSStrings.h"

namespace {

// A record that differs from record 0 only in its number format.
TcxSSStyleRec WithFormat(const TcxSSStyleRec& base, TxlsDataFormat format) {
  TcxSSStyleRec rec = base;
  rec.Format = format;
  return rec;
}

}  // namespace

using TcxSSStyleCacheTest = StyleFixture;

TEST_F(TcxSSStyleCacheTest, RecordZeroIsMadeFromTheWorkbookFont) {
  TcxSSStyleCache cache(Book());
  const TcxSSStyleRec& rec = *cache.DefaultRecord();
  EXPECT_EQ(rec.Format, 0);
  EXPECT_EQ(rec.HorzTextAlign, haGENERAL);
  EXPECT_EQ(rec.VertTextAlign, vaCENTER);
  EXPECT_FALSE(rec.WordBreak);
  EXPECT_EQ(rec.Reserved, 0);
  EXPECT_EQ(rec.Flags, kStyleLocked);
  EXPECT_EQ(rec.BrushStyle, fsSolid);
  EXPECT_EQ(rec.ForegroundColor, kColorNone);
  EXPECT_EQ(rec.BackgroundColor, kColorNone);
  for (const TcxSSEdgeRec& edge : rec.Edges) EXPECT_EQ(edge, (TcxSSEdgeRec{lsDefault, kColorAuto}));
  EXPECT_EQ(rec.RefCount, 1);

  ASSERT_EQ(cache.FontCount(), 1);
  const TcxSSFontRec& font = *rec.Font;
  EXPECT_EQ(&font, cache.GetFont(0));
  const TcxFontDesc& controlFont = Book().Font();
  EXPECT_EQ(font.Name, controlFont.Name);
  EXPECT_EQ(font.Size(), controlFont.Size);
  EXPECT_EQ(font.Style, controlFont.Style);
  EXPECT_EQ(font.Charset, controlFont.Charset);
  EXPECT_EQ(font.FontColor, 0) << "the window text colour is palette black";
  EXPECT_EQ(font.TextExtent, ExtentOf(font));
  EXPECT_GT(font.TextExtent.cy, 0);
  EXPECT_TRUE(cache.CheckConsistency());
}

TEST_F(TcxSSStyleCacheTest, GetFontRecAnswersTheFirstFontWithAllFiveValues) {
  const TcxSSFontRec* arial = Cache().GetFontRec("Arial", kFontBold, 2, 10, 238);
  EXPECT_EQ(Cache().GetFontRec("Arial", kFontBold, 2, 10, 238), arial);
  EXPECT_EQ(Cache().AddFontRec(arial), arial);

  const struct {
    const char* Name;
    uint8_t Style;
    TcxSSColor Color;
    int Size;
    uint8_t Charset;
  } others[] = {{"arial", kFontBold, 2, 10, 238},  // names keep their case
                {"Arial", kFontItalic, 2, 10, 238},
                {"Arial", kFontBold, 3, 10, 238},
                {"Arial", kFontBold, 2, 11, 238},
                {"Arial", kFontBold, 2, 10, 1}};
  const int before = Cache().FontCount();
  for (const auto& o : others) {
    const TcxSSFontRec* font = Cache().GetFontRec(o.Name, o.Style, o.Color, o.Size, o.Charset);
    EXPECT_NE(font, arial) << o.Name << " " << int(o.Style) << " " << o.Color << " " << o.Size;
    EXPECT_EQ(font->Name, o.Name);
    EXPECT_EQ(font->Style, o.Style);
    EXPECT_EQ(font->FontColor, o.Color);
    EXPECT_EQ(font->Size(), o.Size);
    EXPECT_EQ(font->Charset, o.Charset);
    EXPECT_EQ(font->TextExtent, ExtentOf(*font));
  }
  EXPECT_EQ(Cache().FontCount(), before + 5);
  EXPECT_EQ(Cache().AddFontRec(nullptr), nullptr);
}

TEST_F(TcxSSStyleCacheTest, NewFontsAreMeasuredInTheFaceTheyAreDrawnIn) {
  Measurer().Fonts.clear();
  const TcxSSFontRec* font = Cache().GetFontRec("Default", kFontBold, 0, 12, 1);
  ASSERT_EQ(Measurer().Fonts.size(), 1u);
  EXPECT_EQ(Measurer().Fonts[0].Name, "Tahoma");
  EXPECT_EQ(Measurer().Fonts[0].Size, 12);
  EXPECT_EQ(Measurer().Fonts[0].Style, kFontBold);
  EXPECT_EQ(font->Name, "Default");
  Cache().GetFontRec("Default", kFontBold, 0, 12, 1);
  EXPECT_EQ(Measurer().Fonts.size(), 1u) << "a known font is not measured again";
}

TEST_F(TcxSSStyleCacheTest, FontSizesBeyondASignedByteAreClampedNotWrapped) {
  const TcxSSFontRec* big = Cache().GetFontRec("Arial", 0, 0, 200, 1);
  EXPECT_EQ(big->Size(), 127);
  EXPECT_EQ(Cache().GetFontRec("Arial", 0, 0, 200, 1), big);
  EXPECT_EQ(Cache().GetFontRec("Arial", 0, 0, 127, 1), big);
  EXPECT_EQ(Cache().GetFontRec("Arial", 0, 0, -300, 1)->Size(), -128);
}

TEST_F(TcxSSStyleCacheTest, AddStyleTakesRecordsFromAnotherWorkbook) {
  TcxSpreadSheetBook other(MakeFixedEnvironment(TRegionalSettings::English()));
  TcxSSStyleRec foreign = *other.StyleCache().DefaultRecord();
  foreign.Font = other.StyleCache().GetFontRec("Courier New", kFontItalic, 4, 9, 1);
  foreign.BackgroundColor = 5;
  foreign.RefCount = 42;

  const int count = Cache().StyleCount();
  TcxSSStyleRec* taken = Cache().AddStyle(foreign);
  EXPECT_EQ(Cache().StyleCount(), count + 1);
  EXPECT_EQ(taken->RefCount, 1);
  EXPECT_EQ(taken->BackgroundColor, 5);
  EXPECT_EQ(taken->Font, Cache().GetFontRec("Courier New", kFontItalic, 4, 9, 1));
  EXPECT_NE(taken->Font, foreign.Font);

  EXPECT_EQ(Cache().AddStyle(foreign), taken);
  EXPECT_EQ(taken->RefCount, 2);

  const int zeroCount = Rec0()->RefCount;
  EXPECT_EQ(Cache().AddStyle(*other.StyleCache().DefaultRecord()), Rec0());
  EXPECT_EQ(Rec0()->RefCount, zeroCount + 1);

  Cache().ReleaseStyle(taken);
  Cache().ReleaseStyle(taken);
  Cache().ReleaseStyle(Rec0());
  EXPECT_EQ(Cache().StyleCount(), count);
}

TEST_F(TcxSSStyleCacheTest, ShareStyleFindsTheFirstEqualRecordOrAppends) {
  const TcxSSStyleRec wanted = WithFormat(*Rec0(), 10);
  const int count = Cache().StyleCount();

  TcxSSStyleRec* added = Cache().ShareStyle(wanted, Rec0());
  EXPECT_EQ(Cache().StyleCount(), count + 1);
  EXPECT_EQ(added->RefCount, 1);
  EXPECT_TRUE(added->SameStyle(wanted));

  EXPECT_EQ(Cache().ShareStyle(wanted, Rec0()), added);
  EXPECT_EQ(added->RefCount, 2) << "another holder";
  EXPECT_EQ(Cache().ShareStyle(wanted, added), added);
  EXPECT_EQ(added->RefCount, 2) << "the record being left is handed back untouched";

  const int zeroCount = Rec0()->RefCount;
  EXPECT_EQ(Cache().ShareStyle(*Rec0(), added), Rec0());
  EXPECT_EQ(Rec0()->RefCount, zeroCount + 1);
  Cache().ReleaseStyle(Rec0());

  Cache().ReleaseStyle(added);
  Cache().ReleaseStyle(added);
  EXPECT_EQ(Cache().StyleCount(), count);
}

TEST_F(TcxSSStyleCacheTest, ReleasingFreesARecordAndShiftsTheLaterOnes) {
  TcxSSStyleRec* a = Cache().ShareStyle(WithFormat(*Rec0(), 1), nullptr);
  TcxSSStyleRec* b = Cache().ShareStyle(WithFormat(*Rec0(), 2), nullptr);
  TcxSSStyleRec* c = Cache().ShareStyle(WithFormat(*Rec0(), 3), nullptr);
  const int ia = Cache().IndexOf(a);
  ASSERT_EQ(Cache().IndexOf(b), ia + 1);
  ASSERT_EQ(Cache().IndexOf(c), ia + 2);
  Cache().ShareStyle(*b, nullptr);  // b is held twice

  Cache().ReleaseStyle(ia + 1);
  EXPECT_EQ(Cache().IndexOf(b), ia + 1) << "still held once";
  EXPECT_EQ(b->RefCount, 1);
  Cache().ReleaseStyle(ia + 1);
  EXPECT_EQ(Cache().IndexOf(c), ia + 1);
  EXPECT_EQ(Cache().IndexOfStyle(WithFormat(*Rec0(), 2)), -1);
  EXPECT_TRUE(Cache().CheckConsistency());

  Cache().ReleaseStyle(-1);
  Cache().ReleaseStyle(a);
  Cache().ReleaseStyle(c);
  EXPECT_EQ(Cache().StyleCount(), ia);
}

TEST_F(TcxSSStyleCacheTest, RecordZeroSurvivesEveryRelease) {
  const int count = Rec0()->RefCount;
  for (int i = 0; i < count + 3; ++i) Cache().ReleaseStyle(0);
  EXPECT_EQ(Cache().GetStyle(0), Rec0());
  EXPECT_EQ(Rec0()->RefCount, -3);
  for (int i = 0; i < count + 3; ++i) ++Rec0()->RefCount;
}

TEST_F(TcxSSStyleCacheTest, IndexOfStyleIgnoresTheCountAndPrefersRecordZero) {
  TcxSSStyleRec probe = WithFormat(*Rec0(), 4);
  EXPECT_EQ(Cache().IndexOfStyle(probe), -1);
  TcxSSStyleRec* shared = Cache().ShareStyle(probe, nullptr);
  probe.RefCount = 99;
  EXPECT_EQ(Cache().IndexOfStyle(probe), Cache().IndexOf(shared));
  probe.Reserved = 1;
  EXPECT_EQ(Cache().IndexOfStyle(probe), -1) << "the reserved byte takes part";

  // The default style edited into the same look: record 0 is now the first equal record.
  Cache().DefaultStyle().SetFormat(4);
  EXPECT_EQ(Cache().IndexOfStyle(*shared), 0);
  EXPECT_EQ(Cache().ShareStyle(*shared, nullptr), Rec0());
  Cache().ReleaseStyle(Rec0());
  EXPECT_TRUE(Cache().CheckConsistency());
  Cache().ReleaseStyle(shared);
}

TEST_F(TcxSSStyleCacheTest, GetStyleRejectsIndexesOutsideTheList) {
  EXPECT_EQ(Cache().GetStyle(0), Rec0());
  for (int index : {Cache().StyleCount(), Cache().StyleCount() + 7, -1}) {
    try {
      Cache().GetStyle(index);
      ADD_FAILURE() << "no error for index " << index;
    } catch (const EStyleError& error) {
      EXPECT_EQ(std::string(error.what()), kInvalidCellStyle);
    }
  }
}

TEST_F(TcxSSStyleCacheTest, ColorToStyleColorSearchesThePaletteFromTheStart) {
  const struct {
    TColor Color;
    TcxSSColor Default, Result;
  } cases[] = {
      {RGBColor(0, 0, 0), 57, 0},
      {RGBColor(0xFF, 0xFF, 0xFF), 57, 1},
      {RGBColor(0x00, 0x66, 0xCC), 57, 22},
      {RGBColor(0x00, 0x00, 0x80), 57, 10},  // also entry 24: the first one wins
      {RGBColor(0x33, 0x33, 0x33), 56, 55},
      {RGBColor(1, 2, 3), 57, 57},
      {RGBColor(1, 2, 3), 56, 56},
      {kclSystemWindow, 56, 57},
      {0xFF000008, 56, 56},  // another system colour
  };
  for (const auto& c : cases)
    EXPECT_EQ(Cache().ColorToStyleColor(c.Color, c.Default), c.Result) << std::hex << c.Color;

  TcxCustomSpreadSheetBook::TPalette palette = Book().Palette();
  palette[40] = RGBColor(1, 2, 3);
  Book().SetPalette(palette);
  EXPECT_EQ(Cache().ColorToStyleColor(RGBColor(1, 2, 3), 57), 40);
}

TEST_F(TcxSSStyleCacheTest, ClearKeepsRecordZeroAndItsFontAtTheFront) {
  Cache().DefaultStyle().Font().SetName("Verdana");
  const TcxSSFontRec* verdana = Rec0()->Font;
  ASSERT_NE(Cache().GetFont(0), verdana);
  Cache().GetFontRec("Arial", 0, 0, 10, 1);
  for (TxlsDataFormat format = 1; format < 6; ++format)
    Cache().ShareStyle(WithFormat(*Rec0(), format), nullptr);
  ASSERT_GT(Cache().StyleCount(), 5);

  Cache().Clear();
  EXPECT_EQ(Cache().StyleCount(), 1);
  EXPECT_EQ(Cache().FontCount(), 1);
  EXPECT_EQ(Cache().GetFont(0), verdana);
  EXPECT_EQ(Rec0()->Font, verdana);
  EXPECT_EQ(Rec0()->RefCount, 1);
  EXPECT_EQ(Cache().DefaultStyle().Font().Name(), "Verdana");
  EXPECT_EQ(Cache().GetFontRec("Verdana", Rec0()->Font->Style, Rec0()->Font->FontColor,
                               Rec0()->Font->Size(), Rec0()->Font->Charset),
            verdana);
  EXPECT_EQ(Cache().IndexOfStyle(WithFormat(*Rec0(), 3)), -1);
}

TEST_F(TcxSSStyleCacheTest, ReplacingTheDefaultRecordKeepsItsFontRecord) {
  const TcxSSFontRec* f0 = Rec0()->Font;
  const std::string oldName = f0->Name;
  TcxSSFontRec fileFont;  // as the reader makes it: not measured
  fileFont.Name = "Arial";
  fileFont.Height = 200;
  fileFont.Style = kFontItalic;
  fileFont.Charset = 238;
  fileFont.FontColor = 57;
  TcxSSStyleRec fileRec = *Rec0();
  fileRec.Font = &fileFont;
  fileRec.Format = 14;
  fileRec.HorzTextAlign = haRIGHT;
  fileRec.Flags = 0;
  fileRec.Edges[eLeft] = {lsThin, 3};
  fileRec.RefCount = 7;

  Cache().SetDefaultStyleRecord(fileRec, fileFont);
  EXPECT_EQ(Rec0()->Font, f0);
  EXPECT_EQ(f0->Name, "Arial");
  EXPECT_EQ(f0->Size(), 10);
  EXPECT_EQ(f0->Style, kFontItalic);
  EXPECT_EQ(f0->Charset, 238);
  EXPECT_EQ(f0->FontColor, 57);
  EXPECT_EQ(f0->TextExtent, ExtentOf(*f0)) << "the record describes the font it now is";
  EXPECT_EQ(Rec0()->Format, 14);
  EXPECT_EQ(Rec0()->HorzTextAlign, haRIGHT);
  EXPECT_EQ(Rec0()->Flags, 0);
  EXPECT_EQ(Rec0()->Edges[eLeft], (TcxSSEdgeRec{lsThin, 3}));
  EXPECT_EQ(Rec0()->RefCount, 1);

  TcxSSDefaultStyle& style = Cache().DefaultStyle();
  EXPECT_EQ(style.Font().Name(), "Arial");
  EXPECT_EQ(style.StoredFormat(), 14);
  EXPECT_FALSE(style.Locked());
  // Cells without a style of their own read the new default at once.
  EXPECT_EQ(CellRec(9, 9)->Format, 14);
  EXPECT_EQ(Cache().GetFontRec("Arial", kFontItalic, 57, 10, 238), f0);
  EXPECT_NE(Cache().GetFontRec(oldName, 0, 0, 8, 1), f0);
}

TEST_F(TcxSSStyleCacheTest, CheckConsistencyFindsBrokenCaches) {
  TcxSSStyleRec* rec = Cache().ShareStyle(WithFormat(*Rec0(), 3), nullptr);
  Cache().ShareStyle(WithFormat(*Rec0(), 4), nullptr);
  ASSERT_TRUE(Cache().CheckConsistency());
  const TcxSSStyleRec kept = *rec;
  TcxSSFontRec foreign;

  const std::function<void(TcxSSStyleRec&)> breakages[] = {
      [](TcxSSStyleRec& r) { r.RefCount = 0; },      // should have been freed
      [](TcxSSStyleRec& r) { r.Format = 9; },        // edited in place: the hash is stale
      [](TcxSSStyleRec& r) { r.Format = 4; },        // a duplicate of another record
      [&](TcxSSStyleRec& r) { r.Font = &foreign; },  // a font of no cache
  };
  for (const auto& breakIt : breakages) {
    breakIt(*rec);
    EXPECT_FALSE(Cache().CheckConsistency());
    *rec = kept;
    EXPECT_TRUE(Cache().CheckConsistency());
  }
  Cache().ReleaseStyle(rec);
  Cache().ReleaseStyle(Cache().GetStyle(Cache().IndexOfStyle(WithFormat(*Rec0(), 4))));
}

// Format codes are kept once per code and the built-in index a file gave it; one from another
// workbook or from a file's table is found by its value.
TEST_F(TcxSSStyleCacheTest, NumberFormatCodesAreKeptOnceEach) {
  const int count = Cache().NumberFormatCount();
  const TcxNumberFormat* own = Cache().GetNumberFormat("0.000", TcxNumberFormat::kNoBuiltIn);
  EXPECT_EQ(Cache().GetNumberFormat("0.000", TcxNumberFormat::kNoBuiltIn), own);
  EXPECT_EQ(own->Code(), "0.000");
  const TcxNumberFormat* builtIn = Cache().GetNumberFormat("0.000", 2);
  EXPECT_NE(builtIn, own);
  EXPECT_EQ(builtIn->BuiltIn(), 2);
  EXPECT_NE(Cache().GetNumberFormat("0.0000", TcxNumberFormat::kNoBuiltIn), own);
  EXPECT_EQ(Cache().NumberFormatCount(), count + 3);
  const TcxNumberFormat foreign("0.000");
  EXPECT_EQ(Cache().AddNumberFormat(&foreign), own);
  EXPECT_EQ(Cache().AddNumberFormat(nullptr), nullptr);

  // Two records differing in their code alone are two styles.
  TcxSSStyleRec a = WithFormat(*Rec0(), 2);
  a.NumberFormat = own;
  TcxSSStyleRec b = a;
  b.NumberFormat = builtIn;
  TcxSSStyleRec* sharedA = Cache().ShareStyle(a, nullptr);
  TcxSSStyleRec* sharedB = Cache().ShareStyle(b, nullptr);
  EXPECT_NE(sharedA, sharedB);
  EXPECT_EQ(Cache().IndexOfStyle(a), Cache().IndexOf(sharedA));
  Cache().ReleaseStyle(sharedA);
  Cache().ReleaseStyle(sharedB);
}

TEST_F(TcxSSStyleCacheTest, CodesComeAlongFromAnotherWorkbookAndWithTheDefaultRecord) {
  TcxSpreadSheetBook other(MakeFixedEnvironment(TRegionalSettings::English()));
  TcxSSStyleRec foreign = *other.StyleCache().DefaultRecord();
  foreign.Format = 10;
  foreign.NumberFormat = other.StyleCache().GetNumberFormat("0.0%", TcxNumberFormat::kNoBuiltIn);
  TcxSSStyleRec* taken = Cache().AddStyle(foreign);
  EXPECT_EQ(taken->NumberFormat, Cache().GetNumberFormat("0.0%", TcxNumberFormat::kNoBuiltIn));
  EXPECT_NE(taken->NumberFormat, foreign.NumberFormat);
  Cache().ReleaseStyle(taken);

  const TcxSSFontRec font = *Rec0()->Font;
  Cache().SetDefaultStyleRecord(foreign, font);
  EXPECT_EQ(Rec0()->NumberFormat, Cache().GetNumberFormat("0.0%", TcxNumberFormat::kNoBuiltIn));
  EXPECT_EQ(Cache().DefaultStyle().NumberFormat(), Rec0()->NumberFormat);
}

TEST_F(TcxSSStyleCacheTest, ClearKeepsOnlyRecordZerosCode) {
  Cache().DefaultStyle().SetFormatCode("#,##0.000");
  const TcxNumberFormat* code0 = Rec0()->NumberFormat;
  ASSERT_NE(code0, nullptr);
  Cache().GetNumberFormat("0.0", TcxNumberFormat::kNoBuiltIn);
  Cache().GetNumberFormat("mm:ss", TcxNumberFormat::kNoBuiltIn);
  Cache().Clear();
  EXPECT_EQ(Cache().NumberFormatCount(), 1);
  EXPECT_EQ(Rec0()->NumberFormat, code0);
  EXPECT_EQ(Cache().GetNumberFormat("#,##0.000", TcxNumberFormat::kNoBuiltIn), code0);
  EXPECT_TRUE(Cache().CheckConsistency());
}
