#include "calc/cxSSFormulasCache.h"

#include <algorithm>
#include <cassert>
#include <climits>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSStrings.h"
#include "platform/TextServices.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleTypes.h"
#include "calc/cxExcelLimits.h"

TcxSSFormulasCache::TcxSSFormulasCache(TcxCustomSpreadSheetBook& book)
    : book_(book), handler_(*this) {}

TcxSSFormulasCache::~TcxSSFormulasCache() = default;

// --- Registration -------------------------------------------------------------------------------

std::unique_ptr<TcxSSFormula> TcxSSFormulasCache::NewFormula(const TcxSSDataStorage& storage,
                                                             int col, int row) {
  auto formula = std::make_unique<TcxSSFormula>();
  formula->Sheet = static_cast<uint16_t>(storage.GetSheetIndex());
  formula->Col = col;
  formula->Row = row;
  formula->State = 2;
  return formula;
}

bool TcxSSFormulasCache::AddFormula(TcxSSDataStorage& storage, int col, int row) {
  TcxSSCellRec cell = storage.GetCell(col, row);
  auto formula = NewFormula(storage, col, row);
  const bool wasCyclic = cyclicRefs_;
  lastMessage_.clear();
  errorFlag_ = false;

  handler_.ParseFormula(cell.Text, *formula);
  // A parse that stopped on an unknown word or function keeps the typed text rather than a
  // formula made of the tokens before it.
  bool ok = !formula->ParseFailed && !errorFlag_ && !formula->Tokens.empty() &&
            handler_.ErrorCode() == 0;
  std::string text;
  if (ok) {
    text = handler_.FormulaText(*formula);
    ok = !text.empty();
  }
  // A formula typed in must fit the one record a file keeps it in; a file's own formulas do.
  const bool tooLong = ok && !silent_ && !FitsFile(*formula);
  if (tooLong) {
    ok = false;
    ReportError(kFormulaTooLong);
  }
  if (ok) {
    cell.Text = std::move(text);
    cell.Formula = Add(std::move(formula));
    cell.Kind = ckFormula;
  } else {
    if (lastMessage_ != kSyntaxError && !tooLong) ReportError(kSyntaxError);
    cell.Kind = ckText;
    cell.Formula = nullptr;
  }
  errorFlag_ = false;
  storage.SetCell(col, row, cell);
  if (cyclicRefs_ && !wasCyclic) ReportError(kCycledIndexes);
  return ok;
}

namespace {

// Links that answer every question with a fixed index: a formula's tokens take the same room
// whatever indexes the file gives its sheets, add-in functions and external names.
class TcxAnyLinks final : public IcxFormulaLinks {
public:
  bool SheetRef(int, int, uint16_t& refIndex) override {
    refIndex = 0;
    return true;
  }
  bool AddInFunction(std::string_view, uint16_t& refIndex, uint16_t& nameIndex) override {
    refIndex = 0;
    nameIndex = 1;
    return true;
  }
  bool ExternalSheet(const TcxSSExternalLinks&, size_t, uint16_t& refIndex) override {
    refIndex = 0;
    return true;
  }
  bool ExternalName(const TcxSSExternalLinks&, size_t, uint16_t& refIndex,
                    uint16_t& nameIndex) override {
    refIndex = 0;
    nameIndex = 1;
    return true;
  }
};

}  // namespace

bool TcxSSFormulasCache::FitsFile(const TcxSSFormula& formula) {
  TcxAnyLinks anyLinks;
  TcxTokenString exported;
  TcxTokenString extra;
  handler_.ExportTokens(formula, exported, &anyLinks, 'V', &extra);
  return exported.size() + extra.size() <= kXlsMaxFormulaTokens;
}

bool TcxSSFormulasCache::AddFormulaTokens(TcxSSDataStorage& storage, int col, int row,
                                          const TcxTokenString& tokens,
                                          std::shared_ptr<const TcxFileFormula> file,
                                          const TcxFormulaBlock& block) {
  if (tokens.empty()) return false;
  auto formula = NewFormula(storage, col, row);
  formula->Tokens = tokens;
  formula->File = std::move(file);
  formula->Block = block;
  lastMessage_.clear();
  errorFlag_ = false;
  std::string text = handler_.FormulaText(*formula);
  errorFlag_ = false;
  if (text.empty()) return false;
  TcxSSCellRec cell;
  cell.Style = storage.OwnCell(col, row).Style;
  cell.Kind = ckFormula;
  cell.Text = std::move(text);
  cell.Formula = Add(std::move(formula));
  storage.SetCell(col, row, cell);
  return true;
}

