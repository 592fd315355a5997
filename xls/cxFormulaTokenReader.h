#pragma once

#include <span>
#include <string>
#include <vector>

#include "calc/cxSSFormulasCache.h"
#include "xls/cxFormulaReader.h"

// What converting one parsed expression gave.
struct TcxConvertedFormula {
  bool Ok = false;
  TcxTokenString Tokens;  // the workbook's tokens, relative references counted from the cell
  // The file's own tokens for this cell (a shared formula's relative references made the
  // cell's), the data after them and their links; Tokens stay empty when the file's tokens
  // cannot stand in a cell's formula, and a save converts the workbook's tokens instead.
  TcxFileFormula File;
  // The functions outside the library that the formula calls, by the names formulas show.
  std::vector<std::string> UnknownFunctions;
  std::string Detail;  // why the conversion failed
};

// Turns a BIFF8 parsed expression straight into the workbook's token string: for the formulas
// that formula text cannot bring to the cell, so that the workbook keeps them as formulas with
// the file's tokens and value. Those are formulas that call functions outside the library (by
// number, or by a name: add-in functions, newer Excel functions, macros), that refer to other
// workbooks or to sheets that are gone, that hold unions, intersections or array constants, and
// formulas whose text the workbook's parser reads differently ((A1):B2).
//
// Every token a worksheet formula holds is converted but references to row and column labels
// (tokens 0x18) other than a label of the area that follows it, and to several sheets at once, and names the workbook could not define; those,
// and tokens that do not make one expression, fail with a Detail. Nothing is read past the given
// bytes. Cost is linear in the token bytes.
class TcxFormulaTokenReader {
public:
  explicit TcxFormulaTokenReader(const TcxFormulaContext& context) : context_(context) {}

  TcxConvertedFormula Convert(int col, int row, std::span<const uint8_t> tokens,
                              std::span<const uint8_t> extra) const;

private:
  const TcxFormulaContext& context_;
};
