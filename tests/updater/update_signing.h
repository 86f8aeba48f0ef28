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
  QFile file(dir.filePath("file")), text(dir.filePath("version.txt"));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
      !text.open(QIODevice::WriteOnly) || text.write(version + "\n") != version.size() + 1)
    return {};
  file.close();
  text.close();
  QFile statement(file.fileName() + ".sig");
  if (QProcess::execute(SONAVEIL_SIGN,
                        {"sign", secretKey, kind, text.fileName(), file.fileName()}) != 0 ||
      !statement.open(QIODevice::ReadOnly))
    return {};
  return statement.readAll();
}

// The 64 bytes of a signature of the bytes alone, as update files were once signed.
inline QByteArray BareSignature(const QByteArray& bytes) {
  QFile key(UPDATE_SIGNING_KEY);
  const QByteArray secretKey =
      key.open(QIODevice::ReadOnly) ? QByteArray::fromHex(key.readAll().trimmed()) : QByteArray();
  QByteArray signature(crypto_sign_BYTES, '\0');
  if (sodium_init() < 0 || secretKey.size() != crypto_sign_SECRETKEYBYTES) return {};
  crypto_sign_detached(reinterpret_cast<uchar*>(signature.data()), nullptr,
                       reinterpret_cast<const uchar*>(bytes.data()), bytes.size(),
                       reinterpret_cast<const uchar*>(secretKey.constData()));
  return signature;
}
