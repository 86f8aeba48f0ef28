#pragma once

#include <QHash>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "download/downloader.h"
#include "skin/picture_box.h"
#include "skin/window_move.h"
#include "updater/installed_file.h"
#include "web/inet.h"

// The update program's window: the newest program and catalog versions published on the
// update server, and two buttons that put a new program or a new catalog in place of the
// installed one.
class frmUpdate : public QWidget {
  Q_OBJECT

 public:
  // Between the click on Image1 and the end of the updater, so the player can start first.
  static constexpr int kRelaunchWaitMs = 2000;

  explicit frmUpdate(QWidget* parent = nullptr);

  // Where the update server publishes each file.
  static QString DataVersionUrl();
  static QString ProgramVersionUrl();
  static QString ProgramUrl();
  static QString CatalogUrl();

  // The installed files the two buttons replace.
  static QString ProgramFile();
  static QString CatalogFile();

  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Image1_Click();
  void Label7_Click();
  void imgBack_MouseDown(int Button, int X, int Y);
  void imgBack_MouseMove(int Button, int X, int Y);
  void imgBack_MouseUp(int Button, int X, int Y);
  void Downloader1_DownloadComplete(qint64 MaxBytes, const QString& SaveFile);

  PictureBox* imgBack;
  PictureBox* Label5;
  PictureBox* Label6;
  PictureBox* Label7;
  PictureBox* Label9;
  PictureBox* Label2;
  ::Downloader* Downloader1;
  QPushButton* Command1;
  QPushButton* Command2;
  PictureBox* Image1;
  Inet* Inet1;
  Inet* Inet2;

 signals:
  // The updater has done its part and the program should end.
  void Ended();

 private:
  struct Pending {
    QString url;
    QString target;
    InstalledFile::Kind kind;
    QPushButton* button;
    bool signature = false;  // the read of the file's signature, which follows the file's
  };

  // Downloads url beside target, then its signature; the target is replaced once both have
  // been checked.
  void BeginUpdate(const QString& url, const QString& target, InstalledFile::Kind kind,
                   QPushButton* button);
  // Starts the read that pending names; false when the control refused it.
  bool BeginRead(const QString& saveFile, const Pending& pending);
  // The file is whole and of its kind: fetches the signature that must vouch for it.
  QString FetchSignature(const QString& staged, const Pending& update);
  // Puts staged in place of the target if its signature, read beside it, vouches for it.
  // Each returns the message of a failure, or "" when all went well.
  QString Install(const QString& staged, const Pending& update, bool signatureRead);
  void ShowVersion(PictureBox* label, bool ok, const QString& text);

  // Keyed by the file each download is written to, which the Downloader hands back.
  QHash<QString, Pending> pending_;
  WindowMove::ManualMove move_{this};
  bool ending_ = false;
};
