#include <cmath>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Financial functions. Money paid out is negative, money received positive; `type` 1 puts the
// payments at the start of each period, 0 (the default) at the end.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// The value after n periods of a present value and a payment, negated (Excel's FV).
double FutureValue(double rate, double n, double payment, double present, double type) {
  if (rate == 0) return -(present + payment * n);
  const double growth = std::pow(1 + rate, n);
  return -(present * growth + payment * (1 + rate * type) * (growth - 1) / rate);
}

double Payment(double rate, double n, double present, double future, double type) {
  if (rate == 0) return -(present + future) / n;
  const double growth = std::pow(1 + rate, n);
  return -(present * growth + future) * rate / ((1 + rate * type) * (growth - 1));
}

double InterestPayment(double rate, double period, double n, double present, double future,
                       double type) {
  const double payment = Payment(rate, n, present, future, type);
  if (type != 0) {
    if (period == 1) return 0;
    return (FutureValue(rate, period - 2, payment, present, 1) - payment) * rate;
  }
  return FutureValue(rate, period - 1, payment, present, 0) * rate;
}

// The optional trailing arguments of the annuity functions: future (or present) value and type.
struct TAnnuityTail {
  double Value = 0;
  double Type = 0;
};

TAnnuityTail PopTail(TArgs& args, int fixed) {
  TAnnuityTail tail;
  if (args.Count() >= fixed + 2) tail.Type = args.Number() != 0 ? 1 : 0;
  if (args.Count() >= fixed + 1) tail.Value = args.Number();
  return tail;
}

void Pv(Handler& h) {
  TArgs args(h);
  const TAnnuityTail tail = PopTail(args, 3);
  const double payment = args.Number();
  const double n = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  double pv;
  if (rate == 0) {
    pv = -(payment * n + tail.Value);
  } else {
    const double growth = std::pow(1 + rate, n);
    pv = -(tail.Value + payment * (1 + rate * tail.Type) * (growth - 1) / rate) / growth;
  }
  PushResult(h, pv);
}

void Fv(Handler& h) {
  TArgs args(h);
  const TAnnuityTail tail = PopTail(args, 3);
  const double payment = args.Number();
  const double n = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  PushResult(h, FutureValue(rate, n, payment, tail.Value, tail.Type));
}

void Pmt(Handler& h) {
  TArgs args(h);
  const TAnnuityTail tail = PopTail(args, 3);
  const double present = args.Number();
  const double n = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (n == 0) return FailWith(h, ecNum);
  PushResult(h, Payment(rate, n, present, tail.Value, tail.Type));
}

void Nper(Handler& h) {
  TArgs args(h);
  const TAnnuityTail tail = PopTail(args, 3);
  const double present = args.Number();
  const double payment = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (rate == 0) {
    if (payment == 0) return FailWith(h, ecNum);
    return PushResult(h, -(present + tail.Value) / payment);
  }
  const double p = payment * (1 + rate * tail.Type);
  const double ratio = (p - tail.Value * rate) / (p + present * rate);
  if (ratio <= 0 || rate <= -1) return FailWith(h, ecNum);
  PushResult(h, std::log(ratio) / std::log(1 + rate));
}

// IPMT and PPMT(rate, period, periods, present [, future [, type]]): the interest (principal)
// part of the period's payment.
void PeriodPart(Handler& h, bool interest) {
  TArgs args(h);
  const TAnnuityTail tail = PopTail(args, 4);
  const double present = args.Number();
  const double n = args.Number();
  const double period = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (period < 1 || period > n || n == 0) return FailWith(h, ecNum);
  const double ipmt = InterestPayment(rate, period, n, present, tail.Value, tail.Type);
  PushResult(h, interest ? ipmt : Payment(rate, n, present, tail.Value, tail.Type) - ipmt);
}

void Ipmt(Handler& h) { PeriodPart(h, true); }
void Ppmt(Handler& h) { PeriodPart(h, false); }

// RATE(periods, payment, present [, future [, type [, guess]]]): Newton's method from the
// guess (10% when omitted), as Excel does, giving up after 50 steps.
void Rate(Handler& h) {
  TArgs args(h);
  const double guess = args.Count() >= 6 ? args.Number() : 0.1;
  const TAnnuityTail tail = PopTail(args, 3);
  const double present = args.Number();
  const double payment = args.Number();
  const double n = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (n <= 0) return FailWith(h, ecNum);
  const auto f = [&](double r) {
    if (r == 0) return present + payment * n + tail.Value;
    const double growth = std::pow(1 + r, n);
    return present * growth + payment * (1 + r * tail.Type) * (growth - 1) / r + tail.Value;
  };
  double r = guess;
  for (int i = 0; i < 50; ++i) {
    const double step = 1e-7;
    const double y = f(r);
    const double slope = (f(r + step) - y) / step;
    if (!std::isfinite(y) || !std::isfinite(slope) || slope == 0) break;
    const double next = r - y / slope;
    if (std::fabs(next - r) < 1e-10) return PushResult(h, next);
    r = next;
  }
  FailWith(h, ecNum);
}

