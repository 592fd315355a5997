#include "app/zofMirelGlavna.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/FeatureChildForm.h"
#include "app/ShellFileNames.h"
#include "app/ShellTexts.h"
#include "app/frmAbout.h"
#include "calc/cxSSTypes.h"
#include "platform/FileAssociation.h"
#include "sheet/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"

namespace {

constexpr QColor kFrameColor(244, 244, 244);

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QAction* MakeAction(QObject* parent, const char* name, const char* caption, const char* hint,
                    const QKeySequence& shortcut = {}) {
  auto* action = new QAction(Text(caption), parent);
  action->setObjectName(name);
  if (hint) {
    action->setStatusTip(Text(hint));
    action->setToolTip(Text(hint));
  }
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

}  // namespace

TzofMirelGlavna::TzofMirelGlavna(QWidget* parent)
    : QMainWindow(parent),
      prompts_(std::make_unique<TShellPrompts>()),
      files_(std::make_unique<TBookFiles>()) {
  setObjectName("zofMirelGlavna");
  setWindowTitle(Text(kMainCaption));
  QFont designFont("MS Sans Serif");
  designFont.setStyleHint(QFont::SansSerif);
  designFont.setPixelSize(14);
  setFont(designFont);
  resize(857, 458);
  OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  MdiArea = new QMdiArea;
  MdiArea->setObjectName("MdiArea");
  MdiArea->setBackground(kFrameColor);
  MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  auto* client = new QWidget;
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(CreateCellBar());
  layout->addWidget(MdiArea, 1);
  setCentralWidget(client);

  CreateActions();
  CreateMenus();
  CreateToolBars();

  auto* sb = new QStatusBar;
  sb->setObjectName("sb");
  sbPanel = new QLabel;
  sbPanel->setObjectName("sbPanel");
  sbPanel->setMinimumWidth(50);
  sb->addWidget(sbPanel, 1);
  setStatusBar(sb);

  OpenDialog = CreateFileDialog(kOpenDialogTitle, false);
  SaveDialog = CreateFileDialog(kSaveDialogTitle, true);

  pmSheetPopup = new QMenu(this);
  pmSheetPopup->setObjectName("pmSheetPopup");

  connect(MdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    AlwaysEnabled();
    if (auto* child = qobject_cast<TFeatureChildForm*>(window)) child->NotifySelection();
  });
}

TzofMirelGlavna::~TzofMirelGlavna() = default;

void TzofMirelGlavna::CreateActions() {
  actNew = MakeAction(this, "actNew", kNewCaption, kNewHint);
  actOpenSpreadSheet = MakeAction(this, "actOpenSpreadSheet", kOpenCaption, kOpenHint,
                                  QKeySequence(Qt::CTRL | Qt::Key_O));
  // Ctrl+S belongs to "save as", not to the plain save.
  actSaveSpeadSheet = MakeAction(this, "actSaveSpeadSheet", kSaveAsCaption, kSaveAsHint,
                                 QKeySequence(Qt::CTRL | Qt::Key_S));
  actSaveAs = MakeAction(this, "actSaveAs", kSaveCaption, nullptr);
  actExit = MakeAction(this, "actExit", kExitCaption, kExitHint, QKeySequence(Qt::ALT | Qt::Key_X));

  actNew->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
  actOpenSpreadSheet->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  actSaveAs->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));

  connect(actNew, &QAction::triggered, this, [this] { Guarded([this] { NewWorkbookWindow(); }); });
  connect(actOpenSpreadSheet, &QAction::triggered, this,
          [this] { Guarded([this] { OpenWorkbook(); }); });
  connect(actSaveSpeadSheet, &QAction::triggered, this,
          [this] { Guarded([this] { SaveWorkbookAs(); }); });
  connect(actSaveAs, &QAction::triggered, this, [this] { Guarded([this] { SaveWorkbook(); }); });
  connect(actExit, &QAction::triggered, this, &QWidget::close);

  // Printing comes with the report link; until then its commands are shown disabled.
  actStampaPriprema = MakeAction(this, "actStampaPriprema", kPageSetupCaption, kPageSetupHint);
  acStampaPregled = MakeAction(this, "acStampaPregled", kPreviewCaption, kPreviewHint);
  actKlijentErija = MakeAction(this, "actKlijentErija", kClearPrintAreaCaption, nullptr);
  actErija = MakeAction(this, "actErija", kPrintAreaCaption, kPrintAreaHint);
  actStampa = MakeAction(this, "actStampa", kPrintCaption, kPrintHint);
  for (QAction* action : {actStampaPriprema, acStampaPregled, actKlijentErija, actErija, actStampa})
    action->setEnabled(false);

  miAssociation = MakeAction(this, "DirektnootvaranjeMSExceldatoteka1", kAssociationItem, nullptr);
  connect(miAssociation, &QAction::triggered, this, [this] {
    Guarded([this] {
      RegisterFileAssociation(Text(kAssociationExtension), QCoreApplication::applicationFilePath());
    });
  });

  O1 = MakeAction(this, "O1", kAboutCaption, nullptr);
  miWebSite = new QAction(maker_.WebSiteName, this);
  miWebSite->setObjectName("miWebSite");
  miWebSite->setStatusTip(Text(kWebSiteHint));
  miWriteToMaker = MakeAction(this, "miWriteToMaker", kWriteCaption, kWriteHint);
  miAskQuestion = MakeAction(this, "miAskQuestion", kAskCaption, kAskHint);
  connect(O1, &QAction::triggered, this, &TzofMirelGlavna::ShowAbout);
  connect(miWebSite, &QAction::triggered, this, [this] { OpenShellTarget(maker_.WebSite); });
  connect(miWriteToMaker, &QAction::triggered, this, &TzofMirelGlavna::WriteToMaker);
  connect(miAskQuestion, &QAction::triggered, this, [this] { OpenShellTarget(maker_.SupportPage); });
}

