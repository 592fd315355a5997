#include "sheet/cxSSActions.h"

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"

namespace {

bool SameFont(const TcxSSFontRec& a, const TcxSSFontRec& b) {
  return a.Name == b.Name && a.FontColor == b.FontColor && a.Style == b.Style &&
         a.Charset == b.Charset && a.Height == b.Height;
}

// The style values an action keeps, compared field by field (the font by its values).
bool SameLook(const TcxSSStyleRec& a, const TcxSSFontRec& aFont, const TcxSSStyleRec& b,
              const TcxSSFontRec& bFont) {
  TcxSSStyleRec x = a;
  x.Font = b.Font;
  return x.SameStyle(b) && SameFont(aFont, bFont);
}

// The cell's own record: a cell of a merged area without one is the empty default cell here,
// not the area's top-left cell it reads as.
void ReadCell(const TcxSSDataStorage& storage, int col, int row, TcxStoreCellRec& stored) {
  const TcxSSCellRec* own = storage.FindCell(col, row);
  const TcxSSCellRec& cell = own ? *own : storage.DefaultCell();
  stored.Stored = own != nullptr;
  stored.Text = cell.Text;
  stored.Kind = cell.Kind == ckObject ? ckText : cell.Kind;
  stored.Number = cell.Number;
  stored.Kept = nullptr;
  if (cell.Kind == ckFormula && cell.Formula &&
      (cell.Formula->File || cell.Formula->Block.Kind != fbNone))
    stored.Kept = std::make_shared<const TcxStoredFileFormula>(
        TcxStoredFileFormula{cell.Formula->Tokens, cell.Formula->File, cell.Formula->Block});
  stored.Font = *cell.Style->Font;
  stored.Style = *cell.Style;
  stored.Style.Font = nullptr;
  stored.Style.RefCount = 0;
}

// Writes a kept cell back exactly as it was: its look first, then the same kind of value (a
// formula is parsed and registered anew, one kept from its file gets its tokens and the file's
// value back, a number stays the number it was, text stays uninterpreted text).
void WriteCell(TcxSSBookSheet& sheet, int col, int row, const TcxStoreCellRec& stored) {
  TcxSSDataStorage& storage = sheet.DataStorage();
  if (!stored.Stored) {
    storage.RemoveCell(col, row);
    sheet.CellsChanged({col, row, col, row});
    return;
  }
  const TcxSSCellRec& own = storage.OwnCell(col, row);
  if (!SameLook(*own.Style, *own.Style->Font, stored.Style, stored.Font)) {
    TcxSSStyleRec look = stored.Style;
    look.Font = &stored.Font;
    storage.GetCellStyleObject(col, row)->ApplyStoredRecord(look);
  }
  switch (stored.Kind) {
    case ckNumber:
      storage.SetCellNumber(col, row, stored.Number);
      break;
    case ckFormula:
      if (!stored.Kept || !storage.SetCellFormula(col, row, stored.Kept->Tokens, stored.Kept->File,
                                                  stored.Kept->Block))
        storage.SetCellText(col, row, stored.Text, true, true);
      break;
    default: {
      const TcxSSCellRec& current = storage.OwnCell(col, row);
      TcxSSFormula* oldFormula = current.Kind == ckFormula ? current.Formula : nullptr;
      TcxSSCellRec cell;
      cell.Style = current.Style;
      cell.Kind = ckText;
      cell.Text = stored.Text;
      storage.SetCell(col, row, cell);
      if (oldFormula) sheet.Owner().FormulasCache().RemoveFormula(oldFormula);
      break;
    }
  }
  sheet.CellsChanged({col, row, col, row});
}


}  // namespace

bool TcxStoreCellRec::SameAs(const TcxStoreCellRec& other) const {
  const auto file = [](const TcxStoreCellRec& c) { return c.Kept ? c.Kept->File : nullptr; };
  const auto block = [](const TcxStoreCellRec& c) { return c.Kept ? c.Kept->Block : TcxFormulaBlock{}; };
  return Stored == other.Stored && Kind == other.Kind && Number == other.Number && Text == other.Text &&
         file(*this) == file(other) && block(*this) == block(other) &&
         SameLook(Style, Font, other.Style, other.Font);
}

// --- TcxSpreadSheetActions ------------------------------------------------------------------------

void TcxSpreadSheetActions::Init(TcxSSBookSheet& sheet, const TRect& cells, bool store) {
  sheet_ = &sheet;
  cells_ = cells;
  if (store) StoreCells();
}

TcxStoreCellRec& TcxSpreadSheetActions::Stored(int col, int row) {
  if (many_.empty()) return single_;
  const size_t height = static_cast<size_t>(cells_.Bottom - cells_.Top + 1);
  return many_[static_cast<size_t>(col - cells_.Left) * height +
               static_cast<size_t>(row - cells_.Top)];
}

