#include "app/MainActions.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "app/BookCommands.h"
#include "app/FeatureChildForm.h"
#include "app/FeatureModifyForm.h"
#include "app/PrintCommands.h"
#include "app/ShellIcons.h"
#include "app/zofMirelGlavna.h"
#include "calc/cxSSDataStorage.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleTypes.h"

namespace {

using W = TzofMirelGlavna;

// --- How the commands reach the workbook ----------------------------------------------------------

template <typename F>
void OnBook(W& window, F&& command) {
  if (TcxSpreadSheetBook* book = window.ActiveBook()) command(*book);
}

// `command`(sheet, selection) on the active sheet of the active workbook.
template <typename F>
void OnSelection(W& window, F&& command) {
  OnBook(window, [&](TcxSpreadSheetBook& book) {
    TcxSSBookSheet& sheet = book.ActiveSheet();
    const TRect selection = sheet.Selection();
    command(sheet, selection);
  });
}

// --- File ----------------------------------------------------------------------------------------

void NewWindow(W& window, QAction&) { window.NewWorkbookWindow(); }
void Open(W& window, QAction&) { window.OpenWorkbook(); }
void SaveAs(W& window, QAction&) { window.SaveWorkbookAs(); }
void Save(W& window, QAction&) { window.SaveWorkbook(); }
void Exit(W& window, QAction&) { window.close(); }

// --- Edit ----------------------------------------------------------------------------------------

void Cut(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.CopyCells(cells, true); });
}
void Copy(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.CopyCells(cells, false); });
}
void Paste(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.PasteCells(cells); });
}
void FormatCells(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.FormatCells(cells); });
}

template <bool Columns, bool Show, bool Rows>
void Visibility(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) {
    sheet.SetVisibility(cells, Columns, Show, Rows);
  });
}

// The insert (tag 1) or delete (tag 0) dialog, then the workbook's insert or delete with the
// chosen mode.
void InsertDeleteDialog(W& window, QAction& action) {
  const bool insert = action.data().toInt() == 1;
  TFeatureModifyForm dialog(&window);
  const QRect frame = window.frameGeometry();
  dialog.move((frame.left() + frame.width()) / 2, (frame.top() + frame.height()) / 2);
  if (!dialog.Execute(insert)) return;
  OnSelection(window, [&](TcxSSBookSheet& sheet, const TRect& cells) {
    if (insert)
      sheet.InsertCells(cells, dialog.Mode());
    else
      sheet.DeleteCells(cells, dialog.Mode());
  });
}

template <int Mode>
void InsertEntire(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.InsertCells(cells, Mode); });
}

void AddSheet(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) { book.SetPageCount(book.PageCount() + 1); });
}

// --- Configuration -------------------------------------------------------------------------------

void LookAndFeel(W& window, QAction& action) {
  OnBook(window, [&](TcxSpreadSheetBook& book) {
    book.SetPainterType(action.isChecked() ? ptOfficeXPStyle : ptOffice97Style);
  });
}

// A check-mark command passing its new state to a workbook property.
template <void (TcxCustomSpreadSheetBook::*Setter)(bool)>
void Toggle(W& window, QAction& action) {
  OnBook(window, [&](TcxSpreadSheetBook& book) { (book.*Setter)(action.isChecked()); });
}

void R1C1ReferenceStyle(W& window, QAction& action) {
  Toggle<&TcxCustomSpreadSheetBook::SetR1C1ReferenceStyle>(window, action);
  if (TFeatureChildForm* child = window.ActiveChild()) child->NotifySelection();
}

void AutomaticCalc(W& window, QAction& action) {
  OnBook(window, [&](TcxSpreadSheetBook& book) {
    book.SetAutoRecalc(action.isChecked());
    if (!action.isChecked()) return;
    book.Recalc();
    book.UpdateControl();
  });
}

void Recalculate(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) {
    book.Recalc();
    book.UpdateControl();
  });
}

// --- Formatting ----------------------------------------------------------------------------------

