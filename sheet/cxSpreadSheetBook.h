#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "calc/cxSSTypes.h"
#include "platform/Environment.h"
#include "platform/TextMeasurer.h"
#include "sheet/cxBookControl.h"
#include "sheet/cxSSFormatDialog.h"
#include "sheet/cxSSSheetState.h"

class TcxSSBookSheet;
class TcxSSDataStorage;
class TcxSSHeader;
class TcxSSListener;
class TcxSpreadSheetHistory;
class TcxSSStyleCache;
class TcxSSDefaultStyle;
class TcxSSFormulasCache;
struct TcxLoadReport;
struct TcxSaveReport;

enum TcxScrollBars : uint8_t { sbsNone, sbsHorizontal, sbsVertical, sbsBoth };
enum TcxSSPainterType : uint8_t { ptOffice97Style, ptOfficeXPStyle, ptCustom };

// The system colours the workbook's colour properties default to.
inline constexpr TColor kclWindow = RGBColor(255, 255, 255);
inline constexpr TColor kclBtnFace = RGBColor(240, 240, 240);
inline constexpr TColor kclHighlight = RGBColor(49, 106, 197);

// The workbook: an ordered list of sheets (pages), one formula engine, one style cache, the
// 56-colour palette, the undo history and the event dispatcher, with the workbook-wide settings
// as published properties. It works without a window; the Qt workbook control attaches itself
// through SetControl and is told about every change that needs a repaint or a new layout.
//
// Objects owned, in the order they are made: dispatcher, history, style cache, formula engine.
// The virtual Create… operations choose each family; the ones called while the workbook is being
// constructed (dispatcher, history, style cache, formula engine) resolve to this class's
// families, the others (sheets, their storages and headers) to the most derived override.
class TcxCustomSpreadSheetBook {
public:
  explicit TcxCustomSpreadSheetBook(
      std::shared_ptr<const TcxEnvironment> environment = TcxEnvironment::Default());
  virtual ~TcxCustomSpreadSheetBook();
  TcxCustomSpreadSheetBook(const TcxCustomSpreadSheetBook&) = delete;
  TcxCustomSpreadSheetBook& operator=(const TcxCustomSpreadSheetBook&) = delete;

  // --- Pages -----------------------------------------------------------------------------------
  // Appends an existing sheet; the first page becomes active and visible.
  virtual void AddPage(std::shared_ptr<TcxSSBookSheet> sheet);
  // Makes a sheet captioned `caption`, or "Sheet" + (PageCount + 1) when it is empty.
  virtual TcxSSBookSheet& AddSheet(const std::string& caption = {});
  int PageCount() const { return static_cast<int>(pages_.size()); }
  void SetPageCount(int count);
  // The sheet at `index`; "Invalid page number" outside the list.
  TcxSSBookSheet& Pages(int index) const;
  TcxSSBookSheet& ActiveSheet() const { return Pages(activePage_); }
  int ActivePage() const { return activePage_; }
  void SetActivePage(int index);
  bool PageVisible(int index) const;
  void SetPageVisible(int index, bool visible);
  // Visible, hidden or very hidden (which the file keeps; no command shows such a sheet).
  TcxSheetVisibility PageVisibility(int index) const;
  void SetPageVisibility(int index, TcxSheetVisibility visibility);
  // The position of a sheet among the pages, or -1.
  int IndexOfSheet(const TcxSSBookSheet& sheet) const;

  // --- Update lock and calculation --------------------------------------------------------------
  int BeginUpdate();
  int EndUpdate();
  bool IsLocked() const;
  int LockCount() const;
  bool AutoRecalc() const;
  void SetAutoRecalc(bool value);
  virtual void Recalc();
  virtual void UpdateControl();
  // Re-measures the active view, updates the scroll bars and repaints unless locked.
  virtual void RefreshView();
  virtual void UpdateLayout();
  virtual void HeaderFontChanged();

  void ClearAll();

