// THttpRequest against real HTTP(S) servers on 127.0.0.1 (tests/servers/http_server.py).
#include "platform/HttpRequest.h"
#include "platform/InternetErrors.h"
#include "platform/InternetSession.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/WaitFor.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

constexpr qint64 Block = 4096;
constexpr qint64 BodySize = 300 * 1024;
// A Thursday, to see the day of the week counted from Sunday = 0.
const QDateTime FileTime(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC);

struct TBody {
    QByteArray Data;
    qint64 LastRead = 0;  // 0 at a clean end, -1 after a failure
    bool BlocksFit = true; // no read returned more than asked for
};

TBody ReadAll(THttpRequest& request)
{
    TBody body;
    char buffer[Block];
    while ((body.LastRead = request.Read(buffer, Block)) > 0) {
        body.BlocksFit = body.BlocksFit && body.LastRead <= Block;
        body.Data.append(buffer, body.LastRead);
    }
    return body;
}

QString Sha256(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

QString BasicAuthorization(const char* credentials)
{
    return QStringLiteral("Authorization: Basic ") + QString::fromLatin1(QByteArray(credentials).toBase64());
}

bool HasHeader(const QJsonObject& request, const QString& name)
{
    return request.value(QStringLiteral("headers")).toObject().contains(name);
}

// An HTTPS server with its own throw-away certificate and the file the tests fetch.
struct TSecureServer {
    explicit TSecureServer(const QByteArray& body)
    {
        Started = Server.Start(THttpServerFixture::TScheme::Https);
        QFile file(Server.DocRoot() + QStringLiteral("/file.bin"));
        Started = Started && file.open(QIODevice::WriteOnly) && file.write(body) == body.size();
    }

    THttpServerFixture Server;
    bool Started = false;
};

class THttpRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString();
        FBody = PutFile(QStringLiteral("file.bin"), BodySize);
    }

    QByteArray PutFile(const QString& name, qint64 size)
    {
        QByteArray data(size, '\0');
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(data.data()), size / 4);
        QFile file(FServer.DocRoot() + QLatin1Char('/') + name);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(data) == size);
        EXPECT_TRUE(file.setFileTime(FileTime, QFileDevice::FileModificationTime));
        return data;
    }

    QString Url(const QString& pathAndQuery) const { return FServer.BaseUrl() + pathAndQuery; }

    // The recorded requests for one path, oldest first.
    QList<QJsonObject> RequestsFor(const QString& path) const
    {
        QList<QJsonObject> found;
        for (const QJsonObject& request : FServer.Requests()) {
            if (request.value(QStringLiteral("path")).toString() == path)
                found.append(request);
        }
        return found;
    }

    THttpServerFixture FServer;
    TInternetSession FSession{QStringLiteral("OrvantaTest/1.0"), QString()};
    QByteArray FBody;
};

TEST_F(THttpRequestTest, AnswerGivesStatusLengthDateFinalUrlAndTheExactBody)
{
    struct TCase {
        const char* Name;
        QString Path;
        QString Header;
        int Status;
        bool FileBody; // else the server's short text
        bool Length;
        bool Date;
        QString FinalPath;
    };
    const QString file = QStringLiteral("/file.bin");
    const TCase cases[] = {
        {"200", file, {}, 200, true, true, true, file},
        {"200 chunked without a date", QStringLiteral("/file.bin?length=chunked&lastmod=0"), {}, 200, true, false,
         false, QStringLiteral("/file.bin?length=chunked&lastmod=0")},
        {"200 ended by closing", QStringLiteral("/file.bin?length=close"), {}, 200, true, false, true,
         QStringLiteral("/file.bin?length=close")},
        {"301 then 200", QStringLiteral("/redirect/301?to=/file.bin"), {}, 200, true, true, true, file},
        {"302 to a full URL, then 200", QStringLiteral("/redirect/302?to=") + Url(file), {}, 200, true, true, true,
         file},
        {"307 then 200", QStringLiteral("/redirect/307?to=/file.bin"), {}, 200, true, true, true, file},
        {"404", QStringLiteral("/missing.bin"), {}, 404, false, true, false, QStringLiteral("/missing.bin")},
        {"500", QStringLiteral("/file.bin?status=500"), {}, 500, false, true, false,
         QStringLiteral("/file.bin?status=500")},
        {"401 without credentials", QStringLiteral("/file.bin?auth=ann:secret"), {}, 401, false, true, false,
         QStringLiteral("/file.bin?auth=ann:secret")},
        {"200 with credentials", QStringLiteral("/file.bin?auth=ann:secret"), BasicAuthorization("ann:secret"), 200,
         true, true, true, QStringLiteral("/file.bin?auth=ann:secret")},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(testCase.Path);
        if (!testCase.Header.isEmpty())
            options.Headers << testCase.Header;
        ASSERT_TRUE(request.Open(options)) << request.ErrorText().toStdString();
        EXPECT_EQ(request.StatusCode(), testCase.Status);
        EXPECT_EQ(request.FinalUrl(), Url(testCase.FinalPath));

        const THttpDate date = request.LastModified();
        if (testCase.Date) {
            EXPECT_EQ(date.Year, 2021);
            EXPECT_EQ(date.Month, 3);
            EXPECT_EQ(date.Day, 4);
            EXPECT_EQ(date.DayOfWeek, 4);
            EXPECT_EQ(date.Hour, 5);
            EXPECT_EQ(date.Minute, 6);
            EXPECT_EQ(date.Second, 7);
        } else {
            EXPECT_EQ(date.Year, 0);
            EXPECT_EQ(date.Month, 0);
            EXPECT_EQ(date.Day, 0);
        }

        const TBody body = ReadAll(request);
        EXPECT_EQ(body.LastRead, 0) << request.ErrorText().toStdString();
        EXPECT_TRUE(body.BlocksFit);
        if (testCase.FileBody) {
            EXPECT_TRUE(body.Data == FBody) << body.Data.size() << " bytes";
        }
        else
            EXPECT_TRUE(body.Data.endsWith('\n') && !body.Data.isEmpty()) << body.Data.constData();
        EXPECT_EQ(request.ContentLength(), testCase.Length ? body.Data.size() : 0);
        EXPECT_EQ(request.ErrorCode(), 0u);
    }
}

