#pragma once

#include "platform/CurlHandles.h"
#include "platform/FtpListing.h"
#include "platform/PendingBytes.h"
#include "platform/TransferPace.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class TInternetSession;

struct TFtpLogin {
    QString Host;
    quint16 Port = 21;
    // Sent only when both are non-empty; otherwise the login is anonymous (Anonymous()).
    QString UserName;
    QString Password;
    bool Passive = true;
};

// One FTP login with blocking, handle-style calls over libcurl: current directory, directory
// creation, listing (MLSD where offered, else LIST in Unix or DOS form), one file open for
// reading or writing at a time, delete and rename. Paths are relative to the current
// directory or absolute; "." and ".." are resolved here. Texts with CR, LF or NUL (host,
// account, paths, patterns) are refused before anything is sent. The data connection goes to
// the control connection's address only. A control connection that the server dropped is
// logged in again once, transparently, when no file data had moved.
//
// Time-outs (the session's receive time-out for reading, its send time-out for writing, else
// 60 s): a server that sends nothing for that long, and a transfer that moves fewer than 1024
// bytes in any span of that length, fail with ErrorCode() ieTimeout.
//
// Threads: belongs to the thread that made it (the user-interface thread of a copy run).
class TFtpConnection {
public:
    TFtpConnection(const TInternetSession& session, const TFtpLogin& login);
    ~TFtpConnection();  // aborts an open file and logs out
    TFtpConnection(const TFtpConnection&) = delete;
    TFtpConnection& operator=(const TFtpConnection&) = delete;

    // Called while the client waits (at least every ~50 ms); it may process UI events, but
    // must not destroy this connection. Returning false aborts the operation in progress.
    std::function<bool()> OnWait;

    // Logs in; false with Reason().
    bool Connect();
    const TFtpLogin& Login() const { return FLogin; }
    // True when the login sent no user name: none was given, or the password was empty.
    bool Anonymous() const { return FLogin.UserName.isEmpty() || FLogin.Password.isEmpty(); }

    QString CurrentDirectory() const { return FCwd; }
    bool ChangeDirectory(const QString& path);
    bool MakeDirectory(const QString& path);
    bool Delete(const QString& path);
    // Replaces `to` with `from`.
    bool Rename(const QString& from, const QString& to);
    // Entries of the current directory whose names match the pattern (shell wildcards; empty
    // matches everything), in the server's order, "." and ".." left out. Listed names that
    // cannot be asked for (see IsPlainFtpName) are no entries: SkippedNames() has those that
    // match. A listing larger than MaxListingBytes fails.
    bool List(const QString& pattern, std::vector<TFtpEntry>& entries);
    const std::vector<QString>& SkippedNames() const { return FSkippedNames; }
    static constexpr qint64 MaxListingBytes = 64 * 1024 * 1024;
    // The entry of one file or directory, by its exact name (never a pattern), from a listing
    // of the directory that holds it; false with Reason() when the directory cannot be listed
    // or does not list the name (ErrorCode() ieServerRefused, as for a missing file).
    bool Stat(const QString& path, TFtpEntry& entry);

    // Reading: OpenRead returns once the first data arrived or the file ended; Read gives
    // > 0 bytes, 0 at the end, -1 on failure (a broken transfer, a cancel). In ASCII mode too,
    // a file ends only with the server's confirmation and with at least the bytes its opening
    // reply announced.
    // `from` > 0 (binary only): the file from that offset on, asked for with REST; a server that
    // refuses REST fails the open with ResumeRefused() true.
    // `listedSize` >= 0 (a binary read from the start): the size a listing gave. The server is then
    // not asked for the size before the transfer (one exchange fewer a file); the file must end
    // at the size the opening reply announced, else at the listed one; when it ends elsewhere
    // the server is asked for the size afterwards, and only a size it confirms passes.
    bool OpenRead(const QString& path, bool ascii, qint64 from = 0, qint64 listedSize = -1);
    bool ResumeRefused() const;
    qint64 Read(char* buffer, qint64 max);
    // Writing: OpenWrite creates or replaces the remote file; Write takes a block (sent in
    // batches of 64 KiB, so a failure may show at a later Write); FinishWrite sends the rest and
    // waits for the server to confirm the complete file.
    bool OpenWrite(const QString& path, bool ascii);
    bool Write(const char* data, qint64 length);
    bool FinishWrite();
    // Aborts an open file (the control connection goes with it and is made again on demand).
    void CloseFile();

