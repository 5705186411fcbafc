// HTTP download and upload items against real local servers.
#include "tests/support/HttpServerFixture.h"
#include "tests/support/ProxyServerFixture.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TimeZoneOverride.h"
#include "tests/support/WaitFor.h"
#include "tests/webcopy/RecordingRetries.h"
#include "webcopy/DateTime.h"
#include "webcopy/WcBase64.h"
#include "webcopy/ProgressForm.h"
#include "webcopy/ProgressLine.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyIoError.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>


namespace {

using testsupport::Pattern;
using testsupport::ReadFile;
using testsupport::WriteFile;

// Answers the login prompts of one test in order: each entry is the user name and password to
// confirm, or nothing to cancel. Counts the prompts it saw.
class TPromptAnswers {
public:
    struct TAnswer {
        bool confirm;
        QString user, password;
    };
    explicit TPromptAnswers(QList<TAnswer> answers)
        : FAnswers(std::move(answers))
    {
        Arm();
    }
    int Seen = 0;
    QStringList Captions;

private:
    void Arm()
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* prompt = qobject_cast<TWcLoginForm*>(QApplication::activeModalWidget());
            if (!prompt)
                return;
            const TAnswer answer = Seen < FAnswers.size() ? FAnswers[Seen] : TAnswer {false, {}, {}};
            ++Seen;
            Captions << prompt->windowTitle();
            if (answer.confirm) {
                prompt->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(answer.user);
                prompt->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(answer.password);
                prompt->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            } else {
                prompt->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
            }
        });
        FTimer.start();
    }
    QList<TAnswer> FAnswers;
    QTimer FTimer;
};

class HttpTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString();
        WriteFile(FServer.DocRoot() + QStringLiteral("/setup.exe"), FBody);
        FWebCopy.ShowDialog = false;
        FWebCopy.OnError = [this](QObject*, int code) { Errors << code; };
        FWebCopy.OnErrorInfo = [this](QObject*, int, const QString& info) { Infos << info; };
        FWebCopy.OnURLNotFound = [this](QObject*, const QString& url) { NotFound << url; };
    }

    TWebCopyItem* Download(const QString& target, const QString& name = QStringLiteral("setup.exe"))
    {
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->URL = FServer.BaseUrl() + target;
        item->TargetDir = FTarget.path();
        item->TargetFilename = name;
        return item;
    }
    QString Target(const QString& name = QStringLiteral("setup.exe")) const { return FTarget.filePath(name); }
    // Nothing in the target directory but the listed names (no partial or temporary files).
    QStringList TargetEntries() const
    {
        return QDir(FTarget.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QJsonObject LastRequest() const { return FServer.Requests().last(); }

    THttpServerFixture FServer;
    QTemporaryDir FTarget;
    TWebCopy FWebCopy;
    const QByteArray FBody = Pattern(300000);
    QList<int> Errors;
    QStringList Infos;
    QStringList NotFound;
};

} // namespace

TEST_F(HttpTransfer, StatusRules)
{
    const struct {
        const char* target;
        bool success;
        int error;
    } cases[] = {
        {"/setup.exe", true, 0},
        {"/redirect/301?to=/setup.exe", true, 0},
        {"/setup.exe?status=404", false, 404},
        {"/setup.exe?status=500", false, 500},
        {"/setup.exe?auth=u:p", false, 401},  // waNever: a 401 is an error like any other
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        QFile::remove(Target());
        Errors.clear();
        Infos.clear();
        FWebCopy.Items().Clear();
        Download(QString::fromLatin1(c.target));
        FWebCopy.Execute();
        EXPECT_EQ(FWebCopy.Items()[0]->Success(), c.success);
        if (c.success) {
            EXPECT_TRUE(Errors.isEmpty());
            EXPECT_EQ(ReadFile(Target()), FBody);
        } else {
            EXPECT_EQ(Errors, QList<int> {c.error});
            EXPECT_EQ(Infos, QStringList {QStringLiteral("Returned http error code %1").arg(c.error)});
            EXPECT_TRUE(TargetEntries().isEmpty());
        }
    }
}

