#include "app/WorkbookFiles.h"

#include <QStringList>

#include "app/FeatureChildForm.h"
#include "app/FileProgress.h"
#include "app/ShellTexts.h"
#include "app/zofMirelGlavna.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSpreadSheetBook.h"

// A workbook read whole but with functions the library lacks raises "Stream has unknown
// function's" after the load; the window keeps it open and the shell reports those functions.
TcxLoadReport TBookFiles::Load(TFeatureChildForm& window, const std::string& fileName) {
  TFileProgress progress(*window.Owner().pbProgress, window.Book(), ProgressDelay);
  try {
    return window.Book().LoadFromFile(fileName);
  } catch (const ESpreadSheetUnknownFunctions& error) {
    return error.Report();
  }
}

// The workbook writes beside the file and renames over it only when everything was written,
// so a save that fails leaves the previous file as it was; its message is shown as it is.
void TBookFiles::Save(TFeatureChildForm& window, const std::string& fileName) {
  TFileProgress progress(*window.Owner().pbProgress, window.Book(), ProgressDelay);
  window.Book().SaveToFile(fileName);
}

std::string TBookFiles::SaveLosses(TFeatureChildForm& window) {
  TcxCustomSpreadSheetBook& book = window.Book();
  std::string text;
  for (const TcxSaveLoss& loss : book.CheckSave().Losses)
    text += (text.empty() ? "" : "\n") + DescribeSaveLoss(book, loss);
  return text;
}

namespace {

// "ćelija" after 1, 21, 31 … and after 5 … 20, 25 …; "ćelije" after 2 … 4, 22 … 24 ….
const char* CellsWord(int count) {
  const int lastTwo = count % 100;
  const int last = count % 10;
  return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? kCellsFew : kCellsMany;
}

}  // namespace

QString UnknownFunctionsMessage(const QString& fileName, const TcxLoadReport& report) {
  const auto cells = UnknownFunctionCells(report);
  if (cells.empty()) return {};
  QStringList lines{QString::fromUtf8(kUnknownFunctionsMessage).arg(fileName)};
  int listed = 0;
  for (const auto& [name, count] : cells) {
    if (listed++ == kUnknownFunctionsListed) {
      lines << QString::fromUtf8(kUnknownFunctionsMore)
                   .arg(static_cast<int>(cells.size()) - kUnknownFunctionsListed);
      break;
    }
    lines << QString("%1: %2 %3").arg(QString::fromStdString(name)).arg(count).arg(
                 QString::fromUtf8(CellsWord(count)));
  }
  return lines.join('\n');
}
