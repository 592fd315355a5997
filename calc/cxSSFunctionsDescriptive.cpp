#include <algorithm>
#include <cmath>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"

// Descriptive statistics with Excel's rules: from references only numbers count (the A
// variants count booleans and texts too), empty cells never.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

double Mean(const std::vector<double>& x) {
  double sum = 0;
  for (const double v : x) sum += v;
  return sum / static_cast<double>(x.size());
}

double SumOfSquaredDeviations(const std::vector<double>& x) {
  const double mean = Mean(x);
  double sum = 0;
  for (const double v : x) sum += (v - mean) * (v - mean);
  return sum;
}

// STDEV, STDEVP, VAR, VARP and their A variants: the sample (n - 1) or the population (n)
// variance, or its square root.
template <TListNumbers Rule, bool Sample, bool Root>
void Spread(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, Rule, x, error)) return FailWith(h, error);
  const size_t minimum = Sample ? 2 : 1;
  if (x.size() < minimum) return FailWith(h, ecDivZero);
  const double variance = SumOfSquaredDeviations(x) / static_cast<double>(x.size() - (Sample ? 1 : 0));
  PushResult(h, Root ? std::sqrt(variance) : variance);
}

void DevSq(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  if (x.empty()) return FailWith(h, ecNum);
  PushResult(h, SumOfSquaredDeviations(x));
}

void AveDev(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  if (x.empty()) return FailWith(h, ecNum);
  const double mean = Mean(x);
  double sum = 0;
  for (const double v : x) sum += std::fabs(v - mean);
  PushResult(h, sum / static_cast<double>(x.size()));
}

// MAXA and MINA: 0 without any value.
template <bool Larger>
void ExtremeA(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnLogical, x, error)) return FailWith(h, error);
  if (x.empty()) return h.PushNumber(0);
  PushResult(h, Larger ? *std::max_element(x.begin(), x.end()) : *std::min_element(x.begin(), x.end()));
}

void Median(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  if (x.empty()) return FailWith(h, ecNum);
  std::sort(x.begin(), x.end());
  const size_t n = x.size();
  PushResult(h, n % 2 ? x[n / 2] : (x[n / 2 - 1] + x[n / 2]) / 2);
}

// MODE: the most frequent value, the first written among equally frequent ones; "#N/A" when no
// value repeats.
void Mode(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  int bestCount = 1;
  double best = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    const int count = static_cast<int>(std::count(x.begin(), x.end(), x[i]));
    if (count > bestCount) {
      bestCount = count;
      best = x[i];
    }
  }
  if (bestCount < 2) return FailWith(h, ecNA);
  PushResult(h, best);
}

// The numbers of one array argument (references: numbers only) and a number after it.
bool PopArrayAndNumber(Handler& h, std::vector<double>& x, double& k, uint8_t& error) {
  TArgs args(h);
  k = args.Number();
  const TArgument array = args.Any();
  uint8_t arrayError = 0;
  const bool ok = ArgumentNumbers(h, array, lnNumbers, x, arrayError);
  if (!ok) {
    error = arrayError;
    return false;
  }
  if (args.Failed()) {
    error = args.Error();
    return false;
  }
  return true;
}

// LARGE(array, k) and SMALL(array, k): the k-th largest (smallest) value, k rounded up.
template <bool Larger>
void Nth(Handler& h) {
  std::vector<double> x;
  double k = 0;
  uint8_t error = 0;
  if (!PopArrayAndNumber(h, x, k, error)) return FailWith(h, error);
  k = std::ceil(k);
  if (k < 1 || k > static_cast<double>(x.size())) return FailWith(h, ecNum);
  const auto at = x.begin() + static_cast<ptrdiff_t>(k) - 1;
  if (Larger)
    std::nth_element(x.begin(), at, x.end(), std::greater<double>());
  else
    std::nth_element(x.begin(), at, x.end());
  PushResult(h, *at);
}

// The value at fraction k (0..1) of the sorted values, interpolated between neighbours.
double PercentileOf(std::vector<double> x, double k) {
  std::sort(x.begin(), x.end());
  const double position = k * static_cast<double>(x.size() - 1);
  const size_t low = static_cast<size_t>(std::floor(position));
  const double fraction = position - static_cast<double>(low);
  if (low + 1 >= x.size()) return x.back();
  return x[low] + fraction * (x[low + 1] - x[low]);
}

