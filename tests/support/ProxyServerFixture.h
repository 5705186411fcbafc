#pragma once

#include "tests/support/ReservedPort.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real HTTP proxy (tinyproxy) on 127.0.0.1 for one test, its configuration and log in a
// temporary directory. tinyproxy cannot report a port that the system picked, so it takes over
// a port that the fixture holds (TReservedPort) and nobody else can bind meanwhile. Stopped,
// by its own process id, when the fixture goes.
class TProxyServerFixture {
public:
    TProxyServerFixture() = default;
    ~TProxyServerFixture();
    TProxyServerFixture(const TProxyServerFixture&) = delete;
    TProxyServerFixture& operator=(const TProxyServerFixture&) = delete;

    // With a user name, the proxy demands that Basic login (407 until it comes). False when the
    // proxy did not start; Message() says why.
    bool Start(const QString& userName = {}, const QString& password = {});
    QString Message() const { return FMessage; }

    // "http://127.0.0.1:<port>"
    QString Url() const;
    quint16 Port() const { return FPort.Port(); }
    // The request lines that the proxy took so far, oldest first: "GET http://host:port/path
    // HTTP/1.1", "CONNECT host:port HTTP/1.1". tinyproxy logs each before it answers.
    QStringList RequestLines() const;

    void Stop();

private:
    QString Log() const;

    TReservedPort FPort;
    QTemporaryDir FDir;
    QProcess FProcess;
    QString FMessage;
};
