#include "cli/CliCommandLine.h"

#include <charconv>

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

}  // namespace

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
