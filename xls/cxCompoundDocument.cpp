#include "xls/cxCompoundDocument.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <istream>

#include "platform/Unicode.h"

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t CeilDiv(uint64_t value, uint64_t divisor) {
  return value / divisor + (value % divisor != 0 ? 1 : 0);
}

class TMemorySource final : public TcxCompoundDocumentSource {
public:
  explicit TMemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, std::span<uint8_t> dest) override {
    if (offset > bytes_.size() || dest.size() > bytes_.size() - offset) return false;
    if (!dest.empty()) std::memcpy(dest.data(), bytes_.data() + offset, dest.size());
    return true;
  }

private:
  std::vector<uint8_t> bytes_;
};

class TStreamSource final : public TcxCompoundDocumentSource {
public:
  explicit TStreamSource(std::istream& stream) : stream_(stream) {
    stream_.clear();
    stream_.seekg(0, std::ios::end);
    const std::streamoff end = stream_.tellg();
    size_ = stream_ && end > 0 ? static_cast<uint64_t>(end) : 0;
  }
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, std::span<uint8_t> dest) override {
    if (offset > size_ || dest.size() > size_ - offset) return false;
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset));
    stream_.read(reinterpret_cast<char*>(dest.data()), static_cast<std::streamsize>(dest.size()));
    return stream_.gcount() == static_cast<std::streamsize>(dest.size());
  }

private:
  std::istream& stream_;
  uint64_t size_ = 0;
};

// Collects every entry of a sibling tree (left and right links) below `start`, marking each in
// `visited`; an entry met twice or a link out of range ends that branch, so a damaged tree
// cannot loop.
void CollectTree(const std::vector<TcxDirectoryEntry>& entries, uint32_t start,
                 std::vector<bool>& visited, std::vector<size_t>& found) {
  std::vector<uint32_t> pending{start};
  while (!pending.empty()) {
    const uint32_t index = pending.back();
    pending.pop_back();
    if (index >= entries.size() || visited[index]) continue;
    visited[index] = true;
    found.push_back(index);
    pending.push_back(entries[index].LeftSibling);
    pending.push_back(entries[index].RightSibling);
  }
}

}  // namespace

TcxCompoundDocument::TcxCompoundDocument(TcxCompoundDocument&&) noexcept = default;
TcxCompoundDocument& TcxCompoundDocument::operator=(TcxCompoundDocument&&) noexcept = default;
TcxCompoundDocument::~TcxCompoundDocument() = default;

TcxCompoundDocument TcxCompoundDocument::Open(std::vector<uint8_t> fileBytes) {
  return Open(std::make_unique<TMemorySource>(std::move(fileBytes)));
}

TcxCompoundDocument TcxCompoundDocument::Open(std::istream& stream) {
  return Open(std::make_unique<TStreamSource>(stream));
}

TcxCompoundDocument TcxCompoundDocument::Open(std::unique_ptr<TcxCompoundDocumentSource> source) {
  TcxCompoundDocument document;
  document.source_ = std::move(source);
  document.Load();
  return document;
}

void TcxCompoundDocument::Load() {
  if (!ReadHeader()) return;
  ReadFat();
  if (!ReadDirectory()) return;
  ReadMiniStreamTables();
}

bool TcxCompoundDocument::ReadHeader() {
  uint8_t header[kcdHeaderSize];
  if (source_->Size() < kcdHeaderSize || !source_->ReadAt(0, header) ||
      std::memcmp(header, kcdSignature, sizeof kcdSignature) != 0) {
    error_ = TcxCompoundDocumentError::cdeNotCompoundDocument;
    return false;
  }
  // Version 3 files have 512-byte sectors, version 4 files 4096-byte ones; the mini sector size
  // is 64 in both, whatever the header's mini sector shift says.
  const uint16_t majorVersion = ReadU16(header + 26);
  const uint16_t sectorShift = ReadU16(header + 30);
  if (sectorShift != 9 && sectorShift != 12) {
    error_ = TcxCompoundDocumentError::cdeBadHeader;
    return false;
  }
  sectorSize_ = 1u << sectorShift;
  sizeIs64Bit_ = majorVersion >= 4;
  const uint64_t fileSize = source_->Size();
  fileSectors_ = fileSize > sectorSize_ ? CeilDiv(fileSize - sectorSize_, sectorSize_) : 0;
  // Sector numbers at and above 0xFFFFFFFA are chain values, never sectors.
  fileSectors_ = std::min<uint64_t>(fileSectors_, 0xFFFFFFFA);

  fatSectorCount_ = ReadU32(header + 44);
  firstDirectorySector_ = ReadU32(header + 48);
  firstMiniFatSector_ = ReadU32(header + 60);
  firstDifatSector_ = ReadU32(header + 68);
  headerDifat_.resize(kcdHeaderDifatEntries);
  for (uint32_t i = 0; i < kcdHeaderDifatEntries; ++i)
    headerDifat_[i] = ReadU32(header + 76 + 4 * i);
  return true;
}

