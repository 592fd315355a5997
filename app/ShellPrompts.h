#pragma once

#include <QString>

class QWidget;

// The shell's modal questions and messages, as message boxes titled with the application's
// name. Tests and unattended runs may answer them in their place.
class TShellPrompts {
public:
  virtual ~TShellPrompts() = default;
  // A question with the buttons Yes and No, Yes the default; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& text);
  // A warning with the buttons OK and Cancel; true for OK.
  virtual bool Warn(QWidget* parent, const QString& text);
  // An error the application's error handler reports.
  virtual void ShowError(QWidget* parent, const QString& text);
  // A plain message.
  virtual void ShowMessage(QWidget* parent, const QString& text);
};
