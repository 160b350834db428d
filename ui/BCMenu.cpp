#include "ui/BCMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QToolBar>
#include <algorithm>
#include <cmath>

namespace {

BCMenu::DrawMode g_themedMode = BCMenu::Flat;
BCMenu::DrawMode g_otherMode = BCMenu::Flat;

// Windows drew themed menus in lighter system colours than unthemed ones; no desktop here draws its
// menus with that theme, so the unthemed (lightened) colours are the ones used.
constexpr bool kThemedDesktop = false;

// A system colour: the same for every item, whatever its state.
QColor systemColor(const QPalette& palette, QPalette::ColorRole role) {
    return palette.color(QPalette::Active, role);
}

int channel(int value, double factor) {
    return value + static_cast<int>(std::floor(factor * (255 - value) + 1e-9));
}

} // namespace

void BCMenu::SetMenuDrawMode(DrawMode themed, DrawMode other) {
    g_themedMode = themed;
    g_otherMode = other;
}

bool BCMenu::flatStyle() {
    return (kThemedDesktop ? g_themedMode : g_otherMode) == Flat;
}

BCMenu::BCMenu() = default;

BCMenu::~BCMenu() {
    // The pop-ups draw with this style: they go first.
    for (const QPointer<QMenu>& popup : m_popups)
        delete popup.data();
}

int BCMenu::gap() const {
    return flatStyle() ? kEffectsGap : kPlainGap;
}

QColor BCMenu::LightenColor(const QColor& color, double factor) {
    if (factor <= 0.0 || factor > 1.0)
        return color;
    return QColor(channel(color.red(), factor), channel(color.green(), factor), channel(color.blue(), factor),
                  color.alpha());
}

QImage BCMenu::washedImage(const QImage& image, double factor) {
    QImage washed = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < washed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(washed.scanLine(y));
        for (int x = 0; x < washed.width(); ++x)
            if (qAlpha(line[x]) != 0)
                line[x] = LightenColor(QColor::fromRgba(line[x]), factor).rgba();
    }
    return washed;
}

QImage BCMenu::shadowImage(const QImage& image, const QColor& shadow) {
    QImage copy = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            if (qAlpha(line[x]) != 0)
                line[x] = qRgba(shadow.red(), shadow.green(), shadow.blue(), qAlpha(line[x]));
    }
    return copy;
}

int BCMenu::menuBarHeight(const QFontMetrics& metrics) {
    return metrics.height() + 6;
}

void BCMenu::LoadMenu(QMenuBar* bar, const std::vector<MenuPopup>& popups,
                      const std::function<QAction*(int)>& command) {
    for (const MenuPopup& popup : popups) {
        auto* menu = new QMenu(QString::fromUtf8(popup.title), bar);
        menu->setStyle(this);
        for (int id : popup.items) {
            if (id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = command(id);
            menu->addAction(action);
            m_items[action].command = id;
        }
        bar->addMenu(menu);
        m_popups.emplace_back(menu);
    }
}

void BCMenu::LoadToolbar(const QToolBar* toolbar) {
    m_imageSize = m_imageSize.expandedTo(toolbar->iconSize());
    const QColor shadow =
        LightenColor(QApplication::palette().color(QPalette::Dark), kThemedDesktop ? 0.0 : kShadowFactor);
    for (QAction* button : toolbar->actions()) {
        if (button->isSeparator())
            continue;
        const int id = button->data().toInt();
        const QImage image =
            button->icon().pixmap(m_imageSize).toImage().convertToFormat(QImage::Format_ARGB32);
        for (auto& [action, item] : m_items) {
            if (item.command != id)
                continue;
            item.images = {image};
            if (flatStyle()) {
                item.images.push_back(washedImage(image, kWashFactor));
                item.images.push_back(shadowImage(image, shadow));
            }
        }
    }
}

const std::vector<QImage>* BCMenu::itemImages(const QAction* action) const {
    const auto found = m_items.find(action);
    return found == m_items.end() || found->second.images.empty() ? nullptr : &found->second.images;
}

const BCMenu::Item* BCMenu::itemAt(const QWidget* widget, const QRect& rect) const {
    const auto* menu = qobject_cast<const QMenu*>(widget);
    if (!menu)
        return nullptr;
    const auto found = m_items.find(menu->actionAt(rect.center()));
    return found == m_items.end() ? nullptr : &found->second;
}

int BCMenu::textLeft() const {
    return (flatStyle() ? m_imageSize.width() + gap() : m_imageSize.width()) + kTextMargin;
}

QRect BCMenu::textRect(const QRect& item) const {
    const int left = textLeft();
    return QRect(item.left() + left, item.top(), item.width() - left - kTextMargin, item.height());
}

int BCMenu::textWidth(const QFontMetrics& metrics, const QString& text) {
    // As wide as drawn: mnemonics taken out, and the glyphs' overhang at either end counted.
    return metrics.boundingRect(QRect(), kTextFlags | Qt::TextShowMnemonic, text).width();
}

QSize BCMenu::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                               const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, contents, widget);
    const int barHeight = menuBarHeight(item->fontMetrics);
    const int g = gap();
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        // One pixel wide rather than none, as a menu leaves out items of no size.
        return QSize(1, std::max(barHeight / 2, (m_imageSize.height() + g) / 2));

    // Measured exactly as drawItemText() lays the text out in textRect(): the same font and the same
    // margins on both sides. The menu adds the widest shortcut's width to every item's.
    int width =
        textLeft() + textWidth(item->fontMetrics, item->text.section(QLatin1Char('\t'), 0, 0)) + kTextMargin;
    if (item->text.contains(QLatin1Char('\t')) || item->reservedShortcutWidth > 0)
        width += kTabGap;
    if (!flatStyle())
        width = std::max(width, 2 * m_imageSize.width() + 1);
    return QSize(width, std::max(barHeight, m_imageSize.height() + g));
}

