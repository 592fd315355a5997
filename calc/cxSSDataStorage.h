#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calc/cxSSTypes.h"
#include "calc/cxSSMergedCellsStorage.h"

class TcxSSBookSheet;
class TcxCustomSpreadSheetBook;
class TcxSSHeader;
class TcxSSCellStyle;
class TcxSSCellObject;
struct TcxSSStyleRec;
struct TcxSSFormula;
struct TcxFileFormula;

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
// Layout: a table of column entries; each column holds its slots in blocks of 256 rows, a slot
// being an owned record or empty, and a block is made only when one of its cells is written.
// A read is three index operations (column, block, slot); a coordinate outside the stored area,
// or in a block never written, reads the default empty cell and allocates nothing. Memory so
// follows the cells that exist: a cell in the last row of a column costs one block, not the
// column's slots down to it. Capacity is counted in steps of 10 columns and 1000 rows past the
// written coordinate (ColCapacity, RowCapacity).
//
// Invariants (CheckConsistency): ColCount <= ColCapacity; every column's row count <=
// RowCapacity and <= RowCount; a record is owned by exactly one slot; a formula cell's formula
// is registered with the workbook's formula engine, owned by that cell only and knows its
// cell. Records of style record 0 hold no reference count of their own (record 0 is never
// freed); every other style record a cell holds is one reference.
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
  // The stored record or the default cell (no merged-area fallback).
  const TcxSSCellRec& OwnCell(int col, int row) const;
  // The one primitive that stores a record (records the change, notifies the dispatcher). It
  // does not release the replaced record's style or formula; the callers below do.
  virtual void SetCell(int col, int row, const TcxSSCellRec& cell);
  // The writers base the new record on the cell's own record (OwnCell), never on a merged
  // area's top-left cell that GetCell falls back to.
  void SetCellText(int col, int row, const std::string& text, bool allowFormula,
                   bool forceFormula);
  // Whether SetCellText makes a formula of the text: forced, or allowed and the trimmed text
  // is "=" followed by something, holds no "#" and the cell's format is not the text format.
  static bool IsFormulaText(std::string_view text, bool allowFormula, bool forceFormula,
                            TxlsDataFormat format);
  void SetCellNumber(int col, int row, double value);
  // Makes the cell the formula of already parsed tokens (references relative to the cell), as
  // SetCellText with a forced formula would from the formula's text. False when nothing was
  // stored: the tokens do not make a formula text, or the cell cannot be written.
  bool SetCellFormula(int col, int row, const TcxTokenString& tokens,
                      std::shared_ptr<const TcxFileFormula> file = nullptr,
                      const TcxFormulaBlock& block = {});
  void SetCellStyle(int col, int row, TcxSSStyleRec* style);
  // Frees the cell's own record (its style reference and formula go with it), recorded and
  // notified as SetCell does; the cell then reads as the default cell, or inside a merged area
  // as the area's top-left cell.
  void RemoveCell(int col, int row);
  std::string GetEditText(int col, int row) const;
  std::unique_ptr<TcxSSCellStyle> GetCellStyleObject(int col, int row);
  // A new cell object for the cell; the caller owns it.
  virtual std::unique_ptr<TcxSSCellObject> GetCellObject(int col, int row);
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
  // The pixel rectangle of a cell (with includeMerged, of its merged area) measured from the
  // column originX and the row originY; right and bottom exclusive.
  virtual TRect GetCellRect(int col, int row, bool includeMerged, int originX,
                            int originY) const;
  // The merged area holding the cell, inclusive; false (and the cell itself) when none.
  bool GetMergedRect(TPoint cell, TRect& area) const;

  // --- Bulk operations -----------------------------------------------------------------------
  virtual void ClearAll();
  // (-1, -1, -1, -1) means the whole used area.
  virtual void ClearCells(const TRect& rect, bool withStyles);
  virtual void DeleteCells(const TRect& rect, int kind);
  virtual void InsertCells(const TRect& rect, int kind);
  // Moves up to `count` records of column srcCol from srcRow on into column dstCol from dstRow.
  // A record lives in one slot only, so the source slots are always left empty.
  virtual void MoveCells(int dstCol, int srcCol, bool clearSource, int count, int dstRow,
                         int srcRow);
  virtual int GetLastUsedCol() const;
  virtual int GetLastUsedRow() const;
  virtual void MergeCells(const TRect& rect, bool merge);
  // Grows ColCapacity and RowCapacity (never shrinks them); slots are allocated when written.
  virtual void SetCapacity(int cols, int rows);
  virtual void Sort(const TRect& rect, const std::vector<bool>& descending);
  // Puts row rect.Top + order[p] of every column of the rectangle at row rect.Top + p (order
  // is a permutation of 0..height - 1); moved formulas learn their new places.
  void MoveRows(const TRect& rect, const std::vector<int>& order);
  virtual void Assign(const TcxSSDataStorage& source);

  // Calls f(col, row, record) for every stored record, column by column, top to bottom.
  template <typename F>
  void ForEachCell(F&& f) const {
    for (int c = 0; c < static_cast<int>(columns_.size()); ++c) ForEachInColumn(c, 0, INT_MAX, f);
  }

  // Calls f(col, row, record) for every stored record inside the inclusive rectangle, column by
  // column, top to bottom; the cost grows with the columns and blocks met, not with the area.
  template <typename F>
  void ForEachCellIn(const TRect& cells, F&& f) const {
    const int lastCol = std::min(cells.Right, static_cast<int>(columns_.size()) - 1);
    for (int c = std::max(cells.Left, 0); c <= lastCol; ++c) ForEachInColumn(c, cells.Top, cells.Bottom, f);
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

  // Checks the invariants above and those of the merged areas; for tests.
  bool CheckConsistency() const;

private:
  // Records live in chunks of a pool rather than one heap block each: filling a sheet then
  // costs one allocation per few thousand cells, and freed records are reused. A slot points
  // at a record of the pool or is null.
  // A chunk is raw storage: a record is constructed when it is first handed out, so that
  // filling a sheet writes each record's memory once.
  class TRecordPool {
  public:
    TRecordPool() = default;
    ~TRecordPool() { Clear(); }
    TRecordPool(const TRecordPool&) = delete;
    TRecordPool& operator=(const TRecordPool&) = delete;
    TcxSSCellRec* New(const TcxSSCellRec& value);
    void Delete(TcxSSCellRec* record);
    void Clear();

  private:
    static constexpr size_t kChunkSize = 4096;
    struct TChunkDeleter {
      void operator()(TcxSSCellRec* chunk) const {
        std::allocator<TcxSSCellRec>().deallocate(chunk, kChunkSize);
      }
    };
    std::vector<std::unique_ptr<TcxSSCellRec, TChunkDeleter>> chunks_;
    size_t usedInLastChunk_ = kChunkSize;  // records constructed in the last chunk
    std::vector<TcxSSCellRec*> free_;
  };

  static constexpr int kBlockShift = 8;
  static constexpr int kBlockRows = 1 << kBlockShift;
  // Not "slots": Qt code that includes this header reserves that word.
  using TBlock = std::array<TcxSSCellRec*, kBlockRows>;
  struct TColumn {
    int RowCount = 0;
    // Block b holds rows b * kBlockRows onwards; null when none of them was written.
    std::vector<std::unique_ptr<TBlock>> Blocks;
  };

  template <typename F>
  void ForEachInColumn(int col, int top, int bottom, F& f) const {
    const TColumn& column = columns_[static_cast<size_t>(col)];
    top = std::max(top, 0);
    bottom = std::min(bottom, column.RowCount - 1);
    if (top > bottom) return;
    const int lastBlock = std::min(bottom >> kBlockShift, static_cast<int>(column.Blocks.size()) - 1);
    for (int b = top >> kBlockShift; b <= lastBlock; ++b) {
      const TBlock* block = column.Blocks[static_cast<size_t>(b)].get();
      if (!block) continue;
      const int base = b << kBlockShift;
      const int last = std::min(bottom - base, kBlockRows - 1);
      for (int i = std::max(top - base, 0); i <= last; ++i)
        if (const TcxSSCellRec* cell = (*block)[static_cast<size_t>(i)]) f(col, base + i, *cell);
    }
  }
  // The slot of a cell when its block exists, else nullptr; no growth.
  TcxSSCellRec** FindSlot(int col, int row);
  // Takes the records of a column from `first` on out of their slots, in row order.
  std::vector<std::pair<int, TcxSSCellRec*>> TakeRecords(int col, int first);
  // Frees the blocks of a column that hold no record.
  void DropEmptyBlocks(TColumn& column);
  // Puts a record into the slot of a column's row (making its block), counts left alone.
  static void PutRecord(TColumn& column, int row, TcxSSCellRec* record);

  // The slot of a cell, growing capacity, arrays and the used counts to cover it.
  TcxSSCellRec*& Slot(int col, int row);
  // Releases the record's style and unregisters its formula.
  void ReleaseReferences(const TcxSSCellRec& record);
  // Frees a record: its references, then the record itself.
  void DropRecord(TcxSSCellRec*& slot);
  // Puts a record into a slot (freeing one already there) and tells its formula where it is.
  void MoveSlot(int dstCol, int dstRow, TcxSSCellRec* record);
  void UpdateFormulaPlaces(int col, int firstRow);
  // Tells a moved formula where its cell is now and rebuilds the cell's formula text, so that
  // the text shows the relative references from the new place.
  void PlaceFormula(TcxSSCellRec& cell, int col, int row);
  void DeleteRows(int col, int top, int height);
  void InsertRows(int col, int top, int height);
  void InsertOrDeleteCells(const TRect& rect, int kind, bool deleting);
  void DeleteBlock(const TRect& rect, int kind);
  void InsertBlock(const TRect& rect, int kind);
  bool HasRecords() const;
  void RecordChange(const TRect& cells);
  void RecordInsertDeleteAction(const TRect& cells, int kind, bool isDelete);
  // Unregisters `formula` unless the cell still holds it.
  void RemoveFormulaIfDropped(int col, int row, TcxSSFormula* formula);
  void MoveActiveCell(int col, int row, bool forward, int kind);
  std::string NumberText(double value) const;
  bool TextToNumber(const std::string& text, double& value) const;
  struct TSortKey;
  std::string SortText(const TcxSSCellRec& cell) const;
  TSortKey MakeSortKey(const TcxSSCellRec& cell) const;
  int CompareKeys(const TSortKey& a, const TSortKey& b) const;
  void SortRows(std::vector<int>& order, int lo, int hi, const std::vector<TSortKey>& keys,
                bool descending) const;

  TcxSSBookSheet& sheet_;
  TRecordPool pool_;
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
