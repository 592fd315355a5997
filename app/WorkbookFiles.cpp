#include "app/WorkbookFiles.h"

#include "app/FeatureChildForm.h"
#include "sheet/cxSSBookFile.h"

// Any error of the load, "Stream has unknown function's" included, reaches the shell, which
// closes the new window and shows its own message naming the file.
void TBookFiles::Load(TFeatureChildForm& window, const std::string& fileName) {
  window.Book().LoadFromFile(fileName);
}

// The workbook writes beside the file and renames over it only when everything was written,
// so a save that fails leaves the previous file as it was; its message is shown as it is.
void TBookFiles::Save(TFeatureChildForm& window, const std::string& fileName) {
  window.Book().SaveToFile(fileName);
}
