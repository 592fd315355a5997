#include <csignal>

#include "app/ZofMirel.h"

int main(int argc, char** argv) {
  // A save beyond the file-size limit then fails with "File too large" instead of the program
  // being killed with the user's work.
  std::signal(SIGXFSZ, SIG_IGN);
  return ZofMirelMain(argc, argv);
}
