#pragma once

#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "app/FeatureChildForm.h"
#include "app/zofMirelGlavna.h"
#include "calc/cxSSDataStorage.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "view/ViewTestSupport.h"
#include "view/cxSpreadSheetBookControl.h"

// Drives the main window as a user does: the menu bar, the tool buttons, the sheet pop-up menu
// and the keys, on the real workbook of the active document window, with cells named in A1
// form ("B2", "A1:B3").
class TWorkbookWindowDriver {
public:
  explicit TWorkbookWindowDriver(TzofMirelGlavna& window) : window_(window) {}

  // A main window with one new document window, shown maximised and active, as at start-up.
  static std::unique_ptr<TzofMirelGlavna> ShowMainWindow() {
    auto window = std::make_unique<TzofMirelGlavna>();
    window->NewWorkbookWindow();
    window->showMaximized();
    if (!QTest::qWaitForWindowExposed(window.get())) qWarning("main window not shown");
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("main window not active");
    return window;
  }

  TFeatureChildForm& Child() const { return *window_.ActiveChild(); }
  TcxSpreadSheetBook& Book() const { return Child().Book(); }
  TcxSSBookSheet& Sheet() const { return Book().ActiveSheet(); }
  TcxSpreadSheetBookControl& Control() const { return Child().BookControl(); }

  // "B2" → (1, 1); "A1:B3" → the rectangle.
  static TRect Cells(const QString& reference) { return CellsOf(reference); }

  void Select(const QString& reference) const { Sheet().SetSelection(Cells(reference)); }
  // Types a cell's text as a user enters it (numbers, formulas).
  void Enter(const QString& reference, const QString& text) const {
    const TRect cell = Cells(reference);
    TcxSSCellObject object(Sheet().DataStorage(), cell.Left, cell.Top);
    object.SetText(text.toStdString());
  }
  // The cell's edit text (a formula as its formula).
  QString Text(const QString& reference) const {
    const TRect cell = Cells(reference);
    TcxSSCellObject object(Sheet().DataStorage(), cell.Left, cell.Top);
    return QString::fromStdString(object.GetText());
  }
  QString Value(const QString& reference) const {
    const TRect cell = Cells(reference);
    TcxSSCellObject object(Sheet().DataStorage(), cell.Left, cell.Top);
    return QString::fromStdString(object.DisplayText());
  }
  // The stored style record of a cell (a copy).
  TcxSSStyleRec Style(const QString& reference) const {
    const TRect cell = Cells(reference);
    TcxSSCellObject object(Sheet().DataStorage(), cell.Left, cell.Top);
    return object.Style().Rec();
  }
  uint8_t FontStyle(const QString& reference) const { return Style(reference).Font->Style; }
  // The stored line of an edge of a cell.
  TcxSSEdgeLineStyle Edge(const QString& reference, TcxSSEdgeIndex edge) const {
    return Style(reference).Edges[edge].Style;
  }

  // Opens `menu` from the menu bar, then each sub-menu of `path`, and clicks `action`.
  void ChooseFromMenuBar(QMenu* menu, std::initializer_list<QMenu*> path, QAction* action) const {
    QMenuBar* bar = window_.menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    QTRY_VERIFY(menu->isVisible());
    QMenu* current = menu;
    for (QMenu* sub : path) {
      QTest::mouseClick(current, Qt::LeftButton, {}, current->actionGeometry(sub->menuAction()).center());
      QTRY_VERIFY(sub->isVisible());
      current = sub;
    }
    Click(current, action);
  }

  // Right-clicks the grid on the active cell and chooses `action` from the sheet pop-up menu
  // (through `subMenu` when given).
  void ChooseFromPopup(QAction* action, QMenu* subMenu = nullptr) const {
    const QPoint point = CellCentre(Sheet().Selection().Left, Sheet().Selection().Top);
    QTest::mouseClick(&Control(), Qt::RightButton, {}, point);
    QMenu* popup = window_.pmSheetPopup;
    QTRY_VERIFY(popup->isVisible());
    if (subMenu) {
      QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(subMenu->menuAction()).center());
      QTRY_VERIFY(subMenu->isVisible());
      popup = subMenu;
    }
    Click(popup, action);
  }

  void ClickToolButton(QToolBar* bar, QAction* action) const {
    QWidget* button = bar->widgetForAction(action);
    QVERIFY(button && button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
  }

  // A key pressed while the grid has the focus.
  void Press(int key, Qt::KeyboardModifiers modifiers = {}) const {
    Control().setFocus();
    QTest::keyClick(&Control(), static_cast<Qt::Key>(key), modifiers);
  }

  // The centre of a cell on the control, for a view scrolled to A1.
  QPoint CellCentre(int col, int row) const {
    const TcxSSBookSheet& sheet = Sheet();
    int x = Book().RowHeaderWidth();
    for (int c = 0; c < col; ++c) x += sheet.ColumnHeader().VisibleSize(c);
    int y = Book().ColHeaderHeight();
    for (int r = 0; r < row; ++r) y += sheet.RowHeader().VisibleSize(r);
    return {x + sheet.ColumnHeader().VisibleSize(col) / 2, y + sheet.RowHeader().VisibleSize(row) / 2};
  }

  // Runs `open`, which shows `menu` in an event loop of its own (as a tool button's drop-down
  // does), and `inside` once the menu is up.
  static void WhileMenuShown(QMenu* menu, const std::function<void()>& inside,
                             const std::function<void()>& open) {
    bool ran = false;
    QTimer::singleShot(0, menu, [&] {
      QTRY_VERIFY(menu->isVisible());
      ran = true;
      inside();
    });
    open();
    QTRY_VERIFY(ran);
    QTRY_VERIFY(!menu->isVisible());
  }

  // The drop-down arrow of a tool button with a menu.
  static void ClickArrow(QToolButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() - 3, button->height() / 2));
  }

  // Lets the application wait for input once, as it does when the user pauses: the idle work
  // (the enabling of the actions) runs.
  static void Idle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }

  static void Click(QMenu* menu, QAction* action) {
    QVERIFY2(menu->actions().contains(action), qPrintable(action->objectName()));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
  }

private:
  TzofMirelGlavna& window_;
};