TEST_F(HttpTransfer, LoginPromptByAuthenticationMode)
{
    const QString basic = QStringLiteral("Basic ") + EncodeBase64(QStringLiteral("u:p"));
    const struct {
        const char* name;
        TWebCopyAuthentication mode;
        const char* user;
        const char* password;
        QList<TPromptAnswers::TAnswer> answers;
        int prompts;
        bool success;
    } cases[] = {
        {"auto, confirmed", waAuto, "", "", {{true, QStringLiteral("u"), QStringLiteral("p")}}, 1, true},
        {"auto, cancelled", waAuto, "", "", {{false, {}, {}}}, 1, false},
        {"auto, wrong then right", waAuto, "", "",
         {{true, QStringLiteral("u"), QStringLiteral("x")}, {true, QStringLiteral("u"), QStringLiteral("p")}}, 2, true},
        {"always, password missing: asked first", waAlways, "u", "", {{true, QStringLiteral("u"), QStringLiteral("p")}}, 1, true},
        {"always, both given: no prompt", waAlways, "u", "p", {}, 0, true},
        {"never, credentials sent anyway", waNever, "u", "p", {}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Target());
        Errors.clear();
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QStringLiteral("/setup.exe?auth=u:p"));
        item->Authenticate = c.mode;
        item->HTTPUserID = QString::fromLatin1(c.user);
        item->HTTPPassword = QString::fromLatin1(c.password);
        TPromptAnswers prompts(c.answers);
        FWebCopy.Execute();
        EXPECT_EQ(prompts.Seen, c.prompts);
        EXPECT_EQ(item->Success(), c.success);
        EXPECT_TRUE(Errors.isEmpty()) << "a cancelled prompt is reported by nothing but the result";
        if (c.success) {
            EXPECT_EQ(LastRequest().value(QStringLiteral("headers")).toObject().value(QStringLiteral("authorization")).toString(),
                      basic);
        }
        for (const QString& caption : prompts.Captions)
            EXPECT_EQ(caption, QStringLiteral("Connect to 127.0.0.1:%1").arg(FServer.Port()));
        // The item keeps its own credentials; the prompt's answer lived for that download only.
        EXPECT_EQ(item->HTTPPassword, QString::fromLatin1(c.password));
    }
}

TEST_F(HttpTransfer, NewerOnlyComparesTheServersDate)
{
    const QString served = FServer.DocRoot() + QStringLiteral("/setup.exe");
    const qint64 mtime = QFileInfo(served).lastModified().toSecsSinceEpoch();
    // The server's Last-Modified as it comes (GMT), as a date-time value.
    const TDateTime serverDate = FileTimeToDateTime(UnixTimeToFileTime(mtime, 0));
    const struct {
        const char* name;
        const char* target;
        TDateTime fileDate;
        bool handlerAllows; // -1 none
        bool useHandler;
        bool downloaded;
    } cases[] = {
        {"equal date", "/setup.exe", serverDate, false, false, false},
        {"a second later on the server", "/setup.exe", serverDate - 1.0 / 86400, false, false, true},
        {"no Last-Modified: now", "/setup.exe?lastmod=0", serverDate, false, false, true},
        // Not the year 1970 that 67506 becomes in 16 bits: a date out of range counts as absent.
        {"a year past the calendar: now", "/setup.exe?lastmodraw=Sun,%2006%20Nov%2067506%2008:49:37%20GMT",
         serverDate, false, false, true},
        {"the date check handler decides", "/setup.exe", serverDate, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Target());
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QString::fromLatin1(c.target));
        item->CopyNewerOnly = true;
        item->FileDate = c.fileDate;
        QList<TDateTime> noNewDates;
        FWebCopy.OnNoNewFileFound = [&](QObject*, const QString& name, TDateTime cur, TDateTime fresh) {
            EXPECT_EQ(name, QStringLiteral("setup.exe"));
            noNewDates << cur << fresh;
        };
        FWebCopy.OnFileDateCheck = nullptr;
        if (c.useHandler)
            FWebCopy.OnFileDateCheck = [&](QObject*, int, TDateTime, bool& allow) { allow = c.handlerAllows; };
        FWebCopy.Execute();
        EXPECT_EQ(item->Success(), c.downloaded);
        EXPECT_EQ(QFile::exists(Target()), c.downloaded);
        EXPECT_EQ(item->NoNewVersion(), !c.downloaded);
        if (!c.downloaded) {
            EXPECT_EQ(noNewDates, (QList<TDateTime> {serverDate, serverDate}));
            EXPECT_EQ(item->NewFileDate, serverDate);
        }
    }
}

