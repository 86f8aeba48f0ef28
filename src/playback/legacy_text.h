#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text written without a declared character set: ID3 frames marked ISO-8859-1 (which Windows
// taggers filled in the system's code page), ID3v1 tags, M3U and PLS playlists.
namespace LegacyText {

// The code pages such text is tried in, in order: the deployment settings' FallbackEncodings
// (a list separated by commas), GB18030 when it names none.
QStringList FallbackEncodings();

// bytes as UTF-8 when they are valid UTF-8; else in the first of encodings that reads them
// without error and believably; else as ISO-8859-1.
//
// A reading is not believed when as many of its multi-byte characters look like accented
// letters inside Latin words as not: a high byte and an ASCII letter next to an ASCII letter
// (the "ós" of "Rós" is F3 73, a valid GBK character), two high bytes between ASCII letters
// (the "öß" of "Größe"), a lone high byte after one. Chinese text sits in runs of high bytes.
QString Decode(const QByteArray& bytes, const QStringList& encodings);

// The same for text known not to be UTF-8 (a line of a file that as a whole is not): a short
// piece of GBK can also be valid UTF-8, and is not read as such here.
QString DecodeInCodePage(const QByteArray& bytes, const QStringList& encodings);

}  // namespace LegacyText
