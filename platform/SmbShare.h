#pragma once

#include "platform/SmbFileReader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

struct _SMBCCTX;

// A connection to a network share through the SMB client library (SMB2 or SMB3): the share is
// reached with the given account, files on it are opened for reading or written (through a
// TSmbFileWriter), directories are created. One client context per connection, freed at
// Disconnect; no kernel mount is involved.
class TSmbShare {
public:
    TSmbShare();
    ~TSmbShare();
    TSmbShare(const TSmbShare&) = delete;
    TSmbShare& operator=(const TSmbShare&) = delete;

    // True when `path` names a place on a network share ("smb://server[:port]/share/dir",
    // "\\server\share\dir" or "//server/share/dir"); then `share` is the share as
    // "smb://server[:port]/share", which Connect takes, and `pathInShare` the rest with slashes
    // ("dir", empty for the share's root). Percent escapes are not decoded, as in Connect.
    static bool SplitSharePath(const QString& path, QString& share, QString& pathInShare);

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
    // Creates the directory at `relativePath` with its missing parents; true when it exists
    // afterwards.
    bool CreateDirectories(const QString& relativePath);
    // True when `relativePath` names a regular file; false for a directory, nothing, or when it
    // cannot be asked (then ErrorString says why).
    bool FileExists(const QString& relativePath);

    // The last failure, naming the share or file, and its reason alone in the system's own
    // words ("Permission denied", "Connection refused").
    QString ErrorString() const { return FErrorString; }
    QString Reason() const { return FReason; }

private:
    friend class TSmbFileWriter;

    static void SupplyCredentials(_SMBCCTX* context, const char* server, const char* share, char* workgroup,
                                  int workgroupSize, char* userName, int userNameSize, char* password,
                                  int passwordSize);
    // The segments of a path relative to the share, and the URL of such segments.
    static QStringList Segments(const QString& relativePath);
    QByteArray Url(const QStringList& segments) const;
    // 0 with the file's mode, or the errno of the failure.
    int StatMode(const QByteArray& url, quint32& mode);
    bool Fail(int error, const QString& what);

    _SMBCCTX* FContext = nullptr;
    QByteArray FShareUrl;  // smb://server/share[/dir], its path percent-encoded
    QByteArray FUserName;
    QByteArray FPassword;
    QString FErrorString;
    QString FReason;
};
