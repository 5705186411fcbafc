#pragma once

#include <QString>
#include <QStringList>

// The engine's side of a paired case, run as a child process of the benchmark so that it is
// measured as the reference tools are: one TWebCopy run with the progress dialog shown, exit
// code 0 only when every item succeeded.
//
//   orvanta-bench --engine-run KIND SOURCE TARGET-DIR [--name TARGET-NAME] [--ca CA-FILE] [--auth FILE]
//                 [--ftp-mode active|passive] [--resume-retries N]
//
// KIND is one item of http (also https), file, ftp-download, ftp-upload or ftp-many (a wpMultiFtp
// item, SOURCE ending in a pattern), or http-list: one http item for each URL in the file SOURCE,
// one a line. FTP servers are named by URL: the SOURCE of a download ("ftp://127.0.0.1:PORT/path")
// or the TARGET-DIR of an upload. A TARGET-DIR on a share ("smb://...") is reached with the
// account of the --auth file, in smbclient's format ("username = ...", "password = ...").
// FTP data connections are passive unless --ftp-mode says active. --resume-retries turns on
// Resume with N retries (10 ms apart).
// On success it prints "transfer SECONDS": the run alone, from Execute to its end.
class TEngineRun {
public:
    static constexpr const char* TransferLinePrefix = "transfer";
    // The seconds of the "transfer" line in the output of a run, or -1 when there is none.
    static double TransferSeconds(const QString& output);
    static QString Flag() { return QStringLiteral("--engine-run"); }
    // The benchmark's own command line that runs the transfer, with options made by those below.
    static QStringList Arguments(const QString& kind, const QString& source, const QString& targetDir,
                                 const QStringList& options = {});
    // Each option, or nothing for an empty value.
    static QStringList TargetName(const QString& name);
    static QStringList CaFile(const QString& path);
    static QStringList AuthFile(const QString& path);
    static QStringList ActiveFtp();
    static QStringList ResumeWithRetries(int retries);
    // Runs the transfer that `arguments` (those after the flag) describe; the process's exit code.
    static int Run(const QStringList& arguments);
};
