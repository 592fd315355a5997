#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "platform/TextServices.h"

// The database functions DSUM, DCOUNT, DGET, ... (database, field, criteria). The database is an
// area whose first row holds the field labels and whose other rows are the records. The field is
// a label (without regard to case) or a column number from 1. The criteria is an area whose
// first row holds labels of the database and whose other rows each give one alternative: a
// record is taken when all the conditions of one row hold for it (an empty cell is no
// condition). A condition is a value or a comparison as SUMIF's criteria are, except that a
// text without a comparison matches the texts that begin with it ("App" takes "Apple"; "=App"
// only "App").

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// A label as text: the header cell's text, number or truth value.
std::string LabelOf(Handler& h, const TValue& v) {
  std::string text;
  uint8_t error = 0;
  if (!ToText(h, v, text, error)) return {};
  return text;
}

// The column of the database whose label is `label`; -1 when there is none.
int FindLabel(Handler& h, const TArgument& database, const std::string& label) {
  for (int c = 0; c < database.Cols(); ++c)
    if (h.TextServices().CompareText(LabelOf(h, database.At(h, 0, c)), label) == 0) return c;
  return -1;
}

// One alternative of the criteria: conditions on columns of the database.
struct TCondition {
  int Column;
  TCriteria Test;
};
using TAlternative = std::vector<TCondition>;

// The records (rows from 1) of the database that meet the criteria.
bool MatchingRecords(Handler& h, const TArgument& database, const TArgument& criteria,
                     std::vector<int>& records, uint8_t& error) {
  if (criteria.Rows() < 1) {
    error = ecValue;
    return false;
  }
  std::vector<int> columns(static_cast<size_t>(criteria.Cols()));
  for (int c = 0; c < criteria.Cols(); ++c) {
    const TValue label = criteria.At(h, 0, c);
    columns[static_cast<size_t>(c)] =
        label.Kind == vkEmpty ? -1 : FindLabel(h, database, LabelOf(h, label));
  }
  std::vector<TAlternative> alternatives;
  for (int r = 1; r < criteria.Rows(); ++r) {
    TAlternative alternative;
    for (int c = 0; c < criteria.Cols(); ++c) {
      const TValue v = criteria.At(h, r, c);
      if (v.Kind == vkEmpty) continue;
      if (v.IsError()) {
        error = v.Error;
        return false;
      }
      // A condition under a label the database lacks.
      if (columns[static_cast<size_t>(c)] < 0) {
        error = ecNum;
        return false;
      }
      alternative.push_back({columns[static_cast<size_t>(c)], TCriteria(h, v, true)});
    }
    alternatives.push_back(std::move(alternative));
  }
  // A criteria of labels alone takes every record.
  if (alternatives.empty()) alternatives.emplace_back();
  for (int r = 1; r < database.Rows(); ++r) {
    const bool taken = std::any_of(alternatives.begin(), alternatives.end(), [&](const TAlternative& a) {
      return std::all_of(a.begin(), a.end(), [&](const TCondition& condition) {
        return condition.Test.Matches(database.At(h, r, condition.Column));
      });
    });
    if (taken) records.push_back(r);
  }
  return true;
}

// The values of the field over the matching records. `hasField` is false for an omitted field
// (DCOUNT and DCOUNTA then count the records themselves).
bool FieldValues(Handler& h, std::vector<TValue>& values, bool& hasField, uint8_t& error) {
  TArgs args(h);
  const TArgument criteria = args.Any();
  const TValue field = args.Single();
  const TArgument database = args.Any();
  if (args.Failed()) {
    error = args.Error();
    return false;
  }
  for (const TArgument* a : {&database, &criteria})
    if (a->Kind != TArgument::akArea && a->Kind != TArgument::akArray) {
      error = a->Value.IsError() ? a->Value.Error : uint8_t(ecValue);
      return false;
    }
  if (database.Rows() < 1) {
    error = ecValue;
    return false;
  }
  hasField = field.Kind != vkEmpty;
  int column = 0;
  if (field.Kind == vkNumber || field.Kind == vkBool) {
    column = static_cast<int>(std::trunc(field.Number)) - 1;
    if (column < 0 || column >= database.Cols()) {
      error = ecValue;
      return false;
    }
  } else if (field.Kind == vkText) {
    column = FindLabel(h, database, field.Text);
    if (column < 0) {
      error = ecValue;
      return false;
    }
  }
  std::vector<int> records;
  if (!MatchingRecords(h, database, criteria, records, error)) return false;
  for (const int r : records) values.push_back(hasField ? database.At(h, r, column) : TValue::OfNumber(0));
  return true;
}

