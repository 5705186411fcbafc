#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A server script of tests/servers for as long as a benchmark runs: it reports "PORT <n>" first
// and stops when its standard input ends.
class TBenchServer {
public:
    TBenchServer() = default;
    ~TBenchServer();
    TBenchServer(const TBenchServer&) = delete;
    TBenchServer& operator=(const TBenchServer&) = delete;

    bool Start(const QString& script, const QStringList& arguments);
    int Port() const { return FPort; }

private:
    QProcess FProcess;
    int FPort = 0;
};
