#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The character set a response declares: the charset parameter of its Content-Type header,
// else a <meta> charset near the top of an HTML body; "UTF-8" when neither says.
// GB2312 and GBK are answered as GB18030, their superset.
QByteArray DeclaredCharset(const QByteArray& body, const QByteArray& contentType);

// Decodes a response body by its declared character set. An unknown set decodes as UTF-8.
QString DecodeHttpBody(const QByteArray& body, const QByteArray& contentType);

// Replaces the character references of an HTML text (numeric, and the named ones of HTML 4
// and &apos;) by their characters, &nbsp; by a plain space. Unknown names and numbers that
// name no character stay as they are. With keepMarkup, references to "<", ">" and "&" stay,
// so that the text reads as the same markup, as a browser gives the HTML of a page.
QString DecodeCharacterReferences(const QString& text, bool keepMarkup = false);
