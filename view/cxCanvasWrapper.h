#pragma once

#include <QBitmap>
#include <QBrush>
#include <QColor>
#include <QRect>
#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QRawFont>
#include <QString>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/TextMeasurer.h"
#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"

class QPainter;

// Colours of the system look that the sheet view draws with (window colours keep the values of
// the classic desktop palette, so that pictures do not depend on the user's theme).
inline constexpr TColor kclBtnShadow = RGBColor(160, 160, 160);
inline constexpr TColor kclBtnHighlight = RGBColor(255, 255, 255);
inline constexpr TColor kclWindowText = RGBColor(0, 0, 0);
inline constexpr TColor kclBlack = RGBColor(0, 0, 0);
inline constexpr TColor kclWhite = RGBColor(255, 255, 255);

inline QColor ToQColor(TColor color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// A rectangle of pixels whose Right and Bottom belong to it (a cell of width w starting at x
// covers x … x + w and shares its last pixel column with the next cell).
// Sets a string from UTF-8 text, keeping its buffer when the text is ASCII and fits.
void AssignText(QString& target, std::string_view text);

inline QRect ToQRect(const TRect& r) { return QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom)); }

// Where a cell's text is laid out: the cell less 2 pixels on each side, moved down 2 (text is
// drawn 2 pixels above the lines' places).
inline TRect CellTextRect(const TRect& cell) {
  return {cell.Left + 2, cell.Top + 2, cell.Right - 2, cell.Bottom + 2};
}

// A screen font of the view with its metrics, made once per distinct font description and kept
// while the canvas wrapper lives; layouts refer to it by address.
struct TcxScreenFont {
  TcxFontDesc Desc;
  QFont Font;
  QFontMetrics Metrics;
  QRawFont Raw;
  int Height = 0;  // the height of one line ("Wg")
  int Ascent = 0;

  TcxScreenFont(const TcxFontDesc& desc, const QFont& font);
  int TextWidth(const QString& text) const { return Metrics.horizontalAdvance(text); }
  // Lays a line out as the font's glyphs one after the other (with the font's kerning), which
  // is how text of the alphabetic scripts up to Cyrillic is drawn; false for any other text, and
  // for characters the font lacks, which then take the full text layout. Cells are mostly such
  // text, and shaping them is most of the cost of a layout and a paint.
  bool LayOutGlyphs(const QString& text, QList<quint32>& glyphs, QList<QPointF>& positions,
                    int& width) const;
};

// One laid-out line of text. Width is the line's measured width and Glyphs, when not empty,
// the line's glyphs with their positions from its start on the baseline, ready to draw, so that
// painting never measures nor lays text out.
struct TcxTextBrick {
  int Y = 0;
  QString Text;
  int JustifyExtra = 0;
  int JustifyBreaks = 0;
  int Width = 0;
  QList<quint32> Glyphs;
  QList<QPointF> GlyphPositions;
};
using TWordExtents = std::vector<TcxTextBrick>;

// Text colour 65535: the painter has set the colour already.
inline constexpr TcxSSColor kKeepTextColor = 65535;

// A laid-out text: the lines and where and how they are drawn. X is the reference x of every
// line: its left end for left-aligned text, its right end for right-aligned text, its middle
// for centred text.
struct TcxTextParameters {
  TcxHorzTextAlign HorzAlign = haGENERAL;
  TcxVertTextAlign VertAlign = vaTOP;
  bool WordBreak = false;
  int X = 0;
  TcxSSColor TextColor = kKeepTextColor;
  const TcxScreenFont* Font = nullptr;
  TWordExtents Lines;
  // Set at layout time when every line lies inside the rectangle the text is drawn in, so that
  // painting can skip the clipping.
  bool FitsRect = false;
  // A rotated text (degrees anticlockwise, -90..90, 0 for level text) is one line drawn turned
  // about the middle of its box: BoxX and BoxY are that middle.
  int Rotation = 0;
  int BoxX = 0;
  int BoxY = 0;

