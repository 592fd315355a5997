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
  std::string text;
  const uint8_t* p = token;
  if (is3d) {
    text = SheetText(ReadUInt16(token + 1)) + "!";
    p += k3dShift;
    baseRow = 0;
    baseCol = 0;
  }
  const bool r1c1 = cache_.R1C1();
  auto part = [&](bool absolute, int32_t stored, int base, bool isRow) -> std::string {
    if (r1c1) {
      const std::string head = isRow ? "R" : "C";
      if (absolute) return head + std::to_string(int64_t(stored) + 1);
      return stored == 0 ? head : head + "[" + std::to_string(stored) + "]";
    }
    const int64_t index = absolute ? stored : int64_t(stored) + base;
    if (index < 0 || index > INT32_MAX) return std::string(ErrorToText(ecRef));
    const std::string mark = absolute ? "$" : "";
    return mark + (isRow ? std::to_string(index + 1)
                         : TcxSSUtils::ColumnName(static_cast<int>(index)));
  };
  auto cell = [&](bool rowAbs, bool colAbs, int32_t row, int32_t col) {
    const std::string r = part(rowAbs, row, baseRow, true);
    const std::string c = part(colAbs, col, baseCol, false);
    return r1c1 ? r + c : c + r;
  };
  if (id == ptgRef || id == ptgRef3d)
    return text + cell(p[kRefRowAbs], p[kRefColAbs], ReadInt32(p + kRefRow), ReadInt32(p + kRefCol));
  return text +
         cell(p[kAreaFirstRowAbs], p[kAreaFirstColAbs], ReadInt32(p + kAreaFirstRow),
              ReadInt32(p + kAreaFirstCol)) +
         ":" +
         cell(p[kAreaLastRowAbs], p[kAreaLastColAbs], ReadInt32(p + kAreaLastRow),
              ReadInt32(p + kAreaLastCol));
}

std::string TcxSSFunctionHandler::FormulaText(TcxSSFormula& formula) {
  BeginFormula(formula, false);
  const std::string separator = ListSeparator();
  const TcxTokenString& tokens = formula.Tokens;
  std::vector<std::string> strings;
  bool broken = false;
  const std::string missing(kMissingTokens);
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
        std::string right = std::move(strings.back());
        strings.pop_back();
        strings.back() += (id == ptgUnion ? std::string_view(separator) : kOperatorTexts[id - ptgAdd]);
        strings.back() += right;
      } else if (!strings.empty()) {
        strings.back() = missing;
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
          strings.push_back(missing);
        else if (id == ptgUminus)
          strings.back().insert(0, "-");
        else if (id == ptgPercent)
          strings.back() += "%";
        else
          strings.back() = "(" + strings.back() + ")";
        break;
      case ptgStr:
        strings.push_back(Quoted(StringTokenText(t, size)));
        break;
      case ptgBool:
        strings.emplace_back(BoolToText(t[1] != 0));
        break;
      case ptgNum:
        strings.push_back(FloatToText(ReadDouble(t + 1), Settings()));
        break;
      case ptgName: {
        const uint16_t index = ReadUInt16(t + 1);
        const TcxSSNamesDef& names = cache_.Names();
        strings.push_back(index < names.size() ? names[index].Name
                                               : std::string(ErrorToText(ecRef)));
        break;
      }
      case ptgRef:
      case ptgArea:
      case ptgRef3d:
      case ptgArea3d:
        strings.push_back(ReferenceText(t, formulaRow_, formulaCol_));
        break;
      case ptgFuncVar: {
        const size_t args = t[1];
        TcxFuncDefinition definition;
        if (!FindFunctionByIndex(ReadUInt16(t + 2), definition) || strings.size() < args) {
          broken = true;
          break;
        }
        std::string text(definition.Name);
        text += "(";
        if (definition.Style != 2)
          for (size_t i = strings.size() - args; i < strings.size(); ++i) {
            if (i > strings.size() - args) text += separator;
            text += strings[i];
          }
        text += ")";
        strings.resize(strings.size() - args);
        strings.push_back(std::move(text));
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
  return "=" + strings.front();
}

void TcxSSFunctionHandler::ExportTokens(const TcxSSFormula& formula, TcxTokenString& out) {
  out.clear();
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
  size_t pos = 0;
  while (pos < tokens.size()) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) break;
    const uint8_t* t = tokens.data() + pos;
    pos += size;
    const uint8_t id = t[0];
    const bool is3d = id == ptgRef3d || id == ptgArea3d;
    const uint8_t* p = is3d ? t + k3dShift : t;
    const int64_t baseRow = is3d ? 0 : formula.Row;
    const int64_t baseCol = is3d ? 0 : formula.Col;
    auto flags = [](bool rowAbs, bool colAbs) {
      return static_cast<int64_t>((colAbs ? 0 : 0x4000) | (rowAbs ? 0 : 0x8000));
    };
    switch (id) {
      case ptgName:
        out.push_back(0x43);
        put16(ReadUInt16(t + 1) + 1);
        put16(0);
        break;
      case ptgRef:
      case ptgRef3d: {
        const int64_t row = ReadInt32(p + kRefRow) + (p[kRefRowAbs] ? 0 : baseRow);
        const int64_t col = ReadInt32(p + kRefCol) + (p[kRefColAbs] ? 0 : baseCol);
        const bool ok = fits(row, col);
        // tRefErr (0x2A) and tRefErr3d (0x3C) in the value class, like tRef and tRef3d.
        out.push_back(static_cast<uint8_t>((ok ? id : (is3d ? 0x3C : 0x2A)) + 0x20));
        if (is3d) put16(ReadUInt16(t + 1));
        put16(ok ? row : 0);
        put16(ok ? (col | flags(p[kRefRowAbs], p[kRefColAbs])) : 0);
        break;
      }
      case ptgArea:
      case ptgArea3d: {
        const int64_t r1 = ReadInt32(p + kAreaFirstRow) + (p[kAreaFirstRowAbs] ? 0 : baseRow);
        const int64_t r2 = ReadInt32(p + kAreaLastRow) + (p[kAreaLastRowAbs] ? 0 : baseRow);
        const int64_t c1 = ReadInt32(p + kAreaFirstCol) + (p[kAreaFirstColAbs] ? 0 : baseCol);
        const int64_t c2 = ReadInt32(p + kAreaLastCol) + (p[kAreaLastColAbs] ? 0 : baseCol);
        const bool ok = fits(r1, c1) && fits(r2, c2);
        out.push_back(ok ? id : (is3d ? 0x3D : 0x2B));
        if (is3d) put16(ReadUInt16(t + 1));
        put16(ok ? r1 : 0);
        put16(ok ? r2 : 0);
        put16(ok ? (c1 | flags(p[kAreaFirstRowAbs], p[kAreaFirstColAbs])) : 0);
        put16(ok ? (c2 | flags(p[kAreaLastRowAbs], p[kAreaLastColAbs])) : 0);
        break;
      }
      default:
        out.insert(out.end(), t, t + size);
        break;
    }
  }
}
