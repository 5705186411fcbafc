#include "platform/FtpConnection.h"

#include "platform/InternetSession.h"
#include "tests/support/FtpServerFixture.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>

#include <algorithm>

namespace {

using testsupport::Pattern;
using testsupport::WriteFile;

QByteArray ReadFile(const QString& path)
{
    return testsupport::ReadFile(path, "<missing>");
}

class FtpConnectionTest : public ::testing::Test {
protected:
    void StartServer(const QStringList& options = {})
    {
        ASSERT_TRUE(FServer.Start(options)) << FServer.Message().toStdString();
    }
    TFtpLogin Login(const QString& user = QStringLiteral("writer"), const QString& password = QStringLiteral("secret"))
    {
        TFtpLogin login;
        login.Host = QStringLiteral("127.0.0.1");
        login.Port = FServer.Port();
        login.UserName = user;
        login.Password = password;
        return login;
    }
    std::unique_ptr<TFtpConnection> Connected(const TFtpLogin& login)
    {
        auto connection = std::make_unique<TFtpConnection>(FSession, login);
        EXPECT_TRUE(connection->Connect()) << connection->Reason().toStdString();
        return connection;
    }
    QByteArray Download(TFtpConnection& connection, const QString& path, bool ascii = false)
    {
        if (!connection.OpenRead(path, ascii))
            return "<not opened: " + connection.Reason().toUtf8() + ">";
        QByteArray data;
        char buffer[4096];
        for (;;) {
            const qint64 count = connection.Read(buffer, sizeof buffer);
            if (count < 0)
                return "<failed: " + connection.Reason().toUtf8() + ">";
            if (count == 0)
                return data;
            data.append(buffer, count);
        }
    }
    bool Upload(TFtpConnection& connection, const QString& path, const QByteArray& data, bool ascii = false)
    {
        if (!connection.OpenWrite(path, ascii))
            return false;
        for (qsizetype at = 0; at < data.size(); at += 4096) {
            if (!connection.Write(data.constData() + at, std::min<qsizetype>(4096, data.size() - at)))
                return false;
        }
        return connection.FinishWrite();
    }

    TInternetSession FSession{QStringLiteral("test"), QString()};
    TFtpServerFixture FServer;
};

TEST_F(FtpConnectionTest, LogsInWithBothCredentialsOnlyElseAnonymously)
{
    StartServer();
    struct Case {
        QString User, Password;
        bool Connects;
        QString LoggedInAs;
    };
    const Case cases[] = {
        {QStringLiteral("writer"), QStringLiteral("secret"), true, QStringLiteral("writer")},
        {QStringLiteral("reader"), QStringLiteral("secret"), true, QStringLiteral("reader")},
        {QStringLiteral("writer"), QString(), true, QStringLiteral("anonymous")},
        {QString(), QStringLiteral("secret"), true, QStringLiteral("anonymous")},
        {QStringLiteral("writer"), QStringLiteral("wrong"), false, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.User.toStdString() + "/" + c.Password.toStdString());
        const int before = FServer.Logins();
        TFtpConnection connection(FSession, Login(c.User, c.Password));
        EXPECT_EQ(connection.Connect(), c.Connects);
        if (!c.Connects) {
            EXPECT_FALSE(connection.Reason().isEmpty());
            continue;
        }
        EXPECT_EQ(FServer.Logins(), before + 1);
        QString loggedInAs;
        for (const QJsonObject& record : FServer.Records())
            loggedInAs = record.value(QStringLiteral("login")).toString(loggedInAs);
        EXPECT_EQ(loggedInAs, c.LoggedInAs);
        EXPECT_EQ(connection.CurrentDirectory(), QStringLiteral("/"));
    }
}

TEST_F(FtpConnectionTest, ListsNamesTypesSizesAndTimesWithAndWithoutMlsd)
{
    for (const QStringList& options : {QStringList{}, QStringList{QStringLiteral("--no-mlsd")}}) {
        SCOPED_TRACE(options.join(QLatin1Char(' ')).toStdString());
        TFtpServerFixture server;
        ASSERT_TRUE(server.Start(options)) << server.Message().toStdString();
        WriteFile(server.Root() + QStringLiteral("/pub/a.txt"), "12345");
        WriteFile(server.Root() + QStringLiteral("/pub/b.bin"), Pattern(70000));
        WriteFile(server.Root() + QStringLiteral("/pub/with space.txt"), "x");
        QDir().mkpath(server.Root() + QStringLiteral("/pub/sub.txt"));
        const QDateTime modified(QDate(2025, 3, 4), QTime(5, 6), Qt::UTC);
        QFile stamped(server.Root() + QStringLiteral("/pub/a.txt"));
        ASSERT_TRUE(stamped.open(QIODevice::ReadWrite));
        ASSERT_TRUE(stamped.setFileTime(modified, QFileDevice::FileModificationTime));
        stamped.close();

        TFtpLogin login = Login();
        login.Port = server.Port();
        const auto connection = Connected(login);
        ASSERT_TRUE(connection->ChangeDirectory(QStringLiteral("pub")));
        EXPECT_EQ(connection->CurrentDirectory(), QStringLiteral("/pub"));

        std::vector<TFtpEntry> entries;
        ASSERT_TRUE(connection->List(QStringLiteral("*.txt"), entries)) << connection->Reason().toStdString();
        QStringList names;
        for (const TFtpEntry& entry : entries)
            names << entry.Name;
        names.sort();
        EXPECT_EQ(names, (QStringList{QStringLiteral("a.txt"), QStringLiteral("sub.txt"), QStringLiteral("with space.txt")}));
        for (const TFtpEntry& entry : entries) {
            EXPECT_EQ(entry.IsDirectory, entry.Name == QLatin1String("sub.txt")) << entry.Name.toStdString();
            if (entry.Name == QLatin1String("a.txt")) {
                EXPECT_EQ(entry.Size, 5);
                EXPECT_EQ(entry.Modified.date(), modified.date());
            }
        }
        ASSERT_TRUE(connection->List(QString(), entries));
        EXPECT_EQ(entries.size(), 4u);
        ASSERT_TRUE(connection->List(QStringLiteral("b.bin"), entries));
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].Size, 70000);
        ASSERT_TRUE(connection->List(QStringLiteral("*.none"), entries));
        EXPECT_TRUE(entries.empty());
        QDir().mkpath(server.Root() + QStringLiteral("/empty"));
        ASSERT_TRUE(connection->ChangeDirectory(QStringLiteral("../empty")));
        ASSERT_TRUE(connection->List(QString(), entries)) << connection->Reason().toStdString();
        EXPECT_TRUE(entries.empty());
    }
}

