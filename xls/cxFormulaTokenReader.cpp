#include "xls/cxFormulaTokenReader.h"

#include <cmath>

#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSTypes.h"
#include "xls/cxBiffReader.h"
#include "xls/cxExcelConst.h"
#include "calc/cxExcelFunctions.h"

namespace {

inline constexpr uint16_t kSumFunction = 4;

// An operand of the expression as converted so far: where its tokens begin, and, for the name
// a function 255 call takes first, what the name is.
struct TcxOperand {
  size_t Start = 0;
  bool Name = false;         // a ptgName or ptgNameX token alone
  bool FunctionOnly = false; // a name that names no value, only a function
  uint16_t LibraryAddIn = 0; // the library's number of the add-in function the name stands for
  std::string Text;          // the name as formulas show it
};

class TcxConverter {
public:
  TcxConverter(const TcxFormulaContext& context, int col, int row, std::span<const uint8_t> tokens,
               std::span<const uint8_t> extra, TcxConvertedFormula& out)
      : context_(context),
        col_(col),
        row_(row),
        in_(TcxBiffRecord::OfData(tokens)),
        extra_(TcxBiffRecord::OfData(extra)),
        out_(out),
        tokens_(out.Tokens) {
    out_.File.Tokens.assign(tokens.begin(), tokens.end());
    out_.File.Extra.assign(extra.begin(), extra.end());
  }

  void Run();

private:
  bool Failed() const { return failed_; }
  void Fail(std::string detail) {
    if (failed_) return;
    failed_ = true;
    out_.Detail = std::move(detail);
  }
  void PushOperand(size_t start) {
    TcxOperand operand;
    operand.Start = start;
    operands_.push_back(std::move(operand));
  }
  // Takes `count` operands; the first one's start (the end of the tokens when count is 0).
  bool TakeOperands(size_t count, size_t& start);
  void Token(uint8_t id, size_t at);
  void Reference(uint8_t base, size_t at);
  void Reference3d(uint8_t base, size_t at);
  void Function(uint16_t number, int argCount, bool fixed);
  void Name(uint16_t index, size_t at);
  void ExternalName(uint16_t refIndex, uint16_t nameIndex, size_t at);
  void Array();
  void Link(size_t at, TcxFileLinkKind kind, int first, int last = 0) {
    out_.File.Links.push_back({static_cast<uint16_t>(at), kind, static_cast<uint16_t>(first),
                               static_cast<uint16_t>(last)});
  }
  void Unknown(std::string name) { out_.UnknownFunctions.push_back(std::move(name)); }

