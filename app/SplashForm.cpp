#include "app/SplashForm.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TSplashForm::TSplashForm()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(":/pictures/splash.png") {
  setObjectName("SplashForm");
  setAttribute(Qt::WA_DeleteOnClose, false);
  resize(473, 281);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TSplashForm::ShowAndPaint() {
  show();
  repaint();
  QGuiApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(rect(), picture_);
}
