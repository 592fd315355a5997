#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string>

#include "cli/CliCommandLine.h"

class TcxCustomSpreadSheetBook;
struct TcxEnvironment;

// The print command draws with Qt, which the command-line units leave out: the program gives
// it its drawing (cli/qt/CliPrint.h) where it is built with the Qt layer; without it the
// command is refused.
struct TCliPrintSupport {
  // Readies the environment the workbook is loaded in for drawing (rows measured in the fonts
  // the page is drawn with).
  std::function<void(TcxEnvironment& environment)> Prepare;
  // Prints the workbook's active sheet into the PDF file `out` as the command asks. An output
  // that cannot be written raises ECliOutputError; anything else raised is about the workbook.
  std::function<void(TcxCustomSpreadSheetBook& book, const TCliCommand& command, const std::string& out)> Print;
};

class ECliOutputError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// zofmirel-cli: runs one command over the core and answers the exit status: 0 done, 1 a file
// could not be read or written ("zofmirel-cli: FILE: MESSAGE" on `err`, MESSAGE being the
// workbook's own text), 2 a usage error. A workbook with functions the library lacks is read
// with a warning and the command goes on.
// `script` reads its commands from `in` and answers 1 when one of them failed.
// `print` draws through `print`.
int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out,
           std::ostream& err, const TCliPrintSupport& print = {});
// The same with the commands of `script` read from the standard input.
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const TCliPrintSupport& print = {});
