#pragma once

#include <QSet>
#include <QStringList>
#include <memory>
#include <stdexcept>

#include "app/FeatureChildForm.h"
#include "app/WorkbookFiles.h"
#include "calc/cxSSTypes.h"

// What the shell asked of the file format: every load and save as "caption <- file" (the
// window's caption at the time) and the files that are to fail.
struct TFileLog {
  QStringList Loads;
  QStringList Saves;
  QSet<QString> FailingLoads;
  QSet<QString> FailingSaves;
};

class TFakeWorkbookFiles : public IWorkbookFiles {
public:
  explicit TFakeWorkbookFiles(std::shared_ptr<TFileLog> log) : log_(std::move(log)) {}
  TcxLoadReport Load(TFeatureChildForm& window, const std::string& fileName) override {
    const QString file = QString::fromStdString(fileName);
    log_->Loads << window.windowTitle() + " <- " + file;
    if (log_->FailingLoads.contains(file)) throw std::runtime_error("reader: bad record");
    return {};
  }
  void Save(TFeatureChildForm& window, const std::string& fileName) override {
    const QString file = QString::fromStdString(fileName);
    log_->Saves << window.windowTitle() + " -> " + file;
    if (log_->FailingSaves.contains(file))
      throw ESpreadSheetError("Invalid file " + fileName + " name");
  }

private:
  std::shared_ptr<TFileLog> log_;
};
