#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSMergedCellsStorage.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleTypes.h"

class TcxSSBookSheet;

// A formula kept from its file (one the workbook cannot calculate, see TcxSSFormula::File) or a
// cell of an array formula: its tokens, what the file holds of it and its block, so that undo
// puts back the formula with the value the file stored and the array it belongs to, not a new
// formula of its own cell.
struct TcxStoredFileFormula {
  TcxTokenString Tokens;
  std::shared_ptr<const TcxFileFormula> File;
  // The array formula or data table the cell was part of.
  TcxFormulaBlock Block;
};

// The contents and look of one cell as an undo action keeps them: its text (for a formula the
// formula text), its kind, the font's values and the style record's values.
struct TcxStoreCellRec {
  bool Stored = false;  // the cell had a record of its own
  std::string Text;
  TcxSSCellKind Kind = ckText;
  double Number = 0;  // ckNumber: the value itself, so that undo restores it exactly
  std::shared_ptr<const TcxStoredFileFormula> Kept;  // ckFormula read from a file, else null
  TcxSSFontRec Font;
  TcxSSStyleRec Style;  // Font and RefCount unused

  // Same record presence, contents and look (the font compared by its values).
  bool SameAs(const TcxStoreCellRec& other) const;
};

// Records the cells of a rectangle of one sheet; undo and redo both swap the stored cells with
// the sheet's current ones, so an action can be undone and redone any number of times.
//
// Cells are read from their own records: a cell of a merged area that has none is kept as the
// empty default cell, not as the area's top-left cell it reads as. A one-cell rectangle (every
// single write records one) keeps its cell inline; larger ones keep a column-major array.
class TcxSpreadSheetActions : public TcxCustomAction {
public:
  TcxSpreadSheetActions() = default;
  void Undo() override { SwapCells(); }
  void Redo() override { SwapCells(); }
  virtual void SwapCells();
  virtual void StoreCells();

  // Keeps the sheet and the inclusive rectangle; with `store`, reads the cells.
  void Init(TcxSSBookSheet& sheet, const TRect& cells, bool store = true);
  TcxSSBookSheet* Sheet() const { return sheet_; }
  const TRect& Cells() const { return cells_; }
  const TcxStoreCellRec& StoredCell(int col, int row) const;

protected:
  TcxStoreCellRec& Stored(int col, int row);

  TcxSSBookSheet* sheet_ = nullptr;
  TRect cells_;

private:
  TcxStoreCellRec single_;
  // Column-major: index (col - Left) * height + (row - Top); empty for a one-cell rectangle.
  std::vector<TcxStoreCellRec> many_;
};

// A change of cell contents or styles.
class TcxSpreadSheetChangeCellsAction : public TcxSpreadSheetActions {};

// The change of one cell's contents or style ("Change cells").
class TcxChangeDataAction : public TcxSpreadSheetChangeCellsAction {
public:
  std::string Description() const override;
};

// Sorting the rows of a rectangle: keeps only the order the rows were put in (row
// rect.Top + order[p] went to row rect.Top + p). Undo moves the rows back by the inverse order,
// redo by the order again; whole records move, so cells come back exactly as they were, at a
// few bytes per row instead of a copy of every cell.
class TcxSortCellsAction : public TcxCustomAction {
public:
  std::string Description() const override;
  void Init(TcxSSBookSheet& sheet, const TRect& cells, std::vector<int> order);
  void Undo() override;
  void Redo() override;

private:
  TcxSSBookSheet* sheet_ = nullptr;
  TRect cells_;
  std::vector<int> order_;
};

// A formula as it stood before a deletion of entire columns or rows rewrote it: its place, its
// formula text, its tokens and what its file holds of it (null for a formula not kept from a
// file).
struct TcxStoredFormula {
  int Sheet = 0;
  int Col = 0;
  int Row = 0;
  std::string Text;
  TcxTokenString Tokens;
  std::shared_ptr<const TcxFileFormula> File;
};

// Inserting or deleting cells of a rectangle with a shift mode (0 shift horizontally,
// 1 vertically, 2 entire columns, 3 entire rows). The action keeps the mode and the sheet's
// merged areas as they were; the rectangle is the area the storage shifted.
class TcxSpreadSheetInsertDeleteActions : public TcxSpreadSheetActions {
public:
  virtual void Init(TcxSSBookSheet& sheet, const TRect& cells, int mode);
  int Mode() const { return mode_; }

protected:
  // The insertion or deletion itself, with the formula references adjusted as the sheet's
  // operations do, but without their protection test: undo must not be refused.
  void Shift(bool isDelete);
  void RestoreMergedCells();

  int mode_ = 0;
  TcxSSRectsArray merged_;
};

// "Insert cells": undo deletes what was inserted, redo inserts it again.
class TcxInsertCellsAction : public TcxSpreadSheetInsertDeleteActions {
public:
  std::string Description() const override;
  void Undo() override;
  void Redo() override;
};

// "Delete cells": keeps the deleted cells, and for entire columns or rows their header items
// and the formulas elsewhere that the deletion damaged (references into the deleted lines turn
// into "#REF!", areas reaching into them shrink), which inserting the lines again cannot bring
// back.
class TcxDeleteCellsAction : public TcxSpreadSheetInsertDeleteActions {
public:
  std::string Description() const override;
  void Init(TcxSSBookSheet& sheet, const TRect& cells, int mode) override;
  void Undo() override;
  void Redo() override;
  // The formulas the deletion rewrote, as they were before, and the defined names when the
  // deletion changed them (the sheet's operation takes both before it asks the formula engine).
  void KeepReferences(std::vector<TcxStoredFormula> formulas, std::optional<TcxSSNamesDef> names) {
    formulas_ = std::move(formulas);
    names_ = std::move(names);
  }

private:
  void RestoreHeaders();
  void RestoreFormulas();

  std::vector<TcxSSHeaderItem> headerItems_;
  std::vector<TcxStoredFormula> formulas_;
  std::optional<TcxSSNamesDef> names_;
};

// Merging or splitting: keeps the cells of the (widened) area that the change can touch and the
// sheet's merged areas; undo and redo swap the cells and exchange the merged areas with the
// sheet's. Merging marks only the records that exist inside the area and the area's top-left
// cell, so those are the cells kept: merging a whole sheet keeps what its stored cells take.
class TcxMergeSplitActions : public TcxSpreadSheetActions {
public:
  virtual void Init(TcxSSBookSheet& sheet, const TRect& cells);
  void Undo() override;
  void Redo() override;
  void StoreCells() override;
  void SwapCells() override;

private:
  void Exchange();
  TcxSSRectsArray merged_;
  std::vector<TPoint> places_;
  std::vector<TcxStoreCellRec> kept_;
};

class TcxMergeCellsAction : public TcxMergeSplitActions {
public:
  std::string Description() const override;
};

class TcxSplitCellsAction : public TcxMergeSplitActions {
public:
  std::string Description() const override;
};

// The merged areas of a sheet as they were before an operation that changed them as a side
// effect (clearing with formats removes the areas inside, pasting adds the copied ones). Undo
// and redo exchange the kept list with the sheet's; it lives inside the operation's step.
class TcxMergedAreasAction : public TcxCustomAction {
public:
  void Init(TcxSSBookSheet& sheet, TcxSSRectsArray previous);
  void Undo() override { Exchange(); }
  void Redo() override { Exchange(); }

private:
  void Exchange();
  TcxSSBookSheet* sheet_ = nullptr;
  TcxSSRectsArray merged_;
};
