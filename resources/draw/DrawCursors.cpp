// Draws the sheet's mouse cursors into resources/cursors/: the cell cursor "CR_SELECT" (a thick
// white cross outlined in black) and the two split cursors of the header edges (a double bar
// with arrows, horizontal for column edges, vertical for row edges). 32 × 32 pixels, the hot
// spot in the middle (16, 16). Not part of the build; run it again after changing a cursor:
//   g++ -std=c++20 -fPIC DrawCursors.cpp -o /tmp/drawcursors $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/drawcursors ../cursors
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace {

constexpr int kSize = 32;
constexpr int kMid = 16;

QImage Blank() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

// The cross: arms 4 pixels wide reaching 8 pixels from the middle, white inside a black line.
QImage Select() {
  QImage image = Blank();
  QPainter p(&image);
  const QPolygon cross({QPoint(kMid - 2, kMid - 8), QPoint(kMid + 2, kMid - 8), QPoint(kMid + 2, kMid - 2),
                        QPoint(kMid + 8, kMid - 2), QPoint(kMid + 8, kMid + 2), QPoint(kMid + 2, kMid + 2),
                        QPoint(kMid + 2, kMid + 8), QPoint(kMid - 2, kMid + 8), QPoint(kMid - 2, kMid + 2),
                        QPoint(kMid - 8, kMid + 2), QPoint(kMid - 8, kMid - 2), QPoint(kMid - 2, kMid - 2)});
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawPolygon(cross);
  return image;
}

// Two parallel bars across the edge and a filled arrow on each side, pointing away from them.
// Drawn for a column edge (arrows left and right) and turned for a row edge.
QImage Split(bool rows) {
  QImage image = Blank();
  QPainter p(&image);
  if (rows) {
    p.translate(kMid, kMid);
    p.rotate(90);
    p.translate(-kMid, -kMid);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(kMid - 3, kMid - 9, 6, 19);
  p.setBrush(Qt::black);
  p.drawRect(kMid - 2, kMid - 8, 1, 17);
  p.drawRect(kMid + 1, kMid - 8, 1, 17);
  p.setPen(Qt::white);
  p.drawPolygon(QPolygon({QPoint(kMid - 4, kMid - 4), QPoint(kMid - 4, kMid + 4), QPoint(kMid - 9, kMid)}));
  p.drawPolygon(QPolygon({QPoint(kMid + 4, kMid - 4), QPoint(kMid + 4, kMid + 4), QPoint(kMid + 9, kMid)}));
  p.setPen(Qt::black);
  p.drawLine(kMid - 8, kMid, kMid - 3, kMid);
  p.drawLine(kMid + 3, kMid, kMid + 8, kMid);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
  const bool ok = Select().save(folder + "/select.png") && Split(false).save(folder + "/hsplit.png") &&
                  Split(true).save(folder + "/vsplit.png");
  return ok ? 0 : 1;
}
