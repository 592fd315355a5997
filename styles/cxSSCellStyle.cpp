#include "styles/cxSSCellStyle.h"

#include <cassert>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSNumberFormat.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSStyleCache.h"

namespace {

// What the font parts answer for a working copy without a font record.
const TcxSSFontRec kNoFont{};

constexpr TcxSSColor LimitColor(TcxSSColor color) { return color > 55 ? kColorAuto : color; }
constexpr TcxSSColor LimitFontColor(TcxSSColor color) {
  return color == kColorWindowText ? color : LimitColor(color);
}
// A font without an underline has no kind of underline either.
constexpr uint8_t FontStyleOf(uint8_t style) {
  return (style & kFontUnderline) ? style : static_cast<uint8_t>(style & ~kFontUnderlineKind);
}

}  // namespace

// --- TcxSSStyle ------------------------------------------------------------------------------

void TcxSSStyle::Changed() {
  if (OnChange) OnChange(*this);
  owner_.Changed(this, kind_);
}

TcxSSStyleRec& TcxSSStyle::Rec() const { return owner_.Rec(); }

bool TcxSSStyle::IsReadOnly() const { return owner_.IsReadOnly(); }

// --- TcxSSFont -------------------------------------------------------------------------------

const TcxSSFontRec* TcxSSFont::Rec0() const {
  const TcxSSFontRec* font = Rec().Font;
  return font ? font : &kNoFont;
}

const std::string& TcxSSFont::Name() const { return Rec0()->Name; }
int TcxSSFont::Size() const { return Rec0()->Size(); }
int16_t TcxSSFont::Height() const { return Rec0()->Height; }
uint8_t TcxSSFont::Style() const { return Rec0()->Style; }
uint8_t TcxSSFont::Charset() const { return Rec0()->Charset; }
TcxSSColor TcxSSFont::FontColor() const { return Rec0()->FontColor; }

void TcxSSFont::SetName(const std::string& value) {
  SetValues(value, Size(), FontColor(), Charset(), Style());
}

void TcxSSFont::SetSize(int value) { SetValues(Name(), value, FontColor(), Charset(), Style()); }

void TcxSSFont::SetStyle(uint8_t value) {
  SetValues(Name(), Size(), FontColor(), Charset(), value);
}

void TcxSSFont::SetCharset(uint8_t value) {
  SetValues(Name(), Size(), FontColor(), value, Style());
}

void TcxSSFont::SetFontColor(TcxSSColor value) {
  SetValues(Name(), Size(), value, Charset(), Style());
}

void TcxSSFont::SetValues(const std::string& name, int size, TcxSSColor color, uint8_t charset,
                          uint8_t style) {
  // A size in whole points that rounds the present one keeps the present height: making an
  // 8.5-point text bold leaves it 8.5 points.
  SetValuesOfHeight(name, size == Size() ? Height() : TcxSSFontRec::HeightOfSize(size), color,
                    charset, style);
}

void TcxSSFont::SetValuesOfHeight(const std::string& name, int16_t height, TcxSSColor color,
                                  uint8_t charset, uint8_t style) {
  if (IsReadOnly()) return;
  const TSize oldExtent = Rec0()->TextExtent;
  const TcxSSFontRec* font =
      Owner().Cache().GetFontRecOfHeight(name, FontStyleOf(style), LimitFontColor(color), height,
                                         charset);
  Rec().Font = font;
  Owner().FontExtentChanged(oldExtent, font->TextExtent);
  Changed();
}

void TcxSSFont::Assign(const TcxSSFont& source) {
  if (&source == this) return;
  SetValuesOfHeight(source.Name(), source.Height(), source.FontColor(), source.Charset(),
                    source.Style());
}

void TcxSSFont::AssignTo(TcxFontDesc& font, TColor& color) const {
  font.Name = Name();
  font.Style = Style();
  font.Size = Height() / 20.0;
  const TcxSSColor index = FontColor();
  color = index <= 55 ? Owner().Cache().Palette()[index] : RGBColor(0, 0, 0);
}

