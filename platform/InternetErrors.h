#pragma once

#include <QString>

// The Internet client's error numbers (12000 and up). They share the engine's error-code space
// with its own codes 0-6 and the HTTP status codes, so they never change meaning.
enum TInternetError : quint32 {
    ieTimeout = 12002,                  // no answer within the time-out
    ieServerRefused = 12003,            // the server answered a command with an error (FTP reply 4xx/5xx)
    ieInternalError = 12004,            // a failure inside the client; also any unknown client failure
    ieInvalidUrl = 12005,               // the URL cannot be parsed
    ieUnrecognizedScheme = 12006,       // a scheme the client does not speak (or a redirect to one)
    ieNameNotResolved = 12007,          // the host name has no address
    ieLoginFailure = 12015,             // user name or password refused
    ieOperationCancelled = 12017,       // stopped on our own request
    ieCannotConnect = 12029,            // no connection could be established
    ieConnectionAborted = 12030,        // the connection ended before the transfer was complete
    ieConnectionReset = 12031,          // the connection was reset while receiving
    ieCertificateDateInvalid = 12037,   // the server's certificate has expired or is not yet valid
    ieCertificateNameInvalid = 12038,   // the server's certificate names another host
    ieHttpsToHttpRedirect = 12040,      // a secure request was redirected to plain http (refused)
    ieClientCertificateNeeded = 12044,  // the server demands a client certificate
    ieCertificateNotTrusted = 12045,    // the server's certificate could not be verified
    ieFtpPassiveUnavailable = 12112,    // the FTP server accepted neither EPSV nor PASV
    ieInvalidServerResponse = 12152,    // the server's answer is malformed or empty
    ieRedirectFailed = 12156,           // too many redirects
    ieProxyFailure = 12165,             // the proxy cannot be resolved, reached or used
    ieSecureChannelFailure = 12175,     // the TLS connection could not be established
    ieLoginMethodUnsupported = 12200,   // the server asks for a login by methods the client does not speak
};

// The error number for a libcurl result; 0 for success. sslVerifyResult is the transfer's
// CURLINFO_SSL_VERIFYRESULT: with it a failed certificate check is told apart as date, host
// name or trust; -1 (unknown) reports every certificate failure as not trusted.
quint32 InternetErrorFromCurl(int curlCode, long sslVerifyResult = -1);
// libcurl's own words for a failed transfer: what it wrote into the transfer's error buffer,
// else its general text for the code.
QString CurlFailureWords(const char* errorBuffer, int curlCode);

// A clear English message for the number; empty for 0 and for numbers that are not ours.
QString InternetErrorText(quint32 code);
