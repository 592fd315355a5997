#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Texts joined without copying: each text is a chain of pieces, so that putting one text inside
// another (parentheses, a sign, a call around a call, an operator between two operands) adds a
// piece and links two chains instead of copying what is already there. The text of a formula of
// any depth is then built in time that grows with its length, and copied once at the end.
//
// A chain is used once: joining two chains consumes both, and the parts of the result are shared
// with them.
class TcxTextChain {
 public:
  struct TPart {
    uint32_t Head = 0;
    uint32_t Tail = 0;
  };

  // Forgets every chain; the storage is kept for the next text.
  void Clear() { pieces_.clear(); }

  TPart Make(std::string text) {
    const auto at = static_cast<uint32_t>(pieces_.size());
    pieces_.push_back({std::move(text), at});
    return {at, at};
  }

  TPart Join(TPart left, TPart right) {
    pieces_[left.Tail].Next = right.Head;
    return {left.Head, right.Tail};
  }

  TPart Prepend(std::string_view text, TPart part) { return Join(Make(std::string(text)), part); }
  TPart Append(TPart part, std::string_view text) { return Join(part, Make(std::string(text))); }

  std::string Text(TPart part) const {
    size_t size = 0;
    for (uint32_t at = part.Head;; at = pieces_[at].Next) {
      size += pieces_[at].Text.size();
      if (at == part.Tail) break;
    }
    std::string text;
    text.reserve(size);
    for (uint32_t at = part.Head;; at = pieces_[at].Next) {
      text += pieces_[at].Text;
      if (at == part.Tail) break;
    }
    return text;
  }

 private:
  struct TPiece {
    std::string Text;
    uint32_t Next;
  };
  std::vector<TPiece> pieces_;
};
