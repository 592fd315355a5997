#include "calc/cxSSFormulasCache.h"

#include <gtest/gtest.h>

#include "calc/cxSSTokens.h"
#include "sheet/cxSSBookFile.h"
#include "tests/calc/FormulaFixture.h"

namespace {

using CacheTest = FormulaFixture;

TEST_F(CacheTest, AddFormulaStoresTheRebuiltText) {
  Set("A1", "=sum(a2:b3)+  1");
  ASSERT_TRUE(IsFormula("A1"));
  EXPECT_EQ(Text("A1"), "=SUM(A2:B3)+1");
  EXPECT_EQ(Cache().Count(), 1);
  const TcxSSFormula& f = FormulaOf("A1");
  EXPECT_EQ(f.Col, 0);
  EXPECT_EQ(f.Row, 0);
  EXPECT_EQ(f.State, 2);
  EXPECT_TRUE(Cache().IsRegistered(&f));
}

TEST_F(CacheTest, TextThatDoesNotParseStaysTextWithOneMessage) {
  struct Case {
    const char* text;
    std::vector<std::string> messages;
  } cases[] = {
      {"=(1", {"Error - symbol ')' expected!", "Error syntax in string expression"}},
      {"=\"a", {"Error - unterminated string!", "Error syntax in string expression"}},
      {"=1+foo", {"Unknown string expression - foo", "Error syntax in string expression"}},
      {"=NOSUCH(1)", {"Error syntax in string expression"}},
      {"=1,2",
       {"Error constructing formula. Parsed expression error offset at",
        "Error syntax in string expression"}},
  };
  for (const auto& c : cases) {
    messages->Messages.clear();
    Set("B2", c.text);
    EXPECT_FALSE(IsFormula("B2")) << c.text;
    EXPECT_EQ(Text("B2"), c.text);
    EXPECT_EQ(messages->Messages, c.messages) << c.text;
  }
  EXPECT_EQ(Cache().Count(), 0);
}

// "=A1+A1+...": a reference is 5 bytes in a file and "+" one, so 1367 terms make 8201 bytes,
// the most one FORMULA record holds being 8202; 1368 terms do not fit.
std::string SumOfA1(int terms) {
  std::string text = "=A1";
  for (int i = 1; i < terms; ++i) text += "+A1";
  return text;
}

// A formula longer than a file's record holds is refused where it is typed, with one message,
// and stays the typed text; one that fits becomes a formula that a save writes whole. While a
// file is loaded nothing is refused (a file's own formulas fit its records).
TEST_F(CacheTest, AFormulaTooLongForAFileIsRefusedWhereItIsTyped) {
  Set("B1", SumOfA1(1367));
  EXPECT_TRUE(IsFormula("B1"));
  EXPECT_TRUE(messages->Messages.empty());
  TcxTokenString exported;
  Cache().ExportTokens(FormulaOf("B1"), exported);
  EXPECT_EQ(exported.size(), 8201u);
  EXPECT_TRUE(book->CheckSave().Losses.empty());

  Set("B2", SumOfA1(1368));
  EXPECT_FALSE(IsFormula("B2"));
  EXPECT_EQ(Text("B2"), SumOfA1(1368));
  EXPECT_EQ(messages->Messages, std::vector<std::string>{"The formula is too long"});
  EXPECT_EQ(Cache().Count(), 1);

  messages->Messages.clear();
  Cache().SetSilent(true);
  Set("B3", SumOfA1(1368));
  Cache().SetSilent(false);
  EXPECT_TRUE(IsFormula("B3"));
  EXPECT_TRUE(messages->Messages.empty());
}

TEST_F(CacheTest, SilentParsingShowsNothing) {
  Cache().SetSilent(true);
  Set("A1", "=1+foo");
  Set("A2", "=(2");
  Set("A3", "=2*3");
  Cache().SetSilent(false);
  EXPECT_TRUE(messages->Messages.empty());
  EXPECT_FALSE(IsFormula("A1"));
  EXPECT_FALSE(IsFormula("A2"));
  EXPECT_TRUE(IsFormula("A3"));
  EXPECT_FALSE(Cache().ErrorFlag());
}

TEST_F(CacheTest, ReplacingAndClearingFormulasUnregistersThem) {
  Set("A1", "=1");
  Set("A1", "=2");
  EXPECT_EQ(Cache().Count(), 1);
  Set("A1", "plain");
  EXPECT_EQ(Cache().Count(), 0);
  // Registration keeps constant-time removal as formulas come and go.
  for (int i = 0; i < 200; ++i) Set("B" + std::to_string(i + 1), "=1");
  for (int i = 0; i < 150; ++i) Set("B" + std::to_string(i + 1), "x");
  Set("C1", "=2");
  EXPECT_EQ(Cache().Count(), 51);
  int listed = 0;
  Cache().ForEachFormula([&](const TcxSSFormula& f) {
    EXPECT_TRUE(Cache().IsRegistered(&f));
    ++listed;
  });
  EXPECT_EQ(listed, 51);
}

TEST_F(CacheTest, CopyFormulaDuplicatesTokensAndResult) {
  Set("A1", "=2*3");
  Recalc();
  TcxSSFormula* copy = Cache().CopyFormula(FormulaOf("A1"));
  EXPECT_EQ(copy->Tokens, FormulaOf("A1").Tokens);
  EXPECT_EQ(copy->Result, FormulaOf("A1").Result);
  EXPECT_NE(copy, &FormulaOf("A1"));
  EXPECT_EQ(Cache().Count(), 2);
  Cache().RemoveFormula(copy);
  EXPECT_EQ(Cache().Count(), 1);
}

TEST_F(CacheTest, NamesAreCheckedAndNeverRemoved) {
  EXPECT_EQ(Cache().AddName("Total", 0, true, {0, 0, 0, 9}), 0);
  for (const char* bad : {"", "two words", "a-b", "x.y", "q?", "TOTAL", "sheet1", "it's"})
    EXPECT_EQ(Cache().AddName(bad, 0, true, {0, 0, 0, 0}), -1) << bad;
  // Without the check anything goes (the file reader), but a sheet a name cannot hold.
  EXPECT_EQ(Cache().AddName("far", 256, false, {0, 0, 0, 0}), -1);
  EXPECT_EQ(Cache().AddName("odd name", 0, false, {0, 0, 0, 0}), 1);
  EXPECT_TRUE(Cache().DeleteName("total"));
  EXPECT_FALSE(Cache().DeleteName("total"));
  EXPECT_EQ(Cache().Names().size(), 2u);
  EXPECT_TRUE(Cache().Names()[0].Deleted);
  // A deleted name's word may be defined again, under a new index.
  EXPECT_EQ(Cache().AddName("Total", 0, true, {0, 0, 0, 0}), 2);
  // A file holds names of at most 255 characters: a longer one would be cut on saving.
  EXPECT_EQ(Cache().AddName(std::string(256, 'n'), 0, true, {0, 0, 0, 0}), -1);
  EXPECT_EQ(Cache().AddName(std::string(255, 'n'), 0, true, {0, 0, 0, 0}), 3);
}

TEST_F(CacheTest, DeletingColumnsMovesReferences) {
  //  A   B   C   D   E
  //  1   2   3   4   =A1+C1+D1
  Set("A1", "1");
  Set("B1", "2");
  Set("C1", "3");
  Set("D1", "4");
  Set("E1", "=A1+C1+D1");
  TcxSSFormula& f = FormulaOf("E1");
  Cache().AdjustReferences(0, {1, 0, 1, 0}, true, true);
  // The formula moved to D1 and its text (still in the cell at E1) follows.
  EXPECT_EQ(f.Col, 3);
  EXPECT_EQ(Text("E1"), "=A1+B1+C1");
}

TEST_F(CacheTest, InsertingColumnsBeforeTheFormulaKeepsItsCells) {
  Set("C2", "=A1+$B$1+D5");
  TcxSSFormula& f = FormulaOf("C2");
  Cache().AdjustReferences(0, {0, 0, 1, 0}, true, false);  // two columns before A
  EXPECT_EQ(f.Col, 4);
  EXPECT_EQ(Text("C2"), "=C1+$D$1+F5");
  // The storage moves the cells afterwards; here the next case starts on a fresh sheet.
  book->AddSheet("Rows");
  Set("C2", "=A1+$B$1+D5", 1);
  Cache().AdjustReferences(1, {0, 3, 0, 3}, false, false);  // one row before row 4
  EXPECT_EQ(FormulaOf("C2", 1).Row, 1);
  EXPECT_EQ(Text("C2", 1), "=A1+$B$1+D6");
}

TEST_F(CacheTest, ReferencesIntoADeletedBlockBecomeRefErrors) {
  //  A       B      C
  //  =B5     =A1    =SUM(A2:A9)    rows 3..6 are deleted
  Set("A1", "=B5");
  Set("B1", "=A1");
  Set("C1", "=SUM(A2:A9)");
  Set("D1", "=SUM(A4:A5)");
  Cache().AdjustReferences(0, {0, 2, 0, 5}, false, true);
  EXPECT_FALSE(IsFormula("A1"));
  EXPECT_EQ(Text("A1"), "#REF!");
  EXPECT_EQ(Text("B1"), "=A1");
  EXPECT_EQ(Text("C1"), "=SUM(A2:A5)");  // the area shrinks over the block
  EXPECT_EQ(Text("D1"), "#REF!");
  EXPECT_EQ(Cache().Count(), 2);
}

TEST_F(CacheTest, FormulasInsideADeletedBlockAreLeftToTheirCells) {
  Set("B1", "=A1");
  TcxSSFormula& f = FormulaOf("B1");
  Cache().AdjustReferences(0, {1, 0, 1, 0}, true, true);
  EXPECT_EQ(f.Col, 1);
  EXPECT_EQ(Text("B1"), "=A1");
}

TEST_F(CacheTest, NamesMoveWithTheirCells) {
  Cache().AddName("Col", 0, true, {2, 0, 2, 9});
  Cache().AddName("Gone", 0, true, {1, 0, 1, 0});
  Cache().AddName("Wide", 0, true, {0, 0, 3, 0});
  Cache().AdjustReferences(0, {1, 0, 1, 0}, true, true);
  EXPECT_EQ(Cache().Names()[0].Area, (TRect{1, 0, 1, 9}));
  EXPECT_TRUE(Cache().Names()[1].Deleted);
  EXPECT_EQ(Cache().Names()[2].Area, (TRect{0, 0, 2, 0}));
  Cache().AdjustReferences(0, {0, 0, 0, 0}, true, false);
  EXPECT_EQ(Cache().Names()[0].Area, (TRect{2, 0, 2, 9}));
  EXPECT_EQ(Cache().Names()[2].Area, (TRect{1, 0, 3, 0}));
}

TEST_F(CacheTest, SheetQualifiedReferencesFollowRowsOfTheirSheet) {
  book->AddSheet("Data");
  Set("A1", "=Data!B3+B3");
  Cache().AdjustReferences(1, {0, 0, 0, 0}, false, false);
  EXPECT_EQ(Text("A1"), "=Data!B4+B3");
}

TEST_F(CacheTest, DeletingASheetKeepsOtherSheetsReferred) {
  //  Sheet1!A1 = Sheet2!A1 + Sheet3!A1
  book->AddSheet("Sheet2");
  book->AddSheet("Sheet3");
  Set("A1", "2", 1);
  Set("A1", "3", 2);
  Set("A1", "=Sheet2!A1+Sheet3!A1");
  Set("B1", "=Sheet3!A1*2");
  Cache().AddName("OnTwo", 1, true, {0, 0, 0, 0});
  Cache().AddName("OnThree", 2, true, {0, 0, 0, 0});
  Set("C1", "=OnThree");
  Recalc();
  EXPECT_EQ(Show("A1"), "5");
  book->DeleteSheet(1);
  Recalc();
  EXPECT_EQ(Show("B1"), "6");
  EXPECT_EQ(Show("C1"), "3");
  EXPECT_EQ(Show("A1"), "#REF!");
  EXPECT_TRUE(Cache().Names()[0].Deleted);
  EXPECT_EQ(Cache().Names()[1].Sheet, 1);
}

TEST_F(CacheTest, ExchangingSheetsSwapsFormulasReferencesAndNames) {
  book->AddSheet("Two");
  Set("A1", "7", 1);
  Set("B1", "=Two!A1");
  Cache().AddName("N", 1, true, {0, 0, 0, 0});
  book->ExchangeSheets(0, 1);
  EXPECT_EQ(FormulaOf("B1", 1).Sheet, 1);
  EXPECT_EQ(Cache().Names()[0].Sheet, 0);
  Recalc();
  EXPECT_EQ(Show("B1", 1), "7");
}

TEST_F(CacheTest, ValidateAndShiftForPastedFormulas) {
  Set("B2", "=A1+Sheet1!C3");
  TcxSSFormula& f = FormulaOf("B2");
  EXPECT_TRUE(Cache().ValidateReferences(f));
  TcxSSFormula moved = f;
  moved.Row = 0;  // A1 would be above the first row
  EXPECT_FALSE(Cache().ValidateReferences(moved));
  Cache().ShiftSheetReferences(f, 2, 1);
  EXPECT_EQ(Cache().FormulaText(f), "=A1+Sheet1!D5");
  moved.Tokens = {ptgRef, 0, 0};
  EXPECT_FALSE(Cache().ValidateReferences(moved));
}

// A name as a file holds it: of the workbook (scope -1) or of one page.
int DefineFormulaName(TcxSSFormulasCache& cache, const std::string& name, int scope,
                      const std::string& formula) {
  TcxSSNameDefinition definition;
  definition.Name = name;
  definition.Scope = scope;
  definition.Kind = nkFormula;
  const int index = cache.DefineName(definition);
  EXPECT_GE(index, 0) << name;
  EXPECT_TRUE(cache.SetNameFormula(index, formula)) << name << " " << formula;
  return index;
}

// Names that are formulas: a dynamic range that grows with its data, a constant, a name of
// names, and a relative name, which means other cells from each cell that uses it.
TEST_F(CacheTest, FormulaNamesAreEvaluatedWhereTheyAreUsed) {
  //  A    B
  //  1    =SUM(Data)          Data = OFFSET(Sheet1!$A$1,0,0,COUNT(Sheet1!$A$1:$A$20),1)
  //  2    =Rate*B1            Rate = 0.5
  //  3    =Twice              Twice = Rate*4
  //  4    =Left*10            Left = the cell to the left (Sheet1!IV1 relative, from A1)
  book->AddSheet("Other");
  DefineFormulaName(Cache(), "Data", -1, "=OFFSET(Sheet1!$A$1,0,0,COUNT(Sheet1!$A$1:$A$20),1)");
  DefineFormulaName(Cache(), "Rate", -1, "=0.5");
  DefineFormulaName(Cache(), "Twice", -1, "=Rate*4");
  DefineFormulaName(Cache(), "Left", -1, "=Sheet1!IV1");
  for (const char* cell : {"A1", "A2", "A3", "A4"}) Set(cell, std::to_string(cell[1] - '0'));
  Set("B1", "=SUM(Data)");
  Set("B2", "=Rate*B1");
  Set("B3", "=Twice");
  Set("B4", "=Left*10");
  Set("C1", "=Left");
  Set("B9", "=Left", 1);
  Recalc();
  EXPECT_EQ(Text("B1"), "=SUM(Data)");
  EXPECT_EQ(Show("B1"), "10");
  EXPECT_EQ(Show("B2"), "5");
  EXPECT_EQ(Show("B3"), "2");
  EXPECT_EQ(Show("B4"), "40");
  EXPECT_EQ(Show("C1"), "10");  // the cell to the left of C1 is B1
  EXPECT_EQ(Show("B9", 1), "0");  // Sheet1!A9, empty
  // The range grows with its data.
  Set("A5", "5");
  Recalc();
  EXPECT_EQ(Show("B1"), "15");
  EXPECT_EQ(Cache().NameFormulaText(0), "=OFFSET(Sheet1!$A$1,0,0,COUNT(Sheet1!$A$1:$A$20),1)");
  EXPECT_EQ(Cache().NameFormulaText(3), "=Sheet1!IV1");
}

// Two pages each have their own "Total"; each page's formulas see their own, and another
// page's is written with its page.
TEST_F(CacheTest, PagesHaveNamesOfTheirOwn) {
  book->AddSheet("Two");
  TcxSSNameDefinition one;
  one.Name = "Total";
  one.Scope = 0;
  one.Sheet = 0;
  one.Area = {0, 0, 0, 0};
  TcxSSNameDefinition two = one;
  two.Scope = 1;
  two.Sheet = 1;
  EXPECT_EQ(Cache().DefineName(one), 0);
  EXPECT_EQ(Cache().DefineName(two), 1);
  EXPECT_EQ(Cache().DefineName(one), -1);  // the page has its "Total" already
  DefineFormulaName(Cache(), "x.y?", -1, "=Two!Total+1");
  Set("A1", "3");
  Set("A1", "4", 1);
  Set("B1", "=Total*2");
  Set("B1", "=Total*2", 1);
  Set("C1", "=two!total+Total");
  Set("D1", "=x.y?");
  Recalc();
  EXPECT_EQ(Show("B1"), "6");
  EXPECT_EQ(Show("B1", 1), "8");
  EXPECT_EQ(Text("C1"), "=Two!Total+Total");
  EXPECT_EQ(Show("C1"), "7");
  EXPECT_EQ(Show("D1"), "5");
  EXPECT_EQ(Cache().FindName("Total"), -1);
  EXPECT_EQ(Cache().FindName("total", 1), 1);
  // A page's names go with it.
  book->DeleteSheet(0);
  EXPECT_TRUE(Cache().Names()[0].Deleted);
  EXPECT_EQ(Cache().Names()[1].Scope, 0);
  Recalc();
  EXPECT_EQ(Show("B1"), "8");
}

// Names are found by their text without case among many, whatever their length and letters,
// the longest name that begins a token winning; and still after names are added or the list is
// put back by an undo.
TEST_F(CacheTest, NamesAreFoundAmongManyAndAfterChanges) {
  for (int i = 0; i < 100; ++i) Cache().AddName("Item" + std::to_string(i), 0, true, {0, 0, 0, 0});
  const int cvor = Cache().AddName("Čvor", 0, true, {1, 0, 1, 0});    // B1
  const int ab = Cache().AddName("Ab", 0, true, {2, 0, 2, 0});        // C1
  const int abc = Cache().AddName("Ab.c", 0, false, {3, 0, 3, 0});    // D1
  EXPECT_EQ(Cache().FindName("item42"), 42);
  EXPECT_EQ(Cache().FindName("čVOR"), cvor);
  EXPECT_EQ(Cache().FindName("AB"), ab);
  EXPECT_EQ(Cache().FindName("AB.C"), abc);
  EXPECT_EQ(Cache().FindName("Ab.d"), -1);
  Set("A1", "1");
  Set("B1", "2");
  Set("C1", "3");
  Set("D1", "4");
  Set("E1", "=ab.c*10+AB+čvor*100+item0");
  Recalc();
  EXPECT_EQ(Show("E1"), "244");  // 4*10 + 3 + 2*100 + 1
  EXPECT_EQ(Text("E1"), "=Ab.c*10+Ab+Čvor*100+Item0");

  const TcxSSNamesDef before = Cache().GetNames();
  const int late = Cache().AddName("Late", 0, true, {0, 0, 0, 0});
  EXPECT_EQ(Cache().FindName("late"), late);
  Cache().SetNames(before);
  EXPECT_EQ(Cache().FindName("late"), -1);
  // As many names as before, one of them another word.
  TcxSSNamesDef renamed = before;
  renamed[0].Name = "Zero";
  Cache().SetNames(renamed);
  EXPECT_EQ(Cache().FindName("Item0"), -1);
  EXPECT_EQ(Cache().FindName("zero"), 0);
}

// Inserting and deleting rows moves the absolute references of formula names; a reference into
// deleted rows becomes #REF!; relative references stay offsets from the cell using the name.
TEST_F(CacheTest, FormulaNamesFollowTheirRows) {
  const int data = DefineFormulaName(Cache(), "Data", -1, "=SUM(Sheet1!$A$2:$A$4)+Sheet1!$A$6");
  const int above = DefineFormulaName(Cache(), "Above", -1, "=Sheet1!A65536");
  Cache().AdjustReferences(0, {0, 0, 0, 0}, false, false);
  EXPECT_EQ(Cache().NameFormulaText(data), "=SUM(Sheet1!$A$3:$A$5)+Sheet1!$A$7");
  EXPECT_EQ(Cache().NameFormulaText(above), "=Sheet1!A65536");
  Cache().AdjustReferences(0, {0, 6, 0, 6}, false, true);
  EXPECT_EQ(Cache().NameFormulaText(data), "=SUM(Sheet1!$A$3:$A$5)+#REF!");
  Cache().AdjustReferences(0, {0, 0, 0, 1}, false, true);
  EXPECT_EQ(Cache().NameFormulaText(data), "=SUM(Sheet1!$A$1:$A$3)+#REF!");
}

TEST_F(CacheTest, ClearForgetsFormulasNamesAndLocks) {
  Set("A1", "=1");
  Cache().AddName("N", 0, true, {0, 0, 0, 0});
  Cache().Lock(true);
  book->ClearAll();
  Cache().Clear();
  EXPECT_EQ(Cache().Count(), 0);
  EXPECT_TRUE(Cache().Names().empty());
  EXPECT_EQ(Cache().LockCount(), 0);
}

}  // namespace
