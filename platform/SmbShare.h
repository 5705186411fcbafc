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

    // What went wrong last, for a caller that maps it to its own code.
    enum class TFailure { None, NotAShareName, LoginRefused, TimedOut, Other };

    // True when `path` is meant as a place on a share: it starts with "smb://" or two
    // backslashes. "//tmp/x" is a local path.
    static bool LooksLikeSharePath(const QString& path);
    // True when `path` looks like a share path (above) and can be taken apart: a server with a
    // port in 1-65535 if any, a share, and directories, none of them empty, "." or "..", with
    // user information ("user@") or a control character. Then `share` is the share as
    // "smb://server[:port]/share", which Connect takes, and `pathInShare` the rest with slashes
    // ("dir", empty for the share's root). Percent escapes are not decoded, as in Connect. A path
    // that looks like a share path and cannot be split is no local path either: refuse it.
    static bool SplitSharePath(const QString& path, QString& share, QString& pathInShare);

    // Milliseconds that each call to the server may wait (the client library's own time-out);
    // 0 keeps the library's default. Takes effect at the next Connect.
    void SetTimeoutMs(int timeoutMs) { FTimeoutMs = timeoutMs; }

    // `share` is "\\server\share", "//server/share" or "smb://server[:port]/share", optionally
    // followed by directories, split as SplitSharePath does ("Not a network share name" and
    // TFailure::NotAShareName otherwise). A password or user name the server refuses fails
    // with TFailure::LoginRefused and says so. The user name and password are passed as given; an empty user
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
    TFailure Failure() const { return FFailure; }

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
    // True when no segment is ".", ".." or holds user information or a control character.
    static bool ArePlainSegments(const QStringList& segments);
    // Fails with NotAShareName unless ArePlainSegments.
    bool CheckSegments(const QStringList& segments, const QString& relativePath);
    bool Fail(int error, const QString& what, TFailure failure = TFailure::Other);

    _SMBCCTX* FContext = nullptr;
    QByteArray FShareUrl;  // smb://server/share[/dir], its path percent-encoded
    QByteArray FUserName;
    QByteArray FPassword;
    QString FErrorString;
    QString FReason;
    TFailure FFailure = TFailure::None;
    int FTimeoutMs = 0;
};