TEST_F(THttpRequestTest, ARangeGoesWithItsValidatorAndTheAnswerSaysWhatCame)
{
    // The server's ETag of file.bin, and its date, as the first answer gives them.
    THttpRequestOptions plain;
    plain.Url = Url(QStringLiteral("/file.bin?ranges=1"));
    THttpRequest probe(FSession);
    ASSERT_TRUE(probe.Open(plain));
    const QString etag = probe.ETag();
    const QString date = probe.LastModifiedText();
    probe.Close();
    ASSERT_TRUE(etag.startsWith(QLatin1Char('"'))) << etag.toStdString();
    ASSERT_FALSE(date.isEmpty());

    const qint64 from = 100000;
    const struct {
        const char* Name;
        const char* Query;
        QString IfRange;
        int Status;
        qint64 BodyFrom;
    } cases[] = {
        {"a strong ETag that still holds", "ranges=1", etag, 206, from},
        {"the date that still holds", "ranges=1", date, 206, from},
        {"an ETag of another file", "ranges=1", QStringLiteral("\"other\""), 200, 0},
        {"a server without ranges", "", etag, 200, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        THttpRequestOptions options;
        options.Url = Url(QStringLiteral("/file.bin?") + QLatin1String(c.Query));
        options.RangeFrom = from;
        options.IfRange = c.IfRange;
        THttpRequest request(FSession);
        ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
        EXPECT_EQ(request.StatusCode(), c.Status);
        const QJsonObject headers = FServer.Requests().last().value(QStringLiteral("headers")).toObject();
        EXPECT_EQ(headers.value(QStringLiteral("range")).toString(), QStringLiteral("bytes=100000-"));
        EXPECT_EQ(headers.value(QStringLiteral("if-range")).toString(), c.IfRange);
        const THttpContentRange range = request.ContentRange();
        EXPECT_EQ(range.Valid, c.Status == 206);
        if (range.Valid) {
            EXPECT_EQ(range.First, from);
            EXPECT_EQ(range.Last, BodySize - 1);
            EXPECT_EQ(range.Total, BodySize);
        }
        EXPECT_EQ(ReadAll(request).Data, FBody.mid(c.BodyFrom));
    }
    // Without a range nothing of it is sent.
    THttpRequest whole(FSession);
    ASSERT_TRUE(whole.Open(plain));
    EXPECT_FALSE(HasHeader(FServer.Requests().last(), QStringLiteral("range")));
    EXPECT_FALSE(HasHeader(FServer.Requests().last(), QStringLiteral("if-range")));
}

TEST_F(THttpRequestTest, RetryAfterIsReadInSecondsOrAsAnHttpDate)
{
    const QString inOneMinute =
        QLocale::c().toString(QDateTime::currentDateTimeUtc().addSecs(60), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss"))
        + QStringLiteral(" GMT");
    const struct {
        const char* Name;
        QString Value;
        qint64 AtLeastMs, AtMostMs;
    } cases[] = {
        {"seconds", QStringLiteral("7"), 7000, 7000},
        {"a date a minute ahead", inOneMinute, 57000, 60000},
        {"a date in the past", QStringLiteral("Sun, 06 Nov 1994 08:49:37 GMT"), 0, 0},
        {"neither", QStringLiteral("soon"), -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        THttpRequestOptions options;
        options.Url = Url(QStringLiteral("/file.bin?status=503&header=Retry-After:")
                          + QString::fromLatin1(QUrl::toPercentEncoding(c.Value)));
        THttpRequest request(FSession);
        ASSERT_TRUE(request.Open(options));
        EXPECT_EQ(request.StatusCode(), 503);
        EXPECT_GE(request.RetryAfterMs(), c.AtLeastMs);
        EXPECT_LE(request.RetryAfterMs(), c.AtMostMs);
    }
}

TEST_F(THttpRequestTest, RequestsThatCannotBeOpenedSayWhy)
{
    struct TCase {
        const char* Name;
        QString Url;
        QString Header;
        quint32 Error;
        int RequestsSeen;
    };
    const TCase cases[] = {
        {"redirect loop stops after 10 redirects", Url(QStringLiteral("/loop")), {}, ieRedirectFailed, 11},
        {"redirect to ftp", Url(QStringLiteral("/redirect/302?to=ftp://127.0.0.1/file.bin")), {},
         ieUnrecognizedScheme, 1},
        {"ftp URL", QStringLiteral("ftp://127.0.0.1:%1/file.bin").arg(FServer.Port()), {}, ieUnrecognizedScheme, 0},
        {"port out of range", QStringLiteral("http://127.0.0.1:99999/file.bin"), {}, ieInvalidUrl, 0},
        {"nobody listening", QStringLiteral("http://127.0.0.1:1/file.bin"), {}, ieCannotConnect, 0},
        {"header with a line break", Url(QStringLiteral("/file.bin")), QStringLiteral("X-A: 1\r\nX-B: 2"),
         ieInternalError, 0},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        const qsizetype before = FServer.Requests().size();
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = testCase.Url;
        if (!testCase.Header.isEmpty())
            options.Headers << testCase.Header;
        EXPECT_FALSE(request.Open(options));
        EXPECT_EQ(request.ErrorCode(), testCase.Error) << request.ErrorText().toStdString();
        EXPECT_FALSE(request.ErrorText().isEmpty());
        EXPECT_EQ(request.StatusCode(), 0);
        char buffer[Block];
        EXPECT_EQ(request.Read(buffer, Block), -1);
        EXPECT_EQ(request.ErrorCode(), testCase.Error);
        EXPECT_EQ(FServer.Requests().size() - before, testCase.RequestsSeen);
    }
}

TEST_F(THttpRequestTest, CertificatesAreVerifiedAgainstTheTrustedOnes)
{
    TSecureServer secure(FBody);
    ASSERT_TRUE(secure.Started) << secure.Server.Message().toStdString();

    struct TCase {
        const char* Name;
        bool TrustServer;
        QString Host;
        quint32 Error;
    };
    const TCase cases[] = {
        {"self-signed, not trusted", false, QStringLiteral("127.0.0.1"), ieCertificateNotTrusted},
        {"trusted, by address", true, QStringLiteral("127.0.0.1"), 0},
        {"trusted, by name", true, QStringLiteral("localhost"), 0},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), QString());
        if (testCase.TrustServer)
            session.SetCaFile(secure.Server.CaFile());
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = QStringLiteral("https://%1:%2/file.bin").arg(testCase.Host).arg(secure.Server.Port());
        EXPECT_EQ(request.Open(options), testCase.Error == 0);
        EXPECT_EQ(request.ErrorCode(), testCase.Error) << request.ErrorText().toStdString();
        if (testCase.Error == 0) {
            EXPECT_EQ(request.StatusCode(), 200);
            const TBody body = ReadAll(request);
            EXPECT_EQ(body.LastRead, 0);
            EXPECT_TRUE(body.Data == FBody);
        }
    }
}

TEST_F(THttpRequestTest, AuthorizationNeverFollowsARedirectToAnotherHost)
{
    THttpServerFixture other;
    ASSERT_TRUE(other.Start()) << other.Message().toStdString();
    QFile file(other.DocRoot() + QStringLiteral("/file.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(FBody) == FBody.size());
    file.close();

    struct TCase {
        const char* Name;
        const THttpServerFixture& Target;
        QString Location;
        bool KeepsAuthorization;
    };
    const TCase cases[] = {
        {"same host and port", FServer, QStringLiteral("/file.bin?auth=ann:secret"), true},
        {"other port", other, other.BaseUrl() + QStringLiteral("/file.bin"), false},
        {"other host name", FServer, QStringLiteral("http://localhost:%1/file.bin").arg(FServer.Port()), false},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(QStringLiteral("/redirect/302?to=") + QString::fromLatin1(QUrl::toPercentEncoding(testCase.Location)));
        options.Headers << BasicAuthorization("ann:secret");
        ASSERT_TRUE(request.Open(options)) << request.ErrorText().toStdString();
        EXPECT_EQ(request.StatusCode(), 200);

        const QList<QJsonObject> received = testCase.Target.Requests();
        ASSERT_FALSE(received.isEmpty());
        const QJsonObject headers = received.last().value(QStringLiteral("headers")).toObject();
        EXPECT_EQ(received.last().value(QStringLiteral("path")).toString(), QStringLiteral("/file.bin"));
        EXPECT_EQ(headers.contains(QStringLiteral("authorization")), testCase.KeepsAuthorization);
    }
}

TEST_F(THttpRequestTest, KeepAliveReusesTheConnectionAndOtherwiseItCloses)
{
    // The first answer is a 401, read to its end as before a retry with credentials (a request
    // closed before its body has arrived gives up its connection).
    for (const bool keepAlive : {true, false}) {
        SCOPED_TRACE(keepAlive ? "keep alive" : "close");
        const qsizetype before = FServer.Requests().size();
        for (const char* credentials : {"", "ann:secret"}) {
            THttpRequest request(FSession);
            THttpRequestOptions options;
            options.Url = Url(QStringLiteral("/file.bin?auth=ann:secret"));
            options.KeepAlive = keepAlive;
            if (*credentials)
                options.Headers << BasicAuthorization(credentials);
            ASSERT_TRUE(request.Open(options));
            EXPECT_EQ(request.StatusCode(), *credentials ? 200 : 401);
            char buffer[4096];
            while (request.Read(buffer, sizeof buffer) > 0) {
            }
        }
        const QList<QJsonObject> requests = FServer.Requests().mid(before);
        ASSERT_EQ(requests.size(), 2);
        const QString connection = QStringLiteral("connection");
        EXPECT_EQ(requests[0].value(connection) == requests[1].value(connection), keepAlive);
    }
}

TEST_F(THttpRequestTest, NoCacheAndTheAgentGoWithEveryRequest)
{
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/file.bin"));
    ASSERT_TRUE(request.Open(options));
    const QJsonObject headers = FServer.Requests().last().value(QStringLiteral("headers")).toObject();
    EXPECT_EQ(headers.value(QStringLiteral("cache-control")).toString(), QStringLiteral("no-cache"));
    EXPECT_EQ(headers.value(QStringLiteral("pragma")).toString(), QStringLiteral("no-cache"));
    EXPECT_EQ(headers.value(QStringLiteral("user-agent")).toString(), QStringLiteral("OrvantaTest/1.0"));
    EXPECT_FALSE(headers.contains(QStringLiteral("accept-encoding")));
}

TEST_F(THttpRequestTest, ProxyCredentialsGoOnlyToTheProxyThatAsksForThem)
{
    // The server answers requests in proxy form itself, so it stands in for a proxy; as a proxy
    // it asks for a Basic login (and refuses every one, it cannot check them).
    for (const bool throughProxy : {true, false}) {
        SCOPED_TRACE(throughProxy ? "through the proxy" : "no proxy");
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), throughProxy ? FServer.BaseUrl() : QString());
        session.SetProxyCredentials(QStringLiteral("proxy user"), QStringLiteral("s:cret"));
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = throughProxy ? QStringLiteral("http://example.invalid/file.bin?status=407&header="
                                                    "Proxy-Authenticate:%20Basic%20realm=%22office%22")
                                   : Url(QStringLiteral("/file.bin"));
        const qsizetype before = FServer.Requests().size();
        EXPECT_EQ(request.Open(options), !throughProxy) << request.ErrorText().toStdString();

        const QList<QJsonObject> received = FServer.Requests().mid(before);
        ASSERT_EQ(received.size(), throughProxy ? 2 : 1);
        for (const QJsonObject& one : received)
            EXPECT_FALSE(one.value(QStringLiteral("headers")).toObject().contains(QStringLiteral("authorization")));
        const QJsonObject headers = received.last().value(QStringLiteral("headers")).toObject();
        if (throughProxy) {
            EXPECT_EQ(received.last().value(QStringLiteral("target")).toString(), options.Url);
            EXPECT_FALSE(received.first().value(QStringLiteral("headers")).toObject().contains(QStringLiteral("proxy-authorization")));
            EXPECT_EQ(headers.value(QStringLiteral("proxy-authorization")).toString(),
                      BasicAuthorization("proxy user:s:cret").mid(15));
            EXPECT_EQ(request.Reason(), QStringLiteral("The proxy 127.0.0.1:%1 did not accept the login (407).").arg(FServer.Port()));
        } else {
            EXPECT_FALSE(headers.contains(QStringLiteral("proxy-authorization")));
        }
    }
}

TEST_F(THttpRequestTest, ConnectionDroppedMidBodyFailsTheReadAfterTheBytesThatCame)
{
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/file.bin?drop=100000"));
    ASSERT_TRUE(request.Open(options));
    EXPECT_EQ(request.ContentLength(), BodySize);

    const TBody body = ReadAll(request);
    EXPECT_EQ(body.LastRead, -1);
    EXPECT_TRUE(body.Data == FBody.left(100000)) << body.Data.size() << " bytes";
    EXPECT_EQ(request.ErrorCode(), ieConnectionAborted);
    EXPECT_FALSE(request.ErrorText().isEmpty());
    char buffer[Block];
    EXPECT_EQ(request.Read(buffer, Block), -1);
}

TEST_F(THttpRequestTest, CancelThroughOnWaitEndsAStalledReadAtOnce)
{
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/file.bin?stall=1000"));
    ASSERT_TRUE(request.Open(options));
    char buffer[Block];
    qint64 received = 0;
    while (received < 1000) {
        const qint64 count = request.Read(buffer, Block);
        ASSERT_GT(count, 0);
        received += count;
    }

    // A user presses Cancel 200 ms into the stall: the click is an event that only OnWait lets in.
    QElapsedTimer clock;
    clock.start();
    qint64 cancelledAt = -1;
    QTimer::singleShot(200, [&] { cancelledAt = clock.elapsed(); });
    request.OnWait = [&] {
        QCoreApplication::processEvents();
        return cancelledAt < 0;
    };
    EXPECT_EQ(request.Read(buffer, Block), -1);
    const qint64 returnedAt = clock.elapsed();
    EXPECT_EQ(request.ErrorCode(), ieOperationCancelled);
    ASSERT_GE(cancelledAt, 200);
    EXPECT_LT(cancelledAt, 300) << "OnWait came too rarely to let the click in";
    EXPECT_LT(returnedAt - cancelledAt, 100);
}

TEST_F(THttpRequestTest, SilentServerEndsWithTheReceiveTimeout)
{
    FSession.SetTimeouts(0, 0, 300);
    struct TCase {
        const char* Name;
        QString Path;
        qint64 BodyBytes; // -1: the answer never starts, so Open fails
    };
    const TCase cases[] = {
        {"no answer at all", QStringLiteral("/file.bin?hang=1"), -1},
        {"the body stops", QStringLiteral("/file.bin?stall=1000"), 1000},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        QElapsedTimer clock;
        clock.start();
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(testCase.Path);
        EXPECT_EQ(request.Open(options), testCase.BodyBytes >= 0);
        if (testCase.BodyBytes >= 0) {
            const TBody body = ReadAll(request);
            EXPECT_EQ(body.LastRead, -1);
            EXPECT_EQ(body.Data.size(), testCase.BodyBytes);
        }
        EXPECT_EQ(request.ErrorCode(), ieTimeout);
        EXPECT_GE(clock.elapsed(), 300);
        EXPECT_LT(clock.elapsed(), 3000);
    }
}

TEST_F(THttpRequestTest, RequestDestroyedFromOnWaitLeavesTheReadAlone)
{
    auto request = std::make_unique<THttpRequest>(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/file.bin?stall=0"));
    ASSERT_TRUE(request->Open(options));
    THttpRequest* reading = request.get();
    reading->OnWait = [&request] {
        request.reset();
        return true;
    };
    char buffer[Block];
    EXPECT_EQ(reading->Read(buffer, Block), -1);
    EXPECT_EQ(request, nullptr);
}

TEST_F(THttpRequestTest, UploadsSendTheBodyWithItsLengthAndGiveTheAnswer)
{
    struct TCase {
        QByteArray Method;
        qint64 Size;
    };
    const TCase cases[] = {{"POST", 0}, {"POST", 8192}, {"PUT", 0}, {"PUT", 8192}};
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Method.toStdString() + " " + std::to_string(testCase.Size));
        const QByteArray data = FBody.left(testCase.Size);
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(QStringLiteral("/upload/target.bin?status=201"));
        options.Method = testCase.Method;
        options.UploadLength = testCase.Size;
        ASSERT_TRUE(request.Open(options)) << request.ErrorText().toStdString();
        for (qint64 offset = 0; offset < data.size(); offset += Block)
            ASSERT_TRUE(request.Write(data.constData() + offset, std::min(Block, data.size() - offset)));
        ASSERT_TRUE(request.FinishUpload()) << request.ErrorText().toStdString();
        EXPECT_EQ(request.StatusCode(), 201);
        EXPECT_EQ(request.ErrorCode(), 0u);

        const QJsonObject received = FServer.Requests().last();
        const QJsonObject headers = received.value(QStringLiteral("headers")).toObject();
        EXPECT_EQ(received.value(QStringLiteral("method")).toString(), QString::fromLatin1(testCase.Method));
        EXPECT_EQ(headers.value(QStringLiteral("content-length")).toString(), QString::number(testCase.Size));
        EXPECT_EQ(received.value(QStringLiteral("body_length")).toInteger(), testCase.Size);
        EXPECT_EQ(received.value(QStringLiteral("body_sha256")).toString(), Sha256(data));
        EXPECT_FALSE(headers.contains(QStringLiteral("content-type")));
        EXPECT_FALSE(headers.contains(QStringLiteral("expect")));
        EXPECT_FALSE(headers.contains(QStringLiteral("transfer-encoding")));
    }
}

