#include "calc/cxSSDataStorage.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <unordered_set>
#include <utility>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDateTime.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

namespace {

constexpr TxlsDataFormat kTextFormat = 49;
constexpr TxlsDataFormat kPercentFormat = 9;
constexpr TxlsDataFormat kPercentDecimalsFormat = 10;

bool IsPercentFormat(TxlsDataFormat format) {
  return format == kPercentFormat || format == kPercentDecimalsFormat;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

bool SameFill(const TcxSSStyleRec& a, const TcxSSStyleRec& b) {
  return a.BrushStyle == b.BrushStyle && a.ForegroundColor == b.ForegroundColor &&
         a.BackgroundColor == b.BackgroundColor && a.Edges == b.Edges;
}


}  // namespace

TcxSSDataStorage::TcxSSDataStorage(TcxSSBookSheet& sheet) : sheet_(sheet) {
  TcxCustomSpreadSheetBook& book = Book();
  defaultCell_.Style = book.StyleCache().DefaultRecord();
  headers_[0] = book.CreateHeader(*this, book.DefaultColWidth(), 0);
  headers_[1] = book.CreateHeader(*this, book.DefaultRowHeight(), 1);
  mergedCells_ = std::make_unique<TcxSSMergedCellsStorage>(*this);
}

TcxSSDataStorage::~TcxSSDataStorage() { ClearAll(); }

TcxCustomSpreadSheetBook& TcxSSDataStorage::Book() const { return sheet_.Owner(); }

int TcxSSDataStorage::GetSheetIndex() const { return std::max(0, Book().IndexOfSheet(sheet_)); }

// --- Reading --------------------------------------------------------------------------------

const TcxSSCellRec* TcxSSDataStorage::FindCell(int col, int row) const {
  if (col < 0 || row < 0 || col >= static_cast<int>(columns_.size())) return nullptr;
  const TColumn& column = columns_[col];
  if (row >= column.RowCount) return nullptr;
  const size_t block = static_cast<size_t>(row >> kBlockShift);
  if (block >= column.Blocks.size() || !column.Blocks[block]) return nullptr;
  return (*column.Blocks[block])[static_cast<size_t>(row & (kBlockRows - 1))];
}

TcxSSCellRec** TcxSSDataStorage::FindSlot(int col, int row) {
  if (col < 0 || row < 0 || col >= static_cast<int>(columns_.size())) return nullptr;
  TColumn& column = columns_[col];
  const size_t block = static_cast<size_t>(row >> kBlockShift);
  if (block >= column.Blocks.size() || !column.Blocks[block]) return nullptr;
  return &(*column.Blocks[block])[static_cast<size_t>(row & (kBlockRows - 1))];
}

const TcxSSCellRec& TcxSSDataStorage::OwnCell(int col, int row) const {
  const TcxSSCellRec* cell = FindCell(col, row);
  return cell ? *cell : defaultCell_;
}

const TcxSSCellRec& TcxSSDataStorage::CellRef(int col, int row) const {
  if (const TcxSSCellRec* cell = FindCell(col, row)) return *cell;
  if (mergedCells_->Count() > 0) {
    TRect area;
    if (mergedCells_->FindAt({col, row}, area) && (area.Left != col || area.Top != row))
      return OwnCell(area.Left, area.Top);
  }
  return defaultCell_;
}

void TcxSSDataStorage::GetCell(int col, int row, TcxSSCellRec& cell) const {
  cell = CellRef(col, row);
}

TcxSSCellRec TcxSSDataStorage::GetCell(int col, int row) const { return CellRef(col, row); }

int TcxSSDataStorage::ColumnRowCount(int col) const {
  if (col < 0 || col >= static_cast<int>(columns_.size())) return 0;
  return columns_[col].RowCount;
}

bool TcxSSDataStorage::CanWrite(int /*col*/, int row) const {
  return !(loadLimitSet_ && Book().Reading() && row > loadLimitRow_);
}

void TcxSSDataStorage::SetLoadLimit(int cols, int rows) {
  loadLimitSet_ = true;
  loadLimitCol_ = cols;
  loadLimitRow_ = rows;
}

void TcxSSDataStorage::ClearLoadLimit() { loadLimitSet_ = false; }

// --- Writing --------------------------------------------------------------------------------

TcxSSCellRec* TcxSSDataStorage::TRecordPool::New(const TcxSSCellRec& value) {
  if (!free_.empty()) {
    TcxSSCellRec* record = free_.back();
    free_.pop_back();
    *record = value;
    return record;
  }
  if (usedInLastChunk_ == kChunkSize) {
    chunks_.reserve(chunks_.size() + 1);
    chunks_.emplace_back(std::allocator<TcxSSCellRec>().allocate(kChunkSize));
    usedInLastChunk_ = 0;
  }
  TcxSSCellRec* record = std::construct_at(chunks_.back().get() + usedInLastChunk_, value);
  ++usedInLastChunk_;
  return record;
}

void TcxSSDataStorage::TRecordPool::Delete(TcxSSCellRec* record) {
  if (!record) return;
  *record = TcxSSCellRec{};
  free_.push_back(record);
}

void TcxSSDataStorage::TRecordPool::Clear() {
  for (size_t i = 0; i < chunks_.size(); ++i)
    std::destroy_n(chunks_[i].get(), i + 1 == chunks_.size() ? usedInLastChunk_ : kChunkSize);
  chunks_.clear();
  free_.clear();
  free_.shrink_to_fit();
  usedInLastChunk_ = kChunkSize;
}

TcxSSCellRec*& TcxSSDataStorage::Slot(int col, int row) {
  if (col >= colCapacity_) colCapacity_ = col + colDelta_;
  if (row >= rowCapacity_) rowCapacity_ = row + rowDelta_;
  // The counters follow the growth steps; the arrays themselves grow with what is written, so
  // a far cell costs its own column and rows, not the whole rectangle up to it.
  if (col >= static_cast<int>(columns_.size())) columns_.resize(static_cast<size_t>(col) + 1);
  TColumn& column = columns_[col];
  const size_t block = static_cast<size_t>(row >> kBlockShift);
  if (block >= column.Blocks.size()) column.Blocks.resize(block + 1);
  if (!column.Blocks[block]) column.Blocks[block] = std::make_unique<TBlock>();
  column.RowCount = std::max(column.RowCount, row + 1);
  colCount_ = std::max(colCount_, col + 1);
  rowCount_ = std::max(rowCount_, row + 1);
  return (*column.Blocks[block])[static_cast<size_t>(row & (kBlockRows - 1))];
}

void TcxSSDataStorage::SetCell(int col, int row, const TcxSSCellRec& cell) {
  if (!CanWrite(col, row) || col < 0 || row < 0) return;
  // Compared in place: the old record is never copied.
  if (OwnCell(col, row).SameAs(cell)) return;

  TcxCustomSpreadSheetBook& book = Book();
  book.SetModified(true);
  if (!updating_) RecordChange(TRect{col, row, col, row});

  TryFinally(
      [&] {
        TcxSSCellRec*& slot = Slot(col, row);
        if (slot)
          *slot = cell;
        else
          slot = pool_.New(cell);
      },
      [&] { book.Listener().CellChanged(sheet_, col, row); });
}

void TcxSSDataStorage::RecordChange(const TRect& cells) {
  if (auto* action = Book().History().AddAction<TcxChangeDataAction>())
    action->Init(sheet_, cells);
}

void TcxSSDataStorage::RemoveFormulaIfDropped(int col, int row, TcxSSFormula* formula) {
  if (!formula) return;
  const TcxSSCellRec* cell = FindCell(col, row);
  if (!cell || cell->Formula != formula) Book().FormulasCache().RemoveFormula(formula);
}

bool TcxSSDataStorage::IsFormulaText(std::string_view text, bool allowFormula, bool forceFormula,
                                     TxlsDataFormat format) {
  if (forceFormula) return true;
  const std::string_view trimmed = TrimBlanks(text);
  return allowFormula && trimmed.size() > 1 && trimmed.front() == '=' &&
         text.find('#') == std::string_view::npos && format != kTextFormat;
}

// Writes build the new record from the cell's own record, never from the merged area's
// top-left cell that a read falls back to: a covered cell must not take over (and later free)
// the top-left cell's formula.

void TcxSSDataStorage::SetCellText(int col, int row, const std::string& text, bool allowFormula,
                                   bool forceFormula) {
  if (!CanWrite(col, row) || col < 0 || row < 0) return;
  const TcxSSCellRec& own = OwnCell(col, row);
  TcxSSFormula* oldFormula = own.Kind == ckFormula ? own.Formula : nullptr;
  TcxSSCellRec cell;
  cell.Style = own.Style;
  cell.Kind = ckText;
  const TxlsDataFormat format = own.Style ? own.Style->Format : 0;

  if (IsFormulaText(text, allowFormula, forceFormula, format)) {
    cell.Text = text;
    SetCell(col, row, cell);
    RemoveFormulaIfDropped(col, row, oldFormula);
    Book().FormulasCache().AddFormula(*this, col, row);
    return;
  }

  cell.Text = text;
  if (IsPercentFormat(format)) {
    if (const auto percent = text.find('%'); percent != std::string::npos) {
      std::string rest = text;
      rest.erase(percent, 1);
      double x;
      if (TextToNumber(rest, x)) cell.Text = NumberText(x / 100);
    }
  }
  SetCell(col, row, cell);
  RemoveFormulaIfDropped(col, row, oldFormula);
}

void TcxSSDataStorage::SetCellNumber(int col, int row, double value) {
  if (!CanWrite(col, row) || col < 0 || row < 0) return;
  const TcxSSCellRec& own = OwnCell(col, row);
  TcxSSFormula* oldFormula = own.Kind == ckFormula ? own.Formula : nullptr;
  TcxSSCellRec cell;
  cell.Style = own.Style;
  cell.Kind = ckNumber;
  cell.Number = value;
  cell.Text = NumberText(value);
  SetCell(col, row, cell);
  RemoveFormulaIfDropped(col, row, oldFormula);
}

bool TcxSSDataStorage::SetCellFormula(int col, int row, const TcxTokenString& tokens,
                                      std::shared_ptr<const TcxFileFormula> file,
                                      const TcxFormulaBlock& block) {
  if (!CanWrite(col, row) || col < 0 || row < 0) return false;
  TcxSSFormula* oldFormula = nullptr;
  if (const TcxSSCellRec* own = FindCell(col, row); own && own->Kind == ckFormula)
    oldFormula = own->Formula;
  if (!Book().FormulasCache().AddFormulaTokens(*this, col, row, tokens, std::move(file), block))
    return false;
  RemoveFormulaIfDropped(col, row, oldFormula);
  return true;
}

void TcxSSDataStorage::SetCellStyle(int col, int row, TcxSSStyleRec* style) {
  TcxSSCellRec cell = OwnCell(col, row);
  cell.Style = style;
  SetCell(col, row, cell);
}

void TcxSSDataStorage::RemoveCell(int col, int row) {
  if (!FindCell(col, row)) return;
  TcxCustomSpreadSheetBook& book = Book();
  book.SetModified(true);
  if (!updating_) RecordChange(TRect{col, row, col, row});
  TryFinally([&] { DropRecord(*FindSlot(col, row)); },
             [&] { book.Listener().CellChanged(sheet_, col, row); });
}

std::string TcxSSDataStorage::NumberText(double value) const {
  return FloatToText(value, Book().Settings());
}

bool TcxSSDataStorage::TextToNumber(const std::string& text, double& value) const {
  return TryTextToFloat(text, value, Book().Settings());
}

std::string TcxSSDataStorage::GetEditText(int col, int row) const {
  const TcxSSCellRec& cell = CellRef(col, row);
  const TxlsDataFormat format = cell.Style ? cell.Style->Format : 0;
  const TRegionalSettings& settings = Book().Settings();
  double x;
  TcxDateTimeParts parts;
  if (IsDateTimeFormat(format) && TextToNumber(cell.Text, x) && TryDecodeDateTime(x, parts, settings))
    return FormatDateTime(settings.ShortDateFormat, parts, settings) + " " +
           FormatDateTime(settings.ShortTimeFormat, parts, settings);
  // Rebuilt from the tokens, so that it follows the current reference style.
  if (cell.Kind == ckFormula) {
    if (cell.Formula && !cell.Formula->Tokens.empty()) {
      std::string text = Book().FormulasCache().FormulaText(*cell.Formula);
      if (!text.empty()) return text;
    }
    return cell.Text;
  }
  if (IsPercentFormat(format) && TextToNumber(cell.Text, x)) return NumberText(x * 100) + "%";
  return cell.Text;
}

std::unique_ptr<TcxSSCellObject> TcxSSDataStorage::GetCellObject(int col, int row) {
  return std::make_unique<TcxSSCellObject>(*this, col, row);
}

std::unique_ptr<TcxSSCellStyle> TcxSSDataStorage::GetCellStyleObject(int col, int row) {
  return std::make_unique<TcxSSCellStyle>(Book().StyleCache(), this, col, row);
}

// --- Geometry and selection -----------------------------------------------------------------

TRect TcxSSDataStorage::GetCellRect(int col, int row, bool includeMerged, int originX,
                                    int originY) const {
  TRect cells{col, row, col, row};
  if (includeMerged) GetMergedRect({col, row}, cells);
  const TcxSSHeader& cols = Headers(0);
  const TcxSSHeader& rows = Headers(1);
  const int left = static_cast<int>(cols.Distance(originX, cells.Left));
  const int top = static_cast<int>(rows.Distance(originY, cells.Top));
  return {left, top, left + static_cast<int>(cols.Distance(cells.Left, cells.Right + 1)),
          top + static_cast<int>(rows.Distance(cells.Top, cells.Bottom + 1))};
}

TRect TcxSSDataStorage::ExpandToMerged(const TRect& rect) const {
  return mergedCells_->Expand({rect.Left, rect.Top}, {rect.Right, rect.Bottom});
}

bool TcxSSDataStorage::GetMergedRect(TPoint cell, TRect& area) const {
  if (!mergedCells_->FindAt(cell, area)) return false;
  area.Right -= 1;
  area.Bottom -= 1;
  return true;
}

void TcxSSDataStorage::SetSelection(const TRect& rect) {
  const TRect selection = ExpandToMerged(rect);
  if (selection == selection_) return;
  TcxSSListener& listener = Book().Listener();
  const bool activeChanges = selection.Left != selection_.Left || selection.Top != selection_.Top;
  if (activeChanges && !selectionGuard_) {
    selectionGuard_ = true;
    TScopeGuard unguard([this] { selectionGuard_ = false; });
    if (!listener.ActiveCellChanging(sheet_, {selection.Left, selection.Top})) return;
  }
  const TRect old = selection_;
  selection_ = selection;
  TRect area;
  if (selection.Left == selection.Right && selection.Top == selection.Bottom)
    selectionKind_ = 0;
  else if (GetMergedRect({selection.Left, selection.Top}, area) && area == selection)
    selectionKind_ = 2;
  else
    selectionKind_ = 1;
  listener.SelectionChanged(sheet_, old, selection);
}

void TcxSSDataStorage::MoveActiveCell(int col, int row, bool forward, int kind) {
  TcxSSListener& listener = Book().Listener();
  if (!listener.ActiveCellChanging(sheet_, {col, row})) return;
  TRect area;
  if (!GetMergedRect({col, row}, area)) {
    TcxSSHeader& header = Headers(kind);
    int& index = kind == 0 ? col : row;
    if (!header.IsVisible(index)) index = header.NextVisible(index, forward);
    area = {col, row, col, row};
  }
  // The change was just allowed; the selection must not ask again.
  selectionGuard_ = true;
  TScopeGuard unguard([this] { selectionGuard_ = false; });
  SetSelection(area);
}

void TcxSSDataStorage::SetActiveCol(int col) {
  if (col < 0 || col == selection_.Left) return;
  MoveActiveCell(col, selection_.Top, col > selection_.Left, 0);
}

void TcxSSDataStorage::SetActiveRow(int row) {
  if (row < 0 || row == selection_.Top) return;
  MoveActiveCell(selection_.Left, row, row > selection_.Top, 1);
}

void TcxSSDataStorage::SetCaption(const std::string& text) {
  if (caption_ != text) caption_ = text;
}

// --- Bulk operations ------------------------------------------------------------------------

void TcxSSDataStorage::ReleaseReferences(const TcxSSCellRec& record) {
  TcxCustomSpreadSheetBook& book = Book();
  // Record 0 is never freed and cells take it without a reference of their own (every unwritten
  // cell uses it), so the storage leaves its count alone.
  if (record.Style && record.Style != defaultCell_.Style) book.StyleCache().ReleaseStyle(record.Style);
  if (record.Kind == ckFormula && record.Formula) book.FormulasCache().RemoveFormula(record.Formula);
}

void TcxSSDataStorage::DropRecord(TcxSSCellRec*& slot) {
  if (!slot) return;
  ReleaseReferences(*slot);
  pool_.Delete(slot);
  slot = nullptr;
}

void TcxSSDataStorage::ClearAll() {
  updating_ = true;
  TScopeGuard done([this] { updating_ = false; });
  ForEachCell([this](int, int, const TcxSSCellRec& record) { ReleaseReferences(record); });
  columns_.clear();
  columns_.shrink_to_fit();
  pool_.Clear();
  colCapacity_ = rowCapacity_ = colCount_ = rowCount_ = 0;
  mergedCells_->Clear();
}

void TcxSSDataStorage::ClearCells(const TRect& rect, bool withStyles) {
  TcxCustomSpreadSheetBook& book = Book();
  TcxSSListener& listener = book.Listener();
  if (!updating_ && !listener.ClearingCells(sheet_, rect, withStyles)) return;

  const bool wholeSheet = rect == TRect{-1, -1, -1, -1};
  const TRect area = wholeSheet ? TRect{0, 0, colCount_, rowCount_} : rect;
  TcxSpreadSheetHistory& history = book.History();
  TcxSSStyleCache& styles = book.StyleCache();
  TcxSSStyleRec* defaultStyle = styles.DefaultRecord();

  listener.Lock();
  if (withStyles) mergedCells_->RemoveInside(area);
  const bool complex = history.BeginComplex(kDeleteCells);

  // The stored cells of the rectangle, column by column, top to bottom, up to the first
  // read-only cell, which ends the whole clear.
  bool stopped = false;
  TPoint stop{0, 0};
  auto forEachCell = [&](auto&& f) {
    // The places first: a pass may free the records and slots it visits.
    std::vector<TPoint> places;
    ForEachCellIn(area, [&places](int col, int row, const TcxSSCellRec&) { places.push_back({col, row}); });
    for (const TPoint& place : places) {
      TcxSSCellRec*& slot = *FindSlot(place.X, place.Y);
      if (!slot) continue;
      if (stopped ? (place.X == stop.X && place.Y == stop.Y) : (slot->Style->Flags & kStyleReadOnly)) {
        stopped = true;
        stop = place;
        return;
      }
      f(place.X, place.Y, slot);
    }
  };

  TryFinally(
      [&] {
        forEachCell([&](int col, int row, TcxSSCellRec*& slot) {
          if (!updating_) RecordChange(TRect{col, row, col, row});
          TcxSSCellRec& cell = *slot;
          if (withStyles && cell.Style != defaultStyle) {
            styles.ReleaseStyle(cell.Style);
            cell.Style = defaultStyle;
          }
          if (cell.Kind == ckFormula && cell.Formula)
            book.FormulasCache().RemoveFormula(cell.Formula);
          cell.Formula = nullptr;
          cell.Number = 0;
          cell.Kind = ckText;
          cell.Text.clear();
        });
        if (withStyles) {
          forEachCell([&](int, int, TcxSSCellRec*& slot) {
            pool_.Delete(slot);
            slot = nullptr;
          });
          // An area the rectangle only cut keeps its flag in its top-left cell.
          if (!updating_)
            mergedCells_->FlagTopLeftCells({area.Left, area.Top, std::min(area.Right, INT_MAX - 1) + 1,
                                            std::min(area.Bottom, INT_MAX - 1) + 1});
        }
      },
      [&] {
        if (complex) history.EndComplex();
        listener.Unlock();
        listener.CellsRectChanged(sheet_, area);
      });
  // A whole-sheet clear that left nothing behind also resets the extent. One stopped by a
  // read-only cell, or one that kept the formats, keeps what is still there.
  if (wholeSheet && !HasRecords()) ClearAll();
}

bool TcxSSDataStorage::HasRecords() const {
  for (const TColumn& column : columns_)
    for (const auto& block : column.Blocks)
      if (block)
        for (const TcxSSCellRec* record : *block)
          if (record) return true;
  return false;
}

std::vector<std::pair<int, TcxSSCellRec*>> TcxSSDataStorage::TakeRecords(int col, int first) {
  std::vector<std::pair<int, TcxSSCellRec*>> records;
  if (col < 0 || col >= static_cast<int>(columns_.size())) return records;
  auto collect = [&records](int, int row, const TcxSSCellRec&) { records.emplace_back(row, nullptr); };
  ForEachInColumn(col, first, INT_MAX, collect);
  for (auto& [row, record] : records) record = std::exchange(*FindSlot(col, row), nullptr);
  return records;
}

void TcxSSDataStorage::DropEmptyBlocks(TColumn& column) {
  for (auto& block : column.Blocks)
    if (block && std::all_of(block->begin(), block->end(), [](const TcxSSCellRec* r) { return !r; }))
      block.reset();
  while (!column.Blocks.empty() && !column.Blocks.back()) column.Blocks.pop_back();
}

void TcxSSDataStorage::MoveSlot(int dstCol, int dstRow, TcxSSCellRec* record) {
  TcxSSCellRec*& slot = Slot(dstCol, dstRow);
  DropRecord(slot);
  slot = record;
  if (slot) PlaceFormula(*slot, dstCol, dstRow);
}

void TcxSSDataStorage::UpdateFormulaPlaces(int col, int firstRow) {
  std::vector<int> rows;
  auto collect = [&rows](int, int row, const TcxSSCellRec&) { rows.push_back(row); };
  ForEachInColumn(col, firstRow, INT_MAX, collect);
  for (int row : rows) PlaceFormula(**FindSlot(col, row), col, row);
}

void TcxSSDataStorage::PlaceFormula(TcxSSCellRec& cell, int col, int row) {
  if (cell.Kind != ckFormula || !cell.Formula) return;
  TcxSSFormula& formula = *cell.Formula;
  // A formula the engine has already moved (entire rows or columns) keeps its rebuilt text.
  if (formula.Col == col && formula.Row == row) return;
  formula.Col = col;
  formula.Row = row;
  if (!formula.Tokens.empty()) cell.Text = Book().FormulasCache().FormulaText(formula);
}

void TcxSSDataStorage::DeleteCells(const TRect& rect, int kind) {
  InsertOrDeleteCells(rect, kind, true);
}

void TcxSSDataStorage::DeleteBlock(const TRect& r, int kind) {
  {
    updating_ = true;
    TScopeGuard done([this] { updating_ = false; });
    ClearCells(r, true);
  }

  const int width = r.Right - r.Left + 1;
  const int height = r.Bottom - r.Top + 1;
  switch (kind) {
    case 0:  // shift left
      for (int col = r.Right + 1; col < static_cast<int>(columns_.size()); ++col) {
        std::vector<int> rows;
        auto collect = [&rows](int, int row, const TcxSSCellRec&) { rows.push_back(row); };
        ForEachInColumn(col, r.Top, r.Bottom, collect);
        for (int row : rows)
          if (TcxSSCellRec* record = std::exchange(*FindSlot(col, row), nullptr))
            MoveSlot(col - width, row, record);
      }
      break;
    case 1:  // shift up
      for (int col = r.Left; col <= r.Right && col < static_cast<int>(columns_.size()); ++col)
        DeleteRows(col, r.Top, height);
      break;
    case 2:  // entire columns
      Headers(0).DeleteItems(r.Left, width);
      if (r.Left < static_cast<int>(columns_.size())) {
        const int last = std::min(r.Right + 1, static_cast<int>(columns_.size()));
        for (int col = r.Left; col < last; ++col)
          for (auto& block : columns_[col].Blocks)
            if (block)
              for (auto& slot : *block) DropRecord(slot);
        columns_.erase(columns_.begin() + r.Left, columns_.begin() + last);
        for (int col = r.Left; col < static_cast<int>(columns_.size()); ++col)
          UpdateFormulaPlaces(col, 0);
      }
      break;
    case 3:  // entire rows
      Headers(1).DeleteItems(r.Top, height);
      for (int col = 0; col < static_cast<int>(columns_.size()); ++col)
        DeleteRows(col, r.Top, height);
      break;
    default:
      assert(false && "unknown delete kind");
  }
  if (kind == 2 || kind == 3)
    mergedCells_->DeleteLines({r.Left, r.Top, r.Right + 1, r.Bottom + 1}, kind);
}

// Rows move by taking the column's records from the first moved row on and putting each back
// at its new row: the cost follows the records below, not the rows.
void TcxSSDataStorage::PutRecord(TColumn& column, int row, TcxSSCellRec* record) {
  const size_t block = static_cast<size_t>(row >> kBlockShift);
  if (block >= column.Blocks.size()) column.Blocks.resize(block + 1);
  if (!column.Blocks[block]) column.Blocks[block] = std::make_unique<TBlock>();
  (*column.Blocks[block])[static_cast<size_t>(row & (kBlockRows - 1))] = record;
}

void TcxSSDataStorage::DeleteRows(int col, int top, int height) {
  TColumn& column = columns_[col];
  if (column.RowCount <= top) return;
  const int64_t end = std::min<int64_t>(int64_t{top} + height, column.RowCount);
  for (auto& [row, record] : TakeRecords(col, top)) {
    if (row < end)
      DropRecord(record);
    else
      PutRecord(column, row - height, record);
  }
  DropEmptyBlocks(column);
  column.RowCount = column.RowCount > int64_t{top} + height ? column.RowCount - height : top;
  UpdateFormulaPlaces(col, top);
}

void TcxSSDataStorage::InsertRows(int col, int top, int height) {
  TColumn& column = columns_[col];
  if (column.RowCount <= top) return;
  for (auto& [row, record] : TakeRecords(col, top)) PutRecord(column, row + height, record);
  DropEmptyBlocks(column);
  column.RowCount += height;
  if (column.RowCount > rowCapacity_) rowCapacity_ = column.RowCount - 1 + rowDelta_;
  rowCount_ = std::max(rowCount_, column.RowCount);
  UpdateFormulaPlaces(col, top);
}

void TcxSSDataStorage::InsertCells(const TRect& rect, int kind) {
  InsertOrDeleteCells(rect, kind, false);
}

// Inserts or deletes a block of cells (kind 0 shifting left/right, 1 up/down, 2 entire columns,
// 3 entire rows) as one recorded step: a band that would cut a merged area is refused.
void TcxSSDataStorage::InsertOrDeleteCells(const TRect& rect, int kind, bool deleting) {
  TRect r = rect;
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  if (r.Right < r.Left || r.Bottom < r.Top) return;
  if ((kind == 0 || kind == 1) && mergedCells_->IsBandMerged(r, kind == 1))
    throw ESpreadSheetError(std::string(kSomeCellsMerged));
  if (kind == 3) {
    r.Left = 0;
    r.Right = std::max(colCount_ - 1, 0);
  } else if (kind == 2) {
    r.Top = 0;
    r.Bottom = std::max(rowCount_ - 1, 0);
  }

  TcxCustomSpreadSheetBook& book = Book();
  TcxSpreadSheetHistory& history = book.History();
  RecordInsertDeleteAction(r, kind, deleting);
  history.Lock();
  TryFinally([&] { deleting ? DeleteBlock(r, kind) : InsertBlock(r, kind); },
             [&] {
               history.Unlock();
               book.RefreshView();
             });
}

void TcxSSDataStorage::InsertBlock(const TRect& r, int kind) {
  const int width = r.Right - r.Left + 1;
  const int height = r.Bottom - r.Top + 1;
  switch (kind) {
    case 0:  // shift right
      for (int col = static_cast<int>(columns_.size()) - 1; col >= r.Left; --col) {
        std::vector<int> rows;
        auto collect = [&rows](int, int row, const TcxSSCellRec&) { rows.push_back(row); };
        ForEachInColumn(col, r.Top, r.Bottom, collect);
        for (int row : rows)
          if (TcxSSCellRec* record = std::exchange(*FindSlot(col, row), nullptr))
            MoveSlot(col + width, row, record);
      }
      break;
    case 1:  // shift down
      for (int col = r.Left; col <= r.Right && col < static_cast<int>(columns_.size()); ++col)
        InsertRows(col, r.Top, height);
      break;
    case 2:  // entire columns
      if (r.Left < static_cast<int>(columns_.size())) {
        const size_t old = columns_.size();
        columns_.resize(old + static_cast<size_t>(width));
        std::move_backward(columns_.begin() + r.Left,
                           columns_.begin() + static_cast<std::ptrdiff_t>(old), columns_.end());
        for (int col = r.Left; col < r.Left + width; ++col) columns_[col] = TColumn{};
        for (int col = r.Left + width; col < static_cast<int>(columns_.size()); ++col)
          UpdateFormulaPlaces(col, 0);
        colCount_ = std::max(colCount_ + width, static_cast<int>(columns_.size()));
        if (colCount_ > colCapacity_) colCapacity_ = colCount_ - 1 + colDelta_;
      }
      Headers(0).InsertItems(r.Left, width, Headers(0).DefaultSize(), true, true, false);
      break;
    case 3:  // entire rows
      for (int col = 0; col < static_cast<int>(columns_.size()); ++col)
        InsertRows(col, r.Top, height);
      Headers(1).InsertItems(r.Top, height, Headers(1).DefaultSize(), true, true, false);
      break;
    default:
      assert(false && "unknown insert kind");
  }
  if (kind == 2 || kind == 3)
    mergedCells_->InsertLines({r.Left, r.Top, r.Right + 1, r.Bottom + 1}, kind);
}

void TcxSSDataStorage::RecordInsertDeleteAction(const TRect& cells, int kind, bool isDelete) {
  TcxSpreadSheetHistory& history = Book().History();
  TcxSpreadSheetInsertDeleteActions* action = nullptr;
  if (isDelete)
    action = history.AddAction<TcxDeleteCellsAction>();
  else
    action = history.AddAction<TcxInsertCellsAction>();
  if (!action) return;
  try {
    action->Init(sheet_, cells, kind);
  } catch (...) {
    history.ClearAfterError();
    throw;
  }
}

void TcxSSDataStorage::MoveCells(int dstCol, int srcCol, bool clearSource, int count, int dstRow,
                                 int srcRow) {
  // Records are owned by exactly one slot, so a moved record always leaves its source slot;
  // `clearSource` false (the caller overwrites the source itself) has the same outcome.
  (void)clearSource;
  if (srcCol < 0 || srcCol >= colCount_ || srcCol >= static_cast<int>(columns_.size())) return;
  if (dstCol < 0 || dstRow < 0 || srcRow < 0 || count <= 0) return;
  count = std::min(count, columns_[srcCol].RowCount - srcRow);
  if (count <= 0) return;
  // Within one column a move down must start at the end so that no record is overwritten
  // before it has moved.
  const bool backwards = dstCol == srcCol && dstRow > srcRow;
  for (int i = 0; i < count; ++i) {
    const int k = backwards ? count - 1 - i : i;
    if (TcxSSCellRec** slot = FindSlot(srcCol, srcRow + k))
      if (TcxSSCellRec* record = std::exchange(*slot, nullptr)) MoveSlot(dstCol, dstRow + k, record);
  }
}

int TcxSSDataStorage::GetLastUsedCol() const {
  int result = 0;
  ForEachCell([&](int col, int, const TcxSSCellRec& cell) {
    if (col + 1 > result && !IsVisuallyEmpty(cell)) result = col + 1;
  });
  return result;
}

int TcxSSDataStorage::GetLastUsedRow() const {
  int result = 0;
  ForEachCell([&](int, int row, const TcxSSCellRec& cell) {
    if (row + 1 > result && !IsVisuallyEmpty(cell)) result = row + 1;
  });
  return result;
}

bool TcxSSDataStorage::IsVisuallyEmpty(const TcxSSCellRec& cell) const {
  if (cell.SameAs(defaultCell_)) return true;
  if (!cell.Text.empty() || cell.Number != 0 || cell.Formula) return false;
  return !cell.Style || !defaultCell_.Style || SameFill(*cell.Style, *defaultCell_.Style);
}

void TcxSSDataStorage::MergeCells(const TRect& rect, bool merge) {
  TcxCustomSpreadSheetBook& book = Book();
  merge = book.Listener().MergingCells(sheet_, rect, merge);
  book.BeginUpdate();
  TryFinally([&] { mergedCells_->MergeOrSplit(rect, merge); }, [&] { book.EndUpdate(); });
}

void TcxSSDataStorage::SetCapacity(int cols, int rows) {
  // Only the counters: slot arrays are allocated when their cells are written.
  colCapacity_ = std::max(colCapacity_, cols);
  rowCapacity_ = std::max(rowCapacity_, rows);
}

void TcxSSDataStorage::Assign(const TcxSSDataStorage& source) {
  if (&source == this) return;
  ClearAll();
  TcxCustomSpreadSheetBook& book = Book();
  colDelta_ = source.colDelta_;
  rowDelta_ = source.rowDelta_;
  colCapacity_ = source.colCapacity_;
  rowCapacity_ = source.rowCapacity_;
  colCount_ = source.colCount_;
  rowCount_ = source.rowCount_;
  mergedCells_->Assign(*source.mergedCells_);
  selection_ = source.selection_;
  selectionKind_ = source.selectionKind_;
  caption_ = &source.Book() == &book ? source.caption_ + "2" : source.caption_;

  const uint16_t sheetIndex = static_cast<uint16_t>(GetSheetIndex());
  TcxSSStyleCache& styles = book.StyleCache();
  columns_.resize(source.columns_.size());
  for (size_t col = 0; col < source.columns_.size(); ++col)
    columns_[col].RowCount = source.columns_[col].RowCount;
  source.ForEachCell([&](int col, int row, const TcxSSCellRec& from) {
    TcxSSCellRec* cell = pool_.New(from);
    cell->Style = styles.AddStyle(*from.Style);
    if (cell->Style == styles.DefaultRecord()) styles.ReleaseStyle(cell->Style);
    if (cell->Kind == ckFormula && cell->Formula) {
      cell->Formula = book.FormulasCache().CopyFormula(*cell->Formula);
      cell->Formula->Sheet = sheetIndex;
    } else {
      cell->Formula = nullptr;
    }
    PutRecord(columns_[static_cast<size_t>(col)], row, cell);
  });
}

// --- Sort -----------------------------------------------------------------------------------

// A cell as the sort compares it: its value text, read once, and what the text reads as.
struct TcxSSDataStorage::TSortKey {
  std::string Text;
  bool IsNumber = false;
  bool IsBool = false;
  double Number = 0;
  bool Bool = false;
};

std::string TcxSSDataStorage::SortText(const TcxSSCellRec& cell) const {
  if (cell.Kind == ckNumber) return NumberText(cell.Number);
  if (cell.Kind == ckFormula && cell.Formula) {
    TcxSSColor color = kColorAuto;
    return Book().FormulasCache().DisplayText(*cell.Formula, color, true);
  }
  return cell.Text;
}

TcxSSDataStorage::TSortKey TcxSSDataStorage::MakeSortKey(const TcxSSCellRec& cell) const {
  TSortKey key;
  key.Text = SortText(cell);
  if (key.Text.empty()) return key;
  key.IsNumber = TextToNumber(key.Text, key.Number);
  if (!key.IsNumber) key.IsBool = TryTextToBool(key.Text, key.Bool, *Book().Environment().Text);
  return key;
}

// Equal texts are equal; an empty text comes first; two numbers compare as numbers, two
// booleans FALSE before TRUE; anything else as text without regard to case.
int TcxSSDataStorage::CompareKeys(const TSortKey& a, const TSortKey& b) const {
  // Two numbers (or booleans) are tested first: equal texts give equal values, so the answer
  // is the same as testing the texts first, without comparing them.
  if (a.IsNumber && b.IsNumber) return a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0);
  if (a.IsBool && b.IsBool) return a.Bool == b.Bool ? 0 : (a.Bool ? 1 : -1);
  if (a.Text == b.Text) return 0;
  if (a.Text.empty()) return -1;
  if (b.Text.empty()) return 1;
  return Book().Environment().Text->CompareText(a.Text, b.Text);
}

