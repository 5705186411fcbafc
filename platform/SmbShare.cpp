#include "platform/SmbShare.h"

#include <QStringList>
#include <QUrl>

#include "platform/SmbClientLibrary.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

struct TShareAddress {
    QString Server;
    quint16 Port = 0;     // 0: the client's default
    QStringList Path;     // the share, then directories below it
};

// A part of a share name that names one thing: not empty, not "." or "..", no user information
// and no control character.
bool IsPlainPart(const QString& part)
{
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..")
        && !part.contains(QLatin1Char('@'))
        && std::none_of(part.begin(), part.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Splits "\\server\share\dir", "//server/share/dir" or "smb://server:port/share/dir"; false for
// anything that cannot be taken apart into a server, a share and plain directories.
bool ParseShare(const QString& share, TShareAddress& address)
{
    QString rest;
    if (share.startsWith(QLatin1String("smb://"), Qt::CaseInsensitive))
        rest = share.mid(6);
    else if (share.startsWith(QLatin1String("\\\\")) || share.startsWith(QLatin1String("//")))
        rest = share.mid(2);
    else
        return false;
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (rest.startsWith(QLatin1Char('/')))
        return false;  // no server name
    QStringList parts = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    address.Server = parts.takeFirst();
    // A port follows the last colon, unless the colons belong to a bare IPv6 address.
    const qsizetype colon = address.Server.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && (address.Server.count(QLatin1Char(':')) == 1 || address.Server.at(colon - 1) == QLatin1Char(']'))) {
        bool numeric = false;
        const uint port = address.Server.mid(colon + 1).toUInt(&numeric);
        if (!numeric || port == 0 || port > 65535)
            return false;
        address.Port = quint16(port);
        address.Server.truncate(colon);
    }
    address.Path = parts;
    return IsPlainPart(address.Server) && std::all_of(parts.begin(), parts.end(), IsPlainPart);
}

// The client library decodes percent escapes in paths, so every segment is escaped.
QByteArray EncodedPath(const QStringList& segments)
{
    QByteArray path;
    for (const QString& segment : segments)
        path += '/' + QUrl::toPercentEncoding(segment);
    return path;
}

void CopyInto(char* destination, int size, const QByteArray& text)
{
    if (size <= 0)
        return;
    const size_t count = std::min(size_t(size) - 1, size_t(text.size()));
    std::memcpy(destination, text.constData(), count);
    destination[count] = '\0';
}

} // namespace

bool TSmbShare::LooksLikeSharePath(const QString& path)
{
    return path.startsWith(QLatin1String("smb://"), Qt::CaseInsensitive) || path.startsWith(QLatin1String("\\\\"));
}

bool TSmbShare::SplitSharePath(const QString& path, QString& share, QString& pathInShare)
{
    TShareAddress address;
    if (!LooksLikeSharePath(path) || !ParseShare(path, address))
        return false;
    share = QStringLiteral("smb://") + address.Server
        + (address.Port != 0 ? QLatin1Char(':') + QString::number(address.Port) : QString()) + QLatin1Char('/')
        + address.Path.first();
    pathInShare = address.Path.mid(1).join(QLatin1Char('/'));
    return true;
}

TSmbShare::TSmbShare() = default;

TSmbShare::~TSmbShare()
{
    Disconnect();
}

bool TSmbShare::Connect(const QString& share, const QString& userName, const QString& password)
{
    Disconnect();
    FErrorString.clear();
    FReason.clear();
    FFailure = TFailure::None;
    TShareAddress address;
    if (!ParseShare(share, address))
        return Fail(EINVAL, QStringLiteral("Not a network share name: ") + share, TFailure::NotAShareName);
    FShareUrl = "smb://" + QUrl::toPercentEncoding(address.Server, "[]:") + EncodedPath(address.Path);
    FUserName = userName.toUtf8();
    FPassword = password.toUtf8();

    QString notLoaded;
    if (!TSmbClientLibrary::Load(&notLoaded)) {
        FReason = FErrorString = notLoaded;
        return false;
    }
    SMBCCTX* context = SmbClient().NewContext();
    if (!context)
        return Fail(errno, QStringLiteral("Cannot start the network share client"));
    SmbClient().SetDebug(context, 0);
    SmbClient().SetOptionUserData(context, this);
    SmbClient().SetFunctionAuthDataWithContext(context, &TSmbShare::SupplyCredentials);
    SmbClient().SetOptionNoAutoAnonymousLogin(context, !FUserName.isEmpty());
    SmbClient().SetOptionProtocols(context, "SMB2_02", "SMB3");
    if (address.Port != 0)
        SmbClient().SetPort(context, address.Port);
    if (FTimeoutMs > 0)
        SmbClient().SetTimeout(context, FTimeoutMs);
    if (!SmbClient().InitContext(context)) {
        const int error = errno;
        SmbClient().FreeContext(context, 1);
        return Fail(error, QStringLiteral("Cannot start the network share client"));
    }
    FContext = context;

    SMBCFILE* root = SmbClient().GetFunctionOpendir(FContext)(FContext, FShareUrl.constData());
    if (!root) {
        const int error = errno;
        Disconnect();
        // The server's "logon failure" and "access denied" both come as these.
        if (error == EACCES || error == EPERM) {
            FFailure = TFailure::LoginRefused;
            FReason = QStringLiteral("The share did not accept the user name or password");
            FErrorString = QStringLiteral("Cannot connect to %1: %2").arg(share, FReason);
            return false;
        }
        return Fail(error, QStringLiteral("Cannot connect to ") + share,
                    error == ETIMEDOUT ? TFailure::TimedOut : TFailure::Other);
    }
    SmbClient().GetFunctionClosedir(FContext)(FContext, root);
    return true;
}