const TcxStoreCellRec& TcxSpreadSheetActions::StoredCell(int col, int row) const {
  return const_cast<TcxSpreadSheetActions*>(this)->Stored(col, row);
}

void TcxSpreadSheetActions::StoreCells() {
  if (cells_.Right < cells_.Left || cells_.Bottom < cells_.Top) return;
  const TcxSSDataStorage& storage = sheet_->DataStorage();
  const size_t width = static_cast<size_t>(cells_.Right - cells_.Left + 1);
  const size_t height = static_cast<size_t>(cells_.Bottom - cells_.Top + 1);
  if (width * height > 1) many_.resize(width * height);
  for (int col = cells_.Left; col <= cells_.Right; ++col)
    for (int row = cells_.Top; row <= cells_.Bottom; ++row)
      ReadCell(storage, col, row, Stored(col, row));
}

void TcxSpreadSheetActions::SwapCells() {
  if (!sheet_ || cells_.Right < cells_.Left || cells_.Bottom < cells_.Top) return;
  const TcxSSDataStorage& storage = sheet_->DataStorage();
  // The merged areas stand aside while the cells are written: a style object on a cell without
  // a record of its own would otherwise take the area's top-left cell's style for its own and
  // store nothing into the cell.
  TcxSSMergedCellsStorage& merged = storage.MergedCells();
  TcxSSRectsArray areas = merged.SetAll({});
  TScopeGuard restore([&merged, &areas] { merged.SetAll(std::move(areas)); });
  TcxStoreCellRec current;
  for (int col = cells_.Left; col <= cells_.Right; ++col)
    for (int row = cells_.Top; row <= cells_.Bottom; ++row) {
      TcxStoreCellRec& stored = Stored(col, row);
      ReadCell(storage, col, row, current);
      // A cell that is as it was needs no write; a formula keeps its record.
      if (current.SameAs(stored)) continue;
      WriteCell(*sheet_, col, row, stored);
      std::swap(stored, current);
    }
}

std::string TcxChangeDataAction::Description() const { return std::string(kChangeCells); }

// --- Sort ----------------------------------------------------------------------------------------

std::string TcxSortCellsAction::Description() const { return std::string(kSortCells); }

void TcxSortCellsAction::Init(TcxSSBookSheet& sheet, const TRect& cells, std::vector<int> order) {
  sheet_ = &sheet;
  cells_ = cells;
  order_ = std::move(order);
}

void TcxSortCellsAction::Undo() {
  std::vector<int> inverse(order_.size());
  for (size_t p = 0; p < order_.size(); ++p) inverse[static_cast<size_t>(order_[p])] = static_cast<int>(p);
  sheet_->DataStorage().MoveRows(cells_, inverse);
}

void TcxSortCellsAction::Redo() {
  sheet_->DataStorage().MoveRows(cells_, order_);
}

// --- Insert and delete ---------------------------------------------------------------------------

void TcxSpreadSheetInsertDeleteActions::Init(TcxSSBookSheet& sheet, const TRect& cells,
                                             int mode) {
  TcxSpreadSheetActions::Init(sheet, cells, false);
  mode_ = mode;
  merged_ = sheet.DataStorage().MergedCells().GetAll();
}

void TcxSpreadSheetInsertDeleteActions::Shift(bool isDelete) {
  sheet_->InsertDeleteCells(cells_, mode_, isDelete);
}

void TcxSpreadSheetInsertDeleteActions::RestoreMergedCells() {
  sheet_->DataStorage().MergedCells().SetAll(merged_);
}

std::string TcxInsertCellsAction::Description() const { return std::string(kInsertCells); }

void TcxInsertCellsAction::Undo() {
  TryFinally([this] { Shift(true); }, [this] { RestoreMergedCells(); });
}

void TcxInsertCellsAction::Redo() { Shift(false); }

std::string TcxDeleteCellsAction::Description() const { return std::string(kDeleteCells); }

void TcxDeleteCellsAction::Init(TcxSSBookSheet& sheet, const TRect& cells, int mode) {
  TcxSpreadSheetInsertDeleteActions::Init(sheet, cells, mode);
  StoreCells();
  headerItems_.clear();
  if (mode == 2)
    for (int col = cells.Left; col <= cells.Right; ++col)
      headerItems_.push_back(sheet.ColumnHeader().GetItem(col));
  else if (mode == 3)
    for (int row = cells.Top; row <= cells.Bottom; ++row)
      headerItems_.push_back(sheet.RowHeader().GetItem(row));
}

