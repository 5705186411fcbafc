#include "platform/InternetErrors.h"

#include <gtest/gtest.h>

namespace {

// libcurl result codes by number (the test does not include libcurl's header).
constexpr int CurlOk = 0;
constexpr int CurlUnsupportedProtocol = 1;
constexpr int CurlUrlMalformat = 3;
constexpr int CurlCouldntResolveHost = 6;
constexpr int CurlCouldntConnect = 7;
constexpr int CurlRemoteAccessDenied = 9;
constexpr int CurlPartialFile = 18;
constexpr int CurlOperationTimedOut = 28;
constexpr int CurlSslConnectError = 35;
constexpr int CurlAbortedByCallback = 42;
constexpr int CurlTooManyRedirects = 47;
constexpr int CurlRecvError = 56;
constexpr int CurlPeerFailedVerification = 60;
constexpr int CurlLoginDenied = 67;
constexpr int CurlRemoteFileNotFound = 78;
constexpr int CurlLast = 100; // CURL_LAST of libcurl 7.88.1

TEST(InternetErrors, MapsCurlResultsToTheirNumbers)
{
    const struct {
        int Curl;
        quint32 Expected;
    } cases[] = {
        {CurlOk, 0},
        {CurlUnsupportedProtocol, ieUnrecognizedScheme},
        {CurlUrlMalformat, ieInvalidUrl},
        {CurlCouldntResolveHost, ieNameNotResolved},
        {CurlCouldntConnect, ieCannotConnect},
        {CurlRemoteAccessDenied, ieServerRefused},
        {CurlPartialFile, ieConnectionAborted},
        {CurlOperationTimedOut, ieTimeout},
        {CurlSslConnectError, ieSecureChannelFailure},
        {CurlAbortedByCallback, ieOperationCancelled},
        {CurlTooManyRedirects, ieRedirectFailed},
        {CurlRecvError, ieConnectionReset},
        {CurlLoginDenied, ieLoginFailure},
        {CurlRemoteFileNotFound, ieServerRefused},
        {-5, ieInternalError},
        {CurlLast + 50, ieInternalError},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InternetErrorFromCurl(c.Curl), c.Expected) << "curl code " << c.Curl;
}

TEST(InternetErrors, TellsCertificateFailuresApartByTheVerifyResult)
{
    const struct {
        long VerifyResult;
        quint32 Expected;
    } cases[] = {
        {10, ieCertificateDateInvalid}, // expired
        {9, ieCertificateDateInvalid},  // not yet valid
        {1, ieCertificateNameInvalid},  // libcurl's own host-name check failed
        {62, ieCertificateNameInvalid},
        {18, ieCertificateNotTrusted},  // self-signed
        {20, ieCertificateNotTrusted},  // unknown issuer
        {-1, ieCertificateNotTrusted},  // not known to the caller
    };
    for (const auto& c : cases)
        EXPECT_EQ(InternetErrorFromCurl(CurlPeerFailedVerification, c.VerifyResult), c.Expected)
            << "verify result " << c.VerifyResult;
}

TEST(InternetErrors, EveryMappedNumberHasAText)
{
    for (int curl = CurlOk + 1; curl <= CurlLast + 1; ++curl) {
        for (long verifyResult : {-1L, 0L, 1L, 10L}) {
            const quint32 code = InternetErrorFromCurl(curl, verifyResult);
            EXPECT_GE(code, 12000u) << "curl code " << curl;
            EXPECT_FALSE(InternetErrorText(code).isEmpty()) << "curl code " << curl << " -> " << code;
        }
    }
}

TEST(InternetErrors, TextIsEmptyForNumbersThatAreNotOurs)
{
    for (quint32 code : {0u, 3u, 404u, 12000u, 12001u, 12999u})
        EXPECT_TRUE(InternetErrorText(code).isEmpty()) << code;
    EXPECT_EQ(InternetErrorText(ieTimeout), QStringLiteral("The operation timed out."));
}

TEST(InternetErrors, NumbersOfTheClientsOwnChecksHaveATextToo)
{
    // Not mapped from a libcurl result: the HTTP client refuses the redirect itself.
    EXPECT_EQ(InternetErrorText(ieHttpsToHttpRedirect),
              QStringLiteral("A secure request was redirected to an address without encryption."));
}

} // namespace
