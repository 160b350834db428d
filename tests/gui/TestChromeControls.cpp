#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <QToolBar>
#include <QtTest/QTest>
#include <cmath>
#include <iostream>
#include <map>
#include <set>

#include "GuiTestSupport.h"
#include "ui/BCMenu.h"
#include "ui/ColorButton.h"
#include "ui/HyperlinkStatic.h"

using namespace guitest;

namespace {

const QColor kBlue(16, 130, 214);
const QColor kWhite(255, 255, 255);
const QColor kDisabled(190, 190, 190);

QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Every colour in a part of an image.
std::set<QRgb> colorsIn(const QImage& image, const QRect& rect) {
    std::set<QRgb> colors;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colors.insert(image.pixel(x, y) & 0xffffff);
    return colors;
}
QRgb rgb(const QColor& color) {
    return color.rgb() & 0xffffff;
}

// Text without anti-aliasing, so every text pixel is exactly the colour it was drawn in.
QFont crispFont() {
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void save(const QImage& image, const char* name) {
    image.save(QStringLiteral(FINDLARK_TEST_OUTPUT_DIR "/") + QLatin1String(name));
}

} // namespace

TEST(ColorButton, BevelRingsAreGreysByRingAndSwapWhenSunken) {
    using Colors = CColorButton::BevelColors;
    auto grey = [](int level) { return QColor(level, level, level); };
    auto expectColors = [](const Colors& colors, const QColor& light, const QColor& dark) {
        EXPECT_EQ(colors.light, light);
        EXPECT_EQ(colors.dark, dark);
    };
    expectColors(CColorButton::bevelColors(1, 0), grey(255), grey(128));
    expectColors(CColorButton::bevelColors(2, 0), grey(255), grey(127));
    expectColors(CColorButton::bevelColors(2, 1), grey(223), grey(85));
    expectColors(CColorButton::bevelColors(3, 2), grey(213), grey(63));

    // A sunken bevel of two rings: dark over light, the inner ring's bottom and right nearly black.
    QImage image(10, 8, QImage::Format_RGB32);
    image.fill(kBlue);
    {
        QPainter painter(&image);
        CColorButton::drawBevel(painter, image.rect(), -2);
    }
    EXPECT_EQ(image.pixelColor(0, 0), grey(127));
    EXPECT_EQ(image.pixelColor(9, 0), grey(127)); // the top line reaches the right edge
    EXPECT_EQ(image.pixelColor(0, 7), grey(127)); // and the left line the bottom
    EXPECT_EQ(image.pixelColor(9, 7), grey(255));
    EXPECT_EQ(image.pixelColor(1, 1), grey(85));
    EXPECT_EQ(image.pixelColor(8, 6), QColor(1, 1, 1));
    EXPECT_EQ(image.pixelColor(2, 2), kBlue);
}

TEST(ColorButton, DrawsFillTextFocusPressAndDisabledStates) {
    QWidget window;
    auto* button = new CColorButton(&window);
    auto* other = new QPushButton(&window);
    other->move(0, 40);
    button->setText(QStringLiteral("&Go"));
    button->setFont(crispFont());
    button->setGeometry(0, 0, 75, 23);
    button->Attach(kBlue, kWhite, kDisabled, 2);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    const QRect inside = button->rect().adjusted(2, 2, -3, -3);

    const QImage normal = render(*button);
    save(normal, "button-normal.png");
    EXPECT_EQ(normal.pixelColor(0, 0), QColor(255, 255, 255));
    EXPECT_EQ(normal.pixelColor(74, 22), QColor(127, 127, 127));
    EXPECT_EQ(normal.pixelColor(1, 1), QColor(223, 223, 223));
    EXPECT_EQ(colorsIn(normal, inside), (std::set<QRgb>{rgb(kBlue), rgb(kWhite)}));

    // Focus: every other pixel of the rectangle 4 pixels inside inverted.
    button->setFocus();
    const QImage focused = render(*button);
    save(focused, "button-focused.png");
    EXPECT_EQ(focused.pixelColor(4, 4), QColor(255 - 16, 255 - 130, 255 - 214));
    EXPECT_EQ(focused.pixelColor(5, 4), kBlue);
    EXPECT_EQ(focused.pixelColor(70, 4), QColor(255 - 16, 255 - 130, 255 - 214));

    // Pressed with the focus: a sunken bevel of one ring, white and mid-grey swapped.
    button->setDown(true);
    const QImage pressed = render(*button);
    save(pressed, "button-pressed.png");
    EXPECT_EQ(pressed.pixelColor(0, 0), QColor(128, 128, 128));
    EXPECT_EQ(pressed.pixelColor(74, 22), QColor(255, 255, 255));
    EXPECT_EQ(pressed.pixelColor(1, 1), kBlue);
    EXPECT_EQ(pressed.pixelColor(4, 4), QColor(255 - 16, 255 - 130, 255 - 214));
    button->setDown(false);

    // Disabled: flat, a faded face framed in the background colour, the text in the disabled colour.
    button->setEnabled(false);
    const QImage disabled = render(*button);
    save(disabled, "button-disabled.png");
    EXPECT_EQ(CColorButton::disabledFace(kBlue), QColor(181, 210, 231));
    EXPECT_EQ(colorsIn(disabled, inside),
              (std::set<QRgb>{rgb(CColorButton::disabledFace(kBlue)), rgb(kDisabled)}));
    EXPECT_EQ(disabled.pixelColor(0, 0), kBlue);
    EXPECT_EQ(disabled.pixelColor(74, 22), kBlue);
}

namespace {

// The contrast ratio of two colours as WCAG defines it, from 1 (none) to 21 (black on white).
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& colour) {
        auto linear = [](int channel) {
            const double c = channel / 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) +
               0.0722 * linear(colour.blue());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return std::max(la, lb) / std::min(la, lb);
}

// The face (the colour of most pixels inside the bevel) and the text (the pixel that stands out most).
struct Look {
    QColor face;
    QColor text;
};
Look lookOf(const QImage& image) {
    std::map<QRgb, int> counts;
    const QRect inside = image.rect().adjusted(3, 3, -3, -3);
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y) & 0xffffff];
    Look look;
    look.face = QColor::fromRgb(std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                    return a.second < b.second;
                                })->first);
    look.text = look.face;
    for (const auto& [colour, count] : counts)
        if (contrast(QColor::fromRgb(colour), look.face) > contrast(look.text, look.face))
            look.text = QColor::fromRgb(colour);
    return look;
}

} // namespace

