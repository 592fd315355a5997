#include "calc/cxSSTokensStack.h"

#include <algorithm>
#include <string>

#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"

void TcxTokensStack::Clear() {
  used_ = 0;
  starts_.clear();
}

uint8_t* TcxTokensStack::Reserve(size_t size) {
  if (bytes_.size() < used_ + size) bytes_.resize(std::max(used_ + size, 2 * bytes_.size()));
  uint8_t* p = bytes_.data() + used_;
  starts_.push_back(static_cast<uint32_t>(used_));
  used_ += size;
  return p;
}

void TcxTokensStack::Push(const uint8_t* data, size_t size) {
  // `data` may point into the popped part of the buffer: copy it out before the buffer grows.
  if (bytes_.size() < used_ + size) {
    const TcxTokenString copy(data, data + size);
    std::copy(copy.begin(), copy.end(), Reserve(size));
    return;
  }
  std::copy(data, data + size, Reserve(size));
}

TcxTokenView TcxTokensStack::Peek(int depth) const {
  const size_t index = starts_.size() - 1 - static_cast<size_t>(depth);
  const size_t start = starts_[index];
  const size_t end = index + 1 < starts_.size() ? starts_[index + 1] : used_;
  return {bytes_.data() + start, end - start};
}

TcxTokenView TcxTokensStack::Pop() {
  if (starts_.empty()) throw ECalculationError(std::string(kSyntaxError));
  const size_t start = starts_.back();
  starts_.pop_back();
  const TcxTokenView view{bytes_.data() + start, used_ - start};
  // The bytes stay in place until the next push overwrites them.
  used_ = start;
  return view;
}

TcxTokenString TcxTokensStack::PopToken() {
  const TcxTokenView view = Pop();
  return TcxTokenString(view.Data, view.Data + view.Size);
}

void TcxTokensStack::Duplicate(int count) {
  if (count <= 0) return;
  if (count > Count()) throw ECalculationError(std::string(kSyntaxError));
  const size_t first = starts_[starts_.size() - static_cast<size_t>(count)];
  const size_t end = used_;
  const size_t shift = end - first;
  const size_t oldCount = starts_.size();
  for (size_t i = oldCount - static_cast<size_t>(count); i < oldCount; ++i)
    starts_.push_back(static_cast<uint32_t>(starts_[i] + shift));
  if (bytes_.size() < end + shift) bytes_.resize(std::max(end + shift, 2 * bytes_.size()));
  std::copy(bytes_.begin() + static_cast<ptrdiff_t>(first),
            bytes_.begin() + static_cast<ptrdiff_t>(end),
            bytes_.begin() + static_cast<ptrdiff_t>(end));
  used_ = end + shift;
}

size_t TcxTokensStack::TokenSize(const uint8_t* token, size_t size) {
  if (size >= 7 && token[0] == ptgStr && token[1] == 255 && token[2] == 0x81) {
    const size_t units = static_cast<uint32_t>(ReadInt32(token + 3));
    return units <= (size - 7) / 2 ? 7 + 2 * units : 0;
  }
  return TokenSizeAt(token, size, 0);
}
