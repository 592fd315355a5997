#include "view/cxSpreadSheetBookControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <algorithm>
#include <exception>

#include "platform/Environment.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "view/cxCanvasWrapper.h"
#include "view/cxSSInplaceTextEdit.h"
#include "view/cxSSBookPageCaptions.h"
#include "view/cxSSheetViewInfo.h"
#include "view/cxSheetPainter.h"

namespace {

constexpr int kScrollBarSize = 16;
constexpr int kAutoScrollInterval = 10;
constexpr int kWheelStep = 120;

TShiftState ShiftOf(const QInputEvent& event, Qt::MouseButtons buttons) {
  return {event.modifiers(), buttons};
}

}  // namespace

TcxSpreadSheetBookControl::TcxSpreadSheetBookControl(TcxCustomSpreadSheetBook& book, QWidget* parent)
    : QWidget(parent), book_(book) {
  setObjectName("cxSpreadBook");
  wrapper_ = std::make_unique<TcxCanvasWrapper>(book.Palette());
  wrapper_->SetPixelsPerInch(book.Environment().PixelsPerInch);
  captions_ = std::make_unique<TcxSSBookPageCaptions>(*this);
  captions_->SetVisible(book.ShowCaptionBar());

  horzScrollBar_ = new QScrollBar(Qt::Horizontal, this);
  vertScrollBar_ = new QScrollBar(Qt::Vertical, this);
  for (QScrollBar* bar : {horzScrollBar_, vertScrollBar_}) {
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setCursor(Qt::ArrowCursor);
  }
  connect(horzScrollBar_, &QScrollBar::actionTriggered, this,
          [this](int action) { ScrollBarAction(0, action); });
  connect(vertScrollBar_, &QScrollBar::actionTriggered, this,
          [this](int action) { ScrollBarAction(1, action); });

  autoScrollTimer_.setInterval(kAutoScrollInterval);
  connect(&autoScrollTimer_, &QTimer::timeout, this, &TcxSpreadSheetBookControl::TimerTick);

  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(200, 350);
  book_.SetControl(this);
}

TcxSpreadSheetBookControl::~TcxSpreadSheetBookControl() {
  autoScrollTimer_.stop();
  // An open edit ends with the control without writing: hiding the focused editor later, while
  // the widget is torn down, would reach sheets that are gone already.
  if (editor_) {
    editor_->OnHide = nullptr;
    delete editor_;
    editor_ = nullptr;
  }
  if (book_.Control() == this) book_.SetControl(nullptr);
}

// --- Parts -------------------------------------------------------------------------------------------

TcxSheetPainter& TcxSpreadSheetBookControl::Painter() {
  if (!painter_ || painterType_ != book_.PainterType()) {
    painterType_ = book_.PainterType();
    painter_ = CreatePainter();
  }
  return *painter_;
}

std::unique_ptr<TcxSheetPainter> TcxSpreadSheetBookControl::CreatePainter() {
  TcxPainterFactory factory = [] { return std::make_unique<TcxSheetPainter>(); };
  switch (book_.PainterType()) {
    case ptOfficeXPStyle:
      factory = [] { return std::make_unique<TcxXPPainter>(); };
      break;
    case ptCustom:
      if (OnCustomPaint) OnCustomPaint(*this, factory);
      break;
    default:
      break;
  }
  auto painter = factory ? factory() : nullptr;
  return painter ? std::move(painter) : std::make_unique<TcxSheetPainter>();
}

std::unique_ptr<TcxSSBookSheetControl> TcxSpreadSheetBookControl::CreateSheetControl(
    TcxSSBookSheet& sheet) {
  return std::make_unique<TcxSSBookSheetControl>(*this, sheet);
}

std::unique_ptr<TcxSSheetViewInfo> TcxSpreadSheetBookControl::CreateViewInfo(TcxSSBookSheetControl& sheet) {
  return std::make_unique<TcxSSheetViewInfo>(sheet);
}

std::unique_ptr<TcxPageCaptionPainter> TcxSpreadSheetBookControl::CreatePageCaptionPainter() {
  return std::make_unique<TcxPageCaptionPainter>();
}

TcxSSInplaceTextEdit* TcxSpreadSheetBookControl::CreateInplaceEdit(bool gridMode) {
  return new TcxSSInplaceTextEdit(*this, gridMode);
}

