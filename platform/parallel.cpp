#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace {

// One call's indices. Helpers hold it by a shared pointer, so a helper that comes late finds its
// counters still there; it touches `work` only for an index it took, and the caller does not
// return before every taken index is done, so `work` is alive whenever it is called.
struct Job {
    Job(size_t count, const std::function<void(size_t)>* w, size_t helpers) : n(count), work(w), seats(helpers) {}
    const size_t n;
    const std::function<void(size_t)>* const work;
    size_t seats; // helpers that may still join; guarded by the pool's lock
    std::atomic<size_t> next {0};
    size_t done = 0;
    std::mutex lock;
    std::condition_variable allDone;

    void Run()
    {
        for (size_t i = next++; i < n; i = next++) {
            (*work)(i);
            const std::lock_guard<std::mutex> hold(lock);
            if (++done == n) allDone.notify_all();
        }
    }
};

// Threads started once and parked between calls: a preview that shares each of its rounds over
// the cores would otherwise pay a thread's start, tens of microseconds, for every round. The pool
// is never freed: its threads sleep on its lock until the process ends.
class Pool {
public:
    // Offers the job to parked threads, starting them on first use.
    void Offer(const std::shared_ptr<Job>& job)
    {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            StartThreads();
            if (threads_ == 0) return;
            jobs_.push_back(job);
            ++offered_;
        }
        for (size_t i = 0; i < job->seats; ++i) wake_.notify_one();
    }
    // Takes the job off the queue once its indices are all handed out, so no thread waits on it.
    void Withdraw(const std::shared_ptr<Job>& job)
    {
        const std::lock_guard<std::mutex> hold(lock_);
        const auto it = std::find(jobs_.begin(), jobs_.end(), job);
        if (it != jobs_.end()) jobs_.erase(it);
    }

    std::mutex lock_;

private:
    void StartThreads()
    {
        if (started_) return;
        started_ = true;
        const size_t wanted = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), 8) - 1;
        for (size_t t = 0; t < wanted; ++t) {
            try {
                std::thread([this] { Work(); }).detach();
                ++threads_;
            } catch (const std::system_error&) {
                break; // fewer threads; every caller still works on its own call
            }
        }
    }
    void Work()
    {
        std::unique_lock<std::mutex> hold(lock_);
        for (;;) {
            if (jobs_.empty()) {
                // A caller sharing a loop round after round offers its next round within
                // microseconds; a thread woken from its sleep comes tens of microseconds late. So
                // a thread that just worked watches for a new offer a little while before sleeping.
                const uint64_t seen = offered_;
                hold.unlock();
                const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
                while (offered_.load(std::memory_order_relaxed) == seen && std::chrono::steady_clock::now() < until)
                    std::this_thread::yield();
                hold.lock();
            }
            wake_.wait(hold, [this] { return !jobs_.empty(); });
            const std::shared_ptr<Job> job = jobs_.front();
            if (--job->seats == 0) jobs_.pop_front();
            hold.unlock();
            job->Run();
            hold.lock();
        }
    }

    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::atomic<uint64_t> offered_ {0};
    size_t threads_ = 0;
    bool started_ = false;
};

Pool* g_pool = nullptr;
std::once_flag g_poolOnce;

Pool& ThePool()
{
    std::call_once(g_poolOnce, [] {
        g_pool = new Pool;
        // A child of fork() has none of the pool's threads, and its lock may have been taken at
        // the moment of the fork: it gets a new pool of its own.
        pthread_atfork([] { g_pool->lock_.lock(); }, [] { g_pool->lock_.unlock(); }, [] { g_pool = new Pool; });
    });
    return *g_pool;
}

} // namespace

size_t ParallelThreads(size_t n, size_t perThread)
{
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t wanted = perThread > 0 ? (n + perThread - 1) / perThread : n;
    return std::clamp<size_t>(wanted, 1, std::min<size_t>(cores, 8));
}

void ParallelFor(size_t n, size_t threads, const std::function<void(size_t)>& work)
{
    const size_t helpers = std::min(threads, n) > 1 ? std::min(threads, n) - 1 : 0;
    if (helpers == 0) {
        for (size_t i = 0; i < n; ++i) work(i);
        return;
    }
    const auto job = std::make_shared<Job>(n, &work, helpers);
    Pool& pool = ThePool();
    pool.Offer(job);
    job->Run();
    pool.Withdraw(job);
    std::unique_lock<std::mutex> hold(job->lock);
    job->allDone.wait(hold, [&] { return job->done == n; });
}

void ParallelForSpans(size_t n, size_t span, size_t threads, const std::function<void(size_t, size_t)>& work)
{
    if (n == 0) return;
    span = std::max<size_t>(span, 1);
    const size_t spans = (n - 1) / span + 1;
    if (std::min(threads, spans) <= 1) {
        for (size_t from = 0; from < n; from += span) work(from, std::min(n, from + span));
        return;
    }
    ParallelFor(spans, threads, [&](size_t s) { work(s * span, std::min(n, (s + 1) * span)); });
}
