#pragma once

#include <QObject>
#include <QString>
#include <functional>

// For runs nobody watches (zofmirel --screenshot), which must never wait for an answer: every
// message box, whoever shows it (the shell, the formula engine), is answered with its default
// button as soon as it is shown, and its text is reported; any other modal dialog is
// cancelled, its title reported. Works while it exists, for the whole application.
class TUnattendedAnswers : public QObject {
public:
  explicit TUnattendedAnswers(std::function<void(const QString& text)> report);
  ~TUnattendedAnswers() override;

  // True once an error message (a box with the critical icon) has been answered.
  bool ErrorAnswered() const { return errorAnswered_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  std::function<void(const QString&)> report_;
  bool errorAnswered_ = false;
};
