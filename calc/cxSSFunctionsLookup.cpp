#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

// Lookup and reference functions. Several of them hand back references (OFFSET, INDEX,
// INDIRECT, CHOOSE), which the functions around them read as areas.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// The sheet size of the file format: references beyond it do not exist.
constexpr int kSheetRows = 65536;
constexpr int kSheetCols = 256;

bool InsideSheet(const TRect& r) {
  return r.Left >= 0 && r.Top >= 0 && r.Right < kSheetCols && r.Bottom < kSheetRows &&
         r.Left <= r.Right && r.Top <= r.Bottom;
}

// One line of values to search: a row or a column of an argument.
struct TLine {
  const TArgument& Source;
  bool AlongRow;  // the values run along a row (vary by column)
  int Fixed;      // the row (column) the line lies on
  int Length() const { return AlongRow ? Source.Cols() : Source.Rows(); }
  // The positions a search looks at: the cells beyond the sheet's stored rows and columns are
  // empty, and no search finds an empty cell (whole columns are searched quickly so).
  int SearchLength(Handler& h) const {
    if (Source.Kind != TArgument::akArea) return Length();
    const TRect stored = h.Cache().ClipToStored(Source.Area.Sheet, Source.Area.Cells);
    const int last = AlongRow ? stored.Right - Source.Area.Cells.Left
                              : stored.Bottom - Source.Area.Cells.Top;
    return std::clamp(last + 1, 0, Length());
  }
  TValue At(Handler& h, int i) const {
    return AlongRow ? Source.At(h, Fixed, i) : Source.At(h, i, Fixed);
  }
};

bool SameKind(const TValue& a, const TValue& b) {
  const auto group = [](const TValue& v) { return v.Kind == vkEmpty ? vkNumber : v.Kind; };
  return group(a) == group(b) && a.Kind != vkEmpty;
}

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?~") != std::string_view::npos;
}

// The first position whose value equals the wanted one (texts without case, with wildcards); -1
// when there is none.
int FindExact(Handler& h, const TLine& line, const TValue& wanted) {
  const bool pattern = wanted.Kind == vkText && HasWildcard(wanted.Text);
  for (int i = 0, n = line.SearchLength(h); i < n; ++i) {
    const TValue v = line.At(h, i);
    if (!SameKind(v, wanted)) continue;
    if (pattern ? WildcardMatch(h, wanted.Text, v.Text) : CompareValues(h, v, wanted) == 0)
      return i;
  }
  return -1;
}

// The last position whose value is at most (`descending`: at least) the wanted one, found by
// bisection as on a sorted line; values of another kind than the wanted one are stepped over.
// -1 when there is none.
int FindSorted(Handler& h, const TLine& line, const TValue& wanted, bool descending) {
  // Every value of the wanted kind at or before `low` lies on the wanted side; none at or after
  // `high` does.
  int low = -1;
  int high = line.SearchLength(h);
  while (high - low > 1) {
    const int mid = low + (high - low) / 2;
    int probe = mid;
    TValue v = line.At(h, probe);
    while (!SameKind(v, wanted) && probe + 1 < high) v = line.At(h, ++probe);
    if (!SameKind(v, wanted)) {
      high = mid;  // nothing of the kind from the middle up
      continue;
    }
    const int order = CompareValues(h, v, wanted);
    if (descending ? order >= 0 : order <= 0)
      low = probe;
    else
      high = mid;
  }
  return low;
}