template <TcxHorzTextAlign Alignment>
void Align(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) {
    ApplyFontAndAlignment(book, {fmAlignment, Alignment, 0, {}, 0});
  });
}

// The check button has toggled already: its new state says whether the style is set or cleared.
template <TFontAndAlignmentMask Mask, uint8_t Bit>
void FontStyle(W& window, QAction& action) {
  OnBook(window, [&](TcxSpreadSheetBook& book) {
    ApplyFontAndAlignment(book, {Mask, haGENERAL, action.isChecked() ? Bit : uint8_t{0}, {}, 0});
  });
}

void FontName(W& window, QAction&) {
  const QString name = window.cbxFont->currentText().trimmed();
  if (name.isEmpty()) return;
  OnBook(window, [&](TcxSpreadSheetBook& book) {
    ApplyFontAndAlignment(book, {fmFontName, haGENERAL, 0, name.toStdString(), 0});
  });
}

// The size box's text as a whole number; nothing happens when it is not one (the box takes
// only digits, but it may be empty) or when it is no size a font can have.
void FontSize(W& window, QAction&) {
  bool ok = false;
  const int size = window.cbxSize->currentText().trimmed().toInt(&ok);
  if (!ok || size < 1) return;
  OnBook(window, [&](TcxSpreadSheetBook& book) {
    ApplyFontAndAlignment(book, {fmFontSize, haGENERAL, 0, {}, size});
  });
}

void Merge(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.MergeCells(cells, true); });
}
void Split(W& window, QAction&) {
  OnSelection(window, [](TcxSSBookSheet& sheet, const TRect& cells) { sheet.MergeCells(cells, false); });
}

void Sort(W& window, QAction& action) {
  const auto direction = static_cast<uint8_t>(action.data().toInt());
  OnSelection(window, [&](TcxSSBookSheet& sheet, const TRect& cells) {
    sheet.SortCells(cells, {direction});
  });
}

void Summary(W& window, QAction& action) {
  OnBook(window, [&](TcxSpreadSheetBook& book) { InsertSummaryFormula(book, action.data().toInt()); });
}

// --- History -------------------------------------------------------------------------------------

void Undo(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) { book.History().Undo(1); });
}
void Redo(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) { book.History().Redo(1); });
}

// --- Sheets and selection ------------------------------------------------------------------------

// The nearest shown sheet after (`step` 1) or before (-1) the active one; none at the ends.
template <int Step>
void NeighbourSheet(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) {
    for (int page = book.ActivePage() + Step; page >= 0 && page < book.PageCount(); page += Step) {
      if (!book.PageVisible(page)) continue;
      book.SetActivePage(page);
      return;
    }
  });
}

// The whole used area of the sheet, from A1 to the last column and row ever written.
void SelectAll(W& window, QAction&) {
  OnBook(window, [](TcxSpreadSheetBook& book) {
    TcxSSBookSheet& sheet = book.ActiveSheet();
    const TcxSSDataStorage& storage = sheet.DataStorage();
    sheet.SetSelection({0, 0, std::max(storage.ColCount(), 1) - 1, std::max(storage.RowCount(), 1) - 1});
  });
}

// --- Windows -------------------------------------------------------------------------------------

void Cascade(W& window, QAction&) { window.MdiArea->cascadeSubWindows(); }
void TileHorizontally(W& window, QAction&) { window.TileWindows(Qt::Vertical); }
void TileVertically(W& window, QAction&) { window.TileWindows(Qt::Horizontal); }
void MinimizeAll(W& window, QAction&) {
  for (QMdiSubWindow* child : window.MdiArea->subWindowList()) child->showMinimized();
}
void Arrange(W& window, QAction&) { window.ArrangeMinimizedWindows(); }
void CloseWindow(W& window, QAction&) { window.MdiArea->closeActiveSubWindow(); }

using E = TActionEnabling;
constexpr uint8_t kCheck = afCheckable;
constexpr uint8_t kIdle = afIdleWhileUpdating;

