#include "ui/CaptionPainter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "ui/SystemMenu.h"

namespace {

bool canMoveWindowsItself() {
    // A Wayland client cannot place its own window; everywhere else the program can move it when the
    // platform's move is missing (an X server without a window manager).
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// How far an arrow key moves or sizes the window while Move or Size from the window menu is on.
const int kArrowStep = 8;

} // namespace

CCaptionPainter::CCaptionPainter() = default;

// The window keeps the flags it has: it is being destroyed, or lives on without its caption drawn.
CCaptionPainter::~CCaptionPainter() = default;

QFont CCaptionPainter::captionFont() {
    return QFontDatabase::systemFont(QFontDatabase::TitleFont);
}

int CCaptionPainter::captionHeight() const {
    return std::max(kMinimumCaptionHeight, QFontMetrics(captionFont()).height() + 6);
}

QSize CCaptionPainter::buttonSize() const {
    const int side = captionHeight() - kBorder;
    return {side, side};
}

int CCaptionPainter::frameWidth() const {
    QWidget* window = hookedWindow();
    // A maximised window's frame would only stand between its contents and the screen's edge.
    return window && (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) ? 0
                                                                                            : kSizingFrame;
}

QRect CCaptionPainter::captionRect() const {
    QWidget* window = hookedWindow();
    if (!window)
        return {};
    const int frame = frameWidth();
    return QRect(frame, frame, window->width() - 2 * frame, captionHeight() - kBorder);
}

void CCaptionPainter::Install(QWidget* window, PaintMessage paintMessage) {
    Uninstall();
    m_paintMessage = std::move(paintMessage);
    m_nativeFlags = window->windowFlags();
    m_nativeMargins = window->contentsMargins();
    m_active = window->isActiveWindow();
    if (m_text.isEmpty())
        m_text = window->windowTitle();
    HookWindow(window);

    const bool shown = window->isVisible();
    window->setWindowFlags(m_nativeFlags | Qt::FramelessWindowHint);
    window->setMouseTracking(true);
    // The edges' resize cursors are the window's own; its direct children keep the arrow, so the
    // cursor does not follow the mouse onto them.
    for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->testAttribute(Qt::WA_SetCursor))
            child->setCursor(Qt::ArrowCursor);
    updateMargins();
    forgetSize();
    m_systemMenu = std::make_unique<SystemMenu>(window, [this](int command) { OnSysCommand(command); });
    m_systemMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
    QObject::connect(m_systemMenuKey, &QShortcut::activated, window, [this] { ShowSystemMenu(); });
    if (shown)
        window->show();
}

void CCaptionPainter::Uninstall() {
    QWidget* window = hookedWindow();
    if (!window)
        return;
    if (m_tracking)
        endTracking(false);
    delete m_systemMenuKey.data();
    m_systemMenu.reset();
    HookWindow(nullptr);
    const bool shown = window->isVisible();
    window->setContentsMargins(m_nativeMargins);
    window->setWindowFlags(m_nativeFlags);
    window->unsetCursor();
    if (shown)
        window->show();
    forgetSize();
    if (m_paintMessage)
        m_paintMessage(nullptr);
}

void CCaptionPainter::updateMargins() {
    QWidget* window = hookedWindow();
    const int frame = frameWidth();
    window->setContentsMargins(m_nativeMargins + QMargins(frame, frame + captionHeight(), frame, frame));
}

void CCaptionPainter::forgetSize() {
    m_cachedSize = QSize();
    m_bitmaps = {};
}

void CCaptionPainter::SetSystemCommandHandler(std::function<void(int command)> handler) {
    m_systemCommandHandler = std::move(handler);
}

void CCaptionPainter::ShowSystemMenu() {
    QWidget* window = hookedWindow();
    if (!window || !m_systemMenu)
        return;
    const QRect caption = captionRect();
    m_systemMenu->popup(window->mapToGlobal(QPoint(caption.left(), caption.bottom() + 1 + kBorder)));
}

