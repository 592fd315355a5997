#pragma once

#include <QStringList>

class QWidget;

// The shell's modal questions and messages. The application shows message boxes; the
// screenshot run answers without asking (TQuietPrompts).
class TShellPrompts {
public:
  virtual ~TShellPrompts() = default;
  // A question with the buttons Yes and No; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& text);
  // An error the application's error handler reports.
  virtual void ShowError(QWidget* parent, const QString& text);
  // A plain message.
  virtual void ShowMessage(QWidget* parent, const QString& text);
};

// Answers No to every question and keeps the errors instead of showing them.
class TQuietPrompts : public TShellPrompts {
public:
  bool Confirm(QWidget*, const QString&) override { return false; }
  void ShowError(QWidget*, const QString& text) override { Errors << text; }
  void ShowMessage(QWidget*, const QString& text) override { Errors << text; }
  QStringList Errors;
};
