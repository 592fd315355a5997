#include "xls/cxExcelFileReader.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <limits>

#include "platform/ScopeGuard.h"
#include "sheet/cxSSIntf.h"
#include "xls/cxCompoundDocument.h"
#include "xls/cxExcelConst.h"

namespace {

[[noreturn]] void Damaged(const std::string& what) { throw TcxExcelReadError(what); }


}  // namespace

TcxExcelFileReader::TcxExcelFileReader(IcxSpreadSheetBook& book, const TRegionalSettings& settings,
                                       int pixelsPerInch)
    : book_(book), settings_(settings), scale_(pixelsPerInch / 96.0) {
  context_.Settings = settings;
}

TcxExcelFileReader::~TcxExcelFileReader() = default;

bool TcxExcelFileReader::Accept(std::unique_ptr<TcxWorkBookReader> container) {
  ownStream_ = {};
  accepted_ = container->Loaded() && !container->Buffer().empty();
  stream_ = accepted_ ? container->Buffer() : std::span<const uint8_t>();
  container_ = accepted_ ? std::move(container) : nullptr;
  return accepted_;
}

bool TcxExcelFileReader::AcceptStream(std::istream& stream) {
  return Accept(std::make_unique<TcxWorkBookReader>(stream));
}

bool TcxExcelFileReader::AcceptFile(std::vector<uint8_t> fileBytes) {
  return Accept(std::make_unique<TcxWorkBookReader>(std::move(fileBytes)));
}

bool TcxExcelFileReader::AcceptWorkbookStream(std::vector<uint8_t> stream) {
  container_ = nullptr;
  ownStream_ = std::move(stream);
  stream_ = ownStream_;
  accepted_ = !ownStream_.empty();
  return accepted_;
}

size_t TcxExcelFileReader::Progress(size_t position) {
  if (!OnProgress || stream_.empty()) return std::numeric_limits<size_t>::max();
  if (position < nextProgress_) return nextProgress_;
  const size_t size = stream_.size();
  const int percent = static_cast<int>(std::lround(100.0 * static_cast<double>(position) /
                                                   static_cast<double>(size)));
  // The rounded percentage reaches percent + 1 at (percent + 0.5) hundredths of the stream;
  // rounded down, so that the boundary itself is never skipped.
  nextProgress_ = static_cast<size_t>((static_cast<double>(percent) + 0.5) / 100.0 *
                                      static_cast<double>(size));
  if (percent != lastPercent_) {
    lastPercent_ = percent;
    OnProgress(*this, percent);
  }
  return nextProgress_;
}

void TcxExcelFileReader::ReadAll() {
  TScopeGuard dropStream([this] {
    stream_ = {};
    container_ = nullptr;
    ownStream_ = {};
  });
  if (!accepted_) Damaged("no workbook stream was accepted");
  const size_t globalsEnd = ReadGlobals();
  styles_.Build();
  if (const TcxSSStyleRec* def = styles_.DefaultStyle())
    book_.SetDefaultStyleRecord(*def, *def->Font);
  for (const auto& sheet : sheets_) context_.SheetNames.push_back(sheet.Record.Name);
  AddSheets(globalsEnd);
  for (const auto& sheet : sheets_) context_.SheetPages.push_back(sheet.Page);
  formulas_ = std::make_unique<TcxFormulaReader>(context_);
  formulaTokens_ = std::make_unique<TcxFormulaTokenReader>(context_);
  DefineNames();
  LinkSheets();
  ReadSheets(globalsEnd);
  if (protection_ != TcxSSProtection{}) book_.SetProtection(protection_);
  // The sheet the file shows first, when it is one of the workbook's pages.
  if (const int page = PageOfSheet(activeTab_); page >= 0) {
    book_.SetActivePage(page);
    book_.SetR1C1ReferenceStyle(r1c1_);
  }
  if (OnProgress && lastPercent_ != 100) OnProgress(*this, 100);
}

// --- Workbook globals ------------------------------------------------------------------------------

