#pragma once

#include <sodium.h>

#include <QByteArray>
#include <QFile>

// Signs bytes as the update server does: a detached Ed25519 signature from a secret seed, by
// default the seed of the key pair whose public half the built programs trust.
inline QByteArray Signature(const QByteArray& bytes, QByteArray seed = {}) {
  QFile key(UPDATE_SIGNING_KEY);
  if (seed.isEmpty() && key.open(QIODevice::ReadOnly))
    seed = QByteArray::fromHex(key.readAll().trimmed());
  unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
  QByteArray signature(crypto_sign_BYTES, '\0');
  if (sodium_init() < 0 || seed.size() != crypto_sign_SEEDBYTES) return {};
  crypto_sign_seed_keypair(publicKey, secretKey, reinterpret_cast<const uchar*>(seed.data()));
  crypto_sign_detached(reinterpret_cast<uchar*>(signature.data()), nullptr,
                       reinterpret_cast<const uchar*>(bytes.data()), bytes.size(), secretKey);
  return signature;
}
