#pragma once

#include <QStringList>

#include "app/ShellPrompts.h"

// Answers No (Cancel) to every question and keeps the errors and messages instead of showing them.
class TQuietPrompts : public TShellPrompts {
public:
  bool Confirm(QWidget*, const QString&) override { return false; }
  bool Warn(QWidget*, const QString&) override { return false; }
  void ShowError(QWidget*, const QString& text) override { Errors << text; }
  void ShowMessage(QWidget*, const QString& text) override { Errors << text; }
  QStringList Errors;
};
