#include "xls/cxBiffRecords.h"

#include <algorithm>
#include <cstring>

#include "styles/cxSSStyleTypes.h"
#include "xls/cxExcelConst.h"

bool ReadBof(TcxBiffRecord& record, TcxBofRecord& bof) {
  bof.Version = record.ReadU16();
  bof.Type = record.ReadU16();
  return record.Ok();
}

bool ReadBoundSheet(TcxBiffRecord& record, TcxBoundSheetRecord& sheet) {
  sheet.Offset = record.ReadU32();
  sheet.Visibility = record.ReadU8();
  sheet.Type = record.ReadU8() & 0x03;
  sheet.Name = record.ReadString8();
  return record.Ok();
}

uint8_t FontStyleOfUnderline(uint8_t code) {
  switch (code) {
    case buNone: return 0;
    case buDouble: return kFontUnderline | kFontUnderlineDouble;
    case buSingleAccounting: return kFontUnderline | kFontUnderlineAccounting;
    case buDoubleAccounting: return kFontUnderline | kFontUnderlineDouble | kFontUnderlineAccounting;
    default: return kFontUnderline;  // single, and codes no program writes
  }
}

TcxBiffUnderline UnderlineOfFontStyle(uint8_t style) {
  if (!(style & kFontUnderline)) return buNone;
  const bool doubled = (style & kFontUnderlineDouble) != 0;
  if (style & kFontUnderlineAccounting) return doubled ? buDoubleAccounting : buSingleAccounting;
  return doubled ? buDouble : buSingle;
}

bool ReadFont(TcxBiffRecord& record, TcxFontRecord& font) {
  font.Height = record.ReadU16();
  font.Options = record.ReadU16();
  font.Color = record.ReadU16();
  font.Weight = record.ReadU16();
  record.Skip(2);  // escapement
  font.Underline = record.ReadU8();
  record.Skip(1);  // family
  font.Charset = record.ReadU8();
  record.Skip(1);
  font.Name = record.ReadString8();
  return record.Ok();
}

bool ReadFormat(TcxBiffRecord& record, TcxFormatRecord& format) {
  format.Index = record.ReadU16();
  format.Text = record.ReadString16();
  return record.Ok();
}

bool ReadXf(TcxBiffRecord& record, TcxXfRecord& xf) {
  xf.Font = record.ReadU16();
  xf.Format = record.ReadU16();
  xf.Protection = record.ReadU16();
  xf.Alignment = record.ReadU8();
  xf.Rotation = record.ReadU8();
  xf.Indent = record.ReadU8();
  xf.UsedAttributes = record.ReadU8();
  xf.BorderStyles = record.ReadU16();
  xf.BorderColors = record.ReadU16();
  xf.Fill = record.ReadU32();
  xf.PatternColors = record.ReadU16();
  return record.Ok();
}

bool ReadPalette(TcxBiffRecord& record, TcxPaletteRecord& palette) {
  const size_t count = std::min<size_t>(record.ReadU16(), record.Remaining() / 4);
  palette.Colors.resize(count);
  for (auto& color : palette.Colors) color = record.ReadU32();
  return record.Ok();
}

bool ReadColInfo(TcxBiffRecord& record, TcxColInfoRecord& info) {
  info.First = record.ReadU16();
  info.Last = record.ReadU16();
  info.Width = record.ReadU16();
  info.Xf = record.ReadU16();
  info.Options = record.ReadU16();
  return record.Ok();
}

bool ReadRow(TcxBiffRecord& record, TcxRowRecord& row) {
  row.Row = record.ReadU16();
  record.Skip(4);  // first and last column
  row.Height = record.ReadU16();
  record.Skip(4);
  row.Options = record.ReadU32();
  return record.Ok();
}

bool ReadMergedCells(TcxBiffRecord& record, std::vector<TcxCellRange>& ranges) {
  ranges.clear();
  const size_t count = record.ReadU16();
  if (count > record.Remaining() / 8) {
    record.Fail();
    return false;
  }
  ranges.resize(count);
  for (auto& range : ranges) {
    range.FirstRow = record.ReadU16();
    range.LastRow = record.ReadU16();
    range.FirstCol = record.ReadU16();
    range.LastCol = record.ReadU16();
  }
  return record.Ok();
}

