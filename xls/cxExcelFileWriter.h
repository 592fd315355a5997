#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSTokens.h"
#include "platform/Environment.h"
#include "sheet/cxSSSheetState.h"
#include "styles/cxSSStyleTypes.h"
#include "xls/SSTStringTable.h"
#include "xls/cxBiffWriter.h"
#include "calc/cxExcelLimits.h"
#include "xls/cxExcelUnits.h"
#include "xls/cxWorkBookWriter.h"

// A cell value handed to WriteCell: nothing, a text, or a number.
using TcxCellValue = std::variant<std::monostate, std::string_view, double>;

// What a file could not hold of a workbook as it stands, so that the save says so.
enum TcxSaveLossKind : uint8_t {
  slTextCut,         // a text longer than a file's text holds, cut to that length
  slFormulaAsValue,  // a formula longer than a FORMULA record holds, saved as its value
  slOutsideGrid,     // a cell beyond column IV or row 65536, left out
  slBrokenBlock,     // a cell of an array formula or data table that lost its first cell (or
                     // reaches beyond the file's grid), saved as its value
};

// A record that belongs right after a FORMULA record (before the STRING record of its text
// value): the ARRAY or TABLE record of the block of cells the formula's cell starts.
struct TcxFollowingRecord {
  uint16_t Id = 0;
  std::vector<uint8_t> Data;
};

// The cells of one kind of loss: how many, and the first of them.
struct TcxSaveLoss {
  TcxSaveLossKind Kind = slTextCut;
  int Count = 0;
  int Sheet = 0;
  int Col = 0;
  int Row = 0;
};

// Collects a workbook as BIFF8 records in memory and writes the whole .xls file: the compound
// document prefix, the "Workbook" stream and the padding. The workbook (SaveToStream) feeds it
// in a fixed order: page count, palette, protection, defined names, the default style, then per
// sheet BeginSheet, protection, default row height, default column width, columns, rows, the
// cells (each after RegisterStyle) and the merged areas; then WriteWorkbook.
//
// Layout: the workbook globals are a list of whole records that starts as a fixed template
// (BOF, TABID, WINDOW1, four fonts, two formats, 17 XFs, SUPBOOK, EXTERNSHEET); fonts, formats, XFs,
// PALETTE/STYLE and BOUNDSHEET records are inserted at their places, the add-in SUPBOOK and its
// EXTERNNAME records before EXTERNSHEET when a formula calls an add-in function, PROTECT and NAME
// records appended. Each sheet keeps its own records as one byte buffer, appended to in call order; its
// head records (BOF, INDEX, DIMENSIONS, WINDOW2, REFMODE) are made when the file is written, from
// the extent and options kept with the sheet. Texts go to the shared string table.
//
// Cost: a cell is one hash look-up of its style (by identity) and one record appended to its
// sheet's buffer; a text cell adds a look-up in the string table. Memory is about the size of
// the file being written.
class TcxExcelFileWriter : public IcxFormulaLinks {
public:
  // Template XFs; registered styles follow them.
  static constexpr int kTemplateXfCount = 17;
  // The cell XF that carries the default style's settings.
  static constexpr uint16_t kDefaultCellXf = 15;
  static constexpr int kMaxRows = kXlsMaxRows;
  static constexpr int kMaxCols = kXlsMaxCols;
  // The first FORMAT index for a workbook's own format codes (the template holds 164 and 165).
  static constexpr uint16_t kFirstOwnFormat = 166;
  // Sheets the one-record TABID and EXTERNSHEET lists can hold.
  static constexpr int kMaxSheets = kXlsMaxSheets;

  explicit TcxExcelFileWriter(std::shared_ptr<const TcxEnvironment> environment);
  virtual ~TcxExcelFileWriter();
  TcxExcelFileWriter(const TcxExcelFileWriter&) = delete;
  TcxExcelFileWriter& operator=(const TcxExcelFileWriter&) = delete;

  // Set before anything else: bounds the sheet index of defined names.
  int PageCount() const { return pageCount_; }
  void SetPageCount(int count) { pageCount_ = count; }

  void WritePalette(const std::array<TColor, 56>& colors);
  // DATEMODE for a workbook in the 1904 date system (none for the 1900 system, the default).
  void WriteDateMode(bool date1904);
  // A PROTECT record for the workbook (sheet -1) or a sheet, followed by the records of the
  // protection's password hash and flags that are set (WINDOWPROTECT for the workbook,
  // SCENPROTECT and OBJPROTECT for a sheet, PASSWORD).
  void WriteProtection(int sheet, bool value, const TcxSSProtection& protection = {});
  // A NAME record, after the names before it (formulas refer to names by their place): a name
  // of cells as its rectangle, a formula name with `tokens`, its BIFF8 formula. A name longer
  // than a file's name holds raises EcxExcelDataWriter saying so.
  void WriteName(const TcxSSNameDefinition& name, std::span<const uint8_t> tokens = {});
  void WriteDefaultStyle(const TcxSSStyleRec& rec);