void Percentile(Handler& h) {
  std::vector<double> x;
  double k = 0;
  uint8_t error = 0;
  if (!PopArrayAndNumber(h, x, k, error)) return FailWith(h, error);
  if (x.empty() || k < 0 || k > 1) return FailWith(h, ecNum);
  PushResult(h, PercentileOf(std::move(x), k));
}

void Quartile(Handler& h) {
  std::vector<double> x;
  double q = 0;
  uint8_t error = 0;
  if (!PopArrayAndNumber(h, x, q, error)) return FailWith(h, error);
  q = std::trunc(q);
  if (x.empty() || q < 0 || q > 4) return FailWith(h, ecNum);
  PushResult(h, PercentileOf(std::move(x), q / 4));
}

// PERCENTRANK(array, x [, significance]): the share of values below x, interpolated between
// neighbouring values, cut (not rounded) to `significance` digits (3 when omitted).
void PercentRank(Handler& h) {
  TArgs args(h);
  const double significance = args.Count() >= 3 ? std::trunc(args.Number()) : 3;
  const double value = args.Number();
  const TArgument array = args.Any();
  std::vector<double> x;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, array, lnNumbers, x, error)) return FailWith(h, error);
  if (args.Failed()) return FailWith(h, args.Error());
  if (significance < 1 || x.empty()) return FailWith(h, ecNum);
  std::sort(x.begin(), x.end());
  if (value < x.front() || value > x.back()) return FailWith(h, ecNA);
  const double n = static_cast<double>(x.size());
  const auto rankOf = [&](double v) {
    return static_cast<double>(std::lower_bound(x.begin(), x.end(), v) - x.begin()) / (n - 1);
  };
  double rank;
  if (x.size() == 1) {
    rank = 1;
  } else if (std::binary_search(x.begin(), x.end(), value)) {
    rank = rankOf(value);
  } else {
    const auto upper = std::upper_bound(x.begin(), x.end(), value);
    const double hi = *upper;
    const double lo = *(upper - 1);
    const double rankLo = rankOf(lo);
    const double rankHi = rankOf(hi);
    rank = rankLo + (value - lo) / (hi - lo) * (rankHi - rankLo);
  }
  const double scale = std::pow(10.0, std::min(significance, 15.0));
  PushResult(h, std::floor(SnapToShownDigits(rank * scale)) / scale);
}

// RANK(number, reference [, order]): 1 + the count of values greater (order 0 or omitted) or
// smaller than the number, which must be among them.
void Rank(Handler& h) {
  TArgs args(h);
  const double order = args.Count() >= 3 ? args.Number() : 0;
  const TArgument ref = args.Any();
  const double number = args.Number();
  std::vector<double> x;
  uint8_t error = 0;
  if (!ArgumentNumbers(h, ref, lnNumbers, x, error)) return FailWith(h, error);
  if (args.Failed()) return FailWith(h, args.Error());
  if (std::find(x.begin(), x.end(), number) == x.end()) return FailWith(h, ecNA);
  const auto before = std::count_if(x.begin(), x.end(), [&](double v) {
    return order == 0 ? v > number : v < number;
  });
  h.PushNumber(static_cast<double>(before + 1));
}

constexpr TRoutine kRoutines[] = {
    {"AVEDEV", AveDev},
    {"DEVSQ", DevSq},
    {"LARGE", Nth<true>},
    {"MAXA", ExtremeA<true>},
    {"MEDIAN", Median},
    {"MINA", ExtremeA<false>},
    {"MODE", Mode},
    {"PERCENTILE", Percentile},
    {"PERCENTRANK", PercentRank},
    {"QUARTILE", Quartile},
    {"RANK", Rank},
    {"SMALL", Nth<false>},
    {"STDEV", Spread<lnNumbers, true, true>},
    {"STDEVA", Spread<lnLogical, true, true>},
    {"STDEVP", Spread<lnNumbers, false, true>},
    {"STDEVPA", Spread<lnLogical, false, true>},
    {"VAR", Spread<lnNumbers, true, false>},
    {"VARA", Spread<lnLogical, true, false>},
    {"VARP", Spread<lnNumbers, false, false>},
    {"VARPA", Spread<lnLogical, false, false>},
};

}  // namespace

void RegisterDescriptiveFunctions() { RegisterRoutines(kRoutines); }
