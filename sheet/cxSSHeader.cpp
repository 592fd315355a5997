#include "sheet/cxSSHeader.h"

#include <algorithm>
#include <climits>

#include "calc/cxSSDataStorage.h"
#include "sheet/cxBookControl.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "xls/cxExcelUnits.h"
#include "xls/cxBiffRecords.h"

namespace {

// a × b ÷ c rounded half away from zero, in 64 bits so the product cannot overflow.
int MulDiv(int a, int b, int c) {
  const int64_t p = static_cast<int64_t>(a) * b;
  const int64_t q = p >= 0 ? (p + c / 2) / c : (p - c / 2) / c;
  return static_cast<int>(q);
}

}  // namespace

TcxSSHeader::TcxSSHeader(TcxSSDataStorage& storage, int defaultSize, int kind)
    : storage_(storage), kind_(kind) {
  defaultItem_.Flags = kHeaderDefault | kHeaderLocked;
  defaultItem_.ContentHeight = -1;
  defaultItem_.Size = static_cast<uint16_t>(defaultSize);
}

void TcxSSHeader::Clear() { items_.clear(); }

void TcxSSHeader::DeleteItem(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TcxSSHeader::DeleteItems(int index, int count) {
  if (index < 0 || index >= Count() || count <= 0) return;
  items_.erase(items_.begin() + index, items_.begin() + std::min(index + count, Count()));
}

const TcxSSHeaderItem& TcxSSHeader::GetItem(int index) const {
  if (index < 0 || index >= Count()) return defaultItem_;
  return items_[index];
}

int TcxSSHeader::VisibleSize(int index) const {
  const TcxSSHeaderItem& item = GetItem(index);
  return (item.Flags & kHeaderHidden) ? 0 : item.Size;
}

bool TcxSSHeader::IsVisible(int index) const {
  return (GetItem(index).Flags & kHeaderHidden) == 0;
}

bool TcxSSHeader::IsItemLocked(int index) const {
  return (GetItem(index).Flags & kHeaderLocked) != 0;
}

int TcxSSHeader::DefaultVisibleSize() const {
  return (defaultItem_.Flags & kHeaderHidden) ? 0 : defaultItem_.Size;
}

int TcxSSHeader::CountFitting(int start, int pixels, bool forward) const {
  int result = start;
  int64_t sum = 0;
  if (forward) {
    int i = start;
    for (; i < Count(); ++i) {
      sum += VisibleSize(i);
      if (sum > pixels) return result;
      result = i;
    }
    // Past the stored items every item has the default size.
    const int size = DefaultVisibleSize();
    if (size == 0) return result;
    const int64_t last = static_cast<int64_t>(i) - 1 + (pixels - sum) / size;
    return static_cast<int>(std::clamp<int64_t>(last, start, INT_MAX));
  }
  for (int i = start - 1; i >= 0; --i) {
    sum += VisibleSize(i);
    if (sum > pixels) break;
    result = i;
  }
  return result;
}

int TcxSSHeader::IndexAtDistance(int start, int pixels, bool forward) const {
  int i = start;
  int64_t sum = 0;
  if (forward) {
    for (; i < Count(); ++i) {
      if (sum + VisibleSize(i) > pixels) break;
      sum += VisibleSize(i);
    }
    if (i >= Count()) {
      const int size = DefaultVisibleSize();
      if (size > 0)
        i = static_cast<int>(std::clamp<int64_t>(i + (pixels - sum) / size, i, INT_MAX - 1));
    }
    return VisibleSize(i) > 0 ? i : NextVisible(i, true);
  }
  while (i > 0 && sum + VisibleSize(i - 1) <= pixels) {
    sum += VisibleSize(i - 1);
    --i;
  }
  // A hidden item at the end of the walk gives way to the next visible one towards the start,
  // whose items still fit.
  return VisibleSize(i) > 0 || i >= start ? i : std::min(NextVisible(i, true), start);
}

int64_t TcxSSHeader::Distance(int first, int last) const {
  if (last < first) return -Distance(last, first);
  const int lo = std::max(first, 0);
  const int hi = std::min(last, Count());
  int64_t sum = 0;
  for (int i = lo; i < hi; ++i) sum += VisibleSize(i);
  // Negative indexes and indexes past the stored items answer the default item.
  const int64_t stored = std::max(0, hi - lo);
  return sum + (static_cast<int64_t>(last) - first - stored) * DefaultVisibleSize();
}

int TcxSSHeader::NextVisible(int index, bool forward) const {
  auto shows = [this](int i) { return VisibleSize(i) > 0; };
  if (forward) {
    for (int i = std::max(index + 1, 0); i < Count(); ++i)
      if (shows(i)) return i;
    const int next = std::max(index + 1, Count());
    return DefaultVisibleSize() > 0 ? next : index;
  }
  int i = index - 1;
  if (i >= Count()) {
    if (DefaultVisibleSize() > 0) return i;
    i = Count() - 1;
  }
  for (; i >= 0; --i)
    if (shows(i)) return i;
  return NextVisible(-1, true);
}

int TcxSSHeader::InsertItem(int index, uint16_t size, bool followsDefault, bool visible,
                            bool fixed) {
  if (index < 0) return Count();
  TcxSSHeaderItem item;
  // A new item takes the protection default of the header, so that an inserted column or row
  // is locked exactly like the unstored ones around it.
  item.Flags = static_cast<uint8_t>((fixed ? kHeaderFixed : 0) | (visible ? 0 : kHeaderHidden) |
                                    (followsDefault ? kHeaderDefault : 0) |
                                    (defaultItem_.Flags & kHeaderLocked));
  item.ContentHeight = -1;
  item.Size = size;
  if (index < Count())
    items_.insert(items_.begin() + index, item);
  else if (!followsDefault)
    SetItem(index, item);
  return Count();
}

void TcxSSHeader::InsertItems(int index, int count, uint16_t size, bool followsDefault,
                              bool visible, bool fixed) {
  if (index < 0 || count <= 0) return;
  InsertItem(index, size, followsDefault, visible, fixed);
  // The first item is stored unless it lies beyond the stored ones and follows the default,
  // and then none of the others would be either.
  if (index < Count()) {
    const TcxSSHeaderItem item = items_[index];
    items_.insert(items_.begin() + index, static_cast<size_t>(count - 1), item);
  }
}

void TcxSSHeader::Notify(int index) {
  TcxCustomSpreadSheetBook& book = storage_.Book();
  if (!book.IsLocked() && book.Control()) book.Control()->HeaderChanged(storage_.Sheet(), kind_, index);
}

void TcxSSHeader::AutoSize(int index, int currentVisibleSize, int requiredHeight) {
  if (index < 0) return;
  TcxSSHeaderItem item = GetItem(index);
  if (requiredHeight == item.ContentHeight) return;
  int newSize = currentVisibleSize > 0 ? MulDiv(item.Size, requiredHeight, currentVisibleSize)
                                       : requiredHeight;
  newSize = std::clamp(newSize, 0, static_cast<int>(MaxSize()));
  const bool grows = newSize > item.Size;
  const bool automatic = (item.Flags & kHeaderAuto) != 0;
  const bool followsDefault =
      (item.Flags & kHeaderDefault) != 0 && newSize != item.Size && newSize != 0;
  if (!grows && !automatic && !followsDefault) return;

  uint16_t size = static_cast<uint16_t>(newSize);
  storage_.Book().Listener().HeaderResizing(storage_.Sheet(), kind_, index, size);
  if (item.Size == size) return;
  if (size == 0) {
    item.Size = defaultItem_.Size;
    item.Flags = static_cast<uint8_t>((item.Flags | kHeaderDefault) & ~kHeaderAuto);
  } else {
    item.Size = size;
    item.Flags = static_cast<uint8_t>((item.Flags | kHeaderAuto) & ~kHeaderDefault);
  }
  item.ContentHeight = requiredHeight;
  SetItem(index, item);
  Notify(index);
}

void TcxSSHeader::Assign(const TcxSSHeader& source) {
  if (&source == this) return;
  items_ = source.items_;
  defaultItem_ = source.defaultItem_;
}

uint16_t TcxSSHeader::MaxSize() const {
  if (kind_ == 0) return 0xFFFF;
  const double scale = storage_.Book().Environment().PixelsPerInch / 96.0;
  return static_cast<uint16_t>(std::clamp(TcxExcelUnits{scale}.RowPixels(kMaxRowTwips), 1, 0xFFFF));
}

void TcxSSHeader::SetDefaultSize(uint16_t size) {
  size = std::min(size, MaxSize());
  if (size == 0 || size == defaultItem_.Size) return;
  for (TcxSSHeaderItem& item : items_)
    if (item.Flags & kHeaderDefault) item.Size = size;
  defaultItem_.Size = size;
}

void TcxSSHeader::SetSize(int index, uint16_t size) {
  if (index < 0) return;
  size = std::min(size, MaxSize());
  TcxSSHeaderItem item = GetItem(index);
  if (item.Size == size || (item.Flags & kHeaderFixed)) return;
  storage_.Book().Listener().HeaderResizing(storage_.Sheet(), kind_, index, size);
  if (item.Size == size) return;
  item.Flags = static_cast<uint8_t>(item.Flags & ~(kHeaderDefault | kHeaderAuto));
  item.Size = size;
  SetItem(index, item);
  Notify(index);
}

void TcxSSHeader::SetStoredSize(int index, uint16_t size, bool automatic) {
  if (index < 0) return;
  TcxSSHeaderItem item = GetItem(index);
  item.Size = std::min(size, MaxSize());
  item.Flags = static_cast<uint8_t>((item.Flags & ~(kHeaderDefault | kHeaderAuto)) |
                                    (automatic ? kHeaderAuto : 0));
  item.ContentHeight = -1;
  SetItem(index, item);
  Notify(index);
}

void TcxSSHeader::SetLocked(int index, bool locked) {
  if (index < 0 || IsItemLocked(index) == locked) return;
  TcxSSHeaderItem item = GetItem(index);
  item.Flags = static_cast<uint8_t>(locked ? item.Flags | kHeaderLocked
                                           : item.Flags & ~kHeaderLocked);
  SetItem(index, item);
}

void TcxSSHeader::SetVisible(int index, bool visible) {
  if (index < 0) return;
  const bool previous = IsVisible(index);
  if (previous == visible) return;
  TcxSSHeaderItem item = GetItem(index);
  item.Flags = static_cast<uint8_t>(visible ? item.Flags & ~kHeaderHidden
                                            : item.Flags | kHeaderHidden);
  SetItem(index, item);
  storage_.Book().Listener().HeaderVisibilityChanged(storage_.Sheet(), kind_, index, previous,
                                                     visible);
}

void TcxSSHeader::SetItem(int index, const TcxSSHeaderItem& item) {
  if (index < 0) return;
  if (index >= Count()) items_.resize(static_cast<size_t>(index) + 1, defaultItem_);
  items_[index] = item;
}

void TcxSSHeader::SetFileSize(int index, uint16_t fileSize) {
  if (index < 0 || GetItem(index).FileSize == fileSize) return;
  TcxSSHeaderItem item = GetItem(index);
  item.FileSize = fileSize;
  SetItem(index, item);
}
