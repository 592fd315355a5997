#include "cli/CliCsv.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(WriteCsvRecord, QuotesOnlyWhatNeedsIt) {
  const struct {
    std::vector<std::string> Fields;
    const char* Line;
  } cases[] = {
      {{"a", "b", "c"}, "a,b,c\n"},
      {{"", "", ""}, ",,\n"},
      {{"1,5", "x"}, "\"1,5\",x\n"},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\"\n"},
      {{"two\nlines", "cr\r"}, "\"two\nlines\",\"cr\r\"\n"},
      {{" blank ", "Ćao"}, " blank ,Ćao\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    WriteCsvRecord(out, c.Fields);
    EXPECT_EQ(out.str(), c.Line);
  }
}

TEST(ParseCsv, ReadsRecordsAndQuotedFields) {
  using Records = std::vector<std::vector<std::string>>;
  const struct {
    const char* Text;
    Records Expected;
  } cases[] = {
      {"", {}},
      {"a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}},
      {"a,b\r\n1,2", {{"a", "b"}, {"1", "2"}}},
      {"\xEF\xBB\xBFx\n", {{"x"}}},
      {"\"1,5\",\"a\"\"b\"\n", {{"1,5", "a\"b"}}},
      {"\"two\nlines\",z\n", {{"two\nlines", "z"}}},
      {",,\n", {{"", "", ""}}},
      {"\n", {{""}}},
      {"\"open", {{"open"}}},
      {"=SUM(A1:A2),\"=1,5\"\n", {{"=SUM(A1:A2)", "=1,5"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCsv(c.Text), c.Expected) << c.Text;
}

TEST(ParseCsv, ReadsBackWhatWasWritten) {
  const std::vector<std::vector<std::string>> records = {
      {"plain", "with,comma", "with \"quotes\""}, {"", "multi\nline", ""}, {"last"}};
  std::ostringstream out;
  for (const auto& r : records) WriteCsvRecord(out, r);
  EXPECT_EQ(ParseCsv(out.str()), records);
}
