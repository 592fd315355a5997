#include "calc/cxSSMergedCellsStorage.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <climits>

#include "calc/cxSSDataStorage.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleTypes.h"

namespace {

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

// --- The index ----------------------------------------------------------------------------

// A binary tree over the rows 0 .. 2^31 - 1 whose nodes are made as areas need them. An area is
// kept in the few nodes whose row spans together make up its rows (at most two a level); the
// areas of one node all span that node's rows, so no two of them share a column, and they are
// kept sorted by their first column. A cell is looked up along one path from the root with one
// binary search a node.
class TcxSSMergedCellsStorage::TIndex {
public:
  // An area without rows is not indexed (only a broken list holds one).
  void Insert(const TRect& area, uint64_t key) {
    if (area.Bottom <= area.Top || area.Bottom <= 0) return;
    if (!root_) root_ = std::make_unique<TNode>();
    Insert(*root_, 0, kRows, area, {area.Left, area.Right, key});
  }

  void Remove(const TRect& area, uint64_t key) {
    if (area.Bottom <= area.Top || area.Bottom <= 0) return;
    Remove(root_, 0, kRows, area, {area.Left, area.Right, key});
  }

  void Clear() { root_.reset(); }

  bool Find(int col, int row, uint64_t& key) const {
    if (row < 0) return false;
    const TNode* node = root_.get();
    int64_t lo = 0;
    int64_t hi = kRows;
    while (node) {
      const auto& areas = node->Areas;
      auto it = std::upper_bound(areas.begin(), areas.end(), col,
                                 [](int c, const TEntry& e) { return c < e.Left; });
      if (it != areas.begin() && std::prev(it)->Right > col) {
        key = std::prev(it)->Key;
        return true;
      }
      const int64_t mid = lo + (hi - lo) / 2;
      if (row < mid) {
        node = node->Child[0].get();
        hi = mid;
      } else {
        node = node->Child[1].get();
        lo = mid;
      }
    }
    return false;
  }

  // Calls f(key) for every area meeting the stored-form rectangle, once for each node that
  // holds it (so possibly more than once per area).
  template <typename F>
  void ForEachMeeting(const TRect& rect, F&& f) const {
    if (root_ && rect.Right > rect.Left && rect.Bottom > rect.Top)
      ForEachMeeting(*root_, 0, kRows, rect, f);
  }

  // The number of entries, counted over the nodes; for the consistency check.
  size_t Entries() const { return root_ ? Entries(*root_) : 0; }

private:
  struct TEntry {
    int Left;
    int Right;
    uint64_t Key;
  };
  struct TNode {
    std::vector<TEntry> Areas;
    std::array<std::unique_ptr<TNode>, 2> Child;
  };
  static constexpr int64_t kRows = int64_t{1} << 31;

  static void Insert(TNode& node, int64_t lo, int64_t hi, const TRect& area, const TEntry& entry) {
    if (area.Top <= lo && hi <= area.Bottom) {
      auto it = std::lower_bound(node.Areas.begin(), node.Areas.end(), entry.Left,
                                 [](const TEntry& e, int c) { return e.Left < c; });
      node.Areas.insert(it, entry);
      return;
    }
    const int64_t mid = lo + (hi - lo) / 2;
    for (int half = 0; half < 2; ++half) {
      const int64_t from = half == 0 ? lo : mid;
      const int64_t to = half == 0 ? mid : hi;
      if (area.Top >= to || area.Bottom <= from) continue;
      if (!node.Child[half]) node.Child[half] = std::make_unique<TNode>();
      Insert(*node.Child[half], from, to, area, entry);
    }
  }

  static void Remove(std::unique_ptr<TNode>& node, int64_t lo, int64_t hi, const TRect& area,
                     const TEntry& entry) {
    if (!node) return;
    if (area.Top <= lo && hi <= area.Bottom) {
      auto& areas = node->Areas;
      auto it = std::lower_bound(areas.begin(), areas.end(), entry.Left,
                                 [](const TEntry& e, int c) { return e.Left < c; });
      while (it != areas.end() && it->Left == entry.Left && it->Key != entry.Key) ++it;
      if (it != areas.end() && it->Key == entry.Key) areas.erase(it);
    } else {
      const int64_t mid = lo + (hi - lo) / 2;
      if (area.Top < mid) Remove(node->Child[0], lo, mid, area, entry);
      if (area.Bottom > mid) Remove(node->Child[1], mid, hi, area, entry);
    }
    if (node->Areas.empty() && !node->Child[0] && !node->Child[1]) node.reset();
  }

  template <typename F>
  static void ForEachMeeting(const TNode& node, int64_t lo, int64_t hi, const TRect& rect, F& f) {
    // The node's areas are sorted by columns and share none, so their right ends are sorted too.
    const auto& areas = node.Areas;
    auto it = std::partition_point(areas.begin(), areas.end(),
                                   [&](const TEntry& e) { return e.Right <= rect.Left; });
    for (; it != areas.end() && it->Left < rect.Right; ++it) f(it->Key);
    const int64_t mid = lo + (hi - lo) / 2;
    if (node.Child[0] && rect.Top < mid) ForEachMeeting(*node.Child[0], lo, mid, rect, f);
    if (node.Child[1] && rect.Bottom > mid) ForEachMeeting(*node.Child[1], mid, hi, rect, f);
  }