TcxSSInplaceTextEdit& TcxSpreadSheetBookControl::InplaceEditor() {
  if (!editor_) {
    editor_ = CreateInplaceEdit(true);
    editor_->OnHide = [this](TcxSSInplaceTextEdit&) {
      for (auto& [sheet, control] : sheets_)
        if (control->Editing()) control->EndEdit();
    };
  }
  return *editor_;
}

const TcxScreenFont& TcxSpreadSheetBookControl::HeaderFont() const {
  return wrapper_->ScreenFont(book_.HeaderFont());
}

bool TcxSpreadSheetBookControl::HasSheets() const {
  return book_.PageCount() > 0 && book_.ActivePage() >= 0 && book_.ActivePage() < book_.PageCount();
}

TcxSSBookSheetControl* TcxSpreadSheetBookControl::ActiveSheetControl() {
  if (!HasSheets()) return nullptr;
  return &SheetControl(book_.ActiveSheet());
}

TcxSSBookSheetControl& TcxSpreadSheetBookControl::SheetControl(TcxSSBookSheet& sheet) {
  auto it = sheets_.find(&sheet);
  if (it == sheets_.end()) {
    it = sheets_.emplace(&sheet, CreateSheetControl(sheet)).first;
    if (IsActive(sheet)) {
      it->second->SetBounds(sheetArea_.x(), sheetArea_.y(), sheetArea_.width(), sheetArea_.height());
      it->second->SetVisible(true);
    }
  }
  return *it->second;
}

bool TcxSpreadSheetBookControl::IsActive(const TcxSSBookSheet& sheet) const {
  return HasSheets() && &book_.ActiveSheet() == &sheet;
}

void TcxSpreadSheetBookControl::SyncCanvas() {
  TcxCanvasWrapper& wrapper = *wrapper_;
  wrapper.SetPixelsPerInch(book_.Environment().PixelsPerInch);
  const bool paletteChanged = &wrapper.Palette() != &book_.Palette() || paletteSeen_ != book_.Palette();
  wrapper.SetSelectionColor(book_.SelectionColor());
  if (paletteChanged) {
    paletteSeen_ = book_.Palette();
    wrapper.SetPalette(book_.Palette());
  }
  wrapper.SetWindowColor(book_.BackgroundColor());
  wrapper.SetGridColor(book_.GridColor());
}

bool TcxSpreadSheetBookControl::Guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& error) {
    if (const auto& messages = book_.Environment().Messages) messages->ShowMessage(error.what());
    return false;
  }
}

// --- Hit testing -------------------------------------------------------------------------------------

bool TcxSpreadSheetBookControl::IsOverCaptions(const QPoint& point) const {
  return captions_->Visible() && captions_->QBounds().contains(point);
}

bool TcxSpreadSheetBookControl::GetHitTest(const QPoint& point, TcxSSHitTestRec& hitTest) {
  hitTest = {};
  if (IsOverCaptions(point)) {
    int index = -1;
    switch (captions_->HitTest(point.x() - captions_->Left(), point.y() - captions_->Top(), index)) {
      case 1:
        hitTest.Kind = htSheetCaption;
        hitTest.Index = index;
        return true;
      case 2:
        hitTest.Kind = htCaptionButton;
        hitTest.Button = static_cast<uint8_t>(index);
        return true;
      default:
        return false;
    }
  }
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (!sheet || !sheet->QBounds().contains(point)) return false;
  TcxSSheetViewInfo& viewInfo = sheet->ViewInfo();
  viewInfo.EnsureLayout();
  int col = 0;
  int row = 0;
  const int flags = viewInfo.HitTest(point.x() - sheet->Left(), point.y() - sheet->Top(), col, row);
  if (flags & kHitCell) {
    hitTest.Kind = htCell;
    hitTest.Index = col;
    hitTest.Row = row;
  } else if (flags & kHitCorner) {
    hitTest.Kind = htColumnHeader;
    hitTest.Index = -1;
    hitTest.Row = -1;
  } else if (flags & kHitRowHeader) {
    hitTest.Kind = htRowHeader;
    hitTest.Index = row;
  } else if (flags & kHitColumnHeader) {
    hitTest.Kind = htColumnHeader;
    hitTest.Index = col;
  }
  return true;
}

// --- Workbook notifications --------------------------------------------------------------------------

