#include "calc/cxSSFunctionSupport.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <string>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDateTime.h"
#include "calc/cxSSTokens.h"
#include "platform/Unicode.h"

namespace cxfunctions {

double RoundHalfEven(double v) {
  const double floor = std::floor(v);
  const double fraction = v - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2) == 0 ? floor : floor + 1;
}

double SnapToShownDigits(double x) {
  if (x == 0 || !std::isfinite(x)) return x;
  char buffer[40];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, x,
                                     std::chars_format::scientific, 14);
  double snapped = x;
  std::from_chars(buffer, written.ptr, snapped);
  return snapped;
}

void RegisterRoutines(std::span<const TRoutine> routines) {
  for (const TRoutine& routine : routines) {
    const bool found = SetFunctionProc(routine.Name, routine.Proc);
    assert(found && "a routine without its table entry");
    (void)found;
  }
}

namespace {
int ClampToInt(double v, int low, int high) {
  if (!(v >= low)) return low;
  if (v >= high) return high;
  return static_cast<int>(v);
}
}  // namespace

int RoundToInt(double v, int low, int high) { return ClampToInt(RoundHalfEven(v), low, high); }

int TruncToInt(double v, int low, int high) { return ClampToInt(std::trunc(v), low, high); }

void DropArguments(TcxSSFunctionHandler& h) {
  for (int i = 0; i < h.ArgCount() && !h.Stack().Empty(); ++i) h.Stack().Pop();
}

void PushResult(TcxSSFunctionHandler& h, double x) {
  if (std::isfinite(x))
    h.PushNumber(x);
  else
    Fail(h, ecNum);
}

double PopDate(TcxSSFunctionHandler& h) { return ToStandardSerial(h.PopNumber(), h.Settings()); }

void PushDate(TcxSSFunctionHandler& h, double serial) {
  PushResult(h, FromStandardSerial(serial, h.Settings()));
}

void Fail(TcxSSFunctionHandler& h, uint8_t code) {
  h.SetError(code);
  h.PushText(ErrorToText(code));
}

std::string_view Trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

bool TextToNumber(const TcxSSFunctionHandler& h, std::string_view text, double& x) {
  return TryTextToFloat(text, x, h.Settings());
}

bool TextToBool(const TcxSSFunctionHandler& h, std::string_view text, bool& b) {
  return TryTextToBool(text, b, h.TextServices());
}

size_t CharCount(std::string_view text) { return unicode::Length(text); }

size_t CharOffset(std::string_view text, size_t index) {
  size_t pos = 0;
  for (size_t i = 0; i < index && pos < text.size(); ++i) unicode::NextCodePoint(text, pos);
  return pos;
}

std::string_view CharSlice(std::string_view text, size_t start, size_t count) {
  const size_t first = CharOffset(text, start);
  const std::string_view rest = text.substr(first);
  return rest.substr(0, CharOffset(rest, count));
}

void ForEachValueOf(TcxSSFunctionHandler& h, const TcxArgumentCallback& callback, int mode) {
  // Copied out: reading the cells may push onto the stack meanwhile.
  const TcxTokenString item = h.Stack().PopToken();
  const TcxTokenView view{item.data(), item.size()};
  const bool textMode = (mode & amText) != 0;
  switch (view.Id()) {
    case ptgRef:
    case ptgRef3d:
    case ptgArea:
    case ptgArea3d:
    case ptgName:
      h.ForEachCell(callback, mode, view);
      return;
    case ptgStr: {
      const std::string text = StringTokenText(view.Data, view.Size);
      double x = 0;
      if (textMode)
        callback({0, text});
      else if (TextToNumber(h, text, x))
        callback({x, {}});
      else
        h.SetError(ecValue);
      return;
    }
    case ptgBool: {
      const bool b = view.Size == 2 && view.Data[1] != 0;
      if (textMode)
        callback({0, BoolToText(b)});
      else
        callback({b ? 1.0 : 0.0, {}});
      return;
    }
    case ptgNum: {
      const double x = view.Size == 9 ? ReadDouble(view.Data + 1) : 0;
      if (textMode)
        callback({0, FloatToText(x, h.Settings())});
      else
        callback({x, {}});
      return;
    }
    case ptgMissArg:
      callback({0, textMode ? std::string_view("0") : std::string_view(), true});
      return;
    default:
      h.SetError(ecValue);
      return;
  }
}

}  // namespace cxfunctions
