#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// A test server script from tests/servers, run with the system's Python: it reports its port as
// "PORT <n>" on its first line and stops when its standard input ends.
class TScriptServer {
public:
    TScriptServer() = default;
    ~TScriptServer();
    TScriptServer(const TScriptServer&) = delete;
    TScriptServer& operator=(const TScriptServer&) = delete;

    // The port, or 0 when the script did not report one (Message() says why).
    quint16 Start(const QString& script, const QStringList& arguments);
    QString Message() const { return FMessage; }
    // For the lines a script exchanges after its start.
    QProcess& Process() { return FProcess; }
    void Stop();
    // A record file the scripts write: one JSON object per line, oldest first.
    static QList<QJsonObject> ReadRecords(const QString& path);

private:
    QProcess FProcess;
    QString FMessage;
};
