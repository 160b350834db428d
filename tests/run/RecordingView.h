#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/RunView.h"

// A run view that records what the run shows, for tests. Calls may come from the job's thread.
class RecordingView : public RunView {
public:
    struct Row {
        std::string page;
        int image = -1;
        std::string status;
    };

    void showMessage(const std::string& text) override {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
    }
    void clearPageList() override {
        std::lock_guard lock(m_mutex);
        m_rows.clear();
        ++m_clears;
    }
    void insertPageRow(int row, const std::string& page, int image, const std::string& status) override {
        std::function<void(int)> hook;
        {
            std::lock_guard lock(m_mutex);
            if (row != static_cast<int>(m_rows.size()))
                m_badRowNumbers = true;
            m_rows.push_back({page, image, status});
            hook = onInsert;
        }
        if (hook)
            hook(row);
    }
    void updatePageRow(int row, int image, const std::string& status) override {
        std::lock_guard lock(m_mutex);
        if (row < 0 || row >= static_cast<int>(m_rows.size())) {
            m_badRowNumbers = true;
            return;
        }
        m_rows[static_cast<size_t>(row)].image = image;
        m_rows[static_cast<size_t>(row)].status = status;
    }
    void setStatusText(const std::string& text) override { set(m_status, text); }
    void setConnectionText(const std::string& text) override { set(m_connection, text); }
    void setCurrentItem(const std::string& text) override { set(m_currentItem, text); }
    void setThreadCountText(const std::string& text) override { set(m_threadCount, text); }
    void setStopEnabled(bool enabled) override { set(m_stopEnabled, enabled); }
    void setGoEnabled(bool enabled) override { set(m_goEnabled, enabled); }

    std::vector<Row> rows() const { return get(m_rows); }
    std::vector<std::string> pages() const {
        std::vector<std::string> pages;
        for (const Row& row : rows())
            pages.push_back(row.page);
        return pages;
    }
    std::vector<std::string> messages() const { return get(m_messages); }
    std::string status() const { return get(m_status); }
    std::string currentItem() const { return get(m_currentItem); }
    bool stopEnabled() const { return get(m_stopEnabled); }
    bool goEnabled() const { return get(m_goEnabled); }
    int clears() const { return get(m_clears); }
    bool badRowNumbers() const { return get(m_badRowNumbers); }

    // Called on the job's thread after each inserted row, outside the view's lock.
    std::function<void(int)> onInsert;

private:
    template <typename T> void set(T& member, const T& value) {
        std::lock_guard lock(m_mutex);
        member = value;
    }
    template <typename T> T get(const T& member) const {
        std::lock_guard lock(m_mutex);
        return member;
    }

    mutable std::mutex m_mutex;
    std::vector<Row> m_rows;
    std::vector<std::string> m_messages;
    std::string m_status = "Ready";
    std::string m_connection;
    std::string m_currentItem;
    std::string m_threadCount;
    bool m_stopEnabled = false;
    bool m_goEnabled = false;
    int m_clears = 0;
    bool m_badRowNumbers = false;
};
