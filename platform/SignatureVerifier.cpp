#include "platform/SignatureVerifier.h"

#include <QFile>
#include <QList>

#include <sodium.h>

#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype AlgorithmSize = 2;
constexpr qsizetype KeyIdSize = 8;
constexpr qsizetype PublicKeySize = AlgorithmSize + KeyIdSize + crypto_sign_PUBLICKEYBYTES;
constexpr qsizetype SignatureSize = AlgorithmSize + KeyIdSize + crypto_sign_BYTES;
// A signature file holds four short lines; anything much larger is not one, and is not read.
constexpr qint64 MaxSignatureFileSize = 16 * 1024;
constexpr qint64 HashBlockSize = 64 * 1024;

const QByteArray LegacyAlgorithm = QByteArrayLiteral("Ed");
const QByteArray PrehashedAlgorithm = QByteArrayLiteral("ED");
const QByteArray UntrustedPrefix = QByteArrayLiteral("untrusted comment: ");
const QByteArray TrustedPrefix = QByteArrayLiteral("trusted comment: ");

std::optional<QByteArray> StrictBase64(const QByteArray& text)
{
    QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

// minisign shows a key id as a little-endian number.
QString KeyIdText(const QByteArray& id)
{
    QByteArray reversed = id;
    std::reverse(reversed.begin(), reversed.end());
    return QString::fromLatin1(reversed.toHex().toUpper());
}

struct TSignatureFile {
    QByteArray Algorithm;
    QByteArray KeyId;
    QByteArray Signature;        // 64 bytes over the file or its hash
    QByteArray TrustedComment;   // the text after "trusted comment: "
    QByteArray GlobalSignature;  // 64 bytes over Signature followed by TrustedComment
};

TSignatureCheck Failed(TSignatureFailure failure, const QString& reason)
{
    return TSignatureCheck {failure, reason, {}};
}

// The four lines of a minisign signature file; nullopt with `problem` set when it is not one.
std::optional<TSignatureFile> ParseSignatureFile(const QByteArray& content, QString& problem)
{
    QList<QByteArray> lines = content.split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != 4) {
        problem = QStringLiteral("it has %1 lines instead of 4").arg(lines.size());
        return std::nullopt;
    }
    if (!lines[0].startsWith(UntrustedPrefix) || !lines[2].startsWith(TrustedPrefix)) {
        problem = QStringLiteral("its comment lines are missing");
        return std::nullopt;
    }
    const std::optional<QByteArray> signature = StrictBase64(lines[1]);
    const std::optional<QByteArray> global = StrictBase64(lines[3]);
    if (!signature || signature->size() != SignatureSize || !global || global->size() != crypto_sign_BYTES) {
        problem = QStringLiteral("its signature lines are not signatures");
        return std::nullopt;
    }
    TSignatureFile file;
    file.Algorithm = signature->left(AlgorithmSize);
    file.KeyId = signature->mid(AlgorithmSize, KeyIdSize);
    file.Signature = signature->mid(AlgorithmSize + KeyIdSize);
    file.TrustedComment = lines[2].mid(TrustedPrefix.size());
    file.GlobalSignature = *global;
    if (file.Algorithm != LegacyAlgorithm && file.Algorithm != PrehashedAlgorithm) {
        problem = QStringLiteral("its algorithm is not Ed25519");
        return std::nullopt;
    }
    return file;
}

bool SignatureHolds(const QByteArray& signature, const unsigned char* message, qint64 size, const QByteArray& key)
{
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.constData()), message,
                                       static_cast<unsigned long long>(size),
                                       reinterpret_cast<const unsigned char*>(key.constData()))
        == 0;
}

// BLAKE2b-512 of the file, read block by block.
std::optional<QByteArray> FileHash(QFile& file)
{
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, crypto_generichash_BYTES_MAX);
    QByteArray block(HashBlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 read = file.read(block.data(), block.size());
        if (read < 0)
            return std::nullopt;
        if (read == 0)
            break;
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(block.constData()),
                                  static_cast<unsigned long long>(read));
    }
    QByteArray hash(crypto_generichash_BYTES_MAX, Qt::Uninitialized);
    crypto_generichash_final(&state, reinterpret_cast<unsigned char*>(hash.data()), hash.size());
    return hash;
}

