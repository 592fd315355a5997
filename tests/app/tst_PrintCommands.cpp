// The five print commands of the main window, chosen from the "Zof Mirel" menu as a user chooses
// them, with their dialogs answered: page setup changes the link's page, the preview shows the
// active workbook's pages, print goes through the print dialog into a PDF file (the page count
// and words read back with poppler), the print area is set from the selection ("Pogrešna erija"
// first for a single cell, OK and Cancel), applies to the next workbook printed and is cleared
// again; "only selected cells" limits the pages; an empty sheet gets the engine's message; with
// no document window open the commands are disabled. The link's design window, opened from the
// preview, changes what is printed, or nothing when cancelled.
#include <QCheckBox>
#include <QColorDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "ModalAnswers.h"
#include "WorkbookWindowDriver.h"
#include "print/PrintTestSupport.h"
#include "print/dxPSComponentPrinter.h"
#include "print/dxPScxSSLnkDesignWindow.h"

namespace {

const QString kIris = QStringLiteral(ZOF_CORPUS_DIR "/libxls-iris-excel-xls.xls");

int PdfPages(const QString& pdf) {
  const QByteArray info = RunPoppler("pdfinfo", {pdf});
  for (const QByteArray& line : info.split('\n'))
    if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
  return -1;
}

QString PdfText(const QString& pdf) { return QString::fromUtf8(RunPoppler("pdftotext", {"-layout", pdf, "-"})); }

// Accepts the print dialog as it stands (the printer already writes the PDF file).
TModalAnswers::TAnswer AcceptPrintDialog(int* lastPage = nullptr) {
  return [lastPage](QWidget* dialog) {
    auto* print = qobject_cast<QPrintDialog*>(dialog);
    QVERIFY2(print, "the print dialog was expected");
    if (lastPage) *lastPage = print->maxPage();
    print->accept();
  };
}

}  // namespace

class TestPrintCommands : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;
  std::unique_ptr<TModalAnswers> answers_;
  std::unique_ptr<TWorkbookWindowDriver> drive_;
  QTemporaryDir folder_;

  TWorkbookWindowDriver& D() { return *drive_; }
  TdxSpreadSheetBookReportLink& Link() { return *window_->dxComponentPrinterLink1; }
  QPrinter& Printer() { return window_->dxComponentPrinter->Printer(); }

  void NoUnansweredDialogs() {
    QVERIFY2(answers_->Unexpected.isEmpty(), qPrintable(answers_->Unexpected.join("; ")));
    QCOMPARE(answers_->Pending(), 0);
  }
  void Open(const QString& file) {
    QVERIFY(window_->Guarded([&] { window_->OpenWorkbookFile(file); }));
    drive_ = std::make_unique<TWorkbookWindowDriver>(*window_);
  }
  void Choose(QAction* action) {
    if (action == window_->actErija || action == window_->actKlijentErija)
      D().ChooseFromMenuBar(window_->mnuZofMirel, {window_->mnuErija}, action);
    else
      D().ChooseFromMenuBar(window_->mnuZofMirel, {}, action);
  }
  // "Štampa" into a PDF file through the print dialog: the file's page count (-1 when nothing
  // was written) and the pages the dialog offered.
  int PrintToPdf(const QString& name, int* offered = nullptr) {
    const QString pdf = folder_.filePath(name);
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(pdf);
    answers_->Then(AcceptPrintDialog(offered));
    Choose(window_->actStampa);
    return QFile::exists(pdf) ? PdfPages(pdf) : -1;
  }