namespace {

// Whether a formula keeps the value its file stored: a data table's values come from Excel's
// recalculation of the table; other formulas when the engine cannot calculate their tokens or
// the file's tokens say what the workbook's do not.
bool KeepsFileResult(const TcxSSFormula& formula) {
  return formula.Block.Kind == fbTable || !TcxSSFormulasCache::Calculable(formula.Tokens) ||
         (formula.File && formula.File->KeepsValue);
}

}  // namespace

TcxSSFormula* TcxSSFormulasCache::Add(std::unique_ptr<TcxSSFormula> formula) {
  // Compact when more than half of the slots are empty, so that the list stays proportional to
  // the number of formulas while removal stays constant time.
  if (formulas_.size() > 64 && static_cast<size_t>(count_) * 2 < formulas_.size()) {
    size_t next = 0;
    for (auto& slot : formulas_)
      if (slot) {
        slot->ListIndex = next;
        formulas_[next++] = std::move(slot);
      }
    formulas_.resize(next);
  }
  calculatedAreas_.clear();
  formula->ListIndex = formulas_.size();
  formula->Visit = 0;
  formula->KeepsResult = KeepsFileResult(*formula);
  formulas_.push_back(std::move(formula));
  ++count_;
  return formulas_.back().get();
}

bool TcxSSFormulasCache::Calculable(const TcxTokenString& tokens) {
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return true;  // damaged tokens calculate to an error of their own
    const uint8_t* t = tokens.data() + pos;
    pos += size;
    switch (t[0]) {
      case ptgNameX:
      case ptgRefX:
      case ptgAreaX:
        return false;
      case ptgFuncVar: {
        TcxFuncDefinition definition;
        if (!FindFunctionByIndex(ReadUInt16(t + 2), definition)) return false;
        break;
      }
      default:
        break;
    }
  }
  return true;
}

bool TcxSSFormulasCache::IsRegistered(const TcxSSFormula* formula) const {
  return formula && formula->ListIndex < formulas_.size() &&
         formulas_[formula->ListIndex].get() == formula;
}

void TcxSSFormulasCache::RemoveFormula(TcxSSFormula* formula) {
  if (!IsRegistered(formula)) return;
  // A formula waiting on the work stack is not freed under it.
  assert(formula->Visit == 0);
  calculatedAreas_.clear();
  formulas_[formula->ListIndex].reset();
  --count_;
}

TcxSSFormula* TcxSSFormulasCache::CopyFormula(const TcxSSFormula& formula) {
  return Add(std::make_unique<TcxSSFormula>(formula));
}

void TcxSSFormulasCache::Clear() {
  names_.clear();
  NamesChanged();
  links_ = {};
  formulas_.clear();
  calculatedAreas_.clear();
  count_ = 0;
  lockCount_ = 0;
}

void TcxSSFormulasCache::ReportError(std::string_view message) {
  lastMessage_ = message;
  if (silent_) {
    errorFlag_ = true;
    return;
  }
  if (const auto& box = book_.Environment().Messages) box->ShowMessage(std::string(message));
}

// --- Calculation ------------------------------------------------------------------------------

void TcxSSFormulasCache::Calculate(TcxSSFormula& formula) {
  if (IsLocked() || !IsRegistered(&formula) || formula.ParseFailed) return;
  if (formula.Visit >= 1) {
    cyclicRefs_ = true;
    return;
  }
  CalculateChain(formula);
}

const TcxSSCellRec* TcxSSFormulasCache::CellAt(int sheet, int col, int row) const {
  if (sheet < 0 || sheet >= book_.PageCount() || col < 0 || row < 0) return nullptr;
  // The cell's own record: a covered cell of a merged area is empty to formulas, as the cells
  // an area covers are in other spreadsheets, even where it reads as the area's top-left cell.
  return &book_.Pages(sheet).DataStorage().OwnCell(col, row);
}

