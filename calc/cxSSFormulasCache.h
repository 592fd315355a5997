#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "calc/cxSSExternalLinks.h"
#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSNames.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSTypes.h"

struct TcxTextFill;

class TcxCustomSpreadSheetBook;
class TcxSSDataStorage;
struct TcxSSCellRec;

// A field of a file's parsed expression that names something through the file's link table:
// a save writes the index the new file gives it.
enum TcxFileLinkKind : uint8_t {
  flSheets,        // a 16-bit EXTERNSHEET index: pages First to Last (kDeletedSheet: none)
  flExternalSheet, // a 16-bit EXTERNSHEET index: external sheet First (TcxSSExternalLinks)
  flName,          // a 16-bit one-based NAME index: the workbook's name First
  flExternalName,  // a 16-bit EXTERNSHEET index, 2 bytes later a 16-bit name index: external
                   // name First
};
struct TcxFileLink {
  uint16_t Offset = 0;  // of the field in Tokens
  TcxFileLinkKind Kind = flSheets;
  uint16_t First = 0;
  uint16_t Last = 0;
  bool operator==(const TcxFileLink&) const = default;
};

// A formula as the file it was read from holds it: the file's own parsed expression, which a
// save writes back (with the link indexes of the new file) as long as the formula is still the
// one that was read, and the value the file stored for it.
struct TcxFileFormula {
  std::vector<uint8_t> Tokens;  // BIFF8 tokens
  std::vector<uint8_t> Extra;   // the data after them in the record (array constants)
  std::vector<TcxFileLink> Links;
  // The formula as it was read: the file's tokens stand for it while it stays so.
  TcxTokenString Parsed;
  int Sheet = 0;
  int Col = 0;
  int Row = 0;
  // The stored value, as a result token string (empty: the file stored none).
  TcxTokenString Result;
  // A data table's options as its TABLE record holds them (which inputs it has, recalculation).
  uint16_t TableOptions = 0;
  // The file's tokens mean what the workbook's do not say (an array constant Excel takes the
  // first value of): the formula keeps the stored value while it is the one read.
  bool KeepsValue = false;
};

// The internal function number of a data table's cells: TABLE(row input, column input), which
// only Excel's data-table recalculation fills; the workbook keeps the values the file stored.
inline constexpr uint16_t kDataTableFunction = 0xFFFE;

// A formula of one cell: where it is, its parsed expression and its cached result.
// Owned by the formula engine (which lists every formula of the workbook); the cell that holds
// it points at it.
struct TcxSSFormula {
  uint16_t Sheet = 0;
  int32_t Col = 0;
  int32_t Row = 0;
  TcxTokenString Tokens;
  // One ptgStr, ptgBool or ptgNum token, or in the error state one byte holding the internal
  // error code; empty = not calculated.
  TcxTokenString Result;
  uint8_t State = 2;  // 2 valid, 0 error
  int32_t Visit = 0;
  bool ParseFailed = false;
  // The workbook cannot calculate the tokens (a function outside the library, another
  // workbook's cells or names, see Calculable, or what only the file's tokens say):
  // the formula's value is the one its file stored, or "#NAME?" when there is none. Set by the
  // engine.
  bool KeepsResult = false;
  // Position in the engine's list (maintained by the engine).
  size_t ListIndex = 0;
  // What the file held of a formula read from one; shared by copies, never changed.
  std::shared_ptr<const TcxFileFormula> File;
  // The array formula or data table the formula is one cell of; every cell of the block has a
  // formula of its own with the same block and the same expression (references made relative
  // to its own cell).
  TcxFormulaBlock Block;
};

// A sheet as formulas name it: its caption (in single quotes when it holds a blank) and index.
struct TcxSSSheetDef {
  std::string Name;
  int32_t Index = 0;
};
using TcxSSSheetsDef = std::vector<TcxSSSheetDef>;

// The workbook's formula engine: registers every formula, evaluates on demand, recalculates
// all formulas in one sweep, gives formula cells their display text, keeps the defined names and
// rewrites references when rows, columns or sheets move.
//
// Formulas are kept in registration order (the sweep's order); each record knows its position,
// so removal is constant time (the slot is emptied and the list compacted when it grows sparse).
//
// Calculation is depth first: a formula that refers to an uncalculated formula has that one
// calculated first. The depth lives on an explicit work stack of suspended handlers, never on
// the machine stack, so a chain of any length calculates; each sweep calculates a formula once
// (its result is kept until the next sweep).
class TcxSSFormulasCache {
public:
  explicit TcxSSFormulasCache(TcxCustomSpreadSheetBook& book);
  virtual ~TcxSSFormulasCache();
  TcxSSFormulasCache(const TcxSSFormulasCache&) = delete;
  TcxSSFormulasCache& operator=(const TcxSSFormulasCache&) = delete;