size_t TcxExcelFileReader::ReadGlobals() {
  const std::span<const uint8_t> stream = stream_;
  TcxBiffRecord bof(stream, 0);
  TcxBofRecord bofRecord;
  if (bof.Truncated() || bof.Id() != kBiffBof || !ReadBof(bof, bofRecord))
    Damaged("the stream does not start with a BOF record");
  if (bofRecord.Version != kBiff8Version) Damaged("the workbook is not in the BIFF8 format");
  if (bofRecord.Type != kBofWorkbookGlobals) Damaged("the stream does not start with the workbook globals");

  size_t position = bof.End();
  for (;;) {
    if (position >= stream.size()) Damaged("the workbook globals end without an EOF record");
    TcxBiffRecord record(stream, position);
    if (!record.Ok() || record.Truncated()) Damaged("a record runs past the end of the stream");
    Progress(position);
    position = record.End();
    if (record.Id() == kBiffEof) return position;
    DispatchGlobal(record);
  }
}

void TcxExcelFileReader::DispatchGlobal(TcxBiffRecord& record) {
  switch (record.Id()) {
    case kBiffFilePass:
      Damaged("the workbook is encrypted");
    case kBiffBof:
      Damaged("a BOF record inside the workbook globals");
    case kBiffBoundSheet: {
      TSheetEntry entry;
      if (!ReadBoundSheet(record, entry.Record)) Damaged("a BOUNDSHEET record is cut short");
      sheets_.push_back(std::move(entry));
      break;
    }
    case kBiffFont: {
      TcxFontRecord font;
      if (!ReadFont(record, font)) Damaged("a FONT record is cut short");
      styles_.AddFont(font);
      break;
    }
    case kBiffFormat: {
      TcxFormatRecord format;
      if (!ReadFormat(record, format)) Damaged("a FORMAT record is cut short");
      styles_.AddFormat(format);
      break;
    }
    case kBiffXf: {
      TcxXfRecord xf;
      if (!ReadXf(record, xf)) Damaged("an XF record is cut short");
      styles_.AddXf(xf);
      break;
    }
    case kBiffPalette: {
      TcxPaletteRecord palette;
      if (!ReadPalette(record, palette)) Damaged("a PALETTE record is cut short");
      // Some writers give only the first colours; the rest keep their default ones.
      if (!palette.Colors.empty()) {
        std::array<TColor, 56> colors = kDefaultPalette;
        for (size_t i = 0; i < colors.size() && i < palette.Colors.size(); ++i)
          colors[i] = palette.Colors[i] & 0x00FFFFFFu;
        book_.SetPalette(colors);
      }
      break;
    }
    case kBiffDateMode: {
      const bool date1904 = (record.ReadU16() & 0x01) != 0 && record.Ok();
      settings_.Date1904 = date1904;
      book_.SetDate1904(date1904);
      break;
    }
    case kBiffWindow1: {
      // A workbook open in several windows has a WINDOW1 for each; the first is its own.
      if (hasWindow1_) break;
      record.Skip(10);
      const uint16_t tab = record.ReadU16();
      hasWindow1_ = record.Ok();
      if (hasWindow1_) activeTab_ = tab;
      break;
    }
    case kBiffProtect: {
      const uint16_t flag = record.ReadU16();
      if (record.Ok()) book_.SetProtected((flag & 0x01) != 0);
      break;
    }
    case kBiffPassword: {
      const uint16_t hash = record.ReadU16();
      if (record.Ok()) protection_.PasswordHash = hash;
      break;
    }
    case kBiffWindowProtect: {
      const uint16_t flag = record.ReadU16();
      if (record.Ok()) protection_.Windows = (flag & 0x01) != 0;
      break;
    }
    case kBiffName: {
      TcxNameRecord name;
      if (!ReadName(record, name)) Damaged("a NAME record is cut short");
      names_.push_back(std::move(name));
      break;
    }
    case kBiffSupBook: {
      TcxSupBookRecord book;
      if (!ReadSupBook(record, book)) Damaged("a SUPBOOK record is cut short");
      TcxSupBook entry;
      entry.Kind = book.Marker == kSupBookSelf    ? sbkSelf
                   : book.Marker == kSupBookAddIn ? sbkAddIn
                                                  : sbkExternal;
      if (entry.Kind != sbkSelf) {
        // Another workbook or the add-ins: kept in the workbook's links, so that formulas
        // naming them keep their meaning and a save writes them back.
        entry.LinkBook = static_cast<int>(links_.Books.size());
        TcxSSExternalBook linked;
        linked.Kind = entry.Kind == sbkAddIn ? ebkAddIn : ebkWorkbook;
        linked.EncodedPath = std::move(book.Path);
        linked.Sheets = std::move(book.Sheets);
        links_.Books.push_back(std::move(linked));
      }
      context_.SupBooks.push_back(std::move(entry));
      break;
    }
    case kBiffExternName: {
      TcxExternNameRecord name;
      if (!ReadExternName(record, name)) Damaged("an EXTERNNAME record is cut short");
      if (context_.SupBooks.empty()) break;
      TcxSupBook& book = context_.SupBooks.back();
      if (book.LinkBook >= 0) {
        if (book.FirstLinkName < 0) book.FirstLinkName = static_cast<int>(links_.Names.size());
        TcxSSExternalBook& linked = links_.Books[static_cast<size_t>(book.LinkBook)];
        if (links_.Names.size() >= 0xFFFF || linked.Names.size() >= 0xFFFF)
          Damaged("too many EXTERNNAME records");
        links_.Names.push_back({static_cast<uint16_t>(book.LinkBook),
                                static_cast<uint16_t>(linked.Names.size())});
        linked.Names.push_back({name.Name, name.Options, name.Sheet, std::move(name.Definition)});
      }
      book.ExternNames.push_back(std::move(name.Name));
      break;
    }
    case kBiffExternSheet: {
      std::vector<TcxExternSheetEntry> entries;
      if (!ReadExternSheet(record, entries)) Damaged("an EXTERNSHEET record is cut short");
      context_.ExternSheets.clear();
      for (const auto& e : entries)
        context_.ExternSheets.push_back({e.SupBook, e.FirstSheet, e.LastSheet});
      break;
    }
    case kBiffSst: {
      std::string error;
      if (!ReadSst(record, sharedStrings_, error)) Damaged(error);
      break;
    }
    default:
      break;
  }
}

