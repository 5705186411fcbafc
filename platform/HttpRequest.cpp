#include "platform/HttpRequest.h"

#include "platform/InternetErrors.h"
#include "platform/InternetSession.h"
#include "platform/UrlParser.h"
#include "platform/WireText.h"

#include <curl/curl.h>

#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <type_traits>
#include <strings.h>

namespace {

// Short enough that OnWait runs at least every ~50 ms while nothing moves.
constexpr int PollSliceMs = 25;
// libcurl reads into this buffer for as long as the socket has data, up to 100 times in one
// perform call, and all of it waits in FBody: 100 KiB let a fast server push the peak memory of a
// download up by 10 MB. 64 KiB is as fast and half of that; 16 KiB was clearly slower.
constexpr long ReceiveBufferSize = 65536;
constexpr long MaxRedirects = 10;
// The client's own limits where the session leaves them at 0.
constexpr int DefaultConnectTimeoutMs = 60000;
constexpr int DefaultIdleTimeoutMs = 60000;

static_assert(std::is_same_v<curl_off_t, std::int64_t>, "OnUploadRewind takes a curl_off_t");
static_assert(CURL_ERROR_SIZE <= 256, "FCurlError must hold libcurl's error message");

int Limit(int sessionMs, int defaultMs)
{
    return sessionMs > 0 ? sessionMs : defaultMs;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

std::string_view Trimmed(std::string_view value)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!value.empty() && blank(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && blank(value.back()))
        value.remove_suffix(1);
    return value;
}

// The value of a header line that starts with `name` (with its colon), trimmed.
QByteArray HeaderValue(std::string_view line, std::string_view name)
{
    const std::string_view value = Trimmed(line.substr(name.size()));
    return QByteArray(value.data(), qsizetype(value.size()));
}

std::optional<qint64> ParseDecimal(std::string_view value)
{
    if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    qint64 number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size())
        return std::nullopt;
    return number;
}

// A Content-Length value: decimal digits only, at most what a signed 64-bit size holds.
std::optional<qint64> ParseContentLength(std::string_view value)
{
    return ParseDecimal(Trimmed(value));
}

// The schemes of the challenges in one WWW-Authenticate value ("Basic realm=\"x\", Digest
// realm=..., nonce=..."): the first word of each comma-separated item that is not a parameter.
QStringList LoginSchemesOf(const QString& value)
{
    QStringList items;
    QString item;
    bool quoted = false;
    for (const QChar c : value) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char(',') && !quoted) {
            items << item;
            item.clear();
        } else {
            item += c;
        }
    }
    items << item;
    QStringList schemes;
    for (const QString& each : items) {
        const QString word = each.trimmed().section(QLatin1Char(' '), 0, 0);
        if (!word.isEmpty() && !word.contains(QLatin1Char('=')))
            schemes << word;
    }
    return schemes;
}

// A challenge that libcurl answers with the login.
bool OffersAnswerableScheme(const QStringList& schemes)
{
    return std::any_of(schemes.begin(), schemes.end(), [](const QString& scheme) {
        return scheme.compare(QLatin1String("Basic"), Qt::CaseInsensitive) == 0
               || scheme.compare(QLatin1String("Digest"), Qt::CaseInsensitive) == 0;
    });
}

QString Span(qint64 ms)
{
    if (ms % 1000 != 0)
        return QStringLiteral("%1 milliseconds").arg(ms);
    return ms == 1000 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(ms / 1000);
}

} // namespace

THttpRequest::THttpRequest(TInternetSession& session)
    : FSession(session)
{
    // Large enough for what one perform call delivers, so reads do not reallocate.
    FBody.Reserve(2 * ReceiveBufferSize);
}

THttpRequest::~THttpRequest()
{
    Close();
}

