#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSProbability.h"

// The probability distributions of Excel 97-2003, with its argument rules: counts and degrees of
// freedom are truncated to whole numbers, a cumulative flag is any number or truth value (not 0
// meaning the distribution function, 0 the density or mass), and an argument outside the
// distribution's domain is "#NUM!". The special functions are those of cxSSProbability.h.

namespace {

using namespace cxfunctions;
using namespace cxprobability;
using Handler = TcxSSFunctionHandler;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The routine's arguments as numbers, in the written order; false (the routine's result is the
// error of the leftmost argument that failed) when one is no number.
bool PopNumbers(Handler& h, std::vector<double>& x) {
  TArgs args(h);
  x.assign(static_cast<size_t>(std::max(args.Count(), 0)), 0);
  for (size_t i = x.size(); i-- > 0;) x[i] = args.Number();
  if (!args.Failed()) return true;
  FailWith(h, args.Error());
  return false;
}

// The routine's arguments as numbers, the optional ones after the first `required` defaulting
// to `defaults`.
bool PopNumbers(Handler& h, std::vector<double>& x, size_t required,
                std::initializer_list<double> defaults) {
  if (!PopNumbers(h, x)) return false;
  size_t k = 0;
  for (const double d : defaults)
    if (x.size() <= required + k++) x.push_back(d);
  return true;
}

// Pushes the result, "#NUM!" for NaN or infinity.
void Result(Handler& h, double x) { PushResult(h, x); }

double Whole(double x) { return std::trunc(x); }

// --- Normal ------------------------------------------------------------------------------------

// NORMDIST(x, mean, sd, cumulative)
void NormDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double z = (a[0] - a[1]) / a[2];
  if (!(a[2] > 0)) return FailWith(h, ecNum);
  Result(h, a[3] != 0 ? NormalLower(z) : NormalDensity(z) / a[2]);
}

void NormSDist(Handler& h) {
  std::vector<double> a;
  if (PopNumbers(h, a)) Result(h, NormalLower(a[0]));
}

// NORMINV(p, mean, sd)
void NormInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!(a[2] > 0)) return FailWith(h, ecNum);
  Result(h, a[1] + a[2] * NormalInverse(a[0]));
}

void NormSInv(Handler& h) {
  std::vector<double> a;
  if (PopNumbers(h, a)) Result(h, NormalInverse(a[0]));
}

// LOGNORMDIST(x, mean, sd): the distribution function of x whose logarithm is normal.
void LogNormDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!(a[0] > 0) || !(a[2] > 0)) return FailWith(h, ecNum);
  Result(h, NormalLower((std::log(a[0]) - a[1]) / a[2]));
}

// LOGINV(p, mean, sd)
void LogInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!(a[2] > 0)) return FailWith(h, ecNum);
  Result(h, std::exp(a[1] + a[2] * NormalInverse(a[0])));
}

// STANDARDIZE(x, mean, sd)
void Standardize(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!(a[2] > 0)) return FailWith(h, ecNum);
  Result(h, (a[0] - a[1]) / a[2]);
}

// CONFIDENCE(alpha, sd, n): half the width of the confidence interval of a mean.
void Confidence(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double n = Whole(a[2]);
  if (!(a[0] > 0 && a[0] < 1) || !(a[1] > 0) || n < 1) return FailWith(h, ecNum);
  Result(h, -NormalInverse(a[0] / 2) * a[1] / std::sqrt(n));
}

// FISHER(x) and FISHERINV(y).
void Fisher(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!(std::fabs(a[0]) < 1)) return FailWith(h, ecNum);
  Result(h, std::atanh(a[0]));
}

void FisherInv(Handler& h) {
  std::vector<double> a;
  if (PopNumbers(h, a)) Result(h, std::tanh(a[0]));
}

// --- Exponential, Weibull, gamma and beta ----------------------------------------------------

// EXPONDIST(x, lambda, cumulative)
void ExponDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (a[0] < 0 || !(a[1] > 0)) return FailWith(h, ecNum);
  Result(h, a[2] != 0 ? -std::expm1(-a[1] * a[0]) : a[1] * std::exp(-a[1] * a[0]));
}

// WEIBULL(x, alpha, beta, cumulative)
void Weibull(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double x = a[0], shape = a[1], scale = a[2];
  if (x < 0 || !(shape > 0) || !(scale > 0)) return FailWith(h, ecNum);
  const double power = std::pow(x / scale, shape);
  if (a[3] != 0) return Result(h, -std::expm1(-power));
  Result(h, shape / std::pow(scale, shape) * std::pow(x, shape - 1) * std::exp(-power));
}

