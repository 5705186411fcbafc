// FTP items of a copy run against a real local FTP server.
#include "platform/AtomicFileWriter.h"
#include "platform/FtpConnection.h"
#include "platform/InternetSession.h"
#include "tests/support/FtpServerFixture.h"
#include "tests/support/TestFiles.h"
#include "webcopy/DateTime.h"
#include "webcopy/ResumeIdentity.h"
#include "webcopy/WebCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

using testsupport::Pattern;
using testsupport::WriteFile;

QByteArray ReadFile(const QString& path)
{
    return testsupport::ReadFile(path, "<missing>");
}

// The file's last-write time, seconds from 1970.
void SetModified(const QString& path, qint64 secs)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(secs), QFileDevice::FileModificationTime));
}

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

class FtpTransfer : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void Start(const QStringList& options = {})
    {
        FServer.Stop();
        ASSERT_TRUE(FServer.Start(options)) << FServer.Message().toStdString();
        FWebCopy.ShowDialog = false;
        FWebCopy.FTPPassive = true;
        FWebCopy.OnError = [this](QObject*, int code) { FEvents << QStringLiteral("error %1").arg(code); };
        FWebCopy.OnURLNotFound = [this](QObject*, const QString& url) { FEvents << QStringLiteral("not found ") + url; };
        FWebCopy.OnMultiFTPFileDone = [this](QObject*, const QString& name) { FEvents << QStringLiteral("done ") + name; };
        FWebCopy.OnRemovedFile = [this](QObject*, int idx) { FEvents << QStringLiteral("removed %1").arg(idx); };
        FWebCopy.OnRemovedFileFailed = [this](QObject*, int idx) { FEvents << QStringLiteral("not removed %1").arg(idx); };
    }
    TWebCopyItem* Add(TWebCopyProtocol protocol, const QString& url, const QString& targetDir = {},
                      const QString& targetFilename = {}, const QString& user = QStringLiteral("writer"))
    {
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->Protocol = protocol;
        item->URL = url;
        item->TargetDir = targetDir;
        item->TargetFilename = targetFilename;
        item->FTPHost = QStringLiteral("127.0.0.1");
        item->FTPPort = FServer.Port();
        item->FTPUserID = user;
        item->FTPPassword = QStringLiteral("secret");
        return item;
    }
    QString Target() const { return FTarget.filePath(QStringLiteral("target")); }
    // The listing commands the server took so far.
    int Listings() const
    {
        return FServer.Commands(QStringLiteral("LIST")).size() + FServer.Commands(QStringLiteral("MLSD")).size()
            + FServer.Commands(QStringLiteral("NLST")).size();
    }
    QString Remote(const QString& path) const { return FServer.Root() + QLatin1Char('/') + path; }

    TFtpServerFixture FServer;
    TWebCopy FWebCopy;
    QTemporaryDir FTarget;
    QStringList FEvents;
};

TEST_F(FtpTransfer, DownloadsFilesAndReportsWhatItCannotFetch)
{
    const QByteArray data = Pattern(100000);
    WriteFile(Remote(QStringLiteral("pub/tools/setup.bin")), data);
    WriteFile(Remote(QStringLiteral("top.txt")), "top");
    QDir().mkpath(Remote(QStringLiteral("pub/folder")));
    struct Case {
        QString Url, Given, TargetName;
        bool Success;
        QByteArray Expected;  // in the target, or "<missing>"
        QString Event;
    };
    const Case cases[] = {
        {QStringLiteral("pub/tools/setup.bin"), {}, QStringLiteral("setup.bin"), true, data, {}},
        {QStringLiteral("/pub/tools/setup.bin"), QStringLiteral("renamed.bin"), QStringLiteral("renamed.bin"), true,
         data, {}},
        {QStringLiteral("top.txt"), {}, QStringLiteral("top.txt"), true, "top", {}},
        {QStringLiteral("pub/missing.bin"), {}, QStringLiteral("missing.bin"), false, "<missing>",
         QStringLiteral("not found pub/missing.bin")},
        {QStringLiteral("pub/folder"), {}, QStringLiteral("folder"), false, "<missing>",
         QStringLiteral("not found pub/folder")},
    };
    for (const Case& c : cases)
        Add(wpFtp, c.Url, Target(), c.Given);
    ASSERT_TRUE(FWebCopy.Execute());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.Url.toStdString());
        EXPECT_EQ(FWebCopy.Items()[i]->Success(), c.Success) << FWebCopy.Items()[i]->ErrorReason().toStdString();
        EXPECT_EQ(ReadFile(Target() + QLatin1Char('/') + c.TargetName), c.Expected);
        if (!c.Event.isEmpty()) {
            EXPECT_TRUE(FEvents.contains(c.Event)) << FEvents.join(QLatin1Char('|')).toStdString();
        }
    }
    EXPECT_FALSE(FEvents.join(QLatin1Char('|')).contains(QStringLiteral("error")));
    // One login for the row: every item names the same server and account.
    EXPECT_EQ(FServer.Logins(), 1);
}

