#include "app/zofMirelGlavna.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <tuple>

#include "app/BookCommands.h"
#include "app/BordersMenu.h"
#include "app/CellBar.h"
#include "app/FeatureChildForm.h"
#include "app/HistoryMenu.h"
#include "app/MainActions.h"
#include "app/PrintCommands.h"
#include "app/ShellFileNames.h"
#include "app/ShellIcons.h"
#include "app/ShellTexts.h"
#include "app/frmAbout.h"
#include "calc/cxSSTypes.h"
#include "menus/XPBarMenu.h"
#include "platform/FileAssociation.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

constexpr QColor kFrameColor(244, 244, 244);
// The pictures of tool buttons, in pixels.
constexpr int kToolBarPicture = 16;

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QAction* MakeAction(QObject* parent, const char* name, const char* caption, const char* hint) {
  auto* action = new QAction(Text(caption), parent);
  action->setObjectName(name);
  if (hint) {
    action->setStatusTip(Text(hint));
    action->setToolTip(Text(hint));
  }
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
  CellBar = new TCellBar(*this);
  pnCellRect = CellBar->pnCellRect;
  pnCellText = CellBar->pnCellText;
  edtCellEdit = CellBar->edtCellEdit;
  layout->addWidget(CellBar);
  layout->addWidget(MdiArea, 1);
  setCentralWidget(client);

  CreatePrintComponents(*this);
  CreateActions();
  CreateMenus();
  CreateToolBars();

  auto* sb = new QStatusBar;
  sb->setObjectName("sb");
  sbPanel = new QLabel;
  sbPanel->setObjectName("sbPanel");
  sbPanel->setMinimumWidth(50);
  sb->addWidget(sbPanel, 1);
  // The progress of a long load or save (TFileProgress); hidden otherwise.
  pbProgress = new QProgressBar;
  pbProgress->setObjectName("pbProgress");
  pbProgress->setFixedWidth(200);
  pbProgress->hide();
  sb->addPermanentWidget(pbProgress);
  setStatusBar(sb);

  OpenDialog = CreateFileDialog(kOpenDialogTitle, false);
  SaveDialog = CreateFileDialog(kSaveDialogTitle, true);
  CreateMenuLook();

  connect(MdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
    UpdateActions();
    if (auto* child = qobject_cast<TFeatureChildForm*>(window)) child->NotifySelection();
  });
  // The enabling rules are applied whenever the application is about to wait for input.
  if (auto* dispatcher = QAbstractEventDispatcher::instance())
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TzofMirelGlavna::UpdateActions);
  UpdateActions();
}

TzofMirelGlavna::~TzofMirelGlavna() = default;

void TzofMirelGlavna::CreateActions() {
  CreateMainActions(*this);

  miAssociation = MakeAction(this, "DirektnootvaranjeMSExceldatoteka1", kAssociationItem, nullptr);
  miAssociation->setIcon(ShellIcon("association"));
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
  O1->setIcon(ShellIcon("about", "help-about"));
  miWebSite->setIcon(ShellIcon("web-site", "internet-web-browser"));
  miWriteToMaker->setIcon(ShellIcon("write", "mail-message-new"));
  miAskQuestion->setIcon(ShellIcon("ask", "help-faq"));
  connect(O1, &QAction::triggered, this, &TzofMirelGlavna::ShowAbout);
  connect(miWebSite, &QAction::triggered, this, [this] { OpenShellTarget(maker_.WebSite); });
  connect(miWriteToMaker, &QAction::triggered, this, &TzofMirelGlavna::WriteToMaker);
  connect(miAskQuestion, &QAction::triggered, this, [this] { OpenShellTarget(maker_.SupportPage); });
}

