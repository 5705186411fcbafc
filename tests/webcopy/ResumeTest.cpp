// Downloads that break off and continue where they stopped (Resume), against local servers
// that break in each way: the Python test server and nginx behind a relay that resets.
#include "tests/support/BreakingRelay.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/NginxServer.h"
#include "tests/support/ProxyServerFixture.h"
#include "tests/support/SelfSignedCertificate.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WaitFor.h"
#include "tests/webcopy/RecordingRetries.h"
#include "tests/webcopy/SmbServerFixture.h"
#include "webcopy/ProgressObserver.h"
#include "webcopy/WebCopy.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>

namespace {

using testsupport::Pattern;
using testsupport::ReadFile;
using testsupport::WriteFile;

const QString KeptPart = QStringLiteral(".setup.exe.resume.part");
const QString KeptInfo = QStringLiteral(".setup.exe.resume.info");

class HttpResume : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString();
        WriteFile(FServer.DocRoot() + QStringLiteral("/setup.exe"), FBody);
        FWebCopy.ShowDialog = false;
        FWebCopy.Resume = true;
        FWebCopy.RetryDelay = 1;
        FWebCopy.ProgressObserver = &FWaits;
        FWebCopy.OnCopyProgress = [this](QObject*, int, quint32 done, quint32) { Progress << done; };
    }

    TWebCopyItem* Download(const QString& url)
    {
        FWebCopy.Items().Clear();
        Progress.clear();
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->URL = url;
        item->TargetDir = FTarget.path();
        item->TargetFilename = QStringLiteral("setup.exe");
        return item;
    }
    // The server counts requests (drops=) per URL: `round` gives a case a URL of its own.
    TWebCopyItem* Download(const char* query, int round = 0)
    {
        return Download(FServer.BaseUrl() + QStringLiteral("/setup.exe?") + QLatin1String(query)
                        + QStringLiteral("&round=%1").arg(round));
    }
    QString Target(const QString& name = QStringLiteral("setup.exe")) const { return FTarget.filePath(name); }
    QStringList TargetEntries() const
    {
        return QDir(FTarget.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QJsonObject Header(qsizetype request) const
    {
        return FServer.Requests().at(request).value(QStringLiteral("headers")).toObject();
    }
    QString RequestHeader(qsizetype request, const char* name) const
    {
        return Header(request).value(QLatin1String(name)).toString();
    }

    THttpServerFixture FServer;
    QTemporaryDir FTarget;
    TWebCopy FWebCopy;
    TRecordingRetries FWaits;
    const QByteArray FBody = Pattern(300000);
    QList<quint32> Progress;
};

} // namespace

TEST_F(HttpResume, ABrokenDownloadAsksOnlyForTheRestAndArrivesWhole)
{
    const struct {
        const char* name;
        const char* query;
        bool etagValidator;  // else the date
        bool checksum;
    } cases[] = {
        {"a strong ETag", "drop=150000&drops=1&ranges=1", true, false},
        {"a weak ETag is not trusted: the date", "drop=150000&drops=1&ranges=1&etag=weak", false, false},
        {"no ETag: the date", "drop=150000&drops=1&ranges=1&etag=0", false, false},
        {"the checksum covers the kept part", "drop=150000&drops=1&ranges=1", true, true},
    };
    FWebCopy.Retries = 1;
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Target());
        const qsizetype before = FServer.Requests().size();
        TWebCopyItem* item = Download(c.query, ++round);
        if (c.checksum)
            item->ExpectedSha256 = QString::fromLatin1(QCryptographicHash::hash(FBody, QCryptographicHash::Sha256).toHex());
        FWebCopy.Execute();
        ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
        EXPECT_EQ(ReadFile(Target()), FBody);
        EXPECT_EQ(TargetEntries(), QStringList{QStringLiteral("setup.exe")}) << "nothing kept once complete";
        ASSERT_EQ(FServer.Requests().size() - before, 2);
        EXPECT_TRUE(RequestHeader(before, "range").isEmpty());
        EXPECT_EQ(RequestHeader(before + 1, "range"), QStringLiteral("bytes=150000-"));
        const QString ifRange = RequestHeader(before + 1, "if-range");
        EXPECT_EQ(ifRange.startsWith(QLatin1Char('"')), c.etagValidator) << ifRange.toStdString();
        EXPECT_FALSE(ifRange.startsWith(QStringLiteral("W/"))) << ifRange.toStdString();
        EXPECT_TRUE(ifRange.endsWith(QStringLiteral(" GMT")) || c.etagValidator) << ifRange.toStdString();
    }
}

