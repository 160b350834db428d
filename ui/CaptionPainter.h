#pragma once

#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "ui/SubclassWnd.h"

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QShortcut;
class SystemMenu;

// What the owner of a painted caption gets asked to draw: the caption's size, where to draw it and
// whether the window is active.
struct CaptionPaintRequest {
    int width = 0;
    int height = 0;
    QPainter* painter = nullptr;
    bool active = false;
};

// Draws a window's caption itself. The window loses the platform's frame; the painter keeps a frame
// and a caption row of its own around the window's contents, draws them, and gives the caption's
// dragging, double-click, edges and buttons their usual meaning, and offers the window menu (a click on
// the icon, a right-click on the caption, Alt+Space) that the platform's frame would have offered. The
// caption is drawn once per size, state and text into a cached image and copied onto the window from
// there.
class CCaptionPainter : public CSubclassWnd {
public:
    // Draws the caption for a request; called with null when colours or fonts changed, so that the owner
    // drops what it keeps for drawing. Without one the painter draws a plain caption itself.
    using PaintMessage = std::function<void(const CaptionPaintRequest*)>;

    enum class Button { None, Close, MaxRestore, Minimize };

    static constexpr int kSizingFrame = 4;
    static constexpr int kBorder = 1;
    static constexpr int kMinimumCaptionHeight = 19;

    CCaptionPainter();
    ~CCaptionPainter() override;

    // Takes over `window`'s frame and caption. The window's contents move inside the painted frame; a
    // window already shown is shown again without the platform's frame.
    void Install(QWidget* window, PaintMessage paintMessage);
    // Gives the window back the platform's frame, with its contents where they were.
    void Uninstall();
    void SetCaptionText(const QString& text);
    // The window menu while the caption is painted, else null. Commands of items the owner appends go to
    // `handler`; the standard ones are carried out here.
    SystemMenu* systemMenu() const { return m_systemMenu.get(); }
    void SetSystemCommandHandler(std::function<void(int command)> handler);
    // Opens the window menu under the caption's icon, as Alt+Space does.
    void ShowSystemMenu();
    // The standard window commands (SystemMenu::Command); Move and Size follow the mouse and the arrow
    // keys until a click or Enter, and Esc puts the window back.
    void OnSysCommand(int command);
    bool tracking() const { return m_tracking; }
    const QString& captionText() const { return m_text; }
    // Draws the caption again and shows it.
    void RefreshCaption();

    // The platform's caption font, and the sizes that follow from it.
    static QFont captionFont();
    int captionHeight() const;
    QSize buttonSize() const;
    int frameWidth() const;
    // The caption row in window coordinates, below the frame, above its one-pixel border.
    QRect captionRect() const;
    bool active() const { return m_active; }

    // For a paint message: the window icon at the caption's left, returning the width it takes, and
    // the caption buttons at its right, returning the width they take. A button being pressed is drawn
    // sunken.
    int DrawIcon(QPainter& painter) const;
    int DrawButtons(QPainter& painter, int width) const;
    // A button's rectangle in caption coordinates, or an empty one when the window has no such button.
    QRect buttonRect(Button button, int width) const;
    // The caption as it was last drawn for a state; null before the first drawing.
    const QPixmap& cachedCaption(bool active) const { return m_bitmaps[active ? 1 : 0]; }

    // What a point of the window is, for the mouse.
    struct Hit {
        Qt::Edges edges;
        Button button = Button::None;
        bool caption = false;
        bool icon = false; // on the caption, over the icon
    };
    Hit hitTest(QPoint point) const;

protected:
    bool WindowProc(QEvent* event) override;
    // Draws the frame and copies the caption onto the window.
    virtual void OnNcPaint(QPainter& painter);
    // The window became active or inactive: the caption is drawn in its new state.
    virtual void OnNcActivate(bool active);
    // The window's text changed: the caption shows it.
    virtual void OnSetText(const QString& text);

private:
    void updateMargins();
    void forgetSize();
    void fillCaption(QPixmap& bitmap, bool active);
    void drawDefaultCaption(const CaptionPaintRequest& request);
    void drawFrame(QPainter& painter) const;
    static void drawButton(QPainter& painter, const QRect& rect, Button button, bool maximized, bool pressed,
                           const QPalette& colors);
    bool mouseEvent(QMouseEvent* event);
    bool trackingMouseEvent(QMouseEvent* event);
    bool trackingKey(QKeyEvent* event);
    void beginTracking(Qt::Edges edges);
    void endTracking(bool keep);
    void pressButton(Button button);
    void trackManualDrag(QPoint global);
    void startMove(QPoint pressed, QPoint global);
    void toggleMaximized();
    void updateCursor(QPoint point);

    PaintMessage m_paintMessage;
    QString m_text;
    bool m_active = false;
    QSize m_cachedSize;
    std::array<QPixmap, 2> m_bitmaps; // inactive, active
    Qt::WindowFlags m_nativeFlags;
    QMargins m_nativeMargins;

    // The mouse: a button held down on, a caption press that may become a drag, or a move or resize
    // the program carries out itself where the platform does not.
    Button m_pressed = Button::None;
    bool m_pressedInside = false;
    bool m_captionPressed = false;
    QPoint m_pressPoint;
    bool m_manualDrag = false;
    Qt::Edges m_dragEdges;
    QPoint m_dragStart;
    QRect m_dragGeometry;
    QRect m_normalGeometry;

    // The window menu, and a move or resize started from it.
    std::unique_ptr<SystemMenu> m_systemMenu;
    QPointer<QShortcut> m_systemMenuKey;
    std::function<void(int)> m_systemCommandHandler;
    bool m_tracking = false;
    QPoint m_trackPoint;
};