void TzofMirelGlavna::CreateMenus() {
  // Fills a menu with actions; nullptr stands for a separator.
  const auto fill = [](QMenu* menu, std::initializer_list<QAction*> actions) {
    for (QAction* action : actions) {
      if (action)
        menu->addAction(action);
      else
        menu->addSeparator();
    }
  };
  const auto subMenu = [](QMenu* parent, const char* name, const char* title) {
    QMenu* menu = parent->addMenu(Text(title));
    menu->setObjectName(name);
    return menu;
  };
  const auto barMenu = [this](const char* name, const char* title) {
    QMenu* menu = menuBar()->addMenu(Text(title));
    menu->setObjectName(name);
    return menu;
  };

  mnuZofMirel = barMenu("mnuZofMirel", kMenuZofMirel);
  fill(mnuZofMirel, {actNew, nullptr, actOpenSpreadSheet, actSaveSpeadSheet, actSaveAs, nullptr,
                     actStampaPriprema, acStampaPregled});
  mnuErija = subMenu(mnuZofMirel, "Erija1", kMenuPrintArea);
  fill(mnuErija, {actKlijentErija, actErija});
  fill(mnuZofMirel, {actStampa, nullptr, actExit, nullptr, miAssociation});

  mnuIzmene = barMenu("mnuIzmene", kMenuEdit);
  fill(mnuIzmene, {actCut, actCopy, actPaste, nullptr});
  mnuCelije = subMenu(mnuIzmene, "mnuCelije", kMenuCells);
  fill(mnuCelije, {actFormatCells, actHideCells, actShowCells, actDeleteCells, actInsertCells});
  mnuKoline = subMenu(mnuIzmene, "mnuKoline", kMenuColumns);
  fill(mnuKoline, {actHideCol, actShowCol});
  mnuRedovi = subMenu(mnuIzmene, "mnuRedovi", kMenuRows);
  fill(mnuRedovi, {actHideRow, actShowRow});

  mnuUnos = barMenu("mnuUnos", kMenuInsert);
  fill(mnuUnos, {actCells, actRow, actColumn, actSheet});

  mnuKonfiguracija = barMenu("mnuKonfiguracija", kMenuConfiguration);
  fill(mnuKonfiguracija, {actBeveledLookandFeel, actBufferedpaint, actShowcaptions, actShowgrid,
                          actShowheaders, actShowformulas, actR1C1Referencestyle, nullptr,
                          actAutomaticCalc, actRecalcFormulas});

  mnuProzori = barMenu("mnuProzori", kMenuWindows);
  fill(mnuProzori, {actWindowCascade, actWindowTileHorizontal, actWindowTileVertical,
                    actWindowMinimizeAll, actWindowArrange, actWindowClose});
  connect(mnuProzori, &QMenu::aboutToShow, this, &TzofMirelGlavna::RefreshWindowMenu);

  mnuPomoc = barMenu("mnuPomoc", kMenuHelp);
  fill(mnuPomoc, {O1, miWebSite, miWriteToMaker, miAskQuestion});

  pmSheetPopup = new QMenu(this);
  pmSheetPopup->setObjectName("pmSheetPopup");
  fill(pmSheetPopup, {actCut, actCopy, actPaste, nullptr, actMergeCells, actSplitCells, nullptr,
                      actDeleteCells, actInsertCells, nullptr});
  pmSheetKolone = subMenu(pmSheetPopup, "pmSheetKolone", kPopupColumns);
  fill(pmSheetKolone, {actHideCol, actShowCol});
  pmSheetCelije = subMenu(pmSheetPopup, "pmSheetCelije", kPopupRows);
  fill(pmSheetCelije, {actHideRow, actShowRow});
  fill(pmSheetPopup, {actShowCells, actHideCells, actFormatCells});
}

void TzofMirelGlavna::CreateMenuLook() {
  // Made after the menus and tool bars, so it finds them all at once.
  XPBarMenu1 = new TXPBarMenu(this);
  XPBarMenu1->setObjectName("XPBarMenu1");
  QFont tahoma("Tahoma");
  tahoma.setStyleHint(QFont::SansSerif);
  tahoma.setPixelSize(14);
  XPBarMenu1->SetBarCaption(Text(kMenuBarCaption));
  XPBarMenu1->SetBarStyle(TBarStyle::bsNone);
  XPBarMenu1->SetBarFont(tahoma);
  XPBarMenu1->SetBarFontColor(RGBColor(255, 255, 255));
  XPBarMenu1->SetFont(tahoma);
  XPBarMenu1->SetFontColor(clMenuText);
  XPBarMenu1->SetCheckedColor(clHighlight);
  XPBarMenu1->SetIconWidth(24);
  XPBarMenu1->SetDrawSelect(true);
  XPBarMenu1->SetUseSystemColors(true);
  XPBarMenu1->SetFlatMenu(true);
  XPBarMenu1->SetAutoDetect(true);
  XPBarMenu1->SetOverrideOwnerDraw(false);
  XPBarMenu1->SetActive(true);
}

