#include "styles/cxSSCellStyle.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "StyleTestSupport.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSNumberFormat.h"
#include "sheet/cxSSHeader.h"

// The published number format (0..51) against the stored BIFF built-in index.
TEST(TcxSSCellStyleFormat, PublishedIndexesMapOntoStoredNumbers) {
  const struct {
    int Published;
    TxlsDataFormat Stored;
  } cases[] = {{0, 0},   {1, 1},    {14, 14},  {22, 22}, {23, 37}, {30, 44},
               {35, 49}, {36, 164}, {37, 165}, {38, 52}, {51, 65}};
  for (const auto& c : cases) {
    EXPECT_EQ(PublishedFormatToStored(c.Published), c.Stored) << c.Published;
    EXPECT_EQ(StoredFormatToPublished(c.Stored), c.Published) << c.Stored;
  }
}

TEST(TcxSSCellStyleFormat, ValuesBeyondThePublishedRangeMeanGeneral) {
  for (int value : {52, 60, 164, 65535, -1}) EXPECT_EQ(PublishedFormatToStored(value), 0) << value;
}

TEST(TcxSSCellStyleFormat, EveryPublishedIndexSurvivesTheRoundTrip) {
  for (int published = 0; published <= 51; ++published)
    ASSERT_EQ(StoredFormatToPublished(PublishedFormatToStored(published)), published);
}

namespace {

// Counts the change notifications of a style object, by kind.
struct TChangeLog {
  std::vector<TcxSSStyleChangeKind> Kinds;
  void Attach(TcxSSCellStyle& style) {
    style.OnChange = [this](TcxSSCellStyle&, TcxSSStyleChangeKind kind) { Kinds.push_back(kind); };
  }
};

}  // namespace

using TcxSSCellStyleTest = StyleFixture;

// --- Binding to a cell and sharing -----------------------------------------------------------

TEST_F(TcxSSCellStyleTest, AnUnstyledCellReadsRecordZeroAndGivesItsReferenceBack) {
  const int count = Rec0()->RefCount;
  {
    auto style = StyleOf(2, 5);
    EXPECT_EQ(style->SharedRec(), Rec0());
    EXPECT_TRUE(style->Rec().SameStyle(*Rec0()));
    EXPECT_EQ(Rec0()->RefCount, count + 1);
  }
  for (int i = 0; i < 1000; ++i) StyleOf(i, i);
  EXPECT_EQ(Rec0()->RefCount, count) << "reading styles must not make record 0's count grow";
  EXPECT_EQ(Storage().FindCell(2, 5), nullptr) << "a style only read leaves no cell behind";
}

TEST_F(TcxSSCellStyleTest, CellsFormattedAlikeShareOneRecord) {
  StyleOf(1, 1)->SetHorzTextAlign(haCENTER);
  StyleOf(2, 1)->SetHorzTextAlign(haCENTER);
  TcxSSStyleRec* shared = CellRec(1, 1);
  ASSERT_NE(shared, Rec0());
  EXPECT_EQ(CellRec(2, 1), shared);
  EXPECT_EQ(shared->RefCount, 2);
  EXPECT_EQ(shared->HorzTextAlign, haCENTER);
  EXPECT_TRUE(Book().Modified());

  Storage().ClearCells({1, 1, 1, 1}, true);
  EXPECT_EQ(shared->RefCount, 1);
  EXPECT_EQ(CellRec(1, 1), Rec0());
  const int count = Cache().StyleCount();
  Storage().ClearCells({2, 1, 2, 1}, true);
  EXPECT_EQ(Cache().StyleCount(), count - 1);
  TcxSSStyleRec probe = *Rec0();
  probe.HorzTextAlign = haCENTER;
  EXPECT_EQ(Cache().IndexOfStyle(probe), -1);
}

TEST_F(TcxSSCellStyleTest, ChangingBackTakesTheCellBackToRecordZero) {
  auto style = StyleOf(3, 3);
  style->SetWordBreak(true);
  TcxSSStyleRec* wrapped = style->SharedRec();
  EXPECT_EQ(CellRec(3, 3), wrapped);
  const int count = Cache().StyleCount();
  style->SetWordBreak(false);
  EXPECT_EQ(style->SharedRec(), Rec0());
  EXPECT_EQ(CellRec(3, 3), Rec0());
  EXPECT_EQ(Cache().StyleCount(), count - 1) << "the record nobody uses is freed";
}

TEST_F(TcxSSCellStyleTest, EverySetterReportsItsChangeKindOnce) {
  const struct {
    const char* Name;
    std::function<void(TcxSSCellStyle&)> Set;
    TcxSSStyleChangeKind Kind;
  } cases[] = {
      {"HorzTextAlign", [](TcxSSCellStyle& s) { s.SetHorzTextAlign(haRIGHT); }, sckAlignment},
      {"VertTextAlign", [](TcxSSCellStyle& s) { s.SetVertTextAlign(vaTOP); }, sckAlignment},
      {"WordBreak", [](TcxSSCellStyle& s) { s.SetWordBreak(true); }, sckAlignment},
      {"Format", [](TcxSSCellStyle& s) { s.SetFormat(10); }, sckFormat},
      {"StoredFormat", [](TcxSSCellStyle& s) { s.SetStoredFormat(49); }, sckFormat},
      {"Locked", [](TcxSSCellStyle& s) { s.SetLocked(false); }, sckProtection},
      {"ReadOnlyFlag", [](TcxSSCellStyle& s) { s.SetReadOnlyFlag(true); }, sckProtection},
      {"Merged", [](TcxSSCellStyle& s) { s.SetMerged(true); }, sckMerge},
      {"Brush", [](TcxSSCellStyle& s) { s.Brush().SetStyle(fsGray50); }, sckBrush},
      {"Font", [](TcxSSCellStyle& s) { s.Font().SetSize(12); }, sckFont},
      {"Edge", [](TcxSSCellStyle& s) { s.Borders().Top().SetStyle(lsThin); }, sckEdge},
  };
  int col = 0;
  for (const auto& c : cases) {
    auto style = StyleOf(col, 10);
    TChangeLog log;
    log.Attach(*style);
    c.Set(*style);
    c.Set(*style);
    const bool alwaysReports = c.Kind == sckBrush || c.Kind == sckFont || c.Kind == sckProtection;
    EXPECT_EQ(log.Kinds.size(), alwaysReports ? 2u : 1u) << c.Name;
    for (TcxSSStyleChangeKind kind : log.Kinds) EXPECT_EQ(kind, c.Kind) << c.Name;
    EXPECT_NE(CellRec(col, 10), Rec0()) << c.Name;
    EXPECT_TRUE(style->Rec().SameStyle(*CellRec(col, 10))) << c.Name;
    col += 3;  // keep edge changes away from the other cells
  }
}

