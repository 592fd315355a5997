#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <string>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Conditional sums, products, the counting functions of arithmetic and the arithmetic of the
// analysis add-in, with Excel's rules.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

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

// MROUND(x, multiple): the multiple nearest to x, halves away from zero; x and the multiple
// must not have opposite signs. The quotient is taken to the digits a cell shows, so that
// MROUND(1.3, 0.2) is 1.4 although 1.3 / 0.2 is 6.4999... in binary.
void MRound(Handler& h) {
  TArgs args(h);
  const double multiple = args.Number();
  const double x = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (multiple == 0 || x == 0) return h.PushNumber(0);
  if ((x > 0) != (multiple > 0)) return FailWith(h, ecNum);
  const double q = SnapToShownDigits(x / multiple);
  double whole = std::trunc(q);
  if (std::fabs(q - whole) >= 0.5) whole += q > 0 ? 1 : -1;
  PushResult(h, whole * multiple);
}

// FACTDOUBLE(n): n × (n - 2) × (n - 4) × ... down to 1 or 2, of the truncated n; 1 for 0.
void FactDouble(Handler& h) {
  TArgs args(h);
  const double n = std::trunc(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  if (n < 0) return FailWith(h, ecNum);
  double product = 1;
  for (double k = n; k > 1 && std::isfinite(product); k -= 2) product *= k;
  PushResult(h, product);
}

// MULTINOMIAL(list): (a + b + ...)! / (a! × b! × ...) of the truncated values, built as a
// product of binomial coefficients so that it stays exact as long as it can.
void Multinomial(Handler& h) {
  std::vector<double> numbers;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, numbers, error)) return FailWith(h, error);
  double total = 0;
  double result = 1;
  for (double x : numbers) {
    x = std::trunc(x);
    if (x < 0) return FailWith(h, ecNum);
    for (double i = 1; i <= x && std::isfinite(result); ++i) result = result * (total + i) / i;
    total += x;
  }
  PushResult(h, std::round(result));
}

// SERIESSUM(x, n, m, coefficients): coefficient k times x^(n + k × m), summed.
void SeriesSum(Handler& h) {
  TArgs args(h);
  const TArgument coefficients = args.Any();
  const double m = args.Number();
  const double n = args.Number();
  const double x = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  std::vector<double> c;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, coefficients, lnNumbers, c, error)) return FailWith(h, error);
  double sum = 0;
  for (size_t k = 0; k < c.size(); ++k) sum += c[k] * std::pow(x, n + static_cast<double>(k) * m);
  PushResult(h, sum);
}

// SQRTPI(x): the square root of x × pi.
void SqrtPi(Handler& h) {
  TArgs args(h);
  const double x = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (x < 0) return FailWith(h, ecNum);
  PushResult(h, std::sqrt(x * std::numbers::pi));
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
    {"COMBIN", Combin},           {"FACTDOUBLE", FactDouble},   {"GCD", Gcd},
    {"LCM", Lcm},                 {"MROUND", MRound},           {"MULTINOMIAL", Multinomial},
    {"PERMUT", Permut},           {"PRODUCT", Product},         {"QUOTIENT", Quotient},
    {"RANDBETWEEN", RandBetween}, {"SERIESSUM", SeriesSum},     {"SQRTPI", SqrtPi},
    {"SUMIF", SumIf},             {"SUMPRODUCT", SumProduct},   {"SUMX2MY2", SumX2MY2},
    {"SUMX2PY2", SumX2PY2},       {"SUMXMY2", SumXMY2},
};

}  // namespace

void SetRandBetweenSeed(uint32_t seed) { randBetweenSeed = seed; }

void RegisterConditionalFunctions() { RegisterRoutines(kRoutines); }
