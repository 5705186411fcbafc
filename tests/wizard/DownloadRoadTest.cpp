// From a Download click to the installed page, against a local download server; the setup
// program is the test child, which records that it ran.
#include "launcher/RzLauncher.h"
#include "tests/platform/EnvironmentOverride.h"
#include "tests/support/BreakingRelay.h"
#include "tests/support/HttpServerFixture.h"
#include "tests/support/KerberosRealm.h"
#include "tests/support/MinisignKeyPair.h"
#include "tests/support/NginxServer.h"
#include "tests/support/ProxyServerFixture.h"
#include "tests/support/SelfSignedCertificate.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/SquidProxyFixture.h"
#include "tests/support/WaitFor.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopy.h"
#include "widgets/PageContainer.h"
#include "wizard/DownloadFailure.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString ServerSetup = QStringLiteral("orvanta5serversetup.exe");

// Answers every message box with OK and keeps what it said.
class TMessageBoxAnswers {
public:
    TMessageBoxAnswers()
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Texts << box->text();
                Icons << box->icon();
                box->accept();
            }
        });
        FTimer.start();
    }
    QStringList Texts;
    QList<QMessageBox::Icon> Icons;

private:
    QTimer FTimer;
};

class DownloadRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FServer.Start()) << FServer.Message().toStdString();
        FOldTmpDir = qgetenv("TMPDIR");
        qputenv("TMPDIR", FTemp.path().toLocal8Bit());
        qputenv("ORVANTA_CHILD_MARK", FMark.toLocal8Bit());
        OpenWindow(FServer.BaseUrl() + QLatin1Char('/'));
    }
    void OpenWindow(const QString& downloadBase)
    {
        FWindow = std::make_unique<TfrmMain>(downloadBase);
        // The wizard's retries, with waits that do not hold the tests up.
        FWindow->Downloader()->RetryDelay = 1;
        FWindow->show();
    }
    void TearDown() override
    {
        FWindow.reset();
        qputenv("TMPDIR", FOldTmpDir);
        qunsetenv("ORVANTA_CHILD_MARK");
        qunsetenv("ORVANTA_CHILD_SLEEP_MS");
    }

    // Puts `data` on the download server under `relativePath` (directories made as needed).
    void Serve(const QString& relativePath, const QByteArray& data)
    {
        const QString path = FServer.DocRoot() + QLatin1Char('/') + relativePath;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(data), data.size());
    }
    // What Click("btnDownloadServer") ends with when a message box tells how it went.
    QStringList DownloadServerSetupAndReadTheMessage()
    {
        GoTo("tabInstallServer");
        TMessageBoxAnswers answers;
        Click("btnDownloadServer");
        EXPECT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
        return answers.Texts;
    }
    void ServeSetupProgram() { ASSERT_TRUE(QFile::copy(QStringLiteral(ORVANTA_TEST_CHILD), FServer.DocRoot() + QLatin1Char('/') + ServerSetup)); }
    QWidget* Page(const char* name) const { return FWindow->findChild<QWidget*>(QString::fromLatin1(name)); }
    void GoTo(const char* page) { FWindow->Pages()->setActivePage(Page(page)); }
    void Click(const char* name)
    {
        auto* widget = FWindow->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    bool Idle() const { return !FWindow->Downloader()->Running() && !FWindow->Launcher()->Running(); }
    // Waits until the server setup's road ends: on its installed page, or with a message box.
    bool RoadEnded(const TMessageBoxAnswers& answers) const
    {
        return testsupport::waitFor([&] {
            return Idle() && (FWindow->Pages()->activePage() == Page("tabServerInstalled") || !answers.Texts.isEmpty());
        }, 20000);
    }
    // The files the temporary directory holds, wherever the wizard's private folder is.
    QStringList DownloadedFiles() const
    {
        QStringList files;
        for (const QFileInfo& dir : QDir(FTemp.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QFileInfo& file : QDir(dir.filePath()).entryInfoList(QDir::Files | QDir::Hidden))
                files << file.fileName();
        return files;
    }

    THttpServerFixture FServer;
    QTemporaryDir FTemp;
    QTemporaryDir FMarks;
    const QString FMark = FMarks.filePath(QStringLiteral("ran.json"));
    QByteArray FOldTmpDir;
    std::unique_ptr<TfrmMain> FWindow;
};

} // namespace

