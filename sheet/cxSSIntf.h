#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "calc/cxSSExternalLinks.h"
#include "calc/cxSSNames.h"
#include "platform/Types.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSSheetState.h"

struct TcxSSStyleRec;
struct TcxSSFontRec;

// The interfaces through which the file reader fills a workbook, so that the reader needs no
// knowledge of the workbook's classes.

// One sheet of the workbook being filled.
class IcxBookSheet {
public:
  virtual ~IcxBookSheet() = default;
  // kind 0 columns, 1 rows: the item's size, then its locked flag, then its visibility.
  // `automatic`: the file says the size was worked out from the contents (rows only), so it
  // may be worked out again when they change.
  virtual void SetHeaderItem(int kind, int index, int size, bool locked, bool visible,
                             bool automatic) = 0;
  virtual void SetDefaultSize(int kind, int size) = 0;
  // Merges (or splits) the inclusive rectangle.
  virtual void MergeCells(const TRect& cells, bool merge) = 0;
  // The sheet's declared used extent: writes to rows beyond it are dropped while reading.
  virtual void SetDimensions(int cols, int rows) = 0;
  virtual void SetProtected(bool value) = 0;
  virtual void SetOptions(const TRect& selection, bool showFormulas, bool showGrid,
                          bool showHeaders, bool ignored) = 0;
  // What the file keeps beyond those: the size a column (kind 0) or row (kind 1) has in the
  // file's units, the default sizes in them, the protection's password and flags, and how the
  // sheet is viewed. A target that has no place for them ignores them.
  virtual void SetFileSize(int /*kind*/, int /*index*/, uint16_t /*fileSize*/) {}
  virtual void SetFileDefaultSizes(const TcxSSDefaultSizes& /*sizes*/) {}
  virtual void SetProtection(const TcxSSProtection& /*protection*/) {}
  virtual void SetView(const TcxSSSheetView& /*view*/) {}
  virtual std::unique_ptr<IcxSheetCell> GetCell(int col, int row) = 0;
  // The cell (col, row) for the writes that follow, good until the next call: a reader writing
  // cell after cell then needs no cell object of its own for each. By default a cell from
  // GetCell, held until the next call.
  virtual IcxSheetCell& CellAt(int col, int row) {
    heldCell_ = GetCell(col, row);
    return *heldCell_;
  }

private:
  std::unique_ptr<IcxSheetCell> heldCell_;
};

// The workbook being filled.
class IcxSpreadSheetBook {
public:
  virtual ~IcxSpreadSheetBook() = default;
  // Adds a sheet with this caption and answers it (the last page).
  virtual std::shared_ptr<IcxBookSheet> AddSheet(const std::string& caption) = 0;
  virtual int BeginUpdate() = 0;
  // Adds a defined name as the file holds it: a name of cells (Kind nkCells, with its Sheet and
  // Area) or a formula name whose formula follows with SetNameFormula. Its index, or -1 when
  // the workbook cannot hold it (its scope or sheet is no page, its scope has that name already).
  virtual int DefineName(const TcxSSNameDefinition& name) = 0;
  // Gives the formula name at `index` its formula as formula text, relative references counted
  // from A1; false when the workbook cannot read it.
  virtual bool SetNameFormula(int index, const std::string& text) = 0;
  virtual int EndUpdate() = 0;
  virtual std::unique_ptr<IcxSheetCell> GetCell(int page, int col, int row) = 0;
  // "Invalid page number" outside the pages.
  virtual std::shared_ptr<IcxBookSheet> GetSheet(int page) = 0;
  virtual int GetPageCount() const = 0;
  virtual void SetProtected(bool value) = 0;
  // Replaces the default style record (and its font's values) by one read from a file.
  virtual void SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec& font) = 0;
  virtual void SetPalette(const std::array<TColor, 56>& palette) = 0;
  virtual void SetPageVisible(int page, bool visible) = 0;
  // Hidden or very hidden; by default a hidden page.
  virtual void SetPageVisibility(int page, TcxSheetVisibility visibility) {
    SetPageVisible(page, visibility == svVisible);
  }
  // The workbook's protection password and windows flag, its date system, the page the file
  // shows first and its reference style. A target that has no place for them ignores them.
  virtual void SetProtection(const TcxSSProtection& /*protection*/) {}
  virtual void SetDate1904(bool /*value*/) {}
  virtual void SetActivePage(int /*page*/) {}
  virtual void SetR1C1ReferenceStyle(bool /*value*/) {}
  // What the file's formulas refer to in other workbooks and add-ins (before any cell).
  virtual void SetExternalLinks(const TcxSSExternalLinks& /*links*/) {}
};
