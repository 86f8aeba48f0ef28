#include "menus/frm_menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "download/frm_down.h"
#include "lyrics/lyric_lookup.h"
#include "menus/board_process.h"
#include "platform/app_path.h"
#include "platform/endpoints.h"
#include "platform/launcher.h"
#include "platform/msgbox.h"
#include "playback/playback_controller.h"
#include "state/shared_state.h"

namespace {

QAction* Entry(QMenu* menu, const QString& name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  return action;
}

QAction* Separator(QMenu* menu, const QString& name) {
  QAction* action = menu->addSeparator();
  action->setObjectName(name);
  return action;
}

QMenu* Submenu(QMenu* menu, const QString& name, const QString& caption) {
  QMenu* sub = menu->addMenu(caption);
  sub->setObjectName(name);
  sub->menuAction()->setObjectName(name);
  return sub;
}

const char* const kTransport[5] = {
    QT_TRANSLATE_NOOP("frmMenu", "前一首"), QT_TRANSLATE_NOOP("frmMenu", "播放"),
    QT_TRANSLATE_NOOP("frmMenu", "暂停"), QT_TRANSLATE_NOOP("frmMenu", "停止"),
    QT_TRANSLATE_NOOP("frmMenu", "后一首")};

QString Indexed(const char* name, int index) { return QString("%1(%2)").arg(name).arg(index); }

// While installed on the application, the user's input reaches none of its windows: keys,
// pointer, wheel and drops. The windows still draw and the timers still run.
class InputBlocker : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Shortcut:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        return true;
      default:
        return event->isInputEvent();
    }
  }
};

}  // namespace

frmMenu::frmMenu(MenuHost& host, PlaybackController& playback, LyricLookup& lyrics)
    : menulist1(new QMenu("Popup Menu")),
      menuForm(new QMenu("Popup Menu")),
      host_(host),
      playback_(playback),
      lyrics_(lyrics) {
  setObjectName("frmMenu");
  menulist1->setObjectName("menulist1");
  showmain = Entry(menulist1, "showmain", tr("显示主窗体"));
  closemenu = Entry(menulist1, "closemenu", tr("关闭菜单"));
  file = Submenu(menulist1, "file", tr("文件"));
  addfile = Entry(file, "addfile", tr("添加本地文件"));
  addurl = Entry(file, "addurl", tr("添加网络文件"));
  ge1 = Separator(file, "ge1");
  delcur = Entry(file, "delcur", tr("删除当前歌曲"));
  delall = Entry(file, "delall", tr("删除所有歌曲"));
  control1 = Submenu(menulist1, "control1", tr("控制"));
  for (int i = 0; i < 5; ++i)
    control[i] = Entry(control1, Indexed("control", i), tr(kTransport[i]));
  word = Entry(menulist1, "word", tr(kOpenBoard));
  help[0] = Entry(menulist1, Indexed("help", 0), tr("帮助"));
  exit = Entry(menulist1, "exit", tr("退出"));

  menuForm->setObjectName("menuForm");
  hide = Entry(menuForm, "hide", tr("隐藏主窗体"));
  reLrc = Entry(menuForm, "reLrc", tr("重新搜索歌词"));
  sms = Entry(menuForm, "sms", tr("下载本曲铃声"));
  download = Entry(menuForm, "download", tr("下载当前歌曲"));
  bbb = Separator(menuForm, "bbb");
  delcur1 = Entry(menuForm, "delcur1", tr("删除当前歌曲"));
  delall1 = Entry(menuForm, "delall1", tr("删除所有歌曲"));
  addfile1 = Entry(menuForm, "addfile1", tr("添加本地文件"));
  addurl1 = Entry(menuForm, "addurl1", tr("添加网络文件"));
  fenge = Separator(menuForm, "fenge");
  word1 = Entry(menuForm, "word1", tr(kOpenBoard));
  update = Entry(menuForm, "update", tr("软件升级"));
  help1 = Entry(menuForm, "help1", tr("帮助"));

  const struct {
    QAction* entry;
    void (frmMenu::*handler)();
  } handlers[] = {
      {showmain, &frmMenu::showmain_Click}, {addfile, &frmMenu::addfile_Click},
      {addfile1, &frmMenu::addfile_Click},  {addurl, &frmMenu::addurl_Click},
      {addurl1, &frmMenu::addurl_Click},    {delcur, &frmMenu::delcur_Click},
      {delcur1, &frmMenu::delcur_Click},    {delall, &frmMenu::delall_Click},
      {delall1, &frmMenu::delall_Click},    {word, &frmMenu::word_Click},
      {word1, &frmMenu::word_Click},        {exit, &frmMenu::exit_Click},
      {hide, &frmMenu::hide_Click},         {reLrc, &frmMenu::reLrc_Click},
      {sms, &frmMenu::sms_Click},           {download, &frmMenu::download_Click},
      {update, &frmMenu::update_Click},
  };
  for (const auto& h : handlers) connect(h.entry, &QAction::triggered, this, h.handler);
  for (int i = 0; i < 5; ++i)
    connect(control[i], &QAction::triggered, this, [this, i] { control_Click(i); });
  connect(help[0], &QAction::triggered, this, [this] { help_Click(0); });
  connect(help1, &QAction::triggered, this, [this] { help_Click(0); });
}

