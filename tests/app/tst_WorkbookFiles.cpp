// The file commands on real .xls files: the shell's open, save and save-as going through the
// workbook's own LoadFromFile and SaveToFile, the captions and the modified flag that follow
// them, the messages of failed loads and saves, and the file named on the command line.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include "ModalAnswers.h"
#include "app/FeatureChildForm.h"
#include "app/ZofMirel.h"
#include "app/zofMirelGlavna.h"
#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "xls/UnknownFunctionWorkbook.h"
#include "xls/cxExcelFileWriter.h"

namespace {

const QString kCorpus = QString::fromUtf8(ZOF_CORPUS_DIR);
// Merged areas and styled cells.
const QString kSample = "sheetjs-merge_cells.xls";

QString CloseQuestion(const QString& caption) {
  return QString::fromUtf8("Zof Mirel | Sačuvaj izmene na [*** %1 ***]").arg(caption);
}
QString LoadError(const QString& file) {
  return QString::fromUtf8("Zof Mirel | Neispravni ili nečitljivi podaci u datoteci ") + file;
}

QByteArray Contents(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a workbook holds, as text: sheet captions and every cell's edit text.
QStringList Outline(TcxCustomSpreadSheetBook& book) {
  QStringList lines;
  book.History().Lock();
  for (int page = 0; page < book.PageCount(); ++page) {
    TcxSSDataStorage& storage = book.Pages(page).DataStorage();
    lines << QString::fromStdString("sheet " + book.Pages(page).Caption());
    storage.ForEachCell([&](int col, int row, const TcxSSCellRec&) {
      lines << QString("%1,%2 ").arg(col).arg(row) +
                   QString::fromStdString(TcxSSCellObject(storage, col, row).GetText());
    });
    lines << QString("merged %1").arg(storage.MergedCells().GetAllInclusive().size());
  }
  book.History().Unlock();
  return lines;
}

// The same file loaded by the workbook alone, without the shell.
QStringList OutlineOfFile(const QString& file) {
  TcxSpreadSheetBook book(MakeFixedEnvironment(TRegionalSettings::English()));
  book.LoadFromFile(file.toStdString());
  return Outline(book);
}

void SetCell(TcxCustomSpreadSheetBook& book, int col, int row, const std::string& text) {
  TcxSSCellObject(book.ActiveSheet().DataStorage(), col, row).SetText(text);
}

}  // namespace

class TestWorkbookFiles : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;
  std::unique_ptr<TModalAnswers> answers_;
  std::unique_ptr<QTemporaryDir> folder_;

  QString Path(const QString& name) const { return folder_->filePath(name); }
  TFeatureChildForm* Active() const { return window_->ActiveChild(); }
  QStringList Titles() const {
    QStringList titles;
    for (const auto* w : window_->DocumentWindows()) titles << w->windowTitle();
    return titles;
  }
  // A corpus file copied into the test's folder, so that saving over it touches no original.
  QString Copy(const QString& corpusName, const QString& as = {}) {
    const QString target = Path(as.isEmpty() ? corpusName : as);
    QFile::remove(target);
    if (!QFile::copy(kCorpus + "/" + corpusName, target)) return {};
    QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return target;
  }
  void NoUnansweredDialogs() {
    QVERIFY2(answers_->Unexpected.isEmpty(), qPrintable(answers_->Unexpected.join("; ")));
    QCOMPARE(answers_->Pending(), 0);
  }
  // Opens `file` through the open dialog, as a user does.
  void Open(const QString& file) {
    answers_->Then(TModalAnswers::ChooseFile(file));
    window_->actOpenSpreadSheet->trigger();
  }
  QStringList FolderEntries() const {
    return QDir(folder_->path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  }

private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    window_ = std::make_unique<TzofMirelGlavna>();
    window_->CreateAboutBox();
    window_->NewWorkbookWindow();
    window_->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    answers_ = std::make_unique<TModalAnswers>();
  }

