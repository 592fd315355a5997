#pragma once

#include <functional>
#include <memory>

#include "platform/Clipboard.h"
#include "platform/MessageBox.h"
#include "platform/RegionalSettings.h"
#include "platform/TextMeasurer.h"
#include "platform/TextServices.h"

// Everything a workbook needs from outside the program, captured once: the regional settings,
// text services, text measurement, the clipboard, the message box, the screen resolution and
// the clock. The application fills it from Qt at start; tests and the command-line program
// use a fixed one (FixedPlatform.h).
struct TcxEnvironment {
  TRegionalSettings Settings;
  std::shared_ptr<ITextServices> Text;
  std::shared_ptr<ITextMeasurer> Measurer;
  std::shared_ptr<IClipboard> Clipboard;
  std::shared_ptr<IMessageBox> Messages;
  int PixelsPerInch = 96;
  // The current local date and time as a date serial (days since 1899-12-30).
  std::function<double()> Now;

  // The environment new workbooks get when none is given: a fixed English one until the
  // program installs its own at start.
  static std::shared_ptr<const TcxEnvironment> Default();
  static void SetDefault(std::shared_ptr<const TcxEnvironment> environment);
};
