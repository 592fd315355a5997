#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "xls/cxBiffWriter.h"

// The shared string table of a workbook being written: every distinct text once, in the order
// first added, written as an SST record, the CONTINUE records it needs, and EXTSST.
//
// Layout: the records' data are built while strings are added, in blocks of at most 8192 bytes
// (block 0 is the SST record, whose first 8 bytes, the two counts, are filled in when written;
// every later block is a CONTINUE record). A string is its character count, a flags byte (1:
// UTF-16) and its characters; a string whose characters do not fit the rest of a block goes on
// in the next block, which then starts with a flags byte of its own. For each string the table
// keeps a 16-bit hash of its characters, its length, and where its header starts.
//
// Duplicates are found through 65536 hash chains (one per 16-bit hash value): a look-up compares
// lengths along one chain and characters only on equal lengths, reading them where they are
// stored, across block boundaries. Cost: adding n characters is O(n) plus the chain walk; memory
// is the record bytes plus 16 bytes a distinct string.
class TSSTStringTable {
public:
  static constexpr size_t kBlockSize = 8192;
  // Characters kept of one string; longer texts are cut.
  static constexpr size_t kMaxChars = 32768;

  TSSTStringTable();
  virtual ~TSSTStringTable();
  TSSTStringTable(const TSSTStringTable&) = delete;
  TSSTStringTable& operator=(const TSSTStringTable&) = delete;

  // Computes the EXTSST entries for an SST record that starts at `offset` in the workbook
  // stream.
  virtual void BuildExtSST(uint32_t offset);
  // Bytes of the SST, CONTINUE and EXTSST records with their headers; 0 when empty.
  virtual uint32_t Size() const;
  // The index of the string, or -1.
  virtual int32_t Find(std::u16string_view text) const;
  // Adds a string as the next index (not checking for duplicates).
  virtual void Append(std::u16string_view text);
  // Writes the records (nothing when empty) for an SST record at `offset` in the stream.
  virtual void WriteTo(TcxBiffWriter& out, uint32_t offset);

  // The index of the text, added when new. Every call counts towards the total count.
  uint32_t AddString(std::u16string_view text);
  void Clear();

  uint32_t TotalCount() const { return totalCount_; }
  uint32_t UniqueCount() const { return static_cast<uint32_t>(strings_.size()); }
  size_t BlockCount() const { return blocks_.size(); }

  // Strings a bucket of EXTSST covers and the number of entries written, for `unique` strings.
  static void ExtSSTLayout(uint32_t unique, uint16_t& stringsPerBucket, uint32_t& entries);

private:
  struct TStringInfo {
    uint16_t Hash;
    uint32_t Length;   // characters
    uint32_t Block;    // where the string's header starts
    uint32_t Offset;   // within the block's data
    int32_t Next;      // next string of the same hash chain, or -1
  };
  struct TExtSSTEntry {
    uint32_t Position;
    uint16_t RecordOffset;
  };

  static uint16_t Hash(std::u16string_view text);
  bool Equals(const TStringInfo& info, std::u16string_view text) const;
  std::vector<uint8_t>& CurrentBlock() { return blocks_.back(); }
  void NewBlock();

  std::vector<std::vector<uint8_t>> blocks_;
  std::vector<TStringInfo> strings_;
  std::vector<int32_t> chains_;  // 65536 chain heads
  std::vector<TExtSSTEntry> extSst_;
  uint16_t stringsPerBucket_ = 8;
  uint32_t totalCount_ = 0;
};