bool TcxCompoundDocument::ReadTableSector(uint32_t sector, std::vector<uint32_t>& table) {
  assert(IsFileSector(sector));
  const uint64_t offset = SectorOffset(sector);
  const uint64_t available = std::min<uint64_t>(sectorSize_, source_->Size() - offset);
  std::vector<uint8_t> bytes(sectorSize_, 0xFF);
  if (!source_->ReadAt(offset, std::span(bytes.data(), available))) return false;
  for (uint32_t i = 0; i < sectorSize_; i += 4) table.push_back(ReadU32(bytes.data() + i));
  return true;
}

void TcxCompoundDocument::ReadFat() {
  // Only the FAT sectors that describe sectors of this file are loaded, so a header that claims
  // millions of FAT sectors costs nothing. A FAT sector the DIFAT cannot name (a free slot, a
  // number past the end of the file, a DIFAT chain cut short) reads as free entries: a chain
  // that needs it then fails, other chains still work.
  const uint32_t entriesPerSector = sectorSize_ / 4;
  const uint64_t wanted =
      std::min<uint64_t>(fatSectorCount_, CeilDiv(fileSectors_, entriesPerSector));
  std::vector<uint32_t> fatSectors(
      headerDifat_.begin(),
      headerDifat_.begin() + std::min<uint64_t>(wanted, kcdHeaderDifatEntries));
  std::vector<bool> visited(fileSectors_);
  uint32_t difatSector = firstDifatSector_;
  while (fatSectors.size() < wanted && IsFileSector(difatSector) && !visited[difatSector]) {
    visited[difatSector] = true;
    std::vector<uint32_t> slots;
    if (!ReadTableSector(difatSector, slots)) break;
    for (uint32_t i = 0; i + 1 < entriesPerSector && fatSectors.size() < wanted; ++i)
      fatSectors.push_back(slots[i]);
    difatSector = slots[entriesPerSector - 1];
  }
  fatSectors.resize(wanted, kcdFreeSector);

  fat_.clear();
  fat_.reserve(wanted * entriesPerSector);
  for (const uint32_t sector : fatSectors) {
    const size_t before = fat_.size();
    if (!IsFileSector(sector) || !ReadTableSector(sector, fat_))
      fat_.resize(before + entriesPerSector, kcdFreeSector);
  }
}

std::vector<uint32_t> TcxCompoundDocument::FollowChain(uint32_t start, uint64_t maxSectors) const {
  std::vector<uint32_t> chain;
  std::vector<bool> visited(fileSectors_);
  uint32_t sector = start;
  while (chain.size() < maxSectors && IsFileSector(sector) && !visited[sector]) {
    visited[sector] = true;
    chain.push_back(sector);
    sector = sector < fat_.size() ? fat_[sector] : kcdFreeSector;
  }
  return chain;
}

bool TcxCompoundDocument::ReadDirectory() {
  // The directory has no size of its own: its chain is read until it ends, loops or leaves the
  // file, and whatever was read is the directory.
  const std::vector<uint32_t> chain = FollowChain(firstDirectorySector_, fileSectors_);
  if (chain.empty()) {
    error_ = TcxCompoundDocumentError::cdeBadDirectory;
    return false;
  }
  std::vector<uint8_t> bytes(sectorSize_);
  entries_.reserve(chain.size() * (sectorSize_ / kcdDirectoryEntrySize));
  for (const uint32_t sector : chain) {
    const uint64_t offset = SectorOffset(sector);
    const uint64_t available = std::min<uint64_t>(sectorSize_, source_->Size() - offset);
    if (!source_->ReadAt(offset, std::span(bytes.data(), available))) {
      error_ = TcxCompoundDocumentError::cdeReadFailed;
      return false;
    }
    // An entry cut off by the end of the file is dropped, not completed with zeros: a zero
    // size would pass for an empty stream.
    for (uint32_t at = 0; at + kcdDirectoryEntrySize <= available; at += kcdDirectoryEntrySize) {
      const uint8_t* raw = bytes.data() + at;
      TcxDirectoryEntry entry;
      // The name length counts bytes with the terminator; a damaged length is clamped to the
      // 32 characters the field holds, and the name ends at its first NUL.
      const size_t units = std::min<size_t>(ReadU16(raw + 64) / 2, 32);
      std::u16string name;
      for (size_t i = 0; i < units; ++i) {
        const char16_t c = static_cast<char16_t>(ReadU16(raw + 2 * i));
        if (c == 0) break;
        name.push_back(c);
      }
      entry.Name = unicode::Utf16ToUtf8(name);
      entry.Type = raw[66];
      entry.LeftSibling = ReadU32(raw + 68);
      entry.RightSibling = ReadU32(raw + 72);
      entry.Child = ReadU32(raw + 76);
      entry.StartSector = ReadU32(raw + 116);
      entry.Size = ReadU32(raw + 120);
      if (sizeIs64Bit_) entry.Size |= static_cast<uint64_t>(ReadU32(raw + 124)) << 32;
      entries_.push_back(std::move(entry));
    }
  }
  return true;
}