TEST_F(HttpTransfer, NamesFromTheServerStayInsideTheTargetDirectory)
{
    FWebCopy.AutoURLDecode = true;
    WriteFile(FServer.DocRoot() + QStringLiteral("/my setup.exe"), FBody);
    const struct {
        const char* target;
        const char* expectedName;
    } cases[] = {
        {"/redirect/302?to=/my%2520setup.exe", "my setup.exe"},
        // The query (here one that tries to climb out) and the fragment are not part of the name.
        {"/redirect/302?to=/setup.exe%3Fx%3D..%252F..%252Fevil.exe", "setup.exe"},
        {"/setup.exe?id=5#top", "setup.exe"},
        // The server's suggested name comes first, cut to its last component.
        {"/my%20setup.exe?header=Content-Disposition%3A%20attachment%3B%20filename%3D%22..%2Fserver%20named.exe%22",
         "server named.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        FWebCopy.Items().Clear();
        Download(QString::fromLatin1(c.target), QString());
        FWebCopy.Execute();
        EXPECT_TRUE(FWebCopy.Items()[0]->Success()) << FWebCopy.Items()[0]->ErrorReason().toStdString();
        EXPECT_EQ(ReadFile(Target(QString::fromLatin1(c.expectedName))), FBody);
    }
    EXPECT_EQ(TargetEntries(), (QStringList{QStringLiteral("my setup.exe"), QStringLiteral("server named.exe"),
                                            QStringLiteral("setup.exe")}));
    EXPECT_FALSE(QFile::exists(QFileInfo(FTarget.path()).dir().filePath(QStringLiteral("evil.exe"))));
}

TEST_F(HttpTransfer, CredentialsOutsideAsciiGoOutAsUtf8)
{
    // The server expects the Basic token of the UTF-8 bytes, as other clients send it.
    TWebCopyItem* item = Download(QStringLiteral("/setup.exe?auth=us%C3%A9r:p%C3%A4ssw%C3%B6rd"));
    item->Authenticate = waNever;
    item->HTTPUserID = QStringLiteral("usér");
    item->HTTPPassword = QStringLiteral("pässwörd");
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success());
    EXPECT_EQ(ReadFile(Target()), FBody);
}

