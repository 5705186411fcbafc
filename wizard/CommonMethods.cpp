#include "wizard/CommonMethods.h"

#include "platform/Shell.h"
#include "platform/TempDirectory.h"

void OpenWebLink(const QString& Address)
{
    TShellStartRequest request;
    request.File = Address;
    // The handle of whatever the shell started is released at once; the result is not examined.
    ShellStart(request);
}

QString GetTempDirectory()
{
    return UserTempDirectory();
}
