#include "platform/SmbFileWriter.h"
#include "platform/SmbShare.h"
#include "tests/platform/WriterTestFiles.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/webcopy/SmbServerFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace writertest;

TEST(TSmbSharePathTest, SplitsEveryWayOfNamingAPlaceOnAShareAndRefusesWhatCannotBeOne)
{
    enum TKind { Local, Share, Malformed };
    const struct {
        QString Path;
        TKind Kind;
        QString Share;
        QString PathInShare;
    } cases[] = {
        {QStringLiteral("smb://host/share/dir"), Share, QStringLiteral("smb://host/share"), QStringLiteral("dir")},
        {QStringLiteral("SMB://host:4450/share/a/b/"), Share, QStringLiteral("smb://host:4450/share"), QStringLiteral("a/b")},
        {QStringLiteral("\\\\host\\share\\dir\\sub"), Share, QStringLiteral("smb://host/share"), QStringLiteral("dir/sub")},
        {QStringLiteral("smb://[::1]:4450/share/dir"), Share, QStringLiteral("smb://[::1]:4450/share"), QStringLiteral("dir")},
        {QStringLiteral("smb://host/share/a..b/.c"), Share, QStringLiteral("smb://host/share"), QStringLiteral("a..b/.c")},
        {QStringLiteral("/home/user/dir"), Local, {}, {}},
        {QStringLiteral("//tmp/x"), Local, {}, {}},
        {QStringLiteral("//host/share/dir"), Local, {}, {}},
        {QStringLiteral("C:\\dir"), Local, {}, {}},
        {QStringLiteral("smb://host"), Malformed, {}, {}},
        {QStringLiteral("\\\\host"), Malformed, {}, {}},
        {QStringLiteral("smb://host:0/share/dir"), Malformed, {}, {}},
        {QStringLiteral("smb://host:99999/share/dir"), Malformed, {}, {}},
        {QStringLiteral("smb://host:/share"), Malformed, {}, {}},
        {QStringLiteral("smb://user:pw@host/share/dir"), Malformed, {}, {}},
        {QStringLiteral("smb://user@host/share"), Malformed, {}, {}},
        {QStringLiteral("smb:///share/dir"), Malformed, {}, {}},
        {QStringLiteral("\\\\host\\share\\..\\..\\etc"), Malformed, {}, {}},
        {QStringLiteral("\\\\host\\..\\x"), Malformed, {}, {}},
        {QStringLiteral("smb://host/share/./dir"), Malformed, {}, {}},
        {QStringLiteral("smb://host/share/a\tb"), Malformed, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        QString share;
        QString pathInShare;
        EXPECT_EQ(TSmbShare::LooksLikeSharePath(c.Path), c.Kind != Local);
        EXPECT_EQ(TSmbShare::SplitSharePath(c.Path, share, pathInShare), c.Kind == Share);
        EXPECT_EQ(share, c.Share);
        EXPECT_EQ(pathInShare, c.PathInShare);
        if (c.Kind == Malformed) {
            TSmbShare connection;
            EXPECT_FALSE(connection.Connect(c.Path, QString(), QString()));
            EXPECT_EQ(connection.Failure(), TSmbShare::TFailure::NotAShareName);
            EXPECT_EQ(connection.ErrorString(), QStringLiteral("Not a network share name: ") + c.Path
                                                    + QStringLiteral(": ") + connection.Reason());
        }
    }
}

// Writes to a real smbd on 127.0.0.1.
class TSmbFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const TSmbServerFixture::TStart start = FServer.Start(FPassword);
        if (start == TSmbServerFixture::TStart::Skipped)
            GTEST_SKIP() << FServer.Message().toStdString();
        ASSERT_EQ(start, TSmbServerFixture::TStart::Running) << FServer.Message().toStdString();
        ASSERT_TRUE(FShare.Connect(FServer.ShareName(), FServer.UserName(), FPassword))
            << FShare.ErrorString().toStdString();
    }

    QString local(const QString& relative) const { return FServer.ShareDirectory() + QLatin1Char('/') + relative; }
    QStringList entries(const QString& relative) const
    {
        return QDir(local(relative)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    const QString FPassword = QStringLiteral("s3cret pass");
    const QByteArray FOld = QByteArrayLiteral("the previous, complete version");
    TSmbServerFixture FServer;
    TSmbShare FShare;
};

TEST_F(TSmbFileWriterTest, WritesIntoNewDirectoriesAndShowsTheFileOnlyWhenComplete)
{
    ASSERT_TRUE(FShare.CreateDirectories(QStringLiteral("new\\sub"))) << FShare.ErrorString().toStdString();
    EXPECT_TRUE(FShare.CreateDirectories(QStringLiteral("new/sub"))) << "already there";
    const QByteArray data = pattern(2 * TSmbFileWriter::BufferSize + 1234);

    TSmbFileWriter writer;
    ASSERT_TRUE(writer.Open(FShare, QStringLiteral("new/sub/setup.exe"))) << writer.ErrorString().toStdString();
    ASSERT_TRUE(writeInBlocks(writer, data)) << writer.ErrorString().toStdString();
    EXPECT_FALSE(FShare.FileExists(QStringLiteral("new/sub/setup.exe")));
    EXPECT_TRUE(FShare.FileExists(writer.TemporaryPath())) << writer.TemporaryPath().toStdString();
    EXPECT_TRUE(writer.TemporaryPath().startsWith(QStringLiteral("new/sub/.setup.exe.")));

    ASSERT_TRUE(writer.Commit()) << writer.ErrorString().toStdString();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(FShare.FileExists(QStringLiteral("new/sub/setup.exe")));
    EXPECT_FALSE(FShare.FileExists(QStringLiteral("new/sub"))) << "a directory is no file";
    EXPECT_EQ(contents(local(QStringLiteral("new/sub/setup.exe"))), data);
    EXPECT_EQ(entries(QStringLiteral("new/sub")), QStringList{QStringLiteral("setup.exe")});
}

TEST_F(TSmbFileWriterTest, AnExistingFileIsReplacedAtCommitAndKeptOtherwise)
{
    const QByteArray data = pattern(3 * Block + 17);
    enum class TEnd { Commit, Discard, Destroy };
    const struct {
        TEnd End;
        bool Replaced;
    } cases[] = {{TEnd::Commit, true}, {TEnd::Discard, false}, {TEnd::Destroy, false}};
    for (const auto& c : cases) {
        writeFile(local(QStringLiteral("kept.bin")), FOld);
        {
            TSmbFileWriter writer;
            ASSERT_TRUE(writer.Open(FShare, QStringLiteral("kept.bin"))) << writer.ErrorString().toStdString();
            ASSERT_TRUE(writeInBlocks(writer, data));
            EXPECT_EQ(contents(local(QStringLiteral("kept.bin"))), FOld);
            if (c.End == TEnd::Commit)
                EXPECT_TRUE(writer.Commit()) << writer.ErrorString().toStdString();
            else if (c.End == TEnd::Discard)
                writer.Discard();
        }
        EXPECT_EQ(contents(local(QStringLiteral("kept.bin"))), c.Replaced ? data : FOld) << int(c.End);
        EXPECT_EQ(entries(QString()), QStringList{QStringLiteral("kept.bin")}) << int(c.End);
    }
}

TEST_F(TSmbFileWriterTest, CommitNoReplaceNeverReplacesAFileThatCameMeanwhile)
{
    const QByteArray data = pattern(3 * Block);
    TSmbFileWriter writer;
    ASSERT_TRUE(writer.Open(FShare, QStringLiteral("setup.exe"))) << writer.ErrorString().toStdString();
    ASSERT_TRUE(writeInBlocks(writer, data));
    expectCommitNoReplaceKeepsTheNewcomer(writer, data, local(QStringLiteral("setup.exe")),
                                          QStringLiteral("setup (1).exe"), local(QStringLiteral("setup (1).exe")));
    EXPECT_EQ(entries(QString()), QStringList({QStringLiteral("setup (1).exe"), QStringLiteral("setup.exe")}));
}

TEST_F(TSmbFileWriterTest, FailuresOnTheShareSayWhyInTheSystemsWords)
{
    ASSERT_TRUE(QDir(FServer.ShareDirectory()).mkdir(QStringLiteral("dir")));
    const struct {
        QString Path;
        int Error;
    } cases[] = {
        {QStringLiteral("dir"), EISDIR},
        {QString(), EISDIR},
        {QStringLiteral("missing/file.bin"), ENOENT},
    };
    for (const auto& c : cases) {
        TSmbFileWriter writer;
        EXPECT_FALSE(writer.Open(FShare, c.Path)) << c.Path.toStdString();
        EXPECT_EQ(writer.Error(), c.Error) << c.Path.toStdString();
        EXPECT_EQ(writer.Reason(), qt_error_string(c.Error)) << c.Path.toStdString();
        EXPECT_TRUE(writer.ErrorString().endsWith(writer.Reason())) << writer.ErrorString().toStdString();
    }
    EXPECT_FALSE(FShare.OpenFile(QStringLiteral("missing.bin")));
    EXPECT_EQ(FShare.Reason(), QStringLiteral("No such file or directory"));
    EXPECT_TRUE(FShare.ErrorString().contains(QStringLiteral("missing.bin"))) << FShare.ErrorString().toStdString();

    writeFile(local(QStringLiteral("file")), FOld);
    EXPECT_FALSE(FShare.CreateDirectories(QStringLiteral("file/sub")));
    EXPECT_EQ(FShare.Reason(), QStringLiteral("File exists"));
    EXPECT_EQ(entries(QString()), (QStringList{QStringLiteral("dir"), QStringLiteral("file")}));
}

TEST_F(TSmbFileWriterTest, AReadOrAWriteOnAServerThatVanishedFailsAndSaysWhy)
{
    writeFile(local(QStringLiteral("source.bin")), pattern(4 * 1024 * 1024));
    const std::unique_ptr<TSmbFileReader> reader = FShare.OpenFile(QStringLiteral("source.bin"));
    ASSERT_TRUE(reader) << FShare.ErrorString().toStdString();
    TSmbFileWriter writer;
    ASSERT_TRUE(writer.Open(FShare, QStringLiteral("target.bin"))) << writer.ErrorString().toStdString();
    char buffer[4096];
    ASSERT_EQ(reader->Read(buffer, sizeof buffer), qint64(sizeof buffer));
    ASSERT_TRUE(writer.Write(buffer, sizeof buffer));

    ASSERT_TRUE(FServer.Crash());
    // What was read ahead before the crash still comes; the next request to the server fails.
    qint64 count = 0;
    qint64 afterCrash = 0;
    while ((count = reader->Read(buffer, sizeof buffer)) > 0 && afterCrash < TSmbFileReader::ReadAheadSize)
        afterCrash += count;
    EXPECT_EQ(count, -1);
    EXPECT_FALSE(reader->Reason().isEmpty());
    EXPECT_FALSE(writeInBlocks(writer, pattern(2 * TSmbFileWriter::BufferSize)) && writer.Commit());
    EXPECT_NE(writer.Error(), 0);
    EXPECT_EQ(writer.Reason(), qt_error_string(writer.Error()));
    EXPECT_FALSE(QFile::exists(local(QStringLiteral("target.bin"))));
}

// A port on 127.0.0.1 that is bound but takes no connections, for as long as it lives.
class TClosedPort {
public:
    TClosedPort()
    {
        FSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (FSocket >= 0 && ::bind(FSocket, reinterpret_cast<sockaddr*>(&address), size) == 0
            && ::getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            FPort = ntohs(address.sin_port);
    }
    ~TClosedPort() { ::close(FSocket); }
    TClosedPort(const TClosedPort&) = delete;
    TClosedPort& operator=(const TClosedPort&) = delete;

    quint16 Port() const { return FPort; }

private:
    int FSocket = -1;
    quint16 FPort = 0;
};

TEST_F(TSmbFileWriterTest, AWrongPasswordOrAnUnreachableShareFailsWithAReason)
{
    TClosedPort closed;
    ASSERT_NE(closed.Port(), 0);
    const struct {
        QString Share;
        QString Password;
        QString Reason;
    } cases[] = {
        {FServer.ShareName(), QStringLiteral("wrong"), QStringLiteral("The share did not accept the user name or password")},
        {QStringLiteral("smb://127.0.0.1:%1/files").arg(closed.Port()), FPassword, QStringLiteral("Connection refused")},
    };
    for (const auto& c : cases) {
        TSmbShare share;
        EXPECT_FALSE(share.Connect(c.Share, FServer.UserName(), c.Password)) << c.Share.toStdString();
        EXPECT_FALSE(share.IsConnected());
        EXPECT_EQ(share.Reason(), c.Reason) << c.Share.toStdString();
        EXPECT_EQ(share.Failure(), c.Password == FPassword ? TSmbShare::TFailure::Other : TSmbShare::TFailure::LoginRefused);
        EXPECT_TRUE(share.ErrorString().contains(c.Share)) << share.ErrorString().toStdString();
        TSmbFileWriter writer;
        EXPECT_FALSE(writer.Open(share, QStringLiteral("file.bin")));
        EXPECT_EQ(writer.Error(), ENOTCONN);
    }
}

TEST_F(TSmbFileWriterTest, ASilentServerIsGivenUpAfterTheTimeOut)
{
    // The HTTP test server waits for a line that the share client never sends.
    THttpServerFixture silent;
    ASSERT_TRUE(silent.Start()) << silent.Message().toStdString();
    TSmbShare share;
    share.SetTimeoutMs(1000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(share.Connect(QStringLiteral("smb://127.0.0.1:%1/files").arg(silent.Port()), FServer.UserName(), FPassword));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(share.Reason().isEmpty());
}

TEST_F(TSmbFileWriterTest, PathsWithDotSegmentsAreRefusedOnTheShare)
{
    for (const QString& path : {QStringLiteral("../outside.bin"), QStringLiteral("dir\\..\\..\\x.bin"),
                                QStringLiteral("./a.bin")}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(FShare.OpenFile(path));
        EXPECT_EQ(FShare.Failure(), TSmbShare::TFailure::NotAShareName);
        EXPECT_FALSE(FShare.CreateDirectories(path));
        TSmbFileWriter writer;
        EXPECT_FALSE(writer.Open(FShare, path));
        EXPECT_EQ(writer.Error(), EINVAL);
    }
    EXPECT_TRUE(entries(QString()).isEmpty());
}

} // namespace