// Worksheets and macro sheets become pages, in file order; chart and module sheets do not. A
// page is made only for a sheet whose substream starts with a BOF record of its own after the
// globals, so a damaged file cannot make pages out of nothing.
void TcxExcelFileReader::AddSheets(size_t globalsEnd) {
  std::vector<uint32_t> offsets;
  for (const auto& sheet : sheets_) {
    const uint8_t type = sheet.Record.Type;
    if (type != kSheetTypeWorksheet && type != kSheetTypeMacroSheet) continue;
    uint16_t id = 0;
    uint16_t length = 0;
    if (sheet.Record.Offset < globalsEnd ||
        !PeekBiffHeader(stream_, sheet.Record.Offset, id, length) || id != kBiffBof)
      Damaged("a BOUNDSHEET record does not point at a BOF record");
    offsets.push_back(sheet.Record.Offset);
  }
  std::sort(offsets.begin(), offsets.end());
  if (std::adjacent_find(offsets.begin(), offsets.end()) != offsets.end())
    Damaged("two sheets share their records");
  // A workbook of chart sheets alone, or of none, has nothing the workbook can show or save.
  if (offsets.empty()) Damaged("the workbook has no worksheet");
  for (auto& sheet : sheets_) {
    const uint8_t type = sheet.Record.Type;
    if (type != kSheetTypeWorksheet && type != kSheetTypeMacroSheet) continue;
    book_.AddSheet(sheet.Record.Name);
    sheet.Page = book_.GetPageCount() - 1;
    if (type == kSheetTypeWorksheet && (sheet.Record.Visibility == svHidden ||
                                        sheet.Record.Visibility == svVeryHidden))
      book_.SetPageVisibility(sheet.Page, static_cast<TcxSheetVisibility>(sheet.Record.Visibility));
  }
}

