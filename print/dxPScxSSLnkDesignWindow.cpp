#include "print/dxPScxSSLnkDesignWindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "view/cxCanvasWrapper.h"

namespace {

TColor FromQColor(const QColor& color) { return RGBColor(color.red(), color.green(), color.blue()); }

QFont ToQFont(const TcxFontDesc& desc) {
  QFont font(QString::fromStdString(desc.Name));
  font.setPointSizeF(std::max(1.0, desc.Size));
  font.setBold(desc.Style & kFontBold);
  font.setItalic(desc.Style & kFontItalic);
  font.setUnderline(desc.Style & kFontUnderline);
  font.setStrikeOut(desc.Style & kFontStrikeOut);
  return font;
}

TcxFontDesc FromQFont(const QFont& font, uint8_t charset) {
  uint8_t style = 0;
  if (font.bold()) style |= kFontBold;
  if (font.italic()) style |= kFontItalic;
  if (font.underline()) style |= kFontUnderline;
  if (font.strikeOut()) style |= kFontStrikeOut;
  return {font.family().toStdString(), font.pointSizeF() > 0 ? font.pointSizeF() : 10.0, style, charset};
}

QCheckBox* AddCheck(QLayout* layout, const char* caption) {
  auto* box = new QCheckBox(QString::fromUtf8(caption));
  layout->addWidget(box);
  return box;
}

}  // namespace

