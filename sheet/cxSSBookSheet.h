#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"
#include "sheet/cxSSSheetState.h"

class TcxCustomSpreadSheetBook;
class TcxSSDataStorage;
class TcxSSHeader;

// Raises ESpreadSheetError "A sheet caption holds at most 255 characters" for a caption longer
// than a file holds: cut on saving, it could become another sheet's caption.
void RequireCaptionFits(std::string_view caption);

// One sheet (page) of a workbook. It owns its cell storage, which holds the cells, the two
// headers, the merged areas, the caption and the selection. Sheets are shared: the workbook
// holds one reference per page.
class TcxSSBookSheet {
public:
  explicit TcxSSBookSheet(TcxCustomSpreadSheetBook& owner);
  virtual ~TcxSSBookSheet();
  TcxSSBookSheet(const TcxSSBookSheet&) = delete;
  TcxSSBookSheet& operator=(const TcxSSBookSheet&) = delete;

  TcxCustomSpreadSheetBook& Owner() const { return owner_; }
  TcxSSDataStorage& DataStorage() const { return *storage_; }
  // The position of this sheet among the workbook's pages, or -1 when it is not a page.
  int Index() const;

  const std::string& Caption() const;
  // Fires OnChangeSheetCaption (which may change the text); refuses a caption that another
  // sheet has (without regard to case) with "Sheet caption invalid or already exist".
  void SetCaption(const std::string& caption);

  const TRect& Selection() const;
  void SetSelection(const TRect& selection);

  TcxSSHeader& ColumnHeader() const;
  TcxSSHeader& RowHeader() const;

  // Shown: true only while this sheet is the workbook's active page.
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }

  bool Protected() const { return protected_; }
  void SetProtected(bool value) { protected_ = value; }
  // The password hash and the object and scenario flags of the sheet's protection.
  const TcxSSProtection& Protection() const { return protection_; }
  void SetProtection(const TcxSSProtection& value) { protection_ = value; }
  // Protects the sheet (its cells, objects and scenarios) with a password (none when empty).
  void Protect(std::string_view password);
  // Ends the protection when the password's hash is the one kept (any password when none is);
  // false, with the protection unchanged, otherwise.
  bool Unprotect(std::string_view password);

  // How the sheet is viewed (first column and row shown, frozen panes, zoom, ...): the view
  // follows it and keeps its scroll position in it; a save writes it.
  const TcxSSSheetView& View() const { return view_; }
  TcxSSSheetView& View() { return view_; }
  void SetView(const TcxSSSheetView& view);
  // The default column width and row height in the file's units, kept for the save.
  const TcxSSDefaultSizes& FileDefaultSizes() const { return fileDefaultSizes_; }
  void SetFileDefaultSizes(const TcxSSDefaultSizes& sizes) { fileDefaultSizes_ = sizes; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool value);
  bool ShowHeaders() const { return showHeaders_; }
  void SetShowHeaders(bool value);
  bool ShowFormulas() const { return showFormulas_; }
  void SetShowFormulas(bool value);

  // Fires OnCellChange for every cell of the rectangle (not suppressed by the update lock).
  virtual void CellsChanged(const TRect& cells);
  // The automatic height of one row, from the text of its cells.
  virtual void AutoRowHeight(int row);
  // Copies the read-only flag, the view flags and view, the storage and both headers.
  virtual void Assign(const TcxSSBookSheet& source);

  // --- Range operations (cxSSRangeOperations.cpp) ------------------------------------------------
  // Rectangles are inclusive. Each change is one undoable step; a refused operation changes
  // nothing.

  // Whether the user may change the cell: always while a file loads; with ExcelProtectionStyle,
  // unless the workbook or sheet is Protected and the cell (or, for a cell that is not stored,
  // its column) is locked; without it, unless the workbook, the sheet or the cell is read-only.
  bool CanChangeCell(int col, int row) const;
  bool CanChangeRange(const TRect& cells) const;
  // Whether the cells hold part of an array formula or data table but not all of it.
  bool CutsBlock(const TRect& cells) const;
  // Enters `text` ("=" and an expression) as one array formula over the cells, as a spreadsheet
  // does when a formula is entered into a selection as an array: every cell holds the formula
  // and shows its part of the result. One undo step "Change cells". False, and nothing changed,
  // when the text is no formula; refused ("Cannot change part of an array") when the cells hold
  // part of another block.
  bool SetArrayFormula(const TRect& cells, const std::string& text);
  // "Clear cells": the contents, and with `clearFormats` the styles and the merged areas inside.
  void ClearCells(const TRect& cells, bool clearFormats);
  // "Clear all": the whole sheet with formats.
  void ClearSheet();
  // Shift modes: 0 horizontally, 1 vertically, 2 entire columns, 3 entire rows. Modes 0 and 1
  // raise "Some modified cells are merged" when the shift would cut a merged area.
  void InsertCells(const TRect& cells, int mode);
  void DeleteCells(const TRect& cells, int mode);
  // InsertCells or DeleteCells without the protection test, as undo and redo replay them.
  void InsertDeleteCells(const TRect& cells, int mode, bool isDelete);
  // Hides or shows the rectangle's columns and/or rows; not an undoable step.
  void SetVisibility(const TRect& cells, bool columns, bool show, bool rows);
  // Merges (or splits) the rectangle widened to whole merged areas, as OnMergeCells decides.
  void MergeCells(const TRect& cells, bool merge);
  // Sorts the rectangle's rows by its columns from left to right; direction k (0 ascending,
  // 1 descending) belongs to key column k, the last one to every further column.
  void SortCells(const TRect& cells, const std::vector<uint8_t>& directions);
  // Runs the format dialog OnFormatCells chooses, as one step "Format cells".
  void FormatCells(const TRect& cells);

  // --- Clipboard (cxSSClipboard.cpp) ------------------------------------------------------------
  // Puts the rectangle on the clipboard in the private format and as text; a cut then clears
  // the contents (styles stay) when the cells may be changed.
  void CopyCells(const TRect& cells, bool cut);
  // Pastes at the target's top-left cell: the private format when the clipboard holds it,
  // otherwise the text.
  void PasteCells(const TRect& target);

private:
  TcxCustomSpreadSheetBook& owner_;
  std::unique_ptr<TcxSSDataStorage> storage_;
  bool visible_ = false;
  bool protected_ = false;
  TcxSSProtection protection_;
  TcxSSSheetView view_;
  TcxSSDefaultSizes fileDefaultSizes_;
  bool readOnly_ = false;
  bool showGrid_ = true;
  bool showHeaders_ = true;
  bool showFormulas_ = false;
};
