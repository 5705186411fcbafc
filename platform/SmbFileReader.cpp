#include "platform/SmbFileReader.h"

#include <libsmbclient.h>

#include <cerrno>

#include <sys/stat.h>

TSmbFileReader::TSmbFileReader(SMBCCTX* context, SMBCFILE* file)
    : FContext(context)
    , FFile(file)
{
}

TSmbFileReader::~TSmbFileReader()
{
    smbc_getFunctionClose(FContext)(FContext, FFile);
}

bool TSmbFileReader::Status(TFileStatus& status)
{
    struct stat fileStatus {};
    if (smbc_getFunctionFstat(FContext)(FContext, FFile, &fileStatus) != 0) {
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
    const ssize_t count = smbc_getFunctionRead(FContext)(FContext, FFile, buffer, size_t(maxSize));
    if (count < 0)
        FReason = qt_error_string(errno);
    return count;
}
