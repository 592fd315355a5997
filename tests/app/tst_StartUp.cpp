// Program start-up: the order of the windows, the first document window and the file named on
// the command line.
#include <QApplication>
#include <QMdiArea>
#include <QTest>

#include "FakeWorkbookFiles.h"
#include "ModalAnswers.h"
#include "QuietPrompts.h"
#include "app/SplashForm.h"
#include "app/ZofMirel.h"
#include "app/frmAbout.h"

namespace {

// Records, in order, the first show and paint of the splash window and of the main window, and
// whether the splash window still existed when the main window was first shown.
class TWindowOrder : public QObject {
public:
  TWindowOrder() { qApp->installEventFilter(this); }
  ~TWindowOrder() override { qApp->removeEventFilter(this); }
  QStringList Events;
  bool SplashAliveAtMainShow = true;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show && event->type() != QEvent::Paint) return false;
    const QString kind = event->type() == QEvent::Show ? "show " : "paint ";
    if (auto* splash = qobject_cast<TSplashForm*>(watched)) {
      splash_ = splash;
      Record(kind + "splash");
    } else if (qobject_cast<TzofMirelGlavna*>(watched)) {
      if (event->type() == QEvent::Show && !Events.contains("show main"))
        SplashAliveAtMainShow = !splash_.isNull();
      Record(kind + "main");
    }
    return false;
  }

private:
  void Record(const QString& text) {
    if (!Events.contains(text)) Events << text;
  }
  QPointer<TSplashForm> splash_;
};

}  // namespace

class TestStartUp : public QObject {
  Q_OBJECT

private slots:
  void withoutArgumentOneEmptyWindow() {
    TWindowOrder order;
    auto files = std::make_shared<TFileLog>();
    auto window = StartZofMirel({{}, nullptr, std::make_unique<TFakeWorkbookFiles>(files)});
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCoreApplication::processEvents();

    QCOMPARE(order.Events.mid(0, 3), (QStringList{"show splash", "paint splash", "show main"}));
    QVERIFY(!order.SplashAliveAtMainShow);
    QVERIFY(window->findChildren<TSplashForm*>().isEmpty());
    for (QWidget* top : QApplication::topLevelWidgets())
      QVERIFY(!qobject_cast<TSplashForm*>(top));

    QCOMPARE(QApplication::applicationName(), QString("Zof Mirel"));
    QVERIFY(window->isMaximized());
    QVERIFY(window->frmAbout);
    QVERIFY(!window->frmAbout->isVisible());
    QCOMPARE(window->DocumentWindows().size(), 1);
    QCOMPARE(window->ActiveChild()->windowTitle(), QString("Radna knjiga - 1"));
    QVERIFY(files->Loads.isEmpty());
  }

  void argumentOpensInASecondWindow() {
    auto files = std::make_shared<TFileLog>();
    auto window =
        StartZofMirel({"/tmp/zof/plan.xls", nullptr, std::make_unique<TFakeWorkbookFiles>(files)});
    // Nothing is loaded before the window is shown and the event loop runs.
    QCOMPARE(window->DocumentWindows().size(), 1);
    QTRY_COMPARE(window->DocumentWindows().size(), 2);
    QCOMPARE(window->DocumentWindows()[0]->windowTitle(), QString("Radna knjiga - 1"));
    QCOMPARE(window->DocumentWindows()[1]->windowTitle(), QString("/tmp/zof/plan.xls"));
    QCOMPARE(window->ActiveChild(), window->DocumentWindows()[1]);
    QCOMPARE(files->Loads, QStringList{"/tmp/zof/plan.xls <- /tmp/zof/plan.xls"});
  }

  void badArgumentIsReportedAndOnlyTheFirstWindowStays() {
    TModalAnswers answers;
    answers.Then(TModalAnswers::Click(QMessageBox::Ok));
    auto files = std::make_shared<TFileLog>();
    files->FailingLoads << "/tmp/zof/lose.xls";
    auto window =
        StartZofMirel({"/tmp/zof/lose.xls", nullptr, std::make_unique<TFakeWorkbookFiles>(files)});
    QTRY_COMPARE(answers.Shown.size(), 1);
    // No question about saving the window that failed to load: only the load message.
    QCOMPARE(answers.Shown,
             (QStringList{QString::fromUtf8("Zof Mirel | Neispravni ili nečitljivi podaci u datoteci "
                                            "/tmp/zof/lose.xls")}));
    QVERIFY(files->Saves.isEmpty());
    QCOMPARE(window->DocumentWindows().size(), 1);
    QCOMPARE(window->DocumentWindows()[0]->windowTitle(), QString("Radna knjiga - 1"));
    QVERIFY(answers.Unexpected.isEmpty());
  }

  void quietPromptsKeepTheLoadError() {
    auto prompts = std::make_unique<TQuietPrompts>();
    const TQuietPrompts& quiet = *prompts;
    auto files = std::make_shared<TFileLog>();
    files->FailingLoads << "/tmp/zof/lose.xls";
    auto window = StartZofMirel(
        {"/tmp/zof/lose.xls", std::move(prompts), std::make_unique<TFakeWorkbookFiles>(files)});
    QTRY_COMPARE(quiet.Errors.size(), 1);
    QCOMPARE(quiet.Errors[0],
             QString::fromUtf8("Neispravni ili nečitljivi podaci u datoteci /tmp/zof/lose.xls"));
    QCOMPARE(window->DocumentWindows().size(), 1);
  }
};

QTEST_MAIN(TestStartUp)
#include "tst_StartUp.moc"
