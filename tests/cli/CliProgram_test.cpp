// zofmirel-cli as a program: each command on real files, its output, its messages and its exit
// status (0 done, 1 a file that cannot be read or written, 2 a usage error).
#include "cli/CliProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
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
#include "xls/HostileFiles.h"
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
      // Without the drawing the Qt layer gives it, print is refused.
      {"print", kSample.string(), Path("out.pdf")},
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
  EXPECT_EQ(run.Err, "zofmirel-cli: " + missing + ": the file does not exist\n");

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

// A workbook without a worksheet is a file that cannot be read, for every command: nothing
// aborts, nothing is written.
TEST_F(CliProgram, WorkbooksWithoutAWorksheetAreRefusedByEveryCommand) {
  for (int charts : {0, 1}) {
    const hostiletest::THostileFile hostile("no-worksheet", charts);
    const std::string file = hostile.Path().string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", file}, std::vector<std::string>{"dump", file},
          std::vector<std::string>{"convert", file, Path("out.xls")},
          std::vector<std::string>{"convert", file, Path("out.csv")},
          std::vector<std::string>{"recalc", file, Path("out.xls")},
          std::vector<std::string>{"script", file}}) {
      SCOPED_TRACE(std::to_string(charts) + " " + args[0]);
      const TRun run = Cli(args);
      EXPECT_EQ(run.Status, 1);
      EXPECT_EQ(run.Err, "zofmirel-cli: " + file + ": Invalid stream format\n");
      EXPECT_EQ(run.Out, "");
    }
  }
  EXPECT_TRUE(Entries().empty());
}

// Formulas the reader could not bring in are one warning line: how many, and the first.
TEST_F(CliProgram, FormulasKeptAsValuesAreOneWarning) {
  const hostiletest::THostileFile hostile("bad-formulas", 2);
  const std::string file = hostile.Path().string();
  const TRun run = Cli({"dump", file});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, "5,7\n,8\n");
  EXPECT_EQ(run.Err.rfind("zofmirel-cli: warning: " + file +
                              ": 2 formulas could not be read and keep their calculated values "
                              "(the first in Sheet1!B1: ",
                          0),
            0u)
      << run.Err;
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1);
}

// CSV comes from regular files only: a folder or a device (here through a link) is refused
// before anything is read or written.
TEST_F(CliProgram, CsvInputIsReadFromRegularFilesOnly) {
  fs::create_directory(Path("folder.csv"));
  fs::create_symlink("/dev/null", Path("null.csv"));
  for (const std::string& in : {Path("folder.csv"), Path("null.csv")}) {
    const TRun run = Cli({"convert", in, Path("out.xls")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "zofmirel-cli: " + in + ": not a regular file\n");
  }
  const TRun missing = Cli({"convert", Path("missing.csv"), Path("out.xls")});
  EXPECT_EQ(missing.Err, "zofmirel-cli: " + Path("missing.csv") + ": the file does not exist\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"folder.csv", "null.csv"}));
}

// What a sheet cannot hold is left out and said, and the command fails; the rest is saved.
TEST_F(CliProgram, CsvBeyondTheSheetIsCutWithWarnings) {
  {
    std::ofstream csv(Path("big.csv"), std::ios::binary);
    for (int row = 1; row <= 65540; ++row) csv << row << '\n';
    for (int col = 1; col <= 300; ++col) csv << col << (col < 300 ? "," : "\n");
    csv << std::string(40000, 'x') << '\n';
  }
  const TRun run = Cli({"convert", Path("big.csv"), Path("big.xls")});
  EXPECT_EQ(run.Status, 1);
  const std::string in = "zofmirel-cli: warning: " + Path("big.csv") + ": ";
  EXPECT_EQ(run.Err, in + "rows after row 65536 were left out (the file has 65542)\n" + in +
                         "fields after column IV (256) were left out (the longest record has 300)\n");
  auto book = LoadBook(Path("big.xls"));
  const TcxSSDataStorage& storage = book->Pages(0).DataStorage();
  EXPECT_EQ(CellValueText(*book, 0, 0, 65535), "65536");
  EXPECT_LE(storage.RowCount(), 65536);
  EXPECT_LE(storage.ColCount(), 256);

  // A field longer than any text a file holds is cut by the save, which says so.
  WriteText(Path("long.csv"), "a," + std::string(40000, 'y') + "\n");
  const TRun cut = Cli({"convert", Path("long.csv"), Path("long.xls")});
  EXPECT_EQ(cut.Status, 1);
  EXPECT_EQ(cut.Err, "zofmirel-cli: warning: " + Path("long.xls") +
                         ": Texts longer than 32768 characters were cut: 1 cell, Sheet1!B1\n");
  EXPECT_EQ(CellValueText(*LoadBook(Path("long.xls")), 0, 1, 0), std::string(32768, 'y'));
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

// Functions the library lacks: a warning naming them with their cells, and the command goes on
// with what was read.
TEST_F(CliProgram, UnknownFunctionsAreAWarning) {
  const std::string in = Path("unknown.xls");
  WriteUnknownFunctionWorkbook(in);
  const std::string warning =
      "zofmirel-cli: warning: " + in + ": Stream has unknown function's (function 1000: 1 cell)\n";
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

  // A pipe, also through a link, is never replaced by a file.
  ASSERT_EQ(::mkfifo(Path("pipe.xls").c_str(), 0600), 0);
  fs::create_symlink(Path("pipe.xls"), Path("link.csv"));
  for (const std::string& out : {Path("pipe.xls"), Path("link.csv")}) {
    run = Cli({"convert", kSample.string(), out});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, "zofmirel-cli: " + out + ": Cannot create file \"" + out +
                           "\". It is a pipe, not a regular file\n");
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(Path("pipe.xls"))));
}

// The temporary file of a save does not lengthen the output's name: a name of 255 bytes, the
// most a file system allows, is written, and nothing is left beside it.
TEST_F(CliProgram, OutputNamesUpToTheSystemsLimitAreWritten) {
  for (const char* ext : {".xls", ".csv"}) {
    const std::string name = Path(std::string(255 - 4, 'n') + ext);
    const TRun run = Cli({"convert", kSample.string(), name});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(fs::is_regular_file(name));
  }
  EXPECT_EQ(Entries().size(), 2u);
}
