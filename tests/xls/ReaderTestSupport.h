#pragma once

// Helpers for the workbook reader tests: a load target that records everything the reader hands
// it (so the reader is tested on its own, whatever the workbook does with the calls), the corpus
// files, python3-xlrd's reading of a file as an independent oracle, and fixtures python3-xlwt
// writes.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/cxSSNumberFormat.h"
#include "calc/cxSSTypes.h"
#include "sheet/cxSSIntf.h"
#include "styles/cxSSCellStyle.h"

namespace readertest {

inline std::filesystem::path CorpusDir() { return ZOF_CORPUS_DIR; }

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The .xls files directly in `folder` of the corpus, sorted by name.
inline std::vector<std::filesystem::path> CorpusFiles(const std::string& folder = {}) {
  std::vector<std::filesystem::path> files;
  const auto dir = CorpusDir() / folder;
  if (!std::filesystem::is_directory(dir)) return files;
  for (const auto& item : std::filesystem::directory_iterator(dir))
    if (item.is_regular_file() && item.path().extension() == ".xls") files.push_back(item.path());
  std::sort(files.begin(), files.end());
  return files;
}

inline std::string TestName(const std::filesystem::path& path) {
  std::string name = path.stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

// --- The recording load target -----------------------------------------------------------------

struct TRecordedCell {
  std::string Text;  // plain text, or formula text when AsFormula
  bool HasText = false;
  bool AsFormula = false;
  bool AllowFormula = false;
  std::optional<double> Number;  // set by SetNumber (Text is then empty)
  int TextCount = 0;  // how often the value was set
  std::optional<TcxSSStyleRec> Style;  // Font and NumberFormat cleared: the reader's die with it
  std::optional<TcxSSFontRec> Font;
  std::optional<std::string> FormatCode;  // the number format code of the applied record
  uint16_t FormatBuiltIn = 0;
};

struct TRecordedHeaderItem {
  int Size = 0;
  bool Locked = false;
  bool Visible = true;
  bool Automatic = false;
};

class TRecordingSheet;

class TRecordingStyle : public IcxCellStyle {
public:
  explicit TRecordingStyle(TRecordedCell& cell) : cell_(cell) {}
  void ApplyBorder(int index, TcxSSEdgeLineStyle style, TcxSSColor color) override {
    Rec().Edges[static_cast<size_t>(index)] = {style, color};
  }
  void ApplyBrush(TcxSSFillStyle style, TcxSSColor foreground, TcxSSColor background) override {
    Rec().BrushStyle = style;
    Rec().ForegroundColor = foreground;
    Rec().BackgroundColor = background;
  }
  void ApplyFormat(TxlsDataFormat format) override { Rec().Format = format; }
  void ApplyFont(const TcxSSFontRec* font) override {
    if (font) cell_.Font = *font;
  }
  void ApplyStyleRec(const TcxSSStyleRec& rec, bool) override {
    cell_.Style = rec;
    cell_.Style->Font = nullptr;
    cell_.Style->NumberFormat = nullptr;
    if (rec.Font) cell_.Font = *rec.Font;
    cell_.FormatCode.reset();
    if (rec.NumberFormat) {
      cell_.FormatCode = rec.NumberFormat->Code();
      cell_.FormatBuiltIn = rec.NumberFormat->BuiltIn();
    }
  }

private:
  TcxSSStyleRec& Rec() {
    if (!cell_.Style) cell_.Style = TcxSSStyleRec{};
    return *cell_.Style;
  }
  TRecordedCell& cell_;
};

class TRecordingCell : public IcxSheetCell {
public:
  explicit TRecordingCell(TRecordedCell& cell) : cell_(cell), style_(cell) {}
  IcxCellStyle& GetStyle() override { return style_; }
  void SetText(const std::string& text) override { SetTextEx(text, false, true); }
  std::string GetText() const override { return cell_.Text; }
  void SetTextEx(const std::string& text, bool asFormula, bool allowFormula) override {
    cell_.Text = text;
    cell_.HasText = true;
    cell_.AsFormula = asFormula;
    cell_.AllowFormula = allowFormula;
    cell_.Number.reset();
    ++cell_.TextCount;
  }
  void SetNumber(double value) override {
    SetTextEx(std::string(), false, false);
    cell_.Number = value;
  }
  void SetPlainText(const std::string& text) override { SetTextEx(text, false, false); }
  // Every formula counts as read: the recording target parses nothing.
  bool IsFormula() const override { return cell_.AsFormula; }

private:
  TRecordedCell& cell_;
  TRecordingStyle style_;
};

class TRecordingSheet : public IcxBookSheet {
public:
  explicit TRecordingSheet(std::string caption) : Caption(std::move(caption)) {}

  void SetHeaderItem(int kind, int index, int size, bool locked, bool visible,
                     bool automatic) override {
    Headers[kind][index] = {size, locked, visible, automatic};
  }
  void SetDefaultSize(int kind, int size) override { DefaultSize[kind] = size; }
  void MergeCells(const TRect& cells, bool merge) override {
    if (merge) Merges.push_back(cells);
  }
  void SetDimensions(int cols, int rows) override { Dimensions = {cols, rows}; }
  void SetProtected(bool value) override { Protected = value; }
  void SetOptions(const TRect& selection, bool showFormulas, bool showGrid, bool showHeaders,
                  bool) override {
    Selection = selection;
    ShowFormulas = showFormulas;
    ShowGrid = showGrid;
    ShowHeaders = showHeaders;
    OptionsSet = true;
  }
  std::unique_ptr<IcxSheetCell> GetCell(int col, int row) override {
    return std::make_unique<TRecordingCell>(Cells[{row, col}]);
  }

  const TRecordedCell* Find(int col, int row) const {
    const auto it = Cells.find({row, col});
    return it == Cells.end() ? nullptr : &it->second;
  }

  std::string Caption;
  std::map<std::pair<int, int>, TRecordedCell> Cells;  // by (row, column)
  std::array<std::map<int, TRecordedHeaderItem>, 2> Headers;
  std::array<std::optional<int>, 2> DefaultSize;
  std::vector<TRect> Merges;
  std::optional<std::pair<int, int>> Dimensions;
  bool Protected = false;
  bool OptionsSet = false;
  TRect Selection;
  bool ShowFormulas = false;
  bool ShowGrid = true;
  bool ShowHeaders = true;
};

struct TRecordedName {
  std::string Name;
  int Page = 0;  // a name of cells: their page and rectangle
  TRect Area;
  int Scope = -1;
  bool Hidden = false;
  bool BuiltIn = false;
  bool IsFormula = false;
  std::string Formula;  // a formula name's formula text, once given
};

class TRecordingBook : public IcxSpreadSheetBook {
public:
  std::shared_ptr<IcxBookSheet> AddSheet(const std::string& caption) override {
    Sheets.push_back(std::make_shared<TRecordingSheet>(caption));
    Visible.push_back(true);
    return Sheets.back();
  }
  int BeginUpdate() override { return ++Lock; }
  int DefineName(const TcxSSNameDefinition& name) override {
    for (const auto& n : Names)
      if (n.Name == name.Name && n.Scope == name.Scope) return -1;
    Names.push_back({name.Name, name.Sheet, name.Area, name.Scope, name.Hidden, name.BuiltIn,
                     name.Kind == nkFormula, {}});
    return static_cast<int>(Names.size()) - 1;
  }
  bool SetNameFormula(int index, const std::string& text) override {
    Names.at(static_cast<size_t>(index)).Formula = text;
    return true;
  }
  int EndUpdate() override { return --Lock; }
  std::unique_ptr<IcxSheetCell> GetCell(int page, int col, int row) override {
    return Sheets.at(static_cast<size_t>(page))->GetCell(col, row);
  }
  std::shared_ptr<IcxBookSheet> GetSheet(int page) override {
    if (page < 0 || page >= GetPageCount()) throw ESpreadSheetError("Invalid page number");
    return Sheets[static_cast<size_t>(page)];
  }
  int GetPageCount() const override { return static_cast<int>(Sheets.size()); }
  void SetProtected(bool value) override { Protected = value; }
  void SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec& font) override {
    DefaultStyle = rec;
    DefaultStyle->NumberFormat = nullptr;
    DefaultFont = font;
  }
  void SetPalette(const std::array<TColor, 56>& palette) override { Palette = palette; }
  void SetPageVisible(int page, bool visible) override {
    Visible.at(static_cast<size_t>(page)) = visible;
  }

  TRecordingSheet& Sheet(int page) const { return *Sheets.at(static_cast<size_t>(page)); }

  std::vector<std::shared_ptr<TRecordingSheet>> Sheets;
  std::vector<bool> Visible;
  std::vector<TRecordedName> Names;
  bool Protected = false;
  int Lock = 0;
  std::optional<TcxSSStyleRec> DefaultStyle;
  std::optional<TcxSSFontRec> DefaultFont;
  std::optional<std::array<TColor, 56>> Palette;
};

// --- python3-xlrd --------------------------------------------------------------------------------

struct TXlrdCell {
  int Sheet = 0;
  int Row = 0;
  int Col = 0;
  char Kind = 'T';  // T text, N number, D date, B boolean, E error
  std::string Value;
  std::string Date;  // D: the civil date and time as xlrd reads it
};

struct TXlrdSheet {
  std::string Name;
  int Visibility = 0;
};

struct TXlrdName {
  std::string Name;
  int Options = 0;
  int Sheet = -1;  // -1 when the name is not one rectangle of one sheet
  TRect Area;
  int Scope = -1;  // the sheet of a sheet's own name, -1 for a workbook name
};

// A COLINFO (kind 0) or ROW (kind 1) record as xlrd reads it.
struct TXlrdHeaderItem {
  int Sheet = 0;
  int Kind = 0;
  int Index = 0;
  int Size = 0;  // 1/256 character or twips
  bool Hidden = false;
  bool CustomHeight = false;
  bool OwnFormat = false;
};

struct TXlrdBook {
  int DateMode = 0;
  std::vector<TXlrdHeaderItem> HeaderItems;
  std::vector<TXlrdName> Names;
  std::map<int, TColor> Palette;
  std::vector<TXlrdSheet> Sheets;
  std::vector<TXlrdCell> Cells;
  std::vector<std::pair<int, TRect>> Merges;  // sheet, inclusive cells
};

inline std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

inline std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// Why xlrd cannot be asked, or empty when it can.
inline std::string XlrdUnavailable() {
  static const std::string reason = [] {
    if (!std::filesystem::exists("/usr/bin/python3")) return std::string("/usr/bin/python3 is missing");
    if (std::system("/usr/bin/python3 -c 'import xlrd' >/dev/null 2>&1") != 0)
      return std::string("python3-xlrd is not installed (./test installs it)");
    return std::string();
  }();
  return reason;
}

// The output of one of the xlrd scripts of tests/xls on `file`; nothing when xlrd refuses it.
inline std::optional<std::string> RunXlrdScript(const std::string& script,
                                                const std::filesystem::path& file) {
  const std::string command = std::string("/usr/bin/python3 '") + ZOF_SOURCE_DIR +
                              "/tests/xls/" + script + "' '" + file.string() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string output;
  char buffer[65536];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return output;
}

// What xlrd reads of `file` beyond its values (xlrd_state.py): kind → place → value (escaped
// as the script writes it); nothing when xlrd refuses the file.
using TXlrdState = std::map<std::string, std::map<std::string, std::string>>;
inline std::optional<TXlrdState> ReadStateWithXlrd(const std::filesystem::path& file) {
  const std::optional<std::string> output = RunXlrdScript("xlrd_state.py", file);
  if (!output) return std::nullopt;
  TXlrdState state;
  size_t start = 0;
  while (start < output->size()) {
    size_t end = output->find('\n', start);
    if (end == std::string::npos) end = output->size();
    const auto f = SplitTabs(output->substr(start, end - start));
    start = end + 1;
    if (f.size() == 3) state[f[0]][f[1]] = f[2];
  }
  return state;
}

// xlrd's reading of `file`; nothing when xlrd refuses it.
inline std::optional<TXlrdBook> ReadWithXlrd(const std::filesystem::path& file) {
  const std::optional<std::string> read = RunXlrdScript("xlrd_dump.py", file);
  if (!read) return std::nullopt;
  const std::string& output = *read;

  TXlrdBook book;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const auto f = SplitTabs(output.substr(start, end - start));
    start = end + 1;
    if (f.empty()) continue;
    if (f[0] == "D") {
      book.DateMode = std::stoi(f.at(1));
    } else if (f[0] == "S") {
      book.Sheets.push_back({Unescape(f.at(3)), std::stoi(f.at(2))});
    } else if (f[0] == "C") {
      TXlrdCell cell;
      cell.Sheet = std::stoi(f.at(1));
      cell.Row = std::stoi(f.at(2));
      cell.Col = std::stoi(f.at(3));
      cell.Kind = f.at(4).at(0);
      cell.Value = Unescape(f.at(5));
      if (f.size() > 6) cell.Date = f[6];
      book.Cells.push_back(std::move(cell));
    } else if (f[0] == "W") {
      book.HeaderItems.push_back({std::stoi(f.at(1)), 0, std::stoi(f.at(2)), std::stoi(f.at(3)),
                                  f.at(4) == "1", false, false});
    } else if (f[0] == "H") {
      book.HeaderItems.push_back({std::stoi(f.at(1)), 1, std::stoi(f.at(2)), std::stoi(f.at(3)),
                                  f.at(4) == "1", f.at(5) == "1", f.at(6) == "1"});
    } else if (f[0] == "P") {
      book.Palette[std::stoi(f.at(1))] =
          RGBColor(std::stoi(f.at(2)), std::stoi(f.at(3)), std::stoi(f.at(4)));
    } else if (f[0] == "N") {
      TXlrdName name{Unescape(f.at(1)), std::stoi(f.at(2)), -1, {}, std::stoi(f.at(3))};
      if (f.size() >= 9) {
        name.Sheet = std::stoi(f[4]);
        name.Area = {std::stoi(f[7]), std::stoi(f[5]), std::stoi(f[8]), std::stoi(f[6])};
      }
      book.Names.push_back(std::move(name));
    } else if (f[0] == "M") {
      book.Merges.push_back({std::stoi(f.at(1)),
                             TRect{std::stoi(f.at(4)), std::stoi(f.at(2)), std::stoi(f.at(5)),
                                   std::stoi(f.at(3))}});
    }
  }
  return book;
}

// --- python3-xlwt fixtures -------------------------------------------------------------------------

// Why xlwt cannot write fixtures, or empty when it can.
inline std::string XlwtUnavailable() {
  static const std::string reason = [] {
    if (std::system("/usr/bin/python3 -c 'import xlwt' >/dev/null 2>&1") != 0)
      return std::string("python3-xlwt is not installed (./test installs it)");
    return std::string();
  }();
  return reason;
}

// The workbook tests/xls/xlwt_fixture.py writes for `name`, made once per test run in the
// build folder; empty when it could not be written.
inline std::filesystem::path XlwtFixture(const std::string& name) {
  const auto path = std::filesystem::path(ZOF_BINARY_DIR) / ("xlwt-" + name + ".xls");
  const std::string command = std::string("/usr/bin/python3 '") + ZOF_SOURCE_DIR +
                              "/tests/xls/xlwt_fixture.py' '" + name + "' '" + path.string() +
                              "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  return path;
}

}  // namespace readertest
