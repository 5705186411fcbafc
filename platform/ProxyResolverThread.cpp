#include "platform/ProxyResolverThread.h"

#include <proxy.h>

#include <thread>
#include <vector>

namespace {

// The threads that wait for a question. Never destroyed: idle threads wait on it until the
// process ends.
struct TIdleThreads {
    std::mutex Lock;
    std::vector<TProxyResolverThread*> Threads;
};

TIdleThreads& Idle()
{
    static auto* const idle = new TIdleThreads;
    return *idle;
}

} // namespace

void TProxyResolverThread::Ask(const std::shared_ptr<TProxyQuestion>& question)
{
    TProxyResolverThread* thread = nullptr;
    {
        TIdleThreads& idle = Idle();
        const std::lock_guard<std::mutex> locked(idle.Lock);
        if (!idle.Threads.empty()) {
            thread = idle.Threads.back();
            idle.Threads.pop_back();
        }
    }
    if (!thread) {
        thread = new TProxyResolverThread;
        std::thread([thread] { thread->Run(); }).detach();
    }
    const std::lock_guard<std::mutex> locked(thread->FLock);
    thread->FQuestion = question;
    thread->FAsked.notify_one();
}

void TProxyResolverThread::Run()
{
    // Made here, not by the asker: loading the configuration modules is slow too.
    pxProxyFactory* const factory = px_proxy_factory_new();
    for (;;) {
        std::shared_ptr<TProxyQuestion> question;
        {
            std::unique_lock<std::mutex> locked(FLock);
            FAsked.wait(locked, [this] { return FQuestion != nullptr; });
            question = FQuestion;
        }
        QStringList answer;
        // Without a resolver, or when it fails, libproxy's own answer would be "direct".
        if (char** const proxies = factory ? px_proxy_factory_get_proxies(factory, question->Url.constData()) : nullptr) {
            for (char** proxy = proxies; *proxy; ++proxy)
                answer << QString::fromUtf8(*proxy);
            px_proxy_factory_free_proxies(proxies);
        }
        {
            const std::lock_guard<std::mutex> locked(question->Lock);
            question->Answer = answer;
            question->Done = true;
        }
        question->Answered.notify_all();
        {
            const std::lock_guard<std::mutex> locked(FLock);
            FQuestion.reset();
        }
        TIdleThreads& idle = Idle();
        const std::lock_guard<std::mutex> locked(idle.Lock);
        idle.Threads.push_back(this);
    }
}
