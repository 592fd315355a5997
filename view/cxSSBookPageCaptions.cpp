#include "view/cxSSBookPageCaptions.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "calc/cxSSStrings.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "view/cxSSInplaceTextEdit.h"
#include "view/cxSpreadSheetBookControl.h"

// --- Painter ---------------------------------------------------------------------------------------

void TcxPageCaptionPainter::Paint(TcxCanvasWrapper& wrapper, const TcxSSBookCaptionViewInfo& viewInfo) {
  wrapper_ = &wrapper;
  viewInfo_ = &viewInfo;
  const TRect& strip = viewInfo.StripRect;
  wrapper.FillRect({strip.Left, strip.Top, strip.Right - 1, strip.Bottom - 1}, viewInfo.Color);
  DrawTabs();
  DrawButtons();
  wrapper_ = nullptr;
  viewInfo_ = nullptr;
}

void TcxPageCaptionPainter::DrawTab(const TcxSSCaptionInfoBrick& tab, bool active) {
  QPainter& painter = *wrapper_->Canvas();
  const int l = tab.Rect.Left;
  const int t = tab.Rect.Top;
  const int r = tab.Rect.Right;
  const int b = tab.Rect.Bottom;
  const QPolygon outline({QPoint(l, t), QPoint(l + 10, b), QPoint(r - 10, b), QPoint(r, t)});
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(Qt::NoPen);
  painter.setBrush(ToQColor(active ? viewInfo_->WindowColor : viewInfo_->Color));
  painter.drawPolygon(outline);
  if (!active) {
    painter.setPen(ToQColor(kclBtnHighlight));
    painter.drawLine(l + 2, t + 1, l + 11, b);
    painter.setPen(ToQColor(kclBtnShadow));
    painter.drawLine(l + 11, b - 1, r - 10, b - 1);
    painter.drawLine(r - 11, b, r - 1, t);
    painter.drawLine(r - 1, t, l + 1, t);
  }
  painter.setPen(Qt::black);
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(outline);
  painter.restore();
  wrapper_->SetFont(viewInfo_->Font);
  wrapper_->SetTextColor(kclBlack);
  wrapper_->DrawCentredText(tab.Caption, {l + 10, t, r - 10, b - 2});
}

void TcxPageCaptionPainter::DrawTabs() {
  const auto& tabs = viewInfo_->Tabs;
  const int first = std::max(viewInfo_->FirstTab, 0);
  const TcxSSCaptionInfoBrick* active = nullptr;
  for (int k = static_cast<int>(tabs.size()) - 1; k >= first; --k) {
    const TcxSSCaptionInfoBrick& tab = tabs[k];
    if (tab.Flags & kTabHidden) continue;
    if (tab.Flags & kTabActive) {
      active = &tab;
      continue;
    }
    DrawTab(tab, false);
  }
  if (active) DrawTab(*active, true);
}

void TcxPageCaptionPainter::DrawButtons() {
  TcxCanvasWrapper& wrapper = *wrapper_;
  for (int i = 0; i < 4; ++i) {
    const TRect& rect = viewInfo_->Buttons[i];
    const bool pressed = viewInfo_->ButtonDown && viewInfo_->DownButton == i;
    wrapper.FrameRect(rect, kclBtnShadow, false);
    const TRect edge{rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1};
    if (pressed)
      wrapper.Edge3D(edge, kclBtnShadow, kclBtnHighlight);
    else
      wrapper.Edge3D(edge, kclBtnHighlight, kclBtnShadow);
    const TRect inside{edge.Left + 1, edge.Top + 1, edge.Right - 1, edge.Bottom - 1};
    wrapper.FillRect(inside, viewInfo_->Color);
    const int shift = pressed ? 1 : 0;
    const TRect arrow{rect.Left + shift, rect.Top + shift, rect.Right + shift, rect.Bottom + shift};
    const int direction = i < 2 ? 0 : 1;
    wrapper.DrawArrow(arrow, true, direction);
    if (i == 0 || i == 3) {
      // First and last add a bar at the tip.
      const int h = (arrow.Bottom - arrow.Top + 1) / 3;
      const int base = 2 * h + 2;
      const int top = arrow.Top + (arrow.Bottom - arrow.Top + 1 - base) / 2;
      const int left = arrow.Left + (arrow.Right - arrow.Left + 1 - (h + 1)) / 2;
      const int x = i == 0 ? left - 2 : left + h + 2;
      wrapper.FillRect({x, top, x, top + base - 1}, kclBlack);
    }
  }
}

