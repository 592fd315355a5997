#include <algorithm>
#include <cstdint>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"
#include "platform/TextServices.h"
#include "platform/Unicode.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "calc/cxExcelLimits.h"

// The formula cache's names, sheets and the rewriting of references when rows, columns and
// sheets move.

namespace {

// Calls f(token) for every reference token of a token string, with write access.
template <typename F>
void ForEachReferenceToken(TcxTokenString& tokens, F&& f) {
  size_t pos = 0;
  while (pos < tokens.size()) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return;
    const uint8_t id = tokens[pos];
    if (id == ptgRef || id == ptgArea || id == ptgRef3d || id == ptgArea3d) f(tokens.data() + pos);
    pos += size;
  }
}

bool Is3d(const uint8_t* token) { return token[0] == ptgRef3d || token[0] == ptgArea3d; }

// Calls f(token) for every reference error of a sheet (ptgRefErr3d, ptgAreaErr3d), whose sheet
// index follows the sheets as the references' do.
template <typename F>
void ForEachSheetError(TcxTokenString& tokens, F&& f) {
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return;
    if (tokens[pos] == ptgRefErr3d || tokens[pos] == ptgAreaErr3d) f(tokens.data() + pos);
    pos += size;
  }
}
bool IsArea(const uint8_t* token) { return token[0] == ptgArea || token[0] == ptgArea3d; }

// One row or column field of a reference token: its flag byte and its value.
struct TField {
  size_t Abs;
  size_t Value;
};
constexpr TField kRefRowField{kRefRowAbs, kRefRow}, kRefColField{kRefColAbs, kRefCol};
constexpr TField kFirstRowField{kAreaFirstRowAbs, kAreaFirstRow},
    kLastRowField{kAreaLastRowAbs, kAreaLastRow}, kFirstColField{kAreaFirstColAbs, kAreaFirstCol},
    kLastColField{kAreaLastColAbs, kAreaLastCol};

// Which end of an area an index is (a single reference has one).
enum TEnd { eSingle, eFirst, eLast };

// The 3-D references of a formula name's tokens to sheet `sheet` after columns (rows) of it were
// inserted or deleted. `move` (index, end, out moved) says where an index goes, false when it
// went with a deleted block. Absolute parts move with their cells; relative parts count from the
// cell that uses the name and stay. A reference into a deleted block becomes the error #REF!.
template <typename Move>
void AdjustNameTokens(TcxTokenString& tokens, int sheet, bool isColumns, Move&& move) {
  const TField single = isColumns ? kRefColField : kRefRowField;
  const TField ends[2] = {isColumns ? kFirstColField : kFirstRowField,
                          isColumns ? kLastColField : kLastRowField};
  TcxTokenString adjusted;
  adjusted.reserve(tokens.size());
  for (size_t pos = 0; pos < tokens.size();) {
    const size_t size = TokenSizeAt(tokens, pos);
    if (size == 0) return;  // damaged tokens are left as they are
    uint8_t* token = tokens.data() + pos;
    pos += size;
    bool invalid = false;
    if (Is3d(token) && ReadUInt16(token + 1) == sheet) {
      uint8_t* p = token + k3dShift;
      const bool area = IsArea(token);
      int64_t values[2] = {0, 0};
      bool absolute[2] = {false, false};
      for (int k = 0; k < (area ? 2 : 1); ++k) {
        const TField field = area ? ends[k] : single;
        values[k] = ReadInt32(p + field.Value);
        absolute[k] = p[field.Abs] != 0;
        if (!absolute[k]) continue;
        if (!move(values[k], area ? (k == 0 ? eFirst : eLast) : eSingle, values[k]) ||
            values[k] > INT32_MAX) {
          invalid = true;
          break;
        }
        WriteInt32(p + field.Value, static_cast<int32_t>(values[k]));
      }
      if (area && absolute[0] && absolute[1] && values[0] > values[1]) invalid = true;
    }
    if (invalid) {
      adjusted.push_back(ptgErr);
      adjusted.push_back(static_cast<uint8_t>(ecRef));
    } else {
      adjusted.insert(adjusted.end(), token, token + size);
    }
  }
  tokens = std::move(adjusted);
}

