#include "xls/cxExcelFileWriter.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSNumberFormat.h"
#include "calc/cxSSStrings.h"
#include "platform/Unicode.h"
#include "xls/cxBiffRecords.h"
#include "xls/cxWorkBookWriter.h"

namespace {

// The template XFs: font, format, protection and parent word, alignment word, and the word at
// offset 8 (indent, merge, shrink and the attribute groups used); the rest is no border and no
// fill (pattern colours 64 and 65).
struct TTemplateXf {
  uint16_t Font;
  uint16_t Format;
  uint16_t Protection;
  uint16_t Alignment;
  uint16_t Word8;
};
constexpr TTemplateXf kTemplateXfs[TcxExcelFileWriter::kTemplateXfCount] = {
    {0, 0, 0xFFF5, 0x0020, 0x0000},  // 0: style Normal
    {1, 0, 0xFFF5, 0x0020, 0xF400},  // 1
    {1, 0, 0xFFF5, 0x0020, 0xF400},  // 2
    {2, 0, 0xFFF5, 0x0020, 0xF400},  // 3
    {2, 0, 0xFFF5, 0x0020, 0xF400},  // 4
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 5
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 6
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 7
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 8
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 9
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 10
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 11
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 12
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 13
    {0, 0, 0xFFF5, 0x0020, 0xF400},  // 14
    {0, 0, 0x0001, 0x0020, 0x0000},  // 15: the default cell format
    {1, 43, 0xFFF5, 0x0020, 0xF800},  // 16: style Comma
};
constexpr uint16_t kNoFillColors = 0x20C0;  // pattern colour 64, background 65

// The built-in styles written after PALETTE: style XF, built-in style number.
struct TBuiltInStyle {
  uint16_t Xf;
  uint8_t Style;
};
constexpr TBuiltInStyle kBuiltInStyles[] = {
    {16, 3},  // Comma
    {17, 6},  // Comma [0]
    {16, 4},  // Currency
    {16, 7},  // Currency [0]
    {0, 0},   // Normal
    {16, 5},  // Percent
};

// File fill pattern code of each TcxSSFillStyle, in the enumeration's order.
constexpr uint8_t kFillPatternCodes[] = {1, 3, 2, 4, 17, 18, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

constexpr uint16_t kWindow2Sheet = 0x00B6;  // grid, headers, zeros, default header colour, outline
constexpr uint16_t kWindow2Formulas = 0x0001;
constexpr uint16_t kWindow2Grid = 0x0002;
constexpr uint16_t kWindow2Headers = 0x0004;
constexpr uint16_t kWindow2Frozen = 0x0008;
constexpr uint16_t kWindow2FrozenNoSplit = 0x0100;
constexpr uint16_t kWindow2Active = 0x0600;  // selected and shown
constexpr uint16_t kRowOptions = 0x0140;     // custom height; bit 8 is always set
constexpr uint16_t kRowHidden = 0x0020;
constexpr uint16_t kRowXf = 16;
constexpr uint16_t kFormulaOptions = 0x0003;  // always calculate, calculate on load
constexpr size_t kMaxResultChars = 32767;

// Head records of every sheet before its view records: BOF, INDEX, DIMENSIONS.
constexpr uint32_t kSheetHeadSize = 20 + 20 + 18;
constexpr uint32_t kEofSize = 4;

// The panes a sheet's view has (0 bottom right, 1 top right, 2 bottom left, 3 top left): all
// four with frozen or split columns and rows, two with only one of them, the top left alone
// without panes.
std::vector<uint8_t> PanesOf(bool cols, bool rows) {
  if (cols && rows) return {3, 1, 2, 0};
  if (cols) return {3, 1};
  if (rows) return {3, 2};
  return {3};
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, static_cast<uint16_t>(v));
  Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::array<uint8_t, 20> TemplateXfData(const TTemplateXf& t) {
  std::array<uint8_t, 20> data{};
  Put16(&data[0], t.Font);
  Put16(&data[2], t.Format);
  Put16(&data[4], t.Protection);
  Put16(&data[6], t.Alignment);
  Put16(&data[8], t.Word8);
  Put16(&data[18], kNoFillColors);
  return data;
}

// The alignment byte (horizontal, wrap, vertical, last-line justification) and the rotation.
uint16_t AlignmentWord(const TcxSSStyleRec& rec) {
  return static_cast<uint16_t>((rec.HorzTextAlign & 7) | (rec.WordBreak ? 8 : 0) |
                               (rec.VertTextAlign & 7) << 4 | (rec.JustifyLastLine ? 0x80 : 0) |
                               rec.Rotation << 8);
}

// A style colour as a file colour index: + 8, at most 64 (the automatic border colour).
uint32_t EdgeColor(TcxSSColor color) { return std::min<uint32_t>(color + 8u, 64u); }

uint16_t Clamp16(long value, long low, long high) {
  return static_cast<uint16_t>(std::clamp(value, low, high));
}

[[noreturn]] void FailStore() { throw EcxExcelDataWriter(std::string(kErrorStoreWorkbookStream)); }

// The cached result of a formula as the 8 bytes of a FORMULA record.
std::array<uint8_t, 8> ResultBytes(uint8_t kind, uint8_t value) {
  return {kind, 0, value, 0, 0, 0, 0xFF, 0xFF};
}
constexpr uint8_t kResultString = 0, kResultBool = 1, kResultError = 2, kResultEmpty = 3;
constexpr uint8_t kErrorNum = 0x24;

uint8_t FileErrorCode(uint8_t internalCode) {
  return ErrorToText(internalCode).empty() ? ErrorInternalToFileCode(ecValue)
                                           : static_cast<uint8_t>(ErrorInternalToFileCode(internalCode));
}

}  // namespace

TcxExcelFileWriter::TcxExcelFileWriter(std::shared_ptr<const TcxEnvironment> environment)
    : environment_(std::move(environment)),
      units_{environment_->PixelsPerInch / 96.0},
      palette_(kDefaultPalette) {
  const auto add = [this](TcxBiffWriter record) {
    const uint16_t id = record.GetU16(0);
    globals_.push_back({id, std::move(record)});
    return std::prev(globals_.end());
  };
  TcxBiffWriter w;
  WriteBof(w, kBofWorkbookGlobals);
  add(std::move(w));
  w = {};
  w.Record(brTabId, {});
  tabId_ = add(std::move(w));
  w = {};
  WriteWindow1(w, 0);
  window1_ = add(std::move(w));
  for (int i = 0; i < 4; ++i) {
    w = {};
    WriteFont(w, TcxBiffFont{});
    lastFont_ = add(std::move(w));
  }
  for (TxlsDataFormat format : {kFormatDayMonthYear, kFormatDayMonthNameYear}) {
    w = {};
    WriteFormat(w, format, Utf16(BuiltInFormatString(format)));
    lastFormat_ = add(std::move(w));
  }
  for (int i = 0; i < kTemplateXfCount; ++i) {
    w = {};
    WriteXf(w, TemplateXfData(kTemplateXfs[i]));
    lastXf_ = add(std::move(w));
    if (i == kDefaultCellXf) defaultXf_ = lastXf_;
  }
  w = {};
  w.Record(brSupBook, {});
  supBook_ = add(std::move(w));
  w = {};
  w.Record(brExternSheet, {});
  externSheet_ = add(std::move(w));
  UpdateLinkRecords();
}

TcxExcelFileWriter::~TcxExcelFileWriter() = default;

TcxExcelFileWriter::TGlobalList::iterator TcxExcelFileWriter::InsertAfter(
    TGlobalList::iterator at, TcxBiffWriter record) {
  const uint16_t id = record.GetU16(0);
  return globals_.insert(std::next(at), {id, std::move(record)});
}

std::u16string_view TcxExcelFileWriter::Utf16(std::string_view text) {
  utf16_.clear();
  for (size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
      utf16_.push_back(byte);
      ++pos;
      continue;
    }
    const char32_t c = unicode::NextCodePoint(text, pos);
    if (c >= 0x10000) {
      utf16_.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      utf16_.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      utf16_.push_back(static_cast<char16_t>(c));
    }
  }
  return utf16_;
}

