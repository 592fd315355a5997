// Copy and paste of cells through QClipboard: the private block travels under its MIME type
// byte for byte, other programs see the tab-separated text, and a second workbook pastes both.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "platform/qt/QtClipboard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"

namespace {

// A fixed environment whose clipboard is the system one.
std::shared_ptr<TcxEnvironment> QtClipboardEnvironment() {
  auto environment = MakeFixedEnvironment(TRegionalSettings::English());
  environment->Clipboard = std::make_shared<TQtClipboard>();
  return environment;
}

}  // namespace

class TestQtClipboardCells : public QObject {
  Q_OBJECT

private slots:
  void copyPutsTheBlockAndTheText() {
    TcxSpreadSheetBook book(QtClipboardEnvironment());
    TcxSSBookSheet& sheet = book.Pages(0);
    TcxSSDataStorage& storage = sheet.DataStorage();
    storage.SetCellText(0, 0, "1", true, false);
    storage.SetCellText(1, 0, "=A1*2", true, false);
    storage.SetCellText(0, 1, "\xC5\xA1ta", true, false);
    sheet.CopyCells({0, 0, 1, 1}, false);

    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data);
    QVERIFY(data->hasFormat(kMarviloMimeType));
    const QByteArray block = data->data(kMarviloMimeType);
    const std::string expected = book.CopyClipboardCells(sheet, {0, 0, 1, 1}) + std::string("\r\n\0", 3);
    QCOMPARE(block, QByteArray(expected.data(), static_cast<qsizetype>(expected.size())));
    QCOMPARE(data->text(), QString::fromUtf8("1\t=A1*2\r\n\xC5\xA1ta\t\r\n"));
  }

  void anotherWorkbookPastesTheBlock() {
    TcxSpreadSheetBook source(QtClipboardEnvironment());
    TcxSSBookSheet& from = source.Pages(0);
    from.DataStorage().SetCellText(0, 0, "7", true, false);
    from.DataStorage().SetCellText(0, 1, "=A1+1", true, false);
    from.DataStorage().GetCellStyleObject(0, 0)->Brush().SetBackgroundColor(5);
    from.CopyCells({0, 0, 0, 1}, false);

    TcxSpreadSheetBook target(QtClipboardEnvironment());
    TcxSSBookSheet& to = target.Pages(0);
    to.PasteCells({2, 2, 2, 2});
    QCOMPARE(QString::fromStdString(to.DataStorage().GetEditText(2, 2)), QString("7"));
    QCOMPARE(QString::fromStdString(to.DataStorage().GetEditText(2, 3)), QString("=C3+1"));
    QCOMPARE(int(to.DataStorage().OwnCell(2, 2).Style->BackgroundColor), 5);
  }

  void textFromAnotherProgramIsPastedCellByCell() {
    QGuiApplication::clipboard()->setText(QString::fromUtf8("a\tb\r\n\xC4\x8D\r\n"));
    TcxSpreadSheetBook book(QtClipboardEnvironment());
    TcxSSBookSheet& sheet = book.Pages(0);
    sheet.PasteCells({1, 1, 1, 1});
    const TcxSSDataStorage& storage = sheet.DataStorage();
    QCOMPARE(QString::fromStdString(storage.GetEditText(1, 1)), QString("a"));
    QCOMPARE(QString::fromStdString(storage.GetEditText(2, 1)), QString("b"));
    QCOMPARE(QString::fromStdString(storage.GetEditText(1, 2)), QString::fromUtf8("\xC4\x8D"));
  }
};

QTEST_MAIN(TestQtClipboardCells)
#include "tst_QtClipboardCells.moc"
