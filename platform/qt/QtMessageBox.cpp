#include "platform/qt/QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>

void TQtMessageBox::ShowMessage(const std::string& text) {
  QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                           QString::fromStdString(text));
}
