#include "tests/support/VirtualDesktop.h"

#include "tests/support/WaitFor.h"

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 5000;

} // namespace

TVirtualDesktop::~TVirtualDesktop()
{
    for (auto process = FProcesses.rbegin(); process != FProcesses.rend(); ++process)
        testsupport::stopProcess(**process, StopTimeoutMs);
}

bool TVirtualDesktop::Start(const TOptions& options)
{
    FEnvironment = QProcessEnvironment::systemEnvironment();
    // Nothing of the test's own session leaks in: no bus, no desktop, no theme of the host.
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "XDG_CURRENT_DESKTOP",
                             "QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "QT_ACCESSIBILITY", "WAYLAND_DISPLAY"})
        FEnvironment.remove(QString::fromLatin1(name));
    FEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    if (!StartDisplay())
        return false;
    if (options.WindowManager && !StartWindowManager())
        return false;
    return !options.Accessibility || StartAccessibilityBus();
}

QProcess* TVirtualDesktop::Launch(const QString& program, const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(FEnvironment);
    process->setProgram(program);
    process->setArguments(arguments);
    process->start();
    if (!process->waitForStarted(StartTimeoutMs)) {
        FMessage = program + QStringLiteral(" cannot be started: ") + process->errorString();
        return nullptr;
    }
    FProcesses.push_back(std::move(process));
    return FProcesses.back().get();
}

bool TVirtualDesktop::StartDisplay()
{
    // -displayfd: the server takes the first free display and writes its number once it accepts
    // connections. -noreset: without it the server resets when its last client leaves, and a
    // client connecting in that moment (the wizard after a short xdotool look) is refused.
    QProcess* server = Launch(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                                        QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                                        QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!server)
        return false;
    server->setStandardErrorFile(QProcess::nullDevice());
    if (!testsupport::waitFor([&] { return server->canReadLine() || server->state() == QProcess::NotRunning; },
                              StartTimeoutMs)) {
        FMessage = QStringLiteral("Xvfb did not report its display");
        return false;
    }
    bool isNumber = false;
    const int display = server->readLine().trimmed().toInt(&isNumber);
    if (!isNumber) {
        FMessage = QStringLiteral("Xvfb did not start");
        return false;
    }
    FEnvironment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    // Clients can connect: on a shared machine a display just given up may still be going.
    if (!testsupport::waitFor([&] {
            int exitCode = -1;
            Run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}, &exitCode, 2000);
            return exitCode == 0;
        }, StartTimeoutMs)) {
        FMessage = QStringLiteral("Xvfb took display :%1 but accepts no client").arg(display);
        return false;
    }
    return true;
}

bool TVirtualDesktop::StartWindowManager()
{
    // openbox now and then ends silently right after its start on a fresh display; it is
    // started again then, a few times at most.
    constexpr int Attempts = 3;
    for (int attempt = 1; attempt <= Attempts; ++attempt) {
        QProcess* manager = Launch(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!manager)
            return false;
        // It manages the screen once it names itself to the clients.
        const bool managing = testsupport::waitFor([&] {
            if (manager->state() == QProcess::NotRunning)
                return true;
            int exitCode = -1;
            // A short look each time: one that hangs is tried again.
            return Run(QStringLiteral("wmctrl"), {QStringLiteral("-m")}, &exitCode, 2000).contains(QLatin1String("Openbox"))
                && exitCode == 0;
        }, StartTimeoutMs);
        if (managing && manager->state() != QProcess::NotRunning)
            return true;
        FMessage = QStringLiteral("openbox did not take the display (%1, exit status %2, code %3): %4")
                       .arg(QLatin1String(manager->state() == QProcess::NotRunning ? "ended" : "running"))
                       .arg(int(manager->exitStatus()))
                       .arg(manager->exitCode())
                       .arg(QString::fromLocal8Bit(manager->readAllStandardError()));
        if (manager->state() != QProcess::NotRunning)
            return false;
    }
    return false;
}

bool TVirtualDesktop::StartAccessibilityBus()
{
    QProcess* session = Launch(QStringLiteral("dbus-daemon"),
                               {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!session)
        return false;
    if (!testsupport::waitFor([&] { return session->canReadLine() || session->state() == QProcess::NotRunning; },
                              StartTimeoutMs)) {
        FMessage = QStringLiteral("dbus-daemon did not report its address");
        return false;
    }
    FEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(session->readLine().trimmed()));
    // The bus launcher owns the accessibility bus and its registry; it starts them at once.
    if (!Launch(QStringLiteral("/usr/libexec/at-spi-bus-launcher"), {QStringLiteral("--launch-immediately")}))
        return false;
    if (!testsupport::waitFor([&] {
            int exitCode = -1;
            Run(QStringLiteral("dbus-send"),
                {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                 QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus.GetAddress")},
                &exitCode, 2000);
            return exitCode == 0;
        }, StartTimeoutMs)) {
        FMessage = QStringLiteral("the accessibility bus did not come up");
        return false;
    }
    FEnvironment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    return true;
}

QString TVirtualDesktop::Run(const QString& program, const QStringList& arguments, int* exitCode, int timeoutMs) const
{
    QProcess tool;
    tool.setProcessEnvironment(FEnvironment);
    tool.setProcessChannelMode(QProcess::SeparateChannels);
    tool.start(program, arguments);
    const bool ended = tool.waitForFinished(timeoutMs);
    if (!ended) {
        tool.kill();
        tool.waitForFinished(StopTimeoutMs);
    }
    if (exitCode)
        *exitCode = ended && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QStringList TVirtualDesktop::Windows(qint64 pid, const QString& titlePattern) const
{
    return Run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"),
                                           titlePattern})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString TVirtualDesktop::WaitForWindow(qint64 pid, const QString& titlePattern, int timeoutMs) const
{
    QString window;
    testsupport::waitFor([&] {
        window = Windows(pid, titlePattern).value(0);
        return !window.isEmpty();
    }, timeoutMs);
    return window;
}
