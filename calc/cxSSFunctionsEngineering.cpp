#include <cmath>
#include <cstdint>
#include <string>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// The engineering add-in: number base conversions, comparisons, the error function and the
// Bessel functions. Negative
// numbers are written as ten digits in two's complement: 10 bits in binary, 30 in octal, 40 in
// hexadecimal.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

struct TBase {
  int Radix;
  int BitsPerDigit;
};

constexpr TBase kBinary{2, 1};
constexpr TBase kOctal{8, 3};
constexpr TBase kHex{16, 4};
constexpr int kDigits = 10;

int64_t Limit(const TBase& base) { return int64_t(1) << (base.BitsPerDigit * kDigits - 1); }

// The digits of a whole number in the base: ten digits of two's complement for a negative
// one, else as few as it needs, padded with zeros to `places` when given. False ("#NUM!") for a
// number outside the ten digits or too many digits for the places.
bool Digits(int64_t n, const TBase& base, bool hasPlaces, double places, std::string& digits) {
  const int64_t limit = Limit(base);
  if (n < -limit || n >= limit) return false;
  if (hasPlaces && (places < 1 || places > kDigits)) return false;
  if (n < 0) n += limit * 2;
  digits.clear();
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[n % base.Radix]);
    n /= base.Radix;
  } while (n > 0);
  if (digits.size() < kDigits && hasPlaces) {
    if (digits.size() > size_t(places)) return false;
    digits.insert(0, size_t(places) - digits.size(), '0');
  }
  return true;
}

// The value of at most ten digits in the base; ten with the top bit set are negative.
bool Parse(std::string_view text, const TBase& base, int64_t& n) {
  if (text.size() > kDigits) return false;
  n = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= base.Radix) return false;
    n = n * base.Radix + digit;
  }
  const int64_t limit = Limit(base);
  if (n >= limit) n -= limit * 2;
  return true;
}

// The optional places argument of the conversions into a base, truncated.
double PopPlaces(TArgs& args, bool& hasPlaces) {
  hasPlaces = args.Count() >= 2;
  return hasPlaces ? std::trunc(args.Number()) : 0;
}

// DEC2BIN, DEC2OCT, DEC2HEX(number [, places]).
void FromDecimal(Handler& h, const TBase& base) {
  TArgs args(h);
  bool hasPlaces = false;
  const double places = PopPlaces(args, hasPlaces);
  const TValue v = args.Single();
  double x = 0;
  uint8_t error = 0;
  if (!args.Failed() && (v.Kind == vkBool || !ToNumber(h, v, x, error)))
    args.SetError(error ? error : uint8_t(ecValue));
  if (args.Failed()) return FailWith(h, args.Error());
  x = std::trunc(x);
  std::string digits;
  if (std::fabs(x) > 1e12 || !Digits(static_cast<int64_t>(x), base, hasPlaces, places, digits))
    return FailWith(h, ecNum);
  h.PushText(digits);
}

// BIN2DEC, OCT2DEC, HEX2DEC(text).
void ToDecimal(Handler& h, const TBase& base) {
  TArgs args(h);
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  int64_t n = 0;
  if (!Parse(text, base, n)) return FailWith(h, ecNum);
  h.PushNumber(static_cast<double>(n));
}

// BIN2HEX, HEX2OCT, ... (text [, places]): from one base into another; a negative number keeps
// its sign, so it must fit the ten digits of the new base.
void Between(Handler& h, const TBase& from, const TBase& to) {
  TArgs args(h);
  bool hasPlaces = false;
  const double places = PopPlaces(args, hasPlaces);
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  int64_t n = 0;
  std::string digits;
  if (!Parse(text, from, n) || !Digits(n, to, hasPlaces, places, digits)) return FailWith(h, ecNum);
  h.PushText(digits);
}

void Dec2Bin(Handler& h) { FromDecimal(h, kBinary); }
void Dec2Oct(Handler& h) { FromDecimal(h, kOctal); }
void Dec2Hex(Handler& h) { FromDecimal(h, kHex); }
void Bin2Dec(Handler& h) { ToDecimal(h, kBinary); }
void Oct2Dec(Handler& h) { ToDecimal(h, kOctal); }
void Hex2Dec(Handler& h) { ToDecimal(h, kHex); }
void Bin2Oct(Handler& h) { Between(h, kBinary, kOctal); }
void Bin2Hex(Handler& h) { Between(h, kBinary, kHex); }
void Oct2Bin(Handler& h) { Between(h, kOctal, kBinary); }
void Oct2Hex(Handler& h) { Between(h, kOctal, kHex); }
void Hex2Bin(Handler& h) { Between(h, kHex, kBinary); }
void Hex2Oct(Handler& h) { Between(h, kHex, kOctal); }