// TABID, SUPBOOK and EXTERNSHEET follow the sheet count: one tab id and one EXTERNSHEET entry
// (this workbook, sheet i to sheet i) per sheet.
void TcxExcelFileWriter::UpdateLinkRecords() {
  const auto count = static_cast<uint16_t>(sheets_.size());
  TcxBiffWriter tabs;
  size_t at = tabs.BeginRecord(brTabId);
  for (uint16_t i = 0; i < count; ++i) tabs.U16(static_cast<uint16_t>(i + 1));
  tabs.EndRecord(at);
  tabId_->Record = std::move(tabs);

  TcxBiffWriter book;
  at = book.BeginRecord(brSupBook);
  book.U16(count);
  book.U16(0x0401);  // this workbook
  book.EndRecord(at);
  supBook_->Record = std::move(book);

  // The sheets' entries, then the entries formulas asked for beyond them (other workbooks, the
  // add-in book, sheets that are gone) at the indexes they were given.
  const int base = refBase_ < 0 ? count : refBase_;
  const auto entries = static_cast<uint16_t>(std::max<int>(count, base) + extraRefs_.size());
  TcxBiffWriter refs;
  at = refs.BeginRecord(brExternSheet);
  refs.U16(entries);
  for (uint16_t i = 0; i < entries; ++i) {
    const TExternRef ref = i >= base ? extraRefs_[static_cast<size_t>(i - base)]
                                     : TExternRef{0, i, i};
    refs.U16(ref.SupBook);
    refs.U16(ref.First);
    refs.U16(ref.Last);
  }
  refs.EndRecord(at);
  externSheet_->Record = std::move(refs);
}

void TcxExcelFileWriter::WritePalette(const std::array<TColor, 56>& colors) {
  palette_ = colors;
  TcxBiffWriter w;
  ::WritePalette(w, colors);
  if (hasPalette_) {
    paletteRecord_->Record = std::move(w);
    return;
  }
  paletteRecord_ = InsertAfter(lastXf_, std::move(w));
  hasPalette_ = true;
  auto at = paletteRecord_;
  for (const TBuiltInStyle& style : kBuiltInStyles) {
    TcxBiffWriter s;
    WriteBuiltInStyle(s, style.Xf, style.Style);
    at = InsertAfter(at, std::move(s));
  }
}

void TcxExcelFileWriter::WriteDateMode(bool date1904) {
  if (!date1904) return;
  TcxBiffWriter w;
  WriteValueRecord(w, brDateMode, 1);
  InsertAfter(window1_, std::move(w));
}

void TcxExcelFileWriter::WriteProtection(int sheet, bool value, const TcxSSProtection& protection) {
  TcxBiffWriter w;
  ::WriteProtect(w, value);
  if (sheet == -1) {
    if (protection.Windows) WriteValueRecord(w, brWindowProtect, 1);
  } else {
    if (protection.Scenarios) WriteValueRecord(w, brScenProtect, 1);
    if (protection.Objects) WriteValueRecord(w, brObjProtect, 1);
  }
  if (protection.PasswordHash != 0) WriteValueRecord(w, brPassword, protection.PasswordHash);
  if (sheet != -1) {
    Sheet(sheet).Records.Append(w.Bytes());
    return;
  }
  // The globals list holds one record a node.
  const std::vector<uint8_t>& bytes = w.Bytes();
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = static_cast<size_t>(bytes[at + 2] | bytes[at + 3] << 8);
    TcxBiffWriter record;
    record.Append(std::span<const uint8_t>(bytes).subspan(at, kBiffRecordHeader + length));
    InsertAfter(std::prev(globals_.end()), std::move(record));
    at += kBiffRecordHeader + length;
  }
}

