#pragma once

#include <QString>

#include <stdexcept>

// A local file that cannot be read or written in the middle of a transfer. It ends the copy
// run at once; `Execute` passes it to its caller, a threaded run reports it through OnError
// and OnErrorInfo.
class TWebCopyIoError : public std::runtime_error {
public:
    TWebCopyIoError(int code, const QString& info)
        : std::runtime_error(info.toStdString())
        , Code(code)
        , Info(info)
    {
    }

    int Code;     // 4 reading, 5 writing
    QString Info; // the message with the path
};