void TzofMirelGlavna::CreateMenus() {
  mnuZofMirel = menuBar()->addMenu(Text(kMenuZofMirel));
  mnuZofMirel->setObjectName("mnuZofMirel");
  mnuZofMirel->addAction(actNew);
  mnuZofMirel->addSeparator();
  mnuZofMirel->addAction(actOpenSpreadSheet);
  mnuZofMirel->addAction(actSaveSpeadSheet);
  mnuZofMirel->addAction(actSaveAs);
  mnuZofMirel->addSeparator();
  mnuZofMirel->addAction(actStampaPriprema);
  mnuZofMirel->addAction(acStampaPregled);
  mnuErija = mnuZofMirel->addMenu(Text(kMenuPrintArea));
  mnuErija->setObjectName("Erija1");
  mnuErija->addAction(actKlijentErija);
  mnuErija->addAction(actErija);
  mnuZofMirel->addAction(actStampa);
  mnuZofMirel->addSeparator();
  mnuZofMirel->addAction(actExit);
  mnuZofMirel->addSeparator();
  mnuZofMirel->addAction(miAssociation);

  mnuProzori = menuBar()->addMenu(Text(kMenuWindows));
  mnuProzori->setObjectName("mnuProzori");
  connect(mnuProzori, &QMenu::aboutToShow, this, &TzofMirelGlavna::RefreshWindowMenu);

  mnuPomoc = menuBar()->addMenu(Text(kMenuHelp));
  mnuPomoc->setObjectName("mnuPomoc");
  mnuPomoc->addAction(O1);
  mnuPomoc->addAction(miWebSite);
  mnuPomoc->addAction(miWriteToMaker);
  mnuPomoc->addAction(miAskQuestion);
}

void TzofMirelGlavna::CreateToolBars() {
  auto makeBar = [this](const char* title) {
    auto* bar = addToolBar(Text(title));
    bar->setObjectName(title);
    return bar;
  };
  tbStandard = makeBar(kToolBarStandard);
  tbStandard->addAction(actNew);
  tbStandard->addAction(actOpenSpreadSheet);
  tbStandard->addAction(actSaveAs);
  tbStandard->addSeparator();
  tbFormatting = makeBar(kToolBarFormatting);
  tbHistory = makeBar(kToolBarHistory);
}

QWidget* TzofMirelGlavna::CreateCellBar() {
  auto* bar = new QWidget;
  bar->setObjectName("pnCellBar");
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);

  pnCellRect = new QLabel("A1");
  pnCellRect->setObjectName("pnCellRect");
  pnCellRect->setFixedWidth(81);
  pnCellRect->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnCellRect->setAlignment(Qt::AlignCenter);
  pnCellRect->setAutoFillBackground(true);
  QPalette palette = pnCellRect->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
  palette.setColor(QPalette::WindowText, palette.color(QPalette::HighlightedText));
  pnCellRect->setPalette(palette);

  pnCellText = new QLabel(Text(kCellTextCaption));
  pnCellText->setObjectName("pnCellText");
  pnCellText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  edtCellEdit = new QLineEdit;
  edtCellEdit->setObjectName("edtCellEdit");
  edtCellEdit->setFocusPolicy(Qt::ClickFocus);

  layout->addWidget(pnCellRect);
  layout->addWidget(pnCellText);
  layout->addWidget(edtCellEdit, 1);
  return bar;
}

