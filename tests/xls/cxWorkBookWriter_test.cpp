#include "xls/cxWorkBookWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "xls/CfbTestSupport.h"
#include "xls/cxCompoundDocument.h"

using namespace cfbtest;

namespace {

std::vector<uint8_t> ReadBack(const std::vector<uint8_t>& file) {
  TcxWorkBookReader reader(file);
  EXPECT_TRUE(reader.Loaded()) << "error " << static_cast<int>(reader.Error());
  EXPECT_EQ(reader.StreamName(), wsnWorkbook);
  return std::vector<uint8_t>(reader.Buffer().begin(), reader.Buffer().end());
}

// Cheap, deterministic contents for streams of many megabytes.
std::vector<uint8_t> PatternBytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  return bytes;
}

// Checks a written container against the format's rules on its own, without the reader under
// test: every sector of the file is accounted for exactly once (as a FAT sector listed in the
// DIFAT, a DIFAT sector, the directory, the mini FAT, or a sector of a stream), and every chain
// ends where its size says. Returns the problems found.
std::string CheckContainer(const std::vector<uint8_t>& file) {
  std::ostringstream problems;
  if (file.size() % 512 != 0 || file.size() < 1024)
    return "file size not a whole number of sectors";
  const uint32_t sectors = static_cast<uint32_t>(file.size() / 512 - 1);
  const uint32_t fatCount = GetU32(file, 44);
  std::vector<uint32_t> fatSectors;
  for (uint32_t i = 0; i < std::min<uint32_t>(fatCount, 109); ++i)
    fatSectors.push_back(GetU32(file, 76 + 4 * i));
  for (uint32_t i = fatCount; i < 109; ++i)
    if (GetU32(file, 76 + 4 * i) != kFree) problems << "header DIFAT slot " << i << " used; ";
  std::vector<uint32_t> difatSectors;
  for (uint32_t d = GetU32(file, 68); fatSectors.size() < fatCount;) {
    if (d >= sectors) {
      problems << "DIFAT chain leaves the file; ";
      break;
    }
    difatSectors.push_back(d);
    const size_t at = TCfbView::SectorOffset(d);
    for (uint32_t i = 0; i < 127 && fatSectors.size() < fatCount; ++i)
      fatSectors.push_back(GetU32(file, at + 4 * i));
    d = GetU32(file, at + 508);
    if (fatSectors.size() == fatCount && d != kEnd)
      problems << "last DIFAT sector does not end the chain; ";
  }
  if (difatSectors.size() != GetU32(file, 72)) problems << "DIFAT sector count; ";
  if (static_cast<uint64_t>(fatSectors.size()) * 128 < sectors)
    return problems.str() + "FAT does not cover the file";
  const auto fat = [&](uint32_t s) {
    return GetU32(file, TCfbView::SectorOffset(fatSectors[s / 128]) + 4 * (s % 128));
  };
  std::map<uint32_t, std::string> owner;
  const auto claim = [&](uint32_t s, const std::string& who) {
    if (s >= sectors)
      problems << who << " names sector " << s << " past the end; ";
    else if (!owner.emplace(s, who).second)
      problems << "sector " << s << " is both " << owner[s] << " and " << who << "; ";
  };
  const auto chain = [&](uint32_t start, uint64_t count, const std::string& who) {
    uint32_t s = start;
    for (uint64_t i = 0; i < count; ++i) {
      claim(s, who);
      if (s >= sectors) return;
      const uint32_t next = fat(s);
      if (i + 1 == count && next != kEnd) problems << who << " chain does not end; ";
      s = next;
    }
  };
  for (const uint32_t s : fatSectors) {
    claim(s, "FAT");
    if (s < sectors && fat(s) != 0xFFFFFFFD) problems << "FAT sector " << s << " not marked; ";
  }
  for (const uint32_t s : difatSectors) {
    claim(s, "DIFAT");
    if (s < sectors && fat(s) != 0xFFFFFFFC) problems << "DIFAT sector " << s << " not marked; ";
  }
  chain(GetU32(file, 48), 1, "directory");
  const size_t root = TCfbView::SectorOffset(GetU32(file, 48));
  const uint32_t streamSize = GetU32(file, root + 128 + 120);
  if (streamSize < 4096) {
    chain(GetU32(file, 60), GetU32(file, 64), "mini FAT");
    const uint32_t rootSize = GetU32(file, root + 120);
    chain(GetU32(file, root + 116), (rootSize + 511) / 512, "mini stream");
    const uint32_t miniSectors = (streamSize + 63) / 64;
    if (rootSize < miniSectors * 64) problems << "mini stream too short; ";
    const size_t miniFat = TCfbView::SectorOffset(GetU32(file, 60));
    uint32_t m = GetU32(file, root + 128 + 116);
    for (uint32_t i = 0; i < miniSectors; ++i) {
      if (m != i) {
        problems << "mini chain not in order; ";
        break;
      }
      m = GetU32(file, miniFat + 4 * m);
    }
    if (m != kEnd) problems << "mini chain does not end; ";
  } else {
    chain(GetU32(file, root + 128 + 116), (streamSize + 511) / 512, "stream");
  }
  if (owner.size() != sectors) problems << owner.size() << " of " << sectors << " sectors used; ";
  for (uint32_t s = sectors; s < fatSectors.size() * 128; ++s)
    if (fat(s) != kFree) {
      problems << "FAT entry " << s << " past the file not free; ";
      break;
    }
  return problems.str();
}

}  // namespace