void CCaptionPainter::OnSysCommand(int command) {
    QWidget* window = hookedWindow();
    if (!window)
        return;
    switch (command) {
    case SystemMenu::Restore:
        if (window->isMinimized())
            window->showNormal();
        else if (window->isMaximized())
            toggleMaximized();
        return;
    case SystemMenu::Move:
        return beginTracking({});
    case SystemMenu::Size:
        return beginTracking(Qt::RightEdge | Qt::BottomEdge);
    case SystemMenu::Minimize:
        window->showMinimized();
        return;
    case SystemMenu::Maximize:
        if (!window->isMaximized())
            toggleMaximized();
        return;
    case SystemMenu::Close:
        window->close();
        return;
    default:
        if (m_systemCommandHandler)
            m_systemCommandHandler(command);
        return;
    }
}

void CCaptionPainter::beginTracking(Qt::Edges edges) {
    QWidget* window = hookedWindow();
    if (window->isMaximized() || window->isMinimized())
        return;
    // The pointer goes where a drag would have started: the caption's middle, or the sized corner.
    const QRect caption = captionRect();
    const QPoint start = edges ? window->rect().bottomRight() : caption.center();
    m_tracking = true;
    m_manualDrag = true;
    m_dragEdges = edges;
    m_dragGeometry = window->geometry();
    m_dragStart = m_trackPoint = window->mapToGlobal(start);
    QCursor::setPos(m_trackPoint);
    window->grabMouse(edges ? Qt::SizeFDiagCursor : Qt::SizeAllCursor);
    window->grabKeyboard();
}

void CCaptionPainter::endTracking(bool keep) {
    QWidget* window = hookedWindow();
    m_tracking = false;
    m_manualDrag = false;
    window->releaseKeyboard();
    window->releaseMouse();
    if (!keep)
        window->setGeometry(m_dragGeometry);
}

bool CCaptionPainter::trackingKey(QKeyEvent* event) {
    QPoint step;
    switch (event->key()) {
    case Qt::Key_Left:
        step = QPoint(-kArrowStep, 0);
        break;
    case Qt::Key_Right:
        step = QPoint(kArrowStep, 0);
        break;
    case Qt::Key_Up:
        step = QPoint(0, -kArrowStep);
        break;
    case Qt::Key_Down:
        step = QPoint(0, kArrowStep);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        endTracking(true);
        return true;
    case Qt::Key_Escape:
        endTracking(false);
        return true;
    default:
        // Every other key is swallowed while the window is being moved, as a grab means.
        return true;
    }
    m_trackPoint += step;
    QCursor::setPos(m_trackPoint);
    trackManualDrag(m_trackPoint);
    return true;
}

bool CCaptionPainter::trackingMouseEvent(QMouseEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        m_trackPoint = event->globalPosition().toPoint();
        trackManualDrag(m_trackPoint);
        return true;
    case QEvent::MouseButtonPress:
        // A click puts the window down where it is, with any button.
        endTracking(true);
        return true;
    default:
        return true;
    }
}

void CCaptionPainter::SetCaptionText(const QString& text) {
    m_text = text;
    forgetSize();
    RefreshCaption();
}

void CCaptionPainter::RefreshCaption() {
    QWidget* window = hookedWindow();
    if (!window || window->isMinimized())
        return;
    const QRect caption = captionRect();
    if (caption.size() != m_cachedSize) {
        m_bitmaps = {};
        m_cachedSize = caption.size();
    }
    fillCaption(m_bitmaps[m_active ? 1 : 0], m_active);
    // Only the caption row is repainted, in one go from the bitmap: nothing under it is drawn first.
    window->update(caption);
}

void CCaptionPainter::fillCaption(QPixmap& bitmap, bool active) {
    if (m_cachedSize.isEmpty())
        return;
    const qreal ratio = hookedWindow()->devicePixelRatioF();
    if (bitmap.isNull()) {
        bitmap = QPixmap(m_cachedSize * ratio);
        bitmap.setDevicePixelRatio(ratio);
    }
    QPainter painter(&bitmap);
    const CaptionPaintRequest request{m_cachedSize.width(), m_cachedSize.height(), &painter, active};
    if (m_paintMessage)
        m_paintMessage(&request);
    else
        drawDefaultCaption(request);
}

