#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

class TcxCustomSpreadSheetBook;
class TcxSSBookSheet;

// The workbook's event dispatcher. Every change inside a workbook that the outside world may
// observe or veto passes through here: the dispatcher holds the update-lock counter, suppresses
// most events while it is above zero, does the view refresh that belongs to each notification
// and then calls the workbook's published handler.
class TcxSSListener {
public:
  explicit TcxSSListener(TcxCustomSpreadSheetBook& book);
  virtual ~TcxSSListener() = default;
  TcxSSListener(const TcxSSListener&) = delete;
  TcxSSListener& operator=(const TcxSSListener&) = delete;

  TcxCustomSpreadSheetBook& Book() const { return book_; }

  int Lock() { return ++lockCount_; }
  int Unlock() { return lockCount_ > 0 ? --lockCount_ : 0; }
  bool IsLocked() const { return lockCount_ > 0; }
  int LockCount() const { return lockCount_; }

  // Each returns what the handler decided (the allow flags start true). Suppressed while locked
  // (the change is then allowed) unless said otherwise.
  virtual bool ActiveCellChanging(TcxSSBookSheet& sheet, TPoint activeCell);
  virtual bool ActiveSheetChanging(int activeSheet);
  virtual void CellChanged(TcxSSBookSheet& sheet, int col, int row);
  virtual void ViewChanged();
  virtual void SelectionChanged(TcxSSBookSheet& sheet, const TRect& oldSelection,
                                const TRect& newSelection);
  // Another sheet became the active one: the selection shown is now that sheet's, so
  // OnSetSelection fires for it as for a selection change.
  virtual void ActiveSheetChanged(TcxSSBookSheet& sheet);
  // Sets the workbook's modified flag always; the event only when not locked.
  virtual void SheetCaptionChanging(TcxSSBookSheet& sheet, std::string& caption);
  // Not suppressed. kind 0 columns, 1 rows.
  virtual void HeaderResizing(TcxSSBookSheet& sheet, int kind, int index, uint16_t& size);
  // The event always fires; only the view refresh is suppressed while locked. A row that
  // becomes hidden first moves the selection to the first visible row below it.
  virtual void HeaderVisibilityChanged(TcxSSBookSheet& sheet, int kind, int index,
                                       bool prevValue, bool newValue);
  // Not suppressed. Returns CanClear; the handler may change useDefaultStyle.
  virtual bool ClearingCells(TcxSSBookSheet& sheet, const TRect& cells, bool& useDefaultStyle);
  virtual bool EditingRequest(TcxSSBookSheet& sheet, int col, int row);
  virtual void HistoryChanged();
  // Returns CanMerge, which starts equal to isMerge.
  virtual bool MergingCells(TcxSSBookSheet& sheet, const TRect& cells, bool isMerge);
  virtual void Progress(int percent);  // not suppressed
  virtual void SheetPopup(TPoint point);    // not suppressed
  virtual void CaptionPopup(TPoint point);  // not suppressed
  virtual void TopLeftChanging(TcxSSBookSheet& sheet, TPoint& topLeft);  // not suppressed
  // Recalculates when AutoRecalc is on and refreshes the shown view.
  virtual void CellsRectChanged(TcxSSBookSheet& sheet, const TRect& cells);

private:
  TcxCustomSpreadSheetBook& book_;
  int lockCount_ = 0;
};
