#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What formulas refer to outside the workbook, as the link table of the file they came from
// describes it: other workbooks (their sheets and defined names) and add-ins (their functions).
// Formulas name an external sheet by its index in Sheets (ptgRefX, ptgAreaX) and an external
// name by its index in Names (ptgNameX). The workbook cannot calculate such formulas: they keep
// the values the file stored for them, and a save writes the links back.
//
// Entries are only appended, so that indexes in formulas keep their meaning.

enum TcxSSExternalBookKind : uint8_t {
  ebkWorkbook,  // another workbook (or a DDE or OLE source)
  ebkAddIn,     // the functions of add-ins
};

// A defined name of another workbook, with what the file said of it (EXTERNNAME).
struct TcxSSExternalBookName {
  std::string Name;
  uint16_t Options = 0;
  uint16_t Sheet = 0;               // of a sheet's own name (one-based), else 0
  std::vector<uint8_t> Definition;  // the record's data after the name, as the file held it

  bool operator==(const TcxSSExternalBookName&) const = default;
};

struct TcxSSExternalBook {
  TcxSSExternalBookKind Kind = ebkWorkbook;
  // The book's path as the file encodes it (SUPBOOK: a virtual path whose control characters
  // stand for drives, folders and URLs); empty for add-ins.
  std::string EncodedPath;
  std::vector<std::string> Sheets;
  std::vector<TcxSSExternalBookName> Names;

  bool operator==(const TcxSSExternalBook&) const = default;
};

// Sheets First to Last of a book (0xFFFF: the reference names no sheet of it).
struct TcxSSExternalSheet {
  uint16_t Book = 0;
  uint16_t First = 0;
  uint16_t Last = 0;

  bool operator==(const TcxSSExternalSheet&) const = default;
};

// Name Index of a book.
struct TcxSSExternalName {
  uint16_t Book = 0;
  uint16_t Index = 0;

  bool operator==(const TcxSSExternalName&) const = default;
};

struct TcxSSExternalLinks {
  std::vector<TcxSSExternalBook> Books;
  std::vector<TcxSSExternalSheet> Sheets;
  std::vector<TcxSSExternalName> Names;

  bool operator==(const TcxSSExternalLinks&) const = default;

  // The qualifier formula text writes before the cells of an external sheet, quoted:
  // 'C:\Data\[Prices.xls]Rates'; empty when the index names nothing.
  std::string SheetText(size_t index) const;
  // How formula text writes an external name: an add-in function by its name (COMPLEX), another
  // workbook's name after its quoted path ('C:\Data\Prices.xls'!Rate); empty when the index
  // names nothing.
  std::string NameText(size_t index) const;
  // The name of an add-in function named by an external name, or empty.
  std::string_view AddInFunction(size_t index) const;
  // The index of the external sheet whose qualifier text is `qualifier`, or of the external
  // name written as `text` (both compared without regard to ASCII case); -1 when none is.
  int FindSheet(std::string_view qualifier) const;
  int FindName(std::string_view text) const;
};

// A book's path for people ("C:\Data\Prices.xls", "http://host/a.xls") from its encoded form.
std::string DecodeBookPath(std::string_view encoded);
