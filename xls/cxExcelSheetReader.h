#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "calc/cxSSTypes.h"
#include "platform/RegionalSettings.h"
#include "sheet/cxSSSheetState.h"
#include "xls/cxBiffRecords.h"
#include "xls/cxExcelUnits.h"
#include "xls/cxFormulaReader.h"
#include "xls/cxFormulaTokenReader.h"

class IcxBookSheet;
class IcxSheetCell;
class TcxExcelStyleTable;

// A workbook stream the reader cannot read: damaged, encrypted or of an older format. The text
// says what was wrong; the workbook reports "Invalid stream format" whatever it is.
class TcxExcelReadError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Why a formula cell holds its cached value instead of its formula.
enum TcxFormulaProblemKind : uint8_t {
  fpUnknownFunction,       // a function the function library does not have
  fpUnsupported,           // something the workbook's formulas cannot express
  fpDamaged,               // tokens that do not make one expression
  fpArrayFormula,          // part of an array formula (the workbook has no array evaluation)
  fpDataTable,             // part of a data table
  fpMissingSharedFormula,  // points at a shared or array formula the sheet does not have
};

// A formula cell that keeps the value Excel calculated for it (a constant) instead of its
// formula, with the reason; or (Kept) a formula cell that calls a function outside the library
// (Detail: its name, one entry a function): it keeps its formula and shows the value Excel
// calculated.
struct TcxFormulaProblem {
  int Page = 0;
  int Col = 0;
  int Row = 0;
  TcxFormulaProblemKind Kind = fpDamaged;
  std::string Detail;
  bool Kept = false;
};

// The tokens parsed for each formula shape seen (TcxFormulaReader::ShapeKey), so that a formula
// filled down a column is parsed once. Shapes stop being worked out where they do not pay: when
// the workbook gives no parsed tokens back, or when few formulas repeat a shape seen before.
struct TcxParsedShapes {
  // Enough for every formula of a sheet filled down; a file of distinct formulas cannot make the
  // tables grow without bound.
  static constexpr size_t kMaxShapes = 65536;
  std::unordered_map<std::string, TcxTokenString> Tokens;
  // The same tokens by the formulas' token keys (TcxFormulaReader::TokenKey), which are quicker
  // to work out than shapes; the entries point into Tokens.
  std::unordered_map<std::string, const TcxTokenString*> ByTokenKey;
  size_t Lookups = 0;
  size_t Hits = 0;
  bool Off = false;
};

// What the sheets of a workbook share while they are read: the cell formats, the shared
// strings, the formula decoder and the settings, all complete once the globals are read.
struct TcxExcelGlobals {
  const TRegionalSettings* Settings = nullptr;
  const TcxExcelStyleTable* Styles = nullptr;
  const std::vector<std::string>* SharedStrings = nullptr;
  // For each of SharedStrings, whether the workbook would take it for a value
  // (TcxExcelSheetReader::ReadsAsValue): worked out once per string, not once per cell.
  const std::vector<bool>* SharedStringValues = nullptr;
  const TcxFormulaReader* Formulas = nullptr;
  // For the formulas text cannot bring to the cell.
  const TcxFormulaTokenReader* FormulaTokens = nullptr;
  // Null when every formula is parsed from its text.
  TcxParsedShapes* ParsedShapes = nullptr;
  // The screen's pixels per logical inch divided by 96.
  double Scale = 1;
};

// What reading the sheets found about formulas.
struct TcxExcelReadReport {
  bool UnknownFunctions = false;
  std::vector<TcxFormulaProblem> Problems;
};

// Reads one worksheet substream (BOF … EOF) into a sheet of the workbook: cells with their
// formats, formulas (with their shared and array formulas), column and row sizes, merged
// areas, window options and protection.
//
// A formula is handed to the cell as formula text; a later formula of the same shape (the same
// formula at another cell, references moved with it) takes the tokens parsed for the first.
// A formula that text cannot carry (a function outside the library, another workbook's cells,
// see TcxFormulaTokenReader) is handed over as tokens with the file's own tokens and value.
// Where the workbook cannot hold the formula at all (see TcxFormulaProblemKind) the cell gets
// Excel's cached result as a constant and the cell is listed in the report: nothing is silently
// truncated or replaced by a wrong formula.
//
// Cost: two passes over the substream's record headers (the first finds the cells' extent,
// which presizes the sheet) and one cell object per cell record.
class TcxExcelSheetReader {
public:
  TcxExcelSheetReader(const TcxExcelGlobals& globals, IcxBookSheet& sheet, int page,
                      TcxExcelReadReport& report);