  // --- Files (cxSSBookFile.cpp) -----------------------------------------------------------------
  // Replaces the pages by an .xls file's: "Invalid file %s name" when the file does not exist,
  // "Invalid stream format" when it cannot be read, "Stream has unknown function's"
  // (ESpreadSheetUnknownFunctions) when it was read but uses functions outside the library.
  TcxLoadReport LoadFromFile(const std::string& fileName);
  TcxLoadReport LoadFromStream(std::istream& stream);
  // Loading parses a formula of each shape once and gives later formulas of that shape (the same
  // formula filled down or across) the parsed tokens; off, every formula is parsed from its
  // text. On by default.
  bool ReuseFormulaShapes() const { return reuseFormulaShapes_; }
  void SetReuseFormulaShapes(bool value) { reuseFormulaShapes_ = value; }
  // Saves the workbook as an .xls file. The file is written beside the target under a temporary
  // name and renamed over it only when complete: a failed save leaves the old file as it was.
  // Only a regular file is replaced (WriteFileReplacing). The report says what the file could
  // not hold as it stands.
  TcxSaveReport SaveToFile(const std::string& fileName);
  // Walks the workbook in the fixed order and feeds the Excel writer; empties the undo history,
  // reports progress from 0 to 100 and, when it succeeds, clears the modified flag. A sheet
  // caption or a name longer than a file holds, or more sheets than it holds, refuse the save
  // (EcxExcelDataWriter) before anything is written.
  TcxSaveReport SaveToStream(std::ostream& stream);
  // What a save would report, or the error it would raise, without writing anything: so that
  // the user hears of it before the save.
  TcxSaveReport CheckSave();
  // Copies another workbook's pages, default style and palette.
  virtual void Assign(const TcxCustomSpreadSheetBook& source);

  // --- Clipboard (cxSSClipboard.cpp) ---------------------------------------------------------
  // The private clipboard block of a rectangle of a sheet: the rectangle, the merged areas that
  // meet it, then every cell's value and style, column by column (without the final CR LF).
  virtual std::string CopyClipboardCells(TcxSSBookSheet& sheet, const TRect& cells);
  // Pastes the clipboard's private block with its top-left cell at (col, row); false (nothing
  // pasted) when the clipboard holds none. `pasted` is the target area. Raises "Cannot change
  // part of merged cells" when the target meets a merged area.
  virtual bool PasteClipboardCells(TcxSSBookSheet& sheet, int col, int row, TRect& pasted);

  // The format dialog FormatCells runs unless OnFormatCells chooses another; the base dialog,
  // which does nothing, until the Qt layer sets its style designer.
  const TcxSSFormatDialogClass& FormatDialogClass() const { return formatDialogClass_; }
  void SetFormatDialogClass(TcxSSFormatDialogClass value) { formatDialogClass_ = std::move(value); }

  // "A1", "A1:B2" (or "A1 x B2" with separator index 1, or a defined name matching the
  // rectangle on that page); R1C1 form when R1C1ReferenceStyle is on.
  std::string CellReferenceText(int page, const TRect& cells, int separatorIndex) const;

  // --- Owned objects ----------------------------------------------------------------------------
  const TcxEnvironment& Environment() const { return *environment_; }
  // The environment's regional settings with the workbook's date system (Date1904).
  const TRegionalSettings& Settings() const { return settings_; }
  std::shared_ptr<const TcxEnvironment> EnvironmentPtr() const { return environment_; }
  TcxSSListener& Listener() const { return *listener_; }
  TcxSpreadSheetHistory& History() const { return *history_; }
  TcxSSStyleCache& StyleCache() const { return *styleCache_; }
  TcxSSFormulasCache& FormulasCache() const { return *formulasCache_; }
  IcxBookControl* Control() const { return control_; }
  void SetControl(IcxBookControl* control) { control_ = control; }

  // --- State ------------------------------------------------------------------------------------
  using TPalette = std::array<TColor, 56>;
  const TPalette& Palette() const { return palette_; }
  void SetPalette(const TPalette& palette);
  void ResetPalette();
  bool Loading() const { return loading_; }
  void SetLoading(bool value) { loading_ = value; }
  bool Reading() const { return reading_; }
  void SetReading(bool value) { reading_ = value; }
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

