#include <algorithm>
#include <cmath>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSProbability.h"

// Statistical tests of Excel 97-2003: they give the probability of the test statistic, from the
// distributions of cxSSProbability.h. Their data are areas or arrays of which only the numbers
// count.

namespace {

using namespace cxfunctions;
using namespace cxprobability;
using Handler = TcxSSFunctionHandler;

double Mean(const std::vector<double>& x) {
  double sum = 0;
  for (const double v : x) sum += v;
  return sum / static_cast<double>(x.size());
}

// The sample variance (n - 1).
double Variance(const std::vector<double>& x) {
  const double mean = Mean(x);
  double sum = 0;
  for (const double v : x) sum += (v - mean) * (v - mean);
  return sum / static_cast<double>(x.size() - 1);
}

// An argument that is an error value is the routine's result.
bool Usable(const TArgument& a, uint8_t& error) {
  if (a.Kind == TArgument::akValue && a.Value.IsError()) {
    error = a.Value.Error;
    return false;
  }
  return true;
}

// The values of two arguments of one size, position by position; the pairs where both are
// numbers are kept. "#N/A" for arguments of different sizes.
bool Pairs(Handler& h, const TArgument& a, const TArgument& b, std::vector<double>& xs,
           std::vector<double>& ys, uint8_t& error) {
  if (!Usable(a, error) || !Usable(b, error)) return false;
  const int n = a.Rows() * a.Cols();
  if (n != b.Rows() * b.Cols()) {
    error = ecNA;
    return false;
  }
  for (int i = 0; i < n; ++i) {
    const TValue x = a.At(h, i / a.Cols(), i % a.Cols());
    const TValue y = b.At(h, i / b.Cols(), i % b.Cols());
    for (const TValue* v : {&x, &y})
      if (v->IsError()) {
        error = v->Error;
        return false;
      }
    if (x.IsNumber() && y.IsNumber()) {
      xs.push_back(x.Number);
      ys.push_back(y.Number);
    }
  }
  return true;
}

// CHITEST(actual, expected): the chi-squared statistic of the observed counts against the
// expected ones, with (rows - 1) × (columns - 1) degrees of freedom, or one less than the count
// for a single row or column.
void ChiTest(Handler& h) {
  const TArgument expected = PopArgument(h);
  const TArgument actual = PopArgument(h);
  std::vector<double> a, e;
  uint8_t error = 0;
  if (!Pairs(h, actual, expected, a, e, error)) return FailWith(h, error);
  if (actual.Rows() != expected.Rows()) return FailWith(h, ecNA);
  const double rows = actual.Rows(), cols = actual.Cols();
  const double df = rows > 1 && cols > 1 ? (rows - 1) * (cols - 1) : rows * cols - 1;
  if (df < 1 || a.empty()) return FailWith(h, ecNA);
  double chi = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (e[i] == 0) return FailWith(h, ecDivZero);
    chi += (a[i] - e[i]) * (a[i] - e[i]) / e[i];
  }
  PushResult(h, ChiSquaredUpper(chi, df));
}

// The numbers of the routine's two data arguments.
bool TwoSamples(Handler& h, std::vector<double>& x, std::vector<double>& y, uint8_t& error) {
  const TArgument second = PopArgument(h);
  const TArgument first = PopArgument(h);
  return ArgumentNumbers(h, first, lnNumbers, x, error) &&
         ArgumentNumbers(h, second, lnNumbers, y, error);
}

// FTEST(array1, array2): the two-tailed probability that the variances do not differ.
void FTest(Handler& h) {
  std::vector<double> x, y;
  uint8_t error = 0;
  if (!TwoSamples(h, x, y, error)) return FailWith(h, error);
  if (x.size() < 2 || y.size() < 2) return FailWith(h, ecDivZero);
  const double vx = Variance(x), vy = Variance(y);
  if (vx == 0 || vy == 0) return FailWith(h, ecDivZero);
  const double upper = FUpper(vx / vy, static_cast<double>(x.size() - 1),
                              static_cast<double>(y.size() - 1));
  PushResult(h, 2 * std::min(upper, 1 - upper));
}

