#include "xls/cxFormulaReader.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <string_view>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTypes.h"
#include "calc/cxSSUtils.h"
#include "xls/cxBiffReader.h"
#include "xls/cxExcelConst.h"
#include "calc/cxExcelFunctions.h"

namespace {

// Precedence of an operand's outermost operator, as the workbook's own parser groups formula
// text: comparisons, "&" and ":" share one level and group left to right; unary minus binds
// tighter than "^"; an intersection (a blank between references) binds tightest. The decoder adds parentheses wherever the parser would otherwise group the
// text differently from the tokens (Excel's "&" binds tighter than its comparisons, and files
// from other writers omit ptgParen).
enum TcxPrecedence : uint8_t {
  precCompare = 2,
  precAdd = 3,
  precMul = 4,
  precPower = 5,
  precUnary = 6,
  precIntersect = 7,
  precAtom = 10,
};

struct TcxBinaryOperator {
  std::string_view Text;
  uint8_t Precedence;
};

// Identifiers 0x03-0x11. A union is written with the list separator; the workbook reads it in
// the formulas of defined names only (see Decode).
constexpr TcxBinaryOperator kBinaryOperators[] = {
    {"+", precAdd},      // 0x03
    {"-", precAdd},      // 0x04
    {"*", precMul},      // 0x05
    {"/", precMul},      // 0x06
    {"^", precPower},    // 0x07
    {"&", precCompare},  // 0x08
    {"<", precCompare},  // 0x09
    {"<=", precCompare}, // 0x0A
    {"=", precCompare},  // 0x0B
    {">=", precCompare}, // 0x0C
    {">", precCompare},  // 0x0D
    {"<>", precCompare}, // 0x0E
    {" ", precIntersect},  // 0x0F intersection
    {",", precCompare},  // 0x10 union
    {":", precCompare},  // 0x11
};

inline constexpr uint16_t kIfFunction = 1;
inline constexpr uint16_t kSumFunction = 4;

// An operand's text. It grows at either end in amortized constant time per character, so that
// parentheses, signs and operators around a long operand never copy it again and again: a
// formula of 65,000 nested parentheses decodes in time linear in its size.
class TcxOperandText {
public:
  TcxOperandText() = default;
  TcxOperandText(std::string text) : buffer_(std::move(text)) {}

  std::string_view View() const {
    return std::string_view(buffer_).substr(start_);
  }
  size_t Size() const { return buffer_.size() - start_; }
  void Append(std::string_view text) { buffer_.append(text); }
  void Prepend(std::string_view text) {
    if (text.size() > start_) {
      // Room in front for at least as much again as the text holds, so each character moves a
      // bounded number of times on average.
      const size_t room = text.size() + Size() + 16;
      buffer_.insert(0, room, '\0');
      start_ += room;
    }
    start_ -= text.size();
    buffer_.replace(start_, text.size(), text);
  }
  std::string Take() && {
    buffer_.erase(0, start_);
    start_ = 0;
    return std::move(buffer_);
  }

private:
  std::string buffer_;
  size_t start_ = 0;  // the text begins here; what lies before is room to prepend
};

struct TcxOperand {
  TcxOperandText Text;
  uint8_t Precedence = precAtom;
  // The operand may name a function, which only function 255 consumes: an add-in name
  // (ptgNameX), or a name without a formula or one the workbook could not define.
  bool FunctionName = false;
  // The operand may stand as a value (an add-in's name or a name the workbook does not hold
  // may not).
  bool Value = true;
};

class TcxFormulaDecoder {
public:
  // What is decoded: a cell's formula, its shape (see ShapeKey), or a defined name's formula.
  enum TMode { mCell, mShape, mName };

  TcxFormulaDecoder(const TcxFormulaContext& context, const std::string& listSeparator, int col,
                    int row, std::span<const uint8_t> tokens, std::span<const uint8_t> extra,
                    std::vector<TcxOperand>& stack, TMode mode = mCell, int page = -1)
      : context_(context),
        listSeparator_(listSeparator),
        col_(col),
        row_(row),
        page_(page),
        in_(TcxBiffRecord::OfData(tokens)),
        extra_(TcxBiffRecord::OfData(extra)),
        stack_(stack),
        shape_(mode == mShape),
        name_(mode == mName) {
    stack_.clear();
  }

