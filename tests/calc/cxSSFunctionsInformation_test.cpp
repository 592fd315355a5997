#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A
//  (empty)
//  abc
//  =1/0
//  5
//  TRUE
//  #N/A!
class InformationFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    Put("A2", "abc");
    Put("A3", "=1/0");
    Put("A4", "5");
    Put("A5", "TRUE");
    Put("A6", "#N/A!");
  }
};

TEST_F(InformationFunctionTest, IsBlankWantsExactlyOneEmptyValue) {
  const FunctionCase cases[] = {
      {"=ISBLANK(A1)", rkBool, "TRUE"},
      {"=ISBLANK(A2)", rkBool, "FALSE"},
      {"=ISBLANK(A1,A1)", rkBool, "FALSE"},
      {"=ISBLANK(A1:A2)", rkBool, "FALSE"},
      {"=ISBLANK(\"\")", rkBool, "TRUE"},
  };
  Check(cases);
}

TEST_F(InformationFunctionTest, IsErrorSeesThePendingErrorOrAFailedCell) {
  const FunctionCase cases[] = {
      {"=ISERROR(1/0)", rkBool, "TRUE"},
      {"=ISERROR(A3)", rkBool, "TRUE"},  // a failed formula reads as #VALUE!
      {"=ISERROR(\"#VALUE!\")", rkBool, "TRUE"},
      {"=ISERROR(\"#DIV/0!\")", rkBool, "FALSE"},
      {"=ISERROR(A2)", rkBool, "FALSE"},
      {"=ISERROR(SQRT(-1))", rkBool, "TRUE"},
      {"=ISERROR(MID(\"a\",5,1))", rkBool, "TRUE"},
      {"=ISERR(1/0)", rkBool, "TRUE"},
      {"=ISERR(A4)", rkBool, "FALSE"},
  };
  Check(cases);
}

TEST_F(InformationFunctionTest, TypeTests) {
  const FunctionCase cases[] = {
      {"=ISLOGICAL(TRUE)", rkBool, "TRUE"},
      {"=ISLOGICAL(A5)", rkBool, "TRUE"},
      {"=ISLOGICAL(\"false\")", rkBool, "TRUE"},
      {"=ISLOGICAL(1)", rkBool, "FALSE"},
      {"=ISLOGICAL(1/0)", rkBool, "FALSE"},  // the error is cleared
      {"=ISNA(A6)", rkBool, "TRUE"},
      {"=ISNA(\" #N/A! \")", rkBool, "TRUE"},
      {"=ISNA(A3)", rkBool, "FALSE"},
      {"=ISNA(1/0)", rkBool, "FALSE"},
      {"=ISNONTEXT(A1)", rkBool, "TRUE"},
      {"=ISNONTEXT(A4)", rkBool, "TRUE"},
      {"=ISNONTEXT(A5)", rkBool, "TRUE"},
      {"=ISNONTEXT(A2)", rkBool, "FALSE"},
      {"=ISNONTEXT(1/0)", rkError, "#DIV/0!"},  // the one that leaves the error standing
      {"=ISNUMBER(A4)", rkBool, "TRUE"},
      {"=ISNUMBER(\"12\")", rkBool, "TRUE"},
      {"=ISNUMBER(A1)", rkBool, "FALSE"},
      {"=ISNUMBER(A5)", rkBool, "FALSE"},
      {"=ISNUMBER(1/0)", rkBool, "FALSE"},
      {"=ISTEXT(A2)", rkBool, "TRUE"},
      {"=ISTEXT(\" x \")", rkBool, "TRUE"},
      {"=ISTEXT(A1)", rkBool, "FALSE"},
      {"=ISTEXT(A4)", rkBool, "FALSE"},
      {"=ISTEXT(A5)", rkBool, "FALSE"},
      {"=ISTEXT(A3)", rkBool, "TRUE"},  // the text #VALUE! of the failed formula
  };
  Check(cases);
}

}  // namespace

