#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "calc/cxSSTypes.h"
#include "platform/RegionalSettings.h"
#include "platform/TextServices.h"

// Conversions between cell text and values under the regional settings captured at start-up.
// Every converter reports failure by its result and leaves a zero value; none throws.

// A number written with the locale decimal separator: blanks around it, an optional sign,
// digits with at most one decimal separator, and an optional exponent ("E" or "e", an optional
// sign, at least one digit). No thousand separators, no currency. Fails when the magnitude
// exceeds the largest double; a value too small for a double reads as zero.
bool TryTextToFloat(std::string_view text, double& x, const TRegionalSettings& settings);
bool IsNumberText(std::string_view text, const TRegionalSettings& settings);

// "TRUE" or "FALSE" in any letter case (locale-aware upper-casing).
bool TryTextToBool(std::string_view text, bool& b, const ITextServices& textServices);
bool IsBoolText(std::string_view text, const ITextServices& textServices);
std::string_view BoolToText(bool b);

// A date, a time, or a date and a time in either order, as a date serial in the settings' date
// system (days since 1899-12-30, or 1904-01-01 with Date1904; the fraction being the time of
// day). `now` is the current standard date serial: it gives the year of a date typed without
// one and the century of a two-digit year.
bool TryTextToDateTime(std::string_view text, double& x, const TRegionalSettings& settings,
                       double now);

// Money text written with thousand separators or the currency string, such as "1.234,50 din."
// or "($5.00)"; the amount is in units of 1/10000. See the definition for the exact rules.
bool TryTextToCurrency(std::string_view text, int64_t& amount, const TRegionalSettings& settings);

// |x| rounded to at most `significant` significant digits (halves away from zero): the digits
// without leading or trailing zeros, and Exponent such that |x| = 0.D1D2...DCount × 10^Exponent.
// Zero has no digits. The digits start from the shortest text that reads back as x.
struct TcxDecimalDigits {
  char Digits[20];
  int Count = 0;
  int Exponent = 0;
};
TcxDecimalDigits ToDecimalDigits(double x, int significant);
// Keeps the first `keep` digits, rounding halves away from zero; fewer than one keeps nothing
// but may round up to a single 1 (0.6 kept to 0 digits is 0.1 × 10^1).
void RoundDecimalDigits(TcxDecimalDigits& d, int keep);

// The general number format: at most `precision` significant digits, trailing zeros removed,
// the locale decimal separator, no thousand separators; scientific notation ("1.5E20",
// "1E-7") when the rounded magnitude is 10^precision or more, or below 0.00001. With
// `minExponentDigits` above zero the exponent carries a sign and at least that many digits
// ("1.2345679E+11").
std::string FloatToTextGeneral(double x, int precision, int minExponentDigits,
                               const TRegionalSettings& settings);
// The general format with 15 significant digits: the text of every stored number.
std::string FloatToText(double x, const TRegionalSettings& settings);

// The trimmed text as a decimal int (optional sign, digits only).
bool TryTextToInt(std::string_view text, int& n);

// What entering a typed text into a cell of number format `format` stores.
enum TcxTypedTextKind : uint8_t {
  ttText,      // SetCellText with formulas allowed, the text unchanged
  ttDateTime,  // SetCellNumber with Value
  ttCurrency,  // SetCellText with Text, the amount's FloatToText form
};

struct TcxTypedText {
  TcxTypedTextKind Kind = ttText;
  double Value = 0;            // ttDateTime: the date serial
  std::string Text;            // ttCurrency: the text to store
  TxlsDataFormat Format = 0;   // the cell's number format afterwards
};

// Dates and times typed into General or date/time cells become numbers (a General cell gets
// format 14, 21 or 22 by the value); money typed into General or currency cells becomes its
// amount (a General cell gets format 8); everything else, plain numbers included, stays text.
TcxTypedText ClassifyTypedText(std::string_view text, TxlsDataFormat format,
                               const TRegionalSettings& settings, double now);
