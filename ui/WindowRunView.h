#pragma once

#include <QIcon>
#include <array>

#include "app/RunView.h"

class QAbstractButton;
class QAction;
class QLabel;
class QTreeWidget;

// The controls of the main window that an indexing run drives.
struct RunControls {
    QTreeWidget* pageList = nullptr;
    QLabel* statusText = nullptr;
    QLabel* connectionText = nullptr;
    QLabel* currentItem = nullptr;
    QLabel* threadCountText = nullptr;
    QAbstractButton* stopButton = nullptr;
    QAbstractButton* goButton = nullptr;
    QAction* stopAction = nullptr;
    QAction* goAction = nullptr;
};

// The run's view in the main window. The folder job calls it from its own thread: every call is
// carried out on the window's thread while the job waits, as a sent window message would be, and
// no lock is held meanwhile. Called on the window's thread, it acts at once.
class WindowRunView : public RunView {
public:
    // Rows below this position are painted as soon as they change, so the first screenful shows progress.
    static constexpr int kImmediatePaintRows = 30;

    WindowRunView(const RunControls& controls, MessageService& messages);

    void setMessageService(MessageService& messages) { m_messages = &messages; }
    // The page list's status icons, by image number (PageImages).
    const QIcon& statusIcon(int image) const;

    void showMessage(const std::string& text) override;
    void clearPageList() override;
    void insertPageRow(int row, const std::string& page, int image, const std::string& status) override;
    void updatePageRow(int row, int image, const std::string& status) override;
    void setStatusText(const std::string& text) override;
    void setConnectionText(const std::string& text) override;
    void setCurrentItem(const std::string& text) override;
    void setThreadCountText(const std::string& text) override;
    void setStopEnabled(bool enabled) override;
    void setGoEnabled(bool enabled) override;

private:
    template <typename Call> void onWindowThread(Call&& call);
    void setLabel(QLabel* label, const std::string& text);
    void paintEarlyRow(int row);

    RunControls m_controls;
    MessageService* m_messages;
    std::array<QIcon, 3> m_statusIcons;
};