void CCaptionPainter::drawDefaultCaption(const CaptionPaintRequest& request) {
    QPainter& painter = *request.painter;
    const QPalette colors = hookedWindow()->palette();
    painter.fillRect(QRect(0, 0, request.width, request.height),
                     colors.color(request.active ? QPalette::Highlight : QPalette::Dark));
    const int icon = DrawIcon(painter);
    const int buttons = DrawButtons(painter, request.width);
    painter.setFont(captionFont());
    painter.setPen(colors.color(QPalette::HighlightedText));
    const QRect text(icon + 2, 0, request.width - buttons - icon - 2, request.height);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(m_text, Qt::ElideRight, text.width()));
}

int CCaptionPainter::DrawIcon(QPainter& painter) const {
    const QSize button = buttonSize();
    const QRect area(2, 1, button.width() - 2, button.height() - 2);
    hookedWindow()->windowIcon().paint(&painter, area);
    return button.width();
}

QRect CCaptionPainter::buttonRect(Button button, int width) const {
    const int side = buttonSize().width();
    const int height = captionHeight() - kBorder;
    auto cell = [&](int left) { return QRect(left, 2, side - 2, height - 4); };
    if (!(m_nativeFlags & Qt::WindowTitleHint))
        return {};
    int left = width - side;
    if (button == Button::Close)
        return cell(left);
    if (m_nativeFlags & Qt::WindowMaximizeButtonHint) {
        left -= side;
        if (button == Button::MaxRestore)
            return cell(left);
    }
    if (button == Button::Minimize && (m_nativeFlags & Qt::WindowMinimizeButtonHint))
        return cell(left - (side - 2));
    return {};
}

int CCaptionPainter::DrawButtons(QPainter& painter, int width) const {
    const QPalette colors = hookedWindow()->palette();
    const bool maximized = hookedWindow()->isMaximized();
    int left = width;
    for (Button button : {Button::Close, Button::MaxRestore, Button::Minimize}) {
        const QRect rect = buttonRect(button, width);
        if (rect.isEmpty())
            continue;
        drawButton(painter, rect, button, maximized, m_pressed == button && m_pressedInside, colors);
        left = rect.left();
    }
    return width - left;
}

void CCaptionPainter::drawButton(QPainter& painter, const QRect& rect, Button button, bool maximized,
                                 bool pressed, const QPalette& colors) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(rect, colors.color(QPalette::Button));
    // A raised edge of two rings, sunken while pressed.
    const QColor outerLight = colors.color(QPalette::Midlight);
    const QColor outerDark = colors.color(QPalette::Shadow);
    const QColor innerLight = colors.color(QPalette::Light);
    const QColor innerDark = colors.color(QPalette::Dark);
    QRect ring = rect;
    for (const auto& [light, dark] : {std::pair{outerLight, outerDark}, std::pair{innerLight, innerDark}}) {
        painter.setPen(pressed ? dark : light);
        painter.drawLine(ring.topLeft(), ring.topRight());
        painter.drawLine(ring.topLeft(), ring.bottomLeft());
        painter.setPen(pressed ? light : dark);
        painter.drawLine(ring.bottomLeft(), ring.bottomRight());
        painter.drawLine(ring.topRight(), ring.bottomRight());
        ring.adjust(1, 1, -1, -1);
    }

    // The glyph in a square centred in the button, pushed down and right while pressed.
    const int side = std::max(4, std::min(rect.width(), rect.height()) - 7);
    QRect box(rect.left() + (rect.width() - side) / 2, rect.top() + (rect.height() - side) / 2, side, side);
    if (pressed)
        box.translate(1, 1);
    painter.setPen(colors.color(QPalette::ButtonText));
    const QColor ink = colors.color(QPalette::ButtonText);
    switch (button) {
    case Button::Close:
        for (int i = 0; i < side; ++i) {
            painter.fillRect(box.left() + i, box.top() + i, 2, 1, ink);
            painter.fillRect(box.right() - i - 1, box.top() + i, 2, 1, ink);
        }
        break;
    case Button::MaxRestore:
        if (maximized) {
            const int small = side * 2 / 3 + 1;
            const QRect back(box.right() - small + 1, box.top(), small, small);
            const QRect front(box.left(), box.bottom() - small + 1, small, small);
            painter.drawRect(back.adjusted(0, 0, -1, -1));
            painter.fillRect(back.left(), back.top() + 1, back.width(), 1, ink);
            painter.fillRect(front, colors.color(QPalette::Button));
            painter.drawRect(front.adjusted(0, 0, -1, -1));
            painter.fillRect(front.left(), front.top() + 1, front.width(), 1, ink);
        } else {
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.fillRect(box.left(), box.top() + 1, box.width(), 1, ink);
        }
        break;
    case Button::Minimize:
        painter.fillRect(box.left(), box.bottom() - 1, side * 2 / 3 + 1, 2, ink);
        break;
    case Button::None:
        break;
    }
    painter.restore();
}

