#pragma once
// Work shared out over the processor's cores. Indices are handed out one at a time, so uneven
// items balance themselves; the calling thread works too, so a machine that refuses new threads
// still gets everything done, just on one core.
#include <cstddef>
#include <functional>

// How many threads (the calling one included) are worth starting for n items when each thread
// should have at least perThread of them: between 1 and min(cores, 8).
size_t ParallelThreads(size_t n, size_t perThread);

// Calls work(i) once for every i < n, on up to `threads` threads, and returns when every call has
// returned; a helper the system has not yet run by then is not waited for, and ends without
// calling work. work must not throw.
void ParallelFor(size_t n, size_t threads, const std::function<void(size_t)>& work);
