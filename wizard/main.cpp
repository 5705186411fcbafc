#include "wizard/FrmMain.h"
#include "wizard/WizardTexts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(WizardTexts::Title);
    // The first window created is the main window; closing it ends the application.
    TfrmMain frmMain;
    frmMain.show();
    return QApplication::exec();
}
