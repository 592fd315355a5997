#include <algorithm>
#include <cmath>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Interest rates and cash flows of the analysis add-in: nominal and effective rates, prices in
// fractions, growth by a schedule of rates, and the present value and return of payments on
// irregular dates.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// EFFECT(nominal, periods): the annual rate of a nominal rate compounded `periods` times a
// year; NOMINAL the other way.
void Effect(Handler& h) {
  TArgs args(h);
  const double periods = std::trunc(args.Number());
  const double nominal = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (nominal <= 0 || periods < 1) return FailWith(h, ecNum);
  PushResult(h, std::pow(1 + nominal / periods, periods) - 1);
}

void Nominal(Handler& h) {
  TArgs args(h);
  const double periods = std::trunc(args.Number());
  const double effect = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (effect <= 0 || periods < 1) return FailWith(h, ecNum);
  PushResult(h, periods * (std::pow(1 + effect, 1 / periods) - 1));
}

// DOLLARDE(price, fraction): a price written as whole units and a count of 1/fraction parts
// after the decimal point (1.02 with 16: 1 and 2/16) as a decimal number; DOLLARFR the other
// way. The parts take as many decimal places as the fraction has digits.
void Dollar(Handler& h, bool toDecimal) {
  TArgs args(h);
  const double fraction = std::trunc(args.Number());
  const double price = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (fraction < 0) return FailWith(h, ecNum);
  if (fraction == 0) return FailWith(h, ecDivZero);
  const double scale = std::pow(10.0, std::ceil(std::log10(fraction)));
  const double whole = std::trunc(price);
  const double part = price - whole;
  PushResult(h, whole + (toDecimal ? part * scale / fraction : part * fraction / scale));
}

void DollarDe(Handler& h) { Dollar(h, true); }
void DollarFr(Handler& h) { Dollar(h, false); }

// FVSCHEDULE(principal, rates): the principal grown by each rate in turn.
void FvSchedule(Handler& h) {
  TArgs args(h);
  const TArgument schedule = args.Any();
  const double principal = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  double value = principal;
  bool ok = true;
  uint8_t error = 0;
  schedule.ForEach(h, [&](const TValue& v) {
    double rate = 0;
    if (v.Kind == vkBool || !ToNumber(h, v, rate, error)) {
      if (error == 0) error = ecValue;
      return ok = false;
    }
    value *= 1 + rate;
    return true;
  });
  if (!ok) return FailWith(h, error);
  PushResult(h, value);
}

// The payments and their dates of XNPV and XIRR: as many of each; the dates whole days not
// before the first one.
bool PopCashFlows(Handler& h, std::vector<double>& values, std::vector<double>& dates,
                  uint8_t& error) {
  const TArgument dateArg = PopArgument(h);
  const TArgument valueArg = PopArgument(h);
  for (const TArgument* a : {&valueArg, &dateArg}) {
    if (a->Kind == TArgument::akValue && a->Value.IsError()) {
      error = a->Value.Error;
      return false;
    }
    std::vector<double>& out = a == &valueArg ? values : dates;
    bool ok = true;
    for (int r = 0; r < a->Rows() && ok; ++r)
      for (int c = 0; c < a->Cols() && ok; ++c) {
        const TValue v = a->At(h, r, c);
        double x = 0;
        if (v.Kind == vkBool || v.Kind == vkEmpty || !ToNumber(h, v, x, error)) {
          if (error == 0) error = v.Kind == vkEmpty ? ecNum : ecValue;
          ok = false;
        }
        out.push_back(x);
      }
    if (!ok) return false;
  }
  if (values.size() != dates.size() || values.empty()) {
    error = ecNum;
    return false;
  }
  for (double& d : dates) {
    d = std::trunc(d);
    if (d < dates.front() || d < 0) {
      error = ecNum;
      return false;
    }
  }
  return true;
}

double PresentValueByDates(const std::vector<double>& values, const std::vector<double>& dates,
                           double rate) {
  double sum = 0;
  for (size_t i = 0; i < values.size(); ++i)
    sum += values[i] / std::pow(1 + rate, (dates[i] - dates[0]) / 365);
  return sum;
}

// XNPV(rate, values, dates): the payments discounted to the first date, a year being 365 days.
void Xnpv(Handler& h) {
  std::vector<double> values, dates;
  uint8_t error = 0;
  const bool ok = PopCashFlows(h, values, dates, error);
  TArgs args(h);
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (!ok) return FailWith(h, error);
  if (rate <= -1) return FailWith(h, ecNum);
  PushResult(h, PresentValueByDates(values, dates, rate));
}

// XIRR(values, dates [, guess]): the rate at which XNPV is 0, by Newton's method from the guess
// (10% when omitted).
void Xirr(Handler& h) {
  TArgs args(h);
  const double guess = args.Count() >= 3 ? args.Number() : 0.1;
  std::vector<double> values, dates;
  uint8_t error = 0;
  const bool ok = PopCashFlows(h, values, dates, error);
  if (args.Failed()) return FailWith(h, args.Error());
  if (!ok) return FailWith(h, error);
  bool positive = false, negative = false;
  for (const double v : values) {
    positive = positive || v > 0;
    negative = negative || v < 0;
  }
  if (!positive || !negative) return FailWith(h, ecNum);
  double r = guess;
  for (int i = 0; i < 100; ++i) {
    double value = 0, slope = 0;
    for (size_t k = 0; k < values.size(); ++k) {
      const double t = (dates[k] - dates[0]) / 365;
      const double factor = std::pow(1 + r, t);
      value += values[k] / factor;
      slope -= t * values[k] / (factor * (1 + r));
    }
    if (!std::isfinite(value) || slope == 0 || !std::isfinite(slope)) break;
    const double next = r - value / slope;
    if (std::fabs(next - r) <= 1e-12 * std::max(1.0, std::fabs(r))) return PushResult(h, next);
    r = next;
    if (r <= -1) r = -0.999999999;
  }
  FailWith(h, ecNum);
}

constexpr TRoutine kRoutines[] = {
    {"DOLLARDE", DollarDe}, {"DOLLARFR", DollarFr},     {"EFFECT", Effect},
    {"FVSCHEDULE", FvSchedule}, {"NOMINAL", Nominal},   {"XIRR", Xirr},
    {"XNPV", Xnpv},
};

}  // namespace

void RegisterInterestFunctions() { RegisterRoutines(kRoutines); }
