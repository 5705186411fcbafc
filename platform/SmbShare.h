#pragma once

#include "platform/SmbFileReader.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct _SMBCCTX;

// A connection to a network share through the SMB client library (SMB2 or SMB3): the share is
// reached with the given account, files on it are opened for reading. One client context per
// connection, freed at Disconnect; no kernel mount is involved.
class TSmbShare {
public:
    TSmbShare();
    ~TSmbShare();
    TSmbShare(const TSmbShare&) = delete;
    TSmbShare& operator=(const TSmbShare&) = delete;

    // `share` is "\\server\share", "//server/share" or "smb://server[:port]/share", optionally
    // followed by directories. The user name and password are passed as given; an empty user
    // name logs in anonymously, a non-empty one never falls back to that. The connection is
    // verified by opening the share's root.
    bool Connect(const QString& share, const QString& userName, const QString& password);
    // Frees the client context with every connection and open file; true when nothing is
    // connected afterwards.
    bool Disconnect();
    bool IsConnected() const { return FContext != nullptr; }

    // Opens a file by its path relative to the share (backslashes or slashes); null on failure.
    // The reader must be destroyed before the share disconnects.
    std::unique_ptr<TSmbFileReader> OpenFile(const QString& relativePath);

    // The last failure, naming the share or file.
    QString ErrorString() const { return FErrorString; }

private:
    static void SupplyCredentials(_SMBCCTX* context, const char* server, const char* share, char* workgroup,
                                  int workgroupSize, char* userName, int userNameSize, char* password,
                                  int passwordSize);
    bool Fail(int error, const QString& what);

    _SMBCCTX* FContext = nullptr;
    QByteArray FShareUrl;  // smb://server/share[/dir], its path percent-encoded
    QByteArray FUserName;
    QByteArray FPassword;
    QString FErrorString;
};
