// The sheet's range operations: protection, clearing, inserting and deleting, hiding and
// showing, merging, sorting and the format dialog. Each wraps the workbook's update lock and one
// history step around the work of the cell storage, the merged areas, the headers and the
// formula engine.

#include <algorithm>
#include <optional>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"
#include "calc/cxExcelLimits.h"

namespace {


bool IsEmptyRect(const TRect& r) { return r.Right < r.Left || r.Bottom < r.Top; }

// The part of `cells` that holds stored cells: nothing changes beyond the storage's extent, so
// change notifications and row heights stop there.
TRect StoredPart(const TRect& cells, int colCount, int rowCount) {
  return {std::max(cells.Left, 0), std::max(cells.Top, 0), std::min(cells.Right, colCount - 1),
          std::min(cells.Bottom, rowCount - 1)};
}

// Every formula of the workbook with its formula text, as it stands before a deletion of
// entire columns or rows.
std::vector<TcxStoredFormula> TakeFormulas(const TcxCustomSpreadSheetBook& book) {
  std::vector<TcxStoredFormula> formulas;
  formulas.reserve(static_cast<size_t>(book.FormulasCache().Count()));
  book.FormulasCache().ForEachFormula([&](const TcxSSFormula& formula) {
    if (formula.Sheet >= book.PageCount()) return;
    const TcxSSCellRec& cell = book.Pages(formula.Sheet).DataStorage().OwnCell(formula.Col, formula.Row);
    if (cell.Formula != &formula) return;
    formulas.push_back({formula.Sheet, formula.Col, formula.Row, cell.Text, formula.Tokens, formula.File});
  });
  return formulas;
}

// The kept formulas whose cells the formula engine rewrote (they still stand at their old
// places): only those may need restoring.
std::vector<TcxStoredFormula> RewrittenFormulas(const TcxCustomSpreadSheetBook& book,
                                                std::vector<TcxStoredFormula> formulas) {
  std::erase_if(formulas, [&book](const TcxStoredFormula& kept) {
    const TcxSSCellRec& cell = book.Pages(kept.Sheet).DataStorage().OwnCell(kept.Col, kept.Row);
    return cell.Kind == ckFormula && cell.Formula && cell.Formula->Tokens == kept.Tokens;
  });
  return formulas;
}

// Whether inserting `r` in `mode` would move a cell that holds something from inside the grid a
// file holds (A1:IV65536) to beyond it, where no save could keep it.
bool PushesCellsOffGrid(const TcxSSDataStorage& storage, const TRect& r, int mode) {
  const long long width = static_cast<long long>(r.Right) - r.Left + 1;
  const long long height = static_cast<long long>(r.Bottom) - r.Top + 1;
  // The cells that would leave: from this column (row) to the grid's last one.
  const int firstCol = static_cast<int>(std::max<long long>(r.Left, kXlsMaxCols - width));
  const int firstRow = static_cast<int>(std::max<long long>(r.Top, kXlsMaxRows - height));
  TRect leaving;
  switch (mode) {
    case 0:
      leaving = {firstCol, r.Top, kXlsMaxCols - 1, std::min(r.Bottom, kXlsMaxRows - 1)};
      break;
    case 1:
      leaving = {r.Left, firstRow, std::min(r.Right, kXlsMaxCols - 1), kXlsMaxRows - 1};
      break;
    case 2: leaving = {firstCol, 0, kXlsMaxCols - 1, kXlsMaxRows - 1}; break;
    default: leaving = {0, firstRow, kXlsMaxCols - 1, kXlsMaxRows - 1}; break;
  }
  const int lastCol = std::min(leaving.Right, storage.ColCount() - 1);
  for (int col = leaving.Left; col <= lastCol; ++col) {
    const int lastRow = std::min(leaving.Bottom, storage.ColumnRowCount(col) - 1);
    for (int row = leaving.Top; row <= lastRow; ++row) {
      const TcxSSCellRec* cell = storage.FindCell(col, row);
      if (cell && (cell->Kind != ckText || !cell->Text.empty())) return true;
    }
  }
  return false;
}

}  // namespace

// --- Protection ---------------------------------------------------------------------------------

bool TcxSSBookSheet::CanChangeCell(int col, int row) const {
  return CanChangeRange({col, row, col, row});
}

