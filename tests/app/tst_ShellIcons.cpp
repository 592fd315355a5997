// The pictures of the commands: every item of a menu or tool bar has one, drawn for each size
// it is shown at (16 and 24 pixels, and twice that at a device pixel ratio of 2), taken from the
// desktop's icon theme where the theme has the command's name.
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <set>

#include "app/BordersMenu.h"
#include "app/MainActions.h"
#include "app/ShellIcons.h"
#include "app/zofMirelGlavna.h"

namespace {

// Pixels that are not fully transparent.
int Drawn(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0;
  return count;
}

// Every menu reachable from the menu bar and the sheet pop-up menu, with their sub-menus.
void CollectMenus(QMenu* menu, QList<QMenu*>& menus) {
  menus << menu;
  for (QAction* action : menu->actions())
    if (action->menu()) CollectMenus(action->menu(), menus);
}

}  // namespace

class TestShellIcons : public QObject {
  Q_OBJECT

private slots:
  void everyPictureIsDrawnForEverySize() {
    std::set<QString> pictures;
    for (const TMainAction& action : MainActions())
      if (*action.Picture) pictures.insert(action.Picture);
    for (const char* extra : {"association", "about", "web-site", "write", "ask", "sum", "borders"})
      pictures.insert(extra);
    for (int k = 0; k < 12; ++k) pictures.insert(QString("border-%1").arg(k));
    for (const QString& picture : pictures) {
      const QIcon icon = OwnPicture(picture.toLatin1().constData());
      QVERIFY2(!icon.isNull(), qPrintable(picture));
      QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}}));
      for (const int size : kPictureSizes) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY2(Drawn(image) > size * size / 10, qPrintable(QString("%1 at %2").arg(picture).arg(size)));
      }
      // At twice the pixels the picture drawn for that size is used, not a stretched one.
      for (const int size : {16, 24}) {
        const QPixmap sharp = icon.pixmap(QSize(size, size), 2.0);
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        // Compared premultiplied, as a pixmap holds them: taking the alpha back out rounds
        // half-transparent pixels differently on different processors.
        QImage pixels = sharp.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        pixels.setDevicePixelRatio(1.0);
        QCOMPARE(pixels,
                 QImage(QString(":/icons/%1/%2.png").arg(2 * size).arg(picture))
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied));
      }
    }
  }

  void noMenuItemOrToolButtonWithoutAPicture() {
    TzofMirelGlavna window;
    window.NewWorkbookWindow();
    QList<QMenu*> menus;
    for (QAction* action : window.menuBar()->actions()) CollectMenus(action->menu(), menus);
    CollectMenus(window.pmSheetPopup, menus);
    menus << window.pmSummary;
    int items = 0;
    for (const QMenu* menu : menus) {
      for (const QAction* action : menu->actions()) {
        if (action->isSeparator() || action->menu()) continue;
        QVERIFY2(!action->icon().isNull(), qPrintable(menu->objectName() + ": " + action->text()));
        ++items;
      }
    }
    QVERIFY(items > 60);
    for (const QToolBar* bar : window.findChildren<QToolBar*>()) {
      for (const QToolButton* button : bar->findChildren<QToolButton*>()) {
        if (button->objectName() == "qt_toolbar_ext_button") continue;
        QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
        QVERIFY(Drawn(button->icon().pixmap(bar->iconSize()).toImage()) > 0);
      }
    }
  }

  void borderPresetsAreTwelveDifferentPictures() {
    TBordersMenu menu;
    std::set<QByteArray> seen;
    for (int k = 0; k < TBordersMenu::kPresetCount; ++k) {
      const QImage image = menu.Preset(k)->icon().pixmap(QSize(24, 24)).toImage();
      QCOMPARE(image.size(), QSize(24, 24));
      seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
      QCOMPARE(menu.PresetButton(k)->iconSize(), QSize(24, 24));
    }
    QCOMPARE(seen.size(), size_t(12));
  }

  void theDesktopThemeComesFirst() {
    // A theme that has "edit-cut" (all red) but no "edit-copy".
    QTemporaryDir themes;
    QDir(themes.path()).mkpath("proba/16x16/actions");
    QFile index(themes.filePath("proba/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=proba\nDirectories=16x16/actions\n\n[16x16/actions]\nSize=16\n"
                "Type=Fixed\nContext=Actions\n");
    index.close();
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(themes.filePath("proba/16x16/actions/edit-cut.png")));
    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({themes.path()});
    QIcon::setThemeName("proba");

    const QImage cut = ShellIcon("cut", "edit-cut").pixmap(QSize(16, 16)).toImage();
    const QImage copy = ShellIcon("copy", "edit-copy").pixmap(QSize(16, 16)).toImage();
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(paths);

    QCOMPARE(cut.pixelColor(8, 8), QColor(Qt::red));
    QCOMPARE(copy.convertToFormat(QImage::Format_ARGB32),
             QImage(":/icons/16/copy.png").convertToFormat(QImage::Format_ARGB32));
  }
};

QTEST_MAIN(TestShellIcons)
#include "tst_ShellIcons.moc"
