#include "wizard/WizardApplication.h"

#include "wizard/FrmMain.h"
#include "wizard/WizardTexts.h"

#include <QApplication>

int RunWizard(const QString& downloadBaseAddress, const QByteArray& setupPublicKey)
{
    QApplication::setApplicationName(WizardTexts::Title);
    // The first window created is the main window; closing it ends the application, also when
    // the close comes while a download's progress dialog or a message box is still on screen
    // (their own event loops end with the application's).
    TfrmMain frmMain(downloadBaseAddress, setupPublicKey);
    QObject::connect(&frmMain, &TfrmMain::WizardClosed, qApp, [] { QCoreApplication::exit(0); });
    frmMain.show();
    return QApplication::exec();
}
