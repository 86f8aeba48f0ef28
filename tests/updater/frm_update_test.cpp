#include "updater/frm_update.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <memory>

#include "catalog/data.h"
#include "platform/endpoints.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "updater/update_signing.h"

namespace {

const QString kProgramPath = "/sonaveil/updatefile/sonaveil.rar";
const QString kCatalogPath = "/sonaveil/updatefile/db.rar";

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray NewProgram() { return ReadFile(UPDATER_TEST_PLAYER); }

// A catalog with the player's four tables (or only an unrelated one) and the given singers.
QByteArray MakeCatalog(const QStringList& singers, bool withTables = true) {
  QTemporaryDir dir;
  const QString path = dir.filePath("catalog.db");
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "served-catalog");
    db.setDatabaseName(path);
    db.open();
    QSqlQuery query(db);
    const QStringList tables = {"SClass(ID, Name)",
                                "NNClass(NClassID integer primary key, NClass, Abcd, SClassID)",
                                "NSpecial(SpecialID, name, NClassID)",
                                "NMusicList(ID, MusicName, URL, SpecialID, NClassID)"};
    for (const QString& table : withTables ? tables : QStringList{"Other(x)"})
      query.exec("create table " + table);
    for (const QString& singer : singers)
      query.exec("insert into NNClass values(null, '" + singer + "', 'X', 1)");
    db.close();
  }
  QSqlDatabase::removeDatabase("served-catalog");
  return ReadFile(path);
}

class UpdaterTest : public ::testing::Test {
 protected:
  UpdaterTest() {
    app.InstallSkinAndCatalog();
    app.Write("data/endpoints.ini",
              ("[endpoints]\nUpdateServer=" + server.Url("/") + "\n").toUtf8());
    ReloadEndpoints();
    // The installed player is larger than the new one, so a short write would show.
    app.Write("sonaveil", "#!/bin/sh\n" + QByteArray(NewProgram().size() * 2, '#'));
    QFile::setPermissions(app.File("sonaveil"),
                          QFile::permissions(app.File("sonaveil")) | QFileDevice::ExeOwner);
    Launcher::SetRecorder([this](const QString& kind, const QString& target) {
      launched << kind + " " + target;
      return true;
    });
  }
  ~UpdaterTest() override { Launcher::SetRecorder(nullptr); }

  // Publishes body at path with its statement beside it.
  void Serve(const QString& path, const QByteArray& body) {
    server.Route(path, {.body = body});
    server.Route(
        path + ".sig",
        {.body = Statement(body, path == kProgramPath ? "program" : "catalog"), .contentType = {}});
  }

  // Clicks the button and waits for the message that ends the update.
  void Update(QPushButton* button) {
    button->click();
    ASSERT_TRUE(WaitUntil([&] { return !boxes.Boxes().isEmpty(); }, 10000));
  }

  // Every file of the folder but the skin: its content's digest and its permissions.
  QMap<QString, QString> Folder() const {
    QMap<QString, QString> files;
    for (const QString& dir : {QString(), QString("data/")})
      for (const QString& name : QDir(app.File(dir)).entryList(QDir::Files | QDir::Hidden)) {
        const QString path = app.File(dir + name);
        files[dir + name] = QString("%1 %2")
                                .arg(Digest(ReadFile(path)))
                                .arg(static_cast<int>(QFile::permissions(path)), 0, 16);
      }
    return files;
  }
  static QString Digest(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(12);
  }

  TempAppFolder app;
  TestHttpServer server;
  MsgBoxRecorder boxes;
  QStringList launched;
  frmUpdate form;
};

