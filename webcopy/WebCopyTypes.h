#pragma once

#include "webcopy/DateTime.h"

#include <QObject>

#include <functional>

class QDialog;

// The engine's enumerations; names and order are part of its interface (saved settings
// store them by name).
namespace WebCopyTypes {
Q_NAMESPACE

enum TWebCopyProtocol {
    wpHttp,
    wpFtp,
    wpFile,
    wpFtpUpload,
    wpHttpUpload,
    wpMultiFtp,
    wpMultiFtpUpload,
    wpFtpDelete,
    wpFtpList,
    wpFtpTest
};
Q_ENUM_NS(TWebCopyProtocol)

enum TWebCopyHTTPCommand { hcPost, hcPut };
Q_ENUM_NS(TWebCopyHTTPCommand)

enum TWebCopyAuthentication { waNever, waAlways, waAuto };
Q_ENUM_NS(TWebCopyAuthentication)

enum TFTPMode { fmBINARY, fmASCII };
Q_ENUM_NS(TFTPMode)

// What happened to an item, for callers that choose their own words (an item's ErrorCause()).
// Names are stable: they are written into machine-readable output.
enum class TTransferCause {
    None,                 // done, or skipped by a rule or by the user
    NotRun,               // the run ended before it reached the item
    Cancelled,
    InvalidUrl,           // the URL or a name in it cannot be used as it is
    UnsupportedScheme,
    HostNotFound,
    CannotConnect,        // refused or unreachable
    TimedOut,             // no answer, or too little data, within the time-out
    ConnectionBroken,     // the connection ended before the transfer was complete
    TlsUntrusted,
    TlsExpired,
    TlsWrongName,
    TlsHandshake,
    TlsClientCertificate,
    ProxyUnreachable,
    ProxyNeedsLogin,
    ProxyRefused,         // the proxy answered with an error status of its own
    ProxyScriptFailed,    // the proxy configuration script did not answer
    ServerStatus,         // the server answered with an error status (HttpStatus)
    LoginRefused,
    LoginMethodUnsupported,
    LoginCancelled,
    RedirectRefused,
    RedirectLoop,
    InvalidAnswer,        // the server's answer is malformed
    NoData,               // the server sent nothing
    PartialAnswer,        // part of a file where the whole was asked for
    ServerRefused,        // an FTP server refused a command
    DirectoryNotFound,
    NotFound,
    SourceChanged,        // the source changed its size during the transfer
    ChecksumMismatch,     // the bytes are not those of the expected SHA-256
    SourceUnreadable,
    TargetUnwritable,
    DiskFull,
    NotRegularFile,
    IdenticalFiles,
    ShareUnreachable,
    ShareLoginRefused,
    NotAvailable,         // a kind of transfer this build does not have
    InternalError
};
Q_ENUM_NS(TTransferCause)

} // namespace WebCopyTypes

using WebCopyTypes::TFTPMode;
using WebCopyTypes::TTransferCause;
using WebCopyTypes::TWebCopyAuthentication;
using WebCopyTypes::TWebCopyHTTPCommand;
using WebCopyTypes::TWebCopyProtocol;
using enum WebCopyTypes::TWebCopyProtocol;
using enum WebCopyTypes::TWebCopyHTTPCommand;
using enum WebCopyTypes::TWebCopyAuthentication;
using enum WebCopyTypes::TFTPMode;

// Event callbacks: the sender first, then the event's own parameters; `bool&` parameters are
// in-out and start true. An empty function is skipped.
using TWebCopyBeforeDialogShow = std::function<void(QObject* Sender, QDialog* ADialog)>;
using TWebCopyFileStart = std::function<void(QObject* Sender, int idx)>;
using TWebCopyFileDone = std::function<void(QObject* Sender, int idx)>;
using TWebCopyThreadDone = std::function<void(QObject* Sender)>;
using TWebCopyCancel = std::function<void(QObject* Sender)>;
using TWebCopyProgress = std::function<void(QObject* Sender, int fileidx, quint32 size, quint32 totsize)>;
using TWebCopyError = std::function<void(QObject* Sender, int ErrorCode)>;
using TWebCopyErrorInfo = std::function<void(QObject* Sender, int ErrorCode, const QString& ErrorInfo)>;
using TWebCopyURLNotFound = std::function<void(QObject* Sender, const QString& url)>;
using TWebCopyOverwrite = std::function<void(QObject* Sender, const QString& tgtfile, bool& allow)>;
using TWebCopyFileDateCheck = std::function<void(QObject* Sender, int idx, TDateTime newdate, bool& allow)>;
using TWebCopyNoNewFile =
    std::function<void(QObject* Sender, const QString& tgtfile, TDateTime curdate, TDateTime newdate)>;
using TWebCopyMultiFTPFileDone = std::function<void(QObject* Sender, const QString& Filename)>;
using TWebRemoveFileDone = std::function<void(QObject* Sender, int idx)>;
using TWebRemoveFileFailed = std::function<void(QObject* Sender, int idx)>;
using TWebCopyConnectError = std::function<void(QObject* Sender)>;
// The proxy "host:port" wants a login: none was given for it, or (`refused`) it did not accept
// the last one. A handler that sets the user name and password and `given` has the request tried
// again with them; they go to that proxy only and are kept for the rest of the run.
using TWebCopyProxyLogin = std::function<void(QObject* Sender, const QString& proxy, bool refused, QString& userName,
                                              QString& password, bool& given)>;

// Error codes of OnError / OnErrorInfo below the HTTP status range.
namespace WebCopyErrors {
constexpr int IdenticalFiles = 0;
constexpr int CannotOpenSource = 1;
constexpr int CannotReadSourceSize = 2;
constexpr int CannotCreateTarget = 3;
constexpr int ReadFailed = 4;
constexpr int WriteFailed = 5;
constexpr int CannotConnect = 6;
// Not one of the transfer failures: the item's kind of transfer is not available.
constexpr int TransferNotAvailable = 7;
// The file's SHA-256 differs from the item's ExpectedSha256.
constexpr int ChecksumMismatch = 8;
} // namespace WebCopyErrors
