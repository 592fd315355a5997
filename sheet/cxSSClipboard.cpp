#include "sheet/cxSSClipboard.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSNumberFormat.h"
#include "calc/cxSSStrings.h"
#include "platform/Clipboard.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSActions.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSListener.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"

// --- TcxSSClipboard -------------------------------------------------------------------------------

std::string TcxSSClipboard::GetPrivateData() const {
  return clipboard_.PrivateData().value_or(std::string());
}

std::string TcxSSClipboard::GetUnicodeText() const {
  std::string text = clipboard_.Text().value_or(std::string());
  if (!text.empty() && text.back() != '\r' && text.back() != '\n') text += "\r\n";
  return text;
}

void TcxSSClipboard::SetContents(const std::string& privateData, const std::string& text) {
  std::string block = privateData;
  block.push_back('\0');
  clipboard_.SetContents(block, text);
}

namespace {

constexpr uint8_t kPayloadText = 0;
constexpr uint8_t kPayloadFormula = 1;
constexpr uint8_t kPayloadNumber = 2;
// A formula of an array formula or data table copied whole: the tokens, then the block's kind
// and its rectangle counted from the copied rectangle's first cell.
constexpr uint8_t kPayloadBlockFormula = 3;
// A formula the workbook cannot calculate, with the value its file stored: the tokens as for a
// formula, then the sheet, column and row it stood at (16, 32, 32 bits) and the value (a
// result token string, 32-bit length first). A reader that does not know the kind takes the
// cell's text.
constexpr uint8_t kPayloadKeptFormula = 4;

// Appends little-endian values to a block.
class TBlockWriter {
public:
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) U8(static_cast<uint8_t>(u >> shift));
  }
  void F64(double v) {
    const auto u = std::bit_cast<uint64_t>(v);
    for (int shift = 0; shift < 64; shift += 8) U8(static_cast<uint8_t>(u >> shift));
  }
  void Bytes(const void* data, size_t size) { out_.append(static_cast<const char*>(data), size); }
  void Text(const std::string& text) {
    I32(static_cast<int32_t>(text.size()));
    Bytes(text.data(), text.size());
  }
  void Rect(const TRect& r) {
    I32(r.Left);
    I32(r.Top);
    I32(r.Right);
    I32(r.Bottom);
  }
  std::string& Out() { return out_; }

private:
  std::string out_;
};

// Reads little-endian values from a block. A read past the end fails, and once failed the
// reader stays failed and answers zeros, so damaged data can never be read past its end.
class TBlockReader {
public:
  TBlockReader(const char* data, size_t size) : data_(data), size_(size) {}
  bool Ok() const { return ok_; }
  size_t Left() const { return ok_ ? size_ - pos_ : 0; }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return static_cast<uint8_t>(data_[pos_++]);
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | (U8() << 8));
  }
  int32_t I32() {
    if (!Need(4)) return 0;
    uint32_t u = 0;
    for (int shift = 0; shift < 32; shift += 8) u |= static_cast<uint32_t>(U8()) << shift;
    return static_cast<int32_t>(u);
  }
  double F64() {
    if (!Need(8)) return 0;
    uint64_t u = 0;
    for (int shift = 0; shift < 64; shift += 8) u |= static_cast<uint64_t>(U8()) << shift;
    return std::bit_cast<double>(u);
  }
  std::string Bytes(size_t size) {
    if (!Need(size)) return {};
    std::string result(data_ + pos_, size);
    pos_ += size;
    return result;
  }
  std::string Text() {
    const int32_t size = I32();
    if (size < 0) {
      ok_ = false;
      return {};
    }
    return Bytes(static_cast<size_t>(size));
  }
  TRect Rect() {
    TRect r;
    r.Left = I32();
    r.Top = I32();
    r.Right = I32();
    r.Bottom = I32();
    return r;
  }

private:
  bool Need(size_t size) {
    if (ok_ && size <= size_ - pos_) return true;
    ok_ = false;
    return false;
  }
  const char* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// One cell as the block carries it.
