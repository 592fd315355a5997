#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSTokens.h"
#include "calc/cxExcelFunctions.h"

// Arrays as values on the evaluation stack: an array item (ptgArray, cxSSTokens.h) holds its
// values row by row. Functions hand arrays back (TRANSPOSE, MMULT, FREQUENCY); an operator with
// an array operand works value by value and gives an array, and so does an operator with an
// area operand where Excel evaluates it as an array (SUMPRODUCT((A1:A9>5)*B1:B9)). A function
// given an array where it takes a single value works value by value as well and gives an array
// (COUNT(ABS(FREQUENCY(...))) counts every value). Where one value is wanted, an array stands
// for its first value.

namespace {

// The operands an operator takes from the stack.
int OperatorOperands(uint8_t id) {
  if (id >= ptgAdd && id <= ptgRange) return 2;
  if (id == ptgUplus || id == ptgUminus || id == ptgPercent) return 1;
  return 0;
}

// The subexpressions a token of a token string joins: operators and function calls take their
// operands, a parenthesis wraps one.
int TreeOperands(const uint8_t* token) {
  if (token[0] == ptgFuncVar) return token[1];
  if (token[0] == ptgParen) return 1;
  return OperatorOperands(token[0]);
}

// One operand of an element-wise operator: an array, an area or a single value.
struct TOperand {
  TcxTokenString Item;
  int Rows = 1;
  int Cols = 1;
  bool IsArea = false;
  TcxResolvedArea Area;
  std::vector<TcxTokenView> Elements;  // an array's values

