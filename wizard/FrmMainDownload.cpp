// The road from a Download click to the installed page: the download of the setup program,
// its hand-off to the launcher, and what the user is told when something goes wrong.
#include "wizard/FrmMain.h"

#include "launcher/RzLauncher.h"
#include "platform/LocalFiles.h"
#include "widgets/PageContainer.h"
#include "webcopy/WebCopy.h"
#include "wizard/CommonMethods.h"
#include "wizard/WizardTexts.h"

#include <QMessageBox>

namespace {

const QString ServerSetupFile = QStringLiteral("orvanta5serversetup.exe");
const QString WorkstationSetupFile = QStringLiteral("orvanta5workstationsetup.exe");

const QString ConnectErrorText =
    QStringLiteral("Unable to connect to web server!  Please make sure you are connected to the Internet before trying again.");

// A modal box above the progress dialog, which stays on top of every window while a download runs.
void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, WizardTexts::Title, text, QMessageBox::Ok, parent, Qt::Dialog | Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace

void TfrmMain::ConfigureComponents()
{
    WebDownload = new TWebCopy(this);
    WebDownload->setObjectName(QStringLiteral("WebDownload"));
    // The settings that differ from a new component; every other one keeps its default.
    WebDownload->AutoURLDecode = true;
    WebDownload->DlgDwnload = QStringLiteral("Downloading latest installer");
    WebDownload->HTTPKeepAliveAuthentication = true;
    WebDownload->ShowCompletion = true;
    WebDownload->ShowElapsedTime = true;
    WebDownload->ShowServer = false;
    WebDownload->ShowTime = true;
    WebDownload->OnConnectError = [this](QObject* sender) { WebDownloadConnectError(sender); };
    WebDownload->OnCopyCancel = [this](QObject* sender) { WebDownloadCopyCancel(sender); };
    WebDownload->OnCopyDone = [this](QObject* sender) { WebDownloadCopyDone(sender); };
    // A failed download must never lead to running whatever file lies in the temporary directory.
    WebDownload->OnURLNotFound = [this](QObject* sender, const QString& url) { WebDownloadURLNotFound(sender, url); };
    WebDownload->OnErrorInfo = [this](QObject* sender, int code, const QString& info) {
        WebDownloadErrorInfo(sender, code, info);
    };

    LaunchInstaller = new TRzLauncher(this);
    LaunchInstaller->setObjectName(QStringLiteral("LaunchInstaller"));
    LaunchInstaller->WaitType = wtProcessMessages;
    LaunchInstaller->WaitUntilFinished = true;
    LaunchInstaller->OnFinished = [this](QObject* sender) { LaunchInstallerFinished(sender); };
}

void TfrmMain::btnDownloadServerClick(QObject*)
{
    DownloadServerSetup();
    FServerDownloadButton = 2;
}

void TfrmMain::btnDownloadWorkstationClick(QObject*)
{
    DownloadWorkstationSetup();
    FWorkstationDownloadButton = 2;
}

void TfrmMain::DownloadServerSetup()
{
    DownloadSetup(ServerSetupFile, QStringLiteral("Download Orvanta 5 Server....."));
}

void TfrmMain::DownloadWorkstationSetup()
{
    DownloadSetup(WorkstationSetupFile, QStringLiteral("Download Orvanta 5 Workstation....."));
}

void TfrmMain::DownloadSetup(const QString& fileName, const QString& caption)
{
    // One download or setup program at a time: a click while one is in progress is ignored.
    if (WebDownload->Running() || LaunchInstaller->Running())
        return;
    const QString targetDir = GetTempDirectory();
    if (targetDir.isEmpty()) {
        ShowError(QStringLiteral("No safe temporary folder is available for the setup program, so it cannot be downloaded."));
        return;
    }
    FDownloadFile = fileName;
    FDownloadError = false;
    const QString url = FDownloadBaseAddress + FDownloadFile;

    WebDownload->Items().Clear();
    TWebCopyItem* item = WebDownload->Items().Add();
    item->URL = url;
    item->Protocol = wpHttp;
    item->TargetDir = targetDir;
    item->TargetFilename = FDownloadFile;
    WebDownload->DlgCaption = caption;
    WebDownload->ThreadExecute();
}

void TfrmMain::WebDownloadConnectError(QObject*)
{
    ShowError(ConnectErrorText);
}

// A failed download is told once its progress dialog has gone, so nothing covers the message.
void TfrmMain::WebDownloadURLNotFound(QObject*, const QString&)
{
    FDownloadError = true;
    FDownloadErrorText = ConnectErrorText;
}

void TfrmMain::WebDownloadErrorInfo(QObject*, int, const QString& ErrorInfo)
{
    FDownloadError = true;
    FDownloadErrorText =
        QStringLiteral("The setup program could not be downloaded.\n\n%1\n\nPlease try again.").arg(ErrorInfo);
}

void TfrmMain::WebDownloadCopyCancel(QObject*)
{
    FDownloadCancelled = true;
    ShowMessageBox(this, QMessageBox::Information, QStringLiteral("Download of setup program cancelled."));
    close();
}

void TfrmMain::WebDownloadCopyDone(QObject*)
{
    if (FDownloadCancelled)
        return;
    if (FDownloadError) {
        ShowError(FDownloadErrorText);
        return;
    }
    // Only a setup program that arrived whole is run.
    if (WebDownload->Items().Count() == 1 && WebDownload->Items()[0]->Success())
        RunSetupProgram();
}

void TfrmMain::RunSetupProgram()
{
    QString dir = GetTempDirectory();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    LaunchInstaller->FileName = dir + FDownloadFile;
    // Downloaded files carry no execute permission; the private temporary directory keeps
    // anyone else from changing the file before it runs.
    MakeExecutableByOwner(LaunchInstaller->FileName);
    LaunchInstaller->Launch();
}

void TfrmMain::LaunchInstallerFinished(QObject*)
{
    pagScreens->setActivePage(pagScreens->activePage() == tabInstallServer ? tabServerInstalled
                                                                           : tabWorkstationInstalled);
}

void TfrmMain::ShowError(const QString& text)
{
    ShowMessageBox(this, QMessageBox::Critical, text);
}