// --- Strip -----------------------------------------------------------------------------------------

TcxSSBookPageCaptions::TcxSSBookPageCaptions(TcxSpreadSheetBookControl& owner)
    : TcxWorkBookSubControl(owner), painter_(owner.CreatePageCaptionPainter()) {
  MeasureHeight();
}

TcxSSBookPageCaptions::~TcxSSBookPageCaptions() {
  // The editor is a child widget of the control, which outlives this strip by a moment.
  delete editor_;
}

void TcxSSBookPageCaptions::MeasureHeight() { stripHeight_ = Owner().HeaderFont().Height + 5; }

bool TcxSSBookPageCaptions::Renaming() const { return editor_ && editor_->isVisible(); }

int TcxSSBookPageCaptions::TabsRight() const {
  const TcxScrollBars bars = Owner().Book().ScrollBars();
  const bool horizontalBar = bars == sbsHorizontal || bars == sbsBoth;
  return horizontalBar ? Owner().width() / 2 : Owner().width();
}

void TcxSSBookPageCaptions::Calculate() {
  if (Owner().Book().IsLocked()) return;
  const TcxCustomSpreadSheetBook& book = Owner().Book();
  viewInfo_.ButtonDown = false;
  viewInfo_.DownButton = kNoButton;
  viewInfo_.Font = &Owner().HeaderFont();
  viewInfo_.Color = book.HeaderColor();
  viewInfo_.WindowColor = book.BackgroundColor();
  viewInfo_.StripRect = BoundsRect();
  const TRect& strip = viewInfo_.StripRect;
  const int h = Height();
  for (int i = 0; i < 4; ++i)
    viewInfo_.Buttons[i] = {strip.Left + i * h, strip.Top, strip.Left + (i + 1) * h, strip.Bottom - 1};
  LayoutTabs();
  const int oldHeight = stripHeight_;
  MeasureHeight();
  if (oldHeight != stripHeight_) Owner().UpdateLayout();
}

void TcxSSBookPageCaptions::LayoutTabs() {
  const TcxCustomSpreadSheetBook& book = Owner().Book();
  const int count = book.PageCount();
  auto& tabs = viewInfo_.Tabs;
  tabs.resize(count);
  viewInfo_.FirstTab = std::clamp(viewInfo_.FirstTab, 0, std::max(count - 1, 0));
  const TRect& strip = viewInfo_.StripRect;
  const int buttonsRight = viewInfo_.Buttons[3].Right;
  const TcxScreenFont& font = Owner().HeaderFont();
  TRect previous{buttonsRight, strip.Top, buttonsRight, strip.Bottom - 1};
  int right = 0;
  bool any = false;
  for (int k = 0; k < count; ++k) {
    TcxSSCaptionInfoBrick& tab = tabs[k];
    // While the active sheet is renamed its tab shows the editor's text.
    tab.Caption = Renaming() && k == book.ActivePage() ? editor_->toPlainText()
                                                       : QString::fromStdString(book.Pages(k).Caption());
    tab.Flags = static_cast<uint8_t>((book.PageVisible(k) ? 0 : kTabHidden) |
                                     (k == book.ActivePage() ? kTabActive : 0));
    if (k < viewInfo_.FirstTab) {
      tab.Rect = {0, 0, -1, -1};
      continue;
    }
    if (tab.Flags & kTabHidden) {
      tab.Rect = previous;
      continue;
    }
    const int left = any ? right - 10 : 0;
    right = left + font.TextWidth(tab.Caption) + 30;
    tab.Rect = {left + buttonsRight, strip.Top, right + buttonsRight, strip.Bottom - 1};
    previous = tab.Rect;
    any = true;
  }
}