// VLOOKUP and HLOOKUP: the table's first column (row) is searched, the value taken from the
// column (row) `index` of the row (column) found.
// As Excel does: a text as the sort flag is "#VALUE!", an empty one FALSE; an empty lookup value is 0; a text or an
// error as the column (row) number is "#REF!", but only once the value was found ("#N/A" first).
void TableLookup(Handler& h, bool vertical) {
  TArgs args(h);
  bool sorted = true;
  if (args.Count() >= 4) {
    // A flag left empty (VLOOKUP(2,A1:B4,2,)) is FALSE, as in Excel.
    const bool missing = !h.Stack().Empty() && h.Stack().Peek().Id() == ptgMissArg;
    const TValue flag = args.Single();
    if (flag.Kind == vkText) args.SetError(ecValue);
    if (flag.IsError()) args.SetError(flag.Error);
    sorted = !missing && (flag.Kind == vkEmpty || flag.Number != 0);
  }
  const TValue indexValue = PopArgument(h).Single(h);
  const TArgument table = args.Any();
  TValue wanted = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (wanted.IsError()) return FailWith(h, wanted.Error);
  if (table.Kind == TArgument::akValue)
    return FailWith(h, table.Value.IsError() ? table.Value.Error : uint8_t(ecNA));
  const bool indexIsText = indexValue.Kind == vkText || indexValue.IsError();
  const int index = indexIsText ? 1 : TruncToInt(indexValue.Number, INT32_MIN, INT32_MAX);
  if (index < 1) return FailWith(h, ecValue);
  if (index > (vertical ? table.Cols() : table.Rows())) return FailWith(h, ecRef);
  if (wanted.Kind == vkEmpty) wanted = TValue::OfNumber(0);
  const TLine line{table, !vertical, 0};
  const int found = sorted ? FindSorted(h, line, wanted, false) : FindExact(h, line, wanted);
  if (found < 0) return FailWith(h, ecNA);
  if (indexIsText) {
    // The error of the column argument gives way to "#REF!".
    h.ClearError();
    return Fail(h, ecRef);
  }
  PushValue(h, vertical ? table.At(h, found, index - 1) : table.At(h, index - 1, found));
}

void VLookup(Handler& h) { TableLookup(h, true); }
void HLookup(Handler& h) { TableLookup(h, false); }

// LOOKUP(value, vector, result) and LOOKUP(value, array): a sorted search; the array form
// searches the first row of an array wider than tall, else its first column, and takes the
// value from its last row (column).
void Lookup(Handler& h) {
  TArgs args(h);
  TArgument result;
  const bool vectorForm = args.Count() >= 3;
  if (vectorForm) result = args.Any();
  const TArgument source = args.Any();
  const TValue wanted = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (wanted.Kind == vkEmpty) return FailWith(h, ecNA);
  const bool alongRow = source.Cols() > source.Rows();
  const int found = FindSorted(h, TLine{source, alongRow, 0}, wanted, false);
  if (found < 0) return FailWith(h, ecNA);
  if (!vectorForm) {
    PushValue(h, alongRow ? source.At(h, source.Rows() - 1, found)
                          : source.At(h, found, source.Cols() - 1));
    return;
  }
  // The result vector is read in its own direction.
  const bool resultAlongRow = result.Cols() > result.Rows();
  if (found >= (resultAlongRow ? result.Cols() : result.Rows())) return FailWith(h, ecNA);
  PushValue(h, resultAlongRow ? result.At(h, 0, found) : result.At(h, found, 0));
}

// MATCH(value, line [, type]): type 1 (the default) the last value at most the wanted one on an
// ascending line, 0 the first equal one, -1 the last value at least the wanted one on a
// descending line; the position counts from 1.
void Match(Handler& h) {
  TArgs args(h);
  const double type = args.Count() >= 3 ? args.Number() : 1;
  const TArgument source = args.Any();
  const TValue wanted = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (source.Rows() > 1 && source.Cols() > 1) return FailWith(h, ecNA);
  if (wanted.Kind == vkEmpty) return FailWith(h, ecNA);
  const TLine line{source, source.Rows() == 1, 0};
  const int found =
      type == 0 ? FindExact(h, line, wanted) : FindSorted(h, line, wanted, type < 0);
  if (found < 0) return FailWith(h, ecNA);
  h.PushNumber(found + 1);
}

