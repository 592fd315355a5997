#pragma once

#include <QPoint>
#include <memory>

#include "view/cxSSheetViewInfo.h"
#include "view/cxWorkBookSubControl.h"

class TcxSSBookSheet;

// What a scroll bar asks for.
enum TScrollCode : uint8_t {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll,
};

// The scroll bar values of one direction as the sheet computes them: the first visible column
// (row), the page (last visible − first visible) and the maximum position of the range.
struct TcxScrollBarValues {
  int Position = 0;
  int Page = 0;
  int Maximum = 0;
};

// The on-screen side of one sheet: the region of the workbook control the active sheet takes,
// with the sheet's layout (view info). The control keeps one per sheet it has shown, so every
// sheet keeps its own scroll position; only the active sheet's is visible and gets input.
//
// The input entry points (MouseDown, MouseMove, MouseUp, DblClick, KeyDown, KeyPress, KeyUp)
// receive what the control routes to the sheet, in sheet coordinates; selecting, navigating,
// resizing and editing build on them.
class TcxSSBookSheetControl : public TcxWorkBookSubControl {
public:
  TcxSSBookSheetControl(TcxSpreadSheetBookControl& owner, TcxSSBookSheet& sheet);
  ~TcxSSBookSheetControl() override;

  TcxSSBookSheet& Sheet() const { return sheet_; }
  TcxSSheetViewInfo& ViewInfo() const { return *viewInfo_; }

  void Paint(const QRect& dirty) override;
  void FocusChanged() override;
  void BoundsChanged() override;

  // The wheel turned over the sheet (the control has scrolled already): answers whether the
  // sheet handled it.
  virtual bool DoMouseWheel(TShiftState shift, int delta, QPoint position);
  // Pushes the layout's first and last visible column and row into the control's scroll bars.
  virtual void UpdateScrollBars();
  // A scroll bar action: kind 0 horizontal, 1 vertical. With `apply` the view scrolls to the new
  // position, which `position` then returns as the view took it.
  virtual void Scroll(int kind, TScrollCode code, bool apply, int& position);
  // The values UpdateScrollBars pushes (kind 0 horizontal, 1 vertical).
  TcxScrollBarValues ScrollBarValues(int kind) const;

private:
  TcxSSBookSheet& sheet_;
  std::unique_ptr<TcxSSheetViewInfo> viewInfo_;
};
