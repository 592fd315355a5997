#include "xls/cxFormulaReader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "calc/cxSSFunctionTable.h"
#include "calc/cxExcelFunctions.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes operator+(const TBytes& a, const TBytes& b) {
  TBytes sum;
  sum.reserve(a.size() + b.size());
  for (uint8_t x : a) sum.push_back(x);
  for (uint8_t x : b) sum.push_back(x);
  return sum;
}

// Token builders (little-endian payloads as BIFF8 stores them).
TBytes U16(unsigned v) { return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}; }
TBytes Ref(unsigned row, unsigned colField, uint8_t id = 0x24) { return TBytes{id} + U16(row) + U16(colField); }
TBytes RefN(unsigned row, unsigned colField) { return Ref(row, colField, 0x2C); }
TBytes Area(unsigned r1, unsigned r2, unsigned c1, unsigned c2, uint8_t id = 0x25) {
  return TBytes{id} + U16(r1) + U16(r2) + U16(c1) + U16(c2);
}
TBytes Ref3d(unsigned ixti, unsigned row, unsigned col) { return TBytes{0x3A} + U16(ixti) + U16(row) + U16(col); }
TBytes Int(unsigned v) { return TBytes{0x1E} + U16(v); }
TBytes Double(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  TBytes b;
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  return b;
}
TBytes Num(double x) { return TBytes{0x1F} + Double(x); }
TBytes Str(const std::string& s) {
  TBytes b(3 + s.size());
  b[0] = 0x17;
  b[1] = static_cast<uint8_t>(s.size());
  for (size_t i = 0; i < s.size(); ++i) b[3 + i] = static_cast<uint8_t>(s[i]);
  return b;
}
TBytes Func(unsigned number) { return TBytes{0x41} + U16(number); }
TBytes FuncVar(uint8_t args, unsigned number) { return TBytes{0x42, args} + U16(number); }
TBytes Err(uint8_t code) { return {0x1C, code}; }
TBytes Bool(bool b) { return {0x1D, static_cast<uint8_t>(b)}; }
TBytes Name(unsigned index) { return TBytes{0x43} + U16(index) + U16(0); }
TBytes NameX(unsigned ixti, unsigned index) { return TBytes{0x59} + U16(ixti) + U16(index) + U16(0); }
TBytes Attr(uint8_t options, unsigned value) { return TBytes{0x19, options} + U16(value); }
const TBytes kAdd{0x03}, kMul{0x05}, kConcat{0x08}, kGt{0x0D}, kEq{0x0B}, kUnion{0x10},
    kUminus{0x13}, kPercent{0x14}, kParen{0x15}, kMissArg{0x16};

struct TCase {
  const char* What;
  TBytes Tokens;
  TcxFormulaOutcome Outcome;
  const char* Text;  // foFormula and foUnsupported: the text; otherwise the detail
  TBytes Extra = {};
  int Col = 0;
  int Row = 0;
};

TcxFormulaContext MakeContext(const TRegionalSettings& settings) {
  TcxFormulaContext context;
  context.Settings = settings;
  context.SheetNames = {"Sheet1", "My Sheet", "Chart1", "Data"};
  // 0: this workbook, 1: add-in functions, 2: another workbook
  context.SupBooks = {{sbkSelf, {}}, {sbkAddIn, {"EUROCONVERT", "ABS"}}, {sbkExternal, {"Rate"}}};
  context.ExternSheets = {{0, 0, 0}, {0, 1, 1}, {0, 3, 3}, {1, 0xFFFE, 0xFFFE},
                          {0, 0, 3}, {0, 0xFFFF, 0xFFFF}, {2, 0, 0}};
  context.Names = {"Rates", "Macro1"};
  context.NameDefined = {true, false};
  return context;
}

void RunCases(const std::vector<TCase>& cases, const TRegionalSettings& settings) {
  const TcxFormulaContext context = MakeContext(settings);
  const TcxFormulaReader reader(context);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    const TcxDecodedFormula decoded = reader.Decode(c.Col, c.Row, c.Tokens, c.Extra);
    EXPECT_EQ(decoded.Outcome, c.Outcome) << decoded.Text << " / " << decoded.Detail;
    if (c.Outcome == foFormula || c.Outcome == foUnsupported)
      EXPECT_EQ(decoded.Text, c.Text) << decoded.Detail;
    else
      EXPECT_EQ(decoded.Detail, c.Text);
  }
}

