#pragma once

#include <algorithm>
#include <thread>

// How many threads to share work that splits evenly among: one per processor, a few at most, since a
// run's single writer is the limit beyond that.
inline int WorkerThreadCount() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}