TEST_F(HttpTransfer, NamesFromTheServerAreReadAsUtf8AndFitTheFileSystem)
{
    FWebCopy.AutoURLDecode = true;
    WriteFile(FServer.DocRoot() + QStringLiteral("/café 😀.bin"), FBody);
    // A name longer than a file system takes: the server answers any path with status=200.
    const QString longStem(300, QLatin1Char('n'));
    const QString longTarget = QStringLiteral("/redirect/302?to=/") + longStem + QStringLiteral(".bin%3Fstatus%3D200");
    const QString fittedName = longStem.left(255 - 4) + QStringLiteral(".bin");
    const struct {
        QString target;
        QString expectedName;
        QByteArray body;
    } cases[] = {
        {QStringLiteral("/redirect/302?to=/caf%25C3%25A9%2520%25F0%259F%2598%2580.bin"), QStringLiteral("café 😀.bin"), FBody},
        {longTarget, fittedName, QByteArray("status 200\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expectedName.toStdString());
        FWebCopy.Items().Clear();
        Download(c.target, QString());
        FWebCopy.Execute();
        EXPECT_TRUE(FWebCopy.Items()[0]->Success());
        EXPECT_EQ(ReadFile(Target(c.expectedName)), c.body);
    }
    EXPECT_EQ(TargetEntries().size(), 2);
}

TEST_F(HttpTransfer, OverwriteRefusedAndUniqueNames)
{
    const QByteArray old("old contents");
    WriteFile(Target(), old);
    Download(QStringLiteral("/setup.exe"));
    QStringList asked;
    FWebCopy.OnCopyOverWrite = [&](QObject*, const QString& path, bool& allow) {
        asked << path;
        allow = false;
    };
    FWebCopy.Execute();
    EXPECT_FALSE(FWebCopy.Items()[0]->Success());
    EXPECT_EQ(asked, QStringList {Target()});
    EXPECT_EQ(ReadFile(Target()), old);

    FWebCopy.OnCopyOverWrite = nullptr;
    FWebCopy.CreateUniqueFilenames = true;
    FWebCopy.Execute();
    EXPECT_EQ(ReadFile(Target()), old);
    EXPECT_EQ(ReadFile(Target(QStringLiteral("setup(1).exe"))), FBody);
}

TEST_F(HttpTransfer, UnknownLengthRunsTheBarAsMarqueeUnlessTheItemKnowsTheSize)
{
    for (quint32 fileSize : {0u, 300000u}) {
        SCOPED_TRACE(fileSize);
        FWebCopy.Items().Clear();
        Download(QStringLiteral("/setup.exe?length=chunked"))->FileSize = fileSize;
        int maximum = -1;
        QString sizeLine;
        FWebCopy.OnCopyProgress = [&](QObject*, int, quint32, quint32 total) {
            maximum = FWebCopy.ProgressBar()->maximum();
            sizeLine = FWebCopy.ProgressSizeLabel()->text();
            EXPECT_EQ(total, fileSize);
        };
        FWebCopy.Execute();
        EXPECT_TRUE(FWebCopy.Items()[0]->Success());
        EXPECT_EQ(maximum, fileSize ? 100 : 0);
        EXPECT_EQ(sizeLine.contains(QStringLiteral(" of ")), fileSize != 0);
        EXPECT_EQ(ReadFile(Target()), FBody);
    }
}

TEST_F(HttpTransfer, AnEmptyBodyFailsAndReplacesNothing)
{
    WriteFile(FServer.DocRoot() + QStringLiteral("/empty.exe"), {});
    Download(QStringLiteral("/empty.exe"));
    FWebCopy.Execute();
    EXPECT_FALSE(FWebCopy.Items()[0]->Success());
    EXPECT_EQ(FWebCopy.Items()[0]->ErrorCause(), TTransferCause::NoData);
    EXPECT_FALSE(QFileInfo::exists(Target())) << "no empty file is left behind";

    WriteFile(Target(), "the earlier download");
    FWebCopy.Execute();
    EXPECT_FALSE(FWebCopy.Items()[0]->Success());
    EXPECT_EQ(ReadFile(Target()), QByteArray("the earlier download"));
}

TEST_F(HttpTransfer, CancelOrABrokenConnectionLeavesTheEarlierFileAlone)
{
    const QByteArray old("the earlier download");
    const struct {
        const char* name;
        const char* target;
        bool cancel;
    } cases[] = {
        {"cancel while the server stalls", "/setup.exe?stall=100000", true},
        {"the server drops the connection", "/setup.exe?drop=100000", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(Target(), old);
        Errors.clear();
        FWebCopy.Items().Clear();
        Download(QString::fromLatin1(c.target));
        FWebCopy.OnCopyProgress = [&](QObject*, int, quint32 size, quint32) {
            if (c.cancel && size >= 100000)
                FWebCopy.CancelCopy();
        };
        FWebCopy.Execute();
        EXPECT_FALSE(FWebCopy.Items()[0]->Success());
        EXPECT_EQ(ReadFile(Target()), old);
        EXPECT_EQ(TargetEntries(), QStringList {QStringLiteral("setup.exe")});
        if (c.cancel) {
            EXPECT_TRUE(FWebCopy.Items()[0]->Cancelled());
            EXPECT_TRUE(Errors.isEmpty());
        } else {
            ASSERT_EQ(Errors.size(), 1);
            EXPECT_GE(Errors[0], 12000) << "the client's own error number";
            EXPECT_FALSE(Infos.last().isEmpty());
        }
    }
}

TEST_F(HttpTransfer, UnreachableUntrustedOrLoopingUrlsAreNotFound)
{
    THttpServerFixture tls;
    ASSERT_TRUE(tls.Start(THttpServerFixture::TScheme::Https)) << tls.Message().toStdString();
    WriteFile(tls.DocRoot() + QStringLiteral("/setup.exe"), FBody);
    const QStringList urls = {tls.BaseUrl() + QStringLiteral("/setup.exe"), FServer.BaseUrl() + QStringLiteral("/loop"),
                              QStringLiteral("http://127.0.0.1:1/setup.exe")};
    for (const QString& url : urls) {
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QString());
        item->URL = url;
        FWebCopy.Execute();
        EXPECT_FALSE(item->Success()) << url.toStdString();
    }
    EXPECT_EQ(NotFound, urls);
    EXPECT_TRUE(TargetEntries().isEmpty());

    // Trusting the server's own certificate makes the same download work.
    FWebCopy.CaFile = tls.CaFile();
    FWebCopy.Items().Clear();
    Download(QString())->URL = urls[0];
    FWebCopy.Execute();
    EXPECT_EQ(ReadFile(Target()), FBody);
}

TEST_F(HttpTransfer, UploadsByPostAndPut)
{
    const struct {
        const char* name;
        TWebCopyHTTPCommand command;
        int size;
        const char* method;
    } cases[] = {
        {"post, empty", hcPost, 0, "POST"},
        {"put, two blocks exactly", hcPut, 8192, "PUT"},
        {"post, uneven", hcPost, 10000, "POST"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray data = Pattern(c.size);
        WriteFile(FTarget.filePath(QStringLiteral("up.bin")), data);
        FWebCopy.Items().Clear();
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->Protocol = wpHttpUpload;
        item->HTTPCommand = c.command;
        item->URL = FServer.BaseUrl() + QStringLiteral("/incoming/up.bin");
        item->TargetDir = FTarget.path();
        FWebCopy.Execute();
        EXPECT_TRUE(item->Success());
        const QJsonObject request = LastRequest();
        EXPECT_EQ(request.value(QStringLiteral("method")).toString(), QString::fromLatin1(c.method));
        EXPECT_EQ(request.value(QStringLiteral("headers")).toObject().value(QStringLiteral("content-length")).toString(),
                  QString::number(c.size));
        EXPECT_EQ(request.value(QStringLiteral("body_length")).toInt(), c.size);
    }
}

TEST_F(HttpTransfer, UploadFailures)
{
    WriteFile(FTarget.filePath(QStringLiteral("up.bin")), Pattern(5000));
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->Protocol = wpHttpUpload;
    item->TargetDir = FTarget.path();

    // A missing local file: false and nothing reported.
    item->URL = FServer.BaseUrl() + QStringLiteral("/incoming/missing.bin");
    FWebCopy.Execute();
    EXPECT_FALSE(item->Success());
    EXPECT_TRUE(Errors.isEmpty());

    // An error status from the server fails the item.
    item->URL = FServer.BaseUrl() + QStringLiteral("/incoming/up.bin?status=403");
    item->TargetFilename = QStringLiteral("up.bin");
    FWebCopy.Execute();
    EXPECT_FALSE(item->Success());
    EXPECT_EQ(Errors, QList<int> {403});
    EXPECT_EQ(Infos.last(), QStringLiteral("Returned http error code 403"));
}

TEST_F(HttpTransfer, UploadHonoursAnHttpsUrlWithItsPort)
{
    THttpServerFixture tls;
    ASSERT_TRUE(tls.Start(THttpServerFixture::TScheme::Https)) << tls.Message().toStdString();
    WriteFile(FTarget.filePath(QStringLiteral("up.bin")), Pattern(5000));
    FWebCopy.CaFile = tls.CaFile();
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->Protocol = wpHttpUpload;
    item->HTTPCommand = hcPut;
    item->URL = tls.BaseUrl() + QStringLiteral("/incoming/up.bin");
    item->TargetDir = FTarget.path();
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success());
    ASSERT_FALSE(tls.Requests().isEmpty());
    const QJsonObject request = tls.Requests().last();
    EXPECT_TRUE(request.value(QStringLiteral("tls")).toBool());
    EXPECT_EQ(request.value(QStringLiteral("path")).toString(), QStringLiteral("/incoming/up.bin"));
    EXPECT_EQ(request.value(QStringLiteral("body_length")).toInt(), 5000);
}

TEST_F(HttpTransfer, ACancelBeforeTheAnswerRaisesNoErrorEvents)
{
    WriteFile(FTarget.filePath(QStringLiteral("up.bin")), Pattern(5000));
    const struct {
        const char* name;
        TWebCopyProtocol protocol;
        const char* target;
        bool cancelAtStart;
    } cases[] = {
        {"download cancelled before it starts", wpHttp, "/setup.exe", true},
        {"download cancelled while the server keeps quiet", wpHttp, "/setup.exe?hang=1", false},
        {"upload cancelled before it starts", wpHttpUpload, "/incoming/up.bin", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Errors.clear();
        NotFound.clear();
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QString::fromLatin1(c.target), QStringLiteral("up.bin"));
        item->Protocol = c.protocol;
        const qsizetype requestsBefore = FServer.Requests().size();
        FWebCopy.OnFileStart = [&](QObject*, int) {
            if (c.cancelAtStart)
                FWebCopy.CancelCopy();
        };
        // Cancels once the server has the request but has not answered.
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (!c.cancelAtStart && FServer.Requests().size() > requestsBefore)
                FWebCopy.CancelCopy();
        });
        watcher.start(5);
        FWebCopy.Execute();
        EXPECT_TRUE(item->Cancelled());
        EXPECT_FALSE(item->Success());
        EXPECT_TRUE(Errors.isEmpty());
        EXPECT_TRUE(NotFound.isEmpty());
    }
}

