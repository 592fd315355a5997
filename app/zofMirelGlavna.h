#pragma once

#include <QMainWindow>
#include <QUrl>
#include <exception>
#include <functional>
#include <memory>

#include "app/MakerInfo.h"
#include "app/ShellPrompts.h"
#include "app/WorkbookFiles.h"

class IFileAssociation;
class QComboBox;
class QFileDialog;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QProgressBar;
class QToolBar;
class QToolButton;
class TBordersMenu;
class TCellBar;
class TFeatureChildForm;
class THistoryMenu;
class TfrmAbout;
class TcxCustomSpreadSheetBook;
class TcxSpreadSheetBook;
class TcxSSBookSheet;
class TdxComponentPrinter;
class TdxSpreadSheetBookReportLink;
class TXPBarMenu;

// The main window: a multi-document frame whose document area holds one TFeatureChildForm per
// open workbook, with the menus, the "Standard", "Formatting" and "History" tool bars, the cell
// bar and a status bar that shows the hint of the item under the mouse. Every command acts on
// the current document window, which stays current while the main window is inactive.
//
// The commands are the actions of one table (MainActions.cpp); the menus, the tool bars and the
// sheet pop-up menu only place them. Their enabling is worked out whenever the application is
// idle, and the formatting buttons, the font boxes and the check marks follow the active cell
// (RefreshToolBars).
class TzofMirelGlavna : public QMainWindow {
  Q_OBJECT

public:
  explicit TzofMirelGlavna(QWidget* parent = nullptr);
  ~TzofMirelGlavna() override;

  // The document window the commands act on; null only before the first one is made.
  TFeatureChildForm* ActiveChild() const;
  // The workbook of the current document window, where every workbook command starts.
  TcxSpreadSheetBook* ActiveBook() const;
  // In the order they were made.
  QList<TFeatureChildForm*> DocumentWindows() const;

  // Makes a document window, maximised and current; without a caption it is
  // "Radna knjiga - " followed by the number of document windows now open.
  TFeatureChildForm& NewWorkbookWindow(const QString& caption = {});
  // The open dialog, then OpenWorkbookFile with the chosen file.
  void OpenWorkbook();
  // Loads a file into a new document window captioned with its path. On failure that window
  // is closed without the close question (it holds nothing to save, and saving would put an
  // empty workbook over the file) and ESpreadSheetError "Neispravni ili nečitljivi podaci u
  // datoteci <file>" is raised.
  void OpenWorkbookFile(const QString& fileName);
  // "Sač&uvaj": saves silently to the caption when it is a file path, else asks for a name.
  void SaveWorkbook();
  // "&Sačuvaj kao...": the save dialog prefilled with the caption.
  void SaveWorkbookAs();
  // True when the window was saved; false when the dialog was cancelled or the user declined a
  // save that would cut something.
  bool SaveWorkbookAs(TFeatureChildForm& window);
  // Makes the desktop open *.<extension> with `programPath`.
  void RegisterFileAssociation(const QString& extension, const QString& programPath);
  // Hands a web or mail address to the desktop.
  void OpenShellTarget(const QString& text);
  void WriteToMaker();
  void ShowAbout();
  // Makes the about box (hidden); start-up does it right after the main window.
  void CreateAboutBox();

  // The OnSetSelection handler of every workbook: the reference panel shows the selection (or
  // the defined name covering exactly it), and the tool bars and the cell text box follow the
  // active cell.
  void cxSpreadBookSetSelection(TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet);
  // The formatting buttons, the font boxes, the cell text box and the check marks of the
  // configuration commands from the active cell of the active workbook.
  void RefreshToolBars();
  // The enabling rules of the actions, as the idle handler applies them.
  void UpdateActions();
  // True while the window copies state from a workbook.
  bool UpdatingFromBook = false;
  // The document windows that are not minimised, one above another (Qt::Vertical) or side by
  // side (Qt::Horizontal), filling the document area.
  void TileWindows(Qt::Orientation stacking);
  // The minimised document windows in rows along the bottom of the document area.
  void ArrangeMinimizedWindows();
  // The workbook's request for the sheet pop-up menu at a screen point.
  void ShowSheetPopup(const QPoint& screenPoint);

  // The application's error handler: runs `command` and shows what it raises in an error box.
  // True when nothing was raised.
  bool Guarded(const std::function<void()>& command);
  void ShowException(const std::exception& error);

  TShellPrompts& Prompts() const { return *prompts_; }
  void SetPrompts(std::unique_ptr<TShellPrompts> prompts);
  void SetWorkbookFiles(std::unique_ptr<IWorkbookFiles> files);
  void SetFileAssociation(std::unique_ptr<IFileAssociation> association);
  const TMakerInfo& Maker() const { return maker_; }
  void SetMaker(const TMakerInfo& maker);
  // The file named on the command line, opened when the window is first shown.
  void SetCommandLineFile(const QString& fileName) { commandLineFile_ = fileName; }
  // How addresses reach the desktop; QDesktopServices::openUrl unless replaced.
  std::function<bool(const QUrl&)> OpenUrl;

  // The components, under the names the form was designed with.
  QMdiArea* MdiArea = nullptr;
  QMenu* mnuZofMirel = nullptr;
  QMenu* mnuErija = nullptr;
  QMenu* mnuIzmene = nullptr;
  QMenu* mnuCelije = nullptr;
  QMenu* mnuKoline = nullptr;
  QMenu* mnuRedovi = nullptr;
  QMenu* mnuUnos = nullptr;
  QMenu* mnuKonfiguracija = nullptr;
  QMenu* mnuProzori = nullptr;
  QMenu* mnuPomoc = nullptr;
  QMenu* pmSheetPopup = nullptr;
  QMenu* pmSheetKolone = nullptr;
  QMenu* pmSheetCelije = nullptr;
  QMenu* pmSummary = nullptr;
  TBordersMenu* pmBorders = nullptr;
  THistoryMenu* pmUndo = nullptr;
  THistoryMenu* pmRedo = nullptr;