constexpr std::string_view kNameForbidden = " ()&@#%^+-*/\\|,.;{}[]'\"?";

}  // namespace

// --- Names and sheets ---------------------------------------------------------------------------

TcxSSSheetsDef TcxSSFormulasCache::GetSheets() const {
  TcxSSSheetsDef sheets;
  for (int i = 0; i < book_.PageCount(); ++i) {
    const std::string& caption = book_.Pages(i).Caption();
    sheets.push_back(
        {caption.find(' ') != std::string::npos ? "'" + caption + "'" : caption, i});
  }
  return sheets;
}

const std::vector<uint32_t>* TcxSSFormulasCache::TcxNameIndex::OfLength(size_t length) const {
  const auto at = std::lower_bound(ByLength.begin(), ByLength.end(), length,
                                   [](const auto& bucket, size_t n) { return bucket.first > n; });
  return at != ByLength.end() && at->first == length ? &at->second : nullptr;
}

const TcxSSFormulasCache::TcxNameIndex& TcxSSFormulasCache::NameIndex() const {
  TcxNameIndex& index = nameIndex_;
  if (!index.Valid) {
    index = TcxNameIndex();
    index.Valid = true;
  }
  for (; index.Indexed < names_.size(); ++index.Indexed) {
    const std::string& name = names_[index.Indexed].Name;
    const auto i = static_cast<uint32_t>(index.Indexed);
    if (!unicode::IsPrintableAscii(name)) index.Unusual.push_back(i);
    auto at = std::lower_bound(index.ByLength.begin(), index.ByLength.end(), name.size(),
                               [](const auto& bucket, size_t n) { return bucket.first > n; });
    if (at == index.ByLength.end() || at->first != name.size())
      at = index.ByLength.insert(at, {name.size(), {}});
    at->second.push_back(i);
  }
  return index;
}

int TcxSSFormulasCache::FindName(std::string_view name, int sheet) const {
  const ITextServices& text = *book_.Environment().Text;
  // The page's own name hides the workbook's; of several, the first.
  int own = -1;
  int workbook = -1;
  // Names are compared only once they are seen: the locale's comparison is the costly part.
  const auto consider = [&](uint32_t i, const auto& equal) {
    const TcxSSNameDefinition& n = names_[i];
    if (!NameVisible(n, sheet) || !equal(n.Name)) return;
    int& found = n.Scope >= 0 ? own : workbook;
    if (found < 0 || static_cast<int>(i) < found) found = static_cast<int>(i);
  };
  const auto sameAscii = [name](const std::string& n) { return unicode::SameNoCaseAscii(n, name); };
  const auto sameText = [&](const std::string& n) { return text.CompareText(n, name) == 0; };
  if (unicode::IsPrintableAscii(name)) {
    // Printable ASCII equals, without case, only printable ASCII of its length, whatever the
    // locale; the names holding anything else are compared as the locale compares.
    const TcxNameIndex& index = NameIndex();
    if (const std::vector<uint32_t>* same = index.OfLength(name.size()))
      for (const uint32_t i : *same) consider(i, sameAscii);
    for (const uint32_t i : index.Unusual) consider(i, sameText);
  } else {
    for (size_t i = 0; i < names_.size(); ++i) consider(static_cast<uint32_t>(i), sameText);
  }
  return own >= 0 ? own : workbook;
}

int TcxSSFormulasCache::AddName(const std::string& name, int sheet, bool check,
                                const TRect& area) {
  if (check) {
    if (name.empty() || name.find_first_of(kNameForbidden) != std::string::npos) return -1;
    // A cut name could equal another one in the file.
    if (unicode::Utf16Length(name) > kXlsMaxDefinedName) return -1;
    if (FindName(name) >= 0) return -1;
    const ITextServices& text = *book_.Environment().Text;
    for (int i = 0; i < book_.PageCount(); ++i)
      if (text.CompareText(book_.Pages(i).Caption(), name) == 0) return -1;
  }
  // Name tokens hold a 16-bit index, and a name's sheet is one byte: a name that cannot be
  // held exactly is refused rather than pointed at another sheet.
  if (names_.size() > 0xFFFF || sheet < 0 || sheet > 0xFF) return -1;
  TcxSSNameDefinition definition;
  definition.Name = name;
  definition.Sheet = static_cast<uint8_t>(sheet);
  definition.Area = area;
  names_.push_back(std::move(definition));
  return static_cast<int>(names_.size() - 1);
}

