#include "webcopy/TransferCause.h"

#include "platform/HttpRequest.h"
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
    case ieLoginMethodUnsupported:
        return TTransferCause::LoginMethodUnsupported;
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

TTransferCause CauseOfRequestFailure(const THttpRequest& request)
{
    // A tunnel that the proxy refused has no answer of the server's: the request knows it was the login.
    if (request.ProxyLoginWanted() && request.ErrorCode() == ieProxyFailure)
        return TTransferCause::ProxyNeedsLogin;
    const TTransferCause cause = CauseOfClientError(request.ErrorCode(), request.StatusCode());
    // Nothing else went wrong before the script's silence sent the request the wrong way.
    if (request.ProxyScriptTimedOut() && cause != TTransferCause::Cancelled)
        return TTransferCause::ProxyScriptFailed;
    return cause;
}

TTransferCause CauseOfShareFailure(TSmbShare::TFailure failure)
{
    switch (failure) {
    case TSmbShare::TFailure::NotAShareName:
        return TTransferCause::InvalidUrl;
    case TSmbShare::TFailure::LoginRefused:
        return TTransferCause::ShareLoginRefused;
    case TSmbShare::TFailure::TimedOut:
        return TTransferCause::TimedOut;
    default:
        return TTransferCause::ShareUnreachable;
    }
}
