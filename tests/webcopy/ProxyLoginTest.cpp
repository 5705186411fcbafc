// Downloads (and uploads) through real proxies that want a login: squid with Basic, Digest and NTLM, tinyproxy
// with Basic, and squid with Kerberos (Negotiate) in a realm of the test's own.
#include "platform/HttpRequest.h"
#include "platform/InternetErrors.h"
#include "platform/InternetSession.h"
#include "tests/platform/EnvironmentOverride.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/KerberosRealm.h"
#include "tests/support/ProxyServerFixture.h"
#include "tests/support/SquidProxyFixture.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopy.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>


namespace {

const QString User = QStringLiteral("office");
const QString Password = QStringLiteral("Pr0xy-s3cret");
const QString WrongPassword = QStringLiteral("not-the-password");
const QByteArray Body = QByteArrayLiteral("the setup program\n");

struct TAsked {
    QString Proxy;
    bool Refused = false;
};

// The servers of the suite: one of each proxy, started once, and the download servers.
struct TProxies {
    TSquidProxyFixture Basic;
    TSquidProxyFixture Digest;
    TSquidProxyFixture Ntlm;
    TProxyServerFixture Tiny;
    THttpServerFixture Plain;
    THttpServerFixture Secure;
    QString Failure;

    bool Start()
    {
        const struct {
            TSquidProxyFixture& Proxy;
            TSquidProxyFixture::TScheme Scheme;
        } squids[] = {{Basic, TSquidProxyFixture::TScheme::Basic},
                      {Digest, TSquidProxyFixture::TScheme::Digest},
                      {Ntlm, TSquidProxyFixture::TScheme::Ntlm}};
        for (const auto& squid : squids) {
            if (!squid.Proxy.Start(squid.Scheme, User, Password)) {
                Failure = squid.Proxy.Message();
                return false;
            }
        }
        if (!Tiny.Start(User, Password)) {
            Failure = Tiny.Message();
            return false;
        }
        if (!Plain.Start() || !Secure.Start(THttpServerFixture::TScheme::Https)) {
            Failure = Plain.Message() + Secure.Message();
            return false;
        }
        for (THttpServerFixture* server : {&Plain, &Secure}) {
            QFile file(server->DocRoot() + QStringLiteral("/setup.exe"));
            if (!file.open(QIODevice::WriteOnly) || file.write(Body) != Body.size())
                return false;
        }
        return true;
    }
};

class ProxyLogin : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Proxies = new TProxies;
        if (!Proxies->Start())
            Failure = Proxies->Failure;
    }
    static void TearDownTestSuite()
    {
        delete Proxies;
        Proxies = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(Failure.isEmpty()) << Failure.toStdString();
        FWebCopy.ShowDialog = false;
        FWebCopy.CaFile = Proxies->Secure.CaFile();
        FWebCopy.OnURLNotFound = [this](QObject*, const QString& url) { NotFound << url; };
        FWebCopy.OnProxyLogin = [this](QObject*, const QString& proxy, bool refused, QString& userName,
                                       QString& password, bool& given) {
            Asked.push_back({proxy, refused});
            if (Answers.isEmpty())
                return;
            userName = User;
            password = Answers.takeFirst();
            given = true;
        };
    }

    // The proxies that check the password (Debian's NTLM helper for squid takes any).
    struct TCheckingProxy {
        const char* Name;
        quint16 Port;
    };
    static std::vector<TCheckingProxy> CheckingProxies()
    {
        return {{"squid, Basic", Proxies->Basic.Port()},
                {"squid, Digest", Proxies->Digest.Port()},
                {"tinyproxy, Basic", Proxies->Tiny.Port()}};
    }

    TWebCopyItem* Download(const THttpServerFixture& server, const QString& name)
    {
        TWebCopyItem* item = FWebCopy.Items().Add();
        item->URL = server.BaseUrl() + QStringLiteral("/setup.exe");
        item->TargetDir = FTarget.path();
        item->TargetFilename = name;
        return item;
    }
    QByteArray Downloaded(const QString& name) const
    {
        QFile file(FTarget.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Nothing of the proxy login reached a server.
    void ExpectTheLoginStayedWithTheProxy() const
    {
        for (const THttpServerFixture* server : {&Proxies->Plain, &Proxies->Secure}) {
            for (const QJsonObject& request : server->Requests()) {
                const QByteArray recorded = QJsonDocument(request).toJson();
                EXPECT_FALSE(recorded.toLower().contains("proxy-authorization")) << recorded.toStdString();
                EXPECT_FALSE(recorded.contains(Password.toUtf8())) << recorded.toStdString();
            }
        }
    }

    static inline TProxies* Proxies = nullptr;
    static inline QString Failure;
    QTemporaryDir FTarget;
    TWebCopy FWebCopy;
    QStringList Answers;  // the passwords the host gives, one per question
    std::vector<TAsked> Asked;
    QStringList NotFound;
};

} // namespace

