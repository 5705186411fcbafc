#include "tests/support/ProxyServerFixture.h"

#include "tests/support/WaitFor.h"

#include <QFile>
#include <QRegularExpression>

#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 10000;

const QString Program = QStringLiteral("/usr/bin/tinyproxy");
const QString Ready = QStringLiteral("Accepting connections");

} // namespace

TProxyServerFixture::~TProxyServerFixture()
{
    Stop();
}

bool TProxyServerFixture::Start(const QString& userName, const QString& password)
{
    if (!FDir.isValid() || Port() == 0) {
        FMessage = QStringLiteral("no temporary directory or no free port");
        return false;
    }
    QString config = QStringLiteral("Port %1\nListen 127.0.0.1\nAllow 127.0.0.1\nTimeout 60\nMaxClients 50\n"
                                    "LogLevel Info\nLogFile \"%2\"\n")
                         .arg(Port())
                         .arg(FDir.filePath(QStringLiteral("proxy.log")));
    if (!userName.isEmpty())
        config += QStringLiteral("BasicAuth %1 %2\n").arg(userName, password);
    QFile file(FDir.filePath(QStringLiteral("proxy.conf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0 || !file.flush()) {
        FMessage = QStringLiteral("cannot write the proxy's configuration");
        return false;
    }
    file.close();
    // -d: in the foreground, so the process is ours to stop.
    FProcess.setProgram(Program);
    FProcess.setArguments({QStringLiteral("-d"), QStringLiteral("-c"), file.fileName()});
    // Into files: a proxy left behind by a crashed test must not hold the test's own output open.
    FProcess.setStandardOutputFile(FDir.filePath(QStringLiteral("output.txt")));
    FProcess.setStandardErrorFile(FDir.filePath(QStringLiteral("output.txt")), QIODevice::Append);
    // A test that crashes cannot stop the proxy; the system then ends it with the test.
    FProcess.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    FProcess.start();
    // Until the start is confirmed the state says Starting, even once the proxy has logged.
    FProcess.waitForStarted(StartTimeoutMs);
    const bool ready = testsupport::waitFor(
        [this] { return Log().contains(Ready) || FProcess.state() == QProcess::NotRunning; }, StartTimeoutMs);
    if (!ready || FProcess.state() != QProcess::Running) {
        FMessage = QStringLiteral("tinyproxy did not start: %1 %2").arg(FProcess.errorString(), Log());
        Stop();
        return false;
    }
    return true;
}

QString TProxyServerFixture::Url() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(Port());
}

QStringList TProxyServerFixture::RequestLines() const
{
    static const QRegularExpression request(QStringLiteral(R"(Request \(file descriptor \d+\): (.*)$)"),
                                            QRegularExpression::MultilineOption);
    QStringList lines;
    for (auto match = request.globalMatch(Log()); match.hasNext();)
        lines << match.next().captured(1).trimmed();
    return lines;
}

QString TProxyServerFixture::Log() const
{
    QFile log(FDir.filePath(QStringLiteral("proxy.log")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

void TProxyServerFixture::Stop()
{
    testsupport::stopProcess(FProcess, StopTimeoutMs);
}
