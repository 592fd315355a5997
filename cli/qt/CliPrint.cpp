#include "cli/qt/CliPrint.h"

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>
#include <cstdio>

#include "app/PrintCommands.h"
#include "platform/qt/QtTextMeasurer.h"
#include "print/dxPScxSSLnk.h"
#include "sheet/cxSSBookFile.h"
#include "sheet/cxSpreadSheetBook.h"

namespace {

// Qt's own notes (a missing runtime folder, font fallbacks) are no part of the program's output,
// which carries only its own messages; what Qt reports as critical or fatal still goes to
// standard error.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

TCliQtPrinter::TCliQtPrinter(int& argc, char** argv) : argc_(argc), argv_(argv) {}

TCliQtPrinter::~TCliQtPrinter() = default;

void TCliQtPrinter::EnsureApplication() {
  if (application_ || QCoreApplication::instance()) return;
  // Pages are drawn off the screen whatever display the user has.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietQtMessages);
  application_ = std::make_unique<QApplication>(argc_, argv_);
}

TCliPrintSupport TCliQtPrinter::Support() {
  TCliPrintSupport support;
  support.Prepare = [this](TcxEnvironment& environment) {
    EnsureApplication();
    environment.Measurer = std::make_shared<TQtTextMeasurer>(environment.PixelsPerInch);
  };
  support.Print = [](TcxCustomSpreadSheetBook& book, const TCliCommand& command, const std::string& out) {
    TdxSpreadSheetBookReportLink link;
    SetStoredPrintSettings(link);
    link.SetComponent(&book);
    link.SetOptionsView((command.Headings ? ssovRowAndColumnHeadings : 0) | (command.Grid ? ssovGridLines : 0));
    if (command.Area) link.SetPrintArea(*command.Area);
    // The pages go to memory first and then replace the file in one step, so that a failure
    // never leaves half a file or destroys the one there.
    QByteArray pdf;
    {
      QBuffer buffer(&pdf);
      buffer.open(QIODevice::WriteOnly);
      QPdfWriter writer(&buffer);
      writer.setPageLayout(link.PrinterPage.Layout());
      writer.setTitle(QString::fromStdString(link.ReportDocumentCaption));
      writer.setCreator(QStringLiteral("Zof Mirel"));
      link.PrintToDevice(writer, 0, 0);
    }
    try {
      WriteFileReplacing(out, [&](std::ostream& stream) { stream.write(pdf.constData(), pdf.size()); });
    } catch (const std::exception& e) {
      throw ECliOutputError(e.what());
    }
  };
  return support;
}
