#include "xls/cxExcelFileWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <sstream>

#include "calc/cxSSNumberFormat.h"
#include "platform/FixedPlatform.h"
#include "styles/cxSSStyleTypes.h"
#include "xls/BiffTestSupport.h"
#include "xls/cxBiffRecords.h"
#include "xls/cxCompoundDocument.h"

using namespace bifftest;

namespace {

constexpr uint16_t kBof = 0x0809, kEof = 0x000A, kTabId = 0x013D, kWindow1 = 0x003D,
                   kFont = 0x0031, kFormat = 0x041E, kXf = 0x00E0, kPalette = 0x0092,
                   kStyle = 0x0293, kBoundSheet = 0x0085, kSupBook = 0x01AE,
                   kExternSheet = 0x0017, kProtect = 0x0012, kName = 0x0018, kSst = 0x00FC,
                   kExtSst = 0x00FF, kIndex = 0x020B, kDimensions = 0x0200, kWindow2 = 0x023E,
                   kRefMode = 0x000F, kDefColWidth = 0x0055, kColInfo = 0x007D, kRow = 0x0208,
                   kBlank = 0x0201, kNumber = 0x0203, kRk = 0x027E, kLabelSst = 0x00FD,
                   kBoolErr = 0x0205, kFormula = 0x0006, kString = 0x0207,
                   kMergedCells = 0x00E5, kStandardWidth = 0x0099, kSelection = 0x001D;

// A writer fed as the workbook feeds it: page count, palette, workbook protection and the
// default style (an Arial 10 record, locked unless said otherwise).
class WriterFixture : public ::testing::Test {
protected:
  WriterFixture() : environment_(MakeFixedEnvironment(TRegionalSettings::English())) {
    font_.Name = "Arial";
    font_.Height = 200;
    defaultRec_.Font = &font_;
  }

  TcxExcelFileWriter& Begin(int pages = 1, bool defaultLocked = true) {
    writer_ = std::make_unique<TcxExcelFileWriter>(environment_);
    writer_->SetPageCount(pages);
    writer_->WritePalette(kDefaultPalette);
    writer_->WriteProtection(-1, false);
    if (!defaultLocked) defaultRec_.Flags &= ~kStyleLocked;
    writer_->WriteDefaultStyle(defaultRec_);
    return *writer_;
  }

  // The sheet with its header records, as the workbook begins every sheet.
  int Sheet(const std::string& caption = "Sheet1", TcxSheetVisibility visibility = svVisible) {
    const int s = writer_->BeginSheet(caption, true, 1, visibility);
    writer_->WriteProtection(s, false);
    writer_->WriteDefaultColWidth(s, 85);
    return s;
  }

  void Parse() {
    stream_ = writer_->WorkbookStream();
    all_ = Records(stream_);
    globals_ = Substream(all_, 0);
    sheets_.clear();
    for (const TRec* b : OfId(globals_, kBoundSheet)) sheets_.push_back(Substream(all_, b->U32(0)));
  }

  // The cell records of sheet `s` (after its DEFCOLWIDTH, COLINFO and ROW records).
  std::vector<TRec> Cells(size_t s) const {
    std::vector<TRec> cells;
    for (const TRec& r : sheets_.at(s))
      if (r.Id == kBlank || r.Id == kNumber || r.Id == kRk || r.Id == kLabelSst ||
          r.Id == kBoolErr || r.Id == kFormula || r.Id == kString)
        cells.push_back(r);
    return cells;
  }

  std::vector<std::u16string> Strings() const {
    for (size_t i = 0; i < globals_.size(); ++i)
      if (globals_[i].Id == kSst) return SharedStrings(globals_, i);
    return {};
  }

  // XF record `index` of the globals.
  const TRec& Xf(size_t index) const { return *OfId(globals_, kXf).at(index); }

  std::shared_ptr<TcxEnvironment> environment_;
  TcxSSFontRec font_;
  TcxSSStyleRec defaultRec_;
  std::unique_ptr<TcxExcelFileWriter> writer_;
  std::vector<uint8_t> stream_;
  std::vector<TRec> all_, globals_;
  std::vector<std::vector<TRec>> sheets_;
};

}  // namespace

