#include "cli/CliScript.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSUtils.h"
#include "cli/CliBook.h"
#include "platform/Unicode.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSClipboard.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "calc/cxExcelLimits.h"

namespace {

// A command the script refuses: bad arguments, protected cells, nothing to undo.
class EScriptError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Copying writes every cell of the range, stored or not, merging and splitting keep and restyle
// every cell, and print writes a field for each: a million cells is about 55 MB of clipboard
// block, or 150 MB kept for undo.
constexpr long long kCellLimit = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string CellText(int col, int row) {
  return TcxSSUtils::ColumnName(col) + TcxSSUtils::RowName(row);
}

std::string RangeText(const TRect& r) {
  std::string text = CellText(r.Left, r.Top);
  if (r.Right != r.Left || r.Bottom != r.Top) text += ":" + CellText(r.Right, r.Bottom);
  return text;
}

long long CellCount(const TRect& r) {
  return (static_cast<long long>(r.Right) - r.Left + 1) * (static_cast<long long>(r.Bottom) - r.Top + 1);
}

// A name the formula parser would read as something else: a cell reference in A1 or R1C1 form,
// or anything that starts with a digit.
bool ReadsAsReference(std::string_view name) {
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return true;
  size_t letters = 0;
  while (letters < name.size() && std::isalpha(static_cast<unsigned char>(name[letters]))) ++letters;
  if (letters > 0 && letters < name.size() &&
      std::all_of(name.begin() + static_cast<std::ptrdiff_t>(letters), name.end(),
                  [](char c) { return c >= '0' && c <= '9'; }))
    return true;
  // R, C, R1, C2, RC, R1C1 (either case).
  size_t i = 0;
  auto part = [&](char letter) {
    if (i < name.size() && std::toupper(static_cast<unsigned char>(name[i])) == letter) {
      ++i;
      while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
      return true;
    }
    return false;
  };
  const bool r = part('R');
  const bool c = part('C');
  return (r || c) && i == name.size();
}

}  // namespace

// The words of one command line after the command's name.
class TCliScript::TArguments {
public:
  TArguments(std::string_view rest, const TCommand& command) : rest_(rest), command_(command) {}

  // The next blank-separated word, or empty at the end of the line.
  std::string_view Next() {
    rest_ = TrimLeft(rest_);
    size_t end = 0;
    while (end < rest_.size() && !IsBlank(rest_[end])) ++end;
    const std::string_view word = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return word;
  }
  std::string_view Required() {
    const std::string_view word = Next();
    if (word.empty()) Usage();
    return word;
  }
  // The rest of the line after the blanks that follow the last word read, as it stands.
  std::string_view Rest() {
    const std::string_view rest = TrimLeft(rest_);
    rest_ = {};
    return rest;
  }
  void End() {
    if (!Next().empty()) Usage();
  }
  // One of `choices` (a word that is not one of them is a usage error); its position.
  int Choice(std::initializer_list<std::string_view> choices) {
    const std::string_view word = Required();
    int index = 0;
    for (const std::string_view choice : choices) {
      if (word == choice) return index;
      ++index;
    }
    Usage();
  }
  bool OnOff() { return Choice({"off", "on"}) == 1; }

  TRect Range() {
    TRect range;
    std::string error;
    if (!ParseCellRange(Required(), range, error)) throw EScriptError(error);
    return range;
  }
  TRect Cell() {
    const TRect cell = Range();
    if (cell.Left != cell.Right || cell.Top != cell.Bottom) Usage();
    return cell;
  }
  // A count or an index: a whole number from `minimum` on.
  int Number(std::string_view word, int minimum) {
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < minimum)
      throw EScriptError("not a " + std::string(minimum == 0 ? "sheet number" : "count") + ": \"" +
                         std::string(word) + "\"");
    return value;
  }
  int SheetIndex() { return Number(Required(), 0); }

  [[noreturn]] void Usage() const { throw EScriptError("usage: " + std::string(command_.Usage)); }

