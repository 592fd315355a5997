#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionHandler.h"

// Values as the routines that follow Excel's own rules see them (the functions beyond the 81
// built-ins): every cell and constant is one of five kinds, and an argument is a single value,
// a reference to an area or an array of values. Errors keep their own codes here: a referenced
// formula that failed is an error value with its code, not the text "#VALUE!" the built-ins
// read.
namespace cxfunctions {

enum TValueKind : uint8_t { vkEmpty, vkNumber, vkText, vkBool, vkError };

struct TValue {
  TValueKind Kind = vkEmpty;
  double Number = 0;   // vkNumber; vkBool: 1 or 0
  uint8_t Error = 0;   // vkError: the internal code
  std::string Text;    // vkText

  static TValue OfNumber(double x) { return {vkNumber, x, 0, {}}; }
  static TValue OfBool(bool b) { return {vkBool, b ? 1.0 : 0.0, 0, {}}; }
  static TValue OfText(std::string text) { return {vkText, 0, 0, std::move(text)}; }
  static TValue OfError(uint8_t code) { return {vkError, 0, code, {}}; }
  bool IsNumber() const { return Kind == vkNumber; }
  bool IsError() const { return Kind == vkError; }
};

// A table of values, row by row. Layout: Values holds Rows × Cols entries.
struct TArray {
  int Rows = 0;
  int Cols = 0;
  std::vector<TValue> Values;

  TArray() = default;
  TArray(int rows, int cols) : Rows(rows), Cols(cols), Values(size_t(rows) * size_t(cols)) {}
  TValue& At(int row, int col) { return Values[size_t(row) * size_t(Cols) + size_t(col)]; }
  const TValue& At(int row, int col) const {
    return Values[size_t(row) * size_t(Cols) + size_t(col)];
  }
};

// The value of a cell. A constant cell's text is read as a number, TRUE or FALSE, or kept as
// text (numbers typed into cells are stored as their text); a formula cell gives its result,
// calculated first when it has none (a formula inside a cycle reads as empty).
TValue CellValue(TcxSSFunctionHandler& h, int sheet, int col, int row);

// The array value a ptgArray item holds, and the item made from an array.
bool ReadArrayToken(TcxTokenView item, TArray& array);
TcxTokenString MakeArrayToken(const TArray& array);

// One argument taken from the stack.
struct TArgument {
  enum TKind : uint8_t { akValue, akArea, akArray };
  TKind Kind = akValue;
  TValue Value;          // akValue
  TcxResolvedArea Area;  // akArea
  TArray Array;          // akArray

