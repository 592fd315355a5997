#pragma once

#include <string>
#include <string_view>

// The one place where text changes encoding: UTF-8 inside the program, UTF-16 at the file and
// clipboard boundaries. Invalid input never fails: a malformed UTF-8 byte becomes U+FFFD, an
// unpaired surrogate becomes U+FFFD.
namespace unicode {

// Decodes the code point at `pos` and advances `pos` past it.
char32_t NextCodePoint(std::string_view text, size_t& pos);
void AppendUtf8(std::string& out, char32_t codePoint);
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Latin-1 (the "compressed" form of BIFF8 strings) to UTF-8.
std::string Latin1ToUtf8(std::string_view text);
// Number of code points.
size_t Length(std::string_view text);
// Number of UTF-16 code units, as a file counts the characters of a text.
size_t Utf16Length(std::string_view text);

char32_t ToUpper(char32_t c);
char32_t ToLower(char32_t c);

// Whether the text is all ASCII (all printable ASCII: blank to tilde).
bool IsAscii(std::string_view text);
bool IsPrintableAscii(std::string_view text);
// Equal when the ASCII letters are taken without case (other bytes compare as they are).
bool SameNoCaseAscii(std::string_view a, std::string_view b);

}  // namespace unicode