TEST_F(TcxSSCellStyleTest, ARepeatedBrushChangeFindsTheSameRecord) {
  auto style = StyleOf(0, 0);
  style->Brush().SetValues(fsGray25, 3, 4);
  TcxSSStyleRec* filled = style->SharedRec();
  const int count = filled->RefCount;
  TChangeLog log;
  log.Attach(*style);
  style->Brush().SetValues(fsGray25, 3, 4);
  EXPECT_EQ(log.Kinds.size(), 1u);
  EXPECT_EQ(style->SharedRec(), filled);
  EXPECT_EQ(filled->RefCount, count);
}

TEST_F(TcxSSCellStyleTest, SubObjectNotificationsComeBeforeTheStyles) {
  auto style = StyleOf(0, 0);
  std::vector<std::string> order;
  style->OnChange = [&](TcxSSCellStyle&, TcxSSStyleChangeKind) { order.push_back("style"); };
  style->Brush().OnChange = [&](TcxSSStyle& sender) {
    EXPECT_EQ(&sender, &style->Brush());
    order.push_back("brush");
  };
  style->Brush().SetBackgroundColor(2);
  EXPECT_EQ(order, (std::vector<std::string>{"brush", "style"}));
}

TEST_F(TcxSSCellStyleTest, SetFlagsSharesWithoutNotifying) {
  auto style = StyleOf(1, 0);
  TChangeLog log;
  log.Attach(*style);
  style->SetFlags(style->Flags());
  EXPECT_EQ(style->SharedRec(), Rec0());
  style->SetFlags(kStyleShrinkToFit);
  EXPECT_TRUE(log.Kinds.empty());
  EXPECT_EQ(CellRec(1, 0)->Flags, kStyleShrinkToFit);
  EXPECT_FALSE(style->Locked());
}

// --- Format, colours and the parts ------------------------------------------------------------

TEST_F(TcxSSCellStyleTest, FormatIsPublishedAsAnIndex) {
  const struct {
    TxlsDataFormat Set, Read, Stored;
  } cases[] = {{36, 36, 164}, {37, 37, 165}, {23, 23, 37}, {60, 0, 0}, {22, 22, 22}};
  for (const auto& c : cases) {
    auto style = StyleOf(0, 0);
    style->SetFormat(c.Set);
    EXPECT_EQ(style->Format(), c.Read) << c.Set;
    EXPECT_EQ(style->StoredFormat(), c.Stored) << c.Set;
    EXPECT_EQ(CellRec(0, 0)->Format, c.Stored) << c.Set;
  }
}

TEST_F(TcxSSCellStyleTest, ColoursAbove55AreStoredAsAutomatic) {
  auto style = StyleOf(0, 0);
  style->Brush().SetBackgroundColor(56);
  EXPECT_EQ(style->Brush().BackgroundColor(), 57);
  EXPECT_EQ(style->Brush().ForegroundColor(), 57) << "the other colour is set again too";
  EXPECT_NE(CellRec(0, 0), Rec0()) << "57 differs from record 0's 56";

  style->Font().SetFontColor(200);
  EXPECT_EQ(style->Font().FontColor(), 57);
  style->Borders().Left().SetValues(lsThin, 56);
  EXPECT_EQ(style->Borders().Left().StoredColor(), 57);
  style->Borders().Left().SetPackedValue(lsThick | (60u << 8));
  EXPECT_EQ(style->Borders().Left().StoredColor(), 60) << "packed values are stored as given";
  EXPECT_EQ(style->Borders().Left().StoredStyle(), lsThick);
  EXPECT_EQ(style->Borders().Left().PackedValue(), lsThick | (60u << 8));
}

// A font keeps the window text colour and a double or accounting underline; taking the
// underline away takes its kind with it, so the font is the plain one again.
TEST_F(TcxSSCellStyleTest, FontsKeepWindowTextAndUnderlineKinds) {
  auto style = StyleOf(0, 0);
  TcxSSFont& font = style->Font();
  const uint8_t doubled = kFontBold | kFontUnderline | kFontUnderlineDouble;
  font.SetValues("Arial", 10, kColorWindowText, 1, doubled);
  EXPECT_EQ(font.FontColor(), kColorWindowText);
  EXPECT_EQ(font.Style(), doubled);
  TcxFontDesc desc;
  TColor color = 1;
  font.AssignTo(desc, color);
  EXPECT_EQ(color, RGBColor(0, 0, 0));
  font.SetStyle(font.Style() & ~kFontUnderline);
  EXPECT_EQ(font.Style(), kFontBold);
  EXPECT_EQ(CellRec(0, 0)->Font, Cache().GetFontRec("Arial", kFontBold, kColorWindowText, 10, 1));
  font.SetFontColor(60);  // outside the palette
  EXPECT_EQ(font.FontColor(), kColorAuto);
}

TEST_F(TcxSSCellStyleTest, FontSettersKeepTheOtherValues) {
  auto style = StyleOf(0, 0);
  TcxSSFont& font = style->Font();
  font.SetValues("Arial", 10, 2, 238, kFontBold);
  font.SetSize(14);
  font.SetStyle(kFontItalic);
  font.SetName("Verdana");
  EXPECT_EQ(font.Name(), "Verdana");
  EXPECT_EQ(font.Size(), 14);
  EXPECT_EQ(font.FontColor(), 2);
  EXPECT_EQ(font.Charset(), 238);
  EXPECT_EQ(font.Style(), kFontItalic);
  EXPECT_EQ(CellRec(0, 0)->Font, Cache().GetFontRec("Verdana", kFontItalic, 2, 14, 238));

  TcxFontDesc desc{"x", 1, 0, 77};
  TColor color = 1;
  font.AssignTo(desc, color);
  EXPECT_EQ(desc.Name, "Verdana");
  EXPECT_EQ(desc.Size, 14);
  EXPECT_EQ(desc.Style, kFontItalic);
  EXPECT_EQ(desc.Charset, 77) << "the charset is not assigned";
  EXPECT_EQ(color, Book().Palette()[2]);
  font.SetFontColor(57);
  font.AssignTo(desc, color);
  EXPECT_EQ(color, RGBColor(0, 0, 0));

  auto other = StyleOf(5, 5);
  font.AssignTo(other->Font());
  EXPECT_EQ(CellRec(5, 5)->Font, CellRec(0, 0)->Font);
}

