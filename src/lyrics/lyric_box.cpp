#include "lyrics/lyric_box.h"

#include <QPlainTextEdit>

#include "state/main_controls.h"

namespace Lyrics {

void ShowLyric(const QString& lyric) {
  if (QPlainTextEdit* box = MainForm().Text2) box->setPlainText("歌词\r\n" + lyric);
}

}  // namespace Lyrics
