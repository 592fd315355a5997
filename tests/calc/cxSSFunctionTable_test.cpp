#include "calc/cxSSFunctionTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(FunctionTable, HoldsThe81BuiltInsAlphabetically) {
  const auto table = BuiltInFunctions();
  ASSERT_EQ(table.size(), 81u);
  std::set<int> numbers;
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].Style, 0);
    if (i > 0) {
      EXPECT_LT(table[i - 1].Name, table[i].Name);
    }
    EXPECT_TRUE(numbers.insert(table[i].Index).second) << table[i].Name;
  }
}

TEST(FunctionTable, NumbersAndNamesAgreeWithTheFileFormat) {
  // The file format's own list of built-in function numbers.
  std::ifstream in(ZOF_CORPUS_DIR "/../../reference/biff8-functions.tsv");
  if (!in) in.open(ZOF_SOURCE_DIR "/../shared/reference/biff8-functions.tsv");
  if (!in) GTEST_SKIP() << "reference list not present";
  std::map<int, std::string> names;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("number", 0) == 0) continue;
    std::istringstream fields(line);
    int number;
    std::string name;
    fields >> number >> name;
    names[number] = name;
  }
  for (const auto& f : BuiltInFunctions()) EXPECT_EQ(names[f.Index], f.Name) << f.Index;
  for (const auto& f : FurtherFunctions())
    if (!IsAddInFunction(f.Index)) {
      EXPECT_EQ(names[f.Index], f.Name) << f.Index;
    }
}

TEST(FunctionTable, LooksUpByNumberAndByNameWithoutCase) {
  struct Case {
    const char* name;
    int number;
    int fileArgs;
  } cases[] = {
      {"sum", 4, 1},    {"Count", 0, 1}, {"IF", 1, 2},     {"mid", 31, 3},   {"pi", 19, 0},
      {"DATE", 65, 3},  {"atan2", 97, 2}, {"AVERAGEA", 361, 1}, {"countif", 346, 2},
      {"TODAY", 221, 0},
  };
  for (const auto& c : cases) {
    TcxFuncDefinition byName;
    ASSERT_TRUE(FindFunctionByName(c.name, byName)) << c.name;
    EXPECT_EQ(byName.Index, c.number);
    EXPECT_EQ(byName.FileArgs, c.fileArgs) << c.name;
    TcxFuncDefinition byNumber;
    ASSERT_TRUE(FindFunctionByIndex(c.number, byNumber));
    EXPECT_EQ(byNumber.Name, byName.Name);
  }
  TcxFuncDefinition none;
  EXPECT_FALSE(FindFunctionByName("BAHTTEXT", none));
  EXPECT_FALSE(FindFunctionByName("SUMX", none));
  EXPECT_FALSE(FindFunctionByIndex(368, none));
  // The Japanese names of two functions find those functions.
  TcxFuncDefinition alias;
  ASSERT_TRUE(FindFunctionByName("jis", alias));
  EXPECT_EQ(alias.Index, 215);
  EXPECT_EQ(std::string_view(alias.Name), "DBCS");
  ASSERT_TRUE(FindFunctionByName("YEN", alias));
  EXPECT_EQ(alias.Index, 204);
  EXPECT_EQ(std::string_view(alias.Name), "USDOLLAR");
}

TEST(FunctionTable, FurtherFunctionsFollowTheBuiltIns) {
  const auto further = FurtherFunctions();
  std::set<std::string_view> names;
  for (const auto& f : BuiltInFunctions()) names.insert(f.Name);
  for (size_t i = 0; i < further.size(); ++i) {
    if (i > 0) {
      EXPECT_LT(further[i - 1].Name, further[i].Name);
    }
    EXPECT_TRUE(names.insert(further[i].Name).second) << further[i].Name;
    EXPECT_NE(further[i].Proc, nullptr) << further[i].Name;
  }
  struct Case {
    const char* name;
    int number;
    int fileArgs;
  } cases[] = {
      {"vlookup", 102, 3}, {"Index", 29, 2}, {"NA", 10, 0},     {"stdev", 12, 1},
      {"ERROR.TYPE", 261, 1}, {"pmt", 59, 3}, {"SUMPRODUCT", 228, 1},
  };
  for (const auto& c : cases) {
    TcxFuncDefinition byName;
    ASSERT_TRUE(FindFunctionByName(c.name, byName)) << c.name;
    EXPECT_EQ(byName.Index, c.number);
    EXPECT_EQ(byName.FileArgs, c.fileArgs) << c.name;
    EXPECT_FALSE(IsAddInFunction(byName.Index));
    TcxFuncDefinition byNumber;
    ASSERT_TRUE(FindFunctionByIndex(c.number, byNumber));
    EXPECT_EQ(byNumber.Name, byName.Name);
  }
  // Add-in functions carry numbers no file function uses, one each; the table's mark for an
  // add-in is no number of its own.
  std::set<int> addInNumbers;
  for (const auto& f : further)
    if (IsAddInFunction(f.Index)) {
      EXPECT_NE(f.Index, kAddIn) << f.Name;
      EXPECT_TRUE(addInNumbers.insert(f.Index).second) << f.Name;
    }
  for (const char* name : {"GCD", "EDATE", "DEC2HEX", "networkdays", "YearFrac", "MROUND",
                           "isodd", "Complex", "IMSUM", "FACTDOUBLE"}) {
    TcxFuncDefinition addIn;
    ASSERT_TRUE(FindFunctionByName(name, addIn)) << name;
    EXPECT_TRUE(IsAddInFunction(addIn.Index)) << name;
    TcxFuncDefinition byNumber;
    ASSERT_TRUE(FindFunctionByIndex(addIn.Index, byNumber));
    EXPECT_EQ(byNumber.Name, addIn.Name);
  }
}

TEST(FunctionTable, AddedEntriesAreSearchedAfterTheBuiltIns) {
  TcxFuncDefinition d;
  AddFunction({1200, "MYCHOOSE", nullptr, 2, 1});
  // A lookup between two additions: the second addition is found by its number too.
  EXPECT_TRUE(FindFunctionByIndex(1200, d));
  EXPECT_EQ(d.Name, "MYCHOOSE");
  AddFunction({4, "MYSUM", nullptr, 0, 1});
  AddFunction({1201, "VLOOKUP", nullptr, 2, 1});
  EXPECT_TRUE(FindFunctionByIndex(1201, d));
  EXPECT_EQ(d.Style, 2);
  EXPECT_TRUE(FindFunctionByName("mychoose", d));
  EXPECT_EQ(d.Style, 2);
  EXPECT_TRUE(FindFunctionByIndex(4, d));
  EXPECT_EQ(d.Name, "SUM");
  EXPECT_TRUE(FindFunctionByName("VLOOKUP", d));
  EXPECT_EQ(d.Index, 102);  // the further function comes first
  ClearAddedFunctions();
  EXPECT_FALSE(FindFunctionByName("MYCHOOSE", d));
  EXPECT_FALSE(FindFunctionByIndex(1200, d));
  EXPECT_FALSE(FindFunctionByIndex(-1, d));
  EXPECT_FALSE(FindFunctionByIndex(0x10000, d));
  EXPECT_TRUE(FindFunctionByName("VLOOKUP", d));
}

}  // namespace
