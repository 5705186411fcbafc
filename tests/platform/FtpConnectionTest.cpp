#include "platform/FtpConnection.h"

#include "platform/InternetErrors.h"
#include "platform/InternetSession.h"
#include "tests/support/FtpServerFixture.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>

#include <algorithm>
#include <optional>

namespace {

using testsupport::Pattern;
using testsupport::WriteFile;

QByteArray ReadFile(const QString& path)
{
    return testsupport::ReadFile(path, "<missing>");
}

QStringList Names(const std::vector<TFtpEntry>& entries)
{
    QStringList names;
    for (const TFtpEntry& entry : entries)
        names << entry.Name;
    names.sort();
    return names;
}

QStringList Sorted(const std::vector<QString>& texts)
{
    QStringList sorted(texts.begin(), texts.end());
    sorted.sort();
    return sorted;
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
    QByteArray Download(TFtpConnection& connection, const QString& path, bool ascii = false, qint64 listedSize = -1)
    {
        if (!connection.OpenRead(path, ascii, 0, listedSize))
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
        EXPECT_EQ(connection.Anonymous(), c.LoggedInAs == QLatin1String("anonymous"));
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

TEST_F(FtpConnectionTest, ListedNamesThatAreNoPlainNameAreSkippedNeverShortenedAndExactNamesAreFound)
{
    for (const QStringList& options : {QStringList{}, QStringList{QStringLiteral("--no-mlsd")}}) {
        SCOPED_TRACE(options.join(QLatin1Char(' ')).toStdString());
        // "../outside.txt" is listed as the file it leads to, outside the listed folder.
        TFtpServerFixture server;
        ASSERT_TRUE(server.Start(options + QStringList{QStringLiteral("--extra-name"), QStringLiteral("../outside.txt")}))
            << server.Message().toStdString();
        const QString pub = server.Root() + QStringLiteral("/pub/");
        WriteFile(server.Root() + QStringLiteral("/outside.txt"), "outside");
        const QStringList hostile = {QStringLiteral("cr\rhere.bin"), QStringLiteral("a\x1b[2Jb"),
                                     QStringLiteral("ok\x02.txt"), QStringLiteral("tab\there")};
        const QStringList plain = {QStringLiteral("a\\b"), QStringLiteral("cr"), QStringLiteral("setup[1].exe"),
                                   QStringLiteral("x*")};
        for (const QString& name : hostile + plain)
            WriteFile(pub + name, name.toUtf8());

        TFtpLogin login = Login();
        login.Port = server.Port();
        const auto connection = Connected(login);
        ASSERT_TRUE(connection->ChangeDirectory(QStringLiteral("pub")));
        std::vector<TFtpEntry> entries;
        ASSERT_TRUE(connection->List(QString(), entries)) << connection->Reason().toStdString();
        QStringList expected = plain;
        expected.sort();
        EXPECT_EQ(Names(entries), expected);
        QStringList skipped = hostile + QStringList{QStringLiteral("../outside.txt")};
        skipped.sort();
        EXPECT_EQ(Sorted(connection->SkippedNames()), skipped);
        ASSERT_TRUE(connection->List(QStringLiteral("*.bin"), entries));
        EXPECT_EQ(Sorted(connection->SkippedNames()), QStringList{QStringLiteral("cr\rhere.bin")});

        // A name is looked up as it is written, never as a pattern, and fetched by it.
        for (const QString& name : plain) {
            SCOPED_TRACE(name.toStdString());
            TFtpEntry entry;
            ASSERT_TRUE(connection->Stat(name, entry)) << connection->Reason().toStdString();
            EXPECT_EQ(entry.Name, name);
            EXPECT_EQ(entry.Size, name.toUtf8().size());
            EXPECT_EQ(Download(*connection, name), name.toUtf8());
        }
        TFtpEntry entry;
        ASSERT_TRUE(connection->Stat(QStringLiteral("/pub/cr"), entry));
        EXPECT_FALSE(connection->Stat(QStringLiteral("setup?1?.exe"), entry));
        EXPECT_EQ(connection->ErrorCode(), ieServerRefused);
        EXPECT_FALSE(connection->Stat(QStringLiteral("a\x1b[2Jb"), entry));
        EXPECT_FALSE(connection->Stat(QStringLiteral("/missing/cr"), entry));
        EXPECT_FALSE(connection->Reason().isEmpty());
    }
}

TEST_F(FtpConnectionTest, ListedSizesDatesAndWriteRightsAsTheServerGivesThem)
{
    struct Case {
        QString Name;
        qint64 Size;
        int Year;  // 0: no date
        std::optional<bool> Writable;
    };
    struct Listing {
        QStringList Options;
        QStringList Lines;
        std::vector<Case> Cases;
    };
    const int thisYear = QDate::currentDate().year();
    const std::vector<Listing> listings = {
        {{},
         {QStringLiteral("type=file;size=-5;modify=20250101000000; negative.bin"),
          QStringLiteral("type=file;size=99999999999999999999999; huge.bin"),
          QStringLiteral("type=file;size=12;modify=19650102030405;perm=adfr; readonly.bin"),
          QStringLiteral("type=file;size=0;perm=adfrw; writable.bin"),
          QStringLiteral("type=dir;sizd=4096;perm=el; folder"),
          QStringLiteral("type=cdir; ."), QStringLiteral("type=file;size=1; ..")},
         {{QStringLiteral("negative.bin"), TFtpEntry::UnknownSize, 2025, std::nullopt},
          {QStringLiteral("huge.bin"), TFtpEntry::UnknownSize, 0, std::nullopt},
          {QStringLiteral("readonly.bin"), 12, 1965, false},
          {QStringLiteral("writable.bin"), 0, 0, true},
          {QStringLiteral("folder"), TFtpEntry::UnknownSize, 0, std::nullopt}}},
        {{QStringLiteral("--no-mlsd")},
         {QStringLiteral("total 3"),
          QStringLiteral("-r--r--r--    1 ftp      ftp             5 Jan  1  1965 old.bin"),
          QStringLiteral("-rw-r--r--    1 ftp      ftp             7 Jan  1 00:00 recent.bin"),
          QStringLiteral("drwxr-xr-x    2 ftp      ftp          4096 Jan  1  2020 dir"),
          QStringLiteral("lrwxrwxrwx    1 ftp      ftp             6 Feb  2  2021 link -> target"),
          QStringLiteral("01-01-65  12:00AM                    9 dos2.bin"),
          QStringLiteral("01-01-1965  01:30PM                  9 dos4.bin"),
          QStringLiteral("01-01-25  01:30PM       <DIR>          dosdir")},
         {{QStringLiteral("old.bin"), 5, 1965, false},
          {QStringLiteral("recent.bin"), 7, thisYear, true},
          {QStringLiteral("dir"), 4096, 2020, std::nullopt},
          {QStringLiteral("link"), 6, 2021, true},
          {QStringLiteral("dos2.bin"), 9, 2065, std::nullopt},
          {QStringLiteral("dos4.bin"), 9, 1965, std::nullopt},
          {QStringLiteral("dosdir"), TFtpEntry::UnknownSize, 2025, std::nullopt}}},
    };
    for (const Listing& listing : listings) {
        QStringList options = listing.Options;
        for (const QString& line : listing.Lines)
            options << QStringLiteral("--listing-line") << line;
        TFtpServerFixture server;
        ASSERT_TRUE(server.Start(options)) << server.Message().toStdString();
        TFtpLogin login = Login();
        login.Port = server.Port();
        const auto connection = Connected(login);
        std::vector<TFtpEntry> entries;
        ASSERT_TRUE(connection->List(QString(), entries)) << connection->Reason().toStdString();
        EXPECT_EQ(entries.size(), listing.Cases.size());
        EXPECT_EQ(Sorted(connection->SkippedNames()),
                  listing.Options.isEmpty() ? QStringList{QStringLiteral("..")} : QStringList{});
        for (const Case& c : listing.Cases) {
            SCOPED_TRACE(c.Name.toStdString());
            const auto entry = std::find_if(entries.begin(), entries.end(),
                                            [&](const TFtpEntry& listed) { return listed.Name == c.Name; });
            ASSERT_NE(entry, entries.end());
            EXPECT_EQ(entry->Size, c.Size);
            EXPECT_EQ(entry->Modified.isValid() ? entry->Modified.date().year() : 0, c.Year);
            EXPECT_EQ(entry->Writable, c.Writable);
        }
    }
}

TEST_F(FtpConnectionTest, AFilesWriteRightComesFromTheListing)
{
    struct Case {
        QStringList Options;
        QString User;
        QFile::Permissions Mode;
        std::optional<bool> Writable;
    };
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const QFile::Permissions ownerWrites = readOnly | QFile::WriteOwner;
    const Case cases[] = {
        // MLSD's "perm" fact says what the account may do.
        {{}, QStringLiteral("writer"), ownerWrites, true},
        {{}, QStringLiteral("reader"), ownerWrites, false},
        // LIST says only the file's mode.
        {{QStringLiteral("--no-mlsd")}, QStringLiteral("writer"), readOnly, false},
        {{QStringLiteral("--no-mlsd")}, QStringLiteral("writer"), ownerWrites, true},
        {{QStringLiteral("--vsftpd")}, QString(), readOnly, false},
        {{QStringLiteral("--vsftpd")}, QString(), ownerWrites, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.Options.join(QLatin1Char(' ')) + QLatin1Char(' ') + c.User).toStdString());
        TFtpServerFixture server;
        ASSERT_TRUE(server.Start(c.Options)) << server.Message().toStdString();
        const QString path = server.Root() + QStringLiteral("/f.bin");
        WriteFile(path, "data");
        ASSERT_TRUE(QFile::setPermissions(path, c.Mode));
        TFtpLogin login = Login(c.User);
        login.Port = server.Port();
        const auto connection = Connected(login);
        TFtpEntry entry;
        ASSERT_TRUE(connection->Stat(QStringLiteral("f.bin"), entry)) << connection->Reason().toStdString();
        EXPECT_EQ(entry.Writable, c.Writable);
    }
}

TEST_F(FtpConnectionTest, AListingPastItsBoundFailsWithAReason)
{
    StartServer({QStringLiteral("--endless-listing")});
    const auto connection = Connected(Login());
    std::vector<TFtpEntry> entries;
    EXPECT_FALSE(connection->List(QString(), entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(connection->Reason(), QStringLiteral("The server's listing is larger than 64 MiB."));
    EXPECT_EQ(connection->ErrorCode(), ieInvalidServerResponse);
}

TEST_F(FtpConnectionTest, AReadInAsciiModeShorterThanAnnouncedFailsAsInBinaryMode)
{
    // The server announces 100 000 bytes, sends half and confirms.
    StartServer({QStringLiteral("--short-data")});
    WriteFile(FServer.Root() + QStringLiteral("/f.txt"), QByteArray(100000, 'x'));
    const auto connection = Connected(Login());
    for (const bool ascii : {false, true}) {
        SCOPED_TRACE(ascii ? "ascii" : "binary");
        const QByteArray got = Download(*connection, QStringLiteral("f.txt"), ascii);
        EXPECT_TRUE(got.startsWith("<failed")) << got.size();
        EXPECT_EQ(connection->ErrorCode(), ieConnectionAborted) << connection->Reason().toStdString();
    }
}

TEST_F(FtpConnectionTest, AReadOfAListedFileAsksNoSizeFirstAndEndsWholeOnlyAtAConfirmedSize)
{
    struct Case {
        const char* What;
        QString Option;
        qint64 Listed;
        bool Whole;
        const char* Reason;
        int SizesAsked;
    };
    const Case cases[] = {
        {"as listed", {}, 100000, true, "", 0},
        // The file changed since the listing: the server's size now decides.
        {"changed since the listing", {}, 70000, true, "", 1},
        {"short, announced", QStringLiteral("--short-data"), 100000, false, "The server announced 100000 bytes and sent 50000.", 0},
        {"short, unannounced", QStringLiteral("--short-quiet"), 100000, false, "The server lists 100000 bytes and sent 50000.", 1},
        // Without a listed size libcurl asks first and checks the count itself.
        {"short, size unlisted", QStringLiteral("--short-quiet"), -1, false, "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TFtpServerFixture server;
        ASSERT_TRUE(server.Start(c.Option.isEmpty() ? QStringList() : QStringList{c.Option})) << server.Message().toStdString();
        const QByteArray content = Pattern(100000);
        WriteFile(server.Root() + QStringLiteral("/f.bin"), content);
        TFtpLogin login = Login();
        login.Port = server.Port();
        const auto connection = Connected(login);
        const QByteArray got = Download(*connection, QStringLiteral("f.bin"), false, c.Listed);
        if (c.Whole) {
            EXPECT_EQ(got, content) << got.left(100).toStdString();
        } else {
            EXPECT_TRUE(got.startsWith("<failed")) << got.left(100).toStdString();
            EXPECT_EQ(connection->ErrorCode(), ieConnectionAborted);
            if (*c.Reason) {
                EXPECT_EQ(connection->Reason(), QLatin1String(c.Reason));
            }
        }
        EXPECT_EQ(server.Commands(QStringLiteral("SIZE")).size(), c.SizesAsked);
    }
}

TEST_F(FtpConnectionTest, AStallOrATrickleIsATimeOutWithinTheSessionsTimeOut)
{
    for (const QString& misbehaviour : {QStringLiteral("--silent-data"), QStringLiteral("--trickle")}) {
        SCOPED_TRACE(misbehaviour.toStdString());
        TFtpServerFixture server;
        ASSERT_TRUE(server.Start({misbehaviour})) << server.Message().toStdString();
        WriteFile(server.Root() + QStringLiteral("/f.bin"), Pattern(8192));
        TInternetSession session(QStringLiteral("test"), QString());
        session.SetTimeouts(3000, 3000, 3000);
        TFtpLogin login = Login();
        login.Port = server.Port();
        TFtpConnection connection(session, login);
        ASSERT_TRUE(connection.Connect()) << connection.Reason().toStdString();
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(Download(connection, QStringLiteral("f.bin")).left(4), misbehaviour == QLatin1String("--silent-data")
                                                                         ? QByteArray("<not")
                                                                         : QByteArray("<fai"));
        EXPECT_LT(clock.elapsed(), 8000);
        EXPECT_EQ(connection.ErrorCode(), ieTimeout) << connection.Reason().toStdString();
    }
}

TEST_F(FtpConnectionTest, TheLogoutWaitsOnlyShortlyForASilentServer)
{
    StartServer({QStringLiteral("--silent-quit")});
    auto connection = Connected(Login());
    std::vector<TFtpEntry> entries;
    ASSERT_TRUE(connection->List(QString(), entries));
    QElapsedTimer clock;
    clock.start();
    connection.reset();
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_TRUE(testsupport::waitFor([&] { return FServer.Commands(QStringLiteral("QUIT")).size() == 1; }));
}

TEST_F(FtpConnectionTest, ARefusalAfterAnAnonymousLoginSaysSo)
{
    StartServer();
    // "writer" may write, but with an empty password the login is anonymous, which may not.
    const auto connection = Connected(Login(QStringLiteral("writer"), QString()));
    EXPECT_TRUE(connection->Anonymous());
    EXPECT_FALSE(connection->MakeDirectory(QStringLiteral("d")));
    EXPECT_TRUE(connection->Reason().contains(QStringLiteral("The login was anonymous"))) << connection->Reason().toStdString();
    EXPECT_EQ(connection->ErrorCode(), ieServerRefused);
}

} // namespace