struct TCellPayload {
  TcxSSStyleRec Style;  // Font unused
  TcxSSFontRec Font;
  uint8_t Kind = kPayloadText;
  double Number = 0;
  TcxTokenString Tokens;
  TcxFormulaBlock Block;  // kPayloadBlockFormula
  // A kept formula: where it stood and the value its file stored.
  int KeptSheet = 0;
  int KeptCol = 0;
  int KeptRow = 0;
  TcxTokenString KeptResult;
  std::string Text;
  // The number format code, after the fields above, and the built-in index a file gave it.
  bool HasFormatCode = false;
  std::string FormatCode;
  uint16_t FormatBuiltIn = TcxNumberFormat::kNoBuiltIn;
};

void WritePayload(TBlockWriter& out, const TcxSSCellRec& cell, const TRect& copied) {
  const TcxSSStyleRec& style = *cell.Style;
  out.U16(style.Format);
  out.U8(style.HorzTextAlign);
  out.U8(style.VertTextAlign);
  out.U8(style.WordBreak ? 1 : 0);
  out.U8(style.Reserved);
  out.U8(style.BrushStyle);
  out.U16(style.ForegroundColor);
  out.U16(style.BackgroundColor);
  const TcxSSFontRec& font = *style.Font;
  out.Text(font.Name);
  out.U16(font.FontColor);
  out.U8(font.Style);
  out.U8(font.Charset);
  out.U8(static_cast<uint8_t>(font.Size()));
  for (const TcxSSEdgeRec& edge : style.Edges) {
    out.U8(edge.Style);
    out.U16(edge.Color);
  }
  out.U8(style.Flags);
  std::string text = cell.Text;
  if (cell.Kind == ckNumber) {
    out.U8(kPayloadNumber);
    out.F64(cell.Number);
  } else if (cell.Kind == ckFormula && cell.Formula && cell.Formula->Block.Kind == fbTable) {
    // A data table's cells hold what Excel's recalculation of the table gave; the workbook
    // cannot work them out for other inputs, so a copy carries the values, as Excel pastes them.
    const TcxSSFormula& formula = *cell.Formula;
    TcxResultValue value = ReadResult(formula.Result);
    if (value.Kind == rkNone && formula.File) value = ReadResult(formula.File->Result);
    if (value.Kind == rkNumber) {
      out.U8(kPayloadNumber);
      out.F64(value.Number);
    } else {
      out.U8(kPayloadText);
    }
    text = value.Kind == rkText   ? value.Text
           : value.Kind == rkBool ? std::string(BoolToText(value.Bool))
           : value.Kind == rkError ? std::string(ErrorToText(value.Error))
                                   : std::string();
  } else if (cell.Kind == ckFormula && cell.Formula && !cell.Formula->Tokens.empty() &&
             cell.Formula->Tokens.size() <= 0xFFFF) {
    const TcxSSFormula& formula = *cell.Formula;
    const TcxFormulaBlock& block = formula.Block;
    const TRect& b = block.Cells;
    const bool whole = block.Kind != fbNone && copied.Left <= b.Left && b.Right <= copied.Right &&
                       copied.Top <= b.Top && b.Bottom <= copied.Bottom;
    const bool kept =
        !whole && formula.KeepsResult && formula.File && !formula.File->Result.empty();
    out.U8(whole ? kPayloadBlockFormula : kept ? kPayloadKeptFormula : kPayloadFormula);
    out.U16(static_cast<uint16_t>(formula.Tokens.size()));
    out.Bytes(formula.Tokens.data(), formula.Tokens.size());
    if (whole) {
      out.U8(block.Kind);
      out.Rect({b.Left - copied.Left, b.Top - copied.Top, b.Right - copied.Left,
                b.Bottom - copied.Top});
    }
    if (kept) {
      out.U16(formula.Sheet);
      out.I32(formula.Col);
      out.I32(formula.Row);
      const TcxTokenString& result = formula.File->Result;
      out.Text(std::string(result.begin(), result.end()));
    }
  } else {
    out.U8(kPayloadText);
  }
  out.Text(text);
  // A cell's own format code travels after the fields every reader of the block knows, and
  // after it the rest of the text's placement and the exact font size, when they are not the
  // plain ones (an empty code without a built-in index stands for "no code" then).
  const bool extras = style.Rotation != 0 || style.Indent != 0 || style.TextDirection != tdContext ||
                      style.JustifyLastLine || font.Height % 20 != 0;
  if (style.NumberFormat) {
    out.Text(style.NumberFormat->Code());
    out.U16(style.NumberFormat->BuiltIn());
  } else if (extras) {
    out.Text("");
    out.U16(TcxNumberFormat::kNoBuiltIn);
  }
  if (extras) {
    out.U8(style.Rotation);
    out.U8(style.Indent);
    out.U8(style.TextDirection);
    out.U8(style.JustifyLastLine ? 1 : 0);
    out.U16(static_cast<uint16_t>(font.Height));
  }
}

