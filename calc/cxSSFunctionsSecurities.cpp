#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "calc/cxSSDayCount.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSProbability.h"

// Securities of the analysis add-in: coupon dates and days, prices, yields and durations of
// bonds (also with an odd first or last period), discounted and interest-at-maturity securities,
// treasury bills and the French depreciation. Dates are whole
// days; the settlement must come before the maturity; the frequency of coupons is 1, 2 or 4 a
// year; the day-count basis (0 when omitted) is one of cxSSDayCount.h. Dates are taken as
// standard serials (TArgs::Date) and coupon dates given back in the workbook's date system.

namespace {

using namespace cxfunctions;
using namespace cxdaycount;
using Handler = TcxSSFunctionHandler;

// The optional basis argument, truncated; -1 when it is outside 0 to 4.
int BasisOf(double basis) {
  basis = std::trunc(basis);
  return basis >= 0 && basis <= 4 ? static_cast<int>(basis) : -1;
}

// A bond's coupon schedule: the coupon dates step back from the maturity by 12 / frequency
// months; a maturity on the last day of its month puts every coupon date on a month's last
// day.
class TCoupons {
public:
  // False when the dates or the frequency are not those of a bond.
  bool Set(double settlement, double maturity, double frequency, int basis) {
    frequency = std::trunc(frequency);
    if (!ToDate(settlement, settlement_) || !ToDate(maturity, maturity_) ||
        settlement_.Days >= maturity_.Days || basis < 0 ||
        (frequency != 1 && frequency != 2 && frequency != 4))
      return false;
    frequency_ = static_cast<int>(frequency);
    basis_ = basis;
    lastDay_ = maturity_.Day == DaysInMonth(maturity_.Year, maturity_.Month);
    // The coupon dates after the settlement, counted back from the maturity.
    count_ = 1;
    while (Date(count_) > static_cast<double>(settlement_.Days)) ++count_;
    return true;
  }

  int Frequency() const { return frequency_; }
  // The number of coupons from the settlement to the maturity.
  int Count() const { return count_; }
  double Previous() const { return Date(count_); }
  double Next() const { return Date(count_ - 1); }
  // Days from the coupon before the settlement to the settlement.
  double DaysBefore() const { return DaysByBasis(Parts(Previous()), settlement_, basis_); }
  // Days of the coupon period that holds the settlement.
  double PeriodDays() const {
    switch (basis_) {
      case 1: return Next() - Previous();
      case 3: return 365.0 / frequency_;
      default: return 360.0 / frequency_;
    }
  }
  // Days from the settlement to the next coupon.
  double DaysAfter() const {
    if (basis_ == 0) return PeriodDays() - DaysBefore();
    return DaysByBasis(settlement_, Parts(Next()), basis_);
  }

private:
  // The coupon date `k` periods before the maturity.
  double Date(int k) const {
    if (k == 0) return static_cast<double>(maturity_.Days);
    double serial = 0;
    if (!AddMonths(maturity_, -12.0 / frequency_ * k, lastDay_, serial)) return -1;
    return serial;
  }
  static TcxDateTimeParts Parts(double serial) {
    TcxDateTimeParts parts;
    ToDate(serial, parts);
    return parts;
  }