TEST_F(HttpTransfer, UploadSendsTheItemsCredentials)
{
    const QString password = QStringLiteral("p\u00e4ssw\u00f6rd");
    WriteFile(FTarget.filePath(QStringLiteral("up.bin")), Pattern(5000));
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->Protocol = wpHttpUpload;
    item->HTTPCommand = hcPut;
    item->URL = FServer.BaseUrl() + QStringLiteral("/incoming/up.bin?auth=bob:") + QString::fromLatin1(QUrl::toPercentEncoding(password));
    item->TargetDir = FTarget.path();
    item->TargetFilename = QStringLiteral("up.bin");
    item->HTTPUserID = QStringLiteral("bob");
    item->HTTPPassword = password;
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(item->HttpStatus() / 100, 2);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(HttpTransfer, TheTargetFileNameMayBringItsOwnDirectories)
{
    Download(QStringLiteral("/setup.exe"), QStringLiteral("sub/deeper/setup.exe"));
    FWebCopy.Execute();
    EXPECT_TRUE(FWebCopy.Items()[0]->Success()) << FWebCopy.Items()[0]->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target(QStringLiteral("sub/deeper/setup.exe"))), FBody);
}

TEST_F(HttpTransfer, ThePromptNamesTheHostThatGetsThePassword)
{
    // Everything up to the last "@" is not the host when a "?" or "#" comes first: the request
    // goes to 127.0.0.1, so the prompt must not ask for good.test's password.
    for (const char* trick : {"?@good.test/x", "#@good.test/x"}) {
        SCOPED_TRACE(trick);
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QString::fromLatin1(trick));
        item->Authenticate = waAlways;
        TPromptAnswers prompts({{false, {}, {}}});
        FWebCopy.Execute();
        EXPECT_EQ(prompts.Captions,
                  QStringList {QStringLiteral("Connect to 127.0.0.1:%1").arg(FServer.Port())});
    }
}