TEST(WorkBookWriter, RoundTripsSmallAndBigStreams) {
  // Sizes around the mini sector, the big sector, the mini stream cut-off, one FAT sector, the
  // 109 FAT sectors of the header and the first DIFAT sector (~7.1 MB).
  const uint64_t sizes[] = {1,
                            63,
                            64,
                            65,
                            511,
                            512,
                            513,
                            4000,
                            4095,
                            4096,
                            4097,
                            8192,
                            65543,
                            64512,
                            1000000,
                            109 * 127 * 512 - 3 * 512,  // the last size with 109 FAT sectors
                            109 * 127 * 512 - 2 * 512,  // the first one with 110: one DIFAT sector
                            7500000};
  for (const uint64_t size : sizes) {
    SCOPED_TRACE(size);
    const auto stream = PatternBytes(size);
    const auto file = WriteCompoundDocument(stream);
    EXPECT_EQ(file.size() % 512, 0u);
    EXPECT_EQ(file.size(),
              TcxWorkBookWriter::PrefixSize(size) + size + TcxWorkBookWriter::PaddingSize(size));
    EXPECT_EQ(CheckContainer(file), "");
    EXPECT_EQ(ReadBack(file), stream);
    EXPECT_EQ(GetU32(file, 60), size < 4096 ? 2u : kEnd) << "mini FAT only for a small stream";
  }
}

TEST(WorkBookWriter, FatCoversItselfWhenManyDifatSectorsAreNeeded) {
  // With three or more DIFAT sectors, ⌈(n + 3) ÷ 127⌉ FAT sectors can fall one short of
  // describing the FAT, the DIFAT, the directory and the stream together. These sizes are the
  // ones where 127 × ⌈(n + 3) ÷ 127⌉ = n + 3 exactly, with three DIFAT sectors (~26 MB) and
  // four (~32 MB); the last stream sectors would be left out of the FAT.
  for (const uint64_t sectors : {127ull * 400 - 3, 127ull * 490 - 3}) {
    const uint64_t size = sectors * 512;
    SCOPED_TRACE(size);
    const auto stream = PatternBytes(size);
    const auto file = WriteCompoundDocument(stream);
    EXPECT_GE(GetU32(file, 72), 3u);
    EXPECT_EQ(CheckContainer(file), "");
    EXPECT_EQ(ReadBack(file), stream);
  }
}