TEST_F(FtpTransfer, ARowOfItemsForOneServerLogsInOnceAndAnUploadEndsTheRow)
{
    WriteFile(Remote(QStringLiteral("a.bin")), "a");
    WriteFile(Remote(QStringLiteral("b.bin")), "b");
    WriteFile(FTarget.filePath(QStringLiteral("up.bin")), "up");
    Add(wpFtp, QStringLiteral("a.bin"), Target());
    Add(wpFtp, QStringLiteral("b.bin"), Target())->FTPPort = FServer.Port();
    Add(wpFtpUpload, FTarget.filePath(QStringLiteral("up.bin")), QStringLiteral("in"));
    Add(wpFtpUpload, FTarget.filePath(QStringLiteral("up.bin")), QStringLiteral("in"), QStringLiteral("second.bin"));
    ASSERT_TRUE(FWebCopy.Execute());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(FWebCopy.Items()[i]->Success()) << i << FWebCopy.Items()[i]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("in/second.bin"))), QByteArray("up"));
    EXPECT_EQ(FServer.Logins(), 2);
}

TEST_F(FtpTransfer, AConnectionIsKeptOnlyForTheSameServerAndAccount)
{
    // The same host and account on another port is another server; a user and password that
    // only run together alike ("ab" + "c", "a" + "bc") are another account.
    TFtpServerFixture other;
    ASSERT_TRUE(other.Start()) << other.Message().toStdString();
    WriteFile(Remote(QStringLiteral("a.bin")), "first");
    WriteFile(other.Root() + QStringLiteral("/b.bin"), "second");
    Add(wpFtp, QStringLiteral("a.bin"), Target());
    Add(wpFtp, QStringLiteral("b.bin"), Target())->FTPPort = other.Port();
    TWebCopyItem* joined = Add(wpFtp, QStringLiteral("a.bin"), Target(), QStringLiteral("joined.bin"),
                               QStringLiteral("writers"));
    joined->FTPPassword = QStringLiteral("ecret");
    FWebCopy.Execute();
    EXPECT_TRUE(FWebCopy.Items()[0]->Success()) << FWebCopy.Items()[0]->ErrorReason().toStdString();
    EXPECT_TRUE(FWebCopy.Items()[1]->Success()) << FWebCopy.Items()[1]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target() + QStringLiteral("/b.bin")), QByteArray("second"));
    EXPECT_EQ(FServer.Logins(), 1);
    EXPECT_EQ(other.Logins(), 1);
    EXPECT_FALSE(FWebCopy.Items()[2]->Success()) << "an unknown account gets nothing";
}

TEST_F(FtpTransfer, ABrokenOrCancelledDownloadLeavesTheEarlierFileAndNoPartialOne)
{
    // The data connection stalls after its first block, so the transfer is in the middle when
    // the server goes or the user cancels.
    Start({QStringLiteral("--stall")});
    WriteFile(Remote(QStringLiteral("big.bin")), Pattern(1024 * 1024));
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancel" : "server gone");
        if (!cancel)
            FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) { FServer.Stop(); };
        else
            FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) { FWebCopy.CancelCopy(); };
        QDir(Target()).removeRecursively();
        WriteFile(Target() + QStringLiteral("/big.bin"), "earlier");
        FWebCopy.Items().Clear();
        Add(wpFtp, QStringLiteral("big.bin"), Target());
        ASSERT_TRUE(FWebCopy.Execute());
        const TWebCopyItem& item = *FWebCopy.Items()[0];
        EXPECT_FALSE(item.Success());
        EXPECT_EQ(item.Cancelled(), cancel);
        if (!cancel) {
            EXPECT_EQ(item.ErrorCode(), 4);
            EXPECT_FALSE(item.ErrorReason().isEmpty());
        }
        EXPECT_EQ(ReadFile(Target() + QStringLiteral("/big.bin")), QByteArray("earlier"));
        EXPECT_EQ(Entries(Target()), QStringList{QStringLiteral("big.bin")});
        if (!cancel)
            Start({QStringLiteral("--stall")});
    }
}

TEST_F(FtpTransfer, NamesFromTheListingStayInsideTheTargetDirectory)
{
    const QString absolute = Remote(QStringLiteral("abs.bin"));
    Start({QStringLiteral("--extra-name"), QStringLiteral("../escape.bin"), QStringLiteral("--extra-name"),
           absolute, QStringLiteral("--extra-name"), QStringLiteral("a/b.bin"), QStringLiteral("--extra-name"),
           QStringLiteral(".."), QStringLiteral("--extra-name"), QStringLiteral(".")});
    WriteFile(Remote(QStringLiteral("escape.bin")), "escape");
    WriteFile(absolute, "absolute");
    WriteFile(Remote(QStringLiteral("pub/a/b.bin")), "nested");
    WriteFile(Remote(QStringLiteral("pub/ok.bin")), "ok");
    WriteFile(Remote(QString::fromUtf8("pub/ctl\x01.bin")), "control");
    const QString inner = FTarget.filePath(QStringLiteral("inner"));
    const QString target = inner + QStringLiteral("/target");
    QDir().mkpath(target);
    Add(wpMultiFtp, QStringLiteral("pub\\*.bin"), target);
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_FALSE(FWebCopy.Items()[0]->Success()) << "names that cannot be fetched fail the item";
    EXPECT_EQ(Entries(inner), QStringList{QStringLiteral("target")});
    EXPECT_EQ(Entries(FTarget.path()), QStringList{QStringLiteral("inner")});
    EXPECT_EQ(ReadFile(target + QStringLiteral("/ok.bin")), QByteArray("ok"));
    for (const QString& name : Entries(target)) {
        EXPECT_FALSE(QFileInfo(target + QLatin1Char('/') + name).isDir()) << name.toStdString();
        for (const QChar c : name)
            EXPECT_GE(c.unicode(), 0x20) << name.toStdString();
    }
    EXPECT_TRUE(FEvents.contains(QStringLiteral("done ok.bin"))) << FEvents.join(QLatin1Char('|')).toStdString();
}