TEST_F(MainWindowTest, StopAndGoArePlainlyDisabled) {
    auto* go = dialog->findChild<CColorButton*>("goButton");
    dialog->show();
    ASSERT_FALSE(go->isEnabled());
    const QImage disabledImage = render(*go);
    go->setEnabled(true);
    const QImage enabledImage = render(*go);
    save(enabledImage, "go-enabled.png");
    save(disabledImage, "go-disabled.png");

    const Look enabled = lookOf(enabledImage);
    const Look disabled = lookOf(disabledImage);
    const double enabledContrast = contrast(enabled.text, enabled.face);
    const double disabledContrast = contrast(disabled.text, disabled.face);
    std::cout << "Go enabled: text " << enabled.text.name().toStdString() << " on "
              << enabled.face.name().toStdString() << ", contrast " << enabledContrast
              << ":1; disabled: text " << disabled.text.name().toStdString() << " on "
              << disabled.face.name().toStdString() << ", contrast " << disabledContrast << ":1\n";
    EXPECT_GE(enabledContrast, 3.0);
    // Disabled looks different as a whole, not only in its text: the face itself changes plainly.
    EXPECT_GE(contrast(enabled.face, disabled.face), 2.0);
    EXPECT_GE(contrast(enabled.text, disabled.text), 2.0);
}