  TcxDateTimeParts settlement_, maturity_;
  int frequency_ = 1;
  int basis_ = 0;
  bool lastDay_ = false;
  int count_ = 0;
};

// The coupon functions (settlement, maturity, frequency [, basis]); `date` for those whose
// result is a date.
template <typename Result>
void Coupon(Handler& h, Result result, bool date = false) {
  TArgs args(h);
  const int basis = BasisOf(args.Count() >= 4 ? args.Number() : 0);
  const double frequency = args.Number();
  const double maturity = args.Date();
  const double settlement = args.Date();
  if (args.Failed()) return FailWith(h, args.Error());
  TCoupons coupons;
  if (!coupons.Set(settlement, maturity, frequency, basis)) return FailWith(h, ecNum);
  if (date)
    PushDate(h, result(coupons));
  else
    PushResult(h, result(coupons));
}

void CoupDayBs(Handler& h) { Coupon(h, [](const TCoupons& c) { return c.DaysBefore(); }); }
void CoupDays(Handler& h) { Coupon(h, [](const TCoupons& c) { return c.PeriodDays(); }); }
void CoupDaysNc(Handler& h) { Coupon(h, [](const TCoupons& c) { return c.DaysAfter(); }); }
void CoupNcd(Handler& h) { Coupon(h, [](const TCoupons& c) { return c.Next(); }, true); }
void CoupPcd(Handler& h) { Coupon(h, [](const TCoupons& c) { return c.Previous(); }, true); }
void CoupNum(Handler& h) {
  Coupon(h, [](const TCoupons& c) { return static_cast<double>(c.Count()); });
}

// The price per 100 of face value of a bond paying `rate` a year, at the yield.
double BondPrice(const TCoupons& c, double rate, double yield, double redemption) {
  const double f = c.Frequency();
  const double e = c.PeriodDays();
  const double a = c.DaysBefore();
  const double dsc = c.DaysAfter();
  const double coupon = 100 * rate / f;
  const int n = c.Count();
  if (n == 1) return (redemption + coupon) / (1 + dsc / e * yield / f) - coupon * a / e;
  double price = redemption / std::pow(1 + yield / f, n - 1 + dsc / e);
  for (int k = 1; k <= n; ++k) price += coupon / std::pow(1 + yield / f, k - 1 + dsc / e);
  return price - coupon * a / e;
}

// The bond functions' arguments: settlement, maturity, then `values` numbers, frequency and
// the optional basis.
bool PopBond(Handler& h, TCoupons& coupons, std::vector<double>& values, size_t count) {
  TArgs args(h);
  const size_t fixed = 3 + count;
  const int basis = BasisOf(static_cast<size_t>(args.Count()) > fixed ? args.Number() : 0);
  const double frequency = args.Number();
  values.assign(count, 0);
  for (size_t i = count; i-- > 0;) values[i] = args.Number();
  const double maturity = args.Date();
  const double settlement = args.Date();
  if (args.Failed()) {
    FailWith(h, args.Error());
    return false;
  }
  if (!coupons.Set(settlement, maturity, frequency, basis)) {
    FailWith(h, ecNum);
    return false;
  }
  return true;
}

// PRICE(settlement, maturity, rate, yield, redemption, frequency [, basis])
void Price(Handler& h) {
  TCoupons c;
  std::vector<double> v;
  if (!PopBond(h, c, v, 3)) return;
  const double rate = v[0], yield = v[1], redemption = v[2];
  if (rate < 0 || yield < 0 || redemption <= 0) return FailWith(h, ecNum);
  PushResult(h, BondPrice(c, rate, yield, redemption));
}

// YIELD(settlement, maturity, rate, price, redemption, frequency [, basis]): the yield at which
// the bond has the price; in closed form for one coupon left, else by solving PRICE.
void Yield(Handler& h) {
  TCoupons c;
  std::vector<double> v;
  if (!PopBond(h, c, v, 3)) return;
  const double rate = v[0], price = v[1], redemption = v[2];
  if (rate < 0 || price <= 0 || redemption <= 0) return FailWith(h, ecNum);
  const double f = c.Frequency();
  const double e = c.PeriodDays(), a = c.DaysBefore(), dsc = c.DaysAfter();
  if (c.Count() == 1) {
    const double coupon = 100 * rate / f;
    const double paid = price + coupon * a / e;
    return PushResult(h, (redemption + coupon - paid) / paid * f * e / dsc);
  }
  const auto priceAt = [&](double y) { return BondPrice(c, rate, y, redemption); };
  const auto slope = [&](double y) { return (priceAt(y + 1e-7) - priceAt(y - 1e-7)) / 2e-7; };
  PushResult(h, cxprobability::Solve(priceAt, slope, price, 0, std::numeric_limits<double>::infinity()));
}

// DURATION and MDURATION(settlement, maturity, coupon, yield, frequency [, basis]): the
// Macaulay duration in years, and the modified duration (divided by 1 + yield / frequency).
void Duration(Handler& h, bool modified) {
  TCoupons c;
  std::vector<double> v;
  if (!PopBond(h, c, v, 2)) return;
  const double rate = v[0], yield = v[1];
  if (rate < 0 || yield < 0) return FailWith(h, ecNum);
  const double f = c.Frequency();
  const double e = c.PeriodDays(), dsc = c.DaysAfter();
  const double coupon = 100 * rate / f;
  double weighted = 0, total = 0;
  for (int k = 1; k <= c.Count(); ++k) {
    const double t = k - 1 + dsc / e;
    const double flow = coupon + (k == c.Count() ? 100 : 0);
    const double present = flow / std::pow(1 + yield / f, t);
    weighted += t * present;
    total += present;
  }
  const double duration = weighted / total / f;
  PushResult(h, modified ? duration / (1 + yield / f) : duration);
}

void DurationFunction(Handler& h) { Duration(h, false); }
void MDuration(Handler& h) { Duration(h, true); }

// The arguments of the discount functions: settlement, maturity, two numbers and the optional
// basis; the share of a year between the dates.
bool PopDiscounted(Handler& h, double& first, double& second, double& years) {
  TArgs args(h);
  const int basis = BasisOf(args.Count() >= 5 ? args.Number() : 0);
  second = args.Number();
  first = args.Number();
  const double maturity = std::trunc(args.Date());
  const double settlement = std::trunc(args.Date());
  if (args.Failed()) {
    FailWith(h, args.Error());
    return false;
  }
  TcxDateTimeParts a, b;
  if (basis < 0 || !ToDate(settlement, a) || !ToDate(maturity, b) || settlement >= maturity) {
    FailWith(h, ecNum);
    return false;
  }
  years = YearFraction(settlement, maturity, basis);
  return true;
}

// DISC(settlement, maturity, price, redemption [, basis]): the discount rate.
void Disc(Handler& h) {
  double price, redemption, years;
  if (!PopDiscounted(h, price, redemption, years)) return;
  if (price <= 0 || redemption <= 0) return FailWith(h, ecNum);
  PushResult(h, (redemption - price) / redemption / years);
}

// INTRATE(settlement, maturity, investment, redemption [, basis]): the interest rate.
void IntRate(Handler& h) {
  double investment, redemption, years;
  if (!PopDiscounted(h, investment, redemption, years)) return;
  if (investment <= 0 || redemption <= 0) return FailWith(h, ecNum);
  PushResult(h, (redemption - investment) / investment / years);
}

// RECEIVED(settlement, maturity, investment, discount [, basis]): the amount at maturity.
void Received(Handler& h) {
  double investment, discount, years;
  if (!PopDiscounted(h, investment, discount, years)) return;
  if (investment <= 0 || discount <= 0 || discount * years >= 1) return FailWith(h, ecNum);
  PushResult(h, investment / (1 - discount * years));
}

// PRICEDISC(settlement, maturity, discount, redemption [, basis]): the price of a discounted
// security.
void PriceDisc(Handler& h) {
  double discount, redemption, years;
  if (!PopDiscounted(h, discount, redemption, years)) return;
  if (discount <= 0 || redemption <= 0) return FailWith(h, ecNum);
  PushResult(h, redemption * (1 - discount * years));
}

// YIELDDISC(settlement, maturity, price, redemption [, basis]): the yield of a discounted
// security.
void YieldDisc(Handler& h) {
  double price, redemption, years;
  if (!PopDiscounted(h, price, redemption, years)) return;
  if (price <= 0 || redemption <= 0) return FailWith(h, ecNum);
  PushResult(h, (redemption / price - 1) / years);
}

// The arguments of the interest-at-maturity functions: settlement, maturity, issue, rate, a
// number and the optional basis; the year shares issue to maturity, settlement to maturity and
// issue to settlement.
struct TAtMaturity {
  double Rate = 0, Value = 0;
  double IssueToMaturity = 0, SettlementToMaturity = 0, IssueToSettlement = 0;
};

bool PopAtMaturity(Handler& h, TAtMaturity& m) {
  TArgs args(h);
  const int basis = BasisOf(args.Count() >= 6 ? args.Number() : 0);
  m.Value = args.Number();
  m.Rate = args.Number();
  const double issue = std::trunc(args.Date());
  const double maturity = std::trunc(args.Date());
  const double settlement = std::trunc(args.Date());
  if (args.Failed()) {
    FailWith(h, args.Error());
    return false;
  }
  TcxDateTimeParts a, b, c;
  if (basis < 0 || !ToDate(settlement, a) || !ToDate(maturity, b) || !ToDate(issue, c) ||
      settlement >= maturity || m.Rate < 0 || m.Value <= 0) {
    FailWith(h, ecNum);
    return false;
  }
  m.IssueToMaturity = YearFraction(issue, maturity, basis);
  m.SettlementToMaturity = YearFraction(settlement, maturity, basis);
  m.IssueToSettlement = YearFraction(issue, settlement, basis);
  return true;
}

// PRICEMAT(settlement, maturity, issue, rate, yield [, basis])
void PriceMat(Handler& h) {
  TAtMaturity m;
  if (!PopAtMaturity(h, m)) return;
  PushResult(h, 100 * (1 + m.IssueToMaturity * m.Rate) / (1 + m.SettlementToMaturity * m.Value) -
                    100 * m.IssueToSettlement * m.Rate);
}

// YIELDMAT(settlement, maturity, issue, rate, price [, basis])
void YieldMat(Handler& h) {
  TAtMaturity m;
  if (!PopAtMaturity(h, m)) return;
  const double paid = m.Value / 100 + m.IssueToSettlement * m.Rate;
  PushResult(h, ((1 + m.IssueToMaturity * m.Rate) - paid) / paid / m.SettlementToMaturity);
}

// ACCRINTM(issue, settlement, rate [, par [, basis]]): the interest accrued at maturity (par
// 1000 when omitted).
void AccrIntM(Handler& h) {
  TArgs args(h);
  const int basis = BasisOf(args.Count() >= 5 ? args.Number() : 0);
  const double par = args.Count() >= 4 ? args.Number() : 1000;
  const double rate = args.Number();
  const double settlement = std::trunc(args.Date());
  const double issue = std::trunc(args.Date());
  if (args.Failed()) return FailWith(h, args.Error());
  TcxDateTimeParts a, b;
  if (basis < 0 || !ToDate(issue, a) || !ToDate(settlement, b) || issue >= settlement ||
      rate <= 0 || par <= 0)
    return FailWith(h, ecNum);
  PushResult(h, par * rate * YearFraction(issue, settlement, basis));
}

// ACCRINT(issue, first_interest, settlement, rate, par, frequency [, basis]): the interest
// accrued from the issue to the settlement.
void AccrInt(Handler& h) {
  TArgs args(h);
  const int basis = BasisOf(args.Count() >= 7 ? args.Number() : 0);
  const double frequency = std::trunc(args.Number());
  const double par = args.Number();
  const double rate = args.Number();
  const double settlement = std::trunc(args.Date());
  const double first = std::trunc(args.Date());
  const double issue = std::trunc(args.Date());
  if (args.Failed()) return FailWith(h, args.Error());
  TcxDateTimeParts a, b, c;
  if (basis < 0 || !ToDate(issue, a) || !ToDate(first, b) || !ToDate(settlement, c) ||
      issue >= settlement || rate <= 0 || par <= 0 ||
      (frequency != 1 && frequency != 2 && frequency != 4))
    return FailWith(h, ecNum);
  PushResult(h, par * rate * YearFraction(issue, settlement, basis));
}

// Treasury bills: the days from settlement to maturity, at most a year.
bool PopBill(Handler& h, double& value, double& days) {
  TArgs args(h);
  value = args.Number();
  const double maturity = std::trunc(args.Date());
  const double settlement = std::trunc(args.Date());
  if (args.Failed()) {
    FailWith(h, args.Error());
    return false;
  }
  TcxDateTimeParts a, b;
  days = maturity - settlement;
  if (!ToDate(settlement, a) || !ToDate(maturity, b) || days <= 0 || value <= 0 ||
      YearFraction(settlement, maturity, 1) > 1) {
    FailWith(h, ecNum);
    return false;
  }
  return true;
}

// TBILLPRICE(settlement, maturity, discount): the price per 100.
void TBillPrice(Handler& h) {
  double discount, days;
  if (!PopBill(h, discount, days)) return;
  const double price = 100 * (1 - discount * days / 360);
  if (price <= 0) return FailWith(h, ecNum);
  PushResult(h, price);
}

// TBILLYIELD(settlement, maturity, price)
void TBillYield(Handler& h) {
  double price, days;
  if (!PopBill(h, price, days)) return;
  PushResult(h, (100 - price) / price * 360 / days);
}

// TBILLEQ(settlement, maturity, discount): the bond-equivalent yield.
void TBillEq(Handler& h) {
  double discount, days;
  if (!PopBill(h, discount, days)) return;
  const double denominator = 360 - discount * days;
  if (denominator <= 0) return FailWith(h, ecNum);
  PushResult(h, 365 * discount / denominator);
}

// --- Bonds with an odd first or last period -----------------------------------------------------

// The coupon periods around an odd period, counted as quasi-coupon periods: the regular periods
// the schedule would have had, stepped from an anchor coupon date by 12 / frequency months
// (back from the first coupon, or forward from the last one). A span of days within them counts
// each period's share by the basis: its days over the period's normal length.
class TQuasiPeriods {
public:
  TQuasiPeriods(double anchor, int frequency, int basis, int direction)
      : frequency_(frequency), basis_(basis), direction_(direction) {
    ToDate(anchor, anchor_);
    lastDay_ = anchor_.Day == DaysInMonth(anchor_.Year, anchor_.Month);
  }
  // The quasi-coupon date k periods from the anchor (back or forward).
  double Date(int k) const {
    double serial = 0;
    if (k == 0) return static_cast<double>(anchor_.Days);
    if (!AddMonths(anchor_, direction_ * 12.0 / frequency_ * k, lastDay_, serial)) return -1;
    return serial;
  }
  // The normal length in days of the period from `start` to `end`.
  double Length(double start, double end) const {
    switch (basis_) {
      case 1: return end - start;
      case 3: return 365.0 / frequency_;
      default: return 360.0 / frequency_;
    }
  }
  // Days from a to b by the basis.
  double Days(double a, double b) const {
    TcxDateTimeParts pa, pb;
    ToDate(a, pa);
    ToDate(b, pb);
    return DaysByBasis(pa, pb, basis_);
  }
  // The share of periods that the days from a to b make.
  double Share(double a, double b) const {
    double share = 0;
    for (int k = 0; k < 100000; ++k) {
      const double p = direction_ > 0 ? Date(k) : Date(k + 1);
      const double q = direction_ > 0 ? Date(k + 1) : Date(k);
      if (p < 0 || q < 0) break;
      const double from = std::max(a, p), to = std::min(b, q);
      if (from < to) share += Days(from, to) / Length(p, q);
      if ((direction_ > 0 && q >= b) || (direction_ < 0 && p <= a)) break;
    }
    return share;
  }

private:
  TcxDateTimeParts anchor_;
  int frequency_;
  int basis_;
  int direction_;
  bool lastDay_ = false;
};

// The arguments of the odd-period functions: settlement, maturity, a date (issue or last
// interest), for ODDF* the first coupon, then rate, yield or price, redemption, frequency and
// the optional basis.
struct TOddBond {
  double Settlement = 0, Maturity = 0, Issue = 0, First = 0, Rate = 0, Value = 0, Redemption = 0;
  int Frequency = 0, Basis = 0;
};

bool PopOddBond(Handler& h, TOddBond& b, bool first) {
  TArgs args(h);
  const size_t fixed = first ? 8 : 7;
  b.Basis = BasisOf(static_cast<size_t>(args.Count()) > fixed ? args.Number() : 0);
  const double frequency = std::trunc(args.Number());
  b.Redemption = args.Number();
  b.Value = args.Number();
  b.Rate = args.Number();
  if (first) b.First = std::trunc(args.Date());
  b.Issue = std::trunc(args.Date());
  b.Maturity = std::trunc(args.Date());
  b.Settlement = std::trunc(args.Date());
  if (args.Failed()) {
    FailWith(h, args.Error());
    return false;
  }
  TcxDateTimeParts check;
  bool ok = b.Basis >= 0 && (frequency == 1 || frequency == 2 || frequency == 4) &&
            ToDate(b.Settlement, check) && ToDate(b.Maturity, check) && ToDate(b.Issue, check) &&
            b.Rate >= 0 && b.Value > 0 && b.Redemption > 0;
  // ODDF*: issue < settlement < first coupon < maturity; ODDL*: last interest < settlement <
  // maturity.
  if (first)
    ok = ok && ToDate(b.First, check) && b.Issue < b.Settlement && b.Settlement < b.First &&
         b.First < b.Maturity;
  else
    ok = ok && b.Issue < b.Settlement && b.Settlement < b.Maturity;
  if (!ok) {
    FailWith(h, ecNum);
    return false;
  }
  b.Frequency = static_cast<int>(frequency);
  return true;
}

// The price of a bond whose first period (issue to first coupon) is odd, at the yield: the
// redemption, the regular coupons after the first and the first coupon's share of its quasi
// periods, each discounted from its date to the settlement, less the interest accrued since
// the issue.
double OddFirstPrice(const TOddBond& b, double yield) {
  const double f = b.Frequency;
  const TQuasiPeriods quasi(b.First, b.Frequency, b.Basis, -1);
  // The quasi period that holds the settlement: k periods back from the first coupon.
  int k = 1;
  while (quasi.Date(k) > b.Settlement && quasi.Date(k) >= 0) ++k;
  const double next = quasi.Date(k - 1);
  const double dsc = quasi.Days(b.Settlement, next) / quasi.Length(quasi.Date(k), next);
  const double whole = k - 1;  // whole quasi periods from the next quasi date to the first coupon
  // The regular coupons after the first, up to the maturity.
  const TQuasiPeriods regular(b.First, b.Frequency, b.Basis, 1);
  int n = 0;
  while (regular.Date(n + 1) <= b.Maturity && regular.Date(n + 1) >= 0) ++n;
  const double coupon = 100 * b.Rate / f;
  const double v = 1 + yield / f;
  double price = b.Redemption / std::pow(v, n + whole + dsc);
  price += coupon * quasi.Share(b.Issue, b.First) / std::pow(v, whole + dsc);
  for (int j = 1; j <= n; ++j) price += coupon / std::pow(v, j + whole + dsc);
  return price - coupon * quasi.Share(b.Issue, b.Settlement);
}

// ODDFPRICE(settlement, maturity, issue, first_coupon, rate, yield, redemption, frequency
// [, basis])
void OddFPrice(Handler& h) {
  TOddBond b;
  if (!PopOddBond(h, b, true)) return;
  PushResult(h, OddFirstPrice(b, b.Value));
}

// ODDFYIELD(settlement, maturity, issue, first_coupon, rate, price, redemption, frequency
// [, basis]): the yield at which ODDFPRICE gives the price.
void OddFYield(Handler& h) {
  TOddBond b;
  if (!PopOddBond(h, b, true)) return;
  const auto priceAt = [&](double y) { return OddFirstPrice(b, y); };
  const auto slope = [&](double y) { return (priceAt(y + 1e-7) - priceAt(y - 1e-7)) / 2e-7; };
  PushResult(h, cxprobability::Solve(priceAt, slope, b.Value, 0,
                                     std::numeric_limits<double>::infinity()));
}

// The shares of the odd last period (last interest to maturity) in quasi periods: the whole
// period, the part before the settlement and the part after it.
struct TOddLast {
  double Period, Accrued, Remaining;
};

TOddLast OddLastShares(const TOddBond& b) {
  const TQuasiPeriods quasi(b.Issue, b.Frequency, b.Basis, 1);
  return {quasi.Share(b.Issue, b.Maturity), quasi.Share(b.Issue, b.Settlement),
          quasi.Share(b.Settlement, b.Maturity)};
}

// ODDLPRICE(settlement, maturity, last_interest, rate, yield, redemption, frequency [, basis])
void OddLPrice(Handler& h) {
  TOddBond b;
  if (!PopOddBond(h, b, false)) return;
  const TOddLast s = OddLastShares(b);
  const double f = b.Frequency;
  const double coupon = 100 * b.Rate / f;
  PushResult(h, (b.Redemption + coupon * s.Period) / (1 + s.Remaining * b.Value / f) -
                    coupon * s.Accrued);
}

// ODDLYIELD(settlement, maturity, last_interest, rate, price, redemption, frequency [, basis])
void OddLYield(Handler& h) {
  TOddBond b;
  if (!PopOddBond(h, b, false)) return;
  const TOddLast s = OddLastShares(b);
  const double f = b.Frequency;
  const double coupon = 100 * b.Rate / f;
  PushResult(h, ((b.Redemption + coupon * s.Period) / (b.Value + coupon * s.Accrued) - 1) * f /
                    s.Remaining);
}

// The French accounting's depreciation, AMORLINC and AMORDEGRC(cost, purchased, first_period,
// salvage, period, rate [, basis]): period 0 runs from the purchase to the end of the first
// period, the later ones are whole years.
struct TAmortization {
  double Cost = 0, Salvage = 0, Period = 0, Rate = 0, FirstYears = 0;
};

bool PopAmortization(Handler& h, TAmortization& a) {
  TArgs args(h);
  const int basis = BasisOf(args.Count() >= 7 ? args.Number() : 0);
  a.Rate = args.Number();
  a.Period = std::trunc(args.Number());
  a.Salvage = args.Number();
  const double first = std::trunc(args.Date());
  const double purchased = std::trunc(args.Date());
  a.Cost = args.Number();
  if (args.Failed()) {
    FailWith(h, args.Error());
    return false;
  }
  TcxDateTimeParts p, f;
  if (basis < 0 || basis == 2 || !ToDate(purchased, p) || !ToDate(first, f) || purchased > first ||
      a.Cost <= 0 || a.Salvage < 0 || a.Salvage > a.Cost || a.Period < 0 || a.Rate <= 0) {
    FailWith(h, ecNum);
    return false;
  }
  a.FirstYears = YearFraction(purchased, first, basis);
  return true;
}

// AMORLINC: the cost times the rate each year, the first period its share of that, the last
// what is left above the salvage value.
void AmorLinc(Handler& h) {
  TAmortization a;
  if (!PopAmortization(h, a)) return;
  const double yearly = a.Cost * a.Rate;
  const double first = a.FirstYears * yearly;
  const double full = std::trunc((a.Cost - a.Salvage - first) / yearly);
  if (a.Period == 0) return PushResult(h, first);
  if (a.Period <= full) return PushResult(h, yearly);
  if (a.Period == full + 1) return PushResult(h, a.Cost - a.Salvage - yearly * full - first);
  h.PushNumber(0);
}

// AMORDEGRC: a declining balance whose rate is the given one times a coefficient by the life
// (1 below 3 years, 1.5 below 5, 2 up to 6, 2.5 beyond), each year's amount rounded to a whole
// number; the year before the value would fall below the salvage and the year after share half
// of what remains, and nothing is written off after that.
void AmorDegrc(Handler& h) {
  TAmortization a;
  if (!PopAmortization(h, a)) return;
  const double life = 1 / a.Rate;
  const double coefficient = life < 3 ? 1 : life < 5 ? 1.5 : life <= 6 ? 2 : 2.5;
  const double rate = a.Rate * coefficient;
  double amount = std::round(a.FirstYears * rate * a.Cost);
  double value = a.Cost - amount;
  double rest = value - a.Salvage;
  for (double n = 0; n < a.Period; ++n) {
    amount = std::round(rate * value);
    rest -= amount;
    if (rest < 0) return h.PushNumber(a.Period - n <= 1 ? std::round(value * 0.5) : 0);
    value -= amount;
  }
  PushResult(h, amount);
}

constexpr TRoutine kRoutines[] = {
    {"ACCRINT", AccrInt},       {"ACCRINTM", AccrIntM},     {"AMORDEGRC", AmorDegrc},
    {"AMORLINC", AmorLinc},     {"COUPDAYBS", CoupDayBs},
    {"COUPDAYS", CoupDays},     {"COUPDAYSNC", CoupDaysNc}, {"COUPNCD", CoupNcd},
    {"COUPNUM", CoupNum},       {"COUPPCD", CoupPcd},       {"DISC", Disc},
    {"DURATION", DurationFunction}, {"INTRATE", IntRate},   {"MDURATION", MDuration},
    {"ODDFPRICE", OddFPrice},   {"ODDFYIELD", OddFYield},   {"ODDLPRICE", OddLPrice},
    {"ODDLYIELD", OddLYield},   {"PRICE", Price},           {"PRICEDISC", PriceDisc},   {"PRICEMAT", PriceMat},
    {"RECEIVED", Received},     {"TBILLEQ", TBillEq},       {"TBILLPRICE", TBillPrice},
    {"TBILLYIELD", TBillYield}, {"YIELD", Yield},           {"YIELDDISC", YieldDisc},
    {"YIELDMAT", YieldMat},
};

}  // namespace

void RegisterSecuritiesFunctions() { RegisterRoutines(kRoutines); }