// Does the file signature hold for the file? nullopt when the file cannot be read.
std::optional<bool> FileSignatureHolds(const TSignatureFile& signature, const QString& filePath, const QByteArray& key)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (signature.Algorithm == PrehashedAlgorithm) {
        const std::optional<QByteArray> hash = FileHash(file);
        if (!hash)
            return std::nullopt;
        return SignatureHolds(signature.Signature, reinterpret_cast<const unsigned char*>(hash->constData()),
                              hash->size(), key);
    }
    // The legacy form signs the whole file at once: mapped, not read into memory.
    const qint64 size = file.size();
    if (size == 0)
        return SignatureHolds(signature.Signature, nullptr, 0, key);
    const uchar* mapped = file.map(0, size);
    if (!mapped)
        return std::nullopt;
    const bool holds = SignatureHolds(signature.Signature, mapped, size, key);
    file.unmap(const_cast<uchar*>(mapped));
    return holds;
}

} // namespace

TSignatureVerifier::TSignatureVerifier(const QByteArray& publicKeyBase64)
{
    if (sodium_init() < 0)
        return;
    const std::optional<QByteArray> key = StrictBase64(publicKeyBase64.trimmed());
    if (!key || key->size() != PublicKeySize || !key->startsWith(LegacyAlgorithm))
        return;
    FKeyId = key->mid(AlgorithmSize, KeyIdSize);
    FPublicKey = key->mid(AlgorithmSize + KeyIdSize);
    FKeyIsValid = true;
}

QString TSignatureVerifier::KeyId() const
{
    return FKeyIsValid ? KeyIdText(FKeyId) : QString();
}

TSignatureCheck TSignatureVerifier::Verify(const QString& filePath, const QString& signaturePath) const
{
    if (!FKeyIsValid)
        return Failed(TSignatureFailure::BadPublicKey, QStringLiteral("The public key is not a minisign Ed25519 key."));

    QFile signatureFile(signaturePath);
    if (!signatureFile.open(QIODevice::ReadOnly))
        return Failed(TSignatureFailure::Unreadable,
                      QStringLiteral("The signature file could not be read: %1").arg(signatureFile.errorString()));
    if (signatureFile.size() > MaxSignatureFileSize)
        return Failed(TSignatureFailure::Malformed, QStringLiteral("The signature file is malformed: it is too large."));
    QString problem;
    const std::optional<TSignatureFile> signature = ParseSignatureFile(signatureFile.readAll(), problem);
    if (!signature)
        return Failed(TSignatureFailure::Malformed, QStringLiteral("The signature file is malformed: %1.").arg(problem));

    if (signature->KeyId != FKeyId)
        return Failed(TSignatureFailure::WrongKey, QStringLiteral("The file was signed with key %1, not with key %2.")
                                                       .arg(KeyIdText(signature->KeyId), KeyIdText(FKeyId)));

    const std::optional<bool> fileHolds = FileSignatureHolds(*signature, filePath, FPublicKey);
    if (!fileHolds)
        return Failed(TSignatureFailure::Unreadable, QStringLiteral("The signed file could not be read."));
    if (!*fileHolds)
        return Failed(TSignatureFailure::FileMismatch, QStringLiteral("The file does not match its signature."));

    const QByteArray signedComment = signature->Signature + signature->TrustedComment;
    if (!SignatureHolds(signature->GlobalSignature, reinterpret_cast<const unsigned char*>(signedComment.constData()),
                        signedComment.size(), FPublicKey))
        return Failed(TSignatureFailure::CommentAltered,
                      QStringLiteral("The trusted comment was altered after signing."));

    return TSignatureCheck {TSignatureFailure::None, {}, QString::fromUtf8(signature->TrustedComment)};
}
