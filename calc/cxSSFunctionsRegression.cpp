#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Linear regression over pairs of values and over several variables, and frequency counts.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// The sums of a set of (x, y) pairs.
struct TFit {
  double N = 0, MeanX = 0, MeanY = 0, Sxx = 0, Syy = 0, Sxy = 0;

  TFit(const std::vector<double>& xs, const std::vector<double>& ys) {
    N = static_cast<double>(xs.size());
    if (xs.empty()) return;
    MeanX = std::accumulate(xs.begin(), xs.end(), 0.0) / N;
    MeanY = std::accumulate(ys.begin(), ys.end(), 0.0) / N;
    for (size_t i = 0; i < xs.size(); ++i) {
      Sxx += (xs[i] - MeanX) * (xs[i] - MeanX);
      Syy += (ys[i] - MeanY) * (ys[i] - MeanY);
      Sxy += (xs[i] - MeanX) * (ys[i] - MeanY);
    }
  }
};

// Pops two arguments of as many values (else "#N/A") and keeps the pairs where both are
// numbers; the first argument gives the y values.
bool PopPairs(Handler& h, std::vector<double>& ys, std::vector<double>& xs, uint8_t& error) {
  const TArgument second = PopArgument(h);
  const TArgument first = PopArgument(h);
  for (const TArgument* a : {&first, &second})
    if (a->Kind == TArgument::akValue && a->Value.IsError()) {
      error = a->Value.Error;
      return false;
    }
  const int n = first.Rows() * first.Cols();
  if (n != second.Rows() * second.Cols()) {
    error = ecNA;
    return false;
  }
  for (int i = 0; i < n; ++i) {
    const TValue y = first.At(h, i / first.Cols(), i % first.Cols());
    const TValue x = second.At(h, i / second.Cols(), i % second.Cols());
    for (const TValue* v : {&y, &x})
      if (v->IsError()) {
        error = v->Error;
        return false;
      }
    if (y.IsNumber() && x.IsNumber()) {
      ys.push_back(y.Number);
      xs.push_back(x.Number);
    }
  }
  return true;
}

void Slope(Handler& h) {
  std::vector<double> ys, xs;
  uint8_t error = 0;
  if (!PopPairs(h, ys, xs, error)) return FailWith(h, error);
  const TFit fit(xs, ys);
  if (fit.N == 0 || fit.Sxx == 0) return FailWith(h, ecDivZero);
  PushResult(h, fit.Sxy / fit.Sxx);
}

void Intercept(Handler& h) {
  std::vector<double> ys, xs;
  uint8_t error = 0;
  if (!PopPairs(h, ys, xs, error)) return FailWith(h, error);
  const TFit fit(xs, ys);
  if (fit.N == 0 || fit.Sxx == 0) return FailWith(h, ecDivZero);
  PushResult(h, fit.MeanY - fit.Sxy / fit.Sxx * fit.MeanX);
}

// CORREL and PEARSON; RSQ is the square.
template <bool Square>
void Correlation(Handler& h) {
  std::vector<double> ys, xs;
  uint8_t error = 0;
  if (!PopPairs(h, ys, xs, error)) return FailWith(h, error);
  const TFit fit(xs, ys);
  if (fit.N == 0 || fit.Sxx == 0 || fit.Syy == 0) return FailWith(h, ecDivZero);
  const double r = fit.Sxy / std::sqrt(fit.Sxx * fit.Syy);
  PushResult(h, Square ? r * r : r);
}

// FORECAST(x, known_y, known_x): the value of the fitted line at x.
void Forecast(Handler& h) {
  std::vector<double> ys, xs;
  uint8_t error = 0;
  const bool pairsOk = PopPairs(h, ys, xs, error);
  TArgs args(h);
  const double x = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (!pairsOk) return FailWith(h, error);
  const TFit fit(xs, ys);
  if (fit.N == 0 || fit.Sxx == 0) return FailWith(h, ecDivZero);
  const double slope = fit.Sxy / fit.Sxx;
  PushResult(h, fit.MeanY + slope * (x - fit.MeanX));
}

// COVAR(array1, array2): the population covariance of the pairs.
void Covar(Handler& h) {
  std::vector<double> ys, xs;
  uint8_t error = 0;
  if (!PopPairs(h, ys, xs, error)) return FailWith(h, error);
  const TFit fit(xs, ys);
  if (fit.N == 0) return FailWith(h, ecDivZero);
  PushResult(h, fit.Sxy / fit.N);
}

