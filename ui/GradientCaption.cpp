#include "ui/GradientCaption.h"

#include <QPainter>
#include <algorithm>

#include "ui/CaptionPainter.h"

namespace {

// right + (left - right) * h / a per channel, the division truncating towards the right colour.
QColor blend(const QColor& left, const QColor& right, int h, int a) {
    auto mix = [&](int l, int r) { return r + (l - r) * h / a; };
    return QColor(mix(left.red(), right.red()), mix(left.green(), right.green()),
                  mix(left.blue(), right.blue()));
}

} // namespace

std::vector<GradientCaption::Band> GradientCaption::bands(int width, const QColor& left,
                                                          const QColor& right) {
    const int a = width * 5 / 6;
    const int s = std::max(1, a / 64);
    std::vector<Band> fills;
    fills.push_back({a, width - a, right});
    int x = a;
    while (x > s) {
        x -= s;
        fills.push_back({x, s, blend(left, right, a - x, a)});
    }
    fills.push_back({0, x, left});
    return fills;
}

void GradientCaption::paint(const CaptionPaintRequest* request, const CCaptionPainter& caption) {
    if (!request) {
        m_font.reset();
        return;
    }
    QPainter& painter = *request->painter;
    const int W = request->width;
    const int H = request->height;
    const QColor left = request->active ? kActive : kInactiveLeft;
    const QColor right = request->active ? kActive : kInactiveRight;
    for (const Band& band : bands(W, left, right))
        painter.fillRect(QRect(band.x, 0, band.width, H), band.color);

    const int icon = caption.DrawIcon(painter);
    const int buttons = caption.DrawButtons(painter, W);
    if (!m_font)
        m_font = CCaptionPainter::captionFont();
    painter.setFont(*m_font);
    painter.setPen(Qt::white);
    const QRect text(icon + 2, 0, std::max(0, W - buttons - icon - 2), H);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(caption.captionText(), Qt::ElideRight, text.width()));
}