// GAMMADIST(x, alpha, beta, cumulative)
void GammaDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double x = a[0], shape = a[1], scale = a[2];
  if (x < 0 || !(shape > 0) || !(scale > 0)) return FailWith(h, ecNum);
  Result(h, a[3] != 0 ? GammaLower(shape, x / scale) : GammaDensity(x, shape, scale));
}

// GAMMAINV(p, alpha, beta)
void GammaInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double p = a[0], shape = a[1], scale = a[2];
  if (p < 0 || p >= 1 || !(shape > 0) || !(scale > 0)) return FailWith(h, ecNum);
  if (p == 0) return h.PushNumber(0);
  Result(h, Solve([&](double x) { return GammaLower(shape, x / scale); },
                  [&](double x) { return GammaDensity(x, shape, scale); }, p, 0, kInfinity));
}

// GAMMALN(x)
void GammaLn(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!(a[0] > 0)) return FailWith(h, ecNum);
  Result(h, LogGamma(a[0]));
}

double BetaDensity(double x, double alpha, double beta) {
  if (x <= 0 || x >= 1) return 0;
  return std::exp((alpha - 1) * std::log(x) + (beta - 1) * std::log1p(-x) - LogBeta(alpha, beta));
}

// BETADIST(x, alpha, beta [, A [, B]]): the distribution function over [A, B] (0 and 1 when
// omitted).
void BetaDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a, 3, {0, 1})) return;
  const double x = a[0], alpha = a[1], beta = a[2], low = a[3], high = a[4];
  if (!(alpha > 0) || !(beta > 0) || !(low < high) || x < low || x > high)
    return FailWith(h, ecNum);
  Result(h, BetaLower((x - low) / (high - low), alpha, beta));
}

// BETAINV(p, alpha, beta [, A [, B]])
void BetaInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a, 3, {0, 1})) return;
  const double p = a[0], alpha = a[1], beta = a[2], low = a[3], high = a[4];
  if (!(alpha > 0) || !(beta > 0) || !(low < high) || !(p >= 0 && p <= 1))
    return FailWith(h, ecNum);
  const double x = p == 0 || p == 1 ? p
                          : Solve([&](double t) { return BetaLower(t, alpha, beta); },
                                  [&](double t) { return BetaDensity(t, alpha, beta); }, p, 0, 1);
  Result(h, low + x * (high - low));
}

// --- Chi-squared, F and t ----------------------------------------------------------------------

// Degrees of freedom: whole, from 1 to 10^10.
bool DegreesOfFreedom(double& df) {
  df = Whole(df);
  return df >= 1 && df <= 1e10;
}

// CHIDIST(x, df): the upper tail (1 for x below 0).
void ChiDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (!DegreesOfFreedom(a[1])) return FailWith(h, ecNum);
  Result(h, ChiSquaredUpper(std::max(a[0], 0.0), a[1]));
}

// CHIINV(p, df): the x whose upper tail is p.
void ChiInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double p = a[0];
  if (!(p > 0 && p <= 1) || !DegreesOfFreedom(a[1])) return FailWith(h, ecNum);
  if (p == 1) return h.PushNumber(0);
  const double df = a[1];
  Result(h, Solve([&](double x) { return ChiSquaredUpper(x, df); },
                  [&](double x) { return -0.5 * GammaDensity(x / 2, df / 2, 1); }, p, 0,
                  kInfinity));
}

// FDIST(x, df1, df2): the upper tail.
void FDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  if (a[0] < 0 || !DegreesOfFreedom(a[1]) || !DegreesOfFreedom(a[2])) return FailWith(h, ecNum);
  Result(h, FUpper(a[0], a[1], a[2]));
}

// FINV(p, df1, df2): the x whose upper tail is p.
void FInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double p = a[0];
  if (!(p > 0 && p <= 1) || !DegreesOfFreedom(a[1]) || !DegreesOfFreedom(a[2]))
    return FailWith(h, ecNum);
  if (p == 1) return h.PushNumber(0);
  const double d1 = a[1], d2 = a[2];
  Result(h, Solve([&](double x) { return FUpper(x, d1, d2); },
                  [&](double x) { return -FDensity(x, d1, d2); }, p, 0, kInfinity));
}

// TDIST(x, df, tails): the upper tail beyond x >= 0, doubled for two tails.
void TDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double tails = Whole(a[2]);
  if (a[0] < 0 || !DegreesOfFreedom(a[1]) || (tails != 1 && tails != 2)) return FailWith(h, ecNum);
  Result(h, tails * StudentUpper(a[0], a[1]));
}

