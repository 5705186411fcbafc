#pragma once

#include <QString>

// What checking a file against a minisign signature found.
enum class TSignatureFailure {
    None,            // proven: the file is the one the key's owner signed
    BadPublicKey,    // the public key itself is not a minisign Ed25519 key
    Unreadable,      // the file or the signature file could not be read
    Malformed,       // the signature file is not a minisign signature
    WrongKey,        // signed, but by another key
    FileMismatch,    // the file is not the one that was signed
    CommentAltered,  // the trusted comment was changed after signing
};

struct TSignatureCheck {
    TSignatureFailure Failure = TSignatureFailure::None;
    QString Reason;          // what failed, in a line, for a detail line; empty when proven
    QString TrustedComment;  // the signed comment (often the version); only when proven

    bool Proven() const { return Failure == TSignatureFailure::None; }
};
