#pragma once

#include <QString>
#include <memory>

#include "app/ShellPrompts.h"
#include "app/zofMirelGlavna.h"

struct TStartOptions {
  // The workbook to open beside the first, empty one; empty for none.
  QString CommandLineFile;
  // Who answers the shell's questions; message boxes when null.
  std::unique_ptr<TShellPrompts> Prompts;
  // How workbooks are loaded and saved; the workbook's own file operations when null.
  std::unique_ptr<IWorkbookFiles> Files;
};

// Program start-up after the platform services are installed, in this order: the splash
// window shown and painted, the application title, the main window and the hidden about box,
// the first document window "Radna knjiga - 1", the splash window destroyed, the main window
// shown maximised. The command-line file opens as soon as the event loop runs.
std::unique_ptr<TzofMirelGlavna> StartZofMirel(TStartOptions options);

// Renders the main window, started as usual with `file`, at 1280 x 800 into a PNG file. Every
// message box is answered with its default button at once and its text written to stderr.
// Returns the exit status: non-zero after an error message (a file that does not load) or
// when the picture cannot be written.
int TakeScreenshot(const QString& pngFile, const QString& file);

// The program: `zofmirel [FILE.xls]` or `zofmirel --screenshot OUT.png [FILE.xls]`.
int ZofMirelMain(int argc, char** argv);
