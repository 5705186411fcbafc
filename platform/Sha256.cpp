#include "platform/Sha256.h"

#include <openssl/evp.h>

struct TSha256::TContext {
    EVP_MD_CTX* Digest = EVP_MD_CTX_new();
    ~TContext() { EVP_MD_CTX_free(Digest); }
};

TSha256::TSha256()
    : FContext(std::make_unique<TContext>())
{
    EVP_DigestInit_ex(FContext->Digest, EVP_sha256(), nullptr);
}

TSha256::~TSha256() = default;

void TSha256::Add(const char* data, qint64 size)
{
    if (size > 0)
        EVP_DigestUpdate(FContext->Digest, data, static_cast<size_t>(size));
}

QByteArray TSha256::HexDigest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(FContext->Digest, digest, &length);
    EVP_DigestInit_ex(FContext->Digest, EVP_sha256(), nullptr);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}