namespace {

TEST_F(InformationFunctionTest, ErrorsTypesAndReferences) {
  //  B
  //  (the data of InformationFunctionTest: A1 empty, A2 abc, A3 =1/0, A4 5, A5 TRUE, A6 #N/A!)
  const FunctionCase cases[] = {
      {"=NA()", rkError, "#N/A!"},
      {"=ISNA(NA())", rkBool, "TRUE"},
      {"=ERROR.TYPE(1/0)", rkNumber, "2"},
      {"=ERROR.TYPE(NA())", rkNumber, "7"},
      {"=ERROR.TYPE(A3)", rkNumber, "2"},  // the failed cell's own error
      {"=ERROR.TYPE(SQRT(-1))", rkNumber, "6"},
      {"=ERROR.TYPE(5)", rkError, "#N/A!"},
      {"=TYPE(5)", rkNumber, "1"},
      {"=TYPE(\"a\")", rkNumber, "2"},
      {"=TYPE(TRUE)", rkNumber, "4"},
      {"=TYPE(1/0)", rkNumber, "16"},
      {"=TYPE(A1)", rkNumber, "1"},
      {"=TYPE(A2:A3)", rkNumber, "16"},
      {"=TYPE(TRANSPOSE(A4:A5))", rkNumber, "64"},
      // An error constant in a cell (A6 holds #N/A!, as a file's error cell is read) is that
      // error to the further functions.
      {"=TYPE(A6)", rkNumber, "16"},
      {"=ERROR.TYPE(A6)", rkNumber, "7"},
      {"=ERROR.TYPE(#NULL!)", rkNumber, "1"},
      {"=ISREF(A1)", rkBool, "TRUE"},
      {"=ISREF(A1:B2)", rkBool, "TRUE"},
      {"=ISREF(OFFSET(A1,1,1))", rkBool, "TRUE"},
      {"=ISREF(5)", rkBool, "FALSE"},
      {"=ISEVEN(4)", rkBool, "TRUE"},
      {"=ISEVEN(3.9)", rkBool, "FALSE"},
      {"=ISEVEN(A1)", rkBool, "TRUE"},
      {"=ISODD(-3)", rkBool, "TRUE"},
      {"=ISODD(A4)", rkBool, "TRUE"},
      {"=ISEVEN(\"x\")", rkError, "#VALUE!"},
      {"=ISODD(TRUE)", rkError, "#VALUE!"},
  };
  Check(cases);
}

TEST_F(InformationFunctionTest, CellDescribesTheFirstCellOfAReference) {
  const FunctionCase cases[] = {
      {"=CELL(\"address\",B3)", rkText, "$B$3"},
      {"=CELL(\"address\",AB3:AC9)", rkText, "$AB$3"},
      {"=CELL(\"row\",B3)", rkNumber, "3"},
      {"=CELL(\"col\",B3)", rkNumber, "2"},
      {"=CELL(\"ROW\")", rkNumber, "20"},  // the formula's own cell
      {"=CELL(\"contents\",A4)", rkNumber, "5"},
      {"=CELL(\"contents\",A2)", rkText, "abc"},
      {"=CELL(\"type\",A1)", rkText, "b"},
      {"=CELL(\"type\",A2)", rkText, "l"},
      {"=CELL(\"type\",A4)", rkText, "v"},
      {"=CELL(\"nothing\",A1)", rkError, "#VALUE!"},
      {"=CELL(\"row\",5)", rkError, "#VALUE!"},
      {"=CELL(\"adresse\",B3)", rkText, "$B$3"},  // as a French workbook asks
      {"=CELL(\"Zeile\",B3)", rkNumber, "3"},
  };
  Check(cases);
}

TEST_F(InformationFunctionTest, CellAddressNamesAnotherSheet) {
  book_->AddSheet("Two");
  EXPECT_EQ(Evaluate("=CELL(\"address\",Two!C2)").Text, "Two!$C$2");
}

// INFO tells what the workbook knows: its sheets, its recalculation, the first cell the active
// sheet shows; what only Excel knows is not available.
TEST_F(InformationFunctionTest, InfoTellsWhatTheWorkbookKnows) {
  book_->AddSheet("Two");
  const FunctionCase cases[] = {
      {"=INFO(\"numfile\")", rkNumber, "2"},
      {"=INFO(\"NumFile\")", rkNumber, "2"},
      {"=INFO(\" numfile\")", rkError, "#VALUE!"},
      {"=INFO(\"recalc\")", rkText, "Automatic"},
      {"=INFO(\"system\")", rkText, "pcdos"},
      {"=INFO(\"origin\")", rkText, "$A:$A$1"},
      {"=INFO(\"release\")", rkError, "#N/A!"},
      {"=INFO(\"osversion\")", rkError, "#N/A!"},
      {"=INFO(\"directory\")", rkError, "#N/A!"},
      {"=INFO(\"memavail\")", rkError, "#N/A!"},
      {"=INFO(\"totmem\")", rkError, "#N/A!"},
      {"=INFO(\"numfiles\")", rkError, "#VALUE!"},
      {"=INFO(1/0)", rkError, "#DIV/0!"},
      // No pivot table is there to read from.
      {"=GETPIVOTDATA(\"Sales\",A1)", rkError, "#REF!"},
      {"=GETPIVOTDATA(\"Sales\",A1,\"Region\",\"North\")", rkError, "#REF!"},
  };
  Check(cases);
  book_->ActiveSheet().View().SetTopLeft({2, 9});
  EXPECT_EQ(Evaluate("=INFO(\"origin\")").Text, "$A:$C$10");
  // Typed as Excel writes it, the formula shows as typed.
  Put("B1", "=info(\"numfile\")+1");
  EXPECT_EQ(TcxSSCellObject(Storage(), 1, 0).GetText(), "=INFO(\"numfile\")+1");
}

// Values from LibreOffice and Gnumeric (tests/scripts/function_oracle.py).
TEST_F(InformationFunctionTest, HyperlinkShowsItsName) {
  const ValueCase cases[] = {
      {"=HYPERLINK(\"http://example.com/\")", "http://example.com/"},
      {"=HYPERLINK(\"http://example.com/\",\"Example\")", "Example"},
      {"=HYPERLINK(\"http://example.com/\",12)", "12"},
      {"=HYPERLINK(\"http://example.com/\",1/0)", "#DIV/0!"},
  };
  Check(cases);
}

}  // namespace

