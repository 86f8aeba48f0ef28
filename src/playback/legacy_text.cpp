#include "playback/legacy_text.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include "platform/endpoints.h"

namespace LegacyText {

namespace {

bool IsAsciiLetter(int byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}
bool IsDigit(int byte) { return byte >= '0' && byte <= '9'; }

// Whether a legacy reading of bytes is more likely Chinese (or another multi-byte script)
// than Latin-1 words. The bytes are cut as a double-byte code page cuts them: ASCII alone,
// a high byte with the byte after it, GB18030's four-byte form.
bool ReadsAsMultiByteText(const QByteArray& bytes) {
  const auto at = [&](qsizetype i) {
    return i >= 0 && i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  int latin = 0;
  int other = 0;
  bool letterBefore = false;  // the last character was an ASCII letter
  for (qsizetype i = 0; i < bytes.size();) {
    const int lead = at(i);
    if (lead < 0x80) {
      letterBefore = IsAsciiLetter(lead);
      ++i;
      continue;
    }
    qsizetype length = 2;
    if (IsDigit(at(i + 1)) && at(i + 2) >= 0x80 && IsDigit(at(i + 3)))
      length = 4;
    else if (i + 1 >= bytes.size() || at(i + 1) < 0x40)
      length = 1;
    const bool letterAfter = IsAsciiLetter(at(i + length));
    bool looksLatin = false;
    if (length == 1)
      looksLatin = letterBefore;
    else if (length == 2 && IsAsciiLetter(at(i + 1)))
      looksLatin = letterBefore || letterAfter;
    else if (length == 2)
      looksLatin = letterBefore && letterAfter;
    ++(looksLatin ? latin : other);
    letterBefore = false;
    i += length;
  }
  return other > latin;
}

// A reading that holds a control character of the high range, a private-use character or a
// replacement character made something up.
bool HasInventedCharacters(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if ((u >= 0x80 && u < 0xa0) || (u >= 0xe000 && u < 0xf900) || u == 0xfffd) return true;
  }
  return false;
}

}  // namespace

QStringList FallbackEncodings() {
  static const QRegularExpression separators("[,;\\s]+");
  QStringList names = Endpoints().fallbackEncodings.split(separators, Qt::SkipEmptyParts);
  if (names.isEmpty()) names << "GB18030";
  return names;
}

QString Decode(const QByteArray& bytes, const QStringList& encodings) {
  return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : DecodeInCodePage(bytes, encodings);
}

QString DecodeInCodePage(const QByteArray& bytes, const QStringList& encodings) {
  if (ReadsAsMultiByteText(bytes)) {
    for (const QString& name : encodings) {
      QStringDecoder decoder(name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
      if (!decoder.isValid()) continue;
      const QString text = decoder.decode(bytes);
      if (!decoder.hasError() && !HasInventedCharacters(text)) return text;
    }
  }
  return QString::fromLatin1(bytes);
}

}  // namespace LegacyText
