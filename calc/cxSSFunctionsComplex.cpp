#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// The complex numbers of the engineering add-in. A complex number travels as text: "3+4i",
// "-2.5-j", "4i", "7" (the suffix i or j; numbers in the general format with the locale's
// decimal separator); a plain number is a complex number without an imaginary part. A result
// takes the suffix of its arguments (i when they have none); arguments mixing i and j are
// "#VALUE!".

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;
using TComplex = std::complex<double>;

// A complex number and the suffix it was written with (0 for none).
struct TParsed {
  TComplex Value;
  char Suffix = 0;
};

// Reads a number from the front of `text` (sign, digits, decimal separator, exponent); false
// when none is there.
bool ReadNumber(const Handler& h, std::string_view& text, double& x) {
  size_t end = 0;
  if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
  const size_t digits = end;
  while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.' ||
                               text[end] == ',' ))
    ++end;
  if (end == digits) return false;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    size_t e = end + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    const size_t exponent = e;
    while (e < text.size() && text[e] >= '0' && text[e] <= '9') ++e;
    if (e > exponent) end = e;
  }
  if (!TextToNumber(h, text.substr(0, end), x)) return false;
  text.remove_prefix(end);
  return true;
}

// "a", "bi", "a+bi", "a-bi", "i", "-i", "a+i" (and j for i).
bool ParseComplex(const Handler& h, std::string_view text, TParsed& z) {
  if (text.empty()) return false;
  const char last = text.back();
  if (last != 'i' && last != 'j') {
    double x = 0;
    std::string_view rest = text;
    if (!ReadNumber(h, rest, x) || !rest.empty()) return false;
    z = {TComplex(x, 0), 0};
    return true;
  }
  z.Suffix = last;
  text.remove_suffix(1);
  // The imaginary coefficient: the text after the last sign that is not an exponent's.
  size_t split = std::string_view::npos;
  for (size_t i = text.size(); i-- > 0;)
    if ((text[i] == '+' || text[i] == '-') && (i == 0 || (text[i - 1] != 'e' && text[i - 1] != 'E'))) {
      split = i;
      break;
    }
  std::string_view realPart = split == std::string_view::npos ? std::string_view() : text.substr(0, split);
  std::string_view imagPart = split == std::string_view::npos ? text : text.substr(split);
  double re = 0, im = 0;
  if (!realPart.empty() && (!ReadNumber(h, realPart, re) || !realPart.empty())) return false;
  if (imagPart.empty() || imagPart == "+")
    im = 1;
  else if (imagPart == "-")
    im = -1;
  else if (!ReadNumber(h, imagPart, im) || !imagPart.empty())
    return false;
  z.Value = TComplex(re, im);
  return true;
}

// The text of a complex number: the parts to 15 significant digits, the imaginary unit alone
// for a coefficient of 1 or -1.
std::string ComplexText(const Handler& h, TComplex z, char suffix) {
  // Tiny parts left by the rounding of trigonometric functions stay, as the other programs
  // keep them; only exact zeros are left out.
  const double re = z.real(), im = z.imag();
  if (im == 0) return FloatToText(re, h.Settings());
  std::string text = re == 0 ? std::string() : FloatToText(re, h.Settings());
  if (im == 1) {
    if (!text.empty()) text += '+';
  } else if (im == -1) {
    text += '-';
  } else {
    if (im > 0 && !text.empty()) text += '+';
    text += FloatToText(im, h.Settings());
  }
  return text + suffix;
}

// A value as a complex number: a number, or a text that reads as one; false with the error
// ("#NUM!" for a text that does not read, "#VALUE!" for a truth value) otherwise.
bool ToComplex(const Handler& h, const TValue& v, TParsed& z, uint8_t& error) {
  switch (v.Kind) {
    case vkEmpty: z = {}; return true;
    case vkNumber: z = {TComplex(v.Number, 0), 0}; return true;
    case vkText:
      if (ParseComplex(h, v.Text, z)) return true;
      error = ecNum;
      return false;
    case vkError: error = v.Error; return false;
    case vkBool: error = ecValue; return false;
  }
  return false;
}

// The arguments of a routine as complex numbers, in the written order; with `lists` every
// value of an area or array counts (empty cells left out). `suffix` receives the common suffix.
bool PopComplexes(Handler& h, std::vector<TComplex>& numbers, char& suffix, uint8_t& error,
                  bool lists) {
  std::vector<TArgument> args(static_cast<size_t>(std::max(h.ArgCount(), 0)));
  for (auto it = args.rbegin(); it != args.rend(); ++it) *it = PopArgument(h);
  suffix = 0;
  const auto take = [&](const TValue& v) {
    if (v.Kind == vkEmpty && lists) return true;
    TParsed z;
    if (!ToComplex(h, v, z, error)) return false;
    if (z.Suffix != 0) {
      if (suffix != 0 && suffix != z.Suffix) {
        error = ecValue;
        return false;
      }
      suffix = z.Suffix;
    }
    numbers.push_back(z.Value);
    return true;
  };
  for (const TArgument& arg : args) {
    if (arg.Kind == TArgument::akValue || !lists) {
      if (!take(arg.Single(h))) return false;
      continue;
    }
    bool ok = true;
    arg.ForEach(h, [&](const TValue& v) { return ok = take(v); });
    if (!ok) return false;
  }
  return true;
}