  // The value at a position as an item for the scalar operator: an array's value, a cell
  // reference, or the value itself. Empty when the operand has no such position.
  TcxTokenString At(int row, int col) const {
    if (Rows == 1) row = 0;
    if (Cols == 1) col = 0;
    if (row >= Rows || col >= Cols) return {};
    if (IsArea) {
      TcxTokenString ref;
      AppendRef3d(ref, static_cast<uint16_t>(Area.Sheet), true, true, Area.Cells.Top + row,
                  Area.Cells.Left + col);
      return ref;
    }
    if (!Elements.empty()) {
      const TcxTokenView e = Elements[static_cast<size_t>(row) * static_cast<size_t>(Cols) +
                                      static_cast<size_t>(col)];
      return TcxTokenString(e.Data, e.Data + e.Size);
    }
    return Item;
  }
};

// The value tokens of an array item; false when it is damaged.
bool ArrayElements(TcxTokenView array, int& rows, int& cols, std::vector<TcxTokenView>& elements) {
  if (array.Id() != ptgArray || array.Size < kArrayValues) return false;
  cols = ReadInt32(array.Data + kArrayCols);
  rows = ReadInt32(array.Data + kArrayRows);
  if (rows <= 0 || cols <= 0 || int64_t(rows) * cols > int64_t(array.Size)) return false;
  elements.clear();
  size_t at = kArrayValues;
  for (int64_t i = 0; i < int64_t(rows) * cols; ++i) {
    const size_t n = TcxTokensStack::TokenSize(array.Data + at, array.Size - at);
    if (n == 0) return false;
    elements.push_back({array.Data + at, n});
    at += n;
  }
  return true;
}

bool IsAreaToken(uint8_t id) { return id == ptgArea || id == ptgArea3d || id == ptgName; }

inline constexpr uint16_t kIfFunction = 1;
inline constexpr uint16_t kTypeFunction = 86;

// A function the file format does not list (an add-in) takes and gives values.
constexpr TcxBiffFunction kValueFunction{0, "", 0, 30, 'V', "V"};

// The file format's entry of a function number, through an index made once.
const TcxBiffFunction& BiffFunction(uint16_t number) {
  static const auto index = [] {
    std::array<const TcxBiffFunction*, 512> table{};
    for (const TcxBiffFunction& f : kBiffFunctions)
      if (f.Number < table.size() && !table[f.Number]) table[f.Number] = &f;
    return table;
  }();
  const TcxBiffFunction* f = number < index.size() ? index[number] : nullptr;
  return f ? *f : kValueFunction;
}

// The reference parameters that take an array as well: lookup vectors and tables, and the data
// of statistics and regressions. An expression given there is evaluated as an array, as
// SUMPRODUCT's arguments are, so that LOOKUP(2,1/(B1:B10=4),A1:A10) searches the quotients
// rather than one of them; a reference given there stays a reference. One bit per parameter,
// bit 0 for the first.
struct TArrayParameters {
  uint16_t Function;
  uint8_t Parameters;
};

constexpr TArrayParameters kArrayParameters[] = {
    {28, 0b110},    // LOOKUP(value, vector, result) and LOOKUP(value, array)
    {29, 0b001},    // INDEX(array, row, column)
    {49, 0b011},    // LINEST(known_y, known_x, ...)
    {50, 0b111},    // TREND(known_y, known_x, new_x, ...)
    {51, 0b011},    // LOGEST(known_y, known_x, ...)
    {52, 0b111},    // GROWTH(known_y, known_x, new_x, ...)
    {61, 0b001},    // MIRR(values, ...)
    {62, 0b001},    // IRR(values, ...)
    {64, 0b010},    // MATCH(value, array, ...)
    {76, 0b001},    // ROWS(array)
    {77, 0b001},    // COLUMNS(array)
    {101, 0b010},   // HLOOKUP(value, table, ...)
    {102, 0b010},   // VLOOKUP(value, table, ...)
    {325, 0b001},   // LARGE(array, k)
    {326, 0b001},   // SMALL(array, k)
    {327, 0b001},   // QUARTILE(array, quart)
    {328, 0b001},   // PERCENTILE(array, k)
    {329, 0b001},   // PERCENTRANK(array, x, ...)
    {331, 0b001},   // TRIMMEAN(array, percent)
};

bool TakesArray(uint16_t function, size_t argument) {
  for (const TArrayParameters& f : kArrayParameters)
    if (f.Function == function) return argument < 8 && ((f.Parameters >> argument) & 1) != 0;
  return false;
}

// Whether the argument of a function takes its values one by one when it is given several:
// the parameters of class V, and the branches of IF, which Excel picks value by value along
// with the condition.
bool TakesSingleValue(uint16_t function, int argument) {
  return BiffFunction(function).ArgClass(static_cast<size_t>(argument)) == 'V' ||
         (function == kIfFunction && argument > 0);
}

// Excel's operand classes over a formula's expression tree, as Excel gives them to a formula
// typed into a cell. The formula is wanted as a value; each argument of a function is wanted in
// its parameter's class ('V' a value, 'R' a reference, 'A' an array, cxExcelFunctions.h), a
// reference parameter that takes arrays (kArrayParameters) as an array; an operator wants its operands as values, or as arrays where it is itself wanted as an array. A
// function that returns a value where an array is wanted is evaluated as an array and forces
// everything beneath it to arrays too (MMULT(IF(A1:A2>0,...),...)); a function whose result and
// parameters are all values passes on the class it is wanted in. Gives, per token (at the
// offsets listed), whether it is evaluated as an array (such an operator or function takes the
// areas among its value operands cell by cell) and the class it is wanted in.
//
// Unlike the rest, a function of values only wants its operands as values unless it is itself
// wanted as an array: Excel's results show it (AVERAGE(IF(FREQUENCY(...)>0,1,0)) takes IF value
// by value, AVERAGE(ABS(IF(...))) takes IF's first value).
//
// In an array formula the expression as a whole is wanted as an array, and so is every operand
// wanted as a value (as Excel writes the formula's tokens).
std::vector<TcxOperandClass> ArrayNodes(const TcxTokenString& tokens, std::vector<size_t>& offsets,
                                        bool arrayFormula) {
  offsets.clear();
  std::vector<int> parent;
  std::vector<int> operand;
  std::vector<int> open;
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) break;
    const int index = static_cast<int>(offsets.size());
    offsets.push_back(pos);
    parent.push_back(-1);
    operand.push_back(0);
    const int n = std::min(TreeOperands(tokens.data() + pos), static_cast<int>(open.size()));
    for (int k = 0; k < n; ++k) {
      const int child = open[open.size() - static_cast<size_t>(n - k)];
      parent[static_cast<size_t>(child)] = index;
      operand[static_cast<size_t>(child)] = k;
    }
    open.resize(open.size() - static_cast<size_t>(n));
    open.push_back(index);
    pos += size;
  }
  // A token's operands come before it, so walking backwards meets every parent first.
  const size_t count = offsets.size();
  std::vector<char> wanted(count, 'V');
  std::vector<bool> forced(count, false);
  std::vector<bool> array(count, false);
  // What a token asks of its operands: the parameter classes of a function (when `function` is
  // set), else one class for all; and whether it forces them to arrays.
  std::vector<const TcxBiffFunction*> function(count, nullptr);
  std::vector<char> operandsWanted(count, 'V');
  std::vector<bool> operandsForced(count, false);
  for (size_t i = count; i-- > 0;) {
    if (parent[i] >= 0) {
      const size_t p = static_cast<size_t>(parent[i]);
      const size_t argument = static_cast<size_t>(operand[i]);
      wanted[i] = function[p] ? function[p]->ArgClass(argument) : operandsWanted[p];
      if (wanted[i] == 'R' && function[p] && TakesArray(function[p]->Number, argument))
        wanted[i] = 'A';
      forced[i] = operandsForced[p];
    } else if (arrayFormula) {
      wanted[i] = 'A';
    }
    if (arrayFormula && wanted[i] == 'V') wanted[i] = 'A';
    const uint8_t* token = tokens.data() + offsets[i];
    const uint8_t id = token[0];
    if (id == ptgFuncVar) {
      const TcxBiffFunction& f = BiffFunction(ReadUInt16(token + 2));
      bool simple = f.ResultClass == 'V';
      for (size_t k = 0; k < token[1] && simple; ++k) simple = f.ArgClass(k) == 'V';
      if (simple) {
        array[i] = forced[i] || wanted[i] == 'A';
        operandsWanted[i] = wanted[i] == 'A' ? 'A' : 'V';
        operandsForced[i] = array[i];
        continue;
      }
      function[i] = &f;
      const char result = f.ResultClass;
      if (forced[i]) {
        array[i] = !(result == 'R' && wanted[i] == 'R');
        operandsForced[i] = result == 'V';
      } else if (wanted[i] == 'A') {
        array[i] = result != 'R';
        operandsForced[i] = result == 'V';
      } else {
        array[i] = result == 'A' && wanted[i] == 'R';
      }
    } else if (id == ptgParen) {
      operandsWanted[i] = wanted[i];
      operandsForced[i] = forced[i];
    } else if (OperatorOperands(id) > 0) {
      const char operands = wanted[i] == 'R' ? 'V' : wanted[i];
      array[i] = forced[i] || operands == 'A';
      operandsWanted[i] = operands;
      operandsForced[i] = forced[i];
    }
  }
  std::vector<TcxOperandClass> classes(count);
  for (size_t i = 0; i < count; ++i) classes[i] = {array[i], wanted[i]};
  return classes;
}

}  // namespace

