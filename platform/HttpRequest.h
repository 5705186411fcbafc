#pragma once

#include "platform/PendingBytes.h"
#include "platform/CurlHandles.h"
#include "platform/InternetSession.h"
#include "platform/TransferPace.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Calendar fields of an HTTP date (UTC); DayOfWeek counts from Sunday = 0.
struct THttpDate {
    int Year = 0, Month = 0, DayOfWeek = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Milliseconds = 0;
};

struct THttpRequestOptions {
    QString Url;
    QStringList Headers;          // extra request header lines without CRLF, e.g. "X-Extra: 1"
    // A login for the server, never for a proxy. libcurl answers the server's challenge with
    // Basic or Digest as the server asks (never Basic to a server that offers only Digest), and
    // only to the URL's own host: never to another host after a redirect. Empty: no login.
    QString UserName;
    QString Password;
    bool KeepAlive = false;       // keep the connection for the next request
    QByteArray Method = "GET";    // "GET", "POST", "PUT"
    qint64 UploadLength = -1;     // POST/PUT: the announced body length (Content-Length), >= 0
    // GET: only the bytes from this offset on ("Range: bytes=N-"); -1 for the whole body. A server
    // may still answer 200 with the whole body: StatusCode() and ContentRange() tell.
    qint64 RangeFrom = -1;
    // With RangeFrom: "If-Range" with this validator (a strong ETag or an HTTP date), so that a
    // file that changed comes whole (200) instead of as a part of something else.
    QString IfRange;
};

// The Content-Range of a 206 answer ("bytes First-Last/Total"); Valid is false when absent or
// malformed, Total is -1 for "*".
struct THttpContentRange {
    bool Valid = false;
    qint64 First = 0;
    qint64 Last = 0;
    qint64 Total = -1;
};


// One HTTP or HTTPS request with blocking, handle-style calls: open, query, read or write
// blocks, close. Always fetched from the server (no cache), TLS always verified, redirects
// followed for GET only (http and https, at most 10; a request that starts on https stays on
// https). The proxies are the session's choice for the URL, asked once per Open and tried in
// their order while one cannot be reached (a PAC list "PROXY a:1; PROXY b:2; DIRECT"); the
// system's lookup is bounded and calls OnWait while it runs (see TInternetSession). A proxy gets
// the session's login for it by the strongest of Basic, Digest and NTLM that it offers, and
// without one the user's Kerberos ticket if it offers Negotiate; never a server. A proxy that
// demands a login (407) or refuses the tunnel fails the request with ieProxyFailure and a
// reason that names the proxy. Texts with a line break or NUL (URL, method, headers, the
// session's agent, proxy and proxy credentials) are refused before anything is sent. A
// Content-Length that cannot be true (not a decimal 63-bit number, or two that differ) fails
// the request before any body is handed out. With the session's receive time-out T > 0 the answer's headers must be complete
// within T of the request's start, and a body that moves fewer than 1024 bytes in any T fails
// (uploads likewise with the send time-out); only the time spent waiting inside these calls
// counts, not the caller's pauses between them.
class THttpRequest {
public:
    explicit THttpRequest(TInternetSession& session);
    ~THttpRequest();              // aborts and releases whatever is open
    THttpRequest(const THttpRequest&) = delete;
    THttpRequest& operator=(const THttpRequest&) = delete;

    // Called while the client waits (at least every ~50 ms during a stalled connect, read or
    // write); it may process UI events, even close or destroy this request. Returning false
    // aborts the operation in progress with ieOperationCancelled.
    std::function<bool()> OnWait;

    // GET: returns once the final status and headers are known. POST/PUT: returns once the
    // connection stands and the request is ready to take the body. False when it could not be
    // opened at all: ErrorCode(), ErrorText() and Reason() say why.
    bool Open(const THttpRequestOptions& options);
    int StatusCode() const;               // 0 when unknown
    qint64 ContentLength() const;         // 0 when absent
    THttpDate LastModified() const;       // all zero when absent
    QByteArray ContentDisposition() const; // the final answer's header value; empty when absent
    // How long the server asks the client to wait (Retry-After in seconds, or an HTTP date less
    // now, never below 0); -1 when the answer has no usable Retry-After.
    qint64 RetryAfterMs() const;
    // The answer's validators as the server wrote them (for If-Range): ETag with its quotes and
    // a "W/" when weak, Last-Modified as an HTTP date; empty when absent.
    QString ETag() const;
    QString LastModifiedText() const;
    THttpContentRange ContentRange() const;
    // After redirects: for a 401, the URL whose host asked for the login. A login is given
    // again for this URL, so that it goes to that host only.
    QString FinalUrl() const;
    // The login schemes the answer's WWW-Authenticate lines offer ("Basic", "Digest", "NTLM"),
    // in their order. A 401 that offers schemes but neither Basic nor Digest fails the request
    // with ieLoginMethodUnsupported and a reason that names them.
    QStringList LoginSchemes() const { return FLoginSchemes; }
    // The answer is the proxy's own, not the server's carried through it: it says so with
    // Proxy-Status naming an error or with X-Squid-Error, or it is a 502, 503 or 504 that came
    // by a Via. Only for a request through a proxy; its StatusCode() is then the proxy's.
    bool AnswerFromProxy() const;
    // "host:port" of the proxy this request goes through; empty for a direct connection.
    QString ProxyName() const;
    // The request failed because the proxy ProxyName() wants a login: none was given for it, or
    // it refused the one given (ProxyLoginSent()).
    bool ProxyLoginWanted() const { return FProxyLoginWanted; }
    bool ProxyLoginSent() const { return !FProxyLogin.UserName.isEmpty(); }

