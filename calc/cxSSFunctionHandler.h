#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSTokensStack.h"
#include "calc/cxSSTypes.h"
#include "calc/cxTextChain.h"
#include "platform/Types.h"

class TcxSSFormulasCache;
class TcxCustomSpreadSheetBook;
class ITextServices;
struct TcxEnvironment;
struct TcxSSFormula;
struct TRegionalSettings;

// How ForEachArgument hands values to its callback.
enum TcxArgumentMode : int {
  amText = 1,    // every value as text; empty cells give empty text
  amNumber = 2,  // every value as a number; text cells of references are skipped
  // Added to either: the callback takes the empty cells of an area in runs (Repeat), as they
  // lie between the stored cells, rather than one call for each. Only callbacks for which an
  // empty value counted n times is the same as once, or that count Repeat, ask for runs.
  amRuns = 4,
};

// One value handed to an aggregate callback: Text in text mode, Number in number mode. An
// argument left empty (COUNT(1,,2)) is the number 0, as in Excel, and says so in Missing for the
// functions that read it otherwise (CONCATENATE: the empty text). Repeat is how many cells in a
// row the value stands for: more than one only for a run of empty cells (empty text, number 0)
// handed to a callback that asked for runs.
struct TcxArgumentValue {
  double Number = 0;
  std::string_view Text;
  bool Missing = false;
  int64_t Repeat = 1;
};
using TcxArgumentCallback = std::function<void(const TcxArgumentValue& value)>;

struct TcxSSExternalLinks;

// How the file being written names, through its link table, what formulas refer to; each
// answer is false when the file cannot name it.
class IcxFormulaLinks {
public:
  virtual ~IcxFormulaLinks() = default;
  // The EXTERNSHEET index of pages `first` to `last` of this workbook (kDeletedSheet: a sheet
  // that was deleted).
  virtual bool SheetRef(int first, int last, uint16_t& refIndex) = 0;
  // An add-in function's name: the EXTERNSHEET index of the add-in book and the one-based index
  // of the name's EXTERNNAME record.
  virtual bool AddInFunction(std::string_view name, uint16_t& refIndex, uint16_t& nameIndex) = 0;
  // External sheet `index` of `links`: its EXTERNSHEET index.
  virtual bool ExternalSheet(const TcxSSExternalLinks& links, size_t index,
                             uint16_t& refIndex) = 0;
  // External name `index` of `links`: the EXTERNSHEET index of its book and the one-based index
  // of its EXTERNNAME record.
  virtual bool ExternalName(const TcxSSExternalLinks& links, size_t index, uint16_t& refIndex,
                            uint16_t& nameIndex) = 0;
};

// How Excel evaluates an operator or function call of a formula: as an array (value by value
// over the areas among its operands) or not, and the operand class its consumer wants of it
// ('V' a value, 'R' a reference, 'A' an array).
struct TcxOperandClass {
  bool Array = false;
  char Wanted = 'V';
};

// A reference resolved to a sheet and an inclusive cell rectangle.
struct TcxResolvedArea {
  int Sheet = 0;
  TRect Cells;
};

// The function handler works on one formula at a time. Its parsing side turns formula text into
// a token string (PrepareText, ParseText, NextToken, ClassifyToken, ParseReference,
// ParseFormula) and back (FormulaText, ExportTokens); its evaluation side walks a token string
// over its own stack (TcxTokensStack), applying operators and calling the worksheet functions
// (cxSSFunctionTable.h), which use the Pop…/Push… operations below.
//
// Each evaluation uses its own handler, so a formula that waits for another keeps its stack.
// Evaluation is resumable: Run stops before an operator or function whose operands refer to a
// formula that has not been calculated yet and names it (Pending); the formula cache calculates
// that one and runs this handler again. So the depth of a dependency chain never reaches the
// machine stack.
class TcxSSFunctionHandler {
public:
  explicit TcxSSFunctionHandler(TcxSSFormulasCache& cache);
  virtual ~TcxSSFunctionHandler();
  TcxSSFunctionHandler(const TcxSSFunctionHandler&) = delete;
  TcxSSFunctionHandler& operator=(const TcxSSFunctionHandler&) = delete;

