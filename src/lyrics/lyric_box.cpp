#include "lyrics/lyric_box.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include "lyrics/lyric_text.h"
#include "playback/media_player.h"
#include "state/shared_state.h"

namespace {

constexpr char kHeader[] = QT_TRANSLATE_NOOP("LyricBox", "歌词\r\n");
// Often enough that a mark never lags a sung line noticeably.
constexpr int kFollowIntervalMs = 200;
const QColor kMarkBack(60, 90, 170);
const QColor kMarkText(255, 255, 255);
// The box holds fewer characters than this in a line even of the narrowest letters, and no
// song has more lines. Longer lines, and lines past these, are cut: nothing of them could show
// beside what comes before, and laying out a stored lyric of hundreds of thousands of
// characters, in one line or in as many, would hold the window for seconds.
constexpr qsizetype kLongestShownLine = 512;
constexpr int kMostShownLines = 1000;

// text as the box shows it: a line longer than it can show is cut to fit, ending in "…", and
// a last line "…" stands for the lines past the most it shows. A line ends at CR LF, CR, LF
// or a paragraph separator, where the box begins a paragraph, and so a layout, of its own.
QString AsShown(const QString& text) {
  const auto ends = [](QChar c) {
    return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator;
  };
  QString shown;
  qsizetype from = 0;
  for (int lines = 0; from <= text.size(); ++lines) {
    if (lines == kMostShownLines) return shown + QStringLiteral("\n…");
    qsizetype end = from;
    while (end < text.size() && !ends(text[end])) ++end;
    const QStringView line = QStringView(text).sliced(from, end - from);
    if (lines > 0) shown += u'\n';
    if (line.size() <= kLongestShownLine) {
      shown += line;
    } else {
      const qsizetype keep =
          kLongestShownLine - (line[kLongestShownLine - 2].isHighSurrogate() ? 2 : 1);
      shown += line.first(keep);  // a character is not cut in two
      shown += u'…';
    }
    from = end + (QStringView(text).sliced(end).startsWith(u"\r\n") ? 2 : 1);
  }
  return shown;
}

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
  // The box's first block is the header; lines past those shown have none.
  const QTextBlock block = box_.document()->findBlockByNumber(line + 1);
  if (line >= 0 && block.isValid()) {
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
  box_.setPlainText(AsShown(text));
}

void LyricBox::ShowLyric(const QString& lyric) {
  StopFollowing();
  std::optional<SyncedLyric> synced = ParseSyncedLyric(lyric);
  if (!synced) {
    ShowStatus(tr(kHeader) + LyricText::Shown(lyric));
    return;
  }
  QStringList lines;
  for (const SyncedLyric::Line& line : synced->lines)
    lines << LyricText::Shown(line.text).replace("\r\n", " ");  // one line of the box each
  ShowStatus(tr(kHeader) + lines.join("\r\n"));

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
