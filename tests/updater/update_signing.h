#pragma once

// Signs files as the update server does: a detached Ed25519 signature from a secret seed.
#include <sodium.h>

#include <QByteArray>
#include <QFile>

// The seed of the key pair whose public half the built programs trust.
inline QByteArray TrustedSeed() {
  QFile file(UPDATE_SIGNING_KEY);
  return file.open(QIODevice::ReadOnly) ? QByteArray::fromHex(file.readAll().trimmed())
                                        : QByteArray();
}

inline QByteArray Signature(const QByteArray& bytes, const QByteArray& seed = TrustedSeed()) {
  unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
  QByteArray signature(crypto_sign_BYTES, '\0');
  if (sodium_init() < 0 || seed.size() != crypto_sign_SEEDBYTES) return {};
  crypto_sign_seed_keypair(publicKey, secretKey,
                           reinterpret_cast<const unsigned char*>(seed.constData()));
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(),
                       secretKey);
  return signature;
}
