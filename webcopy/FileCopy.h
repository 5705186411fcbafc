#pragma once

#include "webcopy/Transfer.h"

// A wpFile item: a file copied from the local file system or from a network share into a local
// folder or one on a share.
class TFileCopy : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