private:
  std::string_view rest_;
  const TCommand& command_;
};

const TCliScript::TCommand TCliScript::kCommands[] = {
    {"sheet", &TCliScript::ActivateSheet, "sheet N"},
    {"set", &TCliScript::SetText, "set CELL TEXT"},
    {"setraw", &TCliScript::SetRawText, "setraw CELL TEXT"},
    {"clear", &TCliScript::Clear, "clear RANGE [formats]"},
    {"insert", &TCliScript::Insert, "insert RANGE right|down|columns|rows"},
    {"delete", &TCliScript::Delete, "delete RANGE left|up|columns|rows"},
    {"hide", &TCliScript::Hide, "hide RANGE cells|columns|rows"},
    {"show", &TCliScript::Show, "show RANGE cells|columns|rows"},
    {"merge", &TCliScript::Merge, "merge RANGE"},
    {"split", &TCliScript::Split, "split RANGE"},
    {"sort", &TCliScript::Sort, "sort RANGE asc|desc [asc|desc ...]"},
    {"copy", &TCliScript::Copy, "copy RANGE"},
    {"cut", &TCliScript::Cut, "cut RANGE"},
    {"paste", &TCliScript::Paste, "paste RANGE"},
    {"undo", &TCliScript::Undo, "undo [N]"},
    {"redo", &TCliScript::Redo, "redo [N]"},
    {"name", &TCliScript::Name, "name NAME RANGE"},
    {"addsheet", &TCliScript::AddSheet, "addsheet [CAPTION]"},
    {"delsheet", &TCliScript::DeleteSheet, "delsheet N"},
    {"rename", &TCliScript::Rename, "rename N CAPTION"},
    {"exchange", &TCliScript::Exchange, "exchange N M"},
    {"autorecalc", &TCliScript::AutoRecalc, "autorecalc on|off"},
    {"recalc", &TCliScript::Recalc, "recalc"},
    {"protect", &TCliScript::Protect, "protect sheet|book on|off [PASSWORD]"},
    {"print", &TCliScript::Print, "print RANGE"},
    {"history", &TCliScript::History, "history"},
    {"dump", &TCliScript::Dump, "dump [--formulas|--display]"},
    {"save", &TCliScript::Save, "save FILE"},
};

TCliScript::TCliScript(TcxSpreadSheetBook& book, TCliMessages& messages, std::ostream& out,
                       std::ostream& err)
    : book_(book), messages_(messages), out_(out), err_(err) {}

namespace {

// The next line of `in` without its end, which is LF, CR or CR LF, as scripts written on any
// system have them; false when nothing is left.
bool ReadLine(std::istream& in, std::string& line) {
  line.clear();
  std::streambuf& buffer = *in.rdbuf();
  for (int c = buffer.sbumpc(); c != std::char_traits<char>::eof(); c = buffer.sbumpc()) {
    if (c == '\n') return true;
    if (c == '\r') {
      if (buffer.sgetc() == '\n') buffer.sbumpc();
      return true;
    }
    line += static_cast<char>(c);
  }
  in.setstate(std::ios::eofbit);
  return !line.empty();
}

}  // namespace

bool TCliScript::Run(std::istream& in) {
  bool ok = true;
  std::string line;
  for (int number = 1; ReadLine(in, line); ++number) ok = RunLine(number, line) && ok;
  out_.flush();
  return ok;
}

bool TCliScript::RunLine(int number, std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::string_view text = TrimLeft(line);
  if (text.empty() || text.front() == '#') return true;
  bool ok = true;
  auto fail = [&](std::string_view message) {
    out_.flush();
    err_ << "line " << number << ": " << message << '\n';
    ok = false;
  };
  try {
    Execute(text);
  } catch (const std::exception& e) {
    fail(e.what());
  }
  // A message box of the formula engine (a formula that does not parse, a cycle) is the
  // command's failure too; it has been shown by now and changed what it changes.
  for (const std::string& message : messages_.Take()) fail(message);
  return ok;
}

