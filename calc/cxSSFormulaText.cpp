#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "platform/Unicode.h"
#include "calc/cxExcelFunctions.h"

// The text rebuild and the file export of the function handler.

namespace {

constexpr std::string_view kOperatorTexts[] = {"+", "-", "*", "/", "^", "&", "<", "<=", "=",
                                               ">=", ">", "<>", " ", "", ":"};

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

}  // namespace

std::string TcxSSFunctionHandler::SheetText(int sheet) const {
  if (sheet < 0 || sheet >= Book().PageCount()) return std::string(ErrorToText(ecRef));
  const std::string& caption = Book().Pages(sheet).Caption();
  return caption.find(' ') != std::string::npos ? "'" + caption + "'" : caption;
}

std::string TcxSSFunctionHandler::ReferenceText(const uint8_t* token, int baseRow,
                                                int baseCol) const {
  const uint8_t id = token[0];
  const bool is3d = id == ptgRef3d || id == ptgArea3d;
  const bool external = id == ptgRefX || id == ptgAreaX;
  std::string text;
  const uint8_t* p = token;
  if (is3d || external) {
    const uint16_t sheet = ReadUInt16(token + 1);
    if (external) {
      text = cache_.ExternalLinks().SheetText(sheet);
    } else if (sheet < Book().PageCount()) {
      text = SheetText(sheet);
    }
    // A reference to a sheet that is gone reads as Excel writes it: #REF!A1.
    if (text.empty())
      text = ErrorToText(ecRef);
    else
      text += '!';
    p += k3dShift;
    baseRow = 0;
    baseCol = 0;
  }
  const bool r1c1 = cache_.R1C1();
  // The parts are appended to the one text: a formula's text is rebuilt for every formula cell
  // a file loads.
  auto number = [&text](int64_t n) {
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
  };
  auto part = [&](bool absolute, int32_t stored, int base, bool isRow) {
    if (r1c1) {
      text += isRow ? 'R' : 'C';
      if (absolute) {
        number(int64_t(stored) + 1);
      } else if (stored != 0) {
        text += '[';
        number(stored);
        text += ']';
      }
      return;
    }
    const int64_t index = absolute ? stored : int64_t(stored) + base;
    if (index < 0 || index > INT32_MAX) {
      text += ErrorToText(ecRef);
      return;
    }
    if (absolute) text += '$';
    if (isRow)
      number(index + 1);
    else
      TcxSSUtils::AppendColumnName(text, index);
  };
  auto cell = [&](bool rowAbs, bool colAbs, int32_t row, int32_t col) {
    if (r1c1) {
      part(rowAbs, row, baseRow, true);
      part(colAbs, col, baseCol, false);
    } else {
      part(colAbs, col, baseCol, false);
      part(rowAbs, row, baseRow, true);
    }
  };
  if (id == ptgRef || id == ptgRef3d || id == ptgRefX) {
    cell(p[kRefRowAbs], p[kRefColAbs], ReadInt32(p + kRefRow), ReadInt32(p + kRefCol));
    return text;
  }
  cell(p[kAreaFirstRowAbs], p[kAreaFirstColAbs], ReadInt32(p + kAreaFirstRow),
       ReadInt32(p + kAreaFirstCol));
  text += ':';
  cell(p[kAreaLastRowAbs], p[kAreaLastColAbs], ReadInt32(p + kAreaLastRow),
       ReadInt32(p + kAreaLastCol));
  return text;
}

