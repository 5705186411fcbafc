#include "tests/support/FtpServerFixture.h"

#include "tests/support/WaitFor.h"

#include <QDir>

namespace {

constexpr int AnswerTimeoutMs = 20000;

} // namespace

bool TFtpServerFixture::Start(const QStringList& options)
{
    if (!FDir.isValid() || !QDir(FDir.path()).mkpath(QStringLiteral("root"))) {
        FMessage = QStringLiteral("cannot make a temporary directory");
        return false;
    }
    FPort = FServer.Start(QStringLiteral("ftp_server.py"),
                          QStringList{QStringLiteral("--root"), Root(), QStringLiteral("--log"),
                                      FDir.filePath(QStringLiteral("commands.jsonl"))}
                              + options);
    FMessage = FServer.Message();
    return FPort != 0;
}

QList<QJsonObject> TFtpServerFixture::Records() const
{
    return TScriptServer::ReadRecords(FDir.filePath(QStringLiteral("commands.jsonl")));
}

QStringList TFtpServerFixture::Commands(const QString& command) const
{
    QStringList arguments;
    for (const QJsonObject& record : Records()) {
        if (record.value(QStringLiteral("cmd")).toString() == command)
            arguments << record.value(QStringLiteral("arg")).toString();
    }
    return arguments;
}

int TFtpServerFixture::Logins() const
{
    int count = 0;
    for (const QJsonObject& record : Records())
        count += record.contains(QStringLiteral("login")) ? 1 : 0;
    return count;
}

bool TFtpServerFixture::DropConnections()
{
    QProcess& process = FServer.Process();
    process.write("drop\n");
    return testsupport::waitFor([&] { return process.canReadLine(); }, AnswerTimeoutMs)
        && process.readLine().trimmed() == "DROPPED";
}
