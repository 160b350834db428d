#pragma once

#include <QPointer>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QPoint;
class QWidget;

// The window menu of a window that paints its own caption, where no window manager offers one: Restore,
// Move, Size, Minimize, Maximize and Close, each enabled as the window's state allows, and whatever the
// window appends after them. A chosen item is handed to the window as its command number.
class SystemMenu {
public:
    // The command numbers of the standard items; a window's own items use numbers below 0xF000.
    enum Command {
        Size = 0xF000,
        Move = 0xF010,
        Minimize = 0xF020,
        Maximize = 0xF030,
        Close = 0xF060,
        Restore = 0xF120,
    };

    SystemMenu(QWidget* window, std::function<void(int command)> onCommand);
    ~SystemMenu();
    SystemMenu(const SystemMenu&) = delete;
    SystemMenu& operator=(const SystemMenu&) = delete;

    // A separator, then an item with `text` that sends `command`.
    void appendItem(const QString& text, int command);
    // Enables the items for the window's current state, then shows the menu at `global`.
    void popup(const QPoint& global);
    void updateItems();
    QMenu* menu() const { return m_menu; }
    QAction* action(int command) const;

private:
    QWidget* m_window;
    QPointer<QMenu> m_menu;
};
