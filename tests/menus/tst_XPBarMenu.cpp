// The XP look of menus: colour arithmetic, the working colours, the properties, how items are
// measured, and the pixels of grabbed menus and menu bars at device pixel ratios 1 and 2 (icon
// column, gradient, highlight frame, check and radio boxes, images, separators, the flat border,
// the side bar, the menu-bar tab), switching the look on and off, and the main window's instance.
//
// The application palette is fixed in initTestCase, so the system colours are known:
//   Window and Button (212, 208, 200), WindowText black, Highlight (10, 36, 106),
//   HighlightedText white, Dark (128, 128, 128), Mid (160, 160, 160).
// Most pixel tests switch UseSystemColors off and give every colour property its own value.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <cstdlib>
#include <map>
#include <memory>

#include "app/BordersMenu.h"
#include "app/HistoryMenu.h"
#include "app/zofMirelGlavna.h"
#include "menus/XPBarMenu.h"
#include "menus/XPMenuColors.h"
#include "menus/XPMenuStyle.h"

namespace {

const QColor kMenuBack(250, 250, 240);
const QColor kIconBack(200, 220, 240);
const QColor kMenuBarBack(230, 230, 230);
const QColor kSelect(255, 220, 150);
const QColor kSelectBorder(200, 0, 0);
const QColor kSelectFont(0, 0, 128);
const QColor kSeparator(0, 128, 0);
const QColor kChecked(0, 0, 200);
// Lighten (kSelect, 75) and Lighten (kSelect, 50).
const QColor kCheckBack(255, 246, 229);
const QColor kCheckSelectedBack(255, 238, 203);
// Darken (button face, 90) and Darken (button face, 76).
const QColor kShadow1(122, 120, 110);
const QColor kShadow2(136, 134, 124);
const QColor kRed(255, 0, 0);

TColor ToTColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

// A 16 × 16 picture with an alpha channel: a red square from (1, 1) to (14, 14) on a
// transparent edge.
QIcon RedSquare() {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 1; y <= 14; ++y)
    for (int x = 1; x <= 14; ++x) image.setPixelColor(x, y, kRed);
  return QIcon(QPixmap::fromImage(image));
}

// An opaque picture: white with a red square from (4, 4) to (11, 11). Its bottom-left pixel
// says white is its background.
QIcon KeyedSquare() {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::white);
  for (int y = 4; y <= 11; ++y)
    for (int x = 4; x <= 11; ++x) image.setPixelColor(x, y, kRed);
  return QIcon(QPixmap::fromImage(image));
}

// The widget drawn into a pixmap of the given device pixel ratio.
QImage Grab(QWidget* widget, qreal ratio) {
  QPixmap pixmap(widget->size() * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::magenta);
  widget->render(&pixmap);
  return pixmap.toImage();
}