TEST_F(FtpTransfer, AConnectionTheServerDroppedBetweenItemsIsLoggedInAgain)
{
    WriteFile(Remote(QStringLiteral("a.bin")), "a");
    WriteFile(Remote(QStringLiteral("b.bin")), "b");
    Add(wpFtp, QStringLiteral("a.bin"), Target());
    Add(wpFtp, QStringLiteral("b.bin"), Target());
    FWebCopy.OnFileDone = [&](QObject*, int idx) {
        if (idx == 0) {
            ASSERT_TRUE(FServer.DropConnections());
        }
    };
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(FWebCopy.Items()[1]->Success()) << FWebCopy.Items()[1]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target() + QStringLiteral("/b.bin")), QByteArray("b"));
    EXPECT_TRUE(FEvents.isEmpty()) << FEvents.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(FServer.Logins(), 2);
}

TEST_F(FtpTransfer, UploadsCreateTheRemoteDirectoryAndReplaceOnlyWhenComplete)
{
    const QByteArray data = Pattern(50000);
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, data);
    WriteFile(Remote(QStringLiteral("keep/old.bin")), "old");
    struct Case {
        QString RemoteDir, RemoteName, User, Source;
        bool Success;
        QString RemotePath;  // what the server holds afterwards
        QByteArray Expected;
    };
    const Case cases[] = {
        {QStringLiteral("new\\dir/deep"), QString(), QStringLiteral("writer"), source, true,
         QStringLiteral("new/dir/deep/source.bin"), data},
        {QStringLiteral("keep"), QStringLiteral("old.bin"), QStringLiteral("writer"), source, true,
         QStringLiteral("keep/old.bin"), data},
        {QStringLiteral("keep"), QStringLiteral("refused.bin"), QStringLiteral("reader"), source, false,
         QStringLiteral("keep/refused.bin"), "<missing>"},
        {QStringLiteral("keep"), QStringLiteral("nosource.bin"), QStringLiteral("writer"),
         FTarget.filePath(QStringLiteral("none.bin")), false, QStringLiteral("keep/nosource.bin"), "<missing>"},
    };
    for (const Case& c : cases)
        Add(wpFtpUpload, c.Source, c.RemoteDir, c.RemoteName, c.User);
    ASSERT_TRUE(FWebCopy.Execute());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].RemotePath.toStdString());
        EXPECT_EQ(FWebCopy.Items()[i]->Success(), cases[i].Success);
        EXPECT_EQ(ReadFile(Remote(cases[i].RemotePath)), cases[i].Expected);
    }
    // One failure, one event: a missing source is a URL not found, not also an error.
    EXPECT_EQ(FEvents, (QStringList{QStringLiteral("not found ") + source,
                                    QStringLiteral("not found ") + cases[3].Source}));
    EXPECT_EQ(FWebCopy.Items()[3]->ErrorCode(), 1);
    EXPECT_EQ(Entries(Remote(QStringLiteral("keep"))), QStringList{QStringLiteral("old.bin")});
}

TEST_F(FtpTransfer, AnUploadTheServerWillNotRenameFailsAndLeavesNoTemporaryFile)
{
    Start({QStringLiteral("--refuse-rename")});
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, Pattern(10000));
    WriteFile(Remote(QStringLiteral("up/target.bin")), "good");
    Add(wpFtpUpload, source, QStringLiteral("up"), QStringLiteral("target.bin"));
    ASSERT_TRUE(FWebCopy.Execute());
    const TWebCopyItem& item = *FWebCopy.Items()[0];
    EXPECT_FALSE(item.Success());
    EXPECT_TRUE(item.ErrorReason().contains(QStringLiteral("rename"))) << item.ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("up/target.bin"))), QByteArray("good"));
    EXPECT_EQ(Entries(Remote(QStringLiteral("up"))), QStringList{QStringLiteral("target.bin")});
}

TEST_F(FtpTransfer, AnUploadThatBreaksOffFailsAndKeepsTheRemoteFile)
{
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, Pattern(4 * 1024 * 1024));
    WriteFile(Remote(QStringLiteral("target.bin")), "good");
    Add(wpFtpUpload, source, QString(), QStringLiteral("target.bin"));
    FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) { FServer.Stop(); };
    ASSERT_TRUE(FWebCopy.Execute());
    const TWebCopyItem& item = *FWebCopy.Items()[0];
    EXPECT_FALSE(item.Success());
    EXPECT_FALSE(item.ErrorReason().isEmpty());
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("target.bin"))), QByteArray("good"));
}