bool TcxSSBookSheet::CanChangeRange(const TRect& cells) const {
  const TcxCustomSpreadSheetBook& book = owner_;
  if (book.Loading() || IsEmptyRect(cells)) return true;
  const TcxSSDataStorage& storage = DataStorage();
  const bool excel = book.ExcelProtectionStyle();
  if (excel && !book.Protected() && !protected_) return true;
  if (!excel && (book.ReadOnly() || readOnly_)) return false;

  // A stored cell answers with its style flag; every cell that is not stored answers alike,
  // with its column's locked flag (Excel style) or the default style's read-only flag.
  const uint8_t flag = excel ? kStyleLocked : kStyleReadOnly;
  const bool defaultRefuses = !excel && (book.StyleCache().DefaultRecord()->Flags & flag) != 0;
  auto unstoredRefuses = [&](int col) {
    return excel ? ColumnHeader().IsItemLocked(col) : defaultRefuses;
  };
  auto columnAllows = [&](int col) {
    const int lastStored = std::min(cells.Bottom, storage.ColumnRowCount(col) - 1);
    for (int row = std::max(cells.Top, 0); row <= lastStored; ++row) {
      const TcxSSCellRec* cell = storage.FindCell(col, row);
      if (cell ? (cell->Style->Flags & flag) != 0 : unstoredRefuses(col)) return false;
    }
    return lastStored >= cells.Bottom || !unstoredRefuses(col);
  };
  // Columns past the stored cells and the stored header items all answer like the first of them.
  const int lastDistinct = std::max(storage.ColCount(), ColumnHeader().Count());
  const int last = std::min(cells.Right, std::max(lastDistinct, cells.Left));
  for (int col = std::max(cells.Left, 0); col <= last; ++col)
    if (!columnAllows(col)) return false;
  return true;
}

// --- Clearing -----------------------------------------------------------------------------------

bool TcxSSBookSheet::CutsBlock(const TRect& cells) const {
  const int page = Index();
  if (page < 0) return false;
  for (const TRect& b : owner_.FormulasCache().Blocks(page)) {
    const bool meets = b.Left <= cells.Right && cells.Left <= b.Right && b.Top <= cells.Bottom &&
                       cells.Top <= b.Bottom;
    const bool inside = cells.Left <= b.Left && b.Right <= cells.Right && cells.Top <= b.Top &&
                        b.Bottom <= cells.Bottom;
    if (meets && !inside) return true;
  }
  return false;
}

namespace {

// Records the merged areas as they were when an operation changed them as a side effect.
void RecordMergedAreas(TcxSSBookSheet& sheet, const TcxSSRectsArray& previous) {
  if (previous == sheet.DataStorage().MergedCells().GetAll()) return;
  if (auto* action = sheet.Owner().History().AddAction<TcxMergedAreasAction>())
    action->Init(sheet, previous);
}

}  // namespace

void TcxSSBookSheet::ClearCells(const TRect& cells, bool clearFormats) {
  if (!CanChangeRange(cells)) return;
  TcxCustomSpreadSheetBook& book = owner_;
  if (CutsBlock(cells)) throw ESpreadSheetError(std::string(kCannotChangePartOfArray));
  if (book.Control()) book.Control()->HideEditor();
  TcxSSDataStorage& storage = DataStorage();
  TcxSpreadSheetHistory& history = book.History();
  const TRect changed = StoredPart(cells, storage.ColCount(), storage.RowCount());
  const TcxSSRectsArray merged = storage.MergedCells().GetAll();
  const bool opened = history.BeginComplex(kClearCells);
  TryFinally(
      [&] {
        storage.ClearCells(cells, clearFormats);
        RecordMergedAreas(*this, merged);
        for (int row = changed.Top; row <= changed.Bottom; ++row) AutoRowHeight(row);
      },
      [&] {
        if (opened) history.EndComplex();
        book.RefreshView();
        if (!IsEmptyRect(changed)) CellsChanged(changed);
      });
}

void TcxSSBookSheet::ClearSheet() {
  TcxCustomSpreadSheetBook& book = owner_;
  if (book.Control()) book.Control()->HideEditor();
  TcxSSDataStorage& storage = DataStorage();
  TcxSpreadSheetHistory& history = book.History();
  const TcxSSRectsArray merged = storage.MergedCells().GetAll();
  const bool opened = history.BeginComplex(kClearAll);
  TryFinally(
      [&] {
        storage.ClearCells({-1, -1, -1, -1}, true);
        RecordMergedAreas(*this, merged);
        if (visible_) book.RefreshView();
      },
      [&] {
        if (opened) history.EndComplex();
      });
}

// --- Array formulas ------------------------------------------------------------------------------

