#include "calc/cxSSTokens.h"

#include "platform/Unicode.h"

namespace {

uint8_t* Grow(TcxTokenString& tokens, size_t n) {
  const size_t at = tokens.size();
  tokens.resize(at + n);
  return tokens.data() + at;
}

// Long text results: see TcxResultValue.
constexpr uint8_t kLongTextCount = 255;
constexpr uint8_t kLongTextFlags = 0x81;

void AppendUnits(uint8_t* p, const std::u16string& units) {
  for (char16_t u : units) {
    WriteUInt16(p, static_cast<uint16_t>(u));
    p += 2;
  }
}

}  // namespace

void AppendNumber(TcxTokenString& tokens, double x) {
  uint8_t* p = Grow(tokens, 9);
  p[0] = ptgNum;
  WriteDouble(p + 1, x);
}

void AppendBool(TcxTokenString& tokens, bool b) {
  uint8_t* p = Grow(tokens, 2);
  p[0] = ptgBool;
  p[1] = b ? 1 : 0;
}

bool AppendString(TcxTokenString& tokens, std::string_view utf8) {
  const std::u16string units = unicode::Utf8ToUtf16(utf8);
  if (units.size() > 255) return false;
  uint8_t* p = Grow(tokens, 3 + 2 * units.size());
  p[0] = ptgStr;
  p[1] = static_cast<uint8_t>(units.size());
  p[2] = units.empty() ? 0 : 1;
  AppendUnits(p + 3, units);
  return true;
}

void AppendName(TcxTokenString& tokens, uint16_t index) {
  uint8_t* p = Grow(tokens, 3);
  p[0] = ptgName;
  WriteUInt16(p + 1, index);
}

void AppendRef(TcxTokenString& tokens, bool rowAbs, bool colAbs, int32_t row, int32_t col) {
  uint8_t* p = Grow(tokens, 11);
  p[0] = ptgRef;
  p[kRefRowAbs] = rowAbs;
  p[kRefColAbs] = colAbs;
  WriteInt32(p + kRefRow, row);
  WriteInt32(p + kRefCol, col);
}

void AppendArea(TcxTokenString& tokens, bool firstRowAbs, bool lastRowAbs, bool firstColAbs,
                bool lastColAbs, int32_t firstRow, int32_t lastRow, int32_t firstCol,
                int32_t lastCol) {
  uint8_t* p = Grow(tokens, 21);
  p[0] = ptgArea;
  p[kAreaFirstRowAbs] = firstRowAbs;
  p[kAreaLastRowAbs] = lastRowAbs;
  p[kAreaFirstColAbs] = firstColAbs;
  p[kAreaLastColAbs] = lastColAbs;
  WriteInt32(p + kAreaFirstRow, firstRow);
  WriteInt32(p + kAreaLastRow, lastRow);
  WriteInt32(p + kAreaFirstCol, firstCol);
  WriteInt32(p + kAreaLastCol, lastCol);
}

void AppendRef3d(TcxTokenString& tokens, uint16_t sheet, bool rowAbs, bool colAbs, int32_t row,
                 int32_t col) {
  const size_t at = tokens.size();
  AppendRef(tokens, rowAbs, colAbs, row, col);
  tokens.insert(tokens.begin() + static_cast<ptrdiff_t>(at) + 1, 2, 0);
  tokens[at] = ptgRef3d;
  WriteUInt16(tokens.data() + at + 1, sheet);
}

void AppendArea3d(TcxTokenString& tokens, uint16_t sheet, bool firstRowAbs, bool lastRowAbs,
                  bool firstColAbs, bool lastColAbs, int32_t firstRow, int32_t lastRow,
                  int32_t firstCol, int32_t lastCol) {
  const size_t at = tokens.size();
  AppendArea(tokens, firstRowAbs, lastRowAbs, firstColAbs, lastColAbs, firstRow, lastRow,
             firstCol, lastCol);
  tokens.insert(tokens.begin() + static_cast<ptrdiff_t>(at) + 1, 2, 0);
  tokens[at] = ptgArea3d;
  WriteUInt16(tokens.data() + at + 1, sheet);
}

