#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "calc/cxSSTypes.h"
#include "platform/TextMeasurer.h"

// The value types of cell styles: enumerations, the shared font and style records.

// The values equal the file's alignment codes: after the six the dialog has always offered come
// "centre across selection" (centred over the empty cells to the right) and "distributed" (the
// words spread over the width, indent on both sides).
enum TcxHorzTextAlign : uint8_t {
  haGENERAL = 0, haLEFT, haCENTER, haRIGHT, haFILL, haJUSTIFY, haCENTERACROSS, haDISTRIBUTED,
};
// As the file's codes; "distributed" spreads the lines over the height.
enum TcxVertTextAlign : uint8_t { vaTOP = 0, vaCENTER, vaBOTTOM, vaJUSTIFY, vaDISTRIBUTED };

// Reading order of a cell's text, as the file keeps it.
enum TcxTextDirection : uint8_t { tdContext = 0, tdLeftToRight, tdRightToLeft };

// Text rotation: 0..90 degrees anticlockwise, 91..180 are 1..90 degrees clockwise, and
// kRotationStacked the letters one below the other.
inline constexpr uint8_t kRotationStacked = 255;
// The largest indent a cell takes, in steps of three spaces' width.
inline constexpr uint8_t kMaxIndent = 15;

enum TcxSSFillStyle : uint8_t {
  fsSolid = 0, fsGray75, fsGray50, fsGray25, fsGray12, fsGray6, fsHorzStrip, fsVertStrip,
  fsRevDiagonalStrip, fsDiagonalStrip, fsDiagCrossHatch, fsThickCrossHatch, fsThinHorzStrip,
  fsThinVertStrip, fsThinRevDiagonalStrip, fsThinDiagonalStrip, fsThinDiagCrossHatch,
  fsThinThickCrossHatch,
};

// Values 1..13 equal the BIFF8 border line styles.
enum TcxSSEdgeLineStyle : uint8_t {
  lsDefault = 0, lsThin, lsMedium, lsDashed, lsDotted, lsThick, lsDouble, lsHair,
  lsMediumDashed, lsDashDot, lsMediumDashDot, lsDashDotDot, lsMediumDashDotDot,
  lsSlantedDashDot, lsNone,
};

enum TcxSSStyleChangeKind : uint8_t {
  sckAlignment = 0, sckMerge = 1, sckProtection = 2, sckBrush = 4, sckEdge = 5, sckFont = 6,
  sckFormat = 7, sckAll = 8,
};

// Style record flag bits.
inline constexpr uint8_t kStyleLocked = 0x01;
inline constexpr uint8_t kStyleReadOnly = 0x02;
inline constexpr uint8_t kStyleMerged = 0x04;
inline constexpr uint8_t kStyleShrinkToFit = 0x08;

// Font style bits.
inline constexpr uint8_t kFontBold = 0x01;
inline constexpr uint8_t kFontItalic = 0x02;
inline constexpr uint8_t kFontUnderline = 0x04;
inline constexpr uint8_t kFontStrikeOut = 0x08;
// With kFontUnderline, the other underlines a file's font may have (double, and either one in
// the accounting style, which runs under the whole cell); drawn as the single line, kept so that
// fonts differing only in them stay apart and a save writes them back. Without kFontUnderline
// they mean nothing and are cleared.
inline constexpr uint8_t kFontUnderlineDouble = 0x10;
inline constexpr uint8_t kFontUnderlineAccounting = 0x20;
inline constexpr uint8_t kFontUnderlineKind = kFontUnderlineDouble | kFontUnderlineAccounting;

// One distinct font of a workbook. The cache makes each once; a style record points at it.
// The screen font itself is made by the Qt layer from these values; TextExtent is the measured
// extent of "Wg" in this font (zero for records that do not belong to a cache).
//
// The size is kept as the file keeps it, in twips (1/20 point), so that 8.5 points stay 8.5;
// Size() is the whole points the published interface and the size boxes speak of.
struct TcxSSFontRec {
  std::string Name;
  TcxSSColor FontColor = 0;
  uint8_t Style = 0;
  uint8_t Charset = 1;
  int16_t Height = 160;
  TSize TextExtent;

  int Size() const { return static_cast<int>(Height >= 0 ? (Height + 10) / 20 : (Height - 10) / 20); }
  // The height of a size in whole points, kept to the signed byte the points fit.
  static int16_t HeightOfSize(int points);
};

// Edges are kept in the order left, top, right, bottom.
enum TcxSSEdgeIndex : uint8_t { eLeft = 0, eTop = 1, eRight = 2, eBottom = 3 };

struct TcxSSEdgeRec {
  TcxSSEdgeLineStyle Style = lsDefault;
  TcxSSColor Color = kColorAuto;
  bool operator==(const TcxSSEdgeRec&) const = default;
};

class TcxNumberFormat;

// A shared style record. Two records are the same style when every field before RefCount is
// equal (the font and the number format compared by identity, which is unique per distinct
// value in a cache).
//
// The number format is two fields: Format, the built-in index that classifies the cell (what
// typed text becomes, currency, dates, text), and NumberFormat, the format code the cell shows
// its value by and a save writes back, or nullptr for the built-in index's own look. A code
// read from a file keeps its classification in Format; changing Format drops the code.
struct TcxSSStyleRec {
  TxlsDataFormat Format = 0;
  const TcxNumberFormat* NumberFormat = nullptr;
  TcxHorzTextAlign HorzTextAlign = haGENERAL;
  TcxVertTextAlign VertTextAlign = vaCENTER;
  bool WordBreak = false;
  // Rotation as the file gives it (see kRotationStacked), the indent (0..kMaxIndent), the
  // reading order and the "justify the last line too" bit of distributed text.
  uint8_t Rotation = 0;
  uint8_t Indent = 0;
  TcxTextDirection TextDirection = tdContext;
  bool JustifyLastLine = false;
  uint8_t Reserved = 0;
  uint8_t Flags = kStyleLocked;
  const TcxSSFontRec* Font = nullptr;
  TcxSSFillStyle BrushStyle = fsSolid;
  TcxSSColor ForegroundColor = kColorNone;
  TcxSSColor BackgroundColor = kColorNone;
  std::array<TcxSSEdgeRec, 4> Edges{};
  int32_t RefCount = 0;

  bool SameStyle(const TcxSSStyleRec& other) const {
    return Format == other.Format && NumberFormat == other.NumberFormat &&
           HorzTextAlign == other.HorzTextAlign &&
           VertTextAlign == other.VertTextAlign && WordBreak == other.WordBreak &&
           Rotation == other.Rotation && Indent == other.Indent &&
           TextDirection == other.TextDirection && JustifyLastLine == other.JustifyLastLine &&
           Reserved == other.Reserved && Flags == other.Flags && Font == other.Font &&
           BrushStyle == other.BrushStyle && ForegroundColor == other.ForegroundColor &&
           BackgroundColor == other.BackgroundColor && Edges == other.Edges;
  }
};

// The BIFF8 default palette (colour indexes 8..63); palette index i is BIFF colour i + 8. The
// workbook's palette starts as this and returns to it before every load.
extern const std::array<TColor, 56> kDefaultPalette;

// The system colour "window background" as a token distinct from every RGB colour (system
// colours carry 0xFF in the high byte). Converted to a style colour it gives the automatic one.
inline constexpr TColor kclSystemWindow = 0xFF000005;

// The screen font a font record stands for: the face "Default" (in any case) is drawn as Tahoma.
TcxFontDesc ScreenFontDesc(const TcxSSFontRec& font);
