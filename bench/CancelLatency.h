#pragma once

#include <QString>

#include <functional>

#include <vector>

class TScriptServer;
class TWebCopy;

// How fast Cancel acts while a server stalls, measured in this process: the dialog's Cancel is
// clicked 300 ms after the first progress step, and the time from the click being due to the end
// of the run counts (how late the click is handled plus how long the run takes to stop).
class TCancelLatency {
public:
    // Milliseconds of each try against tests/servers/http_server.py's stalled body; empty when
    // the server did not start, a run ended before its click or did not end within 30 s (its
    // server is then stopped); Message() says which.
    std::vector<double> AgainstHttp(const QString& servedDir, const QString& servedName, const QString& targetDir, int tries);
    // The same against ftp_server.py --stall, whose data connection stalls after its first block.
    std::vector<double> AgainstFtp(const QString& servedDir, const QString& servedName, const QString& targetDir, int tries);
    QString Message() const { return FMessage; }

private:
    // The time of each try, with a component that `prepare` sets up afresh for it; empty on the
    // first failed try.
    std::vector<double> Tries(int tries, TScriptServer& server, const std::function<void(TWebCopy&)>& prepare);
    // One try; -1 when it failed.
    double LatencyMs(TWebCopy& webCopy, TScriptServer& server);

    QString FMessage;
};
