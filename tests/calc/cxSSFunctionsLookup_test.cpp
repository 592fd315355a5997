#include <gtest/gtest.h>

#include "tests/calc/FunctionTestSupport.h"

namespace {

//  A   B      C   D   E   F    G    H    I
//  1   one    x       9   10   20   30   40
//  2   two    y       7   a    b    c    d
//  3   three  z       4
//  5   five           1
class LookupFunctionTest : public FunctionTest {
protected:
  void SetUp() override {
    const char* grid[4][9] = {
        {"1", "one", "x", "", "9", "10", "20", "30", "40"},
        {"2", "two", "y", "", "7", "a", "b", "c", "d"},
        {"3", "three", "z", "", "4", "", "", "", ""},
        {"5", "five", "", "", "1", "", "", "", ""},
    };
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 9; ++col)
        if (*grid[row][col])
          Put(TcxSSUtils::ColumnName(col) + std::to_string(row + 1), grid[row][col]);
  }
};

TEST_F(LookupFunctionTest, VerticalAndHorizontalTables) {
  const FunctionCase cases[] = {
      {"=VLOOKUP(2,A1:C4,2,FALSE)", rkText, "two"},
      {"=VLOOKUP(4,A1:C4,2)", rkText, "three"},   // the largest key at most 4
      {"=VLOOKUP(6,A1:C4,2,TRUE)", rkText, "five"},
      {"=VLOOKUP(5,A1:C4,3,FALSE)", rkNumber, "0"},  // an empty cell found
      {"=VLOOKUP(\"TWO\",B1:C3,2,FALSE)", rkText, "y"},
      {"=VLOOKUP(\"t*\",B1:C3,2,FALSE)", rkText, "y"},
      {"=VLOOKUP(\"th?ee\",B1:C3,2,FALSE)", rkText, "z"},
      {"=VLOOKUP(0,A1:C4,2)", rkError, "#N/A!"},
      {"=VLOOKUP(9,A1:C4,2,FALSE)", rkError, "#N/A!"},
      {"=VLOOKUP(\"2\",A1:C4,2,FALSE)", rkError, "#N/A!"},  // a text is no number
      {"=VLOOKUP(2,A1:C4,4,FALSE)", rkError, "#REF!"},
      {"=VLOOKUP(2,A1:C4,0)", rkError, "#VALUE!"},
      {"=VLOOKUP(1/0,A1:C4,2)", rkError, "#DIV/0!"},
      {"=VLOOKUP(2,A1:C4,\"x\",FALSE)", rkError, "#REF!"},  // a text column, once found
      {"=VLOOKUP(2,A1:C4,1/0,FALSE)", rkError, "#REF!"},
      {"=VLOOKUP(8,A1:C4,\"x\",FALSE)", rkError, "#N/A!"},  // not found comes first
      {"=VLOOKUP(2,A1:C4,2,\"FALSE\")", rkError, "#VALUE!"},
      {"=HLOOKUP(25,F1:I2,2)", rkText, "b"},
      {"=HLOOKUP(30,F1:I2,2,FALSE)", rkText, "c"},
      {"=HLOOKUP(5,F1:I2,2)", rkError, "#N/A!"},
      {"=HLOOKUP(10,F1:I2,3)", rkError, "#REF!"},
  };
  Check(cases);
}

TEST_F(LookupFunctionTest, AnEmptyLookupValueIsZero) {
  //  K   L
  //  0   zero
  //  1   one
  Put("K1", "0");
  Put("L1", "zero");
  Put("K2", "1");
  Put("L2", "one");
  const FunctionCase cases[] = {
      {"=VLOOKUP(D1,K1:L2,2)", rkText, "zero"},
      {"=VLOOKUP(D1,K1:L2,2,FALSE)", rkText, "zero"},
  };
  Check(cases);
}

TEST_F(LookupFunctionTest, LookupAndMatch) {
  const FunctionCase cases[] = {
      {"=LOOKUP(3,A1:A4,B1:B4)", rkText, "three"},
      {"=LOOKUP(4.5,A1:A4,C1:C4)", rkText, "z"},
      {"=LOOKUP(25,F1:I2)", rkText, "b"},  // wider than tall: first row, last row
      {"=LOOKUP(2,A1:C4)", rkText, "y"},   // first column, last column
      {"=LOOKUP(0,A1:A4,B1:B4)", rkError, "#N/A!"},
      {"=MATCH(3,A1:A4,0)", rkNumber, "3"},
      {"=MATCH(4,A1:A4)", rkNumber, "3"},
      {"=MATCH(4,A1:A4,1)", rkNumber, "3"},
      {"=MATCH(\"f*\",B1:B4,0)", rkNumber, "4"},
      {"=MATCH(25,F1:I1)", rkNumber, "2"},
      {"=MATCH(5,E1:E4,-1)", rkNumber, "2"},  // the smallest at least 5 on a falling line
      {"=MATCH(10,E1:E4,-1)", rkError, "#N/A!"},
      {"=MATCH(0,A1:A4)", rkError, "#N/A!"},
      {"=MATCH(1,A1:C4,0)", rkError, "#N/A!"},  // not a line
  };
  Check(cases);
}

