#pragma once

#include "webcopy/Transfer.h"

// A wpMultiFtpUpload item: every local file that matches the pattern of its URL, sent into the
// remote directory over one login. Each file is told on its own; the item sums them up.
class TMultiFtpUpload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
