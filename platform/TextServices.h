#pragma once

#include <string>
#include <string_view>

// Locale-aware case handling and comparison of UTF-8 text.
class ITextServices {
public:
  virtual ~ITextServices() = default;
  // Case-insensitive comparison under the user's locale: negative, zero or positive.
  virtual int CompareText(std::string_view a, std::string_view b) const = 0;
  virtual std::string UpperCase(std::string_view text) const = 0;
  virtual std::string LowerCase(std::string_view text) const = 0;
};