  TcxDecodedFormula Run();
  // In shape mode: false when a reference's meaning could change with the cell's place.
  bool ShapeReusable() const { return shapeReusable_; }

private:
  bool Stopped() const { return damaged_ || unknownFunction_ || aborted_; }
  void Damaged(std::string detail);
  void Unsupported(std::string detail);
  void Push(std::string text, uint8_t precedence = precAtom) {
    stack_.push_back({std::move(text), precedence, false});
  }
  // Takes the top `count` operands off the stack in the order they were pushed; false (damaged)
  // when the stack holds fewer.
  bool PopOperands(size_t count, std::vector<TcxOperand>& operands);
  // An operand that has to be a value (not a bare function name).
  std::string_view ValueText(const TcxOperand& operand);
  // Wraps the top operand as `before` + its text (in parentheses when it binds more loosely than
  // `inner`) + `after`, of `precedence` then.
  void WrapTop(std::string_view before, uint8_t inner, std::string_view after, uint8_t precedence);

  void Token(uint8_t id);
  void BinaryOperator(uint8_t id);
  void Attribute();
  void Function(uint16_t number, int argCount, bool fixed);
  // Pushes the call of `function` with the arguments from `first` on.
  void CallFunction(const TcxFuncDefinition& function, std::vector<TcxOperand>& args,
                    size_t first);
  void Name(uint16_t index);
  void ExternalName(uint16_t refIndex, uint16_t nameIndex);
  void ArrayConstant();
  std::string ArrayValue();
  void SkipMemAreaList();

  void AppendCell(std::string& text, uint16_t row, uint16_t colField) const;
  // The cell a reference part names: its row and column field with the column resolved.
  void ResolveCell(uint16_t& row, uint16_t& colField, bool relative) const;
  // A cell of a sheet-local reference in shape mode: relative parts as offsets from the cell.
  void AppendShapeCell(std::string& text, uint16_t row, uint16_t colField);
  // Pushes a cell reference, or an area when `area` (the second cell from `row2`, `col2`).
  void PushReference(const std::string& prefix, uint16_t row1, uint16_t col1, bool area,
                     uint16_t row2, uint16_t col2, bool relative);
  // The sheet text of a 3-D reference index followed by "!", or empty (after the report) when
  // the workbook cannot refer to it.
  std::string SheetPrefix(uint16_t refIndex);
  // In a name's formula a reference to a deleted sheet is the error #REF! (pushed, true), as
  // Excel shows it.
  bool DeletedSheetOfName(uint16_t refIndex);
  const TcxSupBook* SupBookOf(const TcxExternSheet& sheet);

  const TcxFormulaContext& context_;
  const std::string& listSeparator_;
  int col_;
  int row_;
  int page_;  // the page whose formula is decoded (-1: none), for the names it uses
  TcxBiffRecord in_;
  TcxBiffRecord extra_;
  std::vector<TcxOperand>& stack_;  // the reader's, reused from formula to formula
  // Shape mode writes sheet-local references as offsets from the cell (see ShapeKey).
  bool shape_ = false;
  // A defined name's formula: every reference is relative to the cell using the name (the file
  // stores offsets), and references may be joined into a union.
  bool name_ = false;
  bool shapeReusable_ = true;
  bool damaged_ = false;
  bool unknownFunction_ = false;
  bool aborted_ = false;  // a token the workbook cannot express ends the decoding
  std::string detail_;
  std::string unsupported_;
};

void TcxFormulaDecoder::Damaged(std::string detail) {
  if (damaged_) return;
  damaged_ = true;
  detail_ = std::move(detail);
}

void TcxFormulaDecoder::Unsupported(std::string detail) {
  if (unsupported_.empty()) unsupported_ = std::move(detail);
}

bool TcxFormulaDecoder::PopOperands(size_t count, std::vector<TcxOperand>& operands) {
  operands.clear();
  if (stack_.size() < count) {
    Damaged("an operator or function lacks operands");
    return false;
  }
  operands.assign(std::make_move_iterator(stack_.end() - static_cast<ptrdiff_t>(count)),
                  std::make_move_iterator(stack_.end()));
  stack_.resize(stack_.size() - count);
  return true;
}

std::string_view TcxFormulaDecoder::ValueText(const TcxOperand& operand) {
  if (!operand.Value)
    Unsupported("the name " + std::string(operand.Text.View()) +
                " is not one the workbook could define");
  return operand.Text.View();
}

void TcxFormulaDecoder::WrapTop(std::string_view before, uint8_t inner, std::string_view after,
                                uint8_t precedence) {
  if (stack_.empty()) {
    Damaged("an operator or function lacks operands");
    return;
  }
  TcxOperand& operand = stack_.back();
  ValueText(operand);
  if (operand.Precedence < inner) {
    operand.Text.Prepend("(");
    operand.Text.Append(")");
  }
  operand.Text.Prepend(before);
  operand.Text.Append(after);
  operand.Precedence = precedence;
  operand.FunctionName = false;
  operand.Value = true;
}

TcxDecodedFormula TcxFormulaDecoder::Run() {
  TcxDecodedFormula result;
  if (in_.Length() == 0) {
    result.Detail = "no tokens";
    return result;
  }
  const uint8_t first = in_.ReadU8();
  if (first == kPtgExp || first == kPtgTbl) {
    // A cell of a shared formula, an array formula or a data table: the tokens only point at
    // the anchor cell whose record holds the formula.
    const uint16_t row = in_.ReadU16();
    const uint16_t col = in_.ReadU16();
    if (!in_.Ok()) {
      result.Detail = "a shared formula reference is cut short";
      return result;
    }
    result.Outcome = first == kPtgExp ? foShared : foTable;
    result.ExpRow = row;
    result.ExpCol = col;
    return result;
  }
  Token(first);
  while (!Stopped() && in_.Remaining() > 0) Token(in_.ReadU8());
  if (!in_.Ok()) Damaged("a token is cut short");

  if (unknownFunction_) {
    result.Outcome = foUnknownFunction;
    result.Detail = detail_;
    return result;
  }
  if (aborted_) {
    result.Outcome = foUnsupported;
    result.Detail = unsupported_;
    return result;
  }
  if (!damaged_ && stack_.size() != 1)
    Damaged(stack_.empty() ? "the tokens make no expression" : "the tokens leave several operands");
  if (damaged_) {
    result.Outcome = foDamaged;
    result.Detail = detail_;
    return result;
  }
  ValueText(stack_.back());
  stack_.back().Text.Prepend("=");
  result.Text = std::move(stack_.back().Text).Take();
  if (!unsupported_.empty()) {
    result.Outcome = foUnsupported;
    result.Detail = unsupported_;
    return result;
  }
  result.Outcome = foFormula;
  return result;
}

void TcxFormulaDecoder::AppendCell(std::string& text, uint16_t row, uint16_t colField) const {
  if (!(colField & kColumnRelative)) text += '$';
  TcxSSUtils::AppendColumnName(text, colField & kColumnMask);
  if (!(colField & kRowRelative)) text += '$';
  char digits[8];
  const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<int>(row) + 1).ptr;
  text.append(digits, end);
}

