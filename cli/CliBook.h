#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "cli/CliCommandLine.h"
#include "platform/Environment.h"

class TcxCustomSpreadSheetBook;
class IMessageBox;

// What zofmirel-cli does with a workbook: its environment, reading CSV into a sheet and writing
// a sheet as CSV or the workbook's outline as JSON.

// The fixed platform services with the chosen regional settings ("en" or "sr"), the real clock,
// and the formula engine's messages going to `messages`.
std::shared_ptr<TcxEnvironment> MakeCliEnvironment(std::string_view locale,
                                                   std::shared_ptr<IMessageBox> messages);

// A number in its shortest round-trip form with the locale's decimal separator ("0.1", "1e+300").
std::string ShortestNumberText(double x, const TRegionalSettings& settings);

// The value of a cell as dump writes it: a number in its shortest form, a text as it is (also
// one that reads as a number), TRUE and FALSE, an error's text; a formula cell gives its result
// the same way.
std::string CellValueText(TcxCustomSpreadSheetBook& book, int page, int col, int row);

// The sheet as CSV from A1 to the last cell that holds something.
void WriteSheetCsv(TcxCustomSpreadSheetBook& book, int page, TCliOutputMode mode,
                   std::ostream& out);

// The sheets (name, visibility, used rows and columns, cells, formulas, merged ranges), the
// defined names and the workbook flags as JSON.
void WriteBookInfo(TcxCustomSpreadSheetBook& book, std::ostream& out);

// What a CSV text held: its records and the fields of its longest record.
struct TCsvReadReport {
  long long Rows = 0;
  long long Columns = 0;
};

// Enters each field of the CSV text into the active sheet as a user would type it (a field that
// starts with "=" becomes a formula), row by row from A1. Only what a file's sheet holds is
// entered (65,536 rows of 256 fields, a field cut beyond any text's length), in memory bounded
// by that whatever the text holds; the report tells how much there was.
TCsvReadReport ReadCsvIntoSheet(TcxCustomSpreadSheetBook& book, std::istream& in);
TCsvReadReport ReadCsvIntoSheet(TcxCustomSpreadSheetBook& book, std::string_view text);
