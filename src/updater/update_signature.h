#pragma once

#include <QByteArray>
#include <QString>

// The update server vouches for every file it offers with a statement beside it,
// "<file>.sig": what the file is (its kind, its version as the version text publishes it, its
// length and SHA-256), signed with Ed25519 (see sonaveil-sign).
namespace UpdateSignature {

struct Statement {
  QString kind;  // "program" or "catalog"
  QString version;
  qint64 length = -1;
  QByteArray sha256;
};

enum class Check {
  kVouched,
  // The 64 bytes of a signature of the file's bytes alone, as published before statements:
  // it says nothing of what the file is.
  kOldFormat,
  kUnverified,
};

// The public key of the update server that this build trusts (32 bytes).
QByteArray BuiltInKey();

// Reads the statement in statementFile; kVouched, with *statement filled, only when the secret
// half of publicKey signed it.
Check Read(const QString& statementFile, Statement* statement,
           const QByteArray& publicKey = BuiltInKey());

// Whether file is what the statement describes: its length and its digest.
bool Describes(const Statement& statement, const QString& file);

}  // namespace UpdateSignature