  // The action list alMain (MainActions.cpp), by category.
  QAction* actNew = nullptr;
  QAction* actOpenSpreadSheet = nullptr;
  QAction* actSaveSpeadSheet = nullptr;
  QAction* actSaveAs = nullptr;
  QAction* actExit = nullptr;
  QAction* actStampaPriprema = nullptr;
  QAction* acStampaPregled = nullptr;
  QAction* actKlijentErija = nullptr;
  QAction* actErija = nullptr;
  QAction* actStampa = nullptr;
  QAction* actCut = nullptr;
  QAction* actCopy = nullptr;
  QAction* actPaste = nullptr;
  QAction* actFormatCells = nullptr;
  QAction* actHideCells = nullptr;
  QAction* actShowCells = nullptr;
  QAction* actDeleteCells = nullptr;
  QAction* actInsertCells = nullptr;
  QAction* actHideCol = nullptr;
  QAction* actShowCol = nullptr;
  QAction* actHideRow = nullptr;
  QAction* actShowRow = nullptr;
  QAction* actCells = nullptr;
  QAction* actRow = nullptr;
  QAction* actColumn = nullptr;
  QAction* actSheet = nullptr;
  QAction* actBeveledLookandFeel = nullptr;
  QAction* actBufferedpaint = nullptr;
  QAction* actShowcaptions = nullptr;
  QAction* actShowgrid = nullptr;
  QAction* actShowheaders = nullptr;
  QAction* actShowformulas = nullptr;
  QAction* actR1C1Referencestyle = nullptr;
  QAction* actAutomaticCalc = nullptr;
  QAction* actRecalcFormulas = nullptr;
  QAction* actCellLeftAlign = nullptr;
  QAction* actCellCenterAlign = nullptr;
  QAction* actCellRightAlign = nullptr;
  QAction* actBold = nullptr;
  QAction* actItalic = nullptr;
  QAction* actUnderline = nullptr;
  QAction* actStrikeOut = nullptr;
  QAction* actMergeCells = nullptr;
  QAction* actSplitCells = nullptr;
  QAction* actSortAscending = nullptr;
  QAction* actSortDescending = nullptr;
  QAction* actSum = nullptr;
  QAction* actAverage = nullptr;
  QAction* actCount = nullptr;
  QAction* actMax = nullptr;
  QAction* actMin = nullptr;
  QAction* actFont = nullptr;
  QAction* actFontSize = nullptr;
  QAction* actUndo = nullptr;
  QAction* actRedo = nullptr;
  QAction* actWindowCascade = nullptr;
  QAction* actWindowTileHorizontal = nullptr;
  QAction* actWindowTileVertical = nullptr;
  QAction* actWindowMinimizeAll = nullptr;
  QAction* actWindowArrange = nullptr;
  QAction* actWindowClose = nullptr;
  QAction* actNextSheet = nullptr;
  QAction* actPreviousSheet = nullptr;
  QAction* actSelectAll = nullptr;

  QAction* miAssociation = nullptr;
  QAction* O1 = nullptr;
  QAction* miWebSite = nullptr;
  QAction* miWriteToMaker = nullptr;
  QAction* miAskQuestion = nullptr;
  QToolBar* tbStandard = nullptr;
  QToolBar* tbFormatting = nullptr;
  QToolBar* tbHistory = nullptr;
  QFontComboBox* cbxFont = nullptr;
  QComboBox* cbxSize = nullptr;
  QToolButton* tbSummary = nullptr;
  QToolButton* tbBorderStyle = nullptr;
  TCellBar* CellBar = nullptr;
  QLabel* pnCellRect = nullptr;
  QLabel* pnCellText = nullptr;
  QLineEdit* edtCellEdit = nullptr;
  QLabel* sbPanel = nullptr;
  QProgressBar* pbProgress = nullptr;
  QFileDialog* OpenDialog = nullptr;
  QFileDialog* SaveDialog = nullptr;
  TfrmAbout* frmAbout = nullptr;
  // The printer component (a child of the window) and its one link (PrintCommands.h).
  TdxComponentPrinter* dxComponentPrinter = nullptr;
  TdxSpreadSheetBookReportLink* dxComponentPrinterLink1 = nullptr;
  // The XP look of the menu bar and of the window's pop-up menus; SetActive(false) gives the
  // platform's menus back.
  TXPBarMenu* XPBarMenu1 = nullptr;

protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  void CreateFontBoxes();
  void CreateMenuLook();
  QFileDialog* CreateFileDialog(const char* title, bool save);
  void ShowHint(const QString& hint);
  void RefreshWindowMenu();
  // The tool bars and the cell bar follow the workbook after a change of its history (an undo,
  // a paste) once the change is complete.
  void ScheduleRefresh();
  void FormShow();
  // The save dialog; the chosen name with its extension replaced by ".xls", or an empty
  // string when cancelled.
  QString RunSaveDialog();
  // Saves and captions the window with the name; false when the user declined to save.
  bool SaveAndRename(TFeatureChildForm& window, const QString& fileName);
  // Saves, after asking when the file cannot hold everything; false when the user declined.
  bool SaveFile(TFeatureChildForm& window, const QString& fileName);

  std::unique_ptr<TShellPrompts> prompts_;
  std::unique_ptr<IWorkbookFiles> files_;
  std::unique_ptr<IFileAssociation> association_;
  TMakerInfo maker_;
  QString commandLineFile_;
  bool shown_ = false;
  bool refreshScheduled_ = false;
  QList<QAction*> windowListActions_;
};