// An array constant as formula text writes it: {1,2;3,4} (columns apart by the list separator,
// rows by ";", or by "|" where ";" is the list separator).
std::string TcxSSFunctionHandler::ArrayText(const uint8_t* token, size_t size) const {
  const auto cols = static_cast<uint32_t>(ReadInt32(token + kArrayCols));
  const auto rows = static_cast<uint32_t>(ReadInt32(token + kArrayRows));
  const std::string_view rowSeparator = listSeparator_ == ";" ? "|" : ";";
  std::string text = "{";
  size_t pos = kArrayValues;
  for (uint32_t r = 0; r < rows; ++r) {
    if (r > 0) text += rowSeparator;
    for (uint32_t c = 0; c < cols; ++c) {
      const size_t n = pos < size ? TcxTokensStack::TokenSize(token + pos, size - pos) : 0;
      if (n == 0) return text + "}";
      if (c > 0) text += listSeparator_;
      const uint8_t* v = token + pos;
      switch (v[0]) {
        case ptgNum: text += FloatToText(ReadDouble(v + 1), Settings()); break;
        case ptgBool: text += BoolToText(v[1] != 0); break;
        case ptgErr: text += ErrorToLiteral(v[1]); break;
        case ptgStr: text += Quoted(StringTokenText(v, n)); break;
        default: break;
      }
      pos += n;
    }
  }
  return text + "}";
}

std::string TcxSSFunctionHandler::FormulaText(TcxSSFormula& formula) {
  BeginFormula(formula, false);
  // BeginFormula has worked out the list separator for the delimiters.
  const std::string& separator = listSeparator_;
  const TcxTokenString& tokens = formula.Tokens;
  TcxTextChain& chain = textChain_;
  std::vector<TcxTextChain::TPart>& strings = textParts_;
  chain.Clear();
  strings.clear();
  const auto push = [&](std::string text) { strings.push_back(chain.Make(std::move(text))); };
  bool broken = false;
  size_t pos = 0;
  while (pos < tokens.size() && !broken) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) {
      broken = true;
      break;
    }
    const uint8_t* t = tokens.data() + pos;
    const uint8_t id = t[0];
    pos += size;
    if (id >= ptgAdd && id <= ptgRange) {
      if (strings.size() >= 2) {
        const TcxTextChain::TPart right = strings.back();
        strings.pop_back();
        strings.back() = chain.Join(
            chain.Append(strings.back(),
                         id == ptgUnion ? std::string_view(separator) : kOperatorTexts[id - ptgAdd]),
            right);
      } else if (!strings.empty()) {
        strings.back() = chain.Make(std::string(kMissingTokens));
      }
      continue;
    }
    switch (id) {
      case ptgUplus:
        break;
      case ptgUminus:
      case ptgPercent:
      case ptgParen:
        if (strings.empty())
          push(std::string(kMissingTokens));
        else if (id == ptgUminus)
          strings.back() = chain.Prepend("-", strings.back());
        else if (id == ptgPercent)
          strings.back() = chain.Append(strings.back(), "%");
        else
          strings.back() = chain.Append(chain.Prepend("(", strings.back()), ")");
        break;
      case ptgStr:
        push(Quoted(StringTokenText(t, size)));
        break;
      case ptgBool:
        push(std::string(BoolToText(t[1] != 0)));
        break;
      case ptgErr: {
        const std::string_view literal = ErrorToLiteral(t[1]);
        if (literal.empty()) broken = true;
        push(std::string(literal));
        break;
      }
      case ptgNum:
        push(FloatToText(ReadDouble(t + 1), Settings()));
        break;
      case ptgName: {
        const uint16_t index = ReadUInt16(t + 1);
        const TcxSSNamesDef& names = cache_.Names();
        if (index >= names.size()) {
          push(std::string(ErrorToText(ecRef)));
          break;
        }
        // Another page's own name is written with its page.
        const TcxSSNameDefinition& name = names[index];
        if (name.Scope >= 0 && name.Scope != formulaSheet_)
          push(SheetText(name.Scope) + "!" + name.Name);
        else
          push(name.Name);
        break;
      }
      case ptgRef:
      case ptgArea:
      case ptgRef3d:
      case ptgArea3d:
      case ptgRefX:
      case ptgAreaX:
        push(ReferenceText(t, formulaRow_, formulaCol_));
        break;
      case ptgNameX: {
        std::string name = cache_.ExternalLinks().NameText(ReadUInt16(t + 1));
        push(name.empty() ? std::string(ErrorToText(ecRef)) : std::move(name));
        break;
      }
      case ptgMissArg:
        push({});
        break;
      case ptgRefErr:
      case ptgAreaErr:
      case ptgRefErr3d:
      case ptgAreaErr3d:
        // As the error literal, which typed again stands for the same value.
        push(std::string(ErrorToText(ecRef)));
        break;
      case ptgArray:
        push(ArrayText(t, size));
        break;
      case ptgFuncVar: {
        size_t args = t[1];
        const uint16_t number = ReadUInt16(t + 2);
        if (strings.size() < args) {
          broken = true;
          break;
        }
        std::string name;
        bool named = false;
        TcxTextChain::TPart text;
        TcxFuncDefinition definition;
        if (number == kNamedFunction && args >= 1) {
          // The function its first operand names, then the arguments.
          text = strings[strings.size() - args];
          named = true;
          strings.erase(strings.end() - static_cast<ptrdiff_t>(args));
          --args;
        } else if (FindFunctionByIndex(number, definition)) {
          name = definition.Name;
          if (definition.Style == 2) {
            strings.resize(strings.size() - args);
            args = 0;
          }
        } else if (const TcxBiffFunction* file = FindBiffFunction(number)) {
          // A function of the file format that the library does not have.
          name = file->Name;
        } else if (number == kDataTableFunction) {
          name = "TABLE";
        } else {
          broken = true;
          break;
        }
        text = named ? chain.Append(text, "(") : chain.Make(std::move(name) + "(");
        for (size_t i = strings.size() - args; i < strings.size(); ++i) {
          if (i > strings.size() - args) text = chain.Append(text, separator);
          text = chain.Join(text, strings[i]);
        }
        text = chain.Append(text, ")");
        strings.resize(strings.size() - args);
        strings.push_back(text);
        break;
      }
      default:
        broken = true;
        break;
    }
  }
  if (broken || strings.size() != 1) {
    cache_.ReportError(kConstructingError);
    return {};
  }
  // Array formulas and data tables show in braces, as Excel shows them.
  const bool block = formula.Block.Kind != fbNone;
  TcxTextChain::TPart text = chain.Prepend(block ? "{=" : "=", strings.front());
  if (block) text = chain.Append(text, "}");
  return chain.Text(text);
}