TEST_F(TcxSSCellStyleTest, EdgeSettersKeepTheStoredOtherValue) {
  auto style = StyleOf(4, 4);
  TcxSSEdgeStyle& top = style->Borders().Top();
  top.SetColor(3);
  EXPECT_EQ(top.StoredStyle(), lsDefault);
  EXPECT_EQ(top.Color(), 57) << "a default line reads the automatic colour";
  top.SetStyle(lsDashed);
  EXPECT_EQ(top.Style(), lsDashed);
  EXPECT_EQ(top.Color(), 3);

  // On a filled cell the stored line style is kept, not the lsNone it reads.
  auto filled = StyleOf(8, 8);
  filled->Brush().SetBackgroundColor(5);
  filled->Borders().Left().SetColor(2);
  EXPECT_EQ(filled->Borders().Left().StoredStyle(), lsDefault);
  EXPECT_EQ(filled->Borders().Left().Style(), lsNone);
}

// --- Edges: neighbours, fills and merged areas ------------------------------------------------

TEST_F(TcxSSCellStyleTest, AnEdgeIsCopiedOntoTheNeighbourAcrossIt) {
  const struct {
    int Edge, Col, Row, Opposite;
  } cases[] = {
      {eRight, 4, 3, eLeft}, {eLeft, 2, 3, eRight}, {eTop, 3, 2, eBottom}, {eBottom, 3, 4, eTop}};
  for (const auto& c : cases) {
    Storage().ClearCells({0, 0, 10, 10}, true);
    StyleOf(3, 3)->Borders().Edges(c.Edge).SetValues(lsThin, 2);
    EXPECT_EQ(CellRec(3, 3)->Edges[c.Edge], (TcxSSEdgeRec{lsThin, 2})) << c.Edge;
    EXPECT_EQ(CellRec(c.Col, c.Row)->Edges[c.Opposite], (TcxSSEdgeRec{lsThin, 2})) << c.Edge;
    for (int e = 0; e < 4; ++e) {
      if (e != c.Edge) {
        EXPECT_EQ(CellRec(3, 3)->Edges[e].Style, lsDefault) << c.Edge;
      }
    }
    for (int e = 0; e < 4; ++e) {
      if (e != c.Opposite) {
        EXPECT_EQ(CellRec(c.Col, c.Row)->Edges[e].Style, lsDefault);
      }
    }
    ExpectCountsMatchCells();
  }
}

TEST_F(TcxSSCellStyleTest, AnEdgeOnTheSheetBorderChangesOnlyItsCell) {
  const struct {
    int Col, Row, Edge;
  } cases[] = {{0, 5, eLeft}, {5, 0, eTop}, {0, 0, eLeft}, {0, 0, eTop}};
  for (const auto& c : cases) {
    Storage().ClearCells({0, 0, 10, 10}, true);
    StyleOf(c.Col, c.Row)->Borders().Edges(c.Edge).SetValues(lsMedium, 4);
    int stored = 0;
    Storage().ForEachCell([&](int, int, const TcxSSCellRec& cell) {
      if (cell.Style != Rec0()) ++stored;
    });
    EXPECT_EQ(stored, 1) << c.Col << "," << c.Row;
    EXPECT_EQ(CellRec(c.Col, c.Row)->Edges[c.Edge].Style, lsMedium);
  }
}

TEST_F(TcxSSCellStyleTest, AFilledCellShowsNoGridLine) {
  auto style = StyleOf(2, 2);
  style->Borders().Right().SetValues(lsThin, 0);
  style->Borders().Left().SetColor(2);
  EXPECT_EQ(style->Borders().Left().Style(), lsDefault);
  EXPECT_EQ(style->Borders().Left().Color(), 57);
  style->Brush().SetBackgroundColor(5);
  EXPECT_EQ(style->Borders().Left().Style(), lsNone);
  EXPECT_EQ(style->Borders().Left().Color(), 2) << "a line that reads lsNone has its colour";
  EXPECT_EQ(style->Borders().Right().Style(), lsThin);

  auto patterned = StyleOf(6, 6);
  patterned->Brush().SetValues(fsGray50, 57, 57);
  EXPECT_EQ(patterned->Borders().Top().Style(), lsNone);

  TcxSSDefaultStyle& defaults = Cache().DefaultStyle();
  defaults.Brush().SetBackgroundColor(5);
  TcxSSCellStyle& asCell = defaults;
  EXPECT_EQ(asCell.Borders().Left().Style(), lsDefault) << "the default style never hides it";
  EXPECT_EQ(asCell.Borders().Left().Color(), 57);
}

TEST_F(TcxSSCellStyleTest, InnerEdgesOfAMergedAreaReadNone) {
  Storage().MergeCells({1, 1, 2, 2}, true);  // B2:C3
  const struct {
    int Col, Row;
    TcxSSEdgeLineStyle Left, Top, Right, Bottom;
  } cases[] = {{1, 1, lsDefault, lsDefault, lsNone, lsNone},
               {2, 1, lsNone, lsDefault, lsDefault, lsNone},
               {1, 2, lsDefault, lsNone, lsNone, lsDefault},
               {2, 2, lsNone, lsNone, lsDefault, lsDefault}};
  for (const auto& c : cases) {
    auto style = StyleOf(c.Col, c.Row);
    EXPECT_TRUE(style->Merged());
    EXPECT_EQ(style->Borders().Left().Style(), c.Left) << c.Col << "," << c.Row;
    EXPECT_EQ(style->Borders().Top().Style(), c.Top) << c.Col << "," << c.Row;
    EXPECT_EQ(style->Borders().Right().Style(), c.Right) << c.Col << "," << c.Row;
    EXPECT_EQ(style->Borders().Bottom().Style(), c.Bottom) << c.Col << "," << c.Row;
  }
  Storage().MergeCells({1, 1, 2, 2}, false);
  auto split = StyleOf(1, 1);
  EXPECT_FALSE(split->Merged());
  EXPECT_EQ(split->Borders().Right().Style(), lsDefault);
}

