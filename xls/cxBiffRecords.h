#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <span>
#include <vector>

#include "xls/cxBiffReader.h"

// The BIFF8 records the workbook reader uses, each a small struct with the fields it needs and a
// parse function named after the record. A parse function reads from the record's cursor and
// answers whether every field was there (TcxBiffRecord::Ok); it never throws.

struct TcxBofRecord {
  uint16_t Version = 0;
  uint16_t Type = 0;
};
bool ReadBof(TcxBiffRecord& record, TcxBofRecord& bof);

struct TcxBoundSheetRecord {
  uint32_t Offset = 0;  // stream offset of the sheet's BOF record
  uint8_t Visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
  uint8_t Type = 0;        // bits 0-1: 0 worksheet, 1 macro sheet, 2 chart, 3 module
  std::string Name;
};
bool ReadBoundSheet(TcxBiffRecord& record, TcxBoundSheetRecord& sheet);

// A FONT record's underline codes, and the font style bits that keep them.
enum TcxBiffUnderline : uint8_t {
  buNone = 0x00, buSingle = 0x01, buDouble = 0x02, buSingleAccounting = 0x21,
  buDoubleAccounting = 0x22,
};
uint8_t FontStyleOfUnderline(uint8_t code);
TcxBiffUnderline UnderlineOfFontStyle(uint8_t style);
// A FONT record's colour index for the system's window text colour.
inline constexpr uint16_t kBiffWindowTextColor = 64;

struct TcxFontRecord {
  uint16_t Height = 0;  // twips
  uint16_t Options = 0;  // bit 1 italic, bit 3 strike-out
  uint16_t Color = 0;
  uint16_t Weight = 400;
  uint8_t Underline = 0;
  uint8_t Charset = 0;
  std::string Name;
};
bool ReadFont(TcxBiffRecord& record, TcxFontRecord& font);

struct TcxFormatRecord {
  uint16_t Index = 0;
  std::string Text;
};
bool ReadFormat(TcxBiffRecord& record, TcxFormatRecord& format);

// The 20 bytes of an XF record as they stand; TcxExcelFileReader turns them into a style record.
struct TcxXfRecord {
  uint16_t Font = 0;
  uint16_t Format = 0;
  uint16_t Protection = 0;  // bit 0 locked, bit 2 style XF, bits 4-15 parent XF
  uint8_t Alignment = 0;    // bits 0-2 horizontal, bit 3 wrap, bits 4-6 vertical
  uint8_t Rotation = 0;
  uint8_t Indent = 0;       // bit 4 shrink to fit, bit 5 merge cell
  uint8_t UsedAttributes = 0;
  uint16_t BorderStyles = 0;  // left, right, top, bottom: 4 bits each
  uint16_t BorderColors = 0;  // left bits 0-6, right bits 7-13
  uint32_t Fill = 0;          // top bits 0-6, bottom 7-13, diagonal 14-20, pattern 26-31
  uint16_t PatternColors = 0;  // foreground bits 0-6, background bits 7-13
};
bool ReadXf(TcxBiffRecord& record, TcxXfRecord& xf);

struct TcxPaletteRecord {
  std::vector<uint32_t> Colors;  // 0x00BBGGRR, as stored
};
bool ReadPalette(TcxBiffRecord& record, TcxPaletteRecord& palette);

struct TcxColInfoRecord {
  uint16_t First = 0;
  uint16_t Last = 0;
  uint16_t Width = 0;  // 1/256 of a character
  uint16_t Xf = 0;
  uint16_t Options = 0;  // bit 0 hidden
};
bool ReadColInfo(TcxBiffRecord& record, TcxColInfoRecord& info);

struct TcxRowRecord {
  uint16_t Row = 0;
  uint16_t Height = 0;  // twips (bit 15: the height is the default)
  uint32_t Options = 0;  // bit 5 hidden, bit 6 custom height, bit 7 the row has its own format
};
bool ReadRow(TcxBiffRecord& record, TcxRowRecord& row);

struct TcxCellRange {
  uint16_t FirstRow = 0;
  uint16_t LastRow = 0;
  uint16_t FirstCol = 0;
  uint16_t LastCol = 0;
};
// MERGEDCELLS: a count, then that many ranges (first row, last row, first column, last column).
bool ReadMergedCells(TcxBiffRecord& record, std::vector<TcxCellRange>& ranges);

struct TcxNameRecord {
  uint16_t Options = 0;  // bit 0 hidden, bits 1-2 function/command, bit 5 built-in
  uint16_t Sheet = 0;    // 0 for a workbook name, else the BOUNDSHEET index + 1
  std::string Name;      // built-in names by their text (Print_Area, ...)
  std::vector<uint8_t> Tokens;
};
bool ReadName(TcxBiffRecord& record, TcxNameRecord& name);