void TCliScript::Execute(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  const std::string_view name = line.substr(0, end);
  const auto command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const TCommand& c) { return c.Name == name; });
  if (command == std::end(kCommands))
    throw EScriptError("unknown command \"" + std::string(name) + "\"");
  TArguments args(line.substr(end), *command);
  (this->*command->Run)(args);
}

TcxSSBookSheet& TCliScript::Sheet() const { return book_.ActiveSheet(); }

TRect TCliScript::Select(const TRect& cells) {
  Sheet().SetSelection(cells);
  return Sheet().Selection();
}

namespace {

void RequireChangeable(const TcxSSBookSheet& sheet, const TRect& cells) {
  if (!sheet.CanChangeRange(cells))
    throw EScriptError(RangeText(cells) + (CellCount(cells) == 1 ? " is protected"
                                                                  : " holds protected cells"));
}

void RequireCellLimit(const TRect& cells, std::string_view command) {
  if (CellCount(cells) > kCellLimit)
    throw EScriptError(std::string(command) + " takes at most " + std::to_string(kCellLimit) +
                       " cells; " + RangeText(cells) + " has " + std::to_string(CellCount(cells)));
}

}  // namespace

// --- Sheets -----------------------------------------------------------------------------------

void TCliScript::ActivateSheet(TArguments& args) {
  const int index = args.SheetIndex();
  args.End();
  book_.Pages(index);  // "Invalid page number" beyond the pages
  // The workbook would move on to a visible sheet instead.
  if (!book_.PageVisible(index))
    throw EScriptError("sheet " + std::to_string(index) + " is hidden");
  book_.SetActivePage(index);
}

bool TCliScript::CaptionTaken(const std::string& caption) const {
  for (int page = 0; page < book_.PageCount(); ++page)
    if (book_.Environment().Text->CompareText(book_.Pages(page).Caption(), caption) == 0) return true;
  return false;
}

void TCliScript::AddSheet(TArguments& args) {
  std::string caption(TrimRight(args.Rest()));
  // The workbook stores any caption as it is, and numbers a new sheet by the page count, which
  // can repeat a caption once a sheet has been deleted; a file with two sheets of one name is
  // damaged for every other program, so the script never makes one.
  if (caption.empty()) {
    for (int number = book_.PageCount() + 1; caption.empty() || CaptionTaken(caption); ++number)
      caption = std::string(kSheetCaptionPrefix) + std::to_string(number);
  } else if (CaptionTaken(caption)) {
    throw ESpreadSheetError(std::string(kSheetCaptionInvalid));
  }
  book_.AddSheet(caption);
}

void TCliScript::DeleteSheet(TArguments& args) {
  const int index = args.SheetIndex();
  args.End();
  book_.Pages(index);
  // The workbook ignores the request for its only sheet.
  if (book_.PageCount() == 1) throw ESpreadSheetError(std::string(kCannotDeleteLastSheet));
  book_.DeleteSheet(index);
}

void TCliScript::Rename(TArguments& args) {
  const int index = args.SheetIndex();
  const std::string caption(TrimRight(args.Rest()));
  if (caption.empty()) args.Usage();
  book_.Pages(index).SetCaption(caption);
}

void TCliScript::Exchange(TArguments& args) {
  const int a = args.SheetIndex();
  const int b = args.SheetIndex();
  args.End();
  book_.Pages(a);
  book_.Pages(b);
  book_.ExchangeSheets(a, b);
}

// --- Cells --------------------------------------------------------------------------------------

void TCliScript::SetText(TArguments& args) {
  const TRect cell = args.Cell();
  const std::string text(args.Rest());
  // The in-grid editor opens only on a cell that may be changed.
  RequireChangeable(Sheet(), cell);
  TcxSSCellObject object(Sheet().DataStorage(), cell.Left, cell.Top);
  object.SetText(text);
}

