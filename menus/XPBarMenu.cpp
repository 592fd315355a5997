#include "menus/XPBarMenu.h"

#include <QApplication>
#include <QChildEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cassert>

#include "menus/XPMenuStyle.h"

TXPBarMenu::TXPBarMenu(QWidget* owner)
    : QObject(owner), owner_(owner), style_(std::make_unique<TXPMenuStyle>(*this)) {
  assert(owner);
  font_ = SystemMenuFont();
  barFont_ = font_;
  barCaption_ = owner->windowTitle();
  owner_->installEventFilter(this);
  if (active_) HookMenus(owner_, true);
}

TXPBarMenu::~TXPBarMenu() { UnhookAll(); }

QFont TXPBarMenu::SystemMenuFont() {
  QFont font = QApplication::font("QMenu");
  if (font.family() == QLatin1String("MS Sans Serif")) font.setFamily(QStringLiteral("Tahoma"));
  return font;
}

void TXPBarMenu::SetActive(bool value) {
  if (active_ == value) return;
  active_ = value;
  HookMenus(owner_, value);
}

void TXPBarMenu::SetOverrideOwnerDraw(bool value) {
  if (overrideOwnerDraw_ == value) return;
  overrideOwnerDraw_ = value;
  if (active_) Reactivate();
}

void TXPBarMenu::SetUseSystemColors(bool value) {
  useSystemColors_ = value;
  ApplyFonts();
  Repaint();
}

void TXPBarMenu::SetFont(const QFont& value) {
  font_ = value;
  ApplyFonts();
  Repaint();
}

void TXPBarMenu::SetFontColor(TColor value) {
  fontColor_ = value;
  Repaint();
}

void TXPBarMenu::SetIconWidth(int value) {
  iconWidth_ = std::max(value, 0);
  Repaint();
}

void TXPBarMenu::SetFlatMenu(bool value) {
  flatMenu_ = value;
  Repaint();
}

void TXPBarMenu::SetItemHeight(int value) {
  itemHeight_ = std::max(value, 0);
  Repaint();
}

void TXPBarMenu::SetBarStyle(TBarStyle value) {
  barStyle_ = value;
  Repaint();
}

void TXPBarMenu::SetBarCaption(const QString& value) {
  barCaption_ = value;
  Repaint();
}

void TXPBarMenu::SetBarBitmap(const QPixmap& value) {
  barBitmap_ = value;
  Repaint();
}

void TXPBarMenu::SetBarWidth(int value) {
  barWidth_ = std::max(value, 0);
  Repaint();
}

void TXPBarMenu::SetBarColorStep(int value) {
  barColorStep_ = std::clamp(value, 1, 255);
  Repaint();
}

bool TXPBarMenu::SideBarShown() const {
  switch (barStyle_) {
    case TBarStyle::bsText: return !barCaption_.isEmpty();
    case TBarStyle::bsBitmap: return !barBitmap_.isNull();
    case TBarStyle::bsNone: return false;
  }
  return false;
}

TXPMenuColors TXPBarMenu::WorkingColors() const {
  const TSystemColors system = TSystemColors::FromPalette(QApplication::palette());
  const TXPMenuColorSettings settings{system.Resolve(color_),         system.Resolve(iconBackColor_),
                                      system.Resolve(menuBarColor_),  system.Resolve(selectColor_),
                                      system.Resolve(selectBorderColor_), system.Resolve(selectFontColor_),
                                      system.Resolve(disabledColor_), system.Resolve(separatorColor_),
                                      system.Resolve(checkedColor_)};
  const QScreen* screen = QGuiApplication::primaryScreen();
  const bool highColour = !screen || screen->depth() > 15;
  return ComputeMenuColors(settings, system, useSystemColors_, highColour, system.MenuText);
}

QFont TXPBarMenu::WorkingFont() const { return useSystemColors_ ? SystemMenuFont() : font_; }

QColor TXPBarMenu::WorkingFontColor() const {
  const TSystemColors system = TSystemColors::FromPalette(QApplication::palette());
  return useSystemColors_ ? system.MenuText : system.Resolve(fontColor_);
}

