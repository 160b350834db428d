#include "ui/SystemMenu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace {

struct StandardItem {
    SystemMenu::Command command;
    const char* text;
};

// Windows' own texts and order, which a user of the design's window knows by heart.
const StandardItem kStandardItems[] = {
    {SystemMenu::Restore, "&Restore"},   {SystemMenu::Move, "&Move"},         {SystemMenu::Size, "&Size"},
    {SystemMenu::Minimize, "Mi&nimize"}, {SystemMenu::Maximize, "Ma&ximize"}, {SystemMenu::Close, "&Close"},
};

} // namespace

SystemMenu::SystemMenu(QWidget* window, std::function<void(int command)> onCommand)
    : m_window(window), m_menu(new QMenu(window)) {
    m_menu->setObjectName(QStringLiteral("systemMenu"));
    for (const StandardItem& item : kStandardItems) {
        if (item.command == Close)
            m_menu->addSeparator();
        QAction* action = m_menu->addAction(QString::fromLatin1(item.text));
        action->setData(item.command);
    }
    // The window has the key itself; the menu only shows it.
    action(Close)->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    action(Close)->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(m_menu, &QMenu::triggered, m_window,
                     [onCommand = std::move(onCommand)](QAction* chosen) {
                         if (const int command = chosen->data().toInt())
                             onCommand(command);
                     });
}

SystemMenu::~SystemMenu() {
    delete m_menu.data();
}

QAction* SystemMenu::action(int command) const {
    for (QAction* item : m_menu->actions())
        if (!item->isSeparator() && item->data().toInt() == command)
            return item;
    return nullptr;
}

void SystemMenu::appendItem(const QString& text, int command) {
    m_menu->addSeparator();
    m_menu->addAction(text)->setData(command);
}

void SystemMenu::updateItems() {
    const Qt::WindowFlags flags = m_window->windowFlags();
    const bool maximized = m_window->isMaximized();
    const bool minimized = m_window->isMinimized();
    const bool normal = !maximized && !minimized;
    action(Restore)->setEnabled(!normal);
    action(Move)->setEnabled(normal);
    action(Size)->setEnabled(normal);
    action(Minimize)->setEnabled((flags & Qt::WindowMinimizeButtonHint) && !minimized);
    action(Maximize)->setEnabled((flags & Qt::WindowMaximizeButtonHint) && !maximized);
}

void SystemMenu::popup(const QPoint& global) {
    updateItems();
    m_menu->popup(global);
}
