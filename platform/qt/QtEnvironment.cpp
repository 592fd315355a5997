#include "platform/qt/QtEnvironment.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtRegionalSettings.h"
#include "platform/qt/QtTextMeasurer.h"
#include "platform/qt/QtTextServices.h"

int ScreenPixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 96;
  const int dpi = static_cast<int>(std::lround(screen->logicalDotsPerInch()));
  return dpi > 0 ? dpi : 96;
}

double LocalNowSerial() {
  const QDateTime now = QDateTime::currentDateTime();
  static const QDate kEpoch(1899, 12, 30);
  const double days = static_cast<double>(kEpoch.daysTo(now.date()));
  return days + now.time().msecsSinceStartOfDay() / 86400000.0;
}

std::shared_ptr<TcxEnvironment> MakeQtEnvironment() {
  const QLocale locale = QLocale::system();
  auto env = std::make_shared<TcxEnvironment>();
  env->Settings = CaptureRegionalSettings(locale);
  env->PixelsPerInch = ScreenPixelsPerInch();
  env->Text = std::make_shared<TQtTextServices>(locale);
  env->Measurer = std::make_shared<TQtTextMeasurer>(env->PixelsPerInch);
  env->Clipboard = std::make_shared<TQtClipboard>();
  env->Messages = std::make_shared<TQtMessageBox>();
  env->Now = LocalNowSerial;
  return env;
}

void InstallQtEnvironment() { TcxEnvironment::SetDefault(MakeQtEnvironment()); }