TEST_F(TcxSSCellStyleTest, ACellWithoutARecordInsideAMergedAreaLeavesTheFirstCellsRecord) {
  auto first = StyleOf(0, 0);
  first->Brush().SetBackgroundColor(3);
  first.reset();
  Storage().MergeCells({0, 0, 1, 1}, true);
  TcxSSStyleRec* topLeft = CellRec(0, 0);
  // Clearing one cell of the area frees its record: it then reads the first cell's style.
  Storage().ClearCells({1, 1, 1, 1}, true);
  ASSERT_EQ(Storage().FindCell(1, 1), nullptr);
  ASSERT_EQ(CellRec(1, 1), topLeft);
  const int count = topLeft->RefCount;
  {
    auto inner = StyleOf(1, 1);
    EXPECT_EQ(inner->Brush().BackgroundColor(), 3);
    EXPECT_EQ(topLeft->RefCount, count + 1) << "the style holds the record it reads";
    inner->SetHorzTextAlign(haLEFT);
  }
  EXPECT_EQ(CellRec(0, 0), topLeft);
  EXPECT_EQ(topLeft->RefCount, count) << "the first cell still holds its record";
  EXPECT_EQ(CellRec(1, 1)->HorzTextAlign, haLEFT);
}

// --- The default style -----------------------------------------------------------------------

TEST_F(TcxSSCellStyleTest, TheDefaultStyleEditsRecordZeroInPlace) {
  TcxSSDefaultStyle& defaults = Cache().DefaultStyle();
  Book().SetModified(false);
  const int count = Rec0()->RefCount;
  const int styles = Cache().StyleCount();
  defaults.SetHorzTextAlign(haCENTER);
  defaults.Font().SetName("Tahoma");
  EXPECT_EQ(defaults.SharedRec(), Rec0());
  EXPECT_EQ(Rec0()->HorzTextAlign, haCENTER);
  EXPECT_EQ(Rec0()->Font->Name, "Tahoma");
  EXPECT_EQ(Rec0()->RefCount, count);
  EXPECT_EQ(Cache().StyleCount(), styles);
  EXPECT_FALSE(Book().Modified());
  EXPECT_EQ(StyleOf(7, 7)->HorzTextAlign(), haCENTER) << "unstyled cells follow";
}

TEST_F(TcxSSCellStyleTest, TheDefaultStyleHasOneVerticalAndOneHorizontalEdge) {
  TcxSSDefaultStyle& defaults = Cache().DefaultStyle();
  TcxSSCellStyle& asCell = defaults;
  EXPECT_EQ(&asCell.Borders().Right(), &asCell.Borders().Left());
  EXPECT_EQ(&asCell.Borders().Bottom(), &asCell.Borders().Top());
  EXPECT_NE(&asCell.Borders().Left(), &asCell.Borders().Top());

  defaults.Borders().VerticalBorders().SetValues(lsDotted, 4);
  defaults.Borders().HorizontalBorders().SetValues(lsHair, 5);
  EXPECT_EQ(Rec0()->Edges[eLeft], (TcxSSEdgeRec{lsDotted, 4}));
  EXPECT_EQ(Rec0()->Edges[eRight], (TcxSSEdgeRec{lsDotted, 4}));
  EXPECT_EQ(Rec0()->Edges[eTop], (TcxSSEdgeRec{lsHair, 5}));
  EXPECT_EQ(Rec0()->Edges[eBottom], (TcxSSEdgeRec{lsHair, 5}));
  EXPECT_EQ(asCell.Borders().Right().Style(), lsDotted);
  EXPECT_EQ(Storage().FindCell(0, 0), nullptr) << "no neighbour propagation from the default";

  asCell.ApplyBorder(eBottom, lsThick, 6);
  EXPECT_EQ(Rec0()->Edges[eTop], (TcxSSEdgeRec{lsThick, 6}));

  TcxSpreadSheetBook other(MakeFixedEnvironment(TRegionalSettings::English()));
  other.DefaultStyle().Borders().Assign(defaults.Borders());
  EXPECT_EQ(other.StyleCache().DefaultRecord()->Edges[eLeft], (TcxSSEdgeRec{lsDotted, 4}));
  EXPECT_EQ(other.StyleCache().DefaultRecord()->Edges[eBottom], (TcxSSEdgeRec{lsThick, 6}));
}

// --- Read-only styles ------------------------------------------------------------------------

TEST_F(TcxSSCellStyleTest, AReadOnlyStyleIgnoresEverythingButItsFlags) {
  const std::function<void(TcxSSCellStyle&)> setters[] = {
      [](TcxSSCellStyle& s) { s.SetHorzTextAlign(haRIGHT); },
      [](TcxSSCellStyle& s) { s.SetVertTextAlign(vaTOP); },
      [](TcxSSCellStyle& s) { s.SetWordBreak(true); },
      [](TcxSSCellStyle& s) { s.SetFormat(3); },
      [](TcxSSCellStyle& s) { s.SetStoredFormat(3); },
      [](TcxSSCellStyle& s) { s.Brush().SetValues(fsGray50, 1, 2); },
      [](TcxSSCellStyle& s) { s.Font().SetSize(20); },
      [](TcxSSCellStyle& s) { s.Borders().Right().SetValues(lsThin, 1); },
      [](TcxSSCellStyle& s) { s.Borders().Top().SetPackedValue(lsThin); },
      [](TcxSSCellStyle& s) { s.ApplyFormat(5); },
  };
  const struct {
    const char* Why;
    std::function<void()> Make, Undo;
  } reasons[] = {
      {"workbook", [&] { Book().SetReadOnly(true); }, [&] { Book().SetReadOnly(false); }},
      {"sheet", [&] { Book().Pages(0).SetReadOnly(true); },
       [&] { Book().Pages(0).SetReadOnly(false); }},
      {"cell", [&] { StyleOf(0, 0)->SetReadOnlyFlag(true); },
       [&] { StyleOf(0, 0)->SetReadOnlyFlag(false); }},
  };
  for (const auto& reason : reasons) {
    reason.Make();
    const TcxSSStyleRec before = *CellRec(0, 0);
    for (const auto& set : setters) {
      auto style = StyleOf(0, 0);
      EXPECT_TRUE(style->IsReadOnly()) << reason.Why;
      set(*style);
    }
    EXPECT_TRUE(CellRec(0, 0)->SameStyle(before)) << reason.Why;
    EXPECT_EQ(CellRec(1, 0)->Edges[eLeft].Style, lsDefault) << reason.Why;
    StyleOf(0, 0)->SetLocked(false);
    EXPECT_FALSE(CellRec(0, 0)->Flags & kStyleLocked) << "flags still change: " << reason.Why;
    StyleOf(0, 0)->SetLocked(true);
    reason.Undo();
    EXPECT_FALSE(StyleOf(0, 0)->IsReadOnly()) << reason.Why;
  }
}

