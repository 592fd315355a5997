#include "calc/cxSSFunctionTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
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


// The add-ins of a list numbered from kAddInFunctionBase in the list's order.
template <size_t N>
constexpr std::array<TcxExcelFuncDefinition, N> NumberAddIns(
    std::array<TcxExcelFuncDefinition, N> functions) {
  uint16_t next = kAddInFunctionBase;
  for (auto& f : functions)
    if (f.Index == kAddIn) f.Index = next++;
  return functions;
}

// The second list, searched after the built-ins: the functions that workbooks use beyond the 81,
// alphabetical. Numbers and file argument counts (the smallest count a call may have) as the
// file format defines them; kAddIn marks the add-in functions.
constexpr std::array kFurtherFunctions = NumberAddIns(std::to_array<TcxExcelFuncDefinition>({
    {kAddIn, "ACCRINT", nullptr, 0, 6},
    {kAddIn, "ACCRINTM", nullptr, 0, 3},
    {219, "ADDRESS", nullptr, 0, 2},
    {kAddIn, "AMORDEGRC", nullptr, 0, 6},
    {kAddIn, "AMORLINC", nullptr, 0, 6},
    {75, "AREAS", nullptr, 0, 1},
    {214, "ASC", nullptr, 0, 1},
    {269, "AVEDEV", nullptr, 0, 1},
    {kAddIn, "BESSELI", nullptr, 0, 2},
    {kAddIn, "BESSELJ", nullptr, 0, 2},
    {kAddIn, "BESSELK", nullptr, 0, 2},
    {kAddIn, "BESSELY", nullptr, 0, 2},
    {270, "BETADIST", nullptr, 0, 3},
    {272, "BETAINV", nullptr, 0, 3},
    {kAddIn, "BIN2DEC", nullptr, 0, 1},
    {kAddIn, "BIN2HEX", nullptr, 0, 1},
    {kAddIn, "BIN2OCT", nullptr, 0, 1},
    {273, "BINOMDIST", nullptr, 0, 4},
    {125, "CELL", nullptr, 0, 1},
    {111, "CHAR", nullptr, 0, 1},
    {274, "CHIDIST", nullptr, 0, 2},
    {275, "CHIINV", nullptr, 0, 2},
    {306, "CHITEST", nullptr, 0, 2},
    {100, "CHOOSE", nullptr, 0, 2},
    {162, "CLEAN", nullptr, 0, 1},
    {121, "CODE", nullptr, 0, 1},
    {9, "COLUMN", nullptr, 0, 0},
    {77, "COLUMNS", nullptr, 0, 1},
    {276, "COMBIN", nullptr, 0, 2},
    {kAddIn, "COMPLEX", nullptr, 0, 2},
    {277, "CONFIDENCE", nullptr, 0, 3},
    {kAddIn, "CONVERT", nullptr, 0, 3},
    {307, "CORREL", nullptr, 0, 2},
    {kAddIn, "COUPDAYBS", nullptr, 0, 3},
    {kAddIn, "COUPDAYS", nullptr, 0, 3},
    {kAddIn, "COUPDAYSNC", nullptr, 0, 3},
    {kAddIn, "COUPNCD", nullptr, 0, 3},
    {kAddIn, "COUPNUM", nullptr, 0, 3},
    {kAddIn, "COUPPCD", nullptr, 0, 3},
    {308, "COVAR", nullptr, 0, 2},
    {278, "CRITBINOM", nullptr, 0, 3},
    {kAddIn, "CUMIPMT", nullptr, 0, 6},
    {kAddIn, "CUMPRINC", nullptr, 0, 6},
    {351, "DATEDIF", nullptr, 0, 3},
    {140, "DATEVALUE", nullptr, 0, 1},
    {42, "DAVERAGE", nullptr, 0, 3},
    {220, "DAYS360", nullptr, 0, 2},
    {247, "DB", nullptr, 0, 4},
    {215, "DBCS", nullptr, 0, 1},
    {40, "DCOUNT", nullptr, 0, 3},
    {199, "DCOUNTA", nullptr, 0, 3},
    {144, "DDB", nullptr, 0, 4},
    {kAddIn, "DEC2BIN", nullptr, 0, 1},
    {kAddIn, "DEC2HEX", nullptr, 0, 1},
    {kAddIn, "DEC2OCT", nullptr, 0, 1},
    {kAddIn, "DELTA", nullptr, 0, 1},
    {318, "DEVSQ", nullptr, 0, 1},
    {235, "DGET", nullptr, 0, 3},
    {kAddIn, "DISC", nullptr, 0, 4},
    {44, "DMAX", nullptr, 0, 3},
    {43, "DMIN", nullptr, 0, 3},
    {kAddIn, "DOLLARDE", nullptr, 0, 2},
    {kAddIn, "DOLLARFR", nullptr, 0, 2},
    {189, "DPRODUCT", nullptr, 0, 3},
    {45, "DSTDEV", nullptr, 0, 3},
    {195, "DSTDEVP", nullptr, 0, 3},
    {41, "DSUM", nullptr, 0, 3},
    {kAddIn, "DURATION", nullptr, 0, 5},
    {47, "DVAR", nullptr, 0, 3},
    {196, "DVARP", nullptr, 0, 3},
    {kAddIn, "EDATE", nullptr, 0, 2},
    {kAddIn, "EFFECT", nullptr, 0, 2},
    {kAddIn, "EOMONTH", nullptr, 0, 2},
    {kAddIn, "ERF", nullptr, 0, 1},
    {kAddIn, "ERFC", nullptr, 0, 1},
    {261, "ERROR.TYPE", nullptr, 0, 1},
    {117, "EXACT", nullptr, 0, 2},
    {280, "EXPONDIST", nullptr, 0, 3},
    {kAddIn, "FACTDOUBLE", nullptr, 0, 1},
    {281, "FDIST", nullptr, 0, 3},
    {124, "FIND", nullptr, 0, 2},
    {205, "FINDB", nullptr, 0, 2},
    {282, "FINV", nullptr, 0, 3},
    {283, "FISHER", nullptr, 0, 1},
    {284, "FISHERINV", nullptr, 0, 1},
    {309, "FORECAST", nullptr, 0, 3},
    {252, "FREQUENCY", nullptr, 0, 2},
    {310, "FTEST", nullptr, 0, 2},
    {57, "FV", nullptr, 0, 3},
    {kAddIn, "FVSCHEDULE", nullptr, 0, 2},
    {286, "GAMMADIST", nullptr, 0, 4},
    {287, "GAMMAINV", nullptr, 0, 3},
    {271, "GAMMALN", nullptr, 0, 1},
    {kAddIn, "GCD", nullptr, 0, 1},
    {319, "GEOMEAN", nullptr, 0, 1},
    {kAddIn, "GESTEP", nullptr, 0, 1},
    {358, "GETPIVOTDATA", nullptr, 0, 2},
    {52, "GROWTH", nullptr, 0, 1},
    {320, "HARMEAN", nullptr, 0, 1},
    {kAddIn, "HEX2BIN", nullptr, 0, 1},
    {kAddIn, "HEX2DEC", nullptr, 0, 1},
    {kAddIn, "HEX2OCT", nullptr, 0, 1},
    {101, "HLOOKUP", nullptr, 0, 3},
    {359, "HYPERLINK", nullptr, 0, 1},
    {289, "HYPGEOMDIST", nullptr, 0, 4},
    {kAddIn, "IMABS", nullptr, 0, 1},
    {kAddIn, "IMAGINARY", nullptr, 0, 1},
    {kAddIn, "IMARGUMENT", nullptr, 0, 1},
    {kAddIn, "IMCONJUGATE", nullptr, 0, 1},
    {kAddIn, "IMCOS", nullptr, 0, 1},
    {kAddIn, "IMDIV", nullptr, 0, 2},
    {kAddIn, "IMEXP", nullptr, 0, 1},
    {kAddIn, "IMLN", nullptr, 0, 1},
    {kAddIn, "IMLOG10", nullptr, 0, 1},
    {kAddIn, "IMLOG2", nullptr, 0, 1},
    {kAddIn, "IMPOWER", nullptr, 0, 2},
    {kAddIn, "IMPRODUCT", nullptr, 0, 1},
    {kAddIn, "IMREAL", nullptr, 0, 1},
    {kAddIn, "IMSIN", nullptr, 0, 1},
    {kAddIn, "IMSQRT", nullptr, 0, 1},
    {kAddIn, "IMSUB", nullptr, 0, 2},
    {kAddIn, "IMSUM", nullptr, 0, 1},
    {29, "INDEX", nullptr, 0, 2},
    {148, "INDIRECT", nullptr, 0, 1},
    {244, "INFO", nullptr, 0, 1},
    {311, "INTERCEPT", nullptr, 0, 2},
    {kAddIn, "INTRATE", nullptr, 0, 4},
    {167, "IPMT", nullptr, 0, 4},
    {62, "IRR", nullptr, 0, 1},
    {kAddIn, "ISEVEN", nullptr, 0, 1},
    {kAddIn, "ISODD", nullptr, 0, 1},
    {350, "ISPMT", nullptr, 0, 4},
    {105, "ISREF", nullptr, 0, 1},
    {322, "KURT", nullptr, 0, 1},
    {325, "LARGE", nullptr, 0, 2},
    {kAddIn, "LCM", nullptr, 0, 1},
    {208, "LEFTB", nullptr, 0, 1},
    {211, "LENB", nullptr, 0, 1},
    {49, "LINEST", nullptr, 0, 1},
    {51, "LOGEST", nullptr, 0, 1},
    {291, "LOGINV", nullptr, 0, 3},
    {290, "LOGNORMDIST", nullptr, 0, 3},
    {28, "LOOKUP", nullptr, 0, 2},
    {64, "MATCH", nullptr, 0, 2},
    {362, "MAXA", nullptr, 0, 1},
    {163, "MDETERM", nullptr, 0, 1},
    {kAddIn, "MDURATION", nullptr, 0, 5},
    {227, "MEDIAN", nullptr, 0, 1},
    {210, "MIDB", nullptr, 0, 3},
    {363, "MINA", nullptr, 0, 1},
    {164, "MINVERSE", nullptr, 0, 1},
    {61, "MIRR", nullptr, 0, 3},
    {165, "MMULT", nullptr, 0, 2},
    {330, "MODE", nullptr, 0, 1},
    {kAddIn, "MROUND", nullptr, 0, 2},
    {kAddIn, "MULTINOMIAL", nullptr, 0, 1},
    {131, "N", nullptr, 0, 1},
    {10, "NA", nullptr, 0, 0},
    {292, "NEGBINOMDIST", nullptr, 0, 3},
    {kAddIn, "NETWORKDAYS", nullptr, 0, 2},
    {kAddIn, "NOMINAL", nullptr, 0, 2},
    {293, "NORMDIST", nullptr, 0, 4},
    {295, "NORMINV", nullptr, 0, 3},
    {294, "NORMSDIST", nullptr, 0, 1},
    {296, "NORMSINV", nullptr, 0, 1},
    {58, "NPER", nullptr, 0, 3},
    {11, "NPV", nullptr, 0, 2},
    {kAddIn, "OCT2BIN", nullptr, 0, 1},
    {kAddIn, "OCT2DEC", nullptr, 0, 1},
    {kAddIn, "OCT2HEX", nullptr, 0, 1},
    {kAddIn, "ODDFPRICE", nullptr, 0, 8},
    {kAddIn, "ODDFYIELD", nullptr, 0, 8},
    {kAddIn, "ODDLPRICE", nullptr, 0, 7},
    {kAddIn, "ODDLYIELD", nullptr, 0, 7},
    {78, "OFFSET", nullptr, 0, 3},
    {312, "PEARSON", nullptr, 0, 2},
    {328, "PERCENTILE", nullptr, 0, 2},
    {329, "PERCENTRANK", nullptr, 0, 2},
    {299, "PERMUT", nullptr, 0, 2},
    {360, "PHONETIC", nullptr, 0, 1},
    {59, "PMT", nullptr, 0, 3},
    {300, "POISSON", nullptr, 0, 3},
    {168, "PPMT", nullptr, 0, 4},
    {kAddIn, "PRICE", nullptr, 0, 6},
    {kAddIn, "PRICEDISC", nullptr, 0, 4},
    {kAddIn, "PRICEMAT", nullptr, 0, 5},
    {317, "PROB", nullptr, 0, 3},
    {183, "PRODUCT", nullptr, 0, 0},
    {114, "PROPER", nullptr, 0, 1},
    {56, "PV", nullptr, 0, 3},
    {327, "QUARTILE", nullptr, 0, 2},
    {kAddIn, "QUOTIENT", nullptr, 0, 2},
    {kAddIn, "RANDBETWEEN", nullptr, 0, 2},
    {216, "RANK", nullptr, 0, 2},
    {60, "RATE", nullptr, 0, 3},
    {kAddIn, "RECEIVED", nullptr, 0, 4},
    {119, "REPLACE", nullptr, 0, 4},
    {207, "REPLACEB", nullptr, 0, 4},
    {30, "REPT", nullptr, 0, 2},
    {209, "RIGHTB", nullptr, 0, 1},
    {354, "ROMAN", nullptr, 0, 1},
    {8, "ROW", nullptr, 0, 0},
    {76, "ROWS", nullptr, 0, 1},
    {313, "RSQ", nullptr, 0, 2},
    {82, "SEARCH", nullptr, 0, 2},
    {206, "SEARCHB", nullptr, 0, 2},
    {kAddIn, "SERIESSUM", nullptr, 0, 4},
    {323, "SKEW", nullptr, 0, 1},
    {142, "SLN", nullptr, 0, 3},
    {315, "SLOPE", nullptr, 0, 2},
    {326, "SMALL", nullptr, 0, 2},
    {kAddIn, "SQRTPI", nullptr, 0, 1},
    {297, "STANDARDIZE", nullptr, 0, 3},
    {12, "STDEV", nullptr, 0, 1},
    {366, "STDEVA", nullptr, 0, 1},
    {193, "STDEVP", nullptr, 0, 1},
    {364, "STDEVPA", nullptr, 0, 1},
    {314, "STEYX", nullptr, 0, 2},
    {120, "SUBSTITUTE", nullptr, 0, 3},
    {344, "SUBTOTAL", nullptr, 0, 2},
    {345, "SUMIF", nullptr, 0, 2},
    {228, "SUMPRODUCT", nullptr, 0, 1},
    {304, "SUMX2MY2", nullptr, 0, 2},
    {305, "SUMX2PY2", nullptr, 0, 2},
    {303, "SUMXMY2", nullptr, 0, 2},
    {143, "SYD", nullptr, 0, 4},
    {130, "T", nullptr, 0, 1},
    {kAddIn, "TBILLEQ", nullptr, 0, 3},
    {kAddIn, "TBILLPRICE", nullptr, 0, 3},
    {kAddIn, "TBILLYIELD", nullptr, 0, 3},
    {301, "TDIST", nullptr, 0, 3},
    {48, "TEXT", nullptr, 0, 2},
    {141, "TIMEVALUE", nullptr, 0, 1},
    {332, "TINV", nullptr, 0, 2},
    {83, "TRANSPOSE", nullptr, 0, 1},
    {50, "TREND", nullptr, 0, 1},
    {331, "TRIMMEAN", nullptr, 0, 2},
    {316, "TTEST", nullptr, 0, 4},
    {86, "TYPE", nullptr, 0, 1},
    {204, "USDOLLAR", nullptr, 0, 1},
    {33, "VALUE", nullptr, 0, 1},
    {46, "VAR", nullptr, 0, 1},
    {367, "VARA", nullptr, 0, 1},
    {194, "VARP", nullptr, 0, 1},
    {365, "VARPA", nullptr, 0, 1},
    {222, "VDB", nullptr, 0, 5},
    {102, "VLOOKUP", nullptr, 0, 3},
    {kAddIn, "WEEKNUM", nullptr, 0, 1},
    {302, "WEIBULL", nullptr, 0, 4},
    {kAddIn, "WORKDAY", nullptr, 0, 2},
    {kAddIn, "XIRR", nullptr, 0, 2},
    {kAddIn, "XNPV", nullptr, 0, 3},
    {kAddIn, "YEARFRAC", nullptr, 0, 2},
    {kAddIn, "YIELD", nullptr, 0, 6},
    {kAddIn, "YIELDDISC", nullptr, 0, 4},
    {kAddIn, "YIELDMAT", nullptr, 0, 5},
    {324, "ZTEST", nullptr, 0, 2},
}));

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