TEST(WorkBookWriter, LayoutOfTheSmallestAndLargestSmallStreams) {
  // 4095 bytes: 64 mini sectors in 8 big sectors after header, FAT, directory and mini FAT.
  const auto small = WriteCompoundDocument(PatternBytes(4095));
  EXPECT_EQ(small.size(), 2048u + 4096u);
  const TCfbView view(small);
  const size_t root = view.EntryOffsets()[0];
  const size_t workbook = view.EntryOffsets()[1];
  EXPECT_EQ(view.EntryName(root), u"Root Entry");
  EXPECT_EQ(view.EntryName(workbook), u"Workbook");
  EXPECT_EQ(small[root + 66], detRoot);
  EXPECT_EQ(small[workbook + 66], detStream);
  EXPECT_EQ(GetU32(small, root + 76), 1u);
  EXPECT_EQ(GetU32(small, root + 116), 3u);
  EXPECT_EQ(GetU32(small, root + 120), 4096u);
  EXPECT_EQ(GetU32(small, workbook + 116), 0u);
  EXPECT_EQ(GetU32(small, workbook + 120), 4095u);
  EXPECT_EQ(view.Chain(3).size(), 8u);
  EXPECT_EQ(view.MiniFat(62), 63u);
  EXPECT_EQ(view.MiniFat(63), kEnd);
  EXPECT_EQ(view.MiniFat(64), kFree);

  // 4096 bytes: a big stream from sector 2, one FAT sector, no mini FAT.
  const auto big = WriteCompoundDocument(PatternBytes(4096));
  EXPECT_EQ(big.size(), 512u * 3 + 4096u);
  EXPECT_EQ(GetU32(big, 44), 1u);
  const size_t bigWorkbook = TCfbView(big).EntryOffsets()[1];
  EXPECT_EQ(GetU32(big, bigWorkbook + 116), 2u);
  EXPECT_EQ(GetU32(big, TCfbView(big).EntryOffsets()[0] + 116), kEnd);
  EXPECT_EQ(TCfbView(big).Chain(2).size(), 8u);
}

TEST(WorkBookWriter, FirstDifatSectorIsSector111) {
  const uint64_t size = 109 * 127 * 512 - 2 * 512;  // needs 110 FAT sectors
  const auto file = WriteCompoundDocument(PatternBytes(size));
  EXPECT_EQ(GetU32(file, 44), 110u);
  EXPECT_EQ(GetU32(file, 68), 111u);
  EXPECT_EQ(GetU32(file, 72), 1u);
  const size_t difat = TCfbView::SectorOffset(111);
  EXPECT_EQ(GetU32(file, difat), 110u);  // FAT sector 109 sits just before it
  EXPECT_EQ(GetU32(file, difat + 4), kFree);
  EXPECT_EQ(GetU32(file, difat + 508), kEnd);
}

TEST(WorkBookWriter, CorpusWorkbookStreamsRoundTrip) {
  for (const auto& path : CorpusFiles()) {
    SCOPED_TRACE(path.filename().string());
    TcxWorkBookReader original(ReadFileBytes(path));
    ASSERT_TRUE(original.Loaded());
    const auto file = WriteCompoundDocument(original.Buffer());
    EXPECT_EQ(CheckContainer(file), "");
    const auto back = ReadBack(file);
    EXPECT_TRUE(
        std::equal(back.begin(), back.end(), original.Buffer().begin(), original.Buffer().end()));
  }
}

TEST(WorkBookWriter, PrefixIntoStreamsAndBuffers) {
  for (const uint64_t size : {100u, 5000u, 70000u}) {
    SCOPED_TRACE(size);
    const auto stream = PatternBytes(size);
    const auto whole = WriteCompoundDocument(stream);

    std::ostringstream out;
    TcxWorkBookWriter writer;
    writer.WritePrefix(size, &out);
    out.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(size));
    out << std::string(TcxWorkBookWriter::PaddingSize(size), '\0');
    const std::string written = out.str();
    EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.end()), whole);

    // A buffer gets room for the stream and its padding before the prefix goes in.
    std::vector<uint8_t> buffer;
    writer.WritePrefix(size, buffer);
    EXPECT_EQ(buffer.size(), TcxWorkBookWriter::PrefixSize(size));
    EXPECT_GE(buffer.capacity(), whole.size());
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), whole.begin()));
  }
}

