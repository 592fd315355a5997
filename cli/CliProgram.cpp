#include "cli/CliProgram.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <ostream>

#include "calc/cxSSStrings.h"
#include "calc/cxSSTypes.h"
#include "calc/cxSSUtils.h"
#include "cli/CliBook.h"
#include "cli/CliCommandLine.h"
#include "cli/CliScript.h"
#include "platform/MessageBox.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

namespace {

// A file that could not be read or written, with the message the user sees.
struct TFileError {
  std::string File;
  std::string Message;
};

// The formula engine's messages, shown as warnings.
class TWarningMessages : public IMessageBox {
public:
  explicit TWarningMessages(std::ostream& err) : err_(err) {}
  void ShowMessage(const std::string& text) override {
    err_ << "zofmirel-cli: warning: " << text << '\n';
  }

private:
  std::ostream& err_;
};

enum class TFileKind { Xls, Csv, Other };

TFileKind KindOf(const std::string& file) {
  std::string ext = std::filesystem::path(file).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".xls") return TFileKind::Xls;
  if (ext == ".csv") return TFileKind::Csv;
  return TFileKind::Other;
}

struct TContext {
  const TCliCommand& Command;
  const TCliPrintSupport& Print;
  std::shared_ptr<TcxEnvironment> Environment;
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  int ExitCode = 0;
};

// A file the program reads must be a regular file: a folder reads as nothing, a device or a
// pipe without end.
void RequireInputFile(const std::string& file) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(file, error);
  if (status.type() == std::filesystem::file_type::not_found)
    throw TFileError{file, "the file does not exist"};
  if (error) throw TFileError{file, error.message()};
  if (!std::filesystem::is_regular_file(status)) throw TFileError{file, "not a regular file"};
}

std::string CellName(const TcxCustomSpreadSheetBook& book, int page, int col, int row) {
  const std::string cell = TcxSSUtils::ColumnName(col) + TcxSSUtils::RowName(row);
  return page >= 0 && page < book.PageCount() ? book.Pages(page).Caption() + "!" + cell : cell;
}

// Formulas the reader could not bring in, which hold the value Excel calculated for them: one
// line with their count and the first of them. Unknown functions have a warning of their own.
void WarnFormulaProblems(TContext& context, const TcxCustomSpreadSheetBook& book,
                         const std::string& file, const TcxLoadReport& report) {
  const TcxFormulaProblem* first = nullptr;
  size_t count = 0;
  for (const TcxFormulaProblem& problem : report.FormulaProblems) {
    if (problem.Kind == fpUnknownFunction) continue;
    if (!first) first = &problem;
    ++count;
  }
  if (!first) return;
  // The reason may quote a whole formula: a line shows its beginning.
  constexpr size_t kMaxDetail = 100;
  std::string detail = first->Detail;
  if (detail.size() > kMaxDetail) {
    size_t end = kMaxDetail;
    while (end > 0 && (static_cast<unsigned char>(detail[end]) & 0xC0) == 0x80) --end;
    detail = detail.substr(0, end) + "...";
  }
  const bool one = count == 1;
  context.Err << "zofmirel-cli: warning: " << file << ": " << count
              << (one ? " formula could not be read and keeps its calculated value"
                      : " formulas could not be read and keep their calculated values")
              << " (the first in " << CellName(book, first->Page, first->Col, first->Row)
              << (detail.empty() ? "" : ": " + detail) << ")\n";
}

void Load(TContext& context, TcxCustomSpreadSheetBook& book, const std::string& file) {
  RequireInputFile(file);
  TcxLoadReport report;
  try {
    report = book.LoadFromFile(file);
  } catch (const ESpreadSheetUnknownFunctions& e) {
    report = e.Report();
    // The functions, as the window lists them: "(NAME: 3 cells, OTHER: 1 cell)".
    std::string functions;
    for (const auto& [name, count] : UnknownFunctionCells(report))
      functions += (functions.empty() ? " (" : ", ") + name + ": " + std::to_string(count) +
                   (count == 1 ? " cell" : " cells");
    if (!functions.empty()) functions += ")";
    context.Err << "zofmirel-cli: warning: " << file << ": " << e.what() << functions << '\n';
  } catch (const std::exception& e) {
    throw TFileError{file, e.what()};
  }
  WarnFormulaProblems(context, book, file, report);
}

// A save that had to cut or leave out something warns of each kind and fails the command.
void Save(TContext& context, TcxCustomSpreadSheetBook& book, const std::string& file) {
  TcxSaveReport report;
  try {
    report = book.SaveToFile(file);
  } catch (const std::exception& e) {
    throw TFileError{file, e.what()};
  }
  for (const TcxSaveLoss& loss : report.Losses) {
    context.Err << "zofmirel-cli: warning: " << file << ": " << DescribeSaveLoss(book, loss)
                << '\n';
    context.ExitCode = 1;
  }
}

int Page(const TContext& context, const TcxCustomSpreadSheetBook& book, const std::string& file) {
  const int page = context.Command.Sheet.value_or(book.ActivePage());
  if (page >= book.PageCount())
    throw ECliUsageError(file + " has " + std::to_string(book.PageCount()) +
                         (book.PageCount() == 1 ? " sheet" : " sheets") + ", no sheet " +
                         std::to_string(page));
  return page;
}

void RunDump(TContext& context) {
  const std::string& file = context.Command.Files[0];
  TcxSpreadSheetBook book(context.Environment);
  Load(context, book, file);
  WriteSheetCsv(book, Page(context, book, file), context.Command.Mode, context.Out);
}

