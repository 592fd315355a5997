// Draws the pictures of the shell's commands and of the twelve border presets into
// resources/icons/<size>/<name>.png at 16, 24, 32 and 48 pixels (so 16 and 24 stay crisp at a
// device pixel ratio of 2), and writes resources/icons/icons.qrc listing them. Not part of the
// build; run it again after changing a picture:
//   g++ -std=c++20 -fPIC DrawIcons.cpp -o /tmp/drawicons $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/drawicons ../icons
//
// Every picture is designed on a 16 × 16 grid of units. Straight edges are filled on whole
// pixels (a unit coordinate is rounded to the pixel grid of the size drawn, and lines are whole
// pixels thick), so they stay sharp at every size; only slanted and round shapes are smoothed.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// The colours of the pictures.
const QColor kInk(52, 61, 78);          // outlines and letters
const QColor kPaper(255, 255, 255);
const QColor kRule(150, 162, 180);      // grid lines
const QColor kShade(214, 224, 238);     // header cells, pale fills
const QColor kBlue(36, 99, 180);
const QColor kPaleBlue(160, 196, 238);
const QColor kGreen(38, 140, 72);
const QColor kRed(200, 44, 44);
const QColor kGold(224, 170, 40);
const QColor kDarkGold(156, 110, 20);
const QColor kBrown(140, 90, 46);
const QColor kGrey(128, 136, 150);

class TCanvas {
public:
  TCanvas(QPainter& painter, int size) : p_(painter), n_(size), s_(size / 16.0) {}

  int Size() const { return n_; }
  // A unit coordinate on the pixel grid.
  int X(double unit) const { return static_cast<int>(std::lround(unit * s_)); }
  // The thickness of a line, in whole pixels.
  int Line() const { return std::max(1, static_cast<int>(std::lround(s_ * 0.9))); }
  int Bold() const { return std::max(2, static_cast<int>(std::lround(s_ * 1.8))); }
  // The thickness of a bar (a line of text in a picture).
  int Bar() const { return std::max(1, static_cast<int>(std::lround(s_))); }

  void Fill(double x0, double y0, double x1, double y1, const QColor& color) {
    p_.fillRect(QRect(X(x0), X(y0), std::max(1, X(x1) - X(x0)), std::max(1, X(y1) - X(y0))), color);
  }
  // An outline inside the rectangle, `thickness` pixels wide.
  void Frame(double x0, double y0, double x1, double y1, const QColor& color, int thickness = 0) {
    const int t = thickness ? thickness : Line();
    const QRect r(X(x0), X(y0), X(x1) - X(x0), X(y1) - X(y0));
    p_.fillRect(QRect(r.left(), r.top(), r.width(), t), color);
    p_.fillRect(QRect(r.left(), r.bottom() - t + 1, r.width(), t), color);
    p_.fillRect(QRect(r.left(), r.top(), t, r.height()), color);
    p_.fillRect(QRect(r.right() - t + 1, r.top(), t, r.height()), color);
  }
  void Box(double x0, double y0, double x1, double y1, const QColor& fill, const QColor& edge) {
    Fill(x0, y0, x1, y1, fill);
    Frame(x0, y0, x1, y1, edge);
  }
  // A horizontal line whose top is at unit y, or a vertical one whose left is at unit x.
  void HLine(double x0, double x1, double y, const QColor& color, int thickness = 0) {
    const int t = thickness ? thickness : Line();
    p_.fillRect(QRect(X(x0), X(y), X(x1) - X(x0), t), color);
  }
  void VLine(double x, double y0, double y1, const QColor& color, int thickness = 0) {
    const int t = thickness ? thickness : Line();
    p_.fillRect(QRect(X(x), X(y0), t, X(y1) - X(y0)), color);
  }
  // A line of dots (every other pixel).
  void DottedH(double x0, double x1, double y, const QColor& color) {
    for (int x = X(x0); x < X(x1); x += 2) p_.fillRect(QRect(x, X(y), 1, Line()), color);
  }
  void DottedV(double x, double y0, double y1, const QColor& color) {
    for (int y = X(y0); y < X(y1); y += 2) p_.fillRect(QRect(X(x), y, Line(), 1), color);
  }

