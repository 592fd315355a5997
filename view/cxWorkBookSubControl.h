#pragma once

#include <QChar>
#include <QRect>
#include <Qt>

#include "platform/Types.h"

class TcxSpreadSheetBookControl;

// The modifier keys and mouse buttons held during an input event.
struct TShiftState {
  Qt::KeyboardModifiers Keys;
  Qt::MouseButtons Buttons;
};

// A windowless region of the workbook control (the active sheet, the sheet tab strip) that
// draws itself and takes the input the control routes to it. Bounds are relative to the control;
// the region's own coordinates start at its top-left corner, so its client rectangle is
// (0, 0, Width, Height) and every routed point is given in them.
class TcxWorkBookSubControl {
public:
  explicit TcxWorkBookSubControl(TcxSpreadSheetBookControl& owner) : owner_(owner) {}
  virtual ~TcxWorkBookSubControl() = default;
  TcxWorkBookSubControl(const TcxWorkBookSubControl&) = delete;
  TcxWorkBookSubControl& operator=(const TcxWorkBookSubControl&) = delete;

  TcxSpreadSheetBookControl& Owner() const { return owner_; }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Pixels of the control; Right and Bottom lie just outside.
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  TRect ClientRect() const { return {0, 0, width_, height_}; }
  QRect QBounds() const { return QRect(left_, top_, width_, height_); }
  void SetBounds(int left, int top, int width, int height);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

  // Input, in this region's coordinates.
  virtual void DblClick() {}
  virtual void FocusChanged() {}
  virtual void KeyDown(int /*key*/, TShiftState /*shift*/) {}
  virtual void KeyPress(QChar /*key*/) {}
  virtual void KeyUp(int /*key*/, TShiftState /*shift*/) {}
  virtual void MouseMove(TShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseDown(Qt::MouseButton /*button*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseUp(Qt::MouseButton /*button*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {}
  // Paints the region through the control's canvas wrapper; `dirty` is in control coordinates.
  virtual void Paint(const QRect& /*dirty*/) {}
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}

  // Repaints the whole region, or a rectangle of it (inclusive pixels, region coordinates).
  virtual void Invalidate();
  void InvalidateRect(const TRect& rect);

private:
  TcxSpreadSheetBookControl& owner_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = false;
};
