#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "calc/cxSSFunctionSupport.h"
#include "calc/cxSSFunctionValues.h"
#include "calc/cxSSFunctions.h"
#include "platform/TextServices.h"
#include "platform/Unicode.h"

// Searching, replacing and converting text, with Excel's rules. Positions count characters
// from 1.

namespace {

using namespace cxfunctions;
using Handler = TcxSSFunctionHandler;

// The longest text a cell holds.
constexpr size_t kMaxTextLength = 32767;

std::u32string CodePoints(std::string_view text) {
  std::u32string out;
  size_t pos = 0;
  while (pos < text.size()) out += unicode::NextCodePoint(text, pos);
  return out;
}

std::string Utf8(std::u32string_view text) {
  std::string out;
  for (const char32_t c : text) unicode::AppendUtf8(out, c);
  return out;
}

// FIND(find, within [, start]) is case-sensitive; SEARCH also ignores case and takes the
// wildcards * and ? (~ escaping them).
void Locate(Handler& h, bool search) {
  TArgs args(h);
  const double startNumber = args.Count() >= 3 ? args.Number() : 1;
  const std::string within = args.Text();
  const std::string wanted = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  const std::u32string text = CodePoints(within);
  const double start = std::trunc(startNumber);
  const double length = static_cast<double>(text.size());
  // An empty text is found where the search starts.
  if (wanted.empty())
    return start >= 1 && start <= std::max(length, 1.0) ? h.PushNumber(start)
                                                         : FailWith(h, ecValue);
  if (start < 1 || start > length) return FailWith(h, ecValue);
  const size_t from = static_cast<size_t>(start) - 1;
  if (!search) {
    const size_t at = text.find(CodePoints(wanted), from);
    if (at == std::u32string::npos) return FailWith(h, ecValue);
    return h.PushNumber(static_cast<double>(at + 1));
  }
  // A match at a position is the pattern followed by anything.
  const std::string pattern = wanted + "*";
  for (size_t at = from; at < text.size(); ++at)
    if (WildcardMatch(h, pattern, Utf8(std::u32string_view(text).substr(at))))
      return h.PushNumber(static_cast<double>(at + 1));
  FailWith(h, ecValue);
}

void Find(Handler& h) { Locate(h, false); }
void Search(Handler& h) { Locate(h, true); }

// SUBSTITUTE(text, old, new [, instance]): every occurrence of old (case-sensitive), or only
// the instance-th.
void Substitute(Handler& h) {
  TArgs args(h);
  const double instanceNumber = args.Count() >= 4 ? args.Number() : 0;
  const std::string replacement = args.Text();
  const std::string old = args.Text();
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  const double instance = std::trunc(instanceNumber);
  if (args.Count() >= 4 && instance < 1) return FailWith(h, ecValue);
  if (old.empty()) return h.PushText(text);
  std::string out;
  size_t pos = 0;
  int seen = 0;
  for (size_t at = text.find(old); at != std::string::npos; at = text.find(old, at + old.size())) {
    ++seen;
    if (instance >= 1 && seen != instance) continue;
    out.append(text, pos, at - pos);
    out += replacement;
    pos = at + old.size();
    if (instance >= 1) break;
  }
  out.append(text, pos);
  if (CharCount(out) > kMaxTextLength) return FailWith(h, ecValue);
  h.PushText(out);
}

// REPLACE(text, start, count, new): count characters from start replaced.
void Replace(Handler& h) {
  TArgs args(h);
  const std::string replacement = args.Text();
  const double count = std::trunc(args.Number());
  const double start = std::trunc(args.Number());
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  if (start < 1 || count < 0) return FailWith(h, ecValue);
  const size_t first = CharOffset(text, static_cast<size_t>(std::min(start - 1, 1e9)));
  const std::string_view rest = std::string_view(text).substr(first);
  const size_t skip = CharOffset(rest, static_cast<size_t>(std::min(count, 1e9)));
  h.PushText(text.substr(0, first) + replacement + std::string(rest.substr(skip)));
}

void Rept(Handler& h) {
  TArgs args(h);
  const double times = std::trunc(args.Number());
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  if (times < 0 || times * static_cast<double>(CharCount(text)) > kMaxTextLength)
    return FailWith(h, ecValue);
  std::string out;
  for (int i = 0; i < static_cast<int>(times); ++i) out += text;
  h.PushText(out);
}

// CHAR and CODE use the Windows Western code page (1252): its characters 128..159 differ from
// the Latin-1 code points; the five it leaves unassigned keep their own values.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void Char(Handler& h) {
  TArgs args(h);
  const double code = std::trunc(args.Number());
  if (args.Failed()) return FailWith(h, args.Error());
  if (code < 1 || code > 255) return FailWith(h, ecValue);
  const int c = static_cast<int>(code);
  std::string out;
  unicode::AppendUtf8(out, c >= 128 && c < 160 ? kCp1252High[static_cast<size_t>(c - 128)]
                                               : static_cast<char32_t>(c));
  h.PushText(out);
}