void TzofMirelGlavna::CreateToolBars() {
  auto makeBar = [this](const char* title) {
    auto* bar = new QToolBar(Text(title), this);
    bar->setObjectName(title);
    bar->setIconSize(QSize(kToolBarPicture, kToolBarPicture));
    return bar;
  };
  // The button a tool bar made for `action`, named after the tool button of the design.
  const auto button = [](QToolBar* bar, QAction* action, const char* name) {
    auto* made = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    made->setObjectName(name);
    return made;
  };

  tbStandard = makeBar(kToolBarStandard);
  for (QAction* action : {actNew, actOpenSpreadSheet, actSaveAs}) tbStandard->addAction(action);
  tbStandard->addSeparator();
  for (QAction* action : {actCut, actCopy, actPaste}) tbStandard->addAction(action);

  tbFormatting = makeBar(kToolBarFormatting);
  CreateFontBoxes();
  tbFormatting->addWidget(cbxFont);
  tbFormatting->addWidget(cbxSize);
  tbFormatting->addSeparator();
  for (QAction* action : {actCellLeftAlign, actCellCenterAlign, actCellRightAlign, actBold,
                          actItalic, actUnderline, actStrikeOut})
    tbFormatting->addAction(action);
  button(tbFormatting, actCellLeftAlign, "tbLeftAlign");
  button(tbFormatting, actCellCenterAlign, "tbCenterAlign");
  button(tbFormatting, actCellRightAlign, "tbRightAlign");
  button(tbFormatting, actBold, "tbBold");
  button(tbFormatting, actItalic, "tbItalic");
  button(tbFormatting, actUnderline, "tbUnderline");
  button(tbFormatting, actStrikeOut, "tbStrikeOut");
  tbFormatting->addSeparator();
  tbFormatting->addAction(actMergeCells);
  tbFormatting->addAction(actSplitCells);
  tbFormatting->addSeparator();

  // The summary button: a click writes the sum, its arrow drops the five summary commands down.
  pmSummary = new QMenu(this);
  pmSummary->setObjectName("pmSummary");
  for (QAction* action : {actSum, actAverage, actCount, actMax, actMin}) pmSummary->addAction(action);
  tbSummary = new QToolButton;
  tbSummary->setObjectName("tbSummary");
  tbSummary->setIcon(ShellIcon("sum"));
  tbSummary->setToolTip(Text(kSummaryHint));
  tbSummary->setStatusTip(Text(kSummaryHint));
  tbSummary->setAutoRaise(true);
  tbSummary->setMenu(pmSummary);
  tbSummary->setPopupMode(QToolButton::MenuButtonPopup);
  connect(tbSummary, &QToolButton::clicked, actSum, &QAction::trigger);
  tbFormatting->addWidget(tbSummary);
  tbFormatting->addAction(actSortAscending);
  tbFormatting->addAction(actSortDescending);
  tbFormatting->addSeparator();

  // The borders button: pressed while its menu of presets is down.
  pmBorders = new TBordersMenu(this);
  pmBorders->setObjectName("pmBorders");
  connect(pmBorders, &TBordersMenu::PresetChosen, this, [this](int index) {
    Guarded([&] {
      if (TcxSpreadSheetBook* book = ActiveBook()) ApplyBorderPreset(*book, index);
    });
  });
  tbBorderStyle = new QToolButton;
  tbBorderStyle->setObjectName("tbBorderStyle");
  tbBorderStyle->setIcon(ShellIcon("borders"));
  tbBorderStyle->setToolTip(Text(kBordersHint));
  tbBorderStyle->setStatusTip(Text(kBordersHint));
  tbBorderStyle->setAutoRaise(true);
  tbBorderStyle->setMenu(pmBorders);
  tbBorderStyle->setPopupMode(QToolButton::InstantPopup);
  tbFormatting->addWidget(tbBorderStyle);
  tbFormatting->addAction(actFormatCells);

  // The history buttons: a click undoes (redoes) one step, the arrow lists the steps.
  tbHistory = makeBar(kToolBarHistory);
  pmUndo = new THistoryMenu(Text(kUndoSummary), this);
  pmUndo->setObjectName("pmUndo");
  pmRedo = new THistoryMenu(Text(kRedoSummary), this);
  pmRedo->setObjectName("pmRedo");
  for (auto [menu, action, name, undo] :
       {std::tuple{pmUndo, actUndo, "tbUndo", true}, std::tuple{pmRedo, actRedo, "tbRedo", false}}) {
    tbHistory->addAction(action);
    QToolButton* made = button(tbHistory, action, name);
    made->setMenu(menu);
    made->setPopupMode(QToolButton::MenuButtonPopup);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, undo] {
      TcxSpreadSheetBook* book = ActiveBook();
      if (!book)
        menu->SetSteps({});
      else
        menu->SetSteps(undo ? book->History().UndoDescriptions() : book->History().RedoDescriptions());
    });
    connect(menu, &THistoryMenu::StepsChosen, this, [this, undo](int count) {
      Guarded([&] {
        if (TcxSpreadSheetBook* book = ActiveBook()) {
          if (undo)
            book->History().Undo(count);
          else
            book->History().Redo(count);
        }
      });
    });
  }

  // The formatting bar is the long one: it gets a row of its own below the other two.
  addToolBar(tbStandard);
  addToolBar(tbHistory);
  addToolBarBreak();
  addToolBar(tbFormatting);
}

