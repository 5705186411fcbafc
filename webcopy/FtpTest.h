#pragma once

#include "webcopy/Transfer.h"

// A wpFtpTest item: a login to the server, and nothing else.
class TFtpTest : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
