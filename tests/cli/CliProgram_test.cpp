// zofmirel-cli as a program: each command on real files, its output, its messages and its exit
// status (0 done, 1 a file that cannot be read or written, 2 a usage error).
#include "cli/CliProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "calc/cxSSDataStorage.h"
#include "calc/cxSSFormulasCache.h"
#include "cli/CliBook.h"
#include "platform/FixedPlatform.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "xls/ReaderTestSupport.h"
#include "xls/UnknownFunctionWorkbook.h"

namespace fs = std::filesystem;
using readertest::CorpusDir;
using readertest::CorpusFiles;

namespace {

struct TRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

TRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  TRun run;
  run.Status = RunCli(args, out, err);
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

// The workbook in `file`, loaded by the workbook alone (functions the library lacks allowed).
std::unique_ptr<TcxSpreadSheetBook> LoadBook(const fs::path& file) {
  auto book = std::make_unique<TcxSpreadSheetBook>(MakeFixedEnvironment(TRegionalSettings::English()));
  try {
    book->LoadFromFile(file.string());
  } catch (const ESpreadSheetUnknownFunctions&) {
  }
  return book;
}

std::string Csv(TcxCustomSpreadSheetBook& book, int page, TCliOutputMode mode) {
  std::ostringstream out;
  WriteSheetCsv(book, page, mode, out);
  return out.str();
}

class CliProgram : public ::testing::Test {
protected:
  CliProgram() {
    dir_ = fs::temp_directory_path() / ("zof-cli-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~CliProgram() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

// Merged areas and styled cells; four sheets and defined names.
const fs::path kSample = CorpusDir() / "sheetjs-merge_cells.xls";
const fs::path kSheets = CorpusDir() / "xlrd-namesdemo.xls";

}  // namespace

TEST_F(CliProgram, UsageErrorsExitWith2AndShowTheUsage) {
  WriteText(Path("in.csv"), "1\n");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"nosuchcommand", kSample.string()},
      {"info"},
      {"info", kSample.string(), "--sheet", "1"},
      {"convert", kSample.string(), Path("out.txt")},
      {"convert", Path("in.csv"), Path("out.csv")},
      {"convert", kSample.string(), Path("out.xls"), "--sheet", "1"},
      {"recalc", kSample.string()},
      {"dump", kSample.string(), "--sheet", "99"},
  };
  for (const auto& args : cases) {
    const TRun run = Cli(args);
    SCOPED_TRACE(args.empty() ? "(nothing)" : args[0]);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err.rfind("zofmirel-cli: ", 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find("convert IN OUT [--sheet N]"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"in.csv"});
}

// A file that cannot be read: exit 1 and the workbook's own message after the file name.
TEST_F(CliProgram, UnreadableFilesExitWith1AndTheWorkbooksMessage) {
  const std::string missing = Path("missing.xls");
  TRun run = Cli({"info", missing});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Err, "zofmirel-cli: " + missing + ": Invalid file " + missing + " name\n");

  for (const char* folder : {"encrypted", "old-biff"}) {
    for (const fs::path& file : CorpusFiles(folder)) {
      SCOPED_TRACE(file.string());
      for (const std::vector<std::string>& args :
           {std::vector<std::string>{"info", file.string()},
            std::vector<std::string>{"convert", file.string(), Path("out.csv")},
            std::vector<std::string>{"recalc", file.string(), Path("out.xls")}}) {
        run = Cli(args);
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Err, "zofmirel-cli: " + file.string() + ": Invalid stream format\n");
        EXPECT_EQ(run.Out, "");
      }
    }
  }
  EXPECT_TRUE(Entries().empty()) << "nothing is written for a file that cannot be read";
}

// Every damaged file gives either a result or the one message, never anything else.
TEST_F(CliProgram, DamagedFilesAreReadOrRefusedCleanly) {
  for (const fs::path& file : CorpusFiles("malformed")) {
    SCOPED_TRACE(file.string());
    const TRun run = Cli({"info", file.string()});
    if (run.Status == 0) {
      EXPECT_EQ(run.Out.rfind("{\n  \"sheets\": [", 0), 0u);
    } else {
      EXPECT_EQ(run.Status, 1);
      EXPECT_EQ(run.Err, "zofmirel-cli: " + file.string() + ": Invalid stream format\n");
    }
  }
}