bool THttpRequest::Open(const THttpRequestOptions& options)
{
    Close();
    FAlive = std::make_shared<bool>(true);
    const std::shared_ptr<bool> alive = FAlive;
    const std::function<bool()> onWait = OnWait;
    // The handler may close or destroy this request; both copies outlive that.
    const TProxyLookup lookup =
        FSession.ProxiesFor(options.Url, [&alive, &onWait] { return *alive && (!onWait || onWait()); });
    if (!*alive)
        return false;
    switch (lookup.Outcome) {
    case TProxyLookup::TOutcome::Cancelled:
        return Fail(ieOperationCancelled, {});
    case TProxyLookup::TOutcome::TimedOut:
        FProxyLookupTimedOut = true;
        break;
    case TProxyLookup::TOutcome::Answered:
        break;
    }
    if (lookup.Proxies.isEmpty())
        return Fail(ieProxyFailure, QStringLiteral("The system's proxy settings name no proxy of a kind "
                                                   "that this program can use."));
    // Tried in order, as browsers do: the next one when this one cannot be reached.
    for (qsizetype next = 0;; ++next) {
        FProxy = lookup.Proxies[next];
        if (!Prepare(options))
            return false;
        const TGoal goal = FUploading ? TGoal::Connection : TGoal::Answer;
        switch (Pump(goal, Limit(FSession.ReceiveTimeoutMs(), DefaultIdleTimeoutMs))) {
        case TPump::Reached:
            return AcceptAnswer();
        case TPump::Ended:
            if (FErrorCode == 0)
                return AcceptAnswer();
            if (!FUnreachable || next + 1 == lookup.Proxies.size())
                return false;
            ResetTransfer();
            break;
        case TPump::Gone:
            return false;
        }
    }
}

bool THttpRequest::Prepare(const THttpRequestOptions& options)
{
    FProxyLogin = FProxy.isEmpty() ? TProxyLogin() : FSession.ProxyLoginFor(ProxyName());
    if (!CheckSingleLines(options))
        return false;
    FUploading = options.Method != "GET";
    if (FUploading && options.Method != "POST" && options.Method != "PUT")
        return Fail(ieInternalError, QStringLiteral("The request method %1 is not supported.")
                                         .arg(QString::fromLatin1(options.Method)));
    if (FUploading && options.UploadLength < 0)
        return Fail(ieInternalError, QStringLiteral("An upload needs the length of its body."));

    QByteArrayList lines;
    for (const QString& header : options.Headers)
        lines << header.toUtf8();
    if (options.RangeFrom >= 0 && !options.IfRange.isEmpty())
        lines << "If-Range: " + options.IfRange.toUtf8();
    // Like a reload: the answer comes from the server, not from a cache on the way.
    lines << "Cache-Control: no-cache" << "Pragma: no-cache";
    if (FUploading) {
        // Without it libcurl waits up to a second for "100 Continue" before the body. With a
        // login, or through a proxy that may want one, the wait is worth it: the challenge comes
        // before the body, which libcurl then sends once (a body already sent cannot come
        // again), and a proxy's refusal is read instead of lost in a reset while sending.
        lines << (options.UserName.isEmpty() && FProxy.isEmpty() ? "Expect:" : "Expect: 100-continue");
        // The body goes as it is; libcurl would label a POST as a form.
        lines << "Content-Type:";
    }
    for (const QByteArray& line : lines) {
        curl_slist* const longer = curl_slist_append(FHeaders.get(), line.constData());
        if (!longer)
            return Fail(ieInternalError, {});
        // The old head is the longer list's head (or there was none): one owner for all of it.
        FHeaders.release();
        FHeaders.reset(longer);
    }

    FMulti.reset(curl_multi_init());
    FEasy.reset(curl_easy_init());
    if (!FMulti || !FEasy)
        return Fail(ieInternalError, {});

    FCurlError[0] = '\0';
    CURL* const easy = FEasy.get();
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, FCurlError.data());
    curl_easy_setopt(easy, CURLOPT_SHARE, FSession.SharedState());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // A secure request never continues in the clear.
    FStartedSecure = ParseUrl(options.Url).Scheme == QLatin1String("https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, FStartedSecure ? "https" : "http,https");
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, MaxRedirects);
    // The proxy is chosen: an empty one keeps libcurl from taking one from the environment,
    // and an empty bypass list from going around the choice by no_proxy.
    curl_easy_setopt(easy, CURLOPT_PROXY, FProxy.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    FLoginGiven = !options.UserName.isEmpty();
    if (FLoginGiven) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, options.UserName.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, options.Password.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
        curl_easy_setopt(easy, CURLOPT_UNRESTRICTED_AUTH, 0L);
    }
    if (!FProxy.isEmpty())
        SetProxyLogin(easy);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (!FSession.Agent().isEmpty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, FSession.Agent().toUtf8().constData());
    if (!FSession.CaFile().isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, FSession.CaFile().toLocal8Bit().constData());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     long(Limit(FSession.ConnectTimeoutMs(), DefaultConnectTimeoutMs)));
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, options.KeepAlive ? 0L : 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, FHeaders.get());
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, ReceiveBufferSize);
    curl_easy_setopt(easy, CURLOPT_FILETIME, 1L);

    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &THttpRequest::OnBodyData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &THttpRequest::OnHeaderLine);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &THttpRequest::OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);

    if (!FUploading) {
        FFollowRedirects = true;
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_RANGE,
                         options.RangeFrom >= 0 ? (QByteArray::number(options.RangeFrom) + '-').constData() : nullptr);
    } else {
        // A pushed body cannot be sent a second time, so an upload takes a redirect as its answer.
        FUploadLength = options.UploadLength;
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &THttpRequest::OnUploadData);
        curl_easy_setopt(easy, CURLOPT_READDATA, this);
        curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, &THttpRequest::OnUploadRewind);
        curl_easy_setopt(easy, CURLOPT_SEEKDATA, this);
        if (options.Method == "PUT") {
            curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(FUploadLength));
        } else {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(FUploadLength));
        }
    }
    curl_easy_setopt(easy, CURLOPT_URL, options.Url.toUtf8().constData());
    if (curl_multi_add_handle(FMulti.get(), easy) != CURLM_OK)
        return Fail(ieInternalError, {});
    return true;
}

