#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <unordered_map>

#include "sheet/cxBookControl.h"
#include "view/cxSSBookSheetControl.h"
#include "view/cxWorkBookSubControl.h"

class QScrollBar;
class TcxCanvasWrapper;
class TcxCustomSpreadSheetBook;
class TcxPageCaptionPainter;
class TcxSheetPainter;
class TcxSSBookPageCaptions;
class TcxSSBookSheet;
class TcxSSheetViewInfo;
class TcxSSInplaceTextEdit;
struct TcxScreenFont;

// What lies under a point of the workbook control.
enum TcxSSHitTestKind : uint8_t {
  htCell = 0,          // Index column, Row row
  htColumnHeader = 1,  // Index column; the corner gives Index and Row -1
  htRowHeader = 2,     // Index row
  htSheetCaption = 3,  // Index page
  htCaptionButton = 4  // Button 0..3 of the tab strip
};

struct TcxSSHitTestRec {
  uint8_t Kind = htCell;
  uint8_t Button = 0;
  int32_t Index = 0;
  int32_t Row = 0;
};

// The workbook control: the widget that shows a workbook (which it does not own; the document
// window does). The client area is divided into the active sheet (top-left, less the vertical
// scroll bar), the sheet tab strip along the bottom and the two scroll bars, the horizontal one
// taking the right half of the strip's line when the tabs are shown. Paint, mouse, wheel and key
// events are routed to the tab strip or the active sheet (TcxWorkBookSubControl); while a button
// is held, the region that got the press keeps the mouse (CaptureOwner) and, for the sheet, a
// 10 ms timer repeats the last move while the pointer is outside the data area, so a drag keeps
// scrolling.
//
// The control attaches itself to the workbook (IcxBookControl) and is told about everything that
// needs a new layout or a repaint. It keeps one TcxSSBookSheetControl (layout and scroll
// position) per sheet it has shown. With BufferedPaint the control paints into an off-screen
// pixmap, which is only redrawn after a layout change.
class TcxSpreadSheetBookControl : public QWidget, public IcxBookControl {
  Q_OBJECT

public:
  explicit TcxSpreadSheetBookControl(TcxCustomSpreadSheetBook& book, QWidget* parent = nullptr);
  ~TcxSpreadSheetBookControl() override;

  TcxCustomSpreadSheetBook& Book() const { return book_; }
  TcxCanvasWrapper& CanvasWrapper() const { return *wrapper_; }
  // The painter of the current PainterType (made anew when the type changed).
  TcxSheetPainter& Painter();
  TcxSSBookPageCaptions& PageCaptions() const { return *captions_; }
  QScrollBar* HorzScrollBar() const { return horzScrollBar_; }
  QScrollBar* VertScrollBar() const { return vertScrollBar_; }
  const TcxScreenFont& HeaderFont() const;

  bool HasSheets() const;
  // The active sheet's region, or nullptr while the workbook has no sheets.
  TcxSSBookSheetControl* ActiveSheetControl();
  TcxSSBookSheetControl& SheetControl(TcxSSBookSheet& sheet);
  // The rectangle the active sheet takes, in control coordinates.
  QRect SheetArea() const { return sheetArea_; }

  // What lies under a point (control coordinates). False outside the sheet and the tabs.
  bool GetHitTest(const QPoint& point, TcxSSHitTestRec& hitTest);

  TcxWorkBookSubControl* CaptureOwner() const { return captureOwner_; }
  // The in-place cell editor, made on first use (CreateInplaceEdit) and kept; its hide
  // notification ends the edit of the sheet that opened it.
  TcxSSInplaceTextEdit& InplaceEditor();
  TcxSSInplaceTextEdit* InplaceEditorIfMade() const { return editor_; }
  // A key the in-place editor passes on (it has given up the focus already): handled as if it
  // had been pressed on the control.
  void EditorKeyDown(int key, TShiftState shift);
  const QTimer& AutoScrollTimer() const { return autoScrollTimer_; }

  // Brings the canvas wrapper's colours, palette and resolution up to the workbook's.
  void SyncCanvas();
  // Repaints a rectangle of the control (nothing while the workbook is locked).
  void InvalidateControlRect(const QRect& rect);
  // The values of a scroll bar (kind 0 horizontal, 1 vertical) in the sheet's terms: first
  // visible index, page, maximum position of the range.
  void SetScrollBarValues(int kind, const TcxScrollBarValues& values);
  TcxScrollBarValues ScrollBarValuesShown(int kind) const { return barValues_[kind]; }
  // Runs an action of an event handler; what it raises is shown in the workbook's message box.
  bool Guarded(const std::function<void()>& action);