void TcxExcelFileWriter::WriteName(const TcxSSNameDefinition& name,
                                   std::span<const uint8_t> tokens) {
  // A deleted name keeps its place (formulas name names by their index) but is hidden.
  uint16_t options = static_cast<uint16_t>(name.FileOptions & ~(kNameHidden | kNameBuiltIn));
  if (name.Hidden || name.Deleted) options |= kNameHidden;
  std::u16string text(Utf16(name.Name));
  // A cut name could equal another name of the file.
  if (text.size() > kXlsMaxDefinedName)
    throw EcxExcelDataWriter("Cannot save the name \"" + name.Name + "\": " +
                             WithNumber(kNameTooLong, kXlsMaxDefinedName));
  if (name.BuiltIn) {
    const auto code = std::find(std::begin(kBuiltInNames), std::end(kBuiltInNames), name.Name);
    if (code != std::end(kBuiltInNames)) {
      options |= kNameBuiltIn;
      text = std::u16string(1, static_cast<char16_t>(code - std::begin(kBuiltInNames)));
    }
  }
  const uint16_t scope = name.Scope >= 0 && name.Scope < pageCount_ ? static_cast<uint16_t>(name.Scope + 1) : 0;
  uint8_t area[11];
  if (name.Kind == nkCells) {
    // tArea3d over the sheet's EXTERNSHEET entry, absolute.
    const TRect& a = name.Area;
    area[0] = 0x3B;
    WriteUInt16(area + 1, name.Sheet < pageCount_ ? name.Sheet : 0);
    WriteUInt16(area + 3, Clamp16(a.Top, 0, kMaxRows - 1));
    WriteUInt16(area + 5, Clamp16(a.Bottom, 0, kMaxRows - 1));
    WriteUInt16(area + 7, Clamp16(a.Left, 0, kMaxCols - 1));
    WriteUInt16(area + 9, Clamp16(a.Right, 0, kMaxCols - 1));
    tokens = area;
  }
  TcxBiffWriter w;
  WriteNameRecord(w, options, text, scope, tokens);
  InsertAfter(std::prev(globals_.end()), std::move(w));
}

uint16_t TcxExcelFileWriter::RegisterFont(const TcxSSFontRec* font) {
  if (font == nullptr) return currentFont_ = 0;
  if (auto it = fonts_.find(font); it != fonts_.end()) return currentFont_ = it->second;
  TcxBiffFont f;
  f.Height = Clamp16(font->Height, 20, 0x7FFF);
  f.Options = static_cast<uint16_t>(((font->Style & kFontItalic) ? 2 : 0) +
                                    ((font->Style & kFontStrikeOut) ? 9 : 0));
  f.Color = font->FontColor == kColorWindowText ? kBiffWindowTextColor
            : font->FontColor > 55                ? 0x7FFF
                                                  : static_cast<uint16_t>(font->FontColor + 8);
  f.Weight = (font->Style & kFontBold) ? 700 : 400;
  f.Underline = UnderlineOfFontStyle(font->Style);
  f.Charset = font->Charset == 1 ? 0 : font->Charset;
  f.Name = std::u16string(Utf16(font->Name));
  TcxBiffWriter w;
  WriteFont(w, f);
  lastFont_ = InsertAfter(lastFont_, std::move(w));
  // Font index 4 does not exist in the format: the first font after the template's four is 5.
  const auto index = static_cast<uint16_t>(5 + registeredFonts_++);
  fonts_.emplace(font, index);
  return currentFont_ = index;
}

uint16_t TcxExcelFileWriter::RegisterFormat(const TcxSSStyleRec& rec) {
  const TcxNumberFormat* code = rec.NumberFormat;
  if (!code) return rec.Format;
  if (auto it = formats_.find(code); it != formats_.end()) return it->second;
  const uint16_t builtIn = code->BuiltIn();
  uint16_t index = 0;
  bool write = true;
  if (builtIn != TcxNumberFormat::kNoBuiltIn && code->Code() == BuiltInFormatString(builtIn)) {
    // A built-in index with its own string: the index alone says it.
    index = builtIn;
    write = false;
  } else if (builtIn < builtInFormatWritten_.size() && !builtInFormatWritten_[builtIn]) {
    // The file's own string for a built-in index (the currency formats of its locale).
    index = builtIn;
    builtInFormatWritten_[builtIn] = true;
  } else if (code->Code() == BuiltInFormatString(kFormatDayMonthYear) ||
             code->Code() == BuiltInFormatString(kFormatDayMonthNameYear)) {
    index = code->Code() == BuiltInFormatString(kFormatDayMonthYear) ? kFormatDayMonthYear
                                                                      : kFormatDayMonthNameYear;
    write = false;
  } else if (nextFormat_ <= 0xFFFF) {
    index = static_cast<uint16_t>(nextFormat_++);
  } else {
    return rec.Format;  // no index left: the built-in index shows it best
  }
  if (write) {
    TcxBiffWriter w;
    WriteFormat(w, index, Utf16(code->Code()));
    lastFormat_ = InsertAfter(lastFormat_, std::move(w));
  }
  formats_.emplace(code, index);
  return index;
}

