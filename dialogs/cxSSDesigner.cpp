#include "dialogs/cxSSDesigner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "calc/cxSSFormats.h"
#include "dialogs/cxSSCtrls.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "view/cxCanvasWrapper.h"

namespace {


// --- Texts -----------------------------------------------------------------------------------------

constexpr char kCaption[] = "Format cells";
constexpr char kSampleText[] = "The quick brown fox jumps over the lazy dog";

struct TCategory {
  const char* Name;
  const char* Caption;
  const char* Description;
};
enum { catGeneral, catNumber, catCurrency, catDateTime, catText };
constexpr std::array<TCategory, 5> kCategories = {{
    {"rbGeneral", "&General", "General format cells have no specific format."},
    {"rbNumber", "&Number", "Number is used for general display of numbers."},
    {"rbCurrency", "&Currency", "Currency formats are used for general monetary amounts."},
    {"rbDateTime", "&Date/Time",
     "Date/Time formats are used for date and time serial numbers as Date/Time values."},
    {"rbText", "&Text",
     "Text formatted cells are treated as text even when a number is in the cell.  The cell is "
     "displayed exactly as entered."},
}};

constexpr TcxSSStyleListBoxItem kNumberFormats[] = {
    {"0", 1},
    {"0.00", 2},
    {"#,##0", 3},
    {"#,##0.00", 4},
    {"0%", 9},
    {"0.00%", 10},
    {"0.00E+00", 11},
    {"# ?/?", 12},
    {"# ?\?/??", 13},
    {"(#,##0_);(#,##0)", 37},
    {"(#,##0_);[Red](#,##0)", 38},
    {"(#,##0.00_);(#,##0.00)", 39},
    {"(#,##0.00_);[Red](#,##0.00)", 40},
    {"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)", 41},
    {"# #0.0E+0", 48},
};
constexpr TcxSSStyleListBoxItem kCurrencyFormats[] = {
    {"_($#,##0_);($#,##0)", 5},
    {"_($#,##0_);[Red]($#,##0)", 6},
    {"_($#,##0.00_);($#,##0.00)", 7},
    {"_($#,##0.00_);[Red]($#,##0.00)", 8},
    {"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", 42},
    {"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)", 43},
    {"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)", 44},
};
constexpr TcxSSStyleListBoxItem kDateTimeFormats[] = {
    {"m/d/yy", 14},
    {"dd/mm/yy", 164},
    {"dd.mmmm.yy", 165},
    {"d-mmm-y", 15},
    {"d-mmm", 16},
    {"mmmm-yy", 17},
    {"h:mm AM/PM", 18},
    {"h:mm:ss AM/PM", 19},
    {"h:mm", 20},
    {"h:mm:ss", 21},
    {"m/d/yy h:mm", 22},
    {"mm:ss", 45},
    {"[h]:mm:ss", 46},
    {"mm:ss.ms", 47},
};

// In TcxHorzTextAlign and TcxVertTextAlign order; the kinds after "Justify" are those files
// bring that the lists would otherwise have no item for.
constexpr const char* kHorzAligns[] = {"General", "Left",    "Center", "Right",
                                       "Fill",    "Justify", "Center Across Selection",
                                       "Distributed"};
constexpr const char* kVertAligns[] = {"Top", "Center", "Bottom", "Justify", "Distributed"};

// --- Lines -----------------------------------------------------------------------------------------

// Line thickness in pixels by line style.
constexpr int kLineThickness[15] = {1, 1, 2, 1, 1, 3, 3, 1, 2, 1, 2, 1, 2, 2, 0};

// The line style grid, column by column, top to bottom.
constexpr TcxSSEdgeLineStyle kLineStyleGrid[2][7] = {
    {lsDefault, lsHair, lsDotted, lsDashDotDot, lsDashDot, lsDashed, lsThin},
    {lsMediumDashDotDot, lsSlantedDashDot, lsMediumDashDot, lsMediumDashed, lsMedium, lsThick,
     lsDouble},
};

// Draws a border line of `style` along y = at (horizontal) or x = at from `from` to `to`.
void DrawStyledLine(TcxCanvasWrapper& canvas, bool vertical, int from, int to, int at,
                    TcxSSEdgeLineStyle style, TcxSSColor color, TcxSSColor background) {
  if (style >= lsNone) return;
  const int thickness = kLineThickness[style];
  const auto band = [&](int first, int last) -> TRect {
    return vertical ? TRect{first, from, last, to} : TRect{from, first, to, last};
  };
  std::array<TRect, 3> rects{};
  if (style == lsDouble) {
    rects = {band(at - 1, at - 1), band(at, at), band(at + 1, at + 1)};
  } else {
    const int first = at - (thickness - 1) / 2;
    rects[0] = band(first, first + thickness - 1);
  }
  canvas.DrawLine(rects, false, color, background, vertical, style);
}

uint32_t Packed(const TcxSSStyleDesigner::TLine& line) {
  // A removed line is the plain grid line a cell shows without a border.
  if (line.Style == lsNone || line.Style == lsDefault) return lsDefault | (uint32_t{kColorAuto} << 8);
  return line.Style | (uint32_t{line.Color} << 8);
}

TcxSSStyleDesigner::TLine ReadEdge(TcxSSEdgeStyle& edge) {
  TcxSSEdgeLineStyle style = edge.Style();
  if (style == lsNone) style = lsDefault;
  return {style, edge.Color()};
}

// The picture of a border button: a 2 × 2 grid of light lines with the button's lines in black.
QIcon BorderPicture(TcxSSStyleDesigner::TTag tag) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::white);
  QPainter p(&pixmap);
  p.setPen(QPen(QColor(160, 160, 160), 1, Qt::DotLine));
  for (int i = 0; i < 3; ++i) {
    p.drawLine(3, 3 + i * 9, 21, 3 + i * 9);
    p.drawLine(3 + i * 9, 3, 3 + i * 9, 21);
  }
  p.setPen(QPen(Qt::black, 2));
  using D = TcxSSStyleDesigner;
  const auto horz = [&](int i) { p.drawLine(3, 3 + i * 9, 21, 3 + i * 9); };
  const auto vert = [&](int i) { p.drawLine(3 + i * 9, 3, 3 + i * 9, 21); };
  switch (tag) {
    case D::tagOuter: horz(0), horz(2), vert(0), vert(2); break;
    case D::tagInner: horz(1), vert(1); break;
    case D::tagTop: horz(0); break;
    case D::tagVMiddle: horz(1); break;
    case D::tagDown: horz(2); break;
    case D::tagLeft: vert(0); break;
    case D::tagMiddle: vert(1); break;
    case D::tagRight: vert(2); break;
    default: break;
  }
  return QIcon(pixmap);
}

}  // namespace

