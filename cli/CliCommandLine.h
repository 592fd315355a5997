#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

// The command line of zofmirel-cli: a command, its file arguments and options, checked against
// the table of commands. Adding a command is one row of kCliCommands and one handler in
// CliProgram.cpp.

// A command line that does not fit any command; the message says what is wrong.
class ECliUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class TCliOutputMode { Values, Formulas, Display };

struct TCliCommand {
  std::string Name;
  std::vector<std::string> Files;
  std::optional<int> Sheet;  // --sheet N, 0-based
  TCliOutputMode Mode = TCliOutputMode::Values;
  std::string Locale = "en";  // --locale en|sr
  std::optional<TRect> Area;  // --area A1:D20, sheet cells
  bool Headings = false;      // --headings
  bool Grid = false;          // --grid
};

// Options a command accepts, as bits.
enum TCliOption : unsigned {
  coSheet = 1,     // --sheet N
  coFormulas = 2,  // --formulas
  coDisplay = 4,   // --display
  coNoFile = 8,    // the file arguments may all be left out
  coArea = 16,     // --area RANGE
  coHeadings = 32, // --headings
  coGrid = 64,     // --grid
};

struct TCliCommandSpec {
  std::string_view Name;
  int Files;  // file arguments, exactly (or none, with coNoFile)
  unsigned Options;
  std::string_view Usage;
};

inline constexpr TCliCommandSpec kCliCommands[] = {
    {"dump", 1, coSheet | coFormulas | coDisplay, "dump FILE [--sheet N] [--formulas | --display]"},
    {"info", 1, 0, "info FILE"},
    {"convert", 2, coSheet, "convert IN OUT [--sheet N]"},
    {"recalc", 2, 0, "recalc IN OUT"},
    {"script", 1, coNoFile, "script [FILE.xls] < COMMANDS"},
    {"print", 2, coSheet | coArea | coHeadings | coGrid,
     "print FILE.xls OUT.pdf [--sheet N] [--area A1:D20] [--headings] [--grid]"},
};

// A cell ("B2", letters in either case) or a range ("B2:D5", corners in any order) of the .xls
// grid A1:IV65536, as sheet cells; false with the reason in `error` for anything else.
bool ParseCellRange(std::string_view text, TRect& range, std::string& error);

// The usage text: the program line and one line per command.
std::string CliUsage();

// Parses the arguments after the program name. --locale is accepted by every command; options
// may stand anywhere after the command. Raises ECliUsageError.
TCliCommand ParseCliCommandLine(std::span<const std::string> args);