TEST_F(THttpRequestTest, EarlyAnswerEndsTheUpload)
{
    constexpr qint64 Announced = 64 * 1024 * 1024;
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/upload/big.bin?early=413"));
    options.Method = "PUT";
    options.UploadLength = Announced;
    ASSERT_TRUE(request.Open(options));
    qint64 written = 0;
    while (written < Announced && request.Write(FBody.constData(), Block))
        written += Block;
    EXPECT_LT(written, Announced);
    EXPECT_EQ(request.StatusCode(), 413);
    EXPECT_EQ(request.ErrorCode(), ieServerRefused);
    EXPECT_TRUE(request.ErrorText().contains(QStringLiteral("413"))) << request.ErrorText().toStdString();
    EXPECT_FALSE(request.Write(FBody.constData(), Block));
    EXPECT_TRUE(request.FinishUpload());
    EXPECT_EQ(request.StatusCode(), 413);
}

TEST_F(THttpRequestTest, UploadNeverSendsMoreThanAnnounced)
{
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/upload/exact.bin"));
    options.Method = "POST";
    options.UploadLength = 6000;
    ASSERT_TRUE(request.Open(options));
    ASSERT_TRUE(request.Write(FBody.constData(), Block));
    EXPECT_FALSE(request.Write(FBody.constData() + Block, Block));
    EXPECT_EQ(request.ErrorCode(), ieInternalError);
    ASSERT_TRUE(request.Write(FBody.constData() + Block, 6000 - Block));
    ASSERT_TRUE(request.FinishUpload()) << request.ErrorText().toStdString();
    EXPECT_EQ(request.StatusCode(), 200);

    const QJsonObject received = FServer.Requests().last();
    EXPECT_EQ(received.value(QStringLiteral("body_sha256")).toString(), Sha256(FBody.left(6000)));
}

