#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/TextMeasurer.h"
#include "styles/cxSSStyleTypes.h"

class TcxSSDataStorage;
class TcxSSStyleCache;
class TcxSSCellStyle;

// The number format as the Format property publishes it (0..51) and as records store it (the
// BIFF built-in index): published 0..22 are stored as 0..22, 23..35 as 37..49, 36 as 164,
// 37 as 165 and 38..51 as 52..65; a published value above 51 means 0.
constexpr TxlsDataFormat PublishedFormatToStored(int format) {
  if (format > 51 || format < 0) format = 0;
  if (format > 22) format += 14;
  if (format == 50) return 164;
  if (format == 51) return 165;
  return static_cast<TxlsDataFormat>(format);
}

constexpr int StoredFormatToPublished(TxlsDataFormat stored) {
  int format = stored;
  if (format == 164) format = 50;
  if (format == 165) format = 51;
  return format > 22 ? format - 14 : format;
}

// What the file reader needs of a cell's style: applying the pieces of a file's cell format.
class IcxCellStyle {
 public:
  virtual ~IcxCellStyle() = default;
  virtual void ApplyBorder(int index, TcxSSEdgeLineStyle style, TcxSSColor color) = 0;
  virtual void ApplyBrush(TcxSSFillStyle style, TcxSSColor foregroundColor,
                          TcxSSColor backgroundColor) = 0;
  virtual void ApplyFormat(TxlsDataFormat format) = 0;
  virtual void ApplyFont(const TcxSSFontRec* font) = 0;
  // The whole record: brush, font, the edges that have a style (all four with `allEdges`),
  // then format, alignments, word wrap and flags; the cell keeps its own Merged flag.
  virtual void ApplyStyleRec(const TcxSSStyleRec& rec, bool allEdges) = 0;
};

// Base of the parts of a style object (font, brush, edges). A part has no state of its own
// beyond its place: it reads and writes its owner's working copy, and reports each change
// first to OnChange and then to the owner with the change kind of its class.
class TcxSSStyle {
 public:
  TcxSSStyle(TcxSSCellStyle& owner, TcxSSStyleChangeKind kind) : owner_(owner), kind_(kind) {}
  virtual ~TcxSSStyle() = default;
  TcxSSStyle(const TcxSSStyle&) = delete;
  TcxSSStyle& operator=(const TcxSSStyle&) = delete;

  TcxSSCellStyle& Owner() const { return owner_; }
  TcxSSStyleChangeKind Kind() const { return kind_; }
  virtual void Changed();

  std::function<void(TcxSSStyle& sender)> OnChange;

 protected:
  TcxSSStyleRec& Rec() const;
  bool IsReadOnly() const;

 private:
  TcxSSCellStyle& owner_;
  TcxSSStyleChangeKind kind_;
};

class TcxSSFont : public TcxSSStyle {
 public:
  explicit TcxSSFont(TcxSSCellStyle& owner) : TcxSSStyle(owner, sckFont) {}

  const std::string& Name() const;
  void SetName(const std::string& value);
  // Whole points (8.5 points read as 9); Height is the size in twips as kept.
  int Size() const;
  void SetSize(int value);
  int16_t Height() const;
  uint8_t Style() const;
  void SetStyle(uint8_t value);
  uint8_t Charset() const;
  void SetCharset(uint8_t value);
  TcxSSColor FontColor() const;
  void SetFontColor(TcxSSColor value);

  // Picks the cache's font record with these values (a colour above 55 becomes 57), lets the
  // owner rescale its row to the new text height, and reports the change.
  virtual void SetValues(const std::string& name, int size, TcxSSColor color, uint8_t charset,
                         uint8_t style);
  // The same with the size in twips, so that sizes such as 8.5 points are kept.
  void SetValuesOfHeight(const std::string& name, int16_t height, TcxSSColor color,
                         uint8_t charset, uint8_t style);
  void Assign(const TcxSSFont& source);
  void AssignTo(TcxSSFont& dest) const { dest.Assign(*this); }
  // Into a screen font: face name, style and size (the charset is left as it is), and the
  // colour: the palette entry for 0..55, black otherwise.
  void AssignTo(TcxFontDesc& font, TColor& color) const;

 private:
  const TcxSSFontRec* Rec0() const;
};

