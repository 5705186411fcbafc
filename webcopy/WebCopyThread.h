#pragma once

#include <QThread>

class TWebCopy;

// Hands a copy run to the user-interface thread and waits there until it has ended; the run
// itself never executes on this thread. Starts at once and deletes itself when done.
class TWCopyThread : public QThread {
    Q_OBJECT

public:
    explicit TWCopyThread(TWebCopy* AWebCopy);

protected:
    void run() override;

private:
    TWebCopy* FWebCopy;
};