// The font box lists the screen's fonts and shows "Tahoma"; the size box offers the usual sizes
// and shows "10". A font is applied when it is chosen from the list or confirmed with Enter; a
// size with every change of the size box (which takes only digits).
void TzofMirelGlavna::CreateFontBoxes() {
  cbxFont = new QFontComboBox;
  cbxFont->setObjectName("cbxFont");
  cbxFont->setFixedWidth(132);
  cbxFont->setInsertPolicy(QComboBox::NoInsert);
  cbxFont->setEditText(Text(kDefaultFontName));
  cbxFont->setToolTip(actFont->toolTip());
  cbxFont->setStatusTip(actFont->statusTip());
  connect(cbxFont, &QComboBox::textActivated, actFont, &QAction::trigger);
  cbxFont->lineEdit()->installEventFilter(this);

  cbxSize = new QComboBox;
  cbxSize->setObjectName("cbxSize");
  cbxSize->setEditable(true);
  cbxSize->setInsertPolicy(QComboBox::NoInsert);
  cbxSize->setFixedWidth(44);
  for (const char* size : kFontSizes) cbxSize->addItem(Text(size));
  cbxSize->setEditText("10");
  cbxSize->setToolTip(actFontSize->toolTip());
  cbxSize->setStatusTip(actFontSize->statusTip());
  connect(cbxSize, &QComboBox::textActivated, actFontSize, &QAction::trigger);
  connect(cbxSize->lineEdit(), &QLineEdit::textEdited, actFontSize, &QAction::trigger);
  cbxSize->lineEdit()->installEventFilter(this);
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
  window->Book().OnHistoryChanged = [this](TcxCustomSpreadSheetBook&) { ScheduleRefresh(); };
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
    SaveFile(*window, caption);
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
  return !fileName.isEmpty() && SaveAndRename(window, fileName);
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

bool TzofMirelGlavna::SaveAndRename(TFeatureChildForm& window, const QString& fileName) {
  if (!SaveFile(window, fileName)) return false;
  window.setWindowTitle(fileName);
  return true;
}

bool TzofMirelGlavna::SaveFile(TFeatureChildForm& window, const QString& fileName) {
  const std::string losses = files_->SaveLosses(window);
  if (!losses.empty() &&
      !prompts_->Confirm(this, Text(kSaveLossQuestion).arg(QString::fromStdString(losses))))
    return false;
  files_->Save(window, fileName.toStdString());
  return true;
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
  RefreshToolBars();
  const int page = sender.IndexOfSheet(sheet);
  CellBar->SetReference(
      QString::fromStdString(sender.CellReferenceText(page, sheet.Selection(), 1)));
}

void TzofMirelGlavna::RefreshToolBars() {
  TcxSpreadSheetBook* book = ActiveBook();
  if (!book || book->PageCount() == 0) return;
  TcxSSBookSheet& sheet = book->ActiveSheet();
  const TRect selection = sheet.Selection();
  const QSignalBlocker quietFont(cbxFont);
  const QSignalBlocker quietSize(cbxSize);
  {
    TcxSSCellObject cell(sheet.DataStorage(), selection.Left, selection.Top);
    switch (cell.HorzAlignIndex()) {
      case 1:
      case 5:  // centred across the selection
        actCellCenterAlign->setChecked(true);
        break;
      case 2:
        actCellRightAlign->setChecked(true);
        break;
      default:  // left, fill, justify, distributed
        actCellLeftAlign->setChecked(true);
        break;
    }
    const TcxSSFont& font = cell.Style().Font();
    const uint8_t styles = font.Style();
    actBold->setChecked(styles & kFontBold);
    actItalic->setChecked(styles & kFontItalic);
    actUnderline->setChecked(styles & kFontUnderline);
    actStrikeOut->setChecked(styles & kFontStrikeOut);
    edtCellEdit->setText(QString::fromStdString(cell.GetText()));
    edtCellEdit->setCursorPosition(0);
    cbxFont->setEditText(QString::fromStdString(font.Name()));
    cbxSize->setEditText(QString::number(font.Height() / 20.0));
  }
  actBeveledLookandFeel->setChecked(book->PainterType() == ptOfficeXPStyle);
  actBufferedpaint->setChecked(book->BufferedPaint());
  actShowcaptions->setChecked(book->ShowCaptionBar());
  actShowgrid->setChecked(book->ShowGrid());
  actShowheaders->setChecked(book->ShowHeaders());
  actShowformulas->setChecked(book->ShowFormulas());
  actR1C1Referencestyle->setChecked(book->R1C1ReferenceStyle());
  actAutomaticCalc->setChecked(book->AutoRecalc());
}

void TzofMirelGlavna::ScheduleRefresh() {
  // Reading the active cell opens and closes an empty history step, which is no change to
  // follow.
  if (UpdatingFromBook || refreshScheduled_) return;
  refreshScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshScheduled_ = false;
    UpdateActions();
    // Not while the user types into the cell text box: the box is the source then.
    if (edtCellEdit->hasFocus()) return;
    if (TFeatureChildForm* child = ActiveChild()) child->NotifySelection();
  });
}

