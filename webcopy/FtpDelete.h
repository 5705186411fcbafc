#pragma once

#include "webcopy/Transfer.h"

// A wpFtpDelete item: one remote file removed. The file is the one that the item's URL and
// TargetDir name together: TargetDir is the remote directory, and without one the URL's own
// directory is; a directory that cannot be entered deletes nothing.
class TFtpDelete : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
