#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

// The small modal dialog that asks how cells are inserted or deleted: shift the cells beside the
// selection sideways or vertically, or take entire rows or columns. One form serves both
// directions; only its texts differ. Made anew for every use, so the first option is always the
// one preselected.
//
// Enter accepts (the OK button is the default one). There is no way out but the two buttons:
// Escape does nothing and the caption bar has no close button.
class TFeatureModifyForm : public QDialog {
  Q_OBJECT

public:
  // The shift modes of the workbook's InsertCells and DeleteCells.
  enum TMode : int { kShiftHorizontally = 0, kShiftVertically = 1, kEntireColumns = 2, kEntireRows = 3 };

  explicit TFeatureModifyForm(QWidget* parent = nullptr);

  // Shows the form for insertion (true) or deletion (false). True when the user accepted; Mode
  // then holds the choice. On cancel Mode is left as it was.
  bool Execute(bool insert);
  int Mode() const { return mode_; }

  QWidget* gpPanel = nullptr;
  QLabel* cxLB = nullptr;
  QRadioButton* rbShiftCol = nullptr;
  QRadioButton* rbShiftRw = nullptr;
  QRadioButton* rbRw = nullptr;
  QRadioButton* rbCol = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

public slots:
  // Escape and a request of the desktop to close the dialog both end here: they do nothing.
  // Only the Cancel button rejects.
  void reject() override {}

private:
  int mode_ = kShiftHorizontally;
};