bool ReadName(TcxBiffRecord& record, TcxNameRecord& name) {
  name.Options = record.ReadU16();
  record.Skip(1);  // keyboard shortcut
  const uint8_t length = record.ReadU8();
  const uint16_t formulaLength = record.ReadU16();
  record.Skip(2);
  name.Sheet = record.ReadU16();
  record.Skip(4);  // menu, description, help and status text lengths
  const uint8_t flags = record.ReadU8();
  name.Name = record.ReadChars(length, (flags & 0x01) != 0);
  if (name.Options & 0x0020) {
    // A built-in name is stored as its one-character code.
    const unsigned code = name.Name.size() == 1 ? static_cast<unsigned char>(name.Name[0]) : 0xFF;
    name.Name = code < std::size(kBuiltInNames) ? std::string(kBuiltInNames[code])
                                                : "Built_in_" + std::to_string(code);
  }
  // The formula follows the name's characters as stored (two bytes each when flagged 16-bit).
  record.ReadBytes(formulaLength, name.Tokens);
  return record.Ok();
}

bool ReadSupBook(TcxBiffRecord& record, TcxSupBookRecord& book) {
  book.SheetCount = record.ReadU16();
  book.Marker = record.ReadU16();
  if (!record.Ok() || book.Marker == kSupBookSelf || book.Marker == kSupBookAddIn) return record.Ok();
  // Another workbook: the path (its length in place of a marker), then its sheets' names. A
  // DDE or OLE link has the path alone.
  book.Path = record.ReadStringBody(book.Marker);
  if (book.SheetCount > record.Remaining() / 3) {
    record.Fail();
    return false;
  }
  for (uint16_t i = 0; i < book.SheetCount && record.Ok(); ++i)
    book.Sheets.push_back(record.ReadString16());
  return record.Ok();
}

bool ReadExternName(TcxBiffRecord& record, TcxExternNameRecord& name) {
  name.Options = record.ReadU16();
  name.Sheet = record.ReadU16();
  record.Skip(2);
  name.Name = record.ReadString8();
  if (record.Ok()) record.ReadBytes(record.Remaining(), name.Definition);
  return record.Ok();
}

bool ReadExternSheet(TcxBiffRecord& record, std::vector<TcxExternSheetEntry>& entries) {
  entries.clear();
  const size_t count = record.ReadU16();
  if (count > record.Remaining() / 6) {
    record.Fail();
    return false;
  }
  entries.resize(count);
  for (auto& entry : entries) {
    entry.SupBook = record.ReadU16();
    entry.FirstSheet = record.ReadU16();
    entry.LastSheet = record.ReadU16();
  }
  return record.Ok();
}

bool ReadDimensions(TcxBiffRecord& record, TcxDimensionsRecord& dimensions) {
  dimensions.FirstRow = record.ReadU32();
  dimensions.LastRowPlus1 = record.ReadU32();
  dimensions.FirstCol = record.ReadU16();
  dimensions.LastColPlus1 = record.ReadU16();
  return record.Ok();
}

bool ReadSelection(TcxBiffRecord& record, TcxSelectionRecord& selection) {
  selection.Pane = record.ReadU8();
  selection.ActiveRow = record.ReadU16();
  selection.ActiveCol = record.ReadU16();
  const uint16_t activeRef = record.ReadU16();
  const uint16_t count = record.ReadU16();
  selection.Range = {selection.ActiveRow, selection.ActiveRow, selection.ActiveCol,
                     selection.ActiveCol};
  for (uint16_t i = 0; i < count && record.Ok(); ++i) {
    TcxCellRange range;
    range.FirstRow = record.ReadU16();
    range.LastRow = record.ReadU16();
    range.FirstCol = record.ReadU8();
    range.LastCol = record.ReadU8();
    if (i == activeRef) selection.Range = range;
  }
  return record.Ok();
}

bool ReadCellHeader(TcxBiffRecord& record, TcxCellHeader& cell) {
  cell.Row = record.ReadU16();
  cell.Col = record.ReadU16();
  cell.Xf = record.ReadU16();
  return record.Ok();
}

