#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "calc/cxSSNumberFormat.h"
#include "styles/cxSSStyleTypes.h"

class TcxCustomSpreadSheetBook;
class TcxSSCellStyle;
class TcxSSDefaultStyle;

// The workbook's shared styles: each distinct style once as a reference-counted record, each
// distinct font and each distinct number format code once.
//
// Layout: records and fonts are owned through two lists whose positions are their indexes;
// their addresses never change while they live. Record 0 is the default record every unstyled
// cell uses; it is edited in place by the default style and never freed. Every other record is
// unique (no two compare equal) and lives while its count is at least 1. A hash set over the
// contents of records 1..n finds an equal record in constant time: record 0 is compared first,
// so the first equal record in list order is found. Fonts are never freed one by one; a hash set
// holds the first font of each distinct value, so GetFontRec also answers in constant time.
// Number format codes are kept the same way (never freed one by one, found by a hash set).
// Dropping a reference is a decrement; only freeing a record searches the list (from its end,
// where short-lived records sit) and closes the gap.
class TcxSSStyleCache {
 public:
  explicit TcxSSStyleCache(TcxCustomSpreadSheetBook& owner);
  virtual ~TcxSSStyleCache();
  TcxSSStyleCache(const TcxSSStyleCache&) = delete;
  TcxSSStyleCache& operator=(const TcxSSStyleCache&) = delete;

  TcxCustomSpreadSheetBook& Owner() const { return owner_; }