  // A smoothed shape given in units.
  void Shape(const QPainterPath& units, const QColor& fill, const QColor& edge = Qt::transparent,
             double edgeUnits = 0) {
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing);
    p_.scale(s_, s_);
    p_.setBrush(fill == Qt::transparent ? QBrush(Qt::NoBrush) : QBrush(fill));
    if (edge == Qt::transparent || edgeUnits <= 0)
      p_.setPen(Qt::NoPen);
    else
      p_.setPen(QPen(edge, std::max(edgeUnits, 1.0 / s_), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p_.drawPath(units);
    p_.restore();
  }
  void Stroke(const QPainterPath& units, const QColor& color, double widthUnits) {
    Shape(units, Qt::transparent, color, widthUnits);
  }

  // A filled polygon with a sharp outline: every vertex sits on the pixel grid and the outline,
  // a whole number of pixels wide, lies just inside the shape's edges, so that straight edges
  // cover whole pixels; only slanted edges are smoothed.
  void Poly(std::initializer_list<QPointF> units, const QColor& fill, const QColor& edge) {
    QRectF bounds;
    for (const QPointF& point : units) bounds = bounds.isNull() ? QRectF(point, QSizeF(0.001, 0.001)) : bounds.united(QRectF(point, QSizeF(0.001, 0.001)));
    const QPointF centre = bounds.center();
    const double half = Line() / 2.0;
    QPolygonF pixels;
    for (const QPointF& point : units) {
      const double x = X(point.x()) + (point.x() <= centre.x() ? half : -half);
      const double y = X(point.y()) + (point.y() <= centre.y() ? half : -half);
      pixels << QPointF(x, y);
    }
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing);
    p_.setBrush(fill);
    p_.setPen(QPen(edge, Line(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p_.drawPolygon(pixels);
    p_.restore();
  }

  // Text centred in a box of units, `height` units high.
  void Text(const QString& text, const QRectF& box, double height, const QColor& color,
            bool bold = true, bool italic = false, const char* family = "DejaVu Sans") {
    QFont font(family);
    font.setPixelSize(std::max(6, static_cast<int>(std::lround(height * s_))));
    font.setBold(bold);
    font.setItalic(italic);
    font.setHintingPreference(QFont::PreferFullHinting);
    p_.save();
    p_.setRenderHint(QPainter::TextAntialiasing);
    p_.setFont(font);
    p_.setPen(color);
    p_.drawText(QRectF(box.left() * s_, box.top() * s_, box.width() * s_, box.height() * s_),
                Qt::AlignCenter, text);
    p_.restore();
  }

  QPainter& Painter() { return p_; }

private:
  QPainter& p_;
  int n_;
  double s_;
};

using TDraw = std::function<void(TCanvas&)>;

// --- Shared parts --------------------------------------------------------------------------------

QPainterPath Polygon(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(points)));
  path.closeSubpath();
  return path;
}

// A sheet of paper with a folded top-right corner.
void Page(TCanvas& c, double x0, double y0, double x1, double y1) {
  const double fold = std::round((x1 - x0) * 0.35);
  c.Poly({{x0, y0}, {x1 - fold, y0}, {x1, y0 + fold}, {x1, y1}, {x0, y1}}, kPaper, kInk);
  c.Poly({{x1 - fold, y0}, {x1 - fold, y0 + fold}, {x1, y0 + fold}}, kShade, kInk);
}

// Lines of text on a page.
void PageText(TCanvas& c, double x0, double x1, double y0, int lines) {
  for (int k = 0; k < lines; ++k) c.HLine(x0, x1 - (k % 2) * 2, y0 + k * 2, kRule);
}

// A grid of cells with an outline; `shade` fills one column (kind 1), one row (kind 2) or one
// cell (kind 3) in `tint`.
void Grid(TCanvas& c, double x0, double y0, double x1, double y1, int cols, int rows, int kind = 0,
          int index = 1, const QColor& tint = kPaleBlue) {
  c.Fill(x0, y0, x1, y1, kPaper);
  const double w = (x1 - x0) / cols;
  const double h = (y1 - y0) / rows;
  if (kind == 1) c.Fill(x0 + w * index, y0, x0 + w * (index + 1), y1, tint);
  if (kind == 2) c.Fill(x0, y0 + h * index, x1, y0 + h * (index + 1), tint);
  if (kind == 3) c.Fill(x0 + w * index, y0 + h * index, x0 + w * (index + 1), y0 + h * (index + 1), tint);
  for (int k = 1; k < cols; ++k) c.VLine(x0 + w * k, y0, y1, kRule);
  for (int k = 1; k < rows; ++k) c.HLine(x0, x1, y0 + h * k, kRule);
  c.Frame(x0, y0, x1, y1, kInk);
}

// A small round badge in the bottom-right corner carrying a plus, a minus or a cross.
enum TBadge { bPlus, bMinus, bCross };
void Badge(TCanvas& c, TBadge kind, const QColor& color) {
  // On whole pixels: a disc d pixels wide in the corner, its bars centred on it.
  const int n = c.Size();
  const int left = c.X(8.5);
  const int d = n - left;
  QPainterPath disc;
  disc.addEllipse(QRectF(left, left, d, d));
  auto& p = c.Painter();
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPath(disc);
  int t = std::max(1, d / 5);
  if ((d - t) % 2) ++t;
  const int margin = std::max(2, d / 4);
  const int at = left + (d - t) / 2;
  if (kind == bCross) {
    p.setPen(QPen(kPaper, t * 0.9, Qt::SolidLine, Qt::FlatCap));
    const double a = left + margin + 0.5, b = n - margin - 0.5;
    p.drawLine(QPointF(a, a), QPointF(b, b));
    p.drawLine(QPointF(b, a), QPointF(a, b));
  } else {
    p.fillRect(QRect(left + margin, at, d - 2 * margin, t), kPaper);
    if (kind == bPlus) p.fillRect(QRect(at, left + margin, t, d - 2 * margin), kPaper);
  }
  p.restore();
}

// An eye (open) or a crossed-out eye in the bottom-right corner.
void Eye(TCanvas& c, bool crossed) {
  QPainterPath lids;
  lids.moveTo(7.5, 12);
  lids.quadTo(11.75, 7.2, 16, 12);
  lids.quadTo(11.75, 16.8, 7.5, 12);
  c.Shape(lids, kPaper, kInk, 1.2);
  QPainterPath pupil;
  pupil.addEllipse(QPointF(11.75, 12), 2.0, 2.0);
  c.Shape(pupil, kBlue);
  if (crossed) {
    QPainterPath bar;
    bar.moveTo(8.2, 15.4);
    bar.lineTo(15.4, 8.6);
    c.Stroke(bar, kPaper, 2.6);
    c.Stroke(bar, kRed, 1.3);
  }
}

// A straight arrow from (x0, y0) to (x1, y1) with a filled head.
void Arrow(TCanvas& c, double x0, double y0, double x1, double y1, const QColor& color, double width = 1.4,
           double head = 3.2) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double length = std::hypot(dx, dy);
  const double ux = dx / length, uy = dy / length;
  QPainterPath shaft;
  shaft.moveTo(x0, y0);
  shaft.lineTo(x1 - ux * head * 0.8, y1 - uy * head * 0.8);
  c.Stroke(shaft, color, width);
  c.Shape(Polygon({{x1, y1},
                   {x1 - ux * head - uy * head * 0.6, y1 - uy * head + ux * head * 0.6},
                   {x1 - ux * head + uy * head * 0.6, y1 - uy * head - ux * head * 0.6}}),
          color);
}

