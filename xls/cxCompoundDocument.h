#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Reading the compound document (structured storage) container that holds the workbook records
// of an .xls file: the header, the sector allocation table (FAT, located through the DIFAT), the
// directory, the mini stream with its own table (mini FAT), and the streams.
//
// Every number taken from the file is checked before it is used: sector numbers must name a
// sector that starts inside the file, chains are followed with a visited mark per sector (so a
// cycle ends the walk instead of looping), and a stream may not claim more bytes than its chain
// can hold inside the file. Memory is bounded by the file size: the FAT covers only the sectors
// the file has, and a stream buffer is allocated only after its size has been checked against
// the file. A damaged file is refused with a TcxCompoundDocumentError; nothing is ever read
// outside the input.

// Chain values of the allocation tables (stored as 32-bit little-endian numbers).
inline constexpr uint32_t kcdFreeSector = 0xFFFFFFFF;
inline constexpr uint32_t kcdEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kcdFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kcdDifatSector = 0xFFFFFFFC;
// Directory entry links: no sibling or child.
inline constexpr uint32_t kcdNoStream = 0xFFFFFFFF;

inline constexpr uint32_t kcdHeaderSize = 512;
inline constexpr uint32_t kcdBigSectorSize = 512;
inline constexpr uint32_t kcdMiniSectorSize = 64;
// A stream shorter than this lives in the mini stream.
inline constexpr uint32_t kcdMiniStreamCutoff = 4096;
inline constexpr uint32_t kcdHeaderDifatEntries = 109;
inline constexpr uint32_t kcdDirectoryEntrySize = 128;
inline constexpr uint8_t kcdSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

inline constexpr std::string_view kcdRootEntryName = "Root Entry";
inline constexpr std::string_view kcdWorkbookStreamName = "Workbook";
// The stream name Excel 5 and 95 used; some other programs write BIFF8 records under it.
inline constexpr std::string_view kcdBookStreamName = "Book";

// Directory entry types (offset 66 of an entry).
enum TcxDirectoryEntryType : uint8_t {
  detEmpty = 0,
  detStorage = 1,
  detStream = 2,
  detRoot = 5,
};

// Why a container or one of its streams was refused.
enum class TcxCompoundDocumentError : uint8_t {
  cdeNone,
  cdeNotCompoundDocument,  // too short for a header, or the signature differs
  cdeBadHeader,            // a sector size this format does not have
  cdeBadDirectory,         // the directory's first sector is not in the file
  cdeStreamNotFound,       // no entry of the wanted name
  cdeBadChain,             // a chain leaves the table or the file, loops, or ends too early
  cdeStreamTooLarge,       // the size cannot fit in the file
  cdeReadFailed,           // the input stream could not deliver bytes it claimed to have
  cdeNotBiff8,             // a "Book" stream that does not start with a BIFF8 BOF record
};

// One 128-byte directory entry, as read.
struct TcxDirectoryEntry {
  std::string Name;  // UTF-8, converted from the entry's UTF-16 name
  uint8_t Type = detEmpty;
  uint32_t LeftSibling = kcdNoStream;
  uint32_t RightSibling = kcdNoStream;
  uint32_t Child = kcdNoStream;
  uint32_t StartSector = kcdEndOfChain;
  uint64_t Size = 0;
};

// Which name the workbook stream had.
enum TcxWorkbookStreamName : uint8_t {
  wsnWorkbook,  // "Workbook" in any case: BIFF8
  wsnBook,      // "Book" in any case: BIFF5 from Excel 5/95, or BIFF8 from some other writers
};

struct TcxWorkbookStream {
  size_t Entry = 0;  // index into Entries()
  TcxWorkbookStreamName Name = wsnWorkbook;
};

// Where the container's bytes come from.
class TcxCompoundDocumentSource {
public:
  virtual ~TcxCompoundDocumentSource() = default;
  virtual uint64_t Size() const = 0;
  // Copies `dest.size()` bytes from `offset`; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, std::span<uint8_t> dest) = 0;
};

// A compound document opened for reading. Opening reads the header, the FAT, the directory and
// the mini FAT (each at most as large as the file); streams are read on request.
//
// Names are compared as compound documents compare them: without regard to case. A stream is
// looked up among the root storage's children (the directory's tree); when a damaged tree does
// not lead to it, every stream entry that is not inside a sub-storage is searched.
class TcxCompoundDocument {
public:
  // Reads from a copy of the whole file held in memory.
  static TcxCompoundDocument Open(std::vector<uint8_t> fileBytes);
  // Reads from a seekable stream, which must outlive the document; nothing is loaded beyond the
  // tables and the streams asked for.
  static TcxCompoundDocument Open(std::istream& stream);
  static TcxCompoundDocument Open(std::unique_ptr<TcxCompoundDocumentSource> source);

