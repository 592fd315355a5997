#include "calc/cxSSFunctionHandler.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

// The evaluation side of the function handler. The parsing side is in cxSSExpressionParser.cpp,
// the text rebuild and the file export in cxSSFormulaText.cpp.

namespace {

bool IsReferenceToken(uint8_t id) {
  return id == ptgRef || id == ptgRef3d || id == ptgName || id == ptgArea || id == ptgArea3d;
}

bool IsCellToken(uint8_t id) { return id == ptgRef || id == ptgRef3d || id == ptgName; }

// How many stack items an operator or a function call reads as values.
int ValueOperands(const uint8_t* token) {
  const uint8_t id = token[0];
  if (id >= ptgAdd && id <= ptgNE) return 2;
  if (id == ptgUminus || id == ptgPercent) return 1;
  if (id == ptgFuncVar) return token[1];
  return 0;
}

// The arguments whose formulas are not calculated before the call: those whose cells the
// function never reads, only their place (OFFSET's starting reference, the reference of ROW,
// COLUMN, ROWS, COLUMNS and AREAS, and CELL's for most of its infos), and the tables that a
// lookup reads only in part (it calculates the cells it reads as it goes). So =OFFSET(J9,-3,0,3,1) in a cell that J9 depends
// on is no cycle, nor is a VLOOKUP into a table whose other rows depend on the cell, as in
// Excel.
bool ReadOnDemand(uint16_t function, int argument) {
  switch (function) {
    case 8:   // ROW
    case 9:   // COLUMN
    case 75:  // AREAS
    case 76:  // ROWS
    case 77:  // COLUMNS
      return true;
    case 28:  // LOOKUP
      return argument >= 1;
    case 29:  // INDEX
    case 78:  // OFFSET
      return argument == 0;
    case 64:   // MATCH
    case 101:  // HLOOKUP
    case 102:  // VLOOKUP
      return argument == 1;
    case 125:  // CELL: its address, row and column need no value; its contents are read then
      return argument == 1;
    default:
      return false;
  }
}

// An array where a single value is wanted stands for its first value.
TcxTokenView FirstValue(TcxTokenView item) {
  if (item.Id() != ptgArray || item.Size <= kArrayValues) return item;
  const size_t n = TcxTokensStack::TokenSize(item.Data + kArrayValues, item.Size - kArrayValues);
  return n ? TcxTokenView{item.Data + kArrayValues, n} : item;
}

uint8_t ErrorOf(TcxTokenView item) { return item.Size == 2 ? item.Data[1] : uint8_t(ecValue); }

// The value at (row, col) of an array item, as Excel spreads a result over an array formula's
// cells: a result of one row (column) repeats down (across) the block; an empty view where the
// result has no such position.
TcxTokenView ArrayValueAt(TcxTokenView array, int64_t row, int64_t col) {
  if (array.Size < kArrayValues) return {};
  const int64_t cols = ReadInt32(array.Data + kArrayCols);
  const int64_t rows = ReadInt32(array.Data + kArrayRows);
  if (rows <= 0 || cols <= 0) return {};
  if (rows == 1) row = 0;
  if (cols == 1) col = 0;
  if (row >= rows || col >= cols) return {};
  size_t at = kArrayValues;
  for (int64_t i = 0; i < row * cols + col; ++i) {
    const size_t n = TcxTokensStack::TokenSize(array.Data + at, array.Size - at);
    if (n == 0) return {};
    at += n;
  }
  const size_t n = TcxTokensStack::TokenSize(array.Data + at, array.Size - at);
  return n ? TcxTokenView{array.Data + at, n} : TcxTokenView{};
}

bool RowOrder(TPoint a, TPoint b) { return a.Y != b.Y ? a.Y < b.Y : a.X < b.X; }

// Calls visit(col, row) for every stored cell of the inclusive rectangle, row by row, left to
// right: the cells that may read as something other than the empty cell (formulas read a
// cell's own record, so a covered cell of a merged area without one is empty to them).
template <typename F>
void ForEachStoredCell(const TcxSSDataStorage& storage, const TRect& cells, F&& visit) {
  std::vector<TPoint> stored;
  storage.ForEachCellIn(cells, [&stored](int col, int row, const TcxSSCellRec&) {
    stored.push_back({col, row});
  });
  // Column by column is row order already when the rectangle is one column wide.
  if (cells.Left != cells.Right) std::sort(stored.begin(), stored.end(), RowOrder);
  for (const TPoint& cell : stored) visit(cell.X, cell.Y);
}

}  // namespace

// The workbook's environment is fixed for its life, so the handler keeps its settings at hand.
TcxSSFunctionHandler::TcxSSFunctionHandler(TcxSSFormulasCache& cache)
    : cache_(cache),
      settings_(cache.Book().Settings()),
      textServices_(*cache.Book().Environment().Text) {
  BuildDelimiters();
}

TcxSSFunctionHandler::~TcxSSFunctionHandler() = default;