// INDEX(reference, row [, column [, area]]) gives a reference into the area (a row or column of
// 0 takes the whole column or row); INDEX(array, row [, column]) gives a value or a part of the
// array. With one row (column) and no column given, the row argument counts along the line.
void Index(Handler& h) {
  TArgs args(h);
  const double areaNumber = args.Count() >= 4 ? args.Number() : 1;
  const bool hasColumn = args.Count() >= 3;
  double col = hasColumn ? args.Number() : 0;
  double row = args.Number();
  const TArgument source = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  if (source.Kind == TArgument::akValue && source.Value.IsError())
    return FailWith(h, source.Value.Error);
  if (std::trunc(areaNumber) != 1) return FailWith(h, ecRef);
  if (!hasColumn && source.Rows() == 1 && source.Cols() > 1) std::swap(row, col);
  const int r = TruncToInt(row, -1, INT32_MAX);
  const int c = TruncToInt(col, -1, INT32_MAX);
  if (r < 0 || c < 0) return FailWith(h, ecValue);
  if (r > source.Rows() || c > source.Cols()) return FailWith(h, ecRef);
  const int firstRow = r == 0 ? 0 : r - 1;
  const int lastRow = r == 0 ? source.Rows() - 1 : r - 1;
  const int firstCol = c == 0 ? 0 : c - 1;
  const int lastCol = c == 0 ? source.Cols() - 1 : c - 1;
  switch (source.Kind) {
    case TArgument::akArea: {
      const TRect& cells = source.Area.Cells;
      h.PushArea({source.Area.Sheet,
                  {cells.Left + firstCol, cells.Top + firstRow, cells.Left + lastCol,
                   cells.Top + lastRow}});
      return;
    }
    case TArgument::akArray: {
      if (firstRow == lastRow && firstCol == lastCol) {
        PushValue(h, source.Array.At(firstRow, firstCol));
        return;
      }
      TArray part(lastRow - firstRow + 1, lastCol - firstCol + 1);
      for (int i = 0; i < part.Rows; ++i)
        for (int j = 0; j < part.Cols; ++j) part.At(i, j) = source.Array.At(firstRow + i, firstCol + j);
      const TcxTokenString token = MakeArrayToken(part);
      h.PushToken({token.data(), token.size()});
      return;
    }
    default:
      PushValue(h, source.Value);
      return;
  }
}

// CHOOSE(index, value1, value2, ...): the chosen argument as it is, so a reference stays a
// reference.
void Choose(Handler& h) {
  std::vector<TcxTokenString> choices;
  for (int i = 1; i < h.ArgCount() && !h.Stack().Empty(); ++i)
    choices.push_back(h.Stack().PopToken());
  TArgs args(h);
  const double number = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  const int index = TruncToInt(number, 0, INT32_MAX);
  if (index < 1 || index > static_cast<int>(choices.size())) return FailWith(h, ecValue);
  const TcxTokenString& chosen = choices[choices.size() - static_cast<size_t>(index)];
  h.PushToken({chosen.data(), chosen.size()});
}

// OFFSET(reference, rows, columns [, height [, width]]): the area moved and resized; it must
// stay on the sheet.
void Offset(Handler& h) {
  TArgs args(h);
  const bool hasWidth = args.Count() >= 5;
  const bool hasHeight = args.Count() >= 4;
  const double width = hasWidth ? args.Number() : 0;
  const double height = hasHeight ? args.Number() : 0;
  const double cols = args.Number();
  const double rows = args.Number();
  const TArgument source = args.Any();
  if (args.Failed()) return FailWith(h, args.Error());
  if (source.Kind != TArgument::akArea)
    return FailWith(h, source.Value.IsError() ? source.Value.Error : uint8_t(ecValue));
  const int64_t w = hasWidth ? TruncToInt(width, INT32_MIN, INT32_MAX) : source.Cols();
  const int64_t ht = hasHeight ? TruncToInt(height, INT32_MIN, INT32_MAX) : source.Rows();
  const int64_t top = source.Area.Cells.Top + int64_t(TruncToInt(rows, INT32_MIN, INT32_MAX));
  const int64_t left = source.Area.Cells.Left + int64_t(TruncToInt(cols, INT32_MIN, INT32_MAX));
  if (w < 1 || ht < 1 || top < 0 || left < 0 || top + ht > kSheetRows || left + w > kSheetCols)
    return FailWith(h, ecRef);
  h.PushArea({source.Area.Sheet,
              {int(left), int(top), int(left + w - 1), int(top + ht - 1)}});
}

// --- INDIRECT ----------------------------------------------------------------------------------

// A reference written as text: an optional sheet ("Sheet2!", "'My sheet'!"), then a cell or an
// area in A1 style ("B2", "$B$2:C5") or R1C1 style ("R2C2", "R[-1]C:R[1]C[2]", relative to
// the formula's cell); or a defined name.
class TReferenceText {
public:
  TReferenceText(Handler& h, bool a1) : h_(h), a1_(a1) {}