// Quicksort (Hoare partition) of the positions lo..hi of `order` by `keys`: the pivot is the key
// at the middle position, i moves on while its key is below the pivot and j back while its key
// is above it (the other way round descending). It relies only on a cell comparing equal to
// itself, so texts that compare inconsistently (numbers against words) cannot run it past
// its range.
void TcxSSDataStorage::SortRows(std::vector<int>& order, int lo, int hi,
                                const std::vector<TSortKey>& keys, bool descending) const {
  while (lo < hi) {
    const TSortKey& pivot = keys[static_cast<size_t>(order[static_cast<size_t>(lo + (hi - lo) / 2)])];
    auto compare = [&](int pos) {
      const int c = CompareKeys(keys[static_cast<size_t>(order[static_cast<size_t>(pos)])], pivot);
      return descending ? -c : c;
    };
    int i = lo;
    int j = hi;
    while (i <= j) {
      while (compare(i) < 0) ++i;
      while (compare(j) > 0) --j;
      if (i <= j) {
        std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    }
    // Recurse into the smaller part, loop over the larger, so the depth stays logarithmic.
    if (j - lo < hi - i) {
      SortRows(order, lo, j, keys, descending);
      lo = i;
    } else {
      SortRows(order, i, hi, keys, descending);
      hi = j;
    }
  }
}

void TcxSSDataStorage::Sort(const TRect& rect, const std::vector<bool>& descending) {
  if (rect.Right < rect.Left || rect.Bottom <= rect.Top || rect.Left < 0 || rect.Top < 0) return;
  const int height = rect.Bottom - rect.Top + 1;
  // order[p] is the row (counted from rect.Top) that ends at position p. Rows move whole: two
  // rows that agree in the earlier key columns may still differ there (b and B compare equal),
  // so no column of a row is left behind.
  std::vector<int> order(static_cast<size_t>(height));
  for (int p = 0; p < height; ++p) order[static_cast<size_t>(p)] = p;
  // Runs of positions whose rows agree in every key column so far: first the whole range. Each
  // column sorts the runs and splits them where its own keys differ, so a column costs time in
  // proportion to the rows still in runs, not to the columns before it; a run whose keys are all
  // equal (an empty column) keeps its order. Keys are indexed by row (counted from rect.Top).
  std::vector<std::pair<int, int>> runs{{0, height - 1}};
  std::vector<std::pair<int, int>> next;
  std::vector<TSortKey> keys(static_cast<size_t>(height));
  auto key = [&](int p) -> const TSortKey& {
    return keys[static_cast<size_t>(order[static_cast<size_t>(p)])];
  };
  bool direction = false;
  for (int k = 0; rect.Left + k <= rect.Right && !runs.empty(); ++k) {
    if (k < static_cast<int>(descending.size())) direction = descending[static_cast<size_t>(k)];
    next.clear();
    for (const auto& [start, end] : runs) {
      for (int p = start; p <= end; ++p) {
        const int r = order[static_cast<size_t>(p)];
        keys[static_cast<size_t>(r)] = MakeSortKey(CellRef(rect.Left + k, rect.Top + r));
      }
      bool allEqual = true;
      for (int p = start + 1; p <= end && allEqual; ++p) allEqual = CompareKeys(key(start), key(p)) == 0;
      if (allEqual) {
        next.emplace_back(start, end);
        continue;
      }
      SortRows(order, start, end, keys, direction);
      for (int first = start; first < end;) {
        int last = first;
        while (last < end && CompareKeys(key(first), key(last + 1)) == 0) ++last;
        if (last > first) next.emplace_back(first, last);
        first = last + 1;
      }
    }
    runs.swap(next);
  }
  bool moved = false;
  for (int p = 0; p < height && !moved; ++p) moved = order[static_cast<size_t>(p)] != p;
  if (!moved) return;
  // One action keeps the new order of the rows; undo puts them back by the inverse order.
  if (!updating_)
    if (auto* action = Book().History().AddAction<TcxSortCellsAction>())
      action->Init(sheet_, rect, order);
  MoveRows(rect, order);
}

void TcxSSDataStorage::MoveRows(const TRect& rect, const std::vector<int>& order) {
  const int height = rect.Bottom - rect.Top + 1;
  assert(static_cast<int>(order.size()) == height);
  TcxCustomSpreadSheetBook& book = Book();
  book.SetModified(true);
  // The formulas that move, found through the engine's list rather than by reading every
  // moved record, which would visit records scattered all over memory.
  std::vector<int> where(static_cast<size_t>(height));
  for (int p = 0; p < height; ++p) where[static_cast<size_t>(order[static_cast<size_t>(p)])] = p;
  std::vector<TPoint> formulas;
  const int page = Book().IndexOfSheet(sheet_);
  book.FormulasCache().ForEachFormula([&](const TcxSSFormula& formula) {
    if (formula.Sheet != page || formula.Col < rect.Left || formula.Col > rect.Right ||
        formula.Row < rect.Top || formula.Row > rect.Bottom)
      return;
    const int p = where[static_cast<size_t>(formula.Row - rect.Top)];
    if (p != formula.Row - rect.Top) formulas.push_back({formula.Col, rect.Top + p});
  });

  std::vector<TcxSSCellRec*> old(static_cast<size_t>(height));
  for (int col = rect.Left; col <= rect.Right; ++col) {
    if (col >= static_cast<int>(columns_.size())) break;
    const int stored = std::min(ColumnRowCount(col) - rect.Top, height);
    if (stored <= 0) continue;
    std::fill(old.begin(), old.end(), nullptr);
    for (int r = 0; r < stored; ++r)
      if (TcxSSCellRec** slot = FindSlot(col, rect.Top + r)) old[static_cast<size_t>(r)] = *slot;
    for (int p = 0; p < height; ++p) {
      const int r = order[static_cast<size_t>(p)];
      if (r == p) continue;
      TcxSSCellRec* record = old[static_cast<size_t>(r)];
      const int row = rect.Top + p;
      if (record) {
        Slot(col, row) = record;
      } else if (row < ColumnRowCount(col)) {
        if (TcxSSCellRec** slot = FindSlot(col, row)) *slot = nullptr;
      } else {
        continue;
      }
      book.Listener().CellChanged(sheet_, col, row);
    }
  }
  for (const TPoint& place : formulas)
    if (TcxSSCellRec** slot = FindSlot(place.X, place.Y); slot && *slot)
      PlaceFormula(**slot, place.X, place.Y);
}

// --- Checks ---------------------------------------------------------------------------------

bool TcxSSDataStorage::CheckConsistency() const {
  if (colCount_ > colCapacity_ || static_cast<int>(columns_.size()) > colCapacity_) return false;
  if (static_cast<int>(columns_.size()) > colCount_) return false;
  const TcxSSFormulasCache& formulas = Book().FormulasCache();
  std::unordered_set<const TcxSSCellRec*> records;
  std::unordered_set<const TcxSSFormula*> formulaRecords;
  for (int col = 0; col < static_cast<int>(columns_.size()); ++col) {
    const TColumn& column = columns_[col];
    if (column.RowCount > rowCapacity_ || column.RowCount > rowCount_) return false;
    if (column.Blocks.size() > (static_cast<size_t>(column.RowCount) + kBlockRows - 1) / kBlockRows)
      return false;
    for (size_t b = 0; b < column.Blocks.size(); ++b) {
      if (!column.Blocks[b]) continue;
      for (int i = 0; i < kBlockRows; ++i) {
        const TcxSSCellRec* cell = (*column.Blocks[b])[static_cast<size_t>(i)];
        if (!cell) continue;
        const int64_t row = static_cast<int64_t>(b) * kBlockRows + i;
        if (row >= column.RowCount || !cell->Style) return false;
        if (!records.insert(cell).second) return false;
        if (cell->Kind == ckFormula) {
          if (!cell->Formula || !formulas.IsRegistered(cell->Formula)) return false;
          if (!formulaRecords.insert(cell->Formula).second) return false;
          if (cell->Formula->Col != col || cell->Formula->Row != row) return false;
        } else if (cell->Formula) {
          return false;
        }
      }
    }
  }
  return mergedCells_->CheckConsistency();
}