// TTEST(array1, array2, tails, type): Student's t-test of the means: type 1 paired, 2 two
// samples of equal variance, 3 two samples of unequal variance (Welch's degrees of freedom).
void TTest(Handler& h) {
  TArgs args(h);
  const double type = std::trunc(args.Number());
  const double tails = std::trunc(args.Number());
  const TArgument second = args.Any();
  const TArgument first = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  if ((tails != 1 && tails != 2) || type < 1 || type > 3) return FailWith(h, ecNum);
  std::vector<double> x, y;
  uint8_t error = 0;
  double t = 0, df = 0;
  if (type == 1) {
    if (!Pairs(h, first, second, x, y, error)) return FailWith(h, error);
    std::vector<double> d(x.size());
    for (size_t i = 0; i < x.size(); ++i) d[i] = x[i] - y[i];
    if (d.size() < 2) return FailWith(h, ecDivZero);
    const double v = Variance(d);
    if (v == 0) return FailWith(h, ecDivZero);
    const double n = static_cast<double>(d.size());
    t = Mean(d) / std::sqrt(v / n);
    df = n - 1;
  } else {
    if (!ArgumentNumbers(h, first, lnNumbers, x, error) ||
        !ArgumentNumbers(h, second, lnNumbers, y, error))
      return FailWith(h, error);
    if (x.size() < 2 || y.size() < 2) return FailWith(h, ecDivZero);
    const double nx = static_cast<double>(x.size()), ny = static_cast<double>(y.size());
    const double vx = Variance(x), vy = Variance(y);
    if (type == 2) {
      df = nx + ny - 2;
      const double pooled = ((nx - 1) * vx + (ny - 1) * vy) / df;
      if (pooled == 0) return FailWith(h, ecDivZero);
      t = (Mean(x) - Mean(y)) / std::sqrt(pooled * (1 / nx + 1 / ny));
    } else {
      const double sx = vx / nx, sy = vy / ny;
      if (sx + sy == 0) return FailWith(h, ecDivZero);
      t = (Mean(x) - Mean(y)) / std::sqrt(sx + sy);
      df = (sx + sy) * (sx + sy) / (sx * sx / (nx - 1) + sy * sy / (ny - 1));
    }
  }
  PushResult(h, tails * StudentUpper(std::fabs(t), df));
}

// ZTEST(array, x [, sigma]): the one-tailed probability of a mean at least as large as the
// array's, for a normal population of mean x (and the sample's standard deviation when sigma is
// omitted).
void ZTest(Handler& h) {
  TArgs args(h);
  const bool hasSigma = args.Count() >= 3;
  double sigma = hasSigma ? args.Number() : 0;
  const double mu = args.Number();
  const TArgument data = args.Any();
  std::vector<double> x;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, data, lnNumbers, x, error)) return FailWith(h, error);
  if (args.Failed()) return FailWith(h, args.Error());
  if (x.empty() || (!hasSigma && x.size() < 2)) return FailWith(h, ecDivZero);
  if (!hasSigma) sigma = std::sqrt(Variance(x));
  if (sigma <= 0) return FailWith(h, hasSigma ? ecNum : ecDivZero);
  PushResult(h, NormalUpper((Mean(x) - mu) / (sigma / std::sqrt(static_cast<double>(x.size())))));
}

// PROB(values, probabilities, lower [, upper]): the chance of a value from lower to upper (equal
// to lower when upper is omitted); the probabilities lie in [0, 1] and add up to 1.
void Prob(Handler& h) {
  TArgs args(h);
  const bool hasUpper = args.Count() >= 4;
  const double upperArg = hasUpper ? args.Number() : 0;
  const double lower = args.Number();
  const double upper = hasUpper ? upperArg : lower;
  const TArgument probabilities = args.Any();
  const TArgument values = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  std::vector<double> x, p;
  uint8_t error = 0;
  if (!Pairs(h, values, probabilities, x, p, error)) return FailWith(h, error);
  double total = 0, sum = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] < 0 || p[i] > 1) return FailWith(h, ecNum);
    total += p[i];
    if (x[i] >= lower && x[i] <= upper) sum += p[i];
  }
  if (std::fabs(total - 1) > 1e-7) return FailWith(h, ecNum);
  PushResult(h, sum);
}

constexpr TRoutine kRoutines[] = {
    {"CHITEST", ChiTest}, {"FTEST", FTest}, {"PROB", Prob},
    {"TTEST", TTest},     {"ZTEST", ZTest},
};

}  // namespace

void RegisterInferenceFunctions() { RegisterRoutines(kRoutines); }
