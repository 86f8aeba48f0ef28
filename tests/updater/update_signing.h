#pragma once

#include <sodium.h>

#include <QByteArray>
#include <QFile>

// A detached Ed25519 signature of bytes made with a 64-byte secret key; without one, with the
// demo key whose public key the built programs hold.
inline QByteArray Signature(const QByteArray& bytes, QByteArray secretKey = {}) {
  QFile key(UPDATE_SIGNING_KEY);
  if (secretKey.isEmpty() && key.open(QIODevice::ReadOnly))
    secretKey = QByteArray::fromHex(key.readAll().trimmed());
  QByteArray signature(crypto_sign_BYTES, '\0');
  if (sodium_init() < 0 || secretKey.size() != crypto_sign_SECRETKEYBYTES) return {};
  crypto_sign_detached(reinterpret_cast<uchar*>(signature.data()), nullptr,
                       reinterpret_cast<const uchar*>(bytes.data()), bytes.size(),
                       reinterpret_cast<const uchar*>(secretKey.constData()));
  return signature;
}
