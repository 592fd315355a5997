// The main window and its document windows: menus, hints, shortcuts, the file commands, the
// close question, the numbering of windows and the Help items.
#include <QAction>
#include <QComboBox>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "FakeWorkbookFiles.h"
#include "GridInput.h"
#include "ModalAnswers.h"
#include "app/FeatureChildForm.h"
#include "app/frmAbout.h"
#include "app/zofMirelGlavna.h"
#include "platform/FileAssociation.h"

namespace {

const QString kFilter = QString::fromUtf8("Microsoft Excel 97 ili kasnije verzije (*.xls)");
const QString kOpenShown = QString::fromUtf8("Izbor MS Excel datoteke | ") + kFilter;
const QString kSaveShown = QString::fromUtf8("Sačuvaj datoteku | ") + kFilter;

QString CloseQuestion(const QString& caption) {
  return QString::fromUtf8("Zof Mirel | Sačuvaj izmene na [*** %1 ***]").arg(caption);
}

// A tool bar's items by name, "-" for a separator.
QStringList Items(const QToolBar* bar) {
  QStringList items;
  for (QAction* action : bar->actions()) {
    if (action->isSeparator())
      items << "-";
    else if (QWidget* widget = bar->widgetForAction(action); widget && !qobject_cast<QToolButton*>(widget))
      items << widget->objectName();
    else if (action->objectName().isEmpty())
      items << bar->widgetForAction(action)->objectName();
    else
      items << action->objectName();
  }
  return items;
}

// The menu's items as captions, "-" for a separator and "caption >" for a sub-menu.
QStringList Items(const QMenu* menu) {
  QStringList items;
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator())
      items << "-";
    else if (action->menu())
      items << action->text() + " >";
    else
      items << action->text();
  }
  return items;
}

QStringList Captions(const QList<TFeatureChildForm*>& windows) {
  QStringList captions;
  for (const auto* window : windows) captions << window->windowTitle();
  return captions;
}

class TRecordingAssociation : public IFileAssociation {
public:
  explicit TRecordingAssociation(QStringList& calls, bool fail) : calls_(calls), fail_(fail) {}
  void Register(const std::string& extension, const std::string& programPath) override {
    calls_ << QString::fromStdString(extension + " " + programPath);
    if (fail_) throw EFileAssociationError("Povezivanje datoteka nije upisano: test");
  }

private:
  QStringList& calls_;
  bool fail_;
};

}  // namespace

class TestZofMirelGlavna : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;
  std::shared_ptr<TFileLog> files_;
  std::unique_ptr<TModalAnswers> answers_;
  QList<QUrl> urls_;
  QTemporaryDir folder_;

  QString Path(const QString& name) const { return folder_.filePath(name); }
  TFeatureChildForm* Active() const { return window_->ActiveChild(); }
  QList<TFeatureChildForm*> Windows() const { return window_->DocumentWindows(); }
  QStringList Titles() const { return Captions(Windows()); }

  void NoUnansweredDialogs() {
    QVERIFY2(answers_->Unexpected.isEmpty(), qPrintable(answers_->Unexpected.join("; ")));
    QCOMPARE(answers_->Pending(), 0);
  }