int TcxSSBookPageCaptions::HitTest(int x, int y, int& index) const {
  index = -1;
  const int cx = x + Left();
  const int cy = y + Top();
  for (int i = 0; i < 4; ++i) {
    const TRect& button = viewInfo_.Buttons[i];
    if (cx >= button.Left && cx <= button.Right && cy >= button.Top && cy <= button.Bottom) {
      index = i;
      return 2;
    }
  }
  const int height = std::max(Height(), 1);
  const int above = cy - viewInfo_.StripRect.Top;
  const int slant = static_cast<int>(std::lround(10.0 * above / height));
  int found = -1;
  const auto& tabs = viewInfo_.Tabs;
  for (int k = viewInfo_.FirstTab; k < static_cast<int>(tabs.size()); ++k) {
    const TcxSSCaptionInfoBrick& tab = tabs[k];
    if (tab.Flags & kTabHidden) continue;
    const bool inside = cy > tab.Rect.Top && cy < tab.Rect.Bottom && cx >= tab.Rect.Left + slant &&
                        cx <= tab.Rect.Right - slant;
    if (!inside) continue;
    if (tab.Flags & kTabActive) {
      found = k;
      break;
    }
    if (found < 0) found = k;
  }
  if (found < 0) return 0;
  index = found;
  return 1;
}

void TcxSSBookPageCaptions::SetFirstTab(int index) {
  index = std::clamp(index, 0, std::max(Owner().Book().PageCount() - 1, 0));
  if (index == viewInfo_.FirstTab) return;
  viewInfo_.FirstTab = index;
  Calculate();
  Invalidate();
}

void TcxSSBookPageCaptions::MakeTabVisible(int index) {
  const int count = Owner().Book().PageCount();
  if (index < 0 || index >= count) return;
  const int right = TabsRight();
  while (viewInfo_.FirstTab != index) {
    const bool laidOut = viewInfo_.FirstTab < index;
    if (laidOut && viewInfo_.Tabs[index].Rect.Right <= right) break;
    const int before = viewInfo_.FirstTab;
    SetFirstTab(before + (laidOut ? 1 : -1));
    if (viewInfo_.FirstTab == before) break;
  }
}

void TcxSSBookPageCaptions::SetTabFlags(int index, uint8_t flags) {
  if (index < 0 || index >= static_cast<int>(viewInfo_.Tabs.size())) return;
  viewInfo_.Tabs[index].Flags = flags;
  Invalidate();
}

void TcxSSBookPageCaptions::InvalidateButton(int index) {
  const TRect& button = viewInfo_.Buttons[index];
  InvalidateRect({button.Left - Left(), button.Top - Top(), button.Right - Left() + 1,
                  button.Bottom - Top() + 1});
}

void TcxSSBookPageCaptions::Paint(const QRect&) {
  TcxCustomSpreadSheetBook& book = Owner().Book();
  viewInfo_.Color = book.HeaderColor();
  viewInfo_.WindowColor = book.BackgroundColor();
  viewInfo_.Font = &Owner().HeaderFont();
  painter_->Paint(Owner().CanvasWrapper(), viewInfo_);
}

void TcxSSBookPageCaptions::BoundsChanged() { Calculate(); }

void TcxSSBookPageCaptions::VisibleChanged() {
  if (Visible()) Calculate();
}

// --- Mouse -----------------------------------------------------------------------------------------

void TcxSSBookPageCaptions::MouseMove(TShiftState, int x, int y) {
  Owner().unsetCursor();
  if (viewInfo_.DownButton == kNoButton) return;
  int index = -1;
  const bool over = HitTest(x, y, index) == 2 && index == viewInfo_.DownButton;
  if (over == viewInfo_.ButtonDown) return;
  viewInfo_.ButtonDown = over;
  InvalidateButton(viewInfo_.DownButton);
}

void TcxSSBookPageCaptions::MouseDown(Qt::MouseButton button, TShiftState, int x, int y) {
  if (renameStarting_) return;
  TcxCustomSpreadSheetBook& book = Owner().Book();
  if (button == Qt::RightButton) {
    const QPoint screen = Owner().mapToGlobal(QPoint(x + Left(), y + Top()));
    book.Listener().CaptionPopup({screen.x(), screen.y()});
    return;
  }
  pressPoint_ = {x, y};
  int index = -1;
  switch (HitTest(x, y, index)) {
    case 2:
      viewInfo_.ButtonDown = true;
      viewInfo_.DownButton = static_cast<uint8_t>(index);
      InvalidateButton(index);
      break;
    case 1:
      tabActivatedByPress_ = true;
      book.SetActivePage(index);
      break;
    default:
      break;
  }
}

