#include "app/BordersMenu.h"

#include <QGridLayout>
#include <QToolButton>
#include <QWidgetAction>

#include "app/ShellIcons.h"

namespace {

constexpr int kPictureSize = 24;
constexpr int kRowsPerColumn = 3;

}  // namespace

TBordersMenu::TBordersMenu(QWidget* parent) : QMenu(parent) {
  auto* grid = new QWidget(this);
  grid->setObjectName("pmBordersGrid");
  auto* layout = new QGridLayout(grid);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  for (int index = 0; index < kPresetCount; ++index) {
    auto* preset = new QAction(BorderPresetIcon(index), QString(), this);
    preset->setObjectName(QString("pmBorders%1").arg(index));
    connect(preset, &QAction::triggered, this, [this, index] {
      close();
      emit PresetChosen(index);
    });
    presets_[index] = preset;

    auto* button = new QToolButton(grid);
    button->setObjectName(QString("pmBordersButton%1").arg(index));
    button->setDefaultAction(preset);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(kPictureSize, kPictureSize));
    layout->addWidget(button, index % kRowsPerColumn, index / kRowsPerColumn);
    buttons_[index] = button;
  }
  auto* item = new QWidgetAction(this);
  item->setDefaultWidget(grid);
  addAction(item);
}
