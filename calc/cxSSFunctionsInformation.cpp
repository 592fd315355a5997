#include <string>

#include <cmath>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

// The IS functions. They look at the argument's text: a cell whose formula failed reads as
// "#VALUE!", and an error of the argument's own evaluation is the pending error code, which
// most of them clear so that the test itself is the result.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

constexpr std::string_view kValueErrorText = "#VALUE!";
constexpr std::string_view kNotAvailableText = "#N/A!";

bool IsNumberText(const Handler& h, std::string_view text) {
  double x = 0;
  return TextToNumber(h, text, x);
}

bool IsBoolText(const Handler& h, std::string_view text) {
  bool b = false;
  return TextToBool(h, text, b);
}

// Pushes the test's answer with the error code cleared.
void Answer(Handler& h, bool result) {
  h.SetError(0);
  h.PushBool(result);
}

// TRUE when exactly one value was passed and it is empty.
void IsBlank(Handler& h) {
  bool empty = false;
  h.ForEachArgument([&empty](const TcxArgumentValue& v) { empty = v.Text.empty(); },
                    amText | amRuns);
  h.PushBool(h.Count() == 1 && empty);
}

void IsError(Handler& h) {
  const std::string text = h.PopText();
  Answer(h, h.ErrorCode() != 0 || text == kValueErrorText);
}

void IsLogical(Handler& h) {
  const std::string text = h.PopText();
  Answer(h, IsBoolText(h, text));
}

void IsNA(Handler& h) {
  const std::string text = h.PopText();
  Answer(h, Trim(text) == kNotAvailableText);
}

// The one IS function that leaves a pending error standing.
void IsNonText(Handler& h) {
  const std::string text = h.PopText();
  const std::string_view trimmed = Trim(text);
  h.PushBool(trimmed.empty() || IsNumberText(h, trimmed) || IsBoolText(h, trimmed));
}

void IsNumber(Handler& h) {
  const std::string text = h.PopText();
  Answer(h, IsNumberText(h, text));
}

void IsText(Handler& h) {
  const std::string text = h.PopText();
  const std::string_view trimmed = Trim(text);
  Answer(h, !trimmed.empty() && !IsNumberText(h, trimmed) && !IsBoolText(h, trimmed));
}

constexpr TRoutine kRoutines[] = {
    {"ISBLANK", IsBlank},   {"ISERR", IsError},       {"ISERROR", IsError},
    {"ISLOGICAL", IsLogical}, {"ISNA", IsNA},         {"ISNONTEXT", IsNonText},
    {"ISNUMBER", IsNumber}, {"ISTEXT", IsText},
};

// --- The further information functions, with Excel's rules ------------------------------------

void NA(Handler& h) { Fail(h, ecNA); }

// ERROR.TYPE(value): the number of the error (1 #NULL! .. 7 #N/A, the internal codes), the
// pending error cleared; "#N/A" for a value that is no error.
void ErrorType(Handler& h) {
  const TValue v = PopArgument(h).Single(h);
  const uint8_t code = v.IsError() ? v.Error : h.ErrorCode();
  if (code == 0) return Fail(h, ecNA);
  h.SetError(0);
  h.PushNumber(code);
}

// TYPE(value): 1 number (or empty), 2 text, 4 boolean, 16 error, 64 array.
void Type(Handler& h) {
  const TArgument arg = PopArgument(h);
  const TValue v = arg.Single(h);
  int type = 1;
  if (arg.Kind == TArgument::akArray) type = 64;
  else if (v.IsError() || h.ErrorCode() != 0) type = 16;
  else if (v.Kind == vkText) type = 2;
  else if (v.Kind == vkBool) type = 4;
  h.SetError(0);
  h.PushNumber(type);
}

// ISREF(value): TRUE for a reference that exists.
void IsRef(Handler& h) {
  const TArgument arg = PopArgument(h);
  Answer(h, arg.Kind == TArgument::akArea);
}

// ISEVEN and ISODD (add-in) of the truncated number.
void Parity(Handler& h, bool even) {
  TArgs args(h);
  const TValue v = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  double x = 0;
  uint8_t error = 0;
  if (v.Kind == vkBool || !ToNumber(h, v, x, error)) return FailWith(h, error ? error : uint8_t(ecValue));
  const bool isEven = std::fmod(std::trunc(x), 2) == 0;
  h.PushBool(even == isEven);
}

void IsEven(Handler& h) { Parity(h, true); }
void IsOdd(Handler& h) { Parity(h, false); }

