#include "sheet/cxSSBookFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "platform/ReplaceFile.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSSIntf.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"
#include "xls/cxExcelFileReader.h"
#include "xls/cxExcelConst.h"
#include "xls/cxExcelFileWriter.h"
#include "calc/cxExcelLimits.h"

ESpreadSheetUnknownFunctions::ESpreadSheetUnknownFunctions(TcxLoadReport report)
    : ESpreadSheetError(std::string(kUnknownFunction)), report_(std::move(report)) {}

namespace {

// A sheet as the file reader sees it.
class TcxBookSheetTarget : public IcxBookSheet {
public:
  explicit TcxBookSheetTarget(TcxSSBookSheet& sheet) : sheet_(sheet) {}

  void SetHeaderItem(int kind, int index, int size, bool locked, bool visible,
                     bool automatic) override {
    TcxSSHeader& header = kind == 0 ? sheet_.ColumnHeader() : sheet_.RowHeader();
    const auto pixels = static_cast<uint16_t>(std::clamp(size, 0, 0xFFFF));
    // A row keeps the height the file stores (the automatic sizing after the load passes it by).
    if (kind == 1)
      header.SetStoredSize(index, pixels, automatic);
    else
      header.SetSize(index, pixels);
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
  void SetFileSize(int kind, int index, uint16_t fileSize) override {
    (kind == 0 ? sheet_.ColumnHeader() : sheet_.RowHeader()).SetFileSize(index, fileSize);
  }
  void SetFileDefaultSizes(const TcxSSDefaultSizes& sizes) override {
    sheet_.SetFileDefaultSizes(sizes);
  }
  void SetProtection(const TcxSSProtection& protection) override {
    sheet_.SetProtection(protection);
  }
  void SetView(const TcxSSSheetView& view) override { sheet_.SetView(view); }
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
  IcxSheetCell& CellAt(int col, int row) override {
    if (cell_)
      cell_->MoveTo(col, row);
    else
      cell_ = std::make_unique<TcxSSCellObject>(sheet_.DataStorage(), col, row);
    return *cell_;
  }

private:
  TcxSSBookSheet& sheet_;
  std::unique_ptr<TcxSSCellObject> cell_;
};

// The workbook as the file reader sees it. The page the file shows first and its reference
// style wait for the end of the load: the workbook activates its page when it is complete, and
// the formulas of the file are read as A1 text.
class TcxBookTarget : public IcxSpreadSheetBook {
public:
  explicit TcxBookTarget(TcxCustomSpreadSheetBook& book) : book_(book) {}

  int ActivePage = 0;
  bool R1C1 = false;

