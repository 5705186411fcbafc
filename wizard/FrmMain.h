#pragma once

#include <QHash>
#include <QWidget>

#include <utility>

class QAbstractButton;
class QLabel;
class QTimer;
class TBalloonHint;
class TFlatColorButton;
class TGlyphButton;
class THtmlLabel;
class TIconLinkLabel;
class TPageContainer;
class TRzLauncher;
class TThemedButton;
class TWebCopy;

// The wizard's main window: a blue header, the page container with its six pages, and a
// footer notice. The user moves between pages only with the buttons the pages carry.
class TfrmMain : public QWidget {
    Q_OBJECT

public:
    // The download server's address and the maker's public key are the build's
    // DownloadBaseAddress and SetupPublicKey; tests hand in the address of a local server and
    // a key of their own (empty: setup programs are run unverified).
    explicit TfrmMain(QWidget* parent = nullptr);
    TfrmMain(const QString& downloadBaseAddress, const QByteArray& setupPublicKey = {}, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Navigation handlers: each makes one page active and does nothing else.
    void btnStartClick(QObject* Sender);
    void btnBack2Click(QObject* Sender);
    void btnInstallServerClick(QObject* Sender);
    void btnInstallWorkstationClick(QObject* Sender);
    void btnServerBackClick(QObject* Sender);
    void btnWorkstationBackClick(QObject* Sender);

    void btnDownloadServerClick(QObject* Sender);
    void btnDownloadWorkstationClick(QObject* Sender);

    void WebDownloadConnectError(QObject* Sender);
    void WebDownloadCopyCancel(QObject* Sender);
    void WebDownloadCopyDone(QObject* Sender);
    void WebDownloadErrorInfo(QObject* Sender, int ErrorCode, const QString& ErrorInfo);
    void WebDownloadCopyProgress(QObject* Sender, int fileidx, quint32 size, quint32 totsize);
    void WebDownloadProxyLogin(QObject* Sender, const QString& proxy, bool refused, QString& userName,
                               QString& password, bool& given);
    void LaunchInstallerFinished(QObject* Sender);
    void LaunchInstallerError(QObject* Sender, quint32 ErrorCode);

    void btnAboutClick(QObject* Sender);
    void htm1AnchorClick(QObject* Sender, const QString& Anchor);

    void lnkGettingStarted1Click(QObject* Sender);
    void lnkGettingStarted2Click(QObject* Sender);
    void lnkSupportRequestClick(QObject* Sender);
    void lnkSupportRequest2Click(QObject* Sender);
    void lnkSupportClick(QObject* Sender);
    void lnkSupport2Click(QObject* Sender);

    void ButtonTimerTimer(QObject* Sender);

    TPageContainer* Pages() const { return pagScreens; }
    TWebCopy* Downloader() const { return WebDownload; }
    TRzLauncher* Launcher() const { return LaunchInstaller; }

signals:
    // The user closed the window. A download was cancelled and nothing will be told or run
    // any more: the application can end as soon as the handler that runs has returned. A setup
    // program that was running goes on by itself.
    void WizardClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Return and Enter press the focused button; on anything else they press the page's
    // default button (Start, Install Server, Download).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate(QObject* Sender);
    // The button that Return and Enter press on the page, or null (the installed pages).
    QAbstractButton* DefaultButton(const QWidget* page) const;
    // Puts the keyboard focus where the active page's work goes on: its default button, or the
    // first link of an installed page.
    void FocusActivePage();
    void ConfigureComponents();
    // False when the click is ignored: a download or a setup program is already running.
    bool DownloadServerSetup();
    bool DownloadWorkstationSetup();
    bool DownloadSetup(const QString& fileName, const QString& caption, QWidget* installedPage);
    void RunSetupProgram();
    // With a public key: true when the downloaded setup program is proven by its signature;
    // otherwise it is told, and the downloaded files are deleted.
    bool SetupProgramIsProven();
    void DeleteDownloadedFiles();
    QString DownloadedPath(const QString& fileName) const;
    // Tells the user why the download ended without a setup program to run.
    void TellDownloadFailure();
    void ShowError(const QString& text);
    void BuildHeader();
    void BuildFooter();
    void BuildPages();
    QWidget* BuildWelcomePage();
    QWidget* BuildSelectionPage();
    QWidget* BuildInstallServerPage();
    QWidget* BuildInstallWorkstationPage();
    QWidget* BuildServerInstalledPage();
    QWidget* BuildWorkstationInstalledPage();

    THtmlLabel* AddPageText(QWidget* page, const QString& name, const QString& html, int x, int y, int width);
    QLabel* AddPlainLabel(QWidget* page, const QString& name, const QString& text, int x, int y);
    // The line under an installed page's text that names the verified setup program; hidden
    // until one ran.
    void AddVerifiedLine(QWidget* page, int y);
    void ShowVerifiedLine();
    QLabel* AddPicture(QWidget* page, const QString& name, const QString& artwork, int x, int y);
    TGlyphButton* AddBackButton(QWidget* page, const QString& name, void (TfrmMain::*handler)(QObject*));
    TFlatColorButton* AddFlatButton(QWidget* page, const QString& name, const QString& caption, QRect geometry,
                                    void (TfrmMain::*handler)(QObject*));
    TIconLinkLabel* AddLink(QWidget* page, const QString& name, const QString& icon, const QString& caption,
                            QRect geometry, void (TfrmMain::*handler)(QObject*));

    QWidget* pnlHeader = nullptr;
    TGlyphButton* btnAbout = nullptr;
    TPageContainer* pagScreens = nullptr;
    THtmlLabel* htm1 = nullptr;
    TBalloonHint* BalloonHint = nullptr;

    QWidget* tabWelcome = nullptr;
    QWidget* tabSelection = nullptr;
    QWidget* tabInstallServer = nullptr;
    QWidget* tabInstallWorkstation = nullptr;
    QWidget* tabServerInstalled = nullptr;
    QWidget* tabWorkstationInstalled = nullptr;

    TFlatColorButton* btnStart = nullptr;
    QAbstractButton* btnInstallServer = nullptr;
    TFlatColorButton* btnDownloadServer = nullptr;
    TFlatColorButton* btnDownloadWorkstation = nullptr;

    QTimer* ButtonTimer = nullptr;
    TWebCopy* WebDownload = nullptr;
    TRzLauncher* LaunchInstaller = nullptr;

    QString FDownloadBaseAddress;
    QString FDownloadFile;
    QByteArray FSetupPublicKey;
    // What the maker's signature of the program that ran says of it (often its version); empty
    // when setup programs are not verified.
    QString FVerifiedComment;
    static inline const QString VerifiedLineName = QStringLiteral("lblVerified");
    // The page to show once the setup program that was downloaded has finished.
    QWidget* FInstalledPage = nullptr;
    bool FDownloadCancelled = false;
    // The window has been closed: nothing more is told or started.
    bool FClosing = false;
    qint64 FDownloadReceived = 0;
    qint64 FDownloadExpected = 0;
    // The network logins the user typed for proxies ("host:port" to user name and password),
    // in memory until the wizard ends, so a second download does not ask again.
    QHash<QString, std::pair<QString, QString>> FProxyLogins;

    int FStartButton = 0;
    int FServerDownloadButton = 0;
    int FWorkstationDownloadButton = 0;
    bool FCentred = false;
};