namespace {

TcxFormulaResult ReadFormulaResult(TcxBiffRecord& record) {
  uint8_t bytes[8];
  for (auto& b : bytes) b = record.ReadU8();
  TcxFormulaResult result;
  if (bytes[6] == 0xFF && bytes[7] == 0xFF) {
    switch (bytes[0]) {
      case 0: result.Kind = frString; break;
      case 1: result.Kind = frBool; break;
      case 2: result.Kind = frError; break;
      default: result.Kind = frEmpty; break;
    }
    result.Code = bytes[2];
    return result;
  }
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[i];
  std::memcpy(&result.Number, &bits, sizeof result.Number);
  return result;
}

bool ReadTokensAndExtra(TcxBiffRecord& record, std::vector<uint8_t>& tokens,
                        std::vector<uint8_t>& extra) {
  const uint16_t length = record.ReadU16();
  record.ReadBytes(length, tokens);
  if (!record.Ok()) return false;
  record.ReadBytes(record.Remaining(), extra);
  return record.Ok();
}

}  // namespace

bool ReadFormula(TcxBiffRecord& record, TcxFormulaRecord& formula) {
  if (!ReadCellHeader(record, formula.Cell)) return false;
  formula.Result = ReadFormulaResult(record);
  record.Skip(6);  // options, calculation chain
  const uint16_t length = record.ReadU16();
  formula.Tokens = record.ReadSpan(length, formula.TokensScratch);
  formula.Extra = record.ReadSpan(record.Remaining(), formula.ExtraScratch);
  return record.Ok();
}

bool ReadShrFmla(TcxBiffRecord& record, TcxRangeFormulaRecord& formula) {
  formula.Range.FirstRow = record.ReadU16();
  formula.Range.LastRow = record.ReadU16();
  formula.Range.FirstCol = record.ReadU8();
  formula.Range.LastCol = record.ReadU8();
  record.Skip(2);  // reserved, use count
  return ReadTokensAndExtra(record, formula.Tokens, formula.Extra);
}

bool ReadArray(TcxBiffRecord& record, TcxRangeFormulaRecord& formula) {
  formula.Range.FirstRow = record.ReadU16();
  formula.Range.LastRow = record.ReadU16();
  formula.Range.FirstCol = record.ReadU8();
  formula.Range.LastCol = record.ReadU8();
  record.Skip(6);  // options, calculation chain
  return ReadTokensAndExtra(record, formula.Tokens, formula.Extra);
}

bool ReadTable(TcxBiffRecord& record, TcxTableRecord& table) {
  table.Range.FirstRow = record.ReadU16();
  table.Range.LastRow = record.ReadU16();
  table.Range.FirstCol = record.ReadU8();
  table.Range.LastCol = record.ReadU8();
  table.Options = record.ReadU16();
  for (int k = 0; k < 2; ++k) {
    table.InputRow[k] = record.ReadU16();
    table.InputCol[k] = record.ReadU16();
  }
  return record.Ok();
}

bool ReadSst(TcxBiffRecord& record, std::vector<std::string>& strings, std::string& error) {
  strings.clear();
  record.Skip(4);  // total count of LABELSST records
  const uint32_t count = record.ReadU32();
  if (!record.Ok()) {
    error = "Reading SST record error";
    return false;
  }
  // Each string takes at least three bytes: never reserve more than the record can hold.
  strings.reserve(std::min<size_t>(count, record.Remaining() / 3));
  for (uint32_t i = 0; i < count; ++i) {
    // Writers in the wild overstate the count (7,668 strings claimed where 892 follow; in
    // poi-57456.xls 1,761 where none do): the strings present are the table, and a cell that
    // names one beyond them is what fails.
    if (record.Remaining() == 0) break;
    // A string whose header does not fit in what is left of a record starts in the next one.
    if (record.SegmentRemaining() < 3 && !record.NextSegment()) {
      error = "Reading SST record error";
      return false;
    }
    std::string text = record.ReadString16();
    if (!record.Ok()) {
      error = "Reading SST record error";
      return false;
    }
    strings.push_back(std::move(text));
  }
  return true;
}

double DecodeRk(uint32_t rk) {
  double x = 0;
  if (rk & 0x02) {
    x = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&x, &bits, sizeof x);
  }
  return (rk & 0x01) ? x / 100 : x;
}
