#include "download/frm_down.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>
#include <stdexcept>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/file_dialog.h"
#include "platform/msgbox.h"
#include "state/shared_state.h"

namespace {

constexpr int kTwipsPerPixel = 15;

QRect Twips(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

// The current entry, if CurrentIndex names one.
std::optional<SongRecord> CurrentSong() {
  const SongRecord* song = Playlist.Slot(CurrentIndex);
  return song ? std::optional(*song) : std::nullopt;
}

// The title as a plain file name: it names no other folder and no hidden file.
QString PlainFileName(QString title) {
  title.replace(u'/', u'_').replace(u'\\', u'_');
  for (QChar& c : title) {
    if (c != u'.') break;
    c = u'_';
  }
  return title;
}

}  // namespace

frmDown::frmDown(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("歌曲下载"));
  setFixedSize(4950 / kTwipsPerPixel, 1395 / kTwipsPerPixel);

  Label2 = new QLabel(tr("下载地址:"), this);
  Label2->setGeometry(Twips(120, 360, 975, 255));
  Text1 = new QLineEdit(this);
  Text1->setGeometry(Twips(1080, 360, 2655, 285));
  Command1 = new QPushButton(tr("浏览..."), this);
  Command1->setGeometry(Twips(3840, 360, 735, 255));
  Label1 = new QLabel(tr("下载进度:"), this);
  Label1->setGeometry(Twips(120, 840, 1575, 255));
  Downloader = new ::Downloader(this);
  Downloader->setGeometry(Twips(1080, 840, 2640, 240));
  // A server without the song answers with a page, which is no song to save.
  Downloader->SetRefusePages(true);
  Command2 = new QPushButton(tr("开始"), this);
  Command2->setGeometry(Twips(3840, 840, 735, 255));
  Command2->setAutoDefault(false);
  Command1->setAutoDefault(false);

  connect(Command1, &QPushButton::clicked, this, &frmDown::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &frmDown::Command2_Click);
  connect(Downloader, &::Downloader::DownloadError, this, &frmDown::Downloader_DownloadError);
  connect(Downloader, &::Downloader::DownloadComplete, this, &frmDown::Downloader_DownloadComplete);
}

void frmDown::ShowForCurrentSong(QWidget* parent) {
  const std::optional<SongRecord> song = CurrentSong();
  if (!song) return;
  if (song->Web == 1) {
    MsgBox(tr("您所选择的文件是本地文件,不需要下载!"), "Error!", vbOKOnly);
    return;
  }
  frmDown dialog(parent);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.exec();
}

void frmDown::done(int result) {
  Downloader->CancelAsyncRead();
  QDialog::done(result);
}

void frmDown::Command1_Click() {
  const QString title = CurrentSong() ? CurrentSong()->Title : QString();
  // Songs go to the user's music folder, made on first use.
  const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  QDir().mkpath(music);
  const QString chosen =
      FileDialog::SaveFile(this, tr("另存为"), QDir(music).filePath(PlainFileName(title) + ".wma"),
                           tr("(*.*)所有类型文件 (*)"));
  if (!chosen.isEmpty()) Text1->setText(chosen);
}

void frmDown::Command2_Click() {
  if (Text1->text().isEmpty()) {
    MsgBox(tr("请输入本地下载路径及文件名"), "Error!", vbOKOnly);
    return;
  }
  // A song that could not be saved would otherwise be fetched whole and then lost.
  const QFileInfo folder(QFileInfo(Text1->text()).absolutePath());
  if (!folder.isDir() || !folder.isWritable()) {
    MsgBox(tr("无法在文件夹“%1”中保存文件，请另选下载路径").arg(folder.filePath()), "Error!",
           vbOKOnly);
    return;
  }
  // Catalog songs are streamed from the stream server; the same files are served over
  // plain HTTP from the download host.
  QString address = CurrentSong() ? CurrentSong()->Path : QString();
  const QString& streamPrefix = Endpoints().streamPrefix;
  if (!streamPrefix.isEmpty())
    address.replace(streamPrefix, Endpoints().downloadPrefix, Qt::CaseSensitive);
  Downloader->BeginDownload(address, Text1->text());
}

void frmDown::Downloader_DownloadError(const QString&) {
  MsgBox(tr("文件下载错误!\r\n\r\n错误：") + Downloader->LastError(), AppTitle(), vbOKOnly);
}

void frmDown::Downloader_DownloadComplete(qint64 MaxBytes, const QString&) {
  if (MaxBytes == 0) return;  // the failure has had its own message
  const std::optional<SongRecord> song = CurrentSong();
  if (!song) return;
  MsgBox(tr("文件\"%1.wma\"已经下载完毕!").arg(song->Title), AppTitle(), vbOKOnly);
}
