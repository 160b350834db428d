#include <QMouseEvent>
#include <QPainter>
#include <QtTest/QTest>

#include "GuiTestSupport.h"
#include "ui/CaptionPainter.h"
#include "ui/GradientCaption.h"
#include "ui/SubclassWnd.h"
#include "ui/WindowOptions.h"

using namespace guitest;

namespace {

const QEvent::Type kProbe = QEvent::User;

// A hook that notes each probe event it sees and hands it on, or keeps it.
class NoteHook : public CSubclassWnd {
public:
    NoteHook(QStringList& notes, QString name) : m_notes(notes), m_name(std::move(name)) {}
    bool keep = false;

protected:
    bool WindowProc(QEvent* event) override {
        if (event->type() != kProbe)
            return Default(event);
        m_notes << m_name;
        return keep || Default(event);
    }

private:
    QStringList& m_notes;
    QString m_name;
};

class NotedWindow : public QWidget {
public:
    explicit NotedWindow(QStringList& notes) : m_notes(notes) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() == kProbe)
            m_notes << QStringLiteral("window");
        return QWidget::event(event);
    }

private:
    QStringList& m_notes;
};

QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void save(const QImage& image, const char* name) {
    image.save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/") + QLatin1String(name));
}

void sendMouse(QWidget& window, QEvent::Type type, QPoint point, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, window.mapToGlobal(point), button, held, Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

} // namespace

TEST(SubclassWnd, TheLastHookSeesEventsFirstAndTheChainEndsWithTheWindow) {
    QStringList notes;
    auto window = std::make_unique<NotedWindow>(notes);
    NoteHook first(notes, "first"), second(notes, "second"), third(notes, "third");
    for (NoteHook* hook : {&first, &second, &third})
        hook->HookWindow(window.get());
    auto probe = [&] {
        notes.clear();
        QEvent event(kProbe);
        QApplication::sendEvent(window.get(), &event);
        return notes;
    };
    EXPECT_EQ(probe(), QStringList({"third", "second", "first", "window"}));
    second.keep = true;
    EXPECT_EQ(probe(), QStringList({"third", "second"}));

    second.HookWindow(nullptr); // from the middle
    EXPECT_EQ(probe(), QStringList({"third", "first", "window"}));
    third.HookWindow(nullptr); // the first one
    EXPECT_EQ(probe(), QStringList({"first", "window"}));
    {
        NoteHook passing(notes, "passing");
        passing.HookWindow(window.get());
        EXPECT_EQ(probe(), QStringList({"passing", "first", "window"}));
    } // a hook destroyed first leaves the chain
    EXPECT_EQ(probe(), QStringList({"first", "window"}));
    first.HookWindow(nullptr);
    EXPECT_EQ(probe(), QStringList({"window"}));

    first.HookWindow(window.get());
    second.HookWindow(window.get());
    window.reset();
    EXPECT_FALSE(first.IsHooked());
    EXPECT_FALSE(second.IsHooked());
}

TEST(GradientCaption, BandsStepFromTheRightColourToTheLeftOne) {
    const QColor left(128, 128, 128), right(184, 180, 184);
    auto expectTiled = [](const std::vector<GradientCaption::Band>& bands, int width) {
        int covered = width;
        for (const GradientCaption::Band& band : bands) {
            EXPECT_EQ(band.x + band.width, covered) << band.x;
            covered = band.x;
        }
        EXPECT_EQ(covered, 0);
    };
    // Narrower than 64 pixels: a = 41, bands of one pixel down to x = 1.
    const auto narrow = GradientCaption::bands(50, left, right);
    expectTiled(narrow, 50);
    ASSERT_EQ(narrow.size(), 42u);
    EXPECT_EQ(narrow.front(), (GradientCaption::Band{41, 9, right}));
    EXPECT_EQ(narrow[1], (GradientCaption::Band{40, 1, QColor(183, 179, 183)})); // h = 1: -56/41 is -1
    EXPECT_EQ(narrow[40], (GradientCaption::Band{1, 1, QColor(130, 130, 130)})); // h = 40: -2240/41 is -54
    EXPECT_EQ(narrow.back(), (GradientCaption::Band{0, 1, left}));

    // 1000 pixels: a = 833, bands of 13 from x = 820 down to x = 1.
    const auto wide = GradientCaption::bands(1000, left, right);
    expectTiled(wide, 1000);
    ASSERT_EQ(wide.size(), 66u);
    EXPECT_EQ(wide[1], (GradientCaption::Band{
                           820, 13, QColor(184 - 56 * 13 / 833, 180 - 52 * 13 / 833, 184 - 56 * 13 / 833)}));
    EXPECT_EQ(wide[64],
              (GradientCaption::Band{
                  1, 13, QColor(184 - 56 * 832 / 833, 180 - 52 * 832 / 833, 184 - 56 * 832 / 833)}));

    // One pixel: no band, the right colour only.
    const auto tiny = GradientCaption::bands(1, left, right);
    expectTiled(tiny, 1);
    EXPECT_EQ(tiny.front(), (GradientCaption::Band{0, 1, right}));
}

