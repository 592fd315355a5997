#include "calc/cxSSExternalLinks.h"

#include "platform/Unicode.h"

namespace {

std::string Quoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

}  // namespace

// The virtual path of a SUPBOOK record: after a leading 0x01, 0x01 and a letter is a drive ("@"
// a UNC server), 0x02 the root of the drive, 0x03 a folder separator, 0x04 the parent folder,
// 0x05 and a length a URL or long volume, 0x06 to 0x08 Excel's own folders.
std::string DecodeBookPath(std::string_view encoded) {
  if (encoded.empty() || encoded[0] != '\x01') return std::string(encoded);
  std::string path;
  for (size_t i = 1; i < encoded.size(); ++i) {
    const char c = encoded[i];
    switch (c) {
      case '\x01':
        if (i + 1 < encoded.size()) {
          const char volume = encoded[++i];
          if (volume == '@')
            path += "\\\\";
          else
            (path += volume) += ":\\";
        }
        break;
      case '\x02':
      case '\x03':
        path += '\\';
        break;
      case '\x04':
        path += "..\\";
        break;
      case '\x05':
        ++i;  // the length of what follows
        break;
      case '\x06':
      case '\x07':
      case '\x08':
        break;
      default:
        path += c;
        break;
    }
  }
  return path;
}

std::string TcxSSExternalLinks::SheetText(size_t index) const {
  if (index >= Sheets.size()) return {};
  const TcxSSExternalSheet& sheet = Sheets[index];
  if (sheet.Book >= Books.size()) return {};
  const TcxSSExternalBook& book = Books[sheet.Book];
  const std::string path = DecodeBookPath(book.EncodedPath);
  const size_t slash = path.find_last_of("\\/");
  const size_t file = slash == std::string::npos ? 0 : slash + 1;
  std::string text = path.substr(0, file) + "[" + path.substr(file) + "]";
  const auto sheetName = [&book](uint16_t i) {
    return i < book.Sheets.size() ? book.Sheets[i] : std::string("#REF");
  };
  text += sheetName(sheet.First);
  if (sheet.Last != sheet.First) text += ":" + sheetName(sheet.Last);
  return Quoted(text);
}

std::string TcxSSExternalLinks::NameText(size_t index) const {
  if (index >= Names.size()) return {};
  const TcxSSExternalName& name = Names[index];
  if (name.Book >= Books.size() || name.Index >= Books[name.Book].Names.size()) return {};
  const TcxSSExternalBook& book = Books[name.Book];
  const std::string& text = book.Names[name.Index].Name;
  if (book.Kind == ebkAddIn) return text;
  return Quoted(DecodeBookPath(book.EncodedPath)) + "!" + text;
}

std::string_view TcxSSExternalLinks::AddInFunction(size_t index) const {
  if (index >= Names.size()) return {};
  const TcxSSExternalName& name = Names[index];
  if (name.Book >= Books.size() || Books[name.Book].Kind != ebkAddIn ||
      name.Index >= Books[name.Book].Names.size())
    return {};
  return Books[name.Book].Names[name.Index].Name;
}

int TcxSSExternalLinks::FindSheet(std::string_view qualifier) const {
  for (size_t i = 0; i < Sheets.size(); ++i) {
    const std::string text = SheetText(i);
    if (!text.empty() && unicode::SameNoCaseAscii(text, qualifier)) return static_cast<int>(i);
  }
  return -1;
}

int TcxSSExternalLinks::FindName(std::string_view text) const {
  for (size_t i = 0; i < Names.size(); ++i) {
    const std::string name = NameText(i);
    if (!name.empty() && unicode::SameNoCaseAscii(name, text)) return static_cast<int>(i);
  }
  return -1;
}
