#include "xls/cxExcelSheetReader.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFormats.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTypes.h"
#include "sheet/cxSSIntf.h"
#include "styles/cxSSCellStyle.h"
#include "xls/cxExcelConst.h"
#include "xls/cxExcelStyles.h"

namespace {

// BIFF8 sheets have 256 columns; a cell beyond them cannot exist in a valid file.
constexpr int kMaxCol = 255;
constexpr int kMaxRow = 65535;

// WINDOW2 option bits the workbook has properties for; the others are kept as they are (the
// "frozen without a split" bit only while panes are frozen).
constexpr uint16_t kWindow2Formulas = 0x0001;
constexpr uint16_t kWindow2Grid = 0x0002;
constexpr uint16_t kWindow2Headers = 0x0004;
constexpr uint16_t kWindow2Frozen = 0x0008;
constexpr uint16_t kWindow2FrozenNoSplit = 0x0100;
constexpr uint16_t kWindow2Selected = 0x0200;
constexpr uint16_t kWindow2Active = 0x0400;
constexpr uint16_t kWindow2Own = kWindow2Formulas | kWindow2Grid | kWindow2Headers | kWindow2Frozen |
                                 kWindow2Selected | kWindow2Active;

[[noreturn]] void Damaged(const std::string& what) { throw TcxExcelReadError(what); }

bool IsCellRecord(uint16_t id) {
  switch (id) {
    case kBiffLabelSst:
    case kBiffNumber:
    case kBiffRk:
    case kBiffBlank:
    case kBiffFormula:
    case kBiffFormulaBiff4:
    case kBiffBoolErr:
    case kBiffLabel:
    case kBiffRString:
    case kBiffMulRk:
    case kBiffMulBlank:
      return true;
    default:
      return false;
  }
}

}  // namespace

TcxExcelSheetReader::TcxExcelSheetReader(const TcxExcelGlobals& globals, IcxBookSheet& sheet,
                                         int page, TcxExcelReadReport& report)
    : globals_(globals), sheet_(sheet), page_(page), report_(report) {}

void TcxExcelSheetReader::Prescan(std::span<const uint8_t> stream, size_t offset) {
  int depth = 0;
  while (offset < stream.size()) {
    TcxBiffRecord record(stream, offset);
    if (!record.Ok() || record.Truncated()) return;
    offset = record.End();
    const uint16_t id = record.Id();
    if (id == kBiffBof) {
      ++depth;
    } else if (id == kBiffEof) {
      if (depth-- == 0) return;
    } else if (depth == 0 && IsCellRecord(id)) {
      const int row = record.ReadU16();
      int col = record.ReadU16();
      if (id == kBiffMulRk || id == kBiffMulBlank) {
        const size_t width = id == kBiffMulRk ? 6 : 2;
        const size_t count = record.Length() >= 6 ? (record.Length() - 6) / width : 0;
        if (count == 0) continue;
        col += static_cast<int>(count) - 1;
      }
      if (!record.Ok()) continue;
      maxRow_ = std::max(maxRow_, row);
      maxCol_ = std::max(maxCol_, std::min(col, kMaxCol));
    }
  }
}

size_t TcxExcelSheetReader::Read(std::span<const uint8_t> stream, size_t offset,
                                 const std::function<size_t(size_t)>& progress) {
  TcxBiffRecord bof(stream, offset);
  TcxBofRecord bofRecord;
  if (bof.Truncated() || bof.Id() != kBiffBof || !ReadBof(bof, bofRecord))
    Damaged("a sheet does not start with a BOF record");
  if (bofRecord.Version != kBiff8Version) Damaged("a sheet is not in the BIFF8 format");

  // The cells' own extent, not the DIMENSIONS record, which files in the wild get wrong: in
  // poi-florida_data.ashx.xls it covers 7 rows of 73, in poi-external_name.xls 6 columns of 131,
  // and Gnumeric and Quattro Pro (sheetjs-A4X_gnumeric.xls, sheetjs-quattro-write_97.xls) write
  // the last row instead of one past it. The sheet drops writes beyond its declared extent, and a
  // damaged record must not make it reserve room for 256 × 65536 cells.
  Prescan(stream, bof.End());
  sheet_.SetDimensions(std::min(maxCol_ + 1, kMaxCol), std::min(maxRow_ + 1, kMaxRow));

  size_t position = bof.End();
  size_t progressFrom = 0;
  int depth = 0;
  for (;;) {
    if (position >= stream.size()) Damaged("a sheet ends without an EOF record");
    TcxBiffRecord record(stream, position);
    if (!record.Ok() || record.Truncated()) Damaged("a record runs past the end of the stream");
    if (progress && position >= progressFrom) progressFrom = progress(position);
    position = record.End();
    const uint16_t id = record.Id();
    if (id == kBiffBof) {
      ++depth;  // an embedded chart's substream
      continue;
    }
    if (id == kBiffEof) {
      if (depth-- == 0) break;
      continue;
    }
    if (depth == 0) Dispatch(record);
  }
  Finish();
  return position;
}

