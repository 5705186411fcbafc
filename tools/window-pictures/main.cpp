// Writes every page of the main window, the About box, the download's progress dialog and the
// login prompt to PNG files, so that what the user sees can be looked at without a display:
//   orvanta-window-pictures <output directory>
#include "platform/TickCount.h"
#include "webcopy/ProgressLine.h"
#include "webcopy/WcLogin.h"
#include "webcopy/WebCopy.h"
#include "widgets/PageContainer.h"
#include "wizard/FrmAbout.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTextStream>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: orvanta-window-pictures <output directory>\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << '\n';
        return 1;
    }

    const auto save = [&](QWidget* widget, const QString& name) {
        const QString path = out.filePath(name + QStringLiteral(".png"));
        if (!widget->grab().save(path)) {
            err << "cannot write " << path << '\n';
            return false;
        }
        QTextStream(stdout) << path << '\n';
        return true;
    };

    TfrmMain frmMain;
    frmMain.show();
    bool ok = true;
    for (QWidget* page : frmMain.Pages()->pages()) {
        frmMain.Pages()->setActivePage(page);
        ok = save(&frmMain, page->objectName()) && ok;
        // An installed page after a verified setup program, as a build with the maker's key shows it.
        if (auto* verified = page->findChild<QLabel*>(QStringLiteral("lblVerified"))) {
            verified->setText(QStringLiteral("The setup program was verified as signed by Orvanta Software: "
                                             "Orvanta 5 Workstation 5.0.1234 (orvanta5workstationsetup.exe)"));
            verified->show();
            ok = save(&frmMain, page->objectName() + QStringLiteral("Verified")) && ok;
            verified->hide();
        }
    }
    TfrmAbout about;
    about.show();
    ok = save(&about, QStringLiteral("frmAbout")) && ok;

    // The progress dialog as the wizard configures it, caught in the middle of a download.
    TWebCopy download;
    download.LoadSettings(frmMain.Downloader()->StoredSettings());
    download.OnBeforeDialogShow = frmMain.Downloader()->OnBeforeDialogShow;
    download.DlgCaption = QStringLiteral("Download Orvanta 5 Server.....");
    download.Items().Add()->Protocol = wpFile;
    download.OnFileStart = [&](QObject*, int) {
        download.ProgressFileLabel()->setText(QStringLiteral("File : orvanta5serversetup.exe"));
        download.ShowProgress(18500000, 41200000, TickCount() - 7400, download.DlgDwnload);
        // Offscreen, a bar not yet rendered on its own shows its first state in the dialog's picture.
        download.ProgressBar()->grab();
        ok = save(download.ProgressForm(), QStringLiteral("ProgressForm")) && ok;
    };
    download.Execute();

    TWcLoginForm login;
    login.setWindowTitle(QStringLiteral("Connect to download.orvanta.com"));
    login.show();
    ok = save(&login, QStringLiteral("WcLoginForm")) && ok;

    TWcLoginForm proxyLogin;
    proxyLogin.setWindowTitle(QStringLiteral("Connect to proxy 10.0.0.1:3128"));
    proxyLogin.SetMessage(ProxyLoginMessage(QStringLiteral("10.0.0.1:3128"), false));
    proxyLogin.show();
    ok = save(&proxyLogin, QStringLiteral("WcLoginFormProxy")) && ok;
    return ok ? 0 : 1;
}