  bool Parse(std::string_view text, TcxResolvedArea& area) {
    text = Trim(text);
    area.Sheet = h_.FormulaSheet();
    const size_t bang = text.rfind('!');
    if (bang != std::string_view::npos) {
      std::string_view sheet = text.substr(0, bang);
      if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'')
        sheet = sheet.substr(1, sheet.size() - 2);
      area.Sheet = FindSheet(sheet);
      if (area.Sheet < 0) return false;
      text = text.substr(bang + 1);
    } else if (ParseName(text, area)) {
      return true;
    }
    const size_t colon = text.find(':');
    TPoint first, last;
    if (!ParseCell(text.substr(0, colon), first)) return false;
    last = first;
    if (colon != std::string_view::npos && !ParseCell(text.substr(colon + 1), last)) return false;
    area.Cells = {std::min(first.X, last.X), std::min(first.Y, last.Y), std::max(first.X, last.X),
                  std::max(first.Y, last.Y)};
    return InsideSheet(area.Cells);
  }

private:
  int FindSheet(std::string_view caption) const {
    TcxCustomSpreadSheetBook& book = h_.Book();
    for (int i = 0; i < book.PageCount(); ++i)
      if (h_.TextServices().CompareText(book.Pages(i).Caption(), caption) == 0) return i;
    return -1;
  }

  bool ParseName(std::string_view text, TcxResolvedArea& area) const {
    const int index = h_.Cache().FindName(text, h_.FormulaSheet());
    if (index < 0) return false;
    const TcxSSNameDefinition& name = h_.Cache().Names()[static_cast<size_t>(index)];
    // Excel's INDIRECT refers to names of cells only.
    if (name.Kind != nkCells) return false;
    area.Sheet = name.Sheet;
    area.Cells = name.Area;
    return InsideSheet(area.Cells);
  }

  static bool Digits(std::string_view text, size_t& pos, int64_t& value) {
    const size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && value < kSheetRows * 10LL)
      value = value * 10 + (text[pos++] - '0');
    return pos > start;
  }

  bool ParseCell(std::string_view text, TPoint& cell) const {
    return a1_ ? ParseA1(text, cell) : ParseR1C1(text, cell);
  }

  static bool ParseA1(std::string_view text, TPoint& cell) {
    size_t pos = 0;
    if (pos < text.size() && text[pos] == '$') ++pos;
    std::string letters;
    while (pos < text.size() && std::isalpha(static_cast<unsigned char>(text[pos])) &&
           letters.size() < 4)
      letters += static_cast<char>(std::toupper(static_cast<unsigned char>(text[pos++])));
    if (pos < text.size() && text[pos] == '$') ++pos;
    int64_t row = 0;
    if (letters.empty() || !Digits(text, pos, row) || pos != text.size() || row < 1) return false;
    cell = {TcxSSUtils::ColumnIndex(letters), static_cast<int>(row - 1)};
    return cell.X >= 0;
  }

  // R and C each followed by nothing (the formula's own row or column), a number (absolute) or
  // a number in brackets (relative).
  bool ParseR1C1(std::string_view text, TPoint& cell) const {
    size_t pos = 0;
    int64_t row = 0, col = 0;
    if (!Part(text, pos, 'R', h_.FormulaRow(), row) || !Part(text, pos, 'C', h_.FormulaCol(), col) ||
        pos != text.size())
      return false;
    if (row < 0 || col < 0 || row >= kSheetRows || col >= kSheetCols) return false;
    cell = {static_cast<int>(col), static_cast<int>(row)};
    return true;
  }

  static bool Part(std::string_view text, size_t& pos, char letter, int base, int64_t& index) {
    if (pos >= text.size() || std::toupper(static_cast<unsigned char>(text[pos])) != letter)
      return false;
    ++pos;
    index = base;
    if (pos < text.size() && text[pos] == '[') {
      ++pos;
      const bool negative = pos < text.size() && text[pos] == '-';
      if (negative) ++pos;
      int64_t offset = 0;
      if (!Digits(text, pos, offset) || pos >= text.size() || text[pos] != ']') return false;
      ++pos;
      index = base + (negative ? -offset : offset);
      return true;
    }
    int64_t number = 0;
    if (Digits(text, pos, number)) index = number - 1;
    return true;
  }

  Handler& h_;
  bool a1_;
};

void Indirect(Handler& h) {
  TArgs args(h);
  const bool a1 = args.Count() >= 2 ? args.Bool() : true;
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  TcxResolvedArea area;
  if (!TReferenceText(h, a1).Parse(text, area)) return FailWith(h, ecRef);
  h.PushArea(area);
}

