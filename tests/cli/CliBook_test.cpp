#include "cli/CliBook.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"

TEST(ShortestNumberText, RoundTripsWithTheLocaleSeparator) {
  const auto english = TRegionalSettings::English();
  const auto serbian = TRegionalSettings::Serbian();
  const struct {
    double X;
    const TRegionalSettings& Settings;
    const char* Text;
  } cases[] = {
      {0, english, "0"},         {3.75, english, "3.75"},     {0.1, english, "0.1"},
      {1.0 / 3, english, "0.3333333333333333"}, {1e21, english, "1e+21"},
      {-2.5e-7, english, "-2.5e-07"}, {1234567.5, serbian, "1234567,5"}, {12, serbian, "12"},
  };
  for (const auto& c : cases) {
    const std::string text = ShortestNumberText(c.X, c.Settings);
    EXPECT_EQ(text, c.Text);
    if (&c.Settings == &english) {
      EXPECT_EQ(std::stod(text), c.X);
    }
  }
}

namespace {

class CliBookFixture : public ::testing::Test {
protected:
  CliBookFixture() : book_(MakeFixedEnvironment(TRegionalSettings::English())) {}
  TcxSSDataStorage& Storage() { return book_.ActiveSheet().DataStorage(); }
  std::string Csv(TCliOutputMode mode) {
    std::ostringstream out;
    WriteSheetCsv(book_, 0, mode, out);
    return out.str();
  }
  TcxSpreadSheetBook book_;
};

}  // namespace

// The CSV is entered as a user types it, and dumped as values, formulas or shown text.
//     A          B            C
// 1   name       1.50         =B1*2
// 2   "a, b"     TRUE         =1/0
// 3              10%          =A1&"!"
// (typed numbers stay text: 1.50 is the text 1.50, whose value is 1.5 in formulas; 10% stays 10%)
TEST_F(CliBookFixture, CsvInAndOut) {
  ReadCsvIntoSheet(book_, "name,1.50,=B1*2\n\"a, b\",TRUE,=1/0\n,10%,=A1&\"!\"\n");
  EXPECT_EQ(Csv(TCliOutputMode::Values),
            "name,1.50,3\n\"a, b\",TRUE,#DIV/0!\n,10%,name!\n");
  EXPECT_EQ(Csv(TCliOutputMode::Formulas),
            "name,1.50,=B1*2\n\"a, b\",TRUE,=1/0\n,10%,\"=A1&\"\"!\"\"\"\n");
  // Shown text: General shows TRUE as 1, as the cell itself does.
  EXPECT_EQ(Csv(TCliOutputMode::Display), "name,1.5,3\n\"a, b\",1,#DIV/0!\n,10%,name!\n");
}

TEST_F(CliBookFixture, EmptySheetDumpsNothing) { EXPECT_EQ(Csv(TCliOutputMode::Values), ""); }

TEST_F(CliBookFixture, InfoDescribesSheetsNamesAndFlags) {
  ReadCsvIntoSheet(book_, "1,2\n=A1+B1\n");
  book_.AddSheet("Drugi \"list\"");
  book_.SetPageVisibility(1, svVeryHidden);
  book_.Pages(1).Protect("lozinka");
  Storage().MergeCells({3, 3, 4, 5}, true);
  book_.FormulasCache().AddName("Ulaz", 0, true, {0, 0, 1, 0});
  std::ostringstream out;
  WriteBookInfo(book_, out);
  EXPECT_EQ(out.str(),
            "{\n  \"sheets\": [\n"
            "    {\"name\": \"Sheet1\", \"visible\": true, \"visibility\": \"visible\", "
            "\"protected\": false, \"rows\": 2, \"columns\": 2, \"cells\": 3, "
            "\"formulas\": 1, \"merged\": [\"D4:E6\"]},\n"
            "    {\"name\": \"Drugi \\\"list\\\"\", \"visible\": false, \"visibility\": \"veryHidden\", "
            "\"protected\": true, \"rows\": 0, \"columns\": 0, "
            "\"cells\": 0, \"formulas\": 0, \"merged\": []}\n"
            "  ],\n  \"names\": [\n"
            "    {\"name\": \"Ulaz\", \"sheet\": \"Sheet1\", \"range\": \"A1:B1\"}\n"
            "  ],\n  \"flags\": {\"protected\": false, \"readOnly\": false, \"r1c1\": false, "
            "\"date1904\": false, \"autoRecalc\": true, \"activeSheet\": 0}\n}\n");
}