TEST_F(FtpTransfer, MultiFileUploadSendsEveryMatchOverOneKeptConnection)
{
    const QString local = FTarget.filePath(QStringLiteral("local"));
    for (const char* name : {"1.txt", "2.txt", "3.txt", "x.bin"})
        WriteFile(local + QLatin1Char('/') + QLatin1String(name), QByteArray(name));
    Add(wpMultiFtpUpload, local + QStringLiteral("/*.txt"), QStringLiteral("multi"));
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(FWebCopy.Items()[0]->Success());
    EXPECT_EQ(Entries(Remote(QStringLiteral("multi"))),
              (QStringList{QStringLiteral("1.txt"), QStringLiteral("2.txt"), QStringLiteral("3.txt")}));
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("multi/2.txt"))), QByteArray("2.txt"));
    EXPECT_EQ(FEvents.filter(QStringLiteral("done ")).size(), 3);
    // One login prepares the directory and carries the three files.
    EXPECT_EQ(FServer.Logins(), 1);
}

TEST_F(FtpTransfer, ListingFillsNamesAndDetailsAnew)
{
    WriteFile(Remote(QStringLiteral("pub/a.txt")), "12345");
    WriteFile(Remote(QStringLiteral("pub/b.bin")), "x");
    QDir().mkpath(Remote(QStringLiteral("pub/dir.txt")));
    QFile big(Remote(QStringLiteral("pub/huge.txt")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(5000000000LL));
    big.close();
    TWebCopyItem* item = Add(wpFtpList, QStringLiteral("pub/*.txt"));
    for (int run = 0; run < 2; ++run)
        ASSERT_TRUE(FWebCopy.Execute());
    ASSERT_NE(item->FileList(), nullptr);
    QStringList names = *item->FileList();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("a.txt"), QStringLiteral("dir.txt"), QStringLiteral("huge.txt")}));
    ASSERT_EQ(item->FileDetails()->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const TFileDetailItem& detail = item->FileDetails()->Items(i);
        EXPECT_EQ(detail.Filename, item->FileList()->at(i));
        if (detail.Filename == QLatin1String("huge.txt")) {
            EXPECT_EQ(detail.FileSizeHigh, 1u);
            EXPECT_EQ(detail.FileSizeLow, quint32(5000000000LL - (1LL << 32)));
        }
        EXPECT_EQ(detail.FileAttributes == 0x10, detail.Filename == QLatin1String("dir.txt"));
        EXPECT_NE(detail.FileDate.dwHighDateTime, 0u);
    }
    item->URL = QStringLiteral("pub/*.none");
    ASSERT_TRUE(FWebCopy.Execute());
    ASSERT_NE(item->FileList(), nullptr);
    EXPECT_TRUE(item->FileList()->isEmpty());
    EXPECT_EQ(item->FileDetails()->Count(), 0);
}

TEST_F(FtpTransfer, DeleteTellsTheOutcomeThroughItsEventsAndTestChecksTheLogin)
{
    WriteFile(Remote(QStringLiteral("d/one.bin")), "1");
    WriteFile(Remote(QStringLiteral("d/two.bin")), "2");
    Add(wpFtpDelete, QStringLiteral("whatever/one.bin"), QStringLiteral("d"));
    Add(wpFtpDelete, QStringLiteral("x"), QStringLiteral("d"), QStringLiteral("two.bin"));
    Add(wpFtpDelete, QStringLiteral("gone.bin"), QStringLiteral("d"));
    Add(wpFtpDelete, QStringLiteral("gone.bin"), QStringLiteral("nodir"));
    Add(wpFtpTest, {});
    TWebCopyItem* refused = Add(wpFtpTest, {});
    refused->FTPPassword = QStringLiteral("wrong");
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_EQ(FEvents, (QStringList{QStringLiteral("removed 0"), QStringLiteral("removed 1"),
                                    QStringLiteral("not removed 2"), QStringLiteral("not removed 3"),
                                    QStringLiteral("error 6")}));
    EXPECT_EQ(Entries(Remote(QStringLiteral("d"))), QStringList());
    // A refused delete and a directory that cannot be entered fail their items, with the reason.
    const bool expected[] = {true, true, false, false, true, false};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(FWebCopy.Items()[i]->Success(), expected[i]) << i;
        EXPECT_EQ(FWebCopy.Items()[i]->ErrorReason().isEmpty(), expected[i]) << i;
    }
}

TEST_F(FtpTransfer, LineBreaksInItemFieldsNeverReachTheServer)
{
    WriteFile(Remote(QStringLiteral("victim.bin")), "keep");
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, "data");
    const QString injected = QStringLiteral("x\r\nDELE /victim.bin");
    Add(wpFtp, QStringLiteral("x\r\nDELE victim.bin"), Target());
    Add(wpFtpUpload, source, injected);
    Add(wpFtpUpload, source, QString(), injected);
    Add(wpFtpDelete, QStringLiteral("x"), QString(), injected);
    Add(wpFtpList, injected);
    Add(wpFtpTest, {}, {}, {}, injected);
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(FServer.Commands(QStringLiteral("DELE")).isEmpty());
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("victim.bin"))), QByteArray("keep"));
    for (int i : {0, 1, 2, 5})
        EXPECT_FALSE(FWebCopy.Items()[i]->Success()) << i;
}

