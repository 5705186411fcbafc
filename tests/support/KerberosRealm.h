#pragma once

#include "tests/support/ReservedPort.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

// A throw-away MIT Kerberos realm on 127.0.0.1 for one test suite: database, configuration,
// keytab and ticket cache in a temporary directory (KRB5_CONFIG, KRB5_KDC_PROFILE, KRB5CCNAME
// point there; nothing of the system's is changed), one user and the service principal of a proxy
// on `localhost`. The KDC takes over a TCP port that the fixture holds (and the same UDP port); clients speak TCP.
// Stopped, by its own process id, when the fixture goes.
class TKerberosRealm {
public:
    static constexpr const char* RealmName = "ORVANTA.TEST";
    static constexpr const char* UserName = "alice";
    static constexpr const char* UserPassword = "alice-pass";

    TKerberosRealm() = default;
    ~TKerberosRealm();
    TKerberosRealm(const TKerberosRealm&) = delete;
    TKerberosRealm& operator=(const TKerberosRealm&) = delete;

    // False when a tool is missing or the KDC did not start; Message() says why.
    bool Start();
    QString Message() const { return FMessage; }

    // The variables that point Kerberos at this realm, and their values.
    static constexpr const char* Variables[] = {"KRB5_CONFIG", "KRB5_KDC_PROFILE", "KRB5CCNAME"};
    QProcessEnvironment Environment() const;
    // "HTTP/localhost@ORVANTA.TEST": the name libcurl asks a ticket for when the proxy is called
    // localhost; its keys are in Keytab().
    QString ProxyPrincipal() const;
    QString Keytab() const { return FDir.filePath(QStringLiteral("http.keytab")); }
    // Takes the user's ticket into the realm's cache with kinit; false and Message() on failure.
    bool TakeTicket();

    void Stop();

private:
    bool WriteFile(const QString& name, const QString& text);
    bool RunTool(const QString& program, const QStringList& arguments, const QByteArray& input = {});

    TReservedPort FPort;
    QTemporaryDir FDir;
    QProcess FKdc;
    QString FMessage;
};