void TcxSSFormulasCache::CalculateChain(TcxSSFormula& root) {
  // Each frame is a formula with its own handler (the one at the same depth), suspended while
  // it waits for the formula above it. A chain started while another runs (a formula read
  // outside the operands seen in advance) stacks its frames above that one's.
  // Beyond this nesting the formula reads as empty, as inside a cycle, rather than exhaust the
  // machine stack (a chain of lookups, each finding the row that the next one's table holds).
  constexpr int kMaxNestedChains = 200;
  if (nestedChains_ >= kMaxNestedChains) {
    cyclicRefs_ = true;
    return;
  }
  ++nestedChains_;
  TScopeGuard leave([this] { --nestedChains_; });
  const size_t base = frames_.size();
  auto handlerAt = [this](size_t depth) -> TcxSSFunctionHandler& {
    while (workHandlers_.size() <= depth)
      workHandlers_.push_back(std::make_unique<TcxSSFunctionHandler>(*this));
    return *workHandlers_[depth];
  };
  auto push = [&](TcxSSFormula& formula) {
    formula.Visit = 1;
    frames_.push_back(&formula);
    if (formula.Tokens.empty()) {
      // A formula without tokens (a pasted one) is parsed from its cell's text first.
      if (const TcxSSCellRec* cell = CellAt(formula.Sheet, formula.Col, formula.Row))
        handler_.ParseFormula(cell->Text, formula);
      formula.KeepsResult = KeepsFileResult(formula);
    }
    formula.State = 2;
    if (formula.KeepsResult) {
      KeptResult(formula);
      return;
    }
    if (!formula.Tokens.empty()) handlerAt(frames_.size() - 1).Start(formula);
  };
  auto pop = [&] {
    frames_.back()->Visit = 0;
    frames_.pop_back();
  };
  try {
    push(root);
    while (frames_.size() > base) {
      TcxSSFormula& formula = *frames_.back();
      if (formula.Tokens.empty() || formula.KeepsResult) {
        pop();
        continue;
      }
      TcxSSFunctionHandler& handler = handlerAt(frames_.size() - 1);
      if (handler.Run())
        pop();
      else
        push(*handler.Pending());
    }
  } catch (...) {
    // The failing formula has stored its result; the ones waiting for it lost an operand and
    // end as "#VALUE!".
    if (frames_.size() > base) pop();
    while (frames_.size() > base) {
      if (!frames_.back()->Tokens.empty()) {
        TcxSSFunctionHandler& handler = handlerAt(frames_.size() - 1);
        handler.SetError(ecValue);
        handler.Finish();
      }
      pop();
    }
    throw;
  }
}

void TcxSSFormulasCache::KeptResult(TcxSSFormula& formula) {
  if (formula.File && !formula.File->Result.empty()) {
    formula.Result = formula.File->Result;
    formula.State = ReadResult(formula.Result).Kind == rkError ? 0 : 2;
  } else {
    formula.Result = MakeErrorResult(ecName);
    formula.State = 0;
  }
}

void TcxSSFormulasCache::Recalc() {
  if (!IsLocked() && count_ > 0) RecalcAll();
}

void TcxSSFormulasCache::RecalcAll() {
  const bool wasCyclic = cyclicRefs_;
  cyclicRefs_ = false;
  calculatedAreas_.clear();
  for (auto& formula : formulas_)
    if (formula) formula->Result.clear();
  TScopeGuard resetVisits([this] {
    for (auto& formula : formulas_)
      if (formula) formula->Visit = 0;
  });
  // Registration order; formulas that others referred to were calculated on the way and keep
  // their results.
  // Formulas further on in the sweep have their cells fetched into the processor's cache
  // while the ones before them calculate: a loaded workbook's cells are no longer cached.
  constexpr size_t kFetchAhead = 16;
  for (size_t i = 0; i < formulas_.size(); ++i) {
    if (i + kFetchAhead < formulas_.size() && formulas_[i + kFetchAhead])
      PrefetchCells(*formulas_[i + kFetchAhead]);
    TcxSSFormula* formula = formulas_[i].get();
    if (formula && formula->Visit == 0 && formula->Result.empty()) Calculate(*formula);
  }
  if (cyclicRefs_ && !wasCyclic) ReportError(kCycledIndexes);
}

