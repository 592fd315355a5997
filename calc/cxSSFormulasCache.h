#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "calc/cxSSTypes.h"

class TcxCustomSpreadSheetBook;
class TcxSSDataStorage;

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
  // Position in the engine's list (maintained by the engine).
  size_t ListIndex = 0;
};

// A defined name: a rectangle of one sheet. Entries are never removed, only marked deleted, so
// that name tokens keep their meaning.
struct TcxSSNameDefinition {
  std::string Name;
  uint8_t Sheet = 0;
  TRect Area;  // first column, first row, last column, last row
  bool Deleted = false;
};
using TcxSSNamesDef = std::vector<TcxSSNameDefinition>;

// The workbook's formula engine: registers every formula, evaluates on demand, recalculates
// all formulas in one sweep, gives formula cells their display text, keeps the defined names and
// rewrites references when rows, columns or sheets move.
//
// Formulas are kept in registration order (the sweep's order); each record knows its position,
// so removal is constant time (the slot is emptied and the list compacted when it grows sparse).
class TcxSSFormulasCache {
public:
  explicit TcxSSFormulasCache(TcxCustomSpreadSheetBook& book);
  virtual ~TcxSSFormulasCache();
  TcxSSFormulasCache(const TcxSSFormulasCache&) = delete;
  TcxSSFormulasCache& operator=(const TcxSSFormulasCache&) = delete;

  TcxCustomSpreadSheetBook& Book() const { return book_; }

  // --- Registration --------------------------------------------------------------------------
  // Parses the text of the cell and makes it a formula cell; false (the cell stays text) when the
  // text does not parse.
  virtual bool AddFormula(TcxSSDataStorage& storage, int col, int row);
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
  // The text a formula cell shows: its result, formatted by the cell's number format when
  // `formatted` (a red-negative format sets `color`).
  std::string DisplayText(TcxSSFormula& formula, TcxSSColor& color, bool formatted);

  // --- Sheets and names ------------------------------------------------------------------------
  // Sheet `a` becomes `b` and `b` becomes `a` in every formula, reference and name.
  virtual void ExchangeSheets(int a, int b);
  // The sheet at `index` is gone: later sheets move down by one.
  virtual void DeleteSheet(int index);
  const TcxSSNamesDef& Names() const { return names_; }

protected:
  TcxCustomSpreadSheetBook& book_;
  std::vector<std::unique_ptr<TcxSSFormula>> formulas_;
  int count_ = 0;
  TcxSSNamesDef names_;
  bool cyclicRefs_ = false;
  bool errorFlag_ = false;
  bool silent_ = false;
  bool r1c1_ = false;
  bool forceCalc_ = false;
  int lockCount_ = 0;
};
