#pragma once

#include <string>

class TFeatureChildForm;

// Loading and saving the workbook of a document window. The shell does both only through
// this interface, so tests can stand in for the file format.
class IWorkbookFiles {
public:
  virtual ~IWorkbookFiles() = default;
  // Raises on any failure; the shell turns it into its own load message.
  virtual void Load(TFeatureChildForm& window, const std::string& fileName) = 0;
  // Raises with the message the user is to see.
  virtual void Save(TFeatureChildForm& window, const std::string& fileName) = 0;
};

// The workbook's own LoadFromFile and SaveToFile.
class TBookFiles : public IWorkbookFiles {
public:
  void Load(TFeatureChildForm& window, const std::string& fileName) override;
  void Save(TFeatureChildForm& window, const std::string& fileName) override;
};
