#include "ui/WindowRunView.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QTreeWidget>
#include <algorithm>

#include "ui/MainThreadCall.h"
#include "ui/ResourceIds.h"

WindowRunView::WindowRunView(const RunControls& controls, MessageService& messages)
    : m_controls(controls), m_messages(&messages) {
    LoadFindlarkResources();
    for (size_t i = 0; i < m_statusIcons.size(); ++i)
        m_statusIcons[i] = QIcon(QString::fromLatin1(IconPaths::PageStatus[i]));
}

const QIcon& WindowRunView::statusIcon(int image) const {
    const size_t index = image >= 0 && image < static_cast<int>(m_statusIcons.size())
                             ? static_cast<size_t>(image)
                             : PageImages::Failure;
    return m_statusIcons[index];
}

template <typename Call> void WindowRunView::onWindowThread(Call&& call) {
    CallOnOwnerThread(m_controls.pageList, std::forward<Call>(call));
}

void WindowRunView::showMessage(const std::string& text) {
    onWindowThread([this, &text] { m_messages->showMessage(text); });
}

void WindowRunView::clearPageList() {
    onWindowThread([this] { m_controls.pageList->clear(); });
}

void WindowRunView::insertPageRow(int row, const std::string& page, int image, const std::string& status) {
    onWindowThread([&, this] {
        QTreeWidget* list = m_controls.pageList;
        auto* item = new QTreeWidgetItem({QString::fromUtf8(page), QString::fromUtf8(status)});
        item->setIcon(0, statusIcon(image));
        list->insertTopLevelItem(std::clamp(row, 0, list->topLevelItemCount()), item);
        paintEarlyRow(row);
    });
}

void WindowRunView::updatePageRow(int row, int image, const std::string& status) {
    onWindowThread([&, this] {
        QTreeWidgetItem* item = m_controls.pageList->topLevelItem(row);
        if (!item)
            return;
        item->setIcon(0, statusIcon(image));
        item->setText(1, QString::fromUtf8(status));
        paintEarlyRow(row);
    });
}

void WindowRunView::paintEarlyRow(int row) {
    if (row < kImmediatePaintRows)
        m_controls.pageList->viewport()->repaint();
}

void WindowRunView::setLabel(QLabel* label, const std::string& text) {
    onWindowThread([label, &text] { label->setText(QString::fromUtf8(text)); });
}

void WindowRunView::setStatusText(const std::string& text) {
    setLabel(m_controls.statusText, text);
}
void WindowRunView::setConnectionText(const std::string& text) {
    setLabel(m_controls.connectionText, text);
}
void WindowRunView::setCurrentItem(const std::string& text) {
    setLabel(m_controls.currentItem, text);
}
void WindowRunView::setThreadCountText(const std::string& text) {
    setLabel(m_controls.threadCountText, text);
}

void WindowRunView::setStopEnabled(bool enabled) {
    onWindowThread([this, enabled] {
        m_controls.stopButton->setEnabled(enabled);
        if (m_controls.stopAction)
            m_controls.stopAction->setEnabled(enabled);
    });
}

void WindowRunView::setGoEnabled(bool enabled) {
    onWindowThread([this, enabled] {
        m_controls.goButton->setEnabled(enabled);
        if (m_controls.goAction)
            m_controls.goAction->setEnabled(enabled);
    });
}
