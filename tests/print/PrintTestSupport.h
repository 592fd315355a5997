#pragma once

// A workbook and a spreadsheet link over it, for the printing tests: real screen fonts (the link
// measures and the pages draw with them), cells named in A1 form, and the report's cells looked
// up by their sheet place.
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "print/dxPScxSSLnk.h"
#include "sheet/cxSSBookSheet.h"
#include "view/ViewTestSupport.h"

struct TLinkFixture {
  std::unique_ptr<TcxSpreadSheetBook> Book;
  TdxSpreadSheetBookReportLink Link;

  explicit TLinkFixture(int pixelsPerInch = 96) {
    auto environment = MakeViewEnvironment();
    environment->PixelsPerInch = pixelsPerInch;
    Book = std::make_unique<TcxSpreadSheetBook>(environment);
    Link.SetComponent(Book.get());
    Link.SetOptionsView(0);
  }

  TcxSSBookSheet& Sheet() const { return Book->ActiveSheet(); }
  TcxSSDataStorage& Storage() const { return Sheet().DataStorage(); }

  // "B2" → (1, 1); "A1:B3" → the rectangle.
  static TRect Cells(const QString& reference) { return CellsOf(reference); }

  void Set(const QString& reference, const QString& text) const {
    const TRect cell = Cells(reference);
    TcxSSCellObject object(Storage(), cell.Left, cell.Top);
    object.SetText(text.toStdString());
  }
  // A style change of every cell of a range.
  template <typename F>
  void Style(const QString& reference, F&& change) const {
    const TRect cells = Cells(reference);
    for (int col = cells.Left; col <= cells.Right; ++col)
      for (int row = cells.Top; row <= cells.Bottom; ++row) {
        TcxSSCellStyle style(Book->StyleCache(), &Storage(), col, row);
        change(style);
      }
  }
  void Edge(const QString& reference, TcxSSEdgeIndex edge, TcxSSEdgeLineStyle line, TcxSSColor color = 0) const {
    Style(reference, [&](TcxSSCellStyle& style) { style.Borders().Edges(edge).SetValues(line, color); });
  }
  void Merge(const QString& reference) const { Sheet().MergeCells(Cells(reference), true); }

  const TdxReportCells& Build() {
    Link.RebuildReport();
    return *Link.Report();
  }
  // The report cell of a sheet cell ("B2"), of a heading ("B" for a column's, "2" for a row's),
  // or null when it is not printed.
  const TdxReportCellSSString* Cell(const QString& reference) const {
    const TdxPSGridCellsAdapter cells(*Link.Report());
    bool isRow = false;
    const int row = reference.toInt(&isRow);
    if (isRow) return cells.Cell(0, row);
    if (!reference.back().isDigit()) return cells.Cell(Cells(reference + "1").Left + 1, 0);
    const TRect cell = Cells(reference);
    return cells.Cell(cell.Left + 1, cell.Top + 1);
  }
  // The grid columns (rows) of the report, in order.
  QList<int> GridColumns() const {
    QList<int> result;
    for (const auto& column : Link.Report()->Columns) result << column.GridIndex;
    return result;
  }
  QList<int> GridRows() const {
    QList<int> result;
    for (const auto& row : Link.Report()->Rows) result << row.GridIndex;
    return result;
  }
};

// Runs a poppler tool; its standard output, or a failed test when it is not installed or fails.
inline QByteArray RunPoppler(const QString& tool, const QStringList& arguments) {
  if (QStandardPaths::findExecutable(tool).isEmpty()) {
    qWarning("%s is not installed (package poppler-utils)", qPrintable(tool));
    return {};
  }
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) {
    qWarning("%s failed: %s", qPrintable(tool), process.readAllStandardError().constData());
    return {};
  }
  return process.readAllStandardOutput();
}
