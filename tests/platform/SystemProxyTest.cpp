// Requests without a named proxy follow the system's proxy configuration (libproxy), against a
// real proxy (tinyproxy) and real servers on 127.0.0.1; the configuration comes from the
// environment of each test.
#include "platform/HttpRequest.h"
#include "platform/InternetErrors.h"
#include "platform/InternetSession.h"
#include "tests/platform/EnvironmentOverride.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/ProxyServerFixture.h"
#include "tests/support/ReservedPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QByteArray Body(100 * 1024, 'x');
const QString ProxyUser = QStringLiteral("alice");
const QString ProxyPassword = QStringLiteral("s3cret");

struct TVariable {
    const char* Name;
    QString Value;
};

struct TOutcome {
    bool Opened = false;
    quint32 Error = 0;
    QString Reason;
    QByteArray Body;
};

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// How often a request's OnWait ran while it waited: a window that it keeps responsive.
struct TWaitWatch {
    TWaitWatch() { Clock.start(); }

    bool Called()
    {
        const qint64 now = Clock.elapsed();
        LongestGapMs = std::max(LongestGapMs, now - LastCallMs);
        LastCallMs = now;
        return true;
    }

    QElapsedTimer Clock;
    qint64 LastCallMs = 0;
    qint64 LongestGapMs = 0;
};

class TSystemProxyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Only what a test sets counts, not the configuration of the machine that runs it.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "no_proxy", "NO_PROXY",
                                 "all_proxy", "ALL_PROXY"})
            FEnvironment.unset(name);
        ASSERT_TRUE(FPlain.Start()) << FPlain.Message().toStdString();
        ASSERT_TRUE(FSecure.Start(THttpServerFixture::TScheme::Https)) << FSecure.Message().toStdString();
        ASSERT_TRUE(WriteFile(FPlain.DocRoot() + QStringLiteral("/file.bin"), Body));
        ASSERT_TRUE(WriteFile(FSecure.DocRoot() + QStringLiteral("/file.bin"), Body));
    }

    void StartProxy(const QString& userName = {}, const QString& password = {})
    {
        ASSERT_TRUE(FProxy.Start(userName, password)) << FProxy.Message().toStdString();
    }

    // A PAC file on the plain server whose function returns `answer`; the URL libproxy takes it from.
    QString PacFile(const QString& name, const QString& answer)
    {
        return PacScript(name, QStringLiteral("return \"%1\";").arg(answer));
    }

    // A PAC file on the plain server whose function runs `body`.
    QString PacScript(const QString& name, const QString& body)
    {
        const QString script = QStringLiteral("function FindProxyForURL(url, host) { %1 }\n").arg(body);
        EXPECT_TRUE(WriteFile(FPlain.DocRoot() + QLatin1Char('/') + name, script.toUtf8()));
        return QStringLiteral("pac+") + FPlain.BaseUrl() + QLatin1Char('/') + name;
    }

    TOutcome Fetch(const QString& url, const std::vector<TVariable>& variables, const QString& namedProxy = {},
                   const QString& userName = {}, const QString& password = {})
    {
        TEnvironmentOverride environment;
        for (const TVariable& variable : variables)
            environment.set(variable.Name, variable.Value.toUtf8());
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), namedProxy);
        session.SetCaFile(FSecure.CaFile());
        session.SetProxyCredentials(userName, password);
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = url;
        TOutcome outcome;
        outcome.Opened = request.Open(options);
        outcome.Error = request.ErrorCode();
        outcome.Reason = request.Reason();
        char buffer[4096];
        for (qint64 read; outcome.Opened && (read = request.Read(buffer, sizeof buffer)) > 0;)
            outcome.Body.append(buffer, read);
        return outcome;
    }

    // The requests to the server that the proxy carried so far: their lines name the server's port.
    qsizetype Proxied(const THttpServerFixture& server) const
    {
        return FProxy.RequestLines().filter(QStringLiteral("127.0.0.1:%1").arg(server.Port())).size();
    }

    // A PAC file that never arrives: the server takes the request and sends nothing.
    QString SilentPacFile() const { return QStringLiteral("pac+") + FPlain.BaseUrl() + QStringLiteral("/x.pac?hang=1"); }

    QString PlainFile() const { return FPlain.BaseUrl() + QStringLiteral("/file.bin"); }
    QString SecureFile() const { return FSecure.BaseUrl() + QStringLiteral("/file.bin"); }

    TEnvironmentOverride FEnvironment;
    THttpServerFixture FPlain;
    THttpServerFixture FSecure;
    TProxyServerFixture FProxy;
};

