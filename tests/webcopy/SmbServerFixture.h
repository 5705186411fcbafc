#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real smbd on 127.0.0.1 for one test (tests/servers/smb_server.py does the work): a share
// "files" over a temporary directory, one account (the current local user) with the password
// given to Start. Stopped when the fixture goes.
class TSmbServerFixture {
public:
    enum class TStart { Running, Skipped, Failed };

    TSmbServerFixture() = default;
    ~TSmbServerFixture();
    TSmbServerFixture(const TSmbServerFixture&) = delete;
    TSmbServerFixture& operator=(const TSmbServerFixture&) = delete;

    // Skipped when smbd cannot run here (not root, not installed); Message() says why.
    TStart Start(const QString& password);
    QString Message() const { return FMessage; }

    // "smb://127.0.0.1:<port>/files"
    QString ShareName() const;
    // The local directory behind the share.
    QString ShareDirectory() const { return FRoot.filePath(QStringLiteral("share")); }
    QString UserName() const { return FUserName; }
    quint16 Port() const { return FPort; }

    // Kills every smbd process at once, as a server that vanishes; returns when none is left.
    bool Crash();
    void Stop();

private:
    bool WaitForLine(QByteArray& line, int timeoutMs);

    QTemporaryDir FRoot;
    QProcess FProcess;
    QString FMessage;
    QString FUserName;
    quint16 FPort = 0;
};
