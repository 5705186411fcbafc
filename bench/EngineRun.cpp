#include "bench/EngineRun.h"

#include "webcopy/WebCopy.h"
#include "webcopy/WebCopyIoError.h"

#include <QElapsedTimer>
#include <QHash>
#include <QUrl>

#include <cstdio>

namespace {

// An FTP server named by URL: the host and port go to the item, the path stays as the server sees it.
QString TakeFtpServer(TWebCopyItem& item, const QString& url)
{
    const QUrl parsed(url);
    item.FTPHost = parsed.host();
    item.FTPPort = parsed.port(21);
    return parsed.path().mid(1);
}

} // namespace

QStringList TEngineRun::Arguments(const QString& kind, const QString& source, const QString& targetDir,
                                  const QString& targetName, const QString& caFile)
{
    QStringList arguments{Flag(), kind, source, targetDir, targetName};
    if (!caFile.isEmpty())
        arguments << caFile;
    return arguments;
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
                                                            {QStringLiteral("file"), wpFile},
                                                            {QStringLiteral("ftp-download"), wpFtp},
                                                            {QStringLiteral("ftp-upload"), wpFtpUpload}};
    if (arguments.size() < 4 || arguments.size() > 5 || !protocols.contains(arguments.at(0))) {
        std::fprintf(stderr, "usage: orvanta-bench %s KIND SOURCE TARGET-DIR TARGET-NAME [CA-FILE]\n",
                     qPrintable(Flag()));
        return 2;
    }
    TWebCopy webCopy;
    webCopy.ShowDialog = true;
    webCopy.ShowTime = true;
    webCopy.ShowElapsedTime = true;
    webCopy.ShowCompletion = true;
    webCopy.FTPPassive = true;
    webCopy.CaFile = arguments.value(4);
    TWebCopyItem* item = webCopy.Items().Add();
    item->Protocol = protocols.value(arguments.at(0));
    item->URL = arguments.at(1);
    item->TargetDir = arguments.at(2);
    item->TargetFilename = arguments.at(3);
    if (item->Protocol == wpFtp)
        item->URL = TakeFtpServer(*item, item->URL);
    else if (item->Protocol == wpFtpUpload)
        item->TargetDir = TakeFtpServer(*item, item->TargetDir);
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
    return item->Success() ? 0 : 1;
}
