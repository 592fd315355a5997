#include "sheet/cxSpreadSheetBook.h"

#include <algorithm>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSUtils.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"
#include "calc/cxExcelLimits.h"

TcxCustomSpreadSheetBook::TcxCustomSpreadSheetBook(
    std::shared_ptr<const TcxEnvironment> environment)
    : environment_(environment ? std::move(environment) : TcxEnvironment::Default()),
      settings_(environment_->Settings),
      palette_(kDefaultPalette) {
  listener_ = TcxCustomSpreadSheetBook::CreateListener();
  history_ = TcxCustomSpreadSheetBook::CreateHistory();
  history_->Lock();
  styleCache_ = TcxCustomSpreadSheetBook::CreateStyleCache();
  formulasCache_ = TcxCustomSpreadSheetBook::CreateFormulasCache();
  history_->Unlock();
}

TcxCustomSpreadSheetBook::~TcxCustomSpreadSheetBook() {
  control_ = nullptr;
  listener_->Lock();
  history_->Lock();
  // Cells go before the caches they point into.
  for (auto& page : pages_) page->DataStorage().ClearAll();
  pages_.clear();
}

// --- Families ----------------------------------------------------------------------------------

std::shared_ptr<TcxSSBookSheet> TcxCustomSpreadSheetBook::CreateSheet() {
  return std::make_shared<TcxSSBookSheet>(*this);
}

std::unique_ptr<TcxSSDataStorage> TcxCustomSpreadSheetBook::CreateDataStorage(
    TcxSSBookSheet& sheet) {
  return std::make_unique<TcxSSDataStorage>(sheet);
}

std::unique_ptr<TcxSSHeader> TcxCustomSpreadSheetBook::CreateHeader(TcxSSDataStorage& storage,
                                                                    int defaultSize, int kind) {
  return std::make_unique<TcxSSHeader>(storage, defaultSize, kind);
}

std::unique_ptr<TcxSSListener> TcxCustomSpreadSheetBook::CreateListener() {
  return std::make_unique<TcxSSListener>(*this);
}

std::unique_ptr<TcxSpreadSheetHistory> TcxCustomSpreadSheetBook::CreateHistory() {
  return std::make_unique<TcxSpreadSheetHistory>(*this);
}

std::unique_ptr<TcxSSStyleCache> TcxCustomSpreadSheetBook::CreateStyleCache() {
  return std::make_unique<TcxSSStyleCache>(*this);
}

std::unique_ptr<TcxSSFormulasCache> TcxCustomSpreadSheetBook::CreateFormulasCache() {
  return std::make_unique<TcxSSFormulasCache>(*this);
}

// --- Pages -------------------------------------------------------------------------------------

void TcxCustomSpreadSheetBook::AddPage(std::shared_ptr<TcxSSBookSheet> sheet) {
  pages_.push_back(std::move(sheet));
  const int index = PageCount() - 1;
  const bool first = index == 0;
  if (first) activePage_ = 0;
  pages_.back()->SetVisible(first);
  if (static_cast<int>(pageVisibility_.size()) < PageCount()) pageVisibility_.resize(PageCount());
  pageVisibility_[index] = svVisible;
  RefreshTabs();
  if (first || index == activePage_) UpdateLayout();
}

TcxSSBookSheet& TcxCustomSpreadSheetBook::AddSheet(const std::string& caption) {
  // A file read is taken as it is; its limits are met when it is saved.
  if (!Loading()) {
    if (PageCount() >= kXlsMaxSheets)
      throw ESpreadSheetError(WithNumber(kTooManySheets, kXlsMaxSheets));
    RequireCaptionFits(caption);
  }
  BeginUpdate();
  TScopeGuard unlock([this] { EndUpdate(); });
  auto sheet = CreateSheet();
  sheet->DataStorage().SetCaption(
      caption.empty() ? std::string(kSheetCaptionPrefix) + std::to_string(PageCount() + 1)
                      : caption);
  TcxSSBookSheet& result = *sheet;
  AddPage(std::move(sheet));
  return result;
}

