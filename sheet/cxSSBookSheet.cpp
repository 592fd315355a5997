#include "sheet/cxSSBookSheet.h"

#include <algorithm>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "platform/Unicode.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSSTextWrap.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleCache.h"
#include "calc/cxExcelLimits.h"

void RequireCaptionFits(std::string_view caption) {
  if (unicode::Utf16Length(caption) > kXlsMaxSheetCaption)
    throw ESpreadSheetError(WithNumber(kSheetCaptionTooLong, kXlsMaxSheetCaption));
}

TcxSSBookSheet::TcxSSBookSheet(TcxCustomSpreadSheetBook& owner)
    : owner_(owner),
      storage_(owner.CreateDataStorage(*this)),
      showGrid_(owner.ShowGrid()),
      showFormulas_(owner.ShowFormulas()) {}

TcxSSBookSheet::~TcxSSBookSheet() = default;

int TcxSSBookSheet::Index() const { return owner_.IndexOfSheet(*this); }

const std::string& TcxSSBookSheet::Caption() const { return storage_->Caption(); }

void TcxSSBookSheet::SetCaption(const std::string& caption) {
  std::string text = caption;
  owner_.Listener().SheetCaptionChanging(*this, text);
  if (text == Caption()) return;
  // A sheet needs a name: an empty one could not be referred to nor saved.
  bool invalid = text.empty();
  const auto& services = *owner_.Environment().Text;
  for (int i = 0; i < owner_.PageCount() && !invalid; ++i) {
    const TcxSSBookSheet& other = owner_.Pages(i);
    if (&other != this && services.CompareText(other.Caption(), text) == 0) invalid = true;
  }
  if (invalid) throw ESpreadSheetError(std::string(kSheetCaptionInvalid));
  RequireCaptionFits(text);
  storage_->SetCaption(text);
  if (owner_.Control()) owner_.Control()->RefreshTabs();
  owner_.UpdateControl();
}

const TRect& TcxSSBookSheet::Selection() const { return storage_->Selection(); }

void TcxSSBookSheet::SetSelection(const TRect& selection) { storage_->SetSelection(selection); }

TcxSSHeader& TcxSSBookSheet::ColumnHeader() const { return storage_->Headers(0); }

TcxSSHeader& TcxSSBookSheet::RowHeader() const { return storage_->Headers(1); }

void TcxSSBookSheet::Protect(std::string_view password) {
  protected_ = true;
  protection_.PasswordHash = ProtectionPasswordHash(password);
  protection_.Objects = true;
  protection_.Scenarios = true;
}

bool TcxSSBookSheet::Unprotect(std::string_view password) {
  if (protected_ && protection_.PasswordHash != 0 &&
      ProtectionPasswordHash(password) != protection_.PasswordHash)
    return false;
  protected_ = false;
  protection_ = {};
  return true;
}

void TcxSSBookSheet::SetView(const TcxSSSheetView& view) {
  view_ = view;
  if (visible_) owner_.RefreshView();
}

void TcxSSBookSheet::SetShowGrid(bool value) {
  if (value == showGrid_) return;
  showGrid_ = value;
  if (visible_) owner_.RefreshView();
}

void TcxSSBookSheet::SetShowHeaders(bool value) {
  if (value == showHeaders_) return;
  showHeaders_ = value;
  if (visible_) owner_.RefreshView();
}

void TcxSSBookSheet::SetShowFormulas(bool value) {
  if (value == showFormulas_) return;
  showFormulas_ = value;
  owner_.UpdateControl();
}

void TcxSSBookSheet::CellsChanged(const TRect& cells) {
  for (int col = cells.Left; col <= cells.Right; ++col)
    for (int row = cells.Top; row <= cells.Bottom; ++row) {
      if (visible_ && owner_.Control()) owner_.Control()->CellChanged(*this, col, row);
      if (owner_.OnCellChange) owner_.OnCellChange(*this, col, row);
    }
}

namespace {

// The height a text cell needs: one line of its font, or the lines its wrapped display text
// takes in the cell's width.
int RequiredHeight(const TcxSSBookSheet& sheet, int col, int row) {
  const TcxSSDataStorage& storage = sheet.DataStorage();
  const TcxSSCellRec* cell = storage.FindCell(col, row);
  if (!cell || cell->Kind != ckText) return 0;
  TRect area;
  if (storage.GetMergedRect({col, row}, area)) return 0;
  const int width = sheet.ColumnHeader().VisibleSize(col) - 4;
  if (width <= 0 || cell->Text.empty()) return 0;
  const TcxSSStyleRec& style = *cell->Style;
  const TcxCustomSpreadSheetBook& book = sheet.Owner();
  if (!style.WordBreak && !book.FormulasCache().Silent()) return 0;

  // The font record holds the extent of "Wg" in its screen font, measured when it was made.
  const TcxSSFontRec& fontRec = *style.Font;
  const int lineHeight = fontRec.TextExtent.cy + 2;
  if (!style.WordBreak) return lineHeight;
  const TcxFontDesc font = ScreenFontDesc(fontRec);
  const ITextMeasurer& measurer = *book.Environment().Measurer;
  const std::string text = DisplayText(cell->Text, style.Format, book.Precision(), book.Settings(),
                                       *book.Environment().Text, style.NumberFormat);
  // Wrapped lines keep 2 pixels of the box free, as the sheet view draws them.
  const auto lines = WrapText(measurer, font, text, width - 2);
  if (lines.size() <= 1) return std::max<int>(lineHeight, sheet.RowHeader().DefaultSize());
  return static_cast<int>(lines.size()) * lineHeight;
}

}  // namespace

void TcxSSBookSheet::AutoRowHeight(int row) {
  if (owner_.Loading() || !owner_.RowsAutoHeight()) return;
  int required = 0;
  const int lastCol = storage_->ColCount();
  for (int col = 0; col < lastCol; ++col) required = std::max(required, RequiredHeight(*this, col, row));
  if (required != 0) RowHeader().AutoSize(row, RowHeader().VisibleSize(row), required);
}

void TcxSSBookSheet::Assign(const TcxSSBookSheet& source) {
  owner_.BeginUpdate();
  TScopeGuard unlock([this] { owner_.EndUpdate(); });
  readOnly_ = source.readOnly_;
  showGrid_ = source.showGrid_;
  showHeaders_ = source.showHeaders_;
  showFormulas_ = source.showFormulas_;
  view_ = source.view_;
  fileDefaultSizes_ = source.fileDefaultSizes_;
  storage_->Assign(source.DataStorage());
  ColumnHeader().Assign(source.ColumnHeader());
  RowHeader().Assign(source.RowHeader());
}