// A script that runs on holds a thread of the proxy script engine after the test; the leak check
// at exit stops every thread and cannot stop that one (the engine handles the stop signal
// itself, and the checker crashes), so a process that left one behind skips the check.
bool ScriptThreadLeftRunning = false;

} // namespace

extern "C" int __lsan_is_turned_off()
{
    return ScriptThreadLeftRunning ? 1 : 0;
}

TEST_F(TSystemProxyTest, TheSystemConfigurationChoosesTheProxyForEachUrl)
{
    ASSERT_NO_FATAL_FAILURE(StartProxy());
    const TReservedPort deadPort;  // bound, never listening: connections are refused
    ASSERT_NE(deadPort.Port(), 0);
    const QString proxy = FProxy.Url();
    const QString proxyAnswer = QStringLiteral("PROXY 127.0.0.1:%1").arg(FProxy.Port());
    const QString deadAnswer = QStringLiteral("PROXY 127.0.0.1:%1").arg(deadPort.Port());
    struct TCase {
        const char* Name;
        std::vector<TVariable> Variables;
        bool Secure;
        bool ThroughProxy;
    };
    const TCase cases[] = {
        {"nothing configured", {}, false, false},
        {"http_proxy", {{"http_proxy", proxy}}, false, true},
        {"http_proxy, no_proxy names the host", {{"http_proxy", proxy}, {"no_proxy", QStringLiteral("127.0.0.1")}},
         false, false},
        {"https_proxy for an https server", {{"https_proxy", proxy}}, true, true},
        {"https_proxy, no_proxy names the host", {{"https_proxy", proxy}, {"no_proxy", QStringLiteral("127.0.0.1")}},
         true, false},
        {"a PAC file names the proxy", {{"http_proxy", PacFile(QStringLiteral("via.pac"), proxyAnswer)}}, false, true},
        {"a PAC file names the proxy for https",
         {{"https_proxy", PacFile(QStringLiteral("via.pac"), proxyAnswer)}}, true, true},
        {"a PAC file says DIRECT", {{"http_proxy", PacFile(QStringLiteral("direct.pac"), QStringLiteral("DIRECT"))}},
         false, false},
        {"a PAC list goes on past a proxy that cannot be reached",
         {{"http_proxy", PacFile(QStringLiteral("list.pac"), deadAnswer + QStringLiteral("; ") + proxyAnswer
                                                                + QStringLiteral("; DIRECT"))}},
         false, true},
        {"a PAC list goes on to DIRECT, for https too",
         {{"https_proxy", PacFile(QStringLiteral("fallback.pac"), deadAnswer + QStringLiteral("; DIRECT"))}}, true,
         false},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        const THttpServerFixture& server = testCase.Secure ? FSecure : FPlain;
        const qsizetype proxiedBefore = Proxied(server);
        const TOutcome outcome = Fetch(testCase.Secure ? SecureFile() : PlainFile(), testCase.Variables);
        ASSERT_TRUE(outcome.Opened) << outcome.Reason.toStdString();
        EXPECT_EQ(outcome.Body, Body);
        EXPECT_EQ(Proxied(server) - proxiedBefore, testCase.ThroughProxy ? 1 : 0)
            << FProxy.RequestLines().join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(TSystemProxyTest, AProxyThatWantsALoginSaysSoAndGetsOnlyItsOwnCredentials)
{
    ASSERT_NO_FATAL_FAILURE(StartProxy(ProxyUser, ProxyPassword));
    const QString proxyName = QStringLiteral("127.0.0.1:%1").arg(FProxy.Port());
    struct TCase {
        const char* Name;
        bool Secure;
        QString UserName;
        QString Password;
        QString Reason;  // empty when the download goes through
    };
    // tinyproxy answers a wrong login with 401, which for plain http cannot be told from the
    // server's own answer; see ARefusedLoginForPlainHttpIsTheProxys for that road.
    const TCase cases[] = {
        {"http, no login", false, {}, {}, QStringLiteral("The proxy %1 needs a login (407).").arg(proxyName)},
        {"https, no login", true, {}, {}, QStringLiteral("The proxy %1 needs a login (407).").arg(proxyName)},
        {"https, a wrong password", true, ProxyUser, QStringLiteral("wrong"),
         QStringLiteral("The proxy %1 did not accept the login (401).").arg(proxyName)},
        {"http, the right login", false, ProxyUser, ProxyPassword, {}},
        {"https, the right login", true, ProxyUser, ProxyPassword, {}},
    };
    const std::vector<TVariable> environment = {{"http_proxy", FProxy.Url()}, {"https_proxy", FProxy.Url()}};
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        const THttpServerFixture& server = testCase.Secure ? FSecure : FPlain;
        const qsizetype proxiedBefore = Proxied(server);
        const TOutcome outcome =
            Fetch(testCase.Secure ? SecureFile() : PlainFile(), environment, {}, testCase.UserName, testCase.Password);
        // A login goes only in answer to the proxy's challenge: first the request without one.
        EXPECT_EQ(Proxied(server) - proxiedBefore, testCase.UserName.isEmpty() ? 1 : 2);
        EXPECT_EQ(outcome.Reason, testCase.Reason);
        EXPECT_EQ(outcome.Opened, testCase.Reason.isEmpty());
        EXPECT_EQ(outcome.Error, testCase.Reason.isEmpty() ? 0u : quint32(ieProxyFailure));
        EXPECT_EQ(outcome.Body, testCase.Reason.isEmpty() ? Body : QByteArray());
    }
    EXPECT_FALSE(FPlain.Requests().isEmpty());
    for (const QJsonObject& request : FPlain.Requests())
        EXPECT_FALSE(request.value(QStringLiteral("headers")).toObject().contains(QStringLiteral("proxy-authorization")));
}

TEST_F(TSystemProxyTest, ARefusedLoginForPlainHttpIsTheProxys)
{
    // The plain server answers requests in proxy form itself, so it stands in for a proxy that
    // refuses the login it was given, for a download and for uploads it answers after the body
    // or before it.
    struct TCase {
        const char* Name;
        QByteArray Method;
        QString Query;
    };
    const TCase cases[] = {
        {"GET", "GET", QStringLiteral("status=407")},
        {"POST, answered after the body", "POST", QStringLiteral("status=407")},
        {"PUT, answered before the body", "PUT", QStringLiteral("early=407")},
    };
    TEnvironmentOverride environment;
    environment.set("http_proxy", FPlain.BaseUrl().toUtf8());
    const QByteArray upload(64 * 1024, 'u');
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), QString());
        session.SetProxyCredentials(ProxyUser, QStringLiteral("wrong"));
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = QStringLiteral("http://example.invalid/file.bin?") + testCase.Query;
        options.Method = testCase.Method;
        const bool uploads = testCase.Method != "GET";
        options.UploadLength = uploads ? upload.size() : -1;
        bool succeeded = request.Open(options);
        if (succeeded && uploads)
            succeeded = request.Write(upload.constData(), upload.size()) && request.FinishUpload();
        EXPECT_FALSE(succeeded);
        EXPECT_EQ(request.ErrorCode(), quint32(ieProxyFailure));
        EXPECT_EQ(request.Reason(),
                  QStringLiteral("The proxy 127.0.0.1:%1 did not accept the login (407).").arg(FPlain.Port()));
    }
}