void TcxSSFormulasCache::PrefetchCells(const TcxSSFormula& formula) const {
#if defined(__GNUC__) || defined(__clang__)
  const TcxTokenString& tokens = formula.Tokens;
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return;
    const uint8_t* t = tokens.data() + pos;
    pos += size;
    if (t[0] != ptgRef && t[0] != ptgRef3d) continue;
    const TcxReferenceCells cells = ReferenceCells(t, formula.Sheet, formula.Col, formula.Row);
    if (cells.Sheet >= book_.PageCount() || cells.FirstRow < 0 || cells.FirstCol < 0 ||
        cells.FirstRow > INT32_MAX || cells.FirstCol > INT32_MAX)
      continue;
    if (const TcxSSCellRec* cell = book_.Pages(cells.Sheet).DataStorage().FindCell(
            static_cast<int>(cells.FirstCol), static_cast<int>(cells.FirstRow)))
      __builtin_prefetch(cell);
  }
#else
  (void)formula;
#endif
}

TcxResultValue TcxSSFormulasCache::ResultValue(const TcxSSFormula& formula) const {
  return ReadResult(formula.Result);
}

TcxSSFormula* TcxSSFormulasCache::UncalculatedFormulaAt(int sheet, int col, int row) const {
  const TcxSSCellRec* cell = CellAt(sheet, col, row);
  if (!cell || cell->Kind != ckFormula) return nullptr;
  TcxSSFormula* formula = cell->Formula;
  if (!formula || !formula->Result.empty() || formula->Visit != 0 || formula->ParseFailed ||
      formula->Tokens.empty() || !IsRegistered(formula))
    return nullptr;
  return formula;
}

bool TcxSSFormulasCache::KnownCalculated(int sheet, const TRect& cells) const {
  return calculatedAreas_.count({sheet, cells.Left, cells.Top, cells.Right, cells.Bottom}) != 0;
}

void TcxSSFormulasCache::SetKnownCalculated(int sheet, const TRect& cells) {
  calculatedAreas_.insert({sheet, cells.Left, cells.Top, cells.Right, cells.Bottom});
}

TRect TcxSSFormulasCache::ClipToStored(int sheet, const TRect& cells) const {
  if (sheet < 0 || sheet >= book_.PageCount()) return {0, 0, -1, -1};
  const TcxSSDataStorage& storage = book_.Pages(sheet).DataStorage();
  return {cells.Left, cells.Top, std::min(cells.Right, storage.ColCount() - 1),
          std::min(cells.Bottom, storage.RowCount() - 1)};
}

// The cell's formula, calculated first when it has no result in this sweep.
TcxSSFormula* TcxSSFormulasCache::CalculatedFormula(const TcxSSCellRec& cell) {
  if (cell.Kind != ckFormula || !cell.Formula) return nullptr;
  if (cell.Formula->Result.empty()) Calculate(*cell.Formula);
  return cell.Formula;
}

bool TcxSSFormulasCache::CellAsText(TcxSSFunctionHandler& handler, int sheet, int col, int row,
                                    std::string& text) {
  text.clear();
  const TcxSSCellRec* cell = CellAt(sheet, col, row);
  if (!cell) {
    handler.SetError(ecRef);
    return false;
  }
  if (TcxSSFormula* formula = CalculatedFormula(*cell)) {
    const TcxResultValue value = ReadResult(formula->Result);
    if (value.Kind != rkNone && value.Kind != rkError && formula->State == 2) {
      switch (value.Kind) {
        case rkText: text = value.Text; break;
        case rkBool: text = BoolToText(value.Bool); break;
        default: text = FloatToText(value.Number, book_.Settings()); break;
      }
    } else if (formula->State != 2) {
      // An error result is passed on as this text, not with its own code.
      text = ErrorToText(ecValue);
    }
  } else {
    text = cell->Text;
  }
  return !text.empty();
}

bool TcxSSFormulasCache::CellNumberValue(int sheet, int col, int row, double& x) {
  const TcxSSCellRec* cell = CellAt(sheet, col, row);
  if (!cell) return false;
  if (cell->Kind == ckNumber) {
    x = cell->Number;
    return true;
  }
  if (TcxSSFormula* formula = CalculatedFormula(*cell)) {
    const TcxResultValue value = ReadResult(formula->Result);
    if (value.Kind == rkNumber && formula->State == 2) {
      x = value.Number;
      return true;
    }
  }
  return false;
}

