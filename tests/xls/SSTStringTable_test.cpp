#include "xls/SSTStringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xls/BiffTestSupport.h"

using namespace bifftest;

namespace {

std::u16string Repeat(char16_t c, size_t n) { return std::u16string(n, c); }

// The records the table writes for an SST record at stream offset `offset`.
std::vector<TRec> Written(TSSTStringTable& table, uint32_t offset) {
  TcxBiffWriter out;
  table.WriteTo(out, offset);
  EXPECT_EQ(out.Size(), table.Size());
  auto records = Records(out.Bytes());
  for (TRec& r : records) r.Offset += offset;
  return records;
}

}  // namespace

TEST(TSSTStringTable, EmptyTableWritesNothing) {
  TSSTStringTable table;
  EXPECT_EQ(table.Size(), 0u);
  TcxBiffWriter out;
  table.WriteTo(out, 100);
  EXPECT_EQ(out.Size(), 0u);
  EXPECT_EQ(table.Find(u"a"), -1);
}

TEST(TSSTStringTable, DuplicatesShareOneIndexAndCountTowardsTheTotal) {
  TSSTStringTable table;
  const std::u16string long251 = Repeat(u'x', 251);
  EXPECT_EQ(table.AddString(long251), 0u);
  EXPECT_EQ(table.AddString(u"b"), 1u);
  EXPECT_EQ(table.AddString(long251), 0u);
  EXPECT_EQ(table.AddString(u""), 2u);
  EXPECT_EQ(table.AddString(u""), 2u);
  EXPECT_EQ(table.UniqueCount(), 3u);
  EXPECT_EQ(table.TotalCount(), 5u);
  EXPECT_EQ(table.Find(u"b"), 1);
  EXPECT_EQ(table.Find(u"c"), -1);
  uint32_t total = 0;
  const auto records = Written(table, 0);
  EXPECT_EQ(SharedStrings(records, 0, &total),
            (std::vector<std::u16string>{long251, u"b", u""}));
  EXPECT_EQ(total, 5u);
}

// Strings of every length around the block boundary: each block stays within 8192 data bytes,
// a string never starts in a block that holds more than 8188, and everything reads back.
TEST(TSSTStringTable, BlocksAndContinuationsReadBack) {
  const struct {
    const char* Name;
    std::vector<size_t> Lengths;
  } cases[] = {
      {"one short", {5}},
      {"exactly one block", {4089}},  // 8 + 3 + 2 × 4089 = 8189
      {"header ends the block", {4088, 0, 7}},
      {"split characters", {4000, 300, 2}},
      {"longer than a CONTINUE", {20000}},
      {"longest kept", {32768}},
      {"cut at 32768", {40000}},
      {"many small", std::vector<size_t>(3000, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TSSTStringTable table;
    std::vector<std::u16string> expected;
    for (size_t i = 0; i < c.Lengths.size(); ++i) {
      std::u16string s;
      for (size_t k = 0; k < c.Lengths[i]; ++k) s.push_back(static_cast<char16_t>(0x100 + (i * 7 + k) % 5000));
      if (c.Lengths.size() > 1) s += static_cast<char16_t>(u'A' + i % 26) + std::u16string(1, static_cast<char16_t>(i));
      table.AddString(s);
      expected.push_back(s.substr(0, TSSTStringTable::kMaxChars));
    }
    const auto records = Written(table, 0);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().Id, 0x00FC);
    EXPECT_EQ(records.back().Id, 0x00FF);
    for (size_t i = 0; i + 1 < records.size(); ++i) {
      EXPECT_LE(records[i].Data.size(), 8192u);
      if (i > 0) {
        EXPECT_EQ(records[i].Id, 0x003C);
      }
    }
    EXPECT_EQ(SharedStrings(records, 0), expected);
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(table.Find(expected[i]), static_cast<int32_t>(i));
  }
}

TEST(TSSTStringTable, ExtSstLayoutFollowsTheUniqueCount) {
  const struct {
    uint32_t Unique;
    uint16_t PerBucket;
    uint32_t Entries;
  } cases[] = {
      {1, 8, 1}, {8, 8, 1}, {9, 16, 1}, {17, 16, 2}, {100, 32, 4}, {1000, 96, 11}, {8000, 256, 32},
  };
  for (const auto& c : cases) {
    uint16_t perBucket = 0;
    uint32_t entries = 0;
    TSSTStringTable::ExtSSTLayout(c.Unique, perBucket, entries);
    EXPECT_EQ(perBucket, c.PerBucket) << c.Unique;
    EXPECT_EQ(entries, c.Entries) << c.Unique;
  }
}

// Each EXTSST entry points at the header of string dsst × j: its stream position and its offset
// within the SST or CONTINUE record that holds it.
TEST(TSSTStringTable, ExtSstEntriesPointAtTheirStrings) {
  TSSTStringTable table;
  std::vector<std::u16string> strings;
  for (int i = 0; i < 5000; ++i) {
    strings.push_back(u"string " + Repeat(u'#', static_cast<size_t>(i % 13)) +
                      static_cast<char16_t>(0x400 + i % 200) + static_cast<char16_t>(u'0' + i % 10) +
                      std::u16string(1, static_cast<char16_t>(0x3000 + i)));
    table.AddString(strings.back());
  }
  constexpr uint32_t kOffset = 1234;
  const auto records = Written(table, kOffset);
  const TRec& ext = records.back();
  ASSERT_EQ(ext.Id, 0x00FF);
  const uint16_t dsst = ext.U16(0);
  const size_t entries = (ext.Data.size() - 2) / 8;
  uint16_t expectedDsst = 0;
  uint32_t expectedEntries = 0;
  TSSTStringTable::ExtSSTLayout(5000, expectedDsst, expectedEntries);
  EXPECT_EQ(dsst, expectedDsst);
  EXPECT_EQ(entries, expectedEntries);
  for (size_t j = 0; j < entries; ++j) {
    const uint32_t position = ext.U32(2 + 8 * j);
    const uint16_t inRecord = ext.U16(6 + 8 * j);
    const TRec* holder = nullptr;
    for (const TRec& r : records)
      if (position >= r.Offset && position < r.Offset + 4 + r.Data.size()) holder = &r;
    ASSERT_NE(holder, nullptr) << j;
    EXPECT_EQ(position - holder->Offset, inRecord);
    const std::u16string& s = strings[dsst * j];
    EXPECT_EQ(holder->U16(inRecord - 4), s.size()) << "entry " << j;
    EXPECT_EQ(holder->Data.at(inRecord - 4 + 2), 1);
  }
}

TEST(TSSTStringTable, ClearEmptiesTheTable) {
  TSSTStringTable table;
  table.AddString(u"a");
  table.Clear();
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_EQ(table.TotalCount(), 0u);
  EXPECT_EQ(table.Find(u"a"), -1);
  EXPECT_EQ(table.AddString(u"b"), 0u);
}