TEST_F(HttpResume, WhatDoesNotContinueTheKeptPartStartsOverAndNothingIsMixed)
{
    QByteArray changed = FBody;
    std::reverse(changed.begin(), changed.end());
    const struct {
        const char* name;
        const char* query;
        QByteArray fileOnRetry;  // empty: unchanged
        int requests;
    } cases[] = {
        {"a server without ranges sends the whole file again", "drop=150000&drops=1", {}, 2},
        {"the file changed, same length", "drop=150000&drops=1&ranges=1", changed, 2},
        {"the file changed length", "drop=150000&drops=1&ranges=1", Pattern(200000), 2},
        {"a server that ignores If-Range sends a part of the new file: asked again whole",
         "drop=150000&drops=1&ranges=1&ifrange=ignore", changed, 3},
        {"... and one the kept part is longer than", "drop=150000&drops=1&ranges=1&ifrange=ignore",
         Pattern(100000), 3},
    };
    FWebCopy.Retries = 1;
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Target());
        WriteFile(FServer.DocRoot() + QStringLiteral("/setup.exe"), FBody);
        FWaits.OnWait = [&] {
            if (!c.fileOnRetry.isEmpty())
                WriteFile(FServer.DocRoot() + QStringLiteral("/setup.exe"), c.fileOnRetry);
        };
        const qsizetype before = FServer.Requests().size();
        TWebCopyItem* item = Download(c.query, ++round);
        FWebCopy.Execute();
        ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
        EXPECT_EQ(ReadFile(Target()), c.fileOnRetry.isEmpty() ? FBody : c.fileOnRetry);
        EXPECT_EQ(TargetEntries(), QStringList{QStringLiteral("setup.exe")});
        EXPECT_EQ(FServer.Requests().size() - before, c.requests);
        EXPECT_EQ(RequestHeader(before + 1, "range"), QStringLiteral("bytes=150000-"));
        EXPECT_TRUE(RequestHeader(before + c.requests - 1, "range").isEmpty() || c.requests == 2);
    }
}

TEST_F(HttpResume, ALaterRunContinuesThePrivateKeptPartAndCountsOnlyTheNewBytes)
{
    FWebCopy.Retries = 0;
    TWebCopyItem* item = Download("drop=150000&drops=1&ranges=1");
    FWebCopy.Execute();
    ASSERT_FALSE(item->Success());
    EXPECT_EQ(TargetEntries(), (QStringList{KeptInfo, KeptPart}));
    EXPECT_EQ(ReadFile(Target(KeptPart)), FBody.left(150000));
    for (const QString& kept : {KeptPart, KeptInfo}) {
        struct stat status {};
        ASSERT_EQ(::stat(QFile::encodeName(Target(kept)).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u) << kept.toStdString();
    }

    item = Download("drop=150000&drops=1&ranges=1");
    FWebCopy.Execute();
    ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target()), FBody);
    EXPECT_EQ(RequestHeader(FServer.Requests().size() - 1, "range"), QStringLiteral("bytes=150000-"));
    ASSERT_FALSE(Progress.isEmpty());
    EXPECT_GT(Progress.first(), 150000u) << "the bar starts at the kept part";
    EXPECT_EQ(Progress.last(), 300000u);
    EXPECT_EQ(TargetEntries(), QStringList{QStringLiteral("setup.exe")});
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(Target()).constData(), &status), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(status.st_mode & 0777, 0666u & ~mask) << "a complete file has the mode of any new file";
}