void CCaptionPainter::drawFrame(QPainter& painter) const {
    QWidget* window = hookedWindow();
    const QPalette colors = window->palette();
    const QRect outer = window->rect();
    const int frame = frameWidth();
    // The frame's face, and the border row under the caption.
    const QRegion face = QRegion(outer) - QRegion(outer.adjusted(frame, frame, -frame, -frame));
    for (const QRect& rect : face)
        painter.fillRect(rect, colors.color(QPalette::Button));
    painter.fillRect(QRect(frame, captionRect().bottom() + 1, outer.width() - 2 * frame, kBorder),
                     colors.color(QPalette::Button));
    if (frame < 2)
        return;
    QRect ring = outer;
    for (const auto& [light, dark] :
         {std::pair{QPalette::Midlight, QPalette::Shadow}, std::pair{QPalette::Light, QPalette::Dark}}) {
        painter.setPen(colors.color(light));
        painter.drawLine(ring.topLeft(), ring.topRight());
        painter.drawLine(ring.topLeft(), ring.bottomLeft());
        painter.setPen(colors.color(dark));
        painter.drawLine(ring.bottomLeft(), ring.bottomRight());
        painter.drawLine(ring.topRight(), ring.bottomRight());
        ring.adjust(1, 1, -1, -1);
    }
}

void CCaptionPainter::OnNcPaint(QPainter& painter) {
    drawFrame(painter);
    const QRect caption = captionRect();
    if (caption.size() != m_cachedSize) {
        m_bitmaps = {};
        m_cachedSize = caption.size();
    }
    QPixmap& bitmap = m_bitmaps[m_active ? 1 : 0];
    if (bitmap.isNull())
        fillCaption(bitmap, m_active);
    painter.drawPixmap(caption.topLeft(), bitmap);
}

void CCaptionPainter::OnNcActivate(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    RefreshCaption();
}

void CCaptionPainter::OnSetText(const QString& text) {
    SetCaptionText(text);
}

CCaptionPainter::Hit CCaptionPainter::hitTest(QPoint point) const {
    QWidget* window = hookedWindow();
    Hit hit;
    if (!window)
        return hit;
    const int frame = frameWidth();
    if (frame > 0) {
        // Corners reach a button's width along each edge, so they are easy to catch.
        const int corner = buttonSize().width();
        const QRect inner = window->rect().adjusted(frame, frame, -frame, -frame);
        const bool left = point.x()<inner.left(), right = point.x()> inner.right();
        const bool top = point.y()<inner.top(), bottom = point.y()> inner.bottom();
        if (left || right || top || bottom) {
            if (left || point.x() < corner)
                hit.edges |= Qt::LeftEdge;
            else if (right || point.x() >= window->width() - corner)
                hit.edges |= Qt::RightEdge;
            if (top || point.y() < corner)
                hit.edges |= Qt::TopEdge;
            else if (bottom || point.y() >= window->height() - corner)
                hit.edges |= Qt::BottomEdge;
            return hit;
        }
    }
    const QRect caption = captionRect();
    if (point.y() > caption.bottom() + kBorder)
        return hit;
    const QPoint inCaption = point - caption.topLeft();
    for (Button button : {Button::Close, Button::MaxRestore, Button::Minimize}) {
        if (buttonRect(button, caption.width()).contains(inCaption)) {
            hit.button = button;
            return hit;
        }
    }
    hit.caption = true;
    hit.icon = inCaption.x() < buttonSize().width();
    return hit;
}

