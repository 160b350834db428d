#pragma once

class QEvent;
class QWidget;

// One hook in a window's chain of event hooks. A window may carry several: the hook installed last sees
// the window's events first and hands on what it does not take with Default(); after the last hook the
// window handles the event itself. The chain is dissolved when the window is destroyed, and a hook that
// is destroyed first leaves the chain by itself.
class CSubclassWnd {
public:
    CSubclassWnd() = default;
    virtual ~CSubclassWnd();
    CSubclassWnd(const CSubclassWnd&) = delete;
    CSubclassWnd& operator=(const CSubclassWnd&) = delete;

    // Puts this hook first in `window`'s chain, leaving any window it was on; null only unhooks.
    void HookWindow(QWidget* window);
    bool IsHooked() const { return m_window != nullptr; }
    QWidget* hookedWindow() const { return m_window; }

protected:
    // Sees an event of the hooked window; true when the event was handled here, so neither later hooks
    // nor the window see it. The default hands it on.
    virtual bool WindowProc(QEvent* event);
    // Default processing of the event: the next hook, or the window itself when this hook is the last.
    bool Default(QEvent* event);

private:
    friend class SubclassChains;
    void unlink();

    QWidget* m_window = nullptr;
    CSubclassWnd* m_next = nullptr;
};