namespace {

// The tokens of a formula parsed at one cell as the same formula at a cell (dx, dy) away: its
// relative references keep pointing at the same cells.
TcxTokenString MovedOrigin(TcxTokenString tokens, int dx, int dy) {
  const auto shift = [&](uint8_t* t, size_t abs, size_t value, int delta) {
    if (!t[abs]) WriteInt32(t + value, static_cast<int32_t>(int64_t(ReadInt32(t + value)) - delta));
  };
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) break;
    uint8_t* t = tokens.data() + pos;
    if (t[0] == ptgRef) {
      shift(t, kRefRowAbs, kRefRow, dy);
      shift(t, kRefColAbs, kRefCol, dx);
    } else if (t[0] == ptgArea) {
      shift(t, kAreaFirstRowAbs, kAreaFirstRow, dy);
      shift(t, kAreaLastRowAbs, kAreaLastRow, dy);
      shift(t, kAreaFirstColAbs, kAreaFirstCol, dx);
      shift(t, kAreaLastColAbs, kAreaLastCol, dx);
    }
    pos += size;
  }
  return tokens;
}

}  // namespace

bool TcxSSBookSheet::SetArrayFormula(const TRect& cells, const std::string& text) {
  const int page = Index();
  if (page < 0 || IsEmptyRect(cells) || cells.Left < 0 || cells.Top < 0) return false;
  if (CutsBlock(cells)) throw ESpreadSheetError(std::string(kCannotChangePartOfArray));
  TcxCustomSpreadSheetBook& book = owner_;
  TcxSSFormulasCache& engine = book.FormulasCache();
  TcxSSFormula parsed;
  parsed.Sheet = static_cast<uint16_t>(page);
  parsed.Col = cells.Left;
  parsed.Row = cells.Top;
  engine.SetErrorFlag(false);
  engine.Handler().ParseFormula(text, parsed);
  const bool ok = !parsed.ParseFailed && !engine.ErrorFlag() && !parsed.Tokens.empty() &&
                  engine.Handler().ErrorCode() == 0 && !engine.FormulaText(parsed).empty();
  engine.SetErrorFlag(false);
  if (!ok) return false;
  const TcxFormulaBlock block{fbArray, cells};
  TcxSSDataStorage& storage = DataStorage();
  TcxSpreadSheetHistory& history = book.History();
  book.BeginUpdate();
  const bool opened = history.BeginComplex(kChangeCells);
  TryFinally(
      [&] {
        for (int col = cells.Left; col <= cells.Right; ++col)
          for (int row = cells.Top; row <= cells.Bottom; ++row)
            storage.SetCellFormula(
                col, row, MovedOrigin(parsed.Tokens, col - cells.Left, row - cells.Top), nullptr,
                block);
        CellsChanged(cells);
      },
      [&] {
        if (opened) history.EndComplex();
        book.EndUpdate();
      });
  return true;
}

// --- Inserting and deleting ----------------------------------------------------------------------

void TcxSSBookSheet::InsertCells(const TRect& cells, int mode) {
  if (owner_.ExcelProtectionStyle() && !CanChangeRange(cells)) return;
  InsertDeleteCells(cells, mode, false);
}

void TcxSSBookSheet::DeleteCells(const TRect& cells, int mode) {
  if (owner_.ExcelProtectionStyle() && !CanChangeRange(cells)) return;
  InsertDeleteCells(cells, mode, true);
}

void TcxSSBookSheet::InsertDeleteCells(const TRect& cells, int mode, bool isDelete) {
  if (mode < 0 || mode > 3) return;
  TRect r = cells;
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  if (IsEmptyRect(r)) return;
  TcxCustomSpreadSheetBook& book = owner_;
  TcxSSDataStorage& storage = DataStorage();
  // Refused before anything changes, as a spreadsheet refuses to lose data.
  if (!isDelete && PushesCellsOffGrid(storage, r, mode))
    throw ESpreadSheetError(std::string(kCellsPushedOffSheet));
  // An array formula or data table moves as a whole or not at all.
  if (Index() >= 0 && book.FormulasCache().CutsBlock(Index(), r, mode, isDelete))
    throw ESpreadSheetError(std::string(kCannotChangePartOfArray));
  TcxSpreadSheetHistory& history = book.History();
  book.BeginUpdate();
  TryFinally(
      [&] {
        std::vector<TcxStoredFormula> rewritten;
        std::optional<TcxSSNamesDef> names;
        const int page = Index();
        if ((mode == 2 || mode == 3) && page >= 0) {
          // The engine moves every reference before the cells move; what a deletion destroys
          // (references into the deleted lines become "#REF!") is kept for undo. Its cell
          // writes are not steps of their own: undo replays the engine instead.
          std::vector<TcxStoredFormula> formulas;
          const bool keep = isDelete && !history.IsLocked();
          if (keep) {
            formulas = TakeFormulas(book);
            names = book.FormulasCache().GetNames();
          }
          history.Lock();
          TScopeGuard unlock([&history] { history.Unlock(); });
          book.FormulasCache().AdjustReferences(page, r, mode == 2, isDelete);
          if (!formulas.empty()) rewritten = RewrittenFormulas(book, std::move(formulas));
          if (names && *names == book.FormulasCache().Names()) names.reset();
        }
        TcxCustomAction* const newest = history.NewestAction();
        if (isDelete)
          storage.DeleteCells(r, mode);
        else
          storage.InsertCells(r, mode);
        if (rewritten.empty() && !names) return;
        auto* action = dynamic_cast<TcxDeleteCellsAction*>(history.NewestAction());
        if (action && action != newest) action->KeepReferences(std::move(rewritten), std::move(names));
      },
      [&] { book.EndUpdate(); });
}

