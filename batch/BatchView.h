#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "app/RunView.h"

// The run's view in batch mode: page lines on standard output ("Indexed\t<path>"), message boxes on
// standard error, answered at once with OK.
class BatchView : public RunView {
public:
    BatchView(std::FILE* out, std::FILE* err, bool quiet);

    void showMessage(const std::string& text) override;
    void clearPageList() override {}
    void insertPageRow(int row, const std::string& page, int image, const std::string& status) override;
    void updatePageRow(int row, int image, const std::string& status) override;
    void setStatusText(const std::string&) override {}
    void setConnectionText(const std::string&) override {}
    void setCurrentItem(const std::string&) override {}
    void setThreadCountText(const std::string&) override {}
    void setStopEnabled(bool) override {}
    void setGoEnabled(bool) override {}

    // True once a message box has been shown: a message reports a failure.
    bool failed() const;

private:
    std::FILE* m_out;
    std::FILE* m_err;
    bool m_quiet;
    mutable std::mutex m_mutex;
    bool m_failed = false;
    int m_lastRow = -1; // only the row in hand is remembered, so memory stays flat in the number of pages
    std::string m_lastPage;
};