void RunInfo(TContext& context) {
  TcxSpreadSheetBook book(context.Environment);
  Load(context, book, context.Command.Files[0]);
  WriteBookInfo(book, context.Out);
}

void RunConvert(TContext& context) {
  const std::string& in = context.Command.Files[0];
  const std::string& out = context.Command.Files[1];
  const TFileKind from = KindOf(in);
  const TFileKind to = KindOf(out);
  TcxSpreadSheetBook book(context.Environment);
  if (from == TFileKind::Csv && to == TFileKind::Xls) {
    if (context.Command.Sheet) throw ECliUsageError("--sheet applies to an .xls input");
    RequireInputFile(in);
    std::ifstream stream(in, std::ios::binary);
    if (!stream) throw TFileError{in, std::strerror(errno)};
    const TCsvReadReport read = ReadCsvIntoSheet(book, stream);
    // What a sheet cannot hold is left out, and the command says so and fails.
    const auto warn = [&](const std::string& text) {
      context.Err << "zofmirel-cli: warning: " << in << ": " << text << '\n';
      context.ExitCode = 1;
    };
    if (read.Rows > TcxExcelFileWriter::kMaxRows)
      warn("rows after row " + std::to_string(TcxExcelFileWriter::kMaxRows) +
           " were left out (the file has " + std::to_string(read.Rows) + ")");
    if (read.Columns > TcxExcelFileWriter::kMaxCols)
      warn("fields after column IV (" + std::to_string(TcxExcelFileWriter::kMaxCols) +
           ") were left out (the longest record has " + std::to_string(read.Columns) + ")");
    Save(context, book, out);
    return;
  }
  if (from != TFileKind::Xls || to == TFileKind::Other)
    throw ECliUsageError("convert goes from .xls to .xls or .csv, or from .csv to .xls");
  Load(context, book, in);
  if (to == TFileKind::Xls) {
    if (context.Command.Sheet) throw ECliUsageError("--sheet applies to a .csv output");
    Save(context, book, out);
    return;
  }
  const int page = Page(context, book, in);
  try {
    WriteFileReplacing(out, [&](std::ostream& stream) {
      WriteSheetCsv(book, page, TCliOutputMode::Values, stream);
      if (!stream.flush()) throw std::runtime_error(std::strerror(errno ? errno : EIO));
    });
  } catch (const std::exception& e) {
    throw TFileError{out, e.what()};
  }
}

void RunRecalc(TContext& context) {
  TcxSpreadSheetBook book(context.Environment);
  Load(context, book, context.Command.Files[0]);
  book.Recalc();
  Save(context, book, context.Command.Files[1]);
}

void RunScript(TContext& context) {
  // The formula engine's messages belong to the command that caused them.
  auto messages = std::make_shared<TCliMessages>();
  TcxSpreadSheetBook book(MakeCliEnvironment(context.Command.Locale, messages));
  if (!context.Command.Files.empty()) {
    Load(context, book, context.Command.Files[0]);
    for (const std::string& message : messages->Take())
      context.Err << "zofmirel-cli: warning: " << message << '\n';
  }
  TCliScript script(book, *messages, context.Out, context.Err);
  if (!script.Run(context.In)) context.ExitCode = 1;
}

void RunPrint(TContext& context) {
  const TCliPrintSupport& support = context.Print;
  if (!support.Print) throw ECliUsageError("print is not part of this build of the program");
  const std::string& in = context.Command.Files[0];
  const std::string& out = context.Command.Files[1];
  auto environment = std::make_shared<TcxEnvironment>(*context.Environment);
  if (support.Prepare) support.Prepare(*environment);
  TcxSpreadSheetBook book(environment);
  Load(context, book, in);
  const int page = Page(context, book, in);
  book.SetActivePage(page);
  if (book.ActivePage() != page) throw TFileError{in, "sheet " + std::to_string(page) + " is hidden"};
  try {
    support.Print(book, context.Command, out);
  } catch (const ECliOutputError& e) {
    throw TFileError{out, e.what()};
  } catch (const std::exception& e) {
    throw TFileError{in, e.what()};
  }
}

struct THandler {
  std::string_view Name;
  void (*Run)(TContext&);
};
constexpr THandler kHandlers[] = {
    {"dump", RunDump},
    {"info", RunInfo},
    {"convert", RunConvert},
    {"recalc", RunRecalc},
    {"script", RunScript},
    {"print", RunPrint},
};

}  // namespace

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err,
           const TCliPrintSupport& print) {
  return RunCli(args, std::cin, out, err, print);
}

int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out,
           std::ostream& err, const TCliPrintSupport& print) {
  try {
    const TCliCommand command = ParseCliCommandLine(args);
    TContext context{command, print,
                     MakeCliEnvironment(command.Locale, std::make_shared<TWarningMessages>(err)),
                     in, out, err};
    const auto handler = std::find_if(std::begin(kHandlers), std::end(kHandlers),
                                      [&](const THandler& h) { return h.Name == command.Name; });
    handler->Run(context);
    out.flush();
    return context.ExitCode;
  } catch (const ECliUsageError& e) {
    err << "zofmirel-cli: " << e.what() << '\n' << CliUsage();
    return 2;
  } catch (const TFileError& e) {
    err << "zofmirel-cli: " << e.File << ": " << e.Message << '\n';
    return 1;
  } catch (const std::bad_alloc&) {
    err << "zofmirel-cli: out of memory\n";
    return 1;
  } catch (const std::exception& e) {
    // Whatever else a command meets ends it with its message, never with an abort.
    err << "zofmirel-cli: " << e.what() << '\n';
    return 1;
  }
}
