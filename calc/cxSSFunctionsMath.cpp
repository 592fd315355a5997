#include <cmath>
#include <numbers>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctions.h"

// Mathematical and trigonometric functions. Arguments arrive last first.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

uint32_t randomSeed = 0;

// Beyond this many decimal places scaling by powers of ten leaves the doubles.
constexpr int kMaxScale = 400;

void Abs(Handler& h) { PushResult(h, std::fabs(h.PopNumber())); }
void Acos(Handler& h) { PushResult(h, std::acos(h.PopNumber())); }
void Acosh(Handler& h) { PushResult(h, std::acosh(h.PopNumber())); }
void Asin(Handler& h) { PushResult(h, std::asin(h.PopNumber())); }
void Asinh(Handler& h) { PushResult(h, std::asinh(h.PopNumber())); }
void Atan(Handler& h) { PushResult(h, std::atan(h.PopNumber())); }
void Atanh(Handler& h) { PushResult(h, std::atanh(h.PopNumber())); }
void Cos(Handler& h) { PushResult(h, std::cos(h.PopNumber())); }
void Cosh(Handler& h) { PushResult(h, std::cosh(h.PopNumber())); }
void Sin(Handler& h) { PushResult(h, std::sin(h.PopNumber())); }
void Sinh(Handler& h) { PushResult(h, std::sinh(h.PopNumber())); }
void Tan(Handler& h) { PushResult(h, std::tan(h.PopNumber())); }
void Tanh(Handler& h) { PushResult(h, std::tanh(h.PopNumber())); }
void Exp(Handler& h) { PushResult(h, std::exp(h.PopNumber())); }
void Int(Handler& h) { PushResult(h, std::floor(h.PopNumber())); }
void Log10(Handler& h) { PushResult(h, std::log10(h.PopNumber())); }
void Degrees(Handler& h) { PushResult(h, h.PopNumber() * 180 / std::numbers::pi); }
void Radians(Handler& h) { PushResult(h, h.PopNumber() * std::numbers::pi / 180); }
void Pi(Handler& h) { h.PushNumber(std::numbers::pi); }
void Rand(Handler& h) { h.PushNumber(NextRandom()); }

void Atan2(Handler& h) {
  const double y = h.PopNumber();
  const double x = h.PopNumber();
  PushResult(h, std::atan2(y, x));
}

void Power(Handler& h) {
  const double exponent = h.PopNumber();
  const double base = h.PopNumber();
  PushResult(h, std::pow(base, exponent));
}

void Sign(Handler& h) {
  const double x = h.PopNumber();
  h.PushNumber(x > 0 ? 1 : (x < 0 ? -1 : 0));
}

void Sqrt(Handler& h) {
  const double x = h.PopNumber();
  if (x < 0)
    Fail(h, ecNum);
  else
    PushResult(h, std::sqrt(x));
}

// The logarithm of 0 is a division by zero, as the division operator reports it.
void Ln(Handler& h) {
  const double x = h.PopNumber();
  if (x == 0)
    Fail(h, ecDivZero);
  else
    PushResult(h, std::log(x));
}

void Log(Handler& h) {
  const double base = h.ArgCount() >= 2 ? h.PopNumber() : 10;
  const double x = h.PopNumber();
  if (base <= 0 || x <= 0)
    Fail(h, ecNum);
  else if (base == 1)
    Fail(h, ecDivZero);
  else
    PushResult(h, std::log(x) / std::log(base));
}

// Away from zero to the next even (odd) integer.
void Even(Handler& h) {
  const double x = h.PopNumber();
  double a = std::ceil(std::fabs(x));
  if (std::fmod(a, 2) != 0) a += 1;
  PushResult(h, x < 0 ? -a : a);
}

void Odd(Handler& h) {
  const double x = h.PopNumber();
  double a = std::ceil(std::fabs(x));
  if (std::fmod(a, 2) == 0) a += 1;
  PushResult(h, x < 0 ? -a : a);
}

void Fact(Handler& h) {
  const double n = std::floor(h.PopNumber());
  double product = 1;
  for (double k = 2; k <= n && std::isfinite(product); ++k) product *= k;
  PushResult(h, product);
}

// CEILING and FLOOR: x and the significance s work scaled by the power of ten that makes s
// whole, so that CEILING(0.3, 0.1) is 0.3 rather than 0.30000000000000004.
void Multiple(Handler& h, bool up) {
  if (h.ArgCount() < 2) {
    DropArguments(h);
    Fail(h, ecName);
    return;
  }
  double s = h.PopNumber();
  double x = h.PopNumber();
  if (s == 0) {
    Fail(h, ecDivZero);
    return;
  }
  if (!((s >= 0 && x > 0) || (s <= 0 && x < 0))) {
    Fail(h, ecNum);
    return;
  }
  double scale = 1;
  for (int k = 0; k < 20 && std::trunc(SnapToShownDigits(s * scale)) != SnapToShownDigits(s * scale);
       ++k)
    scale *= 10;
  s = std::fabs(SnapToShownDigits(s * scale));
  x = x * scale;
  double q = SnapToShownDigits(x / s);
  if (up) {
    if (q != std::trunc(q)) q = q > 0 ? std::trunc(q) + 1 : std::trunc(q) - 1;
  } else {
    q = std::trunc(q);
  }
  PushResult(h, q * s / scale);
}