TEST_F(THttpRequestTest, UploadEndedShortIsAbortedNotPassedOffAsComplete)
{
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/upload/short.bin"));
    options.Method = "PUT";
    options.UploadLength = 8192;
    ASSERT_TRUE(request.Open(options));
    ASSERT_TRUE(request.Write(FBody.constData(), Block));
    EXPECT_FALSE(request.FinishUpload());
    EXPECT_EQ(request.ErrorCode(), ieConnectionAborted);
    EXPECT_EQ(request.StatusCode(), 0);

    // The server sees the connection end after the bytes that came, and answers nothing.
    ASSERT_TRUE(testsupport::waitFor([this] { return !RequestsFor(QStringLiteral("/upload/short.bin")).isEmpty(); }));
    EXPECT_EQ(RequestsFor(QStringLiteral("/upload/short.bin")).last().value(QStringLiteral("body_length")).toInteger(),
              Block);
}

TEST_F(THttpRequestTest, DifferentFailuresGiveDifferentSpecificReasons)
{
    TSecureServer secure(FBody);
    ASSERT_TRUE(secure.Started) << secure.Server.Message().toStdString();
    const QString secureFile = secure.Server.BaseUrl() + QStringLiteral("/file.bin");
    const QString plainFile = Url(QStringLiteral("/file.bin"));
    struct TCase {
        const char* Name;
        QString Url;
        QString Proxy;
        bool TrustSecure;
        quint32 Error;
        QString Reason; // the start of the reason
    };
    const TCase cases[] = {
        {"untrusted certificate", secureFile, {}, false, ieCertificateNotTrusted,
         QStringLiteral("SSL certificate problem: self-signed certificate")},
        {"connection refused", QStringLiteral("http://127.0.0.1:1/file.bin"), {}, false, ieCannotConnect,
         QStringLiteral("Failed to connect to 127.0.0.1 port 1")},
        {"dead proxy", plainFile, QStringLiteral("http://127.0.0.1:1"), false, ieCannotConnect,
         QStringLiteral("Could not connect to the proxy 127.0.0.1:1: Failed to connect to 127.0.0.1 port 1")},
        {"redirect loop", Url(QStringLiteral("/loop")), {}, false, ieRedirectFailed,
         QStringLiteral("Maximum (10) redirects followed")},
        {"redirect from https to http", secure.Server.BaseUrl() + QStringLiteral("/redirect/302?to=") + plainFile, {},
         true, ieHttpsToHttpRedirect, QStringLiteral("Refused a redirect from https to http: ") + plainFile},
        {"invalid Content-Length", Url(QStringLiteral("/file.bin?clen=12abc")), {}, false, ieInvalidServerResponse,
         QStringLiteral("The server sent an invalid Content-Length.")},
    };
    std::set<QString> reasons;
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), testCase.Proxy);
        if (testCase.TrustSecure)
            session.SetCaFile(secure.Server.CaFile());
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = testCase.Url;
        EXPECT_FALSE(request.Open(options));
        EXPECT_EQ(request.ErrorCode(), testCase.Error) << request.Reason().toStdString();
        EXPECT_TRUE(request.Reason().startsWith(testCase.Reason)) << request.Reason().toStdString();
        EXPECT_FALSE(request.ErrorText().isEmpty());
        reasons.insert(request.Reason());
    }
    EXPECT_EQ(reasons.size(), std::size(cases));

    THttpRequest succeeded(FSession);
    THttpRequestOptions options;
    options.Url = plainFile;
    ASSERT_TRUE(succeeded.Open(options));
    EXPECT_TRUE(succeeded.Reason().isEmpty()) << succeeded.Reason().toStdString();
}

