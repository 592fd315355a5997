#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calc/cxSSTypes.h"

// What a defined name stands for.
enum TcxSSNameKind : uint8_t {
  nkCells,    // a rectangle of one sheet: Sheet and Area
  nkFormula,  // a formula: Tokens (empty for the name of a macro, which has none)
};

// A defined name. Entries are never removed, only marked deleted, so that name tokens keep
// their meaning.
//
// A name belongs to the whole workbook (Scope -1) or to one page: it is then known by itself
// on that page only, and elsewhere as Page!Name, so that two pages may each have a "Total".
// A formula name's tokens count the relative parts of their references from the cell that uses
// the name (wrapping around at the file format's 256 columns and 65536 rows, as Excel's relative
// names do), and a reference without a sheet names that cell's sheet.
struct TcxSSNameDefinition {
  std::string Name;
  uint8_t Sheet = 0;
  TRect Area;  // first column, first row, last column, last row
  bool Deleted = false;
  int Scope = -1;
  bool Hidden = false;
  // Print_Area, Print_Titles, _FilterDatabase, ...: a file stores these as a code.
  bool BuiltIn = false;
  // The file's other flags of the name (a function or macro name, its function group), kept so
  // that the save writes them back.
  uint16_t FileOptions = 0;
  TcxSSNameKind Kind = nkCells;
  TcxTokenString Tokens;

  bool operator==(const TcxSSNameDefinition&) const = default;
};
using TcxSSNamesDef = std::vector<TcxSSNameDefinition>;