// STEYX(known_y, known_x): the standard error of the y values the fitted line predicts.
void SteYX(Handler& h) {
  std::vector<double> ys, xs;
  uint8_t error = 0;
  if (!PopPairs(h, ys, xs, error)) return FailWith(h, error);
  const TFit fit(xs, ys);
  if (fit.N < 3 || fit.Sxx == 0) return FailWith(h, ecDivZero);
  PushResult(h, std::sqrt((fit.Syy - fit.Sxy * fit.Sxy / fit.Sxx) / (fit.N - 2)));
}

// --- Least squares over several x variables (LINEST, LOGEST, TREND, GROWTH) ------------------

// The data of a regression: n observations of y and of k x variables. When the y values form a
// column, each x variable is a column of the x values (a row when y is a row).
struct TRegressionData {
  std::vector<double> Y;
  std::vector<std::vector<double>> X;  // X[j][i]: variable j of observation i
  bool YIsRow = false;
  int XRows = 0, XCols = 0;            // the shape of the x values given (or made)
};

// The numbers of an argument, row by row; false (with the error: the value's own, else
// "#VALUE!") when one is not a number.
bool AllNumbers(Handler& h, const TArgument& a, std::vector<double>& values, uint8_t& error) {
  if (a.Kind == TArgument::akValue && a.Value.IsError()) {
    error = a.Value.Error;
    return false;
  }
  values.clear();
  for (int r = 0; r < a.Rows(); ++r)
    for (int c = 0; c < a.Cols(); ++c) {
      const TValue v = a.At(h, r, c);
      if (!v.IsNumber()) {
        error = v.IsError() ? v.Error : uint8_t(ecValue);
        return false;
      }
      values.push_back(v.Number);
    }
  return true;
}

bool Omitted(const TArgument& a) { return a.Kind == TArgument::akValue && a.Value.Kind == vkEmpty; }

// Reads known_y and known_x (1, 2, 3, ... when omitted). "#REF!" when their sizes do not fit.
bool ReadRegression(Handler& h, const TArgument& knownY, const TArgument* knownX,
                    TRegressionData& data, uint8_t& error) {
  if (!AllNumbers(h, knownY, data.Y, error)) return false;
  const int n = static_cast<int>(data.Y.size());
  if (n == 0) {
    error = ecValue;
    return false;
  }
  data.YIsRow = knownY.Rows() == 1 && knownY.Cols() > 1;
  if (!knownX || Omitted(*knownX)) {
    data.X.assign(1, std::vector<double>(static_cast<size_t>(n)));
    for (int i = 0; i < n; ++i) data.X[0][static_cast<size_t>(i)] = i + 1;
    data.XRows = knownY.Rows();
    data.XCols = knownY.Cols();
    return true;
  }
  std::vector<double> x;
  if (!AllNumbers(h, *knownX, x, error)) return false;
  data.XRows = knownX->Rows();
  data.XCols = knownX->Cols();
  const bool yIsLine = knownY.Rows() == 1 || knownY.Cols() == 1;
  if (static_cast<int>(x.size()) == n && (!yIsLine || data.XRows == 1 || data.XCols == 1)) {
    data.X.assign(1, x);  // one variable, position by position
    return true;
  }
  if (!yIsLine) {
    error = ecRef;
    return false;
  }
  // A column of y: one variable per column of x (per row for a row of y).
  const int observations = data.YIsRow ? data.XCols : data.XRows;
  const int variables = data.YIsRow ? data.XRows : data.XCols;
  if (observations != n) {
    error = ecRef;
    return false;
  }
  data.X.assign(static_cast<size_t>(variables), std::vector<double>(static_cast<size_t>(n)));
  for (int r = 0; r < data.XRows; ++r)
    for (int c = 0; c < data.XCols; ++c) {
      const double v = x[static_cast<size_t>(r * data.XCols + c)];
      if (data.YIsRow)
        data.X[static_cast<size_t>(r)][static_cast<size_t>(c)] = v;
      else
        data.X[static_cast<size_t>(c)][static_cast<size_t>(r)] = v;
    }
  return true;
}