  TcxCustomSpreadSheetBook& Book() const { return book_; }

  // --- Registration --------------------------------------------------------------------------
  // Parses the text of the cell and makes it a formula cell; false (the cell stays text) when the
  // text does not parse, or, outside loading, when the formula is longer than one FORMULA
  // record of a file holds ("The formula is too long").
  virtual bool AddFormula(TcxSSDataStorage& storage, int col, int row);
  // Whether the formula's file tokens fit one FORMULA record.
  bool FitsFile(const TcxSSFormula& formula);
  // Makes the cell a formula of tokens parsed before (references relative to the cell) and
  // gives it the formula's text; false, and the cell untouched, when the tokens make no text.
  // `file`: what the file the formula was read from holds of it.
  // `block`: the array formula or data table the cell is part of.
  bool AddFormulaTokens(TcxSSDataStorage& storage, int col, int row, const TcxTokenString& tokens,
                        std::shared_ptr<const TcxFileFormula> file = nullptr,
                        const TcxFormulaBlock& block = {});
  // Whether the workbook can calculate these tokens: false when they call a function outside
  // the library's table (or one named by a name), or refer to another workbook.
  static bool Calculable(const TcxTokenString& tokens);
  virtual TcxSSFormula* Add(std::unique_ptr<TcxSSFormula> formula);
  // Unregisters and frees a registered formula; an unknown pointer is left alone.
  virtual void RemoveFormula(TcxSSFormula* formula);
  virtual TcxSSFormula* CopyFormula(const TcxSSFormula& formula);
  void Clear();
  int Count() const { return count_; }
  bool IsRegistered(const TcxSSFormula* formula) const;
  // Calls f(formula) for every registered formula in registration order.
  template <typename F>
  void ForEachFormula(F&& f) const {
    for (const auto& formula : formulas_)
      if (formula) f(*formula);
  }

  // --- Calculation ---------------------------------------------------------------------------
  bool IsLocked() const { return lockCount_ >= 1 && !forceCalc_; }
  void Lock(bool lock) { lockCount_ += lock ? 1 : -1; }
  int LockCount() const { return lockCount_; }
  void SetLockCount(int count) { lockCount_ = count; }
  bool ForceCalc() const { return forceCalc_; }
  void SetForceCalc(bool value) { forceCalc_ = value; }
  bool Silent() const { return silent_; }
  void SetSilent(bool value) { silent_ = value; }
  bool ErrorFlag() const { return errorFlag_; }
  void SetErrorFlag(bool value) { errorFlag_ = value; }
  bool CyclicRefs() const { return cyclicRefs_; }
  bool R1C1() const { return r1c1_; }
  void SetR1C1(bool value) { r1c1_ = value; }
  virtual void Calculate(TcxSSFormula& formula);
  // Runs RecalcAll when not locked and at least one formula exists.
  virtual void Recalc();
  virtual void RecalcAll();
  // The cached result (kind rkNone when not calculated).
  TcxResultValue ResultValue(const TcxSSFormula& formula) const;
  // The text the formula's cell shows; `color` may be set by the number format.
  // `fill`, when given, receives where the number format asks a formatted number to be filled.
  std::string DisplayText(TcxSSFormula& formula, TcxSSColor& color, bool formatted,
                          TcxTextFill* fill = nullptr);
  std::string DisplayText(TcxSSFormula& formula);
  // A referenced cell's value for evaluation (a formula cell is calculated first when needed).
  virtual bool CellAsText(TcxSSFunctionHandler& handler, int sheet, int col, int row,
                          std::string& text);
  virtual bool CellAsNumber(TcxSSFunctionHandler& handler, int sheet, int col, int row,
                            double& x);
  virtual bool CellAsBoolean(TcxSSFunctionHandler& handler, int sheet, int col, int row,
                             bool& b);
  // The number a cell holds as a number (a number cell, or a formula with a number result),
  // without going through text; false for anything else.
  bool CellNumberValue(int sheet, int col, int row, double& x);
  // The formula of a cell that still needs calculating in this sweep, or nullptr.
  TcxSSFormula* UncalculatedFormulaAt(int sheet, int col, int row) const;
  // The part of `cells` inside the sheet's stored rows and columns (empty when none).
  TRect ClipToStored(int sheet, const TRect& cells) const;
  // Areas found to hold no formula still to calculate in this sweep: a function reading the
  // same table again need not look through it again. Forgotten whenever formulas come, go or
  // lose their results.
  bool KnownCalculated(int sheet, const TRect& cells) const;
  void SetKnownCalculated(int sheet, const TRect& cells);

