#include "updater/frm_update.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTimer>

#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "skin/skin.h"
#include "skin/skin_pictures.h"
#include "updater/update_signature.h"

namespace {

constexpr char kLoading[] = QT_TRANSLATE_NOOP("frmUpdate", "读取中…");
constexpr char kNoConnection[] = QT_TRANSLATE_NOOP("frmUpdate", "无法连接");
// Neither missing, malformed nor wrong statements say more: none vouches for the file.
constexpr char kUnverified[] =
    QT_TRANSLATE_NOOP("frmUpdate", "下载的文件无法验证（没有发布者的有效签名），");
constexpr char kOldSignature[] = QT_TRANSLATE_NOOP(
    "frmUpdate",
    "下载的文件只有旧格式的签名（只签了文件的字节，没有说明是什么文件、哪个版本），无法验证，");
const QColor kTextColour(38, 42, 70);

QFont PixelFont(int pixels) {
  QFont font = QApplication::font();
  font.setPixelSize(pixels);
  return font;
}

PictureBox* NewLabel(QWidget* parent, const QString& text, int left, int top, int width,
                     int height) {
  auto* label = new PictureBox(parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAttribute(Qt::WA_TranslucentBackground);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, kTextColour);
  label->setPalette(palette);
  label->setText(text);
  label->setGeometry(left, top, width, height);
  return label;
}

// A label that sizes itself to its text, from its top-left corner.
PictureBox* NewAutoSizeLabel(QWidget* parent, const QString& text, int left, int top) {
  PictureBox* label = NewLabel(parent, text, left, top, 0, 0);
  label->adjustSize();
  return label;
}

QString KindName(InstalledFile::Kind kind) {
  return kind == InstalledFile::Kind::kProgram ? "program" : "catalog";
}

// What the user calls a file of a kind that statements name.
QString KindWord(const QString& kind) {
  if (kind == "program") return QCoreApplication::translate("frmUpdate", "主程序");
  return kind == "catalog" ? QCoreApplication::translate("frmUpdate", "歌曲库") : kind;
}

// What each outcome of an update tells the user; the installed file is named in each.
QString KeptMessage(InstalledFile::Kind kind, const QString& why) {
  return QCoreApplication::translate("frmUpdate", "%1原来的%2没有改动。")
      .arg(why, KindWord(KindName(kind)));
}

}  // namespace