// A circular arrow around (cx, cy): `turns` from `start` degrees, counter-clockwise when `ccw`.
void CurvedArrow(TCanvas& c, double cx, double cy, double radius, double start, double span,
                 const QColor& color) {
  QPainterPath arc;
  const QRectF box(cx - radius, cy - radius, 2 * radius, 2 * radius);
  arc.arcMoveTo(box, start);
  arc.arcTo(box, start, span);
  c.Stroke(arc, color, 1.8);
  const double end = (start + span) * M_PI / 180;
  const QPointF tip(cx + radius * std::cos(end), cy - radius * std::sin(end));
  // The head points along the arc's direction at its end.
  const double sign = span > 0 ? 1 : -1;
  const QPointF along(-std::sin(end) * sign, -std::cos(end) * sign);
  const QPointF across(std::cos(end), -std::sin(end));
  const double h = 3.0;
  c.Shape(Polygon({tip + along * h, tip + across * h * 0.75, tip - across * h * 0.75}), color);
}

// A window frame with a blue title bar.
void Window(TCanvas& c, double x0, double y0, double x1, double y1) {
  c.Fill(x0, y0, x1, y1, kPaper);
  c.Fill(x0, y0, x1, y0 + std::min(3.0, (y1 - y0) / 3), kBlue);
  c.Frame(x0, y0, x1, y1, kInk);
}

// A floppy disk.
void Floppy(TCanvas& c, double x0, double y0, double x1, double y1) {
  const double w = x1 - x0, h = y1 - y0;
  c.Poly({{x0, y0}, {x1 - std::round(w * 0.15), y0}, {x1, y0 + std::round(h * 0.15)}, {x1, y1}, {x0, y1}},
         kBlue, kInk);
  c.Fill(x0 + w * 0.22, y0 + 0.6, x1 - w * 0.22, y0 + h * 0.42, kPaper);
  c.Fill(x0 + w * 0.28, y1 - h * 0.36, x1 - w * 0.28, y1 - 0.6, kShade);
  c.Fill(x0 + w * 0.55, y1 - h * 0.3, x0 + w * 0.66, y1 - h * 0.08, kInk);
}

// Horizontal text lines aligned left (0), centred (1) or right (2).
void AlignedLines(TCanvas& c, int align) {
  const double widths[] = {12, 8, 12, 6, 10};
  for (int k = 0; k < 5; ++k) {
    const double w = widths[k];
    const double x0 = align == 0 ? 2 : align == 1 ? 8 - w / 2 : 14 - w;
    c.HLine(x0, x0 + w, 2.5 + k * 2.5, kInk, c.Bar());
  }
}

// --- The pictures --------------------------------------------------------------------------------

void New(TCanvas& c) {
  Page(c, 2.5, 1, 12.5, 15);
  PageText(c, 4.5, 10.5, 6, 3);
  Badge(c, bPlus, kGreen);
}

void Open(TCanvas& c) {
  c.Poly({{1, 2}, {6, 2}, {7, 4}, {13, 4}, {13, 14}, {1, 14}}, kDarkGold, kInk);
  c.Poly({{4, 7}, {16, 7}, {13, 14}, {1, 14}}, kGold, kInk);
}