void Code(Handler& h) {
  TArgs args(h);
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  if (text.empty()) return FailWith(h, ecValue);
  size_t pos = 0;
  const char32_t c = unicode::NextCodePoint(text, pos);
  int code = '?';
  if (c < 128 || (c >= 160 && c < 256)) code = static_cast<int>(c);
  for (size_t i = 0; i < kCp1252High.size(); ++i)
    if (kCp1252High[i] == c) code = static_cast<int>(128 + i);
  h.PushNumber(code);
}

// CLEAN: without the control characters (codes below 32).
void Clean(Handler& h) {
  TArgs args(h);
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  std::string out;
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 32) out += c;
  h.PushText(out);
}

void Exact(Handler& h) {
  TArgs args(h);
  const std::string b = args.Text();
  const std::string a = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  h.PushBool(a == b);
}

// PROPER: the first letter of each run of letters in upper case, the others in lower case.
void Proper(Handler& h) {
  TArgs args(h);
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  const ITextServices& services = h.TextServices();
  std::string out;
  bool afterLetter = false;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    const char32_t c = unicode::NextCodePoint(text, pos);
    const std::string_view one(text.data() + start, pos - start);
    const bool letter = unicode::ToUpper(c) != unicode::ToLower(c);
    out += afterLetter ? services.LowerCase(one) : services.UpperCase(one);
    afterLetter = letter;
  }
  h.PushText(out);
}

// T: a text stays, anything else gives empty text. N: a number stays, TRUE and FALSE give 1
// and 0, anything else 0. Errors pass.
void T(Handler& h) {
  const TValue v = PopArgument(h).Single(h);
  if (v.IsError()) return FailWith(h, v.Error);
  h.PushText(v.Kind == vkText ? v.Text : std::string());
}

void N(Handler& h) {
  const TArgument arg = PopArgument(h);
  const TValue v = arg.Single(h);
  if (v.IsError()) return FailWith(h, v.Error);
  // A number text typed as an argument is a text; a cell holding one is a number.
  h.PushNumber(v.Kind == vkNumber || v.Kind == vkBool ? v.Number : 0);
}

// ASC and DBCS: the full-width forms of the printable ASCII characters (U+FF01 to U+FF5E) to
// their ordinary forms, and back; blanks stay as they are.
constexpr char32_t kFullWidthOffset = 0xFF01 - 0x21;

void Width(Handler& h, bool narrow) {
  TArgs args(h);
  const std::string text = args.Text();
  if (args.Failed()) return FailWith(h, args.Error());
  std::u32string out = CodePoints(text);
  for (char32_t& c : out) {
    if (narrow && c >= 0xFF01 && c <= 0xFF5E) c -= kFullWidthOffset;
    if (!narrow && c >= 0x21 && c <= 0x7E) c += kFullWidthOffset;
  }
  h.PushText(Utf8(out));
}

void Asc(Handler& h) { Width(h, true); }
void Dbcs(Handler& h) { Width(h, false); }

// PHONETIC(reference): the phonetic guide of a cell's text; the workbook keeps none, so it is
// the text itself.
void Phonetic(Handler& h) {
  const TArgument ref = PopArgument(h);
  if (ref.Kind != TArgument::akArea)
    return FailWith(h, ref.Value.IsError() ? ref.Value.Error : uint8_t(ecValue));
  const TValue v = ref.At(h, 0, 0);
  if (v.IsError()) return FailWith(h, v.Error);
  h.PushText(v.Kind == vkText ? v.Text : std::string());
}

// The byte-counting variants (FINDB, ...) count as their character-counting twins: each
// character is one byte where the language is not one of double-byte characters, as here.
constexpr TRoutine kRoutines[] = {
    {"ASC", Asc},       {"CHAR", Char},     {"CLEAN", Clean},     {"CODE", Code},
    {"DBCS", Dbcs},     {"EXACT", Exact},   {"FIND", Find},       {"FINDB", Find},
    {"N", N},           {"PHONETIC", Phonetic}, {"PROPER", Proper}, {"REPLACE", Replace},
    {"REPLACEB", Replace}, {"REPT", Rept},  {"SEARCH", Search},   {"SEARCHB", Search},
    {"SUBSTITUTE", Substitute}, {"T", T},
};

}  // namespace

void RegisterTextSearchFunctions() { RegisterRoutines(kRoutines); }
