#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Environment.h"

// Deterministic platform services for tests and the command-line program.

// Case mapping by code point for Latin, Greek and Cyrillic letters; comparison of the
// lower-cased code points.
class TFixedTextServices : public ITextServices {
public:
  int CompareText(std::string_view a, std::string_view b) const override;
  std::string UpperCase(std::string_view text) const override;
  std::string LowerCase(std::string_view text) const override;
};

// A fixed metric: the font's pixel height is round(Size × PixelsPerInch / 72); a line is that
// high (plus 3 pixels of leading) and every character is half of it wide (rounded up), bold
// adding one pixel per character.
class TFixedTextMeasurer : public ITextMeasurer {
public:
  explicit TFixedTextMeasurer(int pixelsPerInch = 96) : pixelsPerInch_(pixelsPerInch) {}
  TSize TextExtent(const TcxFontDesc& font, std::string_view text) const override;

private:
  int pixelsPerInch_;
};

class TMemoryClipboard : public IClipboard {
public:
  void SetContents(const std::string& privateData, const std::string& text) override;
  std::optional<std::string> PrivateData() const override { return privateData_; }
  std::optional<std::string> Text() const override { return text_; }
  // Puts only text on the clipboard, as another program would.
  void SetText(const std::string& text);

private:
  std::optional<std::string> privateData_;
  std::optional<std::string> text_;
};

// Records every message instead of showing it.
class TRecordingMessageBox : public IMessageBox {
public:
  void ShowMessage(const std::string& text) override { Messages.push_back(text); }
  std::vector<std::string> Messages;
};

// A complete fixed environment: the given settings, the fixed services above, 96 pixels per
// inch and a clock standing at 2024-01-15 12:00 (serial 45306.5) unless `now` says otherwise.
std::shared_ptr<TcxEnvironment> MakeFixedEnvironment(const TRegionalSettings& settings,
                                                     double now = 45306.5);
