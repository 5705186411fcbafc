#include "platform/SmbFileWriter.h"

#include "platform/SmbShare.h"
#include "platform/TemporaryNames.h"

#include "platform/SmbClientLibrary.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr int CreateAttempts = 100;
// Servers count a name's length in UTF-16 units, usually up to 255; bytes are never fewer.
constexpr int MaxNameBytes = 255;

} // namespace

TSmbFileWriter::TSmbFileWriter() = default;

TSmbFileWriter::~TSmbFileWriter()
{
    Discard();
}

bool TSmbFileWriter::Open(TSmbShare& share, const QString& relativePath)
{
    Discard();
    FShare = &share;
    FTargetPath = relativePath;
    FError = 0;
    FErrorString.clear();
    FReason.clear();
    if (!share.IsConnected())
        return Fail(ENOTCONN, QStringLiteral("Not connected to a network share to write"));

    QStringList segments = TSmbShare::Segments(relativePath);
    if (!TSmbShare::ArePlainSegments(segments))
        return Fail(EINVAL, QStringLiteral("Not a path on a network share:"));
    FTargetUrl = share.Url(segments);
    quint32 mode = 0;
    if (segments.isEmpty() || (share.StatMode(FTargetUrl, mode) == 0 && S_ISDIR(mode)))
        return Fail(EISDIR, QStringLiteral("Cannot write a file over the directory"));

    FStem = TemporaryNameStem(segments.takeLast().toUtf8(), MaxNameBytes);
    FDirectory = segments;
    SMBCCTX* context = share.FContext;
    for (int attempt = 0; attempt < CreateAttempts && !FFile; ++attempt) {
        const QStringList temporary = NewTemporarySegments();
        const QByteArray url = share.Url(temporary);
        FFile = SmbClient().GetFunctionOpen(context)(context, url.constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (FFile) {
            FTemporaryUrl = url;
            FTemporaryPath = temporary.join(QLatin1Char('/'));
        } else if (errno != EEXIST) {
            return Fail(errno, QStringLiteral("Cannot create a temporary file in the directory of"));
        }
    }
    if (!FFile)
        return Fail(EEXIST, QStringLiteral("Cannot create a temporary file in the directory of"));
    FBuffer.Clear();
    return true;
}

QStringList TSmbFileWriter::NewTemporarySegments() const
{
    return FDirectory + QStringList{QString::fromUtf8(NewTemporaryName(FStem))};
}

bool TSmbFileWriter::Write(const char* data, qint64 size)
{
    if (!FFile || FError != 0)
        return false;
    return FBuffer.Write(data, size, [this](const char* block, qint64 count) { return WriteAll(block, count); });
}

bool TSmbFileWriter::Finish()
{
    if (FFinished)
        return true;
    if (!FFile)
        return false;
    if (FError != 0 || !FBuffer.Flush([this](const char* block, qint64 count) { return WriteAll(block, count); })) {
        Discard();
        return false;
    }
    SMBCCTX* context = FShare->FContext;
    // Closing is where the server may report a write it had deferred.
    if (SmbClient().GetFunctionClose(context)(context, std::exchange(FFile, nullptr)) != 0) {
        const int error = errno;
        Discard();
        return Fail(error, QStringLiteral("Cannot write"));
    }
    FFinished = true;
    return true;
}

bool TSmbFileWriter::Rename(const QByteArray& from, const QByteArray& to) const
{
    SMBCCTX* context = FShare->FContext;
    return SmbClient().GetFunctionRename(context)(context, from.constData(), context, to.constData()) == 0;
}

void TSmbFileWriter::Committed()
{
    FFinished = false;
    FTemporaryUrl.clear();
    FTemporaryPath.clear();
}

bool TSmbFileWriter::Commit()
{
    if (!Finish())
        return false;
    // The client library replaces a file by removing it and renaming: should that rename fail,
    // the old file would be lost. Moved aside first, it can come back instead.
    quint32 mode = 0;
    const QByteArray aside =
        FShare->StatMode(FTargetUrl, mode) == 0 ? FShare->Url(NewTemporarySegments()) : QByteArray();
    if ((!aside.isEmpty() && !Rename(FTargetUrl, aside)) || !Rename(FTemporaryUrl, FTargetUrl)) {
        const int error = errno;
        if (!aside.isEmpty())
            Rename(aside, FTargetUrl);
        Discard();
        return Fail(error, QStringLiteral("Cannot replace"));
    }
    if (!aside.isEmpty())
        SmbClient().GetFunctionUnlink(FShare->FContext)(FShare->FContext, aside.constData());
    Committed();
    return true;
}

bool TSmbFileWriter::CommitNoReplace(const QString& otherTargetPath)
{
    if (!Finish())
        return false;
    if (!otherTargetPath.isEmpty()) {
        const QStringList segments = TSmbShare::Segments(otherTargetPath);
        if (segments.isEmpty() || !TSmbShare::ArePlainSegments(segments))
            return Fail(EINVAL, QStringLiteral("Not a path on a network share:"));
        FTargetPath = otherTargetPath;
        FTargetUrl = FShare->Url(segments);
    }
    // The client library has no rename that refuses to replace. Created exclusively, an empty
    // file claims the name on the server; the rename then replaces nothing but that claim.
    SMBCCTX* context = FShare->FContext;
    SMBCFILE* const claim =
        SmbClient().GetFunctionOpen(context)(context, FTargetUrl.constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (!claim) {
        const int error = errno;
        if (error == EEXIST)
            return Fail(error, QStringLiteral("Cannot commit without replacing"));
        Discard();
        return Fail(error, QStringLiteral("Cannot create"));
    }
    SmbClient().GetFunctionClose(context)(context, claim);
    if (!Rename(FTemporaryUrl, FTargetUrl)) {
        const int error = errno;
        SmbClient().GetFunctionUnlink(context)(context, FTargetUrl.constData());
        Discard();
        return Fail(error, QStringLiteral("Cannot create"));
    }
    Committed();
    return true;
}

void TSmbFileWriter::Discard()
{
    // A share that disconnected has closed the file already; its temporary file stays there.
    SMBCCTX* context = FShare ? FShare->FContext : nullptr;
    if (FFile && context)
        SmbClient().GetFunctionClose(context)(context, FFile);
    if (!FTemporaryUrl.isEmpty() && context)
        SmbClient().GetFunctionUnlink(context)(context, FTemporaryUrl.constData());
    FFile = nullptr;
    FFinished = false;
    FTemporaryUrl.clear();
    FTemporaryPath.clear();
    FBuffer.Clear();
}

bool TSmbFileWriter::WriteAll(const char* data, qint64 size)
{
    SMBCCTX* context = FShare->FContext;
    const int error = TWriteBuffer::WriteFully(data, size, [this, context](const char* block, size_t count) {
        return SmbClient().GetFunctionWrite(context)(context, FFile, block, count);
    });
    return error == 0 || Fail(error, QStringLiteral("Cannot write"));
}

bool TSmbFileWriter::Fail(int error, const QString& what)
{
    FError = error;
    FReason = qt_error_string(error);
    FErrorString = what + QLatin1Char(' ') + FTargetPath + QStringLiteral(": ") + FReason;
    return false;
}
