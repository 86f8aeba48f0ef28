#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/file_dialog.h"
#include "platform/msgbox.h"
#include "platform/translations.h"
#include "support/test_env.h"

namespace {

TEST(AppPath, IsTheProgramFolderUnlessPointedElsewhere) {
  EXPECT_EQ(AppPath(), QCoreApplication::applicationDirPath());
  {
    TempAppFolder folder;
    EXPECT_EQ(AppPath(), folder.Path());
  }
  EXPECT_EQ(AppPath(), QCoreApplication::applicationDirPath());
}

TEST(Endpoints, BuiltInDefaultsAndOverrides) {
  TempAppFolder folder;
  // The user's own settings, which a folder of its own (one with skin/) does not read.
  qputenv("XDG_CONFIG_HOME", folder.File("config").toUtf8());
  folder.Write("config/sonaveil/endpoints.ini", "[endpoints]\nCounterHost=http://user.test/\n");
  const EndpointSettings defaults = EndpointSettings::Defaults();
  EXPECT_EQ(Endpoints().counterHost, defaults.counterHost);
  // Every key has a usable default.
  for (const QString& value :
       {defaults.counterHost, defaults.lyricsSite, defaults.musicSearchSite,
        defaults.musicFileServer, defaults.mediaScriptHost, defaults.placeholderHostPrefix,
        defaults.streamPrefix, defaults.downloadPrefix, defaults.ringToneSite,
        defaults.messageBoardHost, defaults.updateServer})
    EXPECT_TRUE(value.contains("://")) << value.toStdString();

  folder.Write("data/endpoints.ini",
               "[endpoints]\nCounterHost=http://127.0.0.1:8080/\n"
               "PlaceholderHostPrefix = http://placeholder.test\nLyricsSite=\n");
  // Read once: the file changes nothing until it is read again.
  EXPECT_EQ(Endpoints().counterHost, defaults.counterHost);
  ReloadEndpoints();
  EXPECT_EQ(Endpoints().counterHost, "http://127.0.0.1:8080/");
  EXPECT_EQ(Endpoints().placeholderHostPrefix, "http://placeholder.test");
  EXPECT_EQ(Endpoints().lyricsSite, defaults.lyricsSite);  // empty value keeps the default
  EXPECT_EQ(Endpoints().updateServer, defaults.updateServer);

  // Installed, the programs' folder holds no skin/: the rest is where the system keeps it, and
  // the user's settings win over the system's.
  folder.Write("usr/etc/sonaveil/endpoints.ini",
               "[endpoints]\nCounterHost=a\nLyricsSite=http://l/");
  for (const auto& [prefix, etc] : {std::pair{QString("/usr"), QString("/etc")},
                                    std::pair{folder.File("usr"), folder.File("usr/etc")}}) {
    SetAppPath(prefix + "/lib/sonaveil");
    EXPECT_EQ(ResourcePath(), prefix + "/share/sonaveil");
    EXPECT_EQ(SettingsFiles().value(0), etc + "/sonaveil/endpoints.ini");
  }
  ReloadEndpoints();
  EXPECT_EQ(Endpoints().counterHost, "http://user.test/");
  EXPECT_EQ(Endpoints().lyricsSite, "http://l/");
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(Translations, EnglishReadersGetTheEnglishTextsAndQtsInTheirLanguage) {
  EXPECT_EQ(ProgramLanguage({"fr-FR", "en-GB"}), "en");
  EXPECT_EQ(ProgramLanguage({"zh-CN", "en"}), "");
  SetAppPath(SONAVEIL_APP_DIR);  // the build's translations
  for (const auto& [locale, yes, help] :
       {std::tuple{"en_US", "&Yes", "Help"}, std::tuple{"zh_CN", "是(&Y)", "帮助"}}) {
    LoadTranslations(QLocale(locale), {"qtbase"});
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
    EXPECT_EQ(QCoreApplication::translate("frmmain", "帮助"), help);
    qDeleteAll(qApp->findChildren<QTranslator*>());
  }
  SetAppPath(QString());
}

TEST(Endpoints, JoinUrlPutsExactlyOneSlashBetween) {
  EXPECT_EQ(JoinUrl("http://h/", "/a/b.asp"), "http://h/a/b.asp");
  EXPECT_EQ(JoinUrl("http://h", "a"), "http://h/a");
  EXPECT_EQ(JoinUrl("http://h:8/", "search?p=x"), "http://h:8/search?p=x");
}

TEST(MsgBox, RecorderSeesEveryBoxAndAnswers) {
  MsgBoxRecorder recorder(vbYes);
  EXPECT_EQ(MsgBox("升级程序一旦启动，主程序即将关闭，是否确定？", "提示！", vbYesNo), vbYes);
  recorder.SetAnswer(vbOK);
  EXPECT_EQ(MsgBox("显示列表错误！", "Error!"), vbOK);
  ASSERT_EQ(recorder.Boxes().size(), 2);
  EXPECT_EQ(recorder.Boxes()[0].caption, "提示！");
  EXPECT_EQ(recorder.Boxes()[0].buttons, vbYesNo);
  EXPECT_EQ(recorder.Boxes()[1].text, "显示列表错误！");
  EXPECT_EQ(recorder.Boxes()[1].buttons, vbOKOnly);
}

QList<QMessageBox*> OpenBoxes() {
  QList<QMessageBox*> boxes;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes << box;
  return boxes;
}

TEST(MsgBox, IdenticalBoxIsNotOpenedTwice) {
  int repeatedAnswer = -1;
  int otherAnswer = -1;
  int boxesWhileOpen = 0;
  QMessageBox::Icon confirmationIcon = QMessageBox::Question;
  QTimer::singleShot(100, [&] {
    // A timer repeating the same failure while the first box is still up.
    repeatedAnswer = MsgBox("无法播放，请删除本歌曲！", "播放错误！", vbYesNo);
    boxesWhileOpen = OpenBoxes().size();
    // A different box still opens; answer it.
    QTimer::singleShot(100, [&] {
      for (QMessageBox* box : OpenBoxes())
        if (box->text() == "另一个") box->button(QMessageBox::Ok)->click();
    });
    otherAnswer = MsgBox("另一个", "Error!");
    QTimer::singleShot(50, [&] {
      for (QMessageBox* box : OpenBoxes()) {
        confirmationIcon = box->icon();
        box->button(QMessageBox::Yes)->click();
      }
    });
  });
  const int answer = MsgBox("无法播放，请删除本歌曲！", "播放错误！", vbYesNo);
  EXPECT_EQ(answer, vbYes);
  EXPECT_EQ(repeatedAnswer, vbNo);
  EXPECT_EQ(boxesWhileOpen, 1);
  EXPECT_EQ(otherAnswer, vbOK);
  EXPECT_EQ(confirmationIcon, QMessageBox::NoIcon);  // a Yes/No box is a plain one
  EXPECT_TRUE(OpenBoxes().isEmpty());
}

TEST(FileDialog, AnswererStandsInForTheUser) {
  QList<FileDialog::Request> asked;
  QStringList answer{"/music/a.mp3", "/music/b.wma"};
  FileDialog::SetAnswerer([&](const FileDialog::Request& request) {
    asked << request;
    return answer;
  });
  EXPECT_EQ(FileDialog::OpenFiles(nullptr, "打开", "Media (*.mp3 *.wma)"), answer);
  EXPECT_EQ(FileDialog::SaveFile(nullptr, "保存", "song.wma", "*.wma"), "/music/a.mp3");
  answer.clear();
  EXPECT_TRUE(FileDialog::OpenFiles(nullptr, "打开", "").isEmpty());
  EXPECT_TRUE(FileDialog::SaveFile(nullptr, "保存", "song.wma", "").isEmpty());
  FileDialog::SetAnswerer(nullptr);
  ASSERT_EQ(asked.size(), 4);
  EXPECT_EQ(asked[0].kind, FileDialog::Request::kOpenFiles);
  EXPECT_EQ(asked[1].kind, FileDialog::Request::kSaveFile);
  EXPECT_EQ(asked[1].suggestedName, "song.wma");
}

}  // namespace
