#include "updater/update_signature.h"

#include <sodium.h>

#include <QCryptographicHash>
#include <QFile>
#include <QList>

#include "update_public_key.h"

namespace UpdateSignature {

namespace {

constexpr char kFirstLine[] = "sonaveil-update-statement 1";
// A statement is a few short lines; anything larger is not one.
constexpr qint64 kMaxStatementBytes = 4096;

// The value of a line "name value", or a null array when the line is another.
QByteArray Field(const QByteArray& line, const QByteArray& name) {
  return line.startsWith(name + ' ') ? line.mid(name.size() + 1) : QByteArray();
}

bool Parse(const QList<QByteArray>& lines, Statement* statement) {
  bool number = false;
  statement->kind = QString::fromUtf8(Field(lines[1], "kind"));
  statement->version = QString::fromUtf8(Field(lines[2], "version"));
  statement->length = Field(lines[3], "length").toLongLong(&number);
  statement->sha256 = QByteArray::fromHex(Field(lines[4], "sha256"));
  return lines[0] == kFirstLine && !statement->kind.isEmpty() && !statement->version.isEmpty() &&
         number && statement->length >= 0 && statement->sha256.size() == crypto_hash_sha256_BYTES;
}

}  // namespace

QByteArray BuiltInKey() {
  return QByteArray(reinterpret_cast<const char*>(kUpdatePublicKey), sizeof kUpdatePublicKey);
}

Check Read(const QString& statementFile, Statement* statement, const QByteArray& publicKey) {
  QFile file(statementFile);
  if (sodium_init() < 0 || publicKey.size() != crypto_sign_PUBLICKEYBYTES ||
      !file.open(QIODevice::ReadOnly) || file.size() > kMaxStatementBytes)
    return Check::kUnverified;
  const QByteArray text = file.readAll();
  if (text.size() == crypto_sign_BYTES && !text.startsWith(kFirstLine)) return Check::kOldFormat;
  // Six lines, each ended by a line feed; the last one signs the five before it.
  const QList<QByteArray> lines = text.split('\n');
  if (lines.size() != 7 || !lines[6].isEmpty() || !Parse(lines, statement))
    return Check::kUnverified;
  const QByteArray signature = QByteArray::fromHex(Field(lines[5], "signature"));
  const qsizetype signedBytes = text.size() - lines[5].size() - 1;
  if (signature.size() != crypto_sign_BYTES ||
      crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()),
                                  reinterpret_cast<const unsigned char*>(text.constData()),
                                  static_cast<unsigned long long>(signedBytes),
                                  reinterpret_cast<const unsigned char*>(publicKey.constData())) !=
          0)
    return Check::kUnverified;
  return Check::kVouched;
}

bool Describes(const Statement& statement, const QString& file) {
  QFile content(file);
  QCryptographicHash digest(QCryptographicHash::Sha256);
  return content.open(QIODevice::ReadOnly) && content.size() == statement.length &&
         digest.addData(&content) && digest.result() == statement.sha256;
}

}  // namespace UpdateSignature