void TcxSpreadSheetBookControl::InvalidateControlRect(const QRect& rect) {
  if (book_.IsLocked()) return;
  update(rect);
}

void TcxSpreadSheetBookControl::Invalidate() {
  if (TcxSSBookSheetControl* sheet = ActiveSheetControl()) sheet->ViewInfo().SetLayoutDirty(true);
  update();
}

void TcxSpreadSheetBookControl::UpdateLayout() {
  const int w = width();
  const int h = height();
  const TcxScrollBars bars = book_.ScrollBars();
  const bool showTabs = book_.ShowCaptionBar();
  const bool horizontal = bars == sbsHorizontal || bars == sbsBoth;
  const bool vertical = bars == sbsVertical || bars == sbsBoth;
  const int stripHeight = showTabs || horizontal ? captions_->StripHeight() : 0;
  const int barWidth = vertical ? kScrollBarSize : 0;

  captions_->SetVisible(showTabs);
  captions_->SetBounds(0, h - stripHeight, w, stripHeight);
  sheetArea_ = QRect(0, 0, std::max(0, w - barWidth), std::max(0, h - stripHeight));

  const int barLeft = showTabs ? w / 2 : 0;
  horzScrollBar_->setGeometry(barLeft, h - stripHeight, std::max(0, w - barWidth - barLeft),
                              showTabs ? stripHeight : kScrollBarSize);
  horzScrollBar_->setVisible(horizontal);
  vertScrollBar_->setGeometry(w - kScrollBarSize, 0, kScrollBarSize, std::max(0, h - stripHeight));
  vertScrollBar_->setVisible(vertical);

  for (auto& [sheet, control] : sheets_) {
    const bool active = IsActive(*sheet);
    if (active)
      control->SetBounds(sheetArea_.x(), sheetArea_.y(), sheetArea_.width(), sheetArea_.height());
    control->SetVisible(active);
  }
  if (TcxSSBookSheetControl* sheet = ActiveSheetControl()) sheet->SetVisible(true);
  update();
}

void TcxSpreadSheetBookControl::RefreshTabs() {
  captions_->Calculate();
  captions_->Invalidate();
}

void TcxSpreadSheetBookControl::MakeTabVisible(int page) { captions_->MakeTabVisible(page); }

void TcxSpreadSheetBookControl::ScrollTabsToFirst() { captions_->SetFirstTab(0); }

void TcxSpreadSheetBookControl::ActivePageChanged(int, int newPage) {
  for (auto& [sheet, control] : sheets_) control->SetVisible(false);
  if (newPage >= 0 && newPage < book_.PageCount()) {
    TcxSSBookSheetControl& sheet = SheetControl(book_.Pages(newPage));
    sheet.SetBounds(sheetArea_.x(), sheetArea_.y(), sheetArea_.width(), sheetArea_.height());
    sheet.SetVisible(true);
    sheet.ViewInfo().SetLayoutPending();
  }
  RefreshTabs();
  update();
}

void TcxSpreadSheetBookControl::RefreshView() {
  if (TcxSSBookSheetControl* sheet = ActiveSheetControl()) sheet->ViewInfo().Recalculate();
}

void TcxSpreadSheetBookControl::SheetRemoved(TcxSSBookSheet& sheet) {
  auto it = sheets_.find(&sheet);
  if (it == sheets_.end()) return;
  if (captureOwner_ == it->second.get()) captureOwner_ = nullptr;
  sheets_.erase(it);
}

void TcxSpreadSheetBookControl::CellChanged(TcxSSBookSheet& sheet, int, int) {
  if (!IsActive(sheet)) return;
  TcxSSBookSheetControl& control = SheetControl(sheet);
  control.ViewInfo().SetLayoutPending();
  control.Invalidate();
}

void TcxSpreadSheetBookControl::SelectionChanged(TcxSSBookSheet& sheet, const TRect&, const TRect&) {
  if (IsActive(sheet)) SheetControl(sheet).ViewInfo().UpdateSelection();
}

void TcxSpreadSheetBookControl::HeaderChanged(TcxSSBookSheet& sheet, int kind, int index) {
  if (!IsActive(sheet)) return;
  TcxSSheetViewInfo& viewInfo = SheetControl(sheet).ViewInfo();
  if (kind == 0)
    viewInfo.ColumnSizeChanged(index);
  else
    viewInfo.RowSizeChanged(index);
}

