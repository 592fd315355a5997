#include "app/ShellFileNames.h"

#include <string_view>

#include "app/ShellTexts.h"

bool CaptionIsFilePath(const QString& caption) {
  const QByteArray bytes = caption.toUtf8();
  const std::string_view text(bytes.constData(), static_cast<size_t>(bytes.size()));
  return text < std::string_view(kNewWorkbookStem) && text.starts_with('/');
}

QString ReplaceExtension(const QString& fileName, const QString& extension) {
  const qsizetype nameStart = fileName.lastIndexOf('/') + 1;
  const qsizetype dot = fileName.lastIndexOf('.');
  if (dot > nameStart) return fileName.left(dot) + extension;
  return fileName + extension;
}
