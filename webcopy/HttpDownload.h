#pragma once

#include "webcopy/ResumeIdentity.h"
#include "webcopy/Transfer.h"

#include <QString>

#include <memory>

class TFileWriter;
class THttpRequest;
class TTargetFolder;

// A wpHttp item: an HTTP or HTTPS URL fetched into a local file (or one on a share), with the
// login prompt when the server asks and the date rule on the server's Last-Modified. With the
// component's Resume, a local target is written through its kept partial file: a kept part that
// describes the server's file is continued with Range and If-Range, anything else starts over.
class THttpDownload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;

    // An answer of 300 or more: the server's status, or the proxy's when the proxy answered.
    static TTransferResult StatusFailure(const THttpRequest& request);

private:
    // The kept part for the item's target, when Resume is on and it can be continued.
    static TKeptPart FindKeptPart(const TCopyRun& run, const TWebCopyItem& item);
    // The server's file as this answer describes it.
    static TResumeIdentity AnswerIdentity(const THttpRequest& request, const QString& itemUrl);
    // A 206 that continues exactly the kept part the writer holds.
    bool ContinuesKeptPart(const THttpRequest& request, const TFileWriter& writer) const;

    // Asks until the server answers with success; null with the failure in `failure`. With a kept
    // part, only the rest is asked for; a 416 asks again for the whole file.
    std::unique_ptr<THttpRequest> Request(TCopyRun& run, const TTransferJob& job, TTransferResult& failure);
    TTransferResult Receive(TCopyRun& run, TTransferJob& job, std::unique_ptr<THttpRequest>& request);
    TTransferResult Write(TCopyRun& run, const TTransferJob& job, THttpRequest& request, TTargetFolder& folder);

    TKeptPart FKept;
    // The answer to a request for the rest did not continue the kept part: the whole file is needed.
    bool FWholeNeeded = false;
};