  // Starts the next sheet and returns its index. `kind` 1 is a worksheet. A hidden or very
  // hidden sheet is written so. A caption longer than a file's sheet name holds, or a sheet
  // beyond kMaxSheets, raises EcxExcelDataWriter saying so.
  int BeginSheet(std::string_view caption, bool showGrid, int kind,
                 TcxSheetVisibility visibility = svVisible);
  // The sheet shown first (WINDOW1); when it is hidden, the first visible sheet.
  void SetActiveSheet(int sheet) { activeSheet_ = sheet; }
  // How the sheet is viewed: WINDOW2 with the view's first row and column, options and zooms,
  // SCL, PANE for frozen or split panes, SELECTION (the active cell the view keeps while
  // `selection` is the one it belongs to, else its top-left cell) and REFMODE.
  void WriteSheetView(int sheet, const TcxSSSheetView& view, const TRect& selection, bool showGrid,
                      bool showHeaders, bool showFormulas, bool r1c1);
  // DEFCOLWIDTH (whole characters), and STANDARDWIDTH when those do not give `width` back; the
  // file's own records (`kept`) while they still give `width`.
  void WriteDefaultColWidth(int sheet, int width, const TcxSSDefaultSizes& kept = {});
  // DEFAULTROWHEIGHT: rows without a ROW record of their own; the file's own record while it
  // still gives `height`.
  void WriteDefaultRowHeight(int sheet, int height, const TcxSSDefaultSizes& kept = {});
  // COLINFO and ROW: `fileSize` is the width (1/256 character) or height (twips) the file gave
  // the column or row, written back while it still gives `width` or `height`; 0 for none.
  void WriteColumn(int sheet, int column, bool hidden, bool lockDiffers, int width,
                   uint16_t fileSize = 0);
  void WriteRow(int sheet, int row, bool hidden, int height, uint16_t fileSize = 0);

  // Room for about this many cells in the sheet's records, so that they are not moved as they
  // grow.
  void ReserveCells(int sheet, size_t cells);
  // Makes the XF of `rec` current (writing it the first time the record is seen).
  void RegisterStyle(const TcxSSStyleRec& rec);
  // A constant cell with the current XF: nothing is BLANK, a number NUMBER (or RK when that
  // holds it exactly), a text a number when it reads as one and `textFormat` is false, TRUE and
  // FALSE and the error texts BOOLERR, any other text LABELSST.
  void WriteCell(int sheet, int column, bool textFormat, const TcxCellValue& value, int row);
  // A formula cell with the current XF: BIFF8 tokens, the data after them (array constants)
  // and the cached result (a text result in a STRING record after the FORMULA record).
  // `following`, when given, is written right after the FORMULA record.
  void WriteFormula(int sheet, int column, std::span<const uint8_t> tokens,
                    const TcxResultValue& result, int row, std::span<const uint8_t> extra = {},
                    const TcxFollowingRecord* following = nullptr);
  // A formula cell the file cannot hold as a formula, written as its value with the current XF;
  // the loss is noted as `kind`.
  void WriteFormulaValue(int sheet, int column, const TcxResultValue& result, int row,
                         TcxSaveLossKind kind);
  // The link table formulas name things through (IcxFormulaLinks). Entries beyond the sheets'
  // own EXTERNSHEET entries (a sheet range or a sheet that is gone, the add-in book, other
  // workbooks) follow the entries of the page count, so it must be set first; their books'
  // SUPBOOK and EXTERNNAME records are made when a formula first names them. Each answer is
  // false when the link table has no room left.
  //
  // An add-in function's name: the add-in SUPBOOK's EXTERNSHEET index and the one-based index of
  // the name's EXTERNNAME record, for the ptgNameX token of a call.
  bool AddInFunction(std::string_view name, uint16_t& refIndex, uint16_t& nameIndex) override;
  bool SheetRef(int first, int last, uint16_t& refIndex) override;
  // Another workbook's SUPBOOK is written with its sheets and all its names as they were read.
  bool ExternalSheet(const TcxSSExternalLinks& links, size_t index, uint16_t& refIndex) override;
  bool ExternalName(const TcxSSExternalLinks& links, size_t index, uint16_t& refIndex,
                    uint16_t& nameIndex) override;
  // Every book and external sheet of `links`, in their order, before any formula names them:
  // the file read back gives the same links, its formulas the same tokens.
  void WriteExternalLinks(const TcxSSExternalLinks& links);

  // Records a cell the file cannot hold as it is (the writer notes the ones it meets itself).
  void NoteLoss(TcxSaveLossKind kind, int sheet, int column, int row);
  // What was cut or left out so far, one entry per kind in the order first met.
  const std::vector<TcxSaveLoss>& Losses() const { return losses_; }

  // Merged areas as inclusive rectangles.
  void WriteMergedCells(int sheet, std::span<const TRect> areas);