bool TSmbShare::Disconnect()
{
    if (!FContext)
        return true;
    // Shutting down closes whatever is still open, so the context always goes.
    const bool freed = SmbClient().FreeContext(FContext, 1) == 0;
    if (!freed)
        Fail(errno, QStringLiteral("Cannot disconnect from the network share"));
    FContext = nullptr;
    return freed;
}

std::unique_ptr<TSmbFileReader> TSmbShare::OpenFile(const QString& relativePath)
{
    if (!FContext) {
        Fail(ENOTCONN, QStringLiteral("Not connected to a network share"));
        return nullptr;
    }
    const QStringList segments = Segments(relativePath);
    if (!CheckSegments(segments, relativePath))
        return nullptr;
    SMBCFILE* file = SmbClient().GetFunctionOpen(FContext)(FContext, Url(segments).constData(), O_RDONLY, 0);
    if (!file) {
        Fail(errno, QStringLiteral("Cannot open ") + relativePath);
        return nullptr;
    }
    return std::make_unique<TSmbFileReader>(FContext, file);
}

bool TSmbShare::CreateDirectories(const QString& relativePath)
{
    if (!FContext)
        return Fail(ENOTCONN, QStringLiteral("Not connected to a network share"));
    const QStringList segments = Segments(relativePath);
    if (!CheckSegments(segments, relativePath))
        return false;
    for (qsizetype count = 1; count <= segments.size(); ++count) {
        const QByteArray url = Url(segments.first(count));
        quint32 mode = 0;
        if (StatMode(url, mode) == 0 && S_ISDIR(mode))
            continue;
        // Another client may create it meanwhile; what counts is a directory afterwards.
        if (SmbClient().GetFunctionMkdir(FContext)(FContext, url.constData(), 0777) != 0) {
            const int error = errno;
            if (StatMode(url, mode) != 0 || !S_ISDIR(mode))
                return Fail(error,
                            QStringLiteral("Cannot create the directory ") + segments.first(count).join(QLatin1Char('/')));
        }
    }
    return true;
}

bool TSmbShare::FileExists(const QString& relativePath)
{
    if (!FContext)
        return Fail(ENOTCONN, QStringLiteral("Not connected to a network share"));
    const QStringList segments = Segments(relativePath);
    if (!CheckSegments(segments, relativePath))
        return false;
    quint32 mode = 0;
    const int error = StatMode(Url(segments), mode);
    if (error != 0 && error != ENOENT)
        Fail(error, QStringLiteral("Cannot look at ") + relativePath);
    return error == 0 && S_ISREG(mode);
}

QStringList TSmbShare::Segments(const QString& relativePath)
{
    QString path = relativePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

bool TSmbShare::ArePlainSegments(const QStringList& segments)
{
    return std::all_of(segments.begin(), segments.end(), IsPlainPart);
}

bool TSmbShare::CheckSegments(const QStringList& segments, const QString& relativePath)
{
    return ArePlainSegments(segments)
        || Fail(EINVAL, QStringLiteral("Not a path on a network share: ") + relativePath, TFailure::NotAShareName);
}

QByteArray TSmbShare::Url(const QStringList& segments) const
{
    return FShareUrl + EncodedPath(segments);
}

int TSmbShare::StatMode(const QByteArray& url, quint32& mode)
{
    struct stat status {};
    if (SmbClient().GetFunctionStat(FContext)(FContext, url.constData(), &status) != 0)
        return errno;
    mode = status.st_mode;
    return 0;
}

void TSmbShare::SupplyCredentials(SMBCCTX* context, const char*, const char*, char*, int, char* userName,
                                  int userNameSize, char* password, int passwordSize)
{
    const auto* self = static_cast<const TSmbShare*>(SmbClient().GetOptionUserData(context));
    CopyInto(userName, userNameSize, self->FUserName);
    CopyInto(password, passwordSize, self->FPassword);
}

bool TSmbShare::Fail(int error, const QString& what, TFailure failure)
{
    FFailure = failure;
    FReason = qt_error_string(error);
    FErrorString = what + QStringLiteral(": ") + FReason;
    return false;
}
