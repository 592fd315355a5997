#include "styles/cxSSStyleCache.h"

#include <algorithm>
#include <cassert>
#include <string>

#include "calc/cxSSStrings.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"

namespace {

// The colour the workbook control's own font is drawn in (the window text colour).
constexpr TColor kControlFontColor = RGBColor(0, 0, 0);

constexpr size_t Mix(size_t hash, uint64_t value) {
  hash ^= static_cast<size_t>(value) + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2);
  return hash;
}

bool IsSystemColor(TColor color) { return (color & 0xFF000000u) != 0; }

}  // namespace

// --- Hashing ---------------------------------------------------------------------------------

TcxSSStyleCache::TFontKey TcxSSStyleCache::KeyOf(const TcxSSFontRec& font) {
  return {font.Name, font.FontColor, font.Style, font.Charset, font.Height};
}

size_t TcxSSStyleCache::TFontHash::operator()(const TFontKey& key) const {
  size_t hash = std::hash<std::string_view>()(key.Name);
  hash = Mix(hash, key.FontColor);
  hash = Mix(hash, key.Style);
  hash = Mix(hash, key.Charset);
  return Mix(hash, static_cast<uint16_t>(key.Height));
}

size_t TcxSSStyleCache::TFontHash::operator()(const TcxSSFontRec* font) const {
  return (*this)(KeyOf(*font));
}

namespace {
bool SameKey(std::string_view name, TcxSSColor color, uint8_t style, uint8_t charset, int16_t height,
             const TcxSSFontRec& font) {
  return font.FontColor == color && font.Style == style && font.Charset == charset &&
         font.Height == height && font.Name == name;
}
}  // namespace

bool TcxSSStyleCache::TFontEqual::operator()(const TcxSSFontRec* a, const TcxSSFontRec* b) const {
  return SameKey(a->Name, a->FontColor, a->Style, a->Charset, a->Height, *b);
}

bool TcxSSStyleCache::TFontEqual::operator()(const TFontKey& a, const TcxSSFontRec* b) const {
  return SameKey(a.Name, a.FontColor, a.Style, a.Charset, a.Height, *b);
}

bool TcxSSStyleCache::TFontEqual::operator()(const TcxSSFontRec* a, const TFontKey& b) const {
  return (*this)(b, a);
}

size_t TcxSSStyleCache::TNumberFormatHash::operator()(const TNumberFormatKey& key) const {
  return Mix(std::hash<std::string_view>()(key.Code), key.BuiltIn);
}

size_t TcxSSStyleCache::TNumberFormatHash::operator()(const TcxNumberFormat* format) const {
  return (*this)(TNumberFormatKey{format->Code(), format->BuiltIn()});
}

bool TcxSSStyleCache::TNumberFormatEqual::operator()(const TcxNumberFormat* a,
                                                     const TcxNumberFormat* b) const {
  return a->BuiltIn() == b->BuiltIn() && a->Code() == b->Code();
}

bool TcxSSStyleCache::TNumberFormatEqual::operator()(const TNumberFormatKey& a,
                                                     const TcxNumberFormat* b) const {
  return a.BuiltIn == b->BuiltIn() && a.Code == b->Code();
}

bool TcxSSStyleCache::TNumberFormatEqual::operator()(const TcxNumberFormat* a,
                                                     const TNumberFormatKey& b) const {
  return (*this)(b, a);
}

size_t TcxSSStyleCache::TStyleHash::operator()(const TcxSSStyleRec& rec) const {
  uint64_t head = rec.Format;
  head |= static_cast<uint64_t>(rec.HorzTextAlign) << 16;
  head |= static_cast<uint64_t>(rec.VertTextAlign) << 24;
  head |= static_cast<uint64_t>(rec.WordBreak) << 32;
  head |= static_cast<uint64_t>(rec.Reserved) << 40;
  head |= static_cast<uint64_t>(rec.Flags) << 48;
  head |= static_cast<uint64_t>(rec.BrushStyle) << 56;
  size_t hash = Mix(0, head);
  hash = Mix(hash, rec.Rotation | rec.Indent << 8 | rec.TextDirection << 16 |
                       static_cast<unsigned>(rec.JustifyLastLine) << 24);
  hash = Mix(hash, reinterpret_cast<uintptr_t>(rec.Font));
  hash = Mix(hash, reinterpret_cast<uintptr_t>(rec.NumberFormat));
  hash = Mix(hash, rec.ForegroundColor | (static_cast<uint64_t>(rec.BackgroundColor) << 16));
  for (const TcxSSEdgeRec& edge : rec.Edges)
    hash = Mix(hash, edge.Style | (static_cast<uint64_t>(edge.Color) << 8));
  return hash;
}

