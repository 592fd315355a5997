#include "calc/cxSSFunctionHandler.h"

#include <gtest/gtest.h>

#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSTokens.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "tests/calc/FormulaFixture.h"

namespace {

// Stand-ins for library routines, registered in the added list under numbers the file format
// does not use: they exercise the handler's interface the way the library does.
void TestSum(TcxSSFunctionHandler& h) {
  double sum = 0;
  h.ForEachArgument([&sum](const TcxArgumentValue& v) { sum += v.Number; }, amNumber);
  h.PushNumber(sum);
}
void TestJoin(TcxSSFunctionHandler& h) {
  std::string text;
  h.ForEachArgument([&text](const TcxArgumentValue& v) { text = std::string(v.Text) + text; },
                    amText);
  h.PushText(text);
}
void TestCount(TcxSSFunctionHandler& h) {
  h.ForEachArgument([](const TcxArgumentValue&) {}, amText);
  h.PushNumber(h.Count());
}
void TestIf(TcxSSFunctionHandler& h) {
  uint8_t elseKind, thenKind;
  std::string elseText, thenText;
  h.PopValue(elseKind, elseText);
  h.PopValue(thenKind, thenText);
  const bool condition = h.PopBoolean();
  h.PushText(condition ? thenText : elseText);
  h.SetError(0);
}
void TestNothing(TcxSSFunctionHandler& h) { h.SetError(ecNum); }
void TestTwice(TcxSSFunctionHandler& h) {
  // Consumes its arguments twice, as AVERAGE does.
  h.DuplicateArguments(h.ArgCount());
  double first = 0, second = 0;
  h.ForEachArgument([&](const TcxArgumentValue& v) { first += v.Number; }, amNumber);
  h.ForEachArgument([&](const TcxArgumentValue& v) { second += v.Number; }, amNumber);
  h.PushNumber(first * 1000 + second);
}
void TestKind(TcxSSFunctionHandler& h) {
  uint8_t kind;
  std::string text;
  h.PopValue(kind, text);
  h.PushText(std::to_string(kind) + ":" + text);
}
int randomSeed = 0;
void TestNext(TcxSSFunctionHandler& h) { h.PushNumber(++randomSeed); }

class EvaluationTest : public FormulaFixture {
protected:
  void SetUp() override {
    FormulaFixture::SetUp();
    AddFunction({1001, "TSUM", TestSum, 0, 1});
    AddFunction({1002, "TJOIN", TestJoin, 0, 1});
    AddFunction({1003, "TCOUNT", TestCount, 0, 1});
    AddFunction({1004, "TIF", TestIf, 0, 3});
    AddFunction({1005, "TNOTHING", TestNothing, 0, 0});
    AddFunction({1006, "TTWICE", TestTwice, 0, 1});
    AddFunction({1007, "TNEXT", TestNext, 0, 0});
    AddFunction({1008, "TKIND", TestKind, 0, 1});
    randomSeed = 0;
  }
  void TearDown() override { ClearAddedFunctions(); }
};

TEST_F(EvaluationTest, ArithmeticAndCoercions) {
  //  A       B
  //  1  2    x
  //  2  TRUE 1/2/2024
  Set("A1", "2");
  Set("B1", "x");
  Set("A2", "TRUE");
  Set("B2", "1/2/2024");
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"=1+2*3", "7"},
      {"=-2^2", "4"},
      {"=2^3^2", "64"},
      {"=50%", "0.5"},
      {"=A1*A2", "2"},          // TRUE in a cell counts 1
      {"=\"12\"", "12"},         // a number text gives a number
      {"=\"3\"*2", "6"},
      {"=\"1/2/2024\"+0", "45293"},  // text read as a date
      {"=B1+1", "#NAME!"},      // a text cell is no number
      {"=\"x\"+1", "#VALUE!"},
      {"=1/0", "#DIV/0!"},
      {"=A1&C1", "2"},          // an empty cell joins as nothing
      {"=1&2", "12"},
      {"=TRUE&1", "TRUE1"},
      {"=-8^(1/3)", "#NUM!"},    // no real result
      {"=1E308*10", "#NUM!"},
  };
  for (const auto& c : cases) {
    Set("D1", c.text);
    ASSERT_TRUE(IsFormula("D1")) << c.text;
    Recalc();
    EXPECT_EQ(Show("D1"), c.shown) << c.text;
  }
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(EvaluationTest, AnErrorIsPassedOnAsTheTextValue) {
  //  A     B       C
  //  =1/0  =A1+1   =A1
  Set("A1", "=1/0");
  Set("B1", "=A1+1");
  Set("C1", "=A1");
  Recalc();
  EXPECT_EQ(Show("A1"), "#DIV/0!");
  EXPECT_EQ(Show("B1"), "#NAME!");   // "#VALUE!" is no number
  EXPECT_EQ(Show("C1"), "#VALUE!");  // as text, not as an error of its own
  EXPECT_EQ(FormulaOf("C1").State, 2);
}