std::array<uint8_t, 20> TcxExcelFileWriter::XfData(const TcxSSStyleRec& rec, uint16_t font,
                                                   uint16_t format) const {
  std::array<uint8_t, 20> data = TemplateXfData(kTemplateXfs[kDefaultCellXf]);
  Put16(&data[0], font);
  Put16(&data[2], format);
  Put16(&data[4], rec.Flags & kStyleLocked);
  Put16(&data[6], AlignmentWord(rec));
  // Indent, shrink to fit, merge and reading order; every attribute group is the cell's own.
  uint16_t word8 = static_cast<uint16_t>(0xFC00 | std::min(rec.Indent, kMaxIndent) |
                                         (rec.TextDirection & 3) << 6);
  if (rec.Flags & kStyleMerged) word8 |= 0x0020;
  if (rec.Flags & kStyleShrinkToFit) word8 |= 0x0010;
  Put16(&data[8], word8);

  const auto lineStyle = [&](TcxSSEdgeIndex edge) -> uint16_t {
    const uint8_t style = rec.Edges[edge].Style;
    return style > lsSlantedDashDot ? 0 : style;
  };
  Put16(&data[10], static_cast<uint16_t>(lineStyle(eLeft) | lineStyle(eRight) << 4 |
                                         lineStyle(eTop) << 8 | lineStyle(eBottom) << 12));
  const uint32_t colors = EdgeColor(rec.Edges[eLeft].Color) | EdgeColor(rec.Edges[eRight].Color) << 7 |
                          EdgeColor(rec.Edges[eTop].Color) << 16 |
                          EdgeColor(rec.Edges[eBottom].Color) << 23;
  Put32(&data[12], colors);

  // A solid fill keeps its colour as the pattern colour: the style's background colour.
  const bool solid = rec.BrushStyle == fsSolid;
  const TcxSSColor pattern = solid ? rec.BackgroundColor : rec.ForegroundColor;
  const TcxSSColor background = solid ? rec.ForegroundColor : rec.BackgroundColor;
  const uint32_t patternIndex = pattern == kColorAuto ? 64u : (pattern + 8u) & 0x7F;
  const uint32_t backgroundIndex = (background + 8u) & 0x7F;
  // A solid fill in the automatic colour is no fill. Any other colour is written, white too:
  // a white fill hides the grid lines, and a file that had one gets it back.
  const bool noFill = solid && patternIndex == 64;
  if (!noFill && rec.BrushStyle < std::size(kFillPatternCodes)) {
    Put32(&data[14], Get32(&data[14]) | static_cast<uint32_t>(kFillPatternCodes[rec.BrushStyle]) << 26);
    Put16(&data[18], static_cast<uint16_t>(patternIndex | backgroundIndex << 7));
  }
  return data;
}

void TcxExcelFileWriter::WriteDefaultStyle(const TcxSSStyleRec& rec) {
  const uint16_t font = RegisterFont(rec.Font);
  const uint16_t format = RegisterFormat(rec);
  // XF 15, the format of cells without one of their own, is the default style whole: font,
  // number format, lock, alignment, borders and fill.
  TcxBiffWriter xf15;
  WriteXf(xf15, XfData(rec, font, format));
  defaultXf_->Record = std::move(xf15);
  // The XF for columns whose lock differs from the default style's: the default style with the
  // lock inverted. It is not the XF of the default style's own cells (RegisterStyle gives those
  // theirs), or saving would flip the lock of every unformatted cell.
  std::array<uint8_t, 20> data = XfData(rec, font, format);
  data[4] ^= kStyleLocked;
  TcxBiffWriter w;
  WriteXf(w, data);
  lastXf_ = InsertAfter(lastXf_, std::move(w));
  columnXf_ = static_cast<uint16_t>(kTemplateXfCount + registeredXfs_++);
  currentXf_ = columnXf_;
  lastStyle_ = nullptr;
}

void TcxExcelFileWriter::RegisterStyle(const TcxSSStyleRec& rec) {
  if (&rec == lastStyle_) return;
  lastStyle_ = &rec;
  if (auto it = styles_.find(&rec); it != styles_.end()) {
    currentXf_ = it->second;
    return;
  }
  TcxBiffWriter w;
  const uint16_t font = RegisterFont(rec.Font);
  WriteXf(w, XfData(rec, font, RegisterFormat(rec)));
  lastXf_ = InsertAfter(lastXf_, std::move(w));
  currentXf_ = static_cast<uint16_t>(kTemplateXfCount + registeredXfs_++);
  styles_.emplace(&rec, currentXf_);
}

bool TcxExcelFileWriter::ExtraRef(uint16_t supBook, uint16_t first, uint16_t last,
                                  uint16_t& refIndex) {
  if (refBase_ < 0) refBase_ = std::max<int>(pageCount_, static_cast<int>(sheets_.size()));
  const TExternRef ref{supBook, first, last};
  auto found = std::find_if(extraRefs_.begin(), extraRefs_.end(), [&](const TExternRef& r) {
    return r.SupBook == ref.SupBook && r.First == ref.First && r.Last == ref.Last;
  });
  if (found == extraRefs_.end()) {
    if (refBase_ + static_cast<int>(extraRefs_.size()) + 1 > kMaxSheets) return false;
    extraRefs_.push_back(ref);
    found = std::prev(extraRefs_.end());
    UpdateLinkRecords();
  }
  refIndex = static_cast<uint16_t>(refBase_ + (found - extraRefs_.begin()));
  return true;
}

bool TcxExcelFileWriter::SheetRef(int first, int last, uint16_t& refIndex) {
  if (first == last && first >= 0 && first < pageCount_) {
    refIndex = static_cast<uint16_t>(first);
    return true;
  }
  const auto sheet = [this](int page) -> uint16_t {
    return page >= 0 && page < pageCount_ ? static_cast<uint16_t>(page) : kDeletedSheet;
  };
  return ExtraRef(0, sheet(first), sheet(last), refIndex);
}

