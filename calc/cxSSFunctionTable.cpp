#include "calc/cxSSFunctionTable.h"

#include <algorithm>
#include <array>
#include <vector>

#include "calc/cxSSFunctions.h"

namespace {

// Number, name, routine, style, file argument count. The routines are the function library's;
// an entry without one evaluates to "#VALUE!".
constexpr std::array<TcxExcelFuncDefinition, 81> kBuiltInFunctions{{
    {24, "ABS", nullptr, 0, 1},
    {99, "ACOS", nullptr, 0, 1},
    {233, "ACOSH", nullptr, 0, 1},
    {36, "AND", nullptr, 0, 1},
    {98, "ASIN", nullptr, 0, 1},
    {232, "ASINH", nullptr, 0, 1},
    {18, "ATAN", nullptr, 0, 1},
    {97, "ATAN2", nullptr, 0, 2},
    {234, "ATANH", nullptr, 0, 1},
    {5, "AVERAGE", nullptr, 0, 1},
    {361, "AVERAGEA", nullptr, 0, 1},
    {288, "CEILING", nullptr, 0, 2},
    {336, "CONCATENATE", nullptr, 0, 1},
    {16, "COS", nullptr, 0, 1},
    {230, "COSH", nullptr, 0, 1},
    {0, "COUNT", nullptr, 0, 1},
    {169, "COUNTA", nullptr, 0, 1},
    {347, "COUNTBLANK", nullptr, 0, 1},
    {346, "COUNTIF", nullptr, 0, 2},
    {65, "DATE", nullptr, 0, 3},
    {67, "DAY", nullptr, 0, 1},
    {343, "DEGREES", nullptr, 0, 1},
    {13, "DOLLAR", nullptr, 0, 1},
    {279, "EVEN", nullptr, 0, 1},
    {21, "EXP", nullptr, 0, 1},
    {184, "FACT", nullptr, 0, 1},
    {35, "FALSE", nullptr, 0, 0},
    {14, "FIXED", nullptr, 0, 1},
    {285, "FLOOR", nullptr, 0, 2},
    {71, "HOUR", nullptr, 0, 1},
    {1, "IF", nullptr, 0, 2},
    {25, "INT", nullptr, 0, 1},
    {129, "ISBLANK", nullptr, 0, 1},
    {126, "ISERR", nullptr, 0, 1},
    {3, "ISERROR", nullptr, 0, 1},
    {198, "ISLOGICAL", nullptr, 0, 1},
    {2, "ISNA", nullptr, 0, 1},
    {190, "ISNONTEXT", nullptr, 0, 1},
    {128, "ISNUMBER", nullptr, 0, 1},
    {127, "ISTEXT", nullptr, 0, 1},
    {115, "LEFT", nullptr, 0, 1},
    {32, "LEN", nullptr, 0, 1},
    {22, "LN", nullptr, 0, 1},
    {109, "LOG", nullptr, 0, 1},
    {23, "LOG10", nullptr, 0, 1},
    {112, "LOWER", nullptr, 0, 1},
    {7, "MAX", nullptr, 0, 1},
    {31, "MID", nullptr, 0, 3},
    {6, "MIN", nullptr, 0, 1},
    {72, "MINUTE", nullptr, 0, 1},
    {39, "MOD", nullptr, 0, 2},
    {68, "MONTH", nullptr, 0, 1},
    {38, "NOT", nullptr, 0, 1},
    {74, "NOW", nullptr, 0, 0},
    {298, "ODD", nullptr, 0, 1},
    {37, "OR", nullptr, 0, 1},
    {19, "PI", nullptr, 0, 0},
    {337, "POWER", nullptr, 0, 2},
    {342, "RADIANS", nullptr, 0, 1},
    {63, "RAND", nullptr, 0, 0},
    {116, "RIGHT", nullptr, 0, 1},
    {27, "ROUND", nullptr, 0, 2},
    {213, "ROUNDDOWN", nullptr, 0, 2},
    {212, "ROUNDUP", nullptr, 0, 2},
    {73, "SECOND", nullptr, 0, 1},
    {26, "SIGN", nullptr, 0, 1},
    {15, "SIN", nullptr, 0, 1},
    {229, "SINH", nullptr, 0, 1},
    {20, "SQRT", nullptr, 0, 1},
    {4, "SUM", nullptr, 0, 1},
    {321, "SUMSQ", nullptr, 0, 1},
    {17, "TAN", nullptr, 0, 1},
    {231, "TANH", nullptr, 0, 1},
    {66, "TIME", nullptr, 0, 3},
    {221, "TODAY", nullptr, 0, 0},
    {118, "TRIM", nullptr, 0, 1},
    {34, "TRUE", nullptr, 0, 0},
    {197, "TRUNC", nullptr, 0, 1},
    {113, "UPPER", nullptr, 0, 1},
    {70, "WEEKDAY", nullptr, 0, 1},
    {69, "YEAR", nullptr, 0, 1},
}};

// The table as lookups see it: the facts above with the library's routines filled in.
std::array<TcxExcelFuncDefinition, 81> builtIns = kBuiltInFunctions;

// The library fills the routines once, before the first lookup.
void RegisterLibraryOnce() {
  static const bool registered = [] {
    RegisterFunctionLibrary();
    return true;
  }();
  (void)registered;
}

std::vector<TcxExcelFuncDefinition>& AddedFunctions() {
  static std::vector<TcxExcelFuncDefinition> added;
  return added;
}

bool SameNameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

template <typename Match>
bool Find(Match match, TcxFuncDefinition& definition) {
  RegisterLibraryOnce();
  for (const auto& entry : builtIns)
    if (match(entry)) {
      definition = entry;
      return true;
    }
  for (const auto& entry : AddedFunctions())
    if (match(entry)) {
      definition = entry;
      return true;
    }
  return false;
}

}  // namespace

std::span<const TcxExcelFuncDefinition> BuiltInFunctions() {
  RegisterLibraryOnce();
  return builtIns;
}

bool FindFunctionByIndex(int index, TcxFuncDefinition& definition) {
  return Find([index](const TcxExcelFuncDefinition& e) { return e.Index == index; }, definition);
}

bool FindFunctionByName(std::string_view name, TcxFuncDefinition& definition) {
  RegisterLibraryOnce();
  // The built-ins are in alphabetical order: a binary search over the upper-cased name.
  char upper[16];
  if (name.size() <= sizeof upper) {
    for (size_t i = 0; i < name.size(); ++i)
      upper[i] = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 'a' + 'A')
                                                  : name[i];
    const std::string_view key(upper, name.size());
    const auto it = std::lower_bound(
        builtIns.begin(), builtIns.end(), key,
        [](const TcxExcelFuncDefinition& e, std::string_view k) { return e.Name < k; });
    if (it != builtIns.end() && it->Name == key) {
      definition = *it;
      return true;
    }
  }
  for (const auto& entry : AddedFunctions())
    if (SameNameNoCase(entry.Name, name)) {
      definition = entry;
      return true;
    }
  return false;
}

void AddFunction(const TcxFuncDefinition& definition) {
  RegisterLibraryOnce();
  AddedFunctions().push_back(definition);
}

void ClearAddedFunctions() { AddedFunctions().clear(); }

bool SetFunctionProc(std::string_view name, TcxFunctionProc proc) {
  bool found = false;
  for (auto& entry : builtIns)
    if (entry.Name == name) {
      entry.Proc = proc;
      found = true;
    }
  for (auto& entry : AddedFunctions())
    if (entry.Name == name) {
      entry.Proc = proc;
      found = true;
    }
  return found;
}
