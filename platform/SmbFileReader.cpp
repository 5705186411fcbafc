#include "platform/SmbFileReader.h"

#include "platform/SmbClientLibrary.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

TSmbFileReader::TSmbFileReader(SMBCCTX* context, SMBCFILE* file)
    : FContext(context)
    , FFile(file)
{
}

TSmbFileReader::~TSmbFileReader()
{
    SmbClient().GetFunctionClose(FContext)(FContext, FFile);
}

bool TSmbFileReader::Status(TFileStatus& status)
{
    struct stat fileStatus {};
    if (SmbClient().GetFunctionFstat(FContext)(FContext, FFile, &fileStatus) != 0) {
        FReason = qt_error_string(errno);
        return false;
    }
    status.Size = fileStatus.st_size;
    status.LastWriteSecs = fileStatus.st_mtim.tv_sec;
    status.LastWriteNsec = int(fileStatus.st_mtim.tv_nsec);
    return true;
}

qint64 TSmbFileReader::Read(char* buffer, qint64 maxSize)
{
    if (maxSize <= 0)
        return 0;
    if (FStart == FEnd) {
        if (!FData)
            FData = std::make_unique_for_overwrite<char[]>(size_t(ReadAheadSize));
        const ssize_t count = SmbClient().GetFunctionRead(FContext)(FContext, FFile, FData.get(), size_t(ReadAheadSize));
        if (count < 0) {
            FReason = qt_error_string(errno);
            return -1;
        }
        FStart = 0;
        FEnd = count;
    }
    const qint64 count = std::min(maxSize, FEnd - FStart);
    std::memcpy(buffer, FData.get() + FStart, size_t(count));
    FStart += count;
    return count;
}
