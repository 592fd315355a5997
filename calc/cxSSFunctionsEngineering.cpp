#include <cmath>
#include <cstdint>
#include <string>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// The number base conversions of the engineering add-in. Negative numbers are written as ten
// digits in two's complement: 10 bits in binary, 30 in octal, 40 in hexadecimal.

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

// DEC2BIN, DEC2OCT, DEC2HEX(number [, places]): places pads with zeros; too few places, or a
// number outside the ten digits, is "#NUM!".
void FromDecimal(Handler& h, const TBase& base) {
  TArgs args(h);
  const bool hasPlaces = args.Count() >= 2;
  const double places = hasPlaces ? std::trunc(args.Number()) : 0;
  const TValue v = args.Single();
  double x = 0;
  uint8_t error = 0;
  if (!args.Failed() && (v.Kind == vkBool || !ToNumber(h, v, x, error)))
    args.SetError(error ? error : uint8_t(ecValue));
  if (args.Failed()) return FailWith(h, args.Error());
  x = std::trunc(x);
  const int64_t limit = Limit(base);
  if (x < -double(limit) || x >= double(limit)) return FailWith(h, ecNum);
  if (hasPlaces && (places < 1 || places > kDigits)) return FailWith(h, ecNum);
  int64_t n = static_cast<int64_t>(x);
  if (n < 0) n += limit * 2;
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[n % base.Radix]);
    n /= base.Radix;
  } while (n > 0);
  if (x >= 0 && hasPlaces) {
    if (digits.size() > size_t(places)) return FailWith(h, ecNum);
    digits.insert(0, size_t(places) - digits.size(), '0');
  }
  h.PushText(digits);
}

// BIN2DEC, OCT2DEC, HEX2DEC(text): at most ten digits; ten with the top bit set are negative.
void ToDecimal(Handler& h, const TBase& base) {
  TArgs args(h);
  std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  if (text.size() > kDigits) return FailWith(h, ecNum);
  int64_t n = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= base.Radix) return FailWith(h, ecNum);
    n = n * base.Radix + digit;
  }
  const int64_t limit = Limit(base);
  if (n >= limit) n -= limit * 2;
  h.PushNumber(static_cast<double>(n));
}

void Dec2Bin(Handler& h) { FromDecimal(h, kBinary); }
void Dec2Oct(Handler& h) { FromDecimal(h, kOctal); }
void Dec2Hex(Handler& h) { FromDecimal(h, kHex); }
void Bin2Dec(Handler& h) { ToDecimal(h, kBinary); }
void Oct2Dec(Handler& h) { ToDecimal(h, kOctal); }
void Hex2Dec(Handler& h) { ToDecimal(h, kHex); }

constexpr TRoutine kRoutines[] = {
    {"BIN2DEC", Bin2Dec}, {"DEC2BIN", Dec2Bin}, {"DEC2HEX", Dec2Hex},
    {"DEC2OCT", Dec2Oct}, {"HEX2DEC", Hex2Dec}, {"OCT2DEC", Oct2Dec},
};

}  // namespace

void RegisterEngineeringFunctions() { RegisterRoutines(kRoutines); }