void Save(TCanvas& c) { Floppy(c, 1.5, 1.5, 14.5, 14.5); }

void SaveAs(TCanvas& c) {
  Floppy(c, 1, 1, 12, 12);
  QPainterPath pencil;
  pencil.moveTo(15, 7.5);
  pencil.lineTo(9, 13.5);
  c.Stroke(pencil, kInk, 3.2);
  c.Stroke(pencil, kGold, 1.8);
  c.Shape(Polygon({{9.6, 12.9}, {8.2, 15.2}, {10.5, 13.8}}), kInk);
}

void Exit(TCanvas& c) {
  c.Box(2, 1.5, 9, 14.5, kShade, kBrown);
  c.Fill(7, 8, 8, 9, kInk);
  Arrow(c, 7.5, 8.5, 15.5, 8.5, kRed, 1.8, 3.6);
}

void PageSetup(TCanvas& c) {
  Page(c, 2, 1, 13, 15);
  for (double x = 4; x < 10.5; x += 2) c.Fill(x, 4, x + 1, 5, kBlue);
  for (double y = 6; y < 13; y += 2) c.Fill(4, y, 5, y + 1, kBlue);
  for (double y = 6; y < 13; y += 2) c.Fill(10, y, 11, y + 1, kBlue);
  for (double x = 4; x < 10.5; x += 2) c.Fill(x, 12, x + 1, 13, kBlue);
}

void PrintPreview(TCanvas& c) {
  Page(c, 1.5, 1, 11, 14);
  PageText(c, 3.5, 9, 5, 3);
  QPainterPath lens;
  lens.addEllipse(QPointF(10, 9.5), 3.2, 3.2);
  c.Shape(lens, QColor(220, 236, 255, 220), kInk, 1.3);
  QPainterPath handle;
  handle.moveTo(12.4, 11.9);
  handle.lineTo(15, 14.5);
  c.Stroke(handle, kBrown, 2.2);
}

void PrintAreaFrame(TCanvas& c) {
  c.Box(1, 1, 15, 15, kPaper, kGrey);
  // The printed part: a dashed frame, two pixels on and one off.
  const int a = c.X(3), b = c.X(13) - 1, t = c.Line();
  auto& p = c.Painter();
  for (int k = a; k <= b; ++k) {
    if ((k - a) % 3 == 2) continue;
    p.fillRect(QRect(k, a, 1, t), kBlue);
    p.fillRect(QRect(k, b - t + 1, 1, t), kBlue);
    p.fillRect(QRect(a, k, t, 1), kBlue);
    p.fillRect(QRect(b - t + 1, k, t, 1), kBlue);
  }
  c.Fill(5, 5.5, 11, 6.5, kRule);
  c.Fill(5, 8, 10, 9, kRule);
  c.Fill(5, 10.5, 11, 11.5, kRule);
}
void PrintArea(TCanvas& c) { PrintAreaFrame(c); }
void PrintAreaClear(TCanvas& c) {
  PrintAreaFrame(c);
  Badge(c, bCross, kRed);
}

void Print(TCanvas& c) {
  c.Box(4, 1, 12, 7, kPaper, kInk);
  c.Box(1, 6, 15, 12, kGrey, kInk);
  c.Fill(12, 8, 13.5, 9, kGreen);
  c.Box(4, 10, 12, 15, kPaper, kInk);
  c.HLine(5.5, 10.5, 12, kRule);
}

void Association(TCanvas& c) {
  Page(c, 1.5, 1, 11.5, 14);
  c.Text("Z", QRectF(2.5, 4, 7, 8), 7, kGreen);
  Arrow(c, 9, 12, 15.5, 12, kBlue, 1.6, 3.2);
}

void About(TCanvas& c) {
  QPainterPath disc;
  disc.addEllipse(QRectF(1, 1, 14, 14));
  c.Shape(disc, kBlue, kInk, 0.6);
  c.Fill(7, 6.5, 9, 12.5, kPaper);
  c.Fill(7, 3.5, 9, 5.5, kPaper);
}

void WebSite(TCanvas& c) {
  QPainterPath globe;
  globe.addEllipse(QRectF(1, 1, 14, 14));
  c.Shape(globe, kPaleBlue, kBlue, 1.0);
  QPainterPath lines;
  lines.addEllipse(QRectF(5, 1, 6, 14));
  lines.moveTo(8, 1);
  lines.lineTo(8, 15);
  lines.moveTo(1, 8);
  lines.lineTo(15, 8);
  if (c.Size() > 16) {
    lines.moveTo(2.3, 4.5);
    lines.lineTo(13.7, 4.5);
    lines.moveTo(2.3, 11.5);
    lines.lineTo(13.7, 11.5);
  }
  c.Stroke(lines, kBlue, c.Size() > 16 ? 0.8 : 1.0);
}

void Write(TCanvas& c) {
  c.Box(1, 3.5, 15, 12.5, kPaper, kInk);
  QPainterPath flap;
  flap.moveTo(1.5, 4);
  flap.lineTo(8, 9);
  flap.lineTo(14.5, 4);
  c.Stroke(flap, kInk, 1.0);
}