TEST(HyperlinkStatic, ShowsItsColoursAndOpensAnAddressOrAMailMessage) {
    RecordingShell shell;
    testsupport::RecordingMessages messages;
    QWidget window;
    auto* link = new CHyperlinkStatic(&window);
    link->setFont(crispFont());
    link->setText(QStringLiteral("http://www.example.com/"));
    link->adjustSize();
    link->setServices(shell, messages);
    window.show();

    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    const auto textColors = [&] {
        const QImage image = render(*link);
        std::set<QRgb> colors = colorsIn(image, image.rect());
        colors.erase(rgb(window.palette().color(QPalette::Window)));
        return colors;
    };
    EXPECT_EQ(textColors(), std::set<QRgb>{rgb(CHyperlinkStatic::kNormalColor)});
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(link, &enter);
    EXPECT_TRUE(link->hovering());
    EXPECT_EQ(textColors(), std::set<QRgb>{rgb(CHyperlinkStatic::kHoverColor)});
    save(render(*link), "hyperlink-hover.png");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_FALSE(link->hovering());
    EXPECT_EQ(textColors(), std::set<QRgb>{rgb(CHyperlinkStatic::kNormalColor)});

    // A click opens the address; an address the shell refuses is not reported.
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, link->height() / 2));
    shell.result = false;
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, link->height() / 2));
    EXPECT_TRUE(messages.messages().empty());
    // With an "@" it starts a mail message; without a mail program the user is told, in Chinese.
    link->setText(QStringLiteral("support@example.com"));
    QTest::keyClick(link, Qt::Key_Space);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://www.example.com/", "http://www.example.com/",
                                                      "mailto:support@example.com"}));
    ASSERT_EQ(messages.messages().size(), 1u);
    const QString shown = QString::fromUtf8(messages.messages()[0]);
    EXPECT_EQ(shown.at(0).unicode(), 0x53D1); // 发
    EXPECT_TRUE(shown.startsWith(QStringView(u"发送邮件失败！\n系统未安装邮件处理程序")));
    EXPECT_TRUE(shown.endsWith(QStringView(u"！！\n\n")));
}

TEST(BCMenu, LightensChannelsByTheFactorTruncated) {
    EXPECT_EQ(BCMenu::LightenColor(kBlue, 0.85), QColor(219, 236, 248));
    EXPECT_EQ(BCMenu::LightenColor(QColor(100, 50, 0), 0.3), QColor(146, 111, 76));
    EXPECT_EQ(BCMenu::LightenColor(QColor(128, 128, 128), 0.5), QColor(191, 191, 191));
    EXPECT_EQ(BCMenu::LightenColor(QColor(100, 50, 0), 1.0), QColor(255, 255, 255));
    for (double outside : {0.0, -0.5, 1.5})
        EXPECT_EQ(BCMenu::LightenColor(QColor(100, 50, 0), outside), QColor(100, 50, 0)) << outside;
}

class BCMenuTest : public ::testing::Test {
protected:
    BCMenuTest() {
        BCMenu::SetMenuDrawMode(BCMenu::Flat, BCMenu::Flat);
        QPixmap drawing(20, 20);
        drawing.fill(Qt::transparent);
        {
            QPainter painter(&drawing);
            painter.fillRect(4, 4, 12, 12, QColor(60, 120, 180));
        }
        for (int id : {1, 2, 3}) {
            actions[id] = new QAction(QStringLiteral("Command &%1").arg(id), &window);
            actions[id]->setData(id);
        }
        actions[1]->setIcon(QIcon(drawing));
        actions[2]->setShortcut(Qt::Key_F1);
        actions[3]->setEnabled(false);
        actions[3]->setIcon(QIcon(drawing));
        auto* bar = new QMenuBar(&window);
        menu.LoadMenu(bar, {{"&First", {1, 0, 2, 3}}}, [this](int id) { return actions[id]; });
        toolbar = new QToolBar(&window);
        toolbar->setIconSize(QSize(20, 20));
        toolbar->addAction(actions[1]);
        toolbar->addSeparator();
        toolbar->addAction(actions[3]);
        menu.LoadToolbar(toolbar);
    }