// The grid of the 13 line styles and "None", 2 columns × 7 rows of 62 × 21 cells; a click or
// the arrow keys choose a style.
class TcxLineStyleGrid : public QWidget {
 public:
  explicit TcxLineStyleGrid(TcxCanvasWrapper& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(2 * kCellWidth + 3, 7 * kCellHeight + 2);
  }
  TcxSSEdgeLineStyle Selected() const { return kLineStyleGrid[col_][row_]; }
  std::function<void(TcxSSEdgeLineStyle)> OnSelect;
  QRect CellRect(int col, int row) const { return {1 + col * kCellWidth, 1 + row * kCellHeight, kCellWidth, kCellHeight}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    canvas_.SetCanvas(&painter);
    canvas_.FillRect({0, 0, width() - 1, height() - 1}, kclWhite);
    canvas_.Edge3D({0, 0, width() - 1, height() - 1}, kclBtnShadow, kclBtnHighlight);
    for (int col = 0; col < 2; ++col) {
      for (int row = 0; row < 7; ++row) {
        const QRect r = CellRect(col, row);
        const TcxSSEdgeLineStyle style = kLineStyleGrid[col][row];
        if (style == lsDefault) {
          painter.setPen(Qt::black);
          painter.drawText(r, Qt::AlignCenter, "None");
        } else {
          DrawStyledLine(canvas_, false, r.left() + 6, r.right() - 6, r.center().y(), style, 0, kColorNone);
        }
        if (col == col_ && row == row_) {
          painter.setPen(QPen(hasFocus() ? Qt::black : Qt::darkGray, 1, Qt::DotLine));
          painter.drawRect(r.adjusted(1, 1, -2, -2));
        }
      }
    }
    canvas_.ResetCanvas();
  }
  void mousePressEvent(QMouseEvent* event) override {
    const QPoint p = event->position().toPoint();
    for (int col = 0; col < 2; ++col)
      for (int row = 0; row < 7; ++row)
        if (CellRect(col, row).contains(p)) Select(col, row);
  }
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Left: Select(0, row_); break;
      case Qt::Key_Right: Select(1, row_); break;
      case Qt::Key_Up: Select(col_, std::max(0, row_ - 1)); break;
      case Qt::Key_Down: Select(col_, std::min(6, row_ + 1)); break;
      default: QWidget::keyPressEvent(event);
    }
  }

 private:
  static constexpr int kCellWidth = 62;
  static constexpr int kCellHeight = 21;
  void Select(int col, int row) {
    col_ = col;
    row_ = row;
    update();
    if (OnSelect) OnSelect(Selected());
  }
  TcxCanvasWrapper& canvas_;
  int col_ = 0;
  int row_ = 0;
};

// --- Construction ----------------------------------------------------------------------------------