TEST_F(DownloadRoad, DownloadRunsTheSetupProgramAndShowsTheInstalledPage)
{
    ServeSetupProgram();
    GoTo("tabInstallServer");
    QString caption;
    FWindow->Downloader()->OnBeforeDialogShow = [&](QObject*, QDialog* dialog) { caption = dialog->windowTitle(); };

    Click("btnDownloadServer");

    ASSERT_TRUE(testsupport::waitFor([&] { return FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_EQ(caption, QStringLiteral("Download Orvanta 5 Server..... ..."));
    EXPECT_TRUE(QFile::exists(FMark)) << "the setup program ran";
    EXPECT_EQ(DownloadedFiles(), QStringList {ServerSetup});
    const QJsonObject request = FServer.Requests().last();
    EXPECT_EQ(request.value(QStringLiteral("path")).toString(), QLatin1Char('/') + ServerSetup);
    EXPECT_EQ(request.value(QStringLiteral("headers")).toObject().value(QStringLiteral("user-agent")).toString(),
              QStringLiteral("WebCopy"));
}

TEST_F(DownloadRoad, LeavingForTheWorkstationPageWhileItRunsStillEndsOnServerInstalled)
{
    ServeSetupProgram();
    qputenv("ORVANTA_CHILD_SLEEP_MS", "400");
    GoTo("tabInstallServer");
    // While the setup program runs the wizard stays usable: Back, then Install Workstation.
    QTimer navigate;
    navigate.setInterval(5);
    QObject::connect(&navigate, &QTimer::timeout, [&] {
        if (!FWindow->Launcher()->Running())
            return;
        navigate.stop();
        Click("btnServerBack");
        Click("btnInstallWorkstation");
    });
    navigate.start();

    Click("btnDownloadServer");

    // The installed page of the setup that ran, not of the page the user went to.
    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_TRUE(QFile::exists(FMark));
}

TEST_F(DownloadRoad, CancelTellsTheUserEndsTheWizardAndLeavesNothing)
{
    ServeSetupProgram();
    GoTo("tabInstallServer");
    TMessageBoxAnswers answers;
    FWindow->Downloader()->OnCopyProgress = [&](QObject*, int, quint32, quint32) {
        auto* cancel = FWindow->Downloader()->ProgressForm()->findChild<QPushButton*>(QStringLiteral("CancelBtn"));
        if (cancel && cancel->isEnabled() && answers.Texts.isEmpty())
            cancel->click();
    };

    Click("btnDownloadServer");

    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
    EXPECT_EQ(answers.Texts, QStringList {QStringLiteral("Download of setup program cancelled.")});
    EXPECT_EQ(answers.Icons, QList<QMessageBox::Icon> {QMessageBox::Information});
    EXPECT_FALSE(FWindow->isVisible()) << "the main window closed, which ends the application";
    EXPECT_FALSE(QFile::exists(FMark)) << "no setup program ran";
    EXPECT_TRUE(DownloadedFiles().isEmpty());
}

TEST_F(DownloadRoad, AFailedDownloadIsShownRunsNothingAndCanBeTriedAgain)
{
    GoTo("tabInstallServer");
    TMessageBoxAnswers answers;

    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
    ASSERT_EQ(answers.Texts.size(), 1);
    EXPECT_TRUE(answers.Texts[0].contains(QStringLiteral("404")));
    EXPECT_EQ(answers.Icons, QList<QMessageBox::Icon> {QMessageBox::Critical});
    EXPECT_FALSE(QFile::exists(FMark));
    EXPECT_EQ(FWindow->Pages()->activePage(), Page("tabInstallServer"));

    ServeSetupProgram();
    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_TRUE(QFile::exists(FMark));
    EXPECT_EQ(answers.Texts.size(), 1);
}

TEST_F(DownloadRoad, AnUnreachableServerShowsTheConnectMessage)
{
    FWindow = std::make_unique<TfrmMain>(QStringLiteral("http://127.0.0.1:1/"));
    FWindow->show();
    GoTo("tabInstallWorkstation");
    TMessageBoxAnswers answers;
    Click("btnDownloadWorkstation");
    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && !answers.Texts.isEmpty(); }, 20000));
    EXPECT_EQ(answers.Texts, QStringList {QStringLiteral(
                                 "Unable to connect to web server!  Please make sure you are connected to the Internet "
                                 "before trying again.")});
    EXPECT_FALSE(QFile::exists(FMark));
}

