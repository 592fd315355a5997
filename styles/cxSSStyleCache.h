#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "styles/cxSSStyleTypes.h"

class TcxCustomSpreadSheetBook;
class TcxSSCellStyle;
class TcxSSDefaultStyle;

// The BIFF8 default palette (colour indexes 8..63); palette index i is BIFF colour i + 8.
extern const std::array<TColor, 56> kDefaultPalette;

// The workbook's shared styles: each distinct style once as a reference-counted record, each
// distinct font once. Record 0 is the default record every unstyled cell uses. Records live in
// a list whose positions are their indexes; a hash of the records' contents finds the first
// equal record without scanning.
class TcxSSStyleCache {
public:
  explicit TcxSSStyleCache(TcxCustomSpreadSheetBook& owner);
  virtual ~TcxSSStyleCache();
  TcxSSStyleCache(const TcxSSStyleCache&) = delete;
  TcxSSStyleCache& operator=(const TcxSSStyleCache&) = delete;

  TcxCustomSpreadSheetBook& Owner() const { return owner_; }

  // A style object reports a change of its working copy (kind says what changed; for an edge
  // change `edge` is the edge index). Shares the new record and moves the cell onto it.
  virtual void StyleChanged(TcxSSCellStyle& style, TcxSSStyleChangeKind kind, int edge = -1);
  // The font record with exactly these values, made (and measured) when new.
  virtual const TcxSSFontRec* GetFontRec(const std::string& name, uint8_t style,
                                         TcxSSColor color, int size, uint8_t charset);
  // The record of this cache equal to a font record from elsewhere; nullptr for nullptr.
  virtual const TcxSSFontRec* AddFontRec(const TcxSSFontRec* font);
  // Takes a record (possibly from another cache) into this cache; its count grows by one.
  virtual TcxSSStyleRec* AddStyle(const TcxSSStyleRec& rec);
  // The first record equal to `rec`, its count grown by one, or a new record; `leaving` is the
  // record the caller leaves (returned unchanged, count untouched, when it is the equal one).
  TcxSSStyleRec* ShareStyle(const TcxSSStyleRec& rec, const TcxSSStyleRec* leaving);
  // Drops one reference; a record other than record 0 is freed when its count drops below 1.
  void ReleaseStyle(int index);
  void ReleaseStyle(const TcxSSStyleRec* rec);
  int IndexOfStyle(const TcxSSStyleRec& rec) const;
  int IndexOf(const TcxSSStyleRec* rec) const;
  // "Invalid cell style" for an index at or beyond the count.
  TcxSSStyleRec* GetStyle(int index) const;
  int StyleCount() const { return static_cast<int>(styles_.size()); }
  int FontCount() const { return static_cast<int>(fonts_.size()); }
  TcxSSStyleRec* DefaultRecord() const { return styles_.front().get(); }
  TcxSSDefaultStyle& DefaultStyle() const { return *defaultStyle_; }
  const std::array<TColor, 56>& Palette() const;
  // Keeps only record 0 and its font.
  void Clear();
  // Replaces record 0 (and its font's values) by a record read from a file.
  void SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec& font);
  // A colour as a style colour: its palette index, or `defaultColor` when not in the palette.
  TcxSSColor ColorToStyleColor(TColor color, TcxSSColor defaultColor) const;

  // Checks counts, indexes and the hash; for tests.
  bool CheckConsistency() const;

private:
  TcxCustomSpreadSheetBook& owner_;
  std::vector<std::unique_ptr<TcxSSFontRec>> fonts_;
  std::vector<std::unique_ptr<TcxSSStyleRec>> styles_;
  std::unique_ptr<TcxSSDefaultStyle> defaultStyle_;
  bool propagating_ = false;
};
