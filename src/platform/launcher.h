#pragma once

#include <QString>
#include <functional>

// Starting other programs and opening documents with the desktop's handler. Tests install a
// recorder in place of the real thing.
namespace Launcher {

// Starts program (a full path) on its own; it lives on after this process. False when it
// could not be started.
bool StartDetached(const QString& program);

// Opens a local document with the desktop's default handler.
bool OpenDocument(const QString& path);

// Opens a web address in the desktop's browser.
bool OpenUrl(const QString& url);

// Sees every request instead of carrying it out; the answer is the result given back.
// kind is "start", "document" or "url". An empty recorder brings back the real thing.
using Recorder = std::function<bool(const QString& kind, const QString& target)>;
void SetRecorder(Recorder recorder);

}  // namespace Launcher