TEST_F(HttpTransfer, EachFailureKeepsItsOwnReason)
{
    THttpServerFixture tls;
    ASSERT_TRUE(tls.Start(THttpServerFixture::TScheme::Https)) << tls.Message().toStdString();
    WriteFile(tls.DocRoot() + QStringLiteral("/setup.exe"), FBody);
    const QString plain = FServer.BaseUrl() + QStringLiteral("/setup.exe");
    const struct {
        const char* name;
        QString url;
        bool trustTls;
        QString proxy;
        const char* reasonPart;
    } cases[] = {
        {"untrusted certificate", tls.BaseUrl() + QStringLiteral("/setup.exe"), false, {}, "certificate"},
        {"refused connection", QStringLiteral("http://127.0.0.1:1/setup.exe"), false, {}, "127.0.0.1 port 1"},
        {"dead proxy", plain, false, QStringLiteral("127.0.0.1:1"), "proxy"},
        {"redirect loop", FServer.BaseUrl() + QStringLiteral("/loop"), false, {}, "redirect"},
        {"refused downgrade", tls.BaseUrl() + QStringLiteral("/redirect/302?to=") + plain, true, {}, "https to http"},
    };
    QStringList reasons;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FWebCopy.Items().Clear();
        FWebCopy.CaFile = c.trustTls ? tls.CaFile() : QString();
        FWebCopy.Proxy = c.proxy;
        TWebCopyItem* item = Download(QString());
        item->URL = c.url;
        FWebCopy.Execute();
        EXPECT_FALSE(item->Success());
        EXPECT_TRUE(item->ErrorReason().contains(QLatin1String(c.reasonPart), Qt::CaseInsensitive))
            << item->ErrorReason().toStdString();
        reasons << item->ErrorReason();
    }

    QStringList distinct = reasons;
    distinct.removeDuplicates();
    EXPECT_EQ(distinct, reasons) << "every failure says what it was";

    FWebCopy.Items().Clear();
    Download(QStringLiteral("/setup.exe"));
    FWebCopy.Execute();
    EXPECT_TRUE(FWebCopy.Items()[0]->Success());
    EXPECT_TRUE(FWebCopy.Items()[0]->ErrorReason().isEmpty());
    EXPECT_EQ(FWebCopy.Items()[0]->HttpStatus(), 200);
}

TEST_F(HttpTransfer, AFullDiskEndsTheRunWithTheSystemsReasonAndLeavesNoPartialFile)
{
    TSmallFileSystem disk(64 * 1024);
    if (!disk.Error().isEmpty())
        GTEST_SKIP() << disk.Error().toStdString();
    TWebCopyItem* item = Download(QStringLiteral("/setup.exe"));
    item->TargetDir = disk.Path();
    int filesDone = 0;
    FWebCopy.OnFileDone = [&](QObject*, int) { ++filesDone; };
    EXPECT_THROW(FWebCopy.Execute(), TWebCopyIoError);
    EXPECT_EQ(filesDone, 0);
    EXPECT_FALSE(FWebCopy.Running());
    EXPECT_EQ(item->ErrorReason(), QStringLiteral("No space left on device"));
    EXPECT_EQ(item->ErrorCode(), 5);
    EXPECT_TRUE(QDir(disk.Path()).isEmpty()) << "no partial file is left";
}

TEST_F(HttpTransfer, OnlyARegularFileIsSent)
{
    // A pipe nobody writes to would block the open for good; a directory or a device is no file.
    ASSERT_EQ(::mkfifo(QFile::encodeName(FTarget.filePath(QStringLiteral("pipe"))).constData(), 0600), 0);
    QDir(FTarget.path()).mkdir(QStringLiteral("folder"));
    for (const QString& source : {FTarget.filePath(QStringLiteral("pipe")), FTarget.filePath(QStringLiteral("folder")),
                                  QStringLiteral("/dev/zero")}) {
        SCOPED_TRACE(source.toStdString());
        Errors.clear();
        FWebCopy.Items().Clear();
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->Protocol = wpHttpUpload;
        item->URL = FServer.BaseUrl() + QStringLiteral("/incoming/x.bin");
        item->TargetFilename = source;
        FWebCopy.Execute();
        EXPECT_FALSE(item->Success());
        EXPECT_EQ(Errors, QList<int> {1});
        EXPECT_EQ(item->ErrorReason(), QStringLiteral("Not a regular file"));
    }
}

