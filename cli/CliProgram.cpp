#include "cli/CliProgram.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <ostream>
#include <sstream>

#include "calc/cxSSStrings.h"
#include "calc/cxSSTypes.h"
#include "cli/CliBook.h"
#include "cli/CliCommandLine.h"
#include "cli/CliScript.h"
#include "platform/MessageBox.h"
#include "sheet/cxSSBookFile.h"
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
  std::shared_ptr<TcxEnvironment> Environment;
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  int ExitCode = 0;
};

void Load(TContext& context, TcxCustomSpreadSheetBook& book, const std::string& file) {
  try {
    book.LoadFromFile(file);
  } catch (const ESpreadSheetError& e) {
    if (e.what() != kUnknownFunction) throw TFileError{file, e.what()};
    context.Err << "zofmirel-cli: warning: " << file << ": " << e.what() << '\n';
  } catch (const std::exception& e) {
    throw TFileError{file, e.what()};
  }
}

void Save(TcxCustomSpreadSheetBook& book, const std::string& file) {
  try {
    book.SaveToFile(file);
  } catch (const std::exception& e) {
    throw TFileError{file, e.what()};
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
    std::ifstream stream(in, std::ios::binary);
    if (!stream) throw TFileError{in, std::strerror(errno)};
    std::ostringstream text;
    text << stream.rdbuf();
    if (stream.bad()) throw TFileError{in, std::strerror(errno)};
    ReadCsvIntoSheet(book, text.str());
    Save(book, out);
    return;
  }
  if (from != TFileKind::Xls || to == TFileKind::Other)
    throw ECliUsageError("convert goes from .xls to .xls or .csv, or from .csv to .xls");
  Load(context, book, in);
  if (to == TFileKind::Xls) {
    if (context.Command.Sheet) throw ECliUsageError("--sheet applies to a .csv output");
    Save(book, out);
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
  Save(book, context.Command.Files[1]);
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
};

}  // namespace

int RunCli(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  return RunCli(args, std::cin, out, err);
}

int RunCli(std::span<const std::string> args, std::istream& in, std::ostream& out,
           std::ostream& err) {
  try {
    const TCliCommand command = ParseCliCommandLine(args);
    TContext context{command,
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
  }
}
