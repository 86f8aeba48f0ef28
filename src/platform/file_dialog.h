#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The open and save dialogs. Tests install an answerer that stands in for the user.
namespace FileDialog {

// Lets the user pick one or more existing files; an empty list when cancelled.
QStringList OpenFiles(QWidget* parent, const QString& title, const QString& filter);

// Lets the user name a file to write; empty when cancelled.
QString SaveFile(QWidget* parent, const QString& title, const QString& suggestedName,
                 const QString& filter);

struct Request {
  enum Kind { kOpenFiles, kSaveFile } kind;
  QString title;
  QString filter;
  QString suggestedName;
};

// Answers every dialog with the paths the answerer gives (an empty list cancels).
// An empty answerer brings back the real dialogs.
using Answerer = std::function<QStringList(const Request&)>;
void SetAnswerer(Answerer answerer);

}  // namespace FileDialog