TEST_F(TcxSSCellStyleTest, AReadOnlyWorkbookMarksTheDefaultStyle) {
  Book().SetReadOnly(true);
  EXPECT_TRUE(Rec0()->Flags & kStyleReadOnly);
  EXPECT_TRUE(Cache().DefaultStyle().IsReadOnly());
  Book().SetReadOnly(false);
  EXPECT_FALSE(Rec0()->Flags & kStyleReadOnly);
  Book().Pages(0).SetReadOnly(true);
  EXPECT_FALSE(Cache().DefaultStyle().IsReadOnly()) << "a sheet does not bind the default style";
  Book().Pages(0).SetReadOnly(false);
}

// --- Assign and applying records -------------------------------------------------------------

TEST_F(TcxSSCellStyleTest, AssignCopiesTheLookAndRefreshesTheSource) {
  {
    auto source = StyleOf(2, 2);
    source->SetHorzTextAlign(haRIGHT);
    source->SetVertTextAlign(vaBOTTOM);
    source->SetFormat(36);
    source->SetWordBreak(true);
    source->Font().SetValues("Arial", 12, 3, 238, kFontBold);
    source->Brush().SetValues(fsGray25, 4, 5);
    source->Borders().Top().SetValues(lsDouble, 6);
    source->Borders().Left().SetValues(lsThin, 7);
  }
  auto source = StyleOf(2, 2);
  auto target = StyleOf(3, 2);  // right of the source: its left edge reaches back
  target->Assign(*source);

  const TcxSSStyleRec& copied = *CellRec(3, 2);
  EXPECT_EQ(copied.HorzTextAlign, haRIGHT);
  EXPECT_EQ(copied.VertTextAlign, vaBOTTOM);
  EXPECT_EQ(copied.Format, 164);
  EXPECT_TRUE(copied.WordBreak);
  EXPECT_EQ(copied.Font, CellRec(2, 2)->Font);
  EXPECT_EQ(copied.BrushStyle, fsGray25);
  EXPECT_EQ(copied.BackgroundColor, 4);
  EXPECT_EQ(copied.ForegroundColor, 5);
  EXPECT_EQ(copied.Edges[eTop], (TcxSSEdgeRec{lsDouble, 6}));
  EXPECT_EQ(copied.Edges[eLeft], (TcxSSEdgeRec{lsThin, 7}));
  EXPECT_FALSE(copied.Flags & kStyleReadOnly);

  // The target's left edge was copied onto the source's right edge; the source follows.
  EXPECT_EQ(CellRec(2, 2)->Edges[eRight], (TcxSSEdgeRec{lsThin, 7}));
  EXPECT_EQ(source->SharedRec(), CellRec(2, 2));
  EXPECT_EQ(source->Borders().Right().StoredStyle(), lsThin);
  source.reset();
  target.reset();
  EXPECT_EQ(CellRec(2, 2)->Edges[eRight], (TcxSSEdgeRec{lsThin, 7}));
}

// A font of 8.5 points (170 twips, as files have them) keeps its height while only its style,
// colour or name changes, or while its size is set to the whole points it shows (9); another
// size replaces it. Assign copies the exact height.
TEST_F(TcxSSCellStyleTest, HalfPointSizesSurviveChangesOfTheOtherFontValues) {
  auto style = StyleOf(1, 1);
  TcxSSFont& font = style->Font();
  font.SetValuesOfHeight("Arial", 170, 0, 1, 0);
  EXPECT_EQ(font.Size(), 9);
  const struct {
    const char* What;
    std::function<void(TcxSSFont&)> Change;
    int16_t Height;
  } cases[] = {
      {"bold", [](TcxSSFont& f) { f.SetStyle(kFontBold); }, 170},
      {"colour", [](TcxSSFont& f) { f.SetFontColor(3); }, 170},
      {"name", [](TcxSSFont& f) { f.SetName("Verdana"); }, 170},
      {"same whole size", [](TcxSSFont& f) { f.SetSize(9); }, 170},
      {"values with the shown size", [](TcxSSFont& f) { f.SetValues("Arial", 9, 2, 1, 0); }, 170},
      {"another size", [](TcxSSFont& f) { f.SetSize(8); }, 160},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    c.Change(font);
    EXPECT_EQ(font.Height(), c.Height);
    EXPECT_EQ(style->Rec().Font->Height, c.Height);
  }
  font.SetValuesOfHeight("Arial", 110, 0, 1, 0);
  auto target = StyleOf(2, 2);
  target->Assign(*style);
  EXPECT_EQ(target->Font().Height(), 110);
}