TEST(TcxFormulaReader, DecodesOperandsAndOperators) {
  RunCases(
      {
          {"relative column, absolute row", Ref(0, 0x4002), foFormula, "=C$1"},
          {"absolute cell", Ref(4, 1), foFormula, "=$B$5"},
          {"relative cell", Ref(4, 0xC001), foFormula, "=B5"},
          {"an unsigned integer", Int(40000), foFormula, "=40000"},
          {"a number and a percent", Num(0.5) + kPercent, foFormula, "=0.5%"},
          {"a string with a quote", Str("a\"b"), foFormula, "=\"a\"\"b\""},
          {"a boolean", Bool(true), foFormula, "=TRUE"},
          {"an area", Area(0, 2, 0xC000, 0xC001), foFormula, "=A1:B3"},
          {"operators keep the tokens' grouping",
           Ref(0, 0xC000) + Ref(0, 0xC001) + Ref(0, 0xC002) + kConcat + kEq, foFormula,
           "=A1=(B1&C1)"},
          {"a sum times a cell without ptgParen",
           Ref(0, 0xC000) + Ref(0, 0xC001) + kAdd + Ref(0, 0xC002) + kMul, foFormula,
           "=(A1+B1)*C1"},
          {"stored parentheses", Ref(0, 0xC000) + Ref(0, 0xC001) + kAdd + kParen, foFormula,
           "=(A1+B1)"},
          {"minus of a sum", Ref(0, 0xC000) + Ref(0, 0xC001) + kAdd + kUminus, foFormula,
           "=-(A1+B1)"},
          {"an error constant does not end the formula",
           Ref(0, 0xC000) + Int(0) + kGt + Ref(0, 0xC000) + Err(0x2A) + FuncVar(3, 1), foFormula,
           "=IF(A1>0,A1,#N/A)"},
          {"IF with two arguments gets FALSE", Ref(0, 0xC000) + Int(0) + kGt + Int(1) + FuncVar(2, 1),
           foFormula, "=IF(A1>0,1,FALSE)"},
          {"a missing argument stays empty", Ref(0, 0xC000) + kMissArg + Int(2) + FuncVar(3, 1),
           foFormula, "=IF(A1,,2)"},
          {"missing arguments first and last",
           kMissArg + Int(1) + kMissArg + FuncVar(3, 4), foFormula, "=SUM(,1,)"},
          {"a fixed-argument function", Ref(0, 0xC000) + Func(24), foFormula, "=ABS(A1)"},
          {"a function of no arguments", FuncVar(0, 4), foFormula, "=SUM()"},
          {"the sum attribute", Area(0, 2, 0xC000, 0xC000) + Attr(0x10, 0), foFormula,
           "=SUM(A1:A3)"},
          {"space, volatile, if and skip attributes change nothing",
           Attr(0x40, 0x0100) + Attr(0x01, 0) + Ref(0, 0xC000) + Attr(0x02, 4) + Int(1) +
               Attr(0x08, 3) + Int(2) + Attr(0x08, 3) + FuncVar(3, 1),
           foFormula, "=IF(A1,1,2)"},
          {"memory function tokens wrap what follows",
           TBytes{0x29} + U16(11) + Ref(0, 0xC000) + Ref(1, 0xC000) + FuncVar(2, 4), foFormula,
           "=SUM(A1,A2)"},
          {"a memory area's cached list is skipped",
           TBytes{0x26, 0, 0, 0, 0} + U16(9) + Area(0, 1, 0xC000, 0xC000) + FuncVar(1, 4),
           foFormula, "=SUM(A1:A2)", U16(1) + U16(0) + U16(1) + U16(0) + U16(0)},
          {"a defined name", Name(1) + FuncVar(1, 4), foFormula, "=SUM(Rates)"},
          {"a name of this workbook through ptgNameX", NameX(0, 1), foFormula, "=Rates"},
          {"every error constant as Excel writes it",
           Err(0x00) + Err(0x07) + Err(0x0F) + Err(0x17) + Err(0x1D) + Err(0x24) + Err(0x2A) +
               FuncVar(7, 4),
           foFormula, "=SUM(#NULL!,#DIV/0!,#VALUE!,#REF!,#NAME?,#NUM!,#N/A)"},
          // A cell's formula keeps such references with the file's tokens, which formula text
          // cannot say.
          {"references to deleted cells are #REF!",
           TBytes{0x2A, 0, 0, 0, 0} + TBytes{0x4B, 0, 0, 0, 0, 0, 0, 0, 0} +
               TBytes{0x3C} + U16(0) + U16(0) + U16(0) +
               TBytes{0x7D} + U16(6) + U16(0) + U16(0) + U16(0) + U16(0) + FuncVar(4, 4),
           foUnsupported, "=SUM(#REF!,#REF!,#REF!,#REF!)"},
          {"the choose attribute's jump table is skipped",
           Int(2) + Attr(0x04, 2) + U16(6) + U16(10) + U16(14) + Str("a") + Attr(0x08, 7) +
               Str("b") + Attr(0x08, 3) + FuncVar(3, 100),
           foFormula, "=CHOOSE(2,\"a\",\"b\")"},
          {"memory error and no-memory tokens wrap what follows",
           TBytes{0x27, 0, 0, 0, 0} + U16(3) + TBytes{0x2A, 0, 0, 0, 0} + kParen +
               TBytes{0x28, 0, 0, 0, 0} + U16(3) + Ref(0, 0xC000) + kParen + kAdd,
           foUnsupported, "=(#REF!)+(A1)"},
          {"relative references of the name class", Ref(1, 0xC001, 0x4C) + Ref(1, 0xC001, 0x6C) +
               TBytes{0x4D} + U16(0) + U16(1) + U16(0xC000) + U16(0xC001) + FuncVar(3, 4),
           foFormula, "=SUM(B2,B2,A1:B2)"},
      },
      TRegionalSettings::English());
}

