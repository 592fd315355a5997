#include "app/ShellIcons.h"

#include <QFile>

// Static libraries need their resources registered by name, outside any namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

QIcon OwnPicture(const char* picture) {
  static const bool registered = (InitIconResources(), true);
  (void)registered;
  QIcon icon;
  for (const int size : kPictureSizes) {
    const QString file = QString(":/icons/%1/%2.png").arg(size).arg(QLatin1String(picture));
    if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
  }
  return icon;
}

QIcon ShellIcon(const char* picture, const char* themeName) {
  QIcon own = OwnPicture(picture);
  if (!themeName || !*themeName) return own;
  return QIcon::fromTheme(QLatin1String(themeName), own);
}

QIcon BorderPresetIcon(int index) {
  return OwnPicture(QString("border-%1").arg(index).toLatin1().constData());
}