TEST_F(DownloadRoad, EveryFailureIsToldWithWhatReallyHappened)
{
    THttpServerFixture tls;
    ASSERT_TRUE(tls.Start(THttpServerFixture::TScheme::Https)) << tls.Message().toStdString();
    Serve(QStringLiteral("empty/") + ServerSetup, {});
    Serve(QStringLiteral("big/") + ServerSetup, QByteArray(300000, 'x'));
    const QString plain = FServer.BaseUrl();
    const struct {
        const char* name;
        QString base;       // the download server's address; the file name is appended
        bool trustTls;
        const char* told;   // what the message must say
        const char* detail; // the engine's own words, as a detail line
    } cases[] = {
        {"untrusted certificate", tls.BaseUrl() + QLatin1Char('/'), false,
         "The certificate of the download server 127.0.0.1:", "certificate"},
        {"server error", plain + QStringLiteral("/?status=500&name="), false,
         "The setup program is not on the server at the moment (the server answered 500)", nullptr},
        {"not found", plain + QStringLiteral("/missing/"), false, "(the server answered 404)", nullptr},
        {"too many redirects", plain + QStringLiteral("/loop?name="), false, "too many redirects", "redirect"},
        {"downgrade to http", tls.BaseUrl() + QStringLiteral("/redirect/302?to=") + plain + QStringLiteral("/big/"),
         true, "to an address that is not secure", "https to http"},
        {"broken off", plain + QStringLiteral("/redirect/302?to=/big/") + ServerSetup + QStringLiteral("%3Fdrop%3D100000&name="),
         false, "The download broke off after ", nullptr},
        {"empty answer", plain + QStringLiteral("/empty/"), false, "sent an empty file", nullptr},
        // Reached but silent: the server, not the user's Internet.
        {"silent server", plain + QStringLiteral("/?hang=1&name="), false, "did not answer", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FWindow = std::make_unique<TfrmMain>(c.base);
        FWindow->Downloader()->RetryDelay = 1;
        FWindow->Downloader()->CaFile = c.trustTls ? tls.CaFile() : QString();
        // A short time-out only where the server is silent: under a sanitizer or a loaded machine a
        // TLS handshake alone can take a second.
        if (QByteArray(c.name) == "silent server")
            FWindow->Downloader()->Timeout = 1;
        FWindow->show();
        const QStringList told = DownloadServerSetupAndReadTheMessage();
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].contains(QLatin1String(c.told))) << told[0].toStdString();
        EXPECT_FALSE(told[0].contains(QLatin1String("Unable to connect"))) << told[0].toStdString();
        // One piece of advice: try again, or continue what was kept.
        EXPECT_EQ(told[0].count(QLatin1String("try again")) + told[0].count(QLatin1String("continue where it stopped")), 1)
            << told[0].toStdString();
        if (c.detail) {
            EXPECT_TRUE(told[0].contains(QLatin1String(c.detail), Qt::CaseInsensitive)) << told[0].toStdString();
        }
        EXPECT_FALSE(QFile::exists(FMark)) << "nothing ran";
        EXPECT_EQ(FWindow->Pages()->activePage(), Page("tabInstallServer")) << "ready for another try";
    }
}

TEST_F(DownloadRoad, AFullDiskIsToldAndRunsNothing)
{
    TSmallFileSystem disk(64 * 1024);
    if (!disk.Error().isEmpty())
        GTEST_SKIP() << disk.Error().toStdString();
    Serve(ServerSetup, QByteArray(300000, 'x'));
    qputenv("TMPDIR", disk.Path().toLocal8Bit());
    const QStringList told = DownloadServerSetupAndReadTheMessage();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QLatin1String("The disk is full"))) << told[0].toStdString();
    EXPECT_FALSE(QFile::exists(FMark));
}