// Shared formulas (and defined names) store relative parts as offsets from the cell that uses
// them; as in Excel, columns wrap around at 256 and rows at 65536.
void TcxFormulaDecoder::ResolveCell(uint16_t& row, uint16_t& colField, bool relative) const {
  if (!relative) return;
  uint16_t col = colField & kColumnMask;
  if (colField & kColumnRelative)
    col = static_cast<uint16_t>((col_ + static_cast<int8_t>(colField & 0xFF)) & 0xFF);
  if (colField & kRowRelative) row = static_cast<uint16_t>(row_ + static_cast<int16_t>(row));
  colField = static_cast<uint16_t>(col | (colField & ~kColumnMask));
}

void TcxFormulaDecoder::AppendShapeCell(std::string& text, uint16_t row, uint16_t colField) {
  // A control character no formula text holds outside a string constant marks the reference.
  text += '\x01';
  const int col = colField & kColumnMask;
  // Beyond the sheet's 256 columns the parser's verdict may depend on the place.
  if (col > 0xFF) shapeReusable_ = false;
  const bool rowRelative = (colField & kRowRelative) != 0;
  const bool colRelative = (colField & kColumnRelative) != 0;
  text += rowRelative ? 'r' : 'R';
  text += std::to_string(rowRelative ? int(row) - row_ : int(row));
  text += colRelative ? 'c' : 'C';
  text += std::to_string(colRelative ? col - col_ : col);
}

void TcxFormulaDecoder::PushReference(const std::string& prefix, uint16_t row1, uint16_t col1,
                                      bool area, uint16_t row2, uint16_t col2, bool relative) {
  if (!in_.Ok()) return;
  std::string text = prefix;
  // In shape mode a reference of the cell's own sheet is written as offsets from the cell.
  const bool shape = shape_ && prefix.empty();
  const auto append = [&](uint16_t row, uint16_t col) {
    ResolveCell(row, col, relative);
    if (shape)
      AppendShapeCell(text, row, col);
    else
      AppendCell(text, row, col);
  };
  append(row1, col1);
  if (area) {
    // The parser orders an area's corners by where they are; with one corner relative and the
    // other absolute that order depends on the cell's place.
    const uint16_t relativeFlags = kRowRelative | kColumnRelative;
    if (shape && (col1 & relativeFlags) != (col2 & relativeFlags)) shapeReusable_ = false;
    text += ':';
    append(row2, col2);
  }
  Push(std::move(text));
}