  TcxCompoundDocument(TcxCompoundDocument&&) noexcept;
  TcxCompoundDocument& operator=(TcxCompoundDocument&&) noexcept;
  ~TcxCompoundDocument();

  // True when the header and the directory could be read.
  bool IsValid() const { return error_ == TcxCompoundDocumentError::cdeNone; }
  TcxCompoundDocumentError Error() const { return error_; }
  uint32_t SectorSize() const { return sectorSize_; }
  const std::vector<TcxDirectoryEntry>& Entries() const { return entries_; }

  // The stream of that name (without regard to case) in the root storage.
  std::optional<size_t> FindStream(std::string_view name) const;
  // The "Workbook" stream, or failing that a "Book" stream (both without regard to case).
  // Whether a "Book" stream holds BIFF8 records is for the caller to check (IsBiff8Bof).
  std::optional<TcxWorkbookStream> FindWorkbookStream() const;

  // Reads the whole stream of entry `entry` into `contents` (replaced; left empty on failure).
  TcxCompoundDocumentError ReadStream(size_t entry, std::vector<uint8_t>& contents);

private:
  TcxCompoundDocument() = default;
  void Load();
  bool ReadHeader();
  void ReadFat();
  bool ReadDirectory();
  void ReadMiniStreamTables();
  // The sector list of a chain in the FAT; stops early (without failing) at an invalid link.
  std::vector<uint32_t> FollowChain(uint32_t start, uint64_t maxSectors) const;
  bool IsFileSector(uint32_t sector) const { return sector < fileSectors_; }
  uint64_t SectorOffset(uint32_t sector) const {
    return (static_cast<uint64_t>(sector) + 1) * sectorSize_;
  }
  // Reads a table sector; bytes past the end of the file read as free entries.
  bool ReadTableSector(uint32_t sector, std::vector<uint32_t>& table);
  TcxCompoundDocumentError ReadBigStream(const TcxDirectoryEntry& entry, std::vector<uint8_t>& out);
  TcxCompoundDocumentError ReadMiniStream(const TcxDirectoryEntry& entry,
                                          std::vector<uint8_t>& out);
  std::vector<size_t> RootChildren() const;

  std::unique_ptr<TcxCompoundDocumentSource> source_;
  TcxCompoundDocumentError error_ = TcxCompoundDocumentError::cdeNone;
  uint32_t sectorSize_ = kcdBigSectorSize;
  bool sizeIs64Bit_ = false;  // version 4 files; version 3 keeps junk in the upper half
  uint64_t fileSectors_ = 0;  // sectors that start before the end of the file
  uint32_t firstDirectorySector_ = kcdEndOfChain;
  uint32_t firstMiniFatSector_ = kcdEndOfChain;
  uint32_t firstDifatSector_ = kcdEndOfChain;
  uint32_t fatSectorCount_ = 0;
  std::vector<uint32_t> headerDifat_;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::vector<uint32_t> miniStreamSectors_;  // the root entry's chain
  uint64_t miniStreamSize_ = 0;
  std::vector<TcxDirectoryEntry> entries_;
};

// Compares two names as compound documents do: code point by code point, upper-cased.
bool SameStreamName(std::string_view a, std::string_view b);

// True when `stream` starts with a BIFF8 BOF record (identifier 0x0809, version 0x0600).
bool IsBiff8Bof(std::span<const uint8_t> stream);

// Loads the workbook stream of an .xls file into memory for the workbook reader: "Workbook" in
// any case, or a "Book" stream that starts with a BIFF8 BOF record. A "Book" stream of an older
// BIFF version (Excel 5/95) is refused with cdeNotBiff8. A refused file leaves no buffer and
// the caller reports "Invalid stream format".
class TcxWorkBookReader {
public:
  explicit TcxWorkBookReader(std::istream& stream);
  explicit TcxWorkBookReader(std::vector<uint8_t> fileBytes);

  // True when the workbook stream was loaded (it may still be empty).
  bool Loaded() const { return error_ == TcxCompoundDocumentError::cdeNone; }
  // The whole workbook stream; empty when refused.
  std::span<const uint8_t> Buffer() const { return buffer_; }
  // The workbook stream's size from its directory entry (0 when refused).
  uint64_t Size() const { return Loaded() ? buffer_.size() : 0; }
  TcxCompoundDocumentError Error() const { return error_; }
  TcxWorkbookStreamName StreamName() const { return streamName_; }

private:
  void Open(TcxCompoundDocument document);

  std::vector<uint8_t> buffer_;
  TcxCompoundDocumentError error_ = TcxCompoundDocumentError::cdeNone;
  TcxWorkbookStreamName streamName_ = wsnWorkbook;
};
