#pragma once

#include <memory>

#include "cli/CliProgram.h"

class QApplication;

// The print command of zofmirel-cli: a sheet drawn into a PDF file by the report link and engine
// of the window's Print command, with the window's print settings, on Qt's offscreen platform,
// so that no display is needed. The Qt application is made when the command first needs it and
// lives as long as this object.
class TCliQtPrinter {
public:
  TCliQtPrinter(int& argc, char** argv);
  ~TCliQtPrinter();
  TCliQtPrinter(const TCliQtPrinter&) = delete;
  TCliQtPrinter& operator=(const TCliQtPrinter&) = delete;

  TCliPrintSupport Support();

private:
  void EnsureApplication();

  int& argc_;
  char** argv_;
  std::unique_ptr<QApplication> application_;
};
