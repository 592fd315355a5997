#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "calc/cxSSTypes.h"

// One token on the evaluation stack, seen in place: valid until the next push.
struct TcxTokenView {
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  uint8_t Id() const { return Size ? Data[0] : 0; }
};

// The evaluation stack of the function handler: a stack of token strings (operands, references
// and results), each byte for byte as in a formula's token string; texts longer than a ptgStr
// holds use the long text form of results (cxSSTokens.h).
//
// Layout: the items lie one after another in one byte buffer, with a table of their start
// offsets, so pushing and popping allocate nothing once the buffers have grown; a popped item
// stays readable in place until the next push. Popping an empty
// stack raises ECalculationError "Error syntax in string expression".
class TcxTokensStack {
public:
  int Count() const { return static_cast<int>(starts_.size()); }
  bool Empty() const { return starts_.empty(); }
  void Clear();

  void Push(const uint8_t* data, size_t size);
  void Push(const TcxTokenString& token) { Push(token.data(), token.size()); }
  // The item `depth` places below the top (0 = the top); the stack must hold it.
  TcxTokenView Peek(int depth = 0) const;
  // Removes the top item and returns it; the view stays valid until the next push.
  TcxTokenView Pop();
  // Pops the top item as its own token string.
  TcxTokenString PopToken();
  // Pushes copies of the top `count` items, in their order (so they can be consumed twice).
  void Duplicate(int count);

  // The size of a token (identifier and payload), 0 when it does not fit in `size` bytes.
  static size_t TokenSize(const uint8_t* token, size_t size);

private:
  uint8_t* Reserve(size_t size);

  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
  std::vector<uint32_t> starts_;
};