TEST_F(THttpRequestTest, LineBreaksAndNulNeverReachTheWire)
{
    PutFile(QStringLiteral("ok"), 100);
    const QString injected = QStringLiteral("A\r\nX-Injected: 1");
    struct TCase {
        const char* Name;
        QString Url;
        QByteArray Method;
        QString Agent;
        QString Header;
        QString Proxy;
        QString ProxyUser;
        quint32 Error;
        QString Reason;
    };
    const QString file = Url(QStringLiteral("/file.bin"));
    const QString proxy = FServer.BaseUrl();
    const TCase cases[] = {
        {"agent", file, "GET", injected, {}, {}, {}, ieInternalError,
         QStringLiteral("The user agent contains a line break or NUL character.")},
        {"URL with a NUL", Url(QStringLiteral("/ok")) + QChar(0) + QStringLiteral("/../x"), "GET", {}, {}, {}, {},
         ieInvalidUrl, QStringLiteral("The address contains a line break or NUL character.")},
        {"URL with a line break", file + QStringLiteral("\r\nX-Injected: 1"), "GET", {}, {}, {}, {}, ieInvalidUrl,
         QStringLiteral("The address contains a line break or NUL character.")},
        {"header with a NUL", file, "PUT", {}, QStringLiteral("X-A: 1") + QChar(0) + QStringLiteral("X-Injected: 1"),
         {}, {}, ieInternalError, QStringLiteral("A request header contains a line break or NUL character.")},
        {"method", file, "POST\r\nX-Injected: 1", {}, {}, {}, {}, ieInternalError,
         QStringLiteral("The request method contains a line break or NUL character.")},
        {"proxy", QStringLiteral("http://example.invalid/file.bin"), "GET", {}, {}, proxy + QStringLiteral("\nX-Injected: 1"),
         {}, ieProxyFailure, QStringLiteral("The proxy address contains a line break or NUL character.")},
        {"proxy user", QStringLiteral("http://example.invalid/file.bin"), "GET", {}, {}, proxy, injected,
         ieProxyFailure, QStringLiteral("The proxy user name contains a line break or NUL character.")},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        const qsizetype before = FServer.Requests().size();
        TInternetSession session(testCase.Agent.isEmpty() ? QStringLiteral("OrvantaTest/1.0") : testCase.Agent,
                                 testCase.Proxy);
        session.SetProxyCredentials(testCase.ProxyUser, QStringLiteral("secret"));
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = testCase.Url;
        options.Method = testCase.Method;
        options.UploadLength = 0;
        if (!testCase.Header.isEmpty())
            options.Headers << testCase.Header;
        EXPECT_FALSE(request.Open(options));
        EXPECT_EQ(request.ErrorCode(), testCase.Error);
        EXPECT_EQ(request.Reason(), testCase.Reason);
        EXPECT_EQ(request.ErrorText(), testCase.Reason);
        EXPECT_EQ(request.StatusCode(), 0);
        EXPECT_EQ(FServer.Requests().size(), before) << "a request went out";
    }
    for (const QJsonObject& request : FServer.Requests())
        EXPECT_FALSE(HasHeader(request, QStringLiteral("x-injected")));
}

