#pragma once

// The shell's own texts (Serbian, Latin script), exactly as the user sees them.

inline constexpr const char* kApplicationTitle = "Zof Mirel";
inline constexpr const char* kMainCaption = "Orbeka: Zof Mirel 3.1";
inline constexpr const char* kNewWorkbookCaption = "Radna knjiga - ";
// Captions that sort below this one, byte by byte, may be file paths (see SaveWorkbook).
inline constexpr const char* kNewWorkbookStem = "Radna knjiga";

inline constexpr const char* kExcelFilter = "Microsoft Excel 97 ili kasnije verzije (*.xls)";
inline constexpr const char* kOpenDialogTitle = "Izbor MS Excel datoteke";
inline constexpr const char* kSaveDialogTitle = "Sačuvaj datoteku";
inline constexpr const char* kExcelExtension = ".xls";

inline constexpr const char* kCloseQuestion = "Sačuvaj izmene na [*** %1 ***]";
inline constexpr const char* kLoadError = "Neispravni ili nečitljivi podaci u datoteci %s";
// Told once when a file opens whose formulas call functions outside the library; one line per
// function follows ("NAME: 3 ćelije"), at most kUnknownFunctionsListed of them.
inline constexpr const char* kUnknownFunctionsMessage =
    "Datoteka %1 sadrži formule sa funkcijama koje program ne poznaje. Te ćelije zadržavaju "
    "vrednosti sačuvane u datoteci.\n";
inline constexpr int kUnknownFunctionsListed = 10;
inline constexpr const char* kUnknownFunctionsMore = "… i još %1 funkcija";
inline constexpr const char* kCellsFew = "ćelije";
inline constexpr const char* kCellsMany = "ćelija";
inline constexpr const char* kOverwriteQuestion =
    "Datoteka %1 već postoji.\nDa li želite da je zamenite?";
inline constexpr const char* kWrongMail = "Pogrešna EMail adresa";
// %1: what the file cannot hold, one line each, in the workbook's own words.
inline constexpr const char* kSaveLossQuestion =
    "Datoteka ne može da sačuva sve podatke:\n%1\nDa li ipak želite da je sačuvate?";
// Asked before a single cell becomes the print area.
inline constexpr const char* kWrongPrintArea = "Pogrešna erija";

// Menus.
inline constexpr const char* kMenuZofMirel = "&Zof Mirel";
inline constexpr const char* kMenuEdit = "Iz&mene";
inline constexpr const char* kMenuCells = "Ć&elije";
inline constexpr const char* kMenuColumns = "K&oline";
inline constexpr const char* kMenuRows = "Re&dovi";
inline constexpr const char* kMenuInsert = "&Unos";
inline constexpr const char* kMenuConfiguration = "&Konfiguracija";
inline constexpr const char* kMenuWindows = "&Prozori";
inline constexpr const char* kMenuHelp = "&Pomoć";
inline constexpr const char* kMenuPrintArea = "&Erija";
inline constexpr const char* kAssociationItem = "Direktno otvaranje MS Excel datoteka";
inline constexpr const char* kAssociationExtension = "mls";
// The sub-menus of the sheet pop-up menu: hiding and showing columns, and rows.
inline constexpr const char* kPopupColumns = "Kolone";
inline constexpr const char* kPopupRows = "Ćelije";

// Help menu.
inline constexpr const char* kAboutCaption = "O...";
inline constexpr const char* kWebSiteHint = "Posetite nas...";
inline constexpr const char* kWriteCaption = "Pišite...";
inline constexpr const char* kWriteHint = "email proizvođača";
inline constexpr const char* kAskCaption = "Postavite pitanje";
inline constexpr const char* kAskHint = "Email autora";

// About box.
inline constexpr const char* kAboutText = "Program za tabelarno izračunavanje\nČita MS Excel datoteke";
inline constexpr const char* kAboutMailPrefix = "email: ";

// Tool bars and the cell bar.
inline constexpr const char* kToolBarStandard = "Standard";
inline constexpr const char* kToolBarFormatting = "Formatting";
inline constexpr const char* kToolBarHistory = "History";
inline constexpr const char* kCellTextCaption = "Tekst ćelije = ";
inline constexpr const char* kSummaryHint = "Ukupno";
inline constexpr const char* kBordersHint = "Ivice";
// The side-bar caption of the menus (drawn only when a side bar is switched on).
inline constexpr const char* kMenuBarCaption = "Drabel - Pelvon: Zof Mirel 1.01";
// The summary lines of the undo and redo lists; %1 is the number of steps.
inline constexpr const char* kUndoSummary = "Poništi %1 operaciju";
inline constexpr const char* kRedoSummary = "Vrati %1 operaciju";
// The font boxes: the font shown at start and the sizes offered (the ninth with a trailing blank,
// as the list was designed).
inline constexpr const char* kDefaultFontName = "Tahoma";
inline constexpr const char* kFontSizes[] = {"8",  "9",  "10", "11", "12", "14", "16", "18",
                                             "20 ", "22", "24", "26", "28", "36", "48", "72"};
