#pragma once

#include <QProxyStyle>

class QAction;
class QMenu;
class QStyleOptionMenuItem;
class TXPBarMenu;
struct TXPMenuColors;

// The style TXPBarMenu sets on the menus it hooks: it measures and draws menu-bar items,
// pop-up items, the pop-up's panel and its flat border, and hands everything else to the
// application's style. It holds no state of its own: every measure and paint reads the
// component's properties and works the colours out again.
//
// Pixel columns, strips and frames are in logical pixels and filled as rectangles, so at a
// device pixel ratio of 2 each of them covers whole device pixels.
class TXPMenuStyle : public QProxyStyle {
  Q_OBJECT

public:
  explicit TXPMenuStyle(TXPBarMenu& menu);

  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

  // The amount pixel column `column` of a pop-up item's gradient is lightened by: 3 more per
  // column inside the first `iconWidth` + 5 columns (from the second on), 1 more after them,
  // at most 96. Right-to-left items count from their right edge and the faster band is
  // `iconWidth` - 5 columns wide.
  static int GradientPercent(int column, int iconWidth, bool rightToLeft);
  // The colour of band `band` (0 at the bottom … `steps` at the top) of a text side bar.
  static QColor BarBandColor(const QColor& start, const QColor& end, int band, int steps);

private:
  void DrawPopupItem(const QStyleOptionMenuItem& option, QPainter& painter, const QMenu* menu) const;
  void DrawBarItem(const QStyleOptionMenuItem& option, QPainter& painter, const QWidget* bar) const;
  void DrawSideBar(const QStyleOptionMenuItem& option, QPainter& painter, const QMenu* menu,
                   QAction* action, QRect& itemRect) const;
  void DrawFlatBorder(const QRect& rect, QPainter& painter, const TXPMenuColors& colors) const;

  TXPBarMenu& xp_;
};