// CUMIPMT and CUMPRINC(rate, periods, present, start, end, type): the interest (principal)
// parts of the payments of the periods from start to end; the arguments must be positive and
// the type 0 or 1.
void Cumulative(Handler& h, bool interest) {
  TArgs args(h);
  const double type = args.Number();
  const double end = std::trunc(args.Number());
  const double start = std::trunc(args.Number());
  const double present = args.Number();
  const double n = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (rate <= 0 || n <= 0 || present <= 0 || start < 1 || end < start || end > n ||
      (type != 0 && type != 1))
    return FailWith(h, ecNum);
  const double payment = Payment(rate, n, present, 0, type);
  double sum = 0;
  for (double period = start; period <= end; ++period) {
    const double ipmt = InterestPayment(rate, period, n, present, 0, type);
    sum += interest ? ipmt : payment - ipmt;
  }
  PushResult(h, sum);
}

void CumIpmt(Handler& h) { Cumulative(h, true); }
void CumPrinc(Handler& h) { Cumulative(h, false); }

// ISPMT(rate, period, periods, present): the interest of the period of a loan repaid in equal
// parts of the principal.
void IsPmt(Handler& h) {
  TArgs args(h);
  const double present = args.Number();
  const double n = args.Number();
  const double period = args.Number();
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (n == 0) return FailWith(h, ecDivZero);
  PushResult(h, present * rate * (period / n - 1));
}

// NPV(rate, value1, ...): the values discounted from the end of the first period.
void Npv(Handler& h) {
  std::vector<double> values;
  uint8_t error = 0;
  const bool ok = PopListNumbers(h, lnNumbers, values, error, h.ArgCount() - 1);
  TArgs args(h);
  const double rate = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (!ok) return FailWith(h, error);
  if (rate == -1) return FailWith(h, ecDivZero);
  double sum = 0;
  double factor = 1;
  for (const double v : values) {
    factor *= 1 + rate;
    sum += v / factor;
  }
  PushResult(h, sum);
}

double PresentValue(const std::vector<double>& values, double rate) {
  double sum = 0;
  double factor = 1;
  for (const double v : values) {
    sum += v / factor;
    factor *= 1 + rate;
  }
  return sum;
}

// IRR(values [, guess]): the rate at which the values' present value is 0, by Newton's method.
void Irr(Handler& h) {
  TArgs args(h);
  const double guess = args.Count() >= 2 ? args.Number() : 0.1;
  const TArgument valuesArg = args.Any();
  std::vector<double> values;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, valuesArg, lnNumbers, values, error)) return FailWith(h, error);
  if (args.Failed()) return FailWith(h, args.Error());
  bool positive = false, negative = false;
  for (const double v : values) {
    positive = positive || v > 0;
    negative = negative || v < 0;
  }
  if (!positive || !negative) return FailWith(h, ecNum);
  double r = guess;
  for (int i = 0; i < 50; ++i) {
    double value = 0, slope = 0, factor = 1;
    for (size_t k = 0; k < values.size(); ++k) {
      value += values[k] / factor;
      slope -= static_cast<double>(k) * values[k] / (factor * (1 + r));
      factor *= 1 + r;
    }
    if (!std::isfinite(value) || slope == 0 || !std::isfinite(slope)) break;
    const double next = r - value / slope;
    if (std::fabs(next - r) < 1e-10) return PushResult(h, next);
    r = next;
    if (r <= -1) break;
  }
  FailWith(h, ecNum);
}

// MIRR(values, finance_rate, reinvest_rate): the rate at which the payments out, discounted at
// the finance rate, grow to the payments in compounded at the reinvestment rate.
void Mirr(Handler& h) {
  TArgs args(h);
  const double reinvest = args.Number();
  const double finance = args.Number();
  const TArgument valuesArg = args.Any();
  std::vector<double> values;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, valuesArg, lnNumbers, values, error)) return FailWith(h, error);
  if (args.Failed()) return FailWith(h, args.Error());
  const double n = static_cast<double>(values.size());
  std::vector<double> positives, negatives;
  for (const double v : values) {
    positives.push_back(v > 0 ? v : 0);
    negatives.push_back(v < 0 ? v : 0);
  }
  const double futurePositives = PresentValue(positives, reinvest) * std::pow(1 + reinvest, n - 1);
  const double presentNegatives = PresentValue(negatives, finance);
  // Without payments out the rate has no base; without payments in the money is all lost,
  // which Excel gives as -1 (poi-FormulaEvalTestData.xls, MIRR of four payments out).
  if (presentNegatives == 0 || n < 2) return FailWith(h, ecDivZero);
  PushResult(h, std::pow(-futurePositives / presentNegatives, 1 / (n - 1)) - 1);
}

