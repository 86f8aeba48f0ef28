#include "lyrics/lyric_box.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>

#include "lyrics/synced_lyric.h"
#include "playback/media_player.h"
#include "state/main_controls.h"
#include "state/shared_state.h"

namespace Lyrics {

namespace {

constexpr char kHeader[] = "歌词\r\n";
// Often enough that a mark never lags a sung line noticeably.
constexpr int kFollowIntervalMs = 200;
const QColor kMarkBack(60, 90, 170);
const QColor kMarkText(255, 255, 255);

// The timed lyric in the box, while the box still shows it.
struct Following {
  QPointer<QPlainTextEdit> box;
  SyncedLyric lyric;
  int marked = -1;
  QMetaObject::Connection boxChanged;
  QPointer<QTimer> timer;
};

Following& State() {
  static Following state;
  return state;
}

void StopFollowing() {
  Following& f = State();
  QObject::disconnect(f.boxChanged);
  if (f.timer) f.timer->stop();
  f.box.clear();
  f.lyric = {};
  f.marked = -1;
}

void Mark(int line) {
  Following& f = State();
  f.marked = line;
  QList<QTextEdit::ExtraSelection> selections;
  if (line >= 0) {
    // The box's first block is the header.
    const QTextBlock block = f.box->document()->findBlockByNumber(line + 1);
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(block);
    mark.format.setBackground(kMarkBack);
    mark.format.setForeground(kMarkText);
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    selections << mark;
    f.box->setTextCursor(QTextCursor(block));
    f.box->centerCursor();
  }
  f.box->setExtraSelections(selections);
}

}  // namespace

void ShowLyric(const QString& lyric) {
  StopFollowing();
  QPlainTextEdit* box = MainForm().Text2;
  if (!box) return;
  const std::optional<SyncedLyric> synced = ParseSyncedLyric(lyric);
  if (!synced) {
    box->setExtraSelections({});
    box->setPlainText(kHeader + lyric);
    return;
  }
  QStringList lines;
  for (const SyncedLyric::Line& line : synced->lines) lines << line.text;
  box->setExtraSelections({});
  box->setPlainText(kHeader + lines.join("\r\n"));

  Following& f = State();
  f.box = box;
  f.lyric = *synced;
  f.boxChanged = QObject::connect(box, &QPlainTextEdit::textChanged, box, &StopFollowing);
  if (!f.timer) {
    f.timer = new QTimer(QCoreApplication::instance());
    f.timer->setInterval(kFollowIntervalMs);
    QObject::connect(f.timer, &QTimer::timeout, f.timer, &FollowPlayer);
  }
  f.timer->start();
  FollowPlayer();
}

void FollowPlayer() {
  Following& f = State();
  if (!f.box) {
    StopFollowing();
    return;
  }
  MediaPlayer* player = MainForm().WMP;
  // The box shows the current entry; its time is the player's only while it is that entry
  // that plays. Otherwise the mark stays where it was.
  if (!player || PlayingIndex != CurrentIndex || player->playState() != MediaPlayer::wmppsPlaying)
    return;
  const int line = f.lyric.LineAt(player->controls.currentPosition());
  if (line != f.marked) Mark(line);
}

int MarkedLine() { return State().box ? State().marked : -1; }

}  // namespace Lyrics
