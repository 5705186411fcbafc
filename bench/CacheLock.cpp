#include "bench/CacheLock.h"

namespace {

constexpr int TouchTimeoutMs = 60000;
constexpr int EndTimeoutMs = 5000;
const QString MaxSize = QStringLiteral("64G");

} // namespace

TCacheLock::~TCacheLock()
{
    if (FProcess.state() == QProcess::NotRunning)
        return;
    FProcess.kill();
    FProcess.waitForFinished(EndTimeoutMs);
}

bool TCacheLock::Lock(const QString& path)
{
    // Touched first, to the end: the lock that follows then finds every page in memory.
    QProcess touch;
    touch.start(QStringLiteral("vmtouch"), {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("-m"), MaxSize, path});
    if (!touch.waitForFinished(TouchTimeoutMs) || touch.exitStatus() != QProcess::NormalExit || touch.exitCode() != 0)
        return false;
    FProcess.start(QStringLiteral("vmtouch"), {QStringLiteral("-q"), QStringLiteral("-l"), QStringLiteral("-m"), MaxSize, path});
    return FProcess.waitForStarted();
}