namespace {

// BIFF8 operand classes: the bits 5 and 6 of an operand or function token's identifier.
constexpr uint8_t kClassMask = 0x60;
constexpr uint8_t ClassBits(char operandClass) {
  return operandClass == 'R' ? 0x20 : operandClass == 'A' ? 0x60 : 0x40;
}

// What the written bytes of one operand are, so that its consumer can give it the operand class
// it expects: a lone reference or name token, a function call, or anything else.
struct TcxExportOperand {
  size_t Start = 0;       // where its bytes begin
  size_t ClassAt = 0;     // the token whose class follows the consumer (reference or function)
  char Kind = 'v';        // 'r' a reference token, 'f' a function call, 'a' an array
                          // constant, 'v' a value
  char ResultClass = 'V'; // of a function call
};

}  // namespace

void TcxSSFunctionHandler::ExportTokens(const TcxSSFormula& formula, TcxTokenString& out) {
  ExportTokens(formula, out, nullptr, 'V');
}

bool TcxSSFunctionHandler::ExternalNameRef(uint16_t index, IcxFormulaLinks& links,
                                           uint16_t& refIndex, uint16_t& nameIndex) const {
  const TcxSSExternalLinks& table = cache_.ExternalLinks();
  const std::string_view addIn = table.AddInFunction(index);
  if (!addIn.empty()) return links.AddInFunction(addIn, refIndex, nameIndex);
  return index < table.Names.size() && links.ExternalName(table, index, refIndex, nameIndex);
}