bool THttpRequest::CheckSingleLines(const THttpRequestOptions& options)
{
    struct TText {
        QByteArray Text;
        const char* What;
        quint32 Code;
    };
    // A caller's mistake, not the network's: the client's "internal" number, except where a
    // more precise one exists (the URL, the proxy settings).
    std::vector<TText> texts = {
        {options.Url.toUtf8(), "The address", ieInvalidUrl},
        {options.Method, "The request method", ieInternalError},
        {FSession.Agent().toUtf8(), "The user agent", ieInternalError},
        {FProxy.toUtf8(), "The proxy address", ieProxyFailure},
        {FProxyLogin.UserName.toUtf8(), "The proxy user name", ieProxyFailure},
        {FProxyLogin.Password.toUtf8(), "The proxy password", ieProxyFailure},
        {options.UserName.toUtf8(), "The user name", ieLoginFailure},
        {options.Password.toUtf8(), "The password", ieLoginFailure},
    };
    for (const QString& header : options.Headers)
        texts.push_back({header.toUtf8(), "A request header", ieInternalError});
    texts.push_back({options.IfRange.toUtf8(), "The If-Range validator", ieInternalError});
    for (const TText& text : texts) {
        if (!IsSingleLine(text.Text))
            return Fail(text.Code, QStringLiteral("%1 contains a line break or NUL character.")
                                       .arg(QLatin1String(text.What)));
    }
    return true;
}

int THttpRequest::StatusCode() const
{
    long status = 0;
    if (FHeadersDone)
        curl_easy_getinfo(FEasy.get(), CURLINFO_RESPONSE_CODE, &status);
    return int(status);
}