TEST_F(HttpTransfer, BeforeTheFirstByteTheDialogSaysItIsConnectingAndTheTimeGoesOn)
{
    Download(QStringLiteral("/setup.exe?hang=1"));
    FWebCopy.ShowDialog = true;
    FWebCopy.ShowElapsedTime = true;
    QString status, elapsed;
    // Cancels once the elapsed time has moved on while nothing arrived.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TWcProgressForm*>(FWebCopy.ProgressForm());
        if (!form)
            return;
        status = form->SizeLine()->text();
        elapsed = form->ElapsedTimeLine()->text();
        if (elapsed == QStringLiteral("Elapsed time : 1 sec."))
            FWebCopy.CancelCopy();
    });
    watcher.start(10);
    FWebCopy.Execute();
    EXPECT_EQ(status, QStringLiteral("Connecting to 127.0.0.1:%1 ...").arg(FServer.Port()));
    EXPECT_EQ(elapsed, QStringLiteral("Elapsed time : 1 sec."));
    EXPECT_TRUE(FWebCopy.Items()[0]->Cancelled());
}

TEST_F(HttpTransfer, APartialAnswerToARequestWithoutRangeIsNeverSaved)
{
    // A 206 answers a Range request; to a request without one its body is at best a piece.
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "over an earlier file" : "no earlier file");
        QFile::remove(Target());
        if (earlier)
            WriteFile(Target(), "the earlier download");
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QStringLiteral("/setup.exe?status=206"));
        FWebCopy.Execute();
        EXPECT_FALSE(item->Success());
        EXPECT_EQ(item->ErrorCause(), TTransferCause::PartialAnswer);
        EXPECT_EQ(ReadFile(Target(), "<missing>"), earlier ? QByteArray("the earlier download") : QByteArray("<missing>"));
        EXPECT_EQ(TargetEntries(), earlier ? QStringList {QStringLiteral("setup.exe")} : QStringList());
    }
}

TEST_F(HttpTransfer, AfterARedirectTheLoginIsAskedForAndSentToTheHostThatAsked)
{
    THttpServerFixture other;
    ASSERT_TRUE(other.Start()) << other.Message().toStdString();
    WriteFile(other.DocRoot() + QStringLiteral("/protected/setup.exe"), FBody);
    TWebCopyItem* item =
        Download(QStringLiteral("/redirect/302?to=") + other.BaseUrl() + QStringLiteral("/protected/setup.exe"), QString());
    item->Authenticate = waAuto;
    TPromptAnswers prompts({{true, QStringLiteral("bob"), QStringLiteral("pässwörd")}});
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(ReadFile(Target()), FBody);
    EXPECT_EQ(prompts.Captions, QStringList {QStringLiteral("Connect to 127.0.0.1:%1").arg(other.Port())});
    const auto authorization = [](const QJsonObject& request) {
        return request.value(QStringLiteral("headers")).toObject().value(QStringLiteral("authorization")).toString();
    };
    ASSERT_FALSE(FServer.Requests().isEmpty());
    for (const QJsonObject& request : FServer.Requests())
        EXPECT_EQ(authorization(request), QString()) << "the first host never sees the password";
    ASSERT_FALSE(other.Requests().isEmpty());
    EXPECT_EQ(authorization(other.Requests().last()),
              QStringLiteral("Basic ") + EncodeBase64(QStringLiteral("bob:pässwörd")));
}

TEST_F(HttpTransfer, NewerOnlyReadsTheServersDateInLocalTime)
{
    // Nine hours east of UTC: the server's date read as local time would seem nine hours older.
    const testsupport::TTimeZoneOverride tokyo("Asia/Tokyo");
    const qint64 mtime = QFileInfo(FServer.DocRoot() + QStringLiteral("/setup.exe")).lastModified().toSecsSinceEpoch();
    const struct {
        const char* name;
        qint64 fileDateOffset;
        bool downloaded;
    } cases[] = {
        {"the server's copy an hour newer", -3600, true},
        {"the server's copy an hour older", 3600, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Target());
        FWebCopy.Items().Clear();
        TWebCopyItem* item = Download(QStringLiteral("/setup.exe"));
        item->CopyNewerOnly = true;
        item->FileDate = LocalDateTimeFromUnixTime(mtime + c.fileDateOffset);
        FWebCopy.Execute();
        EXPECT_EQ(item->Success(), c.downloaded) << item->ErrorReason().toStdString();
        EXPECT_EQ(item->NoNewVersion(), !c.downloaded);
        EXPECT_EQ(QFile::exists(Target()), c.downloaded);
    }
}