  const TcxFormulaContext& context_;
  int col_;
  int row_;
  TcxBiffRecord in_;
  TcxBiffRecord extra_;
  TcxConvertedFormula& out_;
  TcxTokenString& tokens_;
  std::vector<TcxOperand> operands_;
  bool failed_ = false;
  // Names of functions met, and those a call of function 255 took as its function.
  int functionNames_ = 0;
  int calledNames_ = 0;
  // The file's tokens cannot stand in a cell's formula (a shared formula's relative memory
  // tokens, a name of this workbook reached through the link table).
  bool fileTokensUnusable_ = false;
};

bool TcxConverter::TakeOperands(size_t count, size_t& start) {
  if (operands_.size() < count) {
    Fail("an operator or function lacks operands");
    return false;
  }
  start = count ? operands_[operands_.size() - count].Start : tokens_.size();
  operands_.resize(operands_.size() - count);
  return true;
}

void TcxConverter::Run() {
  if (in_.Length() == 0) {
    Fail("no tokens");
    return;
  }
  while (!failed_ && in_.Remaining() > 0) {
    const size_t at = in_.Position();
    Token(in_.ReadU8(), at);
  }
  if (!failed_ && !in_.Ok()) Fail("a token is cut short");
  if (!failed_ && operands_.size() != 1)
    Fail(operands_.empty() ? "the tokens make no expression" : "the tokens leave several operands");
  if (!failed_ && calledNames_ != functionNames_)
    Fail("the name of a function stands where a value is wanted");
  if (failed_) return;
  if (fileTokensUnusable_) {
    out_.File.Tokens.clear();
    out_.File.Extra.clear();
    out_.File.Links.clear();
  }
  out_.Ok = true;
}

void TcxConverter::Token(uint8_t id, size_t at) {
  const uint8_t base = PtgBase(id);
  size_t start = 0;
  if (base >= kPtgAdd && base <= kPtgRange) {
    if (TakeOperands(2, start)) {
      tokens_.push_back(base);
      PushOperand(start);
    }
    return;
  }
  switch (base) {
    case kPtgUplus:
    case kPtgUminus:
    case kPtgPercent:
    case kPtgParen:
      if (!TakeOperands(1, start)) return;
      // Unary plus changes nothing; the workbook's formulas leave it out.
      if (base != kPtgUplus) tokens_.push_back(base);
      PushOperand(start);
      return;
    case kPtgMissArg:
      PushOperand(tokens_.size());
      tokens_.push_back(ptgMissArg);
      return;
    case kPtgStr: {
      const size_t start2 = tokens_.size();
      if (!AppendString(tokens_, in_.ReadString8())) Fail("a string constant is too long");
      PushOperand(start2);
      return;
    }
    case kPtgAttr: {
      const uint8_t options = in_.ReadU8();
      const uint16_t value = in_.ReadU16();
      if (options & kAttrChoose) {
        // CHOOSE's jump table: the choices and the function token follow.
        in_.Skip((static_cast<size_t>(value) + 1) * 2);
      } else if (options & kAttrSum) {
        if (!TakeOperands(1, start)) return;
        AppendFuncVar(tokens_, 1, kSumFunction);
        PushOperand(start);
      }
      // Volatile, if, skip and space only guide Excel's evaluation and layout.
      return;
    }
    case kPtgErr: {
      const int code = ErrorFileCodeToInternal(in_.ReadU8());
      if (code == 0) {
        Fail("an unknown error constant");
        return;
      }
      PushOperand(tokens_.size());
      tokens_.push_back(ptgErr);
      tokens_.push_back(static_cast<uint8_t>(code));
      return;
    }
    case kPtgBool:
      PushOperand(tokens_.size());
      AppendBool(tokens_, in_.ReadU8() != 0);
      return;
    case kPtgInt:
      PushOperand(tokens_.size());
      AppendNumber(tokens_, in_.ReadU16());
      return;
    case kPtgNum: {
      const double x = in_.ReadDouble();
      if (!std::isfinite(x)) {
        Fail("a number constant that is not finite");
        return;
      }
      PushOperand(tokens_.size());
      AppendNumber(tokens_, x);
      return;
    }
    case kPtgArray:
      in_.Skip(7);
      Array();
      // The workbook's array token always gives the whole array.
      if (PtgValueClass(id)) out_.File.KeepsValue = true;
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
      Name(index, at + 1);
      return;
    }
    case kPtgRef:
    case kPtgArea:
    case kPtgRefN:
    case kPtgAreaN:
      Reference(base, at);
      return;
    case kPtgMemArea:
      // A sub-expression Excel evaluated to an area: the tokens that follow compute it; the
      // area list after the tokens is only Excel's cache.
      in_.Skip(6);
      extra_.Skip(static_cast<size_t>(extra_.ReadU16()) * 8);
      if (!extra_.Ok()) Fail("a cached area list is cut short");
      return;
    case kPtgMemErr:
    case kPtgMemNoMem:
      in_.Skip(6);
      return;
    case kPtgMemFunc:
      in_.Skip(2);
      return;
    case kPtgMemAreaN:
    case kPtgMemNoMemN:
      // Only shared formulas hold these; a cell's formula has them in another form.
      in_.Skip(2);
      fileTokensUnusable_ = true;
      return;
    case kPtgRefErr:
    case kPtgAreaErr:
      in_.Skip(base == kPtgRefErr ? 4 : 8);
      PushOperand(tokens_.size());
      tokens_.push_back(base == kPtgRefErr ? ptgRefErr : ptgAreaErr);
      return;
    case kPtgNameX: {
      const uint16_t refIndex = in_.ReadU16();
      const uint16_t nameIndex = in_.ReadU16();
      in_.Skip(2);
      ExternalName(refIndex, nameIndex, at + 1);
      return;
    }
    case kPtgRef3d:
    case kPtgArea3d:
    case kPtgRefErr3d:
    case kPtgAreaErr3d:
      Reference3d(base, at);
      return;
    case kPtgElf:
      // A label that stands for the area after it: the area is the operand (see the decoder).
      if (in_.ReadU8() == kElfRadical) {
        in_.Skip(4);
        return;
      }
      Fail("a reference to row or column labels");
      return;
    default:
      Fail("token " + std::to_string(id) + " does not belong in a cell formula");
      return;
  }
}