bool ReadPayload(TBlockReader& in, TCellPayload& cell) {
  TcxSSStyleRec& style = cell.Style;
  style.Format = in.U16();
  style.HorzTextAlign = static_cast<TcxHorzTextAlign>(std::min<uint8_t>(in.U8(), haDISTRIBUTED));
  style.VertTextAlign = static_cast<TcxVertTextAlign>(std::min<uint8_t>(in.U8(), vaDISTRIBUTED));
  style.WordBreak = in.U8() != 0;
  style.Reserved = in.U8();
  style.BrushStyle = static_cast<TcxSSFillStyle>(std::min<uint8_t>(in.U8(), fsThinThickCrossHatch));
  style.ForegroundColor = in.U16();
  style.BackgroundColor = in.U16();
  cell.Font.Name = in.Text();
  cell.Font.FontColor = in.U16();
  cell.Font.Style = in.U8();
  cell.Font.Charset = in.U8();
  cell.Font.Height = TcxSSFontRec::HeightOfSize(static_cast<int8_t>(in.U8()));
  for (TcxSSEdgeRec& edge : style.Edges) {
    edge.Style = static_cast<TcxSSEdgeLineStyle>(std::min<uint8_t>(in.U8(), lsNone));
    edge.Color = in.U16();
  }
  style.Flags = in.U8();
  cell.Kind = in.U8();
  if (cell.Kind == kPayloadNumber) cell.Number = in.F64();
  if (cell.Kind == kPayloadFormula || cell.Kind == kPayloadBlockFormula ||
      cell.Kind == kPayloadKeptFormula) {
    const std::string tokens = in.Bytes(in.U16());
    cell.Tokens.assign(tokens.begin(), tokens.end());
  }
  if (cell.Kind == kPayloadBlockFormula) {
    const uint8_t kind = in.U8();
    cell.Block.Kind = kind == fbArray ? fbArray : kind == fbTable ? fbTable : fbNone;
    cell.Block.Cells = in.Rect();
    cell.Kind = kPayloadFormula;
  }
  if (cell.Kind == kPayloadKeptFormula) {
    cell.KeptSheet = in.U16();
    cell.KeptCol = in.I32();
    cell.KeptRow = in.I32();
    const std::string result = in.Text();
    cell.KeptResult.assign(result.begin(), result.end());
  }
  cell.Text = in.Text();
  if (in.Ok() && in.Left() > 0) {
    cell.FormatCode = in.Text();
    cell.FormatBuiltIn = in.U16();
    cell.HasFormatCode = !cell.FormatCode.empty() || cell.FormatBuiltIn != TcxNumberFormat::kNoBuiltIn;
  }
  if (in.Ok() && in.Left() > 0) {
    const uint8_t rotation = in.U8();
    style.Rotation = rotation <= 180 || rotation == kRotationStacked ? rotation : 0;
    style.Indent = std::min(in.U8(), kMaxIndent);
    style.TextDirection = static_cast<TcxTextDirection>(std::min<uint8_t>(in.U8(), tdRightToLeft));
    style.JustifyLastLine = in.U8() != 0;
    const auto height = static_cast<int16_t>(in.U16());
    // The whole points above stay the size unless the height is one of them.
    if ((height + 10) / 20 == cell.Font.Size()) cell.Font.Height = height;
  }
  return in.Ok();
}

