#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSFunctionTable.h"

// Helpers shared by the routines of the function library (cxSSFunctions*.cpp). They use only
// the handler's public operations.
namespace cxfunctions {

// A routine of a family and the table entry it serves.
struct TRoutine {
  std::string_view Name;
  TcxFunctionProc Proc;
};
// Fills the table's entries with the family's routines.
void RegisterRoutines(std::span<const TRoutine> routines);

// To the nearest integer, halves to the even neighbour: round(2.5) = 2, round(3.5) = 4,
// round(-2.5) = -2. Every rounding of an argument uses it; only ROUND rounds halves away from
// zero.
double RoundHalfEven(double v);

// x to 15 significant digits, the precision a cell shows. The rounding routines round the
// scaled value so snapped, so that 1.1 × 10 (11.000000000000002 in binary) rounds up to 11,
// not to 12.
double SnapToShownDigits(double x);

// The number result of a routine. A value outside the doubles (an overflow, or a domain fault of
// the platform mathematics such as the square root of a negative number) makes the result
// "#NUM!".
void PushResult(TcxSSFunctionHandler& h, double x);

// The date functions work on standard serials (days since 1899-12-30, cxSSDateTime.h); in a
// workbook of the 1904 date system the serials its cells hold differ from those. PopDate pops a
// number argument as a standard serial; PushDate pushes a standard serial as the workbook's.
double PopDate(TcxSSFunctionHandler& h);
void PushDate(TcxSSFunctionHandler& h, double serial);

// round(v) (halves to even) or trunc(v) as an int, clamped to [low, high]; NaN gives low.
int RoundToInt(double v, int low, int high);
int TruncToInt(double v, int low, int high);

// Pops the arguments of a routine that refuses their number.
void DropArguments(TcxSSFunctionHandler& h);

// Sets the error code and pushes the error's text, as the division operator does, so that the
// routine still hands back one result.
void Fail(TcxSSFunctionHandler& h, uint8_t code);

// Without the characters up to and including the blank at either end.
std::string_view Trim(std::string_view text);

// The converters of the cell values under the workbook's settings.
bool TextToNumber(const TcxSSFunctionHandler& h, std::string_view text, double& x);
bool TextToBool(const TcxSSFunctionHandler& h, std::string_view text, bool& b);

// Text positions count characters (code points), not bytes.
size_t CharCount(std::string_view text);
// The byte offset of character `index` (the text's size when it has fewer characters).
size_t CharOffset(std::string_view text, size_t index);
// `count` characters from character `start` (fewer at the end).
std::string_view CharSlice(std::string_view text, size_t start, size_t count);

// Pops the top item of the stack and hands its values to the callback as ForEachArgument does
// for one argument: a reference cell by cell, a constant as one value.
void ForEachValueOf(TcxSSFunctionHandler& h, const TcxArgumentCallback& callback, int mode);

}  // namespace cxfunctions
