#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Types.h"
#include "view/cxCanvasWrapper.h"
#include "view/cxWorkBookSubControl.h"

class TcxSSInplaceTextEdit;

// Tab flag bits.
inline constexpr uint8_t kTabActive = 1;
inline constexpr uint8_t kTabHidden = 2;
inline constexpr uint8_t kNoButton = 255;

// One sheet's tab; Rect is in control coordinates, inclusive.
struct TcxSSCaptionInfoBrick {
  uint8_t Flags = 0;
  QString Caption;
  TRect Rect;
};

// The layout of the tab strip, read by its painter.
struct TcxSSBookCaptionViewInfo {
  TRect StripRect;  // control coordinates; Right and Bottom lie just outside
  TColor Color = 0;
  TColor WindowColor = 0;
  const TcxScreenFont* Font = nullptr;
  bool ButtonDown = false;
  uint8_t DownButton = kNoButton;
  int FirstTab = 0;
  std::array<TRect, 4> Buttons{};  // first, previous, next, last
  std::vector<TcxSSCaptionInfoBrick> Tabs;
};

// Draws the tab strip: the background, the tabs from the last to the first with the active one
// in front, and the four scroll buttons.
class TcxPageCaptionPainter {
public:
  TcxPageCaptionPainter() = default;
  virtual ~TcxPageCaptionPainter() = default;
  TcxPageCaptionPainter(const TcxPageCaptionPainter&) = delete;
  TcxPageCaptionPainter& operator=(const TcxPageCaptionPainter&) = delete;

  virtual void Paint(TcxCanvasWrapper& wrapper, const TcxSSBookCaptionViewInfo& viewInfo);

protected:
  virtual void DrawTabs();
  virtual void DrawButtons();
  void DrawTab(const TcxSSCaptionInfoBrick& tab, bool active);

  TcxCanvasWrapper* wrapper_ = nullptr;
  const TcxSSBookCaptionViewInfo* viewInfo_ = nullptr;
};

// The sheet tab strip along the bottom of the workbook control: one trapezoid tab per visible
// sheet, the active one in front, and four scroll buttons at its left end. Clicking a tab
// activates its sheet, the buttons scroll the tabs, a double-click renames the sheet in place,
// a right-click asks for the tab pop-up menu.
//
// Layout: the buttons are squares of the strip's height; tabs start at the buttons' right edge
// from FirstTab on, each as wide as its caption plus 30 pixels and overlapping the previous one
// by 10. The strip's height follows the header font.
class TcxSSBookPageCaptions : public TcxWorkBookSubControl {
public:
  explicit TcxSSBookPageCaptions(TcxSpreadSheetBookControl& owner);
  ~TcxSSBookPageCaptions() override;

  const TcxSSBookCaptionViewInfo& ViewInfo() const { return viewInfo_; }
  // The height the strip asks for: the header font's "I" height + 5.
  int StripHeight() const { return stripHeight_; }

  // Lays the strip out again (tabs, captions, buttons, its height).
  virtual void Calculate();
  // 0 nothing, 1 a tab, 2 a scroll button; `index` the tab or button (-1 for nothing). (x, y)
  // in strip coordinates.
  int HitTest(int x, int y, int& index) const;
  int FirstTab() const { return viewInfo_.FirstTab; }
  void SetFirstTab(int index);
  // Scrolls the tabs until the tab of the page is the first one or ends within the room the
  // tabs have.
  void MakeTabVisible(int index);
  virtual void SetTabFlags(int index, uint8_t flags);
  // Starts renaming the active sheet in place, the editor holding the focus.
  virtual void RenameActiveSheet();
  // The in-place rename editor, made with the first rename.
  TcxSSInplaceTextEdit* RenameEditor() const { return editor_; }
  bool Renaming() const;

  void DblClick() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseDown(Qt::MouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(Qt::MouseButton button, TShiftState shift, int x, int y) override;
  void Paint(const QRect& dirty) override;
  void BoundsChanged() override;
  void VisibleChanged() override;

protected:
  virtual void RenameTextChanged();
  // Ends the rename: the active sheet takes the editor's text as its caption.
  virtual void RenameDone();

private:
  void StartRename();
  void LayoutTabs();
  void MeasureHeight();
  void InvalidateButton(int index);
  // The room the tabs have, in control coordinates.
  int TabsRight() const;

  std::unique_ptr<TcxPageCaptionPainter> painter_;
  TcxSSBookCaptionViewInfo viewInfo_;
  int stripHeight_ = 0;
  TcxSSInplaceTextEdit* editor_ = nullptr;
  bool renameStarting_ = false;
  bool finishing_ = false;
  TPoint pressPoint_{-1, -1};
  bool tabActivatedByPress_ = false;
};