// Depreciation.
void Sln(Handler& h) {
  TArgs args(h);
  const double life = args.Number();
  const double salvage = args.Number();
  const double cost = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (life == 0) return FailWith(h, ecDivZero);
  PushResult(h, (cost - salvage) / life);
}

void Syd(Handler& h) {
  TArgs args(h);
  const double period = args.Number();
  const double life = args.Number();
  const double salvage = args.Number();
  const double cost = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (life <= 0 || period <= 0 || period > life) return FailWith(h, ecNum);
  PushResult(h, (cost - salvage) * (life - period + 1) * 2 / (life * (life + 1)));
}

// DDB(cost, salvage, life, period [, factor]): declining balance at factor ÷ life a period
// (factor 2 when omitted), never below the salvage value.
void Ddb(Handler& h) {
  TArgs args(h);
  const double factor = args.Count() >= 5 ? args.Number() : 2;
  const double period = args.Number();
  const double life = args.Number();
  const double salvage = args.Number();
  const double cost = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || factor <= 0 || period > life)
    return FailWith(h, ecNum);
  const double rate = std::min(factor / life, 1.0);
  const double before = cost * (1 - std::pow(1 - rate, period - 1));
  const double depreciation = std::min((cost - before) * rate, std::max(0.0, cost - salvage - before));
  PushResult(h, std::max(0.0, depreciation));
}

// DB(cost, salvage, life, period [, months]): fixed declining balance at a rate rounded to
// three places; the first year counts `months` months (12 when omitted), the last the rest.
void Db(Handler& h) {
  TArgs args(h);
  const double months = args.Count() >= 5 ? std::trunc(args.Number()) : 12;
  const double period = std::trunc(args.Number());
  const double life = std::trunc(args.Number());
  const double salvage = args.Number();
  const double cost = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || months < 1 || months > 12 ||
      period > life + (months < 12 ? 1 : 0))
    return FailWith(h, ecNum);
  if (cost == 0) return h.PushNumber(0);
  const double rate = std::round((1 - std::pow(salvage / cost, 1 / life)) * 1000) / 1000;
  double total = cost * rate * months / 12;
  double depreciation = total;
  for (double p = 2; p <= period; ++p) {
    depreciation = p == life + 1 ? (cost - total) * rate * (12 - months) / 12 : (cost - total) * rate;
    total += depreciation;
  }
  PushResult(h, depreciation);
}

// VDB(cost, salvage, life, start, end [, factor [, no_switch]]): the declining balance
// depreciation (factor 2 when omitted) from the end of period `start` to the end of period
// `end`, switching to straight-line depreciation of what remains over the remaining life once
// that is larger (unless no_switch); parts of a period count their share of its depreciation.
void Vdb(Handler& h) {
  TArgs args(h);
  const bool noSwitch = args.Count() >= 7 ? args.Bool() : false;
  const double factor = args.Count() >= 6 ? args.Number() : 2;
  const double end = args.Number();
  const double start = args.Number();
  const double life = args.Number();
  const double salvage = args.Number();
  const double cost = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  if (cost < 0 || salvage < 0 || life <= 0 || factor <= 0 || start < 0 || end < start ||
      end > life)
    return FailWith(h, ecNum);
  const double rate = std::min(factor / life, 1.0);
  double book = cost;
  bool straight = false;
  double result = 0;
  for (double period = 0; period < std::ceil(end); ++period) {
    double depreciation = book * rate;
    const double line = (book - salvage) / (life - period);
    if (!noSwitch && (straight || line > depreciation)) {
      straight = true;
      depreciation = line;
    }
    depreciation = std::max(0.0, std::min(depreciation, book - salvage));
    // The share of the period that lies between start and end.
    const double share = std::min(end, period + 1) - std::max(start, period);
    if (share > 0) result += depreciation * share;
    book -= depreciation;
  }
  PushResult(h, result);
}

constexpr TRoutine kRoutines[] = {
    {"CUMIPMT", CumIpmt}, {"CUMPRINC", CumPrinc}, {"DB", Db},     {"DDB", Ddb},
    {"FV", Fv},           {"IPMT", Ipmt},         {"IRR", Irr},   {"ISPMT", IsPmt},
    {"MIRR", Mirr},       {"NPER", Nper},         {"NPV", Npv},   {"PMT", Pmt},
    {"PPMT", Ppmt},       {"PV", Pv},             {"RATE", Rate}, {"SLN", Sln},
    {"SYD", Syd},         {"VDB", Vdb},
};

}  // namespace

void RegisterFinanceFunctions() { RegisterRoutines(kRoutines); }