int TcxSSFormulasCache::DefineName(TcxSSNameDefinition name) {
  if (name.Name.empty() || names_.size() > 0xFFFF) return -1;
  if (name.Scope < -1 || name.Scope >= book_.PageCount()) return -1;
  if (name.Kind == nkCells && name.Sheet >= book_.PageCount()) return -1;
  const ITextServices& text = *book_.Environment().Text;
  for (const TcxSSNameDefinition& n : names_)
    if (!n.Deleted && n.Scope == name.Scope && text.CompareText(n.Name, name.Name) == 0) return -1;
  if (name.Kind == nkFormula) {
    name.Tokens.clear();
    formulaNames_ = formulaNames_ || !name.Deleted;
  }
  names_.push_back(std::move(name));
  return static_cast<int>(names_.size() - 1);
}

bool TcxSSFormulasCache::SetNameFormula(int index, std::string_view text) {
  if (index < 0 || static_cast<size_t>(index) >= names_.size()) return false;
  TcxSSNameDefinition& name = names_[static_cast<size_t>(index)];
  if (name.Kind != nkFormula) return false;
  // A name's formula is parsed as if it were a formula of cell A1 of the name's own page (of no
  // page for a workbook name), so that the names it uses are the ones its scope sees.
  TcxSSFormula formula;
  formula.Sheet = name.Scope >= 0 ? static_cast<uint16_t>(name.Scope) : kDeletedSheet;
  lastMessage_.clear();
  errorFlag_ = false;
  handler_.ParseNameFormula(text, formula);
  const bool ok = !formula.ParseFailed && !errorFlag_ && handler_.ErrorCode() == 0 &&
                  !formula.Tokens.empty() && !handler_.FormulaText(formula).empty();
  errorFlag_ = false;
  name.Tokens = ok ? std::move(formula.Tokens) : TcxTokenString();
  return ok;
}

std::string TcxSSFormulasCache::NameFormulaText(int index) {
  if (index < 0 || static_cast<size_t>(index) >= names_.size()) return {};
  const TcxSSNameDefinition& name = names_[static_cast<size_t>(index)];
  TcxSSFormula formula;
  formula.Sheet = name.Scope >= 0 ? static_cast<uint16_t>(name.Scope) : kDeletedSheet;
  if (name.Kind == nkCells) {
    const TRect& a = name.Area;
    if (a.Left == a.Right && a.Top == a.Bottom)
      AppendRef3d(formula.Tokens, name.Sheet, true, true, a.Top, a.Left);
    else
      AppendArea3d(formula.Tokens, name.Sheet, true, true, true, true, a.Top, a.Bottom, a.Left,
                   a.Right);
  } else {
    formula.Tokens = name.Tokens;
  }
  if (formula.Tokens.empty()) return {};
  const bool silent = silent_;
  silent_ = true;
  std::string text = handler_.FormulaText(formula);
  silent_ = silent;
  errorFlag_ = false;
  return text;
}

void TcxSSFormulasCache::ExportNameTokens(int index, TcxTokenString& tokens) {
  tokens.clear();
  if (index < 0 || static_cast<size_t>(index) >= names_.size()) return;
  const TcxSSNameDefinition& name = names_[static_cast<size_t>(index)];
  if (name.Kind != nkFormula || name.Tokens.empty()) return;
  TcxSSFormula formula;
  formula.Sheet = name.Scope >= 0 ? static_cast<uint16_t>(name.Scope) : kDeletedSheet;
  formula.Tokens = name.Tokens;
  // A name's references are references, as Excel writes them: a name of an area used where a
  // value is wanted then takes its cell in the row or column of the formula using it.
  handler_.ExportTokens(formula, tokens, {}, 'R');
}

bool TcxSSFormulasCache::DeleteName(const std::string& name) {
  const int index = FindName(name);
  if (index < 0) return false;
  names_[index].Deleted = true;
  NamesChanged();
  return true;
}