    // Up to `max` body bytes: > 0 bytes, 0 at the end of the body, -1 on failure (a broken
    // connection, a body shorter than Content-Length, a receive time-out, a cancel).
    qint64 Read(char* buffer, qint64 max);

    // Upload: the body in blocks, never more than UploadLength in total. An answer that comes
    // before the body is complete ends the upload: Write returns false and StatusCode() is
    // that answer. FinishUpload waits for the answer; a body shorter than announced is
    // aborted and fails.
    bool Write(const char* data, qint64 length);
    bool FinishUpload();

    quint32 ErrorCode() const { return FErrorCode; }  // InternetErrors number, 0 when none
    QString ErrorText() const { return FErrorText; }
    // Why the request failed, in the client's own words (libcurl's message, or this class's own
    // for the checks above); empty when nothing failed. Kept until the next Open or Close.
    QString Reason() const { return FReason; }
    // The system's proxy lookup did not answer in time and the request went direct; a failure
    // then says so in its reason.
    bool ProxyScriptTimedOut() const { return FProxyLookupTimedOut; }
    void Close();

private:
    enum class TGoal { Connection, Answer, Body, UploadTaken };
    enum class TPump { Reached, Ended, Gone };
    // What the request waits for, each with its own time bound.
    enum class TStage { Connecting, Sending, Answer, Receiving };

    bool Prepare(const THttpRequestOptions& options);
    void ResetTransfer();  // all but the request's life and the proxy lookup's outcome
    bool CheckSingleLines(const THttpRequestOptions& options);
    qint64 FillBody();  // 1 with data buffered, 0 at the end, -1 on failure
    bool Reached(TGoal goal) const;
    TPump Pump(TGoal goal, int idleLimitMs);
    TStage Stage() const;
    int StageLimitMs() const;  // the session's bound on FStage, 0 for none
    QString Overdue();
    void CollectEnd();
    void Abort(quint32 code, const QString& text);
    bool Fail(quint32 code, const QString& text);
    void FailFromCurl(int curlCode);
    QString ReasonFromCurl(int curlCode) const;
    QString WithLookupNote(const QString& reason) const;
    // A header of the final answer as libcurl kept it, trimmed; empty when absent or before
    // the headers are done.
    QByteArray AnswerHeader(const char* name) const;
    bool ProxyWantsLogin() const;
    // The reason for a proxy's refusal; one about the login also marks ProxyLoginWanted().
    QString ProxyRefusal(long status);
    void SetProxyLogin(void* easy);
    bool AcceptAnswer();
    bool FailEarlyAnswer();
    bool FailUnsupportedLogin();
    void EndHeaderBlock();

    static size_t OnBodyData(char* data, size_t size, size_t count, void* self);
    static size_t OnHeaderLine(char* data, size_t size, size_t count, void* self);
    static size_t OnUploadData(char* buffer, size_t size, size_t count, void* self);
    static int OnUploadRewind(void* self, std::int64_t offset, int origin);  // curl_off_t
    static int OnConnected(void* self, char* remoteIp, char* localIp, int remotePort, int localPort);

    TInternetSession& FSession;
    TCurlMulti FMulti;
    TCurlEasy FEasy;  // removed from FMulti before either goes
    TCurlSlist FHeaders;
    // Shared with a pump that calls out through OnWait: false once this transfer is closed.
    std::shared_ptr<bool> FAlive;
    // The proxy this request goes through (the session's choice for its URL), empty for none.
    QString FProxy;

    bool FUploading = false;
    bool FFollowRedirects = false;
    bool FConnected = false;
    bool FLocationSeen = false;
    // What the current answer's headers say about the proxy's part in it.
    bool FProxyStatusError = false;
    bool FSquidError = false;
    bool FViaSeen = false;
    // The proxy asked for a login in this transfer (407), answered or not.
    bool FProxyChallenged = false;
    bool FProxyLoginWanted = false;
    // The login for FProxy; an empty user name for none (a Kerberos ticket may do).
    TProxyLogin FProxyLogin;
    bool FHeadersDone = false;
    bool FEnded = false;
    bool FUploadPaused = false;
    bool FStartedSecure = false;
    bool FLoginGiven = false;
    // libcurl has answered a challenge with the login: a later 401 is the server's last word.
    bool FLoginAnswered = false;
    QStringList FLoginSchemes;
    // The Content-Length of the response being read, -1 while none came; a second one must agree.
    qint64 FAnnouncedLength = -1;
    bool FInvalidLength = false;
    // Header values of the current answer, trimmed.
    QByteArray FRetryAfter;
    // The connection to FProxy (or the server) could not be made at all.
    bool FUnreachable = false;
    bool FProxyLookupTimedOut = false;
    // Bumped by every callback that moved something; the idle timers watch it.
    quint64 FActivity = 0;
    // Body bytes received or sent, for the pace.
    quint64 FMoved = 0;
    // Milliseconds spent waiting inside Pump: time the caller keeps the request waiting between
    // calls is not the server's fault.
    qint64 FWaitedMs = 0;
    TStage FStage = TStage::Connecting;
    qint64 FStageFromMs = 0;
    TTransferPace FPace;

    TPendingBytes FBody;
    TPendingBytes FUploadBuffer;
    qint64 FUploadLength = 0;
    qint64 FUploadSupplied = 0;

    quint32 FErrorCode = 0;
    QString FErrorText;
    QString FReason;
    std::array<char, 256> FCurlError{};
};
