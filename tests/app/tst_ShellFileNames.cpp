// The two rules the save commands follow: when a caption is a file path, and how the chosen
// name gets the ".xls" extension.
#include <QTest>

#include "app/ShellFileNames.h"

class TestShellFileNames : public QObject {
  Q_OBJECT

private slots:
  void captionIsFilePath_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("isPath");
    QTest::newRow("new window") << "Radna knjiga - 1" << false;
    QTest::newRow("new window 12") << "Radna knjiga - 12" << false;
    QTest::newRow("the stem itself") << "Radna knjiga" << false;
    QTest::newRow("absolute") << "/home/ana/plan.xls" << true;
    QTest::newRow("absolute non-ascii") << QString::fromUtf8("/home/ana/Šabac.xls") << true;
    QTest::newRow("root") << "/" << true;
    QTest::newRow("relative") << "plan.xls" << false;
    QTest::newRow("dot relative") << "./plan.xls" << false;
    QTest::newRow("upper relative below R") << "Plan.xls" << false;
    QTest::newRow("drive A") << "A:\\plan.xls" << false;
    QTest::newRow("drive R") << "R:\\plan.xls" << false;
    QTest::newRow("backslash") << "\\\\server\\plan.xls" << false;
    QTest::newRow("empty") << "" << false;
  }
  void captionIsFilePath() {
    QFETCH(QString, caption);
    QFETCH(bool, isPath);
    QCOMPARE(CaptionIsFilePath(caption), isPath);
  }

  void replaceExtension_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("result");
    QTest::newRow("txt") << "/a/plan.txt" << "/a/plan.xls";
    QTest::newRow("xls") << "/a/plan.xls" << "/a/plan.xls";
    QTest::newRow("upper") << "/a/plan.XLS" << "/a/plan.xls";
    QTest::newRow("none") << "/a/plan" << "/a/plan.xls";
    QTest::newRow("two dots") << "/a/plan.2024.txt" << "/a/plan.2024.xls";
    QTest::newRow("dotted folder") << "/a.b/plan" << "/a.b/plan.xls";
    QTest::newRow("hidden file") << "/a/.plan" << "/a/.plan.xls";
    QTest::newRow("trailing dot") << "/a/plan." << "/a/plan.xls";
    QTest::newRow("bare") << "plan.ods" << "plan.xls";
  }
  void replaceExtension() {
    QFETCH(QString, name);
    QFETCH(QString, result);
    QCOMPARE(ReplaceExtension(name, ".xls"), result);
  }
};

QTEST_MAIN(TestShellFileNames)
#include "tst_ShellFileNames.moc"