// The least-squares fit of y on the x variables (and a constant), by Householder reflections,
// with the statistics LINEST reports.
struct TLeastSquares {
  std::vector<double> Slopes;  // one per x variable
  double Constant = 0;
  std::vector<double> SlopeErrors;
  double ConstantError = 0;
  double R2 = 0, ErrorY = 0, F = 0, Df = 0, SsReg = 0, SsResid = 0;
};

bool FitLeastSquares(const TRegressionData& data, bool constant, TLeastSquares& fit) {
  const size_t n = data.Y.size();
  const size_t k = data.X.size();
  const size_t p = k + (constant ? 1 : 0);
  if (n < p || p == 0) return false;
  // The design matrix, column by column: the x variables, then the constant's ones.
  std::vector<std::vector<double>> a(data.X);
  if (constant) a.emplace_back(n, 1.0);
  std::vector<double> y = data.Y;
  std::vector<double> diagonal(p);
  for (size_t j = 0; j < p; ++j) {
    double norm = 0;
    for (size_t i = j; i < n; ++i) norm += a[j][i] * a[j][i];
    norm = std::sqrt(norm);
    double scale = 0;
    for (size_t i = 0; i < n; ++i) scale = std::max(scale, std::fabs(a[j][i]));
    if (norm <= 1e-13 * std::max(scale, 1e-300)) return false;  // dependent variables
    const double alpha = a[j][j] > 0 ? -norm : norm;
    // v = column - alpha e_j, kept in the column; H = I - 2 v v' / v'v.
    a[j][j] -= alpha;
    double vv = 0;
    for (size_t i = j; i < n; ++i) vv += a[j][i] * a[j][i];
    const auto reflect = [&](std::vector<double>& c) {
      double dot = 0;
      for (size_t i = j; i < n; ++i) dot += a[j][i] * c[i];
      const double f = 2 * dot / vv;
      for (size_t i = j; i < n; ++i) c[i] -= f * a[j][i];
    };
    for (size_t l = j + 1; l < p; ++l) reflect(a[l]);
    reflect(y);
    diagonal[j] = alpha;
  }
  // R is upper triangular: R[i][l] = a[l][i] above the diagonal, diagonal[i] on it.
  const auto r = [&](size_t i, size_t l) { return i == l ? diagonal[i] : a[l][i]; };
  std::vector<double> b(p);
  for (size_t i = p; i-- > 0;) {
    double sum = y[i];
    for (size_t l = i + 1; l < p; ++l) sum -= r(i, l) * b[l];
    b[i] = sum / r(i, i);
  }
  double ssResid = 0;
  for (size_t i = p; i < n; ++i) ssResid += y[i] * y[i];
  double mean = 0;
  for (const double v : data.Y) mean += v;
  mean /= static_cast<double>(n);
  double ssTotal = 0;
  for (const double v : data.Y) ssTotal += constant ? (v - mean) * (v - mean) : v * v;
  fit.Slopes.assign(b.begin(), b.begin() + static_cast<ptrdiff_t>(k));
  fit.Constant = constant ? b[k] : 0;
  fit.Df = static_cast<double>(n - p);
  fit.SsResid = ssResid;
  fit.SsReg = ssTotal - ssResid;
  fit.R2 = ssTotal == 0 ? 1 : fit.SsReg / ssTotal;
  fit.ErrorY = fit.Df > 0 ? std::sqrt(ssResid / fit.Df) : 0;
  fit.F = fit.Df > 0 && ssResid > 0 ? (fit.SsReg / static_cast<double>(k)) / (ssResid / fit.Df)
                                    : std::numeric_limits<double>::quiet_NaN();
  // The coefficients' variances: the diagonal of (R'R)^-1 = R^-1 R^-1' times s².
  std::vector<std::vector<double>> inverse(p, std::vector<double>(p, 0));
  for (size_t c = 0; c < p; ++c)
    for (size_t i = c + 1; i-- > 0;) {
      double sum = i == c ? 1 : 0;
      for (size_t l = i + 1; l <= c; ++l) sum -= r(i, l) * inverse[l][c];
      inverse[i][c] = sum / r(i, i);
    }
  const double s2 = fit.Df > 0 ? ssResid / fit.Df : 0;
  std::vector<double> errors(p);
  for (size_t i = 0; i < p; ++i) {
    double sum = 0;
    for (size_t c = i; c < p; ++c) sum += inverse[i][c] * inverse[i][c];
    errors[i] = std::sqrt(sum * s2);
  }
  fit.SlopeErrors.assign(errors.begin(), errors.begin() + static_cast<ptrdiff_t>(k));
  fit.ConstantError = constant ? errors[k] : 0;
  return true;
}

