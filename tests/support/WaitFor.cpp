#include "tests/support/WaitFor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>

namespace testsupport {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void stopProcess(QProcess& process, int timeoutMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!waitFor([&process] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}

} // namespace testsupport
