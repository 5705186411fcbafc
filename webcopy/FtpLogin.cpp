// How FTP operations get, keep and let go of their connection.
#include "webcopy/WebCopy.h"

#include "platform/InternetSession.h"
#include "webcopy/DateTime.h"

#include <QCoreApplication>

QString TWebCopy::FtpConnectionKey(const QString& host, int port, const QString& userName, const QString& password)
{
    // Apart, so that no two logins run together ("ab" + "c" is not "a" + "bc"); a line break is
    // refused in every part before anything is sent.
    return QStringList{host, QString::number(port), userName, password}.join(QLatin1Char('\n'));
}

TFtpConnection* TWebCopy::FtpConnect(const QString& host, int port, const QString& userName, const QString& password,
                                     bool keepConnection, bool reuseKept, std::unique_ptr<TFtpConnection>& own)
{
    const QString key = FtpConnectionKey(host, port, userName, password);
    if (reuseKept && FFTPconnect && key == FPrevConnect) {
        if (keepConnection)
            return FFTPconnect.get();
        // Taken over for this operation only: it is closed when the operation lets go.
        own = std::move(FFTPconnect);
        FPrevConnect.clear();
        return own.get();
    }
    FPrevTarget.clear();
    FFtpReason.clear();
    if (!FHinternet) {
        FFtpReason = QStringLiteral("No Internet session");
        return nullptr;
    }
    TFtpLogin login;
    login.Host = host;
    login.Port = quint16(port);
    login.UserName = userName;
    login.Password = password;
    login.Passive = FTPPassive;
    auto connection = std::make_unique<TFtpConnection>(*FHinternet, login);
    connection->OnWait = [this] {
        QCoreApplication::processEvents();
        return !FCancelled;
    };
    if (!connection->Connect()) {
        FFtpReason = connection->Reason();
        return nullptr;
    }
    if (!keepConnection) {
        own = std::move(connection);
        return own.get();
    }
    FFTPconnect = std::move(connection);
    FPrevConnect = key;
    return FFTPconnect.get();
}

TFtpConnection* TWebCopy::FtpStart(const QString& name, const QString& serverWord, const QString& host, int port,
                                   const QString& userName, const QString& password, bool keepConnection,
                                   bool reuseKept, std::unique_ptr<TFtpConnection>& own)
{
    // Uploads and deletes always say which server they change.
    if (!name.isEmpty())
        ShowFileLine(name, serverWord, host, serverWord == DlgToServerLabel);
    QCoreApplication::processEvents();
    TFtpConnection* connection = FtpConnect(host, port, userName, password, keepConnection, reuseKept, own);
    QCoreApplication::processEvents();
    return connection;
}

void TWebCopy::FtpLeave(std::unique_ptr<TFtpConnection>& own, bool keepConnection)
{
    own.reset();
    if (!keepConnection) {
        // Nothing stays open that no key names.
        FFTPconnect.reset();
        FPrevConnect.clear();
    }
}

TTransferResult TWebCopy::FtpConnectFailed(const QString& host) const
{
    return TTransferResult::Error(WebCopyErrors::CannotConnect, QStringLiteral("Cannot connect to FTP server ") + host,
                                  FFtpReason);
}

TDateTime TWebCopy::FtpListedDate(const TFtpEntry& entry)
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
