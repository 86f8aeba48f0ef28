#pragma once

#include <QString>

// Media files made at test time: tones by sox, encoded and tagged by ffmpeg, and MIDI files
// written byte by byte. Files are kept in one folder for the whole test program.
namespace TestMedia {

// The folder the files are made in.
QString Folder();

// A sine tone of the given length; format is "wav", "mp3" or "wma". Title and artist are
// written as the file's tags when given. Returns the file's path, or "" when it could not be
// made (the reason goes to stderr).
QString Tone(const QString& name, const QString& format, double seconds, int frequency = 440,
             const QString& title = QString(), const QString& artist = QString());

// A standard MIDI file of one piano voice playing quarter notes at 120 beats per minute.
QString Midi(const QString& name, int quarterNotes);

}  // namespace TestMedia
