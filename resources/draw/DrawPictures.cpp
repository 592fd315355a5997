// Draws the pictures of the splash window, the about box and the program icon into
// resources/pictures/. Not part of the build; run it again after changing a picture:
//   g++ -std=c++20 -fPIC DrawPictures.cpp -o /tmp/draw $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/draw ../pictures
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kNight(18, 32, 58);
const QColor kDusk(40, 70, 118);
const QColor kLeaf(46, 139, 87);
const QColor kSilver(192, 192, 192);

void Backdrop(QPainter& p, const QSize& size) {
  QLinearGradient sky(0, 0, size.width(), size.height());
  sky.setColorAt(0, kNight);
  sky.setColorAt(1, kDusk);
  p.fillRect(QRect(QPoint(0, 0), size), sky);
  // A faint grid of cells fading to the right.
  for (int x = 0; x < size.width(); x += 24) {
    QColor line(255, 255, 255, 10 + 24 * x / size.width());
    p.setPen(line);
    p.drawLine(x, 0, x, size.height());
  }
  for (int y = 0; y < size.height(); y += 16) {
    p.setPen(QColor(255, 255, 255, 18));
    p.drawLine(0, y, size.width(), y);
  }
}

// A small worksheet: white page, green header row, grid, one highlighted cell.
void Sheet(QPainter& p, const QRectF& r) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawRoundedRect(r.translated(r.width() * 0.04, r.height() * 0.05), r.width() * 0.06,
                    r.width() * 0.06);
  p.setBrush(Qt::white);
  p.drawRoundedRect(r, r.width() * 0.06, r.width() * 0.06);
  const QRectF header(r.left(), r.top(), r.width(), r.height() * 0.22);
  QPainterPath top;
  top.addRoundedRect(header.adjusted(0, 0, 0, r.width() * 0.06), r.width() * 0.06, r.width() * 0.06);
  QPainterPath clip;
  clip.addRect(header);
  p.setBrush(kLeaf);
  p.drawPath(top.intersected(clip));
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(QColor(170, 180, 195), std::max(1.0, r.width() / 64)));
  const int cols = 3, rows = 4;
  const double body = r.height() - header.height();
  for (int c = 1; c < cols; ++c) {
    const double x = r.left() + r.width() * c / cols;
    p.drawLine(QPointF(x, header.bottom()), QPointF(x, r.bottom() - 2));
  }
  for (int row = 1; row < rows; ++row) {
    const double y = header.bottom() + body * row / rows;
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
  }
  p.setPen(QPen(kLeaf, std::max(2.0, r.width() / 24)));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(r.left() + r.width() / cols, header.bottom() + body / rows, r.width() / cols,
                    body / rows));
}

void Caption(QPainter& p, const QRect& box, const QString& text, int pixels, bool bold,
             const QColor& color, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  QFont font("DejaVu Sans");
  font.setPixelSize(pixels);
  font.setBold(bold);
  p.setFont(font);
  p.setPen(color);
  p.drawText(box, align, text);
}

QImage Splash() {
  QImage image(473, 281, QImage::Format_RGB32);
  QPainter p(&image);
  Backdrop(p, image.size());
  Sheet(p, QRectF(330, 70, 110, 130));
  p.setRenderHint(QPainter::Antialiasing);
  Caption(p, QRect(34, 70, 300, 60), "Zof Mirel", 46, true, Qt::white);
  Caption(p, QRect(38, 128, 300, 28), "verzija 3.1", 18, false, kSilver);
  Caption(p, QRect(38, 168, 290, 40), QString::fromUtf8("Program za tabelarno izračunavanje"),
          14, false, kSilver);
  p.fillRect(QRect(38, 160, 120, 3), kLeaf);
  Caption(p, QRect(38, 236, 200, 24), "Orbeka", 15, true, QColor(150, 170, 200));
  return image;
}

QImage About() {
  QImage image(479, 271, QImage::Format_RGB32);
  QPainter p(&image);
  Backdrop(p, image.size());
  Sheet(p, QRectF(26, 28, 74, 88));
  p.setRenderHint(QPainter::Antialiasing);
  // The labels sit at 116,68 (mail) and in 372,28 101x85 (description): keep them clear.
  Caption(p, QRect(116, 24, 250, 40), "Zof Mirel 3.1", 28, true, Qt::white);
  p.fillRect(QRect(116, 92, 240, 2), kLeaf);
  Caption(p, QRect(26, 214, 300, 22), QString::fromUtf8("© Orbeka"), 13, false, kSilver);
  Caption(p, QRect(26, 236, 420, 22), QString::fromUtf8("Radne knjige MS Excel 97 – 2003 (.xls)"),
          12, false, QColor(150, 170, 200));
  return image;
}

QImage Icon() {
  QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  Sheet(p, QRectF(6, 6, 50, 52));
  p.setRenderHint(QPainter::Antialiasing);
  Caption(p, QRect(6, 4, 50, 14), "Z", 12, true, Qt::white, Qt::AlignCenter);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? argv[1] : ".";
  const bool ok = Splash().save(folder + "/splash.png") && About().save(folder + "/about.png") &&
                  Icon().save(folder + "/icon.png");
  return ok ? 0 : 1;
}
