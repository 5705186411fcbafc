#include "webcopy/FtpTest.h"

#include "webcopy/CopyRun.h"
#include "webcopy/WebCopy.h"

TTransferResult TFtpTest::Run(TCopyRun& run, TTransferJob& job)
{
    const TWebCopyItem& item = job.Item;
    run.ProcessEvents();
    std::unique_ptr<TFtpConnection> own;
    // A kept connection that matches is taken and ended: the next item logs in anew.
    if (!run.Ftp().Connect(item.FTPHost, item.FTPPort, item.FTPUserID, item.FTPPassword, false, true, own))
        return run.Ftp().ConnectFailed(item.FTPHost);
    run.Ftp().Leave(own, false);
    return TTransferResult::Done();
}