  // --- Published properties ---------------------------------------------------------------------
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor value);
  bool BufferedPaint() const { return bufferedPaint_; }
  void SetBufferedPaint(bool value);
  int ColHeaderHeight() const { return colHeaderHeight_; }
  void SetColHeaderHeight(int value);
  uint16_t DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(uint16_t value);
  uint16_t DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(uint16_t value);
  TcxSSDefaultStyle& DefaultStyle() const;
  bool ExcelProtectionStyle() const { return excelProtectionStyle_; }
  void SetExcelProtectionStyle(bool value) { excelProtectionStyle_ = value; }
  TColor GridColor() const { return gridColor_; }
  void SetGridColor(TColor value);
  TColor HeaderColor() const { return headerColor_; }
  void SetHeaderColor(TColor value);
  const TcxFontDesc& HeaderFont() const { return headerFont_; }
  void SetHeaderFont(const TcxFontDesc& font);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);
  TcxSSPainterType PainterType() const { return painterType_; }
  void SetPainterType(TcxSSPainterType value);
  uint8_t Precision() const { return precision_; }
  void SetPrecision(uint8_t value);
  bool Protected() const { return protected_; }
  void SetProtected(bool value) { protected_ = value; }
  // The password hash and the windows flag of the workbook's protection.
  const TcxSSProtection& Protection() const { return protection_; }
  void SetProtection(const TcxSSProtection& value) { protection_ = value; }
  // Protects the workbook with a password (none when empty).
  void Protect(std::string_view password);
  // Ends the protection when the password's hash is the one kept (any password when none is);
  // false, with the protection unchanged, otherwise.
  bool Unprotect(std::string_view password);
  // The 1904 date system: date serials count days from 1904-01-01 instead of 1899-12-30, as
  // workbooks made on the Macintosh keep them. Dates show, are typed and are calculated in the
  // workbook's own system; the value is recalculated and shown again when it changes.
  bool Date1904() const { return settings_.Date1904; }
  void SetDate1904(bool value);
  bool R1C1ReferenceStyle() const;
  void SetR1C1ReferenceStyle(bool value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  int RowHeaderWidth() const { return rowHeaderWidth_; }
  void SetRowHeaderWidth(int value);
  bool RowsAutoHeight() const { return rowsAutoHeight_; }
  void SetRowsAutoHeight(bool value) { rowsAutoHeight_ = value; }
  TcxScrollBars ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TcxScrollBars value);
  TColor SelectionColor() const { return selectionColor_; }
  void SetSelectionColor(TColor value);
  bool ShowCaptionBar() const { return showCaptionBar_; }
  void SetShowCaptionBar(bool value);
  bool ShowFormulas() const { return showFormulas_; }
  void SetShowFormulas(bool value);
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool value);
  bool ShowHeaders() const;
  void SetShowHeaders(bool value);
  // The control's own font; the default style record starts with it.
  const TcxFontDesc& Font() const { return font_; }

  // --- Events (an empty function means no handler) ---------------------------------------------
  std::function<void(TcxSSBookSheet& sender, TPoint activeCell, bool& canSelect)>
      OnActiveCellChanging;
  std::function<void(TcxCustomSpreadSheetBook& sender, int activeSheet, bool& canSelect)>
      OnActiveSheetChanging;
  std::function<void(TcxCustomSpreadSheetBook& sender)> OnAfterCalculation;
  std::function<void(TcxCustomSpreadSheetBook& sender)> OnEndEdit;
  std::function<void(TcxCustomSpreadSheetBook& sender)> OnHistoryChanged;
  std::function<void(TcxCustomSpreadSheetBook& sender, int x, int y)> OnCaptionPopupMenu;
  std::function<void(TcxCustomSpreadSheetBook& sender, int x, int y)> OnSheetPopupMenu;
  std::function<void(TcxSSBookSheet& sender, int col, int row)> OnCellChange;
  std::function<void(TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet, int index,
                     bool prevValue, bool newValue)>
      OnChangeColVisible;
  std::function<void(TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet, int index,
                     bool prevValue, bool newValue)>
      OnChangeRowVisible;
  std::function<void(TcxSSBookSheet& sender, std::string& caption)> OnChangeSheetCaption;
  std::function<void(TcxSSBookSheet& sender, const TRect& cells, bool& useDefaultStyle,
                     bool& canClear)>
      OnClearCells;
  std::function<void(int sheet, bool& canDelete)> OnDeleteSheet;
  std::function<void(TcxSSBookSheet& sender, int col, int row, bool& canEdit)> OnEditing;
  std::function<void(int sheet1, int sheet2, bool& canExchange)> OnExchangeSheets;
  std::function<void(TcxSSBookSheet& sender, const TRect& cells, bool isMerge, bool& canMerge)>
      OnMergeCells;
  std::function<void(TcxSSBookSheet& sender, TRect& cells, bool& canFormat,
                     TcxSSFormatDialogClass& dialogClass)>
      OnFormatCells;
  std::function<void(TcxCustomSpreadSheetBook& sender, int percent)> OnProgress;
  std::function<void(TcxSSBookSheet& sender, int index, uint16_t& newSize)> OnResizeCol;
  std::function<void(TcxSSBookSheet& sender, int index, uint16_t& newSize)> OnResizeRow;
  std::function<void(TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet)> OnSetSelection;
  std::function<void(TcxSSBookSheet& sender, TPoint& topLeft)> OnTopLeftChanging;
  // The standard control event asked first for every pop-up request.
  std::function<void(TcxCustomSpreadSheetBook& sender, TPoint point, bool& handled)>
      OnContextPopup;

  // --- Families ---------------------------------------------------------------------------------
  virtual std::shared_ptr<TcxSSBookSheet> CreateSheet();
  virtual std::unique_ptr<TcxSSDataStorage> CreateDataStorage(TcxSSBookSheet& sheet);
  virtual std::unique_ptr<TcxSSHeader> CreateHeader(TcxSSDataStorage& storage, int defaultSize,
                                                    int kind);
  virtual std::unique_ptr<TcxSSListener> CreateListener();
  virtual std::unique_ptr<TcxSpreadSheetHistory> CreateHistory();
  virtual std::unique_ptr<TcxSSStyleCache> CreateStyleCache();
  virtual std::unique_ptr<TcxSSFormulasCache> CreateFormulasCache();

