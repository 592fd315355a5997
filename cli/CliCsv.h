#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Comma-separated values as RFC 4180 has them: a field that holds a comma, a double quote, a
// carriage return or a line feed is enclosed in double quotes, a double quote inside doubled.
// Records end with a line feed when written; reading also accepts CR LF and a last record
// without an end.

void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields);

// The records of a CSV text (UTF-8; a leading byte order mark is skipped). A quoted field may
// hold line breaks. An unclosed quote takes the rest of the text as its field.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);
