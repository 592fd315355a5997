#pragma once

#include <string>
#include <vector>

#include "calc/cxSSTypes.h"
#include "xls/cxExcelSheetReader.h"

// Loading a workbook from an .xls file (TcxCustomSpreadSheetBook::LoadFromFile and
// LoadFromStream, defined in cxSSBookFile.cpp): the steps around the file reader and the load
// interfaces (cxSSIntf.h) the workbook and its sheets implement for it.

// What a load could not bring in as it was: the formula cells that hold Excel's cached value
// instead of their formula, with the reason.
struct TcxLoadReport {
  std::vector<TcxFormulaProblem> FormulaProblems;
};

// "Stream has unknown function's": the workbook was read, but formulas with functions outside
// the function library hold their cached values; the report lists every such cell.
class ESpreadSheetUnknownFunctions : public ESpreadSheetError {
public:
  explicit ESpreadSheetUnknownFunctions(TcxLoadReport report);
  const TcxLoadReport& Report() const { return report_; }

private:
  TcxLoadReport report_;
};
