#pragma once

#include <QRect>

#include "view/cxCanvasWrapper.h"
#include "view/cxSSheetViewInfo.h"

// Draws a sheet from its layout and nothing else: headers, cell fills and border lines row by
// row, texts, merged areas and the selection frame, all only over the dirty rectangle. A painter
// keeps no state between paints; the layout is read in place for the duration of one paint.
//
// The Office 97 look (this class) draws raised 3-D headers; TcxXPPainter draws flat ones.
class TcxSheetPainter {
public:
  TcxSheetPainter() = default;
  virtual ~TcxSheetPainter() = default;
  TcxSheetPainter(const TcxSheetPainter&) = delete;
  TcxSheetPainter& operator=(const TcxSheetPainter&) = delete;

  // The control's HideSelection while it has no focus: no tint and no frame.
  bool HideSelection = false;

  // Paints the layout through the wrapper's painter; `dirty` is in sheet coordinates.
  virtual void Paint(TcxCanvasWrapper& wrapper, const TcxSSViewInfoData& data, const QRect& dirty);

protected:
  virtual void DrawCells();
  virtual void DrawHeader(int colIndex, int rowIndex);
  virtual void DrawSelectionFrame();

  TcxCanvasWrapper& Wrapper() const { return *wrapper_; }
  const TcxSSViewInfoData& Data() const { return *data_; }
  const TcxSSInfoBrick& Brick(int colIndex, int rowIndex) const {
    return data_->Bricks[colIndex][rowIndex];
  }
  // Whether an inclusive rectangle reaches into the dirty rectangle.
  bool IsDirty(const TRect& rect) const;
  // The header text of a brick, in the header font colour.
  void DrawHeaderText(const TcxSSInfoBrick& brick);

private:
  void DrawBrickLines(int colIndex, int rowIndex);
  void DrawFreezeLines();

  TcxCanvasWrapper* wrapper_ = nullptr;
  const TcxSSViewInfoData* data_ = nullptr;
  QRect dirty_;
};

// The Office XP look: flat headers in the header colour framed by a shadow line, selected ones
// in the selection tint of the window colour.
class TcxXPPainter : public TcxSheetPainter {
protected:
  void DrawHeader(int colIndex, int rowIndex) override;
};