// Whether a pasted formula reads the very cells its source read: then a formula the workbook
// cannot calculate has the value its source had. Each reference names the same cells (a
// relative one pasted elsewhere does not, nor one of the sheet's own pasted onto another sheet);
// names and array constants are taken as they are only at the source's own place.
bool ReadsTheSameCells(const TcxTokenString& source, int sheet, int col, int row,
                       const TcxSSFormula& pasted) {
  if (source.size() != pasted.Tokens.size()) return false;
  const bool samePlace = sheet == pasted.Sheet && col == pasted.Col && row == pasted.Row;
  for (size_t pos = 0; pos < source.size();) {
    const size_t size = TokenSizeAt(source, pos);
    if (size == 0) return false;
    const uint8_t* a = source.data() + pos;
    const uint8_t* b = pasted.Tokens.data() + pos;
    pos += size;
    switch (a[0]) {
      case ptgRef:
      case ptgArea:
      case ptgRef3d:
      case ptgArea3d: {
        const TcxReferenceCells x = ReferenceCells(a, sheet, col, row);
        const TcxReferenceCells y = ReferenceCells(b, pasted.Sheet, pasted.Col, pasted.Row);
        if (x.Sheet != y.Sheet || x.FirstCol != y.FirstCol || x.FirstRow != y.FirstRow ||
            x.LastCol != y.LastCol || x.LastRow != y.LastRow)
          return false;
        break;
      }
      case ptgName:
      case ptgRefList:
        if (!samePlace) return false;
        break;
      default:
        if (!std::equal(a, a + size, b)) return false;
        break;
    }
  }
  return true;
}