  // --- Parsing and text -------------------------------------------------------------------------
  TcxSSFunctionHandler& Handler() { return handler_; }
  // "=" + the expression rebuilt from the formula's tokens.
  std::string FormulaText(TcxSSFormula& formula);
  // The formula as BIFF8 tokens and the data after them (see TcxSSFunctionHandler).
  // `rootClass` 'A' for the expression of an array formula (its ARRAY record).
  void ExportTokens(const TcxSSFormula& formula, TcxTokenString& tokens,
                    IcxFormulaLinks* links = nullptr, TcxTokenString* extra = nullptr,
                    char rootClass = 'V');
  // A parse or calculation message: shown in the message box, or only flagged while Silent.
  void ReportError(std::string_view message);

  // --- References -------------------------------------------------------------------------------
  // Entire columns (rows) of `rect` on sheet `sheet` are about to be inserted or deleted: moves
  // formulas and references; a reference into a deleted block makes its cell the text "#REF!".
  virtual void AdjustReferences(int sheet, const TRect& rect, bool isColumns, bool isDelete);
  // The blocks (array formulas and data tables) of a sheet, one entry each.
  std::vector<TRect> Blocks(int sheet) const;
  // Whether inserting (deleting) `rect` on the sheet in a mode of the storage's InsertCells
  // (0, 1 shift cells, 2 columns, 3 rows) would cut through a block or shift part of one.
  bool CutsBlock(int sheet, const TRect& rect, int mode, bool isDelete) const;
  // Adds the deltas to the rows and columns of the sheet-qualified references (paste).
  void ShiftSheetReferences(TcxSSFormula& formula, int rowDelta, int colDelta);
  // True when every reference resolves to non-negative rows and columns at the formula's place.
  bool ValidateReferences(const TcxSSFormula& formula) const;

  // --- Sheets and names ------------------------------------------------------------------------
  // Sheet `a` becomes `b` and `b` becomes `a` in every formula, reference and name.
  virtual void ExchangeSheets(int a, int b);
  // The sheet at `index` is gone: later sheets move down by one; references to it give "#REF!".
  virtual void DeleteSheet(int index);
  const TcxSSNamesDef& Names() const { return names_; }
  TcxSSNamesDef GetNames() const { return names_; }
  // Puts back a list taken with GetNames (undo of a deletion that moved or deleted names).
  void SetNames(TcxSSNamesDef names);
  TcxSSSheetsDef GetSheets() const;
  // Appends a workbook name of cells and returns its index (-1 for a sheet beyond 255, which a
  // name cannot hold); with `check`, also -1 for a name holding a blank or one of
  // ( ) & @ # % ^ + - * / \ | , . ; { } [ ] ' " ? or equal (without case) to a live name or a
  // sheet caption, or longer than a file's name holds (255 characters).
  virtual int AddName(const std::string& name, int sheet, bool check, const TRect& area);
  // Appends a name as a file holds it (a formula name without its formula yet, see
  // SetNameFormula) and returns its index; -1 when it is empty, its scope or sheet is not a page
  // it can hold, or its scope has a live name of that word already.
  int DefineName(TcxSSNameDefinition name);
  // Parses `text` ("=" and an expression, relative references counted from A1, names as seen
  // from the name's scope; a list of references joined by the list separator is their union)
  // into the formula of the name at `index`; false, and the name left without a formula, when
  // it does not parse.
  bool SetNameFormula(int index, std::string_view text);
  // "=" + the formula of a formula name, or its rectangle as a reference.
  std::string NameFormulaText(int index);
  // The name's formula as BIFF8 name tokens (empty for a name of cells or without a formula).
  void ExportNameTokens(int index, TcxTokenString& tokens);
  // Marks the workbook name deleted (its tokens then give "#REF!"); false when there is none.
  virtual bool DeleteName(const std::string& name);
  // The index of the live name equal to `name` without case that a formula of page `sheet`
  // sees: that page's own name, else the workbook's; -1 when there is none. Sheet -1 sees the
  // workbook's names only.
  int FindName(std::string_view name, int sheet = -1) const;
  // The names by the length of their text in bytes, for finding one among many without
  // comparing it with each: a name equal to a text of printable ASCII is one of the same length
  // of printable ASCII, or one of the few holding anything else.
  struct TcxNameIndex {
    size_t Indexed = 0;  // how many of the names it holds (names are only ever appended)
    bool Valid = false;
    std::vector<std::pair<size_t, std::vector<uint32_t>>> ByLength;  // longest first
    std::vector<uint32_t> Unusual;  // names holding other than printable ASCII, in order
    // The indexes of the names of `length` bytes, in order (nullptr for none).
    const std::vector<uint32_t>* OfLength(size_t length) const;
  };
  const TcxNameIndex& NameIndex() const;
  // Whether a formula of page `sheet` sees the name (its own page's or the workbook's).
  static bool NameVisible(const TcxSSNameDefinition& name, int sheet) {
    return !name.Deleted && (name.Scope < 0 || name.Scope == sheet);
  }
  // Whether some live name has a formula, which formulas using it evaluate in their place.
  bool HasFormulaNames() const { return formulaNames_; }

