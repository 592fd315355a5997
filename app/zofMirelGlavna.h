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
class QFileDialog;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QToolBar;
class TFeatureChildForm;
class TfrmAbout;
class TcxCustomSpreadSheetBook;
class TcxSpreadSheetBook;
class TcxSSBookSheet;

// The main window: a multi-document frame whose document area holds one TFeatureChildForm per
// open workbook, with the "Zof Mirel", "Prozori" and "Pomoć" menus, the tool bars, the cell
// bar and a status bar that shows the hint of the item under the mouse. Every command acts on
// the current document window, which stays current while the main window is inactive.
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
  // True when the window was saved; false when the dialog was cancelled.
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
  // the defined name covering exactly it).
  void cxSpreadBookSetSelection(TcxCustomSpreadSheetBook& sender, TcxSSBookSheet& sheet);
  // True while the window copies state from a workbook.
  bool UpdatingFromBook = false;
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
  QMenu* mnuProzori = nullptr;
  QMenu* mnuPomoc = nullptr;
  QMenu* pmSheetPopup = nullptr;
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
  QAction* miAssociation = nullptr;
  QAction* O1 = nullptr;
  QAction* miWebSite = nullptr;
  QAction* miWriteToMaker = nullptr;
  QAction* miAskQuestion = nullptr;
  QToolBar* tbStandard = nullptr;
  QToolBar* tbFormatting = nullptr;
  QToolBar* tbHistory = nullptr;
  QLabel* pnCellRect = nullptr;
  QLabel* pnCellText = nullptr;
  QLineEdit* edtCellEdit = nullptr;
  QLabel* sbPanel = nullptr;
  QFileDialog* OpenDialog = nullptr;
  QFileDialog* SaveDialog = nullptr;
  TfrmAbout* frmAbout = nullptr;

protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBars();
  QWidget* CreateCellBar();
  QFileDialog* CreateFileDialog(const char* title, bool save);
  void ShowHint(const QString& hint);
  void AlwaysEnabled();
  void RefreshWindowMenu();
  void FormShow();
  // The save dialog; the chosen name with its extension replaced by ".xls", or an empty
  // string when cancelled.
  QString RunSaveDialog();
  void SaveAndRename(TFeatureChildForm& window, const QString& fileName);

  std::unique_ptr<TShellPrompts> prompts_;
  std::unique_ptr<IWorkbookFiles> files_;
  std::unique_ptr<IFileAssociation> association_;
  TMakerInfo maker_;
  QString commandLineFile_;
  bool shown_ = false;
  QList<QAction*> windowListActions_;
};
