// Copy, cut and paste through the in-memory clipboard: the private block byte for byte, the
// text format, pasting between workbooks, and undo then redo of every paste.

#include "sheet/cxSSClipboard.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "calc/cxSSNumberFormat.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"
#include "sheet/SheetFixture.h"
#include "sheet/cxSSBookFile.h"

namespace {

using ClipboardTest = SheetFixture;

// Reads the block back field by field, as the layout says.
class TBlock {
public:
  explicit TBlock(std::string data) : data_(std::move(data)) {}
  size_t Pos() const { return pos_; }
  size_t Size() const { return data_.size(); }
  uint8_t U8() { return static_cast<uint8_t>(data_.at(pos_++)); }
  uint16_t U16() {
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | U8() << 8);
  }
  int32_t I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(U8()) << (8 * i);
    return static_cast<int32_t>(v);
  }
  double F64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(U8()) << (8 * i);
    return std::bit_cast<double>(v);
  }
  std::string Bytes(size_t n) {
    std::string s = data_.substr(pos_, n);
    EXPECT_EQ(s.size(), n);
    pos_ += n;
    return s;
  }
  std::string Text() { return Bytes(static_cast<size_t>(I32())); }

private:
  std::string data_;
  size_t pos_ = 0;
};

TEST_F(ClipboardTest, CopyPutsTabSeparatedRowsWithCrLf) {
  //  A    B
  //  1    x
  //  =A1  2.5
  Fill("A1", "1|x\n=A1*2|");
  Storage().SetCellNumber(1, 1, 2.5);
  Sheet().CopyCells(Range("A1:B2"), false);
  EXPECT_EQ(Clipboard().Text(), "1\tx\r\n=A1*2\t2.5\r\n");
}

TEST_F(ClipboardTest, ThePrivateBlockFollowsItsLayoutByteForByte) {
  //  B2: 7.25 (bold Arial 10, red fill, thin left edge, centred, wrapped)   B3: =B2+1
  //  C2: text "né"                                                          C3: empty
  //  C2:D2 merged (reaches beyond the copied range)
  Storage().SetCellNumber(1, 1, 7.25);
  {
    auto style = StyleOf("B2");
    style->Font().SetValues("Arial", 10, 3, 238, kFontBold);
    style->Brush().SetValues(fsGray50, 10, 11);
    style->Borders().Left().SetValues(lsThin, 12);
    style->SetHorzTextAlign(haCENTER);
    style->SetWordBreak(true);
    style->SetStoredFormat(4);
  }
  Type("B3", "=B2+1");
  Type("C2", "n\xC3\xA9");
  Sheet().MergeCells(Range("C2:D2"), true);
  Sheet().CopyCells(Range("B2:C3"), false);

  TBlock block(*Clipboard().PrivateData());
  EXPECT_EQ(block.I32(), 1);  // left, top, right, bottom
  EXPECT_EQ(block.I32(), 1);
  EXPECT_EQ(block.I32(), 2);
  EXPECT_EQ(block.I32(), 2);
  ASSERT_EQ(block.I32(), 1);  // one merged area, stored form
  EXPECT_EQ(block.I32(), 2);
  EXPECT_EQ(block.I32(), 1);
  EXPECT_EQ(block.I32(), 4);
  EXPECT_EQ(block.I32(), 2);

  struct Expected {
    uint16_t format;
    uint8_t horz, wrap, brush;
    uint16_t fore, back;
    std::string font;
    uint16_t fontColor;
    uint8_t fontStyle, charset, size;
    uint8_t leftEdge;
    uint16_t leftColor;
    uint8_t kind;
    std::string text;
  };
  const Expected cells[] = {
      // B2, B3, C2, C3: column by column, top to bottom.
      {4, haCENTER, 1, fsGray50, 11, 10, "Arial", 3, kFontBold, 238, 10, lsThin, 12, 2, "7.25"},
      {0, haGENERAL, 0, fsSolid, kColorNone, kColorNone, "MS Sans Serif", 0, 0, 1, 8, lsDefault, kColorAuto, 1, "=B2+1"},
      {0, haGENERAL, 0, fsSolid, kColorNone, kColorNone, "MS Sans Serif", 0, 0, 1, 8, lsDefault, kColorAuto, 0, "n\xC3\xA9"},
      {0, haGENERAL, 0, fsSolid, kColorNone, kColorNone, "MS Sans Serif", 0, 0, 1, 8, lsDefault, kColorAuto, 0, ""},
  };
  for (const Expected& e : cells) {
    SCOPED_TRACE(e.text);
    const int32_t length = block.I32();
    const size_t start = block.Pos();
    EXPECT_EQ(block.U16(), e.format);
    EXPECT_EQ(block.U8(), e.horz);
    EXPECT_EQ(block.U8(), vaCENTER);
    EXPECT_EQ(block.U8(), e.wrap);
    EXPECT_EQ(block.U8(), 0);  // reserved
    EXPECT_EQ(block.U8(), e.brush);
    EXPECT_EQ(block.U16(), e.fore);
    EXPECT_EQ(block.U16(), e.back);
    EXPECT_EQ(block.Text(), e.font);
    EXPECT_EQ(block.U16(), e.fontColor);
    EXPECT_EQ(block.U8(), e.fontStyle);
    EXPECT_EQ(block.U8(), e.charset);
    EXPECT_EQ(block.U8(), e.size);
    EXPECT_EQ(block.U8(), e.leftEdge);
    EXPECT_EQ(block.U16(), e.leftColor);
    for (int edge = 1; edge < 4; ++edge) {
      block.U8();
      block.U16();
    }
    const uint8_t flags = block.U8();
    EXPECT_EQ(flags & kStyleMerged, e.text == "n\xC3\xA9" ? kStyleMerged : 0);
    ASSERT_EQ(block.U8(), e.kind);
    if (e.kind == 2) {
      EXPECT_EQ(block.F64(), 7.25);
    }
    if (e.kind == 1) {
      const uint16_t size = block.U16();
      const std::string tokens = block.Bytes(size);
      EXPECT_EQ(tokens, std::string(Cell("B3").Formula->Tokens.begin(), Cell("B3").Formula->Tokens.end()));
    }
    EXPECT_EQ(block.Text(), e.text);
    EXPECT_EQ(block.Pos() - start, static_cast<size_t>(length));
  }
  EXPECT_EQ(block.Bytes(3), std::string("\r\n\0", 3));
  EXPECT_EQ(block.Pos(), block.Size());
}

