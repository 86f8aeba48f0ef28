#pragma once

#include <QString>

// Media files made at test time: tones by sox, encoded and tagged by ffmpeg, and MIDI files
// written byte by byte. Files are kept in one folder for the whole test program.
namespace TestMedia {

// The folder the files are made in.
QString Folder();

// A sine tone of the given length; format is "wav", "mp3", "wma", "flac", "ogg" (Vorbis), "opus",
// "m4a" (AAC) or "wv" (WavPack). Title, artist and lyric (a LYRICS comment) are
// written as the file's tags when given. Returns the file's path, or "" when it could not be
// made (the reason goes to stderr).
QString Tone(const QString& name, const QString& format, double seconds, int frequency = 440,
             const QString& title = QString(), const QString& artist = QString(),
             const QString& lyric = QString());

// A tone as Tone makes an MP3 of it, tagged as old Windows taggers did: title and artist in
// codec ("UTF-16", "GBK", "Big5", "UTF-8", "ISO-8859-1"), in ID3v2.3 frames that declare
// UTF-16 or else ISO-8859-1, or in an ID3v1 tag. A lyric goes into a USLT frame (in a codec
// of single-byte terminators).
QString Id3Tagged(const QString& name, double seconds, int frequency, const QString& title,
                  const QString& artist, const char* codec, bool id3v1,
                  const QString& lyric = QString());

// A standard MIDI file of one piano voice playing quarter notes at 120 beats per minute.
QString Midi(const QString& name, int quarterNotes);

}  // namespace TestMedia