void TcxSSFormulasCache::SetNames(TcxSSNamesDef names) {
  names_ = std::move(names);
  NamesChanged();
}

void TcxSSFormulasCache::NamesChanged() {
  nameIndex_.Valid = false;
  formulaNames_ = std::any_of(names_.begin(), names_.end(), [](const TcxSSNameDefinition& n) {
    return !n.Deleted && n.Kind == nkFormula;
  });
}

// --- Sheets moving ---------------------------------------------------------------------------------

void TcxSSFormulasCache::ExchangeSheets(int a, int b) {
  auto swap = [a, b](int sheet) { return sheet == a ? b : (sheet == b ? a : sheet); };
  for (auto& formula : formulas_) {
    if (!formula) continue;
    formula->Sheet = static_cast<uint16_t>(swap(formula->Sheet));
    ForEachReferenceToken(formula->Tokens, [&](uint8_t* token) {
      if (Is3d(token)) WriteUInt16(token + 1, static_cast<uint16_t>(swap(ReadUInt16(token + 1))));
    });
    ForEachSheetError(formula->Tokens, [&](uint8_t* token) {
      WriteUInt16(token + 1, static_cast<uint16_t>(swap(ReadUInt16(token + 1))));
    });
  }
  for (auto& name : names_) {
    name.Sheet = static_cast<uint8_t>(swap(name.Sheet));
    if (name.Scope >= 0) name.Scope = swap(name.Scope);
    ForEachReferenceToken(name.Tokens, [&](uint8_t* token) {
      if (Is3d(token)) WriteUInt16(token + 1, static_cast<uint16_t>(swap(ReadUInt16(token + 1))));
    });
  }
  NamesChanged();
}

void TcxSSFormulasCache::DeleteSheet(int index) {
  // References to the deleted sheet give "#REF!"; later sheets keep being referred to.
  const auto moveSheet = [index](uint8_t* token) {
    if (!Is3d(token) && token[0] != ptgRefErr3d && token[0] != ptgAreaErr3d) return;
    const uint16_t sheet = ReadUInt16(token + 1);
    if (sheet == kDeletedSheet) return;
    if (sheet == index)
      WriteUInt16(token + 1, kDeletedSheet);
    else if (sheet > index)
      WriteUInt16(token + 1, static_cast<uint16_t>(sheet - 1));
  };
  for (auto& formula : formulas_) {
    if (!formula) continue;
    // The deleted sheet's own formulas normally went with its cells; one still listed is left
    // on no sheet, so that it can neither be shown nor refer to a neighbour's cells.
    if (formula->Sheet == index)
      formula->Sheet = kDeletedSheet;
    else if (formula->Sheet > index && formula->Sheet != kDeletedSheet)
      --formula->Sheet;
    ForEachReferenceToken(formula->Tokens, moveSheet);
    ForEachSheetError(formula->Tokens, moveSheet);
  }
  for (auto& name : names_) {
    // A page's own names go with it.
    if (name.Scope == index) name.Deleted = true;
    if (name.Scope > index) --name.Scope;
    if (name.Kind == nkFormula) {
      ForEachReferenceToken(name.Tokens, moveSheet);
    } else if (name.Sheet == index) {
      name.Deleted = true;
    } else if (name.Sheet > index) {
      --name.Sheet;
    }
  }
  NamesChanged();
}

// --- Rows and columns moving -----------------------------------------------------------------------

