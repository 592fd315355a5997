// libFuzzer target for the compound document reader: any input must be read or refused
// without a crash, an out-of-bounds access, a hang or a huge allocation. Whatever workbook
// stream is read must survive being written into a new container and read back unchanged.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "xls/cxCompoundDocument.h"
#include "xls/cxWorkBookWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  auto document = TcxCompoundDocument::Open(file);
  if (document.IsValid()) {
    std::vector<uint8_t> contents;
    for (size_t i = 0; i < document.Entries().size(); ++i) {
      if (document.ReadStream(i, contents) != TcxCompoundDocumentError::cdeNone) continue;
      // A stream read must be exactly as long as its entry says and fit in the file.
      if (contents.size() != document.Entries()[i].Size || contents.size() > size) std::abort();
    }
  }

  TcxWorkBookReader reader(std::move(file));
  if (reader.Loaded() && reader.Size() > 0) {
    const auto written = WriteCompoundDocument(reader.Buffer());
    TcxWorkBookReader back(written);
    if (!back.Loaded() || back.Size() != reader.Size() ||
        !std::equal(back.Buffer().begin(), back.Buffer().end(), reader.Buffer().begin()))
      std::abort();
  }
  return 0;
}
