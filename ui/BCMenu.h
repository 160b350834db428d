#pragma once

#include <QImage>
#include <QPointer>
#include <QProxyStyle>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include "ui/CommandTable.h"

class QAction;
class QMenu;
class QMenuBar;
class QStyleOptionMenuItem;
class QToolBar;

// The window's menus drawn by the program: each pop-up's items beside a band holding the toolbar's image
// of the same command, washed while idle and raised over its shadow while selected, in the flat style;
// or framed images on the menu colour in the classic style. The menu bar itself stays plain. The measuring
// and drawing are this style's, set on every pop-up the menu builds; the menu owns those pop-ups.
class BCMenu : public QProxyStyle {
    Q_OBJECT

public:
    enum DrawMode { Classic = 0, Flat = 1 };
    // The styles for a desktop that draws its menus with a visual theme, and for any other. This platform
    // has no such theme, so the second one applies.
    static void SetMenuDrawMode(DrawMode themed, DrawMode other);
    static bool flatStyle();

    // Effects: the wider band (gap 7 instead of 4) and the washed and shadow images.
    static constexpr int kEffectsGap = 7;
    static constexpr int kPlainGap = 4;
    static constexpr double kWashFactor = 0.3;
    static constexpr double kShadowFactor = 0.5;
    static constexpr double kBandFactor = 0.25;
    static constexpr double kSelectionFactor = 0.85;
    static constexpr double kGrayTextFactor = 0.4;
    // The margin on either side of an item's text, and the space between its text and its shortcut.
    static constexpr int kTextMargin = 8;
    static constexpr int kTabGap = 3 * kTextMargin;
    static constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextSingleLine;

    BCMenu();
    ~BCMenu() override;

    // Builds the bar's pop-ups from `popups` (0 for a separator), each item the action `command` gives
    // for its number.
    void LoadMenu(QMenuBar* bar, const std::vector<MenuPopup>& popups,
                  const std::function<QAction*(int)>& command);
    // Gives every item whose command has a button on `toolbar` that button's image, raising the image
    // size to the toolbar's.
    void LoadToolbar(const QToolBar* toolbar);

    const std::vector<QPointer<QMenu>>& popups() const { return m_popups; }
    QSize imageSize() const { return m_imageSize; }
    int gap() const;
    // An item's images: normal, washed, shadow (the last two in the flat style only); null without one.
    const std::vector<QImage>* itemImages(const QAction* action) const;

    // Moves each channel c to c + f * (255 - c), truncated; a factor outside (0, 1] leaves it as it is.
    static QColor LightenColor(const QColor& color, double factor);
    // Copies of an image in which every pixel that is not transparent is lightened, or set to a colour.
    static QImage washedImage(const QImage& image, double factor);
    static QImage shadowImage(const QImage& image, const QColor& shadow);
    // The height of a one-line menu bar in a menu font.
    static int menuBarHeight(const QFontMetrics& metrics);
    // Where an item's text is drawn inside the item's rectangle, and how wide a text is drawn there.
    QRect textRect(const QRect& item) const;
    static int textWidth(const QFontMetrics& metrics, const QString& text);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;

private:
    struct Item {
        int command = 0;
        std::vector<QImage> images;
    };
    const Item* itemAt(const QWidget* menu, const QRect& rect) const;
    int textLeft() const;
    void drawFlatItem(const QStyleOptionMenuItem& option, QPainter& painter, const Item* item) const;
    void drawClassicItem(const QStyleOptionMenuItem& option, QPainter& painter, const Item* item) const;
    void drawItemText(const QStyleOptionMenuItem& option, QPainter& painter, QRect rect,
                      const QColor& color) const;
    static void drawCheckMark(QPainter& painter, const QRect& band, const QColor& color);

    std::vector<QPointer<QMenu>> m_popups;
    std::map<const QAction*, Item> m_items;
    QSize m_imageSize{16, 15};
};
