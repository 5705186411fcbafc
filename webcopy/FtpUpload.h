#pragma once

#include "webcopy/Transfer.h"

#include <QString>

class TFtpConnection;

// A wpFtpUpload item: one local file sent into the remote directory (created when missing)
// under a temporary name of its own, renamed over the target once the server has it all.
class TFtpUpload : public TTransfer {
public:
    TTransferResult Run(TCopyRun& run, TTransferJob& job) override;

    // Enters the remote directory as a whole, or else part by part from where the connection
    // is, creating missing parts; a failure is an error that names the directory.
    static TTransferResult EnterOrCreate(TCopyRun& run, TFtpConnection& connection, const QString& remoteDir,
                                         bool keepConnection);
    // The rules for an existing remote file, then the file itself, over a connection that is in
    // the remote directory.
    static TTransferResult Upload(TCopyRun& run, TTransferJob& job, TFtpConnection& connection, const QString& source,
                                  const QString& remoteName);

private:
    static TTransferResult Send(TCopyRun& run, TFtpConnection& connection, const QString& source,
                                const QString& remoteName);
};
