#pragma once

#include <QMdiSubWindow>
#include <memory>

#include "sheet/cxSpreadSheetBook.h"

class TzofMirelGlavna;
class TcxSpreadSheetBookControl;

// A document window: one workbook (TcxSpreadSheetBook, owned and destroyed with the window) in
// a sub-window of the main window's document area, shown by the workbook control that fills the
// window. The window's caption doubles as the workbook's file name: a new workbook is captioned
// "Radna knjiga - " and a number, a loaded or saved one with its full path.
//
// Closing asks whether to save (always, changed or not) and goes on whatever the answer, also
// when the save dialog is cancelled; only a save that fails keeps the window. The last
// document window of the main window is minimised instead of closed, so one always stays open.
class TFeatureChildForm : public QMdiSubWindow {
  Q_OBJECT

public:
  explicit TFeatureChildForm(TzofMirelGlavna& owner);
  ~TFeatureChildForm() override;

  TzofMirelGlavna& Owner() const { return owner_; }
  TcxSpreadSheetBook& Book() const { return *cxSpreadBook_; }
  // The widget that shows the workbook.
  TcxSpreadSheetBookControl& BookControl() const { return *bookControl_; }
  // True while a cell is being edited in the grid.
  bool Editing() const { return editing_; }
  void SetEditing(bool value) { editing_ = value; }

  // Asks "Sačuvaj izmene na [*** caption ***]"; Yes saves this window with the save-as dialog.
  // False only when that save failed (the error has been shown): the workbook is then kept
  // open rather than thrown away unsaved.
  bool FormCloseQuery();
  // Lets the workbook's selection handler refresh the main window for this workbook.
  void NotifySelection();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  TzofMirelGlavna& owner_;
  std::unique_ptr<TcxSpreadSheetBook> cxSpreadBook_;
  TcxSpreadSheetBookControl* bookControl_ = nullptr;  // a child widget, deleted before the workbook
  bool editing_ = false;
};