// --- TcxSSBrush ------------------------------------------------------------------------------

TcxSSFillStyle TcxSSBrush::Style() const { return Rec().BrushStyle; }
TcxSSColor TcxSSBrush::BackgroundColor() const { return Rec().BackgroundColor; }
TcxSSColor TcxSSBrush::ForegroundColor() const { return Rec().ForegroundColor; }

void TcxSSBrush::SetStyle(TcxSSFillStyle value) {
  SetValues(value, BackgroundColor(), ForegroundColor());
}

void TcxSSBrush::SetBackgroundColor(TcxSSColor value) {
  SetValues(Style(), value, ForegroundColor());
}

void TcxSSBrush::SetForegroundColor(TcxSSColor value) {
  SetValues(Style(), BackgroundColor(), value);
}

void TcxSSBrush::SetValues(TcxSSFillStyle style, TcxSSColor backgroundColor,
                           TcxSSColor foregroundColor) {
  if (IsReadOnly()) return;
  TcxSSStyleRec& rec = Rec();
  rec.BrushStyle = style;
  rec.BackgroundColor = LimitColor(backgroundColor);
  rec.ForegroundColor = LimitColor(foregroundColor);
  Changed();
}

void TcxSSBrush::Assign(const TcxSSBrush& source) {
  if (&source == this) return;
  SetValues(source.Style(), source.BackgroundColor(), source.ForegroundColor());
}

// --- TcxSSEdgeStyle --------------------------------------------------------------------------

TcxSSEdgeLineStyle TcxSSEdgeStyle::StoredStyle() const {
  return Rec().Edges[static_cast<size_t>(index_)].Style;
}

TcxSSColor TcxSSEdgeStyle::StoredColor() const {
  return Rec().Edges[static_cast<size_t>(index_)].Color;
}

uint32_t TcxSSEdgeStyle::PackedValue() const {
  return static_cast<uint32_t>(StoredStyle()) | (static_cast<uint32_t>(StoredColor()) << 8);
}

TcxSSEdgeLineStyle TcxSSEdgeStyle::Style() const {
  const TcxSSCellStyle& owner = Owner();
  const TcxSSStyleRec& rec = Rec();
  if (owner.Merged() && owner.Storage() && owner.Col() >= 0 && owner.Row() >= 0) {
    TRect area;
    if (owner.Storage()->GetMergedRect(TPoint{owner.Col(), owner.Row()}, area)) {
      bool inside = false;
      switch (index_) {
        case eLeft:
          inside = owner.Col() != area.Left;
          break;
        case eTop:
          inside = owner.Row() != area.Top;
          break;
        case eRight:
          inside = owner.Col() != area.Right;
          break;
        default:
          inside = owner.Row() != area.Bottom;
          break;
      }
      if (inside) return lsNone;
    }
  }
  const TcxSSEdgeLineStyle stored = StoredStyle();
  const bool filled = rec.BrushStyle != fsSolid || rec.BackgroundColor <= 55;
  if (stored == lsDefault && filled && !owner.IsDefaultStyle()) return lsNone;
  return stored;
}

TcxSSColor TcxSSEdgeStyle::Color() const {
  return Style() == lsDefault ? kColorAuto : StoredColor();
}

void TcxSSEdgeStyle::SetStyle(TcxSSEdgeLineStyle value) { SetValues(value, StoredColor()); }

void TcxSSEdgeStyle::SetColor(TcxSSColor value) { SetValues(StoredStyle(), value); }

void TcxSSEdgeStyle::SetValues(TcxSSEdgeLineStyle style, TcxSSColor color) {
  if (IsReadOnly()) return;
  color = LimitColor(color);
  TcxSSEdgeRec& edge = Rec().Edges[static_cast<size_t>(index_)];
  if (edge.Style == style && edge.Color == color) return;
  edge.Style = style;
  edge.Color = color;
  Changed();
}

