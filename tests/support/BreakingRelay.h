#pragma once

#include "tests/support/ScriptServer.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QTemporaryDir>

// tests/servers/break_relay.py: a relay on 127.0.0.1 in front of a local server that resets the
// first `breaks` connections once `breakAfter` bytes of the answer have gone through each, the
// way a dropped network does. Holding, a breaking connection waits at that point for ResetHeld(), so
// the client can take in everything that passed first. Stopped when it goes.
class TBreakingRelay {
public:
    // The relay's port, or 0 (Message() says why).
    quint16 Start(quint16 upstreamPort, int breaks, qint64 breakAfter, bool holding = false);
    void ResetHeld();
    QString Message() const { return FServer.Message(); }
    // One object per connection that has ended, oldest first: "head" (the request as sent),
    // "down" (bytes relayed to the client), "reset".
    QList<QJsonObject> Connections() const;
    // Bytes relayed to the client over all connections that have ended.
    qint64 BytesDown() const;
    void Stop() { FServer.Stop(); }

private:
    QTemporaryDir FLogDir;
    TScriptServer FServer;
};