void TCliScript::SetRawText(TArguments& args) {
  const TRect cell = args.Cell();
  const std::string text(args.Rest());
  RequireChangeable(Sheet(), cell);
  {
    TcxSSCellObject object(Sheet().DataStorage(), cell.Left, cell.Top);
    object.SetRawText(text, false);
  }
  // Raw text leaves recalculation and refresh to its caller.
  book_.UpdateControl();
}

void TCliScript::Clear(TArguments& args) {
  const TRect range = args.Range();
  const std::string_view word = args.Next();
  if (!word.empty() && word != "formats") args.Usage();
  args.End();
  const TRect cells = Select(range);
  RequireChangeable(Sheet(), cells);
  Sheet().ClearCells(cells, !word.empty());
}

void TCliScript::ShiftCells(TArguments& args, bool isDelete) {
  const TRect range = args.Range();
  const int mode = isDelete ? args.Choice({"left", "up", "columns", "rows"})
                            : args.Choice({"right", "down", "columns", "rows"});
  args.End();
  const TRect cells = Select(range);
  if (book_.ExcelProtectionStyle()) RequireChangeable(Sheet(), cells);
  if (isDelete)
    Sheet().DeleteCells(cells, mode);
  else
    Sheet().InsertCells(cells, mode);
}

void TCliScript::Insert(TArguments& args) { ShiftCells(args, false); }

void TCliScript::Delete(TArguments& args) { ShiftCells(args, true); }

void TCliScript::Visibility(TArguments& args, bool show) {
  const TRect range = args.Range();
  const int what = args.Choice({"cells", "columns", "rows"});
  args.End();
  const TRect cells = Select(range);
  Sheet().SetVisibility(cells, what != 2, show, what != 1);
}

void TCliScript::Hide(TArguments& args) { Visibility(args, false); }

void TCliScript::Show(TArguments& args) { Visibility(args, true); }

void TCliScript::MergeOrSplit(TArguments& args, bool merge) {
  const TRect range = args.Range();
  args.End();
  const TRect cells = Select(range);
  // Merging and splitting keep and restyle every cell of the area, stored or not.
  RequireCellLimit(cells, merge ? "merge" : "split");
  RequireChangeable(Sheet(), cells);
  Sheet().MergeCells(cells, merge);
}

void TCliScript::Merge(TArguments& args) { MergeOrSplit(args, true); }

void TCliScript::Split(TArguments& args) { MergeOrSplit(args, false); }

void TCliScript::Sort(TArguments& args) {
  const TRect range = args.Range();
  std::vector<uint8_t> directions;
  directions.push_back(static_cast<uint8_t>(args.Choice({"asc", "desc"})));
  while (true) {
    const std::string_view word = args.Next();
    if (word.empty()) break;
    if (word != "asc" && word != "desc") args.Usage();
    directions.push_back(word == "desc" ? 1 : 0);
  }
  const TRect cells = Select(range);
  const int columns = cells.Right - cells.Left + 1;
  if (static_cast<int>(directions.size()) > columns)
    throw EScriptError(RangeText(cells) + " has " + std::to_string(columns) + " key column" +
                       (columns == 1 ? "" : "s") + ", not " + std::to_string(directions.size()));
  Sheet().SortCells(cells, directions);
}

// --- Clipboard ----------------------------------------------------------------------------------

void TCliScript::CopyOrCut(TArguments& args, bool cut) {
  const TRect range = args.Range();
  args.End();
  const TRect cells = Select(range);
  RequireCellLimit(cells, cut ? "cut" : "copy");
  const bool changeable = Sheet().CanChangeRange(cells);
  // A cut of protected cells still copies them, as the window's command does.
  Sheet().CopyCells(cells, cut);
  if (cut && !changeable)
    throw EScriptError(RangeText(cells) + " holds protected cells: copied, not cut");
}

void TCliScript::Copy(TArguments& args) { CopyOrCut(args, false); }

void TCliScript::Cut(TArguments& args) { CopyOrCut(args, true); }