TEST_F(WriterFixture, EmptySheetIsTheTemplateAndTheSheetHead) {
  Begin();
  Sheet();
  Parse();
  std::vector<uint16_t> expected = {kBof, kTabId, kWindow1, kFont, kFont, kFont, kFont, kFont,
                                    kFormat, kFormat};
  expected.insert(expected.end(), 18, kXf);
  expected.push_back(kPalette);
  expected.insert(expected.end(), 6, kStyle);
  for (uint16_t id : {kBoundSheet, kSupBook, kExternSheet, kProtect, kEof}) expected.push_back(id);
  EXPECT_EQ(Ids(globals_), expected);
  ASSERT_EQ(sheets_.size(), 1u);
  EXPECT_EQ(Ids(sheets_[0]), (std::vector<uint16_t>{kBof, kIndex, kDimensions, kWindow2, kSelection,
                                                    kRefMode, kProtect, kDefColWidth,
                                                    kStandardWidth, kEof}));
  const TRec& dims = sheets_[0][2];
  EXPECT_EQ(dims.U32(4), 0u);
  EXPECT_EQ(dims.U16(10), 0u);
  EXPECT_EQ(sheets_[0][3].U16(0), 0x06B6);
  EXPECT_EQ(sheets_[0][7].U16(0), 10);  // 85 pixels ÷ 8.38
  // 10 characters read back as 84 pixels: the exact width follows in 1/256 of a character.
  EXPECT_EQ(sheets_[0][8].U16(0), 2699);  // 85 × 262 ÷ 8.25
  // BOF of the globals and of the sheet.
  EXPECT_EQ(globals_[0].U16(0), 0x0600);
  EXPECT_EQ(globals_[0].U16(2), 0x0005);
  EXPECT_EQ(sheets_[0][0].U16(2), 0x0010);
  // Links: one tab id, SUPBOOK of one sheet for this workbook, one EXTERNSHEET entry.
  EXPECT_EQ(OfId(globals_, kTabId)[0]->Data, (std::vector<uint8_t>{1, 0}));
  EXPECT_EQ(OfId(globals_, kSupBook)[0]->Data, (std::vector<uint8_t>{1, 0, 1, 4}));
  EXPECT_EQ(OfId(globals_, kExternSheet)[0]->Data, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
  // The container holds exactly this stream.
  std::vector<uint8_t> file;
  writer_->WriteWorkbook(file);
  TcxWorkBookReader reader(file);
  ASSERT_TRUE(reader.Loaded());
  EXPECT_TRUE(std::equal(reader.Buffer().begin(), reader.Buffer().end(), stream_.begin(), stream_.end()));
}

TEST_F(WriterFixture, SheetsGetTheirLinksAndPositions) {
  Begin(3);
  for (const char* caption : {"Prvi", "Drugi list", "Ćirilica Љ"}) Sheet(caption);
  Parse();
  const auto bound = OfId(globals_, kBoundSheet);
  ASSERT_EQ(bound.size(), 3u);
  const std::u16string names[] = {u"Prvi", u"Drugi list", u"Ćirilica Љ"};
  for (size_t i = 0; i < 3; ++i) {
    const TRec& b = *bound[i];
    EXPECT_EQ(b.Data[4], 0);  // visible
    EXPECT_EQ(b.Data[5], 0);  // worksheet
    ASSERT_EQ(b.Data[6], names[i].size());
    EXPECT_EQ(b.Data[7], 1);
    std::u16string name;
    for (size_t k = 0; k < names[i].size(); ++k) name.push_back(static_cast<char16_t>(b.U16(8 + 2 * k)));
    EXPECT_EQ(name, names[i]);
    EXPECT_EQ(sheets_[i].front().Id, kBof);
    EXPECT_EQ(sheets_[i][3].U16(0), i == 0 ? 0x06B6 : 0x00B6);
  }
  EXPECT_EQ(OfId(globals_, kTabId)[0]->Data, (std::vector<uint8_t>{1, 0, 2, 0, 3, 0}));
  EXPECT_EQ(OfId(globals_, kExternSheet)[0]->U16(0), 3);
  EXPECT_EQ(OfId(globals_, kExternSheet)[0]->U16(2 + 6 * 2 + 2), 2);
  EXPECT_EQ(OfId(globals_, kSupBook)[0]->U16(0), 3);
}

// A hidden sheet stays hidden, a very hidden one very hidden, and the first visible sheet is the
// active one when the one asked for is hidden.
TEST_F(WriterFixture, HiddenSheetsAreWrittenHidden) {
  Begin(3);
  Sheet("A", svHidden);
  Sheet("B");
  Sheet("C", svVeryHidden);
  writer_->SetActiveSheet(2);
  Parse();
  const auto bound = OfId(globals_, kBoundSheet);
  EXPECT_EQ(bound[0]->Data[4], 1);
  EXPECT_EQ(bound[1]->Data[4], 0);
  EXPECT_EQ(bound[2]->Data[4], 2);
  EXPECT_EQ(OfId(globals_, kWindow1)[0]->U16(10), 1);  // active tab
  EXPECT_EQ(sheets_[0][3].U16(0), 0x00B6);
  EXPECT_EQ(sheets_[1][3].U16(0), 0x06B6);
}

TEST_F(WriterFixture, GridOffClearsTheGridBit) {
  Begin();
  writer_->BeginSheet("S", false, 1);
  Parse();
  EXPECT_EQ(sheets_[0][3].U16(0), 0x06B4);
}

TEST_F(WriterFixture, NumbersUseRkOnlyWhenItIsExact) {
  const double values[] = {0, 1, -1, 125, 1.25, 0.5, 0.1, 536870911, -536870912, 536870912,
                           1e300, 123456789.123, 1.0 / 3, -0.0, 2.5e-7, 44927.5};
  Begin();
  Sheet();
  for (int i = 0; i < static_cast<int>(std::size(values)); ++i)
    writer_->WriteCell(0, 0, false, values[i], i);
  Parse();
  const auto cells = Cells(0);
  ASSERT_EQ(cells.size(), std::size(values));
  for (size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(values[i]);
    EXPECT_EQ(cells[i].U16(0), i);
    const double x = values[i];
    double read;
    if (cells[i].Id == kRk) {
      read = DecodeRkValue(cells[i].U32(6));
    } else {
      ASSERT_EQ(cells[i].Id, kNumber);
      read = cells[i].F64(6);
    }
    EXPECT_EQ(std::memcmp(&read, &x, sizeof x), 0) << "value changed on its way into the file";
  }
  EXPECT_EQ(cells[1].Id, kRk);
  EXPECT_EQ(cells[4].Id, kRk);  // 1.25 as 125 ÷ 100
  EXPECT_EQ(cells[10].Id, kNumber);
  EXPECT_EQ(cells[11].Id, kNumber);
}

TEST_F(WriterFixture, TextCellsBecomeNumbersBooleansErrorsOrSharedStrings) {
  const struct {
    TcxCellValue Value;
    bool TextFormat;
    uint16_t Id;
    double Number;      // NUMBER, RK
    int Byte;           // BOOLERR value
    bool IsError;
    const char16_t* Label;
  } cases[] = {
      {std::string_view("12"), false, kRk, 12, 0, false, nullptr},
      {std::string_view("12"), true, kLabelSst, 0, 0, false, u"12"},
      {std::string_view(" -1.5E3 "), false, kRk, -1500, 0, false, nullptr},
      {std::string_view("1,5"), false, kLabelSst, 0, 0, false, u"1,5"},
      {std::string_view("TRUE"), false, kBoolErr, 0, 1, false, nullptr},
      {std::string_view("FALSE"), false, kBoolErr, 0, 0, false, nullptr},
      {std::string_view("TRUE"), true, kLabelSst, 0, 0, false, u"TRUE"},
      {std::string_view("true"), false, kLabelSst, 0, 0, false, u"true"},
      {std::string_view("#DIV/0!"), false, kBoolErr, 0, 0x07, true, nullptr},
      {std::string_view("#N/A!"), false, kBoolErr, 0, 0x2A, true, nullptr},
      {std::string_view("#NAME!"), false, kBoolErr, 0, 0x1D, true, nullptr},
      {std::string_view("Zdravo, svete"), false, kLabelSst, 0, 0, false, u"Zdravo, svete"},
      {std::string_view("Ђурђевак ☺"), false, kLabelSst, 0, 0, false, u"Ђурђевак ☺"},
      {std::string_view(""), false, kBlank, 0, 0, false, nullptr},
      {std::monostate{}, false, kBlank, 0, 0, false, nullptr},
      {std::numeric_limits<double>::infinity(), false, kBoolErr, 0, 0x24, true, nullptr},
  };
  Begin();
  Sheet();
  writer_->RegisterStyle(defaultRec_);
  const uint16_t xf = writer_->CurrentXf();
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
    writer_->WriteCell(0, 3, cases[i].TextFormat, cases[i].Value, i);
  Parse();
  const auto cells = Cells(0);
  const auto strings = Strings();
  ASSERT_EQ(cells.size(), std::size(cases));
  for (size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    const TRec& r = cells[i];
    ASSERT_EQ(r.Id, c.Id);
    EXPECT_EQ(r.U16(0), i);
    EXPECT_EQ(r.U16(2), 3);
    EXPECT_EQ(r.U16(4), xf);
    if (c.Id == kRk) {
      EXPECT_EQ(DecodeRkValue(r.U32(6)), c.Number);
    }
    if (c.Id == kBoolErr) {
      EXPECT_EQ(r.Data[6], c.Byte);
      EXPECT_EQ(r.Data[7], c.IsError ? 1 : 0);
    }
    if (c.Id == kLabelSst) {
      EXPECT_EQ(strings.at(r.U32(6)), c.Label);
    }
  }
}

TEST_F(WriterFixture, SameTextTwiceIsOneSharedString) {
  Begin();
  Sheet();
  const std::string long251(251, 'q');
  writer_->WriteCell(0, 0, false, std::string_view(long251), 0);
  writer_->WriteCell(0, 0, false, std::string_view(long251), 1);
  Parse();
  uint32_t total = 0;
  size_t sst = 0;
  while (globals_[sst].Id != kSst) ++sst;
  const auto strings = SharedStrings(globals_, sst, &total);
  EXPECT_EQ(strings.size(), 1u);
  EXPECT_EQ(total, 2u);
  EXPECT_EQ(globals_[sst + 1].Id, kExtSst);
  const auto cells = Cells(0);
  EXPECT_EQ(cells[0].U32(6), 0u);
  EXPECT_EQ(cells[1].U32(6), 0u);
}

TEST_F(WriterFixture, DimensionsCoverEveryCellRecord) {
  Begin();
  Sheet();
  writer_->WriteCell(0, 4, false, 1.0, 2);
  writer_->WriteCell(0, 1, false, std::monostate{}, 9);
  writer_->WriteCell(0, 255, false, 1.0, 65535);
  writer_->WriteCell(0, 256, false, 1.0, 0);     // outside the format: not written
  writer_->WriteCell(0, 0, false, 1.0, 65536);
  Parse();
  EXPECT_EQ(Cells(0).size(), 3u);
  const TRec& dims = sheets_[0][2];
  EXPECT_EQ(dims.U32(4), 65536u);
  EXPECT_EQ(dims.U16(10), 256);
}

TEST_F(WriterFixture, CellsOfOneStyleRecordShareAnXf) {
  TcxSSStyleRec bold = defaultRec_;
  TcxSSFontRec boldFont = font_;
  boldFont.Style = kFontBold | kFontItalic | kFontUnderline | kFontStrikeOut;
  boldFont.FontColor = 2;
  boldFont.Height = 240;
  bold.Font = &boldFont;
  TcxSSStyleRec other = defaultRec_;
  other.Format = 10;
  Begin();
  Sheet();
  writer_->RegisterStyle(defaultRec_);
  const uint16_t plain = writer_->CurrentXf();
  writer_->RegisterStyle(bold);
  const uint16_t boldXf = writer_->CurrentXf();
  writer_->RegisterStyle(defaultRec_);
  EXPECT_EQ(writer_->CurrentXf(), plain);
  writer_->RegisterStyle(other);
  EXPECT_EQ(writer_->CurrentXf(), boldXf + 1);
  EXPECT_EQ(plain, 18);  // after the template's 17 and the column XF
  EXPECT_EQ(boldXf, 19);
  writer_->RegisterStyle(bold);
  EXPECT_EQ(writer_->CurrentXf(), boldXf);
  Parse();
  EXPECT_EQ(OfId(globals_, kXf).size(), 21u);
  // Fonts: the template's four, Arial 10 of the default style (index 5), the bold one (6).
  const auto fonts = OfId(globals_, kFont);
  ASSERT_EQ(fonts.size(), 6u);
  EXPECT_EQ(Xf(boldXf).U16(0), 6);
  EXPECT_EQ(Xf(plain).U16(0), 5);
  const TRec& f = *fonts[5];
  EXPECT_EQ(f.U16(0), 240);         // 12 pt in twips
  EXPECT_EQ(f.U16(2), 2 + 9);       // italic, strike-out
  EXPECT_EQ(f.U16(4), 10);          // red
  EXPECT_EQ(f.U16(6), 700);         // bold
  EXPECT_EQ(f.Data[10], 1);         // single underline
  EXPECT_EQ(f.Data[12], 0);         // character set 1 is written as 0
  EXPECT_EQ(fonts[4]->U16(4), 0x08);  // colour 0 (black) is index 8
  EXPECT_EQ(Xf(boldXf + 1u).U16(2), 10);
}

// Every underline a file's font may have, and the system's window text colour (64), go back to
// the file as they were read; the font style bits keep them in between.
TEST_F(WriterFixture, FontsKeepTheirUnderlineAndWindowTextColour) {
  const struct {
    TcxBiffUnderline Code;
    TcxSSColor Color;
    uint16_t FileColor;
  } cases[] = {
      {buNone, 2, 10},
      {buSingle, kColorWindowText, kBiffWindowTextColor},
      {buDouble, kColorAuto, 0x7FFF},
      {buSingleAccounting, 0, 8},
      {buDoubleAccounting, kColorWindowText, kBiffWindowTextColor},
  };
  std::vector<TcxSSFontRec> fonts;
  for (const auto& c : cases) {
    TcxSSFontRec font = font_;
    font.Style = static_cast<uint8_t>(kFontBold | FontStyleOfUnderline(c.Code));
    font.FontColor = c.Color;
    EXPECT_EQ(UnderlineOfFontStyle(font.Style), c.Code);
    fonts.push_back(font);
  }
  Begin();
  Sheet();
  writer_->RegisterStyle(defaultRec_);
  // The writer knows style records by their address, as a workbook's are shared.
  std::vector<TcxSSStyleRec> styles(fonts.size(), defaultRec_);
  for (size_t i = 0; i < fonts.size(); ++i) {
    styles[i].Font = &fonts[i];
    writer_->RegisterStyle(styles[i]);
  }
  Parse();
  const auto written = OfId(globals_, kFont);
  ASSERT_EQ(written.size(), 5u + std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(written[5 + i]->Data[10], cases[i].Code);
    EXPECT_EQ(written[5 + i]->U16(4), cases[i].FileColor);
  }
}

// Fills: how a style's brush becomes pattern and colours of the XF.
TEST_F(WriterFixture, FillsFollowTheFilePatternTable) {
  const struct {
    TcxSSFillStyle Style;
    TcxSSColor Foreground, Background;
    uint8_t Pattern;  // 0: no fill written
    uint16_t PatternColor, BackgroundColor;
  } cases[] = {
      {fsSolid, kColorNone, kColorNone, 0, 64, 65},  // the unfilled cell
      {fsSolid, kColorNone, 2, 1, 10, 64},           // solid red
      {fsSolid, kColorAuto, 1, 1, 9, 65},            // white on automatic: a white fill
      {fsSolid, 5, 1, 1, 9, 13},                     // white over yellow pattern colour
      {fsSolid, kColorNone, kColorAuto, 0, 64, 65},
      {fsGray50, 4, 6, 2, 12, 14},
      {fsGray12, kColorAuto, kColorNone, 17, 64, 64},
      {fsThinThickCrossHatch, 0, 1, 16, 8, 9},
  };
  Begin();
  Sheet();
  std::vector<TcxSSStyleRec> recs(std::size(cases), defaultRec_);
  for (size_t i = 0; i < recs.size(); ++i) {
    recs[i].Format = static_cast<TxlsDataFormat>(i + 1);  // all distinct
    recs[i].BrushStyle = cases[i].Style;
    recs[i].ForegroundColor = cases[i].Foreground;
    recs[i].BackgroundColor = cases[i].Background;
    writer_->RegisterStyle(recs[i]);
  }
  Parse();
  for (size_t i = 0; i < recs.size(); ++i) {
    SCOPED_TRACE(i);
    const TRec& xf = Xf(18 + i);
    EXPECT_EQ(xf.U32(14) >> 26, cases[i].Pattern);
    EXPECT_EQ(xf.U16(18) & 0x7F, cases[i].PatternColor);
    EXPECT_EQ((xf.U16(18) >> 7) & 0x7F, cases[i].BackgroundColor);
  }
}

TEST_F(WriterFixture, XfCarriesAlignmentProtectionBordersAndFlags) {
  TcxSSStyleRec rec = defaultRec_;
  rec.Format = 164;
  rec.HorzTextAlign = haRIGHT;
  rec.VertTextAlign = vaTOP;
  rec.WordBreak = true;
  rec.Flags = kStyleMerged | kStyleShrinkToFit;  // not locked
  rec.Edges[eLeft] = {lsThin, 2};
  rec.Edges[eTop] = {lsDouble, kColorAuto};
  rec.Edges[eRight] = {lsNone, 3};
  rec.Edges[eBottom] = {lsSlantedDashDot, 55};
  Begin();
  Sheet();
  writer_->RegisterStyle(rec);
  Parse();
  const TRec& xf = Xf(writer_->CurrentXf());
  EXPECT_EQ(xf.U16(2), 164);
  EXPECT_EQ(xf.U16(4), 0);  // unlocked, parent XF 0
  EXPECT_EQ(xf.U16(6), haRIGHT | 8 | vaTOP << 4);
  EXPECT_EQ(xf.U16(8), 0xFC00 | 0x20 | 0x10);
  EXPECT_EQ(xf.U16(10), lsThin | 0 << 4 | lsDouble << 8 | lsSlantedDashDot << 12);
  const uint32_t colors = xf.U32(12);
  EXPECT_EQ(colors & 0x7F, 10u);
  EXPECT_EQ((colors >> 7) & 0x7F, 11u);
  EXPECT_EQ((colors >> 16) & 0x7F, 64u);
  EXPECT_EQ((colors >> 23) & 0x7F, 63u);
}

// Every alignment the file format has, the rotation (stacked included), the indent, shrink to
// fit, the reading order and the last-line bit go into the XF as they are in the record, and a
// font keeps its height in twips (8.5 points is 170, not 180).
TEST_F(WriterFixture, XfCarriesEveryAlignmentRotationIndentAndDirection) {
  const struct {
    TcxHorzTextAlign Horz;
    TcxVertTextAlign Vert;
    bool Wrap, LastLine, Shrink;
    uint8_t Rotation, Indent;
    TcxTextDirection Direction;
    uint16_t Word6, Word8;  // expected alignment/rotation and indent/flags words
  } cases[] = {
      {haCENTERACROSS, vaBOTTOM, false, false, false, 0, 0, tdContext, 0x0026, 0xFC00},
      {haFILL, vaTOP, false, false, false, 0, 0, tdContext, 0x0004, 0xFC00},
      {haJUSTIFY, vaJUSTIFY, true, false, false, 0, 0, tdContext, 0x003D, 0xFC00},
      {haDISTRIBUTED, vaDISTRIBUTED, false, true, false, 0, 2, tdContext, 0x00C7, 0xFC02},
      {haLEFT, vaCENTER, false, false, false, 0, 3, tdLeftToRight, 0x0011, 0xFC43},
      {haGENERAL, vaBOTTOM, false, false, true, 45, 0, tdContext, 0x2D20, 0xFC10},
      {haGENERAL, vaBOTTOM, false, false, false, 135, 0, tdRightToLeft, 0x8720, 0xFC80},
      {haGENERAL, vaBOTTOM, false, false, false, kRotationStacked, 15, tdContext, 0xFF20, 0xFC0F},
  };
  Begin();
  Sheet();
  std::vector<TcxSSStyleRec> recs(std::size(cases), defaultRec_);
  for (size_t i = 0; i < recs.size(); ++i) {
    TcxSSStyleRec& rec = recs[i];
    rec.Format = static_cast<TxlsDataFormat>(i + 1);  // all distinct
    rec.HorzTextAlign = cases[i].Horz;
    rec.VertTextAlign = cases[i].Vert;
    rec.WordBreak = cases[i].Wrap;
    rec.JustifyLastLine = cases[i].LastLine;
    rec.Flags = static_cast<uint8_t>(kStyleLocked | (cases[i].Shrink ? kStyleShrinkToFit : 0));
    rec.Rotation = cases[i].Rotation;
    rec.Indent = cases[i].Indent;
    rec.TextDirection = cases[i].Direction;
    writer_->RegisterStyle(rec);
  }
  TcxSSFontRec halfPoint = font_;
  halfPoint.Height = 170;
  TcxSSStyleRec small = defaultRec_;
  small.Font = &halfPoint;
  writer_->RegisterStyle(small);
  const uint16_t smallXf = writer_->CurrentXf();
  Parse();
  for (size_t i = 0; i < recs.size(); ++i) {
    SCOPED_TRACE(i);
    const TRec& xf = Xf(18 + i);
    EXPECT_EQ(xf.U16(6), cases[i].Word6);
    EXPECT_EQ(xf.U16(8), cases[i].Word8);
  }
  const auto fonts = OfId(globals_, kFont);
  const uint16_t fontIndex = Xf(smallXf).U16(0);
  ASSERT_LT(fontIndex - 1u, fonts.size());
  EXPECT_EQ(fonts[fontIndex - 1u]->U16(0), 170);
}

// The default style sets XF 15; its lock-inverted copy is the column XF; the default style's
// own cells keep their lock.
TEST_F(WriterFixture, DefaultStyleGivesXf15AndTheColumnXf) {
  for (bool locked : {true, false}) {
    SCOPED_TRACE(locked);
    defaultRec_ = {};
    defaultRec_.Font = &font_;
    defaultRec_.HorzTextAlign = haCENTER;
    Begin(1, locked);
    const int s = Sheet();
    writer_->WriteColumn(s, 2, false, true, 100);
    writer_->WriteColumn(s, 3, true, false, 0);
    writer_->RegisterStyle(defaultRec_);
    writer_->WriteCell(s, 0, false, 1.0, 0);
    Parse();
    EXPECT_EQ(writer_->ColumnXf(), 17);
    EXPECT_EQ(Xf(15).U16(4), locked ? 1 : 0);
    EXPECT_EQ(Xf(15).U16(6), haCENTER | vaCENTER << 4);
    EXPECT_EQ(Xf(15).U16(0), 5);
    EXPECT_EQ(Xf(17).U16(4), locked ? 0 : 1);
    const auto cols = OfId(sheets_[0], kColInfo);
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[0]->U16(0), 2);
    EXPECT_EQ(cols[0]->U16(2), 2);
    EXPECT_EQ(cols[0]->U16(4), 3660);  // 100 pixels × 36.6
    EXPECT_EQ(cols[0]->U16(6), 17);
    EXPECT_EQ(cols[0]->U16(8), 0);
    EXPECT_EQ(cols[1]->U16(6), 15);
    EXPECT_EQ(cols[1]->U16(8), 1);
    const uint16_t cellXf = Cells(0).at(0).U16(4);
    EXPECT_NE(cellXf, 17);
    EXPECT_EQ(Xf(cellXf).U16(4), locked ? 1 : 0);
  }
}

