// Long loads and saves: the busy cursor while they run and, once one has taken its delay, its
// progress in the status bar; everything put back afterwards, also after a failure.
#include <QApplication>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>

#include "QuietPrompts.h"
#include "WorkbookWindowDriver.h"
#include "app/FeatureChildForm.h"
#include "app/FileProgress.h"
#include "app/WorkbookFiles.h"
#include "app/zofMirelGlavna.h"
#include "sheet/cxSpreadSheetBook.h"

using namespace std::chrono_literals;

namespace {

const QString kCorpus = QString::fromUtf8(ZOF_CORPUS_DIR);

bool Busy() {
  return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

}  // namespace

class TestFileProgress : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TzofMirelGlavna> window_;

  QProgressBar& Bar() { return *window_->pbProgress; }

  // The main window with the workbook's own files, showing progress from the first percentage.
  TBookFiles& Files() {
    auto files = std::make_unique<TBookFiles>();
    files->ProgressDelay = 0ms;
    TBookFiles& kept = *files;
    window_->SetWorkbookFiles(std::move(files));
    return kept;
  }

private slots:
  void init() {
    window_ = TWorkbookWindowDriver::ShowMainWindow();
    QVERIFY(window_->isVisible());
  }
  void cleanup() {
    window_.reset();
    QVERIFY(!QApplication::overrideCursor());
  }

  void progressShowsAfterItsDelay_data() {
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("shown");
    QTest::newRow("long") << 0 << true;
    QTest::newRow("short") << 3600000 << false;
  }
  void progressShowsAfterItsDelay() {
    QFETCH(int, delay);
    QFETCH(bool, shown);
    TcxSpreadSheetBook& book = window_->ActiveChild()->Book();
    QList<int> heard;
    book.OnProgress = [&](TcxCustomSpreadSheetBook&, int percent) { heard << percent; };
    QVERIFY(Bar().isHidden());
    {
      TFileProgress progress(Bar(), book, std::chrono::milliseconds(delay));
      QVERIFY(Busy());
      for (int percent : {0, 30, 30, 75}) book.OnProgress(book, percent);
      QCOMPARE(Bar().isVisible(), shown);
      QCOMPARE(Bar().value(), shown ? 75 : -1);
      QVERIFY(Busy());
    }
    // The workbook's own handler heard everything and is back in place.
    QCOMPARE(heard, (QList<int>{0, 30, 30, 75}));
    book.OnProgress(book, 90);
    QCOMPARE(heard.last(), 90);
    QVERIFY(Bar().isHidden());
    QVERIFY(!QApplication::overrideCursor());
  }

  void aLoadShowsItsProgress() {
    Files();
    QSignalSpy values(&Bar(), &QProgressBar::valueChanged);
    bool busyWhileLoading = false;
    connect(&Bar(), &QProgressBar::valueChanged, this, [&] { busyWhileLoading = Busy(); });
    const QString file = kCorpus + "/poi-46904.xls";
    QVERIFY(window_->Guarded([&] { window_->OpenWorkbookFile(file); }));
    QVERIFY(values.size() >= 3);
    int last = -1;
    for (const QList<QVariant>& value : values) {
      QVERIFY(value[0].toInt() >= last);
      last = value[0].toInt();
    }
    QVERIFY(last <= 100);
    QVERIFY(busyWhileLoading);
    QVERIFY(Bar().isHidden());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(window_->ActiveChild()->windowTitle(), file);
  }

  void aSaveShowsItsProgress() {
    Files();
    QSignalSpy values(&Bar(), &QProgressBar::valueChanged);
    QTemporaryDir folder;
    const QString file = folder.filePath("spremljeno.xls");
    TcxSpreadSheetBook& book = window_->ActiveChild()->Book();
    book.SetPageCount(4);
    window_->ActiveChild()->setWindowTitle(file);
    QVERIFY(window_->Guarded([&] { window_->SaveWorkbook(); }));
    QVERIFY(QFile::exists(file));
    QVERIFY(values.size() >= 3);
    QVERIFY(Bar().isHidden());
    QVERIFY(!QApplication::overrideCursor());
  }

  void aFailedLoadPutsEverythingBack() {
    Files();
    const QString file = kCorpus + "/malformed/libxls-xls2csv_ole_read_MSAT_772.xls";
    window_->SetPrompts(std::make_unique<TQuietPrompts>());
    QVERIFY(!window_->Guarded([&] { window_->OpenWorkbookFile(file); }));
    QVERIFY(Bar().isHidden());
    QVERIFY(!QApplication::overrideCursor());
  }
};

QTEST_MAIN(TestFileProgress)
#include "tst_FileProgress.moc"
