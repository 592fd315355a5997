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
      {{"print", "a.xls"}, "unknown command \"print\""},
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

TEST(CliUsage, ListsEveryCommand) {
  const std::string usage = CliUsage();
  for (const TCliCommandSpec& spec : kCliCommands)
    EXPECT_NE(usage.find(std::string(spec.Usage)), std::string::npos) << spec.Name;
}