TEST_F(FtpConnectionTest, ReadsWritesCreatesRenamesAndDeletes)
{
    StartServer();
    const QByteArray data = Pattern(300000);
    WriteFile(FServer.Root() + QStringLiteral("/in/data.bin"), data);
    WriteFile(FServer.Root() + QStringLiteral("/in/lines.txt"), "one\r\ntwo\r\n");
    const auto connection = Connected(Login());

    EXPECT_EQ(Download(*connection, QStringLiteral("/in/data.bin")), data);
    EXPECT_EQ(Download(*connection, QStringLiteral("in/lines.txt"), true), QByteArray("one\ntwo\n"));
    EXPECT_TRUE(Download(*connection, QStringLiteral("in/missing.bin")).startsWith("<not opened"));

    ASSERT_TRUE(connection->MakeDirectory(QStringLiteral("out"))) << connection->Reason().toStdString();
    EXPECT_FALSE(connection->MakeDirectory(QStringLiteral("out")));
    EXPECT_FALSE(connection->Reason().isEmpty());
    ASSERT_TRUE(connection->ChangeDirectory(QStringLiteral("out")));
    ASSERT_TRUE(Upload(*connection, QStringLiteral("new.part"), data)) << connection->Reason().toStdString();
    ASSERT_TRUE(connection->Rename(QStringLiteral("new.part"), QStringLiteral("new.bin")));
    EXPECT_EQ(ReadFile(FServer.Root() + QStringLiteral("/out/new.bin")), data);
    EXPECT_FALSE(QFile::exists(FServer.Root() + QStringLiteral("/out/new.part")));
    ASSERT_TRUE(Upload(*connection, QStringLiteral("text.txt"), "a\nb\n", true));
    EXPECT_EQ(ReadFile(FServer.Root() + QStringLiteral("/out/text.txt")), QByteArray("a\nb\n"));
    EXPECT_TRUE(FServer.Commands(QStringLiteral("TYPE")).contains(QStringLiteral("A")));
    ASSERT_TRUE(Upload(*connection, QStringLiteral("empty.bin"), {}));
    EXPECT_EQ(ReadFile(FServer.Root() + QStringLiteral("/out/empty.bin")), QByteArray());

    EXPECT_TRUE(connection->Delete(QStringLiteral("new.bin")));
    EXPECT_FALSE(QFile::exists(FServer.Root() + QStringLiteral("/out/new.bin")));
    EXPECT_FALSE(connection->Delete(QStringLiteral("new.bin")));
    // The connection survives refusals.
    EXPECT_EQ(Download(*connection, QStringLiteral("/out/text.txt")), QByteArray("a\nb\n"));
    EXPECT_EQ(FServer.Logins(), 1);
}

