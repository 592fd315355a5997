#include "sheet/cxSSCellObject.h"

#include <cmath>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

TcxSSCellObject::TcxSSCellObject(TcxSSDataStorage& storage, int col, int row)
    : storage_(storage), col_(col), row_(row) {
  OpenStep();
}

TcxSSCellObject::~TcxSSCellObject() { CloseStep(); }

void TcxSSCellObject::MoveTo(int col, int row) {
  CloseStep();
  col_ = col;
  row_ = row;
  OpenStep();
}

void TcxSSCellObject::OpenStep() {
  stepOpened_ = storage_.Book().History().BeginComplex(kChangeCells);
}

void TcxSSCellObject::CloseStep() {
  style_.reset();
  if (stepOpened_) storage_.Book().History().EndComplex();
  stepOpened_ = false;
}

TcxSSBookSheet& TcxSSCellObject::Sheet() const { return storage_.Sheet(); }

TxlsDataFormat TcxSSCellObject::Format() const {
  if (style_) return style_->StoredFormat();
  return storage_.CellRef(col_, row_).Style->Format;
}

namespace {

// Whether the cell is one cell of an array formula or data table of several cells, which a
// write to the cell alone would leave without it: spreadsheets refuse such a write. While a file
// loads, the reader fills the cells one by one.
bool PartOfBlock(const TcxSSDataStorage& storage, int col, int row) {
  if (storage.Book().Loading()) return false;
  const TcxSSCellRec* cell = storage.FindCell(col, row);
  if (!cell || cell->Kind != ckFormula || !cell->Formula) return false;
  const TcxFormulaBlock& block = cell->Formula->Block;
  return block.Kind != fbNone &&
         (block.Cells.Left != block.Cells.Right || block.Cells.Top != block.Cells.Bottom);
}

void RefusePartOfBlock(const TcxSSDataStorage& storage, int col, int row) {
  if (PartOfBlock(storage, col, row)) throw ESpreadSheetError(std::string(kCannotChangePartOfArray));
}

}  // namespace

void TcxSSCellObject::SetTextEx(const std::string& text, bool asFormula, bool allowFormula) {
  TcxCustomSpreadSheetBook& book = storage_.Book();
  // An edit that leaves a block's cell as it was (the editor closed unchanged) changes nothing.
  if (PartOfBlock(storage_, col_, row_)) {
    if (text == GetText()) return;
    RefusePartOfBlock(storage_, col_, row_);
  }
  const TxlsDataFormat format = Format();
  const TcxTypedText typed =
      ClassifyTypedText(text, format, book.Settings(), book.Environment().Now());
  switch (typed.Kind) {
    case ttDateTime:
      SetDateTime(typed.Value);
      break;
    case ttCurrency:
      storage_.SetCellText(col_, row_, typed.Text, true, asFormula);
      if (typed.Format != format) Style().SetStoredFormat(typed.Format);
      break;
    case ttText:
      storage_.SetCellText(col_, row_, text, allowFormula, asFormula);
      break;
  }
  AutoHeight();
  book.UpdateControl();
}

void TcxSSCellObject::SetRawText(const std::string& text, bool parse) {
  if (parse) {
    SetText(text);
    return;
  }
  TcxSSCellRec cell = storage_.GetCell(col_, row_);
  TcxSSFormula* oldFormula = cell.Kind == ckFormula ? cell.Formula : nullptr;
  cell.Kind = ckText;
  cell.Formula = nullptr;
  cell.Number = 0;
  cell.Text = text;
  storage_.SetCell(col_, row_, cell);
  if (oldFormula) storage_.Book().FormulasCache().RemoveFormula(oldFormula);
  AutoHeight();
}

void TcxSSCellObject::SetNumber(double value) {
  RefusePartOfBlock(storage_, col_, row_);
  storage_.SetCellNumber(col_, row_, value);
  AutoHeight();
  storage_.Book().UpdateControl();
}

void TcxSSCellObject::SetPlainText(const std::string& text) {
  RefusePartOfBlock(storage_, col_, row_);
  storage_.SetCellText(col_, row_, text, false, false);
  AutoHeight();
  storage_.Book().UpdateControl();
}

