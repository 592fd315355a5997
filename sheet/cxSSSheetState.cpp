#include "sheet/cxSSSheetState.h"

#include "platform/Unicode.h"

uint16_t ProtectionPasswordHash(std::string_view password) {
  constexpr size_t kMaxChars = 15;
  uint32_t hash = 0;
  size_t count = 0;
  for (size_t pos = 0; pos < password.size() && count < kMaxChars; ++count) {
    const uint32_t c = static_cast<uint32_t>(unicode::NextCodePoint(password, pos)) & 0xFF;
    const uint32_t rotated = c << (count + 1);
    hash ^= (rotated & 0x7FFF) | (rotated >> 15);
  }
  if (count == 0) return 0;
  return static_cast<uint16_t>(hash ^ count ^ 0xCE4B);
}
