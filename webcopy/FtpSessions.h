#pragma once

#include "platform/FtpConnection.h"
#include "webcopy/DateTime.h"
#include "webcopy/TransferResult.h"

#include <QString>

#include <memory>

class TCopyRun;

// The FTP logins of a run: an operation gets the connection kept by the item before it when
// server and account match, or a new login, and lets go of it afterwards; a connection is kept
// only for a next item that can take it over.
class TFtpSessions {
public:
    explicit TFtpSessions(TCopyRun& run);
    ~TFtpSessions();

    // What tells one FTP login from another: the server (host and port) and the account.
    static QString ConnectionKey(const QString& host, int port, const QString& userName, const QString& password);

    // The connection for an operation. With reuseKept, the kept connection when host and
    // account match; otherwise a new login, kept when keepConnection is set and else held in
    // `own`. Null when no login could be had (ConnectFailed says why). The file line (none for
    // an empty name) is shown first; pending events are handled around the login.
    TFtpConnection* Start(const QString& name, const QString& serverWord, const QString& host, int port,
                          const QString& userName, const QString& password, bool keepConnection, bool reuseKept,
                          std::unique_ptr<TFtpConnection>& own);
    TFtpConnection* Connect(const QString& host, int port, const QString& userName, const QString& password,
                            bool keepConnection, bool reuseKept, std::unique_ptr<TFtpConnection>& own);
    // Lets go of the operation's connection: closed and forgotten unless it is kept.
    void Leave(std::unique_ptr<TFtpConnection>& own, bool keepConnection);
    // Closes the kept connection (the run has ended, or no next item can take it).
    void CloseKept();
    TTransferResult ConnectFailed(const QString& host) const;

    // The remote directory that the kept connection was left in by an upload or a delete.
    QString KeptDirectory;

    static TDateTime ListedDate(const TFtpEntry& entry);
    // A remote path or name with CR, LF or NUL anywhere would smuggle a command to the server:
    // such an item is refused whole before anything is sent.
    static bool HasLineBreak(const QString& text);
    static TTransferResult LineBreakRefused();
    // The directory part of a remote path, up to and including its last "/"; empty for none.
    static QString DirectoryPart(const QString& path);
    // A failed step of an operation: the connection's reason and the cause of its error number.
    static TTransferResult NotFound(const TFtpConnection& connection, const QString& url, TTransferCause cause);
    static TTransferCause CauseOf(const TFtpConnection& connection, TTransferCause otherwise);

private:
    TCopyRun& FRun;
    std::unique_ptr<TFtpConnection> FKept;
    QString FKeptKey;
    QString FReason;
    quint32 FErrorCode = 0;
};
