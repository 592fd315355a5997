#include "calc/cxSSMergedCellsStorage.h"

#include <algorithm>
#include <cassert>
#include <climits>

#include "calc/cxSSDataStorage.h"
#include "sheet/ScopeGuard.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleTypes.h"

namespace {

// Both rectangles in stored form (exclusive right and bottom), neither empty.
bool Intersects(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

bool Inside(const TRect& inner, const TRect& outer) {
  return inner.Left >= outer.Left && inner.Right <= outer.Right && inner.Top >= outer.Top &&
         inner.Bottom <= outer.Bottom;
}

bool IsEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

TRect Union(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

TRect ToInclusive(const TRect& r) { return {r.Left, r.Top, r.Right - 1, r.Bottom - 1}; }

// Where the interval [a, b) lands after [first, first + n) was deleted: the part before the
// deleted lines stays, the part after moves back by n, the deleted part vanishes.
void DeleteFromInterval(int& a, int& b, int first, int n) {
  auto map = [&](int x) { return x <= first ? x : std::max(first, x - n); };
  a = map(a);
  b = map(b);
}

}  // namespace

TcxSSMergedCellsStorage::TcxSSMergedCellsStorage(TcxSSDataStorage& storage)
    : storage_(storage) {}

bool TcxSSMergedCellsStorage::FindAt(TPoint cell, TRect& area) const {
  for (const TRect& r : items_) {
    if (cell.X >= r.Left && cell.X < r.Right && cell.Y >= r.Top && cell.Y < r.Bottom) {
      area = r;
      return true;
    }
  }
  area = {cell.X, cell.Y, cell.X, cell.Y};
  return false;
}

bool TcxSSMergedCellsStorage::IntersectsAny(const TRect& rect) const {
  int index;
  return FirstIntersecting(rect, index);
}

TcxSSRectsArray TcxSSMergedCellsStorage::GetIntersecting(const TRect& rect) const {
  TcxSSRectsArray result;
  for (const TRect& r : items_)
    if (Intersects(r, rect)) result.push_back(r);
  return result;
}

bool TcxSSMergedCellsStorage::FirstIntersecting(const TRect& rect, int& index) const {
  for (int i = 0; i < Count(); ++i) {
    if (Intersects(items_[i], rect)) {
      index = i;
      return true;
    }
  }
  return false;
}

bool TcxSSMergedCellsStorage::GetArea(int index, TRect& area) const {
  if (index < 0 || index >= Count()) {
    area = {-1, -1, -1, -1};
    return false;
  }
  area = items_[index];
  return true;
}

bool TcxSSMergedCellsStorage::GetAreaInclusive(int index, TRect& area) const {
  if (!GetArea(index, area)) return false;
  area = ToInclusive(area);
  return true;
}

TcxSSRectsArray TcxSSMergedCellsStorage::GetAllInclusive() const {
  TcxSSRectsArray result;
  result.reserve(items_.size());
  for (const TRect& r : items_) result.push_back(ToInclusive(r));
  return result;
}

TRect TcxSSMergedCellsStorage::Expand(TPoint corner1, TPoint corner2) const {
  TRect r{std::min(corner1.X, corner2.X), std::min(corner1.Y, corner2.Y),
          std::max(corner1.X, corner2.X) + 1, std::max(corner1.Y, corner2.Y) + 1};
  // Each union strictly grows r, so the scan restarts at most once per area.
  bool grown = true;
  while (grown) {
    grown = false;
    for (const TRect& x : items_) {
      if (Intersects(x, r) && !Inside(x, r)) {
        r = Union(r, x);
        grown = true;
        break;
      }
    }
  }
  return ToInclusive(r);
}

bool TcxSSMergedCellsStorage::IsBandMerged(const TRect& inclusiveRect, bool vertical) const {
  // The band runs to the end of the sheet; INT_MAX rather than a fixed row count, so that an
  // area far down (or right) still counts.
  const TRect band = vertical ? TRect{inclusiveRect.Left, 0, inclusiveRect.Right + 1, INT_MAX}
                              : TRect{0, inclusiveRect.Top, INT_MAX, inclusiveRect.Bottom + 1};
  return IntersectsAny(band);
}

void TcxSSMergedCellsStorage::Assign(const TcxSSMergedCellsStorage& source) {
  if (&source != this) items_ = source.items_;
}

void TcxSSMergedCellsStorage::Add(const TRect& area) {
  assert(!IsEmpty(area) && area.Left >= 0 && area.Top >= 0);
  items_.push_back(area);
}

void TcxSSMergedCellsStorage::AddAll(const TcxSSRectsArray& areas) {
  for (const TRect& r : areas) Add(r);
}

TcxSSRectsArray TcxSSMergedCellsStorage::SetAll(TcxSSRectsArray areas) {
  std::swap(items_, areas);
  return areas;
}

void TcxSSMergedCellsStorage::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TcxSSMergedCellsStorage::Clear() { items_.clear(); }

void TcxSSMergedCellsStorage::RemoveInside(const TRect& inclusiveRect) {
  const TRect outer{inclusiveRect.Left, inclusiveRect.Top, inclusiveRect.Right + 1,
                    inclusiveRect.Bottom + 1};
  std::erase_if(items_, [&](const TRect& r) { return Inside(r, outer); });
}

void TcxSSMergedCellsStorage::Offset(int index, int dx, int dy) {
  if (index < 0 || index >= Count()) return;
  TRect& r = items_[index];
  r = {std::max(0, r.Left + dx), std::max(0, r.Top + dy), r.Right + dx, r.Bottom + dy};
  if (IsEmpty(r)) Delete(index);
}

void TcxSSMergedCellsStorage::Resize(int index, int dx, int dy) {
  if (index < 0 || index >= Count()) return;
  if ((dx < 0 && dy > 0) || (dx > 0 && dy < 0)) return;
  TRect& r = items_[index];
  r.Right += dx;
  r.Bottom += dy;
  if (dx >= 0 && dy >= 0) {
    // The area is out of the list while its cells are flagged, so that a cell without a record
    // of its own is flagged itself instead of reading as the area's top-left cell.
    const TRect grown = r;
    items_.erase(items_.begin() + index);
    TScopeGuard restore([&] { items_.insert(items_.begin() + index, grown); });
    SetMergedFlags(grown, true);
  } else if (IsEmpty(r)) {
    Delete(index);
  }
}

void TcxSSMergedCellsStorage::SetMergedFlags(const TRect& area, bool merged) {
  // Only cells whose flag differs need a style object; most cells of a large rectangle are
  // untouched empty cells whose record already says "not merged".
  for (int col = area.Left; col < area.Right; ++col) {
    for (int row = area.Top; row < area.Bottom; ++row) {
      if (!storage_.CanWrite(col, row)) continue;
      const TcxSSStyleRec* style = storage_.OwnCell(col, row).Style;
      const bool isMerged = style && (style->Flags & kStyleMerged) != 0;
      if (isMerged == merged) continue;
      storage_.GetCellStyleObject(col, row)->SetMerged(merged);
    }
  }
}

void TcxSSMergedCellsStorage::MergeOrSplit(const TRect& inclusiveRect, bool merge) {
  const TRect inclusive = Expand({inclusiveRect.Left, inclusiveRect.Top},
                                 {inclusiveRect.Right, inclusiveRect.Bottom});
  const TRect area{inclusive.Left, inclusive.Top, inclusive.Right + 1, inclusive.Bottom + 1};

  TcxSpreadSheetHistory& history = storage_.Book().History();
  RecordMergeAction(inclusive, merge);
  history.Lock();
  TScopeGuard unlock([&] { history.Unlock(); });

  std::erase_if(items_, [&](const TRect& r) { return Intersects(r, area); });
  SetMergedFlags(area, merge);
  if (merge) items_.push_back(area);
}

void TcxSSMergedCellsStorage::RecordMergeAction(const TRect& inclusiveArea, bool merge) {
  TcxSpreadSheetHistory& history = storage_.Book().History();
  TcxMergeSplitActions* action = nullptr;
  if (merge)
    action = history.AddAction<TcxMergeCellsAction>();
  else
    action = history.AddAction<TcxSplitCellsAction>();
  if (!action) return;
  try {
    action->Init(storage_.Sheet(), inclusiveArea);
  } catch (...) {
    history.ClearAfterError();
    throw;
  }
}

void TcxSSMergedCellsStorage::InsertLines(const TRect& rect, int kind) {
  const bool columns = kind == 2;
  const int first = columns ? rect.Left : rect.Top;
  const int n = columns ? rect.Right - rect.Left : rect.Bottom - rect.Top;
  if (n <= 0 || (kind != 2 && kind != 3)) return;
  for (int i = 0; i < Count(); ++i) {
    const TRect r = items_[i];
    const int start = columns ? r.Left : r.Top;
    const int end = columns ? r.Right : r.Bottom;
    if (start >= first)
      Offset(i, columns ? n : 0, columns ? 0 : n);
    else if (end > first)  // straddles the insertion line: grows
      Resize(i, columns ? n : 0, columns ? 0 : n);
  }
}

void TcxSSMergedCellsStorage::DeleteLines(const TRect& rect, int kind) {
  const bool columns = kind == 2;
  const int first = columns ? rect.Left : rect.Top;
  const int n = columns ? rect.Right - rect.Left : rect.Bottom - rect.Top;
  if (n <= 0 || (kind != 2 && kind != 3)) return;
  // An area keeps the lines that survive the deletion: lines before it stay, lines after it
  // move back by n. This also covers an area that begins inside the deleted lines and ends
  // after them (it now begins at `first`), and one that ends inside them (it now ends at
  // `first`).
  for (int i = 0; i < Count();) {
    TRect& r = items_[i];
    if (columns)
      DeleteFromInterval(r.Left, r.Right, first, n);
    else
      DeleteFromInterval(r.Top, r.Bottom, first, n);
    if (IsEmpty(r))
      Delete(i);
    else
      ++i;
  }
}

bool TcxSSMergedCellsStorage::CheckConsistency() const {
  for (int i = 0; i < Count(); ++i) {
    const TRect& r = items_[i];
    if (IsEmpty(r) || r.Left < 0 || r.Top < 0) return false;
    for (int j = i + 1; j < Count(); ++j)
      if (Intersects(r, items_[j])) return false;
  }
  return true;
}
