#include "cli/CommandLine.h"

#include "cli/JobFile.h"
#include "cli/UsageError.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

struct TCommandLine::TOptions {
    QString OutputDir;
    QString Name;
    bool Post = false;
    QString User;
    QString Password;
    bool HasUser = false;
    bool NewerOnly = false;
};

namespace {
const QStringList Verbs = {QStringLiteral("get"), QStringLiteral("put"), QStringLiteral("copy"),
                           QStringLiteral("ftp-get"), QStringLiteral("ftp-put"), QStringLiteral("ftp-list"),
                           QStringLiteral("ftp-delete"), QStringLiteral("ftp-test"), QStringLiteral("run")};

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A URL the verb can use: scheme among `schemes`, a host, nothing a parser would guess at.
QUrl CheckedUrl(const QString& verb, const QString& text, const QStringList& schemes)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !schemes.contains(url.scheme()))
        throw TUsageError(QStringLiteral("%1: malformed URL %2 (expected %3://host/...)")
                              .arg(verb, Quoted(text), schemes.join(QStringLiteral("://... or "))));
    return url;
}

QString AbsoluteDir(const QString& dir)
{
    return QDir::cleanPath(QFileInfo(dir.isEmpty() ? QStringLiteral(".") : dir).absoluteFilePath());
}

bool HasWildcard(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

void Expect(const QString& verb, const QStringList& operands, qsizetype least, qsizetype most, const QString& shape)
{
    if (operands.size() < least || operands.size() > most)
        throw TUsageError(QStringLiteral("%1: expected %2, got %3 argument(s)").arg(verb, shape).arg(operands.size()));
}

// The server of an ftp:// URL, and its login unless the options name one.
QVariantMap FtpItem(const QString& protocol, const QUrl& url)
{
    QVariantMap item{{QStringLiteral("Protocol"), protocol},
                     {QStringLiteral("FTPHost"), url.host()},
                     {QStringLiteral("FTPPort"), url.port(21)}};
    if (!url.userName().isEmpty()) {
        item.insert(QStringLiteral("FTPUserID"), url.userName());
        item.insert(QStringLiteral("FTPPassword"), url.password());
    }
    return item;
}

QString RemotePath(const QUrl& url)
{
    const QString path = url.path(QUrl::FullyDecoded);
    return path.isEmpty() ? QStringLiteral("/") : path;
}
} // namespace

TCommandLine TCommandLine::Parse(const QStringList& arguments)
{
    TCommandLine line;
    TOptions options;
    TRunRequest& request = line.Request;
    QString verb;
    QStringList operands;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        QString attached;
        bool hasAttached = false;
        if (!optionsEnded && argument.startsWith(QLatin1String("--")) && argument.contains(QLatin1Char('='))) {
            attached = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
            argument = argument.left(argument.indexOf(QLatin1Char('=')));
            hasAttached = true;
        }
        const auto value = [&]() {
            if (hasAttached)
                return attached;
            if (i + 1 >= arguments.size())
                throw TUsageError(QStringLiteral("option %1 needs a value").arg(argument));
            return arguments.at(++i);
        };
        const auto flag = [&]() {
            if (hasAttached)
                throw TUsageError(QStringLiteral("option %1 takes no value").arg(argument));
        };
        const auto number = [&]() {
            const QString text = value();
            bool ok = false;
            const int n = text.toInt(&ok);
            if (!ok || n < 0)
                throw TUsageError(QStringLiteral("option %1: expected a number of seconds, got %2").arg(argument, Quoted(text)));
            return n;
        };
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (verb.isEmpty()) {
                if (!Verbs.contains(argument))
                    throw TUsageError(QStringLiteral("unknown command %1 (see webcopy --help)").arg(Quoted(argument)));
                verb = argument;
            } else {
                operands << argument;
            }
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            flag();
            line.Action = TAction::Help;
            return line;
        } else if (argument == QLatin1String("--version")) {
            flag();
            line.Action = TAction::Version;
            return line;
        } else if (argument == QLatin1String("-o") || argument == QLatin1String("--output")) {
            options.OutputDir = value();
        } else if (argument == QLatin1String("--name")) {
            options.Name = value();
        } else if (argument == QLatin1String("--post")) {
            flag();
            options.Post = true;
        } else if (argument == QLatin1String("-u") || argument == QLatin1String("--user")) {
            const QString login = value();
            const qsizetype colon = login.indexOf(QLatin1Char(':'));
            options.HasUser = true;
            options.User = colon < 0 ? login : login.left(colon);
            options.Password = colon < 0 ? QString() : login.mid(colon + 1);
            request.AskPassword = colon < 0;
        } else if (argument == QLatin1String("--proxy")) {
            request.Settings.insert(QStringLiteral("Proxy"), value());
        } else if (argument == QLatin1String("--proxy-user")) {
            const QString login = value();
            const qsizetype colon = login.indexOf(QLatin1Char(':'));
            request.Settings.insert(QStringLiteral("ProxyUserID"), colon < 0 ? login : login.left(colon));
            request.Settings.insert(QStringLiteral("ProxyPassword"), colon < 0 ? QString() : login.mid(colon + 1));
        } else if (argument == QLatin1String("--timeout")) {
            request.Settings.insert(QStringLiteral("Timeout"), number());
        } else if (argument == QLatin1String("--ca-file")) {
            request.CaFile = value();
        } else if (argument == QLatin1String("--overwrite")) {
            flag();
            request.KeepExisting = false;
        } else if (argument == QLatin1String("--no-overwrite")) {
            flag();
            request.KeepExisting = true;
        } else if (argument == QLatin1String("--unique")) {
            flag();
            request.Settings.insert(QStringLiteral("CreateUniqueFilenames"), true);
        } else if (argument == QLatin1String("--newer")) {
            flag();
            options.NewerOnly = true;
        } else if (argument == QLatin1String("--passive")) {
            flag();
            request.Settings.insert(QStringLiteral("FTPPassive"), true);
        } else if (argument == QLatin1String("--log")) {
            request.LogFile = value();
        } else if (argument == QLatin1String("--json")) {
            flag();
            request.Json = true;
        } else {
            throw TUsageError(QStringLiteral("unknown option %1 (see webcopy --help)").arg(Quoted(argument)));
        }
    }
    if (verb.isEmpty())
        throw TUsageError(QStringLiteral("no command given (see webcopy --help)"));
    AddItems(verb, operands, options, request);
    for (QVariantMap& item : request.Items) {
        if (options.NewerOnly)
            item.insert(QStringLiteral("CopyNewerOnly"), true);
        if (!options.HasUser)
            continue;
        const bool ftp = item.value(QStringLiteral("Protocol")).toString().startsWith(QLatin1String("wpFtp"))
            || item.value(QStringLiteral("Protocol")).toString().startsWith(QLatin1String("wpMultiFtp"));
        item.insert(ftp ? QStringLiteral("FTPUserID") : QStringLiteral("HTTPUserID"), options.User);
        item.insert(ftp ? QStringLiteral("FTPPassword") : QStringLiteral("HTTPPassword"), options.Password);
        if (!ftp)
            item.insert(QStringLiteral("Authenticate"), QStringLiteral("waAuto"));
    }
    return line;
}

