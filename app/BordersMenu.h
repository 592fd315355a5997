#pragma once

#include <QMenu>
#include <array>

class QToolButton;

// The drop-down of the borders button: the twelve border presets as pictures, in four columns
// of three (a new column starts at the 4th, 7th and 10th preset). Choosing one closes the menu
// and reports its index.
class TBordersMenu : public QMenu {
  Q_OBJECT

public:
  explicit TBordersMenu(QWidget* parent = nullptr);

  static constexpr int kPresetCount = 12;
  // The action of preset `index`; triggering it chooses the preset.
  QAction* Preset(int index) const { return presets_[index]; }
  QToolButton* PresetButton(int index) const { return buttons_[index]; }

signals:
  void PresetChosen(int index);

private:
  std::array<QAction*, kPresetCount> presets_{};
  std::array<QToolButton*, kPresetCount> buttons_{};
};
