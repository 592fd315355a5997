#pragma once

#include <QLocale>
#include <QString>
#include <string>

#include "platform/RegionalSettings.h"

// Reads the regional settings the core works with from a Qt locale. The application captures
// QLocale::system() once at start; later changes of the user's locale are not followed.
//
// Qt has no list separator; like the classic system settings, it is ";" where the decimal
// separator is "," and "," elsewhere.
TRegionalSettings CaptureRegionalSettings(const QLocale& locale);

// Rewrites a Qt date or time pattern ("d.M.yyyy", "h:mm:ss AP") in the classic letters of
// RegionalSettings.h ("d.m.yyyy", "h:nn:ss AMPM"). Literal occurrences of `dateSeparator`
// become "/" and of `timeSeparator` ":", because those two letters stand for the separators in
// the classic form; other literal letters are put in double quotes. The time-zone field "t"
// has no classic letter and is dropped together with the blanks before it.
std::string ConvertQtDateTimePattern(const QString& pattern, const QString& dateSeparator,
                                     const QString& timeSeparator);

// The first character of a pattern that is neither a field letter nor quoted text, or
// `fallback` when there is none ("d.M.yyyy" → ".", "HH:mm" → ":").
QString PatternSeparator(const QString& pattern, const QString& fallback);
