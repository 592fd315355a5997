#pragma once

#include <vector>

#include "platform/Types.h"

class TcxSSDataStorage;

using TcxSSRectsArray = std::vector<TRect>;

// The merged areas of one sheet as a plain list. Areas are stored with exclusive right and
// bottom ends (Left, Top, last column + 1, last row + 1); operations say which form they take.
// Invariants: areas never overlap, are never empty, never start at a negative index. Sheets have
// few merged areas, so every query is a linear scan.
class TcxSSMergedCellsStorage {
public:
  explicit TcxSSMergedCellsStorage(TcxSSDataStorage& storage);
  virtual ~TcxSSMergedCellsStorage() = default;

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
  void DeleteLines(const TRect& rect, int kind);

  // Checks the invariants (no overlap, no empty area, no negative start); for tests.
  bool CheckConsistency() const;

private:
  // Sets or clears the Merged style flag of every writable cell of a stored-form area.
  void SetMergedFlags(const TRect& area, bool merged);
  void RecordMergeAction(const TRect& inclusiveArea, bool merge);

  TcxSSDataStorage& storage_;
  TcxSSRectsArray items_;
};