// The result: a complex number as text ("#NUM!" when a part is no finite number).
void PushComplex(Handler& h, TComplex z, char suffix) {
  if (!std::isfinite(z.real()) || !std::isfinite(z.imag())) return FailWith(h, ecNum);
  h.PushText(ComplexText(h, z, suffix ? suffix : 'i'));
}

// A routine of complex arguments, one value each (lists: IMSUM and IMPRODUCT take areas).
template <typename Body>
void Complexes(Handler& h, bool lists, Body body) {
  std::vector<TComplex> z;
  char suffix = 0;
  uint8_t error = 0;
  if (!PopComplexes(h, z, suffix, error, lists)) return FailWith(h, error);
  body(z, suffix);
}

// COMPLEX(real, imaginary [, suffix]): suffix "i" (the default) or "j".
void Complex(Handler& h) {
  TArgs args(h);
  std::string suffix = args.Count() >= 3 ? args.Text() : "i";
  const double im = args.Number();
  const double re = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (suffix.empty()) suffix = "i";
  if (suffix != "i" && suffix != "j") return FailWith(h, ecValue);
  PushComplex(h, TComplex(re, im), suffix[0]);
}

void ImReal(Handler& h) {
  Complexes(h, false, [&](auto& z, char) { PushResult(h, z[0].real()); });
}
void Imaginary(Handler& h) {
  Complexes(h, false, [&](auto& z, char) { PushResult(h, z[0].imag()); });
}
void ImAbs(Handler& h) {
  Complexes(h, false, [&](auto& z, char) { PushResult(h, std::abs(z[0])); });
}
void ImArgument(Handler& h) {
  Complexes(h, false, [&](auto& z, char) {
    if (z[0] == TComplex(0, 0)) return FailWith(h, ecDivZero);
    PushResult(h, std::arg(z[0]));
  });
}
void ImConjugate(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) { PushComplex(h, std::conj(z[0]), s); });
}
void ImCos(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) { PushComplex(h, std::cos(z[0]), s); });
}
void ImSin(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) { PushComplex(h, std::sin(z[0]), s); });
}
void ImExp(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) { PushComplex(h, std::exp(z[0]), s); });
}
void ImSqrt(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) { PushComplex(h, std::sqrt(z[0]), s); });
}

// IMLN, IMLOG10 and IMLOG2: the principal logarithm; 0 has none.
void Logarithm(Handler& h, double base) {
  Complexes(h, false, [&](auto& z, char s) {
    if (z[0] == TComplex(0, 0)) return FailWith(h, ecNum);
    PushComplex(h, std::log(z[0]) / std::log(base), s);
  });
}
void ImLn(Handler& h) { Logarithm(h, std::numbers::e); }
void ImLog10(Handler& h) { Logarithm(h, 10); }
void ImLog2(Handler& h) { Logarithm(h, 2); }

// IMPOWER(z, n): z to a real power, by the polar form; 0 only to a positive power.
void ImPower(Handler& h) {
  TArgs args(h);
  const double n = args.Number();
  const TValue v = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  TParsed z;
  uint8_t error = 0;
  if (!ToComplex(h, v, z, error)) return FailWith(h, error);
  if (z.Value == TComplex(0, 0)) {
    if (n <= 0) return FailWith(h, ecNum);
    return PushComplex(h, 0, z.Suffix);
  }
  PushComplex(h, std::polar(std::pow(std::abs(z.Value), n), n * std::arg(z.Value)), z.Suffix);
}

void ImDiv(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) {
    if (z[1] == TComplex(0, 0)) return FailWith(h, ecNum);
    PushComplex(h, z[0] / z[1], s);
  });
}
void ImSub(Handler& h) {
  Complexes(h, false, [&](auto& z, char s) { PushComplex(h, z[0] - z[1], s); });
}
void ImSum(Handler& h) {
  Complexes(h, true, [&](auto& z, char s) {
    TComplex sum = 0;
    for (const TComplex& v : z) sum += v;
    PushComplex(h, sum, s);
  });
}
void ImProduct(Handler& h) {
  Complexes(h, true, [&](auto& z, char s) {
    TComplex product = 1;
    for (const TComplex& v : z) product *= v;
    PushComplex(h, product, s);
  });
}

constexpr TRoutine kRoutines[] = {
    {"COMPLEX", Complex},         {"IMABS", ImAbs},         {"IMAGINARY", Imaginary},
    {"IMARGUMENT", ImArgument},   {"IMCONJUGATE", ImConjugate}, {"IMCOS", ImCos},
    {"IMDIV", ImDiv},             {"IMEXP", ImExp},         {"IMLN", ImLn},
    {"IMLOG10", ImLog10},         {"IMLOG2", ImLog2},       {"IMPOWER", ImPower},
    {"IMPRODUCT", ImProduct},     {"IMREAL", ImReal},       {"IMSIN", ImSin},
    {"IMSQRT", ImSqrt},           {"IMSUB", ImSub},         {"IMSUM", ImSum},
};

}  // namespace

void RegisterComplexFunctions() { RegisterRoutines(kRoutines); }