void TCommandLine::AddItems(const QString& verb, const QStringList& operands, const TOptions& options,
                            TRunRequest& request)
{
    const QStringList http = {QStringLiteral("http"), QStringLiteral("https")};
    const QStringList ftp = {QStringLiteral("ftp")};
    const auto single = [&](const QString& what) {
        if (!options.Name.isEmpty() && operands.size() > 1)
            throw TUsageError(QStringLiteral("%1: --name needs exactly one %2").arg(verb, what));
    };
    if (verb == QLatin1String("run")) {
        Expect(verb, operands, 1, 1, QStringLiteral("JOB.json"));
        JobFile::Load(operands.first(), request);
    } else if (verb == QLatin1String("get")) {
        Expect(verb, operands, 1, std::numeric_limits<qsizetype>::max(), QStringLiteral("URL..."));
        single(QStringLiteral("URL"));
        for (const QString& text : operands) {
            const QUrl url = CheckedUrl(verb, text, http);
            request.Items << QVariantMap{{QStringLiteral("Protocol"), QStringLiteral("wpHttp")},
                                        {QStringLiteral("URL"), url.toString(QUrl::FullyEncoded)},
                                        {QStringLiteral("TargetDir"), AbsoluteDir(options.OutputDir)},
                                        {QStringLiteral("TargetFilename"), options.Name}};
        }
    } else if (verb == QLatin1String("put")) {
        Expect(verb, operands, 2, 2, QStringLiteral("FILE URL"));
        const QUrl url = CheckedUrl(verb, operands.at(1), http);
        const QFileInfo file(operands.at(0));
        request.Items << QVariantMap{{QStringLiteral("Protocol"), QStringLiteral("wpHttpUpload")},
                                    {QStringLiteral("URL"), url.toString(QUrl::FullyEncoded)},
                                    {QStringLiteral("TargetDir"), AbsoluteDir(file.path())},
                                    {QStringLiteral("TargetFilename"), file.fileName()},
                                    {QStringLiteral("HTTPCommand"), options.Post ? QStringLiteral("hcPost") : QStringLiteral("hcPut")}};
    } else if (verb == QLatin1String("copy")) {
        Expect(verb, operands, 2, std::numeric_limits<qsizetype>::max(), QStringLiteral("SOURCE... DIR"));
        const QStringList sources = operands.mid(0, operands.size() - 1);
        if (!options.Name.isEmpty() && sources.size() > 1)
            throw TUsageError(QStringLiteral("copy: --name needs exactly one SOURCE"));
        for (const QString& source : sources) {
            request.Items << QVariantMap{{QStringLiteral("Protocol"), QStringLiteral("wpFile")},
                                        {QStringLiteral("URL"), QFileInfo(source).absoluteFilePath()},
                                        {QStringLiteral("TargetDir"), AbsoluteDir(operands.last())},
                                        {QStringLiteral("TargetFilename"), options.Name}};
        }
    } else if (verb == QLatin1String("ftp-get")) {
        Expect(verb, operands, 1, std::numeric_limits<qsizetype>::max(), QStringLiteral("ftp://HOST/PATH..."));
        single(QStringLiteral("URL"));
        for (const QString& text : operands) {
            const QUrl url = CheckedUrl(verb, text, ftp);
            const QString path = RemotePath(url);
            QVariantMap item = FtpItem(HasWildcard(url.fileName()) ? QStringLiteral("wpMultiFtp") : QStringLiteral("wpFtp"), url);
            item.insert(QStringLiteral("URL"), path);
            item.insert(QStringLiteral("TargetDir"), AbsoluteDir(options.OutputDir));
            item.insert(QStringLiteral("TargetFilename"), options.Name);
            request.Items << item;
        }
    } else if (verb == QLatin1String("ftp-put")) {
        Expect(verb, operands, 2, 2, QStringLiteral("FILE ftp://HOST/DIR/[NAME]"));
        const QUrl url = CheckedUrl(verb, operands.at(1), ftp);
        const QString path = RemotePath(url);
        const QFileInfo file(operands.at(0));
        const bool many = HasWildcard(file.fileName());
        QVariantMap item = FtpItem(many ? QStringLiteral("wpMultiFtpUpload") : QStringLiteral("wpFtpUpload"), url);
        item.insert(QStringLiteral("URL"), file.absoluteFilePath());
        const bool intoDir = path.endsWith(QLatin1Char('/'));
        item.insert(QStringLiteral("TargetDir"), intoDir ? path : path.left(path.lastIndexOf(QLatin1Char('/')) + 1));
        if (!intoDir) {
            if (many)
                throw TUsageError(QStringLiteral("ftp-put: several files go into a directory: end the URL with /"));
            item.insert(QStringLiteral("TargetFilename"), url.fileName(QUrl::FullyDecoded));
        }
        request.Items << item;
    } else {
        Expect(verb, operands, 1, 1, QStringLiteral("ftp://HOST/PATH"));
        const QUrl url = CheckedUrl(verb, operands.first(), ftp);
        const QString protocol = verb == QLatin1String("ftp-list") ? QStringLiteral("wpFtpList")
            : verb == QLatin1String("ftp-delete")                  ? QStringLiteral("wpFtpDelete")
                                                                   : QStringLiteral("wpFtpTest");
        QVariantMap item = FtpItem(protocol, url);
        QString path = RemotePath(url);
        // A directory is listed whole.
        if (verb == QLatin1String("ftp-list") && path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('*');
        item.insert(QStringLiteral("URL"), path);
        request.PrintListing = verb == QLatin1String("ftp-list");
        request.Items << item;
    }
}

QString TCommandLine::HelpText()
{
    return QStringLiteral(R"(Usage: webcopy COMMAND [OPTION...] ARGUMENT...

Copies files over HTTP(S), FTP and the file system with the Orvanta web copy engine.

Commands:
  get URL... [-o DIR] [--name NAME]   download over HTTP or HTTPS into DIR (default: .)
  put FILE URL [--post]               upload FILE by PUT (or POST)
  copy SOURCE... DIR                  copy files into DIR (local or smb:// paths)
  ftp-get ftp://HOST/PATH... [-o DIR] download; a * or ? in the name fetches every match
  ftp-put FILE ftp://HOST/DIR/[NAME]  upload; a * or ? in FILE sends every match into DIR/
  ftp-list ftp://HOST/DIR/            print the names in a directory
  ftp-delete ftp://HOST/PATH          delete a file
  ftp-test ftp://HOST                 log in and out
  run JOB.json                        run a job file: {"settings": {...}, "items": [{...}]}
                                      with the names of the component's settings and item fields

Options:
  -o, --output DIR        target directory
      --name NAME         target file name (one source only)
      --post              upload with POST instead of PUT
  -u, --user NAME[:PASSWORD]  login; without a password it is asked for on the terminal
      --proxy URL         proxy server; --proxy-user NAME[:PASSWORD] its login
      --timeout SECONDS   time-out of connects and stalled transfers (0: none)
      --ca-file FILE      also trust the certificate authorities in this PEM file
      --overwrite         replace an existing target (the default)
      --no-overwrite      keep an existing target and skip the item
      --unique            write under a new unique name when the target exists
      --newer             copy only when the source is newer than the target
      --passive           passive FTP
      --log FILE          append a transfer log to FILE
      --json              one JSON object per event on standard output
  -h, --help              this help
      --version           the version

Progress is shown on standard error when it is a terminal. Ctrl-C cancels: a file being
written is removed and an earlier file under the target name is left as it was.

Exit status:
  0  every item done (or skipped by a rule)
  1  an item failed
  2  bad usage: a wrong option, URL or job file; nothing was transferred
  3  cancelled
)");
}