bool CCaptionPainter::WindowProc(QEvent* event) {
    QWidget* window = hookedWindow();
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter painter(window);
        OnNcPaint(painter);
        break;
    }
    case QEvent::ActivationChange:
    case QEvent::EnabledChange:
        // A window that a modal box has disabled shows an inactive caption.
        OnNcActivate(window->isActiveWindow() && window->isEnabled());
        break;
    case QEvent::WindowTitleChange:
        OnSetText(window->windowTitle());
        break;
    case QEvent::WindowStateChange:
        updateMargins();
        forgetSize();
        RefreshCaption();
        break;
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::ApplicationFontChange:
    case QEvent::ApplicationPaletteChange:
        forgetSize();
        if (m_paintMessage)
            m_paintMessage(nullptr);
        updateMargins();
        RefreshCaption();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (m_tracking)
            return trackingMouseEvent(static_cast<QMouseEvent*>(event));
        if (mouseEvent(static_cast<QMouseEvent*>(event)))
            return true;
        break;
    case QEvent::KeyPress:
        if (m_tracking)
            return trackingKey(static_cast<QKeyEvent*>(event));
        break;
    case QEvent::ShortcutOverride:
        // While moving, the arrows and Enter are this painter's, not the window's shortcuts'.
        if (m_tracking) {
            event->accept();
            return true;
        }
        break;
    case QEvent::Leave:
        if (!m_manualDrag)
            window->unsetCursor();
        break;
    default:
        break;
    }
    return Default(event);
}

void CCaptionPainter::pressButton(Button button) {
    if (m_pressed == button)
        return;
    m_pressed = button;
    forgetSize();
    RefreshCaption();
}

bool CCaptionPainter::mouseEvent(QMouseEvent* event) {
    QWidget* window = hookedWindow();
    const QPoint point = event->position().toPoint();
    const QPoint global = event->globalPosition().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const Hit hit = hitTest(point);
        if (event->button() == Qt::RightButton)
            return hit.caption; // the menu comes on release, as the platform's does
        if (event->button() != Qt::LeftButton)
            return false;
        if (hit.icon) {
            ShowSystemMenu();
        } else if (hit.button != Button::None) {
            m_pressedInside = true;
            pressButton(hit.button);
        } else if (hit.edges) {
            if (!window->windowHandle()->startSystemResize(hit.edges) && canMoveWindowsItself()) {
                m_manualDrag = true;
                m_dragEdges = hit.edges;
                m_dragStart = global;
                m_dragGeometry = window->geometry();
            }
        } else if (hit.caption) {
            // The move starts once the mouse moves, so that a double-click stays a double-click.
            m_captionPressed = true;
            m_pressPoint = point;
        } else {
            return false;
        }
        return true;
    }
    case QEvent::MouseButtonDblClick:
        if (event->button() == Qt::LeftButton && hitTest(point).icon) {
            // A double-click on the icon closes the window, as it always has on the platform's frame.
            if (m_systemMenu)
                m_systemMenu->menu()->close();
            window->close();
            return true;
        }
        if (event->button() == Qt::LeftButton && hitTest(point).caption) {
            m_captionPressed = false;
            toggleMaximized();
            return true;
        }
        return event->button() == Qt::LeftButton && hitTest(point).button != Button::None;
    case QEvent::MouseMove:
        if (m_manualDrag) {
            trackManualDrag(global);
        } else if (m_pressed != Button::None) {
            const bool inside = hitTest(point).button == m_pressed;
            if (inside != m_pressedInside) {
                m_pressedInside = inside;
                forgetSize();
                RefreshCaption();
            }
        } else if (m_captionPressed) {
            // The platform moves the window from where the mouse is when the move starts, so it starts
            // with the first step the mouse takes.
            if (point != m_pressPoint) {
                m_captionPressed = false;
                startMove(global - (point - m_pressPoint), global);
            }
        } else if (!(event->buttons() & Qt::LeftButton)) {
            updateCursor(point);
            return false;
        }
        return true;
    case QEvent::MouseButtonRelease: {
        if (event->button() == Qt::RightButton && hitTest(point).caption && m_systemMenu) {
            m_systemMenu->popup(global);
            return true;
        }
        if (event->button() != Qt::LeftButton)
            return false;
        const bool handled = m_manualDrag || m_captionPressed || m_pressed != Button::None;
        m_manualDrag = false;
        m_captionPressed = false;
        if (m_pressed != Button::None) {
            const Button released = m_pressed;
            const bool inside = hitTest(point).button == released;
            m_pressedInside = false;
            pressButton(Button::None);
            if (inside) {
                if (released == Button::Close)
                    window->close();
                else if (released == Button::MaxRestore)
                    toggleMaximized();
                else
                    window->showMinimized();
            }
        }
        return handled;
    }
    default:
        return false;
    }
}