bool TcxSSStyleCache::TStyleEqual::operator()(const TcxSSStyleRec* a,
                                              const TcxSSStyleRec* b) const {
  return a->SameStyle(*b);
}

bool TcxSSStyleCache::TStyleEqual::operator()(const TcxSSStyleRec& a,
                                              const TcxSSStyleRec* b) const {
  return a.SameStyle(*b);
}

bool TcxSSStyleCache::TStyleEqual::operator()(const TcxSSStyleRec* a,
                                              const TcxSSStyleRec& b) const {
  return a->SameStyle(b);
}

// --- The cache -------------------------------------------------------------------------------

TcxSSStyleCache::TcxSSStyleCache(TcxCustomSpreadSheetBook& owner) : owner_(owner) {
  const TcxFontDesc& font = owner.Font();
  auto rec0 = std::make_unique<TcxSSStyleRec>();
  rec0->Format = 0;
  rec0->HorzTextAlign = haGENERAL;
  rec0->VertTextAlign = vaCENTER;
  rec0->WordBreak = false;
  rec0->Reserved = 0;
  rec0->Flags = kStyleLocked;
  rec0->Font = GetFontRec(font.Name, font.Style, ColorToStyleColor(kControlFontColor, kColorAuto),
                          font.Size, font.Charset);
  rec0->BrushStyle = fsSolid;
  rec0->ForegroundColor = kColorNone;
  rec0->BackgroundColor = kColorNone;
  rec0->Edges.fill(TcxSSEdgeRec{lsDefault, kColorAuto});
  rec0->RefCount = 1;
  styles_.push_back(std::move(rec0));
  defaultStyle_ = std::make_unique<TcxSSDefaultStyle>(*this);
}

TcxSSStyleCache::~TcxSSStyleCache() = default;

const std::array<TColor, 56>& TcxSSStyleCache::Palette() const { return owner_.Palette(); }

TcxSSColor TcxSSStyleCache::ColorToStyleColor(TColor color, TcxSSColor defaultColor) const {
  if (color == kclSystemWindow) return kColorAuto;
  if (IsSystemColor(color)) return defaultColor;
  const auto& palette = Palette();
  for (size_t i = 0; i < palette.size(); ++i)
    if (palette[i] == color) return static_cast<TcxSSColor>(i);
  return defaultColor;
}

TSize TcxSSStyleCache::MeasureFont(const TcxSSFontRec& font) const {
  const auto& measurer = owner_.Environment().Measurer;
  if (!measurer) return {};
  return measurer->TextExtent(ScreenFontDesc(font), "Wg");
}

const TcxSSFontRec* TcxSSStyleCache::GetFontRec(const std::string& name, uint8_t style,
                                                TcxSSColor color, int size, uint8_t charset) {
  return GetFontRecOfHeight(name, style, color, TcxSSFontRec::HeightOfSize(size), charset);
}

const TcxSSFontRec* TcxSSStyleCache::GetFontRecOfHeight(const std::string& name, uint8_t style,
                                                        TcxSSColor color, int16_t height,
                                                        uint8_t charset) {
  const auto found = fontIndex_.find(TFontKey{name, color, style, charset, height});
  if (found != fontIndex_.end()) return *found;
  auto font = std::make_unique<TcxSSFontRec>();
  font->Name = name;
  font->FontColor = color;
  font->Style = style;
  font->Charset = charset;
  font->Height = height;
  font->TextExtent = MeasureFont(*font);
  fonts_.push_back(std::move(font));
  fontIndex_.insert(fonts_.back().get());
  return fonts_.back().get();
}

const TcxSSFontRec* TcxSSStyleCache::AddFontRec(const TcxSSFontRec* font) {
  if (!font) return nullptr;
  return GetFontRecOfHeight(font->Name, font->Style, font->FontColor, font->Height, font->Charset);
}

const TcxNumberFormat* TcxSSStyleCache::GetNumberFormat(std::string_view code, uint16_t builtIn) {
  const auto found = numberFormatIndex_.find(TNumberFormatKey{code, builtIn});
  if (found != numberFormatIndex_.end()) return *found;
  numberFormats_.push_back(std::make_unique<const TcxNumberFormat>(code, builtIn));
  numberFormatIndex_.insert(numberFormats_.back().get());
  return numberFormats_.back().get();
}