TEST_F(HttpResume, ATargetWrittenWithoutResumeDropsTheKeptPart)
{
    Download("drop=150000&drops=1&ranges=1");
    FWebCopy.Execute();
    ASSERT_EQ(TargetEntries(), (QStringList{KeptInfo, KeptPart}));
    FWebCopy.Resume = false;
    TWebCopyItem* item = Download("drop=150000&drops=1&ranges=1");
    FWebCopy.Execute();
    ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_TRUE(RequestHeader(FServer.Requests().size() - 1, "range").isEmpty());
    EXPECT_EQ(ReadFile(Target()), FBody);
    EXPECT_EQ(TargetEntries(), QStringList{QStringLiteral("setup.exe")});
}

TEST_F(HttpResume, CancelDuringTheWaitLeavesOnlyTheKeptPart)
{
    FWebCopy.Retries = 2;
    FWebCopy.RetryDelay = 60000;
    FWaits.OnWait = [&] { QTimer::singleShot(10, [&] { FWebCopy.CancelCopy(); }); };
    TWebCopyItem* item = Download("drop=150000&ranges=1");
    FWebCopy.Execute();
    EXPECT_TRUE(item->Cancelled());
    EXPECT_EQ(TargetEntries(), (QStringList{KeptInfo, KeptPart}));
    EXPECT_EQ(ReadFile(Target(KeptPart)), FBody.left(150000));
}

TEST(NginxResume, AConnectionResetHalfWayContinuesWithARangeAndTheBytesMatch)
{
    QTemporaryDir work;
    QTemporaryDir root;
    QTemporaryDir target;
    TSelfSignedCertificate certificate;
    ASSERT_TRUE(certificate.Make(work.path())) << certificate.Message().toStdString();
    const QByteArray body = Pattern(4 * 1024 * 1024);
    WriteFile(root.filePath(QStringLiteral("setup.exe")), body);
    TNginxServer nginx;
    ASSERT_TRUE(nginx.Start(work.path(), root.path(), certificate.CertificateFile(), certificate.KeyFile()))
        << nginx.Message().toStdString();
    TBreakingRelay relay;
    // The relay holds after half the answer (headers included) and resets once the engine has
    // taken in nearly all of it, so the kept part ends within the answer's headers' size of half.
    const qint64 half = body.size() / 2;
    constexpr qint64 HeadersAtMost = 4096;
    const quint16 port = relay.Start(nginx.HttpPort(), 1, half, true);
    ASSERT_NE(port, 0) << relay.Message().toStdString();

    TWebCopy copy;
    copy.ShowDialog = false;
    copy.Resume = true;
    copy.Retries = 1;
    copy.RetryDelay = 1;
    bool reset = false;
    copy.OnCopyProgress = [&](QObject*, int, quint32 done, quint32) {
        if (!reset && done >= half - HeadersAtMost) {
            reset = true;
            relay.ResetHeld();
        }
    };
    TWebCopyItem* item = copy.Items().Add();
    item->URL = QStringLiteral("http://127.0.0.1:%1/setup.exe").arg(port);
    item->TargetDir = target.path();
    copy.Execute();
    ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(target.filePath(QStringLiteral("setup.exe"))), body);
    EXPECT_EQ(QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("setup.exe")});

    ASSERT_TRUE(testsupport::waitFor([&] { return relay.Connections().size() == 2; }));
    const QList<QJsonObject> connections = relay.Connections();
    EXPECT_TRUE(connections[0].value(QStringLiteral("reset")).toBool());
    const QString second = connections[1].value(QStringLiteral("head")).toString();
    EXPECT_TRUE(second.contains(QStringLiteral("\r\nIf-Range: \""))) << second.toStdString();
    static const QRegularExpression range(QStringLiteral("\r\nRange: bytes=(\\d+)-\r\n"));
    const QRegularExpressionMatch match = range.match(second);
    ASSERT_TRUE(match.hasMatch()) << second.toStdString();
    const qint64 start = match.captured(1).toLongLong();
    EXPECT_GE(start, half - 2 * HeadersAtMost);
    EXPECT_LE(start, half);
    // The second answer carried only the rest and its headers.
    EXPECT_LE(connections[1].value(QStringLiteral("down")).toInteger(), body.size() - start + 1024);
}

