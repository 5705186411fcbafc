#include "wizard/DownloadFailure.h"

#include "webcopy/ProgressFormat.h"
#include "webcopy/WebCopyItem.h"
#include "webcopy/WebCopyTypes.h"

#include <iterator>

TDownloadFailure TDownloadFailure::OfItem(const TWebCopyItem& item, const QString& host)
{
    TDownloadFailure failure;
    failure.Cause = item.ErrorCause();
    failure.ErrorCode = item.ErrorCode();
    failure.HttpStatus = item.HttpStatus();
    failure.Reason = item.ErrorReason();
    failure.Host = host;
    failure.TargetDir = item.TargetDir;
    failure.Attempts = item.Attempts();
    failure.KeptBytes = item.KeptBytes();
    return failure;
}

bool TDownloadFailure::AboutProxy() const
{
    return Cause == TTransferCause::ProxyUnreachable || Cause == TTransferCause::ProxyNeedsLogin
        || Cause == TTransferCause::ProxyRefused || Cause == TTransferCause::ProxyScriptFailed;
}

bool TDownloadFailure::ServerUnreachable() const
{
    return Cause == TTransferCause::HostNotFound || Cause == TTransferCause::CannotConnect;
}

namespace {

QString LostTimes(int attempts)
{
    static const char* const Words[] = {"twice", "three times", "four times", "five times"};
    const QString times = attempts - 2 < int(std::size(Words)) ? QLatin1String(Words[attempts - 2])
                                                                : QStringLiteral("%1 times").arg(attempts);
    return QStringLiteral("The connection was lost %1.").arg(times);
}

} // namespace

QString TDownloadFailure::Text() const
{
    const QString tryLater = QStringLiteral("Please try again later.");
    QString what;
    QString advice = QStringLiteral("Click Download to try again.");
    switch (Cause) {
    case TTransferCause::ProxyNeedsLogin:
        what = QStringLiteral("The proxy server of your network needs a login before it lets the download through.");
        break;
    case TTransferCause::ProxyScriptFailed:
        what = QStringLiteral("The proxy configuration script of your network did not answer.");
        break;
    case TTransferCause::ProxyUnreachable:
    case TTransferCause::ProxyRefused:
        what = QStringLiteral("The proxy server of your network could not be reached or refused the download.");
        break;
    case TTransferCause::TlsUntrusted:
    case TTransferCause::TlsExpired:
    case TTransferCause::TlsWrongName:
    case TTransferCause::TlsHandshake:
    case TTransferCause::TlsClientCertificate:
        what = QStringLiteral("The certificate of the download server %1 is not trusted, so the download was "
                              "stopped to keep your computer safe.")
                   .arg(Host);
        break;
    case TTransferCause::RedirectRefused:
        what = QStringLiteral("The download server %1 sent the download to an address that is not secure, so it "
                              "was stopped.")
                   .arg(Host);
        break;
    case TTransferCause::RedirectLoop:
        what = QStringLiteral("The download server %1 kept sending the download elsewhere (too many redirects).")
                   .arg(Host);
        break;
    case TTransferCause::ServerStatus:
    case TTransferCause::LoginRefused:
        what = QStringLiteral("The setup program is not on the server at the moment (the server answered %1).")
                   .arg(HttpStatus);
        advice = tryLater;
        break;
    case TTransferCause::TimedOut:
        if (Received == 0) {
            // Reached, or at least not refused, but silent: the server, not the user's Internet.
            what = QStringLiteral("The download server %1 did not answer.").arg(Host);
            advice = tryLater;
        }
        break;
    case TTransferCause::DiskFull:
        what = QStringLiteral("The disk is full: there is not enough free space for the setup program in %1.")
                   .arg(TargetDir);
        break;
    case TTransferCause::TargetUnwritable:
        what = QStringLiteral("The setup program could not be saved in %1.").arg(TargetDir);
        break;
    case TTransferCause::NoData:
        what = QStringLiteral("The download server sent an empty file instead of the setup program.");
        break;
    case TTransferCause::ChecksumMismatch:
    case TTransferCause::PartialAnswer:
        what = QStringLiteral("The download server sent a file that is not the setup program, so it was not "
                              "kept.");
        break;
    default:
        break;
    }
    if (what.isEmpty()) {
        what = Received <= 0    ? QStringLiteral("The setup program could not be downloaded.")
            : Expected > 0      ? QStringLiteral("The download broke off after %1 of %2.")
                                 .arg(FormatSizeText(Received), FormatSizeText(Expected))
                                : QStringLiteral("The download broke off after %1.").arg(FormatSizeText(Received));
        if (Attempts > 1 && Received > 0)
            what = LostTimes(Attempts) + QLatin1Char(' ') + what;
    }
    // What arrived is kept: the next click asks only for the rest.
    if (KeptBytes > 0)
        advice = QStringLiteral("Click Download to continue where it stopped.");
    QString text = what + QStringLiteral("\n\n") + advice;
    if (!Reason.isEmpty())
        text += QStringLiteral("\n\nDetails: ") + Reason;
    return text;
}
