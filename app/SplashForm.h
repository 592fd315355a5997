#pragma once

#include <QPixmap>
#include <QWidget>

// The borderless picture shown while the program builds its windows. Show() paints it at once,
// before the event loop runs.
class TSplashForm : public QWidget {
  Q_OBJECT

public:
  TSplashForm();
  void ShowAndPaint();

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QPixmap picture_;
};
