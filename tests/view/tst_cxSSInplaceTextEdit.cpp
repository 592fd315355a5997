// The in-place text editor on its own: filling it (line feeds as line breaks), reading it back,
// growing with its text but never below its minimum size, Alt+Enter, carets from points, the
// hide notification, Escape restoring the starting text, and the tab editor's Tab and Enter.
#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "ViewTestSupport.h"
#include "view/cxSSInplaceTextEdit.h"

namespace {

struct TEditorFixture : TViewFixture {
  TcxSSInplaceTextEdit* Edit = nullptr;
  int Hidden = 0;
  explicit TEditorFixture(bool gridMode = true) {
    Control->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Control.get()));
    Edit = Control->CreateInplaceEdit(gridMode);
    Edit->setFont(Control->HeaderFont().Font);
    Edit->OnHide = [this](TcxSSInplaceTextEdit&) { ++Hidden; };
  }
  int Width(const QString& text) const { return QFontMetrics(Edit->font()).horizontalAdvance(text); }
  int HalfW() const { return Width("W") / 2; }
};

}  // namespace

class TestInplaceTextEdit : public QObject {
  Q_OBJECT

private slots:
  void showAndReadBack() {
    TEditorFixture f;
    QVERIFY(!f.Edit->isVisible());
    QCOMPARE(f.Edit->MinWidth(), -1);
    QVERIFY(f.Edit->AutoGrow());
    f.Edit->ShowEditor("first\nsecond", "start");
    QVERIFY(f.Edit->isVisible());
    QCOMPARE(f.Edit->document()->blockCount(), 2);
    QCOMPARE(f.Edit->GetEditText(), std::string("first\nsecond"));
    QCOMPARE(f.Edit->StartText(), QString("start"));
    // Carriage returns never reach the cell.
    f.Edit->ShowEditor("a\r\nb", "a\r\nb");
    QCOMPARE(f.Edit->GetEditText(), std::string("a\nb"));
  }

