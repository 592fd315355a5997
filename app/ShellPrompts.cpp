#include "app/ShellPrompts.h"

#include <QApplication>
#include <QMessageBox>

#include "app/ShellTexts.h"

namespace {
int Ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, QString::fromUtf8(kApplicationTitle), text, buttons, parent);
  box.setDefaultButton(defaultButton);
  return box.exec();
}
}  // namespace

bool TShellPrompts::Confirm(QWidget* parent, const QString& text) {
  return Ask(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
             QMessageBox::Yes) == QMessageBox::Yes;
}

bool TShellPrompts::Warn(QWidget* parent, const QString& text) {
  return Ask(parent, QMessageBox::Warning, text, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Ok) == QMessageBox::Ok;
}

void TShellPrompts::ShowError(QWidget* parent, const QString& text) {
  Ask(parent, QMessageBox::Critical, text, QMessageBox::Ok, QMessageBox::Ok);
}

void TShellPrompts::ShowMessage(QWidget* parent, const QString& text) {
  Ask(parent, QMessageBox::NoIcon, text, QMessageBox::Ok, QMessageBox::Ok);
}