void TCliScript::Paste(TArguments& args) {
  const TRect range = args.Range();
  args.End();
  const TcxSSClipboard clipboard(*book_.Environment().Clipboard);
  if (clipboard.GetPrivateData().empty() && clipboard.GetUnicodeText().empty())
    throw EScriptError("the clipboard is empty");
  const TRect cells = Select(range);
  RequireChangeable(Sheet(), {cells.Left, cells.Top, cells.Left, cells.Top});
  Sheet().PasteCells(cells);
}

// --- History ------------------------------------------------------------------------------------

void TCliScript::Replay(TArguments& args, bool undo) {
  const std::string_view word = args.Next();
  const int count = word.empty() ? 1 : args.Number(word, 1);
  args.End();
  TcxSpreadSheetHistory& history = book_.History();
  if ((undo ? history.UndoList() : history.RedoList()).Count() == 0)
    throw EScriptError(undo ? "nothing to undo" : "nothing to redo");
  if (undo)
    history.Undo(count);
  else
    history.Redo(count);
}

void TCliScript::Undo(TArguments& args) { Replay(args, true); }

void TCliScript::Redo(TArguments& args) { Replay(args, false); }

void TCliScript::History(TArguments& args) {
  args.End();
  for (const std::string& step : book_.History().UndoDescriptions()) out_ << step << '\n';
}

// --- Workbook -----------------------------------------------------------------------------------

void TCliScript::Name(TArguments& args) {
  const std::string name(args.Required());
  const TRect cells = args.Range();
  args.End();
  if (unicode::Utf16Length(name) > kXlsMaxDefinedName)
    throw EScriptError(WithNumber(kNameTooLong, kXlsMaxDefinedName));
  if (ReadsAsReference(name) ||
      book_.FormulasCache().AddName(name, book_.ActivePage(), true, cells) < 0)
    throw EScriptError("\"" + name + "\" cannot be a new name");
}

void TCliScript::AutoRecalc(TArguments& args) {
  const bool on = args.OnOff();
  args.End();
  book_.SetAutoRecalc(on);
  if (on) book_.UpdateControl();
}

void TCliScript::Recalc(TArguments& args) {
  args.End();
  book_.Recalc();
  book_.UpdateControl();
}

void TCliScript::Protect(TArguments& args) {
  const bool book = args.Choice({"sheet", "book"}) == 1;
  const bool on = args.OnOff();
  // The password is the rest of the line: it may hold blanks.
  const std::string password(TrimRight(args.Rest()));
  if (on) {
    if (book)
      book_.Protect(password);
    else
      Sheet().Protect(password);
    return;
  }
  if (!(book ? book_.Unprotect(password) : Sheet().Unprotect(password)))
    throw EScriptError(std::string(kIncorrectPassword));
}

void TCliScript::Print(TArguments& args) {
  const TRect cells = args.Range();
  args.End();
  RequireCellLimit(cells, "print");
  // Reading through the storage records nothing.
  const int page = book_.ActivePage();
  for (int row = cells.Top; row <= cells.Bottom; ++row) {
    for (int col = cells.Left; col <= cells.Right; ++col) {
      if (col > cells.Left) out_ << '\t';
      out_ << CellValueText(book_, page, col, row);
    }
    out_ << '\n';
  }
}

void TCliScript::Dump(TArguments& args) {
  TCliOutputMode mode = TCliOutputMode::Values;
  const std::string_view word = args.Next();
  if (word == "--formulas")
    mode = TCliOutputMode::Formulas;
  else if (word == "--display")
    mode = TCliOutputMode::Display;
  else if (!word.empty())
    args.Usage();
  args.End();
  WriteSheetCsv(book_, book_.ActivePage(), mode, out_);
}

void TCliScript::Save(TArguments& args) {
  const std::string file(TrimRight(args.Rest()));
  if (file.empty()) args.Usage();
  // Saved, but not all of it: the command fails with what was cut.
  std::string lost;
  for (const TcxSaveLoss& loss : book_.SaveToFile(file).Losses)
    lost += (lost.empty() ? "" : "; ") + DescribeSaveLoss(book_, loss);
  if (!lost.empty()) throw EScriptError(lost);
}
