#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A download that the network breaks three times: nginx behind a relay that resets each of the
// first three connections after a quarter of the file (so at 25 %, 50 % and 75 % for a client
// that continues), against the same download through the same relay unbroken. The engine with
// Resume and three retries beside curl in a loop of up to four `curl -C -` runs (curl's own
// --retry does not take a reset for transient, and its waits are whole seconds). Each run gets a
// fresh relay; its bytes to the client are counted.
class TResumeOverResets {
public:
    // `engine` and `curl` are the commands, with UrlMark where the relay's URL goes; `output`
    // is where both write, one after the other.
    static constexpr const char* UrlMark = "%URL%";
    TResumeOverResets(quint16 upstreamPort, const QString& path, qint64 size, const QString& output);
    bool Measure(const QStringList& engine, const QStringList& curl, int runs, const QString& reportFile);
    QString Failure() const { return FFailure; }
    QString Report() const;

private:
    struct TSide {
        std::vector<double> Seconds;
        std::vector<double> WireRatio;  // bytes over the wire / file size
    };
    bool RunOnce(const QStringList& command, int breaks, const QString& reportFile, TSide& side);

    quint16 FUpstreamPort;
    QString FPath;
    qint64 FSize;
    QString FOutput;
    TSide FEngineBroken, FEngineWhole, FCurlBroken, FCurlWhole;
    QString FFailure;
};
