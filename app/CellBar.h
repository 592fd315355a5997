#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class TzofMirelGlavna;

// The cell bar under the tool bars: the reference panel (the selection's reference, or the
// defined name covering exactly it), the caption "Tekst ćelije = " and the text box showing the
// active cell's edit text (a formula as its formula).
//
// What is typed into the box goes into the active cell at once, as it is typed and without
// interpretation (the grid shows exactly what is typed), one undo step per change. When the box
// loses the focus, or on Enter, the cell's text is written again as typed text, so that a
// number, a date or a formula becomes one; then the workbook takes the focus back.
class TCellBar : public QWidget {
  Q_OBJECT

public:
  explicit TCellBar(TzofMirelGlavna& owner);

  QLabel* pnCellRect = nullptr;
  QLabel* pnCellText = nullptr;
  QLineEdit* edtCellEdit = nullptr;

  // Shows the selection's reference in the reference panel: 81 wide, and as wide as the
  // reference needs when it is longer (two references of a wide range), never a cut one.
  void SetReference(const QString& reference);
  // Every change the user makes to the box's text.
  void edtCellEditChange(const QString& text);
  // The box lost the focus: the text is interpreted.
  void edtCellEditExit();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TzofMirelGlavna& owner_;
  // Something was typed since the box took the focus.
  bool typed_ = false;
};
