#include "cli/CliCsv.h"

#include <limits>
#include <ostream>
#include <string_view>
#include <sstream>

void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    const std::string& field = fields[i];
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      line += field;
      continue;
    }
    line += '"';
    for (char c : field) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  }
  line += '\n';
  out << line;
}

TCsvReader::TCsvReader(std::istream& in, size_t maxFields, size_t maxFieldBytes)
    : in_(*in.rdbuf()), maxFields_(maxFields), maxFieldBytes_(maxFieldBytes) {}

bool TCsvReader::Next(std::vector<std::string>& fields) {
  using traits = std::char_traits<char>;
  constexpr int kEnd = traits::eof();
  fields.clear();
  fieldCount_ = 0;
  std::string field;
  if (!started_) {
    started_ = true;
    // A byte order mark is skipped; bytes that only began like one are the first field's.
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    while (field.size() < kMark.size() &&
           in_.sgetc() == static_cast<unsigned char>(kMark[field.size()]))
      field += traits::to_char_type(in_.sbumpc());
    if (field == kMark) field.clear();
  }
  size_t fieldLength = field.size();  // bytes of the field, kept or not
  const auto add = [&](int c) {
    if (field.size() < maxFieldBytes_)
      field += traits::to_char_type(c);
    else
      fieldsCut_ = true;
    ++fieldLength;
  };
  const auto endField = [&] {
    if (fieldCount_++ < maxFields_) fields.push_back(std::move(field));
    field.clear();
    fieldLength = 0;
  };
  int c = in_.sbumpc();
  if (c == kEnd && fieldLength == 0) return false;
  for (; c != kEnd; c = in_.sbumpc()) {
    if (c == '"' && fieldLength == 0) {
      // A quoted field: up to the quote that is not doubled.
      for (c = in_.sbumpc(); c != kEnd; c = in_.sbumpc()) {
        if (c != '"') {
          add(c);
        } else if (in_.sgetc() == '"') {
          add(in_.sbumpc());
        } else {
          break;
        }
      }
      // An empty quoted field still counts as a field begun.
      if (fieldLength == 0) fieldLength = 1;
      if (c == kEnd) break;
      continue;
    }
    if (c == ',') {
      endField();
    } else if (c == '\n') {
      endField();
      return true;
    } else if (c == '\r') {
      if (in_.sgetc() == '\n') in_.sbumpc();
      endField();
      return true;
    } else {
      add(c);
    }
  }
  endField();
  return true;
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::istringstream in{std::string(text)};
  TCsvReader reader(in, std::numeric_limits<size_t>::max(), std::numeric_limits<size_t>::max());
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> fields;
  while (reader.Next(fields)) records.push_back(fields);
  return records;
}