void CCaptionPainter::startMove(QPoint pressed, QPoint global) {
    QWidget* window = hookedWindow();
    if (window->windowHandle()->startSystemMove())
        return;
    if (!canMoveWindowsItself()) {
        // Nothing can move this window but a frame of the platform's own.
        Uninstall();
        return;
    }
    m_manualDrag = true;
    m_dragEdges = {};
    m_dragStart = pressed;
    m_dragGeometry = window->geometry();
    trackManualDrag(global);
}

void CCaptionPainter::trackManualDrag(QPoint global) {
    QWidget* window = hookedWindow();
    const QPoint delta = global - m_dragStart;
    if (!m_dragEdges) {
        window->move(m_dragGeometry.topLeft() + delta);
        return;
    }
    QRect rect = m_dragGeometry;
    const QSize minimum = window->minimumSize().expandedTo(QSize(1, 1));
    if (m_dragEdges & Qt::LeftEdge)
        rect.setLeft(std::min(rect.left() + delta.x(), rect.right() + 1 - minimum.width()));
    if (m_dragEdges & Qt::RightEdge)
        rect.setRight(std::max(rect.right() + delta.x(), rect.left() + minimum.width() - 1));
    if (m_dragEdges & Qt::TopEdge)
        rect.setTop(std::min(rect.top() + delta.y(), rect.bottom() + 1 - minimum.height()));
    if (m_dragEdges & Qt::BottomEdge)
        rect.setBottom(std::max(rect.bottom() + delta.y(), rect.top() + minimum.height() - 1));
    window->setGeometry(rect);
}

void CCaptionPainter::toggleMaximized() {
    QWidget* window = hookedWindow();
    if (!(m_nativeFlags & Qt::WindowMaximizeButtonHint))
        return;
    // The geometry is set as well as the state: a window manager places the window the same way, and
    // without one the state alone would change nothing on the screen. A new geometry ends the maximised
    // state, so it goes first.
    if (window->isMaximized()) {
        window->showNormal();
        if (m_normalGeometry.isValid())
            window->setGeometry(m_normalGeometry);
    } else {
        m_normalGeometry = window->geometry();
        if (QScreen* screen = window->screen())
            window->setGeometry(screen->availableGeometry());
        window->showMaximized();
    }
}

void CCaptionPainter::updateCursor(QPoint point) {
    QWidget* window = hookedWindow();
    const Qt::Edges edges = hitTest(point).edges;
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        window->setCursor(Qt::SizeFDiagCursor);
    else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        window->setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        window->setCursor(Qt::SizeHorCursor);
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        window->setCursor(Qt::SizeVerCursor);
    else
        window->unsetCursor();
}