// The numbers among the field's values; an error value among them is the result.
bool FieldNumbers(Handler& h, std::vector<double>& numbers, uint8_t& error) {
  std::vector<TValue> values;
  bool hasField = false;
  if (!FieldValues(h, values, hasField, error)) return false;
  for (const TValue& v : values) {
    if (v.IsError()) {
      error = v.Error;
      return false;
    }
    if (v.IsNumber()) numbers.push_back(v.Number);
  }
  return true;
}

enum TAggregate : uint8_t { agSum, agAverage, agMax, agMin, agProduct, agStdev, agStdevP, agVar, agVarP };

// DSUM, DAVERAGE, DMAX, DMIN, DPRODUCT, DSTDEV, DSTDEVP, DVAR, DVARP over the field's numbers.
// Without any number: DAVERAGE and the spreads "#DIV/0!", the others 0.
template <TAggregate Kind>
void Aggregate(Handler& h) {
  std::vector<double> x;
  uint8_t error = 0;
  if (!FieldNumbers(h, x, error)) return FailWith(h, error);
  const double n = static_cast<double>(x.size());
  double sum = 0;
  for (const double v : x) sum += v;
  switch (Kind) {
    case agSum: return PushResult(h, sum);
    case agAverage: return x.empty() ? FailWith(h, ecDivZero) : PushResult(h, sum / n);
    case agMax: return PushResult(h, x.empty() ? 0 : *std::max_element(x.begin(), x.end()));
    case agMin: return PushResult(h, x.empty() ? 0 : *std::min_element(x.begin(), x.end()));
    case agProduct: {
      double product = x.empty() ? 0 : 1;
      for (const double v : x) product *= v;
      return PushResult(h, product);
    }
    default: break;
  }
  const bool sample = Kind == agStdev || Kind == agVar;
  if (x.size() < (sample ? 2u : 1u)) return FailWith(h, ecDivZero);
  const double mean = sum / n;
  double squares = 0;
  for (const double v : x) squares += (v - mean) * (v - mean);
  const double variance = squares / (sample ? n - 1 : n);
  PushResult(h, Kind == agStdev || Kind == agStdevP ? std::sqrt(variance) : variance);
}

// DCOUNT counts the numbers of the field, DCOUNTA its values that are not empty; without a
// field both count the matching records.
template <bool Numbers>
void DCount(Handler& h) {
  std::vector<TValue> values;
  bool hasField = false;
  uint8_t error = 0;
  if (!FieldValues(h, values, hasField, error)) return FailWith(h, error);
  const auto counted = std::count_if(values.begin(), values.end(), [&](const TValue& v) {
    return !hasField || (Numbers ? v.IsNumber() : v.Kind != vkEmpty);
  });
  h.PushNumber(static_cast<double>(counted));
}

// DGET: the field of the one matching record; "#VALUE!" when none matches, "#NUM!" when
// several do.
void DGet(Handler& h) {
  std::vector<TValue> values;
  bool hasField = false;
  uint8_t error = 0;
  if (!FieldValues(h, values, hasField, error)) return FailWith(h, error);
  if (!hasField || values.empty()) return FailWith(h, ecValue);
  if (values.size() > 1) return FailWith(h, ecNum);
  PushValue(h, values.front());
}

constexpr TRoutine kRoutines[] = {
    {"DAVERAGE", Aggregate<agAverage>}, {"DCOUNT", DCount<true>},
    {"DCOUNTA", DCount<false>},         {"DGET", DGet},
    {"DMAX", Aggregate<agMax>},         {"DMIN", Aggregate<agMin>},
    {"DPRODUCT", Aggregate<agProduct>}, {"DSTDEV", Aggregate<agStdev>},
    {"DSTDEVP", Aggregate<agStdevP>},   {"DSUM", Aggregate<agSum>},
    {"DVAR", Aggregate<agVar>},         {"DVARP", Aggregate<agVarP>},
};

}  // namespace

void RegisterDatabaseFunctions() { RegisterRoutines(kRoutines); }