// Puts a payload into a cell: the look through the cell's style (a read-only flag of the target
// must not block it, so the working flags are cleared first), then the value.
void ApplyPayload(TcxSSBookSheet& sheet, int col, int row, const TCellPayload& cell,
                  TPoint offset, const TRect& target) {
  TcxSSDataStorage& storage = sheet.DataStorage();
  TcxCustomSpreadSheetBook& book = sheet.Owner();
  {
    const std::unique_ptr<TcxSSCellStyle> style = storage.GetCellStyleObject(col, row);
    TcxSSStyleRec& rec = style->Rec();
    rec.Flags = 0;
    rec.Format = cell.Style.Format;
    rec.NumberFormat = cell.HasFormatCode
                           ? style->Cache().GetNumberFormat(cell.FormatCode, cell.FormatBuiltIn)
                           : nullptr;
    rec.HorzTextAlign = cell.Style.HorzTextAlign;
    rec.VertTextAlign = cell.Style.VertTextAlign;
    rec.WordBreak = cell.Style.WordBreak;
    rec.Rotation = cell.Style.Rotation;
    rec.Indent = cell.Style.Indent;
    rec.TextDirection = cell.Style.TextDirection;
    rec.JustifyLastLine = cell.Style.JustifyLastLine;
    rec.Reserved = cell.Style.Reserved;
    rec.BrushStyle = cell.Style.BrushStyle;
    rec.ForegroundColor = cell.Style.ForegroundColor;
    rec.BackgroundColor = cell.Style.BackgroundColor;
    style->Font().SetValuesOfHeight(cell.Font.Name, cell.Font.Height, cell.Font.FontColor,
                                    cell.Font.Charset, cell.Font.Style);
    for (int edge = 0; edge < 4; ++edge)
      style->Borders().Edges(edge).SetValues(cell.Style.Edges[static_cast<size_t>(edge)].Style,
                                             cell.Style.Edges[static_cast<size_t>(edge)].Color);
    style->SetFlags(cell.Style.Flags);
  }

  if (cell.Kind == kPayloadNumber) {
    storage.SetCellNumber(col, row, cell.Number);
    return;
  }
  TcxSSFormulasCache& engine = book.FormulasCache();
  const TcxSSCellRec& own = storage.OwnCell(col, row);
  TcxSSFormula* const oldFormula = own.Kind == ckFormula ? own.Formula : nullptr;
  TcxSSCellRec value;
  value.Style = own.Style;
  value.Kind = ckText;
  value.Text = cell.Text;
  if (cell.Kind == kPayloadFormula || cell.Kind == kPayloadKeptFormula) {
    auto record = std::make_unique<TcxSSFormula>();
    record->Sheet = static_cast<uint16_t>(std::max(sheet.Index(), 0));
    record->Col = col;
    record->Row = row;
    record->Tokens = cell.Tokens;
    // A block copied whole lands as a block; its cells all come with it.
    if (cell.Block.Kind != fbNone) {
      const TRect& b = cell.Block.Cells;
      const TRect moved{b.Left + target.Left, b.Top + target.Top, b.Right + target.Left,
                        b.Bottom + target.Top};
      if (b.Left >= 0 && b.Top >= 0 && moved.Right <= target.Right && moved.Bottom <= target.Bottom &&
          moved.Left <= col && col <= moved.Right && moved.Top <= row && row <= moved.Bottom)
        record->Block = {cell.Block.Kind, moved};
    }
    TcxSSFormula* formula = engine.Add(std::move(record));
    // Checked where it lands, before the sheet references move: a relative reference that
    // would point before the first row or column makes the cell "#REF!".
    if (engine.ValidateReferences(*formula)) {
      engine.ShiftSheetReferences(*formula, offset.Y, offset.X);
      // A copy of a formula the workbook cannot calculate keeps the value of its source when
      // it reads the same cells; otherwise its value is unknown, as that of a typed one.
      if (cell.Kind == kPayloadKeptFormula && formula->KeepsResult &&
          ReadsTheSameCells(cell.Tokens, cell.KeptSheet, cell.KeptCol, cell.KeptRow, *formula)) {
        auto file = std::make_shared<TcxFileFormula>();
        file->Sheet = formula->Sheet;
        file->Col = col;
        file->Row = row;
        file->Result = cell.KeptResult;
        formula->File = std::move(file);
      }
      value.Kind = ckFormula;
      value.Formula = formula;
      value.Text = engine.FormulaText(*formula);
    } else {
      engine.RemoveFormula(formula);
      value.Text = std::string(ErrorToText(ecRef));
    }
    try {
      storage.SetCell(col, row, value);
    } catch (...) {
      if (value.Formula && storage.OwnCell(col, row).Formula != value.Formula)
        engine.RemoveFormula(value.Formula);
      throw;
    }
  } else {
    storage.SetCell(col, row, value);
  }
  if (oldFormula && storage.OwnCell(col, row).Formula != oldFormula) engine.RemoveFormula(oldFormula);
}

}  // namespace

// --- Workbook: the private block ---------------------------------------------------------------------

std::string TcxCustomSpreadSheetBook::CopyClipboardCells(TcxSSBookSheet& sheet, const TRect& cells) {
  const TcxSSDataStorage& storage = sheet.DataStorage();
  History().Lock();
  TScopeGuard unlock([this] { History().Unlock(); });
  TBlockWriter out;
  out.Rect(cells);
  const TcxSSRectsArray merged = storage.MergedCells().GetIntersecting(
      {cells.Left, cells.Top, cells.Right + 1, cells.Bottom + 1});
  out.I32(static_cast<int32_t>(merged.size()));
  for (const TRect& area : merged) out.Rect(area);
  TBlockWriter payload;
  for (int col = cells.Left; col <= cells.Right; ++col)
    for (int row = cells.Top; row <= cells.Bottom; ++row) {
      payload.Out().clear();
      WritePayload(payload, storage.OwnCell(col, row), cells);
      out.Text(payload.Out());
    }
  return std::move(out.Out());
}

