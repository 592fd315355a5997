#pragma once

#include <QString>
#include <chrono>
#include <string>

#include "sheet/cxSSBookFile.h"

class TFeatureChildForm;

// Loading and saving the workbook of a document window. The shell does both only through
// this interface, so tests can stand in for the file format.
class IWorkbookFiles {
public:
  virtual ~IWorkbookFiles() = default;
  // Raises on any failure; the shell turns it into its own load message. A workbook that was
  // read whole answers what it could not bring in as it was (formulas with functions outside
  // the library keep the values the file stored).
  virtual TcxLoadReport Load(TFeatureChildForm& window, const std::string& fileName) = 0;
  // Raises with the message the user is to see.
  virtual void Save(TFeatureChildForm& window, const std::string& fileName) = 0;
  // What a save would have to cut or leave out, one line each (empty when nothing), so that
  // the user hears of it before the save; raises what the save would raise.
  virtual std::string SaveLosses(TFeatureChildForm&) { return {}; }
};

// The workbook's own LoadFromFile and SaveToFile, with the busy cursor and, once one has taken
// ProgressDelay, its progress in the main window's status bar.
class TBookFiles : public IWorkbookFiles {
public:
  TcxLoadReport Load(TFeatureChildForm& window, const std::string& fileName) override;
  void Save(TFeatureChildForm& window, const std::string& fileName) override;
  std::string SaveLosses(TFeatureChildForm& window) override;

  std::chrono::milliseconds ProgressDelay{500};
};

// What the user is told once a file with formulas calling functions outside the library has
// opened: each such function with the number of cells that use it. Empty when there are none.
QString UnknownFunctionsMessage(const QString& fileName, const TcxLoadReport& report);
