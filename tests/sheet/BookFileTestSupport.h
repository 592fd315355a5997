#pragma once

// Workbooks loaded the way the file tests load them: the English fixed environment, and a load
// that met functions outside the library counts as read (their cells keep the stored values).

#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <string>

#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"

namespace bookfiletest {

inline std::unique_ptr<TcxSpreadSheetBook> Load(std::istream& stream) {
  auto book = std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
  try {
    book->LoadFromStream(stream);
  } catch (const ESpreadSheetUnknownFunctions&) {
  }
  return book;
}

inline std::unique_ptr<TcxSpreadSheetBook> LoadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Load(in);
}

// The cell's edit text (a formula as its formula), read without an undo step.
inline std::string EditText(TcxCustomSpreadSheetBook& book, int page, int col, int row) {
  book.History().Lock();
  const std::string text = TcxSSCellObject(book.Pages(page).DataStorage(), col, row).GetText();
  book.History().Unlock();
  return text;
}

}  // namespace bookfiletest