TEST(WorkBookWriter, RefusesWhatCannotBeWritten) {
  const auto expectRefused = [](const std::function<void()>& write, const char* what) {
    try {
      write();
      ADD_FAILURE() << what << ": nothing raised";
    } catch (const EcxExcelDataWriter& e) {
      EXPECT_EQ(std::string(e.what()), "Error store workbook stream") << what;
    }
  };
  TcxWorkBookWriter writer;
  std::ostringstream out;
  expectRefused([&] { writer.WritePrefix(0, &out); }, "empty stream");
  expectRefused([&] { writer.WritePrefix(100, nullptr); }, "no output stream");
  expectRefused([&] { writer.WritePrefix(0x100000000ull, &out); }, "size beyond 32 bits");
  std::vector<uint8_t> buffer;
  expectRefused([&] { writer.WritePrefix(0, buffer); }, "empty stream into a buffer");
  expectRefused([&] { WriteCompoundDocument({}); }, "empty stream, whole file");
  EXPECT_TRUE(buffer.empty());
  EXPECT_TRUE(out.str().empty());

  // A write that fails is not reported as success.
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  expectRefused([&] { writer.WritePrefix(100, &broken); }, "failing output stream");
}

// --- An independent reader opens what we write ----------------------------------------------

namespace {

bool XlrdAvailable() {
  return std::system("/usr/bin/python3 -c 'import xlrd' >/dev/null 2>&1") == 0;
}

// Sheet names, cell count and a digest of every cell's type and value, as xlrd reads the file.
std::string XlrdSummary(const std::filesystem::path& script, const std::filesystem::path& file) {
  const std::string command =
      "/usr/bin/python3 '" + script.string() + "' '" + file.string() + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    pclose(pipe);
  }
  return output;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

TEST(WorkBookWriter, XlrdReadsOurContainersLikeTheOriginals) {
  if (!XlrdAvailable()) GTEST_SKIP() << "python3-xlrd is not installed";
  const auto dir = std::filesystem::path(ZOF_BINARY_DIR) / "cfb-xlrd";
  std::filesystem::create_directories(dir);
  const auto script = dir / "summary.py";
  {
    std::ofstream out(script);
    out << "import hashlib, os, sys, xlrd\n"
           "book = xlrd.open_workbook(sys.argv[1], logfile=open(os.devnull, 'w'))\n"
           "digest = hashlib.sha256()\n"
           "cells = 0\n"
           "for sheet in book.sheets():\n"
           "    for r in range(sheet.nrows):\n"
           "        for c in range(sheet.ncols):\n"
           "            cell = sheet.cell(r, c)\n"
           "            digest.update(repr((sheet.name, r, c, cell.ctype, cell.value)).encode())\n"
           "            cells += 1\n"
           "print(ascii(book.sheet_names()), cells, digest.hexdigest())\n";
  }
  // Small streams (mini stream), a stream of exactly 4096 bytes, big ones, and BIFF8 read from
  // a "Book" stream and written as "Workbook".
  const char* files[] = {
      "xlrd-ragged.xls",  "sheetjs-A4X_gnumeric.xls", "poi-SimpleMultiCell.xls", "libxls-types.xls",
      "xlrd-Formate.xls", "poi-56563a.xls",           "poi-BOOK_in_capitals.xls"};
  for (const char* name : files) {
    SCOPED_TRACE(name);
    const auto originalPath = CorpusDir() / name;
    TcxWorkBookReader reader(ReadFileBytes(originalPath));
    ASSERT_TRUE(reader.Loaded());
    const auto ours = dir / name;
    WriteBytes(ours, WriteCompoundDocument(reader.Buffer()));
    const std::string expected = XlrdSummary(script, originalPath);
    ASSERT_FALSE(expected.find("Traceback") != std::string::npos) << expected;
    EXPECT_EQ(XlrdSummary(script, ours), expected);
  }

  // A stream past 7.1 MB needs a DIFAT sector: a real workbook stream followed by zero bytes,
  // which xlrd does not read past the last sheet's EOF record.
  TcxWorkBookReader reader(ReadFileBytes(CorpusDir() / "libxls-types.xls"));
  ASSERT_TRUE(reader.Loaded());
  std::vector<uint8_t> padded(reader.Buffer().begin(), reader.Buffer().end());
  padded.resize(7'500'000, 0);
  const auto big = WriteCompoundDocument(padded);
  ASSERT_GE(GetU32(big, 72), 1u);
  const auto bigPath = dir / "difat.xls";
  WriteBytes(bigPath, big);
  EXPECT_EQ(XlrdSummary(script, bigPath), XlrdSummary(script, CorpusDir() / "libxls-types.xls"));
}
