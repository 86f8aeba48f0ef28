#include "platform/endpoints.h"

#include <QFileInfo>
#include <QSettings>
#include <optional>

#include "platform/app_path.h"

namespace {

struct Key {
  const char* name;
  QString EndpointSettings::*field;
};

constexpr Key kKeys[] = {
    {"CounterHost", &EndpointSettings::counterHost},
    {"LyricsSite", &EndpointSettings::lyricsSite},
    {"MusicSearchSite", &EndpointSettings::musicSearchSite},
    {"MusicFileServer", &EndpointSettings::musicFileServer},
    {"MediaScriptHost", &EndpointSettings::mediaScriptHost},
    {"PlaceholderHostPrefix", &EndpointSettings::placeholderHostPrefix},
    {"StreamPrefix", &EndpointSettings::streamPrefix},
    {"DownloadPrefix", &EndpointSettings::downloadPrefix},
    {"RingToneSite", &EndpointSettings::ringToneSite},
    {"MessageBoardHost", &EndpointSettings::messageBoardHost},
    {"UpdateServer", &EndpointSettings::updateServer},
    {"FallbackEncodings", &EndpointSettings::fallbackEncodings},
};

std::optional<EndpointSettings>& Cached() {
  static std::optional<EndpointSettings> settings;
  return settings;
}

EndpointSettings Read() {
  EndpointSettings settings = EndpointSettings::Defaults();
  for (const QString& file : SettingsFiles()) {
    if (!QFileInfo::exists(file)) continue;
    QSettings ini(file, QSettings::IniFormat);
    ini.beginGroup("endpoints");
    for (const Key& key : kKeys) {
      const QString value = ini.value(key.name).toString().trimmed();
      if (!value.isEmpty()) settings.*key.field = value;
    }
  }
  return settings;
}

}  // namespace

EndpointSettings EndpointSettings::Defaults() {
  EndpointSettings d;
  d.counterHost = "http://www.sonaveil.example/";
  d.lyricsSite = "http://lrc.sonaveil.example/";
  d.musicSearchSite = "http://search.sonaveil.example/";
  d.musicFileServer = "http://files.sonaveil.example/";
  d.mediaScriptHost = "http://media.sonaveil.example/";
  d.placeholderHostPrefix = "http://mediaserver.sonaveil.example";
  d.streamPrefix = "mms://stream.sonaveil.example/";
  d.downloadPrefix = "http://download.sonaveil.example/";
  d.ringToneSite = "http://ring.sonaveil.example/";
  d.messageBoardHost = "http://bbs.sonaveil.example/";
  d.updateServer = "https://update.sonaveil.example/";
  d.fallbackEncodings = "GB18030";
  return d;
}

const EndpointSettings& Endpoints() {
  if (!Cached()) Cached() = Read();
  return *Cached();
}

void ReloadEndpoints() { Cached() = Read(); }

QString JoinUrl(const QString& base, const QString& path) {
  QString left = base;
  while (left.endsWith('/')) left.chop(1);
  QString right = path;
  while (right.startsWith('/')) right.remove(0, 1);
  return left + '/' + right;
}
