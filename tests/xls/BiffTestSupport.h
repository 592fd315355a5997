#pragma once

// Helpers for the writer tests: an independent walk over a written BIFF8 stream (records,
// substreams, the shared strings with their CONTINUE rules), written from the file format and
// trusting nothing the writer keeps.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace bifftest {

struct TRec {
  uint16_t Id = 0;
  std::vector<uint8_t> Data;
  size_t Offset = 0;  // of the header in the stream

  uint16_t U16(size_t at) const { return static_cast<uint16_t>(Data.at(at) | Data.at(at + 1) << 8); }
  uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
  double F64(size_t at) const {
    uint64_t bits = static_cast<uint64_t>(U32(at)) | static_cast<uint64_t>(U32(at + 4)) << 32;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
  }
};

// Every record of the stream; a record that runs past the end fails the test.
inline std::vector<TRec> Records(std::span<const uint8_t> stream) {
  std::vector<TRec> records;
  size_t pos = 0;
  while (pos + 4 <= stream.size()) {
    TRec r;
    r.Offset = pos;
    r.Id = static_cast<uint16_t>(stream[pos] | stream[pos + 1] << 8);
    const size_t length = static_cast<size_t>(stream[pos + 2] | stream[pos + 3] << 8);
    EXPECT_LE(length, 8224u) << "record " << std::hex << r.Id;
    if (pos + 4 + length > stream.size()) {
      ADD_FAILURE() << "record at " << pos << " runs past the stream";
      break;
    }
    r.Data.assign(stream.begin() + pos + 4, stream.begin() + pos + 4 + length);
    records.push_back(std::move(r));
    pos += 4 + length;
  }
  EXPECT_EQ(pos, stream.size()) << "bytes after the last record";
  return records;
}

// The records from the BOF at `offset` through its EOF.
inline std::vector<TRec> Substream(const std::vector<TRec>& all, size_t offset) {
  std::vector<TRec> part;
  bool in = false;
  for (const TRec& r : all) {
    if (r.Offset == offset) in = true;
    if (!in) continue;
    part.push_back(r);
    if (r.Id == 0x000A) break;
  }
  return part;
}

inline std::vector<uint16_t> Ids(const std::vector<TRec>& records) {
  std::vector<uint16_t> ids;
  for (const TRec& r : records) ids.push_back(r.Id);
  return ids;
}

inline std::vector<const TRec*> OfId(const std::vector<TRec>& records, uint16_t id) {
  std::vector<const TRec*> found;
  for (const TRec& r : records)
    if (r.Id == id) found.push_back(&r);
  return found;
}

// The shared strings of the SST record at `index` of `records` and the CONTINUE records after
// it: a string's characters may go on in the next record, which then starts with a flags byte.
inline std::vector<std::u16string> SharedStrings(const std::vector<TRec>& records, size_t index,
                                                 uint32_t* total = nullptr) {
  std::vector<std::u16string> strings;
  const TRec& sst = records.at(index);
  if (total) *total = sst.U32(0);
  const uint32_t unique = sst.U32(4);
  size_t rec = index;
  size_t pos = 8;
  auto next = [&] {
    ++rec;
    EXPECT_LT(rec, records.size());
    EXPECT_EQ(records.at(rec).Id, 0x003C) << "a string goes on past its record";
    pos = 0;
  };
  for (uint32_t i = 0; i < unique; ++i) {
    if (pos >= records.at(rec).Data.size()) next();
    const TRec* r = &records.at(rec);
    const uint16_t count = r->U16(pos);
    uint8_t flags = r->Data.at(pos + 2);
    pos += 3;
    std::u16string s;
    while (s.size() < count) {
      if (pos >= r->Data.size()) {
        next();
        r = &records.at(rec);
        flags = r->Data.at(pos++);
      }
      if (flags & 1) {
        s.push_back(static_cast<char16_t>(r->U16(pos)));
        pos += 2;
      } else {
        s.push_back(r->Data.at(pos++));
      }
    }
    strings.push_back(std::move(s));
  }
  return strings;
}

}  // namespace bifftest