TEST_F(ClipboardTest, PasteBringsValuesStylesFormulasAndMergedAreas) {
  //  A   B          copied A1:B2, pasted at C4
  //  5   =A1*2
  //  6   =A2+B1     (A2:B2 merged? no: A1:A2 merged below)
  Fill("A1", "5|=A1*2\n6|=A2+B1");
  StyleOf("A1")->Brush().SetBackgroundColor(9);
  StyleOf("B2")->Font().SetStyle(kFontItalic);
  StyleOf("B1")->SetFormatCode("0.000 \"kg\"");
  StyleOf("D5")->SetFormatCode("[Red]0");  // pasted over by B2, which has no code
  Sheet().MergeCells(Range("A1:A2"), true);
  Sheet().CopyCells(Range("A1:B2"), false);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().PasteCells(Range("C4"));
  EXPECT_EQ(Grid("C4:D5"), "5|=C4*2\n6|=C5+D4");
  book->Recalc();
  EXPECT_EQ(Show("D5"), "16");
  EXPECT_EQ(Cell("C4").Style->BackgroundColor, 9);
  EXPECT_EQ(Cell("D5").Style->Font->Style, kFontItalic);
  ASSERT_NE(Cell("D4").Style->NumberFormat, nullptr);
  EXPECT_EQ(Cell("D4").Style->NumberFormat->Code(), "0.000 \"kg\"");
  EXPECT_EQ(Cell("D5").Style->NumberFormat, nullptr);
  EXPECT_EQ(Storage().MergedCells().GetAll().back(), (TRect{2, 3, 3, 5}));
  EXPECT_EQ(Sheet().Selection(), Range("C4:C5"));  // the pasted merged area
  EXPECT_EQ(Steps(), std::vector<std::string>{"Paste cells"});
  EXPECT_TRUE(Storage().CheckConsistency());
  ExpectUndoRedo(before);
}