// --- Positions and sizes -----------------------------------------------------------------------

// ROW and COLUMN of the first cell of a reference, or of the formula's own cell.
void Position(Handler& h, bool row) {
  if (h.ArgCount() == 0) {
    h.PushNumber((row ? h.FormulaRow() : h.FormulaCol()) + 1);
    return;
  }
  const TArgument source = PopArgument(h);
  if (source.Kind != TArgument::akArea)
    return FailWith(h, source.Value.IsError() ? source.Value.Error : uint8_t(ecValue));
  h.PushNumber((row ? source.Area.Cells.Top : source.Area.Cells.Left) + 1);
}

void Row(Handler& h) { Position(h, true); }
void Column(Handler& h) { Position(h, false); }

void Size(Handler& h, bool rows) {
  const TArgument source = PopArgument(h);
  if (source.Kind == TArgument::akValue && source.Value.IsError())
    return FailWith(h, source.Value.Error);
  h.PushNumber(rows ? source.Rows() : source.Cols());
}

void Rows(Handler& h) { Size(h, true); }
void Columns(Handler& h) { Size(h, false); }

void Areas(Handler& h) {
  const TArgument source = PopArgument(h);
  if (source.Kind != TArgument::akArea)
    return FailWith(h, source.Value.IsError() ? source.Value.Error : uint8_t(ecValue));
  h.PushNumber(1);
}

// ADDRESS(row, column [, kind [, a1 [, sheet]]]): kind 1 absolute, 2 absolute row, 3 absolute
// column, 4 relative; R1C1 style writes relative parts in brackets.
void Address(Handler& h) {
  TArgs args(h);
  const std::string sheet = args.Count() >= 5 ? args.Text() : std::string();
  const bool a1 = args.Count() >= 4 ? args.Bool() : true;
  const double kindNumber = args.Count() >= 3 ? args.Number() : 1;
  const double colNumber = args.Number();
  const double rowNumber = args.Number();
  if (args.Failed()) return FailWith(h, args.Error());
  const int kind = TruncToInt(kindNumber, 0, 5);
  const int row = TruncToInt(rowNumber, 0, INT32_MAX);
  const int col = TruncToInt(colNumber, 0, INT32_MAX);
  if (kind < 1 || kind > 4 || row < 1 || col < 1 || row > kSheetRows || col > kSheetCols)
    return FailWith(h, ecValue);
  const bool absRow = kind == 1 || kind == 2;
  const bool absCol = kind == 1 || kind == 3;
  std::string text;
  if (!sheet.empty()) {
    const bool quote = sheet.find_first_of(" !'-+()&,;") != std::string::npos;
    text = quote ? "'" + sheet + "'!" : sheet + "!";
  }
  if (a1) {
    text += (absCol ? "$" : "") + TcxSSUtils::ColumnName(col - 1);
    text += (absRow ? "$" : "") + std::to_string(row);
  } else {
    text += absRow ? "R" + std::to_string(row) : "R[" + std::to_string(row) + "]";
    text += absCol ? "C" + std::to_string(col) : "C[" + std::to_string(col) + "]";
  }
  h.PushText(text);
}

// TRANSPOSE(array): rows become columns.
void Transpose(Handler& h) {
  const TArgument source = PopArgument(h);
  if (source.Kind == TArgument::akValue) {
    PushValue(h, source.Value);
    return;
  }
  TArray result(source.Cols(), source.Rows());
  for (int r = 0; r < source.Rows(); ++r)
    for (int c = 0; c < source.Cols(); ++c) result.At(c, r) = source.At(h, r, c);
  const TcxTokenString token = MakeArrayToken(result);
  h.PushToken({token.data(), token.size()});
}

constexpr TRoutine kRoutines[] = {
    {"ADDRESS", Address}, {"AREAS", Areas},       {"CHOOSE", Choose},       {"COLUMN", Column},
    {"COLUMNS", Columns}, {"HLOOKUP", HLookup},   {"INDEX", Index},         {"INDIRECT", Indirect},
    {"LOOKUP", Lookup},   {"MATCH", Match},       {"OFFSET", Offset},       {"ROW", Row},
    {"ROWS", Rows},       {"TRANSPOSE", Transpose}, {"VLOOKUP", VLookup},
};

}  // namespace

void RegisterLookupFunctions() { RegisterRoutines(kRoutines); }