// The text's rotation, indent, reading order, last-line justification and shrink to fit go with
// Assign and ApplyStyleRec, and make a record of their own.
TEST_F(TcxSSCellStyleTest, RotationIndentDirectionAndShrinkAreCopiedAndShared) {
  TcxSSStyleRec rec = *Rec0();
  rec.HorzTextAlign = haDISTRIBUTED;
  rec.VertTextAlign = vaDISTRIBUTED;
  rec.Rotation = kRotationStacked;
  rec.Indent = 4;
  rec.TextDirection = tdRightToLeft;
  rec.JustifyLastLine = true;
  rec.Flags |= kStyleShrinkToFit;
  StyleOf(1, 1)->ApplyStyleRec(rec, false);
  const TcxSSStyleRec* applied = CellRec(1, 1);
  EXPECT_NE(applied, Rec0());
  EXPECT_EQ(applied->HorzTextAlign, haDISTRIBUTED);
  EXPECT_EQ(applied->VertTextAlign, vaDISTRIBUTED);
  EXPECT_EQ(applied->Rotation, kRotationStacked);
  EXPECT_EQ(applied->Indent, 4);
  EXPECT_EQ(applied->TextDirection, tdRightToLeft);
  EXPECT_TRUE(applied->JustifyLastLine);
  EXPECT_TRUE(applied->Flags & kStyleShrinkToFit);

  StyleOf(3, 3)->Assign(*StyleOf(1, 1));
  EXPECT_EQ(CellRec(3, 3), applied) << "the copy shares the record";
  EXPECT_EQ(applied->RefCount, 2);

  // Each field alone makes a different record.
  const std::function<void(TcxSSStyleRec&)> changes[] = {
      [](TcxSSStyleRec& r) { r.Rotation = 90; },
      [](TcxSSStyleRec& r) { r.Indent = 5; },
      [](TcxSSStyleRec& r) { r.TextDirection = tdLeftToRight; },
      [](TcxSSStyleRec& r) { r.JustifyLastLine = false; },
  };
  for (size_t i = 0; i < std::size(changes); ++i) {
    SCOPED_TRACE(i);
    TcxSSStyleRec other = *applied;
    changes[i](other);
    auto style = StyleOf(5, static_cast<int>(5 + i));
    style->ApplyStyleRec(other, false);
    style.reset();
    EXPECT_NE(CellRec(5, static_cast<int>(5 + i)), applied);
  }
}

TEST_F(TcxSSCellStyleTest, AssignPassesOnReadOnlinessAndSkipsReadOnlyTargets) {
  Book().Pages(0).SetReadOnly(true);
  auto source = StyleOf(0, 0);
  TcxSSDefaultStyle& defaults = Cache().DefaultStyle();
  defaults.Assign(*source);
  EXPECT_TRUE(Rec0()->Flags & kStyleReadOnly) << "the source is read-only through its sheet";
  Book().Pages(0).SetReadOnly(false);
  defaults.SetReadOnlyFlag(false);

  auto locked = StyleOf(5, 5);
  locked->SetReadOnlyFlag(true);
  auto wide = StyleOf(6, 6);
  wide->SetHorzTextAlign(haFILL);
  locked->Assign(*wide);
  EXPECT_EQ(CellRec(5, 5)->HorzTextAlign, haGENERAL);
}

TEST_F(TcxSSCellStyleTest, ApplyStyleRecAppliesAWholeRecord) {
  TcxSSFontRec fileFont;
  fileFont.Name = "Arial";
  fileFont.Height = 200;
  fileFont.Style = kFontUnderline;
  fileFont.FontColor = 2;
  TcxSSStyleRec rec = *Rec0();
  rec.Font = &fileFont;
  rec.Format = 4;
  rec.HorzTextAlign = haCENTER;
  rec.VertTextAlign = vaTOP;
  rec.WordBreak = true;
  rec.Flags = kStyleShrinkToFit | kStyleMerged;
  rec.BrushStyle = fsGray50;
  rec.BackgroundColor = 9;
  rec.ForegroundColor = 10;
  rec.Edges = {TcxSSEdgeRec{lsThin, 1}, TcxSSEdgeRec{lsDefault, 2}, TcxSSEdgeRec{lsDefault, 3},
               TcxSSEdgeRec{lsThick, 4}};

  const struct {
    bool AllEdges;
    TcxSSEdgeLineStyle Top;
    TcxSSColor TopColor;
  } cases[] = {{false, lsDouble, 8}, {true, lsDefault, 2}};
  for (const auto& c : cases) {
    Storage().ClearCells({0, 0, 20, 20}, true);
    StyleOf(5, 5)->Borders().Top().SetValues(lsDouble, 8);
    auto style = StyleOf(5, 5);
    TChangeLog log;
    log.Attach(*style);
    static_cast<IcxCellStyle&>(*style).ApplyStyleRec(rec, c.AllEdges);
    ASSERT_FALSE(log.Kinds.empty());
    EXPECT_EQ(log.Kinds.back(), sckAll);
    const TcxSSStyleRec& applied = *CellRec(5, 5);
    EXPECT_EQ(applied.Font, Cache().GetFontRec("Arial", kFontUnderline, 2, 10, 1));
    EXPECT_EQ(applied.Format, 4);
    EXPECT_EQ(applied.HorzTextAlign, haCENTER);
    EXPECT_EQ(applied.VertTextAlign, vaTOP);
    EXPECT_TRUE(applied.WordBreak);
    EXPECT_EQ(applied.Flags, kStyleShrinkToFit) << "the applied record's Merged flag is dropped";
    EXPECT_EQ(applied.BrushStyle, fsGray50);
    EXPECT_EQ(applied.BackgroundColor, 9);
    EXPECT_EQ(applied.ForegroundColor, 10);
    EXPECT_EQ(applied.Edges[eLeft], (TcxSSEdgeRec{lsThin, 1}));
    EXPECT_EQ(applied.Edges[eTop], (TcxSSEdgeRec{c.Top, c.TopColor})) << c.AllEdges;
    EXPECT_EQ(applied.Edges[eBottom], (TcxSSEdgeRec{lsThick, 4}));
    EXPECT_EQ(CellRec(4, 5)->Edges[eRight], (TcxSSEdgeRec{lsThin, 1})) << "neighbours follow";
    EXPECT_EQ(CellRec(5, 6)->Edges[eTop], (TcxSSEdgeRec{lsThick, 4}));
  }
}

TEST_F(TcxSSCellStyleTest, ApplyStyleRecKeepsTheCellsOwnMergedFlag) {
  Storage().MergeCells({0, 0, 1, 0}, true);
  TcxSSStyleRec plain = *Rec0();
  plain.HorzTextAlign = haRIGHT;
  StyleOf(1, 0)->ApplyStyleRec(plain, false);
  EXPECT_TRUE(CellRec(1, 0)->Flags & kStyleMerged);
  EXPECT_EQ(CellRec(1, 0)->HorzTextAlign, haRIGHT);
}

