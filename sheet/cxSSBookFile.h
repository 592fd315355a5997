#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "calc/cxSSTypes.h"

class TcxCustomSpreadSheetBook;
#include "xls/cxExcelFileWriter.h"
#include "xls/cxExcelSheetReader.h"

// Loading a workbook from an .xls file (TcxCustomSpreadSheetBook::LoadFromFile and
// LoadFromStream, defined in cxSSBookFile.cpp): the steps around the file reader and the load
// interfaces (cxSSIntf.h) the workbook and its sheets implement for it.

// What a load could not bring in as it was: the formula cells that hold Excel's cached value
// instead of their formula, with the reason.
struct TcxLoadReport {
  std::vector<TcxFormulaProblem> FormulaProblems;
};

// The functions outside the library that a load met, each with the number of its cells, in the
// order of their names; a function newer than the format is named as the user typed it
// (without the file's "_xlfn." prefix).
std::vector<std::pair<std::string, int>> UnknownFunctionCells(const TcxLoadReport& report);

// What a save could not write as the workbook holds it (texts cut, formulas saved as their
// values, cells beyond the grid), for each kind the number of cells and the first of them. A
// save that cut or left out anything says so through this report; it never refuses for it.
struct TcxSaveReport {
  std::vector<TcxSaveLoss> Losses;
};

// One loss as the user reads it: "Texts longer than 32768 characters were cut: 3 cells, the
// first Sheet1!B2".
std::string DescribeSaveLoss(const TcxCustomSpreadSheetBook& book, const TcxSaveLoss& loss);

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

// Writes a file through `write` without ever destroying the file already there (ReplaceFile of
// platform/ReplaceFile.h: only regular files are replaced, through a temporary file beside
// the target, with the system's reason in every failure), raising ESpreadSheetError with
// "Cannot create file "NAME". REASON" or "Cannot write file "NAME". REASON".
void WriteFileReplacing(const std::string& fileName,
                        const std::function<void(std::ostream& stream)>& write);
