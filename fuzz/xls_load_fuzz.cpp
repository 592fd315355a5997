// libFuzzer target for loading a workbook: the whole path from the file's bytes through the
// reader into the workbook's sheets, cells, styles, headers, merged areas, names and formulas.
// Any input must load or fail with the documented errors, without a crash, an out-of-bounds
// access, a hang or a huge allocation, and leave the workbook with at least one page. An input
// that starts like a compound document is loaded as an .xls file (the seeds are the corpus
// files and the hostile workbooks); any other input as a workbook stream.

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSpreadSheetBook.h"
#include "xls/cxCompoundDocument.h"
#include "xls/cxWorkBookWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto environment = MakeFixedEnvironment(TRegionalSettings::English());
  std::string file;
  if (size >= 8 && std::equal(kcdSignature, kcdSignature + 8, data)) {
    file.assign(reinterpret_cast<const char*>(data), size);
  } else {
    if (size == 0) return 0;
    const auto container = WriteCompoundDocument(std::span<const uint8_t>(data, size));
    file.assign(container.begin(), container.end());
  }
  TcxSpreadSheetBook book(environment);
  std::istringstream in(file);
  try {
    book.LoadFromStream(in);
  } catch (const std::exception&) {
    // "Invalid stream format" or "Stream has unknown function's": the documented outcomes.
  }
  // Loaded or not, the workbook has a page, and the active one is one of them.
  if (book.PageCount() < 1 || book.ActivePage() < 0 || book.ActivePage() >= book.PageCount())
    __builtin_trap();
  return 0;
}