void TcxSSFormulasCache::AdjustReferences(int sheet, const TRect& rect, bool isColumns,
                                          bool isDelete) {
  const int64_t start = isColumns ? rect.Left : rect.Top;
  const int64_t count =
      isColumns ? int64_t(rect.Right) - rect.Left + 1 : int64_t(rect.Bottom) - rect.Top + 1;
  if (count <= 0 || start < 0) return;
  // Where index i goes; an index inside a deleted block goes nowhere (false). For an area the
  // first index of a deleted block becomes the start (the first index after the block moves
  // there) and the last one the index before it, so that an area shrinks over the block.
  auto move = [&](int64_t i, TEnd end, int64_t& moved) {
    moved = i;
    if (!isDelete) {
      if (i >= start) moved = i + count;
    } else if (i >= start + count) {
      moved = i - count;
    } else if (i >= start) {
      if (end == eSingle) return false;
      moved = end == eFirst ? start : start - 1;
    }
    return moved >= 0 && moved <= INT32_MAX;
  };

  for (auto& name : names_) {
    if (name.Deleted) continue;
    if (name.Kind == nkFormula) {
      AdjustNameTokens(name.Tokens, sheet, isColumns, move);
      continue;
    }
    if (name.Sheet != sheet) continue;
    int& first = isColumns ? name.Area.Left : name.Area.Top;
    int& last = isColumns ? name.Area.Right : name.Area.Bottom;
    int64_t f = 0, l = 0;
    const bool single = first == last;
    if (!move(first, single ? eSingle : eFirst, f) || !move(last, single ? eSingle : eLast, l) ||
        f > l) {
      name.Deleted = true;
      continue;
    }
    first = static_cast<int>(f);
    last = static_cast<int>(l);
  }
  NamesChanged();

  const TField fields[2][3] = {{kRefColField, kFirstColField, kLastColField},
                               {kRefRowField, kFirstRowField, kLastRowField}};
  const TField* axis = fields[isColumns ? 0 : 1];
  for (size_t i = 0; i < formulas_.size(); ++i) {
    TcxSSFormula* formula = formulas_[i].get();
    if (!formula) continue;
    const bool onSheet = formula->Sheet == sheet;
    int32_t& own = isColumns ? formula->Col : formula->Row;
    const int64_t oldOwn = own;
    if (isDelete && onSheet && oldOwn >= start && oldOwn < start + count) continue;
    int64_t newOwn = oldOwn;
    if (onSheet) move(oldOwn, eSingle, newOwn);
    const int oldCol = formula->Col;
    const int oldRow = formula->Row;
    bool invalid = false;
    bool changed = newOwn != oldOwn;
    ForEachReferenceToken(formula->Tokens, [&](uint8_t* token) {
      const bool is3d = Is3d(token);
      if (is3d ? ReadUInt16(token + 1) != sheet : !onSheet) {
        // A reference elsewhere keeps its cells; a relative one follows the formula's move.
        if (is3d || newOwn == oldOwn) return;
      }
      uint8_t* p = is3d ? token + k3dShift : token;
      const int64_t before = is3d ? 0 : oldOwn;
      const int64_t after = is3d ? 0 : newOwn;
      const bool area = IsArea(token);
      const bool refersHere = is3d ? ReadUInt16(token + 1) == sheet : onSheet;
      int64_t values[2] = {0, 0};
      for (int k = 0; k < (area ? 2 : 1); ++k) {
        const TField field = area ? axis[1 + k] : axis[0];
        const bool absolute = p[field.Abs] != 0;
        int64_t index = ReadInt32(p + field.Value) + (absolute ? 0 : before);
        if (refersHere && !move(index, area ? (k == 0 ? eFirst : eLast) : eSingle, index))
          invalid = true;
        values[k] = index;
        const int64_t stored = absolute ? index : index - after;
        if (stored < INT32_MIN || stored > INT32_MAX) invalid = true;
        const int32_t value = static_cast<int32_t>(stored);
        if (value != ReadInt32(p + field.Value)) {
          WriteInt32(p + field.Value, value);
          changed = true;
        }
      }
      if (area && values[0] > values[1]) invalid = true;
    });
    own = static_cast<int32_t>(newOwn);
    if (onSheet && formula->Block.Kind != fbNone) {
      // The block moves with its cells (the sheet refuses to cut through one).
      int& first = isColumns ? formula->Block.Cells.Left : formula->Block.Cells.Top;
      int& last = isColumns ? formula->Block.Cells.Right : formula->Block.Cells.Bottom;
      int64_t f = first, l = last;
      if (move(first, eFirst, f) && move(last, eLast, l) && f <= l) {
        changed = changed || f != first || l != last;
        first = static_cast<int>(f);
        last = static_cast<int>(l);
      }
    }
    if (!changed && !invalid) continue;
    // The cell is still at its old place: the storage moves it afterwards.
    if (formula->Sheet >= book_.PageCount()) continue;
    TcxSSDataStorage& storage = book_.Pages(formula->Sheet).DataStorage();
    TcxSSCellRec cell = storage.GetCell(oldCol, oldRow);
    if (cell.Formula != formula) continue;
    if (invalid) {
      cell.Text = ErrorToText(ecRef);
      cell.Kind = ckText;
      cell.Formula = nullptr;
    } else {
      cell.Text = FormulaText(*formula);
    }
    // The cell is written first: recording the change for undo still reads the old formula.
    storage.SetCell(oldCol, oldRow, cell);
    if (invalid) RemoveFormula(formula);
  }
}