class TcxSSBrush : public TcxSSStyle {
 public:
  explicit TcxSSBrush(TcxSSCellStyle& owner) : TcxSSStyle(owner, sckBrush) {}

  TcxSSFillStyle Style() const;
  void SetStyle(TcxSSFillStyle value);
  TcxSSColor BackgroundColor() const;
  void SetBackgroundColor(TcxSSColor value);
  TcxSSColor ForegroundColor() const;
  void SetForegroundColor(TcxSSColor value);

  // Colours above 55 become 57. Always reports a change.
  virtual void SetValues(TcxSSFillStyle style, TcxSSColor backgroundColor,
                         TcxSSColor foregroundColor);
  void Assign(const TcxSSBrush& source);
};

// One edge (0 left, 1 top, 2 right, 3 bottom) of a style's working copy.
class TcxSSEdgeStyle : public TcxSSStyle {
 public:
  TcxSSEdgeStyle(TcxSSCellStyle& owner, int index) : TcxSSStyle(owner, sckEdge), index_(index) {}

  int Index() const { return index_; }
  // The line as the cell shows it: lsNone inside a merged area and, for a cell style, for a
  // stored lsDefault on a filled cell; otherwise the stored style.
  TcxSSEdgeLineStyle Style() const;
  void SetStyle(TcxSSEdgeLineStyle value);
  // 57 whenever Style reads lsDefault, else the stored colour.
  TcxSSColor Color() const;
  void SetColor(TcxSSColor value);
  // The stored values, as they are.
  TcxSSEdgeLineStyle StoredStyle() const;
  TcxSSColor StoredColor() const;
  // Style in bits 0..7 and colour in bits 8..23 of the stored values.
  uint32_t PackedValue() const;

  // A colour above 55 becomes 57; reports a change only when something differs.
  virtual void SetValues(TcxSSEdgeLineStyle style, TcxSSColor color);
  // Stores style and colour as given (no colour mapping) when they differ.
  virtual void SetPackedValue(uint32_t value);
  // Copies the source's stored values.
  void Assign(const TcxSSEdgeStyle& source);

 private:
  int index_;
};

// The four edges of a cell style, each made on first use. For the default style, which has
// one vertical and one horizontal edge, Right is Left and Bottom is Top.
class TcxSSBorderStyle : public TcxSSStyle {
 public:
  explicit TcxSSBorderStyle(TcxSSCellStyle& owner) : TcxSSStyle(owner, sckAll) {}

  TcxSSEdgeStyle& Edges(int index);
  TcxSSEdgeStyle& Left() { return Edges(eLeft); }
  TcxSSEdgeStyle& Top() { return Edges(eTop); }
  TcxSSEdgeStyle& Right() { return Edges(eRight); }
  TcxSSEdgeStyle& Bottom() { return Edges(eBottom); }
  void SetEdges(int index, const TcxSSEdgeStyle& value) { Edges(index).Assign(value); }
  void SetLeft(const TcxSSEdgeStyle& value) { SetEdges(eLeft, value); }
  void SetTop(const TcxSSEdgeStyle& value) { SetEdges(eTop, value); }
  void SetRight(const TcxSSEdgeStyle& value) { SetEdges(eRight, value); }
  void SetBottom(const TcxSSEdgeStyle& value) { SetEdges(eBottom, value); }
  // Copies the four edges in order.
  void Assign(TcxSSBorderStyle& source);

 private:
  std::array<std::unique_ptr<TcxSSEdgeStyle>, 4> edges_;
};

// The default style's borders as they are published: the vertical (left) and horizontal (top)
// edge of the default record.
class TcxSSDefaultBorders : public TcxSSStyle {
 public:
  explicit TcxSSDefaultBorders(TcxSSCellStyle& owner) : TcxSSStyle(owner, sckAll) {}

  TcxSSEdgeStyle& HorizontalBorders() { return Edge(eTop); }
  TcxSSEdgeStyle& VerticalBorders() { return Edge(eLeft); }
  void SetHorizontalBorders(const TcxSSEdgeStyle& value) { HorizontalBorders().Assign(value); }
  void SetVerticalBorders(const TcxSSEdgeStyle& value) { VerticalBorders().Assign(value); }
  void Assign(TcxSSDefaultBorders& source);

