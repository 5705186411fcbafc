#pragma once

#include "webcopy/Transfer.h"

// A wpHttpUpload item: a local file sent by POST or PUT, its length announced and never exceeded.
class THttpUpload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;
};