qint64 THttpRequest::ContentLength() const
{
    curl_off_t length = -1;
    if (FHeadersDone)
        curl_easy_getinfo(FEasy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return std::max<qint64>(length, 0);
}

THttpDate THttpRequest::LastModified() const
{
    curl_off_t seconds = -1;
    if (FHeadersDone)
        curl_easy_getinfo(FEasy.get(), CURLINFO_FILETIME_T, &seconds);
    if (seconds < 0)
        return {};
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const QDate date = time.date();
    const QTime clock = time.time();
    return {date.year(), date.month(), date.dayOfWeek() % 7, date.day(), clock.hour(), clock.minute(),
            clock.second(), 0};
}

QByteArray THttpRequest::AnswerHeader(const char* name) const
{
    curl_header* header = nullptr;
    // Request -1: the answer after the redirects and login rounds libcurl went through.
    if (!FHeadersDone || curl_easy_header(FEasy.get(), name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK)
        return {};
    return QByteArray(header->value);
}

QByteArray THttpRequest::ContentDisposition() const
{
    return AnswerHeader("Content-Disposition");
}

QString THttpRequest::ETag() const
{
    return QString::fromLatin1(AnswerHeader("ETag"));
}

QString THttpRequest::LastModifiedText() const
{
    return QString::fromLatin1(AnswerHeader("Last-Modified"));
}

THttpContentRange THttpRequest::ContentRange() const
{
    // "bytes 100-199/1000" or "bytes 100-199/*"
    const QByteArray value = AnswerHeader("Content-Range");
    if (!value.startsWith("bytes "))
        return {};
    const std::string_view text(value.constData() + 6, size_t(value.size() - 6));
    const size_t dash = text.find('-');
    const size_t slash = text.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash)
        return {};
    const std::optional<qint64> first = ParseDecimal(Trimmed(text.substr(0, dash)));
    const std::optional<qint64> last = ParseDecimal(Trimmed(text.substr(dash + 1, slash - dash - 1)));
    const std::string_view totalText = Trimmed(text.substr(slash + 1));
    const std::optional<qint64> total = totalText == "*" ? std::optional<qint64>(-1) : ParseDecimal(totalText);
    if (!first || !last || !total || *last < *first || (*total >= 0 && *last >= *total))
        return {};
    return {true, *first, *last, *total};
}

qint64 THttpRequest::RetryAfterMs() const
{
    if (!FHeadersDone || FRetryAfter.isEmpty())
        return -1;
    const std::string_view text(FRetryAfter.constData(), size_t(FRetryAfter.size()));
    if (const std::optional<qint64> seconds = ParseDecimal(text))
        return *seconds > std::numeric_limits<qint64>::max() / 1000 ? std::numeric_limits<qint64>::max() : *seconds * 1000;
    const time_t when = curl_getdate(FRetryAfter.constData(), nullptr);
    if (when < 0)
        return -1;
    return std::max<qint64>(0, (qint64(when) - QDateTime::currentSecsSinceEpoch()) * 1000);
}

QString THttpRequest::FinalUrl() const
{
    char* url = nullptr;
    if (FEasy)
        curl_easy_getinfo(FEasy.get(), CURLINFO_EFFECTIVE_URL, &url);
    return url ? QString::fromUtf8(url) : QString();
}

qint64 THttpRequest::Read(char* buffer, qint64 max)
{
    if (max <= 0) {
        Fail(ieInternalError, QStringLiteral("A read needs room for at least one byte."));
        return -1;
    }
    if (FBody.Empty()) {
        const qint64 filled = FillBody();
        if (filled <= 0)
            return filled;
    }
    return qint64(FBody.Take(buffer, size_t(max)));
}

qint64 THttpRequest::FillBody()
{
    if (!FHeadersDone) {
        if (FErrorCode == 0)
            Fail(ieInternalError, QStringLiteral("No answer is open for reading."));
        return -1;
    }
    if (!FEnded && Pump(TGoal::Body, Limit(FSession.ReceiveTimeoutMs(), DefaultIdleTimeoutMs)) == TPump::Gone)
        return -1;
    if (!FBody.Empty())
        return 1;
    return FErrorCode == 0 ? 0 : -1;
}

bool THttpRequest::Write(const char* data, qint64 length)
{
    if (!FUploading || !FEasy)
        return Fail(ieInternalError, QStringLiteral("No upload is open."));
    if (length < 0 || length > FUploadLength - FUploadSupplied)
        return Fail(ieInternalError,
                    QStringLiteral("The data goes beyond the announced length of %1 bytes.").arg(FUploadLength));
    if (FHeadersDone)
        return FailEarlyAnswer();
    if (FEnded)
        return false;
    if (length == 0)
        return true;
    FUploadBuffer.Append(data, size_t(length));
    FUploadSupplied += length;
    if (FUploadPaused) {
        FUploadPaused = false;
        curl_easy_pause(FEasy.get(), CURLPAUSE_CONT);
    }
    if (Pump(TGoal::UploadTaken, Limit(FSession.SendTimeoutMs(), DefaultIdleTimeoutMs)) == TPump::Gone)
        return false;
    if (FUploadBuffer.Empty())
        return true;
    return FHeadersDone ? FailEarlyAnswer() : false;
}

bool THttpRequest::FinishUpload()
{
    if (!FUploading || !FEasy)
        return Fail(ieInternalError, QStringLiteral("No upload is open."));
    if (!FHeadersDone && !FEnded) {
        if (FUploadSupplied < FUploadLength) {
            // libcurl would wait for the missing bytes until a time-out; the server must not
            // take a short body for a whole one either, so the connection goes.
            Abort(ieConnectionAborted, QStringLiteral("The upload ended after %1 of the announced %2 bytes.")
                                           .arg(FUploadSupplied)
                                           .arg(FUploadLength));
            return false;
        }
        if (Pump(TGoal::Answer, Limit(FSession.ReceiveTimeoutMs(), DefaultIdleTimeoutMs)) == TPump::Gone)
            return false;
    }
    if (ProxyWantsLogin())
        return Fail(ieProxyFailure, ProxyRefusal(StatusCode()));
    return FHeadersDone && FailUnsupportedLogin();
}

void THttpRequest::Close()
{
    if (FAlive)
        *FAlive = false;
    FAlive.reset();
    ResetTransfer();
    FProxyLookupTimedOut = false;
}

void THttpRequest::ResetTransfer()
{
    if (FMulti && FEasy)
        curl_multi_remove_handle(FMulti.get(), FEasy.get());
    FEasy.reset();
    FMulti.reset();
    FHeaders.reset();
    FUploading = FFollowRedirects = FConnected = FLocationSeen = FHeadersDone = FEnded = FUploadPaused = false;
    FStartedSecure = FInvalidLength = FUnreachable = FLoginGiven = FLoginAnswered = false;
    FProxyStatusError = FSquidError = FViaSeen = FProxyChallenged = FProxyLoginWanted = false;
    FProxyLogin = {};
    FLoginSchemes.clear();
    FAnnouncedLength = -1;
    FRetryAfter.clear();
    FProxy.clear();
    FMoved = 0;
    FWaitedMs = 0;
    FStage = TStage::Connecting;
    FStageFromMs = 0;
    FBody.Clear();
    FUploadBuffer.Clear();
    FUploadLength = FUploadSupplied = 0;
    FErrorCode = 0;
    FErrorText.clear();
    FReason.clear();
}

bool THttpRequest::Reached(TGoal goal) const
{
    switch (goal) {
    case TGoal::Connection:
        return FConnected;
    case TGoal::Answer:
        return FHeadersDone;
    case TGoal::Body:
        return !FBody.Empty();
    case TGoal::UploadTaken:
        return FUploadBuffer.Empty() || FHeadersDone;
    }
    return false;
}

THttpRequest::TStage THttpRequest::Stage() const
{
    if (FHeadersDone)
        return TStage::Receiving;
    if (!FUploading)
        return TStage::Answer;
    if (!FConnected)
        return TStage::Connecting;
    const bool bodySent = FUploadSupplied == FUploadLength && FUploadBuffer.Empty();
    return bodySent ? TStage::Answer : TStage::Sending;
}

int THttpRequest::StageLimitMs() const
{
    switch (FStage) {
    case TStage::Connecting:
        return 0;  // libcurl's connect time-out
    case TStage::Sending:
        return FSession.SendTimeoutMs();
    case TStage::Answer:
    case TStage::Receiving:
        return FSession.ReceiveTimeoutMs();
    }
    return 0;
}

QString THttpRequest::Overdue()
{
    const TStage stage = Stage();
    if (stage != FStage) {
        FStage = stage;
        FStageFromMs = FWaitedMs;
        FPace = TTransferPace(StageLimitMs());
        FPace.Restart(FWaitedMs, FMoved);
    }
    const int limitMs = StageLimitMs();
    if (limitMs <= 0)
        return {};
    switch (stage) {
    case TStage::Connecting:
        return {};
    case TStage::Answer:
        if (FWaitedMs - FStageFromMs < limitMs)
            return {};
        return QStringLiteral("The server did not complete the headers of its answer within %1.").arg(Span(limitMs));
    case TStage::Sending:
    case TStage::Receiving:
        if (!FPace.TooSlow(FWaitedMs, FMoved))
            return {};
        return QStringLiteral("The server %1 fewer than %2 bytes in %3.")
            .arg(QLatin1String(stage == TStage::Sending ? "took" : "sent"))
            .arg(TTransferPace::MinimumBytes)
            .arg(Span(limitMs));
    }
    return {};
}

THttpRequest::TPump THttpRequest::Pump(TGoal goal, int idleLimitMs)
{
    QElapsedTimer idle;
    idle.start();
    QElapsedTimer waiting;
    waiting.start();
    const qint64 waitedBefore = FWaitedMs;
    quint64 activitySeen = FActivity;
    for (;;) {
        FWaitedMs = waitedBefore + waiting.elapsed();
        int running = 0;
        const CURLMcode performed = curl_multi_perform(FMulti.get(), &running);
        if (performed != CURLM_OK) {
            Abort(ieInternalError, QString::fromUtf8(curl_multi_strerror(performed)));
            return TPump::Ended;
        }
        CollectEnd();
        if (Reached(goal))
            return TPump::Reached;
        if (FEnded)
            return TPump::Ended;
        if (const QString overdue = Overdue(); !overdue.isEmpty()) {
            Abort(ieTimeout, WithLookupNote(overdue));
            return TPump::Ended;
        }
        if (FActivity != activitySeen) {
            activitySeen = FActivity;
            idle.restart();
        } else if (FConnected && StageLimitMs() <= 0 && idle.hasExpired(idleLimitMs)) {
            // Connecting has libcurl's own limit; from then on silence is what counts, unless
            // the session's time-out bounds the stage more tightly (Overdue).
            Abort(ieTimeout, WithLookupNote(InternetErrorText(ieTimeout)));
            return TPump::Ended;
        }
        curl_multi_poll(FMulti.get(), nullptr, 0, PollSliceMs, nullptr);
        if (OnWait) {
            // The handler may close or destroy this request; both copies outlive that.
            const std::shared_ptr<bool> alive = FAlive;
            const std::function<bool()> onWait = OnWait;
            const bool goOn = onWait();
            if (!*alive)
                return TPump::Gone;
            if (!goOn) {
                Abort(ieOperationCancelled, {});
                return TPump::Ended;
            }
        }
    }
}

void THttpRequest::CollectEnd()
{
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(FMulti.get(), &queued)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        FEnded = true;
        if (message->data.result != CURLE_OK)
            FailFromCurl(message->data.result);
        else if (!FHeadersDone) {
            // A challenge that libcurl did not answer after all (nothing followed it): the last
            // answer is the answer.
            long status = 0;
            curl_easy_getinfo(FEasy.get(), CURLINFO_RESPONSE_CODE, &status);
            FHeadersDone = status != 0;
        }
    }
}