void TcxDeleteCellsAction::Undo() {
  TryFinally([this] { Shift(false); },
             [this] {
               RestoreMergedCells();
               RestoreHeaders();
               SwapCells();
               RestoreFormulas();
             });
}

void TcxDeleteCellsAction::Redo() {
  // The next undo needs the cells as they are now, which are the cells first deleted.
  StoreCells();
  Shift(true);
}

void TcxDeleteCellsAction::RestoreHeaders() {
  if (mode_ != 2 && mode_ != 3) return;
  TcxSSHeader& header = mode_ == 2 ? sheet_->ColumnHeader() : sheet_->RowHeader();
  const int first = mode_ == 2 ? cells_.Left : cells_.Top;
  for (size_t i = 0; i < headerItems_.size(); ++i) {
    const int index = first + static_cast<int>(i);
    if (!(header.GetItem(index) == headerItems_[i])) header.SetItem(index, headerItems_[i]);
  }
}

void TcxDeleteCellsAction::RestoreFormulas() {
  TcxCustomSpreadSheetBook& book = sheet_->Owner();
  if (names_) book.FormulasCache().SetNames(*names_);
  for (const TcxStoredFormula& kept : formulas_) {
    if (kept.Sheet < 0 || kept.Sheet >= book.PageCount()) continue;
    TcxSSBookSheet& sheet = book.Pages(kept.Sheet);
    TcxSSDataStorage& storage = sheet.DataStorage();
    const TcxSSCellRec& cell = storage.OwnCell(kept.Col, kept.Row);
    // Inserting the lines again already put back every reference that only moved.
    if (cell.Kind == ckFormula && cell.Formula && cell.Formula->Tokens == kept.Tokens) continue;
    if (!kept.File || !storage.SetCellFormula(kept.Col, kept.Row, kept.Tokens, kept.File))
      storage.SetCellText(kept.Col, kept.Row, kept.Text, true, true);
    sheet.CellsChanged({kept.Col, kept.Row, kept.Col, kept.Row});
  }
}

// --- Merge and split ---------------------------------------------------------------------------

void TcxMergeSplitActions::Init(TcxSSBookSheet& sheet, const TRect& cells) {
  TcxSpreadSheetActions::Init(sheet, cells, true);
  merged_ = sheet.DataStorage().MergedCells().GetAll();
}

void TcxMergeSplitActions::StoreCells() {
  places_.clear();
  kept_.clear();
  if (cells_.Right < cells_.Left || cells_.Bottom < cells_.Top) return;
  const TcxSSDataStorage& storage = sheet_->DataStorage();
  storage.ForEachCellIn(cells_, [this](int col, int row, const TcxSSCellRec&) {
    places_.push_back({col, row});
  });
  if (!storage.FindCell(cells_.Left, cells_.Top)) places_.push_back({cells_.Left, cells_.Top});
  kept_.resize(places_.size());
  for (size_t i = 0; i < places_.size(); ++i)
    ReadCell(storage, places_[i].X, places_[i].Y, kept_[i]);
}

void TcxMergeSplitActions::SwapCells() {
  if (!sheet_) return;
  const TcxSSDataStorage& storage = sheet_->DataStorage();
  // As for every action: the merged areas stand aside while the cells are written.
  TcxSSMergedCellsStorage& merged = storage.MergedCells();
  TcxSSRectsArray areas = merged.SetAll({});
  TScopeGuard restore([&merged, &areas] { merged.SetAll(std::move(areas)); });
  TcxStoreCellRec current;
  for (size_t i = 0; i < places_.size(); ++i) {
    const TPoint place = places_[i];
    ReadCell(storage, place.X, place.Y, current);
    if (current.SameAs(kept_[i])) continue;
    WriteCell(*sheet_, place.X, place.Y, kept_[i]);
    std::swap(kept_[i], current);
  }
}

void TcxMergeSplitActions::Exchange() {
  merged_ = sheet_->DataStorage().MergedCells().SetAll(std::move(merged_));
}

void TcxMergeSplitActions::Undo() {
  SwapCells();
  Exchange();
}

void TcxMergeSplitActions::Redo() {
  SwapCells();
  Exchange();
}

std::string TcxMergeCellsAction::Description() const { return std::string(kMergeCells); }

std::string TcxSplitCellsAction::Description() const { return std::string(kSplitCells); }

void TcxMergedAreasAction::Init(TcxSSBookSheet& sheet, TcxSSRectsArray previous) {
  sheet_ = &sheet;
  merged_ = std::move(previous);
}

void TcxMergedAreasAction::Exchange() {
  merged_ = sheet_->DataStorage().MergedCells().SetAll(std::move(merged_));
}