void TcxExcelSheetReader::Dispatch(TcxBiffRecord& record) {
  const uint16_t id = record.Id();
  if (id != kBiffString && id != kBiffShrFmla && id != kBiffArray && id != kBiffTable) {
    DropAwaitedString();
    unresolvedAwaitingString_ = false;
  }
  TcxCellHeader cell;
  switch (id) {
    case kBiffFormula:
    // poi-WrongFormulaRecordType.xls stores BIFF8 formulas under the BIFF4 identifier.
    case kBiffFormulaBiff4:
      ReadFormula(record);
      break;
    case kBiffShrFmla:
      ReadRangeFormula(record, false);
      break;
    case kBiffArray:
      ReadRangeFormula(record, true);
      break;
    case kBiffTable:
      ReadTableRecord(record);
      break;
    case kBiffString:
      ReadString(record);
      break;
    case kBiffLabelSst: {
      ReadCellHeader(record, cell);
      const uint32_t index = record.ReadU32();
      if (!record.Ok()) Damaged("a LABELSST record is cut short");
      const auto& strings = *globals_.SharedStrings;
      if (index >= strings.size())
        Damaged("a LABELSST record names string " + std::to_string(index) + " of " +
                std::to_string(strings.size()));
      SetString(cell.Col, cell.Row, cell.Xf, strings[index], (*globals_.SharedStringValues)[index]);
      break;
    }
    case kBiffLabel:
    case kBiffRString: {
      ReadCellHeader(record, cell);
      const std::string text = record.ReadString16();
      if (!record.Ok()) Damaged("a LABEL record is cut short");
      SetString(cell.Col, cell.Row, cell.Xf, text);
      break;
    }
    case kBiffNumber: {
      ReadCellHeader(record, cell);
      const double value = record.ReadDouble();
      if (!record.Ok()) Damaged("a NUMBER record is cut short");
      SetNumber(cell.Col, cell.Row, cell.Xf, value);
      break;
    }
    case kBiffRk: {
      ReadCellHeader(record, cell);
      const uint32_t rk = record.ReadU32();
      if (!record.Ok()) Damaged("an RK record is cut short");
      SetNumber(cell.Col, cell.Row, cell.Xf, DecodeRk(rk));
      break;
    }
    case kBiffMulRk: {
      const int row = record.ReadU16();
      const int first = record.ReadU16();
      const size_t count = record.Length() >= 6 ? (record.Length() - 6) / 6 : 0;
      for (size_t i = 0; i < count; ++i) {
        const uint16_t xf = record.ReadU16();
        const uint32_t rk = record.ReadU32();
        if (!record.Ok()) break;
        SetNumber(first + static_cast<int>(i), row, xf, DecodeRk(rk));
      }
      if (!record.Ok()) Damaged("a MULRK record is cut short");
      break;
    }
    case kBiffBlank:
      if (!ReadCellHeader(record, cell)) Damaged("a BLANK record is cut short");
      Cell(cell.Col, cell.Row, cell.Xf);
      break;
    case kBiffMulBlank: {
      const int row = record.ReadU16();
      const int first = record.ReadU16();
      const size_t count = record.Length() >= 6 ? (record.Length() - 6) / 2 : 0;
      for (size_t i = 0; i < count; ++i) {
        const uint16_t xf = record.ReadU16();
        if (!record.Ok()) break;
        Cell(first + static_cast<int>(i), row, xf);
      }
      if (!record.Ok()) Damaged("a MULBLANK record is cut short");
      break;
    }
    case kBiffBoolErr: {
      ReadCellHeader(record, cell);
      const uint8_t value = record.ReadU8();
      const bool isError = record.ReadU8() != 0;
      if (!record.Ok()) Damaged("a BOOLERR record is cut short");
      const std::string text = isError ? std::string(ErrorCodeToText(value))
                                       : std::string(value ? kTrueText : kFalseText);
      SetText(cell.Col, cell.Row, cell.Xf, text);
      break;
    }
    case kBiffColInfo:
      ReadColInfo(record);
      break;
    case kBiffRow:
      ReadRow(record);
      break;
    case kBiffDefColWidth: {
      const uint16_t width = record.ReadU16();
      if (!record.Ok()) break;
      sheet_.SetDefaultSize(0, Units().DefColWidthPixels(width));
      defaultSizes_.ColumnChars = width;
      break;
    }
    case kBiffStandardWidth: {
      const uint16_t width = record.ReadU16();
      if (!record.Ok()) break;
      sheet_.SetDefaultSize(0, Units().StandardWidthPixels(width));
      defaultSizes_.ColumnWidth = width;
      break;
    }
    case kBiffDefaultRowHeight: {
      const uint16_t options = record.ReadU16();
      const uint16_t height = record.ReadU16();
      if (!record.Ok()) break;
      sheet_.SetDefaultSize(1, Units().DefaultRowPixels(height));
      defaultSizes_.RowHeight = height;
      defaultSizes_.RowOptions = options;
      break;
    }
    case kBiffMergedCells:
      ReadMergedCells(record);
      break;
    case kBiffWindow2:
      ReadWindow2(record);
      break;
    case kBiffPane:
      if (!otherWindow_) ReadPane(record);
      break;
    case kBiffScl: {
      if (otherWindow_) break;
      const uint16_t numerator = record.ReadU16();
      const uint16_t denominator = record.ReadU16();
      if (record.Ok() && numerator > 0 && denominator > 0) {
        view_.ZoomNumerator = numerator;
        view_.ZoomDenominator = denominator;
      }
      break;
    }
    case kBiffSelection: {
      TcxSelectionRecord selection;
      if (!otherWindow_ && ::ReadSelection(record, selection) && selection.Pane == view_.ActivePane) {
        selection_ = selection;
        hasSelection_ = true;
      }
      break;
    }
    case kBiffRefMode: {
      // 0 R1C1, 1 A1.
      const uint16_t mode = record.ReadU16();
      if (record.Ok()) r1c1_ = mode == 0;
      break;
    }
    case kBiffProtect: {
      bool flag = false;
      if (ReadFlag(record, flag)) sheet_.SetProtected(flag);
      break;
    }
    case kBiffObjProtect:
      ReadFlag(record, protection_.Objects);
      break;
    case kBiffScenProtect:
      ReadFlag(record, protection_.Scenarios);
      break;
    case kBiffPassword: {
      const uint16_t hash = record.ReadU16();
      if (record.Ok()) protection_.PasswordHash = hash;
      break;
    }
    default:
      break;
  }
}

