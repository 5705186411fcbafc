// The transfer log that FTP uploads write.
#include "tests/support/FtpServerFixture.h"
#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyIoError.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The messages of the log's lines, after checking each line's time stamp and CR LF end.
QStringList Messages(const QByteArray& log)
{
    static const QRegularExpression line(QStringLiteral("^\\d\\d:\\d\\d \\d\\d/\\d\\d/\\d{4} : (.*)$"));
    QStringList messages;
    EXPECT_TRUE(log.isEmpty() || log.endsWith("\r\n"));
    for (const QByteArray& raw : log.split('\n')) {
        if (raw.isEmpty())
            continue;
        EXPECT_TRUE(raw.endsWith('\r')) << raw.toStdString();
        const QRegularExpressionMatch match = line.match(QString::fromUtf8(raw.chopped(1)));
        EXPECT_TRUE(match.hasMatch()) << raw.toStdString();
        messages << match.captured(1);
    }
    return messages;
}

class TransferLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString();
        FWebCopy.ShowDialog = false;
        FSource = FDir.filePath(QStringLiteral("source.bin"));
        QFile file(FSource);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(10000, 'x'));
    }
    void AddUpload(const QString& source)
    {
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->Protocol = wpFtpUpload;
        item->URL = source;
        item->FTPHost = QStringLiteral("127.0.0.1");
        item->FTPPort = FServer.Port();
        item->FTPUserID = QStringLiteral("writer");
        item->FTPPassword = QStringLiteral("secret");
    }
    QStringList UploadLines(const QString& source, qint64 size) const
    {
        QStringList lines{QStringLiteral("start ftp upload"), QStringLiteral("connected to server:127.0.0.1"),
                          QStringLiteral("start to upload file:") + source,
                          QStringLiteral("filesize:") + QString::number(size)};
        qint64 sent = 0;
        do {
            sent = std::min(size, sent + 4096);
            lines << QStringLiteral("uploaded:") + QString::number(sent);
        } while (sent < size);
        // The last read finds the end: one more block of nothing.
        if (size > 0)
            lines << QStringLiteral("uploaded:") + QString::number(size);
        return lines << QStringLiteral("done upload:") + QString::number(size) << QStringLiteral("done ftp upload");
    }

    TFtpServerFixture FServer;
    TWebCopy FWebCopy;
    QTemporaryDir FDir;
    QString FSource;
};

TEST_F(TransferLog, AnUploadWritesEveryLineInOrderAndASecondRunAppends)
{
    const QString logName = FDir.filePath(QStringLiteral("upload.log"));
    QFile earlier(logName);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("12:00 01/01/2026 : from before\r\n");
    earlier.close();
    FWebCopy.LogfileName = logName;
    AddUpload(FSource);
    ASSERT_TRUE(FWebCopy.Execute());
    ASSERT_TRUE(FWebCopy.Execute());
    const QStringList once = UploadLines(FSource, 10000);
    EXPECT_EQ(Messages(ReadFile(logName)), QStringList{QStringLiteral("from before")} + once + once);
}

TEST_F(TransferLog, AnEmptySourceLogsAZeroUpload)
{
    const QString empty = FDir.filePath(QStringLiteral("empty.bin"));
    QFile(empty).open(QIODevice::WriteOnly);
    FWebCopy.LogfileName = FDir.filePath(QStringLiteral("new.log"));
    AddUpload(empty);
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(FWebCopy.Items()[0]->Success());
    EXPECT_EQ(Messages(ReadFile(FWebCopy.LogfileName)), UploadLines(empty, 0));
}

TEST_F(TransferLog, NoNameNoLogAndAnUnwritablePlaceIsSkippedSilently)
{
    AddUpload(FSource);
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("source.bin")});

    FWebCopy.LogfileName = FDir.filePath(QStringLiteral("missing/dir/upload.log"));
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(FWebCopy.Items()[0]->Success());
    EXPECT_FALSE(QFile::exists(FWebCopy.LogfileName));
}

TEST_F(TransferLog, ALogThatCannotBeWrittenNeverBreaksTheUpload)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    for (const QString& name : {QStringLiteral("/dev/full"), FDir.filePath(QString(300, QLatin1Char('l')))}) {
        FWebCopy.LogfileName = name;
        FWebCopy.Items().Clear();
        AddUpload(FSource);
        AddUpload(FSource);
        bool copyDone = false;
        FWebCopy.OnCopyDone = [&](QObject*) { copyDone = true; };
        ASSERT_NO_THROW(FWebCopy.Execute());
        EXPECT_TRUE(copyDone) << name.toStdString();
        EXPECT_EQ(FWebCopy.Items().SuccessCount(), 2) << name.toStdString();
    }
}

} // namespace
