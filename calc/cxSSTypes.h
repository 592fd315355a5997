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

// The seven error values: internal code (what a failed formula stores), BIFF8 file code and text.
struct TcxSSErrorValue {
  uint8_t Internal;
  uint8_t FileCode;
  std::string_view Text;
};

inline constexpr TcxSSErrorValue kErrorValues[] = {
    {1, 0x00, "#NULL!"},
    {2, 0x07, "#DIV/0!"},
    {3, 0x0F, "#VALUE!"},
    {4, 0x17, "#REF!"},
    {5, 0x1D, "#NAME!"},
    {6, 0x24, "#NUM!"},
    {7, 0x2A, "#N/A!"},
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

// A formula's token string in reverse Polish order (at most 65535 bytes).
using TcxTokenString = std::vector<uint8_t>;

// A BIFF8 built-in number format index.
using TxlsDataFormat = uint16_t;

// A style colour: 0..55 index the workbook palette, 56 is no colour, 57 automatic.
using TcxSSColor = uint16_t;
inline constexpr TcxSSColor kColorNone = 56;
inline constexpr TcxSSColor kColorAuto = 57;
