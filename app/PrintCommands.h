#pragma once

class QAction;
class TdxSpreadSheetBookReportLink;
class TzofMirelGlavna;

// The main window's printing: one printer component holding one spreadsheet link, made with the
// window and kept with the settings below, and the five commands of the File menu that work
// through it. The print area lives in the link, not in a workbook: it applies, as sheet cells, to
// whichever workbook is printed next until it is cleared.

// The link's stored settings: A4 with 12.7 mm margins, 6.35 mm page header and footer in Tahoma,
// Times New Roman for data cells and bold for headings, no headings and no grid lines, the
// sheet's own formats, the document caption "New Report".
void SetStoredPrintSettings(TdxSpreadSheetBookReportLink& link);

// Makes the window's printer component and its link.
void CreatePrintComponents(TzofMirelGlavna& window);

// The commands, on the active document window's workbook.
void PrintPageSetup(TzofMirelGlavna& window, QAction& action);
void PrintPreview(TzofMirelGlavna& window, QAction& action);
void ClearPrintArea(TzofMirelGlavna& window, QAction& action);
// The selection becomes the print area; a single cell only after the warning "Pogrešna erija"
// is answered with OK.
void SetPrintArea(TzofMirelGlavna& window, QAction& action);
void PrintWorkbook(TzofMirelGlavna& window, QAction& action);
