#include "calc/cxSSProbability.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace cxprobability {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kEpsilon = 1e-16;
constexpr double kTiny = 1e-300;
constexpr int kMaxTerms = 100000;

// e^(-x) x^a / Γ(a), the factor in front of both forms of the incomplete gamma function.
double GammaFront(double a, double x) { return std::exp(a * std::log(x) - x - LogGamma(a)); }

// P(a, x) by its power series; converges quickly for x < a + 1.
double GammaSeries(double a, double x) {
  double term = 1 / a;
  double sum = term;
  for (int n = 1; n < kMaxTerms; ++n) {
    term *= x / (a + n);
    sum += term;
    if (std::fabs(term) < std::fabs(sum) * kEpsilon) break;
  }
  return sum * GammaFront(a, x);
}

// Q(a, x) by its continued fraction (modified Lentz); converges quickly for x >= a + 1.
double GammaFraction(double a, double x) {
  double b = x + 1 - a;
  double c = 1 / kTiny;
  double d = 1 / b;
  double h = d;
  for (int i = 1; i < kMaxTerms; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1) < kEpsilon) break;
  }
  return GammaFront(a, x) * h;
}

// The continued fraction of I_x(a, b) (modified Lentz), for x < (a + 1) / (a + b + 2).
double BetaFraction(double x, double a, double b) {
  const double qab = a + b;
  const double qap = a + 1;
  const double qam = a - 1;
  double c = 1;
  double d = 1 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1 / d;
  double h = d;
  for (int m = 1; m < kMaxTerms; ++m) {
    const double m2 = 2.0 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double step = d * c;
    h *= step;
    if (std::fabs(step - 1) < kEpsilon) break;
  }
  return h;
}

// x^a (1 - x)^b / (a B(a, b)) times the continued fraction: I_x(a, b) on the side where the
// fraction converges.
double BetaSide(double x, double a, double b) {
  const double front = std::exp(a * std::log(x) + b * std::log1p(-x) - LogBeta(a, b));
  return front * BetaFraction(x, a, b) / a;
}

}  // namespace

double NormalDensity(double x) { return std::exp(-0.5 * x * x) / std::sqrt(2 * std::numbers::pi); }

double NormalLower(double x) { return 0.5 * std::erfc(-x / std::numbers::sqrt2); }

double NormalUpper(double x) { return 0.5 * std::erfc(x / std::numbers::sqrt2); }

double NormalInverse(double p) {
  if (!(p > 0 && p < 1)) return kNaN;
  // The upper half by symmetry, so that the tail is always the small side.
  if (p > 0.5) return -NormalInverse(1 - p);
  // A rational first guess (Abramowitz and Stegun 26.2.23, within 4.5e-4), then Halley steps
  // on the lower tail, which has no cancellation here.
  const double t = std::sqrt(-2 * std::log(p));
  double x = -(t - (2.515517 + 0.802853 * t + 0.010328 * t * t) /
                       (1 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t));
  for (int i = 0; i < 8; ++i) {
    const double e = NormalLower(x) - p;
    const double u = e * std::sqrt(2 * std::numbers::pi) * std::exp(0.5 * x * x);
    const double next = x - u / (1 + 0.5 * x * u);
    if (!std::isfinite(next)) break;
    const bool done = std::fabs(next - x) <= 1e-15 * std::fabs(next);
    x = next;
    if (done) break;
  }
  return x;
}

double LogGamma(double x) { return x > 0 ? std::lgamma(x) : kNaN; }

double GammaLower(double a, double x) {
  if (!(a > 0) || !(x >= 0)) return kNaN;
  if (x == 0) return 0;
  if (std::isinf(x)) return 1;
  return x < a + 1 ? GammaSeries(a, x) : 1 - GammaFraction(a, x);
}

double GammaUpper(double a, double x) {
  if (!(a > 0) || !(x >= 0)) return kNaN;
  if (x == 0) return 1;
  if (std::isinf(x)) return 0;
  return x < a + 1 ? 1 - GammaSeries(a, x) : GammaFraction(a, x);
}

double LogBeta(double a, double b) { return std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b); }

double BetaLower(double x, double a, double b) {
  if (!(a > 0) || !(b > 0) || !(x >= 0 && x <= 1)) return kNaN;
  if (x == 0) return 0;
  if (x == 1) return 1;
  return x < (a + 1) / (a + b + 2) ? BetaSide(x, a, b) : 1 - BetaSide(1 - x, b, a);
}

double BetaUpper(double x, double a, double b) {
  if (!(a > 0) || !(b > 0) || !(x >= 0 && x <= 1)) return kNaN;
  if (x == 0) return 1;
  if (x == 1) return 0;
  return x < (a + 1) / (a + b + 2) ? 1 - BetaSide(x, a, b) : BetaSide(1 - x, b, a);
}

double ChiSquaredUpper(double x, double df) { return GammaUpper(df / 2, x / 2); }

double FUpper(double x, double df1, double df2) {
  return BetaLower(df2 / (df2 + df1 * x), df2 / 2, df1 / 2);
}

double FDensity(double x, double df1, double df2) {
  if (x <= 0) return 0;
  return std::exp(0.5 * df1 * std::log(df1 * x) + 0.5 * df2 * std::log(df2) -
                  0.5 * (df1 + df2) * std::log(df1 * x + df2) - LogBeta(df1 / 2, df2 / 2)) /
         x;
}

double StudentUpper(double t, double df) {
  return 0.5 * BetaLower(df / (df + t * t), df / 2, 0.5);
}

double StudentDensity(double t, double df) {
  return std::exp(-0.5 * (df + 1) * std::log1p(t * t / df) - LogBeta(0.5, df / 2)) /
         std::sqrt(df);
}

double GammaDensity(double x, double shape, double scale) {
  if (x == 0) return shape < 1 ? kNaN : (shape == 1 ? 1 / scale : 0);
  return std::exp((shape - 1) * std::log(x) - x / scale - LogGamma(shape) -
                  shape * std::log(scale));
}

double Solve(const std::function<double(double)>& f, const std::function<double(double)>& slope,
             double target, double low, double high) {
  const auto g = [&](double x) { return f(x) - target; };
  const double gLow = g(low);
  if (gLow == 0) return low;
  // The side of the root where g has the sign it has at `low`.
  const bool lowNegative = gLow < 0;
  if (std::isinf(high)) {
    high = std::max(1.0, 2 * std::fabs(low));
    while ((g(high) < 0) == lowNegative) {
      if (high > 1e300) return kNaN;
      low = high;
      high *= 2;
    }
  } else if ((g(high) < 0) == lowNegative) {
    return kNaN;
  }
  double x = 0.5 * (low + high);
  for (int i = 0; i < 1000; ++i) {
    const double gx = g(x);
    if (gx == 0 || std::isnan(gx)) return gx == 0 ? x : kNaN;
    if ((gx < 0) == lowNegative)
      low = x;
    else
      high = x;
    const double s = slope(x);
    double next = s != 0 && std::isfinite(s) ? x - gx / s : kNaN;
    // A Newton step that leaves the bracket gives way to halving it.
    if (!(next > std::min(low, high) && next < std::max(low, high))) next = 0.5 * (low + high);
    if (std::fabs(next - x) <= 4 * kEpsilon * std::fabs(next) || next == x) return next;
    x = next;
  }
  return x;
}

}  // namespace cxprobability