TcxSSStyleDesigner::TcxSSStyleDesigner(QWidget* parent)
    : QDialog(parent), palette_(kDefaultPalette), wrapper_(std::make_unique<TcxCanvasWrapper>(palette_)) {
  setObjectName("TcxSSStyleDesigner");
  setWindowTitle(kCaption);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  pcSheets = new QTabWidget(this);
  pcSheets->setObjectName("pcSheets");
  layout->addWidget(pcSheets);
  CreateCellStyleTab();
  CreateAlignTab();
  CreateBorderTab();
  CreatePatternsTab();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* btnOk = new QPushButton("Ok", this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  auto* btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);

  FontDialog = new QFontDialog(this);
  FontDialog->setObjectName("FontDialog");
  // The font's colour is chosen in the font dialog, among its effects, from the workbook's
  // palette; Qt's own font dialog is used so that it can hold the colour picker.
  FontDialog->setOption(QFontDialog::DontUseNativeDialog);
  cbxFontColor = new TcxSSColorComboBox;
  cbxFontColor->setObjectName("cbxFontColor");
  cbxFontColor->SetIncludeBrushes(false);
  cbxFontColor->SetAutomaticColor(kColorAuto);
  auto* lbFontColor = new QLabel("&Color:");
  lbFontColor->setObjectName("lbFontColor");
  lbFontColor->setBuddy(cbxFontColor);
  const QList<QGroupBox*> groups = FontDialog->findChildren<QGroupBox*>();
  QLayout* effects = groups.isEmpty() ? nullptr : groups.first()->layout();
  if (effects) {
    effects->addWidget(lbFontColor);
    effects->addWidget(cbxFontColor);
  } else {
    FontDialog->layout()->addWidget(lbFontColor);
    FontDialog->layout()->addWidget(cbxFontColor);
  }
  resize(std::max(392, sizeHint().width()), std::max(343, sizeHint().height()));
}

TcxSSStyleDesigner::~TcxSSStyleDesigner() = default;

void TcxSSStyleDesigner::CreateCellStyleTab() {
  auto* tab = new QWidget;
  tab->setObjectName("tbsCellStyle");
  auto* layout = new QHBoxLayout(tab);
  auto* gbStyle = new QGroupBox("Style type", tab);
  gbStyle->setObjectName("gbStyle");
  auto* styleLayout = new QVBoxLayout(gbStyle);
  for (int i = 0; i < static_cast<int>(kCategories.size()); ++i) {
    auto* button = new QRadioButton(kCategories[i].Caption, gbStyle);
    button->setObjectName(kCategories[i].Name);
    styleLayout->addWidget(button);
    categories_[i] = button;
    connect(button, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) ChooseCategory(i);
    });
  }
  styleLayout->addStretch();
  {
    const QSignalBlocker quiet(categories_[catGeneral]);
    categories_[catGeneral]->setChecked(true);
  }

  auto* gbStyleSet = new QGroupBox("Style settings", tab);
  gbStyleSet->setObjectName("gbStyleSet");
  auto* setLayout = new QVBoxLayout(gbStyleSet);
  lbStyleDescription = new QLabel(kCategories[catGeneral].Description, gbStyleSet);
  lbStyleDescription->setObjectName("lbStyleDescription");
  lbStyleDescription->setWordWrap(true);
  lbStyleTypes = new TcxSSStyleListBox(gbStyleSet);
  lbStyleTypes->setObjectName("lbStyleTypes");
  lbStyleTypes->OnSelectFormat = [this](TxlsDataFormat format) {
    format_ = format;
    Changed(tagFormat);
  };
  setLayout->addWidget(lbStyleDescription);
  setLayout->addWidget(lbStyleTypes, 1);
  setLayout->addStretch(0);
  layout->addWidget(gbStyle);
  layout->addWidget(gbStyleSet, 1);
  pcSheets->addTab(tab, "Cell style");
}

void TcxSSStyleDesigner::CreateAlignTab() {
  auto* tab = new QWidget;
  tab->setObjectName("tbsAlign");
  auto* layout = new QVBoxLayout(tab);
  auto* bvlTextAlignment = new TcxLabelBevel("Text alignment", tab);
  bvlTextAlignment->setObjectName("bvlTextAlignment");
  layout->addWidget(bvlTextAlignment);
  auto* alignGrid = new QGridLayout;
  const auto combo = [&](const char* name, const char* label, auto& items, int row, TTag tag) {
    auto* box = new QComboBox(tab);
    box->setObjectName(name);
    for (const char* item : items) box->addItem(item);
    auto* caption = new QLabel(label, tab);
    caption->setObjectName(row == 0 ? "lbHorzAlign" : "lbVertAlign");
    caption->setBuddy(box);
    alignGrid->addWidget(caption, row, 0);
    alignGrid->addWidget(box, row, 1);
    connect(box, &QComboBox::currentIndexChanged, this, [this, tag] { Changed(tag); });
    return box;
  };
  cbxHorzAlign = combo("cbxHorzAlign", "&Horizontal", kHorzAligns, 0, tagHorzAlign);
  cbxVertAlign = combo("cbxVertAlign", "&Vertical", kVertAligns, 1, tagVertAlign);
  alignGrid->setColumnStretch(2, 1);
  layout->addLayout(alignGrid);
  auto* bvlTextControl = new TcxLabelBevel("Text control", tab);
  bvlTextControl->setObjectName("bvlTextControl");
  layout->addWidget(bvlTextControl);
  auto* controlRow = new QHBoxLayout;
  chxWordWrap = new QCheckBox("&Word wrap", tab);
  chxWordWrap->setObjectName("chxWordWrap");
  connect(chxWordWrap, &QCheckBox::toggled, this, [this] { Changed(tagWordWrap); });
  auto* btnFont = new QPushButton("&Font", tab);
  btnFont->setObjectName("btnFont");
  connect(btnFont, &QPushButton::clicked, this, [this] { RunFontDialog(); });
  controlRow->addWidget(chxWordWrap);
  controlRow->addStretch();
  controlRow->addWidget(btnFont);
  layout->addLayout(controlRow);
  auto* gbFontSample = new QGroupBox("Sample", tab);
  gbFontSample->setObjectName("gbFontSample");
  auto* sampleLayout = new QVBoxLayout(gbFontSample);
  ppFontPaint = new TcxPaintPanel(gbFontSample);
  ppFontPaint->setObjectName("ppFontPaint");
  ppFontPaint->setMinimumSize(200, 70);
  ppFontPaint->OnPaint = [this](TcxPaintPanel&, QPainter& painter) { PaintFontSample(painter); };
  sampleLayout->addWidget(ppFontPaint);
  layout->addWidget(gbFontSample, 1);
  pcSheets->addTab(tab, "&Alignment");
}

