#include "wizard/SiteAddresses.h"
#include "wizard/WizardApplication.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    return RunWizard(QString::fromUtf8(DownloadBaseAddress));
}