bool TcxExcelSheetReader::ReadFlag(TcxBiffRecord& record, bool& flag) {
  const uint16_t value = record.ReadU16();
  if (!record.Ok()) return false;
  flag = (value & 0x01) != 0;
  return true;
}

// A workbook open in several windows keeps a WINDOW2 (with its SCL, PANE and SELECTION records)
// per window in each sheet (poi-12843-1.xls); the first window's is the sheet's view, as the
// first WINDOW1 is the workbook's.
void TcxExcelSheetReader::ReadWindow2(TcxBiffRecord& record) {
  if (hasWindow_) {
    otherWindow_ = true;
    return;
  }
  const uint16_t options = record.ReadU16();
  const uint16_t top = record.ReadU16();
  const uint16_t left = record.ReadU16();
  if (!record.Ok()) return;
  hasWindow_ = true;
  windowOptions_ = options;
  view_.Origin = {std::min<int>(left, kMaxCol), top};
  view_.OtherOptions = options & ~kWindow2Own;
  // Older writers end the record after the grid colour.
  const uint16_t gridColor = record.ReadU16();
  if (record.Ok()) view_.GridColorIndex = gridColor;
  record.Skip(2);
  const uint16_t pageBreakZoom = record.ReadU16();
  const uint16_t normalZoom = record.ReadU16();
  if (record.Ok()) {
    view_.PageBreakZoom = pageBreakZoom;
    view_.NormalZoom = normalZoom;
  }
}

// PANE follows WINDOW2: with frozen panes its first two fields count the frozen columns and
// rows, otherwise they are the pane sizes of a split in twips.
void TcxExcelSheetReader::ReadPane(TcxBiffRecord& record) {
  const uint16_t x = record.ReadU16();
  const uint16_t y = record.ReadU16();
  const uint16_t top = record.ReadU16();
  const uint16_t left = record.ReadU16();
  const uint8_t pane = record.ReadU8();
  if (!record.Ok()) return;
  view_.ActivePane = pane & 0x03;
  view_.PaneTopLeft = {std::min<int>(left, kMaxCol), top};
  if (windowOptions_ & kWindow2Frozen) {
    view_.FrozenCols = std::min<int>(x, kMaxCol);
    view_.FrozenRows = y;
  } else if (x != 0 || y != 0) {
    view_.Split = true;
    view_.SplitX = x;
    view_.SplitY = y;
  }
}

void TcxExcelSheetReader::SetNumber(int col, int row, int xf, double value) {
  // NaN and infinities have no place in a cell; a file holding one is damaged.
  if (!std::isfinite(value)) Damaged("a number that is not finite");
  if (IcxSheetCell* const cell = Cell(col, row, xf)) cell->SetNumber(value);
}

void TcxExcelSheetReader::SetText(int col, int row, int xf, const std::string& text) {
  IcxSheetCell* const cell = Cell(col, row, xf);
  if (cell && !text.empty()) cell->SetPlainText(text);
}

bool TcxExcelSheetReader::ReadsAsValue(const std::string& text, const TRegionalSettings& settings) {
  double x = 0;
  bool value = TryTextToFloat(text, x, settings) || text == kTrueText || text == kFalseText;
  for (const TcxSSErrorValue& e : kErrorValues) value = value || text == e.Text;
  return value;
}

void TcxExcelSheetReader::SetString(int col, int row, int xf, const std::string& text) {
  SetString(col, row, xf, text, !text.empty() && ReadsAsValue(text, *globals_.Settings));
}

void TcxExcelSheetReader::SetString(int col, int row, int xf, const std::string& text,
                                    bool readsAsValue) {
  IcxSheetCell* const cell = Cell(col, row, xf);
  if (!cell || text.empty()) return;
  // Excel keeps "007", "+381 11 123" or "TRUE" typed as text apart from the values they read as;
  // the workbook tells them apart only by the text format.
  if (readsAsValue)
    cell->GetStyle().ApplyFormat(static_cast<TxlsDataFormat>(StoredFormatToPublished(kFormatText)));
  cell->SetPlainText(text);
}

