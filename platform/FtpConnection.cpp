#include "platform/FtpConnection.h"

#include "platform/InternetErrors.h"
#include "platform/InternetSession.h"
#include "platform/WireText.h"

#include <curl/curl.h>
#include <fnmatch.h>
#include <sys/select.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Short enough that OnWait runs at least every ~50 ms while nothing moves.
constexpr int PollSliceMs = 25;
constexpr int DefaultTimeoutMs = 60000;
// As for HTTP: large enough for speed, small enough that what one perform call reads (up to 100
// buffers while the socket has data) does not swell the peak memory.
constexpr long ReceiveBufferSize = 65536;
// Uploads hand libcurl this much at a time, not each 4 KiB block on its own.
constexpr size_t UploadBatch = 65536;

int Limit(int sessionMs)
{
    return sessionMs > 0 ? sessionMs : DefaultTimeoutMs;
}

bool Matches(const QString& pattern, const QString& name)
{
    return pattern.isEmpty() || fnmatch(pattern.toUtf8().constData(), name.toUtf8().constData(), 0) == 0;
}

// libcurl says QUIT when the connection cache goes and waits for the answer this long at most.
constexpr long QuitWaitSeconds = 2;

QString Seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0);
}

} // namespace

TFtpConnection::TFtpConnection(const TInternetSession& session, const TFtpLogin& login)
    : FSession(session)
    , FLogin(login)
{
    const QString host = login.Host.contains(QLatin1Char(':')) ? QLatin1Char('[') + login.Host + QLatin1Char(']')
                                                                : login.Host;
    FBase = "ftp://" + host.toUtf8() + ':' + QByteArray::number(login.Port);
}

TFtpConnection::~TFtpConnection()
{
    Remove();
    if (FMulti && FEasy) {
        // The multi handle hands the time-outs of the handle added last to the one that closes
        // its connections: a silent server then holds the logout a short, fixed time only.
        curl_easy_setopt(FEasy.get(), CURLOPT_SERVER_RESPONSE_TIMEOUT, QuitWaitSeconds);
        curl_multi_add_handle(FMulti.get(), FEasy.get());
        curl_multi_remove_handle(FMulti.get(), FEasy.get());
    }
}

bool TFtpConnection::Connect()
{
    static const QString forbidden = QStringLiteral("/@?#");
    if (FLogin.Host.isEmpty() || !IsSingleLine(FLogin.Host)
        || std::any_of(forbidden.begin(), forbidden.end(), [&](QChar c) { return FLogin.Host.contains(c); }))
        return Refuse(QStringLiteral("The host name is not usable: %1").arg(FLogin.Host.simplified()), ieInvalidUrl);
    if (!IsSingleLine(FLogin.UserName) || !IsSingleLine(FLogin.Password))
        return Refuse(QStringLiteral("The user name or password holds a line break or NUL."), ieInvalidUrl);

    FMulti.reset(curl_multi_init());
    FEasy.reset(curl_easy_init());
    if (!FMulti || !FEasy)
        return Refuse(QStringLiteral("The FTP client could not be set up."), ieInternalError);
    void* easy = FEasy.get();
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, ReceiveBufferSize);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, FCurlError.data());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TFtpConnection::OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &TFtpConnection::OnUpload);
    curl_easy_setopt(easy, CURLOPT_READDATA, this);
    // The replies to our own commands are read from the exchange; it is never logged (PASS).
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &TFtpConnection::OnDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    // A PASV reply may name any address; the data connection goes where the control one went.
    curl_easy_setopt(easy, CURLOPT_FTP_SKIP_PASV_IP, 1L);
    if (!FLogin.Passive) {
        curl_easy_setopt(easy, CURLOPT_FTPPORT, "-");
        curl_easy_setopt(easy, CURLOPT_ACCEPTTIMEOUT_MS, long(Limit(FSession.ConnectTimeoutMs())));
    }
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(Limit(FSession.ConnectTimeoutMs())));
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(Limit(FSession.ReceiveTimeoutMs()) / 1000));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, FSession.Agent().toUtf8().constData());
    if (!Anonymous()) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, FLogin.UserName.toUtf8().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, FLogin.Password.toUtf8().constData());
    }

    ResetOptions();
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy, CURLOPT_URL, (FBase + '/').constData());
    if (!Perform(false))
        return false;
    const char* entry = nullptr;
    curl_easy_getinfo(easy, CURLINFO_FTP_ENTRY_PATH, &entry);
    FCwd = entry && entry[0] == '/' ? QString::fromUtf8(entry) : QStringLiteral("/");
    return true;
}

