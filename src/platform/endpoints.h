#pragma once

#include <QString>

// Where the programs find the web services they use, and the code pages of text that declares
// none. Every host and prefix is named here and nowhere else; the settings files
// (SettingsFiles(): data/endpoints.ini of a self-contained folder, else the system's
// /etc/sonaveil/endpoints.ini and the user's own) may override any of them.
struct EndpointSettings {
  QString counterHost;            // online-user counter page
  QString lyricsSite;             // lyric search and lyric pages
  QString musicSearchSite;        // the "yisou:" online music search
  QString musicFileServer;        // base of relative catalog song addresses
  QString mediaScriptHost;        // serves /js/serverurl.js
  QString placeholderHostPrefix;  // stored in front of catalog stream addresses
  QString streamPrefix;           // mms://<stream server>/
  QString downloadPrefix;         // http://<media host>/
  QString ringToneSite;           // ring-tone search page
  QString messageBoardHost;       // message-board page
  QString updateServer;           // published versions and files
  QString fallbackEncodings;      // code pages of tags and playlists, in order ("GB18030,Big5")

  // The built-in value of every key.
  static EndpointSettings Defaults();
};

// The deployment settings, read once from SettingsFiles() on first use. A key that no file
// sets keeps its built-in default; a key set in two files takes the later one's value.
const EndpointSettings& Endpoints();

// Reads the settings file again (tests write their own file and then call this).
void ReloadEndpoints();

// Joins a scheme-and-host setting and a path so that exactly one slash separates them.
QString JoinUrl(const QString& base, const QString& path);
