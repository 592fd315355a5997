#include "app/HistoryMenu.h"

#include <QPainter>
#include <QPaintEvent>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kItemWidth = 90;
// The extra height of the summary line.
constexpr int kSummaryHeight = 10;
// Room left and right of an item's text.
constexpr int kTextMargin = 4;

// Sizes the items: as high as "W", the summary item (the one without a caption) higher, all as
// wide as the widest caption or summary text needs and at least kItemWidth; no margins
// around the items, so the item rectangles tile the menu from its top.
class THistoryMenuStyle : public QProxyStyle {
public:
  explicit THistoryMenuStyle(const QString& widestSummary) : widestSummary_(widestSummary) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_MenuHMargin:
      case PM_MenuVMargin:
      case PM_MenuDesktopFrameWidth:
        return 0;
      case PM_MenuPanelWidth:
        return 1;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override {
    if (type != CT_MenuItem || !option)
      return QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    const QFontMetrics& metrics = option->fontMetrics;
    // The text height of "W": the font's line height.
    const int height = metrics.height();
    const QString text = item ? item->text : QString();
    const int width = std::max({kItemWidth, metrics.horizontalAdvance(text) + 2 * kTextMargin,
                                metrics.horizontalAdvance(widestSummary_) + 2 * kTextMargin});
    return {width, text.isEmpty() ? height + kSummaryHeight : height};
  }

private:
  QString widestSummary_;
};

}  // namespace

THistoryMenu::THistoryMenu(const QString& summaryFormat, QWidget* parent)
    : QMenu(parent), summaryFormat_(summaryFormat) {
  auto* style = new THistoryMenuStyle(summaryFormat_.arg(88));
  style->setParent(this);
  setStyle(style);
  // Hovering changes the highlight of every item above the pointer, not only of the one
  // under it.
  connect(this, &QMenu::hovered, this, [this] { update(); });
  connect(this, &QMenu::triggered, this, [this](QAction* action) {
    const int index = static_cast<int>(actions().indexOf(action));
    if (index >= 0 && index < actions().size() - 1) emit StepsChosen(index + 1);
  });
}

THistoryMenu::~THistoryMenu() = default;

void THistoryMenu::SetSteps(const std::vector<std::string>& descriptions) {
  clear();
  for (const std::string& description : descriptions) {
    // Captions are shown as they are: no accelerator letters.
    QString caption = QString::fromStdString(description);
    caption.replace('&', "&&");
    addAction(caption);
  }
  addAction(QString());
}

int THistoryMenu::HoveredIndex() const {
  return activeAction() ? static_cast<int>(actions().indexOf(activeAction())) : -1;
}

int THistoryMenu::SummaryCount() const {
  const int count = static_cast<int>(actions().size());
  const int hovered = HoveredIndex();
  // The summary line follows the hovered step; over the summary item itself, or with nothing
  // hovered, it counts every step.
  return hovered >= 0 && hovered < count - 1 ? hovered + 1 : std::max(0, count - 1);
}

QString THistoryMenu::SummaryText() const { return summaryFormat_.arg(SummaryCount()); }

void THistoryMenu::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colors = palette();
  painter.fillRect(rect(), colors.color(QPalette::Window));
  painter.setPen(colors.color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  const QList<QAction*> items = actions();
  if (items.isEmpty()) return;
  const int count = static_cast<int>(items.size());
  const int hovered = HoveredIndex();
  for (int k = 0; k < count - 1; ++k) {
    const QRect box = actionGeometry(items[k]);
    const bool lit = hovered >= 0 && (hovered == count - 1 || k <= hovered);
    painter.fillRect(box, colors.color(lit ? QPalette::Highlight : QPalette::Window));
    painter.setPen(colors.color(lit ? QPalette::HighlightedText : QPalette::WindowText));
    painter.drawText(box.adjusted(kTextMargin, 0, -kTextMargin, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                     items[k]->text());
  }

  // The summary line: a sunken panel inside the last item with the format text centred.
  const QRect last = actionGeometry(items.back());
  const QRect panel = last.adjusted(1, 1, -1, -1);
  painter.fillRect(last, colors.color(QPalette::Window));
  painter.setPen(colors.color(QPalette::Dark));
  painter.drawLine(panel.topLeft(), panel.topRight());
  painter.drawLine(panel.topLeft(), panel.bottomLeft());
  painter.setPen(colors.color(QPalette::Light));
  painter.drawLine(panel.bottomLeft(), panel.bottomRight());
  painter.drawLine(panel.topRight(), panel.bottomRight());
  painter.setPen(colors.color(QPalette::WindowText));
  painter.drawText(panel, Qt::AlignCenter, SummaryText());
}
