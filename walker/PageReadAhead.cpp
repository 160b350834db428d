#include "walker/PageReadAhead.h"

#include <algorithm>

#include "index/PageFile.h"

namespace {

// A worker keeps its read buffer from page to page, so most pages need no allocation; one that grew past
// this for a very large page gives its memory back.
constexpr size_t kKeptBufferSize = size_t{4} << 20;

} // namespace

PageReadAhead::PageReadAhead(int workers, size_t depth, int indexStrategy, int indexColon,
                             const std::atomic<int>& stop, std::string fallbackCharset)
    : m_depth(std::max<size_t>(depth, 1)), m_indexStrategy(indexStrategy), m_indexColon(indexColon),
      m_fallbackCharset(std::move(fallbackCharset)), m_stop(stop) {
    for (int i = 0; i < std::max(workers, 1); ++i)
        m_workers.emplace_back([this] { work(); });
}

PageReadAhead::~PageReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_queued.notify_all();
    for (std::thread& worker : m_workers)
        worker.join();
}

bool PageReadAhead::full() const {
    std::lock_guard lock(m_mutex);
    return m_slots.size() >= m_depth;
}

bool PageReadAhead::empty() const {
    std::lock_guard lock(m_mutex);
    return m_slots.empty();
}

void PageReadAhead::queue(std::string path, int kind) {
    auto slot = std::make_unique<Slot>();
    slot->path = std::move(path);
    slot->kind = kind;
    {
        std::lock_guard lock(m_mutex);
        m_slots.push_back(std::move(slot));
    }
    m_queued.notify_one();
}

std::string PageReadAhead::oldestPath() const {
    std::lock_guard lock(m_mutex);
    return m_slots.front()->path;
}

ReadAheadPage PageReadAhead::takeOldest() {
    std::unique_ptr<Slot> slot;
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return m_slots.front()->done; });
        slot = std::move(m_slots.front());
        m_slots.pop_front();
        --m_claimed;
    }
    return std::move(slot->page);
}

void PageReadAhead::work() {
    std::string content;
    for (;;) {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [this] { return m_ending || m_claimed < m_slots.size(); });
            if (m_ending)
                return;
            slot = m_slots[m_claimed++].get();
        }
        // The slot stays where it is until it is done: only done slots are taken out.
        PageStop stop(m_stop);
        ReadAheadPage page;
        page.opened = ReadPageFile(slot->path, content, m_indexStrategy, &stop, m_fallbackCharset);
        if (!stop.stopped())
            page.fields = ExtractPageText(content, slot->kind, m_indexColon, &stop);
        page.stopped = stop.stopped();
        if (content.capacity() > kKeptBufferSize)
            content = std::string();
        {
            std::lock_guard lock(m_mutex);
            slot->page = std::move(page);
            slot->done = true;
        }
        m_ready.notify_one();
    }
}
