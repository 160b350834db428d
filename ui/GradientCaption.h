#pragma once

#include <QColor>
#include <QFont>
#include <optional>
#include <vector>

class CCaptionPainter;
struct CaptionPaintRequest;

// The main window's caption: a blue bar for the active window, a grey gradient for the inactive one,
// with the icon, the caption buttons and the text in white.
class GradientCaption {
public:
    static inline const QColor kActive{16, 130, 214};
    // The inactive caption's left colour, where the platform names none: Windows' classic grey.
    static inline const QColor kInactiveLeft{128, 128, 128};
    static inline const QColor kInactiveRight{184, 180, 184};

    // One filled stretch of the caption: from x, w pixels wide, in one colour.
    struct Band {
        int x;
        int width;
        QColor color;
        bool operator==(const Band&) const = default;
    };
    // The fills of a caption W pixels wide from right to left: the right colour from five sixths of the
    // width on, then bands stepping towards the left colour, then the left colour up to the last band.
    static std::vector<Band> bands(int width, const QColor& left, const QColor& right);

    // Answers the caption painter's paint message; null drops the font.
    void paint(const CaptionPaintRequest* request, const CCaptionPainter& painter);

private:
    std::optional<QFont> m_font;
};
