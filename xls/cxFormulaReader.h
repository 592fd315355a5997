#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegionalSettings.h"

// What a workbook's link table says about a supporting book (SUPBOOK record).
enum TcxSupBookKind : uint8_t {
  sbkSelf,      // this workbook: EXTERNSHEET entries name its own sheets
  sbkAddIn,     // add-in functions: its EXTERNNAME records are function names
  sbkExternal,  // another workbook (or a DDE/OLE link)
};

struct TcxSupBook {
  TcxSupBookKind Kind = sbkSelf;
  std::vector<std::string> ExternNames;  // EXTERNNAME records that follow it, in order
  // Where the book and its names are in the workbook's links (TcxSSExternalLinks): the book's
  // index and the index of its first name (-1 for this workbook).
  int LinkBook = -1;
  int FirstLinkName = -1;
};

// One EXTERNSHEET entry: a supporting book and a range of its sheets.
struct TcxExternSheet {
  uint16_t SupBook = 0;
  uint16_t FirstSheet = 0;
  uint16_t LastSheet = 0;
};

// What the decoder knows of the workbook being read, filled by the workbook reader from the
// globals substream before any sheet is read.
struct TcxFormulaContext {
  TRegionalSettings Settings;
  // BOUNDSHEET names in file order (chart and module sheets included: 3-D references count them).
  std::vector<std::string> SheetNames;
  std::vector<TcxSupBook> SupBooks;
  std::vector<TcxExternSheet> ExternSheets;
  // NAME records in file order (built-in names by their text); for each the page it belongs to
  // (-1: the workbook) and its text in a formula of another page (Page!Name), whether the
  // workbook holds it as a name of a value (not as a function's name, nor a name it could not
  // read), and whether it may name a function (flagged so, or without a formula).
  std::vector<std::string> Names;
  std::vector<int> NamePages;
  std::vector<std::string> QualifiedNames;
  std::vector<bool> NameDefined;
  std::vector<bool> NameFunctions;
  // For each NAME record, the index of the workbook's name it became (-1: none).
  std::vector<int> NameIndexes;
  // For each BOUNDSHEET record, the workbook's page (-1 for chart and module sheets).
  std::vector<int> SheetPages;
  // For each EXTERNSHEET entry of another workbook, its index in the workbook's external sheets
  // (-1 for the entries of this workbook and of add-ins).
  std::vector<int> LinkSheets;
};

// What decoding one parsed expression gave.
enum TcxFormulaOutcome : uint8_t {
  foFormula,          // Text is the formula text
  foShared,           // the cell uses the shared or array formula anchored at (ExpCol, ExpRow)
  foTable,            // the cell belongs to a data table (TABLE record)
  foUnknownFunction,  // a function the function library does not have (Detail: its name)
  foUnsupported,      // well formed, but the workbook cannot hold it (Detail: what)
  foDamaged,          // the tokens do not make one expression (Detail: why)
};

struct TcxDecodedFormula {
  TcxFormulaOutcome Outcome = foDamaged;
  std::string Text;    // "=" + the expression, for foFormula (and as far as decoded for foUnsupported)
  std::string Detail;
  int ExpCol = 0;
  int ExpRow = 0;
};

// Decodes BIFF8 parsed expressions (the token strings of FORMULA, ARRAY and SHRFMLA records)
// into formula text as a user would type it: A1 references, the locale list separator between
// arguments, numbers in the locale's general form. The cell's own parser then reads that text.
//
// Every token a worksheet formula may hold is decoded: operators, constants (error constants
// included), references in all operand classes, relative references of shared formulas,
// 3-D references through the link table, names and external names, function calls (add-in
// functions through function 255), array constants from the data after the tokens, the
// attribute tokens, and the memory tokens, which only wrap a sub-expression that follows.
// Error constants and references to deleted cells become error literals (#N/A, #REF!). What
// the workbook cannot hold (external workbooks, references to deleted sheets, array
// constants, unions outside the formulas of names, names it could not define) is reported as
// foUnsupported
// with a readable Detail instead of yielding a wrong formula; tokens that do not make one
// expression are reported as foDamaged. Nothing ever reads past the given bytes.
//
// The decoder keeps nothing between calls but the capacity of its operand stack; cost is linear
// in the token bytes.
class TcxFormulaReader {
public:
  explicit TcxFormulaReader(const TcxFormulaContext& context);
  ~TcxFormulaReader();
  TcxFormulaReader(const TcxFormulaReader&) = delete;
  TcxFormulaReader& operator=(const TcxFormulaReader&) = delete;

  // Decodes `tokens` for the cell at (col, row) of page `page`; `extra` is the data that follows
  // the tokens in the record (array constants and memory-area lists).
  TcxDecodedFormula Decode(int col, int row, std::span<const uint8_t> tokens,
                           std::span<const uint8_t> extra = {}, int page = -1) const;
  // Decodes the formula of a defined name that belongs to page `page` (-1: the workbook): its
  // relative references are offsets from the cell using the name, written as cells from A1
  // (wrapping around at the sheet's edges), and a list of references may be their union.
  TcxDecodedFormula DecodeName(std::span<const uint8_t> tokens, std::span<const uint8_t> extra,
                               int page) const;

  // The formula's shape: the same decoding with every reference to the cell's own sheet written
  // as offsets from the cell for its relative parts. Two cells whose formulas have the same
  // shape parse to the same tokens (the workbook stores such references relative to the cell),
  // so the tokens parsed for one can serve the other. Empty when the tokens do not decode to a
  // formula, or when an area mixes relative and absolute corners (the parser orders corners by
  // where they are).
  std::string ShapeKey(int col, int row, std::span<const uint8_t> tokens,
                       std::span<const uint8_t> extra = {}) const;

  // A quicker stand-in for the shape of plain formulas, worked out from the bytes alone: the
  // tokens as they are, with the relative parts of references to the cell's own sheet written
  // as offsets from the cell. Two cells with the same token key have formulas of the same shape
  // (the decoding depends on nothing else), though formulas of one shape may differ in their
  // token keys. Empty when the tokens hold anything else than operators, constants, functions,
  // defined names and own-sheet references within the sheet's 256 columns, or an area mixes
  // relative and absolute corners.
  static std::string TokenKey(int col, int row, std::span<const uint8_t> tokens);

  // The argument separator of formula text: the locale list separator, or ";" when the list
  // and decimal separators are both ",".
  const std::string& ListSeparator() const { return listSeparator_; }
  // A sheet name as formula text writes it: in single quotes when it holds a blank.
  static std::string SheetText(std::string_view name);

private:
  struct TScratch;
  const TcxFormulaContext& context_;
  std::string listSeparator_;
  std::unique_ptr<TScratch> scratch_;
};