TEST_F(THttpRequestTest, ContentLengthThatCannotBeTrueFailsBeforeAnyBody)
{
    const QByteArray ten = PutFile(QStringLiteral("ten.bin"), 10);
    struct TCase {
        const char* Name;
        QString Lengths; // the Content-Length lines, comma-separated
        bool Valid;
    };
    const TCase cases[] = {
        {"2^64", QStringLiteral("18446744073709551616"), false},
        {"2^63", QStringLiteral("9223372036854775808"), false},
        {"digits then letters", QStringLiteral("12abc"), false},
        {"empty", QString(), false},
        {"negative", QStringLiteral("-1"), false},
        {"two different", QStringLiteral("10,11"), false},
        {"two different, the last one true", QStringLiteral("11,10"), false},
        {"plain", QStringLiteral("10"), true},
        {"two equal", QStringLiteral("10,10"), true},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(QStringLiteral("/ten.bin?clen=") + testCase.Lengths);
        const bool opened = request.Open(options);
        EXPECT_EQ(opened, testCase.Valid) << request.Reason().toStdString();
        const TBody body = ReadAll(request);
        if (testCase.Valid) {
            EXPECT_EQ(body.LastRead, 0);
            EXPECT_TRUE(body.Data == ten);
            EXPECT_EQ(request.ContentLength(), 10);
        } else {
            EXPECT_EQ(body.LastRead, -1);
            EXPECT_TRUE(body.Data.isEmpty()) << body.Data.size() << " bytes handed out";
            EXPECT_EQ(request.ErrorCode(), ieInvalidServerResponse);
            EXPECT_EQ(request.Reason(), QStringLiteral("The server sent an invalid Content-Length."));
        }
    }
}