  void cleanup() {
    answers_.reset();
    window_.reset();
    folder_.reset();
  }

  void openShowsTheFileInANewWindowCaptionedWithItsPath() {
    const QString file = Copy(kSample);
    Open(file);
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", file}));
    TcxSpreadSheetBook& book = Active()->Book();
    const QStringList outline = Outline(book);
    QCOMPARE(outline, OutlineOfFile(file));
    QVERIFY(outline.size() > 6);
    QVERIFY(book.PageCount() >= 1);
    QVERIFY(!book.Modified());
    QVERIFY(book.History().UndoDescriptions().empty());
    NoUnansweredDialogs();
  }

  // The reference panel shows the active cell the file stored, not the new window's A1.
  void openShowsTheStoredSelectionInTheReferencePanel() {
    Open(Copy("poi-SimpleWithColours.xls"));
    TcxSpreadSheetBook& book = Active()->Book();
    const TRect selection = book.ActiveSheet().Selection();
    QVERIFY(selection.Top > 0);
    QCOMPARE(window_->pnCellRect->text(),
             QString::fromStdString(book.CellReferenceText(0, selection, 1)));
    QCOMPARE(window_->pnCellRect->text(), QString("A5"));
  }

  // Save as writes a file that loads as the same workbook; the caption becomes its path and the
  // workbook counts as unchanged. The next plain save goes to that path without a dialog.
  void saveAsThenSaveWriteTheWorkbook() {
    const QString file = Copy(kSample);
    Open(file);
    TcxSpreadSheetBook& book = Active()->Book();
    SetCell(book, 7, 30, "dodato");
    QVERIFY(book.Modified());
    const QStringList changed = Outline(book);

    answers_->Then(TModalAnswers::ChooseFile(Path("kopija.txt")));
    window_->actSaveSpeadSheet->trigger();
    const QString copy = Path("kopija.xls");
    QCOMPARE(Active()->windowTitle(), copy);
    QVERIFY(!book.Modified());
    QCOMPARE(OutlineOfFile(copy), changed);
    QCOMPARE(Contents(file), Contents(kCorpus + "/" + kSample));

    SetCell(book, 7, 31, "=2*21");
    QVERIFY(book.Modified());
    window_->actSaveAs->trigger();
    QCOMPARE(Active()->windowTitle(), copy);
    QVERIFY(!book.Modified());
    const QStringList saved = OutlineOfFile(copy);
    QVERIFY(saved.contains("7,31 =2*21"));
    QCOMPARE(saved, Outline(book));
    // Nothing is left beside the files but the files.
    QCOMPARE(FolderEntries(), (QStringList{"kopija.xls", kSample}));
    NoUnansweredDialogs();
  }

  // Saving over the file it came from replaces it with the workbook as it now stands.
  void saveOverTheOpenedFileReplacesIt() {
    const QString file = Copy(kSample);
    Open(file);
    TcxSpreadSheetBook& book = Active()->Book();
    SetCell(book, 0, 40, "novo");
    window_->actSaveAs->trigger();
    QVERIFY(answers_->Shown.size() == 1);  // the open dialog only
    QVERIFY(OutlineOfFile(file).contains("0,40 novo"));
    QCOMPARE(OutlineOfFile(file), Outline(book));
    NoUnansweredDialogs();
  }

  // A save that fails (the writer refuses more sheets than the format's link records hold)
  // shows the workbook's message, leaves the file as it was and no temporary file beside it,
  // and keeps the caption and the modified flag.
  void failedSaveKeepsThePreviousFile() {
    const QString file = Copy(kSample);
    Open(file);
    TcxSpreadSheetBook& book = Active()->Book();
    const QByteArray before = Contents(file);
    for (int i = book.PageCount(); i <= TcxExcelFileWriter::kMaxSheets; ++i)
      book.AddSheet("List" + std::to_string(i));
    SetCell(book, 0, 0, "izmena");
    QVERIFY(book.Modified());

    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->actSaveAs->trigger();
    QCOMPARE(answers_->Shown.last(), QString("Zof Mirel | Error store workbook stream"));
    QCOMPARE(Contents(file), before);
    QCOMPARE(FolderEntries(), QStringList{kSample});
    QCOMPARE(Active()->windowTitle(), file);
    QVERIFY(book.Modified());
    NoUnansweredDialogs();
  }