  bool IsReference() const { return Kind == akArea; }
  int Rows() const;
  int Cols() const;
  // The value at a position within the argument (a single value is a 1 × 1 table).
  TValue At(TcxSSFunctionHandler& h, int row, int col) const;
  // The single value of a value argument: a one-cell reference gives its cell, a larger area
  // "#VALUE!", an array its first value.
  TValue Single(TcxSSFunctionHandler& h) const;
  // Every value, row by row. For a reference only the cells the sheet stores are visited
  // (cells beyond them are empty); `visit` returns false to stop.
  template <typename Visit>
  void ForEach(TcxSSFunctionHandler& h, Visit visit) const;
};

// Pops the top item. A reference that does not resolve is the error value it gives; a text that
// stands for the pending error (what a failed operation pushed) is that error.
TArgument PopArgument(TcxSSFunctionHandler& h);

// Excel's coercions of a single value. False with `error` set when the value does not convert:
// a text that is no number (or date) gives "#VALUE!", an error value its own code.
bool ToNumber(const TcxSSFunctionHandler& h, const TValue& v, double& x, uint8_t& error);
bool ToText(const TcxSSFunctionHandler& h, const TValue& v, std::string& text, uint8_t& error);
bool ToBool(const TcxSSFunctionHandler& h, const TValue& v, bool& b, uint8_t& error);

// Pops a routine's arguments one by one (last first, as they lie on the stack) with Excel's
// coercions, and remembers the error of the leftmost argument that failed.
class TArgs {
public:
  explicit TArgs(TcxSSFunctionHandler& h) : h_(h) {}
  int Count() const { return h_.ArgCount(); }
  TArgument Any() { return PopArgument(h_); }
  TValue Single();
  double Number();
  // A date argument as a standard serial (PopDate).
  double Date();
  std::string Text();
  bool Bool();
  // Records an error found by the routine itself.
  void SetError(uint8_t code) { error_ = code; }
  bool Failed() const { return error_ != 0; }
  uint8_t Error() const { return error_; }

private:
  TcxSSFunctionHandler& h_;
  uint8_t error_ = 0;
};

// How a list routine takes the values of its arguments (Excel's rules): from references and
// arrays numbers only (lnLogical: booleans as 1 and 0 and texts as 0 too; empty cells are always
// left out); arguments typed in the formula as numbers, number texts and booleans, any other
// text being "#VALUE!". An error value anywhere is the routine's result.
enum TListNumbers : uint8_t { lnNumbers, lnLogical };

// Pops the routine's last `count` arguments (all of them when count is -1) and gathers their
// numbers in the written order; false with `error` set when an argument fails.
bool PopListNumbers(TcxSSFunctionHandler& h, TListNumbers rule, std::vector<double>& numbers,
                    uint8_t& error, int count = -1);
// The numbers of one argument by the same rules.
bool ArgumentNumbers(TcxSSFunctionHandler& h, const TArgument& arg, TListNumbers rule,
                     std::vector<double>& numbers, uint8_t& error);

// The result of a routine: the error of a failed argument (a pending error of the formula is
// kept), a number (outside the doubles: "#NUM!"), a text, a boolean or any value.
void FailWith(TcxSSFunctionHandler& h, uint8_t code);
void PushValue(TcxSSFunctionHandler& h, const TValue& v);

// Values compared as Excel's lookups and criteria compare them: numbers below texts below
// booleans, texts without regard to case. Negative, zero or positive.
int CompareValues(const TcxSSFunctionHandler& h, const TValue& a, const TValue& b);

// A text pattern with the wildcards "*" (any run of characters) and "?" (one character), "~"
// making the next character literal; matched without regard to case.
bool WildcardMatch(const TcxSSFunctionHandler& h, std::string_view pattern, std::string_view text);

// A criteria of SUMIF and the database functions: an optional comparison (=, <>, <, <=, >, >=)
// and an operand. A number operand compares with numbers; a text operand with texts, without
// case, and with wildcards for = and <>; an empty operand stands for empty cells. "<>" alone
// matches every cell that is not empty. With `textPrefix` (the database functions' rule) a text
// without a comparison matches every text that begins with it.
class TCriteria {
public:
  TCriteria(const TcxSSFunctionHandler& h, const TValue& criteria, bool textPrefix = false);
  bool Matches(const TValue& v) const;

private:
  enum TOp : uint8_t { opEq, opNe, opLt, opLe, opGt, opGe };
  const TcxSSFunctionHandler& h_;
  TOp op_ = opEq;
  TValue operand_;
};

// --- Template definitions ----------------------------------------------------------------------

template <typename Visit>
void TArgument::ForEach(TcxSSFunctionHandler& h, Visit visit) const {
  switch (Kind) {
    case akValue:
      visit(Value);
      return;
    case akArray:
      for (const TValue& v : Array.Values)
        if (!visit(v)) return;
      return;
    case akArea: {
      const TRect cells = h.Cache().ClipToStored(Area.Sheet, Area.Cells);
      for (int row = cells.Top; row <= cells.Bottom; ++row)
        for (int col = cells.Left; col <= cells.Right; ++col)
          if (!visit(CellValue(h, Area.Sheet, col, row))) return;
      return;
    }
  }
}

}  // namespace cxfunctions
