#pragma once

#include <cstddef>

// What the .xls format holds: the limits the workbook keeps to where a user enters something,
// so that a save never has to cut it.

// The grid of a sheet: A1:IV65536.
inline constexpr int kXlsMaxRows = 65536;
inline constexpr int kXlsMaxCols = 256;
// Characters (UTF-16 code units) of a sheet's name (BOUNDSHEET) and of a defined name (NAME):
// both are counted in 8 bits. Excel itself names sheets with at most 31 characters, but files
// in the wild hold longer names (poi-BOOK_in_capitals.xls: 55), which load and save as they are.
inline constexpr size_t kXlsMaxSheetCaption = 255;
inline constexpr size_t kXlsMaxDefinedName = 255;
// Sheets a file holds: the one-record TABID and EXTERNSHEET lists (8224 data bytes, 6 bytes an
// EXTERNSHEET entry after a 2-byte count) hold this many.
inline constexpr int kXlsMaxSheets = (8224 - 2) / 6;
// Token bytes of one formula: a FORMULA record holds 8224 data bytes, 22 of them before the
// tokens.
inline constexpr size_t kXlsMaxFormulaTokens = 8224 - 22;
