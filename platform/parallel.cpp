#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

size_t ParallelThreads(size_t n, size_t perThread)
{
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t wanted = perThread > 0 ? (n + perThread - 1) / perThread : n;
    return std::clamp<size_t>(wanted, 1, std::min<size_t>(cores, 8));
}

void ParallelFor(size_t n, size_t threads, const std::function<void(size_t)>& work)
{
    std::atomic<size_t> next {0};
    const auto run = [&] {
        for (size_t i = next++; i < n; i = next++) work(i);
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < std::min(threads, n); ++t) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error&) {
            break; // fewer threads; the calling one still works
        }
    }
    run();
    for (std::thread& t : pool) t.join();
}