    QWidget window;
    std::map<int, QAction*> actions;
    QToolBar* toolbar = nullptr;
    BCMenu menu;
};

TEST_F(BCMenuTest, TakesTheToolbarsImagesWithWashedAndShadowCopies) {
    EXPECT_EQ(menu.imageSize(), QSize(20, 20)); // raised from 16 x 15 to the toolbar's
    EXPECT_EQ(menu.itemImages(actions[2]), nullptr);
    const std::vector<QImage>* images = menu.itemImages(actions[1]);
    ASSERT_NE(images, nullptr);
    ASSERT_EQ(images->size(), 3u);
    EXPECT_EQ((*images)[0].pixelColor(8, 8), QColor(60, 120, 180));
    EXPECT_EQ((*images)[1].pixelColor(8, 8), QColor(118, 160, 202));
    EXPECT_EQ((*images)[2].pixelColor(8, 8),
              BCMenu::LightenColor(QApplication::palette().color(QPalette::Dark), 0.5));
    // The transparent background stays transparent in both copies.
    for (const QImage& image : *images)
        EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
    const QImage edge = BCMenu::washedImage(QImage(1, 1, QImage::Format_ARGB32), 0.3);
    EXPECT_EQ(edge.size(), QSize(1, 1));
}

TEST_F(BCMenuTest, MeasuresAndDrawsTheFlatStyle) {
    QMenu* popup = menu.popups().at(0);
    const int barHeight = BCMenu::menuBarHeight(popup->fontMetrics());
    const int band = 20 + BCMenu::kEffectsGap;
    EXPECT_EQ(popup->actionGeometry(actions[1]).height(), std::max(barHeight, band));
    EXPECT_EQ(popup->actionGeometry(popup->actions().at(1)).height(), std::max(barHeight / 2, band / 2));
    QStyleOptionMenuItem option;
    option.initFrom(popup);
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.text = QStringLiteral("&Abc");
    // The text's margin on both sides of it.
    const int textWidth = BCMenu::textWidth(popup->fontMetrics(), QStringLiteral("&Abc"));
    EXPECT_EQ(menu.sizeFromContents(QStyle::CT_MenuItem, &option, QSize(), popup).width(),
              textWidth + band + 2 * BCMenu::kTextMargin);

    popup->popup(QPoint(0, 0));
    popup->setActiveAction(actions[1]);
    const QImage image = render(*popup);
    save(image, "menu-flat.png");
    const QPalette colors = popup->palette();
    const QRect first = popup->actionGeometry(actions[1]);
    const QRect disabled = popup->actionGeometry(actions[3]);
    const QColor highlight = colors.color(QPalette::Active, QPalette::Highlight);
    // The band at the left, the selected item lightened in the highlight colour inside a highlight frame.
    EXPECT_EQ(image.pixelColor(disabled.left() + 1, disabled.top() + 1),
              BCMenu::LightenColor(colors.color(QPalette::Button), 0.25));
    EXPECT_EQ(image.pixelColor(first.right() - 2, first.top() + 2), BCMenu::LightenColor(highlight, 0.85));
    EXPECT_EQ(image.pixelColor(first.right(), first.center().y()), highlight);
    // The selected image raised: its drawing one pixel up and left, its shadow one down and right.
    const QPoint image0(first.left() + (band - 20) / 2, first.top() + (first.height() - 20) / 2);
    EXPECT_EQ(image.pixelColor(image0 + QPoint(3, 3)), QColor(60, 120, 180));
    EXPECT_EQ(image.pixelColor(image0 + QPoint(16, 16)), (*menu.itemImages(actions[1]))[2].pixelColor(8, 8));
    // The disabled item is never selected: its text area stays the menu's background.
    popup->setActiveAction(actions[3]);
    EXPECT_NE(popup->activeAction(), actions[3]);
    EXPECT_EQ(render(*popup).pixelColor(disabled.right() - 2, disabled.top() + 2),
              colors.color(QPalette::Base));
    popup->close();
}