bool TcxSSFormulasCache::CellAsNumber(TcxSSFunctionHandler& handler, int sheet, int col, int row,
                                      double& x) {
  x = 0;
  // Numbers are read as the doubles they hold, so a value keeps every bit across references.
  if (CellNumberValue(sheet, col, row, x)) return true;
  std::string text;
  CellAsText(handler, sheet, col, row, text);
  if (text.empty()) return true;
  if (TryTextToFloat(text, x, book_.Settings())) return true;
  bool b = false;
  if (TryTextToBool(text, b, *book_.Environment().Text)) {
    x = b ? 1 : 0;
    return true;
  }
  x = 0;
  return false;
}

bool TcxSSFormulasCache::CellAsBoolean(TcxSSFunctionHandler& handler, int sheet, int col,
                                       int row, bool& b) {
  b = false;
  const TcxSSCellRec* cell = CellAt(sheet, col, row);
  if (!cell) {
    handler.SetError(ecRef);
    return false;
  }
  double x = 0;
  if (TcxSSFormula* formula = CalculatedFormula(*cell)) {
    if (formula->State != 2) return false;
    const TcxResultValue value = ReadResult(formula->Result);
    if (value.Kind == rkBool) b = value.Bool;
    if (value.Kind == rkNumber) b = value.Number != 0;
    return b;
  }
  if (cell->Kind == ckNumber) {
    b = cell->Number != 0;
  } else if (!TryTextToBool(cell->Text, b, *book_.Environment().Text) &&
             TryTextToFloat(cell->Text, x, book_.Settings())) {
    b = x != 0;
  }
  return b;
}

std::string TcxSSFormulasCache::DisplayText(TcxSSFormula& formula) {
  TcxSSColor color = kColorNone;
  return DisplayText(formula, color, true);
}

std::string TcxSSFormulasCache::DisplayText(TcxSSFormula& formula, TcxSSColor& color,
                                            bool formatted, TcxTextFill* fill) {
  if (fill) *fill = {};
  if (!IsRegistered(&formula)) return {};
  const TcxSSCellRec* cell = CellAt(formula.Sheet, formula.Col, formula.Row);
  const std::string cellText = cell ? cell->Text : std::string();
  if (formula.ParseFailed) return cellText;
  if (book_.ShowFormulas()) {
    const std::string text = handler_.FormulaText(formula);
    return text.empty() ? cellText : text;
  }
  if (formula.Result.empty()) {
    try {
      Calculate(formula);
    } catch (const std::exception&) {
      formula.State = 0;
    }
  }
  const TcxResultValue value = ReadResult(formula.Result);
  if (value.Kind == rkNone) return "0";
  if (formula.State == 0)
    return std::string(value.Kind == rkError ? ErrorToText(value.Error) : ErrorToText(ecValue));
  const TcxNumberFormat* code = cell && cell->Style ? cell->Style->NumberFormat : nullptr;
  switch (value.Kind) {
    case rkText:
      // A text result goes through the text section of the cell's format code, if any.
      if (!formatted || !code) return value.Text;
      return FormatTextValue(value.Text, code, book_.Settings(), color, fill);
    case rkBool:
      return std::string(BoolToText(value.Bool));
    case rkNumber: {
      if (!formatted) return FloatToText(value.Number, book_.Settings());
      std::string text;
      const TxlsDataFormat format = cell && cell->Style ? cell->Style->Format : 0;
      FormatValue(code, format, book_.Precision(), text, color, value.Number, book_.Settings(), fill);
      return text;
    }
    default:
      return std::string(ErrorToText(ecValue));
  }
}

// --- Text ----------------------------------------------------------------------------------------

std::string TcxSSFormulasCache::FormulaText(TcxSSFormula& formula) {
  return handler_.FormulaText(formula);
}

void TcxSSFormulasCache::ExportTokens(const TcxSSFormula& formula, TcxTokenString& tokens,
                                      IcxFormulaLinks* links, TcxTokenString* extra,
                                      char rootClass) {
  handler_.ExportTokens(formula, tokens, links, rootClass, extra);
}
