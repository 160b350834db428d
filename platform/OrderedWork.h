#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Jobs done by worker threads and handed back in the order they were given, so that one consumer keeps
// its order while the work is shared among the cores. The consumer gives and takes on one thread; at
// most `depth` jobs are in hand at once, which bounds the memory they hold.
template <typename Job> class OrderedWork {
public:
    OrderedWork(int workers, size_t depth, std::function<void(Job&)> work)
        : m_workerCount(workers < 1 ? 1 : workers), m_depth(depth < 1 ? 1 : depth), m_work(std::move(work)) {}

    // Jobs not taken yet are dropped; a job being done is finished first.
    ~OrderedWork() {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_wake.notify_all();
        for (std::thread& worker : m_workers)
            worker.join();
    }
    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    bool full() const {
        std::lock_guard lock(m_mutex);
        return m_slots.size() >= m_depth;
    }
    bool empty() const {
        std::lock_guard lock(m_mutex);
        return m_slots.empty();
    }
    bool oldestDone() const {
        std::lock_guard lock(m_mutex);
        return !m_slots.empty() && m_slots.front().state == State::Done;
    }

    // Only when not full.
    void give(Job job) {
        if (m_workers.empty()) {
            for (int w = 0; w < m_workerCount; ++w)
                m_workers.emplace_back([this] { serve(); });
        }
        {
            std::lock_guard lock(m_mutex);
            m_slots.push_back({std::move(job), State::Waiting, nullptr});
        }
        m_wake.notify_one();
    }

    // Waits for the oldest job to be done and hands it over; rethrows what its work threw. Only when not
    // empty.
    Job takeOldest() {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] { return m_slots.front().state == State::Done; });
        Slot slot = std::move(m_slots.front());
        m_slots.pop_front();
        --m_firstWaiting;
        lock.unlock();
        if (slot.failure)
            std::rethrow_exception(slot.failure);
        return std::move(slot.job);
    }

private:
    enum class State { Waiting, Working, Done };
    struct Slot {
        Job job;
        State state;
        std::exception_ptr failure;
    };

    void serve() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return m_closing || m_firstWaiting < m_slots.size(); });
            if (m_closing)
                return;
            // A deque keeps its elements in place as jobs are added at the back and taken at the front.
            Slot& slot = m_slots[m_firstWaiting++];
            slot.state = State::Working;
            lock.unlock();
            try {
                m_work(slot.job);
            } catch (...) {
                slot.failure = std::current_exception();
            }
            lock.lock();
            slot.state = State::Done;
            m_done.notify_one();
        }
    }

    const int m_workerCount;
    const size_t m_depth;
    const std::function<void(Job&)> m_work;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Slot> m_slots;
    size_t m_firstWaiting = 0; // the index in m_slots of the oldest job no worker has started
    bool m_closing = false;
    std::vector<std::thread> m_workers;
};