TEST_F(FtpTransfer, ADirectoryThatCannotBeEnteredIsNeverStoodInForByTheLoginDirectory)
{
    // The login directory holds what the items ask for, so only entering /missing tells them apart.
    WriteFile(Remote(QStringLiteral("readme.txt")), "the login directory's readme");
    TWebCopyItem* single = Add(wpFtp, QStringLiteral("/missing/readme.txt"), Target());
    TWebCopyItem* multi = Add(wpMultiFtp, QStringLiteral("/missing/*.txt"), Target());
    TWebCopyItem* list = Add(wpFtpList, QStringLiteral("/missing/*"));
    ASSERT_TRUE(FWebCopy.Execute());
    for (const TWebCopyItem* item : {single, multi, list}) {
        SCOPED_TRACE(item->URL.toStdString());
        EXPECT_FALSE(item->Success());
        EXPECT_EQ(item->ErrorCause(), TTransferCause::DirectoryNotFound);
        EXPECT_TRUE(FEvents.contains(QStringLiteral("not found ") + item->URL)) << FEvents.join(QLatin1Char('|')).toStdString();
    }
    EXPECT_TRUE(FEvents.filter(QStringLiteral("done ")).isEmpty());
    EXPECT_TRUE(Entries(Target()).isEmpty());
    EXPECT_TRUE(FServer.Commands(QStringLiteral("RETR")).isEmpty());
    ASSERT_NE(list->FileList(), nullptr);
    EXPECT_TRUE(list->FileList()->isEmpty());
    EXPECT_EQ(list->FileDetails()->Count(), 0);
}

TEST_F(FtpTransfer, ASingleFileIsFetchedByItsExactNameNotAsAPattern)
{
    // Each name read as a pattern would also match its decoy.
    const struct {
        QString name, decoy;
    } cases[] = {
        {QStringLiteral("setup[1].exe"), QStringLiteral("setup1.exe")},
        {QStringLiteral("a*b.txt"), QStringLiteral("aXb.txt")},
        {QStringLiteral("one?.txt"), QStringLiteral("oneX.txt")},
    };
    for (const auto& c : cases) {
        WriteFile(Remote(QStringLiteral("pub/") + c.decoy), "decoy");
        WriteFile(Remote(QStringLiteral("pub/") + c.name), c.name.toUtf8());
        Add(wpFtp, QStringLiteral("pub/") + c.name, Target());
    }
    ASSERT_TRUE(FWebCopy.Execute());
    for (int i = 0; i < int(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].name.toStdString());
        EXPECT_TRUE(FWebCopy.Items()[i]->Success()) << FWebCopy.Items()[i]->ErrorReason().toStdString();
        EXPECT_EQ(ReadFile(Target() + QLatin1Char('/') + cases[i].name), cases[i].name.toUtf8());
    }
    EXPECT_EQ(Entries(Target()).size(), int(std::size(cases)));
}

TEST_F(FtpTransfer, AnItemThatCannotBeSentAsWrittenIsRefusedBeforeAnythingIsSent)
{
    WriteFile(Remote(QStringLiteral("small.txt")), "small");
    WriteFile(Remote(QStringLiteral("sub/small.txt")), "small");
    WriteFile(Remote(QStringLiteral("canary.txt")), "alive");
    const struct {
        const char* name;
        TWebCopyProtocol protocol;
        QString url;
        int port; // 0: the server's
        const char* reasonPart;
    } cases[] = {
        {"CR LF in a download's directory", wpFtp, QStringLiteral("/small.txt\r\nDELE /canary.txt/small.txt"), 0, ""},
        {"LF in a download's directory", wpFtp, QStringLiteral("/sub\nDELE /canary.txt/small.txt"), 0, ""},
        {"NUL in a download's directory", wpFtp, QStringLiteral("/sub") + QChar(0) + QStringLiteral("/small.txt"), 0, ""},
        {"CR LF in a delete's directory", wpFtpDelete, QStringLiteral("/small.txt\r\nDELE /canary.txt/small.txt"), 0, ""},
        {"NUL in a delete's directory", wpFtpDelete, QStringLiteral("/sub") + QChar(0) + QStringLiteral("/small.txt"), 0, ""},
        // 65557 cut to 16 bits is 21: the port must not quietly become another.
        {"a port past 65535", wpFtp, QStringLiteral("/small.txt"), 65557, "65557"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Add(c.protocol, c.url, c.protocol == wpFtp ? Target() : QString());
        if (c.port != 0)
            item->FTPPort = c.port;
        const int recordsBefore = FServer.Records().size();
        ASSERT_TRUE(FWebCopy.Execute());
        EXPECT_FALSE(item->Success());
        EXPECT_EQ(item->ErrorCause(), TTransferCause::InvalidUrl);
        EXPECT_TRUE(item->ErrorReason().contains(QLatin1String(c.reasonPart))) << item->ErrorReason().toStdString();
        EXPECT_EQ(FServer.Records().size(), recordsBefore) << "nothing of the item reached the server";
        EXPECT_EQ(ReadFile(Remote(QStringLiteral("canary.txt"))), QByteArray("alive"));
        EXPECT_EQ(ReadFile(Remote(QStringLiteral("sub/small.txt"))), QByteArray("small"));
        EXPECT_TRUE(Entries(Target()).isEmpty());
    }
}

TEST_F(FtpTransfer, ADeleteWithoutTargetDirTakesTheDirectoryFromItsUrl)
{
    WriteFile(Remote(QStringLiteral("a.txt")), "login directory");
    WriteFile(Remote(QStringLiteral("upload/g1m/a.txt")), "named");
    Add(wpFtpDelete, QStringLiteral("/nosuchdir/a.txt"));
    Add(wpFtpDelete, QStringLiteral("/upload/g1m/a.txt"));
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_EQ(FEvents, (QStringList {QStringLiteral("not removed 0"), QStringLiteral("removed 1")}));
    EXPECT_FALSE(FWebCopy.Items()[0]->Success());
    EXPECT_TRUE(FWebCopy.Items()[1]->Success()) << FWebCopy.Items()[1]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("a.txt"))), QByteArray("login directory"));
    EXPECT_EQ(Entries(Remote(QStringLiteral("upload/g1m"))), QStringList());
}