  // Reads the substream whose BOF record starts at `offset`; answers the offset after its EOF.
  // `progress` is told the offset of a record read and answers the offset from which on it wants
  // to be told again. Throws TcxExcelReadError for a damaged substream.
  size_t Read(std::span<const uint8_t> stream, size_t offset,
              const std::function<size_t(size_t)>& progress);

  // Whether the workbook would take the text for a number, a truth value or an error value.
  static bool ReadsAsValue(const std::string& text, const TRegionalSettings& settings);

  // The sheet's reference style (REFMODE), once read.
  bool R1C1() const { return r1c1_; }

private:
  // A formula cell whose value is not settled yet: it waits for its shared or array formula, or
  // for the STRING record that holds its cached text.
  struct TPendingFormula {
    TcxCellHeader Cell;
    TcxFormulaResult Result;
    std::string Text;  // the cached text once the STRING record is read
    bool HasText = false;
    bool Settled = false;  // taken out of the waiting list (unresolved_)
    int AnchorCol = 0;
    int AnchorRow = 0;
    // A formula kept as tokens (KeepFormula), once its value is known.
    std::shared_ptr<TcxFileFormula> File;
    TcxTokenString Tokens;
    // The array formula or data table the cell is part of.
    TcxFormulaBlock Block;
  };
  // A SHRFMLA, ARRAY or TABLE record (Table: Record holds the range only).
  struct TRangeFormula {
    TcxRangeFormulaRecord Record;
    bool Array = false;
    bool Table = false;
    TcxTableRecord TableRecord;
  };

  void Prescan(std::span<const uint8_t> stream, size_t offset);
  void Dispatch(TcxBiffRecord& record);
  void Finish();

  // The cell with XF `xf` applied (none beyond the sheet's 256 columns), good until the next
  // call.
  IcxSheetCell* Cell(int col, int row, int xf);
  void SetNumber(int col, int row, int xf, double value);
  // A text constant; an empty one only applies the XF.
  void SetText(int col, int row, int xf, const std::string& text);
  // A string of the file (a LABEL, a shared string, a formula's text result): like SetText, and
  // a string that the workbook would take for a number, a truth value or an error value gets
  // the text format, so that it shows and is saved as the text it is.
  void SetString(int col, int row, int xf, const std::string& text);
  void SetString(int col, int row, int xf, const std::string& text, bool readsAsValue);

