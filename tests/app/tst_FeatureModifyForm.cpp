// The insert and delete cells dialog: its texts for both directions, its layout, the mode
// numbers of its options, and the keys that accept it or not.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "ModalAnswers.h"
#include "app/FeatureModifyForm.h"

class TestFeatureModifyForm : public QObject {
  Q_OBJECT

private:
  std::unique_ptr<TModalAnswers> answers_;

private slots:
  void init() { answers_ = std::make_unique<TModalAnswers>(); }
  void cleanup() { answers_.reset(); }

  void textsOfBothDirections_data() {
    QTest::addColumn<bool>("insert");
    QTest::addColumn<QStringList>("texts");  // caption, heading, the four options, the buttons
    QTest::newRow("insert") << true
                            << QStringList{"Insert", "Insert", "Shift cells right", "Shift cells top",
                                           "Entire row", "Entire column", "Ok", "Cancel"};
    QTest::newRow("delete") << false
                            << QStringList{"Delete", "Delete", "Shift cells left", "Shift cells top",
                                           "Entire row", "Entire column", "Ok", "Cancel"};
  }
  void textsOfBothDirections() {
    QFETCH(bool, insert);
    QFETCH(QStringList, texts);
    TFeatureModifyForm form;
    QStringList shown;
    answers_->Then([&](QWidget*) {
      shown = QStringList{form.windowTitle(),       form.cxLB->text(),    form.rbShiftCol->text(),
                          form.rbShiftRw->text(),   form.rbRw->text(),    form.rbCol->text(),
                          form.btnOk->text(),       form.btnCancel->text()};
      QTest::mouseClick(form.btnCancel, Qt::LeftButton);
    });
    QVERIFY(!form.Execute(insert));
    QCOMPARE(shown, texts);
  }

  void layoutAsDesigned() {
    TFeatureModifyForm form;
    QCOMPARE(form.size(), QSize(206, 175));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(244, 244, 244));
    QCOMPARE(form.gpPanel->geometry(), QRect(0, 0, 206, 129));
    QCOMPARE(form.rbShiftCol->geometry(), QRect(20, 30, 139, 20));
    QCOMPARE(form.rbShiftRw->geometry(), QRect(20, 54, 139, 21));
    QCOMPARE(form.rbRw->geometry(), QRect(20, 84, 139, 21));
    QCOMPARE(form.rbCol->geometry(), QRect(20, 108, 139, 21));
    QCOMPARE(form.btnOk->geometry(), QRect(10, 138, 92, 27));
    QCOMPARE(form.btnCancel->geometry(), QRect(108, 138, 93, 27));
    QVERIFY(form.btnOk->isDefault());
    QVERIFY(form.rbShiftCol->isChecked());
    // No buttons in the caption bar.
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowSystemMenuHint));
  }

  void optionsGiveTheirModes_data() {
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("mode");
    // Entire row is mode 3 and entire column 2: not in the order of the options.
    QTest::newRow("unchanged") << -1 << 0;
    QTest::newRow("shift cells top") << 1 << 1;
    QTest::newRow("entire row") << 2 << 3;
    QTest::newRow("entire column") << 3 << 2;
    QTest::newRow("shift cells sideways") << 0 << 0;
  }
  void optionsGiveTheirModes() {
    QFETCH(int, option);
    QFETCH(int, mode);
    TFeatureModifyForm form;
    QRadioButton* options[] = {form.rbShiftCol, form.rbShiftRw, form.rbRw, form.rbCol};
    answers_->Then([&](QWidget*) {
      if (option >= 0) QTest::mouseClick(options[option], Qt::LeftButton);
      QTest::mouseClick(form.btnOk, Qt::LeftButton);
    });
    QVERIFY(form.Execute(true));
    QCOMPARE(form.Mode(), mode);
  }

  void enterAcceptsTheOptionWithTheFocus() {
    TFeatureModifyForm form;
    answers_->Then([&](QWidget*) {
      form.rbRw->setFocus();
      QTest::keyClick(form.rbRw, Qt::Key_Space);
      QTest::keyClick(form.rbRw, Qt::Key_Return);
    });
    QVERIFY(form.Execute(false));
    QCOMPARE(form.Mode(), 3);
  }

  void escapeAndClosingLeaveItOpen() {
    TFeatureModifyForm form;
    bool stillOpen = false;
    answers_->Then([&](QWidget*) {
      QTest::mouseClick(form.rbCol, Qt::LeftButton);
      QTest::keyClick(&form, Qt::Key_Escape);
      form.close();
      stillOpen = form.isVisible();
      QTest::mouseClick(form.btnOk, Qt::LeftButton);
    });
    QVERIFY(form.Execute(true));
    QVERIFY(stillOpen);
    QCOMPARE(form.Mode(), 2);
  }

  void cancelKeepsTheModeAsItWas() {
    TFeatureModifyForm form;
    answers_->Then([&](QWidget*) {
      QTest::mouseClick(form.rbRw, Qt::LeftButton);
      QTest::mouseClick(form.btnOk, Qt::LeftButton);
    });
    QVERIFY(form.Execute(true));
    answers_->Then([&](QWidget*) {
      QTest::mouseClick(form.rbCol, Qt::LeftButton);
      QTest::mouseClick(form.btnCancel, Qt::LeftButton);
    });
    QVERIFY(!form.Execute(true));
    QCOMPARE(form.Mode(), 3);
    QCOMPARE(answers_->Pending(), 0);
  }
};

QTEST_MAIN(TestFeatureModifyForm)
#include "tst_FeatureModifyForm.moc"
