#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// Points BROWSER (what xdg-open uses outside a desktop session) at a recorder script that
// appends every address it is asked to open to a file, one per line. Restores BROWSER when
// it goes out of scope.
class TBrowserRecorder {
public:
    TBrowserRecorder();
    ~TBrowserRecorder();
    TBrowserRecorder(const TBrowserRecorder&) = delete;
    TBrowserRecorder& operator=(const TBrowserRecorder&) = delete;

    // Waits until `count` addresses were recorded (the opener runs asynchronously).
    bool waitForCount(int count, int timeoutMs = 5000) const;
    QStringList addresses() const;

private:
    QTemporaryDir FDir;
    QString FLogFile;
    QByteArray FOldBrowser;
    bool FHadBrowser = false;
};

} // namespace testsupport