TEST(WindowOptions, NativeFrameFromTheCommandLineAndWherePlatformsCannotMoveFramelessWindows) {
    EXPECT_EQ(ParseWindowOptions({})->frame, WindowOptions::Frame::Automatic);
    EXPECT_EQ(ParseWindowOptions({"--native-frame"})->frame, WindowOptions::Frame::Native);
    EXPECT_FALSE(ParseWindowOptions({"index-folder", "/srv/site"}));
    EXPECT_FALSE(ParseWindowOptions({"--native-frame", "make"}));

    const WindowOptions automatic;
    EXPECT_TRUE(automatic.paintsCaption("xcb"));
    EXPECT_TRUE(automatic.paintsCaption("wayland"));
    EXPECT_FALSE(automatic.paintsCaption("offscreen"));
    EXPECT_FALSE(WindowOptions{WindowOptions::Frame::Native}.paintsCaption("xcb"));
    EXPECT_TRUE(WindowOptions{WindowOptions::Frame::Painted}.paintsCaption("offscreen"));
}

class CaptionPainterTest : public ::testing::Test {
protected:
    CaptionPainterTest() {
        window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
        window.setWindowTitle(QStringLiteral("Start"));
        window.resize(400, 200);
        caption.Install(&window, [this](const CaptionPaintRequest* request) {
            if (!request) {
                ++fontsDropped;
                return;
            }
            requests.push_back(*request);
            request->painter->fillRect(0, 0, request->width, request->height,
                                       request->active ? Qt::darkBlue : Qt::gray);
            caption.DrawButtons(*request->painter, request->width);
        });
        window.show();
    }
    QPoint buttonCentre(CCaptionPainter::Button button) const {
        const QRect rect = caption.captionRect();
        return rect.topLeft() + caption.buttonRect(button, rect.width()).center();
    }

    QWidget window;
    CCaptionPainter caption;
    std::vector<CaptionPaintRequest> requests;
    int fontsDropped = 0;
};

TEST_F(CaptionPainterTest, FramesTheWindowAndDrawsTheCaptionOncePerChange) {
    const int frame = CCaptionPainter::kSizingFrame;
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.contentsMargins(), QMargins(frame, frame + caption.captionHeight(), frame, frame));
    EXPECT_EQ(caption.captionRect(), QRect(frame, frame, 400 - 2 * frame, caption.captionHeight() - 1));
    EXPECT_EQ(caption.captionText(), "Start");

    // Buttons from the right: close 2 pixels from the edge, maximise 2 pixels left of it, minimise
    // touching maximise; each 2 pixels in from the caption's top and bottom.
    const int side = caption.buttonSize().width();
    const int width = caption.captionRect().width();
    const int height = caption.captionRect().height();
    using Button = CCaptionPainter::Button;
    EXPECT_EQ(caption.buttonRect(Button::Close, width), QRect(width - side, 2, side - 2, height - 4));
    EXPECT_EQ(caption.buttonRect(Button::MaxRestore, width),
              QRect(width - 2 * side, 2, side - 2, height - 4));
    EXPECT_EQ(caption.buttonRect(Button::Minimize, width).right() + 1, width - 2 * side);

    // A new text is drawn once, into the caption's bitmap, and nowhere else.
    QCoreApplication::processEvents();
    requests.clear();
    window.setWindowTitle(QStringLiteral("Profile - Findlark"));
    QCoreApplication::processEvents();
    EXPECT_EQ(caption.captionText(), "Profile - Findlark");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(QSize(requests[0].width, requests[0].height), caption.captionRect().size());
    const QImage shown = render(window);
    EXPECT_EQ(requests.size(), 1u); // painting copies the bitmap
    EXPECT_EQ(shown.pixelColor(caption.captionRect().topLeft() + QPoint(1, 1)),
              QColor(caption.active() ? Qt::darkBlue : Qt::gray));

    // Activation switches the caption's state; colours changing make the owner drop its font.
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(caption.active());
    EXPECT_TRUE(requests.back().active);
    window.setPalette(QPalette(Qt::green));
    EXPECT_EQ(fontsDropped, 1);
}

