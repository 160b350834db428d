#pragma once

#include <QRect>
#include <QSize>

// Where the main window's controls go for a window size. The rules are measured from the outer window
// rectangle (frame, caption and menu bar included); positions are in the client area below the menu bar.
// They were made for a frame whose caption, menu and borders leave the bottom line just inside the
// client area; kNonClientHeight is the most of the outer height they may take and still do that.
struct MainWindowLayout {
    static constexpr int kToolbarHeight = 40;
    static constexpr int kNonClientHeight = 46;

    // The sizes the rules start from: the outer window, the client area, and each moved control's own
    // current size (the rules keep it).
    struct Input {
        QSize outer;
        QSize client;
        QSize stopButton;
        QSize goButton;
        QSize statusText;
        QSize connectionText;
        QSize currentItem;
    };

    QRect toolbar;
    QRect pageList;
    QRect stopButton;
    QRect goButton;
    QRect statusText;
    QRect connectionText;
    QRect currentItem;

    static MainWindowLayout compute(const Input& input);
};
