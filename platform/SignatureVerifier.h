#pragma once

#include "platform/SignatureCheck.h"

#include <QByteArray>
#include <QString>

// Checks files against minisign signatures made with one Ed25519 key (libsodium): the key id,
// the signature over the file (its BLAKE2b-512 hash in the prehashed form, the file itself in
// the legacy form) and the global signature that binds the trusted comment to it.
class TSignatureVerifier {
public:
    // `publicKeyBase64` is the second line of a minisign .pub file.
    explicit TSignatureVerifier(const QByteArray& publicKeyBase64);

    bool KeyIsValid() const { return FKeyIsValid; }
    // The key id as minisign shows it (16 hex digits), empty when the key is not valid.
    QString KeyId() const;

    // Proves the file at `filePath` with the signature file at `signaturePath`. A large file is
    // hashed as it is read, never held in memory.
    TSignatureCheck Verify(const QString& filePath, const QString& signaturePath) const;

private:
    bool FKeyIsValid = false;
    QByteArray FKeyId;      // 8 bytes
    QByteArray FPublicKey;  // 32 bytes
};