const TcxNumberFormat* TcxSSStyleCache::AddNumberFormat(const TcxNumberFormat* format) {
  if (!format) return nullptr;
  return GetNumberFormat(format->Code(), format->BuiltIn());
}

void TcxSSStyleCache::RebuildFontIndex() {
  fontIndex_.clear();
  // insert keeps the first font of each value, which is the one GetFontRec must answer.
  for (const auto& font : fonts_) fontIndex_.insert(font.get());
}

TcxSSStyleRec* TcxSSStyleCache::FindShared(const TcxSSStyleRec& rec) const {
  const auto found = styleIndex_.find(rec);
  return found == styleIndex_.end() ? nullptr : *found;
}

TcxSSStyleRec* TcxSSStyleCache::AppendStyle(const TcxSSStyleRec& rec) {
  auto copy = std::make_unique<TcxSSStyleRec>(rec);
  copy->RefCount = 1;
  styles_.push_back(std::move(copy));
  styleIndex_.insert(styles_.back().get());
  return styles_.back().get();
}

TcxSSStyleRec* TcxSSStyleCache::AddStyle(const TcxSSStyleRec& rec) {
  TcxSSStyleRec copy = rec;
  copy.Font = AddFontRec(rec.Font);
  copy.NumberFormat = AddNumberFormat(rec.NumberFormat);
  copy.RefCount = 1;
  TcxSSStyleRec* found = DefaultRecord()->SameStyle(copy) ? DefaultRecord() : FindShared(copy);
  if (!found) return AppendStyle(copy);
  ++found->RefCount;
  return found;
}

TcxSSStyleRec* TcxSSStyleCache::ShareStyle(const TcxSSStyleRec& rec, const TcxSSStyleRec* leaving) {
  TcxSSStyleRec* found = DefaultRecord()->SameStyle(rec) ? DefaultRecord() : FindShared(rec);
  if (found == leaving && found) return found;
  if (!found) return AppendStyle(rec);
  ++found->RefCount;
  return found;
}