  // The width is the widest line plus half a "W" (plus 2), one line height per line; the
  // minimum size wins while the text is smaller.
  void sizeFollowsTheText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minWidth");
    QTest::addColumn<int>("minHeight");
    QTest::newRow("empty") << "" << -1 << -1;
    QTest::newRow("one line") << "Hello" << -1 << -1;
    QTest::newRow("widest line counts") << "ab\nlonger line\nx" << -1 << -1;
    QTest::newRow("minimum wins") << "ab" << 200 << 40;
    QTest::newRow("text beyond the minimum") << QString(60, 'M') << 80 << 10;
  }
  void sizeFollowsTheText() {
    QFETCH(QString, text);
    QFETCH(int, minWidth);
    QFETCH(int, minHeight);
    TEditorFixture f;
    f.Edit->SetMinWidth(minWidth);
    f.Edit->SetMinHeight(minHeight);
    f.Edit->ShowEditor(text.toStdString(), {});
    int widest = 0;
    for (const QString& line : text.split('\n'))
      if (!line.isEmpty()) widest = std::max(widest, f.Width(line));
    const int width = widest > 0 ? widest + f.HalfW() : f.HalfW();
    const int lines = int(text.split('\n').size());
    QCOMPARE(f.Edit->width(), std::max(width, minWidth) + 2);
    QCOMPARE(f.Edit->height(), std::max(lines * f.Edit->LineHeight(), minHeight));
  }

  void typingGrowsTheEditor() {
    TEditorFixture f;
    f.Edit->SetMinWidth(50);
    f.Edit->ShowEditor("", "");
    f.Edit->setFocus();
    QCOMPARE(f.Edit->width(), 52);
    QTest::keyClicks(f.Edit, "a rather long text typed into the cell");
    QCOMPARE(f.Edit->width(), f.Width("a rather long text typed into the cell") + f.HalfW() + 2);
    // Deleting it shrinks the editor back to its minimum, never below.
    f.Edit->selectAll();
    QTest::keyClick(f.Edit, Qt::Key_Backspace);
    QCOMPARE(f.Edit->width(), 52);
    // With AutoGrow off the size stays.
    f.Edit->SetAutoGrow(false);
    QTest::keyClicks(f.Edit, "another long line of text");
    QCOMPARE(f.Edit->width(), 52);
  }

  void altEnter_data() {
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("expected");
    QTest::newRow("at the end adds a line") << 4 << "abcd\n";
    QTest::newRow("inside splits the line") << 2 << "ab\ncd";
    QTest::newRow("at the start adds a line before") << 0 << "\nabcd";
  }
  void altEnter() {
    QFETCH(int, caret);
    QFETCH(QString, expected);
    TEditorFixture f;
    f.Edit->ShowEditor("abcd", "abcd");
    f.Edit->setFocus();
    const int height = f.Edit->height();
    f.Edit->SetCaretPosition(caret, 0);
    QTest::keyClick(f.Edit, Qt::Key_Return, Qt::AltModifier);
    QCOMPARE(QString::fromStdString(f.Edit->GetEditText()), expected);
    QCOMPARE(f.Edit->CaretPosition(), QPoint(0, 1));
    QCOMPARE(f.Edit->height(), height + f.Edit->LineHeight());
    QCOMPARE(f.Hidden, 0);
    // Enter alone never types a line break; in grid mode it ends the edit.
    QTest::keyClick(f.Edit, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(f.Edit->document()->blockCount(), 2);
  }

  void caretsAndPoints() {
    TEditorFixture f;
    f.Edit->ShowEditor("one\ntwo three", "");
    f.Edit->SetCaretPosition(2, 1);
    QCOMPARE(f.Edit->CaretPosition(), QPoint(2, 1));
    QCOMPARE(f.Edit->textCursor().position(), 4 + 2);
    // Beyond the text the caret stays inside it.
    f.Edit->SetCaretPosition(50, 9);
    QCOMPARE(f.Edit->CaretPosition(), QPoint(9, 1));
    const int line = f.Edit->LineHeight();
    QCOMPARE(f.Edit->CaretFromPoint(0, line + 2), QPoint(0, 0));
    QCOMPARE(f.Edit->CaretFromPoint(1000, 2), QPoint(3, 0));
    QCOMPARE(f.Edit->CaretFromPoint(1000, line * 5), QPoint(9, 1));
    // The first count of characters at least as wide as the point less 2.
    const int x = f.Width("two t") + 2;
    QCOMPARE(f.Edit->CaretFromPoint(x, line + 1), QPoint(5, 1));
  }

  void escapeRestoresTheStartingText() {
    TEditorFixture f;
    QString seen;
    f.Edit->OnHide = [&](TcxSSInplaceTextEdit& e) { seen = QString::fromStdString(e.GetEditText()); };
    f.Edit->ShowEditor("typed", "original");
    f.Edit->setFocus();
    QTest::keyClick(f.Edit, Qt::Key_Escape);
    QCOMPARE(seen, QString("original"));
    QVERIFY(!f.Edit->isVisible());
    QVERIFY(f.Control->hasFocus());
  }

  void focusLossHidesOnce() {
    TEditorFixture f;
    f.Edit->ShowEditor("x", "x");
    f.Edit->setFocus();
    QVERIFY(f.Edit->hasFocus());
    f.Control->setFocus();
    QVERIFY(!f.Edit->isVisible());
    QCOMPARE(f.Hidden, 1);
    // An explicit HideEditor always notifies (the owner knows whether an edit is open).
    f.Edit->HideEditor();
    QCOMPARE(f.Hidden, 2);
    QVERIFY(!f.Edit->isVisible());
  }

  // The tab editor: Enter and Tab end the edit there; KeepTab keeps Tab from the control.
  void notGridMode() {
    TEditorFixture f(false);
    QVERIFY(!f.Edit->GridMode());
    f.Edit->KeepTab = true;
    f.Edit->ShowEditor("Sheet1", "Sheet1");
    f.Edit->setFocus();
    QTest::keyClick(f.Edit, Qt::Key_Left);
    QVERIFY(f.Edit->isVisible());  // arrows stay in the text
    QTest::keyClick(f.Edit, Qt::Key_Tab);
    QVERIFY(!f.Edit->isVisible());
    QCOMPARE(f.Hidden, 1);
    QCOMPARE(f.Book->ActiveSheet().Selection(), (TRect{0, 0, 0, 0}));
    f.Edit->ShowEditor("Sheet1", "Sheet1");
    f.Edit->setFocus();
    QTest::keyClick(f.Edit, Qt::Key_Return);
    QVERIFY(!f.Edit->isVisible());
    QCOMPARE(f.Hidden, 2);
  }
};

QTEST_MAIN(TestInplaceTextEdit)
#include "tst_cxSSInplaceTextEdit.moc"