// DELTA(a [, b]): 1 when the numbers are equal (b is 0 when omitted); GESTEP(x [, step]): 1
// when x is at least the step. Texts and truth values are "#VALUE!".
bool PopStrictNumber(Handler& h, TArgs& args, double& x) {
  const TValue v = args.Single();
  uint8_t error = 0;
  if (args.Failed()) return false;
  if (v.Kind == vkBool || v.Kind == vkText || !ToNumber(h, v, x, error)) {
    args.SetError(error ? error : uint8_t(ecValue));
    return false;
  }
  return true;
}

void Compare(Handler& h, bool equal) {
  TArgs args(h);
  double b = 0, a = 0;
  if (args.Count() >= 2) PopStrictNumber(h, args, b);
  PopStrictNumber(h, args, a);
  if (args.Failed()) return FailWith(h, args.Error());
  h.PushNumber(equal ? (a == b ? 1 : 0) : (a >= b ? 1 : 0));
}

void Delta(Handler& h) { Compare(h, true); }
void GeStep(Handler& h) { Compare(h, false); }

// ERF(lower [, upper]): the error function at lower, or its integral from lower to upper;
// ERFC(x): 1 - ERF(x).
void Erf(Handler& h) {
  TArgs args(h);
  double upper = 0;
  const bool between = args.Count() >= 2;
  if (between) PopStrictNumber(h, args, upper);
  double lower = 0;
  PopStrictNumber(h, args, lower);
  if (args.Failed()) return FailWith(h, args.Error());
  PushResult(h, between ? std::erf(upper) - std::erf(lower) : std::erf(lower));
}

void Erfc(Handler& h) {
  TArgs args(h);
  double x = 0;
  PopStrictNumber(h, args, x);
  if (args.Failed()) return FailWith(h, args.Error());
  PushResult(h, std::erfc(x));
}

// BESSELI, BESSELJ, BESSELK and BESSELY(x, n): the modified and ordinary Bessel functions of
// the first and second kinds, of the whole order n >= 0; K and Y want x > 0. The first kinds
// of a negative x follow from their symmetry: J_n(-x) = (-1)^n J_n(x), and so for I.
template <char Kind>
void Bessel(Handler& h) {
  TArgs args(h);
  double n = 0, x = 0;
  PopStrictNumber(h, args, n);
  PopStrictNumber(h, args, x);
  if (args.Failed()) return FailWith(h, args.Error());
  n = std::trunc(n);
  if (n < 0 || n > 1000) return FailWith(h, ecNum);
  if ((Kind == 'K' || Kind == 'Y') && x <= 0) return FailWith(h, ecNum);
  const double sign = x < 0 && std::fmod(n, 2) != 0 ? -1 : 1;
  const double ax = std::fabs(x);
  double value = 0;
  switch (Kind) {
    case 'I': value = sign * std::cyl_bessel_i(n, ax); break;
    case 'J': value = sign * std::cyl_bessel_j(n, ax); break;
    case 'K': value = std::cyl_bessel_k(n, x); break;
    default: value = std::cyl_neumann(n, x); break;
  }
  PushResult(h, value);
}

constexpr TRoutine kRoutines[] = {
    {"BESSELI", Bessel<'I'>}, {"BESSELJ", Bessel<'J'>}, {"BESSELK", Bessel<'K'>},
    {"BESSELY", Bessel<'Y'>},
    {"BIN2DEC", Bin2Dec}, {"BIN2HEX", Bin2Hex}, {"BIN2OCT", Bin2Oct}, {"DEC2BIN", Dec2Bin},
    {"DEC2HEX", Dec2Hex}, {"DEC2OCT", Dec2Oct}, {"DELTA", Delta},     {"ERF", Erf},
    {"ERFC", Erfc},       {"GESTEP", GeStep},   {"HEX2BIN", Hex2Bin}, {"HEX2DEC", Hex2Dec},
    {"HEX2OCT", Hex2Oct}, {"OCT2BIN", Oct2Bin}, {"OCT2DEC", Oct2Dec}, {"OCT2HEX", Oct2Hex},
};

}  // namespace

void RegisterEngineeringFunctions() { RegisterRoutines(kRoutines); }
