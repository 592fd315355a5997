#include "app/frmAbout.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "app/ShellTexts.h"

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, int pixelHeight) {
  auto* label = new QLabel(text, parent);
  QFont font("Tahoma");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelHeight);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(192, 192, 192));  // silver
  label->setPalette(palette);
  label->setAttribute(Qt::WA_TranslucentBackground);
  // The click closes the box wherever it lands.
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

}  // namespace

TfrmAbout::TfrmAbout(const TMakerInfo& maker, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint),
      picture_(":/pictures/about.png") {
  setObjectName("frmAbout");
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setMinimumSize(130, 50);
  setMaximumSize(1024, 768);
  resize(479, 271);

  lblProgram = MakeLabel(this, QString::fromUtf8(kAboutText), 13);
  lblProgram->setObjectName("lblProgram");
  lblProgram->setWordWrap(true);
  lblProgram->setGeometry(372, 28, 101, 85);

  lblMail = MakeLabel(this, {}, 12);
  lblMail->setObjectName("lblMail");
  SetMaker(maker);
}

void TfrmAbout::SetMaker(const TMakerInfo& maker) {
  lblMail->setText(QString::fromUtf8(kAboutMailPrefix) + maker.Mail);
  lblMail->adjustSize();
  lblMail->move(116, 68);
}

void TfrmAbout::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(rect(), picture_);
}

void TfrmAbout::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) accept();
}

void TfrmAbout::showEvent(QShowEvent* event) {
  if (QWidget* owner = parentWidget())
    move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
  QDialog::showEvent(event);
}
