#include "sheet/cxSSTextWrap.h"

namespace {

void WrapParagraph(const ITextMeasurer& measurer, const TcxFontDesc& font,
                   std::string_view paragraph, int width, std::vector<std::string>& lines) {
  std::string line;
  size_t pos = 0;
  while (pos <= paragraph.size()) {
    // The next word with the blanks before it.
    size_t start = pos;
    while (start < paragraph.size() && paragraph[start] == ' ') ++start;
    if (start >= paragraph.size()) break;
    size_t end = paragraph.find(' ', start);
    if (end == std::string_view::npos) end = paragraph.size();
    const std::string_view gap = paragraph.substr(pos, start - pos);
    const std::string_view word = paragraph.substr(start, end - start);
    std::string candidate = line;
    if (!candidate.empty()) candidate += gap;
    candidate += word;
    if (line.empty() || measurer.TextExtent(font, candidate).cx <= width) {
      line = std::move(candidate);
    } else {
      lines.push_back(std::move(line));
      line = std::string(word);
    }
    pos = end;
  }
  lines.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> WrapText(const ITextMeasurer& measurer, const TcxFontDesc& font,
                                  std::string_view text, int width) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (true) {
    const size_t brk = text.find_first_of("\r\n", pos);
    const std::string_view paragraph =
        text.substr(pos, brk == std::string_view::npos ? std::string_view::npos : brk - pos);
    WrapParagraph(measurer, font, paragraph, width, lines);
    if (brk == std::string_view::npos) break;
    pos = brk + 1;
    if (text[brk] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
  return lines;
}
