#include "tests/support/SquidProxyFixture.h"

#include "tests/support/WaitFor.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;

const QString Program = QStringLiteral("/usr/sbin/squid");
const QString Helpers = QStringLiteral("/usr/lib/squid/");
const QString Ready = QStringLiteral("Accepting HTTP Socket connections");
const QString Realm = QStringLiteral("office");

// Started as root, squid works as the user "proxy": its directory must be that user's.
bool HandOverToSquidsUser(const QString& dir)
{
    if (geteuid() != 0)
        return true;
    const passwd* user = getpwnam("proxy");
    if (!user)
        return false;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot)) {
        if (chown(QFile::encodeName(dir + QLatin1Char('/') + name).constData(), user->pw_uid, user->pw_gid) != 0)
            return false;
    }
    return chown(QFile::encodeName(dir).constData(), user->pw_uid, user->pw_gid) == 0;
}

} // namespace

TSquidProxyFixture::~TSquidProxyFixture()
{
    Stop();
}

bool TSquidProxyFixture::Start(TScheme scheme, const QString& userName, const QString& password)
{
    QString authentication;
    switch (scheme) {
    case TScheme::Basic: {
        QProcess htpasswd;
        htpasswd.start(QStringLiteral("htpasswd"), {QStringLiteral("-nb"), userName, password});
        if (!htpasswd.waitForFinished(StartTimeoutMs) || htpasswd.exitCode() != 0) {
            FMessage = QStringLiteral("htpasswd failed: %1").arg(htpasswd.errorString());
            return false;
        }
        if (!WriteFile(QStringLiteral("users"), htpasswd.readAllStandardOutput().trimmed() + '\n'))
            return false;
        authentication = QStringLiteral("auth_param basic program %1basic_ncsa_auth %2\n"
                                        "auth_param basic realm %3\n")
                             .arg(Helpers, FDir.filePath(QStringLiteral("users")), Realm);
        break;
    }
    case TScheme::Digest: {
        // digest_file_auth -c: "user:realm:MD5(user:realm:password)"
        const QByteArray first = (userName + u':' + Realm + u':' + password).toUtf8();
        const QByteArray line = (userName + u':' + Realm + u':').toUtf8()
                              + QCryptographicHash::hash(first, QCryptographicHash::Md5).toHex() + '\n';
        if (!WriteFile(QStringLiteral("digest"), line))
            return false;
        authentication = QStringLiteral("auth_param digest program %1digest_file_auth -c %2\n"
                                        "auth_param digest realm %3\n")
                             .arg(Helpers, FDir.filePath(QStringLiteral("digest")), Realm);
        break;
    }
    case TScheme::Ntlm:
        authentication = QStringLiteral("auth_param ntlm program %1ntlm_fake_auth\n").arg(Helpers);
        break;
    case TScheme::Negotiate:
        FMessage = QStringLiteral("Negotiate needs a keytab: StartNegotiate");
        return false;
    }
    return Run(authentication, QProcessEnvironment::systemEnvironment());
}