void Ask(TCanvas& c) {
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(1, 1, 14, 11), 3, 3);
  bubble.addPolygon(QPolygonF({{4, 11}, {4, 15}, {8, 11.5}}));
  c.Shape(bubble.simplified(), kGold, kInk, 0.9);
  c.Text("?", QRectF(1, 0.5, 14, 11.5), 10, kInk);
}

void Cut(TCanvas& c) {
  QPainterPath blades;
  blades.moveTo(5.5, 10);
  blades.lineTo(11.5, 1.5);
  blades.moveTo(10.5, 10);
  blades.lineTo(4.5, 1.5);
  c.Stroke(blades, kGrey, 1.6);
  QPainterPath rings;
  rings.addEllipse(QPointF(4.5, 12.5), 2.4, 2.4);
  rings.addEllipse(QPointF(11.5, 12.5), 2.4, 2.4);
  c.Stroke(rings, kRed, 1.4);
}

void Copy(TCanvas& c) {
  Page(c, 1, 1, 10, 12);
  PageText(c, 2.5, 7.5, 5, 3);
  Page(c, 6, 4, 15, 15);
  PageText(c, 7.5, 12.5, 8, 3);
}

void Paste(TCanvas& c) {
  c.Box(1.5, 2.5, 12.5, 15, kBrown, kInk);
  c.Box(4.5, 1, 9.5, 4, kGrey, kInk);
  Page(c, 7, 6, 15, 15);
  PageText(c, 8.5, 12.5, 10, 2);
}

void FormatCells(TCanvas& c) {
  Grid(c, 1, 1, 15, 15, 3, 3, 3, 0, kGold);
  QPainterPath handle;
  handle.moveTo(14.5, 6);
  handle.lineTo(9, 11.5);
  c.Stroke(handle, kBrown, 1.8);
  c.Shape(Polygon({{9.8, 10.2}, {7, 10.5}, {5.5, 14.5}, {9.5, 13}, {10.8, 11.2}}), kBlue, kInk, 0.7);
}

void HideCells(TCanvas& c) {
  Grid(c, 1, 1, 12, 12, 3, 3, 3, 1);
  Eye(c, true);
}
void ShowCells(TCanvas& c) {
  Grid(c, 1, 1, 12, 12, 3, 3, 3, 1);
  Eye(c, false);
}
void HideColumns(TCanvas& c) {
  Grid(c, 1, 1, 12, 12, 3, 3, 1, 1);
  Eye(c, true);
}
void ShowColumns(TCanvas& c) {
  Grid(c, 1, 1, 12, 12, 3, 3, 1, 1);
  Eye(c, false);
}
void HideRows(TCanvas& c) {
  Grid(c, 1, 1, 12, 12, 3, 3, 2, 1);
  Eye(c, true);
}
void ShowRows(TCanvas& c) {
  Grid(c, 1, 1, 12, 12, 3, 3, 2, 1);
  Eye(c, false);
}
void DeleteCells(TCanvas& c) {
  Grid(c, 1, 1, 13, 13, 3, 3, 3, 1, QColor(250, 200, 200));
  Badge(c, bMinus, kRed);
}
void InsertCells(TCanvas& c) {
  Grid(c, 1, 1, 13, 13, 3, 3, 3, 1, QColor(196, 236, 204));
  Badge(c, bPlus, kGreen);
}
void InsertRow(TCanvas& c) {
  Grid(c, 1, 1, 13, 13, 3, 3, 2, 1, QColor(196, 236, 204));
  Badge(c, bPlus, kGreen);
}
void InsertColumn(TCanvas& c) {
  Grid(c, 1, 1, 13, 13, 3, 3, 1, 1, QColor(196, 236, 204));
  Badge(c, bPlus, kGreen);
}
void InsertSheet(TCanvas& c) {
  Grid(c, 1, 1, 14, 10, 3, 2);
  c.Poly({{1, 9}, {8, 9}, {7, 14}, {2, 14}}, kPaper, kInk);
  Badge(c, bPlus, kGreen);
}

void Look(TCanvas& c) {
  c.Fill(1, 3, 15, 13, QColor(226, 230, 238));
  c.HLine(1, 15, 3, kPaper, c.Bold());
  c.VLine(1, 3, 13, kPaper, c.Bold());
  c.Fill(1, 12, 15, 13, kGrey);
  c.Fill(14, 3, 15, 13, kGrey);
  c.Frame(1, 3, 15, 13, kInk);
  c.Fill(4, 7, 12, 9, kInk);
}

void BufferedPaint(TCanvas& c) {
  c.Box(1, 1.5, 12, 6.5, kBlue, kInk);
  c.Fill(12, 3.5, 14.5, 4.5, kInk);
  c.VLine(14, 3.5, 9, kInk);
  c.HLine(8, 14.5, 8.5, kInk);
  c.VLine(7.5, 8.5, 10.5, kInk);
  c.Box(6.5, 10, 9.5, 15, kBrown, kInk);
}