// The file's own tokens of a formula that is still the one read from it, with the link indexes
// of the file being written; false when the formula changed or a link has no place in the new
// file.
bool TcxSSFunctionHandler::FileTokens(const TcxSSFormula& formula, IcxFormulaLinks& links,
                                      TcxTokenString& out, TcxTokenString& extra) const {
  const TcxFileFormula* file = formula.File.get();
  if (!file || file->Tokens.empty() || file->Sheet != formula.Sheet || file->Col != formula.Col ||
      file->Row != formula.Row || file->Parsed != formula.Tokens)
    return false;
  out.assign(file->Tokens.begin(), file->Tokens.end());
  for (const TcxFileLink& link : file->Links) {
    uint16_t refIndex = 0;
    uint16_t nameIndex = 0;
    bool ok = false;
    switch (link.Kind) {
      case flSheets:
        ok = links.SheetRef(link.First, link.Last, refIndex);
        break;
      case flExternalSheet:
        ok = links.ExternalSheet(cache_.ExternalLinks(), link.First, refIndex);
        break;
      case flName:
        // The workbook's names are written in their order, one NAME record each.
        ok = link.First < cache_.Names().size();
        refIndex = static_cast<uint16_t>(link.First + 1);
        break;
      case flExternalName:
        ok = ExternalNameRef(link.First, links, refIndex, nameIndex) && link.Offset + 4u <= out.size();
        if (ok) WriteUInt16(out.data() + link.Offset + 2, nameIndex);
        break;
    }
    if (!ok || link.Offset + 2u > out.size()) return false;
    WriteUInt16(out.data() + link.Offset, refIndex);
  }
  extra.assign(file->Extra.begin(), file->Extra.end());
  return true;
}

// An array constant's values in the record data after the tokens: column count − 1 (byte), row
// count − 1 (16 bits), then per value a type byte and 8 bytes (a string: its 16-bit length, a
// flags byte and UTF-16 characters). False when the array does not fit the file format.
bool TcxSSFunctionHandler::ExportArray(const uint8_t* token, size_t size,
                                       TcxTokenString& extra) const {
  const int32_t cols = ReadInt32(token + kArrayCols);
  const int32_t rows = ReadInt32(token + kArrayRows);
  if (cols < 1 || cols > 256 || rows < 1 || rows > 65536) return false;
  const size_t start = extra.size();
  extra.push_back(static_cast<uint8_t>(cols - 1));
  extra.push_back(static_cast<uint8_t>(rows - 1));
  extra.push_back(static_cast<uint8_t>((rows - 1) >> 8));
  size_t pos = kArrayValues;
  for (int64_t i = 0; i < int64_t(rows) * cols; ++i) {
    const size_t n = pos < size ? TcxTokensStack::TokenSize(token + pos, size - pos) : 0;
    if (n == 0) {
      extra.resize(start);
      return false;
    }
    const uint8_t* v = token + pos;
    pos += n;
    uint8_t value[9] = {};
    switch (v[0]) {
      case ptgNum:
        value[0] = 0x01;
        std::copy(v + 1, v + 9, value + 1);
        break;
      case ptgBool:
        value[0] = 0x04;
        value[1] = v[1] != 0;
        break;
      case ptgErr:
        value[0] = 0x10;
        value[1] = static_cast<uint8_t>(ErrorInternalToFileCode(v[1]));
        break;
      case ptgStr: {
        const std::u16string units = unicode::Utf8ToUtf16(StringTokenText(v, n));
        if (units.size() > 0xFFFF) {
          extra.resize(start);
          return false;
        }
        extra.push_back(0x02);
        extra.push_back(static_cast<uint8_t>(units.size()));
        extra.push_back(static_cast<uint8_t>(units.size() >> 8));
        extra.push_back(1);
        for (const char16_t u : units) {
          extra.push_back(static_cast<uint8_t>(u));
          extra.push_back(static_cast<uint8_t>(u >> 8));
        }
        continue;
      }
      default:
        break;  // an empty value
    }
    extra.insert(extra.end(), value, value + 9);
  }
  return true;
}

