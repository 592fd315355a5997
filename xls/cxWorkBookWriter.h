#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

// Writing the compound document container of an .xls file that holds one stream, "Workbook".

inline constexpr std::string_view kErrorStoreWorkbookStream = "Error store workbook stream";

// Raised when the container cannot be written; the message is the text the user sees.
class EcxExcelDataWriter : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Builds the part of the file that precedes the workbook stream: the header, the FAT, the DIFAT
// sectors a big stream needs, the directory and, for a stream under 4096 bytes, the mini FAT.
// The caller then writes exactly the stream's bytes and pads with zeros to a multiple of 512
// (PaddingSize).
//
// Layout, sector n at file offset (n + 1) × 512:
//   small stream (under 4096 bytes): 0 FAT, 1 directory, 2 mini FAT, 3… the mini stream;
//   big stream: 0 FAT, 1 directory, 2… the other FAT sectors with a DIFAT sector at 111 and
//   every 128th sector after it when there are more than 109 FAT sectors, then the stream.
class TcxWorkBookWriter {
public:
  virtual ~TcxWorkBookWriter() = default;

  // Writes the prefix for a stream of `streamSize` bytes. Raises EcxExcelDataWriter with
  // "Error store workbook stream" when the size is 0 or too large for the format, when `stream`
  // is null, or when writing fails.
  void WritePrefix(uint64_t streamSize, std::ostream* stream);
  // The same into memory: the prefix is appended to `buffer`, which is first given room for
  // the stream and its padding so the caller's appends do not grow it piecewise.
  void WritePrefix(uint64_t streamSize, std::vector<uint8_t>& buffer);

  static uint64_t PrefixSize(uint64_t streamSize);
  // Zero bytes that follow a stream of `streamSize` bytes.
  static uint64_t PaddingSize(uint64_t streamSize);

protected:
  virtual void WriteDIFAT();
  virtual void WriteDirectory();
  virtual void WriteFAT();
  virtual void WriteHeader();
  virtual void WriteMiniFAT();

  // The layout for the stream being written.
  struct TLayout {
    uint64_t StreamSize = 0;
    uint32_t BigSectors = 0;    // n: 512-byte sectors of the stream
    bool Small = false;         // the stream lives in the mini stream
    uint32_t FatSectors = 1;    // f
    uint32_t DifatSectors = 0;  // d
  };
  static TLayout MakeLayout(uint64_t streamSize);
  // Prefix sector that holds FAT sector `index` (0 … f − 1).
  static uint32_t FatSectorPosition(uint32_t index);
  static bool IsDifatPosition(uint32_t sector, const TLayout& layout);
  void PutU32(uint64_t offset, uint32_t value);
  uint8_t* Sector(uint32_t sector) {
    return prefix_.data() + (static_cast<uint64_t>(sector) + 1) * 512;
  }

  TLayout layout_;
  std::vector<uint8_t> prefix_;

private:
  void BuildPrefix(uint64_t streamSize);
};

// A whole container holding `workbookStream` as its "Workbook" stream: prefix, stream, padding.
std::vector<uint8_t> WriteCompoundDocument(std::span<const uint8_t> workbookStream);