TEST_F(WriterFixture, RowsAndColumnsConvertPixels) {
  const struct {
    int Ppi;
    int Height, Twips;
    int Width, Units;
  } cases[] = {
      {96, 20, 302, 64, 2342}, {96, 0, 0, 0, 0}, {120, 20, 242, 80, 2342},
      // No row taller than 409.5 points.
      {96, 60000, 8190, 3000, 65535}, {96, 543, 8190, 64, 2342}, {96, 542, 8181, 64, 2342},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Ppi);
    environment_->PixelsPerInch = c.Ppi;
    Begin();
    const int s = Sheet();
    writer_->WriteColumn(s, 255, true, false, c.Width);
    writer_->WriteColumn(s, 256, true, false, c.Width);  // outside the format
    writer_->WriteRow(s, 65535, true, c.Height);
    writer_->WriteRow(s, 7, false, c.Height);
    writer_->WriteRow(s, 65536, false, c.Height);
    Parse();
    const auto cols = OfId(sheets_[0], kColInfo);
    ASSERT_EQ(cols.size(), 1u);
    EXPECT_EQ(cols[0]->U16(0), 255);
    EXPECT_EQ(cols[0]->U16(4), c.Units);
    EXPECT_EQ(cols[0]->Data.size(), 12u);
    const auto rows = OfId(sheets_[0], kRow);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->U16(0), 65535);
    EXPECT_EQ(rows[0]->U16(4), 256);
    EXPECT_EQ(rows[0]->U16(6), c.Twips);
    EXPECT_EQ(rows[0]->U16(12), 0x0160);
    EXPECT_EQ(rows[1]->U16(12), 0x0140);
    EXPECT_EQ(rows[1]->U16(14), 16);
  }
}

