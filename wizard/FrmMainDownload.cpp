// The road from a Download click to the installed page: the download of the setup program,
// its hand-off to the launcher, and what the user is told when something goes wrong.
#include "wizard/FrmMain.h"

#include "launcher/RzLauncher.h"
#include "platform/LocalFiles.h"
#include "widgets/PageContainer.h"
#include "webcopy/WebCopy.h"
#include "wizard/CommonMethods.h"
#include "wizard/DownloadFailure.h"
#include "wizard/LaunchFailure.h"
#include "wizard/WizardTexts.h"

#include <QMessageBox>
#include <QTimer>

namespace {

const QString ServerSetupFile = QStringLiteral("orvanta5serversetup.exe");
const QString WorkstationSetupFile = QStringLiteral("orvanta5workstationsetup.exe");

const QString ConnectErrorText =
    QStringLiteral("Unable to connect to web server!  Please make sure you are connected to the Internet before trying again.");

// A modal box above the progress dialog, which stays on top of every window while a download runs.
void ShowMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, WizardTexts::Title, text, QMessageBox::Ok, parent, Qt::Dialog | Qt::WindowStaysOnTopHint);
    box.setFont(parent->font());
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
    // Seconds a server may stay silent, or trickle, before the download ends with a message;
    // Cancel works at any time meanwhile.
    WebDownload->Timeout = 30;
    // The progress dialog speaks in the pages' font.
    WebDownload->OnBeforeDialogShow = [this](QObject*, QDialog* dialog) { dialog->setFont(font()); };
    WebDownload->OnConnectError = [this](QObject* sender) { WebDownloadConnectError(sender); };
    WebDownload->OnCopyCancel = [this](QObject* sender) { WebDownloadCopyCancel(sender); };
    WebDownload->OnCopyDone = [this](QObject* sender) { WebDownloadCopyDone(sender); };
    WebDownload->OnErrorInfo = [this](QObject* sender, int code, const QString& info) {
        WebDownloadErrorInfo(sender, code, info);
    };
    WebDownload->OnCopyProgress = [this](QObject* sender, int fileidx, quint32 size, quint32 totsize) {
        WebDownloadCopyProgress(sender, fileidx, size, totsize);
    };

    LaunchInstaller = new TRzLauncher(this);
    LaunchInstaller->setObjectName(QStringLiteral("LaunchInstaller"));
    // The wait runs beside the window, not inside it: closing the wizard while the setup
    // program runs ends the wizard at once and leaves the setup program running.
    LaunchInstaller->WaitType = wtProcessMessages;
    LaunchInstaller->WaitUntilFinished = false;
    LaunchInstaller->OnFinished = [this](QObject* sender) { LaunchInstallerFinished(sender); };
    LaunchInstaller->OnError = [this](QObject* sender, quint32 code) { LaunchInstallerError(sender, code); };
}

// An ignored click changes nothing, not even the button's blinking.
void TfrmMain::btnDownloadServerClick(QObject*)
{
    if (DownloadServerSetup())
        FServerDownloadButton = 2;
}

void TfrmMain::btnDownloadWorkstationClick(QObject*)
{
    if (DownloadWorkstationSetup())
        FWorkstationDownloadButton = 2;
}

bool TfrmMain::DownloadServerSetup()
{
    return DownloadSetup(ServerSetupFile, QStringLiteral("Download Orvanta 5 Server....."), tabServerInstalled);
}

bool TfrmMain::DownloadWorkstationSetup()
{
    return DownloadSetup(WorkstationSetupFile, QStringLiteral("Download Orvanta 5 Workstation....."),
                         tabWorkstationInstalled);
}

bool TfrmMain::DownloadSetup(const QString& fileName, const QString& caption, QWidget* installedPage)
{
    // One download or setup program at a time: a click while one is in progress is ignored.
    if (WebDownload->Running() || LaunchInstaller->Running())
        return false;
    const QString targetDir = GetTempDirectory();
    if (targetDir.isEmpty()) {
        ShowError(QStringLiteral("No safe temporary folder is available for the setup program, so it cannot be downloaded."));
        return true;
    }
    FDownloadFile = fileName;
    FInstalledPage = installedPage;
    FDownloadReceived = 0;
    FDownloadExpected = 0;
    const QString url = FDownloadBaseAddress + FDownloadFile;

    WebDownload->Items().Clear();
    TWebCopyItem* item = WebDownload->Items().Add();
    item->URL = url;
    item->Protocol = wpHttp;
    item->TargetDir = targetDir;
    item->TargetFilename = FDownloadFile;
    WebDownload->DlgCaption = caption;
    WebDownload->ThreadExecute();
    return true;
}

void TfrmMain::WebDownloadConnectError(QObject*)
{
    ShowError(ConnectErrorText);
}

// A failed download is told once its progress dialog has gone, so nothing covers the message:
// the copy-done handler tells it from the item's result.
void TfrmMain::WebDownloadErrorInfo(QObject*, int, const QString&)
{
    // A local file that failed mid-download (a full disk) ends the run without a copy-done
    // event: the run is over when this comes, and it is told here.
    if (!WebDownload->Running())
        QTimer::singleShot(0, this, [this] { TellDownloadFailure(); });
}

// How far the download came, for a message should it break off.
void TfrmMain::WebDownloadCopyProgress(QObject*, int, quint32 size, quint32 totsize)
{
    FDownloadReceived = size;
    FDownloadExpected = totsize;
}

void TfrmMain::WebDownloadCopyCancel(QObject*)
{
    FDownloadCancelled = true;
    // Closing the window cancelled it: the user knows.
    if (FClosing)
        return;
    ShowMessageBox(this, QMessageBox::Information, QStringLiteral("Download of setup program cancelled."));
    close();
}

void TfrmMain::WebDownloadCopyDone(QObject*)
{
    // Nothing starts after the user has closed the window, not even a download that completed
    // as the window closed.
    if (FDownloadCancelled || FClosing)
        return;
    // Only a setup program that arrived whole is run (the engine counts an empty answer as no
    // download).
    if (WebDownload->Items().Count() == 1 && WebDownload->Items()[0]->Success())
        RunSetupProgram();
    else
        TellDownloadFailure();
}

void TfrmMain::TellDownloadFailure()
{
    if (WebDownload->Items().Count() != 1)
        return;
    TDownloadFailure failure =
        TDownloadFailure::OfItem(*WebDownload->Items()[0], TWebCopy::RequestServer(FDownloadBaseAddress));
    failure.Received = FDownloadReceived;
    failure.Expected = FDownloadExpected;
    ShowError(failure.ServerUnreachable() ? ConnectErrorText : failure.Text());
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
    // 0 is done; 3010 is done and asks for a restart. Anything else did not install.
    const quint32 code = LaunchInstaller->ExitCode();
    if (code != 0 && code != 3010) {
        ShowError(QStringLiteral("The setup program ended before it finished (code %1). Click Download to try again.")
                      .arg(code));
        return;
    }
    // The page of the setup that ran, wherever the user went meanwhile.
    pagScreens->setActivePage(FInstalledPage);
}

void TfrmMain::LaunchInstallerError(QObject*, quint32 ErrorCode)
{
    ShowError(LaunchFailureText(ErrorCode, LaunchInstaller->GetErrorMsg(ErrorCode), GetTempDirectory()));
}

void TfrmMain::ShowError(const QString& text)
{
    // Once the window is closed nobody is left to read it.
    if (FClosing)
        return;
    ShowMessageBox(this, QMessageBox::Critical, text);
}
