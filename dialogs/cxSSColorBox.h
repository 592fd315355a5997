#pragma once

#include <QFrame>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"

class TcxCanvasWrapper;

// The file colour indexes of the picker's grid positions (palette index = value − 8). The first
// 56 are the swatches, 8 to a row (rows 5 and 6 hold the chart colours); the last two (style
// colours 56 and 57) have no swatch but can be selected.
inline constexpr std::array<uint8_t, 58> kColorGridOrder = {
    8,  60, 59, 58, 56, 18, 62, 63,  //
    16, 53, 19, 17, 21, 12, 54, 23,  //
    10, 52, 50, 57, 49, 48, 20, 55,  //
    14, 51, 13, 11, 15, 40, 61, 22,  //
    45, 47, 43, 42, 41, 44, 46, 9,   //
    24, 25, 26, 27, 28, 29, 30, 31,  //
    32, 33, 34, 35, 36, 37, 38, 39,  //
    64, 65};

inline constexpr int kColorSwatchCount = 56;
inline constexpr int kBrushSwatchCount = 18;
// SelectedColor while "Automatic" is selected.
inline constexpr uint8_t kSelectedAutomatic = 64;

// A panel of the 56 palette colours in the grid above, an "Automatic" button and, optionally,
// the 18 fill patterns. It draws through its own canvas wrapper over its own copy of the
// palette. Items are addressed by a linear index that the keyboard walks: with brushes 0–17 are
// the patterns, 18 "Automatic" and 19–74 the colours; without, 0 is "Automatic" and 1–56 the
// colours. The layout scales with the panel's size and is recomputed on resize.
class TcxSSColorPanel : public QWidget {
  Q_OBJECT
 public:
  using TPalette = std::array<TColor, 56>;

  explicit TcxSSColorPanel(QWidget* parent = nullptr);
  ~TcxSSColorPanel() override;

  uint8_t AutomaticColor() const { return automaticColor_; }
  void SetAutomaticColor(uint8_t value);
  bool IncludeBrushes() const { return includeBrushes_; }
  void SetIncludeBrushes(bool value);
  // fsSolid while the panel shows no patterns.
  TcxSSFillStyle SelectedBrush() const { return includeBrushes_ ? selectedBrush_ : fsSolid; }
  void SetSelectedBrush(TcxSSFillStyle value);
  // The palette index of the selected grid position; kSelectedAutomatic for "Automatic".
  uint8_t SelectedColor() const;
  // AutomaticColor selects "Automatic" quietly; any other value selects the first grid
  // position holding it (none for a value no position holds) and reports a change.
  void SetSelectedColor(uint8_t value);
  void AssignPalette(const TPalette& colors);
  const TPalette& Palette() const { return palette_; }

  // Fired after every choice of an item, whether or not the selection changed.
  std::function<void()> OnChange;
  // Set while the panel sits in a pop-up: called for a key that closes it and after a choice.
  std::function<void()> OnClosePopup;

  // The linear index of the last item, the hot item (−1 for none) and an item's rectangle.
  int LastIndex() const { return includeBrushes_ ? kBrushSwatchCount + kColorSwatchCount : kColorSwatchCount; }
  int HotIndex() const { return hot_; }
  TRect ItemRect(int index) const;
  int AutomaticIndex() const { return includeBrushes_ ? kBrushSwatchCount : 0; }
  int ColorIndex(int gridPosition) const { return AutomaticIndex() + 1 + gridPosition; }
  // The item under a point, −1 for none.
  int HitTest(QPoint point) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Layout();
  void SetHot(int index);
  void Choose(int index);
  TColor StyleColor(uint8_t color) const;
  int SelectedIndex() const;

  TPalette palette_;
  std::unique_ptr<TcxCanvasWrapper> wrapper_;
  uint8_t automaticColor_ = 0;
  bool includeBrushes_ = true;
  TcxSSFillStyle selectedBrush_ = fsSolid;
  // The selected grid position: −1 "Automatic", −2 none.
  int selectedPosition_ = -1;
  int hot_ = -1;
  double unit_ = 0;
  std::array<TRect, kBrushSwatchCount> brushRects_{};
  std::array<TRect, kColorSwatchCount> colorRects_{};
  TRect automaticRect_{};
  std::vector<TRect> separators_;
};

// A combo box that shows the chosen colour (and pattern) and drops a TcxSSColorPanel down in a
// pop-up window. Its properties are the panel's.
class TcxSSColorComboBox : public QWidget {
  Q_OBJECT
 public:
  explicit TcxSSColorComboBox(QWidget* parent = nullptr);
  ~TcxSSColorComboBox() override;

  TcxSSColorPanel& Panel() const { return *panel_; }
  uint8_t AutomaticColor() const { return panel_->AutomaticColor(); }
  void SetAutomaticColor(uint8_t value) { panel_->SetAutomaticColor(value); }
  bool IncludeBrushes() const { return panel_->IncludeBrushes(); }
  void SetIncludeBrushes(bool value);
  TcxSSFillStyle SelectedBrush() const { return panel_->SelectedBrush(); }
  void SetSelectedBrush(TcxSSFillStyle value);
  uint8_t SelectedColor() const { return panel_->SelectedColor(); }
  void SetSelectedColor(uint8_t value) { panel_->SetSelectedColor(value); }
  void AssignPalette(const TcxSSColorPanel::TPalette& colors);

  bool DroppedDown() const;
  void DropDown();
  void CloseUp();
  QWidget* Popup() const { return popup_; }

  std::function<void()> OnChange;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TRect ButtonRect() const;

  QFrame* popup_ = nullptr;
  TcxSSColorPanel* panel_ = nullptr;
  std::unique_ptr<TcxCanvasWrapper> wrapper_;
};