protected:
  // Removes the page at `index` (no checks, no events) and returns it.
  std::shared_ptr<TcxSSBookSheet> RemovePage(int index);
  // Exchanges two pages together with their hidden flags.
  void SwapPages(int a, int b);
  void DeletePageVisibleFlag(int index);
  void SetActivePageIndex(int index) { activePage_ = index; }
  void RefreshTabs();
  void Invalidate();

private:
  std::shared_ptr<const TcxEnvironment> environment_;
  std::unique_ptr<TcxSSListener> listener_;
  std::unique_ptr<TcxSpreadSheetHistory> history_;
  std::unique_ptr<TcxSSStyleCache> styleCache_;
  std::unique_ptr<TcxSSFormulasCache> formulasCache_;
  IcxBookControl* control_ = nullptr;
  TcxSSFormatDialogClass formatDialogClass_ = [] { return std::make_unique<TcxSSFormatDialog>(); };

  TRegionalSettings settings_;
  std::vector<std::shared_ptr<TcxSSBookSheet>> pages_;
  std::vector<TcxSheetVisibility> pageVisibility_;
  int activePage_ = 0;
  TPalette palette_{};
  bool loading_ = false;
  bool reading_ = false;
  bool reuseFormulaShapes_ = true;
  bool modified_ = false;

  TColor backgroundColor_ = kclWindow;
  bool bufferedPaint_ = false;
  int colHeaderHeight_ = 20;
  uint16_t defaultColWidth_ = 85;
  uint16_t defaultRowHeight_ = 20;
  bool excelProtectionStyle_ = true;
  TColor gridColor_ = kclBtnFace;
  TColor headerColor_ = kclBtnFace;
  TcxFontDesc headerFont_{"MS Sans Serif", 8, 0, 1};
  bool hideSelection_ = false;
  TcxSSPainterType painterType_ = ptOffice97Style;
  uint8_t precision_ = 2;
  bool protected_ = false;
  TcxSSProtection protection_;
  bool readOnly_ = false;
  int rowHeaderWidth_ = 85;
  bool rowsAutoHeight_ = true;
  TcxScrollBars scrollBars_ = sbsBoth;
  TColor selectionColor_ = kclHighlight;
  bool showCaptionBar_ = true;
  bool showFormulas_ = false;
  bool showGrid_ = true;
  bool showHeadersDefault_ = true;
  TcxFontDesc font_{"MS Sans Serif", 8, 0, 1};
};

// The multi-sheet workbook with a tab strip; a new one has one sheet, "Sheet1".
class TcxSpreadSheetBook : public TcxCustomSpreadSheetBook {
public:
  explicit TcxSpreadSheetBook(
      std::shared_ptr<const TcxEnvironment> environment = TcxEnvironment::Default());

  virtual void ExchangeSheets(int sheet1, int sheet2);
  virtual void DeleteSheet(int index);
};

// A single-sheet workbook: the tab strip hidden, one sheet.
class TcxSpreadSheet : public TcxCustomSpreadSheetBook {
public:
  explicit TcxSpreadSheet(
      std::shared_ptr<const TcxEnvironment> environment = TcxEnvironment::Default());
};