void TcxSSEdgeStyle::SetPackedValue(uint32_t value) {
  if (IsReadOnly()) return;
  const auto style = static_cast<TcxSSEdgeLineStyle>(value & 0xFF);
  const auto color = static_cast<TcxSSColor>((value >> 8) & 0xFFFF);
  TcxSSEdgeRec& edge = Rec().Edges[static_cast<size_t>(index_)];
  if (edge.Style == style && edge.Color == color) return;
  edge.Style = style;
  edge.Color = color;
  Changed();
}

void TcxSSEdgeStyle::Assign(const TcxSSEdgeStyle& source) {
  if (&source == this) return;
  SetPackedValue(source.PackedValue());
}

// --- Borders ---------------------------------------------------------------------------------

TcxSSEdgeStyle& TcxSSBorderStyle::Edges(int index) {
  assert(index >= 0 && index < 4);
  if (Owner().IsDefaultStyle()) index %= 2;
  auto& edge = edges_[static_cast<size_t>(index)];
  if (!edge) edge = std::make_unique<TcxSSEdgeStyle>(Owner(), index);
  return *edge;
}

void TcxSSBorderStyle::Assign(TcxSSBorderStyle& source) {
  if (&source == this) return;
  for (int i = 0; i < 4; ++i) Edges(i).Assign(source.Edges(i));
}

TcxSSEdgeStyle& TcxSSDefaultBorders::Edge(int index) {
  auto& edge = edges_[static_cast<size_t>(index)];
  if (!edge) edge = std::make_unique<TcxSSEdgeStyle>(Owner(), index);
  return *edge;
}

void TcxSSDefaultBorders::Assign(TcxSSDefaultBorders& source) {
  if (&source == this) return;
  VerticalBorders().Assign(source.VerticalBorders());
  HorizontalBorders().Assign(source.HorizontalBorders());
}

// --- TcxSSCellStyle --------------------------------------------------------------------------

TcxSSCellStyle::TcxSSCellStyle(TcxSSStyleCache& cache, TcxSSDataStorage* storage, int col, int row)
    : cache_(cache), storage_(storage), col_(col), row_(row) {
  TcxSSStyleRec* const rec0 = cache_.DefaultRecord();
  TcxSSStyleRec* const own = OwnCellRecord();
  if (own)
    shared_ = own;
  else if (BoundToCell())
    shared_ = storage_->CellRef(col_, row_).Style;
  if (!shared_) shared_ = rec0;
  // The cell owns a reference only on a record it stores itself; record 0's count is paid for
  // in every case, as the first change releases the record the object leaves.
  ownsReference_ = !own || shared_ == rec0;
  if (ownsReference_) ++shared_->RefCount;
  rec_ = *shared_;
}

TcxSSCellStyle::TcxSSCellStyle(TcxSSStyleCache& cache, TDefaultRecord)
    : cache_(cache), shared_(cache.DefaultRecord()), rec_(*cache.DefaultRecord()) {}

TcxSSCellStyle::~TcxSSCellStyle() {
  font_.reset();
  brush_.reset();
  borders_.reset();
  if (!ownsReference_) return;
  // A change that the cell did not take (a write dropped while a file is read) is offered to
  // the cell once more; a reference the cell did not take is returned. A style that was only
  // read stores nothing, so that it cannot undo what other code did to the cell meanwhile.
  if (unstored_ && storage_->CellRef(col_, row_).Style != shared_) {
    try {
      StoreIntoCell(OwnCellRecord());
    } catch (...) {
      // A destructor cannot report; the counts are settled already.
    }
  }
  if (ownsReference_) cache_.ReleaseStyle(shared_);
}

TcxSSStyleRec* TcxSSCellStyle::OwnCellRecord() const {
  if (!BoundToCell()) return nullptr;
  const TcxSSCellRec* cell = storage_->FindCell(col_, row_);
  return cell ? cell->Style : nullptr;
}