void Ceiling(Handler& h) { Multiple(h, true); }
void Floor(Handler& h) { Multiple(h, false); }

// x minus the divisor as often as it fits, then floor: MOD(7.5, 2) is 1 and MOD(-7, 3) is -7.
// Repeated subtraction is done at once by fmod, which is exact; a negative divisor would
// never stop subtracting and gives "#NUM!" (with x pushed, as after a zero divisor).
void Mod(Handler& h) {
  const double d = h.PopNumber();
  const double x = h.PopNumber();
  if (d <= 0) {
    h.SetError(d == 0 ? ecDivZero : ecNum);
    h.PushNumber(x);
    return;
  }
  const double r = x >= d ? std::fmod(x, d) : x;
  PushResult(h, std::floor(r));
}

// Half away from zero.
double RoundAway(double y) {
  double whole = std::trunc(y);
  if (std::fabs(y - whole) >= 0.5) whole += y >= 0 ? 1 : -1;
  return whole;
}

void Round(Handler& h) {
  const int digits = RoundToInt(h.PopNumber(), -kMaxScale, kMaxScale);
  const double x = h.PopNumber();
  double result;
  if (digits >= 0) {
    const double p = std::pow(10.0, digits);
    const double scaled = x * p;
    // More digits than a double holds: nothing to round.
    result = std::isfinite(scaled) ? RoundAway(SnapToShownDigits(scaled)) / p : x;
  } else {
    const double p = std::pow(10.0, -digits);
    result = RoundAway(SnapToShownDigits(x / p)) * p;
  }
  if (!std::isfinite(result)) result = 0;
  h.PushNumber(result);
}

// ROUNDDOWN, ROUNDUP and TRUNC: x times ten, n times (none for n <= 0), rounded by `whole`, and
// divided by ten as often. The rounding works on doubles, so values beyond the 32-bit (64-bit)
// integers keep their value instead of failing.
template <typename Whole>
double RoundDecimals(double x, int n, Whole whole) {
  n = std::min(n, kMaxScale);
  double scaled = x;
  for (int k = 0; k < n; ++k) scaled *= 10;
  if (!std::isfinite(scaled)) return x;
  double result = whole(SnapToShownDigits(scaled));
  for (int k = 0; k < n; ++k) result /= 10;
  return result;
}

void RoundDown(Handler& h) {
  const int n = RoundToInt(h.PopNumber(), -kMaxScale, kMaxScale);
  const double x = h.PopNumber();
  PushResult(h, RoundDecimals(x, n, [](double v) { return std::floor(v); }));
}

void RoundUp(Handler& h) {
  const int n = RoundToInt(h.PopNumber(), -kMaxScale, kMaxScale);
  const double x = h.PopNumber();
  PushResult(h, RoundDecimals(x, n, [](double v) { return std::ceil(v); }));
}

void Trunc(Handler& h) {
  const int n = h.ArgCount() >= 2 ? RoundToInt(h.PopNumber(), -kMaxScale, kMaxScale) : 0;
  const double x = h.PopNumber();
  PushResult(h, RoundDecimals(x, n, [](double v) { return std::trunc(v); }));
}

constexpr TRoutine kRoutines[] = {
    {"ABS", Abs},         {"ACOS", Acos},         {"ACOSH", Acosh},   {"ASIN", Asin},
    {"ASINH", Asinh},     {"ATAN", Atan},         {"ATAN2", Atan2},   {"ATANH", Atanh},
    {"CEILING", Ceiling}, {"COS", Cos},           {"COSH", Cosh},     {"DEGREES", Degrees},
    {"EVEN", Even},       {"EXP", Exp},           {"FACT", Fact},     {"FLOOR", Floor},
    {"INT", Int},         {"LN", Ln},             {"LOG", Log},       {"LOG10", Log10},
    {"MOD", Mod},         {"ODD", Odd},           {"PI", Pi},         {"POWER", Power},
    {"RADIANS", Radians}, {"RAND", Rand},         {"ROUND", Round},   {"ROUNDDOWN", RoundDown},
    {"ROUNDUP", RoundUp}, {"SIGN", Sign},         {"SIN", Sin},       {"SINH", Sinh},
    {"SQRT", Sqrt},       {"TAN", Tan},           {"TANH", Tanh},     {"TRUNC", Trunc},
};

}  // namespace

uint32_t RandomSeed() { return randomSeed; }

void SetRandomSeed(uint32_t seed) { randomSeed = seed; }

double NextRandom() {
  randomSeed = randomSeed * 134775813u + 1u;
  return randomSeed / 4294967296.0;
}

void RegisterMathFunctions() { RegisterRoutines(kRoutines); }
