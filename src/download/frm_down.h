#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "download/downloader.h"

// Saves the current playlist song, a catalog song on the network, to a file the user names.
// Closing the dialog stops a running transfer and removes what it had written.
class frmDown : public QDialog {
  Q_OBJECT

 public:
  explicit frmDown(QWidget* parent = nullptr);

  // The popup menu's download entry: a local file is refused with a message, otherwise the
  // dialog is shown modally until the user closes it.
  static void ShowForCurrentSong(QWidget* parent);

  void done(int result) override;

  QLabel* Label2;
  QLineEdit* Text1;
  QPushButton* Command1;
  QLabel* Label1;
  ::Downloader* Downloader;
  QPushButton* Command2;

  void Command1_Click();
  void Command2_Click();
  void Downloader_DownloadError(const QString& SaveFile);
  void Downloader_DownloadComplete(qint64 MaxBytes, const QString& SaveFile);
};
