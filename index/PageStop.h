#pragma once

#include <atomic>
#include <cstddef>

// Lets the folder job's Stop cut short the reading and the extraction of a large page. The flag is looked
// at only between chunks of a megabyte, so a page of a megabyte or less is always read and extracted
// whole; a page cut short says so, and its fields are not to be used.
class PageStop {
public:
    static constexpr size_t kChunkBytes = size_t{1} << 20;

    explicit PageStop(const std::atomic<int>& flag) : m_flag(flag) {}

    // True from the first time the flag is seen set.
    bool requested() {
        m_stopped = m_stopped || m_flag.load() != 0;
        return m_stopped;
    }
    bool stopped() const { return m_stopped; }

private:
    const std::atomic<int>& m_flag;
    bool m_stopped = false;
};
