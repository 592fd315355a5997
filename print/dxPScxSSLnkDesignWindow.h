#pragma once

#include <QDialog>

#include "print/dxPScxSSLnk.h"

class QCheckBox;
class QLabel;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QTabWidget;

// The spreadsheet link's design window ("SpreadSheet DesignWindow"): the link's options on four
// pages (Options, Color, Font, Behaviors) beside a live preview of the link's pages. Every
// change goes to the link at once and the preview is drawn again; Cancel (or closing the window)
// gives the link back the settings it had when the window opened.
class TfmdxSpreadSheetDesignWindow : public QDialog {
  Q_OBJECT

public:
  TfmdxSpreadSheetDesignWindow(TCustomdxSpreadSheetReportLink& link, QWidget* parent = nullptr);
  ~TfmdxSpreadSheetDesignWindow() override;

  QTabWidget* PageControl = nullptr;
  // Options: Show, Miscellaneous.
  QCheckBox* chbxShowRowAndColumnHeaders = nullptr;
  QCheckBox* chbxShowGridLines = nullptr;
  QCheckBox* chbxRowAutoHeight = nullptr;
  QCheckBox* chbxSuppressSourceFormats = nullptr;
  // Color.
  QCheckBox* chbxTransparent = nullptr;
  QPushButton* btnColor = nullptr;
  QCheckBox* chbxFixedTransparent = nullptr;
  QPushButton* btnFixedColor = nullptr;
  QPushButton* btnGridLineColor = nullptr;
  // Font.
  QPushButton* btnFont = nullptr;
  QPushButton* btnFixedFont = nullptr;
  QLabel* lblFont = nullptr;  // the fonts' names and sizes, in themselves
  QLabel* lblFixedFont = nullptr;
  // Behaviors: On Every Page, Selection.
  QCheckBox* chbxFixedRowsOnEveryPage = nullptr;
  QCheckBox* chbxOnlySelected = nullptr;
  QPrintPreviewWidget* Preview = nullptr;

protected:
  void done(int result) override;

private:
  // The settings the window edits, kept to give them back on Cancel.
  struct TSettings {
    TdxPSSpreadSheetReportLinkOptionsView OptionsView = 0;
    bool RowAutoHeight = false;
    bool Transparent = true;
    TColor Color = 0;
    bool FixedTransparent = false;
    TColor FixedColor = 0;
    TColor GridLineColor = 0;
    TdxReportFont Font;
    TdxReportFont FixedFont;
    bool HeadersOnEveryPage = false;
    bool OnlySelected = false;
  };
  TSettings Read() const;
  void Write(const TSettings& settings);
  // The controls' state to the link, then the preview again.
  void Apply();
  void ChooseColor(TColor& color, QPushButton* button, const QString& title);
  void ChooseFont(TdxReportFont& font, QLabel* sample);
  void ShowColor(QPushButton* button, TColor color);
  void ShowFont(QLabel* sample, const TdxReportFont& font);

  TCustomdxSpreadSheetReportLink& link_;
  TSettings saved_;
  TSettings edited_;
  std::unique_ptr<QPrinter> printer_;
};
