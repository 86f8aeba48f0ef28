#pragma once

#include <QHash>
#include <QStringList>

#include "playback/media_player.h"

// A player for unit tests of the logic above it: its state is set by the test, and every
// command is recorded.
class FakeMediaPlayer : public MediaPlayer {
 public:
  int state = wmppsUndefined;
  double position = 0;
  double duration = 0;
  int volume = 50;
  QString url;
  QString queued;                // what QueueNext was last given
  QHash<QString, QString> info;  // "Title", "Author"
  QStringList calls;  // "setURL <url>", "play", "pause", "stop", "seek <s>", "volume <v>"

  void setURL(const QString& u) override {
    calls << "setURL " + u;
    url = u;
  }
  QString URL() const override { return url; }
  void QueueNext(const QString& u) override { queued = u; }
  int playState() const override { return state; }

 protected:
  void DoPlay() override { calls << "play"; }
  void DoPause() override { calls << "pause"; }
  void DoStop() override { calls << "stop"; }
  double Position() const override { return position; }
  void Seek(double seconds) override { calls << QString("seek %1").arg(seconds); }
  double Duration() const override { return duration; }
  QString ItemInfo(const QString& name) const override { return info.value(name); }
  int Volume() const override { return volume; }
  void SetVolume(int v) override {
    calls << QString("volume %1").arg(v);
    volume = v;
  }
};