// TINV(p, df): the t >= 0 whose two tails together are p.
void TInv(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double p = a[0];
  if (!(p > 0 && p <= 1) || !DegreesOfFreedom(a[1])) return FailWith(h, ecNum);
  if (p == 1) return h.PushNumber(0);
  const double df = a[1];
  Result(h, Solve([&](double t) { return 2 * StudentUpper(t, df); },
                  [&](double t) { return -2 * StudentDensity(t, df); }, p, 0, kInfinity));
}

// --- Discrete ------------------------------------------------------------------------------------

// ln C(n, k).
double LogChoose(double n, double k) {
  return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
}

// POISSON(x, mean, cumulative)
void Poisson(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double x = Whole(a[0]), mean = a[1];
  if (x < 0 || mean <= 0) return FailWith(h, ecNum);
  if (a[2] != 0) return Result(h, GammaUpper(x + 1, mean));
  Result(h, std::exp(x * std::log(mean) - mean - std::lgamma(x + 1)));
}

double BinomialMass(double k, double n, double p) {
  if (p == 0) return k == 0 ? 1 : 0;
  if (p == 1) return k == n ? 1 : 0;
  return std::exp(LogChoose(n, k) + k * std::log(p) + (n - k) * std::log1p(-p));
}

double BinomialLower(double k, double n, double p) {
  if (k >= n) return 1;
  if (p == 0) return 1;
  if (p == 1) return 0;
  return BetaUpper(p, k + 1, n - k);
}

// BINOMDIST(successes, trials, p, cumulative)
void BinomDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double k = Whole(a[0]), n = Whole(a[1]), p = a[2];
  if (k < 0 || k > n || p < 0 || p > 1) return FailWith(h, ecNum);
  Result(h, a[3] != 0 ? BinomialLower(k, n, p) : BinomialMass(k, n, p));
}

// CRITBINOM(trials, p, alpha): the smallest count whose distribution function reaches alpha.
void CritBinom(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double n = Whole(a[0]), p = a[1], alpha = a[2];
  if (n < 0 || p < 0 || p > 1 || alpha < 0 || alpha > 1) return FailWith(h, ecNum);
  // Bisection over the counts: the distribution function rises with them.
  double low = -1, high = n;
  while (high - low > 1) {
    const double mid = std::floor((low + high) / 2);
    if (BinomialLower(mid, n, p) >= alpha * (1 - 1e-15))
      high = mid;
    else
      low = mid;
  }
  h.PushNumber(high);
}

// NEGBINOMDIST(failures, successes, p): the chance of that many failures before the
// successes.
void NegBinomDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double f = Whole(a[0]), s = Whole(a[1]), p = a[2];
  if (f < 0 || s < 1 || f + s <= 1 || p < 0 || p > 1) return FailWith(h, ecNum);
  if (p == 0 || p == 1) return h.PushNumber(p == 1 && f == 0 ? 1 : 0);
  Result(h, std::exp(LogChoose(f + s - 1, s - 1) + s * std::log(p) + f * std::log1p(-p)));
}

// HYPGEOMDIST(sample_successes, sample, population_successes, population)
void HypGeomDist(Handler& h) {
  std::vector<double> a;
  if (!PopNumbers(h, a)) return;
  const double x = Whole(a[0]), n = Whole(a[1]), m = Whole(a[2]), total = Whole(a[3]);
  if (x < 0 || n < 0 || m < 0 || x > n || x > m || n > total || m > total ||
      n - x > total - m)
    return FailWith(h, ecNum);
  Result(h, std::exp(LogChoose(m, x) + LogChoose(total - m, n - x) - LogChoose(total, n)));
}

constexpr TRoutine kRoutines[] = {
    {"BETADIST", BetaDist},       {"BETAINV", BetaInv},         {"BINOMDIST", BinomDist},
    {"CHIDIST", ChiDist},         {"CHIINV", ChiInv},           {"CONFIDENCE", Confidence},
    {"CRITBINOM", CritBinom},     {"EXPONDIST", ExponDist},     {"FDIST", FDist},
    {"FINV", FInv},               {"FISHER", Fisher},           {"FISHERINV", FisherInv},
    {"GAMMADIST", GammaDist},     {"GAMMAINV", GammaInv},       {"GAMMALN", GammaLn},
    {"HYPGEOMDIST", HypGeomDist}, {"LOGINV", LogInv},           {"LOGNORMDIST", LogNormDist},
    {"NEGBINOMDIST", NegBinomDist}, {"NORMDIST", NormDist},     {"NORMINV", NormInv},
    {"NORMSDIST", NormSDist},     {"NORMSINV", NormSInv},       {"POISSON", Poisson},
    {"STANDARDIZE", Standardize}, {"TDIST", TDist},             {"TINV", TInv},
    {"WEIBULL", Weibull},
};

}  // namespace

void RegisterDistributionFunctions() { RegisterRoutines(kRoutines); }