void ShowCaptions(TCanvas& c) {
  Grid(c, 1, 1, 15, 10, 3, 2);
  // Three sheet tabs under the grid, the first one the active sheet's.
  c.Poly({{10, 9}, {15, 9}, {14, 14}, {11, 14}}, kShade, kInk);
  c.Poly({{5.5, 9}, {10.5, 9}, {9.5, 14}, {6.5, 14}}, kShade, kInk);
  c.Poly({{1, 9}, {6, 9}, {5, 14}, {2, 14}}, kPaper, kInk);
}

void ShowGrid(TCanvas& c) { Grid(c, 1, 1, 15, 15, 3, 3); }

void ShowHeaders(TCanvas& c) {
  // The column headers along the top and the row headers down the left, shaded.
  c.Fill(1, 1, 15, 15, kPaper);
  c.Fill(1, 1, 15, 5, kShade);
  c.Fill(1, 1, 5, 15, kShade);
  c.VLine(10, 1, 15, kRule);
  c.HLine(1, 15, 10, kRule);
  c.VLine(5, 1, 15, kInk);
  c.HLine(1, 15, 5, kInk);
  c.Frame(1, 1, 15, 15, kInk);
}

void ShowFormulas(TCanvas& c) { c.Text("fx", QRectF(0, 0, 16, 15), 12, kBlue, true, true, "DejaVu Serif"); }

void R1C1(TCanvas& c) {
  c.Text("R1", QRectF(0, 0, 16, 8), 7.5, kInk);
  c.Text("C1", QRectF(0, 8, 16, 8), 7.5, kBlue);
}

void Calculator(TCanvas& c, double x0, double y0, double x1, double y1) {
  c.Box(x0, y0, x1, y1, QColor(226, 230, 238), kInk);
  c.Fill(x0 + 1.5, y0 + 1.5, x1 - 1.5, y0 + 4, kGreen);
  const double w = (x1 - x0 - 3) / 3;
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k)
      c.Fill(x0 + 1.5 + k * w, y0 + 5.5 + r * 2.5, x0 + 1.5 + k * w + w * 0.6, y0 + 7 + r * 2.5, kInk);
}

void AutoCalc(TCanvas& c) {
  Calculator(c, 1, 1, 11, 15);
  QPainterPath disc;
  disc.addEllipse(QRectF(8.5, 8.5, 7, 7));
  c.Shape(disc, kPaper, kInk, 0.8);
  c.Text("A", QRectF(8.5, 8.5, 7, 7), 5.5, kGreen);
}

void Recalc(TCanvas& c) {
  CurvedArrow(c, 8, 8, 5.2, 100, 150, kBlue);
  CurvedArrow(c, 8, 8, 5.2, 280, 150, kGreen);
}

void AlignLeft(TCanvas& c) { AlignedLines(c, 0); }
void AlignCenter(TCanvas& c) { AlignedLines(c, 1); }
void AlignRight(TCanvas& c) { AlignedLines(c, 2); }
void Bold(TCanvas& c) { c.Text("B", QRectF(0, 0, 16, 16), 13, kInk, true); }
void Italic(TCanvas& c) { c.Text("I", QRectF(0, 0, 16, 16), 13, kInk, true, true, "DejaVu Serif"); }
void Underline(TCanvas& c) {
  c.Text("U", QRectF(0, 0, 16, 13.5), 11.5, kInk, true);
  c.Fill(3.5, 13.5, 12.5, 15, kInk);
}
void StrikeOut(TCanvas& c) {
  c.Text("S", QRectF(0, 0, 16, 16), 13, kInk, true);
  c.Fill(2, 8, 14, 9.3, kRed);
}

void MergeCells(TCanvas& c) {
  c.Box(1, 3, 15, 13, kPaper, kInk);
  Arrow(c, 2, 8, 7.6, 8, kBlue, 1.8, 4);
  Arrow(c, 14, 8, 8.4, 8, kBlue, 1.8, 4);
}

void SplitCells(TCanvas& c) {
  c.Box(1, 3, 15, 13, kPaper, kInk);
  c.VLine(7.5, 3, 13, kInk);
  Arrow(c, 7, 8, 1.8, 8, kBlue, 1.8, 4);
  Arrow(c, 9, 8, 14.2, 8, kBlue, 1.8, 4);
}

void SortLetters(TCanvas& c, const char* top, const char* bottom) {
  c.Text(top, QRectF(0, 0, 9, 8), 7.5, kInk);
  c.Text(bottom, QRectF(0, 8, 9, 8), 7.5, kInk);
  Arrow(c, 12.5, 1.5, 12.5, 15, kBlue, 1.5, 3.4);
}
void SortAscending(TCanvas& c) { SortLetters(c, "A", "Z"); }
void SortDescending(TCanvas& c) { SortLetters(c, "Z", "A"); }