bool TcxCustomSpreadSheetBook::PasteClipboardCells(TcxSSBookSheet& sheet, int col, int row,
                                                   TRect& pasted) {
  const std::string data = TcxSSClipboard(*Environment().Clipboard).GetPrivateData();
  if (data.empty()) return false;
  TBlockReader in(data.data(), data.size());
  const TRect source = in.Rect();
  // Every cell takes at least its length field: a rectangle larger than the block can hold
  // is damaged data, not a reason to loop over billions of cells.
  const int64_t width = int64_t(source.Right) - source.Left + 1;
  const int64_t height = int64_t(source.Bottom) - source.Top + 1;
  if (!in.Ok() || source.Left < 0 || source.Top < 0 || width <= 0 || height <= 0 ||
      width * height > static_cast<int64_t>(in.Left() / 4) ||
      int64_t(col) + width - 1 > INT32_MAX || int64_t(row) + height - 1 > INT32_MAX)
    return false;
  const TRect target{col, row, col + static_cast<int>(width - 1), row + static_cast<int>(height - 1)};
  TcxSSDataStorage& storage = sheet.DataStorage();
  TcxSSMergedCellsStorage& mergedCells = storage.MergedCells();
  const TcxSSRectsArray previousMerged = mergedCells.GetAll();

  TryFinally(
      [&] {
        if (mergedCells.IntersectsAny({target.Left, target.Top, target.Right + 1, target.Bottom + 1}))
          throw ESpreadSheetError(std::string(kCannotChangePartOfMerged));
        if (sheet.CutsBlock(target)) throw ESpreadSheetError(std::string(kCannotChangePartOfArray));
        const TPoint offset{col - source.Left, row - source.Top};
        const int32_t count = in.I32();
        if (count < 0 || static_cast<size_t>(count) > in.Left() / 16) return;
        TcxSSRectsArray moved;
        for (int32_t i = 0; i < count; ++i) {
          TRect area = in.Rect();
          const int64_t left = int64_t(area.Left) + offset.X, top = int64_t(area.Top) + offset.Y;
          const int64_t right = int64_t(area.Right) + offset.X, bottom = int64_t(area.Bottom) + offset.Y;
          if (left < 0 || top < 0 || right <= left || bottom <= top || right > INT32_MAX ||
              bottom > INT32_MAX)
            continue;
          moved.push_back({static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                           static_cast<int>(bottom)});
        }
        if (!in.Ok()) return;

        for (int c = 0; c < width; ++c)
          for (int r = 0; r < height; ++r) {
            const int32_t size = in.I32();
            if (!in.Ok() || size < 0 || static_cast<size_t>(size) > in.Left()) return;
            const std::string bytes = in.Bytes(static_cast<size_t>(size));
            TBlockReader cellIn(bytes.data(), bytes.size());
            TCellPayload cell;
            if (!ReadPayload(cellIn, cell)) continue;
            const int x = target.Left + c;
            const int y = target.Top + r;
            if (sheet.CanChangeCell(x, y)) ApplyPayload(sheet, x, y, cell, offset, target);
          }

        pasted = target;
        // An area that reaches beyond the target onto an area of the sheet stays out: merged
        // areas never overlap.
        for (const TRect& area : moved) {
          if (!mergedCells.IntersectsAny(area)) mergedCells.Add(area);
        }
      },
      [&] {
        if (previousMerged != mergedCells.GetAll() && !History().IsLocked())
          if (auto* action = History().AddAction<TcxMergedAreasAction>())
            action->Init(sheet, previousMerged);
        TRect area;
        if (storage.GetMergedRect({target.Left, target.Top}, area)) sheet.SetSelection(area);
      });
  pasted = target;
  return true;
}

// --- Sheet: copy and paste ----------------------------------------------------------------------------