  // --- Links to other workbooks and add-ins ----------------------------------------------------
  const TcxSSExternalLinks& ExternalLinks() const { return links_; }
  void SetExternalLinks(TcxSSExternalLinks links) { links_ = std::move(links); }

protected:
  // A formula record for the cell, not yet registered.
  static std::unique_ptr<TcxSSFormula> NewFormula(const TcxSSDataStorage& storage, int col, int row);
  // Asks the processor to fetch the cells the formula's one-cell references name (a hint only).
  void PrefetchCells(const TcxSSFormula& formula) const;
  void NamesChanged();
  // Calculates `root` and, first, every formula it waits for.
  void CalculateChain(TcxSSFormula& root);
  // Gives a formula the workbook cannot calculate the value its file stored (or "#NAME?").
  static void KeptResult(TcxSSFormula& formula);
  // The cell's own record (a covered cell of a merged area without one is empty here), or
  // nullptr for a sheet that does not exist.
  const TcxSSCellRec* CellAt(int sheet, int col, int row) const;
  // The cell's formula (calculated first when it has no result), or nullptr for a constant.
  TcxSSFormula* CalculatedFormula(const TcxSSCellRec& cell);

  TcxCustomSpreadSheetBook& book_;
  std::vector<std::unique_ptr<TcxSSFormula>> formulas_;
  int count_ = 0;
  TcxSSNamesDef names_;
  // HasFormulaNames, worked out again by NamesChanged whenever names may have changed.
  bool formulaNames_ = false;
  // Brought up to date by NameIndex; made again after NamesChanged.
  mutable TcxNameIndex nameIndex_;
  TcxSSExternalLinks links_;
  bool cyclicRefs_ = false;
  bool errorFlag_ = false;
  bool silent_ = false;
  bool r1c1_ = false;
  bool forceCalc_ = false;
  int lockCount_ = 0;
  TcxSSFunctionHandler handler_;
  // The work stack of calculation: the formulas being calculated, each waiting for the one
  // above it, and the handlers by depth (kept for reuse).
  std::vector<TcxSSFormula*> frames_;
  // Chains started while another runs, one inside the other (a lookup reading its table's
  // formulas as it goes); each nesting takes machine stack, so their depth is bounded.
  int nestedChains_ = 0;
  struct TAreaKey {
    int Sheet, Left, Top, Right, Bottom;
    bool operator==(const TAreaKey&) const = default;
  };
  struct TAreaKeyHash {
    size_t operator()(const TAreaKey& k) const {
      size_t h = static_cast<size_t>(k.Sheet);
      for (int v : {k.Left, k.Top, k.Right, k.Bottom}) h = h * 1000003u ^ static_cast<size_t>(v);
      return h;
    }
  };
  std::unordered_set<TAreaKey, TAreaKeyHash> calculatedAreas_;
  std::vector<std::unique_ptr<TcxSSFunctionHandler>> workHandlers_;
  // The last message reported, so that one failure is not reported twice.
  std::string lastMessage_;
};
