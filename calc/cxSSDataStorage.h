#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "calc/cxSSTypes.h"
#include "calc/cxSSMergedCellsStorage.h"

class TcxSSBookSheet;
class TcxCustomSpreadSheetBook;
class TcxSSHeader;
class TcxSSCellStyle;
struct TcxSSStyleRec;
struct TcxSSFormula;

// One stored cell. The style record is shared (owned by the workbook's style cache) and the
// formula record is owned by the formula engine, which lists every formula of the workbook;
// the cell only points at them.
struct TcxSSCellRec {
  std::string Text;
  TcxSSStyleRec* Style = nullptr;
  TcxSSCellKind Kind = ckText;
  double Number = 0;               // ckNumber
  TcxSSFormula* Formula = nullptr;  // ckFormula

  // The storage's "same record" test: text, style identity, kind and value.
  bool SameAs(const TcxSSCellRec& other) const {
    return Kind == other.Kind && Style == other.Style && Number == other.Number &&
           Formula == other.Formula && Text == other.Text;
  }
};

// The cells of one sheet, with its caption, headers, merged areas and selection.
//
// Layout: a table of column entries; each column holds one slot per row up to its own row count,
// a slot being an owned record or empty. A read is two index operations; a coordinate outside
// the stored area reads the default empty cell and allocates nothing. Capacity is counted in
// steps of 10 columns and 1000 rows past the written coordinate (ColCapacity, RowCapacity); a
// column's slot array is allocated when that column is first written.
class TcxSSDataStorage {
public:
  explicit TcxSSDataStorage(TcxSSBookSheet& sheet);
  virtual ~TcxSSDataStorage();
  TcxSSDataStorage(const TcxSSDataStorage&) = delete;
  TcxSSDataStorage& operator=(const TcxSSDataStorage&) = delete;

  TcxSSBookSheet& Sheet() const { return sheet_; }
  TcxCustomSpreadSheetBook& Book() const;
  // The position of the sheet among the workbook's pages (0 when not found).
  int GetSheetIndex() const;

  // --- Reading and writing ------------------------------------------------------------------
  // A copy of the cell; the default cell (or the merged area's top-left cell) when none is stored.
  virtual void GetCell(int col, int row, TcxSSCellRec& cell) const;
  TcxSSCellRec GetCell(int col, int row) const;
  // The record as GetCell would copy it, without copying.
  const TcxSSCellRec& CellRef(int col, int row) const;
  // The stored record itself, or nullptr (no merged-area fallback).
  const TcxSSCellRec* FindCell(int col, int row) const;
  // The one primitive that stores a record (records the change, notifies the dispatcher).
  virtual void SetCell(int col, int row, const TcxSSCellRec& cell);
  void SetCellText(int col, int row, const std::string& text, bool allowFormula,
                   bool forceFormula);
  void SetCellNumber(int col, int row, double value);
  void SetCellStyle(int col, int row, TcxSSStyleRec* style);
  std::string GetEditText(int col, int row) const;
  std::unique_ptr<TcxSSCellStyle> GetCellStyleObject(int col, int row);
  // False while a file is read and the row lies beyond the sheet's declared dimensions.
  bool CanWrite(int col, int row) const;
  // The file reader's declared dimensions: writes to rows beyond `rows` are dropped while loading.
  void SetLoadLimit(int cols, int rows);
  void ClearLoadLimit();

  // --- Selection -----------------------------------------------------------------------------
  const TRect& Selection() const { return selection_; }
  int SelectionKind() const { return selectionKind_; }
  void SetSelection(const TRect& rect);
  virtual void SetActiveCol(int col);
  virtual void SetActiveRow(int row);
  virtual TRect ExpandToMerged(const TRect& rect) const;
  // The merged area holding the cell, inclusive; false (and the cell itself) when none.
  bool GetMergedRect(TPoint cell, TRect& area) const;

  // --- Bulk operations -----------------------------------------------------------------------
  virtual void ClearAll();
  // (-1, -1, -1, -1) means the whole used area.
  virtual void ClearCells(const TRect& rect, bool withStyles);
  virtual void DeleteCells(const TRect& rect, int kind);
  virtual void InsertCells(const TRect& rect, int kind);
  virtual void MoveCells(int dstCol, int srcCol, bool clearSource, int count, int dstRow,
                         int srcRow);
  virtual int GetLastUsedCol() const;
  virtual int GetLastUsedRow() const;
  virtual void MergeCells(const TRect& rect, bool merge);
  virtual void SetCapacity(int cols, int rows);
  virtual void Sort(const TRect& rect, const std::vector<bool>& descending);
  virtual void Assign(const TcxSSDataStorage& source);

  // Calls f(col, row, record) for every stored record, column by column, top to bottom.
  template <typename F>
  void ForEachCell(F&& f) const {
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
      const auto& slots = columns_[c].Cells;
      for (int r = 0; r < static_cast<int>(slots.size()); ++r)
        if (slots[r]) f(c, r, *slots[r]);
    }
  }

  // --- State ---------------------------------------------------------------------------------
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text);
  int ColCount() const { return colCount_; }
  int RowCount() const { return rowCount_; }
  int ColCapacity() const { return colCapacity_; }
  int RowCapacity() const { return rowCapacity_; }
  // One more than the highest row stored in the column (0 beyond the column table).
  int ColumnRowCount(int col) const;
  TcxSSHeader& Headers(int kind) const { return *headers_[kind]; }
  TcxSSMergedCellsStorage& MergedCells() const { return *mergedCells_; }
  const TcxSSCellRec& DefaultCell() const { return defaultCell_; }
  bool Updating() const { return updating_; }
  // A cell that shows nothing: no text, no value, and no fill or border of its own.
  bool IsVisuallyEmpty(const TcxSSCellRec& cell) const;

private:
  struct TColumn {
    int RowCount = 0;
    std::vector<std::unique_ptr<TcxSSCellRec>> Cells;
  };

  TcxSSBookSheet& sheet_;
  std::string caption_;
  int colCapacity_ = 0;
  int rowCapacity_ = 0;
  int colDelta_ = 10;
  std::vector<TColumn> columns_;
  int colCount_ = 0;
  TcxSSCellRec defaultCell_;
  bool loadLimitSet_ = false;
  int loadLimitCol_ = 0;
  int loadLimitRow_ = 0;
  std::array<std::unique_ptr<TcxSSHeader>, 2> headers_;
  bool selectionGuard_ = false;
  bool updating_ = false;
  int rowCount_ = 0;
  std::unique_ptr<TcxSSMergedCellsStorage> mergedCells_;
  int rowDelta_ = 1000;
  TRect selection_{0, 0, 0, 0};
  int selectionKind_ = 0;
};
