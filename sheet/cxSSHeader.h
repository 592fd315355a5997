#pragma once

#include <cstdint>
#include <vector>

class TcxSSDataStorage;

// One column or row of a header: its flags, the height automatic sizing last used, its size,
// and the size its file gave it in the file's own units (1/256 of a character for a column,
// twips for a row; 0 for none), which a save writes back while Size is still the size it gave.
struct TcxSSHeaderItem {
  uint8_t Flags = 0x14;
  int32_t ContentHeight = -1;
  uint16_t Size = 0;
  uint16_t FileSize = 0;
  bool operator==(const TcxSSHeaderItem&) const = default;
};

// Header item flag bits.
inline constexpr uint8_t kHeaderHidden = 0x01;
inline constexpr uint8_t kHeaderFixed = 0x02;
inline constexpr uint8_t kHeaderDefault = 0x04;  // follows the default size
inline constexpr uint8_t kHeaderAuto = 0x08;     // sized automatically
inline constexpr uint8_t kHeaderLocked = 0x10;

// The sizes and flags of a sheet's columns (kind 0) or rows (kind 1). Only indexes up to the
// highest one ever set are stored, in one array indexed by position; every other index (also a
// negative one) answers the default item without allocating. Size sums walk the array.
class TcxSSHeader {
public:
  TcxSSHeader(TcxSSDataStorage& storage, int defaultSize, int kind);
  virtual ~TcxSSHeader() = default;

  int Kind() const { return kind_; }
  TcxSSDataStorage& Storage() const { return storage_; }
  int Count() const { return static_cast<int>(items_.size()); }

  virtual void Clear();
  virtual void DeleteItem(int index);
  // Forward: the last index n >= start whose items start..n fit within the pixels (start when
  // not even it fits). Backward: the first index n <= start such that the items n..start-1 fit.
  virtual int CountFitting(int start, int pixels, bool forward) const;
  // Forward: the item lying `pixels` away from the start of item `start`, or the next visible
  // one when that is hidden. Backward: the first index whose items up to start - 1 fit within
  // the pixels, or the next visible one towards start when that is hidden.
  virtual int IndexAtDistance(int start, int pixels, bool forward) const;
  // Sum of the visible sizes from `first` up to `last` - 1; negative when last < first.
  virtual int64_t Distance(int first, int last) const;
  virtual int NextVisible(int index, bool forward) const;
  virtual int InsertItem(int index, uint16_t size, bool followsDefault, bool visible, bool fixed);
  // InsertItem and DeleteItem `count` times at one index, moving the later items once rather
  // than once per item (inserting thousands of rows would otherwise take quadratic time).
  void InsertItems(int index, int count, uint16_t size, bool followsDefault, bool visible,
                   bool fixed);
  void DeleteItems(int index, int count);
  virtual void AutoSize(int index, int currentVisibleSize, int requiredHeight);
  virtual void Assign(const TcxSSHeader& source);

  uint16_t DefaultSize() const { return defaultItem_.Size; }
  // The largest size an item may have: for rows the format's 409.5 points in screen pixels;
  // columns are not limited here.
  uint16_t MaxSize() const;
  const TcxSSHeaderItem& DefaultItem() const { return defaultItem_; }
  const TcxSSHeaderItem& GetItem(int index) const;
  int VisibleSize(int index) const;
  bool IsVisible(int index) const;
  bool IsItemLocked(int index) const;
  void SetDefaultSize(uint16_t size);
  void SetSize(int index, uint16_t size);
  // The size a file stores for the item, kept as it is (no resize event), limited to MaxSize:
  // `automatic` when the size was worked out from the contents, so that automatic sizing may
  // change it again, else as a size the user set. Either way the item no longer follows the
  // default size.
  void SetStoredSize(int index, uint16_t size, bool automatic);
  void SetLocked(int index, bool locked);
  void SetVisible(int index, bool visible);
  void SetItem(int index, const TcxSSHeaderItem& item);
  // Keeps the size the file gave the item, in the file's units (see TcxSSHeaderItem).
  void SetFileSize(int index, uint16_t fileSize);

private:
  int DefaultVisibleSize() const;
  // Tells the shown view that the item changed size (nothing while the workbook is locked).
  void Notify(int index);

  TcxSSDataStorage& storage_;
  int kind_;
  std::vector<TcxSSHeaderItem> items_;
  TcxSSHeaderItem defaultItem_;
};