void TzofMirelGlavna::TileWindows(Qt::Orientation stacking) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : MdiArea->subWindowList(QMdiArea::CreationOrder))
    if (!window->isMinimized() && !window->isHidden()) windows << window;
  if (windows.isEmpty()) return;
  const QRect area = MdiArea->viewport()->rect();
  const int count = static_cast<int>(windows.size());
  for (int k = 0; k < count; ++k) {
    QMdiSubWindow* window = windows[k];
    if (window->isMaximized()) window->showNormal();
    if (stacking == Qt::Vertical) {
      const int top = area.height() * k / count;
      window->setGeometry(0, top, area.width(), area.height() * (k + 1) / count - top);
    } else {
      const int left = area.width() * k / count;
      window->setGeometry(left, 0, area.width() * (k + 1) / count - left, area.height());
    }
  }
}

void TzofMirelGlavna::ArrangeMinimizedWindows() {
  const QRect area = MdiArea->viewport()->rect();
  int x = 0;
  int bottom = area.bottom() + 1;
  for (QMdiSubWindow* window : MdiArea->subWindowList(QMdiArea::CreationOrder)) {
    if (!window->isMinimized()) continue;
    const QSize size = window->size();
    if (x > 0 && x + size.width() > area.width()) {
      x = 0;
      bottom -= size.height();
    }
    window->move(x, bottom - size.height());
    x += size.width();
  }
}

void TzofMirelGlavna::ShowSheetPopup(const QPoint& screenPoint) {
  if (!pmSheetPopup->isEmpty()) pmSheetPopup->popup(screenPoint);
}

void TzofMirelGlavna::ShowHint(const QString& hint) { sbPanel->setText(" " + hint); }

void TzofMirelGlavna::UpdateActions() { UpdateMainActions(*this); }

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

// Enter in the font boxes gives the focus back to the workbook (a font name confirmed with it is
// applied first); the size box takes nothing but digits.
bool TzofMirelGlavna::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  const bool fontBox = watched == cbxFont->lineEdit();
  const bool sizeBox = watched == cbxSize->lineEdit();
  if (!fontBox && !sizeBox) return QMainWindow::eventFilter(watched, event);
  if (enter) {
    if (fontBox) actFont->trigger();
    if (TFeatureChildForm* child = ActiveChild()) child->BookControl().setFocus(Qt::OtherFocusReason);
    return true;
  }
  if (sizeBox) {
    // Keys that type a character: only digits pass (Backspace is one of the others).
    const QString text = key->text();
    if (!text.isEmpty() && !(key->modifiers() & Qt::ControlModifier) &&
        !(text.size() == 1 && text[0] >= '0' && text[0] <= '9'))
      return true;
  }
  return QMainWindow::eventFilter(watched, event);
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
