#include "dialogs/cxSSColorBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "view/cxCanvasWrapper.h"

namespace {

constexpr TColor kclBtnFace = RGBColor(212, 208, 200);
constexpr TColor kclBtnDkShadow = RGBColor(64, 64, 64);
constexpr char kAutomaticText[] = "Automatic";

int Round(double value) { return static_cast<int>(std::lround(value)); }

// The rectangle spanning x from x0 to x1 and y from y0 to y1 (the far ends outside it).
TRect Span(double x0, double y0, double x1, double y1) {
  return {Round(x0), Round(y0), Round(x1) - 1, Round(y1) - 1};
}

TRect Grown(const TRect& r, int by) { return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by}; }

bool Contains(const TRect& r, QPoint p) {
  return p.x() >= r.Left && p.x() <= r.Right && p.y() >= r.Top && p.y() <= r.Bottom;
}

// A frame `width` pixels wide around the outside of `rect`: raised (light top-left) or sunken.
void Frame3D(TcxCanvasWrapper& canvas, const TRect& rect, int width, bool sunken) {
  for (int i = 1; i <= width; ++i) {
    const TColor outer = i == width ? (sunken ? kclBtnDkShadow : kclBtnHighlight) : kclBtnFace;
    const TColor light = i == 1 ? kclBtnHighlight : outer;
    const TColor dark = i == 1 ? kclBtnShadow : (i == width ? kclBtnDkShadow : kclBtnFace);
    if (sunken)
      canvas.Edge3D(Grown(rect, i), dark, light);
    else
      canvas.Edge3D(Grown(rect, i), light, dark);
  }
}

// The colour a style colour shows in a picker: the palette for 0–55, white for "no colour",
// black for automatic.
TColor PickerColor(const TcxSSColorPanel::TPalette& palette, uint8_t color) {
  if (color < palette.size()) return palette[color];
  return color == kColorNone ? kclWhite : kclBlack;
}

}  // namespace

// --- TcxSSColorPanel -------------------------------------------------------------------------------

TcxSSColorPanel::TcxSSColorPanel(QWidget* parent)
    : QWidget(parent), palette_(kDefaultPalette), wrapper_(std::make_unique<TcxCanvasWrapper>(palette_)) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(158, 250);
  Layout();
}

TcxSSColorPanel::~TcxSSColorPanel() = default;

void TcxSSColorPanel::SetAutomaticColor(uint8_t value) {
  automaticColor_ = value;
  Layout();
  update();
}

void TcxSSColorPanel::SetIncludeBrushes(bool value) {
  if (includeBrushes_ == value) return;
  includeBrushes_ = value;
  hot_ = -1;
  Layout();
  update();
}

void TcxSSColorPanel::SetSelectedBrush(TcxSSFillStyle value) {
  selectedBrush_ = value < kBrushSwatchCount ? value : fsSolid;
  update();
}

uint8_t TcxSSColorPanel::SelectedColor() const {
  if (selectedPosition_ < 0) return kSelectedAutomatic;
  return static_cast<uint8_t>(kColorGridOrder[selectedPosition_] - 8);
}

void TcxSSColorPanel::SetSelectedColor(uint8_t value) {
  if (value == automaticColor_) {
    selectedPosition_ = -1;
    update();
    return;
  }
  const auto* found = std::find(kColorGridOrder.begin(), kColorGridOrder.end(), value + 8);
  selectedPosition_ = found == kColorGridOrder.end() ? -2 : static_cast<int>(found - kColorGridOrder.begin());
  update();
  if (OnChange) OnChange();
}

void TcxSSColorPanel::AssignPalette(const TPalette& colors) {
  palette_ = colors;
  wrapper_->RefreshColors();
  update();
}

TColor TcxSSColorPanel::StyleColor(uint8_t color) const { return PickerColor(palette_, color); }

void TcxSSColorPanel::Layout() {
  const double w = width();
  const double h = height();
  const double u = includeBrushes_ ? w / 25 : w / 26;
  const double q = includeBrushes_ ? h / 42 : w / 26;
  unit_ = u;
  separators_.clear();
  double y = 0;
  if (includeBrushes_) {
    y += q;
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 6; ++c)
        brushRects_[r * 6 + c] = Span(4 * u * c + u, y, 4 * u * c + 4 * u, y + 3 * q);
      y += 4 * q;
    }
    separators_.push_back(Span(u, y + q, w - u, y + q + 2));
    y += q + 2;
  }
  y += q;
  automaticRect_ = Span(u, y, w - u, y + 4 * q);
  y += 4 * q;
  for (int i = 0; i < 7; ++i) {
    y += u;
    if (i == 5) {
      separators_.push_back(Span(u, y, w - u, y + 2));
      y += q + 2;
    }
    for (int c = 0; c < 8; ++c)
      colorRects_[i * 8 + c] = Span(3 * u * c + u, y, 3 * u * c + 3 * u, y + 2 * q);
    y += 2 * q;
  }
}