const TcxSupBook* TcxFormulaDecoder::SupBookOf(const TcxExternSheet& sheet) {
  // Some writers leave out SUPBOOK records; their EXTERNSHEET entries can only mean this workbook.
  static const TcxSupBook kSelf;
  if (context_.SupBooks.empty()) return &kSelf;
  if (sheet.SupBook >= context_.SupBooks.size()) {
    Damaged("a reference names a supporting book the link table does not have");
    return nullptr;
  }
  return &context_.SupBooks[sheet.SupBook];
}

bool TcxFormulaDecoder::DeletedSheetOfName(uint16_t refIndex) {
  if (!name_ || refIndex >= context_.ExternSheets.size()) return false;
  const TcxExternSheet& entry = context_.ExternSheets[refIndex];
  const TcxSupBook* book = entry.SupBook < context_.SupBooks.size() ? &context_.SupBooks[entry.SupBook] : nullptr;
  if ((book && book->Kind != sbkSelf) || entry.FirstSheet < context_.SheetNames.size()) return false;
  Push(std::string(ErrorToLiteral(ecRef)));
  return true;
}

std::string TcxFormulaDecoder::SheetPrefix(uint16_t refIndex) {
  if (refIndex >= context_.ExternSheets.size()) {
    Damaged("a 3-D reference index is beyond the EXTERNSHEET table");
    return {};
  }
  const TcxExternSheet& entry = context_.ExternSheets[refIndex];
  const TcxSupBook* book = SupBookOf(entry);
  if (!book) return {};
  if (book->Kind != sbkSelf) {
    Unsupported("a reference to another workbook");
    return "[" + std::to_string(entry.SupBook) + "]!";
  }
  if (entry.FirstSheet >= context_.SheetNames.size()) {
    Unsupported("a reference to a deleted sheet");
    return "#REF!";
  }
  if (entry.LastSheet != entry.FirstSheet) {
    Unsupported("a reference to several sheets");
    const std::string last = entry.LastSheet < context_.SheetNames.size()
                                 ? context_.SheetNames[entry.LastSheet]
                                 : std::string("#REF");
    return TcxFormulaReader::SheetText(context_.SheetNames[entry.FirstSheet] + ":" + last) + "!";
  }
  return TcxFormulaReader::SheetText(context_.SheetNames[entry.FirstSheet]) + "!";
}