void AppendFuncVar(TcxTokenString& tokens, uint8_t argCount, uint16_t function) {
  uint8_t* p = Grow(tokens, 4);
  p[0] = ptgFuncVar;
  p[1] = argCount;
  WriteUInt16(p + 2, function);
}

std::string StringTokenText(const uint8_t* p, size_t size) {
  if (size < 3) return {};
  size_t count = p[1];
  const uint8_t* units = p + 3;
  if (count == kLongTextCount && p[2] == kLongTextFlags && size >= 7) {
    count = static_cast<uint32_t>(ReadInt32(p + 3));
    units = p + 7;
    if (count > (size - 7) / 2) count = (size - 7) / 2;
  } else if (count > (size - 3) / 2) {
    count = (size - 3) / 2;
  }
  std::u16string text(count, u'\0');
  for (size_t i = 0; i < count; ++i) text[i] = static_cast<char16_t>(ReadUInt16(units + 2 * i));
  return unicode::Utf16ToUtf8(text);
}

TcxTokenString MakeTextResult(std::string_view utf8) {
  TcxTokenString result;
  if (AppendString(result, utf8)) return result;
  const std::u16string units = unicode::Utf8ToUtf16(utf8);
  uint8_t* p = Grow(result, 7 + 2 * units.size());
  p[0] = ptgStr;
  p[1] = kLongTextCount;
  p[2] = kLongTextFlags;
  WriteInt32(p + 3, static_cast<int32_t>(units.size()));
  AppendUnits(p + 7, units);
  return result;
}

TcxTokenString MakeNumberResult(double x) {
  TcxTokenString result;
  AppendNumber(result, x);
  return result;
}

void SetNumberResult(TcxTokenString& result, double x) {
  result.clear();
  AppendNumber(result, x);
}

void SetBoolResult(TcxTokenString& result, bool b) {
  result.clear();
  AppendBool(result, b);
}

TcxTokenString MakeBoolResult(bool b) {
  TcxTokenString result;
  AppendBool(result, b);
  return result;
}

TcxTokenString MakeErrorResult(uint8_t code) { return TcxTokenString{code}; }

TcxReferenceCells ReferenceCells(const uint8_t* token, int sheet, int col, int row) {
  TcxReferenceCells cells;
  const uint8_t id = token[0];
  const bool is3d = id == ptgRef3d || id == ptgArea3d;
  const uint8_t* p = token;
  cells.Sheet = sheet;
  if (is3d) {
    cells.Sheet = ReadUInt16(token + 1);
    p += k3dShift;
  }
  const int64_t baseRow = is3d ? 0 : row;
  const int64_t baseCol = is3d ? 0 : col;
  if (id == ptgRef || id == ptgRef3d) {
    cells.FirstRow = cells.LastRow = ReadInt32(p + kRefRow) + (p[kRefRowAbs] ? 0 : baseRow);
    cells.FirstCol = cells.LastCol = ReadInt32(p + kRefCol) + (p[kRefColAbs] ? 0 : baseCol);
  } else {
    cells.FirstRow = ReadInt32(p + kAreaFirstRow) + (p[kAreaFirstRowAbs] ? 0 : baseRow);
    cells.LastRow = ReadInt32(p + kAreaLastRow) + (p[kAreaLastRowAbs] ? 0 : baseRow);
    cells.FirstCol = ReadInt32(p + kAreaFirstCol) + (p[kAreaFirstColAbs] ? 0 : baseCol);
    cells.LastCol = ReadInt32(p + kAreaLastCol) + (p[kAreaLastColAbs] ? 0 : baseCol);
  }
  return cells;
}

TcxResultValue ReadResult(const TcxTokenString& result) {
  TcxResultValue value;
  if (result.empty()) return value;
  if (result.size() == 1) {
    value.Kind = rkError;
    value.Error = result[0];
    return value;
  }
  switch (result[0]) {
    case ptgStr:
      value.Kind = rkText;
      value.Text = StringTokenText(result.data(), result.size());
      break;
    case ptgBool:
      value.Kind = rkBool;
      value.Bool = result[1] != 0;
      break;
    case ptgNum:
      if (result.size() >= 9) {
        value.Kind = rkNumber;
        value.Number = ReadDouble(result.data() + 1);
      }
      break;
    default:
      break;
  }
  return value;
}