void TcxSSStyleCache::FreeStyle(const TcxSSStyleRec* rec) {
  // Records freed soon after they were made (the intermediate steps of a multi-part change)
  // sit at the end of the list, so the search starts there.
  for (size_t i = styles_.size(); i-- > 1;) {
    if (styles_[i].get() == rec) {
      styleIndex_.erase(styles_[i].get());
      styles_.erase(styles_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void TcxSSStyleCache::ReleaseStyle(int index) {
  if (index < 0) return;
  ReleaseStyle(GetStyle(index));
}

void TcxSSStyleCache::ReleaseStyle(const TcxSSStyleRec* rec) {
  if (!rec) return;
  if (rec == DefaultRecord()) {
    --styles_.front()->RefCount;
    return;
  }
  const auto found = styleIndex_.find(*rec);
  if (found == styleIndex_.end() || *found != rec) return;
  TcxSSStyleRec* shared = *found;
  if (--shared->RefCount < 1) FreeStyle(shared);
}

int TcxSSStyleCache::IndexOfStyle(const TcxSSStyleRec& rec) const {
  if (DefaultRecord()->SameStyle(rec)) return 0;
  const TcxSSStyleRec* found = FindShared(rec);
  return found ? IndexOf(found) : -1;
}

int TcxSSStyleCache::IndexOf(const TcxSSStyleRec* rec) const {
  for (size_t i = styles_.size(); i-- > 0;)
    if (styles_[i].get() == rec) return static_cast<int>(i);
  return -1;
}

TcxSSStyleRec* TcxSSStyleCache::GetStyle(int index) const {
  if (index < 0 || index >= StyleCount()) throw EStyleError(std::string(kInvalidCellStyle));
  return styles_[static_cast<size_t>(index)].get();
}

void TcxSSStyleCache::Clear() {
  TcxSSStyleRec* rec0 = DefaultRecord();
  const TcxSSFontRec* font0 = rec0->Font;
  const auto keep = std::find_if(fonts_.begin(), fonts_.end(),
                                 [font0](const auto& font) { return font.get() == font0; });
  if (keep != fonts_.end()) {
    std::unique_ptr<TcxSSFontRec> kept = std::move(*keep);
    fonts_.clear();
    fonts_.push_back(std::move(kept));
  }
  styles_.resize(1);
  styleIndex_.clear();
  rec0->RefCount = 1;
  RebuildFontIndex();
  const TcxNumberFormat* format0 = rec0->NumberFormat;
  std::erase_if(numberFormats_, [format0](const auto& format) { return format.get() != format0; });
  numberFormatIndex_.clear();
  for (const auto& format : numberFormats_) numberFormatIndex_.insert(format.get());
}

void TcxSSStyleCache::SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec& font) {
  TcxSSStyleRec* rec0 = DefaultRecord();
  const auto f0 = std::find_if(fonts_.begin(), fonts_.end(),
                               [rec0](const auto& f) { return f.get() == rec0->Font; });
  assert(f0 != fonts_.end());
  TcxSSFontRec& target = **f0;
  target.Name = font.Name;
  target.FontColor = font.FontColor;
  target.Style = font.Style;
  target.Charset = font.Charset;
  target.Height = font.Height;
  // The file's font records are not measured; the record keeps the extent of the font it now
  // describes, which row rescaling relies on.
  target.TextExtent = MeasureFont(target);
  RebuildFontIndex();
  *rec0 = rec;
  rec0->Font = &target;
  rec0->NumberFormat = AddNumberFormat(rec.NumberFormat);
  rec0->RefCount = 1;
  defaultStyle_->Refresh();
}

void TcxSSStyleCache::StyleChanged(TcxSSCellStyle& style, TcxSSStyleChangeKind kind, int edge) {
  TcxSSStyleRec* const old = style.shared_;
  if (style.IsDefaultStyle()) {
    TcxSSStyleRec& rec0 = *DefaultRecord();
    const int32_t count = rec0.RefCount;
    rec0 = style.rec_;
    rec0.Edges[eRight] = rec0.Edges[eLeft];
    rec0.Edges[eBottom] = rec0.Edges[eTop];
    rec0.RefCount = count;
    owner_.Listener().ViewChanged();
    return;
  }

  owner_.SetModified(true);
  TcxSSStyleRec* const shared = ShareStyle(style.rec_, old);
  if (shared == old) return;
  style.MoveTo(shared);

  if (kind != sckEdge || style.storage_ == nullptr || edge < 0 || edge > 3) return;
  if (propagating_) return;
  propagating_ = true;
  TScopeGuard guard([this] { propagating_ = false; });
  static constexpr int kDx[4] = {-1, 0, 1, 0};
  static constexpr int kDy[4] = {0, -1, 0, 1};
  const int col = style.col_ + kDx[edge];
  const int row = style.row_ + kDy[edge];
  if (col < 0 || row < 0) return;
  const TcxSSEdgeRec changed = style.rec_.Edges[static_cast<size_t>(edge)];
  TcxSSCellStyle neighbour(*this, style.storage_, col, row);
  neighbour.Borders().Edges((edge + 2) % 4).SetValues(changed.Style, changed.Color);
}

bool TcxSSStyleCache::CheckConsistency() const {
  if (styles_.empty() || fonts_.empty()) return false;
  const auto ownFont = [this](const TcxSSFontRec* font) {
    return std::any_of(fonts_.begin(), fonts_.end(),
                       [font](const auto& f) { return f.get() == font; });
  };
  const auto ownNumberFormat = [this](const TcxNumberFormat* format) {
    if (!format) return true;
    const auto found = numberFormatIndex_.find(format);
    return found != numberFormatIndex_.end() && *found == format;
  };
  if (styleIndex_.size() != styles_.size() - 1) return false;
  if (numberFormatIndex_.size() != numberFormats_.size()) return false;
  for (size_t i = 0; i < styles_.size(); ++i) {
    const TcxSSStyleRec* rec = styles_[i].get();
    if (!ownFont(rec->Font) || !ownNumberFormat(rec->NumberFormat)) return false;
    if (i == 0) continue;
    if (rec->RefCount < 1) return false;
    // Unique among records 1..n: the set finds exactly this record for its contents. (Record 0
    // may equal one of them after the default style was edited; it is compared first.)
    if (FindShared(*rec) != rec) return false;
  }
  for (size_t i = 0; i < fonts_.size(); ++i) {
    const TcxSSFontRec* font = fonts_[i].get();
    const auto first = std::find_if(fonts_.begin(), fonts_.end(),
                                    [font](const auto& f) { return TFontEqual()(font, f.get()); });
    const auto found = fontIndex_.find(KeyOf(*font));
    if (found == fontIndex_.end() || *found != first->get()) return false;
  }
  return fontIndex_.size() <= fonts_.size();
}
