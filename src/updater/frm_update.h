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
  // An update still under way when the window goes leaves no staging file behind.
  ~frmUpdate() override;

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
    QString staged;     // where the file is downloaded to be checked, made for this update
    QString statement;  // where the statement that vouches for it is, once it is fetched
  };

  // Downloads url beside target, then the statement that vouches for it; the target is
  // replaced once both have been checked. Nothing starts while the button is disabled.
  void BeginUpdate(const QString& url, const QString& target, InstalledFile::Kind kind,
                   QPushButton* button);
  // Starts the read of url into saveFile; false when the control refused it.
  bool BeginRead(const QString& url, const QString& saveFile, const Pending& update);
  // The file has come, or not: if it is whole and of its kind, its statement is fetched.
  void TakeFile(bool arrived, Pending update);
  // The statement has come, or not: the file is installed if the statement vouches for it.
  void TakeStatement(bool arrived, const Pending& update);
  // Puts a vouched-for program in place unless it is older than the installed one.
  void InstallProgram(const Pending& update, const QString& version);
  void Install(const Pending& update);
  // Ends the update with its message: done when failure is "", else why nothing changed.
  void Finish(const Pending& update, const QString& failure);
  void ShowVersion(PictureBox* label, bool ok, const QString& text);

  // Keyed by the file each download is written to, which the Downloader hands back.
  QHash<QString, Pending> pending_;
  WindowMove::ManualMove move_{this};
  bool ending_ = false;
};