void TcxFormulaDecoder::Token(uint8_t id) {
  const uint8_t base = PtgBase(id);
  if (base >= kPtgAdd && base <= kPtgRange) {
    BinaryOperator(base);
    return;
  }
  switch (base) {
    case kPtgExp:
    case kPtgTbl:
      Damaged("a shared formula reference inside a formula");
      return;
    case kPtgUplus:
      if (stack_.empty()) Damaged("an operator lacks its operand");
      return;
    case kPtgUminus:
      WrapTop("-", precUnary, {}, precUnary);
      return;
    case kPtgPercent:
      WrapTop({}, precAtom, "%", precAtom);
      return;
    case kPtgParen:
      WrapTop({}, precAtom + 1, {}, precAtom);
      return;
    case kPtgMissArg:
      // An argument left empty: nothing between its separators, as typed.
      Push("");
      return;
    case kPtgStr: {
      const std::string text = in_.ReadString8();
      std::string quoted = "\"";
      for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
      }
      Push(quoted + "\"");
      return;
    }
    case kPtgAttr:
      Attribute();
      return;
    case kPtgErr: {
      const std::string_view text = ErrorToLiteral(ErrorFileCodeToInternal(in_.ReadU8()));
      if (text.empty()) {
        Damaged("an unknown error constant");
        return;
      }
      Push(std::string(text));
      return;
    }
    case kPtgBool:
      Push(std::string(in_.ReadU8() ? kTrueText : kFalseText));
      return;
    case kPtgInt:
      Push(std::to_string(in_.ReadU16()));
      return;
    case kPtgNum: {
      const double x = in_.ReadDouble();
      if (!std::isfinite(x)) {
        Damaged("a number constant that is not finite");
        return;
      }
      Push(FloatToText(x, context_.Settings));
      return;
    }
    case kPtgArray:
      in_.Skip(7);
      ArrayConstant();
      // In the value class Excel takes the constant's first value where the formula's text
      // would give the whole array: the cell keeps the file's tokens and value.
      if (PtgValueClass(id)) Unsupported("an array constant that stands for its first value");
      return;
    case kPtgFunc:
      Function(in_.ReadU16(), -1, true);
      return;
    case kPtgFuncVar: {
      const int count = in_.ReadU8() & 0x7F;
      Function(in_.ReadU16() & 0x7FFF, count, false);
      return;
    }
    case kPtgName: {
      const uint16_t index = in_.ReadU16();
      in_.Skip(2);
      Name(index);
      return;
    }
    case kPtgRef:
    case kPtgRefN: {
      const uint16_t row = in_.ReadU16();
      const uint16_t col = in_.ReadU16();
      PushReference({}, row, col, false, 0, 0, base == kPtgRefN || name_);
      return;
    }
    case kPtgArea:
    case kPtgAreaN: {
      const uint16_t row1 = in_.ReadU16();
      const uint16_t row2 = in_.ReadU16();
      const uint16_t col1 = in_.ReadU16();
      const uint16_t col2 = in_.ReadU16();
      PushReference({}, row1, col1, true, row2, col2, base == kPtgAreaN || name_);
      return;
    }
    case kPtgMemArea:
      // A sub-expression that Excel evaluated to an area: the tokens that follow compute it; the
      // area list after the tokens is only Excel's cache.
      in_.Skip(6);
      SkipMemAreaList();
      return;
    case kPtgMemErr:
    case kPtgMemNoMem:
      in_.Skip(6);
      return;
    case kPtgMemFunc:
    case kPtgMemAreaN:
    case kPtgMemNoMemN:
      in_.Skip(2);
      return;
    case kPtgRefErr:
    case kPtgAreaErr:
      // A reference to deleted cells evaluates to the error #REF!, which the literal shows. A
      // cell's formula keeps the reference token itself, which formula text cannot say: it
      // comes in with the file's tokens.
      in_.Skip(base == kPtgRefErr ? 4 : 8);
      if (!name_) Unsupported("a reference to cells that are gone");
      Push(std::string(ErrorToLiteral(ecRef)));
      return;
    case kPtgNameX: {
      const uint16_t refIndex = in_.ReadU16();
      const uint16_t nameIndex = in_.ReadU16();
      in_.Skip(2);
      ExternalName(refIndex, nameIndex);
      return;
    }
    case kPtgRef3d: {
      const uint16_t refIndex = in_.ReadU16();
      const uint16_t row = in_.ReadU16();
      const uint16_t col = in_.ReadU16();
      if (!in_.Ok() || DeletedSheetOfName(refIndex)) return;
      PushReference(SheetPrefix(refIndex), row, col, false, 0, 0, name_);
      return;
    }
    case kPtgArea3d: {
      const uint16_t refIndex = in_.ReadU16();
      const uint16_t row1 = in_.ReadU16();
      const uint16_t row2 = in_.ReadU16();
      const uint16_t col1 = in_.ReadU16();
      const uint16_t col2 = in_.ReadU16();
      if (!in_.Ok() || DeletedSheetOfName(refIndex)) return;
      PushReference(SheetPrefix(refIndex), row1, col1, true, row2, col2, name_);
      return;
    }
    case kPtgRefErr3d:
    case kPtgAreaErr3d:
      // The sheet does not matter to the value: the reference is #REF! wherever it pointed. As
      // above, a cell's formula keeps the token through the file's tokens.
      in_.Skip(base == kPtgRefErr3d ? 6 : 10);
      if (!name_) Unsupported("a reference to cells that are gone");
      Push(std::string(ErrorToLiteral(ecRef)));
      return;
    case kPtgElf:
      // Natural-language formulas: a label that stands for the area after it is shown as that
      // area (its cell is only where Excel found the label). The formula text cannot say it, so
      // the cell keeps the file's tokens, which a save writes back while it is unchanged. Other
      // references to labels cannot be read.
      if (in_.ReadU8() == kElfRadical) {
        in_.Skip(4);
        Unsupported("a label of an area");
        return;
      }
      Unsupported("a reference to row or column labels");
      aborted_ = true;
      return;
    default:
      Damaged("token 0x" + [id] {
        constexpr char kHex[] = "0123456789ABCDEF";
        return std::string{kHex[id >> 4], kHex[id & 15]};
      }() + " does not belong in a cell formula");
      return;
  }
}

