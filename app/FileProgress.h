#pragma once

#include <QElapsedTimer>
#include <chrono>
#include <functional>

class QProgressBar;
class TcxCustomSpreadSheetBook;

// While a workbook is loaded or saved: the busy cursor, and once the work has taken `delay`, its
// progress (the workbook's OnProgress percentages) in `bar`, a progress bar of the status bar.
// The work runs on the user-interface thread, so the bar is painted as each percentage arrives.
// Everything is put back (cursor, bar, the workbook's own progress handler) when the object goes,
// also when the work fails.
class TFileProgress {
public:
  TFileProgress(QProgressBar& bar, TcxCustomSpreadSheetBook& book,
                std::chrono::milliseconds delay = std::chrono::milliseconds(500));
  ~TFileProgress();
  TFileProgress(const TFileProgress&) = delete;
  TFileProgress& operator=(const TFileProgress&) = delete;

private:
  void Report(int percent);

  QProgressBar& bar_;
  TcxCustomSpreadSheetBook& book_;
  std::chrono::milliseconds delay_;
  QElapsedTimer clock_;
  std::function<void(TcxCustomSpreadSheetBook&, int)> previous_;
};
