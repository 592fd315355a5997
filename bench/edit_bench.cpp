// Typing into a cell of a sheet of 1,000,000 cells (100 columns × 10,000 rows) of which 10,000
// are formulas depending on that cell, and committing the edit: the typed character opens the
// in-place editor, Enter writes the text through a cell object (one history step), the formulas
// are recalculated once, the view is laid out again and the whole 1920 × 1080 control is
// painted. Prints the time per edit, from the key press to the painted control.
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/edit_bench [edits]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <string>
#include <vector>

#include "bench/FrameStats.h"
#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "platform/qt/QtEnvironment.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSStyleCache.h"
#include "view/cxSSBookSheetControl.h"
#include "view/cxSSInplaceTextEdit.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

constexpr int kCols = 100;
constexpr int kRows = 10000;

// Columns A … CU hold numbers; the last column holds one formula per row over A1.
void Fill(TcxSpreadSheetBook& book) {
  TcxSSDataStorage& storage = book.ActiveSheet().DataStorage();
  const TRegionalSettings& settings = book.Settings();
  TcxSSStyleCache& cache = book.StyleCache();
  const TcxSSStyleRec plain = *cache.DefaultRecord();
  book.History().Lock();
  book.BeginUpdate();
  for (int col = 0; col < kCols - 1; ++col) {
    for (int row = 0; row < kRows; ++row) {
      TcxSSCellRec cell;
      cell.Kind = ckNumber;
      cell.Number = row * 10 + col;
      cell.Text = FloatToText(cell.Number, settings);
      cell.Style = cache.AddStyle(plain);
      storage.SetCell(col, row, cell);
    }
  }
  for (int row = 0; row < kRows; ++row)
    storage.SetCellText(kCols - 1, row, "=$A$1*" + std::to_string(row + 1) + "+B" + std::to_string(row + 1),
                        true, false);
  book.EndUpdate();
  book.History().Unlock();
}

void SendKey(QWidget* target, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int edits = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  auto environment = MakeQtEnvironment();
  environment->Settings = TRegionalSettings::English();
  environment->Messages = std::make_shared<TRecordingMessageBox>();
  TcxSpreadSheetBook book(environment);

  QElapsedTimer fillTimer;
  fillTimer.start();
  Fill(book);
  std::printf("filled %d cells (%d formulas over A1) in %.0f ms\n", kCols * kRows, kRows,
              fillTimer.nsecsElapsed() / 1e6);

  TcxSpreadSheetBookControl control(book);
  control.resize(1920, 1080);
  control.show();
  control.activateWindow();
  control.setFocus();
  QApplication::processEvents();
  QImage image(control.size(), QImage::Format_RGB32);
  TcxSSBookSheet& sheet = book.ActiveSheet();

  std::vector<double> times, walls;
  for (int edit = 0; edit < edits; ++edit) {
    sheet.SetSelection({0, 0, 0, 0});
    const QString digit = QString::number(1 + edit % 9);
    QElapsedTimer timer;
    timer.start();
    const double start = ProcessMilliseconds();
    SendKey(&control, Qt::Key_1 + edit % 9, digit);
    TcxSSInplaceTextEdit* editor = control.InplaceEditorIfMade();
    if (!editor || !editor->isVisible()) {
      std::printf("edit %d: the key opened no editor\n", edit);
      return 1;
    }
    SendKey(editor, Qt::Key_Return, "\r");
    control.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    times.push_back(ProcessMilliseconds() - start);
    walls.push_back(timer.nsecsElapsed() / 1e6);

    // The edit reached every formula.
    TcxSSCellObject last(sheet.DataStorage(), kCols - 1, kRows - 1);
    const double expected = (1 + edit % 9) * double(kRows) + (kRows - 1) * 10 + 1;
    if (last.ValueText() != FloatToText(expected, book.Settings())) {
      std::printf("edit %d: the last formula shows %s, not %.0f\n", edit, last.ValueText().c_str(), expected);
      return 1;
    }
  }
  const TStats cpu = Stats(times), wall = Stats(walls);
  std::printf("%d edits of A1 with %d dependent formulas, %dx%d control\n", edits, kRows,
              control.width(), control.height());
  std::printf("processor time per edit (key, commit, recalculation, layout, paint): mean %.2f ms, "
              "median %.2f ms, max %.2f ms\n",
              cpu.Mean, cpu.Median, cpu.Max);
  std::printf("wall-clock time per edit (depends on the machine's load): mean %.2f ms, median %.2f "
              "ms, max %.2f ms\n",
              wall.Mean, wall.Median, wall.Max);
  return 0;
}