  // The whole file. Stream errors raise EcxExcelDataWriter ("Error store workbook stream"), and
  // so does a workbook without sheets, which no reader would open.
  void WriteWorkbook(std::ostream& stream);
  void WriteWorkbook(std::vector<uint8_t>& file);
  // The "Workbook" stream alone.
  std::vector<uint8_t> WorkbookStream();

  uint16_t CurrentXf() const { return currentXf_; }
  uint16_t CurrentFont() const { return currentFont_; }
  uint16_t ColumnXf() const { return columnXf_; }
  const TSSTStringTable& StringTable() const { return strings_; }

private:
  struct TGlobalRecord {
    uint16_t Id;
    TcxBiffWriter Record;
  };
  using TGlobalList = std::list<TGlobalRecord>;
  struct TSheet {
    std::u16string Caption;
    TcxSheetVisibility Visibility = svVisible;
    uint16_t Window2 = 0;  // options without the selected and shown bits
    TcxSSSheetView View;
    TRect Selection{0, 0, 0, 0};
    bool R1C1 = false;
    uint32_t LastRowPlus1 = 0;
    uint16_t LastColPlus1 = 0;
    TGlobalList::iterator BoundSheet;
    TcxBiffWriter Records;
  };
  // Where the sheet's records begin, and their size.
  struct TStreamLayout {
    uint32_t GlobalsSize = 0;
    std::vector<uint32_t> SheetPositions;
    uint32_t Total = 0;
    int ActiveSheet = 0;
  };

  TGlobalList::iterator InsertAfter(TGlobalList::iterator at, TcxBiffWriter record);
  TGlobalList::iterator Find(uint16_t id);
  void UpdateLinkRecords();
  uint16_t RegisterFont(const TcxSSFontRec* font);
  // The FORMAT index of a record's number format: its built-in index, or the index its code is
  // written under (a FORMAT record the first time the code is met).
  uint16_t RegisterFormat(const TcxSSStyleRec& rec);
  std::array<uint8_t, 20> XfData(const TcxSSStyleRec& rec, uint16_t font, uint16_t format) const;
  TSheet& Sheet(int sheet);
  void Touch(TSheet& sheet, int row, int col);
  bool InRange(int row, int col) const { return row >= 0 && row < kMaxRows && col >= 0 && col < kMaxCols; }
  void WriteText(TSheet& sheet, uint16_t row, uint16_t col, std::string_view text);
  TStreamLayout Layout();
  // WINDOW2, SCL, PANE, SELECTION and REFMODE of a sheet.
  void WriteViewRecords(TcxBiffWriter& w, const TSheet& sheet, bool active) const;
  template <typename Sink>
  void Emit(const TStreamLayout& layout, Sink&& sink);
  std::u16string_view Utf16(std::string_view text);

  std::shared_ptr<const TcxEnvironment> environment_;
  TcxExcelUnits units_;
  int pageCount_ = 0;
  int activeSheet_ = 0;
  std::array<TColor, 56> palette_{};
  TGlobalList globals_;
  TGlobalList::iterator tabId_, window1_, lastFont_, lastFormat_, defaultXf_, lastXf_,
      paletteRecord_, supBook_, externSheet_;
  bool hasPalette_ = false;
  // EXTERNSHEET entries after the sheets' own, from index refBase_ (-1: none yet).
  struct TExternRef {
    uint16_t SupBook, First, Last;
  };
  std::vector<TExternRef> extraRefs_;
  int refBase_ = -1;
  bool ExtraRef(uint16_t supBook, uint16_t first, uint16_t last, uint16_t& refIndex);
  // SUPBOOK records after this workbook's, in file order (SUPBOOK index = position + 1): a book
  // of the links (Source its index), or the writer's own add-in book (Source -1), with their
  // names so far.
  struct TLinkedBook {
    int Source = -1;
    bool AddIn = true;
    std::vector<std::string> Names;
    TGlobalList::iterator Last;  // its last record
  };
  std::vector<TLinkedBook> books_;
  int LinkedBook(int source, const TcxSSExternalLinks* links);
  std::unordered_map<const TcxSSFontRec*, uint16_t> fonts_;
  // Number format codes written so far and their FORMAT indexes; which built-in indexes have
  // a FORMAT record of their own; the next index for a workbook's own code.
  std::unordered_map<const TcxNumberFormat*, uint16_t> formats_;
  std::array<bool, 50> builtInFormatWritten_{};
  uint32_t nextFormat_ = kFirstOwnFormat;
  std::unordered_map<const TcxSSStyleRec*, uint16_t> styles_;
  int registeredFonts_ = 0;
  int registeredXfs_ = 0;
  const TcxSSStyleRec* lastStyle_ = nullptr;
  uint16_t currentFont_ = 0;
  uint16_t currentXf_ = kDefaultCellXf;
  uint16_t columnXf_ = kDefaultCellXf;
  std::vector<std::unique_ptr<TSheet>> sheets_;
  TSSTStringTable strings_;
  std::u16string utf16_;  // conversion buffer reused for every text
  std::vector<TcxSaveLoss> losses_;
};