  std::shared_ptr<IcxBookSheet> AddSheet(const std::string& caption) override {
    return std::make_shared<TcxBookSheetTarget>(book_.AddSheet(caption));
  }
  int BeginUpdate() override { return book_.BeginUpdate(); }
  int DefineName(const TcxSSNameDefinition& name) override {
    return book_.FormulasCache().DefineName(name);
  }
  bool SetNameFormula(int index, const std::string& text) override {
    return book_.FormulasCache().SetNameFormula(index, text);
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
  void SetPageVisibility(int page, TcxSheetVisibility visibility) override {
    book_.SetPageVisibility(page, visibility);
  }
  void SetProtection(const TcxSSProtection& protection) override {
    book_.SetProtection(protection);
  }
  void SetDate1904(bool value) override { book_.SetDate1904(value); }
  void SetActivePage(int page) override { ActivePage = page; }
  void SetR1C1ReferenceStyle(bool value) override { R1C1 = value; }
  void SetExternalLinks(const TcxSSExternalLinks& links) override {
    book_.FormulasCache().SetExternalLinks(links);
  }

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
  reader->ReuseFormulaShapes = reuseFormulaShapes_;

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
      // Rows the file gave a height keep it; the others get the height of their text.
      if (RowsAutoHeight()) {
        // Only a stored text cell asks for a height, so only the rows holding one are measured:
        // a cell in the last row costs one row, not all the rows above it.
        std::vector<int> rows;
        for (int page = 0; page < PageCount(); ++page) {
          TcxSSBookSheet& sheet = Pages(page);
          rows.clear();
          sheet.DataStorage().ForEachCell([&rows](int, int row, const TcxSSCellRec& cell) {
            if (cell.Kind == ckText && !cell.Text.empty()) rows.push_back(row);
          });
          std::sort(rows.begin(), rows.end());
          rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
          const TcxSSHeader& header = sheet.RowHeader();
          for (int row : rows)
            if (header.GetItem(row).Flags & kHeaderDefault) sheet.AutoRowHeight(row);
        }
      }
      SetActivePageIndex(-1);
      SetActivePage(outcome == kLoaded ? target.ActivePage : 0);
      SetReading(false);
      // ClearAll emptied the formula engine, its suspension counter included. It stays suspended
      // (the update bracket's count and the loading mode's) through EndUpdate and UpdateLayout,
      // so that neither of them calculates the workbook: it is calculated once, below.
      formulas.SetLockCount(suspension + 2);
      EndUpdate();
      reader.reset();
      UpdateLayout();
      History().Unlock();
      History().Clear();
      if (loadingMode) formulas.SetSilent(false);
      formulas.SetLockCount(suspension);
      if (outcome == kLoaded) formulas.SetR1C1(target.R1C1);
      // The one calculation, also with AutoRecalc off: no loaded formula holds a result yet.
      Recalc();
      if (formulas.Count() == 0) RefreshView();
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
        SetDate1904(false);
        SetProtection({});
        reader->OnProgress = [this](TcxExcelFileReader&, int percent) {
          if (OnProgress) OnProgress(*this, percent);
        };
        reader->ReadAll();
        // A workbook always has a page; a stream that made none was not a workbook.
        if (PageCount() == 0) throw std::runtime_error("no worksheet");
        SetModified(false);
        report.FormulaProblems = reader->FormulaProblems();
        unknownFunctions = reader->HasUnknownFunctions();
      } catch (...) {
        // Whatever went wrong, the workbook is left with one empty sheet.
        outcome = kReadFailed;
        ClearAll();
        ResetPalette();
        SetDate1904(false);
        SetProtection({});
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

namespace {

// Windows' MulDiv: the quotient rounded half away from zero.
int MulDiv(int number, int numerator, int denominator) {
  const long long product = static_cast<long long>(number) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

// Column header items: the stored ones up to the last column of the format.
void WriteColumns(TcxExcelFileWriter& writer, int page, const TcxSSHeader& header,
                  bool defaultLocked) {
  const int count = std::min(header.Count(), TcxExcelFileWriter::kMaxCols);
  for (int col = 0; col < count; ++col) {
    const TcxSSHeaderItem& item = header.GetItem(col);
    const bool hidden = item.Flags & kHeaderHidden;
    const bool followsDefault = item.Flags & kHeaderDefault;
    const bool locked = item.Flags & kHeaderLocked;
    if (!hidden && followsDefault && locked) continue;
    writer.WriteColumn(page, col, hidden, locked != defaultLocked,
                       followsDefault ? header.DefaultSize() : item.Size, item.FileSize);
  }
}

// Row header items that differ from the default height (written before as DEFAULTROWHEIGHT),
// and the rows whose file gave them a height of their own: its pixels may be the default
// height's while its twips are not (the two records convert differently).
void WriteRows(TcxExcelFileWriter& writer, int page, const TcxSSHeader& header,
               uint16_t defaultTwips) {
  const int count = std::min(header.Count(), TcxExcelFileWriter::kMaxRows);
  for (int row = 0; row < count; ++row) {
    const TcxSSHeaderItem& item = header.GetItem(row);
    const bool hidden = item.Flags & kHeaderHidden;
    const bool followsDefault = item.Flags & kHeaderDefault;
    const bool ownTwips = item.FileSize != 0 && item.FileSize != defaultTwips;
    if (!hidden && followsDefault && !ownTwips) continue;
    writer.WriteRow(page, row, hidden, followsDefault ? header.DefaultSize() : item.Size,
                    item.FileSize);
  }
}

// Whether the formula's cell belongs to a block the file can hold: the block lies inside the
// file's grid and its first cell still heads it.
bool BlockIntact(const TcxSSDataStorage& storage, const TcxSSFormula& formula) {
  const TRect& b = formula.Block.Cells;
  if (b.Left < 0 || b.Top < 0 || b.Right >= TcxExcelFileWriter::kMaxCols ||
      b.Bottom >= TcxExcelFileWriter::kMaxRows || b.Left > b.Right || b.Top > b.Bottom)
    return false;
  const TcxSSCellRec* first = storage.FindCell(b.Left, b.Top);
  return first && first->Kind == ckFormula && first->Formula &&
         first->Formula->Block == formula.Block;
}

// The input cells of a data table's TABLE(row input, column input) tokens, as the TABLE record
// holds them: `options` keeps the file's recalculation bit and says which inputs there are.
bool TableInputs(const TcxSSFormula& formula, uint16_t& options, uint16_t rows[2],
                 uint16_t cols[2]) {
  constexpr uint16_t kRowInput = 0x0004, kTwoInputs = 0x0008, kDeleted[2] = {0x0010, 0x0020};
  const TcxTokenString& tokens = formula.Tokens;
  bool present[2] = {false, false};
  bool deleted[2] = {false, false};
  int32_t row[2] = {0, 0}, col[2] = {0, 0};
  size_t pos = 0;
  for (int k = 0; k < 2; ++k) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return false;
    const uint8_t* t = tokens.data() + pos;
    if (t[0] == ptgRef) {
      present[k] = true;
      row[k] = ReadInt32(t + kRefRow) + (t[kRefRowAbs] ? 0 : formula.Row);
      col[k] = ReadInt32(t + kRefCol) + (t[kRefColAbs] ? 0 : formula.Col);
      if (row[k] < 0 || row[k] >= TcxExcelFileWriter::kMaxRows || col[k] < 0 ||
          col[k] >= TcxExcelFileWriter::kMaxCols)
        return false;
    } else if (t[0] == ptgErr) {
      present[k] = deleted[k] = true;
    } else if (t[0] != ptgMissArg) {
      return false;
    }
    pos += size;
  }
  if (!present[0] && !present[1]) return false;
  options = static_cast<uint16_t>((formula.File ? formula.File->TableOptions : 0) & 0x0003);
  int entries = 0;
  if (present[0] && present[1]) {
    options |= kTwoInputs;
    entries = 2;
  } else {
    // One input: the record's first entry, a row input when it is the first argument.
    if (present[0]) options |= kRowInput;
    const int k = present[0] ? 0 : 1;
    row[0] = row[k];
    col[0] = col[k];
    deleted[0] = deleted[k];
    row[1] = col[1] = 0;
    entries = 1;
  }
  for (int k = 0; k < 2; ++k) {
    if (k < entries && deleted[k]) {
      options |= kDeleted[k];
      row[k] = col[k] = 0;
    }
    rows[k] = static_cast<uint16_t>(row[k]);
    cols[k] = static_cast<uint16_t>(col[k]);
  }
  return true;
}

void Put16(std::vector<uint8_t>& data, uint16_t v) {
  data.push_back(static_cast<uint8_t>(v));
  data.push_back(static_cast<uint8_t>(v >> 8));
}

// The record a block's first cell is followed by: ARRAY with the array formula's expression,
// or TABLE with the data table's inputs. False when the file cannot hold it.
bool BlockRecord(TcxSSFormulasCache& formulas, TcxExcelFileWriter& writer,
                 const TcxSSFormula& formula, TcxFollowingRecord& record) {
  const TRect& b = formula.Block.Cells;
  record.Data.clear();
  Put16(record.Data, static_cast<uint16_t>(b.Top));
  Put16(record.Data, static_cast<uint16_t>(b.Bottom));
  record.Data.push_back(static_cast<uint8_t>(b.Left));
  record.Data.push_back(static_cast<uint8_t>(b.Right));
  if (formula.Block.Kind == fbTable) {
    uint16_t options = 0, rows[2], cols[2];
    if (!TableInputs(formula, options, rows, cols)) return false;
    record.Id = kBiffTable;
    Put16(record.Data, options);
    for (int k = 0; k < 2; ++k) {
      Put16(record.Data, rows[k]);
      Put16(record.Data, cols[k]);
    }
    return true;
  }
  TcxTokenString tokens;
  TcxTokenString extra;
  formulas.ExportTokens(formula, tokens, &writer, &extra, 'A');
  if (tokens.empty() || tokens.size() + extra.size() > kXlsMaxFormulaTokens) return false;
  record.Id = kBiffArray;
  Put16(record.Data, 0x0003);  // recalculated always and on load, as FORMULA records are
  record.Data.insert(record.Data.end(), 4, 0);
  Put16(record.Data, static_cast<uint16_t>(tokens.size()));
  record.Data.insert(record.Data.end(), tokens.begin(), tokens.end());
  record.Data.insert(record.Data.end(), extra.begin(), extra.end());
  return true;
}

// A cell of an array formula or data table: FORMULA pointing at the block's first cell (tExp,
// tTbl), the first cell followed by the block's record. A block the file cannot hold is saved
// as its values.
void WriteBlockCell(TcxSSFormulasCache& formulas, TcxExcelFileWriter& writer, int page, int col,
                    int row, const TcxSSDataStorage& storage, const TcxSSFormula& formula) {
  const TcxResultValue value = formulas.ResultValue(formula);
  const TRect& b = formula.Block.Cells;
  TcxFollowingRecord record;
  const bool first = col == b.Left && row == b.Top;
  if (!BlockIntact(storage, formula) || !BlockRecord(formulas, writer, *storage.FindCell(b.Left, b.Top)->Formula, record)) {
    writer.WriteFormulaValue(page, col, value, row, slBrokenBlock);
    return;
  }
  const uint8_t tokens[5] = {static_cast<uint8_t>(formula.Block.Kind == fbTable ? kPtgTbl : kPtgExp),
                             static_cast<uint8_t>(b.Top), static_cast<uint8_t>(b.Top >> 8),
                             static_cast<uint8_t>(b.Left), static_cast<uint8_t>(b.Left >> 8)};
  writer.WriteFormula(page, col, tokens, value, row, {}, first ? &record : nullptr);
}

// The cells of one sheet, column by column: constants first, then formulas.
void WriteCells(TcxCustomSpreadSheetBook& book, TcxExcelFileWriter& writer, int page,
                const TcxSSDataStorage& storage) {
  const TcxSSStyleRec& defaultRec = *book.StyleCache().DefaultRecord();
  const auto inFormat = [](int col, int row) {
    return col < TcxExcelFileWriter::kMaxCols && row < TcxExcelFileWriter::kMaxRows;
  };
  // Counting touches the slots only, not the records.
  size_t count = 0;
  storage.ForEachCell([&](int, int, const TcxSSCellRec&) { ++count; });
  writer.ReserveCells(page, count);

  // One walk over the records: constants are written, formula cells kept for the second pass.
  struct TFormulaCell {
    int Col, Row;
    const TcxSSCellRec* Cell;
  };
  std::vector<TFormulaCell> formulaCells;
  storage.ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
    if (!inFormat(col, row)) {
      // A styled empty cell out there shows nothing; one that holds something is lost.
      if (cell.Kind != ckText || !cell.Text.empty()) writer.NoteLoss(slOutsideGrid, page, col, row);
      return;
    }
    if (cell.Kind == ckFormula) {
      formulaCells.push_back({col, row, &cell});
      return;
    }
    const TcxSSStyleRec& style = cell.Style ? *cell.Style : defaultRec;
    writer.RegisterStyle(style);
    if (cell.Kind == ckNumber)
      writer.WriteCell(page, col, false, cell.Number, row);
    else
      writer.WriteCell(page, col, style.Format == kFormatText, std::string_view(cell.Text), row);
  });

  TcxTokenString tokens;
  TcxTokenString extra;
  TcxSSFormulasCache& formulas = book.FormulasCache();
  for (const TFormulaCell& f : formulaCells) {
    const TcxSSCellRec& cell = *f.Cell;
    tokens.clear();
    extra.clear();
    writer.RegisterStyle(cell.Style ? *cell.Style : defaultRec);
    if (cell.Formula && cell.Formula->Block.Kind != fbNone) {
      WriteBlockCell(formulas, writer, page, f.Col, f.Row, storage, *cell.Formula);
      continue;
    }
    if (cell.Formula) formulas.ExportTokens(*cell.Formula, tokens, &writer, &extra);
    if (tokens.empty()) {
      // A formula without tokens (its text did not parse) keeps its text as a text cell rather
      // than vanishing from the file.
      writer.WriteCell(page, f.Col, true, std::string_view(cell.Text), f.Row);
      continue;
    }
    writer.WriteFormula(page, f.Col, tokens, formulas.ResultValue(*cell.Formula), f.Row, extra);
  }
}

}  // namespace

void WriteFileReplacing(const std::string& fileName,
                        const std::function<void(std::ostream& stream)>& write) {
  try {
    ReplaceFile(fileName, write);
  } catch (const EFileError& e) {
    throw ESpreadSheetError(e.what());
  }
}

TcxSaveReport TcxCustomSpreadSheetBook::SaveToFile(const std::string& fileName) {
  TcxSaveReport report;
  WriteFileReplacing(fileName, [&](std::ostream& stream) { report = SaveToStream(stream); });
  return report;
}

namespace {

// Hands the whole workbook to the writer in the fixed order; `progress` hears the percentage
// before each sheet.
void FeedWriter(TcxCustomSpreadSheetBook& book, TcxExcelFileWriter& writer,
                const std::function<void(int percent)>& progress) {
  writer.SetPageCount(book.PageCount());
  writer.WriteDateMode(book.Date1904());
  writer.WritePalette(book.Palette());
  writer.WriteProtection(-1, book.Protected(), book.Protection());
  TcxTokenString nameTokens;
  const TcxSSNamesDef& names = book.FormulasCache().Names();
  for (size_t i = 0; i < names.size(); ++i) {
    book.FormulasCache().ExportNameTokens(static_cast<int>(i), nameTokens);
    writer.WriteName(names[i], nameTokens);
  }
  writer.WriteExternalLinks(book.FormulasCache().ExternalLinks());
  const TcxSSStyleRec& defaultRec = *book.StyleCache().DefaultRecord();
  writer.WriteDefaultStyle(defaultRec);
  const bool defaultLocked = defaultRec.Flags & kStyleLocked;

  for (int page = 0; page < book.PageCount(); ++page) {
    if (progress) progress(MulDiv(page, 100, book.PageCount()));
    const TcxSSBookSheet& sheet = book.Pages(page);
    const TcxSSDataStorage& storage = sheet.DataStorage();
    writer.BeginSheet(sheet.Caption(), sheet.ShowGrid(), 1, book.PageVisibility(page));
    writer.WriteSheetView(page, sheet.View(), sheet.Selection(), sheet.ShowGrid(),
                          sheet.ShowHeaders(), sheet.ShowFormulas(), book.R1C1ReferenceStyle());
    writer.WriteProtection(page, sheet.Protected(), sheet.Protection());
    // Unlike the file format's own default, the default row height is kept: every row without a
    // height of its own follows it.
    writer.WriteDefaultRowHeight(page, sheet.RowHeader().DefaultSize(), sheet.FileDefaultSizes());
    writer.WriteDefaultColWidth(page, sheet.ColumnHeader().DefaultSize(), sheet.FileDefaultSizes());
    WriteColumns(writer, page, sheet.ColumnHeader(), defaultLocked);
    WriteRows(writer, page, sheet.RowHeader(), sheet.FileDefaultSizes().RowHeight.value_or(0));
    WriteCells(book, writer, page, storage);
    writer.WriteMergedCells(page, storage.MergedCells().GetAllInclusive());
  }
  writer.SetActiveSheet(book.ActivePage());
}

}  // namespace

TcxSaveReport TcxCustomSpreadSheetBook::SaveToStream(std::ostream& stream) {
  auto writer = std::make_unique<TcxExcelFileWriter>(EnvironmentPtr());
  if (Control()) Control()->SetBusyCursor(true);
  Listener().Progress(0);
  History().Clear();
  History().Lock();
  bool saved = false;
  TScopeGuard finish([&] {
    if (Control()) Control()->SetBusyCursor(false);
    History().Unlock();
    writer.reset();
    Listener().Progress(100);
    if (saved) SetModified(false);
  });

  FeedWriter(*this, *writer, [this](int percent) { Listener().Progress(percent); });
  writer->WriteWorkbook(stream);
  saved = true;
  return {writer->Losses()};
}

TcxSaveReport TcxCustomSpreadSheetBook::CheckSave() {
  TcxExcelFileWriter writer(EnvironmentPtr());
  FeedWriter(*this, writer, {});
  return {writer.Losses()};
}

std::vector<std::pair<std::string, int>> UnknownFunctionCells(const TcxLoadReport& report) {
  std::map<std::string, int> cells;
  constexpr std::string_view kFutureFunction = "_xlfn.";
  for (const TcxFormulaProblem& problem : report.FormulaProblems) {
    if (problem.Kind != fpUnknownFunction) continue;
    std::string_view name = problem.Detail;
    if (name.starts_with(kFutureFunction)) name.remove_prefix(kFutureFunction.size());
    ++cells[std::string(name)];
  }
  return {cells.begin(), cells.end()};
}

std::string DescribeSaveLoss(const TcxCustomSpreadSheetBook& book, const TcxSaveLoss& loss) {
  std::string text;
  switch (loss.Kind) {
    case slTextCut:
      text = WithNumber(kTextsCut, static_cast<long long>(TSSTStringTable::kMaxChars));
      break;
    case slFormulaAsValue: text = kFormulasAsValues; break;
    case slOutsideGrid: text = kCellsOutsideGrid; break;
    case slBrokenBlock: text = kBrokenBlocksAsValues; break;
  }
  std::string cell = TcxSSUtils::ColumnName(loss.Col) + TcxSSUtils::RowName(loss.Row);
  if (loss.Sheet >= 0 && loss.Sheet < book.PageCount())
    cell = book.Pages(loss.Sheet).Caption() + "!" + cell;
  return text + ": " + std::to_string(loss.Count) +
         (loss.Count == 1 ? " cell, " : " cells, the first ") + cell;
}