QToolButton* TcxSSStyleDesigner::BorderButton(const char* name, TTag tag) {
  auto* button = new QToolButton;
  button->setObjectName(name);
  button->setIcon(BorderPicture(tag));
  button->setIconSize(QSize(24, 24));
  connect(button, &QToolButton::clicked, this, [this, tag] { Changed(tag); });
  return button;
}

void TcxSSStyleDesigner::CreateBorderTab() {
  auto* tab = new QWidget;
  tab->setObjectName("tbsBorder");
  auto* layout = new QHBoxLayout(tab);
  auto* left = new QVBoxLayout;
  auto* bvlBorders = new TcxLabelBevel("All borders", tab);
  bvlBorders->setObjectName("bvlBorders");
  left->addWidget(bvlBorders);
  auto* presets = new QGridLayout;
  const auto preset = [&](const char* name, const char* labelName, const char* label, TTag tag, int col) {
    QToolButton* button = BorderButton(name, tag);
    auto* caption = new QLabel(label, tab);
    caption->setObjectName(labelName);
    caption->setBuddy(button);
    caption->setAlignment(Qt::AlignHCenter);
    presets->addWidget(button, 0, col, Qt::AlignHCenter);
    presets->addWidget(caption, 1, col, Qt::AlignHCenter);
    return button;
  };
  preset("btnNone", "lbNone", "&None", tagNone, 0);
  preset("btnOuter", "lbOuter", "&Ou&tl&ine", tagOuter, 1);
  btnInner = preset("btnInner", "lbInner", "&Inside", tagInner, 2);
  left->addLayout(presets);
  auto* bvlItems = new TcxLabelBevel("Items", tab);
  bvlItems->setObjectName("bvlItems");
  left->addWidget(bvlItems);
  auto* items = new QGridLayout;
  items->addWidget(BorderButton("btnTop", tagTop), 0, 0);
  items->addWidget(btnVMiddle = BorderButton("btnVMiddle", tagVMiddle), 1, 0);
  items->addWidget(BorderButton("btnDown", tagDown), 2, 0);
  ppPaintBorders = new TcxPaintPanel(tab);
  ppPaintBorders->setObjectName("ppPaintBorders");
  ppPaintBorders->setMinimumSize(150, 110);
  ppPaintBorders->OnPaint = [this](TcxPaintPanel&, QPainter& painter) { PaintBorders(painter); };
  ppPaintBorders->OnClick = [this](TcxPaintPanel&, QPoint point) { BorderPreviewClick(point); };
  items->addWidget(ppPaintBorders, 0, 1, 3, 3);
  items->addWidget(BorderButton("btnLeft", tagLeft), 3, 1, Qt::AlignLeft);
  items->addWidget(btnMiddle = BorderButton("btnMiddle", tagMiddle), 3, 2, Qt::AlignHCenter);
  items->addWidget(BorderButton("btnRight", tagRight), 3, 3, Qt::AlignRight);
  items->setColumnStretch(2, 1);
  left->addLayout(items, 1);
  layout->addLayout(left, 1);

  auto* gbBorderStyle = new QGroupBox("Line", tab);
  gbBorderStyle->setObjectName("gbBorderStyle");
  auto* lineLayout = new QVBoxLayout(gbBorderStyle);
  auto* lbStyle = new QLabel("&Style:", gbBorderStyle);
  lbStyle->setObjectName("lbStyle");
  drwgLineStyle = new TcxLineStyleGrid(*wrapper_, gbBorderStyle);
  drwgLineStyle->setObjectName("drwgLineStyle");
  drwgLineStyle->OnSelect = [this](TcxSSEdgeLineStyle style) { lineStyle_ = style; };
  lbStyle->setBuddy(drwgLineStyle);
  auto* lbColor = new QLabel("&Color:", gbBorderStyle);
  lbColor->setObjectName("lbColor");
  cbxBorderColor = new TcxSSColorComboBox(gbBorderStyle);
  cbxBorderColor->setObjectName("cbxBorderColor");
  cbxBorderColor->SetIncludeBrushes(false);
  cbxBorderColor->SetAutomaticColor(0);
  lbColor->setBuddy(cbxBorderColor);
  lineLayout->addWidget(lbStyle);
  lineLayout->addWidget(drwgLineStyle);
  lineLayout->addWidget(lbColor);
  lineLayout->addWidget(cbxBorderColor);
  lineLayout->addStretch();
  layout->addWidget(gbBorderStyle);
  pcSheets->addTab(tab, "&Border");
}

