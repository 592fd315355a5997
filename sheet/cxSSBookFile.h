#pragma once

#include <functional>
#include <iosfwd>
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

// Loading and saving workbooks as .xls files: the workbook's SaveToFile and SaveToStream (and
// the load half, LoadFromFile and LoadFromStream) are defined in cxSSBookFile.cpp, beside the
// file helpers below.

// Writes a file through `write` without ever destroying the file already there: the contents go
// to a new file beside the target, which replaces the target (keeping its permissions, following
// a symbolic link to the file it names) only when `write` returned and everything reached the
// disk. On any failure the temporary file is removed, the target is untouched, and the error
// propagates; a file that cannot be created raises ESpreadSheetError with "Cannot create file
// "NAME". REASON".
void WriteFileReplacing(const std::string& fileName,
                        const std::function<void(std::ostream& stream)>& write);
