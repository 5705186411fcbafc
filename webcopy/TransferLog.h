#pragma once

#include <QString>

#include <memory>

class QFile;

// The transfer log of a run: one time-stamped line per call, appended to the file named by the
// component's LogfileName (never truncated). The file is opened at the first line and stays
// open until the run ends. A log that cannot be opened or written is given up for the run: a
// transfer never fails because of its log.
class TTransferLog {
public:
    explicit TTransferLog(const QString& fileName);
    ~TTransferLog();

    bool Enabled() const { return !FFileName.isEmpty() && !FGivenUp; }
    void Write(const QString& message);

private:
    QString FFileName;
    std::unique_ptr<QFile> FFile;
    bool FGivenUp = false;
};
