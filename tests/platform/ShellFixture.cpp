#include "tests/platform/ShellFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>

TShellFixture::TShellFixture()
{
    const QString config = workPath(QStringLiteral("config"));
    const QString data = workPath(QStringLiteral("data"));
    QDir().mkpath(config);
    QDir().mkpath(data + QStringLiteral("/applications"));
    // The file types themselves still come from the machine's MIME database.
    QFile::link(QStringLiteral("/usr/share/mime"), data + QStringLiteral("/mime"));
    FEnvironment.set("XDG_CONFIG_HOME", QFile::encodeName(config));
    FEnvironment.set("XDG_CONFIG_DIRS", QFile::encodeName(config));
    FEnvironment.set("XDG_DATA_HOME", QFile::encodeName(data));
    FEnvironment.set("XDG_DATA_DIRS", QFile::encodeName(data));
    FEnvironment.unset("XDG_CURRENT_DESKTOP");
    FEnvironment.unset("XDG_MENU_PREFIX");
    FEnvironment.set("ORVANTA_CHILD_MARK", QFile::encodeName(markPath()));
}

QString TShellFixture::workPath(const QString& name) const
{
    return FWorkDir.filePath(name);
}

QString TShellFixture::makeFile(const QString& name, const QByteArray& content, bool executable) const
{
    QFile file(workPath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return file.fileName();
}

void TShellFixture::associateWithRecorder(const QString& mimeType) const
{
    QFile desktopFile(workPath(QStringLiteral("data/applications/orvanta-test-recorder.desktop")));
    ASSERT_TRUE(desktopFile.open(QIODevice::WriteOnly));
    desktopFile.write("[Desktop Entry]\nType=Application\nName=Recorder\nExec=" ORVANTA_TEST_SUPPORT_DIR
                      "/record-browser.sh %f\nMimeType=" + mimeType.toUtf8() + ";\n");
    QFile mimeApps(workPath(QStringLiteral("config/mimeapps.list")));
    ASSERT_TRUE(mimeApps.open(QIODevice::WriteOnly));
    mimeApps.write("[Default Applications]\n" + mimeType.toUtf8() + "=orvanta-test-recorder.desktop\n");
}

QString TShellFixture::childProgram()
{
    return QStringLiteral(ORVANTA_TEST_CHILD);
}

QString TShellFixture::markPath() const
{
    return workPath(QStringLiteral("child-mark.json"));
}

QJsonObject TShellFixture::readMark() const
{
    QFile file(markPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

char TShellFixture::childState(qint64 processId)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(processId));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // "pid (name) state ppid ...": the name may hold blanks and parentheses.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 2 || fields.at(1).toLongLong() != QCoreApplication::applicationPid())
        return 0;
    return fields.at(0).at(0);
}
