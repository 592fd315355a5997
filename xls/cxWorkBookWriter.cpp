#include "xls/cxWorkBookWriter.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "xls/cxCompoundDocument.h"

namespace {

constexpr uint32_t kSectorSize = kcdBigSectorSize;
constexpr uint32_t kFatEntriesPerSector = kSectorSize / 4;
constexpr uint32_t kDifatEntriesPerSector = kFatEntriesPerSector - 1;
constexpr uint32_t kFirstDifatPosition = 111;
constexpr uint32_t kDirectorySector = 1;

uint32_t CeilDiv(uint64_t value, uint64_t divisor) {
  return static_cast<uint32_t>(value / divisor + (value % divisor != 0 ? 1 : 0));
}

[[noreturn]] void Fail() { throw EcxExcelDataWriter(std::string(kErrorStoreWorkbookStream)); }

}  // namespace

TcxWorkBookWriter::TLayout TcxWorkBookWriter::MakeLayout(uint64_t streamSize) {
  // Version 3 containers keep stream sizes in 32 bits.
  if (streamSize == 0 || streamSize > 0xFFFFFFFFu) Fail();
  TLayout layout;
  layout.StreamSize = streamSize;
  layout.BigSectors = CeilDiv(streamSize, kSectorSize);
  layout.Small = streamSize < kcdMiniStreamCutoff;
  if (layout.Small) return layout;
  // The FAT must describe itself, the DIFAT sectors, the directory and the stream. ⌈(n + 3) ÷
  // 127⌉ sectors are enough while there are at most two DIFAT sectors; past about 23 MB the
  // DIFAT sectors outgrow that margin, so add FAT sectors until everything is covered.
  uint32_t f = CeilDiv(static_cast<uint64_t>(layout.BigSectors) + 3, kDifatEntriesPerSector);
  for (;;) {
    const uint32_t d =
        f > kcdHeaderDifatEntries ? CeilDiv(f - kcdHeaderDifatEntries, kDifatEntriesPerSector) : 0;
    const uint64_t covered = static_cast<uint64_t>(f) * kFatEntriesPerSector;
    if (covered >= static_cast<uint64_t>(f) + d + 1 + layout.BigSectors) {
      layout.FatSectors = f;
      layout.DifatSectors = d;
      return layout;
    }
    ++f;
  }
}

uint64_t TcxWorkBookWriter::PrefixSize(uint64_t streamSize) {
  const TLayout layout = MakeLayout(streamSize);
  if (layout.Small) return kcdHeaderSize + 3 * kSectorSize;
  return (static_cast<uint64_t>(layout.FatSectors) + layout.DifatSectors + 2) * kSectorSize;
}

uint64_t TcxWorkBookWriter::PaddingSize(uint64_t streamSize) {
  return (kSectorSize - streamSize % kSectorSize) % kSectorSize;
}

uint32_t TcxWorkBookWriter::FatSectorPosition(uint32_t index) {
  // FAT sector 0 is sector 0, the directory sector 1; FAT sectors 1 … 109 follow it. From sector
  // 111 on, every 128th sector is a DIFAT sector and the 127 sectors after it are FAT sectors.
  if (index == 0) return 0;
  if (index <= kcdHeaderDifatEntries) return index + 1;
  const uint32_t rest = index - kcdHeaderDifatEntries - 1;
  return kFirstDifatPosition + (rest / kDifatEntriesPerSector) * kFatEntriesPerSector + 1 +
         rest % kDifatEntriesPerSector;
}

bool TcxWorkBookWriter::IsDifatPosition(uint32_t sector, const TLayout& layout) {
  return sector >= kFirstDifatPosition &&
         (sector - kFirstDifatPosition) % kFatEntriesPerSector == 0 &&
         (sector - kFirstDifatPosition) / kFatEntriesPerSector < layout.DifatSectors;
}

void TcxWorkBookWriter::PutU32(uint64_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) prefix_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void TcxWorkBookWriter::BuildPrefix(uint64_t streamSize) {
  layout_ = MakeLayout(streamSize);
  prefix_.assign(PrefixSize(streamSize), 0);
  WriteHeader();
  WriteDirectory();
  WriteFAT();
}

void TcxWorkBookWriter::WritePrefix(uint64_t streamSize, std::ostream* stream) {
  if (stream == nullptr) Fail();
  BuildPrefix(streamSize);
  stream->write(reinterpret_cast<const char*>(prefix_.data()),
                static_cast<std::streamsize>(prefix_.size()));
  if (!*stream) Fail();
}

void TcxWorkBookWriter::WritePrefix(uint64_t streamSize, std::vector<uint8_t>& buffer) {
  BuildPrefix(streamSize);
  buffer.reserve(buffer.size() + prefix_.size() + streamSize + PaddingSize(streamSize));
  buffer.insert(buffer.end(), prefix_.begin(), prefix_.end());
}

void TcxWorkBookWriter::WriteHeader() {
  std::copy(std::begin(kcdSignature), std::end(kcdSignature), prefix_.begin());
  prefix_[24] = 0x3E;  // minor version
  prefix_[26] = 3;     // major version: 512-byte sectors
  prefix_[28] = 0xFE;  // byte order mark 0xFFFE
  prefix_[29] = 0xFF;
  prefix_[30] = 9;  // sector shift
  prefix_[32] = 6;  // mini sector shift
  PutU32(44, layout_.FatSectors);
  PutU32(48, kDirectorySector);
  PutU32(56, kcdMiniStreamCutoff);
  PutU32(60, layout_.Small ? 2 : kcdEndOfChain);
  PutU32(64, layout_.Small ? 1 : 0);
  PutU32(68, layout_.DifatSectors > 0 ? kFirstDifatPosition : kcdEndOfChain);
  PutU32(72, layout_.DifatSectors);
  std::fill(prefix_.begin() + 76, prefix_.begin() + kcdHeaderSize, 0xFF);
}