IcxSheetCell* TcxExcelSheetReader::Cell(int col, int row, int xf) {
  if (col > kMaxCol || row > kMaxRow) return nullptr;
  IcxSheetCell* cell = &sheet_.CellAt(col, row);
  const TcxExcelStyleTable& styles = *globals_.Styles;
  if (xf >= 0 && static_cast<size_t>(xf) < styles.XfCount() &&
      !styles.IsDefault(static_cast<size_t>(xf)))
    cell->GetStyle().ApplyStyleRec(*styles.Style(static_cast<size_t>(xf)), false);
  return cell;
}

// --- Formulas -----------------------------------------------------------------------------------

void TcxExcelSheetReader::ReadFormula(TcxBiffRecord& record) {
  TcxFormulaRecord formula;
  if (!::ReadFormula(record, formula)) Damaged("a FORMULA record is cut short");
  TPendingFormula pending;
  pending.Cell = formula.Cell;
  pending.Result = formula.Result;
  const std::string tokenKey = TokenKeyOf(formula.Cell, formula.Tokens, formula.Extra);
  if (ReuseTokenKey(pending, tokenKey)) return;
  const std::string shape = ShapeOf(formula.Cell, formula.Tokens, formula.Extra);
  if (ReuseShape(pending, shape)) {
    KeepTokenKey(tokenKey, shape);
    return;
  }
  const TcxDecodedFormula decoded =
      globals_.Formulas->Decode(formula.Cell.Col, formula.Cell.Row, formula.Tokens, formula.Extra, page_);
  switch (decoded.Outcome) {
    case foShared:
    case foTable: {
      pending.AnchorCol = decoded.ExpCol;
      pending.AnchorRow = decoded.ExpRow;
      const uint32_t anchor = CellKey(decoded.ExpCol, decoded.ExpRow);
      if (const auto found = rangeAt_.find(anchor); found != rangeAt_.end()) {
        SettleWithRange(pending, &rangeFormulas_[found->second]);
        break;
      }
      // The first cell of a shared or array formula comes before the record that holds it.
      waiting_[anchor].push_back(unresolved_.size());
      ++waitingCount_;
      unresolved_.push_back(std::move(pending));
      unresolvedAwaitingString_ = formula.Result.Kind == frString;
      lastFormulaCell_ = formula.Cell;
      break;
    }
    default:
      SettleFormula(pending, decoded, formula.Tokens, formula.Extra, shape);
      KeepTokenKey(tokenKey, shape);
      break;
  }
}

std::string TcxExcelSheetReader::ShapeOf(const TcxCellHeader& cell, std::span<const uint8_t> tokens,
                                         std::span<const uint8_t> extra) const {
  if (!globals_.ParsedShapes || globals_.ParsedShapes->Off) return {};
  return globals_.Formulas->ShapeKey(cell.Col, cell.Row, tokens, extra);
}

std::string TcxExcelSheetReader::TokenKeyOf(const TcxCellHeader& cell,
                                            std::span<const uint8_t> tokens,
                                            std::span<const uint8_t> extra) const {
  if (!globals_.ParsedShapes || globals_.ParsedShapes->Off || !extra.empty()) return {};
  return TcxFormulaReader::TokenKey(cell.Col, cell.Row, tokens);
}

bool TcxExcelSheetReader::ReuseShape(const TPendingFormula& pending, const std::string& shape) {
  if (shape.empty()) return false;
  const auto found = globals_.ParsedShapes->Tokens.find(shape);
  return ReuseParsed(pending,
                     found == globals_.ParsedShapes->Tokens.end() ? nullptr : &found->second);
}

bool TcxExcelSheetReader::ReuseTokenKey(const TPendingFormula& pending,
                                        const std::string& tokenKey) {
  if (tokenKey.empty()) return false;
  const auto found = globals_.ParsedShapes->ByTokenKey.find(tokenKey);
  // A miss is not counted: the shape is looked up next.
  return found != globals_.ParsedShapes->ByTokenKey.end() && ReuseParsed(pending, found->second);
}

void TcxExcelSheetReader::KeepTokenKey(const std::string& tokenKey, const std::string& shape) {
  if (tokenKey.empty() || shape.empty()) return;
  TcxParsedShapes& shapes = *globals_.ParsedShapes;
  const auto found = shapes.Tokens.find(shape);
  if (found != shapes.Tokens.end() && shapes.ByTokenKey.size() < TcxParsedShapes::kMaxShapes)
    shapes.ByTokenKey.emplace(tokenKey, &found->second);
}

bool TcxExcelSheetReader::ReuseParsed(const TPendingFormula& pending,
                                      const TcxTokenString* parsed) {
  TcxParsedShapes& shapes = *globals_.ParsedShapes;
  // Fewer than one formula in eight of a shape seen before: working shapes out costs more than
  // it saves.
  constexpr size_t kTrialLookups = 1024;
  if (++shapes.Lookups == kTrialLookups && shapes.Hits * 8 < shapes.Lookups) shapes.Off = true;
  if (!parsed) return false;
  ++shapes.Hits;
  IcxSheetCell* const cell = Cell(pending.Cell.Col, pending.Cell.Row, pending.Cell.Xf);
  // A cell beyond the sheet's columns is dropped, as the formula text would be.
  return !cell || cell->SetFormulaTokens(*parsed);
}

