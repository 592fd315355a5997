#include "xls/cxBiffReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Unicode.h"

bool PeekBiffHeader(std::span<const uint8_t> stream, size_t offset, uint16_t& id,
                    uint16_t& length) {
  if (offset > stream.size() || stream.size() - offset < kBiffHeaderSize) return false;
  id = static_cast<uint16_t>(stream[offset] | stream[offset + 1] << 8);
  length = static_cast<uint16_t>(stream[offset + 2] | stream[offset + 3] << 8);
  return true;
}

TcxBiffRecord::TcxBiffRecord(std::span<const uint8_t> stream, size_t offset)
    : stream_(stream), offset_(offset) {
  uint16_t length = 0;
  if (!PeekBiffHeader(stream, offset, id_, length)) {
    groupEnd_ = std::min(offset, stream.size());
    return;
  }
  const size_t size = stream.size();
  segBegin_ = offset + kBiffHeaderSize;
  segEnd_ = segBegin_ + length;
  if (segEnd_ > size) {
    truncated_ = true;
    segEnd_ = size;
  }
  pos_ = segBegin_;
  firstLength_ = segEnd_ - segBegin_;
  length_ = firstLength_;
  size_t next = segEnd_;
  uint16_t nextId = 0;
  uint16_t nextLength = 0;
  while (!truncated_ && PeekBiffHeader(stream, next, nextId, nextLength) &&
         nextId == kBiffContinue) {
    size_t end = next + kBiffHeaderSize + nextLength;
    if (end > size) {
      truncated_ = true;
      end = size;
    }
    length_ += end - (next + kBiffHeaderSize);
    next = end;
  }
  groupEnd_ = next;
  ok_ = true;
}

TcxBiffRecord TcxBiffRecord::OfData(std::span<const uint8_t> data) {
  TcxBiffRecord record;
  record.stream_ = data;
  record.groupEnd_ = data.size();
  record.segEnd_ = data.size();
  record.firstLength_ = data.size();
  record.length_ = data.size();
  record.ok_ = true;
  return record;
}

void TcxBiffRecord::Fail() {
  ok_ = false;
  pos_ = segEnd_;
}

bool TcxBiffRecord::NextSegment() {
  uint16_t id = 0;
  uint16_t length = 0;
  if (!ok_ || segEnd_ >= groupEnd_ || !PeekBiffHeader(stream_, segEnd_, id, length)) {
    Fail();
    return false;
  }
  consumed_ += segEnd_ - segBegin_;
  segBegin_ = segEnd_ + kBiffHeaderSize;
  segEnd_ = std::min(segBegin_ + length, groupEnd_);
  pos_ = segBegin_;
  return true;
}

bool TcxBiffRecord::Take(size_t count, uint8_t* out) {
  if (!ok_ || count > Remaining()) {
    Fail();
    return false;
  }
  while (count > 0) {
    if (pos_ == segEnd_ && !NextSegment()) return false;
    const size_t n = std::min(count, segEnd_ - pos_);
    if (out) {
      std::memcpy(out, stream_.data() + pos_, n);
      out += n;
    }
    pos_ += n;
    count -= n;
  }
  return true;
}

uint8_t TcxBiffRecord::ReadU8Slow() {
  uint8_t b = 0;
  return Take(1, &b) ? b : 0;
}

uint16_t TcxBiffRecord::ReadU16Slow() {
  uint8_t b[2] = {};
  return Take(2, b) ? static_cast<uint16_t>(b[0] | b[1] << 8) : 0;
}

uint32_t TcxBiffRecord::ReadU32() {
  if (ok_ && segEnd_ - pos_ >= 4) {
    const uint8_t* p = stream_.data() + pos_;
    pos_ += 4;
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  uint8_t b[4] = {};
  if (!Take(4, b)) return 0;
  return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
         static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

double TcxBiffRecord::ReadDouble() {
  uint8_t b[8] = {};
  if (!Take(8, b)) return 0;
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | b[i];
  double x = 0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

void TcxBiffRecord::Skip(size_t count) { Take(count, nullptr); }

bool TcxBiffRecord::ReadBytes(size_t count, std::vector<uint8_t>& out) {
  out.clear();
  if (!ok_ || count > Remaining()) {
    Fail();
    return false;
  }
  out.resize(count);
  if (!Take(count, out.data())) {
    out.clear();
    return false;
  }
  return true;
}

std::span<const uint8_t> TcxBiffRecord::ReadSpan(size_t count, std::vector<uint8_t>& scratch) {
  if (ok_ && segEnd_ - pos_ >= count) {
    const std::span<const uint8_t> view = stream_.subspan(pos_, count);
    pos_ += count;
    return view;
  }
  if (!ReadBytes(count, scratch)) return {};
  return scratch;
}

std::string TcxBiffRecord::ReadChars(size_t count, bool wide) {
  std::string text;
  std::u16string units;  // 16-bit characters not yet converted (a surrogate pair may be split)
  const auto flushUnits = [&] {
    if (units.empty()) return;
    text += unicode::Utf16ToUtf8(units);
    units.clear();
  };
  // Each character takes at least one byte, so a count beyond the data is a damaged record.
  if (!ok_ || count > Remaining()) {
    Fail();
    return {};
  }
  text.reserve(count);
  while (count > 0) {
    if (pos_ == segEnd_) {
      if (!NextSegment()) return {};
      wide = (ReadU8() & 0x01) != 0;
      continue;
    }
    const size_t available = segEnd_ - pos_;
    if (wide) {
      const size_t n = std::min(count, available / 2);
      if (n == 0) {  // half a character before a CONTINUE boundary
        Fail();
        return {};
      }
      for (size_t i = 0; i < n; ++i, pos_ += 2)
        units.push_back(static_cast<char16_t>(stream_[pos_] | stream_[pos_ + 1] << 8));
      count -= n;
    } else {
      flushUnits();
      const size_t n = std::min(count, available);
      for (size_t i = 0; i < n; ++i) {
        const uint8_t c = stream_[pos_ + i];
        if (c < 0x80) {
          text.push_back(static_cast<char>(c));
        } else {
          text.push_back(static_cast<char>(0xC0 | (c >> 6)));
          text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
      }
      pos_ += n;
      count -= n;
    }
  }
  flushUnits();
  return text;
}

void TcxBiffRecord::SkipRichAndPhonetic(uint8_t flags, size_t& runs, size_t& extSize) {
  runs = (flags & 0x08) ? ReadU16() : 0;
  extSize = (flags & 0x04) ? ReadU32() : 0;
}

std::string TcxBiffRecord::ReadStringBody(size_t count) {
  const uint8_t flags = ReadU8();
  size_t runs = 0;
  size_t extSize = 0;
  SkipRichAndPhonetic(flags, runs, extSize);
  std::string text = ReadChars(count, (flags & 0x01) != 0);
  Skip(runs * 4);
  Skip(extSize);
  return ok_ ? text : std::string();
}

std::string TcxBiffRecord::ReadString8() { return ReadStringBody(ReadU8()); }

std::string TcxBiffRecord::ReadString16() { return ReadStringBody(ReadU16()); }
