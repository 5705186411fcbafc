// Helper program for process tests. What it does is chosen by environment variables, in this
// order:
//   ORVANTA_CHILD_MARK=<path>     write {"pid", "cwd", "arguments"} as JSON to <path> (atomically)
//   ORVANTA_CHILD_WINDOW=1        show a small window, until it is closed or the sleep has passed
//   ORVANTA_CHILD_SLEEP_MS=<n>    wait n milliseconds before going on
//   ORVANTA_CHILD_RAISE=<signal>  end by that signal
//   ORVANTA_CHILD_EXIT_CODE=<n>   exit with n (otherwise 0)
#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

bool writeMark(const QString& path, int argc, char** argv)
{
    QJsonArray arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QJsonObject mark{
        {QStringLiteral("pid"), QCoreApplication::applicationPid()},
        {QStringLiteral("cwd"), QDir::currentPath()},
        {QStringLiteral("arguments"), arguments},
    };
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(mark).toJson()) >= 0 && file.commit();
}

int showWindow(int argc, char** argv, int sleepMs)
{
    QApplication application(argc, argv);
    QLabel window(QStringLiteral("orvanta_test_child"));
    window.setWindowTitle(QStringLiteral("orvanta_test_child"));
    window.resize(240, 80);
    window.show();
    if (sleepMs > 0)
        QTimer::singleShot(sleepMs, &application, &QCoreApplication::quit);
    return application.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const QString markPath = qEnvironmentVariable("ORVANTA_CHILD_MARK");
    if (!markPath.isEmpty() && !writeMark(markPath, argc, argv))
        return 120;

    const int sleepMs = qEnvironmentVariableIntValue("ORVANTA_CHILD_SLEEP_MS");
    if (qEnvironmentVariableIntValue("ORVANTA_CHILD_WINDOW") == 1)
        showWindow(argc, argv, sleepMs);
    else if (sleepMs > 0)
        QThread::msleep(static_cast<unsigned long>(sleepMs));

    if (const int signal = qEnvironmentVariableIntValue("ORVANTA_CHILD_RAISE"); signal > 0)
        std::raise(signal);
    return qEnvironmentVariableIntValue("ORVANTA_CHILD_EXIT_CODE");
}