TEST_F(TcxSSCellStyleTest, TheReaderInterfaceAppliesOnePartAtATime) {
  auto style = StyleOf(4, 4);
  IcxCellStyle& reader = *style;
  reader.ApplyBrush(fsGray75, 1, 2);
  reader.ApplyFormat(36);
  reader.ApplyBorder(eBottom, lsDashDot, 3);
  reader.ApplyBorder(7, lsThin, 3);  // no such edge
  TcxSSFontRec font;
  font.Name = "Courier New";
  font.Height = 180;
  reader.ApplyFont(&font);
  reader.ApplyFont(nullptr);
  style.reset();
  const TcxSSStyleRec& rec = *CellRec(4, 4);
  EXPECT_EQ(rec.BrushStyle, fsGray75);
  EXPECT_EQ(rec.ForegroundColor, 1);
  EXPECT_EQ(rec.BackgroundColor, 2);
  EXPECT_EQ(rec.Format, 164);
  EXPECT_EQ(rec.Edges[eBottom], (TcxSSEdgeRec{lsDashDot, 3}));
  EXPECT_EQ(rec.Font->Name, "Courier New");
  EXPECT_EQ(rec.Font->Size(), 9);
}

TEST_F(TcxSSCellStyleTest, ApplyStoredRecordPutsBackAKeptLookExactly) {
  auto style = StyleOf(3, 3);
  style->Borders().Right().SetValues(lsThin, 1);
  style->SetHorzTextAlign(haCENTER);
  TcxSSStyleRec kept = *style->SharedRec();
  TcxSSFontRec keptFont = *kept.Font;
  kept.Font = &keptFont;
  style->SetReadOnlyFlag(true);
  style.reset();

  // A read-only cell does not stop the look coming back, nor is anything copied to (2, 3).
  auto restored = StyleOf(3, 3);
  restored->ApplyStoredRecord(kept);
  restored.reset();
  TcxSSStyleRec expected = kept;
  expected.Font = Cache().AddFontRec(&keptFont);
  EXPECT_TRUE(CellRec(3, 3)->SameStyle(expected));
  EXPECT_EQ(CellRec(3, 3)->HorzTextAlign, haCENTER);
  EXPECT_FALSE(CellRec(3, 3)->Flags & kStyleReadOnly);
  EXPECT_EQ(CellRec(4, 3)->Edges[eLeft], (TcxSSEdgeRec{lsThin, 1}));
  EXPECT_EQ(Storage().FindCell(2, 3), nullptr);
}

// --- Row heights -----------------------------------------------------------------------------

TEST_F(TcxSSCellStyleTest, ABiggerFontRescalesTheRow) {
  TcxSSHeader& rows = Storage().Headers(1);
  const int height = rows.GetItem(6).Size;
  const TSize oldExtent = Rec0()->Font->TextExtent;
  auto style = StyleOf(2, 6);
  style->Font().SetSize(24);
  const TSize newExtent = style->Rec().Font->TextExtent;
  ASSERT_GT(newExtent.cy, oldExtent.cy);
  const int expected = (height * newExtent.cy + oldExtent.cy / 2) / oldExtent.cy;
  EXPECT_EQ(rows.GetItem(6).Size, expected);
  EXPECT_EQ(rows.GetItem(5).Size, height);
}

TEST_F(TcxSSCellStyleTest, RowsAreNotRescaledWhenNothingAsksForIt) {
  TcxSSHeader& rows = Storage().Headers(1);
  const int height = rows.DefaultSize();
  // Same height: a colour change, a style bound to no cell, a load in progress.
  StyleOf(1, 1)->Font().SetFontColor(3);
  TcxSSCellStyle detached(Cache(), nullptr, -1, -1);
  detached.Font().SetSize(30);
  TcxSSCellStyle noCell(Cache(), &Storage(), -1, -1);
  noCell.Font().SetSize(30);
  Book().SetLoading(true);
  StyleOf(3, 3)->Font().SetSize(30);
  Book().SetLoading(false);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(rows.GetItem(row).Size, height) << row;
}

// --- Detached styles -------------------------------------------------------------------------

TEST_F(TcxSSCellStyleTest, AStyleWithoutACellHoldsItsRecordUntilFreed) {
  const int count = Cache().StyleCount();
  {
    TcxSSCellStyle detached(Cache(), nullptr, 3, 3);
    detached.SetWordBreak(true);
    EXPECT_EQ(Cache().StyleCount(), count + 1);
    EXPECT_EQ(detached.SharedRec()->RefCount, 1);
    EXPECT_EQ(Storage().FindCell(3, 3), nullptr);
  }
  EXPECT_EQ(Cache().StyleCount(), count);
}

TEST_F(TcxSSCellStyleTest, ManyDistinctStylesStayConsistent) {
  for (int col = 0; col < 40; ++col)
    for (int row = 0; row < 40; row += 2) {
      auto style = StyleOf(col, row);
      style->Brush().SetValues(fsSolid, static_cast<TcxSSColor>(col % 56), 57);
      style->SetFormat(static_cast<TxlsDataFormat>(row % 52));
      style->Borders().Bottom().SetValues(lsThin, static_cast<TcxSSColor>(row % 56));
    }
  EXPECT_TRUE(Cache().CheckConsistency());
  ExpectCountsMatchCells();
  Storage().ClearCells({0, 0, 40, 41}, true);
  EXPECT_EQ(Cache().StyleCount(), 1);
}

TEST_F(TcxSSCellStyleTest, AFailingCellNotificationLeavesTheCountsRight) {
  Book().OnCellChange = [](TcxSSBookSheet&, int, int) { throw std::runtime_error("refused"); };
  {
    auto style = StyleOf(1, 1);
    EXPECT_THROW(style->SetWordBreak(true), std::runtime_error);
    EXPECT_TRUE(CellRec(1, 1)->WordBreak) << "the cell took the record before the event failed";
    EXPECT_EQ(style->SharedRec(), CellRec(1, 1));
    EXPECT_THROW(style->SetHorzTextAlign(haRIGHT), std::runtime_error);
    EXPECT_EQ(CellRec(1, 1)->HorzTextAlign, haRIGHT);
  }
  Book().OnCellChange = nullptr;
  EXPECT_EQ(CellRec(1, 1)->RefCount, 1);
}