TEST_F(WriterFixture, FormulasCarryTheirCachedResults) {
  const uint8_t tokens[] = {0x1E, 0x02, 0x00, 0x1E, 0x03, 0x00, 0x03};  // 2+3
  const std::string longText(10000, 'z');
  struct TCase {
    TcxResultValue Result;
    uint8_t Bytes[8];
    const char* Text;  // STRING record that follows
  };
  const auto number = [](double x) {
    TcxResultValue v;
    v.Kind = rkNumber;
    v.Number = x;
    return v;
  };
  const auto text = [](std::string s) {
    TcxResultValue v;
    v.Kind = rkText;
    v.Text = std::move(s);
    return v;
  };
  TcxResultValue boolean, error, none;
  boolean.Kind = rkBool;
  boolean.Bool = true;
  error.Kind = rkError;
  error.Error = ecDivZero;
  const TCase cases[] = {
      {number(5), {0, 0, 0, 0, 0, 0, 0x14, 0x40}, nullptr},
      {text("pet"), {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, "pet"},
      {text(""), {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}, nullptr},
      {text(longText), {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, longText.c_str()},
      {boolean, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}, nullptr},
      {error, {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF}, nullptr},
      {number(std::nan("")), {2, 0, 0x24, 0, 0, 0, 0xFF, 0xFF}, nullptr},
      {none, {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}, nullptr},
  };
  Begin();
  Sheet();
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
    writer_->WriteFormula(0, 1, tokens, cases[i].Result, i);
  writer_->WriteFormula(0, 1, {}, number(1), 50);  // no tokens: not written
  Parse();
  const auto cells = Cells(0);
  size_t at = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    ASSERT_LT(at, cells.size());
    const TRec& f = cells[at++];
    ASSERT_EQ(f.Id, kFormula);
    EXPECT_EQ(f.U16(0), i);
    EXPECT_EQ(std::vector<uint8_t>(f.Data.begin() + 6, f.Data.begin() + 14),
              std::vector<uint8_t>(cases[i].Bytes, cases[i].Bytes + 8));
    EXPECT_EQ(f.U16(14), 0x0003);
    EXPECT_EQ(f.U16(20), sizeof tokens);
    EXPECT_EQ(std::vector<uint8_t>(f.Data.begin() + 22, f.Data.end()),
              std::vector<uint8_t>(tokens, tokens + sizeof tokens));
    if (cases[i].Text) {
      ASSERT_LT(at, cells.size());
      const TRec& s = cells[at++];
      ASSERT_EQ(s.Id, kString);
      const std::string expected = cases[i].Text;
      EXPECT_EQ(s.U16(0), expected.size());
      // The 10000 characters need a CONTINUE record after the STRING record.
      std::string read;
      for (size_t k = 3; k < s.Data.size(); ++k) read.push_back(static_cast<char>(s.Data[k]));
      size_t next = 0;
      while (all_[next].Offset != s.Offset) ++next;
      for (++next; all_[next].Id == 0x003C; ++next)
        for (size_t k = 1; k < all_[next].Data.size(); ++k) read.push_back(static_cast<char>(all_[next].Data[k]));
      EXPECT_EQ(read, expected);
    }
  }
  EXPECT_EQ(at, cells.size());
}

