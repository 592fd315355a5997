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

// Menus.
inline constexpr const char* kMenuZofMirel = "&Zof Mirel";
inline constexpr const char* kMenuWindows = "&Prozori";
inline constexpr const char* kMenuHelp = "&Pomoć";
inline constexpr const char* kMenuPrintArea = "&Erija";
inline constexpr const char* kAssociationItem = "Direktno otvaranje MS Excel datoteka";
inline constexpr const char* kAssociationExtension = "mls";

// File actions: caption, hint.
inline constexpr const char* kNewCaption = "&Nova datoteka";
inline constexpr const char* kNewHint = "Nova lista";
inline constexpr const char* kOpenCaption = "&Otvori";
inline constexpr const char* kOpenHint = "Otvaranje postojeće liste";
inline constexpr const char* kSaveAsCaption = "&Sačuvaj kao...";
inline constexpr const char* kSaveAsHint =
    "Čuvanje novoformirane ili izmenjene postojeće tabelarne liste";
inline constexpr const char* kSaveCaption = "Sač&uvaj";
inline constexpr const char* kExitCaption = "I&zlaz";
inline constexpr const char* kExitHint = "Izlaz iz Mirel-a";

// Print actions (built with printing).
inline constexpr const char* kPageSetupCaption = "Priprema štampe";
inline constexpr const char* kPageSetupHint = "Priprema stranice za štampu";
inline constexpr const char* kPreviewCaption = "Pregled";
inline constexpr const char* kPreviewHint = "Pregled pre štampe";
inline constexpr const char* kClearPrintAreaCaption = "Očisti eriju";
inline constexpr const char* kPrintAreaCaption = "Štampani deo";
inline constexpr const char* kPrintAreaHint = "Sređivanje štampanog dela lista";
inline constexpr const char* kPrintCaption = "Štampa";
inline constexpr const char* kPrintHint = "Štampa";

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