// A reference of the cell's own sheet. Shared formulas (tRefN, tAreaN) count relative parts from
// the cell, columns wrapping around at 256 and rows at 65536 as in Excel; the file's tokens get
// the cell's own form of them (tRef, tArea), which a cell's formula must have.
void TcxConverter::Reference(uint8_t base, size_t at) {
  const bool area = base == kPtgArea || base == kPtgAreaN;
  const bool shared = base == kPtgRefN || base == kPtgAreaN;
  uint16_t rows[2] = {};
  uint16_t cols[2] = {};
  rows[0] = in_.ReadU16();
  if (area) rows[1] = in_.ReadU16();
  cols[0] = in_.ReadU16();
  if (area) cols[1] = in_.ReadU16();
  if (!in_.Ok()) return;
  int32_t row[2] = {};
  int32_t col[2] = {};
  for (int i = 0; i < (area ? 2 : 1); ++i) {
    uint16_t c = cols[i] & kColumnMask;
    if (shared && (cols[i] & kColumnRelative))
      c = static_cast<uint16_t>((col_ + static_cast<int8_t>(cols[i] & 0xFF)) & 0xFF);
    if (shared && (cols[i] & kRowRelative))
      rows[i] = static_cast<uint16_t>(row_ + static_cast<int16_t>(rows[i]));
    cols[i] = static_cast<uint16_t>(c | (cols[i] & ~kColumnMask));
    const bool rowRelative = (cols[i] & kRowRelative) != 0;
    const bool colRelative = (cols[i] & kColumnRelative) != 0;
    row[i] = rowRelative ? int32_t(rows[i]) - row_ : rows[i];
    col[i] = colRelative ? int32_t(c) - col_ : c;
  }
  if (shared) {
    uint8_t* file = out_.File.Tokens.data() + at;
    file[0] = static_cast<uint8_t>(file[0] - (kPtgRefN - kPtgRef));
    WriteUInt16(file + 1, rows[0]);
    if (area) {
      WriteUInt16(file + 3, rows[1]);
      WriteUInt16(file + 5, cols[0]);
      WriteUInt16(file + 7, cols[1]);
    } else {
      WriteUInt16(file + 3, cols[0]);
    }
  }
  const auto absolute = [&cols](int i, uint16_t bit) { return (cols[i] & bit) == 0; };
  PushOperand(tokens_.size());
  if (area)
    AppendArea(tokens_, absolute(0, kRowRelative), absolute(1, kRowRelative),
               absolute(0, kColumnRelative), absolute(1, kColumnRelative), row[0], row[1], col[0],
               col[1]);
  else
    AppendRef(tokens_, absolute(0, kRowRelative), absolute(0, kColumnRelative), row[0], col[0]);
}

// A sheet-qualified reference through the link table: a sheet of this workbook (or one that is
// gone), or a sheet of another workbook.
void TcxConverter::Reference3d(uint8_t base, size_t at) {
  const uint16_t refIndex = in_.ReadU16();
  const bool area = base == kPtgArea3d || base == kPtgAreaErr3d;
  uint16_t row1 = in_.ReadU16();
  uint16_t row2 = area ? in_.ReadU16() : row1;
  uint16_t col1 = in_.ReadU16();
  uint16_t col2 = area ? in_.ReadU16() : col1;
  if (!in_.Ok()) return;
  if (refIndex >= context_.ExternSheets.size()) {
    Fail("a 3-D reference index is beyond the EXTERNSHEET table");
    return;
  }
  const TcxExternSheet& entry = context_.ExternSheets[refIndex];
  const int linked = refIndex < context_.LinkSheets.size() ? context_.LinkSheets[refIndex] : -1;
  uint8_t id = area ? ptgArea3d : ptgRef3d;
  int sheet = 0;
  if (linked >= 0) {
    id = area ? ptgAreaX : ptgRefX;
    sheet = linked;
    Link(at + 1, flExternalSheet, linked);
  } else if (!context_.SupBooks.empty() && (entry.SupBook >= context_.SupBooks.size() ||
                                            context_.SupBooks[entry.SupBook].Kind != sbkSelf)) {
    Fail("a 3-D reference names a book the link table does not have");
    return;
  } else {
    const auto page = [this](uint16_t sheetIndex) {
      return sheetIndex < context_.SheetPages.size() ? context_.SheetPages[sheetIndex] : -1;
    };
    const int first = page(entry.FirstSheet);
    const int last = page(entry.LastSheet);
    if (first >= 0 && last >= 0 && first != last) {
      Fail("a reference to several sheets");
      return;
    }
    // A sheet that is gone (or a chart) reads as #REF!A1 and evaluates to #REF!.
    sheet = first >= 0 && last >= 0 ? first : kDeletedSheet;
    Link(at + 1, flSheets, sheet, sheet);
  }
  PushOperand(tokens_.size());
  if (base == kPtgRefErr3d || base == kPtgAreaErr3d) {
    if (linked >= 0) {
      // Another workbook's cells that are gone: the error value.
      tokens_.push_back(ptgErr);
      tokens_.push_back(ecRef);
      return;
    }
    tokens_.push_back(area ? ptgAreaErr3d : ptgRefErr3d);
    tokens_.resize(tokens_.size() + 2);
    WriteUInt16(tokens_.data() + tokens_.size() - 2, static_cast<uint16_t>(sheet));
    return;
  }
  const auto abs = [](uint16_t field, uint16_t bit) { return (field & bit) == 0; };
  if (area)
    AppendArea3d(tokens_, static_cast<uint16_t>(sheet), abs(col1, kRowRelative),
                 abs(col2, kRowRelative), abs(col1, kColumnRelative), abs(col2, kColumnRelative),
                 row1, row2, col1 & kColumnMask, col2 & kColumnMask);
  else
    AppendRef3d(tokens_, static_cast<uint16_t>(sheet), abs(col1, kRowRelative),
                abs(col1, kColumnRelative), row1, col1 & kColumnMask);
  tokens_[tokens_.size() - TokenSizeOf(area ? ptgArea3d : ptgRef3d, 0)] = id;
}

