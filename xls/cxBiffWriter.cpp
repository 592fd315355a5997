#include "xls/cxBiffWriter.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

bool FitsInBytes(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
}

// The characters of a BIFF8 string after its length field: the flags byte, then 8-bit
// ("compressed") characters when every one fits, else UTF-16.
void StringBody(TcxBiffWriter& w, std::u16string_view text) {
  if (FitsInBytes(text)) {
    w.U8(0);
    for (char16_t c : text) w.U8(static_cast<uint8_t>(c));
  } else {
    w.U8(1);
    w.Chars16(text);
  }
}

void CellHeader(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf) {
  w.U16(row);
  w.U16(col);
  w.U16(xf);
}

}  // namespace

void TcxBiffWriter::Chars16(std::u16string_view text) {
  const size_t at = bytes_.size();
  bytes_.resize(at + 2 * text.size());
  uint8_t* p = bytes_.data() + at;
  for (char16_t c : text) {
    *p++ = static_cast<uint8_t>(c);
    *p++ = static_cast<uint8_t>(c >> 8);
  }
}

void TcxBiffWriter::Record(uint16_t id, std::span<const uint8_t> data) {
  assert(data.size() <= kBiffMaxRecordData);
  U16(id);
  U16(static_cast<uint16_t>(data.size()));
  Append(data);
}

double DecodeRkValue(uint32_t rk) {
  double x;
  if (rk & 2) {
    x = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&x, &bits, sizeof x);
  }
  return (rk & 1) ? x / 100 : x;
}

bool EncodeRk(double x, uint32_t& rk) {
  const auto same = [](double a, double b) {
    uint64_t ba, bb;
    std::memcpy(&ba, &a, sizeof ba);
    std::memcpy(&bb, &b, sizeof bb);
    return ba == bb;
  };
  // Each candidate is accepted only when decoding it gives x back bit for bit, so a value is
  // never rounded on its way into the file (-0.0 and non-finite values stay NUMBER records).
  const auto tryInteger = [&](double v, uint32_t scaled) {
    if (!(v >= -536870912.0 && v <= 536870911.0) || v != std::floor(v)) return false;
    const uint32_t candidate =
        (static_cast<uint32_t>(static_cast<int32_t>(v)) << 2) | 2u | scaled;
    if (!same(DecodeRkValue(candidate), x)) return false;
    rk = candidate;
    return true;
  };
  const auto tryFloat = [&](double v, uint32_t scaled) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    if ((bits & 0x3FFFFFFFFull) != 0) return false;  // the low 34 bits do not fit
    const uint32_t candidate = static_cast<uint32_t>(bits >> 32) | scaled;
    if (!same(DecodeRkValue(candidate), x)) return false;
    rk = candidate;
    return true;
  };
  if (!std::isfinite(x)) return false;
  if (tryInteger(x, 0) || tryFloat(x, 0)) return true;
  const double hundred = x * 100;
  return std::isfinite(hundred) && (tryInteger(hundred, 1) || tryFloat(hundred, 1));
}

void WriteBof(TcxBiffWriter& w, uint16_t type) {
  const size_t at = w.BeginRecord(brBof);
  w.U16(0x0600);  // BIFF8
  w.U16(type);
  w.U16(0x0DBB);  // build
  w.U16(0x07CC);  // year
  w.U32(0x000000C9);  // file history flags
  w.U32(0x00000006);  // lowest BIFF version that can read all records
  w.EndRecord(at);
}

void WriteEof(TcxBiffWriter& w) { w.Record(brEof, {}); }

void WriteWindow1(TcxBiffWriter& w, uint16_t activeTab) {
  const size_t at = w.BeginRecord(brWindow1);
  w.U16(480);    // x, in twips
  w.U16(105);    // y
  w.U16(17100);  // width
  w.U16(9855);   // height
  w.U16(0x0038);  // scroll bars and the tab bar shown
  w.U16(activeTab);
  w.U16(activeTab);  // first tab shown
  w.U16(1);          // selected tabs
  w.U16(600);        // tab bar width ratio, per mille
  w.EndRecord(at);
}

void WriteFont(TcxBiffWriter& w, const TcxBiffFont& font) {
  const size_t at = w.BeginRecord(brFont);
  w.U16(font.Height);
  w.U16(font.Options);
  w.U16(font.Color);
  w.U16(font.Weight);
  w.U16(0);  // escapement
  w.U8(font.Underline);
  w.U8(0);  // family
  w.U8(font.Charset);
  w.U8(0);
  const std::u16string_view name =
      std::u16string_view(font.Name).substr(0, std::min<size_t>(font.Name.size(), 255));
  w.U8(static_cast<uint8_t>(name.size()));
  w.U8(1);  // UTF-16, as the template fonts are written
  w.Chars16(name);
  w.EndRecord(at);
}