TEST_F(WriterFixture, OversizedFormulaKeepsItsValue) {
  std::vector<uint8_t> tokens;
  for (int i = 0; i < 1200; ++i)
    for (uint8_t b : {0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}) tokens.push_back(b);
  TcxResultValue value;
  value.Kind = rkNumber;
  value.Number = 1200;
  Begin();
  Sheet();
  writer_->WriteFormula(0, 0, tokens, value, 0);
  Parse();
  const auto cells = Cells(0);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].Id, kRk);
  EXPECT_EQ(DecodeRkValue(cells[0].U32(6)), 1200);
}

TcxSSNameDefinition CellsName(const char* name, uint8_t sheet, TRect area, bool deleted) {
  TcxSSNameDefinition definition;
  definition.Name = name;
  definition.Sheet = sheet;
  definition.Area = area;
  definition.Deleted = deleted;
  return definition;
}

TEST_F(WriterFixture, NamesAreAreasOfSheets) {
  const struct {
    TcxSSNameDefinition Name;
    uint16_t Options;
    uint16_t Sheet;
    bool Wide;
    std::u16string Text;
    uint16_t FirstRow, LastRow, FirstCol, LastCol;
  } cases[] = {
      {CellsName("Prices", 1, {2, 3, 4, 10}, false), 0, 1, false, u"Prices", 3, 10, 2, 4},
      {CellsName("Old", 0, {0, 0, 0, 0}, true), 1, 0, false, u"Old", 0, 0, 0, 0},
      {CellsName("Beyond", 7, {0, 0, 0, 0}, false), 0, 0, false, u"Beyond", 0, 0, 0, 0},
      {CellsName("Café", 0, {0, 0, 0, 0}, false), 0, 0, false, u"Café", 0, 0, 0, 0},
      {CellsName("Čvor", 0, {0, 0, 0, 0}, false), 0, 0, true, u"Čvor", 0, 0, 0, 0},
      {CellsName("名前", 1, {0, 0, 300, 70000}, false), 0, 1, true, u"名前", 0, 65535, 0, 255},
  };
  Begin(2);
  for (const auto& c : cases) writer_->WriteName(c.Name);
  Sheet("A");
  Sheet("B");
  Parse();
  const auto names = OfId(globals_, kName);
  ASSERT_EQ(names.size(), std::size(cases));
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    const TRec& n = *names[i];
    EXPECT_EQ(n.U16(0), c.Options);
    ASSERT_EQ(n.Data[3], c.Text.size());
    EXPECT_EQ(n.U16(4), 11);
    EXPECT_EQ(n.Data[14], c.Wide ? 1 : 0);
    std::u16string text;
    size_t at = 15;
    for (size_t k = 0; k < c.Text.size(); ++k) {
      text.push_back(c.Wide ? static_cast<char16_t>(n.U16(at)) : n.Data[at]);
      at += c.Wide ? 2 : 1;
    }
    EXPECT_EQ(text, c.Text);
    EXPECT_EQ(n.Data[at], 0x3B);
    EXPECT_EQ(n.U16(at + 1), c.Sheet);
    EXPECT_EQ(n.U16(at + 3), c.FirstRow);
    EXPECT_EQ(n.U16(at + 5), c.LastRow);
    EXPECT_EQ(n.U16(at + 7), c.FirstCol);
    EXPECT_EQ(n.U16(at + 9), c.LastCol);
    EXPECT_EQ(n.Data.size(), at + 11);
  }
  // NAME records come after EXTERNSHEET and the workbook's PROTECT.
  const auto ids = Ids(globals_);
  EXPECT_LT(std::find(ids.begin(), ids.end(), kProtect), std::find(ids.begin(), ids.end(), kName));
}