TEST_F(UpdaterTest, VersionLabelsSayTheyAreLoadingThenShowTheServedTexts) {
  server.Route(
      "/sonaveil/updatefile/db.txt",
      {.body = "2024.06.01\r\n曲库新增三百首", .contentType = "text/plain", .delayMs = 200});
  server.Route("/sonaveil/updatefile/sonaveil.txt",
               {.body = "v4.1.2", .contentType = "text/plain; charset=utf-8", .delayMs = 200});
  form.Form_Load();
  EXPECT_EQ(form.Label6->text(), "读取中…");
  EXPECT_EQ(form.Label9->text(), "读取中…");
  EXPECT_TRUE(WaitUntil([&] { return form.Label6->text() == "2024.06.01\r\n曲库新增三百首"; }))
      << form.Label6->text().toStdString();
  EXPECT_TRUE(WaitUntil([&] { return form.Label9->text() == "v4.1.2"; }));
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(UpdaterTest, UnreachableServerLeavesLabelsSayingSo) {
  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 port = closed.serverPort();
  closed.close();
  app.Write("data/endpoints.ini",
            QString("[endpoints]\nUpdateServer=http://127.0.0.1:%1/\n").arg(port).toUtf8());
  ReloadEndpoints();
  form.Form_Load();
  EXPECT_TRUE(WaitUntil(
      [&] { return form.Label6->text() == "无法连接" && form.Label9->text() == "无法连接"; }));
}

TEST_F(UpdaterTest, NewProgramReplacesTheInstalledOneAndStaysExecutable) {
  auto expected = Folder();
  expected.remove("sonaveil");
  Serve(kProgramPath, NewProgram());
  Update(form.Command1);
  EXPECT_EQ(boxes.Texts(), QStringList{"下载完毕！"});
  EXPECT_EQ(boxes.Boxes()[0].caption, "提示！");
  auto after = Folder();
  after.remove("sonaveil");
  EXPECT_EQ(after, expected);  // the catalog as it was, nothing left beside the program
  EXPECT_EQ(ReadFile(app.File("sonaveil")), NewProgram());
  EXPECT_TRUE(QFileInfo(app.File("sonaveil")).isExecutable());
  EXPECT_TRUE(form.Command1->isEnabled());
}

TEST_F(UpdaterTest, NewCatalogReplacesTheInstalledOneAndThePlayerListsItsSingers) {
  const QByteArray catalog = MakeCatalog({"歌手一号", "歌手二号"});
  auto expected = Folder();
  expected["data/db.dll"].replace(0, 12, Digest(catalog));
  Serve(kCatalogPath, catalog);
  Update(form.Command2);
  EXPECT_EQ(boxes.Texts(), QStringList{"下载完毕！"});
  EXPECT_EQ(Folder(), expected);
  QListWidget singers;
  ASSERT_TRUE(Data::ListSingers(1, "X", &singers));
  ASSERT_EQ(singers.count(), 2);
  EXPECT_EQ(singers.item(0)->text(), "歌手一号");
  EXPECT_EQ(singers.item(1)->text(), "歌手二号");
}

// Every download that is not a whole, proper file of its kind is refused with a message,
// and neither installed file changes.
TEST_F(UpdaterTest, RefusedDownloadsLeaveBothInstalledFilesAsTheyWere) {
  QByteArray otherMachine = NewProgram();
  otherMachine[18] = static_cast<char>(otherMachine[18] ^ 0x7f);  // e_machine
  const QByteArray html = "<html><body>服务器维护中</body></html>";
  const QString programKept = "原来的主程序没有改动。";
  const QString catalogKept = "原来的歌曲库没有改动。";
  const QString failed404 = "下载失败（服务器回答 HTTP 404），";
  struct Case {
    const char* name;
    bool program;  // Command1, else Command2
    TestRoute route;
    QString message;
  };
  const Case cases[] = {
      {"program 404", true, {.status = 404, .body = html}, failed404 + programKept},
      {"program truncated",
       true,
       {.body = NewProgram(), .dropAfterBytes = NewProgram().size() / 2},
       QString("下载失败（transfer closed with %1 bytes remaining to read），")
               .arg(NewProgram().size() - NewProgram().size() / 2) +
           programKept},
      {"program without a length",
       true,
       {.body = NewProgram(), .noLength = true},
       "下载失败（服务器没有说明文件有多长，无法确认文件是完整的），" + programKept},
      {"program cut short, sent whole",
       true,
       {.body = NewProgram().left(NewProgram().size() / 3)},
       "下载的文件不是本机能运行的程序，" + programKept},
      {"program as HTML page",
       true,
       {.body = html},
       "下载的文件不是本机能运行的程序，" + programKept},
      {"program for another machine",
       true,
       {.body = otherMachine},
       "下载的文件不是本机能运行的程序，" + programKept},
      {"catalog 404", false, {.status = 404, .body = html}, failed404 + catalogKept},
      {"catalog as HTML page", false, {.body = html}, "下载的文件不是歌曲库，" + catalogKept},
      {"catalog without its tables",
       false,
       {.body = MakeCatalog({}, false)},
       "下载的文件不是歌曲库，" + catalogKept},
      {"program served as catalog",
       false,
       {.body = NewProgram()},
       "下载的文件不是歌曲库，" + catalogKept},
  };
  const auto before = Folder();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.Clear();
    server.Route(c.program ? kProgramPath : kCatalogPath, c.route);
    Update(c.program ? form.Command1 : form.Command2);
    EXPECT_EQ(boxes.Texts(), QStringList{c.message});
    EXPECT_EQ(Folder(), before);
  }
  // Nor does an updater closed while it downloads.
  server.Route(kCatalogPath, {.neverAnswer = true});
  auto closing = std::make_unique<frmUpdate>();
  closing->Command2->click();
  EXPECT_NE(Folder(), before);  // the file it downloads to
  closing.reset();
  EXPECT_EQ(Folder(), before);
}