void WriteFormat(TcxBiffWriter& w, uint16_t index, std::u16string_view text) {
  // Format strings are short (Excel keeps them to 255 characters); a longer one read from a
  // file is written whole as long as the record holds it.
  text = text.substr(0, std::min<size_t>(text.size(), (kBiffMaxRecordData - 5) / 2));
  const size_t at = w.BeginRecord(brFormat);
  w.U16(index);
  w.U16(static_cast<uint16_t>(text.size()));
  StringBody(w, text);
  w.EndRecord(at);
}

void WriteXf(TcxBiffWriter& w, std::span<const uint8_t, 20> data) { w.Record(brXf, data); }

void WritePalette(TcxBiffWriter& w, std::span<const uint32_t, 56> colors) {
  const size_t at = w.BeginRecord(brPalette);
  w.U16(56);
  for (uint32_t c : colors) w.U32(c & 0x00FFFFFF);
  w.EndRecord(at);
}

void WriteBuiltInStyle(TcxBiffWriter& w, uint16_t xf, uint8_t style) {
  const size_t at = w.BeginRecord(brStyle);
  w.U16(static_cast<uint16_t>(0x8000 | xf));
  w.U8(style);
  w.U8(0xFF);
  w.EndRecord(at);
}

void WriteBoundSheet(TcxBiffWriter& w, uint32_t position, uint8_t visibility, uint8_t type,
                     std::u16string_view name) {
  name = name.substr(0, std::min<size_t>(name.size(), 255));
  const size_t at = w.BeginRecord(brBoundSheet);
  w.U32(position);
  w.U8(visibility);
  w.U8(type);
  w.U8(static_cast<uint8_t>(name.size()));
  w.U8(1);
  w.Chars16(name);
  w.EndRecord(at);
}

void WriteNameRecord(TcxBiffWriter& w, uint16_t options, std::u16string_view name,
                     uint16_t sheet, std::span<const uint8_t> formula) {
  name = name.substr(0, std::min<size_t>(name.size(), 255));
  // The fixed fields, the name (two bytes a character at most) and the formula in one record.
  constexpr size_t kFixed = 15;
  static constexpr uint8_t kRefError[] = {0x1C, 0x17};
  if (kFixed + 2 * name.size() + formula.size() > kBiffMaxRecordData) formula = kRefError;
  const size_t at = w.BeginRecord(brName);
  w.U16(options);
  w.U8(0);  // keyboard shortcut
  w.U8(static_cast<uint8_t>(name.size()));
  w.U16(static_cast<uint16_t>(formula.size()));
  w.U16(0);  // not used
  w.U16(sheet);
  w.Zeros(4);  // menu, description, help and status texts: none
  StringBody(w, name);
  w.Append(formula);
  w.EndRecord(at);
}

void WriteProtect(TcxBiffWriter& w, bool value) {
  const size_t at = w.BeginRecord(brProtect);
  w.U16(value ? 1 : 0);
  w.EndRecord(at);
}

void WriteValueRecord(TcxBiffWriter& w, TcxBiffRecordId id, uint16_t value) {
  const size_t at = w.BeginRecord(id);
  w.U16(value);
  w.EndRecord(at);
}

void WriteAddInSupBook(TcxBiffWriter& w) {
  const size_t at = w.BeginRecord(brSupBook);
  w.U16(1);       // one "sheet"
  w.U16(0x3A01);  // the add-in marker in place of a path
  w.EndRecord(at);
}

void WriteAddInName(TcxBiffWriter& w, std::u16string_view name) {
  const bool wide = !FitsInBytes(name);
  const size_t at = w.BeginRecord(brExternName);
  w.U16(0);  // options: a plain add-in function name
  w.U32(0);  // reserved
  w.U8(static_cast<uint8_t>(name.size()));
  w.U8(wide ? 1 : 0);
  if (wide)
    w.Chars16(name);
  else
    for (char16_t c : name) w.U8(static_cast<uint8_t>(c));
  // Its formula: #REF!, as Excel writes it for add-in functions.
  w.U16(2);
  w.U8(0x1C);
  w.U8(0x17);
  w.EndRecord(at);
}

namespace {

// A string with a 16-bit (or, `shortCount`, 8-bit) character count: 8-bit characters when
// every one fits a byte, else UTF-16.
void UnicodeString(TcxBiffWriter& w, std::u16string_view text, bool withCount, bool shortCount) {
  const bool wide = !FitsInBytes(text);
  if (withCount) {
    if (shortCount)
      w.U8(static_cast<uint8_t>(text.size()));
    else
      w.U16(static_cast<uint16_t>(text.size()));
  }
  w.U8(wide ? 1 : 0);
  if (wide)
    w.Chars16(text);
  else
    for (char16_t c : text) w.U8(static_cast<uint8_t>(c));
}

}  // namespace