// clang-format off
constexpr TMainAction kMainActions[] = {
  // member, name, category, caption, hint, shortcut, picture, theme icon, tag, flags, enabling, command
  {&W::actNew, "actNew", "File", "&Nova datoteka", "Nova lista", "", "new", "document-new", 0, 0, E::Always, NewWindow},
  {&W::actOpenSpreadSheet, "actOpenSpreadSheet", "File", "&Otvori", "Otvaranje postojeće liste", "Ctrl+O", "open", "document-open", 0, 0, E::Always, Open},
  // Ctrl+S belongs to "save as", not to the plain save.
  {&W::actSaveSpeadSheet, "actSaveSpeadSheet", "File", "&Sačuvaj kao...", "Čuvanje novoformirane ili izmenjene postojeće tabelarne liste", "Ctrl+S", "save-as", "document-save-as", 0, 0, E::Always, SaveAs},
  {&W::actSaveAs, "actSaveAs", "File", "Sač&uvaj", nullptr, "", "save", "document-save", 0, 0, E::Designed, Save},
  {&W::actExit, "actExit", "File", "I&zlaz", "Izlaz iz Mirel-a", "Alt+X", "exit", "application-exit", 0, 0, E::Always, Exit},
  {&W::actStampaPriprema, "actStampaPriprema", "File", "Priprema štampe", "Priprema stranice za štampu", "", "page-setup", "document-page-setup", 0, 0, E::DocumentWindow, PrintPageSetup},
  {&W::acStampaPregled, "acStampaPregled", "File", "Pregled", "Pregled pre štampe", "", "print-preview", "document-print-preview", 0, 0, E::DocumentWindow, PrintPreview},
  {&W::actKlijentErija, "actKlijentErija", "File", "Očisti eriju", nullptr, "", "print-area-clear", "", 0, 0, E::DocumentWindow, ClearPrintArea},
  {&W::actErija, "actErija", "File", "Štampani deo", "Sređivanje štampanog dela lista", "", "print-area", "", 0, 0, E::DocumentWindow, SetPrintArea},
  {&W::actStampa, "actStampa", "File", "Štampa", "Štampa", "", "print", "document-print", 0, 0, E::DocumentWindow, PrintWorkbook},

  {&W::actCut, "actCut", "Edit", "Is&eci", "Iseci deo za prenos", "Ctrl+X", "cut", "edit-cut", 0, 0, E::Designed, Cut},
  {&W::actCopy, "actCopy", "Edit", "&Kopiraj", "Kopiraj", "Ctrl+C", "copy", "edit-copy", 0, 0, E::Designed, Copy},
  {&W::actPaste, "actPaste", "Edit", "&Prenesi", "Prenesi", "Ctrl+V", "paste", "edit-paste", 0, 0, E::Designed, Paste},

  {&W::actFormatCells, "actFormatCells", "Cells", "Format ćelija...", nullptr, "Ctrl+1", "format-cells", "", 0, 0, E::Always, FormatCells},
  {&W::actHideCells, "actHideCells", "Cells", "Sakrivanje", nullptr, "", "hide-cells", "", 0, kIdle, E::Always, Visibility<true, false, true>},
  {&W::actShowCells, "actShowCells", "Cells", "Pokaži", nullptr, "", "show-cells", "", 0, kIdle, E::Always, Visibility<true, true, true>},
  {&W::actDeleteCells, "actDeleteCells", "Cells", "Briši...", nullptr, "", "delete-cells", "", 0, kIdle, E::Always, InsertDeleteDialog},
  {&W::actInsertCells, "actInsertCells", "Cells", "Ubaci...", nullptr, "", "insert-cells", "", 1, kIdle, E::Always, InsertDeleteDialog},
  {&W::actHideCol, "actHideCol", "Cols", "Sakrivanje", "Sakrivanje kolona", "", "hide-columns", "", 0, kIdle, E::Designed, Visibility<true, false, false>},
  {&W::actShowCol, "actShowCol", "Cols", "Pokaži", "Prikaz kolona", "", "show-columns", "", 0, kIdle, E::Designed, Visibility<true, true, false>},
  {&W::actHideRow, "actHideRow", "Rows", "Sakrivanje", nullptr, "", "hide-rows", "", 0, kIdle, E::Designed, Visibility<false, false, true>},
  {&W::actShowRow, "actShowRow", "Rows", "Prikaži", nullptr, "", "show-rows", "", 0, kIdle, E::Designed, Visibility<false, true, true>},

  {&W::actCells, "actCells", "Insert", "Će&lije...", nullptr, "", "insert-cells", "", 1, kIdle, E::Designed, InsertDeleteDialog},
  {&W::actRow, "actRow", "Insert", "&Red", nullptr, "", "insert-row", "", 0, 0, E::Designed, InsertEntire<TFeatureModifyForm::kEntireRows>},
  {&W::actColumn, "actColumn", "Insert", "&Kolona", nullptr, "", "insert-column", "", 0, 0, E::Designed, InsertEntire<TFeatureModifyForm::kEntireColumns>},
  {&W::actSheet, "actSheet", "Insert", "&List", nullptr, "", "insert-sheet", "", 0, 0, E::Designed, AddSheet},

  {&W::actBeveledLookandFeel, "actBeveledLookandFeel", "Configuration", "&Izgled", nullptr, "", "look", "", 0, kCheck | kIdle, E::Designed, LookAndFeel},
  {&W::actBufferedpaint, "actBufferedpaint", "Configuration", "P&otpuno bojenje", nullptr, "", "buffered-paint", "", 0, kCheck | kIdle, E::Designed, Toggle<&TcxCustomSpreadSheetBook::SetBufferedPaint>},
  {&W::actShowcaptions, "actShowcaptions", "Configuration", "Pokaži &naslove", nullptr, "", "show-captions", "", 0, kCheck | kIdle, E::Designed, Toggle<&TcxCustomSpreadSheetBook::SetShowCaptionBar>},
  {&W::actShowgrid, "actShowgrid", "Configuration", "Pokaži &grid", nullptr, "", "show-grid", "", 0, kCheck | kIdle, E::Designed, Toggle<&TcxCustomSpreadSheetBook::SetShowGrid>},
  {&W::actShowheaders, "actShowheaders", "Configuration", "Pokaži &zaglavlja", nullptr, "", "show-headers", "", 0, kCheck | kIdle, E::Designed, Toggle<&TcxCustomSpreadSheetBook::SetShowHeaders>},
  {&W::actShowformulas, "actShowformulas", "Configuration", "Pokaži &formule", nullptr, "", "show-formulas", "", 0, kCheck | kIdle, E::Designed, Toggle<&TcxCustomSpreadSheetBook::SetShowFormulas>},
  {&W::actR1C1Referencestyle, "actR1C1Referencestyle", "Configuration", "R1C1 &Referentni stil", nullptr, "", "r1c1", "", 0, kCheck | kIdle, E::Designed, R1C1ReferenceStyle},
  {&W::actAutomaticCalc, "actAutomaticCalc", "Configuration", "&Automatsko izračunavanje", "Automatsko izračunavanje", "", "auto-calc", "", 0, kCheck | kIdle, E::Designed, AutomaticCalc},
  {&W::actRecalcFormulas, "actRecalcFormulas", "Configuration", "&Rekalkulacija formula", "Rekalkulacija formula", "", "recalc", "view-refresh", 0, 0, E::Designed, Recalculate},

  {&W::actCellLeftAlign, "actCellLeftAlign", "CellAlign", "Levo pozicioniranje", "Pozicioniranje teksta uz levu marginu", "", "align-left", "format-justify-left", 0, kCheck, E::NotEditing, Align<haLEFT>},
  {&W::actCellCenterAlign, "actCellCenterAlign", "CellAlign", "Centralno pozicioniranje", "Centar", "", "align-center", "format-justify-center", 0, kCheck, E::NotEditing, Align<haCENTER>},
  {&W::actCellRightAlign, "actCellRightAlign", "CellAlign", "Desno pozicioniranje", "Pozicioniranje teksta uz desnu marginu", "", "align-right", "format-justify-right", 0, kCheck, E::NotEditing, Align<haRIGHT>},
  {&W::actBold, "actBold", "TokenStyle", "actBold", "Bold", "Ctrl+B", "bold", "format-text-bold", 0, kCheck, E::NotEditing, FontStyle<fmBold, kFontBold>},
  {&W::actItalic, "actItalic", "TokenStyle", "actItalic", "Italika", "Ctrl+I", "italic", "format-text-italic", 0, kCheck, E::NotEditing, FontStyle<fmItalic, kFontItalic>},
  {&W::actUnderline, "actUnderline", "TokenStyle", "actUnderline", "Podvučeno", "Ctrl+U", "underline", "format-text-underline", 0, kCheck, E::NotEditing, FontStyle<fmUnderline, kFontUnderline>},
  {&W::actStrikeOut, "actStrikeOut", "TokenStyle", "actStrikeOut", "Precrtano", "", "strikeout", "format-text-strikethrough", 0, kCheck, E::NotEditing, FontStyle<fmStrikeOut, kFontStrikeOut>},
  {&W::actMergeCells, "actMergeCells", "Merge", "Spajanje ćelija", "Spajanje ćelija", "", "merge-cells", "", 0, 0, E::NotEditing, Merge},
  {&W::actSplitCells, "actSplitCells", "Merge", "Deljenje ćelija", "Deljenje ćelija", "", "split-cells", "", 0, 0, E::NotEditing, Split},
  {&W::actSortAscending, "actSortAscending", "Sort", "actSortAscending", "Sortiranje - uzlazno", "", "sort-ascending", "view-sort-ascending", 0, 0, E::NotEditing, Sort},
  {&W::actSortDescending, "actSortDescending", "Sort", "actSortDescending", "Sortiranje - nizlazno", "", "sort-descending", "view-sort-descending", 1, 0, E::NotEditing, Sort},
  {&W::actSum, "actSum", "Summary", "Suma", nullptr, "", "sum", "", 0, 0, E::Always, Summary},
  {&W::actAverage, "actAverage", "Summary", "Prosek", nullptr, "", "average", "", 1, 0, E::Always, Summary},
  {&W::actCount, "actCount", "Summary", "Brojanje", nullptr, "", "count", "", 2, 0, E::Always, Summary},
  {&W::actMax, "actMax", "Summary", "Maksimum", nullptr, "", "max", "", 3, 0, E::Always, Summary},
  {&W::actMin, "actMin", "Summary", "Minimum", nullptr, "", "min", "", 4, 0, E::Always, Summary},
  {&W::actFont, "actFont", "Others", "Karakter", "Karakter", "", "", "", 0, 0, E::Designed, FontName},
  {&W::actFontSize, "actFontSize", "Others", "Veličina karaktera", "Veličina karaktera", "", "", "", 0, 0, E::Designed, FontSize},

  {&W::actUndo, "actUndo", "History", "Poništi", "Poništi napravljene izmene", "", "undo", "edit-undo", 0, 0, E::Undo, Undo},
  {&W::actRedo, "actRedo", "History", "Vrati", "Vrati pre poslednjih izmena", "", "redo", "edit-redo", 0, 0, E::Redo, Redo},

  {&W::actWindowCascade, "actWindowCascade", "Window", "&Kaskadni prikaz", "Kaskadni prikaz prozora", "", "window-cascade", "", 0, 0, E::DocumentWindow, Cascade},
  {&W::actWindowTileHorizontal, "actWindowTileHorizontal", "Window", "Pločasto &horizontalno", "Prikaz otvorenih prozora u vidu horizontalno poređanih pločica", "", "window-tile-horizontal", "", 0, 0, E::DocumentWindow, TileHorizontally},
  {&W::actWindowTileVertical, "actWindowTileVertical", "Window", "&Vertikalno pločasto", "Prikaz otvorenih prozora u vidu vertikalno poređanih pločica", "", "window-tile-vertical", "", 0, 0, E::DocumentWindow, TileVertically},
  {&W::actWindowMinimizeAll, "actWindowMinimizeAll", "Window", "&Minimiziraj sve", "Minimiziraj sve otvorene prozore", "", "window-minimize-all", "", 0, 0, E::DocumentWindow, MinimizeAll},
  {&W::actWindowArrange, "actWindowArrange", "Window", "&Aranžiranje prozora", nullptr, "", "window-arrange", "", 0, 0, E::DocumentWindow, Arrange},
  {&W::actWindowClose, "actWindowClose", "Window", "Z&atvori", "Zatvori aktivni prozor", "", "window-close", "window-close", 0, 0, E::DocumentWindow, CloseWindow},

  // The keys a desktop spreadsheet has beyond the menus: the next and the previous sheet, and
  // the whole sheet selected.
  {&W::actNextSheet, "actNextSheet", "Others", "Sledeći list", "Sledeći list", "Ctrl+PgDown", "", "", 0, 0, E::NotEditing, NeighbourSheet<1>},
  {&W::actPreviousSheet, "actPreviousSheet", "Others", "Prethodni list", "Prethodni list", "Ctrl+PgUp", "", "", 0, 0, E::NotEditing, NeighbourSheet<-1>},
  {&W::actSelectAll, "actSelectAll", "Others", "Izaberi sve", "Izaberi sve", "Ctrl+A", "", "", 0, 0, E::NotEditing, SelectAll},
};
// clang-format on

QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace

std::span<const TMainAction> MainActions() { return kMainActions; }

void CreateMainActions(TzofMirelGlavna& window) {
  for (const TMainAction& row : kMainActions) {
    auto* action = new QAction(Utf8(row.Caption), &window);
    action->setObjectName(row.Name);
    action->setProperty("category", row.Category);
    action->setData(row.Tag);
    if (row.Hint) {
      action->setStatusTip(Utf8(row.Hint));
      action->setToolTip(Utf8(row.Hint));
    }
    if (*row.Shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(row.Shortcut)));
    if (*row.Picture) action->setIcon(ShellIcon(row.Picture, row.Theme));
    action->setCheckable(row.Flags & afCheckable);
    if (row.Execute) {
      QObject::connect(action, &QAction::triggered, &window, [&window, &row, action] {
        if ((row.Flags & afIdleWhileUpdating) && window.UpdatingFromBook) {
          // The command does nothing, so its check mark stays as it was.
          if (action->isCheckable()) action->setChecked(!action->isChecked());
          return;
        }
        window.Guarded([&] { row.Execute(window, *action); });
      });
    } else {
      action->setEnabled(false);
    }
    // Shortcuts work while the tool bar or menu showing the action is hidden.
    window.addAction(action);
    window.*row.Member = action;
  }
  auto* alignment = new QActionGroup(&window);
  for (QAction* action : {window.actCellLeftAlign, window.actCellCenterAlign, window.actCellRightAlign})
    alignment->addAction(action);
}

void UpdateMainActions(TzofMirelGlavna& window) {
  const TFeatureChildForm* child = window.ActiveChild();
  const bool editing = child && child->Editing();
  TcxSpreadSheetHistory* history = child ? &child->Book().History() : nullptr;
  for (const TMainAction& row : kMainActions) {
    QAction* action = window.*row.Member;
    switch (row.Enabling) {
      case E::Designed:
        break;
      case E::Always:
        action->setEnabled(true);
        break;
      case E::NotEditing:
        action->setEnabled(!editing);
        break;
      case E::Undo:
        action->setEnabled(history && history->UndoList().Count() > 0 && !editing);
        break;
      case E::Redo:
        action->setEnabled(history && history->RedoList().Count() > 0);
        break;
      case E::DocumentWindow:
        action->setEnabled(!window.DocumentWindows().isEmpty());
        break;
    }
  }
}