// --- Visibility -----------------------------------------------------------------------------------

void TcxSSBookSheet::SetVisibility(const TRect& cells, bool columns, bool show, bool rows) {
  TcxCustomSpreadSheetBook& book = owner_;
  if (book.Control() && book.Control()->EditorHasFocus()) book.Control()->HideEditor();
  auto apply = [show](TcxSSHeader& header, int first, int last) {
    for (int index = std::max(first, 0); index <= last; ++index) {
      header.SetVisible(index, show);
      if (show && header.GetItem(index).Size == 0) {
        // A line shown again with no size of its own follows the default size.
        TcxSSHeaderItem item = header.GetItem(index);
        item.Size = header.DefaultSize();
        item.Flags = static_cast<uint8_t>((item.Flags | kHeaderDefault) & ~kHeaderAuto);
        header.SetItem(index, item);
      }
    }
  };
  book.BeginUpdate();
  TryFinally(
      [&] {
        if (columns) apply(ColumnHeader(), cells.Left, cells.Right);
        if (rows) apply(RowHeader(), cells.Top, cells.Bottom);
        if (show || Selection() != cells) return;
        // The hidden selection moves on to the first visible line after its old start, keeping
        // its size.
        TRect moved = cells;
        if (columns) {
          const int dx = ColumnHeader().NextVisible(cells.Left, true) - cells.Left;
          moved.Left += dx;
          moved.Right += dx;
        }
        if (rows) {
          const int dy = RowHeader().NextVisible(cells.Top, true) - cells.Top;
          moved.Top += dy;
          moved.Bottom += dy;
        }
        SetSelection(moved);
      },
      [&] {
        book.EndUpdate();
        book.UpdateControl();
      });
}

// --- Merging ----------------------------------------------------------------------------------------

void TcxSSBookSheet::MergeCells(const TRect& cells, bool merge) {
  if (IsEmptyRect(cells) || !CanChangeRange(cells)) return;
  TcxCustomSpreadSheetBook& book = owner_;
  TcxSSDataStorage& storage = DataStorage();
  // The storage asks OnMergeCells before it takes the update lock, which would silence the
  // handler.
  storage.MergeCells(cells, merge);
  if (!merge || storage.GetEditText(cells.Left, cells.Top).empty()) return;
  book.BeginUpdate();
  TryFinally([&] { AutoRowHeight(cells.Top); }, [&] { book.EndUpdate(); });
}

// --- Sorting ------------------------------------------------------------------------------------------

void TcxSSBookSheet::SortCells(const TRect& cells, const std::vector<uint8_t>& directions) {
  TcxCustomSpreadSheetBook& book = owner_;
  TcxSpreadSheetHistory& history = book.History();
  std::vector<bool> descending;
  descending.reserve(directions.size());
  for (const uint8_t direction : directions) descending.push_back(direction != 0);
  const bool opened = history.BeginComplex(kSortCells);
  TryFinally(
      [&] {
        book.BeginUpdate();
        TryFinally([&] { DataStorage().Sort(cells, descending); }, [&] { book.EndUpdate(); });
      },
      [&] {
        if (opened) history.EndComplex();
      });
}

// --- Format dialog --------------------------------------------------------------------------------

void TcxSSBookSheet::FormatCells(const TRect& cells) {
  TcxCustomSpreadSheetBook& book = owner_;
  TRect area = cells;
  bool canFormat = true;
  TcxSSFormatDialogClass dialogClass = book.FormatDialogClass();
  if (book.OnFormatCells) book.OnFormatCells(*this, area, canFormat, dialogClass);
  if (!canFormat || !dialogClass) return;
  TcxSpreadSheetHistory& history = book.History();
  const bool opened = history.BeginComplex(kFormatCells);
  TryFinally(
      [&] {
        if (std::unique_ptr<TcxSSFormatDialog> dialog = dialogClass()) dialog->Execute(area, *this);
      },
      [&] {
        if (opened) history.EndComplex();
      });
}
