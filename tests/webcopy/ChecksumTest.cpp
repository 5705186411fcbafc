// An expected SHA-256 per item: HTTP, FTP and file copy keep a matching file and never put a
// different one under the target's name.
#include "tests/support/FtpServerFixture.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/TestFiles.h"
#include "webcopy/WebCopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::Pattern;
using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(Checksum, OnlyTheExpectedBytesReachTheTargetsName)
{
    const QByteArray body = Pattern(150000);
    const QString good = QString::fromLatin1(QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex());
    QString wrong = good;
    wrong[0] = wrong[0] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
    THttpServerFixture http;
    ASSERT_TRUE(http.Start()) << http.Message().toStdString();
    WriteFile(http.DocRoot() + QStringLiteral("/setup.exe"), body);
    TFtpServerFixture ftp;
    ASSERT_TRUE(ftp.Start()) << ftp.Message().toStdString();
    WriteFile(ftp.Root() + QStringLiteral("/setup.exe"), body);
    QTemporaryDir dir;
    WriteFile(dir.filePath(QStringLiteral("source/setup.exe")), body);

    const struct {
        const char* kind;
        TWebCopyProtocol protocol;
        QString url;
    } kinds[] = {
        {"http", wpHttp, http.BaseUrl() + QStringLiteral("/setup.exe")},
        {"ftp", wpFtp, QStringLiteral("/setup.exe")},
        {"file copy", wpFile, dir.filePath(QStringLiteral("source/setup.exe"))},
    };
    const struct {
        QString expected;
        bool success;
    } checks[] = {{good, true}, {good.toUpper(), true}, {wrong, false}, {QStringLiteral("abc"), false}};
    for (const auto& k : kinds) {
        for (const auto& c : checks) {
            SCOPED_TRACE(std::string(k.kind) + " " + c.expected.toStdString());
            const QString targetDir = dir.filePath(QStringLiteral("target"));
            QDir(targetDir).removeRecursively();
            WriteFile(targetDir + QStringLiteral("/setup.exe"), "the earlier file");
            TWebCopy webCopy;
            webCopy.ShowDialog = false;
            webCopy.FTPPassive = true;
            webCopy.OnCopyOverWrite = [](QObject*, const QString&, bool& allow) { allow = true; };
            QList<int> errors;
            webCopy.OnError = [&](QObject*, int code) { errors << code; };
            TWebCopyItem* item = webCopy.Items().Add();
            item->Protocol = k.protocol;
            item->URL = k.url;
            item->TargetDir = targetDir;
            if (k.protocol == wpFtp) {
                item->FTPHost = QStringLiteral("127.0.0.1");
                item->FTPPort = ftp.Port();
                item->FTPUserID = QStringLiteral("reader");
                item->FTPPassword = QStringLiteral("secret");
            }
            item->ExpectedSha256 = c.expected;
            ASSERT_TRUE(webCopy.Execute());
            EXPECT_EQ(item->Success(), c.success) << item->ErrorReason().toStdString();
            EXPECT_EQ(ReadFile(targetDir + QStringLiteral("/setup.exe")), c.success ? body : QByteArray("the earlier file"));
            EXPECT_EQ(QDir(targetDir).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no temporary file stays";
            if (!c.success) {
                EXPECT_EQ(errors, QList<int>{WebCopyErrors::ChecksumMismatch});
                if (c.expected == wrong) {
                    EXPECT_EQ(item->ErrorCause(), TTransferCause::ChecksumMismatch);
                    EXPECT_TRUE(item->ErrorReason().contains(good) && item->ErrorReason().contains(wrong))
                        << "the reason names both values";
                }
            }
        }
    }
}

} // namespace