void TcxWorkBookWriter::WriteDirectory() {
  uint8_t* directory = Sector(kDirectorySector);
  const auto putEntry = [&](int index, std::string_view name, uint8_t type, uint8_t colour,
                            uint32_t child, uint32_t start, uint32_t size) {
    const uint64_t at =
        static_cast<uint64_t>(directory - prefix_.data()) + index * kcdDirectoryEntrySize;
    for (size_t i = 0; i < name.size(); ++i) prefix_[at + 2 * i] = static_cast<uint8_t>(name[i]);
    prefix_[at + 64] = static_cast<uint8_t>((name.size() + 1) * 2);
    prefix_[at + 66] = type;
    prefix_[at + 67] = colour;
    PutU32(at + 68, kcdNoStream);
    PutU32(at + 72, kcdNoStream);
    PutU32(at + 76, child);
    PutU32(at + 116, start);
    PutU32(at + 120, size);
  };
  const uint32_t streamSize = static_cast<uint32_t>(layout_.StreamSize);
  if (layout_.Small) {
    putEntry(0, kcdRootEntryName, detRoot, 0, 1, 3, layout_.BigSectors * kSectorSize);
    putEntry(1, kcdWorkbookStreamName, detStream, 1, kcdNoStream, 0, streamSize);
  } else {
    putEntry(0, kcdRootEntryName, detRoot, 0, 1, kcdEndOfChain, 0);
    putEntry(1, kcdWorkbookStreamName, detStream, 1, kcdNoStream,
             layout_.FatSectors + layout_.DifatSectors + 1, streamSize);
  }
}

void TcxWorkBookWriter::WriteFAT() {
  for (uint32_t k = 0; k < layout_.FatSectors; ++k) {
    uint8_t* sector = Sector(FatSectorPosition(k));
    std::fill(sector, sector + kSectorSize, 0xFF);
  }
  const auto setEntry = [&](uint32_t sector, uint32_t value) {
    const uint32_t fatSector = FatSectorPosition(sector / kFatEntriesPerSector);
    PutU32(
        (static_cast<uint64_t>(fatSector) + 1) * kSectorSize + 4 * (sector % kFatEntriesPerSector),
        value);
  };
  const auto setChain = [&](uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
      setEntry(first + i, i + 1 < count ? first + i + 1 : kcdEndOfChain);
  };

  setEntry(0, kcdFatSector);
  setEntry(kDirectorySector, kcdEndOfChain);
  if (layout_.Small) {
    PutU32(76, 0);
    setEntry(2, kcdEndOfChain);  // the mini FAT
    setChain(3, layout_.BigSectors);
    WriteMiniFAT();
    return;
  }
  const uint32_t headerSlots = std::min(layout_.FatSectors, kcdHeaderDifatEntries);
  for (uint32_t i = 0; i < headerSlots; ++i) PutU32(76 + 4 * i, FatSectorPosition(i));
  if (layout_.DifatSectors > 0) WriteDIFAT();
  const uint32_t lastPrefixSector = layout_.FatSectors + layout_.DifatSectors;
  for (uint32_t s = 2; s <= lastPrefixSector; ++s)
    setEntry(s, IsDifatPosition(s, layout_) ? kcdDifatSector : kcdFatSector);
  setChain(lastPrefixSector + 1, layout_.BigSectors);
}

void TcxWorkBookWriter::WriteDIFAT() {
  for (uint32_t j = 0; j < layout_.DifatSectors; ++j) {
    const uint32_t position = kFirstDifatPosition + j * kFatEntriesPerSector;
    const uint64_t at = (static_cast<uint64_t>(position) + 1) * kSectorSize;
    for (uint32_t i = 0; i < kDifatEntriesPerSector; ++i) {
      const uint32_t fatIndex = kcdHeaderDifatEntries + j * kDifatEntriesPerSector + i;
      PutU32(at + 4 * i,
             fatIndex < layout_.FatSectors ? FatSectorPosition(fatIndex) : kcdFreeSector);
    }
    // The last DIFAT sector ends the chain, as the format requires.
    PutU32(at + 4 * kDifatEntriesPerSector,
           j + 1 < layout_.DifatSectors ? position + kFatEntriesPerSector : kcdEndOfChain);
  }
}

void TcxWorkBookWriter::WriteMiniFAT() {
  uint8_t* miniFat = Sector(2);
  std::fill(miniFat, miniFat + kSectorSize, 0xFF);
  const uint32_t miniSectors = CeilDiv(layout_.StreamSize, kcdMiniSectorSize);
  const uint64_t at = static_cast<uint64_t>(miniFat - prefix_.data());
  for (uint32_t i = 0; i < miniSectors; ++i)
    PutU32(at + 4 * i, i + 1 < miniSectors ? i + 1 : kcdEndOfChain);
}

std::vector<uint8_t> WriteCompoundDocument(std::span<const uint8_t> workbookStream) {
  std::vector<uint8_t> file;
  TcxWorkBookWriter writer;
  writer.WritePrefix(workbookStream.size(), file);
  file.insert(file.end(), workbookStream.begin(), workbookStream.end());
  file.resize(file.size() + TcxWorkBookWriter::PaddingSize(workbookStream.size()), 0);
  return file;
}