// Only a file that a statement signed by the server describes, as what it is and not older
// than what is installed, replaces the installed one.
TEST_F(UpdaterTest, OnlyAFileTheServersStatementVouchesForReplacesTheInstalledOne) {
  const QByteArray program = NewProgram();
  const QByteArray catalog = MakeCatalog({"歌手三号"});
  QByteArray flippedProgram = program, claimsNewer = Statement(catalog, "catalog");
  flippedProgram[program.size() - 1] = static_cast<char>(program.back() ^ 1);
  claimsNewer.replace("version 4.0", "version 9.0");
  QTemporaryDir keys;
  const QString otherKey = keys.filePath("other.secret");
  QProcess::execute(SONAVEIL_SIGN, {"keygen", otherKey, keys.filePath("other.public")});
  const QString unverified = "下载的文件无法验证（没有发布者的有效签名），";
  struct Case {
    const char* name;
    bool program;  // Command1, else Command2
    QByteArray body;
    std::optional<QByteArray> statement;  // none: no .sig published
    QString refusal;                      // "" when the file replaces the installed one
  };
  const Case cases[] = {
      {"signed catalog", false, catalog, Statement(catalog, "catalog"), ""},
      {"same version", true, program, Statement(program, "program"), ""},
      {"newer program", true, program, Statement(program, "program", "v4.1"), ""},
      {"older program", true, program, Statement(program, "program", "3.9"),
       "下载的主程序（版本 3.9）比已安装的（版本 4.0）旧，"},
      {"program signed as a catalog", true, program, Statement(program, "catalog"),
       "发布者的签名说明这个文件是歌曲库，"},
      {"another key", true, program, Statement(program, "program", "4.0", otherKey), unverified},
      {"flipped byte", true, flippedProgram, Statement(program, "program"), unverified},
      {"statement altered", false, catalog, claimsNewer, unverified},
      {"no statement", false, catalog, std::nullopt, unverified},
      {"HTML page", true, program, "<html><body>Not Found</body></html>", unverified},
      {"signature of the bytes alone", false, catalog, Signature(catalog),
       "下载的文件只有旧格式的签名（只签了文件的字节，没有说明是什么文件、哪个版本），无法验证，"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.Clear();
    const QString path = c.program ? kProgramPath : kCatalogPath;
    server.Route(path, {.body = c.body});
    server.Route(path + ".sig", c.statement ? TestRoute{.body = *c.statement}
                                            : TestRoute{.status = 404, .body = "<html></html>"});
    const auto before = Folder();
    Update(c.program ? form.Command1 : form.Command2);
    if (c.refusal.isEmpty()) {
      EXPECT_EQ(boxes.Texts(), QStringList{"下载完毕！"});
      EXPECT_EQ(ReadFile(app.File(c.program ? "sonaveil" : "data/db.dll")), c.body);
    } else {
      EXPECT_EQ(boxes.Texts(), QStringList{c.refusal + (c.program ? "原来的主程序没有改动。"
                                                                  : "原来的歌曲库没有改动。")});
      EXPECT_EQ(Folder(), before);
    }
  }
  // The installed program says which it is.
  app.Write("sonaveil", "#!/bin/sh\necho sonaveil 4.2\n");
  boxes.Clear();
  server.Route(kProgramPath + ".sig", {.body = Statement(program, "program", "4.1")});
  Update(form.Command1);
  EXPECT_EQ(
      boxes.Texts(),
      QStringList{"下载的主程序（版本 4.1）比已安装的（版本 4.2）旧，原来的主程序没有改动。"});
}

// Links planted at names that updates were once staged under are never written through, and
// the program never becomes a link.
TEST_F(UpdaterTest, LinksPlantedAtStagingNamesAreNotFollowed) {
  app.Write("victim", "the victim's own bytes");
  for (const char* name : {"sonaveil.download", "sonaveil.download.sig"})
    ASSERT_TRUE(QFile::link(app.File("victim"), app.File(name)));
  server.Route(kProgramPath, {.body = NewProgram()});
  Update(form.Command1);  // refused: no statement
  EXPECT_EQ(ReadFile(app.File("victim")), "the victim's own bytes");
  boxes.Clear();
  Serve(kProgramPath, NewProgram());
  Update(form.Command1);
  EXPECT_EQ(boxes.Texts(), QStringList{"下载完毕！"});
  EXPECT_EQ(ReadFile(app.File("victim")), "the victim's own bytes");
  EXPECT_FALSE(QFileInfo(app.File("sonaveil")).isSymLink());
  EXPECT_EQ(ReadFile(app.File("sonaveil")), NewProgram());
}

TEST_F(UpdaterTest, AnUntrustedCertificateIsNamedInTheMessage) {
  TestHttpServer tls(TestHttpServer::Tls::kDirect);
  app.Write("data/endpoints.ini", ("[endpoints]\nUpdateServer=" + tls.Url("/") + "\n").toUtf8());
  ReloadEndpoints();
  Update(form.Command1);
  EXPECT_EQ(boxes.Texts(),
            QStringList{"下载失败（SSL certificate problem: self-signed certificate），"
                        "原来的主程序没有改动。"});
}

// A program the package manager owns is left to it; the catalog still updates.
TEST_F(UpdaterTest, PackagedProgramIsLeftToThePackageManager) {
  app.Write("package-managed", QFile::encodeName(app.File("")) + "\n");
  const QByteArray catalog = MakeCatalog({"歌手四号"});
  Serve(kProgramPath, NewProgram());
  Serve(kCatalogPath, catalog);
  const auto before = Folder();
  Update(form.Command1);
  EXPECT_EQ(boxes.Texts()[0],
            "主程序由系统的软件包管理器安装，请通过软件包管理器更新它（例如 sudo apt upgrade）。");
  EXPECT_EQ(Folder(), before);
  EXPECT_TRUE(server.Requests().isEmpty());
  boxes.Clear();
  Update(form.Command2);
  EXPECT_EQ(boxes.Texts(), QStringList{"下载完毕！"});
  EXPECT_EQ(ReadFile(app.File("data/db.dll")), catalog);
}

TEST_F(UpdaterTest, Image1StartsThePlayerAndTheUpdaterEndsTwoSecondsLater) {
  QSignalSpy ended(&form, &frmUpdate::Ended);
  emit form.Image1->Click();
  EXPECT_EQ(launched, QStringList{"start " + app.File("sonaveil")});
  WaitUntil([] { return false; }, frmUpdate::kRelaunchWaitMs - 300);
  EXPECT_EQ(ended.count(), 0);
  EXPECT_TRUE(WaitUntil([&] { return ended.count() == 1; }, 1000));
}

TEST_F(UpdaterTest, Label7AsksAndShowsTheAnswersCode) {
  for (const auto& [answer, shown] : {std::pair{vbYes, "6"}, std::pair{vbNo, "7"}}) {
    boxes.Clear();
    boxes.SetAnswer(answer);
    emit form.Label7->Click();
    EXPECT_EQ(boxes.Texts(), (QStringList{"dd", shown}));
    EXPECT_EQ(boxes.Boxes()[0].buttons, vbYesNo);
  }
}

TEST(UpdaterServer, BuiltInAddressIsHttps) {
  TempAppFolder app;
  EXPECT_TRUE(frmUpdate::ProgramUrl().startsWith("https://"))
      << frmUpdate::ProgramUrl().toStdString();
}

}  // namespace