TEST_F(TSystemProxyTest, AProxyThatCannotBeReachedIsNamed)
{
    const TReservedPort deadPort;  // bound, never listening: connections are refused
    ASSERT_NE(deadPort.Port(), 0);
    const QString proxy = QStringLiteral("http://127.0.0.1:%1").arg(deadPort.Port());
    for (const char* variable : {"http_proxy", "https_proxy"}) {
        SCOPED_TRACE(variable);
        const bool secure = QByteArray(variable) == "https_proxy";
        const TOutcome outcome = Fetch(secure ? SecureFile() : PlainFile(), {{variable, proxy}});
        EXPECT_FALSE(outcome.Opened);
        EXPECT_EQ(outcome.Error, quint32(ieCannotConnect));
        EXPECT_TRUE(outcome.Reason.startsWith(QStringLiteral("Could not connect to the proxy 127.0.0.1:%1: ")
                                                  .arg(deadPort.Port())))
            << outcome.Reason.toStdString();
        EXPECT_TRUE((secure ? FSecure : FPlain).Requests().isEmpty());
    }
}

TEST_F(TSystemProxyTest, ANamedProxyOverridesTheSystemConfiguration)
{
    ASSERT_NO_FATAL_FAILURE(StartProxy());
    const TReservedPort deadPort;
    ASSERT_NE(deadPort.Port(), 0);
    // The system's proxy is dead and its bypass list names the server: neither may count.
    const std::vector<TVariable> environment = {
        {"http_proxy", QStringLiteral("http://127.0.0.1:%1").arg(deadPort.Port())},
        {"no_proxy", QStringLiteral("127.0.0.1")}};
    const TOutcome outcome = Fetch(PlainFile(), environment, FProxy.Url());
    ASSERT_TRUE(outcome.Opened) << outcome.Reason.toStdString();
    EXPECT_EQ(outcome.Body, Body);
    EXPECT_EQ(Proxied(FPlain), 1);
}