void Sum(TCanvas& c) { c.Text(QString::fromUtf8("\u03a3"), QRectF(0, 0, 16, 16), 14, kInk, true); }
void Average(TCanvas& c) {
  c.Fill(3.5, 2, 12.5, 3.4, kInk);
  c.Text("x", QRectF(0, 2.5, 16, 13), 12, kInk, true, true, "DejaVu Serif");
}
void Count(TCanvas& c) { c.Text("#", QRectF(0, 0, 16, 16), 12.5, kInk, true); }
void Bars(TCanvas& c, const double heights[3], int marked) {
  for (int k = 0; k < 3; ++k) {
    const double x0 = 1.5 + k * 4.5;
    c.Box(x0, 15 - heights[k], x0 + 3.5, 15, k == marked ? kRed : kPaleBlue, kInk);
  }
}
void Max(TCanvas& c) {
  const double heights[] = {5, 8.5, 12};
  Bars(c, heights, 2);
  Arrow(c, 4.5, 7, 4.5, 1, kGreen, 1.5, 3);
}
void Min(TCanvas& c) {
  const double heights[] = {12, 8.5, 5};
  Bars(c, heights, 2);
  Arrow(c, 11.5, 1, 11.5, 7.5, kGreen, 1.5, 3);
}

void Undo(TCanvas& c) { CurvedArrow(c, 8.5, 9.5, 5.2, 330, 200, kBlue); }
void Redo(TCanvas& c) { CurvedArrow(c, 7.5, 9.5, 5.2, 210, -200, kBlue); }

void WindowCascade(TCanvas& c) {
  Window(c, 1, 1, 10, 8);
  Window(c, 3.5, 4.5, 12.5, 11.5);
  Window(c, 6, 8, 15, 15);
}
void WindowTileHorizontal(TCanvas& c) {
  Window(c, 1, 1, 15, 7.5);
  Window(c, 1, 8.5, 15, 15);
}
void WindowTileVertical(TCanvas& c) {
  Window(c, 1, 1, 7.5, 15);
  Window(c, 8.5, 1, 15, 15);
}
void WindowMinimizeAll(TCanvas& c) {
  Window(c, 1, 1, 15, 9);
  Arrow(c, 8, 3.5, 8, 8.5, kGreen, 1.5, 3);
  c.Box(1, 11, 7, 14.5, kBlue, kInk);
  c.Box(9, 11, 15, 14.5, kBlue, kInk);
}
void WindowArrange(TCanvas& c) {
  c.Frame(1, 1, 15, 15, kGrey);
  c.Box(2, 11, 6.5, 14, kBlue, kInk);
  c.Box(6.5, 11, 11, 14, kBlue, kInk);
  c.Box(11, 11, 14, 14, kBlue, kInk);
}
void WindowClose(TCanvas& c) {
  Window(c, 1, 1, 15, 15);
  QPainterPath cross;
  cross.moveTo(5, 6.5);
  cross.lineTo(11, 12.5);
  cross.moveTo(11, 6.5);
  cross.lineTo(5, 12.5);
  c.Stroke(cross, kRed, 2);
}

// --- Borders -------------------------------------------------------------------------------------

// Line styles of the border presets, as the borders command names them.
enum TLine { lKeep, lNone, lThin, lThick, lDouble };
struct TPreset {
  TLine Left, Top, Right, Bottom, Inner;
};
// By the index of the borders drop-down.
constexpr TPreset kPresets[12] = {
    {lNone, lNone, lNone, lNone, lNone},     {lKeep, lKeep, lKeep, lDouble, lNone},
    {lKeep, lThin, lKeep, lThick, lNone},    {lKeep, lKeep, lKeep, lThin, lNone},
    {lKeep, lKeep, lKeep, lThick, lNone},    {lThin, lThin, lThin, lThin, lThin},
    {lThin, lKeep, lKeep, lKeep, lNone},     {lKeep, lThin, lKeep, lThin, lNone},
    {lThin, lThin, lThin, lThin, lNone},     {lKeep, lKeep, lThin, lKeep, lNone},
    {lKeep, lThin, lKeep, lDouble, lNone},   {lThick, lThick, lThick, lThick, lNone},
};