TEST_F(DownloadRoad, TheSetupProgramsOutcomeDecidesThePage)
{
    const struct {
        const char* name;
        const char* exitCode;
        bool installed;
    } cases[] = {
        // (3010, done with a restart, counts as installed too; an exit status here has 8 bits.)
        {"done", "0", true},
        {"cancelled or failed", "2", false},
    };
    ServeSetupProgram();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qputenv("ORVANTA_CHILD_EXIT_CODE", c.exitCode);
        GoTo("tabInstallServer");
        TMessageBoxAnswers answers;
        Click("btnDownloadServer");
        ASSERT_TRUE(RoadEnded(answers));
        EXPECT_EQ(FWindow->Pages()->activePage() == Page("tabServerInstalled"), c.installed);
        if (!c.installed) {
            EXPECT_EQ(answers.Texts, QStringList {QStringLiteral(
                                         "The setup program ended before it finished (code 2). Click Download to try again.")});
        }
    }
    qunsetenv("ORVANTA_CHILD_EXIT_CODE");
}

TEST_F(DownloadRoad, ASetupProgramThatCannotStartIsTold)
{
    // An error page where the program should be: downloaded whole, but nothing the system can run.
    Serve(ServerSetup, "<html><body>Service unavailable</body></html>\n");
    const QStringList told = DownloadServerSetupAndReadTheMessage();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QLatin1String("The setup program could not be started. The downloaded file is not "
                                                 "a program this computer can run.")))
        << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QLatin1String("\n\nDetails: "))) << told[0].toStdString();
    EXPECT_EQ(FWindow->Pages()->activePage(), Page("tabInstallServer"));
}

namespace {

// The office network's proxy as the environment names it, for one test; what was there before
// comes back afterwards.
class TProxyEnvironment {
public:
    explicit TProxyEnvironment(const QString& proxy)
    {
        for (const char* name : Names) {
            FSaved << (qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt);
            qunsetenv(name);
        }
        qputenv("http_proxy", proxy.toLocal8Bit());
    }
    ~TProxyEnvironment()
    {
        for (qsizetype i = 0; i < FSaved.size(); ++i) {
            if (FSaved[i])
                qputenv(Names[i], *FSaved[i]);
            else
                qunsetenv(Names[i]);
        }
    }

private:
    static constexpr const char* Names[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                            "no_proxy", "NO_PROXY", "all_proxy", "ALL_PROXY"};
    QList<std::optional<QByteArray>> FSaved;
};

} // namespace

TEST_F(DownloadRoad, TheOfficeProxyThatOnlyTheEnvironmentNamesCarriesTheDownload)
{
    TProxyServerFixture proxy;
    ASSERT_TRUE(proxy.Start()) << proxy.Message().toStdString();
    TProxyEnvironment environment(proxy.Url());
    ServeSetupProgram();
    GoTo("tabInstallServer");
    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_TRUE(QFile::exists(FMark));
    EXPECT_TRUE(proxy.RequestLines().contains(QStringLiteral("GET %1/%2 HTTP/1.1").arg(FServer.BaseUrl(), ServerSetup)))
        << proxy.RequestLines().join(u'\n').toStdString();
}

namespace {

// The person at the keyboard in front of the proxy's login box: types the next login of the
// list (user name, Tab, password, Return) or, when none is left, presses Escape; keeps what each
// box said.
class TProxyLoginAnswers {
public:
    explicit TProxyLoginAnswers(QList<std::pair<QString, QString>> logins)
        : FLogins(std::move(logins))
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* form = qobject_cast<TWcLoginForm*>(QApplication::activeModalWidget());
            QWidget* focused = QApplication::focusWidget();
            if (!form || !focused || focused->window() != form)
                return;
            const auto* message = form->findChild<QLabel*>(QStringLiteral("Message"));
            Messages << (message ? message->text() : QString());
            Descriptions << form->accessibleDescription();
            for (const char* edit : {"Edit1", "Edit2"})
                EditNames << form->findChild<QLineEdit*>(QString::fromLatin1(edit))->accessibleName();
            if (FLogins.isEmpty()) {
                QTest::keyClick(focused, Qt::Key_Escape);
                return;
            }
            const auto [userName, password] = FLogins.takeFirst();
            QTest::keyClicks(focused, userName);
            QTest::keyClick(focused, Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), password);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        FTimer.start();
    }
    QStringList Messages;
    QStringList Descriptions;
    QStringList EditNames;

private:
    QList<std::pair<QString, QString>> FLogins;
    QTimer FTimer;
};

