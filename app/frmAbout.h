#pragma once

#include <QDialog>
#include <QPixmap>

#include "app/MakerInfo.h"

class QLabel;

// The about box: a borderless picture with two silver labels, closed by a click anywhere on it.
class TfrmAbout : public QDialog {
  Q_OBJECT

public:
  TfrmAbout(const TMakerInfo& maker, QWidget* owner);
  void SetMaker(const TMakerInfo& maker);

  QLabel* lblProgram = nullptr;
  QLabel* lblMail = nullptr;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  QPixmap picture_;
};
