#pragma once

#include "platform/Types.h"

class TcxSSBookSheet;

// What the workbook asks of the window that shows it. The workbook works without one (tests,
// the command-line program); the Qt workbook control implements it. Every operation is a
// request the window may ignore when it has nothing to do.
class IcxBookControl {
public:
  virtual ~IcxBookControl() = default;

  // Repaints the whole control.
  virtual void Invalidate() {}
  // Places the tab strip and the active sheet in the client area.
  virtual void UpdateLayout() {}
  // Re-reads the sheet tabs (captions, count, the active tab).
  virtual void RefreshTabs() {}
  // Scrolls the tab strip so that the tab of this page is visible.
  virtual void MakeTabVisible(int /*page*/) {}
  // Scrolls the tab strip to its first tab.
  virtual void ScrollTabsToFirst() {}
  // The active page changed: show the new sheet, hide the old one.
  virtual void ActivePageChanged(int /*oldPage*/, int /*newPage*/) {}
  // Re-measures the active sheet's layout, updates the scroll bars and repaints.
  virtual void RefreshView() {}
  // A sheet leaves the workbook (deleted, or all pages cleared); the window forgets what it
  // kept for it. Called before the workbook drops its reference.
  virtual void SheetRemoved(TcxSSBookSheet& /*sheet*/) {}
  // A cell of a sheet changed; the window repaints it when the sheet is shown.
  virtual void CellChanged(TcxSSBookSheet& /*sheet*/, int /*col*/, int /*row*/) {}
  // The selection of a sheet changed.
  virtual void SelectionChanged(TcxSSBookSheet& /*sheet*/, const TRect& /*oldSelection*/,
                                const TRect& /*newSelection*/) {}
  // A column (kind 0) or row (kind 1) changed its size or visibility.
  virtual void HeaderChanged(TcxSSBookSheet& /*sheet*/, int /*kind*/, int /*index*/) {}
  // The in-place editor: whether it holds the focus, and hiding it.
  virtual bool EditorHasFocus() const { return false; }
  virtual void HideEditor() {}
  // Gives the keyboard focus back to the workbook control.
  virtual void FocusBook() {}
  // Shows the hourglass (busy) or restores the previous cursor.
  virtual void SetBusyCursor(bool /*busy*/) {}
  // Whether the control has a pop-up menu of its own (then the workbook's pop-up events do
  // not fire).
  virtual bool HasPopupMenu() const { return false; }
};