struct TcxSupBookRecord {
  uint16_t SheetCount = 0;
  uint16_t Marker = 0;  // 0x0401 this workbook, 0x3A01 add-in functions, else a path length
  // Another workbook's: its encoded path (control characters for drives and folders) and the
  // names of its sheets.
  std::string Path;
  std::vector<std::string> Sheets;
};
inline constexpr uint16_t kSupBookSelf = 0x0401;
inline constexpr uint16_t kSupBookAddIn = 0x3A01;
bool ReadSupBook(TcxBiffRecord& record, TcxSupBookRecord& book);

struct TcxExternNameRecord {
  uint16_t Options = 0;
  uint16_t Sheet = 0;  // of a sheet's own name in another workbook (one-based), else 0
  std::string Name;
  std::vector<uint8_t> Definition;  // what follows the name (its formula), as the file has it
};
bool ReadExternName(TcxBiffRecord& record, TcxExternNameRecord& name);

struct TcxExternSheetEntry {
  uint16_t SupBook = 0;
  uint16_t FirstSheet = 0;
  uint16_t LastSheet = 0;
};
bool ReadExternSheet(TcxBiffRecord& record, std::vector<TcxExternSheetEntry>& entries);

struct TcxDimensionsRecord {
  uint32_t FirstRow = 0;
  uint32_t LastRowPlus1 = 0;
  uint16_t FirstCol = 0;
  uint16_t LastColPlus1 = 0;
};
bool ReadDimensions(TcxBiffRecord& record, TcxDimensionsRecord& dimensions);

struct TcxSelectionRecord {
  uint8_t Pane = 3;
  uint16_t ActiveRow = 0;
  uint16_t ActiveCol = 0;
  TcxCellRange Range;  // the range that holds the active cell
};
bool ReadSelection(TcxBiffRecord& record, TcxSelectionRecord& selection);

// The cell records: row, column and XF index first.
struct TcxCellHeader {
  uint16_t Row = 0;
  uint16_t Col = 0;
  uint16_t Xf = 0;
};
bool ReadCellHeader(TcxBiffRecord& record, TcxCellHeader& cell);

// A formula's cached result (the 8 bytes after the cell header of FORMULA).
enum TcxFormulaResultKind : uint8_t {
  frNumber,
  frString,  // the text follows in a STRING record
  frBool,
  frError,
  frEmpty,   // an empty string
};
struct TcxFormulaResult {
  TcxFormulaResultKind Kind = frNumber;
  double Number = 0;
  uint8_t Code = 0;  // frBool: 0 or 1; frError: the BIFF8 error code
};

// Tokens and Extra view the record's bytes (or the scratch copies, when the record continues).
struct TcxFormulaRecord {
  TcxCellHeader Cell;
  TcxFormulaResult Result;
  std::span<const uint8_t> Tokens;
  std::span<const uint8_t> Extra;  // the data after the tokens (array constants)
  std::vector<uint8_t> TokensScratch;
  std::vector<uint8_t> ExtraScratch;
};
bool ReadFormula(TcxBiffRecord& record, TcxFormulaRecord& formula);

// SHRFMLA and ARRAY: the range the formula covers and its tokens.
struct TcxRangeFormulaRecord {
  TcxCellRange Range;
  std::vector<uint8_t> Tokens;
  std::vector<uint8_t> Extra;
};
bool ReadShrFmla(TcxBiffRecord& record, TcxRangeFormulaRecord& formula);
bool ReadArray(TcxBiffRecord& record, TcxRangeFormulaRecord& formula);

// TABLE: the cells of a what-if data table (without its row and column of inputs and
// formulas), its options and its input cells: the row input cell first, then the column input
// cell of a table of two inputs (a table of one input has only the first, which is a row input
// when option bit 2 is set).
struct TcxTableRecord {
  TcxCellRange Range;
  uint16_t Options = 0;
  uint16_t InputRow[2] = {0, 0};
  uint16_t InputCol[2] = {0, 0};
};
bool ReadTable(TcxBiffRecord& record, TcxTableRecord& table);

// SST: the shared strings in order (rich-text runs and phonetic data skipped). A string's
// characters may continue in the next CONTINUE record, whose first byte then says whether the
// rest is 8- or 16-bit; a string's header never straddles a boundary. The table ends where the
// record and its continuations end, also when the header's count claims more strings. False,
// with the reason in `error`, when a string runs past them.
bool ReadSst(TcxBiffRecord& record, std::vector<std::string>& strings, std::string& error);

// An RK number: a 30-bit integer or the upper 30 bits of a double, optionally divided by 100.
double DecodeRk(uint32_t rk);
