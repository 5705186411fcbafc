#pragma once

#include "webcopy/DateTime.h"
#include "webcopy/TransferResult.h"

#include <memory>

class TCopyRun;
class TWebCopyItem;

// One item of a run as a transfer sees it: where it stands in the list, its settings, and the
// date and no-new-version values that the run writes back into the item afterwards.
struct TTransferJob {
    int Index = 0;
    TWebCopyItem& Item;
    TDateTime FileDate = 0;
    bool NoNewVersion = false;
};

// One kind of item (HTTP download, FTP upload, file copy, ...). A transfer takes everything it
// needs from the run (session, cancel state, progress, rules, target folder, log, kept FTP
// connection) and ends in one result, which the run turns into the documented events.
class TTransfer {
public:
    virtual ~TTransfer() = default;
    virtual TTransferResult Run(TCopyRun& run, TTransferJob& job) = 0;

    // The transfer for an item of the given kind; null for a kind this build does not have.
    static std::unique_ptr<TTransfer> ForProtocol(int protocol);
};
