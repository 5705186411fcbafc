#pragma once

#include "webcopy/Transfer.h"

#include <QString>

class TFtpConnection;
struct TFtpEntry;

// A wpFtp item: one remote file, fetched by its exact name (never matched as a pattern) from the
// directory its URL names.
class TFtpDownload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;

    // Fetches one listed file from the connection's current directory into the item's target
    // directory as `localName`, after the date rule. `url` is what a failure names. A name from
    // a listing (`fromListing`) is neutralised first, so it never leaves the target directory.
    static TTransferResult Fetch(TCopyRun& run, TTransferJob& job, TFtpConnection& connection,
                                 const TFtpEntry& entry, const QString& url, const QString& localName,
                                 bool fromListing);
};