void TcxCustomSpreadSheetBook::SetPageCount(int count) {
  // A workbook keeps at least one sheet: a count below one means one.
  count = std::max(count, 1);
  if (count == PageCount()) return;
  BeginUpdate();
  TScopeGuard unlock([this] { EndUpdate(); });
  if (count < PageCount()) {
    while (PageCount() > count) RemovePage(PageCount() - 1);
    const int old = activePage_;
    activePage_ = 0;
    for (int i = 0; i < PageCount(); ++i) pages_[i]->SetVisible(i == 0);
    if (control_) control_->ActivePageChanged(old < PageCount() ? old : -1, 0);
  } else {
    while (PageCount() < count) AddSheet();
  }
  RefreshTabs();
}

TcxSSBookSheet& TcxCustomSpreadSheetBook::Pages(int index) const {
  if (index < 0 || index >= PageCount()) throw ESpreadSheetError(std::string(kInvalidPageNumber));
  return *pages_[index];
}

bool TcxCustomSpreadSheetBook::PageVisible(int index) const {
  return PageVisibility(index) == svVisible;
}

void TcxCustomSpreadSheetBook::SetPageVisible(int index, bool visible) {
  SetPageVisibility(index, visible ? svVisible : svHidden);
}

TcxSheetVisibility TcxCustomSpreadSheetBook::PageVisibility(int index) const {
  return index >= 0 && index < static_cast<int>(pageVisibility_.size()) ? pageVisibility_[index]
                                                                          : svHidden;
}

void TcxCustomSpreadSheetBook::SetPageVisibility(int index, TcxSheetVisibility visibility) {
  if (index < 0 || index >= PageCount()) throw ESpreadSheetError(std::string(kInvalidPageNumber));
  if (static_cast<int>(pageVisibility_.size()) <= index) pageVisibility_.resize(index + 1, svVisible);
  pageVisibility_[index] = visibility;
  RefreshTabs();
}

int TcxCustomSpreadSheetBook::IndexOfSheet(const TcxSSBookSheet& sheet) const {
  for (int i = 0; i < PageCount(); ++i)
    if (pages_[i].get() == &sheet) return i;
  return -1;
}

void TcxCustomSpreadSheetBook::SetActivePage(int index) {
  const int count = PageCount();
  if (index == activePage_ || index < 0 || index >= count) return;
  // A hidden page is never shown: take the next visible page after it, else the nearest before.
  int target = index;
  while (target < count - 1 && !PageVisible(target)) ++target;
  if (!PageVisible(target)) {
    target = index;
    while (target > 0 && !PageVisible(target)) --target;
  }
  if (target == activePage_) return;
  if (!listener_->ActiveSheetChanging(target)) return;
  if (control_ && control_->EditorHasFocus()) control_->FocusBook();

  const int old = activePage_;
  if (old >= 0 && old < count) pages_[old]->SetVisible(false);
  TcxSSBookSheet& sheet = *pages_[target];
  sheet.SetVisible(true);
  activePage_ = target;
  RefreshTabs();

  auto& storage = sheet.DataStorage();
  storage.SetSelection(storage.ExpandToMerged(storage.Selection()));
  if (control_) {
    control_->ActivePageChanged(old, target);
    control_->MakeTabVisible(target);
  }
  if (!IsLocked()) RefreshView();
  listener_->ActiveSheetChanged(sheet);
}

std::shared_ptr<TcxSSBookSheet> TcxCustomSpreadSheetBook::RemovePage(int index) {
  auto sheet = pages_[index];
  if (control_) control_->SheetRemoved(*sheet);
  pages_.erase(pages_.begin() + index);
  // Undo steps point at their sheet and keep the indexes of the sheets after it: none can be
  // undone once a sheet has gone.
  History().Clear();
  // Its cells leave the workbook now, also when someone else still holds the sheet: its
  // formulas must not stay registered under a sheet index that is about to change.
  sheet->DataStorage().ClearAll();
  sheet->SetVisible(false);
  return sheet;
}

void TcxCustomSpreadSheetBook::SwapPages(int a, int b) {
  std::swap(pages_[a], pages_[b]);
  if (static_cast<int>(pageVisibility_.size()) < PageCount())
    pageVisibility_.resize(PageCount(), svVisible);
  std::swap(pageVisibility_[a], pageVisibility_[b]);
}