  void Clear() {
    Lines.clear();
    FitsRect = false;
    Rotation = 0;
  }
};

// Every drawing operation of the sheet view and the tab strip, over one QPainter at a time.
// Rectangles are inclusive (see ToQRect). Colours are resolved here: the palette by reference,
// the three system colours (window, text, grid) and, for the selection tint, the blend of every
// palette and system colour with the selection colour, recomputed when either changes.
//
// The fill and line brushes are 8 × 8 (lines: pattern length × 8) one-bit bitmaps shared by every
// wrapper of the process and made with the first one. Painting a pattern fills the background
// colour first and then sets the pattern colour through the bitmap, so the patterns are tiled
// from the device origin like the ones the workbooks were designed with. Fonts are made and
// measured once per description; text is measured at layout time only.
class TcxCanvasWrapper {
public:
  using TPalette = std::array<TColor, 56>;

  explicit TcxCanvasWrapper(const TPalette& palette);
  ~TcxCanvasWrapper();
  TcxCanvasWrapper(const TcxCanvasWrapper&) = delete;
  TcxCanvasWrapper& operator=(const TcxCanvasWrapper&) = delete;

  // --- Canvas ------------------------------------------------------------------------------------
  void SetCanvas(QPainter* painter);
  QPainter* Canvas() const { return painter_; }
  void ResetCanvas();
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int value);

  // --- Colours -----------------------------------------------------------------------------------
  // The selection blend of a colour: 36 % selection colour, 64 % the colour.
  static TColor SelectionBlend(TColor color, TColor selection);
  void SetPalette(const TPalette& palette);
  const TPalette& Palette() const { return *palette_; }
  TColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(TColor color);
  TColor WindowColor() const { return systemColors_[0]; }
  void SetWindowColor(TColor color);
  TColor GridColor() const { return systemColors_[2]; }
  void SetGridColor(TColor color);
  // Recomputes the selection blends after the palette changed.
  void RefreshColors();

  TColor BackgroundColor(TcxSSColor index, bool selected) const;
  TColor PatternColor(TcxSSColor index, bool selected) const;
  TColor BorderColor(TcxSSColor index, bool selected) const;
  TColor TextColor(TcxSSColor index) const;

  // --- Drawing -----------------------------------------------------------------------------------
  void FillRect(const TRect& rect, TColor color);
  void FillPattern(const TRect& rect, TcxSSFillStyle style, TColor pattern, TColor background);
  void FillCell(const TRect& rect, TcxSSFillStyle style, bool selected, TcxSSColor patternIndex,
                TcxSSColor backgroundIndex);
  // A one-pixel frame; with `tint` in the selection blend of the colour.
  void FrameRect(const TRect& rect, TColor color, bool tint);
  void Edge3D(const TRect& rect, TColor topLeft, TColor bottomRight);
  // One border line given by the rectangles of the layout (three for a double line).
  void DrawLine(const std::array<TRect, 3>& rects, bool selected, TcxSSColor colorIndex,
                TcxSSColor backgroundIndex, bool vertical, TcxSSEdgeLineStyle style);
  // The same in resolved colours, the gaps of dashed lines in the background colour; lsDefault
  // is drawn as a thin line.
  void DrawBorderLine(const std::array<TRect, 3>& rects, TColor line, TColor background,
                      bool vertical, TcxSSEdgeLineStyle style);
  // One line centred at (Left + Right) / 2, its baseline at (text height + Top + Bottom) / 2,
  // clipped to the rectangle, in the current font and text colour.
  void DrawCentredText(const QString& text, const TRect& rect);
  // A filled triangle pointing left (direction 0) or right (1), black or, disabled, grey.
  void DrawArrow(const TRect& rect, bool enabled, int direction);

  // --- Text ----------------------------------------------------------------------------------------
  // The screen font of a description (made on first use).
  const TcxScreenFont& ScreenFont(const TcxFontDesc& desc);
  void SetFont(const TcxScreenFont* font) { font_ = font; }
  const TcxScreenFont* Font() const { return font_; }
  void SetTextColor(TColor color) { textColor_ = color; }
  // Measures a line in the current font (its Width, and its Glyphs where it can).
  void MeasureLine(TcxTextBrick& line) const;

  // Lays a text out in a rectangle with the current font.
  void LayoutText(std::string_view text, const TRect& rect, TcxTextParameters& params,
                  bool wordBreak, TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign);
  // Makes the parameters hold one line of the text, measured (reusing the line's buffers).
  TcxTextBrick& SingleLine(TcxTextParameters& params, std::string_view text);
  // Places the one measured line of the parameters in the rectangle, without word wrap.
  void PlaceLine(const TRect& rect, TcxTextParameters& params, TcxVertTextAlign vertAlign,
                 TcxHorzTextAlign horzAlign);
  // Places the one measured line turned by `degrees` (anticlockwise): the box the turned line
  // takes lies in the rectangle as the alignments say (left, centre or right; top, centre or
  // bottom), the line turning about the box's middle. Drawn clipped to the rectangle.
  void PlaceRotatedLine(const TRect& rect, TcxTextParameters& params, TcxVertTextAlign vertAlign,
                        TcxHorzTextAlign horzAlign, int degrees);
  // Header text: one centred line, column headers centred vertically, row headers at the bottom.
  void LayoutHeaderText(std::string_view text, const TRect& rect, bool isColumn,
                        TcxTextParameters& params);
  // Draws laid-out text clipped to the rectangle (unclipped when the layout found it fits).
  void DrawText(const TRect& rect, const TcxTextParameters& params);
  // Between these two, texts that need no clipping are gathered per font and colour and drawn
  // together by the flush, which saves most of the cost of a call per cell. Only for texts that
  // cannot overlap each other (the cells of one row).
  void BeginTextBatch();
  void FlushTextBatch();
  // Between these two, grid lines are gathered and drawn in one call, before the next line of
  // another style and at the flush, so that they are drawn in the same order relative to the
  // other lines.
  void BeginGridBatch();
  void FlushGridBatch();

