#include "dialogs/cxSSCtrls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Draws a format item: its text 10 pixels from the left on the highlight colour when selected,
// else on the window colour, inside a button-face frame; a highlighted item's text is inverted.
class TStyleItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QColor back = selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
    painter->fillRect(option.rect, back);
    painter->setPen(palette.color(QPalette::Button));
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    const QColor text = selected ? QColor(255, 255, 255) : QColor(0, 0, 0);
    painter->setPen(text);
    painter->drawText(option.rect.adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(16, option.fontMetrics.height() + 2));
    return size;
  }
};

}  // namespace

// --- TcxSSStyleListBox -----------------------------------------------------------------------------

TcxSSStyleListBox::TcxSSStyleListBox(QWidget* parent) : QListWidget(parent) {
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setItemDelegate(new TStyleItemDelegate(this));
  hide();
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(items_.size()) && OnSelectFormat)
      OnSelectFormat(items_[row].Format);
  });
}

void TcxSSStyleListBox::Fill(std::span<const TcxSSStyleListBoxItem> items) {
  {
    const QSignalBlocker blocker(this);
    clear();
    items_ = items;
    for (const TcxSSStyleListBoxItem& item : items)
      addItem(QString::fromUtf8(item.Text.data(), static_cast<qsizetype>(item.Text.size())));
  }
  setVisible(!items.empty());
  if (!items.empty()) setCurrentRow(0);  // reports the first format
}

bool TcxSSStyleListBox::SelectFormat(TxlsDataFormat format) {
  for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
    if (items_[row].Format != format) continue;
    setCurrentRow(row);
    return true;
  }
  return false;
}

TxlsDataFormat TcxSSStyleListBox::FormatAt(int row) const {
  return row >= 0 && row < static_cast<int>(items_.size()) ? items_[row].Format : 0;
}

// --- TcxLabelBevel ---------------------------------------------------------------------------------

TcxLabelBevel::TcxLabelBevel(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TcxLabelBevel::SetCaptionText(const QString& value) {
  caption_ = value;
  updateGeometry();
  update();
}

QSize TcxLabelBevel::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(caption_) + 20, metrics.height() + 2};
}

void TcxLabelBevel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(QRect(0, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter, caption_);
  const int x = metrics.horizontalAdvance(caption_) + 3;
  const int y = height() / 2;
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(x, y, width() - 1, y);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(x, y + 1, width() - 1, y + 1);
}

// --- TcxPaintPanel ---------------------------------------------------------------------------------

TcxPaintPanel::TcxPaintPanel(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void TcxPaintPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (OnPaint) {
    OnPaint(*this, painter);
    return;
  }
  painter.fillRect(rect(), palette().color(QPalette::Button));
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TcxPaintPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnClick) OnClick(*this, event->position().toPoint());
}
