#pragma once

#include <QColor>
#include <QPalette>

#include "platform/Types.h"

// The colours of the XP-style menus: the three colour functions the look is built from, the
// system colours it starts from and the working colours worked out from them before every item
// is drawn.
//
// A TColor here is either an RGB value (red in the low byte) or one of the system colours below,
// which carry 0x80 in the high byte and the system colour's index in the low byte, and are looked
// up in the application's palette when the menus are drawn.

inline constexpr TColor clMenu = 0x80000004u;
inline constexpr TColor clMenuText = 0x80000007u;
inline constexpr TColor clActiveBorder = 0x8000000Au;
inline constexpr TColor clHighlight = 0x8000000Du;
inline constexpr TColor clHighlightText = 0x8000000Eu;
inline constexpr TColor clBtnFace = 0x8000000Fu;
inline constexpr TColor clBtnShadow = 0x80000010u;

// Every channel moves `percent` (at most 100) of the way towards white, rounded half away from zero.
QColor Lighten(const QColor& color, int percent);
// Red and blue less `amount`, green less `amount` - 2, each kept to 0 … 255.
QColor Darken(const QColor& color, int amount);
// A grey of the channels' mean plus `amount` (at most 100), never lighter than 240.
QColor Grey(const QColor& color, int amount);

// The system colours the menus use, as the platform shows them.
struct TSystemColors {
  QColor Menu;
  QColor MenuText;
  QColor ActiveBorder;
  QColor Highlight;
  QColor HighlightText;
  QColor BtnFace;
  QColor BtnShadow;

  // Menu: Window, MenuText: WindowText, ActiveBorder: Mid, Highlight, HighlightedText,
  // BtnFace: Button, BtnShadow: Dark.
  static TSystemColors FromPalette(const QPalette& palette);
  // An RGB colour as it is; a system colour from this set (an unknown one as black).
  QColor Resolve(TColor color) const;
};

// The colour properties of the component, resolved to colours.
struct TXPMenuColorSettings {
  QColor Color;
  QColor IconBackColor;
  QColor MenuBarColor;
  QColor SelectColor;
  QColor SelectBorderColor;
  QColor SelectFontColor;
  QColor DisabledColor;
  QColor SeparatorColor;
  QColor CheckedColor;
};

// The working colours of one drawing pass.
struct TXPMenuColors {
  QColor MenuBack;
  QColor IconBack;
  QColor SelectBack;
  QColor SelectBorder;
  QColor SelectText;
  QColor MenuBarBack;
  QColor Disabled;
  QColor Checked;
  QColor Separator;
  QColor CheckBack;
  QColor CheckSelectedBack;
  QColor Shadow1;
  QColor Shadow2;
  // The display shows more than 15 bits per pixel: gradients, lightened icons and soft shadows.
  bool HighColour = true;
};

// With `useSystemColors` every colour but the shadows comes from the system colours (the
// highlighted text takes `systemFontColor`, the colour of the system menu font); otherwise from
// the properties.
TXPMenuColors ComputeMenuColors(const TXPMenuColorSettings& settings, const TSystemColors& system,
                                bool useSystemColors, bool highColour, const QColor& systemFontColor);
