#pragma once

#include "webcopy/Transfer.h"

// A wpFtpList item: the names and details of the remote files that match the pattern of its
// URL, kept on the item (FileList, FileDetails).
class TFtpList : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
