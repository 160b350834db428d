#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Two small arrow buttons beside an edit box that step the box's integer within a range, also with the
// Up and Down keys in the box. A text that is no number steps from the range's low end. The box itself
// accepts any digits, so its page can tell the user about a value out of range.
class UpDownControl : public QWidget {
    Q_OBJECT

public:
    UpDownControl(QLineEdit* buddy, QWidget* parent = nullptr);
    void setRange(int minimum, int maximum);
    void step(int steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_buddy;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 100;
};
