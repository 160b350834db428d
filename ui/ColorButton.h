#pragma once

#include <QColor>
#include <QPushButton>

// A flat push button in colours of its own: filled with the background colour inside a bevel, its text
// centred in the text colour, a dotted focus rectangle while it has the focus and sunken while pressed.
// Disabled, it lies flat: a pale face framed in the background colour, its text in the disabled colour,
// so that it cannot be taken for a button that works.
class CColorButton : public QPushButton {
    Q_OBJECT

public:
    explicit CColorButton(QWidget* parent = nullptr);

    // Gives the button its colours and bevel width (0 draws no bevel).
    void Attach(const QColor& background, const QColor& text, const QColor& disabledText, unsigned bevel);

    // The bevel's colours for ring `ring` (0 is the outermost) of a bevel `width` rings wide.
    struct BevelColors {
        QColor light;
        QColor dark;
    };
    static BevelColors bevelColors(unsigned width, unsigned ring);
    // Draws a bevel `width` rings wide inside `rect`; a negative width draws it sunken.
    static void drawBevel(QPainter& painter, QRect rect, int width);
    // The face of a disabled button: its background colour faded most of the way to a light grey.
    static QColor disabledFace(const QColor& background);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawText(QPainter& painter, const QColor& color);
    static void drawFocusRect(QPainter& painter, const QRect& rect);

    QColor m_background{192, 192, 192};
    QColor m_text{0, 0, 0};
    QColor m_disabledText{128, 128, 128};
    unsigned m_bevel = 2;
};