void BCMenu::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                         const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuEmptyArea && flatStyle())
        return; // the panel has painted it
    if (element != CE_MenuItem || !item)
        return QProxyStyle::drawControl(element, option, painter, widget);
    painter->save();
    if (flatStyle())
        drawFlatItem(*item, *painter, itemAt(widget, item->rect));
    else
        drawClassicItem(*item, *painter, itemAt(widget, item->rect));
    painter->restore();
}

void BCMenu::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const {
    if (!flatStyle() || (element != PE_PanelMenu && element != PE_FrameMenu))
        return QProxyStyle::drawPrimitive(element, option, painter, widget);
    const QPalette& colors = option->palette;
    if (element == PE_PanelMenu) {
        // The band runs the menu's full height, between the items as well as beside them.
        painter->fillRect(option->rect, systemColor(colors, QPalette::Base));
        const int frame = pixelMetric(PM_MenuPanelWidth, option, widget);
        painter->fillRect(QRect(option->rect.left() + frame, option->rect.top(), m_imageSize.width() + gap(),
                                option->rect.height()),
                          LightenColor(systemColor(colors, QPalette::Button), kBandFactor));
    }
    painter->save();
    painter->setPen(systemColor(colors, QPalette::Dark));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

int BCMenu::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    if (flatStyle()) {
        switch (metric) {
        case PM_MenuPanelWidth:
            return 1;
        case PM_MenuHMargin:
            return 0;
        case PM_MenuVMargin:
            return 1;
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int BCMenu::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returnData) const {
    // Disabled items are never selected, from the mouse or the keyboard.
    if (hint == SH_Menu_AllowActiveAndDisabled)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void BCMenu::drawItemText(const QStyleOptionMenuItem& option, QPainter& painter, QRect rect,
                          const QColor& color) const {
    int flags = kTextFlags;
    flags |= styleHint(SH_UnderlineShortcut, &option, nullptr, nullptr) ? Qt::TextShowMnemonic
                                                                        : Qt::TextHideMnemonic;
    const qsizetype tab = option.text.indexOf(QLatin1Char('\t'));
    painter.setFont(option.font);
    painter.setPen(color);
    painter.drawText(rect, flags | Qt::AlignLeft, option.text.left(tab));
    if (tab >= 0)
        painter.drawText(rect, flags | Qt::AlignRight, option.text.mid(option.text.lastIndexOf('\t') + 1));
}

void BCMenu::drawCheckMark(QPainter& painter, const QRect& band, const QColor& color) {
    const QRect mark(band.left() + (band.width() - 16) / 2, band.top() + (band.height() - 16) / 2, 16, 16);
    QPen pen(color, 2);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPoint points[] = {mark.topLeft() + QPoint(4, 8), mark.topLeft() + QPoint(7, 11),
                             mark.topLeft() + QPoint(12, 5)};
    painter.drawPolyline(points, 3);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void BCMenu::drawFlatItem(const QStyleOptionMenuItem& option, QPainter& painter, const Item* item) const {
    const QPalette& colors = option.palette;
    const QRect r = option.rect;
    const int g = gap();
    const QRect band(r.left(), r.top(), m_imageSize.width() + g, r.height());
    painter.fillRect(r, systemColor(colors, QPalette::Base));
    painter.fillRect(band, LightenColor(systemColor(colors, QPalette::Button), kBandFactor));

    const QColor highlight = systemColor(colors, QPalette::Highlight);
    if (option.menuItemType == QStyleOptionMenuItem::Separator) {
        // An etched line: shadow over light.
        const int y = r.top() + r.height() / 2;
        const int left = band.right() + 1 + g;
        painter.setPen(systemColor(colors, QPalette::Dark));
        painter.drawLine(left, y - 1, r.right(), y - 1);
        painter.setPen(systemColor(colors, QPalette::Light));
        painter.drawLine(left, y, r.right(), y);
        return;
    }

    const bool enabled = option.state & State_Enabled;
    const bool selected = enabled && (option.state & State_Selected);
    const bool checked = option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked;
    if (selected) {
        painter.fillRect(r, LightenColor(highlight, kSelectionFactor));
        painter.setPen(highlight);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }

    const QRect image(QPoint(band.left() + (band.width() - m_imageSize.width()) / 2,
                             r.top() + (r.height() - m_imageSize.height()) / 2),
                      m_imageSize);
    if (item && !item->images.empty()) {
        // Images loaded in the classic style have no washed or shadow copy.
        const std::vector<QImage>& images = item->images;
        const QImage& washed = images.size() > 1 ? images[1] : images[0];
        const QImage& shadow = images.size() > 2 ? images[2] : images[0];
        if (checked) {
            const QRect frame = image.adjusted(-2, -2, 1, 1);
            painter.fillRect(frame, LightenColor(highlight, kSelectionFactor));
            painter.setPen(highlight);
            painter.drawRect(frame);
        }
        if (!enabled) {
            // A disabled command shows only its outline, in the shadow colour.
            painter.drawImage(image.topLeft(), shadow);
        } else if (selected) {
            painter.drawImage(image.topLeft() + QPoint(1, 1), shadow);
            painter.drawImage(image.topLeft() - QPoint(1, 1), images[0]);
        } else {
            painter.drawImage(image.topLeft(), washed);
        }
    } else if (checked) {
        drawCheckMark(painter, band, systemColor(colors, QPalette::Text));
    }

    const QColor text = enabled ? systemColor(colors, QPalette::Text)
                                : LightenColor(colors.color(QPalette::Disabled, QPalette::Text),
                                               kThemedDesktop ? 0.0 : kGrayTextFactor);
    drawItemText(option, painter, textRect(r), text);
}

void BCMenu::drawClassicItem(const QStyleOptionMenuItem& option, QPainter& painter, const Item* item) const {
    const QPalette& colors = option.palette;
    const QRect r = option.rect;
    painter.fillRect(r, systemColor(colors, QPalette::Button));
    if (option.menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = r.top() + r.height() / 2;
        painter.setPen(systemColor(colors, QPalette::Dark));
        painter.drawLine(r.left() + 1, y - 1, r.right() - 1, y - 1);
        painter.setPen(systemColor(colors, QPalette::Light));
        painter.drawLine(r.left() + 1, y, r.right() - 1, y);
        return;
    }
    const bool enabled = option.state & State_Enabled;
    const bool selected = enabled && (option.state & State_Selected);
    const bool checked = option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked;
    const QRect cell(r.left(), r.top(), m_imageSize.width() + 4, r.height());
    const QRect image(QPoint(cell.left() + 2, r.top() + (r.height() - m_imageSize.height()) / 2),
                      m_imageSize);
    if (selected)
        painter.fillRect(QRect(cell.right() + 1, r.top(), r.width() - cell.width(), r.height()),
                         systemColor(colors, QPalette::Highlight));
    if (item && !item->images.empty()) {
        if (selected || checked) {
            // Raised under the mouse, sunken while checked.
            const QRect frame = image.adjusted(-1, -1, 0, 0);
            painter.setPen(systemColor(colors, checked ? QPalette::Dark : QPalette::Light));
            painter.drawLine(frame.topLeft(), frame.topRight());
            painter.drawLine(frame.topLeft(), frame.bottomLeft());
            painter.setPen(systemColor(colors, checked ? QPalette::Light : QPalette::Dark));
            painter.drawLine(frame.bottomLeft(), frame.bottomRight());
            painter.drawLine(frame.topRight(), frame.bottomRight());
        }
        painter.drawImage(image.topLeft(), item->images[0]);
    } else if (checked) {
        drawCheckMark(painter, cell,
                      systemColor(colors, selected ? QPalette::HighlightedText : QPalette::Text));
    }
    const QRect text = textRect(r);
    if (!enabled) {
        drawItemText(option, painter, text.translated(1, 1), systemColor(colors, QPalette::Light));
        drawItemText(option, painter, text, colors.color(QPalette::Disabled, QPalette::Text));
    } else {
        drawItemText(option, painter, text,
                     systemColor(colors, selected ? QPalette::HighlightedText : QPalette::Text));
    }
}