TEST_F(THttpRequestTest, SecureRequestsNeverRedirectToPlainHttp)
{
    TSecureServer secure(FBody);
    ASSERT_TRUE(secure.Started) << secure.Server.Message().toStdString();
    FSession.SetCaFile(secure.Server.CaFile());
    const QString secureBase = secure.Server.BaseUrl();
    const QString plainBase = FServer.BaseUrl();
    const QString file = QStringLiteral("/file.bin");
    struct TCase {
        const char* Name;
        QString From;
        QString To;
        bool Followed;
    };
    const TCase cases[] = {
        {"https to http", secureBase, plainBase + file, false},
        {"https to http on the same host and port", secureBase,
         QStringLiteral("http://127.0.0.1:%1/file.bin").arg(secure.Server.Port()), false},
        {"https to https", secureBase, secureBase + file, true},
        {"http to https", plainBase, secureBase + file, true},
        {"http to http", plainBase, plainBase + file, true},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        const qsizetype plainBefore = FServer.Requests().size();
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = testCase.From + QStringLiteral("/redirect/302?to=") + testCase.To;
        EXPECT_EQ(request.Open(options), testCase.Followed) << request.Reason().toStdString();
        if (testCase.Followed) {
            EXPECT_EQ(request.StatusCode(), 200);
            EXPECT_EQ(request.FinalUrl(), testCase.To);
            EXPECT_TRUE(ReadAll(request).Data == FBody);
        } else {
            EXPECT_EQ(request.ErrorCode(), ieHttpsToHttpRedirect);
            EXPECT_EQ(request.Reason(), QStringLiteral("Refused a redirect from https to http: ") + testCase.To);
            EXPECT_EQ(FServer.Requests().size(), plainBefore) << "the plain server was asked";
        }
    }
}

TEST_F(THttpRequestTest, TricklingServerFailsWithinTheReceiveTimeout)
{
    // 20 000 bytes a second for 1.5 s: slow, but never below 1024 bytes a second.
    const QByteArray paced = PutFile(QStringLiteral("paced.bin"), 30000);
    // Dripped whole, it would take 6 s, each drop well within the time-out.
    PutFile(QStringLiteral("drip.bin"), 20);
    FSession.SetTimeouts(0, 0, 1000);
    struct TCase {
        const char* Name;
        QString Path;
        bool Opens;
        QString Reason; // empty: the whole body arrives
    };
    const TCase cases[] = {
        {"a header line every 0.3 s", QStringLiteral("/drip.bin?drip=headers"), false,
         QStringLiteral("The server did not complete the headers of its answer within 1 second.")},
        {"a body byte every 0.3 s", QStringLiteral("/drip.bin?drip=body"), true,
         QStringLiteral("The server sent fewer than 1024 bytes in 1 second.")},
        {"slow but steady", QStringLiteral("/paced.bin?rate=20000"), true, {}},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        QElapsedTimer clock;
        clock.start();
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(testCase.Path);
        EXPECT_EQ(request.Open(options), testCase.Opens) << request.Reason().toStdString();
        const TBody body = ReadAll(request);
        if (testCase.Reason.isEmpty()) {
            EXPECT_EQ(body.LastRead, 0) << request.Reason().toStdString();
            EXPECT_TRUE(body.Data == paced);
            EXPECT_GE(clock.elapsed(), 1000) << "the server was not slow";
            continue;
        }
        EXPECT_EQ(body.LastRead, -1);
        EXPECT_EQ(request.ErrorCode(), ieTimeout);
        EXPECT_EQ(request.Reason(), testCase.Reason);
        EXPECT_GE(clock.elapsed(), 1000);
        EXPECT_LT(clock.elapsed(), 4000);
    }
}

TEST_F(THttpRequestTest, TricklingUploadFailsWithinTheSendTimeout)
{
    // Far more than the socket buffers hold, so the server's pace shows.
    constexpr qint64 Announced = 256 * 1024 * 1024;
    FSession.SetTimeouts(0, 1000, 0);
    QElapsedTimer clock;
    clock.start();
    THttpRequest request(FSession);
    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/upload/slow.bin?drip=body"));
    options.Method = "PUT";
    options.UploadLength = Announced;
    ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
    qint64 written = 0;
    while (written < Announced && request.Write(FBody.constData(), Block))
        written += Block;
    EXPECT_LT(written, Announced);
    EXPECT_EQ(request.ErrorCode(), ieTimeout);
    EXPECT_EQ(request.Reason(), QStringLiteral("The server took fewer than 1024 bytes in 1 second."));
    EXPECT_LT(clock.elapsed(), 6000);
}

TEST_F(THttpRequestTest, UploadsCarryTheExtraHeaderLines)
{
    const QString credentials = QStringLiteral("Authorization: Basic ")
                                + QString::fromLatin1(QStringLiteral("bob:pässwörd").toUtf8().toBase64());
    const QByteArray data = FBody.left(5000);
    for (const QByteArray method : {"POST", "PUT"}) {
        for (const bool withCredentials : {false, true}) {
            SCOPED_TRACE(method.toStdString() + (withCredentials ? " with credentials" : " without"));
            THttpRequest request(FSession);
            THttpRequestOptions options;
            options.Url = Url(QStringLiteral("/protected/upload.bin"));
            options.Method = method;
            options.UploadLength = data.size();
            options.Headers << QStringLiteral("X-Extra: 1");
            if (withCredentials)
                options.Headers << credentials;
            ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
            ASSERT_TRUE(request.Write(data.constData(), data.size()));
            ASSERT_TRUE(request.FinishUpload()) << request.Reason().toStdString();
            EXPECT_EQ(request.StatusCode(), withCredentials ? 200 : 401);

            const QJsonObject received = FServer.Requests().last();
            const QJsonObject headers = received.value(QStringLiteral("headers")).toObject();
            EXPECT_EQ(headers.value(QStringLiteral("x-extra")).toString(), QStringLiteral("1"));
            EXPECT_EQ(headers.value(QStringLiteral("authorization")).toString(),
                      withCredentials ? credentials.mid(15) : QString());
            EXPECT_EQ(received.value(QStringLiteral("body_sha256")).toString(), Sha256(data));
        }
    }
}

} // namespace