int TcxExcelFileWriter::LinkedBook(int source, const TcxSSExternalLinks* links) {
  for (size_t i = 0; i < books_.size(); ++i)
    if (books_[i].Source == source) return static_cast<int>(i);
  TLinkedBook book;
  book.Source = source;
  const TcxSSExternalBook* from = source < 0 ? nullptr : &links->Books[static_cast<size_t>(source)];
  book.AddIn = !from || from->Kind == ebkAddIn;
  TcxBiffWriter w;
  if (book.AddIn) {
    WriteAddInSupBook(w);
  } else {
    std::vector<std::u16string> sheets;
    for (const std::string& sheet : from->Sheets) sheets.emplace_back(Utf16(sheet));
    WriteSupBook(w, std::u16string(Utf16(from->EncodedPath)), sheets);
  }
  book.Last = InsertAfter(books_.empty() ? supBook_ : books_.back().Last, std::move(w));
  // A book of the links gets every name it had, as the file it came from had them.
  if (from)
    for (const TcxSSExternalBookName& name : from->Names) {
      TcxBiffWriter n;
      WriteExternName(n, name.Options, name.Sheet, Utf16(name.Name), name.Definition);
      book.Last = InsertAfter(book.Last, std::move(n));
      book.Names.push_back(name.Name);
    }
  books_.push_back(std::move(book));
  return static_cast<int>(books_.size()) - 1;
}

void TcxExcelFileWriter::WriteExternalLinks(const TcxSSExternalLinks& links) {
  for (size_t i = 0; i < links.Books.size(); ++i) LinkedBook(static_cast<int>(i), &links);
  uint16_t refIndex = 0;
  for (size_t i = 0; i < links.Sheets.size(); ++i) ExternalSheet(links, i, refIndex);
}

bool TcxExcelFileWriter::AddInFunction(std::string_view name, uint16_t& refIndex,
                                       uint16_t& nameIndex) {
  const auto addIns = std::find_if(books_.begin(), books_.end(),
                                   [](const TLinkedBook& b) { return b.AddIn; });
  const int index = addIns != books_.end() ? static_cast<int>(addIns - books_.begin())
                                           : LinkedBook(-1, nullptr);
  if (!ExtraRef(static_cast<uint16_t>(index + 1), 0xFFFE, 0xFFFE, refIndex)) return false;
  TLinkedBook& book = books_[static_cast<size_t>(index)];
  const auto found = std::find(book.Names.begin(), book.Names.end(), name);
  if (found == book.Names.end()) {
    if (book.Names.size() >= 0xFFFF) return false;
    TcxBiffWriter w;
    WriteAddInName(w, Utf16(name));
    book.Last = InsertAfter(book.Last, std::move(w));
    book.Names.emplace_back(name);
    nameIndex = static_cast<uint16_t>(book.Names.size());
  } else {
    nameIndex = static_cast<uint16_t>(found - book.Names.begin() + 1);
  }
  return true;
}

bool TcxExcelFileWriter::ExternalSheet(const TcxSSExternalLinks& links, size_t index,
                                       uint16_t& refIndex) {
  if (index >= links.Sheets.size()) return false;
  const TcxSSExternalSheet& sheet = links.Sheets[index];
  if (sheet.Book >= links.Books.size() || links.Books[sheet.Book].Kind != ebkWorkbook) return false;
  const int book = LinkedBook(sheet.Book, &links);
  return ExtraRef(static_cast<uint16_t>(book + 1), sheet.First, sheet.Last, refIndex);
}

bool TcxExcelFileWriter::ExternalName(const TcxSSExternalLinks& links, size_t index,
                                      uint16_t& refIndex, uint16_t& nameIndex) {
  if (index >= links.Names.size()) return false;
  const TcxSSExternalName& name = links.Names[index];
  if (name.Book >= links.Books.size() || links.Books[name.Book].Kind != ebkWorkbook ||
      name.Index >= links.Books[name.Book].Names.size())
    return false;
  const int book = LinkedBook(name.Book, &links);
  // The book's names were written in their order.
  nameIndex = static_cast<uint16_t>(name.Index + 1);
  return ExtraRef(static_cast<uint16_t>(book + 1), 0xFFFE, 0xFFFE, refIndex);
}

int TcxExcelFileWriter::BeginSheet(std::string_view caption, bool showGrid, int kind,
                                   TcxSheetVisibility visibility) {
  if (static_cast<int>(sheets_.size()) >= kMaxSheets)
    throw EcxExcelDataWriter("Cannot save: " + WithNumber(kTooManySheets, kMaxSheets));
  // The link table's further EXTERNSHEET entries follow the sheets' entries the page count
  // promised.
  if (refBase_ >= 0 && static_cast<int>(sheets_.size()) >= refBase_) FailStore();
  auto sheet = std::make_unique<TSheet>();
  sheet->Caption = std::u16string(Utf16(caption));
  // A cut caption could equal another sheet's, and references would then find the wrong one.
  if (sheet->Caption.size() > kXlsMaxSheetCaption)
    throw EcxExcelDataWriter("Cannot save the sheet \"" + std::string(caption) + "\": " +
                             WithNumber(kSheetCaptionTooLong, kXlsMaxSheetCaption));
  sheet->Visibility = visibility;
  sheet->Window2 = showGrid ? kWindow2Sheet : kWindow2Sheet & ~kWindow2Grid;
  TcxBiffWriter w;
  WriteBoundSheet(w, 0, static_cast<uint8_t>(visibility), static_cast<uint8_t>((kind ^ 1) & 0xFF),
                  sheet->Caption);
  sheet->BoundSheet = globals_.insert(supBook_, {brBoundSheet, std::move(w)});
  sheets_.push_back(std::move(sheet));
  UpdateLinkRecords();
  return static_cast<int>(sheets_.size()) - 1;
}

TcxExcelFileWriter::TSheet& TcxExcelFileWriter::Sheet(int sheet) { return *sheets_.at(sheet); }