private:
  void StartLayout(const TRect& rect, TcxTextParameters& params, bool wordBreak,
                   TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign) const;
  struct TTextBatch {
    const TcxScreenFont* Font = nullptr;
    TColor Color = 0;
    QList<quint32> Indexes;
    QList<QPointF> Positions;
  };

  void WrapText(std::string_view text, const TRect& rect, TcxTextParameters& params,
                TcxVertTextAlign vertAlign, TcxHorzTextAlign horzAlign);
  bool AddToBatch(const TcxTextParameters& params, TColor color);
  void DrawRotatedText(const TRect& rect, const TcxTextParameters& params, TColor color);
  // Fills with a pattern whose set bits show `ink` over the `ground` filled before.
  void FillBitmap(const TRect& rect, const QBitmap& bitmap, TColor ink, TColor ground);

  QPainter* painter_ = nullptr;
  const TPalette* palette_;
  std::array<TColor, 3> systemColors_{};
  std::array<TColor, 3> selectedSystemColors_{};
  TPalette selectedPalette_{};
  TColor selectionColor_;
  TColor textColor_ = kclWindowText;
  const TcxScreenFont* font_ = nullptr;
  int pixelsPerInch_ = 96;
  std::unordered_map<std::string, std::unique_ptr<TcxScreenFont>> fonts_;
  bool batching_ = false;
  std::vector<TTextBatch> batches_;
  bool gridBatching_ = false;
  std::vector<QRect> gridRects_;
  // Two-colour pictures of patterns for printers, by bitmap, ink and ground.
  std::map<std::tuple<qint64, TColor, TColor>, QBrush> colourPatterns_;
};