void TcxSSCellStyle::StoreIntoCell(TcxSSStyleRec* displaced) {
  // The cell's change notification may fail after the cell has taken the record; the counts
  // are settled by what the cell holds either way.
  const auto settle = [&] {
    if (OwnCellRecord() != shared_) return;
    ownsReference_ = false;
    if (displaced && displaced != shared_ && displaced != cache_.DefaultRecord())
      cache_.ReleaseStyle(displaced);
  };
  try {
    storage_->SetCellStyle(col_, row_, shared_);
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

void TcxSSCellStyle::MoveTo(TcxSSStyleRec* rec) {
  TcxSSStyleRec* const old = shared_;
  const bool ownedOld = ownsReference_;
  TcxSSStyleRec* const displaced = OwnCellRecord();
  // The object holds the new record's reference until the cell has taken it, so that a failed
  // store leaves nothing uncounted.
  shared_ = rec;
  rec_ = *rec;
  ownsReference_ = true;
  // One reference on the record left behind goes: this object's own (the cell does not hold
  // that record, or it is record 0), or the cell's once the cell has moved on.
  if (ownedOld) cache_.ReleaseStyle(old);
  if (BoundToCell()) StoreIntoCell(ownedOld && displaced == old ? nullptr : displaced);
  unstored_ = BoundToCell() && ownsReference_;
}

void TcxSSCellStyle::Resync() {
  TcxSSStyleRec* const own = OwnCellRecord();
  if (own && own != shared_) {
    if (ownsReference_) cache_.ReleaseStyle(shared_);
    shared_ = own;
    ownsReference_ = own == cache_.DefaultRecord();
    if (ownsReference_) ++own->RefCount;
  }
  Refill();
}

bool TcxSSCellStyle::IsReadOnly() const {
  if (rec_.Flags & kStyleReadOnly) return true;
  if (IsDefaultStyle()) return false;
  if (cache_.Owner().ReadOnly()) return true;
  return storage_ != nullptr && storage_->Sheet().ReadOnly();
}

TcxSSBorderStyle& TcxSSCellStyle::Borders() {
  if (!borders_) borders_ = std::make_unique<TcxSSBorderStyle>(*this);
  return *borders_;
}

TcxSSBrush& TcxSSCellStyle::Brush() {
  if (!brush_) brush_ = std::make_unique<TcxSSBrush>(*this);
  return *brush_;
}

TcxSSFont& TcxSSCellStyle::Font() {
  if (!font_) font_ = std::make_unique<TcxSSFont>(*this);
  return *font_;
}

TxlsDataFormat TcxSSCellStyle::Format() const {
  return static_cast<TxlsDataFormat>(StoredFormatToPublished(rec_.Format));
}

void TcxSSCellStyle::SetFormat(TxlsDataFormat value) {
  if (IsReadOnly()) return;
  SetNumberFormat(PublishedFormatToStored(value), nullptr);
}

void TcxSSCellStyle::SetStoredFormat(TxlsDataFormat value) {
  if (IsReadOnly()) return;
  SetNumberFormat(value, nullptr);
}

void TcxSSCellStyle::SetNumberFormat(TxlsDataFormat stored, const TcxNumberFormat* code) {
  code = cache_.AddNumberFormat(code);
  if (stored == rec_.Format && code == rec_.NumberFormat) return;
  rec_.Format = stored;
  rec_.NumberFormat = code;
  Changed(sckFormat);
}

std::string TcxSSCellStyle::FormatCode() const {
  return rec_.NumberFormat ? rec_.NumberFormat->Code()
                           : std::string(BuiltInFormatString(rec_.Format));
}

void TcxSSCellStyle::SetFormatCode(std::string_view code) {
  if (IsReadOnly()) return;
  TxlsDataFormat format = kFormatGeneral;
  ClassifyFormatString(code, format);
  if (code == BuiltInFormatString(format)) {
    SetNumberFormat(format, nullptr);
    return;
  }
  SetNumberFormat(format, cache_.GetNumberFormat(code, TcxNumberFormat::kNoBuiltIn));
}

void TcxSSCellStyle::SetHorzTextAlign(TcxHorzTextAlign value) {
  if (IsReadOnly() || rec_.HorzTextAlign == value) return;
  rec_.HorzTextAlign = value;
  Changed(sckAlignment);
}

void TcxSSCellStyle::SetVertTextAlign(TcxVertTextAlign value) {
  if (IsReadOnly() || rec_.VertTextAlign == value) return;
  rec_.VertTextAlign = value;
  Changed(sckAlignment);
}

void TcxSSCellStyle::SetTextControl(const TcxSSStyleRec& source) {
  const uint8_t shrink = source.Flags & kStyleShrinkToFit;
  if (IsReadOnly() ||
      (rec_.Rotation == source.Rotation && rec_.Indent == source.Indent &&
       rec_.TextDirection == source.TextDirection &&
       rec_.JustifyLastLine == source.JustifyLastLine && (rec_.Flags & kStyleShrinkToFit) == shrink))
    return;
  rec_.Rotation = source.Rotation;
  rec_.Indent = source.Indent;
  rec_.TextDirection = source.TextDirection;
  rec_.JustifyLastLine = source.JustifyLastLine;
  rec_.Flags = static_cast<uint8_t>((rec_.Flags & ~kStyleShrinkToFit) | shrink);
  Changed(sckAlignment);
}

void TcxSSCellStyle::SetWordBreak(bool value) {
  if (IsReadOnly() || rec_.WordBreak == value) return;
  rec_.WordBreak = value;
  Changed(sckAlignment);
}

void TcxSSCellStyle::SetLocked(bool value) {
  rec_.Flags = value ? (rec_.Flags | kStyleLocked) : (rec_.Flags & ~kStyleLocked);
  Changed(sckProtection);
}

void TcxSSCellStyle::SetReadOnlyFlag(bool value) {
  rec_.Flags = value ? (rec_.Flags | kStyleReadOnly) : (rec_.Flags & ~kStyleReadOnly);
  Changed(sckProtection);
}

void TcxSSCellStyle::SetMerged(bool value) {
  if (Merged() == value) return;
  rec_.Flags = value ? (rec_.Flags | kStyleMerged) : (rec_.Flags & ~kStyleMerged);
  Changed(sckMerge);
}

void TcxSSCellStyle::SetFlags(uint8_t value) {
  if (rec_.Flags == value) return;
  rec_.Flags = value;
  cache_.StyleChanged(*this, sckProtection);
}

void TcxSSCellStyle::Assign(TcxSSCellStyle& source) {
  if (&source == this || IsReadOnly()) return;
  SetHorzTextAlign(source.HorzTextAlign());
  SetVertTextAlign(source.VertTextAlign());
  SetNumberFormat(PublishedFormatToStored(source.Format()), source.NumberFormat());
  SetWordBreak(source.WordBreak());
  SetTextControl(source.Rec());
  for (int i = 0; i < 4; ++i) Borders().Edges(i).Assign(source.Borders().Edges(i));
  Font().Assign(source.Font());
  Brush().Assign(source.Brush());
  SetReadOnlyFlag(source.IsReadOnly());
  // Copying an edge onto a neighbour may have moved the source's own cell to a new record.
  if (storage_ != nullptr && source.storage_ != nullptr)
    source.Resync();
  else
    source.Refill();
}

void TcxSSCellStyle::Changed(TcxSSStyle* sender, TcxSSStyleChangeKind kind) {
  if (OnChange) OnChange(*this, kind);
  int edge = -1;
  if (kind == sckEdge) {
    const auto* changedEdge = dynamic_cast<const TcxSSEdgeStyle*>(sender);
    assert(changedEdge != nullptr);
    if (changedEdge) edge = changedEdge->Index();
  }
  cache_.StyleChanged(*this, kind, edge);
}

void TcxSSCellStyle::FontExtentChanged(TSize oldExtent, TSize newExtent) {
  if (!BoundToCell() || cache_.Owner().Loading() || oldExtent == newExtent) return;
  if (oldExtent.cy != newExtent.cy && oldExtent.cy > 0 && newExtent.cy > 0)
    storage_->Headers(1).AutoSize(row_, oldExtent.cy, newExtent.cy);
}

void TcxSSCellStyle::ApplyBorder(int index, TcxSSEdgeLineStyle style, TcxSSColor color) {
  if (index < 0 || index > 3) return;
  Borders().Edges(index).SetValues(style, color);
}

void TcxSSCellStyle::ApplyBrush(TcxSSFillStyle style, TcxSSColor foregroundColor,
                                TcxSSColor backgroundColor) {
  Brush().SetValues(style, backgroundColor, foregroundColor);
}

void TcxSSCellStyle::ApplyFormat(TxlsDataFormat format) {
  if (IsReadOnly()) return;
  const TxlsDataFormat stored = PublishedFormatToStored(format);
  if (stored == rec_.Format) return;
  // A built-in index the file gave without a string of its own is kept as its code with that
  // index, which a save writes as the index alone.
  const TcxNumberFormat* code =
      rec_.NumberFormat ? rec_.NumberFormat
                        : cache_.GetNumberFormat(BuiltInFormatString(rec_.Format), rec_.Format);
  SetNumberFormat(stored, code);
}

void TcxSSCellStyle::ApplyFont(const TcxSSFontRec* font) {
  if (!font) return;
  Font().SetValuesOfHeight(font->Name, font->Height, font->FontColor, font->Charset, font->Style);
}

void TcxSSCellStyle::ApplyStyleRec(const TcxSSStyleRec& rec, bool allEdges) {
  const TcxSSStyleRec source = rec;  // `rec` may be this object's own working copy
  Brush().SetValues(source.BrushStyle, source.BackgroundColor, source.ForegroundColor);
  ApplyFont(source.Font);
  for (int i = 0; i < 4; ++i) {
    const TcxSSEdgeRec& edge = source.Edges[static_cast<size_t>(i)];
    if (allEdges || edge.Style != lsDefault) ApplyBorder(i, edge.Style, edge.Color);
  }
  rec_.Format = source.Format;
  rec_.NumberFormat = cache_.AddNumberFormat(source.NumberFormat);
  rec_.HorzTextAlign = source.HorzTextAlign;
  rec_.VertTextAlign = source.VertTextAlign;
  rec_.WordBreak = source.WordBreak;
  rec_.Rotation = source.Rotation;
  rec_.Indent = source.Indent;
  rec_.TextDirection = source.TextDirection;
  rec_.JustifyLastLine = source.JustifyLastLine;
  // Whether the cell lies in a merged area is the merged-cells storage's to say, not the
  // applied record's.
  rec_.Flags = static_cast<uint8_t>((source.Flags & ~kStyleMerged) | (rec_.Flags & kStyleMerged));
  Changed(sckAll);
}

void TcxSSCellStyle::ApplyStoredRecord(const TcxSSStyleRec& rec) {
  const TcxSSFontRec* font = cache_.AddFontRec(rec.Font);
  const TcxNumberFormat* code = cache_.AddNumberFormat(rec.NumberFormat);
  rec_ = rec;
  rec_.Font = font ? font : shared_->Font;
  rec_.NumberFormat = code;
  Changed(sckAll);
}

// --- TcxSSDefaultStyle -----------------------------------------------------------------------

TcxSSDefaultStyle::TcxSSDefaultStyle(TcxSSStyleCache& cache)
    : TcxSSCellStyle(cache, TDefaultRecord{}) {}

TcxSSDefaultBorders& TcxSSDefaultStyle::Borders() {
  if (!defaultBorders_) defaultBorders_ = std::make_unique<TcxSSDefaultBorders>(*this);
  return *defaultBorders_;
}
