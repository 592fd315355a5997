#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Types.h"

class TcxSSDataStorage;

using TcxSSRectsArray = std::vector<TRect>;

// The merged areas of one sheet as a list. Areas are stored with exclusive right and bottom
// ends (Left, Top, last column + 1, last row + 1); operations say which form they take.
// Invariants: areas never overlap, are never empty, never start at a negative index.
//
// Beside the list, an index by rows answers which area holds a cell in O(log² n) and which
// areas meet a rectangle in time that grows with the areas found, not with the list, so that a
// sheet of thousands of areas loads and reads as fast as one of a few. Adding or removing an
// area costs O(log n) index entries; operations that move every area rebuild the index.
//
// Cells of an area are not marked one by one: a cell without a record of its own reads as the
// area's top-left cell (the storage's GetCell), which carries the Merged style flag, so only
// the records that exist inside the area have their flags set or cleared. Merging a whole
// sheet so costs what its stored cells cost, not one record per covered cell.
class TcxSSMergedCellsStorage {
public:
  explicit TcxSSMergedCellsStorage(TcxSSDataStorage& storage);
  virtual ~TcxSSMergedCellsStorage();
  TcxSSMergedCellsStorage(const TcxSSMergedCellsStorage&) = delete;
  TcxSSMergedCellsStorage& operator=(const TcxSSMergedCellsStorage&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }

  // Queries. Rect arguments in stored form unless the name says inclusive.
  bool FindAt(TPoint cell, TRect& area) const;
  bool IntersectsAny(const TRect& rect) const;
  TcxSSRectsArray GetIntersecting(const TRect& rect) const;
  bool FirstIntersecting(const TRect& rect, int& index) const;
  bool GetArea(int index, TRect& area) const;
  bool GetAreaInclusive(int index, TRect& area) const;
  const TcxSSRectsArray& GetAll() const { return items_; }
  TcxSSRectsArray GetAllInclusive() const;
  // The inclusive rectangle spanned by two cells, widened until it holds every area it touches.
  TRect Expand(TPoint corner1, TPoint corner2) const;
  // Whether a shift of the rectangle's columns (vertical) or rows would cut a merged area.
  bool IsBandMerged(const TRect& inclusiveRect, bool vertical) const;

  // Changes.
  virtual void Assign(const TcxSSMergedCellsStorage& source);
  void Add(const TRect& area);
  void AddAll(const TcxSSRectsArray& areas);
  TcxSSRectsArray SetAll(TcxSSRectsArray areas);
  void Delete(int index);
  void Clear();
  void RemoveInside(const TRect& inclusiveRect);
  void Offset(int index, int dx, int dy);
  void Resize(int index, int dx, int dy);
  void MergeOrSplit(const TRect& inclusiveRect, bool merge);
  void InsertLines(const TRect& rect, int kind);
  // Makes sure the top-left cell of every area meeting the stored-form rectangle carries the
  // Merged flag (the area's other cells read as it), after cells were cleared or deleted.
  void FlagTopLeftCells(const TRect& rect);
  void DeleteLines(const TRect& rect, int kind);

  // Checks the invariants (no overlap, no empty area, no negative start) and that the index
  // holds exactly the listed areas; for tests.
  bool CheckConsistency() const;

private:
  class TIndex;

  // Sets or clears the Merged style flag of the stored cells of a stored-form area and, when
  // merging, of its top-left cell (made when it has no record).
  void SetMergedFlags(const TRect& area, bool merged);
  void RecordMergeAction(const TRect& inclusiveArea, bool merge);
  // The list positions of the areas meeting a stored-form rectangle, in list order.
  std::vector<int> IntersectingPositions(const TRect& rect) const;
  // List changes that keep the index in step.
  void Append(const TRect& area);
  void EraseAt(int index);
  void Rebuild();

  TcxSSDataStorage& storage_;
  TcxSSRectsArray items_;
  // keys_[i] identifies items_[i] in the index; keys only grow along the list.
  std::vector<uint64_t> keys_;
  uint64_t nextKey_ = 0;
  std::unique_ptr<TIndex> index_;
};