// A name keeps its page (the NAME's sheet field: BOUNDSHEET index + 1), its flags, a built-in
// name's code for its text, and a formula name its formula.
TEST_F(WriterFixture, NamesKeepTheirPagesFlagsAndFormulas) {
  TcxSSNameDefinition titles = CellsName("Print_Titles", 1, {0, 0, 255, 0}, false);
  titles.Scope = 1;
  titles.BuiltIn = true;
  TcxSSNameDefinition filter = CellsName("_FilterDatabase", 0, {0, 0, 3, 9}, false);
  filter.Scope = 0;
  filter.BuiltIn = true;
  filter.Hidden = true;
  TcxSSNameDefinition dynamic;
  dynamic.Name = "Dynamic.Range?";
  dynamic.Kind = nkFormula;
  TcxSSNameDefinition macro = dynamic;
  macro.Name = "Macro1";
  macro.FileOptions = 0x000E;  // a function name of a VBA macro
  macro.Scope = 7;             // no such page: a workbook name
  const uint8_t formula[] = {0x1E, 0x02, 0x00, 0x1E, 0x08, 0x00, 0x07};  // 2^8
  Begin(2);
  writer_->WriteName(titles);
  writer_->WriteName(filter);
  writer_->WriteName(dynamic, formula);
  writer_->WriteName(macro);
  Sheet("A");
  Sheet("B");
  Parse();
  const auto names = OfId(globals_, kName);
  ASSERT_EQ(names.size(), 4u);
  const struct {
    uint16_t Options;
    uint16_t Sheet;
    std::vector<uint8_t> Name;
    std::vector<uint8_t> Formula;
  } expected[] = {
      {0x0020, 2, {0x07}, {0x3B, 1, 0, 0, 0, 0, 0, 0, 0, 255, 0}},
      {0x0021, 1, {0x0D}, {0x3B, 0, 0, 0, 0, 9, 0, 0, 0, 3, 0}},
      {0x0000, 0, {'D', 'y', 'n', 'a', 'm', 'i', 'c', '.', 'R', 'a', 'n', 'g', 'e', '?'},
       {formula, formula + sizeof formula}},
      {0x000E, 0, {'M', 'a', 'c', 'r', 'o', '1'}, {}},
  };
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(i);
    const TRec& n = *names[i];
    const auto& e = expected[i];
    EXPECT_EQ(n.U16(0), e.Options);
    ASSERT_EQ(n.Data[3], e.Name.size());
    EXPECT_EQ(n.U16(4), e.Formula.size());
    EXPECT_EQ(n.U16(8), e.Sheet);
    EXPECT_EQ(n.Data[14], 0);
    EXPECT_EQ(std::vector<uint8_t>(n.Data.begin() + 15, n.Data.begin() + 15 + e.Name.size()), e.Name);
    EXPECT_EQ(std::vector<uint8_t>(n.Data.begin() + 15 + e.Name.size(), n.Data.end()), e.Formula);
  }
}