 private:
  TcxSSEdgeStyle& Edge(int index);
  std::array<std::unique_ptr<TcxSSEdgeStyle>, 2> edges_;
};

// A short-lived handle on the style of one cell (or, as TcxSSDefaultStyle, on record 0).
//
// It keeps a working copy of the shared record the cell uses. Every change edits the working
// copy and reports it to the cache, which moves the cell (and this object) onto the shared
// record equal to the new working copy. Reference counting: the cell owns one reference on the
// record it stores; while the cell stores no record of its own (it reads record 0 or, inside a
// merged area, the area's first cell) or the record is record 0, this object holds a
// reference of its own, which it hands over with the first change or returns when it is freed.
// Freeing stores into the cell only a change the cell could not take when it was made (a write
// dropped while a file is read), so a style that was only read never undoes other changes.
class TcxSSCellStyle : public IcxCellStyle {
 public:
  // With no storage, or with column and row -1, the object uses record 0.
  TcxSSCellStyle(TcxSSStyleCache& cache, TcxSSDataStorage* storage, int col, int row);
  ~TcxSSCellStyle() override;
  TcxSSCellStyle(const TcxSSCellStyle&) = delete;
  TcxSSCellStyle& operator=(const TcxSSCellStyle&) = delete;

  TcxSSStyleCache& Cache() const { return cache_; }
  TcxSSDataStorage* Storage() const { return storage_; }
  int Col() const { return col_; }
  int Row() const { return row_; }
  virtual bool IsDefaultStyle() const { return false; }
  // The ReadOnly flag, or (except for the default style) a read-only workbook or sheet.
  bool IsReadOnly() const;

  // The working copy and the shared record it came from. The workbook's own code (paste, the
  // format dialog) writes the working copy directly and then calls Changed.
  TcxSSStyleRec& Rec() { return rec_; }
  const TcxSSStyleRec& Rec() const { return rec_; }
  TcxSSStyleRec* SharedRec() const { return shared_; }

  TcxSSBorderStyle& Borders();
  void SetBorders(TcxSSBorderStyle& value) { Borders().Assign(value); }
  TcxSSBrush& Brush();
  void SetBrush(const TcxSSBrush& value) { Brush().Assign(value); }
  TcxSSFont& Font();
  void SetFont(const TcxSSFont& value) { Font().Assign(value); }

  // The published format index 0..51 (see PublishedFormatToStored).
  TxlsDataFormat Format() const;
  void SetFormat(TxlsDataFormat value);
  // The format as records store it (the BIFF built-in index), set without the mapping.
  TxlsDataFormat StoredFormat() const { return rec_.Format; }
  void SetStoredFormat(TxlsDataFormat value);
  // Setting Format or StoredFormat drops the cell's format code: the built-in index then
  // decides the look too.

  // The format code the cell shows its value by: its own (read from a file or set with
  // SetFormatCode), or nullptr when the built-in index alone decides.
  const TcxNumberFormat* NumberFormat() const { return rec_.NumberFormat; }
  // The format code as text: the cell's own, or the built-in index's string.
  std::string FormatCode() const;
  // Gives the cell a format code of its own; Format becomes the built-in index the code is
  // classified as. A code equal to that index's own string leaves the index alone.
  void SetFormatCode(std::string_view code);
  TcxHorzTextAlign HorzTextAlign() const { return rec_.HorzTextAlign; }
  void SetHorzTextAlign(TcxHorzTextAlign value);
  TcxVertTextAlign VertTextAlign() const { return rec_.VertTextAlign; }
  void SetVertTextAlign(TcxVertTextAlign value);
  bool WordBreak() const { return rec_.WordBreak; }
  void SetWordBreak(bool value);
  // The rest of the text's placement: rotation, indent, shrink to fit, reading order and the
  // last-line justification of distributed text, taken from `source` together (one change of
  // kind sckAlignment when any differs).
  void SetTextControl(const TcxSSStyleRec& source);

  // The flag setters work on read-only styles too.
  bool Locked() const { return (rec_.Flags & kStyleLocked) != 0; }
  void SetLocked(bool value);
  bool ReadOnlyFlag() const { return (rec_.Flags & kStyleReadOnly) != 0; }
  void SetReadOnlyFlag(bool value);
  bool Merged() const { return (rec_.Flags & kStyleMerged) != 0; }
  void SetMerged(bool value);
  uint8_t Flags() const { return rec_.Flags; }
  void SetFlags(uint8_t value);

