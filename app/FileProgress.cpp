#include "app/FileProgress.h"

#include <QApplication>
#include <QProgressBar>

#include "sheet/cxSpreadSheetBook.h"

TFileProgress::TFileProgress(QProgressBar& bar, TcxCustomSpreadSheetBook& book,
                             std::chrono::milliseconds delay)
    : bar_(bar), book_(book), delay_(delay), previous_(std::move(book.OnProgress)) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  clock_.start();
  book_.OnProgress = [this](TcxCustomSpreadSheetBook& sender, int percent) {
    if (previous_) previous_(sender, percent);
    Report(percent);
  };
}

TFileProgress::~TFileProgress() {
  book_.OnProgress = std::move(previous_);
  bar_.hide();
  bar_.reset();
  QApplication::restoreOverrideCursor();
}

void TFileProgress::Report(int percent) {
  if (clock_.elapsed() < delay_.count()) return;
  if (bar_.isHidden()) {
    bar_.setRange(0, 100);
    bar_.show();
    // No event loop runs until the work is done: lay the status bar out and paint it now.
    if (QWidget* status = bar_.parentWidget()) {
      QApplication::sendPostedEvents(status, QEvent::LayoutRequest);
      status->repaint();
    }
  }
  if (bar_.value() == percent) return;
  bar_.setValue(percent);
  bar_.repaint();
}