bool TXPBarMenu::Hookable(const QWidget* menu, const QWidget* form) const {
  const bool isMenu = qobject_cast<const QMenu*>(menu) != nullptr;
  const bool isBar = qobject_cast<const QMenuBar*>(menu) != nullptr;
  if (!isMenu && !isBar) return false;
  // A subclass of the program's draws its items itself.
  const QMetaObject* plain = isMenu ? &QMenu::staticMetaObject : &QMenuBar::staticMetaObject;
  if (menu->metaObject() != plain && !overrideOwnerDraw_) return false;
  for (const QObject* up = menu->parent(); up && up != form; up = up->parent())
    if (qobject_cast<const QMdiSubWindow*>(up)) return false;
  return true;
}

void TXPBarMenu::HookMenus(QWidget* form, bool enable) {
  if (!form) return;
  if (!enable && form == owner_) {
    // Sub-menus hooked on the way (made without a parent) are the owner's too.
    UnhookAll();
    return;
  }
  const QList<QWidget*> widgets = form->findChildren<QWidget*>();
  for (QWidget* widget : widgets) {
    if (enable) {
      if (Hookable(widget, form)) Hook(widget);
    } else if (hooked_.contains(widget)) {
      Unhook(widget);
    }
  }
}

bool TXPBarMenu::IsHooked(const QWidget* menu) const { return hooked_.contains(const_cast<QWidget*>(menu)); }

void TXPBarMenu::HookSubMenus(QWidget* menu) {
  if (!active_ || !hooked_.contains(menu)) return;
  for (QAction* action : menu->actions())
    if (QMenu* sub = action->menu(); sub && !hooked_.contains(sub) && Hookable(sub, owner_)) Hook(sub);
}

void TXPBarMenu::Hook(QWidget* menu) {
  if (hooked_.contains(menu)) return;
  THooked saved;
  if (menu->style() != QApplication::style()) saved.style = menu->style();
  saved.hadOwnFont = menu->testAttribute(Qt::WA_SetFont);
  saved.font = menu->font();
  hooked_.insert(menu, saved);
  connect(menu, &QObject::destroyed, this, [this, menu] { hooked_.remove(menu); });
  menu->installEventFilter(this);
  menu->setStyle(style_.get());
  menu->setFont(WorkingFont());
  menu->update();
}

void TXPBarMenu::Unhook(QWidget* menu) {
  const auto found = hooked_.find(menu);
  if (found == hooked_.end()) return;
  const THooked saved = *found;
  hooked_.erase(found);
  disconnect(menu, &QObject::destroyed, this, nullptr);
  menu->removeEventFilter(this);
  menu->setStyle(saved.style);
  menu->setFont(saved.hadOwnFont ? saved.font : QFont());
  menu->update();
}

void TXPBarMenu::UnhookAll() {
  const QList<QWidget*> menus = hooked_.keys();
  for (QWidget* menu : menus) Unhook(menu);
}

void TXPBarMenu::Reactivate() {
  const QList<QWidget*> menus = hooked_.keys();
  for (QWidget* menu : menus)
    if (!Hookable(menu, owner_)) Unhook(menu);
  HookMenus(owner_, true);
}

void TXPBarMenu::ApplyFonts() {
  const QFont font = WorkingFont();
  for (auto it = hooked_.cbegin(); it != hooked_.cend(); ++it) it.key()->setFont(font);
}

void TXPBarMenu::Repaint() {
  for (auto it = hooked_.cbegin(); it != hooked_.cend(); ++it) {
    // The menus lay their items out again on a change of style.
    QEvent change(QEvent::StyleChange);
    QCoreApplication::sendEvent(it.key(), &change);
    it.key()->update();
  }
}

bool TXPBarMenu::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ChildAdded && autoDetect_ && active_ && !reactivateQueued_) {
    // The child is still being made: which kind of widget it is shows once the loop runs.
    const auto* added = static_cast<QChildEvent*>(event)->child();
    if (added && added->isWidgetType()) {
      reactivateQueued_ = true;
      QTimer::singleShot(0, this, [this] {
        reactivateQueued_ = false;
        if (active_ && autoDetect_) Reactivate();
      });
    }
  }
  return QObject::eventFilter(watched, event);
}
