#include "cli/CliCommandLine.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ParseCliCommandLine, AcceptsEachCommandWithItsOptions) {
  const struct {
    std::vector<std::string> Args;
    const char* Name;
    std::vector<std::string> Files;
    int Sheet;  // -1: none given
    TCliOutputMode Mode;
    const char* Locale;
  } cases[] = {
      {{"dump", "a.xls"}, "dump", {"a.xls"}, -1, TCliOutputMode::Values, "en"},
      {{"dump", "a.xls", "--sheet", "2", "--formulas"}, "dump", {"a.xls"}, 2, TCliOutputMode::Formulas, "en"},
      {{"dump", "--display", "a.xls", "--locale", "sr"}, "dump", {"a.xls"}, -1, TCliOutputMode::Display, "sr"},
      {{"info", "b.xls"}, "info", {"b.xls"}, -1, TCliOutputMode::Values, "en"},
      {{"convert", "a.xls", "b.csv", "--sheet", "0"}, "convert", {"a.xls", "b.csv"}, 0, TCliOutputMode::Values, "en"},
      {{"recalc", "--locale", "en", "a.xls", "b.xls"}, "recalc", {"a.xls", "b.xls"}, -1, TCliOutputMode::Values, "en"},
      {{"script", "a.xls"}, "script", {"a.xls"}, -1, TCliOutputMode::Values, "en"},
      {{"script", "--locale", "sr"}, "script", {}, -1, TCliOutputMode::Values, "sr"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args[0] + " " + c.Args[1]);
    const TCliCommand command = ParseCliCommandLine(c.Args);
    EXPECT_EQ(command.Name, c.Name);
    EXPECT_EQ(command.Files, c.Files);
    EXPECT_EQ(command.Sheet.value_or(-1), c.Sheet);
    EXPECT_EQ(command.Mode, c.Mode);
    EXPECT_EQ(command.Locale, c.Locale);
  }
}

TEST(ParseCliCommandLine, RefusesWhatNoCommandTakes) {
  const struct {
    std::vector<std::string> Args;
    const char* Message;
  } cases[] = {
      {{}, "no command"},
      {{"plot", "a.xls"}, "unknown command \"plot\""},
      {{"print", "a.xls"}, "print takes 2 files"},
      {{"print", "a.xls", "b.pdf", "--area"}, "--area needs a value"},
      {{"print", "a.xls", "b.pdf", "--area", "A0"}, "--area: A0 lies outside A1:IV65536"},
      {{"print", "a.xls", "b.pdf", "--area", "IW1"}, "--area: IW1 lies outside A1:IV65536"},
      {{"print", "a.xls", "b.pdf", "--area", "A1:B70000"}, "--area: A1:B70000 lies outside A1:IV65536"},
      {{"print", "a.xls", "b.pdf", "--area", "1A"}, "--area: not a range: \"1A\""},
      {{"print", "a.xls", "b.pdf", "--formulas"}, "print does not take --formulas"},
      {{"dump", "a.xls", "--area", "A1"}, "dump does not take --area"},
      {{"dump", "a.xls", "--grid"}, "dump does not take --grid"},
      {{"dump"}, "dump takes 1 file"},
      {{"dump", "a.xls", "b.xls"}, "dump takes 1 file"},
      {{"convert", "a.xls"}, "convert takes 2 files"},
      {{"dump", "a.xls", "--sheet"}, "--sheet needs a value"},
      {{"dump", "a.xls", "--sheet", "x"}, "--sheet needs a sheet number (0, 1, ...), not \"x\""},
      {{"dump", "a.xls", "--sheet", "-1"}, "--sheet needs a sheet number (0, 1, ...), not \"-1\""},
      {{"dump", "a.xls", "--formulas", "--display"}, "--formulas and --display exclude each other"},
      {{"info", "a.xls", "--sheet", "1"}, "info does not take --sheet"},
      {{"recalc", "a.xls", "b.xls", "--formulas"}, "recalc does not take --formulas"},
      {{"dump", "a.xls", "--locale", "de"}, "--locale is en or sr, not \"de\""},
      {{"dump", "a.xls", "--verbose"}, "unknown option --verbose"},
      {{"script", "a.xls", "b.xls"}, "script takes at most 1 file"},
      {{"script", "--sheet", "1"}, "script does not take --sheet"},
      {{"script", "--formulas"}, "script does not take --formulas"},
  };
  for (const auto& c : cases) {
    try {
      ParseCliCommandLine(c.Args);
      ADD_FAILURE() << "accepted: " << c.Message;
    } catch (const ECliUsageError& e) {
      EXPECT_STREQ(e.what(), c.Message);
    }
  }
}

TEST(ParseCliCommandLine, PrintTakesAnAreaAndWhatToShow) {
  const TCliCommand plain = ParseCliCommandLine(std::vector<std::string>{"print", "a.xls", "b.pdf"});
  EXPECT_EQ(plain.Files, (std::vector<std::string>{"a.xls", "b.pdf"}));
  EXPECT_FALSE(plain.Area);
  EXPECT_FALSE(plain.Headings);
  EXPECT_FALSE(plain.Grid);
  // Corners in any order and either case; a single cell is an area of one cell.
  const TCliCommand full = ParseCliCommandLine(
      std::vector<std::string>{"print", "a.xls", "b.pdf", "--area", "d20:a1", "--headings", "--grid", "--sheet", "1"});
  ASSERT_TRUE(full.Area);
  EXPECT_EQ(*full.Area, (TRect{0, 0, 3, 19}));
  EXPECT_TRUE(full.Headings);
  EXPECT_TRUE(full.Grid);
  EXPECT_EQ(full.Sheet, 1);
  const TCliCommand one = ParseCliCommandLine(std::vector<std::string>{"print", "a.xls", "b.pdf", "--area", "IV65536"});
  EXPECT_EQ(*one.Area, (TRect{255, 65535, 255, 65535}));
}

TEST(CliUsage, ListsEveryCommand) {
  const std::string usage = CliUsage();
  for (const TCliCommandSpec& spec : kCliCommands)
    EXPECT_NE(usage.find(std::string(spec.Usage)), std::string::npos) << spec.Name;
}
