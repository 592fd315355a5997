#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Reading the records of a BIFF8 workbook stream. Every byte the workbook reader takes from a
// record goes through TcxBiffRecord: no other code indexes record bytes.

inline constexpr uint16_t kBiffContinue = 0x003C;
inline constexpr size_t kBiffHeaderSize = 4;

// One record of a BIFF8 stream together with the CONTINUE records that directly follow it,
// read through one little-endian cursor.
//
// Layout: the record's own data and the data of each CONTINUE record are consecutive
// "segments" of the stream, separated by 4-byte record headers that the cursor steps over, so
// that a field split across a CONTINUE boundary reads as if the data were contiguous. Strings
// are the exception the format makes: where a CONTINUE boundary falls inside the characters of a
// string, the next segment starts with a fresh flags byte (ReadChars handles it).
//
// Every read is bounds-checked. A read that does not fit fails the record: from then on every
// read answers zero (or empty text) and Ok() stays false, so a damaged record cannot run past its
// end. Nothing is copied on construction; the stream must outlive the record. Cost: finding the
// CONTINUE records reads their headers only.
class TcxBiffRecord {
public:
  // An empty record: no data, not truncated, every read fails.
  TcxBiffRecord() = default;
  // The record whose header starts at `offset`; `offset` must leave at least a header's bytes.
  TcxBiffRecord(std::span<const uint8_t> stream, size_t offset);
  // A cursor over bytes already taken from a record (a formula's tokens): one segment, no
  // header, identifier 0.
  static TcxBiffRecord OfData(std::span<const uint8_t> data);

  uint16_t Id() const { return id_; }
  // Stream offset of the record's header, and just past its last CONTINUE record.
  size_t Offset() const { return offset_; }
  size_t End() const { return groupEnd_; }
  // The header claimed more bytes than the stream holds (the data is cut at the stream's end).
  bool Truncated() const { return truncated_; }
  // Data bytes of the record itself, and of the record with its CONTINUE records.
  size_t FirstLength() const { return firstLength_; }
  size_t Length() const { return length_; }

  bool Ok() const { return ok_; }
  // Makes every further read fail.
  void Fail();
  // Bytes consumed since the start of the data (CONTINUE headers not counted).
  size_t Position() const { return consumed_ + (pos_ - segBegin_); }
  size_t Remaining() const { return ok_ ? length_ - Position() : 0; }
  // Bytes left before the next CONTINUE boundary.
  size_t SegmentRemaining() const { return ok_ ? segEnd_ - pos_ : 0; }
  // Moves to the start of the next CONTINUE record's data, dropping what is left of this
  // segment; false (and failed) when there is none.
  bool NextSegment();

  uint8_t ReadU8() {
    if (ok_ && pos_ < segEnd_) return stream_[pos_++];
    return ReadU8Slow();
  }
  uint16_t ReadU16() {
    if (ok_ && segEnd_ - pos_ >= 2) {
      const uint16_t v = static_cast<uint16_t>(stream_[pos_] | stream_[pos_ + 1] << 8);
      pos_ += 2;
      return v;
    }
    return ReadU16Slow();
  }
  uint32_t ReadU32();
  int16_t ReadI16() { return static_cast<int16_t>(ReadU16()); }
  int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }
  double ReadDouble();
  void Skip(size_t count);
  // Copies `count` bytes (across CONTINUE boundaries) into `out`, which is replaced.
  bool ReadBytes(size_t count, std::vector<uint8_t>& out);
  // `count` bytes: a view of the stream when they lie before the next CONTINUE boundary, else a
  // copy in `scratch`. Empty (and failed) when they are not there.
  std::span<const uint8_t> ReadSpan(size_t count, std::vector<uint8_t>& scratch);

  // `count` characters as UTF-8: 16-bit (UTF-16) when `wide`, else 8-bit (Latin-1). When the
  // characters run into the next CONTINUE record, its first byte is a flags byte that says
  // whether the rest is 8- or 16-bit.
  std::string ReadChars(size_t count, bool wide);
  // A string with an 8-bit or a 16-bit character count, then a flags byte (bit 0: 16-bit
  // characters), then the characters; rich-text runs and phonetic data (flag bits 3 and 2)
  // are skipped.
  std::string ReadString8();
  std::string ReadString16();
  // A string whose character count came before: the flags byte, then the characters.
  std::string ReadStringBody(size_t count);

private:
  uint8_t ReadU8Slow();
  uint16_t ReadU16Slow();
  bool Take(size_t count, uint8_t* out);
  void SkipRichAndPhonetic(uint8_t flags, size_t& runs, size_t& extSize);

  std::span<const uint8_t> stream_;
  uint16_t id_ = 0;
  size_t offset_ = 0;
  size_t groupEnd_ = 0;
  size_t firstLength_ = 0;
  size_t length_ = 0;
  bool truncated_ = false;
  bool ok_ = false;
  size_t segBegin_ = 0;  // stream offsets of the current segment's data
  size_t segEnd_ = 0;
  size_t pos_ = 0;
  size_t consumed_ = 0;  // data bytes of the segments before the current one
};

// The header of the record at `offset`: identifier and the length it claims. False when fewer
// than four bytes remain.
bool PeekBiffHeader(std::span<const uint8_t> stream, size_t offset, uint16_t& id, uint16_t& length);