void TcxExcelFileWriter::WriteDefaultColWidth(int sheet, int width, const TcxSSDefaultSizes& kept) {
  TcxBiffWriter& records = Sheet(sheet).Records;
  // The file's own records while the width is still the one they give: STANDARDWIDTH, read after
  // DEFCOLWIDTH, counts unless it is 0 (which readers ignore).
  const bool standard = kept.ColumnWidth && *kept.ColumnWidth != 0;
  const bool keptGives =
      standard ? units_.StandardWidthPixels(*kept.ColumnWidth) == width
               : kept.ColumnChars && units_.DefColWidthPixels(*kept.ColumnChars) == width;
  if (keptGives) {
    ::WriteDefColWidth(records, kept.ColumnChars.value_or(units_.DefColWidth(width)));
    if (kept.ColumnWidth) ::WriteStandardWidth(records, *kept.ColumnWidth);
    return;
  }
  const uint16_t characters = units_.DefColWidth(width);
  ::WriteDefColWidth(records, characters);
  // Whole characters seldom give the width back exactly; STANDARDWIDTH, read after DEFCOLWIDTH,
  // carries it in 1/256 of a character.
  if (units_.DefColWidthPixels(characters) != width)
    ::WriteStandardWidth(records, units_.StandardWidth(width));
}

void TcxExcelFileWriter::WriteDefaultRowHeight(int sheet, int height, const TcxSSDefaultSizes& kept) {
  if (kept.RowHeight && units_.DefaultRowPixels(*kept.RowHeight) == height)
    ::WriteDefaultRowHeight(Sheet(sheet).Records, *kept.RowHeight, kept.RowOptions);
  else
    ::WriteDefaultRowHeight(Sheet(sheet).Records, units_.DefaultRowHeight(height));
}

void TcxExcelFileWriter::WriteColumn(int sheet, int column, bool hidden, bool lockDiffers,
                                     int width, uint16_t fileSize) {
  if (column < 0 || column >= kMaxCols) return;
  const uint16_t fileWidth = fileSize != 0 && units_.ColumnPixels(fileSize) == width
                                 ? fileSize
                                 : units_.ColumnWidth(width);
  ::WriteColInfo(Sheet(sheet).Records, static_cast<uint16_t>(column), fileWidth,
                 lockDiffers ? columnXf_ : kDefaultCellXf, hidden ? 1 : 0);
}

void TcxExcelFileWriter::WriteRow(int sheet, int row, bool hidden, int height, uint16_t fileSize) {
  if (row < 0 || row >= kMaxRows) return;
  // The file's own height while the row still has the pixels it gives, else the pixels in
  // twips; never taller than the format allows (which also keeps bit 15, "default height", clear).
  const bool keepFileSize =
      fileSize != 0 && fileSize <= kMaxRowTwips && units_.RowPixels(fileSize) == height;
  const uint16_t twips = keepFileSize ? fileSize : units_.RowHeight(height);
  ::WriteRowRecord(Sheet(sheet).Records, static_cast<uint16_t>(row), twips,
                   hidden ? kRowOptions | kRowHidden : kRowOptions, kRowXf);
}

void TcxExcelFileWriter::WriteSheetView(int sheet, const TcxSSSheetView& view,
                                        const TRect& selection, bool showGrid, bool showHeaders,
                                        bool showFormulas, bool r1c1) {
  TSheet& s = Sheet(sheet);
  s.View = view;
  s.Selection = selection;
  s.R1C1 = r1c1;
  uint16_t options = view.OtherOptions & ~(kWindow2Formulas | kWindow2Grid | kWindow2Headers |
                                            kWindow2Frozen | kWindow2Active);
  if (showFormulas) options |= kWindow2Formulas;
  if (showGrid) options |= kWindow2Grid;
  if (showHeaders) options |= kWindow2Headers;
  if (view.Frozen())
    options |= kWindow2Frozen;
  else
    options &= ~kWindow2FrozenNoSplit;
  s.Window2 = options;
}

void TcxExcelFileWriter::WriteViewRecords(TcxBiffWriter& w, const TSheet& sheet, bool active) const {
  const TcxSSSheetView& view = sheet.View;
  const auto row = [](int r) { return static_cast<uint16_t>(std::clamp(r, 0, kMaxRows - 1)); };
  const auto col = [](int c) { return static_cast<uint16_t>(std::clamp(c, 0, kMaxCols - 1)); };
  const bool frozen = view.Frozen();
  const TPoint origin = view.Origin;
  TcxBiffWindow2 window;
  window.Options = static_cast<uint16_t>(sheet.Window2 | (active ? kWindow2Active : 0));
  window.TopRow = row(origin.Y);
  window.LeftCol = col(origin.X);
  window.GridColor = view.GridColorIndex;
  window.PageBreakZoom = view.PageBreakZoom;
  window.NormalZoom = view.NormalZoom;
  WriteWindow2(w, window);
  if (view.ZoomNumerator != view.ZoomDenominator && view.ZoomNumerator > 0 && view.ZoomDenominator > 0)
    WriteScl(w, view.ZoomNumerator, view.ZoomDenominator);

  bool paneCols = false, paneRows = false;
  uint8_t activePane = 3;
  if (frozen || view.Split) {
    paneCols = frozen ? view.FrozenCols > 0 : view.SplitX > 0;
    paneRows = frozen ? view.FrozenRows > 0 : view.SplitY > 0;
    const std::vector<uint8_t> panes = PanesOf(paneCols, paneRows);
    activePane = std::find(panes.begin(), panes.end(), view.ActivePane) != panes.end()
                     ? view.ActivePane
                     : panes.back();
    const uint16_t x = frozen ? static_cast<uint16_t>(std::clamp(view.FrozenCols, 0, kMaxCols - 1))
                              : view.SplitX;
    const uint16_t y = frozen ? static_cast<uint16_t>(std::clamp(view.FrozenRows, 0, 0xFFFF))
                              : view.SplitY;
    WritePane(w, x, y, row(view.PaneTopLeft.Y), col(view.PaneTopLeft.X), activePane);
  }
  // The active pane holds the selection; every other pane its first cell.
  for (const uint8_t pane : PanesOf(paneCols, paneRows)) {
    if (pane == activePane) {
      const TRect& r = sheet.Selection;
      const TPoint activeCell = r == view.ActiveCellSelection ? view.ActiveCell : TPoint{r.Left, r.Top};
      WriteSelection(w, pane, row(activeCell.Y), col(activeCell.X), row(r.Top), row(r.Bottom),
                     static_cast<uint8_t>(col(r.Left)), static_cast<uint8_t>(col(r.Right)));
      continue;
    }
    const uint16_t r = row((pane == 0 || pane == 2) ? view.PaneTopLeft.Y : origin.Y);
    const uint16_t c = col((pane == 0 || pane == 1) ? view.PaneTopLeft.X : origin.X);
    WriteSelection(w, pane, r, c, r, r, static_cast<uint8_t>(c), static_cast<uint8_t>(c));
  }
  WriteRefMode(w, sheet.R1C1);
}

