#include <algorithm>
#include <cmath>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSTokens.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"

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

// GEOMEAN and HARMEAN: the geometric and harmonic means of positive numbers.
template <bool Geometric>
void PositiveMean(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  if (x.empty()) return FailWith(h, ecNum);
  double sum = 0;
  for (const double v : x) {
    if (v <= 0) return FailWith(h, ecNum);
    sum += Geometric ? std::log(v) : 1 / v;
  }
  const double n = static_cast<double>(x.size());
  PushResult(h, Geometric ? std::exp(sum / n) : n / sum);
}

// The sum of the standardized values raised to `power`, with the sample standard deviation;
// false when there are fewer than `minimum` values or they do not vary.
bool StandardizedSum(const std::vector<double>& x, size_t minimum, int power, double& sum) {
  if (x.size() < minimum) return false;
  const double mean = Mean(x);
  const double sd = std::sqrt(SumOfSquaredDeviations(x) / static_cast<double>(x.size() - 1));
  if (sd == 0) return false;
  sum = 0;
  for (const double v : x) sum += std::pow((v - mean) / sd, power);
  return true;
}

// SKEW: the sample skewness, at least three values.
void Skew(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  double sum = 0;
  if (!StandardizedSum(x, 3, 3, sum)) return FailWith(h, ecDivZero);
  const double n = static_cast<double>(x.size());
  PushResult(h, n / ((n - 1) * (n - 2)) * sum);
}

// KURT: the sample excess kurtosis, at least four values.
void Kurt(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!PopListNumbers(h, lnNumbers, x, error)) return FailWith(h, error);
  double sum = 0;
  if (!StandardizedSum(x, 4, 4, sum)) return FailWith(h, ecDivZero);
  const double n = static_cast<double>(x.size());
  PushResult(h, n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * sum -
                    3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
}

// TRIMMEAN(array, percent): the mean without the given share of the values, half taken from
// each end; the count left out is rounded down to an even number.
void TrimMean(Handler& h) {
  std::vector<double> x;
  double percent = 0;
  uint8_t error = 0;
  if (!PopArrayAndNumber(h, x, percent, error)) return FailWith(h, error);
  if (x.empty() || percent < 0 || percent >= 1) return FailWith(h, ecNum);
  const size_t cut = static_cast<size_t>(std::floor(static_cast<double>(x.size()) * percent / 2));
  std::sort(x.begin(), x.end());
  const std::vector<double> kept(x.begin() + static_cast<ptrdiff_t>(cut),
                                 x.end() - static_cast<ptrdiff_t>(cut));
  PushResult(h, Mean(kept));
}

// SUBTOTAL(function, reference, ...): the aggregate numbered 1 to 11 (AVERAGE, COUNT, COUNTA,
// MAX, MIN, PRODUCT, STDEV, STDEVP, SUM, VAR, VARP) over the references, leaving out the cells
// that hold SUBTOTAL themselves (so that subtotals within a range are not counted twice); 101 to
// 111 leave out the cells of hidden rows as well.
constexpr uint16_t kSubtotalFunction = 344;

// Whether the cell holds a formula that calls SUBTOTAL.
bool CallsSubtotal(Handler& h, int sheet, int col, int row) {
  const TcxSSCellRec& cell = h.Book().Pages(sheet).DataStorage().CellRef(col, row);
  if (cell.Kind != ckFormula || !cell.Formula) return false;
  const TcxTokenString& tokens = cell.Formula->Tokens;
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return false;
    if (tokens[pos] == ptgFuncVar && ReadUInt16(tokens.data() + pos + 2) == kSubtotalFunction)
      return true;
    pos += size;
  }
  return false;
}

