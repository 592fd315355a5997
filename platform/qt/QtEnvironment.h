#pragma once

#include <memory>

#include "platform/Environment.h"

// Logical dots per inch of the primary screen; 96 when there is no screen.
int ScreenPixelsPerInch();

// The current local date and time as a date serial (days since 1899-12-30).
double LocalNowSerial();

// The environment of the running application, read from Qt: the system locale's regional
// settings, collation and case, real font metrics, the system clipboard, a modal message box,
// the primary screen's resolution and the local clock. Needs a QApplication.
std::shared_ptr<TcxEnvironment> MakeQtEnvironment();

// Builds the environment above and makes it the one new workbooks get.
void InstallQtEnvironment();
