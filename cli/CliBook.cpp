#include "cli/CliBook.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <istream>
#include <ostream>
#include <sstream>

#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "cli/CliCsv.h"
#include "platform/FixedPlatform.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "xls/cxExcelFileWriter.h"

namespace {

// Local time as a date serial (days since 1899-12-30).
double NowSerial() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  const std::chrono::year_month_day date{std::chrono::year(local.tm_year + 1900),
                                         std::chrono::month(local.tm_mon + 1),
                                         std::chrono::day(local.tm_mday)};
  const auto days = std::chrono::sys_days(date) -
                    std::chrono::sys_days(std::chrono::year(1899) / 12 / 30);
  return days.count() + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

bool HasContent(const TcxSSCellRec& cell) { return cell.Kind != ckText || !cell.Text.empty(); }

// One past the last column and row that hold something.
TPoint UsedExtent(const TcxSSDataStorage& storage) {
  TPoint extent;
  storage.ForEachCell([&](int col, int row, const TcxSSCellRec& cell) {
    if (!HasContent(cell)) return;
    extent.X = std::max(extent.X, col + 1);
    extent.Y = std::max(extent.Y, row + 1);
  });
  return extent;
}

std::string RangeText(const TRect& r) {
  std::string text = TcxSSUtils::ColumnName(r.Left) + TcxSSUtils::RowName(r.Top);
  if (r.Right != r.Left || r.Bottom != r.Top)
    text += ":" + TcxSSUtils::ColumnName(r.Right) + TcxSSUtils::RowName(r.Bottom);
  return text;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c));
          out += buffer;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

const char* JsonBool(bool b) { return b ? "true" : "false"; }

}  // namespace

std::shared_ptr<TcxEnvironment> MakeCliEnvironment(std::string_view locale,
                                                   std::shared_ptr<IMessageBox> messages) {
  auto environment = MakeFixedEnvironment(locale == "sr" ? TRegionalSettings::Serbian()
                                                         : TRegionalSettings::English());
  environment->Now = NowSerial;
  environment->Messages = std::move(messages);
  return environment;
}

std::string ShortestNumberText(double x, const TRegionalSettings& settings) {
  if (!std::isfinite(x)) return FloatToText(x, settings);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
  std::string text(buffer, result.ptr);
  if (const size_t dot = text.find('.'); dot != std::string::npos)
    text.replace(dot, 1, settings.DecimalSeparator);
  return text;
}

std::string CellValueText(TcxCustomSpreadSheetBook& book, int page, int col, int row) {
  const TcxSSCellRec& cell = book.Pages(page).DataStorage().CellRef(col, row);
  switch (cell.Kind) {
    case ckNumber:
      return ShortestNumberText(cell.Number, book.Settings());
    case ckFormula: {
      if (!cell.Formula) return cell.Text;
      const TcxResultValue result = ReadResult(cell.Formula->Result);
      switch (result.Kind) {
        case rkNumber: return ShortestNumberText(result.Number, book.Settings());
        case rkText: return result.Text;
        case rkBool: return std::string(BoolToText(result.Bool));
        case rkError: return std::string(ErrorToText(result.Error));
        case rkNone: return {};
      }
      return {};
    }
    default:
      // A text is given as it is, as the cell shows it and a file stores it ("01" stays 01),
      // also when it reads as a number.
      return cell.Text;
  }
}

void WriteSheetCsv(TcxCustomSpreadSheetBook& book, int page, TCliOutputMode mode,
                   std::ostream& out) {
  TcxSSDataStorage& storage = book.Pages(page).DataStorage();
  // Reading through cell objects records nothing.
  book.History().Lock();
  TScopeGuard unlock([&] { book.History().Unlock(); });
  const TPoint extent = UsedExtent(storage);
  std::vector<std::string> fields;
  for (int row = 0; row < extent.Y; ++row) {
    fields.assign(extent.X, {});
    for (int col = 0; col < extent.X; ++col) {
      const TcxSSCellRec* cell = storage.FindCell(col, row);
      if (!cell || !HasContent(*cell)) continue;
      if (mode == TCliOutputMode::Display) {
        fields[col] = TcxSSCellObject(storage, col, row).DisplayText();
      } else if (mode == TCliOutputMode::Formulas && cell->Kind == ckFormula) {
        fields[col] = TcxSSCellObject(storage, col, row).GetText();
      } else {
        fields[col] = CellValueText(book, page, col, row);
      }
    }
    WriteCsvRecord(out, fields);
  }
}