// The dynamic list: the further functions first, then the entries added by AddFunction.
std::vector<TcxExcelFuncDefinition>& AddedFunctions() {
  static std::vector<TcxExcelFuncDefinition> added(kFurtherFunctions.begin(),
                                                   kFurtherFunctions.end());
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

// Where the first entry of each function number is, indexed by the number: a position in the
// built-ins, or kBuiltInFunctions.size() + a position in the dynamic list; kNoEntry for none.
// Evaluation looks a function up by its number at every call, so this is one array access; it is
// made on the first lookup and again after the dynamic list changed.
constexpr int32_t kNoEntry = -1;
std::vector<int32_t>& IndexTable() {
  static std::vector<int32_t> table;
  return table;
}

void InvalidateIndexTable() { IndexTable().clear(); }

const std::vector<int32_t>& BuiltIndexTable() {
  std::vector<int32_t>& table = IndexTable();
  if (!table.empty()) return table;
  table.assign(size_t{UINT16_MAX} + 1, kNoEntry);
  const auto note = [&table](uint16_t number, size_t position) {
    if (table[number] == kNoEntry) table[number] = static_cast<int32_t>(position);
  };
  for (size_t i = 0; i < builtIns.size(); ++i) note(builtIns[i].Index, i);
  const std::vector<TcxExcelFuncDefinition>& added = AddedFunctions();
  for (size_t i = 0; i < added.size(); ++i) note(added[i].Index, builtIns.size() + i);
  return table;
}

}  // namespace

