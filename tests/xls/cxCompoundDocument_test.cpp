#include "xls/cxCompoundDocument.h"

#include <gtest/gtest.h>

#include <sstream>

#include "xls/CfbTestSupport.h"
#include "xls/cxWorkBookWriter.h"

using namespace cfbtest;
using E = TcxCompoundDocumentError;

namespace {

std::vector<uint8_t> ReadWorkbook(const std::vector<uint8_t>& file, E* error = nullptr,
                                  TcxWorkbookStreamName* name = nullptr) {
  TcxWorkBookReader reader(file);
  if (error) *error = reader.Error();
  if (name) *name = reader.StreamName();
  return std::vector<uint8_t>(reader.Buffer().begin(), reader.Buffer().end());
}

std::string Describe(E error) { return "error " + std::to_string(static_cast<int>(error)); }

}  // namespace

// --- Genuine files --------------------------------------------------------------------------

TEST(CompoundDocument, EveryCorpusWorkbookOpensAndStartsWithBof) {
  const auto files = CorpusFiles();
  ASSERT_GE(files.size(), 70u) << "corpus missing at " << CorpusDir();
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    const auto file = ReadFileBytes(path);
    TcxWorkBookReader reader(file);
    ASSERT_TRUE(reader.Loaded()) << Describe(reader.Error());
    EXPECT_TRUE(IsBiff8Bof(reader.Buffer()));
    // The size is the directory entry's, not a multiple of the sector size.
    auto document = TcxCompoundDocument::Open(file);
    const auto stream = document.FindWorkbookStream();
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(reader.Size(), document.Entries()[stream->Entry].Size);

    // Reading through a seekable stream gives the same bytes as reading from memory.
    std::istringstream in(std::string(file.begin(), file.end()));
    TcxWorkBookReader streamed(in);
    ASSERT_TRUE(streamed.Loaded());
    EXPECT_TRUE(std::equal(reader.Buffer().begin(), reader.Buffer().end(),
                           streamed.Buffer().begin(), streamed.Buffer().end()));
  }
}

TEST(CompoundDocument, WorkbookStreamNamesOfOtherWriters) {
  // Names the corpus notes record for these files; all hold BIFF8 records.
  const struct {
    const char* file;
    const char* entryName;
    TcxWorkbookStreamName kind;
  } cases[] = {
      {"poi-WORKBOOK_in_capitals.xls", "WORKBOOK", wsnWorkbook},
      {"poi-bug66319.xls", "WORKBOOK", wsnWorkbook},
      {"poi-BOOK_in_capitals.xls", "BOOK", wsnBook},
      {"poi-46904.xls", "Book", wsnBook},
      {"poi-SimpleMultiCell.xls", "Workbook", wsnWorkbook},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto file = ReadFileBytes(CorpusDir() / c.file);
    const auto document = TcxCompoundDocument::Open(file);
    const auto stream = document.FindWorkbookStream();
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(document.Entries()[stream->Entry].Name, c.entryName);
    EXPECT_EQ(stream->Name, c.kind);
    TcxWorkbookStreamName name{};
    E error{};
    const auto buffer = ReadWorkbook(file, &error, &name);
    EXPECT_EQ(error, E::cdeNone);
    EXPECT_EQ(name, c.kind);
    EXPECT_TRUE(IsBiff8Bof(buffer));
  }
}

TEST(CompoundDocument, EncryptedWorkbooksOpenAsContainers) {
  // Decryption is the workbook reader's business; the container is intact.
  const auto files = CorpusFiles("encrypted");
  ASSERT_FALSE(files.empty());
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    E error{};
    EXPECT_TRUE(IsBiff8Bof(ReadWorkbook(ReadFileBytes(path), &error)));
    EXPECT_EQ(error, E::cdeNone);
  }
}

