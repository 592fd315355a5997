#include <string>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctions.h"

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
  h.ForEachArgument([&empty](const TcxArgumentValue& v) { empty = v.Text.empty(); }, amText);
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

}  // namespace

void RegisterInformationFunctions() { RegisterRoutines(kRoutines); }
