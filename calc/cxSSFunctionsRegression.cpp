#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Linear regression over pairs of values, and frequency counts.

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

// TREND(known_y [, known_x [, new_x [, constant]]]): the line fitted to the pairs (through the
// origin when constant is FALSE) at each new x; known_x defaults to 1, 2, 3, ... and new_x to
// known_x. The result has new_x's shape. One x variable only.
void Trend(Handler& h) {
  TArgs args(h);
  const int count = args.Count();
  const bool constant = count >= 4 ? args.Bool() : true;
  TArgument newX, knownX;
  if (count >= 3) newX = args.Any();
  if (count >= 2) knownX = args.Any();
  const TArgument knownY = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  const int n = knownY.Rows() * knownY.Cols();
  const auto valueAt = [&h](const TArgument& a, int i) { return a.At(h, i / a.Cols(), i % a.Cols()); };
  const bool hasX = count >= 2 && !(knownX.Kind == TArgument::akValue && knownX.Value.Kind == vkEmpty);
  if (hasX && knownX.Rows() * knownX.Cols() != n) return FailWith(h, ecRef);
  std::vector<double> xs, ys;
  for (int i = 0; i < n; ++i) {
    const TValue y = valueAt(knownY, i);
    const TValue x = hasX ? valueAt(knownX, i) : TValue::OfNumber(i + 1);
    if (!y.IsNumber() || !x.IsNumber()) return FailWith(h, y.IsError() ? y.Error : uint8_t(ecValue));
    ys.push_back(y.Number);
    xs.push_back(x.Number);
  }
  if (n == 0) return FailWith(h, ecValue);
  double slope, intercept = 0;
  if (constant) {
    const TFit fit(xs, ys);
    if (fit.Sxx == 0) return FailWith(h, ecDivZero);
    slope = fit.Sxy / fit.Sxx;
    intercept = fit.MeanY - slope * fit.MeanX;
  } else {
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < xs.size(); ++i) {
      sxy += xs[i] * ys[i];
      sxx += xs[i] * xs[i];
    }
    if (sxx == 0) return FailWith(h, ecDivZero);
    slope = sxy / sxx;
  }
  const bool hasNewX = count >= 3;
  const int rows = hasNewX ? newX.Rows() : (hasX ? knownX.Rows() : knownY.Rows());
  const int cols = hasNewX ? newX.Cols() : (hasX ? knownX.Cols() : knownY.Cols());
  TArray result(rows, cols);
  for (int i = 0; i < rows * cols; ++i) {
    double x;
    if (hasNewX) {
      const TValue v = valueAt(newX, i);
      if (!v.IsNumber()) return FailWith(h, v.IsError() ? v.Error : uint8_t(ecValue));
      x = v.Number;
    } else {
      x = xs[static_cast<size_t>(i)];
    }
    result.At(i / cols, i % cols) = TValue::OfNumber(intercept + slope * x);
  }
  const TcxTokenString token = MakeArrayToken(result);
  h.PushToken({token.data(), token.size()});
}

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
    {"CORREL", Correlation<false>}, {"FORECAST", Forecast},   {"FREQUENCY", Frequency},
    {"INTERCEPT", Intercept},       {"PEARSON", Correlation<false>}, {"RSQ", Correlation<true>},
    {"SLOPE", Slope},               {"TREND", Trend},
};

}  // namespace

void RegisterRegressionFunctions() { RegisterRoutines(kRoutines); }