bool TcxSpreadSheetBookControl::EditorHasFocus() const {
  if (editor_ && editor_->isVisible() && editor_->hasFocus()) return true;
  return captions_->Renaming() && captions_->RenameEditor()->hasFocus();
}

void TcxSpreadSheetBookControl::HideEditor() {
  if (editor_ && editor_->isVisible()) editor_->HideEditor();
}

void TcxSpreadSheetBookControl::FocusBook() { setFocus(); }

void TcxSpreadSheetBookControl::SetBusyCursor(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

// --- Scroll bars -------------------------------------------------------------------------------------

void TcxSpreadSheetBookControl::SetScrollBarValues(int kind, const TcxScrollBarValues& values) {
  barValues_[kind] = values;
  QScrollBar* bar = kind == 0 ? horzScrollBar_ : vertScrollBar_;
  const QSignalBlocker quiet(bar);
  // The sheet counts a range up to its maximum position with a page inside it; the bar's range
  // ends where the page does.
  const int page = std::max(values.Page, 1);
  bar->setRange(0, std::max({0, values.Maximum - page + 1, values.Position}));
  bar->setPageStep(page);
  bar->setSingleStep(1);
  bar->setValue(values.Position);
}

void TcxSpreadSheetBookControl::ScrollBarAction(int kind, int action) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (!sheet) return;
  TScrollCode code;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      code = scLineDown;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      code = scLineUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = scPageDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = scPageUp;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = scTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = scBottom;
      break;
    case QAbstractSlider::SliderMove:
      code = scTrack;
      break;
    default:
      return;
  }
  QScrollBar* bar = kind == 0 ? horzScrollBar_ : vertScrollBar_;
  int position = bar->sliderPosition();
  Guarded([&] { sheet->Scroll(kind, code, true, position); });
  bar->setSliderPosition(position);
}

// --- Painting ----------------------------------------------------------------------------------------

void TcxSpreadSheetBookControl::PaintUncovered(QPainter& painter) {
  // What neither the sheet, the tab strip nor a scroll bar covers (the corner between the bars).
  QRegion rest(rect());
  rest -= sheetArea_;
  if (captions_->Visible()) rest -= captions_->QBounds();
  if (horzScrollBar_->isVisible()) rest -= horzScrollBar_->geometry();
  if (vertScrollBar_->isVisible()) rest -= vertScrollBar_->geometry();
  const QColor face = ToQColor(kclBtnFace);
  for (const QRect& r : rest) painter.fillRect(r, face);
}

void TcxSpreadSheetBookControl::PaintContents(QPainter& painter, const QRect& dirty) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (sheet && sheet->Visible()) {
    const QRect area = dirty.intersected(sheet->QBounds());
    if (!area.isEmpty()) {
      painter.save();
      painter.setClipRect(area, Qt::IntersectClip);
      sheet->Paint(area);
      painter.restore();
    }
  }
  if (captions_->Visible()) {
    const QRect area = dirty.intersected(captions_->QBounds());
    if (!area.isEmpty()) {
      painter.save();
      painter.setClipRect(area, Qt::IntersectClip);
      captions_->Paint(area);
      painter.restore();
    }
  }
  PaintUncovered(painter);
}

void TcxSpreadSheetBookControl::paintEvent(QPaintEvent* event) {
  SyncCanvas();
  QPainter painter(this);
  TcxCanvasWrapper& wrapper = *wrapper_;
  Painter().HideSelection = book_.HideSelection() && !hasFocus();
  if (!HasSheets()) {
    wrapper.SetCanvas(&painter);
    const TRect client{0, 0, width() - 1, height() - 1};
    wrapper.FillRect(client, kclBtnFace);
    wrapper.Edge3D(client, kclBtnHighlight, kclBtnShadow);
    wrapper.ResetCanvas();
    return;
  }
  if (book_.BufferedPaint()) {
    TcxSSBookSheetControl* sheet = ActiveSheetControl();
    if (buffer_.size() != size()) {
      buffer_ = QPixmap(size());
      sheet->ViewInfo().SetLayoutDirty(true);
    }
    {
      QPainter bufferPainter(&buffer_);
      wrapper.SetCanvas(&bufferPainter);
      if (captions_->Visible()) captions_->Paint(captions_->QBounds());
      sheet->ViewInfo().EnsureLayout();
      if (sheet->ViewInfo().LayoutDirty() && sheet->Visible()) sheet->Paint(sheet->QBounds());
      PaintUncovered(bufferPainter);
    }
    wrapper.ResetCanvas();
    painter.drawPixmap(event->rect(), buffer_, event->rect());
    return;
  }
  buffer_ = QPixmap();
  wrapper.SetCanvas(&painter);
  PaintContents(painter, event->rect());
  wrapper.ResetCanvas();
}

void TcxSpreadSheetBookControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (EditorHasFocus()) setFocus();
  Guarded([this] { book_.UpdateLayout(); });
}

// --- Input routing -----------------------------------------------------------------------------------

bool TcxSpreadSheetBookControl::event(QEvent* event) {
  // Tab and Shift+Tab move within the sheet, not to the next widget.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}

void TcxSpreadSheetBookControl::RoutePress(Qt::MouseButton button, const QPoint& point,
                                           TShiftState shift) {
  TcxSSHitTestRec hitTest;
  GetHitTest(point, hitTest);
  setFocus(Qt::MouseFocusReason);
  lastMousePoint_ = point;
  lastShift_ = shift;
  const bool captures = button == Qt::LeftButton || button == Qt::MiddleButton;
  if (IsOverCaptions(point)) {
    if (captures) captureOwner_ = captions_.get();
    captions_->MouseDown(button, shift, point.x() - captions_->Left(), point.y() - captions_->Top());
    return;
  }
  if (TcxSSBookSheetControl* sheet = ActiveSheetControl()) {
    if (captures) captureOwner_ = sheet;
    sheet->MouseDown(button, shift, point.x() - sheet->Left(), point.y() - sheet->Top());
  }
}

void TcxSpreadSheetBookControl::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const TShiftState shift = ShiftOf(*event, event->buttons());
  Guarded([&] {
    if (OnMouseDown) OnMouseDown(*this, event->button(), shift, point.x(), point.y());
    RoutePress(event->button(), point, shift);
  });
}

void TcxSpreadSheetBookControl::mouseDoubleClickEvent(QMouseEvent* event) {
  // The double-click first, then the press of the second click, as the sheet and the tab strip
  // expect them.
  const QPoint point = event->position().toPoint();
  const TShiftState shift = ShiftOf(*event, event->buttons());
  Guarded([&] {
    if (OnDblClick) OnDblClick(*this);
    if (IsOverCaptions(point))
      captions_->DblClick();
    else if (TcxSSBookSheetControl* sheet = ActiveSheetControl())
      sheet->DblClick();
  });
  Guarded([&] {
    if (OnMouseDown) OnMouseDown(*this, event->button(), shift, point.x(), point.y());
    RoutePress(event->button(), point, shift);
  });
}

void TcxSpreadSheetBookControl::RouteMove(const QPoint& point, TShiftState shift) {
  if (captureOwner_ == captions_.get() || (!captureOwner_ && IsOverCaptions(point))) {
    captions_->MouseMove(shift, point.x() - captions_->Left(), point.y() - captions_->Top());
    return;
  }
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (!sheet) return;
  const int x = point.x() - sheet->Left();
  const int y = point.y() - sheet->Top();
  sheet->MouseMove(shift, x, y);
  // While the sheet holds the mouse, a pointer outside the data area keeps scrolling.
  const QRect dataArea(QPoint(book_.RowHeaderWidth(), book_.ColHeaderHeight()),
                       QPoint(sheet->Width() - 1, sheet->Height() - 1));
  const bool outside = !dataArea.contains(x, y);
  if (captureOwner_ == sheet && outside) {
    if (!autoScrollTimer_.isActive()) autoScrollTimer_.start();
  } else {
    autoScrollTimer_.stop();
  }
}

void TcxSpreadSheetBookControl::mouseMoveEvent(QMouseEvent* event) {
  lastMousePoint_ = event->position().toPoint();
  lastShift_ = ShiftOf(*event, event->buttons());
  Guarded([&] {
    RouteMove(lastMousePoint_, lastShift_);
    if (OnMouseMove) OnMouseMove(*this, lastShift_, lastMousePoint_.x(), lastMousePoint_.y());
  });
}

void TcxSpreadSheetBookControl::TimerTick() {
  Guarded([&] { RouteMove(lastMousePoint_, lastShift_); });
}

