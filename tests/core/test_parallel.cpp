#include <gtest/gtest.h>

#include <atomic>
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

} // namespace
