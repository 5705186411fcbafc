#include "platform/InternetErrors.h"

#include <curl/curl.h>

namespace {

// OpenSSL's X509 verification results that name a date problem or a host-name mismatch.
constexpr long VerifyCertNotYetValid = 9;
constexpr long VerifyCertHasExpired = 10;
constexpr long VerifyHostnameMismatch = 62;
// libcurl 7.88.1 checks the host name itself, before it stores OpenSSL's result, so a
// mismatch leaves its initial "not verified" value 1 (measured; X509's own 1 does not occur).
constexpr long VerifyNotCompleted = 1;

quint32 CertificateError(long sslVerifyResult)
{
    switch (sslVerifyResult) {
    case VerifyCertNotYetValid:
    case VerifyCertHasExpired:
        return ieCertificateDateInvalid;
    case VerifyHostnameMismatch:
    case VerifyNotCompleted:
        return ieCertificateNameInvalid;
    default:
        return ieCertificateNotTrusted;
    }
}

} // namespace

quint32 InternetErrorFromCurl(int curlCode, long sslVerifyResult)
{
    switch (CURLcode(curlCode)) {
    case CURLE_OK:
        return 0;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ieUnrecognizedScheme;
    case CURLE_URL_MALFORMAT:
        return ieInvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_PROXY:
        return ieProxyFailure;
    case CURLE_COULDNT_RESOLVE_HOST:
        return ieNameNotResolved;
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_INTERFACE_FAILED:
    case CURLE_NO_CONNECTION_AVAILABLE:
        return ieCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return ieTimeout;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FTP_BAD_FILE_LIST:
        return ieInvalidServerResponse;
    case CURLE_FTP_WEIRD_PASV_REPLY:
        return ieFtpPassiveUnavailable;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_QUOTE_ERROR:
    case CURLE_HTTP_RETURNED_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_RANGE_ERROR:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_FTP_PRET_FAILED:
        return ieServerRefused;
    case CURLE_FTP_WEIRD_PASS_REPLY:
    case CURLE_LOGIN_DENIED:
    case CURLE_AUTH_ERROR:
        return ieLoginFailure;
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
        return ieConnectionAborted;
    case CURLE_RECV_ERROR:
        return ieConnectionReset;
    case CURLE_TOO_MANY_REDIRECTS:
        return ieRedirectFailed;
    case CURLE_ABORTED_BY_CALLBACK:
        return ieOperationCancelled;
    case CURLE_PEER_FAILED_VERIFICATION:
        return CertificateError(sslVerifyResult);
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return ieCertificateNotTrusted;
    case CURLE_SSL_CLIENTCERT:
        return ieClientCertificateNeeded;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
        return ieSecureChannelFailure;
    default:
        return ieInternalError;
    }
}

QString InternetErrorText(quint32 code)
{
    switch (code) {
    case ieTimeout:
        return QStringLiteral("The operation timed out.");
    case ieServerRefused:
        return QStringLiteral("The server refused the request: the file or folder may not exist, "
                              "or access to it is denied.");
    case ieInternalError:
        return QStringLiteral("An internal error occurred in the Internet client.");
    case ieInvalidUrl:
        return QStringLiteral("The URL is invalid.");
    case ieUnrecognizedScheme:
        return QStringLiteral("The URL does not use a supported protocol.");
    case ieNameNotResolved:
        return QStringLiteral("The server name could not be resolved.");
    case ieLoginFailure:
        return QStringLiteral("The server did not accept the user name or password.");
    case ieOperationCancelled:
        return QStringLiteral("The operation was cancelled.");
    case ieCannotConnect:
        return QStringLiteral("A connection to the server could not be established.");
    case ieConnectionAborted:
        return QStringLiteral("The connection to the server ended before the transfer was complete.");
    case ieConnectionReset:
        return QStringLiteral("The connection to the server was reset.");
    case ieCertificateDateInvalid:
        return QStringLiteral("The server's security certificate has expired or is not yet valid.");
    case ieCertificateNameInvalid:
        return QStringLiteral("The server's security certificate was issued for a different host name.");
    case ieHttpsToHttpRedirect:
        return QStringLiteral("A secure request was redirected to an address without encryption.");
    case ieClientCertificateNeeded:
        return QStringLiteral("The server requires a client certificate.");
    case ieCertificateNotTrusted:
        return QStringLiteral("The server's security certificate could not be verified.");
    case ieFtpPassiveUnavailable:
        return QStringLiteral("The FTP server does not support passive mode.");
    case ieInvalidServerResponse:
        return QStringLiteral("The server returned an invalid or unrecognised response.");
    case ieRedirectFailed:
        return QStringLiteral("The request was redirected too many times.");
    case ieProxyFailure:
        return QStringLiteral("The proxy server could not be reached or refused the request.");
    case ieSecureChannelFailure:
        return QStringLiteral("A secure connection to the server could not be established.");
    case ieLoginMethodUnsupported:
        return QStringLiteral("The server asks for a login by a method that this program does not support.");
    default:
        return {};
    }
}

QString CurlFailureWords(const char* errorBuffer, int curlCode)
{
    return errorBuffer[0] != '\0' ? QString::fromUtf8(errorBuffer)
                                   : QString::fromUtf8(curl_easy_strerror(CURLcode(curlCode)));
}