void TcxExcelSheetReader::ReadRangeFormula(TcxBiffRecord& record, bool array) {
  TRangeFormula formula;
  formula.Array = array;
  const bool ok = array ? ReadArray(record, formula.Record) : ReadShrFmla(record, formula.Record);
  if (!ok) Damaged(array ? "an ARRAY record is cut short" : "a SHRFMLA record is cut short");
  AddRangeFormula(std::move(formula));
}

void TcxExcelSheetReader::ReadTableRecord(TcxBiffRecord& record) {
  TRangeFormula formula;
  formula.Table = true;
  if (!ReadTable(record, formula.TableRecord)) Damaged("a TABLE record is cut short");
  formula.Record.Range = formula.TableRecord.Range;
  AddRangeFormula(std::move(formula));
}

void TcxExcelSheetReader::AddRangeFormula(TRangeFormula formula) {
  const uint32_t anchor = CellKey(formula.Record.Range.FirstCol, formula.Record.Range.FirstRow);
  rangeFormulas_.push_back(std::move(formula));
  if (!rangeAt_.emplace(anchor, rangeFormulas_.size() - 1).second) return;
  const auto found = waiting_.find(anchor);
  if (found == waiting_.end()) return;
  const std::vector<size_t> cells = std::move(found->second);
  waiting_.erase(found);
  for (const size_t i : cells) SettleWithRange(unresolved_[i], &rangeFormulas_.back());
  waitingCount_ -= cells.size();
  if (waitingCount_ == 0) unresolved_.clear();
}

void TcxExcelSheetReader::ReadString(TcxBiffRecord& record) {
  const std::string text = record.ReadString16();
  if (!record.Ok()) Damaged("a STRING record is cut short");
  if (awaitingString_) {
    awaitingString_ = false;
    if (stringCell_.File) {
      stringCell_.Text = text;
      stringCell_.HasText = true;
      FinishKept(stringCell_);
    } else {
      SetString(stringCell_.Cell.Col, stringCell_.Cell.Row, -1, text);
    }
    return;
  }
  // The cached text of a formula still waiting for its shared formula.
  if (unresolvedAwaitingString_ && !unresolved_.empty() && !unresolved_.back().Settled &&
      unresolved_.back().Cell.Row == lastFormulaCell_.Row &&
      unresolved_.back().Cell.Col == lastFormulaCell_.Col) {
    unresolved_.back().Text = text;
    unresolved_.back().HasText = true;
  }
  unresolvedAwaitingString_ = false;
}

void TcxExcelSheetReader::SettleWithRange(TPendingFormula& pending, const TRangeFormula* range) {
  TPendingFormula settled = std::move(pending);
  pending.Settled = true;
  if (!range) {
    KeepValue(settled, fpMissingSharedFormula, "the shared formula it uses is missing");
    return;
  }
  if (range->Array) {
    SettleArrayCell(settled, *range);
    return;
  }
  if (range->Table) {
    SettleTableCell(settled, *range);
    return;
  }
  const std::string shape = ShapeOf(settled.Cell, range->Record.Tokens, range->Record.Extra);
  if (ReuseShape(settled, shape)) return;
  TcxDecodedFormula decoded =
      globals_.Formulas->Decode(settled.Cell.Col, settled.Cell.Row, range->Record.Tokens,
                                range->Record.Extra, page_);
  if (decoded.Outcome == foShared || decoded.Outcome == foTable) {
    decoded.Outcome = foDamaged;
    decoded.Detail = "a shared formula that points at another";
  }
  SettleFormula(settled, decoded, range->Record.Tokens, range->Record.Extra, shape);
}

