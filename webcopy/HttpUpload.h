#pragma once

#include "webcopy/Transfer.h"

#include <optional>

class TWebCopyItem;

// A wpHttpUpload item: a local file sent by POST or PUT, its length announced and never exceeded.
// A proxy that wants a login is asked for one as downloads ask, and the file is sent again.
class THttpUpload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;

private:
    // One sending of the file; nothing when a proxy asked for a login and was given one.
    static std::optional<TTransferResult> Attempt(TCopyRun& run, const TWebCopyItem& item, const QString& localPath);
};
