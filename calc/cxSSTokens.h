#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "calc/cxSSTypes.h"

// The formula token string: reverse Polish order, close to the BIFF8 parsed-expression format
// but with 32-bit rows and columns. A token is one identifier byte and a payload whose size
// follows from the identifier alone (plus the count byte of ptgStr); integers are
// little-endian. Walking a token string means adding token sizes from offset 0.

enum TcxTokenId : uint8_t {
  ptgAdd = 3,
  ptgSub = 4,
  ptgMul = 5,
  ptgDiv = 6,
  ptgPower = 7,
  ptgConcat = 8,
  ptgLT = 9,
  ptgLE = 10,
  ptgEQ = 11,
  ptgGE = 12,
  ptgGT = 13,
  ptgNE = 14,
  ptgIsect = 15,
  ptgUnion = 16,    // the argument separator while parsing; never stored
  ptgRange = 17,
  ptgUplus = 18,    // dropped by the parser
  ptgUminus = 19,
  ptgPercent = 20,
  ptgParen = 21,    // display only
  ptgMissArg = 22,  // no value: an empty element of an array
  ptgStr = 23,
  ptgErr = 28,      // an error value
  ptgBool = 29,
  ptgNum = 31,
  ptgArray = 32,    // an array value: see kArrayHeaderSize
  ptgRefList = 48,  // evaluation only: the areas of a union of references, see kArrayHeaderSize
  ptgName = 35,
  ptgRef = 36,
  ptgArea = 37,
  ptgNameX = 57,    // a name outside the workbook: an add-in function or another workbook's name
  ptgRef3d = 58,
  ptgArea3d = 59,
  ptgRefX = 60,     // cells of another workbook
  ptgAreaX = 61,
  ptgFuncVar = 66,
  // A reference to cells that are gone, as a file holds it (no payload): the error "#REF!" in
  // the place of a reference, which a save writes back as such.
  ptgRefErr = 42,
  ptgAreaErr = 43,
  // The same on a sheet (16-bit sheet index, kDeletedSheet for one that is gone).
  ptgRefErr3d = 62,
  ptgAreaErr3d = 63,
};

// Fixed sizes (identifier byte included); ptgStr is 3 + 2 × count. Every identifier not listed
// is a one-byte token.
struct TcxTokenLayout {
  uint8_t Id;
  uint8_t Size;
  std::string_view Payload;
};

inline constexpr TcxTokenLayout kTokenLayouts[] = {
    {ptgStr, 3, "count byte n, flags byte (1 when n > 0), n UTF-16 code units"},
    {ptgErr, 2, "byte internal error code (1..7)"},
    {ptgBool, 2, "byte 0 or 1"},
    {ptgNum, 9, "IEEE double"},
    {ptgName, 3, "16-bit index into the defined names"},
    {ptgRef, 11, "row-abs byte, col-abs byte, 32-bit row, 32-bit column"},
    {ptgArea, 21, "4 abs bytes (first row, last row, first col, last col), 4 × 32-bit in that order"},
    {ptgNameX, 3, "16-bit index into the workbook's external names"},
    {ptgRef3d, 13, "16-bit sheet, then the ptgRef payload"},
    {ptgArea3d, 23, "16-bit sheet, then the ptgArea payload"},
    {ptgRefX, 13, "16-bit index into the workbook's external sheets, then the ptgRef payload"},
    {ptgAreaX, 23, "16-bit index into the workbook's external sheets, then the ptgArea payload"},
    {ptgFuncVar, 4, "byte argument count, 16-bit function number"},
    {ptgRefErr3d, 3, "16-bit sheet"},
    {ptgAreaErr3d, 3, "16-bit sheet"},
};

// Whether a token is one of the reference errors (ptgRefErr, ptgAreaErr and their 3-D forms).
constexpr bool IsReferenceError(uint8_t id) {
  return id == ptgRefErr || id == ptgAreaErr || id == ptgRefErr3d || id == ptgAreaErr3d;
}

// Function number 255 (as in the file format) calls the function its first operand names: a
// ptgNameX (an add-in function) or a ptgName (a macro or newer function the file names).
inline constexpr uint16_t kNamedFunction = 255;

// Payload offsets (from the identifier byte) of the reference layouts.
inline constexpr size_t kRefRowAbs = 1, kRefColAbs = 2, kRefRow = 3, kRefCol = 7;
inline constexpr size_t kAreaFirstRowAbs = 1, kAreaLastRowAbs = 2, kAreaFirstColAbs = 3,
                        kAreaLastColAbs = 4, kAreaFirstRow = 5, kAreaLastRow = 9,
                        kAreaFirstCol = 13, kAreaLastCol = 17;
// An array value: the identifier, a 32-bit size of everything after these five bytes, a 32-bit
// column count, a 32-bit row count, then columns × rows values row by row, each a ptgNum,
// ptgStr (short or long form), ptgBool, ptgErr or ptgMissArg token. Only an array's header is
// found from its identifier; its size is read from the header.
inline constexpr size_t kArrayHeaderSize = 5, kArrayCols = 5, kArrayRows = 9,
                        kArrayValues = 13;
