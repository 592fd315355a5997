// The file commands on real .xls files: the shell's open, save and save-as going through the
// workbook's own LoadFromFile and SaveToFile, the captions and the modified flag that follow
// them, the messages of failed loads and saves, and the file named on the command line.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTest>

#include "GridInput.h"
#include "ModalAnswers.h"
#include "QuietPrompts.h"
#include "app/FeatureChildForm.h"
#include "app/ZofMirel.h"
#include "app/zofMirelGlavna.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
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

  // A save that fails (the writer refuses a name longer than a file's name holds, which only
  // an unchecked definition can make) shows the workbook's message, leaves the file as it was
  // and no temporary file beside it, and keeps the caption and the modified flag.
  void failedSaveKeepsThePreviousFile() {
    const QString file = Copy(kSample);
    Open(file);
    TcxSpreadSheetBook& book = Active()->Book();
    const QByteArray before = Contents(file);
    const std::string longName(300, 'n');
    book.FormulasCache().AddName(longName, 0, false, {0, 0, 0, 0});
    SetCell(book, 0, 0, "izmena");
    QVERIFY(book.Modified());

    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->actSaveAs->trigger();
    QCOMPARE(answers_->Shown.last(),
             QString::fromStdString("Zof Mirel | Cannot save the name \"" + longName +
                                    "\": A name holds at most 255 characters"));
    QCOMPARE(Contents(file), before);
    QCOMPARE(FolderEntries(), QStringList{kSample});
    QCOMPARE(Active()->windowTitle(), file);
    QVERIFY(book.Modified());
    NoUnansweredDialogs();
  }

  // A save that would cut a text asks first, naming what and where: No leaves the file as it
  // was; Yes saves, the text cut to the most a file holds.
  void saveThatCutsATextAsksFirst() {
    const QString file = Copy(kSample);
    Open(file);
    TcxSpreadSheetBook& book = Active()->Book();
    const QByteArray before = Contents(file);
    SetCell(book, 1, 2, std::string(40000, 'x'));
    const QString question =
        QString::fromUtf8("Zof Mirel | Datoteka ne može da sačuva sve podatke:\n"
                          "Texts longer than 32768 characters were cut: 1 cell, %1!B3\n"
                          "Da li ipak želite da je sačuvate?")
            .arg(QString::fromStdString(book.ActiveSheet().Caption()));

    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    window_->actSaveAs->trigger();
    QCOMPARE(answers_->Shown.last(), question);
    QCOMPARE(Contents(file), before);
    QVERIFY(book.Modified());

    // Closing with a save that the user then declines at the question keeps the window open.
    QPointer<TFeatureChildForm> opened = Active();
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));  // save the changes?
    answers_->Then(TModalAnswers::ChooseFile(Path("kopija.xls")));
    answers_->Then(TModalAnswers::Click(QMessageBox::No));  // save it cut?
    Activate(window_.get());
    QTest::keyClick(opened.data(), Qt::Key_F4, Qt::ControlModifier);
    QCOMPARE(answers_->Shown.last(), question);
    QCoreApplication::processEvents();
    QVERIFY(!opened.isNull());
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", file}));
    QVERIFY(!QFileInfo::exists(Path("kopija.xls")));
    QVERIFY(book.Modified());

    Activate(window_.get());
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    window_->actSaveAs->trigger();
    QCOMPARE(answers_->Shown.last(), question);
    QVERIFY(!book.Modified());
    QVERIFY(OutlineOfFile(file).contains("1,2 " + QString(32768, 'x')));
    QCOMPARE(FolderEntries(), QStringList{kSample});
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

  // A file that does not load: its new window goes without any question about saving it (Yes
  // would have put an empty workbook over the file), the file stays as it was and the load
  // message names it.
  void filesThatDoNotLoadCloseTheirWindow_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("encrypted") << "encrypted/poi-password.xls";
    QTest::newRow("Excel 95") << "old-biff/poi-testEXCEL_95.xls";
    QTest::newRow("damaged") << "malformed/poi-61300.xls";
    QTest::newRow("missing") << "";
  }
  void filesThatDoNotLoadCloseTheirWindow() {
    QFETCH(QString, source);
    const QString file = Path("ulaz.xls");
    if (!source.isEmpty()) QVERIFY(QFile::copy(kCorpus + "/" + source, file));
    const QByteArray before = Contents(file);
    window_->actNew->trigger();
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    QVERIFY(!window_->Guarded([&] { window_->OpenWorkbookFile(file); }));
    QCOMPARE(answers_->Shown, QStringList{LoadError(file)});
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 2"));
    QCOMPARE(Contents(file), before);
    QCOMPARE(FolderEntries(), source.isEmpty() ? QStringList{} : QStringList{"ulaz.xls"});
    NoUnansweredDialogs();
  }

  // The same through Ctrl+O and the open dialog, with a damaged corpus file: only the load
  // message, shown by the shell's own error handler, and nothing written over the file.
  void failedOpenFromTheDialogShowsTheShellsMessage() {
    const QString file = Path("pokvaren.xls");
    QVERIFY(QFile::copy(kCorpus + "/malformed/poi-61300.xls", file));
    const QByteArray before = Contents(file);
    answers_->Then(TModalAnswers::ChooseFile(file));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(answers_->Shown.mid(1), QStringList{LoadError(file)});
    QCoreApplication::processEvents();
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    QCOMPARE(Contents(file), before);
    QCOMPARE(FolderEntries(), QStringList{"pokvaren.xls"});
    NoUnansweredDialogs();
  }

  // An opened workbook edited in the grid, then Ctrl+F4, Yes and Cancel in the save dialog: the
  // window stays with the edit and the file is untouched. Closing again with Yes and a name
  // saves the edit there and closes the window.
  void closeKeepsTheEditsWhenTheSaveIsCancelled() {
    const QString file = Copy(kSample);
    Open(file);
    QPointer<TFeatureChildForm> opened = Active();
    const TRect selection = opened->Book().ActiveSheet().Selection();
    const int editedRow = selection.Top;
    TypeInGrid(*opened, "izmena");
    QCOMPARE(CellText(*opened, selection.Left, editedRow), std::string("izmena"));
    QVERIFY(opened->Book().Modified());

    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ClickCancel());
    QTest::keyClick(opened.data(), Qt::Key_F4, Qt::ControlModifier);
    QCOMPARE(answers_->Shown.mid(1),
             (QStringList{CloseQuestion(file),
                          QString::fromUtf8("Sačuvaj datoteku | Microsoft Excel 97 ili kasnije "
                                            "verzije (*.xls)")}));
    QCoreApplication::processEvents();
    QVERIFY(!opened.isNull());
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", file}));
    QVERIFY(opened->Book().Modified());
    QCOMPARE(CellText(*opened, selection.Left, editedRow), std::string("izmena"));
    QCOMPARE(Contents(file), Contents(kCorpus + "/" + kSample));
    NoUnansweredDialogs();

    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ChooseFile(Path("sacuvano.xls")));
    Activate(window_.get());
    QTest::keyClick(opened.data(), Qt::Key_F4, Qt::ControlModifier);
    QTRY_VERIFY(opened.isNull());
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    QVERIFY(OutlineOfFile(Path("sacuvano.xls"))
                .contains(QString("%1,%2 izmena").arg(selection.Left).arg(editedRow)));
    NoUnansweredDialogs();
  }

  // A workbook whose formulas call functions outside the library (here the workbook's own
  // macro functions NumFmt and DoFmt) opens like any other through Ctrl+O, and the user is
  // told once which functions those are and how many cells use each; the cells show the
  // values the file stored (as xlrd reads them).
  void unknownFunctionsOpenWithOneMessage() {
    const QString file = Copy("sheetjs-number_format.xls");
    const QByteArray before = Contents(file);
    answers_->Then(TModalAnswers::ChooseFile(file));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(answers_->Shown.mid(1),
             QStringList{QString::fromUtf8(
                             "Zof Mirel | Datoteka %1 sadrži formule sa funkcijama koje program "
                             "ne poznaje. Te ćelije zadržavaju vrednosti sačuvane u datoteci.\n\n"
                             "Dofmt: 54 ćelije\nNumFmt: 56 ćelija")
                             .arg(file)});
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", file}));
    TcxSpreadSheetBook& book = Active()->Book();
    QCOMPARE(book.PageCount(), 5);
    QVERIFY(!book.Modified());
    TcxSSDataStorage& storage = book.Pages(0).DataStorage();
    // D3 and D5: 12345.6789 in the formats "0" and "#,##0" by NumFmt, as the file stored them.
    QCOMPARE(TcxSSCellObject(storage, 3, 2).DisplayText(), std::string("12346"));
    QCOMPARE(TcxSSCellObject(storage, 3, 4).DisplayText(), std::string("12,346"));
    QCOMPARE(Contents(file), before);
    NoUnansweredDialogs();
  }

  // Told once per file, also for a second file opened after the first.
  void unknownFunctionMessageNamesTheFunctionsOfEachFile() {
    const QString file = Path("nepoznata.xls");
    WriteUnknownFunctionWorkbook(file.toStdString());
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    QVERIFY(window_->Guarded([&] { window_->OpenWorkbookFile(file); }));
    QCOMPARE(answers_->Shown.size(), 1);
    QVERIFY2(answers_->Shown[0].endsWith(QString::fromUtf8("\n\nfunction 1000: 1 ćelija")),
             qPrintable(answers_->Shown[0]));
    QCOMPARE(TcxSSCellObject(Active()->Book().ActiveSheet().DataStorage(), 1, 0).DisplayText(),
             std::string("7"));
    // A file without such functions says nothing.
    Open(Copy(kSample));
    QCOMPARE(answers_->Shown.size(), 2);  // the open dialog only
    QCOMPARE(Titles().size(), 3);
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
