// Files and folders dropped on the playlist, on a real X server.
#include "app/playlist_drop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QListWidget>
#include <QMimeData>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdio>

#include "app/frmmain.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"

namespace {

TEST(PlaylistDrop, DroppedFilesAndFoldersAreAddedInNameOrder) {
  // Names sort as the user's language sorts them; the test's machine may have none.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QTemporaryDir files;
  const QDir dir(files.path());
  for (const char* name :
       {"c 10.mp3", "a.WAV", "c 2.mid", "b.flac", "notes.txt", "album/02.mp3", "album/01.wma",
        "album/cover.jpg", "album/disc 2/03.mp3", "album/list.m3u"}) {
    dir.mkpath(QFileInfo(dir.filePath(name)).path());
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("02.mp3\n");
  }
  // A name in GBK bytes, from an archive made on Windows.
  dir.mkpath("gbk");
  const QByteArray gbk =
      QFile::encodeName(dir.filePath("gbk/")) + QStringEncoder("GBK")(u"月亮.kar");
  std::fclose(std::fopen(gbk.constData(), "w"));
  auto local = [&](const char* name) { return QUrl::fromLocalFile(dir.filePath(name)); };
  struct Case {
    const char* name;
    QList<QUrl> dropped;
    bool taken;
    QStringList added;
  } cases[] = {
      {"three files and a text",
       {local("c 10.mp3"), local("notes.txt"), local("a.WAV"), local("c 2.mid"), local("b.flac")},
       true,
       {"a.WAV", "b.flac", "c 2.mid", "c 10.mp3"}},
      {"a folder", {local("album")}, true, {"album/01.wma", "album/02.mp3", "album/disc 2/03.mp3"}},
      {"a playlist", {local("album/list.m3u")}, true, {"album/02.mp3"}},
      {"a folder with a name in GBK",
       {local("gbk")},
       true,
       {"file://gbk/%D4%C2%C1%C1.kar 月亮.kar"}},
      {"a name in GBK",
       {QUrl::fromEncoded("file://" + gbk.toPercentEncoding("/"))},
       true,
       {"file://gbk/%D4%C2%C1%C1.kar 月亮.kar"}},
      {"web addresses", {QUrl("http://example.org/a.mp3")}, false, {}},
  };
  for (const Case& c : cases) {
    ResetSharedState();
    PlaylistLoaded = true;
    TempAppFolder folder;
    MsgBoxRecorder boxes;
    frmmain window(new FakeMediaPlayer);
    const Skin::FaceControls ui = Skin::FindFaceControls(&window);
    window.show();
    QWidget* target = ui.List1->viewport();
    QMimeData mime;
    mime.setUrls(c.dropped);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_EQ(enter.isAccepted(), c.taken) << c.name;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);

    QStringList added;
    for (int i = 0; i < PlaylistCount; ++i) {
      // Kept in its bytes, shown by the name they spell.
      added << QString(Playlist[i].Path).remove(files.path() + "/") +
                   (Playlist[i].Path.startsWith("file:") ? " " + Playlist[i].Name : "");
      EXPECT_EQ(Playlist[i].Web, 1) << c.name;
    }
    EXPECT_EQ(added, c.added) << c.name;
    EXPECT_EQ(ui.List1->count(), c.added.size()) << c.name;
    EXPECT_TRUE(boxes.Texts().isEmpty()) << c.name;
  }
  std::remove(gbk.constData());  // QTemporaryDir does not see it
  ResetSharedState();
  QLocale::setDefault(QLocale::system());
}

}  // namespace