TEST(CompoundDocument, OlderBiffVersionsAreRefused) {
  const struct {
    const char* file;
    E error;
  } cases[] = {
      {"poi-testEXCEL_3.xls", E::cdeNotCompoundDocument},  // bare BIFF3 records
      {"poi-testEXCEL_4.xls", E::cdeNotCompoundDocument},  // bare BIFF4 records
      {"poi-testEXCEL_5.xls", E::cdeNotBiff8},             // BIFF5 in "Book"
      {"poi-testEXCEL_95.xls", E::cdeNotBiff8},
      {"libxls-biff5-label-records.xls", E::cdeNotBiff8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto file = ReadFileBytes(CorpusDir() / "old-biff" / c.file);
    ASSERT_FALSE(file.empty());
    TcxWorkBookReader reader(file);
    EXPECT_EQ(reader.Error(), c.error);
    EXPECT_FALSE(reader.Loaded());
    EXPECT_TRUE(reader.Buffer().empty());
    EXPECT_EQ(reader.Size(), 0u);
    if (c.error != E::cdeNotBiff8) continue;
    // The container itself is sound: the "Book" stream is there for a caller that wants it,
    // and it starts with a BOF record of version 0x0500.
    auto document = TcxCompoundDocument::Open(file);
    const auto stream = document.FindWorkbookStream();
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(stream->Name, wsnBook);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(document.ReadStream(stream->Entry, bytes), E::cdeNone);
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(GetU16(bytes, 0), 0x0809);
    EXPECT_EQ(GetU16(bytes, 4), 0x0500);
  }
}

TEST(CompoundDocument, MalformedCorpusFailsCleanlyOrOpensWhereIntact) {
  // Expected outcome per file, from the corpus notes and an independent reading of each
  // container: `size` is the workbook stream's size when the stream is intact; otherwise the
  // reason it cannot be read.
  const struct {
    const char* file;
    E error;
    uint64_t size;
  } cases[] = {
      // Header claims millions of FAT sectors; the file is 1 KiB, so no directory sector exists.
      {"libxls-xls2csv_ole_ole2_fread_327.xls", E::cdeBadDirectory, 0},
      // Truncated: the workbook chain (32195 bytes) runs past the end of the file.
      {"libxls-xls2csv_ole_read_MSAT_772.xls", E::cdeBadChain, 0},
      // The directory starts at sector 0, which is a FAT sector: no reachable stream.
      {"libxls-xls2csv_ole_read_MSAT_body_687.xls", E::cdeStreamNotFound, 0},
      // Header claims 8,388,610 FAT sectors; the one real FAT sector is enough.
      {"libxls-xls2csv_ole_read_MSAT_body_637.xls", E::cdeNone, 49290},
      // Fuzzed files whose workbook entry claims more bytes than the file has.
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-5786329142919168.xls",
       E::cdeStreamTooLarge, 0},
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-5889658057523200.xls",
       E::cdeStreamTooLarge, 0},
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6137883240824832.xls",
       E::cdeStreamTooLarge, 0},
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6322470200934400.xls",
       E::cdeStreamTooLarge, 0},
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-6537773940867072.xls",
       E::cdeStreamTooLarge, 0},
      // Damage inside the records only; the containers are sound.
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-4657005060816896.xls", E::cdeNone, 62167},
      {"poi-clusterfuzz-testcase-minimized-POIHSSFFuzzer-5816431116615680.xls", E::cdeNone, 38005},
      {"poi-61300.xls", E::cdeNone, 22218},
      {"poi-poi-fuzz.xls", E::cdeNone, 4096},
      {"poi-57456.xls", E::cdeNone, 56319},
      {"poi-42464-ExpPtg-bad.xls", E::cdeNone, 131055},
      {"poi-WrongFormulaRecordType.xls", E::cdeNone, 3218},
      // Mini stream chains overlap the workbook stream, which itself is intact.
      {"xlrd-corrupted_error.xls", E::cdeNone, 962620},
      {"sheetjs-phpexcel_bad_cfb_dir.xls", E::cdeNone, 84045},
  };
  EXPECT_EQ(CorpusFiles("malformed").size(), std::size(cases)) << "a malformed file is not covered";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const auto file = ReadFileBytes(CorpusDir() / "malformed" / c.file);
    ASSERT_FALSE(file.empty());
    TcxWorkBookReader reader(file);
    EXPECT_EQ(reader.Error(), c.error) << Describe(reader.Error());
    EXPECT_EQ(reader.Size(), c.size);
    EXPECT_EQ(reader.Buffer().size(), c.size);
  }
}