// The text's rotation, indent, reading order, last-line justification and an 8.5-point size go
// with the cells, with or without a format code of their own; plain cells carry none of it.
TEST_F(ClipboardTest, PasteKeepsRotationIndentDirectionAndHalfPointSizes) {
  Fill("A1", "a|b|c");
  const auto turn = [&](const char* cell, uint8_t rotation, uint8_t indent) {
    auto style = StyleOf(cell);
    TcxSSStyleRec rec = style->Rec();
    rec.HorzTextAlign = haDISTRIBUTED;
    rec.VertTextAlign = vaDISTRIBUTED;
    rec.Rotation = rotation;
    rec.Indent = indent;
    rec.TextDirection = tdRightToLeft;
    rec.JustifyLastLine = true;
    style->ApplyStyleRec(rec, false);
    style->Font().SetValuesOfHeight("Arial", 170, 0, 1, 0);
  };
  turn("A1", kRotationStacked, 3);
  turn("B1", 135, 15);
  StyleOf("B1")->SetFormatCode("0.0");
  Sheet().CopyCells(Range("A1:C1"), false);
  Sheet().PasteCells(Range("A3"));
  for (const char* from : {"A1", "B1", "C1"}) {
    SCOPED_TRACE(from);
    std::string to = from;
    to[1] = '3';
    const TcxSSStyleRec& a = *Cell(from).Style;
    const TcxSSStyleRec& b = *Cell(to.c_str()).Style;
    EXPECT_EQ(b.HorzTextAlign, a.HorzTextAlign);
    EXPECT_EQ(b.VertTextAlign, a.VertTextAlign);
    EXPECT_EQ(b.Rotation, a.Rotation);
    EXPECT_EQ(b.Indent, a.Indent);
    EXPECT_EQ(b.TextDirection, a.TextDirection);
    EXPECT_EQ(b.JustifyLastLine, a.JustifyLastLine);
    EXPECT_EQ(b.Font->Height, a.Font->Height);
  }
  EXPECT_EQ(Cell("A3").Style->Rotation, kRotationStacked);
  EXPECT_EQ(Cell("B3").Style->Indent, 15);
  EXPECT_EQ(Cell("B3").Style->Font->Height, 170);
  ASSERT_NE(Cell("B3").Style->NumberFormat, nullptr);
  EXPECT_EQ(Cell("B3").Style->NumberFormat->Code(), "0.0");
  EXPECT_EQ(Cell("A3").Style->NumberFormat, nullptr);
}

TEST_F(ClipboardTest, ARelativeReferenceFollowsThePastedCell) {
  Fill("B1", "10\n=B1+1");
  Sheet().CopyCells(Range("B2"), false);
  Sheet().PasteCells(Range("B5"));
  EXPECT_EQ(Grid("B5"), "=B4+1");
  // Pasted where the cell above does not exist, the formula becomes "#REF!".
  Sheet().PasteCells(Range("C1"));
  EXPECT_EQ(Cell("C1").Kind, ckText);
  EXPECT_EQ(Grid("C1"), "#REF!");
}

TEST_F(ClipboardTest, SheetReferencesMoveByThePasteOffset) {
  book->AddSheet("Data");
  Type("A1", "=Data!B2*2");
  Sheet().CopyCells(Range("A1"), false);
  Sheet().PasteCells(Range("C3"));
  EXPECT_EQ(Grid("C3"), "=Data!D4*2");
}

TEST_F(ClipboardTest, CutClearsValuesKeepsLooksAndPastesTwice) {
  Fill("A1", "a|b");
  StyleOf("A1")->Brush().SetBackgroundColor(12);
  StyleOf("B1")->Borders().Bottom().SetValues(lsThick, 8);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().CopyCells(Range("A1:B1"), true);
  EXPECT_EQ(Grid("A1:B1"), "|");
  EXPECT_EQ(Cell("A1").Style->BackgroundColor, 12);
  EXPECT_EQ(Cell("B1").Style->Edges[eBottom].Style, lsThick);
  EXPECT_EQ(Steps(), std::vector<std::string>{"Cut cells"});
  ExpectUndoRedo(before);

  Sheet().PasteCells(Range("A3"));
  Sheet().PasteCells(Range("A5"));
  EXPECT_EQ(Grid("A3:B5"), "a|b\n|\na|b");
  EXPECT_EQ(Cell("A5").Style->BackgroundColor, 12);
  EXPECT_EQ(Cell("B3").Style->Edges[eBottom].Style, lsThick);
}

TEST_F(ClipboardTest, ACutOfProtectedCellsStillCopies) {
  Fill("A1", "a");
  ForgetHistory();
  Sheet().SetProtected(true);
  Sheet().CopyCells(Range("A1"), true);
  EXPECT_EQ(Grid("A1"), "a");
  EXPECT_EQ(Clipboard().Text(), "a\r\n");
  EXPECT_TRUE(Steps().empty());
}