void TcxExcelSheetReader::ResolveAtEnd() {
  if (waitingCount_ == 0) return;
  // Some writers point at a cell inside the range rather than at its first cell. The cells are
  // looked up in one sweep down the rows: the ranges that cover the current row stand in a
  // segment tree over the 256 columns (a range in the nodes that make up its columns), where a
  // point finds the first range that holds it on its way to the root.
  std::vector<size_t> cells;
  for (size_t i = 0; i < unresolved_.size(); ++i)
    if (!unresolved_[i].Settled) cells.push_back(i);
  std::vector<const TRangeFormula*> found(cells.size(), nullptr);
  if (!rangeFormulas_.empty()) {
    constexpr int kColumns = kMaxCol + 1;
    std::vector<std::set<size_t>> tree(2 * kColumns);
    const auto update = [&](size_t index, bool add) {
      const TcxCellRange& r = rangeFormulas_[index].Record.Range;
      if (r.FirstRow > r.LastRow || r.FirstCol > r.LastCol || r.FirstCol > kMaxCol) return;
      const auto change = [&](int node) {
        if (add)
          tree[static_cast<size_t>(node)].insert(index);
        else
          tree[static_cast<size_t>(node)].erase(index);
      };
      int lo = r.FirstCol + kColumns;
      int hi = std::min<int>(r.LastCol, kMaxCol) + 1 + kColumns;
      for (; lo < hi; lo >>= 1, hi >>= 1) {
        if (lo & 1) change(lo++);
        if (hi & 1) change(--hi);
      }
    };
    std::vector<size_t> byFirst(rangeFormulas_.size());
    std::vector<size_t> byLast(rangeFormulas_.size());
    for (size_t i = 0; i < byFirst.size(); ++i) byFirst[i] = byLast[i] = i;
    const auto range = [&](size_t i) -> const TcxCellRange& {
      return rangeFormulas_[i].Record.Range;
    };
    std::sort(byFirst.begin(), byFirst.end(),
              [&](size_t a, size_t b) { return range(a).FirstRow < range(b).FirstRow; });
    std::sort(byLast.begin(), byLast.end(),
              [&](size_t a, size_t b) { return range(a).LastRow < range(b).LastRow; });
    std::vector<size_t> order(cells.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return unresolved_[cells[a]].AnchorRow < unresolved_[cells[b]].AnchorRow;
    });
    size_t added = 0, removed = 0;
    for (const size_t k : order) {
      const TPendingFormula& pending = unresolved_[cells[k]];
      for (; added < byFirst.size() && range(byFirst[added]).FirstRow <= pending.AnchorRow; ++added)
        update(byFirst[added], true);
      for (; removed < byLast.size() && range(byLast[removed]).LastRow < pending.AnchorRow;
           ++removed)
        update(byLast[removed], false);
      if (pending.AnchorCol > kMaxCol) continue;
      size_t first = rangeFormulas_.size();
      for (int node = pending.AnchorCol + kColumns; node >= 1; node >>= 1)
        if (const auto& at = tree[static_cast<size_t>(node)]; !at.empty())
          first = std::min(first, *at.begin());
      if (first < rangeFormulas_.size()) found[k] = &rangeFormulas_[first];
    }
  }
  for (size_t k = 0; k < cells.size(); ++k) SettleWithRange(unresolved_[cells[k]], found[k]);
  unresolved_.clear();
  waiting_.clear();
  waitingCount_ = 0;
}

void TcxExcelSheetReader::SettleFormula(TPendingFormula& pending, const TcxDecodedFormula& decoded,
                                        std::span<const uint8_t> tokens,
                                        std::span<const uint8_t> extra, const std::string& shape) {
  switch (decoded.Outcome) {
    case foFormula: {
      IcxSheetCell* const cell = Cell(pending.Cell.Col, pending.Cell.Row, pending.Cell.Xf);
      if (!cell) return;
      cell->SetTextEx(decoded.Text, true, false);
      // The workbook's parser may not read everything a file's formula can say.
      if (!cell->IsFormula()) {
        if (!KeepFormula(pending, tokens, extra))
          KeepValue(pending, fpUnsupported, "the workbook cannot parse " + decoded.Text);
        return;
      }
      if (!shape.empty() && globals_.ParsedShapes->Tokens.size() < TcxParsedShapes::kMaxShapes) {
        TcxTokenString tokens = cell->FormulaTokens();
        if (tokens.empty())
          globals_.ParsedShapes->Off = true;  // the workbook cannot give parsed tokens
        else
          globals_.ParsedShapes->Tokens.emplace(shape, std::move(tokens));
      }
      return;
    }
    case foUnknownFunction:
      report_.UnknownFunctions = true;
      if (!KeepFormula(pending, tokens, extra))
        KeepValue(pending, fpUnknownFunction, decoded.Detail);
      return;
    case foUnsupported:
      if (!KeepFormula(pending, tokens, extra))
        KeepValue(pending, fpUnsupported,
                  decoded.Text.empty() ? decoded.Detail : decoded.Detail + ": " + decoded.Text);
      return;
    default:
      KeepValue(pending, fpDamaged, decoded.Detail);
      return;
  }
}

namespace {

// The block of a range record as the workbook holds it; false when it is not a block of the
// sheet that holds the cell.
bool BlockOf(const TcxCellRange& r, int col, int row, TcxFormulaBlockKind kind,
             TcxFormulaBlock& block) {
  if (r.FirstRow > r.LastRow || r.FirstCol > r.LastCol || r.LastCol > kMaxCol || col < r.FirstCol ||
      col > r.LastCol || row < r.FirstRow || row > r.LastRow)
    return false;
  block = {kind, {r.FirstCol, r.FirstRow, r.LastCol, r.LastRow}};
  return true;
}

}  // namespace

void TcxExcelSheetReader::SettleArrayCell(TPendingFormula& pending, const TRangeFormula& range) {
  const TcxCellHeader& c = pending.Cell;
  TcxFormulaBlock block;
  if (!globals_.FormulaTokens || !BlockOf(range.Record.Range, c.Col, c.Row, fbArray, block)) {
    KeepValue(pending, fpArrayFormula, "a cell outside its array formula");
    return;
  }
  TcxConvertedFormula converted =
      globals_.FormulaTokens->Convert(c.Col, c.Row, range.Record.Tokens, range.Record.Extra);
  if (!converted.Ok || converted.Tokens.empty()) {
    KeepValue(pending, fpArrayFormula, "an array formula the workbook cannot hold: " + converted.Detail);
    return;
  }
  for (std::string& name : converted.UnknownFunctions) {
    report_.UnknownFunctions = true;
    report_.Problems.push_back({page_, c.Col, c.Row, fpUnknownFunction, std::move(name), true});
  }
  pending.File = std::make_shared<TcxFileFormula>(std::move(converted.File));
  pending.Tokens = std::move(converted.Tokens);
  pending.Block = block;
  KeepConverted(pending);
}

