#include "app/WorkbookFiles.h"

#include "calc/cxSSStrings.h"
#include "calc/cxSSTypes.h"

// The workbook has no reader and writer yet: every load reports a damaged file, which the
// shell shows as its load message, and every save reports that nothing was written.
void TBookFiles::Load(TFeatureChildForm&, const std::string&) {
  throw ESpreadSheetError(std::string(kInvalidStreamFormat));
}

void TBookFiles::Save(TFeatureChildForm&, const std::string& fileName) {
  throw ESpreadSheetError("Datoteka " + fileName + " nije sačuvana: upis .xls datoteka još ne postoji.");
}