bool TcxSSFunctionHandler::ArrayOperands(uint8_t id) {
  const int operands = OperatorOperands(id);
  if (operands > stack_.Count()) return false;
  bool areas = false;
  for (int depth = 0; depth < operands; ++depth) {
    const TcxTokenView item = stack_.Peek(depth);
    if (item.Id() == ptgArray) return true;
    TcxResolvedArea area;
    uint8_t error = 0;
    if (IsAreaToken(item.Id()) && ResolveArea(item, area, error) &&
        (area.Cells.Left != area.Cells.Right || area.Cells.Top != area.Cells.Bottom))
      areas = true;
  }
  return areas && IsArrayNode(position_);
}

void TcxSSFunctionHandler::ApplyArrayOperator(uint8_t id) {
  const int count = OperatorOperands(id);
  std::vector<TOperand> operands(static_cast<size_t>(count));
  for (int k = count - 1; k >= 0; --k) {
    TOperand& op = operands[static_cast<size_t>(k)];
    op.Item = stack_.PopToken();
    const TcxTokenView view{op.Item.data(), op.Item.size()};
    uint8_t error = 0;
    if (view.Id() == ptgArray) {
      if (!ArrayElements(view, op.Rows, op.Cols, op.Elements)) {
        SetError(ecValue);
        PushNumber(0);
        return;
      }
    } else if (IsAreaToken(view.Id()) && ResolveArea(view, op.Area, error)) {
      op.IsArea = true;
      op.Rows = op.Area.Cells.Bottom - op.Area.Cells.Top + 1;
      op.Cols = op.Area.Cells.Right - op.Area.Cells.Left + 1;
    }
  }
  int rows = 1, cols = 1;
  for (const TOperand& op : operands) {
    rows = std::max(rows, op.Rows);
    cols = std::max(cols, op.Cols);
  }
  // Each position worked by the scalar operator; an error there is that value's error alone.
  TcxTokenString result(kArrayValues, 0);
  result[0] = ptgArray;
  WriteInt32(result.data() + kArrayCols, cols);
  WriteInt32(result.data() + kArrayRows, rows);
  const uint8_t pending = errorCode_;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      std::vector<TcxTokenString> items;
      for (const TOperand& op : operands) items.push_back(op.At(r, c));
      TcxTokenString value;
      if (std::any_of(items.begin(), items.end(), [](const auto& i) { return i.empty(); })) {
        value = {ptgErr, ecNA};
      } else {
        for (const TcxTokenString& item : items) stack_.Push(item);
        errorCode_ = 0;
        ApplyOperator(id);
        value = stack_.Empty() ? TcxTokenString{ptgMissArg} : stack_.PopToken();
        if (errorCode_ != 0) value = {ptgErr, errorCode_};
      }
      result.insert(result.end(), value.begin(), value.end());
    }
  errorCode_ = pending;
  WriteInt32(result.data() + 1, static_cast<int32_t>(result.size() - kArrayHeaderSize));
  stack_.Push(result);
  numeric_ = true;
}

