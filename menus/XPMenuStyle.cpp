#include "menus/XPMenuStyle.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <qdrawutil.h>
#include <QPointer>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <cmath>
#include <functional>

#include "menus/XPBarMenu.h"
#include "menus/XPMenuColors.h"
#include "view/cxCanvasWrapper.h"

namespace {

// The room between a caption and its shortcut.
const QString kShortcutGap = QStringLiteral("WWW");
// The side of the check box of an item without an image.
constexpr int kCheckBoxSide = 10;
// Room for the arrow of an item that opens a sub-menu.
constexpr int kSubMenuArrowRoom = 12;
// The height of a separator item.
constexpr int kSeparatorHeight = 4;

void FrameRect(QPainter& painter, const QRect& r, const QColor& color) {
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
  painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
  painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

struct TCaption {
  QString text;
  QString shortcut;
};

TCaption SplitCaption(const QString& text) {
  const qsizetype tab = text.indexOf(u'\t');
  if (tab < 0) return {text, {}};
  return {text.left(tab), text.mid(tab + 1)};
}

// The width of a caption as the menu shows it: the "&" that marks the mnemonic takes no room
// ("&&" shows one).
int CaptionWidth(const QFontMetrics& metrics, const QString& caption) {
  QString shown;
  shown.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return metrics.horizontalAdvance(shown);
}

QFont ItemFont(const TXPBarMenu& xp, const QStyleOptionMenuItem& option) {
  QFont font = xp.WorkingFont();
  if (option.menuItemType == QStyleOptionMenuItem::DefaultItem) font.setBold(true);
  return font;
}

// The item a measure is for: the first of the widget's actions with that text (the menus
// measure by text and kind; they do not say which action they mean).
QAction* ActionForText(const QWidget* widget, const QStyleOptionMenuItem& option) {
  if (!widget) return nullptr;
  for (QAction* action : widget->actions()) {
    if (option.menuItemType == QStyleOptionMenuItem::Separator) {
      if (action->isSeparator()) return action;
      continue;
    }
    if (!action->isSeparator() && SplitCaption(option.text).text == SplitCaption(action->text()).text)
      return action;
  }
  return nullptr;
}

QAction* ActionAt(const QWidget* widget, const QPoint& point) {
  if (const auto* menu = qobject_cast<const QMenu*>(widget)) return menu->actionAt(point);
  if (const auto* bar = qobject_cast<const QMenuBar*>(widget)) return bar->actionAt(point);
  return nullptr;
}

// A copy of `image` with every pixel's colour passed through `recolour` and its alpha kept.
QImage Recoloured(const QPixmap& pixmap, const std::function<QColor(const QColor&)>& recolour) {
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(line[x]);
      if (alpha == 0) continue;
      const QColor colour = recolour(QColor::fromRgb(line[x]));
      line[x] = qRgba(colour.red(), colour.green(), colour.blue(), alpha);
    }
  }
  image.setDevicePixelRatio(pixmap.devicePixelRatio());
  return image;
}

// Pictures without an alpha channel take their bottom-left pixel as the transparent colour.
QPixmap Transparent(QPixmap pixmap) {
  if (pixmap.isNull() || pixmap.hasAlphaChannel()) return pixmap;
  const QImage image = pixmap.toImage();
  const QColor key = image.pixelColor(0, image.height() - 1);
  pixmap.setMask(pixmap.createMaskFromColor(key, Qt::MaskInColor));
  return pixmap;
}

// The icon's picture at the device's resolution. A picture that has no larger size is scaled
// up pixel by pixel, so that its edges stay sharp and its background key stays one colour.
QPixmap DevicePixmap(const QIcon& icon, int side, qreal ratio) {
  QPixmap picture = icon.pixmap(QSize(side, side), ratio, QIcon::Normal, QIcon::Off);
  const int deviceSide = qRound(side * ratio);
  if (picture.width() < deviceSide && picture.height() < deviceSide) {
    picture = picture.scaled(deviceSide, deviceSide, Qt::KeepAspectRatio, Qt::FastTransformation);
    picture.setDevicePixelRatio(ratio);
  }
  return picture;
}

