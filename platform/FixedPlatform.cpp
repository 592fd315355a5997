#include "platform/FixedPlatform.h"

#include <cmath>

#include "platform/Unicode.h"

namespace {

template <typename Map>
std::string MapCase(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) unicode::AppendUtf8(out, map(unicode::NextCodePoint(text, pos)));
  return out;
}

}  // namespace

int TFixedTextServices::CompareText(std::string_view a, std::string_view b) const {
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = unicode::ToLower(unicode::NextCodePoint(a, i));
    const char32_t cb = unicode::ToLower(unicode::NextCodePoint(b, j));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::string TFixedTextServices::UpperCase(std::string_view text) const {
  return MapCase(text, unicode::ToUpper);
}

std::string TFixedTextServices::LowerCase(std::string_view text) const {
  return MapCase(text, unicode::ToLower);
}

TSize TFixedTextMeasurer::TextExtent(const TcxFontDesc& font, std::string_view text) const {
  const int pixelHeight =
      static_cast<int>(std::lround(std::abs(font.Size) * pixelsPerInch_ / 72.0));
  const int charWidth = (pixelHeight + 1) / 2 + ((font.Style & 1) ? 1 : 0);
  return {static_cast<int>(unicode::Length(text)) * charWidth, pixelHeight + 3};
}

void TMemoryClipboard::SetContents(const std::string& privateData, const std::string& text) {
  privateData_ = privateData;
  text_ = text;
}

void TMemoryClipboard::SetText(const std::string& text) {
  privateData_.reset();
  text_ = text;
}

std::shared_ptr<TcxEnvironment> MakeFixedEnvironment(const TRegionalSettings& settings,
                                                     double now) {
  auto env = std::make_shared<TcxEnvironment>();
  env->Settings = settings;
  env->Text = std::make_shared<TFixedTextServices>();
  env->Measurer = std::make_shared<TFixedTextMeasurer>(96);
  env->Clipboard = std::make_shared<TMemoryClipboard>();
  env->Messages = std::make_shared<TRecordingMessageBox>();
  env->PixelsPerInch = 96;
  env->Now = [now] { return now; };
  return env;
}