TcxCustomSpreadSheetBook& TcxSSFunctionHandler::Book() const { return cache_.Book(); }

const TcxEnvironment& TcxSSFunctionHandler::Environment() const {
  return cache_.Book().Environment();
}


// --- Beginning and running a formula ------------------------------------------------------------

void TcxSSFunctionHandler::BeginFormula(TcxSSFormula& formula, bool clearResult) {
  errorCode_ = 0;
  stack_.Clear();
  if (clearResult) formula.Result.clear();
  BuildDelimiters();
  formula_ = &formula;
  tokens_ = &formula.Tokens;
  arrayNodesKnown_ = false;
  formulaCol_ = formula.Col;
  formulaRow_ = formula.Row;
  formulaSheet_ = formula.Sheet;
}

void TcxSSFunctionHandler::Start(TcxSSFormula& formula) {
  numeric_ = true;
  BeginFormula(formula, true);
  position_ = 0;
  pending_ = nullptr;
  pendingScan_.Sheet = -1;
  if (cache_.HasFormulaNames() && ExpandNames(formula.Tokens, expanded_)) tokens_ = &expanded_;
}

namespace {

// The file format's sheet: relative references of names wrap around at its edges.
constexpr int64_t kWrapCols = 256;
constexpr int64_t kWrapRows = 65536;
// Names within names, deeper than this, are taken for a cycle.
constexpr int kMaxNameDepth = 32;
// An expansion beyond this (names used many times within names used many times) is refused.
constexpr size_t kMaxExpandedSize = size_t{1} << 20;

// A relative part of a name's reference as an index for the cell at `base`: it wraps around at
// the sheet's edge, as in Excel (a name for "the cell above" used in row 1 names the last row).
int32_t WrapRelative(int32_t offset, int64_t base, int64_t limit) {
  int64_t index = int64_t(offset) + base;
  if (offset >= 0 && offset < limit && base < limit && index >= limit) index -= limit;
  return static_cast<int32_t>(std::clamp<int64_t>(index, INT32_MIN, INT32_MAX));
}

}  // namespace

bool TcxSSFunctionHandler::ExpandNames(const TcxTokenString& tokens, TcxTokenString& out) const {
  const TcxSSNamesDef& names = cache_.Names();
  bool uses = false;
  for (size_t pos = 0; pos < tokens.size() && !uses;) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) break;
    if (tokens[pos] == ptgName) {
      const uint16_t index = ReadUInt16(tokens.data() + pos + 1);
      uses = index < names.size() && !names[index].Deleted && names[index].Kind == nkFormula;
    }
    pos += size;
  }
  if (!uses) return false;
  out.clear();
  AppendExpanded(tokens.data(), tokens.size(), false, 0, out);
  if (out.size() > kMaxExpandedSize) out = {ptgErr, static_cast<uint8_t>(ecName)};
  return true;
}

void TcxSSFunctionHandler::AppendExpanded(const uint8_t* data, size_t size, bool inName,
                                          int depth, TcxTokenString& out) const {
  const TcxSSNamesDef& names = cache_.Names();
  for (size_t pos = 0; pos < size && out.size() <= kMaxExpandedSize;) {
    const size_t n = TokenSizeAt(data, size, pos);
    if (n == 0) return;
    const uint8_t* t = data + pos;
    pos += n;
    const uint8_t id = t[0];
    if (id == ptgName) {
      const uint16_t index = ReadUInt16(t + 1);
      if (index < names.size() && !names[index].Deleted && names[index].Kind == nkFormula) {
        const TcxTokenString& formula = names[index].Tokens;
        // A name without a formula (a macro's) or one that uses itself is no value.
        if (formula.empty() || depth >= kMaxNameDepth)
          out.insert(out.end(), {ptgErr, static_cast<uint8_t>(ecName)});
        else
          AppendExpanded(formula.data(), formula.size(), true, depth + 1, out);
        continue;
      }
    }
    const size_t start = out.size();
    out.insert(out.end(), t, t + n);
    if (!inName || !(id == ptgRef || id == ptgArea || id == ptgRef3d || id == ptgArea3d)) continue;
    // The name's relative parts become the cells they name from this formula's cell.
    uint8_t* p = out.data() + start + (id == ptgRef3d || id == ptgArea3d ? k3dShift : 0);
    const auto resolve = [&](size_t abs, size_t value, bool isRow) {
      if (p[abs]) return;
      p[abs] = 1;
      WriteInt32(p + value, WrapRelative(ReadInt32(p + value), isRow ? formulaRow_ : formulaCol_,
                                         isRow ? kWrapRows : kWrapCols));
    };
    if (id == ptgRef || id == ptgRef3d) {
      resolve(kRefRowAbs, kRefRow, true);
      resolve(kRefColAbs, kRefCol, false);
    } else {
      resolve(kAreaFirstRowAbs, kAreaFirstRow, true);
      resolve(kAreaLastRowAbs, kAreaLastRow, true);
      resolve(kAreaFirstColAbs, kAreaFirstCol, false);
      resolve(kAreaLastColAbs, kAreaLastCol, false);
    }
  }
}