void THttpRequest::Abort(quint32 code, const QString& text)
{
    // Removing an unfinished transfer closes its connection.
    curl_multi_remove_handle(FMulti.get(), FEasy.get());
    FEnded = true;
    Fail(code, text);
}

bool THttpRequest::Fail(quint32 code, const QString& text)
{
    FErrorCode = code;
    FErrorText = text.isEmpty() ? InternetErrorText(code) : text;
    FReason = FErrorText;
    return false;
}

void THttpRequest::FailFromCurl(int curlCode)
{
    // Our own header check stops a transfer through libcurl's write error; libcurl refuses an
    // empty or negative length itself, before the header callback sees it.
    if (FInvalidLength
        || (curlCode == CURLE_WEIRD_SERVER_REPLY && std::string_view(FCurlError.data()).starts_with("Invalid Content-Length"))) {
        Fail(ieInvalidServerResponse, QStringLiteral("The server sent an invalid Content-Length."));
        return;
    }
    const QString finalUrl = FinalUrl();
    if (curlCode == CURLE_UNSUPPORTED_PROTOCOL && FStartedSecure
        && ParseUrl(finalUrl).Scheme == QLatin1String("http")) {
        Fail(ieHttpsToHttpRedirect, QStringLiteral("Refused a redirect from https to http: %1").arg(finalUrl));
        return;
    }
    // A proxy that refuses the tunnel to an https server ends the transfer with its answer.
    long connectStatus = 0;
    curl_easy_getinfo(FEasy.get(), CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    if (connectStatus >= 400) {
        Fail(ieProxyFailure, ProxyRefusal(connectStatus));
        return;
    }
    long verifyResult = -1;
    curl_easy_getinfo(FEasy.get(), CURLINFO_SSL_VERIFYRESULT, &verifyResult);
    Fail(InternetErrorFromCurl(curlCode, verifyResult), QString::fromUtf8(FCurlError.data()));
    FReason = WithLookupNote(ReasonFromCurl(curlCode));
    // Nothing was exchanged with this proxy (or server): the next in the list may do.
    FUnreachable = !FConnected
                   && (curlCode == CURLE_COULDNT_CONNECT || curlCode == CURLE_COULDNT_RESOLVE_PROXY
                       || curlCode == CURLE_COULDNT_RESOLVE_HOST || curlCode == CURLE_OPERATION_TIMEDOUT);
}

QString THttpRequest::WithLookupNote(const QString& reason) const
{
    if (!FProxyLookupTimedOut)
        return reason;
    return QStringLiteral("The proxy script did not answer within %1, so the connection went direct: %2")
        .arg(Span(FSession.ProxyLookupLimitMs()), reason);
}

QString THttpRequest::ReasonFromCurl(int curlCode) const
{
    if (curlCode == CURLE_SEND_FAIL_REWIND)
        return QStringLiteral("The server asked for the login only after the body was sent, and an upload "
                              "cannot be sent a second time.");
    const QString words = CurlFailureWords(FCurlError.data(), curlCode);
    // libcurl names the address it could not reach, not that it was the proxy's.
    if (curlCode == CURLE_COULDNT_CONNECT && !FProxy.isEmpty())
        return QStringLiteral("Could not connect to the proxy %1: %2").arg(ProxyName(), words);
    return words;
}

bool THttpRequest::AnswerFromProxy() const
{
    if (FProxy.isEmpty() || !FHeadersDone)
        return false;
    const int status = StatusCode();
    const bool gatewayFailure = status == 502 || status == 503 || status == 504;
    return FProxyStatusError || FSquidError || (FViaSeen && gatewayFailure);
}

QString THttpRequest::ProxyName() const
{
    if (FProxy.isEmpty())
        return {};
    const TUrlParts proxy = ParseUrl(FProxy);
    return QStringLiteral("%1:%2").arg(proxy.Host).arg(proxy.Port);
}

bool THttpRequest::ProxyWantsLogin() const
{
    // Plain http through a proxy gets the proxy's demand as the answer itself. A proxy that
    // takes a wrong login for a 401 of its own says so without the Via of a carried answer.
    const int status = StatusCode();
    return !FProxy.isEmpty() && (status == 407 || (status == 401 && FProxyChallenged && !FViaSeen));
}

QString THttpRequest::ProxyRefusal(long status)
{
    // Some proxies answer a wrong login with 401; to a tunnel request only the proxy answers.
    if (status != 407 && status != 401)
        return QStringLiteral("The proxy %1 refused the connection to the server (%2).").arg(ProxyName()).arg(status);
    FProxyLoginWanted = true;
    const QString refusal = FProxyLogin.UserName.isEmpty() ? QStringLiteral("The proxy %1 needs a login (%2).")
                                                           : QStringLiteral("The proxy %1 did not accept the login (%2).");
    return refusal.arg(ProxyName()).arg(status);
}

void THttpRequest::SetProxyLogin(void* easy)
{
    if (FProxyLogin.UserName.isEmpty()) {
        // No password to give: the user's Kerberos ticket, should the proxy ask for Negotiate
        // (an empty login turns libcurl's proxy authentication on; GSS-API finds the ticket).
        curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, ":");
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, long(CURLAUTH_NEGOTIATE));
        return;
    }
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, FProxyLogin.UserName.toUtf8().constData());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, FProxyLogin.Password.toUtf8().constData());
    // With more than one scheme libcurl first asks without a login and answers the proxy's
    // challenge with the strongest scheme it offers, so Basic goes only to a proxy that asks for
    // nothing better. Negotiate is left out: it takes no password, and without a ticket it would
    // end the request in place of the scheme the password is for.
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST | CURLAUTH_NTLM));
}