TEST_F(ClipboardTest, PastingIntoAnotherWorkbook) {
  //  Both workbooks run in one program, so they share the clipboard.
  Fill("A1", "1|=A1+1");
  StyleOf("B1")->Font().SetValues("Courier New", 12, 4, 1, kFontUnderline);
  Sheet().CopyCells(Range("A1:B1"), false);
  TcxSpreadSheetBook other(environment);
  TcxSSBookSheet& target = other.Pages(0);
  target.PasteCells(Range("B2"));
  EXPECT_EQ(target.DataStorage().GetEditText(1, 1), "1");
  EXPECT_EQ(target.DataStorage().GetEditText(2, 1), "=B2+1");
  const TcxSSFontRec& font = *target.DataStorage().OwnCell(2, 1).Style->Font;
  EXPECT_EQ(font.Name, "Courier New");
  EXPECT_EQ(font.Size(), 12);
  EXPECT_EQ(font.Style, kFontUnderline);
  other.Recalc();
  EXPECT_EQ(other.FormulasCache().DisplayText(*target.DataStorage().OwnCell(2, 1).Formula), "2");
  EXPECT_EQ(other.History().UndoDescriptions(), std::vector<std::string>{"Paste cells"});
  other.History().Undo(1);
  EXPECT_EQ(target.DataStorage().GetEditText(2, 1), "");
}

// Everything a cell's own record holds, as text: its value and the values of its style and font.
std::string Look(const TcxSSDataStorage& storage, int col, int row, bool withFormulaText) {
  const TcxSSCellRec& cell = storage.OwnCell(col, row);
  const TcxSSStyleRec& s = *cell.Style;
  const TcxSSFontRec& f = *s.Font;
  std::ostringstream out;
  out << "kind " << int(cell.Kind) << " '" << (cell.Kind != ckFormula || withFormulaText ? cell.Text : "")
      << "' " << cell.Number << " fmt " << s.Format << " code "
      << (s.NumberFormat ? s.NumberFormat->Code() + "/" + std::to_string(s.NumberFormat->BuiltIn()) : "-")
      << " align " << int(s.HorzTextAlign) << "/"
      << int(s.VertTextAlign) << " wrap " << s.WordBreak << " res " << int(s.Reserved) << " flags "
      << int(s.Flags) << " brush " << int(s.BrushStyle) << "/" << s.ForegroundColor << "/"
      << s.BackgroundColor << " edges";
  for (const auto& e : s.Edges) out << " " << int(e.Style) << "/" << e.Color;
  out << " font " << f.Name << "/" << int(f.Size()) << "/" << int(f.Style) << "/" << f.FontColor << "/"
      << int(f.Charset);
  return out.str();
}

// Real workbooks copied whole from one workbook and pasted into another: at A1 every cell comes
// over exactly (values, formulas, styles, fonts, merged areas); further down and right the
// values and looks are the same and the formulas have moved with their cells.
TEST_F(ClipboardTest, ACopyOfARealSheetPastesIntoAnotherWorkbookExactly) {
  const char* const files[] = {"sheetjs-merge_cells.xls", "poi-SimpleWithColours.xls",
                               "poi-55341_CellStyleBorder.xls", "sheetjs-formulae_test_simple.xls",
                               "sheetjs-cell_style_simple.xls", "poi-FormatChoiceTests.xls", "xlrd-Formate.xls"};
  for (const char* file : files) {
    SCOPED_TRACE(file);
    TcxSpreadSheetBook source(environment);
    source.LoadFromFile(std::string(ZOF_CORPUS_DIR) + "/" + file);
    TcxSSBookSheet& from = source.ActiveSheet();
    const TcxSSDataStorage& cells = from.DataStorage();
    ASSERT_GT(cells.ColCount(), 0);
    const TRect used{0, 0, cells.ColCount() - 1, cells.RowCount() - 1};
    from.CopyCells(used, false);

    for (const TPoint at : {TPoint{0, 0}, TPoint{3, 2}}) {
      SCOPED_TRACE(at.X);
      TcxSpreadSheetBook target(environment);
      TcxSSBookSheet& to = target.ActiveSheet();
      to.PasteCells({at.X, at.Y, at.X, at.Y});
      const bool exact = at.X == 0 && at.Y == 0;
      int formulas = 0;
      for (int col = used.Left; col <= used.Right; ++col)
        for (int row = used.Top; row <= used.Bottom; ++row) {
          const std::string expected = Look(cells, col, row, exact);
          ASSERT_EQ(Look(to.DataStorage(), col + at.X, row + at.Y, exact), expected)
              << TcxSSUtils::ColumnName(col) << row + 1;
          if (cells.OwnCell(col, row).Kind == ckFormula) ++formulas;
        }
      TcxSSRectsArray moved = cells.MergedCells().GetAll();
      for (TRect& r : moved) r = {r.Left + at.X, r.Top + at.Y, r.Right + at.X, r.Bottom + at.Y};
      EXPECT_EQ(to.DataStorage().MergedCells().GetAll(), moved);
      EXPECT_EQ(target.FormulasCache().Count(), formulas);
      EXPECT_TRUE(to.DataStorage().CheckConsistency());
      EXPECT_EQ(target.History().UndoDescriptions(), std::vector<std::string>{"Paste cells"});
      target.History().Undo(1);
      EXPECT_EQ(to.DataStorage().MergedCells().Count(), 0);
      EXPECT_EQ(target.FormulasCache().Count(), 0);
    }
  }
}

