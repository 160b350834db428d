#include "ui/MainWindowLayout.h"

#include <algorithm>

MainWindowLayout MainWindowLayout::compute(const Input& input) {
    // Side borders would push the stretched list's scroll bar past the client edge, and a tall caption
    // would cut off the bottom line, so the outer size counts for no more than the client area allows.
    const int W = std::min(input.outer.width(), input.client.width());
    const int H = std::min(input.outer.height(), input.client.height() + kNonClientHeight);

    MainWindowLayout layout;
    layout.toolbar = QRect(0, 0, W, kToolbarHeight);
    layout.pageList = QRect(0, kToolbarHeight, W, std::max(0, H - 140));
    const QSize stop = input.stopButton;
    const QSize go = input.goButton;
    layout.stopButton = QRect(QPoint(W - 2 * stop.width() - 40, H - stop.height() - 70), stop);
    layout.goButton = QRect(QPoint(W - go.width() - 20, H - go.height() - 70), go);
    layout.statusText = QRect(QPoint(5, H - input.statusText.height() - 80), input.statusText);
    layout.connectionText = QRect(QPoint(85, H - input.connectionText.height() - 80), input.connectionText);
    layout.currentItem = QRect(QPoint(5, H - input.currentItem.height() - 50), input.currentItem);
    return layout;
}
