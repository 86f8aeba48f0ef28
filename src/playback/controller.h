#pragma once

#include <QString>
#include <optional>

// The decisions of the playback controller that do not need the window.
namespace Controller {

// The status line for an open-state change; nothing for states without one.
std::optional<QString> OpenStateText(int state);

// The lyric box while a stream buffers (start) and after.
QString BufferingText(bool start, const QString& lyric);

// True inside the last second of media that is playing. Media whose duration reads 0 (a live
// stream) never ends this way.
bool AtEndOfSong(int playState, double duration, double position);

// The stream-server base in the media-server script: its first double-quoted text, trimmed
// of spaces. Nothing when the script has no quoted text.
std::optional<QString> MediaServerBaseFrom(const QString& script);

// The entry's address with the placeholder host replaced by the stream server. Nothing when
// that changes nothing, or when there is no stream server to put in.
std::optional<QString> RepairedPath(const QString& path, const QString& placeholder,
                                    const QString& serverBase);

}  // namespace Controller