QFileDialog* TzofMirelGlavna::CreateFileDialog(const char* title, bool save) {
  auto* dialog = new QFileDialog(this, Text(title));
  dialog->setObjectName(save ? "SaveDialog" : "OpenDialog");
  dialog->setNameFilter(Text(kExcelFilter));
  // One dialog on every desktop: the overwrite question and the titles look the same
  // everywhere, and tests can answer it.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save) dialog->setDefaultSuffix("xls");
  dialog->setSizeGripEnabled(true);
  return dialog;
}

TFeatureChildForm* TzofMirelGlavna::ActiveChild() const {
  return qobject_cast<TFeatureChildForm*>(MdiArea->currentSubWindow());
}

TcxSpreadSheetBook* TzofMirelGlavna::ActiveBook() const {
  TFeatureChildForm* window = ActiveChild();
  return window ? &window->Book() : nullptr;
}

QList<TFeatureChildForm*> TzofMirelGlavna::DocumentWindows() const {
  QList<TFeatureChildForm*> windows;
  for (QMdiSubWindow* window : MdiArea->subWindowList(QMdiArea::CreationOrder))
    if (auto* child = qobject_cast<TFeatureChildForm*>(window)) windows << child;
  return windows;
}

TFeatureChildForm& TzofMirelGlavna::NewWorkbookWindow(const QString& caption) {
  auto* window = new TFeatureChildForm(*this);
  window->Book().OnSetSelection = [this](TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet) {
    cxSpreadBookSetSelection(sender, sheet);
  };
  MdiArea->addSubWindow(window);
  window->setWindowTitle(caption.isEmpty()
                             ? Text(kNewWorkbookCaption) + QString::number(DocumentWindows().size())
                             : caption);
  window->showMaximized();
  MdiArea->setActiveSubWindow(window);
  return *window;
}

void TzofMirelGlavna::OpenWorkbook() {
  if (OpenDialog->exec() != QDialog::Accepted) return;
  const QStringList files = OpenDialog->selectedFiles();
  if (!files.isEmpty()) OpenWorkbookFile(files.first());
}

void TzofMirelGlavna::OpenWorkbookFile(const QString& fileName) {
  TFeatureChildForm& window = NewWorkbookWindow(fileName);
  TcxLoadReport report;
  try {
    report = files_->Load(window, fileName.toStdString());
    // Loading announces no selection; the reference panel shows the one the file stored.
    window.NotifySelection();
  } catch (...) {
    window.Discard();
    std::string message = kLoadError;
    message.replace(message.find("%s"), 2, fileName.toStdString());
    throw ESpreadSheetError(message);
  }
  const QString unknownFunctions = UnknownFunctionsMessage(fileName, report);
  if (!unknownFunctions.isEmpty()) prompts_->ShowMessage(this, unknownFunctions);
}

void TzofMirelGlavna::SaveWorkbook() {
  TFeatureChildForm* window = ActiveChild();
  if (!window) return;
  const QString caption = window->windowTitle();
  if (CaptionIsFilePath(caption)) {
    files_->Save(*window, caption.toStdString());
    return;
  }
  const QString fileName = RunSaveDialog();
  if (!fileName.isEmpty()) SaveAndRename(*window, fileName);
}

void TzofMirelGlavna::SaveWorkbookAs() {
  if (TFeatureChildForm* window = ActiveChild()) SaveWorkbookAs(*window);
}

bool TzofMirelGlavna::SaveWorkbookAs(TFeatureChildForm& window) {
  SaveDialog->selectFile(window.windowTitle());
  const QString fileName = RunSaveDialog();
  if (fileName.isEmpty()) return false;
  SaveAndRename(window, fileName);
  return true;
}

QString TzofMirelGlavna::RunSaveDialog() {
  if (SaveDialog->exec() != QDialog::Accepted) return {};
  const QStringList files = SaveDialog->selectedFiles();
  if (files.isEmpty()) return {};
  const QString chosen = files.first();
  const QString fileName = ReplaceExtension(chosen, Text(kExcelExtension));
  // The dialog asked about the name as typed; a different file that the new extension
  // would overwrite is asked about here.
  if (fileName != chosen && QFileInfo::exists(fileName) &&
      !prompts_->Confirm(this, Text(kOverwriteQuestion).arg(fileName)))
    return {};
  return fileName;
}

void TzofMirelGlavna::SaveAndRename(TFeatureChildForm& window, const QString& fileName) {
  files_->Save(window, fileName.toStdString());
  window.setWindowTitle(fileName);
}

void TzofMirelGlavna::RegisterFileAssociation(const QString& extension,
                                              const QString& programPath) {
  if (!association_)
    association_ = std::make_unique<TFreedesktopAssociation>(TFreedesktopAssociation::FromEnvironment());
  association_->Register(extension.toStdString(), programPath.toStdString());
}