// LINEST and LOGEST(known_y [, known_x [, constant [, stats]]]): the slopes (last variable
// first) and the constant of the fitted line, or of the line fitted to the logarithms of y
// given as powers (y = b × m1^x1 × ...). With stats, four more rows: the standard errors, r²
// and the standard error of y, F and the degrees of freedom, the regression and residual sums
// of squares; the cells beyond them are "#N/A".
void Estimate(Handler& h, bool exponential) {
  TArgs args(h);
  const int count = args.Count();
  const bool stats = count >= 4 ? args.Bool() : false;
  bool constant = true;
  if (count >= 3) {
    const TValue v = args.Single();
    if (v.Kind != vkEmpty) {
      bool b = true;
      uint8_t error = 0;
      if (!ToBool(h, v, b, error)) args.SetError(error);
      constant = b;
    }
  }
  TArgument knownX;
  if (count >= 2) knownX = args.Any();
  const TArgument knownY = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  TRegressionData data;
  uint8_t error = 0;
  if (!ReadRegression(h, knownY, count >= 2 ? &knownX : nullptr, data, error))
    return FailWith(h, error);
  if (exponential)
    for (double& y : data.Y) {
      if (y <= 0) return FailWith(h, ecNum);
      y = std::log(y);
    }
  TLeastSquares fit;
  if (!FitLeastSquares(data, constant, fit)) return FailWith(h, ecNum);
  const auto shown = [exponential](double v) { return exponential ? std::exp(v) : v; };
  const int k = static_cast<int>(fit.Slopes.size());
  TArray result(stats ? 5 : 1, k + 1);
  for (TValue& v : result.Values) v = TValue::OfError(ecNA);
  for (int j = 0; j < k; ++j) {
    result.At(0, j) = TValue::OfNumber(shown(fit.Slopes[static_cast<size_t>(k - 1 - j)]));
    if (stats) result.At(1, j) = TValue::OfNumber(fit.SlopeErrors[static_cast<size_t>(k - 1 - j)]);
  }
  result.At(0, k) = TValue::OfNumber(shown(fit.Constant));
  if (stats) {
    if (constant) result.At(1, k) = TValue::OfNumber(fit.ConstantError);
    result.At(2, 0) = TValue::OfNumber(fit.R2);
    result.At(2, 1) = TValue::OfNumber(fit.ErrorY);
    result.At(3, 0) = std::isfinite(fit.F) ? TValue::OfNumber(fit.F) : TValue::OfError(ecNum);
    result.At(3, 1) = TValue::OfNumber(fit.Df);
    result.At(4, 0) = TValue::OfNumber(fit.SsReg);
    result.At(4, 1) = TValue::OfNumber(fit.SsResid);
    if (k == 0) result.At(2, 1) = TValue::OfError(ecNA);
  }
  const TcxTokenString token = MakeArrayToken(result);
  h.PushToken({token.data(), token.size()});
}

void Linest(Handler& h) { Estimate(h, false); }
void Logest(Handler& h) { Estimate(h, true); }

