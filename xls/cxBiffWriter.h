#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/cxExcelConst.h"

// Writing BIFF8 records: a little-endian byte buffer with record framing, and one function per
// record the workbook writer produces, named after the record. Every record function appends a
// whole record (identifier, length, data) to the buffer it is given.

// Identifiers of the records the writer produces.
enum TcxBiffRecordId : uint16_t {
  brFormula = 0x0006,
  brEof = 0x000A,
  brRefMode = 0x000F,
  brProtect = 0x0012,
  brPassword = 0x0013,
  brSelection = 0x001D,
  brDateMode = 0x0022,
  brWindowProtect = 0x0019,
  brPane = 0x0041,
  brObjProtect = 0x0063,
  brScl = 0x00A0,
  brScenProtect = 0x00DD,
  brExternSheet = 0x0017,
  brExternName = 0x0023,
  brName = 0x0018,
  brFont = 0x0031,
  brWindow1 = 0x003D,
  brContinue = 0x003C,
  brDefColWidth = 0x0055,
  brColInfo = 0x007D,
  brStandardWidth = 0x0099,
  brBoundSheet = 0x0085,
  brPalette = 0x0092,
  brXf = 0x00E0,
  brMergedCells = 0x00E5,
  brSst = 0x00FC,
  brLabelSst = 0x00FD,
  brExtSst = 0x00FF,
  brTabId = 0x013D,
  brSupBook = 0x01AE,
  brDimensions = 0x0200,
  brBlank = 0x0201,
  brNumber = 0x0203,
  brBoolErr = 0x0205,
  brString = 0x0207,
  brRow = 0x0208,
  brDefaultRowHeight = 0x0225,
  brIndex = 0x020B,
  brWindow2 = 0x023E,
  brRk = 0x027E,
  brStyle = 0x0293,
  brFormat = 0x041E,
  brBof = 0x0809,
};

// The most data bytes one BIFF8 record may hold; longer contents go on in CONTINUE records.
inline constexpr size_t kBiffMaxRecordData = 8224;
inline constexpr size_t kBiffRecordHeader = 4;


// A growing little-endian byte buffer. Records are framed by BeginRecord/EndRecord, which
// patches the length once the data is written.
class TcxBiffWriter {
public:
  std::vector<uint8_t>& Bytes() { return bytes_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }
  void Reserve(size_t size) { bytes_.reserve(size); }
  void Clear() { bytes_.clear(); }

  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    bytes_.insert(bytes_.end(), b, b + 2);
  }
  void U32(uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    bytes_.insert(bytes_.end(), b, b + 4);
  }
  void F64(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    U32(static_cast<uint32_t>(bits));
    U32(static_cast<uint32_t>(bits >> 32));
  }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  void Append(std::span<const uint8_t> data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }
  // UTF-16 code units, little-endian.
  void Chars16(std::u16string_view text);

  void PutU16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void PutU32(size_t at, uint32_t v) {
    PutU16(at, static_cast<uint16_t>(v));
    PutU16(at + 2, static_cast<uint16_t>(v >> 16));
  }
  uint16_t GetU16(size_t at) const { return static_cast<uint16_t>(bytes_[at] | bytes_[at + 1] << 8); }

  // Writes the header of a record with a length to be patched; returns the header's offset.
  size_t BeginRecord(uint16_t id) {
    const size_t at = bytes_.size();
    U16(id);
    U16(0);
    return at;
  }
  void EndRecord(size_t headerAt) {
    const size_t length = bytes_.size() - headerAt - kBiffRecordHeader;
    assert(length <= kBiffMaxRecordData);
    PutU16(headerAt + 2, static_cast<uint16_t>(length));
  }
  // A whole record from its data.
  void Record(uint16_t id, std::span<const uint8_t> data);

private:
  std::vector<uint8_t> bytes_;
};

// An RK value for x when it holds x exactly (a 30-bit integer, or a double whose lower 32 bits
// are zero, either possibly scaled by 100); false when it does not.
bool EncodeRk(double x, uint32_t& rk);
double DecodeRkValue(uint32_t rk);

// --- Workbook globals -----------------------------------------------------------------------------
void WriteBof(TcxBiffWriter& w, uint16_t type);
void WriteEof(TcxBiffWriter& w);
// WINDOW1 with the tab bar showing `activeTab` (also the first tab shown).
void WriteWindow1(TcxBiffWriter& w, uint16_t activeTab);
// FONT: height in twips, option bits, colour index, weight, underline type, character set.
struct TcxBiffFont {
  uint16_t Height = 200;
  uint16_t Options = 0;
  uint16_t Color = 0x7FFF;
  uint16_t Weight = 400;
  uint8_t Underline = 0;
  uint8_t Charset = 0;
  std::u16string Name = u"Arial";
};
void WriteFont(TcxBiffWriter& w, const TcxBiffFont& font);
// FORMAT with 8-bit characters when every character fits in one byte, else 16-bit.
void WriteFormat(TcxBiffWriter& w, uint16_t index, std::u16string_view text);
// XF from its 20 data bytes.
void WriteXf(TcxBiffWriter& w, std::span<const uint8_t, 20> data);
void WritePalette(TcxBiffWriter& w, std::span<const uint32_t, 56> colors);
// STYLE of a built-in style: the style XF, the built-in style number, level 0xFF.
void WriteBuiltInStyle(TcxBiffWriter& w, uint16_t xf, uint8_t style);
// BOUNDSHEET; the stream position is patched later (offset 4 of the record).
void WriteBoundSheet(TcxBiffWriter& w, uint32_t position, uint8_t visibility, uint8_t type,
                     std::u16string_view name);