void TcxSSStyleDesigner::CreatePatternsTab() {
  auto* tab = new QWidget;
  tab->setObjectName("tbsPatterns");
  auto* layout = new QVBoxLayout(tab);
  auto* bvlCellShading = new TcxLabelBevel("Cell shading", tab);
  bvlCellShading->setObjectName("bvlCellShading");
  layout->addWidget(bvlCellShading);
  auto* row = new QHBoxLayout;
  auto* colorColumn = new QVBoxLayout;
  auto* lbPatColor = new QLabel("&Color:", tab);
  lbPatColor->setObjectName("lbPatColor");
  cplPatColor = new TcxSSColorPanel(tab);
  cplPatColor->setObjectName("cplPatColor");
  cplPatColor->SetIncludeBrushes(false);
  cplPatColor->SetAutomaticColor(0);
  cplPatColor->setFixedSize(158, 175);
  cplPatColor->OnChange = [this] { Changed(tagPatColor); };
  lbPatColor->setBuddy(cplPatColor);
  colorColumn->addWidget(lbPatColor);
  colorColumn->addWidget(cplPatColor);
  colorColumn->addStretch();
  row->addLayout(colorColumn);
  auto* patternColumn = new QVBoxLayout;
  auto* lbPattern = new QLabel("&Pattern:", tab);
  lbPattern->setObjectName("lbPattern");
  cbxPattern = new TcxSSColorComboBox(tab);
  cbxPattern->setObjectName("cbxPattern");
  cbxPattern->SetIncludeBrushes(true);
  cbxPattern->SetAutomaticColor(0);
  cbxPattern->OnChange = [this] { Changed(tagPattern); };
  lbPattern->setBuddy(cbxPattern);
  auto* gbPatSample = new QGroupBox("Sample", tab);
  gbPatSample->setObjectName("gbPatSample");
  auto* sampleLayout = new QVBoxLayout(gbPatSample);
  ppPattern = new TcxPaintPanel(gbPatSample);
  ppPattern->setObjectName("ppPattern");
  ppPattern->setMinimumSize(120, 60);
  ppPattern->OnPaint = [this](TcxPaintPanel&, QPainter& painter) { PaintPattern(painter); };
  sampleLayout->addWidget(ppPattern);
  patternColumn->addWidget(lbPattern);
  patternColumn->addWidget(cbxPattern);
  patternColumn->addWidget(gbPatSample, 1);
  row->addLayout(patternColumn, 1);
  layout->addLayout(row, 1);
  pcSheets->addTab(tab, "&Patterns");
}

// --- Execute ---------------------------------------------------------------------------------------

