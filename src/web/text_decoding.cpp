#include "web/text_decoding.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// How far into a page a <meta> declaration is looked for.
constexpr qsizetype kMetaScanBytes = 4096;

QByteArray CharsetParameter(const QByteArray& text) {
  static const QRegularExpression re(R"(charset\s*=\s*["']?\s*([A-Za-z0-9_\-:.]+))",
                                     QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = re.match(QString::fromLatin1(text));
  return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

QByteArray Normalise(QByteArray name) {
  name = name.trimmed().toUpper();
  if (name == "GB2312" || name == "GBK" || name == "X-GBK" || name == "CP936" ||
      name == "GB_2312-80" || name == "EUC-CN" || name == "GB18030")
    return "GB18030";
  if (name == "UTF8") return "UTF-8";
  return name;
}

}  // namespace

QByteArray DeclaredCharset(const QByteArray& body, const QByteArray& contentType) {
  QByteArray name = CharsetParameter(contentType);
  if (name.isEmpty()) {
    const QByteArray head = body.left(kMetaScanBytes);
    static const QRegularExpression meta(R"(<meta\b[^>]*>)",
                                         QRegularExpression::CaseInsensitiveOption);
    auto it = meta.globalMatch(QString::fromLatin1(head));
    while (it.hasNext() && name.isEmpty())
      name = CharsetParameter(it.next().captured(0).toLatin1());
  }
  return name.isEmpty() ? QByteArray("UTF-8") : Normalise(name);
}

QString DecodeHttpBody(const QByteArray& body, const QByteArray& contentType) {
  QStringDecoder decoder(DeclaredCharset(body, contentType).constData());
  if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
  return decoder.decode(body);
}
