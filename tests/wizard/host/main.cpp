// The wizard as orvanta-setup runs it, with the download server that the test names as its one
// argument instead of the build's address.
#include "wizard/WizardApplication.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    return RunWizard(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
}