TEST_F(CaptionPainterTest, ButtonsEdgesAndTheCaptionWorkWithTheMouse) {
    using Button = CCaptionPainter::Button;
    QTest::mouseClick(&window, Qt::LeftButton, {}, buttonCentre(Button::MaxRestore));
    EXPECT_TRUE(window.isMaximized());
    EXPECT_EQ(window.contentsMargins().left(), 0); // no frame around a maximised window
    const QPoint captionPoint = caption.captionRect().topLeft() + QPoint(60, 8);
    EXPECT_TRUE(caption.hitTest(captionPoint).caption);
    QTest::mouseDClick(&window, Qt::LeftButton, {}, captionPoint);
    EXPECT_FALSE(window.isMaximized());
    EXPECT_EQ(window.size(), QSize(400, 200));

    // A button pressed and released elsewhere does nothing; it is drawn sunken while the mouse is on it.
    sendMouse(window, QEvent::MouseButtonPress, buttonCentre(Button::Close), Qt::LeftButton);
    save(render(window), "caption-close-pressed.png");
    sendMouse(window, QEvent::MouseButtonRelease, captionPoint, Qt::NoButton);
    EXPECT_TRUE(window.isVisible());

    // Dragging the caption moves the window (here by the program, as the platform cannot).
    const QPoint start = window.pos();
    sendMouse(window, QEvent::MouseButtonPress, captionPoint, Qt::LeftButton);
    sendMouse(window, QEvent::MouseMove, captionPoint + QPoint(30, 20), Qt::LeftButton);
    sendMouse(window, QEvent::MouseButtonRelease, captionPoint + QPoint(30, 20), Qt::NoButton);
    EXPECT_EQ(window.pos(), start + QPoint(30, 20));

    // The left edge and the bottom-right corner resize it.
    const QRect before = window.geometry();
    EXPECT_EQ(caption.hitTest(QPoint(1, 100)).edges, Qt::LeftEdge);
    EXPECT_EQ(caption.hitTest(QPoint(399, 199)).edges, Qt::RightEdge | Qt::BottomEdge);
    EXPECT_EQ(caption.hitTest(QPoint(399, 2)).edges, Qt::RightEdge | Qt::TopEdge);
    sendMouse(window, QEvent::MouseButtonPress, QPoint(1, 100), Qt::LeftButton);
    sendMouse(window, QEvent::MouseMove, QPoint(-39, 100), Qt::LeftButton);
    sendMouse(window, QEvent::MouseButtonRelease, QPoint(-39, 100), Qt::NoButton);
    EXPECT_EQ(window.geometry(), before.adjusted(-40, 0, 0, 0));

    QTest::mouseClick(&window, Qt::LeftButton, {}, buttonCentre(Button::Minimize));
    EXPECT_TRUE(window.isMinimized());
    window.showNormal();
    QTest::mouseClick(&window, Qt::LeftButton, {}, buttonCentre(Button::Close));
    EXPECT_FALSE(window.isVisible());
}

TEST_F(CaptionPainterTest, UninstallingGivesThePlatformsFrameBack) {
    caption.Uninstall();
    EXPECT_FALSE(caption.IsHooked());
    EXPECT_FALSE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.contentsMargins(), QMargins());
    EXPECT_TRUE(window.isVisible());
}
