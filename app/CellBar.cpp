#include "app/CellBar.h"

#include <algorithm>

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "app/FeatureChildForm.h"
#include "app/ShellTexts.h"
#include "app/zofMirelGlavna.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

constexpr int kReferenceWidth = 81;

// The active cell (the top-left cell of the selection) of the active sheet.
TcxSSCellObject ActiveCell(TcxSpreadSheetBook& book) {
  TcxSSBookSheet& sheet = book.ActiveSheet();
  return {sheet.DataStorage(), sheet.Selection().Left, sheet.Selection().Top};
}

}  // namespace

TCellBar::TCellBar(TzofMirelGlavna& owner) : owner_(owner) {
  setObjectName("pnCellBar");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);

  pnCellRect = new QLabel("A1");
  pnCellRect->setObjectName("pnCellRect");
  pnCellRect->setFixedWidth(kReferenceWidth);
  pnCellRect->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnCellRect->setAlignment(Qt::AlignCenter);
  pnCellRect->setAutoFillBackground(true);
  QPalette palette = pnCellRect->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
  palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
  pnCellRect->setPalette(palette);

  pnCellText = new QLabel(QString::fromUtf8(kCellTextCaption));
  pnCellText->setObjectName("pnCellText");
  pnCellText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  edtCellEdit = new QLineEdit;
  edtCellEdit->setObjectName("edtCellEdit");
  // Not a tab stop: it takes the focus only when clicked.
  edtCellEdit->setFocusPolicy(Qt::ClickFocus);
  edtCellEdit->installEventFilter(this);
  connect(edtCellEdit, &QLineEdit::textEdited, this, &TCellBar::edtCellEditChange);

  layout->addWidget(pnCellRect);
  layout->addWidget(pnCellText);
  layout->addWidget(edtCellEdit, 1);
}

void TCellBar::SetReference(const QString& reference) {
  pnCellRect->setText(reference);
  const int frame = 2 * pnCellRect->frameWidth() + 2 * pnCellRect->margin() + 6;
  pnCellRect->setFixedWidth(
      std::max(kReferenceWidth, pnCellRect->fontMetrics().horizontalAdvance(reference) + frame));
}

void TCellBar::edtCellEditChange(const QString& text) {
  if (owner_.UpdatingFromBook) return;
  TcxSpreadSheetBook* book = owner_.ActiveBook();
  if (!book) return;
  typed_ = true;
  owner_.Guarded([&] {
    {
      TcxSSCellObject cell = ActiveCell(*book);
      cell.SetRawText(text.toStdString(), false);
    }
    book->UpdateControl();
  });
}

void TCellBar::edtCellEditExit() {
  TFeatureChildForm* window = owner_.ActiveChild();
  if (!window || !typed_) return;
  typed_ = false;
  TcxSpreadSheetBook& book = window->Book();
  owner_.Guarded([&] {
    {
      TcxSSCellObject cell = ActiveCell(book);
      cell.SetText(cell.GetText());
    }
    book.UpdateControl();
  });
  window->BookControl().setFocus(Qt::OtherFocusReason);
  window->NotifySelection();
}

bool TCellBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched != edtCellEdit) return false;
  switch (event->type()) {
    case QEvent::FocusIn:
      typed_ = false;
      break;
    case QEvent::FocusOut: {
      // Not when the box's own context menu opens or another program is activated: the user
      // has not left the box.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        edtCellEditExit();
      break;
    }
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (TFeatureChildForm* window = owner_.ActiveChild()) {
          // Leaving the box interprets its text.
          window->BookControl().setFocus(Qt::OtherFocusReason);
          edtCellEditExit();
        }
        return true;
      }
      break;
    }
    default:
      break;
  }
  return false;
}
