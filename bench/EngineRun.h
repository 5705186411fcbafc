#pragma once

#include <QString>
#include <QStringList>

// The engine's side of a paired case, run as a child process of the benchmark so that it is
// measured as the reference tools are: one transfer with the progress dialog shown, exit code 0
// only when it succeeded.
//
//   orvanta-bench --engine-run KIND SOURCE TARGET-DIR TARGET-NAME [CA-FILE]
//
// KIND is http (also https), file, ftp-download or ftp-upload. FTP servers are named by URL:
// the SOURCE of a download ("ftp://127.0.0.1:PORT/path") or the TARGET-DIR of an upload.
// On success it prints "transfer SECONDS": the run alone, from Execute to its end.
class TEngineRun {
public:
    static constexpr const char* TransferLinePrefix = "transfer";
    // The seconds of the "transfer" line in the output of a run, or -1 when there is none.
    static double TransferSeconds(const QString& output);
    static QString Flag() { return QStringLiteral("--engine-run"); }
    // The benchmark's own command line that runs one transfer.
    static QStringList Arguments(const QString& kind, const QString& source, const QString& targetDir,
                                 const QString& targetName, const QString& caFile = {});
    // Runs the transfer that `arguments` (those after the flag) describe; the process's exit code.
    static int Run(const QStringList& arguments);
};