frmMenu::~frmMenu() {
  delete menulist1;
  delete menuForm;
}

void frmMenu::SetBoardCaption(const char* caption) {
  word->setText(tr(caption));
  word1->setText(tr(caption));
}

void frmMenu::showmain_Click() { host_.ShowMainWindow(); }

void frmMenu::hide_Click() { host_.HideMainWindow(); }

void frmMenu::addfile_Click() { playback_.AddLocalFiles(host_.DialogParent()); }

void frmMenu::addurl_Click() {
  host_.ShowMainWindow();
  // The catalog panel, without its close mark: network songs are added from there.
  host_.ToggleCatalogPanel();
}

void frmMenu::delcur_Click() { playback_.DeleteCurrent(); }

void frmMenu::delall_Click() {
  if (MsgBox(tr("是否要删除所有歌曲？"), tr("提醒！"), vbYesNo) == vbYes) playback_.DeleteAll();
}

void frmMenu::control_Click(int Index) {
  using Command = PlaybackController::Command;
  static constexpr Command kCommands[] = {Command::kPrevious, Command::kPlay, Command::kPause,
                                          Command::kStop, Command::kNext};
  if (Index >= 0 && Index < 5) playback_.MenuTransport(kCommands[Index]);
}

void frmMenu::word_Click() {
  BoardProcess* board = BoardProcess::Instance();
  const bool show = !board->isVisible();
  board->setVisible(show);
  SetBoardCaption(show ? kCloseBoard : kOpenBoard);
}

void frmMenu::help_Click(int) { OpenHelp(); }

void frmMenu::exit_Click() { host_.ExitProgram(); }

void frmMenu::reLrc_Click() { lyrics_.SearchAgain(); }

QString frmMenu::RingToneUrl(const QString& title) {
  return JoinUrl(Endpoints().ringToneSite, "/ring_search.php?key=") +
         QString::fromLatin1(QUrl::toPercentEncoding(title)) + "&fid=95";
}

void frmMenu::sms_Click() {
  if (const SongRecord* song = Playlist.Slot(CurrentIndex))
    Launcher::OpenUrl(RingToneUrl(song->Title));
}

void frmMenu::download_Click() { frmDown::ShowForCurrentSong(host_.DialogParent()); }

void frmMenu::update_Click() { StartUpdater(host_); }

void OpenHelp() { Launcher::OpenDocument(ResourcePath() + "/help.html"); }

void StartUpdater(MenuHost& host) {
  if (MsgBox(QCoreApplication::translate("frmMenu", "升级程序一旦启动，主程序即将关闭，是否确定？"),
             QCoreApplication::translate("frmMenu", "提示！"), vbYesNo) != vbYes)
    return;
  Launcher::StartDetached(AppPath() + "/update");
  // The program is leaving: until it does, it takes no further command (a second 升级 would
  // start a second updater). The blocker goes before the exit, which may have to ask.
  auto* blocker = new InputBlocker(host.DialogParent());
  qApp->installEventFilter(blocker);
  // Also when the menus' form is gone by then.
  QTimer::singleShot(kUpdateExitDelayMs, host.DialogParent(), [&host, blocker] {
    delete blocker;
    host.ExitProgram();
  });
}