// A list of references (the value of a union) has the header of an array value: the identifier
// and a 32-bit size of the ptgRef3d and ptgArea3d tokens that follow, absolute, one per area.
// A 3-D token (and a reference into another workbook) has its 16-bit sheet index first, then the
// 2-D payload, whose rows and columns are then plain indexes.
inline constexpr size_t k3dShift = 2;
inline constexpr uint16_t kDeletedSheet = 0xFFFF;

// The size of a token from its identifier (and for ptgStr the count byte `next`); for ptgArray
// the size of its header.
constexpr size_t TokenSizeOf(uint8_t id, uint8_t next) {
  if (id == ptgStr) return 3 + 2 * static_cast<size_t>(next);
  if (id == ptgArray || id == ptgRefList) return kArrayHeaderSize;
  for (const auto& layout : kTokenLayouts)
    if (layout.Id == id) return layout.Size;
  return 1;
}

// Little-endian access to payload fields; the caller has checked the token's size.
inline int32_t ReadInt32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t ReadUInt16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline double ReadDouble(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
  double x;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}
inline void WriteInt32(uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}
inline void WriteUInt16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteDouble(uint8_t* p, double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// The size of the token at `offset`, or 0 when the token does not fit in `size` bytes (a
// damaged token string ends there).
inline size_t TokenSizeAt(const uint8_t* data, size_t size, size_t offset) {
  if (offset >= size) return 0;
  const uint8_t id = data[offset];
  if (id == ptgStr && offset + 1 >= size) return 0;
  if (id == ptgArray || id == ptgRefList) {
    if (size - offset < kArrayHeaderSize) return 0;
    const size_t n = kArrayHeaderSize + static_cast<uint32_t>(ReadInt32(data + offset + 1));
    return n <= size - offset ? n : 0;
  }
  const size_t n = TokenSizeOf(id, id == ptgStr ? data[offset + 1] : 0);
  return n <= size - offset ? n : 0;
}

inline size_t TokenSizeAt(const TcxTokenString& tokens, size_t offset) {
  return TokenSizeAt(tokens.data(), tokens.size(), offset);
}

// The cells a reference token (ptgRef, ptgArea, ptgRef3d or ptgArea3d) names in a formula of
// cell (col, row) of sheet `sheet`: relative parts count from that cell; a 3-D reference names
// its own sheet, by absolute rows and columns. Corners as written (not ordered), not checked.
struct TcxReferenceCells {
  int Sheet = 0;
  int64_t FirstCol = 0, FirstRow = 0, LastCol = 0, LastRow = 0;
};
TcxReferenceCells ReferenceCells(const uint8_t* token, int sheet, int col, int row);

// Appending tokens to a token string.
void AppendNumber(TcxTokenString& tokens, double x);
void AppendBool(TcxTokenString& tokens, bool b);
// False (nothing appended) when the text has more than 255 UTF-16 code units.
bool AppendString(TcxTokenString& tokens, std::string_view utf8);
void AppendName(TcxTokenString& tokens, uint16_t index);
void AppendRef(TcxTokenString& tokens, bool rowAbs, bool colAbs, int32_t row, int32_t col);
void AppendArea(TcxTokenString& tokens, bool firstRowAbs, bool lastRowAbs, bool firstColAbs,
                bool lastColAbs, int32_t firstRow, int32_t lastRow, int32_t firstCol,
                int32_t lastCol);
void AppendRef3d(TcxTokenString& tokens, uint16_t sheet, bool rowAbs, bool colAbs, int32_t row,
                 int32_t col);
void AppendArea3d(TcxTokenString& tokens, uint16_t sheet, bool firstRowAbs, bool lastRowAbs,
                  bool firstColAbs, bool lastColAbs, int32_t firstRow, int32_t lastRow,
                  int32_t firstCol, int32_t lastCol);
void AppendFuncVar(TcxTokenString& tokens, uint8_t argCount, uint16_t function);

// The text of a ptgStr token of `size` bytes at `p` (UTF-16 to UTF-8).
std::string StringTokenText(const uint8_t* p, size_t size);

// A formula's cached result: one ptgStr, ptgBool or ptgNum token, or one byte holding an
// internal error code. Text longer than a ptgStr holds (255 code units) is kept whole in a
// long form that only results use: identifier ptgStr, count byte 255, flags byte 0x81, a 32-bit
// code unit count and the code units.
enum TcxResultKind : uint8_t { rkNone, rkError, rkText, rkBool, rkNumber };
struct TcxResultValue {
  TcxResultKind Kind = rkNone;
  uint8_t Error = 0;
  bool Bool = false;
  double Number = 0;
  std::string Text;
};
TcxTokenString MakeTextResult(std::string_view utf8);
TcxTokenString MakeNumberResult(double x);
// Replace `result` by a number (a truth value) result in its own storage, which a formula
// calculated again then reuses.
void SetNumberResult(TcxTokenString& result, double x);
void SetBoolResult(TcxTokenString& result, bool b);
TcxTokenString MakeBoolResult(bool b);
TcxTokenString MakeErrorResult(uint8_t code);
TcxResultValue ReadResult(const TcxTokenString& result);