// A 2 × 2 block of cells: the lines the preset draws in black, the other cell edges as grey
// dots (a kept line shows as a dotted one: the command leaves it as it was). Drawn on whole
// pixels: the block's outer edges are the pixel rows and columns `a` and `b`, its inner lines
// `m`; a thin line is one pixel wide (two at 48), a thick one about twice that.
void BorderBlock(TCanvas& c, const TPreset& preset) {
  const int n = c.Size();
  const int a = c.X(2), b = n - 1 - c.X(2), m = (a + b) / 2;
  auto& p = c.Painter();
  p.fillRect(QRect(a, a, b - a + 1, b - a + 1), kPaper);
  for (const int at : {a, m, b}) {
    for (int k = a; k <= b; k += 2) {
      p.fillRect(QRect(k, at, 1, 1), kGrey);
      p.fillRect(QRect(at, k, 1, 1), kGrey);
    }
  }
  const int thin = std::max(1, n / 24);
  const int thick = n <= 16 ? 2 : thin * 2 + 1;
  // A line starting at row (column) `at` and growing by `dir` (+1 down or right, -1 up or left).
  const auto band = [&](bool horizontal, int at, int dir, int width) {
    const int from = dir > 0 ? at : at - width + 1;
    if (horizontal)
      p.fillRect(QRect(a, from, b - a + 1, width), kInk);
    else
      p.fillRect(QRect(from, a, width, b - a + 1), kInk);
  };
  const auto line = [&](TLine kind, bool horizontal, int at, int dir) {
    switch (kind) {
      case lThin:
        band(horizontal, at, dir, thin);
        break;
      case lThick:
        band(horizontal, at, dir, thick);
        break;
      case lDouble:
        band(horizontal, at, dir, thin);
        band(horizontal, at + dir * 2 * thin, dir, thin);
        break;
      case lKeep:
      case lNone:
        break;
    }
  };
  line(preset.Inner, true, m, 1);
  line(preset.Inner, false, m, 1);
  line(preset.Top, true, a, 1);
  line(preset.Bottom, true, b, -1);
  line(preset.Left, false, a, 1);
  line(preset.Right, false, b, -1);
}

// The borders button: a block with its outline and a thick bottom line.
void Borders(TCanvas& c) { BorderBlock(c, {lThin, lThin, lThin, lThick, lThin}); }

struct TPicture {
  QString Name;
  TDraw Draw;
};

std::vector<TPicture> Pictures() {
  std::vector<TPicture> pictures = {
      {"new", New},
      {"open", Open},
      {"save", Save},
      {"save-as", SaveAs},
      {"exit", Exit},
      {"page-setup", PageSetup},
      {"print-preview", PrintPreview},
      {"print-area", PrintArea},
      {"print-area-clear", PrintAreaClear},
      {"print", Print},
      {"association", Association},
      {"about", About},
      {"web-site", WebSite},
      {"write", Write},
      {"ask", Ask},
      {"cut", Cut},
      {"copy", Copy},
      {"paste", Paste},
      {"format-cells", FormatCells},
      {"hide-cells", HideCells},
      {"show-cells", ShowCells},
      {"hide-columns", HideColumns},
      {"show-columns", ShowColumns},
      {"hide-rows", HideRows},
      {"show-rows", ShowRows},
      {"delete-cells", DeleteCells},
      {"insert-cells", InsertCells},
      {"insert-row", InsertRow},
      {"insert-column", InsertColumn},
      {"insert-sheet", InsertSheet},
      {"look", Look},
      {"buffered-paint", BufferedPaint},
      {"show-captions", ShowCaptions},
      {"show-grid", ShowGrid},
      {"show-headers", ShowHeaders},
      {"show-formulas", ShowFormulas},
      {"r1c1", R1C1},
      {"auto-calc", AutoCalc},
      {"recalc", Recalc},
      {"align-left", AlignLeft},
      {"align-center", AlignCenter},
      {"align-right", AlignRight},
      {"bold", Bold},
      {"italic", Italic},
      {"underline", Underline},
      {"strikeout", StrikeOut},
      {"merge-cells", MergeCells},
      {"split-cells", SplitCells},
      {"sort-ascending", SortAscending},
      {"sort-descending", SortDescending},
      {"sum", Sum},
      {"average", Average},
      {"count", Count},
      {"max", Max},
      {"min", Min},
      {"undo", Undo},
      {"redo", Redo},
      {"window-cascade", WindowCascade},
      {"window-tile-horizontal", WindowTileHorizontal},
      {"window-tile-vertical", WindowTileVertical},
      {"window-minimize-all", WindowMinimizeAll},
      {"window-arrange", WindowArrange},
      {"window-close", WindowClose},
      {"borders", Borders},
  };
  for (int k = 0; k < 12; ++k)
    pictures.push_back({QString("border-%1").arg(k), [k](TCanvas& c) { BorderBlock(c, kPresets[k]); }});
  return pictures;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? argv[1] : ".";
  const int sizes[] = {16, 24, 32, 48};
  QStringList files;
  for (const TPicture& picture : Pictures()) {
    for (const int size : sizes) {
      QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      {
        QPainter painter(&image);
        TCanvas canvas(painter, size);
        picture.Draw(canvas);
      }
      const QString file = QString("%1/%2.png").arg(size).arg(picture.Name);
      QDir(folder).mkpath(QString::number(size));
      if (!image.save(folder + "/" + file)) return 1;
      files << file;
    }
  }
  QFile qrc(folder + "/icons.qrc");
  if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
  QTextStream out(&qrc);
  out << "<!DOCTYPE RCC>\n<!-- Written by resources/draw/DrawIcons.cpp. -->\n<RCC version=\"1.0\">\n"
      << "  <qresource prefix=\"/icons\">\n";
  for (const QString& file : files) out << "    <file>" << file << "</file>\n";
  out << "  </qresource>\n</RCC>\n";
  return 0;
}
