#include "lyrics/lyric_box.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include "playback/media_player.h"
#include "state/shared_state.h"

namespace {

constexpr char kHeader[] = "歌词\r\n";
// Often enough that a mark never lags a sung line noticeably.
constexpr int kFollowIntervalMs = 200;
const QColor kMarkBack(60, 90, 170);
const QColor kMarkText(255, 255, 255);

}  // namespace

LyricBox::LyricBox(QPlainTextEdit& box, const MediaPlayer& player, QObject* parent)
    : QObject(parent), box_(box), player_(player) {
  follow_.setInterval(kFollowIntervalMs);
  connect(&follow_, &QTimer::timeout, this, &LyricBox::FollowPlayer);
}

void LyricBox::StopFollowing() {
  disconnect(boxChanged_);
  follow_.stop();
  lyric_.reset();
  marked_ = -1;
}

void LyricBox::Mark(int line) {
  marked_ = line;
  QList<QTextEdit::ExtraSelection> selections;
  if (line >= 0) {
    // The box's first block is the header.
    const QTextBlock block = box_.document()->findBlockByNumber(line + 1);
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(block);
    mark.format.setBackground(kMarkBack);
    mark.format.setForeground(kMarkText);
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    selections << mark;
    box_.setTextCursor(QTextCursor(block));
    box_.centerCursor();
  }
  box_.setExtraSelections(selections);
}

void LyricBox::ShowStatus(const QString& text) {
  StopFollowing();
  box_.setExtraSelections({});
  box_.setPlainText(text);
}

void LyricBox::ShowLyric(const QString& lyric) {
  StopFollowing();
  std::optional<SyncedLyric> synced = ParseSyncedLyric(lyric);
  if (!synced) {
    ShowStatus(kHeader + lyric);
    return;
  }
  QStringList lines;
  for (const SyncedLyric::Line& line : synced->lines) lines << line.text;
  ShowStatus(kHeader + lines.join("\r\n"));

  lyric_ = std::move(synced);
  boxChanged_ = connect(&box_, &QPlainTextEdit::textChanged, this, &LyricBox::StopFollowing);
  follow_.start();
  FollowPlayer();
}

void LyricBox::FollowPlayer() {
  if (!lyric_) {
    follow_.stop();
    return;
  }
  // The box shows the current entry; its time is the player's only while it is that entry
  // that plays. Otherwise the mark stays where it was.
  if (PlayingIndex != CurrentIndex || player_.playState() != MediaPlayer::wmppsPlaying) return;
  const int line = lyric_->LineAt(player_.controls.currentPosition());
  if (line != marked_) Mark(line);
}