TEST_F(ClipboardTest, PastingOntoMergedCellsIsRefused) {
  Fill("A1", "a|b");
  Sheet().CopyCells(Range("A1:B1"), false);
  Sheet().MergeCells(Range("D2:E3"), true);
  ForgetHistory();
  const std::string before = Snapshot(*book);
  try {
    Sheet().PasteCells(Range("C2"));
    ADD_FAILURE() << "no error";
  } catch (const ESpreadSheetError& e) {
    EXPECT_EQ(std::string(e.what()), kCannotChangePartOfMerged);
  }
  EXPECT_EQ(Snapshot(*book), before);
  EXPECT_TRUE(Steps().empty());
  EXPECT_EQ(book->LockCount(), 0);
  EXPECT_EQ(Sheet().Selection(), Range("A1"));  // the top-left target cell is not merged
}

TEST_F(ClipboardTest, ProtectedTargetCellsAreSkipped) {
  Fill("A1", "a|b");
  Sheet().CopyCells(Range("A1:B1"), false);
  Sheet().SetProtected(true);
  for (int col = 0; col < 5; ++col) Sheet().ColumnHeader().SetLocked(col, false);
  Sheet().PasteCells(Range("B3"));  // unstored cells of unlocked columns
  EXPECT_EQ(Grid("B3:C3"), "a|b");
  Storage().SetCellText(4, 5, "keep", false, false);  // E6: a locked stored cell
  Sheet().PasteCells(Range("D6"));                     // D6 changes, E6 is skipped
  EXPECT_EQ(Grid("D6:E6"), "a|keep");
  const std::string before = Snapshot(*book);
  Sheet().PasteCells(Range("E6"));  // a protected top-left cell cancels the paste
  EXPECT_EQ(Snapshot(*book), before);
}

TEST_F(ClipboardTest, EditingHandlerMayRefuseThePaste) {
  Fill("A1", "a");
  Sheet().CopyCells(Range("A1"), false);
  std::vector<TPoint> asked;
  book->OnEditing = [&](TcxSSBookSheet&, int col, int row, bool& canEdit) {
    asked.push_back({col, row});
    canEdit = false;
  };
  int ended = 0;
  book->OnEndEdit = [&](TcxCustomSpreadSheetBook&) { ++ended; };
  Sheet().PasteCells(Range("C3:D4"));
  EXPECT_EQ(asked, (std::vector<TPoint>{TPoint{2, 2}}));
  EXPECT_EQ(Grid("C3"), "");
  EXPECT_EQ(ended, 0);
  book->OnEditing = nullptr;
  Sheet().PasteCells(Range("C3:D4"));
  EXPECT_EQ(Grid("C3"), "a");
  EXPECT_EQ(ended, 1);
}

struct TextCase {
  const char* name;
  const char* text;
  const char* expected;  // C5:E6 afterwards
};

const TextCase kTextCases[] = {
    {"two tabs clear the cell between", "1\t\t3\r\n", "1||3\nc6|d6|e6"},
    {"two lines fill two rows", "x\r\ny\r\n", "x|d5|e5\ny|d6|e6"},
    {"LF only keeps the last line", "p\nq\nr\n", "r|d5|e5\nc6|d6|e6"},
    {"text without a line end", "u\tv", "u|v|e5\nc6|d6|e6"},
    {"lone CR moves down", "1\r2\r", "1|d5|e5\n2|d6|e6"},
};