void TcxExcelFileWriter::ReserveCells(int sheet, size_t cells) {
  // An RK or LABELSST record is 14 bytes, a NUMBER 18, a short formula with its result about 40.
  TcxBiffWriter& records = Sheet(sheet).Records;
  records.Reserve(records.Size() + 18 * cells);
}

void TcxExcelFileWriter::Touch(TSheet& sheet, int row, int col) {
  sheet.LastRowPlus1 = std::max<uint32_t>(sheet.LastRowPlus1, static_cast<uint32_t>(row) + 1);
  sheet.LastColPlus1 = std::max<uint16_t>(sheet.LastColPlus1, static_cast<uint16_t>(col + 1));
}

void TcxExcelFileWriter::NoteLoss(TcxSaveLossKind kind, int sheet, int column, int row) {
  const auto found = std::find_if(losses_.begin(), losses_.end(),
                                  [kind](const TcxSaveLoss& loss) { return loss.Kind == kind; });
  if (found != losses_.end()) {
    ++found->Count;
    return;
  }
  losses_.push_back({kind, 1, sheet, column, row});
}

void TcxExcelFileWriter::WriteCell(int sheet, int column, bool textFormat,
                                   const TcxCellValue& value, int row) {
  if (!InRange(row, column)) {
    if (!std::holds_alternative<std::monostate>(value)) NoteLoss(slOutsideGrid, sheet, column, row);
    return;
  }
  TSheet& s = Sheet(sheet);
  Touch(s, row, column);
  const auto r = static_cast<uint16_t>(row);
  const auto c = static_cast<uint16_t>(column);
  TcxBiffWriter& w = s.Records;
  double x = 0;
  const auto number = [&](double v) {
    uint32_t rk = 0;
    if (!std::isfinite(v))
      WriteBoolErr(w, r, c, currentXf_, kErrorNum, true);  // no file form holds it: #NUM!
    else if (EncodeRk(v, rk))
      WriteRk(w, r, c, currentXf_, rk);
    else
      WriteNumber(w, r, c, currentXf_, v);
  };
  if (const double* n = std::get_if<double>(&value)) {
    number(*n);
    return;
  }
  const std::string_view* text = std::get_if<std::string_view>(&value);
  if (text == nullptr || text->empty()) {
    WriteBlank(w, r, c, currentXf_);
    return;
  }
  if (!textFormat) {
    if (TryTextToFloat(*text, x, environment_->Settings)) {
      number(x);
      return;
    }
    if (*text == kTrueText || *text == kFalseText) {
      WriteBoolErr(w, r, c, currentXf_, *text == kTrueText ? 1 : 0, false);
      return;
    }
    for (const TcxSSErrorValue& e : kErrorValues) {
      if (*text == e.Text) {
        WriteBoolErr(w, r, c, currentXf_, e.FileCode, true);
        return;
      }
    }
  }
  const std::u16string_view chars = Utf16(*text);
  if (chars.size() > TSSTStringTable::kMaxChars) NoteLoss(slTextCut, sheet, column, row);
  WriteLabelSst(w, r, c, currentXf_, strings_.AddString(chars));
}

void TcxExcelFileWriter::WriteFormulaValue(int sheet, int column, const TcxResultValue& result,
                                           int row, TcxSaveLossKind kind) {
  if (!InRange(row, column)) {
    NoteLoss(slOutsideGrid, sheet, column, row);
    return;
  }
  NoteLoss(kind, sheet, column, row);
  switch (result.Kind) {
    case rkNumber: WriteCell(sheet, column, false, result.Number, row); break;
    case rkText: WriteCell(sheet, column, true, std::string_view(result.Text), row); break;
    case rkBool:
      WriteCell(sheet, column, false, result.Bool ? kTrueText : kFalseText, row);
      break;
    case rkError: WriteCell(sheet, column, false, ErrorToText(result.Error), row); break;
    case rkNone: WriteCell(sheet, column, false, std::monostate{}, row); break;
  }
}

void TcxExcelFileWriter::WriteFormula(int sheet, int column, std::span<const uint8_t> tokens,
                                      const TcxResultValue& result, int row,
                                      std::span<const uint8_t> extra,
                                      const TcxFollowingRecord* following) {
  if (tokens.empty()) return;
  if (!InRange(row, column)) {
    NoteLoss(slOutsideGrid, sheet, column, row);
    return;
  }
  if (tokens.size() + extra.size() > kXlsMaxFormulaTokens) {
    // No FORMULA record holds these tokens: keep at least the value the formula shows, and say
    // so.
    WriteFormulaValue(sheet, column, result, row, slFormulaAsValue);
    return;
  }
  TSheet& s = Sheet(sheet);
  Touch(s, row, column);
  std::array<uint8_t, 8> bytes = ResultBytes(kResultEmpty, 0);
  std::u16string_view text;
  switch (result.Kind) {
    case rkNumber:
      if (std::isfinite(result.Number)) {
        uint64_t bits;
        std::memcpy(&bits, &result.Number, sizeof bits);
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
      } else {
        bytes = ResultBytes(kResultError, kErrorNum);
      }
      break;
    case rkText:
      text = Utf16(result.Text);
      text = text.substr(0, std::min(text.size(), kMaxResultChars));
      if (!text.empty()) bytes = ResultBytes(kResultString, 0);
      break;
    case rkBool: bytes = ResultBytes(kResultBool, result.Bool ? 1 : 0); break;
    case rkError: bytes = ResultBytes(kResultError, FileErrorCode(result.Error)); break;
    case rkNone: break;  // not calculated: an empty text, and Excel calculates on load
  }
  ::WriteFormula(s.Records, static_cast<uint16_t>(row), static_cast<uint16_t>(column), currentXf_,
                 bytes, kFormulaOptions, tokens, extra);
  if (following && following->Id != 0) {
    const size_t at = s.Records.BeginRecord(following->Id);
    s.Records.Append(following->Data);
    s.Records.EndRecord(at);
  }
  if (!text.empty()) WriteString(s.Records, text);
}