// CELL(info [, reference]) for the infos "address", "row", "col", "contents" and "type" of the
// reference's first cell (the formula's own cell without a reference).
void Cell(Handler& h) {
  TArgument ref;
  ref.Kind = TArgument::akArea;
  ref.Area = {h.FormulaSheet(), {h.FormulaCol(), h.FormulaRow(), h.FormulaCol(), h.FormulaRow()}};
  if (h.ArgCount() >= 2) ref = PopArgument(h);
  TArgs args(h);
  std::string info = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  if (ref.Kind != TArgument::akArea)
    return FailWith(h, ref.Value.IsError() ? ref.Value.Error : uint8_t(ecValue));
  info = h.TextServices().LowerCase(Trim(info));
  // A file keeps the info text in the language of the Excel that wrote it (a French workbook
  // asks for "adresse"): the German, French, Spanish and Italian words mean the same.
  struct TInfoWord {
    std::string_view Word, Info;
  };
  static constexpr TInfoWord kTranslations[] = {
      {"adresse", "address"}, {"ligne", "row"},    {"colonne", "col"},   {"contenu", "contents"},
      {"zeile", "row"},       {"spalte", "col"},   {"inhalt", "contents"}, {"typ", "type"},
      {"direccion", "address"}, {"fila", "row"},   {"columna", "col"},   {"contenido", "contents"},
      {"tipo", "type"},       {"indirizzo", "address"}, {"riga", "row"}, {"colonna", "col"},
      {"contenuto", "contents"},
  };
  for (const TInfoWord& t : kTranslations)
    if (info == t.Word) info = t.Info;
  const int col = ref.Area.Cells.Left;
  const int row = ref.Area.Cells.Top;
  if (info == "address") {
    std::string text;
    if (ref.Area.Sheet != h.FormulaSheet()) text = h.Book().Pages(ref.Area.Sheet).Caption() + "!";
    text += "$" + TcxSSUtils::ColumnName(col) + "$" + std::to_string(row + 1);
    return h.PushText(text);
  }
  if (info == "row") return h.PushNumber(row + 1);
  if (info == "col") return h.PushNumber(col + 1);
  if (info != "contents" && info != "type") return FailWith(h, ecValue);
  // The formula's own cell holds a formula: its value is the one being calculated.
  if (h.ArgCount() < 2) return info == "type" ? h.PushText("v") : FailWith(h, ecValue);
  const TValue v = CellValue(h, ref.Area.Sheet, col, row);
  if (info == "contents") return PushValue(h, v);
  h.PushText(v.Kind == vkEmpty ? "b" : (v.Kind == vkText ? "l" : "v"));
}

// HYPERLINK(link [, name]): a cell with a link shows the name, or the link itself without one;
// the value is what it shows (following the link is the window's business).
void Hyperlink(Handler& h) {
  TArgs args(h);
  const TValue name = args.Count() >= 2 ? args.Single() : TValue{};
  const TValue link = args.Single();
  if (args.Failed()) return FailWith(h, args.Error());
  if (args.Count() >= 2) return PushValue(h, name);
  PushValue(h, link);
}

// INFO(type): what Excel tells of its surroundings, as far as the workbook knows it: "numfile"
// the number of sheets, "recalc" Automatic or Manual, "origin" the first cell the active sheet
// shows (as "$A:$B$3", the form Excel keeps for old macros), "system" pcdos ("mac" on a Mac).
// The program is no Excel and keeps no current folder and no memory figures: "release",
// "osversion", "directory", "memavail", "memused" and "totmem" are "#N/A", as in the Excel
// versions without memory figures. Any other type is "#VALUE!".
void Info(Handler& h) {
  TArgs args(h);
  std::string type = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  type = h.TextServices().LowerCase(type);
  TcxCustomSpreadSheetBook& book = h.Book();
  if (type == "numfile") return h.PushNumber(book.PageCount());
  if (type == "recalc") return h.PushText(book.AutoRecalc() ? "Automatic" : "Manual");
  if (type == "system") {
#ifdef __APPLE__
    return h.PushText("mac");
#else
    return h.PushText("pcdos");
#endif
  }
  if (type == "origin") {
    const TPoint topLeft =
        book.PageCount() > 0 ? book.ActiveSheet().View().TopLeft() : TPoint{0, 0};
    return h.PushText("$A:$" + TcxSSUtils::ColumnName(topLeft.X) + "$" +
                      std::to_string(topLeft.Y + 1));
  }
  for (const std::string_view unknown :
       {"release", "osversion", "directory", "memavail", "memused", "totmem"})
    if (type == unknown) return FailWith(h, ecNA);
  FailWith(h, ecValue);
}

// GETPIVOTDATA(field, pivot table, ...): the workbook holds no pivot tables, so the reference
// names none: "#REF!", as where a pivot table is gone.
void GetPivotData(Handler& h) {
  DropArguments(h);
  FailWith(h, ecRef);
}

constexpr TRoutine kFurtherRoutines[] = {
    {"CELL", Cell}, {"ERROR.TYPE", ErrorType}, {"GETPIVOTDATA", GetPivotData},
    {"HYPERLINK", Hyperlink}, {"INFO", Info}, {"ISEVEN", IsEven},
    {"ISODD", IsOdd},
    {"ISREF", IsRef}, {"NA", NA},             {"TYPE", Type},
};

}  // namespace

void RegisterInformationFunctions() {
  RegisterRoutines(kRoutines);
  RegisterRoutines(kFurtherRoutines);
}
