#include "updater/update_signature.h"

#include <sodium.h>

#include <QFile>

#include "update_public_key.h"

namespace UpdateSignature {

QByteArray BuiltInKey() {
  return QByteArray(reinterpret_cast<const char*>(kUpdatePublicKey), sizeof kUpdatePublicKey);
}

bool Verify(const QString& file, const QString& signatureFile, const QByteArray& publicKey) {
  if (sodium_init() < 0 || publicKey.size() != crypto_sign_PUBLICKEYBYTES) return false;
  QFile signature(signatureFile);
  if (!signature.open(QIODevice::ReadOnly) || signature.size() != crypto_sign_BYTES) return false;
  const QByteArray sig = signature.readAll();
  QFile content(file);
  if (sig.size() != crypto_sign_BYTES || !content.open(QIODevice::ReadOnly)) return false;
  // Mapped rather than read, so a large program is not copied into memory first.
  const qint64 size = content.size();
  const uchar* bytes = size > 0 ? content.map(0, size) : reinterpret_cast<const uchar*>("");
  if (!bytes) return false;
  return crypto_sign_verify_detached(
             reinterpret_cast<const unsigned char*>(sig.constData()), bytes,
             static_cast<unsigned long long>(size),
             reinterpret_cast<const unsigned char*>(publicKey.constData())) == 0;
}

}  // namespace UpdateSignature
