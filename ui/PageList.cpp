#include "ui/PageList.h"

#include <QPainter>

void CPageList::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    // As the focus rectangles of the platform's style, shown once the keyboard has moved the focus.
    if (!hasFocus() || !window()->testAttribute(Qt::WA_KeyboardFocusChange))
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    painter.drawRect(viewport()->rect().adjusted(1, 1, -2, -2));
}

void CPageList::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    viewport()->update();
}

void CPageList::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    viewport()->update();
}