frmUpdate::frmUpdate(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setWindowTitle("update");
  setAutoFillBackground(true);
  QPalette key = palette();
  key.setColor(QPalette::Window, SkinPictures::kColourKey);
  setPalette(key);
  setFont(PixelFont(12));
  setFixedSize(437, 179);

  imgBack = new PictureBox(this);
  imgBack->setGeometry(0, 0, 427, 170);
  Label5 = NewAutoSizeLabel(this, tr("最新数据版本："), 32, 48);
  Label6 = NewLabel(this, QString(), 112, 48, 64, 13);
  Label7 = NewAutoSizeLabel(this, tr("最新程序版本："), 184, 48);
  Label9 = NewLabel(this, QString(), 264, 48, 56, 13);
  Label2 = NewAutoSizeLabel(this, tr("下载进度"), 32, 80);

  Downloader1 = new ::Downloader(this);
  Downloader1->setGeometry(88, 80, 288, 16);
  Downloader1->SetSizeItOnResize(true);
  // A program or catalog cut short must never be installed.
  Downloader1->SetRequireAnnouncedEnd(true);
  Downloader1->SizeIt();

  Command1 = new QPushButton(tr("升级主程序"), this);
  Command1->setGeometry(88, 104, 73, 25);
  Command2 = new QPushButton(tr("升级歌曲库"), this);
  Command2->setGeometry(248, 104, 73, 25);
  // The window's red is the colour key, not a colour for the buttons' edges.
  for (QPushButton* button : {Command1, Command2}) {
    QPalette plain = button->palette();
    plain.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
    button->setPalette(plain);
  }

  Image1 = new PictureBox(this);
  Image1->SetPicture(SkinPictures::Builtin("close-1.gif"));
  Image1->setGeometry(400, 8, 9, 17);
  Image1->setCursor(Qt::PointingHandCursor);

  Inet1 = new Inet(this);
  Inet2 = new Inet(this);

  connect(Command1, &QPushButton::clicked, this, &frmUpdate::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &frmUpdate::Command2_Click);
  connect(Image1, &PictureBox::Click, this, &frmUpdate::Image1_Click);
  connect(Label7, &PictureBox::Click, this, &frmUpdate::Label7_Click);
  connect(imgBack, &PictureBox::MouseDown, this, &frmUpdate::imgBack_MouseDown);
  connect(imgBack, &PictureBox::MouseMove, this, &frmUpdate::imgBack_MouseMove);
  connect(imgBack, &PictureBox::MouseUp, this, &frmUpdate::imgBack_MouseUp);
  connect(Downloader1, &Downloader::DownloadComplete, this,
          &frmUpdate::Downloader1_DownloadComplete);

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QString frmUpdate::DataVersionUrl() {
  return JoinUrl(Endpoints().updateServer, "/sonaveil/updatefile/db.txt");
}
QString frmUpdate::ProgramVersionUrl() {
  return JoinUrl(Endpoints().updateServer, "/sonaveil/updatefile/sonaveil.txt");
}
QString frmUpdate::ProgramUrl() {
  return JoinUrl(Endpoints().updateServer, "/sonaveil/updatefile/sonaveil.rar");
}
QString frmUpdate::CatalogUrl() {
  return JoinUrl(Endpoints().updateServer, "/sonaveil/updatefile/db.rar");
}
QString frmUpdate::ProgramFile() { return AppPath() + "/sonaveil"; }
QString frmUpdate::CatalogFile() { return DataPath() + "/data/db.dll"; }

void frmUpdate::Form_Load() {
  Skin::InitUpdaterSkin(this, imgBack);
  // Both texts are fetched at once, each on its own transfer, so a slow server keeps the
  // window waiting once and not twice.
  Label6->setText(tr(kLoading));
  Label9->setText(tr(kLoading));
  Inet1->OpenURL(DataVersionUrl(),
                 [this](bool ok, const QString& body) { ShowVersion(Label6, ok, body); });
  Inet2->OpenURL(ProgramVersionUrl(),
                 [this](bool ok, const QString& body) { ShowVersion(Label9, ok, body); });
}

void frmUpdate::ShowVersion(PictureBox* label, bool ok, const QString& text) {
  label->setText(ok ? text : tr(kNoConnection));
}

void frmUpdate::Command1_Click() {
  if (PackageManaged()) {
    MsgBox(
        tr("主程序由系统的软件包管理器安装，请通过软件包管理器更新它（例如 sudo apt upgrade）。"),
        tr("提示！"), vbOKOnly);
    return;
  }
  BeginUpdate(ProgramUrl(), ProgramFile(), InstalledFile::Kind::kProgram, Command1);
}

void frmUpdate::Command2_Click() {
  BeginUpdate(CatalogUrl(), CatalogFile(), InstalledFile::Kind::kCatalog, Command2);
}

void frmUpdate::BeginUpdate(const QString& url, const QString& target, InstalledFile::Kind kind,
                            QPushButton* button) {
  if (!button->isEnabled()) return;
  button->setEnabled(false);
  // Downloaded beside the target, it takes the target's place only once it has been checked.
  const Pending update{url, target, kind, button, InstalledFile::NewStagingFile(target)};
  if (update.staged.isEmpty())
    return Finish(update, KeptMessage(kind, tr("无法在安装目录里下载，")));
  if (!BeginRead(url, update.staged, update)) {
    QFile::remove(update.staged);  // refused, with the control's own message
    button->setEnabled(true);
  }
}

bool frmUpdate::BeginRead(const QString& url, const QString& saveFile, const Pending& update) {
  const int reads = Downloader1->PendingReads();
  pending_.insert(saveFile, update);
  Downloader1->BeginDownload(url, saveFile);
  if (Downloader1->PendingReads() != reads) return true;
  pending_.remove(saveFile);
  return false;
}

void frmUpdate::Downloader1_DownloadComplete(qint64 MaxBytes, const QString& SaveFile) {
  const auto it = pending_.constFind(SaveFile);
  if (it == pending_.constEnd()) return;
  const Pending update = *it;
  pending_.erase(it);
  if (SaveFile == update.statement)
    TakeStatement(MaxBytes != 0, update);
  else
    TakeFile(MaxBytes != 0, update);
}

void frmUpdate::TakeFile(bool arrived, Pending update) {
  if (!arrived)
    return Finish(update,
                  KeptMessage(update.kind, tr("下载失败（%1），").arg(Downloader1->LastError())));
  if (!InstalledFile::Is(update.kind, update.staged))
    return Finish(update, KeptMessage(update.kind, update.kind == InstalledFile::Kind::kProgram
                                                       ? tr("下载的文件不是本机能运行的程序，")
                                                       : tr("下载的文件不是歌曲库，")));
  update.statement = InstalledFile::NewStagingFile(update.target + ".sig");
  if (update.statement.isEmpty() || !BeginRead(update.url + ".sig", update.statement, update))
    Finish(update, KeptMessage(update.kind, tr(kUnverified)));
}

void frmUpdate::TakeStatement(bool arrived, const Pending& update) {
  UpdateSignature::Statement statement;
  const UpdateSignature::Check check = arrived ? UpdateSignature::Read(update.statement, &statement)
                                               : UpdateSignature::Check::kUnverified;
  if (check == UpdateSignature::Check::kOldFormat)
    return Finish(update, KeptMessage(update.kind, tr(kOldSignature)));
  if (check != UpdateSignature::Check::kVouched ||
      !UpdateSignature::Describes(statement, update.staged))
    return Finish(update, KeptMessage(update.kind, tr(kUnverified)));
  if (statement.kind != KindName(update.kind))
    return Finish(update,
                  KeptMessage(update.kind,
                              tr("发布者的签名说明这个文件是%1，").arg(KindWord(statement.kind))));
  if (update.kind == InstalledFile::Kind::kCatalog) return Install(update);
  InstallProgram(update, statement.version);
}

void frmUpdate::InstallProgram(const Pending& update, const QString& version) {
  InstalledFile::AskVersion(ProgramFile(), this, [this, update, version](QVersionNumber said) {
    // A program that does not say is the one installed with this updater.
    if (said.isNull()) said = QVersionNumber::fromString(SONAVEIL_VERSION);
    const QVersionNumber offered = InstalledFile::ParseVersion(version);
    if (offered.isNull())
      return Finish(update,
                    KeptMessage(update.kind,
                                tr("下载的主程序的版本（%1）无法与已安装的比较，").arg(version)));
    if (offered < said)
      return Finish(update,
                    KeptMessage(update.kind, tr("下载的主程序（版本 %1）比已安装的（版本 %2）旧，")
                                                 .arg(version, said.toString())));
    Install(update);
  });
}

void frmUpdate::Install(const Pending& update) {
  if (!InstalledFile::Replace(update.staged, update.target, update.kind))
    return Finish(update, KeptMessage(update.kind, tr("无法替换已安装的文件，")));
  Finish(update, QString());
}

frmUpdate::~frmUpdate() {
  for (const Pending& update : std::as_const(pending_)) {
    QFile::remove(update.staged);
    if (!update.statement.isEmpty()) QFile::remove(update.statement);
  }
}

void frmUpdate::Finish(const Pending& update, const QString& failure) {
  if (!update.statement.isEmpty()) QFile::remove(update.statement);
  update.button->setEnabled(true);
  if (failure.isEmpty()) {
    MsgBox(tr("下载完毕！"), tr("提示！"), vbOKOnly);
  } else {
    if (!update.staged.isEmpty()) QFile::remove(update.staged);
    MsgBox(failure, "Error!", vbOKOnly);
  }
}

void frmUpdate::Image1_Click() {
  if (ending_) return;
  ending_ = true;
  // A missing player is not reported: the updater ends all the same.
  Launcher::StartDetached(ProgramFile());
  QTimer::singleShot(kRelaunchWaitMs, this, [this] { emit Ended(); });
}

void frmUpdate::Label7_Click() {
  const int answer = MsgBox("dd", QString(), vbYesNo);
  MsgBox(QString::number(answer), QString(), vbOKOnly);
}

void frmUpdate::imgBack_MouseDown(int Button, int, int) {
  if (Button == 1) move_.Press(imgBack->LastGlobalPos());
}

void frmUpdate::imgBack_MouseMove(int, int, int) { move_.Follow(imgBack->LastGlobalPos()); }

void frmUpdate::imgBack_MouseUp(int, int, int) { move_.Release(imgBack->LastGlobalPos()); }
