#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/parallel.h"

namespace {

// Every index is worked on exactly once, and all the work is done and visible when the call
// returns, however many threads are asked for: none, fewer than the items, or far more.
TEST(ParallelFor, EveryIndexOnceAndDoneOnReturn)
{
    for (const size_t n : {size_t(0), size_t(1), size_t(7), size_t(300)})
        for (const size_t threads : {size_t(0), size_t(1), size_t(2), size_t(8), size_t(64)}) {
            std::vector<std::atomic<int>> calls(n);
            std::vector<size_t> written(n, 0);  // plain stores, read only after the return
            ParallelFor(n, threads, [&](size_t i) {
                ++calls[i];
                written[i] = i + 1;
            });
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(calls[i].load(), 1) << "n " << n << ", threads " << threads << ", index " << i;
                ASSERT_EQ(written[i], i + 1) << "n " << n << ", threads " << threads << ", index " << i;
            }
        }
}

// Spans cover every index once, each no longer than asked and starting on a multiple of it,
// however many threads; on one thread they come in order.
TEST(ParallelForSpans, CoverEveryIndexOnceAndComeInOrderOnOneThread)
{
    for (const size_t n : {size_t(0), size_t(1), size_t(8), size_t(1001)})
        for (const size_t span : {size_t(0), size_t(1), size_t(7), size_t(2000)})
            for (const size_t threads : {size_t(1), size_t(3), size_t(8)}) {
                std::vector<std::atomic<int>> calls(n);
                std::atomic<bool> wellFormed {true};
                std::vector<size_t> order;  // written on one thread only
                ParallelForSpans(n, span, threads, [&](size_t from, size_t end) {
                    const size_t step = std::max<size_t>(span, 1);
                    if (from >= end || end > n || end - from > step || from % step != 0) wellFormed = false;
                    for (size_t i = from; i < end && i < n; ++i) ++calls[i];
                    if (threads == 1) order.push_back(from);
                });
                ASSERT_TRUE(wellFormed) << "n " << n << ", span " << span << ", threads " << threads;
                for (size_t i = 0; i < n; ++i) ASSERT_EQ(calls[i].load(), 1) << "n " << n << ", span " << span;
                if (threads == 1) EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << "n " << n << ", span " << span;
            }
}

// The runner returns as soon as the indices are done, and may leave helpers that have not yet
// had a turn; those must not touch the work or the caller's frame, which are gone by then (the
// sanitizer build sees it if they do). Many short calls in a row give late helpers every chance.
TEST(ParallelFor, ShortCallsInARowAndCallsWithinCalls)
{
    std::atomic<size_t> total {0};
    for (int call = 0; call < 300; ++call) {
        std::vector<int> local(4, 0);
        ParallelFor(local.size(), 8, [&](size_t i) { local[i] = int(i); });
        for (int v : local) total += size_t(v);
    }
    EXPECT_EQ(total.load(), 300u * 6u);

    std::vector<std::atomic<int>> cells(16 * 16);
    ParallelFor(16, 4, [&](size_t row) { ParallelFor(16, 4, [&](size_t col) { ++cells[row * 16 + col]; }); });
    for (const auto& c : cells) EXPECT_EQ(c.load(), 1);
}

// A child of fork() has none of the parent's threads, and may have been forked while one of them
// held the runner's lock: its calls must still finish, on its own threads or on itself.
TEST(ParallelFor, AForkedChildStillGetsItsWorkDone)
{
    std::atomic<int> warm {0};
    ParallelFor(64, 8, [&](size_t) { ++warm; });
    ASSERT_EQ(warm.load(), 64);
    for (int round = 0; round < 5; ++round) {
        // Keep the parent's threads busy taking and leaving work while it forks.
        std::atomic<bool> stop {false};
        std::thread busy([&] {
            while (!stop) ParallelFor(32, 8, [](size_t) {});
        });
        const pid_t child = fork();
        if (child == 0) {
            alarm(20); // a child stuck on a lock dies instead of hanging the test
            std::atomic<int> count {0};
            ParallelFor(1000, 8, [&](size_t) { ++count; });
            _exit(count.load() == 1000 ? 0 : 1);
        }
        stop = true;
        busy.join();
        ASSERT_GT(child, 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "the child was killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

} // namespace
