#pragma once

#include <string>
#include <string_view>

// The workbook control's own texts (English), exactly as the user sees them.

inline constexpr std::string_view kSheetCaptionPrefix = "Sheet";
inline constexpr std::string_view kTrueText = "TRUE";
inline constexpr std::string_view kFalseText = "FALSE";

// Workbook and sheets.
inline constexpr std::string_view kInvalidPageNumber = "Invalid page number";
inline constexpr std::string_view kCannotDeleteLastSheet = "Cannot delete the last sheet";
inline constexpr std::string_view kSheetCaptionInvalid = "Sheet caption invalid or already exist";
// %d: the most characters (UTF-16 code units) a file holds.
inline constexpr std::string_view kSheetCaptionTooLong =
    "A sheet caption holds at most %d characters";
// %d: the most sheets a file holds.
inline constexpr std::string_view kTooManySheets = "A workbook holds at most %d sheets";

// Cells and ranges.
inline constexpr std::string_view kSomeCellsMerged = "Some modified cells are merged";
inline constexpr std::string_view kCannotChangePartOfMerged = "Cannot change part of merged cells";
inline constexpr std::string_view kCannotChangePartOfArray = "Cannot change part of an array";
inline constexpr std::string_view kInvalidCellStyle = "Invalid cell style";
// Unprotecting a sheet or workbook with a password whose hash is not the one kept.
inline constexpr std::string_view kIncorrectPassword = "The password you supplied is not correct";
inline constexpr std::string_view kCellsPushedOffSheet =
    "Cannot insert: cells that hold something would be pushed off the sheet";

// History step descriptions.
inline constexpr std::string_view kChangeCells = "Change cells";
inline constexpr std::string_view kClearCells = "Clear cells";
inline constexpr std::string_view kClearAll = "Clear all";
inline constexpr std::string_view kInsertCells = "Insert cells";
inline constexpr std::string_view kDeleteCells = "Delete cells";
inline constexpr std::string_view kMergeCells = "Merge cells";
inline constexpr std::string_view kSplitCells = "Split cells";
inline constexpr std::string_view kSortCells = "Sort cells";
inline constexpr std::string_view kCutCells = "Cut cells";
inline constexpr std::string_view kPasteCells = "Paste cells";
inline constexpr std::string_view kFormatCells = "Format cells";

// Files.
inline constexpr std::string_view kInvalidFileName = "Invalid file %s name";
inline constexpr std::string_view kInvalidStreamFormat = "Invalid stream format";
inline constexpr std::string_view kUnknownFunction = "Stream has unknown function's";
inline constexpr std::string_view kNoSheetToSave = "A workbook without sheets cannot be saved";
// What a save had to cut or leave out; the cells follow (": 1 cell, Sheet1!A1",
// ": 3 cells, the first Sheet1!A1"). %d: the most characters a file's text holds.
inline constexpr std::string_view kTextsCut = "Texts longer than %d characters were cut";
inline constexpr std::string_view kFormulasAsValues =
    "Formulas too long for the file were saved as their values";
inline constexpr std::string_view kCellsOutsideGrid = "Cells beyond IV65536 were left out";
inline constexpr std::string_view kBrokenBlocksAsValues =
    "Cells of incomplete array formulas and data tables were saved as their values";

// Formula engine.
inline constexpr std::string_view kSymbolExpected = "Error - symbol ')' expected!";
inline constexpr std::string_view kUnterminatedString = "Error - unterminated string!";
inline constexpr std::string_view kUnknownExpression = "Unknown string expression";
inline constexpr std::string_view kSyntaxError = "Error syntax in string expression";
inline constexpr std::string_view kConstructingError =
    "Error constructing formula. Parsed expression error offset at";
inline constexpr std::string_view kMissingTokens = "Missing tokens";
inline constexpr std::string_view kCycledIndexes =
    "Calculation error. Formula cycled indexes present";
inline constexpr std::string_view kFunctionNeedResult = "Function need result";
inline constexpr std::string_view kUnknownToken = "Unknown token in expression";
inline constexpr std::string_view kFormulaTooLong = "The formula is too long";
// %d: the most characters (UTF-16 code units) a file holds.
inline constexpr std::string_view kNameTooLong = "A name holds at most %d characters";

// The text with its "%d" replaced by the number.
inline std::string WithNumber(std::string_view text, long long number) {
  std::string result(text);
  if (const size_t at = result.find("%d"); at != std::string::npos)
    result.replace(at, 2, std::to_string(number));
  return result;
}