int TcxExcelFileReader::PageOfSheet(size_t sheetIndex) const {
  return sheetIndex < sheets_.size() ? sheets_[sheetIndex].Page : -1;
}

// A name of cells: its formula is one absolute reference to a cell or a rectangle of one sheet
// of this workbook.
bool TcxExcelFileReader::NameArea(const TcxNameRecord& name, int& page, TRect& area) const {
  if (name.Tokens.empty()) return false;
  TcxBiffRecord tokens = TcxBiffRecord::OfData(name.Tokens);
  const uint8_t id = PtgBase(tokens.ReadU8());
  if (id == kPtgRef3d || id == kPtgArea3d) {
    const uint16_t refIndex = tokens.ReadU16();
    if (refIndex >= context_.ExternSheets.size()) return false;
    const TcxExternSheet& sheet = context_.ExternSheets[refIndex];
    if (sheet.FirstSheet != sheet.LastSheet) return false;
    if (!context_.SupBooks.empty() &&
        (sheet.SupBook >= context_.SupBooks.size() || context_.SupBooks[sheet.SupBook].Kind != sbkSelf))
      return false;
    page = PageOfSheet(sheet.FirstSheet);
  } else if (id == kPtgRef || id == kPtgArea) {
    // Without a sheet of its own a reference of a name refers to the sheet it is used on (a
    // formula name); a sheet's own name refers to that sheet.
    page = name.Sheet > 0 ? PageOfSheet(name.Sheet - 1u) : -1;
  } else {
    return false;
  }
  uint16_t flags = 0;
  if (id == kPtgRef || id == kPtgRef3d) {
    const uint16_t row = tokens.ReadU16();
    const uint16_t col = tokens.ReadU16();
    flags = col & ~kColumnMask;
    area = {col & kColumnMask, row, col & kColumnMask, row};
  } else {
    const uint16_t row1 = tokens.ReadU16();
    const uint16_t row2 = tokens.ReadU16();
    const uint16_t col1 = tokens.ReadU16();
    const uint16_t col2 = tokens.ReadU16();
    flags = (col1 | col2) & ~kColumnMask;
    area = {col1 & kColumnMask, row1, col2 & kColumnMask, row2};
  }
  // A relative reference moves with the cell that uses the name (a formula name;
  // xlrd-namesdemo.xls: RelativePos, A1Z10).
  if (flags != 0) return false;
  // The formula must be that one reference and nothing more (A1+1 is no range).
  return tokens.Ok() && tokens.Remaining() == 0 && page >= 0 && area.Right <= 255 &&
         area.Left <= area.Right && area.Top <= area.Bottom;
}

// Every NAME record becomes a name of the workbook, in file order, with its scope and flags:
// a name of cells, or a formula name whose formula is decoded once every name is known (a
// name's formula may use names defined after it). A name the workbook cannot hold (one of a
// chart sheet, or a second one of the same word in one scope) is not defined, and neither is a
// formula it cannot read; cells that use such a name keep their values.
void TcxExcelFileReader::DefineNames() {
  std::vector<int> indexes(names_.size(), -1);
  std::vector<bool> formulas(names_.size(), false);
  for (size_t i = 0; i < names_.size(); ++i) {
    const TcxNameRecord& record = names_[i];
    const int scope = record.Sheet > 0 ? PageOfSheet(record.Sheet - 1u) : -1;
    context_.Names.push_back(record.Name);
    context_.NamePages.push_back(scope);
    context_.QualifiedNames.push_back(
        scope >= 0 ? TcxFormulaReader::SheetText(sheets_[record.Sheet - 1u].Record.Name) + "!" +
                         record.Name
                   : record.Name);
    TcxSSNameDefinition name;
    name.Name = record.Name;
    name.Scope = scope;
    name.Hidden = (record.Options & kNameHidden) != 0;
    name.BuiltIn = (record.Options & kNameBuiltIn) != 0;
    name.FileOptions = static_cast<uint16_t>(record.Options & ~(kNameHidden | kNameBuiltIn));
    int page = -1;
    TRect area;
    if (NameArea(record, page, area)) {
      name.Sheet = static_cast<uint8_t>(std::min(page, 0xFF));
      name.Area = area;
    } else {
      name.Kind = nkFormula;
      formulas[i] = true;
    }
    if (record.Sheet == 0 || scope >= 0) indexes[i] = book_.DefineName(name);
    // A function's name (a macro's, or a newer Excel's function) names no value; a name
    // without a formula may name a function too (a user's function, called through function
    // 255).
    const bool function = (record.Options & kNameFunction) != 0;
    context_.NameDefined.push_back(indexes[i] >= 0 && !function);
    context_.NameFunctions.push_back(function || record.Tokens.empty());
  }
  for (size_t i = 0; i < names_.size(); ++i) {
    const TcxNameRecord& record = names_[i];
    if (indexes[i] < 0 || !formulas[i] || record.Tokens.empty()) continue;
    const TcxDecodedFormula decoded = formulas_->DecodeName(record.Tokens, {}, context_.NamePages[i]);
    if (decoded.Outcome != foFormula || !book_.SetNameFormula(indexes[i], decoded.Text))
      context_.NameDefined[i] = false;
  }
  context_.NameIndexes = std::move(indexes);
}