TEST_F(FtpTransfer, AMultiFileDownloadListsOnceAndSumsUpItsFiles)
{
    const QStringList names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")};
    for (const QString& name : names)
        WriteFile(Remote(QStringLiteral("pub/") + name), name.toUtf8());
    // A directory under a file's name in the target makes that file fail.
    const struct {
        const char* name;
        QStringList blocked;
        std::optional<bool> success;
    } cases[] = {
        {"every file arrives", {}, true},
        {"one file fails", {QStringLiteral("b.txt")}, std::nullopt},
        {"every file fails", names, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(Target()).removeRecursively();
        for (const QString& name : c.blocked)
            QDir().mkpath(Target() + QLatin1Char('/') + name + QStringLiteral("/keep"));
        FEvents.clear();
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Add(wpMultiFtp, QStringLiteral("pub/*.txt"), Target());
        const int listingsBefore = Listings();
        ASSERT_TRUE(FWebCopy.Execute());
        if (c.success) {
            EXPECT_EQ(item->Success(), *c.success);
        }
        QStringList done = FEvents.filter(QStringLiteral("done "));
        done.sort();
        QStringList arrived;
        for (const QString& name : names) {
            if (!c.blocked.contains(name)) {
                arrived << QStringLiteral("done ") + name;
                EXPECT_EQ(ReadFile(Target() + QLatin1Char('/') + name), name.toUtf8());
            }
        }
        EXPECT_EQ(done, arrived);
        EXPECT_EQ(Listings() - listingsBefore, 1) << "one listing for the whole item";
    }
}

TEST_F(FtpTransfer, MultiFileUploadJudgesEveryFileAgainstTheItemsDate)
{
    const QString local = FTarget.filePath(QStringLiteral("local"));
    WriteFile(local + QStringLiteral("/x.txt"), "new x");
    WriteFile(local + QStringLiteral("/y.txt"), "new y");
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 day = 86400;
    // Both server copies are older than the item's date, so both files go. Judged against the
    // previous file's server date instead, the second goes only when its copy is the older one:
    // the two cases swap the dates, so one of them shows it whatever order the files come in.
    for (const bool xIsOlder : {true, false}) {
        SCOPED_TRACE(xIsOlder ? "x older on the server" : "y older on the server");
        WriteFile(Remote(QStringLiteral("multi/x.txt")), "old x");
        WriteFile(Remote(QStringLiteral("multi/y.txt")), "old y");
        SetModified(Remote(QStringLiteral("multi/x.txt")), now - (xIsOlder ? 2 : 1) * day);
        SetModified(Remote(QStringLiteral("multi/y.txt")), now - (xIsOlder ? 1 : 2) * day);
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Add(wpMultiFtpUpload, local + QStringLiteral("/*.txt"), QStringLiteral("multi"));
        item->CopyNewerOnly = true;
        item->FileDate = LocalDateTimeFromUnixTime(now);
        ASSERT_TRUE(FWebCopy.Execute());
        EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
        EXPECT_FALSE(item->NoNewVersion());
        EXPECT_EQ(ReadFile(Remote(QStringLiteral("multi/x.txt"))), QByteArray("new x"));
        EXPECT_EQ(ReadFile(Remote(QStringLiteral("multi/y.txt"))), QByteArray("new y"));
    }
}

TEST_F(FtpTransfer, EveryUploadWritesItsOwnTemporaryName)
{
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, "data");
    Add(wpFtpUpload, source, QStringLiteral("up"), QStringLiteral("target.bin"));
    Add(wpFtpUpload, source, QStringLiteral("up"), QStringLiteral("target.bin"));
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_TRUE(FWebCopy.Items()[1]->Success()) << FWebCopy.Items()[1]->ErrorReason().toStdString();
    const QStringList stored = FServer.Commands(QStringLiteral("STOR"));
    ASSERT_EQ(stored.size(), 2);
    EXPECT_NE(stored[0], stored[1]);
    for (const QString& name : stored)
        EXPECT_FALSE(name.endsWith(QStringLiteral("target.bin"))) << name.toStdString();
    EXPECT_EQ(Entries(Remote(QStringLiteral("up"))), QStringList {QStringLiteral("target.bin")});
}