void TcxFormulaDecoder::BinaryOperator(uint8_t id) {
  if (id == kPtgUnion && !name_) Unsupported("a union of references");
  if (stack_.size() < 2) {
    Damaged("an operator or function lacks operands");
    return;
  }
  const TcxBinaryOperator& op = kBinaryOperators[id - kPtgAdd];
  TcxOperand& left = stack_[stack_.size() - 2];
  TcxOperand& right = stack_.back();
  ValueText(left);
  ValueText(right);
  const std::string_view opText = id == kPtgUnion ? std::string_view(listSeparator_) : op.Text;
  // Left to right within one level: a left operand of the same level needs no parentheses, a
  // right one does.
  const bool leftParens = left.Precedence < op.Precedence;
  const bool rightParens = right.Precedence <= op.Precedence;
  // The shorter side is copied onto the longer, so a long chain of operators costs time in
  // proportion to its text, whichever way it nests.
  if (left.Text.Size() >= right.Text.Size()) {
    if (leftParens) {
      left.Text.Prepend("(");
      left.Text.Append(")");
    }
    left.Text.Append(opText);
    if (rightParens) left.Text.Append("(");
    left.Text.Append(right.Text.View());
    if (rightParens) left.Text.Append(")");
  } else {
    if (rightParens) {
      right.Text.Prepend("(");
      right.Text.Append(")");
    }
    right.Text.Prepend(opText);
    if (leftParens) right.Text.Prepend(")");
    right.Text.Prepend(left.Text.View());
    if (leftParens) right.Text.Prepend("(");
    left.Text = std::move(right.Text);
  }
  left.Precedence = op.Precedence;
  left.FunctionName = false;
  left.Value = true;
  stack_.pop_back();
}

void TcxFormulaDecoder::Attribute() {
  const uint8_t options = in_.ReadU8();
  const uint16_t value = in_.ReadU16();
  if (options & kAttrChoose) {
    // The jump table of CHOOSE: value + 1 offsets; the function token follows the choices.
    in_.Skip((static_cast<size_t>(value) + 1) * 2);
    return;
  }
  if (options & kAttrSum) {
    // SUM of one argument, stored as an attribute.
    std::vector<TcxOperand> args;
    TcxFuncDefinition sum;
    if (!FindFunctionByIndex(kSumFunction, sum)) {
      unknownFunction_ = true;
      detail_ = "SUM";
      return;
    }
    if (PopOperands(1, args)) CallFunction(sum, args, 0);
  }
  // Volatile, if, skip, space and the rest only guide Excel's evaluation and layout.
}

void TcxFormulaDecoder::Function(uint16_t number, int argCount, bool fixed) {
  if (!in_.Ok()) return;
  if (number == kBiffExternalFunction) {
    std::vector<TcxOperand> args;
    if (fixed || argCount < 1) {
      Damaged("an add-in function call without its name");
      return;
    }
    if (!PopOperands(static_cast<size_t>(argCount), args)) return;
    if (!args[0].FunctionName) {
      Damaged("an add-in function call without its name");
      return;
    }
    TcxFuncDefinition definition;
    const std::string name(args[0].Text.View());
    if (!FindFunctionByName(name, definition)) {
      unknownFunction_ = true;
      detail_ = name;
      return;
    }
    CallFunction(definition, args, 1);
    return;
  }
  const TcxBiffFunction* fileFunction = FindBiffFunction(number);
  TcxFuncDefinition definition;
  if (!FindFunctionByIndex(number, definition)) {
    unknownFunction_ = true;
    detail_ = fileFunction ? std::string(fileFunction->Name) : "function " + std::to_string(number);
    return;
  }
  if (fixed) {
    // The fixed-argument token carries no count: the file format fixes it per function.
    argCount = fileFunction && fileFunction->MinArgs == fileFunction->MaxArgs
                   ? fileFunction->MinArgs
                   : definition.FileArgs;
  }
  std::vector<TcxOperand> args;
  if (!PopOperands(static_cast<size_t>(argCount), args)) return;
  CallFunction(definition, args, 0);
}

void TcxFormulaDecoder::CallFunction(const TcxFuncDefinition& function,
                                     std::vector<TcxOperand>& args, size_t first) {
  for (size_t i = first; i < args.size(); ++i) ValueText(args[i]);
  // The call is built around its longest argument, so nested calls cost time in proportion to
  // their text.
  size_t longest = first;
  for (size_t i = first; i < args.size(); ++i)
    if (args[i].Text.Size() > args[longest].Text.Size()) longest = i;
  TcxOperandText text;
  if (longest < args.size()) text = std::move(args[longest].Text);
  for (size_t i = longest; i-- > first;) {
    text.Prepend(listSeparator_);
    text.Prepend(args[i].Text.View());
  }
  text.Prepend("(");
  text.Prepend(function.Name);
  for (size_t i = longest + 1; i < args.size(); ++i) {
    text.Append(listSeparator_);
    text.Append(args[i].Text.View());
  }
  // IF without its third argument gives FALSE when the condition fails; the workbook's IF
  // always takes three.
  if (function.Index == kIfFunction && args.size() - first == 2) {
    text.Append(listSeparator_);
    text.Append(kFalseText);
  }
  text.Append(")");
  stack_.push_back({std::move(text), precAtom, false});
}