const QString ProxyUser = QStringLiteral("office");
const QString ProxyPassword = QStringLiteral("Pr0xy-s3cret");

// The office's squids, one of each per suite: Basic for the wrong logins, Digest for the right
// one, Negotiate with a Kerberos realm of the suite's own for single sign-on. Started before the
// tests point TMPDIR at a directory of their own, which squid's user could not enter.
class ProxyLoginRoad : public DownloadRoad {
protected:
    static void SetUpTestSuite()
    {
        Basic = new TSquidProxyFixture;
        Digest = new TSquidProxyFixture;
        Negotiate = new TSquidProxyFixture;
        Realm = new TKerberosRealm;
        if (!Basic->Start(TSquidProxyFixture::TScheme::Basic, ProxyUser, ProxyPassword))
            Failure = Basic->Message();
        else if (!Digest->Start(TSquidProxyFixture::TScheme::Digest, ProxyUser, ProxyPassword))
            Failure = Digest->Message();
        else if (!Realm->Start())
            Failure = Realm->Message();
        else if (!Negotiate->StartNegotiate(Realm->ProxyPrincipal(), Realm->Keytab(), Realm->Environment()))
            Failure = Negotiate->Message();
    }
    static void TearDownTestSuite()
    {
        delete Basic;
        delete Digest;
        delete Negotiate;
        delete Realm;
        Basic = Digest = Negotiate = nullptr;
        Realm = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(Failure.isEmpty()) << Failure.toStdString();
        DownloadRoad::SetUp();
        ServeSetupProgram();
    }
    static QString Url(const TSquidProxyFixture& proxy) { return QStringLiteral("http://127.0.0.1:%1").arg(proxy.Port()); }
    static QString Needs(const TSquidProxyFixture& proxy)
    {
        return QStringLiteral("The proxy 127.0.0.1:%1 needs your network login.").arg(proxy.Port());
    }
    bool Installed() const { return Idle() && FWindow->Pages()->activePage() == Page("tabServerInstalled"); }

    static inline TSquidProxyFixture* Basic = nullptr;
    static inline TSquidProxyFixture* Digest = nullptr;
    static inline TSquidProxyFixture* Negotiate = nullptr;
    static inline TKerberosRealm* Realm = nullptr;
    static inline QString Failure;
};

} // namespace

TEST_F(ProxyLoginRoad, TheRightLoginCarriesTheDownloadAndIsNotAskedForAgain)
{
    TProxyEnvironment environment(Url(*Digest));
    TProxyLoginAnswers answers({{ProxyUser, ProxyPassword}});
    GoTo("tabInstallServer");
    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return Installed(); }, 20000)) << answers.Messages.join(u'\n').toStdString();
    EXPECT_TRUE(QFile::exists(FMark));
    EXPECT_EQ(answers.Messages, QStringList {Needs(*Digest)});
    EXPECT_EQ(answers.Descriptions, answers.Messages) << "a screen reader hears why the box came";
    EXPECT_EQ(answers.EditNames, (QStringList {QStringLiteral("User name"), QStringLiteral("Password")}));
    EXPECT_TRUE(Digest->LetThrough(ProxyUser)) << Digest->LoggedUsers().join(u' ').toStdString();

    // A second download goes with the login the user gave: no box.
    QFile::remove(FMark);
    GoTo("tabInstallServer");
    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return Installed() && QFile::exists(FMark); }, 20000));
    EXPECT_EQ(answers.Messages.size(), 1);
    for (const QJsonObject& request : FServer.Requests())
        EXPECT_FALSE(request.value(QStringLiteral("headers")).toObject().contains(QStringLiteral("proxy-authorization")));
}

TEST_F(ProxyLoginRoad, AWrongLoginIsAskedForAgainAndSaysSo)
{
    TProxyEnvironment environment(Url(*Basic));
    TProxyLoginAnswers answers({{ProxyUser, QStringLiteral("wrong")}, {ProxyUser, ProxyPassword}});
    GoTo("tabInstallServer");
    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return Installed(); }, 20000)) << answers.Messages.join(u'\n').toStdString();
    EXPECT_TRUE(QFile::exists(FMark));
    ASSERT_EQ(answers.Messages.size(), 2);
    EXPECT_EQ(answers.Messages[0], Needs(*Basic));
    EXPECT_TRUE(answers.Messages[1].startsWith(QStringLiteral("The proxy 127.0.0.1:%1 did not accept that login.").arg(Basic->Port())))
        << answers.Messages[1].toStdString();
}

