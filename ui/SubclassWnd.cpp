#include "ui/SubclassWnd.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <unordered_map>

// Every hooked window's first hook, and the one event filter through which each hooked window's events
// enter its chain. Qt would call several filters of one window in the reverse order of installation as
// well, but a filter cannot hand an event on explicitly or see it end at the window; one entry point per
// window keeps the order and the hand-over in the chain's own hands.
class SubclassChains : public QObject {
public:
    static SubclassChains& instance() {
        // Owned by the application, so it goes before the application's objects do.
        static QPointer<SubclassChains> chains;
        if (!chains)
            chains = new SubclassChains(qApp);
        return *chains;
    }

    CSubclassWnd* first(QObject* window) const {
        const auto found = m_first.find(window);
        return found == m_first.end() ? nullptr : found->second;
    }

    void hook(CSubclassWnd& hook, QWidget* window) {
        CSubclassWnd* previous = first(window);
        hook.m_window = window;
        hook.m_next = previous;
        m_first[window] = &hook;
        if (!previous) {
            window->installEventFilter(this);
            connect(window, &QObject::destroyed, this, &SubclassChains::windowDestroyed);
        }
    }

    void unhook(CSubclassWnd& hook) {
        QWidget* window = hook.m_window;
        CSubclassWnd* head = first(window);
        if (head == &hook) {
            if (hook.m_next) {
                m_first[window] = hook.m_next;
            } else {
                m_first.erase(window);
                window->removeEventFilter(this);
                disconnect(window, &QObject::destroyed, this, &SubclassChains::windowDestroyed);
            }
        } else {
            for (CSubclassWnd* link = head; link; link = link->m_next) {
                if (link->m_next == &hook) {
                    link->m_next = hook.m_next;
                    break;
                }
            }
        }
        hook.m_window = nullptr;
        hook.m_next = nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        CSubclassWnd* head = first(watched);
        return head ? head->WindowProc(event) : false;
    }

private:
    using QObject::QObject;

    // The window is going: every hook lets go of it, and the window's entry leaves the map.
    void windowDestroyed(QObject* window) {
        CSubclassWnd* link = first(window);
        m_first.erase(window);
        while (link) {
            CSubclassWnd* next = link->m_next;
            link->m_window = nullptr;
            link->m_next = nullptr;
            link = next;
        }
    }

    std::unordered_map<QObject*, CSubclassWnd*> m_first;
};

CSubclassWnd::~CSubclassWnd() {
    unlink();
}

void CSubclassWnd::HookWindow(QWidget* window) {
    unlink();
    if (window)
        SubclassChains::instance().hook(*this, window);
}

void CSubclassWnd::unlink() {
    if (m_window)
        SubclassChains::instance().unhook(*this);
}

bool CSubclassWnd::WindowProc(QEvent* event) {
    return Default(event);
}

bool CSubclassWnd::Default(QEvent* event) {
    return m_next ? m_next->WindowProc(event) : false;
}
