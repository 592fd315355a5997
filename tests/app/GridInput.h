#pragma once

#include <QApplication>
#include <QTest>
#include <string>

#include "app/FeatureChildForm.h"
#include "calc/cxSSDataStorage.h"
#include "sheet/cxSSBookSheet.h"
#include "view/cxSpreadSheetBookControl.h"

// Makes the top-level window the active one for keys and shortcuts (a dialog that was just
// closed may still count as the active window).
inline void Activate(QWidget* window) {
  QApplication::setActiveWindow(window);
  QVERIFY(QTest::qWaitForWindowActive(window));
}

// Types `text` into the active cell of the window's grid, as a user does, and presses Enter:
// the first key opens the in-place editor, the others go to it.
inline void TypeInGrid(TFeatureChildForm& window, const QString& text) {
  Activate(window.window());
  QWidget* grid = &window.BookControl();
  grid->setFocus();
  // The grid, or the editor it opened over the cell.
  const auto target = [grid] {
    QWidget* focus = QApplication::focusWidget();
    return focus && grid->isAncestorOf(focus) ? focus : grid;
  };
  for (const QChar ch : text) QTest::keyClick(target(), ch.toLatin1());
  QTest::keyClick(target(), Qt::Key_Return);
}

// The edit text of a cell of the window's active sheet.
inline std::string CellText(TFeatureChildForm& window, int col, int row) {
  return window.Book().ActiveSheet().DataStorage().GetEditText(col, row);
}