  TcxSSFormulasCache& Cache() const { return cache_; }
  TcxCustomSpreadSheetBook& Book() const;
  const TcxEnvironment& Environment() const;
  const TRegionalSettings& Settings() const { return settings_; }
  const ITextServices& TextServices() const { return textServices_; }

  // --- Parsing ---------------------------------------------------------------------------------
  // The locale list separator, or ";" when the list and decimal separators are both ",".
  std::string ListSeparator() const;
  virtual void BuildDelimiters();
  bool IsDelimiter(char c) const;
  // Body is the text without leading blanks and "=" and without trailing blanks, blanks after
  // "!" removed; false (after the message) when parentheses or double quotes do not balance.
  virtual bool PrepareText(std::string_view text, std::string& body);
  virtual void ParseText(std::string_view body, TcxTokenString& tokens);
  // Cuts the next token from the front of `text`; returns its identifier (0 when nothing was
  // made). For a function call or a parenthesis, `inner` is the text between the parentheses.
  virtual uint8_t NextToken(std::string_view& text, std::string_view& inner,
                            TcxTokenString& token);
  // Operator, number, boolean or reference; false (error 5 and the message) otherwise.
  virtual bool ClassifyToken(std::string_view text, TcxTokenString& token);
  virtual bool ParseReference(std::string_view text, TcxTokenString& token);
  // Parses `text` into the formula's tokens (its old tokens dropped); messages go through the
  // cache's error report.
  virtual void ParseFormula(std::string_view text, TcxSSFormula& formula);
  // ParseFormula for the formula of a defined name: a list of references joined by the list
  // separator is their union.
  void ParseNameFormula(std::string_view text, TcxSSFormula& formula);
  // "=" + the expression rebuilt from the tokens; empty (after the message) when they do not
  // make one expression.
  virtual std::string FormulaText(TcxSSFormula& formula);
  // The tokens as BIFF8 parsed-expression bytes for the file writer, and in `extra` (when
  // given) the data that follows them in the record (array constants). A formula still as its
  // file held it gives the file's own tokens back. Add-in functions and references through the
  // link table are named by `links`; without it 3-D references use the page index and an
  // add-in function call is written as the error "#NAME?". The formula as a whole is given the
  // operand class `rootClass`: 'V' for a cell's value, 'R' for the formula of a defined name,
  // 'A' for an array formula.
  void ExportTokens(const TcxSSFormula& formula, TcxTokenString& tokens);
  virtual void ExportTokens(const TcxSSFormula& formula, TcxTokenString& tokens,
                            IcxFormulaLinks* links, char rootClass = 'V',
                            TcxTokenString* extra = nullptr);
  virtual void UnknownExpression(std::string_view text);

  // --- Evaluation ------------------------------------------------------------------------------
  virtual void BeginFormula(TcxSSFormula& formula, bool clearResult);
  // Evaluates the formula to its result (see Run for the calculation of what it refers to).
  virtual void Calculate(TcxSSFormula& formula);
  // Prepares a resumable evaluation of the formula.
  void Start(TcxSSFormula& formula);
  // Walks the tokens from where the last Run stopped. Returns true when the formula is done
  // (its result stored); false when it stopped before a token that needs Pending() first.
  bool Run();
  TcxSSFormula* Pending() const { return pending_; }
  // Stores the result from the present state (also after an exception).
  void Finish();

