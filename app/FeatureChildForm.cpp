#include "app/FeatureChildForm.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "app/ShellTexts.h"
#include "app/zofMirelGlavna.h"
#include "dialogs/cxSSDesigner.h"
#include "styles/cxSSCellStyle.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

constexpr QColor kFormColor(244, 244, 244);

}  // namespace

TFeatureChildForm::TFeatureChildForm(TzofMirelGlavna& owner)
    : owner_(owner), cxSpreadBook_(std::make_unique<TcxSpreadSheetBook>(TcxEnvironment::Default())) {
  TcxSpreadSheetBook& book = *cxSpreadBook_;
  book.DefaultStyle().Brush().SetBackgroundColor(kColorAuto);
  book.DefaultStyle().Brush().SetForegroundColor(kColorAuto);
  book.DefaultStyle().Font().SetName("Tahoma");
  book.SetHeaderFont({"MS Sans Serif", 8, 0, 1});  // height -11 pixels at 96 per inch
  book.SetPainterType(ptOfficeXPStyle);
  book.OnEditing = [this](TcxSSBookSheet&, int, int, bool&) { editing_ = true; };
  book.OnEndEdit = [this](TcxCustomSpreadSheetBook&) { editing_ = false; };
  book.OnSheetPopupMenu = [this](TcxCustomSpreadSheetBook&, int x, int y) {
    owner_.ShowSheetPopup(QPoint(x, y));
  };
  // The format cells command runs the style designer, centred over this window's workbook.
  book.SetFormatDialogClass([this] { return std::make_unique<TcxSSStyleDesigner>(bookControl_); });

  setAttribute(Qt::WA_DeleteOnClose);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kFormColor);
  setPalette(palette);
  bookControl_ = new TcxSpreadSheetBookControl(book, this);
  setWidget(bookControl_);
  resize(629, 422);
}

TFeatureChildForm::~TFeatureChildForm() {
  // The control talks to the workbook until it is gone; the workbook goes with the members.
  delete bookControl_;
}

void TFeatureChildForm::NotifySelection() {
  TcxSpreadSheetBook& book = *cxSpreadBook_;
  if (book.OnSetSelection && book.PageCount() > 0) book.OnSetSelection(book, book.ActiveSheet());
}

bool TFeatureChildForm::FormCloseQuery() {
  const QString question = QString::fromUtf8(kCloseQuestion).arg(windowTitle());
  if (!owner_.Prompts().Confirm(&owner_, question)) return true;
  bool saved = false;
  return owner_.Guarded([&] { saved = owner_.SaveWorkbookAs(*this); }) && saved;
}

void TFeatureChildForm::Discard() {
  discarding_ = true;
  close();
}

void TFeatureChildForm::closeEvent(QCloseEvent* event) {
  if (!discarding_ && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  QMdiArea* area = mdiArea();
  const auto windows = area ? area->subWindowList(QMdiArea::ActivationHistoryOrder)
                            : QList<QMdiSubWindow*>{};
  if (windows.size() < 2 && !discarding_) {
    event->ignore();
    showMinimized();
    return;
  }
  // The window that was active before this one takes over, as the desktop would do it.
  QMdiSubWindow* next = nullptr;
  for (QMdiSubWindow* window : windows)
    if (window != this) next = window;
  QMdiSubWindow::closeEvent(event);
  if (event->isAccepted() && next) area->setActiveSubWindow(next);
}
