#include "xls/SSTStringTable.h"

#include <algorithm>
#include <cassert>

namespace {

// Bytes of a string's header: character count (16 bits) and flags.
constexpr size_t kStringHeader = 3;
// SST data starts with the total and the unique count.
constexpr size_t kSstCounts = 8;
// A string starts in a new block when the current one holds more than this.
constexpr size_t kStartLimit = 8188;
constexpr uint8_t kFlagsUtf16 = 1;

}  // namespace

TSSTStringTable::TSSTStringTable() : chains_(65536, -1) {}

TSSTStringTable::~TSSTStringTable() = default;

void TSSTStringTable::Clear() {
  blocks_.clear();
  strings_.clear();
  std::fill(chains_.begin(), chains_.end(), -1);
  extSst_.clear();
  totalCount_ = 0;
}

uint16_t TSSTStringTable::Hash(std::u16string_view text) {
  // FNV-1a over whole code units, folded to 16 bits.
  uint32_t h = 2166136261u;
  for (char16_t c : text) h = (h ^ c) * 16777619u;
  return static_cast<uint16_t>(h ^ (h >> 16));
}

void TSSTStringTable::NewBlock() {
  blocks_.emplace_back();
  blocks_.back().reserve(kBlockSize);
}

bool TSSTStringTable::Equals(const TStringInfo& info, std::u16string_view text) const {
  if (info.Length != text.size()) return false;
  size_t block = info.Block;
  size_t pos = info.Offset + kStringHeader;
  for (char16_t c : text) {
    if (pos >= blocks_[block].size()) {
      ++block;
      pos = 1;  // past the flags byte that starts the continuation
    }
    const uint8_t* p = blocks_[block].data() + pos;
    if (static_cast<char16_t>(p[0] | p[1] << 8) != c) return false;
    pos += 2;
  }
  return true;
}

int32_t TSSTStringTable::Find(std::u16string_view text) const {
  text = text.substr(0, std::min(text.size(), kMaxChars));
  for (int32_t i = chains_[Hash(text)]; i >= 0; i = strings_[i].Next)
    if (Equals(strings_[i], text)) return i;
  return -1;
}

void TSSTStringTable::Append(std::u16string_view text) {
  text = text.substr(0, std::min(text.size(), kMaxChars));
  if (blocks_.empty()) {
    NewBlock();
    CurrentBlock().resize(kSstCounts);
  } else if (CurrentBlock().size() > kStartLimit) {
    NewBlock();
  }
  const uint16_t hash = Hash(text);
  strings_.push_back({hash, static_cast<uint32_t>(text.size()),
                      static_cast<uint32_t>(blocks_.size() - 1),
                      static_cast<uint32_t>(CurrentBlock().size()), chains_[hash]});
  chains_[hash] = static_cast<int32_t>(strings_.size() - 1);

  const auto put = [this](std::u16string_view chars) {
    std::vector<uint8_t>& block = CurrentBlock();
    const size_t at = block.size();
    block.resize(at + 2 * chars.size());
    uint8_t* p = block.data() + at;
    for (char16_t c : chars) {
      *p++ = static_cast<uint8_t>(c);
      *p++ = static_cast<uint8_t>(c >> 8);
    }
  };
  {
    std::vector<uint8_t>& block = CurrentBlock();
    // 32768 characters keep their count in 16 bits.
    block.push_back(static_cast<uint8_t>(text.size()));
    block.push_back(static_cast<uint8_t>(text.size() >> 8));
    block.push_back(kFlagsUtf16);
  }
  size_t fit = (kBlockSize - CurrentBlock().size()) / 2;
  for (;;) {
    const size_t n = std::min(fit, text.size());
    put(text.substr(0, n));
    text.remove_prefix(n);
    if (text.empty()) break;
    NewBlock();
    CurrentBlock().push_back(kFlagsUtf16);
    fit = (kBlockSize - 2) / 2;  // at most 8190 bytes of characters
  }
}

uint32_t TSSTStringTable::AddString(std::u16string_view text) {
  ++totalCount_;
  const int32_t found = Find(text);
  if (found >= 0) return static_cast<uint32_t>(found);
  Append(text);
  return static_cast<uint32_t>(strings_.size() - 1);
}

void TSSTStringTable::ExtSSTLayout(uint32_t unique, uint16_t& stringsPerBucket,
                                   uint32_t& entries) {
  uint32_t dsst = 8;
  uint32_t buckets = 1;
  while (unique > buckets * dsst) {
    dsst += 8;
    if (buckets < 127 && unique > buckets * dsst) ++buckets;
  }
  stringsPerBucket = static_cast<uint16_t>(dsst);
  entries = std::min(buckets - 1, unique / dsst) + 1;
}

uint32_t TSSTStringTable::Size() const {
  if (strings_.empty()) return 0;
  uint32_t size = 0;
  for (const auto& block : blocks_) size += static_cast<uint32_t>(kBiffRecordHeader + block.size());
  uint16_t dsst = 0;
  uint32_t entries = 0;
  ExtSSTLayout(UniqueCount(), dsst, entries);
  return size + static_cast<uint32_t>(kBiffRecordHeader + 2 + 8 * entries);
}

void TSSTStringTable::BuildExtSST(uint32_t offset) {
  extSst_.clear();
  if (strings_.empty()) return;
  uint32_t entries = 0;
  ExtSSTLayout(UniqueCount(), stringsPerBucket_, entries);
  // Stream position of each block's record header.
  std::vector<uint32_t> blockPositions(blocks_.size());
  uint32_t position = offset;
  for (size_t b = 0; b < blocks_.size(); ++b) {
    blockPositions[b] = position;
    position += static_cast<uint32_t>(kBiffRecordHeader + blocks_[b].size());
  }
  for (uint32_t j = 0; j < entries; ++j) {
    const size_t index = static_cast<size_t>(stringsPerBucket_) * j;
    if (index >= strings_.size()) break;
    const TStringInfo& s = strings_[index];
    const uint32_t recordOffset = static_cast<uint32_t>(kBiffRecordHeader + s.Offset);
    extSst_.push_back({blockPositions[s.Block] + recordOffset, static_cast<uint16_t>(recordOffset)});
  }
}

void TSSTStringTable::WriteTo(TcxBiffWriter& out, uint32_t offset) {
  if (strings_.empty()) return;
  BuildExtSST(offset);
  std::vector<uint8_t>& first = blocks_.front();
  const uint32_t counts[2] = {totalCount_, UniqueCount()};
  for (int i = 0; i < 2; ++i)
    for (int k = 0; k < 4; ++k) first[4 * i + k] = static_cast<uint8_t>(counts[i] >> (8 * k));
  for (size_t b = 0; b < blocks_.size(); ++b)
    out.Record(b == 0 ? brSst : brContinue, blocks_[b]);
  uint32_t entries = 0;
  uint16_t dsst = 0;
  ExtSSTLayout(UniqueCount(), dsst, entries);
  const size_t at = out.BeginRecord(brExtSst);
  out.U16(stringsPerBucket_);
  for (uint32_t j = 0; j < entries; ++j) {
    // The layout always has an entry for string 0 and never asks past the last string.
    assert(j < extSst_.size());
    out.U32(extSst_[j].Position);
    out.U16(extSst_[j].RecordOffset);
    out.U16(0);
  }
  out.EndRecord(at);
}