void TcxConverter::Name(uint16_t index, size_t at) {
  if (!in_.Ok()) return;
  if (index == 0 || index > context_.Names.size()) {
    Fail("name index " + std::to_string(index) + " is beyond the NAME records");
    return;
  }
  const size_t i = index - 1u;
  const int defined = i < context_.NameIndexes.size() ? context_.NameIndexes[i] : -1;
  // A name of a value, or the name of a function (a macro, a newer Excel's function), which only
  // a call of function 255 may take.
  const bool value = i < context_.NameDefined.size() && context_.NameDefined[i];
  const bool function = i < context_.NameFunctions.size() && context_.NameFunctions[i];
  if (defined < 0 || (!value && !function)) {
    Fail("the name " + context_.Names[i] + " is not one the workbook could define");
    return;
  }
  Link(at, flName, defined);
  TcxOperand operand;
  operand.Start = tokens_.size();
  operand.Name = true;
  operand.FunctionOnly = !value;
  operand.Text = context_.Names[i];
  if (operand.FunctionOnly) ++functionNames_;
  operands_.push_back(std::move(operand));
  AppendName(tokens_, static_cast<uint16_t>(defined));
}

void TcxConverter::ExternalName(uint16_t refIndex, uint16_t nameIndex, size_t at) {
  if (!in_.Ok()) return;
  if (refIndex >= context_.ExternSheets.size()) {
    Fail("an external name's reference index is beyond the EXTERNSHEET table");
    return;
  }
  const uint16_t supBook = context_.ExternSheets[refIndex].SupBook;
  if (context_.SupBooks.empty() || supBook >= context_.SupBooks.size()) {
    Fail("an external name names a book the link table does not have");
    return;
  }
  const TcxSupBook& book = context_.SupBooks[supBook];
  if (book.Kind == sbkSelf) {
    // A name of this workbook reached through the link table: the cell's tokens name it
    // directly, so a save cannot write the file's tokens.
    fileTokensUnusable_ = true;
    Name(nameIndex, at + 2);
    return;
  }
  if (nameIndex == 0 || nameIndex > book.ExternNames.size() || book.FirstLinkName < 0) {
    Fail("external name index " + std::to_string(nameIndex) + " is beyond the EXTERNNAME records");
    return;
  }
  const std::string& text = book.ExternNames[nameIndex - 1];
  const int linked = book.FirstLinkName + nameIndex - 1;
  Link(at, flExternalName, linked);
  TcxOperand operand;
  operand.Start = tokens_.size();
  operand.Name = true;
  operand.Text = text;
  // An add-in function the library has is called by its own number.
  TcxFuncDefinition definition;
  if (book.Kind == sbkAddIn && FindFunctionByName(text, definition) &&
      IsAddInFunction(definition.Index))
    operand.LibraryAddIn = definition.Index;
  operands_.push_back(std::move(operand));
  tokens_.push_back(ptgNameX);
  tokens_.push_back(0);
  tokens_.push_back(0);
  WriteUInt16(tokens_.data() + tokens_.size() - 2, static_cast<uint16_t>(linked));
}

