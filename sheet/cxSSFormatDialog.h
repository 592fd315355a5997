#pragma once

#include <functional>
#include <memory>

#include "platform/Types.h"

class TcxSSBookSheet;

// The format cells dialog as the workbook sees it: one run over a rectangle of a sheet. The
// base dialog does nothing; the Qt layer's style designer derives from it, places itself over
// the workbook control and edits the cells' styles.
class TcxSSFormatDialog {
public:
  virtual ~TcxSSFormatDialog() = default;
  virtual void Execute(const TRect& /*cells*/, TcxSSBookSheet& /*sheet*/) {}
};

// Makes a dialog of one class of the family; OnFormatCells may choose another.
using TcxSSFormatDialogClass = std::function<std::unique_ptr<TcxSSFormatDialog>()>;