void TcxExcelSheetReader::SettleTableCell(TPendingFormula& pending, const TRangeFormula& range) {
  const TcxCellHeader& c = pending.Cell;
  const TcxTableRecord& table = range.TableRecord;
  TcxFormulaBlock block;
  if (!BlockOf(table.Range, c.Col, c.Row, fbTable, block)) {
    KeepValue(pending, fpDataTable, "a cell outside its data table");
    return;
  }
  // TABLE(row input, column input): a table of one input has one of them, a deleted input
  // cell is #REF!.
  constexpr uint16_t kRowInput = 0x0004, kTwoInputs = 0x0008, kDeleted[2] = {0x0010, 0x0020};
  const bool two = (table.Options & kTwoInputs) != 0;
  TcxTokenString tokens;
  for (int k = 0; k < 2; ++k) {
    // Which record entry stands for this argument.
    int entry = -1;
    if (two)
      entry = k;
    else if ((k == 0) == ((table.Options & kRowInput) != 0))
      entry = 0;
    if (entry < 0) {
      tokens.push_back(ptgMissArg);
    } else if (table.Options & kDeleted[entry] || table.InputCol[entry] > kMaxCol) {
      tokens.insert(tokens.end(), {ptgErr, static_cast<uint8_t>(ecRef)});
    } else {
      AppendRef(tokens, false, false, table.InputRow[entry] - c.Row, table.InputCol[entry] - c.Col);
    }
  }
  tokens.insert(tokens.end(), {ptgFuncVar, 2, static_cast<uint8_t>(kDataTableFunction & 0xFF),
                               static_cast<uint8_t>(kDataTableFunction >> 8)});
  pending.File = std::make_shared<TcxFileFormula>();
  pending.File->TableOptions = table.Options;
  pending.Tokens = std::move(tokens);
  pending.Block = block;
  KeepConverted(pending);
}

void TcxExcelSheetReader::KeepConverted(TPendingFormula& pending) {
  if (pending.Result.Kind == frString && !pending.HasText) {
    // The text comes in the STRING record that follows.
    Cell(pending.Cell.Col, pending.Cell.Row, pending.Cell.Xf);
    stringCell_ = std::move(pending);
    awaitingString_ = true;
    return;
  }
  FinishKept(pending);
}

bool TcxExcelSheetReader::KeepFormula(TPendingFormula& pending, std::span<const uint8_t> tokens,
                                      std::span<const uint8_t> extra) {
  if (!globals_.FormulaTokens || pending.Cell.Col > kMaxCol) return false;
  TcxConvertedFormula converted =
      globals_.FormulaTokens->Convert(pending.Cell.Col, pending.Cell.Row, tokens, extra);
  if (!converted.Ok) return false;
  // The report still tells which functions the library lacks, and where.
  for (std::string& name : converted.UnknownFunctions) {
    report_.UnknownFunctions = true;
    report_.Problems.push_back(
        {page_, pending.Cell.Col, pending.Cell.Row, fpUnknownFunction, std::move(name), true});
  }
  pending.File = std::make_shared<TcxFileFormula>(std::move(converted.File));
  pending.Tokens = std::move(converted.Tokens);
  KeepConverted(pending);
  return true;
}

void TcxExcelSheetReader::FinishKept(TPendingFormula& pending) {
  const TcxCellHeader& c = pending.Cell;
  const TcxFormulaResult& r = pending.Result;
  TcxFileFormula& file = *pending.File;
  switch (r.Kind) {
    case frNumber: {
      if (!std::isfinite(r.Number)) Damaged("a number that is not finite");
      file.Result = MakeNumberResult(r.Number);
      break;
    }
    case frString:
      file.Result = MakeTextResult(pending.Text);
      break;
    case frBool:
      file.Result = MakeBoolResult(r.Code != 0);
      break;
    case frError: {
      const int code = ErrorFileCodeToInternal(r.Code);
      file.Result = MakeErrorResult(static_cast<uint8_t>(code ? code : ecValue));
      break;
    }
    case frEmpty:
      // Other programs store no value: the formula shows none until it is calculated.
      file.Result = MakeTextResult("");
      break;
  }
  file.Parsed = pending.Tokens;
  file.Sheet = page_;
  file.Col = c.Col;
  file.Row = c.Row;
  IcxSheetCell* const cell = Cell(c.Col, c.Row, c.Xf);
  if (cell && !cell->SetFileFormula(pending.Tokens, std::move(pending.File), pending.Block)) {
    pending.File = nullptr;
    pending.HasText = true;
    KeepValue(pending, fpDamaged, "the workbook cannot show the formula");
  }
}

void TcxExcelSheetReader::DropAwaitedString() {
  if (awaitingString_ && stringCell_.File) FinishKept(stringCell_);
  awaitingString_ = false;
}

