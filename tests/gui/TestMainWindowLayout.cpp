#include <QPushButton>

#include "GuiTestSupport.h"
#include "ui/MainWindowLayout.h"

using namespace guitest;

namespace {

MainWindowLayout::Input inputFor(QSize outer, QSize client) {
    return {outer, client, QSize(75, 23), QSize(75, 23), QSize(68, 15), QSize(137, 15), QSize(411, 15)};
}

} // namespace

TEST(MainWindowLayoutRules, PlaceControlsFromTheOuterWindow) {
    // A frame of 4-pixel borders, a caption and a menu bar, as on the desktop the window was designed on.
    const MainWindowLayout layout = MainWindowLayout::compute(inputFor({557, 500}, {549, 457}));
    EXPECT_EQ(layout.toolbar, QRect(0, 0, 549, 40));
    EXPECT_EQ(layout.pageList, QRect(0, 40, 549, 360));
    EXPECT_EQ(layout.stopButton, QRect(549 - 150 - 40, 500 - 23 - 70, 75, 23));
    EXPECT_EQ(layout.goButton, QRect(549 - 75 - 20, 500 - 23 - 70, 75, 23));
    EXPECT_EQ(layout.statusText, QRect(5, 500 - 15 - 80, 68, 15));
    EXPECT_EQ(layout.connectionText, QRect(85, 500 - 15 - 80, 137, 15));
    EXPECT_EQ(layout.currentItem, QRect(5, 500 - 15 - 50, 411, 15));
}

TEST(MainWindowLayoutRules, ATallFrameNeverPushesTheBottomLineOutOfTheWindow) {
    // A desktop whose caption and menu take 80 pixels: measured from the outer height, the bottom line
    // would land below the client area.
    const MainWindowLayout layout = MainWindowLayout::compute(inputFor({549, 537}, {549, 457}));
    EXPECT_LT(layout.currentItem.bottom(), 457);
    EXPECT_LT(layout.pageList.bottom(), layout.statusText.top());
    EXPECT_LT(layout.pageList.bottom(), layout.stopButton.top());
    EXPECT_LT(layout.stopButton.bottom(), layout.currentItem.top());
}

TEST(MainWindowLayoutRules, ATinyWindowGivesTheListNoNegativeHeight) {
    const MainWindowLayout layout = MainWindowLayout::compute(inputFor({100, 100}, {100, 80}));
    EXPECT_EQ(layout.pageList.height(), 0);
}

class MainWindowResize : public MainWindowTest {
protected:
    // The rules, checked against the window's own outer rectangle.
    void expectLaidOutFor(const char* when) {
        SCOPED_TRACE(when);
        const QSize client = control("clientArea")->size();
        const QSize outer = dialog->frameGeometry().size();
        // The offscreen platform's thin frame is within the design's, so only the side borders are left
        // out of the width and the height counts whole.
        ASSERT_LE(outer.height(), client.height() + MainWindowLayout::kNonClientHeight);
        ASSERT_GE(outer.width(), client.width());
        const int W = client.width();
        const int H = outer.height();
        auto bottom = [&](const char* name, int margin) { return H - control(name)->height() - margin; };
        EXPECT_EQ(control("toolBar")->geometry(), QRect(0, 0, W, 40));
        EXPECT_EQ(control("pageList")->geometry(), QRect(0, 40, W, H - 140));
        const QWidget* stop = control("stopButton");
        EXPECT_EQ(stop->pos(), QPoint(W - 2 * stop->width() - 40, bottom("stopButton", 70)));
        EXPECT_EQ(control("goButton")->pos(),
                  QPoint(W - control("goButton")->width() - 20, bottom("goButton", 70)));
        EXPECT_EQ(control("statusText")->pos(), QPoint(5, bottom("statusText", 80)));
        EXPECT_EQ(control("connectionText")->pos(), QPoint(85, bottom("connectionText", 80)));
        EXPECT_EQ(control("currentItem")->pos(), QPoint(5, bottom("currentItem", 50)));
        EXPECT_EQ(control("threadCountText")->pos(), threadCountPosition);
        // Nothing overlaps and everything stays inside the window.
        for (const char* name : {"stopButton", "goButton", "statusText", "connectionText", "currentItem"}) {
            EXPECT_TRUE(control("clientArea")->rect().contains(control(name)->geometry())) << name;
            EXPECT_FALSE(control("pageList")->geometry().intersects(control(name)->geometry())) << name;
        }
        EXPECT_FALSE(control("stopButton")->geometry().intersects(control("goButton")->geometry()));
    }
    QPoint threadCountPosition;
};

TEST_F(MainWindowResize, ControlsFollowTheBottomAndRightEdges) {
    threadCountPosition = control("threadCountText")->pos();
    dialog->show();
    QCoreApplication::processEvents();
    expectLaidOutFor("shown");
    EXPECT_EQ(control("clientArea")->size(), QSize(549, 457)); // the dialog's 366 x 281 units

    dialog->resize(760, 590);
    QCoreApplication::processEvents();
    expectLaidOutFor("enlarged");

    dialog->showMaximized();
    pumpUntil([&] { return dialog->isMaximized() && dialog->width() > 760; });
    expectLaidOutFor("maximised");

    dialog->showNormal();
    pumpUntil([&] { return !dialog->isMaximized(); });
    dialog->resize(1, 1); // held at the minimum size
    QCoreApplication::processEvents();
    expectLaidOutFor("shrunk");
}