void TzofMirelGlavna::OpenShellTarget(const QString& text) {
  OpenUrl(QUrl(text, QUrl::TolerantMode));
}

void TzofMirelGlavna::WriteToMaker() {
  const QString address = maker_.Mail.trimmed();
  if (!address.isEmpty() && address.contains('@'))
    OpenUrl(QUrl("mailto:" + address, QUrl::TolerantMode));
  else
    prompts_->ShowMessage(this, Text(kWrongMail));
}

void TzofMirelGlavna::CreateAboutBox() {
  if (!frmAbout) frmAbout = new TfrmAbout(maker_, this);
}

void TzofMirelGlavna::ShowAbout() {
  CreateAboutBox();
  frmAbout->exec();
}

bool TzofMirelGlavna::Guarded(const std::function<void()>& command) {
  try {
    command();
    return true;
  } catch (const std::exception& error) {
    ShowException(error);
  }
  return false;
}

void TzofMirelGlavna::ShowException(const std::exception& error) {
  prompts_->ShowError(this, QString::fromUtf8(error.what()));
}

void TzofMirelGlavna::SetPrompts(std::unique_ptr<TShellPrompts> prompts) {
  if (prompts) prompts_ = std::move(prompts);
}

void TzofMirelGlavna::SetWorkbookFiles(std::unique_ptr<IWorkbookFiles> files) {
  if (files) files_ = std::move(files);
}

void TzofMirelGlavna::SetFileAssociation(std::unique_ptr<IFileAssociation> association) {
  association_ = std::move(association);
}

void TzofMirelGlavna::SetMaker(const TMakerInfo& maker) {
  maker_ = maker;
  miWebSite->setText(maker_.WebSiteName);
  if (frmAbout) frmAbout->SetMaker(maker_);
}

void TzofMirelGlavna::cxSpreadBookSetSelection(TcxCustomSpreadSheetBook& sender,
                                               TcxSSBookSheet& sheet) {
  UpdatingFromBook = true;
  TScopeGuard done([this] { UpdatingFromBook = false; });
  const int page = sender.IndexOfSheet(sheet);
  pnCellRect->setText(
      QString::fromStdString(sender.CellReferenceText(page, sheet.Selection(), 1)));
}

void TzofMirelGlavna::ShowSheetPopup(const QPoint& screenPoint) {
  if (!pmSheetPopup->isEmpty()) pmSheetPopup->popup(screenPoint);
}

void TzofMirelGlavna::ShowHint(const QString& hint) { sbPanel->setText(" " + hint); }

void TzofMirelGlavna::AlwaysEnabled() {
  for (QAction* action : {actNew, actOpenSpreadSheet, actSaveSpeadSheet, actExit})
    action->setEnabled(true);
}

void TzofMirelGlavna::RefreshWindowMenu() {
  for (QAction* action : windowListActions_) {
    mnuProzori->removeAction(action);
    action->deleteLater();
  }
  windowListActions_.clear();
  const QList<TFeatureChildForm*> windows = DocumentWindows();
  if (windows.isEmpty()) return;
  if (!mnuProzori->actions().isEmpty()) windowListActions_ << mnuProzori->addSeparator();
  const TFeatureChildForm* current = ActiveChild();
  int number = 0;
  for (TFeatureChildForm* window : windows) {
    ++number;
    QString title = window->windowTitle();
    title.replace('&', "&&");
    auto* action = mnuProzori->addAction(number < 10 ? QString("&%1 %2").arg(number).arg(title)
                                                     : QString("%1 %2").arg(number).arg(title));
    action->setCheckable(true);
    action->setChecked(window == current);
    connect(action, &QAction::triggered, this, [this, window] {
      if (DocumentWindows().contains(window)) MdiArea->setActiveSubWindow(window);
    });
    windowListActions_ << action;
  }
}

bool TzofMirelGlavna::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

void TzofMirelGlavna::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the window is on the screen, so that a load error is shown over it.
  QMetaObject::invokeMethod(this, &TzofMirelGlavna::FormShow, Qt::QueuedConnection);
}

void TzofMirelGlavna::FormShow() {
  if (commandLineFile_.isEmpty()) return;
  Guarded([this] { OpenWorkbookFile(commandLineFile_); });
}

void TzofMirelGlavna::closeEvent(QCloseEvent* event) {
  // The exit stops at the first window the user kept open (the save was cancelled or failed),
  // and shows it.
  for (TFeatureChildForm* window : DocumentWindows()) {
    if (!window->FormCloseQuery()) {
      MdiArea->setActiveSubWindow(window);
      event->ignore();
      return;
    }
  }
  QMainWindow::closeEvent(event);
}