private slots:
  void init() {
    window_ = std::make_unique<TzofMirelGlavna>();
    files_ = std::make_shared<TFileLog>();
    window_->SetWorkbookFiles(std::make_unique<TFakeWorkbookFiles>(files_));
    urls_.clear();
    window_->OpenUrl = [this](const QUrl& url) {
      urls_ << url;
      return true;
    };
    window_->CreateAboutBox();
    window_->NewWorkbookWindow();
    window_->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    answers_ = std::make_unique<TModalAnswers>();
  }

  void cleanup() {
    answers_.reset();
    window_.reset();
  }

  void frameLooksAsDesigned() {
    // A maximised document window shows its caption in the frame's, as on the desktop.
    QCOMPARE(window_->windowTitle(), QString("Orbeka: Zof Mirel 3.1 - [Radna knjiga - 1]"));
    QVERIFY(window_->isMaximized());
    QCOMPARE(window_->MdiArea->background().color(), QColor(244, 244, 244));
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    QVERIFY(Active()->isMaximized());
    QCOMPARE(Active()->palette().color(QPalette::Window), QColor(244, 244, 244));
    QCOMPARE(window_->pnCellRect->text(), QString("A1"));
    QCOMPARE(window_->pnCellRect->width(), 81);
    QCOMPARE(window_->pnCellText->text(), QString::fromUtf8("Tekst ćelije = "));
    QCOMPARE(window_->edtCellEdit->focusPolicy(), Qt::ClickFocus);
    QVERIFY(window_->sbPanel->width() >= 50);
    QVERIFY(window_->frmAbout && !window_->frmAbout->isVisible());
  }

  void toolBars() {
    QStringList titles;
    for (const QToolBar* bar : window_->findChildren<QToolBar*>()) titles << bar->windowTitle();
    QCOMPARE(titles, (QStringList{"Standard", "Formatting", "History"}));
    QCOMPARE(Items(window_->tbStandard),
             (QStringList{"actNew", "actOpenSpreadSheet", "actSaveAs", "-", "actCut", "actCopy", "actPaste"}));
    QCOMPARE(Items(window_->tbFormatting),
             (QStringList{"cbxFont", "cbxSize", "-", "actCellLeftAlign", "actCellCenterAlign",
                          "actCellRightAlign", "actBold", "actItalic", "actUnderline", "actStrikeOut", "-",
                          "actMergeCells", "actSplitCells", "-", "tbSummary", "actSortAscending",
                          "actSortDescending", "-", "tbBorderStyle", "actFormatCells"}));
    QCOMPARE(Items(window_->tbHistory), (QStringList{"actUndo", "actRedo"}));
    QCOMPARE(window_->cbxFont->width(), 132);
    QCOMPARE(window_->cbxSize->width(), 44);
    // Docking, flat, with hints.
    for (QToolBar* bar : {window_->tbStandard, window_->tbFormatting, window_->tbHistory}) {
      QVERIFY(bar->isMovable());
      QVERIFY(bar->isFloatable());
      QCOMPARE(window_->toolBarArea(bar), Qt::TopToolBarArea);
      for (const QToolButton* button : bar->findChildren<QToolButton*>()) {
        if (!button->isVisible()) continue;
        QVERIFY2(button->autoRaise(), qPrintable(button->objectName()));
        QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
        QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
      }
    }
    QCOMPARE(window_->tbSummary->toolTip(), QString("Ukupno"));
    QCOMPARE(window_->tbSummary->menu(), window_->pmSummary);
    QCOMPARE(Items(window_->pmSummary), (QStringList{"Suma", "Prosek", "Brojanje", "Maksimum", "Minimum"}));
    QCOMPARE(window_->tbBorderStyle->toolTip(), QString("Ivice"));
    QCOMPARE(window_->tbBorderStyle->popupMode(), QToolButton::InstantPopup);
    for (const char* name : {"tbUndo", "tbRedo"}) {
      auto* button = window_->tbHistory->findChild<QToolButton*>(name);
      QVERIFY(button);
      QCOMPARE(button->popupMode(), QToolButton::MenuButtonPopup);
    }
    // The size box offers the designed sizes, the ninth with its trailing blank.
    QStringList sizes;
    for (int k = 0; k < window_->cbxSize->count(); ++k) sizes << window_->cbxSize->itemText(k);
    QCOMPARE(sizes, (QStringList{"8", "9", "10", "11", "12", "14", "16", "18", "20 ", "22", "24", "26",
                                 "28", "36", "48", "72"}));
  }

  void menus_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("menu bar") << ""
                              << QStringList{"&Zof Mirel", "Iz&mene", "&Unos", "&Konfiguracija", "&Prozori",
                                             QString::fromUtf8("&Pomoć")};
    QTest::newRow("Izmene") << "mnuIzmene"
                            << QStringList{"Is&eci", "&Kopiraj", "&Prenesi", "-", QString::fromUtf8("Ć&elije >"),
                                           "K&oline >", "Re&dovi >"};
    QTest::newRow("Ćelije") << "mnuCelije"
                            << QStringList{QString::fromUtf8("Format ćelija..."), "Sakrivanje", QString::fromUtf8("Pokaži"),
                                           QString::fromUtf8("Briši..."), "Ubaci..."};
    QTest::newRow("Koline") << "mnuKoline" << QStringList{"Sakrivanje", QString::fromUtf8("Pokaži")};
    QTest::newRow("Redovi") << "mnuRedovi" << QStringList{"Sakrivanje", QString::fromUtf8("Prikaži")};
    QTest::newRow("Unos") << "mnuUnos" << QStringList{QString::fromUtf8("Će&lije..."), "&Red", "&Kolona", "&List"};
    QTest::newRow("Konfiguracija")
        << "mnuKonfiguracija"
        << QStringList{"&Izgled", "P&otpuno bojenje", QString::fromUtf8("Pokaži &naslove"),
                       QString::fromUtf8("Pokaži &grid"), QString::fromUtf8("Pokaži &zaglavlja"),
                       QString::fromUtf8("Pokaži &formule"), "R1C1 &Referentni stil", "-",
                       QString::fromUtf8("&Automatsko izračunavanje"), "&Rekalkulacija formula"};
    QTest::newRow("Prozori") << "mnuProzori"
                             << QStringList{"&Kaskadni prikaz", QString::fromUtf8("Pločasto &horizontalno"),
                                            QString::fromUtf8("&Vertikalno pločasto"), "&Minimiziraj sve",
                                            QString::fromUtf8("&Aranžiranje prozora"), "Z&atvori"};
    QTest::newRow("sheet pop-up")
        << "pmSheetPopup"
        << QStringList{"Is&eci", "&Kopiraj", "&Prenesi", "-", QString::fromUtf8("Spajanje ćelija"),
                       QString::fromUtf8("Deljenje ćelija"), "-", QString::fromUtf8("Briši..."), "Ubaci...", "-",
                       "Kolone >", QString::fromUtf8("Ćelije >"), QString::fromUtf8("Pokaži"), "Sakrivanje",
                       QString::fromUtf8("Format ćelija...")};
    QTest::newRow("pop-up Kolone") << "pmSheetKolone" << QStringList{"Sakrivanje", QString::fromUtf8("Pokaži")};
    QTest::newRow("pop-up Ćelije") << "pmSheetCelije" << QStringList{"Sakrivanje", QString::fromUtf8("Prikaži")};
    QTest::newRow("Zof Mirel")
        << "mnuZofMirel"
        << QStringList{"&Nova datoteka", "-", "&Otvori", QString::fromUtf8("&Sačuvaj kao..."),
                       QString::fromUtf8("Sač&uvaj"), "-", QString::fromUtf8("Priprema štampe"),
                       "Pregled", "&Erija >", QString::fromUtf8("Štampa"), "-", "I&zlaz", "-",
                       "Direktno otvaranje MS Excel datoteka"};
    QTest::newRow("Erija") << "Erija1"
                           << QStringList{QString::fromUtf8("Očisti eriju"),
                                          QString::fromUtf8("Štampani deo")};
    QTest::newRow("Pomoć") << "mnuPomoc"
                           << QStringList{"O...", "www.orbeka.example", QString::fromUtf8("Pišite..."),
                                          "Postavite pitanje"};
  }
  void menus() {
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    if (menu.isEmpty()) {
      QStringList titles;
      for (const QAction* action : window_->menuBar()->actions())
        if (action->menu()) titles << action->text();
      QCOMPARE(titles, items);
    } else {
      const auto* found = window_->findChild<QMenu*>(menu);
      QVERIFY(found);
      QCOMPARE(Items(found), items);
    }
  }

  void actions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("category");
    QString category = "File";
    auto row = [&category](const char* name, const char* caption, const char* hint, QKeySequence key,
                           bool enabled) {
      QTest::newRow(name) << name << QString::fromUtf8(caption) << QString::fromUtf8(hint) << key
                          << enabled << category;
    };
    row("actNew", "&Nova datoteka", "Nova lista", {}, true);
    row("actOpenSpreadSheet", "&Otvori", "Otvaranje postojeće liste", QKeySequence("Ctrl+O"), true);
    row("actSaveSpeadSheet", "&Sačuvaj kao...",
        "Čuvanje novoformirane ili izmenjene postojeće tabelarne liste", QKeySequence("Ctrl+S"),
        true);
    row("actSaveAs", "Sač&uvaj", "", {}, true);
    row("actExit", "I&zlaz", "Izlaz iz Mirel-a", QKeySequence("Alt+X"), true);
    row("actStampaPriprema", "Priprema štampe", "Priprema stranice za štampu", {}, true);
    row("acStampaPregled", "Pregled", "Pregled pre štampe", {}, true);
    row("actKlijentErija", "Očisti eriju", "", {}, true);
    row("actErija", "Štampani deo", "Sređivanje štampanog dela lista", {}, true);
    row("actStampa", "Štampa", "Štampa", {}, true);
    category = "Edit";
    row("actCut", "Is&eci", "Iseci deo za prenos", QKeySequence("Ctrl+X"), true);
    row("actCopy", "&Kopiraj", "Kopiraj", QKeySequence("Ctrl+C"), true);
    row("actPaste", "&Prenesi", "Prenesi", QKeySequence("Ctrl+V"), true);
    category = "Cells";
    row("actFormatCells", "Format ćelija...", "", QKeySequence("Ctrl+1"), true);
    row("actHideCells", "Sakrivanje", "", {}, true);
    row("actShowCells", "Pokaži", "", {}, true);
    row("actDeleteCells", "Briši...", "", {}, true);
    row("actInsertCells", "Ubaci...", "", {}, true);
    category = "Cols";
    row("actHideCol", "Sakrivanje", "Sakrivanje kolona", {}, true);
    row("actShowCol", "Pokaži", "Prikaz kolona", {}, true);
    category = "Rows";
    row("actHideRow", "Sakrivanje", "", {}, true);
    row("actShowRow", "Prikaži", "", {}, true);
    category = "Insert";
    row("actCells", "Će&lije...", "", {}, true);
    row("actRow", "&Red", "", {}, true);
    row("actColumn", "&Kolona", "", {}, true);
    row("actSheet", "&List", "", {}, true);
    category = "Configuration";
    row("actBeveledLookandFeel", "&Izgled", "", {}, true);
    row("actBufferedpaint", "P&otpuno bojenje", "", {}, true);
    row("actShowcaptions", "Pokaži &naslove", "", {}, true);
    row("actShowgrid", "Pokaži &grid", "", {}, true);
    row("actShowheaders", "Pokaži &zaglavlja", "", {}, true);
    row("actShowformulas", "Pokaži &formule", "", {}, true);
    row("actR1C1Referencestyle", "R1C1 &Referentni stil", "", {}, true);
    row("actAutomaticCalc", "&Automatsko izračunavanje", "Automatsko izračunavanje", {}, true);
    row("actRecalcFormulas", "&Rekalkulacija formula", "Rekalkulacija formula", {}, true);
    category = "CellAlign";
    row("actCellLeftAlign", "Levo pozicioniranje", "Pozicioniranje teksta uz levu marginu", {}, true);
    row("actCellCenterAlign", "Centralno pozicioniranje", "Centar", {}, true);
    row("actCellRightAlign", "Desno pozicioniranje", "Pozicioniranje teksta uz desnu marginu", {}, true);
    category = "TokenStyle";
    row("actBold", "actBold", "Bold", QKeySequence("Ctrl+B"), true);
    row("actItalic", "actItalic", "Italika", QKeySequence("Ctrl+I"), true);
    row("actUnderline", "actUnderline", "Podvučeno", QKeySequence("Ctrl+U"), true);
    row("actStrikeOut", "actStrikeOut", "Precrtano", {}, true);
    category = "Merge";
    row("actMergeCells", "Spajanje ćelija", "Spajanje ćelija", {}, true);
    row("actSplitCells", "Deljenje ćelija", "Deljenje ćelija", {}, true);
    category = "Sort";
    row("actSortAscending", "actSortAscending", "Sortiranje - uzlazno", {}, true);
    row("actSortDescending", "actSortDescending", "Sortiranje - nizlazno", {}, true);
    category = "Summary";
    row("actSum", "Suma", "", {}, true);
    row("actAverage", "Prosek", "", {}, true);
    row("actCount", "Brojanje", "", {}, true);
    row("actMax", "Maksimum", "", {}, true);
    row("actMin", "Minimum", "", {}, true);
    category = "Others";
    row("actFont", "Karakter", "Karakter", {}, true);
    row("actFontSize", "Veličina karaktera", "Veličina karaktera", {}, true);
    row("actNextSheet", "Sledeći list", "Sledeći list", QKeySequence("Ctrl+PgDown"), true);
    row("actPreviousSheet", "Prethodni list", "Prethodni list", QKeySequence("Ctrl+PgUp"), true);
    row("actSelectAll", "Izaberi sve", "Izaberi sve", QKeySequence("Ctrl+A"), true);
    category = "History";
    // Nothing to undo or redo yet.
    row("actUndo", "Poništi", "Poništi napravljene izmene", {}, false);
    row("actRedo", "Vrati", "Vrati pre poslednjih izmena", {}, false);
    category = "Window";
    row("actWindowCascade", "&Kaskadni prikaz", "Kaskadni prikaz prozora", {}, true);
    row("actWindowTileHorizontal", "Pločasto &horizontalno",
        "Prikaz otvorenih prozora u vidu horizontalno poređanih pločica", {}, true);
    row("actWindowTileVertical", "&Vertikalno pločasto",
        "Prikaz otvorenih prozora u vidu vertikalno poređanih pločica", {}, true);
    row("actWindowMinimizeAll", "&Minimiziraj sve", "Minimiziraj sve otvorene prozore", {}, true);
    row("actWindowArrange", "&Aranžiranje prozora", "", {}, true);
    row("actWindowClose", "Z&atvori", "Zatvori aktivni prozor", {}, true);
    category = "";
    row("O1", "O...", "", {}, true);
    row("miWebSite", "www.orbeka.example", "Posetite nas...", {}, true);
    row("miWriteToMaker", "Pišite...", "email proizvođača", {}, true);
    row("miAskQuestion", "Postavite pitanje", "Email autora", {}, true);
  }
  void actions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(QKeySequence, shortcut);
    QFETCH(bool, enabled);
    QFETCH(QString, category);
    const auto* action = window_->findChild<QAction*>(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->statusTip(), hint);
    if (!hint.isEmpty() && name.startsWith("ac")) QCOMPARE(action->toolTip(), hint);
    QCOMPARE(action->shortcut(), shortcut);
    window_->UpdateActions();
    QCOMPARE(action->isEnabled(), enabled);
    QCOMPARE(action->property("category").toString(), category);
  }

  void toolButtonHintGoesToStatusBar_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("panel");
    QTest::newRow("new") << "" << "actNew" << " Nova lista";
    QTest::newRow("open") << "actNew" << "actOpenSpreadSheet"
                          << QString::fromUtf8(" Otvaranje postojeće liste");
    // A button without a hint shows one blank: the hint left behind is cleared.
    QTest::newRow("save") << "actOpenSpreadSheet" << "actSaveAs" << " ";
  }
  void toolButtonHintGoesToStatusBar() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, panel);
    auto button = [this](const QString& action) {
      return qobject_cast<QToolButton*>(
          window_->tbStandard->widgetForAction(window_->findChild<QAction*>(action)));
    };
    QTest::mouseMove(window_->MdiArea->viewport());
    if (!from.isEmpty()) {
      QTest::mouseMove(button(from));
      QTRY_VERIFY(window_->sbPanel->text().size() > 1);
    }
    window_->sbPanel->setText("unchanged");
    QTest::mouseMove(button(to));
    QTRY_COMPARE(window_->sbPanel->text(), panel);
  }

  void menuHintGoesToStatusBar() {
    // Alt+Z opens "&Zof Mirel" on its first item; Down passes the separator to "Otvori".
    QTest::keyClick(window_.get(), Qt::Key_Z, Qt::AltModifier);
    QTRY_VERIFY(window_->mnuZofMirel->isVisible());
    QTRY_COMPARE(window_->sbPanel->text(), QString(" Nova lista"));
    QTest::keyClick(window_->mnuZofMirel, Qt::Key_Down);
    QTRY_COMPARE(window_->sbPanel->text(), QString::fromUtf8(" Otvaranje postojeće liste"));
    QTest::keyClick(window_->mnuZofMirel, Qt::Key_Down);
    QTRY_COMPARE(window_->sbPanel->text(),
                 QString::fromUtf8(" Čuvanje novoformirane ili izmenjene postojeće tabelarne liste"));
    QTest::keyClick(window_->mnuZofMirel, Qt::Key_Escape);
  }

  void newWindowsAreNumberedByCount() {
    QTest::mouseClick(window_->tbStandard->widgetForAction(window_->actNew), Qt::LeftButton);
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    window_->actNew->trigger();
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2", "Radna knjiga - 3"}));
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 3"));
    QVERIFY(Active()->isMaximized());
    QCOMPARE(window_->windowTitle(), QString("Orbeka: Zof Mirel 3.1 - [Radna knjiga - 3]"));

    // After closing one of three, the next new window is again number 3.
    window_->MdiArea->setActiveSubWindow(Windows()[1]);
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    Windows()[1]->close();
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 3"}));
    window_->actNew->trigger();
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 3", "Radna knjiga - 3"}));
    NoUnansweredDialogs();
  }

  void closingTheOnlyWindowMinimisesIt() {
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    Active()->close();
    QCOMPARE(answers_->Shown, QStringList{CloseQuestion("Radna knjiga - 1")});
    QCOMPARE(Windows().size(), 1);
    QVERIFY(Windows()[0]->isMinimized());
    QVERIFY(files_->Saves.isEmpty());
    NoUnansweredDialogs();
  }

  void closingOneOfTwoDestroysItAndActivatesTheOther() {
    window_->actNew->trigger();
    QPointer<TFeatureChildForm> second = Active();
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    // Ctrl+F4 is the desktop's close key for a document window.
    QTest::keyClick(second.data(), Qt::Key_F4, Qt::ControlModifier);
    QCOMPARE(answers_->Shown, QStringList{CloseQuestion("Radna knjiga - 2")});
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 1"));
    QTRY_VERIFY(second.isNull());
    NoUnansweredDialogs();
  }

  // Yes to the close question, then Cancel in the save dialog: the user chose to keep the
  // edits, so the window stays with its workbook as it was.
  void closeYesWithCancelledDialogKeepsTheWindow() {
    window_->actNew->trigger();
    QPointer<TFeatureChildForm> second = Active();
    TypeInGrid(*second, "izmena");
    QVERIFY(second->Book().Modified());
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ClickCancel());
    QTest::keyClick(second.data(), Qt::Key_F4, Qt::ControlModifier);
    QCOMPARE(answers_->Shown, (QStringList{CloseQuestion("Radna knjiga - 2"), kSaveShown}));
    QCoreApplication::processEvents();
    QVERIFY(!second.isNull());
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    QCOMPARE(Active(), second.data());
    QVERIFY(!second->isMinimized());
    QVERIFY(second->Book().Modified());
    QCOMPARE(CellText(*second, 0, 0), std::string("izmena"));
    QVERIFY(files_->Saves.isEmpty());
    NoUnansweredDialogs();
  }

  void closeYesSavesWithThePrefilledDialog() {
    window_->actNew->trigger();
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then([this](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      QCOMPARE(files->findChild<QLineEdit*>("fileNameEdit")->text(), QString("Radna knjiga - 2"));
      TModalAnswers::ChooseFile(Path("plan.xls"))(dialog);
    });
    Active()->close();
    QCOMPARE(files_->Saves, QStringList{"Radna knjiga - 2 -> " + Path("plan.xls")});
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    NoUnansweredDialogs();
  }

  void failedSaveOnCloseKeepsTheWindow() {
    window_->actNew->trigger();
    files_->FailingSaves << Path("plan.xls");
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ChooseFile(Path("plan.xls")));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    Active()->close();
    QCOMPARE(answers_->Shown.last(), "Zof Mirel | Invalid file " + Path("plan.xls") + " name");
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    NoUnansweredDialogs();
  }

  void openDialogIsAskedWithCtrlO() {
    answers_->Then(TModalAnswers::Cancel());
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(answers_->Shown, QStringList{kOpenShown});
    QCOMPARE(window_->OpenDialog->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(Titles(), QStringList{"Radna knjiga - 1"});
    NoUnansweredDialogs();
  }

  void openLoadsIntoANewWindowCaptionedWithThePath() {
    const QString file = Path("stanje.xls");
    QFile(file).open(QIODevice::WriteOnly);
    answers_->Then(TModalAnswers::ChooseFile(file));
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", file}));
    QCOMPARE(files_->Loads, QStringList{file + " <- " + file});
    QCOMPARE(Active()->windowTitle(), file);
    NoUnansweredDialogs();
  }

  void failedOpenClosesOnlyTheNewWindow() {
    window_->actNew->trigger();
    const QString file = Path("pokvaren.xls");
    QFile(file).open(QIODevice::WriteOnly);
    files_->FailingLoads << file;
    answers_->Then(TModalAnswers::ChooseFile(file));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->actOpenSpreadSheet->trigger();
    // The window that failed to load goes without a question about saving it.
    QCOMPARE(answers_->Shown,
             (QStringList{kOpenShown,
                          QString::fromUtf8("Zof Mirel | Neispravni ili nečitljivi podaci u datoteci ") + file}));
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    QVERIFY(files_->Saves.isEmpty());
    NoUnansweredDialogs();
  }

  void saveAsReplacesTheExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("txt") << "izvestaj.txt" << "izvestaj.xls";
    QTest::newRow("xls") << "izvestaj.xls" << "izvestaj.xls";
    QTest::newRow("none") << "izvestaj" << "izvestaj.xls";
    QTest::newRow("two dots") << "mart.2024.csv" << "mart.2024.xls";
  }
  void saveAsReplacesTheExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    answers_->Then(TModalAnswers::ChooseFile(Path(typed)));
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(answers_->Shown, QStringList{kSaveShown});
    QCOMPARE(files_->Saves, QStringList{"Radna knjiga - 1 -> " + Path(saved)});
    QCOMPARE(Active()->windowTitle(), Path(saved));
    NoUnansweredDialogs();
  }

  void saveGoesToTheDialogOrStraightToThePath_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("silent");
    QTest::newRow("new window") << "Radna knjiga - 1" << false;
    QTest::newRow("absolute path") << "/tmp/zof/plan.xls" << true;
    QTest::newRow("drive letter") << "C:\\plan.xls" << false;
    QTest::newRow("relative") << "plan.xls" << false;
    QTest::newRow("dot relative") << "./plan.xls" << false;
    QTest::newRow("lower case") << "radna knjiga - 1" << false;
  }
  void saveGoesToTheDialogOrStraightToThePath() {
    QFETCH(QString, caption);
    QFETCH(bool, silent);
    Active()->setWindowTitle(caption);
    if (!silent) answers_->Then(TModalAnswers::Cancel());
    window_->actSaveAs->trigger();
    if (silent) {
      QVERIFY(answers_->Shown.isEmpty());
      QCOMPARE(files_->Saves, QStringList{caption + " -> " + caption});
    } else {
      QCOMPARE(answers_->Shown, QStringList{kSaveShown});
      QVERIFY(files_->Saves.isEmpty());
    }
    QCOMPARE(Active()->windowTitle(), caption);
    NoUnansweredDialogs();
  }

  void saveFromDialogRenamesTheWindow() {
    answers_->Then(TModalAnswers::ChooseFile(Path("novi.ods")));
    window_->actSaveAs->trigger();
    QCOMPARE(files_->Saves, QStringList{"Radna knjiga - 1 -> " + Path("novi.xls")});
    QCOMPARE(Active()->windowTitle(), Path("novi.xls"));
    // Now the caption is a path: the next save asks nothing.
    window_->actSaveAs->trigger();
    QCOMPARE(files_->Saves.size(), 2);
    QCOMPARE(files_->Saves.last(), Path("novi.xls") + " -> " + Path("novi.xls"));
    NoUnansweredDialogs();
  }

  void failedSaveKeepsTheCaptionAndShowsTheError() {
    files_->FailingSaves << Path("x.xls");
    answers_->Then(TModalAnswers::ChooseFile(Path("x.xls")));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->actSaveSpeadSheet->trigger();
    QCOMPARE(answers_->Shown.last(), "Zof Mirel | Invalid file " + Path("x.xls") + " name");
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 1"));
    NoUnansweredDialogs();
  }

  void replacingTheExtensionAsksBeforeOverwriting() {
    QFile(Path("stari.xls")).open(QIODevice::WriteOnly);
    answers_->Then(TModalAnswers::ChooseFile(Path("stari.txt")));
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    window_->actSaveSpeadSheet->trigger();
    QCOMPARE(answers_->Shown.last(),
             QString::fromUtf8("Zof Mirel | Datoteka %1 već postoji.\nDa li želite da je zamenite?")
                 .arg(Path("stari.xls")));
    QVERIFY(files_->Saves.isEmpty());
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 1"));
    NoUnansweredDialogs();
  }

  void exitAsksEveryWindowAndSavesTheOneAsked() {
    window_->actNew->trigger();
    window_->MdiArea->setActiveSubWindow(Windows()[1]);
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ChooseFile(Path("prvi.xls")));
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    QTest::keyClick(window_.get(), Qt::Key_X, Qt::AltModifier);
    QCOMPARE(answers_->Shown, (QStringList{CloseQuestion("Radna knjiga - 1"), kSaveShown,
                                           CloseQuestion("Radna knjiga - 2")}));
    // Yes to the first window's question saves that window, not the active one.
    QCOMPARE(files_->Saves, QStringList{"Radna knjiga - 1 -> " + Path("prvi.xls")});
    QVERIFY(!window_->isVisible());
    NoUnansweredDialogs();
  }

  // Exit with three modified windows: No for the first, Yes and then Cancel in the save dialog
  // for the second. The exit stops there: the program stays, every window keeps its edits, the
  // second is shown and the third is not asked.
  void exitStopsAtTheWindowWhoseSaveWasCancelled() {
    window_->actNew->trigger();
    window_->actNew->trigger();
    for (TFeatureChildForm* w : Windows()) {
      window_->MdiArea->setActiveSubWindow(w);
      TypeInGrid(*w, "7");
    }
    answers_->Then(TModalAnswers::Click(QMessageBox::No));
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ClickCancel());
    QTest::keyClick(window_.get(), Qt::Key_X, Qt::AltModifier);
    QCOMPARE(answers_->Shown, (QStringList{CloseQuestion("Radna knjiga - 1"),
                                           CloseQuestion("Radna knjiga - 2"), kSaveShown}));
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2", "Radna knjiga - 3"}));
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 2"));
    for (TFeatureChildForm* w : Windows()) {
      QVERIFY(w->Book().Modified());
      QCOMPARE(CellText(*w, 0, 0), std::string("7"));
    }
    QVERIFY(files_->Saves.isEmpty());
    NoUnansweredDialogs();
  }

  // The same when the save itself fails: its message is shown and the exit stops.
  void exitStopsAtTheWindowWhoseSaveFailed() {
    window_->actNew->trigger();
    files_->FailingSaves << Path("prvi.xls");
    answers_->Then(TModalAnswers::Click(QMessageBox::Yes));
    answers_->Then(TModalAnswers::ChooseFile(Path("prvi.xls")));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    QTest::keyClick(window_.get(), Qt::Key_X, Qt::AltModifier);
    QCOMPARE(answers_->Shown.last(), "Zof Mirel | Invalid file " + Path("prvi.xls") + " name");
    QCOMPARE(answers_->Shown.size(), 3);
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
    QCOMPARE(Titles(), (QStringList{"Radna knjiga - 1", "Radna knjiga - 2"}));
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 1"));
    NoUnansweredDialogs();
  }

  void windowMenuListsTheDocumentWindows() {
    window_->actNew->trigger();
    window_->mnuProzori->popup(window_->mapToGlobal(QPoint(0, 0)));
    QTRY_VERIFY(window_->mnuProzori->isVisible());
    // The arrangement commands, a separator, then the windows.
    QStringList items;
    QStringList checked;
    for (const QAction* action : window_->mnuProzori->actions()) {
      if (action->isSeparator()) {
        items.clear();
        continue;
      }
      items << action->text();
      if (action->isChecked()) checked << action->text();
    }
    QCOMPARE(items, (QStringList{"&1 Radna knjiga - 1", "&2 Radna knjiga - 2"}));
    QCOMPARE(checked, QStringList{"&2 Radna knjiga - 2"});
    QTest::keyClick(window_->mnuProzori, Qt::Key_1);
    QCOMPARE(Active()->windowTitle(), QString("Radna knjiga - 1"));
  }

  void aboutBoxShowsTheLabelsAndClosesOnAClick() {
    bool checked = false;
    answers_->Then([&](QWidget* dialog) {
      auto* about = qobject_cast<TfrmAbout*>(dialog);
      QVERIFY(about);
      QCOMPARE(about->size(), QSize(479, 271));
      QVERIFY(about->windowFlags() & Qt::FramelessWindowHint);
      QCOMPARE(about->lblProgram->text(),
               QString::fromUtf8("Program za tabelarno izračunavanje\nČita MS Excel datoteke"));
      QCOMPARE(about->lblProgram->geometry(), QRect(372, 28, 101, 85));
      QCOMPARE(about->lblMail->text(), QString("email: podrska@orbeka.example"));
      QCOMPARE(about->lblMail->pos(), QPoint(116, 68));
      checked = true;
      QTest::mouseClick(about, Qt::LeftButton, {}, about->lblProgram->geometry().center());
    });
    window_->O1->trigger();
    QVERIFY(checked);
    QCOMPARE(window_->frmAbout->result(), int(QDialog::Accepted));
    QVERIFY(!window_->frmAbout->isVisible());
    NoUnansweredDialogs();
  }

  void webItemsOpenTheMakersAddresses() {
    window_->miWebSite->trigger();
    window_->miAskQuestion->trigger();
    window_->miWriteToMaker->trigger();
    QCOMPARE(urls_, (QList<QUrl>{QUrl("https://www.orbeka.example"),
                                 QUrl("https://podrska.orbeka.example/Pomoc/index.php?a=add"),
                                 QUrl("mailto:podrska@orbeka.example")}));
  }

  void mailAddressIsChecked_data() {
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("opened");
    QTest::newRow("blanks around") << "  ana@orbeka.example " << "mailto:ana@orbeka.example";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only blanks") << "   " << "";
    QTest::newRow("no at sign") << "podrska.orbeka.example" << "";
  }
  void mailAddressIsChecked() {
    QFETCH(QString, mail);
    QFETCH(QString, opened);
    TMakerInfo maker;
    maker.Mail = mail;
    window_->SetMaker(maker);
    if (opened.isEmpty()) answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->miWriteToMaker->trigger();
    if (opened.isEmpty()) {
      QCOMPARE(answers_->Shown, QStringList{QString::fromUtf8("Zof Mirel | Pogrešna EMail adresa")});
      QVERIFY(urls_.isEmpty());
    } else {
      QVERIFY(answers_->Shown.isEmpty());
      QCOMPARE(urls_, QList<QUrl>{QUrl(opened)});
    }
    NoUnansweredDialogs();
  }

  void associationItemRegistersMlsForThisProgram() {
    QStringList calls;
    window_->SetFileAssociation(std::make_unique<TRecordingAssociation>(calls, false));
    window_->miAssociation->trigger();
    QCOMPARE(calls, QStringList{"mls " + QCoreApplication::applicationFilePath()});
    QVERIFY(answers_->Shown.isEmpty());
  }

  void associationFailureIsShown() {
    QStringList calls;
    window_->SetFileAssociation(std::make_unique<TRecordingAssociation>(calls, true));
    answers_->Then(TModalAnswers::Click(QMessageBox::Ok));
    window_->miAssociation->trigger();
    QCOMPARE(answers_->Shown, QStringList{"Zof Mirel | Povezivanje datoteka nije upisano: test"});
    NoUnansweredDialogs();
  }
};

QTEST_MAIN(TestZofMirelGlavna)
#include "tst_zofMirelGlavna.moc"