std::string Repeat(std::string_view text, size_t count) {
  std::string out;
  out.reserve(text.size() * count);
  for (size_t i = 0; i < count; ++i) out += text;
  return out;
}

TBytes Repeat(const TBytes& tokens, size_t count) {
  TBytes out;
  out.reserve(tokens.size() * count);
  for (size_t i = 0; i < count; ++i) out.insert(out.end(), tokens.begin(), tokens.end());
  return out;
}

// Formulas nested as deep as one record's 65,535 token bytes allow decode in time linear in
// their size: growing an operand at its front once copied it whole, so that each of these took
// up to a second and a workbook of twenty of them nine. A column of 40 cells of each decodes
// (its text and its shape).
TEST(TcxFormulaReader, DecodesFormulasNestedAsDeepAsARecordHolds) {
  constexpr size_t kParens = 65000;
  constexpr size_t kSums = 13000;   // 1+(1+(1+…)), each level 4 bytes
  constexpr size_t kCalls = 21000;  // ABS(ABS(…)), each level 3 bytes
  const struct {
    const char* What;
    TBytes Tokens;
    std::string Text;
  } cases[] = {
      {"parentheses", Int(1) + Repeat(kParen, kParens),
       "=" + Repeat("(", kParens) + "1" + Repeat(")", kParens)},
      {"sums nested to the right", Repeat(Int(1), kSums + 1) + Repeat(kAdd, kSums),
       "=" + Repeat("1+(", kSums - 1) + "1+1" + Repeat(")", kSums - 1)},
      {"sums nested to the left", Int(1) + Repeat(Int(1) + kAdd, kSums), "=1" + Repeat("+1", kSums)},
      {"calls", Int(1) + Repeat(Func(24), kCalls),
       "=" + Repeat("ABS(", kCalls) + "1" + Repeat(")", kCalls)},
      {"signs around parentheses", Int(1) + Repeat(kParen + kUminus, kParens / 2),
       "=" + Repeat("-(", kParens / 2) + "1" + Repeat(")", kParens / 2)},
  };
  const TcxFormulaContext context = MakeContext(TRegionalSettings::English());
  const TcxFormulaReader reader(context);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ASSERT_LE(c.Tokens.size(), 65535u);
    for (int row = 0; row < 40; ++row) {
      const TcxDecodedFormula decoded = reader.Decode(0, row, c.Tokens);
      ASSERT_EQ(decoded.Outcome, foFormula) << decoded.Detail;
      EXPECT_TRUE(decoded.Text == c.Text) << decoded.Text.substr(0, 40) << " …";
      EXPECT_TRUE(reader.ShapeKey(0, row, c.Tokens) == c.Text);
    }
  }
}

