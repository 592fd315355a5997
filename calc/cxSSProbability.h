#pragma once

#include <functional>

// The special functions behind the statistical distributions of the function library: the
// normal distribution and its inverse, the regularized incomplete gamma and beta functions, and
// a root finder for the inverses of the others. Pure numbers in, pure numbers out; a value
// outside a function's domain gives NaN, which the routines turn into "#NUM!".
//
// Accuracy: every function here is good to about 1e-14 relative over the arguments worksheets
// use (the continued fractions stop at the double precision; the inverses are polished by
// Newton steps on the forward function).
namespace cxprobability {

// The standard normal distribution: density, lower tail Φ(x) and upper tail 1 - Φ(x) (without
// cancellation for large x), and the inverse of the lower tail for 0 < p < 1.
double NormalDensity(double x);
double NormalLower(double x);
double NormalUpper(double x);
double NormalInverse(double p);

// ln Γ(x) for x > 0.
double LogGamma(double x);

// The regularized incomplete gamma functions P(a, x) and Q(a, x) = 1 - P(a, x), for a > 0 and
// x >= 0.
double GammaLower(double a, double x);
double GammaUpper(double a, double x);

// The regularized incomplete beta function I_x(a, b) and its complement 1 - I_x(a, b), for
// a > 0, b > 0 and 0 <= x <= 1.
double BetaLower(double x, double a, double b);
double BetaUpper(double x, double a, double b);
// ln B(a, b).
double LogBeta(double a, double b);

// Upper tails of the chi-squared distribution beyond x >= 0, of the F distribution beyond
// x >= 0 and of Student's t beyond t >= 0, and their densities; the degrees of freedom need not
// be whole.
double ChiSquaredUpper(double x, double df);
double FUpper(double x, double df1, double df2);
double FDensity(double x, double df1, double df2);
double StudentUpper(double t, double df);
double StudentDensity(double t, double df);
// The density of the gamma distribution of the shape and scale at x >= 0.
double GammaDensity(double x, double shape, double scale);

// The x in [low, high] where the increasing function `f` reaches `target`: bisection that
// switches to Newton steps (with `slope`, the derivative of f) once they stay inside the
// bracket; high may be infinite, and is then found by doubling. NaN when f never reaches the
// target within the bracket.
double Solve(const std::function<double(double)>& f, const std::function<double(double)>& slope,
             double target, double low, double high);

}  // namespace cxprobability
