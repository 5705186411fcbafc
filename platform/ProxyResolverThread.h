#pragma once

#include <QByteArray>
#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>

// One question to the system's proxy resolver: the URL, and the answer once it came (libproxy's
// list as it gave it, "direct://" included). Shared by the asker, who may stop waiting, and the
// thread that answers it.
struct TProxyQuestion {
    explicit TProxyQuestion(QByteArray url)
        : Url(std::move(url))
    {
    }

    const QByteArray Url;
    std::mutex Lock;
    std::condition_variable Answered;
    bool Done = false;       // guarded by Lock
    QStringList Answer;      // guarded by Lock
};

// A thread with a libproxy resolver of its own that answers one question at a time. A resolver
// can hang for ever (a PAC file that never arrives, a script that loops) and cannot be
// interrupted; the asker stops waiting instead, and the thread stays busy until its question
// ends, if ever. Threads and resolvers are never freed: freeing a resolver unloads the PAC
// runner under threads that the runner's script engine leaves behind.
class TProxyResolverThread {
public:
    // An idle thread (started when none is idle) that now answers the question.
    static void Ask(const std::shared_ptr<TProxyQuestion>& question);

private:
    TProxyResolverThread() = default;
    void Run();

    std::mutex FLock;
    std::condition_variable FAsked;
    std::shared_ptr<TProxyQuestion> FQuestion;  // guarded by FLock
};