TEST_F(WriterFixture, MergedAreasGoInRecordsOf1024) {
  std::vector<TRect> areas;
  for (int i = 0; i < 1500; ++i) areas.push_back({i % 100, 2 * i, i % 100 + 1, 2 * i + 1});
  areas.push_back({300, 0, 301, 1});      // outside the format's columns: dropped
  areas.push_back({250, 10, 300, 70000});  // cut to the format's limits
  Begin();
  const int s = Sheet();
  writer_->WriteMergedCells(s, {});
  writer_->WriteMergedCells(s, areas);
  Parse();
  const auto merged = OfId(sheets_[0], kMergedCells);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0]->U16(0), 1024);
  EXPECT_EQ(merged[1]->U16(0), 477);
  EXPECT_EQ(merged[0]->U16(2 + 8 * 5), 10);      // first row of area 5
  EXPECT_EQ(merged[0]->U16(2 + 8 * 5 + 2), 11);  // last row
  EXPECT_EQ(merged[0]->U16(2 + 8 * 5 + 4), 5);   // first column
  EXPECT_EQ(merged[0]->U16(2 + 8 * 5 + 6), 6);   // last column
  const size_t last = 2 + 8 * 476;
  EXPECT_EQ(merged[1]->U16(last), 10);
  EXPECT_EQ(merged[1]->U16(last + 2), 65535);
  EXPECT_EQ(merged[1]->U16(last + 4), 250);
  EXPECT_EQ(merged[1]->U16(last + 6), 255);
}

