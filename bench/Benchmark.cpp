#include "bench/Benchmark.h"

#include "bench/BenchSupport.h"
#include "bench/CancelLatency.h"
#include "bench/EngineRun.h"
#include "bench/PairedCase.h"
#include "bench/ProgressStepCost.h"
#include "bench/ResumeOverResets.h"
#include "tests/support/SelfSignedCertificate.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QUuid>

#include <cstdio>

namespace {

constexpr int CancelTries = 5;
const QString ServedName = QStringLiteral("big.bin");
// What the engine writes, beside the reference's output.
const QString EngineName = QStringLiteral("engine.bin");
// The small files, below the served directory.
const QString ManyDir = QStringLiteral("many");
// Before each ftp-many run: about as many closed connections as an idle machine has.
constexpr int ClosedConnectionsAtStart = 100;
constexpr int ClosedConnectionsWaitMs = 70000;

void Print(const QString& text)
{
    std::fputs(qPrintable(text), stdout);
    std::fflush(stdout);
}

QString MarkdownRow(const QStringList& cells)
{
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

} // namespace

TBenchmark::TBenchmark(const TBenchOptions& options)
    : FOptions(options)
    , FWork(options.Directory + QStringLiteral("/orvanta-bench-XXXXXX"))
{
}

int TBenchmark::Run()
{
    if (!Prepare()) {
        std::fprintf(stderr, "cannot make a %lld MiB source file in %s and keep it in memory (vmtouch)\n", static_cast<long long>(FOptions.SizeMiB),
                     qPrintable(FOptions.Directory));
        return 1;
    }
    Print(QStringLiteral("%1 MiB per transfer (%2 files of %3 KiB in one run for the *-many cases), %4 counted pairs "
                         "after a warm-up pair, dialogs shown (%5)\n\n")
              .arg(FOptions.SizeMiB)
              .arg(FOptions.Files)
              .arg(TManyFiles::FileSize / 1024)
              .arg(FOptions.Pairs)
              .arg(QGuiApplication::platformName()));
    bool allRan = true;
    for (const QString& name : FOptions.Cases)
        allRan = RunCase(name) && allRan;
    Print(QStringLiteral("\n") + MarkdownRow({QStringLiteral("case"), QStringLiteral("server"), QStringLiteral("reference"),
                                              QStringLiteral("engine"), QStringLiteral("reference/engine"),
                                              QStringLiteral("engine's transfer alone"), QStringLiteral("reference peak"),
                                              QStringLiteral("engine peak")})
          + MarkdownRow(QStringList(8, QStringLiteral("---"))));
    for (const QStringList& row : FSummary)
        Print(MarkdownRow(row));
    return allRan ? 0 : 1;
}

bool TBenchmark::Prepare()
{
    return FWork.isValid() && QDir().mkpath(Path(QStringLiteral("served/up"))) && QDir().mkpath(Path(QStringLiteral("out")))
        && MakeSourceFile(Served(), Size()) && FSourceInMemory.Lock(Served());
}

bool TBenchmark::RunCase(const QString& name)
{
    if (name == QLatin1String("http") || name == QLatin1String("https")) {
        if (!StartNginx(name))
            return false;
        const bool tls = name == QLatin1String("https");
        const quint16 port = tls ? FNginx->HttpsPort() : FNginx->HttpPort();
        TPairedCase download = Download(name, QStringLiteral("http"),
                                        QStringLiteral("%1://127.0.0.1:%2/%3").arg(name).arg(port).arg(ServedName),
                                        tls ? Path(QStringLiteral("nginx/cert.pem")) : QString());
        download.Server = TNginxServer::Version();
        return RunPaired(download);
    }
    if (name == QLatin1String("filecopy")) {
        TPairedCase copy = BigFileCase(name, QStringLiteral("local disk"), Path(QStringLiteral("out/cp.bin")));
        copy.Reference = {QStringLiteral("cp"), Served(), copy.ReferenceOutput};
        copy.Engine = TEngineRun::Arguments(QStringLiteral("file"), Served(), Path(QStringLiteral("out")), TEngineRun::TargetName(EngineName));
        return RunPaired(copy);
    }
    if (name == QLatin1String("smb-copy"))
        return RunSmbCopy();
    if (name == QLatin1String("http-many")) {
        if (!StartNginx(name) || !MakeManyFiles(name))
            return false;
        const QString baseUrl = QStringLiteral("http://127.0.0.1:%1/%2/").arg(FNginx->HttpPort()).arg(ManyDir);
        const QString urlList = Path(QStringLiteral("http-many.urls"));
        std::optional<TPairedCase> download = ManyFilesCase(name, TNginxServer::Version(), baseUrl);
        if (!download || !FManyFiles.WriteUrlList(urlList, baseUrl))
            return Fail(name, QStringLiteral("cannot write the lists of the files in ") + Path({}));
        download->Engine = TEngineRun::Arguments(QStringLiteral("http-list"), urlList, download->EngineOutput);
        return RunPaired(*download);
    }
    if (name.startsWith(QLatin1String("ftp-"))) {
        if (!StartVsftpd(name))
            return false;
        return RunFtp(name, QStringLiteral("ftp://127.0.0.1:%1/").arg(FVsftpdPort));
    }
    if (name == QLatin1String("cancel"))
        return RunCancel();
    if (name == QLatin1String("http-resume"))
        return RunResume();
    // The options let no other name through.
    return RunProgressStep();
}

bool TBenchmark::RunFtp(const QString& name, const QString& baseUrl)
{
    const QString server = QStringLiteral("vsftpd");
    if (name == QLatin1String("ftp-download")) {
        TPairedCase download = Download(name, name, baseUrl + ServedName);
        download.Server = server;
        return RunPaired(download);
    }
    if (name == QLatin1String("ftp-upload")) {
        TPairedCase upload = BigFileCase(name, server, Path(QStringLiteral("served/up/curl.bin")));
        upload.EngineOutput = Path(QStringLiteral("served/up/") + EngineName);
        upload.Reference = {QStringLiteral("curl"), QStringLiteral("-s"), QStringLiteral("-T"), Served(), baseUrl + QStringLiteral("up/curl.bin")};
        upload.Engine = TEngineRun::Arguments(name, Served(), baseUrl + QStringLiteral("up"), TEngineRun::TargetName(EngineName));
        return RunPaired(upload);
    }
    // ftp-many: one wpMultiFtp item, one listing, against curl's url/output pairs on one
    // connection. Both sides in active mode: the curl here, in passive mode, waits out a second
    // between the server's passive reply and its connect on many of the files, so that a run of
    // 2000 files overran two minutes; in active mode it has no such wait.
    if (!MakeManyFiles(name))
        return false;
    const QString manyUrl = baseUrl + ManyDir + QLatin1Char('/');
    std::optional<TPairedCase> download =
        ManyFilesCase(name, server + QStringLiteral(", active mode"), manyUrl, {QStringLiteral("-P"), QStringLiteral("127.0.0.1")});
    if (!download)
        return Fail(name, QStringLiteral("cannot write curl's configuration in ") + Path({}));
    download->Engine = TEngineRun::Arguments(name, manyUrl + TManyFiles::Pattern(), download->EngineOutput,
                                             TEngineRun::ActiveFtp());
    // Each run leaves a closed connection per file waiting out its minute, on the server's side
    // of the loopback; a few runs in a row made later runs of either side several times slower.
    // Each run starts as the first one did.
    download->Settle = [] {
        if (!WaitForClosedConnectionsToClear(ClosedConnectionsAtStart, ClosedConnectionsWaitMs))
            std::fprintf(stderr, "closed connections still waiting after %d s; timing anyway\n", ClosedConnectionsWaitMs / 1000);
    };
    return RunPaired(*download);
}

bool TBenchmark::RunSmbCopy()
{
    const QString name = QStringLiteral("smb-copy");
    const QString shareDir = Path(QStringLiteral("smb/share"));
    const QString targetDir = QStringLiteral("dir");
    if (!StartSmbd(name, shareDir) || !QDir(shareDir).mkpath(targetDir))
        return false;
    TPairedCase copy = BigFileCase(name, TSmbServer::Version(), QDir(shareDir).filePath(targetDir + QStringLiteral("/smbclient.bin")));
    copy.EngineOutput = QDir(shareDir).filePath(targetDir + QLatin1Char('/') + EngineName);
    const QString authFile = Path(QStringLiteral("smb/auth"));
    copy.Reference = {QStringLiteral("smbclient"), TSmbServer::ServiceName(), QStringLiteral("-p"), QString::number(FSmb->Port()),
                      QStringLiteral("-A"), authFile, QStringLiteral("-D"), targetDir, QStringLiteral("-c"),
                      QStringLiteral("put \"%1\" smbclient.bin").arg(Served())};
    copy.Engine = TEngineRun::Arguments(QStringLiteral("file"), Served(), FSmb->ShareUrl() + QLatin1Char('/') + targetDir,
                                        TEngineRun::TargetName(EngineName) + TEngineRun::AuthFile(authFile));
    return RunPaired(copy);
}

TPairedCase TBenchmark::BigFileCase(const QString& name, const QString& server, const QString& referenceOutput) const
{
    TPairedCase big;
    big.Name = name;
    big.Server = server;
    big.ReferenceOutput = referenceOutput;
    big.EngineOutput = Path(QStringLiteral("out/") + EngineName);
    big.ExpectedSize = Size();
    return big;
}

TPairedCase TBenchmark::Download(const QString& name, const QString& engineKind, const QString& url, const QString& caFile)
{
    TPairedCase download = BigFileCase(name, {}, Path(QStringLiteral("out/curl.bin")));
    download.Reference = {QStringLiteral("curl"), QStringLiteral("-s")};
    if (!caFile.isEmpty())
        download.Reference << QStringLiteral("--cacert") << caFile;
    download.Reference << QStringLiteral("-o") << download.ReferenceOutput << url;
    download.Engine = TEngineRun::Arguments(engineKind, url, Path(QStringLiteral("out")),
                                            TEngineRun::TargetName(EngineName) + TEngineRun::CaFile(caFile));
    return download;
}

std::optional<TPairedCase> TBenchmark::ManyFilesCase(const QString& name, const QString& server, const QString& baseUrl,
                                                      const QStringList& curlOptions) const
{
    TPairedCase download;
    download.Name = name;
    download.Server = server;
    download.ReferenceOutput = Path(QStringLiteral("out/curl-many"));
    download.EngineOutput = Path(QStringLiteral("out/engine-many"));
    download.ExpectedSize = FManyFiles.TotalSize();
    download.ExpectedFiles = FManyFiles.Count();
    const QString config = Path(name + QStringLiteral(".curl"));
    download.Reference = QStringList{QStringLiteral("curl"), QStringLiteral("-s")} + curlOptions + QStringList{QStringLiteral("-K"), config};
    if (!FManyFiles.WriteCurlConfig(config, baseUrl, download.ReferenceOutput))
        return std::nullopt;
    return download;
}

bool TBenchmark::RunPaired(TPairedCase& paired)
{
    paired.Engine.prepend(QCoreApplication::applicationFilePath());
    if (!paired.Measure(FOptions.Pairs, Path(QStringLiteral("time.txt")))) {
        Fail(paired.Name, paired.Failure());
        return false;
    }
    Print(paired.Report() + QLatin1Char('\n'));
    FSummary << paired.SummaryRow();
    return true;
}

bool TBenchmark::RunResume()
{
    const QString name = QStringLiteral("http-resume");
    if (!StartNginx(name))
        return false;
    const QString outputName = QStringLiteral("resume.bin");
    const QString output = Path(QStringLiteral("out/") + outputName);
    const QString url = QLatin1String(TResumeOverResets::UrlMark);
    const QStringList engine = QStringList{QCoreApplication::applicationFilePath()}
        + TEngineRun::Arguments(QStringLiteral("http"), url, Path(QStringLiteral("out")),
                                TEngineRun::TargetName(outputName) + TEngineRun::ResumeWithRetries(3));
    // curl keeps what arrived and -C - asks for the rest; the loop is its retries.
    const QStringList curl{QStringLiteral("sh"), QStringLiteral("-c"),
                           QStringLiteral("for i in 1 2 3 4; do curl -s -C - -o \"$1\" \"$2\" && exit 0; done; exit 1"),
                           QStringLiteral("sh"), output, url};
    TResumeOverResets resume(FNginx->HttpPort(), ServedName, Size(), output);
    if (!resume.Measure(engine, curl, FOptions.Pairs, Path(QStringLiteral("time.txt"))))
        return Fail(name, resume.Failure());
    Print(QStringLiteral("%1 (%2 through a relay that resets at 25, 50 and 75 %, medians of %3 runs):\n%4\n")
              .arg(name, TNginxServer::Version())
              .arg(FOptions.Pairs)
              .arg(resume.Report()));
    return true;
}

bool TBenchmark::RunCancel()
{
    TCancelLatency cancel;
    const QString servedDir = Path(QStringLiteral("served"));
    const QString targetDir = Path(QStringLiteral("out"));
    const std::vector<double> http = cancel.AgainstHttp(servedDir, ServedName, targetDir, CancelTries);
    const std::vector<double> ftp = http.empty() ? std::vector<double>() : cancel.AgainstFtp(servedDir, ServedName, targetDir, CancelTries);
    if (ftp.empty()) {
        Fail(QStringLiteral("cancel"), cancel.Message());
        return false;
    }
    const QStringList servers{QStringLiteral("http_server.py, stalled body"), QStringLiteral("pyftpdlib, stalled data connection")};
    const QList<std::vector<double>> latencies{http, ftp};
    for (int i = 0; i < 2; ++i) {
        Print(QStringLiteral("cancel (%1): median %2 ms from the click being due to the end of the run (%3) (aim < 100 ms)\n")
                  .arg(servers[i])
                  .arg(Median(latencies[i]), 0, 'f', 1)
                  .arg(Joined(latencies[i], 1)));
        FSummary << QStringList{QStringLiteral("cancel"), servers[i], QStringLiteral("-"),
                                QString::number(Median(latencies[i]), 'f', 1) + QStringLiteral(" ms"),
                                QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};
    }
    Print(QStringLiteral("\n"));
    return true;
}

bool TBenchmark::RunProgressStep()
{
    TProgressStepCost step;
    if (!step.Measure(FWork.path(), Size())) {
        Fail(QStringLiteral("progress-step"), QStringLiteral("the run that hosts it could not be made"));
        return false;
    }
    Print(QStringLiteral("progress-step: %1 ns per ShowProgress call over %2 calls (%3 MiB in 32 KiB steps, dialog "
                         "shown), %4 size lines differing from the exact text\n\n")
              .arg(step.NsPerCall(), 0, 'f', 0)
              .arg(step.Calls())
              .arg(FOptions.SizeMiB)
              .arg(step.WrongTexts()));
    FSummary << QStringList{QStringLiteral("progress-step"), QStringLiteral("-"), QStringLiteral("-"),
                            QStringLiteral("%1 ns per call, %2 wrong size lines").arg(step.NsPerCall(), 0, 'f', 0).arg(step.WrongTexts()),
                            QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};
    return step.WrongTexts() == 0;
}

bool TBenchmark::StartNginx(const QString& caseName)
{
    if (FNginx)
        return true;
    const QString dir = Path(QStringLiteral("nginx"));
    TSelfSignedCertificate certificate;
    if (!QDir().mkpath(dir) || !certificate.Make(dir)) {
        Fail(caseName, certificate.Message());
        return false;
    }
    auto nginx = std::make_unique<TNginxServer>();
    if (!nginx->Start(dir, Path(QStringLiteral("served")), certificate.CertificateFile(), certificate.KeyFile())) {
        Fail(caseName, nginx->Message());
        return false;
    }
    FNginx = std::move(nginx);
    return true;
}

bool TBenchmark::StartVsftpd(const QString& caseName)
{
    if (FVsftpd)
        return true;
    auto vsftpd = std::make_unique<TScriptServer>();
    FVsftpdPort = vsftpd->Start(QStringLiteral("ftp_server.py"), {QStringLiteral("--root"), Path(QStringLiteral("served")), QStringLiteral("--log"),
                                                                  QStringLiteral("/dev/null"), QStringLiteral("--vsftpd")});
    if (FVsftpdPort == 0) {
        Fail(caseName, vsftpd->Message());
        return false;
    }
    FVsftpd = std::move(vsftpd);
    return true;
}

bool TBenchmark::StartSmbd(const QString& caseName, const QString& shareDir)
{
    if (FSmb)
        return true;
    const QString stateDir = Path(QStringLiteral("smb/state"));
    if (!QDir().mkpath(stateDir) || !QDir().mkpath(shareDir))
        return Fail(caseName, QStringLiteral("cannot make %1 and %2").arg(stateDir, shareDir));
    // The one account of a server that lives as long as this run: smbclient and the engine read
    // it from the same file.
    const QString password = QUuid::createUuid().toString(QUuid::Id128);
    auto smb = std::make_unique<TSmbServer>();
    if (!smb->Start(stateDir, shareDir, password))
        return Fail(caseName, smb->Message());
    QFile auth(Path(QStringLiteral("smb/auth")));
    const QByteArray account = QStringLiteral("username = %1\npassword = %2\n").arg(smb->UserName(), password).toUtf8();
    if (!auth.open(QIODevice::WriteOnly) || auth.write(account) != account.size() || !auth.flush())
        return Fail(caseName, QStringLiteral("cannot write ") + auth.fileName());
    FSmb = std::move(smb);
    return true;
}

bool TBenchmark::MakeManyFiles(const QString& caseName)
{
    if (FManyFiles.Count() > 0)
        return true;
    const QString served = Path(QStringLiteral("served/") + ManyDir);
    if (!QDir().mkpath(served) || !QDir().mkpath(Path(QStringLiteral("out/curl-many")))
        || !QDir().mkpath(Path(QStringLiteral("out/engine-many"))) || !FManyFiles.Make(served, FOptions.Files)
        || !FManyInMemory.Lock(served))
        return Fail(caseName, QStringLiteral("cannot make %1 files in %2 and keep them in memory (vmtouch)").arg(FOptions.Files).arg(served));
    return true;
}

bool TBenchmark::Fail(const QString& name, const QString& why)
{
    std::fprintf(stderr, "%s failed: %s\n", qPrintable(name), qPrintable(why));
    FSummary << QStringList{name, QStringLiteral("failed"), QStringLiteral("-"), QStringLiteral("-"),
                            QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")};
    return false;
}

QString TBenchmark::Path(const QString& relative) const
{
    return FWork.filePath(relative);
}

QString TBenchmark::Served() const
{
    return Path(QStringLiteral("served/") + ServedName);
}

qint64 TBenchmark::Size() const
{
    return FOptions.SizeMiB << 20;
}