void TcxFormulaDecoder::Name(uint16_t index) {
  if (!in_.Ok()) return;
  if (index == 0 || index > context_.Names.size()) {
    Damaged("name index " + std::to_string(index) + " is beyond the NAME records");
    return;
  }
  const size_t i = index - 1u;
  const bool defined = i < context_.NameDefined.size() && context_.NameDefined[i];
  // Another page's own name is written with its page. The shape of a formula names the name
  // itself, whatever page uses it (a page's own "Total" is another name than the next page's).
  const int page = i < context_.NamePages.size() ? context_.NamePages[i] : -1;
  std::string text = shape_ && defined                  ? "\x02" + std::to_string(i)
                     : page >= 0 && page != page_ && i < context_.QualifiedNames.size()
                         ? context_.QualifiedNames[i]
                         : context_.Names[i];
  const bool function = !defined || (i < context_.NameFunctions.size() && context_.NameFunctions[i]);
  stack_.push_back({std::move(text), precAtom, function, defined});
}

void TcxFormulaDecoder::ExternalName(uint16_t refIndex, uint16_t nameIndex) {
  if (!in_.Ok()) return;
  if (refIndex >= context_.ExternSheets.size()) {
    Damaged("an external name's reference index is beyond the EXTERNSHEET table");
    return;
  }
  const TcxSupBook* book = SupBookOf(context_.ExternSheets[refIndex]);
  if (!book) return;
  if (book->Kind == sbkSelf) {
    Name(nameIndex);
    return;
  }
  if (nameIndex == 0 || nameIndex > book->ExternNames.size()) {
    Damaged("external name index " + std::to_string(nameIndex) + " is beyond the EXTERNNAME records");
    return;
  }
  const std::string& name = book->ExternNames[nameIndex - 1];
  if (book->Kind == sbkAddIn) {
    stack_.push_back({name, precAtom, true, false});
    return;
  }
  Unsupported("a name in another workbook");
  Push(name);
}

std::string TcxFormulaDecoder::ArrayValue() {
  const uint8_t type = extra_.ReadU8();
  switch (type) {
    case 0x00:
      extra_.Skip(8);
      return {};
    case 0x01: {
      const double x = extra_.ReadDouble();
      return std::isfinite(x) ? FloatToText(x, context_.Settings) : std::string();
    }
    case 0x02: {
      const std::string text = extra_.ReadString16();
      std::string quoted = "\"";
      for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
      }
      return quoted + "\"";
    }
    case 0x04: {
      const bool b = extra_.ReadU8() != 0;
      extra_.Skip(7);
      return std::string(b ? kTrueText : kFalseText);
    }
    case 0x10: {
      const std::string_view text = ErrorToLiteral(ErrorFileCodeToInternal(extra_.ReadU8()));
      extra_.Skip(7);
      return std::string(text);
    }
    default:
      extra_.Fail();
      return {};
  }
}

void TcxFormulaDecoder::ArrayConstant() {
  const size_t cols = static_cast<size_t>(extra_.ReadU8()) + 1;
  const size_t rows = static_cast<size_t>(extra_.ReadU16()) + 1;
  // Every value takes at least three bytes: a count beyond that is a damaged record.
  if (!extra_.Ok() || cols * rows > extra_.Remaining() / 3) {
    Damaged("an array constant is cut short");
    return;
  }
  std::string text = "{";
  for (size_t r = 0; r < rows && extra_.Ok(); ++r) {
    if (r > 0) text += ';';
    for (size_t c = 0; c < cols && extra_.Ok(); ++c) {
      if (c > 0) text += ',';
      text += ArrayValue();
    }
  }
  if (!extra_.Ok()) {
    Damaged("an array constant is cut short");
    return;
  }
  Unsupported("an array constant");
  Push(text + "}");
}

void TcxFormulaDecoder::SkipMemAreaList() {
  const uint16_t count = extra_.ReadU16();
  extra_.Skip(static_cast<size_t>(count) * 8);
  if (!extra_.Ok()) Damaged("a cached area list is cut short");
}

}  // namespace

struct TcxFormulaReader::TScratch {
  std::vector<TcxOperand> Stack;
};

TcxFormulaReader::TcxFormulaReader(const TcxFormulaContext& context)
    : context_(context), scratch_(std::make_unique<TScratch>()) {
  const TRegionalSettings& settings = context.Settings;
  listSeparator_ = settings.ListSeparator == "," && settings.DecimalSeparator == ","
                       ? std::string(";")
                       : settings.ListSeparator;
}

TcxFormulaReader::~TcxFormulaReader() = default;