bool THttpRequest::AcceptAnswer()
{
    if (ProxyWantsLogin()) {
        Abort(ieProxyFailure, ProxyRefusal(StatusCode()));
        return false;
    }
    return FailUnsupportedLogin();
}

bool THttpRequest::FailEarlyAnswer()
{
    if (ProxyWantsLogin())
        return Fail(ieProxyFailure, ProxyRefusal(StatusCode()));
    if (!FailUnsupportedLogin())
        return false;
    return Fail(ieServerRefused,
                QStringLiteral("The server answered %1 before the upload was complete.").arg(StatusCode()));
}

bool THttpRequest::FailUnsupportedLogin()
{
    if (StatusCode() != 401 || FLoginSchemes.isEmpty() || OffersAnswerableScheme(FLoginSchemes))
        return true;
    Abort(ieLoginMethodUnsupported,
          QStringLiteral("The server %1 asks for a login by %2, which this program does not support.")
              .arg(ParseUrl(FinalUrl()).Host, FLoginSchemes.join(QLatin1String(", "))));
    return false;
}

size_t THttpRequest::OnBodyData(char* data, size_t size, size_t count, void* self)
{
    auto* request = static_cast<THttpRequest*>(self);
    const size_t length = size * count;
    // libcurl skips the bodies of redirects it follows, so body bytes belong to the answer.
    request->FHeadersDone = true;
    request->FBody.Append(data, length);
    ++request->FActivity;
    request->FMoved += length;
    return length;
}

