#pragma once

#include "webcopy/Transfer.h"

#include <QString>

#include <memory>

class THttpRequest;
class TTargetFolder;

// A wpHttp item: an HTTP or HTTPS URL fetched into a local file (or one on a share), with the
// login prompt when the server asks and the date rule on the server's Last-Modified.
class THttpDownload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;

    // An answer of 300 or more: the server's status, or the proxy's when the proxy answered.
    static TTransferResult StatusFailure(const THttpRequest& request);

private:
    // Asks until the server answers with success; null with the failure in `failure`.
    std::unique_ptr<THttpRequest> Request(TCopyRun& run, const TTransferJob& job, TTransferResult& failure);
    TTransferResult Receive(TCopyRun& run, TTransferJob& job, std::unique_ptr<THttpRequest>& request);
    TTransferResult Write(TCopyRun& run, const TTransferJob& job, THttpRequest& request, TTargetFolder& folder);
};
