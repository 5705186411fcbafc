#include "webcopy/TargetFolder.h"

#include "platform/AtomicFileWriter.h"
#include "platform/LocalFiles.h"
#include "platform/SmbFileWriter.h"
#include "webcopy/PathHelpers.h"

bool TTargetFolder::Open(const QString& targetDir, const QString& userName, const QString& password, int timeoutMs)
{
    FOnShare = TSmbShare::LooksLikeSharePath(targetDir);
    if (!FOnShare)
        return true;
    QString share, inShare;
    // Connect names the fault of a malformed one.
    if (!TSmbShare::SplitSharePath(targetDir, share, inShare))
        share = targetDir;
    FShare.SetTimeoutMs(timeoutMs);
    if (FShare.Connect(share, userName, password))
        return true;
    FReason = FShare.ErrorString();
    return false;
}

bool TTargetFolder::Close()
{
    if (!FOnShare || FShare.Disconnect())
        return true;
    FReason = FShare.ErrorString();
    return false;
}

QString TTargetFolder::InShare(const QString& path) const
{
    QString share, inShare;
    TSmbShare::SplitSharePath(path, share, inShare);
    return inShare;
}

bool TTargetFolder::Exists(const QString& path)
{
    return FOnShare ? FShare.FileExists(InShare(path)) : FileExists(path);
}

void TTargetFolder::MakeParentDirectories(const QString& path)
{
    if (!FOnShare) {
        MakeDirectories(ParentDirectory(path));
        return;
    }
    const QString inShare = InShare(path);
    const qsizetype slash = inShare.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        FShare.CreateDirectories(inShare.left(slash));
}

int TTargetFolder::MaxFileNameBytes(const QString& dir) const
{
    // A share does not say; its server's file system takes the common limit.
    return FOnShare ? DefaultFileNameMaxBytes : ::MaxFileNameBytes(dir);
}

std::unique_ptr<TFileWriter> TTargetFolder::CreateWriter(const QString& path, bool resumable,
                                                        TStaleTemporaries& leftovers)
{
    if (FOnShare) {
        auto writer = std::make_unique<TSmbFileWriter>();
        if (writer->Open(FShare, InShare(path)))
            return writer;
        FReason = writer->Reason();
        return nullptr;
    }
    auto writer = std::make_unique<TAtomicFileWriter>();
    if (resumable ? writer->OpenResumable(path, &leftovers) : writer->Open(path, &leftovers))
        return writer;
    FReason = writer->Reason();
    return nullptr;
}