size_t THttpRequest::OnHeaderLine(char* data, size_t size, size_t count, void* self)
{
    auto* request = static_cast<THttpRequest*>(self);
    const size_t length = size * count;
    const std::string_view line(data, length);
    ++request->FActivity;
    if (request->FHeadersDone)
        return length; // trailers of a chunked body
    if (StartsWithNoCase(line, "HTTP/")) {
        request->FLocationSeen = request->FProxyStatusError = request->FSquidError = request->FViaSeen = false;
        request->FAnnouncedLength = -1;
        request->FLoginSchemes.clear();
        request->FRetryAfter.clear();
    } else if (StartsWithNoCase(line, "Retry-After:")) {
        request->FRetryAfter = HeaderValue(line, "Retry-After:");
    } else if (StartsWithNoCase(line, "Proxy-Status:")) {
        // RFC 9209: a proxy that made the answer itself names the error; one that carried the
        // server's answer names what it received.
        request->FProxyStatusError = request->FProxyStatusError || QByteArray(line.data(), qsizetype(line.size())).contains("error=");
    } else if (StartsWithNoCase(line, "X-Squid-Error:")) {
        request->FSquidError = true;
    } else if (StartsWithNoCase(line, "Via:")) {
        request->FViaSeen = true;
    } else if (StartsWithNoCase(line, "WWW-Authenticate:")) {
        const std::string_view value = line.substr(std::strlen("WWW-Authenticate:"));
        request->FLoginSchemes << LoginSchemesOf(QString::fromLatin1(value.data(), qsizetype(value.size())));
    } else if (StartsWithNoCase(line, "Content-Length:")) {
        // libcurl 7.88 takes an overflowing length for "until the connection closes", "12abc"
        // for 12 and the last of two different lengths: a body it would then pass off as whole.
        const std::optional<qint64> length = ParseContentLength(line.substr(std::strlen("Content-Length:")));
        if (!length || (request->FAnnouncedLength >= 0 && *length != request->FAnnouncedLength)) {
            request->FInvalidLength = true;
            return 0;
        }
        request->FAnnouncedLength = *length;
    } else if (StartsWithNoCase(line, "Location:")) {
        request->FLocationSeen = true;
    } else if (line == "\r\n" || line == "\n") {
        // The end of a header block: an interim answer (1xx) and a redirect that libcurl
        // follows are not the answer yet.
        request->EndHeaderBlock();
    }
    return length;
}