TEST(TcxFormulaReader, UsesTheLocaleSeparators) {
  RunCases(
      {
          {"IF with the Serbian list separator", Ref(0, 0xC000) + Int(0) + kGt + Int(1) + FuncVar(2, 1),
           foFormula, "=IF(A1>0;1;FALSE)"},
          {"the Serbian decimal separator", Num(0.5) + kPercent, foFormula, "=0,5%"},
          {"a missing argument", Ref(0, 0xC000) + kMissArg + Int(2) + FuncVar(3, 1), foFormula,
           "=IF(A1;;2)"},
      },
      TRegionalSettings::Serbian());
}

TEST(TcxFormulaReader, ResolvesSheetsAndRelativeReferences) {
  RunCases(
      {
          {"a sheet with a blank is quoted", Ref3d(1, 0, 0), foFormula, "='My Sheet'!$A$1"},
          {"the link table counts chart sheets too", Ref3d(2, 0, 0xC000), foFormula, "=Data!A1"},
          {"an area of another sheet", TBytes{0x3B} + U16(0) + U16(0) + U16(3) + U16(0) + U16(0),
           foFormula, "=Sheet1!$A$1:$A$4"},
          {"shared formula offsets", RefN(0xFFFF, 0xC0FF), foFormula, "=B3", {}, 2, 3},
          {"absolute parts of a shared formula", RefN(5, 0x8002), foFormula, "=$C9", {}, 2, 3},
          {"columns wrap around at 256", RefN(0, 0x4002), foFormula, "=B$1", {}, 255, 0},
          {"a relative area", TBytes{0x2D} + U16(0) + U16(1) + U16(0xC000) + U16(0xC001),
           foFormula, "=C4:D5", {}, 2, 3},
      },
      TRegionalSettings::English());
}

