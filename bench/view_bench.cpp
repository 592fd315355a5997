// Laying out and painting full 1920 × 1080 views of a sheet of 1,000,000 cells (100 columns ×
// 10,000 rows) whose every cell holds a formatted number or a text: 100 scroll steps of one
// screen each down and across the sheet, each step a new layout and a full paint of the control
// into an image. Prints the time per frame (layout and paint together, then each alone).
//
//   QT_QPA_PLATFORM=offscreen build/release/bench/view_bench [steps]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <numeric>
#include <vector>

#include "bench/FrameStats.h"
#include "calc/cxSSConvert.h"
#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "platform/qt/QtEnvironment.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "sheet/cxSpreadSheetHistory.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"
#include "view/cxSSBookSheetControl.h"
#include "view/cxSSheetViewInfo.h"
#include "view/cxSpreadSheetBookControl.h"

namespace {

constexpr int kCols = 100;
constexpr int kRows = 10000;
constexpr const char* kWords[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta"};

// Number formats of the numeric columns: general, 0.00, #,##0.00, currency, percent, date.
constexpr TxlsDataFormat kFormats[] = {0, 2, 4, 8, 10, 14};

void Fill(TcxSpreadSheetBook& book) {
  TcxSSDataStorage& storage = book.ActiveSheet().DataStorage();
  TcxSSStyleCache& cache = book.StyleCache();
  const TRegionalSettings& settings = book.Settings();
  std::vector<TcxSSStyleRec> styles;
  for (TxlsDataFormat format : kFormats) {
    TcxSSStyleRec rec = *cache.DefaultRecord();
    rec.Format = format;
    styles.push_back(rec);
  }
  TcxSSStyleRec bold = *cache.DefaultRecord();
  bold.Font = cache.GetFontRec("Tahoma", kFontBold, 57, 8, 1);
  bold.HorzTextAlign = haCENTER;
  styles.push_back(bold);

  book.History().Lock();
  book.BeginUpdate();
  for (int col = 0; col < kCols; ++col) {
    for (int row = 0; row < kRows; ++row) {
      TcxSSCellRec cell;
      if (col % 4 == 3) {
        cell.Kind = ckText;
        cell.Text = std::string(kWords[(row + col) % 8]) + " " + std::to_string(row % 1000);
        cell.Style = cache.AddStyle(styles.back());
      } else {
        cell.Kind = ckNumber;
        cell.Number = (row * 10 + col) * (row % 2 ? -0.75 : 1.25);
        if (col % 6 == 5) cell.Number = 40000 + row % 3000;  // a date
        cell.Text = FloatToText(cell.Number, settings);
        cell.Style = cache.AddStyle(styles[col % 6]);
      }
      storage.SetCell(col, row, cell);
    }
  }
  book.EndUpdate();
  book.History().Unlock();
}


}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int steps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  auto environment = MakeQtEnvironment();
  environment->Settings = TRegionalSettings::English();
  environment->Messages = std::make_shared<TRecordingMessageBox>();
  TcxSpreadSheetBook book(environment);
  book.DefaultStyle().Font().SetName("Tahoma");
  book.SetPainterType(ptOfficeXPStyle);

  QElapsedTimer fillTimer;
  fillTimer.start();
  Fill(book);
  std::printf("filled %d cells in %.0f ms\n", kCols * kRows, fillTimer.nsecsElapsed() / 1e6);

  TcxSpreadSheetBookControl control(book);
  control.resize(1920, 1080);
  control.show();
  QApplication::processEvents();
  TcxSSBookSheetControl& sheet = *control.ActiveSheetControl();
  TcxSSheetViewInfo& viewInfo = sheet.ViewInfo();
  QImage image(control.size(), QImage::Format_RGB32);

  // One frame: scroll (which lays the view out) and paint the whole control.
  std::vector<double> frames, layouts, paints, walls;
  int cells = 0;
  for (int step = 0; step < steps; ++step) {
    const TPoint last = viewInfo.GetBottomRight();
    const TPoint first = viewInfo.GetTopLeft();
    int col = last.X + 1;
    int row = last.Y + 1;
    if (col + (last.X - first.X) >= kCols) col = 0;
    if (row + (last.Y - first.Y) >= kRows) row = 0;

    QElapsedTimer timer;
    timer.start();
    const double start = ProcessMilliseconds();
    viewInfo.SetTopLeft(col, row);
    const double layout = ProcessMilliseconds() - start;
    // The control and its tab strip; the scroll bars are Qt's own widgets.
    control.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const double total = ProcessMilliseconds() - start;
    walls.push_back(timer.nsecsElapsed() / 1e6);
    frames.push_back(total);
    layouts.push_back(layout);
    paints.push_back(total - layout);
    cells += (viewInfo.Data().BrickCount.X - 1) * (viewInfo.Data().BrickCount.Y - 1);
  }
  const TStats frame = Stats(frames), layout = Stats(layouts), paint = Stats(paints),
               wall = Stats(walls);
  std::printf("%d frames of %dx%d, %d cells laid out per frame\n", steps, control.width(),
              control.height(), cells / steps);
  std::printf("processor time per frame:\n");
  std::printf("frame  (layout + paint): mean %.2f ms, median %.2f ms, max %.2f ms\n", frame.Mean,
              frame.Median, frame.Max);
  std::printf("layout:                  mean %.2f ms, median %.2f ms, max %.2f ms\n", layout.Mean,
              layout.Median, layout.Max);
  std::printf("paint:                   mean %.2f ms, median %.2f ms, max %.2f ms\n", paint.Mean,
              paint.Median, paint.Max);
  std::printf("wall-clock time per frame (depends on the machine's load):\n");
  std::printf("frame  (layout + paint): mean %.2f ms, median %.2f ms, max %.2f ms\n", wall.Mean,
              wall.Median, wall.Max);
  if (argc > 2) image.save(argv[2], "PNG");
  return 0;
}
