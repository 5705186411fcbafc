#pragma once

#include "webcopy/WebCopyTypes.h"

#include <QString>

class TWebCopyItem;

// What the wizard tells the user when the setup program could not be downloaded: what happened,
// in plain words, from the engine's result for the item, with the engine's own words as a
// detail line.
struct TDownloadFailure {
    TTransferCause Cause = TTransferCause::None;  // what happened, as the engine tells it
    int ErrorCode = 0;       // the item's error number (OnError's code or the client's number)
    int HttpStatus = 0;
    QString Reason;          // the engine's reason
    QString Host;            // the download server
    QString TargetDir;       // where the setup program was to be written
    qint64 Received = 0;     // bytes that had arrived when it ended
    qint64 Expected = 0;     // bytes announced, 0 when unknown
    int Attempts = 1;        // how often the engine tried
    qint64 KeptBytes = 0;    // kept for the next Download to continue

    static TDownloadFailure OfItem(const TWebCopyItem& item, const QString& host);

    // True when the server could not be reached at all: then the wizard's own connect-error
    // text says it best.
    bool ServerUnreachable() const;
    // The proxy, not the server, is what failed.
    bool AboutProxy() const;
    QString Text() const;
};