  // Arguments, last first. A missing argument or a value of the wrong kind sets error 3.
  virtual double PopNumber();
  virtual bool PopBoolean();
  virtual std::string PopText();
  // The top value as text (PopText) and the identifier of its token (ptgStr, ptgNum, ptgBool,
  // ptgRef, ...); 0 when the stack was empty.
  virtual void PopValue(uint8_t& kind, std::string& text);
  void PushNumber(double x);
  void PushBool(bool b);
  void PushText(std::string_view text);
  // Pushes a reference (ptgRef3d, ptgArea3d) or an array (ptgArray) as the routine's result, for
  // the routines that return areas (OFFSET, INDEX, INDIRECT) or arrays (TRANSPOSE, MMULT).
  void PushToken(TcxTokenView token);
  // Pushes the area as an absolute sheet-qualified reference: ptgRef3d for one cell, else
  // ptgArea3d.
  void PushArea(const TcxResolvedArea& area);
  // Sets the error code (internal codes 1..7; 0 clears it); the result is then taken as a
  // number or boolean, not as text.
  void SetError(uint8_t code);
  // Clears the error code and leaves the kind of the last value pushed as it is, so that a
  // text result stays text (IF choosing "").
  void ClearError() { errorCode_ = 0; }
  uint8_t ErrorCode() const { return errorCode_; }
  void SetAccumulator(double x);
  double Accumulator() const { return accumulator_; }
  void SetText(std::string_view text);
  const std::string& AccumulatedText() const { return accumulatedText_; }
  bool AccumulatorSet() const { return accumulatorSet_; }
  bool ResultSet() const { return resultSet_; }
  bool Numeric() const { return numeric_; }
  // Arguments of the function being called.
  int ArgCount() const { return argCount_; }
  // Values handed to the callback by the last ForEachArgument.
  int Count() const { return count_; }
  // Pops ArgCount items and hands their values to the callback (areas cell by cell, row by
  // row); Accumulator, AccumulatedText and Count start from zero.
  virtual void ForEachArgument(const TcxArgumentCallback& callback, int mode);
  // Every cell of a reference, area or name in the callback's mode, row by row. Only the stored
  // cells are read; the empty cells between them are handed on without reading, in runs when
  // the mode asks for them, so a sum over a whole sheet costs what its stored cells cost.
  virtual void ForEachCell(const TcxArgumentCallback& callback, int mode, TcxTokenView item);
  // Pushes copies of the top `count` items, so that a routine can consume its arguments twice.
  void DuplicateArguments(int count);
  // Runs the function of a ptgFuncVar token.
  virtual void CallFunction(TcxTokenView token);

  TcxSSFormula* Formula() const { return formula_; }
  int FormulaSheet() const { return formulaSheet_; }
  int FormulaCol() const { return formulaCol_; }
  int FormulaRow() const { return formulaRow_; }
  TcxTokensStack& Stack() { return stack_; }

