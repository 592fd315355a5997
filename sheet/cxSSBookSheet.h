#pragma once

#include <memory>
#include <string>

#include "platform/Types.h"

class TcxCustomSpreadSheetBook;
class TcxSSDataStorage;
class TcxSSHeader;

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
  // Copies the read-only flag, the view flags, the storage and both headers.
  virtual void Assign(const TcxSSBookSheet& source);

private:
  TcxCustomSpreadSheetBook& owner_;
  std::unique_ptr<TcxSSDataStorage> storage_;
  bool visible_ = false;
  bool protected_ = false;
  bool readOnly_ = false;
  bool showGrid_ = true;
  bool showHeaders_ = true;
  bool showFormulas_ = false;
};
