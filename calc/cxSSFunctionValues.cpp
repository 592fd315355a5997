#include "calc/cxSSFunctionValues.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSDateTime.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSTokens.h"
#include "platform/TextServices.h"
#include "platform/Unicode.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

namespace cxfunctions {

namespace {

// A constant's text as a value: a number, TRUE or FALSE, or text.
TValue TextValue(const TcxSSFunctionHandler& h, std::string_view text) {
  if (text.empty()) return {};
  double x = 0;
  bool b = false;
  if (TextToNumber(h, text, x)) return TValue::OfNumber(x);
  if (TextToBool(h, text, b)) return TValue::OfBool(b);
  // An error constant (as a file's BOOLERR record or a user typed it) is that error.
  if (text[0] == '#') {
    const TcxErrorLiteral error = FindErrorLiteral(text);
    if (error.Internal != 0 && error.Length == text.size())
      return TValue::OfError(static_cast<uint8_t>(error.Internal));
  }
  return TValue::OfText(std::string(text));
}

// One value token of an array; `size` is what remains of the array's bytes. Returns the token's
// size, 0 when it is damaged.
size_t ReadElement(const uint8_t* p, size_t size, TValue& v) {
  const size_t n = TcxTokensStack::TokenSize(p, size);
  if (n == 0) return 0;
  switch (p[0]) {
    case ptgNum: v = TValue::OfNumber(ReadDouble(p + 1)); break;
    case ptgStr: v = TValue::OfText(StringTokenText(p, n)); break;
    case ptgBool: v = TValue::OfBool(p[1] != 0); break;
    case ptgErr: v = TValue::OfError(p[1]); break;
    case ptgMissArg: v = TValue{}; break;
    default: return 0;
  }
  return n;
}

}  // namespace

TValue CellValue(TcxSSFunctionHandler& h, int sheet, int col, int row) {
  TcxCustomSpreadSheetBook& book = h.Book();
  if (sheet < 0 || sheet >= book.PageCount() || col < 0 || row < 0) return {};
  // As the formula engine reads cells: a cell covered by a merged area reads as its top-left cell.
  const TcxSSCellRec* cell = &book.Pages(sheet).DataStorage().CellRef(col, row);
  switch (cell->Kind) {
    case ckNumber:
      return TValue::OfNumber(cell->Number);
    case ckFormula: {
      TcxSSFormula* formula = cell->Formula;
      if (!formula) return {};
      if (formula->Result.empty()) h.Cache().Calculate(*formula);
      const TcxResultValue result = ReadResult(formula->Result);
      if (result.Kind == rkError || (formula->State == 0 && result.Kind != rkNone))
        return TValue::OfError(result.Kind == rkError ? result.Error : uint8_t(ecValue));
      switch (result.Kind) {
        case rkNumber: return TValue::OfNumber(result.Number);
        case rkBool: return TValue::OfBool(result.Bool);
        case rkText: return result.Text.empty() ? TValue{} : TValue::OfText(result.Text);
        default: return {};
      }
    }
    default:
      return TextValue(h, cell->Text);
  }
}

bool ReadArrayToken(TcxTokenView item, TArray& array) {
  if (item.Id() != ptgArray || item.Size < kArrayValues) return false;
  const int cols = ReadInt32(item.Data + kArrayCols);
  const int rows = ReadInt32(item.Data + kArrayRows);
  if (cols <= 0 || rows <= 0 || int64_t(cols) * rows > int64_t(item.Size)) return false;
  array = TArray(rows, cols);
  size_t at = kArrayValues;
  for (TValue& v : array.Values) {
    const size_t n = ReadElement(item.Data + at, item.Size - at, v);
    if (n == 0) return false;
    at += n;
  }
  return true;
}

TcxTokenString MakeArrayToken(const TArray& array) {
  TcxTokenString token(kArrayValues, 0);
  token[0] = ptgArray;
  WriteInt32(token.data() + kArrayCols, array.Cols);
  WriteInt32(token.data() + kArrayRows, array.Rows);
  for (const TValue& v : array.Values) {
    switch (v.Kind) {
      case vkNumber: AppendNumber(token, v.Number); break;
      case vkBool: AppendBool(token, v.Number != 0); break;
      case vkText: {
        const TcxTokenString text = MakeTextResult(v.Text);
        token.insert(token.end(), text.begin(), text.end());
        break;
      }
      case vkError:
        token.push_back(ptgErr);
        token.push_back(v.Error);
        break;
      case vkEmpty: token.push_back(ptgMissArg); break;
    }
  }
  WriteInt32(token.data() + 1, static_cast<int32_t>(token.size() - kArrayHeaderSize));
  return token;
}

int TArgument::Rows() const {
  switch (Kind) {
    case akArea: return Area.Cells.Bottom - Area.Cells.Top + 1;
    case akArray: return Array.Rows;
    default: return 1;
  }
}

int TArgument::Cols() const {
  switch (Kind) {
    case akArea: return Area.Cells.Right - Area.Cells.Left + 1;
    case akArray: return Array.Cols;
    default: return 1;
  }
}

TValue TArgument::At(TcxSSFunctionHandler& h, int row, int col) const {
  switch (Kind) {
    case akArea:
      return CellValue(h, Area.Sheet, Area.Cells.Left + col, Area.Cells.Top + row);
    case akArray:
      return Array.At(row, col);
    default:
      return Value;
  }
}

TValue TArgument::Single(TcxSSFunctionHandler& h) const {
  switch (Kind) {
    case akArea:
      if (Rows() != 1 || Cols() != 1) return TValue::OfError(ecValue);
      return At(h, 0, 0);
    case akArray:
      return Array.At(0, 0);
    default:
      return Value;
  }
}

TArgument PopArgument(TcxSSFunctionHandler& h) {
  TArgument arg;
  if (h.Stack().Empty()) {
    arg.Value = TValue::OfError(ecValue);
    return arg;
  }
  const TcxTokenString item = h.Stack().PopToken();
  const TcxTokenView view{item.data(), item.size()};
  switch (view.Id()) {
    case ptgRef:
    case ptgRef3d:
    case ptgArea:
    case ptgArea3d:
    case ptgName: {
      uint8_t error = 0;
      if (h.ResolveArea(view, arg.Area, error))
        arg.Kind = TArgument::akArea;
      else
        arg.Value = TValue::OfError(error);
      return arg;
    }
    case ptgArray:
      if (ReadArrayToken(view, arg.Array))
        arg.Kind = TArgument::akArray;
      else
        arg.Value = TValue::OfError(ecValue);
      return arg;
    case ptgNum:
      arg.Value = TValue::OfNumber(view.Size == 9 ? ReadDouble(view.Data + 1) : 0);
      return arg;
    case ptgBool:
      arg.Value = TValue::OfBool(view.Size == 2 && view.Data[1] != 0);
      return arg;
    case ptgErr:
      arg.Value = TValue::OfError(view.Size == 2 ? view.Data[1] : uint8_t(ecValue));
      return arg;
    case ptgMissArg:
      return arg;
    case ptgStr: {
      std::string text = StringTokenText(view.Data, view.Size);
      // What a failed operation pushed stands for its error.
      if (h.ErrorCode() != 0 && text == ErrorToText(h.ErrorCode()))
        arg.Value = TValue::OfError(h.ErrorCode());
      else
        arg.Value = TValue::OfText(std::move(text));
      return arg;
    }
    default:
      arg.Value = TValue::OfError(ecValue);
      return arg;
  }
}

bool ToNumber(const TcxSSFunctionHandler& h, const TValue& v, double& x, uint8_t& error) {
  x = 0;
  switch (v.Kind) {
    case vkEmpty: return true;
    case vkNumber:
    case vkBool: x = v.Number; return true;
    case vkError: error = v.Error; return false;
    case vkText:
      if (TextToNumber(h, v.Text, x)) return true;
      if (h.Environment().Now &&
          TryTextToDateTime(v.Text, x, h.Settings(), h.Environment().Now()))
        return true;
      x = 0;
      error = ecValue;
      return false;
  }
  return false;
}

bool ToText(const TcxSSFunctionHandler& h, const TValue& v, std::string& text, uint8_t& error) {
  switch (v.Kind) {
    case vkEmpty: text.clear(); return true;
    case vkNumber: text = FloatToText(v.Number, h.Settings()); return true;
    case vkBool: text = BoolToText(v.Number != 0); return true;
    case vkText: text = v.Text; return true;
    case vkError: error = v.Error; return false;
  }
  return false;
}

bool ToBool(const TcxSSFunctionHandler& h, const TValue& v, bool& b, uint8_t& error) {
  b = false;
  switch (v.Kind) {
    case vkEmpty: return true;
    case vkNumber:
    case vkBool: b = v.Number != 0; return true;
    case vkError: error = v.Error; return false;
    case vkText:
      if (TextToBool(h, v.Text, b)) return true;
      error = ecValue;
      return false;
  }
  return false;
}

TValue TArgs::Single() {
  TValue v = PopArgument(h_).Single(h_);
  if (v.Kind == vkError) error_ = v.Error;
  return v;
}

double TArgs::Number() {
  double x = 0;
  uint8_t error = 0;
  if (!ToNumber(h_, Single(), x, error)) error_ = error;
  return x;
}

double TArgs::Date() { return ToStandardSerial(Number(), h_.Settings()); }

std::string TArgs::Text() {
  std::string text;
  uint8_t error = 0;
  if (!ToText(h_, Single(), text, error)) error_ = error;
  return text;
}

bool TArgs::Bool() {
  bool b = false;
  uint8_t error = 0;
  if (!ToBool(h_, Single(), b, error)) error_ = error;
  return b;
}

bool ArgumentNumbers(TcxSSFunctionHandler& h, const TArgument& arg, TListNumbers rule,
                     std::vector<double>& numbers, uint8_t& error) {
  if (arg.Kind == TArgument::akValue) {
    double x = 0;
    if (arg.Value.Kind == vkEmpty) return true;
    if (!ToNumber(h, arg.Value, x, error)) return false;
    numbers.push_back(x);
    return true;
  }
  bool ok = true;
  arg.ForEach(h, [&](const TValue& v) {
    switch (v.Kind) {
      case vkNumber: numbers.push_back(v.Number); break;
      case vkError:
        error = v.Error;
        ok = false;
        return false;
      case vkBool:
        if (rule == lnLogical) numbers.push_back(v.Number);
        break;
      case vkText:
        if (rule == lnLogical) numbers.push_back(0);
        break;
      case vkEmpty: break;
    }
    return true;
  });
  return ok;
}

bool PopListNumbers(TcxSSFunctionHandler& h, TListNumbers rule, std::vector<double>& numbers,
                    uint8_t& error, int count) {
  std::vector<TArgument> args(static_cast<size_t>(std::max(count < 0 ? h.ArgCount() : count, 0)));
  for (auto it = args.rbegin(); it != args.rend(); ++it) *it = PopArgument(h);
  numbers.clear();
  // In the written order, so the leftmost failing argument names the error.
  for (const TArgument& arg : args)
    if (!ArgumentNumbers(h, arg, rule, numbers, error)) return false;
  return true;
}

void FailWith(TcxSSFunctionHandler& h, uint8_t code) {
  Fail(h, h.ErrorCode() != 0 ? h.ErrorCode() : code);
}

void PushValue(TcxSSFunctionHandler& h, const TValue& v) {
  switch (v.Kind) {
    case vkEmpty: h.PushNumber(0); break;
    case vkNumber: PushResult(h, v.Number); break;
    case vkBool: h.PushBool(v.Number != 0); break;
    case vkText: h.PushText(v.Text); break;
    case vkError: FailWith(h, v.Error); break;
  }
}

int CompareValues(const TcxSSFunctionHandler& h, const TValue& a, const TValue& b) {
  // Empty sorts with the numbers as 0 would, and errors last.
  const auto rank = [](const TValue& v) {
    switch (v.Kind) {
      case vkEmpty:
      case vkNumber: return 0;
      case vkText: return 1;
      case vkBool: return 2;
      default: return 3;
    }
  };
  const int ra = rank(a);
  const int rb = rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  if (ra == 1) return h.TextServices().CompareText(a.Text, b.Text);
  if (ra == 3) return 0;
  return a.Number < b.Number ? -1 : (a.Number > b.Number ? 1 : 0);
}

TCriteria::TCriteria(const TcxSSFunctionHandler& h, const TValue& criteria, bool textPrefix)
    : h_(h) {
  if (criteria.Kind != vkText) {
    operand_ = criteria;
    return;
  }
  std::string_view text = criteria.Text;
  static constexpr std::pair<std::string_view, TOp> kOps[] = {
      {"<>", opNe}, {"<=", opLe}, {">=", opGe}, {"<", opLt}, {">", opGt}, {"=", opEq}};
  bool compared = false;
  for (const auto& [prefix, op] : kOps)
    if (text.starts_with(prefix)) {
      op_ = op;
      text.remove_prefix(prefix.size());
      compared = true;
      break;
    }
  double x = 0;
  bool b = false;
  if (text.empty())
    operand_ = TValue{};
  else if (TextToNumber(h, text, x))
    operand_ = TValue::OfNumber(x);
  else if (TextToBool(h, text, b))
    operand_ = TValue::OfBool(b);
  else
    operand_ = TValue::OfText(std::string(text) + (textPrefix && !compared ? "*" : ""));
}

bool TCriteria::Matches(const TValue& v) const {
  if (operand_.Kind == vkEmpty) {
    const bool empty = v.Kind == vkEmpty;
    return op_ == opNe ? !empty : (op_ == opEq && empty);
  }
  const bool sameKind = v.Kind == operand_.Kind;
  if (!sameKind) return op_ == opNe;
  int order;
  if (operand_.Kind == vkText && (op_ == opEq || op_ == opNe))
    order = WildcardMatch(h_, operand_.Text, v.Text) ? 0 : 1;
  else
    order = CompareValues(h_, v, operand_);
  switch (op_) {
    case opNe: return order != 0;
    case opLt: return order < 0;
    case opLe: return order <= 0;
    case opGt: return order > 0;
    case opGe: return order >= 0;
    default: return order == 0;
  }
}

bool WildcardMatch(const TcxSSFunctionHandler& h, std::string_view pattern, std::string_view text) {
  // Both sides lower-cased into code points, then a greedy match with backtracking to the last *.
  const auto codePoints = [&h](std::string_view s) {
    const std::string lower = h.TextServices().LowerCase(s);
    std::u32string out;
    size_t pos = 0;
    while (pos < lower.size()) out += unicode::NextCodePoint(lower, pos);
    return out;
  };
  const std::u32string p = codePoints(pattern);
  const std::u32string t = codePoints(text);
  size_t i = 0, j = 0;
  size_t star = std::u32string::npos, mark = 0;
  while (j < t.size()) {
    if (i < p.size()) {
      char32_t c = p[i];
      size_t step = 1;
      const bool literal = c == U'~' && i + 1 < p.size();
      if (literal) {
        c = p[i + 1];
        step = 2;
      }
      if (!literal && c == U'*') {
        star = i++;
        mark = j;
        continue;
      }
      if ((!literal && c == U'?') || c == t[j]) {
        i += step;
        ++j;
        continue;
      }
    }
    if (star == std::u32string::npos) return false;
    i = star + 1;
    j = ++mark;
  }
  while (i < p.size() && p[i] == U'*') ++i;
  return i == p.size();
}

}  // namespace cxfunctions