void TcxExcelSheetReader::KeepValue(TPendingFormula& pending, TcxFormulaProblemKind kind,
                                    const std::string& detail) {
  if (pending.Cell.Col <= kMaxCol)
    report_.Problems.push_back({page_, pending.Cell.Col, pending.Cell.Row, kind, detail});
  if (pending.Result.Kind == frString && !pending.HasText) {
    // The text comes in the STRING record that follows.
    Cell(pending.Cell.Col, pending.Cell.Row, pending.Cell.Xf);
    stringCell_ = pending;
    awaitingString_ = true;
    return;
  }
  SetCachedValue(pending);
}

void TcxExcelSheetReader::SetCachedValue(const TPendingFormula& pending) {
  const TcxCellHeader& c = pending.Cell;
  const TcxFormulaResult& r = pending.Result;
  switch (r.Kind) {
    case frNumber:
      SetNumber(c.Col, c.Row, c.Xf, r.Number);
      break;
    case frString:
      SetString(c.Col, c.Row, c.Xf, pending.Text);
      break;
    case frBool:
      SetText(c.Col, c.Row, c.Xf, std::string(r.Code ? kTrueText : kFalseText));
      break;
    case frError:
      SetText(c.Col, c.Row, c.Xf, std::string(ErrorCodeToText(r.Code)));
      break;
    case frEmpty:
      Cell(c.Col, c.Row, c.Xf);
      break;
  }
}

void TcxExcelSheetReader::Finish() {
  DropAwaitedString();
  ResolveAtEnd();
  DropAwaitedString();
  if (hasWindow_) {
    TRect selection{0, 0, 0, 0};
    if (hasSelection_) {
      const TcxCellRange& r = selection_.Range;
      selection = {std::min<int>(r.FirstCol, kMaxCol), r.FirstRow, std::min<int>(r.LastCol, kMaxCol),
                   r.LastRow};
      if (selection.Left > selection.Right || selection.Top > selection.Bottom)
        selection = {selection_.ActiveCol, selection_.ActiveRow, selection_.ActiveCol,
                     selection_.ActiveRow};
    }
    sheet_.SetOptions(selection, (windowOptions_ & kWindow2Formulas) != 0,
                      (windowOptions_ & kWindow2Grid) != 0, (windowOptions_ & kWindow2Headers) != 0,
                      false);
    if (hasSelection_) {
      view_.ActiveCell = {std::min<int>(selection_.ActiveCol, kMaxCol), selection_.ActiveRow};
      view_.ActiveCellSelection = selection;
    }
  }
  if (!view_.Frozen()) view_.OtherOptions &= static_cast<uint16_t>(~kWindow2FrozenNoSplit);
  sheet_.SetView(view_);
  if (protection_ != TcxSSProtection{}) sheet_.SetProtection(protection_);
  if (defaultSizes_ != TcxSSDefaultSizes{}) sheet_.SetFileDefaultSizes(defaultSizes_);
}

// --- Columns, rows, merged cells -----------------------------------------------------------------

void TcxExcelSheetReader::ReadColInfo(TcxBiffRecord& record) {
  TcxColInfoRecord info;
  if (!::ReadColInfo(record, info) || info.First > info.Last || info.First > kMaxCol) return;
  const int size = Units().ColumnPixels(info.Width);
  const bool locked = globals_.Styles->Locked(info.Xf);
  const bool visible = (info.Options & 0x01) == 0;
  for (int col = info.First; col <= std::min<int>(info.Last, kMaxCol); ++col) {
    sheet_.SetHeaderItem(0, col, size, locked, visible, false);
    sheet_.SetFileSize(0, col, info.Width);
  }
}

void TcxExcelSheetReader::ReadRow(TcxBiffRecord& record) {
  TcxRowRecord row;
  if (!::ReadRow(record, row)) return;
  const bool hidden = (row.Options & 0x20) != 0;
  // Without bit 6 the height was worked out from the row's contents, and may be again when they
  // change; with it the user set the height. Either way the row has the height the file stores,
  // also when it carries its own format (bit 7). Bit 15 of the height only says that the height
  // is the default one.
  const bool automatic = (row.Options & 0x40) == 0;
  const auto height = static_cast<uint16_t>(std::min<int>(row.Height & 0x7FFF, kMaxRowTwips));
  sheet_.SetHeaderItem(1, row.Row, Units().RowPixels(height), false, !hidden, automatic);
  sheet_.SetFileSize(1, row.Row, height);
}

void TcxExcelSheetReader::ReadMergedCells(TcxBiffRecord& record) {
  std::vector<TcxCellRange> ranges;
  if (!::ReadMergedCells(record, ranges)) Damaged("a MERGEDCELLS record is cut short");
  for (const auto& r : ranges) {
    if (r.FirstRow > r.LastRow || r.FirstCol > r.LastCol || r.LastCol > kMaxCol) continue;
    if (r.FirstRow == r.LastRow && r.FirstCol == r.LastCol) continue;
    sheet_.MergeCells({r.FirstCol, r.FirstRow, r.LastCol, r.LastRow}, true);
  }
}
