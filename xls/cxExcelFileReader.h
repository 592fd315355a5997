#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/RegionalSettings.h"
#include "sheet/cxSSSheetState.h"
#include "xls/cxBiffRecords.h"
#include "xls/cxExcelSheetReader.h"
#include "xls/cxExcelStyles.h"
#include "calc/cxSSExternalLinks.h"
#include "xls/cxFormulaReader.h"
#include "xls/cxFormulaTokenReader.h"

class IcxSpreadSheetBook;
class TcxWorkBookReader;

// Reads the workbook stream of an .xls file (BIFF8 records) into a workbook through the load
// interfaces (sheet/cxSSIntf.h): sheets with their visibility, cells as the text a user would
// type, formulas as formula text, cell formats, the palette, column widths and row heights,
// merged areas, defined names, window options and protection.
//
// Reading runs in two steps. The workbook globals (BOF … EOF at the start of the stream) are read
// first: fonts, formats and XF records become style records, BOUNDSHEET records pages, SST the
// shared strings, SUPBOOK, EXTERNNAME, EXTERNSHEET and NAME records the link table and the
// defined names the formula decoder needs. Then each worksheet's substream is read from the
// offset its BOUNDSHEET record gives (chart and module sheets are not pages and are not read).
//
// Anything damaged, encrypted or older than BIFF8 stops the reading with a TcxExcelReadError;
// every offset, length, count and index taken from the file is checked first. Formulas the
// workbook cannot hold are not an error: their cells keep Excel's cached values and are listed
// in FormulaProblems (HasUnknownFunctions for the ones with functions the library lacks).
//
// Cost: the stream is held in memory once; records are parsed in place; each worksheet is walked
// twice (TcxExcelSheetReader).
class TcxExcelFileReader {
public:
  TcxExcelFileReader(IcxSpreadSheetBook& book, const TRegionalSettings& settings,
                     int pixelsPerInch = 96);
  ~TcxExcelFileReader();
  TcxExcelFileReader(const TcxExcelFileReader&) = delete;
  TcxExcelFileReader& operator=(const TcxExcelFileReader&) = delete;

  // Loads the workbook stream out of the compound document in `stream` (or in `fileBytes`);
  // false when there is none: not a compound document, damaged, or an older BIFF version.
  bool AcceptStream(std::istream& stream);
  bool AcceptFile(std::vector<uint8_t> fileBytes);
  // Takes a workbook stream already out of its container (tests and fuzzing); false when empty.
  bool AcceptWorkbookStream(std::vector<uint8_t> stream);

  // Reads every record into the workbook, then drops the stream (also on failure). Throws
  // TcxExcelReadError when the stream cannot be read.
  void ReadAll();

  // Parses a formula of each shape once and gives later formulas of that shape its tokens
  // (TcxFormulaReader::ShapeKey); off, every formula is handed to its cell as text.
  bool ReuseFormulaShapes = true;

  bool HasUnknownFunctions() const { return report_.UnknownFunctions; }
  const std::vector<TcxFormulaProblem>& FormulaProblems() const { return report_.Problems; }

  // Called with the percentage of the stream read (0 … 100) whenever the rounded value changes,
  // and with 100 at the end.
  std::function<void(TcxExcelFileReader& sender, int percent)> OnProgress;

private:
  struct TSheetEntry {
    TcxBoundSheetRecord Record;
    int Page = -1;  // the workbook page, -1 for chart and module sheets
  };

  bool Accept(std::unique_ptr<TcxWorkBookReader> container);
  size_t ReadGlobals();
  void DispatchGlobal(TcxBiffRecord& record);
  void AddSheets(size_t globalsEnd);
  void DefineNames();
  void LinkSheets();
  bool NameArea(const TcxNameRecord& name, int& page, TRect& area) const;
  int PageOfSheet(size_t sheetIndex) const;
  void ReadSheets(size_t globalsEnd);
  // Reports the percentage read when it changed; answers the first position whose percentage
  // can differ.
  size_t Progress(size_t position);

  IcxSpreadSheetBook& book_;
  TRegionalSettings settings_;
  double scale_ = 1;
  // The workbook stream: in the container reader's buffer, or a stream given as it is.
  std::unique_ptr<TcxWorkBookReader> container_;
  std::vector<uint8_t> ownStream_;
  std::span<const uint8_t> stream_;
  bool accepted_ = false;

  TcxExcelStyleTable styles_;
  std::vector<std::string> sharedStrings_;
  std::vector<TSheetEntry> sheets_;
  std::vector<TcxNameRecord> names_;
  TcxFormulaContext context_;
  TcxSSExternalLinks links_;
  std::unique_ptr<TcxFormulaReader> formulas_;
  // The workbook's protection beyond its flag (PASSWORD, WINDOWPROTECT of the globals).
  TcxSSProtection protection_;
  // The sheet the file shows first (WINDOW1), as an index of the BOUNDSHEET records, and that
  // sheet's reference style.
  size_t activeTab_ = 0;
  bool hasWindow1_ = false;
  bool r1c1_ = false;
  std::unique_ptr<TcxFormulaTokenReader> formulaTokens_;
  TcxExcelReadReport report_;
  int lastPercent_ = -1;
  // The first position whose percentage can differ from lastPercent_: records before it are
  // not worth a division each.
  size_t nextProgress_ = 0;
};