  // Save as to a name that cannot be created: the message names the file, the caption stays.
  void saveAsToAFileThatCannotBeCreated() {
    const QString file = Copy(kSample);
    Open(file);
    QVERIFY(QDir(folder_->path()).mkdir("mapa.xls"));
    answers_->Then(TModalAnswers::ChooseFile(Path("mapa.txt")));
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));  // replace "mapa.xls"?
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->actSaveSpeadSheet->trigger();
    QVERIFY2(answers_->Shown.last().startsWith(
                 QString("Zof Mirel | Cannot create file \"%1\". ").arg(Path("mapa.xls"))),
             qPrintable(answers_->Shown.last()));
    QCOMPARE(Active()->windowTitle(), file);
    QVERIFY(QFileInfo(Path("mapa.xls")).isDir());
    QCOMPARE(FolderEntries(), QStringList{kSample});
    NoUnansweredDialogs();
  }

  void filesThatDoNotLoadCloseTheirWindow_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("encrypted") << "encrypted/poi-password.xls";
    QTest::newRow("Excel 95") << "old-biff/poi-testEXCEL_95.xls";
    QTest::newRow("damaged") << "malformed/poi-61300.xls";
    QTest::newRow("missing") << "";
    QTest::newRow("unknown function") << "unknown function";
  }
  void filesThatDoNotLoadCloseTheirWindow() {
    QFETCH(QString, source);
    const QString file = Path("ulaz.xls");
    if (source == "unknown function") {
      WriteUnknownFunctionWorkbook(file.toStdString());
      try {
        OutlineOfFile(file);
        QFAIL("the workbook loaded without a word");
      } catch (const ESpreadSheetError& e) {
        QCOMPARE(QString(e.what()), QString("Stream has unknown function's"));
      }
    } else if (!source.isEmpty()) {
      QVERIFY(QFile::copy(kCorpus + "/" + source, file));
    }
    window_->actNew->trigger();
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    QVERIFY(!window_->Guarded([&] { window_->OpenWorkbookFile(file); }));
    QCOMPARE(answers_->Shown, (QStringList{CloseQuestion(file), LoadError(file)}));
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 2"));
    NoUnansweredDialogs();
  }

  // The shell's own error handler shows the load message once the new window is closed.
  void failedOpenFromTheDialogShowsTheShellsMessage() {
    const QString file = Path("pokvaren.xls");
    QVERIFY(QFile::copy(kCorpus + "/encrypted/poi-password.xls", file));
    answers_->Then(TModalAnswers::ChooseFile(file));
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->actOpenSpreadSheet->trigger();
    QCOMPARE(answers_->Shown.mid(1), (QStringList{CloseQuestion(file), LoadError(file)}));
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    NoUnansweredDialogs();
  }

  // `zofmirel FILE.xls`: the file opens in a second window beside the first, empty one.
  void commandLineFileOpensBesideTheFirstWindow() {
    const QString file = Copy(kSample);
    answers_.reset();
    window_.reset();
    auto prompts = std::make_unique<TQuietPrompts>();
    const TQuietPrompts& quiet = *prompts;
    window_ = StartZofMirel({file, std::move(prompts), nullptr});
    QTRY_COMPARE(window_->DocumentWindows().size(), 2);
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", file}));
    QCOMPARE(Active()->windowTitle(), file);
    QCOMPARE(Outline(Active()->Book()), OutlineOfFile(file));
    QVERIFY(quiet.Errors.isEmpty());
    answers_ = std::make_unique<TModalAnswers>();
  }
};

QTEST_MAIN(TestWorkbookFiles)
#include "tst_WorkbookFiles.moc"