TEST_F(ProxyLogin, TheLoginTheHostGivesCarriesTheDownloadThroughEveryProxyAndStaysWithIt)
{
    const struct {
        const char* Name;
        quint16 Port;
        TSquidProxyFixture* Squid;  // logs the user it let through
    } proxies[] = {
        {"squid, Basic", Proxies->Basic.Port(), &Proxies->Basic},
        {"squid, Digest", Proxies->Digest.Port(), &Proxies->Digest},
        {"squid, NTLM", Proxies->Ntlm.Port(), &Proxies->Ntlm},
        {"tinyproxy, Basic", Proxies->Tiny.Port(), nullptr},
    };
    for (const auto& proxy : proxies) {
        for (const bool secure : {false, true}) {
            SCOPED_TRACE(std::string(proxy.Name) + (secure ? ", https" : ", http"));
            const QString proxyName = QStringLiteral("127.0.0.1:%1").arg(proxy.Port);
            FWebCopy.Items().Clear();
            FWebCopy.Proxy = proxyName;
            Asked.clear();
            Answers = {Password};
            const THttpServerFixture& server = secure ? Proxies->Secure : Proxies->Plain;
            // Two items: the second goes with the login the first one was given.
            TWebCopyItem* first = Download(server, QStringLiteral("first.exe"));
            TWebCopyItem* second = Download(server, QStringLiteral("second.exe"));
            FWebCopy.Execute();
            EXPECT_TRUE(first->Success()) << first->ErrorReason().toStdString();
            EXPECT_TRUE(second->Success()) << second->ErrorReason().toStdString();
            EXPECT_EQ(Downloaded(QStringLiteral("second.exe")), Body);
            ASSERT_EQ(Asked.size(), 1u);
            EXPECT_EQ(Asked[0].Proxy, proxyName);
            EXPECT_FALSE(Asked[0].Refused);
            // ntlm_fake_auth logs the name with its domain, and not quite as sent.
            if (proxy.Squid) {
                EXPECT_TRUE(proxy.Squid->LetThrough(User)) << proxy.Squid->LoggedUsers().join(u' ').toStdString();
            }
        }
    }
    ExpectTheLoginStayedWithTheProxy();
}

TEST_F(ProxyLogin, AWrongLoginIsAskedForAgainAndARefusedAnswerEndsTheItemWithTheProxysReason)
{
    for (const TCheckingProxy& proxy : CheckingProxies()) {
        for (const bool secure : {false, true}) {
            SCOPED_TRACE(std::string(proxy.Name) + (secure ? ", https" : ", http"));
            const QString proxyName = QStringLiteral("127.0.0.1:%1").arg(proxy.Port);
            const THttpServerFixture& server = secure ? Proxies->Secure : Proxies->Plain;
            FWebCopy.Proxy = proxyName;

            // Wrong, then right.
            FWebCopy.Items().Clear();
            Asked.clear();
            Answers = {WrongPassword, Password};
            TWebCopyItem* item = Download(server, QStringLiteral("setup.exe"));
            FWebCopy.Execute();
            EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
            ASSERT_EQ(Asked.size(), 2u);
            EXPECT_FALSE(Asked[0].Refused);
            EXPECT_TRUE(Asked[1].Refused);

            // Wrong, then no answer: the item says what the proxy did.
            FWebCopy.Items().Clear();
            Asked.clear();
            NotFound.clear();
            Answers = {WrongPassword};
            item = Download(server, QStringLiteral("refused.exe"));
            FWebCopy.Execute();
            EXPECT_FALSE(item->Success());
            EXPECT_EQ(item->ErrorCause(), TTransferCause::ProxyNeedsLogin);
            EXPECT_TRUE(item->ErrorReason().startsWith(QStringLiteral("The proxy %1 did not accept the login").arg(proxyName)))
                << item->ErrorReason().toStdString();
            EXPECT_EQ(Asked.size(), 2u);
            EXPECT_EQ(NotFound.size(), 1);
            EXPECT_FALSE(QFile::exists(FTarget.filePath(QStringLiteral("refused.exe"))));
        }
    }
    ExpectTheLoginStayedWithTheProxy();
}

