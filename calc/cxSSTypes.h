#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

// Types shared by the whole core: exceptions, cell value kinds, error values, token strings.

// The workbook control's own errors; the message is the text the user sees.
class ESpreadSheetError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Raised by the formula engine ("Error syntax in string expression", "Function need result").
class ECalculationError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Raised by the style cache ("Invalid cell style").
class EStyleError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// What a stored cell holds.
enum TcxSSCellKind : uint8_t {
  ckText = 0,     // a constant: typed text, numbers, dates, booleans and error texts as text
  ckFormula = 1,  // a formula; the text is the formula text rebuilt from its tokens
  ckNumber = 2,   // a number written as a number; the text is its FloatToText form
  ckObject = 3,   // an object owned by the cell; nothing writes it, readers treat it as text
};

// What a formula is one cell of: nothing (a formula of its own cell), an array formula (one
// formula entered over a block of cells, each cell showing its part of the result) or a what-if
// data table (the cells Excel fills by recalculating the table's formulas for each input).
enum TcxFormulaBlockKind : uint8_t { fbNone, fbArray, fbTable };

// The block of cells a formula belongs to, on the formula's own sheet (inclusive, absolute).
struct TcxFormulaBlock {
  TcxFormulaBlockKind Kind = fbNone;
  TRect Cells;
  bool operator==(const TcxFormulaBlock&) const = default;
};

// The seven error values: internal code (what a failed formula stores), BIFF8 file code, the
// text a cell shows, and the literal a formula writes (Excel's spelling, which differs from the
// shown text for #N/A and #NAME?).
struct TcxSSErrorValue {
  uint8_t Internal;
  uint8_t FileCode;
  std::string_view Text;
  std::string_view Literal;
};

inline constexpr TcxSSErrorValue kErrorValues[] = {
    {1, 0x00, "#NULL!", "#NULL!"},
    {2, 0x07, "#DIV/0!", "#DIV/0!"},
    {3, 0x0F, "#VALUE!", "#VALUE!"},
    {4, 0x17, "#REF!", "#REF!"},
    {5, 0x1D, "#NAME!", "#NAME?"},
    {6, 0x24, "#NUM!", "#NUM!"},
    {7, 0x2A, "#N/A!", "#N/A"},
};

enum TcxSSErrorCode : uint8_t {
  ecNone = 0,
  ecNull = 1,
  ecDivZero = 2,
  ecValue = 3,
  ecRef = 4,
  ecName = 5,
  ecNum = 6,
  ecNA = 7,
};

// Internal code 1..7 to its text; any other code gives "".
constexpr std::string_view ErrorToText(int internalCode) {
  for (const auto& e : kErrorValues)
    if (e.Internal == internalCode) return e.Text;
  return {};
}

// BIFF8 error code to its text; any other code gives "".
constexpr std::string_view ErrorCodeToText(int fileCode) {
  for (const auto& e : kErrorValues)
    if (e.FileCode == fileCode) return e.Text;
  return {};
}

constexpr int ErrorFileCodeToInternal(int fileCode) {
  for (const auto& e : kErrorValues)
    if (e.FileCode == fileCode) return e.Internal;
  return 0;
}

constexpr int ErrorInternalToFileCode(int internalCode) {
  for (const auto& e : kErrorValues)
    if (e.Internal == internalCode) return e.FileCode;
  return 0;
}

// Internal code 1..7 to the literal formula text writes; any other code gives "".
constexpr std::string_view ErrorToLiteral(int internalCode) {
  for (const auto& e : kErrorValues)
    if (e.Internal == internalCode) return e.Literal;
  return {};
}

// The error literal (Excel's spelling or the shown text, without regard to case) that begins
// `text`: its internal code and length; code 0 when none does. The longest one wins, so "#N/A!"
// is read whole.
struct TcxErrorLiteral {
  int Internal = 0;
  size_t Length = 0;
};
constexpr TcxErrorLiteral FindErrorLiteral(std::string_view text) {
  TcxErrorLiteral found;
  const auto begins = [&text](std::string_view literal) {
    if (literal.size() > text.size()) return false;
    for (size_t i = 0; i < literal.size(); ++i) {
      char c = text[i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (c != literal[i]) return false;
    }
    return true;
  };
  for (const auto& e : kErrorValues)
    for (std::string_view literal : {e.Text, e.Literal})
      if (literal.size() > found.Length && begins(literal)) found = {e.Internal, literal.size()};
  return found;
}

// A formula's token string in reverse Polish order (at most 65535 bytes).
using TcxTokenString = std::vector<uint8_t>;

// A BIFF8 built-in number format index.
using TxlsDataFormat = uint16_t;

// A style colour: 0..55 index the workbook palette, 56 is no colour, 57 automatic; a font's
// colour may also be 58, the system's window text colour (a file's colour index 64), which is
// shown as automatic text is but kept apart so that a save writes it back as it was.
using TcxSSColor = uint16_t;
inline constexpr TcxSSColor kColorNone = 56;
inline constexpr TcxSSColor kColorAuto = 57;
inline constexpr TcxSSColor kColorWindowText = 58;
