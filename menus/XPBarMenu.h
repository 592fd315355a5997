#pragma once

#include <QFont>
#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "menus/XPMenuColors.h"

class QAction;
class QPainter;
class QRect;
class QStyle;
class QWidget;
class TXPMenuStyle;

enum class TBarStyle { bsText, bsBitmap, bsNone };

// The XP look of a form's menus: placed on a form, it gives the form's menu bar and every pop-up
// menu the form owns (at any depth, including those of its tool buttons) a style that measures
// and draws each item itself — a light background with a darker icon column, a framed
// highlight, check and radio marks in boxes, icons lifted with a shadow when hovered and washed
// out when not, bold default items, right-aligned shortcuts, flat borders with a soft shadow and
// an optional side bar along the left of every pop-up.
//
// Hooking sets the style (and the working font) on each menu widget and remembers what the
// widget had, so unhooking gives the menu back exactly as it was. Menus that draw themselves
// (a QMenu subclass of the program) are left alone unless OverrideOwnerDraw is on. Menus of
// the document windows inside the form's MDI area belong to those windows, not to the form.
//
// The colours are worked out again before every item is drawn, so a change of the palette or of
// a colour property shows at the next paint; the properties that change the menu bar repaint it.
class TXPBarMenu : public QObject {
  Q_OBJECT

public:
  // The owner is the form whose menus are drawn; it must not be null.
  explicit TXPBarMenu(QWidget* owner);
  ~TXPBarMenu() override;

  QWidget* Owner() const { return owner_; }

  bool Active() const { return active_; }
  void SetActive(bool value);
  bool AutoDetect() const { return autoDetect_; }
  void SetAutoDetect(bool value) { autoDetect_ = value; }
  bool OverrideOwnerDraw() const { return overrideOwnerDraw_; }
  void SetOverrideOwnerDraw(bool value);
  bool UseSystemColors() const { return useSystemColors_; }
  void SetUseSystemColors(bool value);

