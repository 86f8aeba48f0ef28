#pragma once

#include <QByteArray>
#include <QString>

// The update server signs every file it offers; the signature travels beside the file as
// "<file>.sig", the 64 bytes of an Ed25519 signature of the file's bytes.
namespace UpdateSignature {

// The public key of the update server that this build trusts (32 bytes).
QByteArray BuiltInKey();

// True only when signatureFile holds exactly a signature of file's bytes made with the secret
// half of publicKey.
bool Verify(const QString& file, const QString& signatureFile,
            const QByteArray& publicKey = BuiltInKey());

}  // namespace UpdateSignature
