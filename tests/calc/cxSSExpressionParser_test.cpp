#include "calc/cxSSExpressionParser.h"

#include <gtest/gtest.h>

#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSTokens.h"
#include "tests/calc/FormulaFixture.h"

namespace {

// Token strings written out by hand, to compare byte for byte.
struct Tokens {
  TcxTokenString t;
  Tokens& Num(double x) { AppendNumber(t, x); return *this; }
  Tokens& Bool(bool b) { AppendBool(t, b); return *this; }
  Tokens& Str(const std::string& s) { AppendString(t, s); return *this; }
  Tokens& Ref(int row, int col, bool rowAbs = false, bool colAbs = false) {
    AppendRef(t, rowAbs, colAbs, row, col);
    return *this;
  }
  Tokens& Area(int r1, int r2, int c1, int c2) {
    AppendArea(t, false, false, false, false, r1, r2, c1, c2);
    return *this;
  }
  Tokens& Ref3d(int sheet, int row, int col) {
    AppendRef3d(t, static_cast<uint16_t>(sheet), false, false, row, col);
    return *this;
  }
  Tokens& Area3d(int sheet, int r1, int r2, int c1, int c2) {
    AppendArea3d(t, static_cast<uint16_t>(sheet), false, false, false, false, r1, r2, c1, c2);
    return *this;
  }
  Tokens& Name(int index) { AppendName(t, static_cast<uint16_t>(index)); return *this; }
  Tokens& Func(int args, int number) {
    AppendFuncVar(t, static_cast<uint8_t>(args), static_cast<uint16_t>(number));
    return *this;
  }
  Tokens& Op(uint8_t id) { t.push_back(id); return *this; }
};

class ParserTest : public FormulaFixture {
protected:
  // Parses `text` as the formula of `cell` on sheet 0 without storing it.
  TcxTokenString Parse(const std::string& text, const std::string& cell = "A1") {
    formula = TcxSSFormula();
    const TPoint p = Cell(cell);
    formula.Col = p.X;
    formula.Row = p.Y;
    Cache().Handler().ParseFormula(text, formula);
    return formula.Tokens;
  }
  std::string Rebuild() { return Cache().Handler().FormulaText(formula); }

