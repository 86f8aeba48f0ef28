#include "download/frm_down.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/file_dialog.h"
#include "platform/msgbox.h"
#include "state/shared_state.h"
#include "support/test_env.h"
#include "support/test_http_server.h"

namespace {

const QString kDone = "文件\"晴天.wma\"已经下载完毕!";

class FrmDownTest : public ::testing::Test {
 protected:
  FrmDownTest() {
    app.Write("data/endpoints.ini", ("[endpoints]\nStreamPrefix=mms://stream.test/\n"
                                     "DownloadPrefix=" +
                                     server.Url("/") + "\n")
                                        .toUtf8());
    ReloadEndpoints();
    app.Write("config/user-dirs.dirs", "XDG_MUSIC_DIR=\"" + app.File("音乐").toUtf8() + "\"\n");
    qputenv("XDG_CONFIG_HOME", app.File("config").toUtf8());
    ResetSharedState();
    SetAppTitle("Sonaveil v4.0");
    Playlist[0] = {.Name = "qingtian.wma",
                   .Path = "mms://stream.test/songs/qingtian.wma",
                   .Title = "晴天",
                   .Web = 0};
    PlaylistCount = 1;
    CurrentIndex = 0;
    server.Route("/songs/qingtian.wma",
                 {.body = QByteArray(50000, 's'), .contentType = "audio/x-ms-wma"});
  }
  ~FrmDownTest() override {
    qunsetenv("XDG_CONFIG_HOME");
    FileDialog::SetAnswerer(nullptr);
    SetAppTitle(QString());
    ResetSharedState();
  }

  // Starts a download to target and waits until its messages are shown.
  void Download(const QString& target) {
    dialog.Text1->setText(target);
    dialog.Command2->click();
    WaitUntil([&] { return dialog.Downloader->PendingReads() == 0 && !boxes.Boxes().isEmpty(); });
  }

