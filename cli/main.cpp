#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliProgram.h"

int main(int argc, char** argv) {
  // A save beyond the file-size limit then fails with "File too large", and its temporary file
  // is removed, instead of the program being killed half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunCli(args, std::cout, std::cerr);
}
