#pragma once

#include <sodium.h>

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// What sonaveil-sign publishes beside bytes: the signed statement that they are a file of kind
// ("program" or "catalog") at version, made with the demo key whose public half the built
// programs hold, or with the secret key file named.
inline QByteArray Statement(const QByteArray& bytes, const QString& kind,
                            const QByteArray& version = "4.0",
                            const QString& secretKey = UPDATE_SIGNING_KEY) {
  QTemporaryDir dir;
  for (const auto& [name, content] : {std::pair{"file", bytes}, std::pair{"version", version}}) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return {};
  }
  QFile statement(dir.filePath("file.sig"));
  const QStringList sign = {"sign", secretKey, kind, dir.filePath("version"), dir.filePath("file")};
  if (QProcess::execute(SONAVEIL_SIGN, sign) != 0 || !statement.open(QIODevice::ReadOnly))
    return {};
  return statement.readAll();
}

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