  TempAppFolder app;
  TestHttpServer server;
  MsgBoxRecorder boxes;
  frmDown dialog;
};

TEST_F(FrmDownTest, StreamAddressesAreFetchedFromTheDownloadHost) {
  struct Case {
    QString path;
    QString request;  // what the server sees; empty when nothing is fetched
    QString message;  // a pattern for the one message shown
  };
  const QString port = QString::number(server.Port());
  const Case cases[] = {
      {"mms://stream.test/songs/qingtian.wma", "/songs/qingtian.wma", kDone},
      {"mms://stream.test/songs/mms://stream.test/a.wma",
       "/songs/http://127.0.0.1:" + port + "/a.wma", "文件下载错误!"},
      {"MMS://stream.test/songs/qingtian.wma", "", "^\\d+开始下载数据失败！"},
      {"http://127.0.0.1:" + port + "/songs/qingtian.wma", "/songs/qingtian.wma", kDone},
  };
  for (const Case& c : cases) {
    Playlist[0].Path = c.path;
    const qsizetype before = server.Requests().size();
    Download(app.File("data/song.wma"));
    EXPECT_EQ(server.Requests().mid(before),
              c.request.isEmpty() ? QStringList() : QStringList{c.request})
        << c.path.toStdString();
    ASSERT_EQ(boxes.Boxes().size(), 1) << c.path.toStdString();
    EXPECT_TRUE(boxes.Texts()[0].contains(QRegularExpression(c.message)))
        << boxes.Texts()[0].toStdString();
    boxes.Clear();
  }
}

TEST_F(FrmDownTest, SaveDialogOffersTheTitleAsWmaAndTheMessageSaysWmaWhateverTheName) {
  QList<FileDialog::Request> requests;
  QStringList answer{app.File("data/my song.mp3")};
  FileDialog::SetAnswerer([&](const FileDialog::Request& request) {
    requests << request;
    return answer;
  });
  dialog.Command1->click();
  ASSERT_EQ(requests.size(), 1);
  EXPECT_EQ(requests[0].kind, FileDialog::Request::kSaveFile);
  EXPECT_EQ(requests[0].filter, "(*.*)所有类型文件 (*)");  // the description, then Qt's pattern
  EXPECT_EQ(requests[0].suggestedName, app.File("音乐/晴天.wma"));
  EXPECT_TRUE(QDir(app.File("音乐")).exists());
  // A title never names a place outside the folder.
  for (const auto& [title, name] :
       {std::pair{"../../.config/autostart/x", "___.._.config_autostart_x.wma"},
        std::pair{"AC\\DC", "AC_DC.wma"}, std::pair{".hidden", "_hidden.wma"}}) {
    Playlist[0].Title = title;
    dialog.Command1->click();
    EXPECT_EQ(requests.last().suggestedName, app.File("音乐/" + QString(name))) << title;
  }
  Playlist[0].Title = "晴天";
  EXPECT_EQ(dialog.Text1->text(), app.File("data/my song.mp3"));

  answer.clear();  // cancelled: the path stays
  dialog.Command1->click();
  EXPECT_EQ(dialog.Text1->text(), app.File("data/my song.mp3"));

  Download(dialog.Text1->text());
  EXPECT_EQ(QFile(app.File("data/my song.mp3")).size(), 50000);
  ASSERT_EQ(boxes.Boxes().size(), 1);
  EXPECT_EQ(boxes.Boxes()[0].text, kDone);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Sonaveil v4.0");
}

TEST_F(FrmDownTest, AnEmptyPathOrAFolderThatCannotTakeTheFileIsRefusedAndNothingStarts) {
  dialog.Command2->click();
  ASSERT_EQ(boxes.Boxes().size(), 1);
  EXPECT_EQ(boxes.Boxes()[0].text, "请输入本地下载路径及文件名");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Error!");
  dialog.Text1->setText(app.File("nowhere/song.wma"));
  dialog.Command2->click();
  EXPECT_EQ(boxes.Texts().value(1),
            "无法在文件夹“" + app.File("nowhere") + "”中保存文件，请另选下载路径");
  EXPECT_EQ(dialog.Downloader->PendingReads(), 0);
}

TEST_F(FrmDownTest, AFailedDownloadSaysWhyAndKeepsTheFile) {
  const std::pair<TestRoute, QString> failures[] = {
      {{.status = 404, .body = "<html>no such song</html>"}, "服务器回答 HTTP 404"},
      {{.body = "<html><body>服务器维护中，请稍后再试</body></html>"},
       "服务器发来的是网页，不是所要的文件"},
  };
  for (const auto& [route, reason] : failures) {
    boxes.Clear();
    app.Write("data/song.wma", "old");
    server.Route("/songs/qingtian.wma", route);
    Download(app.File("data/song.wma"));
    EXPECT_EQ(boxes.Texts(), QStringList{"文件下载错误!\r\n\r\n错误：" + reason});
    EXPECT_EQ(boxes.Boxes().value(0).caption, "Sonaveil v4.0");
    QFile file(app.File("data/song.wma"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
  }
}

TEST_F(FrmDownTest, ClosingDuringATransferCancelsItAndRemovesThePartialFile) {
  server.Route("/songs/qingtian.wma",
               {.body = QByteArray(200000, 's'), .pauseAfterBytes = {20000}, .pauseMs = 3000});
  dialog.show();
  dialog.Text1->setText(app.File("data/song.wma"));
  dialog.Command2->click();
  ASSERT_TRUE(WaitUntil([&] { return dialog.Downloader->Label1->text() == "已经下载了10%"; }));
  EXPECT_FALSE(QFile::exists(app.File("data/song.wma")));  // the bytes go to a temporary
  dialog.close();
  EXPECT_EQ(dialog.Downloader->PendingReads(), 0);
  WaitUntil([] { return false; }, 300);
  EXPECT_EQ(QDir(app.File("data")).entryList(QDir::Files), QStringList{"endpoints.ini"});
  EXPECT_TRUE(boxes.Boxes().isEmpty()) << boxes.Texts().join(", ").toStdString();
}

TEST(FrmDownOpenTest, LocalFilesAreRefusedOtherSongsGetAModalDialog) {
  for (int web : {1, 0}) {
    ResetSharedState();
    Playlist[0] = {.Path = "/music/a.mp3", .Title = "a", .Web = static_cast<int16_t>(web)};
    PlaylistCount = 1;
    CurrentIndex = 0;
    MsgBoxRecorder boxes;
    QString shown;
    QTimer::singleShot(100, [&] {
      if (auto* open = qobject_cast<frmDown*>(QApplication::activeModalWidget())) {
        shown = open->windowTitle();
        open->close();
      }
    });
    frmDown::ShowForCurrentSong(nullptr);
    WaitUntil([] { return false; }, 200);
    if (web == 1) {
      EXPECT_EQ(boxes.Texts(), QStringList{"您所选择的文件是本地文件,不需要下载!"});
      EXPECT_TRUE(shown.isEmpty());
    } else {
      EXPECT_TRUE(boxes.Boxes().isEmpty());
      EXPECT_EQ(shown, "歌曲下载");
    }
  }
  ResetSharedState();
}

}  // namespace
