#pragma once

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <functional>

// Answers the modal dialogs a test provokes, in the order they open. Each answer runs from the
// dialog's own event loop once the dialog is shown; a dialog nobody expected is recorded and
// rejected so that the test cannot hang on it.
class TModalAnswers : public QObject {
public:
  using TAnswer = std::function<void(QWidget* dialog)>;

  TModalAnswers() { qApp->installEventFilter(this); }
  ~TModalAnswers() override { qApp->removeEventFilter(this); }

  void Then(TAnswer answer) { answers_.push_back(std::move(answer)); }
  int Pending() const { return static_cast<int>(answers_.size()); }

  // What was shown, as "title | text" for message boxes and "title | filter" for file dialogs.
  QStringList Shown;
  QStringList Unexpected;

  // Clicks a message box button with the mouse.
  static TAnswer Click(QMessageBox::StandardButton which) {
    return [which](QWidget* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      QVERIFY2(box, "a message box was expected");
      QTest::mouseClick(box->button(which), Qt::LeftButton);
    };
  }
  static TAnswer Cancel() {
    return [](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); };
  }
  // Presses a file dialog's Cancel button with the mouse.
  static TAnswer ClickCancel() {
    return [](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      QVERIFY2(files, "a file dialog was expected");
      QTest::mouseClick(files->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                        Qt::LeftButton);
    };
  }
  // Types a file name into a file dialog and presses its accept button.
  static TAnswer ChooseFile(const QString& fileName) {
    return [fileName](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      QVERIFY2(files, "a file dialog was expected");
      files->selectFile(fileName);
      auto* buttons = files->findChild<QDialogButtonBox*>();
      QTest::mouseClick(buttons->button(QDialogButtonBox::Save)
                            ? buttons->button(QDialogButtonBox::Save)
                            : buttons->button(QDialogButtonBox::Open),
                        Qt::LeftButton);
    };
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      auto* widget = qobject_cast<QDialog*>(watched);
      if (widget && widget->isModal() && !seen_.contains(widget)) Answer(widget);
    }
    return false;
  }

private:
  void Answer(QDialog* dialog) {
    seen_ << dialog;
    if (auto* box = qobject_cast<QMessageBox*>(dialog))
      Shown << box->windowTitle() + " | " + box->text();
    else if (auto* files = qobject_cast<QFileDialog*>(dialog))
      Shown << files->windowTitle() + " | " + files->nameFilters().join(";;");
    else
      Shown << dialog->metaObject()->className();
    TAnswer answer;
    if (!answers_.empty()) {
      answer = std::move(answers_.front());
      answers_.pop_front();
    } else {
      Unexpected << Shown.back();
      answer = Cancel();
    }
    QPointer<QDialog> guard(dialog);
    QMetaObject::invokeMethod(
        this,
        [this, guard, answer] {
          if (guard) {
            seen_.removeAll(guard.data());
            answer(guard);
          }
        },
        Qt::QueuedConnection);
  }

  std::deque<TAnswer> answers_;
  QList<QDialog*> seen_;
};
