#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"
#ifdef ZOF_CLI_PRINT
#include "cli/qt/CliPrint.h"
#endif

int main(int argc, char** argv) {
  // A save beyond the file-size limit then fails with "File too large", and its temporary file
  // is removed, instead of the program being killed half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef ZOF_CLI_PRINT
  TCliQtPrinter printer(argc, argv);
  return RunCli(args, std::cout, std::cerr, printer.Support());
#else
  return RunCli(args, std::cout, std::cerr);
#endif
}
