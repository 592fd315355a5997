#include "app/FeatureModifyForm.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr QColor kFormColor(244, 244, 244);

// The texts of the form, for insertion and for deletion.
struct TFormTexts {
  const char* Caption;
  const char* ShiftCol;
  const char* ShiftRw;
};
constexpr TFormTexts kInsertTexts = {"Insert", "Shift cells right", "Shift cells top"};
constexpr TFormTexts kDeleteTexts = {"Delete", "Shift cells left", "Shift cells top"};
constexpr const char* kEntireRow = "Entire row";
constexpr const char* kEntireColumn = "Entire column";
constexpr const char* kOk = "Ok";
constexpr const char* kCancel = "Cancel";

}  // namespace

TFeatureModifyForm::TFeatureModifyForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("FeatureModifyForm");
  QFont designFont("MS Sans Serif");
  designFont.setStyleHint(QFont::SansSerif);
  designFont.setPixelSize(14);
  setFont(designFont);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kFormColor);
  setPalette(palette);
  setAutoFillBackground(true);
  setFixedSize(206, 175);

  gpPanel = new QWidget(this);
  gpPanel->setObjectName("gpPanel");
  gpPanel->setGeometry(0, 0, 206, 129);

  // The heading: its caption followed by a sunken line to the right edge of its box.
  cxLB = new QLabel(gpPanel);
  cxLB->setObjectName("cxLB");
  cxLB->move(10, 5);
  auto* bevel = new QFrame(gpPanel);
  bevel->setObjectName("cxLBBevel");
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);

  auto radio = [this](const char* name, const QRect& geometry) {
    auto* button = new QRadioButton(gpPanel);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
  };
  rbShiftCol = radio("rbShiftCol", {20, 30, 139, 20});
  rbShiftRw = radio("rbShiftRw", {20, 54, 139, 21});
  rbRw = radio("rbRw", {20, 84, 139, 21});
  rbCol = radio("rbCol", {20, 108, 139, 21});
  rbShiftCol->setChecked(true);

  btnOk = new QPushButton(kOk, this);
  btnOk->setObjectName("btnOk");
  btnOk->setGeometry(10, 138, 92, 27);
  btnOk->setDefault(true);
  btnOk->setAutoDefault(true);
  btnCancel = new QPushButton(kCancel, this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setGeometry(108, 138, 93, 27);
  btnCancel->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, [this] { QDialog::reject(); });

  rbRw->setText(kEntireRow);
  rbCol->setText(kEntireColumn);
}

bool TFeatureModifyForm::Execute(bool insert) {
  const TFormTexts& texts = insert ? kInsertTexts : kDeleteTexts;
  setWindowTitle(texts.Caption);
  cxLB->setText(texts.Caption);
  cxLB->adjustSize();
  const int lineLeft = cxLB->x() + cxLB->width() + 4;
  findChild<QFrame*>("cxLBBevel")->setGeometry(lineLeft, 5 + 7, 10 + 188 - lineLeft, 2);
  rbShiftCol->setText(texts.ShiftCol);
  rbShiftRw->setText(texts.ShiftRw);
  rbShiftCol->setFocus();

  if (exec() != QDialog::Accepted) return false;
  if (rbShiftCol->isChecked())
    mode_ = kShiftHorizontally;
  else if (rbShiftRw->isChecked())
    mode_ = kShiftVertically;
  else if (rbRw->isChecked())
    mode_ = kEntireRows;
  else
    mode_ = kEntireColumns;
  return true;
}
