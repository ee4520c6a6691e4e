#pragma once
// Work shared out over the processor's cores. Indices are handed out one at a time, so uneven
// items balance themselves; the calling thread works too, so a machine that refuses new threads,
// or whose threads are all busy, still gets everything done, just on fewer cores. The threads are
// started once and sleep between calls.
#include <cstddef>
#include <functional>

// How many threads (the calling one included) are worth starting for n items when each thread
// should have at least perThread of them: between 1 and min(cores, 8).
size_t ParallelThreads(size_t n, size_t perThread);

// Calls work(i) once for every i < n, on up to `threads` threads, and returns when every call has
// returned; a thread that joins late finds nothing left and is not waited for. Calls may come
// from several threads at once and from within work. work must not throw.
void ParallelFor(size_t n, size_t threads, const std::function<void(size_t)>& work);

// Calls work(from, end) on consecutive spans of `span` indices (the last may be shorter) that
// together cover 0..n once, on up to `threads` threads. On one thread the spans come in order.
void ParallelForSpans(size_t n, size_t span, size_t threads, const std::function<void(size_t, size_t)>& work);