TEST_F(EvaluationTest, ComparisonsAreNumericTextualOrBoolean) {
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"=5>A1", "TRUE"},    // "5" against an empty text compares as text
      {"=A1<5", "TRUE"},    // empty against a number compares as 0
      {"=10>9", "TRUE"},
      {"=\"10\">\"9\"", "TRUE"},
      {"=\"abc\"=\"ABC\"", "TRUE"},
      {"=\"b\">\"a\"", "TRUE"},
      {"=TRUE>FALSE", "TRUE"},
      {"=1<>1", "FALSE"},
      {"=2<=2", "TRUE"},
  };
  for (const auto& c : cases) {
    Set("B1", c.text);
    Recalc();
    EXPECT_EQ(Show("B1"), c.shown) << c.text;
  }
}

TEST_F(EvaluationTest, ResultKindsFollowTheLastValue) {
  Set("A1", "=TJOIN(\"1\",\"2\")");  // text that looks like a number stays text
  Set("A2", "=\"1\"&\"2\"");
  Set("A3", "=1=1");
  Set("A4", "=A5");
  Set("A5", "abc");
  Recalc();
  EXPECT_EQ(Cache().ResultValue(FormulaOf("A1")).Kind, rkText);
  EXPECT_EQ(Cache().ResultValue(FormulaOf("A2")).Kind, rkText);
  EXPECT_EQ(Cache().ResultValue(FormulaOf("A3")).Kind, rkBool);
  EXPECT_EQ(Cache().ResultValue(FormulaOf("A4")).Text, "abc");
}

TEST_F(EvaluationTest, NumbersKeepEveryBitAcrossReferences) {
  //  A
  //  1  =1/3
  //  2  =A1*3
  //  3  =A2=1
  Set("A1", "=1/3");
  Set("A2", "=A1*3");
  Set("A3", "=A1");
  Recalc();
  EXPECT_EQ(Cache().ResultValue(FormulaOf("A2")).Number, 1.0);
  EXPECT_EQ(Cache().ResultValue(FormulaOf("A3")).Number, 1.0 / 3);
}

TEST_F(EvaluationTest, AggregatesWalkAreasRowByRow) {
  //  A    B    C
  //  1    a    2
  //  abc       3
  Set("A1", "1");
  Set("B1", "a");
  Set("C1", "2");
  Set("A2", "abc");
  Set("C2", "3");
  Set("E1", "=TSUM(A1:C2)");
  Set("E2", "=TJOIN(A1:C2)");
  Set("E3", "=TJOIN(\"x\",A1,\"y\")");
  Set("E4", "=TCOUNT(A1:C2,5)");
  Set("E5", "=TSUM(\"abc\")");
  Set("E6", "=TTWICE(A1,C1:C2)");
  Recalc();
  EXPECT_EQ(Show("E1"), "6");
  EXPECT_EQ(Show("E2"), "3abc2a1");  // cells arrive row by row and are prepended
  EXPECT_EQ(Show("E3"), "x1y");
  EXPECT_EQ(Show("E4"), "7");
  EXPECT_EQ(Show("E5"), "#VALUE!");
  EXPECT_EQ(Show("E6"), "6006");
}

TEST_F(EvaluationTest, PopValueTellsTheKindOfToken) {
  Set("A1", "5");
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"=TKIND(\"x\")", "23:x"}, {"=TKIND(2.5)", "31:2.5"}, {"=TKIND(TRUE)", "29:TRUE"},
      {"=TKIND(A1)", "36:5"},     {"=TKIND(Sheet1!A1)", "58:5"},
  };
  for (const auto& c : cases) {
    Set("B1", c.text);
    Recalc();
    EXPECT_EQ(Show("B1"), c.shown) << c.text;
  }
}