void TcxSSFunctionHandler::Calculate(TcxSSFormula& formula) {
  Start(formula);
  // Without the cache's work stack (a handler used on its own), what the formula waits for is
  // calculated through the cache, which keeps the depth off the machine stack.
  while (!Run()) cache_.Calculate(*pending_);
}

bool TcxSSFunctionHandler::Run() {
  pending_ = nullptr;
  const TcxTokenString& tokens = *tokens_;
  try {
    while (position_ < tokens.size()) {
      const size_t size = TokenSizeAt(tokens, position_);
      if (size == 0) {
        // A damaged token string: its end cannot be read.
        SetError(ecValue);
        break;
      }
      const uint8_t* token = tokens.data() + position_;
      const uint8_t id = token[0];
      if (!cache_.IsLocked() && NeedsPending(position_)) return false;
      if (id >= ptgAdd && id <= ptgPercent)
        ApplyOperator(id);
      else if (id == ptgFuncVar)
        CallFunction({token, size});
      else if (IsReferenceError(id)) {
        // A reference to cells that are gone is the error value "#REF!".
        const uint8_t error[2] = {ptgErr, ecRef};
        stack_.Push(error, sizeof error);
      }
      else if (id != ptgParen)
        stack_.Push(token, size);
      position_ += size;
    }
    // The result itself may be a reference to a formula still to be calculated (=A1).
    if (errorCode_ == 0 && !stack_.Empty() && !cache_.IsLocked() && FindPending(stack_.Peek()))
      return false;
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
  return true;
}

bool TcxSSFunctionHandler::NeedsPending(size_t offset) {
  const uint8_t* token = tokens_->data() + offset;
  const int operands = std::min(ValueOperands(token), stack_.Count());
  // In the order the operands will be popped: the last one first.
  for (int depth = 0; depth < operands; ++depth) {
    if (token[0] == ptgFuncVar && ReadOnDemand(ReadUInt16(token + 2), token[1] - 1 - depth)) continue;
    if (FindPending(stack_.Peek(depth))) return true;
  }
  return false;
}

bool TcxSSFunctionHandler::FindPending(TcxTokenView item) {
  if (item.Id() == ptgRefList) {
    for (size_t at = kArrayHeaderSize; at < item.Size;) {
      const size_t n = TokenSizeAt(item.Data, item.Size, at);
      if (n == 0 || FindPending({item.Data + at, n})) return n != 0;
      at += n;
    }
    return false;
  }
  if (!IsReferenceToken(item.Id())) return false;
  TcxResolvedArea area;
  uint8_t error = 0;
  if (!ResolveArea(item, area, error)) return false;
  // One cell, the most common operand, is looked at directly; an area only within the stored
  // part of the sheet (cells outside it hold no formulas).
  TRect cells = area.Cells;
  const bool single = cells.Left == cells.Right && cells.Top == cells.Bottom;
  if (!single) cells = cache_.ClipToStored(area.Sheet, area.Cells);
  if (cells.Left > cells.Right || cells.Top > cells.Bottom) return false;
  // Small areas are quicker looked through than looked up.
  const bool large = (int64_t(cells.Right) - cells.Left + 1) * (int64_t(cells.Bottom) - cells.Top + 1) > 16;
  if (!large) {
    for (int64_t row = cells.Top; row <= cells.Bottom; ++row)
      for (int64_t col = cells.Left; col <= cells.Right; ++col)
        if (TcxSSFormula* formula = cache_.UncalculatedFormulaAt(area.Sheet, static_cast<int>(col),
                                                                 static_cast<int>(row))) {
          pending_ = formula;
          return true;
        }
    return false;
  }
  if (cache_.KnownCalculated(area.Sheet, cells)) return false;
  // The cells that may hold formulas are listed once for an area; going on with the same area,
  // the scan resumes after the last pending one, whose predecessors are calculated already.
  const bool sameArea = pendingScan_.Sheet == area.Sheet && pendingScan_.Cells.Left == cells.Left &&
                        pendingScan_.Cells.Top == cells.Top && pendingScan_.Cells.Right == cells.Right &&
                        pendingScan_.Cells.Bottom == cells.Bottom;
  if (!sameArea) {
    pendingScan_ = {area.Sheet, cells};
    pendingCells_.clear();
    pendingNext_ = 0;
    ForEachStoredCell(Book().Pages(area.Sheet).DataStorage(), cells,
                      [this](int col, int row) { pendingCells_.push_back({col, row}); });
  }
  for (; pendingNext_ < pendingCells_.size(); ++pendingNext_) {
    const TPoint cell = pendingCells_[pendingNext_];
    if (TcxSSFormula* formula = cache_.UncalculatedFormulaAt(area.Sheet, cell.X, cell.Y)) {
      pending_ = formula;
      return true;
    }
  }
  cache_.SetKnownCalculated(area.Sheet, cells);
  return false;
}

void TcxSSFunctionHandler::Finish() {
  TcxSSFormula& formula = *formula_;
  TScopeGuard clear([this] { stack_.Clear(); });
  // A cell of an array formula shows the result's value at its place in the block: an array's
  // value, or an area's cell; a single value fills the whole block. A block larger than the
  // result shows "#N/A" where the result has no value.
  if (formula.Block.Kind == fbArray && errorCode_ == 0 && !stack_.Empty()) {
    const int64_t row = int64_t(formulaRow_) - formula.Block.Cells.Top;
    const int64_t col = int64_t(formulaCol_) - formula.Block.Cells.Left;
    const TcxTokenView top = stack_.Peek();
    TcxResolvedArea area;
    uint8_t error = 0;
    if (top.Id() == ptgArray) {
      const TcxTokenView value = ArrayValueAt(top, row, col);
      const TcxTokenString taken(value.Data, value.Data + value.Size);
      stack_.Pop();
      if (taken.empty()) {
        SetError(ecNA);
      } else if (taken[0] == ptgMissArg) {
        PushNumber(0);
      } else {
        stack_.Push(taken.data(), taken.size());
        numeric_ = taken[0] != ptgStr;
      }
    } else if ((top.Id() == ptgArea || top.Id() == ptgArea3d || top.Id() == ptgName) &&
               ResolveArea(top, area, error)) {
      TRect& c = area.Cells;
      const int64_t rows = int64_t(c.Bottom) - c.Top + 1;
      const int64_t cols = int64_t(c.Right) - c.Left + 1;
      const int64_t r = rows == 1 ? 0 : row;
      const int64_t k = cols == 1 ? 0 : col;
      stack_.Pop();
      if (r >= rows || k >= cols) {
        SetError(ecNA);
      } else {
        c.Top = c.Bottom = static_cast<int>(c.Top + r);
        c.Left = c.Right = static_cast<int>(c.Left + k);
        PushArea(area);
      }
    }
  }
  // A formula whose value is an area of one column (one row) takes the cell of that area in
  // its own row (column), as Excel intersects it: =Data!B2:B15 in row 5 is Data!B5. Elsewhere
  // the area stays an area, which is no value ("#VALUE!").
  if (errorCode_ == 0 && !stack_.Empty()) {
    const TcxTokenView top = stack_.Peek();
    TcxResolvedArea area;
    uint8_t error = 0;
    if ((top.Id() == ptgArea || top.Id() == ptgArea3d || top.Id() == ptgName) &&
        ResolveArea(top, area, error)) {
      TRect& c = area.Cells;
      const bool single = c.Left == c.Right && c.Top == c.Bottom;
      bool intersected = false;
      if (!single && c.Left == c.Right && formulaRow_ >= c.Top && formulaRow_ <= c.Bottom) {
        c.Top = c.Bottom = formulaRow_;
        intersected = true;
      } else if (!single && c.Top == c.Bottom && formulaCol_ >= c.Left && formulaCol_ <= c.Right) {
        c.Left = c.Right = formulaCol_;
        intersected = true;
      }
      if (intersected) {
        stack_.Pop();
        PushArea(area);
      }
    }
  }
  if (errorCode_ == 0 && !stack_.Empty() && numeric_) {
    // A number keeps every bit, rather than going through its 15-digit text. An array result
    // is its first value.
    const TcxTokenView top = FirstValue(stack_.Peek());
    if (top.Id() == ptgNum && top.Size == 9) {
      SetNumberResult(formula.Result, ReadDouble(top.Data + 1));
      return;
    }
    if (top.Id() == ptgBool && top.Size == 2) {
      SetBoolResult(formula.Result, top.Data[1] != 0);
      return;
    }
    if (IsCellToken(top.Id())) {
      TcxResolvedArea area;
      uint8_t error = 0;
      double x = 0;
      if (ResolveArea(top, area, error) && area.Cells.Left == area.Cells.Right &&
          area.Cells.Top == area.Cells.Bottom &&
          cache_.CellNumberValue(area.Sheet, area.Cells.Left, area.Cells.Top, x)) {
        SetNumberResult(formula.Result, x);
        return;
      }
    }
  }
  std::string text;
  if (errorCode_ == 0) text = PopText();
  if (errorCode_ != 0) {
    formula.Result = MakeErrorResult(errorCode_);
    formula.State = 0;
    return;
  }
  double x = 0;
  bool b = false;
  if (!numeric_)
    formula.Result = MakeTextResult(text);
  else if (text.empty())
    SetNumberResult(formula.Result, 0);
  else if (TryTextToFloat(text, x, Settings()))
    SetNumberResult(formula.Result, x);
  else if (TryTextToBool(text, b, TextServices()))
    SetBoolResult(formula.Result, b);
  else
    formula.Result = MakeTextResult(text);
}

// --- Pushing ----------------------------------------------------------------------------------

void TcxSSFunctionHandler::PushNumber(double x) {
  uint8_t token[9];
  token[0] = ptgNum;
  WriteDouble(token + 1, x);
  stack_.Push(token, sizeof token);
  numeric_ = true;
  resultSet_ = true;
}

void TcxSSFunctionHandler::PushBool(bool b) {
  const uint8_t token[2] = {ptgBool, static_cast<uint8_t>(b ? 1 : 0)};
  stack_.Push(token, sizeof token);
  numeric_ = true;
  resultSet_ = true;
}

void TcxSSFunctionHandler::PushText(std::string_view text) {
  PushStringToken(text);
  numeric_ = false;
  resultSet_ = true;
}

void TcxSSFunctionHandler::PushToken(TcxTokenView token) {
  stack_.Push(token.Data, token.Size);
  numeric_ = token.Id() != ptgStr;
  resultSet_ = true;
}

void TcxSSFunctionHandler::PushArea(const TcxResolvedArea& area) {
  TcxTokenString token;
  const TRect& c = area.Cells;
  const auto sheet = static_cast<uint16_t>(area.Sheet);
  if (c.Left == c.Right && c.Top == c.Bottom)
    AppendRef3d(token, sheet, true, true, c.Top, c.Left);
  else
    AppendArea3d(token, sheet, true, true, true, true, c.Top, c.Bottom, c.Left, c.Right);
  PushToken({token.data(), token.size()});
}

void TcxSSFunctionHandler::PushStringToken(std::string_view text) {
  const TcxTokenString token = MakeTextResult(text);
  stack_.Push(token);
}

void TcxSSFunctionHandler::SetError(uint8_t code) {
  errorCode_ = code;
  numeric_ = true;
}

void TcxSSFunctionHandler::SetAccumulator(double x) {
  accumulator_ = x;
  accumulatorSet_ = true;
}

void TcxSSFunctionHandler::SetText(std::string_view text) {
  accumulatedText_ = std::string(text);
  accumulatorSet_ = true;
}

void TcxSSFunctionHandler::DuplicateArguments(int count) { stack_.Duplicate(count); }

// --- References -------------------------------------------------------------------------------

bool TcxSSFunctionHandler::ResolveArea(TcxTokenView item, TcxResolvedArea& area,
                                       uint8_t& error) const {
  const uint8_t id = item.Id();
  if (item.Size != TokenSizeOf(id, 0) || !IsReferenceToken(id)) {
    error = ecValue;
    return false;
  }
  const uint8_t* p = item.Data;
  int64_t firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;
  area.Sheet = formulaSheet_;
  if (id == ptgName) {
    const uint16_t index = ReadUInt16(p + 1);
    const TcxSSNamesDef& names = cache_.Names();
    if (index >= names.size() || names[index].Deleted) {
      error = ecRef;
      return false;
    }
    const TcxSSNameDefinition& name = names[index];
    // A formula name is evaluated in place (ExpandNames), never resolved as cells.
    if (name.Kind != nkCells) {
      error = ecName;
      return false;
    }
    area.Sheet = name.Sheet;
    firstCol = name.Area.Left;
    firstRow = name.Area.Top;
    lastCol = name.Area.Right;
    lastRow = name.Area.Bottom;
  } else {
    const TcxReferenceCells cells = ReferenceCells(p, formulaSheet_, formulaCol_, formulaRow_);
    area.Sheet = cells.Sheet;
    firstRow = cells.FirstRow;
    lastRow = cells.LastRow;
    firstCol = cells.FirstCol;
    lastCol = cells.LastCol;
  }
  if (area.Sheet < 0 || area.Sheet >= Book().PageCount()) {
    error = ecRef;
    return false;
  }
  // An area written with its corners swapped (B2:A1) covers the same cells.
  if (firstRow > lastRow) std::swap(firstRow, lastRow);
  if (firstCol > lastCol) std::swap(firstCol, lastCol);
  if (firstRow < 0 || firstCol < 0 || lastRow > INT32_MAX || lastCol > INT32_MAX) {
    error = ecRef;
    return false;
  }
  area.Cells = {static_cast<int>(firstCol), static_cast<int>(firstRow), static_cast<int>(lastCol),
                static_cast<int>(lastRow)};
  return true;
}

// The single cell of a reference or name item; false with the error set otherwise.
static bool ResolveCell(const TcxSSFunctionHandler& handler, TcxTokenView item,
                        TcxResolvedArea& area, uint8_t& error) {
  if (!handler.ResolveArea(item, area, error)) return false;
  if (area.Cells.Left != area.Cells.Right || area.Cells.Top != area.Cells.Bottom) {
    error = ecValue;
    return false;
  }
  return true;
}

// --- Popping with coercion ------------------------------------------------------------------------

double TcxSSFunctionHandler::PopNumber() {
  if (stack_.Empty()) {
    SetError(ecValue);
    return 0;
  }
  const TcxTokenView item = FirstValue(stack_.Pop());
  double x = 0;
  switch (item.Id()) {
    case ptgErr:
      SetError(ErrorOf(item));
      return 0;
    case ptgMissArg:
      return 0;
    case ptgStr: {
      const std::string text = StringTokenText(item.Data, item.Size);
      if (TryTextToFloat(text, x, Settings())) return x;
      if (TryTextToDateTime(text, x, Settings(), Environment().Now ? Environment().Now() : 0))
        return x;
      SetError(ecValue);
      return 0;
    }
    case ptgBool:
      return item.Size == 2 && item.Data[1] ? 1 : 0;
    case ptgNum:
      return item.Size == 9 ? ReadDouble(item.Data + 1) : 0;
    case ptgRef:
    case ptgRef3d:
    case ptgName: {
      TcxResolvedArea area;
      uint8_t error = 0;
      if (!ResolveCell(*this, item, area, error)) {
        SetError(error);
        return 0;
      }
      if (!cache_.CellAsNumber(*this, area.Sheet, area.Cells.Left, area.Cells.Top, x)) {
        SetError(ecName);
        return 0;
      }
      return x;
    }
    default:
      SetError(ecValue);
      return 0;
  }
}

bool TcxSSFunctionHandler::PopBoolean() {
  if (stack_.Empty()) {
    SetError(ecValue);
    return false;
  }
  const TcxTokenView item = FirstValue(stack_.Pop());
  bool b = false;
  switch (item.Id()) {
    case ptgErr:
      SetError(ErrorOf(item));
      return false;
    case ptgMissArg:
      return false;
    case ptgStr:
      TryTextToBool(StringTokenText(item.Data, item.Size), b, TextServices());
      return b;
    case ptgBool:
      return item.Size == 2 && item.Data[1] != 0;
    case ptgNum:
      return item.Size == 9 && ReadDouble(item.Data + 1) != 0;
    case ptgRef:
    case ptgRef3d:
    case ptgName: {
      TcxResolvedArea area;
      uint8_t error = 0;
      if (!ResolveCell(*this, item, area, error)) {
        SetError(error);
        return false;
      }
      cache_.CellAsBoolean(*this, area.Sheet, area.Cells.Left, area.Cells.Top, b);
      return b;
    }
    default:
      SetError(ecValue);
      return false;
  }
}

bool TcxSSFunctionHandler::PopCellText(TcxTokenView item, std::string& text) {
  item = FirstValue(item);
  switch (item.Id()) {
    case ptgErr:
      SetError(ErrorOf(item));
      text = ErrorToText(ErrorOf(item));
      return true;
    case ptgMissArg:
      text.clear();
      return true;
    case ptgStr:
      text = StringTokenText(item.Data, item.Size);
      return true;
    case ptgBool:
      text = BoolToText(item.Size == 2 && item.Data[1] != 0);
      return true;
    case ptgNum:
      text = FloatToText(item.Size == 9 ? ReadDouble(item.Data + 1) : 0, Settings());
      return true;
    case ptgRef:
    case ptgRef3d:
    case ptgName: {
      TcxResolvedArea area;
      uint8_t error = 0;
      if (!ResolveCell(*this, item, area, error)) {
        SetError(error);
        return false;
      }
      cache_.CellAsText(*this, area.Sheet, area.Cells.Left, area.Cells.Top, text);
      return true;
    }
    default:
      SetError(ecValue);
      return false;
  }
}

std::string TcxSSFunctionHandler::PopText() {
  std::string text;
  if (stack_.Empty()) {
    SetError(ecValue);
    return text;
  }
  PopCellText(stack_.Pop(), text);
  return text;
}

void TcxSSFunctionHandler::PopValue(uint8_t& kind, std::string& text) {
  text.clear();
  if (stack_.Empty()) {
    kind = 0;
    SetError(ecValue);
    return;
  }
  const TcxTokenView item = FirstValue(stack_.Pop());
  kind = item.Id();
  PopCellText(item, text);
}

// --- Operators --------------------------------------------------------------------------------

void TcxSSFunctionHandler::ApplyOperator(uint8_t id) {
  // Arrays, and areas where an array is wanted, are worked value by value.
  if (id != ptgRange && id != ptgIsect && id != ptgUnion && ArrayOperands(id)) {
    ApplyArrayOperator(id);
    return;
  }
  switch (id) {
    case ptgAdd:
    case ptgSub:
    case ptgMul:
    case ptgDiv:
    case ptgPower: {
      const double right = PopNumber();
      const double left = PopNumber();
      if (errorCode_ != 0) {
        PushNumber(left);
        return;
      }
      if (id == ptgDiv && right == 0) {
        SetError(ecDivZero);
        PushText(ErrorToText(ecDivZero));
        return;
      }
      double x = 0;
      switch (id) {
        case ptgAdd: x = left + right; break;
        case ptgSub: x = left - right; break;
        case ptgMul: x = left * right; break;
        case ptgDiv: x = left / right; break;
        default: x = std::pow(left, right); break;
      }
      // A result outside the numbers (a negative number to a fractional power, an overflow) is
      // the error "#NUM!" of this formula alone.
      if (!std::isfinite(x)) SetError(ecNum);
      PushNumber(std::isfinite(x) ? x : 0);
      return;
    }
    case ptgUminus:
      PushNumber(-PopNumber());
      return;
    case ptgPercent:
      PushNumber(PopNumber() / 100);
      return;
    case ptgUplus:
      return;
    case ptgConcat: {
      const std::string right = PopText();
      const std::string left = PopText();
      PushText(left + right);
      return;
    }
    case ptgLT:
    case ptgLE:
    case ptgEQ:
    case ptgGE:
    case ptgGT:
    case ptgNE: {
      const std::string right = PopText();
      const std::string left = PopText();
      double l = 0, r = 0;
      bool lb = false, rb = false;
      int order;
      if (TryTextToFloat(right, r, Settings()) &&
          (left.empty() || TryTextToFloat(left, l, Settings()))) {
        order = l < r ? -1 : (l > r ? 1 : 0);
      } else if (TryTextToBool(left, lb, TextServices()) &&
                 TryTextToBool(right, rb, TextServices())) {
        order = int(lb) - int(rb);
      } else {
        order = TextServices().CompareText(left, right);
      }
      bool result = false;
      switch (id) {
        case ptgLT: result = order < 0; break;
        case ptgLE: result = order <= 0; break;
        case ptgEQ: result = order == 0; break;
        case ptgGE: result = order >= 0; break;
        case ptgGT: result = order > 0; break;
        default: result = order != 0; break;
      }
      PushBool(result);
      return;
    }
    case ptgIsect:
    case ptgRange: {
      // Two references on one sheet: their intersection, or the smallest area holding both.
      if (stack_.Count() < 2) {
        SetError(ecValue);
        return;
      }
      const TcxTokenString right = stack_.PopToken();
      const TcxTokenString left = stack_.PopToken();
      TcxResolvedArea a, b;
      uint8_t error = 0;
      // A failure leaves the error in the operands' place, so that the operator consuming it
      // still finds its operand.
      const auto fail = [this](uint8_t code) {
        SetError(code);
        const uint8_t error[2] = {ptgErr, code};
        stack_.Push(error, sizeof error);
      };
      if (!ResolveArea({left.data(), left.size()}, a, error) ||
          !ResolveArea({right.data(), right.size()}, b, error)) {
        fail(error);
        return;
      }
      TRect cells;
      if (a.Sheet != b.Sheet) {
        fail(ecRef);
        return;
      }
      if (id == ptgRange) {
        cells = {std::min(a.Cells.Left, b.Cells.Left), std::min(a.Cells.Top, b.Cells.Top),
                 std::max(a.Cells.Right, b.Cells.Right), std::max(a.Cells.Bottom, b.Cells.Bottom)};
      } else {
        cells = {std::max(a.Cells.Left, b.Cells.Left), std::max(a.Cells.Top, b.Cells.Top),
                 std::min(a.Cells.Right, b.Cells.Right), std::min(a.Cells.Bottom, b.Cells.Bottom)};
        if (cells.Left > cells.Right || cells.Top > cells.Bottom) {
          // Excel's error for areas that do not meet.
          fail(ecNull);
          return;
        }
      }
      PushArea({a.Sheet, cells});
      return;
    }
    case ptgUnion: {
      // The areas of both operands as one list (a name of several areas), which the functions
      // taking their arguments' cells one by one read area by area.
      if (stack_.Count() < 2) {
        SetError(ecValue);
        return;
      }
      TcxTokenString list = {ptgRefList, 0, 0, 0, 0};
      const TcxTokenString right = stack_.PopToken();
      const TcxTokenString left = stack_.PopToken();
      uint8_t error = 0;
      for (const TcxTokenString* operand : {&left, &right}) {
        const TcxTokenView view{operand->data(), operand->size()};
        if (view.Id() == ptgRefList) {
          list.insert(list.end(), view.Data + kArrayHeaderSize, view.Data + view.Size);
          continue;
        }
        TcxResolvedArea area;
        if (!ResolveArea(view, area, error)) {
          SetError(error);
          const uint8_t item[2] = {ptgErr, error};
          stack_.Push(item, sizeof item);
          return;
        }
        const TRect& c = area.Cells;
        AppendArea3d(list, static_cast<uint16_t>(area.Sheet), true, true, true, true, c.Top,
                     c.Bottom, c.Left, c.Right);
      }
      WriteInt32(list.data() + 1, static_cast<int32_t>(list.size() - kArrayHeaderSize));
      stack_.Push(list);
      return;
    }
    default:
      cache_.ReportError(kUnknownToken);
      return;
  }
}

// --- Functions --------------------------------------------------------------------------------

void TcxSSFunctionHandler::CallFunction(TcxTokenView token) {
  accumulatorSet_ = false;
  TScopeGuard clearAccumulator([this] { accumulatorSet_ = false; });
  argCount_ = token.Size >= 4 ? token.Data[1] : 0;
  TcxFuncDefinition definition;
  if (token.Size < 4 || !FindFunctionByIndex(ReadUInt16(token.Data + 2), definition) ||
      !definition.Proc) {
    SetError(ecValue);
    for (int i = 0; i < argCount_ && !stack_.Empty(); ++i) stack_.Pop();
    return;
  }
  if (CallLifted(definition.Index, definition.Proc)) return;
  resultSet_ = false;
  definition.Proc(*this);
  if (!resultSet_) throw ECalculationError(std::string(kFunctionNeedResult));
}

void TcxSSFunctionHandler::ForEachArgument(const TcxArgumentCallback& callback, int mode) {
  accumulator_ = 0;
  accumulatorSet_ = false;
  accumulatedText_.clear();
  count_ = 0;
  const bool textMode = (mode & amText) != 0;
  for (int i = 0; i < argCount_; ++i) {
    // The item is copied out: the callback may not push, but the cells it reads may be
    // calculated meanwhile.
    const TcxTokenString item = stack_.PopToken();
    const TcxTokenView view{item.data(), item.size()};
    switch (view.Id()) {
      case ptgRef:
      case ptgRef3d:
      case ptgArea:
      case ptgArea3d:
      case ptgName:
        ForEachCell(callback, mode, view);
        break;
      case ptgStr: {
        const std::string text = StringTokenText(view.Data, view.Size);
        double x = 0;
        if (textMode) {
          ++count_;
          callback({0, text});
        } else if (TryTextToFloat(text, x, Settings())) {
          ++count_;
          callback({x, {}});
        } else {
          SetError(ecValue);
        }
        break;
      }
      case ptgBool: {
        const bool b = view.Size == 2 && view.Data[1] != 0;
        ++count_;
        if (textMode)
          callback({0, BoolToText(b)});
        else
          callback({b ? 1.0 : 0.0, {}});
        break;
      }
      case ptgNum: {
        const double x = view.Size == 9 ? ReadDouble(view.Data + 1) : 0;
        ++count_;
        if (textMode)
          callback({0, FloatToText(x, Settings())});
        else
          callback({x, {}});
        break;
      }
      case ptgArray:
        ForEachArrayValue(callback, mode, view);
        break;
      case ptgRefList:
        for (size_t at = kArrayHeaderSize; at < view.Size;) {
          const size_t n = TokenSizeAt(view.Data, view.Size, at);
          if (n == 0) break;
          ForEachCell(callback, mode, {view.Data + at, n});
          at += n;
        }
        break;
      case ptgErr:
        SetError(ErrorOf(view));
        break;
      case ptgMissArg:
        ++count_;
        callback({0, textMode ? std::string_view("0") : std::string_view(), true});
        break;
      default:
        cache_.ReportError(kUnknownToken);
        break;
    }
  }
}


void TcxSSFunctionHandler::ForEachCell(const TcxArgumentCallback& callback, int mode,
                                       TcxTokenView item) {
  TcxResolvedArea area;
  uint8_t error = 0;
  if (!ResolveArea(item, area, error)) {
    SetError(error);
    return;
  }
  const bool textMode = (mode & amText) != 0;
  const TRect& cells = area.Cells;
  const int64_t width = int64_t{cells.Right} - cells.Left + 1;
  const int64_t size = width * (int64_t{cells.Bottom} - cells.Top + 1);
  // Cells are counted along the rows; `next` is the first one not yet handed on.
  int64_t next = 0;
  // An empty cell reads as empty text in text mode and as 0 in number mode, and counts.
  const auto empties = [&](int64_t n) {
    if (n <= 0) return;
    if (mode & amRuns) {
      count_ = static_cast<int>(std::min<int64_t>(INT_MAX, count_ + n));
      TcxArgumentValue run;
      run.Repeat = n;
      callback(run);
      return;
    }
    for (int64_t i = 0; i < n; ++i) {
      if (count_ < INT_MAX) ++count_;
      callback({0, {}});
    }
  };
  std::string text;
  const auto read = [&](int col, int row) {
    const int64_t at = (int64_t{row} - cells.Top) * width + (int64_t{col} - cells.Left);
    empties(at - next);
    next = at + 1;
    if (textMode) {
      cache_.CellAsText(*this, area.Sheet, col, row, text);
      ++count_;
      callback({0, text});
    } else {
      double x = 0;
      if (cache_.CellAsNumber(*this, area.Sheet, col, row, x)) {
        ++count_;
        callback({x, {}});
      }
    }
  };
  // A few cells are read one by one rather than looked up.
  if (size <= 16) {
    for (int64_t row = cells.Top; row <= cells.Bottom; ++row)
      for (int64_t col = cells.Left; col <= cells.Right; ++col)
        read(static_cast<int>(col), static_cast<int>(row));
    return;
  }
  ForEachStoredCell(Book().Pages(area.Sheet).DataStorage(), cells, read);
  empties(size - next);
}