  // A reference item (ptgRef, ptgRef3d, ptgArea, ptgArea3d, ptgName) resolved for the current
  // formula; false with the error code to set (4 "#REF!", 3 "#VALUE!") otherwise.
  bool ResolveArea(TcxTokenView item, TcxResolvedArea& area, uint8_t& error) const;

private:
  friend class TcxSpreadSheetExpressionParser;
  void ApplyOperator(uint8_t id);
  // Arrays as values (cxSSFunctionArrays.cpp).
  bool ArrayOperands(uint8_t id);
  void ApplyArrayOperator(uint8_t id);
  // Whether the operator or function at this offset of the formula's tokens is evaluated as an
  // array (Excel's operand classes, worked out once per formula).
  bool IsArrayNode(size_t offset);
  TcxOperandClass NodeClass(size_t offset);
  // Calls the routine value by value when the call's single-value arguments hold arrays (or
  // areas, where the call is evaluated as an array) and pushes the array of results; false
  // (nothing done) otherwise.
  bool CallLifted(uint16_t function, TcxFunctionProc proc);
  void ForEachArrayValue(const TcxArgumentCallback& callback, int mode, TcxTokenView array);
  bool PopCellText(TcxTokenView item, std::string& text);
  // The formula's tokens with each formula name replaced by its formula as seen from the
  // formula's cell, into `out`; false (nothing written) when the tokens use no formula name.
  bool ExpandNames(const TcxTokenString& tokens, TcxTokenString& out) const;
  void AppendExpanded(const uint8_t* data, size_t size, bool inName, int depth,
                      TcxTokenString& out) const;
  bool NeedsPending(size_t offset);
  bool FindPending(TcxTokenView item);
  void PushStringToken(std::string_view text);
  uint8_t OperatorId(std::string_view text) const;
  bool ParseCell(std::string_view text, bool r1c1, int baseRow, int baseCol, bool& rowAbs,
                 bool& colAbs, int32_t& row, int32_t& col) const;
  void RebuildSheetList();
  size_t MatchName(std::string_view text) const;
  size_t MatchSheet(std::string_view text) const;
  int FindSheet(std::string_view qualifier) const;
  std::string ReferenceText(const uint8_t* token, int baseRow, int baseCol) const;
  std::string ArrayText(const uint8_t* token, size_t size) const;
  bool FileTokens(const TcxSSFormula& formula, IcxFormulaLinks& links, TcxTokenString& out,
                  TcxTokenString& extra) const;
  bool ExportArray(const uint8_t* token, size_t size, TcxTokenString& extra) const;
  // The EXTERNSHEET and EXTERNNAME indexes of an external name (ptgNameX) in the file written.
  bool ExternalNameRef(uint16_t index, IcxFormulaLinks& links, uint16_t& refIndex,
                       uint16_t& nameIndex) const;
  std::string SheetText(int sheet) const;

  TcxSSFormulasCache& cache_;
  const TRegionalSettings& settings_;
  const ITextServices& textServices_;
  int count_ = 0;
  int formulaCol_ = 0;
  uint8_t errorCode_ = 0;
  std::array<bool, 256> delimiters_{};
  std::string listSeparator_;
  double accumulator_ = 0;
  bool resultSet_ = false;
  TcxSSFormula* formula_ = nullptr;
  bool accumulatorSet_ = false;
  int formulaSheet_ = 0;
  int argCount_ = 0;
  bool numeric_ = true;
  int formulaRow_ = 0;
  std::string accumulatedText_;
  TcxTokensStack stack_;
  // Parsing: the sheet names as references write them (quoted when they hold a blank).
  std::vector<std::string> sheetNames_;
  int parseDepth_ = 0;
  // Parsing the formula of a name (ParseNameFormula).
  bool unionAtTop_ = false;
  // The text the parser reads next is a function's argument list, where an argument may be
  // left empty (SUM(1,,2)): it then stands as a ptgMissArg.
  bool argumentList_ = false;
  std::vector<uint8_t> operators_;
  TcxTokenString scratch_;
  std::string body_;
  // Rebuilding text: the operands' texts, kept from formula to formula for their storage.
  TcxTextChain textChain_;
  std::vector<TcxTextChain::TPart> textParts_;
  // The tokens being evaluated: the formula's own, or `expanded_` when it uses formula names.
  const TcxTokenString* tokens_ = nullptr;
  TcxTokenString expanded_;
  // Resumable evaluation.
  size_t position_ = 0;
  TcxSSFormula* pending_ = nullptr;
  // Where the last search for a pending formula stopped (sheet -1: none yet).
  TcxResolvedArea pendingScan_{-1, {}};
  // The cells of pendingScan_ that may hold formulas, in row order, and how many of them the
  // scan has passed.
  std::vector<TPoint> pendingCells_;
  size_t pendingNext_ = 0;
  // Operand classes of the formula's tokens (IsArrayNode).
  bool arrayNodesKnown_ = false;
  std::vector<size_t> nodeOffsets_;
  std::vector<TcxOperandClass> arrayNodes_;
};
