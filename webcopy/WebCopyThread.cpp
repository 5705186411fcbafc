#include "webcopy/WebCopyThread.h"

#include "webcopy/WebCopy.h"

TWCopyThread::TWCopyThread(TWebCopy* AWebCopy)
    : FWebCopy(AWebCopy)
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TWCopyThread::run()
{
    TWebCopy* webCopy = FWebCopy;
    // Blocks until the user-interface thread has run the copy (or dropped the request because
    // the component went away).
    QMetaObject::invokeMethod(webCopy, [webCopy] { webCopy->RunFromThread(); }, Qt::BlockingQueuedConnection);
}