TEST_F(TSystemProxyTest, ASilentOrSlowProxyScriptKeepsTheWindowResponsiveAndCostsOnce)
{
    ScriptThreadLeftRunning = true;
    ASSERT_NO_FATAL_FAILURE(StartProxy());
    constexpr qint64 LimitMs = 1000;
    const QString proxyAnswer = QStringLiteral("return \"PROXY 127.0.0.1:%1\";").arg(FProxy.Port());
    struct TCase {
        const char* Name;
        QString Pac;
        qint64 ScriptMs;  // how long the script runs
        bool TimesOut;
    };
    // A script that runs on past the time-out is, to the client, a script that loops; it ends
    // here so that it does not keep a core busy for the rest of the tests.
    const TCase cases[] = {
        {"the PAC file never arrives", SilentPacFile(), 0, true},
        {"the script runs on and on", PacScript(QStringLiteral("busy.pac"),
                                                QStringLiteral("var end = Date.now() + 3000; while (Date.now() < end) {} ")
                                                    + proxyAnswer),
         3000, true},
        {"a slow script", PacScript(QStringLiteral("slow.pac"),
                                    QStringLiteral("var end = Date.now() + 600; while (Date.now() < end) {} ") + proxyAnswer),
         600, false},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TEnvironmentOverride environment;
        environment.set("http_proxy", testCase.Pac.toUtf8());
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), QString());
        session.SetTimeouts(int(LimitMs), 0, 0);
        const qsizetype proxiedBefore = Proxied(FPlain);
        // The second request to the host takes the session's kept answer.
        for (const QString& query : {QStringLiteral("?first"), QStringLiteral("?second")}) {
            SCOPED_TRACE(query.toStdString());
            THttpRequest request(session);
            TWaitWatch watch;
            request.OnWait = [&watch] { return watch.Called(); };
            THttpRequestOptions options;
            options.Url = PlainFile() + query;
            ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
            const qint64 openMs = watch.Clock.elapsed();
            EXPECT_LT(watch.LongestGapMs, 150);
            EXPECT_EQ(request.ProxyScriptTimedOut(), testCase.TimesOut);
            if (query == QLatin1String("?second"))
                EXPECT_LT(openMs, 400);
            else if (testCase.TimesOut)
                EXPECT_TRUE(openMs >= LimitMs && openMs < LimitMs + 1000) << openMs;
            else
                EXPECT_GE(openMs, testCase.ScriptMs);
            QByteArray body;
            char buffer[4096];
            for (qint64 read; (read = request.Read(buffer, sizeof buffer)) > 0;)
                body.append(buffer, read);
            EXPECT_EQ(body, Body);
        }
        EXPECT_EQ(Proxied(FPlain) - proxiedBefore, testCase.TimesOut ? 0 : 2);
    }
}

TEST_F(TSystemProxyTest, CancelStopsTheProxyLookupAtOnce)
{
    TEnvironmentOverride environment;
    environment.set("http_proxy", SilentPacFile().toUtf8());
    TInternetSession session(QStringLiteral("OrvantaTest/1.0"), QString());  // waits up to 10 s
    THttpRequestOptions options;
    options.Url = PlainFile();
    {
        THttpRequest request(session);
        QElapsedTimer clock;
        clock.start();
        qint64 cancelledAtMs = -1;
        request.OnWait = [&] {
            if (clock.elapsed() < 300)
                return true;
            if (cancelledAtMs < 0)
                cancelledAtMs = clock.elapsed();
            return false;
        };
        EXPECT_FALSE(request.Open(options));
        EXPECT_GE(cancelledAtMs, 0);
        EXPECT_LT(clock.elapsed() - cancelledAtMs, 100);
        EXPECT_EQ(request.ErrorCode(), quint32(ieOperationCancelled));
    }
    {
        // A window closed while the lookup runs takes the request with it.
        auto request = std::make_unique<THttpRequest>(session);
        request->OnWait = [&request] {
            request.reset();
            return true;
        };
        EXPECT_FALSE(request->Open(options));
        EXPECT_EQ(request, nullptr);
    }
    for (const QJsonObject& served : FPlain.Requests())
        EXPECT_NE(served.value(QStringLiteral("path")).toString(), QStringLiteral("/file.bin"));
}

