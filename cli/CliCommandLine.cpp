#include "cli/CliCommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "calc/cxSSUtils.h"

namespace {

const TCliCommandSpec* FindCommand(std::string_view name) {
  for (const TCliCommandSpec& spec : kCliCommands)
    if (spec.Name == name) return &spec;
  return nullptr;
}

int ParseSheetNumber(const std::string& text) {
  int value = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0)
    throw ECliUsageError("--sheet needs a sheet number (0, 1, ...), not \"" + text + "\"");
  return value;
}

// Ranges stay inside the grid an .xls file holds, so that no command can make the workbook
// grow without bound.
constexpr int kColumnLimit = 256;
constexpr int kRowLimit = 65536;

// "B2" (letters in either case, then the 1-based row) as a column and row; false when the text
// is no cell reference at all.
bool ParseCell(std::string_view text, TPoint& cell) {
  size_t letters = 0;
  while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters]))) ++letters;
  if (letters == 0 || letters == text.size() || letters > 3) return false;
  std::string upper;
  for (size_t i = 0; i < letters; ++i)
    upper += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
  const std::string_view digits = text.substr(letters);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  long long row = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), row);
  if (error != std::errc() || end != digits.data() + digits.size()) row = -1;
  cell = {TcxSSUtils::ColumnIndex(upper), row > 0 && row <= kRowLimit ? static_cast<int>(row - 1) : -1};
  return true;
}

}  // namespace

bool ParseCellRange(std::string_view text, TRect& range, std::string& error) {
  const size_t colon = text.find(':');
  TPoint a;
  TPoint b;
  if (!ParseCell(text.substr(0, colon), a) ||
      (colon != std::string_view::npos && !ParseCell(text.substr(colon + 1), b))) {
    error = "not a range: \"" + std::string(text) + "\"";
    return false;
  }
  if (colon == std::string_view::npos) b = a;
  if (a.X < 0 || a.Y < 0 || b.X < 0 || b.Y < 0 || a.X >= kColumnLimit || b.X >= kColumnLimit) {
    error = std::string(text) + " lies outside A1:IV65536";
    return false;
  }
  range = {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
  return true;
}

std::string CliUsage() {
  std::string text = "usage: zofmirel-cli COMMAND ... [--locale en|sr]\n";
  for (const TCliCommandSpec& spec : kCliCommands) {
    text += "  zofmirel-cli ";
    text += spec.Usage;
    text += '\n';
  }
  return text;
}

TCliCommand ParseCliCommandLine(std::span<const std::string> args) {
  if (args.empty()) throw ECliUsageError("no command");
  const TCliCommandSpec* spec = FindCommand(args[0]);
  if (!spec) throw ECliUsageError("unknown command \"" + args[0] + "\"");
  TCliCommand command;
  command.Name = args[0];
  bool modeGiven = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw ECliUsageError(arg + " needs a value");
      return args[++i];
    };
    const auto allowed = [&](unsigned option) {
      if (!(spec->Options & option))
        throw ECliUsageError(command.Name + " does not take " + arg);
    };
    if (arg == "--locale") {
      const std::string& locale = value();
      if (locale != "en" && locale != "sr")
        throw ECliUsageError("--locale is en or sr, not \"" + locale + "\"");
      command.Locale = locale;
    } else if (arg == "--sheet") {
      allowed(coSheet);
      command.Sheet = ParseSheetNumber(value());
    } else if (arg == "--formulas" || arg == "--display") {
      allowed(arg == "--formulas" ? coFormulas : coDisplay);
      if (modeGiven) throw ECliUsageError("--formulas and --display exclude each other");
      modeGiven = true;
      command.Mode = arg == "--formulas" ? TCliOutputMode::Formulas : TCliOutputMode::Display;
    } else if (arg == "--area") {
      allowed(coArea);
      TRect range;
      std::string error;
      if (!ParseCellRange(value(), range, error)) throw ECliUsageError("--area: " + error);
      command.Area = range;
    } else if (arg == "--headings" || arg == "--grid") {
      allowed(arg == "--headings" ? coHeadings : coGrid);
      (arg == "--headings" ? command.Headings : command.Grid) = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw ECliUsageError("unknown option " + arg);
    } else {
      command.Files.push_back(arg);
    }
  }
  const bool noFile = command.Files.empty() && (spec->Options & coNoFile);
  if (static_cast<int>(command.Files.size()) != spec->Files && !noFile)
    throw ECliUsageError(command.Name + " takes " +
                         (spec->Options & coNoFile ? "at most " : "") + std::to_string(spec->Files) +
                         (spec->Files == 1 ? " file" : " files"));
  return command;
}
