#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

size_t ParallelThreads(size_t n, size_t perThread)
{
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t wanted = perThread > 0 ? (n + perThread - 1) / perThread : n;
    return std::clamp<size_t>(wanted, 1, std::min<size_t>(cores, 8));
}

void ParallelFor(size_t n, size_t threads, const std::function<void(size_t)>& work)
{
    // The helpers are not waited for, only the indices: on a busy machine a helper may get its
    // first turn long after the others have done everything, and then it finds nothing left and
    // ends. So it holds the counters, never `work`, once the last index is handed out.
    struct Shared {
        std::atomic<size_t> next {0};
        size_t done = 0;
        std::mutex lock;
        std::condition_variable allDone;
    };
    const auto shared = std::make_shared<Shared>();
    const auto run = [n, &work](Shared& s) {
        for (size_t i = s.next++; i < n; i = s.next++) {
            work(i);
            const std::lock_guard<std::mutex> hold(s.lock);
            if (++s.done == n) s.allDone.notify_all();
        }
    };
    for (size_t t = 1; t < std::min(threads, n); ++t) {
        try {
            std::thread([shared, run] { run(*shared); }).detach();
        } catch (const std::system_error&) {
            break; // fewer threads; the calling one still works
        }
    }
    run(*shared);
    std::unique_lock<std::mutex> hold(shared->lock);
    shared->allDone.wait(hold, [&] { return shared->done == n; });
}
