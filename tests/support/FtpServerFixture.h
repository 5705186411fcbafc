#pragma once

#include "tests/support/ScriptServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// tests/servers/ftp_server.py on 127.0.0.1 with a port the system picked, for one test: a root
// in a temporary directory, the users "writer" (may write) and "reader" (may not), both with
// the password "secret", anonymous read access, and every command recorded. Options are the
// script's misbehaviour switches ("--refuse-rename", ...). Stopped when the fixture goes.
class TFtpServerFixture {
public:
    TFtpServerFixture() = default;
    TFtpServerFixture(const TFtpServerFixture&) = delete;
    TFtpServerFixture& operator=(const TFtpServerFixture&) = delete;

    bool Start(const QStringList& options = {});
    QString Message() const { return FMessage; }
    quint16 Port() const { return FPort; }
    QString Root() const { return FDir.filePath(QStringLiteral("root")); }
    // What the server recorded so far, oldest first.
    QList<QJsonObject> Records() const;
    // The arguments of every recorded command of that name.
    QStringList Commands(const QString& command) const;
    int Logins() const;
    // Ends every control connection with 421; returns once the server says it did.
    bool DropConnections();
    void Stop() { FServer.Stop(); }

private:
    QTemporaryDir FDir;
    TScriptServer FServer;
    QString FMessage;
    quint16 FPort = 0;
};