// NAME: its option flags (bit 0 hidden, bits 1-4 function and macro flags, bit 5 built-in,
// bits 6-11 function group), the name (a built-in name's one-character code), the sheet it
// belongs to (0 for the workbook, else the BOUNDSHEET index + 1) and its formula (BIFF8 tokens
// with 3-D references). A formula that does not fit in the record is written as #REF!.
void WriteNameRecord(TcxBiffWriter& w, uint16_t options, std::u16string_view name,
                     uint16_t sheet, std::span<const uint8_t> formula);
void WriteProtect(TcxBiffWriter& w, bool value);
// A record of one 16-bit value: PASSWORD (the hash), DATEMODE, WINDOWPROTECT, OBJPROTECT,
// SCENPROTECT (flags).
void WriteValueRecord(TcxBiffWriter& w, TcxBiffRecordId id, uint16_t value);
// SUPBOOK of the add-in functions, and the EXTERNNAME of one add-in function that follows it.
void WriteAddInSupBook(TcxBiffWriter& w);
void WriteAddInName(TcxBiffWriter& w, std::u16string_view name);
// SUPBOOK of another workbook: its encoded path and its sheets' names.
void WriteSupBook(TcxBiffWriter& w, std::u16string_view path, std::span<const std::u16string> sheets);
// EXTERNNAME of a name of another workbook: its options, sheet (one-based, 0 for a workbook
// name), the name and the data that follows it (its formula) as it was read.
void WriteExternName(TcxBiffWriter& w, uint16_t options, uint16_t sheet, std::u16string_view name,
                     std::span<const uint8_t> definition);

// --- Worksheets ---------------------------------------------------------------------------------
void WriteIndex(TcxBiffWriter& w);
void WriteDimensions(TcxBiffWriter& w, uint32_t lastRowPlus1, uint16_t lastColPlus1);
// WINDOW2 of a worksheet: option flags, the first row and column shown, the grid colour index
// and the magnifications of the page break preview and the normal view (0: default).
struct TcxBiffWindow2 {
  uint16_t Options = 0;
  uint16_t TopRow = 0;
  uint16_t LeftCol = 0;
  uint16_t GridColor = 64;
  uint16_t PageBreakZoom = 0;
  uint16_t NormalZoom = 0;
};
void WriteWindow2(TcxBiffWriter& w, const TcxBiffWindow2& window);
// SCL: the magnification as a fraction.
void WriteScl(TcxBiffWriter& w, uint16_t numerator, uint16_t denominator);
// PANE: frozen columns and rows (or split sizes in twips), the first row and column of the
// scrolling panes, the active pane.
void WritePane(TcxBiffWriter& w, uint16_t x, uint16_t y, uint16_t topRow, uint16_t leftCol,
               uint8_t activePane);
// SELECTION of one pane: the active cell and the one range that holds it.
void WriteSelection(TcxBiffWriter& w, uint8_t pane, uint16_t activeRow, uint16_t activeCol,
                    uint16_t firstRow, uint16_t lastRow, uint8_t firstCol, uint8_t lastCol);
// REFMODE: R1C1 or A1 references.
void WriteRefMode(TcxBiffWriter& w, bool r1c1 = false);
void WriteDefColWidth(TcxBiffWriter& w, uint16_t width);
// STANDARDWIDTH: the default column width in 1/256 of a character.
void WriteStandardWidth(TcxBiffWriter& w, uint16_t width);
// DEFAULTROWHEIGHT: the height of rows without a ROW record, in twips, with its option flags.
void WriteDefaultRowHeight(TcxBiffWriter& w, uint16_t height, uint16_t options = 0);
void WriteColInfo(TcxBiffWriter& w, uint16_t col, uint16_t width, uint16_t xf, uint16_t options);
void WriteRowRecord(TcxBiffWriter& w, uint16_t row, uint16_t height, uint16_t options,
                    uint16_t xf);

// --- Cells --------------------------------------------------------------------------------------
void WriteBlank(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf);
void WriteNumber(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, double value);
void WriteRk(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, uint32_t rk);
void WriteLabelSst(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, uint32_t index);
// BOOLERR: a boolean (value 0 or 1) or a BIFF8 error code.
void WriteBoolErr(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, uint8_t value,
                  bool isError);
// FORMULA with its cached result as the 8 bytes BIFF8 stores, options and tokens.
void WriteFormula(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf,
                  std::span<const uint8_t, 8> result, uint16_t options,
                  std::span<const uint8_t> tokens, std::span<const uint8_t> extra = {});
// STRING: the text result of the FORMULA record before it, continued in CONTINUE records when
// it does not fit one record.
void WriteString(TcxBiffWriter& w, std::u16string_view text);
// MERGEDCELLS records of at most 1024 ranges each; each range is first row, last row, first
// column, last column (inclusive).
struct TcxBiffRange {
  uint16_t FirstRow, LastRow, FirstCol, LastCol;
};
void WriteMergedCells(TcxBiffWriter& w, std::span<const TcxBiffRange> ranges);