void TcxSpreadSheetBookControl::mouseReleaseEvent(QMouseEvent* event) {
  autoScrollTimer_.stop();
  const QPoint point = event->position().toPoint();
  const TShiftState shift = ShiftOf(*event, event->buttons());
  lastMousePoint_ = point;
  lastShift_ = shift;
  // The region that got the press gets the release, wherever the pointer is now.
  TcxWorkBookSubControl* target = captureOwner_;
  if (!target) target = IsOverCaptions(point) ? static_cast<TcxWorkBookSubControl*>(captions_.get())
                                              : ActiveSheetControl();
  captureOwner_ = nullptr;
  Guarded([&] {
    if (OnMouseUp) OnMouseUp(*this, event->button(), shift, point.x(), point.y());
    if (target)
      target->MouseUp(event->button(), shift, point.x() - target->Left(), point.y() - target->Top());
  });
}

void TcxSpreadSheetBookControl::wheelEvent(QWheelEvent* event) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (!sheet) return;
  event->accept();
  wheelDelta_ += event->angleDelta().y();
  const int steps = wheelDelta_ / kWheelStep;
  wheelDelta_ -= steps * kWheelStep;
  const int lines = std::abs(steps) * QApplication::wheelScrollLines();
  Guarded([&] {
    for (int k = 0; k < lines; ++k) {
      int position = 0;
      sheet->Scroll(1, steps < 0 ? scLineDown : scLineUp, true, position);
    }
    if (captureOwner_ != captions_.get()) {
      const QPoint point = event->position().toPoint();
      sheet->DoMouseWheel(ShiftOf(*event, event->buttons()), event->angleDelta().y(),
                          point - QPoint(sheet->Left(), sheet->Top()));
      setFocus(Qt::MouseFocusReason);
    }
  });
}

bool TcxSpreadSheetBookControl::ControlKey(int key, TShiftState shift) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (key == Qt::Key_F9) {
    book_.Recalc();
    book_.RefreshView();
    return true;
  }
  if (!(shift.Keys & Qt::ControlModifier) || !sheet) return false;
  TcxSSBookSheet& bookSheet = sheet->Sheet();
  switch (key) {
    case Qt::Key_C:
      bookSheet.CopyCells(bookSheet.Selection(), false);
      return true;
    case Qt::Key_X:
      bookSheet.CopyCells(bookSheet.Selection(), true);
      return true;
    case Qt::Key_V:
      bookSheet.PasteCells(bookSheet.Selection());
      return true;
    case Qt::Key_Z:
      book_.History().Undo(1);
      return true;
    case Qt::Key_Y:
      book_.History().Redo(1);
      return true;
    default:
      return false;
  }
}

void TcxSpreadSheetBookControl::EditorKeyDown(int key, TShiftState shift) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  if (sheet && !captureOwner_ && !ControlKey(key, shift)) sheet->KeyDown(key, shift);
  if (OnKeyDown) OnKeyDown(*this, key, shift);
}

void TcxSpreadSheetBookControl::keyPressEvent(QKeyEvent* event) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  const bool toSheet = sheet && !captureOwner_;
  const TShiftState shift = ShiftOf(*event, QApplication::mouseButtons());
  Guarded([&] {
    int key = event->key();
    if (toSheet && !ControlKey(key, shift)) sheet->KeyDown(key, shift);
    if (OnKeyDown) OnKeyDown(*this, key, shift);
    for (QChar ch : event->text()) {
      if (toSheet) sheet->KeyPress(ch);
      if (OnKeyPress) OnKeyPress(*this, ch);
    }
  });
}

void TcxSpreadSheetBookControl::keyReleaseEvent(QKeyEvent* event) {
  TcxSSBookSheetControl* sheet = ActiveSheetControl();
  const bool toSheet = sheet && !captureOwner_;
  const TShiftState shift = ShiftOf(*event, QApplication::mouseButtons());
  Guarded([&] {
    int key = event->key();
    if (toSheet) sheet->KeyUp(key, shift);
    if (OnKeyUp) OnKeyUp(*this, key, shift);
  });
}

void TcxSpreadSheetBookControl::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (TcxSSBookSheetControl* sheet = ActiveSheetControl()) sheet->FocusChanged();
}

void TcxSpreadSheetBookControl::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  if (TcxSSBookSheetControl* sheet = ActiveSheetControl()) sheet->FocusChanged();
}