void THttpRequest::EndHeaderBlock()
{
    // An interim answer (1xx), a redirect that libcurl follows and a challenge that libcurl
    // answers with the login (once) are not the answer yet.
    long status = 0;
    curl_easy_getinfo(FEasy.get(), CURLINFO_RESPONSE_CODE, &status);
    const bool interim = status < 200;
    const bool followed = FFollowRedirects && status >= 300 && status < 400 && FLocationSeen;
    const bool challenged = status == 401 && FLoginGiven && !FLoginAnswered && OffersAnswerableScheme(FLoginSchemes);
    FLoginAnswered = FLoginAnswered || challenged;
    // The proxy's demand may take more than one round (NTLM); libcurl answers what it can, and
    // one it does not answer ends the transfer (CollectEnd) or brings its body.
    const bool proxyChallenged = status == 407 && !FProxy.isEmpty();
    FProxyChallenged = FProxyChallenged || proxyChallenged;
    FHeadersDone = !interim && !followed && !challenged && !proxyChallenged;
}

size_t THttpRequest::OnUploadData(char* buffer, size_t size, size_t count, void* self)
{
    auto* request = static_cast<THttpRequest*>(self);
    if (request->FUploadBuffer.Empty()) {
        if (request->FUploadSupplied == request->FUploadLength)
            return 0;
        // The caller has not written the next block yet; Write resumes the transfer.
        request->FUploadPaused = true;
        return CURL_READFUNC_PAUSE;
    }
    const size_t taken = request->FUploadBuffer.Take(buffer, size * count);
    ++request->FActivity;
    request->FMoved += taken;
    return taken;
}

int THttpRequest::OnUploadRewind(void* self, std::int64_t offset, int origin)
{
    // libcurl starts the body again after a login challenge; the probe that drew the challenge
    // carried none of it, so only a start that took nothing can be had again.
    const auto* request = static_cast<const THttpRequest*>(self);
    const bool untouched = offset == 0 && origin == SEEK_SET && request->FUploading && request->FMoved == 0;
    return untouched ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_CANTSEEK;
}

int THttpRequest::OnConnected(void* self, char*, char*, int, int)
{
    auto* request = static_cast<THttpRequest*>(self);
    request->FConnected = true;
    ++request->FActivity;
    return CURL_PREREQFUNC_OK;
}
