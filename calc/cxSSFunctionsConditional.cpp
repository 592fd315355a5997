#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Conditional sums, products and the counting functions of arithmetic, with Excel's rules.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// A criteria of SUMIF: an optional comparison (=, <>, <, <=, >, >=) and an operand. A number
// operand compares with numbers; a text operand with texts, without case, and with wildcards for
// = and <>; an empty operand stands for empty cells. "<>" alone matches every cell that is not
// empty.
class TCriteria {
public:
  TCriteria(const Handler& h, const TValue& criteria) : h_(h) {
    if (criteria.Kind != vkText) {
      operand_ = criteria;
      return;
    }
    std::string_view text = criteria.Text;
    static constexpr std::pair<std::string_view, TOp> kOps[] = {
        {"<>", opNe}, {"<=", opLe}, {">=", opGe}, {"<", opLt}, {">", opGt}, {"=", opEq}};
    for (const auto& [prefix, op] : kOps)
      if (text.starts_with(prefix)) {
        op_ = op;
        text.remove_prefix(prefix.size());
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
      operand_ = TValue::OfText(std::string(text));
  }

  bool Matches(const TValue& v) const {
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

private:
  enum TOp : uint8_t { opEq, opNe, opLt, opLe, opGt, opGe };
  const Handler& h_;
  TOp op_ = opEq;
  TValue operand_;
};

// SUMIF(range, criteria [, sum_range]): the numbers of sum_range (the range itself when
// omitted), taken in the shape of range from sum_range's first cell, where range matches.
void SumIf(Handler& h) {
  TArgs args(h);
  TArgument sums;
  const bool hasSums = args.Count() >= 3;
  if (hasSums) sums = args.Any();
  const TValue criteria = args.Single();
  const TArgument range = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  if (range.Kind == TArgument::akValue && range.Value.IsError())
    return FailWith(h, range.Value.Error);
  if (hasSums && sums.Kind == TArgument::akValue && sums.Value.IsError())
    return FailWith(h, sums.Value.Error);
  const TCriteria test(h, criteria);
  const TArgument& source = hasSums ? sums : range;
  double sum = 0;
  int rows = range.Rows();
  int cols = range.Cols();
  // Beyond the stored part of a reference every cell is empty.
  if (range.IsReference() && !test.Matches(TValue{})) {
    const TRect stored = h.Cache().ClipToStored(range.Area.Sheet, range.Area.Cells);
    rows = std::max(0, stored.Bottom - range.Area.Cells.Top + 1);
    cols = std::max(0, stored.Right - range.Area.Cells.Left + 1);
  }
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      if (!test.Matches(range.At(h, r, c))) continue;
      if (source.Kind != TArgument::akArea && (r >= source.Rows() || c >= source.Cols())) continue;
      const TValue v = source.At(h, r, c);
      if (v.IsError()) return FailWith(h, v.Error);
      if (v.IsNumber()) sum += v.Number;
    }
  PushResult(h, sum);
}

// PRODUCT(list): 0 when there is no number.
void Product(Handler& h) {
  std::vector<double> numbers;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, numbers, error)) return FailWith(h, error);
  if (numbers.empty()) return h.PushNumber(0);
  double product = 1;
  for (const double x : numbers) product *= x;
  PushResult(h, product);
}

// SUMPRODUCT(array1, array2, ...): arrays of one shape, multiplied value by value and summed;
// values that are not numbers count as 0.
void SumProduct(Handler& h) {
  std::vector<TArgument> arrays(static_cast<size_t>(std::max(h.ArgCount(), 0)));
  for (auto it = arrays.rbegin(); it != arrays.rend(); ++it) *it = PopArgument(h);
  if (arrays.empty()) return FailWith(h, ecValue);
  for (const TArgument& a : arrays)
    if (a.Kind == TArgument::akValue && a.Value.IsError()) return FailWith(h, a.Value.Error);
  const int rows = arrays[0].Rows();
  const int cols = arrays[0].Cols();
  for (const TArgument& a : arrays)
    if (a.Rows() != rows || a.Cols() != cols) return FailWith(h, ecValue);
  double sum = 0;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      double product = 1;
      for (const TArgument& a : arrays) {
        const TValue v = a.At(h, r, c);
        if (v.IsError()) return FailWith(h, v.Error);
        product *= v.IsNumber() ? v.Number : 0;
      }
      sum += product;
    }
  PushResult(h, sum);
}

