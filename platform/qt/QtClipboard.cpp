#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void TQtClipboard::SetContents(const std::string& privateData, const std::string& text) {
  auto data = std::make_unique<QMimeData>();
  data->setData(kMarviloMimeType,
                QByteArray(privateData.data(), static_cast<qsizetype>(privateData.size())));
  data->setText(QString::fromStdString(text));
  QGuiApplication::clipboard()->setMimeData(data.release());  // the clipboard takes it
}

std::optional<std::string> TQtClipboard::PrivateData() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasFormat(kMarviloMimeType)) return std::nullopt;
  return data->data(kMarviloMimeType).toStdString();
}

std::optional<std::string> TQtClipboard::Text() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) return std::nullopt;
  return data->text().toStdString();
}