// TREND and GROWTH(known_y [, known_x [, new_x [, constant]]]): the fitted line (for GROWTH
// the fitted exponential curve) at each new x; new_x defaults to known_x. With one x variable
// the result has new_x's shape; with several, one value per observation of new_x (its rows when
// known_y is a column).
void Predict(Handler& h, bool exponential) {
  TArgs args(h);
  const int count = args.Count();
  bool constant = true;
  if (count >= 4) {
    const TValue v = args.Single();
    if (v.Kind != vkEmpty) {
      bool b = true;
      uint8_t error = 0;
      if (!ToBool(h, v, b, error)) args.SetError(error);
      constant = b;
    }
  }
  TArgument newX, knownX;
  if (count >= 3) newX = args.Any();
  if (count >= 2) knownX = args.Any();
  const TArgument knownY = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  TRegressionData data;
  uint8_t error = 0;
  if (!ReadRegression(h, knownY, count >= 2 ? &knownX : nullptr, data, error))
    return FailWith(h, error);
  if (exponential)
    for (double& y : data.Y) {
      if (y <= 0) return FailWith(h, ecNum);
      y = std::log(y);
    }
  TLeastSquares fit;
  if (!FitLeastSquares(data, constant, fit)) return FailWith(h, ecNum);
  const size_t k = fit.Slopes.size();
  // The new observations, as rows of k values, and the shape of the result.
  std::vector<double> values;
  int rows = data.XRows, cols = data.XCols;
  if (count >= 3 && !Omitted(newX)) {
    if (!AllNumbers(h, newX, values, error)) return FailWith(h, error);
    rows = newX.Rows();
    cols = newX.Cols();
  } else if (k == 1) {
    values = data.X[0];
  } else {
    // known_x again, row by row as it was given.
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c)
        values.push_back(data.YIsRow ? data.X[static_cast<size_t>(r)][static_cast<size_t>(c)]
                                     : data.X[static_cast<size_t>(c)][static_cast<size_t>(r)]);
  }
  std::vector<std::vector<double>> observations;
  if (k == 1) {
    for (const double v : values) observations.push_back({v});
  } else {
    const int variables = data.YIsRow ? rows : cols;
    if (variables != static_cast<int>(k)) return FailWith(h, ecRef);
    const int count2 = data.YIsRow ? cols : rows;
    for (int i = 0; i < count2; ++i) {
      std::vector<double> o(k);
      for (size_t j = 0; j < k; ++j)
        o[j] = data.YIsRow ? values[j * static_cast<size_t>(cols) + static_cast<size_t>(i)]
                           : values[static_cast<size_t>(i) * k + j];
      observations.push_back(o);
    }
    rows = data.YIsRow ? 1 : count2;
    cols = data.YIsRow ? count2 : 1;
  }
  TArray result(rows, cols);
  for (size_t i = 0; i < observations.size(); ++i) {
    double y = fit.Constant;
    for (size_t j = 0; j < k; ++j) y += fit.Slopes[j] * observations[i][j];
    if (exponential) y = std::exp(y);
    if (!std::isfinite(y)) return FailWith(h, ecNum);
    result.Values[i] = TValue::OfNumber(y);
  }
  const TcxTokenString token = MakeArrayToken(result);
  h.PushToken({token.data(), token.size()});
}

void Trend(Handler& h) { Predict(h, false); }
void Growth(Handler& h) { Predict(h, true); }

// FREQUENCY(data, bins): a column of one count per bin, in the bins' written order (the values
// above the next smaller bin up to the bin itself), and a last count of the values above every
// bin.
void Frequency(Handler& h) {
  const TArgument binsArg = PopArgument(h);
  const TArgument dataArg = PopArgument(h);
  std::vector<double> data, bins;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, dataArg, lnNumbers, data, error) ||
      !ArgumentNumbers(h, binsArg, lnNumbers, bins, error))
    return FailWith(h, error);
  std::vector<size_t> order(bins.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return bins[a] < bins[b]; });
  std::vector<double> counts(bins.size() + 1, 0);
  for (const double x : data) {
    size_t k = 0;
    while (k < order.size() && x > bins[order[k]]) ++k;
    ++counts[k < order.size() ? order[k] : bins.size()];
  }
  TArray result(static_cast<int>(counts.size()), 1);
  for (size_t i = 0; i < counts.size(); ++i) result.At(static_cast<int>(i), 0) = TValue::OfNumber(counts[i]);
  const TcxTokenString token = MakeArrayToken(result);
  h.PushToken({token.data(), token.size()});
}

constexpr TRoutine kRoutines[] = {
    {"CORREL", Correlation<false>}, {"COVAR", Covar},       {"FORECAST", Forecast},
    {"FREQUENCY", Frequency},       {"GROWTH", Growth},     {"INTERCEPT", Intercept},
    {"LINEST", Linest},             {"LOGEST", Logest},     {"PEARSON", Correlation<false>},
    {"RSQ", Correlation<true>},     {"SLOPE", Slope},       {"STEYX", SteYX},
    {"TREND", Trend},
};

}  // namespace

void RegisterRegressionFunctions() { RegisterRoutines(kRoutines); }
