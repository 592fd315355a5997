#include "platform/Unicode.h"

namespace unicode {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
}

char32_t NextCodePoint(std::string_view text, size_t& pos) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(pos);
  if (first < 0x80) {
    ++pos;
    return first;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((first & 0xE0) == 0xC0) {
    extra = 1; cp = first & 0x1F; minimum = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    extra = 2; cp = first & 0x0F; minimum = 0x800;
  } else if ((first & 0xF8) == 0xF0) {
    extra = 3; cp = first & 0x07; minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  size_t i = pos + 1;
  for (int k = 0; k < extra; ++k, ++i) {
    if (i >= text.size() || (byte(i) & 0xC0) != 0x80) {
      pos = i;
      return kReplacement;
    }
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  pos = i;
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = NextCodePoint(text, pos);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

size_t Length(std::string_view text) {
  size_t n = 0;
  for (size_t pos = 0; pos < text.size(); ++n) NextCodePoint(text, pos);
  return n;
}

size_t Utf16Length(std::string_view text) {
  size_t n = 0;
  for (size_t pos = 0; pos < text.size();) n += NextCodePoint(text, pos) >= 0x10000 ? 2 : 1;
  return n;
}

char32_t ToUpper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs: even upper, odd lower, except the 0x139..0x148 and 0x179..0x17E runs.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
    if (c == 0x131) return 'I';
    if (c == 0x138 || c == 0x149) return c;
    if (c == 0x17F) return 'S';
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x1C4 && c <= 0x1CC) {  // the Serbian digraphs DŽ Lj Nj
    if (c == 0x1C5 || c == 0x1C6) return 0x1C4;
    if (c == 0x1C8 || c == 0x1C9) return 0x1C7;
    if (c == 0x1CB || c == 0x1CC) return 0x1CA;
    return c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}

char32_t ToLower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
    if (c == 0x130) return 'i';
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x1C4 && c <= 0x1CC) {
    if (c == 0x1C4 || c == 0x1C5) return 0x1C6;
    if (c == 0x1C7 || c == 0x1C8) return 0x1C9;
    if (c == 0x1CA || c == 0x1CB) return 0x1CC;
    return c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool IsPrintableAscii(std::string_view text) {
  for (const char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

bool SameNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

}  // namespace unicode
