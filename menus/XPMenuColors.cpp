#include "menus/XPMenuColors.h"
#include "view/cxCanvasWrapper.h"

#include <algorithm>
#include <cmath>

namespace {

int Clamp(int channel) { return std::clamp(channel, 0, 255); }

}  // namespace

QColor Lighten(const QColor& color, int percent) {
  const int p = std::min(percent, 100);
  const auto lift = [p](int channel) {
    return channel + static_cast<int>(std::lround((255 - channel) * p / 100.0));
  };
  return QColor(lift(color.red()), lift(color.green()), lift(color.blue()));
}

QColor Darken(const QColor& color, int amount) {
  return QColor(Clamp(color.red() - amount), Clamp(color.green() - amount + 2), Clamp(color.blue() - amount));
}

QColor Grey(const QColor& color, int amount) {
  const int a = std::min(amount, 100);
  const int level = std::min(a + (color.red() + color.green() + color.blue()) / 3, 240);
  return QColor(level, level, level);
}

TSystemColors TSystemColors::FromPalette(const QPalette& palette) {
  TSystemColors colors;
  colors.Menu = palette.color(QPalette::Active, QPalette::Window);
  colors.MenuText = palette.color(QPalette::Active, QPalette::WindowText);
  colors.ActiveBorder = palette.color(QPalette::Active, QPalette::Mid);
  colors.Highlight = palette.color(QPalette::Active, QPalette::Highlight);
  colors.HighlightText = palette.color(QPalette::Active, QPalette::HighlightedText);
  colors.BtnFace = palette.color(QPalette::Active, QPalette::Button);
  colors.BtnShadow = palette.color(QPalette::Active, QPalette::Dark);
  return colors;
}

QColor TSystemColors::Resolve(TColor color) const {
  if ((color & 0xFF000000u) == 0) return ToQColor(color);
  switch (color) {
    case clMenu: return Menu;
    case clMenuText: return MenuText;
    case clActiveBorder: return ActiveBorder;
    case clHighlight: return Highlight;
    case clHighlightText: return HighlightText;
    case clBtnFace: return BtnFace;
    case clBtnShadow: return BtnShadow;
    default: return QColor(Qt::black);
  }
}

TXPMenuColors ComputeMenuColors(const TXPMenuColorSettings& settings, const TSystemColors& system,
                                bool useSystemColors, bool highColour, const QColor& systemFontColor) {
  TXPMenuColors c;
  c.HighColour = highColour;
  if (highColour) {
    c.Shadow1 = Darken(system.BtnFace, 90);
    c.Shadow2 = Darken(system.BtnFace, 76);
  } else {
    c.Shadow1 = c.Shadow2 = system.BtnShadow;
  }
  if (!useSystemColors) {
    c.MenuBack = settings.Color;
    c.IconBack = settings.IconBackColor;
    c.SelectBack = settings.SelectColor;
    c.SelectBorder = settings.SelectBorderColor;
    c.SelectText = settings.SelectFontColor;
    c.MenuBarBack = settings.MenuBarColor;
    c.Disabled = settings.DisabledColor;
    c.Checked = settings.CheckedColor;
    c.Separator = settings.SeparatorColor;
    if (highColour) {
      c.CheckBack = Lighten(settings.SelectColor, 75);
      c.CheckSelectedBack = Lighten(settings.SelectColor, 50);
    } else {
      c.CheckBack = QColor(Qt::white);
      c.CheckSelectedBack = QColor(0xC0, 0xC0, 0xC0);
    }
    return c;
  }
  c.SelectText = systemFontColor;
  c.SelectBorder = system.Highlight;
  c.Checked = system.Highlight;
  if (highColour) {
    c.MenuBack = Lighten(system.BtnFace, 86);
    c.IconBack = Lighten(system.BtnFace, 16);
    c.SelectBack = Lighten(system.Highlight, 68);
    c.MenuBarBack = system.Menu;
    c.Disabled = Lighten(system.BtnShadow, 10);
    c.Separator = Lighten(system.BtnShadow, 25);
    c.CheckBack = Lighten(system.Highlight, 75);
    c.CheckSelectedBack = Lighten(system.Highlight, 50);
  } else {
    c.MenuBack = QColor(Qt::white);
    c.IconBack = system.BtnFace;
    c.SelectBack = QColor(Qt::white);
    c.MenuBarBack = system.BtnFace;
    c.Disabled = system.BtnShadow;
    c.Separator = system.BtnShadow;
    c.CheckBack = c.CheckSelectedBack = QColor(Qt::white);
  }
  return c;
}