bool LightColour(const QColor& c) { return (c.red() + c.blue()) / 2 > 150 || c.green() > 200; }

void DrawTick(QPainter& painter, const QRect& box) {
  // Five short strokes: two down to the foot of the tick, three up to its right arm.
  const int x = box.left();
  const int y = box.top();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(x + 2, y + 4, x + 4, y + 6);
  painter.drawLine(x + 2, y + 5, x + 4, y + 7);
  painter.drawLine(x + 4, y + 6, x + 7, y + 3);
  painter.drawLine(x + 4, y + 7, x + 7, y + 4);
  painter.drawLine(x + 4, y + 5, x + 7, y + 2);
  painter.restore();
}

}  // namespace

TXPMenuStyle::TXPMenuStyle(TXPBarMenu& menu) : xp_(menu) {}

int TXPMenuStyle::GradientPercent(int column, int iconWidth, bool rightToLeft) {
  const int fastBand = rightToLeft ? iconWidth - 5 : iconWidth + 5;
  int percent = 0;
  for (int i = 1; i <= column && percent < 96; ++i) percent += i < fastBand ? 3 : 1;
  return std::min(percent, 96);
}

QColor TXPMenuStyle::BarBandColor(const QColor& start, const QColor& end, int band, int steps) {
  const auto channel = [band, steps](int s, int e) { return std::clamp(e + band * (s - e) / steps, 0, 255); };
  return QColor(channel(start.red(), end.red()), channel(start.green(), end.green()),
                channel(start.blue(), end.blue()));
}

int TXPMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  switch (metric) {
    case PM_MenuPanelWidth: return xp_.FlatMenu() ? 3 : 2;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuBarPanelWidth:
    case PM_MenuBarVMargin:
    case PM_MenuBarHMargin:
    case PM_MenuBarItemSpacing: return 0;
    default: return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QSize TXPMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (!item || (type != CT_MenuItem && type != CT_MenuBarItem))
    return QProxyStyle::sizeFromContents(type, option, size, widget);

  const bool topLevel = type == CT_MenuBarItem;
  const QFontMetrics metrics(ItemFont(xp_, *item));
  const int iconSide = proxy()->pixelMetric(PM_SmallIconSize, option, widget);
  int imageWidth = item->icon.isNull() ? 0 : iconSide;
  const int imageHeight = imageWidth;
  if (!topLevel) imageWidth = std::max(imageWidth, xp_.IconWidth());

  int width = 0;
  int height = 0;
  if (item->menuItemType == QStyleOptionMenuItem::Separator) {
    width = std::max(size.width(), imageWidth + 10);
    height = kSeparatorHeight;
  } else {
    const TCaption caption = SplitCaption(item->text);
    // The shortcut's own width the menu adds to its column; the gap before it is ours.
    int textWidth = CaptionWidth(metrics, caption.text);
    if (!caption.shortcut.trimmed().isEmpty()) textWidth += metrics.horizontalAdvance(kShortcutGap);
    width = std::max(size.width(), textWidth + imageWidth + 10);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) width += kSubMenuArrowRoom;
    const int textHeight = metrics.height();
    if (topLevel) {
      // The bar keeps one row of the platform's height: the text and a margin of 3 above and below.
      height = std::max(size.height(), textHeight + 6);
    } else {
      height = std::max(size.height(), textHeight + static_cast<int>(std::lround(textHeight * 0.75)));
      height = std::max(height, imageHeight + 4);
    }
  }
  if (!topLevel && xp_.SideBarShown()) {
    width += xp_.BarWidth() + 2;
    if (xp_.ItemHeight() > 0) height = xp_.ItemHeight();
  }
  if (xp_.OnMeasureItem) xp_.OnMeasureItem(ActionForText(widget, *item), width, height);
  return QSize(width, height);
}

void TXPMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
  switch (element) {
    case PE_PanelMenu:
      painter->fillRect(option->rect, xp_.WorkingColors().MenuBack);
      return;
    case PE_FrameMenu:
      if (xp_.FlatMenu())
        DrawFlatBorder(option->rect, *painter, xp_.WorkingColors());
      else
        qDrawWinPanel(painter, option->rect, option->palette, false);
      return;
    case PE_PanelMenuBar:
      return;
    default:
      QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
}

void TXPMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  switch (element) {
    case CE_MenuItem:
      if (item) {
        const auto* menu = qobject_cast<const QMenu*>(widget);
        DrawPopupItem(*item, *painter, menu);
        if (menu && xp_.Active()) {
          // Items added to this menu after it was hooked may open sub-menus of their own.
          QPointer<QWidget> target(const_cast<QMenu*>(menu));
          QMetaObject::invokeMethod(
              &xp_, [this, target] { if (target) xp_.HookSubMenus(target); }, Qt::QueuedConnection);
        }
        return;
      }
      break;
    case CE_MenuBarItem:
      if (item) {
        DrawBarItem(*item, *painter, widget);
        return;
      }
      break;
    case CE_MenuEmptyArea:
      painter->fillRect(option->rect, xp_.WorkingColors().MenuBack);
      return;
    case CE_MenuBarEmptyArea:
      painter->fillRect(option->rect, xp_.WorkingColors().MenuBarBack);
      return;
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TXPMenuStyle::DrawSideBar(const QStyleOptionMenuItem& option, QPainter& painter, const QMenu* menu,
                               QAction* action, QRect& itemRect) const {
  const TXPMenuColors colors = xp_.WorkingColors();
  const int frame = proxy()->pixelMetric(PM_MenuPanelWidth, &option, menu);
  const int total = menu ? menu->height() - 2 * frame : option.rect.height();
  painter.fillRect(QRect(itemRect.left(), itemRect.top(), xp_.BarWidth(), itemRect.height()), colors.MenuBack);
  QRect bar(frame + 1, frame + 1, xp_.BarWidth() - 1, total - 1);
  itemRect.setLeft(itemRect.left() + xp_.BarWidth());
  if (xp_.OnMeasureBar) xp_.OnMeasureBar(action, painter, bar, itemRect);
  bool show = true;
  if (xp_.OnDrawBar) xp_.OnDrawBar(action, painter, show, bar);
  if (!show || bar.isEmpty()) return;

  if (xp_.BarStyle() == TBarStyle::bsText) {
    const int steps = xp_.BarColorStep();
    const QColor start = ToQColor(xp_.BarColorStart());
    const QColor end = ToQColor(xp_.BarColorEnd());
    // Bands of height / steps from the top; band `steps` (the start colour) is the topmost.
    for (int i = 0; i <= steps; ++i) {
      const int top = bar.top() + static_cast<int>(std::lround(double(i) * bar.height() / steps));
      const int bottom = bar.top() + static_cast<int>(std::lround(double(i + 1) * bar.height() / steps));
      const QRect band(bar.left(), top, bar.width(), std::min(bottom, bar.bottom() + 1) - top);
      if (band.height() > 0) painter.fillRect(band, BarBandColor(start, end, steps - i, steps));
    }
    painter.save();
    painter.setClipRect(bar, Qt::IntersectClip);
    painter.setFont(xp_.BarFont());
    painter.setPen(ToQColor(xp_.BarFontColor()));
    painter.translate(bar.left() + 2, bar.bottom() + 1 - 5);
    painter.rotate(-90);
    const QFontMetrics metrics(xp_.BarFont());
    painter.drawText(QRect(0, 0, metrics.horizontalAdvance(xp_.BarCaption()) + 1, metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, xp_.BarCaption());
    painter.restore();
  } else if (xp_.BarStyle() == TBarStyle::bsBitmap) {
    const QPixmap& picture = xp_.BarBitmap();
    painter.save();
    painter.setClipRect(bar, Qt::IntersectClip);
    if (xp_.BarStretch()) {
      painter.drawPixmap(bar, picture);
    } else {
      const QSizeF logical = picture.deviceIndependentSize();
      painter.drawPixmap(QPointF(bar.left(), bar.bottom() + 1 - logical.height()), picture);
    }
    painter.restore();
  }
}

void TXPMenuStyle::DrawPopupItem(const QStyleOptionMenuItem& option, QPainter& painter, const QMenu* menu) const {
  const TXPMenuColors colors = xp_.WorkingColors();
  QAction* action = ActionAt(menu, option.rect.center());
  const bool selected = option.state & State_Selected;
  const bool enabled = option.state & State_Enabled;
  const bool rtl = option.direction == Qt::RightToLeft;
  const bool separator = option.menuItemType == QStyleOptionMenuItem::Separator;
  const bool hasImage = !option.icon.isNull();
  const int iconWidth = xp_.IconWidth();

  painter.save();
  QRect itemRect = option.rect;
  if (xp_.SideBarShown()) DrawSideBar(option, painter, menu, action, itemRect);

  // The icon column, the check box and the text area, mirrored for right-to-left menus.
  const QRect iconColumn = rtl ? QRect(itemRect.right() - iconWidth + 1, itemRect.top(), iconWidth, itemRect.height())
                               : QRect(itemRect.left(), itemRect.top(), iconWidth, itemRect.height());
  const QRect checkBox =
      hasImage ? iconColumn.adjusted(1, 2, -3, -2)
               : QRect(iconColumn.left() + (iconColumn.width() - kCheckBoxSide) / 2,
                       iconColumn.top() + (iconColumn.height() - kCheckBoxSide) / 2, kCheckBoxSide, kCheckBoxSide);
  const QRect textArea = rtl ? itemRect.adjusted(0, 0, -iconWidth, 0) : itemRect.adjusted(iconWidth, 0, 0, 0);

  // Background.
  const bool gradient = colors.HighColour && xp_.Gradient();
  const auto backgroundAt = [&](int x) {
    const int column = rtl ? itemRect.right() - x : x - itemRect.left();
    return gradient ? Lighten(colors.IconBack, GradientPercent(column, iconWidth, rtl)) : colors.MenuBack;
  };
  if (gradient) {
    for (int column = 0; column < itemRect.width(); ++column) {
      const int percent = GradientPercent(column, iconWidth, rtl);
      const QColor colour = Lighten(colors.IconBack, percent);
      const int rest = percent >= 96 ? itemRect.width() - column : 1;
      const int x = rtl ? itemRect.right() - column - rest + 1 : itemRect.left() + column;
      painter.fillRect(QRect(x, itemRect.top(), rest, itemRect.height()), colour);
      if (rest > 1) break;
    }
  } else if (enabled || !selected) {
    painter.fillRect(itemRect, colors.MenuBack);
    painter.fillRect(iconColumn, colors.IconBack);
  }

  const QColor fontColour = xp_.WorkingFontColor();
  // Highlight.
  const bool highlighted = selected && xp_.DrawSelect() && enabled && !separator;
  if (highlighted) {
    if (xp_.Frame3D()) {
      qDrawShadePanel(&painter, itemRect, option.palette, true, 1);
    } else {
      const QRect frame = itemRect.adjusted(0, 1, xp_.FlatMenu() ? -1 : 0, -1);
      painter.fillRect(frame, colors.SelectBack);
      FrameRect(painter, frame, colors.SelectBorder);
    }
  }

  // Check and radio marks.
  if (option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked) {
    const QColor fill = selected ? colors.CheckSelectedBack : colors.CheckBack;
    painter.save();
    if (option.checkType == QStyleOptionMenuItem::Exclusive) {
      painter.setRenderHint(QPainter::Antialiasing, true);
      painter.setPen(QPen(colors.SelectBorder, 1));
      painter.setBrush(fill);
      const QRectF shape = QRectF(checkBox).adjusted(0.5, 0.5, -0.5, -0.5);
      if (hasImage) {
        painter.drawRoundedRect(shape, 3, 3);
      } else {
        painter.drawEllipse(shape);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QRectF(checkBox).adjusted(3, 3, -3, -3));
      }
    } else if (hasImage) {
      painter.fillRect(checkBox, fill);
      FrameRect(painter, checkBox, colors.SelectBorder);
    } else {
      painter.fillRect(checkBox, fill);
      FrameRect(painter, checkBox, colors.Checked);
      DrawTick(painter, checkBox);
    }
    painter.restore();
  }

  // The image: lifted over its shadow when hovered, washed out when not, grey when disabled.
  if (hasImage) {
    const int side = proxy()->pixelMetric(PM_SmallIconSize, &option, menu);
    // The scale to device pixels, also when the menu is rendered into a picture of another ratio.
    const qreal scale = painter.deviceTransform().m11();
    const qreal ratio = scale > 0 ? scale : (painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
    const QPixmap picture = Transparent(DevicePixmap(option.icon, side, ratio));
    const int x = side < iconWidth ? iconColumn.left() + (iconWidth - side) / 2
                                   : (rtl ? iconColumn.right() - 1 - side : iconColumn.left() + 2);
    const int y = itemRect.top() + (itemRect.height() - side) / 2;
    const bool checked = option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked;
    if (!enabled) {
      painter.drawImage(QPoint(x, y), Recoloured(picture, [](const QColor& c) { return Grey(c, 70); }));
    } else if (selected && !checked) {
      const QColor shadow = Darken(colors.SelectBack, 50);
      painter.drawImage(QPoint(x + 1, y + 1), Recoloured(picture, [shadow](const QColor&) { return shadow; }));
      painter.drawPixmap(QPoint(x - 1, y - 1), picture);
    } else if (!selected && !checked && colors.HighColour) {
      painter.drawImage(QPoint(x, y), Recoloured(picture, [](const QColor& c) { return Lighten(c, 30); }));
    } else {
      painter.drawPixmap(QPoint(x, y), picture);
    }
  }

  if (separator) {
    const int left = gradient ? itemRect.left() : textArea.left();
    const int right = rtl ? itemRect.right() - 7 : itemRect.right();
    painter.fillRect(QRect(left, itemRect.top() + itemRect.height() / 2, right - left + 1, 1), colors.Separator);
  } else {
    const QFont font = ItemFont(xp_, option);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    const QColor textColour = !enabled ? colors.Disabled : (selected ? colors.SelectText : fontColour);
    const TCaption caption = SplitCaption(option.text);
    const int textTop = itemRect.top() + (itemRect.height() - metrics.height()) / 2;
    const int mnemonic =
        proxy()->styleHint(SH_UnderlineShortcut, &option, menu) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    const int align = (rtl ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine | mnemonic;
    const QRect textRect(textArea.left(), textTop, textArea.width(), metrics.height());
    const QString text = rtl ? caption.text + u' ' : u' ' + caption.text;
    if (option.menuItemType == QStyleOptionMenuItem::DefaultItem) {
      const QColor under = highlighted && !xp_.Frame3D() ? colors.SelectBack
                                                         : backgroundAt(rtl ? textRect.right() : textRect.left());
      const std::pair<QPoint, int> outline[] = {{{1, 0}, 30}, {{0, 1}, 40}, {{1, 1}, 60}};
      for (const auto& [offset, amount] : outline) {
        painter.setPen(Darken(under, amount));
        painter.drawText(textRect.translated(offset), align, text);
      }
    }
    painter.setPen(textColour);
    painter.drawText(textRect, align, text);
    if (!caption.shortcut.trimmed().isEmpty()) {
      painter.setPen(colors.HighColour ? Darken(textColour, 40) : textColour);
      const QRect shortcutRect = rtl ? QRect(itemRect.left() + 10, textTop, itemRect.width() - 10, metrics.height())
                                     : QRect(itemRect.left(), textTop, itemRect.width() - 10, metrics.height());
      painter.drawText(shortcutRect, (rtl ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignTop | Qt::TextSingleLine,
                       rtl ? u' ' + caption.shortcut : caption.shortcut + u' ');
    }
    if (option.menuItemType == QStyleOptionMenuItem::SubMenu) {
      // A small triangle pointing towards the sub-menu.
      const int midY = itemRect.top() + itemRect.height() / 2;
      const int tipX = rtl ? itemRect.left() + 5 : itemRect.right() - 5;
      for (int i = 0; i < 4; ++i)
        painter.fillRect(QRect(rtl ? tipX + i : tipX - i, midY - i, 1, 2 * i + 1), textColour);
    }
  }
  painter.restore();
  if (xp_.OnDrawItem) xp_.OnDrawItem(action, painter, option.rect, selected);
}

void TXPMenuStyle::DrawBarItem(const QStyleOptionMenuItem& option, QPainter& painter, const QWidget* bar) const {
  const TXPMenuColors colors = xp_.WorkingColors();
  QAction* action = ActionAt(bar, option.rect.center());
  const QRect r = option.rect;
  const bool selected = (option.state & State_Selected) && (option.state & State_Enabled);
  const bool enabled = option.state & State_Enabled;
  const bool rtl = option.direction == Qt::RightToLeft;

  painter.save();
  painter.fillRect(r, colors.MenuBarBack);
  const bool highlighted = selected && xp_.DrawSelect();
  if (highlighted) {
    // A tab joined to the open pop-up: the icon column's colour in a frame open at the bottom
    // whose right side stands 3 pixels in from the item's right edge, and a shadow in those 3
    // pixels that is darkest next to the frame and starts lower the further out it lies.
    const int frameRight = r.right() - 3;
    painter.fillRect(QRect(r.left(), r.top(), frameRight - r.left() + 1, r.height()), colors.IconBack);
    painter.fillRect(QRect(r.left(), r.top(), frameRight - r.left() + 1, 1), colors.Shadow1);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colors.Shadow1);
    painter.fillRect(QRect(frameRight, r.top(), 1, r.height()), colors.Shadow1);
    if (colors.HighColour && !rtl) {
      struct TStrip {
        int column;  // pixels right of the frame
        int down;    // first row of the strip
        int amount;  // how much darker than the bar
      };
      constexpr TStrip strips[] = {{1, 2, 100}, {2, 3, 60}, {3, 5, 30}};
      for (const TStrip& strip : strips) {
        painter.fillRect(QRect(frameRight + strip.column, r.top() + strip.down, 1, r.height() - strip.down),
                         Darken(colors.MenuBarBack, strip.amount));
        painter.fillRect(QRect(frameRight + strip.column, r.top() + strip.down - 1, 1, 1),
                         Darken(colors.MenuBarBack, 10));
      }
    } else {
      painter.fillRect(QRect(frameRight + 1, r.top() + 2, 2, r.height() - 2), colors.Shadow2);
    }
  }

  const QFont font = ItemFont(xp_, option);
  painter.setFont(font);
  QColor textColour = enabled ? xp_.WorkingFontColor() : colors.Disabled;
  if (highlighted) textColour = LightColour(colors.IconBack) ? xp_.WorkingFontColor() : Lighten(colors.IconBack, 90);
  painter.setPen(textColour);
  const QFontMetrics metrics(font);
  const int mnemonic =
      proxy()->styleHint(SH_UnderlineShortcut, &option, bar) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
  const QRect textRect(r.left(), r.top() + (r.height() - metrics.height()) / 2, r.width() - 3, metrics.height());
  painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | mnemonic, option.text);
  painter.restore();
  if (xp_.OnDrawItem) xp_.OnDrawItem(action, painter, option.rect, selected);
}

void TXPMenuStyle::DrawFlatBorder(const QRect& rect, QPainter& painter, const TXPMenuColors& colors) const {
  const int w = rect.width();
  const int h = rect.height();
  const int x0 = rect.left();
  const int y0 = rect.top();
  // The frame stops 2 pixels short of the right and bottom edges, where the shadow lies.
  FrameRect(painter, QRect(x0, y0, w - 2, h - 2), colors.Shadow1);
  painter.fillRect(QRect(x0 + 1, y0 + 1, w - 4, 2), colors.MenuBack);
  if (!xp_.Gradient() || !colors.HighColour) {
    const int iconLeft = x0 + 3 + (xp_.SideBarShown() ? xp_.BarWidth() : 0);
    painter.fillRect(QRect(iconLeft, y0 + 1, xp_.IconWidth(), 2), colors.IconBack);
  }
  painter.fillRect(QRect(x0 + 1, y0 + 1, 2, h - 4), colors.IconBack);
  painter.fillRect(QRect(x0 + w - 2, y0 + 2, 2, h - 2), colors.Shadow2);
  painter.fillRect(QRect(x0 + 2, y0 + h - 2, w - 2, 2), colors.Shadow2);
  painter.fillRect(QRect(x0, y0 + h - 2, 2, 2), colors.IconBack);
  painter.fillRect(QRect(x0 + w - 2, y0, 2, 2), colors.IconBack);
}
