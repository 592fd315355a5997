#include "app/PrintCommands.h"

#include "app/ShellTexts.h"
#include "app/zofMirelGlavna.h"
#include "print/dxPSComponentPrinter.h"
#include "print/dxPScxSSLnk.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

void SetStoredPrintSettings(TdxSpreadSheetBookReportLink& link) {
  TdxPrinterPage page;
  page.PaperSize = QPageSize(QPageSize::A4);
  page.Orientation = QPageLayout::Portrait;
  page.Margins = {12.7, 12.7, 12.7, 12.7};
  page.HeaderHeight = 6.35;
  page.FooterHeight = 6.35;
  page.PageHeaderFont = {"Tahoma", 10, 0, 1};
  page.PageFooterFont = {"Tahoma", 10, 0, 1};
  page.ReportTitleFont = {"Times New Roman", 17, kFontBold, 1};
  link.PrinterPage = page;
  link.Font = {{"Times New Roman", 10, 0, 1}, kclWindowText};
  link.FixedFont = {{"Times New Roman", 10, kFontBold, 1}, kclBlack};
  link.SetOptionsView(0);
  link.ReportDocumentCaption = "New Report";
}

void CreatePrintComponents(TzofMirelGlavna& window) {
  window.dxComponentPrinter = new TdxComponentPrinter(&window);
  auto link = std::make_unique<TdxSpreadSheetBookReportLink>();
  SetStoredPrintSettings(*link);
  window.dxComponentPrinterLink1 = link.get();
  window.dxComponentPrinter->AddLink(std::move(link));
  window.dxComponentPrinter->SetCurrentLink(window.dxComponentPrinterLink1);
}

void PrintPageSetup(TzofMirelGlavna& window, QAction&) {
  window.dxComponentPrinter->PageSetup(window.dxComponentPrinterLink1);
}

void PrintPreview(TzofMirelGlavna& window, QAction&) {
  TcxSpreadSheetBook* book = window.ActiveBook();
  if (!book) return;
  window.dxComponentPrinterLink1->SetComponent(book);
  window.dxComponentPrinter->Preview(window.dxComponentPrinterLink1);
}

void ClearPrintArea(TzofMirelGlavna& window, QAction&) { window.dxComponentPrinterLink1->ClearPrintArea(); }

void SetPrintArea(TzofMirelGlavna& window, QAction&) {
  TcxSpreadSheetBook* book = window.ActiveBook();
  if (!book) return;
  const TRect selection = book->ActiveSheet().Selection();
  if (selection.Left == selection.Right && selection.Top == selection.Bottom &&
      !window.Prompts().Warn(&window, QString::fromUtf8(kWrongPrintArea)))
    return;
  window.dxComponentPrinterLink1->SetPrintArea(selection);
}

void PrintWorkbook(TzofMirelGlavna& window, QAction&) {
  TcxSpreadSheetBook* book = window.ActiveBook();
  if (!book) return;
  window.dxComponentPrinterLink1->SetComponent(book);
  window.dxComponentPrinter->Print(true, window.dxComponentPrinterLink1);
}