TEST(HttpsResume, ThroughAProxyWithALoginTheRestIsAskedForWithTheSameLogin)
{
    THttpServerFixture server;
    ASSERT_TRUE(server.Start(THttpServerFixture::TScheme::Https)) << server.Message().toStdString();
    TProxyServerFixture proxy;
    ASSERT_TRUE(proxy.Start(QStringLiteral("pat"), QStringLiteral("proxypw"))) << proxy.Message().toStdString();
    const QByteArray body = Pattern(300000);
    WriteFile(server.DocRoot() + QStringLiteral("/setup.exe"), body);
    QTemporaryDir target;

    TWebCopy copy;
    copy.ShowDialog = false;
    copy.Resume = true;
    copy.Retries = 1;
    copy.RetryDelay = 1;
    copy.CaFile = server.CaFile();
    copy.Proxy = QStringLiteral("127.0.0.1:%1").arg(proxy.Port());
    copy.ProxyUserID = QStringLiteral("pat");
    copy.ProxyPassword = QStringLiteral("proxypw");
    TWebCopyItem* item = copy.Items().Add();
    item->URL = server.BaseUrl() + QStringLiteral("/setup.exe?drop=150000&drops=1&ranges=1&auth=ann:secret");
    item->HTTPUserID = QStringLiteral("ann");
    item->HTTPPassword = QStringLiteral("secret");
    item->Authenticate = waAuto;
    item->TargetDir = target.path();
    copy.Execute();
    ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(target.filePath(QStringLiteral("setup.exe"))), body);

    QStringList ranges;
    for (const QJsonObject& request : server.Requests()) {
        const QJsonObject headers = request.value(QStringLiteral("headers")).toObject();
        if (headers.contains(QStringLiteral("authorization")))
            ranges << headers.value(QStringLiteral("range")).toString();
    }
    EXPECT_EQ(ranges, (QStringList{QString(), QStringLiteral("bytes=150000-")}));
    EXPECT_FALSE(proxy.RequestLines().isEmpty()) << "the download went through the proxy";
}

TEST_F(HttpResume, ATargetOnAShareStartsOverAndKeepsNothing)
{
    TSmbServerFixture share;
    const QString password = QStringLiteral("sharepw");
    switch (share.Start(password)) {
    case TSmbServerFixture::TStart::Running:
        break;
    case TSmbServerFixture::TStart::Skipped:
        GTEST_SKIP() << share.Message().toStdString();
    case TSmbServerFixture::TStart::Failed:
        FAIL() << share.Message().toStdString();
    }
    FWebCopy.Retries = 1;
    const qsizetype before = FServer.Requests().size();
    TWebCopyItem* item = Download("drop=150000&drops=1&ranges=1");
    item->TargetDir = share.ShareName();
    item->FTPUserID = share.UserName();
    item->FTPPassword = password;
    FWebCopy.Execute();
    ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(share.ShareDirectory() + QStringLiteral("/setup.exe")), FBody);
    EXPECT_EQ(QDir(share.ShareDirectory()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("setup.exe")});
    ASSERT_EQ(FServer.Requests().size() - before, 2);
    EXPECT_TRUE(RequestHeader(before + 1, "range").isEmpty()) << "the share writer keeps no part to continue";
}
