#pragma once

#include <QByteArray>
#include <QString>

// The character set a response declares: the charset parameter of its Content-Type header,
// else a <meta> charset near the top of an HTML body; "UTF-8" when neither says.
// GB2312 and GBK are answered as GB18030, their superset.
QByteArray DeclaredCharset(const QByteArray& body, const QByteArray& contentType);

// Decodes a response body by its declared character set. An unknown set decodes as UTF-8.
QString DecodeHttpBody(const QByteArray& body, const QByteArray& contentType);