void TcxCustomSpreadSheetBook::DeletePageVisibleFlag(int index) {
  if (index < static_cast<int>(pageVisibility_.size()))
    pageVisibility_.erase(pageVisibility_.begin() + index);
}

// --- Update lock and calculation ----------------------------------------------------------------

int TcxCustomSpreadSheetBook::BeginUpdate() {
  formulasCache_->Lock(true);
  return listener_->Lock();
}

int TcxCustomSpreadSheetBook::EndUpdate() {
  // An EndUpdate without its BeginUpdate changes nothing (it must not unbalance AutoRecalc).
  if (listener_->LockCount() == 0) return 0;
  formulasCache_->Lock(false);
  const int count = listener_->Unlock();
  RefreshTabs();
  if (count == 0) UpdateControl();
  return count;
}

bool TcxCustomSpreadSheetBook::IsLocked() const { return listener_->IsLocked(); }

int TcxCustomSpreadSheetBook::LockCount() const { return listener_->LockCount(); }

bool TcxCustomSpreadSheetBook::AutoRecalc() const {
  return formulasCache_->LockCount() < 1 || formulasCache_->ForceCalc();
}

void TcxCustomSpreadSheetBook::SetAutoRecalc(bool value) {
  if (value == AutoRecalc()) return;
  if (!value) {
    formulasCache_->Lock(true);
  } else {
    formulasCache_->Lock(false);
    Recalc();
  }
}

void TcxCustomSpreadSheetBook::Recalc() {
  if (IsLocked()) return;
  {
    formulasCache_->SetForceCalc(true);
    TScopeGuard clear([this] { formulasCache_->SetForceCalc(false); });
    if (PageCount() > 0) formulasCache_->Recalc();
  }
  if (formulasCache_->Count() > 0) {
    TScopeGuard refresh([this] { RefreshView(); });
    listener_->Lock();
    TScopeGuard unlock([this] { listener_->Unlock(); });
    if (OnAfterCalculation) OnAfterCalculation(*this);
  }
}

void TcxCustomSpreadSheetBook::UpdateControl() {
  if (IsLocked()) return;
  if (AutoRecalc()) Recalc();
  RefreshView();
}

void TcxCustomSpreadSheetBook::RefreshView() {
  if (control_ && !IsLocked()) control_->RefreshView();
}

void TcxCustomSpreadSheetBook::UpdateLayout() {
  if (control_) control_->UpdateLayout();
  UpdateControl();
  RefreshTabs();
}

void TcxCustomSpreadSheetBook::HeaderFontChanged() { RefreshView(); }

void TcxCustomSpreadSheetBook::RefreshTabs() {
  if (control_) control_->RefreshTabs();
}

void TcxCustomSpreadSheetBook::Invalidate() {
  if (control_ && !IsLocked()) control_->Invalidate();
}

void TcxCustomSpreadSheetBook::ClearAll() {
  if (control_)
    for (auto& page : pages_) control_->SheetRemoved(*page);
  // Cells go before the caches they point into; a sheet still held elsewhere keeps no cells.
  for (auto& page : pages_) page->DataStorage().ClearAll();
  pages_.clear();
  formulasCache_->Clear();
  styleCache_->Clear();
  pageVisibility_.clear();
  activePage_ = 0;
  history_->Clear();
  Invalidate();
}

void TcxCustomSpreadSheetBook::Assign(const TcxCustomSpreadSheetBook& source) {
  if (&source == this) return;
  {
    listener_->Lock();
    TScopeGuard unlock([this] { listener_->Unlock(); });
    ClearAll();
    const TcxSSStyleRec& defaultRecord = *source.StyleCache().DefaultRecord();
    styleCache_->SetDefaultStyleRecord(defaultRecord, *defaultRecord.Font);
    palette_ = source.palette_;
    settings_.Date1904 = source.settings_.Date1904;
    for (int i = 0; i < source.PageCount(); ++i) AddSheet().Assign(source.Pages(i));
    pageVisibility_ = source.pageVisibility_;
    pageVisibility_.resize(PageCount(), svVisible);
  }
  activePage_ = -1;
  SetActivePage(std::clamp(source.ActivePage(), 0, std::max(PageCount() - 1, 0)));
  RefreshTabs();
  SetReadOnly(source.ReadOnly());
  Invalidate();
}