TEST_F(LookupFunctionTest, ReferencesMadeByFunctions) {
  const FunctionCase cases[] = {
      {"=INDEX(A1:C4,2,2)", rkText, "two"},
      {"=INDEX(A1:A4,2)", rkNumber, "2"},
      {"=INDEX(F1:I1,3)", rkNumber, "30"},  // one row: the number counts along it
      {"=SUM(INDEX(A1:C4,0,1))", rkNumber, "11"},
      {"=SUM(INDEX(A1:C4,2,0))", rkNumber, "2"},
      {"=INDEX(A1:C4,5,1)", rkError, "#REF!"},
      {"=INDEX(A1:C4,-1,1)", rkError, "#VALUE!"},
      {"=INDEX(A1:C4,1,1,2)", rkError, "#REF!"},
      {"=CHOOSE(2,\"a\",\"b\",\"c\")", rkText, "b"},
      {"=CHOOSE(3.9,\"a\",\"b\",\"c\")", rkText, "c"},
      {"=SUM(CHOOSE(2,A1:A2,A3:A4))", rkNumber, "8"},
      {"=CHOOSE(4,\"a\",\"b\",\"c\")", rkError, "#VALUE!"},
      {"=CHOOSE(0,\"a\")", rkError, "#VALUE!"},
      {"=SUM(OFFSET(A1,1,0,2,1))", rkNumber, "5"},
      {"=OFFSET(A1,2,1)", rkText, "three"},
      {"=ROWS(OFFSET(A1,0,0,3,2))", rkNumber, "3"},
      {"=COLUMNS(OFFSET(A1:B2,1,1))", rkNumber, "2"},
      {"=OFFSET(A1,-1,0)", rkError, "#REF!"},
      {"=OFFSET(A1,0,0,0,1)", rkError, "#REF!"},
      {"=OFFSET(5,0,0)", rkError, "#VALUE!"},
      {"=INDIRECT(\"B2\")", rkText, "two"},
      {"=INDIRECT(\"b\"&2)", rkText, "two"},
      {"=SUM(INDIRECT(\"A1:A4\"))", rkNumber, "11"},
      {"=INDIRECT(\"R2C2\",FALSE)", rkText, "two"},
      {"=INDIRECT(\"R[-18]C[-8]\",FALSE)", rkText, "two"},  // from J20
      {"=INDIRECT(\"Sheet1!A2\")", rkNumber, "2"},
      {"=INDIRECT(\"nowhere\")", rkError, "#REF!"},
      {"=INDIRECT(\"Other!A1\")", rkError, "#REF!"},
  };
  Check(cases);
}

TEST_F(LookupFunctionTest, PositionsSizesAndAddresses) {
  const FunctionCase cases[] = {
      {"=ROW()", rkNumber, "20"},
      {"=COLUMN()", rkNumber, "10"},
      {"=ROW(B3)", rkNumber, "3"},
      {"=COLUMN(C1:D5)", rkNumber, "3"},
      {"=ROWS(A1:C4)", rkNumber, "4"},
      {"=COLUMNS(A1:C4)", rkNumber, "3"},
      {"=ROWS(5)", rkNumber, "1"},
      {"=AREAS(A1:C4)", rkNumber, "1"},
      {"=AREAS(5)", rkError, "#VALUE!"},
      {"=ROW(5)", rkError, "#VALUE!"},
      {"=ADDRESS(2,3)", rkText, "$C$2"},
      {"=ADDRESS(2,3,2)", rkText, "C$2"},
      {"=ADDRESS(2,3,3)", rkText, "$C2"},
      {"=ADDRESS(2,3,4)", rkText, "C2"},
      {"=ADDRESS(2,3,1,FALSE)", rkText, "R2C3"},
      {"=ADDRESS(2,3,4,FALSE)", rkText, "R[2]C[3]"},
      {"=ADDRESS(1,28,1,TRUE,\"My Sheet\")", rkText, "'My Sheet'!$AB$1"},
      {"=ADDRESS(0,1)", rkError, "#VALUE!"},
      {"=ADDRESS(1,1,5)", rkError, "#VALUE!"},
      {"=INDEX(TRANSPOSE(A1:C2),3,1)", rkText, "x"},
      {"=ROWS(TRANSPOSE(A1:C2))", rkNumber, "3"},
  };
  Check(cases);
}

}  // namespace