private slots:
  void init() {
    QVERIFY(folder_.isValid());
    window_ = TWorkbookWindowDriver::ShowMainWindow();
    window_->SetPrompts(std::make_unique<TShellPrompts>());
    answers_ = std::make_unique<TModalAnswers>();
    drive_ = std::make_unique<TWorkbookWindowDriver>(*window_);
  }

  void cleanup() {
    drive_.reset();
    answers_.reset();
    window_.reset();
  }

  void theStoredSettings() {
    const TdxPrinterPage& page = Link().PrinterPage;
    QCOMPARE(page.PaperSize.id(), QPageSize::A4);
    QCOMPARE(page.Margins, QMarginsF(12.7, 12.7, 12.7, 12.7));
    QCOMPARE(page.HeaderHeight, 6.35);
    QCOMPARE(page.FooterHeight, 6.35);
    QCOMPARE(QString::fromStdString(page.PageFooterFont.Name), "Tahoma");
    QCOMPARE(Link().OptionsView(), TdxPSSpreadSheetReportLinkOptionsView(0));
    QCOMPARE(QString::fromStdString(Link().ReportDocumentCaption), "New Report");
    QCOMPARE(window_->dxComponentPrinter->CurrentLink(), &Link());
    QVERIFY(!Link().HasPrintArea());
  }

  void printWritesTheActiveWorkbooksPages() {
    Open(kIris);
    int offered = 0;
    QCOMPARE(PrintToPdf("iris.pdf", &offered), 4);
    QCOMPARE(offered, 4);
    NoUnansweredDialogs();
    const QString text = PdfText(folder_.filePath("iris.pdf"));
    QVERIFY(text.contains("Sepal.Length"));
    QCOMPARE(text.count("virginica"), 50);
    // The link prints the workbook of the active window.
    QCOMPARE(Link().Component(), &D().Book());
  }

  void printAreaFromTheSelectionAndCleared() {
    Open(kIris);
    D().Select("B2:D5");
    Choose(window_->actErija);
    NoUnansweredDialogs();
    QCOMPARE(Link().PrintArea(), TWorkbookWindowDriver::Cells("B2:D5"));
    QCOMPARE(PrintToPdf("area.pdf"), 1);
    const QString text = PdfText(folder_.filePath("area.pdf"));
    QVERIFY2(text.contains("3.5") && text.contains("1.4"), qPrintable(text));
    QVERIFY(!text.contains("setosa"));
    QVERIFY(!text.contains("Sepal"));
    QVERIFY(!text.contains("5.1"));

    // The print area stays with the link, for the next workbook printed.
    window_->NewWorkbookWindow();
    drive_ = std::make_unique<TWorkbookWindowDriver>(*window_);
    D().Enter("A1", "first");
    D().Enter("C3", "inside");
    QCOMPARE(PrintToPdf("other.pdf"), 1);
    const QString other = PdfText(folder_.filePath("other.pdf"));
    QVERIFY(other.contains("inside"));
    QVERIFY(!other.contains("first"));

    Choose(window_->actKlijentErija);
    QVERIFY(!Link().HasPrintArea());
    QCOMPARE(PrintToPdf("cleared.pdf"), 1);
    const QString cleared = PdfText(folder_.filePath("cleared.pdf"));
    QVERIFY(cleared.contains("first") && cleared.contains("inside"));
    NoUnansweredDialogs();
  }

  void aSingleCellAsksFirst() {
    Open(kIris);
    D().Select("B2:C3");
    Choose(window_->actErija);
    const TRect before = Link().PrintArea();
    D().Select("C4");
    answers_->Then(TModalAnswers::Click(QMessageBox::Cancel));
    Choose(window_->actErija);
    QCOMPARE(answers_->Shown.last(), QString::fromUtf8("Zof Mirel | Pogrešna erija"));
    QCOMPARE(Link().PrintArea(), before);
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    Choose(window_->actErija);
    QCOMPARE(answers_->Shown.size(), 2);
    QCOMPARE(Link().PrintArea(), TWorkbookWindowDriver::Cells("C4"));
    NoUnansweredDialogs();
    QCOMPARE(PrintToPdf("one.pdf"), 1);
    const QStringList words = PdfText(folder_.filePath("one.pdf")).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    // The one cell and the page number.
    QCOMPARE(words, QStringList({"1.3", "1/1"}));
  }

  void onlySelectedCellsLimitThePages() {
    Open(kIris);
    D().Select("A1:E40");
    Link().OnlySelected = true;
    QCOMPARE(PrintToPdf("selected.pdf"), 1);
    Link().OnlySelected = false;
    QCOMPARE(PrintToPdf("all.pdf"), 4);
    NoUnansweredDialogs();
  }

  void anEmptySheetHasNothingToPrint() {
    // The new workbook of start-up: the engine's message instead of the print dialog or the
    // preview, and no file.
    const QString message =
        QStringLiteral("Zof Mirel | Cannot activate ReportLink because PrintingSystem did not find anything to print.");
    Printer().setOutputFormat(QPrinter::PdfFormat);
    Printer().setOutputFileName(folder_.filePath("empty.pdf"));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    Choose(window_->actStampa);
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    Choose(window_->acStampaPregled);
    NoUnansweredDialogs();
    QCOMPARE(answers_->Shown, QStringList({message, message}));
    QVERIFY(!QFile::exists(folder_.filePath("empty.pdf")));
  }

  void previewShowsTheActiveWorkbook() {
    Open(kIris);
    int pages = 0;
    answers_->Then([&](QWidget* dialog) {
      QVERIFY2(qobject_cast<QPrintPreviewDialog*>(dialog), "the preview was expected");
      auto* preview = dialog->findChild<QPrintPreviewWidget*>();
      QVERIFY(preview);
      pages = preview->pageCount();
      qobject_cast<QDialog*>(dialog)->reject();
    });
    Choose(window_->acStampaPregled);
    NoUnansweredDialogs();
    QCOMPARE(pages, 4);
  }

  void pageSetupChangesTheLinksPage() {
    answers_->Then([](QWidget* dialog) {
      QVERIFY2(qobject_cast<QPageSetupDialog*>(dialog), "the page setup dialog was expected");
      auto* landscape = dialog->findChild<QRadioButton*>("landscape");
      QVERIFY(landscape);
      landscape->click();
      qobject_cast<QDialog*>(dialog)->accept();
    });
    Choose(window_->actStampaPriprema);
    NoUnansweredDialogs();
    QCOMPARE(Link().PrinterPage.Orientation, QPageLayout::Landscape);
    // Printed, the pages are landscape: the iris table's 151 rows need more of them.
    Open(kIris);
    const int pages = PrintToPdf("landscape.pdf");
    QVERIFY2(pages > 4, qPrintable(QString::number(pages)));
    const QByteArray info = RunPoppler("pdfinfo", {folder_.filePath("landscape.pdf")});
    QVERIFY2(info.contains("842 x 595"), info.constData());
    // Cancelled, nothing changes.
    answers_->Then(TModalAnswers::Cancel());
    Choose(window_->actStampaPriprema);
    QCOMPARE(Link().PrinterPage.Orientation, QPageLayout::Landscape);
  }

  void theDesignWindowFromThePreview() {
    Open(kIris);
    int pagesBefore = 0;
    int pagesAfter = 0;
    answers_->Then([&](QWidget* dialog) {
      auto* preview = dialog->findChild<QPrintPreviewWidget*>();
      pagesBefore = preview->pageCount();
      auto* design = dialog->findChild<QAction*>("actDesign");
      QVERIFY(design);
      design->trigger();
      pagesAfter = preview->pageCount();
      qobject_cast<QDialog*>(dialog)->reject();
    });
    answers_->Then([&](QWidget* dialog) {
      auto* window = qobject_cast<TfmdxSpreadSheetDesignWindow*>(dialog);
      QVERIFY2(window, "the design window was expected");
      QCOMPARE(window->windowTitle(), QString("SpreadSheet DesignWindow"));
      QCOMPARE(window->PageControl->count(), 4);
      QCOMPARE(window->chbxShowRowAndColumnHeaders->text(), QString("Row and column headings"));
      QCOMPARE(window->chbxOnlySelected->text(), QString("Only &selected cells"));
      QCOMPARE(window->btnFixedFont->text(), QString("Fi&xed Font..."));
      // Every change goes to the link at once, for the live preview.
      window->chbxShowRowAndColumnHeaders->click();
      QCOMPARE(Link().OptionsView(), TdxPSSpreadSheetReportLinkOptionsView(ssovRowAndColumnHeadings));
      window->chbxShowGridLines->click();
      window->btnGridLineColor->click();
      window->accept();
    });
    answers_->Then([](QWidget* dialog) {
      auto* colors = qobject_cast<QColorDialog*>(dialog);
      QVERIFY2(colors, "the colour dialog was expected");
      colors->setCurrentColor(QColor(10, 200, 30));
      colors->accept();
    });
    Choose(window_->acStampaPregled);
    NoUnansweredDialogs();
    QCOMPARE(pagesBefore, 4);
    // With a heading row the rows take a little more room: still four pages, drawn again.
    QCOMPARE(pagesAfter, 4);
    QCOMPARE(Link().OptionsView(), TdxPSSpreadSheetReportLinkOptionsView(ssovRowAndColumnHeadings | ssovGridLines));
    QCOMPARE(Link().GridLineColor, RGBColor(10, 200, 30));
    // Printed, the column letters head the first page.
    QCOMPARE(PrintToPdf("designed.pdf"), 4);
    const QString text = PdfText(folder_.filePath("designed.pdf"));
    QVERIFY2(text.contains(QRegularExpression("^\\s*A\\s+B\\s+C\\s+D\\s+E\\s*$", QRegularExpression::MultilineOption)),
             qPrintable(text.left(300)));
  }

  void theHeadingRowOnEveryPage() {
    Open(kIris);
    Link().SetOptionsView(ssovRowAndColumnHeadings);
    Link().HeadersOnEveryPage = true;
    const int pages = PrintToPdf("every.pdf");
    QVERIFY(pages >= 4);
    const QRegularExpression headingRow("^\\s*A\\s+B\\s+C\\s+D\\s+E\\s*$", QRegularExpression::MultilineOption);
    for (int page = 1; page <= pages; ++page) {
      const QString text = QString::fromUtf8(RunPoppler(
          "pdftotext", {"-layout", "-f", QString::number(page), "-l", QString::number(page), folder_.filePath("every.pdf"), "-"}));
      QVERIFY2(text.contains(headingRow), qPrintable(QString("page %1: %2").arg(page).arg(text.left(200))));
    }
    // Without it, only the first page has the heading row.
    Link().HeadersOnEveryPage = false;
    QVERIFY(PrintToPdf("once.pdf") >= 4);
    const QString second = QString::fromUtf8(
        RunPoppler("pdftotext", {"-layout", "-f", "2", "-l", "2", folder_.filePath("once.pdf"), "-"}));
    QVERIFY(!second.contains(headingRow));
    NoUnansweredDialogs();
  }

  void theDesignWindowCancelledChangesNothing() {
    Open(kIris);
    Link().OnlySelected = false;
    answers_->Then([&](QWidget* dialog) {
      auto* window = qobject_cast<TfmdxSpreadSheetDesignWindow*>(dialog);
      QVERIFY2(window, "the design window was expected");
      window->chbxOnlySelected->click();
      window->chbxSuppressSourceFormats->click();
      window->chbxTransparent->click();
      QVERIFY(Link().OnlySelected);
      window->reject();
    });
    Link().SetComponent(&D().Book());
    QVERIFY(!Link().ShowDesignWindow(window_.get()));
    NoUnansweredDialogs();
    QVERIFY(!Link().OnlySelected);
    QCOMPARE(Link().OptionsView(), TdxPSSpreadSheetReportLinkOptionsView(0));
    QVERIFY(Link().Transparent);
  }

  void commandsNeedADocumentWindow() {
    const auto commands = [](TzofMirelGlavna& window) {
      return QList<QAction*>{window.actStampaPriprema, window.acStampaPregled, window.actKlijentErija,
                             window.actErija, window.actStampa};
    };
    TWorkbookWindowDriver::Idle();
    for (QAction* action : commands(*window_)) QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
    // A main window before its first document window (closing the last one only minimises it).
    TzofMirelGlavna bare;
    bare.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bare));
    TWorkbookWindowDriver::Idle();
    QVERIFY(bare.DocumentWindows().isEmpty());
    for (QAction* action : commands(bare)) QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
  }
};

QTEST_MAIN(TestPrintCommands)
#include "tst_PrintCommands.moc"