TEST_F(WriterFixture, PaletteAndProtection) {
  auto palette = kDefaultPalette;
  palette[0] = RGBColor(1, 2, 3);
  Begin();
  writer_->WritePalette(palette);  // a second palette replaces the first
  writer_->WriteProtection(-1, true);
  const int s = Sheet();
  writer_->WriteProtection(s, true);
  Parse();
  const auto palettes = OfId(globals_, kPalette);
  ASSERT_EQ(palettes.size(), 1u);
  EXPECT_EQ(palettes[0]->Data.size(), 226u);
  EXPECT_EQ(palettes[0]->U16(0), 56);
  EXPECT_EQ(palettes[0]->U32(2), RGBColor(1, 2, 3));
  EXPECT_EQ(palettes[0]->U32(2 + 4 * 55), kDefaultPalette[55]);
  EXPECT_EQ(OfId(globals_, kStyle).size(), 6u);
  const auto protects = OfId(globals_, kProtect);
  ASSERT_EQ(protects.size(), 2u);
  EXPECT_EQ(protects[1]->U16(0), 1);
  EXPECT_EQ(OfId(sheets_[0], kProtect).back()->U16(0), 1);
}

TEST_F(WriterFixture, TooManySheetsAreRefused) {
  Begin(TcxExcelFileWriter::kMaxSheets + 1);
  for (int i = 0; i < TcxExcelFileWriter::kMaxSheets; ++i) writer_->BeginSheet("S" + std::to_string(i), true, 1);
  EXPECT_THROW(writer_->BeginSheet("one too many", true, 1), EcxExcelDataWriter);
  Parse();
  EXPECT_EQ(sheets_.size(), static_cast<size_t>(TcxExcelFileWriter::kMaxSheets));
}

TEST_F(WriterFixture, FailingStreamIsReported) {
  Begin();
  Sheet();
  std::ostringstream stream;
  stream.setstate(std::ios::badbit);
  try {
    writer_->WriteWorkbook(stream);
    FAIL() << "no error";
  } catch (const EcxExcelDataWriter& e) {
    EXPECT_STREQ(e.what(), "Error store workbook stream");
  }
}

// A record's format code is written once as a FORMAT record: under the built-in index a file
// gave it (as files redefine the currency formats), else under 166 and up; a code that is its
// index's own string, or one of the template's two, is the index alone.
TEST_F(WriterFixture, FormatCodesGetFormatRecords) {
  const TcxNumberFormat own("0.000"), date("dd/mm/yyyy"), euro("#,##0.00 \"€\"_);(#,##0.00 \"€\")", 7),
      euroAgain("#,##0.00 [$€-407]", 7), builtIn("#,##0", 3), dayMonth("dd/mm/yy");
  const struct {
    const TcxNumberFormat* Code;
    TxlsDataFormat Format;
    uint16_t Index;
  } cases[] = {
      {&own, 2, 166},     {&date, 14, 167},    {&euro, 7, 7}, {&euroAgain, 7, 168},
      {&builtIn, 49, 3},  {&dayMonth, 164, 164}, {&own, 2, 166}, {nullptr, 10, 10},
  };
  Begin();
  Sheet();
  std::vector<TcxSSStyleRec> recs;
  for (const auto& c : cases) {
    TcxSSStyleRec rec = defaultRec_;
    rec.Format = c.Format;
    rec.NumberFormat = c.Code;
    recs.push_back(rec);
  }
  std::vector<uint16_t> xfs;
  for (const TcxSSStyleRec& rec : recs) {
    writer_->RegisterStyle(rec);
    xfs.push_back(writer_->CurrentXf());
  }
  Parse();
  std::map<uint16_t, std::u16string> formats;
  for (const TRec* r : OfId(globals_, kFormat)) {
    std::u16string text;
    const bool wide = r->Data.at(4) & 1;
    for (size_t k = 0, at = 5; k < r->U16(2); ++k, at += wide ? 2 : 1)
      text += static_cast<char16_t>(wide ? r->U16(at) : r->Data.at(at));
    EXPECT_FALSE(formats.count(r->U16(0))) << "FORMAT " << r->U16(0) << " twice";
    formats[r->U16(0)] = text;
  }
  EXPECT_EQ(formats, (std::map<uint16_t, std::u16string>{
                         {7, u"#,##0.00 \"€\"_);(#,##0.00 \"€\")"},
                         {164, u"dd/mm/yy"},
                         {165, u"dd\\.mmmm\\.yy"},
                         {166, u"0.000"},
                         {167, u"dd/mm/yyyy"},
                         {168, u"#,##0.00 [$€-407]"},
                     }));
  for (size_t k = 0; k < recs.size(); ++k)
    EXPECT_EQ(Xf(xfs[k]).U16(2), cases[k].Index) << k;
}