  const QFont& Font() const { return font_; }
  void SetFont(const QFont& value);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor value);

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; Repaint(); }
  TColor IconBackColor() const { return iconBackColor_; }
  void SetIconBackColor(TColor value) { iconBackColor_ = value; Repaint(); }
  TColor MenuBarColor() const { return menuBarColor_; }
  void SetMenuBarColor(TColor value) { menuBarColor_ = value; Repaint(); }
  TColor SelectColor() const { return selectColor_; }
  void SetSelectColor(TColor value) { selectColor_ = value; Repaint(); }
  TColor SelectBorderColor() const { return selectBorderColor_; }
  void SetSelectBorderColor(TColor value) { selectBorderColor_ = value; Repaint(); }
  TColor SelectFontColor() const { return selectFontColor_; }
  void SetSelectFontColor(TColor value) { selectFontColor_ = value; Repaint(); }
  TColor DisabledColor() const { return disabledColor_; }
  void SetDisabledColor(TColor value) { disabledColor_ = value; Repaint(); }
  TColor SeparatorColor() const { return separatorColor_; }
  void SetSeparatorColor(TColor value) { separatorColor_ = value; Repaint(); }
  TColor CheckedColor() const { return checkedColor_; }
  void SetCheckedColor(TColor value) { checkedColor_ = value; Repaint(); }

  int IconWidth() const { return iconWidth_; }
  void SetIconWidth(int value);
  bool DrawSelect() const { return drawSelect_; }
  void SetDrawSelect(bool value) { drawSelect_ = value; Repaint(); }
  bool FlatMenu() const { return flatMenu_; }
  void SetFlatMenu(bool value);
  bool Gradient() const { return gradient_; }
  void SetGradient(bool value) { gradient_ = value; Repaint(); }
  bool Frame3D() const { return frame3D_; }
  void SetFrame3D(bool value) { frame3D_ = value; Repaint(); }
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int value);

  TBarStyle BarStyle() const { return barStyle_; }
  void SetBarStyle(TBarStyle value);
  const QString& BarCaption() const { return barCaption_; }
  void SetBarCaption(const QString& value);
  const QFont& BarFont() const { return barFont_; }
  void SetBarFont(const QFont& value) { barFont_ = value; Repaint(); }
  TColor BarFontColor() const { return barFontColor_; }
  void SetBarFontColor(TColor value) { barFontColor_ = value; Repaint(); }
  const QPixmap& BarBitmap() const { return barBitmap_; }
  void SetBarBitmap(const QPixmap& value);
  bool BarStretch() const { return barStretch_; }
  void SetBarStretch(bool value) { barStretch_ = value; Repaint(); }
  int BarWidth() const { return barWidth_; }
  void SetBarWidth(int value);
  TColor BarColorStart() const { return barColorStart_; }
  void SetBarColorStart(TColor value) { barColorStart_ = value; Repaint(); }
  TColor BarColorEnd() const { return barColorEnd_; }
  void SetBarColorEnd(TColor value) { barColorEnd_ = value; Repaint(); }
  int BarColorStep() const { return barColorStep_; }
  // Stored kept to 1 … 255.
  void SetBarColorStep(int value);

  // Called after the component drew an item: the item, the painter, the item's rectangle and
  // whether it is highlighted.
  std::function<void(QAction* item, QPainter& canvas, const QRect& rect, bool selected)> OnDrawItem;
  // Called after the component measured an item; may change both values.
  std::function<void(QAction* item, int& width, int& height)> OnMeasureItem;
  // Called before the side bar is drawn; clearing `show` leaves the bar undrawn.
  std::function<void(QAction* item, QPainter& canvas, bool& show, const QRect& barRect)> OnDrawBar;
  // Called before the side bar is drawn; may move the bar and the item's rectangle.
  std::function<void(QAction* item, QPainter& canvas, QRect& barRect, QRect& itemRect)> OnMeasureBar;

  // Gives (`enable`) or takes back the look of every menu of `form`.
  void HookMenus(QWidget* form, bool enable);
  // True when `menu` (a QMenu or QMenuBar) is drawn by this component now.
  bool IsHooked(const QWidget* menu) const;
  // Hooks the sub-menus of `menu`'s items that are not hooked yet (items added after hooking).
  void HookSubMenus(QWidget* menu);

  // Whether a pop-up shows the side bar: bsText with a caption or bsBitmap with a picture.
  bool SideBarShown() const;
  // The working colours now, from the properties, the palette and the display's depth.
  TXPMenuColors WorkingColors() const;
  // The font items are measured and drawn in: the system menu font with UseSystemColors, else Font.
  QFont WorkingFont() const;
  QColor WorkingFontColor() const;

  // The system menu font, with Tahoma in place of "MS Sans Serif".
  static QFont SystemMenuFont();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct THooked {
    QPointer<QStyle> style;  // the widget's own style before hooking, null for the application's
    QFont font;
    bool hadOwnFont = false;
  };

  bool Hookable(const QWidget* menu, const QWidget* form) const;
  void Hook(QWidget* menu);
  void Unhook(QWidget* menu);
  void UnhookAll();
  void Reactivate();
  // The working font on every hooked menu, for the sizes the menus lay out themselves.
  void ApplyFonts();
  // Asks every hooked menu to lay out and paint again.
  void Repaint();

  QWidget* owner_;
  std::unique_ptr<TXPMenuStyle> style_;
  QHash<QWidget*, THooked> hooked_;
  bool reactivateQueued_ = false;

  bool active_ = true;
  bool autoDetect_ = true;
  bool overrideOwnerDraw_ = false;
  bool useSystemColors_ = true;
  QFont font_;
  TColor fontColor_ = clMenuText;
  TColor color_ = clMenu;
  TColor iconBackColor_ = clMenu;
  TColor menuBarColor_ = clMenu;
  TColor selectColor_ = clHighlight;
  TColor selectBorderColor_ = clActiveBorder;
  TColor selectFontColor_ = clHighlightText;
  TColor disabledColor_ = RGBColor(128, 128, 128);
  TColor separatorColor_ = RGBColor(128, 128, 128);
  TColor checkedColor_ = clHighlight;
  int iconWidth_ = 24;
  bool drawSelect_ = true;
  bool flatMenu_ = true;
  bool gradient_ = true;
  bool frame3D_ = false;
  int itemHeight_ = 0;
  TBarStyle barStyle_ = TBarStyle::bsText;
  QString barCaption_;
  QFont barFont_;
  TColor barFontColor_ = RGBColor(255, 255, 255);
  QPixmap barBitmap_;
  bool barStretch_ = true;
  int barWidth_ = 22;
  TColor barColorStart_ = RGBColor(0, 0, 255);
  TColor barColorEnd_ = RGBColor(0, 0, 0);
  int barColorStep_ = 100;
};
