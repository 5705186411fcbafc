#include "webcopy/FtpSessions.h"

#include "platform/InternetErrors.h"
#include "webcopy/CopyRun.h"
#include "webcopy/TransferCause.h"
#include "webcopy/WebCopy.h"

TFtpSessions::TFtpSessions(TCopyRun& run)
    : FRun(run)
{
}

TFtpSessions::~TFtpSessions() = default;

QString TFtpSessions::ConnectionKey(const QString& host, int port, const QString& userName, const QString& password)
{
    // Apart, so that no two logins run together ("ab" + "c" is not "a" + "bc"); a line break is
    // refused in every part before anything is sent.
    return QStringList{host, QString::number(port), userName, password}.join(QLatin1Char('\n'));
}

TFtpConnection* TFtpSessions::Connect(const QString& host, int port, const QString& userName,
                                      const QString& password, bool keepConnection, bool reuseKept,
                                      std::unique_ptr<TFtpConnection>& own)
{
    const QString key = ConnectionKey(host, port, userName, password);
    if (reuseKept && FKept && key == FKeptKey) {
        if (keepConnection)
            return FKept.get();
        // Taken over for this operation only: it is closed when the operation lets go.
        own = std::move(FKept);
        FKeptKey.clear();
        return own.get();
    }
    CloseKept();
    FReason.clear();
    FErrorCode = 0;
    if (!FRun.Session()) {
        FReason = QStringLiteral("No Internet session");
        return nullptr;
    }
    if (port <= 0 || port > 65535) {
        FReason = QStringLiteral("The port %1 is not a port number (1 to 65535)").arg(port);
        FErrorCode = ieInvalidUrl;
        return nullptr;
    }
    TFtpLogin login;
    login.Host = host;
    login.Port = quint16(port);
    login.UserName = userName;
    login.Password = password;
    login.Passive = FRun.Owner().FTPPassive;
    auto connection = std::make_unique<TFtpConnection>(*FRun.Session(), login);
    connection->OnWait = [this] {
        FRun.ProcessEvents();
        return !FRun.Cancelled();
    };
    if (!connection->Connect()) {
        FReason = connection->Reason();
        FErrorCode = connection->ErrorCode();
        return nullptr;
    }
    if (!keepConnection) {
        own = std::move(connection);
        return own.get();
    }
    FKept = std::move(connection);
    FKeptKey = key;
    return FKept.get();
}

TFtpConnection* TFtpSessions::Start(const QString& name, const QString& serverWord, const QString& host, int port,
                                    const QString& userName, const QString& password, bool keepConnection,
                                    bool reuseKept, std::unique_ptr<TFtpConnection>& own)
{
    // Uploads and deletes always say which server they change.
    if (!name.isEmpty())
        FRun.Rules().ShowFileLine(name, serverWord, host, serverWord == FRun.Owner().DlgToServerLabel);
    FRun.ProcessEvents();
    TFtpConnection* connection = Connect(host, port, userName, password, keepConnection, reuseKept, own);
    FRun.ProcessEvents();
    return connection;
}

void TFtpSessions::Leave(std::unique_ptr<TFtpConnection>& own, bool keepConnection)
{
    own.reset();
    if (!keepConnection)
        CloseKept();
}

void TFtpSessions::CloseKept()
{
    // Nothing stays open that no key names.
    FKept.reset();
    FKeptKey.clear();
    KeptDirectory.clear();
}

TTransferResult TFtpSessions::ConnectFailed(const QString& host) const
{
    const TTransferCause cause = FRun.Cancelled() ? TTransferCause::Cancelled
        : FErrorCode != 0                         ? CauseOfClientError(FErrorCode, 0)
                                                  : TTransferCause::CannotConnect;
    return TTransferResult::Error(cause, WebCopyErrors::CannotConnect,
                                  QStringLiteral("Cannot connect to FTP server ") + host, FReason);
}

TDateTime TFtpSessions::ListedDate(const TFtpEntry& entry)
{
    // The calendar fields as the server listed them; an unknown date is now.
    if (!entry.Modified.isValid())
        return NowDateTime();
    const QDate date = entry.Modified.date();
    const QTime time = entry.Modified.time();
    return TryEncodeDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(),
                             time.msec())
        .value_or(NowDateTime());
}

bool TFtpSessions::HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) || text.contains(QChar(0));
}

TTransferResult TFtpSessions::LineBreakRefused()
{
    const QString words = QStringLiteral("The remote path holds a line break or NUL; nothing was sent");
    return TTransferResult::Error(TTransferCause::InvalidUrl, WebCopyErrors::CannotConnect, words, words);
}

QString TFtpSessions::DirectoryPart(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

TTransferCause TFtpSessions::CauseOf(const TFtpConnection& connection, TTransferCause otherwise)
{
    const quint32 code = connection.ErrorCode();
    return code == 0 || code == ieServerRefused ? otherwise : CauseOfClientError(code, 0);
}

TTransferResult TFtpSessions::NotFound(const TFtpConnection& connection, const QString& url, TTransferCause cause)
{
    // A server that says nothing has not said that the file is missing.
    if (connection.ErrorCode() == ieTimeout)
        return TTransferResult::Error(TTransferCause::TimedOut, ieTimeout, InternetErrorText(ieTimeout),
                                      connection.Reason());
    return TTransferResult::URLNotFound(CauseOf(connection, cause), url, connection.Reason(),
                                        static_cast<int>(connection.ErrorCode()));
}
