#pragma once

#include <string>

#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetHistory.h"

class TcxSSBookSheet;

// A column's width or a row's height set by dragging its header edge: one step of the history.
// It keeps the header item (size and flags) from before the drag; undo and redo both exchange
// the kept item with the header's current one, so the step can be undone and redone any number
// of times. The view follows through the workbook's update lock, which undo and redo hold.
class TcxSSHeaderSizeAction : public TcxCustomAction {
public:
  std::string Description() const override;
  // kind 0 a column, 1 a row.
  void Init(TcxSSBookSheet& sheet, int kind, int index, const TcxSSHeaderItem& previous);
  void Undo() override { Swap(); }
  void Redo() override { Swap(); }

private:
  void Swap();

  TcxSSBookSheet* sheet_ = nullptr;
  int kind_ = 0;
  int index_ = 0;
  TcxSSHeaderItem item_;
};
