#include "ui/ColorButton.h"

#include <QPainter>
#include <cstdlib>

namespace {
const int kFocusInset = 4;
const int kMaxTextLength = 512;
// A quarter of the colour is left: enough to tell which button it is, too little to look pressable.
const QColor kFadedFace(236, 236, 236);
const double kFaceShare = 0.25;
} // namespace

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent) {
    // Every pixel is painted here, so the parent's background never needs to show through.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CColorButton::Attach(const QColor& background, const QColor& text, const QColor& disabledText,
                          unsigned bevel) {
    m_background = background;
    m_text = text;
    m_disabledText = disabledText;
    m_bevel = bevel;
    update();
}

CColorButton::BevelColors CColorButton::bevelColors(unsigned width, unsigned ring) {
    if (width == 1)
        return {QColor(255, 255, 255), QColor(128, 128, 128)};
    const int light = 192 + 63 / static_cast<int>(ring + 1);
    const int dark = 255 / static_cast<int>(ring + 2);
    return {QColor(light, light, light), QColor(dark, dark, dark)};
}

void CColorButton::drawBevel(QPainter& painter, QRect rect, int width) {
    const bool sunken = width < 0;
    const unsigned rings = static_cast<unsigned>(std::abs(width));
    // Right and bottom are the first pixels outside the ring, as the lines are measured from them.
    int left = rect.left();
    int top = rect.top();
    int right = rect.right() + 1;
    int bottom = rect.bottom() + 1;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (unsigned ring = 0; ring < rings; ++ring) {
        const BevelColors colors = bevelColors(rings, ring);
        const QColor topLeft = sunken ? colors.dark : colors.light;
        QColor bottomRight = sunken ? colors.light : colors.dark;
        if (sunken && rings > 1 && ring == rings - 1)
            bottomRight = QColor(1, 1, 1);
        // Each line stops one pixel short of its end point, so no two lines of a ring share a pixel.
        painter.setPen(topLeft);
        painter.drawLine(left, top, right - 1, top);
        painter.drawLine(left, top, left, bottom - 1);
        painter.setPen(bottomRight);
        painter.drawLine(left + 1, bottom - 1, right - 1, bottom - 1);
        painter.drawLine(right - 1, top + 1, right - 1, bottom - 1);
        ++left;
        ++top;
        --right;
        --bottom;
    }
    painter.restore();
}

QColor CColorButton::disabledFace(const QColor& background) {
    auto mix = [](int colour, int faded) {
        return static_cast<int>(colour * kFaceShare + faded * (1.0 - kFaceShare) + 0.5);
    };
    return QColor(mix(background.red(), kFadedFace.red()), mix(background.green(), kFadedFace.green()),
                  mix(background.blue(), kFadedFace.blue()));
}

void CColorButton::drawFocusRect(QPainter& painter, const QRect& rect) {
    if (rect.width() < 2 || rect.height() < 2)
        return;
    // A checkerboard of inverted pixels along the outline, so it shows on any background colour.
    QList<QPoint> dots;
    auto dot = [&](int x, int y) {
        if ((x - rect.left() + y - rect.top()) % 2 == 0)
            dots << QPoint(x, y);
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        dot(rect.right(), y);
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::white);
    painter.drawPoints(dots.constData(), static_cast<int>(dots.size()));
    painter.restore();
}

void CColorButton::drawText(QPainter& painter, const QColor& color) {
    painter.setPen(color);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                     text().left(kMaxTextLength));
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect item = rect();
    const QRect focus = item.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
    if (!isEnabled()) {
        // The disabled text drawn over the normal one would leave the face as it is, and light grey
        // text on the face reads much like white: the whole button changes instead.
        painter.fillRect(item, disabledFace(m_background));
        painter.setPen(m_background);
        painter.drawRect(item.adjusted(0, 0, -1, -1));
        drawText(painter, m_disabledText);
        return;
    }

    painter.fillRect(item, m_background);
    drawBevel(painter, item, static_cast<int>(m_bevel));
    drawText(painter, m_text);
    if (hasFocus()) {
        drawFocusRect(painter, focus);
        if (isDown()) {
            painter.fillRect(item, m_background);
            drawBevel(painter, item, -1);
            drawText(painter, m_text);
            drawFocusRect(painter, focus);
        }
    }
}
