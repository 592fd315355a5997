#include "app/UnattendedAnswers.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

// The button Enter would press: the one set as default, else the push button the dialog made
// its default when it was shown, else the one Escape would press, else the first.
QAbstractButton* DefaultButton(QMessageBox& box) {
  if (box.defaultButton()) return box.defaultButton();
  for (QPushButton* button : box.findChildren<QPushButton*>())
    if (button->isDefault()) return button;
  if (box.escapeButton()) return box.escapeButton();
  const QList<QAbstractButton*> buttons = box.buttons();
  return buttons.isEmpty() ? nullptr : buttons.first();
}

}  // namespace

TUnattendedAnswers::TUnattendedAnswers(std::function<void(const QString&)> report)
    : report_(std::move(report)) {
  qApp->installEventFilter(this);
}

TUnattendedAnswers::~TUnattendedAnswers() { qApp->removeEventFilter(this); }

bool TUnattendedAnswers::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Show) return false;
  auto* dialog = qobject_cast<QDialog*>(watched);
  if (!dialog || !dialog->isModal()) return false;
  // The answer runs from the dialog's own event loop, which starts after the show.
  QPointer<QDialog> guard(dialog);
  if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
    report_(box->informativeText().isEmpty() ? box->text()
                                             : box->text() + "\n" + box->informativeText());
    if (box->icon() == QMessageBox::Critical) errorAnswered_ = true;
    QMetaObject::invokeMethod(
        this,
        [guard] {
          auto* box = qobject_cast<QMessageBox*>(guard.data());
          if (!box) return;
          if (QAbstractButton* button = DefaultButton(*box))
            button->click();
          else
            box->reject();
        },
        Qt::QueuedConnection);
  } else {
    report_(dialog->windowTitle());
    QMetaObject::invokeMethod(
        this, [guard] { if (guard) guard->reject(); }, Qt::QueuedConnection);
  }
  return false;
}