  // The families the control makes its parts from.
  virtual std::unique_ptr<TcxSSBookSheetControl> CreateSheetControl(TcxSSBookSheet& sheet);
  virtual std::unique_ptr<TcxSSheetViewInfo> CreateViewInfo(TcxSSBookSheetControl& sheet);
  virtual std::unique_ptr<TcxSheetPainter> CreatePainter();
  virtual std::unique_ptr<TcxPageCaptionPainter> CreatePageCaptionPainter();
  // An in-place editor: the cell editor in grid mode, the tab rename editor not. The control,
  // its parent, owns it.
  virtual TcxSSInplaceTextEdit* CreateInplaceEdit(bool gridMode);

  // With PainterType ptCustom the handler may choose another painter.
  using TcxPainterFactory = std::function<std::unique_ptr<TcxSheetPainter>()>;
  std::function<void(TcxSpreadSheetBookControl& sender, TcxPainterFactory& painterClass)> OnCustomPaint;

  // The standard input events, fired as the control's own handlers do: the mouse press, the
  // release and the double-click before the control acts on them, the keys and the mouse move
  // after. A key handler that sets the key to 0 (or the character to none) in the in-place
  // editor's key down or key press consumes it there.
  std::function<void(TcxSpreadSheetBookControl& sender, int& key, TShiftState shift)> OnKeyDown;
  std::function<void(TcxSpreadSheetBookControl& sender, QChar& key)> OnKeyPress;
  std::function<void(TcxSpreadSheetBookControl& sender, int& key, TShiftState shift)> OnKeyUp;
  std::function<void(TcxSpreadSheetBookControl& sender, Qt::MouseButton button, TShiftState shift,
                     int x, int y)>
      OnMouseDown;
  std::function<void(TcxSpreadSheetBookControl& sender, TShiftState shift, int x, int y)> OnMouseMove;
  std::function<void(TcxSpreadSheetBookControl& sender, Qt::MouseButton button, TShiftState shift,
                     int x, int y)>
      OnMouseUp;
  std::function<void(TcxSpreadSheetBookControl& sender)> OnDblClick;

  // --- IcxBookControl ------------------------------------------------------------------------
  void Invalidate() override;
  void UpdateLayout() override;
  void RefreshTabs() override;
  void MakeTabVisible(int page) override;
  void ScrollTabsToFirst() override;
  void ActivePageChanged(int oldPage, int newPage) override;
  void RefreshView() override;
  void SheetRemoved(TcxSSBookSheet& sheet) override;
  void CellChanged(TcxSSBookSheet& sheet, int col, int row) override;
  void SelectionChanged(TcxSSBookSheet& sheet, const TRect& oldSelection,
                        const TRect& newSelection) override;
  void HeaderChanged(TcxSSBookSheet& sheet, int kind, int index) override;
  bool EditorHasFocus() const override;
  void HideEditor() override;
  void FocusBook() override;
  void SetBusyCursor(bool busy) override;

public slots:
  // Repeats the last mouse move (automatic scrolling while dragging).
  void TimerTick();

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  bool IsOverCaptions(const QPoint& point) const;
  void RoutePress(Qt::MouseButton button, const QPoint& point, TShiftState shift);
  void RouteMove(const QPoint& point, TShiftState shift);
  void ScrollBarAction(int kind, int action);
  void PaintContents(QPainter& painter, const QRect& dirty);
  void PaintUncovered(QPainter& painter);
  bool IsActive(const TcxSSBookSheet& sheet) const;
  // The keys the control handles before the sheet: the clipboard and history keys with Ctrl,
  // F9. True when the key was one of them.
  bool ControlKey(int key, TShiftState shift);

  TcxCustomSpreadSheetBook& book_;
  std::unique_ptr<TcxCanvasWrapper> wrapper_;
  std::unique_ptr<TcxSSBookPageCaptions> captions_;
  std::unique_ptr<TcxSheetPainter> painter_;
  uint8_t painterType_ = 0;
  std::unordered_map<const TcxSSBookSheet*, std::unique_ptr<TcxSSBookSheetControl>> sheets_;
  QScrollBar* horzScrollBar_ = nullptr;
  QScrollBar* vertScrollBar_ = nullptr;
  std::array<TcxScrollBarValues, 2> barValues_{};
  QRect sheetArea_;
  QTimer autoScrollTimer_;
  TcxWorkBookSubControl* captureOwner_ = nullptr;
  QPoint lastMousePoint_;
  TShiftState lastShift_{};
  int wheelDelta_ = 0;
  QPixmap buffer_;
  std::array<TColor, 56> paletteSeen_{};
  TcxSSInplaceTextEdit* editor_ = nullptr;
};
