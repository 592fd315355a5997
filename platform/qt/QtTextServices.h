#pragma once

#include <QCollator>

#include "platform/TextServices.h"

// Case-insensitive comparison by the locale's collation (accents still count), and Unicode
// upper and lower case from QString.
class TQtTextServices : public ITextServices {
public:
  explicit TQtTextServices(const QLocale& locale);
  int CompareText(std::string_view a, std::string_view b) const override;
  std::string UpperCase(std::string_view text) const override;
  std::string LowerCase(std::string_view text) const override;

private:
  QCollator collator_;
};