void TcxConverter::Function(uint16_t number, int argCount, bool fixed) {
  if (!in_.Ok()) return;
  TcxFuncDefinition definition;
  const bool library = FindFunctionByIndex(number, definition);
  const TcxBiffFunction* file = FindBiffFunction(number);
  if (number == kBiffExternalFunction) {
    if (fixed || argCount < 1 || operands_.size() < static_cast<size_t>(argCount)) {
      Fail("an add-in function call without its name");
      return;
    }
    const TcxOperand name = operands_[operands_.size() - static_cast<size_t>(argCount)];
    if (!name.Name) {
      Fail("an add-in function call without its name");
      return;
    }
    if (name.FunctionOnly) ++calledNames_;
    size_t start = 0;
    TakeOperands(static_cast<size_t>(argCount), start);
    if (name.LibraryAddIn != 0) {
      // The name's token goes; the library's function takes the arguments.
      tokens_.erase(tokens_.begin() + static_cast<ptrdiff_t>(name.Start),
                    tokens_.begin() + static_cast<ptrdiff_t>(name.Start + TokenSizeOf(ptgNameX, 0)));
      AppendFuncVar(tokens_, static_cast<uint8_t>(argCount - 1), name.LibraryAddIn);
    } else {
      Unknown(name.Text);
      AppendFuncVar(tokens_, static_cast<uint8_t>(argCount), kNamedFunction);
    }
    PushOperand(start);
    return;
  }
  if (!library && !file) {
    Fail("function " + std::to_string(number) + " is not one of the file format");
    return;
  }
  if (fixed) {
    // The fixed-argument token carries no count: the file format fixes it per function.
    argCount = file && file->MinArgs == file->MaxArgs ? file->MinArgs : definition.FileArgs;
  }
  if (!library) Unknown(std::string(file->Name));
  size_t start = 0;
  if (!TakeOperands(static_cast<size_t>(argCount), start)) return;
  AppendFuncVar(tokens_, static_cast<uint8_t>(argCount), number);
  PushOperand(start);
}

// An array constant's values come from the data after the tokens.
void TcxConverter::Array() {
  const size_t cols = static_cast<size_t>(extra_.ReadU8()) + 1;
  const size_t rows = static_cast<size_t>(extra_.ReadU16()) + 1;
  // Every value takes at least three bytes: a count beyond that is a damaged record.
  if (!extra_.Ok() || cols * rows > extra_.Remaining() / 3) {
    Fail("an array constant is cut short");
    return;
  }
  const size_t start = tokens_.size();
  tokens_.resize(start + kArrayValues);
  tokens_[start] = ptgArray;
  WriteInt32(tokens_.data() + start + kArrayCols, static_cast<int32_t>(cols));
  WriteInt32(tokens_.data() + start + kArrayRows, static_cast<int32_t>(rows));
  for (size_t i = 0; i < cols * rows && extra_.Ok(); ++i) {
    switch (extra_.ReadU8()) {
      case 0x00:
        extra_.Skip(8);
        tokens_.push_back(ptgMissArg);
        break;
      case 0x01: {
        const double x = extra_.ReadDouble();
        if (!std::isfinite(x)) extra_.Fail();
        AppendNumber(tokens_, x);
        break;
      }
      case 0x02: {
        const TcxTokenString text = MakeTextResult(extra_.ReadString16());
        tokens_.insert(tokens_.end(), text.begin(), text.end());
        break;
      }
      case 0x04:
        AppendBool(tokens_, extra_.ReadU8() != 0);
        extra_.Skip(7);
        break;
      case 0x10: {
        const int code = ErrorFileCodeToInternal(extra_.ReadU8());
        extra_.Skip(7);
        tokens_.push_back(ptgErr);
        tokens_.push_back(static_cast<uint8_t>(code ? code : ecValue));
        break;
      }
      default:
        extra_.Fail();
        break;
    }
  }
  if (!extra_.Ok()) {
    Fail("an array constant is cut short");
    return;
  }
  WriteInt32(tokens_.data() + start + 1, static_cast<int32_t>(tokens_.size() - start - kArrayHeaderSize));
  PushOperand(start);
}

}  // namespace

TcxConvertedFormula TcxFormulaTokenReader::Convert(int col, int row,
                                                   std::span<const uint8_t> tokens,
                                                   std::span<const uint8_t> extra) const {
  TcxConvertedFormula out;
  TcxConverter(context_, col, row, tokens, extra, out).Run();
  if (out.Tokens.size() > 0xFFFF) {
    out.Ok = false;
    out.Detail = "the formula is too long";
  }
  if (!out.Ok) out.Tokens.clear();
  return out;
}
