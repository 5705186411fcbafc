#pragma once

#include <QProcess>
#include <QString>

// smbd on 127.0.0.1, on a port the system picked, as tests/servers/smb_server.py starts it:
// its configuration and state under a directory the benchmark chose, one share "files" over
// another, the current local user as its only account, in a password database of its own.
// Needs root, as smbd does. Stopped when it goes.
class TSmbServer {
public:
    TSmbServer() = default;
    ~TSmbServer();
    TSmbServer(const TSmbServer&) = delete;
    TSmbServer& operator=(const TSmbServer&) = delete;

    // False when it did not come up in time or cannot run here; Message() says why.
    bool Start(const QString& stateDir, const QString& shareDir, const QString& password);
    QString Message() const { return FMessage; }
    quint16 Port() const { return FPort; }
    QString UserName() const { return FUserName; }
    // The share's root as the engine names it: "smb://127.0.0.1:<port>/files".
    QString ShareUrl() const;
    // The same for smbclient, which takes the port apart: "//127.0.0.1/files".
    static QString ServiceName();
    // "smbd 4.17.12-Debian", as `smbd --version` says.
    static QString Version();
    void Stop();

private:
    QProcess FProcess;
    QString FMessage;
    QString FUserName;
    quint16 FPort = 0;
};