  static size_t Entries(const TNode& node) {
    size_t n = node.Areas.size();
    for (const auto& child : node.Child)
      if (child) n += Entries(*child);
    return n;
  }

  std::unique_ptr<TNode> root_;
};

// --- The storage ----------------------------------------------------------------------------

TcxSSMergedCellsStorage::TcxSSMergedCellsStorage(TcxSSDataStorage& storage)
    : storage_(storage), index_(std::make_unique<TIndex>()) {}

TcxSSMergedCellsStorage::~TcxSSMergedCellsStorage() = default;

void TcxSSMergedCellsStorage::Append(const TRect& area) {
  items_.push_back(area);
  keys_.push_back(nextKey_);
  index_->Insert(area, nextKey_);
  ++nextKey_;
}

void TcxSSMergedCellsStorage::EraseAt(int index) {
  index_->Remove(items_[static_cast<size_t>(index)], keys_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  keys_.erase(keys_.begin() + index);
}

void TcxSSMergedCellsStorage::Rebuild() {
  index_->Clear();
  keys_.resize(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) {
    keys_[i] = nextKey_++;
    index_->Insert(items_[i], keys_[i]);
  }
}

std::vector<int> TcxSSMergedCellsStorage::IntersectingPositions(const TRect& rect) const {
  std::vector<uint64_t> found;
  index_->ForEachMeeting(rect, [&found](uint64_t key) { found.push_back(key); });
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  // Keys grow along the list, so sorted keys give the positions in list order.
  std::vector<int> positions;
  positions.reserve(found.size());
  for (uint64_t key : found) {
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it != keys_.end() && *it == key) positions.push_back(static_cast<int>(it - keys_.begin()));
  }
  return positions;
}

bool TcxSSMergedCellsStorage::FindAt(TPoint cell, TRect& area) const {
  uint64_t key = 0;
  if (!items_.empty() && cell.X >= 0 && index_->Find(cell.X, cell.Y, key)) {
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (it != keys_.end() && *it == key) {
      area = items_[static_cast<size_t>(it - keys_.begin())];
      return true;
    }
  }
  area = {cell.X, cell.Y, cell.X, cell.Y};
  return false;
}

bool TcxSSMergedCellsStorage::IntersectsAny(const TRect& rect) const {
  bool any = false;
  index_->ForEachMeeting(rect, [&any](uint64_t) { any = true; });
  return any;
}

TcxSSRectsArray TcxSSMergedCellsStorage::GetIntersecting(const TRect& rect) const {
  TcxSSRectsArray result;
  for (int i : IntersectingPositions(rect)) result.push_back(items_[static_cast<size_t>(i)]);
  return result;
}

bool TcxSSMergedCellsStorage::FirstIntersecting(const TRect& rect, int& index) const {
  const std::vector<int> positions = IntersectingPositions(rect);
  if (positions.empty()) return false;
  index = positions.front();
  return true;
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
  // The result is the smallest rectangle holding r and every area it touches, whatever order
  // the areas are taken in; each round takes all areas touching r so far.
  bool grown = !items_.empty();
  while (grown) {
    grown = false;
    for (int i : IntersectingPositions(r)) {
      const TRect& x = items_[static_cast<size_t>(i)];
      if (!Inside(x, r)) {
        r = Union(r, x);
        grown = true;
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
  if (&source == this) return;
  items_ = source.items_;
  Rebuild();
}

void TcxSSMergedCellsStorage::Add(const TRect& area) {
  assert(!IsEmpty(area) && area.Left >= 0 && area.Top >= 0);
  Append(area);
}

void TcxSSMergedCellsStorage::AddAll(const TcxSSRectsArray& areas) {
  for (const TRect& r : areas) Add(r);
}

TcxSSRectsArray TcxSSMergedCellsStorage::SetAll(TcxSSRectsArray areas) {
  std::swap(items_, areas);
  Rebuild();
  return areas;
}

void TcxSSMergedCellsStorage::Delete(int index) {
  if (index >= 0 && index < Count()) EraseAt(index);
}

void TcxSSMergedCellsStorage::Clear() {
  items_.clear();
  keys_.clear();
  index_->Clear();
}

void TcxSSMergedCellsStorage::RemoveInside(const TRect& inclusiveRect) {
  const TRect outer{inclusiveRect.Left, inclusiveRect.Top, inclusiveRect.Right + 1,
                    inclusiveRect.Bottom + 1};
  const std::vector<int> positions = IntersectingPositions(outer);
  for (auto it = positions.rbegin(); it != positions.rend(); ++it)
    if (Inside(items_[static_cast<size_t>(*it)], outer)) EraseAt(*it);
}

void TcxSSMergedCellsStorage::Offset(int index, int dx, int dy) {
  if (index < 0 || index >= Count()) return;
  TRect& r = items_[index];
  index_->Remove(r, keys_[index]);
  r = {std::max(0, r.Left + dx), std::max(0, r.Top + dy), r.Right + dx, r.Bottom + dy};
  if (IsEmpty(r)) {
    items_.erase(items_.begin() + index);
    keys_.erase(keys_.begin() + index);
  } else {
    index_->Insert(r, keys_[index]);
  }
}

void TcxSSMergedCellsStorage::Resize(int index, int dx, int dy) {
  if (index < 0 || index >= Count()) return;
  if ((dx < 0 && dy > 0) || (dx > 0 && dy < 0)) return;
  TRect& r = items_[index];
  index_->Remove(r, keys_[index]);
  r.Right += dx;
  r.Bottom += dy;
  if (IsEmpty(r)) {
    items_.erase(items_.begin() + index);
    keys_.erase(keys_.begin() + index);
    return;
  }
  index_->Insert(r, keys_[index]);
  if (dx >= 0 && dy >= 0) SetMergedFlags(items_[index], true);
}

void TcxSSMergedCellsStorage::SetMergedFlags(const TRect& area, bool merged) {
  // The stored cells only: a cell without a record reads as the area's top-left cell while
  // the area stands and as the default cell once it is gone, which gives it the flag the area
  // says. The top-left cell itself gets a record when merging, to carry the flag.
  std::vector<TPoint> cells;
  storage_.ForEachCellIn(ToInclusive(area), [&](int col, int row, const TcxSSCellRec& cell) {
    const bool isMerged = cell.Style && (cell.Style->Flags & kStyleMerged) != 0;
    if (isMerged != merged) cells.push_back({col, row});
  });
  if (merged && !storage_.FindCell(area.Left, area.Top)) cells.push_back({area.Left, area.Top});
  for (const TPoint& cell : cells)
    if (storage_.CanWrite(cell.X, cell.Y)) storage_.GetCellStyleObject(cell.X, cell.Y)->SetMerged(merged);
}

void TcxSSMergedCellsStorage::FlagTopLeftCells(const TRect& rect) {
  for (int i : IntersectingPositions(rect)) {
    const TRect& area = items_[static_cast<size_t>(i)];
    const TcxSSCellRec* cell = storage_.FindCell(area.Left, area.Top);
    if (cell && cell->Style && (cell->Style->Flags & kStyleMerged)) continue;
    if (storage_.CanWrite(area.Left, area.Top))
      storage_.GetCellStyleObject(area.Left, area.Top)->SetMerged(true);
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

  const std::vector<int> touching = IntersectingPositions(area);
  for (auto it = touching.rbegin(); it != touching.rend(); ++it) EraseAt(*it);
  SetMergedFlags(area, merge);
  if (merge) Append(area);
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
  // Every area after the line moves and every area across it grows: the index is built anew
  // once rather than kept in step area by area.
  std::vector<size_t> grown;
  for (size_t i = 0; i < items_.size(); ++i) {
    TRect& r = items_[i];
    int& start = columns ? r.Left : r.Top;
    int& end = columns ? r.Right : r.Bottom;
    if (start >= first) {
      start += n;
      end += n;
    } else if (end > first) {  // straddles the insertion line: grows
      end += n;
      grown.push_back(i);
    }
  }
  Rebuild();
  for (size_t i : grown) SetMergedFlags(items_[i], true);
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
  for (TRect& r : items_) {
    if (columns)
      DeleteFromInterval(r.Left, r.Right, first, n);
    else
      DeleteFromInterval(r.Top, r.Bottom, first, n);
  }
  std::erase_if(items_, IsEmpty);
  Rebuild();
  // An area whose first lines went keeps its flag in its new top-left cell, which its other
  // cells read as.
  FlagTopLeftCells(columns ? TRect{first, 0, INT_MAX, INT_MAX} : TRect{0, first, INT_MAX, INT_MAX});
}

bool TcxSSMergedCellsStorage::CheckConsistency() const {
  if (keys_.size() != items_.size() || !std::is_sorted(keys_.begin(), keys_.end())) return false;
  size_t entries = 0;
  for (int i = 0; i < Count(); ++i) {
    const TRect& r = items_[i];
    if (IsEmpty(r) || r.Left < 0 || r.Top < 0) return false;
    if (IntersectingPositions(r) != std::vector<int>{i}) return false;
    TRect found;
    if (!FindAt({r.Left, r.Top}, found) || found != r) return false;
    if (!FindAt({r.Right - 1, r.Bottom - 1}, found) || found != r) return false;
    index_->ForEachMeeting(r, [&](uint64_t key) { entries += key == keys_[static_cast<size_t>(i)]; });
  }
  return entries == index_->Entries();
}