bool TSquidProxyFixture::StartNegotiate(const QString& principal, const QString& keytab,
                                        const QProcessEnvironment& kerberos)
{
    // Copies of its own of the keytab and the realm's configuration, readable by squid's user.
    const QString keytabCopy = FDir.filePath(QStringLiteral("http.keytab"));
    const QString configCopy = FDir.filePath(QStringLiteral("krb5.conf"));
    for (const auto& [from, to] : {std::pair(keytab, keytabCopy),
                                   std::pair(kerberos.value(QStringLiteral("KRB5_CONFIG")), configCopy)}) {
        QFile source(from);
        if (!source.open(QIODevice::ReadOnly) || !WriteFile(QFileInfo(to).fileName(), source.readAll())) {
            FMessage = QStringLiteral("cannot copy %1: %2").arg(from, FMessage);
            return false;
        }
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KRB5_CONFIG"), configCopy);
    environment.insert(QStringLiteral("KRB5_KTNAME"), keytabCopy);
    return Run(QStringLiteral("auth_param negotiate program %1negotiate_kerberos_auth -s %2 -k %3\n")
                   .arg(Helpers, principal, keytabCopy),
               environment);
}

bool TSquidProxyFixture::Run(const QString& authentication, const QProcessEnvironment& environment)
{
    if (!FDir.isValid() || Port() == 0) {
        FMessage = QStringLiteral("no temporary directory or no free port");
        return false;
    }
    // No cache, no ICMP pinger, no wait at the end; every request must come with a login.
    const QString config = QStringLiteral("http_port 127.0.0.1:%1\n"
                                          "pid_filename %2/squid.pid\n"
                                          "cache_log %2/cache.log\n"
                                          "access_log stdio:%2/access.log squid\n"
                                          "coredump_dir %2\n"
                                          "cache deny all\n"
                                          "cache_mem 8 MB\n"
                                          "netdb_filename none\n"
                                          "pinger_enable off\n"
                                          "shutdown_lifetime 0 seconds\n"
                                          "%3"
                                          "acl login proxy_auth REQUIRED\n"
                                          "http_access allow login\n"
                                          "http_access deny all\n")
                               .arg(Port())
                               .arg(FDir.path(), authentication);
    if (!WriteFile(QStringLiteral("squid.conf"), config.toUtf8()))
        return false;
    if (!HandOverToSquidsUser(FDir.path())) {
        FMessage = QStringLiteral("cannot hand the directory to squid's user \"proxy\"");
        return false;
    }
    // -N: in the foreground, so the process is ours to stop.
    FProcess.setProgram(Program);
    FProcess.setArguments({QStringLiteral("-N"), QStringLiteral("-f"), FDir.filePath(QStringLiteral("squid.conf"))});
    FProcess.setProcessEnvironment(environment);
    FProcess.setStandardOutputFile(QProcess::nullDevice());
    FProcess.setStandardErrorFile(FDir.filePath(QStringLiteral("output.txt")));
    // A test that crashes cannot stop the proxy; the system then ends it with the test.
    FProcess.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    FProcess.start();
    FProcess.waitForStarted(StartTimeoutMs);
    const bool ready = testsupport::waitFor(
        [this] { return CacheLog().contains(Ready) || FProcess.state() == QProcess::NotRunning; }, StartTimeoutMs);
    if (!ready || FProcess.state() != QProcess::Running) {
        QFile output(FDir.filePath(QStringLiteral("output.txt")));
        const QString said = output.open(QIODevice::ReadOnly) ? QString::fromUtf8(output.readAll()) : QString();
        FMessage = QStringLiteral("squid did not start: %1 %2 %3").arg(FProcess.errorString(), said, CacheLog());
        Stop();
        return false;
    }
    return true;
}

bool TSquidProxyFixture::WriteFile(const QString& name, const QByteArray& data)
{
    QFile file(FDir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush()) {
        FMessage = QStringLiteral("cannot write %1").arg(file.fileName());
        return false;
    }
    return true;
}

bool TSquidProxyFixture::LetThrough(const QString& user) const
{
    return testsupport::waitFor([&] { return LoggedUsers().join(u' ').contains(user); }, StopTimeoutMs);
}

QStringList TSquidProxyFixture::LoggedUsers() const
{
    // squid's native format: time elapsed client code/status bytes method URL user hierarchy type
    QFile log(FDir.filePath(QStringLiteral("access.log")));
    QStringList users;
    if (!log.open(QIODevice::ReadOnly))
        return users;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 8)
            users << QString::fromUtf8(fields[7]);
    }
    return users;
}

QString TSquidProxyFixture::CacheLog() const
{
    QFile log(FDir.filePath(QStringLiteral("cache.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

void TSquidProxyFixture::Stop()
{
    testsupport::stopProcess(FProcess, StopTimeoutMs);
}