TcxOperandClass TcxSSFunctionHandler::NodeClass(size_t offset) {
  if (!arrayNodesKnown_) {
    arrayNodes_ = ArrayNodes(*tokens_, nodeOffsets_, formula_ && formula_->Block.Kind == fbArray);
    arrayNodesKnown_ = true;
  }
  const auto at = std::lower_bound(nodeOffsets_.begin(), nodeOffsets_.end(), offset);
  if (at == nodeOffsets_.end() || *at != offset) return {};
  return arrayNodes_[static_cast<size_t>(at - nodeOffsets_.begin())];
}

bool TcxSSFunctionHandler::IsArrayNode(size_t offset) { return NodeClass(offset).Array; }

bool TcxSSFunctionHandler::CallLifted(uint16_t function, TcxFunctionProc proc) {
  const int argCount = argCount_;
  if (IsAddInFunction(function) || function == kTypeFunction || argCount > stack_.Count())
    return false;
  // Arrays in single-value arguments always go value by value; areas only where Excel
  // evaluates the call as an array.
  const auto lifted = [&](int k, TcxTokenView item, bool arrayNode) {
    if (!TakesSingleValue(function, k)) return false;
    if (item.Id() == ptgArray) return true;
    TcxResolvedArea area;
    uint8_t error = 0;
    return arrayNode && IsAreaToken(item.Id()) && ResolveArea(item, area, error) &&
           (area.Cells.Left != area.Cells.Right || area.Cells.Top != area.Cells.Bottom);
  };
  // IF goes value by value for its condition; its branches follow.
  const int single = function == kIfFunction ? std::min(argCount, 1) : argCount;
  bool arrays = false;
  bool areas = false;
  for (int k = 0; k < single; ++k) {
    const uint8_t id = stack_.Peek(argCount - 1 - k).Id();
    if (!TakesSingleValue(function, k)) continue;
    arrays = arrays || id == ptgArray;
    areas = areas || IsAreaToken(id);
  }
  if (!arrays && !areas) return false;
  const TcxOperandClass node = NodeClass(position_);
  const bool arrayNode = areas && node.Array;
  // IF wanted as a single value takes its condition's first value.
  if (function == kIfFunction && !node.Array && node.Wanted == 'V') return false;
  bool any = false;
  for (int k = 0; k < single && !any; ++k) any = lifted(k, stack_.Peek(argCount - 1 - k), arrayNode);
  if (!any) return false;

  std::vector<TOperand> operands(static_cast<size_t>(argCount));
  std::vector<bool> byValue(static_cast<size_t>(argCount), false);
  for (int k = argCount - 1; k >= 0; --k) {
    TOperand& op = operands[static_cast<size_t>(k)];
    op.Item = stack_.PopToken();
    const TcxTokenView view{op.Item.data(), op.Item.size()};
    if (!lifted(k, view, arrayNode || (function == kIfFunction && k > 0))) continue;
    uint8_t error = 0;
    if (view.Id() == ptgArray) {
      if (!ArrayElements(view, op.Rows, op.Cols, op.Elements)) continue;
    } else if (ResolveArea(view, op.Area, error)) {
      op.IsArea = true;
      op.Rows = op.Area.Cells.Bottom - op.Area.Cells.Top + 1;
      op.Cols = op.Area.Cells.Right - op.Area.Cells.Left + 1;
    }
    byValue[static_cast<size_t>(k)] = true;
  }
  int rows = 1, cols = 1;
  for (size_t k = 0; k < operands.size(); ++k)
    if (byValue[k]) {
      rows = std::max(rows, operands[k].Rows);
      cols = std::max(cols, operands[k].Cols);
    }
  // Each position is one call of the routine; its error is that value's alone.
  const uint8_t pending = errorCode_;
  const size_t depth = static_cast<size_t>(stack_.Count());
  cxfunctions::TArray result(rows, cols);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      bool outside = false;
      for (size_t k = 0; k < operands.size(); ++k) {
        TcxTokenString item = byValue[k] ? operands[k].At(r, c) : operands[k].Item;
        if (item.empty()) outside = true;
        stack_.Push(item);
      }
      cxfunctions::TValue& value = result.At(r, c);
      if (outside) {
        while (static_cast<size_t>(stack_.Count()) > depth) stack_.Pop();
        value = cxfunctions::TValue::OfError(ecNA);
        continue;
      }
      errorCode_ = 0;
      argCount_ = argCount;
      resultSet_ = false;
      accumulatorSet_ = false;
      proc(*this);
      if (errorCode_ != 0 || !resultSet_ || static_cast<size_t>(stack_.Count()) <= depth)
        value = cxfunctions::TValue::OfError(errorCode_ != 0 ? errorCode_ : uint8_t(ecValue));
      else
        value = cxfunctions::PopArgument(*this).Single(*this);
      while (static_cast<size_t>(stack_.Count()) > depth) stack_.Pop();
    }
  errorCode_ = pending;
  argCount_ = argCount;
  const TcxTokenString token = cxfunctions::MakeArrayToken(result);
  PushToken({token.data(), token.size()});
  numeric_ = true;
  return true;
}