  // A style object reports a change of its working copy (kind says what changed; for an edge
  // change `edge` is the edge index). Shares the new record and moves the cell onto it; an
  // edge is copied onto the neighbour cell across it.
  virtual void StyleChanged(TcxSSCellStyle& style, TcxSSStyleChangeKind kind, int edge = -1);
  // The font record with exactly these values (name compared with case), made and measured
  // when new. A size outside -128..127 is clamped into that range.
  virtual const TcxSSFontRec* GetFontRec(const std::string& name, uint8_t style, TcxSSColor color,
                                         int size, uint8_t charset);
  // The same for a height in twips (1/20 point), as files give sizes such as 8.5 points.
  const TcxSSFontRec* GetFontRecOfHeight(const std::string& name, uint8_t style, TcxSSColor color,
                                         int16_t height, uint8_t charset);
  // The record of this cache equal to a font record from elsewhere; nullptr for nullptr.
  virtual const TcxSSFontRec* AddFontRec(const TcxSSFontRec* font);
  // The compiled number format code `code` (with the built-in index a file gave it, or
  // TcxNumberFormat::kNoBuiltIn), made when new. Codes live as long as the cache's contents.
  virtual const TcxNumberFormat* GetNumberFormat(std::string_view code, uint16_t builtIn);
  // This cache's code equal to one from elsewhere; nullptr for nullptr.
  const TcxNumberFormat* AddNumberFormat(const TcxNumberFormat* format);
  // Takes a record (possibly from another cache) into this cache; its count grows by one.
  virtual TcxSSStyleRec* AddStyle(const TcxSSStyleRec& rec);
  // The first record equal to `rec`, its count grown by one, or a new record with count 1;
  // `leaving` is the record the caller leaves (returned unchanged, count untouched, when it is
  // the equal one).
  TcxSSStyleRec* ShareStyle(const TcxSSStyleRec& rec, const TcxSSStyleRec* leaving);
  // Drops one reference; a record other than record 0 is freed when its count drops below 1
  // (later indexes shift down by one). A negative index does nothing.
  void ReleaseStyle(int index);
  // The same by identity: a decrement, and a search only when the record is freed. A record
  // that is not one of this cache's is ignored.
  void ReleaseStyle(const TcxSSStyleRec* rec);
  // The index of the first record whose contents equal `rec`'s, or -1.
  int IndexOfStyle(const TcxSSStyleRec& rec) const;
  // The index of the record itself, or -1 (a linear search).
  int IndexOf(const TcxSSStyleRec* rec) const;
  // "Invalid cell style" for an index outside the list.
  TcxSSStyleRec* GetStyle(int index) const;
  int StyleCount() const { return static_cast<int>(styles_.size()); }
  int FontCount() const { return static_cast<int>(fonts_.size()); }
  int NumberFormatCount() const { return static_cast<int>(numberFormats_.size()); }
  const TcxSSFontRec* GetFont(int index) const { return fonts_.at(index).get(); }
  TcxSSStyleRec* DefaultRecord() const { return styles_.front().get(); }
  TcxSSDefaultStyle& DefaultStyle() const { return *defaultStyle_; }
  const std::array<TColor, 56>& Palette() const;
  // Keeps only record 0, its font (moved to the front of the font list) and its number format
  // code; record 0's count becomes 1. The cell storages must have dropped their cells first.
  void Clear();
  // Replaces record 0 by a record read from a file, whose font (`font`, not one of this
  // cache's) record 0's font record takes over in place and measures anew; its number format
  // code is taken into this cache. No cell is touched.
  void SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec& font);
  // A colour as a style colour: kclSystemWindow gives 57; otherwise the first palette entry
  // equal to it, or `defaultColor` when none is (and for any other system colour).
  TcxSSColor ColorToStyleColor(TColor color, TcxSSColor defaultColor) const;

  // Checks the invariants above (unique records, counts, the hash sets, fonts and number
  // formats belonging to this cache); for tests.
  bool CheckConsistency() const;

 private:
  // Contents of a font record as GetFontRec compares them.
  struct TFontKey {
    std::string_view Name;
    TcxSSColor FontColor;
    uint8_t Style;
    uint8_t Charset;
    int16_t Height;
  };
  struct TFontHash {
    using is_transparent = void;
    size_t operator()(const TFontKey& key) const;
    size_t operator()(const TcxSSFontRec* font) const;
  };
  struct TFontEqual {
    using is_transparent = void;
    bool operator()(const TcxSSFontRec* a, const TcxSSFontRec* b) const;
    bool operator()(const TFontKey& a, const TcxSSFontRec* b) const;
    bool operator()(const TcxSSFontRec* a, const TFontKey& b) const;
  };
  struct TStyleHash {
    using is_transparent = void;
    size_t operator()(const TcxSSStyleRec& rec) const;
    size_t operator()(const TcxSSStyleRec* rec) const { return (*this)(*rec); }
  };
  struct TStyleEqual {
    using is_transparent = void;
    bool operator()(const TcxSSStyleRec* a, const TcxSSStyleRec* b) const;
    bool operator()(const TcxSSStyleRec& a, const TcxSSStyleRec* b) const;
    bool operator()(const TcxSSStyleRec* a, const TcxSSStyleRec& b) const;
  };

  struct TNumberFormatKey {
    std::string_view Code;
    uint16_t BuiltIn;
  };
  struct TNumberFormatHash {
    using is_transparent = void;
    size_t operator()(const TNumberFormatKey& key) const;
    size_t operator()(const TcxNumberFormat* format) const;
  };
  struct TNumberFormatEqual {
    using is_transparent = void;
    bool operator()(const TcxNumberFormat* a, const TcxNumberFormat* b) const;
    bool operator()(const TNumberFormatKey& a, const TcxNumberFormat* b) const;
    bool operator()(const TcxNumberFormat* a, const TNumberFormatKey& b) const;
  };

  static TFontKey KeyOf(const TcxSSFontRec& font);
  // The first record of records 1..n equal to `rec` (they are unique), or nullptr.
  TcxSSStyleRec* FindShared(const TcxSSStyleRec& rec) const;
  TcxSSStyleRec* AppendStyle(const TcxSSStyleRec& rec);
  void FreeStyle(const TcxSSStyleRec* rec);
  TSize MeasureFont(const TcxSSFontRec& font) const;
  void RebuildFontIndex();

  TcxCustomSpreadSheetBook& owner_;
  std::vector<std::unique_ptr<TcxSSFontRec>> fonts_;
  std::vector<std::unique_ptr<TcxSSStyleRec>> styles_;
  std::unordered_set<const TcxSSFontRec*, TFontHash, TFontEqual> fontIndex_;
  std::vector<std::unique_ptr<const TcxNumberFormat>> numberFormats_;
  std::unordered_set<const TcxNumberFormat*, TNumberFormatHash, TNumberFormatEqual> numberFormatIndex_;
  std::unordered_set<TcxSSStyleRec*, TStyleHash, TStyleEqual> styleIndex_;
  std::unique_ptr<TcxSSDefaultStyle> defaultStyle_;
  // Set while an edge is copied onto a neighbour, so that the neighbour's change does not
  // travel back.
  bool propagating_ = false;
};