std::vector<TRect> TcxSSFormulasCache::Blocks(int sheet) const {
  std::vector<TRect> blocks;
  for (const auto& formula : formulas_) {
    if (!formula || formula->Sheet != sheet || formula->Block.Kind == fbNone) continue;
    const TRect& b = formula->Block.Cells;
    if (formula->Col == b.Left && formula->Row == b.Top) blocks.push_back(b);
  }
  return blocks;
}

bool TcxSSFormulasCache::CutsBlock(int sheet, const TRect& rect, int mode, bool isDelete) const {
  const auto intersects = [](const TRect& a, const TRect& b) {
    return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
  };
  for (const TRect& b : Blocks(sheet)) {
    switch (mode) {
      case 0:
      case 1: {
        // The cells that move: the rectangle's rows (columns) from its first column (row) on.
        TRect moving = rect;
        if (mode == 0)
          moving.Right = INT32_MAX;
        else
          moving.Bottom = INT32_MAX;
        if (intersects(moving, b)) return true;
        break;
      }
      default: {
        const bool columns = mode == 2;
        const int first = columns ? rect.Left : rect.Top;
        const int last = columns ? rect.Right : rect.Bottom;
        const int bFirst = columns ? b.Left : b.Top;
        const int bLast = columns ? b.Right : b.Bottom;
        if (!isDelete && bFirst < first && first <= bLast) return true;
        if (isDelete && bFirst <= last && first <= bLast && (bFirst < first || bLast > last))
          return true;
        break;
      }
    }
  }
  return false;
}

void TcxSSFormulasCache::ShiftSheetReferences(TcxSSFormula& formula, int rowDelta, int colDelta) {
  ForEachReferenceToken(formula.Tokens, [&](uint8_t* token) {
    if (!Is3d(token)) return;
    uint8_t* p = token + k3dShift;
    auto add = [p](size_t offset, int delta) {
      WriteInt32(p + offset, static_cast<int32_t>(int64_t(ReadInt32(p + offset)) + delta));
    };
    if (IsArea(token)) {
      add(kAreaFirstRow, rowDelta);
      add(kAreaLastRow, rowDelta);
      add(kAreaFirstCol, colDelta);
      add(kAreaLastCol, colDelta);
    } else {
      add(kRefRow, rowDelta);
      add(kRefCol, colDelta);
    }
  });
}

bool TcxSSFormulasCache::ValidateReferences(const TcxSSFormula& formula) const {
  TcxTokenString tokens = formula.Tokens;
  size_t walked = 0;
  bool valid = true;
  ForEachReferenceToken(tokens, [&](uint8_t* token) {
    const bool is3d = Is3d(token);
    const uint8_t* p = is3d ? token + k3dShift : token;
    const int64_t row = is3d ? 0 : formula.Row;
    const int64_t col = is3d ? 0 : formula.Col;
    auto check = [&](TField field, int64_t base) {
      if (ReadInt32(p + field.Value) + (p[field.Abs] ? 0 : base) < 0) valid = false;
    };
    if (IsArea(token)) {
      check(kFirstRowField, row);
      check(kLastRowField, row);
      check(kFirstColField, col);
      check(kLastColField, col);
    } else {
      check(kRefRowField, row);
      check(kRefColField, col);
    }
  });
  // A damaged token string is not valid either.
  while (walked < tokens.size()) {
    const size_t size = TokenSizeAt(tokens, walked);
    if (size == 0) return false;
    walked += size;
  }
  return valid;
}
