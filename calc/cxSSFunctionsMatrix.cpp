#include <cmath>
#include <utility>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Matrix functions over areas and arrays of numbers; their array results are array values on
// the stack.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// A matrix of numbers, row by row.
struct TMatrix {
  int Rows = 0;
  int Cols = 0;
  std::vector<double> Values;
  double& At(int r, int c) { return Values[size_t(r) * size_t(Cols) + size_t(c)]; }
  double At(int r, int c) const { return Values[size_t(r) * size_t(Cols) + size_t(c)]; }
};

// Every value must be a number; an error value is the result, anything else "#VALUE!".
bool PopMatrix(Handler& h, TMatrix& m, uint8_t& error) {
  const TArgument arg = PopArgument(h);
  if (arg.Kind == TArgument::akValue && arg.Value.IsError()) {
    error = arg.Value.Error;
    return false;
  }
  m.Rows = arg.Rows();
  m.Cols = arg.Cols();
  m.Values.assign(size_t(m.Rows) * size_t(m.Cols), 0);
  for (int r = 0; r < m.Rows; ++r)
    for (int c = 0; c < m.Cols; ++c) {
      const TValue v = arg.At(h, r, c);
      if (!v.IsNumber()) {
        error = v.IsError() ? v.Error : uint8_t(ecValue);
        return false;
      }
      m.At(r, c) = v.Number;
    }
  return true;
}

void PushMatrix(Handler& h, const TMatrix& m) {
  TArray array(m.Rows, m.Cols);
  for (int r = 0; r < m.Rows; ++r)
    for (int c = 0; c < m.Cols; ++c) {
      if (!std::isfinite(m.At(r, c))) return FailWith(h, ecNum);
      array.At(r, c) = TValue::OfNumber(m.At(r, c));
    }
  const TcxTokenString token = MakeArrayToken(array);
  h.PushToken({token.data(), token.size()});
}

// Gaussian elimination with partial pivoting; `inverse` (when given) receives the inverse.
// Returns the determinant (0 for a singular matrix).
double Eliminate(TMatrix a, TMatrix* inverse) {
  const int n = a.Rows;
  TMatrix b{n, n, std::vector<double>(size_t(n) * size_t(n), 0)};
  for (int i = 0; i < n; ++i) b.At(i, i) = 1;
  double determinant = 1;
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r)
      if (std::fabs(a.At(r, col)) > std::fabs(a.At(pivot, col))) pivot = r;
    if (a.At(pivot, col) == 0) return 0;
    if (pivot != col) {
      for (int c = 0; c < n; ++c) {
        std::swap(a.At(pivot, c), a.At(col, c));
        std::swap(b.At(pivot, c), b.At(col, c));
      }
      determinant = -determinant;
    }
    const double p = a.At(col, col);
    determinant *= p;
    for (int c = 0; c < n; ++c) {
      a.At(col, c) /= p;
      b.At(col, c) /= p;
    }
    for (int r = 0; r < n; ++r) {
      if (r == col || a.At(r, col) == 0) continue;
      const double f = a.At(r, col);
      for (int c = 0; c < n; ++c) {
        a.At(r, c) -= f * a.At(col, c);
        b.At(r, c) -= f * b.At(col, c);
      }
    }
  }
  if (inverse) *inverse = std::move(b);
  return determinant;
}

void MDeterm(Handler& h) {
  TMatrix m;
  uint8_t error = 0;
  if (!PopMatrix(h, m, error)) return FailWith(h, error);
  if (m.Rows != m.Cols) return FailWith(h, ecValue);
  PushResult(h, Eliminate(m, nullptr));
}

void MInverse(Handler& h) {
  TMatrix m;
  uint8_t error = 0;
  if (!PopMatrix(h, m, error)) return FailWith(h, error);
  if (m.Rows != m.Cols) return FailWith(h, ecValue);
  TMatrix inverse;
  if (Eliminate(m, &inverse) == 0) return FailWith(h, ecNum);
  PushMatrix(h, inverse);
}

void MMult(Handler& h) {
  TMatrix b, a;
  uint8_t error = 0;
  const bool bOk = PopMatrix(h, b, error);
  if (!PopMatrix(h, a, error) || !bOk) return FailWith(h, error);
  if (a.Cols != b.Rows) return FailWith(h, ecValue);
  TMatrix product{a.Rows, b.Cols, std::vector<double>(size_t(a.Rows) * size_t(b.Cols), 0)};
  for (int r = 0; r < a.Rows; ++r)
    for (int c = 0; c < b.Cols; ++c) {
      double sum = 0;
      for (int k = 0; k < a.Cols; ++k) sum += a.At(r, k) * b.At(k, c);
      product.At(r, c) = sum;
    }
  PushMatrix(h, product);
}

constexpr TRoutine kRoutines[] = {
    {"MDETERM", MDeterm}, {"MINVERSE", MInverse}, {"MMULT", MMult},
};

}  // namespace

void RegisterMatrixFunctions() { RegisterRoutines(kRoutines); }