// The internal tokens become BIFF8 tokens: references with 16-bit fields and the relative flags
// in the column field, error literals with their file codes, functions of a fixed argument count
// as ptgFunc, add-in functions as function 255 whose first operand is the ptgNameX naming them.
// Reference and function tokens get the operand class their consumer expects (a reference for
// SUM's arguments, a value for an operator's), as Excel writes them.
void TcxSSFunctionHandler::ExportTokens(const TcxSSFormula& formula, TcxTokenString& out,
                                        IcxFormulaLinks* links, char rootClass,
                                        TcxTokenString* extra) {
  out.clear();
  if (extra) extra->clear();
  if (links && extra && FileTokens(formula, *links, out, *extra)) return;
  out.clear();
  if (extra) extra->clear();
  const TcxTokenString& tokens = formula.Tokens;
  // BIFF8 holds 65536 rows and 16384 column indexes; a reference beyond them, or one that
  // resolves before the first row or column, is written as a reference error.
  auto fits = [](int64_t row, int64_t col) {
    return row >= 0 && row <= 0xFFFF && col >= 0 && col <= 0x3FFF;
  };
  auto put16 = [&out](int64_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  std::vector<TcxExportOperand> operands;
  auto push = [&](size_t start, char kind = 'v', size_t classAt = 0, char resultClass = 'V') {
    operands.push_back({start, classAt, kind, resultClass});
  };
  // In an array formula every operand wanted as a value is wanted as an array: Excel evaluates
  // the whole formula value by value.
  const bool arrayFormula = rootClass == 'A';
  // Gives the operand the class its consumer expects.
  auto setClass = [&out, arrayFormula](const TcxExportOperand& operand, char wanted) {
    if (arrayFormula && wanted == 'V') wanted = 'A';
    char given = 'V';
    if (operand.Kind == 'r')
      given = wanted;
    else if (operand.Kind == 'f' && operand.ResultClass != 'V' && operand.ResultClass == wanted)
      given = wanted;
    else
      return;
    uint8_t& id = out[operand.ClassAt];
    id = static_cast<uint8_t>((id & ~kClassMask) | ClassBits(given));
  };
  // Takes `count` operands off the stack; the first one's start, or the end when there are none.
  auto take = [&](size_t count) {
    count = std::min(count, operands.size());
    const size_t start = count ? operands[operands.size() - count].Start : out.size();
    operands.resize(operands.size() - count);
    return start;
  };
  // A value the file cannot name is written as an error constant.
  auto error = [&](size_t start, uint8_t code) {
    out.push_back(0x1C);
    out.push_back(static_cast<uint8_t>(ErrorInternalToFileCode(code)));
    push(start);
  };

  size_t pos = 0;
  while (pos < tokens.size()) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) break;
    const uint8_t* t = tokens.data() + pos;
    pos += size;
    const uint8_t id = t[0];
    const bool external = id == ptgRefX || id == ptgAreaX;
    const bool is3d = id == ptgRef3d || id == ptgArea3d || external;
    const uint8_t* p = is3d ? t + k3dShift : t;
    // The EXTERNSHEET index of a sheet-qualified reference.
    uint16_t refIndex = is3d ? ReadUInt16(t + 1) : 0;
    bool named = true;
    if (external)
      named = links && links->ExternalSheet(cache_.ExternalLinks(), refIndex, refIndex);
    else if (is3d && links)
      named = links->SheetRef(refIndex, refIndex, refIndex);
    const int64_t baseRow = is3d ? 0 : formula.Row;
    const int64_t baseCol = is3d ? 0 : formula.Col;
    auto flags = [](bool rowAbs, bool colAbs) {
      return static_cast<int64_t>((colAbs ? 0 : 0x4000) | (rowAbs ? 0 : 0x8000));
    };
    const size_t start = out.size();
    switch (id) {
      case ptgName:
        out.push_back(0x43);
        put16(ReadUInt16(t + 1) + 1);
        put16(0);
        push(start, 'r', start);
        break;
      case ptgRef:
      case ptgRef3d:
      case ptgRefX: {
        if (!named) {
          error(start, ecRef);
          break;
        }
        const int64_t row = ReadInt32(p + kRefRow) + (p[kRefRowAbs] ? 0 : baseRow);
        const int64_t col = ReadInt32(p + kRefCol) + (p[kRefColAbs] ? 0 : baseCol);
        const bool ok = fits(row, col);
        // tRefErr (0x2A) and tRefErr3d (0x3C) in the value class, like tRef and tRef3d.
        out.push_back(static_cast<uint8_t>((ok ? (is3d ? 0x3A : 0x24) : (is3d ? 0x3C : 0x2A)) + 0x20));
        if (is3d) put16(refIndex);
        put16(ok ? row : 0);
        put16(ok ? (col | flags(p[kRefRowAbs], p[kRefColAbs])) : 0);
        push(start, 'r', start);
        break;
      }
      case ptgArea:
      case ptgArea3d:
      case ptgAreaX: {
        if (!named) {
          error(start, ecRef);
          break;
        }
        const int64_t r1 = ReadInt32(p + kAreaFirstRow) + (p[kAreaFirstRowAbs] ? 0 : baseRow);
        const int64_t r2 = ReadInt32(p + kAreaLastRow) + (p[kAreaLastRowAbs] ? 0 : baseRow);
        const int64_t c1 = ReadInt32(p + kAreaFirstCol) + (p[kAreaFirstColAbs] ? 0 : baseCol);
        const int64_t c2 = ReadInt32(p + kAreaLastCol) + (p[kAreaLastColAbs] ? 0 : baseCol);
        const bool ok = fits(r1, c1) && fits(r2, c2);
        out.push_back(static_cast<uint8_t>((ok ? (is3d ? 0x3B : 0x25) : (is3d ? 0x3D : 0x2B)) + 0x20));
        if (is3d) put16(refIndex);
        put16(ok ? r1 : 0);
        put16(ok ? r2 : 0);
        put16(ok ? (c1 | flags(p[kAreaFirstRowAbs], p[kAreaFirstColAbs])) : 0);
        put16(ok ? (c2 | flags(p[kAreaLastRowAbs], p[kAreaLastColAbs])) : 0);
        push(start, 'r', start);
        break;
      }
      case ptgErr:
        out.push_back(0x1C);
        out.push_back(static_cast<uint8_t>(ErrorInternalToFileCode(t[1])));
        push(start);
        break;
      case ptgRefErr:
      case ptgAreaErr:
        // tRefErr (0x2A) and tAreaErr (0x2B), in the value class like the references.
        out.push_back(static_cast<uint8_t>((id == ptgRefErr ? 0x2A : 0x2B) + 0x20));
        for (int i = 0; i < (id == ptgRefErr ? 2 : 4); ++i) put16(0);
        push(start, 'r', start);
        break;
      case ptgRefErr3d:
      case ptgAreaErr3d: {
        // tRefErr3d (0x3C) and tAreaErr3d (0x3D) keep the sheet they were on.
        uint16_t sheetRef = ReadUInt16(t + 1);
        if (links && !links->SheetRef(sheetRef, sheetRef, sheetRef)) {
          error(start, ecRef);
          break;
        }
        out.push_back(static_cast<uint8_t>((id == ptgRefErr3d ? 0x3C : 0x3D) + 0x20));
        put16(sheetRef);
        for (int i = 0; i < (id == ptgRefErr3d ? 2 : 4); ++i) put16(0);
        push(start, 'r', start);
        break;
      }
      case ptgStr:
      case ptgNum:
      case ptgBool:
      case ptgMissArg:
        // The same layout in both formats.
        out.insert(out.end(), t, t + size);
        push(start);
        break;
      case ptgArray:
        // An array constant: the token, its values after the tokens.
        if (!extra || !ExportArray(t, size, *extra)) {
          error(start, ecValue);
          break;
        }
        out.push_back(0x60);
        out.insert(out.end(), 7, 0);
        push(start, 'a', start);
        break;
      case ptgNameX: {
        uint16_t nameRef = 0;
        uint16_t nameIndex = 0;
        if (!links || !ExternalNameRef(ReadUInt16(t + 1), *links, nameRef, nameIndex)) {
          error(start, ecName);
          break;
        }
        out.push_back(0x39);
        put16(nameRef);
        put16(nameIndex);
        put16(0);
        push(start, 'r', start);
        break;
      }
      case ptgFuncVar: {
        const size_t argCount = std::min<size_t>(t[1], operands.size());
        const uint16_t number = ReadUInt16(t + 2);
        const size_t first = operands.size() - argCount;
        if (IsAddInFunction(number)) {
          TcxFuncDefinition definition;
          uint16_t refIndex = 0;
          uint16_t nameIndex = 0;
          if (!FindFunctionByIndex(number, definition) || !links ||
              !links->AddInFunction(definition.Name, refIndex, nameIndex) || argCount > 29) {
            // No file form names it: the call becomes "#NAME?".
            const size_t callStart = take(argCount);
            out.resize(callStart);
            out.push_back(0x1C);
            out.push_back(static_cast<uint8_t>(ErrorInternalToFileCode(ecName)));
            push(callStart);
            break;
          }
          for (size_t i = first; i < operands.size(); ++i) setClass(operands[i], 'R');
          const size_t callStart = take(argCount);
          // The name goes before the arguments: function 255 takes it as its first operand.
          const uint8_t nameX[7] = {0x39,
                                    static_cast<uint8_t>(refIndex),
                                    static_cast<uint8_t>(refIndex >> 8),
                                    static_cast<uint8_t>(nameIndex),
                                    static_cast<uint8_t>(nameIndex >> 8),
                                    0,
                                    0};
          out.insert(out.begin() + static_cast<ptrdiff_t>(callStart), nameX, nameX + 7);
          const size_t at = out.size();
          out.push_back(0x42);
          out.push_back(static_cast<uint8_t>(argCount + 1));
          put16(kBiffExternalFunction);
          push(callStart, 'f', at);
          break;
        }
        if (number == kDataTableFunction) {
          // A data table's cell has no formula of its own outside its table (the writer writes
          // the table's cells itself): no value.
          const size_t callStart = take(argCount);
          out.resize(callStart);
          out.push_back(0x1C);
          out.push_back(static_cast<uint8_t>(ErrorInternalToFileCode(ecNA)));
          push(callStart);
          break;
        }
        const TcxBiffFunction* file = FindBiffFunction(number);
        // The function a name stands for takes its name and arguments as references.
        for (size_t i = first; i < operands.size(); ++i) {
          const char wanted = number == kNamedFunction ? 'R'
                              : file                   ? file->ArgClass(i - first)
                                                       : 'V';
          // An array constant is an array everywhere but as a function's single value, where
          // Excel takes its first value (VLOOKUP({"a","b"},...)), as it writes it.
          if (operands[i].Kind == 'a') {
            if (wanted == 'V' && !arrayFormula) out[operands[i].ClassAt] = 0x40;
            continue;
          }
          setClass(operands[i], wanted);
        }
        const size_t callStart = take(argCount);
        const size_t at = out.size();
        if (file && file->MinArgs == file->MaxArgs && argCount == file->MinArgs) {
          out.push_back(0x41);
        } else {
          out.push_back(0x42);
          out.push_back(static_cast<uint8_t>(argCount));
        }
        put16(number);
        push(callStart, 'f', at, file ? file->ResultClass : 'V');
        break;
      }
      case ptgParen:
        // The operand keeps its kind: the parentheses only show in the text.
        out.push_back(id);
        break;
      case ptgUplus:
      case ptgUminus:
      case ptgPercent:
        out.push_back(id);
        if (!operands.empty()) {
          setClass(operands.back(), 'V');
          operands.back() = {operands.back().Start};
        }
        break;
      default:
        out.insert(out.end(), t, t + size);
        if (id >= ptgAdd && id <= ptgRange) {
          // The range and intersection operators work on references, the others on values.
          const char wanted = id == ptgRange || id == ptgIsect || id == ptgUnion ? 'R' : 'V';
          for (size_t i = operands.size() >= 2 ? operands.size() - 2 : 0; i < operands.size(); ++i)
            setClass(operands[i], wanted);
          push(take(2), wanted == 'R' ? 'x' : 'v');
        }
        break;
    }
  }
  if (operands.size() == 1 && rootClass != 'V') setClass(operands.back(), rootClass);
}
