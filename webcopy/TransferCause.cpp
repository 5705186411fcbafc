#include "webcopy/TransferCause.h"

#include "platform/InternetErrors.h"

#include <system_error>

TTransferCause CauseOfClientError(quint32 code, int status)
{
    switch (code) {
    case ieTimeout:
        return TTransferCause::TimedOut;
    case ieServerRefused:
        return TTransferCause::ServerRefused;
    case ieInvalidUrl:
        return TTransferCause::InvalidUrl;
    case ieUnrecognizedScheme:
        return TTransferCause::UnsupportedScheme;
    case ieNameNotResolved:
        return TTransferCause::HostNotFound;
    case ieLoginFailure:
        return TTransferCause::LoginRefused;
    case ieOperationCancelled:
        return TTransferCause::Cancelled;
    case ieCannotConnect:
    case ieFtpPassiveUnavailable:
        return TTransferCause::CannotConnect;
    case ieConnectionAborted:
    case ieConnectionReset:
        return TTransferCause::ConnectionBroken;
    case ieCertificateDateInvalid:
        return TTransferCause::TlsExpired;
    case ieCertificateNameInvalid:
        return TTransferCause::TlsWrongName;
    case ieCertificateNotTrusted:
        return TTransferCause::TlsUntrusted;
    case ieClientCertificateNeeded:
        return TTransferCause::TlsClientCertificate;
    case ieSecureChannelFailure:
        return TTransferCause::TlsHandshake;
    case ieHttpsToHttpRedirect:
        return TTransferCause::RedirectRefused;
    case ieRedirectFailed:
        return TTransferCause::RedirectLoop;
    case ieInvalidServerResponse:
        return TTransferCause::InvalidAnswer;
    case ieProxyFailure:
        // 401 to a tunnel counts as the proxy's own demand for a login.
        if (status == 407 || status == 401)
            return TTransferCause::ProxyNeedsLogin;
        return status > 0 ? TTransferCause::ProxyRefused : TTransferCause::ProxyUnreachable;
    default:
        return TTransferCause::InternalError;
    }
}

TTransferCause CauseOfWriteError(int error)
{
    const std::errc condition = static_cast<std::errc>(error);
    if (condition == std::errc::no_space_on_device || condition == std::errc::file_too_large)
        return TTransferCause::DiskFull;
    return TTransferCause::TargetUnwritable;
}
