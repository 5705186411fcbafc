// The engine runs without windows: an HTTP download, an FTP download and a file copy under a
// QCoreApplication, with progress told to an observer instead of a dialog.
#include "tests/support/FtpServerFixture.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/TestFiles.h"
#include "webcopy/WebCopy.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::Pattern;
using testsupport::ReadFile;
using testsupport::WriteFile;

// Counts what a terminal line would show.
class TRecorder : public TWcProgressObserver {
public:
    void CaptionChanged(const QString&) override {}
    void FileLineChanged(const QString& text) override { FileLines << text; }
    void MarqueeChanged(bool) override {}
    void StatusChanged(const QString&) override {}
    void ProgressChanged(const TProgressKeys& keys, unsigned) override { LastDone = keys.Done; }
    void RunEnded(bool cancelled) override { Ended = !cancelled; }

    QStringList FileLines;
    qint64 LastDone = 0;
    bool Ended = false;
};

TEST(Headless, DownloadsAndCopiesWithoutWindows)
{
    ASSERT_EQ(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    const QByteArray body = Pattern(200000);
    THttpServerFixture http;
    ASSERT_TRUE(http.Start()) << http.Message().toStdString();
    WriteFile(http.DocRoot() + QStringLiteral("/setup.exe"), body);
    TFtpServerFixture ftp;
    ASSERT_TRUE(ftp.Start()) << ftp.Message().toStdString();
    WriteFile(ftp.Root() + QStringLiteral("/pub/data.bin"), body);
    QTemporaryDir target;
    WriteFile(target.filePath(QStringLiteral("local.bin")), body);

    TWebCopy webCopy;
    TRecorder recorder;
    webCopy.ProgressObserver = &recorder;
    webCopy.FTPPassive = true;
    TWebCopyItem* download = webCopy.Items().Add();
    download->URL = http.BaseUrl() + QStringLiteral("/setup.exe");
    download->TargetDir = target.filePath(QStringLiteral("http"));
    TWebCopyItem* fetch = webCopy.Items().Add();
    fetch->Protocol = wpFtp;
    fetch->URL = QStringLiteral("/pub/data.bin");
    fetch->TargetDir = target.filePath(QStringLiteral("ftp"));
    fetch->FTPHost = QStringLiteral("127.0.0.1");
    fetch->FTPPort = ftp.Port();
    fetch->FTPUserID = QStringLiteral("writer");
    fetch->FTPPassword = QStringLiteral("secret");
    TWebCopyItem* copy = webCopy.Items().Add();
    copy->Protocol = wpFile;
    copy->URL = target.filePath(QStringLiteral("local.bin"));
    copy->TargetDir = target.filePath(QStringLiteral("copy"));
    int done = 0;
    webCopy.OnFileDone = [&](QObject*, int) { ++done; };

    ASSERT_TRUE(webCopy.Execute());

    EXPECT_EQ(done, 3);
    EXPECT_EQ(webCopy.ProgressForm(), nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(webCopy.Items()[i]->Success()) << i << ": " << webCopy.Items()[i]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(target.filePath(QStringLiteral("http/setup.exe"))), body);
    EXPECT_EQ(ReadFile(target.filePath(QStringLiteral("ftp/data.bin"))), body);
    EXPECT_EQ(ReadFile(target.filePath(QStringLiteral("copy/local.bin"))), body);
    EXPECT_EQ(recorder.FileLines.size(), 3);
    EXPECT_EQ(recorder.LastDone, body.size());
    EXPECT_TRUE(recorder.Ended);
}

TEST(Headless, ALoginPromptWithoutWindowsIsACancelledLogin)
{
    THttpServerFixture http;
    ASSERT_TRUE(http.Start()) << http.Message().toStdString();
    QTemporaryDir target;
    TWebCopy webCopy;
    TWebCopyItem* item = webCopy.Items().Add();
    item->URL = http.BaseUrl() + QStringLiteral("/setup.exe");
    item->TargetDir = target.path();
    item->Authenticate = waAlways;
    ASSERT_TRUE(webCopy.Execute());
    EXPECT_FALSE(item->Success());
    EXPECT_EQ(item->ErrorCause(), TTransferCause::LoginCancelled);
}

} // namespace
