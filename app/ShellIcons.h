#pragma once

#include <QIcon>
#include <array>

// The pictures of the shell's commands. Each is drawn by resources/draw/DrawIcons.cpp at the
// sizes below, so that it is crisp at 16 × 16 and 24 × 24 and at twice those at a device pixel
// ratio of 2, and kept as resources/icons/<size>/<picture>.png.
inline constexpr std::array<int, 4> kPictureSizes = {16, 24, 32, 48};

// Our picture, empty when there is none of that name.
QIcon OwnPicture(const char* picture);
// The desktop icon theme's icon named `themeName` (a name of the freedesktop icon naming
// specification), with our picture as fallback; our picture alone without a theme name.
QIcon ShellIcon(const char* picture, const char* themeName = nullptr);
// The picture of border preset `index` (0–11) of the borders drop-down.
QIcon BorderPresetIcon(int index);
