#include "tests/support/NginxServer.h"

#include "tests/support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpSocket>

namespace {

const QString Program = QStringLiteral("/usr/sbin/nginx");
constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;
constexpr int ConnectTimeoutMs = 500;

const char* const Configuration = R"(daemon off;
master_process off;
worker_processes 1;
pid %1/nginx.pid;
error_log %1/error.log;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    default_type application/octet-stream;
    client_body_temp_path %1/client_body;
    proxy_temp_path %1/proxy;
    fastcgi_temp_path %1/fastcgi;
    uwsgi_temp_path %1/uwsgi;
    scgi_temp_path %1/scgi;
    server {
        listen 127.0.0.1:%2;
        root %4;
    }
    server {
        listen 127.0.0.1:%3 ssl;
        ssl_certificate %5;
        ssl_certificate_key %6;
        root %4;
    }
}
)";

bool Accepts(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return socket.waitForConnected(ConnectTimeoutMs);
}

} // namespace

TNginxServer::~TNginxServer()
{
    Stop();
}

bool TNginxServer::Start(const QString& workDir, const QString& root, const QString& certificate, const QString& key)
{
    if (HttpPort() == 0 || HttpsPort() == 0) {
        FMessage = QStringLiteral("no free port for nginx");
        return false;
    }
    const QString configPath = QDir(workDir).filePath(QStringLiteral("nginx.conf"));
    QFile config(configPath);
    const QByteArray text = QString::fromLatin1(Configuration)
                                .arg(workDir)
                                .arg(HttpPort())
                                .arg(HttpsPort())
                                .arg(root, certificate, key)
                                .toUtf8();
    if (!config.open(QIODevice::WriteOnly) || config.write(text) != text.size() || !config.flush()) {
        FMessage = QStringLiteral("cannot write %1").arg(configPath);
        return false;
    }
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    // -e: the error log of the start, before the configuration is read, goes there too.
    FProcess.start(Program, {QStringLiteral("-p"), workDir, QStringLiteral("-c"), configPath, QStringLiteral("-e"),
                             QDir(workDir).filePath(QStringLiteral("error.log"))});
    if (!WaitUntilServing()) {
        Stop();
        QFile log(QDir(workDir).filePath(QStringLiteral("error.log")));
        FMessage = QStringLiteral("nginx did not start: %1%2")
                       .arg(QString::fromUtf8(FProcess.readAll()),
                            log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString());
        return false;
    }
    return true;
}

bool TNginxServer::WaitUntilServing()
{
    return testsupport::waitFor(
               [this] {
                   return FProcess.state() != QProcess::Starting
                       && (FProcess.state() == QProcess::NotRunning || (Accepts(HttpPort()) && Accepts(HttpsPort())));
               },
               StartTimeoutMs)
        && FProcess.state() == QProcess::Running;
}

QString TNginxServer::Version()
{
    QProcess nginx;
    nginx.setProcessChannelMode(QProcess::MergedChannels);
    nginx.start(Program, {QStringLiteral("-v")});
    nginx.waitForFinished(StopTimeoutMs);
    const QRegularExpressionMatch version =
        QRegularExpression(QStringLiteral("nginx/(\\S+)")).match(QString::fromUtf8(nginx.readAll()));
    return QStringLiteral("nginx ") + (version.hasMatch() ? version.captured(1) : QStringLiteral("(version unknown)"));
}

void TNginxServer::Stop()
{
    // SIGTERM: nginx's fast shutdown.
    testsupport::stopProcess(FProcess, StopTimeoutMs);
}