// SUMX2MY2, SUMX2PY2 and SUMXMY2: the pairs of two arrays of as many values where both are
// numbers.
void SumPairs(Handler& h, double (*term)(double, double)) {
  const TArgument y = PopArgument(h);
  const TArgument x = PopArgument(h);
  for (const TArgument* a : {&x, &y})
    if (a->Kind == TArgument::akValue && a->Value.IsError()) return FailWith(h, a->Value.Error);
  const int n = x.Rows() * x.Cols();
  if (n != y.Rows() * y.Cols()) return FailWith(h, ecNA);
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const TValue a = x.At(h, i / x.Cols(), i % x.Cols());
    const TValue b = y.At(h, i / y.Cols(), i % y.Cols());
    if (a.IsError()) return FailWith(h, a.Error);
    if (b.IsError()) return FailWith(h, b.Error);
    if (a.IsNumber() && b.IsNumber()) sum += term(a.Number, b.Number);
  }
  PushResult(h, sum);
}

void SumX2MY2(Handler& h) { SumPairs(h, [](double a, double b) { return a * a - b * b; }); }
void SumX2PY2(Handler& h) { SumPairs(h, [](double a, double b) { return a * a + b * b; }); }
void SumXMY2(Handler& h) { SumPairs(h, [](double a, double b) { return (a - b) * (a - b); }); }

// COMBIN(n, k) and PERMUT(n, k) of the truncated values.
void Combin(Handler& h) {
  TArgs args(h);
  const double k = std::trunc(args.Number());
  const double n = std::trunc(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  if (n < 0 || k < 0 || n < k) return FailWith(h, ecNum);
  // Multiplying the smaller half keeps the intermediate values small.
  const double m = std::min(k, n - k);
  double result = 1;
  for (double i = 1; i <= m && std::isfinite(result); ++i) result = result * (n - m + i) / i;
  PushResult(h, std::round(result));
}

void Permut(Handler& h) {
  TArgs args(h);
  const double k = std::trunc(args.Number());
  const double n = std::trunc(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  if (n <= 0 || k < 0 || n < k) return FailWith(h, ecNum);
  double result = 1;
  for (double i = n - k + 1; i <= n && std::isfinite(result); ++i) result *= i;
  PushResult(h, result);
}

// GCD and LCM of the truncated values, which must not be negative.
bool PopWholeNumbers(Handler& h, std::vector<double>& numbers, uint8_t& error) {
  if (!PopListNumbers(h, lnNumbers, numbers, error)) return false;
  for (double& x : numbers) {
    x = std::trunc(x);
    if (x < 0 || x > 9007199254740992.0) {
      error = ecNum;
      return false;
    }
  }
  return true;
}

double Gcd2(double a, double b) {
  while (b != 0) {
    const double r = std::fmod(a, b);
    a = b;
    b = r;
  }
  return a;
}

void Gcd(Handler& h) {
  std::vector<double> numbers;
  uint8_t error = 0;
  if (!PopWholeNumbers(h, numbers, error)) return FailWith(h, error);
  double result = 0;
  for (const double x : numbers) result = Gcd2(result, x);
  PushResult(h, result);
}

void Lcm(Handler& h) {
  std::vector<double> numbers;
  uint8_t error = 0;
  if (!PopWholeNumbers(h, numbers, error)) return FailWith(h, error);
  if (numbers.empty()) return FailWith(h, ecValue);
  double result = 1;
  for (const double x : numbers) {
    if (x == 0) return h.PushNumber(0);
    result = result / Gcd2(result, x) * x;
  }
  PushResult(h, result);
}

void Quotient(Handler& h) {
  TArgs args(h);
  const double d = args.Number();
  const double n = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (d == 0) return FailWith(h, ecDivZero);
  PushResult(h, std::trunc(n / d));
}

// RANDBETWEEN(bottom, top): a whole number from ceiling(bottom) to floor(top), drawn from a
// generator of its own so that RAND's sequence stays as it is.
uint32_t randBetweenSeed = 0;

void RandBetween(Handler& h) {
  TArgs args(h);
  const double top = std::floor(args.Number());
  const double bottom = std::ceil(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  if (bottom > top) return FailWith(h, ecNum);
  randBetweenSeed = randBetweenSeed * 134775813u + 1u;
  const double r = randBetweenSeed / 4294967296.0;
  PushResult(h, bottom + std::floor(r * (top - bottom + 1)));
}

constexpr TRoutine kRoutines[] = {
    {"COMBIN", Combin},     {"GCD", Gcd},           {"LCM", Lcm},
    {"PERMUT", Permut},     {"PRODUCT", Product},   {"QUOTIENT", Quotient},
    {"RANDBETWEEN", RandBetween}, {"SUMIF", SumIf}, {"SUMPRODUCT", SumProduct},
    {"SUMX2MY2", SumX2MY2}, {"SUMX2PY2", SumX2PY2}, {"SUMXMY2", SumXMY2},
};

}  // namespace

void SetRandBetweenSeed(uint32_t seed) { randBetweenSeed = seed; }

void RegisterConditionalFunctions() { RegisterRoutines(kRoutines); }
