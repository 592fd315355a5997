#include <string>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctions.h"
#include "calc/cxSSTokens.h"

// Logical functions.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

void True(Handler& h) { h.PushBool(true); }
void False(Handler& h) { h.PushBool(false); }
void Not(Handler& h) { h.PushBool(!h.PopBoolean()); }

// Text mode: AND stays true only while every value is a non-zero number or TRUE, so empty and
// text cells make it false.
void And(Handler& h) {
  bool all = true;
  h.ForEachArgument(
      [&](const TcxArgumentValue& v) {
        double x = 0;
        bool b = false;
        if (!all) return;
        if (TextToNumber(h, v.Text, x))
          all = x != 0;
        else
          all = TextToBool(h, v.Text, b) && b;
      },
      amText | amRuns);
  h.PushBool(all);
}

void Or(Handler& h) {
  bool any = false;
  h.ForEachArgument(
      [&](const TcxArgumentValue& v) {
        double x = 0;
        bool b = false;
        if (any) return;
        if (TextToNumber(h, v.Text, x))
          any = x != 0;
        else
          any = TextToBool(h, v.Text, b) && b;
      },
      amText | amRuns);
  h.PushBool(any);
}

// A branch of IF as popped. A number item is taken as it is, so a number result passes through
// IF without going through text; an array (which only the further functions make) and an area
// of several cells (which has no single value) pass whole, as in Excel, so that
// MMULT(IF(C1,A1:B1,A2:A3),...) multiplies the chosen area.
struct TBranch {
  uint8_t Kind = 0;
  bool IsNumber = false;
  double Number = 0;
  std::string Text;
  TcxTokenString Whole;  // Kind ptgArray or ptgArea: the item itself
};

TBranch PopBranch(Handler& h) {
  TBranch branch;
  if (!h.Stack().Empty()) {
    const TcxTokenView top = h.Stack().Peek();
    if (top.Id() == ptgArray) {
      branch.Kind = ptgArray;
      branch.Whole = h.Stack().PopToken();
      return branch;
    }
    TcxResolvedArea area;
    uint8_t error = 0;
    if ((top.Id() == ptgArea || top.Id() == ptgArea3d || top.Id() == ptgName) &&
        h.ResolveArea(top, area, error) &&
        (area.Cells.Left != area.Cells.Right || area.Cells.Top != area.Cells.Bottom)) {
      branch.Kind = ptgArea;
      branch.Whole = h.Stack().PopToken();
      return branch;
    }
    if (top.Id() == ptgNum && top.Size == 9) {
      branch.Kind = ptgNum;
      branch.IsNumber = true;
      branch.Number = ReadDouble(top.Data + 1);
      h.Stack().Pop();
      return branch;
    }
  }
  h.PopValue(branch.Kind, branch.Text);
  if (branch.Kind == ptgMissArg) {
    // A branch left empty (IF(A1,,3)) gives 0, as in Excel.
    branch.IsNumber = true;
    return branch;
  }
  branch.IsNumber = TextToNumber(h, branch.Text, branch.Number);
  const bool fromCell = branch.Kind == ptgRef || branch.Kind == ptgRef3d || branch.Kind == ptgName;
  if (fromCell && branch.Text.empty()) {
    // An empty cell is the number 0, as in arithmetic.
    branch.IsNumber = true;
    branch.Number = 0;
  }
  bool b = false;
  // TRUE and FALSE in a cell are booleans.
  if (fromCell && !branch.IsNumber && TextToBool(h, branch.Text, b)) branch.Kind = ptgBool;
  return branch;
}

// IF(condition, then, else): every branch has been evaluated already; the chosen one is pushed
// as a number when it is one, as a boolean when it came from one, else as text, and the error
// code is cleared, so an error in the branch not taken does not make the IF an error. A text
// result stays text, the empty text included (IF(A1>0,A1,"") shows nothing). Without an else
// branch (a typed IF of two arguments) a false condition gives FALSE.
void If(Handler& h) {
  if (h.ArgCount() < 2) {
    DropArguments(h);
    Fail(h, ecValue);
    return;
  }
  TBranch otherwise;
  if (h.ArgCount() >= 3) {
    otherwise = PopBranch(h);
  } else {
    otherwise.Kind = ptgBool;
    otherwise.Text = BoolToText(false);
  }
  const TBranch then = PopBranch(h);
  const TBranch& chosen = h.PopBoolean() ? then : otherwise;
  bool b = false;
  if (chosen.Kind == ptgArray || chosen.Kind == ptgArea)
    h.PushToken({chosen.Whole.data(), chosen.Whole.size()});
  else if (chosen.IsNumber)
    h.PushNumber(chosen.Number);
  else if (chosen.Kind == ptgBool)
    h.PushBool(TextToBool(h, chosen.Text, b) && b);
  else
    h.PushText(chosen.Text);
  h.ClearError();
}

constexpr TRoutine kRoutines[] = {
    {"AND", And}, {"FALSE", False}, {"IF", If}, {"NOT", Not}, {"OR", Or}, {"TRUE", True},
};

}  // namespace

void RegisterLogicalFunctions() { RegisterRoutines(kRoutines); }
