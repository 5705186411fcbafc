#pragma once

#include "tests/support/ReservedPort.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real squid on 127.0.0.1 that lets nobody through without a login, for one test suite: its
// configuration, password files and logs in a temporary directory. It takes over a port that the
// fixture holds (TReservedPort). Stopped, by its own process id, when the fixture goes.
class TSquidProxyFixture {
public:
    // Basic: basic_ncsa_auth with an htpasswd file; Digest: digest_file_auth; Ntlm: squid's
    // ntlm_fake_auth, which takes any user name after a complete NTLM handshake; Negotiate:
    // negotiate_kerberos_auth with the keytab given to StartNegotiate.
    enum class TScheme { Basic, Digest, Ntlm, Negotiate };

    TSquidProxyFixture() = default;
    ~TSquidProxyFixture();
    TSquidProxyFixture(const TSquidProxyFixture&) = delete;
    TSquidProxyFixture& operator=(const TSquidProxyFixture&) = delete;

    // The proxy takes the one login userName/password by the scheme. False when it did not start;
    // Message() says why.
    bool Start(TScheme scheme, const QString& userName, const QString& password);
    // The proxy takes the Kerberos tickets for `principal` ("HTTP/localhost@REALM") that the
    // keytab holds; `kerberos` carries KRB5_CONFIG for the realm.
    bool StartNegotiate(const QString& principal, const QString& keytab, const QProcessEnvironment& kerberos);
    QString Message() const { return FMessage; }

    quint16 Port() const { return FPort.Port(); }
    // Whether squid let a request through for a user whose logged name contains `user`, waiting
    // for its log a while (squid writes a line after the answer has gone).
    bool LetThrough(const QString& user) const;
    // The user names that squid logged so far, oldest first ("-" for a request refused for want
    // of a login).
    QStringList LoggedUsers() const;

    void Stop();

private:
    bool Run(const QString& authentication, const QProcessEnvironment& environment);
    bool WriteFile(const QString& name, const QByteArray& data);
    QString CacheLog() const;

    TReservedPort FPort;
    QTemporaryDir FDir;
    QProcess FProcess;
    QString FMessage;
};