bool TcxSSCellObject::IsFormula() const {
  const TcxSSCellRec* cell = storage_.FindCell(col_, row_);
  return cell && cell->Kind == ckFormula;
}

bool TcxSSCellObject::SetFormulaTokens(const TcxTokenString& tokens) {
  if (!storage_.SetCellFormula(col_, row_, tokens)) return false;
  AutoHeight();
  storage_.Book().UpdateControl();
  return true;
}

bool TcxSSCellObject::SetFileFormula(const TcxTokenString& tokens,
                                     std::shared_ptr<const TcxFileFormula> file,
                                     const TcxFormulaBlock& block) {
  if (!storage_.SetCellFormula(col_, row_, tokens, std::move(file), block)) return false;
  AutoHeight();
  storage_.Book().UpdateControl();
  return true;
}

TcxTokenString TcxSSCellObject::FormulaTokens() const {
  const TcxSSCellRec* cell = storage_.FindCell(col_, row_);
  if (!cell || cell->Kind != ckFormula || !cell->Formula) return {};
  return cell->Formula->Tokens;
}

void TcxSSCellObject::SetDateTime(double value) {
  storage_.SetCellNumber(col_, row_, value);
  if (Format() != 0) return;
  const double day = std::floor(value);
  const bool hasTime = value != day;
  Style().SetStoredFormat(day == 0 ? 21 : (hasTime ? 22 : 14));
}

std::string TcxSSCellObject::GetText() const { return storage_.GetEditText(col_, row_); }

std::string TcxSSCellObject::ValueText() const {
  const TcxSSCellRec& cell = storage_.CellRef(col_, row_);
  switch (cell.Kind) {
    case ckFormula: {
      TcxSSColor color = 0;
      return storage_.Book().FormulasCache().DisplayText(*cell.Formula, color, true);
    }
    case ckNumber:
      return FloatToText(cell.Number, storage_.Book().Settings());
    default:
      return cell.Text;
  }
}

std::string TcxSSCellObject::RawValueText() const {
  const TcxSSCellRec& cell = storage_.CellRef(col_, row_);
  if (cell.Kind != ckFormula) return ValueText();
  TcxSSColor color = 0;
  return storage_.Book().FormulasCache().DisplayText(*cell.Formula, color, false);
}

std::string TcxSSCellObject::DisplayText() const {
  const TcxCustomSpreadSheetBook& book = storage_.Book();
  const std::string value = ValueText();
  const TxlsDataFormat format = Format();
  const TcxNumberFormat* code =
      style_ ? style_->NumberFormat() : storage_.CellRef(col_, row_).Style->NumberFormat;
  TcxSSColor color = 0;
  // A formula's value text has been through the format code already.
  if (code && IsFormula()) return value;
  return ::DisplayText(value, format, book.Precision(), color, book.Settings(),
                       *book.Environment().Text, code);
}

int TcxSSCellObject::HorzAlignIndex() const {
  const TcxSSCellRec& cell = storage_.CellRef(col_, row_);
  const TcxHorzTextAlign align = cell.Style->HorzTextAlign;
  if (align != haGENERAL) return static_cast<int>(align) - 1;
  if (cell.Style->Format == 31) return 0;
  const TcxCustomSpreadSheetBook& book = storage_.Book();
  const std::string value = RawValueText();
  if (IsNumberText(value, book.Settings())) return 2;
  if (IsBoolText(value, *book.Environment().Text)) return 1;
  return 0;
}

TcxSSCellStyle& TcxSSCellObject::Style() {
  if (!style_) style_ = storage_.GetCellStyleObject(col_, row_);
  return *style_;
}

IcxCellStyle& TcxSSCellObject::GetStyle() { return Style(); }

bool TcxSSCellObject::HasStyle() const {
  return style_ != nullptr ||
         storage_.CellRef(col_, row_).Style != storage_.Book().StyleCache().DefaultRecord();
}

void TcxSSCellObject::AutoHeight() { Sheet().AutoRowHeight(row_); }

void TcxSSCellObject::Assign(TcxSSCellObject& source) {
  Style().SetReadOnlyFlag(false);
  SetText(source.GetText());
  Style().Assign(source.Style());
}
