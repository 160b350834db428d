#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "ui/GradientCaption.h"

using namespace guitest;

namespace {

QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void save(const QImage& image, const char* name) {
    image.save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/") + QLatin1String(name));
}

} // namespace

class MainWindowChrome : public MainWindowTest {
protected:
    MainWindowChrome() {
        dialog = std::make_unique<CMainDialog>(app, WindowOptions{WindowOptions::Frame::Painted});
        injectServices(*dialog);
    }
};

TEST_F(MainWindowChrome, PaintsTheGradientCaptionAroundTheUsualLayout) {
    const CCaptionPainter& caption = dialog->captionPainter();
    EXPECT_TRUE(caption.IsHooked());
    EXPECT_EQ(caption.captionText(), dialog->windowTitle());
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    QCoreApplication::processEvents();
    const QImage active = render(*dialog);
    save(active, "mainwindow-painted.png");

    const QRect rect = caption.captionRect();
    const QImage activeCaption = caption.cachedCaption(true).toImage();
    for (int x : {0, rect.width() / 2, rect.width() * 5 / 6 + 1})
        EXPECT_EQ(activeCaption.pixelColor(x, 0), GradientCaption::kActive) << x;
    EXPECT_EQ(active.pixelColor(rect.topLeft()), GradientCaption::kActive);

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QCoreApplication::processEvents();
    save(render(*dialog), "mainwindow-inactive.png");
    const QImage inactiveCaption = caption.cachedCaption(false).toImage();
    for (const GradientCaption::Band& band : GradientCaption::bands(
             rect.width(), GradientCaption::kInactiveLeft, GradientCaption::kInactiveRight)) {
        if (band.width > 0) {
            EXPECT_EQ(inactiveCaption.pixelColor(band.x, 0), band.color) << band.x;
        }
    }

    // The controls stay inside the client area, below the painted caption and the menu.
    QWidget* client = control("clientArea");
    EXPECT_GE(client->y(), caption.captionHeight() + CCaptionPainter::kSizingFrame);
    for (const char* name : {"stopButton", "goButton", "statusText", "currentItem", "pageList"})
        EXPECT_TRUE(client->rect().contains(control(name)->geometry())) << name;
}

TEST_F(MainWindowTest, KeyboardOpensHelpShowsFocusAndCloses) {
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    EXPECT_EQ(shell.opened, std::vector<std::string>{program.folder() + "/Help/index.html"});

    // The focused button shows its focus rectangle, and Tab from it on to the page list shows the
    // list's focus.
    QWidget* go = control("goButton");
    dialog->commandAction(CommandIds::Go)->setEnabled(true);
    go->setEnabled(true);
    const QImage unfocused = render(*go);
    const QImage listUnfocused = render(*pageList());
    go->setFocus();
    EXPECT_NE(render(*go).pixelColor(4, 4), unfocused.pixelColor(4, 4));
    QTest::keyClick(go, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), pageList());
    const QImage listFocused = render(*pageList());
    save(listFocused, "pagelist-focused.png");
    EXPECT_NE(listFocused, listUnfocused);

    QTest::keyClick(dialog.get(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(dialog->isVisible());
}