  void ReadFormula(TcxBiffRecord& record);
  void ReadRangeFormula(TcxBiffRecord& record, bool array);
  void ReadTableRecord(TcxBiffRecord& record);
  // Keeps a range record and settles the cells that waited for it.
  void AddRangeFormula(TRangeFormula formula);
  // A cell of an array formula: the array's expression converted at the cell; a cell of a data
  // table: TABLE(row input, column input) with the value the file stored.
  void SettleArrayCell(TPendingFormula& pending, const TRangeFormula& range);
  void SettleTableCell(TPendingFormula& pending, const TRangeFormula& range);
  // Hands the formula converted from the file to the cell once its value is known (the STRING
  // record that holds a text value may follow).
  void KeepConverted(TPendingFormula& pending);
  void ReadString(TcxBiffRecord& record);
  // The shape of a formula's tokens at the cell, or empty when shapes are not reused.
  std::string ShapeOf(const TcxCellHeader& cell, std::span<const uint8_t> tokens,
                      std::span<const uint8_t> extra) const;
  // The formula's token key (TcxFormulaReader::TokenKey), or empty when shapes are not reused.
  std::string TokenKeyOf(const TcxCellHeader& cell, std::span<const uint8_t> tokens,
                         std::span<const uint8_t> extra) const;
  // Makes the cell the formula parsed before for the same shape, found by the shape or by the
  // token key; false when there is none.
  bool ReuseShape(const TPendingFormula& pending, const std::string& shape);
  bool ReuseTokenKey(const TPendingFormula& pending, const std::string& tokenKey);
  // Once tokens are parsed for the shape, later formulas with this token key find them.
  void KeepTokenKey(const std::string& tokenKey, const std::string& shape);
  // Counts one lookup of a parsed shape and gives the cell its tokens when one was found.
  bool ReuseParsed(const TPendingFormula& pending, const TcxTokenString* parsed);
  // Settles a formula cell from its decoded formula (`tokens` and `extra` as the file holds
  // it); a formula the cell parsed is kept for later cells of the same `shape`.
  void SettleFormula(TPendingFormula& pending, const TcxDecodedFormula& decoded,
                     std::span<const uint8_t> tokens, std::span<const uint8_t> extra,
                     const std::string& shape = {});
  // Makes the cell the formula converted straight from the file's tokens; false (nothing done)
  // when they do not convert.
  bool KeepFormula(TPendingFormula& pending, std::span<const uint8_t> tokens,
                   std::span<const uint8_t> extra);
  // Hands a formula kept as tokens to its cell, with the value the file stored.
  void FinishKept(TPendingFormula& pending);
  // A formula whose text result was to come in a STRING record gets none.
  void DropAwaitedString();
  // The cell keeps its cached result; the reason goes to the report.
  void KeepValue(TPendingFormula& pending, TcxFormulaProblemKind kind, const std::string& detail);
  void SetCachedValue(const TPendingFormula& pending);
  // Settles a waiting formula cell with the shared or array formula `range` (none: missing).
  void SettleWithRange(TPendingFormula& pending, const TRangeFormula* range);
  // Settles the formulas still waiting at the end of the sheet, in the order they came, with the
  // first range (in file order) that holds the cell they point at.
  void ResolveAtEnd();

  // Keys of cells for the tables below.
  static uint32_t CellKey(int col, int row) {
    return static_cast<uint32_t>(row) << 16 | static_cast<uint16_t>(col);
  }

  void ReadColInfo(TcxBiffRecord& record);
  void ReadRow(TcxBiffRecord& record);
  void ReadMergedCells(TcxBiffRecord& record);
  TcxExcelUnits Units() const { return {globals_.Scale}; }
  void ReadWindow2(TcxBiffRecord& record);
  void ReadPane(TcxBiffRecord& record);
  // A one-flag record (PROTECT, OBJPROTECT, ...): its flag, or nothing when it is cut short.
  static bool ReadFlag(TcxBiffRecord& record, bool& flag);

  const TcxExcelGlobals& globals_;
  IcxBookSheet& sheet_;
  int page_;
  TcxExcelReadReport& report_;

  int maxCol_ = -1;
  int maxRow_ = -1;
  // Shared and array formulas in file order, and the first of them by the cell they start at:
  // formula cells find theirs by that cell, so a sheet's formulas settle in linear time whether
  // the range records come before or after the cells.
  std::vector<TRangeFormula> rangeFormulas_;
  std::unordered_map<uint32_t, size_t> rangeAt_;
  // Formula cells waiting for their SHRFMLA or ARRAY record, in file order, and the positions of
  // those still waiting by the cell they point at.
  std::vector<TPendingFormula> unresolved_;
  std::unordered_map<uint32_t, std::vector<size_t>> waiting_;
  size_t waitingCount_ = 0;
  // The last FORMULA record kept as a value whose text comes in the next STRING record.
  bool awaitingString_ = false;
  TPendingFormula stringCell_;
  // The last FORMULA record waits for its shared formula and its text comes in a STRING record.
  bool unresolvedAwaitingString_ = false;
  TcxCellHeader lastFormulaCell_;

  bool hasWindow_ = false;
  // A WINDOW2 of a further window was read: its view records are not the sheet's.
  bool otherWindow_ = false;
  uint16_t windowOptions_ = 0;
  TcxSSSheetView view_;
  bool hasSelection_ = false;
  TcxSelectionRecord selection_;
  TcxSSProtection protection_;
  TcxSSDefaultSizes defaultSizes_;
  bool r1c1_ = false;
};
