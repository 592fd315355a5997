#include "platform/qt/QtRegionalSettings.h"

#include <array>
#include <string_view>

namespace {

bool IsFieldLetter(QChar c) {
  switch (c.unicode()) {
    case 'd': case 'M': case 'y': case 'h': case 'H': case 'm': case 's': case 'z':
    case 'A': case 'a': case 'P': case 'p': case 't':
      return true;
    default:
      return false;
  }
}

std::string Utf8(const QString& text) { return text.toStdString(); }

// Appends literal text in the classic form: the separators become their stand-in letters,
// other letters are quoted, the rest is copied.
void AppendLiteral(std::string& out, const QString& literal, const QString& dateSeparator,
                   const QString& timeSeparator) {
  QString quoted;
  auto flushQuoted = [&] {
    if (quoted.isEmpty()) return;
    out += '"';
    out += Utf8(quoted);
    out += '"';
    quoted.clear();
  };
  for (QChar c : literal) {
    const QString s(c);
    if (!dateSeparator.isEmpty() && s == dateSeparator) {
      flushQuoted();
      out += '/';
    } else if (!timeSeparator.isEmpty() && s == timeSeparator) {
      flushQuoted();
      out += ':';
    } else if (c.isLetter() || c == '"' || c == '/' || c == ':') {
      quoted += c;
    } else {
      flushQuoted();
      out += Utf8(s);
    }
  }
  flushQuoted();
}

std::string Repeat(char letter, qsizetype count) { return std::string(count, letter); }

}  // namespace

QString PatternSeparator(const QString& pattern, const QString& fallback) {
  bool inQuote = false;
  for (QChar c : pattern) {
    if (c == '\'') {
      inQuote = !inQuote;
      continue;
    }
    if (inQuote || IsFieldLetter(c) || c.isSpace()) continue;
    return QString(c);
  }
  return fallback;
}

