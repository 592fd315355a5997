#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSTokens.h"

// Arrays as values on the evaluation stack: an array item (ptgArray, cxSSTokens.h) holds its
// values row by row. Functions hand arrays back (TRANSPOSE, MMULT, FREQUENCY); an operator with
// an array operand works value by value and gives an array, and so does an operator with an
// area operand inside an argument that takes arrays (SUMPRODUCT((A1:A9>5)*B1:B9)). Where one
// value is wanted, an array stands for its first value.

namespace {

// The arguments that take arrays (class A in the file format) of the functions that have such
// arguments; the last class repeats.
struct TArrayArguments {
  uint16_t Function;
  std::string_view Classes;
};

constexpr TArrayArguments kArrayArguments[] = {
    {83, "A"},     // TRANSPOSE
    {163, "A"},    // MDETERM
    {164, "A"},    // MINVERSE
    {165, "AA"},   // MMULT
    {228, "A"},    // SUMPRODUCT
    {303, "AA"},   // SUMXMY2
    {304, "AA"},   // SUMX2MY2
    {305, "AA"},   // SUMX2PY2
    {307, "AA"},   // CORREL
    {309, "VAA"},  // FORECAST
    {311, "AA"},   // INTERCEPT
    {312, "AA"},   // PEARSON
    {313, "AA"},   // RSQ
    {315, "AA"},   // SLOPE
    {330, "A"},    // MODE
};

bool TakesArray(uint16_t function, size_t argument) {
  for (const TArrayArguments& entry : kArrayArguments)
    if (entry.Function == function) {
      const std::string_view classes = entry.Classes;
      return classes[std::min(argument, classes.size() - 1)] == 'A';
    }
  return false;
}

// The operands an operator takes from the stack.
int OperatorOperands(uint8_t id) {
  if ((id >= ptgAdd && id <= ptgIsect) || id == ptgRange) return 2;
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
  return areas && InArrayContext();
}

bool TcxSSFunctionHandler::InArrayContext() const {
  // The formula's expression tree: for each token, the token that takes it and as which
  // operand.
  const TcxTokenString& tokens = formula_->Tokens;
  std::vector<size_t> offsets;
  std::vector<int> parent;
  std::vector<int> operand;
  std::vector<int> open;
  int current = -1;
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) break;
    const int index = static_cast<int>(offsets.size());
    if (pos == position_) current = index;
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
  // Up through operators and parentheses to the function argument the operator lies in.
  for (int node = current; node >= 0;) {
    const int up = parent[static_cast<size_t>(node)];
    if (up < 0) return false;
    const uint8_t* token = tokens.data() + offsets[static_cast<size_t>(up)];
    if (token[0] == ptgFuncVar)
      return TakesArray(ReadUInt16(token + 2), static_cast<size_t>(operand[static_cast<size_t>(node)]));
    node = up;
  }
  return false;
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
        b = e.Data[1] != 0;
        x = b ? 1 : 0;
        if (textMode) text = BoolToText(b);
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
