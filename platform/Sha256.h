#pragma once

#include <QByteArray>

#include <memory>

// SHA-256 of a stream of blocks, through OpenSSL's digest interface, so a transfer hashes what
// it writes without a second pass over the file.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Add(const char* data, qint64 size);
    // The digest of everything added, as 64 lower-case hex digits; the hash starts anew.
    QByteArray HexDigest();

private:
    struct TContext;
    std::unique_ptr<TContext> FContext;
};