void TcxExcelFileWriter::WriteMergedCells(int sheet, std::span<const TRect> areas) {
  std::vector<TcxBiffRange> ranges;
  ranges.reserve(areas.size());
  for (const TRect& a : areas) {
    if (a.Left >= kMaxCols || a.Top >= kMaxRows || a.Right < a.Left || a.Bottom < a.Top ||
        a.Left < 0 || a.Top < 0)
      continue;
    ranges.push_back({static_cast<uint16_t>(a.Top), Clamp16(a.Bottom, 0, kMaxRows - 1),
                      static_cast<uint16_t>(a.Left), Clamp16(a.Right, 0, kMaxCols - 1)});
  }
  ::WriteMergedCells(Sheet(sheet).Records, ranges);
}

TcxExcelFileWriter::TStreamLayout TcxExcelFileWriter::Layout() {
  if (sheets_.empty()) throw EcxExcelDataWriter(std::string(kNoSheetToSave));
  TStreamLayout layout;
  // Excel needs one visible sheet, which is also the active one: the sheet asked for when it is
  // visible, else the first visible one.
  const auto visible = [](const auto& s) { return s->Visibility == svVisible; };
  if (activeSheet_ >= 0 && activeSheet_ < static_cast<int>(sheets_.size()) &&
      visible(sheets_[activeSheet_])) {
    layout.ActiveSheet = activeSheet_;
  } else {
    const auto first = std::find_if(sheets_.begin(), sheets_.end(), visible);
    layout.ActiveSheet = first == sheets_.end() ? 0 : static_cast<int>(first - sheets_.begin());
  }
  if (!sheets_.empty()) {
    sheets_[layout.ActiveSheet]->Visibility = svVisible;
    sheets_[layout.ActiveSheet]->BoundSheet->Record.Bytes()[kBiffRecordHeader + 4] = 0;
  }
  TcxBiffWriter window1;
  WriteWindow1(window1, static_cast<uint16_t>(layout.ActiveSheet));
  window1_->Record = std::move(window1);

  uint64_t size = kEofSize + strings_.Size();
  for (const TGlobalRecord& r : globals_) size += r.Record.Size();
  layout.GlobalsSize = static_cast<uint32_t>(size);
  for (const auto& sheet : sheets_) {
    if (size > 0xFFFFFFFFu) FailStore();
    layout.SheetPositions.push_back(static_cast<uint32_t>(size));
    Put32(sheet->BoundSheet->Record.Bytes().data() + kBiffRecordHeader,
          static_cast<uint32_t>(size));
    TcxBiffWriter view;
    WriteViewRecords(view, *sheet, false);
    size += kSheetHeadSize + view.Size() + sheet->Records.Size() + kEofSize;
  }
  if (size > 0xFFFFFFFFu) FailStore();
  layout.Total = static_cast<uint32_t>(size);
  return layout;
}

template <typename Sink>
void TcxExcelFileWriter::Emit(const TStreamLayout& layout, Sink&& sink) {
  uint32_t position = 0;
  for (const TGlobalRecord& r : globals_) {
    sink(r.Record.Bytes());
    position += static_cast<uint32_t>(r.Record.Size());
  }
  TcxBiffWriter tail;
  strings_.WriteTo(tail, position);
  WriteEof(tail);
  sink(tail.Bytes());
  for (size_t i = 0; i < sheets_.size(); ++i) {
    const TSheet& sheet = *sheets_[i];
    TcxBiffWriter head;
    WriteBof(head, kBofWorksheet);
    WriteIndex(head);
    WriteDimensions(head, sheet.LastRowPlus1, sheet.LastColPlus1);
    WriteViewRecords(head, sheet, static_cast<int>(i) == layout.ActiveSheet);
    sink(head.Bytes());
    sink(sheet.Records.Bytes());
    TcxBiffWriter eof;
    WriteEof(eof);
    sink(eof.Bytes());
  }
}

void TcxExcelFileWriter::WriteWorkbook(std::ostream& stream) {
  const TStreamLayout layout = Layout();
  TcxWorkBookWriter container;
  container.WritePrefix(layout.Total, &stream);
  Emit(layout, [&stream](const std::vector<uint8_t>& bytes) {
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  });
  const std::vector<uint8_t> padding(TcxWorkBookWriter::PaddingSize(layout.Total), 0);
  stream.write(reinterpret_cast<const char*>(padding.data()),
               static_cast<std::streamsize>(padding.size()));
  stream.flush();
  if (!stream) FailStore();
}

void TcxExcelFileWriter::WriteWorkbook(std::vector<uint8_t>& file) {
  const TStreamLayout layout = Layout();
  TcxWorkBookWriter container;
  container.WritePrefix(layout.Total, file);
  Emit(layout, [&file](const std::vector<uint8_t>& bytes) {
    file.insert(file.end(), bytes.begin(), bytes.end());
  });
  file.resize(file.size() + TcxWorkBookWriter::PaddingSize(layout.Total), 0);
}

std::vector<uint8_t> TcxExcelFileWriter::WorkbookStream() {
  const TStreamLayout layout = Layout();
  std::vector<uint8_t> stream;
  stream.reserve(layout.Total);
  Emit(layout, [&stream](const std::vector<uint8_t>& bytes) {
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  });
  return stream;
}