TEST_F(CliProgram, InfoDescribesTheLoadedWorkbook) {
  const TRun run = Cli({"info", kSample.string()});
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  auto book = LoadBook(kSample);
  std::ostringstream expected;
  WriteBookInfo(*book, expected);
  EXPECT_EQ(run.Out, expected.str());
  EXPECT_NE(run.Out.find("\"merged\": [\""), std::string::npos) << run.Out;
}

TEST_F(CliProgram, ConvertsXlsToCsvOneSheet) {
  auto book = LoadBook(kSheets);
  ASSERT_GE(book->PageCount(), 2);
  for (int page : {0, 1}) {
    const std::string out = Path("sheet" + std::to_string(page) + ".csv");
    const TRun run = Cli({"convert", kSheets.string(), out, "--sheet", std::to_string(page)});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadText(out), Csv(*book, page, TCliOutputMode::Values));
  }
  EXPECT_NE(ReadText(Path("sheet0.csv")), ReadText(Path("sheet1.csv")));
}

// Each CSV field is entered as a user types it: "=…" becomes a formula, numbers numbers.
TEST_F(CliProgram, ConvertsCsvToXlsTypingEachField) {
  WriteText(Path("in.csv"), "Ime,Broj\nprvi,2\ndrugi,3.5\nZbir,=SUM(B2:B3)\n");
  const TRun run = Cli({"convert", Path("in.csv"), Path("out.xls")});
  ASSERT_EQ(run.Status, 0) << run.Err;
  auto book = LoadBook(Path("out.xls"));
  ASSERT_EQ(book->PageCount(), 1);
  EXPECT_EQ(Csv(*book, 0, TCliOutputMode::Values), "Ime,Broj\nprvi,2\ndrugi,3.5\nZbir,5.5\n");
  EXPECT_EQ(Csv(*book, 0, TCliOutputMode::Formulas),
            "Ime,Broj\nprvi,2\ndrugi,3.5\nZbir,=SUM(B2:B3)\n");
  EXPECT_EQ(book->Pages(0).DataStorage().CellRef(1, 3).Kind, ckFormula);
}

TEST_F(CliProgram, ConvertsXlsToXlsAndRecalcSavesTheSameWorkbook) {
  for (const std::string command : {"convert", "recalc"}) {
    SCOPED_TRACE(command);
    const std::string out = Path(command + ".xls");
    const TRun run = Cli({command, kSheets.string(), out});
    ASSERT_EQ(run.Status, 0) << run.Err;
    auto original = LoadBook(kSheets);
    auto saved = LoadBook(out);
    ASSERT_EQ(saved->PageCount(), original->PageCount());
    for (int page = 0; page < original->PageCount(); ++page) {
      EXPECT_EQ(saved->Pages(page).Caption(), original->Pages(page).Caption());
      EXPECT_EQ(Csv(*saved, page, TCliOutputMode::Formulas), Csv(*original, page, TCliOutputMode::Formulas));
    }
  }
}

// Functions the library lacks: a warning, and the command goes on with what was read.
TEST_F(CliProgram, UnknownFunctionsAreAWarning) {
  const std::string in = Path("unknown.xls");
  WriteUnknownFunctionWorkbook(in);
  const std::string warning = "zofmirel-cli: warning: " + in + ": Stream has unknown function's\n";
  TRun run = Cli({"convert", in, Path("out.csv")});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Err, warning);
  EXPECT_EQ(ReadText(Path("out.csv")), "5,7\n");
  run = Cli({"info", in});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Err, warning);
  EXPECT_NE(run.Out.find("\"cells\": 2"), std::string::npos) << run.Out;
}

// An output that cannot be written: exit 1, the message names the output, and a file already
// there is left as it was.
TEST_F(CliProgram, UnwritableOutputsExitWith1AndKeepTheOldFile) {
  const std::string noFolder = Path("no-such-folder/out.xls");
  TRun run = Cli({"recalc", kSample.string(), noFolder});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Err.rfind("zofmirel-cli: " + noFolder + ": Cannot create file \"" + noFolder + "\". ", 0), 0u)
      << run.Err;

  // A folder where the output should go cannot be replaced by a file.
  fs::create_directory(Path("taken.xls"));
  fs::create_directory(Path("taken.csv"));
  for (const std::string& out : {Path("taken.xls"), Path("taken.csv")}) {
    run = Cli({"convert", kSample.string(), out});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err.rfind("zofmirel-cli: " + out + ": ", 0), 0u) << run.Err;
    EXPECT_TRUE(fs::is_directory(out));
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"taken.csv", "taken.xls"}));
}
