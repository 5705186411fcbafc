// The road from a Download click to the installed page: the download of the setup program,
// its hand-off to the launcher, and what the user is told when something goes wrong.
#include "wizard/FrmMain.h"

#include "launcher/RzLauncher.h"
#include "platform/LocalFiles.h"
#include "platform/SignatureVerifier.h"
#include "widgets/PageContainer.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopy.h"
#include "wizard/CommonMethods.h"
#include "wizard/DownloadFailure.h"
#include "wizard/LaunchFailure.h"
#include "wizard/VerificationFailure.h"
#include "wizard/WizardTexts.h"

#include <QLabel>
#include <QMessageBox>
#include <QTimer>

namespace {

const QString ServerSetupFile = QStringLiteral("orvanta5serversetup.exe");
const QString WorkstationSetupFile = QStringLiteral("orvanta5workstationsetup.exe");

// The maker's signature of a setup program lies beside it on the download server.
const QString SignatureSuffix = QStringLiteral(".minisig");

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
    // A connection that drops is tried again, and what arrived is kept: the next attempt, or the
    // next click on Download, asks only for the rest.
    WebDownload->Retries = 3;
    WebDownload->Resume = true;
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
    WebDownload->OnProxyLogin = [this](QObject* sender, const QString& proxy, bool refused, QString& userName,
                                       QString& password, bool& given) {
        WebDownloadProxyLogin(sender, proxy, refused, userName, password, given);
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
    FVerifiedComment.clear();

    WebDownload->Items().Clear();
    // With a key, the signature comes first in the same run: the program is the last item.
    QStringList files {FDownloadFile};
    if (!FSetupPublicKey.isEmpty())
        files.prepend(FDownloadFile + SignatureSuffix);
    for (const QString& file : files) {
        TWebCopyItem* item = WebDownload->Items().Add();
        item->URL = FDownloadBaseAddress + file;
        item->Protocol = wpHttp;
        item->TargetDir = targetDir;
        item->TargetFilename = file;
    }
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

// A login the user gave a proxy is given again without asking until the wizard ends; one that
// the proxy refused is asked for anew, and the box says so.
void TfrmMain::WebDownloadProxyLogin(QObject*, const QString& proxy, bool refused, QString& userName,
                                     QString& password, bool& given)
{
    if (const auto known = FProxyLogins.constFind(proxy); known != FProxyLogins.cend() && !refused) {
        std::tie(userName, password) = *known;
        given = true;
        return;
    }
    given = !FClosing && ShowProxyLoginPrompt(proxy, refused, userName, password);
    if (given)
        FProxyLogins.insert(proxy, {userName, password});
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
    // download), and with a key only one its signature proves.
    const TWebCopyItems& items = WebDownload->Items();
    bool allArrived = items.Count() > 0;
    for (int i = 0; i < items.Count(); ++i)
        allArrived = allArrived && items[i]->Success();
    if (!allArrived)
        TellDownloadFailure();
    else if (SetupProgramIsProven())
        RunSetupProgram();
}

void TfrmMain::TellDownloadFailure()
{
    const TWebCopyItems& items = WebDownload->Items();
    if (items.Count() == 0)
        return;
    DeleteDownloadedFiles();
    // The program's own failure says most; a missing signature comes next.
    const TWebCopyItem& program = *items[items.Count() - 1];
    if (program.Success()) {
        ShowError(VerificationFailureText(MissingSignature(items[0]->ErrorReason())));
        return;
    }
    TDownloadFailure failure = TDownloadFailure::OfItem(program, TWebCopy::RequestServer(FDownloadBaseAddress));
    failure.Received = FDownloadReceived;
    failure.Expected = FDownloadExpected;
    ShowError(failure.ServerUnreachable() ? ConnectErrorText : failure.Text());
}

bool TfrmMain::SetupProgramIsProven()
{
    if (FSetupPublicKey.isEmpty())
        return true;
    const TSignatureCheck check = TSignatureVerifier(FSetupPublicKey)
                                      .Verify(DownloadedPath(FDownloadFile), DownloadedPath(FDownloadFile + SignatureSuffix));
    // The signature has done its work either way.
    RemoveLocalFile(DownloadedPath(FDownloadFile + SignatureSuffix));
    if (check.Proven()) {
        FVerifiedComment = check.TrustedComment;
        return true;
    }
    DeleteDownloadedFiles();
    ShowError(VerificationFailureText(check));
    return false;
}

// Nothing downloaded stays behind a download that is not run: with a key, an unproven program
// must not be found and started later by hand.
void TfrmMain::DeleteDownloadedFiles()
{
    if (FSetupPublicKey.isEmpty())
        return;
    RemoveLocalFile(DownloadedPath(FDownloadFile));
    RemoveLocalFile(DownloadedPath(FDownloadFile + SignatureSuffix));
}

QString TfrmMain::DownloadedPath(const QString& fileName) const
{
    QString dir = GetTempDirectory();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + fileName;
}

void TfrmMain::RunSetupProgram()
{
    LaunchInstaller->FileName = DownloadedPath(FDownloadFile);
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
    ShowVerifiedLine();
    pagScreens->setActivePage(FInstalledPage);
}

void TfrmMain::ShowVerifiedLine()
{
    auto* line = FInstalledPage->findChild<QLabel*>(VerifiedLineName);
    if (!line)
        return;
    const QString verified = QStringLiteral("The setup program was verified as signed by Orvanta Software");
    line->setText(FVerifiedComment.isEmpty() ? verified + QLatin1Char('.') : verified + QStringLiteral(": ") + FVerifiedComment);
    line->setVisible(!FSetupPublicKey.isEmpty());
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