TEST_F(FtpConnectionTest, AUserWithoutWriteRightIsRefusedWithTheServersReason)
{
    StartServer();
    const auto connection = Connected(Login(QStringLiteral("reader")));
    EXPECT_FALSE(Upload(*connection, QStringLiteral("x.bin"), "data"));
    EXPECT_FALSE(connection->Reason().isEmpty());
    EXPECT_FALSE(connection->MakeDirectory(QStringLiteral("d")));
    EXPECT_TRUE(connection->Reason().contains(QStringLiteral("550"))) << connection->Reason().toStdString();
    EXPECT_FALSE(QFile::exists(FServer.Root() + QStringLiteral("/x.bin")));
    EXPECT_FALSE(QFile::exists(FServer.Root() + QStringLiteral("/d")));
}

TEST_F(FtpConnectionTest, LineBreaksAndNulNeverReachTheServer)
{
    StartServer();
    WriteFile(FServer.Root() + QStringLiteral("/victim.txt"), "keep");
    const QString injected = QStringLiteral("x\r\nDELE /victim.txt");
    const QString nul = QStringLiteral("x") + QChar(0) + QStringLiteral("y");
    for (const TFtpLogin& login : {Login(injected), Login(QStringLiteral("writer"), injected),
                                   Login(QStringLiteral("writer"), nul)}) {
        TFtpConnection connection(FSession, login);
        EXPECT_FALSE(connection.Connect());
    }
    TFtpLogin badHost = Login();
    badHost.Host = QStringLiteral("127.0.0.1\r\n");
    EXPECT_FALSE(TFtpConnection(FSession, badHost).Connect());

    const auto connection = Connected(Login());
    std::vector<TFtpEntry> entries;
    EXPECT_FALSE(connection->ChangeDirectory(injected));
    EXPECT_FALSE(connection->MakeDirectory(injected));
    EXPECT_FALSE(connection->Delete(injected));
    EXPECT_FALSE(connection->Rename(injected, QStringLiteral("y")));
    EXPECT_FALSE(connection->OpenRead(injected, false));
    EXPECT_FALSE(connection->OpenWrite(nul, false));
    EXPECT_FALSE(connection->List(injected, entries));
    EXPECT_TRUE(FServer.Commands(QStringLiteral("DELE")).isEmpty());
    EXPECT_EQ(ReadFile(FServer.Root() + QStringLiteral("/victim.txt")), QByteArray("keep"));
    EXPECT_EQ(FServer.Logins(), 1);
}

TEST_F(FtpConnectionTest, AConnectionTheServerDroppedIsLoggedInAgainOnce)
{
    StartServer();
    WriteFile(FServer.Root() + QStringLiteral("/f.txt"), "content");
    const auto connection = Connected(Login());
    std::vector<TFtpEntry> entries;
    ASSERT_TRUE(connection->List(QString(), entries));
    ASSERT_TRUE(FServer.DropConnections());
    EXPECT_TRUE(connection->List(QString(), entries)) << connection->Reason().toStdString();
    EXPECT_EQ(entries.size(), 1u);
    ASSERT_TRUE(FServer.DropConnections());
    EXPECT_EQ(Download(*connection, QStringLiteral("f.txt")), QByteArray("content"));
    ASSERT_TRUE(FServer.DropConnections());
    EXPECT_TRUE(connection->MakeDirectory(QStringLiteral("d"))) << connection->Reason().toStdString();
    EXPECT_EQ(FServer.Logins(), 4);
}

TEST_F(FtpConnectionTest, AForeignAddressInAPassiveReplyIsIgnored)
{
    StartServer({QStringLiteral("--foreign-pasv")});
    WriteFile(FServer.Root() + QStringLiteral("/f.txt"), "content");
    const auto connection = Connected(Login());
    EXPECT_EQ(Download(*connection, QStringLiteral("f.txt")), QByteArray("content"));
    EXPECT_FALSE(FServer.Commands(QStringLiteral("PASV")).isEmpty());
}

TEST_F(FtpConnectionTest, ActiveModeTransfersToo)
{
    StartServer();
    WriteFile(FServer.Root() + QStringLiteral("/f.txt"), "content");
    TFtpLogin login = Login();
    login.Passive = false;
    const auto connection = Connected(login);
    EXPECT_EQ(Download(*connection, QStringLiteral("f.txt")), QByteArray("content"));
    EXPECT_TRUE(FServer.Commands(QStringLiteral("PASV")).isEmpty());
}

TEST_F(FtpConnectionTest, AReadThatBreaksOffFails)
{
    // The data connection stalls after its first block: the server goes in the middle.
    StartServer({QStringLiteral("--stall")});
    WriteFile(FServer.Root() + QStringLiteral("/big.bin"), Pattern(1024 * 1024));
    const auto connection = Connected(Login());
    ASSERT_TRUE(connection->OpenRead(QStringLiteral("big.bin"), false));
    FServer.Stop();
    char buffer[4096];
    qint64 count = 0;
    qint64 total = 0;
    while ((count = connection->Read(buffer, sizeof buffer)) > 0)
        total += count;
    EXPECT_EQ(count, -1) << total;
    EXPECT_FALSE(connection->Reason().isEmpty());
}

} // namespace