TEST_F(EvaluationTest, BlanksAroundAColonMakeTheRangeOperator) {
  //  A  B
  //  1  2
  //  3  4
  Set("A1", "1");
  Set("B1", "2");
  Set("A2", "3");
  Set("B2", "4");
  Set("C1", "=TSUM(A1 : B2)");
  Set("C2", "=TSUM(B2 : A1)");
  Recalc();
  EXPECT_EQ(Show("C1"), "10");
  EXPECT_EQ(Show("C2"), "10");
}

TEST_F(EvaluationTest, SerbianFormulasUseTheDecimalComma) {
  MakeBook(TRegionalSettings::Serbian());
  Set("A1", "=1,5*2");
  Set("A2", "=1/4");
  Set("A3", "=TJOIN(1,5;\"x\")");
  Recalc();
  EXPECT_EQ(Show("A1"), "3");
  EXPECT_EQ(Show("A2"), "0,25");
  EXPECT_EQ(Show("A3"), "1,5x");
  EXPECT_EQ(Text("A3"), "=TJOIN(1,5;\"x\")");
}

TEST_F(EvaluationTest, FunctionsWithoutARoutineGiveValueErrors) {
  // An entry whose routine is not registered: the call is "#VALUE!" and its arguments go.
  AddFunction({1009, "TNOPROC", nullptr, 0, 1});
  Set("A1", "=TNOPROC(1,2)+1");
  Set("A2", "=TNOPROC(1,2)");
  Recalc();
  EXPECT_EQ(Show("A1"), "#VALUE!");
  EXPECT_EQ(Show("A2"), "#VALUE!");
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(EvaluationTest, ABranchErrorClearedByTheFunctionStaysCleared) {
  Set("A1", "=TIF(1>2,1/0,7)");
  Set("A2", "=TIF(TRUE,1/0,7)");
  Recalc();
  EXPECT_EQ(Show("A1"), "7");
  EXPECT_EQ(Show("A2"), "#DIV/0!");  // the error text chosen as a branch
}

TEST_F(EvaluationTest, AFunctionThatPushesNothingEndsTheSweepWithItsError) {
  Set("A1", "=TNOTHING()");
  try {
    Recalc();
    FAIL() << "no exception";
  } catch (const ECalculationError& e) {
    EXPECT_STREQ(e.what(), "Function need result");
  }
  EXPECT_EQ(Show("A1"), "#NUM!");
}

TEST_F(EvaluationTest, FormulasWaitingForAFailedOneEndAsValueErrors) {
  //  A            B       C
  //  =TNOTHING()  =A1+1   =B1+1      C1 registered first, so it waits for B1, B1 for A1
  Set("C1", "=B1+1");
  Set("B1", "=A1+1");
  Set("A1", "=TNOTHING()");
  EXPECT_THROW(Recalc(), ECalculationError);
  EXPECT_EQ(Show("A1"), "#NUM!");
  EXPECT_EQ(Show("B1"), "#VALUE!");
  EXPECT_EQ(Show("C1"), "#VALUE!");
  // Nothing is left marked as being calculated: the cells calculate again on the next sweep.
  Set("A1", "5");
  Recalc();
  EXPECT_EQ(Show("C1"), "7");
  EXPECT_FALSE(Cache().CyclicRefs());
}

TEST_F(EvaluationTest, ReferenceErrors) {
  book->AddSheet("Two");
  Set("B2", "=A1");
  Set("C3", "=Two!A1+1");
  Set("A2", "5", 1);
  Cache().AddName("Block", 0, true, {0, 0, 1, 1});
  Cache().AddName("One", 1, true, {0, 1, 0, 1});
  Set("D1", "=Block+1");
  Set("D2", "=One*2");
  Set("D3", "=TSUM(Block)");
  Recalc();
  EXPECT_EQ(Show("D1"), "#VALUE!");  // a name of more than one cell is no single value
  EXPECT_EQ(Show("D2"), "10");
  EXPECT_EQ(Show("D3"), "0");
  // The formula's reference moved above the first row: "#REF!".
  TcxSSFormula& b2 = FormulaOf("B2");
  b2.Row = 0;
  Recalc();
  EXPECT_EQ(Show("B2"), "#REF!");
  Cache().DeleteName("One");
  Recalc();
  EXPECT_EQ(Show("D2"), "#REF!");
}

TEST_F(EvaluationTest, ChainsCalculateInAnyRegistrationOrder) {
  //  A  B      C
  //  1  =A1+1  =B1*2    entered C1 first, then B1
  Set("C1", "=B1*2");
  Set("B1", "=A1+1");
  Set("A1", "1");
  Recalc();
  EXPECT_EQ(Show("B1"), "2");
  EXPECT_EQ(Show("C1"), "4");
}

TEST_F(EvaluationTest, ALongChainNeedsNoMachineStack) {
  //  A
  //  1  1
  //  2  =A1+1
  //  …
  //  65536  =A65535+1       registered from the bottom up, so each waits for the one above
  const int rows = 65536;
  Set("A1", "1");
  book->History().Lock();
  book->BeginUpdate();
  for (int row = rows; row >= 2; --row)
    Storage().SetCellText(0, row - 1, "=A" + std::to_string(row - 1) + "+1", true, false);
  book->EndUpdate();
  Recalc();
  EXPECT_EQ(Show("A65536"), "65536");
  EXPECT_EQ(Show("A2"), "2");
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(EvaluationTest, AChainOfPlainReferencesNeedsNoMachineStack) {
  //  A
  //  1  7
  //  2  =A1
  //  …
  //  100000  =A99999
  const int rows = 100000;
  Set("A1", "7");
  book->History().Lock();
  book->BeginUpdate();
  for (int row = rows; row >= 2; --row)
    Storage().SetCellText(0, row - 1, "=A" + std::to_string(row - 1), true, false);
  book->EndUpdate();
  Recalc();
  EXPECT_EQ(Show("A100000"), "7");
  // Shown before any sweep, the last one calculates the whole chain on demand.
  Set("A1", "8");
  for (int row = 2; row <= rows; ++row) Storage().CellRef(0, row - 1).Formula->Result.clear();
  EXPECT_EQ(Show("A100000"), "8");
}

TEST_F(EvaluationTest, CyclesAreReportedOnceAndReadAsEmpty) {
  //  A    B
  //  =B1  =A1+1
  Set("A1", "=B1");
  Set("B1", "=A1+1");
  Recalc();
  EXPECT_EQ(messages->Messages,
            std::vector<std::string>{"Calculation error. Formula cycled indexes present"});
  // A1 is calculated first and re-entered from B1, which reads it as empty.
  EXPECT_EQ(Show("B1"), "1");
  EXPECT_EQ(Show("A1"), "1");
  EXPECT_TRUE(Cache().CyclicRefs());
  // The same cycle in the next sweep is not reported again.
  Recalc();
  EXPECT_EQ(messages->Messages.size(), 1u);
}

TEST_F(EvaluationTest, PlacesAndLookupTablesAreNoCycle) {
  //  A  B                            C  D
  //  1  =A1*10                          =VLOOKUP(1,A1:B3,2,FALSE)
  //  2  =SUM(OFFSET(B2,-1,0,1,1))+A2
  //  3  =D1+1
  // B2 names itself only as OFFSET's starting place; D1's table holds B3, which depends on
  // D1, but the row D1 finds does not. Registered first, D1 and B2 wait for what they read.
  Set("D1", "=VLOOKUP(1,A1:B3,2,FALSE)");
  Set("B2", "=SUM(OFFSET(B2,-1,0,1,1))+A2");
  for (const char* cell : {"A1", "A2", "A3"}) Set(cell, std::string(1, cell[1]));
  Set("B1", "=A1*10");
  Set("B3", "=D1+1");
  Set("C1", "=ROWS(B1:B3)+COLUMN(C1)");
  Recalc();
  EXPECT_EQ(Show("B2"), "12");
  EXPECT_EQ(Show("D1"), "10");
  EXPECT_EQ(Show("B3"), "11");
  EXPECT_EQ(Show("C1"), "6");
  EXPECT_FALSE(Cache().CyclicRefs());
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(EvaluationTest, LookupsReadingLookupsEndWithoutExhaustingTheStack) {
  //  A  B
  //  1  1
  //  2  =VLOOKUP(A2-1,$A$1:$B$3000,2,FALSE)+1
  //  ...
  // Entered bottom up, the last row is calculated first and each lookup finds the row above
  // only while reading its table: the lookups nest inside each other.
  constexpr int kRows = 3000;
  for (int row = kRows; row >= 2; --row) {
    const std::string r = std::to_string(row);
    Set("A" + r, r);
    Set("B" + r, "=VLOOKUP(A" + r + "-1,$A$1:$B$3000,2,FALSE)+1");
  }
  Set("A1", "1");
  Set("B1", "1");
  Recalc();
  // Too deep a nesting reads as a cycle would; every formula still ends with a result.
  EXPECT_TRUE(Cache().CyclicRefs());
  for (int row = 2; row <= kRows; ++row)
    EXPECT_FALSE(FormulaOf("B" + std::to_string(row)).Result.empty()) << row;
  // Entered top down, each lookup finds a row calculated already.
  MakeBook(TRegionalSettings::English());
  Set("A1", "1");
  Set("B1", "1");
  for (int row = 2; row <= kRows; ++row) {
    const std::string r = std::to_string(row);
    Set("A" + r, r);
    Set("B" + r, "=VLOOKUP(A" + r + "-1,$A$1:$B$3000,2,FALSE)+1");
  }
  Recalc();
  EXPECT_EQ(Show("B3000"), "3000");
  EXPECT_FALSE(Cache().CyclicRefs());
}

TEST_F(EvaluationTest, EvaluationOrderIsDepthFirstInPopOrder) {
  // The right operand is popped first, so B1 is calculated before A1.
  Set("C1", "=A1&B1");
  Set("A1", "=TNEXT()");
  Set("B1", "=TNEXT()");
  Recalc();
  EXPECT_EQ(Show("C1"), "21");
}

TEST_F(EvaluationTest, LockedCacheCalculatesNothing) {
  Set("A1", "=1+1");
  Cache().Lock(true);
  Cache().Recalc();
  EXPECT_TRUE(FormulaOf("A1").Result.empty());
  EXPECT_EQ(Show("A1"), "0");
  Cache().Lock(false);
  Cache().Recalc();
  EXPECT_EQ(Show("A1"), "2");
}

TEST_F(EvaluationTest, DamagedTokenStringsReadNothingOutside) {
  Set("A1", "=1");
  TcxSSFormula& formula = FormulaOf("A1");
  const TcxTokenString damaged[] = {
      {ptgRef, 0, 0, 1},                   // cut reference
      {ptgStr, 255, 1, 'a', 0},            // string running past the end
      {ptgNum, 1, 2},                      // cut number
      {ptgFuncVar, 200, 4, 0},             // more arguments than the stack holds
      {ptgName, 0x34, 0x12},               // name that does not exist
      {ptgRef3d, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},  // sheet that does not exist
      {ptgAdd},                            // operator without operands
      {0xEE, 0xEF},                        // unknown identifiers
      {ptgFuncVar, 1, 0xFF, 0xFF},          // unknown function number
  };
  for (const auto& tokens : damaged) {
    formula.Tokens = tokens;
    try {
      Recalc();
    } catch (const ECalculationError&) {
      // Too few items for a function is a syntax error of the formula.
    }
    EXPECT_EQ(formula.State, 0) << int(tokens[0]);
    EXPECT_FALSE(Show("A1").empty());
  }
}

TEST_F(EvaluationTest, DisplayUsesTheCellsFormat) {
  Set("A1", "=-5");
  Set("A2", "=1/3");
  Storage().GetCellStyleObject(0, 0)->SetFormat(8);
  Recalc();
  TcxSSColor color = kColorNone;
  EXPECT_EQ(Cache().DisplayText(FormulaOf("A1"), color, true), "($5.00)");
  EXPECT_EQ(color, 2);
  EXPECT_EQ(Show("A2"), "0.33333333");
  color = kColorNone;
  EXPECT_EQ(Cache().DisplayText(FormulaOf("A2"), color, false), "0.333333333333333");
  EXPECT_EQ(color, kColorNone);
  book->SetShowFormulas(true);
  EXPECT_EQ(Show("A2"), "=1/3");
}

}  // namespace
