#pragma once

#include <QTreeWidget>

// The main window's page list: a tree widget that shows a focus rectangle around its rows while it has
// the keyboard focus, also while it has no rows to show a current one.
class CPageList : public QTreeWidget {
    Q_OBJECT

public:
    using QTreeWidget::QTreeWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
