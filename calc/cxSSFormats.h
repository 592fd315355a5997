#pragma once

#include <string>
#include <string_view>

#include "calc/cxSSNumberFormat.h"
#include "calc/cxSSTypes.h"
#include "platform/RegionalSettings.h"
#include "platform/TextServices.h"

// Number formats: the BIFF8 built-in format table, the format classes, and the display of
// values under a cell's number format. A cell's format is a built-in index, which classifies it
// and, for a cell without a format code of its own, also decides its look (switching on the
// index, with the locale's separators, currency and dates), and optionally a format code read
// from a file (TcxNumberFormat), which then decides the look as other spreadsheet programs
// show it.

inline constexpr TxlsDataFormat kFormatGeneral = 0;
inline constexpr TxlsDataFormat kFormatText = 49;
// The two formats beyond the BIFF8 table: "dd/mm/yy" and "dd\.mmmm\.yy".
inline constexpr TxlsDataFormat kFormatDayMonthYear = 164;
inline constexpr TxlsDataFormat kFormatDayMonthNameYear = 165;

// The format string of a built-in index (0..49, 164, 165); empty for any other index and for
// the unused indexes 23..36.
std::string_view BuiltInFormatString(int format);

// The format classes. Only 1..48, 164 and 165 are built-in; every other index is in no class.
bool IsBuiltInFormat(int format);
bool IsDateTimeFormat(int format);  // 14..22, 45..47, 164, 165
bool IsCurrencyFormat(int format);  // 5..8, 42..44
bool IsNumberFormat(int format);    // 1..4, 9..13, 37..41, 48

// The display text of `x` under `format`. `precision` (the workbook's, 0..255) bounds the
// decimals of the General and unknown formats at 8. `color` becomes 2 (the palette's red) for
// a negative x under formats 6, 8, 38 and 40 and is left alone otherwise. Output uses the
// locale separators and currency string; a date format given a value outside the supported
// dates shows the value in the General format.
void FormatValue(TxlsDataFormat format, int precision, std::string& text, TcxSSColor& color,
                 double x, const TRegionalSettings& settings);
// The display text of `x` under a cell's number format: its code when it has one (the colour
// a section names, [Red], goes to `color`; `fill` receives where a "*x" fill goes), else the
// built-in index as above.
void FormatValue(const TcxNumberFormat* code, TxlsDataFormat format, int precision,
                 std::string& text, TcxSSColor& color, double x,
                 const TRegionalSettings& settings, TcxTextFill* fill = nullptr);

// The shown text of a constant cell: the text itself under format 49; else a number, or TRUE
// and FALSE as 1 and 0, formatted with FormatValue; else the text itself. With a format code,
// numbers follow the code and texts its text section ("@") when it has one.
std::string DisplayText(std::string_view text, TxlsDataFormat format, int precision,
                        const TRegionalSettings& settings, const ITextServices& textServices,
                        const TcxNumberFormat* code = nullptr);
// The same, also handing back the colour FormatValue chose.
std::string DisplayText(std::string_view text, TxlsDataFormat format, int precision,
                        TcxSSColor& color, const TRegionalSettings& settings,
                        const ITextServices& textServices, const TcxNumberFormat* code = nullptr);
// A text value under a format code: through the code's text section, or unchanged.
std::string FormatTextValue(std::string_view text, const TcxNumberFormat* code,
                            const TRegionalSettings& settings, TcxSSColor& color,
                            TcxTextFill* fill = nullptr);

// Maps a format string read from a file to the built-in index that displays it best; `format`
// is the index the file gave it and is kept when it already belongs to the matching class.
void ClassifyFormatString(std::string_view formatString, TxlsDataFormat& format);
