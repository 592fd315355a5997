#include "print/dxPSComponentPrinter.h"

#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QToolBar>
#include <QPrinter>
#include <cassert>

#include "print/dxPSGridLink.h"

TdxComponentPrinter::TdxComponentPrinter(QWidget* owner)
    : QObject(owner), owner_(owner), printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TdxComponentPrinter::~TdxComponentPrinter() = default;

TAbstractdxGridReportLink& TdxComponentPrinter::AddLink(std::unique_ptr<TAbstractdxGridReportLink> link) {
  links_.push_back(std::move(link));
  if (!current_) current_ = links_.back().get();
  return *links_.back();
}

TAbstractdxGridReportLink& TdxComponentPrinter::Link(TAbstractdxGridReportLink* link) const {
  assert(link || current_);
  TAbstractdxGridReportLink& result = link ? *link : *current_;
  printer_->setPageLayout(result.PrinterPage.Layout());
  printer_->setDocName(QString::fromStdString(result.ReportDocumentCaption));
  return result;
}

void TdxComponentPrinter::PaintPages(TAbstractdxGridReportLink& link, QPrinter& printer) {
  try {
    link.PrintTo(printer);
  } catch (const std::exception& error) {
    QMessageBox::warning(owner_, QString(), QString::fromStdString(error.what()));
  }
}

bool TdxComponentPrinter::PageSetup(TAbstractdxGridReportLink* link) {
  TAbstractdxGridReportLink& target = Link(link);
  QPageSetupDialog dialog(printer_.get(), owner_);
  if (dialog.exec() != QDialog::Accepted) return false;
  target.PrinterPage.Assign(printer_->pageLayout());
  return true;
}

void TdxComponentPrinter::Preview(TAbstractdxGridReportLink* link) {
  TAbstractdxGridReportLink& target = Link(link);
  target.RebuildReport();
  QPrintPreviewDialog dialog(printer_.get(), owner_);
  // Large enough to read a page, over most of the window it belongs to.
  if (owner_) dialog.resize(owner_->size() * 0.85);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this, &target](QPrinter* printer) { PaintPages(target, *printer); });
  // The link's design window from the preview's tool bar; kept changes show at once.
  auto* toolBar = dialog.findChild<QToolBar*>();
  if (target.CanDesign() && toolBar) {
    toolBar->addSeparator();
    QAction* design = toolBar->addAction(QStringLiteral("Design..."));
    design->setObjectName(QStringLiteral("actDesign"));
    design->setToolTip(QStringLiteral("Design the report"));
    connect(design, &QAction::triggered, &dialog, [&dialog, &target] {
      if (!target.ShowDesignWindow(&dialog)) return;
      if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) preview->updatePreview();
    });
  }
  dialog.exec();
}

bool TdxComponentPrinter::Print(bool showDialog, TAbstractdxGridReportLink* link) {
  TAbstractdxGridReportLink& target = Link(link);
  target.RebuildReport();
  if (showDialog) {
    const auto pages = target.Paginate(printer_->pageLayout(), printer_->resolution());
    QPrintDialog dialog(printer_.get(), owner_);
    dialog.setMinMax(1, static_cast<int>(pages.size()));
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  target.PrintTo(*printer_);
  return true;
}