TRect TcxSSColorPanel::ItemRect(int index) const {
  if (includeBrushes_ && index >= 0 && index < kBrushSwatchCount) return brushRects_[index];
  if (index == AutomaticIndex()) return automaticRect_;
  const int position = index - AutomaticIndex() - 1;
  if (position >= 0 && position < kColorSwatchCount) return colorRects_[position];
  return {0, 0, -1, -1};
}

int TcxSSColorPanel::HitTest(QPoint point) const {
  int found = -1;
  if (includeBrushes_) {
    for (int i = 0; i < kBrushSwatchCount; ++i)
      if (Contains(Grown(brushRects_[i], 3), point)) found = i;
    if (found >= 0) return found;
  }
  for (int i = 0; i < kColorSwatchCount; ++i)
    if (Contains(Grown(colorRects_[i], 3), point)) found = ColorIndex(i);
  if (found >= 0) return found;
  return Contains(Grown(automaticRect_, 3), point) ? AutomaticIndex() : -1;
}

int TcxSSColorPanel::SelectedIndex() const {
  if (selectedPosition_ == -1) return AutomaticIndex();
  if (selectedPosition_ >= 0 && selectedPosition_ < kColorSwatchCount) return ColorIndex(selectedPosition_);
  return -1;
}

void TcxSSColorPanel::SetHot(int index) {
  if (hot_ == index) return;
  hot_ = index;
  update();
}

void TcxSSColorPanel::Choose(int index) {
  if (index < 0 || index > LastIndex()) return;
  if (index < AutomaticIndex())
    selectedBrush_ = static_cast<TcxSSFillStyle>(index);
  else if (index == AutomaticIndex())
    selectedPosition_ = -1;
  else
    selectedPosition_ = index - AutomaticIndex() - 1;
  update();
  if (OnChange) OnChange();
  if (OnClosePopup) OnClosePopup();
}

void TcxSSColorPanel::resizeEvent(QResizeEvent*) { Layout(); }

void TcxSSColorPanel::mouseMoveEvent(QMouseEvent* event) { SetHot(HitTest(event->position().toPoint())); }

void TcxSSColorPanel::leaveEvent(QEvent*) { SetHot(-1); }

void TcxSSColorPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int index = HitTest(event->position().toPoint());
  SetHot(index);
  Choose(index);
}

void TcxSSColorPanel::keyPressEvent(QKeyEvent* event) {
  const int last = LastIndex();
  const int index = hot_ < 0 ? 0 : hot_;
  int next = index;
  switch (event->key()) {
    case Qt::Key_Left:
      next = index - 1;
      break;
    case Qt::Key_Right:
      next = index + 1;
      break;
    case Qt::Key_Up:
      if (includeBrushes_)
        next = index <= 18 ? index - 6 : index < 27 ? 18 : index - 8;
      else
        next = index >= 9 ? index - 8 : index < 2 ? last : 1;
      break;
    case Qt::Key_Down:
      if (includeBrushes_)
        next = index <= 12 ? index + 6 : index == 18 ? 19 : index + 8;
      else
        next = index < 1 ? 1 : index + 8;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (hot_ >= 0) Choose(hot_);
      return;
    default:
      if (OnClosePopup) OnClosePopup();
      return;
  }
  if (next < 0) next = last;
  if (next > last) next = 0;
  SetHot(next);
}

void TcxSSColorPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  TcxCanvasWrapper& canvas = *wrapper_;
  canvas.SetCanvas(&painter);
  const TRect client{0, 0, width() - 1, height() - 1};
  canvas.FillRect(client, kclBtnFace);
  const int selected = SelectedIndex();
  if (includeBrushes_) {
    for (int i = 0; i < kBrushSwatchCount; ++i) {
      canvas.FillPattern(brushRects_[i], static_cast<TcxSSFillStyle>(i), kclBlack, kclWhite);
      canvas.FrameRect(Grown(brushRects_[i], 1), kclBtnShadow, false);
    }
  }
  for (int i = 0; i < kColorSwatchCount; ++i) {
    canvas.FillRect(colorRects_[i], palette_[kColorGridOrder[i] - 8]);
    canvas.FrameRect(Grown(colorRects_[i], 1), kclBtnShadow, false);
  }
  for (const TRect& line : separators_) {
    canvas.FillRect({line.Left, line.Top, line.Right, line.Top}, kclBtnShadow);
    canvas.FillRect({line.Left, line.Top + 1, line.Right, line.Top + 1}, kclBtnHighlight);
  }

  // "Automatic": a swatch of the automatic colour at the left and the text, in a font sized to
  // the button's height.
  const TRect button = automaticRect_;
  const TRect inner = Grown(button, -3);
  const int inset = Round(unit_ / 2);
  const int side = std::max(0, inner.Bottom - inner.Top + 1 - 2 * inset);
  const TRect swatch{inner.Left + inset, inner.Top + inset, inner.Left + inset + side - 1,
                     inner.Top + inset + side - 1};
  canvas.FillRect(swatch, StyleColor(automaticColor_));
  canvas.FrameRect(swatch, kclBtnShadow, false);
  const int innerHeight = inner.Bottom - inner.Top + 1;
  const int fit = innerHeight < 6 ? 2 : innerHeight - 4;
  TcxFontDesc desc{"Tahoma", 8, 0, 1};
  while (canvas.ScreenFont(desc).Height > fit && desc.Size > 1) --desc.Size;
  while (canvas.ScreenFont(desc).Height < fit) ++desc.Size;
  desc.Size = std::max(desc.Size, 2.0);
  canvas.SetFont(&canvas.ScreenFont(desc));
  canvas.SetTextColor(kclWindowText);
  canvas.DrawCentredText(QString::fromLatin1(kAutomaticText), {swatch.Left, inner.Top, inner.Right, inner.Bottom});
  if (selected == AutomaticIndex())
    canvas.Edge3D(button, kclBtnShadow, kclBtnHighlight);
  else
    canvas.Edge3D(button, kclBtnHighlight, kclBtnShadow);

  if (selected >= 0 && selected != AutomaticIndex()) Frame3D(canvas, ItemRect(selected), 3, true);
  if (includeBrushes_) Frame3D(canvas, brushRects_[selectedBrush_], 3, true);
  if (hot_ >= 0 && hot_ != selected && !(includeBrushes_ && hot_ == selectedBrush_))
    Frame3D(canvas, ItemRect(hot_), 3, false);
  canvas.Edge3D(client, kclBtnHighlight, kclBtnShadow);
  canvas.ResetCanvas();
}

