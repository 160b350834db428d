#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "index/PageExtractor.h"

// A page read and extracted ahead of the job that writes its record.
struct ReadAheadPage {
    bool opened = false;
    bool stopped = false; // cut short by Stop: the fields are not the page's
    PageFields fields;
};

// Reads and extracts the folder job's pages on worker threads while the job writes the records of earlier
// ones, so that the reading and the parsing of a page overlap the writing of the page before it. Pages come
// back in the order they were queued, whichever worker finished first. At most `depth` pages wait at a
// time, which bounds the memory that pages read ahead can hold. Once the stop flag is set, a large page
// being read is cut short (see PageStop), so neither a take nor the end waits long for it.
class PageReadAhead {
public:
    PageReadAhead(int workers, size_t depth, int indexStrategy, int indexColon, const std::atomic<int>& stop,
                  std::string fallbackCharset = "windows-1252");
    ~PageReadAhead(); // pages still queued are dropped; a page being read is finished or cut, then dropped
    PageReadAhead(const PageReadAhead&) = delete;
    PageReadAhead& operator=(const PageReadAhead&) = delete;

    bool full() const;
    bool empty() const;
    void queue(std::string path, int kind);
    // Only when not empty.
    std::string oldestPath() const;
    // Waits for the oldest page queued and hands it over. Only when not empty.
    ReadAheadPage takeOldest();

private:
    struct Slot {
        std::string path;
        int kind = 0;
        bool done = false;
        ReadAheadPage page;
    };

    void work();

    const size_t m_depth;
    const int m_indexStrategy;
    const int m_indexColon;
    const std::string m_fallbackCharset;
    const std::atomic<int>& m_stop;
    mutable std::mutex m_mutex;
    std::condition_variable m_queued; // a page was queued, or the workers must end
    std::condition_variable m_ready;  // a page was read
    // Oldest first. Slots are handed to workers in this order, so those before m_claimed are taken.
    std::deque<std::unique_ptr<Slot>> m_slots;
    size_t m_claimed = 0;
    bool m_ending = false;
    std::vector<std::thread> m_workers;
};
