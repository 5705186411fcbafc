#pragma once

#include "bench/BenchOptions.h"
#include "bench/CacheLock.h"
#include "bench/NginxServer.h"
#include "tests/support/ScriptServer.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class TPairedCase;

// The whole benchmark: makes the source file and the servers the chosen cases need in a work
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
    bool RunPaired(TPairedCase& paired);
    bool RunCancel();
    bool RunProgressStep();
    // Started once, by the first case that needs it; a failure is that case's.
    bool StartNginx(const QString& caseName);
    bool StartVsftpd(const QString& caseName);
    // A download by curl and by the engine's `engineKind` (see TEngineRun).
    TPairedCase Download(const QString& name, const QString& engineKind, const QString& url, const QString& caFile = {});
    void Fail(const QString& name, const QString& why);
    QString Path(const QString& relative) const;
    QString Served() const;
    qint64 Size() const;

    const TBenchOptions FOptions;
    // Declared first so that it goes last, after the servers that use it.
    QTemporaryDir FWork;
    TCacheLock FSourceInMemory;
    std::unique_ptr<TNginxServer> FNginx;
    std::unique_ptr<TScriptServer> FVsftpd;
    quint16 FVsftpdPort = 0;
    QList<QStringList> FSummary;
};
