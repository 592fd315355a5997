#include <string>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctions.h"
#include "platform/TextServices.h"

// Sums, counts and the other aggregates over argument lists. Number-mode routines read cell
// numbers straight from the handler, without text.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

void Sum(Handler& h) {
  double sum = 0;
  // A run of empty cells adds 0 once.
  h.ForEachArgument([&sum](const TcxArgumentValue& v) { sum += v.Number; }, amNumber | amRuns);
  PushResult(h, sum);
}

void SumSq(Handler& h) {
  double sum = 0;
  h.ForEachArgument([&sum](const TcxArgumentValue& v) { sum += v.Number * v.Number; },
                    amNumber | amRuns);
  PushResult(h, sum);
}

// MAX and MIN keep the first value and then each larger (smaller) one; 0 without any value.
template <bool Larger>
void Extreme(Handler& h) {
  double best = 0;
  bool any = false;
  h.ForEachArgument(
      [&](const TcxArgumentValue& v) {
        if (!any || (Larger ? v.Number > best : v.Number < best)) best = v.Number;
        any = true;
      },
      amNumber | amRuns);
  h.PushNumber(best);
}

// Values whose text is a number.
int CountNumbers(Handler& h) {
  int n = 0;
  h.ForEachArgument(
      [&](const TcxArgumentValue& v) {
        double x;
        if (TextToNumber(h, v.Text, x)) ++n;
      },
      amText | amRuns);
  return n;
}

int CountNonEmpty(Handler& h) {
  int n = 0;
  h.ForEachArgument([&n](const TcxArgumentValue& v) { n += v.Text.empty() ? 0 : 1; },
                    amText | amRuns);
  return n;
}

void Count(Handler& h) { h.PushNumber(CountNumbers(h)); }
void CountA(Handler& h) { h.PushNumber(CountNonEmpty(h)); }

void CountBlank(Handler& h) {
  double n = 0;
  h.ForEachArgument(
      [&n](const TcxArgumentValue& v) { n += v.Text.empty() ? static_cast<double>(v.Repeat) : 0; },
      amText | amRuns);
  h.PushNumber(n);
}

// AVERAGE and AVERAGEA read their arguments twice: counted first (COUNT or COUNTA), then summed.
// So TRUE in a referenced cell adds 1 to the sum but is not counted by COUNT.
void Mean(Handler& h, int (*count)(Handler&)) {
  h.DuplicateArguments(h.ArgCount());
  const int n = count(h);
  double sum = 0;
  h.ForEachArgument([&sum](const TcxArgumentValue& v) { sum += v.Number; }, amNumber | amRuns);
  if (n <= 0) {
    h.SetError(ecDivZero);
    h.PushNumber(0);
    return;
  }
  PushResult(h, sum / n);
}

void Average(Handler& h) { Mean(h, CountNumbers); }
void AverageA(Handler& h) { Mean(h, CountNonEmpty); }

// COUNTIF(area, criteria): a criteria starting with >=, >, <= or < compares each value with the
// rest as text (without case, under the locale); any other criteria must equal the value as
// text. Numbers compare as texts too, so ">5" does not count 10.
void CountIf(Handler& h) {
  const std::string criteria = h.PopText();
  std::string_view operand = criteria;
  int op = 0;  // 0 equal, 1 >=, 2 >, 3 <=, 4 <
  if (operand.starts_with(">=")) {
    op = 1;
    operand.remove_prefix(2);
  } else if (operand.starts_with(">")) {
    op = 2;
    operand.remove_prefix(1);
  } else if (operand.starts_with("<=")) {
    op = 3;
    operand.remove_prefix(2);
  } else if (operand.starts_with("<")) {
    op = 4;
    operand.remove_prefix(1);
  }
  const ITextServices& text = h.TextServices();
  double n = 0;
  const TcxArgumentCallback match = [&](const TcxArgumentValue& v) {
    const int order = text.CompareText(v.Text, op == 0 ? std::string_view(criteria) : operand);
    bool counts = false;
    switch (op) {
      case 1: counts = order >= 0; break;
      case 2: counts = order > 0; break;
      case 3: counts = order <= 0; break;
      case 4: counts = order < 0; break;
      default: counts = order == 0; break;
    }
    n += counts ? static_cast<double>(v.Repeat) : 0;
  };
  for (int i = 1; i < h.ArgCount(); ++i) ForEachValueOf(h, match, amText | amRuns);
  h.PushNumber(n);
}

constexpr TRoutine kRoutines[] = {
    {"AVERAGE", Average},  {"AVERAGEA", AverageA},     {"COUNT", Count},
    {"COUNTA", CountA},    {"COUNTBLANK", CountBlank}, {"COUNTIF", CountIf},
    {"MAX", Extreme<true>}, {"MIN", Extreme<false>},   {"SUM", Sum},
    {"SUMSQ", SumSq},
};

}  // namespace

void RegisterStatisticsFunctions() { RegisterRoutines(kRoutines); }
