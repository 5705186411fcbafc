#pragma once

#include "bench/BenchOptions.h"
#include "bench/CacheLock.h"
#include "bench/ManyFiles.h"
#include "tests/support/NginxServer.h"
#include "bench/PairedCase.h"
#include "bench/SmbServer.h"
#include "tests/support/ScriptServer.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// The whole benchmark: makes the source files and the servers the chosen cases need in a work
// directory of its own, runs the cases, prints each one's report and a summary table of all,
// and leaves nothing behind: the servers it started are stopped and the directory is removed.
class TBenchmark {
public:
    explicit TBenchmark(const TBenchOptions& options);
    // The process's exit code: 0 when every case ran.
    int Run();

private:
    bool Prepare();
    bool RunCase(const QString& name);
    // The ftp-* cases against vsftpd at `baseUrl` ("ftp://127.0.0.1:PORT/").
    bool RunFtp(const QString& name, const QString& baseUrl);
    bool RunSmbCopy();
    bool RunPaired(TPairedCase& paired);
    bool RunCancel();
    bool RunResume();
    bool RunProgressStep();
    // Started or made once, by the first case that needs it; a failure is that case's.
    bool StartNginx(const QString& caseName);
    bool StartVsftpd(const QString& caseName);
    bool StartSmbd(const QString& caseName, const QString& shareDir);
    bool MakeManyFiles(const QString& caseName);
    // A case that moves the big source file; the engine writes out/engine.bin unless told otherwise.
    TPairedCase BigFileCase(const QString& name, const QString& server, const QString& referenceOutput) const;
    // A download by curl and by the engine's `engineKind` (see TEngineRun).
    TPairedCase Download(const QString& name, const QString& engineKind, const QString& url, const QString& caFile = {});
    // The many small files from `baseUrl` (ending in a slash), curl's side done: one command with a
    // url/output pair for each file. Nothing when curl's configuration could not be written.
    std::optional<TPairedCase> ManyFilesCase(const QString& name, const QString& server, const QString& baseUrl,
                                             const QStringList& curlOptions = {}) const;
    // Tells why the case failed and gives false.
    bool Fail(const QString& name, const QString& why);
    QString Path(const QString& relative) const;
    QString Served() const;
    qint64 Size() const;

    const TBenchOptions FOptions;
    // Declared first so that it goes last, after the servers that use it.
    QTemporaryDir FWork;
    TCacheLock FSourceInMemory;
    TManyFiles FManyFiles;
    TCacheLock FManyInMemory;
    std::unique_ptr<TNginxServer> FNginx;
    std::unique_ptr<TScriptServer> FVsftpd;
    std::unique_ptr<TSmbServer> FSmb;
    quint16 FVsftpdPort = 0;
    QList<QStringList> FSummary;
};
