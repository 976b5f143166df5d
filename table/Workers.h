#pragma once
// Work split over the machine's cores for one large task (the sort keys of
// an order, the tags of the code index): the caller runs one share and
// waits for the others, so the work is over when the call returns.

#include <algorithm>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace tallivo {

// Threads for one task over records: one per core, up to four, when there
// are enough records to gain from them.
inline unsigned KeyWorkers(size_t records) {
    if (records < 200000) return 1;
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

// Runs job(0) ... job(n - 1) at once, job(0) on the calling thread, and
// returns when all have ended; then raises the first error of any. When no
// thread can be started, the calling thread runs the rest itself.
template <class F> void RunOnWorkers(unsigned n, F&& job) {
    std::vector<std::exception_ptr> errors(n);
    auto run = [&](unsigned i) {
        try {
            job(i);
        } catch (...) {
            errors[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    unsigned started = 1;
    try {
        for (; started < n; ++started) threads.emplace_back(run, started);
    } catch (...) {
    }
    for (unsigned i = started; i < n; ++i) run(i);
    run(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

} // namespace tallivo