TEST_F(FtpTransfer, ACancelledOrShrunkenUploadLeavesTheServerAsItWas)
{
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancel" : "the source shrinks");
        WriteFile(source, Pattern(4 * 1024 * 1024));
        WriteFile(Remote(QStringLiteral("up/target.bin")), "good");
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Add(wpFtpUpload, source, QStringLiteral("up"), QStringLiteral("target.bin"));
        FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32) {
            if (cancel)
                FWebCopy.CancelCopy();
            else if (QFileInfo(source).size() > 1000)
                QFile::resize(source, 1000);
        };
        const int storedBefore = FServer.Commands(QStringLiteral("STOR")).size();
        ASSERT_TRUE(FWebCopy.Execute());
        EXPECT_FALSE(item->Success());
        EXPECT_EQ(item->Cancelled(), cancel);
        EXPECT_EQ(item->ErrorCause(), cancel ? TTransferCause::Cancelled : TTransferCause::SourceChanged);
        if (!cancel) {
            EXPECT_TRUE(item->ErrorReason().contains(QStringLiteral("changed"))) << item->ErrorReason().toStdString();
        }
        const QStringList stored = FServer.Commands(QStringLiteral("STOR")).mid(storedBefore);
        ASSERT_EQ(stored.size(), 1);
        // The client may name it by its full path.
        EXPECT_EQ(FServer.Commands(QStringLiteral("DELE")).filter(stored[0]).size(), 1) << "the temporary file is removed";
        EXPECT_EQ(Entries(Remote(QStringLiteral("up"))), QStringList {QStringLiteral("target.bin")});
        EXPECT_EQ(ReadFile(Remote(QStringLiteral("up/target.bin"))), QByteArray("good"));
    }
}

TEST_F(FtpTransfer, ARemoteDirectoryThatCannotBeMadeIsAnErrorWithTheServersReason)
{
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, "data");
    QStringList infos;
    FWebCopy.OnErrorInfo = [&](QObject*, int, const QString& info) { infos << info; };
    TWebCopyItem* item = Add(wpFtpUpload, source, QStringLiteral("made/by/reader"), {}, QStringLiteral("reader"));
    ASSERT_TRUE(FWebCopy.Execute());
    EXPECT_FALSE(item->Success());
    EXPECT_EQ(FEvents, QStringList {QStringLiteral("error 5")});
    EXPECT_EQ(infos, QStringList {QStringLiteral("Cannot create the remote directory made/by/reader")});
    EXPECT_FALSE(item->ErrorReason().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Remote(QStringLiteral("made"))));
}

TEST_F(FtpTransfer, AKeptPartIsContinuedWithRestByASecondServer)
{
    Start({QStringLiteral("--vsftpd")});
    const QByteArray data = Pattern(200000);
    WriteFile(Remote(QStringLiteral("pub/setup.bin")), data);
    const QString url = QStringLiteral("pub/setup.bin");
    // The part a broken download would have kept, described as the server lists the file. Its
    // bytes differ from the server's, so the result shows where the server's bytes began.
    TFtpEntry entry;
    {
        TInternetSession session(QStringLiteral("test"), QString());
        TFtpLogin login;
        login.Host = QStringLiteral("127.0.0.1");
        login.Port = FServer.Port();
        TFtpConnection connection(session, login);
        ASSERT_TRUE(connection.Connect()) << connection.Reason().toStdString();
        ASSERT_TRUE(connection.Stat(url, entry)) << connection.Reason().toStdString();
    }
    TResumeIdentity identity;
    identity.Source = url;
    identity.LastModified = entry.Modified.toString(Qt::ISODateWithMs);
    identity.Length = entry.Size;
    ASSERT_TRUE(identity.IsUsable());
    const QByteArray kept(120000, 'k');
    {
        TAtomicFileWriter writer;
        ASSERT_TRUE(QDir().mkpath(Target()));
        ASSERT_TRUE(writer.OpenResumable(Target() + QStringLiteral("/setup.bin")));
        writer.Restart(identity.ToText());
        ASSERT_TRUE(writer.Write(kept.constData(), kept.size()));
        ASSERT_EQ(writer.Keep(), kept.size());
    }
    FWebCopy.Resume = true;
    TWebCopyItem* item = Add(wpFtp, url, Target());
    item->FTPUserID.clear();
    ASSERT_TRUE(FWebCopy.Execute());
    ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target() + QStringLiteral("/setup.bin")), kept + data.mid(kept.size()));
    EXPECT_EQ(Entries(Target()), QStringList{QStringLiteral("setup.bin")});
}