void WriteSupBook(TcxBiffWriter& w, std::u16string_view path,
                  std::span<const std::u16string> sheets) {
  const size_t at = w.BeginRecord(brSupBook);
  w.U16(static_cast<uint16_t>(sheets.size()));
  w.U16(static_cast<uint16_t>(path.size()));
  UnicodeString(w, path, false, false);
  for (const std::u16string& sheet : sheets) UnicodeString(w, sheet, true, false);
  w.EndRecord(at);
}

void WriteExternName(TcxBiffWriter& w, uint16_t options, uint16_t sheet, std::u16string_view name,
                     std::span<const uint8_t> definition) {
  const size_t at = w.BeginRecord(brExternName);
  w.U16(options);
  w.U16(sheet);
  w.U16(0);  // reserved
  UnicodeString(w, name, true, true);
  w.Append(definition);
  w.EndRecord(at);
}

void WriteIndex(TcxBiffWriter& w) {
  const size_t at = w.BeginRecord(brIndex);
  w.Zeros(16);
  w.EndRecord(at);
}

void WriteDimensions(TcxBiffWriter& w, uint32_t lastRowPlus1, uint16_t lastColPlus1) {
  const size_t at = w.BeginRecord(brDimensions);
  w.U32(0);
  w.U32(lastRowPlus1);
  w.U16(0);
  w.U16(lastColPlus1);
  w.U16(0);
  w.EndRecord(at);
}

void WriteWindow2(TcxBiffWriter& w, const TcxBiffWindow2& window) {
  const size_t at = w.BeginRecord(brWindow2);
  w.U16(window.Options);
  w.U16(window.TopRow);
  w.U16(window.LeftCol);
  w.U16(window.GridColor);
  w.U16(0);
  w.U16(window.PageBreakZoom);
  w.U16(window.NormalZoom);
  w.U32(0);
  w.EndRecord(at);
}

void WriteScl(TcxBiffWriter& w, uint16_t numerator, uint16_t denominator) {
  const size_t at = w.BeginRecord(brScl);
  w.U16(numerator);
  w.U16(denominator);
  w.EndRecord(at);
}

void WritePane(TcxBiffWriter& w, uint16_t x, uint16_t y, uint16_t topRow, uint16_t leftCol,
               uint8_t activePane) {
  const size_t at = w.BeginRecord(brPane);
  w.U16(x);
  w.U16(y);
  w.U16(topRow);
  w.U16(leftCol);
  w.U8(activePane);
  w.U8(0);
  w.EndRecord(at);
}

void WriteSelection(TcxBiffWriter& w, uint8_t pane, uint16_t activeRow, uint16_t activeCol,
                    uint16_t firstRow, uint16_t lastRow, uint8_t firstCol, uint8_t lastCol) {
  const size_t at = w.BeginRecord(brSelection);
  w.U8(pane);
  w.U16(activeRow);
  w.U16(activeCol);
  w.U16(0);  // the active cell's range: the first
  w.U16(1);  // one range
  w.U16(firstRow);
  w.U16(lastRow);
  w.U8(firstCol);
  w.U8(lastCol);
  w.EndRecord(at);
}

void WriteRefMode(TcxBiffWriter& w, bool r1c1) {
  const size_t at = w.BeginRecord(brRefMode);
  w.U16(r1c1 ? 0 : 1);
  w.EndRecord(at);
}

void WriteDefColWidth(TcxBiffWriter& w, uint16_t width) {
  const size_t at = w.BeginRecord(brDefColWidth);
  w.U16(width);
  w.U16(0);
  w.EndRecord(at);
}

void WriteStandardWidth(TcxBiffWriter& w, uint16_t width) {
  const size_t at = w.BeginRecord(brStandardWidth);
  w.U16(width);
  w.EndRecord(at);
}

void WriteDefaultRowHeight(TcxBiffWriter& w, uint16_t height, uint16_t options) {
  const size_t at = w.BeginRecord(brDefaultRowHeight);
  w.U16(options);
  w.U16(height);
  w.EndRecord(at);
}

void WriteColInfo(TcxBiffWriter& w, uint16_t col, uint16_t width, uint16_t xf, uint16_t options) {
  const size_t at = w.BeginRecord(brColInfo);
  w.U16(col);
  w.U16(col);
  w.U16(width);
  w.U16(xf);
  w.U16(options);
  w.U16(0);
  w.EndRecord(at);
}