TEST_F(DownloadRoad, CancellingTheProxysLoginBoxTellsThatTheProxyNeedsALogin)
{
    TProxyServerFixture proxy;
    ASSERT_TRUE(proxy.Start(QStringLiteral("office"), QStringLiteral("secret"))) << proxy.Message().toStdString();
    TProxyEnvironment environment(proxy.Url());
    ServeSetupProgram();
    TProxyLoginAnswers logins({});
    const QStringList told = DownloadServerSetupAndReadTheMessage();
    EXPECT_EQ(logins.Messages, QStringList {QStringLiteral("The proxy 127.0.0.1:%1 needs your network login.").arg(proxy.Port())});
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QLatin1String("The proxy server of your network needs a login"))) << told[0].toStdString();
    EXPECT_FALSE(QFile::exists(FMark));
    EXPECT_EQ(FWindow->Pages()->activePage(), Page("tabInstallServer"));
}

TEST_F(ProxyLoginRoad, WithAKerberosTicketTheOfficeProxyLetsTheDownloadThroughWithoutAsking)
{
    TEnvironmentOverride kerberos;
    for (const char* name : TKerberosRealm::Variables)
        kerberos.set(name, Realm->Environment().value(QLatin1String(name)).toLocal8Bit());
    ASSERT_TRUE(Realm->TakeTicket()) << Realm->Message().toStdString();
    TProxyEnvironment environment(QStringLiteral("http://localhost:%1").arg(Negotiate->Port()));
    TProxyLoginAnswers logins({});
    GoTo("tabInstallServer");
    Click("btnDownloadServer");
    EXPECT_TRUE(testsupport::waitFor([&] { return Idle() && FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_TRUE(logins.Messages.isEmpty());
    EXPECT_TRUE(Negotiate->LetThrough(QStringLiteral("alice@ORVANTA.TEST"))) << Negotiate->LoggedUsers().join(u' ').toStdString();
}

TEST(DownloadFailureText, TheSentenceFollowsTheCauseNotTheWordsOfTheReason)
{
    // A server whose name holds "proxy" and a reason that mentions 407 are still the server's.
    TDownloadFailure unreachable;
    unreachable.Cause = TTransferCause::CannotConnect;
    unreachable.Host = QStringLiteral("proxy-mirror.example");
    unreachable.Reason = QStringLiteral("Failed to connect to proxy-mirror.example port 443 (407 tries)");
    EXPECT_TRUE(unreachable.ServerUnreachable());
    EXPECT_FALSE(unreachable.AboutProxy());

    TDownloadFailure status;
    status.Cause = TTransferCause::ServerStatus;
    status.HttpStatus = 404;
    status.Host = QStringLiteral("proxy.example");
    status.Reason = QStringLiteral("The server answered 404.");
    EXPECT_FALSE(status.Text().contains(QStringLiteral("proxy server"))) << status.Text().toStdString();
    EXPECT_TRUE(status.Text().contains(QStringLiteral("answered 404")));

    TDownloadFailure login;
    login.Cause = TTransferCause::ProxyNeedsLogin;
    login.Reason = QStringLiteral("The proxy 10.0.0.1:3128 needs a login (407).");
    EXPECT_TRUE(login.AboutProxy());
    EXPECT_TRUE(login.Text().startsWith(QStringLiteral("The proxy server of your network needs a login")));
}

TEST_F(DownloadRoad, WithAKeyOnlyASetupProgramItsSignatureProvesRuns)
{
    // Beside the marks, out of the temporary directory the wizard downloads into.
    const QString keys = FMarks.filePath(QStringLiteral("keys"));
    ASSERT_TRUE(QDir().mkpath(keys));
    TMinisignKeyPair maker;
    TMinisignKeyPair other;
    ASSERT_TRUE(maker.Make(keys, QStringLiteral("maker"))) << maker.Message().toStdString();
    ASSERT_TRUE(other.Make(keys, QStringLiteral("other"))) << other.Message().toStdString();
    const QString program = FServer.DocRoot() + QLatin1Char('/') + ServerSetup;
    const QString signature = program + QStringLiteral(".minisig");
    const QString otherFile = QDir(keys).filePath(QStringLiteral("other.exe"));
    QFile(otherFile).open(QIODevice::WriteOnly);
    using TPrepare = std::function<void()>;
    const auto sign = [&](TMinisignKeyPair& key, const QString& file, TMinisignKeyPair::TForm form) {
        ASSERT_TRUE(key.Sign(file, signature, QStringLiteral("Orvanta 5 Server 5.0.1234"), form))
            << key.Message().toStdString();
    };
    const auto rewrite = [](const QString& path, const std::function<QByteArray(QByteArray)>& change) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const QByteArray changed = change(file.readAll());
        ASSERT_TRUE(file.resize(0));
        ASSERT_TRUE(file.seek(0));
        ASSERT_EQ(file.write(changed), changed.size());
    };
    const auto prehashed = TMinisignKeyPair::TForm::Prehashed;
    const struct {
        const char* name;
        TPrepare prepare;
        const char* told;  // what the message says; nullptr: proven, the program runs
    } cases[] = {
        {"good prehashed signature", [&] { sign(maker, program, prehashed); }, nullptr},
        {"good legacy signature", [&] { sign(maker, program, TMinisignKeyPair::TForm::Legacy); }, nullptr},
        {"one flipped byte in the program",
         [&] {
             sign(maker, program, prehashed);
             rewrite(program, [](QByteArray data) {
                 data[data.size() / 2] = char(data[data.size() / 2] ^ 1);
                 return data;
             });
         },
         "changed or damaged on the way"},
        {"signature of another file", [&] { sign(maker, otherFile, prehashed); }, "changed or damaged on the way"},
        {"signature by another key", [&] { sign(other, program, prehashed); }, "not by Orvanta Software"},
        {"no signature", [] {}, "could not be downloaded"},
        {"truncated signature",
         [&] {
             sign(maker, program, prehashed);
             rewrite(signature, [](const QByteArray& data) { return data.left(100); });
         },
         "Its signature is damaged"},
        {"garbage signature", [&] { Serve(ServerSetup + QStringLiteral(".minisig"), "<html>gone</html>"); },
         "Its signature is damaged"},
        {"trusted comment changed after signing",
         [&] {
             sign(maker, program, prehashed);
             rewrite(signature, [](QByteArray data) { return data.replace("5.0.1234", "9.9.9999"); });
         },
         "changed after it was made"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(program);
        QFile::remove(signature);
        QFile::remove(FMark);
        ServeSetupProgram();
        c.prepare();
        FWindow = std::make_unique<TfrmMain>(FServer.BaseUrl() + QLatin1Char('/'), maker.PublicKeyLine());
        FWindow->show();
        GoTo("tabInstallServer");
        TMessageBoxAnswers answers;

        Click("btnDownloadServer");

        ASSERT_TRUE(RoadEnded(answers));
        if (!c.told) {
            EXPECT_TRUE(answers.Texts.isEmpty()) << answers.Texts.join(QLatin1Char('|')).toStdString();
            EXPECT_TRUE(QFile::exists(FMark)) << "the proven program ran";
            EXPECT_EQ(DownloadedFiles(), QStringList {ServerSetup}) << "the signature is not kept";
            auto* verified = Page("tabServerInstalled")->findChild<QLabel*>(QStringLiteral("lblVerified"));
            ASSERT_NE(verified, nullptr);
            EXPECT_TRUE(verified->isVisibleTo(FWindow.get()));
            EXPECT_EQ(verified->text(), QStringLiteral("The setup program was verified as signed by Orvanta Software: "
                                                       "Orvanta 5 Server 5.0.1234"));
            continue;
        }
        ASSERT_EQ(answers.Texts.size(), 1);
        EXPECT_TRUE(answers.Texts[0].startsWith(QLatin1String("The setup program could not be verified and must not be run")))
            << answers.Texts[0].toStdString();
        EXPECT_TRUE(answers.Texts[0].contains(QLatin1String(c.told))) << answers.Texts[0].toStdString();
        EXPECT_EQ(answers.Icons, QList<QMessageBox::Icon> {QMessageBox::Critical});
        EXPECT_FALSE(QFile::exists(FMark)) << "nothing ran";
        EXPECT_TRUE(DownloadedFiles().isEmpty()) << DownloadedFiles().join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(FWindow->Pages()->activePage(), Page("tabInstallServer")) << "ready for another try";
    }
}

// nginx behind a relay that resets connections part-way, as a dropped office link does.
class DownloadRoadOverABadLink : public DownloadRoad {
protected:
    // The first `breaks` connections are reset after a `part`th of the program.
    void Start(int breaks, int part)
    {
        ServeSetupProgram();
        FProgram = ReadAll();
        ASSERT_FALSE(FProgram.isEmpty());
        ASSERT_TRUE(FCertificate.Make(FWork.path())) << FCertificate.Message().toStdString();
        ASSERT_TRUE(FNginx.Start(FWork.path(), FServer.DocRoot(), FCertificate.CertificateFile(), FCertificate.KeyFile()))
            << FNginx.Message().toStdString();
        const quint16 port = FRelay.Start(FNginx.HttpPort(), breaks, FProgram.size() / part);
        ASSERT_NE(port, 0) << FRelay.Message().toStdString();
        OpenWindow(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    }
    static QByteArray ReadAll()
    {
        QFile file(QStringLiteral(ORVANTA_TEST_CHILD));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray Downloaded() const
    {
        for (const QFileInfo& dir : QDir(FTemp.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile file(QDir(dir.filePath()).filePath(ServerSetup));
            if (file.open(QIODevice::ReadOnly))
                return file.readAll();
        }
        return {};
    }
    // The requests that reached the server through the relay, in their order.
    QStringList Ranges(int connections)
    {
        EXPECT_TRUE(testsupport::waitFor([&] { return FRelay.Connections().size() >= connections; }));
        QStringList ranges;
        for (const QJsonObject& connection : FRelay.Connections()) {
            const QString head = connection.value(QStringLiteral("head")).toString();
            const qsizetype at = head.indexOf(QStringLiteral("\r\nRange: "));
            ranges << (at < 0 ? QString() : head.mid(at + 9, head.indexOf(QStringLiteral("\r\n"), at + 2) - at - 9));
        }
        return ranges;
    }

    QTemporaryDir FWork;
    TSelfSignedCertificate FCertificate;
    TNginxServer FNginx;
    TBreakingRelay FRelay;
    QByteArray FProgram;
};

TEST_F(DownloadRoadOverABadLink, ADownloadBrokenHalfWayContinuesAndTheSetupRunsOnceWithTheSameBytes)
{
    Start(1, 2);
    GoTo("tabInstallServer");
    TMessageBoxAnswers answers;

    Click("btnDownloadServer");

    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_TRUE(answers.Texts.isEmpty()) << answers.Texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Downloaded(), FProgram);
    EXPECT_EQ(DownloadedFiles(), QStringList{ServerSetup}) << "nothing kept once it is complete";
    const QStringList ranges = Ranges(2);
    ASSERT_EQ(ranges.size(), 2);
    EXPECT_TRUE(ranges[0].isEmpty());
    EXPECT_TRUE(ranges[1].startsWith(QStringLiteral("bytes="))) << ranges[1].toStdString();
}

TEST_F(DownloadRoadOverABadLink, AfterTheRetriesASecondClickContinuesWhereTheFirstStopped)
{
    // Each of the four attempts of the first click moves an eighth of the program.
    Start(4, 8);

    const QStringList texts = DownloadServerSetupAndReadTheMessage();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("The connection was lost four times. The download broke off after ")))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Click Download to continue where it stopped."))) << texts[0].toStdString();
    EXPECT_FALSE(QFile::exists(FMark));

    Click("btnDownloadServer");
    ASSERT_TRUE(testsupport::waitFor([&] { return Idle() && FWindow->Pages()->activePage() == Page("tabServerInstalled"); }, 20000));
    EXPECT_EQ(Downloaded(), FProgram);
    const QStringList ranges = Ranges(5);
    ASSERT_EQ(ranges.size(), 5);
    // The fifth request, the second click's, asks for what the four before left.
    const qint64 from = ranges[4].mid(6, ranges[4].indexOf(QLatin1Char('-')) - 6).toLongLong();
    EXPECT_GT(from, FProgram.size() / 4) << ranges[4].toStdString();
}