    // Why the last operation failed, in the client's own words, and its InternetErrors number.
    QString Reason() const { return FReason; }
    quint32 ErrorCode() const { return FErrorCode; }
    // An absolute path for a path relative to the current directory; empty when it holds CR,
    // LF or NUL.
    QString Resolve(const QString& path) const;

private:
    enum class TFile { None, Reading, Writing };
    struct TExchange {
        QByteArray Command;
        int Reply = 0;
        QByteArray Text;  // the final reply line
    };

    void ResetOptions();
    QByteArray UrlOf(const QString& absolutePath, bool directory) const;
    // Sends raw commands in order; the reply of each, 0 when none came.
    bool RunCommands(const QList<QByteArray>& commands, std::vector<TExchange>& replies);
    // One command on a path ("MKD ", "DELE "), which the server must answer with `expected`.
    bool RunPathCommand(const QByteArray& verb, const QString& path, int expected);
    bool Perform(bool retry);
    // Forgets what the last transfer left (data, replies, result) and hands the handle to the
    // multi handle, for Pump to drive.
    void BeginTransfer();
    bool StartFile(const QString& path, bool ascii, TFile kind, qint64 from = 0, qint64 listedSize = -1);
    void Remove();
    bool CommandRefused(const TExchange& exchange, int expected);
    // Pumps until the goal holds or the transfer ended; false when it failed.
    bool Pump(const std::function<bool()>& goal);
    // True when libcurl waits on no socket, so the next perform call is due at once.
    bool NothingToWaitOn() const;
    // Why the transfer must stop now for slowness; empty while it may go on.
    QString Overdue(int limitMs, qint64 silentMs);
    // Whether a read that libcurl ended without failure is whole (see OpenRead). Called once
    // the transfer is out of the multi handle: it may ask the server for the size.
    bool ReadComplete();
    // The size the server gives for the file being read now; -1 when it gives none.
    qint64 ServerSize();
    bool Failed(int curlCode);
    bool Refuse(const QString& reason, quint32 errorCode);
    bool CanRetry(int curlCode) const;
    // MLSD where the server knows it, else LIST.
    bool ListDirectory(const QString& absoluteDir, TFtpListing& listing);
    bool FetchListing(const QByteArray& url, const char* command, QByteArray& text);

    static size_t OnData(char* data, size_t size, size_t count, void* self);
    static size_t OnUpload(char* buffer, size_t size, size_t count, void* self);
    static int OnDebug(void* easy, int type, char* data, size_t size, void* self);

    const TInternetSession& FSession;
    TFtpLogin FLogin;
    QByteArray FBase;
    TCurlMulti FMulti;
    TCurlEasy FEasy;  // removed from FMulti before either goes
    TCurlSlist FQuote;
    QString FCwd = QStringLiteral("/");
    bool FInMulti = false;
    // The server said it closes the control connection (421) or never answered.
    bool FDropped = false;
    quint64 FActivity = 0;
    bool FEnded = false;
    int FResult = 0;
    TFile FFile = TFile::None;
    bool FUploadPaused = false;
    bool FUploadFinished = false;
    qint64 FMoved = 0;
    TPendingBytes FData;
    std::vector<TExchange> FExchanges;
    // Listings are kept whole in FData, up to MaxListingBytes.
    bool FListing = false;
    bool FListingTooLarge = false;
    std::vector<QString> FSkippedNames;
    // Time spent pumping this transfer, the clock of FPace, which starts at the first byte.
    qint64 FWaitedMs = 0;
    bool FPacing = false;
    TTransferPace FPace;
    // An ASCII read: libcurl checks neither the size the server announced nor, since line ends
    // change it, the count.
    bool FAsciiRead = false;
    // A binary read opened without asking for the size: what the listing said (see OpenRead).
    qint64 FListedSize = -1;
    QString FReadPath;
    qint64 FAnnounced = -1;
    bool FConfirmed = false;
    QString FReason;
    quint32 FErrorCode = 0;
    std::array<char, 256> FCurlError{};
};
