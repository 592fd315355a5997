#include "calc/cxSSFunctions.h"

#include <gtest/gtest.h>

#include "calc/cxSSFunctionTable.h"
#include "tests/calc/FunctionTestSupport.h"

namespace {

TEST(FunctionLibrary, EveryBuiltInHasItsRoutine) {
  for (const TcxExcelFuncDefinition& entry : BuiltInFunctions()) {
    EXPECT_NE(entry.Proc, nullptr) << entry.Name;
    TcxFuncDefinition byNumber;
    ASSERT_TRUE(FindFunctionByIndex(entry.Index, byNumber));
    EXPECT_EQ(byNumber.Proc, entry.Proc) << entry.Name;
  }
}

TEST_F(FunctionTest, AFailingRoutineEndsOnlyItsOwnFormula) {
  //  A            B             C
  //  =SQRT(-1)    =MID("a",9,1)  =1+1
  // Each routine that fails still hands back one result, so the sweep goes on past it and
  // no message is shown.
  Put("A1", "=SQRT(-1)");
  Put("B1", "=MID(\"a\",9,1)");
  Put("C1", "=1+1");
  book_->Recalc();
  EXPECT_EQ(Shown("A1"), "#NUM!");
  EXPECT_EQ(Shown("B1"), "#VALUE!");
  EXPECT_EQ(Shown("C1"), "2");
  EXPECT_TRUE(messages_->Messages.empty());
}

TEST_F(FunctionTest, ADependentFormulaSeesAFailedCellAsItsErrorText) {
  //  A           B
  //  =LOG(-1)    =ISERROR(A1)
  //              =A1+1
  Put("A1", "=LOG(-1)");
  Put("B1", "=ISERROR(A1)");
  Put("B2", "=A1+1");
  EXPECT_EQ(Shown("B1"), "TRUE");
  EXPECT_EQ(Shown("B2"), "#NAME!");  // the failed cell reads as the text #VALUE!
}

}  // namespace
