#pragma once

#include "webcopy/Transfer.h"

// A wpMultiFtp item: every file that matches the pattern of its URL, from one listing of the
// directory the URL names. Each file is told on its own; the item sums them up.
class TMultiFtpDownload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