void TcxSSBookPageCaptions::MouseUp(Qt::MouseButton button, TShiftState, int x, int y) {
  // The right button's press asked for the pop-up menu; its release does nothing more.
  if (button == Qt::RightButton) return;
  if (renameStarting_) {
    renameStarting_ = false;
    if (editor_) {
      editor_->setFont(Owner().HeaderFont().Font);
      editor_->setFocus();
    }
    return;
  }
  TScopeGuard reset([this] {
    viewInfo_.ButtonDown = false;
    viewInfo_.DownButton = kNoButton;
    tabActivatedByPress_ = false;
  });
  TcxCustomSpreadSheetBook& book = Owner().Book();
  int index = -1;
  const int hit = HitTest(x, y, index);
  const int pressed = viewInfo_.DownButton;
  if (pressed != kNoButton) {
    viewInfo_.ButtonDown = false;
    InvalidateButton(pressed);
    if (hit == 2 && index == pressed) {
      const int last = book.PageCount() - 1;
      int first = viewInfo_.FirstTab;
      switch (pressed) {
        case 0:
          first = 0;
          break;
        case 1:
          if (first > 0) --first;
          break;
        case 2:
          if (first < last) ++first;
          break;
        default:
          first = last;
          break;
      }
      SetFirstTab(first);
    }
  }
  if (hit == 1 && !tabActivatedByPress_) book.SetActivePage(index);
}

void TcxSSBookPageCaptions::DblClick() {
  TcxCustomSpreadSheetBook& book = Owner().Book();
  int index = -1;
  if (HitTest(pressPoint_.X, pressPoint_.Y, index) != 1 || book.PageCount() == 0) return;
  const TcxSSBookSheet& sheet = book.ActiveSheet();
  const TRect& selection = sheet.Selection();
  if (!sheet.CanChangeCell(selection.Left, selection.Top)) return;
  StartRename();
  renameStarting_ = true;
}

// --- Renaming --------------------------------------------------------------------------------------

void TcxSSBookPageCaptions::StartRename() {
  TcxCustomSpreadSheetBook& book = Owner().Book();
  if (book.PageCount() == 0) return;
  if (!editor_) {
    // Not in grid mode: Enter ends the rename, and Tab too (KeepTab) without reaching the sheet.
    editor_ = Owner().CreateInplaceEdit(false);
    editor_->KeepTab = true;
    editor_->OnHide = [this](TcxSSInplaceTextEdit&) { RenameDone(); };
    editor_->OnChange = [this](TcxSSInplaceTextEdit&) {
      if (Renaming()) RenameTextChanged();
    };
  }
  const int active = book.ActivePage();
  const TRect& tab = viewInfo_.Tabs[active].Rect;
  editor_->setFont(Owner().HeaderFont().Font);
  editor_->setGeometry(tab.Left + 13 + 2, tab.Top + 2, std::max(tab.Right - tab.Left - 2, 0),
                       std::max(tab.Bottom - tab.Top - 2, 0));
  const std::string caption = book.ActiveSheet().Caption();
  editor_->ShowEditor(caption, caption);
  editor_->selectAll();
  editor_->raise();
}

void TcxSSBookPageCaptions::RenameActiveSheet() {
  TcxCustomSpreadSheetBook& book = Owner().Book();
  if (book.PageCount() == 0) return;
  MakeTabVisible(book.ActivePage());
  StartRename();
  editor_->setFocus();
}

void TcxSSBookPageCaptions::RenameTextChanged() {
  const int active = Owner().Book().ActivePage();
  if (active < 0 || active >= static_cast<int>(viewInfo_.Tabs.size())) return;
  viewInfo_.Tabs[active].Caption = editor_->toPlainText();
  LayoutTabs();
  Invalidate();
}

void TcxSSBookPageCaptions::RenameDone() {
  if (finishing_ || !Renaming()) return;
  finishing_ = true;
  TScopeGuard done([this] { finishing_ = false; });
  if (editor_->hasFocus()) Owner().setFocus();
  editor_->hide();
  TcxCustomSpreadSheetBook& book = Owner().Book();
  const std::string caption = editor_->GetEditText();
  TScopeGuard relayout([this, &book] {
    Calculate();
    const int active = book.ActivePage();
    if (active >= 0 && active < static_cast<int>(viewInfo_.Tabs.size()))
      InvalidateRect({viewInfo_.Tabs[active].Rect.Left - Left(), 0, Width(), Height()});
    else
      Invalidate();
  });
  if (book.PageCount() > 0) book.ActiveSheet().SetCaption(caption);
}