std::string ConvertQtDateTimePattern(const QString& pattern, const QString& dateSeparator,
                                     const QString& timeSeparator) {
  std::string out;
  qsizetype i = 0;
  const qsizetype n = pattern.size();
  while (i < n) {
    const QChar c = pattern[i];
    if (c == '\'') {
      // Quoted literal text; '' inside or outside quotes is one apostrophe.
      QString literal;
      ++i;
      while (i < n) {
        if (pattern[i] == '\'') {
          if (i + 1 < n && pattern[i + 1] == '\'') {
            literal += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal += pattern[i++];
      }
      if (literal.isEmpty()) literal = "'";
      AppendLiteral(out, literal, {}, {});
      continue;
    }
    if (!IsFieldLetter(c)) {
      AppendLiteral(out, QString(c), dateSeparator, timeSeparator);
      ++i;
      continue;
    }
    qsizetype run = 1;
    while (i + run < n && pattern[i + run] == c) ++run;
    switch (c.unicode()) {
      case 'd': out += Repeat('d', std::min<qsizetype>(run, 4)); break;
      case 'M': out += Repeat('m', std::min<qsizetype>(run, 4)); break;
      case 'y': out += run <= 2 ? "yy" : "yyyy"; break;
      case 'h': case 'H': out += run == 1 ? "h" : "hh"; break;
      case 'm': out += run == 1 ? "n" : "nn"; break;
      case 's': out += run == 1 ? "s" : "ss"; break;
      case 'z': out += run == 1 ? "z" : "zzz"; break;
      case 'A': case 'a':
        // "AP", "ap", "A" and "a" all show the locale's morning and afternoon texts.
        if (i + run < n && (pattern[i + run] == 'P' || pattern[i + run] == 'p')) ++run;
        out += "AMPM";
        break;
      case 't':
        while (!out.empty() && out.back() == ' ') out.pop_back();
        break;
      default:  // a lone 'P' or 'p' is literal text
        AppendLiteral(out, pattern.mid(i, run), {}, {});
        break;
    }
    i += run;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

namespace {

// The text Qt writes for a currency amount, with the currency string replaced by "$", digits
// by "1", every kind of blank by a space and the minus sign by "-".
QString CurrencyShape(const QLocale& locale, double value) {
  const QString symbol = locale.currencySymbol();
  QString text = locale.toCurrencyString(value, symbol, 0);
  if (!symbol.isEmpty()) text.replace(symbol, "$");
  QString shape;
  for (QChar c : text) {
    if (c.isDigit()) {
      if (!shape.endsWith('1')) shape += '1';
    } else if (c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F)) {
      shape += ' ';
    } else if (c == QChar(0x2212) || c == '-') {
      shape += '-';
    } else if (c == '$' || c == '(' || c == ')') {
      shape += c;
    }
  }
  return shape;
}

constexpr std::array<std::string_view, 4> kPositiveShapes = {"$1", "1$", "$ 1", "1 $"};
constexpr std::array<std::string_view, 16> kNegativeShapes = {
    "($1)", "-$1", "$-1", "$1-", "(1$)", "-1$", "1-$", "1$-",
    "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};

int FindShape(const QString& shape, std::string_view const* shapes, size_t count, int fallback) {
  const std::string s = shape.toStdString();
  for (size_t i = 0; i < count; ++i)
    if (shapes[i] == s) return static_cast<int>(i);
  return fallback;
}

int CurrencyDecimals(const QLocale& locale) {
  const QString text = locale.toCurrencyString(1.0, QStringLiteral("$"));
  const qsizetype point = text.lastIndexOf(locale.decimalPoint());
  if (point < 0) return 0;
  int digits = 0;
  for (qsizetype i = point + 1; i < text.size() && text[i].isDigit(); ++i) ++digits;
  return digits;
}

}  // namespace

TRegionalSettings CaptureRegionalSettings(const QLocale& locale) {
  TRegionalSettings s;
  s.DecimalSeparator = Utf8(locale.decimalPoint());
  s.ThousandSeparator = Utf8(locale.groupSeparator());
  s.ListSeparator.assign(1, s.DecimalSeparator == "," ? ';' : ',');
  s.CurrencyString = Utf8(locale.currencySymbol());
  s.CurrencyDecimals = CurrencyDecimals(locale);
  const int positive =
      FindShape(CurrencyShape(locale, 1), kPositiveShapes.data(), kPositiveShapes.size(), 0);
  s.CurrencyFormat = positive;
  // The fallback keeps the minus before the amount and the currency string where it stands.
  const int negativeFallback = positive == 0 ? 1 : positive == 1 ? 5 : positive == 2 ? 9 : 8;
  s.NegCurrFormat = FindShape(CurrencyShape(locale, -1), kNegativeShapes.data(),
                              kNegativeShapes.size(), negativeFallback);

  const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
  const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
  const QString dateSeparator = PatternSeparator(shortDate, "/");
  const QString timeSeparator = PatternSeparator(shortTime, ":");
  s.DateSeparator = Utf8(dateSeparator);
  s.TimeSeparator = Utf8(timeSeparator);
  s.ShortDateFormat = ConvertQtDateTimePattern(shortDate, dateSeparator, {});
  s.LongDateFormat = ConvertQtDateTimePattern(locale.dateFormat(QLocale::LongFormat), {}, {});
  s.ShortTimeFormat = ConvertQtDateTimePattern(shortTime, {}, timeSeparator);
  s.LongTimeFormat =
      ConvertQtDateTimePattern(locale.timeFormat(QLocale::LongFormat), {}, timeSeparator);
  s.TimeAMString = Utf8(locale.amText());
  s.TimePMString = Utf8(locale.pmText());
  for (int m = 0; m < 12; ++m) {
    s.ShortMonthNames[m] = Utf8(locale.monthName(m + 1, QLocale::ShortFormat));
    s.LongMonthNames[m] = Utf8(locale.monthName(m + 1, QLocale::LongFormat));
  }
  for (int d = 0; d < 7; ++d) {
    const int qtDay = d == 0 ? 7 : d;  // Qt counts from Monday = 1 to Sunday = 7
    s.ShortDayNames[d] = Utf8(locale.dayName(qtDay, QLocale::ShortFormat));
    s.LongDayNames[d] = Utf8(locale.dayName(qtDay, QLocale::LongFormat));
  }
  return s;
}
