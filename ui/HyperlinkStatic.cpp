#include "ui/HyperlinkStatic.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "app/MessageService.h"
#include "platform/Shell.h"

CHyperlinkStatic::CHyperlinkStatic(QWidget* parent) : QLabel(parent) {
    underlineFont();
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setHover(false);
}

void CHyperlinkStatic::underlineFont() {
    if (font().underline())
        return;
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

void CHyperlinkStatic::changeEvent(QEvent* event) {
    // A font given to the label later is underlined as well.
    if (event->type() == QEvent::FontChange)
        underlineFont();
    QLabel::changeEvent(event);
}

void CHyperlinkStatic::setServices(Shell& shell, MessageService& messages) {
    m_shell = &shell;
    m_messages = &messages;
}

std::string CHyperlinkStatic::target(const QString& text) {
    const std::string link = text.toStdString();
    return text.contains(QLatin1Char('@')) ? "mailto:" + link : link;
}

void CHyperlinkStatic::open() {
    if (!m_shell)
        return;
    const bool mail = text().contains(QLatin1Char('@'));
    if (!m_shell->open(target(text())) && mail)
        m_messages->showMessage(kMailFailure);
}

void CHyperlinkStatic::setHover(bool hover) {
    m_hover = hover;
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, hover ? kHoverColor : kNormalColor);
    setPalette(colors);
    // Painted at once, so the colour follows the mouse even while the program is busy.
    repaint();
}

void CHyperlinkStatic::enterEvent(QEnterEvent* event) {
    if (!m_hover)
        setHover(true);
    QLabel::enterEvent(event);
}

void CHyperlinkStatic::leaveEvent(QEvent* event) {
    if (m_hover)
        setHover(false);
    QLabel::leaveEvent(event);
}

void CHyperlinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperlinkStatic::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperlinkStatic::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = contentsRect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}
