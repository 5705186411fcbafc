#include "tests/support/KerberosRealm.h"

#include "tests/support/WaitFor.h"

#include <QFile>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int ToolTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;
const QString MasterPassword = QStringLiteral("master-pass");

} // namespace

TKerberosRealm::~TKerberosRealm()
{
    Stop();
}

bool TKerberosRealm::Start()
{
    if (!FDir.isValid() || FPort.Port() == 0) {
        FMessage = QStringLiteral("no temporary directory or no free port");
        return false;
    }
    const QString realm = QString::fromLatin1(RealmName);
    const QString kdc = QStringLiteral("127.0.0.1:%1").arg(FPort.Port());
    // No DNS and no reverse lookups: the name a client asks for is the name in the keytab.
    const bool written =
        WriteFile(QStringLiteral("krb5.conf"),
                  QStringLiteral("[libdefaults]\n default_realm = %1\n dns_lookup_kdc = false\n"
                                 " dns_lookup_realm = false\n dns_canonicalize_hostname = false\n rdns = false\n"
                                 " udp_preference_limit = 1\n[realms]\n %1 = {\n  kdc = %2\n }\n")
                      .arg(realm, kdc))
        && WriteFile(QStringLiteral("kdc.conf"),
                     QStringLiteral("[kdcdefaults]\n kdc_ports = %1\n kdc_tcp_ports = %1\n[realms]\n %2 = {\n"
                                    "  database_name = %3/principal\n  key_stash_file = %3/stash\n"
                                    "  acl_file = %3/kadm5.acl\n }\n[logging]\n kdc = FILE:%3/kdc.log\n")
                         .arg(FPort.Port())
                         .arg(realm, FDir.path()));
    if (!written)
        return false;
    const QString admin = QStringLiteral("kadmin.local");
    const bool made = RunTool(QStringLiteral("kdb5_util"), {QStringLiteral("create"), QStringLiteral("-s"),
                                                            QStringLiteral("-r"), realm, QStringLiteral("-P"), MasterPassword})
        && RunTool(admin, {QStringLiteral("-q"),
                           QStringLiteral("addprinc -pw %1 %2").arg(QLatin1String(UserPassword), QLatin1String(UserName))})
        && RunTool(admin, {QStringLiteral("-q"), QStringLiteral("addprinc -randkey ") + ProxyPrincipal()})
        && RunTool(admin, {QStringLiteral("-q"), QStringLiteral("ktadd -k %1 %2").arg(Keytab(), ProxyPrincipal())});
    if (!made)
        return false;
    // -n: in the foreground, so the process is ours to stop.
    FKdc.setProgram(QStringLiteral("krb5kdc"));
    FKdc.setArguments({QStringLiteral("-n")});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(Environment());
    FKdc.setProcessEnvironment(environment);
    FKdc.setStandardOutputFile(QProcess::nullDevice());
    FKdc.setStandardErrorFile(FDir.filePath(QStringLiteral("kdc.out")));
    FKdc.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    FKdc.start();
    if (!FKdc.waitForStarted(ToolTimeoutMs)) {
        FMessage = QStringLiteral("krb5kdc did not start: %1").arg(FKdc.errorString());
        return false;
    }
    // Ready when it hands out the first ticket.
    if (!testsupport::waitFor([this] { return TakeTicket() || FKdc.state() == QProcess::NotRunning; }, ToolTimeoutMs)
        || FKdc.state() != QProcess::Running) {
        FMessage = QStringLiteral("the KDC gave no ticket: %1").arg(FMessage);
        Stop();
        return false;
    }
    return true;
}

QProcessEnvironment TKerberosRealm::Environment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("KRB5_CONFIG"), FDir.filePath(QStringLiteral("krb5.conf")));
    environment.insert(QStringLiteral("KRB5_KDC_PROFILE"), FDir.filePath(QStringLiteral("kdc.conf")));
    environment.insert(QStringLiteral("KRB5CCNAME"), QStringLiteral("FILE:") + FDir.filePath(QStringLiteral("ccache")));
    return environment;
}

QString TKerberosRealm::ProxyPrincipal() const
{
    return QStringLiteral("HTTP/localhost@") + QLatin1String(RealmName);
}

bool TKerberosRealm::TakeTicket()
{
    return RunTool(QStringLiteral("kinit"), {QLatin1String(UserName)}, QByteArray(UserPassword) + '\n');
}

bool TKerberosRealm::WriteFile(const QString& name, const QString& text)
{
    QFile file(FDir.filePath(name));
    const QByteArray data = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush()) {
        FMessage = QStringLiteral("cannot write %1").arg(file.fileName());
        return false;
    }
    return true;
}

bool TKerberosRealm::RunTool(const QString& program, const QStringList& arguments, const QByteArray& input)
{
    if (QStandardPaths::findExecutable(program, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")}).isEmpty()) {
        FMessage = QStringLiteral("%1 is not installed").arg(program);
        return false;
    }
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(Environment());
    tool.setProcessEnvironment(environment);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(ToolTimeoutMs) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        FMessage = QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(tool.readAll()));
        return false;
    }
    return true;
}

void TKerberosRealm::Stop()
{
    testsupport::stopProcess(FKdc, StopTimeoutMs);
}
