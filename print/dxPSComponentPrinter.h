#pragma once

#include <QObject>
#include <memory>
#include <vector>

class QPrinter;
class QWidget;
class TAbstractdxGridReportLink;

// The report engine's printer component: the links it holds, the current one, and the page
// setup, preview and print dialogs of Qt Print Support over one printer, which keeps the
// printer and options the user chose from one print to the next. Each dialog starts from the
// link's page (paper, orientation, margins); page setup gives the answer back to the link.
//
// What a link raises (nothing to print) leaves before any dialog is shown.
class TdxComponentPrinter : public QObject {
  Q_OBJECT

public:
  explicit TdxComponentPrinter(QWidget* owner);
  ~TdxComponentPrinter() override;

  TAbstractdxGridReportLink& AddLink(std::unique_ptr<TAbstractdxGridReportLink> link);
  int LinkCount() const { return static_cast<int>(links_.size()); }
  TAbstractdxGridReportLink* CurrentLink() const { return current_; }
  void SetCurrentLink(TAbstractdxGridReportLink* link) { current_ = link; }

  QPrinter& Printer() const { return *printer_; }

  // The page setup dialog; true when it was accepted.
  bool PageSetup(TAbstractdxGridReportLink* link = nullptr);
  // The preview window of the link's pages, modal.
  void Preview(TAbstractdxGridReportLink* link = nullptr);
  // With `showDialog`, the print dialog first (false when it was cancelled); then the pages.
  bool Print(bool showDialog, TAbstractdxGridReportLink* link = nullptr);

private:
  TAbstractdxGridReportLink& Link(TAbstractdxGridReportLink* link) const;
  // Prints to the printer, keeping the link's exceptions out of Qt's event handling (the preview
  // paints from a signal): the message is shown instead.
  void PaintPages(TAbstractdxGridReportLink& link, QPrinter& printer);

  QWidget* owner_;
  std::unique_ptr<QPrinter> printer_;
  std::vector<std::unique_ptr<TAbstractdxGridReportLink>> links_;
  TAbstractdxGridReportLink* current_ = nullptr;
};
