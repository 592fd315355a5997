#pragma once

// Helpers for the container tests: corpus files, little-endian fields, and a small view of a
// well-formed version 3 container (FAT named in the header, 512-byte sectors) used to damage
// real files in precise places. The view trusts its input; only the code under test may not.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace cfbtest {

inline std::filesystem::path CorpusDir() { return ZOF_CORPUS_DIR; }

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

// The .xls files directly in `folder` of the corpus, sorted by name.
inline std::vector<std::filesystem::path> CorpusFiles(const std::string& folder = {}) {
  std::vector<std::filesystem::path> files;
  const auto dir = CorpusDir() / folder;
  if (!std::filesystem::is_directory(dir)) return files;
  for (const auto& item : std::filesystem::directory_iterator(dir))
    if (item.is_regular_file() && item.path().extension() == ".xls") files.push_back(item.path());
  std::sort(files.begin(), files.end());
  return files;
}

inline std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(generator());
  return bytes;
}

inline uint16_t GetU16(const std::vector<uint8_t>& file, size_t at) {
  return static_cast<uint16_t>(file.at(at) | (file.at(at + 1) << 8));
}
inline uint32_t GetU32(const std::vector<uint8_t>& file, size_t at) {
  return GetU16(file, at) | (static_cast<uint32_t>(GetU16(file, at + 2)) << 16);
}
inline void PutU16(std::vector<uint8_t>& file, size_t at, uint16_t value) {
  file.at(at) = static_cast<uint8_t>(value);
  file.at(at + 1) = static_cast<uint8_t>(value >> 8);
}
inline void PutU32(std::vector<uint8_t>& file, size_t at, uint32_t value) {
  PutU16(file, at, static_cast<uint16_t>(value));
  PutU16(file, at + 2, static_cast<uint16_t>(value >> 16));
}

constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;

// Where things are in a well-formed version 3 container whose FAT sectors are all named in the
// header's DIFAT.
class TCfbView {
public:
  explicit TCfbView(const std::vector<uint8_t>& file) : file_(file) {}

  static size_t SectorOffset(uint32_t sector) { return (static_cast<size_t>(sector) + 1) * 512; }
  size_t FatEntryOffset(uint32_t sector) const {
    return SectorOffset(GetU32(file_, 76 + 4 * (sector / 128))) + 4 * (sector % 128);
  }
  uint32_t Fat(uint32_t sector) const { return GetU32(file_, FatEntryOffset(sector)); }
  std::vector<uint32_t> Chain(uint32_t start) const {
    std::vector<uint32_t> chain;
    for (uint32_t s = start; s != kEnd && chain.size() < 1'000'000; s = Fat(s)) chain.push_back(s);
    return chain;
  }
  uint32_t MiniFat(uint32_t miniSector) const {
    const auto chain = Chain(GetU32(file_, 60));
    return GetU32(file_, SectorOffset(chain.at(miniSector / 128)) + 4 * (miniSector % 128));
  }
  std::vector<size_t> EntryOffsets() const {
    std::vector<size_t> offsets;
    for (const uint32_t sector : Chain(GetU32(file_, 48)))
      for (size_t i = 0; i < 4; ++i) offsets.push_back(SectorOffset(sector) + 128 * i);
    return offsets;
  }
  std::u16string EntryName(size_t entryOffset) const {
    std::u16string name;
    const size_t units = GetU16(file_, entryOffset + 64) / 2;
    for (size_t i = 0; i + 1 < units; ++i)
      name.push_back(static_cast<char16_t>(GetU16(file_, entryOffset + 2 * i)));
    return name;
  }
  // Index of the first entry of that exact name.
  size_t EntryIndex(const std::u16string& name) const {
    const auto offsets = EntryOffsets();
    for (size_t i = 0; i < offsets.size(); ++i)
      if (EntryName(offsets[i]) == name) return i;
    return SIZE_MAX;
  }

private:
  const std::vector<uint8_t>& file_;
};

inline void SetEntryName(std::vector<uint8_t>& file, size_t entryOffset,
                         const std::u16string& name) {
  for (size_t i = 0; i < 32; ++i) PutU16(file, entryOffset + 2 * i, i < name.size() ? name[i] : 0);
  PutU16(file, entryOffset + 64, static_cast<uint16_t>((name.size() + 1) * 2));
}

// Exchanges directory entries `a` and `b` (neither the root) and renumbers every sibling and
// child link, so the file stays equally valid with the entries stored elsewhere.
inline void SwapEntries(std::vector<uint8_t>& file, size_t a, size_t b) {
  const auto offsets = TCfbView(file).EntryOffsets();
  std::swap_ranges(file.begin() + offsets.at(a), file.begin() + offsets.at(a) + 128,
                   file.begin() + offsets.at(b));
  for (const size_t entry : offsets) {
    if (file[entry + 66] == 0) continue;  // unused entries have no links
    for (const size_t link : {68, 72, 76}) {
      const uint32_t value = GetU32(file, entry + link);
      if (value == a)
        PutU32(file, entry + link, static_cast<uint32_t>(b));
      else if (value == b)
        PutU32(file, entry + link, static_cast<uint32_t>(a));
    }
  }
}

}  // namespace cfbtest
