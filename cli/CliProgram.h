#pragma once

#include <iosfwd>
#include <span>
#include <string>

// zofmirel-cli: runs one command over the core and answers the exit status: 0 done, 1 a file
// could not be read or written ("zofmirel-cli: FILE: MESSAGE" on `err`, MESSAGE being the
// workbook's own text), 2 a usage error. A workbook with functions the library lacks is read
// with a warning and the command goes on.
// `script` reads its commands from `in` and answers 1 when one of them failed.
int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out,
           std::ostream& err);
// The same with the commands of `script` read from the standard input.
int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err);