TfmdxSpreadSheetDesignWindow::TfmdxSpreadSheetDesignWindow(TCustomdxSpreadSheetReportLink& link,
                                                           QWidget* parent)
    : QDialog(parent), link_(link), printer_(std::make_unique<QPrinter>(QPrinter::ScreenResolution)) {
  setWindowTitle(QStringLiteral("SpreadSheet DesignWindow"));
  saved_ = Read();
  edited_ = saved_;

  PageControl = new QTabWidget;

  auto* options = new QWidget;
  auto* optionsLayout = new QVBoxLayout(options);
  auto* show = new QGroupBox(QStringLiteral("Show"));
  auto* showLayout = new QVBoxLayout(show);
  chbxShowRowAndColumnHeaders = AddCheck(showLayout, "Row and column headings");
  chbxShowGridLines = AddCheck(showLayout, "Gridlines");
  auto* miscellaneous = new QGroupBox(QStringLiteral("Miscellaneous"));
  auto* miscellaneousLayout = new QVBoxLayout(miscellaneous);
  chbxRowAutoHeight = AddCheck(miscellaneousLayout, "&Row AutoHeight");
  chbxSuppressSourceFormats = AddCheck(miscellaneousLayout, "&Suppress source formats");
  optionsLayout->addWidget(show);
  optionsLayout->addWidget(miscellaneous);
  optionsLayout->addStretch();
  PageControl->addTab(options, QStringLiteral("Options"));

  auto* colors = new QWidget;
  auto* colorsLayout = new QGridLayout(colors);
  const auto colorRow = [&](int row, const char* caption, QPushButton*& button) {
    auto* label = new QLabel(QString::fromUtf8(caption));
    button = new QPushButton;
    button->setIconSize({32, 12});
    label->setBuddy(button);
    colorsLayout->addWidget(label, row, 0);
    colorsLayout->addWidget(button, row, 1);
  };
  chbxTransparent = new QCheckBox(QStringLiteral(" &Transparent "));
  colorsLayout->addWidget(chbxTransparent, 0, 0, 1, 2);
  colorRow(1, "Co&lor : ", btnColor);
  chbxFixedTransparent = new QCheckBox(QStringLiteral(" Fixed Transparent "));
  colorsLayout->addWidget(chbxFixedTransparent, 2, 0, 1, 2);
  colorRow(3, "F&ixed color : ", btnFixedColor);
  colorRow(4, "&Grid lines color : ", btnGridLineColor);
  colorsLayout->setRowStretch(5, 1);
  PageControl->addTab(colors, QStringLiteral("Color"));

  auto* fonts = new QWidget;
  auto* fontsLayout = new QGridLayout(fonts);
  btnFont = new QPushButton(QStringLiteral("Fo&nt..."));
  btnFixedFont = new QPushButton(QStringLiteral("Fi&xed Font..."));
  lblFont = new QLabel;
  lblFixedFont = new QLabel;
  fontsLayout->addWidget(btnFont, 0, 0);
  fontsLayout->addWidget(lblFont, 0, 1);
  fontsLayout->addWidget(btnFixedFont, 1, 0);
  fontsLayout->addWidget(lblFixedFont, 1, 1);
  fontsLayout->setRowStretch(2, 1);
  fontsLayout->setColumnStretch(1, 1);
  PageControl->addTab(fonts, QStringLiteral("Font"));

  auto* behaviors = new QWidget;
  auto* behaviorsLayout = new QVBoxLayout(behaviors);
  auto* everyPage = new QGroupBox(QStringLiteral("On Every Page"));
  chbxFixedRowsOnEveryPage = AddCheck(new QVBoxLayout(everyPage), "Fi&xed Rows On Every Page");
  auto* selection = new QGroupBox(QStringLiteral("Selection"));
  chbxOnlySelected = AddCheck(new QVBoxLayout(selection), "Only &selected cells");
  behaviorsLayout->addWidget(everyPage);
  behaviorsLayout->addWidget(selection);
  behaviorsLayout->addStretch();
  PageControl->addTab(behaviors, QStringLiteral("Behaviors"));

  // Every page's tab in sight.
  PageControl->setMinimumWidth(PageControl->tabBar()->sizeHint().width() + 24);

  printer_->setPageLayout(link_.PrinterPage.Layout());
  Preview = new QPrintPreviewWidget(printer_.get());
  Preview->setMinimumSize(260, 300);
  connect(Preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
    // A sheet with nothing (or too much) to print shows no page here; printing says why.
    try {
      link_.PrintTo(*printer);
    } catch (const std::exception&) {
    }
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(PageControl);
  top->addWidget(Preview, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(buttons);
  resize(820, 520);

  const TdxPSSpreadSheetReportLinkOptionsView view = saved_.OptionsView;
  chbxShowRowAndColumnHeaders->setChecked(view & ssovRowAndColumnHeadings);
  chbxShowGridLines->setChecked(view & ssovGridLines);
  chbxSuppressSourceFormats->setChecked(view & ssovSuppressSourceFormats);
  chbxRowAutoHeight->setChecked(saved_.RowAutoHeight);
  chbxTransparent->setChecked(saved_.Transparent);
  chbxFixedTransparent->setChecked(saved_.FixedTransparent);
  chbxFixedRowsOnEveryPage->setChecked(saved_.HeadersOnEveryPage);
  chbxOnlySelected->setChecked(saved_.OnlySelected);
  ShowColor(btnColor, saved_.Color);
  ShowColor(btnFixedColor, saved_.FixedColor);
  ShowColor(btnGridLineColor, saved_.GridLineColor);
  ShowFont(lblFont, saved_.Font);
  ShowFont(lblFixedFont, saved_.FixedFont);

  for (QCheckBox* box : {chbxShowRowAndColumnHeaders, chbxShowGridLines, chbxRowAutoHeight, chbxSuppressSourceFormats,
                         chbxTransparent, chbxFixedTransparent, chbxFixedRowsOnEveryPage, chbxOnlySelected})
    connect(box, &QCheckBox::toggled, this, &TfmdxSpreadSheetDesignWindow::Apply);
  connect(btnColor, &QPushButton::clicked, this, [this] { ChooseColor(edited_.Color, btnColor, QStringLiteral("Color")); });
  connect(btnFixedColor, &QPushButton::clicked, this,
          [this] { ChooseColor(edited_.FixedColor, btnFixedColor, QStringLiteral("Fixed color")); });
  connect(btnGridLineColor, &QPushButton::clicked, this,
          [this] { ChooseColor(edited_.GridLineColor, btnGridLineColor, QStringLiteral("Grid lines color")); });
  connect(btnFont, &QPushButton::clicked, this, [this] { ChooseFont(edited_.Font, lblFont); });
  connect(btnFixedFont, &QPushButton::clicked, this, [this] { ChooseFont(edited_.FixedFont, lblFixedFont); });
}

TfmdxSpreadSheetDesignWindow::~TfmdxSpreadSheetDesignWindow() = default;

TfmdxSpreadSheetDesignWindow::TSettings TfmdxSpreadSheetDesignWindow::Read() const {
  return {link_.OptionsView(), link_.RowAutoHeight, link_.Transparent,       link_.Color,
          link_.FixedTransparent, link_.FixedColor, link_.GridLineColor,    link_.Font,
          link_.FixedFont,        link_.HeadersOnEveryPage, link_.OnlySelected};
}

void TfmdxSpreadSheetDesignWindow::Write(const TSettings& settings) {
  link_.SetOptionsView(settings.OptionsView);
  link_.RowAutoHeight = settings.RowAutoHeight;
  link_.Transparent = settings.Transparent;
  link_.Color = settings.Color;
  link_.FixedTransparent = settings.FixedTransparent;
  link_.FixedColor = settings.FixedColor;
  link_.GridLineColor = settings.GridLineColor;
  link_.Font = settings.Font;
  link_.FixedFont = settings.FixedFont;
  link_.HeadersOnEveryPage = settings.HeadersOnEveryPage;
  link_.OnlySelected = settings.OnlySelected;
}

void TfmdxSpreadSheetDesignWindow::Apply() {
  edited_.OptionsView = static_cast<TdxPSSpreadSheetReportLinkOptionsView>(
      (chbxShowRowAndColumnHeaders->isChecked() ? ssovRowAndColumnHeadings : 0) |
      (chbxShowGridLines->isChecked() ? ssovGridLines : 0) |
      (chbxSuppressSourceFormats->isChecked() ? ssovSuppressSourceFormats : 0));
  edited_.RowAutoHeight = chbxRowAutoHeight->isChecked();
  edited_.Transparent = chbxTransparent->isChecked();
  edited_.FixedTransparent = chbxFixedTransparent->isChecked();
  edited_.HeadersOnEveryPage = chbxFixedRowsOnEveryPage->isChecked();
  edited_.OnlySelected = chbxOnlySelected->isChecked();
  Write(edited_);
  Preview->updatePreview();
}

void TfmdxSpreadSheetDesignWindow::ChooseColor(TColor& color, QPushButton* button, const QString& title) {
  QColorDialog dialog(ToQColor(color), this);
  dialog.setWindowTitle(title);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  color = FromQColor(dialog.selectedColor());
  ShowColor(button, color);
  Apply();
}

void TfmdxSpreadSheetDesignWindow::ChooseFont(TdxReportFont& font, QLabel* sample) {
  QFontDialog dialog(ToQFont(font.Desc), this);
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  font.Desc = FromQFont(dialog.selectedFont(), font.Desc.Charset);
  ShowFont(sample, font);
  Apply();
}

void TfmdxSpreadSheetDesignWindow::ShowColor(QPushButton* button, TColor color) {
  QPixmap swatch(button->iconSize());
  swatch.fill(ToQColor(color));
  button->setIcon(swatch);
}

void TfmdxSpreadSheetDesignWindow::ShowFont(QLabel* sample, const TdxReportFont& font) {
  sample->setFont(ToQFont(font.Desc));
  sample->setText(QStringLiteral("%1, %2").arg(QString::fromStdString(font.Desc.Name)).arg(font.Desc.Size));
}

void TfmdxSpreadSheetDesignWindow::done(int result) {
  if (result != QDialog::Accepted) Write(saved_);
  QDialog::done(result);
}
