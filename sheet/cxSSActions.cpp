#include "sheet/cxSSActions.h"

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSStrings.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "styles/cxSSCellStyle.h"

namespace {

TcxStoreCellRec ReadCell(const TcxSSDataStorage& storage, int col, int row) {
  const TcxSSCellRec& cell = storage.CellRef(col, row);
  TcxStoreCellRec stored;
  stored.Text = cell.Text;
  stored.Kind = cell.Kind == ckObject ? ckText : cell.Kind;
  stored.Number = cell.Number;
  stored.Font = *cell.Style->Font;
  stored.Style = *cell.Style;
  stored.Style.Font = nullptr;
  stored.Style.RefCount = 0;
  return stored;
}

// Writes a kept cell back exactly as it was: the same kind of value (a formula is parsed and
// registered anew, a number stays the number it was, text stays uninterpreted text), then its
// look. The format goes first, so that the text is stored under the format it was typed under.
void WriteCell(TcxSSBookSheet& sheet, int col, int row, const TcxStoreCellRec& stored) {
  TcxSSDataStorage& storage = sheet.DataStorage();
  {
    TcxSSCellObject cell(storage, col, row);
    TcxSSCellStyle& style = cell.Style();
    style.SetStoredFormat(stored.Style.Format);
    switch (stored.Kind) {
      case ckNumber:
        storage.SetCellNumber(col, row, stored.Number);
        break;
      case ckFormula:
        storage.SetCellText(col, row, stored.Text, true, true);
        break;
      default:
        cell.SetRawText(stored.Text, false);
        break;
    }
    TcxSSStyleRec look = stored.Style;
    look.Font = &stored.Font;
    style.ApplyStoredRecord(look);
  }
  sheet.CellsChanged({col, row, col, row});
}

}  // namespace

void TcxSpreadSheetActions::Init(TcxSSBookSheet& sheet, const TRect& cells, bool store) {
  sheet_ = &sheet;
  cells_ = cells;
  if (store) StoreCells();
}

void TcxSpreadSheetActions::StoreCells() {
  const TcxSSDataStorage& storage = sheet_->DataStorage();
  stored_.assign(cells_.Right - cells_.Left + 1, {});
  for (int col = cells_.Left; col <= cells_.Right; ++col) {
    auto& column = stored_[col - cells_.Left];
    column.reserve(cells_.Bottom - cells_.Top + 1);
    for (int row = cells_.Top; row <= cells_.Bottom; ++row) column.push_back(ReadCell(storage, col, row));
  }
}

void TcxSpreadSheetActions::SwapCells() {
  if (!sheet_) return;
  for (int col = cells_.Left; col <= cells_.Right; ++col)
    for (int row = cells_.Top; row <= cells_.Bottom; ++row) {
      TcxStoreCellRec& stored = stored_[col - cells_.Left][row - cells_.Top];
      TcxStoreCellRec current = ReadCell(sheet_->DataStorage(), col, row);
      WriteCell(*sheet_, col, row, stored);
      stored = std::move(current);
    }
}

const TcxStoreCellRec& TcxSpreadSheetActions::StoredCell(int col, int row) const {
  return stored_[col - cells_.Left][row - cells_.Top];
}

std::string TcxChangeDataAction::Description() const { return std::string(kChangeCells); }
