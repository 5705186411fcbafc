#include "wizard/LaunchFailure.h"

QString LaunchFailureText(quint32 errorCode, const QString& launcherText, const QString& folder)
{
    QString what;
    switch (errorCode) {
    case 0:
    case 8:
        what = QStringLiteral("There is not enough memory to start it.");
        break;
    case 2:
    case 3:
        what = QStringLiteral("The downloaded file is no longer in %1.").arg(folder);
        break;
    case 5:
        what = QStringLiteral("This computer does not allow you to run the downloaded file.");
        break;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 16:
    case 19:
    case 20:
    case 21:
        // An error page or damaged bytes saved under the program's name, or a program for
        // another system.
        what = QStringLiteral("The downloaded file is not a program this computer can run.");
        break;
    case 31:
        // The file is not executable where it lies, and nothing else opens it: the folder's
        // file system forbids running programs.
        what = QStringLiteral("The temporary folder %1 does not allow programs to run (it is mounted noexec).")
                   .arg(folder);
        break;
    default:
        break;
    }
    QString text = QStringLiteral("The setup program could not be started.");
    if (!what.isEmpty())
        text += QLatin1Char(' ') + what;
    text += QStringLiteral("\n\nClick Download to try again.");
    if (!launcherText.isEmpty())
        text += QStringLiteral("\n\nDetails: ") + launcherText;
    return text;
}