TEST_F(ProxyLogin, AnUploadIsSentAgainWithTheLoginTheProxyAskedFor)
{
    const QByteArray data(100000, 'u');
    QFile source(FTarget.filePath(QStringLiteral("report.bin")));
    ASSERT_TRUE(source.open(QIODevice::WriteOnly) && source.write(data) == data.size());
    source.close();
    for (const TCheckingProxy& proxy : CheckingProxies()) {
        for (const bool secure : {false, true}) {
            SCOPED_TRACE(std::string(proxy.Name) + (secure ? ", https" : ", http"));
            THttpServerFixture& server = secure ? Proxies->Secure : Proxies->Plain;
            FWebCopy.Proxy = QStringLiteral("127.0.0.1:%1").arg(proxy.Port);
            FWebCopy.Items().Clear();
            Asked.clear();
            Answers = {Password};
            TWebCopyItem* item = FWebCopy.Items().Add();
            item->Protocol = wpHttpUpload;
            item->HTTPCommand = hcPut;
            item->URL = server.BaseUrl() + QStringLiteral("/incoming/report.bin");
            item->TargetDir = FTarget.path();
            FWebCopy.Execute();
            EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
            EXPECT_EQ(Asked.size(), 1u);
            const QList<QJsonObject> requests = server.Requests();
            ASSERT_FALSE(requests.isEmpty());
            EXPECT_EQ(requests.last().value(QStringLiteral("method")).toString(), QStringLiteral("PUT"));
            EXPECT_EQ(requests.last().value(QStringLiteral("body_length")).toInt(), data.size());
        }
    }
    ExpectTheLoginStayedWithTheProxy();
}

TEST_F(ProxyLogin, WithoutAHandlerTheUserIsAskedInAPromptThatNamesTheProxy)
{
    FWebCopy.OnProxyLogin = nullptr;
    FWebCopy.Proxy = QStringLiteral("127.0.0.1:%1").arg(Proxies->Digest.Port());
    TWebCopyItem* item = Download(Proxies->Secure, QStringLiteral("setup.exe"));
    // The user closes the prompt with Escape.
    QStringList prompts;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TWcLoginForm*>(QApplication::activeModalWidget());
        if (!form)
            return;
        prompts << form->windowTitle() << form->findChild<QLabel*>(QStringLiteral("Message"))->text();
        form->reject();
    });
    answer.start();
    FWebCopy.Execute();
    EXPECT_EQ(prompts, (QStringList {QStringLiteral("Connect to proxy ") + FWebCopy.Proxy,
                                     QStringLiteral("The proxy %1 needs your network login.").arg(FWebCopy.Proxy)}));
    EXPECT_FALSE(item->Success());
    EXPECT_EQ(item->ErrorCause(), TTransferCause::ProxyNeedsLogin);
    EXPECT_EQ(item->ErrorReason(), QStringLiteral("The proxy %1 needs a login (407).").arg(FWebCopy.Proxy));
    EXPECT_EQ(NotFound.size(), 1);
}

TEST_F(ProxyLogin, AProxyThatAPacFileNamesGetsItsLoginToo)
{
    // The system's configuration: a PAC file on the plain server that sends everything through
    // the Digest squid.
    const QString pacFile = Proxies->Plain.DocRoot() + QStringLiteral("/office.pac");
    QFile script(pacFile);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("function FindProxyForURL(url, host) { return \"PROXY 127.0.0.1:%1\"; }\n")
                     .arg(Proxies->Digest.Port())
                     .toUtf8());
    script.close();
    TEnvironmentOverride environment;
    for (const char* name : {"no_proxy", "NO_PROXY", "all_proxy", "ALL_PROXY", "HTTP_PROXY", "HTTPS_PROXY"})
        environment.unset(name);
    const QByteArray pac = "pac+" + Proxies->Plain.BaseUrl().toUtf8() + "/office.pac";
    environment.set("http_proxy", pac);
    environment.set("https_proxy", pac);
    Answers = {Password};
    TWebCopyItem* item = Download(Proxies->Secure, QStringLiteral("setup.exe"));
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Proxy, QStringLiteral("127.0.0.1:%1").arg(Proxies->Digest.Port()));
    ExpectTheLoginStayedWithTheProxy();
}

