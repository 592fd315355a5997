#include "platform/qt/QtTextServices.h"

namespace {
QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

TQtTextServices::TQtTextServices(const QLocale& locale) : collator_(locale) {
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
  collator_.setNumericMode(false);
  collator_.setIgnorePunctuation(false);
}

int TQtTextServices::CompareText(std::string_view a, std::string_view b) const {
  const int result = collator_.compare(FromUtf8(a), FromUtf8(b));
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

std::string TQtTextServices::UpperCase(std::string_view text) const {
  return FromUtf8(text).toUpper().toStdString();
}

std::string TQtTextServices::LowerCase(std::string_view text) const {
  return FromUtf8(text).toLower().toStdString();
}