void TcxCompoundDocument::ReadMiniStreamTables() {
  // The mini stream is the root entry's stream; its sectors are found through the FAT like any
  // other chain, and the mini FAT is a chain of its own. Neither needs to be contiguous.
  if (entries_.empty() || entries_[0].Type != detRoot) return;
  const TcxDirectoryEntry& root = entries_[0];
  miniStreamSectors_ =
      FollowChain(root.StartSector, std::min(CeilDiv(root.Size, sectorSize_), fileSectors_));
  miniStreamSize_ =
      std::min<uint64_t>(root.Size, static_cast<uint64_t>(miniStreamSectors_.size()) * sectorSize_);
  for (const uint32_t sector : FollowChain(firstMiniFatSector_, fileSectors_))
    if (!ReadTableSector(sector, miniFat_)) break;
}

std::vector<size_t> TcxCompoundDocument::RootChildren() const {
  std::vector<size_t> children;
  if (entries_.empty() || entries_[0].Type != detRoot) return children;
  std::vector<bool> visited(entries_.size());
  visited[0] = true;
  CollectTree(entries_, entries_[0].Child, visited, children);
  return children;
}

std::optional<size_t> TcxCompoundDocument::FindStream(std::string_view name) const {
  const auto isWanted = [&](size_t index) {
    return entries_[index].Type == detStream && SameStreamName(entries_[index].Name, name);
  };
  std::optional<size_t> found;
  for (const size_t index : RootChildren())
    if (isWanted(index) && (!found || index < *found)) found = index;
  if (found) return found;

  // The tree did not lead to it: search the entries that no storage claims. One visited mark
  // for all storages keeps this linear even when hostile trees share branches.
  std::vector<bool> insideStorage(entries_.size());
  std::vector<size_t> ignored;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].Type == detStorage)
      CollectTree(entries_, entries_[i].Child, insideStorage, ignored);
  for (size_t i = 0; i < entries_.size(); ++i)
    if (!insideStorage[i] && isWanted(i)) return i;
  return std::nullopt;
}

std::optional<TcxWorkbookStream> TcxCompoundDocument::FindWorkbookStream() const {
  if (const auto entry = FindStream(kcdWorkbookStreamName))
    return TcxWorkbookStream{*entry, wsnWorkbook};
  if (const auto entry = FindStream(kcdBookStreamName)) return TcxWorkbookStream{*entry, wsnBook};
  return std::nullopt;
}

TcxCompoundDocumentError TcxCompoundDocument::ReadStream(size_t entry,
                                                         std::vector<uint8_t>& contents) {
  contents.clear();
  if (!IsValid()) return error_;
  if (entry >= entries_.size() || entries_[entry].Type != detStream)
    return TcxCompoundDocumentError::cdeStreamNotFound;
  const TcxDirectoryEntry& stream = entries_[entry];
  if (stream.Size == 0) return TcxCompoundDocumentError::cdeNone;
  const TcxCompoundDocumentError result = stream.Size < kcdMiniStreamCutoff
                                              ? ReadMiniStream(stream, contents)
                                              : ReadBigStream(stream, contents);
  if (result != TcxCompoundDocumentError::cdeNone) {
    contents.clear();
    contents.shrink_to_fit();
  }
  return result;
}

