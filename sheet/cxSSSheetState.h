#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Types.h"

// The state of sheets and of the workbook beyond their cells that files keep and a save writes
// back: how a sheet is hidden, the passwords and extra flags of protection, and how a sheet is
// viewed (scroll position, frozen panes, zoom, the window's other options).

// A sheet's visibility, with the values BOUNDSHEET records store. A very hidden sheet is one no
// command of the program shows again; the file keeps it so.
enum TcxSheetVisibility : uint8_t { svVisible = 0, svHidden = 1, svVeryHidden = 2 };

// Protection beyond its on/off flag. The password is kept as the file format's 16-bit hash of it
// (0: no password), so unprotecting asks for a password whose hash matches. A sheet may also
// protect its drawing objects and its scenarios; the workbook may protect its windows.
struct TcxSSProtection {
  uint16_t PasswordHash = 0;
  bool Objects = false;
  bool Scenarios = false;
  bool Windows = false;
  bool operator==(const TcxSSProtection&) const = default;
};

// The file format's password hash (the one Excel 97-2003 keeps for sheet and workbook
// protection): each character's code rotated left within 15 bits by its position plus one,
// XORed together with the length and 0xCE4B; 0 for the empty password. The format hashes the
// password's single-byte form: a character counts by its code up to 255, by the low byte of its
// code above; at most the first 15 characters count.
uint16_t ProtectionPasswordHash(std::string_view password);

// A sheet's default column width and row height as its file gave them, in the file's units: a
// save writes them back while the sheet's default sizes are still the ones they gave (reading
// them turns them into pixels, which lose their exact value).
struct TcxSSDefaultSizes {
  std::optional<uint16_t> ColumnChars;  // DEFCOLWIDTH: whole characters
  std::optional<uint16_t> ColumnWidth;  // STANDARDWIDTH: 1/256 of a character
  std::optional<uint16_t> RowHeight;    // DEFAULTROWHEIGHT: twips
  uint16_t RowOptions = 0;              // DEFAULTROWHEIGHT's option flags
  bool operator==(const TcxSSDefaultSizes&) const = default;
};

// How a sheet is viewed, as a file gives it and a save writes it: the first column and row shown,
// panes, zoom and the window options the workbook has no property of its own for.
//
// Origin is the first column and row of the window (of its top-left pane when there are panes).
// Frozen panes keep the FrozenCols columns and FrozenRows rows from Origin in place while the
// rest scrolls; the scrolling part then starts at PaneTopLeft in each direction that has frozen
// columns or rows. A split that is not frozen keeps its pane sizes (twips, SplitX and SplitY) and
// PaneTopLeft; it is written back but the view shows one pane. TopLeft is the first column and
// row of the part that scrolls, the one the view follows.
struct TcxSSSheetView {
  TPoint Origin{0, 0};
  TPoint PaneTopLeft{0, 0};
  int FrozenCols = 0;
  int FrozenRows = 0;
  bool Split = false;
  uint16_t SplitX = 0;
  uint16_t SplitY = 0;
  // The pane that had the focus (0 bottom right, 1 top right, 2 bottom left, 3 top left).
  uint8_t ActivePane = 3;
  // Magnification as the fraction ZoomNumerator / ZoomDenominator (4/5 is 80 %).
  uint16_t ZoomNumerator = 1;
  uint16_t ZoomDenominator = 1;
  // WINDOW2 options beyond grid, headers, formulas and panes (show zeros, default grid colour,
  // right to left, outline symbols, page break preview) as WINDOW2 stores them, its grid colour
  // index and the magnifications it keeps for the page break preview and the normal view (0:
  // the default).
  uint16_t OtherOptions = kDefaultOtherOptions;
  uint16_t GridColorIndex = 64;
  uint16_t PageBreakZoom = 0;
  uint16_t NormalZoom = 0;
  // The active cell the file gave the selection, which need not be its top-left cell, and the
  // selection it belongs to: a save writes it while the selection is still that one.
  TPoint ActiveCell{0, 0};
  TRect ActiveCellSelection{-1, -1, -1, -1};

  // Show zeros, default grid colour, outline symbols.
  static constexpr uint16_t kDefaultOtherOptions = 0x00B0;

  bool Frozen() const { return FrozenCols > 0 || FrozenRows > 0; }
  TPoint TopLeft() const {
    return {FrozenCols > 0 ? PaneTopLeft.X : Origin.X, FrozenRows > 0 ? PaneTopLeft.Y : Origin.Y};
  }
  void SetTopLeft(TPoint topLeft) {
    (FrozenCols > 0 ? PaneTopLeft.X : Origin.X) = topLeft.X;
    (FrozenRows > 0 ? PaneTopLeft.Y : Origin.Y) = topLeft.Y;
  }
  bool operator==(const TcxSSSheetView&) const = default;
};
