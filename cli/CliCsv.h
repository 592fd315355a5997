#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// Comma-separated values as RFC 4180 has them: a field that holds a comma, a double quote, a
// carriage return or a line feed is enclosed in double quotes, a double quote inside doubled.
// Records end with a line feed when written; reading also accepts CR LF and a last record
// without an end.

void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields);

// Reads the records of a CSV text (UTF-8; a leading byte order mark is skipped) one at a time
// from a stream, in memory bounded by its limits whatever the stream holds: of a record only
// the first `maxFields` fields are kept, of a field only its first `maxFieldBytes` bytes. A
// quoted field may hold line breaks; an unclosed quote takes the rest of the text as its field.
class TCsvReader {
public:
  TCsvReader(std::istream& in, size_t maxFields, size_t maxFieldBytes);

  // The next record's kept fields; false when no record is left.
  bool Next(std::vector<std::string>& fields);
  // The fields the last record had, those beyond maxFields included.
  size_t FieldCount() const { return fieldCount_; }
  // Whether any field read so far was longer than maxFieldBytes.
  bool FieldsCut() const { return fieldsCut_; }

private:
  std::streambuf& in_;
  size_t maxFields_;
  size_t maxFieldBytes_;
  bool started_ = false;
  size_t fieldCount_ = 0;
  bool fieldsCut_ = false;
};

// Every record of a CSV text, without limits.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);
