#include "cli/CliCsv.h"

#include <ostream>

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

std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  size_t i = 0;
  const auto endRecord = [&] {
    record.push_back(std::move(field));
    field.clear();
    records.push_back(std::move(record));
    record.clear();
  };
  while (i < text.size()) {
    if (text[i] == '"' && field.empty()) {
      // A quoted field: up to the quote that is not doubled.
      for (++i; i < text.size(); ++i) {
        if (text[i] != '"') {
          field += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    const char c = text[i++];
    if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
    } else if (c == '\n') {
      endRecord();
    } else if (c == '\r') {
      if (i < text.size() && text[i] == '\n') ++i;
      endRecord();
    } else {
      field += c;
    }
  }
  if (!field.empty() || !record.empty()) endRecord();
  return records;
}
