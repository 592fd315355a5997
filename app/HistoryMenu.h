#pragma once

#include <QMenu>
#include <string>
#include <vector>

// The drop-down list of the undo (or redo) button: one item per step of the list, newest first,
// and a last, empty item below them that serves as the summary line. Hovering over step k
// highlights steps 0 … k and the summary line reads the format text with k + 1 ("Poništi 3
// operaciju"); choosing step k undoes (redoes) k + 1 steps at once. The summary item itself
// does nothing.
//
// The menu draws its items itself: each is as high as the text "W", the summary line 10 higher,
// framed as a sunken panel.
class THistoryMenu : public QMenu {
  Q_OBJECT

public:
  // `summaryFormat` holds one %1 for the number of steps.
  THistoryMenu(const QString& summaryFormat, QWidget* parent = nullptr);
  ~THistoryMenu() override;

  // Rebuilds the items: the descriptions of the steps, newest first.
  void SetSteps(const std::vector<std::string>& descriptions);
  // The number of steps the summary line shows now.
  int SummaryCount() const;
  QString SummaryText() const;

signals:
  // The user chose a step: undo (redo) this many.
  void StepsChosen(int count);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  // The index of the hovered item, or -1.
  int HoveredIndex() const;

  QString summaryFormat_;
};
