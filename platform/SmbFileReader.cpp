#include "platform/SmbFileReader.h"

#include "platform/SmbClientLibrary.h"

#include <cerrno>

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
    const ssize_t count = SmbClient().GetFunctionRead(FContext)(FContext, FFile, buffer, size_t(maxSize));
    if (count < 0)
        FReason = qt_error_string(errno);
    return count;
}