QString TFtpConnection::Resolve(const QString& path) const
{
    if (!IsSingleLine(path))
        return {};
    QStringList parts;
    const QString joined = path.startsWith(QLatin1Char('/')) ? path : FCwd + QLatin1Char('/') + path;
    for (const QString& part : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        }
        else if (part != QLatin1String("."))
            parts.append(part);
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QByteArray TFtpConnection::UrlOf(const QString& absolutePath, bool directory) const
{
    // "%2F" makes the path absolute; libcurl enters the directory part with one CWD.
    QByteArray url = FBase + "/%2F";
    const QStringList parts = absolutePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0 || (!directory && parts.size() == 1))
            url += '/';
        url += QUrl::toPercentEncoding(parts[i]);
    }
    if (directory)
        url += '/';
    return url;
}

bool TFtpConnection::ChangeDirectory(const QString& path)
{
    const QString target = Resolve(path);
    if (target.isEmpty())
        return Refuse(QStringLiteral("The path holds a line break or NUL."), ieInvalidUrl);
    ResetOptions();
    curl_easy_setopt(FEasy.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(FEasy.get(), CURLOPT_URL, UrlOf(target, true).constData());
    if (!Perform(true))
        return false;
    FCwd = target;
    return true;
}

bool TFtpConnection::MakeDirectory(const QString& path)
{
    return RunPathCommand("MKD ", path, 257);
}

bool TFtpConnection::Delete(const QString& path)
{
    return RunPathCommand("DELE ", path, 250);
}

bool TFtpConnection::RunPathCommand(const QByteArray& verb, const QString& path, int expected)
{
    const QString target = Resolve(path);
    std::vector<TExchange> replies;
    if (target.isEmpty())
        return Refuse(QStringLiteral("The path holds a line break or NUL."), ieInvalidUrl);
    if (!RunCommands({verb + target.toUtf8()}, replies))
        return false;
    return !CommandRefused(replies[0], expected);
}

bool TFtpConnection::Rename(const QString& from, const QString& to)
{
    const QString source = Resolve(from);
    const QString target = Resolve(to);
    std::vector<TExchange> replies;
    if (source.isEmpty() || target.isEmpty())
        return Refuse(QStringLiteral("The path holds a line break or NUL."), ieInvalidUrl);
    if (!RunCommands({"RNFR " + source.toUtf8(), "RNTO " + target.toUtf8()}, replies))
        return false;
    return !CommandRefused(replies[0], 350) && !CommandRefused(replies[1], 250);
}

bool TFtpConnection::CommandRefused(const TExchange& exchange, int expected)
{
    if (exchange.Reply == expected)
        return false;
    const QString text = exchange.Reply == 0 ? QStringLiteral("no reply") : QString::fromUtf8(exchange.Text);
    Refuse(QStringLiteral("The server refused %1: %2").arg(QString::fromUtf8(exchange.Command.left(4)), text),
           ieServerRefused);
    return true;
}

bool TFtpConnection::RunCommands(const QList<QByteArray>& commands, std::vector<TExchange>& replies)
{
    ResetOptions();
    curl_slist* list = nullptr;
    for (const QByteArray& command : commands) {
        // "*": a refusal is ours to judge and does not end the control connection.
        curl_slist* longer = curl_slist_append(list, ("*" + command).constData());
        if (!longer) {
            curl_slist_free_all(list);
            return Refuse(QStringLiteral("Out of memory."), ieInternalError);
        }
        list = longer;
    }
    FQuote.reset(list);
    curl_easy_setopt(FEasy.get(), CURLOPT_QUOTE, list);
    curl_easy_setopt(FEasy.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(FEasy.get(), CURLOPT_URL, UrlOf(FCwd, true).constData());
    const bool done = Perform(true);
    curl_easy_setopt(FEasy.get(), CURLOPT_QUOTE, nullptr);
    FQuote.reset();
    if (!done)
        return false;
    for (const QByteArray& command : commands) {
        const auto sent = std::find_if(FExchanges.begin(), FExchanges.end(),
                                       [&](const TExchange& exchange) { return exchange.Command == command; });
        replies.push_back(sent != FExchanges.end() ? *sent : TExchange{command, 0, {}});
    }
    return true;
}

bool TFtpConnection::List(const QString& pattern, std::vector<TFtpEntry>& entries)
{
    entries.clear();
    FSkippedNames.clear();
    if (!IsSingleLine(pattern))
        return Refuse(QStringLiteral("The pattern holds a line break or NUL."), ieInvalidUrl);
    TFtpListing listing;
    if (!ListDirectory(FCwd, listing))
        return false;
    for (TFtpEntry& entry : listing.Entries) {
        if (Matches(pattern, entry.Name))
            entries.push_back(std::move(entry));
    }
    for (QString& name : listing.SkippedNames) {
        if (Matches(pattern, name))
            FSkippedNames.push_back(std::move(name));
    }
    return true;
}

bool TFtpConnection::Stat(const QString& path, TFtpEntry& entry)
{
    const QString target = Resolve(path);
    if (target.isEmpty())
        return Refuse(QStringLiteral("The path holds a line break or NUL."), ieInvalidUrl);
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString name = target.mid(slash + 1);
    if (!IsPlainFtpName(name.toUtf8()))
        return Refuse(QStringLiteral("Not a name that can be fetched: %1")
                          .arg(QString::fromLatin1(name.toUtf8().toPercentEncoding())),
                      ieInvalidUrl);
    TFtpListing listing;
    if (!ListDirectory(slash == 0 ? QStringLiteral("/") : target.left(slash), listing))
        return false;
    const auto found = std::find_if(listing.Entries.begin(), listing.Entries.end(),
                                    [&](const TFtpEntry& listed) { return listed.Name == name; });
    if (found == listing.Entries.end())
        return Refuse(QStringLiteral("The server does not list %1").arg(target), ieServerRefused);
    entry = std::move(*found);
    return true;
}

bool TFtpConnection::ListDirectory(const QString& absoluteDir, TFtpListing& listing)
{
    const QByteArray url = UrlOf(absoluteDir, true);
    QByteArray text;
    TFtpListFormat format = TFtpListFormat::Mlsd;
    if (!FetchListing(url, "MLSD", text)) {
        // Only a server that does not know the command is asked again.
        if (FListingTooLarge || FResult != CURLE_FTP_COULDNT_RETR_FILE)
            return false;
        format = TFtpListFormat::List;
        if (!FetchListing(url, "LIST", text))
            return false;
    }
    listing = ParseFtpListing(text, format, QDateTime::currentDateTimeUtc().date());
    return true;
}

bool TFtpConnection::FetchListing(const QByteArray& url, const char* command, QByteArray& text)
{
    ResetOptions();
    curl_easy_setopt(FEasy.get(), CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(FEasy.get(), CURLOPT_URL, url.constData());
    FListing = true;
    const bool done = Perform(true);
    FListing = false;
    if (FListingTooLarge)
        return Refuse(QStringLiteral("The server's listing is larger than %1 MiB.").arg(MaxListingBytes / (1024 * 1024)),
                      ieInvalidServerResponse);
    if (!done)
        return false;
    text = FData.TakeAll();
    return true;
}

bool TFtpConnection::OpenRead(const QString& path, bool ascii, qint64 from, qint64 listedSize)
{
    return StartFile(path, ascii, TFile::Reading, ascii ? 0 : from, ascii || from > 0 ? -1 : listedSize);
}

bool TFtpConnection::ResumeRefused() const
{
    return FResult == CURLE_FTP_COULDNT_USE_REST;
}

bool TFtpConnection::OpenWrite(const QString& path, bool ascii)
{
    return StartFile(path, ascii, TFile::Writing);
}

bool TFtpConnection::StartFile(const QString& path, bool ascii, TFile kind, qint64 from, qint64 listedSize)
{
    CloseFile();
    const QString target = Resolve(path);
    if (target.isEmpty())
        return Refuse(QStringLiteral("The path holds a line break or NUL."), ieInvalidUrl);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ResetOptions();
        curl_easy_setopt(FEasy.get(), CURLOPT_TRANSFERTEXT, long(ascii));
        curl_easy_setopt(FEasy.get(), CURLOPT_UPLOAD, long(kind == TFile::Writing));
        curl_easy_setopt(FEasy.get(), CURLOPT_URL, UrlOf(target, false).constData());
        curl_easy_setopt(FEasy.get(), CURLOPT_RESUME_FROM_LARGE, curl_off_t(std::max<qint64>(from, 0)));
        // libcurl then sends RETR without SIZE first, and leaves the size to ReadComplete.
        curl_easy_setopt(FEasy.get(), CURLOPT_IGNORE_CONTENT_LENGTH, long(listedSize >= 0));
        FUploadPaused = FUploadFinished = false;
        BeginTransfer();
        FFile = kind;
        FAsciiRead = ascii && kind == TFile::Reading;
        FListedSize = listedSize;
        FReadPath = target;
        // Open once data flows: the first bytes came, or libcurl asks for the first block.
        const bool opened =
            Pump([this, kind] { return kind == TFile::Reading ? !FData.Empty() : FUploadPaused; });
        if (opened)
            return true;
        const bool retry = attempt == 0 && CanRetry(FResult);
        Remove();
        if (!retry)
            return false;
    }
    return false;
}

qint64 TFtpConnection::Read(char* buffer, qint64 max)
{
    if (FFile != TFile::Reading || max <= 0) {
        Refuse(QStringLiteral("No file is open for reading."), ieInternalError);
        return -1;
    }
    if (FData.Empty()) {
        if (!FEnded && !Pump([this] { return !FData.Empty(); }))
            return -1;
        if (FData.Empty()) {
            Remove();
            // The end may have come with the last data, its failure not yet told.
            const bool whole = FResult == CURLE_OK ? ReadComplete() : Failed(FResult);
            return whole ? 0 : -1;
        }
    }
    return qint64(FData.Take(buffer, size_t(max)));
}

bool TFtpConnection::Write(const char* data, qint64 length)
{
    if (FFile != TFile::Writing || length < 0)
        return Refuse(QStringLiteral("No file is open for writing."), ieInternalError);
    if (length == 0)
        return true;
    FData.Append(data, size_t(length));
    if (FData.Size() < UploadBatch && !FEnded)
        return true;
    if (FUploadPaused) {
        FUploadPaused = false;
        curl_easy_pause(FEasy.get(), CURLPAUSE_CONT);
    }
    if (!Pump([this] { return FData.Empty(); }))
        return false;
    if (!FData.Empty() || FEnded)
        return Refuse(QStringLiteral("The server ended the upload early."), ieConnectionAborted);
    return true;
}

bool TFtpConnection::FinishWrite()
{
    if (FFile != TFile::Writing)
        return Refuse(QStringLiteral("No file is open for writing."), ieInternalError);
    FUploadFinished = true;
    if (FUploadPaused) {
        FUploadPaused = false;
        curl_easy_pause(FEasy.get(), CURLPAUSE_CONT);
    }
    const bool done = Pump([] { return false; });
    Remove();
    return done;
}

void TFtpConnection::CloseFile()
{
    Remove();
    FData.Clear();
}

void TFtpConnection::Remove()
{
    // Removing an unfinished transfer closes its connection; libcurl logs in again next time.
    if (FInMulti)
        curl_multi_remove_handle(FMulti.get(), FEasy.get());
    FInMulti = false;
    FFile = TFile::None;
}

void TFtpConnection::ResetOptions()
{
    void* easy = FEasy.get();
    curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(easy, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(easy, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
    curl_easy_setopt(easy, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(easy, CURLOPT_WILDCARDMATCH, 0L);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(-1));
    curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, curl_off_t(0));
    curl_easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 0L);
}

bool TFtpConnection::Perform(bool retry)
{
    if (!FEasy)
        return Refuse(QStringLiteral("Not connected."), ieInternalError);
    for (int attempt = 0; attempt < (retry ? 2 : 1); ++attempt) {
        BeginTransfer();
        const bool done = Pump([] { return false; });
        const bool again = !done && CanRetry(FResult);
        Remove();
        if (done)
            return true;
        if (!again)
            return false;
    }
    return false;
}

void TFtpConnection::BeginTransfer()
{
    FData.Clear();
    FMoved = 0;
    FWaitedMs = 0;
    FPacing = false;
    FListingTooLarge = false;
    FAsciiRead = false;
    FAnnounced = -1;
    FConfirmed = false;
    FDropped = false;
    FExchanges.clear();
    FCurlError[0] = '\0';
    FEnded = false;
    FResult = CURLE_OK;
    curl_multi_add_handle(FMulti.get(), FEasy.get());
    FInMulti = true;
}

bool TFtpConnection::CanRetry(int curlCode) const
{
    // Only a connection that was already gone, and nothing of a file moved.
    if (FMoved > 0 || curlCode == CURLE_ABORTED_BY_CALLBACK)
        return false;
    return FDropped || curlCode == CURLE_SEND_ERROR || curlCode == CURLE_RECV_ERROR
        || curlCode == CURLE_GOT_NOTHING;
}

bool TFtpConnection::Pump(const std::function<bool()>& goal)
{
    const int limitMs = Limit(FFile == TFile::Writing ? FSession.SendTimeoutMs() : FSession.ReceiveTimeoutMs());
    QElapsedTimer silence;
    silence.start();
    QElapsedTimer waiting;
    waiting.start();
    const qint64 waitedBefore = FWaitedMs;
    quint64 activitySeen = FActivity;
    for (;;) {
        FWaitedMs = waitedBefore + waiting.elapsed();
        int running = 0;
        curl_multi_perform(FMulti.get(), &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(FMulti.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) {
                FEnded = true;
                FResult = message->data.result;
            }
        }
        if (goal())
            return true;
        if (FEnded)
            return FResult == CURLE_OK || Failed(FResult);
        if (FActivity != activitySeen) {
            activitySeen = FActivity;
            silence.restart();
        }
        const QString overdue = Overdue(limitMs, silence.elapsed());
        if (!overdue.isEmpty()) {
            Remove();
            FEnded = true;
            FResult = CURLE_OPERATION_TIMEDOUT;
            return Refuse(overdue, ieTimeout);
        }
        curl_multi_poll(FMulti.get(), nullptr, 0, NothingToWaitOn() ? 1 : PollSliceMs, nullptr);
        if (OnWait && !OnWait()) {
            Remove();
            FEnded = true;
            FResult = CURLE_ABORTED_BY_CALLBACK;
            return Refuse(QStringLiteral("Cancelled"), ieOperationCancelled);
        }
    }
}

bool TFtpConnection::NothingToWaitOn() const
{
    // After the server's passive reply, libcurl 7.88 connects the data connection only in its
    // next perform call and names no socket to wait on until then (nor a timer): every data
    // connection in passive mode waited out a whole slice, 25 ms a file.
    fd_set reading;
    fd_set writing;
    fd_set failing;
    FD_ZERO(&reading);
    FD_ZERO(&writing);
    FD_ZERO(&failing);
    int highest = -1;
    return curl_multi_fdset(FMulti.get(), &reading, &writing, &failing, &highest) == CURLM_OK && highest < 0;
}

QString TFtpConnection::Overdue(int limitMs, qint64 silentMs)
{
    // From the first byte of data to the last, the data must keep moving; before and after
    // (commands, the wait for the server's confirmation) only silence counts.
    const bool writing = FFile == TFile::Writing;
    const bool flowing = FMoved > 0 && !(writing && FUploadFinished && FData.Empty());
    if (!flowing) {
        if (silentMs < limitMs)
            return {};
        return QStringLiteral("The server sent nothing for %1 seconds.").arg(Seconds(limitMs));
    }
    if (!FPacing) {
        FPacing = true;
        FPace = TTransferPace(limitMs);
        FPace.Restart(FWaitedMs, 0);
    }
    if (!FPace.TooSlow(FWaitedMs, quint64(FMoved)))
        return {};
    return QStringLiteral("The server %1 fewer than %2 bytes in %3 seconds.")
        .arg(QLatin1String(writing ? "took" : "sent"))
        .arg(TTransferPace::MinimumBytes)
        .arg(Seconds(limitMs));
}

bool TFtpConnection::ReadComplete()
{
    const bool binary = !FAsciiRead;
    // libcurl checks a binary read itself when it asked for the size first.
    if (binary && FListedSize < 0)
        return true;
    if (!FConfirmed)
        return Refuse(QStringLiteral("The server did not confirm that the file was sent whole."), ieConnectionAborted);
    curl_off_t count = 0;
    curl_easy_getinfo(FEasy.get(), CURLINFO_SIZE_DOWNLOAD_T, &count);
    const qint64 received = count;
    // Line ends change an ASCII file's size, so there only a shortfall tells.
    if (FAnnounced >= 0 && (binary ? received != FAnnounced : received < FAnnounced))
        return Refuse(QStringLiteral("The server announced %1 bytes and sent %2.").arg(FAnnounced).arg(received),
                      ieConnectionAborted);
    if (FAnnounced >= 0 || !binary || received == FListedSize)
        return true;
    // The file may have changed since the listing: the server's size now decides. A server
    // that tells no size passes, as it did when libcurl asked for the size before the transfer.
    const qint64 now = ServerSize();
    if (now >= 0 && now != received)
        return Refuse(QStringLiteral("The server lists %1 bytes and sent %2.").arg(now).arg(received),
                      ieConnectionAborted);
    return true;
}

qint64 TFtpConnection::ServerSize()
{
    std::vector<TExchange> replies;
    if (!RunCommands({"SIZE " + FReadPath.toUtf8()}, replies) || replies[0].Reply != 213)
        return -1;
    bool number = false;
    const qint64 size = replies[0].Text.mid(4).trimmed().toLongLong(&number);
    return number && size >= 0 ? size : -1;
}

bool TFtpConnection::Failed(int curlCode)
{
    // libcurl leaves the buffer empty when a 421 ended the exchange.
    if (FDropped && FCurlError[0] == '\0')
        return Refuse(QStringLiteral("The server closed the connection."), ieConnectionAborted);
    return Refuse(CurlFailureWords(FCurlError.data(), curlCode), InternetErrorFromCurl(curlCode));
}

bool TFtpConnection::Refuse(const QString& reason, quint32 errorCode)
{
    FReason = reason;
    FErrorCode = errorCode;
    // What an anonymous login may not do, the account might have done.
    if (errorCode == ieServerRefused && !FLogin.UserName.isEmpty() && Anonymous())
        FReason += QStringLiteral(" (The login was anonymous: the password for %1 is empty.)").arg(FLogin.UserName);
    return false;
}

size_t TFtpConnection::OnData(char* data, size_t size, size_t count, void* self)
{
    auto* connection = static_cast<TFtpConnection*>(self);
    const size_t length = size * count;
    // A listing's bytes were kept as they came (OnDebug); here only its bound is enforced.
    if (connection->FListingTooLarge)
        return 0;
    if (!connection->FListing)
        connection->FData.Append(data, length);
    connection->FMoved += length;
    ++connection->FActivity;
    return length;
}

size_t TFtpConnection::OnUpload(char* buffer, size_t size, size_t count, void* self)
{
    auto* connection = static_cast<TFtpConnection*>(self);
    if (connection->FData.Empty()) {
        if (connection->FUploadFinished)
            return 0;
        // The caller has not written the next block yet; Write resumes the transfer.
        connection->FUploadPaused = true;
        return CURL_READFUNC_PAUSE;
    }
    const size_t taken = connection->FData.Take(buffer, size * count);
    connection->FMoved += taken;
    ++connection->FActivity;
    return taken;
}

int TFtpConnection::OnDebug(void*, int type, char* data, size_t size, void* self)
{
    auto* connection = static_cast<TFtpConnection*>(self);
    if (type == CURLINFO_DATA_IN) {
        // libcurl receives listings in ASCII mode and turns every CR into a line end before
        // the write callback sees it ("cr\rhere.bin" would read as the name "cr"); the bytes
        // as they came are taken here.
        if (connection->FListing) {
            if (connection->FData.Size() + size > size_t(MaxListingBytes))
                connection->FListingTooLarge = true;
            else
                connection->FData.Append(data, size);
        }
        return 0;
    }
    QByteArray line(data, qsizetype(size));
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (type == CURLINFO_HEADER_OUT) {
        connection->FExchanges.push_back({line, 0, {}});
        ++connection->FActivity;
    } else if (type == CURLINFO_HEADER_IN) {
        ++connection->FActivity;
        const bool final = line.size() >= 4 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1]))
            && std::isdigit(uchar(line[2])) && line[3] == ' ';
        if (!final)
            return 0;
        const int reply = line.left(3).toInt();
        if (reply == 421)
            connection->FDropped = true;
        if (reply == 226 || reply == 250)
            connection->FConfirmed = true;
        if (reply == 150 || reply == 125) {
            static const QRegularExpression announced(QStringLiteral("\\((\\d{1,18}) bytes\\)"));
            const QRegularExpressionMatch match = announced.match(QString::fromLatin1(line));
            if (match.hasMatch())
                connection->FAnnounced = match.captured(1).toLongLong();
        }
        auto& exchanges = connection->FExchanges;
        const auto open = std::find_if(exchanges.begin(), exchanges.end(),
                                       [](const TExchange& exchange) { return exchange.Reply == 0; });
        if (open != exchanges.end()) {
            open->Reply = reply;
            open->Text = line;
        }
    }
    return 0;
}
