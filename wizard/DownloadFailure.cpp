#include "wizard/DownloadFailure.h"

#include "platform/InternetErrors.h"
#include "webcopy/ProgressFormat.h"
#include "webcopy/WebCopyItem.h"
#include "webcopy/WebCopyTypes.h"

TDownloadFailure TDownloadFailure::OfItem(const TWebCopyItem& item, const QString& host)
{
    TDownloadFailure failure;
    failure.ErrorCode = item.ErrorCode();
    failure.HttpStatus = item.HttpStatus();
    failure.Reason = item.ErrorReason();
    failure.Host = host;
    failure.TargetDir = item.TargetDir;
    return failure;
}

bool TDownloadFailure::AboutProxy() const
{
    return Reason.contains(QLatin1String("proxy"), Qt::CaseInsensitive);
}

bool TDownloadFailure::ServerUnreachable() const
{
    return !AboutProxy() && (ErrorCode == ieNameNotResolved || ErrorCode == ieCannotConnect);
}

QString TDownloadFailure::Text() const
{
    const QString tryLater = QStringLiteral("Please try again later.");
    QString what;
    QString advice = QStringLiteral("Click Download to try again.");
    const bool aboutProxy = AboutProxy();
    if (HttpStatus == 407 || (aboutProxy && Reason.contains(QLatin1String("407"))))
        what = QStringLiteral("The proxy server of your network needs a login before it lets the download through.");
    else if (aboutProxy)
        what = QStringLiteral("The proxy server of your network could not be reached or refused the download.");
    else if (ErrorCode == ieCertificateNotTrusted || ErrorCode == ieCertificateNameInvalid
             || ErrorCode == ieCertificateDateInvalid || ErrorCode == ieSecureChannelFailure)
        what = QStringLiteral("The certificate of the download server %1 is not trusted, so the download was "
                              "stopped to keep your computer safe.")
                   .arg(Host);
    else if (ErrorCode == ieHttpsToHttpRedirect)
        what = QStringLiteral("The download server %1 sent the download to an address that is not secure, so it "
                              "was stopped.")
                   .arg(Host);
    else if (ErrorCode == ieRedirectFailed)
        what = QStringLiteral("The download server %1 kept sending the download elsewhere (too many redirects).")
                   .arg(Host);
    else if (HttpStatus >= 300) {
        what = QStringLiteral("The setup program is not on the server at the moment (the server answered %1).")
                   .arg(HttpStatus);
        advice = tryLater;
    } else if (ErrorCode == ieTimeout && Received == 0) {
        // Reached, or at least not refused, but silent: the server, not the user's Internet.
        what = QStringLiteral("The download server %1 did not answer.").arg(Host);
        advice = tryLater;
    }
    else if (ErrorCode == WebCopyErrors::WriteFailed || ErrorCode == WebCopyErrors::CannotCreateTarget)
        what = Reason.contains(QLatin1String("No space"), Qt::CaseInsensitive)
            ? QStringLiteral("The disk is full: there is not enough free space for the setup program in %1.")
                  .arg(TargetDir)
            : QStringLiteral("The setup program could not be saved in %1.").arg(TargetDir);
    else if (Received == 0 && HttpStatus / 100 == 2 && ErrorCode == 0)
        what = QStringLiteral("The download server sent an empty file instead of the setup program.");
    else if (Received > 0)
        what = Expected > 0 ? QStringLiteral("The download broke off after %1 of %2.")
                                  .arg(FormatSizeText(Received), FormatSizeText(Expected))
                            : QStringLiteral("The download broke off after %1.").arg(FormatSizeText(Received));
    else
        what = QStringLiteral("The setup program could not be downloaded.");
    QString text = what + QStringLiteral("\n\n") + advice;
    if (!Reason.isEmpty())
        text += QStringLiteral("\n\nDetails: ") + Reason;
    return text;
}
