#pragma once

#include <QPixmap>
#include <QRegion>
#include <QString>

// Pictures of the skin. Each file is decoded once and kept; pure red pixels, the colour
// key, come out transparent.
namespace SkinPictures {

inline const QColor kColourKey{255, 0, 0};

// The picture ResourcePath() + "/skin/" + name; ok is false (and the picture null) when the file
// is missing or cannot be read.
QPixmap Load(const QString& name, bool* ok = nullptr);

// Starts reading the named pictures of the skin folder on a thread of their own, so that the
// window's first pictures are decoded while its controls are being made. A Load of one of
// them waits for that picture alone.
void Preload(const QStringList& names);

// The first picture of the icon file ResourcePath() + "/skin/" + name; null when there is none.
QPixmap LoadIcon(const QString& name);

// A picture built into the program (the slider's parts, the close marks), by file name.
QPixmap Builtin(const QString& name);

// The area of a picture that is not colour key.
QRegion Opaque(const QPixmap& picture);

// Turns every pure red pixel transparent.
QImage KeyOut(const QImage& image);

// Forgets every decoded picture (tests change the skin folder under a running program).
void Clear();
// Counts the Clear calls: a holder of pictures sees whether it must read them again.
int Generation();

}  // namespace SkinPictures