// vsftpd lists in the Unix LIST format only and knows no MLSD; every kind of item works with it.
TEST_F(FtpTransfer, EveryKindOfItemWorksWithASecondServer)
{
    Start({QStringLiteral("--vsftpd")});
    WriteFile(Remote(QStringLiteral("pub/a.txt")), "alpha");
    WriteFile(Remote(QStringLiteral("pub/one.bin")), Pattern(70000));
    WriteFile(Remote(QStringLiteral("pub/two.bin")), "two");
    WriteFile(Remote(QStringLiteral("pub/del.bin")), "delete me");
    const QString local = FTarget.filePath(QStringLiteral("local"));
    WriteFile(local + QStringLiteral("/x.txt"), "x");
    WriteFile(local + QStringLiteral("/y.txt"), "y");
    const auto anonymous = [](TWebCopyItem* item) { item->FTPUserID.clear(); };
    anonymous(Add(wpFtp, QStringLiteral("pub/a.txt"), Target()));
    anonymous(Add(wpMultiFtp, QStringLiteral("pub/*.bin"), Target() + QStringLiteral("/multi")));
    anonymous(Add(wpFtpUpload, local + QStringLiteral("/x.txt"), QStringLiteral("up/new/deep")));
    anonymous(Add(wpMultiFtpUpload, local + QStringLiteral("/*.txt"), QStringLiteral("many")));
    TWebCopyItem* list = Add(wpFtpList, QStringLiteral("pub/*.bin"));
    anonymous(list);
    anonymous(Add(wpFtpDelete, QStringLiteral("del.bin"), QStringLiteral("pub")));
    anonymous(Add(wpFtpTest, {}));
    ASSERT_TRUE(FWebCopy.Execute());
    for (int i = 0; i < FWebCopy.Items().Count(); ++i)
        EXPECT_TRUE(FWebCopy.Items()[i]->Success()) << i << FWebCopy.Items()[i]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target() + QStringLiteral("/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(ReadFile(Target() + QStringLiteral("/multi/one.bin")), Pattern(70000));
    EXPECT_EQ(ReadFile(Target() + QStringLiteral("/multi/two.bin")), QByteArray("two"));
    EXPECT_EQ(ReadFile(Remote(QStringLiteral("up/new/deep/x.txt"))), QByteArray("x"));
    EXPECT_EQ(Entries(Remote(QStringLiteral("many"))), (QStringList{QStringLiteral("x.txt"), QStringLiteral("y.txt")}));
    ASSERT_NE(list->FileList(), nullptr);
    QStringList names = *list->FileList();
    names.sort();
    // The listing was made before the delete item ran.
    EXPECT_EQ(names, (QStringList{QStringLiteral("del.bin"), QStringLiteral("one.bin"), QStringLiteral("two.bin")}));
    for (int i = 0; i < list->FileDetails()->Count(); ++i) {
        const TFileDetailItem& detail = list->FileDetails()->Items(i);
        if (detail.Filename == QLatin1String("one.bin")) {
            EXPECT_EQ(detail.FileSizeLow, 70000u);
        }
    }
    EXPECT_FALSE(QFile::exists(Remote(QStringLiteral("pub/del.bin"))));
    EXPECT_EQ(FEvents.filter(QStringLiteral("removed 5")), QStringList{QStringLiteral("removed 5")});
}

} // namespace

TEST_F(FtpTransfer, AnUploadNeverReplacesARemoteFileThatMayNotBeWritten)
{
    // A LIST line gives the file's mode; the rename of a temporary file would ignore it.
    Start({QStringLiteral("--no-mlsd")});
    const QString source = FTarget.filePath(QStringLiteral("source.bin"));
    WriteFile(source, Pattern(5000));
    const QString remote = Remote(QStringLiteral("up/locked.bin"));
    WriteFile(remote, "locked");
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(remote, readOnly));
    Add(wpFtpUpload, source, QStringLiteral("up"), QStringLiteral("locked.bin"));
    ASSERT_TRUE(FWebCopy.Execute());
    const TWebCopyItem& item = *FWebCopy.Items()[0];
    EXPECT_FALSE(item.Success());
    EXPECT_TRUE(item.ErrorReason().contains(QStringLiteral("read-only"))) << item.ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(remote), QByteArray("locked"));
    EXPECT_FALSE(QFile::permissions(remote) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    EXPECT_EQ(Entries(Remote(QStringLiteral("up"))), QStringList{QStringLiteral("locked.bin")});
}

TEST_F(FtpTransfer, ADownloadBrokenHalfWayContinuesWithRestUnlessTheServerHasNone)
{
    const struct {
        const char* name;
        const char* option;  // besides --short-first
    } cases[] = {
        {"REST asks for the rest", nullptr},
        {"a server without REST sends it whole", "--no-rest"},
    };
    const QByteArray data = Pattern(200000);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList options{QStringLiteral("--short-first")};
        if (c.option)
            options << QLatin1String(c.option);
        Start(options);
        WriteFile(Remote(QStringLiteral("setup.bin")), data);
        FWebCopy.Items().Clear();
        FWebCopy.Resume = true;
        FWebCopy.Retries = 1;
        FWebCopy.RetryDelay = 1;
        TWebCopyItem* item = Add(wpFtp, QStringLiteral("setup.bin"), FTarget.path());
        // The server's record goes on over restarts.
        const QStringList restsBefore = FServer.Commands(QStringLiteral("REST"));
        const qsizetype retrsBefore = FServer.Commands(QStringLiteral("RETR")).size();
        FWebCopy.Execute();
        ASSERT_TRUE(item->Success()) << item->ErrorReason().toStdString();
        EXPECT_EQ(item->Attempts(), 2);
        EXPECT_EQ(testsupport::ReadFile(FTarget.filePath(QStringLiteral("setup.bin"))), data);
        EXPECT_EQ(QDir(FTarget.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("setup.bin")});
        EXPECT_EQ(FServer.Commands(QStringLiteral("REST")).mid(restsBefore.size()), QStringList{QStringLiteral("100000")});
        EXPECT_EQ(FServer.Commands(QStringLiteral("RETR")).size() - retrsBefore, 2);
        QFile::remove(FTarget.filePath(QStringLiteral("setup.bin")));
    }
}