  // Copies alignments, format, word wrap, edges, font and brush from another style (unless this
  // one is read-only), then this style's ReadOnly flag from the source's IsReadOnly. The source
  // then re-reads its cell, which edge propagation may have changed.
  void Assign(TcxSSCellStyle& source);

  // Puts back a look kept earlier (undo): every field of `rec` but the count, the font taken
  // into this cache by its values. Not subject to IsReadOnly, and nothing is copied onto the
  // neighbour cells, which keep their own looks.
  void ApplyStoredRecord(const TcxSSStyleRec& rec);

  // `sender` is the part that changed (an edge for sckEdge), or nullptr for the style itself.
  virtual void Changed(TcxSSStyle* sender, TcxSSStyleChangeKind kind);
  void Changed(TcxSSStyleChangeKind kind) { Changed(nullptr, kind); }
  // Rescales the cell's row from the old text height to the new one.
  virtual void FontExtentChanged(TSize oldExtent, TSize newExtent);

  void ApplyBorder(int index, TcxSSEdgeLineStyle style, TcxSSColor color) override;
  void ApplyBrush(TcxSSFillStyle style, TcxSSColor foregroundColor,
                  TcxSSColor backgroundColor) override;
  // Sets the published Format, keeping the format the file gave the cell as its code (the
  // reader marks texts that read as numbers with the text format this way; they still show and
  // save the file's format).
  void ApplyFormat(TxlsDataFormat format) override;
  void ApplyFont(const TcxSSFontRec* font) override;
  void ApplyStyleRec(const TcxSSStyleRec& rec, bool allEdges) override;

  std::function<void(TcxSSCellStyle& sender, TcxSSStyleChangeKind kind)> OnChange;

 protected:
  // Bound to record 0 itself, holding no reference: the default style.
  struct TDefaultRecord {};
  TcxSSCellStyle(TcxSSStyleCache& cache, TDefaultRecord);
  // The working copy anew from the shared record.
  void Refill() { rec_ = *shared_; }

 private:
  friend class TcxSSStyleCache;

  bool BoundToCell() const { return storage_ != nullptr && col_ >= 0 && row_ >= 0; }
  // Sets the stored index and the code (taken into this cache) together: one change.
  void SetNumberFormat(TxlsDataFormat stored, const TcxNumberFormat* code);
  // The record the cell stores itself, or nullptr.
  TcxSSStyleRec* OwnCellRecord() const;
  // Stores the shared record into the cell. Once the cell holds it, the object's reference is
  // the cell's, and `displaced` (the record the cell held, or nullptr) loses the cell's.
  void StoreIntoCell(TcxSSStyleRec* displaced);
  // The cache moved this object onto `rec` (which carries one new reference).
  void MoveTo(TcxSSStyleRec* rec);
  // Takes the record the cell stores now, when another object has moved the cell.
  void Resync();

  TcxSSStyleCache& cache_;
  TcxSSDataStorage* storage_ = nullptr;
  int col_ = -1;
  int row_ = -1;
  TcxSSStyleRec* shared_ = nullptr;
  bool ownsReference_ = false;
  // The object moved to a record its cell has not taken.
  bool unstored_ = false;
  TcxSSStyleRec rec_;
  std::unique_ptr<TcxSSBorderStyle> borders_;
  std::unique_ptr<TcxSSBrush> brush_;
  std::unique_ptr<TcxSSFont> font_;
};

// The workbook's default style: record 0, edited in place, bound to no cell.
class TcxSSDefaultStyle : public TcxSSCellStyle {
 public:
  explicit TcxSSDefaultStyle(TcxSSStyleCache& cache);

  bool IsDefaultStyle() const override { return true; }
  // The published borders of the default style; the four-edge view stays reachable through
  // TcxSSCellStyle::Borders.
  TcxSSDefaultBorders& Borders();
  void SetBorders(TcxSSDefaultBorders& value) { Borders().Assign(value); }
  // Re-reads record 0 (after it was replaced from a file).
  void Refresh() { Refill(); }

 private:
  std::unique_ptr<TcxSSDefaultBorders> defaultBorders_;
};