TEST_F(ProxyLogin, BasicNeverGoesToAProxyThatAsksForDigest)
{
    // The plain server answers in proxy form with the proxy's demand for Digest, and records
    // every header it gets.
    TInternetSession session(QStringLiteral("OrvantaTest/1.0"), Proxies->Plain.BaseUrl());
    session.SetProxyCredentials(User, Password);
    THttpRequest request(session);
    THttpRequestOptions options;
    options.Url = QStringLiteral("http://example.invalid/file.bin?status=407&header=Proxy-Authenticate:"
                                 "%20Digest%20realm=%22office%22,%20nonce=%22abc%22,%20qop=%22auth%22");
    const qsizetype before = Proxies->Plain.Requests().size();
    EXPECT_FALSE(request.Open(options));
    EXPECT_EQ(request.ErrorCode(), quint32(ieProxyFailure));
    EXPECT_TRUE(request.ProxyLoginWanted());
    const QList<QJsonObject> requests = Proxies->Plain.Requests().mid(before);
    ASSERT_EQ(requests.size(), 2) << "asked without a login, then answered the challenge";
    EXPECT_FALSE(requests[0].value(QStringLiteral("headers")).toObject().contains(QStringLiteral("proxy-authorization")));
    const QString answer = requests[1].value(QStringLiteral("headers")).toObject().value(QStringLiteral("proxy-authorization")).toString();
    EXPECT_TRUE(answer.startsWith(QStringLiteral("Digest "))) << answer.toStdString();
    for (const QJsonObject& recorded : requests)
        EXPECT_FALSE(QJsonDocument(recorded).toJson().contains(Password.toUtf8()));
}

namespace {

// Single sign-on: squid with Negotiate for a realm of the suite's own, the proxy called
// localhost (the name the service principal is made for).
class KerberosProxy : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Realm = new TKerberosRealm;
        Squid = new TSquidProxyFixture;
        Server = new THttpServerFixture;
        if (!Realm->Start())
            Failure = Realm->Message();
        else if (!Squid->StartNegotiate(Realm->ProxyPrincipal(), Realm->Keytab(), Realm->Environment()))
            Failure = Squid->Message();
        else if (!Server->Start())
            Failure = Server->Message();
        else {
            QFile file(Server->DocRoot() + QStringLiteral("/setup.exe"));
            if (!file.open(QIODevice::WriteOnly) || file.write(Body) != Body.size())
                Failure = QStringLiteral("cannot serve the file");
        }
    }
    static void TearDownTestSuite()
    {
        delete Server;
        delete Squid;
        delete Realm;
        Server = nullptr;
        Squid = nullptr;
        Realm = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Failure.isEmpty()) << Failure.toStdString();
        for (const char* name : TKerberosRealm::Variables)
            FEnvironment.set(name, Realm->Environment().value(QLatin1String(name)).toLocal8Bit());
        FWebCopy.ShowDialog = false;
        FWebCopy.Proxy = QStringLiteral("localhost:%1").arg(Squid->Port());
        FWebCopy.OnProxyLogin = [this](QObject*, const QString&, bool, QString&, QString&, bool&) { ++Asked; };
    }
    static inline TKerberosRealm* Realm = nullptr;
    static inline TSquidProxyFixture* Squid = nullptr;
    static inline THttpServerFixture* Server = nullptr;
    static inline QString Failure;
    TEnvironmentOverride FEnvironment;
    QTemporaryDir FTarget;
    TWebCopy FWebCopy;
    int Asked = 0;
};

} // namespace

TEST_F(KerberosProxy, TheUsersTicketCarriesTheDownloadWithoutAsking)
{
    ASSERT_TRUE(Realm->TakeTicket()) << Realm->Message().toStdString();
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->URL = Server->BaseUrl() + QStringLiteral("/setup.exe");
    item->TargetDir = FTarget.path();
    FWebCopy.Execute();
    EXPECT_TRUE(item->Success()) << item->ErrorReason().toStdString();
    EXPECT_EQ(Asked, 0);
    EXPECT_TRUE(Squid->LetThrough(QStringLiteral("%1@%2").arg(QLatin1String(TKerberosRealm::UserName),
                                                                           QLatin1String(TKerberosRealm::RealmName))))
        << Squid->LoggedUsers().join(u' ').toStdString();
}

TEST_F(KerberosProxy, WithoutATicketTheHostIsAsked)
{
    QTemporaryDir emptyCache;
    FEnvironment.set("KRB5CCNAME", (QStringLiteral("FILE:") + emptyCache.filePath(QStringLiteral("none"))).toLocal8Bit());
    TWebCopyItem* item = FWebCopy.Items().Add();
    item->URL = Server->BaseUrl() + QStringLiteral("/setup.exe");
    item->TargetDir = FTarget.path();
    FWebCopy.Execute();
    EXPECT_FALSE(item->Success());
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(item->ErrorCause(), TTransferCause::ProxyNeedsLogin);
}
