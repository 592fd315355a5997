#include "xls/cxBiffReader.h"

#include <gtest/gtest.h>

#include "xls/cxBiffRecords.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes operator+(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TBytes Record(uint16_t id, const TBytes& data) {
  TBytes r{static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8),
           static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
  return r + data;
}
TBytes Continue(const TBytes& data) { return Record(kBiffContinue, data); }

TEST(TcxBiffRecord, JoinsTheContinueRecordsThatFollow) {
  // A 32-bit value split 1 + 3 over a CONTINUE boundary, then a record of its own.
  const TBytes stream = Record(0x0017, {0x01}) + Continue({0x02, 0x03, 0x04}) + Record(0x000A, {});
  TcxBiffRecord record(stream, 0);
  EXPECT_EQ(record.Id(), 0x0017);
  EXPECT_EQ(record.FirstLength(), 1u);
  EXPECT_EQ(record.Length(), 4u);
  EXPECT_EQ(record.End(), 4u + 1 + 4 + 3);
  EXPECT_EQ(record.ReadU32(), 0x04030201u);
  EXPECT_TRUE(record.Ok());
  EXPECT_EQ(record.Remaining(), 0u);
  TcxBiffRecord next(stream, record.End());
  EXPECT_EQ(next.Id(), 0x000A);
  EXPECT_EQ(next.Length(), 0u);
}

TEST(TcxBiffRecord, AFailedReadStaysFailedAndAnswersZero) {
  const TBytes stream = Record(0x0203, {0x01, 0x02, 0x03});
  TcxBiffRecord record(stream, 0);
  EXPECT_EQ(record.ReadU16(), 0x0201);
  EXPECT_EQ(record.ReadU16(), 0);  // one byte left: fails
  EXPECT_FALSE(record.Ok());
  EXPECT_EQ(record.ReadU8(), 0);  // the byte that was left is not handed out any more
  EXPECT_EQ(record.ReadDouble(), 0.0);
  EXPECT_EQ(record.ReadChars(1, false), "");
  EXPECT_EQ(record.Remaining(), 0u);
}

TEST(TcxBiffRecord, ARecordLongerThanTheStreamIsCutAndMarked) {
  const TBytes stream = TBytes{0x03, 0x02, 0xFF, 0xFF, 0x01, 0x02};
  TcxBiffRecord record(stream, 0);
  EXPECT_TRUE(record.Truncated());
  EXPECT_EQ(record.Length(), 2u);
  EXPECT_EQ(record.End(), stream.size());
  EXPECT_EQ(record.ReadU32(), 0u);
  EXPECT_FALSE(record.Ok());
}

TEST(TcxBiffRecord, AHugeCountFailsWithoutAllocating) {
  const TBytes stream = Record(0x00FC, {0x01, 0x00});
  TcxBiffRecord record(stream, 0);
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(record.ReadBytes(0xFFFFFFFFu, bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(record.ReadChars(100000, true), "");
  EXPECT_FALSE(record.Ok());
}

struct TCharsCase {
  const char* What;
  TBytes Stream;
  size_t Count;
  bool Wide;
  std::string Expected;
  bool Ok;
};

TEST(TcxBiffRecord, ReadsCharactersAcrossContinueRecords) {
  const TCharsCase cases[] = {
      {"8-bit Latin-1", Record(1, {'a', 0xE9}), 2, false, "a\xC3\xA9", true},
      {"16-bit", Record(1, {0x3C, 0x04, 0x41, 0x00}), 2, true, "\xD0\xBC" "A", true},
      {"8-bit, then 16-bit after the boundary",
       Record(1, {'a', 'b'}) + Continue({0x01, 0x3C, 0x04}), 3, false, "ab\xD0\xBC", true},
      {"16-bit, then 8-bit after the boundary",
       Record(1, {0x3C, 0x04}) + Continue({0x00, 'x', 'y'}), 3, true, "\xD0\xBCxy", true},
      {"a surrogate pair split by the boundary",
       Record(1, {0x3C, 0xD8}) + Continue({0x01, 0x63, 0xDF}), 2, true, "\xF0\x9F\x8D\xA3", true},
      {"half a 16-bit character before the boundary",
       Record(1, {0x41, 0x00, 0x42}) + Continue({0x01, 0x00, 0x43, 0x00}), 3, true, "", false},
      {"characters beyond the record", Record(1, {'a'}), 2, false, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TcxBiffRecord record(c.Stream, 0);
    EXPECT_EQ(record.ReadChars(c.Count, c.Wide), c.Expected);
    EXPECT_EQ(record.Ok(), c.Ok);
  }
}

TEST(TcxBiffRecord, ReadsTheSharedStringsAcrossContinueRecords) {
  // Three strings: "ab" (8-bit), "Hi" split over the boundary (8-bit, then 16-bit), and a rich
  // string whose header would not fit before the next boundary.
  const TBytes sst = Record(0x00FC, TBytes{3, 0, 0, 0, 3, 0, 0, 0} + TBytes{2, 0, 0, 'a', 'b'} +
                                        TBytes{2, 0, 0, 'H'}) +
                     Continue(TBytes{0x01, 'i', 0, 0xEE}) +
                     Continue(TBytes{1, 0, 0x08, 1, 0, 'z', 0, 0, 0, 0});
  TcxBiffRecord record(sst, 0);
  std::vector<std::string> strings;
  std::string error;
  ASSERT_TRUE(ReadSst(record, strings, error)) << error;
  EXPECT_EQ(strings, (std::vector<std::string>{"ab", "Hi", "z"}));

  // A count above the strings present: the table is the strings present.
  const TBytes shortSst = Record(0x00FC, TBytes{2, 0, 0, 0, 7, 0, 0, 0} + TBytes{1, 0, 0, 'a'});
  TcxBiffRecord shortRecord(shortSst, 0);
  ASSERT_TRUE(ReadSst(shortRecord, strings, error)) << error;
  EXPECT_EQ(strings, (std::vector<std::string>{"a"}));

  // A string whose characters run past the record is damage.
  const TBytes cutSst = Record(0x00FC, TBytes{2, 0, 0, 0, 2, 0, 0, 0} + TBytes{1, 0, 0, 'a'} +
                                           TBytes{5, 0, 0, 'x', 'y'});
  TcxBiffRecord cutRecord(cutSst, 0);
  EXPECT_FALSE(ReadSst(cutRecord, strings, error));
  EXPECT_EQ(error, "Reading SST record error");
}

struct TRkCase {
  uint32_t Rk;
  double Value;
};

TEST(DecodeRk, ReadsTheFourEncodings) {
  const TRkCase cases[] = {
      {503, 1.25},                // integer 125, divided by 100
      {0x3FF00000, 1.0},          // the upper 30 bits of the double 1.0
      {0x3FF00001, 0.01},         // the same, divided by 100
      {static_cast<uint32_t>(-4 << 2) | 2, -4.0},  // negative integer
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeRk(c.Rk), c.Value) << c.Rk;
}

}  // namespace
