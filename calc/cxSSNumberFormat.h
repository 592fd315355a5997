#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/cxSSTypes.h"
#include "platform/RegionalSettings.h"

// Where a shown text asks for its fill character ("*x" in a format code) to be repeated until
// the text fills its cell: the byte offset in the text and the character (UTF-8). A text has
// at most one fill; without one `At` is npos.
struct TcxTextFill {
  size_t At = std::string::npos;
  std::string Char;
  bool Empty() const { return At == std::string::npos; }
};

// A number format code as files keep it ("#,##0.00", "dd/mm/yyyy", "[Red]0.0;(0.0)",
// "_(* #,##0_)") compiled once, and the text a value shows under it.
//
// A code has up to four sections separated by ";": for positive numbers (and zero when there
// are fewer than three), negative numbers (shown without their sign), zero, and text. A
// section may carry a colour ([Red], [Color12]) and a condition ([>100]) that overrides the
// sign rule. Within a section: quoted text, "\" escapes and most punctuation are shown as
// they are; "_x" is a blank as wide as x; "*x" repeats x to fill the cell; "0" "#" "?" are
// digit places (a digit always, a significant digit only, a digit or a blank), "." the decimal
// point, "," groups thousands between digit places and divides by 1,000 after them, "%"
// multiplies by 100, "E+"/"E-" starts an exponent, "/" between digit places makes a fraction;
// y m d h s (with [h] [m] [s] for elapsed time, AM/PM and A/P for the 12-hour clock, ".0" after
// seconds for their fraction) make a date or time; "@" stands for the text; "General" for the
// general number format. Output follows the regional settings: decimal and thousand separators,
// date and time separators for "/" and ":", month and day names, and the AM/PM strings.
//
// Compiling never fails: a code it cannot read shows values in the general format. The object
// is immutable; formatting allocates only the output text.
class TcxNumberFormat {
 public:
  // `builtIn` is the built-in format index (0..49) a file gave this code, or kNoBuiltIn.
  static constexpr uint16_t kNoBuiltIn = 0xFFFF;
  explicit TcxNumberFormat(std::string_view code, uint16_t builtIn = kNoBuiltIn);

  const std::string& Code() const { return code_; }
  // The built-in format index a file gave this code (a file may redefine the locale-dependent
  // built-in formats, such as the currency formats 5..8), or kNoBuiltIn for its own formats.
  uint16_t BuiltIn() const { return builtIn_; }

  // The text of number x. `color` becomes the colour the chosen section names and is left
  // alone when it names none. `precision` (the workbook's) bounds the exponent digits of the
  // general format as for the General format index. `fill`, when given, receives where the
  // text asks to be filled.
  void Format(double x, int precision, const TRegionalSettings& settings, std::string& text,
              TcxSSColor& color, TcxTextFill* fill = nullptr) const;
  // The text of a text value through the code's text section (the fourth, or a single section
  // holding "@"); false, with `text` untouched, when the code has none.
  bool FormatText(std::string_view value, const TRegionalSettings& settings, std::string& text,
                  TcxSSColor& color, TcxTextFill* fill = nullptr) const;

  enum class TTokenKind : uint8_t {
    Literal,         // Text as it stands
    Padding,         // "_x": a blank
    Fill,            // "*x": Text is the character
    Digit,           // Char is '0', '#' or '?'
    Point,           // "."
    Comma,           // ",": thousand grouping or scaling, worked out per section
    Percent,         // "%"
    Exponent,        // "E+" or "E-": Char is the letter as written, Count 1 for "+"
    Slash,           // "/": a fraction bar or a date separator
    Denominator,     // the fixed denominator of a fraction ("?/16"): Count
    Colon,           // ":": the time separator
    Year,            // Count letters
    Month,
    Minute,
    Day,
    Hour,
    Second,
    SecondFraction,  // Count decimals of the seconds
    ElapsedHours,    // [h]: Count letters
    ElapsedMinutes,  // [m]
    ElapsedSeconds,  // [s]
    AmPm,            // Text as written: "AM/PM" or "A/P" in any letter case
    Text,            // "@"
    General,         // "General"
  };
  struct TToken {
    TTokenKind Kind = TTokenKind::Literal;
    char Char = 0;
    int Count = 0;
    std::string Text;
  };
  enum class TSectionKind : uint8_t { Literal, Number, Fraction, Scientific, DateTime, Text, General };
  enum class TCompare : uint8_t { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };
  static constexpr TcxSSColor kNoSectionColor = 0xFFFF;
  struct TSection {
    std::vector<TToken> Tokens;
    TSectionKind Kind = TSectionKind::Literal;
    TcxSSColor Color = kNoSectionColor;
    TCompare Compare = TCompare::None;
    double Limit = 0;
    int Percent = 0;         // each multiplies by 100
    int Thousands = 0;       // scaling commas: each divides by 1,000
    bool Grouping = false;   // thousand separators in the integer part
    int IntegerPlaces = 0;   // digit places before the point (or the numerator)
    int IntegerZeros = 0;    // of which "0"
    int FractionPlaces = 0;  // digit places after the point
    std::string FractionChars;  // their characters, "0", "#" or "?", in order
    int NumeratorPlaces = 0;
    int DenominatorPlaces = 0;
    int FixedDenominator = 0;
    int SecondDecimals = 0;
    bool TwelveHour = false;
    bool Elapsed = false;
  };

 private:
  const TSection* SectionFor(double x, bool& showSign) const;

  std::string code_;
  uint16_t builtIn_ = kNoBuiltIn;
  std::vector<TSection> sections_;
  int textSection_ = -1;
};