void TcxSSStyleDesigner::Execute(const TRect& cells, TcxSSBookSheet& sheet) {
  changes_ = 0;
  loading_ = true;
  cells_ = cells;
  sheet_ = &sheet;
  columns_ = std::min(cells.Right - cells.Left + 1, 2);
  rows_ = std::min(cells.Bottom - cells.Top + 1, 2);
  {
    const TScopeGuard unload([this] { loading_ = false; });
    Load();
  }
  if (QWidget* control = parentWidget()) {
    const QRect area(control->mapToGlobal(QPoint(0, 0)), control->size());
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  if (exec() == QDialog::Accepted && changes_ != 0) Apply();
}

void TcxSSStyleDesigner::Load() {
  TcxCustomSpreadSheetBook& book = sheet_->Owner();
  palette_ = book.Palette();
  wrapper_->RefreshColors();
  cbxBorderColor->AssignPalette(palette_);
  cbxPattern->AssignPalette(palette_);
  cplPatColor->AssignPalette(palette_);
  cbxFontColor->AssignPalette(palette_);

  btnVMiddle->setEnabled(rows_ > 1);
  btnMiddle->setEnabled(columns_ > 1);
  btnInner->setEnabled(rows_ > 1 || columns_ > 1);

  TcxSSCellObject topLeft(sheet_->DataStorage(), cells_.Left, cells_.Top);
  TcxSSCellStyle& tl = topLeft.Style();
  cbxBorderColor->SetAutomaticColor(57);
  cbxBorderColor->SetSelectedColor(tl.Borders().Left().Color());
  cbxHorzAlign->setCurrentIndex(tl.HorzTextAlign());
  cbxVertAlign->setCurrentIndex(tl.VertTextAlign());
  chxWordWrap->setChecked(tl.WordBreak());
  const TcxSSFont& font = tl.Font();
  fontDesc_ = {font.Name(), font.Height() / 20.0, font.Style(), font.Charset()};
  fontColor_ = font.FontColor();

  const TxlsDataFormat format = tl.StoredFormat();
  int category = catText;
  if (format == kFormatGeneral)
    category = catGeneral;
  else if (IsCurrencyFormat(format))
    category = catCurrency;
  else if (IsDateTimeFormat(format))
    category = catDateTime;
  else if (IsNumberFormat(format))
    category = catNumber;
  categories_[category]->setChecked(true);
  ChooseCategory(category);
  lbStyleTypes->SelectFormat(format);
  format_ = format;

  TcxSSCellObject bottomRight(sheet_->DataStorage(), cells_.Right, cells_.Bottom);
  TcxSSCellStyle& br = bottomRight.Style();
  h_ = {};
  v_ = {};
  h_[0] = ReadEdge(tl.Borders().Top());
  v_[0] = ReadEdge(tl.Borders().Left());
  h_[1] = ReadEdge(tl.Borders().Bottom());
  v_[1] = ReadEdge(tl.Borders().Right());
  h_[rows_] = ReadEdge(br.Borders().Bottom());
  v_[columns_] = ReadEdge(br.Borders().Right());

  TcxSSBrush& brush = tl.Brush();
  cbxPattern->SetSelectedBrush(brush.Style());
  cplPatColor->SetSelectedColor(brush.BackgroundColor() > 55 ? 57 : brush.BackgroundColor());
  cbxPattern->SetAutomaticColor(0);
  cbxPattern->SetSelectedColor(brush.ForegroundColor() > 55 ? 0 : brush.ForegroundColor());
  ppFontPaint->update();
  ppPattern->update();
  ppPaintBorders->update();
}

// --- Changes ---------------------------------------------------------------------------------------

void TcxSSStyleDesigner::Changed(TTag tag) {
  if (loading_) return;
  changes_ |= uint16_t(1u << tag);
  switch (tag) {
    case tagHorzAlign:
    case tagVertAlign:
    case tagWordWrap:
    case tagFont:
      ppFontPaint->update();
      break;
    case tagNone:
      for (TLine& line : h_) line = {lsNone, kColorNone};
      for (TLine& line : v_) line = {lsNone, kColorNone};
      break;
    case tagOuter:
      SetLine(h_[0]);
      SetLine(h_[rows_]);
      SetLine(v_[0]);
      SetLine(v_[columns_]);
      break;
    case tagInner:
      if (rows_ == 2) SetLine(h_[1]);
      if (columns_ == 2) SetLine(v_[1]);
      break;
    case tagTop: ToggleLine(h_[0]); break;
    case tagVMiddle: ToggleLine(h_[1]); break;
    case tagDown: ToggleLine(h_[rows_]); break;
    case tagLeft: ToggleLine(v_[0]); break;
    case tagMiddle: ToggleLine(v_[1]); break;
    case tagRight: ToggleLine(v_[columns_]); break;
    case tagPatColor:
    case tagPattern:
      ppPattern->update();
      break;
    case tagFormat:
      break;
  }
  ppPaintBorders->update();
}

void TcxSSStyleDesigner::ChooseCategory(int category) {
  lbStyleDescription->setText(kCategories[category].Description);
  switch (category) {
    case catNumber: lbStyleTypes->Fill(kNumberFormats); break;
    case catCurrency: lbStyleTypes->Fill(kCurrencyFormats); break;
    case catDateTime: lbStyleTypes->Fill(kDateTimeFormats); break;
    default:
      lbStyleTypes->Fill({});
      format_ = category == catText ? kFormatText : kFormatGeneral;
      Changed(tagFormat);
  }
}

void TcxSSStyleDesigner::RunFontDialog() {
  QFont font(QString::fromStdString(fontDesc_.Name));
  font.setPointSizeF(std::max(1.0, fontDesc_.Size));
  font.setBold(fontDesc_.Style & kFontBold);
  font.setItalic(fontDesc_.Style & kFontItalic);
  font.setUnderline(fontDesc_.Style & kFontUnderline);
  font.setStrikeOut(fontDesc_.Style & kFontStrikeOut);
  FontDialog->setCurrentFont(font);
  // A face this computer lacks is shown as a substitute, which may not offer the cell's weight
  // or slant: whatever the user leaves as the dialog first showed it stays as the cell has it.
  const QFont shown = FontDialog->currentFont();
  cbxFontColor->SetSelectedColor(fontColor_ < palette_.size() ? fontColor_ : kColorAuto);
  if (FontDialog->exec() != QDialog::Accepted) return;
  const uint8_t color = cbxFontColor->SelectedColor();
  fontColor_ = color == kSelectedAutomatic ? kColorAuto : color;
  const QFont chosen = FontDialog->selectedFont();
  uint8_t style = fontDesc_.Style;
  const auto follow = [&](bool now, bool before, uint8_t bit) {
    if (now != before) style = now ? (style | bit) : (style & ~bit);
  };
  follow(chosen.bold(), shown.bold(), kFontBold);
  follow(chosen.italic(), shown.italic(), kFontItalic);
  follow(chosen.underline(), shown.underline(), kFontUnderline);
  follow(chosen.strikeOut(), shown.strikeOut(), kFontStrikeOut);
  const std::string name = chosen.family() == shown.family() ? fontDesc_.Name : chosen.family().toStdString();
  const double size = chosen.pointSizeF() > 0 && chosen.pointSizeF() != shown.pointSizeF() ? chosen.pointSizeF() : fontDesc_.Size;
  fontDesc_ = {name, size, style, fontDesc_.Charset};
  Changed(tagFont);
}

TcxSSColor TcxSSStyleDesigner::BorderColor() const {
  const uint8_t color = cbxBorderColor->SelectedColor();
  return color == kSelectedAutomatic ? cbxBorderColor->AutomaticColor() : color;
}

void TcxSSStyleDesigner::ToggleLine(TLine& line) {
  const TcxSSColor color = BorderColor();
  if (line == TLine{lineStyle_, color})
    line = {lsNone, color};
  else
    line = {lineStyle_, lineStyle_ == lsDefault ? kColorNone : color};
}

void TcxSSStyleDesigner::SetLine(TLine& line) { line = {lineStyle_, BorderColor()}; }

void TcxSSStyleDesigner::BorderPreviewClick(QPoint point) {
  const int w = ppPaintBorders->width();
  const int h = ppPaintBorders->height();
  const int rowHeight = static_cast<int>(std::lround((h - 40) / double(rows_)));
  const int colWidth = static_cast<int>(std::lround((w - 40) / double(columns_)));
  for (int i = 0; i <= rows_; ++i) {
    const int y = 20 + i * rowHeight;
    if (point.x() < 20 || point.x() > w - 21 || std::abs(point.y() - y) > 5) continue;
    Changed(i == 0 ? tagTop : i == rows_ ? tagDown : tagVMiddle);
  }
  for (int j = 0; j <= columns_; ++j) {
    const int x = 20 + j * colWidth;
    if (point.y() < 19 || point.y() > h - 19 || std::abs(point.x() - x) > 5) continue;
    Changed(j == 0 ? tagLeft : j == columns_ ? tagRight : tagMiddle);
  }
}

// --- Apply -----------------------------------------------------------------------------------------

void TcxSSStyleDesigner::Apply() {
  const auto has = [this](TTag tag) { return (changes_ & (1u << tag)) != 0; };
  const auto set = [this](TTag tag) { changes_ |= uint16_t(1u << tag); };
  if (has(tagNone)) set(tagOuter), set(tagInner);
  if (has(tagOuter)) set(tagTop), set(tagDown), set(tagLeft), set(tagRight);
  if (has(tagInner)) set(tagVMiddle), set(tagMiddle);

  const bool cellChanges = has(tagHorzAlign) || has(tagVertAlign) || has(tagWordWrap) ||
                           has(tagFont) || has(tagPatColor) || has(tagPattern) || has(tagFormat);
  TcxCustomSpreadSheetBook& book = sheet_->Owner();
  const auto [left, top, right, bottom] = cells_;
  book.BeginUpdate();
  TryFinally(
      [&] {
        TcxSSCellObject cell(sheet_->DataStorage(), left, top);
        for (int c = left; c <= right + 1; ++c) {
          for (int r = top; r <= bottom + 1; ++r) {
            cell.MoveTo(c, r);
            if (c <= right && r <= bottom && cellChanges) {
              TcxSSCellStyle& style = cell.Style();
              if (has(tagHorzAlign)) style.SetHorzTextAlign(static_cast<TcxHorzTextAlign>(cbxHorzAlign->currentIndex()));
              if (has(tagVertAlign)) style.SetVertTextAlign(static_cast<TcxVertTextAlign>(cbxVertAlign->currentIndex()));
              if (has(tagWordWrap)) style.SetWordBreak(chxWordWrap->isChecked());
              if (has(tagFont))
                style.Font().SetValuesOfHeight(fontDesc_.Name,
                                               static_cast<int16_t>(std::lround(fontDesc_.Size * 20)),
                                               fontColor_, fontDesc_.Charset, fontDesc_.Style);
              if (has(tagPatColor) || has(tagPattern))
                style.Brush().SetValues(cbxPattern->SelectedBrush(), cplPatColor->SelectedColor(),
                                        cbxPattern->SelectedColor());
              if (has(tagFormat) && style.StoredFormat() != format_) style.SetStoredFormat(format_);
            }
            if (r <= bottom) {
              const TLine* line = nullptr;
              if (c == left && has(tagLeft))
                line = &v_[0];
              else if (c == right + 1 && has(tagRight))
                line = &v_[columns_];
              else if (c > left && c <= right && has(tagMiddle))
                line = &v_[1];
              if (line) cell.Style().Borders().Left().SetPackedValue(Packed(*line));
            }
            if (c <= right) {
              const TLine* line = nullptr;
              if (r == top && has(tagTop))
                line = &h_[0];
              else if (r == bottom + 1 && has(tagDown))
                line = &h_[rows_];
              else if (r > top && r <= bottom && has(tagVMiddle))
                line = &h_[1];
              if (line) cell.Style().Borders().Top().SetPackedValue(Packed(*line));
            }
          }
        }
      },
      [&] {
        book.EndUpdate();
        book.UpdateControl();
      });
}

// --- Painting --------------------------------------------------------------------------------------

TColor TcxSSStyleDesigner::ForegroundShown(uint8_t color) const {
  return color < palette_.size() ? palette_[color] : kclBlack;
}

TColor TcxSSStyleDesigner::BackgroundShown(uint8_t color) const {
  return color < palette_.size() ? palette_[color] : kclWhite;
}

void TcxSSStyleDesigner::PaintPattern(QPainter& painter) {
  TcxCanvasWrapper& canvas = *wrapper_;
  canvas.SetCanvas(&painter);
  uint8_t pattern = cbxPattern->SelectedColor();
  if (pattern == kSelectedAutomatic) pattern = cbxPattern->AutomaticColor();
  uint8_t background = cplPatColor->SelectedColor();
  if (background == kSelectedAutomatic) background = kColorNone;
  canvas.FillPattern({0, 0, ppPattern->width() - 1, ppPattern->height() - 1}, cbxPattern->SelectedBrush(),
                     ForegroundShown(pattern), BackgroundShown(background));
  canvas.ResetCanvas();
}

void TcxSSStyleDesigner::PaintFontSample(QPainter& painter) {
  TcxCanvasWrapper& canvas = *wrapper_;
  canvas.SetCanvas(&painter);
  const TRect client{0, 0, ppFontPaint->width() - 1, ppFontPaint->height() - 1};
  canvas.FillRect(client, kclBtnFace);
  canvas.SetFont(&canvas.ScreenFont(fontDesc_));
  canvas.SetTextColor(ForegroundShown(fontColor_));
  TcxTextParameters params;
  const TRect textRect{client.Left + 4, client.Top + 2, client.Right - 4, client.Bottom - 2};
  TcxHorzTextAlign horz = static_cast<TcxHorzTextAlign>(std::max(0, cbxHorzAlign->currentIndex()));
  if (horz == haGENERAL) horz = haLEFT;
  if (horz == haCENTERACROSS) horz = haCENTER;
  if (horz == haDISTRIBUTED) horz = haJUSTIFY;
  TcxVertTextAlign vert = static_cast<TcxVertTextAlign>(std::max(0, cbxVertAlign->currentIndex()));
  if (vert == vaDISTRIBUTED) vert = vaJUSTIFY;
  canvas.LayoutText(kSampleText, textRect, params, chxWordWrap->isChecked(), vert, horz);
  params.TextColor = kKeepTextColor;
  canvas.DrawText(textRect, params);
  canvas.ResetCanvas();
}

void TcxSSStyleDesigner::PaintBorders(QPainter& painter) {
  TcxCanvasWrapper& canvas = *wrapper_;
  canvas.SetCanvas(&painter);
  const int w = ppPaintBorders->width();
  const int h = ppPaintBorders->height();
  uint8_t pattern = cbxPattern->SelectedColor();
  if (pattern == kSelectedAutomatic) pattern = cbxPattern->AutomaticColor();
  uint8_t background = cplPatColor->SelectedColor();
  if (background == kSelectedAutomatic) background = kColorNone;
  canvas.FillPattern({0, 0, w - 1, h - 1}, cbxPattern->SelectedBrush(), ForegroundShown(pattern),
                     BackgroundShown(background));
  const int rowHeight = static_cast<int>(std::lround((h - 40) / double(rows_)));
  const int colWidth = static_cast<int>(std::lround((w - 40) / double(columns_)));
  painter.setPen(Qt::black);
  for (int i = 0; i < rows_; ++i)
    for (int j = 0; j < columns_; ++j)
      painter.drawText(QRect(20 + j * colWidth, 20 + i * rowHeight, colWidth, rowHeight), Qt::AlignCenter, "Text");
  const TcxSSColor backgroundIndex = background < palette_.size() ? background : kColorNone;
  for (int i = 0; i <= rows_; ++i) {
    const TLine& line = h_[i];
    DrawStyledLine(canvas, false, 20, w - 21, 20 + i * rowHeight, line.Style, line.Color, backgroundIndex);
  }
  for (int j = 0; j <= columns_; ++j) {
    const TLine& line = v_[j];
    DrawStyledLine(canvas, true, 20, h - 20, 20 + j * colWidth, line.Style, line.Color, backgroundIndex);
  }
  canvas.ResetCanvas();
}