void TcxSSFunctionHandler::ForEachArrayValue(const TcxArgumentCallback& callback, int mode,
                                             TcxTokenView array) {
  int rows = 0, cols = 0;
  std::vector<TcxTokenView> elements;
  if (!ArrayElements(array, rows, cols, elements)) {
    SetError(ecValue);
    return;
  }
  const bool textMode = (mode & amText) != 0;
  // The values count as the cells of an area would.
  for (const TcxTokenView e : elements) {
    double x = 0;
    bool b = false;
    std::string text;
    switch (e.Id()) {
      case ptgNum:
        x = ReadDouble(e.Data + 1);
        if (textMode) text = FloatToText(x, Settings());
        break;
      case ptgBool:
        // Truth values inside an array are no numbers to the functions that add, count or
        // compare numbers (MIN(IF(A1:A9>5,B1:B9)) skips the FALSE of the rows left out).
        if (!textMode) continue;
        b = e.Data[1] != 0;
        text = BoolToText(b);
        break;
      case ptgStr:
        text = StringTokenText(e.Data, e.Size);
        if (!textMode && !TryTextToFloat(text, x, Settings())) {
          if (!TryTextToBool(text, b, TextServices())) continue;
          x = b ? 1 : 0;
        }
        break;
      case ptgErr:
        SetError(e.Data[1]);
        continue;
      default:
        break;
    }
    ++count_;
    if (textMode)
      callback({0, text});
    else
      callback({x, {}});
  }
}
