#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>
#include <stdexcept>

#include "playback/media_player.h"

// A player for unit tests of the logic above it: its state is set by the test, every command
// is recorded, and any member can be made to fail.
class FakeMediaPlayer : public MediaPlayer {
 public:
  int state = wmppsUndefined;
  double position = 0;
  double duration = 0;
  int volume = 50;
  QString url;
  QString queued;                // what QueueNext was last given
  QHash<QString, QString> info;  // "Title", "Author"
  QStringList calls;      // "setURL <url>", "play", "pause", "stop", "seek <s>", "volume <v>"
  QSet<QString> failing;  // names of members that throw MediaPlayerError

  void setURL(const QString& u) override {
    Check("setURL");
    calls << "setURL " + u;
    url = u;
  }
  QString URL() const override { return url; }
  void QueueNext(const QString& u) override { queued = u; }
  int playState() const override {
    Check("playState");
    return state;
  }

 protected:
  void DoPlay() override {
    Check("play");
    calls << "play";
  }
  void DoPause() override {
    Check("pause");
    calls << "pause";
  }
  void DoStop() override {
    Check("stop");
    calls << "stop";
  }
  double Position() const override {
    Check("currentPosition");
    return position;
  }
  void Seek(double seconds) override {
    Check("seek");
    calls << QString("seek %1").arg(seconds);
  }
  double Duration() const override {
    Check("duration");
    return duration;
  }
  QString ItemInfo(const QString& name) const override {
    Check("getItemInfo");
    return info.value(name);
  }
  int Volume() const override {
    Check("volume");
    return volume;
  }
  void SetVolume(int v) override {
    Check("setVolume");
    calls << QString("volume %1").arg(v);
    volume = v;
  }

 private:
  void Check(const char* member) const {
    if (failing.contains(member)) throw MediaPlayerError(member);
  }
};
