#include "sheet/cxSSBookFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "sheet/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSIntf.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"
#include "xls/cxExcelFileReader.h"

ESpreadSheetUnknownFunctions::ESpreadSheetUnknownFunctions(TcxLoadReport report)
    : ESpreadSheetError(std::string(kUnknownFunction)), report_(std::move(report)) {}

namespace {

// A sheet as the file reader sees it.
class TcxBookSheetTarget : public IcxBookSheet {
public:
  explicit TcxBookSheetTarget(TcxSSBookSheet& sheet) : sheet_(sheet) {}

  void SetHeaderItem(int kind, int index, int size, bool locked, bool visible) override {
    TcxSSHeader& header = kind == 0 ? sheet_.ColumnHeader() : sheet_.RowHeader();
    header.SetSize(index, static_cast<uint16_t>(std::clamp(size, 0, 0xFFFF)));
    header.SetLocked(index, locked);
    header.SetVisible(index, visible);
  }
  void SetDefaultSize(int kind, int size) override {
    TcxSSHeader& header = kind == 0 ? sheet_.ColumnHeader() : sheet_.RowHeader();
    header.SetDefaultSize(static_cast<uint16_t>(std::clamp(size, 0, 0xFFFF)));
  }
  void MergeCells(const TRect& cells, bool merge) override {
    sheet_.DataStorage().MergeCells(cells, merge);
  }
  void SetDimensions(int cols, int rows) override {
    TcxSSDataStorage& storage = sheet_.DataStorage();
    storage.SetLoadLimit(cols + 1, rows + 1);
    storage.SetCapacity(cols, rows);
  }
  void SetProtected(bool value) override { sheet_.SetProtected(value); }
  void SetOptions(const TRect& selection, bool showFormulas, bool showGrid, bool showHeaders,
                  bool) override {
    sheet_.SetShowFormulas(showFormulas);
    sheet_.SetShowGrid(showGrid);
    sheet_.SetShowHeaders(showHeaders);
    sheet_.SetSelection(selection);
    sheet_.Owner().UpdateControl();
  }
  std::unique_ptr<IcxSheetCell> GetCell(int col, int row) override {
    return std::make_unique<TcxSSCellObject>(sheet_.DataStorage(), col, row);
  }

private:
  TcxSSBookSheet& sheet_;
};

// The workbook as the file reader sees it.
class TcxBookTarget : public IcxSpreadSheetBook {
public:
  explicit TcxBookTarget(TcxCustomSpreadSheetBook& book) : book_(book) {}

  std::shared_ptr<IcxBookSheet> AddSheet(const std::string& caption) override {
    return std::make_shared<TcxBookSheetTarget>(book_.AddSheet(caption));
  }
  int BeginUpdate() override { return book_.BeginUpdate(); }
  int DefineName(const std::string& name, int page, const TRect& area) override {
    return book_.FormulasCache().AddName(name, page, true, area);
  }
  int EndUpdate() override { return book_.EndUpdate(); }
  std::unique_ptr<IcxSheetCell> GetCell(int page, int col, int row) override {
    return std::make_unique<TcxSSCellObject>(book_.Pages(page).DataStorage(), col, row);
  }
  std::shared_ptr<IcxBookSheet> GetSheet(int page) override {
    return std::make_shared<TcxBookSheetTarget>(book_.Pages(page));
  }
  int GetPageCount() const override { return book_.PageCount(); }
  void SetProtected(bool value) override { book_.SetProtected(value); }
  void SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec& font) override {
    book_.StyleCache().SetDefaultStyleRecord(rec, font);
  }
  void SetPalette(const std::array<TColor, 56>& palette) override { book_.SetPalette(palette); }
  void SetPageVisible(int page, bool visible) override { book_.SetPageVisible(page, visible); }

private:
  TcxCustomSpreadSheetBook& book_;
};

}  // namespace

TcxLoadReport TcxCustomSpreadSheetBook::LoadFromFile(const std::string& fileName) {
  std::error_code error;
  if (fileName.empty() || !std::filesystem::is_regular_file(fileName, error)) {
    std::string message(kInvalidFileName);
    message.replace(message.find("%s"), 2, fileName);
    throw ESpreadSheetError(message);
  }
  std::ifstream stream(fileName, std::ios::binary);
  return LoadFromStream(stream);
}

// The steps of a load, in order; whatever happens, the finishing steps run before an error
// leaves, so locks, the history and the formula engine are always restored.
TcxLoadReport TcxCustomSpreadSheetBook::LoadFromStream(std::istream& stream) {
  TcxSSFormulasCache& formulas = FormulasCache();
  const int suspension = formulas.LockCount();
  TcxBookTarget target(*this);
  auto reader = std::make_unique<TcxExcelFileReader>(target, Settings(), Environment().PixelsPerInch);

  SetReadOnly(false);
  History().Clear();
  History().Lock();
  BeginUpdate();
  // Loaded workbooks start in A1 style.
  SetR1C1ReferenceStyle(false);
  SetLoading(true);
  SetReading(true);

  enum { kLoaded, kNotAccepted, kReadFailed } outcome = kLoaded;
  bool loadingMode = false;
  TcxLoadReport report;
  bool unknownFunctions = false;
  {
    TScopeGuard finish([&] {
      SetLoading(false);
      if (RowsAutoHeight()) {
        for (int page = 0; page < PageCount(); ++page) {
          TcxSSBookSheet& sheet = Pages(page);
          const int rows = sheet.DataStorage().RowCount();
          for (int row = 0; row < rows; ++row) sheet.AutoRowHeight(row);
        }
      }
      SetActivePageIndex(-1);
      SetActivePage(0);
      SetReading(false);
      EndUpdate();
      reader.reset();
      UpdateLayout();
      History().Unlock();
      History().Clear();
      // The formula engine leaves its loading mode only now, so that the workbook is calculated
      // once, by the UpdateControl below, rather than by EndUpdate and UpdateLayout as well.
      if (loadingMode) {
        formulas.SetSilent(false);
        formulas.Lock(false);
      }
      formulas.SetLockCount(suspension);
      UpdateControl();
    });

    if (!reader->AcceptStream(stream)) {
      outcome = kNotAccepted;
    } else {
      try {
        ClearAll();
        formulas.SetSilent(true);
        formulas.Lock(true);
        loadingMode = true;
        ResetPalette();
        reader->OnProgress = [this](TcxExcelFileReader&, int percent) {
          if (OnProgress) OnProgress(*this, percent);
        };
        reader->ReadAll();
        SetModified(false);
        report.FormulaProblems = reader->FormulaProblems();
        unknownFunctions = reader->HasUnknownFunctions();
      } catch (...) {
        // Whatever went wrong, the workbook is left with one empty sheet.
        outcome = kReadFailed;
        ClearAll();
        ResetPalette();
        AddSheet();
      }
    }
  }
  switch (outcome) {
    case kNotAccepted:
      throw ESpreadSheetError(std::string(kInvalidStreamFormat));
    case kReadFailed:
      // Not the workbook's own error class: the file, not the workbook, was at fault.
      throw std::runtime_error(std::string(kInvalidStreamFormat));
    case kLoaded:
      break;
  }
  if (unknownFunctions) throw ESpreadSheetUnknownFunctions(std::move(report));
  return report;
}
