#include "platform/SignatureVerifier.h"
#include "wizard/SiteAddresses.h"
#include "wizard/WizardApplication.h"
#include "wizard/WizardTexts.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// Says whether this build proves setup programs, so a release built without a key is noticed.
// Needs no display: it runs before any application object exists.
void PrintVersion()
{
    std::printf("%s\n", WizardTexts::Title.toUtf8().constData());
    const TSignatureVerifier verifier {QByteArray(SetupPublicKey)};
    if (QByteArray(SetupPublicKey).isEmpty())
        std::printf("setup programs are not verified\n");
    else if (!verifier.KeyIsValid())
        std::printf("setup programs cannot be verified: the built-in public key is malformed\n");
    else
        std::printf("setup programs are verified with minisign key %s\n", verifier.KeyId().toLatin1().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        PrintVersion();
        return 0;
    }
    QApplication application(argc, argv);
    return RunWizard(QString::fromUtf8(DownloadBaseAddress), QByteArray(SetupPublicKey));
}