  TcxSSFormula formula;
};

TEST_F(ParserTest, OperatorsFollowPrecedenceAndGroupToTheLeft) {
  struct Case {
    const char* text;
    TcxTokenString tokens;
    const char* rebuilt;
  } cases[] = {
      {"=1+2*3", Tokens().Num(1).Num(2).Num(3).Op(ptgMul).Op(ptgAdd).t, "=1+2*3"},
      {"=(1+2)*3", Tokens().Num(1).Num(2).Op(ptgAdd).Op(ptgParen).Num(3).Op(ptgMul).t,
       "=(1+2)*3"},
      {"=2^3^2", Tokens().Num(2).Num(3).Op(ptgPower).Num(2).Op(ptgPower).t, "=2^3^2"},
      {"=+5", Tokens().Num(5).t, "=5"},
      {"=1-2-3", Tokens().Num(1).Num(2).Op(ptgSub).Num(3).Op(ptgSub).t, "=1-2-3"},
      {"=--1", Tokens().Num(1).Op(ptgUminus).Op(ptgUminus).t, "=--1"},
      {"=1E-3+1", Tokens().Num(0.001).Num(1).Op(ptgAdd).t, "=0.001+1"},
      {"=2.5e+2", Tokens().Num(250).t, "=250"},
      {"=50%", Tokens().Num(50).Op(ptgPercent).t, "=50%"},
      {"=\"a\"\"b\"", Tokens().Str("a\"b").t, "=\"a\"\"b\""},
      {"=\"x\"&TRUE", Tokens().Str("x").Bool(true).Op(ptgConcat).t, "=\"x\"&TRUE"},
      {"=1<>2", Tokens().Num(1).Num(2).Op(ptgNE).t, "=1<>2"},
      {"=1<=2", Tokens().Num(1).Num(2).Op(ptgLE).t, "=1<=2"},
      {"=1 + 2", Tokens().Num(1).Num(2).Op(ptgAdd).t, "=1+2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.text), c.tokens) << c.text;
    EXPECT_EQ(Rebuild(), c.rebuilt) << c.text;
  }
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(ParserTest, UnaryMinusBindsTighterThanPowerAndComparisonsShareOneLevel) {
  //  C1 holds =-A1^2, which is (-A1)^2
  EXPECT_EQ(Parse("=-A1^2", "C1"),
            Tokens().Ref(0, -2).Op(ptgUminus).Num(2).Op(ptgPower).t);
  // A1=B1&C1 is (A1=B1)&C1.
  EXPECT_EQ(Parse("=A1=B1&C1", "A5"),
            Tokens().Ref(-4, 0).Ref(-4, 1).Op(ptgEQ).Ref(-4, 2).Op(ptgConcat).t);
}

TEST_F(ParserTest, ReferencesAreStoredRelativeToTheFormulasCell) {
  // In a formula at C5, A1 is the offset (-4, -2) and $A$1 the index (0, 0).
  EXPECT_EQ(Parse("=A1+$A$1", "C5"), Tokens().Ref(-4, -2).Ref(0, 0, true, true).Op(ptgAdd).t);
  EXPECT_EQ(Rebuild(), "=A1+$A$1");
  EXPECT_EQ(Parse("=A$1+$A1", "C5"), Tokens().Ref(0, -2, true, false).Ref(-4, 0, false, true)
                                         .Op(ptgAdd).t);
  EXPECT_EQ(Rebuild(), "=A$1+$A1");
  // A0 reads as the first row.
  EXPECT_EQ(Parse("=A0", "A1"), Tokens().Ref(0, 0).t);
  // The same tokens at another place name other cells.
  Parse("=A1", "C5");
  formula.Col = 3;
  formula.Row = 9;
  EXPECT_EQ(Rebuild(), "=B6");
}

TEST_F(ParserTest, FunctionNamesAndAreas) {
  EXPECT_EQ(Parse("=sum(a1:b2)", "A1"), Tokens().Area(0, 1, 0, 1).Func(1, 4).t);
  EXPECT_EQ(Rebuild(), "=SUM(A1:B2)");
  // Blanks around the colon make it the range operator.
  EXPECT_EQ(Parse("=sum(a1 : b2)", "A1"), Tokens().Ref(0, 0).Ref(1, 1).Op(ptgRange).Func(1, 4).t);
  // A blank after the separator leaves the minus unary.
  EXPECT_EQ(Parse("=SUM(1, -2)"), Tokens().Num(1).Num(2).Op(ptgUminus).Func(2, 4).t);
  EXPECT_EQ(Rebuild(), "=SUM(1,-2)");
  EXPECT_EQ(Parse("=PI()"), Tokens().Func(0, 19).t);
  EXPECT_EQ(Rebuild(), "=PI()");
  EXPECT_EQ(Parse("=IF(A1>0,SUM(B1:B3),\"no\")", "C1"),
            Tokens().Ref(0, -2).Num(0).Op(ptgGT).Area(0, 2, -1, -1).Func(1, 4).Str("no")
                .Func(3, 1).t);
  EXPECT_EQ(Rebuild(), "=IF(A1>0,SUM(B1:B3),\"no\")");
}

// An argument left empty is a ptgMissArg of its own, rebuilt as nothing between its separators
// and written to files as the missing-argument token; blanks alone between a function's
// parentheses are no argument.
TEST_F(ParserTest, EmptyArgumentsAreMissingArgumentTokens) {
  struct Case {
    const char* text;
    TcxTokenString tokens;
    const char* rebuilt;
  } cases[] = {
      {"=SUM(1,,2)", Tokens().Num(1).Op(ptgMissArg).Num(2).Func(3, 4).t, "=SUM(1,,2)"},
      {"=IF(A1,,3)", Tokens().Ref(0, -1).Op(ptgMissArg).Num(3).Func(3, 1).t, "=IF(A1,,3)"},
      {"=IF(A1,2,)", Tokens().Ref(0, -1).Num(2).Op(ptgMissArg).Func(3, 1).t, "=IF(A1,2,)"},
      {"=SUM(,1)", Tokens().Op(ptgMissArg).Num(1).Func(2, 4).t, "=SUM(,1)"},
      {"=SUM(,)", Tokens().Op(ptgMissArg).Op(ptgMissArg).Func(2, 4).t, "=SUM(,)"},
      {"=SUM(1, ,2)", Tokens().Num(1).Op(ptgMissArg).Num(2).Func(3, 4).t, "=SUM(1,,2)"},
      {"=ROUND(SUM(1,,2),)",
       Tokens().Num(1).Op(ptgMissArg).Num(2).Func(3, 4).Op(ptgMissArg).Func(2, 27).t,
       "=ROUND(SUM(1,,2),)"},
      {"=PI( )", Tokens().Func(0, 19).t, "=PI()"},
      {"=(1+2)", Tokens().Num(1).Num(2).Op(ptgAdd).Op(ptgParen).t, "=(1+2)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.text, "B1"), c.tokens) << c.text;
    EXPECT_EQ(Rebuild(), c.rebuilt) << c.text;
    EXPECT_TRUE(messages->Messages.empty()) << c.text;
  }
  // In a file the empty argument is the token 0x16.
  Parse("=IF(A1,,3)", "B1");
  TcxTokenString out;
  Cache().ExportTokens(formula, out);
  EXPECT_EQ(out, (TcxTokenString{0x44, 0, 0, 0, 0xC0, 0x16, 0x1F, 0, 0, 0, 0, 0, 0, 8, 0x40, 0x42,
                                 3, 1, 0}));
  // An operand missing beside an operator is no empty argument.
  Parse("=SUM(1+,2)", "B1");
  EXPECT_EQ(formula.Tokens, Tokens().Num(1).Op(ptgAdd).Num(2).Func(2, 4).t);
}

TEST_F(ParserTest, TenNestedParenthesesParseByRecursion) {
  const std::string text = "=" + std::string(10, '(') + "1" + std::string(10, ')');
  TcxTokenString expected = Tokens().Num(1).t;
  expected.insert(expected.end(), 10, ptgParen);
  EXPECT_EQ(Parse(text), expected);
  EXPECT_EQ(Rebuild(), text);
}

TEST_F(ParserTest, DeepNestingIsASyntaxErrorNotACrash) {
  for (const int depth : {300, 5000, 100000}) {
    messages->Messages.clear();
    const std::string text = "=" + std::string(depth, '(') + "1" + std::string(depth, ')');
    EXPECT_TRUE(Parse(text).empty()) << depth;
    EXPECT_EQ(messages->Messages,
              std::vector<std::string>{"Error syntax in string expression"}) << depth;
  }
  messages->Messages.clear();
  std::string calls = "=";
  for (int i = 0; i < 3000; ++i) calls += "ABS(";
  calls += "1" + std::string(3000, ')');
  EXPECT_TRUE(Parse(calls).empty());
  EXPECT_EQ(messages->Messages, std::vector<std::string>{"Error syntax in string expression"});
}

TEST_F(ParserTest, ParseErrorsReportTheirMessages) {
  struct Case {
    std::string text;
    std::vector<std::string> messages;
  } cases[] = {
      {"=(1+2", {"Error - symbol ')' expected!"}},
      {"=1+2)", {"Error - symbol ')' expected!"}},
      {"=)1+2(", {"Error - symbol ')' expected!"}},
      {"=\"abc", {"Error - unterminated string!"}},
      {"=1+xyz", {"Unknown string expression - xyz", "Error syntax in string expression"}},
      {"=A1>>2", {"Unknown string expression - >>", "Error syntax in string expression"}},
      {"=NOSUCH(1)", {"Error syntax in string expression"}},
      {"=\"" + std::string(256, 'x') + "\"", {"Error syntax in string expression"}},
  };
  for (const auto& c : cases) {
    messages->Messages.clear();
    Parse(c.text);
    EXPECT_EQ(messages->Messages, c.messages) << c.text;
  }
  // A string of 255 characters still fits.
  messages->Messages.clear();
  EXPECT_EQ(Parse("=\"" + std::string(255, 'x') + "\"").size(), 3u + 2 * 255);
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(ParserTest, ReferencesMustBeWhole) {
  // Characters after the row number make no reference (Q1Total is not Q1).
  for (const char* text : {"=Q1Total", "=A", "=1A", "=$1", "=A99999999999"}) {
    messages->Messages.clear();
    Parse(text);
    ASSERT_FALSE(messages->Messages.empty()) << text;
    EXPECT_EQ(messages->Messages.back(), "Error syntax in string expression") << text;
  }
}

TEST_F(ParserTest, StringsKeepTheirBlanksAndExclamationMarks) {
  EXPECT_EQ(Parse("=\"Hi!  there\""), Tokens().Str("Hi!  there").t);
  EXPECT_EQ(Parse("=  ==1 "), Tokens().Num(1).t);
}

TEST_F(ParserTest, R1C1ReferencesReadAndRebuildTheirOwnWay) {
  book->SetR1C1ReferenceStyle(true);
  struct Case {
    const char* text;
    TcxTokenString tokens;
    const char* rebuilt;
  } cases[] = {
      {"=R[-1]C", Tokens().Ref(-1, 0).t, "=R[-1]C"},
      {"=R2C3", Tokens().Ref(1, 2, true, true).t, "=R2C3"},
      {"=C[1]", Tokens().Ref(0, 1).t, "=RC[1]"},
      {"=rc[-2]+R1C", Tokens().Ref(0, -2).Ref(0, 0, true, false).Op(ptgAdd).t, "=RC[-2]+R1C"},
      {"=SUM(R1C1:R[2]C[2])",
       [] {
         TcxTokenString t;
         AppendArea(t, true, false, true, false, 0, 2, 0, 2);
         AppendFuncVar(t, 1, 4);
         return t;
       }(),
       "=SUM(R1C1:R[2]C[2])"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.text, "E5"), c.tokens) << c.text;
    EXPECT_EQ(Rebuild(), c.rebuilt) << c.text;
  }
  // Formulas entered in A1 style show in R1C1 style too.
  book->SetR1C1ReferenceStyle(false);
  Parse("=A1+$B$2", "C3");
  book->SetR1C1ReferenceStyle(true);
  EXPECT_EQ(Rebuild(), "=R[-2]C[-2]+R2C2");
  for (const char* bad : {"=R0C1", "=R1", "=R[1C", "=C1X"}) {
    messages->Messages.clear();
    Parse(bad);
    EXPECT_FALSE(messages->Messages.empty()) << bad;
  }
}

TEST_F(ParserTest, SheetQualifiedReferences) {
  book->AddSheet("My Sheet");
  book->AddSheet("Data");
  EXPECT_EQ(Parse("='My Sheet'!A1", "C3"), Tokens().Ref3d(1, 0, 0).t);
  EXPECT_EQ(Rebuild(), "='My Sheet'!A1");
  EXPECT_EQ(Parse("=data!B2:C3+1", "C3"), Tokens().Area3d(2, 1, 2, 1, 2).Num(1).Op(ptgAdd).t);
  EXPECT_EQ(Rebuild(), "=Data!B2:C3+1");
  EXPECT_EQ(Parse("=Data! B2"), Tokens().Ref3d(2, 1, 1).t);
  EXPECT_EQ(Parse("=Data!B2:Data!C3"), Tokens().Area3d(2, 1, 2, 1, 2).t);
  // Sheet names outside ASCII compare without case too.
  book->AddSheet("\xC5\xA0ifre");  // Šifre
  EXPECT_EQ(Parse("=\xC5\xA1ifre!A2"), Tokens().Ref3d(3, 1, 0).t);
  EXPECT_EQ(Rebuild(), "=\xC5\xA0ifre!A2");
  // Quotes around a name without blanks are accepted too.
  EXPECT_EQ(Parse("='Data'!A1"), Tokens().Ref3d(2, 0, 0).t);
  // Without quotes the blank splits the sheet name; another sheet's cell ends no area.
  for (const char* bad : {"=My Sheet!A1", "=Nowhere!A1", "=Data!A1:Sheet1!B2"}) {
    messages->Messages.clear();
    Parse(bad);
    EXPECT_FALSE(messages->Messages.empty()) << bad;
  }
}

TEST_F(ParserTest, DefinedNames) {
  EXPECT_EQ(Cache().AddName("Rate", 0, true, {1, 0, 1, 0}), 0);
  EXPECT_EQ(Cache().AddName("S", 0, true, {0, 0, 0, 0}), 1);
  EXPECT_EQ(Parse("=rate*2"), Tokens().Name(0).Num(2).Op(ptgMul).t);
  EXPECT_EQ(Rebuild(), "=Rate*2");
  // A name that only begins a longer word is not that name: SUM stays a function with S defined.
  EXPECT_EQ(Parse("=SUM(S,RATE)"), Tokens().Name(1).Name(0).Func(2, 4).t);
  EXPECT_EQ(Rebuild(), "=SUM(S,Rate)");
  // A deleted name no longer parses.
  EXPECT_TRUE(Cache().DeleteName("RATE"));
  messages->Messages.clear();
  Parse("=Rate*2");
  EXPECT_EQ(messages->Messages.front(), "Unknown string expression - Rate");
}

TEST_F(ParserTest, SerbianSettingsSeparateArgumentsWithSemicolons) {
  MakeBook(TRegionalSettings::Serbian());
  EXPECT_EQ(Parse("=SUM(1,5;2)"), Tokens().Num(1.5).Num(2).Func(2, 4).t);
  EXPECT_EQ(Rebuild(), "=SUM(1,5;2)");
}

TEST_F(ParserTest, RebuildOfBrokenTokens) {
  formula = TcxSSFormula();
  formula.Tokens = Tokens().Num(1).Op(ptgAdd).t;
  EXPECT_EQ(Rebuild(), "=Missing tokens");
  formula.Tokens = Tokens().Num(1).Num(2).t;
  EXPECT_EQ(Rebuild(), "");
  EXPECT_EQ(messages->Messages.back(),
            "Error constructing formula. Parsed expression error offset at");
  // Damaged token strings from outside: cut tokens, too few arguments, unknown function.
  const TcxTokenString damaged[] = {
      {ptgRef, 0, 0},
      {ptgStr, 200, 1, 'a', 0},
      Tokens().Num(1).Func(3, 4).t,
      Tokens().Num(1).Func(1, 9999).t,
  };
  for (const auto& tokens : damaged) {
    formula.Tokens = tokens;
    EXPECT_EQ(Rebuild(), "");
  }
}

TEST_F(ParserTest, ExportTokensWritesBiff8References) {
  //  formula at C5: =A1+$B$2+Rate+SUM(A1:B2)
  Cache().AddName("Rate", 0, true, {0, 0, 0, 0});
  Parse("=A1+$B$2+Rate+SUM(A1:B2)", "C5");
  TcxTokenString out;
  Cache().ExportTokens(formula, out);
  const TcxTokenString expected = {
      0x44, 0, 0, 0x00, 0xC0,           // tRefV A1: row 0, column 0 relative row and column
      0x44, 1, 0, 1, 0x00,              // tRefV $B$2
      ptgAdd,
      0x43, 1, 0, 0, 0,                 // tNameV, one-based index
      ptgAdd,
      0x25, 0, 0, 1, 0, 0, 0xC0, 1, 0xC0,  // tArea A1:B2
      ptgFuncVar, 1, 4, 0,
      ptgAdd,
  };
  EXPECT_EQ(out, expected);
  // Sheet-qualified references carry their sheet and plain indexes.
  book->AddSheet("Data");
  Parse("=Data!B3+Data!$A$1:C2", "C5");
  Cache().ExportTokens(formula, out);
  const TcxTokenString expected3d = {
      0x5A, 1, 0, 2, 0, 1, 0xC0,                    // tRef3dV Data!B3
      0x5B, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0xC0,        // tArea3dV Data!$A$1:C2 (an operand of +)
      ptgAdd,
  };
  EXPECT_EQ(out, expected3d);
  // A relative reference above the first row is written as a reference error.
  formula.Tokens = Tokens().Ref(-10, 0).t;
  Cache().ExportTokens(formula, out);
  EXPECT_EQ(out, (TcxTokenString{0x4A, 0, 0, 0, 0}));
}

}  // namespace

namespace {

TEST_F(ParserTest, ErrorLiteralsAreTokensOfTheirOwn) {
  struct Case {
    const char* text;
    TcxTokenString tokens;
    const char* rebuilt;
  } cases[] = {
      {"=#N/A", {ptgErr, ecNA}, "=#N/A"},
      {"=#n/a!", {ptgErr, ecNA}, "=#N/A"},  // the shown text is read too
      {"=#NAME?", {ptgErr, ecName}, "=#NAME?"},
      {"=IF(A1>0,A1,#DIV/0!)",
       Tokens().Ref(0, 0).Num(0).Op(ptgGT).Ref(0, 0).Op(ptgErr).Op(ecDivZero).Func(3, 1).t,
       "=IF(A1>0,A1,#DIV/0!)"},
      {"=SUM(#REF!,#NULL!,#VALUE!,#NUM!)",
       {ptgErr, ecRef, ptgErr, ecNull, ptgErr, ecValue, ptgErr, ecNum, ptgFuncVar, 4, 4, 0},
       "=SUM(#REF!,#NULL!,#VALUE!,#NUM!)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Parse(c.text), c.tokens) << c.text;
    EXPECT_EQ(Rebuild(), c.rebuilt) << c.text;
  }
  // An unknown "#" word is still an unknown expression.
  EXPECT_TRUE(Parse("=#FOO!").empty());
}

// Excel gives each reference the operand class its consumer expects, calls functions of a
// fixed argument count with ptgFunc, and writes error literals with their file codes.
TEST_F(ParserTest, ExportTokensWritesOperandClassesAndFixedFunctions) {
  Cache().AddName("Rate", 0, true, {0, 0, 0, 0});
  struct Case {
    const char* text;
    TcxTokenString biff;
  } cases[] = {
      // SUM takes references; ABS a value, with one fixed argument.
      {"=SUM(A1:B2,Rate)+ABS(A1)",
       {0x25, 0, 0, 1, 0, 0, 0xC0, 1, 0xC0, 0x23, 1, 0, 0, 0, 0x42, 2, 4, 0, 0x44, 0, 0, 0, 0xC0,
        0x41, 24, 0, ptgAdd}},
      // An area under an operator is a value; OFFSET's first argument and result are references.
      {"=A1:A2*2", {0x45, 0, 0, 1, 0, 0, 0xC0, 0, 0xC0, 0x1F, 0, 0, 0, 0, 0, 0, 0, 0x40, ptgMul}},
      {"=SUM(OFFSET(A1,1,0))",
       {0x24, 0, 0, 0, 0xC0, 0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0x1F, 0, 0, 0, 0, 0, 0, 0, 0,
        0x22, 3, 78, 0, 0x42, 1, 4, 0}},
      {"=IF(A1,#N/A,#NAME?)", {0x44, 0, 0, 0, 0xC0, 0x1C, 0x2A, 0x1C, 0x1D, 0x42, 3, 1, 0}},
  };
  for (const auto& c : cases) {
    Parse(c.text);
    TcxTokenString out;
    Cache().ExportTokens(formula, out);
    EXPECT_EQ(out, c.biff) << c.text;
  }
}

// A file's link table as the writer would give it: every add-in function is EXTERNNAME 2 of
// EXTERNSHEET entry 3, sheets keep their index, a sheet that is gone is entry 9.
struct TFakeLinks : IcxFormulaLinks {
  std::vector<std::string> AddIns;
  bool SheetRef(int first, int last, uint16_t& refIndex) override {
    refIndex = first == last && first != kDeletedSheet ? static_cast<uint16_t>(first) : 9;
    return true;
  }
  bool AddInFunction(std::string_view name, uint16_t& refIndex, uint16_t& nameIndex) override {
    AddIns.emplace_back(name);
    refIndex = 3;
    nameIndex = 2;
    return true;
  }
  bool ExternalSheet(const TcxSSExternalLinks&, size_t, uint16_t&) override { return false; }
  bool ExternalName(const TcxSSExternalLinks&, size_t, uint16_t&, uint16_t&) override {
    return false;
  }
};

// An add-in function is function 255 whose first operand, placed before the arguments, is the
// ptgNameX naming it in the add-in book's link records; without them the call is "#NAME?".
TEST_F(ParserTest, ExportTokensCallsAddInFunctionsThroughTheirName) {
  Parse("=1+GCD(A1,12)");
  TFakeLinks links;
  std::vector<std::string>& asked = links.AddIns;
  TcxTokenString out;
  Cache().ExportTokens(formula, out, &links);
  const TcxTokenString expected = {
      0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,  // 1
      0x39, 3, 0, 2, 0, 0, 0,              // tNameX: EXTERNSHEET 3, EXTERNNAME 2
      0x24, 0, 0, 0, 0xC0,                 // tRefR A1
      0x1F, 0, 0, 0, 0, 0, 0, 0x28, 0x40,  // 12
      0x42, 3, 0xFF, 0,                    // tFuncVarV 255 of the name and two arguments
      ptgAdd,
  };
  EXPECT_EQ(out, expected);
  EXPECT_EQ(asked, std::vector<std::string>{"GCD"});

  Cache().ExportTokens(formula, out);
  EXPECT_EQ(out, (TcxTokenString{0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0x1C, 0x1D, ptgAdd}));
}

}  // namespace