TEST(CompoundDocument, EveryStreamOfEveryCorpusFileReads) {
  // Property set streams start with the byte order mark FE FF and CompObj streams with 01 00 FE
  // FF. Most of them are shorter than 4096 bytes, so this reads the mini stream of real files,
  // whose chain is rarely contiguous.
  int miniStreamsChecked = 0;
  for (const auto& path : CorpusFiles()) {
    SCOPED_TRACE(path.filename().string());
    auto document = TcxCompoundDocument::Open(ReadFileBytes(path));
    ASSERT_TRUE(document.IsValid());
    for (size_t i = 0; i < document.Entries().size(); ++i) {
      const TcxDirectoryEntry& entry = document.Entries()[i];
      if (entry.Type != detStream) continue;
      SCOPED_TRACE(entry.Name);
      std::vector<uint8_t> bytes;
      ASSERT_EQ(document.ReadStream(i, bytes), E::cdeNone);
      ASSERT_EQ(bytes.size(), entry.Size);
      const bool propertySet = entry.Name.starts_with("\x05");
      const bool compObj = entry.Name ==
                           "\x01"
                           "CompObj";
      if (propertySet) {
        EXPECT_EQ(GetU16(bytes, 0), 0xFFFE);
      }
      if (compObj) {
        EXPECT_EQ(GetU32(bytes, 0), 0xFFFE0001u);
      }
      if ((propertySet || compObj) && entry.Size < kcdMiniStreamCutoff) ++miniStreamsChecked;
    }
  }
  EXPECT_GT(miniStreamsChecked, 50);
}

// --- Real files damaged or rearranged in one place -----------------------------------------

TEST(CompoundDocument, WorkbookEntryAnywhereInTheDirectory) {
  // Files whose directory spans several sectors; the workbook entry (index 1) is moved to the
  // last entry, in the directory's last sector.
  const char* files[] = {"poi-15228.xls", "poi-SimpleMacro.xls", "poi-47034.xls",
                         "sheetjs-number_format.xls"};
  for (const char* name : files) {
    SCOPED_TRACE(name);
    auto file = ReadFileBytes(CorpusDir() / name);
    const auto original = ReadWorkbook(file);
    ASSERT_FALSE(original.empty());
    const size_t last = TCfbView(file).EntryOffsets().size() - 1;
    ASSERT_GE(last, 4u);
    SwapEntries(file, TCfbView(file).EntryIndex(u"Workbook"), last);
    ASSERT_EQ(TCfbView(file).EntryIndex(u"Workbook"), last);
    EXPECT_EQ(ReadWorkbook(file), original);
  }
}

TEST(CompoundDocument, NamesMatchWithoutRegardToCase) {
  const struct {
    std::u16string name;
    E error;
    TcxWorkbookStreamName kind;
  } cases[] = {
      {u"Workbook", E::cdeNone, wsnWorkbook},
      {u"WORKBOOK", E::cdeNone, wsnWorkbook},
      {u"workbook", E::cdeNone, wsnWorkbook},
      {u"wOrKbOoK", E::cdeNone, wsnWorkbook},
      {u"Book", E::cdeNone, wsnBook},
      {u"bOOK", E::cdeNone, wsnBook},
      {u"Workbooks", E::cdeStreamNotFound, wsnWorkbook},
      {u"Workboo", E::cdeStreamNotFound, wsnWorkbook},
      {u"Boo", E::cdeStreamNotFound, wsnWorkbook},
      {u"Bookk", E::cdeStreamNotFound, wsnWorkbook},
      {u"W\u00D6rkbook", E::cdeStreamNotFound, wsnWorkbook},
  };
  const auto pristine = ReadFileBytes(CorpusDir() / "xlrd-ragged.xls");
  const auto original = ReadWorkbook(pristine);
  ASSERT_FALSE(original.empty());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    auto file = pristine;
    const TCfbView view(file);
    SetEntryName(file, view.EntryOffsets()[view.EntryIndex(u"Workbook")], c.name);
    E error{};
    TcxWorkbookStreamName kind{};
    const auto buffer = ReadWorkbook(file, &error, &kind);
    EXPECT_EQ(error, c.error);
    if (c.error != E::cdeNone) continue;
    EXPECT_EQ(kind, c.kind);
    EXPECT_EQ(buffer, original);
  }
}

