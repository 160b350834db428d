#include "batch/BatchView.h"

BatchView::BatchView(std::FILE* out, std::FILE* err, bool quiet) : m_out(out), m_err(err), m_quiet(quiet) {}

void BatchView::showMessage(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_failed = true;
    std::fprintf(m_err, "%s\n", text.c_str());
    std::fflush(m_err);
}

void BatchView::insertPageRow(int row, const std::string& page, int, const std::string&) {
    std::lock_guard lock(m_mutex);
    m_lastRow = row;
    m_lastPage = page;
}

void BatchView::updatePageRow(int row, int, const std::string& status) {
    std::lock_guard lock(m_mutex);
    if (m_quiet || row != m_lastRow)
        return;
    std::fwrite(status.data(), 1, status.size(), m_out);
    std::fputc('\t', m_out);
    std::fwrite(m_lastPage.data(), 1, m_lastPage.size(), m_out);
    std::fputc('\n', m_out);
}

bool BatchView::failed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}