TcxCompoundDocumentError TcxCompoundDocument::ReadBigStream(const TcxDirectoryEntry& entry,
                                                            std::vector<uint8_t>& out) {
  const uint64_t sectorCount = CeilDiv(entry.Size, sectorSize_);
  if (sectorCount > fileSectors_) return TcxCompoundDocumentError::cdeStreamTooLarge;
  const std::vector<uint32_t> chain = FollowChain(entry.StartSector, sectorCount);
  if (chain.size() < sectorCount) return TcxCompoundDocumentError::cdeBadChain;
  // Only the stream's own bytes must be in the file: the last sector may be cut short.
  const uint64_t lastBytes = entry.Size - (sectorCount - 1) * sectorSize_;
  if (SectorOffset(chain.back()) + lastBytes > source_->Size())
    return TcxCompoundDocumentError::cdeStreamTooLarge;
  for (size_t i = 0; i + 1 < chain.size(); ++i)
    if (SectorOffset(chain[i]) + sectorSize_ > source_->Size())
      return TcxCompoundDocumentError::cdeStreamTooLarge;

  out.resize(entry.Size);
  // Runs of consecutive sectors, the usual layout, are read in one piece.
  uint64_t position = 0;
  for (size_t first = 0; first < chain.size();) {
    size_t last = first;
    while (last + 1 < chain.size() && chain[last + 1] == chain[last] + 1) ++last;
    const uint64_t length =
        std::min<uint64_t>((last - first + 1) * sectorSize_, entry.Size - position);
    if (!source_->ReadAt(SectorOffset(chain[first]), std::span(out.data() + position, length)))
      return TcxCompoundDocumentError::cdeReadFailed;
    position += length;
    first = last + 1;
  }
  return TcxCompoundDocumentError::cdeNone;
}

TcxCompoundDocumentError TcxCompoundDocument::ReadMiniStream(const TcxDirectoryEntry& entry,
                                                             std::vector<uint8_t>& out) {
  const uint64_t sectorCount = CeilDiv(entry.Size, kcdMiniSectorSize);
  if (sectorCount * kcdMiniSectorSize > miniStreamSize_)
    return TcxCompoundDocumentError::cdeStreamTooLarge;
  out.resize(entry.Size);
  std::vector<bool> visited(miniFat_.size());
  uint32_t miniSector = entry.StartSector;
  for (uint64_t i = 0; i < sectorCount; ++i) {
    if (miniSector >= miniFat_.size() || visited[miniSector])
      return TcxCompoundDocumentError::cdeBadChain;
    visited[miniSector] = true;
    const uint64_t position = i * kcdMiniSectorSize;
    const uint64_t length = std::min<uint64_t>(kcdMiniSectorSize, entry.Size - position);
    const uint64_t miniOffset = static_cast<uint64_t>(miniSector) * kcdMiniSectorSize;
    if (miniOffset + length > miniStreamSize_) return TcxCompoundDocumentError::cdeBadChain;
    // Mini sectors never straddle a big sector: 64 divides both sector sizes.
    const uint64_t fileOffset =
        SectorOffset(miniStreamSectors_[miniOffset / sectorSize_]) + miniOffset % sectorSize_;
    if (fileOffset + length > source_->Size()) return TcxCompoundDocumentError::cdeStreamTooLarge;
    if (!source_->ReadAt(fileOffset, std::span(out.data() + position, length)))
      return TcxCompoundDocumentError::cdeReadFailed;
    miniSector = miniFat_[miniSector];
  }
  return TcxCompoundDocumentError::cdeNone;
}

bool SameStreamName(std::string_view a, std::string_view b) {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size())
    if (unicode::ToUpper(unicode::NextCodePoint(a, i)) !=
        unicode::ToUpper(unicode::NextCodePoint(b, j)))
      return false;
  return i == a.size() && j == b.size();
}

bool IsBiff8Bof(std::span<const uint8_t> stream) {
  return stream.size() >= 6 && ReadU16(stream.data()) == 0x0809 &&
         ReadU16(stream.data() + 2) >= 2 && ReadU16(stream.data() + 4) == 0x0600;
}

TcxWorkBookReader::TcxWorkBookReader(std::istream& stream) {
  Open(TcxCompoundDocument::Open(stream));
}

TcxWorkBookReader::TcxWorkBookReader(std::vector<uint8_t> fileBytes) {
  Open(TcxCompoundDocument::Open(std::move(fileBytes)));
}

void TcxWorkBookReader::Open(TcxCompoundDocument document) {
  error_ = document.Error();
  if (!document.IsValid()) return;
  const std::optional<TcxWorkbookStream> stream = document.FindWorkbookStream();
  if (!stream) {
    error_ = TcxCompoundDocumentError::cdeStreamNotFound;
    return;
  }
  streamName_ = stream->Name;
  error_ = document.ReadStream(stream->Entry, buffer_);
  // Excel 5 and 95 wrote BIFF5 into "Book"; only BIFF8 records are read.
  if (error_ == TcxCompoundDocumentError::cdeNone && streamName_ == wsnBook && !IsBiff8Bof(buffer_))
    error_ = TcxCompoundDocumentError::cdeNotBiff8;
  if (error_ != TcxCompoundDocumentError::cdeNone) buffer_ = {};
}