TEST(CompoundDocument, WorkbookPreferredOverBook) {
  // Excel 97 could save a file readable by Excel 5 too: BIFF5 in "Book" beside BIFF8 in
  // "Workbook". Renaming another stream of a real file to "Book" builds that arrangement.
  auto file = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  const auto original = ReadWorkbook(file);
  const TCfbView view(file);
  SetEntryName(file, view.EntryOffsets()[view.EntryIndex(u"\x01Ole")], u"Book");
  TcxWorkbookStreamName kind{};
  EXPECT_EQ(ReadWorkbook(file, nullptr, &kind), original);
  EXPECT_EQ(kind, wsnWorkbook);
}

TEST(CompoundDocument, DamagedDirectoryTreeStillFindsTheStream) {
  const auto pristine = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  const auto original = ReadWorkbook(pristine);
  const size_t root = TCfbView(pristine).EntryOffsets()[0];
  const struct {
    const char* what;
    uint32_t rootChild;
  } cases[] = {{"no child", kFree}, {"child out of range", 100000}, {"child is the root", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = pristine;
    PutU32(file, root + 76, c.rootChild);
    EXPECT_EQ(ReadWorkbook(file), original);
  }
  // Sibling links that form a loop end the walk instead of running forever.
  auto file = pristine;
  for (const size_t entry : TCfbView(file).EntryOffsets()) {
    if (file[entry + 66] != detStream) continue;
    PutU32(file, entry + 68, 1);
    PutU32(file, entry + 72, 1);
  }
  EXPECT_EQ(ReadWorkbook(file), original);
}

TEST(CompoundDocument, StreamInsideAStorageIsNotTheWorkbook) {
  // A workbook embedded as an object keeps its own "Workbook" inside a storage. Renaming the
  // top-level stream leaves only such a nested one (the VBA storage's first stream renamed).
  auto file = ReadFileBytes(CorpusDir() / "poi-SimpleMacro.xls");
  TCfbView view(file);
  const auto offsets = view.EntryOffsets();
  SetEntryName(file, offsets[view.EntryIndex(u"Workbook")], u"Other");
  SetEntryName(file, offsets[view.EntryIndex(u"Module1")], u"Workbook");
  E error{};
  ReadWorkbook(file, &error);
  EXPECT_EQ(error, E::cdeStreamNotFound);
}

TEST(CompoundDocument, BrokenChainsAreRefused) {
  // A big stream (poi-48968, 18154 bytes in 36 sectors) is damaged in its chain. Where the old
  // reading skipped over a free or end-of-chain entry and carried on with the next sector, it
  // returned other data as the stream; a broken chain is a damaged file.
  const auto pristine = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  const TCfbView view(pristine);
  const size_t workbookEntry = view.EntryOffsets()[view.EntryIndex(u"Workbook")];
  const auto chain = view.Chain(GetU32(pristine, workbookEntry + 116));
  ASSERT_EQ(chain.size(), 36u);
  const uint32_t fileSectors = static_cast<uint32_t>(pristine.size() / 512 - 1);
  const struct {
    const char* what;
    size_t link;  // which link of the chain is changed
    uint32_t value;
    E error;
  } cases[] = {
      {"loop back to the start", 20, chain[0], E::cdeBadChain},
      {"loop onto itself", 5, chain[5], E::cdeBadChain},
      {"ends early", 10, kEnd, E::cdeBadChain},
      {"free sector in the middle", 10, kFree, E::cdeBadChain},
      {"FAT sector marker", 10, 0xFFFFFFFD, E::cdeBadChain},
      {"sector past the end of the file", 3, fileSectors, E::cdeBadChain},
      {"sector far past the end", 3, 0x7FFFFFFF, E::cdeBadChain},
      {"longer chain than needed", 35, chain[0], E::cdeNone},  // the extra link is not followed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = pristine;
    PutU32(file, view.FatEntryOffset(chain[c.link]), c.value);
    E error{};
    const auto buffer = ReadWorkbook(file, &error);
    EXPECT_EQ(error, c.error);
    if (c.error == E::cdeNone) {
      EXPECT_EQ(buffer, ReadWorkbook(pristine));
    }
  }
}

TEST(CompoundDocument, BrokenMiniStreamChainsAreRefused) {
  // poi-48968: a big workbook stream and a SummaryInformation stream of three mini sectors.
  const auto pristine = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  auto document = TcxCompoundDocument::Open(pristine);
  const auto summary = document.FindStream("\x05SummaryInformation");
  ASSERT_TRUE(summary.has_value());
  std::vector<uint8_t> original;
  ASSERT_EQ(document.ReadStream(*summary, original), E::cdeNone);
  ASSERT_EQ(original.size(), 136u);

  const TCfbView view(pristine);
  const size_t entryOffset = view.EntryOffsets()[*summary];
  const uint32_t first = GetU32(pristine, entryOffset + 116);
  const uint32_t miniFatSector = GetU32(pristine, 60);
  const size_t firstLink = TCfbView::SectorOffset(miniFatSector) + 4 * first;
  const size_t rootEntry = view.EntryOffsets()[0];
  const struct {
    const char* what;
    size_t at;
    uint32_t value;
    E error;
  } cases[] = {
      {"mini chain loops onto itself", firstLink, first, E::cdeBadChain},
      {"mini chain ends early", firstLink, kEnd, E::cdeBadChain},
      {"mini sector beyond the mini FAT", firstLink, 100000, E::cdeBadChain},
      {"start beyond the mini FAT", entryOffset + 116, 0x7FFFFFFF, E::cdeBadChain},
      {"mini stream shorter than the stream needs", rootEntry + 120, 64, E::cdeStreamTooLarge},
      {"mini stream has no sectors", rootEntry + 116, kEnd, E::cdeStreamTooLarge},
      {"mini FAT missing", 60, kEnd, E::cdeBadChain},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = pristine;
    PutU32(file, c.at, c.value);
    auto damaged = TcxCompoundDocument::Open(file);
    std::vector<uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(damaged.ReadStream(*summary, bytes), c.error);
    EXPECT_TRUE(bytes.empty());
    // The workbook is a big stream and does not depend on the mini stream.
    std::vector<uint8_t> workbook;
    EXPECT_EQ(damaged.ReadStream(damaged.FindWorkbookStream()->Entry, workbook), E::cdeNone);
  }
}

TEST(CompoundDocument, SizesAreBoundedByTheFile) {
  const auto pristine = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  const TCfbView view(pristine);
  const size_t entry = view.EntryOffsets()[view.EntryIndex(u"Workbook")];
  const struct {
    uint32_t size;
    E error;
  } cases[] = {
      {0xFFFFFFFF, E::cdeStreamTooLarge},  // would be a 4 GB buffer
      {static_cast<uint32_t>(pristine.size()), E::cdeStreamTooLarge},
      {18154 + 512, E::cdeBadChain},  // one sector more than the chain has
      {18154 - 1, E::cdeNone},        // a shorter stream is a prefix of the original
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    auto file = pristine;
    PutU32(file, entry + 120, c.size);
    E error{};
    const auto buffer = ReadWorkbook(file, &error);
    EXPECT_EQ(error, c.error);
    if (c.error == E::cdeNone) {
      const auto original = ReadWorkbook(pristine);
      EXPECT_EQ(buffer, std::vector<uint8_t>(original.begin(), original.begin() + c.size));
    }
  }
}

TEST(CompoundDocument, VersionThreeIgnoresTheUpperHalfOfTheSize) {
  // Version 3 files may leave junk in the upper 32 bits of a stream size.
  auto file = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  const auto original = ReadWorkbook(file);
  const TCfbView view(file);
  PutU32(file, view.EntryOffsets()[view.EntryIndex(u"Workbook")] + 124, 0xDEADBEEF);
  EXPECT_EQ(ReadWorkbook(file), original);
}

TEST(CompoundDocument, EveryTruncationFailsCleanlyOrKeepsTheStream) {
  // Cut a real file at every length: either the stream is still wholly inside (and read
  // exactly) or the file is refused; never a partial or zero-filled stream.
  const auto pristine = ReadFileBytes(CorpusDir() / "sheetjs-A4X_gnumeric.xls");
  const auto original = ReadWorkbook(pristine);
  ASSERT_FALSE(original.empty());
  int opened = 0;
  for (size_t length = 0; length <= pristine.size(); ++length) {
    const std::vector<uint8_t> file(pristine.begin(), pristine.begin() + length);
    E error{};
    const auto buffer = ReadWorkbook(file, &error);
    if (error == E::cdeNone) {
      ++opened;
      ASSERT_EQ(buffer, original) << "cut at " << length;
    }
  }
  EXPECT_GT(opened, 0);
  EXPECT_LT(opened, static_cast<int>(pristine.size()));
}

TEST(CompoundDocument, HeaderChecks) {
  const auto pristine = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  const auto original = ReadWorkbook(pristine);
  const struct {
    const char* what;
    size_t at;
    uint32_t value;
    int width;
    E error;
  } cases[] = {
      {"signature", 7, 0xE0, 1, E::cdeNotCompoundDocument},
      {"sector shift 7", 30, 7, 2, E::cdeBadHeader},
      {"sector shift 0", 30, 0, 2, E::cdeBadHeader},
      {"sector shift 31", 30, 31, 2, E::cdeBadHeader},
      {"directory sector past the end", 48, 0x00FFFFFF, 4, E::cdeBadDirectory},
      {"directory is end of chain", 48, kEnd, 4, E::cdeBadDirectory},
      {"first FAT sector missing", 76, kFree, 4, E::cdeBadChain},
      // Counts that claim more than the file holds cost nothing and hurt nothing.
      {"absurd FAT sector count", 44, 0x7FFFFFFF, 4, E::cdeNone},
      {"absurd DIFAT count", 72, 0x7FFFFFFF, 4, E::cdeNone},
      {"absurd directory sector count", 40, 0x7FFFFFFF, 4, E::cdeNone},
      {"mini sector shift ignored", 32, 19265, 2, E::cdeNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = pristine;
    if (c.width == 1)
      file[c.at] = static_cast<uint8_t>(c.value);
    else if (c.width == 2)
      PutU16(file, c.at, static_cast<uint16_t>(c.value));
    else
      PutU32(file, c.at, c.value);
    E error{};
    const auto buffer = ReadWorkbook(file, &error);
    EXPECT_EQ(error, c.error);
    if (c.error == E::cdeNone) {
      EXPECT_EQ(buffer, original);
    }
  }
  for (size_t length : {0, 7, 8, 511}) {
    E error{};
    ReadWorkbook(std::vector<uint8_t>(pristine.begin(), pristine.begin() + length), &error);
    EXPECT_EQ(error, E::cdeNotCompoundDocument) << length;
  }
}

TEST(CompoundDocument, DifatLoopsEndTheWalk) {
  // A 16 MB stream needs 259 FAT sectors: 109 named in the header, the rest in two DIFAT
  // sectors (111 and 239). Damaging the first one's next link must end the walk: the FAT
  // sectors the second one names are then missing, and so is the end of the stream's chain.
  const auto stream = RandomBytes(16 << 20, 3);
  const auto pristine = WriteCompoundDocument(stream);
  ASSERT_EQ(GetU32(pristine, 72), 2u);
  const size_t nextLink = TCfbView::SectorOffset(111) + 508;
  ASSERT_EQ(GetU32(pristine, nextLink), 239u);
  const struct {
    const char* what;
    uint32_t next;
    E error;
  } cases[] = {
      {"intact", 239, E::cdeNone},
      {"points at itself", 111, E::cdeBadChain},
      {"points back at the header's FAT", 0, E::cdeBadChain},
      {"ends early", kEnd, E::cdeBadChain},
      {"past the end of the file", 0x00FFFFFF, E::cdeBadChain},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto file = pristine;
    PutU32(file, nextLink, c.next);
    PutU32(file, 72, 0x7FFFFFFF);  // the count is no limit; the walk must stop by itself
    E error{};
    const auto buffer = ReadWorkbook(file, &error);
    EXPECT_EQ(error, c.error);
    if (c.error == E::cdeNone) {
      EXPECT_EQ(buffer, stream);
    }
  }
}

TEST(CompoundDocument, VersionFourSectors) {
  // Version 4 containers have 4096-byte sectors and 64-bit stream sizes. Built by hand: header
  // (padded to one sector), sector 0 FAT, 1 directory, 2 mini FAT, 3 mini stream, 4-5 a big
  // stream of 5000 bytes.
  const auto big = RandomBytes(5000, 1);
  const auto small = RandomBytes(100, 2);
  std::vector<uint8_t> file(4096 * 7, 0);
  std::copy(std::begin(kcdSignature), std::end(kcdSignature), file.begin());
  PutU16(file, 24, 0x3E);
  PutU16(file, 26, 4);
  PutU16(file, 28, 0xFFFE);
  PutU16(file, 30, 12);
  PutU16(file, 32, 6);
  PutU32(file, 40, 1);
  PutU32(file, 44, 1);
  PutU32(file, 48, 1);
  PutU32(file, 56, 4096);
  PutU32(file, 60, 2);
  PutU32(file, 64, 1);
  PutU32(file, 68, kEnd);
  for (size_t i = 0; i < 109; ++i) PutU32(file, 76 + 4 * i, i == 0 ? 0 : kFree);
  const auto sector = [](uint32_t s) { return (static_cast<size_t>(s) + 1) * 4096; };
  for (uint32_t i = 0; i < 1024; ++i) PutU32(file, sector(0) + 4 * i, kFree);
  const uint32_t fat[] = {0xFFFFFFFD, kEnd, kEnd, kEnd, 5, kEnd};
  for (uint32_t i = 0; i < std::size(fat); ++i) PutU32(file, sector(0) + 4 * i, fat[i]);
  for (uint32_t i = 0; i < 1024; ++i) PutU32(file, sector(2) + 4 * i, kFree);
  PutU32(file, sector(2), 1);
  PutU32(file, sector(2) + 4, kEnd);
  const auto entry = [&](int index, const std::u16string& name, uint8_t type, uint32_t child,
                         uint32_t right, uint32_t start, uint64_t size) {
    const size_t at = sector(1) + 128 * index;
    SetEntryName(file, at, name);
    file[at + 66] = type;
    PutU32(file, at + 68, kFree);
    PutU32(file, at + 72, right);
    PutU32(file, at + 76, child);
    PutU32(file, at + 116, start);
    PutU32(file, at + 120, static_cast<uint32_t>(size));
    PutU32(file, at + 124, static_cast<uint32_t>(size >> 32));
  };
  entry(0, u"Root Entry", detRoot, 1, kFree, 3, 128);
  entry(1, u"Workbook", detStream, kFree, 2, 4, big.size());
  entry(2, u"Small", detStream, kFree, kFree, 0, small.size());
  std::copy(big.begin(), big.end(), file.begin() + sector(4));
  std::copy(small.begin(), small.end(), file.begin() + sector(3));

  auto document = TcxCompoundDocument::Open(file);
  ASSERT_TRUE(document.IsValid());
  EXPECT_EQ(document.SectorSize(), 4096u);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(document.ReadStream(*document.FindStream("workbook"), bytes), E::cdeNone);
  EXPECT_EQ(bytes, big);
  ASSERT_EQ(document.ReadStream(*document.FindStream("SMALL"), bytes), E::cdeNone);
  EXPECT_EQ(bytes, small);

  // A 64-bit size far beyond the file is refused before anything is allocated.
  PutU32(file, sector(1) + 128 + 124, 1);
  auto huge = TcxCompoundDocument::Open(file);
  EXPECT_EQ(huge.ReadStream(*huge.FindStream("Workbook"), bytes), E::cdeStreamTooLarge);
}

TEST(CompoundDocument, ReadStreamRefusesWhatIsNotAStream) {
  auto document = TcxCompoundDocument::Open(ReadFileBytes(CorpusDir() / "poi-SimpleMacro.xls"));
  ASSERT_TRUE(document.IsValid());
  std::vector<uint8_t> bytes;
  EXPECT_EQ(document.ReadStream(0, bytes), E::cdeStreamNotFound);  // the root
  EXPECT_EQ(document.ReadStream(document.Entries().size(), bytes), E::cdeStreamNotFound);
  for (size_t i = 0; i < document.Entries().size(); ++i) {
    if (document.Entries()[i].Type == detStorage) {
      EXPECT_EQ(document.ReadStream(i, bytes), E::cdeStreamNotFound) << document.Entries()[i].Name;
    }
  }
  EXPECT_FALSE(document.FindStream("_VBA_PROJECT_CUR").has_value());  // a storage, not a stream
}

TEST(CompoundDocument, FailingInputStream) {
  // A stream whose reads fail after the header: the directory cannot be read.
  const auto file = ReadFileBytes(CorpusDir() / "poi-48968.xls");
  class TShortSource final : public TcxCompoundDocumentSource {
  public:
    explicit TShortSource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, std::span<uint8_t> dest) override {
      if (offset >= 512) return false;
      std::copy_n(bytes_.begin() + offset, dest.size(), dest.begin());
      return true;
    }

  private:
    const std::vector<uint8_t>& bytes_;
  };
  const auto document = TcxCompoundDocument::Open(std::make_unique<TShortSource>(file));
  EXPECT_EQ(document.Error(), E::cdeReadFailed);

  std::istringstream empty;
  TcxWorkBookReader reader(empty);
  EXPECT_EQ(reader.Error(), E::cdeNotCompoundDocument);
}

TEST(CompoundDocument, SameStreamName) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"Workbook", "WORKBOOK", true},
      {"Workbook", "workbook", true},
      {"Book", "BOOK", true},
      {"Book", "Boo", false},
      {"", "", true},
      {"a", "", false},
      {"čačak", "ČAČAK", true},
      {"Đorđe", "đORĐE", true},
      {"Workbook", "Work book", false},
      {"\x05SummaryInformation", "\x05summaryinformation", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameStreamName(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(SameStreamName(c.b, c.a), c.same) << c.b << " / " << c.a;
  }
}

TEST(CompoundDocument, Biff8Bof) {
  const struct {
    std::vector<uint8_t> bytes;
    bool biff8;
  } cases[] = {
      {{0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00}, true},
      {{0x09, 0x08, 0x08, 0x00, 0x00, 0x06}, true},
      {{0x09, 0x08, 0x08, 0x00, 0x00, 0x05}, false},  // BIFF5
      {{0x09, 0x04, 0x06, 0x00, 0x00, 0x06}, false},  // BIFF4 identifier
      {{0x09, 0x08, 0x00, 0x00, 0x00, 0x06}, false},  // version outside the record
      {{0x09, 0x08, 0x10, 0x00, 0x00}, false},        // cut short
      {{}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBiff8Bof(c.bytes), c.biff8);
}