// The colour of logical pixel (x, y), when all its device pixels share it; otherwise invalid.
QColor At(const QImage& image, int x, int y) {
  const int ratio = qRound(image.devicePixelRatio());
  const QColor first = image.pixelColor(x * ratio, y * ratio);
  for (int dy = 0; dy < ratio; ++dy)
    for (int dx = 0; dx < ratio; ++dx)
      if (image.pixelColor(x * ratio + dx, y * ratio + dy) != first) return QColor();
  return first;
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return a.isValid() && std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// Whether any device pixel of the logical rectangle has this colour.
bool Contains(const QImage& image, const QRect& logical, const QColor& colour) {
  const int ratio = qRound(image.devicePixelRatio());
  for (int y = logical.top() * ratio; y < (logical.bottom() + 1) * ratio; ++y)
    for (int x = logical.left() * ratio; x < (logical.right() + 1) * ratio; ++x)
      if (image.pixelColor(x, y) == colour) return true;
  return false;
}

// The rightmost logical column in `logical` holding a pixel far from `background`, or -1.
int RightmostInk(const QImage& image, const QRect& logical, const QColor& background) {
  const int ratio = qRound(image.devicePixelRatio());
  for (int x = logical.right(); x >= logical.left(); --x)
    for (int y = logical.top(); y <= logical.bottom(); ++y)
      if (!Near(image.pixelColor(x * ratio, y * ratio), background, 60)) return x;
  return -1;
}

// A form with a menu bar and one menu of every kind of item:
//   &Datoteka: Otvori (image, Ctrl+O) | Provera (checked) | Izbor (radio, checked) | ---- |
//              Onemogućeno (image, disabled) | Podrazumevano (default) | Više > (Stavka) |
//              Providno (opaque image on white)
struct TMenuForm {
  TMenuForm() {
    form.resize(400, 300);
    menu = form.menuBar()->addMenu(QStringLiteral("&Datoteka"));
    open = menu->addAction(RedSquare(), QStringLiteral("Otvori"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    check = menu->addAction(QStringLiteral("Provera"));
    check->setCheckable(true);
    check->setChecked(true);
    auto* group = new QActionGroup(menu);
    radio = menu->addAction(QStringLiteral("Izbor"));
    radio->setCheckable(true);
    group->addAction(radio);
    radio->setChecked(true);
    separator = menu->addSeparator();
    disabled = menu->addAction(RedSquare(), QString::fromUtf8("Onemogućeno"));
    disabled->setEnabled(false);
    byDefault = menu->addAction(QStringLiteral("Podrazumevano"));
    menu->setDefaultAction(byDefault);
    sub = menu->addMenu(QString::fromUtf8("Više"));
    sub->addAction(QStringLiteral("Stavka"));
    keyed = menu->addAction(KeyedSquare(), QStringLiteral("Providno"));
  }

  // The look with its own colour for everything and no gradient.
  void OwnColours() {
    xp->SetUseSystemColors(false);
    xp->SetGradient(false);
    xp->SetColor(ToTColor(kMenuBack));
    xp->SetIconBackColor(ToTColor(kIconBack));
    xp->SetMenuBarColor(ToTColor(kMenuBarBack));
    xp->SetSelectColor(ToTColor(kSelect));
    xp->SetSelectBorderColor(ToTColor(kSelectBorder));
    xp->SetSelectFontColor(ToTColor(kSelectFont));
    xp->SetSeparatorColor(ToTColor(kSeparator));
    xp->SetCheckedColor(ToTColor(kChecked));
    xp->SetBarStyle(TBarStyle::bsNone);
  }

  void MakeLook() { xp = new TXPBarMenu(&form); }

  void Show() {
    form.show();
    menu->popup(QPoint(20, 20));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
  }

  QRect Item(QAction* action) const { return menu->actionGeometry(action); }

  QMainWindow form;
  QMenu* menu = nullptr;
  QMenu* sub = nullptr;
  QAction* open = nullptr;
  QAction* check = nullptr;
  QAction* radio = nullptr;
  QAction* separator = nullptr;
  QAction* disabled = nullptr;
  QAction* byDefault = nullptr;
  QAction* keyed = nullptr;
  TXPBarMenu* xp = nullptr;
};

}  // namespace

// A menu that draws itself, as the program's own drop-downs do.
class TOwnDrawnMenu : public QMenu {
  Q_OBJECT

public:
  using QMenu::QMenu;
};

class TestXPBarMenu : public QObject {
  Q_OBJECT

  // Every pixel test runs at device pixel ratios 1 and 2.
  static void Ratios() {
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("2x") << 2.0;
  }

private slots:
  void initTestCase() {
    QPalette palette = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(group, QPalette::Window, QColor(212, 208, 200));
      palette.setColor(group, QPalette::Button, QColor(212, 208, 200));
      palette.setColor(group, QPalette::WindowText, Qt::black);
      palette.setColor(group, QPalette::Highlight, QColor(10, 36, 106));
      palette.setColor(group, QPalette::HighlightedText, Qt::white);
      palette.setColor(group, QPalette::Dark, QColor(128, 128, 128));
      palette.setColor(group, QPalette::Mid, QColor(160, 160, 160));
    }
    QApplication::setPalette(palette);
  }

  void colourFunctions_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QColor>("input");
    QTest::addColumn<int>("amount");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("lighten half") << "Lighten" << QColor(200, 100, 0) << 50 << QColor(228, 178, 128);
    QTest::newRow("lighten none") << "Lighten" << QColor(200, 100, 0) << 0 << QColor(200, 100, 0);
    QTest::newRow("lighten over 100") << "Lighten" << QColor(10, 20, 30) << 150 << QColor(255, 255, 255);
    QTest::newRow("darken") << "Darken" << QColor(100, 100, 100) << 30 << QColor(70, 72, 70);
    QTest::newRow("darken kept to 0") << "Darken" << QColor(10, 250, 20) << 30 << QColor(0, 222, 0);
    QTest::newRow("darken green lifted") << "Darken" << QColor(0, 0, 0) << 1 << QColor(0, 1, 0);
    QTest::newRow("darken kept to 255") << "Darken" << QColor(255, 255, 255) << 1 << QColor(254, 255, 254);
    QTest::newRow("grey") << "Grey" << QColor(30, 60, 90) << 70 << QColor(130, 130, 130);
    QTest::newRow("grey at most 240") << "Grey" << QColor(255, 255, 255) << 70 << QColor(240, 240, 240);
    QTest::newRow("grey amount over 100") << "Grey" << QColor(0, 0, 0) << 150 << QColor(100, 100, 100);
  }
  void colourFunctions() {
    QFETCH(QString, function);
    QFETCH(QColor, input);
    QFETCH(int, amount);
    QFETCH(QColor, expected);
    const QColor result = function == "Lighten" ? Lighten(input, amount)
                          : function == "Darken" ? Darken(input, amount)
                                                 : Grey(input, amount);
    QCOMPARE(result, expected);
  }

  void workingColours_data() {
    QTest::addColumn<bool>("system");
    QTest::addColumn<bool>("highColour");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QColor>("expected");
    // System colours: button face (212, 208, 200), highlight (10, 36, 106), shadow grey 128.
    QTest::newRow("system menu back") << true << true << "MenuBack" << QColor(249, 248, 247);
    QTest::newRow("system icon back") << true << true << "IconBack" << QColor(219, 216, 209);
    QTest::newRow("system select back") << true << true << "SelectBack" << QColor(177, 185, 207);
    QTest::newRow("system select border") << true << true << "SelectBorder" << QColor(10, 36, 106);
    QTest::newRow("system select text") << true << true << "SelectText" << QColor(Qt::black);
    QTest::newRow("system separator") << true << true << "Separator" << QColor(160, 160, 160);
    QTest::newRow("system disabled") << true << true << "Disabled" << QColor(141, 141, 141);
    QTest::newRow("system check back") << true << true << "CheckBack" << QColor(194, 200, 218);
    QTest::newRow("system shadow 1") << true << true << "Shadow1" << kShadow1;
    QTest::newRow("system shadow 2") << true << true << "Shadow2" << kShadow2;
    QTest::newRow("system menu bar") << true << true << "MenuBarBack" << QColor(212, 208, 200);
    QTest::newRow("system low menu back") << true << false << "MenuBack" << QColor(Qt::white);
    QTest::newRow("system low icon back") << true << false << "IconBack" << QColor(212, 208, 200);
    QTest::newRow("system low shadow") << true << false << "Shadow1" << QColor(128, 128, 128);
    QTest::newRow("system low check back") << true << false << "CheckSelectedBack" << QColor(Qt::white);
    QTest::newRow("own icon back") << false << true << "IconBack" << kIconBack;
    QTest::newRow("own select border") << false << true << "SelectBorder" << kSelectBorder;
    QTest::newRow("own select text") << false << true << "SelectText" << kSelectFont;
    QTest::newRow("own check back") << false << true << "CheckBack" << kCheckBack;
    QTest::newRow("own check selected") << false << true << "CheckSelectedBack" << kCheckSelectedBack;
    QTest::newRow("own low check selected") << false << false << "CheckSelectedBack" << QColor(192, 192, 192);
    QTest::newRow("own low check back") << false << false << "CheckBack" << QColor(Qt::white);
  }
  void workingColours() {
    QFETCH(bool, system);
    QFETCH(bool, highColour);
    QFETCH(QString, field);
    QFETCH(QColor, expected);
    const TXPMenuColorSettings own{kMenuBack, kIconBack, kMenuBarBack,    kSelect,         kSelectBorder,
                                   kSelectFont, QColor(128, 128, 128), kSeparator, kChecked};
    const TXPMenuColors c = ComputeMenuColors(own, TSystemColors::FromPalette(QApplication::palette()), system,
                                              highColour, QColor(Qt::black));
    const std::map<QString, QColor> fields{
        {"MenuBack", c.MenuBack},       {"IconBack", c.IconBack},       {"SelectBack", c.SelectBack},
        {"SelectBorder", c.SelectBorder}, {"SelectText", c.SelectText}, {"Separator", c.Separator},
        {"Disabled", c.Disabled},       {"CheckBack", c.CheckBack},     {"CheckSelectedBack", c.CheckSelectedBack},
        {"Shadow1", c.Shadow1},         {"Shadow2", c.Shadow2},         {"MenuBarBack", c.MenuBarBack}};
    QCOMPARE(fields.at(field), expected);
  }

  void defaults() {
    QMainWindow form;
    form.setWindowTitle(QStringLiteral("Prozor"));
    TXPBarMenu xp(&form);
    QVERIFY(xp.Active());
    QVERIFY(xp.AutoDetect());
    QVERIFY(!xp.OverrideOwnerDraw());
    QVERIFY(xp.UseSystemColors());
    QCOMPARE(xp.FontColor(), clMenuText);
    QCOMPARE(xp.Color(), clMenu);
    QCOMPARE(xp.IconBackColor(), clMenu);
    QCOMPARE(xp.MenuBarColor(), clMenu);
    QCOMPARE(xp.SelectColor(), clHighlight);
    QCOMPARE(xp.SelectBorderColor(), clActiveBorder);
    QCOMPARE(xp.SelectFontColor(), clHighlightText);
    QCOMPARE(xp.DisabledColor(), RGBColor(128, 128, 128));
    QCOMPARE(xp.SeparatorColor(), RGBColor(128, 128, 128));
    QCOMPARE(xp.CheckedColor(), clHighlight);
    QCOMPARE(xp.IconWidth(), 24);
    QVERIFY(xp.DrawSelect());
    QVERIFY(xp.FlatMenu());
    QVERIFY(xp.Gradient());
    QVERIFY(!xp.Frame3D());
    QCOMPARE(xp.ItemHeight(), 0);
    QCOMPARE(xp.BarStyle(), TBarStyle::bsText);
    QCOMPARE(xp.BarCaption(), QStringLiteral("Prozor"));
    QCOMPARE(xp.BarFontColor(), RGBColor(255, 255, 255));
    QCOMPARE(xp.BarFont(), xp.Font());
    QVERIFY(xp.BarBitmap().isNull());
    QVERIFY(xp.BarStretch());
    QCOMPARE(xp.BarWidth(), 22);
    QCOMPARE(xp.BarColorStart(), RGBColor(0, 0, 255));
    QCOMPARE(xp.BarColorEnd(), RGBColor(0, 0, 0));
    QCOMPARE(xp.BarColorStep(), 100);
    QCOMPARE(xp.Font(), TXPBarMenu::SystemMenuFont());
  }

  void barColorStepKept_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("-5") << -5 << 1;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("50") << 50 << 50;
    QTest::newRow("255") << 255 << 255;
    QTest::newRow("300") << 300 << 255;
  }
  void barColorStepKept() {
    QFETCH(int, value);
    QFETCH(int, stored);
    QWidget form;
    TXPBarMenu xp(&form);
    xp.SetBarColorStep(value);
    QCOMPARE(xp.BarColorStep(), stored);
  }

  void sideBarShown() {
    QWidget form;
    TXPBarMenu xp(&form);
    xp.SetBarCaption(QStringLiteral("Zof"));
    QVERIFY(xp.SideBarShown());
    xp.SetBarCaption(QString());
    QVERIFY(!xp.SideBarShown());
    xp.SetBarStyle(TBarStyle::bsBitmap);
    QVERIFY(!xp.SideBarShown());
    QPixmap picture(4, 4);
    picture.fill(Qt::green);
    xp.SetBarBitmap(picture);
    QVERIFY(xp.SideBarShown());
    xp.SetBarCaption(QStringLiteral("Zof"));
    xp.SetBarStyle(TBarStyle::bsNone);
    QVERIFY(!xp.SideBarShown());
  }

  void gradientPercent_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("rtl");
    QTest::addColumn<int>("percent");
    // Icon column 24: 3 more per column up to column 28, then 1 more, at most 96.
    QTest::newRow("first") << 0 << false << 0;
    QTest::newRow("second") << 1 << false << 3;
    QTest::newRow("sixth") << 5 << false << 15;
    QTest::newRow("end of fast band") << 28 << false << 84;
    QTest::newRow("slow band") << 29 << false << 85;
    QTest::newRow("reaches 96") << 40 << false << 96;
    QTest::newRow("stays 96") << 200 << false << 96;
    QTest::newRow("rtl fast band ends at 18") << 18 << true << 54;
    QTest::newRow("rtl slow band") << 19 << true << 55;
  }
  void gradientPercent() {
    QFETCH(int, column);
    QFETCH(bool, rtl);
    QFETCH(int, percent);
    QCOMPARE(TXPMenuStyle::GradientPercent(column, 24, rtl), percent);
  }

  void barBands() {
    const QColor blue(0, 0, 255);
    const QColor black(0, 0, 0);
    QCOMPARE(TXPMenuStyle::BarBandColor(blue, black, 100, 100), blue);
    QCOMPARE(TXPMenuStyle::BarBandColor(blue, black, 0, 100), black);
    QCOMPARE(TXPMenuStyle::BarBandColor(blue, black, 50, 100), QColor(0, 0, 127));
    QCOMPARE(TXPMenuStyle::BarBandColor(QColor(200, 100, 50), QColor(100, 200, 250), 1, 2), QColor(150, 150, 150));
  }

  // Measuring: separators 4 high, "&" takes no room, the height from the font, the side bar's
  // width and fixed height only while the bar is shown.
  void measuring() {
    TMenuForm f;
    auto* plain = f.menu->addAction(QStringLiteral("Abc"));
    f.MakeLook();
    f.xp->SetBarStyle(TBarStyle::bsNone);
    f.xp->SetItemHeight(40);
    QCOMPARE(f.Item(f.separator).height(), 4);
    const int th = QFontMetrics(f.xp->WorkingFont()).height();
    QCOMPARE(f.Item(plain).height(), th + qRound(th * 0.75));
    QVERIFY(f.Item(f.open).height() >= 20);

    TXPMenuStyle style(*f.xp);
    const auto measure = [&](const QString& text) {
      QStyleOptionMenuItem option;
      option.menuItemType = QStyleOptionMenuItem::Normal;
      option.text = text;
      return style.sizeFromContents(QStyle::CT_MenuItem, &option, QSize(0, 0), nullptr);
    };
    QCOMPARE(measure("A&bc").width(), measure("Abc").width());
    QCOMPARE(measure("Abc").width(), QFontMetrics(f.xp->WorkingFont()).horizontalAdvance("Abc") + 24 + 10);
    // A default item is measured bold.
    QStyleOptionMenuItem defaultItem;
    defaultItem.menuItemType = QStyleOptionMenuItem::DefaultItem;
    defaultItem.text = QStringLiteral("Podrazumevano");
    QFont bold = f.xp->WorkingFont();
    bold.setBold(true);
    QCOMPARE(style.sizeFromContents(QStyle::CT_MenuItem, &defaultItem, QSize(0, 0), nullptr).width(),
             QFontMetrics(bold).horizontalAdvance(defaultItem.text) + 24 + 10);
    QVERIFY(measure(defaultItem.text).width() < QFontMetrics(bold).horizontalAdvance(defaultItem.text) + 24 + 10);
    const int noBar = f.menu->sizeHint().width();

    f.xp->SetBarStyle(TBarStyle::bsText);
    f.xp->SetBarCaption(QStringLiteral("Zof"));
    QCOMPARE(measure("Abc").width(), QFontMetrics(f.xp->WorkingFont()).horizontalAdvance("Abc") + 24 + 10 + 22 + 2);
    QCOMPARE(f.menu->sizeHint().width(), noBar + 24);
    QCOMPARE(f.Item(f.separator).height(), 40);
    QCOMPARE(f.Item(plain).height(), 40);
  }

  void pixels_data() { Ratios(); }
  void highlight_data() { Ratios(); }
  void gradient_data() { Ratios(); }
  void sideBar_data() { Ratios(); }
  void menuBarTab_data() { Ratios(); }
  void longCaptions_data() { Ratios(); }

  // Own colours, no gradient: the panel, the icon column, the check and radio boxes, the
  // separator, the images and the flat border with its shadow.
  void pixels() {
    QFETCH(qreal, ratio);
    TMenuForm f;
    f.MakeLook();
    f.OwnColours();
    f.Show();
    const QImage image = Grab(f.menu, ratio);
    const int w = f.menu->width();
    const int h = f.menu->height();

    // The flat border: frame, inner lines, shadow bands and the see-through corners.
    QCOMPARE(At(image, 0, 0), kShadow1);
    QCOMPARE(At(image, w - 3, h / 2), kShadow1);
    QCOMPARE(At(image, w / 2, h - 3), kShadow1);
    QCOMPARE(At(image, w - 1, h / 2), kShadow2);
    QCOMPARE(At(image, w - 2, h / 2), kShadow2);
    QCOMPARE(At(image, w / 2, h - 1), kShadow2);
    QCOMPARE(At(image, w - 1, 0), kIconBack);
    QCOMPARE(At(image, 0, h - 1), kIconBack);
    QCOMPARE(At(image, 1, h / 2), kIconBack);
    QCOMPARE(At(image, w / 2, 1), kMenuBack);
    QCOMPARE(At(image, 10, 1), kIconBack);  // without gradient the icon column reaches the top

    // A plain item: the icon column and the text area.
    const QRect open = f.Item(f.open);
    QCOMPARE(open.left(), 3);
    QCOMPARE(At(image, open.left() + 1, open.top() + 1), kIconBack);
    QCOMPARE(At(image, open.left() + 23, open.top() + 1), kIconBack);
    QCOMPARE(At(image, open.left() + 24, open.top() + 1), kMenuBack);
    // Its image, washed out: Lighten (red, 30).
    const int iconX = open.left() + 4;
    const int iconY = open.top() + (open.height() - 16) / 2;
    QCOMPARE(At(image, iconX + 8, iconY + 8), QColor(255, 77, 77));
    QCOMPARE(At(image, iconX, iconY + 8), kIconBack);
    QCOMPARE(At(image, iconX - 1, iconY + 8), kIconBack);
    // An opaque picture is drawn without its background colour.
    const QRect keyed = f.Item(f.keyed);
    const int keyedY = keyed.top() + (keyed.height() - 16) / 2;
    QCOMPARE(At(image, iconX + 8, keyedY + 8), QColor(255, 77, 77));
    QCOMPARE(At(image, iconX + 1, keyedY + 1), kIconBack);

    // The disabled item's image in grey: Grey (red, 70).
    const QRect disabled = f.Item(f.disabled);
    QCOMPARE(At(image, iconX + 8, disabled.top() + (disabled.height() - 16) / 2 + 8), QColor(155, 155, 155));

    // The checked item: a 10 × 10 box in the checked colour, filled, with a black tick.
    const QRect check = f.Item(f.check);
    const QRect box(check.left() + 7, check.top() + (check.height() - 10) / 2, 10, 10);
    QCOMPARE(At(image, box.left(), box.top() + 5), kChecked);
    QCOMPARE(At(image, box.right(), box.top() + 5), kChecked);
    QCOMPARE(At(image, box.left() + 5, box.top()), kChecked);
    QCOMPARE(At(image, box.left() + 1, box.top() + 1), kCheckBack);
    QCOMPARE(At(image, box.left() - 1, box.top() + 5), kIconBack);
    QVERIFY(Contains(image, box.adjusted(1, 1, -1, -1), Qt::black));

    // The radio item: a round box in the frame colour around the fill and a black dot.
    const QRect radio = f.Item(f.radio);
    const QRect round(radio.left() + 7, radio.top() + (radio.height() - 10) / 2, 10, 10);
    QVERIFY(Near(At(image, round.left() + 5, round.top() + 5), Qt::black, 40));
    const auto device = [&](int x, int y) { return image.pixelColor(qRound(x * ratio), qRound(y * ratio)); };
    QVERIFY(Near(device(round.left(), round.top() + 5), kSelectBorder, 60));
    QVERIFY(Near(device(round.left() + 5, round.top() + 2), kCheckBack, 50));
    QCOMPARE(At(image, round.left(), round.top()), kIconBack);

    // The separator: 4 high, a line at mid-height from the text area to the right edge.
    const QRect separator = f.Item(f.separator);
    QCOMPARE(separator.height(), 4);
    QCOMPARE(At(image, separator.left() + 30, separator.top() + 2), kSeparator);
    QCOMPARE(At(image, separator.right(), separator.top() + 2), kSeparator);
    QCOMPARE(At(image, separator.left() + 30, separator.top() + 1), kMenuBack);
    QCOMPARE(At(image, separator.left() + 30, separator.top() + 3), kMenuBack);
    QCOMPARE(At(image, separator.left() + 5, separator.top() + 2), kIconBack);

    // The shortcut ends 10 pixels (and a space) from the item's right edge.
    const QRect textBand(open.left() + 24, open.top() + 2, open.width() - 24, open.height() - 4);
    const int rightmost = RightmostInk(image, textBand, kMenuBack);
    QVERIFY2(rightmost <= open.right() - 10 && rightmost >= open.right() - 10 - 12,
             qPrintable(QString("%1 in %2").arg(rightmost).arg(open.right())));

    // The sub-menu item shows an arrow inside its rectangle.
    const QRect more = f.Item(f.sub->menuAction());
    QVERIFY(Contains(image, QRect(more.right() - 9, more.top(), 9, more.height()), Qt::black));
  }

  // The highlighted item: a frame in the select border colour around the select colour, one
  // pixel in from the top, bottom and right; its image lifted over a shadow.
  void highlight() {
    QFETCH(qreal, ratio);
    TMenuForm f;
    f.MakeLook();
    f.OwnColours();
    f.Show();
    f.menu->setActiveAction(f.open);
    QImage image = Grab(f.menu, ratio);
    const QRect open = f.Item(f.open);
    QCOMPARE(At(image, open.left() + 40, open.top()), kMenuBack);
    QCOMPARE(At(image, open.left() + 40, open.top() + 1), kSelectBorder);
    QCOMPARE(At(image, open.left() + 40, open.top() + 2), kSelect);
    QCOMPARE(At(image, open.left() + 40, open.bottom() - 1), kSelectBorder);
    QCOMPARE(At(image, open.left() + 40, open.bottom()), kMenuBack);
    QCOMPARE(At(image, open.left(), open.top() + 3), kSelectBorder);
    QCOMPARE(At(image, open.right() - 1, open.top() + 3), kSelectBorder);
    QCOMPARE(At(image, open.right(), open.top() + 3), kMenuBack);
    QCOMPARE(At(image, open.left() + 1, open.top() + 3), kSelect);  // the icon column is covered too
    const int iconX = open.left() + 4;
    const int iconY = open.top() + (open.height() - 16) / 2;
    // Lifted one pixel up and left (the square now from iconX to iconX + 13), its shadow two
    // pixels right and down of it (iconX + 2 to iconX + 15).
    QCOMPARE(At(image, iconX, iconY), kRed);
    QCOMPARE(At(image, iconX + 13, iconY + 13), kRed);
    QCOMPARE(At(image, iconX + 14, iconY + 14), Darken(kSelect, 50));
    QCOMPARE(At(image, iconX + 15, iconY + 15), QColor(205, 172, 100));
    QCOMPARE(At(image, iconX + 16, iconY + 16), kSelect);
    QCOMPARE(At(image, iconX - 1, iconY - 1), kSelect);

    // A highlighted checked item fills its box with the selected check colour.
    f.menu->setActiveAction(f.check);
    image = Grab(f.menu, ratio);
    const QRect check = f.Item(f.check);
    const QRect box(check.left() + 7, check.top() + (check.height() - 10) / 2, 10, 10);
    QCOMPARE(At(image, box.left() + 1, box.top() + 1), kCheckSelectedBack);
    QCOMPARE(At(image, box.left(), box.top() + 5), kChecked);

    // Without DrawSelect nothing is framed.
    f.xp->SetDrawSelect(false);
    image = Grab(f.menu, ratio);
    QCOMPARE(At(image, check.left() + 40, check.top() + 1), kMenuBack);
  }

  // With the system colours and the gradient: the pixel columns of an item grow lighter, three
  // steps a column across the icon column and five more, one after them, up to 96.
  void gradient() {
    QFETCH(qreal, ratio);
    TMenuForm f;
    f.MakeLook();
    f.xp->SetBarStyle(TBarStyle::bsNone);
    f.Show();
    const QImage image = Grab(f.menu, ratio);
    const QRect check = f.Item(f.check);
    // IconBack is Lighten (button face, 16) = (219, 216, 209).
    const std::pair<int, QColor> columns[] = {{0, QColor(219, 216, 209)}, {1, QColor(220, 217, 210)},
                                              {5, QColor(224, 222, 216)}, {28, QColor(249, 249, 248)},
                                              {29, QColor(250, 249, 248)}, {40, QColor(254, 253, 253)},
                                              {60, QColor(254, 253, 253)}};
    for (const auto& [column, colour] : columns)
      QCOMPARE(At(image, check.left() + column, check.top()), colour);
    // The separator's line runs from the item's left edge with the gradient.
    const QRect separator = f.Item(f.separator);
    QCOMPARE(At(image, separator.left() + 1, separator.top() + 2), QColor(160, 160, 160));
    // The border's inner line along the left is the icon column's colour.
    QCOMPARE(At(image, 1, f.menu->height() / 2), QColor(219, 216, 209));
  }

  // The side bar: the top band in the start colour, a margin of one pixel, the items moved right.
  void sideBar() {
    QFETCH(qreal, ratio);
    TMenuForm f;
    f.MakeLook();
    f.OwnColours();
    f.xp->SetBarStyle(TBarStyle::bsText);
    f.xp->SetBarCaption(QStringLiteral("Zof"));
    f.Show();
    QImage image = Grab(f.menu, ratio);
    const QRect open = f.Item(f.open);
    QCOMPARE(At(image, 14, 4), QColor(0, 0, 255));
    QCOMPARE(At(image, 24, 4), QColor(0, 0, 255));
    QCOMPARE(At(image, 25, 4), kIconBack);
    QCOMPARE(At(image, 3, open.top() + 1), kMenuBack);
    QCOMPARE(At(image, 14, 3), kMenuBack);
    QCOMPARE(At(image, open.left() + 22 + 1, open.top() + 1), kIconBack);
    QCOMPARE(At(image, open.left() + 22 + 24, open.top() + 1), kMenuBack);
    // Lower bands darken towards the end colour.
    const QColor low = At(image, 24, f.menu->height() - 6);
    QVERIFY(low.isValid() && low.blue() < 40 && low.red() == 0);

    // OnDrawBar may keep the bar from being drawn.
    f.xp->OnDrawBar = [](QAction*, QPainter&, bool& show, const QRect&) { show = false; };
    f.menu->update();
    image = Grab(f.menu, ratio);
    QCOMPARE(At(image, 14, 4), kMenuBack);
    f.xp->OnDrawBar = nullptr;

    // A picture, stretched over the bar or standing unscaled on its bottom.
    QPixmap picture(10, 10);
    picture.fill(QColor(0, 200, 0));
    f.xp->SetBarStyle(TBarStyle::bsBitmap);
    f.xp->SetBarBitmap(picture);
    image = Grab(f.menu, ratio);
    QCOMPARE(At(image, 14, 4), QColor(0, 200, 0));
    f.xp->SetBarStretch(false);
    image = Grab(f.menu, ratio);
    QCOMPARE(At(image, 14, 4), kMenuBack);
    QCOMPARE(At(image, 6, f.menu->height() - 6), QColor(0, 200, 0));
    QCOMPARE(At(image, 15, f.menu->height() - 6), kMenuBack);
  }

  // The open menu-bar item: a tab in the icon column's colour, framed left, top and right.
  void menuBarTab() {
    QFETCH(qreal, ratio);
    TMenuForm f;
    f.MakeLook();
    f.OwnColours();
    f.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.form));
    QMenuBar* bar = f.form.menuBar();
    QImage image = Grab(bar, ratio);
    const QRect item = bar->actionGeometry(f.menu->menuAction());
    QCOMPARE(At(image, item.left() + 2, item.top() + 1), kMenuBarBack);
    QCOMPARE(At(image, bar->width() - 5, bar->height() / 2), kMenuBarBack);
    bar->setActiveAction(f.menu->menuAction());
    image = Grab(bar, ratio);
    QCOMPARE(At(image, item.left(), item.top() + 5), kShadow1);
    QCOMPARE(At(image, item.left() + 5, item.top()), kShadow1);
    QCOMPARE(At(image, item.right() - 3, item.top() + 5), kShadow1);
    QCOMPARE(At(image, item.left() + 2, item.bottom()), kIconBack);
    QCOMPARE(At(image, item.right() - 2, item.bottom()), Darken(kMenuBarBack, 100));
    QCOMPARE(At(image, item.right(), item.top() + 1), kMenuBarBack);
    f.menu->close();
  }

  // Switching the look off gives the platform's menus back, pixel for pixel; on again, the look.
  void switchingOff() {
    TMenuForm f;
    f.form.show();
    f.Show();
    QMenuBar* bar = f.form.menuBar();
    const QFont nativeFont = f.menu->font();
    const QSize nativeSize = f.menu->size();
    const QImage nativeMenu = Grab(f.menu, 1);
    const QImage nativeBar = Grab(bar, 1);

    f.MakeLook();
    QVERIFY(f.menu->style() != QApplication::style());
    QVERIFY(f.xp->IsHooked(f.menu));
    QVERIFY(f.xp->IsHooked(f.sub));
    QVERIFY(f.xp->IsHooked(bar));
    const QImage drawn = Grab(f.menu, 1);
    QVERIFY(drawn != nativeMenu);
    QVERIFY(Grab(bar, 1) != nativeBar);

    f.xp->SetActive(false);
    QCOMPARE(f.menu->style(), QApplication::style());
    QCOMPARE(bar->style(), QApplication::style());
    QCOMPARE(f.menu->font(), nativeFont);
    QVERIFY(!f.xp->IsHooked(f.menu));
    QCOMPARE(f.menu->size(), nativeSize);
    QCOMPARE(Grab(f.menu, 1), nativeMenu);
    QCOMPARE(Grab(bar, 1), nativeBar);

    f.xp->SetActive(true);
    QCOMPARE(Grab(f.menu, 1), drawn);

    // Destroying the component gives the menus back too.
    delete f.xp;
    QCOMPARE(f.menu->style(), QApplication::style());
    QCOMPARE(Grab(f.menu, 1), nativeMenu);
  }

  // A menu that draws itself is left alone unless OverrideOwnerDraw; menus added later are
  // found with AutoDetect, and sub-menus of hooked menus when they are drawn.
  void whichMenus() {
    TMenuForm f;
    auto* own = new TOwnDrawnMenu(&f.form);
    f.MakeLook();
    QVERIFY(!f.xp->IsHooked(own));
    f.xp->SetOverrideOwnerDraw(true);
    QVERIFY(f.xp->IsHooked(own));
    f.xp->SetOverrideOwnerDraw(false);
    QVERIFY(!f.xp->IsHooked(own));
    QCOMPARE(own->style(), QApplication::style());

    auto* later = new QMenu(&f.form);
    QTRY_VERIFY(f.xp->IsHooked(later));
    f.xp->SetAutoDetect(false);
    auto* unseen = new QMenu(&f.form);
    QTest::qWait(20);
    QVERIFY(!f.xp->IsHooked(unseen));

    // A sub-menu made without a parent and added to a hooked menu is hooked once that menu draws.
    QMenu loose(QStringLiteral("Dodato"));
    f.menu->addMenu(&loose);
    QVERIFY(!f.xp->IsHooked(&loose));
    f.Show();
    Grab(f.menu, 1);
    QTRY_VERIFY(f.xp->IsHooked(&loose));
    f.xp->SetActive(false);
    QVERIFY(!f.xp->IsHooked(&loose));
  }

  // Frame3D draws a sunken edge instead of the flat frame; without FlatMenu the border is a
  // 2-pixel panel without the shadow and the highlight reaches the right edge.
  void frameVariants() {
    TMenuForm f;
    f.MakeLook();
    f.OwnColours();
    f.Show();
    f.menu->setActiveAction(f.check);
    f.xp->SetFrame3D(true);
    QImage image = Grab(f.menu, 1);
    const QRect check = f.Item(f.check);
    const QColor dark = f.menu->palette().color(QPalette::Dark);
    QCOMPARE(At(image, check.left() + 40, check.top()), dark);
    QCOMPARE(At(image, check.left(), check.top() + 5), dark);
    QVERIFY(At(image, check.left() + 40, check.top() + 1) != kSelectBorder);

    f.xp->SetFrame3D(false);
    f.xp->SetFlatMenu(false);
    image = Grab(f.menu, 1);
    const QRect moved = f.Item(f.check);
    QCOMPARE(moved.left(), 2);
    QCOMPARE(At(image, moved.right(), moved.top() + 3), kSelectBorder);
    QVERIFY(At(image, f.menu->width() - 1, f.menu->height() / 2) != kShadow2);
    QVERIFY(At(image, 0, 0) != kShadow1);
  }

  // Right-to-left menus: the icon column on the right, the separator stopping 7 pixels short
  // of the right edge.
  void rightToLeft() {
    TMenuForm f;
    f.menu->setLayoutDirection(Qt::RightToLeft);
    f.MakeLook();
    f.OwnColours();
    f.Show();
    const QImage image = Grab(f.menu, 1);
    const QRect check = f.Item(f.check);
    QCOMPARE(At(image, check.right() - 1, check.top() + 1), kIconBack);
    QCOMPARE(At(image, check.right() - 23, check.top() + 1), kIconBack);
    QCOMPARE(At(image, check.right() - 24, check.top() + 1), kMenuBack);
    QCOMPARE(At(image, check.left() + 1, check.top() + 1), kMenuBack);
    const QRect box(check.right() - 23 + 7, check.top() + (check.height() - 10) / 2, 10, 10);
    QCOMPARE(At(image, box.left(), box.top() + 5), kChecked);
    const QRect separator = f.Item(f.separator);
    QCOMPARE(At(image, separator.left() + 1, separator.top() + 2), kSeparator);
    QCOMPARE(At(image, separator.right() - 7, separator.top() + 2), kSeparator);
    QCOMPARE(At(image, separator.right() - 6, separator.top() + 2), kIconBack);
  }

  // Without the system colours the menus measure and draw in Font and its colour.
  void ownFont() {
    TMenuForm f;
    f.MakeLook();
    f.OwnColours();
    QFont large = f.xp->Font();
    large.setPixelSize(30);
    f.xp->SetFont(large);
    f.xp->SetFontColor(RGBColor(0, 150, 0));
    f.Show();
    QCOMPARE(f.menu->font().pixelSize(), 30);
    const int th = QFontMetrics(large).height();
    QCOMPARE(f.Item(f.check).height(), th + qRound(th * 0.75));
    const QImage image = Grab(f.menu, 1);
    QVERIFY(Contains(image, f.Item(f.check).adjusted(24, 0, 0, 0), QColor(0, 150, 0)));
    // With the system colours again, the system menu font and its colour.
    f.xp->SetUseSystemColors(true);
    QCOMPARE(f.menu->font(), TXPBarMenu::SystemMenuFont());
    QVERIFY(!Contains(Grab(f.menu, 1), f.Item(f.check).adjusted(24, 0, 0, 0), QColor(0, 150, 0)));
  }

  // The events: OnMeasureItem changes the size, OnDrawItem hears of every drawn item.
  void events() {
    TMenuForm f;
    f.MakeLook();
    f.xp->SetBarStyle(TBarStyle::bsNone);
    QList<QAction*> measured;
    f.xp->OnMeasureItem = [&](QAction* item, int&, int& height) {
      measured << item;
      if (item == f.check) height = 50;
    };
    QList<std::pair<QAction*, bool>> drawn;
    f.xp->OnDrawItem = [&](QAction* item, QPainter&, const QRect&, bool selected) { drawn << std::pair{item, selected}; };
    f.xp->SetIconWidth(24);  // lays the menus out again
    f.Show();
    f.menu->setActiveAction(f.radio);
    Grab(f.menu, 1);
    QCOMPARE(f.Item(f.check).height(), 50);
    QVERIFY(measured.contains(f.check));
    QVERIFY(measured.contains(f.separator));
    QVERIFY(drawn.contains(std::pair{f.radio, true}));
    QVERIFY(drawn.contains(std::pair{f.open, false}));
    QVERIFY(drawn.contains(std::pair{f.separator, false}));
  }

  // A very long caption and the bold default item fit inside their items.
  void longCaptions() {
    QFETCH(qreal, ratio);
    TMenuForm f;
    const QString caption = QString::fromUtf8("Veoma dugačak naslov stavke koji se proteže preko cele širine menija");
    QAction* longItem = f.menu->addAction(caption);
    longItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12));
    f.MakeLook();
    f.OwnColours();
    f.Show();
    const QImage image = Grab(f.menu, ratio);
    const QFontMetrics metrics(f.xp->WorkingFont());
    const QRect item = f.Item(longItem);
    QVERIFY(item.width() >= 24 + metrics.horizontalAdvance(u' ' + caption) + 10);
    QVERIFY(item.right() <= f.menu->width() - 4);
    const int rightmost = RightmostInk(image, item.adjusted(24, 2, 0, -2), kMenuBack);
    QVERIFY(rightmost > item.left() + 24 && rightmost <= item.right() - 10);
    // The caption and the shortcut do not meet: an empty gap lies between them.
    const int captionEnd = item.left() + 24 + metrics.horizontalAdvance(u' ' + caption);
    QCOMPARE(RightmostInk(image, QRect(captionEnd + 2, item.top() + 2, 8, item.height() - 4), kMenuBack), -1);
  }

  // The main window's instance: the application's settings, its menus and sub-menus hooked,
  // the self-drawn drop-downs left alone, and off and on again at run time.
  void mainWindow() {
    TzofMirelGlavna window;
    TXPBarMenu* xp = window.XPBarMenu1;
    QVERIFY(xp);
    QCOMPARE(xp->BarCaption(), QString::fromUtf8("Drabel - Pelvon: Zof Mirel 1.01"));
    QCOMPARE(xp->BarStyle(), TBarStyle::bsNone);
    QVERIFY(!xp->SideBarShown());
    QCOMPARE(xp->Font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(xp->Font().pixelSize(), 14);
    QCOMPARE(xp->FontColor(), clMenuText);
    QCOMPARE(xp->BarFont().pixelSize(), 14);
    QCOMPARE(xp->BarFontColor(), RGBColor(255, 255, 255));
    QCOMPARE(xp->CheckedColor(), clHighlight);
    QCOMPARE(xp->IconWidth(), 24);
    QVERIFY(xp->DrawSelect() && xp->UseSystemColors() && xp->FlatMenu() && xp->AutoDetect() && xp->Active());
    QVERIFY(!xp->OverrideOwnerDraw());

    for (QWidget* menu : std::initializer_list<QWidget*>{window.menuBar(), window.mnuZofMirel, window.mnuErija,
                                                         window.mnuIzmene, window.mnuCelije, window.mnuKoline,
                                                         window.mnuRedovi, window.mnuKonfiguracija,
                                                         window.mnuProzori, window.mnuPomoc, window.pmSheetPopup,
                                                         window.pmSheetKolone, window.pmSheetCelije, window.pmSummary})
      QVERIFY2(xp->IsHooked(menu), qPrintable(menu->objectName()));
    QVERIFY(!xp->IsHooked(window.pmBorders));
    QVERIFY(!xp->IsHooked(window.pmUndo));
    QVERIFY(!xp->IsHooked(window.pmRedo));

    // Every item of every hooked menu has room for its icon column, caption and shortcut gap.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QFontMetrics metrics(xp->WorkingFont());
    for (QMenu* menu : {window.mnuZofMirel, window.mnuIzmene, window.mnuCelije, window.mnuKonfiguracija,
                        window.mnuProzori, window.pmSheetPopup}) {
      menu->popup(QPoint(30, 30));
      for (QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible()) continue;
        const int need = 24 + metrics.horizontalAdvance(u' ' + action->text()) - metrics.horizontalAdvance(u'&');
        QVERIFY2(menu->actionGeometry(action).width() >= need, qPrintable(action->text()));
      }
      // A sub-menu's item is drawn with the look.
      const QImage image = Grab(menu, 2);
      QCOMPARE(At(image, menu->width() - 1, menu->height() / 2), xp->WorkingColors().Shadow2);
      menu->close();
    }

    xp->SetActive(false);
    QCOMPARE(window.mnuCelije->style(), QApplication::style());
    QCOMPARE(window.menuBar()->style(), QApplication::style());
    xp->SetActive(true);
    QVERIFY(xp->IsHooked(window.mnuCelije));
  }
};

QTEST_MAIN(TestXPBarMenu)
#include "tst_XPBarMenu.moc"