TEST_F(TSystemProxyTest, AFailureAfterASilentProxyScriptSaysSo)
{
    const TReservedPort deadPort;
    ASSERT_NE(deadPort.Port(), 0);
    TEnvironmentOverride environment;
    environment.set("http_proxy", SilentPacFile().toUtf8());
    TInternetSession session(QStringLiteral("OrvantaTest/1.0"), QString());
    session.SetTimeouts(500, 0, 0);
    THttpRequest request(session);
    THttpRequestOptions options;
    options.Url = QStringLiteral("http://127.0.0.1:%1/file.bin").arg(deadPort.Port());
    EXPECT_FALSE(request.Open(options));
    EXPECT_EQ(request.ErrorCode(), quint32(ieCannotConnect));
    EXPECT_TRUE(request.Reason().startsWith(
        QStringLiteral("The proxy script did not answer within 500 milliseconds, so the connection went direct: ")))
        << request.Reason().toStdString();
}

TEST_F(TSystemProxyTest, AnAnswerThatMarksItselfAsTheProxysIsToldApart)
{
    // The plain server answers requests in proxy form itself, so it stands in for a proxy.
    struct TCase {
        const char* Name;
        int Status;
        QString Header;
        bool ThroughProxy;
        bool FromProxy;
    };
    const TCase cases[] = {
        {"Proxy-Status names an error", 403,
         QStringLiteral("Proxy-Status: cache.example; error=destination_ip_prohibited"), true, true},
        {"X-Squid-Error", 403, QStringLiteral("X-Squid-Error: ERR_ACCESS_DENIED 0"), true, true},
        {"a 503 by a Via", 503, QStringLiteral("Via: 1.1 cache.example"), true, true},
        {"the server's 404 carried by a Via", 404, QStringLiteral("Via: 1.1 cache.example"), true, false},
        {"the server's 404 carried, as Proxy-Status says", 404,
         QStringLiteral("Proxy-Status: cache.example; received-status=404"), true, false},
        {"no proxy on the way", 403, QStringLiteral("X-Squid-Error: ERR_ACCESS_DENIED 0"), false, false},
    };
    for (const TCase& testCase : cases) {
        SCOPED_TRACE(testCase.Name);
        TInternetSession session(QStringLiteral("OrvantaTest/1.0"), testCase.ThroughProxy ? FPlain.BaseUrl() : QString());
        THttpRequest request(session);
        THttpRequestOptions options;
        options.Url = (testCase.ThroughProxy ? QStringLiteral("http://example.invalid") : FPlain.BaseUrl())
                      + QStringLiteral("/file.bin?status=%1&header=%2")
                            .arg(testCase.Status)
                            .arg(QString::fromLatin1(QUrl::toPercentEncoding(testCase.Header)));
        ASSERT_TRUE(request.Open(options)) << request.Reason().toStdString();
        EXPECT_EQ(request.StatusCode(), testCase.Status);
        EXPECT_EQ(request.AnswerFromProxy(), testCase.FromProxy);
        EXPECT_EQ(request.ProxyName(),
                  testCase.ThroughProxy ? QStringLiteral("127.0.0.1:%1").arg(FPlain.Port()) : QString());
    }
}

TEST_F(TSystemProxyTest, AnUploadThroughAProxyThatWantsALoginGetsTheProxysReason)
{
    ASSERT_NO_FATAL_FAILURE(StartProxy(ProxyUser, ProxyPassword));
    const QByteArray upload(64 * 1024, 'u');
    for (const QByteArray method : {"POST", "PUT"}) {
        for (const bool withLogin : {false, true}) {
            SCOPED_TRACE(method.toStdString() + (withLogin ? ", with the login" : ", without a login"));
            TInternetSession session(QStringLiteral("OrvantaTest/1.0"), FProxy.Url());
            if (withLogin)
                session.SetProxyCredentials(ProxyUser, ProxyPassword);
            THttpRequest request(session);
            THttpRequestOptions options;
            options.Url = FPlain.BaseUrl() + QStringLiteral("/upload.bin");
            options.Method = method;
            options.UploadLength = upload.size();
            const bool succeeded =
                request.Open(options) && request.Write(upload.constData(), upload.size()) && request.FinishUpload();
            EXPECT_EQ(succeeded, withLogin) << request.Reason().toStdString();
            if (withLogin) {
                EXPECT_EQ(request.StatusCode(), 200);
            } else {
                EXPECT_EQ(request.ErrorCode(), quint32(ieProxyFailure));
                EXPECT_EQ(request.Reason(),
                          QStringLiteral("The proxy 127.0.0.1:%1 needs a login (407).").arg(FProxy.Port()));
            }
        }
    }
}