void TcxSSBookSheet::CopyCells(const TRect& cells, bool cut) {
  if (cells.Right < cells.Left || cells.Bottom < cells.Top) return;
  TcxCustomSpreadSheetBook& book = owner_;
  const TcxSSDataStorage& storage = DataStorage();
  std::string text;
  for (int row = cells.Top; row <= cells.Bottom; ++row) {
    if (row > cells.Top) text += "\r\n";
    for (int col = cells.Left; col <= cells.Right; ++col) {
      if (col > cells.Left) text += '\t';
      text += storage.OwnCell(col, row).Text;
    }
  }
  std::string block = book.CopyClipboardCells(*this, cells);
  block += "\r\n";
  TcxSSClipboard(*book.Environment().Clipboard).SetContents(block, text + "\r\n");

  if (!cut || !CanChangeRange(cells)) return;
  TcxSpreadSheetHistory& history = book.History();
  const TcxSSRectsArray merged = storage.MergedCells().GetAll();
  const bool opened = history.BeginComplex(kCutCells);
  TryFinally(
      [&] {
        DataStorage().ClearCells(cells, false);
        // A clear handler may have asked for the formats (and so the merged areas) to go too.
        if (merged != storage.MergedCells().GetAll())
          if (auto* action = history.AddAction<TcxMergedAreasAction>()) action->Init(*this, merged);
      },
      [&] {
        if (opened) history.EndComplex();
      });
}

namespace {

// Pastes plain text at (left, top): TAB moves to the next column, CR (with an LF right after
// it) to the next row, a lone LF stays in the cell. The text's last character, a CR or LF, is
// never read. Returns the area reached.
TRect PasteText(TcxSSBookSheet& sheet, const std::string& text, int left, int top) {
  TcxSSDataStorage& storage = sheet.DataStorage();
  int col = left;
  int row = top;
  int maxCol = left;
  auto write = [&](const std::string& value) {
    if (!sheet.CanChangeCell(col, row)) return;
    TcxSSCellObject cell(storage, col, row);
    cell.SetText(value);
  };
  const size_t end = text.empty() ? 0 : text.size() - 1;
  size_t i = 0;
  while (i < end) {
    const char ch = text[i];
    if (ch != '\t' && ch != '\r' && ch != '\n') {
      size_t j = i;
      while (j < end && text[j] != '\t' && text[j] != '\r' && text[j] != '\n') ++j;
      write(text.substr(i, j - i));
      i = j;
      continue;
    }
    size_t next = i + 1;
    if (ch == '\r' && text[next] == '\n') ++next;
    const bool endsText = next >= end;
    if (ch == '\t') {
      ++col;
    } else if (ch == '\r' && !endsText) {
      ++row;
      col = left;
    }
    maxCol = std::max(maxCol, col);
    if (!endsText) write(std::string());
    i = next;
  }
  return {left, top, maxCol, row};
}

}  // namespace

void TcxSSBookSheet::PasteCells(const TRect& target) {
  const int col = target.Left;
  const int row = target.Top;
  if (!CanChangeCell(col, row)) return;
  TcxCustomSpreadSheetBook& book = owner_;
  if (!book.Listener().EditingRequest(*this, col, row)) return;
  TcxSpreadSheetHistory& history = book.History();
  const bool opened = history.BeginComplex(kPasteCells);
  TScopeGuard closeStep([&] {
    if (opened) history.EndComplex();
  });
  book.BeginUpdate();
  TRect changed{col, row, col, row};
  TryFinally(
      [&] {
        if (book.PasteClipboardCells(*this, col, row, changed)) return;
        const std::string text = TcxSSClipboard(*book.Environment().Clipboard).GetUnicodeText();
        changed = PasteText(*this, text, col, row);
      },
      [&] {
        TryFinally(
            [&] {
              if (book.OnEndEdit) book.OnEndEdit(book);
              CellsChanged(changed);
            },
            [&] { book.EndUpdate(); });
        book.UpdateControl();
      });
}