std::span<const TcxExcelFuncDefinition> BuiltInFunctions() {
  RegisterLibraryOnce();
  return builtIns;
}

std::span<const TcxExcelFuncDefinition> FurtherFunctions() {
  RegisterLibraryOnce();
  return std::span(AddedFunctions()).first(kFurtherFunctions.size());
}

bool FindFunctionByIndex(int index, TcxFuncDefinition& definition) {
  RegisterLibraryOnce();
  if (index < 0 || index > UINT16_MAX) return false;
  const int32_t position = BuiltIndexTable()[static_cast<size_t>(index)];
  if (position == kNoEntry) return false;
  const auto at = static_cast<size_t>(position);
  definition = at < builtIns.size() ? builtIns[at] : AddedFunctions()[at - builtIns.size()];
  return true;
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
  // The names a Japanese Excel gives two functions of the file format: typed or read, they
  // are those functions, which formulas then show by their own names.
  struct TAlias {
    std::string_view Alias, Name;
  };
  static constexpr TAlias kAliases[] = {{"JIS", "DBCS"}, {"YEN", "USDOLLAR"}};
  for (const TAlias& a : kAliases)
    if (SameNameNoCase(a.Alias, name)) return FindFunctionByName(a.Name, definition);
  return false;
}

void AddFunction(const TcxFuncDefinition& definition) {
  RegisterLibraryOnce();
  AddedFunctions().push_back(definition);
  InvalidateIndexTable();
}

void ClearAddedFunctions() {
  AddedFunctions().resize(kFurtherFunctions.size());
  InvalidateIndexTable();
}

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