std::string TcxCustomSpreadSheetBook::CellReferenceText(int page, const TRect& cells,
                                                        int separatorIndex) const {
  if (separatorIndex == 1) {
    for (const auto& name : formulasCache_->Names())
      if (name.Sheet == page && name.Area == cells && !name.Deleted) return name.Name;
  }
  const bool r1c1 = R1C1ReferenceStyle();
  const auto cellText = [r1c1](int col, int row) {
    if (r1c1) return "R" + std::to_string(row + 1) + "C" + std::to_string(col + 1);
    return TcxSSUtils::ColumnName(col, false) + std::to_string(row + 1);
  };
  std::string text = cellText(cells.Left, cells.Top);
  if (cells.Left != cells.Right || cells.Top != cells.Bottom) {
    text += separatorIndex == 1 ? " x " : ":";
    text += cellText(cells.Right, cells.Bottom);
  }
  return text;
}

// --- State -------------------------------------------------------------------------------------

void TcxCustomSpreadSheetBook::SetPalette(const TPalette& palette) {
  palette_ = palette;
  Invalidate();
}

void TcxCustomSpreadSheetBook::ResetPalette() { palette_ = kDefaultPalette; }

// --- Published properties ----------------------------------------------------------------------

void TcxCustomSpreadSheetBook::SetBackgroundColor(TColor value) {
  backgroundColor_ = value;
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetBufferedPaint(bool value) {
  bufferedPaint_ = value;
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetColHeaderHeight(int value) {
  if (value <= 0 || value == colHeaderHeight_) return;
  colHeaderHeight_ = value;
  RefreshView();
}

void TcxCustomSpreadSheetBook::SetDefaultColWidth(uint16_t value) {
  defaultColWidth_ = value;
  for (auto& page : pages_) page->ColumnHeader().SetDefaultSize(value);
  RefreshView();
}

void TcxCustomSpreadSheetBook::SetDefaultRowHeight(uint16_t value) {
  defaultRowHeight_ = value;
  for (auto& page : pages_) page->RowHeader().SetDefaultSize(value);
  RefreshView();
}

TcxSSDefaultStyle& TcxCustomSpreadSheetBook::DefaultStyle() const {
  return styleCache_->DefaultStyle();
}

void TcxCustomSpreadSheetBook::SetGridColor(TColor value) {
  gridColor_ = value;
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetHeaderColor(TColor value) {
  headerColor_ = value;
  RefreshView();
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetHeaderFont(const TcxFontDesc& font) {
  headerFont_ = font;
  if (control_) control_->UpdateLayout();
  HeaderFontChanged();
}

void TcxCustomSpreadSheetBook::SetHideSelection(bool value) {
  hideSelection_ = value;
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetPainterType(TcxSSPainterType value) {
  painterType_ = value;
  RefreshView();
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetPrecision(uint8_t value) {
  precision_ = value;
  UpdateControl();
}

bool TcxCustomSpreadSheetBook::R1C1ReferenceStyle() const { return formulasCache_->R1C1(); }

void TcxCustomSpreadSheetBook::SetR1C1ReferenceStyle(bool value) {
  if (value == formulasCache_->R1C1()) return;
  formulasCache_->SetR1C1(value);
  UpdateControl();
}

void TcxCustomSpreadSheetBook::Protect(std::string_view password) {
  protected_ = true;
  protection_.PasswordHash = ProtectionPasswordHash(password);
}

bool TcxCustomSpreadSheetBook::Unprotect(std::string_view password) {
  if (protected_ && protection_.PasswordHash != 0 &&
      ProtectionPasswordHash(password) != protection_.PasswordHash)
    return false;
  protected_ = false;
  protection_ = {};
  return true;
}

void TcxCustomSpreadSheetBook::SetDate1904(bool value) {
  if (value == settings_.Date1904) return;
  settings_.Date1904 = value;
  UpdateControl();
}

void TcxCustomSpreadSheetBook::SetReadOnly(bool value) {
  readOnly_ = value;
  DefaultStyle().SetReadOnlyFlag(value);
}

void TcxCustomSpreadSheetBook::SetRowHeaderWidth(int value) {
  if (value <= 0 || value == rowHeaderWidth_) return;
  rowHeaderWidth_ = value;
  RefreshView();
}

void TcxCustomSpreadSheetBook::SetScrollBars(TcxScrollBars value) {
  scrollBars_ = value;
  if (control_) control_->UpdateLayout();
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetSelectionColor(TColor value) {
  selectionColor_ = value;
  Invalidate();
}

void TcxCustomSpreadSheetBook::SetShowCaptionBar(bool value) {
  showCaptionBar_ = value;
  UpdateLayout();
}

void TcxCustomSpreadSheetBook::SetShowFormulas(bool value) {
  showFormulas_ = value;
  for (auto& page : pages_) page->SetShowFormulas(value);
}

void TcxCustomSpreadSheetBook::SetShowGrid(bool value) {
  showGrid_ = value;
  for (auto& page : pages_) page->SetShowGrid(value);
}

bool TcxCustomSpreadSheetBook::ShowHeaders() const {
  return PageCount() > 0 && activePage_ >= 0 && activePage_ < PageCount()
             ? pages_[activePage_]->ShowHeaders()
             : showHeadersDefault_;
}

void TcxCustomSpreadSheetBook::SetShowHeaders(bool value) {
  showHeadersDefault_ = value;
  for (auto& page : pages_) page->SetShowHeaders(value);
  RefreshView();
}

// --- TcxSpreadSheetBook ------------------------------------------------------------------------

TcxSpreadSheetBook::TcxSpreadSheetBook(std::shared_ptr<const TcxEnvironment> environment)
    : TcxCustomSpreadSheetBook(std::move(environment)) {
  History().Lock();
  AddSheet();
  History().Unlock();
}

void TcxSpreadSheetBook::ExchangeSheets(int sheet1, int sheet2) {
  if (sheet1 < 0 || sheet2 < 0 || sheet1 >= PageCount() || sheet2 >= PageCount()) return;
  bool canExchange = true;
  if (OnExchangeSheets) OnExchangeSheets(sheet1, sheet2, canExchange);
  if (!canExchange) return;
  // The hidden flags travel with their sheets, so the same sheets stay hidden.
  SwapPages(sheet1, sheet2);
  if (ActivePage() == sheet1)
    SetActivePageIndex(sheet2);
  else if (ActivePage() == sheet2)
    SetActivePageIndex(sheet1);
  FormulasCache().ExchangeSheets(sheet1, sheet2);
  // Undo steps keep sheet indexes (the formulas and names a deletion rewrote), which now name
  // other sheets.
  History().Clear();
  RefreshTabs();
  Recalc();
}

void TcxSpreadSheetBook::DeleteSheet(int index) {
  if (index < 0 || index >= PageCount() || PageCount() == 1) return;
  bool canDelete = true;
  if (OnDeleteSheet) OnDeleteSheet(index, canDelete);
  if (!canDelete) return;

  int next = -1;
  for (int i = index - 1; i >= 0 && next < 0; --i)
    if (PageVisible(i)) next = i;
  for (int i = index + 1; i < PageCount() && next < 0; ++i)
    if (PageVisible(i)) next = i;
  if (next < 0) throw ESpreadSheetError(std::string(kCannotDeleteLastSheet));

  SetActivePage(next);
  if (ActivePage() == index) {
    // The page-change handler refused; the page goes anyway, so its neighbour is shown.
    Pages(index).SetVisible(false);
    Pages(next).SetVisible(true);
    SetActivePageIndex(next);
  }
  if (index < ActivePage()) SetActivePageIndex(ActivePage() - 1);

  RemovePage(index);
  DeletePageVisibleFlag(index);
  FormulasCache().DeleteSheet(index);
  RefreshTabs();
  UpdateControl();
}

// --- TcxSpreadSheet ----------------------------------------------------------------------------

TcxSpreadSheet::TcxSpreadSheet(std::shared_ptr<const TcxEnvironment> environment)
    : TcxCustomSpreadSheetBook(std::move(environment)) {
  History().Lock();
  SetShowCaptionBar(false);
  AddSheet();
  History().Unlock();
}
