#include "bench/EngineRun.h"

#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyIoError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QUrl>

#include <cstdio>

namespace {

const QString NameOption = QStringLiteral("--name");
const QString CaOption = QStringLiteral("--ca");
const QString AuthOption = QStringLiteral("--auth");
const QString FtpModeOption = QStringLiteral("--ftp-mode");
const QString ResumeOption = QStringLiteral("--resume-retries");
// Short: the benchmark measures what a resumed download moves, not how long it waits.
constexpr int ResumeRetryDelayMs = 10;
const QString ActiveMode = QStringLiteral("active");
const QString HttpListKind = QStringLiteral("http-list");

// What the options after the three fixed arguments say.
struct TOptions {
    QString TargetName;
    QString CaFile;
    QString AuthFile;
    QString FtpMode;
    QString ResumeRetries;
};

QStringList Option(const QString& option, const QString& value)
{
    return value.isEmpty() ? QStringList() : QStringList{option, value};
}

// An FTP server named by URL: the host and port go to the item, the path stays as the server sees it.
QString TakeFtpServer(TWebCopyItem& item, const QString& url)
{
    const QUrl parsed(url);
    item.FTPHost = parsed.host();
    item.FTPPort = parsed.port(21);
    return parsed.path().mid(1);
}

// The options after the three fixed arguments; false on one it does not know or without a value.
bool ParseOptions(const QStringList& arguments, TOptions& options)
{
    const QHash<QString, QString*> values{{NameOption, &options.TargetName},
                                          {CaOption, &options.CaFile},
                                          {AuthOption, &options.AuthFile},
                                          {FtpModeOption, &options.FtpMode},
                                          {ResumeOption, &options.ResumeRetries}};
    for (qsizetype i = 0; i < arguments.size(); i += 2) {
        if (!values.contains(arguments.at(i)) || i + 1 >= arguments.size())
            return false;
        *values.value(arguments.at(i)) = arguments.at(i + 1);
    }
    return true;
}

// smbclient's authentication file: "username = NAME" and "password = SECRET" lines.
bool ReadAccount(const QString& path, QString& userName, QString& password)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        const QByteArray key = line.left(equals).trimmed();
        const QString value = QString::fromUtf8(line.mid(equals + 1).trimmed());
        if (key == "username")
            userName = value;
        else if (key == "password")
            password = value;
    }
    return !userName.isEmpty();
}

// The sources of the run: the URLs of an http-list file, or the one source given.
QStringList Sources(const QString& kind, const QString& source)
{
    if (kind != HttpListKind)
        return {source};
    QFile list(source);
    if (!list.open(QIODevice::ReadOnly))
        return {};
    QStringList urls;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            urls << QString::fromUtf8(line.trimmed());
    }
    return urls;
}

} // namespace

QStringList TEngineRun::Arguments(const QString& kind, const QString& source, const QString& targetDir,
                                  const QStringList& options)
{
    return QStringList{Flag(), kind, source, targetDir} + options;
}

QStringList TEngineRun::TargetName(const QString& name)
{
    return Option(NameOption, name);
}

QStringList TEngineRun::CaFile(const QString& path)
{
    return Option(CaOption, path);
}

QStringList TEngineRun::AuthFile(const QString& path)
{
    return Option(AuthOption, path);
}

QStringList TEngineRun::ResumeWithRetries(int retries)
{
    return Option(ResumeOption, QString::number(retries));
}

QStringList TEngineRun::ActiveFtp()
{
    return Option(FtpModeOption, ActiveMode);
}

double TEngineRun::TransferSeconds(const QString& output)
{
    const QString prefix = QLatin1String(TransferLinePrefix) + QLatin1Char(' ');
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).toDouble();
    }
    return -1;
}

int TEngineRun::Run(const QStringList& arguments)
{
    static const QHash<QString, TWebCopyProtocol> protocols{{QStringLiteral("http"), wpHttp},
                                                            {HttpListKind, wpHttp},
                                                            {QStringLiteral("file"), wpFile},
                                                            {QStringLiteral("ftp-download"), wpFtp},
                                                            {QStringLiteral("ftp-upload"), wpFtpUpload},
                                                            {QStringLiteral("ftp-many"), wpMultiFtp}};
    TOptions options;
    QString userName;
    QString password;
    const QString kind = arguments.value(0);
    const QStringList sources = arguments.size() >= 3 ? Sources(kind, arguments.at(1)) : QStringList();
    if (arguments.size() < 3 || !protocols.contains(kind) || !ParseOptions(arguments.mid(3), options)
        || (!options.AuthFile.isEmpty() && !ReadAccount(options.AuthFile, userName, password)) || sources.isEmpty()) {
        std::fprintf(stderr,
                     "usage: orvanta-bench %s KIND SOURCE TARGET-DIR [--name TARGET-NAME] [--ca CA-FILE] [--auth FILE] "
                     "[--ftp-mode active|passive] [--resume-retries N]\n",
                     qPrintable(Flag()));
        return 2;
    }
    TWebCopy webCopy;
    webCopy.ShowDialog = true;
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    webCopy.ShowCompletion = true;
    webCopy.FTPPassive = options.FtpMode != ActiveMode;
    // Connections are kept for the next request, as the wizard keeps them and as curl does.
    webCopy.HTTPKeepAliveAuthentication = true;
    webCopy.CaFile = options.CaFile;
    if (!options.ResumeRetries.isEmpty()) {
        webCopy.Resume = true;
        webCopy.Retries = options.ResumeRetries.toInt();
        webCopy.RetryDelay = ResumeRetryDelayMs;
    }
    for (const QString& source : sources) {
        TWebCopyItem* item = webCopy.Items().Add();
        item->Protocol = protocols.value(kind);
        item->URL = source;
        item->TargetDir = arguments.at(2);
        item->TargetFilename = options.TargetName;
        item->FTPUserID = userName;
        item->FTPPassword = password;
        if (item->Protocol == wpFtp || item->Protocol == wpMultiFtp)
            item->URL = TakeFtpServer(*item, item->URL);
        else if (item->Protocol == wpFtpUpload)
            item->TargetDir = TakeFtpServer(*item, item->TargetDir);
    }
    QElapsedTimer transfer;
    try {
        transfer.start();
        webCopy.Execute();
        // What the process adds (loading libraries, making the dialog, ending) is the rest.
        std::printf("%s %.6f\n", TransferLinePrefix, transfer.nsecsElapsed() / 1e9);
    } catch (const TWebCopyIoError& error) {
        std::fprintf(stderr, "the engine broke off: %s\n", error.what());
        return 1;
    }
    return webCopy.Items().SuccessCount() == webCopy.Items().Count() ? 0 : 1;
}
