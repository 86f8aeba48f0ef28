#include "platform/file_dialog.h"

#include <QFileDialog>

namespace FileDialog {
namespace {
Answerer& TheAnswerer() {
  static Answerer answerer;
  return answerer;
}
}  // namespace

QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter) {
  if (TheAnswerer()) return TheAnswerer()({Request::kOpenFiles, title, filter, QString()});
  return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
}

QString SaveFile(QWidget* parent, const QString& title, const QString& suggestedName,
                 const QString& filter) {
  if (TheAnswerer()) {
    const QStringList answer = TheAnswerer()({Request::kSaveFile, title, filter, suggestedName});
    return answer.isEmpty() ? QString() : answer.first();
  }
  return QFileDialog::getSaveFileName(parent, title, suggestedName, filter);
}

void SetAnswerer(Answerer answerer) { TheAnswerer() = std::move(answerer); }

}  // namespace FileDialog