void Subtotal(Handler& h) {
  const int count = h.ArgCount();
  if (count < 2) {
    DropArguments(h);
    return Fail(h, ecValue);
  }
  std::vector<TArgument> refs(static_cast<size_t>(count - 1));
  for (auto it = refs.rbegin(); it != refs.rend(); ++it) *it = PopArgument(h);
  TArgs args(h);
  const double number = std::trunc(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  const bool skipHidden = number > 100;
  const int kind = static_cast<int>(skipHidden ? number - 100 : number);
  if (kind < 1 || kind > 11) return FailWith(h, ecValue);
  std::vector<double> x;
  int nonEmpty = 0;
  for (const TArgument& ref : refs) {
    if (ref.Kind != TArgument::akArea) {
      if (ref.Value.IsError()) return FailWith(h, ref.Value.Error);
      uint8_t error = 0;
      if (!ArgumentNumbers(h, ref, lnNumbers, x, error)) return FailWith(h, error);
      nonEmpty += ref.Value.Kind != vkEmpty || ref.Kind == TArgument::akArray ? 1 : 0;
      continue;
    }
    const TRect cells = h.Cache().ClipToStored(ref.Area.Sheet, ref.Area.Cells);
    const TcxSSHeader& rows = h.Book().Pages(ref.Area.Sheet).RowHeader();
    for (int row = cells.Top; row <= cells.Bottom; ++row) {
      if (skipHidden && !rows.IsVisible(row)) continue;
      for (int col = cells.Left; col <= cells.Right; ++col) {
        if (CallsSubtotal(h, ref.Area.Sheet, col, row)) continue;
        const TValue v = CellValue(h, ref.Area.Sheet, col, row);
        if (v.IsError()) return FailWith(h, v.Error);
        if (v.Kind != vkEmpty) ++nonEmpty;
        if (v.IsNumber()) x.push_back(v.Number);
      }
    }
  }
  const double n = static_cast<double>(x.size());
  switch (kind) {
    case 1:
      if (x.empty()) return FailWith(h, ecDivZero);
      return PushResult(h, Mean(x));
    case 2: return h.PushNumber(n);
    case 3: return h.PushNumber(nonEmpty);
    case 4: return PushResult(h, x.empty() ? 0 : *std::max_element(x.begin(), x.end()));
    case 5: return PushResult(h, x.empty() ? 0 : *std::min_element(x.begin(), x.end()));
    case 6: {
      double product = x.empty() ? 0 : 1;
      for (const double v : x) product *= v;
      return PushResult(h, product);
    }
    case 9: {
      double sum = 0;
      for (const double v : x) sum += v;
      return PushResult(h, sum);
    }
    default: break;
  }
  // 7 STDEV, 8 STDEVP, 10 VAR, 11 VARP.
  const bool sample = kind == 7 || kind == 10;
  if (x.size() < (sample ? 2u : 1u)) return FailWith(h, ecDivZero);
  const double variance = SumOfSquaredDeviations(x) / (sample ? n - 1 : n);
  PushResult(h, kind == 7 || kind == 8 ? std::sqrt(variance) : variance);
}

constexpr TRoutine kRoutines[] = {
    {"AVEDEV", AveDev},
    {"DEVSQ", DevSq},
    {"GEOMEAN", PositiveMean<true>},
    {"HARMEAN", PositiveMean<false>},
    {"KURT", Kurt},
    {"LARGE", Nth<true>},
    {"MAXA", ExtremeA<true>},
    {"MEDIAN", Median},
    {"MINA", ExtremeA<false>},
    {"MODE", Mode},
    {"PERCENTILE", Percentile},
    {"PERCENTRANK", PercentRank},
    {"QUARTILE", Quartile},
    {"RANK", Rank},
    {"SKEW", Skew},
    {"SMALL", Nth<false>},
    {"STDEV", Spread<lnNumbers, true, true>},
    {"STDEVA", Spread<lnLogical, true, true>},
    {"STDEVP", Spread<lnNumbers, false, true>},
    {"STDEVPA", Spread<lnLogical, false, true>},
    {"SUBTOTAL", Subtotal},
    {"TRIMMEAN", TrimMean},
    {"VAR", Spread<lnNumbers, true, false>},
    {"VARA", Spread<lnLogical, true, false>},
    {"VARP", Spread<lnNumbers, false, false>},
    {"VARPA", Spread<lnLogical, false, false>},
};

}  // namespace

void RegisterDescriptiveFunctions() { RegisterRoutines(kRoutines); }