namespace {

TEST_F(THttpRequestTest, TheLoginGoesByTheSchemeTheServerAsksFor)
{
    struct TCase {
        const char* Name;
        QString Login;     // the schemes the server offers and accepts
        QString Password;  // the right one is "secret"; empty: no login given
        int Status;
        QString Scheme;    // of the last request's Authorization, empty for none
    };
    const TCase cases[] = {
        {"Basic", QStringLiteral("basic"), QStringLiteral("secret"), 200, QStringLiteral("Basic")},
        {"Digest only", QStringLiteral("digest"), QStringLiteral("secret"), 200, QStringLiteral("Digest")},
        {"Digest or Basic", QStringLiteral("basic,digest"), QStringLiteral("secret"), 200, QStringLiteral("Digest")},
        {"a wrong password, asked once", QStringLiteral("digest"), QStringLiteral("wrong"), 401,
         QStringLiteral("Digest")},
        {"no login", QStringLiteral("digest"), {}, 401, {}},
    };
    const QByteArray data = FBody.left(5000);
    for (const QByteArray method : {"GET", "PUT"}) {
        for (const TCase& testCase : cases) {
            SCOPED_TRACE(method.toStdString() + ", " + testCase.Name);
            const qsizetype before = FServer.Requests().size();
            THttpRequest request(FSession);
            THttpRequestOptions options;
            options.Url = Url(QStringLiteral("/file.bin?auth=ann:secret&login=") + testCase.Login);
            options.Method = method;
            if (!testCase.Password.isEmpty()) {
                options.UserName = QStringLiteral("ann");
                options.Password = testCase.Password;
            }
            const bool uploads = method != "GET";
            options.UploadLength = uploads ? data.size() : -1;
            ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
            // A refusal may come before the body: the upload ends with that answer.
            if (uploads && !(request.Write(data.constData(), data.size()) && request.FinishUpload())) {
                EXPECT_NE(testCase.Status, 200) << request.Reason().toStdString();
            }
            EXPECT_EQ(request.StatusCode(), testCase.Status);
            if (!uploads) {
                const TBody body = ReadAll(request);
                EXPECT_EQ(body.LastRead, 0);
                if (testCase.Status == 200) {
                    EXPECT_TRUE(body.Data == FBody);
                }
            }

            const QList<QJsonObject> requests = FServer.Requests().mid(before);
            ASSERT_FALSE(requests.isEmpty());
            EXPECT_LE(requests.size(), 2);
            for (const QJsonObject& each : requests) {
                const QString authorization =
                    each.value(QStringLiteral("headers")).toObject().value(QStringLiteral("authorization")).toString();
                if (!testCase.Login.contains(QLatin1String("basic"))) {
                    EXPECT_FALSE(authorization.startsWith(QLatin1String("Basic"))) << authorization.toStdString();
                }
            }
            const QString last =
                requests.last().value(QStringLiteral("headers")).toObject().value(QStringLiteral("authorization")).toString();
            EXPECT_EQ(last.section(QLatin1Char(' '), 0, 0), testCase.Scheme);
            if (uploads && testCase.Status == 200) {
                EXPECT_EQ(requests.last().value(QStringLiteral("body_sha256")).toString(), Sha256(data));
            }
        }
    }
}

TEST_F(THttpRequestTest, ALoginBySchemesNotSupportedFailsOnceAndNamesThem)
{
    const QByteArray data = FBody.left(5000);
    for (const QByteArray method : {"GET", "POST"}) {
        SCOPED_TRACE(method.toStdString());
        const qsizetype before = FServer.Requests().size();
        THttpRequest request(FSession);
        THttpRequestOptions options;
        options.Url = Url(QStringLiteral("/file.bin?auth=ann:secret&login=ntlm,negotiate"));
        options.Method = method;
        options.UserName = QStringLiteral("ann");
        options.Password = QStringLiteral("secret");
        const bool uploads = method != "GET";
        options.UploadLength = uploads ? data.size() : -1;
        bool succeeded = request.Open(options);
        if (succeeded && uploads)
            succeeded = request.Write(data.constData(), data.size()) && request.FinishUpload();
        EXPECT_FALSE(succeeded);
        EXPECT_EQ(request.ErrorCode(), quint32(ieLoginMethodUnsupported));
        EXPECT_EQ(request.Reason(), QStringLiteral("The server 127.0.0.1 asks for a login by NTLM, NEGOTIATE, which "
                                                   "this program does not support."));
        EXPECT_EQ(request.LoginSchemes(), QStringList({QStringLiteral("NTLM"), QStringLiteral("NEGOTIATE")}));
        EXPECT_EQ(FServer.Requests().size() - before, 1);
    }
}

TEST_F(THttpRequestTest, ALoginGoesOnlyToTheHostThatAsked)
{
    THttpServerFixture other;
    ASSERT_TRUE(other.Start()) << other.Message().toStdString();
    QFile file(other.DocRoot() + QStringLiteral("/file.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(FBody) == FBody.size());
    file.close();
    const QString otherFile = other.BaseUrl() + QStringLiteral("/file.bin?auth=ann:secret&login=basic,digest");

    THttpRequestOptions options;
    options.Url = Url(QStringLiteral("/redirect/302?to=") + QString::fromLatin1(QUrl::toPercentEncoding(otherFile)));
    options.UserName = QStringLiteral("ann");
    options.Password = QStringLiteral("secret");
    THttpRequest request(FSession);
    ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
    EXPECT_EQ(request.StatusCode(), 401);
    EXPECT_EQ(request.FinalUrl(), otherFile);
    const auto authorizations = [](const THttpServerFixture& server) {
        qsizetype count = 0;
        for (const QJsonObject& each : server.Requests())
            count += each.value(QStringLiteral("headers")).toObject().contains(QStringLiteral("authorization"));
        return count;
    };
    EXPECT_EQ(authorizations(other), 0);

    // The login given again for the host that asked goes there.
    options.Url = request.FinalUrl();
    ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
    EXPECT_EQ(request.StatusCode(), 200);
    EXPECT_TRUE(ReadAll(request).Data == FBody);
    EXPECT_EQ(authorizations(other), 1);
    EXPECT_EQ(authorizations(FServer), 0);
}

} // namespace