// The EXTERNSHEET entries of other workbooks become the workbook's external sheets.
void TcxExcelFileReader::LinkSheets() {
  for (const TcxExternSheet& entry : context_.ExternSheets) {
    int index = -1;
    if (entry.SupBook < context_.SupBooks.size()) {
      const TcxSupBook& book = context_.SupBooks[entry.SupBook];
      if (book.Kind == sbkExternal) {
        index = static_cast<int>(links_.Sheets.size());
        links_.Sheets.push_back(
            {static_cast<uint16_t>(book.LinkBook), entry.FirstSheet, entry.LastSheet});
      }
    }
    context_.LinkSheets.push_back(index);
  }
  if (!links_.Books.empty()) book_.SetExternalLinks(links_);
}

// --- Worksheets ------------------------------------------------------------------------------------

void TcxExcelFileReader::ReadSheets(size_t globalsEnd) {
  // Substreams are read in stream order and may not overlap, so that no record is read twice
  // however the BOUNDSHEET offsets are set.
  std::vector<const TSheetEntry*> order;
  for (const auto& sheet : sheets_)
    if (sheet.Page >= 0) order.push_back(&sheet);
  std::sort(order.begin(), order.end(), [](const TSheetEntry* a, const TSheetEntry* b) {
    return a->Record.Offset < b->Record.Offset;
  });
  TcxExcelGlobals globals;
  globals.Settings = &settings_;
  globals.Styles = &styles_;
  globals.SharedStrings = &sharedStrings_;
  std::vector<bool> sharedStringValues(sharedStrings_.size());
  for (size_t i = 0; i < sharedStrings_.size(); ++i)
    sharedStringValues[i] = TcxExcelSheetReader::ReadsAsValue(sharedStrings_[i], settings_);
  globals.SharedStringValues = &sharedStringValues;
  globals.Formulas = formulas_.get();
  globals.FormulaTokens = formulaTokens_.get();
  globals.Scale = scale_;
  TcxParsedShapes parsedShapes;
  if (ReuseFormulaShapes) globals.ParsedShapes = &parsedShapes;
  const std::function<size_t(size_t)> progress = [this](size_t position) {
    return Progress(position);
  };
  size_t end = globalsEnd;
  for (const TSheetEntry* sheet : order) {
    if (sheet->Record.Offset < end) Damaged("two sheets share their records");
    const std::shared_ptr<IcxBookSheet> target = book_.GetSheet(sheet->Page);
    if (!target) Damaged("the workbook did not make a page for a sheet");
    TcxExcelSheetReader reader(globals, *target, sheet->Page, report_);
    end = reader.Read(stream_, sheet->Record.Offset, progress);
    if (sheet->Page == PageOfSheet(activeTab_)) r1c1_ = reader.R1C1();
  }
}