// Names as cells use them: a page's own name is written with its page on another page; and the
// formulas of names, whose references are relative to the cell using the name (written from
// A1, wrapping around at the sheet's edges), may be unions, and name a deleted sheet as #REF!.
TEST(TcxFormulaReader, DecodesNamesAndTheFormulasOfNames) {
  TcxFormulaContext context = MakeContext(TRegionalSettings::English());
  //  1 Rates (workbook), 2 Macro1 (a function's), 3 Total of page 1 (My Sheet)
  context.Names.push_back("Total");
  context.NamePages = {-1, -1, 1};
  context.QualifiedNames = {"Rates", "Macro1", "'My Sheet'!Total"};
  context.NameDefined.push_back(true);
  const TcxFormulaReader reader(context);
  const TBytes area3d = TBytes{0x3B} + U16(0) + U16(0) + U16(3) + U16(0) + U16(1);
  const struct {
    const char* What;
    TBytes Tokens;
    bool NameFormula;
    int Page;
    const char* Text;
  } cases[] = {
      {"a page's own name on its page", Name(3), false, 1, "=Total"},
      {"a page's own name elsewhere", Name(3) + Name(1) + kAdd, false, 0,
       "='My Sheet'!Total+Rates"},
      {"relative parts count from the cell using the name", Ref3d(0, 0xFFFF, 0xC0FF), true, -1,
       "=Sheet1!IV65536"},
      {"absolute parts stay", Ref3d(0, 4, 0x0002), true, -1, "=Sheet1!$C$5"},
      {"a union of areas", area3d + Ref3d(2, 0, 0) + kUnion, true, -1,
       "=Sheet1!$A$1:$B$4,Data!$A$1"},
      {"a deleted sheet", Ref3d(5, 0, 0) + Int(1) + kAdd, true, -1, "=#REF!+1"},
      {"a name of the name's own page", Name(3), true, 1, "=Total"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const TcxDecodedFormula decoded = c.NameFormula ? reader.DecodeName(c.Tokens, {}, c.Page)
                                                    : reader.Decode(0, 0, c.Tokens, {}, c.Page);
    EXPECT_EQ(decoded.Outcome, foFormula) << decoded.Detail;
    EXPECT_EQ(decoded.Text, c.Text);
  }
  // A union is a name's; in a cell the workbook cannot hold it.
  EXPECT_EQ(reader.Decode(0, 0, area3d + Ref3d(2, 0, 0) + kUnion).Outcome, foUnsupported);
}

// Two cells share a shape exactly when the workbook's parser gives their formulas the same
// tokens: references of the cell's own sheet relative to the cell, other sheets' absolute. Token
// keys stand in for the shapes of plain formulas: two cells with the same token key always have
// the same shape, so that the tokens parsed for one can serve the other.
TEST(TcxFormulaReader, ShapeAndTokenKeysMatchFormulasMovedWithTheirCell) {
  const TcxFormulaContext context = MakeContext(TRegionalSettings::English());
  const TcxFormulaReader reader(context);
  const unsigned rel = 0xC000;  // row and column relative
  enum TTokenKeys { kSameKey, kOtherKey, kNoKey };
  const struct {
    const char* What;
    TBytes A;  // in (ColA, RowA)
    int ColA, RowA;
    TBytes B;  // in (ColB, RowB)
    int ColB, RowB;
    bool SameShape;
    TTokenKeys TokenKeys;
  } cases[] = {
      {"A5*2+B5 in J5 and A6*2+B6 in J6",
       Ref(4, rel) + Int(2) + kMul + Ref(4, rel | 1) + kAdd, 9, 4,
       Ref(5, rel) + Int(2) + kMul + Ref(5, rel | 1) + kAdd, 9, 5, true, kSameKey},
      {"filled across: B1 in C1, C1 in D1", Ref(0, rel | 1), 2, 0, Ref(0, rel | 2), 3, 0, true,
       kSameKey},
      {"a relative reference one row further away", Ref(4, rel), 9, 4, Ref(4, rel), 9, 5, false,
       kOtherKey},
      {"an absolute reference stays put", Ref(4, 0), 9, 4, Ref(4, 0), 9, 5, true, kSameKey},
      {"an absolute reference elsewhere", Ref(4, 0), 9, 4, Ref(5, 0), 9, 5, false, kOtherKey},
      {"a relative row and an absolute one", Ref(4, 0x8000), 9, 4, Ref(5, 0x4000), 9, 5, false,
       kOtherKey},
      {"a relative area filled down", Area(0, 9, rel, rel | 1) + FuncVar(1, 4), 5, 10,
       Area(1, 10, rel, rel | 1) + FuncVar(1, 4), 5, 11, true, kSameKey},
      {"a shared formula's offsets and a plain formula's cells", RefN(0xFFFF, 0xC0FF), 2, 3,
       Ref(2, rel | 1), 2, 3, true, kNoKey},
      {"another sheet's cell is absolute", Ref3d(2, 4, rel), 9, 4, Ref3d(2, 5, rel), 9, 5, false,
       kNoKey},
      {"the same cell of another sheet", Ref3d(2, 4, rel), 9, 4, Ref3d(2, 4, rel), 9, 5, true,
       kNoKey},
      {"different constants", Ref(4, rel) + Int(2) + kMul, 9, 4, Ref(5, rel) + Int(3) + kMul, 9,
       5, false, kOtherKey},
      {"different numbers", Num(0.5), 0, 0, Num(0.25), 0, 1, false, kOtherKey},
      {"the same text", Str("a\"b") + Ref(0, rel) + kConcat, 1, 0,
       Str("a\"b") + Ref(1, rel) + kConcat, 1, 1, true, kSameKey},
      {"different texts", Str("ab"), 1, 0, Str("ac"), 1, 1, false, kOtherKey},
      {"different functions", Ref(0, rel) + Func(24), 1, 0, Ref(1, rel) + Func(25), 1, 1, false,
       kOtherKey},
      {"a defined name", Name(1) + Ref(0, rel) + kAdd, 1, 0, Name(1) + Ref(1, rel) + kAdd, 1, 1,
       true, kSameKey},
      {"a name and a number", Name(1), 1, 0, Int(1), 1, 1, false, kOtherKey},
      // One shape, told apart by the token keys: that only costs a second parse.
      {"SUM as an attribute and as a function", Ref(0, rel) + Attr(0x10, 0), 1, 0,
       Ref(1, rel) + FuncVar(1, 4), 1, 1, true, kOtherKey},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const std::string a = reader.ShapeKey(c.ColA, c.RowA, c.A);
    const std::string b = reader.ShapeKey(c.ColB, c.RowB, c.B);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(a == b, c.SameShape) << a << " / " << b;
    const std::string tokenA = TcxFormulaReader::TokenKey(c.ColA, c.RowA, c.A);
    const std::string tokenB = TcxFormulaReader::TokenKey(c.ColB, c.RowB, c.B);
    if (c.TokenKeys == kNoKey) {
      EXPECT_TRUE(tokenA.empty() || tokenB.empty());
    } else {
      ASSERT_FALSE(tokenA.empty());
      ASSERT_FALSE(tokenB.empty());
      EXPECT_EQ(tokenA == tokenB, c.TokenKeys == kSameKey);
    }
  }
  // No shape where the parse could depend on the place: an area with one relative and one
  // absolute corner, tokens that make no formula, a cell of a shared formula.
  EXPECT_EQ(reader.ShapeKey(0, 9, Area(0, 4, 0, 0 | rel)), "");
  EXPECT_EQ(reader.ShapeKey(0, 9, Ref(4, rel) + kAdd), "");
  EXPECT_EQ(reader.ShapeKey(0, 9, TBytes{0x01} + U16(0) + U16(0)), "");
  EXPECT_NE(reader.ShapeKey(0, 9, Area(0, 4, rel, rel | 1)), "");
  // No token key for what only the full decoding can tell: the mixed area, a column beyond the
  // 256th, a cell of a shared formula, shared-formula offsets, other sheets, CHOOSE's jump
  // table, a token cut short.
  const struct {
    const char* What;
    TBytes Tokens;
  } refused[] = {
      {"mixed corners", Area(0, 4, 0, 0 | rel)},
      {"column 300", Ref(0, rel | 300)},
      {"a shared formula's cell", TBytes{0x01} + U16(0) + U16(0)},
      {"shared-formula offsets", RefN(0xFFFF, 0xC0FF)},
      {"another sheet", Ref3d(2, 4, rel)},
      {"CHOOSE", Int(1) + Attr(0x04, 1) + U16(4) + U16(8)},
      {"a reference cut short", TBytes{0x24, 0, 0, 0}},
      {"a text cut short", TBytes{0x17, 5, 0, 'a'}},
  };
  for (const auto& r : refused)
    EXPECT_EQ(TcxFormulaReader::TokenKey(0, 9, r.Tokens), "") << r.What;
}

TEST(TcxFormulaReader, ReportsWhatTheWorkbookCannotHold) {
  RunCases(
      {
          {"a deleted sheet", Ref3d(5, 0, 0), foUnsupported, "=#REF!$A$1"},
          {"several sheets", Ref3d(4, 0, 0), foUnsupported, "=Sheet1:Data!$A$1"},
          {"another workbook", Ref3d(6, 0, 0), foUnsupported, "=[2]!$A$1"},
          {"a name that could not be defined", Name(2), foUnsupported, "=Macro1"},
          {"a union", Ref(0, 0xC000) + Ref(1, 0xC000) + kUnion + kParen + FuncVar(1, 4),
           foUnsupported, "=SUM((A1,A2))"},
          {"an array constant", TBytes{0x60, 0, 0, 0, 0, 0, 0, 0} + FuncVar(1, 4), foUnsupported,
           "=SUM({1,\"x\";TRUE,#DIV/0!})",
           // two columns, two rows: 1, "x", TRUE, #DIV/0!
           TBytes{1} + U16(1) + TBytes{0x01} + Double(1) + TBytes{0x02} + U16(1) + TBytes{0, 'x'} +
               TBytes{0x04, 1, 0, 0, 0, 0, 0, 0, 0} + TBytes{0x10, 0x07, 0, 0, 0, 0, 0, 0, 0}},
      },
      TRegionalSettings::English());
}

TEST(TcxFormulaReader, CallsAddInFunctionsByName) {
  RunCases(
      {
          {"an add-in function the library has", NameX(3, 2) + Ref(0, 0xC000) + FuncVar(2, 255),
           foFormula, "=ABS(A1)"},
          {"an add-in function the library lacks", NameX(3, 1) + Ref(0, 0xC000) + Ref(1, 0xC000) +
               FuncVar(3, 255),
           foUnknownFunction, "EUROCONVERT"},
          {"a macro function named by an undefined name", Name(2) + FuncVar(1, 255),
           foUnknownFunction, "Macro1"},
          {"a built-in function the library lacks", Ref(0, 0xC000) + Func(368),
           foUnknownFunction, "BAHTTEXT"},
          {"an unnumbered function", Ref(0, 0xC000) + Func(9999), foUnknownFunction,
           "function 9999"},
      },
      TRegionalSettings::English());
}

TEST(TcxFormulaReader, PointsSharedAndTableCellsAtTheirAnchor) {
  const TcxFormulaContext context = MakeContext(TRegionalSettings::English());
  const TcxFormulaReader reader(context);
  const TcxDecodedFormula shared = reader.Decode(3, 9, TBytes{0x01} + U16(7) + U16(2));
  EXPECT_EQ(shared.Outcome, foShared);
  EXPECT_EQ(shared.ExpRow, 7);
  EXPECT_EQ(shared.ExpCol, 2);
  EXPECT_EQ(reader.Decode(3, 9, TBytes{0x02} + U16(7) + U16(2)).Outcome, foTable);
}

TEST(TcxFormulaReader, ReportsDamagedTokens) {
  RunCases(
      {
          {"no tokens", {}, foDamaged, "no tokens"},
          {"a token cut short", TBytes{0x24, 0}, foDamaged, "a token is cut short"},
          {"a shared formula reference cut short", TBytes{0x01, 0}, foDamaged,
           "a shared formula reference is cut short"},
          {"an operator without operands", Int(1) + kAdd, foDamaged,
           "an operator or function lacks operands"},
          {"two operands left over", Int(1) + Int(2), foDamaged, "the tokens leave several operands"},
          {"a token of no formula", TBytes{0x30, 0, 0}, foDamaged,
           "token 0x30 does not belong in a cell formula"},
          {"a name index beyond the names", Name(3), foDamaged, "name index 3 is beyond the NAME records"},
          {"a reference index beyond the link table", Ref3d(9, 0, 0), foDamaged,
           "a 3-D reference index is beyond the EXTERNSHEET table"},
          {"a function with too few operands", Int(1) + FuncVar(2, 4), foDamaged,
           "an operator or function lacks operands"},
          {"an unknown error code", Err(3), foDamaged, "an unknown error constant"},
          {"an array constant without its data", TBytes{0x60, 0, 0, 0, 0, 0, 0, 0}, foDamaged,
           "an array constant is cut short"},
      },
      TRegionalSettings::English());
}

// The fixed-argument token carries no count: the function table's file argument count must be
// the file format's fixed count for every function stored that way.
TEST(TcxFormulaReader, FileArgumentCountsMatchTheFileFormat) {
  for (const auto& function : BuiltInFunctions()) {
    const TcxBiffFunction* file = FindBiffFunction(function.Index);
    ASSERT_NE(file, nullptr) << function.Name;
    EXPECT_EQ(file->Name, function.Name);
    if (file->MinArgs == file->MaxArgs) {
      EXPECT_EQ(function.FileArgs, file->MinArgs) << function.Name;
    }
  }
}

}  // namespace