TcxDecodedFormula TcxFormulaReader::Decode(int col, int row, std::span<const uint8_t> tokens,
                                           std::span<const uint8_t> extra, int page) const {
  return TcxFormulaDecoder(context_, listSeparator_, col, row, tokens, extra, scratch_->Stack,
                           TcxFormulaDecoder::mCell, page)
      .Run();
}

TcxDecodedFormula TcxFormulaReader::DecodeName(std::span<const uint8_t> tokens,
                                               std::span<const uint8_t> extra, int page) const {
  return TcxFormulaDecoder(context_, listSeparator_, 0, 0, tokens, extra, scratch_->Stack,
                           TcxFormulaDecoder::mName, page)
      .Run();
}

std::string TcxFormulaReader::ShapeKey(int col, int row, std::span<const uint8_t> tokens,
                                       std::span<const uint8_t> extra) const {
  TcxFormulaDecoder decoder(context_, listSeparator_, col, row, tokens, extra, scratch_->Stack,
                            TcxFormulaDecoder::mShape);
  TcxDecodedFormula decoded = decoder.Run();
  if (decoded.Outcome != foFormula || !decoder.ShapeReusable()) return {};
  return std::move(decoded.Text);
}

namespace {

// Appends the cell of an own-sheet reference to a token key: its relative flags, then row and
// column, relative parts as offsets from the formula's cell. False beyond the 256th column.
bool AppendKeyCell(std::string& key, int col, int row, uint16_t rowField, uint16_t colField) {
  const int refCol = colField & kColumnMask;
  if (refCol > 0xFF) return false;
  const auto append32 = [&key](int value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) key += static_cast<char>((bits >> shift) & 0xFF);
  };
  key += static_cast<char>(colField >> 14);
  append32(colField & kRowRelative ? int(rowField) - row : int(rowField));
  append32(colField & kColumnRelative ? refCol - col : refCol);
  return true;
}

}  // namespace

std::string TcxFormulaReader::TokenKey(int col, int row, std::span<const uint8_t> tokens) {
  const auto u16 = [&tokens](size_t at) {
    return static_cast<uint16_t>(tokens[at] | (tokens[at + 1] << 8));
  };
  std::string key;
  key.reserve(tokens.size() + 16);
  size_t at = 0;
  while (at < tokens.size()) {
    const uint8_t id = tokens[at];
    const uint8_t base = PtgBase(id);
    size_t size = 0;  // the token's data after its identifier
    switch (base) {
      case kPtgRef:
      case kPtgArea: {
        const bool area = base == kPtgArea;
        if (tokens.size() - at < (area ? 9u : 5u)) return {};
        key += static_cast<char>(id);
        const uint16_t row1 = u16(at + 1);
        const uint16_t row2 = area ? u16(at + 3) : 0;
        const uint16_t col1 = u16(at + (area ? 5 : 3));
        const uint16_t col2 = area ? u16(at + 7) : 0;
        if (!AppendKeyCell(key, col, row, row1, col1)) return {};
        if (area) {
          // The parser orders an area's corners by where they are: with one corner relative
          // and the other absolute that order depends on the cell's place.
          constexpr uint16_t kRelative = kRowRelative | kColumnRelative;
          if ((col1 & kRelative) != (col2 & kRelative)) return {};
          if (!AppendKeyCell(key, col, row, row2, col2)) return {};
        }
        at += area ? 9 : 5;
        continue;
      }
      case kPtgStr: {
        if (tokens.size() - at < 3) return {};
        const uint8_t flags = tokens[at + 2];
        if (flags & ~1) return {};
        size = 2 + size_t{tokens[at + 1]} * (flags & 1 ? 2 : 1);
        break;
      }
      case kPtgAttr:
        if (tokens.size() - at < 2 || (tokens[at + 1] & kAttrChoose)) return {};
        size = 3;
        break;
      case kPtgErr:
      case kPtgBool: size = 1; break;
      case kPtgInt:
      case kPtgFunc: size = 2; break;
      case kPtgFuncVar: size = 3; break;
      case kPtgName: size = 4; break;
      case kPtgNum: size = 8; break;
      default:
        // Operators, parentheses and the missing argument are the identifier alone.
        if (base < kPtgAdd || base > kPtgMissArg) return {};
        break;
    }
    if (tokens.size() - at - 1 < size) return {};
    key.append(reinterpret_cast<const char*>(tokens.data() + at), size + 1);
    at += size + 1;
  }
  return key;
}

std::string TcxFormulaReader::SheetText(std::string_view name) {
  if (name.find(' ') == std::string_view::npos) return std::string(name);
  return "'" + std::string(name) + "'";
}
