#include "tests/support/TestEnvironment.h"

#include "tests/support/WaitFor.h"

#include <QFile>

namespace testsupport {

TBrowserRecorder::TBrowserRecorder()
    : FLogFile(FDir.filePath(QStringLiteral("opened.txt")))
{
    FHadBrowser = qEnvironmentVariableIsSet("BROWSER");
    FOldBrowser = qgetenv("BROWSER");
    qputenv("BROWSER", QByteArray(ORVANTA_TEST_SUPPORT_DIR "/record-browser.sh"));
    qputenv("ORVANTA_BROWSER_LOG", FLogFile.toLocal8Bit());
    // A desktop session would bypass BROWSER; the tests always take the generic road.
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    qunsetenv("KDE_FULL_SESSION");
    qunsetenv("GNOME_DESKTOP_SESSION_ID");
}

TBrowserRecorder::~TBrowserRecorder()
{
    if (FHadBrowser)
        qputenv("BROWSER", FOldBrowser);
    else
        qunsetenv("BROWSER");
    qunsetenv("ORVANTA_BROWSER_LOG");
}

QStringList TBrowserRecorder::addresses() const
{
    QFile file(FLogFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool TBrowserRecorder::waitForCount(int count, int timeoutMs) const
{
    return waitFor([&] { return addresses().size() >= count; }, timeoutMs);
}

} // namespace testsupport
