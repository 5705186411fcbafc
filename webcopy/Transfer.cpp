#include "webcopy/Transfer.h"

#include "webcopy/FileCopy.h"
#include "webcopy/FtpDelete.h"
#include "webcopy/FtpDownload.h"
#include "webcopy/FtpList.h"
#include "webcopy/FtpTest.h"
#include "webcopy/FtpUpload.h"
#include "webcopy/HttpDownload.h"
#include "webcopy/HttpUpload.h"
#include "webcopy/MultiFtpDownload.h"
#include "webcopy/MultiFtpUpload.h"
#include "webcopy/WebCopyTypes.h"

std::unique_ptr<TTransfer> TTransfer::ForProtocol(int protocol)
{
    switch (protocol) {
    case wpHttp:
        return std::make_unique<THttpDownload>();
    case wpHttpUpload:
        return std::make_unique<THttpUpload>();
    case wpFile:
        return std::make_unique<TFileCopy>();
    case wpFtp:
        return std::make_unique<TFtpDownload>();
    case wpMultiFtp:
        return std::make_unique<TMultiFtpDownload>();
    case wpFtpUpload:
        return std::make_unique<TFtpUpload>();
    case wpMultiFtpUpload:
        return std::make_unique<TMultiFtpUpload>();
    case wpFtpList:
        return std::make_unique<TFtpList>();
    case wpFtpDelete:
        return std::make_unique<TFtpDelete>();
    case wpFtpTest:
        return std::make_unique<TFtpTest>();
    default:
        return nullptr;
    }
}