void WriteRowRecord(TcxBiffWriter& w, uint16_t row, uint16_t height, uint16_t options,
                    uint16_t xf) {
  const size_t at = w.BeginRecord(brRow);
  w.U16(row);
  w.U16(0);    // first column
  w.U16(256);  // last column + 1
  w.U16(height);
  w.U16(0);
  w.U16(0);
  w.U16(options);
  w.U16(xf);
  w.EndRecord(at);
}

namespace {

// A cell record of fixed size built in place and appended in one step: most of a sheet's bytes
// are these.
template <size_t N>
class TCellRecord {
public:
  TCellRecord(uint16_t id, uint16_t row, uint16_t col, uint16_t xf) {
    Put16(0, id);
    Put16(2, static_cast<uint16_t>(N - kBiffRecordHeader));
    Put16(4, row);
    Put16(6, col);
    Put16(8, xf);
  }
  void Put16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<uint8_t>(v);
    bytes_[at + 1] = static_cast<uint8_t>(v >> 8);
  }
  void Put32(size_t at, uint32_t v) {
    Put16(at, static_cast<uint16_t>(v));
    Put16(at + 2, static_cast<uint16_t>(v >> 16));
  }
  void Put8(size_t at, uint8_t v) { bytes_[at] = v; }
  void AppendTo(TcxBiffWriter& w) const { w.Append(bytes_); }

private:
  std::array<uint8_t, N> bytes_{};
};

}  // namespace

void WriteBlank(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf) {
  TCellRecord<10>(brBlank, row, col, xf).AppendTo(w);
}

void WriteNumber(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, double value) {
  TCellRecord<18> r(brNumber, row, col, xf);
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  r.Put32(10, static_cast<uint32_t>(bits));
  r.Put32(14, static_cast<uint32_t>(bits >> 32));
  r.AppendTo(w);
}

void WriteRk(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, uint32_t rk) {
  TCellRecord<14> r(brRk, row, col, xf);
  r.Put32(10, rk);
  r.AppendTo(w);
}

void WriteLabelSst(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, uint32_t index) {
  TCellRecord<14> r(brLabelSst, row, col, xf);
  r.Put32(10, index);
  r.AppendTo(w);
}

void WriteBoolErr(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf, uint8_t value,
                  bool isError) {
  TCellRecord<12> r(brBoolErr, row, col, xf);
  r.Put8(10, value);
  r.Put8(11, isError ? 1 : 0);
  r.AppendTo(w);
}

void WriteFormula(TcxBiffWriter& w, uint16_t row, uint16_t col, uint16_t xf,
                  std::span<const uint8_t, 8> result, uint16_t options,
                  std::span<const uint8_t> tokens, std::span<const uint8_t> extra) {
  const size_t at = w.BeginRecord(brFormula);
  CellHeader(w, row, col, xf);
  w.Append(result);
  w.U16(options);
  w.U32(0);  // reserved
  w.U16(static_cast<uint16_t>(tokens.size()));
  w.Append(tokens);
  w.Append(extra);
  w.EndRecord(at);
}

void WriteString(TcxBiffWriter& w, std::u16string_view text) {
  const bool wide = !FitsInBytes(text);
  const size_t unit = wide ? 2 : 1;
  size_t at = w.BeginRecord(brString);
  w.U16(static_cast<uint16_t>(text.size()));
  w.U8(wide ? 1 : 0);
  size_t room = (kBiffMaxRecordData - 3) / unit;
  for (;;) {
    const std::u16string_view part = text.substr(0, std::min(room, text.size()));
    if (wide) {
      w.Chars16(part);
    } else {
      for (char16_t c : part) w.U8(static_cast<uint8_t>(c));
    }
    text.remove_prefix(part.size());
    w.EndRecord(at);
    if (text.empty()) return;
    // The characters go on in a CONTINUE record that starts with its own flags byte.
    at = w.BeginRecord(brContinue);
    w.U8(wide ? 1 : 0);
    room = (kBiffMaxRecordData - 1) / unit;
  }
}

void WriteMergedCells(TcxBiffWriter& w, std::span<const TcxBiffRange> ranges) {
  constexpr size_t kPerRecord = 1024;
  while (!ranges.empty()) {
    const auto part = ranges.first(std::min(ranges.size(), kPerRecord));
    const size_t at = w.BeginRecord(brMergedCells);
    w.U16(static_cast<uint16_t>(part.size()));
    for (const TcxBiffRange& r : part) {
      w.U16(r.FirstRow);
      w.U16(r.LastRow);
      w.U16(r.FirstCol);
      w.U16(r.LastCol);
    }
    w.EndRecord(at);
    ranges = ranges.subspan(part.size());
  }
}