// --- TcxSSColorComboBox ----------------------------------------------------------------------------

TcxSSColorComboBox::TcxSSColorComboBox(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setMinimumSize(60, 22);
  popup_ = new QFrame(this, Qt::Popup);
  popup_->setFrameShape(QFrame::Panel);
  popup_->setFrameShadow(QFrame::Raised);
  panel_ = new TcxSSColorPanel(popup_);
  panel_->OnChange = [this] {
    update();
    if (OnChange) OnChange();
  };
  panel_->OnClosePopup = [this] { CloseUp(); };
  wrapper_ = std::make_unique<TcxCanvasWrapper>(panel_->Palette());
  SetIncludeBrushes(true);
}

TcxSSColorComboBox::~TcxSSColorComboBox() = default;

QSize TcxSSColorComboBox::sizeHint() const { return {145, 24}; }

void TcxSSColorComboBox::SetIncludeBrushes(bool value) {
  panel_->SetIncludeBrushes(value);
  const QSize size = value ? QSize(158, 280) : QSize(158, 175);
  popup_->resize(size);
  panel_->setGeometry(7, 5, size.width() - 10, size.height() - 10);
  update();
}

void TcxSSColorComboBox::SetSelectedBrush(TcxSSFillStyle value) {
  panel_->SetSelectedBrush(value);
  update();
}

void TcxSSColorComboBox::AssignPalette(const TcxSSColorPanel::TPalette& colors) {
  panel_->AssignPalette(colors);
  wrapper_->RefreshColors();
  update();
}

bool TcxSSColorComboBox::DroppedDown() const { return popup_->isVisible(); }

void TcxSSColorComboBox::DropDown() {
  if (DroppedDown()) return;
  popup_->move(mapToGlobal(QPoint(0, height())));
  popup_->show();
  panel_->setFocus();
  update();
}

void TcxSSColorComboBox::CloseUp() {
  if (!DroppedDown()) return;
  popup_->hide();
  update();
}

TRect TcxSSColorComboBox::ButtonRect() const {
  const int side = height() - 4;
  return {width() - 2 - side, 2, width() - 3, height() - 3};
}

void TcxSSColorComboBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus();
  DropDown();
}

void TcxSSColorComboBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      DropDown();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TcxSSColorComboBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  TcxCanvasWrapper& canvas = *wrapper_;
  canvas.SetCanvas(&painter);
  const TRect client{0, 0, width() - 1, height() - 1};
  canvas.FillRect(client, isEnabled() ? kclWhite : kclBtnFace);
  canvas.Edge3D(client, kclBtnShadow, kclBtnHighlight);
  const TRect button = ButtonRect();
  const TRect sample{4, 4, button.Left - 4, height() - 5};
  uint8_t color = SelectedColor();
  if (color == kSelectedAutomatic) color = AutomaticColor();
  const TColor shown = PickerColor(panel_->Palette(), color);
  if (IncludeBrushes())
    canvas.FillPattern(sample, SelectedBrush(), shown, kclWhite);
  else
    canvas.FillRect(sample, shown);
  canvas.FrameRect(sample, hasFocus() ? kclBlack : kclBtnShadow, false);

  const bool pressed = DroppedDown();
  canvas.FillRect(button, kclBtnFace);
  if (pressed)
    canvas.Edge3D(button, kclBtnShadow, kclBtnHighlight);
  else
    canvas.Edge3D(button, kclBtnHighlight, kclBtnDkShadow);
  // A small triangle pointing down, one pixel lower while pressed.
  const int cx = (button.Left + button.Right) / 2 + (pressed ? 1 : 0);
  const int cy = (button.Top + button.Bottom) / 2 - 1 + (pressed ? 1 : 0);
  for (int i = 0; i < 4; ++i) canvas.FillRect({cx - 3 + i, cy + i, cx + 3 - i, cy + i}, kclBlack);
  canvas.ResetCanvas();
}
