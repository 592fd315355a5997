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
// Closing asks whether to save (always, changed or not). No closes it without saving; Yes
// saves it first, and when the save dialog is cancelled or the save fails the window stays
// open with its workbook, so nothing the user chose to keep is thrown away. The last
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
  // False when the window must stay: the save dialog was cancelled or the save failed (its
  // error has been shown).
  bool FormCloseQuery();
  // Closes and destroys the window without the close question, also when it is the last one:
  // for a window whose workbook holds nothing of the user's (a file that failed to load into
  // it), which must not offer to save an empty workbook over that file.
  void Discard();
  // Lets the workbook's selection handler refresh the main window for this workbook.
  void NotifySelection();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  TzofMirelGlavna& owner_;
  std::unique_ptr<TcxSpreadSheetBook> cxSpreadBook_;
  TcxSpreadSheetBookControl* bookControl_ = nullptr;  // a child widget, deleted before the workbook
  bool editing_ = false;
  bool discarding_ = false;
};