namespace {

// TcxSheetVisibility's values as info names them.
constexpr std::string_view kVisibilityNames[] = {"visible", "hidden", "veryHidden"};

}  // namespace

void WriteBookInfo(TcxCustomSpreadSheetBook& book, std::ostream& out) {
  out << "{\n  \"sheets\": [";
  for (int page = 0; page < book.PageCount(); ++page) {
    const TcxSSBookSheet& sheet = book.Pages(page);
    const TcxSSDataStorage& storage = sheet.DataStorage();
    int cells = 0;
    int formulas = 0;
    storage.ForEachCell([&](int, int, const TcxSSCellRec& cell) {
      if (!HasContent(cell)) return;
      ++cells;
      if (cell.Kind == ckFormula) ++formulas;
    });
    out << (page ? ",\n" : "\n") << "    {\"name\": " << JsonString(sheet.Caption())
        << ", \"visible\": " << JsonBool(book.PageVisible(page)) << ", \"visibility\": "
        << JsonString(kVisibilityNames[book.PageVisibility(page)])
        << ", \"protected\": " << JsonBool(sheet.Protected())
        << ", \"rows\": " << storage.GetLastUsedRow() << ", \"columns\": " << storage.GetLastUsedCol()
        << ", \"cells\": " << cells << ", \"formulas\": " << formulas << ", \"merged\": [";
    const auto merged = storage.MergedCells().GetAllInclusive();
    for (size_t i = 0; i < merged.size(); ++i) out << (i ? ", " : "") << JsonString(RangeText(merged[i]));
    out << "]}";
  }
  out << "\n  ],\n  \"names\": [";
  bool first = true;
  const TcxSSNamesDef& names = book.FormulasCache().Names();
  const auto caption = [&book](int page) {
    return page >= 0 && page < book.PageCount() ? book.Pages(page).Caption() : std::string();
  };
  for (size_t i = 0; i < names.size(); ++i) {
    const TcxSSNameDefinition& name = names[i];
    if (name.Deleted) continue;
    out << (first ? "\n" : ",\n") << "    {\"name\": " << JsonString(name.Name);
    // A page's own name says whose it is.
    if (name.Scope >= 0) out << ", \"scope\": " << JsonString(caption(name.Scope));
    if (name.Kind == nkCells)
      out << ", \"sheet\": " << JsonString(caption(name.Sheet))
          << ", \"range\": " << JsonString(RangeText(name.Area));
    else
      out << ", \"formula\": "
          << JsonString(book.FormulasCache().NameFormulaText(static_cast<int>(i)));
    if (name.Hidden) out << ", \"hidden\": true";
    out << "}";
    first = false;
  }
  out << "\n  ],\n  \"flags\": {\"protected\": " << JsonBool(book.Protected())
      << ", \"readOnly\": " << JsonBool(book.ReadOnly())
      << ", \"r1c1\": " << JsonBool(book.R1C1ReferenceStyle())
      << ", \"date1904\": " << JsonBool(book.Date1904())
      << ", \"autoRecalc\": " << JsonBool(book.AutoRecalc())
      << ", \"activeSheet\": " << book.ActivePage() << "}\n}\n";
}

TCsvReadReport ReadCsvIntoSheet(TcxCustomSpreadSheetBook& book, std::istream& in) {
  TcxSSDataStorage& storage = book.ActiveSheet().DataStorage();
  book.History().Lock();
  book.BeginUpdate();
  TScopeGuard finish([&] {
    book.EndUpdate();
    book.History().Unlock();
  });
  // A field longer than this is longer than any text a file holds, which the save reports.
  constexpr size_t kMaxFieldBytes = 4 * (TSSTStringTable::kMaxChars + 1);
  TCsvReader reader(in, TcxExcelFileWriter::kMaxCols, kMaxFieldBytes);
  TCsvReadReport report;
  std::vector<std::string> fields;
  for (long long row = 0; reader.Next(fields); ++row) {
    report.Rows = row + 1;
    report.Columns = std::max(report.Columns, static_cast<long long>(reader.FieldCount()));
    if (row >= TcxExcelFileWriter::kMaxRows) continue;
    for (int col = 0; col < static_cast<int>(fields.size()); ++col)
      if (!fields[col].empty())
        TcxSSCellObject(storage, col, static_cast<int>(row)).SetText(fields[col]);
  }
  return report;
}

TCsvReadReport ReadCsvIntoSheet(TcxCustomSpreadSheetBook& book, std::string_view text) {
  std::istringstream in{std::string(text)};
  return ReadCsvIntoSheet(book, in);
}
