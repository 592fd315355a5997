#pragma once

#include <string>
#include <vector>

#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleTypes.h"

class TcxSSBookSheet;

// The contents and look of one cell as an undo action keeps them: its text (for a formula the
// formula text), its kind, the font's values and the style record's values.
struct TcxStoreCellRec {
  std::string Text;
  TcxSSCellKind Kind = ckText;
  double Number = 0;  // ckNumber: the value itself, so that undo restores it exactly
  TcxSSFontRec Font;
  TcxSSStyleRec Style;  // Font and RefCount unused
};

// Records the cells of a rectangle of one sheet; undo and redo both swap the stored cells with
// the sheet's current ones, so an action can be undone and redone any number of times.
class TcxSpreadSheetActions : public TcxCustomAction {
public:
  void Undo() override { SwapCells(); }
  void Redo() override { SwapCells(); }
  virtual void SwapCells();
  virtual void StoreCells();

  // Keeps the sheet and the inclusive rectangle; with `store`, reads the cells.
  void Init(TcxSSBookSheet& sheet, const TRect& cells, bool store = true);
  TcxSSBookSheet* Sheet() const { return sheet_; }
  const TRect& Cells() const { return cells_; }
  const TcxStoreCellRec& StoredCell(int col, int row) const;

protected:
  TcxSSBookSheet* sheet_ = nullptr;
  TRect cells_;
  // Column-major: [col - Left][row - Top].
  std::vector<std::vector<TcxStoreCellRec>> stored_;
};

// The change of one cell's contents or style ("Change cells").
class TcxChangeDataAction : public TcxSpreadSheetActions {
public:
  std::string Description() const override;
};