TEST_F(ClipboardTest, PlainTextIsPastedCellByCell) {
  for (const TextCase& c : kTextCases) {
    SCOPED_TRACE(c.name);
    book = std::make_unique<TcxSpreadSheetBook>(environment);
    Fill("C5", "c5|d5|e5\nc6|d6|e6");
    Clipboard().SetText(c.text);
    ForgetHistory();
    const std::string before = Snapshot(*book);
    Sheet().PasteCells(Range("C5"));
    EXPECT_EQ(Grid("C5:E6"), c.expected);
    EXPECT_EQ(Steps(), std::vector<std::string>{"Paste cells"});
    ExpectUndoRedo(before);
  }
}

TEST_F(ClipboardTest, TextPasteReportsTheAreaItReached) {
  std::vector<TPoint> changed;
  Clipboard().SetText("1\t\t3\r\nx\r\n");
  book->OnCellChange = [&](TcxSSBookSheet&, int col, int row) { changed.push_back({col, row}); };
  Sheet().PasteCells(Range("C5"));
  book->OnCellChange = nullptr;
  // The last report is the changed area, C5:E6, cell by cell.
  ASSERT_GE(changed.size(), 6u);
  const std::vector<TPoint> area(changed.end() - 6, changed.end());
  EXPECT_EQ(area, (std::vector<TPoint>{{2, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 4}, {4, 5}}));
  EXPECT_EQ(Grid("C5:E6"), "1||3\nx||");
}

TEST_F(ClipboardTest, AnEmptyClipboardPastesNothing) {
  Fill("A1", "a");
  ForgetHistory();
  const std::string before = Snapshot(*book);
  Sheet().PasteCells(Range("A1"));
  EXPECT_EQ(Snapshot(*book), before);
  EXPECT_TRUE(Steps().empty());
}

TEST_F(ClipboardTest, DamagedPrivateBlocksAreReadNoFurtherThanTheyReach) {
  Fill("A1", "a|b\nc|d");
  Sheet().CopyCells(Range("A1:B2"), false);
  const std::string good = *Clipboard().PrivateData();
  // 20 bytes of rectangle and merged count, then four cells of 4 + 52 bytes, then CR LF 0.
  ASSERT_EQ(good.size(), 20u + 4 * 56 + 3);
  // Cut short inside the third cell: the first two cells (column A) are pasted.
  const size_t cut = 20 + 2 * 56 + 10;
  Clipboard().SetContents(good.substr(0, cut), "ignored\r\n");
  Sheet().PasteCells(Range("D1"));
  EXPECT_EQ(Grid("D1:E2"), "a|\nc|");

  // A rectangle the block cannot hold, a negative length, garbage: nothing is pasted.
  std::string huge = good;
  const int32_t big = 0x7FFFFFF0;
  std::memcpy(huge.data() + 8, &big, 4);
  std::string negative = good;
  const int32_t minus = -5;
  std::memcpy(negative.data() + 20, &minus, 4);
  for (const std::string& bad : {huge, negative, std::string("\x01\x02\x03"), good.substr(0, 10)}) {
    book = std::make_unique<TcxSpreadSheetBook>(environment);
    Clipboard().SetContents(bad, "");
    Sheet().PasteCells(Range("A1"));
    EXPECT_TRUE(Storage().CheckConsistency());
    EXPECT_EQ(Grid("A1:B2"), "|\n|");
  }
}

TEST_F(ClipboardTest, UnicodeTextGetsALineEnd) {
  TcxSSClipboard clipboard(*environment->Clipboard);
  Clipboard().SetText("abc");
  EXPECT_EQ(clipboard.GetUnicodeText(), "abc\r\n");
  Clipboard().SetText("abc\n");
  EXPECT_EQ(clipboard.GetUnicodeText(), "abc\n");
  Clipboard().SetText("");
  EXPECT_EQ(clipboard.GetUnicodeText(), "");
  EXPECT_EQ(clipboard.GetPrivateData(), "");
  clipboard.SetContents(std::string("x\0y", 3), "t");
  EXPECT_EQ(*Clipboard().PrivateData(), std::string("x\0y\0", 4));
  EXPECT_EQ(clipboard.GetPrivateData(), std::string("x\0y\0", 4));
}

}  // namespace
