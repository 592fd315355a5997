#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>

#include "dialogs/cxSSColorBox.h"
#include "platform/TextMeasurer.h"
#include "sheet/cxSSFormatDialog.h"
#include "styles/cxSSStyleTypes.h"

class QCheckBox;
class QComboBox;
class QFontDialog;
class QLabel;
class QPainter;
class QRadioButton;
class QTabWidget;
class QToolButton;
class TcxCanvasWrapper;
class TcxPaintPanel;
class TcxSSStyleListBox;
class TcxLineStyleGrid;

// The modal "Format cells" dialog. Execute shows the style of a rectangle of cells on four tabs
// (number format, alignment and font, borders, patterns) and, on OK, writes to every cell of the
// rectangle only what the user touched: each control carries a change bit (its tag), and only
// the parts whose bits are set are written, inside the workbook's update lock. The caller (the
// sheet's FormatCells) makes the run one undo step.
//
// The borders are edited on a model of at most 2 × 2 cells: three horizontal lines (top, inner,
// bottom) and three vertical ones (left, inner, right); for one row (column) the inner line is
// the bottom (right) one. Every line is written as the top or left edge of a cell, so the
// rectangle's bottom and right lines go to the cells beyond it.
class TcxSSStyleDesigner : public QDialog, public TcxSSFormatDialog {
  Q_OBJECT
 public:
  // The change bits, by the tags of the controls.
  enum TTag : int {
    tagHorzAlign = 0, tagVertAlign, tagWordWrap, tagFont, tagNone, tagOuter, tagInner, tagTop,
    tagVMiddle, tagDown, tagLeft, tagMiddle, tagRight, tagPatColor, tagPattern, tagFormat,
  };
  struct TLine {
    TcxSSEdgeLineStyle Style = lsDefault;
    TcxSSColor Color = kColorAuto;
    bool operator==(const TLine&) const = default;
  };

  explicit TcxSSStyleDesigner(QWidget* parent = nullptr);
  ~TcxSSStyleDesigner() override;

  void Execute(const TRect& cells, TcxSSBookSheet& sheet) override;

  uint16_t Changes() const { return changes_; }
  TxlsDataFormat ChosenFormat() const { return format_; }
  const std::array<TLine, 3>& HorizontalLines() const { return h_; }
  const std::array<TLine, 3>& VerticalLines() const { return v_; }
  // The font the Font button's dialog starts from and gave back.
  const TcxFontDesc& FontDesc() const { return fontDesc_; }

 private:
  void CreateCellStyleTab();
  void CreateAlignTab();
  void CreateBorderTab();
  void CreatePatternsTab();
  QToolButton* BorderButton(const char* name, TTag tag);

  void Load();
  void Apply();
  // Marks a control's change (unless loading) and runs what follows from it.
  void Changed(TTag tag);
  void ChooseCategory(int category);
  void RunFontDialog();
  TcxSSColor BorderColor() const;
  void ToggleLine(TLine& line);
  void SetLine(TLine& line);
  void BorderPreviewClick(QPoint point);
  void PaintBorders(QPainter& painter);
  void PaintFontSample(QPainter& painter);
  void PaintPattern(QPainter& painter);
  TColor ForegroundShown(uint8_t color) const;
  TColor BackgroundShown(uint8_t color) const;

  std::array<TColor, 56> palette_{};
  std::unique_ptr<TcxCanvasWrapper> wrapper_;
  TRect cells_{};
  TcxSSBookSheet* sheet_ = nullptr;
  int columns_ = 1;
  int rows_ = 1;
  uint16_t changes_ = 0;
  bool loading_ = false;
  TxlsDataFormat format_ = 0;
  TcxSSEdgeLineStyle lineStyle_ = lsDefault;
  std::array<TLine, 3> h_{};
  std::array<TLine, 3> v_{};
  TcxFontDesc fontDesc_;
  TcxSSColor fontColor_ = kColorAuto;

  QTabWidget* pcSheets = nullptr;
  std::array<QRadioButton*, 5> categories_{};
  QLabel* lbStyleDescription = nullptr;
  TcxSSStyleListBox* lbStyleTypes = nullptr;
  QComboBox* cbxHorzAlign = nullptr;
  QComboBox* cbxVertAlign = nullptr;
  QCheckBox* chxWordWrap = nullptr;
  TcxPaintPanel* ppFontPaint = nullptr;
  QFontDialog* FontDialog = nullptr;
  TcxSSColorComboBox* cbxFontColor = nullptr;
  QToolButton* btnInner = nullptr;
  QToolButton* btnVMiddle = nullptr;
  QToolButton* btnMiddle = nullptr;
  TcxPaintPanel* ppPaintBorders = nullptr;
  TcxLineStyleGrid* drwgLineStyle = nullptr;
  TcxSSColorComboBox* cbxBorderColor = nullptr;
  TcxSSColorPanel* cplPatColor = nullptr;
  TcxSSColorComboBox* cbxPattern = nullptr;
  TcxPaintPanel* ppPattern = nullptr;
};