TEST_F(HttpTransfer, AnUploadThroughAProxyThatWantsALoginGivesTheProxysReason)
{
    TProxyServerFixture proxy;
    ASSERT_TRUE(proxy.Start(QStringLiteral("proxyuser"), QStringLiteral("proxypass"))) << proxy.Message().toStdString();
    FWebCopy.Proxy = QStringLiteral("127.0.0.1:%1").arg(proxy.Port());
    const QString source = FTarget.filePath(QStringLiteral("up.bin"));
    // Large enough that the proxy turns the request away while the body is still being sent.
    WriteFile(source, Pattern(16 * 1024 * 1024));
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->Protocol = wpHttpUpload;
    item->URL = FServer.BaseUrl() + QStringLiteral("/incoming/up.bin");
    item->TargetFilename = source;
    // The host is asked for a login, as for a download, and has none to give.
    int asked = 0;
    FWebCopy.OnProxyLogin = [&](QObject*, const QString&, bool, QString&, QString&, bool&) { ++asked; };
    FWebCopy.Execute();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(item->Success());
    EXPECT_EQ(item->ErrorCause(), TTransferCause::ProxyNeedsLogin);
    EXPECT_TRUE(item->ErrorReason().contains(QStringLiteral("proxy"))) << item->ErrorReason().toStdString();
    EXPECT_TRUE(item->ErrorReason().contains(QStringLiteral("needs a login"))) << item->ErrorReason().toStdString();
    for (const QString& info : Infos)
        EXPECT_FALSE(info.contains(QStringLiteral("http error code"))) << info.toStdString();
    EXPECT_TRUE(FServer.Requests().isEmpty()) << "nothing reached the server";
}

TEST_F(HttpTransfer, TransientFailuresAreTriedAgainAndOthersAreNot)
{
    TRecordingRetries retries;
    FWebCopy.ProgressObserver = &retries;
    FWebCopy.Retries = 3;
    FWebCopy.RetryDelay = 20;
    const struct {
        const char* name;
        const char* target;
        int retries;        // the server's count of requests is one more
        bool success;
        int firstWaitAtLeastMs;
    } cases[] = {
        {"two 503s, then the file", "/setup.exe?fail=2", 2, true, 0},
        {"503 with Retry-After: 1 waits a second", "/setup.exe?fail=1&header=Retry-After:1", 1, true, 1000},
        {"a 404 is not tried again", "/setup.exe?status=404", 0, false, 0},
        {"it stops after the set number", "/setup.exe?fail=9&failstatus=502", 3, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FWebCopy.Items().Clear();
        QFile::remove(Target());
        retries.Waits.clear();
        const qsizetype before = FServer.Requests().size();
        Errors.clear();
        Download(QString::fromLatin1(c.target));
        QElapsedTimer clock;
        clock.start();
        FWebCopy.Execute();
        EXPECT_EQ(FWebCopy.Items()[0]->Success(), c.success) << FWebCopy.Items()[0]->ErrorReason().toStdString();
        EXPECT_EQ(FServer.Requests().size() - before, c.retries + 1);
        EXPECT_EQ(retries.Waits.size(), size_t(c.retries));
        EXPECT_GE(clock.elapsed(), c.firstWaitAtLeastMs);
        EXPECT_EQ(Errors.size(), c.success ? 0 : 1) << "the item's events come once, for the outcome";
        EXPECT_EQ(QFile::exists(Target()), c.success);
        if (c.success) {
            EXPECT_EQ(ReadFile(Target()), FBody);
        }
    }
}

TEST_F(HttpTransfer, CancelEndsTheWaitBeforeARetryAtOnce)
{
    TRecordingRetries retries;
    FWebCopy.ProgressObserver = &retries;
    FWebCopy.Retries = 2;
    FWebCopy.RetryDelay = 60000;
    Download(QStringLiteral("/setup.exe?fail=5"));
    QElapsedTimer clock;
    retries.OnWait = [&] {
        clock.start();
        QTimer::singleShot(50, [&] { FWebCopy.CancelCopy(); });
    };
    FWebCopy.Execute();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(FWebCopy.Items()[0]->Cancelled());
    EXPECT_EQ(FWebCopy.Items()[0]->ErrorCause(), TTransferCause::Cancelled);
    EXPECT_FALSE(QFile::exists(Target()));
}