TEST_F(TcxSSCellStyleTest, AStyleOnlyReadDoesNotUndoWhatHappenedToItsCellMeanwhile) {
  auto reader = StyleOf(3, 3);
  auto rightOfIt = StyleOf(4, 3);
  EXPECT_EQ(reader->Borders().Right().StoredStyle(), lsDefault);
  StyleOf(2, 3)->Borders().Right().SetValues(lsDouble, 2);  // reaches (3, 3)'s left edge
  rightOfIt->Borders().Left().SetValues(lsThin, 5);         // reaches (3, 3)'s right edge
  reader.reset();
  EXPECT_EQ(CellRec(3, 3)->Edges[eLeft], (TcxSSEdgeRec{lsDouble, 2}));
  EXPECT_EQ(CellRec(3, 3)->Edges[eRight], (TcxSSEdgeRec{lsThin, 5}));
}

TEST_F(TcxSSCellStyleTest, AChangeTheCellCannotTakeWhileLoadingIsDropped) {
  const int count = Cache().StyleCount();
  Book().SetReading(true);
  Storage().SetLoadLimit(5, 5);
  {
    auto beyond = StyleOf(2, 9);
    beyond->Brush().SetBackgroundColor(4);
    EXPECT_EQ(Storage().FindCell(2, 9), nullptr);
    EXPECT_EQ(beyond->Brush().BackgroundColor(), 4);
    EXPECT_EQ(beyond->SharedRec()->RefCount, 1) << "held by the style alone";
  }
  Storage().ClearLoadLimit();
  Book().SetReading(false);
  EXPECT_EQ(Cache().StyleCount(), count);
  EXPECT_EQ(CellRec(2, 9), Rec0());
}

// --- Number format codes ---------------------------------------------------------------------

// A code of its own is classified into the built-in index (what typed text and currency go
// by), cells with the same code share a record, and setting the index drops the code.
TEST_F(TcxSSCellStyleTest, AFormatCodeIsClassifiedSharedAndDroppedWithTheIndex) {
  const struct {
    const char* Code;
    TxlsDataFormat Format;
    bool OwnCode;  // false: the code is the index's own string
  } cases[] = {
      {"0.000", 2, true},          {"dd/mm/yyyy", 14, true}, {"[h]:mm", 21, true},
      {"#,##0.00 \"€\"", 4, true}, {"$#,##0.0", 7, true},    {"0.00", 2, false},
      {"dd/mm/yy", 164, false},    {"\"x\"@", 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    {
      auto a = StyleOf(1, 1);
      a->SetFormatCode(c.Code);
      auto b = StyleOf(2, 1);
      b->SetFormatCode(c.Code);
      EXPECT_EQ(a->StoredFormat(), c.Format);
      EXPECT_EQ(a->FormatCode(), c.Code);
      EXPECT_EQ(a->NumberFormat() != nullptr, c.OwnCode);
      EXPECT_EQ(a->SharedRec(), b->SharedRec());
    }
    auto a = StyleOf(1, 1);
    a->SetStoredFormat(a->StoredFormat());
    EXPECT_EQ(a->NumberFormat(), nullptr) << "the index alone decides again";
    EXPECT_EQ(a->FormatCode(), BuiltInFormatString(c.Format));
    auto b = StyleOf(2, 1);
    b->SetFormat(1);
    EXPECT_EQ(b->NumberFormat(), nullptr);
    EXPECT_EQ(b->StoredFormat(), 1);
  }
}

// The reader marks a text that reads as a number with the text format; the format the file
// gave the cell stays as its code, so that the cell shows and saves it.
TEST_F(TcxSSCellStyleTest, TheReadersTextMarkKeepsTheFilesFormat) {
  constexpr TxlsDataFormat kTextPublished = 35;
  auto coded = StyleOf(1, 1);
  coded->SetFormatCode("0.000");
  const TcxNumberFormat* code = coded->NumberFormat();
  coded->ApplyFormat(kTextPublished);
  EXPECT_EQ(coded->StoredFormat(), kFormatText);
  EXPECT_EQ(coded->NumberFormat(), code);

  auto indexed = StyleOf(2, 1);
  indexed->SetStoredFormat(3);
  indexed->ApplyFormat(kTextPublished);
  EXPECT_EQ(indexed->StoredFormat(), kFormatText);
  ASSERT_NE(indexed->NumberFormat(), nullptr);
  EXPECT_EQ(indexed->NumberFormat()->Code(), "#,##0");
  EXPECT_EQ(indexed->NumberFormat()->BuiltIn(), 3);

  // A user's choice of the text format is the text format alone.
  auto typed = StyleOf(3, 1);
  typed->SetFormatCode("0.000");
  typed->SetFormat(kTextPublished);
  EXPECT_EQ(typed->NumberFormat(), nullptr);
}

// Every way a whole look travels carries the code: Assign, ApplyStyleRec (a record of the file
// reader, whose code is not this workbook's) and ApplyStoredRecord (undo).
TEST_F(TcxSSCellStyleTest, TheCodeTravelsWithTheLook) {
  auto source = StyleOf(1, 1);
  source->SetFormatCode("[Red]0.0%");
  auto target = StyleOf(4, 4);
  target->Assign(*source);
  EXPECT_EQ(target->NumberFormat(), source->NumberFormat());
  EXPECT_EQ(target->StoredFormat(), source->StoredFormat());

  const TcxNumberFormat fileCode("#,##0.00 \"din.\"", 4);
  TcxSSStyleRec rec = *Rec0();
  rec.Format = 4;
  rec.NumberFormat = &fileCode;
  auto applied = StyleOf(5, 5);
  applied->ApplyStyleRec(rec, false);
  ASSERT_NE(applied->NumberFormat(), nullptr);
  EXPECT_NE(applied->NumberFormat(), &fileCode);
  EXPECT_EQ(applied->NumberFormat(), Cache().GetNumberFormat("#,##0.00 \"din.\"", 4));

  auto restored = StyleOf(6, 6);
  restored->ApplyStoredRecord(rec);
  EXPECT_EQ(restored->NumberFormat(), applied->NumberFormat());
  restored->ApplyStoredRecord(*Rec0());
  EXPECT_EQ(restored->NumberFormat(), nullptr);
}
